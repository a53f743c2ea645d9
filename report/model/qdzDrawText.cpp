// Implementation of layout and drawing of memo text.
#include "report/model/qdzDrawText.h"

#include "platform/Graphics.h"
#include "platform/SysUtils.h"
#include "report/model/qdzWideStrings.h"

#include <QCoreApplication>
#include <QPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <mutex>
#include <numbers>

namespace {

constexpr double K = double(TqdzDrawText::DefPPI) / TqdzDrawText::ScrPPI;

std::recursive_mutex &DrawTextLock()
{
    static std::recursive_mutex m;
    return m;
}

bool IsBlank(QChar C)
{
    return C == QLatin1Char(' ') || C.unicode() == 160;
}

// Positions on a canvas stay well inside int, whatever a text adds up to.
constexpr double MaxCanvasCoord = 1e9;

int CanvasRound(double X)
{
    return std::isfinite(X) ? Round(std::clamp(X, -MaxCanvasCoord, MaxCanvasCoord)) : 0;
}

quint8 StyleBits(TFontStyles S)
{
    return quint8(S.ToInt() & 0x0F);
}

} // namespace

// ------------------------------------------------------------------ tag lines

void TqdzHTMLTags::AssignRange(const TqdzHTMLTags &Source, int From, int To)
{
    From = std::clamp(From, 0, Source.Count());
    To = std::clamp(To, From, Source.Count());
    FItems.assign(Source.FItems.begin() + From, Source.FItems.begin() + To);
}

void TqdzHTMLTagsList::SetDefaults(TColor AColor, int ASize, quint8 AStyle)
{
    DefColor = Color = AColor;
    DefSize = Size = ASize;
    DefStyle = Style = AStyle;
    AddY = 0;
    DontWrap = false;
    Position = 1;
    FLines.clear();
}

TqdzHTMLTags *TqdzHTMLTagsList::NewLine()
{
    FLines.push_back(std::make_unique<TqdzHTMLTags>());
    return FLines.back().get();
}

void TqdzHTMLTagsList::Insert(int Index, std::unique_ptr<TqdzHTMLTags> Line)
{
    Index = std::clamp(Index, 0, Count());
    FLines.insert(FLines.begin() + Index, std::move(Line));
}

void TqdzHTMLTagsList::Delete(int Index)
{
    if (Index >= 0 && Index < Count())
        FLines.erase(FLines.begin() + Index);
}

// One tag at S[I] == '<'; on success I is moved past its '>'.
bool TqdzHTMLTagsList::ParseTag(const QString &S, int &I)
{
    const int close = S.indexOf(QLatin1Char('>'), I + 1);
    if (close < 0)
        return false;
    const QString body = S.mid(I + 1, close - I - 1).toUpper();
    auto styleBit = [](const QString &L) -> quint8 {
        if (L == QLatin1String("B")) return 1;
        if (L == QLatin1String("I")) return 2;
        if (L == QLatin1String("U")) return 4;
        return 0;
    };
    bool done = true;
    if (quint8 bit = styleBit(body)) {
        Style |= bit;
    } else if (body.startsWith(QLatin1Char('/')) && styleBit(body.mid(1))) {
        Style &= quint8(~styleBit(body.mid(1)));
    } else if (body == QLatin1String("SUB") || body == QLatin1String("SUP")) {
        Size = Round(DefSize / 1.5);
        AddY = body == QLatin1String("SUB") ? 1 : 0;
    } else if (body == QLatin1String("/SUB") || body == QLatin1String("/SUP")) {
        Size = DefSize;
        AddY = 0;
    } else if (body == QLatin1String("NOWRAP")) {
        DontWrap = true;
    } else if (body == QLatin1String("/NOWRAP")) {
        DontWrap = false;
    } else if (body == QLatin1String("STRIKE")) {
        Style |= 8;
    } else if (body == QLatin1String("/STRIKE")) {
        Style &= quint8(~8);
    } else if (body == QLatin1String("/FONT")) {
        Color = DefColor;
    } else if (body.startsWith(QLatin1String("FONT COLOR"))) {
        QString rest = body.mid(10).trimmed();
        if (!rest.startsWith(QLatin1Char('=')))
            return false;
        // The value as written (not upper-cased) after the blanks.
        const QString raw = S.mid(I + 1, close - I - 1);
        const int eq = raw.indexOf(QLatin1Char('='));
        const QString value = raw.mid(eq + 1).trimmed();
        TColor c = clBlack;
        if (value.size() >= 4 && value.startsWith(QLatin1String("\"#")) && value.endsWith(QLatin1Char('"'))) {
            const QString hex = value.mid(2, value.size() - 3);
            bool ok = hex.size() == 6;
            const uint rgb = ok ? hex.toUInt(&ok, 16) : 0;
            if (!ok)
                return false;
            c = RGB(int((rgb >> 16) & 0xFF), int((rgb >> 8) & 0xFF), int(rgb & 0xFF));
        } else if (!IdentToColor(QStringLiteral("cl") + value, c)) {
            return false;
        }
        Color = c;
    } else {
        done = false;
    }
    if (done)
        I = close + 1;
    return done;
}

