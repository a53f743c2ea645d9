// The engine's vertical bands: where cells go, headers, footers and groups
// across, further horizontal pages with their headers and footers, endless
// width, totals per row and per column, hostile templates, and the page
// limit of a run.
#include "EngineHarness.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

std::string J(const QStringList &L)
{
    return L.join(",").toStdString();
}

// Texts with their left edges, "text@left", of one page.
std::string Placed(const EngineHarness &H, int Page)
{
    QStringList L;
    for (const BuiltText &T : H.Texts(Page))
        L << QStringLiteral("%1@%2").arg(T.Text).arg(T.Left);
    return J(L);
}

// A vertical band of a page, at Left with Width.
template <class B> B *VBand(EngineHarness &H, const QString &Name, double Left, double Width)
{
    auto *V = new B(H.Page);
    V->SetName(Name);
    V->SetVertical(true);
    V->SetLeft(Left);
    V->SetTop(0);
    V->SetWidth(Width);
    return V;
}

// Three vertical rows on a vertical band at Left with Width; a cell's [Val]
// gives its row's number.
TqdzMasterData *NumberedColumns(EngineHarness &H, double Left, double Width)
{
    auto *VDS = H.DataSet("VDS", 3);
    H.Handlers.Values = [VDS](const QString &N) -> Variant {
        return N == "Val" ? Variant(VDS->RecNo() + 1) : Variant();
    };
    auto *VD = VBand<TqdzMasterData>(H, "VD", Left, Width);
    VD->SetDataSet(VDS);
    return VD;
}

// Page and column headers and footers around a master band of Rows rows.
struct TFramedBands
{
    TqdzPageHeader *PH;
    TqdzColumnHeader *CH;
    TqdzMasterData *MD;
    TqdzColumnFooter *CF;
    TqdzPageFooter *PF;
};

TFramedBands FramedBands(EngineHarness &H, int Rows)
{
    TFramedBands b{H.Band<TqdzPageHeader>("PH", 0, 20), H.Band<TqdzColumnHeader>("CH", 30, 20),
                   H.Band<TqdzMasterData>("MD", 100, 20), nullptr, nullptr};
    b.MD->SetRowCount(Rows);
    b.CF = H.Band<TqdzColumnFooter>("CF", 900, 20);
    b.PF = H.Band<TqdzPageFooter>("PF", 1000, 20);
    return b;
}

} // namespace

TEST(EngineVertical, CellsStartWhereTheVerticalBandsAre)
{
    struct Case
    {
        const char *Name;
        bool HeaderFooter;
        bool FooterAfterEach;
        const char *Page0;
    };
    const Case Cases[] = {
        {"data only", false, false, "r1@0,c1@150,c2@210,c3@270,r2@0,c1@150,c2@210,c3@270"},
        {"header and footer", true, false, "r1@0,h@100,c1@150,c2@210,c3@270,f@330,r2@0,h@100,c1@150,c2@210,c3@270,f@330"},
        {"footer after each", true, true, "r1@0,h@100,c1@150,f@210,c2@250,f@310,c3@350,f@410,r2@0,h@100,c1@150,f@210,c2@250,"
                                          "f@310,c3@350,f@410"},
    };
    for (const Case &C : Cases) {
        SCOPED_TRACE(C.Name);
        EngineHarness H;
        auto *MD = H.Band<TqdzMasterData>("MD", 100, 20);
        MD->SetRowCount(2);
        H.Memo(MD, "Own", "r[Line]", 0, 0, 90);
        auto *VD = VBand<TqdzMasterData>(H, "VD", 150, 60);
        VD->SetRowCount(3);
        VD->SetFooterAfterEach(C.FooterAfterEach);
        H.Memo(MD, "Cell", "c[Line]", 150, 0, 50);
        if (C.HeaderFooter) {
            VBand<TqdzHeader>(H, "VH", 100, 50);
            VBand<TqdzFooter>(H, "VF", 210, 40);
            H.Memo(MD, "Head", "h", 100, 0, 40);
            H.Memo(MD, "Foot", "f", 210, 0, 40);
        }
        ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
        ASSERT_EQ(H.PageCount(), 1);
        EXPECT_EQ(Placed(H, 0), C.Page0);
    }
}

