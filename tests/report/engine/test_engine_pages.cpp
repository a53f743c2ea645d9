// The engine's pages and bands: header and footer print-on rules, title
// order, continuing on the previous page, endless pages, stretching and
// shifting of views, repeated values after a break, new pages before a
// band, group footers of single records, and subreports.
#include "EngineHarness.h"

#include <gtest/gtest.h>

namespace {

QStringList OfBand(const EngineHarness &H, const QString &Band, int Page)
{
    QStringList L;
    for (const BuiltText &T : H.Texts(Page))
        if (T.Band == Band)
            L << T.Text;
    return L;
}

double TopOf(const EngineHarness &H, int Page, const QString &Text)
{
    for (const BuiltText &T : H.Texts(Page))
        if (T.Text == Text)
            return T.Top;
    return -1;
}

std::string J(const QStringList &L)
{
    return L.join(",").toStdString();
}

} // namespace

TEST(EnginePages, FooterAndHeaderPrintOnRules)
{
    EngineHarness H;
    auto *PH = H.Band<TqdzPageHeader>("PH", 0, 30);
    PH->SetPrintOnFirstPage(false);
    PH->SetPrintChildIfInvisible(true);
    auto *C = H.Band<TqdzChild>("PHChild", 40, 20);
    H.Memo(C, "CM", "child");
    PH->SetChild(C);
    H.Memo(PH, "PHM", "head");
    auto *PF = H.Band<TqdzPageFooter>("PF", 1000, 30);
    PF->SetPrintOnFirstPage(false);
    PF->SetPrintOnLastPage(false);
    H.Memo(PF, "PFM", "foot [Page#]");
    auto *MD = H.Band<TqdzMasterData>("MD", 100, 400);
    MD->SetRowCount(6); // two a page: three pages
    H.Memo(MD, "M", "[Line]");
    ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
    ASSERT_EQ(H.PageCount(), 3);
    EXPECT_EQ(J(H.TextList(0)), "child,1,2");
    EXPECT_EQ(J(H.TextList(1)), "head,child,3,4,foot 2");
    EXPECT_EQ(J(H.TextList(2)), "head,child,5,6");
}

TEST(EnginePages, TitleOrder)
{
    for (bool Before : {true, false}) {
        EngineHarness H;
        H.Page->SetTitleBeforeHeader(Before);
        H.Memo(H.Band<TqdzReportTitle>("T", 0, 20), "TM", "title");
        H.Memo(H.Band<TqdzPageHeader>("PH", 30, 20), "PHM", "header");
        ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
        EXPECT_EQ(J(H.TextList(0)), Before ? "title,header" : "header,title");
    }
}

TEST(EnginePages, SecondPageContinuesOnThePrevious)
{
    EngineHarness H;
    auto *P2 = H.NewPage("Page2");
    P2->SetPrintOnPreviousPage(true);
    H.Memo(H.Band<TqdzPageHeader>("PH1", 0, 20), "A", "header1");
    auto *M1 = H.Band<TqdzMasterData>("MD1", 30, 20);
    M1->SetRowCount(2);
    H.Memo(M1, "B", "one[Line]");
    H.Memo(H.Band<TqdzReportTitle>("T2", 0, 20, P2), "C", "title2");
    H.Memo(H.Band<TqdzPageHeader>("PH2", 30, 20, P2), "D", "header2");
    ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
    ASSERT_EQ(H.PageCount(), 1);
    EXPECT_EQ(J(H.TextList(0)), "header1,one1,one2,title2");
    EXPECT_DOUBLE_EQ(TopOf(H, 0, "title2"), 60);
}

TEST(EnginePages, OneColumnNewColumnIsANewPage)
{
    EngineHarness H;
    auto *MD = H.Band<TqdzMasterData>("MD", 0, 20);
    MD->SetRowCount(3);
    H.Memo(MD, "M", "[Line]");
    ASSERT_TRUE(H.Build());
    auto *E = H.Engine();
    EXPECT_EQ(H.PageCount(), 1);
    // FreeSpace after a run is counted from the last page's stored height.
    EXPECT_DOUBLE_EQ(E->PageHeight(), (297 - 20) * qdzPixelsPerMM);
}

