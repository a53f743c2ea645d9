// Implementation of the suite's owner-drawn buttons.
#include "YbButton.h"

#include "Filer.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "Themes.h"

// --- TYbCustomButton -----------------------------------------------------------

STATION_PUBLISHED(TYbCustomButton)
{
    P.Prop("AlignmentVertical", &TYbCustomButton::AlignmentVertical, &TYbCustomButton::SetAlignmentVertical)
        .Default(avCenter);
    P.Prop("HighlightColor", &TYbCustomButton::HighlightColor, &TYbCustomButton::SetHighlightColor)
        .Type(TypeInfoTColor())
        .Default(int(clHighlight));
    P.Prop("HotTrack", &TYbCustomButton::HotTrack, &TYbCustomButton::SetHotTrack).Default(false);
    P.Prop("HotTrackColor", &TYbCustomButton::HotTrackColor, &TYbCustomButton::SetHotTrackColor)
        .Type(TypeInfoTColor())
        .Default(int(RGB(240, 155, 20)));
    P.Prop("HotTrackColorType", &TYbCustomButton::HotTrackColorType, &TYbCustomButton::SetHotTrackColorType)
        .Default(htctActual);
    P.Prop("LightTextStyle", &TYbCustomButton::LightTextStyle, &TYbCustomButton::SetLightTextStyle).Default(false);
    P.Prop("TextHighlightColor", &TYbCustomButton::TextHighlightColor, &TYbCustomButton::SetTextHighlightColor)
        .Type(TypeInfoTColor())
        .Default(int(clBtnHighlight));
    P.Prop("TextShadowColor", &TYbCustomButton::TextShadowColor, &TYbCustomButton::SetTextShadowColor)
        .Type(TypeInfoTColor())
        .Default(int(clBtnShadow));
    P.Prop("TextShadowDepth", &TYbCustomButton::TextShadowDepth, &TYbCustomButton::SetTextShadowDepth).Default(2);
    P.Prop("TextStyle", &TYbCustomButton::TextStyle, &TYbCustomButton::SetTextStyle).Default(tsNormal);
    P.Prop("ThemeAware", &TYbCustomButton::ThemeAware, &TYbCustomButton::SetThemeAware).Default(true);
}

TYbCustomButton::TYbCustomButton(TComponent *AOwner) : TCustomControl(AOwner)
{
    InitializeYbCommon();
    SetClickEvents(false);
    SetDoubleClicks(false);
    SetBounds(0, 0, 115, 17);
}

TYbCustomButton::~TYbCustomButton() = default;

void TYbCustomButton::SetAlignmentVertical(TAlignmentVertical Value)
{
    if (FAlignmentVertical == Value)
        return;
    FAlignmentVertical = Value;
    RepaintButton();
}

void TYbCustomButton::SetHotTrack(bool Value)
{
    if (FHotTrack == Value)
        return;
    FHotTrack = Value;
    RepaintButton();
}

void TYbCustomButton::SetHighlightColor(TColor Value)
{
    if (FHighlightColor == Value)
        return;
    FHighlightColor = Value;
    RepaintButton();
}

void TYbCustomButton::SetHotTrackColor(TColor Value)
{
    if (FHotTrackColor == Value)
        return;
    FHotTrackColor = Value;
    RepaintButton();
}

void TYbCustomButton::SetHotTrackColorType(TYbHotTrackColorType Value)
{
    if (FHotTrackColorType == Value)
        return;
    FHotTrackColorType = Value;
    RepaintButton();
}

void TYbCustomButton::SetLightTextStyle(bool Value)
{
    if (FLightTextStyle == Value)
        return;
    FLightTextStyle = Value;
    RepaintButton();
}

void TYbCustomButton::SetTextStyle(TTextStyle Value)
{
    if (FTextStyle == Value)
        return;
    FTextStyle = Value;
    RepaintButton();
}

void TYbCustomButton::SetTextHighlightColor(TColor Value)
{
    if (FTextHighlightColor == Value)
        return;
    FTextHighlightColor = Value;
    RepaintButton();
}

void TYbCustomButton::SetTextShadowColor(TColor Value)
{
    if (FTextShadowColor == Value)
        return;
    FTextShadowColor = Value;
    RepaintButton();
}