TEST(EngineVertical, CellsFollowTheirHostIntoPageColumns)
{
    EngineHarness H;
    H.Page->SetColumns(2); // 95 mm each: the second starts at 359.06 px
    auto *MD = H.Band<TqdzMasterData>("MD", 100, 500);
    MD->SetRowCount(3); // two rows a column
    H.Memo(MD, "Own", "r[Line]", 0, 0, 40);
    auto *VD = VBand<TqdzMasterData>(H, "VD", 50, 100);
    VD->SetRowCount(2);
    H.Memo(MD, "Cell", "c[Line]", 50, 0, 50);
    ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
    ASSERT_EQ(H.PageCount(), 1);
    const double X2 = 95 * qdzPixelsPerMM;
    EXPECT_EQ(Placed(H, 0), QStringLiteral("r1@0,c1@50,c2@150,r3@%1,c1@%2,c2@%3,r2@0,c1@50,c2@150")
                                .arg(X2)
                                .arg(X2 + 50)
                                .arg(X2 + 150)
                                .toStdString());
}

TEST(EngineVertical, AHostWithCellsMovesWholeEvenWhenItMaySplit)
{
    EngineHarness H;
    auto *MD = H.Band<TqdzMasterData>("MD", 100, 400);
    MD->SetAllowSplit(true);
    MD->SetRowCount(3); // the third has 246.93 px left of 400
    H.Memo(MD, "Own", "r[Line]", 0, 0, 40);
    auto *VD = VBand<TqdzMasterData>(H, "VD", 50, 100);
    VD->SetRowCount(2);
    H.Memo(MD, "Cell", "c[Line]", 50, 0, 50);
    ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
    ASSERT_EQ(H.PageCount(), 2);
    EXPECT_EQ(J(H.TextList(0)), "r1,c1,c2,r2,c1,c2");
    EXPECT_EQ(Placed(H, 1), "r3@0,c1@50,c2@150");
}

TEST(EngineVertical, GroupsAcrossOverAAB)
{
    for (bool HideSingle : {false, true}) {
        SCOPED_TRACE(HideSingle ? "hide single" : "all footers");
        EngineHarness H;
        auto *MD = H.Band<TqdzMasterData>("MD", 100, 20);
        MD->SetRowCount(1);
        auto *VDS = H.DataSet("VDS", 3);
        const QStringList Keys{"A", "A", "B"};
        H.Handlers.Values = [&](const QString &N) -> Variant {
            if (N == "Key")
                return Variant(Keys.value(VDS->RecNo()));
            return Variant();
        };
        auto *GH = VBand<TqdzGroupHeader>(H, "VGH", 100, 30);
        GH->SetCondition("Key");
        auto *VD = VBand<TqdzMasterData>(H, "VD", 130, 40);
        VD->SetDataSet(VDS);
        auto *GF = VBand<TqdzGroupFooter>(H, "VGF", 170, 30);
        GF->SetHideIfSingleDataRecord(HideSingle);
        H.Memo(MD, "G", "gh[Key]", 100, 0, 30);
        H.Memo(MD, "D", "d[Key][Line]", 130, 0, 40);
        H.Memo(MD, "F", "gf[Key][COUNT()]", 170, 0, 30);
        ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
        ASSERT_EQ(H.PageCount(), 1);
        EXPECT_EQ(Placed(H, 0), HideSingle ? "ghA@100,dA1@130,dA2@170,gfA2@210,ghB@240,dB1@270"
                                           : "ghA@100,dA1@130,dA2@170,gfA2@210,ghB@240,dB1@270,gfB1@310");
    }
}

