// The suite's progress bar: a window-less control that shows a percentage as
// a plain bar, a row of LED segments or a gradient inside a frame of the
// suite's frame styles, with the percentage (or parts done and total)
// written across it in inverse colours.
#pragma once
#include "YbCommon.h"

#include "Controls.h"

using TSegmentRange = int;
using TBevelWidth = int;
using TBorderWidth = int;
using TUnsignedLongint = quint32;

STATION_EVENT(TYbProgressChangeEvent, void(TObject *Sender, int Percent))

class TYbCustomProgressBar : public TGraphicControl, public IYbFrameControllerClient
{
    STATION_CLASS(TYbCustomProgressBar, TGraphicControl)
public:
    explicit TYbCustomProgressBar(TComponent *AOwner);
    ~TYbCustomProgressBar() override;

    TYbAboutInfo About() const { return aiYbComponents; }
    void SetAbout(TYbAboutInfo) {}
    TColor BackColor() const { return FBackColor; }
    void SetBackColor(TColor Value);
    TColor BackColorStop() const { return FBackColorStop; }
    void SetBackColorStop(TColor Value);
    TColor BarColor() const { return FBarColor; }
    void SetBarColor(TColor Value);
    TColor BarColorStop() const { return FBarColorStop; }
    void SetBarColorStop(TColor Value);
    TBarStyle BarStyle() const { return FBarStyle; }
    void SetBarStyle(TBarStyle Value);
    TBevelWidth BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(TBevelWidth Value);
    TColor BorderColor() const { return FBorderColor; }
    void SetBorderColor(TColor Value);
    TFrameStyleEx BorderInner() const { return FBorderInner; }
    void SetBorderInner(TFrameStyleEx Value);
    TFrameStyleEx BorderOuter() const { return FBorderOuter; }
    void SetBorderOuter(TFrameStyleEx Value);
    TBorderWidth BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(TBorderWidth Value);
    TColor FlatColor() const { return FFlatColor; }
    void SetFlatColor(TColor Value);
    int FlatColorAdjustment() const { return FFlatColorAdjustment; }
    void SetFlatColorAdjustment(int Value);
    TYbFrameController *FrameController() const { return FFrameController; }
    void SetFrameController(TYbFrameController *Value);
    TYbFrameControllerNotifications FrameControllerNotifications() const { return FFrameControllerNotifications; }
    void SetFrameControllerNotifications(TYbFrameControllerNotifications Value)
    {
        FFrameControllerNotifications = Value;
    }
    TGradientDirection GradientDirection() const { return FGradientDirection; }
    void SetGradientDirection(TGradientDirection Value);
    Byte InteriorOffset() const { return FInteriorOffset; }
    void SetInteriorOffset(Byte Value);
    TSegmentRange NumSegments() const { return FNumSegments; }
    void SetNumSegments(TSegmentRange Value);
    TOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TOrientation Value);
    TUnsignedLongint PartsComplete() const { return FPartsComplete; }
    void SetPartsComplete(TUnsignedLongint Value);
    Word Percent() const { return FPercent; }
    void SetPercent(Word Value);
    bool ShowParts() const { return FShowParts; }
    void SetShowParts(bool Value);
    bool ShowPercent() const { return FShowPercent; }
    void SetShowPercent(bool Value);
    bool ThemeAware() const { return FThemeAware; }
    void SetThemeAware(bool Value);
    TUnsignedLongint TotalParts() const { return FTotalParts; }
    void SetTotalParts(TUnsignedLongint Value);
    // PartsComplete read from a form before TotalParts is clamped here, once both are known.
    void Loaded() override;
    TYbProgressChangeEvent OnChange() const { return FOnChange; }
    void SetOnChange(TYbProgressChangeEvent Value) { FOnChange = Value; }

    // The text written across the bar.
    QString BarText() const;
    void ApplyFrameControllerSettings(TYbFrameController *Controller, TYbFrameControllerProperty Prop) override;

protected:
    void Paint() override;
    void Notification(TComponent *AComponent, TOperation Operation) override;
    void ColorChanged() override { Invalidate(); }
    void FontChanged() override { Invalidate(); }

private:
    TRect PaintLayer(TCanvas *C, TRect R, TFrameStyleEx Style);
    void PaintText(TCanvas *C, const TRect &Interior, const TRect &Filled);
    void PaintLed(TCanvas *C, const TRect &R);

    TColor FBackColor = clWhite;
    TColor FBackColorStop = clBtnFace;
    TColor FBarColor = clHighlight;
    TColor FBarColorStop = clHotLight;
    TBarStyle FBarStyle = bsTraditional;
    TBevelWidth FBevelWidth = 1;
    TColor FBorderColor = clBtnFace;
    TFrameStyleEx FBorderInner = fsNone;
    TFrameStyleEx FBorderOuter = fsLowered;
    TBorderWidth FBorderWidth = 0;
    TColor FFlatColor = clBtnShadow;
    int FFlatColorAdjustment = 30;
    TYbFrameController *FFrameController = nullptr;
    TYbFrameControllerNotifications FFrameControllerNotifications = AllFrameControllerNotifications;
    TGradientDirection FGradientDirection = gdHorizontalCenter;
    Byte FInteriorOffset = 0;
    TSegmentRange FNumSegments = 20;
    TOrientation FOrientation = orHorizontal;
    TUnsignedLongint FPartsComplete = 0;
    Word FPercent = 0;
    bool FShowParts = false;
    bool FShowPercent = true;
    bool FThemeAware = true;
    TUnsignedLongint FTotalParts = 0;
    TYbProgressChangeEvent FOnChange;
};

class TYbProgressBar : public TYbCustomProgressBar
{
    STATION_CLASS(TYbProgressBar, TYbCustomProgressBar)
public:
    explicit TYbProgressBar(TComponent *AOwner) : TYbCustomProgressBar(AOwner) {}
};
