// Text layout: wrapping, style tags, measuring queries, splitting, the
// distribution of extra pixels and the shared lock.
#include "report/model/qdzDrawText.h"

#include "platform/Font.h"
#include "report/model/qdzWideStrings.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <atomic>
#include <chrono>
#include <thread>

namespace {

// A layout with a font, wrapping on, tags allowed and a rectangle in report
// units at scale 1.
struct TLayout
{
    TqdzDrawText D;
    TFont F;

    explicit TLayout(const QString &Name = QStringLiteral("Courier New"), int Size = 12)
    {
        F.SetName(Name);
        F.SetSize(Size);
        D.SetFont(&F);
        Options();
        D.SetGaps(0, 0, 0);
        Rect(70, 1000);
    }
    void Options(bool WordWrap = true, bool Tags = true, bool WordBreak = false)
    {
        D.SetOptions(WordWrap, Tags, 0, true, false, WordBreak, false);
    }
    void Rect(int W, int H)
    {
        const TRect r{0, 0, W, H};
        D.SetDimensions(1, 1, 1, r, r);
    }
    QStringList Wrap(const QString &Text)
    {
        TWideStrings w;
        w.SetText(Text);
        D.SetText(&w);
        QStringList out;
        for (int i = 0; i < D.Text()->Count(); ++i)
            out << D.Text()->Get(i);
        return out;
    }
    std::vector<int> Flags() const
    {
        std::vector<int> f;
        for (int i = 0; i < D.Text()->Count(); ++i)
            f.push_back(D.LineFlags(i));
        return f;
    }
};

} // namespace

// The wrap tests rely on these widths at 600 pixels per inch: a 12-point
// monospaced Latin cell is 60 wide, a Chinese character 100; a 70-unit
// rectangle is 438 measuring pixels, so 7 Latin or 4 Chinese characters fit.
TEST(DrawTextMeasure, FixedWidthsAtMeasuringResolution)
{
    TLayout l;
    std::vector<int> w;
    l.D.MeasureLine(QStringLiteral("ab c"), nullptr, w);
    EXPECT_EQ(w, (std::vector<int>{60, 60, 60, 60}));
    TLayout c(QStringLiteral("宋体"));
    c.D.MeasureLine(QStringLiteral("重量合计"), nullptr, w);
    EXPECT_EQ(w, (std::vector<int>{100, 100, 100, 100}));
    EXPECT_EQ(l.D.MeasureFont()->Height(), -100);
}

TEST(DrawTextWrap, LineBreaks)
{
    struct Case {
        const char *Name;
        QString Font;
        bool WordWrap, WordBreak;
        QString Text;
        QStringList Lines;
    } cases[] = {
        {"at the last blank", "Courier New", true, false, "aaa bbb ccc", {"aaa bbb", "ccc"}},
        {"blank is where it overflows", "Courier New", true, false, "aaaaaaa bbb", {"aaaaaaa", "bbb"}},
        {"no blank: inside the word", "Courier New", true, false, "abcdefghijk", {"abcdefg", "hijk"}},
        {"wrap off", "Courier New", false, false, "aaa bbb ccc ddd", {"aaa bbb ccc ddd"}},
        {"tags take no room", "Courier New", true, false, "<b>aa</b> bbbb cc", {"aa bbbb", "cc"}},
        {"no-wrap run keeps its blank", "Courier New", true, false, "aa <nowrap>bb cc</nowrap> dd",
         {"aa", "bb cc", "dd"}},
        {"same without the run", "Courier New", true, false, "aa bb cc dd", {"aa bb", "cc dd"}},
        {"empty lines are one blank", "Courier New", true, false, "a\n\nb", {"a", " ", "b"}},
        {"line of tags only", "Courier New", true, false, "<b></b>", {" "}},
        {"one character wider than the line", "宋体", true, false, "重", {"重"}},
        {"Chinese by characters", "宋体", true, false, "一二三四五六七八九十", {"一二三四", "五六七八", "九十"}},
        {"Chinese and Latin", "宋体", true, false, "毛重 12kg", {"毛重", "12kg"}},
        {"hyphenated Cyrillic word", "Courier New", true, true, "МОЛОКОМОЛОКО", {"МОЛОКО-", "МОЛОКО"}},
        {"break on without a hyphen point", "Courier New", true, true, "abcdefghijk", {"abcdefg", "hijk"}},
    };
    for (const Case &c : cases) {
        TLayout l(c.Font);
        l.Options(c.WordWrap, true, c.WordBreak);
        EXPECT_EQ(l.Wrap(c.Text), c.Lines) << c.Name;
        EXPECT_EQ(l.D.HTMLTags()->Count(), l.D.Text()->Count()) << c.Name;
        for (int i = 0; i < l.D.Text()->Count(); ++i)
            EXPECT_EQ(l.D.HTMLTags()->Items(i)->Count(), l.D.Text()->Get(i).size()) << c.Name << " line " << i;
    }
}

