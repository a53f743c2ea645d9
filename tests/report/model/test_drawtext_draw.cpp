// Drawing through the text layout: alignment, rotation, justification,
// paragraph indent, tag colours and weights, clipping, and agreement of the
// drawn width with the measured one, checked by pixels.
#include "TestFiles.h"
#include "report/model/qdzDrawText.h"

#include "platform/Graphics.h"
#include "platform/SysUtils.h"
#include "report/model/qdzWideStrings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QPrinter>
#include <QImage>
#include <QRect>

namespace {

struct TInk
{
    QRect Box; // empty when nothing is drawn
    int Count = 0;
};

TInk InkOf(const QImage &Img, const QRect &Area = QRect())
{
    const QRect a = Area.isNull() ? Img.rect() : Area.intersected(Img.rect());
    TInk ink;
    for (int y = a.top(); y <= a.bottom(); ++y)
        for (int x = a.left(); x <= a.right(); ++x)
            if (qGray(Img.pixel(x, y)) < 160) {
                ink.Box = ink.Box.isNull() ? QRect(x, y, 1, 1) : ink.Box.united(QRect(x, y, 1, 1));
                ++ink.Count;
            }
    return ink;
}

int RedCount(const QImage &Img, const QRect &Area)
{
    int n = 0;
    for (int y = Area.top(); y <= Area.bottom(); ++y)
        for (int x = Area.left(); x <= Area.right(); ++x) {
            const QRgb p = Img.pixel(x, y);
            if (qRed(p) > 200 && qGreen(p) < 90 && qBlue(p) < 90)
                ++n;
        }
    return n;
}

struct TDraw
{
    QString FontName = QStringLiteral("Courier New");
    int FontSize = 12;
    TFontStyles Style;
    bool WordWrap = true, Tags = true, Wysiwyg = true, Clipped = false, RTL = false;
    int Rotation = 0;
    double LineSpacing = 0, ParagraphGap = 0;
    double Scale = 1;
    TRect Rect{10, 10, 210, 60}; // target pixels
    TqdzHAlign HAlign = haLeft;
    TqdzVAlign VAlign = vaTop;
    QSize ImageSize{240, 240};

    QImage Run(const QString &Text, TqdzDrawText *Layout = nullptr) const
    {
        TqdzDrawText own;
        TqdzDrawText *d = Layout ? Layout : &own;
        TFont f;
        f.SetName(FontName);
        f.SetSize(FontSize);
        f.SetStyle(Style);
        QImage img(ImageSize, QImage::Format_RGB32);
        img.fill(Qt::white);
        TCanvas c(&img);
        d->Lock();
        d->SetFont(&f);
        d->SetOptions(WordWrap, Tags, Rotation, Wysiwyg, Clipped, false, RTL);
        d->SetGaps(LineSpacing, 0, ParagraphGap);
        d->SetDimensions(Scale, Scale, 1, Rect, Rect);
        TWideStrings w;
        w.SetText(Text);
        d->SetText(&w);
        d->DrawText(&c, HAlign, VAlign);
        d->Unlock();
        c.Release();
        return img;
    }
};

} // namespace

TEST(DrawTextDraw, HorizontalAlignmentShiftsByTheFreeWidth)
{
    TDraw t;
    t.WordWrap = false;
    const TInk left = InkOf(t.Run(QStringLiteral("MMMM")));
    t.HAlign = haRight;
    const TInk right = InkOf(t.Run(QStringLiteral("MMMM")));
    t.HAlign = haCenter;
    const TInk center = InkOf(t.Run(QStringLiteral("MMMM")));
    ASSERT_FALSE(left.Box.isNull());
    // 4 cells of 60 at 600 per inch are 38 pixels at 96; the rectangle is 200.
    EXPECT_LE(std::abs(left.Box.left() - 10), 2);
    EXPECT_EQ(right.Box.left() - left.Box.left(), 200 - 38);
    EXPECT_EQ(center.Box.left() - left.Box.left(), (200 - 38) / 2);
    EXPECT_EQ(right.Box.width(), left.Box.width());
    EXPECT_LE(right.Box.right(), 209);
}

