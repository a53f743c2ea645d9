// Strings, integers, rounding and file names of the run-time library.
#include "SysUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cmath>
#include <limits>
#include <system_error>

TFormatSettings FormatSettings;

// ---------------------------------------------------------------- strings

QString Copy(const QString &S, int Index, int Count)
{
    if (Index < 1)
        Index = 1;
    if (Count <= 0 || Index > S.size())
        return QString();
    return S.mid(Index - 1, std::min<qsizetype>(Count, S.size() - (Index - 1)));
}

int Pos(const QString &Substr, const QString &S)
{
    if (Substr.isEmpty())
        return 0;
    return int(S.indexOf(Substr)) + 1;
}

int PosEx(const QString &Substr, const QString &S, int Offset)
{
    if (Substr.isEmpty() || Offset < 1 || Offset > S.size())
        return 0;
    return int(S.indexOf(Substr, Offset - 1)) + 1;
}

void Insert(const QString &Source, QString &S, int Index)
{
    if (Index < 1)
        Index = 1;
    if (Index > S.size())
        S += Source;
    else
        S.insert(Index - 1, Source);
}

void Delete(QString &S, int Index, int Count)
{
    if (Index < 1 || Index > S.size() || Count <= 0)
        return;
    S.remove(Index - 1, std::min<qsizetype>(Count, S.size() - (Index - 1)));
}

static bool IsBlank(QChar c)
{
    return c.unicode() <= ' ';
}

QString Trim(const QString &S)
{
    qsizetype b = 0, e = S.size();
    while (b < e && IsBlank(S[b]))
        ++b;
    while (e > b && IsBlank(S[e - 1]))
        --e;
    return b == 0 && e == S.size() ? S : S.mid(b, e - b);
}

QString TrimLeft(const QString &S)
{
    qsizetype b = 0;
    while (b < S.size() && IsBlank(S[b]))
        ++b;
    return b ? S.mid(b) : S;
}

QString TrimRight(const QString &S)
{
    qsizetype e = S.size();
    while (e > 0 && IsBlank(S[e - 1]))
        --e;
    return e == S.size() ? S : S.left(e);
}

QString UpperCase(const QString &S)
{
    QString R = S;
    for (QChar &c : R)
        if (c.unicode() >= 'a' && c.unicode() <= 'z')
            c = QChar(c.unicode() - 32);
    return R;
}

QString LowerCase(const QString &S)
{
    QString R = S;
    for (QChar &c : R)
        if (c.unicode() >= 'A' && c.unicode() <= 'Z')
            c = QChar(c.unicode() + 32);
    return R;
}

QString AnsiUpperCase(const QString &S)
{
    return S.toUpper();
}

QString AnsiLowerCase(const QString &S)
{
    return S.toLower();
}

int CompareStr(const QString &S1, const QString &S2)
{
    return S1.compare(S2, Qt::CaseSensitive);
}

static char16_t AsciiUpper(char16_t c)
{
    return c >= 'a' && c <= 'z' ? char16_t(c - 32) : c;
}

int CompareText(const QString &S1, const QString &S2)
{
    const qsizetype n = std::min(S1.size(), S2.size());
    for (qsizetype i = 0; i < n; ++i) {
        int d = int(AsciiUpper(S1[i].unicode())) - int(AsciiUpper(S2[i].unicode()));
        if (d)
            return d;
    }
    return int(S1.size() - S2.size());
}

bool SameText(const QString &S1, const QString &S2)
{
    return S1.size() == S2.size() && CompareText(S1, S2) == 0;
}

int AnsiCompareText(const QString &S1, const QString &S2)
{
    return S1.compare(S2, Qt::CaseInsensitive);
}

bool AnsiSameText(const QString &S1, const QString &S2)
{
    return S1.compare(S2, Qt::CaseInsensitive) == 0;
}

QString QuotedStr(const QString &S)
{
    return AnsiQuotedStr(S, QLatin1Char('\''));
}

QString AnsiQuotedStr(const QString &S, QChar Quote)
{
    QString R;
    R.reserve(S.size() + 2);
    R += Quote;
    for (QChar c : S) {
        R += c;
        if (c == Quote)
            R += c;
    }
    R += Quote;
    return R;
}

QString AnsiDequotedStr(const QString &S, QChar Quote)
{
    if (S.isEmpty() || S[0] != Quote)
        return S;
    // The quoted text up to its closing quote, a doubled quote read as one.
    QString R;
    qsizetype i = 1;
    for (; i < S.size(); ++i) {
        if (S[i] == Quote) {
            if (i + 1 < S.size() && S[i + 1] == Quote) {
                ++i;
            } else {
                ++i;
                break;
            }
        }
        R += S[i];
    }
    // As the class library: when nothing was read or the whole text was used,
    // a text that does not both begin and end with the quote is given back
    // unchanged (an unterminated quote, for one).
    if ((R.isEmpty() || i >= S.size()) && S.back() != Quote)
        return S;
    return R;
}