TEST(DrawTextWrap, RotatedTextWrapsOnTheHeight)
{
    TLayout l;
    const TRect r{0, 0, 1000, 70};
    l.D.SetOptions(true, true, 90, true, false, false, false);
    l.D.SetDimensions(1, 1, 1, r, r);
    EXPECT_EQ(l.Wrap(QStringLiteral("aaa bbb ccc")), (QStringList{"aaa bbb", "ccc"}));
    l.D.SetOptions(true, true, 450, true, false, false, false);
    EXPECT_EQ(l.D.Rotation(), 90);
}

TEST(DrawTextWrap, WrapWidthIsInReportUnitsAtAnyScale)
{
    TLayout l;
    const TRect r{0, 0, 140, 2000};
    l.D.SetDimensions(2, 2, 1, r, r);
    EXPECT_EQ(l.Wrap(QStringLiteral("aaa bbb ccc")), (QStringList{"aaa bbb", "ccc"}));
}

TEST(DrawTextWrap, ParagraphFlags)
{
    TLayout l;
    l.Wrap(QStringLiteral("aaa bbb ccc ddd eee\nx"));
    EXPECT_EQ(l.Flags(), (std::vector<int>{1, 0, 2, 3}));
    l.D.SetParaBreaks(true, true);
    EXPECT_EQ(l.Flags(), (std::vector<int>{0, 0, 2, 1}));
    l.Wrap(QString());
    l.D.SetParaBreaks(true, true); // no lines: nothing to clear
    EXPECT_EQ(l.D.Text()->Count(), 0);
    EXPECT_EQ(l.D.PlainText(), QString());
}

TEST(DrawTextWrap, PlainTextKeepsTags)
{
    TLayout l;
    l.Wrap(QStringLiteral("<b>ab</b>\ncd"));
    EXPECT_EQ(l.D.PlainText(), QStringLiteral("<b>ab</b>\r\ncd\r\n"));
    // Positions count the source characters, tags and line breaks included.
    EXPECT_EQ(l.D.HTMLTags()->Items(0)->Items(0).Position, 4);
    EXPECT_EQ(l.D.HTMLTags()->Items(0)->Items(1).Position, 5);
    EXPECT_EQ(l.D.HTMLTags()->Items(1)->Items(0).Position, 12);
}

