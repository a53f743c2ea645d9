// Implementation of the script engine's character-level scanner.
#include "kw_iparser.h"
#include "Classes.h"
#include <algorithm>

static inline bool IsDigit(char16_t C) { return C >= '0' && C <= '9'; }

static inline bool IsHexDigit(char16_t C)
{
    return IsDigit(C) || (C >= 'A' && C <= 'F') || (C >= 'a' && C <= 'f');
}

static inline int HexValue(char16_t C)
{
    if (IsDigit(C))
        return C - '0';
    if (C >= 'A' && C <= 'F')
        return C - 'A' + 10;
    return C - 'a' + 10;
}

// Printable ASCII outside letters and digits.
static inline bool IsPunctuation(char16_t C)
{
    return (C >= 33 && C <= 47) || (C >= 58 && C <= 64) || (C >= 91 && C <= 96) || (C >= 123 && C <= 126);
}

TkwParser::TkwParser()
{
    SetDefaults();
    FYList.append(0);
}

void TkwParser::SetDefaults()
{
    FKeywords.clear();
    FKeywordsExact.clear();
    FKeywordsLower.clear();
    FCaseSensitive = false;
    SetCommentBlock1(QStringLiteral("{,}"));
    SetCommentBlock2(QStringLiteral("(*,*)"));
    FCommentLine1 = QStringLiteral("//");
    FCommentLine2.clear();
    FHexSequence = QStringLiteral("$");
    FIdentifierCharset.reset();
    AddIdentChars('0', '9');
    AddIdentChars('A', 'Z');
    AddIdentChars('a', 'z');
    AddIdentChars('_', '_');
    FSkipChar.clear();
    FSkipEOL = true;
    FSkipSpace = true;
    FStringQuotes = QStringLiteral("'");
    FUseY = true;
    FSpecStrChar = false;
    UpdateCommentStarts();
}

void TkwParser::SplitPair(const QString &Value, QString &Open, QString &Close)
{
    TStringList parts;
    parts.SetDelimiter(QLatin1Char(','));
    parts.SetQuoteChar(QLatin1Char('"'));
    parts.SetDelimitedText(Value);
    Open = parts.Count() > 0 ? parts.Strings(0) : QString();
    Close = parts.Count() > 1 ? parts.Strings(1) : QString();
}

void TkwParser::SetCommentBlock1(const QString &Value)
{
    FCommentBlock1 = Value;
    SplitPair(Value, FCommentBlock1Open, FCommentBlock1Close);
    UpdateCommentStarts();
}

void TkwParser::SetCommentBlock2(const QString &Value)
{
    FCommentBlock2 = Value;
    SplitPair(Value, FCommentBlock2Open, FCommentBlock2Close);
    UpdateCommentStarts();
}

void TkwParser::UpdateCommentStarts()
{
    FCommentStarts.clear();
    for (const QString *s : {&FCommentLine1, &FCommentLine2, &FCommentBlock1Open, &FCommentBlock2Open})
        if (!s->isEmpty())
            FCommentStarts += s->at(0);
}

void TkwParser::SetIdentChars(const QString &Value)
{
    FIdentifierCharset.reset();
    for (const QChar c : Value)
        if (c.unicode() != 0) // the end of the text must stop every scan
            FIdentifierCharset.set(c.unicode());
}

void TkwParser::AddIdentChars(char16_t First, char16_t Last)
{
    for (unsigned c = std::max<unsigned>(First, 1); c <= Last; ++c)
        FIdentifierCharset.set(c);
}

