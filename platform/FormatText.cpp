// Number formatting and parsing: FloatToStr, FloatToStrF, FormatFloat, Format,
// StrToFloat. Decimal digits come from std::to_chars (exact, locale-free);
// rounding to the requested digits is done on those decimal digits, halves
// away from zero, so Format('%.2f', [0.125]) is '0.13'.
#include "SysUtils.h"
#include "Variants.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr int MaxPrecision = 18; // digits the conversions carry
constexpr int NoLimit = 9999;    // no limit on decimals

// value = 0.D1D2..DCount * 10^Exponent; Count 0 means the value is zero
// (after rounding).
struct TFloatRec
{
    int Exponent = 0;
    bool Negative = false;
    int Count = 0;
    char Digits[MaxPrecision + 2] = {};

    char Digit(int i) const { return i >= 0 && i < Count ? Digits[i] : '0'; }
};

// Decimal digits of Value rounded to at most Precision significant digits and
// at most Decimals digits after the decimal point. Currency values are first
// rounded to four decimals.
void FloatToDecimal(TFloatRec &R, double Value, int Precision, int Decimals, bool Currency = false)
{
    R.Negative = std::signbit(Value);
    R.Count = 0;
    R.Exponent = 0;
    if (Value == 0 || !std::isfinite(Value))
        return;
    Precision = std::clamp(Precision, 1, MaxPrecision);

    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(Value),
                             std::chars_format::scientific, MaxPrecision - 1);
    char d[MaxPrecision + 2];
    int n = 0;
    const char *p = buf;
    for (; p < res.ptr && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9' && n < MaxPrecision)
            d[n++] = *p;
    int exp10 = 0;
    if (p < res.ptr) {
        ++p;
        bool neg = *p == '-';
        if (*p == '-' || *p == '+')
            ++p;
        std::from_chars(p, res.ptr, exp10);
        if (neg)
            exp10 = -exp10;
    }
    R.Exponent = exp10 + 1;

    // Rounds the digits to Keep digits, halves up; a carry out of the first
    // digit moves the exponent.
    auto roundAt = [&](int Keep) {
        if (Keep >= n)
            return;
        if (Keep < 0) {
            n = 0;
            return;
        }
        const bool up = d[Keep] >= '5';
        n = Keep;
        if (!up)
            return;
        int i = n - 1;
        while (i >= 0 && d[i] == '9')
            d[i--] = '0';
        if (i < 0) {
            d[0] = '1';
            if (n == 0)
                n = 1;
            ++R.Exponent;
        } else {
            ++d[i];
        }
    };
    // A currency value is exact to four decimals: its digits end there.
    if (Currency)
        roundAt(R.Exponent + 4);
    int keep = Precision;
    if (Decimals < NoLimit)
        keep = std::min(keep, R.Exponent + Decimals);
    roundAt(keep);
    while (n > 0 && d[n - 1] == '0')
        --n;
    R.Count = n;
    std::memcpy(R.Digits, d, n);
}

void AppendDigits(QString &S, quint64 V, int MinDigits = 0)
{
    char buf[24];
    int n = 0;
    do {
        buf[n++] = char('0' + V % 10);
        V /= 10;
    } while (V);
    for (int i = n; i < MinDigits; ++i)
        S += QLatin1Char('0');
    while (n)
        S += QLatin1Char(buf[--n]);
}

void AppendExponent(QString &S, int Exp, int MinDigits, bool PlusSign)
{
    if (Exp < 0)
        S += QLatin1Char('-');
    else if (PlusSign)
        S += QLatin1Char('+');
    AppendDigits(S, quint64(std::abs(Exp)), MinDigits);
}

QString SpecialText(double Value)
{
    if (std::isnan(Value))
        return QStringLiteral("NAN");
    return Value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
}

