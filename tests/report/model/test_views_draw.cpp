// Views drawn on offscreen images: thick lines, shadows, frame corners and styles, hatches, memo text,
// lines with arrows, shapes, pictures, page backgrounds and subreports, checked by pixels.
#include "report/model/qdzClassViews.h"

#include "platform/Streams.h"
#include "platform/SysUtils.h"
#include "report/model/qdzWideStrings.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>

namespace {

// Where STATION_VIEW_PNG names a folder, the images are kept there to look at.
void Keep(const QImage &Img, const char *Name)
{
    const QByteArray dir = qgetenv("STATION_VIEW_PNG");
    if (!dir.isEmpty())
        Img.save(QDir(QString::fromLocal8Bit(dir)).filePath(QString::fromLatin1(Name) + QStringLiteral(".png")));
}

struct TImage
{
    QImage Img;
    std::unique_ptr<TCanvas> Canvas;
    explicit TImage(int W = 200, int H = 120) : Img(W, H, QImage::Format_RGB32)
    {
        Img.fill(Qt::white);
        Canvas = std::make_unique<TCanvas>(&Img);
    }
    const QImage &Done()
    {
        Canvas->Release();
        return Img;
    }
};

bool IsWhite(const QImage &I, int X, int Y)
{
    return I.pixel(X, Y) == qRgb(255, 255, 255);
}

QRgb At(const QImage &I, int X, int Y)
{
    return I.pixel(X, Y) & 0xFFFFFF;
}

// The bounding box of pixels of one colour (or of any non-white one).
QRect BoxOf(const QImage &I, std::optional<QRgb> Colour = std::nullopt)
{
    QRect r;
    for (int y = 0; y < I.height(); ++y)
        for (int x = 0; x < I.width(); ++x) {
            const QRgb p = I.pixel(x, y) & 0xFFFFFF;
            const bool hit = Colour ? p == (*Colour & 0xFFFFFF) : p != 0xFFFFFF;
            if (hit)
                r = r.isNull() ? QRect(x, y, 1, 1) : r.united(QRect(x, y, 1, 1));
        }
    return r;
}

int Count(const QImage &I, QRgb Colour, const QRect &Area)
{
    int n = 0;
    for (int y = Area.top(); y <= Area.bottom(); ++y)
        for (int x = Area.left(); x <= Area.right(); ++x)
            if ((I.pixel(x, y) & 0xFFFFFF) == (Colour & 0xFFFFFF))
                ++n;
    return n;
}

constexpr QRgb Black = 0x000000, Red = 0xFF0000, Blue = 0x0000FF, Yellow = 0xFFFF00, Grey = 0x808080;

QByteArray PngOf(int W, int H, QColor C)
{
    QImage i(W, H, QImage::Format_RGB32);
    i.fill(C);
    QByteArray b;
    QBuffer buf(&b);
    buf.open(QIODevice::WriteOnly);
    i.save(&buf, "PNG");
    return b;
}

QByteArray JpegOf(int W, int H)
{
    QImage i(W, H, QImage::Format_RGB32);
    i.fill(Qt::green);
    QByteArray b;
    QBuffer buf(&b);
    buf.open(QIODevice::WriteOnly);
    i.save(&buf, "JPEG");
    return b;
}

// A canvas whose every drawing operation fails.
class TFailingCanvas : public TCanvas
{
public:
    using TCanvas::TCanvas;
    void Changing() override { throw Exception(QStringLiteral("device lost")); }
};

} // namespace

TEST(ViewDraw, ThickLineRows)
{
    for (auto [w, first, last] : std::vector<std::tuple<int, int, int>>{{4, 8, 11}, {3, 9, 11}, {0, 10, 10}, {1, 10, 10}}) {
        TImage t;
        TqdzView v(nullptr);
        v.SetBounds(0, 0, 100, 50);
        v.PrepareDraw(t.Canvas.get(), 1, 1, 0, 0);
        t.Canvas->Pen()->SetColor(clBlack);
        v.DrawThickLine(20, 10, 80, 10, w);
        const QImage &img = t.Done();
        EXPECT_EQ(BoxOf(img), QRect(QPoint(20, first), QPoint(79, last))) << "width " << w;
    }
}

