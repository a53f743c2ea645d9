// TPen, TBrush and TCanvas over QPainter.
#include "Font.h"
#include "Graphics.h"

#include <QBitmap>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QGlyphRun>
#include <QTextLayout>
#include <QTextOption>
#include <QPixmap>
#include <QPrinter>
#include <QRawFont>
#include <QWidget>
#include <algorithm>
#include <array>
#include <cmath>

// ------------------------------------------------------------------ pens and brushes

void TGraphicsObject::Changed()
{
    ++FVersion;
    if (FOnChange)
        FOnChange(this);
}

void TPen::Assign(TPersistent *Source)
{
    if (auto *p = dynamic_cast<TPen *>(Source)) {
        FColor = p->FColor;
        FWidth = p->FWidth;
        FStyle = p->FStyle;
        FMode = p->FMode;
        Changed();
        return;
    }
    TPersistent::Assign(Source);
}

void TPen::SetColor(TColor Value)
{
    if (FColor != Value) {
        FColor = Value;
        Changed();
    }
}

void TPen::SetWidth(int Value)
{
    if (Value >= 0 && FWidth != Value) {
        FWidth = Value;
        Changed();
    }
}

void TPen::SetStyle(TPenStyle Value)
{
    if (FStyle != Value) {
        FStyle = Value;
        Changed();
    }
}

void TPen::SetMode(TPenMode Value)
{
    if (FMode != Value) {
        FMode = Value;
        Changed();
    }
}

void TBrush::Assign(TPersistent *Source)
{
    if (auto *b = dynamic_cast<TBrush *>(Source)) {
        FColor = b->FColor;
        FStyle = b->FStyle;
        FBitmap = b->FBitmap;
        Changed();
        return;
    }
    TPersistent::Assign(Source);
}

void TBrush::SetColor(TColor Value)
{
    if (FColor != Value || FStyle == bsClear) {
        FColor = Value;
        if (FStyle == bsClear)
            FStyle = bsSolid;
        Changed();
    }
}

void TBrush::SetStyle(TBrushStyle Value)
{
    if (FStyle != Value) {
        FStyle = Value;
        Changed();
    }
}

void TBrush::SetBitmap(TBitmap *Value)
{
    if (FBitmap != Value) {
        FBitmap = Value;
        Changed();
    }
}

// ------------------------------------------------------------------ helpers

namespace {

QPainter::CompositionMode PenModeComposition(TPenMode Mode)
{
    switch (Mode) {
    case pmBlack: return QPainter::RasterOp_ClearDestination;
    case pmWhite: return QPainter::RasterOp_SetDestination;
    case pmNot: return QPainter::RasterOp_NotDestination;
    case pmNotCopy: return QPainter::RasterOp_NotSource;
    case pmMergePenNot: return QPainter::RasterOp_SourceOrNotDestination;
    case pmMaskPenNot: return QPainter::RasterOp_SourceAndNotDestination;
    case pmMergeNotPen: return QPainter::RasterOp_NotSourceOrDestination;
    case pmMaskNotPen: return QPainter::RasterOp_NotSourceAndDestination;
    case pmMerge: return QPainter::RasterOp_SourceOrDestination;
    case pmNotMerge: return QPainter::RasterOp_NotSourceAndNotDestination;
    case pmMask: return QPainter::RasterOp_SourceAndDestination;
    case pmNotMask: return QPainter::RasterOp_NotSourceOrNotDestination;
    case pmXor: return QPainter::RasterOp_SourceXorDestination;
    case pmNotXor: return QPainter::RasterOp_NotSourceXorDestination;
    default: return QPainter::CompositionMode_SourceOver;
    }
}

bool HasRasterOps(QPainter &P)
{
    return P.paintEngine() && P.paintEngine()->hasFeature(QPaintEngine::RasterOpModes);
}

QBrush MakeBrush(TBrush *B)
{
    if (TBitmap *bm = B->Bitmap(); bm && !bm->Empty())
        return QBrush(bm->ToImage());
    const QColor c = ColorToQColor(B->Color());
    switch (B->Style()) {
    case bsSolid: return QBrush(c);
    case bsClear: return QBrush(Qt::NoBrush);
    case bsHorizontal: return QBrush(c, Qt::HorPattern);
    case bsVertical: return QBrush(c, Qt::VerPattern);
    case bsFDiagonal: return QBrush(c, Qt::FDiagPattern);
    case bsBDiagonal: return QBrush(c, Qt::BDiagPattern);
    case bsCross: return QBrush(c, Qt::CrossPattern);
    case bsDiagCross: return QBrush(c, Qt::DiagCrossPattern);
    }
    return QBrush(c);
}

bool BrushVisible(TBrush *B)
{
    return B->Style() != bsClear || (B->Bitmap() && !B->Bitmap()->Empty());
}

// One-pixel pens are cosmetic with flat caps, which leaves out the last pixel
// of a line; wider pens are geometric, round-capped and always solid.
QPen MakePen(TPen *Pen)
{
    if (Pen->Style() == psClear)
        return QPen(Qt::NoPen);
    QPen p(ColorToQColor(Pen->Color()));
    if (Pen->Width() <= 1) {
        p.setWidth(0);
        p.setCapStyle(Qt::FlatCap);
        p.setJoinStyle(Qt::MiterJoin);
        switch (Pen->Style()) {
        case psDash: p.setDashPattern({18, 6}); break;
        case psDot: p.setDashPattern({3, 3}); break;
        case psDashDot: p.setDashPattern({9, 6, 3, 6}); break;
        case psDashDotDot: p.setDashPattern({9, 3, 3, 3, 3, 3}); break;
        default: break;
        }
    } else {
        p.setWidth(Pen->Width());
        p.setCapStyle(Qt::RoundCap);
        p.setJoinStyle(Qt::RoundJoin);
    }
    return p;
}

int Normalised(int &A, int &B)
{
    if (A > B)
        std::swap(A, B);
    return B - A;
}

// Pixels of the line from A to B, B left out, as the system steps them.
void LinePixels(QPoint A, QPoint B, std::vector<QPoint> &Out)
{
    const int dx = std::abs(B.x() - A.x()), sx = A.x() < B.x() ? 1 : -1;
    const int dy = -std::abs(B.y() - A.y()), sy = A.y() < B.y() ? 1 : -1;
    int err = dx + dy, x = A.x(), y = A.y();
    while (x != B.x() || y != B.y()) {
        Out.emplace_back(x, y);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

// Cuts the segment A-B to R (Liang-Barsky); False when it misses R.
bool ClipSegment(const QRect &R, QPoint &A, QPoint &B)
{
    const double x0 = A.x(), y0 = A.y(), dx = double(B.x()) - x0, dy = double(B.y()) - y0;
    double t0 = 0, t1 = 1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 - R.left(), R.right() - x0, y0 - R.top(), R.bottom() - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return false;
    }
    A = QPoint(int(std::lround(x0 + t0 * dx)), int(std::lround(y0 + t0 * dy)));
    B = QPoint(int(std::lround(x0 + t1 * dx)), int(std::lround(y0 + t1 * dy)));
    return true;
}

// On/off runs of the one-pixel dashed styles.
std::vector<int> DashPattern(TPenStyle Style)
{
    switch (Style) {
    case psDash: return {18, 6};
    case psDot: return {3, 3};
    case psDashDot: return {9, 6, 3, 6};
    case psDashDotDot: return {9, 3, 3, 3, 3, 3};
    default: return {};
    }
}

bool IsCjk(char16_t c)
{
    return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF)
           || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF00 && c <= 0xFFEF);
}

