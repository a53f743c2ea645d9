// The engine's run loop and data bands: passes and page counts, report and
// page datasets, the preparation checks, groups, master-detail line
// counters, columns, aggregates in footers, and cancelling.
#include "EngineHarness.h"

#include <gtest/gtest.h>

namespace {

QStringList OfBand(const EngineHarness &H, const QString &Band)
{
    QStringList L;
    for (int p = 0; p < H.PageCount(); ++p)
        for (const BuiltText &T : H.Texts(p))
            if (T.Band == Band)
                L << T.Text;
    return L;
}

} // namespace

TEST(EngineRun, PageSizeFromPaperAndMargins)
{
    EngineHarness H;
    H.Band<TqdzReportTitle>("ReportTitle1", 0, 20);
    ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
    EXPECT_NEAR(H.Engine()->PageHeight(), 1046.93, 0.005);
    EXPECT_NEAR(H.Engine()->PageWidth(), 718.11, 0.005);
    EXPECT_EQ(H.PageCount(), 1);
    EXPECT_TRUE(H.Engine()->FinalPass());
    EXPECT_EQ(H.Engine()->TotalPages(), 0);
}

TEST(EngineRun, DoublePassKnowsTheTotalPages)
{
    EngineHarness H;
    H.Report->EngineOptions()->SetDoublePass(true);
    auto *PF = H.Band<TqdzPageFooter>("PageFooter1", 1000, 20);
    H.Memo(PF, "PageNo", "[Page#] of [TotalPages#]");
    auto *MD = H.Band<TqdzMasterData>("MasterData1", 100, 20);
    MD->SetRowCount(120); // 51 rows a page: three pages
    H.Memo(MD, "Row", "[Line]");
    ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
    ASSERT_EQ(H.PageCount(), 3);
    EXPECT_EQ(OfBand(H, "PageFooter1").join(",").toStdString(), std::string("1 of 3,2 of 3,3 of 3"));
    EXPECT_EQ(H.Engine()->TotalPages(), 3);
    const QStringList Rows = OfBand(H, "MasterData1");
    ASSERT_EQ(Rows.size(), 120);
    for (int i = 0; i < 120; ++i)
        ASSERT_EQ(Rows[i], QString::number(i + 1));
    EXPECT_EQ(H.TextList(0).size(), 52); // 51 rows and the footer
}

TEST(EngineRun, ReportDataSetRunsEveryPagePerRecord)
{
    EngineHarness H;
    auto *P2 = H.NewPage("Page2");
    H.Band<TqdzReportTitle>("T1", 0, 20);
    H.Band<TqdzReportTitle>("T2", 0, 20, P2);
    H.Report->SetDataSet(H.DataSet("Main", 3));
    ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
    QStringList Names;
    for (int i = 0; i < H.PageCount(); ++i)
        Names << H.Store()->GetPage(i)->Name();
    EXPECT_EQ(Names.join(",").toStdString(), std::string("Page1,Page2,Page1,Page2,Page1,Page2"));
}

TEST(EngineRun, DatasetConflictsFailWithoutPages)
{
    EngineHarness H;
    auto *DS = H.DataSet("Main", 3);
    H.Report->SetDataSet(DS);
    H.Page->SetDataSet(DS);
    H.Band<TqdzReportTitle>("T1", 0, 20);
    EXPECT_FALSE(H.Build());
    EXPECT_EQ(H.Errors().join("|").toStdString(), std::string("Cannot use the same dataset for Report.DataSet and Page.DataSet"));
    EXPECT_EQ(H.PageCount(), 0);

    EngineHarness B;
    auto *D2 = B.DataSet("Lines", 3);
    B.Page->SetDataSet(D2);
    B.Band<TqdzMasterData>("MasterData1", 0, 20)->SetDataSet(D2);
    EXPECT_FALSE(B.Build());
    EXPECT_EQ(B.Errors().join("|").toStdString(), std::string("Cannot use the same dataset for Page.DataSet and Band.DataSet"));
}