void TqdzHTMLTagsList::ExpandHTMLTags(QString &S, TqdzHTMLTags *Line)
{
    TqdzHTMLTags *line = Line ? Line : FLines.empty() ? NewLine() : FLines.back().get();
    const int start = Position;
    QString out;
    out.reserve(S.size());
    TqdzHTMLTag prev;
    prev.Size = DefSize;
    prev.Style = DefStyle;
    prev.Color = DefColor;
    auto addTag = [&](int Pos) {
        TqdzHTMLTag t;
        t.Position = Pos;
        t.Size = Size;
        t.AddY = AddY;
        t.Style = Style;
        t.Color = Color;
        t.DontWrap = DontWrap;
        t.Small = Size != DefSize;
        t.Default = t.Size == prev.Size && t.Style == prev.Style && t.Color == prev.Color
                    && t.AddY == prev.AddY && t.DontWrap == prev.DontWrap;
        line->Add(t);
        prev = t;
    };
    int i = 0;
    while (i < S.size()) {
        if (AllowTags && S[i] == QLatin1Char('<') && ParseTag(S, i))
            continue;
        addTag(start + i);
        out += S[i];
        ++i;
    }
    if (out.isEmpty()) {
        addTag(start);
        out = QStringLiteral(" ");
    }
    Position = start + int(S.size());
    S = out;
}

// ------------------------------------------------------------------ layout object

TqdzDrawText::TqdzDrawText()
    : FMeasureBitmap(std::make_unique<TBitmap>()), FHTMLTags(std::make_unique<TqdzHTMLTagsList>()),
      FText(std::make_unique<TWideStrings>())
{
    FMeasureCanvas = FMeasureBitmap->Canvas();
    FMeasureCanvas->Font()->SetName(QStringLiteral("Arial"));
    FMeasureCanvas->Font()->SetHeight(-Round(10 * DefPPI / 72.0));
    FExtents.reserve(1024);
    FWidths.reserve(1024);
    FCanvasWidths.reserve(1024);
}

TqdzDrawText::~TqdzDrawText() = default;

TFont *TqdzDrawText::MeasureFont() const
{
    return FMeasureCanvas->Font();
}

void TqdzDrawText::Lock()
{
    DrawTextLock().lock();
}

void TqdzDrawText::Unlock()
{
    DrawTextLock().unlock();
}

void TqdzDrawText::SetFont(TFont *Font)
{
    if (!Font)
        return;
    FFontSize = Font->Size();
    TFont *m = MeasureFont();
    if (m->Name() != Font->Name())
        m->SetName(Font->Name());
    if (m->Style() != Font->Style())
        m->SetStyle(Font->Style());
    if (m->Charset() != Font->Charset())
        m->SetCharset(Font->Charset());
    if (m->Color() != Font->Color())
        m->SetColor(Font->Color());
    const int h = -Round(FFontSize * DefPPI / 72.0);
    if (m->Height() != h)
        m->SetHeight(h);
}

void TqdzDrawText::SetOptions(bool WordWrap, bool HTMLTags, int Rotation, bool Wysiwyg, bool Clipped,
                              bool WordBreak, bool RTLReading)
{
    FWordWrap = WordWrap;
    FHTMLTags->AllowTags = HTMLTags;
    FRotation = ((Rotation % 360) + 360) % 360;
    FWysiwyg = Wysiwyg;
    FWordBreak = WordBreak;
    FRTLReading = RTLReading;
    FOptions = 0;
    if (RTLReading)
        FOptions |= ETO_RTLREADING;
    if (Clipped)
        FOptions |= ETO_CLIPPED;
}

void TqdzDrawText::SetGaps(double LineSpacing, double CharSpacing, double ParagraphGap)
{
    FLineSpacing = LineSpacing;
    FCharSpacing = CharSpacing;
    FParagraphGap = ParagraphGap;
}

