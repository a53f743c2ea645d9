// Aggregates: finding the calls in expressions (arguments, nesting, quotes,
// variables and their cycles), counting records, keeping, resetting and the
// per-column values.
#include "platform/Exceptions.h"
#include "report/engine/qdzAggregate.h"
#include "report/engine/qdzBandTree.h"
#include "report/model/qdzClass.h"
#include "report/model/qdzClassViews.h"
#include "report/model/qdzVariables.h"

#include <gtest/gtest.h>

namespace {

struct AggregateFixture : ::testing::Test
{
    TqdzReport report{nullptr};
    TqdzReportPage *page = new TqdzReportPage(&report);
    TqdzMasterData *master = new TqdzMasterData(page);
    TqdzFooter *footer = new TqdzFooter(page);
    TqdzPageFooter *pageFooter = new TqdzPageFooter(page);
    TqdzAggregateList list{&report};
    Variant current;

    void SetUp() override
    {
        master->SetName("MasterData1");
        footer->SetName("Footer1");
        pageFooter->SetName("PageFooter1");
        list.SetCalc([this](const QString &) { return current; });
    }
    void Feed(std::initializer_list<Variant> values, int column = 0)
    {
        for (const Variant &v : values) {
            current = v;
            list.AddValue(master, column);
        }
    }
    Variant Get(const QString &name, const QString &expr, int flags = 0, TqdzBand *parent = nullptr)
    {
        return list.GetValue(parent ? parent : footer, 0, flags, nullptr, expr, name);
    }
};

} // namespace

TEST(AggregateArgs, SplitsOutsideQuotesAndParentheses)
{
    const QList<QPair<QString, QStringList>> cases = {
        {"a, b, c", {"a", "b", "c"}},
        {" x ", {"x"}},
        {"", {}},
        {"\"1,2\", Band1", {"\"1,2\"", "Band1"}},
        {"'a,b' + IIF(x, 1, 2), B, 3", {"'a,b' + IIF(x, 1, 2)", "B", "3"}},
        {"f(g(1,2),3), B", {"f(g(1,2),3)", "B"}},
        {"a, b, c, d", {"a", "b", "c, d"}},
        {"a,,", {"a", "", ""}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(qdzSplitAggregateArgs(c.first), c.second) << c.first.toStdString();
    EXPECT_EQ(qdzAggregateKind("SUM"), 0);
    EXPECT_EQ(qdzAggregateKind("AVG"), 1);
    EXPECT_EQ(qdzAggregateKind("MIN"), 2);
    EXPECT_EQ(qdzAggregateKind("MAX"), 3);
    EXPECT_EQ(qdzAggregateKind("COUNT"), 4);
    EXPECT_EQ(qdzAggregateKind("OTHER"), 4);
}

TEST_F(AggregateFixture, FindsCallsWithTheirBandAndFlags)
{
    list.ScanText("Total: [SUM(<DS.\"Amount\">, MasterData1, 3)] and [count(MasterData1)]", "[,]", footer, nullptr,
                  "Memo1");
    ASSERT_EQ(list.Count(), 2);
    TqdzAggregateItem *sum = list.Items(0);
    EXPECT_EQ(sum->FuncKind, 0);
    EXPECT_EQ(sum->DataBand, master);
    EXPECT_TRUE(sum->CountInvisible);
    EXPECT_TRUE(sum->RunningTotal);
    EXPECT_EQ(sum->Expression, "<DS.\"Amount\">");
    EXPECT_EQ(sum->Text, "SUM(<DS.\"Amount\">, MasterData1, 3)");
    EXPECT_EQ(sum->MemoName, "Memo1");
    EXPECT_EQ(sum->ParentBand, footer);
    EXPECT_FALSE(sum->IsPageFooter);
    TqdzAggregateItem *count = list.Items(1);
    EXPECT_EQ(count->FuncKind, 4);
    EXPECT_EQ(count->Expression, "");
    EXPECT_EQ(count->DataBand, master);
    EXPECT_FALSE(count->CountInvisible);
}

TEST_F(AggregateFixture, ScansNestedCallsButNotQuotesOrOtherWords)
{
    TqdzBand *deflt = master;
    const QList<QPair<QString, int>> cases = {
        {"IIF(SUM(x) > 0, 'a,b', MAX(y))", 2},
        {"'SUM(x)' + \"AVG(y)\"", 0},
        {"FOO(1) + SUMX(2) + MYSUM(3)", 0},
        {"SUM (x)", 0}, // the name must be followed by the parenthesis
        {"min(a) + Max(b) + avg(c)", 3},
        {"<SUM(x)>", 1},
        {"SUM(x", 1},      // never closed: the rest is the argument
        {"(((SUM(1)", 1},  // unbalanced parentheses end
        {"DS.\"SUM(x)\"", 0}, // a field reference is not scanned
    };
    for (const auto &c : cases) {
        list.Clear();
        list.ScanExpression(c.first, footer, deflt, "M");
        EXPECT_EQ(list.Count(), c.second) << c.first.toStdString();
        for (int i = 0; i < list.Count(); ++i)
            EXPECT_EQ(list.Items(i)->DataBand, deflt);
    }
    list.Clear();
    list.ScanExpression("SUM(IIF(a, \"x)\", (b,c)), NoSuchBand, 2)", footer, deflt, "M");
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Items(0)->Expression, "IIF(a, \"x)\", (b,c))");
    EXPECT_EQ(list.Items(0)->DataBand, deflt); // an unknown band name falls back
    EXPECT_TRUE(list.Items(0)->RunningTotal);
    EXPECT_FALSE(list.Items(0)->CountInvisible);
}

TEST_F(AggregateFixture, DeepNestingAndBadFlagsEnd)
{
    QString deep = QString(100000, '(') + "SUM(x)" + QString(100000, ')');
    list.ScanExpression(deep, footer, master, "M");
    EXPECT_EQ(list.Count(), 0); // beyond the depth the scanner looks into
    EXPECT_THROW(list.ScanExpression("SUM(x, MasterData1, abc)", footer, master, "M"), EConvertError);
}

TEST_F(AggregateFixture, VariablesAreScannedAndCyclesEnd)
{
    report.Variables()->SetVariables("Total", Variant("SUM(x) + Other"));
    report.Variables()->SetVariables("Other", Variant("Total + MAX(y)"));
    report.Variables()->SetVariables("Self", Variant("Self"));
    list.ScanExpression("Total", footer, master, "M");
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Items(0)->FuncKind, 0);
    EXPECT_EQ(list.Items(1)->FuncKind, 3);
    list.Clear();
    list.ScanExpression("Self + 1", footer, master, "M");
    EXPECT_EQ(list.Count(), 0);
    list.ScanText("[Total] [Other]", "[,]", footer, master, "M");
    EXPECT_EQ(list.Count(), 4);
    list.Clear();
    list.ScanText("<<SUM(a)>> [SUM(b)]", "<<,>>", footer, master, "M");
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Items(0)->Expression, "a");
}