TEST(ViewDraw, ThickLineOfAViewWithoutSize)
{
    // Lines drawn for a view that has no size of its own keep their width.
    for (auto [w, first, last] : std::vector<std::tuple<int, int, int>>{{4, 8, 11}, {3, 9, 11}, {0, 10, 10}}) {
        TImage t;
        TqdzView v(nullptr);
        v.PrepareDraw(t.Canvas.get(), 1, 1, 0, 0);
        t.Canvas->Pen()->SetColor(clBlack);
        v.DrawThickLine(20, 10, 80, 10, w);
        const QImage &img = t.Done();
        EXPECT_EQ(BoxOf(img), QRect(QPoint(20, first), QPoint(79, last))) << "width " << w;
    }
}

TEST(ViewDraw, DropShadowInsideTheBounds)
{
    TImage t;
    TqdzMemoView v(nullptr);
    v.SetBounds(10, 10, 100, 50);
    v.SetColor(clYellow);
    v.Frame()->SetDropShadow(true);
    v.Frame()->SetShadowColor(0x808080);
    v.Draw(t.Canvas.get(), 1, 1, 0, 0);
    const QImage &img = t.Done();
    Keep(img, "shadow");
    EXPECT_EQ(BoxOf(img, Yellow), QRect(QPoint(10, 10), QPoint(105, 55)));
    EXPECT_EQ(Count(img, Yellow, QRect(QPoint(10, 10), QPoint(105, 55))), 96 * 46);
    // The right strip from 4 below the top, the bottom strip from 4 right of the left edge.
    EXPECT_EQ(BoxOf(img, Grey), QRect(QPoint(14, 14), QPoint(109, 59)));
    EXPECT_EQ(Count(img, Grey, QRect(QPoint(106, 14), QPoint(109, 55))), 4 * 42);
    EXPECT_EQ(Count(img, Grey, QRect(QPoint(14, 56), QPoint(109, 59))), 96 * 4);
    EXPECT_TRUE(IsWhite(img, 107, 13));
    EXPECT_TRUE(IsWhite(img, 13, 57));
}

TEST(ViewDraw, HugeFrameAndShadowWidthsAreClamped)
{
    TImage t;
    TqdzMemoView v(nullptr);
    v.SetBounds(10, 10, 60, 30);
    v.Frame()->SetTyp(TqdzFrameTypes::FromInt(15));
    v.Frame()->SetWidth(1e9);
    v.Frame()->SetStyle(fsDash);
    v.Frame()->SetDropShadow(true);
    v.Frame()->SetShadowWidth(1e12);
    QElapsedTimer timer;
    timer.start();
    EXPECT_NO_THROW(v.Draw(t.Canvas.get(), 1, 1, 0, 0));
    EXPECT_LT(timer.elapsed(), 30000);
    const QImage &img = t.Done();
    // Nothing is drawn far from the object.
    const QRect box = BoxOf(img);
    EXPECT_LE(box.right(), 10 + 60 + 70);
    EXPECT_LE(box.bottom(), 10 + 30 + 70);
}

TEST(ViewDraw, SolidFrameCornersAndShortenedSingleLine)
{
    {
        TImage t;
        TqdzMemoView v(nullptr);
        v.SetBounds(10, 10, 50, 30);
        v.Frame()->SetTyp(TqdzFrameTypes::FromInt(15));
        v.Frame()->SetWidth(3);
        v.Draw(t.Canvas.get(), 1, 1, 0, 0);
        const QImage &img = t.Done();
        Keep(img, "frame3");
        // Lines 3 wide centred on 10, 60 (x) and 10, 40 (y), meeting exactly.
        EXPECT_EQ(BoxOf(img), QRect(QPoint(9, 9), QPoint(61, 41)));
        for (QPoint p : {QPoint(9, 9), QPoint(61, 9), QPoint(9, 41), QPoint(61, 41), QPoint(35, 11), QPoint(11, 25),
                         QPoint(59, 25), QPoint(35, 39)})
            EXPECT_EQ(At(img, p.x(), p.y()), Black) << p.x() << "," << p.y();
        EXPECT_TRUE(IsWhite(img, 12, 12));
        EXPECT_TRUE(IsWhite(img, 58, 38));
    }
    {
        TImage t;
        TqdzMemoView v(nullptr);
        v.SetBounds(10, 10, 50, 30);
        v.Frame()->SetTyp(TqdzFrameTypes::FromInt(8));
        v.Frame()->SetWidth(3);
        v.Draw(t.Canvas.get(), 1, 1, 0, 0);
        const QImage &img = t.Done();
        // Shortened by one pixel at each end: it covers exactly 10 .. 60.
        EXPECT_EQ(BoxOf(img), QRect(QPoint(10, 39), QPoint(60, 41)));
    }
}