TEST(EngineVertical, FullWidthGoesOnToAFurtherPageWithItsHeaders)
{
    // 60 rows of 20 px: 50 fit below the page header and above the footer.
    for (int Rows : {2, 60}) {
        SCOPED_TRACE(Rows);
        EngineHarness H;
        auto *PH = H.Band<TqdzPageHeader>("PH", 0, 20);
        H.Memo(PH, "PHM", "ph [Page#]");
        auto *PF = H.Band<TqdzPageFooter>("PF", 1000, 20);
        H.Memo(PF, "PFM", "pf [Page#]");
        auto *MD = H.Band<TqdzMasterData>("MD", 100, 20);
        MD->SetRowCount(Rows);
        H.Memo(MD, "Own", "r[Line]", 0, 0, 30);
        auto *VH = VBand<TqdzHeader>(H, "VH", 40, 60);
        VH->SetReprintOnNewPage(true);
        auto *VD = VBand<TqdzMasterData>(H, "VD", 100, 300);
        VD->SetRowCount(3);
        H.Memo(MD, "Head", "h", 40, 0, 50);
        H.Memo(MD, "Cell", "c[Line#]", 100, 0, 50);
        ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
        if (Rows == 2) {
            // 100 + 300 + 300 = 700 of 718.11 px: the third cell goes on a
            // further page, after the header shown again.
            ASSERT_EQ(H.PageCount(), 2);
            EXPECT_EQ(Placed(H, 0), "ph 1@0,r1@0,h@40,c1@100,c2@400,r2@0,h@40,c1@100,c2@400,pf 1@0");
            EXPECT_EQ(Placed(H, 1), "ph 2@0,r1@0,h@40,c3@100,r2@0,h@40,c3@100,pf 2@0");
            EXPECT_DOUBLE_EQ(H.Texts(1)[1].Top, H.Texts(0)[1].Top);
        } else {
            // Each page of rows is followed by its further page.
            ASSERT_EQ(H.PageCount(), 4);
            const char *Firsts[] = {"ph 1,r1,h,c1,c2", "ph 2,r1,h,c3", "ph 3,r51,h,c1,c2", "ph 4,r51,h,c3"};
            const int Rows0[] = {50, 50, 10, 10};
            for (int P = 0; P < 4; ++P) {
                const QStringList T = H.TextList(P);
                EXPECT_EQ(J(T.mid(0, P % 2 ? 4 : 5)), Firsts[P]) << P;
                EXPECT_EQ(T.filter(QRegularExpression("^r\\d+$")).size(), Rows0[P]) << P;
                EXPECT_EQ(T.last(), QStringLiteral("pf %1").arg(P + 1)) << P;
            }
        }
    }
}

TEST(EngineVertical, GroupHeadersComeBackOnFurtherPagesInBothPasses)
{
    EngineHarness H;
    H.Report->EngineOptions()->SetDoublePass(true);
    auto *PF = H.Band<TqdzPageFooter>("PF", 1000, 20);
    H.Memo(PF, "PFM", "[Page#] of [TotalPages#]");
    auto *MD = H.Band<TqdzMasterData>("MD", 100, 20);
    MD->SetRowCount(1);
    auto *VDS = H.DataSet("VDS", 3);
    H.Handlers.Values = [&](const QString &N) -> Variant {
        return N == "Key" ? Variant(QStringLiteral("A")) : Variant();
    };
    auto *GH = VBand<TqdzGroupHeader>(H, "VGH", 100, 50);
    GH->SetCondition("Key");
    GH->SetReprintOnNewPage(true);
    auto *VD = VBand<TqdzMasterData>(H, "VD", 150, 250);
    VD->SetDataSet(VDS);
    H.Memo(MD, "G", "gh[Key]", 100, 0, 50);
    H.Memo(MD, "D", "d[Line]", 150, 0, 50);
    ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
    ASSERT_EQ(H.PageCount(), 2);
    EXPECT_EQ(Placed(H, 0), "ghA@100,d1@150,d2@400,1 of 2@0");
    EXPECT_EQ(Placed(H, 1), "ghA@100,d3@150,2 of 2@0");
}

TEST(EngineVertical, EndlessWidthGrowsThePage)
{
    EngineHarness H;
    H.Page->SetEndlessWidth(true);
    auto *MD = H.Band<TqdzMasterData>("MD", 100, 20);
    MD->SetRowCount(1);
    auto *VD = VBand<TqdzMasterData>(H, "VD", 100, 300);
    VD->SetRowCount(4);
    H.Memo(MD, "Cell", "c[Line]", 100, 0, 50);
    ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
    ASSERT_EQ(H.PageCount(), 1);
    EXPECT_EQ(Placed(H, 0), "c1@100,c2@400,c3@700,c4@1000");
    EXPECT_NEAR(H.Engine()->PageWidth(), 718.11 + 600, 0.01);
}

