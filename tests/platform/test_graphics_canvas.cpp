// Tests of graphics canvas (platform).
#include "Graphics.h"

#include <QPainter>
#include <gtest/gtest.h>
#include <string>

namespace {

// A bitmap as a grid of characters: '#' where the pixel is Ink, '.' where it
// is Paper, '?' for anything else.
std::string Grid(TBitmap &B, TColor Ink = clBlack, TColor Paper = clWhite)
{
    std::string out;
    const QImage img = B.ToImage();
    for (int y = 0; y < B.Height(); ++y) {
        for (int x = 0; x < B.Width(); ++x) {
            const TColor c = QColorToColor(QColor::fromRgb(img.pixel(x, y)));
            out += c == Ink ? '#' : c == Paper ? '.' : '?';
        }
        out += '\n';
    }
    return out;
}

std::string Join(std::initializer_list<const char *> Rows)
{
    std::string s;
    for (const char *r : Rows)
        s += std::string(r) + '\n';
    return s;
}

struct CanvasTest : ::testing::Test {
    TBitmap bmp;
    TCanvas *c = nullptr;
    void SetUp() override
    {
        bmp.SetSize(10, 8);
        c = bmp.Canvas();
    }
};

TEST_F(CanvasTest, NewBitmapsAreWhiteAndGrowingKeepsThePixels)
{
    EXPECT_EQ(Grid(bmp), Join({"..........", "..........", "..........", "..........", "..........",
                               "..........", "..........", ".........."}));
    c->SetPixels(1, 1, clBlack);
    bmp.SetSize(12, 3);
    EXPECT_EQ(Grid(bmp), Join({"............", ".#..........", "............"}));
    TBitmap empty;
    EXPECT_TRUE(empty.Empty());
    EXPECT_EQ(empty.Canvas()->Pixels(0, 0), CLR_INVALID);
    EXPECT_EQ(c->GetDeviceCaps(LOGPIXELSY), 96);
    EXPECT_EQ(c->GetDeviceCaps(NUMCOLORS), -1);
    EXPECT_EQ(c->GetDeviceCaps(HORZRES), 12);
    EXPECT_EQ(c->GetDeviceCaps(PHYSICALOFFSETY), 0);
    EXPECT_EQ(TCanvas().GetDeviceCaps(LOGPIXELSX), 0);
    empty.Canvas()->Rectangle(0, 0, 5, 5); // nothing to draw on, nothing happens
}

TEST_F(CanvasTest, RectangleExcludesRightAndBottomEdge)
{
    c->Brush()->SetColor(clRed);
    c->Rectangle(1, 1, 7, 5);
    EXPECT_EQ(Grid(bmp, clBlack), Join({"..........", ".######...", ".#????#...", ".#????#...", ".######...",
                                        "..........", "..........", ".........."}));
    EXPECT_EQ(c->Pixels(2, 2), clRed);
    // Corners given the other way round draw the same figure.
    TBitmap b2;
    b2.SetSize(10, 8);
    b2.Canvas()->Brush()->SetColor(clRed);
    b2.Canvas()->Rectangle(7, 5, 1, 1);
    EXPECT_EQ(Grid(b2, clBlack), Grid(bmp, clBlack));
}

TEST_F(CanvasTest, RectangleWithoutPenIsOnePixelSmaller)
{
    c->Pen()->SetStyle(psClear);
    c->Brush()->SetColor(clBlack);
    c->Rectangle(1, 1, 7, 5);
    EXPECT_EQ(Grid(bmp), Join({"..........", ".#####....", ".#####....", ".#####....", "..........",
                               "..........", "..........", ".........."}));
}

TEST_F(CanvasTest, ClearBrushLeavesTheInside)
{
    c->Brush()->SetStyle(bsClear);
    c->Rectangle(0, 0, 4, 4);
    EXPECT_EQ(Grid(bmp).substr(0, 44), Join({"####......", "#..#......", "#..#......", "####......"}));
}

TEST_F(CanvasTest, WidePenIsCentredOnTheOutlineOrInsideTheFrame)
{
    c->Pen()->SetWidth(3);
    c->Brush()->SetStyle(bsClear);
    c->Rectangle(2, 2, 8, 7);
    // Three pixels centred on columns 2 and 7 and on rows 2 and 6.
    EXPECT_EQ(Grid(bmp), Join({"..........", ".########.", ".########.", ".########.", ".###..###.",
                               ".########.", ".########.", ".########."}));
    TBitmap b2;
    b2.SetSize(10, 8);
    b2.Canvas()->Pen()->SetWidth(2);
    b2.Canvas()->Pen()->SetStyle(psInsideFrame);
    b2.Canvas()->Brush()->SetStyle(bsClear);
    b2.Canvas()->Rectangle(1, 1, 8, 7);
    EXPECT_EQ(Grid(b2), Join({"..........", ".#######..", ".#######..", ".##...##..", ".##...##..",
                              ".#######..", ".#######..", ".........."}));
}

TEST_F(CanvasTest, LineToLeavesOutTheLastPixel)
{
    c->MoveTo(1, 0);
    c->LineTo(6, 0);   // horizontal: 1..5
    c->MoveTo(0, 1);
    c->LineTo(0, 5);   // vertical: 1..4
    c->MoveTo(2, 2);
    c->LineTo(6, 6);   // diagonal: (2,2)..(5,5)
    EXPECT_EQ(Grid(bmp), Join({".#####....", "#.........", "#.#.......", "#..#......", "#...#.....",
                               ".....#....", "..........", ".........."}));
    EXPECT_EQ(c->PenPos(), Point(6, 6));
    // Leftwards and upwards as well.
    TBitmap b2;
    b2.SetSize(6, 3);
    b2.Canvas()->MoveTo(5, 1);
    b2.Canvas()->LineTo(1, 1);
    EXPECT_EQ(Grid(b2), Join({"......", "..####", "......"}));
}

TEST_F(CanvasTest, PolylineAndPolygon)
{
    c->Polyline({Point(0, 0), Point(4, 0), Point(4, 3)});
    EXPECT_EQ(Grid(bmp).substr(0, 44), Join({"#####.....", "....#.....", "....#.....", ".........."}));
    TBitmap b2;
    b2.SetSize(6, 6);
    b2.Canvas()->Brush()->SetColor(clBlack);
    b2.Canvas()->Polygon({Point(1, 1), Point(4, 1), Point(4, 4), Point(1, 4)});
    EXPECT_EQ(Grid(b2), Join({"......", ".####.", ".####.", ".####.", ".####.", "......"}));
}

TEST_F(CanvasTest, EllipseStaysInsideItsBox)
{
    c->Brush()->SetColor(clBlack);
    c->Ellipse(1, 1, 9, 7);
    const std::string g = Grid(bmp);
    // Nothing on row 0, column 0, column 9 or row 7; the middle row spans the box.
    EXPECT_EQ(g.substr(0, 11), "..........\n");
    EXPECT_EQ(g.substr(77, 11), "..........\n");
    for (int y = 0; y < 8; ++y) {
        EXPECT_EQ(c->Pixels(0, y), clWhite);
        EXPECT_EQ(c->Pixels(9, y), clWhite);
    }
    EXPECT_EQ(c->Pixels(1, 4), clBlack);
    EXPECT_EQ(c->Pixels(8, 4), clBlack);
    EXPECT_EQ(c->Pixels(5, 1), clBlack);
    EXPECT_EQ(c->Pixels(5, 6), clBlack);
    EXPECT_EQ(c->Pixels(1, 1), clWhite);
}

TEST_F(CanvasTest, FillRectAndFrameRectUseTheBrush)
{
    c->Brush()->SetColor(clBlack);
    c->FillRect(Rect(1, 1, 4, 3));
    c->FrameRect(Rect(5, 1, 9, 5));
    EXPECT_EQ(Grid(bmp), Join({"..........", ".###.####.", ".###.#..#.", ".....#..#.", ".....####.",
                               "..........", "..........", ".........."}));
    c->Brush()->SetStyle(bsClear);
    c->FillRect(Rect(0, 0, 10, 8));
    EXPECT_EQ(c->Pixels(0, 0), clWhite);
}

TEST_F(CanvasTest, PenModes)
{
    // Exclusive or twice restores; pmNot inverts whatever is there.
    c->Pen()->SetMode(pmXor);
    c->Pen()->SetColor(clWhite);
    c->MoveTo(0, 0);
    c->LineTo(5, 0);
    EXPECT_EQ(Grid(bmp).substr(0, 11), "#####.....\n");
    c->MoveTo(0, 0);
    c->LineTo(5, 0);
    EXPECT_EQ(Grid(bmp).substr(0, 11), "..........\n");
    c->Pen()->SetMode(pmNot);
    c->Brush()->SetStyle(bsClear);
    c->Rectangle(0, 0, 3, 3);
    c->Rectangle(0, 0, 3, 3);
    EXPECT_EQ(Grid(bmp).substr(0, 33), Join({"..........", "..........", ".........."}));
    // Exclusive or on a filled rectangle touches each pixel once.
    c->Pen()->SetMode(pmXor);
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(clWhite);
    c->Rectangle(0, 0, 4, 4);
    EXPECT_EQ(Grid(bmp).substr(0, 44), Join({"####......", "####......", "####......", "####......"}));
    c->Pen()->SetMode(pmNop);
    c->Rectangle(0, 0, 10, 8);
    EXPECT_EQ(c->Pixels(9, 7), clWhite);
    c->Pen()->SetMode(pmBlack);
    c->Pen()->SetColor(clRed);
    c->MoveTo(0, 7);
    c->LineTo(3, 7);
    EXPECT_EQ(c->Pixels(1, 7), clBlack);
}

TEST_F(CanvasTest, HatchBrushesLeaveTheBackground)
{
    TBitmap b;
    b.SetSize(16, 16);
    b.Canvas()->Brush()->SetColor(clBlack);
    b.Canvas()->Brush()->SetStyle(bsHorizontal);
    b.Canvas()->FillRect(Rect(0, 0, 16, 16));
    int inkRows = 0;
    for (int y = 0; y < 16; ++y) {
        const bool ink = b.Canvas()->Pixels(3, y) == clBlack;
        if (ink) {
            ++inkRows;
            for (int x = 0; x < 16; ++x)
                EXPECT_EQ(b.Canvas()->Pixels(x, y), clBlack);
        } else {
            EXPECT_EQ(b.Canvas()->Pixels(3, y), clWhite);
        }
    }
    EXPECT_EQ(inkRows, 2);
}

TEST_F(CanvasTest, PixelsReadAndWrite)
{
    c->SetPixels(3, 4, clRed);
    EXPECT_EQ(c->Pixels(3, 4), clRed);
    c->SetPixels(3, 5, clBtnFace);
    EXPECT_EQ(c->Pixels(3, 5), RGB(212, 208, 200));
    EXPECT_EQ(c->Pixels(-1, 0), CLR_INVALID);
    EXPECT_EQ(c->Pixels(10, 0), CLR_INVALID);
    c->SetPixels(100, 100, clRed); // ignored
    // Pixels written directly and figures drawn through the painter mix.
    c->MoveTo(0, 0);
    c->LineTo(3, 0);
    c->SetPixels(3, 0, clBlack);
    EXPECT_EQ(Grid(bmp).substr(0, 11), "####......\n");
}

TEST_F(CanvasTest, ClippingIntersectsExcludesAndRestores)
{
    c->Brush()->SetColor(clBlack);
    const int saved = c->SaveDC();
    c->IntersectClipRect(Rect(2, 2, 8, 6));
    c->ExcludeClipRect(Rect(4, 3, 6, 5));
    EXPECT_EQ(c->ClipRect(), Rect(2, 2, 8, 6));
    c->FillRect(Rect(0, 0, 10, 8));
    EXPECT_EQ(Grid(bmp), Join({"..........", "..........", "..######..", "..##..##..", "..##..##..",
                               "..######..", "..........", ".........."}));
    EXPECT_EQ(c->Pixels(4, 3), CLR_INVALID); // outside the clipping
    EXPECT_TRUE(c->RestoreDC(saved));
    EXPECT_EQ(c->ClipRect(), Rect(0, 0, 10, 8));
    c->FillRect(Rect(0, 7, 10, 8));
    EXPECT_EQ(Grid(bmp).substr(77, 11), "##########\n");
    EXPECT_FALSE(c->RestoreDC(5));
    // The clipping survives the painter being ended (as when the bitmap is read).
    const TRect one = Rect(9, 0, 10, 1);
    c->SelectClipRect(&one);
    c->Release();
    c->FillRect(Rect(0, 0, 10, 8));
    EXPECT_EQ(c->Pixels(9, 0), clBlack);
    c->SelectClipRect(nullptr);
    EXPECT_EQ(c->Pixels(8, 0), clWhite);
}

TEST_F(CanvasTest, DrawFocusRectTwiceRemovesIt)
{
    c->DrawFocusRect(Rect(1, 1, 9, 7));
    EXPECT_EQ(c->Pixels(1, 1), clBlack);
    EXPECT_EQ(c->Pixels(2, 1), clWhite);
    EXPECT_EQ(c->Pixels(3, 1), clBlack);
    EXPECT_EQ(c->Pixels(4, 4), clWhite);
    c->DrawFocusRect(Rect(1, 1, 9, 7));
    EXPECT_EQ(Grid(bmp).find('#'), std::string::npos);
}

TEST_F(CanvasTest, DrawAndStretchDrawWithCopyModes)
{
    TBitmap src;
    src.SetSize(2, 2);
    src.Canvas()->SetPixels(0, 0, clBlack);
    src.Canvas()->SetPixels(1, 1, clRed);
    c->Draw(1, 1, &src);
    EXPECT_EQ(c->Pixels(1, 1), clBlack);
    EXPECT_EQ(c->Pixels(2, 2), clRed);
    EXPECT_EQ(c->Pixels(2, 1), clWhite);
    // Stretched 2x2 -> 4x4 by whole pixels.
    c->StretchDraw(Rect(4, 0, 8, 4), &src);
    EXPECT_EQ(Grid(bmp).substr(0, 44), Join({"....##....", ".#..##....", "..?...??..", "......??.."}));
    // Transparent: the bottom-left pixel's colour (white) is left out.
    TBitmap back;
    back.SetSize(2, 2);
    back.Canvas()->Brush()->SetColor(clLime);
    back.Canvas()->FillRect(Rect(0, 0, 2, 2));
    src.SetTransparent(true);
    EXPECT_EQ(src.TransparentColor(), clWhite);
    back.Canvas()->Draw(0, 0, &src);
    EXPECT_EQ(back.Canvas()->Pixels(0, 0), clBlack);
    EXPECT_EQ(back.Canvas()->Pixels(1, 0), clLime);
    EXPECT_EQ(back.Canvas()->Pixels(1, 1), clRed);
    // Source-invert mode twice restores.
    src.SetTransparent(false);
    c->SetCopyMode(cmSrcInvert);
    c->Draw(7, 5, &src);
    EXPECT_EQ(c->Pixels(7, 5), clWhite);
    c->Draw(7, 5, &src);
    EXPECT_EQ(c->Pixels(7, 5), clWhite);
    EXPECT_EQ(c->Pixels(8, 6), clWhite);
    c->SetCopyMode(cmBlackness);
    c->Draw(0, 6, &src);
    EXPECT_EQ(c->Pixels(1, 7), clBlack);
}

TEST_F(CanvasTest, CopyRectBetweenCanvases)
{
    TBitmap src;
    src.SetSize(4, 4);
    src.Canvas()->SetPixels(2, 1, clBlue);
    c->CopyRect(Rect(0, 0, 2, 2), src.Canvas(), Rect(2, 1, 4, 3));
    EXPECT_EQ(c->Pixels(0, 0), clBlue);
    EXPECT_EQ(c->Pixels(1, 0), clWhite);
    // A negative destination width mirrors.
    c->CopyRect(Rect(6, 0, 4, 1), src.Canvas(), Rect(2, 1, 4, 2));
    EXPECT_EQ(c->Pixels(5, 0), clBlue);
    EXPECT_EQ(c->Pixels(4, 0), clWhite);
}

TEST_F(CanvasTest, CanvasOverAnImageAndOverAPainter)
{
    QImage img(6, 4, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        TCanvas cv(&img);
        cv.Brush()->SetColor(clBlack);
        cv.FillRect(Rect(0, 0, 2, 2));
    }
    EXPECT_EQ(img.pixel(1, 1), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(2, 2), qRgb(255, 255, 255));
    // A painter opened by someone else (a paint event) is borrowed and left
    // as it was found.
    QPainter p(&img);
    p.setPen(Qt::red);
    TCanvas cv;
    cv.BeginPaint(&p);
    cv.Pen()->SetColor(clBlue);
    cv.MoveTo(0, 3);
    cv.LineTo(6, 3);
    cv.EndPaint();
    EXPECT_EQ(p.pen().color(), QColor(Qt::red));
    p.end();
    EXPECT_EQ(img.pixel(5, 3), qRgb(0, 0, 255));
}

TEST_F(CanvasTest, PublishedPropertiesOfPenBrushAndCanvas)
{
    TClass pen = TPen::StaticClass();
    ASSERT_NE(pen->FindProp(u"Color"), nullptr);
    ASSERT_NE(pen->FindProp(u"Mode"), nullptr);
    ASSERT_NE(pen->FindProp(u"Style"), nullptr);
    ASSERT_NE(pen->FindProp(u"Width"), nullptr);
    ASSERT_NE(TBrush::StaticClass()->FindProp(u"Style"), nullptr);
    ASSERT_NE(TCanvas::StaticClass()->FindProp(u"Font"), nullptr);
    EXPECT_TRUE(TBitmap::StaticClass()->InheritsFrom(TGraphic::StaticClass()));
    EXPECT_TRUE(TGraphic::StaticClass()->IsAbstract());
    std::unique_ptr<TObject> obj(TBitmap::StaticClass()->Create());
    auto *b = dynamic_cast<TBitmap *>(obj.get());
    ASSERT_NE(b, nullptr);
    b->SetWidth(3);
    b->SetHeight(3);
    b->Canvas()->SetPixels(1, 1, clRed);
    EXPECT_EQ(b->Canvas()->Pixels(1, 1), clRed);
}

} // namespace

