// The view base: frames, highlight, display format, binding, drawing of fill and frame, compact attributes.
#include "report/model/qdzClassViews.h"

#include "platform/CodePages.h"
#include "platform/SysUtils.h"
#include "report/model/qdzUtils.h"
#include "report/model/qdzXML.h"

#include <QPainter>
#include <QPaintDevice>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

bool Differ(double A, double B)
{
    return std::abs(A - B) > 0.0001;
}

QByteArray FloatText(double Value)
{
    return FloatToStr(Value).toLatin1();
}

} // namespace

// Rounds a pixel value, halves to even, kept within a range that any int
// holds: templates may carry absurd sizes.
int qdzRoundPx(double Value)
{
    if (!std::isfinite(Value))
        return 0;
    return Round(std::clamp(Value, -1e7, 1e7));
}

// ------------------------------------------------------------ TqdzFrameLine

STATION_PUBLISHED(TqdzFrameLine)
{
    using C = TqdzFrameLine;
    // No declared defaults: a line is stored whenever it differs from its
    // frame, even when it holds the default value.
    P.Prop("Color", &C::Color, &C::SetColor).Type(TypeInfoTColor()).NoDefault().Stored(&C::IsColorStored);
    P.Prop("Style", &C::Style, &C::SetStyle).NoDefault().Stored(&C::IsStyleStored);
    P.Prop("Width", &C::Width, &C::SetWidth).Type(TypeInfoExtended()).Stored(&C::IsWidthStored);
}

void TqdzFrameLine::Assign(TPersistent *Source)
{
    if (auto *l = dynamic_cast<TqdzFrameLine *>(Source)) {
        FColor = l->FColor;
        FStyle = l->FStyle;
        FWidth = l->FWidth;
        return;
    }
    TPersistent::Assign(Source);
}

bool TqdzFrameLine::IsColorStored() const
{
    return !FFrame || FColor != FFrame->Color();
}

bool TqdzFrameLine::IsStyleStored() const
{
    return !FFrame || FStyle != FFrame->Style();
}

bool TqdzFrameLine::IsWidthStored() const
{
    return !FFrame || FWidth != FFrame->Width();
}

// ---------------------------------------------------------------- TqdzFrame

STATION_PUBLISHED(TqdzFrame)
{
    using C = TqdzFrame;
    // The frame's own values come first: their setters overwrite the four
    // lines, which must be read after them to keep their own values.
    P.Prop("Color", &C::Color, &C::SetColor).Type(TypeInfoTColor()).Default(0);
    P.Prop("DropShadow", &C::DropShadow, &C::SetDropShadow).Default(false);
    P.Prop("ShadowColor", &C::ShadowColor, &C::SetShadowColor).Type(TypeInfoTColor()).Default(0);
    P.Prop("ShadowWidth", &C::ShadowWidth, &C::SetShadowWidth)
        .Type(TypeInfoExtended())
        .Stored(&C::IsShadowWidthStored);
    P.Prop("Style", &C::Style, &C::SetStyle).Default(fsSolid);
    P.Prop("Typ", &C::Typ, &C::SetTyp).Default(TqdzFrameTypes());
    P.Prop("Width", &C::Width, &C::SetWidth).Type(TypeInfoExtended()).Stored(&C::IsWidthStored);
    P.Prop("LeftLine", &C::LeftLine, &C::SetLeftLine);
    P.Prop("TopLine", &C::TopLine, &C::SetTopLine);
    P.Prop("RightLine", &C::RightLine, &C::SetRightLine);
    P.Prop("BottomLine", &C::BottomLine, &C::SetBottomLine);
}

TqdzFrame::TqdzFrame() = default;

TqdzFrame::~TqdzFrame() = default;

void TqdzFrame::Assign(TPersistent *Source)
{
    if (auto *f = dynamic_cast<TqdzFrame *>(Source)) {
        FColor = f->FColor;
        FDropShadow = f->FDropShadow;
        FShadowColor = f->FShadowColor;
        FShadowWidth = f->FShadowWidth;
        FStyle = f->FStyle;
        FTyp = f->FTyp;
        FWidth = f->FWidth;
        FLeftLine.Assign(&f->FLeftLine);
        FTopLine.Assign(&f->FTopLine);
        FRightLine.Assign(&f->FRightLine);
        FBottomLine.Assign(&f->FBottomLine);
        return;
    }
    TPersistent::Assign(Source);
}

