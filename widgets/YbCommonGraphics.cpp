// Gradients, bitmap helpers, the parent background and the radio glyph of
// the suite's common unit.
#include "YbCommon.h"

#include "Forms.h"

#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {

QRgb ToRgb(TColor C)
{
    return qRgb(GetRValue(C), GetGValue(C), GetBValue(C));
}

// Steps from A to B over N pixels in 16.16 fixed point and calls
// Band(first, end, colour) for each band: a band ends where the colour has
// changed and more than MinBand pixels have passed.
template<class F>
void RunBands(int N, TColor A, TColor B, int MinBand, F Band)
{
    if (N <= 0)
        return;
    int r = GetRValue(A) * 65536, g = GetGValue(A) * 65536, b = GetBValue(A) * 65536;
    const int dr = (GetRValue(B) - GetRValue(A)) * 65536 / N;
    const int dg = (GetGValue(B) - GetGValue(A)) * 65536 / N;
    const int db = (GetBValue(B) - GetBValue(A)) * 65536 / N;
    int start = 0;
    TColor cur = RGB(r >> 16, g >> 16, b >> 16);
    for (int i = 1; i < N; ++i) {
        r += dr;
        g += dg;
        b += db;
        const TColor c = RGB(r >> 16, g >> 16, b >> 16);
        if (c != cur && i - start > MinBand) {
            Band(start, i, cur);
            start = i;
            cur = c;
        }
    }
    Band(start, N, cur);
}

int MinBandLength(Byte Coarseness, bool Box)
{
    int m = Coarseness > 8 ? (Box ? 256 : 255) / Coarseness : Coarseness - 1;
    return std::max(m, 0);
}

void Fill(QImage &Img, int X1, int Y1, int X2, int Y2, TColor C)
{
    X1 = std::max(X1, 0);
    Y1 = std::max(Y1, 0);
    X2 = std::min(X2, Img.width());
    Y2 = std::min(Y2, Img.height());
    const QRgb v = ToRgb(C);
    for (int y = Y1; y < Y2; ++y) {
        auto *line = reinterpret_cast<QRgb *>(Img.scanLine(y));
        std::fill(line + X1, line + std::max(X1, X2), v);
    }
}

void Blit(QImage &Img, const QImage &Block, int X, int Y, TCopyMode Rop)
{
    QPainter p(&Img);
    switch (Rop) {
    case cmSrcAnd: p.setCompositionMode(QPainter::RasterOp_SourceAndDestination); break;
    case cmSrcPaint: p.setCompositionMode(QPainter::RasterOp_SourceOrDestination); break;
    case cmSrcInvert: p.setCompositionMode(QPainter::RasterOp_SourceXorDestination); break;
    default: p.setCompositionMode(QPainter::CompositionMode_Source); break;
    }
    p.drawImage(X, Y, Block);
}

} // namespace