#include <QPrinter>
#include <QTemporaryDir>
#include <QWidget>

namespace {

TEST_F(CanvasTest, BrushOriginShiftsPatterns)
{
    auto firstInkRow = [](TPoint origin) {
        TBitmap b;
        b.SetSize(8, 8);
        b.Canvas()->Brush()->SetColor(clBlack);
        b.Canvas()->Brush()->SetStyle(bsHorizontal);
        b.Canvas()->SetBrushOrigin(origin);
        b.Canvas()->FillRect(Rect(0, 0, 8, 8));
        for (int y = 0; y < 8; ++y)
            if (b.Canvas()->Pixels(0, y) == clBlack)
                return y;
        return -1;
    };
    const int base = firstInkRow(Point(0, 0));
    ASSERT_GE(base, 0);
    EXPECT_EQ(firstInkRow(Point(0, 3)), (base + 3) % 8);
}

// A widget whose paint event draws through a canvas, as controls do.
class PaintedWidget : public QWidget
{
public:
    TCanvas Canvas;
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        Canvas.BeginPaint(&p);
        Canvas.Brush()->SetColor(clBtnFace);
        Canvas.FillRect(Rect(0, 0, width(), height()));
        Canvas.Pen()->SetColor(clRed);
        Canvas.MoveTo(0, 5);
        Canvas.LineTo(10, 5);
        // A widget being painted cannot be read back.
        ReadBack = Canvas.Pixels(0, 5);
        Canvas.EndPaint();
    }
    TColor ReadBack = 0;
};