TqdzFrameLine *TqdzFrame::Line(TqdzFrameType Side) const
{
    switch (Side) {
    case ftLeft: return &FLeftLine;
    case ftRight: return &FRightLine;
    case ftTop: return &FTopLine;
    default: return &FBottomLine;
    }
}

void TqdzFrame::SetColor(TColor Value)
{
    FColor = Value;
    for (TqdzFrameLine *l : {&FLeftLine, &FTopLine, &FRightLine, &FBottomLine})
        l->SetColor(Value);
}

void TqdzFrame::SetStyle(TqdzFrameStyle Value)
{
    FStyle = Value;
    for (TqdzFrameLine *l : {&FLeftLine, &FTopLine, &FRightLine, &FBottomLine})
        l->SetStyle(Value);
}

void TqdzFrame::SetWidth(double Value)
{
    FWidth = Value;
    for (TqdzFrameLine *l : {&FLeftLine, &FTopLine, &FRightLine, &FBottomLine})
        l->SetWidth(Value);
}

// ------------------------------------------------------------ TqdzHighlight

STATION_PUBLISHED(TqdzHighlight)
{
    using C = TqdzHighlight;
    // Published so that a built page, which stores the condition's result,
    // reads it back.
    P.Prop("Active", &C::Active, &C::SetActive).Default(false);
    P.Prop("Font", &C::Font, &C::SetFont);
    P.Prop("Color", &C::Color, &C::SetColor).Type(TypeInfoTColor()).Default(clTransparent);
    P.Prop("Condition", &C::Condition, &C::SetCondition);
}

TqdzHighlight::TqdzHighlight()
{
    FFont.SetName(QStringLiteral("Arial"));
    FFont.SetSize(10);
    FFont.SetColor(clRed);
    FFont.SetCharset(1);
}

TqdzHighlight::~TqdzHighlight() = default;

void TqdzHighlight::Assign(TPersistent *Source)
{
    if (auto *h = dynamic_cast<TqdzHighlight *>(Source)) {
        FFont.Assign(&h->FFont);
        FColor = h->FColor;
        FCondition = h->FCondition;
        return;
    }
    TPersistent::Assign(Source);
}

// --------------------------------------------------------------- TqdzFormat

STATION_PUBLISHED(TqdzFormat)
{
    using C = TqdzFormat;
    P.Prop("DecimalSeparator", &C::DecimalSeparator, &C::SetDecimalSeparator);
    P.Prop("FormatStr", &C::FormatStr, &C::SetFormatStr);
    P.Prop("Kind", &C::Kind, &C::SetKind).Default(fkText);
    P.Prop("ThousandSeparator", &C::ThousandSeparator, &C::SetThousandSeparator);
}

void TqdzFormat::Assign(TPersistent *Source)
{
    if (auto *f = dynamic_cast<TqdzFormat *>(Source)) {
        FDecimalSeparator = f->FDecimalSeparator;
        FThousandSeparator = f->FThousandSeparator;
        FFormatStr = f->FFormatStr;
        FKind = f->FKind;
        return;
    }
    TPersistent::Assign(Source);
}

// ----------------------------------------------------------------- TqdzView

STATION_PUBLISHED(TqdzView)
{
    using C = TqdzView;
    P.Prop("Align", &C::Align, &C::SetAlign).Default(baNone);
    P.Prop("Printable", &C::Printable, &C::SetPrintable).Default(true);
    P.Prop("ShiftMode", &C::ShiftMode, &C::SetShiftMode).Default(smAlways);
    P.Prop("Left", &C::Left, &C::SetLeft).Type(TypeInfoExtended());
    P.Prop("Top", &C::Top, &C::SetTop).Type(TypeInfoExtended());
    P.Prop("Width", &C::Width, &C::SetWidth).Type(TypeInfoExtended());
    P.Prop("Height", &C::Height, &C::SetHeight).Type(TypeInfoExtended());
    P.Prop("GroupIndex", &C::GroupIndex, &C::SetGroupIndex).Default(0);
    P.Prop("Restrictions", &C::Restrictions, &C::SetRestrictions).Default(TqdzRestrictions());
    P.Prop("Visible", &C::Visible, &C::SetVisible).Default(true);
    P.Prop("OnAfterData", &C::OnAfterData, &C::SetOnAfterData);
    P.Prop("OnAfterPrint", &C::OnAfterPrint, &C::SetOnAfterPrint);
    P.Prop("OnBeforePrint", &C::OnBeforePrint, &C::SetOnBeforePrint);
    P.Prop("OnPreviewClick", &C::OnPreviewClick, &C::SetOnPreviewClick);
    P.Prop("OnPreviewDblClick", &C::OnPreviewDblClick, &C::SetOnPreviewDblClick);
    P.Prop("Hint", &C::Hint, &C::SetHint);
    P.Prop("ShowHint", &C::ShowHint, &C::SetShowHint).Default(false);
}