TEST(ViewDraw, FrameStyles)
{
    struct TCase
    {
        TqdzFrameStyle Style;
        double Width;
        const char *Name;
    };
    for (const TCase &c : {TCase{fsDash, 1, "dash"}, TCase{fsDot, 1, "dot"}, TCase{fsDouble, 2, "double"},
                           TCase{fsAltDot, 4, "altdot"}, TCase{fsSquare, 4, "square"}}) {
        SCOPED_TRACE(c.Name);
        TImage t(240, 120);
        TqdzMemoView v(nullptr);
        v.SetBounds(20, 20, 200, 80);
        v.Frame()->SetTyp(TqdzFrameTypes::FromInt(15));
        v.Frame()->SetStyle(c.Style);
        v.Frame()->SetWidth(c.Width);
        v.Frame()->SetColor(clBlue);
        v.Draw(t.Canvas.get(), 1, 1, 0, 0);
        const QImage &img = t.Done();
        Keep(img, (QByteArray("style_") + c.Name).constData());
        // Along the top side, ink alternates with gaps (the double line: two
        // strokes with a gap between them across the side).
        int on = 0, changes = 0;
        bool last = false;
        for (int x = 40; x < 200; ++x) {
            bool ink = false;
            for (int y = 14; y <= 26; ++y)
                ink = ink || (qBlue(img.pixel(x, y)) > 200 && qRed(img.pixel(x, y)) < 100);
            on += ink;
            changes += x > 40 && ink != last;
            last = ink;
        }
        if (c.Style == fsDouble) {
            EXPECT_EQ(on, 160);
            int strokes = 0;
            bool prev = false;
            for (int y = 10; y <= 30; ++y) {
                const bool ink = (At(img, 100, y) == Blue);
                strokes += ink && !prev;
                prev = ink;
            }
            EXPECT_EQ(strokes, 2);
            // The outer stroke reaches round the corner, the inner one stops short.
            EXPECT_EQ(At(img, 17, 17), Blue);
            EXPECT_TRUE(IsWhite(img, 16, 17));
            EXPECT_TRUE(IsWhite(img, 20, 22));
        } else {
            EXPECT_GT(on, 20);
            EXPECT_LT(on, 150);
            EXPECT_GT(changes, 10);
        }
    }
}

TEST(ViewDraw, HatchInTheFrameColourOverTheFill)
{
    TImage t;
    TqdzMemoView v(nullptr);
    v.SetBounds(10, 10, 100, 60);
    v.SetColor(clYellow);
    v.SetBrushStyle(bsCross);
    v.Frame()->SetColor(clBlue);
    v.Draw(t.Canvas.get(), 1, 1, 0, 0);
    const QImage &img = t.Done();
    Keep(img, "hatch");
    const QRect inside(QPoint(10, 10), QPoint(109, 69));
    EXPECT_GT(Count(img, Yellow, inside), 2000);
    EXPECT_GT(Count(img, Blue, inside), 300);
    EXPECT_EQ(BoxOf(img), inside);
}

TEST(ViewDraw, MemoTextUnderlinesAndRotation)
{
    auto draw = [](int Rotation, bool Underlines, const char *Name) {
        TImage t(220, 220);
        TqdzMemoView v(nullptr);
        v.SetBounds(10, 10, 200, 200);
        v.Font()->SetName(QStringLiteral("Arial"));
        v.Font()->SetSize(12);
        v.SetText(QStringLiteral("Rotated text"));
        v.SetRotation(Rotation);
        v.SetUnderlines(Underlines);
        v.Frame()->SetColor(clRed);
        v.Draw(t.Canvas.get(), 1, 1, 0, 0);
        QImage img = t.Done();
        Keep(img, Name);
        return img;
    };
    const QImage flat = draw(0, false, "memo0");
    const QRect a = BoxOf(flat);
    ASSERT_FALSE(a.isNull());
    EXPECT_GT(a.width(), 3 * a.height());
    EXPECT_GE(a.left(), 12);
    EXPECT_GE(a.top(), 11);

    const QImage up = draw(90, true, "memo90");
    const QRect b = BoxOf(up);
    EXPECT_GT(b.height(), 3 * b.width());
    // Runs upwards from the bottom-left corner; rotated text has no underlines.
    EXPECT_GT(b.bottom(), 150);
    EXPECT_LT(b.left(), 40);
    EXPECT_EQ(Count(up, Red, up.rect()), 0);

    const QImage lined = draw(0, true, "memo_underlined");
    // Lines every 18 pixels (16 and 2 of spacing at 12 points) from 28 on.
    std::vector<int> rows;
    for (int y = 10; y < 210; ++y)
        if (At(lined, 100, y) == Red)
            rows.push_back(y);
    ASSERT_EQ(rows.size(), 11u);
    EXPECT_EQ(rows.front(), 28);
    EXPECT_EQ(rows.back(), 28 + 10 * 18);
}