TEST(EnginePages, EndlessHeightHoldsEverything)
{
    EngineHarness H;
    H.Page->SetEndlessHeight(true);
    auto *MD = H.Band<TqdzMasterData>("MD", 0, 20);
    MD->SetRowCount(200); // 4,000 px
    H.Memo(MD, "M", "[Line]");
    ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
    EXPECT_EQ(H.PageCount(), 1);
    EXPECT_EQ(H.TextList(0).size(), 200);
}

TEST(EnginePages, StretchShiftsViewsBelow)
{
    for (TqdzShiftMode Mode : {smAlways, smWhenOverlapped}) {
        for (double LowerTop : {25.0, 150.0}) {
            EngineHarness H;
            auto *MD = H.Band<TqdzMasterData>("MD", 0, 200);
            MD->SetRowCount(1);
            auto *Upper = H.Memo(MD, "Upper", "a\r\nb\r\nc\r\nd", 0, 0, 200, 18);
            Upper->SetStretchMode(smActualHeight);
            auto *Lower = H.Memo(MD, "Lower", "below", 0, LowerTop, 200, 18);
            Lower->SetShiftMode(Mode);
            ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
            double UpperHeight = 0;
            TList *All = H.Store()->GetPage(0)->AllObjects();
            for (int i = 0; i < All->Count(); ++i) {
                auto *C = static_cast<TqdzComponent *>(static_cast<TObject *>(All->Items(i)));
                if (C->Name() == "Upper")
                    UpperHeight = C->Height();
            }
            const double Delta = UpperHeight - 18;
            ASSERT_GT(Delta, 20);
            const double Lowered = TopOf(H, 0, "below");
            if (Mode == smAlways)
                EXPECT_DOUBLE_EQ(Lowered, LowerTop + Delta) << LowerTop;
            else if (LowerTop >= UpperHeight)
                EXPECT_DOUBLE_EQ(Lowered, LowerTop) << LowerTop; // not overlapped: stays
            else
                EXPECT_DOUBLE_EQ(Lowered, UpperHeight) << LowerTop; // moves to the bottom
        }
    }
}

TEST(EnginePages, StretchedBandAndMaxHeightViews)
{
    EngineHarness H;
    auto *MD = H.Band<TqdzMasterData>("MD", 0, 20);
    MD->SetRowCount(1);
    MD->SetStretched(true);
    auto *Tall = H.Memo(MD, "Tall", "1\r\n2\r\n3\r\n4\r\n5", 0, 0, 100, 18);
    Tall->SetStretchMode(smActualHeight);
    auto *Side = H.Memo(MD, "Side", "x", 120, 0, 100, 18);
    Side->SetStretchMode(smMaxHeight);
    H.Memo(H.Band<TqdzFooter>("F", 40, 20), "FM", "after");
    ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
    TqdzReportPage *P = H.Store()->GetPage(0);
    double TallH = 0, SideH = 0, BandH = 0;
    TList *All = P->AllObjects();
    for (int i = 0; i < All->Count(); ++i) {
        auto *C = static_cast<TqdzComponent *>(static_cast<TObject *>(All->Items(i)));
        if (C->Name() == "Tall")
            TallH = C->Height();
        if (C->Name() == "Side")
            SideH = C->Height();
        if (C->Name() == "MD")
            BandH = C->Height();
    }
    EXPECT_GT(TallH, 60);
    EXPECT_DOUBLE_EQ(BandH, TallH);
    EXPECT_DOUBLE_EQ(SideH, TallH);
    EXPECT_DOUBLE_EQ(TopOf(H, 0, "after"), TallH);
}

TEST(EnginePages, RepeatedValueShownAgainOnANewPage)
{
    EngineHarness H;
    auto *MD = H.Band<TqdzMasterData>("MD", 0, 300);
    MD->SetRowCount(5);
    auto *Same = H.Memo(MD, "Same", "same", 0, 0);
    Same->SetSuppressRepeated(true);
    ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
    ASSERT_EQ(H.PageCount(), 2);
    EXPECT_EQ(J(H.TextList(0)), "same,,");
    EXPECT_EQ(J(H.TextList(1)), "same,");
}