TEST(EngineVertical, TotalsPerRowAndPerColumn)
{
    EngineHarness H;
    auto *DS = H.DataSet("DS", 2);
    auto *VDS = H.DataSet("VDS", 3);
    H.Handlers.Values = [&](const QString &N) -> Variant {
        if (N == "Val")
            return Variant((DS->RecNo() + 1) * 10 + VDS->RecNo() + 1);
        return Variant();
    };
    auto *MD = H.Band<TqdzMasterData>("MD", 100, 20);
    MD->SetDataSet(DS);
    auto *F = H.Band<TqdzFooter>("F", 140, 20);
    auto *VD = VBand<TqdzMasterData>(H, "VD", 100, 50);
    VD->SetDataSet(VDS);
    VBand<TqdzFooter>(H, "VF", 150, 50);
    H.Memo(MD, "Own", "row", 0, 0, 40);
    H.Memo(MD, "Cell", "[Val]", 100, 0, 40);
    H.Memo(MD, "RowSum", "[SUM(<Val>)]", 150, 0, 40);
    H.Memo(F, "FOwn", "total", 0, 0, 40);
    H.Memo(F, "ColSum", "[SUM(<Val>)]", 100, 0, 40);
    H.Memo(F, "All", "[SUM(<Val>)]", 150, 0, 40);
    ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
    ASSERT_EQ(H.PageCount(), 1);
    EXPECT_EQ(J(H.TextList(0)), "row,11,12,13,36,row,21,22,23,66,total,32,34,36,102");
}

TEST(EngineVertical, HostileTemplatesEnd)
{
    {
        SCOPED_TRACE("a vertical band wider than the page: one cell a page");
        EngineHarness H;
        auto *MD = H.Band<TqdzMasterData>("MD", 100, 20);
        MD->SetRowCount(2);
        auto *VH = VBand<TqdzHeader>(H, "VH", 0, 2000);
        VH->SetReprintOnNewPage(true);
        auto *VD = VBand<TqdzMasterData>(H, "VD", 2000, 2000);
        VD->SetRowCount(3);
        H.Memo(MD, "Head", "h", 0, 0, 50);
        H.Memo(MD, "Cell", "c[Line]", 2000, 0, 50);
        ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
        ASSERT_EQ(H.PageCount(), 4);
        EXPECT_EQ(J(H.TextList(0)), "h,h");
        for (int P = 1; P < 4; ++P)
            EXPECT_EQ(J(H.TextList(P)), QStringLiteral("h,c%1,h,c%1").arg(P).toStdString());
    }
    {
        SCOPED_TRACE("page bands with cells wider than the page: one a page, each once");
        EngineHarness H;
        const auto [PH, CH, MD, CF, PF] = FramedBands(H, 2);
        NumberedColumns(H, 0, 2000);
        H.Memo(PH, "PHC", "p[Line]", 0, 0, 50);
        H.Memo(CH, "CHC", "h[Line]", 0, 0, 50);
        H.Memo(MD, "Cell", "[Val]", 0, 0, 50);
        H.Memo(CF, "CFC", "c[SUM(<Val>)]", 0, 0, 50);
        H.Memo(PF, "PFC", "s[SUM(<Val>)]", 0, 0, 50);
        ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
        ASSERT_EQ(H.PageCount(), 3);
        for (int P = 0; P < 3; ++P)
            EXPECT_EQ(J(H.TextList(P)), QStringLiteral("p%1,h%1,%1,%1,c%2,s%2").arg(P + 1).arg(2 * (P + 1)).toStdString());
    }
    {
        SCOPED_TRACE("a vertical band without a dataset shows nothing");
        EngineHarness H;
        auto *MD = H.Band<TqdzMasterData>("MD", 100, 20);
        MD->SetRowCount(2);
        H.Memo(MD, "Own", "r[Line]", 0, 0, 50);
        VBand<TqdzMasterData>(H, "VD", 100, 60);
        H.Memo(MD, "Cell", "c[Line]", 100, 0, 50);
        ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
        ASSERT_EQ(H.PageCount(), 1);
        EXPECT_EQ(J(H.TextList(0)), "r1,r2");
    }
    for (bool StrayFooter : {true, false}) {
        SCOPED_TRACE("nested groups breaking on every record, zero widths");
        EngineHarness H;
        auto *MD = H.Band<TqdzMasterData>("MD", 100, 20);
        MD->SetRowCount(1);
        auto *VDS = H.DataSet("VDS", 5);
        H.Handlers.Values = [&](const QString &N) -> Variant {
            return N == "K" ? Variant(VDS->RecNo()) : Variant();
        };
        auto *G1 = VBand<TqdzGroupHeader>(H, "VG1", 0, 0);
        G1->SetCondition("1");
        auto *G2 = VBand<TqdzGroupHeader>(H, "VG2", 1, 0);
        G2->SetCondition("K");
        auto *VD = VBand<TqdzMasterData>(H, "VD", 2, 0);
        VD->SetDataSet(VDS);
        VBand<TqdzGroupFooter>(H, "VGF2", 3, 0);
        VBand<TqdzGroupFooter>(H, "VGF1", 4, 0);
        if (StrayFooter)
            VBand<TqdzGroupFooter>(H, "VGF0", 5, 0);
        H.Memo(MD, "Cell", "c", 2, 0, 0);
        if (StrayFooter) {
            EXPECT_FALSE(H.Build());
            EXPECT_EQ(J(H.Errors()), "No group header for VGF0");
            EXPECT_EQ(H.PageCount(), 0);
        } else {
            ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
            ASSERT_EQ(H.PageCount(), 1);
            EXPECT_EQ(J(H.TextList(0)), "c,c,c,c,c");
        }
    }
}