QString GeneralText(const TFloatRec &R, int Precision, int ExpDigits, const TFormatSettings &FS)
{
    if (R.Count == 0)
        return QStringLiteral("0");
    QString S;
    if (R.Negative)
        S += QLatin1Char('-');
    if (R.Exponent > Precision || R.Exponent < -3) {
        S += QLatin1Char(R.Digits[0]);
        if (R.Count > 1) {
            S += FS.DecimalSeparator;
            for (int i = 1; i < R.Count; ++i)
                S += QLatin1Char(R.Digits[i]);
        }
        S += QLatin1Char('E');
        AppendExponent(S, R.Exponent - 1, ExpDigits, false);
    } else if (R.Exponent <= 0) {
        S += QLatin1Char('0');
        S += FS.DecimalSeparator;
        for (int i = R.Exponent; i < 0; ++i)
            S += QLatin1Char('0');
        for (int i = 0; i < R.Count; ++i)
            S += QLatin1Char(R.Digits[i]);
    } else {
        for (int i = 0; i < R.Exponent; ++i)
            S += QLatin1Char(R.Digit(i));
        if (R.Count > R.Exponent) {
            S += FS.DecimalSeparator;
            for (int i = R.Exponent; i < R.Count; ++i)
                S += QLatin1Char(R.Digits[i]);
        }
    }
    return S;
}

QString ExponentText(const TFloatRec &R, int Precision, int ExpDigits, const TFormatSettings &FS)
{
    QString S;
    if (R.Negative && R.Count > 0)
        S += QLatin1Char('-');
    S += QLatin1Char(R.Digit(0));
    if (Precision > 1) {
        S += FS.DecimalSeparator;
        for (int i = 1; i < Precision; ++i)
            S += QLatin1Char(R.Digit(i));
    }
    S += QLatin1Char('E');
    AppendExponent(S, R.Count ? R.Exponent - 1 : 0, ExpDigits, true);
    return S;
}

// Unsigned fixed-point text with optional thousand separators.
QString FixedText(const TFloatRec &R, int Digits, bool Thousands, const TFormatSettings &FS)
{
    QString S;
    if (R.Count == 0 || R.Exponent <= 0) {
        S += QLatin1Char('0');
    } else {
        for (int i = 0; i < R.Exponent; ++i) {
            S += QLatin1Char(R.Digit(i));
            int rest = R.Exponent - 1 - i;
            if (Thousands && rest > 0 && rest % 3 == 0)
                S += FS.ThousandSeparator;
        }
    }
    if (Digits > 0) {
        S += FS.DecimalSeparator;
        for (int i = 0; i < Digits; ++i)
            S += QLatin1Char(R.Count ? R.Digit(R.Exponent + i) : '0');
    }
    return S;
}

QString CurrencyText(const QString &Num, bool Negative, const TFormatSettings &FS)
{
    const QString &C = FS.CurrencyString;
    const QString sp = QStringLiteral(" ");
    if (!Negative) {
        switch (FS.CurrencyFormat) {
        case 1: return Num + C;
        case 2: return C + sp + Num;
        case 3: return Num + sp + C;
        default: return C + Num;
        }
    }
    switch (FS.NegCurrFormat) {
    case 1: return QLatin1Char('-') + C + Num;
    case 2: return C + QLatin1Char('-') + Num;
    case 3: return C + Num + QLatin1Char('-');
    case 4: return QLatin1Char('(') + Num + C + QLatin1Char(')');
    case 5: return QLatin1Char('-') + Num + C;
    case 6: return Num + QLatin1Char('-') + C;
    case 7: return Num + C + QLatin1Char('-');
    case 8: return QLatin1Char('-') + Num + sp + C;
    case 9: return QLatin1Char('-') + C + sp + Num;
    case 10: return Num + sp + C + QLatin1Char('-');
    case 11: return C + sp + Num + QLatin1Char('-');
    case 12: return C + sp + QLatin1Char('-') + Num;
    case 13: return Num + QLatin1Char('-') + sp + C;
    case 14: return QLatin1Char('(') + C + sp + Num + QLatin1Char(')');
    case 15: return QLatin1Char('(') + Num + sp + C + QLatin1Char(')');
    default: return QLatin1Char('(') + C + Num + QLatin1Char(')');
    }
}