TEST(DrawTextDraw, VerticalAlignmentShiftsByTheFreeHeight)
{
    TDraw t; // one 16-pixel line in a 50-pixel rectangle
    const TInk top = InkOf(t.Run(QStringLiteral("MMMM")));
    t.VAlign = vaBottom;
    const TInk bottom = InkOf(t.Run(QStringLiteral("MMMM")));
    t.VAlign = vaCenter;
    const TInk center = InkOf(t.Run(QStringLiteral("MMMM")));
    EXPECT_EQ(bottom.Box.top() - top.Box.top(), 34);
    EXPECT_EQ(center.Box.top() - top.Box.top(), 17);
    EXPECT_LT(bottom.Box.bottom(), 60);
    // Two lines with 4 units of spacing: the block is 40 high.
    t.VAlign = vaBottom;
    t.LineSpacing = 4;
    const TInk two = InkOf(t.Run(QStringLiteral("MMMM\nMMMM")));
    EXPECT_EQ(two.Box.top() - top.Box.top(), 10);
}

TEST(DrawTextDraw, LinesFollowTheLineStep)
{
    TDraw t;
    t.Rect = {10, 10, 210, 210};
    t.LineSpacing = 4;
    const QImage img = t.Run(QStringLiteral("M\nM\nM"));
    const TInk l0 = InkOf(img, QRect(0, 0, 240, 30));
    const TInk l1 = InkOf(img, QRect(0, 30, 240, 20));
    const TInk l2 = InkOf(img, QRect(0, 50, 240, 20));
    EXPECT_EQ(l1.Box.top() - l0.Box.top(), 20);
    EXPECT_EQ(l2.Box.top() - l0.Box.top(), 40);
}

TEST(DrawTextDraw, RotationStartsAtItsCorner)
{
    TDraw t;
    t.Rect = {10, 10, 110, 210};
    t.WordWrap = false;
    const TInk flat = InkOf(t.Run(QStringLiteral("MMMMMM")));
    struct Case {
        int Rotation;
        bool NearLeft, NearTop;
        bool Upright; // the run goes along x
    } cases[] = {
        {90, true, false, false},
        {180, false, false, true},
        {270, false, true, false},
    };
    for (const Case &c : cases) {
        t.Rotation = c.Rotation;
        const TInk ink = InkOf(t.Run(QStringLiteral("MMMMMM")));
        ASSERT_FALSE(ink.Box.isNull()) << c.Rotation;
        if (c.Upright) {
            EXPECT_NEAR(ink.Box.width(), flat.Box.width(), 1) << c.Rotation;
        } else {
            EXPECT_NEAR(ink.Box.height(), flat.Box.width(), 1) << c.Rotation;
            EXPECT_NEAR(ink.Box.width(), flat.Box.height(), 1) << c.Rotation;
        }
        if (c.NearLeft)
            EXPECT_LE(ink.Box.left() - 10, 4) << c.Rotation;
        else
            EXPECT_LE(109 - ink.Box.right(), 4) << c.Rotation;
        if (c.NearTop)
            EXPECT_LE(ink.Box.top() - 10, 4) << c.Rotation;
        else
            EXPECT_LE(209 - ink.Box.bottom(), 4) << c.Rotation;
    }
    // At 90 degrees the text runs upwards and the next line lies to the right.
    t.Rotation = 90;
    const QImage img = t.Run(QStringLiteral("M\nMMMMMM"));
    const TInk first = InkOf(img, QRect(0, 0, 26, 240));
    const TInk second = InkOf(img, QRect(26, 0, 30, 240));
    ASSERT_FALSE(first.Box.isNull());
    ASSERT_FALSE(second.Box.isNull());
    EXPECT_GT(first.Box.top(), 180); // one letter, at the bottom
    EXPECT_LT(second.Box.top(), first.Box.top());
    EXPECT_EQ(second.Box.left() - first.Box.left(), 16);
}