void TYbCustomButton::SetTextShadowDepth(int Value)
{
    if (FTextShadowDepth == Value)
        return;
    FTextShadowDepth = Value;
    RepaintButton();
}

void TYbCustomButton::SetThemeAware(bool Value)
{
    if (FThemeAware == Value)
        return;
    FThemeAware = Value;
    RepaintButton();
}

void TYbCustomButton::SetTransparent(bool Value)
{
    if (FTransparent == Value)
        return;
    FTransparent = Value;
    RepaintButton();
}

bool TYbCustomButton::UsingThemes() const
{
    return FThemeAware && ThemeServicesEnabled();
}

void TYbCustomButton::PaintParentBg(TCanvas *) {}

void TYbCustomButton::RepaintButton() {}

void TYbCustomButton::FocusRefresh()
{
    RepaintButton();
}

void TYbCustomButton::ClickStep()
{
    Click();
}

void TYbCustomButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft && Enabled()) {
        if (!Focused() && CanFocus())
            SetFocus();
        if (Focused()) {
            FPressed = true;
            FTracking = true;
            RepaintButton();
        }
    }
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TYbCustomButton::MouseMove(TShiftState Shift, int X, int Y)
{
    if (FTracking) {
        const bool inside = ClientRect().Contains(Point(X, Y));
        if (inside != FPressed) {
            FPressed = inside;
            RepaintButton();
        }
    }
    TCustomControl::MouseMove(Shift, X, Y);
}

void TYbCustomButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (FTracking) {
        FTracking = false;
        FPressed = false;
        if (ClientRect().Contains(Point(X, Y)))
            ClickStep();
        if (!IsLiveControl(this))
            return;
        RepaintButton();
    }
    TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TYbCustomButton::MouseEnter()
{
    if (ComponentState().Contains(csDesigning))
        return;
    FMouseOver = true;
    TCustomControl::MouseEnter();
    if (FHotTrack || UsingThemes())
        Invalidate();
}

void TYbCustomButton::MouseLeave()
{
    if (ComponentState().Contains(csDesigning))
        return;
    FMouseOver = false;
    TCustomControl::MouseLeave();
    if (FHotTrack || UsingThemes())
        Invalidate();
}

void TYbCustomButton::KeyDown(Word &Key, TShiftState Shift)
{
    if (Key == VK_SPACE && !Shift.Contains(ssAlt)) {
        FSpacePressed = true;
        FPressed = true;
        RepaintButton();
    }
    TCustomControl::KeyDown(Key, Shift);
}

void TYbCustomButton::KeyUp(Word &Key, TShiftState Shift)
{
    if (Key == VK_SPACE) {
        FPressed = false;
        if (FSpacePressed) {
            FSpacePressed = false;
            ClickStep();
            if (!IsLiveControl(this))
                return;
        }
        RepaintButton();
    }
    TCustomControl::KeyUp(Key, Shift);
}

void TYbCustomButton::DoEnter()
{
    FocusRefresh();
    TCustomControl::DoEnter();
}

void TYbCustomButton::DoExit()
{
    FSpacePressed = false;
    FPressed = false;
    FTracking = false;
    FocusRefresh();
    TCustomControl::DoExit();
}

bool TYbCustomButton::DialogChar(QChar Key, TShiftState)
{
    if (IsAccel(Key, Caption()) && CanFocus()) {
        ClickStep();
        return true;
    }
    return false;
}

void TYbCustomButton::EnabledChanged()
{
    if (!Enabled()) {
        FPressed = false;
        FTracking = false;
        FSpacePressed = false;
        if (Focused())
            if (TCustomForm *form = GetParentForm(this))
                form->DefocusControl(this, false);
    }
    TCustomControl::EnabledChanged();
    RepaintButton();
}

void TYbCustomButton::ColorChanged()
{
    TCustomControl::ColorChanged();
    RepaintButton();
}

void TYbCustomButton::FontChanged()
{
    TCustomControl::FontChanged();
    RepaintButton();
}

void TYbCustomButton::TextChanged()
{
    TCustomControl::TextChanged();
    RepaintButton();
}

void TYbCustomButton::DefineProperties(TFiler *Filer)
{
    TCustomControl::DefineProperties(Filer);
    // Older stored forms call the hot-tracked look "FrameFlat".
    Filer->DefineProperty(
        QStringLiteral("FrameFlat"), [this](TReader *Reader) { SetHotTrack(Reader->ReadBoolean()); }, nullptr,
        false);
}