void TqdzDrawText::SetDimensions(double ScaleX, double ScaleY, double PrintScale, const TRect &OriginalRect,
                                 const TRect &ScaledRect)
{
    FScaleX = ScaleX;
    FScaleY = ScaleY;
    FPrintScale = PrintScale;
    FOriginalRect = OriginalRect;
    FScaledRect = ScaledRect;
}

void TqdzDrawText::SetText(TWideStrings *Lines)
{
    FPlainText.clear();
    FText->Clear();
    FFlags.clear();
    FHTMLTags->Clear();
    if (!Lines || Lines->Count() == 0)
        return;
    TFont *m = MeasureFont();
    const TFontStyles savedStyle = m->Style();
    FHTMLTags->SetDefaults(m->Color(), FFontSize, StyleBits(savedStyle));
    const bool across = (FRotation >= 90 && FRotation <= 179) || (FRotation >= 270 && FRotation <= 359);
    // The rectangle is in target pixels; wrapping is done in report units so
    // that every zoom and the printer break the lines alike.
    double avail = across ? FScaledRect.Height() : FScaledRect.Width();
    const double scale = across ? FScaleY : FScaleX;
    if (scale > 0)
        avail /= scale;
    const int maxWidth = Round(avail * K);
    for (int i = 0; i < Lines->Count(); ++i) {
        const QString line = Lines->Get(i);
        FPlainText += line + QStringLiteral("\r\n");
        const int first = FText->Count();
        WrapLine(line, maxWidth);
        FHTMLTags->Position += 2; // CR LF
        if (FText->Count() > first) {
            FFlags[size_t(first)] |= 1;
            FFlags.back() |= 2;
        }
    }
    if (m->Style() != savedStyle)
        m->SetStyle(savedStyle);
}

void TqdzDrawText::SetParaBreaks(bool FirstParaBreak, bool LastParaBreak)
{
    if (FFlags.empty())
        return;
    if (FirstParaBreak)
        FFlags.front() &= ~1;
    if (LastParaBreak)
        FFlags.back() &= ~2;
}

void TqdzDrawText::AddLine(const QString &S, std::unique_ptr<TqdzHTMLTags> Tags, int Flags)
{
    FText->Add(S);
    FFlags.push_back(Flags);
    if (Tags)
        FHTMLTags->Insert(FHTMLTags->Count(), std::move(Tags));
}

QString TqdzDrawText::ThroughCharset(const QString &S) const
{
    const int charset = MeasureFont()->Charset();
    if (charset == 1 || FUseDefaultCharset || S.isEmpty())
        return S;
    try {
        QString r = AnsiToWide(WideToAnsi(S, charset), charset);
        if (r.size() == S.size())
            return r;
        // One character for each code unit, so that widths and tags stay
        // in step with the text.
        r.clear();
        r.reserve(S.size());
        for (QChar c : S) {
            const QString one = c.isSurrogate() ? QString() : AnsiToWide(WideToAnsi(QString(c), charset), charset);
            r += one.size() == 1 ? one[0] : QLatin1Char('?');
        }
        return r;
    } catch (const Exception &) {
        return S;
    }
}

void TqdzDrawText::MeasureLine(const QString &Source, const TqdzHTMLTags *Tags, std::vector<int> &Widths)
{
    const QString S = ThroughCharset(Source);
    const int n = int(S.size());
    Widths.resize(size_t(n));
    const int cs = Round(FCharSpacing * K);
    TFont *m = MeasureFont();
    const TFontStyles fontStyle = m->Style();
    const bool tagged = Tags && Tags->Count() >= n;
    int i = 0;
    while (i < n) {
        int j = n;
        if (tagged) {
            const quint8 st = Tags->Items(i).Style;
            j = i + 1;
            while (j < n && Tags->Items(j).Style == st)
                ++j;
            const TFontStyles want = TFontStyles::FromInt(st);
            if (m->Style() != want)
                m->SetStyle(want);
        }
        FMeasureCanvas->GetTextExtents(QStringView(S).mid(i, j - i).toString(), FExtents);
        int prev = 0;
        for (int k = 0; k < j - i; ++k) {
            int w = FExtents[size_t(k)] - prev;
            prev = FExtents[size_t(k)];
            if (tagged && Tags->Items(i + k).Small)
                w = Round(w / 1.5);
            Widths[size_t(i + k)] = w + cs;
        }
        i = j;
    }
    if (m->Style() != fontStyle)
        m->SetStyle(fontStyle);
}