TEST(ViewDraw, HighlightColourLastsOneDrawing)
{
    TImage t;
    TqdzMemoView v(nullptr);
    v.SetBounds(10, 10, 100, 40);
    v.SetColor(clYellow);
    v.Highlight()->SetColor(clBlue);
    v.Highlight()->SetActive(true);
    v.Draw(t.Canvas.get(), 1, 1, 0, 0);
    EXPECT_EQ(v.Color(), clYellow);
    const QImage &img = t.Done();
    EXPECT_EQ(At(img, 50, 20), Blue);
}

TEST(ViewDraw, LineViewsTurnStraightAndDrawArrows)
{
    {
        TImage t;
        TqdzLineView l(nullptr);
        l.SetBounds(10, 50, 100, 3);
        l.SetArrowEnd(true);
        l.Draw(t.Canvas.get(), 1, 1, 0, 0);
        EXPECT_EQ(l.Height(), 0);
        EXPECT_EQ(l.Frame()->Typ().ToInt(), 4u);
        const QImage &img = t.Done();
        Keep(img, "line_arrow");
        const QRect box = BoxOf(img);
        // The line at y 50 and the arrow's wings 5 to either side of it.
        EXPECT_EQ(box.top(), 45);
        EXPECT_EQ(box.bottom(), 55);
        EXPECT_EQ(At(img, 60, 50), Black);
    }
    {
        TImage t;
        TqdzLineView l(nullptr);
        l.SetBounds(50, 10, 3, 100);
        l.SetArrowEnd(true);
        l.SetArrowSolid(true);
        l.Draw(t.Canvas.get(), 1, 1, 0, 0);
        EXPECT_EQ(l.Width(), 0);
        EXPECT_EQ(l.Frame()->Typ().ToInt(), 1u);
        const QImage &img = t.Done();
        // The solid head points straight down along the line.
        const QRect box = BoxOf(img);
        EXPECT_EQ(box.left(), 45);
        EXPECT_EQ(box.right(), 55);
        EXPECT_EQ(At(img, 50, 105), Black);
        EXPECT_EQ(At(img, 47, 92), Black);
    }
    {
        // A zero-length head on a slanted line: its base point is the tip,
        // never a value that is not a number.
        TImage t;
        TqdzLineView l(nullptr);
        l.SetDiagonal(true);
        l.SetBounds(10, 10, 9, 1);
        l.SetArrowEnd(true);
        l.SetArrowLength(0);
        EXPECT_NO_THROW(l.Draw(t.Canvas.get(), 1, 1, 0, 0));
        const QImage &img = t.Done();
        const QRect box = BoxOf(img);
        EXPECT_TRUE(QRect(0, 0, 40, 40).contains(box));
    }
}

TEST(ViewDraw, DoubleShapes)
{
    TImage t(200, 140);
    TqdzShapeView s(nullptr);
    s.SetShape(skEllipse);
    s.SetBounds(10, 10, 160, 100);
    s.Frame()->SetStyle(fsDouble);
    s.Frame()->SetWidth(2);
    s.Frame()->LeftLine()->SetStyle(fsDot);
    s.Draw(t.Canvas.get(), 1, 1, 0, 0);
    const QImage &img = t.Done();
    Keep(img, "double_ellipse");
    // Two ellipses 2W = 4 pixels apart along the middle row.
    std::vector<int> xs;
    for (int x = 0; x < 100; ++x)
        if (At(img, x, 60) == Black && (xs.empty() || xs.back() < x - 1))
            xs.push_back(x);
    ASSERT_EQ(xs.size(), 2u);
    EXPECT_EQ(xs[1] - xs[0], 4);
    EXPECT_EQ(s.Frame()->Style(), fsDouble);
    EXPECT_EQ(s.Frame()->LeftLine()->Style(), fsDot);
    EXPECT_EQ(s.Left(), 10);
    EXPECT_EQ(s.Width(), 160);

    // A drawing that raises still brings the bounds and the style back.
    QImage img2(200, 140, QImage::Format_RGB32);
    TFailingCanvas bad(&img2);
    EXPECT_THROW(s.Draw(&bad, 1, 1, 0, 0), Exception);
    EXPECT_EQ(s.Frame()->Style(), fsDouble);
    EXPECT_EQ(s.Frame()->LeftLine()->Style(), fsDot);
    EXPECT_EQ(s.Left(), 10);
    EXPECT_EQ(s.Top(), 10);
    EXPECT_EQ(s.Width(), 160);
    EXPECT_EQ(s.Height(), 100);
}