QPainter::CompositionMode CopyModeComposition(TCopyMode Mode, bool &Supported)
{
    Supported = true;
    switch (Mode) {
    case cmSrcInvert: return QPainter::RasterOp_SourceXorDestination;
    case cmSrcAnd: return QPainter::RasterOp_SourceAndDestination;
    case cmSrcPaint: return QPainter::RasterOp_SourceOrDestination;
    case cmNotSrcCopy: return QPainter::RasterOp_NotSource;
    case cmSrcErase: return QPainter::RasterOp_SourceAndNotDestination;
    case cmNotSrcErase: return QPainter::RasterOp_NotSourceAndNotDestination;
    case cmMergePaint: return QPainter::RasterOp_NotSourceOrDestination;
    case cmSrcCopy: return QPainter::CompositionMode_SourceOver;
    default: Supported = false; return QPainter::CompositionMode_SourceOver;
    }
}

// Qt measures and draws text only with the font database of a
// QGuiApplication; without one it aborts the process. A program that has
// none gets this error instead.
void RequireFontDatabase()
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        throw Exception(QStringLiteral("Text cannot be measured or drawn without a QGuiApplication"));
}

} // namespace

QFont FontToQFont(TFont *Font)
{
    if (!Font)
        return QFont();
    QFont f(Font->Name());
    f.setKerning(false);
    const TFontStyles st = Font->Style();
    f.setBold(st.Contains(fsBold));
    f.setItalic(st.Contains(fsItalic));
    f.setUnderline(st.Contains(fsUnderline));
    f.setStrikeOut(st.Contains(fsStrikeOut));
    const int h = Font->Height();
    if (h < 0) {
        f.setPixelSize(-h);
    } else if (h > 0) {
        RequireFontDatabase();
        QFont probe(f);
        probe.setPixelSize(100);
        const QFontMetricsF m(probe);
        const double cell = m.ascent() + m.descent();
        f.setPixelSize(std::max(1, int(std::lround(h * 100.0 / (cell > 0 ? cell : 100.0)))));
    } else {
        f.setPixelSize(std::max(1, int(std::lround(Font->Size() * 96.0 / 72.0))));
    }
    if (Font->Pitch() == fpFixed)
        f.setFixedPitch(true);
    return f;
}

// ------------------------------------------------------------------ canvas: binding

TCanvas::TCanvas()
    : FFont(std::make_unique<TFont>()), FPen(std::make_unique<TPen>()),
      FBrush(std::make_unique<TBrush>())
{
}

TCanvas::TCanvas(QPaintDevice *Device) : TCanvas()
{
    FDevice = Device;
}

TCanvas::~TCanvas()
{
    // A borrowed painter may be gone already; only an own one is ended.
    if (FPainter && FOwnPainter) {
        FPainter->end();
        delete FPainter;
    }
}

void TCanvas::SetDevice(QPaintDevice *Device)
{
    if (FPainter)
        EndPaint();
    FDevice = Device;
}

void TCanvas::BeginPaint(QPainter *Painter)
{
    if (FPainter)
        EndPaint();
    FPainter = Painter;
    FOwnPainter = false;
    if (!FPainter)
        return;
    FPainter->save();
    FBaseHasClip = FPainter->hasClipping();
    FBaseClip = FBaseHasClip ? FPainter->clipRegion() : QRegion();
    ResetPainterState();
}

void TCanvas::EndPaint()
{
    if (!FPainter)
        return;
    if (FOwnPainter) {
        FPainter->end();
        delete FPainter;
    } else {
        FPainter->restore();
    }
    FPainter = nullptr;
    FOwnPainter = false;
}

void TCanvas::Release()
{
    if (FPainter && FOwnPainter)
        EndPaint();
}

QPainter *TCanvas::Handle()
{
    return Ready() ? FPainter : nullptr;
}

bool TCanvas::Ready()
{
    if (FPainter)
        return true;
    // A picture being recorded has no size yet; anything else needs pixels.
    if (!FDevice || (FDevice->devType() != QInternal::Picture && (FDevice->width() <= 0 || FDevice->height() <= 0)))
        return false;
    auto *p = new QPainter;
    if (!p->begin(FDevice)) {
        delete p;
        return false;
    }
    FPainter = p;
    FOwnPainter = true;
    ResetPainterState();
    return true;
}

void TCanvas::ResetPainterState()
{
    QPainter &p = *FPainter;
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.setBackgroundMode(Qt::TransparentMode);
    ApplyClip();
}

QRect TCanvas::DeviceRect() const
{
    const QPaintDevice *d = FDevice ? FDevice : (FPainter ? FPainter->device() : nullptr);
    if (!d)
        return QRect();
    return QRect(0, 0, d->width(), d->height());
}

void TCanvas::SetFont(TFont *Value)
{
    if (Value)
        FFont->Assign(Value);
}

void TCanvas::SetPen(TPen *Value)
{
    if (Value)
        FPen->Assign(Value);
}

void TCanvas::SetBrush(TBrush *Value)
{
    if (Value)
        FBrush->Assign(Value);
}

void TCanvas::Changing()
{
    if (FOnChanging)
        FOnChanging(this);
}

void TCanvas::Changed()
{
    if (FOnChange)
        FOnChange(this);
}

// Pen and brush for a figure; the pen mode's raster operation applies to both.
void TCanvas::ApplyPenBrush(QPainter &P, bool ForPen, bool ForBrush)
{
    P.setRenderHint(QPainter::Antialiasing, FAntialiased);
    P.setPen(ForPen ? MakePen(FPen.get()) : QPen(Qt::NoPen));
    P.setBrush(ForBrush ? MakeBrush(FBrush.get()) : QBrush(Qt::NoBrush));
    P.setBrushOrigin(FBrushOrigin.X, FBrushOrigin.Y);
    P.setBackgroundMode(Qt::TransparentMode);
    SetRop(P);
}

void TCanvas::SetRop(QPainter &P)
{
    const TPenMode m = FPen->Mode();
    if (m == pmCopy || !HasRasterOps(P))
        P.setCompositionMode(QPainter::CompositionMode_SourceOver);
    else
        P.setCompositionMode(PenModeComposition(m));
}

// Fills R (device pixels) with B, not touched by the pen mode.
void TCanvas::FillArea(const QRect &R, const QBrush &B)
{
    if (R.isEmpty() || B.style() == Qt::NoBrush)
        return;
    QPainter &p = *FPainter;
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.setBrushOrigin(FBrushOrigin.X, FBrushOrigin.Y);
    p.fillRect(R, B);
}

void TCanvas::StrokeThinPath(QPainter &P, const std::vector<TPoint> &Points, bool Closed)
{
    std::vector<QPoint> px;
    // Pixels are stepped one by one: a segment reaching far outside the
    // device is first cut to the device with a wide margin, so that absurd
    // coordinates cost no more than the device is large.
    const QRect dev = DeviceRect();
    const QRect near = dev.isEmpty() ? QRect() : dev.adjusted(-4096, -4096, 4096, 4096);
    auto segment = [&](const TPoint &A, const TPoint &B) {
        QPoint a(A.X, A.Y), b(B.X, B.Y);
        if (!near.isNull() && !(near.contains(a) && near.contains(b)) && !ClipSegment(near, a, b))
            return;
        LinePixels(a, b, px);
    };
    for (size_t i = 0; i + 1 < Points.size(); ++i)
        segment(Points[i], Points[i + 1]);
    if (Closed && !Points.empty())
        segment(Points.back(), Points.front());
    if (px.empty())
        return;
    P.setRenderHint(QPainter::Antialiasing, false);
    P.setBrush(Qt::NoBrush);
    SetRop(P);
    const QColor ink = ColorToQColor(FPen->Color());
    const std::vector<int> dash = DashPattern(FPen->Style());
    if (dash.empty()) {
        P.setPen(QPen(ink, 0));
        P.drawPoints(px.data(), int(px.size()));
        return;
    }
    // Gaps take the background colour while the brush is solid.
    std::vector<QPoint> on, off;
    size_t k = 0;
    int left = dash[0];
    for (const QPoint &q : px) {
        (k % 2 == 0 ? on : off).push_back(q);
        if (--left == 0) {
            k = (k + 1) % dash.size();
            left = dash[k];
        }
    }
    P.setPen(QPen(ink, 0));
    P.drawPoints(on.data(), int(on.size()));
    if (FBrush->Style() == bsSolid && !off.empty()) {
        P.setPen(QPen(ColorToQColor(FBrush->Color()), 0));
        P.drawPoints(off.data(), int(off.size()));
    }
}