QString FloatToText(double Value, TFloatFormat Format, int Precision, int Digits,
                    const TFormatSettings &FS, bool Currency = false)
{
    if (!std::isfinite(Value))
        return SpecialText(Value);
    Precision = std::clamp(Precision, 1, MaxPrecision);
    TFloatRec R;
    switch (Format) {
    case ffGeneral:
        FloatToDecimal(R, Value, Precision, NoLimit, Currency);
        return GeneralText(R, Precision, std::clamp(Digits, 0, 4), FS);
    case ffExponent:
        FloatToDecimal(R, Value, Precision, NoLimit, Currency);
        return ExponentText(R, Precision, std::clamp(Digits, 0, 4), FS);
    case ffFixed:
    case ffNumber:
    case ffCurrency:
        break;
    }
    Digits = std::clamp(Digits, 0, MaxPrecision);
    FloatToDecimal(R, Value, Precision, Digits, Currency);
    if (R.Exponent > Precision) {
        // Too many integer digits for the precision: general format instead.
        FloatToDecimal(R, Value, Precision, NoLimit, Currency);
        return GeneralText(R, Precision, 0, FS);
    }
    QString Num = FixedText(R, Digits, Format != ffFixed, FS);
    bool negative = R.Negative && R.Count > 0;
    if (Format == ffCurrency)
        return CurrencyText(Num, negative, FS);
    return negative ? QLatin1Char('-') + Num : Num;
}

// ---------------------------------------------------------------- FormatFloat

struct TSectionInfo
{
    int IntPlaces = 0;   // '0' and '#' before the decimal point
    int DecPlaces = 0;   // after it
    int FirstIntZero = -1;
    int LastDecZero = -1;
    bool Thousands = false;
    bool Scientific = false;
    int ExpDigits = 0;
};

bool IsQuote(QChar c)
{
    return c == QLatin1Char('"') || c == QLatin1Char('\'');
}

bool IsExponentAt(QStringView S, qsizetype i)
{
    QChar c = S[i];
    return (c == QLatin1Char('E') || c == QLatin1Char('e')) && i + 1 < S.size() &&
           (S[i + 1] == QLatin1Char('+') || S[i + 1] == QLatin1Char('-'));
}

TSectionInfo ScanSection(QStringView S)
{
    TSectionInfo I;
    bool point = false;
    for (qsizetype i = 0; i < S.size(); ++i) {
        QChar c = S[i];
        if (IsQuote(c)) {
            ++i;
            while (i < S.size() && S[i] != c)
                ++i;
        } else if (c == QLatin1Char('0') || c == QLatin1Char('#')) {
            if (!point) {
                if (c == QLatin1Char('0') && I.FirstIntZero < 0)
                    I.FirstIntZero = I.IntPlaces;
                ++I.IntPlaces;
            } else {
                if (c == QLatin1Char('0'))
                    I.LastDecZero = I.DecPlaces;
                ++I.DecPlaces;
            }
        } else if (c == QLatin1Char('.')) {
            point = true;
        } else if (c == QLatin1Char(',')) {
            I.Thousands = true;
        } else if (!I.Scientific && IsExponentAt(S, i)) {
            I.Scientific = true;
            i += 2;
            while (i < S.size() && S[i] == QLatin1Char('0')) {
                ++I.ExpDigits;
                ++i;
            }
            --i;
        }
    }
    I.ExpDigits = std::min(I.ExpDigits, 4);
    if (I.Scientific)
        I.Thousands = false;
    return I;
}

// Up to three sections, split at ';' outside quotes.
struct TSections
{
    QStringView Part[3];
    int Count = 0;
};