TEST(ViewDraw, ShapeKinds)
{
    for (int k = skRectangle; k <= skDiagonal2; ++k) {
        TImage t(120, 120);
        TqdzShapeView s(nullptr);
        s.SetShape(TqdzShapeKind(k));
        s.SetBounds(10, 10, 100, 80);
        s.SetColor(clYellow);
        s.Draw(t.Canvas.get(), 1, 1, 0, 0);
        const QImage &img = t.Done();
        Keep(img, (QByteArray("shape") + QByteArray::number(k)).constData());
        const QRect box = BoxOf(img);
        EXPECT_TRUE(QRect(QPoint(9, 9), QPoint(111, 91)).contains(box)) << k;
        EXPECT_GT(box.width(), 90) << k;
        const bool filled = k <= skDiamond;
        EXPECT_EQ(At(img, 60, 50) == Yellow, filled) << k;
    }
}

TEST(ViewDraw, PictureKeepsItsAspectAndCentres)
{
    TqdzPictureView p(nullptr);
    const QByteArray png = PngOf(200, 100, Qt::red);
    TMemoryStream m;
    m.WriteBuffer(png.constData(), png.size());
    EXPECT_EQ(p.LoadPictureFromStream(&m, true), 0u);
    ASSERT_NE(dynamic_cast<TPngImage *>(p.Picture()->Graphic()), nullptr);
    EXPECT_EQ(p.Picture()->Graphic()->SaveToBytes(), png); // bytes kept as loaded
    p.SetBounds(0, 0, 100, 100);
    for (bool center : {false, true}) {
        TImage t(120, 120);
        p.SetCenter(center);
        p.Draw(t.Canvas.get(), 1, 1, 0, 0);
        const QImage &img = t.Done();
        Keep(img, center ? "picture_center" : "picture");
        EXPECT_EQ(BoxOf(img, Red), QRect(0, center ? 25 : 0, 100, 50));
    }
    // Not stretched: drawn at its size, clipped to the view.
    TImage t(320, 320);
    p.SetStretched(false);
    p.SetCenter(false);
    p.Draw(t.Canvas.get(), 1, 1, 0, 0);
    EXPECT_EQ(BoxOf(t.Done(), Red), QRect(0, 0, 100, 100));
}

