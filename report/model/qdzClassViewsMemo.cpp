// Memo views: text with expressions and display formats, measuring, splitting across pages, drawing.
#include "report/model/qdzClassViews.h"

#include "platform/CodePages.h"
#include "platform/SysUtils.h"
#include "report/model/qdzRes.h"
#include "report/model/qdzUtils.h"
#include "report/model/qdzVariables.h"
#include "report/model/qdzXML.h"

#include <algorithm>
#include <cmath>
#include <cstring>

int qdzRoundPx(double Value);

namespace {

bool Differ(double A, double B)
{
    return std::abs(A - B) > 0.0001;
}

QByteArray FloatText(double Value)
{
    return FloatToStr(Value).toLatin1();
}

// The rectangle used when the text is measured without bounds.
const TRect Unbounded{0, 0, 10000, 10000};

// A value that is a number (or a Boolean) equal to 0; strings never are.
bool IsZero(const Variant &V)
{
    if (VarIsStr(V) || VarIsNull(V) || VarIsEmpty(V))
        return false;
    if (V.VType() == varBoolean)
        return !V.AsBoolean();
    if (!VarIsNumeric(V))
        return false;
    return V.AsDouble() == 0;
}

// Text through the code page of a font charset and back: characters the
// code page lacks become '?'.
QString ThroughCharset(const QString &S, int Charset)
{
    try {
        return AnsiToWide(WideToAnsi(S, Charset), Charset);
    } catch (const Exception &) {
        return S;
    }
}

// Holds the layout's lock for a scope, released on every path.
class TLayoutLock
{
public:
    explicit TLayoutLock(TqdzDrawText *D) : FD(D) { FD->Lock(); }
    ~TLayoutLock() { FD->Unlock(); }
    TLayoutLock(const TLayoutLock &) = delete;
    TLayoutLock &operator=(const TLayoutLock &) = delete;

private:
    TqdzDrawText *FD;
};

// Brings the view's colour back after a drawing or measuring that used the
// highlight colour.
class TColorKeeper
{
public:
    explicit TColorKeeper(TqdzView *V) : FV(V), FColor(V->Color()) {}
    ~TColorKeeper() { FV->SetColor(FColor); }
    TColorKeeper(const TColorKeeper &) = delete;
    TColorKeeper &operator=(const TColorKeeper &) = delete;

private:
    TqdzView *FV;
    TColor FColor;
};

template<class C>
void PublishCommon(TPublisher<C> &P)
{
    P.Prop("BrushStyle", &C::BrushStyle, &C::SetBrushStyle).Default(bsSolid);
    P.Prop("Color", &C::Color, &C::SetColor).Type(TypeInfoTColor()).Default(clTransparent);
    P.Prop("Font", &C::Font, &C::SetFont).Stored(&C::IsFontStored);
    P.Prop("Frame", &C::Frame, &C::SetFrame);
}

} // namespace

// ------------------------------------------------------- TqdzCustomMemoView

STATION_PUBLISHED(TqdzCustomMemoView) {}

TqdzCustomMemoView::TqdzCustomMemoView(TComponent *AOwner)
    : TqdzStretcheable(AOwner)
{
    SetFlags(Flags() & ~qdzFlagWriteFull);
    // Taking its parent's font made it so already.
    if (!ParentFont())
        SetParentFont(true);
}

TqdzCustomMemoView::~TqdzCustomMemoView() = default;

QString TqdzCustomMemoView::GetDescription() const
{
    return qdzResources()->ResourceText(QStringLiteral("obText"));
}

void TqdzCustomMemoView::Notification(TComponent *AComponent, TOperation Operation)
{
    TqdzStretcheable::Notification(AComponent, Operation);
    if (Operation == opRemove && FFlowTo && AComponent == static_cast<TComponent *>(FFlowTo))
        FFlowTo = nullptr;
}

void TqdzCustomMemoView::SetMemo(TWideStrings *Value)
{
    FMemo.Assign(Value);
}

QString TqdzCustomMemoView::Text() const
{
    return FMemo.GetText();
}

void TqdzCustomMemoView::SetText(const QString &Value)
{
    FMemo.SetText(Value);
}

QByteArray TqdzCustomMemoView::AnsiText() const
{
    try {
        return WideToAnsi(Text(), Font()->Charset());
    } catch (const Exception &) {
        return StringToCodePage(Text(), CP_ACP);
    }
}

void TqdzCustomMemoView::SetAnsiText(const QByteArray &Value)
{
    try {
        SetText(AnsiToWide(Value, Font()->Charset()));
    } catch (const Exception &) {
        SetText(CodePageToString(Value, CP_ACP));
    }
}