TEST(DrawTextTags, Parsing)
{
    struct Case {
        QString Source, Text;
        quint8 Style;   // of the first character
        TColor Color;   // of the first character
        int Size, AddY; // of the first character
    } cases[] = {
        {"<b>x</b>y", "xy", 1, clBlack, 12, 0},
        {"<I>x", "x", 2, clBlack, 12, 0},
        {"<u><b>x", "x", 5, clBlack, 12, 0},
        {"<strike>x</strike>", "x", 8, clBlack, 12, 0},
        {"<font color=\"#FF0000\">r</font>", "r", 0, 255, 12, 0},
        {"<font color=\"#0000ff\">b", "b", 0, 0xFF0000, 12, 0},
        {"<FONT COLOR= red>r", "r", 0, 255, 12, 0},
        {"<font color=red>r", "r", 0, 255, 12, 0},
        {"<sub>2</sub>", "2", 0, clBlack, 8, 1},
        {"<sup>2</sup>", "2", 0, clBlack, 8, 0},
        {"<q>x", "<q>x", 0, clBlack, 12, 0},
        {"<font color=nosuch>x", "<font color=nosuch>x", 0, clBlack, 12, 0},
        {"<font color=\"#12345\">x", "<font color=\"#12345\">x", 0, clBlack, 12, 0},
        {"a<b", "a<b", 0, clBlack, 12, 0},
    };
    for (const Case &c : cases) {
        TLayout l;
        l.Rect(10000, 1000);
        ASSERT_EQ(l.Wrap(c.Source), QStringList{c.Text}) << c.Source.toStdString();
        const TqdzHTMLTag &t = l.D.HTMLTags()->Items(0)->Items(0);
        EXPECT_EQ(t.Style, c.Style) << c.Source.toStdString();
        EXPECT_EQ(t.Color, c.Color) << c.Source.toStdString();
        EXPECT_EQ(t.Size, c.Size) << c.Source.toStdString();
        EXPECT_EQ(t.AddY, c.AddY) << c.Source.toStdString();
        EXPECT_EQ(t.Small, c.Size != 12) << c.Source.toStdString();
    }
    // Closing tags return to the defaults; Default marks no change of look.
    TLayout l;
    l.Rect(10000, 1000);
    l.Wrap(QStringLiteral("a<b>b</b>c<font color=red>d</font>e"));
    const TqdzHTMLTags *t = l.D.HTMLTags()->Items(0);
    ASSERT_EQ(t->Count(), 5);
    EXPECT_EQ(t->Items(1).Style, 1);
    EXPECT_EQ(t->Items(2).Style, 0);
    EXPECT_EQ(t->Items(3).Color, clRed);
    EXPECT_EQ(t->Items(4).Color, clBlack);
    const bool defaults[] = {true, false, false, false, false};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(t->Items(i).Default, defaults[i]) << i;
}

TEST(DrawTextTags, NotAllowedStayText)
{
    TLayout l;
    l.Options(true, false);
    l.Rect(10000, 1000);
    EXPECT_EQ(l.Wrap(QStringLiteral("<b>x</b>")), QStringList{"<b>x</b>"});
    EXPECT_EQ(l.D.HTMLTags()->Items(0)->Items(1).Style, 0);
}

TEST(DrawTextQueries, HeightsAndWidths)
{
    TLayout l; // 12 points: 100 measuring pixels, 16 report units a line
    EXPECT_DOUBLE_EQ(l.D.LineHeight(), 16);
    l.Wrap(QStringLiteral("a\nb\nc"));
    EXPECT_DOUBLE_EQ(l.D.CalcHeight(), 48);
    l.D.SetGaps(-2, 0, 0);
    EXPECT_DOUBLE_EQ(l.D.CalcHeight(), 3 * (16 - 2) + 2);
    l.D.SetGaps(3, 0, 0);
    EXPECT_DOUBLE_EQ(l.D.LineHeight(), 19);
    EXPECT_DOUBLE_EQ(l.D.CalcHeight(), 57);
    l.Wrap(QString());
    EXPECT_DOUBLE_EQ(l.D.CalcHeight(), 0);

    TLayout w;
    w.Rect(10000, 1000);
    w.Wrap(QStringLiteral("aa\naaaa"));
    EXPECT_DOUBLE_EQ(w.D.CalcWidth(), 240 / 6.25);
    w.D.SetGaps(0, 0, 5); // paragraph gap in report units
    EXPECT_DOUBLE_EQ(w.D.CalcWidth(), 240 / 6.25 + 5);
    w.D.SetGaps(0, 1, 0); // 1 unit of spacing is 6 measuring pixels a character
    w.Wrap(QStringLiteral("aa\naaaa"));
    EXPECT_DOUBLE_EQ(w.D.CalcWidth(), 4 * 66 / 6.25);
    w.D.SetGaps(0, 0, 0);
    w.Wrap(QStringLiteral("a<sub>aa</sub>"));
    EXPECT_DOUBLE_EQ(w.D.CalcWidth(), 140 / 6.25); // small characters are 1.5 times narrower
}