TEST(DrawTextDraw, GeneralAngleStaysInside)
{
    TDraw t;
    t.Rect = {20, 20, 220, 220};
    t.WordWrap = false;
    t.Clipped = false;
    for (int angle : {30, 45, 135, 200, 300}) {
        t.Rotation = angle;
        const TInk ink = InkOf(t.Run(QStringLiteral("MMMM")));
        ASSERT_FALSE(ink.Box.isNull()) << angle;
        EXPECT_TRUE(QRect(18, 18, 204, 204).contains(ink.Box)) << angle;
    }
}

TEST(DrawTextDraw, JustifiedParagraph)
{
    TDraw t;
    t.Rect = {0, 0, 70, 100}; // 7 cells a line: "aa bb", "cc dd", "ee"
    t.ImageSize = {100, 100};
    auto bands = [](const QImage &Img) {
        return std::vector<TInk>{InkOf(Img, QRect(0, 0, 100, 16)), InkOf(Img, QRect(0, 16, 100, 16)),
                                 InkOf(Img, QRect(0, 32, 100, 16))};
    };
    const auto left = bands(t.Run(QStringLiteral("aa bb cc dd ee")));
    t.HAlign = haBlock;
    const auto block = bands(t.Run(QStringLiteral("aa bb cc dd ee")));
    // Full lines reach the right edge, the last line stays left.
    EXPECT_GE(block[0].Box.right(), 66);
    EXPECT_GE(block[1].Box.right(), 66);
    EXPECT_LT(left[0].Box.right(), 55);
    EXPECT_EQ(block[0].Box.left(), left[0].Box.left());
    EXPECT_EQ(block[2].Box, left[2].Box);
    // With right-to-left reading the last line goes right.
    t.RTL = true;
    const auto rtl = bands(t.Run(QStringLiteral("aa bb cc dd ee")));
    EXPECT_GE(rtl[2].Box.right(), 66);
    EXPECT_EQ(rtl[0].Box, block[0].Box);
}

TEST(DrawTextDraw, ParagraphGapIndentsFirstLines)
{
    TDraw t;
    t.Rect = {0, 0, 200, 100};
    t.WordWrap = false;
    const QString text = QStringLiteral("MMM\nMMM");
    const QImage plain = t.Run(text);
    t.ParagraphGap = 20;
    const QImage gap = t.Run(text);
    const QRect line0(0, 0, 240, 16), line1(0, 16, 240, 16);
    EXPECT_EQ(InkOf(gap, line0).Box.left() - InkOf(plain, line0).Box.left(), 20);
    EXPECT_EQ(InkOf(gap, line1).Box.left() - InkOf(plain, line1).Box.left(), 20); // each line starts a paragraph
    // A continued paragraph is not indented.
    TqdzDrawText d;
    TFont f;
    f.SetName(t.FontName);
    f.SetSize(12);
    d.SetFont(&f);
    d.SetOptions(false, true, 0, true, false, false, false);
    d.SetGaps(0, 0, 20);
    d.SetDimensions(1, 1, 1, t.Rect, t.Rect);
    TWideStrings w;
    w.SetText(text);
    d.SetText(&w);
    d.SetParaBreaks(true, false);
    QImage img(240, 240, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        TCanvas c(&img);
        d.DrawText(&c, haLeft, vaTop);
    }
    EXPECT_EQ(InkOf(img, line0).Box.left(), InkOf(plain, line0).Box.left());
    EXPECT_EQ(InkOf(img, line1).Box.left(), InkOf(gap, line1).Box.left());
    // Right alignment ignores the gap.
    t.HAlign = haRight;
    const QImage right = t.Run(text);
    t.ParagraphGap = 0;
    EXPECT_EQ(InkOf(right, line0).Box, InkOf(t.Run(text), line0).Box);
}