TEST_F(AggregateFixture, CountsAverageMinMaxAndNulls)
{
    list.ScanText("[SUM(v)][AVG(v)][MIN(v)][MAX(v)][COUNT()]", "[,]", footer, master, "M");
    ASSERT_EQ(list.Count(), 5);
    EXPECT_EQ(Get("MIN", "v").AsInteger(), 0); // no records: Null becomes 0
    Feed({Variant(2), Null(), Variant(4)});
    EXPECT_EQ(Get("SUM", "v").AsInteger(), 6);
    EXPECT_DOUBLE_EQ(Get("AVG", " v ").AsDouble(), 3.0); // the Null record is not counted
    EXPECT_EQ(Get("MIN", "V").AsInteger(), 2);
    EXPECT_EQ(Get("MAX", "v").AsInteger(), 4);
    EXPECT_EQ(Get("COUNT", "").AsInteger(), 3);
    EXPECT_TRUE(VarIsEmpty(Get("SUM", "w")));             // no such item
    EXPECT_TRUE(VarIsEmpty(Get("SUM", "v", 2)));          // flags differ
    EXPECT_TRUE(VarIsEmpty(Get("SUM", "v", 0, master)));  // another parent band
    list.DeleteValue(master);
    EXPECT_EQ(Get("SUM", "v").AsInteger(), 2);
    list.Reset(footer);
    EXPECT_EQ(Get("SUM", "v").AsInteger(), 0);
    Feed({Variant(true), Variant(true)});
    EXPECT_EQ(Get("SUM", "v").AsInteger(), 2); // Booleans count as numbers
}

TEST_F(AggregateFixture, InvisibleBandsCountOnlyWithTheFlag)
{
    list.ScanText("[SUM(v)][SUM(v, MasterData1, 1)]", "[,]", footer, master, "M");
    master->SetVisible(false);
    Feed({Variant(5)});
    EXPECT_EQ(Get("SUM", "v").AsInteger(), 0);
    EXPECT_EQ(Get("SUM", "v", 1).AsInteger(), 5);
}

TEST_F(AggregateFixture, RunningTotalsSurviveResetsButNotClearValues)
{
    list.ScanText("[SUM(v,,2)][SUM(v)]", "[,]", footer, master, "M");
    Feed({Variant(1), Variant(2)});
    list.Reset(footer);
    Feed({Variant(3)});
    EXPECT_EQ(Get("SUM", "v", 2).AsInteger(), 6);
    EXPECT_EQ(Get("SUM", "v").AsInteger(), 3);
    list.ClearValues();
    EXPECT_EQ(Get("SUM", "v", 2).AsInteger(), 0);
    Feed({Variant(7)});
    EXPECT_EQ(Get("SUM", "v", 2).AsInteger(), 7);
}

