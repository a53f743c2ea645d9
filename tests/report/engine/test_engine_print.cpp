// Reports built by the engine and printed to PDF: joined sheets, uncollated copies, page lists.
#include "EngineHarness.h"
#include "PrintPagesFixture.h"

namespace {

// Every sheet of a PDF: its size in points and its text.
struct TSheet {
    double Width, Height;
    QString Text;
};

std::vector<TSheet> Sheets(const QString &File)
{
    std::vector<TSheet> out;
    const QStringList texts = PdfTexts(File);
    for (int i = 0; i < texts.size(); ++i) {
        const QString info = RunTool(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QString::number(i + 1),
                                                                 QStringLiteral("-l"), QString::number(i + 1), File});
        const auto m = QRegularExpression(QStringLiteral("Page +\\d+ size: +([\\d.]+) x ([\\d.]+)")).match(info);
        out.push_back({m.captured(1).toDouble(), m.captured(2).toDouble(), texts[i]});
    }
    return out;
}

} // namespace

class EnginePrint : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
            GTEST_SKIP() << "poppler-utils missing (scripts/setup installs it)";
        spooler->Printers = {TFakeSpooler::Laser(QStringLiteral("Laser"))};
        spooler->Default = QStringLiteral("Laser");
        qdzFreePrinters();
        File = Dir.filePath(QStringLiteral("out.pdf"));
    }
    void TearDown() override { qdzFreePrinters(); }

    // Count pages of Width x Height mm, one a record, each with a word in
    // its top-left and one in its bottom-right corner: "aN" and "zN".
    void Build(EngineHarness &R, double Width, double Height, int Count)
    {
        R.Page->SetPaperSize(256);
        R.Page->SetPaperWidth(Width);
        R.Page->SetPaperHeight(Height);
        const double W = (Width - 20) * qdzPixelsPerMM, Ht = (Height - 20) * qdzPixelsPerMM;
        auto *MD = R.Band<TqdzMasterData>("MD", 0, Ht - 2);
        MD->SetWidth(W);
        MD->SetRowCount(Count);
        MD->SetStartNewPage(true);
        R.Memo(MD, "A", "a[Line]", 0, 0, 60, 20);
        R.Memo(MD, "Z", "z[Line]", W - 60, Ht - 24, 60, 20);
        ASSERT_TRUE(R.Build()) << R.Errors().join('|').toStdString();
        ASSERT_EQ(R.PageCount(), Count);
        R.Report->PrintOptions()->SetShowDialog(false);
        R.Report->PrintOptions()->SetOutputFileName(File);
    }
    bool Print() { return H.Store()->Print(); }
    TqdzPrintOptions *Options() { return H.Report->PrintOptions(); }

    EngineHarness H;
    TScopedSpooler spooler;
    TMessages Messages;
    QTemporaryDir Dir;
    QString File;
};

// Joined pages are whole pages that fit the sheet: two A5 on an A4 turned
// landscape, four A6 on an A4 upright; no page loses a corner.
TEST_F(EnginePrint, JoinPutsOnlyWholePagesOnASheet)
{
    struct Case {
        double Width, Height;
        int Pages;
        bool Landscape;
        std::vector<QStringList> Sheets;
    } cases[] = {
        {148, 210, 4, true, {{"a1", "a2", "z1", "z2"}, {"a3", "a4", "z3", "z4"}}},
        {105, 148, 6, false, {{"a1", "a2", "a3", "a4", "z1", "z2", "z3", "z4"}, {"a5", "a6", "z5", "z6"}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Width);
        EngineHarness R;
        Build(R, c.Width, c.Height, c.Pages);
        R.Report->PrintOptions()->SetPrintMode(pmJoin);
        R.Report->PrintOptions()->SetPrintOnSheet(9);
        ASSERT_TRUE(R.Store()->Print());
        const std::vector<TSheet> sheets = Sheets(File);
        ASSERT_EQ(sheets.size(), c.Sheets.size());
        for (size_t s = 0; s < sheets.size(); ++s) {
            // A4 in points, turned or not.
            EXPECT_NEAR(sheets[s].Width, c.Landscape ? 841.9 : 595.3, 1);
            EXPECT_NEAR(sheets[s].Height, c.Landscape ? 595.3 : 841.9, 1);
            QStringList words = sheets[s].Text.split(' ', Qt::SkipEmptyParts);
            words.sort();
            EXPECT_EQ(words, c.Sheets[s]);
        }
        QFile::remove(File);
    }
}

// Copies the device does not make (a PDF file) are printed one after the
// other, in every mode; collated copies stay in runs.
TEST_F(EnginePrint, UncollatedCopiesToAFileAreAllPrinted)
{
    Build(H, 210, 297, 3);
    Options()->SetCopies(2);
    Options()->SetCollate(false);
    ASSERT_TRUE(Print());
    EXPECT_EQ(PdfTexts(File), (QStringList{"a1 z1", "a1 z1", "a2 z2", "a2 z2", "a3 z3", "a3 z3"}));
    for (TqdzPrintMode mode : {pmScale, pmSplit}) {
        SCOPED_TRACE(int(mode));
        Options()->SetPrintMode(mode);
        Options()->SetPrintOnSheet(9);
        QFile::remove(File);
        ASSERT_TRUE(Print());
        EXPECT_EQ(PdfPages(File), 6);
    }
    // Joined: A4 pages one a sheet, each page twice.
    Options()->SetPrintMode(pmJoin);
    QFile::remove(File);
    ASSERT_TRUE(Print());
    EXPECT_EQ(PdfPages(File), 6);

    Options()->SetPrintMode(pmDefault);
    Options()->SetCollate(true);
    Options()->SetCopies(3);
    Options()->SetPageNumbers(QStringLiteral("2-"));
    QFile::remove(File);
    ASSERT_TRUE(Print());
    EXPECT_EQ(PdfTexts(File), (QStringList{"a2 z2", "a3 z3", "a2 z2", "a3 z3", "a2 z2", "a3 z3"}));
}

// Page numbers beyond the report are dropped; a list left with no page
// prints nothing rather than everything.
TEST_F(EnginePrint, PageListBeyondTheReport)
{
    Build(H, 210, 297, 3);
    Options()->SetPageNumbers(QStringLiteral("2, 12, 14-15"));
    ASSERT_TRUE(Print());
    EXPECT_EQ(PdfTexts(File), QStringList{"a2 z2"});
    QFile::remove(File);
    Options()->SetPageNumbers(QStringLiteral("12, 14-15"));
    EXPECT_FALSE(Print());
    EXPECT_FALSE(QFile::exists(File));
    EXPECT_TRUE(Messages.Texts.isEmpty()) << Messages.Texts.join('|').toStdString();
}