TEST(DrawTextDraw, TagColoursAndWeights)
{
    TDraw t;
    t.WordWrap = false;
    const QRect first(0, 0, 50, 40), second(50, 0, 190, 40);
    for (const QString &s : {QStringLiteral("<font color=\"#FF0000\">MMM</font> MMM"),
                             QStringLiteral("<font color=red>MMM</font> MMM")}) {
        const QImage img = t.Run(s);
        EXPECT_GT(RedCount(img, first), 20) << s.toStdString();
        EXPECT_EQ(RedCount(img, second), 0) << s.toStdString();
        EXPECT_GT(InkOf(img, second).Count, 20) << s.toStdString();
    }
    const QImage bold = t.Run(QStringLiteral("<b>MMM</b> MMM"));
    EXPECT_GT(InkOf(bold, first).Count, InkOf(bold, second).Count * 5 / 4);
    // An unknown tag is printed: the line is longer than its word.
    const TInk unknown = InkOf(t.Run(QStringLiteral("<q>MMM")));
    const TInk word = InkOf(t.Run(QStringLiteral("MMM")));
    EXPECT_GT(unknown.Box.width(), word.Box.width() + 20);
}

TEST(DrawTextDraw, Clipping)
{
    TDraw t;
    t.WordWrap = false;
    t.Rect = {10, 10, 40, 30};
    const QString text = QStringLiteral("MMMMMMMMMM");
    EXPECT_GT(InkOf(t.Run(text)).Box.right(), 60);
    t.Clipped = true;
    const TInk clipped = InkOf(t.Run(text));
    ASSERT_FALSE(clipped.Box.isNull());
    EXPECT_LE(clipped.Box.right(), 39);
    EXPECT_LE(clipped.Box.bottom(), 29);
}

TEST(DrawTextDraw, DrawnWidthAgreesWithMeasuredWidth)
{
    TDraw t;
    t.WordWrap = false;
    t.Rect = {0, 0, 230, 40};
    const QString text = QStringLiteral("MMMMMMMMMMMMMMM");
    // Measured: 15 cells of 60 at 600 per inch, 144 report units.
    TqdzDrawText d;
    TFont f;
    f.SetName(t.FontName);
    f.SetSize(12);
    d.SetFont(&f);
    d.SetOptions(false, true, 0, true, false, false, false);
    d.SetGaps(0, 0, 0);
    d.SetDimensions(1, 1, 1, t.Rect, t.Rect);
    TWideStrings w;
    w.SetText(text);
    d.SetText(&w);
    EXPECT_DOUBLE_EQ(d.CalcWidth(), 144);
    // At 96 per inch the font's own cells are 10 pixels: 150, 6 more than measured.
    t.Wysiwyg = false;
    const TInk own = InkOf(t.Run(text));
    t.Wysiwyg = true;
    const TInk wysiwyg = InkOf(t.Run(text));
    EXPECT_EQ(own.Box.width() - wysiwyg.Box.width(), 6);
    // Twice the scale, twice the width (within a pixel of glyph rounding).
    t.Scale = 2;
    t.Rect = {0, 0, 460, 80};
    t.ImageSize = {480, 100};
    const TInk twice = InkOf(t.Run(text));
    EXPECT_NEAR(twice.Box.width(), 2 * wysiwyg.Box.width(), 3);
    EXPECT_NEAR(twice.Box.right() - twice.Box.left() + 1, 288, 4);
}

TEST(DrawTextDraw, ChineseAndLatinMemoPicture)
{
    TDraw t;
    t.FontName = QStringLiteral("宋体");
    t.FontSize = 10;
    t.Scale = 2;
    t.Rect = {20, 20, 620, 340};
    t.ImageSize = {640, 360};
    t.HAlign = haBlock;
    TqdzDrawText d;
    const QString text = QStringLiteral(
        "送货单 No. 20261207-015\n"
        "客户：城东蔬菜批发市场 (East Market) 送货线路：三号线\n"
        "品名 Product: 西红柿 Tomato 毛重 Gross 12.50 kg 皮重 Tare 0.60 kg 净重 Net 11.90 kg "
        "单价 3.20 元/kg 金额 38.08 元\n"
        "<b>合计</b> <font color=red>叁拾捌元零捌分</font> 签收：________");
    const QImage img = t.Run(text, &d);
    const QString path = TestFile(QStringLiteral("drawtext_memo.png"));
    img.save(path);
    ASSERT_GT(d.Text()->Count(), 4);
    // Every line is drawn in its own band: a 10-point font at 192 per inch
    // steps 27 pixels.
    for (int i = 0; i < d.Text()->Count(); ++i)
        EXPECT_GT(InkOf(img, QRect(20, 20 + i * 27, 600, 27)).Count, 30) << i;
    EXPECT_GT(RedCount(img, img.rect()), 50);
    // Nothing below the text: a line further down is clear (descenders of the
    // last line may reach a few pixels past its band, depending on the font).
    EXPECT_EQ(InkOf(img, QRect(0, 20 + (d.Text()->Count() + 1) * 27, 640, 20)).Count, 0);
    // Full lines of a justified paragraph end at the right edge.
    EXPECT_GE(InkOf(img, QRect(20, 20 + 27, 600, 27)).Box.right(), 615);
}