TqdzView::TqdzView(TComponent *AOwner) : TqdzReportComponent(AOwner)
{
    SetFlags(Flags() | qdzFlagWriteFull);
}

TqdzView::~TqdzView() = default;

const QString &TqdzView::NoText()
{
    static const QString Empty;
    return Empty;
}

void TqdzView::SetRareText(QString TRareText::*Member, const QString &Value)
{
    if (!FRareText) {
        if (Value.isEmpty())
            return;
        FRareText = std::make_unique<TRareText>();
    }
    (*FRareText).*Member = Value;
}

void TqdzView::Notification(TComponent *AComponent, TOperation Operation)
{
    TqdzReportComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && FDataSet && AComponent == static_cast<TComponent *>(FDataSet))
        FDataSet = nullptr;
}

void TqdzView::SetDataSet(TqdzDataSet *Value)
{
    FDataSet = Value;
    FDataSetName = Value ? Value->UserName() : QString();
    if (Value)
        FreeNotification(Value);
}

QString TqdzView::DataSetName() const
{
    return FDataSet ? FDataSet->UserName() : FDataSetName;
}

void TqdzView::SetDataSetName(const QString &Value)
{
    FDataSetName = Value;
    FDataSet = Value.isEmpty() ? nullptr : qdzFindDataSet(this, nullptr, Value);
    if (FDataSet)
        FreeNotification(FDataSet);
}

bool TqdzView::IsPrinting() const
{
    if (!FCanvas)
        return false;
    QPaintDevice *d = FCanvas->Device();
    if (!d && FCanvas->HandleAllocated())
        d = FCanvas->Handle()->device();
    return d && d->devType() == QInternal::Printer;
}

void TqdzView::Draw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY)
{
    PrepareDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    DrawBackground();
    DrawFrame();
}

void TqdzView::PrepareDraw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY)
{
    FCanvas = Canvas;
    FScaleX = ScaleX;
    FScaleY = ScaleY;
    FOffsetX = OffsetX;
    FOffsetY = OffsetY;
    FX = qdzRoundPx(AbsLeft() * ScaleX + OffsetX);
    FY = qdzRoundPx(AbsTop() * ScaleY + OffsetY);
    FX1 = qdzRoundPx((AbsLeft() + Width()) * ScaleX + OffsetX);
    FY1 = qdzRoundPx((AbsTop() + Height()) * ScaleY + OffsetY);
    if (FFrame.DropShadow()) {
        // The shadow lies inside the bounds; a wider one than the object
        // would turn the rectangle inside out.
        FX1 -= std::clamp(qdzRoundPx(FFrame.ShadowWidth() * ScaleX), 0, std::max(0, FX1 - FX));
        FY1 -= std::clamp(qdzRoundPx(FFrame.ShadowWidth() * ScaleY), 0, std::max(0, FY1 - FY));
    }
    FDX = FX1 - FX;
    FDY = FY1 - FY;
    FFrameWidth = qdzRoundPx(FFrame.Width() * ScaleX);
}

void TqdzView::DrawBackground()
{
    if (!FCanvas)
        return;
    TBrush *b = FCanvas->Brush();
    b->SetStyle(FBrushStyle);
    if (FColor != clTransparent) {
        b->SetColor(FColor);
        b->SetStyle(bsSolid);
        FCanvas->FillRect(TRect{FX, FY, FX1, FY1});
    }
    if (FBrushStyle != bsSolid && FBrushStyle != bsClear) {
        // The hatch in the frame's colour over the fill, without an outline.
        TBrush saved;
        saved.Assign(b);
        TPen savedPen;
        savedPen.Assign(FCanvas->Pen());
        b->SetColor(ColorToRGB(FFrame.Color()));
        b->SetStyle(FBrushStyle);
        FCanvas->Pen()->SetStyle(psClear);
        FCanvas->Rectangle(FX, FY, FX1 + 1, FY1 + 1);
        FCanvas->Pen()->Assign(&savedPen);
        b->Assign(&saved);
    }
}