void TYbCustomButton::DrawCaption(TCanvas *ACanvas, const QString &Text, TRect R, unsigned Flags)
{
    ACanvas->Brush()->SetStyle(bsClear);
    Flags |= DrawTextBiDiModeFlagsReadingOnly();
    QString text = Text;
    if (!ShowAccelerators()) {
        QString stripped;
        for (int i = 0; i < text.size(); ++i) {
            if (text[i] == QLatin1Char('&')) {
                if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&'))
                    stripped += text[++i];
                continue;
            }
            stripped += text[i];
        }
        text = stripped;
        Flags |= DT_NOPREFIX;
    }
    TRect calc = R;
    ACanvas->DrawText(text, calc,
                      DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_CENTER | DT_VCENTER
                          | (Flags & DT_NOPREFIX));
    const int h = calc.Height();
    switch (FAlignmentVertical) {
    case avTop:
        R.Bottom = R.Top + h;
        break;
    case avCenter:
        R.Top = (R.Top + R.Bottom - h) / 2;
        R.Bottom = R.Top + h;
        break;
    case avBottom:
        R.Top = R.Bottom - h - 1;
        break;
    }
    TFont *font = ACanvas->Font();
    const TColor fontColor = font->Color();
    auto copyAt = [&](int DX, int DY, TColor C) {
        TRect r = R;
        OffsetRect(r, DX, DY);
        font->SetColor(C);
        ACanvas->DrawText(text, r, Flags);
    };
    if (!Enabled()) {
        copyAt(0, 0, ColorsLookAlike(Color(), clGrayText) ? cl3DDkShadow : clGrayText);
        font->SetColor(fontColor);
        return;
    }
    switch (FTextStyle) {
    case tsRaised:
        if (!FLightTextStyle)
            copyAt(1, 1, FTextShadowColor);
        copyAt(-1, -1, FTextHighlightColor);
        break;
    case tsRecessed:
        copyAt(1, 1, FTextHighlightColor);
        if (!FLightTextStyle)
            copyAt(-1, -1, FTextShadowColor);
        break;
    case tsShadow:
        if (Flags & DT_RIGHT) {
            copyAt(0, FTextShadowDepth, FTextShadowColor);
            OffsetRect(R, -FTextShadowDepth, 0);
        } else {
            copyAt(FTextShadowDepth, FTextShadowDepth, FTextShadowColor);
        }
        break;
    default:
        break;
    }
    copyAt(0, 0, fontColor);
}

// --- TYbButton -------------------------------------------------------------------

STATION_PUBLISHED(TYbButton)
{
    P.Republish("Color").Default(int(clBtnFace));
    P.Republish("TabStop").Default(true);
    P.Prop("About", &TYbButton::About, &TYbButton::SetAbout).Stored(false);
    P.Prop("Alignment", &TYbButton::Alignment, &TYbButton::SetAlignment).Default(taCenter);
    P.Prop("AllowAllUp", &TYbButton::AllowAllUp, &TYbButton::SetAllowAllUp).Default(false);
    P.Prop("Cancel", &TYbButton::Cancel, &TYbButton::SetCancel).Default(false);
    P.Prop("Caption", &TYbButton::Caption, &TYbButton::SetCaption);
    P.Prop("Default", &TYbButton::Default, &TYbButton::SetDefault).Default(false);
    P.Prop("DropDownOnEnter", &TYbButton::DropDownOnEnter, &TYbButton::SetDropDownOnEnter).Default(true);
    P.Prop("GroupIndex", &TYbButton::GroupIndex, &TYbButton::SetGroupIndex).Default(0);
    P.Prop("Down", &TYbButton::Down, &TYbButton::SetDown).Default(false);
    P.Prop("FrameColor", &TYbButton::FrameColor, &TYbButton::SetFrameColor)
        .Type(TypeInfoTColor())
        .Default(int(cl3DDkShadow));
    P.Prop("ModalResult", &TYbButton::ModalResult, &TYbButton::SetModalResult).Default(0);
    P.Prop("ShowDownPattern", &TYbButton::ShowDownPattern, &TYbButton::SetShowDownPattern).Default(true);
    P.Prop("ShowFocusRect", &TYbButton::ShowFocusRect, &TYbButton::SetShowFocusRect).Default(true);
}