TEST_F(CanvasTest, CanvasInsideAWidgetsPaintEvent)
{
    PaintedWidget w;
    w.resize(20, 10);
    const QImage img = w.grab().toImage();
    EXPECT_EQ(QColorToColor(QColor::fromRgb(img.pixel(15, 2))), RGB(212, 208, 200));
    EXPECT_EQ(QColorToColor(QColor::fromRgb(img.pixel(9, 5))), clRed);
    EXPECT_EQ(QColorToColor(QColor::fromRgb(img.pixel(10, 5))), RGB(212, 208, 200));
    EXPECT_EQ(w.ReadBack, CLR_INVALID);
    EXPECT_EQ(w.Canvas.Handle(), nullptr); // no device between paint events
}

TEST_F(CanvasTest, CanvasOnAPrinter)
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath("page.pdf");
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        TCanvas cv(&printer);
        cv.Font()->SetPixelsPerInch(printer.resolution());
        cv.Font()->SetSize(12);
        EXPECT_EQ(cv.Font()->Height(), -(12 * printer.resolution() + 36) / 72);
        cv.Pen()->SetMode(pmXor); // no raster operations on paper: drawn as copy
        cv.Rectangle(100, 100, 1000, 600);
        cv.TextOut(200, 200, QString::fromUtf8("打印 Print"));
        EXPECT_NE(cv.Handle(), nullptr);
        EXPECT_EQ(cv.Pixels(150, 150), CLR_INVALID);
        EXPECT_EQ(cv.GetDeviceCaps(LOGPIXELSX), printer.resolution());
        EXPECT_EQ(cv.GetDeviceCaps(HORZRES), printer.width());
        EXPECT_GT(cv.GetDeviceCaps(PHYSICALWIDTH), cv.GetDeviceCaps(HORZRES) - 1);
        EXPECT_GE(cv.GetDeviceCaps(PHYSICALOFFSETX), 0);
        cv.Release();
    }
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().startsWith("%PDF"));
}