TEST(EngineVertical, VerticalDataWithoutEndStops)
{
    struct Case
    {
        double Width;
        int Pages;
        int Cells; // on the first page
        const char *Error;
    };
    // A lower limit keeps the run short; the limit itself is tested below.
    const Case Cases[] = {
        {700, 1, 1, "The report reached 300 pages and was stopped"},
        {0, 1, 301, "The report reached 300 vertical columns and was stopped"},
    };
    for (const Case &C : Cases) {
        SCOPED_TRACE(C.Width);
        EngineHarness H;
        H.Report->BuildLimits().MaxPages = 300;
        auto *MD = H.Band<TqdzMasterData>("MD", 100, 20);
        MD->SetRowCount(3);
        auto *VDS = H.DataSet("VDS", 0);
        VDS->SetRangeEnd(reLast); // only its end event could end it
        auto *VD = VBand<TqdzMasterData>(H, "VD", 0, C.Width);
        VD->SetDataSet(VDS);
        H.Memo(MD, "Cell", "c", 0, 0, 0);
        EXPECT_FALSE(H.Build());
        EXPECT_EQ(J(H.Errors()), C.Error);
        // Only the first row, and of wide cells only the first page: the
        // further pages are not made once the run stopped.
        EXPECT_EQ(H.PageCount(), C.Pages);
        EXPECT_EQ(H.TextList(0), QStringList(C.Cells, QStringLiteral("c")));
    }
    {
        SCOPED_TRACE("only page bands carry the endless cells");
        EngineHarness H;
        H.Report->BuildLimits().MaxPages = 300;
        auto *VDS = H.DataSet("VDS", 0);
        VDS->SetRangeEnd(reLast);
        H.Memo(H.Band<TqdzPageHeader>("PH", 0, 20), "PHC", "p", 0, 0, 50);
        H.Memo(H.Band<TqdzPageFooter>("PF", 1000, 20), "PFC", "f", 0, 0, 50);
        VBand<TqdzMasterData>(H, "VD", 0, 700)->SetDataSet(VDS);
        EXPECT_FALSE(H.Build());
        EXPECT_EQ(J(H.Errors()), "The report reached 300 pages and was stopped");
        EXPECT_EQ(H.PageCount(), 1); // no further page once the run stopped
        EXPECT_EQ(J(H.TextList(0)), "p,f");
    }
}

TEST(EngineVertical, ARunStopsAtThePageLimit)
{
    // A page whose dataset never ends: one empty page a record, until the
    // limit ends the run as failed, keeping its pages.
    EngineHarness H;
    ASSERT_EQ(H.Report->BuildLimits().MaxPages, 100000);
    auto *DS = H.DataSet("DS", 0);
    DS->SetRangeEnd(reLast); // only its end event could end it
    H.Page->SetDataSet(DS);
    EXPECT_FALSE(H.Build());
    EXPECT_EQ(H.PageCount(), 100000);
    EXPECT_EQ(J(H.Errors()), "The report reached 100000 pages and was stopped");
}