void PaintGradient(TCanvas *Canvas, const TRect &R, TGradientDirection Direction, Byte BandCoarseness,
                   TColor A, TColor B)
{
    const int w = std::abs(R.Right - R.Left), h = std::abs(R.Bottom - R.Top);
    if (w == 0 || h == 0)
        return;
    A = ColorToRGB(A);
    B = ColorToRGB(B);
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    switch (Direction) {
    case gdDiagonalUp:
    case gdDiagonalDown: {
        if (A == B) {
            Fill(img, 0, 0, w, h, A);
            break;
        }
        const double diag = std::sqrt(double(w) * w + double(h) * h);
        const int n = int(diag) + 1;
        std::vector<TColor> colours(size_t(n), A);
        RunBands(n, A, B, MinBandLength(BandCoarseness, false), [&](int From, int To, TColor C) {
            std::fill(colours.begin() + From, colours.begin() + To, C);
        });
        // Up runs from the bottom-left corner to the top-right one, down from
        // the top-left corner to the bottom-right one.
        for (int y = 0; y < h; ++y) {
            auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
            const int yy = Direction == gdDiagonalUp ? h - 1 - y : y;
            for (int x = 0; x < w; ++x) {
                const int k = std::clamp(int((double(x) * w + double(yy) * h) / diag), 0, n - 1);
                line[x] = ToRgb(colours[size_t(k)]);
            }
        }
        break;
    }
    case gdHorizontalEnd:
    case gdHorizontalCenter:
    case gdVerticalEnd:
    case gdVerticalCenter: {
        const bool alongHeight = Direction == gdHorizontalEnd || Direction == gdHorizontalCenter;
        const bool center = Direction == gdHorizontalCenter || Direction == gdVerticalCenter;
        const int len = alongHeight ? h : w;
        const int strip = std::min(8, alongHeight ? w : h);
        const int minBand = MinBandLength(BandCoarseness, false);
        // Position P along the run, counted from the near edge.
        auto band = [&](int P1, int P2, TColor C) {
            if (alongHeight)
                Fill(img, 0, P1, strip, P2, C);
            else
                Fill(img, P1, 0, P2, strip, C);
        };
        if (!center) {
            // A at the far end, B at the near end.
            RunBands(len, A, B, minBand, [&](int From, int To, TColor C) { band(len - To, len - From, C); });
        } else {
            const int mid = len / 2;
            RunBands(mid, A, B, minBand, [&](int From, int To, TColor C) { band(mid - To, mid - From, C); });
            RunBands(len - mid, B, A, minBand, [&](int From, int To, TColor C) { band(len - To, len - From, C); });
        }
        if (alongHeight)
            FillByDoubling(img, 0, 0, cmSrcCopy, h, strip, h, w);
        else
            FillByDoubling(img, 0, 0, cmSrcCopy, strip, w, h, w);
        break;
    }
    case gdHorizontalBox:
    case gdVerticalBox:
    case gdSquareBox:
    case gdBigSquareBox: {
        // Every box form starts from a plain fill, so that a box too small
        // for bands still shows a defined colour.
        Fill(img, 0, 0, w, h, B);
        if (A == B || w < 5 || h <= 4)
            break;
        int hInset = 0, wInset = 0;
        if (Direction == gdHorizontalBox)
            wInset = w / 4;
        else if (Direction == gdVerticalBox)
            hInset = h / 4;
        else if (Direction == gdBigSquareBox) {
            hInset = h / 4;
            wInset = w / 4;
        }
        const int qw = (w + 1) / 2, qh = (h + 1) / 2;
        const int n = std::max(qh - hInset, qw - wInset) + 1;
        // Band k covers the quarter from its corner (wInset + k, hInset + k)
        // inwards; each later band overwrites the inner part, leaving L shapes.
        RunBands(n, A, B, MinBandLength(BandCoarseness, true), [&](int From, int, TColor C) {
            const int x0 = From == 0 ? 0 : std::min(wInset + From, qw);
            const int y0 = From == 0 ? 0 : std::min(hInset + From, qh);
            Fill(img, x0, y0, qw, qh, C);
        });
        MirrorHalves(img, 0, 0, cmSrcCopy, h, w);
        break;
    }
    }
    const int left = std::min(R.Left, R.Right), top = std::min(R.Top, R.Bottom);
    const TCopyMode saved = Canvas->CopyMode();
    Canvas->SetCopyMode(cmSrcCopy);
    Canvas->DrawImage(Rect(left, top, left + w, top + h), img, img.rect());
    Canvas->SetCopyMode(saved);
}

void PaintGradientFrame(TCanvas *Canvas, const TRect &R, TGradientDirection Direction, TColor A, TColor B)
{
    if (!HighColorDisplay)
        return;
    const int saved = Canvas->SaveDC();
    TRect inner = R;
    InflateRect(inner, -2, -2);
    Canvas->ExcludeClipRect(inner);
    PaintGradient(Canvas, R, Direction, 1, A, B);
    Canvas->RestoreDC(saved);
}

void StretchDrawTransparent(TCanvas *Dest, TBitmap *Source, const TRect &DestRect, TColor TransparentColor,
                            const TRect &SourceRect)
{
    if (!Source || Source->Empty() || DestRect.IsEmpty())
        return;
    // Stretch first, then leave out the colour, as a mask built from the
    // stretched copy would.
    const QImage part = Source->ToImage().copy(SourceRect.ToQRect());
    const QImage stretched = part.scaled(DestRect.Width(), DestRect.Height(), Qt::IgnoreAspectRatio,
                                         Qt::FastTransformation);
    Dest->DrawImageTransparent(DestRect, stretched, stretched.rect(), ColorToRGB(TransparentColor));
}

void FlipBitmapVertical(TBitmap *Bitmap)
{
    if (!Bitmap || Bitmap->Empty())
        return;
    const QImage src = Bitmap->ToImage();
    QImage work(src.size(), src.format());
    const int h = src.height();
    for (int y = 0; y < h; ++y)
        std::copy_n(src.constScanLine(y), src.bytesPerLine(), work.scanLine(h - 1 - y));
    Bitmap->SetImage(work);
}