TEST_F(CanvasTest, RotatedTextAndCharacterSpacing)
{
    TBitmap b;
    b.SetSize(60, 60);
    TCanvas *cv = b.Canvas();
    cv->Brush()->SetStyle(bsClear);
    cv->Font()->SetSize(10);
    cv->SetTextEscapement(900); // upwards from the start point
    cv->TextOut(10, 50, "WWW");
    int top = 60, right = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 60; ++x)
            if (cv->Pixels(x, y) != clWhite) {
                top = std::min(top, y);
                right = std::max(right, x);
            }
    EXPECT_LT(top, 50 - cv->TextWidth("WW"));
    EXPECT_LE(right, 10 + cv->TextHeight("W"));
    EXPECT_EQ(cv->Pixels(20, 55), clWhite); // nothing below the start

    // Explicit advances place each character.
    TBitmap t;
    t.SetSize(80, 20);
    t.Canvas()->Brush()->SetStyle(bsClear);
    const int dx[] = {30, 30};
    t.Canvas()->ExtTextOut(0, 0, 0, nullptr, "ll", dx);
    int inkColumns = 0;
    for (int x = 0; x < 80; ++x) {
        bool ink = false;
        for (int y = 0; y < 20; ++y)
            ink = ink || t.Canvas()->Pixels(x, y) != clWhite;
        if (ink && (x == 0 || [&] {
                bool prev = false;
                for (int y = 0; y < 20; ++y)
                    prev = prev || t.Canvas()->Pixels(x - 1, y) != clWhite;
                return !prev;
            }()))
            ++inkColumns;
    }
    EXPECT_EQ(inkColumns, 2); // two separate strokes
    for (int y = 0; y < 20; ++y)
        for (int x = 8; x < 28; ++x)
            EXPECT_EQ(t.Canvas()->Pixels(x, y), clWhite);
}

} // namespace

