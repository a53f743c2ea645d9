// Colour arithmetic, system facts and the drawing primitives of the suite.
#include "YbCommon.h"

#include "Registry.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TColor Px(TBitmap &B, int X, int Y)
{
    return QColorToColor(QColor::fromRgb(B.Image().pixel(X, Y)));
}

// A bitmap of W x H filled with one colour.
void Blank(TBitmap &B, int W, int H, TColor C = clWhite)
{
    B.SetSize(W, H);
    B.Canvas()->Brush()->SetColor(C);
    B.Canvas()->FillRect(Rect(0, 0, W, H));
}

} // namespace

TEST(YbColour, SplitColorHlsOfWhiteRedAndGrey)
{
    Byte h, s, l;
    SplitColorHls(clWhite, h, s, l);
    EXPECT_EQ(h, 0);
    EXPECT_EQ(s, 0);
    EXPECT_EQ(l, 240);
    SplitColorHls(clRed, h, s, l);
    EXPECT_EQ(h, 0);
    EXPECT_EQ(s, 240);
    EXPECT_EQ(l, 120);
    // System colours resolve first: button face 212,208,200.
    SplitColorHls(clBtnFace, h, s, l);
    EXPECT_EQ(int(l), 194); // (212 + 200) / 2 / 255 x 240 = 193.9
    EXPECT_EQ(HueOfColor(clBlue), 160);
    EXPECT_EQ(HueOfColor(clLime), 80);
}

TEST(YbColour, ColorFromHls)
{
    for (int hue : {0, 60, 120, 239, 240})
        for (int sat : {0, 100, 240})
            EXPECT_EQ(ColorFromHls(Byte(hue), Byte(sat), 0), clBlack) << hue << " " << sat;
    EXPECT_EQ(ColorFromHls(0, 240, 120), clRed);
    EXPECT_EQ(ColorFromHls(0, 0, 240), clWhite);
    // Hue 239 and above fall into the first sextant again.
    EXPECT_EQ(ColorFromHls(239, 240, 120), ColorFromHls(0, 240, 120));
    // A luminance above 240 clips each channel at 255.
    EXPECT_EQ(ColorFromHls(0, 0, 255), clWhite);
    // The cyan side of red: hue 120 on the 239 scale lands just past the third sextant.
    EXPECT_EQ(OppositeHue(clRed, 120), RGB(0, 252, 255));
    EXPECT_EQ(OppositeHue(clAqua, 120), ColorFromHls(0, 240, 120));
}

TEST(YbColour, ShadesAndMixes)
{
    EXPECT_EQ(ShadeDown(clBlack, 50), clBlack);
    EXPECT_EQ(ShadeUp(clWhite, 50), clWhite);
    EXPECT_EQ(ShadeDown(clWhite, 240), clBlack);
    EXPECT_EQ(ShadeUp(clBlack, 240), clWhite);
    EXPECT_EQ(ShadeUp(clBlack, 120), RGB(128, 128, 128));
    // Amount 0 returns the colour itself, a system colour included.
    EXPECT_EQ(ShadeBy(clBtnFace, 0), clBtnFace);
    EXPECT_EQ(ShadeBy(clBtnFace, 1) & 0xFF000000, 0);
    EXPECT_EQ(ShadeBy(clBtnFace, -1) & 0xFF000000, 0);
    EXPECT_EQ(ShadeBy(clGray, -30), ShadeDown(clGray, 30));
    EXPECT_EQ(ShadeBy(clGray, 30), ShadeUp(clGray, 30));
    // The magnitude is taken as a byte: -286 darkens by 30.
    EXPECT_EQ(ShadeBy(clGray, -286), ShadeDown(clGray, 30));

    EXPECT_EQ(MixColors(clBtnFace, clWhite, 255), RGB(212, 208, 200));
    EXPECT_EQ(MixColors(clWhite, clBtnShadow, 0), RGB(128, 128, 128));
    EXPECT_EQ(MixColors(clWhite, clBlack, 128), RGB(128, 128, 128));
    EXPECT_EQ(MixColors(RGB(10, 20, 30), RGB(30, 40, 50), 51), RGB(26, 36, 46));
}

