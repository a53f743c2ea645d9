// Implementation of panels, images, paint boxes, timers, splitters and scroll boxes.
#include "ExtCtrls.h"
#include <QFrame>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <cmath>

void Frame3D(TCanvas *Canvas, TRect &Rect, TColor TopColor, TColor BottomColor, int Width)
{
    Canvas->Pen()->SetWidth(1);
    Canvas->Pen()->SetStyle(psSolid);
    --Rect.Bottom;
    --Rect.Right;
    while (Width-- > 0) {
        // Polylines leave out their last point, as the device does.
        Canvas->Pen()->SetColor(TopColor);
        Canvas->Polyline({Point(Rect.Left, Rect.Bottom), Point(Rect.Left, Rect.Top), Point(Rect.Right, Rect.Top)});
        Canvas->Pen()->SetColor(BottomColor);
        Canvas->Polyline(
            {Point(Rect.Right, Rect.Top), Point(Rect.Right, Rect.Bottom), Point(Rect.Left - 1, Rect.Bottom)});
        InflateRect(Rect, -1, -1);
    }
    ++Rect.Bottom;
    ++Rect.Right;
}

// --- TCustomPanel ----------------------------------------------------------------

STATION_PUBLISHED(TCustomPanel)
{
    P.Republish("Color").Default(int(clBtnFace));
    P.Prop("Alignment", &TCustomPanel::Alignment, &TCustomPanel::SetAlignment).Default(taCenter);
    P.Prop("BevelInner", &TCustomPanel::BevelInner, &TCustomPanel::SetBevelInner).Default(bvNone);
    P.Prop("BevelOuter", &TCustomPanel::BevelOuter, &TCustomPanel::SetBevelOuter).Default(bvRaised);
    P.Prop("BevelWidth", &TCustomPanel::BevelWidth, &TCustomPanel::SetBevelWidth).Default(1);
    P.Prop("BorderStyle", &TCustomPanel::BorderStyle, &TCustomPanel::SetBorderStyle).Default(bsNone);
    P.Prop("BorderWidth", &TCustomPanel::BorderWidth, &TCustomPanel::SetBorderWidth).Default(0);
    P.Prop("Caption", &TCustomPanel::Caption, &TCustomPanel::SetCaption);
}

STATION_PUBLISHED(TPanel) {}

TCustomPanel::TCustomPanel(TComponent *AOwner) : TCustomControl(AOwner)
{
    FColor = clBtnFace;
    ApplyColor();
    SetBounds(0, 0, 185, 41);
}