void TqdzCustomMemoView::SetFlowTo(TqdzCustomMemoView *Value)
{
    if (Value == this)
        return;
    FFlowTo = Value;
    if (Value)
        FreeNotification(Value);
}

void TqdzCustomMemoView::SetRotation(int Value)
{
    FRotation = ((Value % 360) + 360) % 360;
}

void TqdzCustomMemoView::SetStyle(const QString &Value)
{
    FStyle = Value;
    if (TqdzReport *r = GetReport())
        ApplyStyle(r->Styles()->Find(Value));
}

void TqdzCustomMemoView::ApplyStyle(TqdzStyleItem *Style)
{
    if (!Style)
        return;
    SetColor(Style->Color());
    SetFont(Style->Font());
    Frame()->Assign(Style->Frame());
}

void TqdzCustomMemoView::SetCharSpacing(double Value)
{
    FCharSpacing = std::isfinite(Value) ? std::clamp(Value, -qdzMaxCharSpacing, qdzMaxCharSpacing) : 0;
}

void TqdzCustomMemoView::SetLineSpacing(double Value)
{
    FLineSpacing = std::isfinite(Value) ? std::clamp(Value, -qdzMaxLineSpacing, qdzMaxLineSpacing) : 2;
}

TqdzHighlight *TqdzCustomMemoView::Highlight() const
{
    if (!FHighlight)
        FHighlight = std::make_unique<TqdzHighlight>();
    return FHighlight.get();
}

bool TqdzCustomMemoView::IsHighlightStored() const
{
    if (!FHighlight)
        return false;
    return !Trim(FHighlight->Condition()).isEmpty();
}

bool TqdzCustomMemoView::ConvertsCharset() const
{
    return Font()->Charset() != 1 && !FUseDefaultCharset;
}

TqdzDrawText *TqdzCustomMemoView::DrawTextObject() const
{
    if (TqdzReport *r = GetReport(); r && r->DrawText())
        return r->DrawText();
    return qdzDrawText();
}

double TqdzCustomMemoView::VerticalExtra() const
{
    TqdzFrame *f = Frame();
    double r = 2 * FGapY;
    if (f->Typ().Contains(ftTop))
        r += (f->Width() - 1) / 2;
    if (f->Typ().Contains(ftBottom))
        r += f->Width() / 2;
    if (f->DropShadow())
        r += f->ShadowWidth();
    return r;
}

double TqdzCustomMemoView::HorizontalExtra() const
{
    TqdzFrame *f = Frame();
    double r = 2 * FGapX;
    if (f->Typ().Contains(ftLeft))
        r += (f->Width() - 1) / 2;
    if (f->Typ().Contains(ftRight))
        r += f->Width() / 2;
    if (f->DropShadow())
        r += f->ShadowWidth();
    return r;
}

void TqdzCustomMemoView::PrepareDraw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY)
{
    TqdzStretcheable::PrepareDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    TqdzFrame *f = Frame();
    const int gx = qdzRoundPx(FGapX * ScaleX);
    const int gy = qdzRoundPx(FGapY * ScaleY);
    const int l = f->Typ().Contains(ftLeft) ? qdzRoundPx((f->Width() * ScaleX - 1) / 2) : 0;
    const int r = f->Typ().Contains(ftRight) ? qdzRoundPx(f->Width() * ScaleX / 2) : 0;
    const int t = f->Typ().Contains(ftTop) ? qdzRoundPx((f->Width() * ScaleY - 1) / 2) : 0;
    const int b = f->Typ().Contains(ftBottom) ? qdzRoundPx(f->Width() * ScaleY / 2) : 0;
    TextRect = TRect{FX + l + gx, FY + t + gy, FX1 - r - gx + 1, FY1 - b - gy + 1};
}

void TqdzCustomMemoView::SetLayoutFont(TqdzDrawText *D)
{
    D->SetUseDefaultCharset(FUseDefaultCharset);
    D->SetFont(FHighlight && FHighlight->Active() ? FHighlight->Font() : Font());
    D->SetOptions(FWordWrap, FAllowHTMLTags, FRotation, FWysiwyg, FClipped, FWordBreak, FRTLReading);
    D->SetGaps(FLineSpacing, FCharSpacing, FParagraphGap);
}