namespace {

TEST_F(CanvasTest, CopiesOfABitmapDoNotShareLaterDrawing)
{
    c->SetPixels(0, 0, clRed);
    const QImage before = bmp.ToImage();
    TBitmap copy;
    copy.Assign(&bmp);
    c->Brush()->SetColor(clBlack);
    c->FillRect(Rect(0, 0, 10, 8));
    c->SetPixels(1, 0, clBlue);
    EXPECT_EQ(before.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(before.pixel(1, 0), qRgb(255, 255, 255));
    EXPECT_EQ(copy.Canvas()->Pixels(0, 0), clRed);
    EXPECT_EQ(copy.Canvas()->Pixels(5, 5), clWhite);
    copy.Canvas()->SetPixels(5, 5, clLime);
    EXPECT_EQ(c->Pixels(5, 5), clBlack);
    // Taken while the canvas's painter is busy on the bitmap.
    c->FillRect(Rect(0, 0, 1, 1));
    const QImage during = bmp.ToImage();
    c->Brush()->SetColor(clYellow);
    c->FillRect(Rect(0, 0, 10, 8));
    EXPECT_EQ(during.pixel(3, 3), qRgb(0, 0, 0));
    EXPECT_EQ(c->Pixels(3, 3), clYellow);
    // Assigning nil or a font to nothing does no harm.
    c->SetFont(nullptr);
    c->SetPen(nullptr);
    c->SetBrush(nullptr);
}

} // namespace