TYbButton::TYbButton(TComponent *AOwner) : TYbCustomButton(AOwner)
{
    SetTabStop(true);
    SetColor(clBtnFace);
    SetBounds(0, 0, 75, 25);
    FActive = FDefault;
}

void TYbButton::SetAlignment(TAlignment Value)
{
    if (FAlignment == Value)
        return;
    FAlignment = Value;
    RepaintButton();
}

void TYbButton::SetAllowAllUp(bool Value)
{
    if (FAllowAllUp == Value)
        return;
    FAllowAllUp = Value;
    BroadcastGroup();
}

void TYbButton::SetDefault(bool Value)
{
    if (FDefault == Value)
        return;
    FDefault = Value;
    // The form tells its buttons about the focused control again.
    TCustomForm *form = GetParentForm(this);
    TWinControl *focused = form ? form->ActiveControl() : nullptr;
    if (focused && !focused->Focused())
        focused = nullptr;
    FocusChanged(focused);
    RepaintButton();
}

void TYbButton::SetGroupIndex(int Value)
{
    if (FGroupIndex == Value)
        return;
    FGroupIndex = Value;
    BroadcastGroup();
}

void TYbButton::SetDown(bool Value)
{
    if (FGroupIndex == 0)
        Value = false;
    if (Value == FDown)
        return;
    if (FDown && !FAllowAllUp)
        return;
    FDown = Value;
    FState = Value ? 3 : 0;
    RepaintButton();
    if (Value)
        BroadcastGroup();
}

void TYbButton::SetFrameColor(TColor Value)
{
    if (FFrameColor == Value)
        return;
    FFrameColor = Value;
    RepaintButton();
}

void TYbButton::SetShowDownPattern(bool Value)
{
    if (FShowDownPattern == Value)
        return;
    FShowDownPattern = Value;
    RepaintButton();
}

void TYbButton::SetShowFocusRect(bool Value)
{
    if (FShowFocusRect == Value)
        return;
    FShowFocusRect = Value;
    RepaintButton();
}

void TYbButton::SetHotTrack(bool Value)
{
    TYbCustomButton::SetHotTrack(Value);
    SetTransparent(Value);
}

void TYbButton::BroadcastGroup()
{
    TWinControl *parent = Parent();
    if (!parent)
        return;
    for (int i = 0; i < parent->ControlCount(); ++i)
        if (auto *b = dynamic_cast<TYbButton *>(parent->Controls(i)))
            b->GroupMessage(FGroupIndex, this);
}

void TYbButton::GroupMessage(int Group, TYbButton *Sender)
{
    if (Group != FGroupIndex || Sender == this || Group == 0)
        return;
    if (Sender->Down() && FDown) {
        FDown = false;
        FState = 0;
        RepaintButton();
    }
    FAllowAllUp = Sender->AllowAllUp();
}

void TYbButton::Click()
{
    if (TCustomForm *form = GetParentForm(this))
        form->SetModalResult(FModalResult);
    TYbCustomButton::Click();
}

void TYbButton::ClickStep()
{
    if (FGroupIndex != 0)
        SetDown(!FDown);
    else
        RepaintButton();
    FClicking = true;
    try {
        Click();
    } catch (...) {
        if (IsLiveControl(this))
            FClicking = false;
        throw;
    }
    if (IsLiveControl(this))
        FClicking = false;
}

bool TYbButton::DialogKey(Word Key, TShiftState Shift)
{
    if (((Key == VK_RETURN && FActive) || (Key == VK_ESCAPE && FCancel)) && Shift.Empty() && CanFocus()) {
        const bool enter = Key == VK_RETURN && !FDropDownOnEnter;
        FEnterClick = enter;
        try {
            ClickStep();
        } catch (...) {
            if (IsLiveControl(this))
                FEnterClick = false;
            throw;
        }
        if (IsLiveControl(this))
            FEnterClick = false;
        return true;
    }
    return false;
}

void TYbButton::FocusChanged(TWinControl *Focused)
{
    const bool old = FActive;
    if (dynamic_cast<TYbButton *>(Focused) || dynamic_cast<TButton *>(Focused))
        FActive = Focused == this;
    else
        FActive = FDefault;
    if (old != FActive)
        FocusRefresh();
}