TEST(EngineRun, BandTreeErrorsStopTheRun)
{
    EngineHarness H;
    H.Band<TqdzHeader>("Header1", 100, 20);
    H.Band<TqdzGroupFooter>("GroupFooter1", 10, 20);
    H.Band<TqdzDetailData>("DetailData1", 40, 20)->SetRowCount(2);
    H.Band<TqdzGroupHeader>("GroupHeader1", 90, 20);
    int Started = 0;
    EXPECT_FALSE(H.Build());
    (void)Started;
    EXPECT_EQ(H.Errors().join("|").toStdString(), std::string("Incorrect band position: DetailData1|No data band for the group GroupHeader1|"
                                            "No group header for GroupFooter1|Unconnected header/footer Header1"));
    EXPECT_EQ(H.PageCount(), 0);
}

TEST(EngineRun, GroupsBreakOnTheirCondition)
{
    EngineHarness H;
    auto *DS = H.DataSet("DS", 3);
    const QStringList Keys{"A", "A", "B"};
    H.Handlers.Values = [&](const QString &N) -> Variant {
        if (N == "Key")
            return Variant(Keys.value(DS->RecNo()));
        return Variant();
    };
    auto *GH = H.Band<TqdzGroupHeader>("GH", 0, 20);
    GH->SetCondition("Key");
    H.Memo(GH, "GHM", "GH [Key]");
    auto *MD = H.Band<TqdzMasterData>("MD", 40, 20);
    MD->SetDataSet(DS);
    H.Memo(MD, "MDM", "D [Key] [Line]");
    auto *GF = H.Band<TqdzGroupFooter>("GF", 80, 20);
    H.Memo(GF, "GFM", "GF [Key] [COUNT()]");
    ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
    EXPECT_EQ(H.AllTexts().join(",").toStdString(), (QStringList{"GH A", "D A 1", "D A 2", "GF A 2", "GH B", "D B 1", "GF B 1"}).join(",").toStdString());
}

TEST(EngineRun, LineRestartsLineThroughRunsOn)
{
    EngineHarness H;
    auto *M = H.Band<TqdzMasterData>("MasterData1", 0, 20);
    M->SetRowCount(2);
    H.Memo(M, "MM", "M[Line]");
    auto *D = H.Band<TqdzDetailData>("DetailData1", 40, 20);
    D->SetRowCount(3);
    H.Memo(D, "DM", "[Line]/[Line#]");
    ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
    EXPECT_EQ(H.AllTexts().join(",").toStdString(), (QStringList{"M1", "1/1", "2/2", "3/3", "M2", "1/4", "2/5", "3/6"}).join(",").toStdString());
}

TEST(EngineRun, ColumnsMakeRowsOfEqualTop)
{
    EngineHarness H;
    auto *M = H.Band<TqdzMasterData>("MasterData1", 0, 20);
    M->SetRowCount(7);
    M->SetColumns(3);
    M->SetColumnWidth(200);
    H.Memo(M, "MM", "[Line]", 0, 0, 190);
    ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
    const auto T = H.Texts(0);
    ASSERT_EQ(T.size(), 7u);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(T[i].Text, QString::number(i + 1));
        EXPECT_DOUBLE_EQ(T[i].Top, (i / 3) * 20.0) << i;
        EXPECT_DOUBLE_EQ(T[i].Left, (i % 3) * 200.0) << i;
    }
}

TEST(EngineRun, ColumnRowsStayWholeAfterAPageBreak)
{
    // Rows that follow a break keep three records each.
    EngineHarness H;
    auto *M = H.Band<TqdzMasterData>("MasterData1", 0, 100);
    M->SetRowCount(36);
    M->SetColumns(3);
    M->SetColumnWidth(200);
    H.Memo(M, "MM", "[Line]", 0, 0, 190);
    ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
    ASSERT_GE(H.PageCount(), 2);
    int Seen = 0;
    for (int p = 0; p < H.PageCount(); ++p) {
        const auto T = H.Texts(p);
        for (size_t i = 0; i < T.size(); ++i) {
            ++Seen;
            EXPECT_EQ(T[i].Text, QString::number(Seen));
            EXPECT_DOUBLE_EQ(T[i].Left, (i % 3) * 200.0) << "page " << p << " item " << i;
            EXPECT_DOUBLE_EQ(T[i].Top, T[i - i % 3].Top) << "page " << p << " item " << i;
        }
    }
    EXPECT_EQ(Seen, 36);
    EXPECT_EQ(H.TextList(0).size(), 30); // ten rows of 100 px on 1046 px
}

