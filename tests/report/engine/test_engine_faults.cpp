// Templates that are wrong or hostile still end: tall reprinted headers,
// views taller than a page, splitting, keeps taller than a page, short
// column positions, subreports that nest themselves or have no page, and
// variables that name each other.
#include "EngineHarness.h"

#include <gtest/gtest.h>

namespace {

QStringList RowsOf(const EngineHarness &H, const QString &Band)
{
    QStringList L;
    for (int p = 0; p < H.PageCount(); ++p)
        for (const BuiltText &T : H.Texts(p))
            if (T.Band == Band)
                L << T.Text;
    return L;
}

QStringList Numbers(int From, int To)
{
    QStringList L;
    for (int i = From; i <= To; ++i)
        L << QString::number(i);
    return L;
}

} // namespace

TEST(EngineFaults, ReprintedHeaderTallerThanThePage)
{
    EngineHarness H;
    auto *Hd = H.Band<TqdzHeader>("Header1", 0, 1200);
    Hd->SetReprintOnNewPage(true);
    H.Memo(Hd, "HM", "head");
    auto *MD = H.Band<TqdzMasterData>("MD", 1300, 20);
    MD->SetRowCount(100);
    H.Memo(MD, "M", "[Line]");
    EXPECT_TRUE(H.Build()) << H.Errors().join("|").toStdString();
    EXPECT_LE(H.PageCount(), 101);
    EXPECT_EQ(RowsOf(H, "MD").join(",").toStdString(), Numbers(1, 100).join(",").toStdString());
}

TEST(EngineFaults, ViewTallerThanAPageEnds)
{
    EngineHarness H;
    auto *MD = H.Band<TqdzMasterData>("MD", 0, 2500);
    MD->SetRowCount(3);
    H.Memo(MD, "Tall", "[Line]", 0, 0, 200, 2500);
    ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
    EXPECT_LE(H.PageCount(), 6);
    EXPECT_EQ(RowsOf(H, "MD").join(",").toStdString(), Numbers(1, 3).join(",").toStdString());
}

TEST(EngineFaults, SplitMemoPrintsEveryLineOnce)
{
    EngineHarness H;
    auto *MD = H.Band<TqdzMasterData>("MD", 0, 20);
    MD->SetRowCount(1);
    MD->SetAllowSplit(true);
    MD->SetStretched(true);
    auto *M = H.Memo(MD, "Lines", Numbers(1, 200).join("\r\n"), 0, 0, 300, 20);
    M->SetStretchMode(smActualHeight);
    ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
    EXPECT_GE(H.PageCount(), 3);
    QStringList Lines;
    for (const QString &Part : RowsOf(H, "MD"))
        Lines << Part.split("\r\n", Qt::SkipEmptyParts);
    EXPECT_EQ(Lines.join(",").toStdString(), Numbers(1, 200).join(",").toStdString());
}

TEST(EngineFaults, SplitWithHeadersFillingThePageEnds)
{
    // The page header leaves no room: every part still prints something.
    EngineHarness H;
    auto *PH = H.Band<TqdzPageHeader>("PH", 0, 1040);
    H.Memo(PH, "PHM", "header");
    auto *MD = H.Band<TqdzMasterData>("MD", 1100, 20);
    MD->SetRowCount(1);
    MD->SetAllowSplit(true);
    MD->SetStretched(true);
    auto *M = H.Memo(MD, "Lines", Numbers(1, 40).join("\r\n"), 0, 0, 300, 20);
    M->SetStretchMode(smActualHeight);
    EXPECT_TRUE(H.Build()) << H.Errors().join("|").toStdString();
    EXPECT_LE(H.PageCount(), 45);
    QStringList Lines;
    for (const QString &Part : RowsOf(H, "MD"))
        Lines << Part.split("\r\n", Qt::SkipEmptyParts);
    EXPECT_EQ(Lines.join(",").toStdString(), Numbers(1, 40).join(",").toStdString());
}

TEST(EngineFaults, KeepTallerThanAPageBreaksNormally)
{
    EngineHarness H;
    auto *MD = H.Band<TqdzMasterData>("MD", 0, 20);
    MD->SetRowCount(2);
    MD->SetKeepTogether(true);
    H.Memo(MD, "M", "M[Line]");
    auto *DD = H.Band<TqdzDetailData>("DD", 40, 20);
    DD->SetRowCount(80); // 1,600 px of details for each master row
    H.Memo(DD, "D", "[Line#]");
    ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
    EXPECT_EQ(RowsOf(H, "DD").join(",").toStdString(), Numbers(1, 160).join(",").toStdString());
    EXPECT_EQ(RowsOf(H, "MD").join(",").toStdString(), (QStringList{"M1", "M2"}).join(",").toStdString());
    EXPECT_LE(H.PageCount(), 5);
}