void TYbButton::RepaintButton()
{
    Invalidate();
}

void TYbButton::PaintParentBg(TCanvas *ACanvas)
{
    PaintParentBackground(this, ACanvas, false);
}

TRect TYbButton::TextRect() const
{
    TRect r = ClientRect();
    InflateRect(r, -5, -5);
    if (!HotTrack() && !UsingThemes()) {
        if (FPressed || (FGroupIndex != 0 && IsDown()))
            OffsetRect(r, 1, 1);
    }
    return r;
}

void TYbButton::PaintCaption(TCanvas *ACanvas)
{
    ACanvas->Font()->Assign(Font());
    ACanvas->Brush()->SetColor(Color());
    unsigned flags = DT_WORDBREAK | DT_EXPANDTABS;
    switch (FAlignment) {
    case taLeftJustify: flags |= DT_LEFT; break;
    case taRightJustify: flags |= DT_RIGHT; break;
    default: flags |= DT_CENTER; break;
    }
    DrawCaption(ACanvas, Caption(), TextRect(), DrawTextBiDiModeFlags(flags));
}

void TYbButton::PaintDownPattern(TCanvas *ACanvas, const TRect &R)
{
    const TColor face = ColorToRGB(Color());
    const TColor dots = Color() == clSilver ? clGray : clSilver;
    for (int y = R.Top; y < R.Bottom; ++y)
        for (int x = R.Left; x < R.Right; ++x)
            ACanvas->SetPixels(x, y, (x % 2) == (y % 2) ? dots : face);
}

void TYbButton::PaintFace(TCanvas *C, const TRect &R)
{
    if (R.IsEmpty())
        return;
    C->Pen()->SetWidth(1);
    C->Pen()->SetStyle(psSolid);
    C->Pen()->SetColor(ShadeDown(Color(), 20));
    C->MoveTo(R.Left, R.Bottom - 2);
    C->LineTo(R.Right, R.Bottom - 2);
    C->Pen()->SetColor(ShadeDown(Color(), 30));
    C->MoveTo(R.Left, R.Bottom - 1);
    C->LineTo(R.Right, R.Bottom - 1);
    TRect rest = R;
    rest.Bottom -= 2;
    if (rest.IsEmpty())
        return;
    if (HighColorDisplay) {
        // Light at the top, darker at the bottom.
        PaintGradient(C, rest, gdHorizontalEnd, 1, ShadeDown(Color(), 10), ShadeUp(Color(), 30));
    } else {
        C->Brush()->SetStyle(bsSolid);
        C->Brush()->SetColor(Color());
        C->FillRect(rest);
    }
}

void TYbButton::PaintHotTracked(TCanvas *C, TRect R)
{
    const TColor parentColor = Parent() ? Parent()->Color() : clBtnFace;
    auto line = [C](TColor Col, int X1, int Y1, int X2, int Y2) {
        C->Pen()->SetColor(Col);
        C->MoveTo(X1, Y1);
        C->LineTo(X2, Y2);
    };
    // Rounded outline, then a one-pixel frame inside it.
    auto outline = [&](TColor C1, TColor C2) {
        line(C1, R.Left, R.Top + 2, R.Left, R.Bottom - 2);
        line(C1, R.Left + 2, R.Top, R.Right - 2, R.Top);
        line(C2, R.Right - 1, R.Top + 2, R.Right - 1, R.Bottom - 2);
        line(C2, R.Left + 2, R.Bottom - 1, R.Right - 2, R.Bottom - 1);
        C->SetPixels(R.Left + 1, R.Top + 1, C1);
        C->SetPixels(R.Right - 2, R.Top + 1, C1);
        C->SetPixels(R.Left + 1, R.Bottom - 2, C1);
        C->SetPixels(R.Right - 2, R.Bottom - 2, C2);
        InflateRect(R, -1, -1);
    };
    auto frame = [&](TColor Col) {
        line(Col, R.Left, R.Top + 1, R.Left, R.Bottom - 1);
        line(Col, R.Left + 1, R.Top, R.Right - 1, R.Top);
        line(Col, R.Right - 1, R.Top + 1, R.Right - 1, R.Bottom - 1);
        line(Col, R.Left + 1, R.Bottom - 1, R.Right - 1, R.Bottom - 1);
        InflateRect(R, -1, -1);
    };
    C->Pen()->SetWidth(1);
    C->Pen()->SetStyle(psSolid);
    if (!Enabled()) {
        outline(parentColor, parentColor);
        frame(Color() == clBtnFace ? ShadeUp(clBtnShadow, 30) : ShadeDown(Color(), 80));
        C->Brush()->SetStyle(bsSolid);
        C->Brush()->SetColor(Color());
        C->FillRect(R);
        return;
    }
    outline(ShadeDown(parentColor, 20), ShadeUp(parentColor, 20));
    frame(FFrameColor);
    if (IsDown() || FPressed) {
        C->Brush()->SetStyle(bsSolid);
        C->Brush()->SetColor(ShadeDown(Color(), 10));
        C->FillRect(R);
    } else if (FMouseOver) {
        PaintFace(C, R);
        TColor a, b;
        if (HotTrackColorType() == htctComplement) {
            a = OppositeHue(HotTrackColor(), 180);
            b = ShadeDown(a, 30);
        } else {
            b = HotTrackColor();
            a = MixColors(clWhite, HotTrackColor(), 190);
        }
        PaintGradientFrame(C, R, gdHorizontalEnd, a, b);
    } else if (FGroupIndex == 0 && (FActive || Focused()) && !FPressed) {
        PaintFace(C, R);
        TColor h = HighlightColor();
        if (ColorsLookAlike(h, clBtnFace))
            h = ShadeDown(h, 30);
        const TColor l = ShadeUp(Color(), 30);
        PaintGradientFrame(C, R, gdHorizontalEnd, MixColors(h, l, 60), MixColors(h, l, 160));
    } else {
        PaintFace(C, R);
    }
}