TEST(EngineVertical, PageAndColumnBandsHoldCellsOnEveryHorizontalPage)
{
    // Three cells of 300 px from 100: two on the page, the third on a
    // further page. 48 rows of 20 px fit between the headers and footers.
    for (int Rows : {2, 50}) {
        SCOPED_TRACE(Rows);
        EngineHarness H;
        const auto [PH, CH, MD, CF, PF] = FramedBands(H, Rows);
        NumberedColumns(H, 100, 300);
        H.Memo(PH, "PHM", "ph[Page#]", 0, 0, 50);
        H.Memo(PH, "PHC", "p[Line]", 100, 0, 50);
        H.Memo(CH, "CHC", "h[Line]", 100, 0, 50);
        H.Memo(MD, "Cell", "[Val]", 100, 0, 50);
        H.Memo(CF, "CFC", "c[SUM(<Val>)]", 100, 0, 50);
        H.Memo(PF, "PFM", "pf[Page#]", 0, 0, 50);
        H.Memo(PF, "PFC", "s[SUM(<Val>)]", 100, 0, 50);
        ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
        if (Rows == 2) {
            ASSERT_EQ(H.PageCount(), 2);
            EXPECT_EQ(Placed(H, 0), "ph1@0,p1@100,p2@400,h1@100,h2@400,1@100,2@400,1@100,2@400,c2@100,c4@400,"
                                    "pf1@0,s2@100,s4@400");
            EXPECT_EQ(Placed(H, 1), "ph2@0,p3@100,h3@100,3@100,3@100,c6@100,pf2@0,s6@100");
            // Side by side at the same heights.
            auto Tops = [&](int Page, const QStringList &Which) {
                QStringList L;
                for (const BuiltText &T : H.Texts(Page))
                    if (Which.contains(T.Text))
                        L << QString::number(T.Top);
                return J(L);
            };
            EXPECT_EQ(Tops(1, {"ph2", "p3", "h3", "3", "c6", "pf2", "s6"}),
                      Tops(0, {"ph1", "p1", "h1", "1", "c2", "pf1", "s2"}));
        } else {
            // Per-column totals are each page's own.
            ASSERT_EQ(H.PageCount(), 4);
            const char *Tails[] = {"c48,c96,pf1,s48,s96", "c144,pf2,s144", "c2,c4,pf3,s2,s4", "c6,pf4,s6"};
            const char *Heads[] = {"ph1,p1,p2,h1,h2", "ph2,p3,h3", "ph3,p1,p2,h1,h2", "ph4,p3,h3"};
            for (int P = 0; P < 4; ++P) {
                const QStringList T = H.TextList(P);
                const int NTail = P % 2 ? 3 : 5, NHead = P % 2 ? 3 : 5;
                EXPECT_EQ(J(T.mid(T.size() - NTail)), Tails[P]) << P;
                EXPECT_EQ(J(T.mid(0, NHead)), Heads[P]) << P;
                EXPECT_EQ(T.size(), NHead + NTail + (P < 2 ? 48 : 2) * (P % 2 ? 1 : 2)) << P;
            }
        }
    }
}

TEST(EngineVertical, ChildBandsAndDrillDownAcross)
{
    // Keys A, A, B: a drill-down group whose second group is opened by name;
    // every data cell has a vertical child beside it.
    for (bool Expand : {false, true}) {
        SCOPED_TRACE(Expand ? "expanded unless named" : "collapsed unless named");
        EngineHarness H;
        auto *MD = H.Band<TqdzMasterData>("MD", 100, 20);
        MD->SetRowCount(2);
        auto *VDS = H.DataSet("VDS", 3);
        H.Handlers.Values = [&](const QString &N) -> Variant {
            return N == "Key" ? Variant(VDS->RecNo() < 2 ? "A" : "B") : Variant();
        };
        auto *GH = VBand<TqdzGroupHeader>(H, "VGH", 0, 30);
        GH->SetCondition("Key");
        GH->SetDrillDown(true);
        GH->SetExpandDrillDown(Expand);
        auto *VD = VBand<TqdzMasterData>(H, "VD", 30, 40);
        VD->SetDataSet(VDS);
        auto *VC = VBand<TqdzChild>(H, "VC", 70, 20);
        VD->SetChild(VC);
        H.Memo(MD, "G", "g[Key]", 0, 0, 30);
        H.Memo(MD, "D", "d[Key][Line]", 30, 0, 40);
        H.Memo(MD, "C", "k", 70, 0, 20);
        H.Report->DrillState()->Add("VGH.2");
        ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
        ASSERT_EQ(H.PageCount(), 1);
        const std::string Row = Expand ? "gA@0,dA1@30,k@70,dA2@90,k@130,gB@150" : "gA@0,gB@30,dB1@60,k@100";
        EXPECT_EQ(Placed(H, 0), Row + "," + Row);
    }
}