TEST(EngineFaults, KeptGroupMovesWhole)
{
    EngineHarness H;
    auto *Filler = H.Band<TqdzReportTitle>("Title", 0, 900);
    H.Memo(Filler, "F", "title");
    auto *PF = H.Band<TqdzPageFooter>("PF", 1020, 20);
    H.Memo(PF, "PFM", "n=[COUNT()]");
    auto *DS = H.DataSet("DS", 5);
    H.Handlers.Values = [&](const QString &N) -> Variant {
        return N == "Key" ? Variant(DS->RecNo() < 1 ? "A" : "B") : Variant();
    };
    auto *GH = H.Band<TqdzGroupHeader>("GH", 1000, 20);
    GH->SetCondition("Key");
    GH->SetKeepTogether(true);
    H.Memo(GH, "G", "G[Key]");
    auto *MD = H.Band<TqdzMasterData>("MD", 1030, 20);
    MD->SetDataSet(DS);
    H.Memo(MD, "M", "[Key][Line]");
    ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
    ASSERT_EQ(H.PageCount(), 2);
    // Group B had begun on the first page (header and three records) when
    // its fourth record did not fit: all of it moves, and the first page's
    // footer counts only what stayed.
    EXPECT_EQ(H.TextList(0).join(",").toStdString(), "title,GA,A1,n=1");
    EXPECT_EQ(H.TextList(1).join(",").toStdString(), "GB,B1,B2,B3,B4,n=4");
}

TEST(EngineFaults, ShortColumnPositions)
{
    EngineHarness H;
    H.Page->SetColumns(3); // 63.33 mm each
    TStringList Short;
    Short.Add("0");
    H.Page->SetColumnPositions(&Short);
    auto *MD = H.Band<TqdzMasterData>("MD", 0, 500);
    MD->SetRowCount(5);
    H.Memo(MD, "M", "[Line]", 0, 0, 100, 20);
    ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
    // Two rows a column; the missing positions count as equal widths.
    ASSERT_EQ(H.PageCount(), 1);
    const double W = H.Page->ColumnWidth() * qdzPixelsPerMM;
    QHash<QString, double> Left;
    for (const BuiltText &T : H.Texts(0))
        Left.insert(T.Text, T.Left);
    ASSERT_EQ(Left.size(), 5);
    EXPECT_NEAR(Left["1"], 0, 0.01);
    EXPECT_NEAR(Left["2"], 0, 0.01);
    EXPECT_NEAR(Left["3"], W, 0.01);
    EXPECT_NEAR(Left["4"], W, 0.01);
    EXPECT_NEAR(Left["5"], 2 * W, 0.01);
}

TEST(EngineFaults, SubreportsThatCannotRun)
{
    EngineHarness H;
    auto *P2 = H.NewPage("Page2");
    auto *MD = H.Band<TqdzMasterData>("MD", 0, 40);
    MD->SetRowCount(2);
    H.Memo(MD, "M", "M[Line]");
    auto *S1 = new TqdzSubreport(MD);
    S1->SetName("Sub1");
    S1->SetBounds(300, 0, 200, 40);
    S1->SetPage(P2);
    auto *SD = H.Band<TqdzMasterData>("SD", 0, 20, P2);
    SD->SetRowCount(2);
    H.Memo(SD, "S", "S[Line]");
    // Page2 shows itself again from its own band.
    auto *Self = new TqdzSubreport(SD);
    Self->SetName("Sub2");
    Self->SetBounds(300, 0, 100, 20);
    Self->SetPage(P2);
    auto *None = new TqdzSubreport(MD);
    None->SetName("Sub3");
    None->SetBounds(600, 0, 50, 20);
    EXPECT_FALSE(H.Build()); // the messages make the build fail, the pages stay
    EXPECT_EQ(H.PageCount(), 1);
    EXPECT_EQ(RowsOf(H, "MD").join(",").toStdString(), (QStringList{"M1", "M2"}).join(",").toStdString());
    EXPECT_EQ(RowsOf(H, "SD").join(",").toStdString(), (QStringList{"S1", "S2", "S1", "S2"}).join(",").toStdString());
    EXPECT_TRUE(H.Errors().contains("Sub2: the subreport's page Page2 is already being built"))
        << H.Errors().join('|').toStdString();
    EXPECT_TRUE(H.Errors().contains("Sub3: the subreport has no page")) << H.Errors().join('|').toStdString();
}

TEST(EngineFaults, CyclicVariablesEnd)
{
    EngineHarness H;
    H.Report->Variables()->SetVariables("A", Variant("B + SUM(X)"));
    H.Report->Variables()->SetVariables("B", Variant("A"));
    auto *MD = H.Band<TqdzMasterData>("MD", 0, 20);
    MD->SetRowCount(2);
    auto *F = H.Band<TqdzFooter>("F", 40, 20);
    H.Memo(F, "FM", "[A]");
    H.Build(); // fails or not, it ends
    EXPECT_EQ(H.PageCount(), 1);
}