QStringList TkwParser::Keywords() const
{
    QStringList r = FKeywords;
    std::sort(r.begin(), r.end(), [](const QString &a, const QString &b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return r;
}

void TkwParser::AddKeyword(const QString &Word)
{
    FKeywords.append(Word);
    FKeywordsExact.insert(std::lower_bound(FKeywordsExact.begin(), FKeywordsExact.end(), Word), Word);
    const QString lower = Word.toLower();
    FKeywordsLower.insert(std::lower_bound(FKeywordsLower.begin(), FKeywordsLower.end(), lower), lower);
}

bool TkwParser::IsKeyWord(const QString &Word) const
{
    // Binary search without building a lower-cased copy of every word read.
    const QStringList &list = FCaseSensitive ? FKeywordsExact : FKeywordsLower;
    const Qt::CaseSensitivity cs = FCaseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    int lo = 0, hi = int(list.size()) - 1;
    while (lo <= hi) {
        const int mid = (lo + hi) / 2;
        const int c = QStringView(list[mid]).compare(Word, cs);
        if (c == 0)
            return true;
        if (c < 0)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    return false;
}

void TkwParser::SetText(const QString &Value)
{
    FText = Value;
    FSize = int(Value.size());
    FPosition = FLastPosition = 1;
    if (FUseY) {
        FYList.clear();
        FYList.append(0);
        const QChar *t = FText.constData();
        for (int i = 0; i < FSize; ++i)
            if (t[i].unicode() == 10)
                FYList.append(i + 1);
    }
}

QString TkwParser::GetXYPosition() const
{
    auto it = std::lower_bound(FYList.begin(), FYList.end(), FPosition);
    int line = int(it - FYList.begin());
    if (line < 1)
        line = 1;
    const int column = FPosition - FYList[line - 1];
    return QString::number(line) + QLatin1Char(':') + QString::number(column);
}

int TkwParser::GetPlainPosition(int X, int Y) const
{
    if (Y - 1 < 0 || Y - 1 >= FYList.size())
        return -1;
    return FYList[Y - 1] + X;
}

bool TkwParser::TextAt(int P, const QString &S) const
{
    const int n = int(S.size());
    if (n == 0 || P < 1 || P + n - 1 > FSize)
        return false;
    return QStringView(FText).mid(P - 1, n) == S;
}

void TkwParser::SkipSpaces()
{
    // Line continuations nest: each continuation character waits for the
    // blanks after it, then swallows one run of line ends.
    int pendingEOL = 0;
    for (;;) {
        while (FPosition <= FSize && IsBlank(Ch(FPosition)))
            ++FPosition;
        if (FPosition <= FSize && !FSkipChar.isEmpty() && Ch(FPosition) == FSkipChar[0].unicode()) {
            ++FPosition;
            ++pendingEOL;
            continue;
        }
        if (FPosition < FSize && FCommentStarts.contains(QChar(Ch(FPosition)))) {
            const bool line1 = TextAt(FPosition, FCommentLine1);
            const bool line2 = !line1 && TextAt(FPosition, FCommentLine2);
            if (line1 || line2) {
                // With significant line ends a comment after code leaves its
                // line end as a token; a line holding only a comment vanishes.
                const bool stopAtCR = FPosition > 1 && Ch(FPosition - 1) != 10 && !FSkipEOL;
                while (FPosition <= FSize) {
                    const char16_t c = Ch(FPosition);
                    if (c == 10 || (stopAtCR && c == 13))
                        break;
                    ++FPosition;
                }
                continue;
            }
            const QString *open = nullptr, *close = nullptr;
            if (!FCommentBlock1.isEmpty() && TextAt(FPosition, FCommentBlock1Open)) {
                open = &FCommentBlock1Open;
                close = &FCommentBlock1Close;
            } else if (!FCommentBlock2.isEmpty() && TextAt(FPosition, FCommentBlock2Open)) {
                open = &FCommentBlock2Open;
                close = &FCommentBlock2Close;
            }
            if (open) {
                // An unclosed comment (or one without a closer) runs to the
                // end of the text, and never past it.
                FPosition += int(open->size());
                while (FPosition <= FSize && !TextAt(FPosition, *close))
                    ++FPosition;
                FPosition = std::min(FPosition + int(close->size()), FSize + 1);
                continue;
            }
        }
        if (pendingEOL > 0) {
            --pendingEOL;
            if (Ch(FPosition) == 10 || Ch(FPosition) == 13)
                while (Ch(FPosition) == 10 || Ch(FPosition) == 13)
                    ++FPosition;
            continue;
        }
        break;
    }
    FLastPosition = FPosition;
}

bool TkwParser::GetEOL()
{
    SkipSpaces();
    char16_t c = Ch(FPosition);
    if (c != 10 && c != 13)
        return false;
    while (c == 10 || c == 13)
        c = Ch(++FPosition);
    return true;
}

QString TkwParser::GetChar()
{
    const char16_t c = Ch(FPosition);
    if (!IsPunctuation(c))
        return QString();
    ++FPosition;
    return QString(QChar(c));
}

QString TkwParser::GetWord()
{
    if (FSkipSpace)
        SkipSpaces();
    const char16_t c = Ch(FPosition);
    if (!FIdentifierCharset.test(c) || IsDigit(c))
        return QString();
    const int start = FPosition;
    while (FIdentifierCharset.test(Ch(FPosition)))
        ++FPosition;
    return FText.mid(start - 1, FPosition - start);
}

bool TkwParser::GetCharIf(QChar C)
{
    const char16_t c = Ch(FPosition);
    if (c != C.unicode() || !IsPunctuation(c))
        return false;
    ++FPosition;
    return true;
}

int TkwParser::WordEnd()
{
    if (FSkipSpace)
        SkipSpaces();
    const char16_t c = Ch(FPosition);
    if (!FIdentifierCharset.test(c) || IsDigit(c))
        return FPosition;
    int p = FPosition;
    while (FIdentifierCharset.test(Ch(p)))
        ++p;
    return p;
}

QString TkwParser::GetIdent()
{
    QString w = GetWord();
    if (!w.isEmpty() && IsKeyWord(w))
        return QString();
    return w;
}

// HexSequence and at least one hexadecimal digit, or at least one decimal
// digit. P moves past it only on success.
bool TkwParser::ReadIntPart(int &P) const
{
    int q = P;
    if (TextAt(q, FHexSequence)) {
        q += int(FHexSequence.size());
        if (!IsHexDigit(Ch(q)))
            return false;
        while (IsHexDigit(Ch(q)))
            ++q;
    } else {
        if (!IsDigit(Ch(q)))
            return false;
        while (IsDigit(Ch(q)))
            ++q;
    }
    P = q;
    return true;
}

QString TkwParser::GetNumber()
{
    if (FSkipSpace)
        SkipSpaces();
    const int start = FPosition;
    int end = -1;
    int q = start;
    if (ReadIntPart(q)) {
        bool failed = false;
        if (Ch(q) == '.') {
            if (IsDigit(Ch(q + 1))) {
                ++q;
                while (IsDigit(Ch(q)))
                    ++q;
            } else {
                failed = true; // "1..5" is 1 followed by two dots
            }
        }
        if (!failed) {
            if (Ch(q) == 'E' || Ch(q) == 'e') {
                int r = q + 1;
                if (Ch(r) == '+' || Ch(r) == '-')
                    ++r;
                if (IsDigit(Ch(r))) {
                    while (IsDigit(Ch(r)))
                        ++r;
                    q = r;
                }
            }
            end = q;
        }
    }
    if (end < 0) {
        q = start;
        if (ReadIntPart(q))
            end = q;
    }
    if (end < 0) {
        FPosition = start;
        return QString();
    }
    FPosition = end;
    QString token = FText.mid(start - 1, end - start);
    if (FHexSequence != QLatin1String("$") && !FHexSequence.isEmpty())
        token.replace(FHexSequence, QStringLiteral("$"));
    return token;
}

bool TkwParser::ReadQuotedPiece(int &P, QString &Out) const
{
    if (FStringQuotes.isEmpty())
        return false;
    const char16_t quote = FStringQuotes[0].unicode();
    if (Ch(P) != quote || P > FSize)
        return false;
    QString piece;
    int q = P + 1;
    for (;;) {
        if (q > FSize)
            return false;
        const char16_t c = Ch(q);
        if (FSpecStrChar && c == '\\') {
            if (q + 1 > FSize)
                return false; // a backslash at the very end escapes nothing
            const char16_t e = Ch(q + 1);
            q += 2;
            if (e == 'n' || e == 'N') {
                piece += QChar(10);
            } else if (e == 'r' || e == 'R') {
                piece += QChar(13);
            } else if (e == 'x' || e == 'X') {
                if (IsHexDigit(Ch(q))) {
                    unsigned v = 0;
                    while (IsHexDigit(Ch(q)))
                        v = ((v << 4) | unsigned(HexValue(Ch(q++)))) & 0xFFFF;
                    piece += QChar(char16_t(v));
                }
            } else {
                piece += QChar(e);
            }
            continue;
        }
        if (c == quote) {
            if (!FSpecStrChar && Ch(q + 1) == quote) {
                piece += QChar(quote);
                q += 2;
                continue;
            }
            P = q + 1;
            Out += piece;
            return true;
        }
        if (c < 32 && c != 9)
            return false; // a string does not span a line end
        piece += QChar(c);
        ++q;
    }
}

bool TkwParser::ReadCharCode(int &P, QString &Out) const
{
    if (Ch(P) != '#')
        return false;
    int q = P + 1;
    const int digits = TextAt(q, FHexSequence) ? q + int(FHexSequence.size()) : q;
    const bool hex = digits != q;
    if (!ReadIntPart(q))
        return false;
    unsigned v = 0;
    for (int i = digits; i < q; ++i)
        v = (hex ? (v << 4) | unsigned(HexValue(Ch(i))) : v * 10 + unsigned(Ch(i) - '0')) & 0xFFFF;
    Out += QChar(char16_t(v));
    P = q;
    return true;
}

QString TkwParser::GetString()
{
    if (FSkipSpace)
        SkipSpaces();
    QString text;
    int pieces = 0;
    int p = FPosition;
    for (;;) {
        if (ReadQuotedPiece(p, text) || ReadCharCode(p, text))
            ++pieces;
        else
            break;
    }
    if (pieces == 0)
        return QString();
    FPosition = p;
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

QString TkwParser::GetBracketText()
{
    const int start = FPosition;
    int depth = 1;
    bool single = false, dbl = false;
    int p = start;
    while (p <= FSize) {
        const char16_t c = Ch(p);
        if (c == '"' && !single) {
            dbl = !dbl;
        } else if (c == '\'' && !dbl) {
            single = !single;
        } else if (!single && !dbl) {
            if (c == '<' || c == '[') {
                ++depth;
            } else if (c == '>' || c == ']') {
                if (--depth == 0)
                    break;
            }
        }
        ++p;
    }
    FPosition = p;
    return FText.mid(start - 1, p - start);
}