TSections SplitSections(QStringView F)
{
    TSections R;
    qsizetype start = 0;
    for (qsizetype i = 0; i < F.size() && R.Count < 2; ++i) {
        QChar c = F[i];
        if (IsQuote(c)) {
            ++i;
            while (i < F.size() && F[i] != c)
                ++i;
        } else if (c == QLatin1Char(';')) {
            R.Part[R.Count++] = F.mid(start, i - start);
            start = i + 1;
        }
    }
    QStringView last = start <= F.size() ? F.mid(start) : QStringView();
    // The third section ends at a further ';'.
    if (R.Count == 2) {
        for (qsizetype i = 0; i < last.size(); ++i) {
            if (IsQuote(last[i])) {
                QChar q = last[i++];
                while (i < last.size() && last[i] != q)
                    ++i;
            } else if (last[i] == QLatin1Char(';')) {
                last = last.left(i);
                break;
            }
        }
    }
    R.Part[R.Count++] = last;
    return R;
}

QString FormatFloatText(const QString &Format, double Value, const TFormatSettings &FS,
                        bool Currency = false)
{
    if (!std::isfinite(Value))
        return SpecialText(Value);
    const TSections sections = SplitSections(Format);
    const bool hasZero = sections.Count >= 3 && !sections.Part[2].isEmpty();
    int sec = 0;
    if (Value < 0 && sections.Count >= 2 && !sections.Part[1].isEmpty())
        sec = 1;
    else if (Value == 0 && hasZero)
        sec = 2;
    if (sections.Part[sec].isEmpty())
        return FloatToText(Value, ffGeneral, 15, 0, FS);

    TSectionInfo I = ScanSection(sections.Part[sec]);
    TFloatRec R;
    auto convert = [&](double V) {
        if (I.Scientific)
            FloatToDecimal(R, V, std::max(1, I.IntPlaces + I.DecPlaces), NoLimit, Currency);
        else
            FloatToDecimal(R, V, MaxPrecision, I.DecPlaces, Currency);
    };
    convert(Value);
    if (!I.Scientific && R.Exponent > MaxPrecision)
        return FloatToText(Value, ffGeneral, 15, 0, FS);
    if (R.Count == 0 && sec != 2 && hasZero) {
        // Rounded to zero: the zero section shows it.
        sec = 2;
        I = ScanSection(sections.Part[2]);
        convert(0.0);
    }
    const QStringView S = sections.Part[sec];

    // Integer digits, decimal digits and the printed exponent.
    QString intDigits, decDigits;
    int printedExp = 0;
    if (I.Scientific) {
        printedExp = R.Count ? R.Exponent - I.IntPlaces : 0;
        for (int i = 0; i < I.IntPlaces; ++i)
            intDigits += QLatin1Char(R.Digit(i));
        for (int i = 0; i < I.DecPlaces; ++i)
            decDigits += QLatin1Char(R.Digit(I.IntPlaces + i));
    } else {
        for (int i = 0; i < R.Exponent; ++i)
            intDigits += QLatin1Char(R.Digit(i));
        int minInt = I.FirstIntZero >= 0 ? I.IntPlaces - I.FirstIntZero : 0;
        if (intDigits.size() < minInt)
            intDigits.prepend(QString(minInt - intDigits.size(), QLatin1Char('0')));
        for (int i = 0; i < I.DecPlaces; ++i)
            decDigits += QLatin1Char(R.Count ? R.Digit(R.Exponent + i) : '0');
    }
    int shownDec = I.DecPlaces;
    while (shownDec > I.LastDecZero + 1 && decDigits[shownDec - 1] == QLatin1Char('0'))
        --shownDec;

    QString out;
    if (sec == 0 && R.Negative && R.Count > 0)
        out += QLatin1Char('-');
    const int L = int(intDigits.size());
    auto putInt = [&](int pos) {
        out += intDigits[pos];
        int rest = L - 1 - pos;
        if (I.Thousands && rest > 0 && rest % 3 == 0)
            out += FS.ThousandSeparator;
    };
    int intIdx = 0, decIdx = 0;
    bool point = false, intDone = false, expDone = false;
    for (qsizetype i = 0; i < S.size(); ++i) {
        QChar c = S[i];
        if (IsQuote(c)) {
            ++i;
            while (i < S.size() && S[i] != c)
                out += S[i++];
        } else if (c == QLatin1Char('0') || c == QLatin1Char('#')) {
            if (!point) {
                int pos = intIdx - (I.IntPlaces - L);
                if (intIdx == 0)
                    for (int k = 0; k < pos; ++k)
                        putInt(k); // digits beyond the placeholders
                if (pos >= 0)
                    putInt(pos);
                ++intIdx;
                intDone = true;
            } else {
                if (decIdx < shownDec)
                    out += decDigits[decIdx];
                ++decIdx;
            }
        } else if (c == QLatin1Char('.')) {
            if (!point) {
                if (!intDone)
                    for (int k = 0; k < L; ++k)
                        putInt(k);
                intDone = true;
                point = true;
                if (shownDec > 0)
                    out += FS.DecimalSeparator;
            }
        } else if (c == QLatin1Char(',')) {
            // Only switches thousand separators on.
        } else if (!expDone && IsExponentAt(S, i)) {
            expDone = true;
            out += c;
            const bool plus = S[i + 1] == QLatin1Char('+');
            i += 2;
            while (i < S.size() && S[i] == QLatin1Char('0'))
                ++i;
            --i;
            AppendExponent(out, printedExp, I.ExpDigits, plus);
        } else {
            out += c;
        }
    }
    return out;
}

