// The band tree: headers, footers and groups next to their data band,
// master-detail levels, bands at one position, and the messages for bands
// that fit nowhere.
#include "platform/Classes.h"
#include "report/engine/qdzBandTree.h"
#include "report/model/qdzClass.h"

#include <gtest/gtest.h>

namespace {

struct BandTreeFixture : ::testing::Test
{
    TqdzReport report{nullptr};
    TqdzReportPage *page = new TqdzReportPage(&report);
    TStringList errors;
    TqdzBandTree tree;

    template <class T> T *Add(const QString &name, double top, int rows = 1)
    {
        auto *b = new T(page);
        b->SetName(name);
        b->SetTop(top);
        b->SetHeight(10);
        if constexpr (std::is_base_of_v<TqdzDataBand, T>)
            b->SetRowCount(rows);
        return b;
    }
    QStringList Errors() const
    {
        QStringList r;
        for (int i = 0; i < errors.Count(); ++i)
            r << errors.Strings(i);
        return r;
    }
};

} // namespace

TEST_F(BandTreeFixture, HeadersAndFootersJoinTheirDataBand)
{
    auto *m1 = Add<TqdzMasterData>("MasterData1", 20);
    auto *f1 = Add<TqdzFooter>("Footer1", 40);
    auto *h2 = Add<TqdzHeader>("Header2", 60);
    auto *m2 = Add<TqdzMasterData>("MasterData2", 80);
    tree.Build(page, false, &errors);
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join('|').toStdString();
    EXPECT_EQ(tree.Links(m1).Footer, f1);
    EXPECT_EQ(tree.Links(m1).Header, nullptr);
    EXPECT_EQ(tree.Links(m2).Header, h2);
    EXPECT_EQ(tree.Masters(page, false), (std::vector<TqdzDataBand *>{m1, m2}));
    EXPECT_TRUE(tree.Masters(page, true).empty());
}

TEST_F(BandTreeFixture, MessagesOfBandsThatFitNowhere)
{
    errors.SetSorted(true); // as the report's error list
    Add<TqdzHeader>("Header1", 100);         // no data band below it
    Add<TqdzGroupHeader>("GroupHeader1", 90); // no data band below it
    Add<TqdzGroupFooter>("GroupFooter1", 5);  // above every group header
    Add<TqdzDetailData>("DetailData1", 40);   // no master above it
    tree.Build(page, false, &errors);
    EXPECT_EQ(Errors(), (QStringList{"Incorrect band position: DetailData1", "No data band for the group GroupHeader1",
                                     "No group header for GroupFooter1", "Unconnected header/footer Header1"}))
        << Errors().join('|').toStdString();
}

TEST_F(BandTreeFixture, GroupsPairInnermostFirst)
{
    auto *g1 = Add<TqdzGroupHeader>("GroupHeader1", 0);
    auto *g2 = Add<TqdzGroupHeader>("GroupHeader2", 20);
    auto *g3 = Add<TqdzGroupHeader>("GroupHeader3", 40);
    auto *m = Add<TqdzMasterData>("MasterData1", 60);
    auto *f3 = Add<TqdzGroupFooter>("GroupFooter3", 80);
    auto *f2 = Add<TqdzGroupFooter>("GroupFooter2", 100);
    auto *f1 = Add<TqdzGroupFooter>("GroupFooter1", 120);
    tree.Build(page, false, &errors);
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join('|').toStdString();
    EXPECT_EQ(tree.Links(m).Group, g1);
    EXPECT_EQ(tree.Links(g1).Details, (std::vector<TqdzBand *>{g1, g2, g3}));
    EXPECT_EQ(tree.Links(g1).Footer, f1);
    EXPECT_EQ(tree.Links(g2).Footer, f2);
    EXPECT_EQ(tree.Links(g3).Footer, f3);
}

TEST_F(BandTreeFixture, MasterDetailLevels)
{
    auto *m = Add<TqdzMasterData>("MasterData1", 0);
    auto *d1 = Add<TqdzDetailData>("DetailData1", 20);
    auto *s = Add<TqdzSubdetailData>("SubdetailData1", 40);
    auto *d2 = Add<TqdzDetailData>("DetailData2", 60, 0); // no dataset: not in the detail list
    auto *m2 = Add<TqdzMasterData>("MasterData2", 80, 0);  // no dataset: not a master
    auto *d3 = Add<TqdzDetailData>("DetailData3", 100);
    tree.Build(page, false, &errors);
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join('|').toStdString();
    EXPECT_EQ(tree.Links(m).Details, (std::vector<TqdzBand *>{d1}));
    EXPECT_EQ(tree.Links(d1).Details, (std::vector<TqdzBand *>{s}));
    EXPECT_TRUE(tree.Links(d2).Details.empty());
    EXPECT_EQ(tree.Links(m2).Details, (std::vector<TqdzBand *>{d3}));
    EXPECT_EQ(tree.Masters(page, false), (std::vector<TqdzDataBand *>{m}));
    EXPECT_EQ(TqdzBandTree::DataSetOf(m), m->VirtualDataSet());
    EXPECT_EQ(TqdzBandTree::DataSetOf(m2), nullptr);
}

TEST_F(BandTreeFixture, SkippedLevelStaysForThePositionCheck)
{
    Add<TqdzMasterData>("MasterData1", 0);
    Add<TqdzSubdetailData>("SubdetailData1", 20); // two levels down
    tree.Build(page, false, &errors);
    EXPECT_EQ(Errors(), QStringList{"Incorrect band position: SubdetailData1"});
}

TEST_F(BandTreeFixture, OnlyTheFirstBandAtOnePositionTakesPart)
{
    auto *a = Add<TqdzMasterData>("MasterData1", 20.001);
    auto *b = Add<TqdzMasterData>("MasterData2", 20.004); // same key to two decimals
    tree.Build(page, false, &errors);
    EXPECT_EQ(tree.Masters(page, false), (std::vector<TqdzDataBand *>{a}));
    (void)b;
}

TEST_F(BandTreeFixture, ViewsWithinAVerticalBandMoveIntoIt)
{
    auto *m = Add<TqdzMasterData>("MasterData1", 0);
    m->SetWidth(500);
    auto *v = Add<TqdzMasterData>("VBand", 0);
    v->SetVertical(true);
    v->SetLeft(100);
    v->SetWidth(50);
    auto *inside = new TqdzNullBand(m); // any view-less child stays
    (void)inside;
    tree.Build(page, false, &errors);
    tree.Build(page, true, &errors);
    EXPECT_EQ(tree.Masters(page, true), (std::vector<TqdzDataBand *>{v}));
    EXPECT_EQ(tree.Masters(page, false), (std::vector<TqdzDataBand *>{m}));
    EXPECT_FALSE(tree.Links(m).HasVBands); // no view lies within the vertical band
}
