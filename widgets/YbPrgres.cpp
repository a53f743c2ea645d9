// Implementation of the suite's progress bar.
#include "YbPrgres.h"

#include "Themes.h"

#include <algorithm>
#include <cmath>

STATION_PUBLISHED(TYbCustomProgressBar) {}

STATION_PUBLISHED(TYbProgressBar)
{
    P.Prop("About", &TYbProgressBar::About, &TYbProgressBar::SetAbout).Stored(false);
    P.Prop("BackColor", &TYbProgressBar::BackColor, &TYbProgressBar::SetBackColor)
        .Type(TypeInfoTColor())
        .Default(int(clWhite));
    P.Prop("BackColorStop", &TYbProgressBar::BackColorStop, &TYbProgressBar::SetBackColorStop)
        .Type(TypeInfoTColor())
        .Default(int(clBtnFace));
    P.Prop("BarColor", &TYbProgressBar::BarColor, &TYbProgressBar::SetBarColor)
        .Type(TypeInfoTColor())
        .Default(int(clHighlight));
    P.Prop("BarColorStop", &TYbProgressBar::BarColorStop, &TYbProgressBar::SetBarColorStop)
        .Type(TypeInfoTColor())
        .Default(int(clHotLight));
    P.Prop("BarStyle", &TYbProgressBar::BarStyle, &TYbProgressBar::SetBarStyle).Default(bsTraditional);
    P.Prop("BevelWidth", &TYbProgressBar::BevelWidth, &TYbProgressBar::SetBevelWidth).Default(1);
    P.Prop("BorderColor", &TYbProgressBar::BorderColor, &TYbProgressBar::SetBorderColor)
        .Type(TypeInfoTColor())
        .Default(int(clBtnFace));
    P.Prop("BorderInner", &TYbProgressBar::BorderInner, &TYbProgressBar::SetBorderInner).Default(fsNone);
    P.Prop("BorderOuter", &TYbProgressBar::BorderOuter, &TYbProgressBar::SetBorderOuter).Default(fsLowered);
    P.Prop("BorderWidth", &TYbProgressBar::BorderWidth, &TYbProgressBar::SetBorderWidth).Default(0);
    P.Prop("FlatColor", &TYbProgressBar::FlatColor, &TYbProgressBar::SetFlatColor)
        .Type(TypeInfoTColor())
        .Default(int(clBtnShadow));
    P.Prop("FlatColorAdjustment", &TYbProgressBar::FlatColorAdjustment, &TYbProgressBar::SetFlatColorAdjustment)
        .Default(30);
    P.Prop("FrameController", &TYbProgressBar::FrameController, &TYbProgressBar::SetFrameController);
    P.Prop("FrameControllerNotifications", &TYbProgressBar::FrameControllerNotifications,
           &TYbProgressBar::SetFrameControllerNotifications)
        .Default(AllFrameControllerNotifications);
    P.Prop("GradientDirection", &TYbProgressBar::GradientDirection, &TYbProgressBar::SetGradientDirection)
        .Default(gdHorizontalCenter);
    P.Prop("InteriorOffset", &TYbProgressBar::InteriorOffset, &TYbProgressBar::SetInteriorOffset).Default(0);
    P.Prop("NumSegments", &TYbProgressBar::NumSegments, &TYbProgressBar::SetNumSegments).Default(20);
    P.Prop("Orientation", &TYbProgressBar::Orientation, &TYbProgressBar::SetOrientation).Default(orHorizontal);
    P.Prop("PartsComplete", &TYbProgressBar::PartsComplete, &TYbProgressBar::SetPartsComplete).Default(0);
    P.Prop("Percent", &TYbProgressBar::Percent, &TYbProgressBar::SetPercent).Default(0);
    P.Prop("ShowParts", &TYbProgressBar::ShowParts, &TYbProgressBar::SetShowParts).Default(false);
    P.Prop("ShowPercent", &TYbProgressBar::ShowPercent, &TYbProgressBar::SetShowPercent).Default(true);
    P.Prop("ThemeAware", &TYbProgressBar::ThemeAware, &TYbProgressBar::SetThemeAware).Default(true);
    P.Prop("TotalParts", &TYbProgressBar::TotalParts, &TYbProgressBar::SetTotalParts).Default(0);
    P.Prop("OnChange", &TYbProgressBar::OnChange, &TYbProgressBar::SetOnChange);
}