void TqdzDrawText::WrapLine(QString S, int MaxWidth)
{
    // The tags of the whole source line; each wrapped line takes a copy of
    // its own range, so a long paragraph costs time in proportion to its
    // length.
    auto all = std::make_unique<TqdzHTMLTags>();
    FHTMLTags->ExpandHTMLTags(S, all.get());
    if (!FWordWrap || S.size() < 2) {
        AddLine(S, std::move(all), 0);
        return;
    }
    MeasureLine(S, all.get(), FWidths);
    const int n = int(S.size());
    auto piece = [&all](int From, int To) {
        auto t = std::make_unique<TqdzHTMLTags>();
        t->AssignRange(*all, From, To);
        return t;
    };
    QString upper;
    std::vector<int> vowels, wordEnds;
    std::vector<long long> sums;
    bool hyphenReady = false;
    int start = 0;
    while (start < n) {
        int acc = 0;
        int over = -1;
        for (int i = start; i < n; ++i) {
            acc += FWidths[size_t(i)];
            if (acc > MaxWidth && i > start) {
                over = i;
                break;
            }
        }
        if (over < 0) {
            if (start == 0)
                AddLine(S, std::move(all), 0);
            else
                AddLine(S.mid(start), piece(start, n), 0);
            return;
        }
        // Last blank outside a no-wrap run, not at the very start of the line.
        int blank = -1;
        for (int j = over; j > start; --j)
            if (IsBlank(S[j]) && !(j < all->Count() && all->Items(j).DontWrap)) {
                blank = j;
                break;
            }
        if (blank > start) {
            AddLine(S.mid(start, blank - start), piece(start, blank), 0);
            start = blank + 1;
            continue;
        }
        int cut = 0;
        if (FWordBreak) {
            if (!hyphenReady) {
                // Once per source line, so that a word of any length costs
                // time in proportion to it.
                PrepareHyphenation(S, upper, vowels);
                sums.assign(size_t(n) + 1, 0);
                for (int k = 0; k < n; ++k)
                    sums[size_t(k) + 1] = sums[size_t(k)] + FWidths[size_t(k)];
                wordEnds.assign(size_t(n) + 1, n);
                for (int k = n - 1; k >= 0; --k)
                    wordEnds[size_t(k)] = QStringLiteral(" .,-;").contains(S[k]) ? k : wordEnds[size_t(k) + 1];
                hyphenReady = true;
            }
            const long long hyphen = FMeasureCanvas->TextWidth(QStringLiteral("-"));
            const std::vector<int> points = HyphenPointsIn(upper, vowels, start, wordEnds[size_t(start)], over - start);
            for (auto it = points.rbegin(); it != points.rend(); ++it)
                if (hyphen + sums[size_t(start + *it)] - sums[size_t(start)] <= MaxWidth) {
                    cut = *it;
                    break;
                }
        }
        if (cut > 0) {
            auto head = piece(start, start + cut);
            if (head->Count() > 0) {
                TqdzHTMLTag dash = head->Items(head->Count() - 1);
                dash.Default = true;
                head->Add(dash);
            }
            AddLine(S.mid(start, cut) + QLatin1Char('-'), std::move(head), 0);
            start += cut;
            continue;
        }
        // No blank and no hyphenation: break at the last character that fits.
        AddLine(S.mid(start, over - start), piece(start, over), 0);
        start = over;
    }
}

// ------------------------------------------------------------------ hyphenation

namespace {

// Upper-case Cyrillic letter classes.
bool IsVowel(QChar C)
{
    static const QString v = QStringLiteral("\u0410\u0415\u0401\u0418\u041E\u0423\u042B\u042D\u042E\u042F");
    return v.contains(C);
}

bool IsConsonant(QChar C)
{
    static const QString c = QStringLiteral(
        "\u0411\u0412\u0413\u0414\u0416\u0417\u0419\u041A\u041B\u041C\u041D\u041F\u0420\u0421\u0422\u0424"
        "\u0425\u0426\u0427\u0428\u0429\u042C\u042A");
    return c.contains(C);
}

bool IsSign(QChar C)
{
    return C.unicode() == 0x042C || C.unicode() == 0x042A;
}

constexpr char16_t ShortI = 0x0419;

} // namespace