// ---------------------------------------------------------------- Format

[[noreturn]] void FormatError(const QString &Fmt)
{
    throw EConvertError(QStringLiteral("Format '%1' invalid or incompatible with argument").arg(Fmt));
}

QString FormatText(const QString &Fmt, const TVarRec *Args, int Count, const TFormatSettings &FS)
{
    QString out;
    out.reserve(Fmt.size() + 16);
    const QChar *p = Fmt.constData();
    const qsizetype n = Fmt.size();
    qsizetype i = 0;
    int argIndex = 0;

    // Widths and precisions beyond this only ask for memory: they are capped.
    constexpr int MaxWidth = 1 << 16;
    auto readNumber = [&](int &Value) -> bool {
        if (i < n && p[i] == QLatin1Char('*')) {
            // The index may come from "%n:", so both ends are checked.
            if (argIndex < 0 || argIndex >= Count)
                FormatError(Fmt);
            const TVarRec &a = Args[argIndex++];
            if (a.VType == vtInteger)
                Value = std::min(a.VInteger, MaxWidth);
            else if (a.VType == vtInt64 && a.VInt64 >= -2147483647 - 1 && a.VInt64 <= 2147483647)
                Value = std::min(int(a.VInt64), MaxWidth);
            else
                FormatError(Fmt);
            ++i;
            return true;
        }
        if (i < n && p[i].isDigit() && p[i].unicode() < 128) {
            qint64 v = 0;
            while (i < n && p[i].unicode() >= '0' && p[i].unicode() <= '9') {
                v = std::min<qint64>(v * 10 + (p[i].unicode() - '0'), MaxWidth);
                ++i;
            }
            Value = int(v);
            return true;
        }
        return false;
    };

    while (i < n) {
        qsizetype start = i;
        while (i < n && p[i] != QLatin1Char('%'))
            ++i;
        if (i > start)
            out.append(p + start, i - start);
        if (i >= n)
            break;
        ++i; // '%'
        if (i >= n)
            FormatError(Fmt);
        if (p[i] == QLatin1Char('%')) {
            out += QLatin1Char('%');
            ++i;
            continue;
        }
        bool left = false;
        int width = -1, prec = -1, first = -1;
        bool hasFirst = readNumber(first);
        if (hasFirst && i < n && p[i] == QLatin1Char(':')) {
            argIndex = first;
            ++i;
            hasFirst = false;
        }
        if (hasFirst) {
            width = first;
        } else {
            if (i < n && p[i] == QLatin1Char('-')) {
                left = true;
                ++i;
            }
            readNumber(width);
        }
        if (i < n && p[i] == QLatin1Char('.')) {
            ++i;
            if (!readNumber(prec))
                prec = 0;
        }
        if (i >= n || argIndex < 0 || argIndex >= Count)
            FormatError(Fmt);
        const char type = char(p[i].toUpper().unicode() < 128 ? p[i].toUpper().unicode() : 0);
        ++i;
        const TVarRec &a = Args[argIndex++];

        QString s;
        auto floatArg = [&]() -> double {
            if (a.VType != vtExtended && a.VType != vtCurrency)
                FormatError(Fmt);
            return a.VExtended;
        };
        const bool curr = a.VType == vtCurrency;
        switch (type) {
        case 'D': {
            qint64 v;
            if (a.VType == vtInteger)
                v = a.VInteger;
            else if (a.VType == vtInt64)
                v = a.VInt64;
            else
                FormatError(Fmt);
            if (v < 0)
                s += QLatin1Char('-');
            AppendDigits(s, v < 0 ? 0 - quint64(v) : quint64(v), prec);
            break;
        }
        case 'U':
        case 'X': {
            quint64 v;
            if (a.VType == vtInteger)
                v = quint32(a.VInteger);
            else if (a.VType == vtInt64)
                v = quint64(a.VInt64);
            else
                FormatError(Fmt);
            if (type == 'U')
                AppendDigits(s, v, prec);
            else
                s = IntToHex64(v, prec);
            break;
        }
        case 'E':
            s = FloatToText(floatArg(), ffExponent, prec < 0 || prec > MaxPrecision ? 15 : prec, 3, FS, curr);
            break;
        case 'F':
            s = FloatToText(floatArg(), ffFixed, MaxPrecision, prec < 0 ? 2 : prec, FS, curr);
            break;
        case 'G':
            s = FloatToText(floatArg(), ffGeneral, prec < 0 || prec > MaxPrecision ? 15 : prec, 3, FS, curr);
            break;
        case 'N':
            s = FloatToText(floatArg(), ffNumber, MaxPrecision, prec < 0 ? 2 : prec, FS, curr);
            break;
        case 'M':
            s = FloatToText(floatArg(), ffCurrency, MaxPrecision, prec < 0 ? FS.CurrencyDecimals : prec, FS, curr);
            break;
        case 'S':
            switch (a.VType) {
            case vtChar: case vtWideChar: case vtString: case vtPChar: case vtPWideChar:
            case vtAnsiString: case vtWideString: case vtUnicodeString:
                s = a.VString;
                break;
            case vtVariant:
                // Text by the variant's own rules; one with no text (Null, an
                // array, an object) does not suit '%s'.
                if (!a.VPointer)
                    FormatError(Fmt);
                try {
                    s = static_cast<const Variant *>(a.VPointer)->AsString();
                } catch (const EVariantError &) {
                    FormatError(Fmt);
                }
                break;
            default:
                FormatError(Fmt);
            }
            if (prec >= 0 && prec < s.size())
                s.truncate(prec);
            break;
        case 'P':
            if (a.VType != vtPointer && a.VType != vtObject)
                FormatError(Fmt);
            s = IntToHex64(quint64(reinterpret_cast<quintptr>(a.VPointer)), int(2 * sizeof(void *)));
            break;
        default:
            FormatError(Fmt);
        }
        if (width > s.size()) {
            QString pad(width - s.size(), QLatin1Char(' '));
            s = left ? s + pad : pad + s;
        }
        out += s;
    }
    return out;
}