QString StringReplace(const QString &S, const QString &OldPattern, const QString &NewPattern,
                      TReplaceFlags Flags)
{
    if (OldPattern.isEmpty())
        return S;
    const Qt::CaseSensitivity cs = (Flags & rfIgnoreCase) ? Qt::CaseInsensitive : Qt::CaseSensitive;
    if (Flags & rfReplaceAll) {
        QString R = S;
        return R.replace(OldPattern, NewPattern, cs);
    }
    qsizetype at = S.indexOf(OldPattern, 0, cs);
    if (at < 0)
        return S;
    QString R = S;
    return R.replace(at, OldPattern.size(), NewPattern);
}

QString StringOfChar(QChar Ch, int Count)
{
    return Count > 0 ? QString(Count, Ch) : QString();
}

QString BinToHex(const QByteArray &Buffer)
{
    static const char digits[] = "0123456789ABCDEF";
    QString R(Buffer.size() * 2, Qt::Uninitialized);
    QChar *d = R.data();
    for (char ch : Buffer) {
        const auto b = static_cast<unsigned char>(ch);
        *d++ = QLatin1Char(digits[b >> 4]);
        *d++ = QLatin1Char(digits[b & 15]);
    }
    return R;
}

static int HexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    return -1;
}

QByteArray HexToBin(const QString &Text)
{
    QByteArray R;
    R.reserve(Text.size() / 2);
    for (qsizetype i = 0; i + 1 < Text.size(); i += 2) {
        int hi = HexValue(Text[i]), lo = HexValue(Text[i + 1]);
        if (hi < 0 || lo < 0)
            break;
        R += char(hi * 16 + lo);
    }
    return R;
}

static bool IsIdentStart(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == '_';
}

bool IsValidIdent(const QString &Ident, bool AllowDots)
{
    bool start = true;
    for (QChar c : Ident) {
        if (start) {
            if (!IsIdentStart(c))
                return false;
            start = false;
        } else if (AllowDots && c == QLatin1Char('.')) {
            start = true;
        } else if (!IsIdentStart(c) && !(c.unicode() >= '0' && c.unicode() <= '9')) {
            return false;
        }
    }
    return !start;
}

// ---------------------------------------------------------------- integers

QString IntToStr(qint64 Value)
{
    return QString::number(Value);
}

QString IntToHex64(quint64 Bits, int Digits)
{
    static const char digits[] = "0123456789ABCDEF";
    char buf[16];
    int n = 0;
    do {
        buf[n++] = digits[Bits & 15];
        Bits >>= 4;
    } while (Bits);
    QString R;
    R.reserve(std::max(n, Digits));
    for (int i = n; i < Digits; ++i)
        R += QLatin1Char('0');
    while (n)
        R += QLatin1Char(buf[--n]);
    return R;
}

// The class library's Val: leading blanks, a sign, '$', 'x' or '0x' for
// hexadecimal, then digits to the end. Hexadecimal may use the full unsigned
// width (so '$FFFFFFFF' is -1 for a 32-bit result).
static bool ParseInteger(QStringView S, bool Wide, qint64 &Value)
{
    const qsizetype n = S.size();
    qsizetype i = 0;
    while (i < n && S[i] == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < n && (S[i] == QLatin1Char('-') || S[i] == QLatin1Char('+')))
        negative = S[i++] == QLatin1Char('-');
    bool hex = false;
    if (i < n && S[i] == QLatin1Char('$')) {
        hex = true;
        ++i;
    } else if (i < n && (S[i] == QLatin1Char('x') || S[i] == QLatin1Char('X'))) {
        hex = true;
        ++i;
    } else if (i + 1 < n && S[i] == QLatin1Char('0') &&
               (S[i + 1] == QLatin1Char('x') || S[i + 1] == QLatin1Char('X'))) {
        hex = true;
        i += 2;
    }
    if (i >= n)
        return false;
    quint64 v = 0;
    if (hex) {
        const quint64 limit = Wide ? std::numeric_limits<quint64>::max() : 0xFFFFFFFFull;
        for (; i < n; ++i) {
            int d = HexValue(S[i]);
            if (d < 0 || v > (limit >> 4))
                return false;
            v = (v << 4) | quint64(d);
        }
        qint64 r = Wide ? qint64(v) : qint64(qint32(quint32(v)));
        Value = negative ? qint64(0 - quint64(r)) : r;
        return true;
    }
    const quint64 limit = Wide ? (negative ? 0x8000000000000000ull : 0x7FFFFFFFFFFFFFFFull)
                               : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    for (; i < n; ++i) {
        const char16_t u = S[i].unicode();
        if (u < '0' || u > '9')
            return false;
        quint64 d = u - '0';
        if (v > (limit - d) / 10)
            return false;
        v = v * 10 + d;
    }
    Value = negative ? qint64(0 - v) : qint64(v);
    return true;
}