TEST(EngineRun, AverageSkipsNullsAndRunningTotalsSpanGroups)
{
    for (bool Double : {false, true}) {
        EngineHarness H;
        H.Report->EngineOptions()->SetDoublePass(Double);
        H.Report->EngineOptions()->SetConvertNulls(false);
        auto *DS = H.DataSet("DS", 3);
        const QList<Variant> Values{Variant(1), Variant(2), Variant(3)};
        const QStringList Keys{"A", "A", "B"};
        const QList<Variant> Odd{Variant(2), Null(), Variant(4)};
        H.Handlers.Values = [&](const QString &N) -> Variant {
            if (N == "Key")
                return Variant(Keys.value(DS->RecNo()));
            if (N == "Amount")
                return Values.value(DS->RecNo());
            return Variant();
        };
        // A field of the dataset may be Null; the report's own look-up
        // cannot give one.
        H.Handlers.Fields = [&](const QString &N) -> Variant {
            return N == "Odd" ? Odd.value(DS->RecNo()) : Variant();
        };
        DS->SetOnGetValue(TqdzUserDSGetValueEvent(&H.Handlers, &EngineHandlers::FieldValue));
        auto *GH = H.Band<TqdzGroupHeader>("GH", 0, 20);
        GH->SetCondition("Key");
        auto *MD = H.Band<TqdzMasterData>("MD", 40, 20);
        MD->SetDataSet(DS);
        auto *GF = H.Band<TqdzGroupFooter>("GF", 80, 20);
        H.Memo(GF, "Run", "[SUM(<Amount>, MD, 2)] [SUM(<Amount>)]");
        auto *S = H.Band<TqdzReportSummary>("Summary", 120, 20);
        H.Memo(S, "Avg", "[AVG(<DS.\"Odd\">)] [MIN(<DS.\"Odd\">)] [MAX(<DS.\"Odd\">)]");
        ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
        EXPECT_EQ(OfBand(H, "GF").join(",").toStdString(), "3 3,6 3") << Double;
        EXPECT_EQ(OfBand(H, "Summary").join(",").toStdString(), "3 2 4") << Double;
    }
}

TEST(EngineRun, CancelInTheFirstPassKeepsItsPages)
{
    EngineHarness H;
    H.Report->EngineOptions()->SetDoublePass(true);
    auto *DS = H.DataSet("DS", 500);
    auto *MD = H.Band<TqdzMasterData>("MD", 0, 20);
    MD->SetDataSet(DS);
    H.Memo(MD, "M", "[Line]");
    H.Handlers.OnNext = [&] {
        if (DS->RecNo() == 120)
            H.Report->SetTerminated(true);
    };
    DS->SetOnNext(TNotifyEvent(&H.Handlers, &EngineHandlers::Next));
    // A cancel fails the build and says so; what was built stays.
    EXPECT_FALSE(H.Build());
    EXPECT_EQ(H.Errors().join("|"), "The report was cancelled");
    EXPECT_EQ(H.Engine()->TotalPages(), 0); // the second pass did not run
    EXPECT_FALSE(H.Engine()->FinalPass());
    EXPECT_EQ(H.PageCount(), 3);
    EXPECT_EQ(OfBand(H, "MD").size(), 120);
}

TEST(EngineRun, PagesWithoutDataAreDropped)
{
    EngineHarness H;
    H.Band<TqdzReportTitle>("T", 0, 20);
    auto *MD = H.Band<TqdzMasterData>("MD", 40, 20);
    MD->SetDataSet(H.DataSet("Empty", 0));
    H.Page->SetPrintIfEmpty(false);
    ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
    EXPECT_EQ(H.PageCount(), 0);
    H.Page->SetPrintIfEmpty(true);
    ASSERT_TRUE(H.Build()) << H.Errors().join("|").toStdString();
    EXPECT_EQ(H.PageCount(), 1);
    H.Report->EngineOptions()->SetPrintIfEmpty(false);
    ASSERT_TRUE(H.Build()) << H.Errors().join("|").toStdString();
    EXPECT_EQ(H.PageCount(), 0);
}