void TqdzDrawText::PrepareHyphenation(const QString &S, QString &Upper, std::vector<int> &Vowels)
{
    // Character by character: a string's upper case may change its length.
    Upper = S;
    for (QChar &c : Upper)
        c = c.toUpper();
    Vowels.assign(size_t(Upper.size()) + 1, 0);
    for (int k = 0; k < Upper.size(); ++k)
        Vowels[size_t(k) + 1] = Vowels[size_t(k)] + (IsVowel(Upper[k]) ? 1 : 0);
}

std::vector<int> TqdzDrawText::HyphenPointsIn(const QString &Upper, const std::vector<int> &Vowels, int From, int To,
                                              int MaxHead)
{
    std::vector<int> points;
    if (To - From < 4)
        return points;
    // A part of one letter counts as having no vowel.
    auto hasVowel = [&Vowels](int A, int B) { return B - A >= 2 && Vowels[size_t(B)] - Vowels[size_t(A)] > 0; };
    for (int i = From; i + 1 < To && i + 1 - From <= MaxHead; ++i) {
        const QChar c = Upper[i], next = Upper[i + 1];
        bool cand = false;
        if (IsConsonant(c)) {
            cand = !IsVowel(next) && !IsSign(next);
        } else if (IsVowel(c)) {
            const bool doubled = i + 3 < To && IsConsonant(next) && Upper[i + 2] == next && IsVowel(Upper[i + 3]);
            cand = next.unicode() != ShortI && !doubled;
        }
        if (cand && hasVowel(From, i + 1) && hasVowel(i + 1, To))
            points.push_back(i + 1 - From);
    }
    return points;
}

std::vector<int> TqdzDrawText::HyphenPoints(const QString &Word)
{
    QString upper;
    std::vector<int> vowels;
    PrepareHyphenation(Word, upper, vowels);
    return HyphenPointsIn(upper, vowels, 0, int(upper.size()), int(upper.size()));
}

// ------------------------------------------------------------------ queries

double TqdzDrawText::LineStepReport() const
{
    return -MeasureFont()->Height() / K + FLineSpacing;
}

double TqdzDrawText::LineHeight() const
{
    return LineStepReport();
}

double TqdzDrawText::CalcHeight() const
{
    const int n = FText->Count();
    if (n == 0)
        return 0;
    double h = LineStepReport() * n;
    if (FLineSpacing < 0)
        h += -FLineSpacing;
    return h;
}

double TqdzDrawText::CalcWidth()
{
    double widest = 0;
    for (int i = 0; i < FText->Count(); ++i) {
        const TqdzHTMLTags *tags = i < FHTMLTags->Count() ? FHTMLTags->Items(i) : nullptr;
        MeasureLine(FText->Get(i), tags, FWidths);
        double w = 0;
        for (int x : FWidths)
            w += x;
        w /= K;
        if (FFlags[size_t(i)] & 1)
            w += FParagraphGap;
        widest = std::max(widest, w);
    }
    return widest;
}

double TqdzDrawText::UnusedSpace() const
{
    const double step = LineStepReport();
    const double h = FOriginalRect.Height();
    if (step <= 0 || h <= 0)
        return 0;
    const int n = int(std::trunc(h / step));
    if (n == 0)
        return 0;
    const double d = h - n * step;
    return d == 0 ? 0.0001 : d;
}

void TqdzDrawText::GetOutBoundsText(bool &ParaBreak, QString &Rest)
{
    Rest.clear();
    const int lines = FText->Count();
    const double step = LineStepReport();
    int n = lines;
    // The same step as UnusedSpace, so the kept lines and the space reported
    // unused agree.
    if (step > 0)
        n = std::clamp(int(std::trunc(FOriginalRect.Height() / step)), 0, lines);
    const bool cut = n < lines && n < FHTMLTags->Count() && FHTMLTags->Items(n)->Count() > 0;
    TqdzHTMLTag first;
    if (cut) {
        first = FHTMLTags->Items(n)->Items(0);
        const int pos = std::clamp(first.Position - 1, 0, int(FPlainText.size()));
        Rest = FPlainText.mid(pos);
        FPlainText.truncate(pos);
        while (FText->Count() > n) {
            FText->Delete(FText->Count() - 1);
            FFlags.pop_back();
        }
        while (FHTMLTags->Count() > n)
            FHTMLTags->Delete(FHTMLTags->Count() - 1);
    }
    ParaBreak = n > 0 && !(FFlags[size_t(n - 1)] & 2);
    if (!cut)
        return;
    if (ParaBreak && Rest.startsWith(QLatin1Char(' ')))
        Rest.remove(0, 1);
    if (FWordBreak && n > 0 && FText->Get(n - 1).endsWith(QLatin1Char('-')))
        FPlainText += QLatin1Char('-');
    if (FHTMLTags->AllowTags) {
        QString prefix;
        if (first.Style & 1)
            prefix += QStringLiteral("<b>");
        if (first.Style & 2)
            prefix += QStringLiteral("<i>");
        if (first.Style & 4)
            prefix += QStringLiteral("<u>");
        const QString hex = QStringLiteral("%1%2%3")
                                .arg(GetRValue(first.Color), 2, 16, QLatin1Char('0'))
                                .arg(GetGValue(first.Color), 2, 16, QLatin1Char('0'))
                                .arg(GetBValue(first.Color), 2, 16, QLatin1Char('0'))
                                .toUpper();
        prefix += QStringLiteral("<font color=\"#") + hex + QStringLiteral("\">");
        Rest = prefix + Rest;
    }
}