// ------------------------------------------------------------------ lines and shapes

void TCanvas::MoveTo(int X, int Y)
{
    FPenPos = {X, Y};
}

void TCanvas::LineTo(int X, int Y)
{
    const TPoint from = FPenPos;
    FPenPos = {X, Y};
    Polyline({from, FPenPos});
}

void TCanvas::Polyline(const std::vector<TPoint> &Points)
{
    if (Points.size() < 2 || !Ready() || FPen->Style() == psClear || FPen->Mode() == pmNop)
        return;
    Changing();
    QPainter &p = *FPainter;
    if (FPen->Width() <= 1) {
        StrokeThinPath(p, Points, false);
    } else {
        ApplyPenBrush(p, true, false);
        QPolygon poly;
        for (const TPoint &pt : Points)
            poly << QPoint(pt.X, pt.Y);
        p.drawPolyline(poly);
    }
    Changed();
}

void TCanvas::Polygon(const std::vector<TPoint> &Points)
{
    if (Points.size() < 2 || !Ready() || FPen->Mode() == pmNop)
        return;
    Changing();
    QPainter &p = *FPainter;
    QPolygon poly;
    for (const TPoint &pt : Points)
        poly << QPoint(pt.X, pt.Y);
    const bool pen = FPen->Style() != psClear;
    if (pen && FPen->Width() <= 1) {
        if (BrushVisible(FBrush.get())) {
            ApplyPenBrush(p, false, true);
            p.drawPolygon(poly, Qt::OddEvenFill);
        }
        StrokeThinPath(p, Points, true);
    } else {
        ApplyPenBrush(p, pen, BrushVisible(FBrush.get()));
        p.drawPolygon(poly, Qt::OddEvenFill);
    }
    Changed();
}

void TCanvas::Rectangle(int X1, int Y1, int X2, int Y2)
{
    Normalised(X1, X2);
    Normalised(Y1, Y2);
    if (!Ready() || FPen->Mode() == pmNop)
        return;
    Changing();
    QPainter &p = *FPainter;
    const bool fill = BrushVisible(FBrush.get());
    if (FPen->Style() == psClear) {
        // Without a pen the figure is one pixel smaller each way.
        ApplyPenBrush(p, false, fill);
        if (fill)
            p.drawRect(QRect(X1, Y1, X2 - X1 - 1, Y2 - Y1 - 1));
        Changed();
        return;
    }
    const int w = std::max(1, FPen->Width());
    // Pixels of the pen left and right of the outline's centre.
    int a = 0, b = 0;
    if (FPen->Style() != psInsideFrame) {
        a = (w - 1) / 2;
        b = w - 1 - a;
    } else {
        b = w - 1;
    }
    const QRect outer(QPoint(X1 - a, Y1 - a), QPoint(X2 - 1 + b - (FPen->Style() == psInsideFrame ? w - 1 : 0),
                                                     Y2 - 1 + b - (FPen->Style() == psInsideFrame ? w - 1 : 0)));
    const QRect inner = outer.adjusted(w, w, -w, -w);
    // Interior first, then the frame, so no pixel is painted twice (raster
    // operations such as exclusive or would undo themselves).
    if (fill && inner.isValid()) {
        ApplyPenBrush(p, false, true);
        p.drawRect(inner);
    }
    const QColor pc = ColorToQColor(FPen->Color());
    if (w == 1 && FPen->Style() != psSolid && FPen->Style() != psInsideFrame) {
        StrokeThinPath(p, {Point(X1, Y1), Point(X2 - 1, Y1), Point(X2 - 1, Y2 - 1), Point(X1, Y2 - 1)}, true);
    } else {
        ApplyPenBrush(p, false, true);
        p.setBrush(pc);
        QRegion frame(outer);
        if (inner.isValid())
            frame -= QRegion(inner);
        for (const QRect &r : frame)
            p.drawRect(r);
    }
    Changed();
}

void TCanvas::Ellipse(int X1, int Y1, int X2, int Y2)
{
    Normalised(X1, X2);
    Normalised(Y1, Y2);
    if (!Ready() || FPen->Mode() == pmNop)
        return;
    Changing();
    QPainter &p = *FPainter;
    const bool pen = FPen->Style() != psClear;
    const int w = std::max(1, FPen->Width());
    const QRect box(X1, Y1, X2 - X1 - 1, Y2 - Y1 - 1);
    // Interior and outline apart: Qt's one-pixel outline of a filled ellipse
    // is not the outline of the same ellipse unfilled.
    if (BrushVisible(FBrush.get())) {
        ApplyPenBrush(p, false, true);
        if (pen)
            p.drawEllipse(QRectF(X1 + 0.5, Y1 + 0.5, X2 - X1 - 1, Y2 - Y1 - 1));
        else
            p.drawEllipse(box);
    }
    if (pen) {
        ApplyPenBrush(p, true, false);
        if (w == 1) {
            p.drawEllipse(box);
        } else {
            const double inset = FPen->Style() == psInsideFrame ? w / 2.0 : 0.5;
            p.drawEllipse(QRectF(X1 + inset, Y1 + inset, X2 - X1 - 2 * inset, Y2 - Y1 - 2 * inset));
        }
    }
    Changed();
}

void TCanvas::RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3)
{
    Normalised(X1, X2);
    Normalised(Y1, Y2);
    if (!Ready() || FPen->Mode() == pmNop)
        return;
    Changing();
    QPainter &p = *FPainter;
    const bool pen = FPen->Style() != psClear;
    ApplyPenBrush(p, pen, BrushVisible(FBrush.get()));
    const double rx = std::abs(X3) / 2.0, ry = std::abs(Y3) / 2.0;
    const int w = std::max(1, FPen->Width());
    if (!pen || w == 1) {
        p.drawRoundedRect(QRect(X1, Y1, X2 - X1 - 1, Y2 - Y1 - 1), rx, ry);
    } else {
        const double inset = FPen->Style() == psInsideFrame ? w / 2.0 : 0.5;
        p.drawRoundedRect(QRectF(X1 + inset, Y1 + inset, X2 - X1 - 2 * inset, Y2 - Y1 - 2 * inset), rx, ry);
    }
    Changed();
}

void TCanvas::FillRect(const TRect &R)
{
    if (!BrushVisible(FBrush.get()) || !Ready())
        return;
    TRect r = R;
    Normalised(r.Left, r.Right);
    Normalised(r.Top, r.Bottom);
    Changing();
    FillArea(r.ToQRect(), MakeBrush(FBrush.get()));
    Changed();
}