TEST(PictureView, StreamsAreRecognisedByTheirBytes)
{
    TqdzPictureView p(nullptr);
    {
        TMemoryStream one;
        one.WriteBuffer("\x01", 1);
        EXPECT_EQ(p.LoadPictureFromStream(&one, true), 2147942487u);
        EXPECT_EQ(p.Picture()->Graphic(), nullptr);
    }
    {
        // A database header before a JPEG.
        const QByteArray jpeg = JpegOf(30, 20);
        QByteArray blob("\x01\x00\x00\x01", 4);
        const quint32 n = quint32(jpeg.size());
        blob += char(n & 0xFF);
        blob += char((n >> 8) & 0xFF);
        blob += char((n >> 16) & 0xFF);
        blob += char((n >> 24) & 0xFF);
        blob += jpeg;
        TMemoryStream m;
        m.WriteBuffer(blob.constData(), blob.size());
        EXPECT_EQ(p.LoadPictureFromStream(&m, true), 0u);
        ASSERT_NE(dynamic_cast<TJPEGImage *>(p.Picture()->Graphic()), nullptr);
        EXPECT_EQ(p.Picture()->Width(), 30);
        EXPECT_EQ(p.Picture()->Graphic()->SaveToBytes(), jpeg);
    }
    {
        QImage i(6, 4, QImage::Format_RGB32);
        i.fill(Qt::red);
        QByteArray bmp;
        QBuffer buf(&bmp);
        buf.open(QIODevice::WriteOnly);
        ASSERT_TRUE(i.save(&buf, "BMP"));
        TMemoryStream m;
        m.WriteBuffer(bmp.constData(), bmp.size());
        EXPECT_EQ(p.LoadPictureFromStream(&m, true), 0u);
        ASSERT_NE(dynamic_cast<TBitmap *>(p.Picture()->Graphic()), nullptr);
        EXPECT_EQ(p.Picture()->Width(), 6);
    }
    {
        // Metafile keys choose the metafile class; an icon is told by its
        // second word; two bytes FF D8 are enough for the JPEG class.
        struct TKind
        {
            QByteArray Bytes;
            const char *Class;
        };
        QByteArray placeable("\xD7\xCD\xC6\x9A", 4);
        placeable += QByteArray(18, '\0');
        QByteArray emf(100, '\0');
        emf[0] = 1;
        emf.replace(40, 4, QByteArray(" EMF", 4));
        QByteArray ico("\0\0\1\0\0\0", 6);
        for (const TKind &k : {TKind{placeable, "TMetafile"}, TKind{emf, "TMetafile"}, TKind{ico, "TIcon"},
                               TKind{QByteArray("\xFF\xD8", 2), "TJPEGImage"}}) {
            TMemoryStream m;
            m.WriteBuffer(k.Bytes.constData(), k.Bytes.size());
            try {
                p.LoadPictureFromStream(&m, true);
                ASSERT_NE(p.Picture()->Graphic(), nullptr) << k.Class;
                EXPECT_EQ(p.Picture()->Graphic()->ClassName(), QString::fromLatin1(k.Class));
            } catch (const Exception &) {
                // Chosen, then refused by the graphic's decoder: fine for junk.
            }
        }
    }
    {
        // From the current position when not reset.
        const QByteArray png = PngOf(7, 5, Qt::blue);
        TMemoryStream m;
        m.WriteBuffer("junk", 4);
        m.WriteBuffer(png.constData(), png.size());
        m.SetPosition(4);
        p.SetAutoSize(true);
        EXPECT_EQ(p.LoadPictureFromStream(&m, false), 0u);
        EXPECT_EQ(p.Width(), 7);
        EXPECT_EQ(p.Height(), 5);
        EXPECT_TRUE(p.PictureChangedFlag());
    }
}

TEST(ViewDraw, PageBackgroundAndSubreport)
{
    TqdzReport r(nullptr);
    auto *page = new TqdzReportPage(&r);
    page->SetPaperWidth(60);
    page->SetPaperHeight(40);
    page->SetLeftMargin(5);
    page->SetTopMargin(5);
    page->SetRightMargin(5);
    page->SetBottomMargin(5);
    page->SetColor(clYellow);
    page->Frame()->SetTyp(TqdzFrameTypes::FromInt(15));
    page->Frame()->SetColor(clBlue);
    TImage t(240, 160);
    page->DrawBackground(t.Canvas.get(), 1, 1, 0, 0);
    // 50 x 30 mm from (5, 5) mm: 189 x 113 pixels from (19, 19).
    EXPECT_EQ(BoxOf(t.Img, Yellow), QRect(QPoint(20, 20), QPoint(207, 131)));
    EXPECT_EQ(At(t.Img, 19, 60), Blue);
    page->SetBackPictureVisible(false);
    TImage t2(240, 160);
    page->DrawBackground(t2.Canvas.get(), 1, 1, 0, 0);
    EXPECT_TRUE(BoxOf(t2.Done()).isNull());

    auto *band = new TqdzMasterData(page);
    auto *sub = new TqdzSubreport(band);
    sub->SetName(QStringLiteral("SubReport1"));
    sub->SetBounds(0, 0, 150, 40);
    TImage t3(200, 100);
    sub->Draw(t3.Canvas.get(), 1, 1, 10, 10);
    const QImage &img = t3.Done();
    Keep(img, "subreport");
    EXPECT_EQ(At(img, 100, 40), 0xC0C0C0u);
    // The name in dark ink inside the silver box, framed on all sides.
    int ink = 0;
    for (int y = 12; y < 30; ++y)
        for (int x = 12; x < 100; ++x)
            ink += qGray(img.pixel(x, y)) < 80;
    EXPECT_GT(ink, 30);
    EXPECT_EQ(At(img, 10, 30), Black);
}