TEST(YbColour, ColorsLookAlikeBoundaries)
{
    // Hues 0 and 20 (exactly 20 apart) differ; 0 and 19 look alike.
    ASSERT_EQ(HueOfColor(RGB(255, 128, 0)), 20);
    ASSERT_EQ(HueOfColor(RGB(255, 120, 0)), 19);
    EXPECT_FALSE(ColorsLookAlike(clRed, RGB(255, 128, 0)));
    EXPECT_TRUE(ColorsLookAlike(clRed, RGB(255, 120, 0)));
    // Luminances 0 and 60 differ; 0 and 59 look alike.
    EXPECT_FALSE(ColorsLookAlike(clBlack, RGB(64, 64, 64)));
    EXPECT_TRUE(ColorsLookAlike(clBlack, RGB(63, 63, 63)));
    EXPECT_TRUE(ColorsLookAlike(clGrayText, clBtnShadow));
}

TEST(YbSystem, XpColorSchemeFromTheRegistry)
{
    QTemporaryDir dir;
    const QString saved = TRegistry::StoreFileName();
    TRegistry::SetStoreFileName(dir.filePath(QStringLiteral("registry.ini")));
    EXPECT_EQ(QueryXpColorScheme(), 0);
    // Looking it up writes nothing.
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("registry.ini"))));
    struct Case {
        const char *Name;
        int Scheme;
    } cases[] = {{"homestead", 1}, {"HomeStead", 1}, {"METALLIC", 2}, {"NormalColor", 0}, {"", 0}};
    for (const Case &c : cases) {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager"), true));
        reg.WriteString(QStringLiteral("ColorName"), QString::fromLatin1(c.Name));
        reg.CloseKey();
        EXPECT_EQ(QueryXpColorScheme(), c.Scheme) << c.Name;
    }
    // A value of another type counts as no scheme.
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager"), true));
        reg.WriteInteger(QStringLiteral("ColorName"), 1);
    }
    EXPECT_EQ(QueryXpColorScheme(), 0);
    TRegistry::SetStoreFileName(saved);
}

