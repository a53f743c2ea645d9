// The suite's owner-drawn buttons. TYbCustomButton keeps the hot-tracking,
// pressed and mouse-over state and draws the caption in its text styles;
// TYbButton is the push button of the station's forms: default and cancel
// keys, modal result, grouped toggle buttons, and three looks (themed,
// hot-tracked with gradients, framed with 3D edges).
#pragma once
#include "YbCommon.h"

#include "Controls.h"

class TYbCustomButton : public TCustomControl
{
    STATION_CLASS(TYbCustomButton, TCustomControl)
public:
    explicit TYbCustomButton(TComponent *AOwner);
    ~TYbCustomButton() override;

    TYbAboutInfo About() const { return aiYbComponents; }
    void SetAbout(TYbAboutInfo) {}
    TAlignmentVertical AlignmentVertical() const { return FAlignmentVertical; }
    virtual void SetAlignmentVertical(TAlignmentVertical Value);
    bool HotTrack() const { return FHotTrack; }
    virtual void SetHotTrack(bool Value);
    TColor HighlightColor() const { return FHighlightColor; }
    virtual void SetHighlightColor(TColor Value);
    TColor HotTrackColor() const { return FHotTrackColor; }
    void SetHotTrackColor(TColor Value);
    TYbHotTrackColorType HotTrackColorType() const { return FHotTrackColorType; }
    void SetHotTrackColorType(TYbHotTrackColorType Value);
    bool LightTextStyle() const { return FLightTextStyle; }
    virtual void SetLightTextStyle(bool Value);
    TTextStyle TextStyle() const { return FTextStyle; }
    virtual void SetTextStyle(TTextStyle Value);
    TColor TextHighlightColor() const { return FTextHighlightColor; }
    virtual void SetTextHighlightColor(TColor Value);
    TColor TextShadowColor() const { return FTextShadowColor; }
    virtual void SetTextShadowColor(TColor Value);
    int TextShadowDepth() const { return FTextShadowDepth; }
    virtual void SetTextShadowDepth(int Value);
    bool ThemeAware() const { return FThemeAware; }
    virtual void SetThemeAware(bool Value);
    // Erases through the parent's background.
    bool Transparent() const { return FTransparent; }
    virtual void SetTransparent(bool Value);

    // ThemeAware and the desktop's visual styles on.
    virtual bool UsingThemes() const;
    // State as the button draws it.
    bool MouseOver() const { return FMouseOver; }
    bool Pressed() const { return FPressed; }
    // The accelerator underlines and focus rectangles the window's UI state
    // shows: this system hides neither.
    bool ShowAccelerators() const { return (FUIState & 2) == 0; }
    bool ShowFocusRects() const { return (FUIState & 1) == 0; }

    void KeyDown(Word &Key, TShiftState Shift) override;
    void KeyUp(Word &Key, TShiftState Shift) override;
    void DoEnter() override;
    void DoExit() override;
    bool DialogChar(QChar Key, TShiftState Shift) override;
    void DefineProperties(TFiler *Filer) override;

protected:
    // Draws what the parent shows behind the button (nothing in the base).
    virtual void PaintParentBg(TCanvas *ACanvas);
    // Brings the screen up to date after a state change (nothing in the base).
    virtual void RepaintButton();
    virtual void FocusRefresh();
    virtual TRect InvalidationRect() const { return ClientRect(); }
    // The caption in R with the DrawText flags, in the text style.
    virtual void DrawCaption(TCanvas *ACanvas, const QString &Text, TRect R, unsigned Flags);
    // What a mouse, space, Enter, Escape or accelerator click does.
    virtual void ClickStep();

    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseEnter() override;
    void MouseLeave() override;
    void EnabledChanged() override;
    void ColorChanged() override;
    void FontChanged() override;
    void TextChanged() override;

    bool FTracking = false;
    bool FPressed = false;
    bool FMouseOver = false;
    bool FTransparent = false;
    bool FSpacePressed = false;
    int FUIState = 0;

private:
    TAlignmentVertical FAlignmentVertical = avCenter;
    bool FHotTrack = false;
    TColor FHighlightColor = clHighlight;
    TColor FHotTrackColor = RGB(240, 155, 20);
    TYbHotTrackColorType FHotTrackColorType = htctActual;
    bool FLightTextStyle = false;
    TTextStyle FTextStyle = tsNormal;
    TColor FTextHighlightColor = clBtnHighlight;
    TColor FTextShadowColor = clBtnShadow;
    int FTextShadowDepth = 2;
    bool FThemeAware = true;
};

class TYbButton : public TYbCustomButton
{
    STATION_CLASS(TYbButton, TYbCustomButton)
public:
    explicit TYbButton(TComponent *AOwner);

    TAlignment Alignment() const { return FAlignment; }
    virtual void SetAlignment(TAlignment Value);
    bool AllowAllUp() const { return FAllowAllUp; }
    virtual void SetAllowAllUp(bool Value);
    bool Cancel() const { return FCancel; }
    void SetCancel(bool Value) { FCancel = Value; }
    bool Default() const { return FDefault; }
    virtual void SetDefault(bool Value);
    bool DropDownOnEnter() const { return FDropDownOnEnter; }
    void SetDropDownOnEnter(bool Value) { FDropDownOnEnter = Value; }
    int GroupIndex() const { return FGroupIndex; }
    virtual void SetGroupIndex(int Value);
    bool Down() const { return FDown; }
    virtual void SetDown(bool Value);
    TColor FrameColor() const { return FFrameColor; }
    virtual void SetFrameColor(TColor Value);
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult Value) { FModalResult = Value; }
    bool ShowDownPattern() const { return FShowDownPattern; }
    virtual void SetShowDownPattern(bool Value);
    bool ShowFocusRect() const { return FShowFocusRect; }
    virtual void SetShowFocusRect(bool Value);
    void SetHotTrack(bool Value) override;

    // The form's current default: Enter clicks it.
    bool Active() const { return FActive; }
    // 0 up, 3 exclusively down.
    int State() const { return FState; }
    // True while a click that came from the Enter key runs (DropDownOnEnter off).
    bool EnterClick() const { return FEnterClick; }

    // Copies ModalResult to the parent form, then runs OnClick.
    void Click() override;
    bool DialogKey(Word Key, TShiftState Shift) override;
    void FocusChanged(TWinControl *Focused) override;
    // A grouped button of the same parent went down, or changed its group
    // settings: the others of its group come up and take its AllowAllUp.
    void GroupMessage(int Group, TYbButton *Sender);

protected:
    virtual TRect TextRect() const;
    virtual void PaintCaption(TCanvas *ACanvas);
    virtual void PaintDownPattern(TCanvas *ACanvas, const TRect &R);
    void PaintParentBg(TCanvas *ACanvas) override;
    void RepaintButton() override;
    void ClickStep() override;
    void Paint() override;

private:
    void BroadcastGroup();
    bool IsDown() const { return FState == 2 || FState == 3; }
    void PaintHotTracked(TCanvas *C, TRect R);
    void PaintFramed(TCanvas *C, TRect &R);
    void PaintFace(TCanvas *C, const TRect &R);

    TAlignment FAlignment = taCenter;
    bool FAllowAllUp = false;
    bool FCancel = false;
    bool FDefault = false;
    bool FDropDownOnEnter = true;
    int FGroupIndex = 0;
    bool FDown = false;
    TColor FFrameColor = cl3DDkShadow;
    TModalResult FModalResult = mrNone;
    bool FShowDownPattern = true;
    bool FShowFocusRect = true;
    bool FActive = false;
    bool FClicking = false;
    bool FEnterClick = false;
    int FState = 0;
};