TEST(DrawTextDraw, PrinterCanvasTakesThePrinterResolution)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(TestFile(QStringLiteral("drawtext_printer.pdf")));
    const int res = printer.resolution();
    ASSERT_GT(res, 96);
    TqdzDrawText d;
    TFont f;
    f.SetName(QStringLiteral("Arial"));
    f.SetSize(12);
    d.SetFont(&f);
    d.SetOptions(true, true, 0, true, false, false, false);
    d.SetGaps(0, 0, 0);
    const TRect r{0, 0, 2000, 400};
    d.SetDimensions(res / 96.0, res / 96.0, 0.5, r, r);
    TWideStrings w;
    w.SetText(QStringLiteral("Printed 打印"));
    d.SetText(&w);
    TCanvas c(&printer);
    d.DrawText(&c, haLeft, vaTop);
    // Printer fonts follow the device resolution and the print scale, not ScaleY.
    EXPECT_EQ(c.Font()->Height(), -Round(12 * res * 0.5 / 72));
    c.Release();
}

TEST(DrawTextDraw, RightToLeftReadingOrdersTheLine)
{
    TDraw t;
    t.FontName = QStringLiteral("Arial");
    t.WordWrap = false;
    t.RTL = true;
    // Hebrew then a number, read right to left: the number stands at the left.
    const QString mixed = QString::fromUtf8("\u05e9\u05dc\u05d5\u05dd 2026");
    const QImage rtl = t.Run(mixed);
    const QImage digits = t.Run(QStringLiteral("2026"));
    t.RTL = false;
    const QImage ltr = t.Run(mixed);
    rtl.save(TestFile(QStringLiteral("drawtext_rtl.png")));
    const TInk r = InkOf(rtl), d = InkOf(digits), l = InkOf(ltr);
    ASSERT_FALSE(r.Box.isNull());
    ASSERT_FALSE(d.Box.isNull());
    const QRect head(r.Box.left(), 0, d.Box.width(), 60);
    const QRect digitHead(d.Box.left(), 0, d.Box.width(), 60);
    const QRect ltrHead(l.Box.left(), 0, d.Box.width(), 60);
    auto differing = [](const QImage &A, const QRect &RA, const QImage &B, const QRect &RB) {
        int n = 0;
        for (int y = 0; y < RA.height(); ++y)
            for (int x = 0; x < RA.width(); ++x)
                n += std::abs(qGray(A.pixel(RA.left() + x, y)) - qGray(B.pixel(RB.left() + x, y))) > 60;
        return n;
    };
    EXPECT_LE(differing(rtl, head, digits, digitHead), 3);
    EXPECT_GT(differing(ltr, ltrHead, digits, digitHead), 10);

    // Styled runs: the first run of the line sits at its right end.
    t.RTL = true;
    const QImage runs = t.Run(QStringLiteral("<font color=\"#FF0000\">AAA</font> BBB"));
    const TInk ink = InkOf(runs);
    ASSERT_FALSE(ink.Box.isNull());
    const int mid = (ink.Box.left() + ink.Box.right()) / 2;
    EXPECT_GT(RedCount(runs, QRect(mid, 0, 240 - mid, 240)), 10);
    EXPECT_EQ(RedCount(runs, QRect(0, 0, mid - 2, 240)), 0);
}
