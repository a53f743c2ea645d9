// Tests of graphics text (platform).
#include "TestFiles.h"
#include "Graphics.h"

#include <QDir>
#include <QFontInfo>
#include <QFontMetrics>
#include <gtest/gtest.h>
#include <cstdlib>

namespace {

// Bounding box of the pixels that are not Paper; empty when none.
TRect InkBox(TBitmap &B, TColor Paper = clWhite)
{
    const QImage img = B.ToImage();
    TRect r{B.Width(), B.Height(), 0, 0};
    for (int y = 0; y < B.Height(); ++y)
        for (int x = 0; x < B.Width(); ++x)
            if (QColorToColor(QColor::fromRgb(img.pixel(x, y))) != Paper) {
                r.Left = std::min(r.Left, x);
                r.Top = std::min(r.Top, y);
                r.Right = std::max(r.Right, x + 1);
                r.Bottom = std::max(r.Bottom, y + 1);
            }
    return r.IsEmpty() ? TRect{} : r;
}

int CountInk(TBitmap &B, const TRect &R, TColor Paper = clWhite)
{
    const QImage img = B.ToImage();
    int n = 0;
    for (int y = R.Top; y < R.Bottom; ++y)
        for (int x = R.Left; x < R.Right; ++x)
            if (QColorToColor(QColor::fromRgb(img.pixel(x, y))) != Paper)
                ++n;
    return n;
}

bool MappedFonts()
{
    return std::getenv("FONTCONFIG_FILE") != nullptr;
}

struct TextTest : ::testing::Test {
    TBitmap bmp;
    TCanvas *c = nullptr;
    void SetUp() override
    {
        bmp.SetSize(200, 60);
        c = bmp.Canvas();
        c->Font()->SetName("Arial");
        c->Font()->SetSize(10);
        c->Brush()->SetStyle(bsClear);
    }
};

TEST_F(TextTest, WidthsAddUpCharacterByCharacter)
{
    const QString s = "Weigh 12.5 kg";
    int sum = 0;
    for (QChar ch : s)
        sum += c->TextWidth(QString(ch));
    EXPECT_EQ(c->TextWidth(s), sum);
    EXPECT_EQ(c->TextWidth(""), 0);
    std::vector<int> ext;
    c->GetTextExtents(s, ext);
    ASSERT_EQ(ext.size(), size_t(s.size()));
    EXPECT_EQ(ext.back(), sum);
    EXPECT_EQ(ext[0], c->TextWidth("W"));
    const TCanvas::TTextMetric m = c->GetTextMetrics();
    EXPECT_EQ(c->TextHeight("x"), m.Ascent + m.Descent);
    EXPECT_EQ(c->TextExtent("ab"), (TSize{c->TextWidth("ab"), c->TextHeight("ab")}));
    // Font size in points at 96 pixels per inch: 10 pt is 13 pixels of em.
    EXPECT_EQ(c->Font()->Height(), -13);
    EXPECT_EQ(FontToQFont(c->Font()).pixelSize(), 13);
    c->Font()->SetSize(20);
    EXPECT_EQ(FontToQFont(c->Font()).pixelSize(), 27);
    EXPECT_GT(c->TextWidth(s), sum);
}

// The canvas keeps the fonts it drew lately with their advances: each
// change of name, size, style or pitch measures with that font, also when it
// comes back after others (more than the canvas keeps) were used between.
TEST_F(TextTest, FontsComingBackMeasureAsTheyDidFirst)
{
    const QString s = QStringLiteral("Weigh 12.5 kg 西红柿");
    auto measure = [&](const char *Name, int Size, bool Bold, TFontPitch Pitch) {
        c->Font()->SetName(Name);
        c->Font()->SetSize(Size);
        c->Font()->SetStyle(Bold ? TFontStyles{fsBold} : TFontStyles{});
        c->Font()->SetPitch(Pitch);
        return std::make_pair(c->TextWidth(s), c->TextHeight(s));
    };
    const auto plain = measure("Arial", 10, false, fpDefault);
    const auto bold = measure("Arial", 10, true, fpDefault);
    const auto big = measure("Arial", 20, false, fpDefault);
    const auto mono = measure("Courier New", 10, false, fpDefault);
    EXPECT_NE(bold.first, plain.first);
    EXPECT_GT(big.first, plain.first);
    EXPECT_GT(big.second, plain.second);
    EXPECT_NE(mono.first, plain.first);
    for (int size = 11; size < 21; ++size)
        measure("Tahoma", size, false, fpDefault);
    EXPECT_EQ(measure("Arial", 10, false, fpDefault), plain);
    EXPECT_EQ(measure("Arial", 10, true, fpDefault), bold);
    EXPECT_EQ(measure("Courier New", 10, false, fpDefault), mono);
    EXPECT_EQ(measure("Arial", 20, false, fpDefault), big);
    // Each width is the sum of the font's own character advances.
    measure("Arial", 10, true, fpDefault);
    const QFontMetrics fm(FontToQFont(c->Font()));
    int sum = 0;
    for (QChar ch : s)
        sum += fm.horizontalAdvance(ch);
    EXPECT_EQ(c->TextWidth(s), sum);
}

TEST_F(TextTest, TextOutStartsAtTheTopLeftOfTheCell)
{
    c->TextOut(10, 20, "Hg");
    const TRect ink = InkBox(bmp);
    const int w = c->TextWidth("Hg"), h = c->TextHeight("Hg");
    EXPECT_GE(ink.Left, 10);
    EXPECT_LE(ink.Left, 12);
    EXPECT_GE(ink.Top, 20);
    EXPECT_LE(ink.Top, 23);
    EXPECT_LE(ink.Right, 10 + w + 1);
    EXPECT_LE(ink.Bottom, 20 + h);
    EXPECT_GT(ink.Bottom, 20 + h - 5); // the descender of g
    EXPECT_EQ(c->PenPos(), Point(10 + w, 20));
}

TEST_F(TextTest, SolidBrushFillsTheTextCell)
{
    c->Brush()->SetColor(clYellow);
    c->Font()->SetColor(clBlue);
    c->TextOut(5, 5, "ab");
    const int w = c->TextWidth("ab"), h = c->TextHeight("ab");
    EXPECT_EQ(InkBox(bmp), Rect(5, 5, 5 + w, 5 + h));
    EXPECT_EQ(c->Pixels(5, 5), clYellow);
    EXPECT_EQ(c->Pixels(5 + w - 1, 5 + h - 1), clYellow);
    EXPECT_EQ(c->Pixels(5 + w, 5), clWhite);
}

TEST_F(TextTest, TextRectClipsAndFills)
{
    c->Brush()->SetColor(clSilver);
    c->TextRect(Rect(10, 10, 30, 25), 12, 12, "WWWWWWWWWW");
    EXPECT_EQ(InkBox(bmp), Rect(10, 10, 30, 25));
    EXPECT_EQ(c->Pixels(10, 10), clSilver);
}

TEST_F(TextTest, DrawTextMeasuresWrapsAndAligns)
{
    const int lineH = c->TextHeight("A");
    TRect r = Rect(0, 0, 1000, 0);
    EXPECT_EQ(c->DrawText("one two", r, DT_CALCRECT | DT_SINGLELINE), lineH);
    EXPECT_EQ(r, Rect(0, 0, c->TextWidth("one two"), lineH));

    // Wrapping at blanks: the blanks at the break are dropped.
    const int wOne = c->TextWidth("one two");
    r = Rect(0, 0, wOne + 2, 0);
    EXPECT_EQ(c->DrawText("one two three four", r, DT_CALCRECT | DT_WORDBREAK), 3 * lineH);
    EXPECT_EQ(r.Width(), std::max({wOne, c->TextWidth("three"), c->TextWidth("four")}));
    // A word wider than the rectangle stays whole.
    r = Rect(0, 0, 5, 0);
    c->DrawText("unbreakable", r, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_EQ(r, Rect(0, 0, c->TextWidth("unbreakable"), lineH));
    // No text, no height (a label adds a blank to measure an empty caption).
    r = Rect(0, 0, 100, 0);
    EXPECT_EQ(c->DrawText("", r, DT_CALCRECT), 0);
    EXPECT_EQ(r, Rect(0, 0, 0, 0));
    // Line breaks in the text count, CR LF as one.
    r = Rect(0, 0, 100, 0);
    EXPECT_EQ(c->DrawText("a\r\nb\nc", r, DT_CALCRECT), 3 * lineH);
    EXPECT_EQ(c->DrawText("a\r\nb\nc", r, DT_CALCRECT | DT_SINGLELINE), lineH);

    // Right and centre alignment and vertical centring of a single line.
    TRect box = Rect(20, 10, 120, 50);
    const int w = c->TextWidth("Mm");
    const int ret = c->DrawText("Mm", box, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    const int top = 10 + (40 - lineH) / 2;
    EXPECT_EQ(ret, top - 10 + lineH);
    const TRect ink = InkBox(bmp);
    EXPECT_LE(ink.Right, 120);
    EXPECT_GE(ink.Left, 120 - w);
    EXPECT_GE(ink.Top, top);
    EXPECT_LE(ink.Bottom, top + lineH);
}

TEST_F(TextTest, AcceleratorsAreUnderlinedAndNotShown)
{
    TRect r = Rect(0, 0, 200, 0);
    c->DrawText("&File", r, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(r.Width(), c->TextWidth("File"));
    c->DrawText("A&&B", r, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(r.Width(), c->TextWidth("A&B"));
    c->DrawText("&File", r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_EQ(r.Width(), c->TextWidth("&File"));

    // The underline runs under the F only.
    TRect box = Rect(0, 0, 200, 40);
    c->DrawText("&File", box, DT_SINGLELINE);
    const int fw = c->TextWidth("F");
    const int h = c->TextHeight("F");
    TBitmap plain;
    plain.SetSize(200, 60);
    plain.Canvas()->Font()->Assign(c->Font());
    plain.Canvas()->Brush()->SetStyle(bsClear);
    TRect box2 = Rect(0, 0, 200, 40);
    plain.Canvas()->DrawText("File", box2, DT_SINGLELINE);
    const int extraUnderF = CountInk(bmp, Rect(0, 0, fw, h)) - CountInk(plain, Rect(0, 0, fw, h));
    EXPECT_GE(extraUnderF, fw - 2);
    EXPECT_EQ(CountInk(bmp, Rect(fw, 0, 200, h)), CountInk(plain, Rect(fw, 0, 200, h)));
    // DT_HIDEPREFIX: no underline.
    TBitmap hidden;
    hidden.SetSize(200, 60);
    hidden.Canvas()->Font()->Assign(c->Font());
    hidden.Canvas()->Brush()->SetStyle(bsClear);
    TRect box3 = Rect(0, 0, 200, 40);
    hidden.Canvas()->DrawText("&File", box3, DT_SINGLELINE | DT_HIDEPREFIX);
    EXPECT_EQ(CountInk(hidden, Rect(0, 0, 200, 60)), CountInk(plain, Rect(0, 0, 200, 60)));
}

TEST_F(TextTest, EndEllipsisShortensTheLine)
{
    TRect box = Rect(0, 0, 60, 20);
    c->DrawText("A rather long caption", box, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOCLIP);
    const TRect ink = InkBox(bmp);
    EXPECT_LE(ink.Right, 60);
    EXPECT_GT(ink.Right, 40);
}

// The text recorder keeps each run with its cell, in order, whatever the
// brush, underline or scale, and tells the same place the bitmap shows.
TEST_F(TextTest, RecorderKeepsEveryRunWithItsCell)
{
    TTextRecordDevice rec(400, 300);
    {
        TCanvas rc(&rec);
        rc.Font()->SetName("Arial");
        rc.Font()->SetSize(10);
        rc.Brush()->SetStyle(bsSolid);
        rc.Brush()->SetColor(clYellow);
        rc.TextOut(10, 20, "Apple 西红柿");
        rc.Font()->SetStyle(TFontStyles{fsUnderline});
        rc.Brush()->SetStyle(bsClear);
        rc.TextOut(30, 100, "pear");
    }
    ASSERT_EQ(rec.Records.size(), 2u);
    EXPECT_EQ(rec.Records[0].Text, QString("Apple 西红柿"));
    EXPECT_EQ(rec.Records[1].Text, "pear");
    const int w = c->TextWidth("Apple 西红柿"), h = c->TextHeight("Apple 西红柿");
    EXPECT_EQ(rec.Records[0].Rect, QRectF(10, 20, w, h));
    EXPECT_DOUBLE_EQ(rec.Records[1].Rect.left(), 30);
    EXPECT_DOUBLE_EQ(rec.Records[1].Rect.top(), 100);
    EXPECT_GT(rec.Records[1].Rect.width(), 0);
}

TEST(FontMapping, WindowsNamesMapToInstalledFonts)
{
    if (!MappedFonts())
        GTEST_SKIP() << "FONTCONFIG_FILE is not set (scripts/test sets it)";
    struct { const char *name; const char *family; } cases[] = {
        {"Arial", "Liberation Sans"},     {"Courier New", "Liberation Mono"},
        {"Times New Roman", "Liberation Serif"}, {"Tahoma", "DejaVu Sans"},
        {"MS Sans Serif", "DejaVu Sans"}, {"SimSun", "WenQuanYi Zen Hei"},
        {"宋体", "WenQuanYi Zen Hei"},    {"黑体", "WenQuanYi Zen Hei"},
    };
    TFont f;
    for (const auto &c : cases) {
        f.SetName(QString::fromUtf8(c.name));
        EXPECT_EQ(QFontInfo(FontToQFont(&f)).family(), QString::fromLatin1(c.family)) << c.name;
    }
}

TEST(FontMapping, ChineseTextIsDrawnInFullWidthGlyphs)
{
    TBitmap b;
    b.SetSize(420, 90);
    TCanvas *c = b.Canvas();
    c->Brush()->SetStyle(bsClear);
    c->Font()->SetName(QString::fromUtf8("宋体"));
    c->Font()->SetSize(16);
    const QString zh = QString::fromUtf8("过总榜 称重 提示!");
    c->TextOut(4, 4, zh);
    c->Font()->SetName("Arial");
    c->Font()->SetSize(12);
    c->Font()->SetStyle(TFontStyles{fsBold});
    c->Font()->SetColor(clNavy);
    const QString mixed = QString::fromUtf8("Arial 混合 12.50 kg");
    c->TextOut(4, 40, mixed);
    // A Chinese character is one em wide, a Latin letter much less.
    c->Font()->SetName(QString::fromUtf8("宋体"));
    c->Font()->SetSize(16);
    c->Font()->SetStyle(TFontStyles{});
    const int em = -c->Font()->Height();
    EXPECT_NEAR(c->TextWidth(QString::fromUtf8("称")), em, 1);
    EXPECT_LT(c->TextWidth("i"), em / 2);
    // Every Chinese character left ink in its own cell.
    int x = 4;
    for (QChar ch : zh) {
        const int w = c->TextWidth(QString(ch));
        if (ch.unicode() > 0x2E80) {
            EXPECT_GT(CountInk(b, Rect(x, 4, x + w, 4 + c->TextHeight(zh))), 20) << x;
        }
        x += w;
    }
    b.SaveToFile(TestFile("station_text_zh.bmp"));
    const QString png = TestFile("station_text_zh.png");
    EXPECT_TRUE(b.ToImage().save(png));
}

} // namespace