void TqdzCustomMemoView::SetDrawParams(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX,
                                       double OffsetY)
{
    TqdzDrawText *D = DrawTextObject();
    SetLayoutFont(D);
    if (FHighlight && FHighlight->Active())
        SetColor(FHighlight->Color());
    if (!IsDesigning() && FAutoWidth) {
        D->SetDimensions(1, 1, 1, Unbounded, Unbounded);
        D->SetText(&FMemo);
        const double w = D->CalcWidth() + HorizontalExtra();
        if (FHAlign == haRight)
            SetLeft(Left() + Width() - w);
        else if (FHAlign == haCenter)
            SetLeft(Left() + (Width() - w) / 2);
        SetWidth(w);
        // The parent's re-alignment may measure other memos: the layout's
        // lock is re-entrant, so this runs inside it.
        if (Parent())
            Parent()->AlignChildren();
        // Re-aligning may have measured other memos with the shared layout.
        SetLayoutFont(D);
    }
    PrepareDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    // The print path's scale holds only on paper.
    if (!Printing && !IsPrinting())
        PrintScale = 1;
    D->SetDimensions(ScaleX, ScaleY, PrintScale, TextRect, TextRect);
    D->SetText(&FMemo);
    D->SetParaBreaks(FFirstParaBreak, FLastParaBreak);
}

