// Strings, integers, rounding and file names of the run-time library.
#include "SysUtils.h"
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <limits>

TEST(SysUtilsStrings, CopyClampsItsRange)
{
    struct Case
    {
        int Index, Count;
        const char *Result;
    };
    const Case cases[] = {
        {0, 2, "ab"}, {-5, 2, "ab"}, {5, 1, ""}, {4, 1, ""}, {3, 1, "c"},
        {2, 100, "bc"}, {1, -1, ""}, {1, 0, ""}, {1, 3, "abc"},
        {2, std::numeric_limits<int>::max(), "bc"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Copy(QStringLiteral("abc"), c.Index, c.Count), QString::fromLatin1(c.Result))
            << c.Index << "," << c.Count;
    EXPECT_EQ(Copy(QString(), 1, 1), QString());
}

TEST(SysUtilsStrings, PosAndPosEx)
{
    EXPECT_EQ(Pos(QStringLiteral("x"), QStringLiteral("abc")), 0);
    EXPECT_EQ(Pos(QStringLiteral("bc"), QStringLiteral("abc")), 2);
    EXPECT_EQ(Pos(QString(), QStringLiteral("abc")), 0);
    EXPECT_EQ(Pos(QStringLiteral("B"), QStringLiteral("abc")), 0);
    EXPECT_EQ(PosEx(QStringLiteral("a"), QStringLiteral("aXa"), 2), 3);
    EXPECT_EQ(PosEx(QStringLiteral("a"), QStringLiteral("aXa"), 1), 1);
    EXPECT_EQ(PosEx(QStringLiteral("a"), QStringLiteral("a"), 0), 0);
    EXPECT_EQ(PosEx(QStringLiteral("a"), QStringLiteral("a"), 2), 0);
}

TEST(SysUtilsStrings, DeleteAndInsertClamp)
{
    struct DelCase
    {
        int Index, Count;
        const char *Result;
    };
    const DelCase dels[] = {
        {2, 2, "adef"}, {0, 2, "abcdef"}, {5, 10, "abcd"}, {7, 1, "abcdef"},
        {1, 0, "abcdef"}, {1, -3, "abcdef"}, {1, 6, ""}, {6, 1, "abcde"},
    };
    for (const auto &c : dels) {
        QString s = QStringLiteral("abcdef");
        Delete(s, c.Index, c.Count);
        EXPECT_EQ(s, QString::fromLatin1(c.Result)) << c.Index << "," << c.Count;
    }
    struct InsCase
    {
        int Index;
        const char *Result;
    };
    const InsCase ins[] = {{2, "aXYbc"}, {1, "XYabc"}, {0, "XYabc"}, {3, "abXYc"}, {4, "abcXY"}, {10, "abcXY"}};
    for (const auto &c : ins) {
        QString s = QStringLiteral("abc");
        Insert(QStringLiteral("XY"), s, c.Index);
        EXPECT_EQ(s, QString::fromLatin1(c.Result)) << c.Index;
    }
}

TEST(SysUtilsStrings, TrimAndCase)
{
    const QString s = QStringLiteral(" \t a b \r\n");
    EXPECT_EQ(Trim(s), QStringLiteral("a b"));
    EXPECT_EQ(TrimLeft(s), QStringLiteral("a b \r\n"));
    EXPECT_EQ(TrimRight(s), QStringLiteral(" \t a b"));
    EXPECT_EQ(Trim(QStringLiteral("  ")), QString());
    EXPECT_EQ(Trim(QString(QChar(0x3000)) + QStringLiteral("x")), QString(QChar(0x3000)) + QStringLiteral("x"));
    EXPECT_EQ(UpperCase(QString::fromUtf8("abc\u00e9z")), QString::fromUtf8("ABC\u00e9Z"));
    EXPECT_EQ(LowerCase(QString::fromUtf8("ABC\u00c9Z")), QString::fromUtf8("abc\u00c9z"));
    EXPECT_EQ(AnsiUpperCase(QString::fromUtf8("abc\u00e9")), QString::fromUtf8("ABC\u00c9"));
    EXPECT_EQ(AnsiLowerCase(QString::fromUtf8("ABC\u00c9")), QString::fromUtf8("abc\u00e9"));
}

TEST(SysUtilsStrings, Comparisons)
{
    EXPECT_LT(CompareText(QStringLiteral("abc"), QStringLiteral("ABD")), 0);
    EXPECT_EQ(CompareText(QStringLiteral("ABC"), QStringLiteral("abc")), 0);
    EXPECT_LT(CompareText(QStringLiteral("ab"), QStringLiteral("abc")), 0);
    EXPECT_GT(CompareText(QStringLiteral("b"), QStringLiteral("A")), 0);
    // Case folding is ASCII only: '_' sorts after the upper-cased letters.
    EXPECT_LT(CompareText(QStringLiteral("a"), QStringLiteral("_")), 0);
    EXPECT_TRUE(SameText(QStringLiteral("Hello"), QStringLiteral("hELLO")));
    EXPECT_FALSE(SameText(QStringLiteral("Hello"), QStringLiteral("Hell")));
    EXPECT_GT(CompareStr(QStringLiteral("a"), QStringLiteral("B")), 0);
    EXPECT_EQ(CompareStr(QStringLiteral("a"), QStringLiteral("a")), 0);
    EXPECT_TRUE(AnsiSameText(QString::fromUtf8("\u00e9t\u00e9"), QString::fromUtf8("\u00c9T\u00c9")));
    EXPECT_FALSE(SameText(QString::fromUtf8("\u00e9"), QString::fromUtf8("\u00c9")));
    EXPECT_EQ(AnsiCompareText(QStringLiteral("abc"), QStringLiteral("ABC")), 0);
}

TEST(SysUtilsStrings, QuotingAndReplacing)
{
    EXPECT_EQ(QuotedStr(QStringLiteral("it's")), QStringLiteral("'it''s'"));
    EXPECT_EQ(QuotedStr(QString()), QStringLiteral("''"));
    EXPECT_EQ(AnsiQuotedStr(QStringLiteral("a\"b"), QLatin1Char('"')), QStringLiteral("\"a\"\"b\""));
    EXPECT_EQ(AnsiDequotedStr(QStringLiteral("'it''s'"), QLatin1Char('\'')), QStringLiteral("it's"));
    EXPECT_EQ(AnsiDequotedStr(QStringLiteral("abc"), QLatin1Char('\'')), QStringLiteral("abc"));
    EXPECT_EQ(AnsiDequotedStr(QStringLiteral("'ab'cd"), QLatin1Char('\'')), QStringLiteral("ab"));
    // Unterminated or not quoted from end to end: unchanged; an empty quoted text is empty.
    struct DequoteCase
    {
        const char *Text, *Result;
    };
    const DequoteCase dequoted[] = {
        {"'abc", "'abc"}, {"''", ""}, {"'", ""}, {"'' x", "'' x"}, {"'a''", "a'"},
        {"'abc'", "abc"}, {"", ""},   {"x'", "x'"},
    };
    for (const auto &c : dequoted)
        EXPECT_EQ(AnsiDequotedStr(QString::fromLatin1(c.Text), QLatin1Char('\'')), QString::fromLatin1(c.Result))
            << c.Text;

    const QString s = QStringLiteral("aAbA");
    EXPECT_EQ(StringReplace(s, QStringLiteral("a"), QStringLiteral("x"), rfReplaceAll), QStringLiteral("xAbA"));
    EXPECT_EQ(StringReplace(s, QStringLiteral("a"), QStringLiteral("x"), rfReplaceAll | rfIgnoreCase),
              QStringLiteral("xxbx"));
    EXPECT_EQ(StringReplace(s, QStringLiteral("A"), QStringLiteral("x"), 0), QStringLiteral("axbA"));
    EXPECT_EQ(StringReplace(s, QStringLiteral("A"), QStringLiteral("yy"), rfIgnoreCase), QStringLiteral("yyAbA"));
    EXPECT_EQ(StringReplace(s, QString(), QStringLiteral("x"), rfReplaceAll), s);
    EXPECT_EQ(StringReplace(QStringLiteral("aaa"), QStringLiteral("a"), QStringLiteral("aa"), rfReplaceAll),
              QStringLiteral("aaaaaa"));
    EXPECT_EQ(StringOfChar(QLatin1Char('-'), 3), QStringLiteral("---"));
    EXPECT_EQ(StringOfChar(QLatin1Char('-'), -1), QString());
}

TEST(SysUtilsStrings, HexAndIdentifiers)
{
    EXPECT_EQ(BinToHex(QByteArray("\x00\xab\xff\x10", 4)), QStringLiteral("00ABFF10"));
    EXPECT_EQ(BinToHex(QByteArray()), QString());
    EXPECT_EQ(HexToBin(QStringLiteral("00abFF10")), QByteArray("\x00\xab\xff\x10", 4));
    EXPECT_EQ(HexToBin(QStringLiteral("0G12")), QByteArray());
    EXPECT_EQ(HexToBin(QStringLiteral("12G4")), QByteArray("\x12", 1));
    EXPECT_EQ(HexToBin(QStringLiteral("ABC")), QByteArray("\xab", 1));

    struct Case
    {
        const char *Ident;
        bool AllowDots, Valid;
    };
    const Case cases[] = {
        {"_a1", false, true}, {"Abc", false, true}, {"1a", false, false}, {"", false, false},
        {"a b", false, false}, {"a.b", false, false}, {"a.b", true, true}, {"a..b", true, false},
        {"a.", true, false}, {".a", true, false}, {"a.b1._c", true, true},
    };
    for (const auto &c : cases)
        EXPECT_EQ(IsValidIdent(QString::fromLatin1(c.Ident), c.AllowDots), c.Valid) << c.Ident;
    EXPECT_FALSE(IsValidIdent(QString::fromUtf8("\u4E2D")));
}

TEST(SysUtilsIntegers, StrToIntAcceptedTexts)
{
    struct Case
    {
        const char *Text;
        int Value;
    };
    const Case cases[] = {
        {"123", 123},  {" 123", 123},     {"-123", -123},          {"+7", 7},
        {"$FF", 255},  {"$ff", 255},      {"0x1F", 31},            {"x10", 16},
        {"-$10", -16}, {"2147483647", 2147483647}, {"-2147483648", std::numeric_limits<int>::min()},
        {"$FFFFFFFF", -1}, {"007", 7},    {"0", 0},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(StrToInt(QString::fromLatin1(c.Text)), c.Value) << c.Text;
        int v = 0;
        EXPECT_TRUE(TryStrToInt(QString::fromLatin1(c.Text), v)) << c.Text;
        EXPECT_EQ(v, c.Value) << c.Text;
    }
}

TEST(SysUtilsIntegers, StrToIntRejectedTexts)
{
    const char *bad[] = {"2147483648", "-2147483649", "", " ", "12 ", "1.0", "abc", "$", "-", "0x",
                         "$1FFFFFFFF", "1e3", "--1", "12a"};
    for (const char *b : bad) {
        const QString s = QString::fromLatin1(b);
        int v = 5;
        EXPECT_FALSE(TryStrToInt(s, v)) << b;
        EXPECT_EQ(v, 5) << b;
        EXPECT_EQ(StrToIntDef(s, 7), 7) << b;
        try {
            StrToInt(s);
            ADD_FAILURE() << "no error for " << b;
        } catch (const EConvertError &e) {
            EXPECT_EQ(e.Message(), QStringLiteral("'%1' is not a valid integer value").arg(s));
        }
    }
}

TEST(SysUtilsIntegers, Int64AndHex)
{
    EXPECT_EQ(StrToInt64(QStringLiteral("9223372036854775807")), std::numeric_limits<qint64>::max());
    EXPECT_EQ(StrToInt64(QStringLiteral("-9223372036854775808")), std::numeric_limits<qint64>::min());
    EXPECT_EQ(StrToInt64(QStringLiteral("$FFFFFFFFFFFFFFFF")), -1);
    EXPECT_EQ(StrToInt64(QStringLiteral("4294967296")), 4294967296LL);
    EXPECT_THROW(StrToInt64(QStringLiteral("9223372036854775808")), EConvertError);
    EXPECT_EQ(StrToInt64Def(QStringLiteral("x"), -3), -3);
    qint64 v = 0;
    EXPECT_TRUE(TryStrToInt64(QStringLiteral(" -0x10"), v));
    EXPECT_EQ(v, -16);

    EXPECT_EQ(IntToStr(-123), QStringLiteral("-123"));
    EXPECT_EQ(IntToStr(std::numeric_limits<qint64>::min()), QStringLiteral("-9223372036854775808"));
    EXPECT_EQ(IntToHex(255, 4), QStringLiteral("00FF"));
    EXPECT_EQ(IntToHex(-1, 2), QStringLiteral("FFFFFFFF"));
    EXPECT_EQ(IntToHex(qint64(-1), 1), QStringLiteral("FFFFFFFFFFFFFFFF"));
    EXPECT_EQ(IntToHex(0, 0), QStringLiteral("0"));
    EXPECT_EQ(IntToHex(0x1234ABCDu, 10), QStringLiteral("001234ABCD"));
}

TEST(SysUtilsIntegers, Booleans)
{
    EXPECT_EQ(BoolToStr(true), QStringLiteral("-1"));
    EXPECT_EQ(BoolToStr(false), QStringLiteral("0"));
    EXPECT_EQ(BoolToStr(true, true), QStringLiteral("True"));
    EXPECT_EQ(BoolToStr(false, true), QStringLiteral("False"));
    EXPECT_TRUE(StrToBool(QStringLiteral("true")));
    EXPECT_FALSE(StrToBool(QStringLiteral("FALSE")));
    EXPECT_TRUE(StrToBool(QStringLiteral("-1")));
    EXPECT_TRUE(StrToBool(QStringLiteral("2.5")));
    EXPECT_FALSE(StrToBool(QStringLiteral("0")));
    try {
        StrToBool(QStringLiteral("yes"));
        ADD_FAILURE() << "no error";
    } catch (const EConvertError &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("'yes' is not a valid boolean value"));
    }
}