// ------------------------------------------------------------------ drawing

bool TqdzDrawText::IsPrinter(TCanvas *Canvas) const
{
    QPaintDevice *d = Canvas->Device();
    if (!d && Canvas->HandleAllocated())
        d = Canvas->Handle()->device();
    return d && d->devType() == QInternal::Printer;
}

void TqdzDrawText::SetCanvasFont(TCanvas *Canvas, const TqdzHTMLTag *Tag)
{
    TFont *f = Canvas->Font();
    TFont *m = MeasureFont();
    if (f->Name() != m->Name())
        f->SetName(m->Name());
    if (f->Charset() != m->Charset())
        f->SetCharset(m->Charset());
    const TFontStyles st = Tag ? TFontStyles::FromInt(Tag->Style) : m->Style();
    if (f->Style() != st)
        f->SetStyle(st);
    const TColor c = Tag ? Tag->Color : m->Color();
    if (f->Color() != c)
        f->SetColor(c);
    const int size = Tag ? Tag->Size : FFontSize;
    const double ppi = FCanvasIsPrinter ? Canvas->GetDeviceCaps(LOGPIXELSY) * FPrintScale : FScaleY * 96;
    const int h = -Round(size * ppi / 72.0);
    if (f->Height() != h)
        f->SetHeight(h);
}

void TqdzDrawText::DistributeExtra(const QString &S, std::vector<int> &Widths, int Extra, bool Block)
{
    const int n = int(std::min<size_t>(size_t(S.size()), Widths.size()));
    if (Extra == 0 || n == 0)
        return;
    if (Block) {
        int blanks = 0;
        for (int i = 0; i < n; ++i)
            if (IsBlank(S[i]))
                ++blanks;
        if (blanks > 0) {
            const int each = Extra / blanks;
            int more = Extra % blanks; // same sign as Extra
            for (int i = 0; i < n; ++i)
                if (IsBlank(S[i])) {
                    Widths[size_t(i)] += each;
                    if (more > 0) {
                        ++Widths[size_t(i)];
                        --more;
                    } else if (more < 0) {
                        --Widths[size_t(i)];
                        ++more;
                    }
                }
            return;
        }
    }
    int rest = Extra;
    if (std::abs(Extra) >= n) {
        const int each = Extra / n;
        for (int i = 0; i < n; ++i)
            Widths[size_t(i)] += each;
        rest = Extra - each * n;
    }
    SpreadByHalving(Widths, 0, n - 1, rest);
}

void TqdzDrawText::SpreadByHalving(std::vector<int> &W, int Lo, int Hi, int N)
{
    if (N == 0 || Lo > Hi)
        return;
    const int sign = N < 0 ? -1 : 1;
    const int units = std::abs(N);
    if (units == 1) {
        W[size_t((Lo + Hi) / 2)] += sign;
        return;
    }
    if (Lo == Hi) {
        W[size_t(Lo)] += N;
        return;
    }
    const int first = std::max(1, (Hi - Lo + 1) / 2);
    SpreadByHalving(W, Lo, Lo + first - 1, sign * (units / 2));
    SpreadByHalving(W, Lo + first, Hi, sign * (units - units / 2));
}