void TqdzView::DrawThickLine(int X, int Y, int X1, int Y1, int W)
{
    if (!FCanvas)
        return;
    // A template's absurd width would draw millions of lines: no more lines
    // than the object or the line itself is pixels wide or high.
    const int limit = std::max({1, std::abs(FX1 - FX), std::abs(FY1 - FY), std::abs(X1 - X), std::abs(Y1 - Y)});
    W = std::clamp(W, 1, limit);
    const int h = W / 2;
    int first = -h;
    int last = W % 2 == 0 ? h - 1 : h;
    const bool horizontal = std::abs(X1 - X) > std::abs(Y1 - Y);
    // Only the lines that can touch the device are drawn.
    QPaintDevice *d = FCanvas->Device();
    if (!d && FCanvas->HandleAllocated())
        d = FCanvas->Handle()->device();
    if (d && d->devType() != QInternal::Picture && d->width() > 0 && d->height() > 0) {
        const int lo = horizontal ? std::min(Y, Y1) : std::min(X, X1);
        const int hi = horizontal ? std::max(Y, Y1) : std::max(X, X1);
        const int extent = horizontal ? d->height() : d->width();
        first = std::max(first, -hi - 1);
        last = std::min(last, extent - lo);
    }
    for (int i = first; i <= last; ++i) {
        if (horizontal) {
            FCanvas->MoveTo(X, Y + i);
            FCanvas->LineTo(X1, Y1 + i);
        } else {
            FCanvas->MoveTo(X + i, Y);
            FCanvas->LineTo(X1 + i, Y1);
        }
    }
}

void TqdzView::DrawFrame()
{
    if (!FCanvas)
        return;
    TPen *pen = FCanvas->Pen();
    TBrush *brush = FCanvas->Brush();
    if (FFrame.DropShadow()) {
        pen->SetStyle(psSolid);
        pen->SetWidth(1);
        pen->SetColor(FFrame.ShadowColor());
        const int fullW = qdzRoundPx((AbsLeft() + Width()) * FScaleX + FOffsetX) - FX;
        const int fullH = qdzRoundPx((AbsTop() + Height()) * FScaleY + FOffsetY) - FY;
        const int wx = std::clamp(qdzRoundPx(FFrame.ShadowWidth() * FScaleX), 0, std::max(0, fullW));
        const int wy = std::clamp(qdzRoundPx(FFrame.ShadowWidth() * FScaleY), 0, std::max(0, fullH));
        if (wx > 0)
            DrawThickLine(FX1 + wx / 2, FY + wx, FX1 + wx / 2, FY1, wx);
        if (wy > 0)
            DrawThickLine(FX + wy, FY1 + wy / 2, FX1 + wy, FY1 + wy / 2, wy);
    }
    if (FFrame.Typ().ToInt() == 0 || FFrame.Color() == clTransparent || FFrame.Width() == 0)
        return;
    brush->SetStyle(bsSolid);
    if (FFrame.Style() != fsSolid) {
        if (FColor == clTransparent)
            brush->SetStyle(bsClear);
        else
            brush->SetColor(FColor);
    }
    // One painter state for all sides: a PDF writes the state out again on
    // every restore, and solid sides share their pen.
    QPainter *p = FCanvas->Handle();
    if (p)
        p->save();
    for (TqdzFrameType side : {ftLeft, ftRight, ftTop, ftBottom})
        if (FFrame.Typ().Contains(side))
            DrawFrameSide(side);
    if (p)
        p->restore();
}

namespace {

// Draws a straight side with a geometric pen of width W: the pixels it
// covers are those of a line of W one-pixel lines centred as DrawThickLine
// centres them.
void StrokeSide(QPainter *P, const QPen &Pen, int X, int Y, int X1, int Y1, int W)
{
    const double c = W % 2 == 0 ? 0.0 : 0.5;
    P->setPen(Pen);
    P->setBrush(Qt::NoBrush);
    P->drawLine(QPointF(X + c, Y + c), QPointF(X1 + c, Y1 + c));
}

} // namespace