TYbCustomProgressBar::TYbCustomProgressBar(TComponent *AOwner) : TGraphicControl(AOwner)
{
    InitializeYbCommon();
    SetBounds(0, 0, 200, 24);
}

TYbCustomProgressBar::~TYbCustomProgressBar()
{
    if (FFrameController)
        FFrameController->Disconnect(this);
}

#define STATION_YB_BAR_SETTER(Name, Type, Field)                                                           \
    void TYbCustomProgressBar::Set##Name(Type Value)                                                       \
    {                                                                                                      \
        if (Field == Value)                                                                                \
            return;                                                                                        \
        Field = Value;                                                                                     \
        Invalidate();                                                                                      \
    }

STATION_YB_BAR_SETTER(BackColor, TColor, FBackColor)
STATION_YB_BAR_SETTER(BackColorStop, TColor, FBackColorStop)
STATION_YB_BAR_SETTER(BarColor, TColor, FBarColor)
STATION_YB_BAR_SETTER(BarColorStop, TColor, FBarColorStop)
STATION_YB_BAR_SETTER(BevelWidth, TBevelWidth, FBevelWidth)
STATION_YB_BAR_SETTER(BorderColor, TColor, FBorderColor)
STATION_YB_BAR_SETTER(BorderInner, TFrameStyleEx, FBorderInner)
STATION_YB_BAR_SETTER(BorderOuter, TFrameStyleEx, FBorderOuter)
STATION_YB_BAR_SETTER(BorderWidth, TBorderWidth, FBorderWidth)
STATION_YB_BAR_SETTER(FlatColor, TColor, FFlatColor)
STATION_YB_BAR_SETTER(FlatColorAdjustment, int, FFlatColorAdjustment)
STATION_YB_BAR_SETTER(GradientDirection, TGradientDirection, FGradientDirection)
STATION_YB_BAR_SETTER(InteriorOffset, Byte, FInteriorOffset)
STATION_YB_BAR_SETTER(NumSegments, TSegmentRange, FNumSegments)
STATION_YB_BAR_SETTER(Orientation, TOrientation, FOrientation)
STATION_YB_BAR_SETTER(ShowParts, bool, FShowParts)
STATION_YB_BAR_SETTER(ShowPercent, bool, FShowPercent)
STATION_YB_BAR_SETTER(ThemeAware, bool, FThemeAware)

#undef STATION_YB_BAR_SETTER

void TYbCustomProgressBar::SetBarStyle(TBarStyle Value)
{
    if (FBarStyle == Value)
        return;
    FBarStyle = Value;
    FShowPercent = Value != bsLED;
    FInteriorOffset = Value == bsLED ? 1 : 0;
    Invalidate();
}

void TYbCustomProgressBar::SetPercent(Word Value)
{
    // More than all of the bar cannot be shown.
    Value = std::min<Word>(Value, 100);
    if (FPercent == Value)
        return;
    FPercent = Value;
    if (FOnChange)
        FOnChange(this, FPercent);
    Invalidate();
}

void TYbCustomProgressBar::Loaded()
{
    TGraphicControl::Loaded();
    FPartsComplete = std::min(FPartsComplete, FTotalParts);
}

void TYbCustomProgressBar::SetPartsComplete(TUnsignedLongint Value)
{
    if (FPartsComplete == Value)
        return;
    // Properties are read in name order: TotalParts may still come.
    FPartsComplete = ComponentState().Contains(csLoading) ? Value : std::min(Value, FTotalParts);
    if (!ComponentState().Contains(csLoading) && FTotalParts != 0)
        SetPercent(Word(std::nearbyint(double(FPartsComplete) / FTotalParts * 100)));
    Invalidate();
}

void TYbCustomProgressBar::SetTotalParts(TUnsignedLongint Value)
{
    if (FTotalParts == Value)
        return;
    FTotalParts = Value;
    if (!ComponentState().Contains(csLoading)) {
        FPartsComplete = 0;
        SetPercent(0);
    }
    Invalidate();
}