void TCanvas::FrameRect(const TRect &R)
{
    if (!BrushVisible(FBrush.get()) || !Ready())
        return;
    TRect r = R;
    Normalised(r.Left, r.Right);
    Normalised(r.Top, r.Bottom);
    if (r.IsEmpty())
        return;
    Changing();
    const QBrush b = MakeBrush(FBrush.get());
    const QRect q = r.ToQRect();
    QRegion frame(q);
    frame -= QRegion(q.adjusted(1, 1, -1, -1));
    for (const QRect &part : frame)
        FillArea(part, b);
    Changed();
}

void TCanvas::DrawFocusRect(const TRect &R)
{
    if (!Ready() || R.IsEmpty())
        return;
    Changing();
    QPainter &p = *FPainter;
    const bool xorable = HasRasterOps(p);
    p.setCompositionMode(xorable ? QPainter::RasterOp_SourceXorDestination
                                 : QPainter::CompositionMode_SourceOver);
    p.setPen(Qt::NoPen);
    const QColor c = xorable ? QColor(255, 255, 255) : QColor(0, 0, 0);
    // Every second pixel of the frame, in a checkerboard from the top-left
    // corner, so that each pixel is touched once.
    const int parity = (R.Left + R.Top) & 1;
    auto dot = [&](int x, int y) {
        if (((x + y) & 1) == parity)
            p.fillRect(QRect(x, y, 1, 1), c);
    };
    for (int x = R.Left; x < R.Right; ++x) {
        dot(x, R.Top);
        if (R.Bottom - 1 > R.Top)
            dot(x, R.Bottom - 1);
    }
    for (int y = R.Top + 1; y < R.Bottom - 1; ++y) {
        dot(R.Left, y);
        if (R.Right - 1 > R.Left)
            dot(R.Right - 1, y);
    }
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    Changed();
}

// ------------------------------------------------------------------ pixels

namespace {

QImage *DeviceImage(QPaintDevice *D)
{
    return D && D->devType() == QInternal::Image ? static_cast<QImage *>(D) : nullptr;
}

} // namespace

TColor TCanvas::Pixels(int X, int Y)
{
    QPaintDevice *d = FDevice ? FDevice : (FPainter ? FPainter->device() : nullptr);
    if (!d || X < 0 || Y < 0 || X >= d->width() || Y >= d->height())
        return CLR_INVALID;
    if (FHasClip && !FClip.contains(QPoint(X, Y)))
        return CLR_INVALID;
    if (QImage *img = DeviceImage(d))
        return QColorToColor(QColor::fromRgb(img->pixel(X, Y)));
    const QImage grabbed = GrabImage(Rect(X, Y, X + 1, Y + 1));
    if (grabbed.isNull())
        return CLR_INVALID;
    return QColorToColor(QColor::fromRgb(grabbed.pixel(0, 0)));
}

void TCanvas::SetPixels(int X, int Y, TColor Value)
{
    QPaintDevice *d = FDevice ? FDevice : (FPainter ? FPainter->device() : nullptr);
    if (!d || X < 0 || Y < 0 || X >= d->width() || Y >= d->height())
        return;
    if (FHasClip && !FClip.contains(QPoint(X, Y)))
        return;
    Changing();
    QImage *img = DeviceImage(d);
    if (img && !(FPainter && !FOwnPainter)) {
        img->setPixel(X, Y, ColorToQColor(Value).rgb());
    } else if (Ready()) {
        FPainter->setCompositionMode(QPainter::CompositionMode_SourceOver);
        FPainter->fillRect(QRect(X, Y, 1, 1), ColorToQColor(Value));
    }
    Changed();
}

// ------------------------------------------------------------------ text

// What text drawing asks of one font, kept with it: asking Qt for a font's
// key, metrics or advances on every call costs more than drawing a short text.
struct TCanvas::TFontState
{
    QString Name;
    int Height, Style, Pitch;
    QFont Font;
    QFontMetrics Metrics;
    int Ascent, LineHeight;
    std::array<int, 128> Ascii;
    QHash<char16_t, int> Other;
    QRawFont Raw;
    bool RawMade = false;

    TFontState(TFont *F)
        : Name(F->Name()), Height(F->Height()), Style(int(F->Style().ToInt())), Pitch(int(F->Pitch())),
          Font(MeasurableFont(F)), Metrics(Font), Ascent(Metrics.ascent()), LineHeight(Metrics.height())
    {
        Ascii.fill(-1);
    }
    static QFont MeasurableFont(TFont *F)
    {
        RequireFontDatabase();
        return FontToQFont(F);
    }
    bool Matches(TFont *F) const
    {
        return F->Height() == Height && int(F->Style().ToInt()) == Style && int(F->Pitch()) == Pitch && F->Name() == Name;
    }
    // What QFontMetrics::horizontalAdvance says of C, asked once.
    int Advance(QChar C)
    {
        const char16_t u = C.unicode();
        if (u < 128) {
            int &a = Ascii[u];
            if (a < 0)
                a = Metrics.horizontalAdvance(C);
            return a;
        }
        auto it = Other.constFind(u);
        if (it == Other.constEnd())
            it = Other.insert(u, Metrics.horizontalAdvance(C));
        return *it;
    }
    const QRawFont &RawFont()
    {
        if (!RawMade) {
            Raw = QRawFont::fromFont(Font);
            RawMade = true;
        }
        return Raw;
    }
    // The glyph of a character the font lacks, in the font Qt falls back
    // to for it alone (as drawing the character as text would find it);
    // Glyph 0 when there is no such single glyph.
    struct TFallback
    {
        QRawFont Raw;
        quint32 Glyph = 0;
        qreal X = 0;
    };
    QHash<char16_t, TFallback> Fallbacks;
    const TFallback &Fallback(QChar C)
    {
        auto it = Fallbacks.constFind(C.unicode());
        if (it != Fallbacks.constEnd())
            return *it;
        TFallback f;
        QFont plain(Font);
        plain.setUnderline(false);
        plain.setStrikeOut(false);
        QTextLayout layout(QString(C), plain);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        const QList<QGlyphRun> runs = layout.glyphRuns();
        if (runs.size() == 1 && runs[0].glyphIndexes().size() == 1 && runs[0].glyphIndexes()[0] != 0) {
            f.Raw = runs[0].rawFont();
            f.Glyph = runs[0].glyphIndexes()[0];
            f.X = runs[0].positions()[0].x();
        }
        return *Fallbacks.insert(C.unicode(), f);
    }
};

TCanvas::TFontState *TCanvas::CurrentFont()
{
    TFont *f = FFont.get();
    if (!FFonts.empty() && FFonts.back()->Matches(f))
        return FFonts.back().get();
    for (size_t i = 0; i + 1 < FFonts.size(); ++i)
        if (FFonts[i]->Matches(f)) {
            // Most recent last.
            std::rotate(FFonts.begin() + qsizetype(i), FFonts.begin() + qsizetype(i) + 1, FFonts.end());
            return FFonts.back().get();
        }
    constexpr size_t MaxFonts = 8;
    if (FFonts.size() >= MaxFonts)
        FFonts.erase(FFonts.begin());
    FFonts.push_back(std::make_shared<TFontState>(f));
    return FFonts.back().get();
}

QFont TCanvas::CurrentQFont()
{
    return CurrentFont()->Font;
}

namespace {

// Advance of each UTF-16 unit: a surrogate pair's first unit carries the width.
template<class F>
void UnitAdvances(F &Font, const QString &Text, std::vector<int> &Adv)
{
    Adv.assign(size_t(Text.size()), 0);
    for (int i = 0; i < Text.size(); ++i) {
        if (Text[i].isHighSurrogate() && i + 1 < Text.size() && Text[i + 1].isLowSurrogate()) {
            Adv[size_t(i)] = Font.Metrics.horizontalAdvance(Text.mid(i, 2));
            ++i;
        } else if (Text[i].isLowSurrogate()) {
            Adv[size_t(i)] = 0;
        } else {
            Adv[size_t(i)] = Font.Advance(Text[i]);
        }
    }
}

QFont PlainFont(QFont F)
{
    F.setUnderline(false);
    F.setStrikeOut(false);
    return F;
}

} // namespace