void FillByDoubling(QImage &Image, int X, int Y, TCopyMode Rop, int PaintedHeight, int PaintedWidth,
                    int TotalHeight, int TotalWidth)
{
    int h = PaintedHeight, w = PaintedWidth;
    if (h <= 0 || w <= 0)
        return;
    bool heightNext = true;
    while (h < TotalHeight || w < TotalWidth) {
        const bool doHeight = h < TotalHeight && (w >= TotalWidth || heightNext);
        heightNext = !doHeight;
        if (doHeight) {
            const int n = std::min(h, TotalHeight - h);
            Blit(Image, Image.copy(X, Y, w, n), X, Y + h, Rop);
            h += n;
        } else {
            const int n = std::min(w, TotalWidth - w);
            Blit(Image, Image.copy(X, Y, n, h), X + w, Y, Rop);
            w += n;
        }
    }
}

void MirrorHalves(QImage &Image, int X, int Y, TCopyMode Rop, int Height, int Width)
{
    const int qw = Width / 2, qh = Height / 2;
    if (qw <= 0 || qh <= 0)
        return;
    Blit(Image, Image.copy(X, Y, qw, qh).mirrored(false, true), X, Y + Height - qh, Rop);
    Blit(Image, Image.copy(X, Y, qw, Height).mirrored(true, false), X + Width - qw, Y, Rop);
}

void PaintParentBackground(TControl *Control, TCanvas *Canvas, bool InvalidateParent)
{
    TWinControl *parent = Control ? Control->Parent() : nullptr;
    if (!parent)
        return;
    const int w = Control->Width(), h = Control->Height();
    if (w <= 0 || h <= 0)
        return;
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(ColorToQColor(parent->Color()));
    QWidget *self = Control->Widget();
    if (QWidget *pw = self ? self->parentWidget() : nullptr) {
        // The parent's own painting, without its children, under our rectangle.
        const QRect geom = self->geometry();
        pw->render(&img, QPoint(0, 0), QRegion(geom), QWidget::DrawWindowBackground);
    }
    const TCopyMode saved = Canvas->CopyMode();
    Canvas->SetCopyMode(cmSrcCopy);
    Canvas->DrawImage(Rect(0, 0, w, h), img, img.rect());
    Canvas->SetCopyMode(saved);
    if (InvalidateParent && !dynamic_cast<TCustomControl *>(parent) && !dynamic_cast<TCustomForm *>(parent)
        && !Control->ComponentState().Contains(csDesigning))
        parent->Invalidate();
}

void PaintRadioGlyphPixels(TCanvas *Canvas, const TRect &R, bool Checked, int State, bool Focused,
                           TYbButtonHotTrackStyle HotTrackStyle, TColor FrameColor, TColor HighlightColor,
                           TColor FillColor, TColor FocusColor, TColor DisabledColor, TColor HotColorA,
                           TColor HotColorB, TColor Color, bool Transparent, TColor TransparentColor,
                           bool ReadOnly, bool ReadOnlyColorOnFocus, TColor ReadOnlyColor)
{
    const bool disabled = State == 3, pressed = State == 1, hot = State == 2;
    TColor fill = FillColor;
    if (disabled)
        fill = DisabledColor;
    else if (ReadOnly && (!ReadOnlyColorOnFocus || Focused))
        fill = ReadOnlyColor;
    else if (Focused)
        fill = FocusColor;
    if (pressed)
        fill = ShadeDown(fill, 20);
    TColor frame = FrameColor;
    if (hot && HotTrackStyle == htsFrame)
        frame = HotColorB;
    if (disabled)
        frame = MixColors(FrameColor, DisabledColor, 128);
    const TColor dot = disabled ? clGrayText : HighlightColor;
    // What the rim blends into: the control's colour, or nothing when the
    // glyph is drawn see-through (the rim is blended at draw time then).
    const TColor outside = Transparent ? FrameColor : Color;

    QImage cell(13, 13, QImage::Format_RGB32);
    for (int y = 0; y < 13; ++y) {
        for (int x = 0; x < 13; ++x) {
            const double d = std::hypot(x - 6.0, y - 6.0);
            TColor c;
            if (d > 6.6)
                c = TransparentColor;
            else if (d > 6.1)
                c = MixColors(frame, outside, 140);
            else if (d > 5.2)
                c = frame;
            else if (d > 4.6)
                c = hot && HotTrackStyle == htsInterior ? HotColorB : MixColors(frame, fill, 60);
            else if (d > 3.6 && hot && HotTrackStyle == htsInterior)
                c = HotColorA;
            else
                c = fill;
            if (Checked) {
                if (d <= 2.3)
                    c = dot;
                else if (d <= 2.9)
                    c = MixColors(dot, fill, 110);
            }
            cell.setPixel(x, y, ToRgb(ColorToRGB(c)));
        }
    }
    const TCopyMode saved = Canvas->CopyMode();
    Canvas->SetCopyMode(cmSrcCopy);
    Canvas->DrawImage(Rect(R.Left, R.Top, R.Left + 13, R.Top + 13), cell, cell.rect());
    Canvas->SetCopyMode(saved);
}