void TYbCustomProgressBar::SetFrameController(TYbFrameController *Value)
{
    if (FFrameController == Value)
        return;
    if (FFrameController) {
        FFrameController->Disconnect(this);
        FFrameController->RemoveFreeNotification(this);
    }
    FFrameController = Value;
    if (Value) {
        Value->FreeNotification(this);
        Value->Connect(this);
    }
}

void TYbCustomProgressBar::Notification(TComponent *AComponent, TOperation Operation)
{
    TGraphicControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FFrameController)
        FFrameController = nullptr;
}

void TYbCustomProgressBar::ApplyFrameControllerSettings(TYbFrameController *Controller,
                                                        TYbFrameControllerProperty Prop)
{
    if (!Controller || Controller != FFrameController)
        return;
    auto wanted = [&](TYbFrameControllerProperty P) {
        return (Prop == fcpAll || Prop == P) && FFrameControllerNotifications.Contains(P);
    };
    if (wanted(fcpFrameStyle))
        FBorderOuter = Controller->FrameStyle();
    if (wanted(fcpFrameColor)) {
        FFlatColor = Controller->FrameColor();
        FFlatColorAdjustment = 0;
    }
    if (wanted(fcpColor))
        SetBackColor(Controller->Color());
    if (wanted(fcpParentColor))
        SetParentColor(Controller->ParentColor());
    Invalidate();
}

QString TYbCustomProgressBar::BarText() const
{
    if (FShowParts)
        return QStringLiteral("%1 / %2").arg(FPartsComplete).arg(FTotalParts);
    return QStringLiteral("%1%").arg(FPercent);
}

TRect TYbCustomProgressBar::PaintLayer(TCanvas *C, TRect R, TFrameStyleEx Style)
{
    const TColor flat = ShadeBy(FFlatColor, FFlatColorAdjustment);
    switch (Style) {
    case fsFlat:
        return PaintEdges(C, R, flat, AllSides, flat);
    case fsFlatBold:
        return PaintEdgesRepeated(C, R, flat, AllSides, 2, flat);
    case fsFlatRounded:
        return PaintTrimmedBox(C, R, flat, AllSides);
    case fsStatus:
        return PaintEdgesRepeated(C, R, clBtnShadow, AllSides, FBevelWidth, clBtnHighlight);
    case fsPopup:
        return PaintEdgesRepeated(C, R, clBtnHighlight, AllSides, FBevelWidth, clBtnShadow);
    default:
        return PaintStyledEdges(C, R, Style, AllSides);
    }
}

void TYbCustomProgressBar::PaintText(TCanvas *C, const TRect &Interior, const TRect &Filled)
{
    if (!FShowPercent)
        return;
    const QString text = BarText();
    C->Font()->Assign(Font());
    C->Brush()->SetStyle(bsClear);
    const int th = C->TextHeight(QStringLiteral("X"));
    const int tw = C->TextWidth(text);
    const int y = Interior.Top + (Interior.Height() - th) / 2;
    const int x = Interior.Right / 2 - tw / 2;
    // Inside the bar in the back colour, outside it in the bar colour, so the
    // text changes colour where the bar ends.
    TRect unfilled = Interior;
    if (FOrientation == orHorizontal)
        unfilled.Left = Filled.Right;
    else
        unfilled.Bottom = Filled.Top;
    const TColor saved = C->Font()->Color();
    if (!Filled.IsEmpty()) {
        const int dc = C->SaveDC();
        C->IntersectClipRect(Filled);
        C->Font()->SetColor(FBackColor);
        C->TextOut(x, y, text);
        C->RestoreDC(dc);
    }
    if (!unfilled.IsEmpty()) {
        const int dc = C->SaveDC();
        C->IntersectClipRect(unfilled);
        C->Font()->SetColor(FBarColor);
        C->TextOut(x, y, text);
        C->RestoreDC(dc);
    }
    C->Font()->SetColor(saved);
}

