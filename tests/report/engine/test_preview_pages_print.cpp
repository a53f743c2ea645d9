// Printing built pages to PDF files through the fake spooler: lists, order, copies, modes, failures.
#include "PrintPagesFixture.h"


TEST_F(PrintPages, PrintsEveryPageToAPdfWithoutDialog)
{
    BuildPages(3);
    ASSERT_TRUE(R.Store->Print());
    EXPECT_EQ(Printed(), (QStringList{"page1", "page2", "page3"}));
    EXPECT_TRUE(Messages.Texts.isEmpty()) << Messages.Texts.join('|').toStdString();
    // The options come back as they were.
    EXPECT_EQ(Options()->OutputFileName(), File);
    EXPECT_EQ(R.Store->CopyNo(), 0);
}

TEST_F(PrintPages, PageListParityAndOrder)
{
    BuildPages();
    struct Case {
        const char *Pages;
        TqdzPrintPages Parity;
        bool Reverse;
        QStringList Expected;
    } cases[] = {
        {"1,3,5-12", ppAll, false, {"page1", "page3", "page5", "page6", "page7", "page8", "page9", "page10"}},
        {"", ppOdd, true, {"page9", "page7", "page5", "page3", "page1"}},
        {"", ppEven, false, {"page2", "page4", "page6", "page8", "page10"}},
        {"8-", ppAll, true, {"page10", "page9", "page8"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Pages);
        Options()->SetPageNumbers(QString::fromLatin1(c.Pages));
        Options()->SetPrintPages(c.Parity);
        Options()->SetReverse(c.Reverse);
        ASSERT_TRUE(R.Store->Print());
        EXPECT_EQ(Printed(), c.Expected);
        QFile::remove(File);
    }
}

TEST_F(PrintPages, CollatedDuplexCopiesStartOnAFreshSheet)
{
    BuildPages(3);
    Options()->SetCopies(2);
    Options()->SetCollate(true);
    Options()->SetDuplex(dmVertical);
    TPageRecorder rec;
    R.Report.SetOnPrintPage(TqdzPrintPageEvent(&rec, &TPageRecorder::OnPrintPage));
    ASSERT_TRUE(R.Store->Print());
    EXPECT_EQ(Printed(), (QStringList{"page1", "page2", "page3", "", "page1", "page2", "page3", ""}));
    EXPECT_EQ(rec.Copies, (std::vector<int>{1, 1, 1, 2, 2, 2}));
    R.Report.SetOnPrintPage(TqdzPrintPageEvent());

    // Simplex: nothing to pad.
    Options()->SetDuplex(dmSimplex);
    ASSERT_TRUE(R.Store->Print());
    EXPECT_EQ(PdfPages(File), 6);
}

TEST_F(PrintPages, SplitCutsWidePagesIntoSheets)
{
    for (auto [width, pieces] : {std::pair{425.0, 2}, std::pair{435.0, 3}}) {
        SCOPED_TRACE(width);
        R.Page->SetPaperWidth(width);
        BuildPages(1);
        Options()->SetPrintMode(pmSplit);
        Options()->SetPrintOnSheet(9);
        ASSERT_TRUE(R.Store->Print());
        EXPECT_EQ(PdfPages(File), pieces);
        QFile::remove(File);
    }
}

TEST_F(PrintPages, ModesWithoutSizesPrintAsTheDefault)
{
    BuildPages(2);
    for (TqdzPrintMode mode : {pmSplit, pmJoin, pmScale}) {
        SCOPED_TRACE(int(mode));
        Options()->SetPrintMode(mode);
        Options()->SetPrintOnSheet(256); // custom sheet of the printer's current size
        ASSERT_TRUE(R.Store->Print());
        EXPECT_GE(PdfPages(File), 1);
        QFile::remove(File);
    }
    // A sheet of no size.
    TPrinterDescription laser = TFakeSpooler::Laser(QStringLiteral("Laser"));
    laser.Papers.append({300, QStringLiteral("Nothing"), 0, 0});
    spooler->Printers = {laser};
    qdzFreePrinters();
    for (TqdzPrintMode mode : {pmSplit, pmJoin, pmScale}) {
        SCOPED_TRACE(int(mode));
        Options()->SetPrintMode(mode);
        Options()->SetPrintOnSheet(300);
        ASSERT_TRUE(R.Store->Print());
        EXPECT_EQ(PdfPages(File), 2);
        QFile::remove(File);
    }
    // Pages of no size: printed once each, no endless blank sheets.
    R.Store->SourcePages(0)->SetPaperWidth(0);
    R.Store->SourcePages(0)->SetPaperHeight(0);
    R.Store->ClearPageCache();
    for (TqdzPrintMode mode : {pmSplit, pmJoin, pmScale}) {
        SCOPED_TRACE(int(mode));
        Options()->SetPrintMode(mode);
        Options()->SetPrintOnSheet(9);
        ASSERT_TRUE(R.Store->Print());
        EXPECT_EQ(PdfPages(File), 2);
        QFile::remove(File);
    }
}

TEST_F(PrintPages, JoinPutsSmallPagesOnOneSheet)
{
    R.Page->SetPaperSize(11); // A5 portrait: two fit an A4 turned
    BuildPages(3);
    Options()->SetPrintMode(pmJoin);
    Options()->SetPrintOnSheet(8); // A3: four A5 pages
    ASSERT_TRUE(R.Store->Print());
    EXPECT_EQ(PdfPages(File), 1);
    const QString text = Printed().join(' ');
    for (const char *p : {"page1", "page2", "page3"})
        EXPECT_TRUE(text.contains(QLatin1String(p))) << text.toStdString();
}

TEST_F(PrintPages, FailuresReturnFalse)
{
    BuildPages(2);
    // Cancelled from a page event: the document is aborted.
    TPageRecorder rec;
    rec.Report = &R.Report;
    rec.Stop = true;
    R.Report.SetOnPrintPage(TqdzPrintPageEvent(&rec, &TPageRecorder::OnPrintPage));
    EXPECT_FALSE(R.Store->Print());
    EXPECT_EQ(rec.Copies.size(), 1u);
    R.Report.SetOnPrintPage(TqdzPrintPageEvent());
    // A page list that names no page of the report prints nothing.
    Options()->SetPageNumbers(QStringLiteral("50"));
    EXPECT_FALSE(R.Store->Print());
    Options()->SetPageNumbers(QString());
    // A file that cannot be written.
    Options()->SetOutputFileName(Dir.filePath(QStringLiteral("no/such/dir/out.pdf")));
    EXPECT_FALSE(R.Store->Print());
    Options()->SetOutputFileName(File);
    // The print dialog's cancel.
    qdzPrintDialogHook() = [](TqdzReport *) { return false; };
    Options()->SetShowDialog(true);
    QFile::remove(File);
    EXPECT_FALSE(R.Store->Print());
    EXPECT_FALSE(QFile::exists(File));
    qdzPrintDialogHook() = nullptr;
    EXPECT_TRUE(R.Store->Print());
}

TEST_F(PrintPages, NoPrinterNoPrint)
{
    spooler->Printers.clear();
    spooler->Default.clear();
    qdzFreePrinters();
    BuildPages(1);
    EXPECT_FALSE(R.Store->Print());
    // Headless: no message box, the reason is in Errors.
    EXPECT_TRUE(Messages.Texts.isEmpty());
    EXPECT_EQ(R.Report.Errors()->Count(), 1);
    EXPECT_EQ(R.Report.Errors()->Strings(0), QStringLiteral("No printers installed on your system"));
    EXPECT_FALSE(QFile::exists(File));
}

TEST_F(PrintPages, TextObjectsShowThePageCountWhenDrawn)
{
    auto *memo = new TqdzMemoView(R.Band);
    memo->SetName(QStringLiteral("Memo1"));
    memo->SetBounds(400, 2, 200, 30);
    memo->SetText(QStringLiteral("of [TotalPages#]"));
    BuildPages(3);
    ASSERT_TRUE(R.Store->Print());
    const QStringList texts = Printed();
    ASSERT_EQ(texts.size(), 3);
    for (const QString &t : texts)
        EXPECT_TRUE(t.contains(QLatin1String("of 3"))) << t.toStdString();
}