TEST(DrawTextCharset, TextOfAnotherCharsetGoesThroughItsCodePage)
{
    TqdzDrawText d;
    TFont f;
    f.SetName(QStringLiteral("Arial"));
    f.SetCharset(204); // Cyrillic: code page 1251 has no Chinese
    d.SetFont(&f);
    EXPECT_EQ(d.ThroughCharset(QStringLiteral("Да 中文")), QStringLiteral("Да ??"));
    std::vector<int> a, b;
    d.MeasureLine(QStringLiteral("中文"), nullptr, a);
    d.MeasureLine(QStringLiteral("??"), nullptr, b);
    EXPECT_EQ(a, b);
    d.SetUseDefaultCharset(true);
    EXPECT_EQ(d.ThroughCharset(QStringLiteral("中文")), QStringLiteral("中文"));
    f.SetCharset(1);
    d.SetUseDefaultCharset(false);
    d.SetFont(&f);
    EXPECT_EQ(d.ThroughCharset(QStringLiteral("中文")), QStringLiteral("中文"));
    // Characters outside the basic plane stay one-to-one with the text.
    f.SetCharset(204);
    d.SetFont(&f);
    EXPECT_EQ(d.ThroughCharset(QStringLiteral("a\U0001F600b")).size(), 4);
}

TEST(DrawTextWrap, OneLongParagraphWrapsWordByWord)
{
    // 8,000 words in one paragraph break between words only, and keep every
    // word in order (its cost per word: bench_drawtext's BM_DrawText_WrapWords).
    QString para;
    for (int i = 0; i < 8000; ++i)
        para += QStringLiteral("word%1 ").arg(i % 97);
    TFont f;
    f.SetName(QStringLiteral("Arial"));
    f.SetSize(10);
    TqdzDrawText d;
    d.SetFont(&f);
    d.SetOptions(true, true, 0, true, false, false, false);
    d.SetGaps(0, 0, 0);
    const TRect r{0, 0, 300, 100};
    d.SetDimensions(1, 1, 1, r, r);
    TWideStrings w;
    w.SetText(para);
    d.SetText(&w);
    ASSERT_GT(d.Text()->Count(), 900);
    QStringList lines;
    for (int i = 0; i < d.Text()->Count(); ++i)
        lines << d.Text()->Get(i).trimmed();
    EXPECT_EQ(lines.join(QLatin1Char(' ')), para.trimmed());
}

TEST(ViewDraw, CharactersTheFontLacksComeFromAFallbackFont)
{
    TImage t(240, 60);
    TqdzMemoView v(nullptr);
    v.SetBounds(0, 0, 240, 60);
    v.Font()->SetName(QStringLiteral("Arial"));
    v.Font()->SetSize(14);
    v.SetText(QStringLiteral("毛重 12.50 净重"));
    v.Draw(t.Canvas.get(), 1, 1, 0, 0);
    const QImage &img = t.Done();
    Keep(img, "fallback");
    // Ink in the first two cells (Chinese), the number and the last two cells.
    auto inkIn = [&img](int X0, int X1) {
        int n = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = X0; x < X1; ++x)
                n += qGray(img.pixel(x, y)) < 128;
        return n;
    };
    const QRect box = BoxOf(img);
    ASSERT_GT(box.width(), 100);
    EXPECT_GT(inkIn(box.left(), box.left() + 30), 40);
    EXPECT_GT(inkIn(box.right() - 30, box.right() + 1), 40);
}