TEST(DrawTextQueries, UnusedSpace)
{
    struct Case {
        int Height;
        double LineSpacing, Unused;
    } cases[] = {
        {10, 0, 0},      // not even one line
        {16, 0, 0.0001}, // exactly one line
        {48, 0, 0.0001},
        {50, 0, 2},
        {0, 0, 0},
        {40, 4, 0.0001}, // two lines of 20
        {45, 4, 5},
    };
    for (const Case &c : cases) {
        TLayout l;
        l.Rect(70, c.Height);
        l.D.SetGaps(c.LineSpacing, 0, 0);
        EXPECT_DOUBLE_EQ(l.D.UnusedSpace(), c.Unused) << c.Height;
    }
    TLayout l;
    l.D.SetGaps(-20, 0, 0); // a step of 0 or less cannot place lines
    l.Rect(70, 50);
    EXPECT_DOUBLE_EQ(l.D.UnusedSpace(), 0);
}

TEST(DrawTextSplit, InsideAParagraph)
{
    TLayout l;
    l.Rect(70, 40); // two lines
    l.Wrap(QStringLiteral("aaa bbb ccc ddd eee"));
    bool paraBreak = false;
    QString rest, fitting;
    l.D.GetOutBoundsText(paraBreak, rest);
    l.D.GetInBoundsText(fitting);
    EXPECT_TRUE(paraBreak);
    EXPECT_EQ(rest, QStringLiteral("<font color=\"#000000\">eee\r\n"));
    EXPECT_EQ(fitting, QStringLiteral("aaa bbb ccc ddd "));
    EXPECT_EQ(l.D.Text()->Count(), 2);
    EXPECT_EQ(l.D.HTMLTags()->Count(), 2);
}

TEST(DrawTextSplit, Cases)
{
    struct Case {
        const char *Name;
        QString Text;
        int Height;
        bool Tags, WordBreak;
        bool ParaBreak;
        QString Rest, Fitting;
        int Lines;
    } cases[] = {
        {"at a paragraph end", "aaa\nbbb\nccc", 32, true, false, false, "<font color=\"#000000\">ccc\r\n",
         "aaa\r\nbbb\r\n", 2},
        {"without tags", "aaa bbb ccc ddd eee", 40, false, false, true, "eee\r\n", "aaa bbb ccc ddd ", 2},
        {"style and colour carried over", "<b><font color=red>aaa bbb ccc ddd eee</font></b>", 40, true, false,
         true, "<b><font color=\"#FF0000\">eee</font></b>\r\n", "<b><font color=red>aaa bbb ccc ddd ", 2},
        {"hyphenated word", "МОЛОКОМОЛОКО", 16, true, true, true, "<font color=\"#000000\">МОЛОКО\r\n",
         "МОЛОКО-", 1},
        {"all fits", "aaa\nbbb", 100, true, false, false, "", "aaa\r\nbbb\r\n", 2},
        {"nothing fits", "aaa\nbbb", 10, true, false, false, "<font color=\"#000000\">aaa\r\nbbb\r\n", "", 0},
        {"leading blank of a continued line", "aaaaaaa  bbb", 16, false, false, true, "bbb\r\n", "aaaaaaa ", 1},
    };
    for (const Case &c : cases) {
        TLayout l;
        l.Options(true, c.Tags, c.WordBreak);
        l.Rect(70, c.Height);
        l.Wrap(c.Text);
        bool paraBreak = !c.ParaBreak;
        QString rest, fitting;
        l.D.GetOutBoundsText(paraBreak, rest);
        l.D.GetInBoundsText(fitting);
        EXPECT_EQ(paraBreak, c.ParaBreak) << c.Name;
        EXPECT_EQ(rest, c.Rest) << c.Name;
        EXPECT_EQ(fitting, c.Fitting) << c.Name;
        EXPECT_EQ(l.D.Text()->Count(), c.Lines) << c.Name;
    }
}