TEST(EnginePages, StartNewPageExceptForTheFirstRecord)
{
    EngineHarness H;
    auto *MD = H.Band<TqdzMasterData>("MD", 0, 20);
    MD->SetRowCount(3);
    MD->SetStartNewPage(true);
    H.Memo(MD, "M", "[Line]");
    ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
    ASSERT_EQ(H.PageCount(), 3);
    EXPECT_EQ(J(H.TextList(2)), "3");
}

TEST(EnginePages, SingleRecordGroupsHideTheirFooter)
{
    EngineHarness H;
    auto *DS = H.DataSet("DS", 3);
    H.Handlers.Values = [&](const QString &N) -> Variant {
        return N == "Key" ? Variant(QString::number(DS->RecNo())) : Variant();
    };
    auto *GH = H.Band<TqdzGroupHeader>("GH", 0, 20);
    GH->SetCondition("Key");
    auto *MD = H.Band<TqdzMasterData>("MD", 30, 20);
    MD->SetDataSet(DS);
    H.Memo(MD, "M", "[Key]");
    auto *GF = H.Band<TqdzGroupFooter>("GF", 60, 20);
    GF->SetHideIfSingleDataRecord(true);
    H.Memo(GF, "F", "footer");
    ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
    EXPECT_EQ(J(H.AllTexts()), "0,1,2");
}

TEST(EnginePages, SubreportsSideBySideAndAcrossPages)
{
    EngineHarness H;
    auto *Short = H.NewPage("Short");
    auto *Long = H.NewPage("Long");
    auto *T = H.Band<TqdzReportTitle>("T", 0, 40);
    auto *S1 = new TqdzSubreport(T);
    S1->SetName("Sub1");
    S1->SetBounds(0, 10, 200, 20);
    S1->SetPage(Short);
    auto *S2 = new TqdzSubreport(T);
    S2->SetName("Sub2");
    S2->SetBounds(300, 10, 200, 20);
    S2->SetPage(Long);
    auto *SM = H.Band<TqdzMasterData>("SM", 0, 20, Short);
    SM->SetRowCount(2);
    H.Memo(SM, "SMM", "s[Line]");
    auto *LM = H.Band<TqdzMasterData>("LM", 0, 400, Long);
    LM->SetRowCount(6); // 2,400 px: onto the third page
    H.Memo(LM, "LMM", "l[Line]");
    auto *Sum = H.Band<TqdzReportSummary>("Sum", 100, 20);
    H.Memo(Sum, "SumM", "end");
    ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
    ASSERT_EQ(H.PageCount(), 3);
    // Both start at the band's top plus their own.
    EXPECT_DOUBLE_EQ(TopOf(H, 0, "s1"), 10);
    EXPECT_DOUBLE_EQ(TopOf(H, 0, "l1"), 10);
    // The report goes on below the longer one, on its last page.
    EXPECT_EQ(J(OfBand(H, "LM", 2)), "l5,l6");
    EXPECT_DOUBLE_EQ(TopOf(H, 2, "end"), TopOf(H, 2, "l6") + 400);
}

TEST(EnginePages, PrintOnParentSubreportGrowsTheBand)
{
    EngineHarness H;
    auto *Inner = H.NewPage("Inner");
    auto *MD = H.Band<TqdzMasterData>("MD", 0, 30);
    MD->SetRowCount(2);
    MD->SetStretched(true);
    H.Memo(MD, "M", "m[Line]", 0, 0, 100, 20);
    auto *S = new TqdzSubreport(MD);
    S->SetName("Sub");
    S->SetBounds(200, 5, 200, 20);
    S->SetPage(Inner);
    S->SetPrintOnParent(true);
    auto *IM = H.Band<TqdzMasterData>("IM", 0, 300, Inner);
    IM->SetRowCount(3); // 900 px: the band grows to 905, one a page
    H.Memo(IM, "IMM", "i[Line]");
    ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
    ASSERT_EQ(H.PageCount(), 2);
    EXPECT_EQ(J(OfBand(H, "MD", 0)), "m1,i1,i2,i3");
    EXPECT_EQ(J(OfBand(H, "MD", 1)), "m2,i1,i2,i3");
    EXPECT_DOUBLE_EQ(TopOf(H, 0, "i3"), 5 + 2 * 300);
}