namespace {

// Draws Text with each character at its own advance as glyph runs of the
// font itself, shaping nothing; characters the font has no glyph for go
// through the painter one by one (which finds a fallback font). Only on
// raster and printer (PDF) devices, and only for text without surrogate
// pairs; False, and nothing drawn, otherwise.
template<class F>
bool DrawGlyphRuns(QPainter &P, F &Font, int Ascent, const QString &Text, const std::vector<int> &Adv)
{
    const QPaintDevice *d = P.device();
    // A PDF writer is a device of no particular type: known by its engine.
    const bool pdf = P.paintEngine() && P.paintEngine()->type() == QPaintEngine::Pdf;
    if (!d || (d->devType() != QInternal::Image && d->devType() != QInternal::Pixmap && d->devType() != QInternal::Widget &&
               d->devType() != QInternal::Printer && !pdf))
        return false;
    for (QChar c : Text)
        if (c.isSurrogate())
            return false;
    const QRawFont &cachedRaw = Font.RawFont();
    if (!cachedRaw.isValid())
        return false;
    const QList<quint32> glyphs = cachedRaw.glyphIndexesForString(Text);
    if (glyphs.size() != Text.size())
        return false;
    QList<quint32> runGlyphs;
    QList<QPointF> runPositions;
    runGlyphs.reserve(Text.size());
    runPositions.reserve(Text.size());
    // Characters of fallback fonts, a run per font.
    struct TFallbackRun
    {
        QRawFont Raw;
        QList<quint32> Glyphs;
        QList<QPointF> Positions;
    };
    std::vector<TFallbackRun> fallbackRuns;
    int x = 0;
    for (int i = 0; i < Text.size(); ++i) {
        const QChar c = Text[i];
        const bool blank = c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n');
        if (!blank) {
            if (glyphs[i] != 0) {
                runGlyphs.append(glyphs[i]);
                runPositions.append(QPointF(x, Ascent));
            } else if (const auto &f = Font.Fallback(c); f.Glyph != 0) {
                auto run = std::find_if(fallbackRuns.begin(), fallbackRuns.end(),
                                        [&f](const TFallbackRun &R) { return R.Raw == f.Raw; });
                if (run == fallbackRuns.end())
                    run = fallbackRuns.insert(fallbackRuns.end(), TFallbackRun{f.Raw, {}, {}});
                run->Glyphs.append(f.Glyph);
                run->Positions.append(QPointF(x + f.X, Ascent));
            } else {
                P.drawText(QPoint(x, Ascent), QString(c));
            }
        }
        x += Adv[size_t(i)];
    }
    for (const TFallbackRun &f : fallbackRuns) {
        QGlyphRun run;
        run.setRawFont(f.Raw);
        run.setGlyphIndexes(f.Glyphs);
        run.setPositions(f.Positions);
        P.drawGlyphRun(QPointF(0, 0), run);
    }
    if (!runGlyphs.isEmpty()) {
        QGlyphRun run;
        run.setRawFont(cachedRaw);
        run.setGlyphIndexes(runGlyphs);
        run.setPositions(runPositions);
        P.drawGlyphRun(QPointF(0, 0), run);
    }
    return true;
}

} // namespace