bool TextToFloat(const QString &S, double &Value, const TFormatSettings &FS)
{
    const QChar *p = S.constData();
    const qsizetype n = S.size();
    qsizetype i = 0;
    while (i < n && p[i] == QLatin1Char(' '))
        ++i;
    // An ASCII copy of the number in the form from_chars reads.
    char buf[400];
    int b = 0;
    bool negative = false;
    if (i < n && (p[i] == QLatin1Char('-') || p[i] == QLatin1Char('+')))
        negative = p[i++] == QLatin1Char('-');
    auto isDigit = [&](qsizetype k) { return k < n && p[k].unicode() >= '0' && p[k].unicode() <= '9'; };
    int digits = 0;
    auto putDigit = [&](char c) {
        if (b < int(sizeof buf) - 40)
            buf[b++] = c;
    };
    // Leading zeros carry no value; dropping them keeps long inputs in the buffer.
    while (isDigit(i) && p[i] == QLatin1Char('0') && isDigit(i + 1)) {
        ++i;
        ++digits;
    }
    int intDigits = 0;
    while (isDigit(i)) {
        if (b < 300)
            putDigit(char(p[i].unicode()));
        else
            ++intDigits; // beyond what a double can tell apart: scale instead
        ++i;
        ++digits;
    }
    if (i < n && p[i] == FS.DecimalSeparator) {
        ++i;
        putDigit('.');
        while (isDigit(i)) {
            putDigit(char(p[i].unicode()));
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    long exponent = intDigits;
    if (i < n && (p[i] == QLatin1Char('E') || p[i] == QLatin1Char('e'))) {
        ++i;
        bool expNeg = false;
        if (i < n && (p[i] == QLatin1Char('-') || p[i] == QLatin1Char('+')))
            expNeg = p[i++] == QLatin1Char('-');
        if (!isDigit(i))
            return false;
        long e = 0;
        while (isDigit(i)) {
            e = std::min(e * 10 + (p[i].unicode() - '0'), 100000L);
            ++i;
        }
        exponent += expNeg ? -e : e;
    }
    while (i < n && p[i] == QLatin1Char(' '))
        ++i;
    if (i != n)
        return false;
    if (b == 0 || (b == 1 && buf[0] == '.'))
        buf[b++] = '0';
    if (exponent != 0) {
        buf[b++] = 'e';
        auto r = std::to_chars(buf + b, buf + sizeof buf, exponent);
        b = int(r.ptr - buf);
    }
    double v = 0;
    auto r = std::from_chars(buf, buf + b, v);
    if (r.ec == std::errc::result_out_of_range) {
        if (exponent > 0) {
            // FloatToStr rounds the largest doubles up to 15 digits
            // ("1.79769313486232E308"): such a text still means the largest.
            long double wide = 0;
            auto w = std::from_chars(buf, buf + b, wide);
            if (w.ec != std::errc() || w.ptr != buf + b || wide > 1.79769313486232e308L)
                return false;
            v = std::numeric_limits<double>::max();
        } else {
            v = 0; // below the smallest double
        }
    } else if (r.ec != std::errc() || r.ptr != buf + b) {
        return false;
    }
    Value = negative ? -v : v;
    return true;
}

} // namespace

double StrToFloat(const QString &S)
{
    double v;
    if (!TextToFloat(S, v, FormatSettings))
        throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(S));
    return v;
}

