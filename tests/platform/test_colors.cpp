// Tests of colors (platform).
#include "Colors.h"
#include "Exceptions.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

TEST(Colors, ValuesAreBlueGreenRed)
{
    EXPECT_EQ(clRed, 0x0000FF);
    EXPECT_EQ(clLime, 0x00FF00);
    EXPECT_EQ(clBlue, 0xFF0000);
    EXPECT_EQ(clNavy, 0x800000);
    EXPECT_EQ(clOlive, 0x008080);
    EXPECT_EQ(clNone, 0x1FFFFFFF);
    EXPECT_EQ(clDefault, 0x20000000);
    EXPECT_EQ(RGB(1, 2, 3), 0x030201);
    EXPECT_EQ(GetRValue(0x030201), 1);
    EXPECT_EQ(GetGValue(0x030201), 2);
    EXPECT_EQ(GetBValue(0x030201), 3);
    // System colours carry the index in the low byte and are negative.
    EXPECT_EQ(clBtnFace, TColor(0xFF00000F));
    EXPECT_LT(clBtnFace, 0);
    EXPECT_EQ(clMenuHighlight, TColor(0xFF00001D));
}

TEST(Colors, SystemColoursResolveThroughTheClassicPalette)
{
    struct { TColor c; TColor rgb; } cases[] = {
        {clBtnFace, RGB(212, 208, 200)},   {clWindow, RGB(255, 255, 255)},
        {clWindowText, RGB(0, 0, 0)},      {clHighlight, RGB(10, 36, 106)},
        {clHighlightText, RGB(255, 255, 255)}, {clBtnShadow, RGB(128, 128, 128)},
        {clBtnHighlight, RGB(255, 255, 255)}, {cl3DDkShadow, RGB(64, 64, 64)},
        {cl3DLight, RGB(212, 208, 200)},   {clGrayText, RGB(128, 128, 128)},
        {clInfoBk, RGB(255, 255, 225)},    {clHotLight, RGB(0, 0, 128)},
        {clBtnText, RGB(0, 0, 0)},         {clActiveCaption, RGB(10, 36, 106)},
        {clMenuHighlight, RGB(51, 153, 255)}, {clMenuBar, RGB(212, 208, 200)},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ColorToRGB(c.c), c.rgb) << ColorToString(c.c).toStdString();
    // The older 0x80000000 form of a system colour resolves the same way.
    EXPECT_EQ(ColorToRGB(TColor(0x8000000F)), RGB(212, 208, 200));
    // RGB values and the two special values come back unchanged.
    EXPECT_EQ(ColorToRGB(clRed), clRed);
    EXPECT_EQ(ColorToRGB(clNone), clNone);
    EXPECT_EQ(ColorToRGB(clDefault), clDefault);
    // An index beyond the table is black.
    EXPECT_EQ(ColorToRGB(TColor(0xFF000040)), 0);
    EXPECT_EQ(ColorToQColor(clBtnFace), QColor(212, 208, 200));
    EXPECT_EQ(QColorToColor(QColor(1, 2, 3)), RGB(1, 2, 3));
}

TEST(Colors, NamesRoundTrip)
{
    QStringList names;
    GetColorValues([&](const QString &n) { names << n; });
    ASSERT_EQ(names.size(), 52);
    EXPECT_EQ(names.first(), "clBlack");
    EXPECT_EQ(names.last(), "clWindowText");
    for (const QString &n : names) {
        const TColor c = StringToColor(n);
        EXPECT_EQ(ColorToString(c), n);
        TColor viaLower = 0;
        EXPECT_TRUE(IdentToColor(n.toLower(), viaLower));
        EXPECT_EQ(viaLower, c);
    }
    // clLtGray and clDkGray share values with clSilver and clGray.
    EXPECT_EQ(ColorToString(clLtGray), "clSilver");
}

TEST(Colors, UnnamedColoursAreHexText)
{
    EXPECT_EQ(ColorToString(0x123456), "$00123456");
    EXPECT_EQ(ColorToString(0xABCDEF), "$00ABCDEF");
    EXPECT_EQ(ColorToString(TColor(0xFF000099)), "$FF000099");
    EXPECT_EQ(StringToColor("$00ABCDEF"), 0xABCDEF);
    EXPECT_EQ(StringToColor("$abcdef"), 0xABCDEF);
    EXPECT_EQ(StringToColor("0x10"), 16);
    EXPECT_EQ(StringToColor("255"), 255);
    EXPECT_EQ(StringToColor("-16777201"), clBtnFace);
    EXPECT_EQ(StringToColor("$FF00000F"), clBtnFace);
    EXPECT_EQ(StringToColor("CLRED"), clRed);
    for (const char *bad : {"", "red", "$", "12x", "$1FFFFFFFF", "2147483648"})
        EXPECT_THROW(StringToColor(bad), EConvertError) << bad;
    try {
        StringToColor("red");
    } catch (const EConvertError &e) {
        EXPECT_EQ(e.Message(), "'red' is not a valid integer value");
    }
    QString ident;
    EXPECT_FALSE(ColorToIdent(0x123456, ident));
    TColor c = 5;
    EXPECT_FALSE(IdentToColor("clNoSuch", c));
    EXPECT_EQ(c, 5);
}

} // namespace