TEST(YbSystem, OsFeatureTable)
{
    struct Case {
        int Feature, Platform, Major, Minor;
        bool Expected;
    } cases[] = {
        {0, 1, 4, 0, true},   {0, 2, 3, 51, false}, {1, 1, 4, 0, false},  {1, 2, 4, 0, true},
        {2, 1, 4, 10, true},  {2, 2, 5, 0, false},  {2, 2, 5, 1, false},  {2, 2, 6, 0, false},
        {3, 1, 4, 90, true},  {3, 1, 4, 10, false}, {3, 2, 5, 0, true},   {4, 1, 5, 0, false},
        {4, 2, 5, 0, true},   {5, 2, 5, 0, false},  {5, 2, 5, 1, true},   {5, 2, 6, 0, true},
        {6, 2, 5, 1, false},  {6, 2, 5, 2, true},   {6, 2, 6, 0, true},   {7, 2, 5, 2, false},
        {7, 2, 6, 0, true},   {8, 2, 6, 0, false},  {8, 2, 6, 1, true},   {9, 2, 10, 0, false},
        {-1, 2, 10, 0, false}, {0, 3, 10, 0, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(OsFeatureAvailable(c.Feature, c.Platform, c.Major, c.Minor), c.Expected)
            << c.Feature << " " << c.Platform << " " << c.Major << "." << c.Minor;
    EXPECT_TRUE(OsFeatureAvailable(4));
    EXPECT_FALSE(ThemeServicesEnabled());
    InitializeYbCommon();
    EXPECT_TRUE(HighColorDisplay);
}

TEST(YbEdges, PaintEdgesPixelsAndRemainder)
{
    TBitmap b;
    Blank(b, 10, 8);
    const TRect r = PaintEdges(b.Canvas(), Rect(1, 1, 9, 7), clRed, AllSides, clBlue);
    EXPECT_EQ(r, Rect(2, 2, 8, 6));
    EXPECT_EQ(Px(b, 1, 1), clRed);
    EXPECT_EQ(Px(b, 1, 6), clBlue); // the bottom line owns the bottom-left corner
    EXPECT_EQ(Px(b, 8, 1), clBlue); // the right line owns the top-right corner
    EXPECT_EQ(Px(b, 5, 1), clRed);
    EXPECT_EQ(Px(b, 8, 4), clBlue);
    EXPECT_EQ(Px(b, 5, 6), clBlue);
    EXPECT_EQ(Px(b, 0, 0), clWhite);
    EXPECT_EQ(Px(b, 9, 7), clWhite);
    EXPECT_EQ(Px(b, 2, 2), clWhite);

    // clNone paints nothing, but the sides still count.
    TBitmap n;
    Blank(n, 10, 8);
    EXPECT_EQ(PaintEdges(n.Canvas(), Rect(0, 0, 10, 8), clNone, TSides{sdLeft, sdBottom}, clNone),
              Rect(1, 0, 10, 7));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(Px(n, x, y), clWhite) << x << "," << y;

    TBitmap t;
    Blank(t, 6, 6);
    EXPECT_EQ(PaintEdgesRepeated(t.Canvas(), Rect(0, 0, 6, 6), clBlack, TSides{sdTop}, 3, clRed),
              Rect(0, 3, 6, 6));
    EXPECT_EQ(Px(t, 3, 2), clBlack);
    EXPECT_EQ(Px(t, 3, 3), clWhite);
    EXPECT_EQ(Px(t, 0, 4), clWhite);
}

TEST(YbEdges, StyledEdges)
{
    TBitmap b;
    Blank(b, 12, 12);
    EXPECT_EQ(PaintStyledEdges(b.Canvas(), Rect(0, 0, 12, 12), fsNone, AllSides), Rect(0, 0, 12, 12));
    EXPECT_EQ(Px(b, 0, 0), clWhite);
    EXPECT_EQ(PaintStyledEdges(b.Canvas(), Rect(0, 0, 12, 12), fsFlatBold, AllSides), Rect(2, 2, 10, 10));
    EXPECT_EQ(Px(b, 1, 5), RGB(128, 128, 128));
    EXPECT_EQ(Px(b, 10, 5), RGB(128, 128, 128));
    EXPECT_EQ(Px(b, 2, 5), clWhite);

    struct Case {
        TFrameStyle Style;
        TColor OuterLT, OuterRB, InnerLT, InnerRB;
    } cases[] = {
        {fsRaised, cl3DLight, cl3DDkShadow, clBtnHighlight, clBtnShadow},
        {fsLowered, clBtnShadow, clBtnHighlight, cl3DDkShadow, cl3DLight},
        {fsButtonUp, clBtnHighlight, cl3DDkShadow, cl3DLight, clBtnShadow},
        {fsButtonDown, clBtnText, clBtnText, clBtnShadow, clBtnShadow},
    };
    for (const Case &c : cases) {
        TBitmap s;
        Blank(s, 12, 12, clRed);
        EXPECT_EQ(PaintStyledEdges(s.Canvas(), Rect(0, 0, 12, 12), c.Style, AllSides), Rect(2, 2, 10, 10));
        EXPECT_EQ(Px(s, 0, 5), ColorToRGB(c.OuterLT)) << c.Style;
        EXPECT_EQ(Px(s, 5, 0), ColorToRGB(c.OuterLT)) << c.Style;
        EXPECT_EQ(Px(s, 11, 5), ColorToRGB(c.OuterRB)) << c.Style;
        EXPECT_EQ(Px(s, 5, 11), ColorToRGB(c.OuterRB)) << c.Style;
        EXPECT_EQ(Px(s, 1, 5), ColorToRGB(c.InnerLT)) << c.Style;
        EXPECT_EQ(Px(s, 10, 5), ColorToRGB(c.InnerRB)) << c.Style;
        EXPECT_EQ(Px(s, 5, 5), clRed) << c.Style;
    }
    // Single passes.
    TBitmap p;
    Blank(p, 6, 6, clRed);
    EXPECT_EQ(PaintStyledEdges(p.Canvas(), Rect(0, 0, 6, 6), fsStatus, TSides{sdLeft, sdRight}), Rect(1, 0, 5, 6));
    EXPECT_EQ(Px(p, 0, 3), RGB(128, 128, 128));
    EXPECT_EQ(Px(p, 5, 3), clWhite);
    EXPECT_EQ(Px(p, 3, 0), clRed);
}

TEST(YbEdges, GrooveAndBump)
{
    TBitmap g;
    Blank(g, 8, 8, clRed);
    EXPECT_EQ(PaintStyledEdges(g.Canvas(), Rect(0, 0, 8, 8), fsGroove, AllSides), Rect(2, 2, 6, 6));
    // Groove: shadow outside on the left/top, highlight inside; the reverse right/bottom.
    EXPECT_EQ(Px(g, 0, 3), RGB(128, 128, 128));
    EXPECT_EQ(Px(g, 1, 3), clWhite);
    EXPECT_EQ(Px(g, 7, 3), clWhite);
    EXPECT_EQ(Px(g, 6, 3), RGB(128, 128, 128));
    EXPECT_EQ(Px(g, 3, 7), clWhite);
    EXPECT_EQ(Px(g, 3, 3), clRed);

    TBitmap b;
    Blank(b, 8, 8, clRed);
    PaintStyledEdges(b.Canvas(), Rect(0, 0, 8, 8), fsBump, AllSides);
    EXPECT_EQ(Px(b, 0, 3), clWhite);
    EXPECT_EQ(Px(b, 1, 3), RGB(128, 128, 128));

    // Top alone: the corner pixels take the first colour at the right end and
    // the second one below the left end.
    TBitmap t;
    Blank(t, 8, 8, clRed);
    EXPECT_EQ(PaintStyledEdges(t.Canvas(), Rect(0, 0, 8, 8), fsGroove, TSides{sdTop}), Rect(0, 2, 8, 8));
    EXPECT_EQ(Px(t, 3, 0), RGB(128, 128, 128));
    EXPECT_EQ(Px(t, 3, 1), clWhite);
    EXPECT_EQ(Px(t, 0, 1), clWhite);
    EXPECT_EQ(Px(t, 3, 2), clRed);
}

TEST(YbEdges, ShadedAndByStyle)
{
    const TColor base = RGB(0, 128, 0);
    TBitmap s;
    Blank(s, 10, 10, clRed);
    EXPECT_EQ(PaintShadedEdges(s.Canvas(), Rect(0, 0, 10, 10), base, AllSides, false), Rect(2, 2, 8, 8));
    EXPECT_EQ(Px(s, 0, 5), ShadeUp(base, 100));
    EXPECT_EQ(Px(s, 9, 5), ShadeDown(base, 100));
    EXPECT_EQ(Px(s, 1, 5), ShadeUp(base, 40));
    EXPECT_EQ(Px(s, 8, 5), ShadeDown(base, 50));
    TBitmap f;
    Blank(f, 10, 10, clRed);
    PaintShadedEdges(f.Canvas(), Rect(0, 0, 10, 10), base, AllSides, true);
    EXPECT_EQ(Px(f, 0, 5), ShadeDown(base, 100));
    EXPECT_EQ(Px(f, 1, 5), ShadeDown(base, 50));

    struct Case {
        TFrameStyleEx Style;
        TRect Inner;
        TColor Left0, Right0;
    } cases[] = {
        {fsNone, Rect(0, 0, 10, 10), clRed, clRed},
        {fsFlat, Rect(1, 1, 9, 9), ShadeDown(base, 50), ShadeDown(base, 50)},
        {fsStatus, Rect(1, 1, 9, 9), ShadeDown(base, 50), ShadeUp(base, 100)},
        {fsPopup, Rect(1, 1, 9, 9), ShadeUp(base, 100), ShadeDown(base, 50)},
        {fsFlatBold, Rect(2, 2, 8, 8), ShadeDown(base, 50), ShadeDown(base, 50)},
        {fsLowered, Rect(2, 2, 8, 8), ShadeDown(base, 50), ShadeUp(base, 100)},
        {fsRaised, Rect(2, 2, 8, 8), ShadeUp(base, 50), ShadeDown(base, 100)},
        {fsButtonDown, Rect(2, 2, 8, 8), ShadeDown(base, 100), ShadeDown(base, 100)},
        {fsButtonUp, Rect(2, 2, 8, 8), ShadeUp(base, 100), ShadeDown(base, 100)},
        {fsGroove, Rect(2, 2, 8, 8), ShadeDown(base, 50), ShadeUp(base, 100)},
        {fsFlatRounded, Rect(2, 2, 8, 8), ShadeUp(base, 100), ShadeDown(base, 50)},
    };
    for (const Case &c : cases) {
        TBitmap b;
        Blank(b, 10, 10, clRed);
        EXPECT_EQ(PaintFrameByStyle(b.Canvas(), Rect(0, 0, 10, 10), c.Style, base), c.Inner) << c.Style;
        EXPECT_EQ(Px(b, 0, 5), c.Left0) << c.Style;
        EXPECT_EQ(Px(b, 9, 5), c.Right0) << c.Style;
    }
}

TEST(YbEdges, DottedFocusAndTrimmedBox)
{
    TBitmap b;
    Blank(b, 8, 6);
    EXPECT_EQ(PaintDottedFocus(b.Canvas(), Rect(0, 0, 8, 6)), Rect(1, 1, 7, 5));
    EXPECT_EQ(Px(b, 0, 0), clWhite);
    EXPECT_EQ(Px(b, 0, 1), clBlack);
    EXPECT_EQ(Px(b, 0, 2), clWhite);
    EXPECT_EQ(Px(b, 0, 3), clBlack);
    EXPECT_EQ(Px(b, 7, 5), clBlack);
    EXPECT_EQ(Px(b, 1, 0), clBlack);
    EXPECT_EQ(Px(b, 2, 0), clWhite);
    EXPECT_EQ(Px(b, 7, 0), clBlack);
    EXPECT_EQ(Px(b, 3, 5), clBlack);
    EXPECT_EQ(Px(b, 3, 3), clWhite);

    TBitmap t;
    Blank(t, 8, 8);
    EXPECT_EQ(PaintTrimmedBox(t.Canvas(), Rect(0, 0, 8, 8), clBlue, AllSides), Rect(2, 2, 6, 6));
    EXPECT_EQ(Px(t, 0, 0), clWhite);
    EXPECT_EQ(Px(t, 1, 0), clWhite);
    EXPECT_EQ(Px(t, 0, 1), clWhite);
    EXPECT_EQ(Px(t, 1, 1), clBlue);
    EXPECT_EQ(Px(t, 2, 0), clBlue);
    EXPECT_EQ(Px(t, 5, 0), clBlue);
    EXPECT_EQ(Px(t, 6, 0), clWhite);
    EXPECT_EQ(Px(t, 0, 2), clBlue);
    EXPECT_EQ(Px(t, 6, 6), clBlue);
    EXPECT_EQ(Px(t, 7, 7), clWhite);
    EXPECT_EQ(Px(t, 7, 4), clBlue);
    EXPECT_EQ(Px(t, 2, 2), clWhite);
}

TEST(YbGradient, EmptyAndPlainCases)
{
    TBitmap b;
    Blank(b, 20, 20, clRed);
    PaintGradient(b.Canvas(), Rect(5, 5, 5, 15), gdHorizontalEnd, 1, clBlack, clWhite);
    PaintGradient(b.Canvas(), Rect(5, 5, 15, 5), gdDiagonalUp, 1, clBlack, clWhite);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(Px(b, x, y), clRed);
    // A box narrower than 5 pixels keeps the plain fill of colour B.
    PaintGradient(b.Canvas(), Rect(0, 0, 4, 20), gdSquareBox, 1, clBlack, clWhite);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 4; ++x)
            ASSERT_EQ(Px(b, x, y), clWhite);
    EXPECT_EQ(Px(b, 4, 0), clRed);
    // Equal colours: plain.
    PaintGradient(b.Canvas(), Rect(0, 0, 20, 20), gdDiagonalDown, 1, clBlue, clBlue);
    EXPECT_EQ(Px(b, 0, 0), clBlue);
    EXPECT_EQ(Px(b, 19, 19), clBlue);
}

TEST(YbGradient, DirectionsRunTheRightWay)
{
    const TColor a = RGB(0, 0, 0), bcol = RGB(200, 100, 250);
    TBitmap b;
    Blank(b, 30, 40, clRed);
    PaintGradient(b.Canvas(), Rect(0, 0, 30, 40), gdHorizontalEnd, 1, a, bcol);
    // A at the bottom, B at the top, the same across each row.
    EXPECT_EQ(Px(b, 0, 39), a);
    EXPECT_EQ(Px(b, 29, 39), a);
    EXPECT_LT(std::abs(GetRValue(Px(b, 15, 0)) - 200), 6);
    for (int y = 1; y < 40; ++y)
        ASSERT_LE(GetRValue(Px(b, 10, y)), GetRValue(Px(b, 10, y - 1)));
    for (int x = 0; x < 30; ++x)
        ASSERT_EQ(Px(b, x, 20), Px(b, 0, 20));

    Blank(b, 30, 40, clRed);
    PaintGradient(b.Canvas(), Rect(0, 0, 30, 40), gdHorizontalCenter, 1, a, bcol);
    EXPECT_EQ(Px(b, 5, 19), a);
    EXPECT_EQ(Px(b, 5, 20), Px(b, 5, 19 + 1));
    EXPECT_LT(std::abs(GetRValue(Px(b, 5, 0)) - GetRValue(Px(b, 5, 39))), 12);
    EXPECT_GT(GetRValue(Px(b, 5, 0)), 180);

    Blank(b, 40, 10, clRed);
    PaintGradient(b.Canvas(), Rect(0, 0, 40, 10), gdVerticalEnd, 1, a, bcol);
    EXPECT_EQ(Px(b, 39, 0), a);
    EXPECT_EQ(Px(b, 39, 9), a);
    EXPECT_GT(GetRValue(Px(b, 0, 5)), 190);

    Blank(b, 41, 41, clRed);
    PaintGradient(b.Canvas(), Rect(0, 0, 41, 41), gdSquareBox, 1, a, bcol);
    EXPECT_EQ(Px(b, 0, 0), a);
    EXPECT_EQ(Px(b, 40, 40), a);
    EXPECT_EQ(Px(b, 0, 40), a);
    EXPECT_GT(GetRValue(Px(b, 20, 20)), 180);
    EXPECT_EQ(Px(b, 3, 10), Px(b, 37, 10));
    EXPECT_EQ(Px(b, 10, 3), Px(b, 10, 37));

    Blank(b, 30, 30, clRed);
    PaintGradient(b.Canvas(), Rect(0, 0, 30, 30), gdDiagonalDown, 1, a, bcol);
    EXPECT_EQ(Px(b, 0, 0), a);
    EXPECT_GT(GetRValue(Px(b, 29, 29)), 185);
    Blank(b, 30, 30, clRed);
    PaintGradient(b.Canvas(), Rect(0, 0, 30, 30), gdDiagonalUp, 1, a, bcol);
    EXPECT_EQ(Px(b, 0, 29), a);
    EXPECT_GT(GetRValue(Px(b, 29, 0)), 185);

    // Coarse bands: with coarseness 20 no band is shorter than 12 pixels.
    Blank(b, 8, 100, clRed);
    PaintGradient(b.Canvas(), Rect(0, 0, 8, 100), gdHorizontalEnd, 20, clBlack, clWhite);
    int run = 1, shortest = 1000;
    for (int y = 98; y >= 0; --y) {
        if (Px(b, 0, y) == Px(b, 0, y + 1)) {
            ++run;
        } else {
            shortest = std::min(shortest, run);
            run = 1;
        }
    }
    EXPECT_GE(shortest, 12);
}

TEST(YbGradient, FrameOnlyOnHighColourDisplays)
{
    InitializeYbCommon();
    TBitmap b;
    Blank(b, 20, 20, clRed);
    HighColorDisplay = false;
    PaintGradientFrame(b.Canvas(), Rect(0, 0, 20, 20), gdHorizontalEnd, clBlack, clBlack);
    EXPECT_EQ(Px(b, 0, 0), clRed);
    HighColorDisplay = true;
    PaintGradientFrame(b.Canvas(), Rect(0, 0, 20, 20), gdHorizontalEnd, clBlack, clBlack);
    EXPECT_EQ(Px(b, 0, 0), clBlack);
    EXPECT_EQ(Px(b, 1, 10), clBlack);
    EXPECT_EQ(Px(b, 2, 10), clRed);
    EXPECT_EQ(Px(b, 18, 18), clBlack);
    EXPECT_EQ(Px(b, 17, 17), clRed);
    // The clipping is given back.
    b.Canvas()->Brush()->SetColor(clBlue);
    b.Canvas()->FillRect(Rect(0, 0, 20, 20));
    EXPECT_EQ(Px(b, 10, 10), clBlue);
}

TEST(YbBitmaps, FlipTransparentDoublingMirror)
{
    TBitmap b;
    Blank(b, 5, 4);
    b.Canvas()->SetPixels(1, 0, clRed);
    b.Canvas()->SetPixels(3, 2, clBlue);
    const QImage before = b.Image().copy();
    FlipBitmapVertical(&b);
    EXPECT_EQ(Px(b, 1, 3), clRed);
    EXPECT_EQ(Px(b, 3, 1), clBlue);
    EXPECT_EQ(Px(b, 1, 0), clWhite);
    FlipBitmapVertical(&b);
    EXPECT_EQ(b.Image().convertToFormat(QImage::Format_RGB32), before.convertToFormat(QImage::Format_RGB32));

    // Transparent stretch: olive pixels leave the destination as it was.
    TBitmap src;
    Blank(src, 2, 2, clOlive);
    src.Canvas()->SetPixels(0, 0, clRed);
    TBitmap dst;
    Blank(dst, 6, 6, clBlue);
    StretchDrawTransparent(dst.Canvas(), &src, Rect(0, 0, 4, 4), clOlive, Rect(0, 0, 2, 2));
    EXPECT_EQ(Px(dst, 0, 0), clRed);
    EXPECT_EQ(Px(dst, 1, 1), clRed);
    EXPECT_EQ(Px(dst, 2, 2), clBlue);
    EXPECT_EQ(Px(dst, 3, 0), clBlue);

    QImage img(7, 5, QImage::Format_RGB32);
    img.fill(Qt::white);
    img.setPixel(0, 0, qRgb(255, 0, 0));
    img.setPixel(1, 0, qRgb(0, 0, 255));
    FillByDoubling(img, 0, 0, cmSrcCopy, 1, 2, 5, 7);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            ASSERT_EQ(img.pixel(x, y), x % 2 ? qRgb(0, 0, 255) : qRgb(255, 0, 0)) << x << "," << y;

    QImage m(6, 4, QImage::Format_RGB32);
    m.fill(Qt::white);
    m.setPixel(0, 0, qRgb(255, 0, 0));
    m.setPixel(2, 1, qRgb(0, 255, 0));
    MirrorHalves(m, 0, 0, cmSrcCopy, 4, 6);
    EXPECT_EQ(m.pixel(0, 3), qRgb(255, 0, 0));
    EXPECT_EQ(m.pixel(5, 0), qRgb(255, 0, 0));
    EXPECT_EQ(m.pixel(5, 3), qRgb(255, 0, 0));
    EXPECT_EQ(m.pixel(3, 1), qRgb(0, 255, 0));
    EXPECT_EQ(m.pixel(2, 2), qRgb(0, 255, 0));
    EXPECT_EQ(m.pixel(3, 2), qRgb(0, 255, 0));
}

TEST(YbGlyph, RadioGlyphRingFillDotAndOutside)
{
    struct Case {
        bool Checked;
        int State;
        TColor Centre, Inside;
    } cases[] = {
        {false, 0, clWhite, clWhite},
        {true, 0, clNavy, clWhite},
        {false, 1, ShadeDown(clWhite, 20), ShadeDown(clWhite, 20)},
        {false, 3, RGB(212, 208, 200), RGB(212, 208, 200)},
        {false, 2, clWhite, clYellow},
    };
    for (const Case &c : cases) {
        TBitmap b;
        Blank(b, 13, 13, clRed);
        PaintRadioGlyphPixels(b.Canvas(), Rect(0, 0, 13, 13), c.Checked, c.State, false, htsInterior, clBlack,
                              clNavy, clWhite, clWindow, clBtnFace, clYellow, clFuchsia, clWindow, false, clOlive,
                              false, false, clInfoBk);
        EXPECT_EQ(Px(b, 0, 0), clOlive) << c.State;
        EXPECT_EQ(Px(b, 12, 12), clOlive) << c.State;
        EXPECT_EQ(Px(b, 6, 0), c.State == 3 ? MixColors(clBlack, clBtnFace, 128) : clBlack) << c.State;
        EXPECT_EQ(Px(b, 6, 6), c.Centre) << c.State;
        EXPECT_EQ(Px(b, 6, 2), c.Inside) << c.State;
    }
}