TEST(EngineRun, PageCountCopiesAndRowCountLimit)
{
    EngineHarness H;
    H.Page->SetPageCount(3);
    auto *MD = H.Band<TqdzMasterData>("MD", 40, 20);
    MD->SetDataSet(H.DataSet("Ten", 10));
    MD->SetRowCount(5);
    H.Memo(MD, "M", "[Line]");
    ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
    EXPECT_EQ(H.PageCount(), 3);
    EXPECT_EQ(H.TextList(2).join(",").toStdString(), (QStringList{"1", "2", "3", "4", "5"}).join(",").toStdString());
}

TEST(EngineRun, MastersWithoutDetailsAreSkipped)
{
    for (bool PrintEmpty : {false, true}) {
        EngineHarness H;
        auto *M = H.Band<TqdzMasterData>("M", 0, 20);
        M->SetRowCount(2);
        M->SetPrintIfDetailEmpty(PrintEmpty);
        H.Memo(M, "MM", "M[Line]");
        auto *D = H.Band<TqdzDetailData>("D", 30, 20);
        D->SetDataSet(H.DataSet("None", 0));
        H.Memo(D, "DM", "D[Line]");
        ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
        EXPECT_EQ(H.AllTexts().join(",").toStdString(), PrintEmpty ? "M1,M2" : "");
    }
}

TEST(EngineRun, DrillDownGroupsOpenByTheirName)
{
    for (bool Expand : {false, true}) {
        EngineHarness H;
        auto *DS = H.DataSet("DS", 4);
        H.Handlers.Values = [&](const QString &N) -> Variant {
            return N == "Key" ? Variant(DS->RecNo() < 2 ? "A" : "B") : Variant();
        };
        auto *GH = H.Band<TqdzGroupHeader>("GH", 0, 20);
        GH->SetCondition("Key");
        GH->SetDrillDown(true);
        H.Memo(GH, "G", "G[Key]");
        auto *MD = H.Band<TqdzMasterData>("MD", 30, 20);
        MD->SetDataSet(DS);
        H.Memo(MD, "M", "[Key][Line]");
        auto *GF = H.Band<TqdzGroupFooter>("GF", 60, 20);
        H.Memo(GF, "F", "F[Key]");
        // The second group is opened by name; ExpandDrillDown turns it round.
        GH->SetExpandDrillDown(Expand);
        H.Report->DrillState()->Add("GH.2");
        ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
        EXPECT_EQ(H.AllTexts().join(",").toStdString(), Expand ? "GA,A1,A2,FA,GB" : "GA,GB,B1,B2,FB");
    }
}

TEST(EngineRun, KeptHeaderAndFooterMoveWithTheirRecords)
{
    // The header keeps its first record, the footer its last.
    for (double Title : {1010.0, 1000.0}) {
        EngineHarness H;
        H.Memo(H.Band<TqdzReportTitle>("Title", 0, Title), "T", "title");
        auto *Hd = H.Band<TqdzHeader>("Hd", 1010, 20);
        H.Memo(Hd, "HM", "head");
        auto *MD = H.Band<TqdzMasterData>("MD", 1040, 20);
        MD->SetRowCount(2);
        MD->SetKeepHeader(true);
        MD->SetKeepFooter(true);
        H.Memo(MD, "M", "[Line]");
        auto *Ft = H.Band<TqdzFooter>("Ft", 1070, 20);
        H.Memo(Ft, "FM", "foot");
        ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
        ASSERT_EQ(H.PageCount(), 2);
        if (Title == 1010) { // the first record does not fit: the header goes with it
            EXPECT_EQ(H.TextList(0).join(",").toStdString(), "title");
            EXPECT_EQ(H.TextList(1).join(",").toStdString(), "head,1,2,foot");
        } else { // the footer does not fit: the last record goes with it
            EXPECT_EQ(H.TextList(0).join(",").toStdString(), "title,head,1");
            EXPECT_EQ(H.TextList(1).join(",").toStdString(), "2,foot");
        }
    }
}