static QString InvalidInteger(const QString &S)
{
    return QStringLiteral("'%1' is not a valid integer value").arg(S);
}

bool TryStrToInt(const QString &S, int &Value)
{
    qint64 v;
    if (!ParseInteger(S, false, v))
        return false;
    Value = int(v);
    return true;
}

int StrToInt(const QString &S)
{
    int v;
    if (!TryStrToInt(S, v))
        throw EConvertError(InvalidInteger(S));
    return v;
}

int StrToIntDef(const QString &S, int Default)
{
    int v;
    return TryStrToInt(S, v) ? v : Default;
}

bool TryStrToInt64(const QString &S, qint64 &Value)
{
    return ParseInteger(S, true, Value);
}

bool TryStrToInt64(QStringView S, qint64 &Value)
{
    return ParseInteger(S, true, Value);
}

qint64 StrToInt64(const QString &S)
{
    qint64 v;
    if (!ParseInteger(S, true, v))
        throw EConvertError(InvalidInteger(S));
    return v;
}

qint64 StrToInt64Def(const QString &S, qint64 Default)
{
    qint64 v;
    return ParseInteger(S, true, v) ? v : Default;
}

QString BoolToStr(bool B, bool UseBoolStrs)
{
    if (UseBoolStrs)
        return B ? QStringLiteral("True") : QStringLiteral("False");
    return B ? QStringLiteral("-1") : QStringLiteral("0");
}

bool TryStrToBool(const QString &S, bool &Value)
{
    if (SameText(S, QStringLiteral("True"))) {
        Value = true;
        return true;
    }
    if (SameText(S, QStringLiteral("False"))) {
        Value = false;
        return true;
    }
    double d;
    if (!TryStrToFloat(S, d))
        return false;
    Value = d != 0;
    return true;
}

bool StrToBool(const QString &S)
{
    bool v;
    if (!TryStrToBool(S, v))
        throw EConvertError(QStringLiteral("'%1' is not a valid boolean value").arg(S));
    return v;
}

// ---------------------------------------------------------------- numbers

static double RoundHalfEven(double X)
{
    const double f = std::floor(X);
    const double diff = X - f;
    if (diff > 0.5)
        return f + 1;
    if (diff < 0.5)
        return f;
    return std::fmod(f, 2.0) == 0 ? f : f + 1;
}

static qint64 ToInt64(double R)
{
    // 2^63 is the first value that does not fit.
    if (!(R >= -9223372036854775808.0 && R < 9223372036854775808.0))
        throw EInvalidOp(QStringLiteral("Invalid floating point operation"));
    return qint64(R);
}

static int ToInt32(double R)
{
    if (std::isnan(R))
        throw EInvalidOp(QStringLiteral("Invalid floating point operation"));
    if (!(R >= -2147483648.0 && R <= 2147483647.0))
        throw ERangeError(QStringLiteral("Range check error"));
    return int(R);
}

int Round(double X)
{
    return ToInt32(RoundHalfEven(X));
}

qint64 Round64(double X)
{
    return ToInt64(RoundHalfEven(X));
}

int Trunc(double X)
{
    return ToInt32(std::trunc(X));
}

qint64 Trunc64(double X)
{
    return ToInt64(std::trunc(X));
}

double Int(double X)
{
    return std::trunc(X);
}

double Frac(double X)
{
    return X - std::trunc(X);
}

int MulDiv(int A, int B, int C)
{
    if (C == 0)
        return -1;
    const qint64 p = qint64(A) * B;
    qint64 q = p / C;
    const qint64 r = p % C;
    // Halves away from zero, as the system call does.
    if (r != 0 && 2 * (r < 0 ? -r : r) >= (C < 0 ? -qint64(C) : qint64(C)))
        q += ((p < 0) != (C < 0)) ? -1 : 1;
    if (q < std::numeric_limits<int>::min() || q > std::numeric_limits<int>::max())
        return -1;
    return int(q);
}

// ---------------------------------------------------------------- files

QString ExtractFilePath(const QString &FileName)
{
    return FileName.left(FileName.lastIndexOf(QLatin1Char('/')) + 1);
}

QString ExtractFileDir(const QString &FileName)
{
    qsizetype at = FileName.lastIndexOf(QLatin1Char('/'));
    if (at < 0)
        return QString();
    // The root keeps its delimiter.
    return at == 0 ? QStringLiteral("/") : FileName.left(at);
}

