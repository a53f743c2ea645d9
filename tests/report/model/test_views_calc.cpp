// Memo and view expressions evaluated through the report: display-format suffixes, hidden zeros,
// late macros, highlight conditions, tag and URL texts, and errors that reach the caller.
#include "report/model/qdzClassViews.h"

#include "platform/SysUtils.h"
#include "report/model/qdzVariables.h"

#include <gtest/gtest.h>

namespace {

struct TCalcFixture
{
    TqdzReport Report{nullptr};
    TqdzReportPage *Page = new TqdzReportPage(&Report);
    TqdzBand *Band = new TqdzMasterData(Page);
    TqdzMemoView *Memo = new TqdzMemoView(Band);

    TCalcFixture()
    {
        Page->SetName(QStringLiteral("Page1"));
        Band->SetName(QStringLiteral("MasterData1"));
        Memo->SetName(QStringLiteral("Memo1"));
        Memo->SetBounds(0, 0, 300, 100);
    }

    QString Print(const QString &Text)
    {
        Memo->SetText(Text);
        Memo->BeforePrint();
        Memo->GetData();
        const QString r = Memo->Text();
        Memo->AfterPrint();
        return r;
    }
};

} // namespace

TEST(ViewCalc, ExpressionsWithDisplayFormats)
{
    TCalcFixture f;
    ASSERT_TRUE(f.Report.SetupScript());
    struct TCase
    {
        const char *Text, *Expected;
    };
    const TCase cases[] = {
        {"[1234.5 #n%2,2f]", "1234,50\r\n"},
        {"Sum: [1234.5 #n%2.2f] kg", "Sum: 1234.50 kg\r\n"},
        {"[41 #n%d]", "41\r\n"},
        {"[True #bNo,Yes] [False #bNo,Yes]", "Yes No\r\n"},
        {"['x #n)']", "x #n)\r\n"},
        {"[totalpages#] [CopyName#]", "[TotalPages#] [CopyName#]\r\n"},
        {"no expression", "no expression\r\n"},
    };
    for (const TCase &c : cases) {
        try {
            EXPECT_EQ(f.Print(QString::fromUtf8(c.Text)), QString::fromUtf8(c.Expected)) << c.Text;
        } catch (const Exception &e) {
            ADD_FAILURE() << c.Text << ": " << e.Message().toStdString();
        }
    }
    // The template text comes back after printing.
    EXPECT_EQ(f.Memo->Text(), QStringLiteral("no expression\r\n"));

    f.Memo->SetHideZeros(true);
    EXPECT_EQ(f.Print(QStringLiteral("[0]")), QStringLiteral("\r\n"));
    EXPECT_EQ(f.Print(QStringLiteral("[2 - 2 #n%2.2f]")), QStringLiteral("\r\n"));
    EXPECT_EQ(f.Print(QStringLiteral("['0']")), QStringLiteral("0\r\n"));
    f.Memo->SetHideZeros(false);

    f.Memo->SetExpressionDelimiters(QStringLiteral("<%,%>"));
    EXPECT_EQ(f.Print(QStringLiteral("[1] <%2+2%>")), QStringLiteral("[1] 4\r\n"));
    f.Memo->SetExpressionDelimiters(QStringLiteral("{"));
    EXPECT_EQ(f.Print(QStringLiteral("{1}")), QStringLiteral("{1}\r\n"));
    f.Memo->SetExpressionDelimiters(QStringLiteral("[,]"));
    f.Memo->SetAllowExpressions(false);
    EXPECT_EQ(f.Print(QStringLiteral("[1]")), QStringLiteral("[1]\r\n"));
}

TEST(ViewCalc, HighlightTagStrAndUrl)
{
    TCalcFixture f;
    f.Report.Variables()->SetVariables(QStringLiteral("Qty"), 7);
    ASSERT_TRUE(f.Report.SetupScript());
    f.Memo->Highlight()->SetCondition(QStringLiteral("7 > 5"));
    f.Memo->SetTagStr(QStringLiteral("row [Qty]"));
    f.Memo->SetURL(QStringLiteral("http://x/[3 * 2]"));
    f.Memo->SetText(QStringLiteral("[Qty]"));
    f.Memo->BeforePrint();
    f.Memo->GetData();
    EXPECT_TRUE(f.Memo->Highlight()->Active());
    EXPECT_EQ(f.Memo->TagStr(), QStringLiteral("row 7"));
    EXPECT_EQ(f.Memo->URL(), QStringLiteral("http://x/6"));
    EXPECT_EQ(VarToStr(f.Memo->Value()), QStringLiteral("7"));
    f.Memo->AfterPrint();
    EXPECT_EQ(f.Memo->TagStr(), QStringLiteral("row [Qty]"));
    EXPECT_EQ(f.Memo->URL(), QStringLiteral("http://x/[3 * 2]"));
    EXPECT_EQ(f.Memo->Text(), QStringLiteral("[Qty]\r\n"));
}

TEST(ViewCalc, FailingExpressionsRaiseToTheCaller)
{
    TCalcFixture f;
    ASSERT_TRUE(f.Report.SetupScript());
    f.Memo->SetText(QStringLiteral("[1 +]"));
    f.Memo->BeforePrint();
    EXPECT_THROW(f.Memo->GetData(), Exception);
    f.Memo->AfterPrint();
    EXPECT_EQ(f.Memo->Text(), QStringLiteral("[1 +]\r\n"));
    // A view outside any report has nothing to evaluate with.
    TqdzMemoView lone(nullptr);
    lone.SetText(QStringLiteral("[1]"));
    EXPECT_THROW(lone.GetData(), Exception);
}

TEST(ViewCalc, TheSameTextPrintedAgainTakesNewValues)
{
    TCalcFixture f;
    f.Report.Variables()->SetVariables(QStringLiteral("Qty"), 7);
    f.Report.Variables()->SetVariables(QStringLiteral("Raw"), QStringLiteral("'[Qty]'"));
    ASSERT_TRUE(f.Report.SetupScript());
    struct TCase
    {
        int Qty;
        const char *Text, *Expected;
    };
    const TCase cases[] = {
        {7, "a [Qty] b [2 * 3] c", "a 7 b 6 c\r\n"},
        {8, "a [Qty] b [2 * 3] c", "a 8 b 6 c\r\n"},
        // A value holding the delimiters is put in as it is.
        {8, "<[Raw]>", "<[Qty]>\r\n"},
        // An opening delimiter never closed ends the search there.
        {9, "[Qty] [Qty", "9 [Qty\r\n"},
        {3, "[Qty] [Qty", "3 [Qty\r\n"},
    };
    for (const TCase &c : cases) {
        f.Report.Variables()->SetVariables(QStringLiteral("Qty"), c.Qty);
        EXPECT_EQ(f.Print(QString::fromUtf8(c.Text)), QString::fromUtf8(c.Expected)) << c.Text << " " << c.Qty;
    }
}