TEST(DrawTextSplit, LastPartContinuesAParagraph)
{
    TLayout l;
    l.Rect(70, 100);
    l.Wrap(QStringLiteral("aaa"));
    l.D.SetParaBreaks(false, true);
    bool paraBreak = false;
    QString rest;
    l.D.GetOutBoundsText(paraBreak, rest);
    EXPECT_TRUE(paraBreak);
    EXPECT_EQ(rest, QString());
}

TEST(DrawTextSpread, JustifiedBlanks)
{
    // A 5-pixel shortfall over 3 blanks: 2, 2 and 1.
    std::vector<int> w(7, 10);
    TqdzDrawText::DistributeExtra(QStringLiteral("a b c d"), w, 5, true);
    EXPECT_EQ(w, (std::vector<int>{10, 12, 10, 12, 10, 11, 10}));
    std::vector<int> n(7, 10);
    TqdzDrawText::DistributeExtra(QStringLiteral("a b c d"), n, -4, true);
    EXPECT_EQ(n, (std::vector<int>{10, 8, 10, 9, 10, 9, 10}));
    // A justified line without blanks spreads over its characters.
    std::vector<int> c(4, 10);
    TqdzDrawText::DistributeExtra(QStringLiteral("abcd"), c, 2, true);
    EXPECT_EQ(c, (std::vector<int>{11, 10, 11, 10}));
}

TEST(DrawTextSpread, Halving)
{
    struct Case {
        int Count, Extra;
        std::vector<int> Result;
    } cases[] = {
        {4, 3, {1, 0, 1, 1}},
        {5, -1, {0, 0, -1, 0, 0}},
        {4, 10, {3, 2, 3, 2}}, // 2 each, the rest by halving
        {4, -6, {-2, -1, -2, -1}},
        {1, 3, {3}},
        {3, 0, {0, 0, 0}},
    };
    for (const Case &c : cases) {
        std::vector<int> w(size_t(c.Count), 0);
        TqdzDrawText::DistributeExtra(QString(c.Count, QLatin1Char('x')), w, c.Extra, false);
        EXPECT_EQ(w, c.Result) << c.Count << " " << c.Extra;
    }
}

TEST(DrawTextHyphen, Points)
{
    struct Case {
        QString Word;
        std::vector<int> Points;
    } cases[] = {
        {"МОЛОКО", {2, 4}},
        {"молоко", {2, 4}},
        {"ВАННА", {3}},  // not before a doubled consonant that precedes a vowel
        {"ПОЙМА", {3}},  // not before Й
        {"ПАЛЬТО", {2, 4}}, // not before a soft sign
        {"ДОМ", {}},     // too short
        {"СТРАНА", {4}}, // no vowel before the consonant cluster's breaks
        {"WORD", {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TqdzDrawText::HyphenPoints(c.Word), c.Points) << c.Word.toStdString();
}

TEST(DrawTextLockThreads, SharedInstanceAndCriticalSection)
{
    TqdzDrawText *d = qdzDrawText();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(qdzDrawText(), d);
    TqdzDrawText own;
    d->Lock();
    own.Lock(); // the same section, held again by the same thread
    std::atomic<bool> entered{false};
    std::thread other([&] {
        d->Lock();
        entered = true;
        d->Unlock();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(entered);
    own.Unlock();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(entered);
    d->Unlock();
    other.join();
    EXPECT_TRUE(entered);
}