QString ExtractFileName(const QString &FileName)
{
    return FileName.mid(FileName.lastIndexOf(QLatin1Char('/')) + 1);
}

static qsizetype ExtensionStart(const QString &FileName)
{
    qsizetype dot = FileName.lastIndexOf(QLatin1Char('.'));
    qsizetype slash = FileName.lastIndexOf(QLatin1Char('/'));
    return dot > slash ? dot : -1;
}

QString ExtractFileExt(const QString &FileName)
{
    qsizetype at = ExtensionStart(FileName);
    return at < 0 ? QString() : FileName.mid(at);
}

QString ChangeFileExt(const QString &FileName, const QString &Extension)
{
    qsizetype at = ExtensionStart(FileName);
    return (at < 0 ? FileName : FileName.left(at)) + Extension;
}

QString IncludeTrailingPathDelimiter(const QString &S)
{
    return S.endsWith(QLatin1Char('/')) ? S : S + QLatin1Char('/');
}

QString ExcludeTrailingPathDelimiter(const QString &S)
{
    return S.endsWith(QLatin1Char('/')) && S.size() > 1 ? S.left(S.size() - 1) : S;
}

bool FileExists(const QString &FileName)
{
    QFileInfo fi(FileName);
    return !FileName.isEmpty() && fi.exists() && !fi.isDir();
}

bool DirectoryExists(const QString &Directory)
{
    return !Directory.isEmpty() && QFileInfo(Directory).isDir();
}

bool DeleteFile(const QString &FileName)
{
    return FileExists(FileName) && QFile::remove(FileName);
}

QString ExpandFileName(const QString &FileName)
{
    if (FileName.isEmpty())
        return QString();
    QString R = QDir::cleanPath(QDir::current().absoluteFilePath(FileName));
    if (FileName.endsWith(QLatin1Char('/')))
        R = IncludeTrailingPathDelimiter(R);
    return R;
}

QString SysErrorMessage(int ErrorCode)
{
    return QString::fromStdString(std::generic_category().message(ErrorCode));
}

// ---------------------------------------------------------------- edit masks

namespace {
struct TMaskElement
{
    bool Slot;
    QChar Literal;
};
}

QString FormatMaskText(const QString &EditMask, const QString &Value)
{
    // Fields are split at ';' not escaped by '\'.
    QStringList fields;
    QString field;
    for (qsizetype i = 0; i < EditMask.size(); ++i) {
        const QChar c = EditMask[i];
        if (c == QLatin1Char('\\') && i + 1 < EditMask.size()) {
            field += c;
            field += EditMask[++i];
        } else if (c == QLatin1Char(';')) {
            fields.append(field);
            field.clear();
        } else {
            field += c;
        }
    }
    fields.append(field);
    const QString mask = fields.first();
    const bool saved = fields.size() < 2 || !fields.at(1).startsWith(QLatin1Char('0'));

    std::vector<TMaskElement> elements;
    bool reverse = false;
    for (qsizetype i = 0; i < mask.size(); ++i) {
        const QChar c = mask[i];
        switch (c.unicode()) {
        case '!':
            reverse = true;
            break;
        case '>':
        case '<':
            break;
        case '\\':
            if (i + 1 < mask.size())
                elements.push_back({false, mask[++i]});
            break;
        case ':':
            elements.push_back({false, FormatSettings.TimeSeparator});
            break;
        case '/':
            elements.push_back({false, FormatSettings.DateSeparator});
            break;
        case '_':
            elements.push_back({false, QLatin1Char(' ')});
            break;
        case 'L': case 'l': case 'A': case 'a': case 'C': case 'c': case '0': case '9': case '#':
            elements.push_back({true, QChar()});
            break;
        default:
            elements.push_back({false, c});
            break;
        }
    }

    const qsizetype n = qsizetype(elements.size());
    if (!reverse) {
        QString result;
        qsizetype off = 0;
        for (const TMaskElement &e : elements) {
            if (e.Slot) {
                result += off < Value.size() ? Value[off++] : QLatin1Char(' ');
            } else {
                if (saved && off < Value.size() && Value[off] == e.Literal)
                    ++off;
                result += e.Literal;
            }
        }
        return result + Value.mid(off);
    }
    QString result;
    qsizetype off = Value.size();
    for (qsizetype k = n - 1; k >= 0; --k) {
        const TMaskElement &e = elements[size_t(k)];
        if (e.Slot) {
            result.prepend(off > 0 ? Value[--off] : QLatin1Char(' '));
        } else {
            if (saved && off > 0 && Value[off - 1] == e.Literal)
                --off;
            result.prepend(e.Literal);
        }
    }
    return Value.left(off) + result;
}