// Text whose cell's top-left corner is X, Y, each character at its own
// advance (Dx, or the font's), rotated by the canvas's escapement. The cell is
// filled with the brush colour while the brush is solid. Right-to-left
// reading lets Qt shape and order the run in its cell, flush right.
void TCanvas::DrawTextRun(QPainter &P, int X, int Y, const QString &Text, const int *Dx, bool RightToLeft)
{
    TFontState &state = *CurrentFont();
    const QFont &font = state.Font;
    const QFontMetrics &fm = state.Metrics;
    std::vector<int> adv;
    if (Dx)
        adv.assign(Dx, Dx + Text.size());
    else
        UnitAdvances(state, Text, adv);
    int total = 0;
    for (int a : adv)
        total += a;
    P.save();
    P.setCompositionMode(QPainter::CompositionMode_SourceOver);
    P.setBackgroundMode(Qt::TransparentMode);
    P.translate(X, Y);
    if (P.device() && P.device()->devType() == TTextRecordDevice::DeviceType) {
        auto *rec = static_cast<TTextRecordDevice *>(P.device());
        rec->Records.push_back({Text, P.transform().mapRect(QRectF(0, 0, total, fm.height()))});
        // The recorder shows nothing: shaping the run for it would be wasted.
        P.restore();
        return;
    }
    if (FEscapement % 3600 != 0)
        P.rotate(-FEscapement / 10.0);
    if (FBrush->Style() == bsSolid)
        P.fillRect(QRect(0, 0, total, fm.height()), ColorToQColor(FBrush->Color()));
    const QColor color = ColorToQColor(FFont->Color());
    P.setPen(color);
    P.setFont(PlainFont(font));
    if (RightToLeft) {
        // Qt orders the words and blanks; each word, shaped as a whole, gets
        // the advances of its characters, so justified lines keep their widths.
        QTextOption opt(Qt::AlignRight | Qt::AlignTop);
        opt.setTextDirection(Qt::RightToLeft);
        opt.setWrapMode(QTextOption::NoWrap);
        QTextLayout layout(Text, font);
        layout.setTextOption(opt);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        line.setLeadingIncluded(false);
        layout.endLayout();
        struct TSeg {
            int Start, End;
            qreal Visual;
            bool Blank;
        };
        std::vector<TSeg> segs;
        for (int i = 0; i < Text.size();) {
            const bool blank = Text[i] == QLatin1Char(' ') || Text[i] == QChar(0xA0);
            int j = i + 1;
            while (j < Text.size() && (Text[j] == QLatin1Char(' ') || Text[j] == QChar(0xA0)) == blank)
                ++j;
            // Where the segment's glyphs stand in Qt's visual line.
            qreal at = 0;
            bool found = false;
            for (const QGlyphRun &run : layout.glyphRuns(i, j - i))
                for (const QPointF &pt : run.positions()) {
                    at = found ? std::min(at, pt.x()) : pt.x();
                    found = true;
                }
            segs.push_back({i, j, at, blank});
            i = j;
        }
        std::stable_sort(segs.begin(), segs.end(), [](const TSeg &A, const TSeg &B) { return A.Visual < B.Visual; });
        P.setLayoutDirection(Qt::RightToLeft);
        int x = 0;
        for (const TSeg &g : segs) {
            int w = 0;
            for (int k = g.Start; k < g.End; ++k)
                w += adv[size_t(k)];
            if (!g.Blank) {
                // A word starts at the end its own reading starts from.
                const QString word = Text.mid(g.Start, g.End - g.Start);
                bool rtlChars = false;
                for (QChar c : word)
                    rtlChars = rtlChars || c.direction() == QChar::DirR || c.direction() == QChar::DirAL;
                const std::vector<int> wordAdv(adv.begin() + g.Start, adv.begin() + g.End);
                P.save();
                P.translate(x, 0);
                // Words without right-to-left letters look as they do left to right.
                if (rtlChars || !DrawGlyphRuns(P, state, state.Ascent, word, wordAdv)) {
                    QTextOption wordOpt = opt;
                    wordOpt.setAlignment((word.isRightToLeft() ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop);
                    P.drawText(QRectF(0, 0, w, fm.height()), word, wordOpt);
                }
                P.restore();
            }
            x += w;
        }
    } else if (!DrawGlyphRuns(P, state, state.Ascent, Text, adv)) {
        int x = 0;
        for (int i = 0; i < Text.size(); ++i) {
            int n = 1;
            if (Text[i].isHighSurrogate() && i + 1 < Text.size() && Text[i + 1].isLowSurrogate())
                n = 2;
            const QChar c = Text[i];
            if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\r') && c != QLatin1Char('\n'))
                P.drawText(QPoint(x, fm.ascent()), Text.mid(i, n));
            for (int k = 0; k < n; ++k)
                x += adv[size_t(i + k)];
            i += n - 1;
        }
    }
    const int lw = std::max(1, fm.lineWidth());
    if (font.underline())
        P.fillRect(QRect(0, fm.ascent() + fm.underlinePos(), total, lw), color);
    if (font.strikeOut())
        P.fillRect(QRect(0, fm.ascent() - fm.strikeOutPos(), total, lw), color);
    P.restore();
}

void TCanvas::ExtTextOut(int X, int Y, unsigned Options, const TRect *R, const QString &Text,
                         const int *Dx)
{
    if (!Ready())
        return;
    Changing();
    QPainter &p = *FPainter;
    p.save();
    if (R && (Options & ETO_OPAQUE))
        FillArea(R->ToQRect(), QBrush(ColorToQColor(FBrush->Color())));
    if (R && (Options & ETO_CLIPPED))
        p.setClipRect(R->ToQRect(), Qt::IntersectClip);
    if (!Text.isEmpty())
        DrawTextRun(p, X, Y, Text, Dx, Options & ETO_RTLREADING);
    p.restore();
    Changed();
}

void TCanvas::TextOut(int X, int Y, const QString &Text)
{
    ExtTextOut(X, Y, 0, nullptr, Text, nullptr);
    MoveTo(X + TextWidth(Text), Y);
}

void TCanvas::TextRect(const TRect &R, int X, int Y, const QString &Text)
{
    unsigned options = ETO_CLIPPED;
    if (FBrush->Style() != bsClear)
        options |= ETO_OPAQUE;
    ExtTextOut(X, Y, options, &R, Text, nullptr);
}

void TCanvas::GetTextExtents(const QString &Text, std::vector<int> &Extents)
{
    UnitAdvances(*CurrentFont(), Text, Extents);
    int sum = 0;
    for (int &e : Extents) {
        sum += e;
        e = sum;
    }
}

TSize TCanvas::TextExtent(const QString &Text)
{
    TFontState &state = *CurrentFont();
    std::vector<int> adv;
    UnitAdvances(state, Text, adv);
    int w = 0;
    for (int a : adv)
        w += a;
    return {w, state.LineHeight};
}

int TCanvas::TextWidth(const QString &Text)
{
    return TextExtent(Text).cx;
}

int TCanvas::TextHeight(const QString &Text)
{
    return TextExtent(Text).cy;
}

TCanvas::TTextMetric TCanvas::GetTextMetrics()
{
    const QFont f = CurrentQFont();
    const QFontMetrics fm(f);
    TTextMetric m;
    m.Ascent = fm.ascent();
    m.Descent = fm.descent();
    m.Height = fm.height();
    m.InternalLeading = std::max(0, m.Height - f.pixelSize());
    m.ExternalLeading = std::max(0, fm.leading());
    m.AveCharWidth = fm.averageCharWidth();
    m.MaxCharWidth = fm.maxWidth();
    return m;
}

namespace {

struct TLayoutLine {
    QString Text;
    std::vector<int> Adv;
    std::vector<int> Accel; // indexes into Text to underline
    int Width = 0;
};

bool IsBlank(QChar C)
{
    return C == QLatin1Char(' ') || C == QLatin1Char('\t');
}

} // namespace

int TCanvas::DrawText(const QString &Text, TRect &R, unsigned Format)
{
    TFontState &state = *CurrentFont();
    const QFontMetrics &fm = state.Metrics;
    const int lineH = fm.height() + ((Format & DT_EXTERNALLEADING) ? std::max(0, fm.leading()) : 0);
    const bool single = Format & DT_SINGLELINE;

    // '&' marks the next character as the accelerator; "&&" is one '&'.
    QString s;
    std::vector<bool> accel;
    s.reserve(Text.size());
    for (int i = 0; i < Text.size(); ++i) {
        const QChar c = Text[i];
        if (c == QLatin1Char('&') && !(Format & DT_NOPREFIX)) {
            if (i + 1 < Text.size() && Text[i + 1] == QLatin1Char('&')) {
                s += c;
                accel.push_back(false);
                ++i;
            } else if (i + 1 < Text.size()) {
                s += Text[i + 1];
                accel.push_back(!(Format & DT_HIDEPREFIX));
                ++i;
            }
            continue;
        }
        s += c;
        accel.push_back(false);
    }

    std::vector<int> adv;
    UnitAdvances(state, s, adv);
    const int tabW = 8 * std::max(1, fm.averageCharWidth());

    // Paragraphs: [start, end) ranges of s. No text is no line at all.
    std::vector<std::pair<int, int>> paras;
    if (s.isEmpty()) {
    } else if (single) {
        paras.push_back({0, int(s.size())});
        for (int i = 0; i < s.size(); ++i)
            if (s[i] == QLatin1Char('\r') || s[i] == QLatin1Char('\n'))
                adv[size_t(i)] = 0;
    } else {
        int start = 0;
        for (int i = 0; i < s.size(); ++i) {
            if (s[i] == QLatin1Char('\r') || s[i] == QLatin1Char('\n')) {
                paras.push_back({start, i});
                if (s[i] == QLatin1Char('\r') && i + 1 < s.size() && s[i + 1] == QLatin1Char('\n'))
                    ++i;
                start = i + 1;
            }
        }
        paras.push_back({start, int(s.size())});
    }

    const int maxW = R.Width();
    const bool wrap = (Format & DT_WORDBREAK) && !single;
    std::vector<std::pair<int, int>> ranges;
    for (const auto &[pa, pb] : paras) {
        if (!wrap) {
            ranges.push_back({pa, pb});
            continue;
        }
        int pos = pa;
        if (pos == pb) {
            ranges.push_back({pa, pb});
            continue;
        }
        while (pos < pb) {
            // Break opportunities: before a run of blanks (the blanks are
            // dropped), and on either side of a full-width character.
            int x = 0, brkEnd = -1, brkNext = -1, i = pos;
            bool overflow = false;
            for (; i < pb; ++i) {
                const QChar c = s[i];
                if (IsBlank(c)) {
                    if (i > pos) {
                        brkEnd = i;
                    }
                    int j = i;
                    while (j < pb && IsBlank(s[j])) {
                        x = (s[j] == QLatin1Char('\t') && (Format & DT_EXPANDTABS)) ? (x / tabW + 1) * tabW
                                                                                   : x + adv[size_t(j)];
                        ++j;
                    }
                    brkNext = j;
                    i = j - 1;
                    continue;
                }
                const bool cjk = IsCjk(c.unicode()) && !(Format & DT_NOFULLWIDTHCHARBREAK);
                if (cjk && i > pos) {
                    brkEnd = i;
                    brkNext = i;
                }
                const int cw = adv[size_t(i)];
                if (x + cw > maxW && i > pos) {
                    overflow = true;
                    break;
                }
                x += cw;
            }
            if (!overflow) {
                ranges.push_back({pos, pb});
                break;
            }
            if (brkEnd > pos && brkNext > pos) {
                ranges.push_back({pos, brkEnd});
                pos = brkNext;
            } else if (Format & DT_EDITCONTROL) {
                ranges.push_back({pos, i});
                pos = i;
            } else {
                // A word wider than the rectangle stays whole.
                int j = i;
                while (j < pb && !IsBlank(s[j]) && !IsCjk(s[j].unicode()))
                    ++j;
                ranges.push_back({pos, j});
                while (j < pb && IsBlank(s[j]))
                    ++j;
                pos = j;
            }
        }
    }

    std::vector<TLayoutLine> lines;
    int maxWidth = 0;
    for (const auto &[a, b] : ranges) {
        TLayoutLine ln;
        int x = 0;
        for (int i = a; i < b; ++i) {
            int w = adv[size_t(i)];
            if (s[i] == QLatin1Char('\t') && (Format & DT_EXPANDTABS))
                w = (x / tabW + 1) * tabW - x;
            ln.Text += s[i];
            ln.Adv.push_back(w);
            if (accel[size_t(i)])
                ln.Accel.push_back(int(ln.Text.size()) - 1);
            x += w;
        }
        ln.Width = x;
        if (ln.Width > maxW && (Format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS | DT_PATH_ELLIPSIS))
            && !(Format & DT_CALCRECT)) {
            const QString dots = QStringLiteral("...");
            std::vector<int> dotAdv;
            UnitAdvances(state, dots, dotAdv);
            const int dotsW = dotAdv[0] + dotAdv[1] + dotAdv[2];
            while (!ln.Text.isEmpty() && ln.Width + dotsW > maxW) {
                ln.Width -= ln.Adv.back();
                ln.Adv.pop_back();
                ln.Text.chop(1);
            }
            while (!ln.Accel.empty() && ln.Accel.back() >= ln.Text.size())
                ln.Accel.pop_back();
            ln.Text += dots;
            ln.Adv.insert(ln.Adv.end(), dotAdv.begin(), dotAdv.end());
            ln.Width += dotsW;
        }
        maxWidth = std::max(maxWidth, ln.Width);
        lines.push_back(std::move(ln));
    }

    const int textH = int(lines.size()) * lineH;
    if (Format & DT_CALCRECT) {
        R.Right = R.Left + maxWidth;
        R.Bottom = R.Top + textH;
        return textH;
    }

    int top = R.Top;
    if (single) {
        if (Format & DT_VCENTER)
            top = R.Top + (R.Height() - lineH) / 2;
        else if (Format & DT_BOTTOM)
            top = R.Bottom - lineH;
    }
    const int result = (single && (Format & (DT_VCENTER | DT_BOTTOM))) ? top - R.Top + textH : textH;
    if (!Ready())
        return result;

    Changing();
    QPainter &p = *FPainter;
    p.save();
    if (!(Format & DT_NOCLIP))
        p.setClipRect(R.ToQRect(), Qt::IntersectClip);
    const int saveEsc = FEscapement;
    FEscapement = 0;
    const QColor color = ColorToQColor(FFont->Color());
    const int ulw = std::max(1, fm.lineWidth());
    for (size_t n = 0; n < lines.size(); ++n) {
        const TLayoutLine &ln = lines[n];
        int x = R.Left;
        if (Format & DT_CENTER)
            x = R.Left + (R.Width() - ln.Width) / 2;
        else if (Format & DT_RIGHT)
            x = R.Right - ln.Width;
        const int y = top + int(n) * lineH;
        if (!(Format & DT_PREFIXONLY) && !ln.Text.isEmpty())
            DrawTextRun(p, x, y, ln.Text, ln.Adv.data(), Format & DT_RTLREADING);
        for (int a : ln.Accel) {
            int ax = x;
            for (int k = 0; k < a; ++k)
                ax += ln.Adv[size_t(k)];
            p.fillRect(QRect(ax, y + fm.ascent() + fm.underlinePos(), ln.Adv[size_t(a)], ulw), color);
        }
    }
    FEscapement = saveEsc;
    p.restore();
    Changed();
    return result;
}