void TYbCustomProgressBar::PaintLed(TCanvas *C, const TRect &R)
{
    const bool horizontal = FOrientation == orHorizontal;
    const int length = horizontal ? R.Width() : R.Height();
    int segments = std::max(FNumSegments, 1);
    if (length <= 80 && segments > 10)
        segments = 10;
    const int segLen = length / segments;
    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(FBackColor);
    C->FillRect(R);
    if (segLen <= 0)
        return;
    segments += (length - segments * segLen) / segLen;
    const int margin = (length - segments * segLen) / 2;
    const int lit = FPercent * segments / 100;
    C->Pen()->SetStyle(psSolid);
    C->Pen()->SetWidth(1);
    C->Pen()->SetColor(FBackColor);
    for (int i = 0; i < segments; ++i) {
        TRect s;
        if (horizontal) {
            const int x = R.Left + margin + i * segLen;
            s = Rect(x, R.Top, x + segLen, R.Bottom);
        } else {
            const int y = R.Bottom - margin - (i + 1) * segLen;
            s = Rect(R.Left, y, R.Right, y + segLen);
        }
        C->Brush()->SetColor(i < lit ? FBarColor : FBackColor);
        C->Rectangle(s);
    }
}

void TYbCustomProgressBar::Paint()
{
    const TRect client = ClientRect();
    if (client.IsEmpty())
        return;
    TBitmap bmp;
    bmp.SetSize(client.Width(), client.Height());
    TCanvas *c = bmp.Canvas();
    if (FThemeAware && ThemeServicesEnabled()) {
        // The style's track over the whole bar and its chunk over the part done.
        const bool horizontal = FOrientation == orHorizontal;
        TRect filled = client;
        if (FPercent < 100) {
            if (horizontal)
                filled.Right = client.Left + int(std::nearbyint(client.Width() * FPercent / 100.0));
            else
                filled.Top = client.Bottom - int(std::nearbyint(client.Height() * FPercent / 100.0));
        }
        c->Brush()->SetStyle(bsSolid);
        c->Brush()->SetColor(FBorderColor);
        c->FillRect(client);
        ThemeServices()->DrawElement(c, horizontal ? tpBar : tpBarVert, client);
        if (!filled.IsEmpty())
            ThemeServices()->DrawElement(c, horizontal ? tpChunk : tpChunkVert, filled);
        PaintText(c, client, filled);
        Canvas()->Draw(0, 0, &bmp);
        return;
    }
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(FBorderColor);
    c->FillRect(client);
    TRect r = PaintLayer(c, client, FBorderOuter);
    InflateRect(r, -FBorderWidth, -FBorderWidth);
    r = PaintLayer(c, r, FBorderInner);
    if (FInteriorOffset > 0 && !r.IsEmpty()) {
        c->Pen()->SetStyle(psInsideFrame);
        c->Pen()->SetWidth(FInteriorOffset);
        c->Pen()->SetColor(FBackColor);
        c->Brush()->SetStyle(bsClear);
        c->Rectangle(r);
        c->Pen()->SetStyle(psSolid);
        c->Pen()->SetWidth(1);
        InflateRect(r, -FInteriorOffset, -FInteriorOffset);
    }
    if (!r.IsEmpty()) {
        const bool horizontal = FOrientation == orHorizontal;
        TRect filled = r;
        if (FPercent < 100) {
            if (horizontal)
                filled.Right = r.Left + int(std::nearbyint(r.Width() * FPercent / 100.0));
            else
                filled.Top = r.Bottom - int(std::nearbyint(r.Height() * FPercent / 100.0));
        }
        TRect unfilled = r;
        if (horizontal)
            unfilled.Left = filled.Right;
        else
            unfilled.Bottom = filled.Top;
        switch (FBarStyle) {
        case bsTraditional:
            c->Brush()->SetStyle(bsSolid);
            c->Brush()->SetColor(FBackColor);
            c->FillRect(r);
            if (!filled.IsEmpty()) {
                c->Brush()->SetColor(FBarColor);
                c->FillRect(filled);
            }
            PaintText(c, r, filled);
            break;
        case bsLED:
            PaintLed(c, r);
            // Text only when asked for again after choosing LEDs.
            PaintText(c, r, filled);
            break;
        case bsGradient:
            if (!filled.IsEmpty())
                PaintGradient(c, filled, FGradientDirection, 1, FBarColor, FBarColorStop);
            if (!unfilled.IsEmpty())
                PaintGradient(c, unfilled, FGradientDirection, 1, FBackColor, FBackColorStop);
            PaintText(c, r, filled);
            break;
        }
    }
    Canvas()->Draw(0, 0, &bmp);
}