TEST_F(AggregateFixture, PageFooterItemsKeepAndFold)
{
    list.ScanText("[SUM(v)][MIN(v)]", "[,]", pageFooter, master, "M");
    list.ScanText("[SUM(v)]", "[,]", footer, master, "M");
    Feed({Variant(10)});
    list.StartKeep();
    Feed({Variant(5), Variant(1)});
    // Kept records are not in the page footer's totals until the keep ends.
    EXPECT_EQ(Get("SUM", "v", 0, pageFooter).AsInteger(), 10);
    EXPECT_EQ(Get("SUM", "v").AsInteger(), 16); // only page-footer items keep
    list.EndKeep();
    EXPECT_EQ(Get("SUM", "v", 0, pageFooter).AsInteger(), 16);
    EXPECT_EQ(Get("MIN", "v", 0, pageFooter).AsInteger(), 1);
    // A keep into an empty item takes the kept value as it is.
    list.Reset(pageFooter);
    list.StartKeep();
    Feed({Variant(4)});
    list.EndKeep();
    EXPECT_EQ(Get("SUM", "v", 0, pageFooter).AsInteger(), 4);
    EXPECT_EQ(Get("MIN", "v", 0, pageFooter).AsInteger(), 4);
}

TEST_F(AggregateFixture, PerColumnValuesUpToTheLastColumn)
{
    list.ScanText("[SUM(v)][COUNT()]", "[,]", footer, master, "M");
    Feed({Variant(1), Variant(2)}, 1);
    Feed({Variant(5)}, 1000);
    Feed({Variant(9)}, 1001);     // past the arrays: not counted
    Feed({Variant(9)}, 100000000); // nor this
    EXPECT_EQ(list.GetValue(footer, 1, 0, nullptr, "v", "SUM").AsInteger(), 3);
    EXPECT_EQ(list.GetValue(footer, 1000, 0, nullptr, "v", "SUM").AsInteger(), 5);
    EXPECT_EQ(list.GetValue(footer, 1000, 0, nullptr, "", "COUNT").AsInteger(), 1);
    EXPECT_EQ(list.GetValue(footer, 1001, 0, nullptr, "v", "SUM").AsInteger(), 0);
    EXPECT_EQ(list.GetValue(footer, -3, 0, nullptr, "v", "SUM").AsInteger(), 0);
    list.Reset(footer);
    EXPECT_EQ(list.GetValue(footer, 1, 0, nullptr, "v", "SUM").AsInteger(), 0);
}

TEST(AggregateItems, FoundInFootersGroupFootersAndPageBands)
{
    TqdzReport report(nullptr);
    auto *page = new TqdzReportPage(&report);
    auto band = [&](TqdzBand *b, const QString &name, double top) {
        b->SetName(name);
        b->SetTop(top);
        b->SetHeight(10);
        if (auto *d = dynamic_cast<TqdzDataBand *>(b))
            d->SetRowCount(1);
        return b;
    };
    auto memo = [&](TqdzBand *b, const QString &text) {
        auto *m = new TqdzMemoView(b);
        m->SetText(text);
        return m;
    };
    auto *gh = band(new TqdzGroupHeader(page), "GH", 0);
    auto *md = band(new TqdzMasterData(page), "MD", 20);
    auto *dd = band(new TqdzDetailData(page), "DD", 40);
    auto *df = band(new TqdzFooter(page), "DF", 50);
    auto *gf = band(new TqdzGroupFooter(page), "GF", 60);
    auto *pf = band(new TqdzPageFooter(page), "PF", 900);
    auto *sm = band(new TqdzReportSummary(page), "SM", 800);
    auto *ch = band(new TqdzChild(page), "CH", 700);
    (void)gh;
    (void)dd;
    memo(md, "[SUM(a)]");                   // a data band itself is not scanned
    memo(df, "[SUM(d)]");                   // the detail's footer
    memo(gf, "[MAX(g)]");                   // the group footer of the master
    memo(pf, "[COUNT()]");                  // page bands count the first master
    memo(sm, "[MIN(s)] [AVG(t)]");
    memo(ch, "[SUM(c)]");                   // the summary's child
    sm->SetChild(static_cast<TqdzChild *>(ch));
    auto *off = memo(sm, "[SUM(off)]");
    off->SetAllowExpressions(false);        // not scanned
    TqdzBandTree tree;
    TStringList errors;
    tree.Build(page, false, &errors);
    tree.Build(page, true, &errors);
    ASSERT_EQ(errors.Count(), 0) << errors.Text().toStdString();
    TqdzAggregateList list(&report);
    list.AddItems(page, &tree);
    QStringList found;
    for (int i = 0; i < list.Count(); ++i)
        found << list.Items(i)->Text + "@" + list.Items(i)->ParentBand->Name() + ">" + list.Items(i)->DataBand->Name() +
                     (list.Items(i)->IsPageFooter ? "!" : "");
    EXPECT_EQ(found.join(" ").toStdString(),
              "MAX(g)@GF>MD SUM(d)@DF>DD COUNT()@PF>MD! MIN(s)@SM>MD AVG(t)@SM>MD SUM(c)@CH>MD");
}
