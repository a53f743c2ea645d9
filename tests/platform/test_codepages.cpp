// Tests of codepages (platform).
#include "CodePages.h"
#include "Exceptions.h"
#include "Md5.h"
#include <gtest/gtest.h>

TEST(CodePages, KnownBytesBothWays)
{
    const struct
    {
        int CodePage;
        QString Text;
        const char *Hex;
    } Cases[] = {
        {936, QStringLiteral("中"), "d6d0"},
        {936, QStringLiteral("用户名或密码输入错误"), "d3c3bba7c3fbbbf2c3dcc2ebcae4c8ebb4edcef3"},
        {936, QStringLiteral("提示!"), "cce1cabe21"},
        {936, QStringLiteral("€"), "80"},
        {CP_ACP, QStringLiteral("中"), "d6d0"},
        {CP_OEMCP, QStringLiteral("中"), "d6d0"},
        {1252, QStringLiteral("€é"), "80e9"},
        {1251, QStringLiteral("Привет"), "cff0e8e2e5f2"},
        {1250, QStringLiteral("ł"), "b3"},
        {1253, QStringLiteral("Ω"), "d9"},
        {874, QStringLiteral("ก"), "a1"},
        {932, QStringLiteral("あ"), "82a0"},
        {949, QStringLiteral("한"), "c7d1"},
        {950, QStringLiteral("中"), "a4a4"},
        {CP_UTF8, QStringLiteral("中a"), "e4b8ad61"},
        {936, QString(), ""},
    };
    for (const auto &Case : Cases) {
        const QByteArray Bytes = QByteArray::fromHex(Case.Hex);
        EXPECT_EQ(StringToCodePage(Case.Text, Case.CodePage).toHex(), QByteArray(Case.Hex))
            << Case.CodePage << " " << Case.Text.toStdString();
        EXPECT_EQ(CodePageToString(Bytes, Case.CodePage), Case.Text) << Case.CodePage << " " << Case.Hex;
    }
    EXPECT_EQ(SystemCodePage(), 936);
}

TEST(CodePages, UnconvertibleBecomesQuestionMark)
{
    const struct
    {
        int CodePage;
        QString Text;
        QByteArray Bytes;
    } Encode[] = {
        {1252, QStringLiteral("a中b"), QByteArray("a?b")},
        {1251, QStringLiteral("é"), QByteArray("?")},
        {936, QStringLiteral("x\U0001F600y"), QByteArray("x?y")},      // one '?' for a surrogate pair
        {936, QString(QChar(0xD800)) + QLatin1Char('z'), QByteArray("?z")},  // lone surrogate
        {1252, QString(QChar(0xDC00)), QByteArray("?")},
    };
    for (const auto &Case : Encode)
        EXPECT_EQ(StringToCodePage(Case.Text, Case.CodePage), Case.Bytes) << Case.CodePage;

    const struct
    {
        int CodePage;
        QByteArray Bytes;
        QString Text;
    } Decode[] = {
        {936, QByteArray("a\xFF" "b"), QStringLiteral("a?b")},
        {936, QByteArray("\xD6\xD0\xD6"), QStringLiteral("中?")},  // cut off at the end
        {1253, QByteArray("\xAA"), QStringLiteral("?")},             // a hole in the table
    };
    for (const auto &Case : Decode)
        EXPECT_EQ(CodePageToString(Case.Bytes, Case.CodePage), Case.Text) << Case.Bytes.toHex().toStdString();
}

TEST(CodePages, LongTextAndSymbolCodePage)
{
    QString Long;
    for (int I = 0; I < 5000; ++I)
        Long += QStringLiteral("重量kg ");
    const QByteArray Bytes = StringToCodePage(Long, 936);
    EXPECT_EQ(Bytes.size(), 5000 * 7);
    EXPECT_EQ(CodePageToString(Bytes, 936), Long);

    EXPECT_EQ(CodePageToString(QByteArray("\x41\xFE"), CP_SYMBOL), QString(QChar(0xF041)) + QChar(0xF0FE));
    EXPECT_EQ(StringToCodePage(QString(QChar(0xF041)) + QLatin1Char('b') + QChar(0x4E2D), CP_SYMBOL),
              QByteArray("Ab?"));
}

TEST(CodePages, UnknownCodePageRaises)
{
    EXPECT_FALSE(IsCodePageSupported(12345));
    EXPECT_TRUE(IsCodePageSupported(1258));
    EXPECT_TRUE(IsCodePageSupported(CP_MACCP));
    try {
        StringToCodePage(QStringLiteral("x"), 12345);
        FAIL() << "no exception";
    } catch (const EConvertError &E) {
        EXPECT_EQ(E.Message(), QStringLiteral("Code page 12345 is not supported"));
    }
    EXPECT_THROW(CodePageToString(QByteArray("x"), 7), EConvertError);
}

TEST(CodePages, CharsetTable)
{
    const struct
    {
        int Charset;
        int CodePage;
    } Known[] = {
        {0, 1252},   {2, 42},     {128, 932},  {129, 949},  {130, 1361}, {134, 936},
        {136, 950},  {161, 1253}, {162, 1254}, {163, 1258}, {177, 1255}, {178, 1256},
        {186, 1257}, {204, 1251}, {222, 874},  {238, 1250},
    };
    for (const auto &Case : Known) {
        int CodePage = -1;
        EXPECT_TRUE(TranslateCharsetToCodePage(Case.Charset, CodePage)) << Case.Charset;
        EXPECT_EQ(CodePage, Case.CodePage) << Case.Charset;
        EXPECT_TRUE(IsCodePageSupported(CodePage)) << CodePage;
    }
    for (int Charset : {1, 77, 255, 3, 200}) {
        int CodePage = -1;
        EXPECT_FALSE(TranslateCharsetToCodePage(Charset, CodePage)) << Charset;
        EXPECT_EQ(CodePage, -1);
    }
}

TEST(Md5, HexDigests)
{
    const struct
    {
        QByteArray Bytes;
        const char *Digest;
    } Cases[] = {
        {QByteArray(), "d41d8cd98f00b204e9800998ecf8427e"},
        {QByteArray("abc"), "900150983cd24fb0d6963f7d28e17f72"},
        {QByteArray("The quick brown fox jumps over the lazy dog"), "9e107d9d372bb6826bd81d3542a419d6"},
        // A Chinese password digested over its GBK bytes, as the central database stores it.
        {StringToCodePage(QStringLiteral("密码123"), 936), "023b1f07f0a78fc82f15fc1cebe93524"},
    };
    for (const auto &Case : Cases)
        EXPECT_EQ(MD5Hex(Case.Bytes), QString::fromLatin1(Case.Digest)) << Case.Bytes.toHex().toStdString();
    EXPECT_EQ(StringToCodePage(QStringLiteral("密码123"), 936), QByteArray::fromHex("c3dcc2eb313233"));
}