void TYbButton::PaintFramed(TCanvas *C, TRect &R)
{
    const bool grouped = FGroupIndex != 0;
    if ((!grouped && (FActive || Focused()) && !FPressed) || FClicking)
        R = PaintEdges(C, R, clWindowFrame, AllSides, clWindowFrame);
    if (Color() == clBtnFace) {
        if (!grouped)
            R = PaintStyledEdges(C, R, FPressed ? fsButtonDown : fsButtonUp, AllSides);
        else
            R = PaintStyledEdges(C, R, IsDown() || FPressed ? fsLowered : fsButtonUp, AllSides);
    } else {
        if (!grouped)
            R = PaintShadedEdges(C, R, Color(), AllSides, FPressed);
        else if (IsDown() || FPressed)
            R = PaintFrameByStyle(C, R, fsLowered, AllSides, Color());
        else
            R = PaintShadedEdges(C, R, Color(), AllSides, false);
    }
    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(Color());
    C->FillRect(R);
}

void TYbButton::Paint()
{
    const TRect client = ClientRect();
    if (client.IsEmpty())
        return;
    TBitmap bmp;
    bmp.SetSize(client.Width(), client.Height());
    TCanvas *c = bmp.Canvas();
    if (Transparent())
        PaintParentBg(c);

    TRect focusRect = client;
    const int inset = HotTrack() || UsingThemes() ? 3 : 4;
    InflateRect(focusRect, -inset, -inset);
    if ((FGroupIndex != 0 && IsDown()) || FPressed)
        OffsetRect(focusRect, 1, 1);

    TRect r = client;
    if (UsingThemes()) {
        TThemedButton part = tbPushButtonNormal;
        if (!Enabled())
            part = tbPushButtonDisabled;
        else if (IsDown() || FPressed)
            part = tbPushButtonPressed;
        else if (FMouseOver)
            part = tbPushButtonHot;
        else if (FGroupIndex == 0 && (FActive || Focused()))
            part = tbPushButtonDefaulted;
        if (ThemeServices()->HasTransparentParts(part))
            PaintParentBackground(this, c, false);
        ThemeServices()->DrawElement(c, part, client);
        InflateRect(r, -2, -2);
    } else if (HotTrack()) {
        PaintHotTracked(c, r);
        InflateRect(r, -2, -2);
    } else {
        PaintFramed(c, r);
    }
    if (FGroupIndex != 0 && FState == 3 && FShowDownPattern)
        PaintDownPattern(c, r);
    PaintCaption(c);
    if (ShowFocusRects() && Focused() && FShowFocusRect)
        PaintDottedFocus(c, focusRect);
    Canvas()->Draw(0, 0, &bmp);
}