// ------------------------------------------------------------------ pictures

void TCanvas::Draw(int X, int Y, TGraphic *Graphic)
{
    if (Graphic && !Graphic->Empty())
        Graphic->Draw(this, Rect(X, Y, X + Graphic->Width(), Y + Graphic->Height()));
}

void TCanvas::StretchDraw(const TRect &R, TGraphic *Graphic)
{
    if (Graphic && !Graphic->Empty())
        Graphic->Draw(this, R);
}

QImage TCanvas::GrabImage(const TRect &R)
{
    QPaintDevice *d = FDevice ? FDevice : (FPainter ? FPainter->device() : nullptr);
    if (!d)
        return QImage();
    const QRect r = R.ToQRect();
    switch (d->devType()) {
    case QInternal::Image:
        return static_cast<QImage *>(d)->copy(r);
    case QInternal::Pixmap:
        return static_cast<QPixmap *>(d)->copy(r).toImage();
    case QInternal::Widget:
        // A widget in the middle of its own paint event cannot be read back.
        if (FPainter && !FOwnPainter)
            return QImage();
        return static_cast<QWidget *>(d)->grab(r).toImage();
    default:
        return QImage();
    }
}

void TCanvas::CopyRect(const TRect &Dest, TCanvas *Canvas, const TRect &Source)
{
    if (!Canvas)
        return;
    TRect src = Source;
    Normalised(src.Left, src.Right);
    Normalised(src.Top, src.Bottom);
    const QImage img = Canvas->GrabImage(src);
    if (img.isNull())
        return;
    DrawImage(Dest, img, img.rect());
}

void TCanvas::DrawImage(const TRect &Dest, const QImage &Image, const QRect &Source)
{
    if (Image.isNull() || Source.isEmpty() || Dest.Width() == 0 || Dest.Height() == 0 || !Ready())
        return;
    Changing();
    QPainter &p = *FPainter;
    p.save();
    // Negative extents mirror the picture.
    QImage img = Image;
    QRect src = Source;
    TRect dst = Dest;
    const bool flipX = dst.Width() < 0, flipY = dst.Height() < 0;
    if (flipX || flipY) {
        img = Image.copy(Source).mirrored(flipX, flipY);
        src = img.rect();
        Normalised(dst.Left, dst.Right);
        Normalised(dst.Top, dst.Bottom);
    }
    const QRect target = dst.ToQRect();
    const bool rop = HasRasterOps(p);
    switch (FCopyMode) {
    case cmBlackness:
        p.fillRect(target, Qt::black);
        break;
    case cmWhiteness:
        p.fillRect(target, Qt::white);
        break;
    case cmDstInvert:
        if (rop) {
            p.setCompositionMode(QPainter::RasterOp_NotDestination);
            p.fillRect(target, Qt::black);
        }
        break;
    case cmPatCopy:
        p.setBrushOrigin(FBrushOrigin.X, FBrushOrigin.Y);
        p.fillRect(target, MakeBrush(FBrush.get()));
        break;
    case cmPatInvert:
        if (rop)
            p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.setBrushOrigin(FBrushOrigin.X, FBrushOrigin.Y);
        p.fillRect(target, MakeBrush(FBrush.get()));
        break;
    default: {
        bool supported = false;
        QPainter::CompositionMode mode = CopyModeComposition(FCopyMode, supported);
        if (mode != QPainter::CompositionMode_SourceOver) {
            if (rop) {
                // Raster operations work on opaque pixels.
                if (img.hasAlphaChannel())
                    img = img.convertToFormat(QImage::Format_RGB32);
            } else {
                mode = QPainter::CompositionMode_SourceOver;
            }
        }
        p.setCompositionMode(mode);
        p.setRenderHint(QPainter::SmoothPixmapTransform, FStretchMode == HALFTONE);
        p.drawImage(QRectF(target), img, QRectF(src));
        break;
    }
    }
    p.restore();
    Changed();
}