void TqdzDrawText::DrawTextLine(TCanvas *Canvas, int Index, double X, double Y, int AvailWidth,
                                TqdzHAlign HAlign)
{
    const QString S = ThroughCharset(FText->Get(Index));
    const TqdzHTMLTags *tags = Index < FHTMLTags->Count() ? FHTMLTags->Items(Index) : nullptr;
    const int n = int(S.size());
    if (n == 0)
        return;
    const bool tagged = tags && tags->Count() >= n;

    // At measuring resolution.
    MeasureLine(S, tags, FWidths);
    long long measured = 0;
    for (int w : FWidths)
        measured += w;
    measured -= Round(FCharSpacing * K);

    // On the target canvas, run by run.
    const int cs = Round(FCharSpacing * FScaleX);
    FCanvasWidths.resize(size_t(n));
    int i = 0;
    while (i < n) {
        int j = i + 1;
        if (tagged)
            while (j < n && tags->Items(j).Style == tags->Items(i).Style && tags->Items(j).Size == tags->Items(i).Size)
                ++j;
        else
            j = n;
        SetCanvasFont(Canvas, tagged ? &tags->Items(i) : nullptr);
        Canvas->GetTextExtents(QStringView(S).mid(i, j - i).toString(), FExtents);
        int prev = 0;
        for (int k = 0; k < j - i; ++k) {
            FCanvasWidths[size_t(i + k)] = FExtents[size_t(k)] - prev + cs;
            prev = FExtents[size_t(k)];
        }
        i = j;
    }
    int canvasTotal = -cs;
    for (int w : FCanvasWidths)
        canvasTotal += w;

    int target;
    if (FCanvasIsPrinter) {
        int px = Canvas->GetDeviceCaps(LOGPIXELSX);
        if (px == 0)
            px = 96;
        target = Round(measured * FPrintScale / (double(DefPPI) / px));
    } else {
        target = Round(measured / K * FScaleX);
    }
    if (!FWysiwyg)
        target = canvasTotal;
    int extra = target - canvasTotal;
    const int free = AvailWidth - target;
    int shift = 0;
    bool block = false;
    const quint8 st = tagged ? tags->Items(0).Style : StyleBits(MeasureFont()->Style());
    switch (HAlign) {
    case haRight:
        shift = free + 1 - ((FRotation == 0 && (st & 3)) ? 2 : 1);
        break;
    case haCenter:
        shift = free / 2;
        break;
    case haBlock:
        for (QChar c : S)
            if (IsBlank(c))
                block = true;
        if (block)
            extra = AvailWidth - canvasTotal;
        break;
    default:
        break;
    }
    DistributeExtra(S, FCanvasWidths, extra, block);

    const double rad = FRotation * std::numbers::pi / 180.0;
    const double dx = std::cos(rad), dy = -std::sin(rad);
    const double px = std::sin(rad), py = std::cos(rad);
    const double subScale = FCanvasIsPrinter ? Canvas->GetDeviceCaps(LOGPIXELSY) * FPrintScale / 96.0 : FScaleY;
    double adv = shift;
    // Right-to-left reading: the first run sits at the right end and Qt
    // shapes and orders the characters of each run.
    double lineW = 0;
    if (FRTLReading)
        for (int w : FCanvasWidths)
            lineW += w;
    i = 0;
    while (i < n) {
        int j = i + 1;
        if (tagged) {
            const TqdzHTMLTag &a = tags->Items(i);
            while (j < n) {
                const TqdzHTMLTag &b = tags->Items(j);
                if (b.Style != a.Style || b.Color != a.Color || b.Size != a.Size || b.AddY != a.AddY)
                    break;
                ++j;
            }
        } else {
            j = n;
        }
        SetCanvasFont(Canvas, tagged ? &tags->Items(i) : nullptr);
        const double down = tagged ? Round(tags->Items(i).Size * tags->Items(i).AddY * subScale) : 0;
        double runW = 0;
        for (int k = i; k < j; ++k)
            runW += FCanvasWidths[size_t(k)];
        const double at = FRTLReading ? shift + lineW - (adv - shift) - runW : adv;
        const double x = X + at * dx + down * px;
        const double y = Y + at * dy + down * py;
        // A clip is drawn into the output for every run: only a run whose
        // cells leave the box needs one.
        unsigned options = FOptions;
        if ((options & ETO_CLIPPED) && FRotation == 0) {
            const int l = CanvasRound(x), t = CanvasRound(y);
            if (l >= FScaledRect.Left && t >= FScaledRect.Top && l + runW <= FScaledRect.Right
                && t + Canvas->TextHeight(QString()) <= FScaledRect.Bottom)
                options &= ~unsigned(ETO_CLIPPED);
        }
        Canvas->ExtTextOut(CanvasRound(x), CanvasRound(y), options, &FScaledRect,
                           QStringView(S).mid(i, j - i).toString(), FCanvasWidths.data() + i);
        adv += runW;
        i = j;
    }
}