TEST(EngineVertical, APagePrintedOnThePreviousGoesOnBelowItsRows)
{
    // The first page's cells reach a further page; the second template page
    // goes on on the page of rows, and its own cells on that further page.
    EngineHarness H;
    auto *MD = H.Band<TqdzMasterData>("MD", 100, 20);
    MD->SetRowCount(2);
    VBand<TqdzMasterData>(H, "VD", 100, 300)->SetRowCount(3);
    H.Memo(MD, "Own", "r[Line]", 0, 0, 50);
    H.Memo(MD, "Cell", "c[Line]", 100, 0, 50);
    auto *P2 = H.NewPage("Page2");
    P2->SetPrintOnPreviousPage(true);
    H.Memo(H.Band<TqdzReportTitle>("T2", 0, 20, P2), "T", "title2");
    auto *MD2 = H.Band<TqdzMasterData>("MD2", 100, 20, P2);
    MD2->SetRowCount(1);
    auto *VD2 = new TqdzMasterData(P2);
    VD2->SetName("VD2");
    VD2->SetVertical(true);
    VD2->SetLeft(100);
    VD2->SetWidth(300);
    VD2->SetRowCount(3);
    H.Memo(MD2, "Own2", "s[Line]", 0, 0, 50);
    H.Memo(MD2, "Cell2", "x[Line]", 100, 0, 50);
    ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
    ASSERT_EQ(H.PageCount(), 2);
    EXPECT_EQ(J(H.TextList(0)), "r1,c1,c2,r2,c1,c2,title2,s1,x1,x2");
    EXPECT_EQ(J(H.TextList(1)), "r1,c3,r2,c3,s1,x3");
    EXPECT_DOUBLE_EQ(H.Texts(1).back().Top, H.Texts(0).back().Top);
}

TEST(EngineVertical, AKeptBlockTakesItsCellsOnFurtherPagesAlong)
{
    // 66.93 px are left under the title: the group header and two rows fit,
    // the third does not, so the kept group moves whole, its cells on the
    // further page too, and the page totals per column count it there.
    EngineHarness H;
    H.Memo(H.Band<TqdzReportTitle>("T", 0, 960), "TM", "title", 0, 0, 50);
    auto *GH = H.Band<TqdzGroupHeader>("GH", 970, 20);
    GH->SetCondition("1");
    GH->SetKeepTogether(true);
    auto *MD = H.Band<TqdzMasterData>("MD", 1000, 20);
    MD->SetRowCount(3);
    auto *GF = H.Band<TqdzGroupFooter>("GF", 1030, 20);
    auto *PF = H.Band<TqdzPageFooter>("PF", 1100, 20);
    NumberedColumns(H, 100, 300);
    H.Memo(GH, "G", "g", 0, 0, 50);
    H.Memo(MD, "Own", "r[Line]", 0, 0, 50);
    H.Memo(MD, "Cell", "[Val]", 100, 0, 50);
    H.Memo(GF, "F", "f", 0, 0, 50);
    H.Memo(PF, "PFC", "s[SUM(<Val>)]", 100, 0, 50);
    ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
    ASSERT_EQ(H.PageCount(), 4);
    EXPECT_EQ(J(H.TextList(0)), "title,s0,s0");
    EXPECT_EQ(J(H.TextList(1)), "s0");
    EXPECT_EQ(J(H.TextList(2)), "g,r1,1,2,r2,1,2,r3,1,2,f,s3,s6");
    EXPECT_EQ(J(H.TextList(3)), "r1,3,r2,3,r3,3,s9");
    // Each row's cells stand at its height.
    const auto Main = H.Texts(2), Side = H.Texts(3);
    for (int R = 0; R < 3; ++R) {
        EXPECT_DOUBLE_EQ(Side[size_t(2 * R)].Top, Main[size_t(1 + 3 * R)].Top) << R;
        EXPECT_DOUBLE_EQ(Side[size_t(2 * R + 1)].Top, Main[size_t(2 + 3 * R)].Top) << R;
    }
}