void TCanvas::DrawImageTransparent(const TRect &Dest, const QImage &Image, const QRect &Source,
                                   TColor TransparentColor)
{
    if (Image.isNull() || Source.isEmpty())
        return;
    QImage img = Image.copy(Source).convertToFormat(QImage::Format_ARGB32);
    const QRgb key = ColorToQColor(TransparentColor).rgb() & 0xFFFFFF;
    for (int y = 0; y < img.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            if ((line[x] & 0xFFFFFF) == key)
                line[x] = 0;
    }
    const TCopyMode saved = FCopyMode;
    FCopyMode = cmSrcCopy;
    DrawImage(Dest, img, img.rect());
    FCopyMode = saved;
}

// ------------------------------------------------------------------ device facts

int TCanvas::GetDeviceCaps(int Index)
{
    QPaintDevice *d = FDevice ? FDevice : (FPainter ? FPainter->device() : nullptr);
    if (!d)
        return 0;
    QPrinter *printer = d->devType() == QInternal::Printer ? static_cast<QPrinter *>(d) : nullptr;
    switch (Index) {
    case LOGPIXELSX:
    case LOGPIXELSY:
        return printer ? printer->resolution() : 96;
    case HORZRES: return d->width();
    case VERTRES: return d->height();
    case BITSPIXEL: return printer ? 24 : std::max(1, d->depth());
    case PLANES: return 1;
    case NUMCOLORS: return -1;
    case PHYSICALWIDTH:
    case PHYSICALHEIGHT:
    case PHYSICALOFFSETX:
    case PHYSICALOFFSETY: {
        if (!printer)
            return Index == PHYSICALWIDTH ? d->width() : Index == PHYSICALHEIGHT ? d->height() : 0;
        const QRectF paper = printer->paperRect(QPrinter::DevicePixel);
        const QRectF page = printer->pageRect(QPrinter::DevicePixel);
        switch (Index) {
        case PHYSICALWIDTH: return int(std::lround(paper.width()));
        case PHYSICALHEIGHT: return int(std::lround(paper.height()));
        case PHYSICALOFFSETX: return int(std::lround(page.left() - paper.left()));
        default: return int(std::lround(page.top() - paper.top()));
        }
    }
    default:
        return 0;
    }
}

// ------------------------------------------------------------------ clipping

void TCanvas::ApplyClip()
{
    if (!FPainter)
        return;
    QPainter &p = *FPainter;
    if (FHasClip) {
        if (!FOwnPainter && FBaseHasClip)
            p.setClipRegion(FBaseClip & FClip);
        else
            p.setClipRegion(FClip);
    } else if (!FOwnPainter && FBaseHasClip) {
        p.setClipRegion(FBaseClip);
    } else {
        p.setClipping(false);
    }
}

TRect TCanvas::ClipRect()
{
    if (FHasClip)
        return TRect::FromQRect(FClip.boundingRect());
    if (FPainter && !FOwnPainter && FBaseHasClip)
        return TRect::FromQRect(FBaseClip.boundingRect());
    return TRect::FromQRect(DeviceRect());
}

void TCanvas::IntersectClipRect(const TRect &R)
{
    const QRegion base = FHasClip ? FClip : QRegion(DeviceRect());
    FClip = base & QRegion(R.ToQRect());
    FHasClip = true;
    ApplyClip();
}

void TCanvas::ExcludeClipRect(const TRect &R)
{
    const QRegion base = FHasClip ? FClip : QRegion(DeviceRect());
    FClip = base - QRegion(R.ToQRect());
    FHasClip = true;
    ApplyClip();
}

void TCanvas::SelectClipRect(const TRect *R)
{
    if (R) {
        FClip = QRegion(R->ToQRect());
        FHasClip = true;
    } else {
        FClip = QRegion();
        FHasClip = false;
    }
    ApplyClip();
}

void TCanvas::SelectClipRegion(const QRegion *Region)
{
    if (Region) {
        FClip = *Region;
        FHasClip = true;
    } else {
        FClip = QRegion();
        FHasClip = false;
    }
    ApplyClip();
}

int TCanvas::SaveDC()
{
    FSaved.push_back({FHasClip, FClip, FBrushOrigin});
    return int(FSaved.size());
}

bool TCanvas::RestoreDC(int Saved)
{
    const int n = Saved < 0 ? int(FSaved.size()) + Saved + 1 : Saved;
    if (n < 1 || n > int(FSaved.size()))
        return false;
    const TSavedState st = FSaved[size_t(n - 1)];
    FSaved.resize(size_t(n - 1));
    FHasClip = st.HasClip;
    FClip = st.Clip;
    FBrushOrigin = st.BrushOrigin;
    ApplyClip();
    return true;
}

// ------------------------------------------------------------------ published

STATION_PUBLISHED(TGraphicsObject)
{
}

STATION_PUBLISHED(TPen)
{
    P.Prop("Color", &TPen::Color, &TPen::SetColor).Type(TypeInfoTColor()).Default(clBlack);
    P.Prop("Mode", &TPen::Mode, &TPen::SetMode).Default(pmCopy);
    P.Prop("Style", &TPen::Style, &TPen::SetStyle).Default(psSolid);
    P.Prop("Width", &TPen::Width, &TPen::SetWidth).Default(1);
}

STATION_PUBLISHED(TBrush)
{
    P.Prop("Color", &TBrush::Color, &TBrush::SetColor).Type(TypeInfoTColor()).Default(clWhite);
    P.Prop("Style", &TBrush::Style, &TBrush::SetStyle).Default(bsSolid);
}

STATION_PUBLISHED(TCanvas)
{
    P.Prop("Brush", &TCanvas::Brush, &TCanvas::SetBrush);
    P.Prop("CopyMode", &TCanvas::CopyMode, &TCanvas::SetCopyMode).Default(cmSrcCopy);
    P.Prop("Font", &TCanvas::Font, &TCanvas::SetFont);
    P.Prop("Pen", &TCanvas::Pen, &TCanvas::SetPen);
}

// ---------------------------------------------------------- TTextRecordDevice

namespace {

// Takes every drawing call and draws nothing.
class TNullPaintEngine : public QPaintEngine
{
public:
    TNullPaintEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState &) override {}
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
    void drawPolygon(const QPointF *, int, PolygonDrawMode) override {}
    void drawTextItem(const QPointF &, const QTextItem &) override {}
    Type type() const override { return QPaintEngine::User; }
};

} // namespace

TTextRecordDevice::TTextRecordDevice(int Width, int Height)
    : FWidth(std::max(1, Width)), FHeight(std::max(1, Height)), FEngine(std::make_unique<TNullPaintEngine>())
{
}

TTextRecordDevice::~TTextRecordDevice() = default;

QPaintEngine *TTextRecordDevice::paintEngine() const
{
    return FEngine.get();
}

int TTextRecordDevice::metric(PaintDeviceMetric Metric) const
{
    switch (Metric) {
    case PdmWidth:
        return FWidth;
    case PdmHeight:
        return FHeight;
    case PdmWidthMM:
        return int(FWidth * 25.4 / 96);
    case PdmHeightMM:
        return int(FHeight * 25.4 / 96);
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return 96;
    case PdmDepth:
        return 32;
    case PdmNumColors:
        return 0x7FFFFFFF;
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return int(QPaintDevice::devicePixelRatioFScale());
    default:
        return 0;
    }
}