TEST(ViewDraw, HostileTemplateValuesNeitherCrashNorHang)
{
    // Each memo, line, shape and picture of a template with absurd values is
    // measured, split and drawn within a bounded time.
    const char *memoAttrs[] = {
        "Width=\"1E300\" Height=\"1E300\" Frame.Typ=\"15\" Frame.Style=\"fsDash\" Frame.ShadowWidth=\"1E300\" "
        "Frame.DropShadow=\"True\"",
        "Left=\"-1E300\" Width=\"99999999\" Height=\"50\" Frame.Typ=\"15\" Frame.Style=\"fsDot\"",
        "Width=\"100\" Height=\"100\" LineSpacing=\"-500\" Underlines=\"True\" Frame.Width=\"-7\" Frame.Typ=\"15\"",
        "Width=\"100\" Height=\"100\" GapX=\"1E9\" GapY=\"-1E9\" Rotation=\"-123456789\" CharSpacing=\"-3\"",
        "Width=\"-100\" Height=\"-100\" ParagraphGap=\"1E6\" HAlign=\"haBlock\" WordBreak=\"True\"",
        "Width=\"0\" Height=\"0\" AutoWidth=\"True\" Frame.Typ=\"15\" Frame.Style=\"fsDouble\" Frame.Width=\"1E9\"",
    };
    const char *otherAttrs[] = {
        "<TqdzLineView Name=\"L1\" Width=\"1E12\" Height=\"1E12\" Diagonal=\"True\" ArrowEnd=\"True\" "
        "ArrowStart=\"True\" ArrowLength=\"-2000000000\" ArrowWidth=\"2000000000\" Frame.Width=\"1E9\"/>",
        "<TqdzLineView Name=\"L2\" Width=\"5\" Height=\"0\" ArrowEnd=\"True\" ArrowSolid=\"True\" Frame.Style=\"fsSquare\" "
        "Frame.Width=\"30\"/>",
        "<TqdzShapeView Name=\"S1\" Width=\"1E9\" Height=\"40\" Shape=\"skRoundRectangle\" Curve=\"2000000000\" "
        "Frame.Style=\"fsDouble\" Frame.Width=\"1E8\" BrushStyle=\"bsDiagCross\" Color=\"255\"/>",
        "<TqdzShapeView Name=\"S2\" Width=\"40\" Height=\"40\" Shape=\"skDiagonal1\" Frame.Style=\"fsDouble\" "
        "Frame.Width=\"-1E8\"/>",
        "<TqdzPictureView Name=\"P1\" Width=\"1E9\" Height=\"-5\" AutoSize=\"True\" Stretched=\"False\" Center=\"True\"/>",
    };
    QByteArray body;
    int n = 0;
    for (const char *a : memoAttrs)
        body += "<TqdzMemoView Name=\"M" + QByteArray::number(++n) + "\" " + a + " Text=\"Some words to wrap, "
                "and more words&#13;&#10;second line\"/>";
    for (const char *a : otherAttrs)
        body += a;
    const QByteArray text = "<?xml version=\"1.0\" encoding=\"utf-8\"?><TqdzReport><TqdzReportPage Name=\"Page1\">"
                            "<TqdzMasterData Name=\"B1\" Height=\"100\">" + body
                            + "</TqdzMasterData></TqdzReportPage></TqdzReport>";
    TqdzReport r(nullptr);
    TStringStream s(text);
    r.LoadFromStream(&s);
    QElapsedTimer timer;
    timer.start();
    int views = 0;
    TList *all = r.AllObjects();
    for (int i = 0; i < all->Count(); ++i) {
        auto *v = dynamic_cast<TqdzView *>(static_cast<TqdzComponent *>(all->Items(i)));
        if (!v)
            continue;
        ++views;
        SCOPED_TRACE(v->Name().toStdString());
        TImage t(300, 200);
        try {
            v->Draw(t.Canvas.get(), 1, 1, 0, 0);
            if (auto *m = dynamic_cast<TqdzCustomMemoView *>(v)) {
                m->CalcHeight();
                m->CalcWidth();
                m->BeginParts();
                for (int k = 0; k < 2000 && m->HasMoreParts(); ++k)
                    m->CutPart();
                EXPECT_FALSE(m->HasMoreParts());
            }
        } catch (const Exception &) {
            // Refusing a value is fine; crashing or hanging is not.
        }
        t.Done();
    }
    EXPECT_EQ(views, 11);
    EXPECT_LT(timer.elapsed(), 120000);
}

TEST(DrawTextWrap, AHugeHyphenatedWordBreaksAtItsSyllables)
{
    // One Cyrillic word of 60,000 letters with word breaking on: each line
    // ends in a hyphen at a syllable.
    QString word;
    for (int i = 0; i < 10000; ++i)
        word += QStringLiteral("\u041C\u041E\u041B\u041E\u041A\u041E"); // МОЛОКО
    TFont f;
    f.SetName(QStringLiteral("Arial"));
    f.SetSize(10);
    TqdzDrawText d;
    d.SetFont(&f);
    d.SetOptions(true, false, 0, true, false, true, false);
    d.SetGaps(0, 0, 0);
    const TRect r{0, 0, 200, 100};
    d.SetDimensions(1, 1, 1, r, r);
    TWideStrings w;
    w.Add(word);
    // Its cost in proportion to the word: bench_drawtext's BM_DrawText_HyphenatedWord.
    d.SetText(&w);
    ASSERT_GT(d.Text()->Count(), 100);
    for (int i = 0; i + 1 < d.Text()->Count(); ++i) {
        const QString line = d.Text()->Get(i);
        ASSERT_TRUE(line.endsWith(QLatin1Char('-'))) << i;
        // Breaks fall after a vowel of МО-ЛО-КО.
        EXPECT_EQ(line[line.size() - 2], QChar(0x041E)) << i;
    }
    EXPECT_EQ(TqdzDrawText::HyphenPoints(QStringLiteral("\u041C\u041E\u041B\u041E\u041A\u041E")),
              (std::vector<int>{2, 4}));
}