void TqdzView::DrawFrameSide(TqdzFrameType Side)
{
    TqdzFrameLine *line = FFrame.Line(Side);
    const TqdzFrameTypes typ = FFrame.Typ();
    const bool vertical = Side == ftLeft || Side == ftRight;
    int x = 0, y = 0, x1 = 0, y1 = 0;
    bool startN = false, endN = false;
    switch (Side) {
    case ftLeft: x = FX; y = FY; x1 = FX; y1 = FY1; break;
    case ftRight: x = FX1; y = FY; x1 = FX1; y1 = FY1; break;
    case ftTop: x = FX; y = FY; x1 = FX1; y1 = FY; break;
    default: x = FX; y = FY1; x1 = FX1; y1 = FY1; break;
    }
    if (vertical) {
        startN = typ.Contains(ftTop);
        endN = typ.Contains(ftBottom);
    } else {
        startN = typ.Contains(ftLeft);
        endN = typ.Contains(ftRight);
    }
    const int limit = std::max({1, std::abs(FX1 - FX), std::abs(FY1 - FY)});
    const int w = std::clamp(qdzRoundPx(line->Width() * FScaleX), 0, limit);
    if (FFrame.Style() != fsSolid) {
        if (Side == ftLeft && w == 2)
            y -= 1;
        if (Side == ftBottom && w <= 1)
            x1 += 1;
    }
    TPen *pen = FCanvas->Pen();
    pen->SetColor(line->Color());
    const TqdzFrameStyle style = line->Style();
    if (style == fsSolid || style == fsDouble) {
        pen->SetStyle(psSolid);
        pen->SetWidth(std::max(1, w));
    } else {
        pen->SetStyle(style == fsDash ? psDash : style == fsDot ? psDot : style == fsDashDot ? psDashDot
                      : style == fsDashDotDot ? psDashDotDot : psSolid);
        pen->SetWidth(1);
    }
    const QColor ink = ColorToQColor(ColorToRGB(line->Color()));
    QPainter *p = FCanvas->Handle();
    if (!p)
        return;
    const int ww = std::max(1, w);

    switch (style) {
    case fsSolid: {
        const int cut = ww / 2;
        if (vertical) {
            if (!startN) y += cut;
            if (!endN) y1 -= cut;
        } else {
            if (!startN) x += cut;
            if (!endN) x1 -= cut;
        }
        // The frame's own save keeps this from what is drawn after it.
        p->setRenderHint(QPainter::Antialiasing, false);
        QPen qp(QBrush(ink), ww, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
        StrokeSide(p, qp, x, y, x1, y1, ww);
        break;
    }
    case fsDouble: {
        // Two strokes ww to either side; the outer one reaches round the
        // corners where a neighbour side is drawn, the inner one stops short.
        const int outerSign = (Side == ftLeft || Side == ftTop) ? -1 : 1;
        auto stroke = [&](int sign, int offset) {
            const int d = sign * offset;
            int sx = x, sy = y, ex = x1, ey = y1;
            const int grow = offset == 0 ? 0 : (sign == outerSign ? ww : -ww);
            if (vertical) {
                sx += d; ex += d;
                if (startN) sy -= grow;
                if (endN) ey += grow;
            } else {
                sy += d; ey += d;
                if (startN) sx -= grow;
                if (endN) ex += grow;
            }
            // Flat caps stop at the end points: take in the last pixel.
            const double c = ww % 2 == 0 ? 0.0 : 0.5;
            if (vertical)
                p->drawLine(QPointF(sx + c, sy), QPointF(ex + c, ey + 1));
            else
                p->drawLine(QPointF(sx, sy + c), QPointF(ex + 1, ey + c));
        };
        p->save();
        p->setRenderHint(QPainter::Antialiasing, false);
        auto setPen = [&](const QColor &colour) {
            p->setPen(QPen(QBrush(colour), ww, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        };
        setPen(ink);
        stroke(outerSign, ww);
        if (FColor != clTransparent) {
            setPen(ColorToQColor(ColorToRGB(FColor)));
            stroke(1, 0);
        }
        setPen(ink);
        stroke(-outerSign, ww);
        p->restore();
        break;
    }
    case fsAltDot:
    case fsSquare: {
        if (FColor != clTransparent) {
            const TColor savedColour = pen->Color();
            pen->SetStyle(psSolid);
            pen->SetColor(FColor);
            DrawThickLine(x, y, x1, y1, ww);
            pen->SetColor(savedColour);
        }
        QPen qp(QBrush(ink), ww, Qt::CustomDashLine, Qt::FlatCap, Qt::MiterJoin);
        if (ww < 2) {
            qp.setDashPattern({1, 1});
        } else if (style == fsAltDot) {
            // Dots: round caps on (next to) zero-length dashes, 2w apart.
            qp.setCapStyle(Qt::RoundCap);
            qp.setDashPattern({0.001, 2});
        } else {
            qp.setDashPattern({1, 1});
        }
        p->save();
        p->setRenderHint(QPainter::Antialiasing, style == fsAltDot && ww >= 2);
        StrokeSide(p, qp, x, y, x1, y1, ww);
        p->restore();
        break;
    }
    default:
        DrawThickLine(x, y, x1, y1, ww);
        break;
    }
}

void TqdzView::ExpandBracketedText(QString &S)
{
    int i = 0;
    while (i < S.size()) {
        const int open = S.indexOf(QLatin1Char('['), i);
        if (open < 0)
            return;
        QString expr;
        int start = open + 1, end = 0;
        qdzGetBracketedExpression(S, QStringLiteral("["), QStringLiteral("]"), expr, end, start);
        if (start == end)
            return;
        const QString value = VarToStr(qdzViewCalc(this, expr));
        S.replace(start - 1, end - start + 1, value);
        i = start - 1 + int(value.size());
    }
}

void TqdzView::BeforePrint()
{
    TqdzReportComponent::BeforePrint();
    if (FRareText) {
        FRareText->SavedTagStr = FRareText->TagStr;
        FRareText->SavedURL = FRareText->URL;
    }
    if (GetReport())
        qdzViewSetSelf(this);
}

void TqdzView::GetData()
{
    TqdzReportComponent::GetData();
    if (!FRareText)
        return;
    if (FRareText->TagStr.contains(QLatin1Char('[')))
        ExpandBracketedText(FRareText->TagStr);
    if (FRareText->URL.contains(QLatin1Char('[')))
        ExpandBracketedText(FRareText->URL);
}

void TqdzView::AfterPrint()
{
    TqdzReportComponent::AfterPrint();
    if (FRareText) {
        FRareText->TagStr = FRareText->SavedTagStr;
        FRareText->URL = FRareText->SavedURL;
    }
}

void TqdzView::WriteFrameLineAttributes(TqdzFrameLine *Line, TqdzFrameLine *DefaultLine, const char *Path,
                                        QByteArray &Text, bool FrameWidthDiffers, bool FrameStyleDiffers,
                                        bool FrameColorDiffers)
{
    TqdzFrame *frame = Line->Frame();
    // Written for every built view, mostly with nothing to write: the
    // attribute names are made only when one is.
    auto path = [Path]() { return QByteArray(Path); };
    const bool colour = FrameColorDiffers && frame ? Line->Color() != frame->Color()
                                                   : Line->Color() != DefaultLine->Color();
    if (colour)
        Text += qdzAttrText((path() + ".Color").constData(), QByteArray::number(qint32(Line->Color())));
    const bool style = FrameStyleDiffers && frame ? Line->Style() != frame->Style()
                                                  : Line->Style() != DefaultLine->Style();
    if (style)
        Text += qdzAttrText((path() + ".Style").constData(), QByteArray::number(int(Line->Style())));
    const bool width = FrameWidthDiffers && frame ? Differ(Line->Width(), frame->Width())
                                                  : Differ(Line->Width(), DefaultLine->Width());
    if (width)
        Text += qdzAttrText((path() + ".Width").constData(), FloatText(Line->Width()));
}

void TqdzView::WriteFrameAttributes(TqdzFrame *F, TqdzFrame *D, QByteArray &Text)
{
    const bool colour = F->Color() != D->Color();
    const bool style = F->Style() != D->Style();
    const bool width = Differ(F->Width(), D->Width());
    if (colour)
        Text += qdzAttrText("Frame.Color", QByteArray::number(qint32(F->Color())));
    if (F->DropShadow() != D->DropShadow())
        Text += qdzAttrText("Frame.DropShadow", F->DropShadow() ? "1" : "0");
    if (F->ShadowColor() != D->ShadowColor())
        Text += qdzAttrText("Frame.ShadowColor", QByteArray::number(qint32(F->ShadowColor())));
    if (Differ(F->ShadowWidth(), D->ShadowWidth()))
        Text += qdzAttrText("Frame.ShadowWidth", FloatText(F->ShadowWidth()));
    if (style)
        Text += qdzAttrText("Frame.Style", QByteArray::number(int(F->Style())));
    if (F->Typ() != D->Typ())
        Text += qdzAttrText("Frame.Typ", QByteArray::number(F->Typ().ToInt()));
    if (width)
        Text += qdzAttrText("Frame.Width", FloatText(F->Width()));
    WriteFrameLineAttributes(F->LeftLine(), D->LeftLine(), "Frame.LeftLine", Text, width, style, colour);
    WriteFrameLineAttributes(F->TopLine(), D->TopLine(), "Frame.TopLine", Text, width, style, colour);
    WriteFrameLineAttributes(F->RightLine(), D->RightLine(), "Frame.RightLine", Text, width, style, colour);
    WriteFrameLineAttributes(F->BottomLine(), D->BottomLine(), "Frame.BottomLine", Text, width, style, colour);
}

QByteArray TqdzView::DiffAttributes(TqdzComponent *DefaultObject)
{
    QByteArray r = TqdzReportComponent::DiffAttributes(DefaultObject);
    auto *d = dynamic_cast<TqdzView *>(DefaultObject);
    if (!d)
        return r;
    if (FBrushStyle != d->FBrushStyle)
        r += qdzAttrText("BrushStyle", QByteArray::number(int(FBrushStyle)));
    if (FAlign != d->FAlign)
        r += qdzAttrText("Align", QByteArray::number(int(FAlign)));
    if (FColor != d->FColor)
        r += qdzAttrText("Color", QByteArray::number(qint32(FColor)));
    WriteFrameAttributes(&FFrame, &d->FFrame, r);
    if (FCursor != d->FCursor)
        r += qdzAttrText("Cursor", QByteArray::number(FCursor));
    if (FPrintable != d->FPrintable)
        r += qdzAttrText("Printable", FPrintable ? "1" : "0");
    if (TagStr() != d->TagStr())
        r += qdzAttrText("TagStr", StrToXML(StringToCodePage(TagStr(), CP_ACP)));
    if (URL() != d->URL())
        r += qdzAttrText("URL", StrToXML(StringToCodePage(URL(), CP_ACP)));
    return r;
}

// --------------------------------------------------------- TqdzStretcheable

STATION_PUBLISHED(TqdzStretcheable)
{
    P.Prop("StretchMode", &TqdzStretcheable::StretchMode, &TqdzStretcheable::SetStretchMode).Default(smDontStretch);
}

TqdzStretcheable::TqdzStretcheable(TComponent *AOwner) : TqdzView(AOwner) {}

double TqdzStretcheable::CalcHeight()
{
    return Height();
}

double TqdzStretcheable::CutPart()
{
    // Nothing to cut: the whole view is the part.
    return Height();
}

void TqdzStretcheable::BeginParts() {}

bool TqdzStretcheable::HasMoreParts()
{
    return false;
}

// ------------------------------------------------------- report expressions

Variant qdzViewCalc(TqdzComponent *View, const QString &Expression)
{
    TqdzReport *report = View ? View->GetReport() : nullptr;
    if (!report)
        throw Exception(QStringLiteral("Expression outside a report: ") + Expression);
    // Its errors name this view, not the last object that set the name.
    report->SetCurObject(View->Name());
    return report->Calc(Expression);
}

void qdzViewSetSelf(TqdzComponent *View)
{
    if (TqdzReport *report = View ? View->GetReport() : nullptr)
        report->SetSelfValue(View->InheritsFrom(TqdzView::StaticClass()) ? static_cast<TqdzView *>(View) : nullptr);
}

void qdzViewSetValue(TqdzComponent *View, const Variant &Value)
{
    if (TqdzReport *report = View ? View->GetReport() : nullptr)
        report->SetLocalValue(Value);
}
