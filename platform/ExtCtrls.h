// Panels, images, paint boxes, timers, splitters and scroll boxes.
#pragma once
#include "Controls.h"
#include "Forms.h"
#include <memory>

class QScrollArea;
class QTimer;

STATION_DECLARE_ENUM(TResizeStyle, rsNone, rsLine, rsUpdate, rsPattern)

// Draws a 3D frame of Width pixels inside Rect and shrinks Rect past it.
void Frame3D(TCanvas *Canvas, TRect &Rect, TColor TopColor, TColor BottomColor, int Width);

// --- TPanel --------------------------------------------------------------------

class TCustomPanel : public TCustomControl
{
    STATION_CLASS(TCustomPanel, TCustomControl)
public:
    explicit TCustomPanel(TComponent *AOwner);

    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut Value);
    TBevelCut BevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut Value);
    int BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int Value);
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int Value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);

protected:
    void Paint() override;
    void AdjustClientRect(TRect &Rect) const override;
    void TextChanged() override { Invalidate(); }

private:
    TBevelCut FBevelOuter = bvRaised;
    TBevelCut FBevelInner = bvNone;
    int FBevelWidth = 1;
    int FBorderWidth = 0;
    TBorderStyle FBorderStyle = bsNone;
    TAlignment FAlignment = taCenter;
};

class TPanel : public TCustomPanel
{
    STATION_CLASS(TPanel, TCustomPanel)
public:
    explicit TPanel(TComponent *AOwner) : TCustomPanel(AOwner) {}
};

// --- TImage --------------------------------------------------------------------

class TImage : public TGraphicControl
{
    STATION_CLASS(TImage, TGraphicControl)
public:
    explicit TImage(TComponent *AOwner);
    ~TImage() override;

    TPicture *Picture() const { return FPicture; }
    void SetPicture(TPicture *Value);
    // The picture's bitmap canvas; an empty picture gets a bitmap of the
    // control's size first.
    TCanvas *Canvas();
    bool Stretch() const { return FStretch; }
    void SetStretch(bool Value);
    bool Center() const { return FCenter; }
    void SetCenter(bool Value);
    bool Proportional() const { return FProportional; }
    void SetProportional(bool Value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    // Where the picture is drawn in the client area.
    TRect DestRect() const;

protected:
    void Paint() override;
    bool PaintsBackground() const override { return false; }

private:
    void PictureChanged(TObject *Sender);
    TPicture *FPicture;
    bool FStretch = false;
    bool FCenter = false;
    bool FProportional = false;
    bool FTransparent = false;
    bool FAutoSize = false;
};

// --- TPaintBox -----------------------------------------------------------------

class TPaintBox : public TGraphicControl
{
    STATION_CLASS(TPaintBox, TGraphicControl)
public:
    explicit TPaintBox(TComponent *AOwner);
    TNotifyEvent OnPaint() const { return FOnPaint; }
    void SetOnPaint(TNotifyEvent Value) { FOnPaint = Value; }

protected:
    void Paint() override;
    bool PaintsBackground() const override { return false; }

private:
    TNotifyEvent FOnPaint;
};

// --- TTimer --------------------------------------------------------------------

class TTimer : public TComponent
{
    STATION_CLASS(TTimer, TComponent)
public:
    explicit TTimer(TComponent *AOwner);
    ~TTimer() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    // Milliseconds; 0 stops the timer.
    int Interval() const { return FInterval; }
    void SetInterval(int Value);
    TNotifyEvent OnTimer() const { return FOnTimer; }
    void SetOnTimer(TNotifyEvent Value);

protected:
    virtual void Timer();

private:
    void UpdateTimer();
    std::unique_ptr<QTimer> FTimer;
    bool FEnabled = true;
    int FInterval = 1000;
    TNotifyEvent FOnTimer;
};

// --- TSplitter -----------------------------------------------------------------

class TSplitter : public TGraphicControl
{
    STATION_CLASS(TSplitter, TGraphicControl)
public:
    explicit TSplitter(TComponent *AOwner);

    int MinSize() const { return FMinSize; }
    void SetMinSize(int Value) { FMinSize = Value; }
    bool Beveled() const { return FBeveled; }
    void SetBeveled(bool Value);
    TResizeStyle ResizeStyle() const { return FResizeStyle; }
    void SetResizeStyle(TResizeStyle Value) { FResizeStyle = Value; }
    TNotifyEvent OnMoved() const { return FOnMoved; }
    void SetOnMoved(TNotifyEvent Value) { FOnMoved = Value; }
    // The control the splitter resizes (found when a drag starts).
    TControl *ResizedControl() const { return FControl; }

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    TControl *FindResizedControl() const;

private:
    TControl *FControl = nullptr;
    int FMinSize = 30;
    bool FBeveled = false;
    TResizeStyle FResizeStyle = rsPattern;
    bool FDragging = false;
    TPoint FDownPos;
    int FOldSize = 0;
    int FMaxSize = 0;
    TNotifyEvent FOnMoved;
};

// --- TScrollBox ----------------------------------------------------------------

class TScrollBox : public TScrollingWinControl
{
    STATION_CLASS(TScrollBox, TScrollingWinControl)
public:
    explicit TScrollBox(TComponent *AOwner);

    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    // The visible part of the scrolled area.
    TRect ClientRect() const override;
    QWidget *ClientWidget() const override { return FInner; }
    // Scrolls so that the control is in view.
    void ScrollInView(TControl *AControl);
    QScrollBar *ScrollBarWidget(TScrollBarKind Kind) const override;
    void ScrollBarChanged() override { UpdateRange(); }

protected:
    void AlignControls(TControl *AControl, TRect &Rect) override;
    void Resize() override;

private:
    void UpdateRange();
    QScrollArea *FArea;
    QWidget *FInner;
    TBorderStyle FBorderStyle = bsSingle;
};