void TqdzCustomMemoView::Draw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY)
{
    if (IsDesigning()) {
        if (IsDataField())
            SetText(QStringLiteral("[") + DataSet()->UserName() + QStringLiteral(".\"") + DataField()
                    + QStringLiteral("\"]"));
    } else {
        ExpandPreviewMacros();
    }
    TColorKeeper colour(this);
    TqdzDrawText *D = DrawTextObject();
    TLayoutLock lock(D);
    SetDrawParams(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    TqdzView::Draw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    if (FUnderlines && FRotation == 0 && Canvas) {
        TPen *pen = Canvas->Pen();
        pen->SetColor(Frame()->Color());
        pen->SetWidth(std::max(1, FFrameWidth));
        pen->SetStyle(psSolid);
        pen->SetMode(pmCopy);
        const double step = D->LineHeight() * ScaleY;
        // A negative line spacing may leave no step: nothing to underline.
        if (step >= 1) {
            for (double y = FY + step + (FGapY - FLineSpacing + 1) * ScaleY; y < FY1; y += step) {
                Canvas->MoveTo(FX, qdzRoundPx(y));
                Canvas->LineTo(FX1, qdzRoundPx(y));
            }
        }
    }
    D->DrawText(Canvas, FHAlign, FVAlign);
}

double TqdzCustomMemoView::CalcHeight()
{
    TqdzDrawText *D = DrawTextObject();
    TLayoutLock lock(D);
    SetLayoutFont(D);
    if (FAutoWidth) {
        D->SetDimensions(1, 1, 1, Unbounded, Unbounded);
    } else {
        PrepareDraw(nullptr, 1, 1, 0, 0);
        D->SetDimensions(1, 1, 1, TextRect, TextRect);
    }
    D->SetText(&FMemo);
    return qdzRoundPx(D->CalcHeight() + VerticalExtra());
}

double TqdzCustomMemoView::CalcWidth()
{
    TqdzDrawText *D = DrawTextObject();
    TLayoutLock lock(D);
    SetLayoutFont(D);
    D->SetDimensions(1, 1, 1, Unbounded, Unbounded);
    D->SetText(&FMemo);
    return qdzRoundPx(D->CalcWidth() + HorizontalExtra());
}

void TqdzCustomMemoView::BeginParts()
{
    Run().PartText = Text();
    Run().PartFrom = 0;
    FFirstParaBreak = false;
    FLastParaBreak = false;
    Run().CutStalled = false;
}

namespace {

// Where the text after Count lines from From starts, lines broken as a
// memo's text is; the text's end when it has no more lines (or ends early,
// at a zero character).
qsizetype AfterLines(const QString &Text, qsizetype From, qsizetype Count)
{
    const QChar *P = Text.constData() + From;
    const QChar *End = Text.constData() + Text.size();
    for (qsizetype Line = 0; Line < Count && P < End; ++Line) {
        P = qdzLineEnd(P, End);
        if (P < End && P->unicode() == 0)
            return Text.size();
        P = qdzSkipLineBreak(P, End);
    }
    return P - Text.constData();
}

} // namespace

double TqdzCustomMemoView::CutPart()
{
    TqdzDrawText *D = DrawTextObject();
    TLayoutLock lock(D);
    TColorKeeper colour(this);
    TRunState &R = Run();
    // Only the first lines of what is left are laid out, more of them until
    // the page's part ends among them: laying out the whole rest for every
    // page would cost the square of a long text. A memo that takes its
    // width from its widest line lays out all of it.
    bool paraBreak = false;
    QString rest, fitting;
    qsizetype tail = R.PartText.size();
    for (qsizetype lines = 64;; lines *= 2) {
        tail = FAutoWidth ? R.PartText.size() : AfterLines(R.PartText, R.PartFrom, lines);
        SetText(R.PartFrom == 0 && tail == R.PartText.size() ? R.PartText
                                                             : R.PartText.mid(R.PartFrom, tail - R.PartFrom));
        SetDrawParams(nullptr, 1, 1, 0, 0);
        rest.clear();
        fitting.clear();
        D->GetOutBoundsText(paraBreak, rest);
        D->GetInBoundsText(fitting);
        if (!rest.isEmpty() || tail >= R.PartText.size())
            break;
    }
    const double unused = D->UnusedSpace();
    const bool none = R.PartFrom < R.PartText.size() && (unused == 0 || fitting.isEmpty());
    double result = none ? 0 : Height() - unused;
    if (none && R.CutStalled) {
        // No line fitted on the last page and none fits on this one either:
        // one line goes out anyway, or the engine would turn pages for ever.
        const double step = D->LineHeight();
        TRect r = TextRect;
        r.Bottom = r.Top + std::max(1, int(std::ceil(step)));
        D->SetDimensions(1, 1, PrintScale, r, r);
        D->SetText(Memo());
        rest.clear();
        fitting.clear();
        D->GetOutBoundsText(paraBreak, rest);
        D->GetInBoundsText(fitting);
        result = step + VerticalExtra();
        R.CutStalled = false;
    } else {
        R.CutStalled = none;
    }
    // What is left: the rest of the lines laid out, then the text after
    // them as it stands, written over the part just taken where it fits.
    if (tail >= R.PartText.size()) {
        R.PartText = rest;
        R.PartFrom = 0;
    } else if (rest.size() <= tail - R.PartFrom) {
        R.PartFrom = tail - rest.size();
        std::copy(rest.cbegin(), rest.cend(), R.PartText.data() + R.PartFrom);
    } else {
        R.PartText = rest + R.PartText.mid(tail);
        R.PartFrom = 0;
    }
    SetText(fitting);
    FLastParaBreak = paraBreak;
    return result;
}

bool TqdzCustomMemoView::HasMoreParts()
{
    return FRun && FRun->PartFrom < FRun->PartText.size();
}

TqdzCustomMemoView::TRunState &TqdzCustomMemoView::Run()
{
    if (!FRun)
        FRun = std::make_unique<TRunState>();
    return *FRun;
}

void TqdzCustomMemoView::ClearValue()
{
    Run().LastValue = QString();
}

const Variant &TqdzCustomMemoView::Value() const
{
    static const Variant Empty;
    return FRun ? FRun->Value : Empty;
}

const QString &TqdzCustomMemoView::PartText() const
{
    static const QString Empty;
    if (!FRun)
        return Empty;
    if (FRun->PartFrom > 0) {
        FRun->PartText.remove(0, FRun->PartFrom);
        FRun->PartFrom = 0;
    }
    return FRun->PartText;
}

void TqdzCustomMemoView::BeforePrint()
{
    TqdzStretcheable::BeforePrint();
    if (IsDataField())
        return;
    // Saved and put back for every memo on every row: a single line that
    // the text would give back unchanged is kept as it is.
    TRunState &run = Run();
    run.SavedOneLine = false;
    if (FMemo.Count() == 1) {
        const QString line = FMemo.Get(0);
        bool plain = true;
        for (QChar c : line)
            plain = plain && c != QLatin1Char('\r') && c != QLatin1Char('\n') && c != QChar(0x2028) && c != QChar(0);
        if (plain) {
            run.SavedText = line;
            run.SavedOneLine = true;
            return;
        }
    }
    run.SavedText = Text();
}

void TqdzCustomMemoView::AfterPrint()
{
    if (!IsDataField()) {
        TRunState &run = Run();
        if (run.SavedOneLine) {
            FMemo.Clear();
            FMemo.Add(run.SavedText);
        } else {
            SetText(run.SavedText);
        }
    }
    TqdzStretcheable::AfterPrint();
}

void TqdzCustomMemoView::CutIntoParts(const QString &Open, const QString &Close)
{
    Run().Parts.clear();
    const QString &s = Run().PartsText;
    int i = 0;
    while (i < s.size()) {
        const int at = s.indexOf(Open, i);
        if (at < 0)
            break;
        QString expr;
        int start = at + 1, end = 0;
        qdzGetBracketedExpression(s, Open, Close, expr, end, start);
        if (start == end)
            break;
        // The part from the opening delimiter to the closing one's first
        // character is the expression's.
        Run().Parts.push_back({s.mid(i, start - 1 - i), false});
        Run().Parts.push_back({expr, true});
        i = end;
    }
    Run().Parts.push_back({s.mid(i), false});
}

void TqdzCustomMemoView::GetData()
{
    TqdzStretcheable::GetData();
    const bool convert = ConvertsCharset();
    if (IsDataField()) {
        TqdzDataSet *ds = DataSet();
        if (ds->IsBlobField(DataField())) {
            ds->AssignBlobTo(DataField(), &FMemo);
        } else {
            Run().Value = ds->GetValue(DataField());
            QString s;
            if (FDisplayFormat.Kind() == fkText) {
                s = ds->GetDisplayText(DataField());
                if (convert)
                    s = ThroughCharset(s, Font()->Charset());
            } else {
                s = FormatData(Run().Value, &FDisplayFormat);
            }
            if (FHideZeros && IsZero(Run().Value))
                s.clear();
            SetText(s);
        }
    } else if (FAllowExpressions) {
        // Views: this runs for every memo on every row, the split text is
        // needed only when the text changed.
        const QStringView delimiters(FExpressionDelimiters);
        const int comma = int(delimiters.indexOf(QLatin1Char(',')));
        const QStringView open = comma < 0 ? delimiters : delimiters.left(comma);
        const QStringView close = comma < 0 ? QStringView() : delimiters.mid(comma + 1);
        // Without both delimiters nothing can be found (and nothing loops).
        if (!open.isEmpty() && !close.isEmpty()) {
            TRunState &run = Run();
            // The text as Text() gives it (each line and a line break),
            // compared line by line: mostly the same as on the last row.
            auto sameText = [this](const QString &Parts) {
                QStringView rest(Parts);
                for (int i = 0; i < FMemo.Count(); ++i) {
                    const QString line = FMemo.Get(i);
                    if (!rest.startsWith(line) || rest.mid(line.size(), 2) != QLatin1String("\r\n"))
                        return false;
                    rest = rest.mid(line.size() + 2);
                }
                return rest.isEmpty();
            };
            if (!sameText(run.PartsText) || FExpressionDelimiters != run.PartsDelimiters
                || (run.Parts.empty() && FMemo.Count() > 0)) {
                run.PartsText = Text();
                run.PartsDelimiters = FExpressionDelimiters;
                CutIntoParts(open.toString(), close.toString());
            }
            // Each value is put in as it is: what it holds is not searched
            // for expressions again.
            QString s;
            for (const TExprPart &P : Run().Parts)
                s += P.IsExpr ? CalcAndFormat(P.Text) : P.Text;
            SetText(s);
        }
    }
    if (GetReport())
        qdzViewSetValue(this, Run().Value);
    if (FHighlight) {
        FHighlight->SetActive(false);
        if (!FHighlight->Condition().isEmpty())
            FHighlight->SetActive(qdzViewCalc(this, FHighlight->Condition()).AsBoolean());
    }
    if (FSuppressRepeated) {
        const QString s = Text();
        if (!VarIsEmpty(Run().LastValue) && VarToStr(Run().LastValue) == s)
            SetText(QString());
        else
            Run().LastValue = s;
    }
    if (FFlowTo) {
        BeginParts();
        CutPart();
        FFlowTo->SetText(PartText());
        FFlowTo->SetAllowExpressions(false);
    }
}

QString TqdzCustomMemoView::CalcAndFormat(const QString &Expression)
{
    QString expr = Expression;
    std::unique_ptr<TqdzFormat> fmt;
    const int sharp = Expression.indexOf(QLatin1String(" #"));
    if (sharp >= 0) {
        QString f = Expression.mid(sharp + 2);
        if (!f.contains(QLatin1Char(')'))) {
            expr = Expression.left(sharp);
            fmt = std::make_unique<TqdzFormat>();
            const QChar k = f.isEmpty() ? QChar() : f[0].toUpper();
            if (k == QLatin1Char('N')) {
                fmt->SetKind(fkNumeric);
                for (QChar &c : f)
                    if (c == QLatin1Char(',') || c == QLatin1Char('-') || c == QLatin1Char('.')) {
                        fmt->SetDecimalSeparator(QString(c));
                        c = QLatin1Char('.');
                    }
            } else if (k == QLatin1Char('D')) {
                fmt->SetKind(fkDateTime);
            } else if (k == QLatin1Char('B')) {
                fmt->SetKind(fkBoolean);
            }
            fmt->SetFormatStr(f.mid(1, 255));
        }
    }
    if (expr.compare(QLatin1String("TOTALPAGES#"), Qt::CaseInsensitive) == 0)
        Run().Value = QStringLiteral("[TotalPages#]");
    else if (expr.compare(QLatin1String("COPYNAME#"), Qt::CaseInsensitive) == 0)
        Run().Value = QStringLiteral("[CopyName#]");
    else
        Run().Value = qdzViewCalc(this, expr);
    if (FHideZeros && IsZero(Run().Value))
        return QString();
    return FormatData(Run().Value, fmt ? fmt.get() : &FDisplayFormat);
}

QString TqdzCustomMemoView::FormatData(const Variant &Value, TqdzFormat *Format)
{
    if (VarIsNull(Value))
        return QString();
    TqdzFormat *f = Format ? Format : &FDisplayFormat;
    switch (f->Kind()) {
    case fkNumeric: {
        const QString &fs = f->FormatStr();
        QString r;
        if (fs.contains(QLatin1Char('#')))
            r = FormatFloat(fs, Value.AsDouble());
        else if (fs.contains(QLatin1Char('d')) || fs.contains(QLatin1Char('u')))
            r = ::Format(fs, {TVarRec(static_cast<long long>(Value.AsInt64()))});
        else
            r = ::Format(fs, {TVarRec(Value.AsDouble())});
        const QChar sysThousand = FormatSettings.ThousandSeparator;
        const QChar sysDecimal = FormatSettings.DecimalSeparator;
        const int decimalAt = r.lastIndexOf(sysDecimal);
        if (f->ThousandSeparator().size() == 1 && f->ThousandSeparator()[0] != sysThousand)
            r.replace(sysThousand, f->ThousandSeparator()[0]);
        if (f->DecimalSeparator().size() == 1 && f->DecimalSeparator()[0] != sysDecimal && decimalAt >= 0)
            r[decimalAt] = f->DecimalSeparator()[0];
        return r;
    }
    case fkDateTime:
        return FormatDateTime(f->FormatStr(), VarToDateTime(Value));
    case fkBoolean: {
        const QString &fs = f->FormatStr();
        const int comma = fs.indexOf(QLatin1Char(','));
        // "Equals True" by the variant rules (True is -1 beside numbers); a
        // value that cannot be compared with a Boolean is not True.
        bool yes = false;
        try {
            yes = !VarIsEmpty(Value) && VarCompare(Value, Variant(true), opCmpEQ);
        } catch (const Exception &) {
            yes = false;
        }
        if (yes)
            return fs.mid(comma + 1);
        return comma < 0 ? QString() : fs.left(comma);
    }
    default: {
        const QString s = VarToStr(Value);
        return ConvertsCharset() ? ThroughCharset(s, Font()->Charset()) : s;
    }
    }
}

void TqdzCustomMemoView::ExpandPreviewMacros()
{
    if (!FAllowExpressions)
        return;
    QString s = Text();
    bool changed = false;
    const int tp = s.indexOf(QLatin1String("[TOTALPAGES#]"), 0, Qt::CaseInsensitive);
    if (tp >= 0) {
        s.replace(tp, 13, QString::number(TotalPages));
        changed = true;
    }
    const int cn = s.indexOf(QLatin1String("[COPYNAME#]"), 0, Qt::CaseInsensitive);
    if (cn >= 0) {
        TqdzVariables *g = qdzGlobalVariables();
        const QString name = QStringLiteral("CopyName") + QString::number(CopyNo);
        QString value;
        if (g->IndexOf(name) >= 0)
            value = VarToStr(g->Variables(name));
        s.replace(cn, 11, value);
        changed = true;
    }
    if (changed)
        SetText(s);
}

QString TqdzCustomMemoView::GetComponentText()
{
    QString s = Text();
    if (FAllowExpressions) {
        const int tp = s.indexOf(QLatin1String("[TOTALPAGES]"), 0, Qt::CaseInsensitive);
        if (tp >= 0)
            s.replace(tp, 12, QString::number(TotalPages));
    }
    return s;
}

QByteArray TqdzCustomMemoView::DiffAttributes(TqdzComponent *DefaultObject)
{
    QByteArray r = TqdzStretcheable::DiffAttributes(DefaultObject);
    auto *d = dynamic_cast<TqdzCustomMemoView *>(DefaultObject);
    if (!d)
        return r;
    auto flag = [](bool B) { return QByteArray(B ? "1" : "0"); };
    if (FAutoWidth != d->FAutoWidth)
        r += qdzAttrText("AutoWidth", flag(FAutoWidth));
    if (Differ(FCharSpacing, d->FCharSpacing))
        r += qdzAttrText("CharSpacing", FloatText(FCharSpacing));
    if (Differ(FGapX, d->FGapX))
        r += qdzAttrText("GapX", FloatText(FGapX));
    if (Differ(FGapY, d->FGapY))
        r += qdzAttrText("GapY", FloatText(FGapY));
    if (FHAlign != d->FHAlign)
        r += qdzAttrText("HAlign", QByteArray::number(int(FHAlign)));
    auto active = [](const TqdzCustomMemoView *M) { return M->FHighlight && M->FHighlight->Active(); };
    if (active(this) != active(d))
        r += qdzAttrText("Highlight.Active", flag(active(this)));
    if (Differ(FLineSpacing, d->FLineSpacing))
        r += qdzAttrText("LineSpacing", FloatText(FLineSpacing));
    if (FUseDefaultCharset != d->FUseDefaultCharset)
        r += qdzAttrText("UseDefaultCharset", flag(FUseDefaultCharset));
    QString text;
    if (FMemo.Count() == 1)
        text = FMemo.Get(0);
    else if (FMemo.Count() > 1) {
        text = FMemo.GetText();
        text.chop(2);
    }
    r += qdzAttrText("u", StrToXML(text.toUtf8()));
    if (Differ(FParagraphGap, d->FParagraphGap))
        r += qdzAttrText("ParagraphGap", FloatText(FParagraphGap));
    if (FRotation != d->FRotation)
        r += qdzAttrText("Rotation", QByteArray::number(FRotation));
    if (FRTLReading != d->FRTLReading)
        r += qdzAttrText("RTLReading", flag(FRTLReading));
    if (FUnderlines != d->FUnderlines)
        r += qdzAttrText("Underlines", flag(FUnderlines));
    if (FVAlign != d->FVAlign)
        r += qdzAttrText("VAlign", QByteArray::number(int(FVAlign)));
    if (FWordWrap != d->FWordWrap)
        r += qdzAttrText("WordWrap", flag(FWordWrap));
    TqdzFormat *f = &FDisplayFormat, *df = &d->FDisplayFormat;
    if (f->Kind() != df->Kind())
        r += qdzAttrText("DisplayFormat.Kind", QByteArray::number(int(f->Kind())));
    if (f->DecimalSeparator() != df->DecimalSeparator())
        r += qdzAttrText("DisplayFormat.DecimalSeparator", StrToXML(f->DecimalSeparator().toUtf8()));
    if (f->ThousandSeparator() != df->ThousandSeparator())
        r += qdzAttrText("DisplayFormat.ThousandSeparator", StrToXML(f->ThousandSeparator().toUtf8()));
    if (f->FormatStr() != df->FormatStr())
        r += qdzAttrText("DisplayFormat.FormatStr", StrToXML(f->FormatStr().toUtf8()));
    if (FFirstParaBreak)
        r += qdzAttrText("FirstParaBreak", "1");
    if (FLastParaBreak)
        r += qdzAttrText("LastParaBreak", "1");
    return r;
}

// ------------------------------------------------------------ TqdzMemoView

STATION_PUBLISHED(TqdzMemoView)
{
    using C = TqdzMemoView;
    P.Prop("AllowExpressions", &C::AllowExpressions, &C::SetAllowExpressions).NoDefault();
    P.Prop("AllowHTMLTags", &C::AllowHTMLTags, &C::SetAllowHTMLTags).NoDefault();
    P.Prop("AutoWidth", &C::AutoWidth, &C::SetAutoWidth).NoDefault();
    PublishCommon(P);
    P.Prop("CharSpacing", &C::CharSpacing, &C::SetCharSpacing)
        .Type(TypeInfoExtended())
        .Stored(&C::IsCharSpacingStored);
    P.Prop("Clipped", &C::Clipped, &C::SetClipped).NoDefault();
    P.Prop("Cursor", &C::Cursor, &C::SetCursor).Default(0);
    P.Prop("DataField", &C::DataField, &C::SetDataField);
    P.Prop("DataSet", &C::DataSet, &C::SetDataSet);
    P.Prop("DataSetName", &C::DataSetName, &C::SetDataSetName);
    P.Prop("DisplayFormat", &C::DisplayFormat, &C::SetDisplayFormat);
    P.Prop("ExpressionDelimiters", &C::ExpressionDelimiters, &C::SetExpressionDelimiters)
        .Stored(&C::IsExpressionDelimitersStored);
    P.Prop("FirstParaBreak", &C::FirstParaBreak, &C::SetFirstParaBreak).NoDefault();
    P.Prop("FlowTo", &C::FlowTo, &C::SetFlowTo);
    P.Prop("GapX", &C::GapX, &C::SetGapX).Type(TypeInfoExtended()).Stored(&C::IsGapXStored);
    P.Prop("GapY", &C::GapY, &C::SetGapY).Type(TypeInfoExtended()).Stored(&C::IsGapYStored);
    P.Prop("HAlign", &C::HAlign, &C::SetHAlign).NoDefault();
    P.Prop("HideZeros", &C::HideZeros, &C::SetHideZeros).NoDefault();
    P.Prop("Highlight", &C::Highlight, &C::SetHighlight).Stored(&C::IsHighlightStored);
    P.Prop("LastParaBreak", &C::LastParaBreak, &C::SetLastParaBreak).NoDefault();
    P.Prop("LineSpacing", &C::LineSpacing, &C::SetLineSpacing)
        .Type(TypeInfoExtended())
        .Stored(&C::IsLineSpacingStored);
    P.Prop("Memo", &C::Memo, &C::SetMemo);
    P.Prop("ParagraphGap", &C::ParagraphGap, &C::SetParagraphGap)
        .Type(TypeInfoExtended())
        .Stored(&C::IsParagraphGapStored);
    P.Prop("ParentFont", &C::ParentFont, &C::SetParentFont).NoDefault();
    P.Prop("Rotation", &C::Rotation, &C::SetRotation).NoDefault();
    P.Prop("RTLReading", &C::RTLReading, &C::SetRTLReading).NoDefault();
    P.Prop("Style", &C::Style, &C::SetStyle);
    P.Prop("SuppressRepeated", &C::SuppressRepeated, &C::SetSuppressRepeated).NoDefault();
    P.Prop("TagStr", &C::TagStr, &C::SetTagStr);
    P.Prop("Underlines", &C::Underlines, &C::SetUnderlines).NoDefault();
    P.Prop("URL", &C::URL, &C::SetURL);
    P.Prop("UseDefaultCharset", &C::UseDefaultCharset, &C::SetUseDefaultCharset).NoDefault();
    P.Prop("VAlign", &C::VAlign, &C::SetVAlign).NoDefault();
    P.Prop("WordBreak", &C::WordBreak, &C::SetWordBreak).NoDefault();
    P.Prop("WordWrap", &C::WordWrap, &C::SetWordWrap).NoDefault();
    P.Prop("Wysiwyg", &C::Wysiwyg, &C::SetWysiwyg).NoDefault();
}

TqdzMemoView::TqdzMemoView(TComponent *AOwner) : TqdzCustomMemoView(AOwner) {}

// --------------------------------------------------------- TqdzSysMemoView

STATION_PUBLISHED(TqdzSysMemoView)
{
    using C = TqdzSysMemoView;
    P.Prop("AutoWidth", &C::AutoWidth, &C::SetAutoWidth).NoDefault();
    PublishCommon(P);
    P.Prop("CharSpacing", &C::CharSpacing, &C::SetCharSpacing)
        .Type(TypeInfoExtended())
        .Stored(&C::IsCharSpacingStored);
    P.Prop("DisplayFormat", &C::DisplayFormat, &C::SetDisplayFormat);
    P.Prop("GapX", &C::GapX, &C::SetGapX).Type(TypeInfoExtended()).Stored(&C::IsGapXStored);
    P.Prop("GapY", &C::GapY, &C::SetGapY).Type(TypeInfoExtended()).Stored(&C::IsGapYStored);
    P.Prop("HAlign", &C::HAlign, &C::SetHAlign).NoDefault();
    P.Prop("HideZeros", &C::HideZeros, &C::SetHideZeros).NoDefault();
    P.Prop("Highlight", &C::Highlight, &C::SetHighlight).Stored(&C::IsHighlightStored);
    P.Prop("Memo", &C::Memo, &C::SetMemo);
    P.Prop("ParentFont", &C::ParentFont, &C::SetParentFont).NoDefault();
    P.Prop("Rotation", &C::Rotation, &C::SetRotation).NoDefault();
    P.Prop("RTLReading", &C::RTLReading, &C::SetRTLReading).NoDefault();
    P.Prop("Style", &C::Style, &C::SetStyle);
    P.Prop("SuppressRepeated", &C::SuppressRepeated, &C::SetSuppressRepeated).NoDefault();
    P.Prop("VAlign", &C::VAlign, &C::SetVAlign).NoDefault();
    P.Prop("WordWrap", &C::WordWrap, &C::SetWordWrap).NoDefault();
}

TqdzSysMemoView::TqdzSysMemoView(TComponent *AOwner) : TqdzCustomMemoView(AOwner) {}

QString TqdzSysMemoView::GetDescription() const
{
    return qdzResources()->ResourceText(QStringLiteral("obSysText"));
}