TEST(SysUtilsNumbers, RoundHalfToEven)
{
    struct Case
    {
        double X;
        int R;
    };
    const Case cases[] = {
        {2.5, 2},   {3.5, 4},    {-2.5, -2}, {-3.5, -4}, {0.5, 0},     {1.5, 2},   {-0.5, 0},
        {2.4999, 2}, {2.5001, 3}, {-1.7, -2}, {0, 0},     {2147483647.4, 2147483647},
        {-2147483648.5, std::numeric_limits<int>::min()},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Round(c.X), c.R) << c.X;
    EXPECT_EQ(Round64(3e9), 3000000000LL);
    EXPECT_EQ(Round64(4503599627370497.0), 4503599627370497LL);
    EXPECT_EQ(Round64(-2.5), -2);
    EXPECT_THROW(Round(3e9), ERangeError);
    EXPECT_THROW(Round(2147483647.5), ERangeError);
    EXPECT_THROW(Round64(1e19), EInvalidOp);
    EXPECT_THROW(Round64(std::nan("")), EInvalidOp);
    EXPECT_THROW(Round(std::nan("")), EInvalidOp);
}

TEST(SysUtilsNumbers, TruncIntFracMulDiv)
{
    EXPECT_EQ(Trunc(-1.7), -1);
    EXPECT_EQ(Trunc(1.999), 1);
    EXPECT_EQ(Trunc64(-5e12 - 0.5), -5000000000000LL);
    EXPECT_THROW(Trunc(5e9), ERangeError);
    EXPECT_EQ(Int(-1.7), -1.0);
    EXPECT_EQ(Int(2.9), 2.0);
    EXPECT_EQ(Frac(-1.25), -0.25);
    EXPECT_EQ(Frac(1.75), 0.75);

    struct Case
    {
        int A, B, C, R;
    };
    const Case cases[] = {
        {10, 3, 4, 8},  {-10, 3, 4, -8}, {10, -3, 4, -8}, {10, 3, -4, -8}, {-10, -3, 4, 8},
        {5, 5, 0, -1},  {7, 1, 2, 4},    {1, 1, 3, 0},    {2, 1, 3, 1},    {2147483647, 2, 1, -1},
        {2147483647, 2, 2, 2147483647},  {96, 72, 96, 72},
    };
    for (const auto &c : cases)
        EXPECT_EQ(MulDiv(c.A, c.B, c.C), c.R) << c.A << "*" << c.B << "/" << c.C;
}