double StrToFloatDef(const QString &S, double Default)
{
    double v;
    return TextToFloat(S, v, FormatSettings) ? v : Default;
}

bool TryStrToFloat(const QString &S, double &Value)
{
    return TextToFloat(S, Value, FormatSettings);
}

QString FloatToStr(double Value)
{
    return FloatToText(Value, ffGeneral, 15, 0, FormatSettings);
}

QString FloatToStrF(double Value, TFloatFormat Format, int Precision, int Digits)
{
    return FloatToText(Value, Format, Precision, Digits, FormatSettings);
}

QString FormatFloat(const QString &Format, double Value)
{
    return FormatFloatText(Format, Value, FormatSettings);
}


QString CurrToStr(double Value)
{
    if (!std::isfinite(Value))
        return SpecialText(Value);
    TFloatRec R;
    FloatToDecimal(R, Value, MaxPrecision, NoLimit, true);
    return GeneralText(R, MaxPrecision, 0, FormatSettings);
}

QString FormatCurr(const QString &Format, double Value)
{
    return FormatFloatText(Format, Value, FormatSettings, true);
}

QString Format(const QString &Fmt, std::initializer_list<TVarRec> Args)
{
    return FormatText(Fmt, Args.begin(), int(Args.size()), FormatSettings);
}

QString Format(const QString &Fmt, const std::vector<TVarRec> &Args)
{
    return FormatText(Fmt, Args.data(), int(Args.size()), FormatSettings);
}
