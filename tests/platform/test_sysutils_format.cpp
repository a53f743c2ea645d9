// Number formatting and parsing: FloatToStr, FloatToStrF, Format, FormatFloat,
// StrToFloat, and the settings they read.
#include "SysUtils.h"
#include "Object.h"
#include "Variants.h"
#include <gtest/gtest.h>
#include <cmath>
#include <limits>

namespace {

// Tests that change the global settings put them back.
struct SettingsGuard
{
    TFormatSettings Saved = FormatSettings;
    ~SettingsGuard() { FormatSettings = Saved; }
};

struct FloatCase
{
    double Value;
    const char *Text;
};

} // namespace

TEST(SysUtilsFloatToStr, GeneralFormatFifteenDigits)
{
    const FloatCase cases[] = {
        {0.1 + 0.2, "0.3"},
        {1e20, "1E20"},
        {1e-5, "1E-5"},
        {123456789012345678.0, "1.23456789012346E17"},
        {-0.0000123, "-1.23E-5"},
        {100, "100"},
        {1.5, "1.5"},
        {0, "0"},
        {-0.0, "0"},
        {1e15, "1E15"},
        {1e14, "100000000000000"},
        {0.0001, "0.0001"},
        {123456.789, "123456.789"},
        {1.0 / 3, "0.333333333333333"},
        {2.0 / 3, "0.666666666666667"},
        {-2.0 / 3, "-0.666666666666667"},
        {999999999999999.9, "1E15"},
        {12345678901234.5, "12345678901234.5"},
        {1.5e-10, "1.5E-10"},
        {std::numeric_limits<double>::infinity(), "INF"},
        {-std::numeric_limits<double>::infinity(), "-INF"},
        {std::numeric_limits<double>::quiet_NaN(), "NAN"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FloatToStr(c.Value), QString::fromLatin1(c.Text)) << c.Text;
}

TEST(SysUtilsFloatToStr, FloatToStrFFormats)
{
    struct Case
    {
        double Value;
        TFloatFormat Format;
        int Precision, Digits;
        const char *Text;
    };
    const Case cases[] = {
        {1234.5, ffFixed, 15, 2, "1234.50"},
        {1234.5, ffNumber, 15, 2, "1,234.50"},
        {1234567.5, ffNumber, 15, 0, "1,234,568"},
        {1234.5, ffExponent, 5, 2, "1.2345E+03"},
        {0.00012, ffExponent, 3, 0, "1.20E-4"},
        {1234.5, ffGeneral, 3, 0, "1.23E3"},
        {1234.5, ffCurrency, 15, 2, "$1,234.50"},
        {-1234.5, ffCurrency, 15, 2, "($1,234.50)"},
        {-0.001, ffFixed, 15, 2, "0.00"},
        {1e20, ffFixed, 15, 2, "1E20"},
        {1.23456789, ffFixed, 3, 5, "1.23000"},
        {999.996, ffFixed, 15, 2, "1000.00"},
        {0, ffExponent, 4, 2, "0.000E+00"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FloatToStrF(c.Value, c.Format, c.Precision, c.Digits), QString::fromLatin1(c.Text))
            << c.Text;
}

TEST(SysUtilsFloatToStr, CurrencyPlacementFollowsSettings)
{
    SettingsGuard guard;
    struct Case
    {
        int Pos, Neg;
        const char *Positive, *Negative;
    };
    const Case cases[] = {
        {0, 0, "$1.50", "($1.50)"},    {1, 1, "1.50$", "-$1.50"},     {2, 2, "$ 1.50", "$-1.50"},
        {3, 3, "1.50 $", "$1.50-"},    {0, 4, "$1.50", "(1.50$)"},    {0, 5, "$1.50", "-1.50$"},
        {0, 6, "$1.50", "1.50-$"},     {0, 7, "$1.50", "1.50$-"},     {0, 8, "$1.50", "-1.50 $"},
        {0, 9, "$1.50", "-$ 1.50"},    {0, 10, "$1.50", "1.50 $-"},   {0, 11, "$1.50", "$ 1.50-"},
        {0, 12, "$1.50", "$ -1.50"},   {0, 13, "$1.50", "1.50- $"},   {0, 14, "$1.50", "($ 1.50)"},
        {0, 15, "$1.50", "(1.50 $)"},
    };
    for (const auto &c : cases) {
        FormatSettings.CurrencyFormat = c.Pos;
        FormatSettings.NegCurrFormat = c.Neg;
        EXPECT_EQ(FloatToStrF(1.5, ffCurrency, 15, 2), QString::fromLatin1(c.Positive)) << c.Pos;
        EXPECT_EQ(FloatToStrF(-1.5, ffCurrency, 15, 2), QString::fromLatin1(c.Negative)) << c.Neg;
    }
}

TEST(SysUtilsFloatToStr, SeparatorsComeFromSettings)
{
    SettingsGuard guard;
    FormatSettings.DecimalSeparator = QLatin1Char(',');
    FormatSettings.ThousandSeparator = QLatin1Char('.');
    EXPECT_EQ(FloatToStr(1.5), QStringLiteral("1,5"));
    EXPECT_EQ(Format(QStringLiteral("%n"), {1234.5}), QStringLiteral("1.234,50"));
    EXPECT_EQ(FormatFloat(QStringLiteral("#,##0.00"), 1234.5), QStringLiteral("1.234,50"));
    EXPECT_EQ(StrToFloat(QStringLiteral("1,5")), 1.5);
    EXPECT_THROW(StrToFloat(QStringLiteral("1.5")), EConvertError);
}

TEST(SysUtilsFloatToStr, CurrencyKeepsFourDecimals)
{
    EXPECT_EQ(CurrToStr(1.5), QStringLiteral("1.5"));
    EXPECT_EQ(CurrToStr(1.1), QStringLiteral("1.1"));
    EXPECT_EQ(CurrToStr(1.23456), QStringLiteral("1.2346"));
    EXPECT_EQ(CurrToStr(-3), QStringLiteral("-3"));
    EXPECT_EQ(FormatCurr(QStringLiteral("0.000000"), 1.23456789), QStringLiteral("1.234600"));
    // 1.005 is stored a little below itself; as money it is exactly 1.005.
    EXPECT_EQ(FormatCurr(QStringLiteral("0.00"), 1.005), QStringLiteral("1.01"));
    EXPECT_EQ(FormatFloat(QStringLiteral("0.00"), 1.005), QStringLiteral("1.00"));
}

TEST(SysUtilsFormat, ArgumentKinds)
{
    TObject obj;
    int local = 0;
    struct Case
    {
        TVarRec Arg;
        TVarRecType Kind;
    };
    const Case cases[] = {
        {TVarRec(1), vtInteger},
        {TVarRec(qint64(1)), vtInt64},
        {TVarRec(1u), vtInt64},
        {TVarRec(1L), vtInt64},
        {TVarRec(size_t(1)), vtInt64},
        {TVarRec(short(1)), vtInteger},
        {TVarRec(1.5), vtExtended},
        {TVarRec(1.5f), vtExtended},
        {TVarRec(true), vtBoolean},
        {TVarRec('a'), vtChar},
        {TVarRec(QChar(0x4E2D)), vtWideChar},
        {TVarRec(QStringLiteral("s")), vtUnicodeString},
        {TVarRec("s"), vtAnsiString},
        {TVarRec(&local), vtPointer},
        {TVarRec(nullptr), vtPointer},
        {TVarRec(&obj), vtObject},
        {TVarRec::Currency(1.5), vtCurrency},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.Arg.VType, c.Kind) << int(c.Kind);
    // The class library's numbering of the kinds.
    EXPECT_EQ(int(TVarRec::vtExtended), 3);
    EXPECT_EQ(int(vtObject), 7);
    EXPECT_EQ(int(vtCurrency), 12);
    EXPECT_EQ(int(vtInt64), 16);
    EXPECT_EQ(int(vtUnicodeString), 17);
    EXPECT_EQ(TVarRec(1u << 31).VInt64, 2147483648LL);
}

TEST(SysUtilsFormat, Integers)
{
    EXPECT_EQ(Format(QStringLiteral("%d"), {42}), QStringLiteral("42"));
    EXPECT_EQ(Format(QStringLiteral("%5d"), {42}), QStringLiteral("   42"));
    EXPECT_EQ(Format(QStringLiteral("%-5d|"), {42}), QStringLiteral("42   |"));
    EXPECT_EQ(Format(QStringLiteral("%.4d"), {-42}), QStringLiteral("-0042"));
    EXPECT_EQ(Format(QStringLiteral("%D"), {qint64(1234567890123)}), QStringLiteral("1234567890123"));
    EXPECT_EQ(Format(QStringLiteral("%d"), {std::numeric_limits<qint64>::min()}),
              QStringLiteral("-9223372036854775808"));
    EXPECT_EQ(Format(QStringLiteral("%u"), {-1}), QStringLiteral("4294967295"));
    EXPECT_EQ(Format(QStringLiteral("%x"), {255}), QStringLiteral("FF"));
    EXPECT_EQ(Format(QStringLiteral("%.4x"), {255}), QStringLiteral("00FF"));
    EXPECT_EQ(Format(QStringLiteral("%x"), {-1}), QStringLiteral("FFFFFFFF"));
    EXPECT_EQ(Format(QStringLiteral("%X"), {qint64(-1)}), QStringLiteral("FFFFFFFFFFFFFFFF"));
    EXPECT_EQ(Format(QStringLiteral("%d%%"), {50}), QStringLiteral("50%"));
}

TEST(SysUtilsFormat, FloatsRoundHalfAwayOnDecimalDigits)
{
    struct Case
    {
        const char *Fmt;
        double Value;
        const char *Text;
    };
    const Case cases[] = {
        {"%.2f", 0.125, "0.13"},
        {"%.2f", 0.375, "0.38"},
        {"%.2f", -0.125, "-0.13"},
        {"%.0f", 2.5, "3"},
        {"%.0f", -2.5, "-3"},
        {"%.1f", 0.05, "0.1"},
        {"%f", 1234.5, "1234.50"},
        {"%8.3f", 3.14159, "   3.142"},
        {"%.2f", -0.001, "0.00"},
        {"%e", 1234.5, "1.23450000000000E+003"},
        {"%.3e", 1234.5, "1.23E+003"},
        {"%e", -0.000123, "-1.23000000000000E-004"},
        {"%g", 1234.5, "1234.5"},
        {"%g", 0.1 + 0.2, "0.3"},
        {"%g", 0.000012345, "1.2345E-005"},
        {"%.3g", 1234.5, "1.23E003"},
        {"%n", 1234567.891, "1,234,567.89"},
        {"%.0n", 1234.5, "1,235"},
        {"%n", -1234.5, "-1,234.50"},
        {"%n", 999.999, "1,000.00"},
        {"%m", 1234.5, "$1,234.50"},
        {"%m", -1234.5, "($1,234.50)"},
        {"%.0m", 7.5, "$8"},
        {"%2.2f", 2.5, "2.50"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Format(QString::fromLatin1(c.Fmt), {c.Value}), QString::fromLatin1(c.Text)) << c.Fmt;
    EXPECT_EQ(Format(QStringLiteral("%.2f"), {TVarRec::Currency(1.005)}), QStringLiteral("1.01"));
}

TEST(SysUtilsFormat, StringsIndexesWidthAndStar)
{
    EXPECT_EQ(Format(QStringLiteral("%s"), {QStringLiteral("abc")}), QStringLiteral("abc"));
    EXPECT_EQ(Format(QStringLiteral("%5s|"), {"abc"}), QStringLiteral("  abc|"));
    EXPECT_EQ(Format(QStringLiteral("%-5s|"), {"abc"}), QStringLiteral("abc  |"));
    EXPECT_EQ(Format(QStringLiteral("%.2s"), {"abc"}), QStringLiteral("ab"));
    EXPECT_EQ(Format(QStringLiteral("%s%s"), {'x', QChar(0x4E2D)}), QString::fromUtf8("x\u4E2D"));
    EXPECT_EQ(Format(QStringLiteral("%1:s %0:s"), {"a", "b"}), QStringLiteral("b a"));
    EXPECT_EQ(Format(QStringLiteral("%1:s %s %0:s"), {"a", "b", "c"}), QStringLiteral("b c a"));
    EXPECT_EQ(Format(QStringLiteral("%*d"), {5, 42}), QStringLiteral("   42"));
    EXPECT_EQ(Format(QStringLiteral("%-*.*f|"), {8, 3, 3.14159}), QStringLiteral("3.142   |"));
    EXPECT_EQ(Format(QStringLiteral("%.*s"), {1, "xyz"}), QStringLiteral("x"));
    EXPECT_EQ(Format(QStringLiteral("%p"), {nullptr}), QStringLiteral("0000000000000000"));
    EXPECT_EQ(Format(QStringLiteral("no args"), {}), QStringLiteral("no args"));
    const std::vector<TVarRec> args{1, "two", 3.0};
    EXPECT_EQ(Format(QStringLiteral("%d %s %.1f"), args), QStringLiteral("1 two 3.0"));
}

TEST(SysUtilsFormat, VariantArgumentsServeStrings)
{
    const Variant text(QStringLiteral("kg")), number(2.5), flag(true), empty, null = Null();
    const Variant date = Variant::FromDate(EncodeDate(2024, 3, 9));
    EXPECT_EQ(TVarRec::FromVariant(&text).VType, vtVariant);
    EXPECT_EQ(Format(QStringLiteral("[%s|%4s|%-3s|%.1s]"),
                     {TVarRec::FromVariant(&text), TVarRec::FromVariant(&number),
                      TVarRec::FromVariant(&empty), TVarRec::FromVariant(&flag)}),
              QStringLiteral("[kg| 2.5|   |T]"));
    EXPECT_EQ(Format(QStringLiteral("%s"), {TVarRec::FromVariant(&date)}), QStringLiteral("2024-03-09"));
    // Null, a missing variant and other conversions do not suit.
    const std::vector<std::pair<const char *, TVarRec>> bad = {
        {"%s", TVarRec::FromVariant(&null)},
        {"%s", TVarRec::FromVariant(nullptr)},
        {"%d", TVarRec::FromVariant(&number)},
        {"%f", TVarRec::FromVariant(&number)},
    };
    for (const auto &[fmt, arg] : bad)
        EXPECT_THROW(Format(QString::fromLatin1(fmt), {arg}), EConvertError) << fmt;
}

TEST(SysUtilsFormat, WrongOrMissingArgumentsRaise)
{
    struct Case
    {
        const char *Fmt;
        std::vector<TVarRec> Args;
    };
    const Case cases[] = {
        {"%d", {1.5}},       {"%f", {1}},          {"%s", {1}},        {"%d", {}},
        {"abc%", {1}},       {"%z", {1}},          {"%s", {true}},     {"%2:s", {"a", "b"}},
        {"%x", {"a"}},       {"%e", {"1.5"}},      {"%*d", {"a", 1}},  {"%s %s", {"a"}},
        {"%p", {1}},         {"%m", {qint64(1)}},
    };
    for (const auto &c : cases) {
        const QString fmt = QString::fromLatin1(c.Fmt);
        try {
            Format(fmt, c.Args);
            ADD_FAILURE() << "no error for " << c.Fmt;
        } catch (const EConvertError &e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Format '%1' invalid or incompatible with argument").arg(fmt));
        }
    }
}

TEST(SysUtilsFormatFloat, PictureFormats)
{
    struct Case
    {
        const char *Fmt;
        double Value;
        const char *Text;
    };
    const Case cases[] = {
        {"#,##0.00", 1234567.891, "1,234,567.89"},
        {"#,##0.00", 0, "0.00"},
        {"#,##0.00", -1234.5, "-1,234.50"},
        {"#,##0.00", 0.5, "0.50"},
        {"#,##0", 999.5, "1,000"},
        {"0.###", 1.5, "1.5"},
        {"0.###", 1, "1"},
        {"0.###", 1.23456, "1.235"},
        {"0.0#", 2, "2.0"},
        {"00000", 123, "00123"},
        {"00000", -123, "-00123"},
        {"#.##", 0.5, ".5"},
        {"#.##", 0, ""},
        {"#.##", 1234, "1234"},
        {"0", 0.5, "1"},
        {"0", 1.5, "2"},
        {"0", 2.5, "3"},
        {"0", -0.5, "-1"},
        {"0", -0.4, "0"},
        {"0.00", 0.125, "0.13"},
        {"0.00", 0.005, "0.01"},
        {"00-00", 1234, "12-34"},
        {"0", 1e20, "1E20"},
        {"", 1234.5, "1234.5"},
        {"", -0.5, "-0.5"},
        {"#.##E+00", 12345, "1.23E+04"},
        {"#.##E+00", 0.00012345, "1.23E-04"},
        {"0.000E+00", 1234, "1.234E+03"},
        {"0.000E+00", 0.5, "5.000E-01"},
        {"0.000E+00", 0, "0.000E+00"},
        {"0.000E+00", -1234, "-1.234E+03"},
        {"#.###E-0", 1234, "1.234E3"},
        {"#.###e-0", 0.5, "5e-1"},
        {"#.###E-0", 0, "0E0"},
        {"00.0E+0", 12345, "12.3E+3"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FormatFloat(QString::fromLatin1(c.Fmt), c.Value), QString::fromLatin1(c.Text))
            << c.Fmt << " " << c.Value;
}

TEST(SysUtilsFormatFloat, SectionsAndLiterals)
{
    struct Case
    {
        const char *Fmt;
        double Value;
        const char *Text;
    };
    const Case cases[] = {
        {"#,##0.00;(#,##0.00)", -1234, "(1,234.00)"},
        {"#,##0.00;(#,##0.00)", 1234, "1,234.00"},
        {"#,##0.00;;Zero", 0, "Zero"},
        {"#,##0.00;;Zero", -5, "-5.00"},
        {"0.0;(0.0);\"nil\"", 0, "nil"},
        {"0.0;(0.0);\"nil\"", 0.01, "nil"},
        {"0.0;(0.0);\"nil\"", -0.01, "nil"},
        {"0.0;(0.0);\"nil\"", -2, "(2.0)"},
        {"0.0;", -2, "-2.0"},
        {";0", 5, "5"},
        {"\"$\"#,##0.00", 5, "$5.00"},
        {"'Total: '0", 42, "Total: 42"},
        {"0\" kg\"", 3, "3 kg"},
        {"\"#0.;\"0", 7, "#0.;7"},
        {"0 'a;b'", 7, "7 a;b"},
        {"0%", 50, "50%"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FormatFloat(QString::fromLatin1(c.Fmt), c.Value), QString::fromLatin1(c.Text))
            << c.Fmt << " " << c.Value;
}

TEST(SysUtilsStrToFloat, AcceptedTexts)
{
    struct Case
    {
        const char *Text;
        double Value;
    };
    const Case cases[] = {
        {"1.5", 1.5},     {" 1.5", 1.5},      {"1.5 ", 1.5},    {"-1.5e3", -1500},
        {"1E-5", 1e-5},   {"+.5", 0.5},       {"5.", 5},        {"0.1", 0.1},
        {"007", 7},       {"1e-400", 0},      {"123456789012345678", 123456789012345678.0},
        {"2.5E+2", 250},
    };
    for (const auto &c : cases) {
        double v = -999;
        EXPECT_TRUE(TryStrToFloat(QString::fromLatin1(c.Text), v)) << c.Text;
        EXPECT_EQ(v, c.Value) << c.Text;
    }
    EXPECT_EQ(StrToFloatDef(QStringLiteral("x"), 2.5), 2.5);
    EXPECT_EQ(StrToFloatDef(QStringLiteral("4"), 2.5), 4.0);
}

TEST(SysUtilsStrToFloat, RejectedTextsRaise)
{
    const char *bad[] = {"", " ", ".", "1,5", "abc", "1.5x", "1e", "--1", "e5", "1 5", "1e400", "INF", "0x10"};
    for (const char *b : bad) {
        const QString s = QString::fromLatin1(b);
        double v = 7;
        EXPECT_FALSE(TryStrToFloat(s, v)) << b;
        EXPECT_EQ(v, 7.0) << b;
        try {
            StrToFloat(s);
            ADD_FAILURE() << "no error for " << b;
        } catch (const EConvertError &e) {
            EXPECT_EQ(e.Message(), QStringLiteral("'%1' is not a valid floating point value").arg(s));
        }
    }
}

TEST(SysUtilsStrToFloat, RoundTripsFloatToStr)
{
    const double values[] = {0.1, 1.0 / 3, 123.456, -9.87654321e-7, 1e20, 42};
    for (double v : values) {
        const double back = StrToFloat(FloatToStr(v));
        EXPECT_NEAR(back, v, std::fabs(v) * 1e-14) << v;
    }
    // The extremes too: the largest doubles print rounded up to 15 digits.
    const double max = std::numeric_limits<double>::max();
    EXPECT_EQ(FloatToStr(-max), QStringLiteral("-1.79769313486232E308"));
    const double extremes[] = {max, -max, std::nextafter(max, 0.0), std::numeric_limits<double>::min(),
                               std::numeric_limits<double>::denorm_min(), -1e308};
    for (double v : extremes) {
        double back = 0;
        ASSERT_TRUE(TryStrToFloat(FloatToStr(v), back)) << FloatToStr(v).toStdString();
        EXPECT_NEAR(back, v, std::fabs(v) * 1e-14) << v;
    }
    // Just beyond what 15 digits round to stays refused.
    double out = 0;
    EXPECT_FALSE(TryStrToFloat(QStringLiteral("1.79769313486233E308"), out));
    EXPECT_FALSE(TryStrToFloat(QStringLiteral("1E309"), out));
}

TEST(SysUtilsFormat, StarIndexesAndHugeWidthsStayInBounds)
{
    // A '*' whose index came from "%n:" is checked at both ends.
    for (int first : {-1, -100000000, 2, 100000000}) {
        try {
            Format(QStringLiteral("%*:*d"), {TVarRec(first), TVarRec(5)});
            ADD_FAILURE() << "no error for " << first;
        } catch (const EConvertError &e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Format '%*:*d' invalid or incompatible with argument"));
        }
    }
    EXPECT_EQ(Format(QStringLiteral("%1:*d"), {TVarRec(7), TVarRec(3), TVarRec(5)}), QStringLiteral("  5"));
    // Widths and precisions are capped instead of asking for gigabytes.
    EXPECT_EQ(Format(QStringLiteral("%999999999d"), {TVarRec(1)}).size(), 65536);
    EXPECT_EQ(Format(QStringLiteral("%.999999999d"), {TVarRec(1)}).size(), 65536);
    EXPECT_EQ(Format(QStringLiteral("%*d"), {TVarRec(2000000000), TVarRec(1)}).size(), 65536);
    EXPECT_EQ(Format(QStringLiteral("%5d|%.3d"), {TVarRec(1), TVarRec(2)}), QStringLiteral("    1|002"));
}