void TqdzDrawText::DrawText(TCanvas *Canvas, TqdzHAlign HAlign, TqdzVAlign VAlign)
{
    if (!Canvas || FText->Count() == 0 || !Canvas->Handle())
        return;
    FCanvas = Canvas;
    FCanvasIsPrinter = IsPrinter(Canvas);
    const double ppiY = FCanvasIsPrinter ? Canvas->GetDeviceCaps(LOGPIXELSY) * FPrintScale : FScaleY * 96;
    const double step = Round(FFontSize * ppiY / 72.0) + FLineSpacing * ppiY / 96.0;
    const int lines = FText->Count();
    double blockH = step * lines;
    if (FLineSpacing < 0)
        blockH += -FLineSpacing * ppiY / 96.0;

    const TRect &r = FScaledRect;
    const double rad = FRotation * std::numbers::pi / 180.0;
    const double dx = std::cos(rad), dy = -std::sin(rad); // along the text
    const double px = std::sin(rad), py = std::cos(rad);  // from line to line
    double ox = r.Left, oy = r.Top;
    int avail = r.Width();
    double across = 0;
    bool aligned = true;
    switch (FRotation) {
    case 0: ox = r.Left; oy = r.Top; avail = r.Width(); across = r.Height(); break;
    case 90: ox = r.Left; oy = r.Bottom; avail = r.Height(); across = r.Width(); break;
    case 180: ox = r.Right; oy = r.Bottom; avail = r.Width(); across = r.Height(); break;
    case 270: ox = r.Right; oy = r.Top; avail = r.Height(); across = r.Width(); break;
    default: {
        // The widest run that keeps the rotated block inside the rectangle,
        // placed so that its bounding box starts at the rectangle's corner.
        const double ac = std::abs(dx), as = std::abs(dy);
        double w = 1e9;
        if (ac > 1e-9)
            w = std::min(w, (r.Width() - blockH * as) / ac);
        if (as > 1e-9)
            w = std::min(w, (r.Height() - blockH * ac) / as);
        w = std::max(0.0, w);
        const double cx[4] = {0, w * dx, blockH * px, w * dx + blockH * px};
        const double cy[4] = {0, w * dy, blockH * py, w * dy + blockH * py};
        ox = r.Left - *std::min_element(cx, cx + 4);
        oy = r.Top - *std::min_element(cy, cy + 4);
        avail = int(std::floor(w));
        aligned = false;
        break;
    }
    }
    if (aligned) {
        const double freeH = across - blockH;
        double move = 0;
        if (VAlign == vaBottom)
            move = freeH;
        else if (VAlign == vaCenter)
            move = freeH / 2;
        ox += move * px;
        oy += move * py;
    }

    const TBrushStyle savedBrush = Canvas->Brush()->Style();
    const int savedEscapement = Canvas->TextEscapement();
    Canvas->Brush()->SetStyle(bsClear);
    Canvas->SetTextEscapement(FRotation * 10);
    const int gap = Round(FParagraphGap * FScaleX);
    for (int i = 0; i < lines; ++i) {
        const int flags = FFlags[size_t(i)];
        TqdzHAlign a = HAlign;
        if ((flags & 2) && a == haBlock)
            a = FRTLReading ? haRight : haLeft;
        int indent = 0;
        if ((flags & 1) && (HAlign == haLeft || HAlign == haBlock))
            indent = gap;
        const double lx = ox + i * step * px + indent * dx;
        const double ly = oy + i * step * py + indent * dy;
        // A line this far off any canvas is never seen.
        if (std::abs(lx) > MaxCanvasCoord || std::abs(ly) > MaxCanvasCoord)
            continue;
        DrawTextLine(Canvas, i, lx, ly, avail - indent, a);
    }
    Canvas->SetTextEscapement(savedEscapement);
    Canvas->Brush()->SetStyle(savedBrush);
    FCanvas = nullptr;
}

// ------------------------------------------------------------------ shared instance

namespace {
TqdzDrawText *GDrawText = nullptr;

void FreeDrawText()
{
    delete GDrawText;
    GDrawText = nullptr;
}
} // namespace

TqdzDrawText *qdzDrawText()
{
    // Made on first use: measuring needs the application's font database.
    static std::once_flag once;
    std::call_once(once, [] {
        GDrawText = new TqdzDrawText();
        if (QCoreApplication::instance())
            qAddPostRoutine(FreeDrawText);
    });
    return GDrawText;
}