TEST(SysUtilsFiles, NameParts)
{
    EXPECT_EQ(ExtractFilePath(QStringLiteral("/a/b/c.txt")), QStringLiteral("/a/b/"));
    EXPECT_EQ(ExtractFilePath(QStringLiteral("c.txt")), QString());
    EXPECT_EQ(ExtractFileDir(QStringLiteral("/a/b/c.txt")), QStringLiteral("/a/b"));
    EXPECT_EQ(ExtractFileDir(QStringLiteral("/c.txt")), QStringLiteral("/"));
    EXPECT_EQ(ExtractFileName(QStringLiteral("/a/b/c.txt")), QStringLiteral("c.txt"));
    EXPECT_EQ(ExtractFileName(QStringLiteral("c.txt")), QStringLiteral("c.txt"));
    EXPECT_EQ(ExtractFileExt(QStringLiteral("/a/b/c.txt")), QStringLiteral(".txt"));
    EXPECT_EQ(ExtractFileExt(QStringLiteral("/a.b/c")), QString());
    EXPECT_EQ(ChangeFileExt(QStringLiteral("/a/b.c.txt"), QStringLiteral(".bak")), QStringLiteral("/a/b.c.bak"));
    EXPECT_EQ(ChangeFileExt(QStringLiteral("/a.d/b"), QStringLiteral(".x")), QStringLiteral("/a.d/b.x"));
    EXPECT_EQ(ChangeFileExt(QStringLiteral("b.txt"), QString()), QStringLiteral("b"));
    EXPECT_EQ(IncludeTrailingPathDelimiter(QStringLiteral("/a")), QStringLiteral("/a/"));
    EXPECT_EQ(IncludeTrailingPathDelimiter(QStringLiteral("/a/")), QStringLiteral("/a/"));
    EXPECT_EQ(ExcludeTrailingPathDelimiter(QStringLiteral("/a/")), QStringLiteral("/a"));
    EXPECT_EQ(ExcludeTrailingPathDelimiter(QStringLiteral("/")), QStringLiteral("/"));
}

TEST(SysUtilsFiles, ExistenceDeletionAndExpansion)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.path() + QStringLiteral("/f.txt");
    EXPECT_FALSE(FileExists(file));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(FileExists(dir.path()));
    EXPECT_TRUE(DirectoryExists(dir.path()));
    EXPECT_FALSE(DirectoryExists(file));
    EXPECT_FALSE(DeleteFile(dir.path()));
    EXPECT_TRUE(DeleteFile(file));
    EXPECT_FALSE(FileExists(file));
    EXPECT_FALSE(DeleteFile(file));

    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const QString base = QDir::currentPath();
    EXPECT_EQ(ExpandFileName(QStringLiteral("x/../y.txt")), base + QStringLiteral("/y.txt"));
    EXPECT_EQ(ExpandFileName(QStringLiteral("sub/")), base + QStringLiteral("/sub/"));
    EXPECT_EQ(ExpandFileName(QStringLiteral("/tmp/./a")), QStringLiteral("/tmp/a"));
    QDir::setCurrent(saved);
    EXPECT_FALSE(SysErrorMessage(2).isEmpty());
}