void TCustomPanel::SetBevelOuter(TBevelCut Value)
{
    if (FBevelOuter == Value)
        return;
    FBevelOuter = Value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelInner(TBevelCut Value)
{
    if (FBevelInner == Value)
        return;
    FBevelInner = Value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelWidth(int Value)
{
    if (FBevelWidth == Value || Value < 1)
        return;
    FBevelWidth = Value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBorderWidth(int Value)
{
    if (FBorderWidth == Value || Value < 0)
        return;
    FBorderWidth = Value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBorderStyle(TBorderStyle Value)
{
    if (FBorderStyle == Value)
        return;
    FBorderStyle = Value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetAlignment(TAlignment Value)
{
    if (FAlignment == Value)
        return;
    FAlignment = Value;
    Invalidate();
}

void TCustomPanel::AdjustClientRect(TRect &Rect) const
{
    if (FBorderStyle == bsSingle)
        InflateRect(Rect, -1, -1);
    InflateRect(Rect, -FBorderWidth, -FBorderWidth);
    int bevel = 0;
    if (FBevelOuter != bvNone)
        bevel += FBevelWidth;
    if (FBevelInner != bvNone)
        bevel += FBevelWidth;
    InflateRect(Rect, -bevel, -bevel);
}

void TCustomPanel::Paint()
{
    TCanvas *c = Canvas();
    TRect r = ClientRect();
    auto bevelColors = [](TBevelCut Bevel, TColor &Top, TColor &Bottom) {
        Top = Bevel == bvLowered ? clBtnShadow : clBtnHighlight;
        Bottom = Bevel == bvLowered ? clBtnHighlight : clBtnShadow;
    };
    TColor top, bottom;
    if (FBorderStyle == bsSingle)
        Frame3D(c, r, clWindowFrame, clWindowFrame, 1);
    if (FBevelOuter != bvNone) {
        bevelColors(FBevelOuter, top, bottom);
        Frame3D(c, r, top, bottom, FBevelWidth);
    }
    Frame3D(c, r, Color(), Color(), FBorderWidth);
    if (FBevelInner != bvNone) {
        bevelColors(FBevelInner, top, bottom);
        Frame3D(c, r, top, bottom, FBevelWidth);
    }
    c->Brush()->SetColor(Color());
    c->Brush()->SetStyle(bsSolid);
    c->FillRect(r);
    c->Brush()->SetStyle(bsClear);
    c->Font()->Assign(Font());
    // One line, centred vertically on the height of "W".
    const int h = c->TextHeight(QStringLiteral("W"));
    r.Top = (r.Bottom + r.Top - h) / 2;
    r.Bottom = r.Top + h;
    unsigned flags = DT_EXPANDTABS | DT_VCENTER;
    if (FAlignment == taCenter)
        flags |= DT_CENTER;
    else if (FAlignment == taRightJustify)
        flags |= DT_RIGHT;
    c->DrawText(Caption(), r, flags);
}

// --- TImage ----------------------------------------------------------------------

STATION_PUBLISHED(TImage)
{
    P.Prop("AutoSize", &TImage::AutoSize, &TImage::SetAutoSize).Default(false);
    P.Prop("Center", &TImage::Center, &TImage::SetCenter).Default(false);
    P.Prop("Picture", &TImage::Picture, &TImage::SetPicture);
    P.Prop("Proportional", &TImage::Proportional, &TImage::SetProportional).Default(false);
    P.Prop("Stretch", &TImage::Stretch, &TImage::SetStretch).Default(false);
    P.Prop("Transparent", &TImage::Transparent, &TImage::SetTransparent).Default(false);
}

TImage::TImage(TComponent *AOwner) : TGraphicControl(AOwner), FPicture(new TPicture)
{
    FPicture->SetOnChange(TNotifyEvent(this, &TImage::PictureChanged));
    SetBounds(0, 0, 105, 105);
}

TImage::~TImage()
{
    FPicture->SetOnChange(TNotifyEvent());
    delete FPicture;
}

void TImage::SetPicture(TPicture *Value)
{
    if (Value != FPicture)
        FPicture->Assign(Value);
}

TCanvas *TImage::Canvas()
{
    if (!FPicture->Graphic()) {
        auto bmp = std::make_unique<TBitmap>();
        bmp->SetSize(Width(), Height());
        FPicture->SetGraphic(bmp.get());
    }
    auto *bmp = dynamic_cast<TBitmap *>(FPicture->Graphic());
    if (!bmp)
        throw EInvalidOperation(QStringLiteral("Can only modify an image if it contains a bitmap"));
    return bmp->Canvas();
}

void TImage::PictureChanged(TObject *)
{
    if (FAutoSize && FPicture->Width() > 0 && FPicture->Height() > 0)
        SetBounds(Left(), Top(), FPicture->Width(), FPicture->Height());
    if (TGraphic *g = FPicture->Graphic())
        if (g->Transparent() != FTransparent)
            g->SetTransparent(FTransparent);
    Invalidate();
}

TRect TImage::DestRect() const
{
    int w = FPicture->Width(), h = FPicture->Height();
    const int cw = ClientWidth(), ch = ClientHeight();
    if (FStretch || (FProportional && (w > cw || h > ch))) {
        if (FProportional && w > 0 && h > 0) {
            const double aspect = double(w) / double(h);
            if (w > h) {
                w = cw;
                h = int(std::trunc(cw / aspect));
                if (h > ch) {
                    h = ch;
                    w = int(std::trunc(ch * aspect));
                }
            } else {
                h = ch;
                w = int(std::trunc(ch * aspect));
                if (w > cw) {
                    w = cw;
                    h = int(std::trunc(cw / aspect));
                }
            }
        } else {
            w = cw;
            h = ch;
        }
    }
    TRect r = Rect(0, 0, w, h);
    if (FCenter)
        OffsetRect(r, (cw - w) / 2, (ch - h) / 2);
    return r;
}

void TImage::Paint()
{
    TGraphic *g = FPicture->Graphic();
    if (g && !g->Empty())
        TGraphicControl::Canvas()->StretchDraw(DestRect(), g);
}

void TImage::SetStretch(bool Value)
{
    FStretch = Value;
    Invalidate();
}

void TImage::SetCenter(bool Value)
{
    FCenter = Value;
    Invalidate();
}

void TImage::SetProportional(bool Value)
{
    FProportional = Value;
    Invalidate();
}

void TImage::SetTransparent(bool Value)
{
    FTransparent = Value;
    PictureChanged(this);
}

void TImage::SetAutoSize(bool Value)
{
    FAutoSize = Value;
    PictureChanged(this);
}

// --- TPaintBox -------------------------------------------------------------------

STATION_PUBLISHED(TPaintBox)
{
    P.Republish("Color").Default(int(clBtnFace));
    P.Republish("ParentColor").Default(true);
    P.Prop("OnPaint", &TPaintBox::OnPaint, &TPaintBox::SetOnPaint);
}

TPaintBox::TPaintBox(TComponent *AOwner) : TGraphicControl(AOwner)
{
    FColor = clBtnFace;
    FParentColor = true;
    SetBounds(0, 0, 105, 105);
}

void TPaintBox::Paint()
{
    TCanvas *c = Canvas();
    c->Font()->Assign(Font());
    c->Brush()->SetColor(Color());
    if (FOnPaint)
        FOnPaint(this);
}

// --- TTimer ----------------------------------------------------------------------

STATION_PUBLISHED(TTimer)
{
    P.Prop("Enabled", &TTimer::Enabled, &TTimer::SetEnabled).Default(true);
    P.Prop("Interval", &TTimer::Interval, &TTimer::SetInterval).Default(1000);
    P.Prop("OnTimer", &TTimer::OnTimer, &TTimer::SetOnTimer);
}

TTimer::TTimer(TComponent *AOwner) : TComponent(AOwner), FTimer(new QTimer)
{
    QObject::connect(FTimer.get(), &QTimer::timeout, FTimer.get(), [this] {
        try {
            Timer();
        } catch (...) {
            Application->HandleException(this);
        }
    });
}

TTimer::~TTimer() = default;

void TTimer::UpdateTimer()
{
    FTimer->stop();
    if (FEnabled && FInterval > 0 && FOnTimer)
        FTimer->start(FInterval);
}

void TTimer::SetEnabled(bool Value)
{
    FEnabled = Value;
    UpdateTimer();
}

void TTimer::SetInterval(int Value)
{
    FInterval = Value;
    UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent Value)
{
    FOnTimer = Value;
    UpdateTimer();
}

void TTimer::Timer()
{
    if (FOnTimer)
        FOnTimer(this);
}

// --- TSplitter -------------------------------------------------------------------

STATION_PUBLISHED(TSplitter)
{
    P.Republish("Align").Default(alLeft);
    P.Republish("Cursor").Default(crHSplit);
    P.Prop("Beveled", &TSplitter::Beveled, &TSplitter::SetBeveled).Default(false);
    P.Prop("MinSize", &TSplitter::MinSize, &TSplitter::SetMinSize).Default(30);
    P.Prop("ResizeStyle", &TSplitter::ResizeStyle, &TSplitter::SetResizeStyle).Default(rsPattern);
    P.Prop("OnMoved", &TSplitter::OnMoved, &TSplitter::SetOnMoved);
}

TSplitter::TSplitter(TComponent *AOwner) : TGraphicControl(AOwner)
{
    FAlign = alLeft;
    SetBounds(0, 0, 3, 100);
    SetCursor(crHSplit);
}

void TSplitter::SetBeveled(bool Value)
{
    FBeveled = Value;
    Invalidate();
}

void TSplitter::Paint()
{
    TCanvas *c = Canvas();
    TRect r = ClientRect();
    c->Brush()->SetColor(Color());
    c->Brush()->SetStyle(bsSolid);
    c->FillRect(r);
    if (FBeveled) {
        if (FAlign == alLeft || FAlign == alRight)
            InflateRect(r, -1, 2);
        else
            InflateRect(r, 2, -1);
        Frame3D(c, r, clBtnHighlight, clBtnShadow, 1);
    }
}

TControl *TSplitter::FindResizedControl() const
{
    TWinControl *p = Parent();
    if (!p)
        return nullptr;
    for (int i = 0; i < p->ControlCount(); ++i) {
        TControl *c = p->Controls(i);
        if (c == this || !c->Visible())
            continue;
        const bool vertical = FAlign == alLeft || FAlign == alRight;
        const bool overlaps = vertical ? c->Top() < Top() + Height() && c->Top() + c->Height() > Top()
                                       : c->Left() < Left() + Width() && c->Left() + c->Width() > Left();
        if (!overlaps)
            continue;
        switch (FAlign) {
        case alLeft:
            if (c->Left() + c->Width() == Left())
                return c;
            break;
        case alRight:
            if (c->Left() == Left() + Width())
                return c;
            break;
        case alTop:
            if (c->Top() + c->Height() == Top())
                return c;
            break;
        case alBottom:
            if (c->Top() == Top() + Height())
                return c;
            break;
        default:
            break;
        }
    }
    return nullptr;
}

void TSplitter::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || !Parent())
        return;
    FControl = FindResizedControl();
    if (!FControl)
        return;
    const bool vertical = FAlign == alLeft || FAlign == alRight;
    // Room left: the parent's client size less the other side-aligned
    // controls and the minimum of what remains.
    FMaxSize = (vertical ? Parent()->ClientWidth() : Parent()->ClientHeight()) - FMinSize;
    for (int i = 0; i < Parent()->ControlCount(); ++i) {
        TControl *c = Parent()->Controls(i);
        if (!c->Visible())
            continue;
        if (vertical && (c->Align() == alLeft || c->Align() == alRight))
            FMaxSize -= c->Width();
        else if (!vertical && (c->Align() == alTop || c->Align() == alBottom))
            FMaxSize -= c->Height();
    }
    FOldSize = vertical ? FControl->Width() : FControl->Height();
    FMaxSize += FOldSize;
    FDownPos = Point(Left() + X, Top() + Y);
    FDragging = true;
}

void TSplitter::MouseMove(TShiftState Shift, int X, int Y)
{
    TGraphicControl::MouseMove(Shift, X, Y);
    if (!FDragging || !FControl)
        return;
    const TPoint p = Point(Left() + X, Top() + Y);
    int size = FOldSize;
    switch (FAlign) {
    case alLeft:
        size += p.X - FDownPos.X;
        break;
    case alRight:
        size -= p.X - FDownPos.X;
        break;
    case alTop:
        size += p.Y - FDownPos.Y;
        break;
    case alBottom:
        size -= p.Y - FDownPos.Y;
        break;
    default:
        break;
    }
    size = std::max(FMinSize, std::min(size, FMaxSize));
    if (FAlign == alLeft || FAlign == alRight)
        FControl->SetWidth(size);
    else
        FControl->SetHeight(size);
    // The splitter moved with the control: keep the drag anchored.
    const int moved = size - FOldSize;
    FOldSize = size;
    switch (FAlign) {
    case alLeft:
        FDownPos.X += moved;
        break;
    case alRight:
        FDownPos.X -= moved;
        break;
    case alTop:
        FDownPos.Y += moved;
        break;
    case alBottom:
        FDownPos.Y -= moved;
        break;
    default:
        break;
    }
}

void TSplitter::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    const bool wasDragging = FDragging;
    FDragging = false;
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    if (wasDragging && FControl && FOnMoved)
        FOnMoved(this);
}

// --- TScrollBox ------------------------------------------------------------------

STATION_PUBLISHED(TScrollBox)
{
    P.Republish("Color").Default(int(clBtnFace));
    P.Prop("BorderStyle", &TScrollBox::BorderStyle, &TScrollBox::SetBorderStyle).Default(bsSingle);
}

TScrollBox::TScrollBox(TComponent *AOwner) : TScrollingWinControl(AOwner)
{
    auto *w = new TScrollHost<QScrollArea>();
    FArea = w;
    FInner = new QWidget;
    FInner->setAutoFillBackground(false);
    w->setWidget(FInner);
    w->setWidgetResizable(false);
    InitWidget(w, w);
    FColor = clBtnFace;
    ApplyColor();
    SetBounds(0, 0, 185, 41);
    w->horizontalScrollBar()->setSingleStep(HorzScrollBar()->Increment());
    w->verticalScrollBar()->setSingleStep(VertScrollBar()->Increment());
}

QScrollBar *TScrollBox::ScrollBarWidget(TScrollBarKind Kind) const
{
    return Kind == sbHorizontal ? FArea->horizontalScrollBar() : FArea->verticalScrollBar();
}

void TScrollBox::SetBorderStyle(TBorderStyle Value)
{
    FBorderStyle = Value;
    FArea->setFrameShape(Value == bsNone ? QFrame::NoFrame : QFrame::StyledPanel);
    Realign();
}

TRect TScrollBox::ClientRect() const
{
    const int f = FArea->frameWidth();
    return Rect(0, 0, std::max(0, Width() - 2 * f), std::max(0, Height() - 2 * f));
}

void TScrollBox::AlignControls(TControl *AControl, TRect &Rect)
{
    TScrollingWinControl::AlignControls(AControl, Rect);
    UpdateRange();
}

void TScrollBox::Resize()
{
    TScrollingWinControl::Resize();
    UpdateRange();
}

void TScrollBox::UpdateRange()
{
    // The scrolled area reaches the farthest child plus the margin, or the
    // range set, and at least the view.
    const TRect client = ClientRect();
    int right = 0, bottom = 0;
    for (int i = 0; i < ControlCount(); ++i) {
        TControl *c = Controls(i);
        if (!c->Visible())
            continue;
        right = std::max(right, c->Left() + c->Width());
        bottom = std::max(bottom, c->Top() + c->Height());
    }
    TControlScrollBar *h = HorzScrollBar(), *v = VertScrollBar();
    right = h->Range() > 0 ? h->Range() : right + h->Margin();
    bottom = v->Range() > 0 ? v->Range() : bottom + v->Margin();
    FArea->setHorizontalScrollBarPolicy(h->Visible() ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    FArea->setVerticalScrollBarPolicy(v->Visible() ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    FInner->resize(std::max(right, client.Right), std::max(bottom, client.Bottom));
}

void TScrollBox::ScrollInView(TControl *AControl)
{
    if (AControl && AControl->Widget() && ContainsControl(AControl))
        FArea->ensureWidgetVisible(AControl->Widget(), 0, 0);
}
