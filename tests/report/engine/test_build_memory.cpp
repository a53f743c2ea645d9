// What a long list holds: it builds within the default memory limit, whatever ran before, printing it with the file cache keeps its pages on disk, and a page too big to read back fails its print or draw.
#include "EngineHarness.h"
#include "PrinterFakes.h"

#include "report/engine/qdzPreviewPages.h"
#include "report/engine/qdzPrinter.h"
#include "report/model/qdzMemoryMeter.h"
#include "report/model/qdzXML.h"
#include "platform/Graphics.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The station's list: a page header, a footer with the page number and a
// row of four texts per record.
struct ListReport : EngineHarness
{
    explicit ListReport(int Rows)
    {
        Memo(Band<TqdzPageHeader>("PageHeader1", 0, 20), "Title", "Delivered goods, page [Page#]", 0, 0, 400);
        Memo(Band<TqdzPageFooter>("PageFooter1", 1000, 20), "PageNo", "Page [Page#]", 500, 0, 200);
        auto *MD = Band<TqdzMasterData>("MasterData1", 100, 20);
        MD->SetDataSet(DataSet("Lines", Rows));
        Memo(MD, "No", "[Line]", 0, 0, 60);
        Memo(MD, "Product", "Tomato [Line]", 60, 0, 300);
        Memo(MD, "Weight", "[Line] kg", 360, 0, 150);
        Memo(MD, "Amount", "[Line] yuan", 510, 0, 150);
    }
    TqdzPreviewPages *Pages() const { return dynamic_cast<TqdzPreviewPages *>(Store()); }
    int LoadedPages() const
    {
        TqdzXMLItem *pages = Pages()->PagesNode();
        int n = 0;
        for (int i = 0; i < pages->Count(); ++i)
            n += pages->GetItems(i)->Loaded() ? 1 : 0;
        return n;
    }
};

// The most page items loaded at once while printing.
class LoadWatch : public TObject
{
public:
    const ListReport *List = nullptr;
    int Most = 0;
    void PrintPage(TqdzReportPage *, int) { Most = std::max(Most, List->LoadedPages()); }
};

} // namespace

// A list of a million rows builds with the default options: a list of
// fewer rows fits a limit made smaller by as much.
TEST(BuildMemory, AListBuildsWithinTheDefaultLimit)
{
    const int Rows = 20000;
    ListReport L(Rows);
    const int Limit = int(qint64(TqdzEngineOptions().MaxBuildMemSize()) * Rows / 1000000);
    ASSERT_GT(Limit, 0);
    L.Report->EngineOptions()->SetMaxBuildMemSize(Limit);
    EXPECT_TRUE(L.Build()) << L.Errors().join('|').toStdString();
    EXPECT_GT(L.PageCount(), Rows / 60);
}

// Printing loads each page's items to draw it and sends them back to the
// file after: no more pages are loaded during or after the print than the
// build left loaded, and a page prints as it was built.
TEST(BuildMemory, PrintingWithTheFileCacheUnloadsWhatItLoaded)
{
    QTemporaryDir Dir;
    ListReport L(3000);
    L.Report->EngineOptions()->SetUseFileCache(true);
    L.Report->EngineOptions()->SetMaxMemSize(0);
    L.Report->EngineOptions()->SetTempDir(Dir.path());
    ASSERT_TRUE(L.Build()) << L.Errors().join('|').toStdString();
    const int Built = L.LoadedPages();
    ASSERT_GT(L.PageCount(), 50);
    ASSERT_LT(Built, 6);
    const QString FirstRow = L.Texts(20).at(1).Text;

    LoadWatch Watch;
    Watch.List = &L;
    L.Report->SetOnPrintPage(TqdzPrintPageEvent(&Watch, &LoadWatch::PrintPage));
    TScopedSpooler Spooler;
    Spooler->Printers = {TFakeSpooler::Laser(QStringLiteral("Laser"))};
    Spooler->Default = QStringLiteral("Laser");
    qdzFreePrinters();
    L.Report->PrintOptions()->SetShowDialog(false);
    L.Report->PrintOptions()->SetOutputFileName(Dir.filePath("list.pdf"));
    EXPECT_TRUE(L.Report->PrintReport());
    qdzFreePrinters();
    EXPECT_TRUE(QFile::exists(Dir.filePath("list.pdf")));
    EXPECT_LE(Watch.Most, Built + 1);
    EXPECT_LE(L.LoadedPages(), Built);
    EXPECT_EQ(L.Texts(20).at(1).Text, FirstRow);
}

// The limit bounds what this build holds: memory an earlier build freed
// and this one reuses counts too.
TEST(BuildMemory, TheLimitHoldsAfterAnEarlierBuild)
{
    ListReport L(30000);
    L.Report->EngineOptions()->SetMaxBuildMemSize(0);
    ASSERT_TRUE(L.Build()) << L.Errors().join('|').toStdString();
    L.Report->EngineOptions()->SetMaxBuildMemSize(8);
    EXPECT_FALSE(L.Build());
    EXPECT_EQ(L.Errors().join('|'), "The report used more than 8 MB of memory and was stopped");
}

// A band of no height that never ends fills one page until the build's
// memory limit stops it. Read back, that page would take many times as
// much: the print or the drawing ends with the reason, within the limit.
TEST(BuildMemory, APageTooBigToReadBackFailsItsPrintOrDrawing)
{
    for (const bool Print : {true, false}) {
        SCOPED_TRACE(Print ? "printed" : "drawn");
        TLaserPrinting Printing;
        EngineHarness H;
        auto *MD = H.Band<TqdzMasterData>("MasterData1", 100, 0);
        MD->SetRowCount(2147483647);
        H.Memo(MD, "Memo1", "row", 0, 0, 100, 18);
        H.Report->EngineOptions()->SetMaxBuildMemSize(8);
        H.Report->PrintOptions()->SetShowDialog(false);
        H.Report->PrintOptions()->SetOutputFileName(Printing.Dir.filePath("big.pdf"));
        const QString Stopped = "The report used more than 8 MB of memory and was stopped";
        const QString TooBig = "Page 1 needs more than 8 MB of memory to be read back";
        for (int build = 0; build < 2; ++build) {
            EXPECT_FALSE(H.Build());
            ASSERT_EQ(H.Errors().join('|'), Stopped);
            ASSERT_EQ(H.PageCount(), 1);
            const qint64 Before = qdzMemoryInUse();
            if (Print) {
                EXPECT_FALSE(H.Report->PrintReport());
                EXPECT_FALSE(QFile::exists(Printing.Dir.filePath("big.pdf")));
            } else {
                TBitmap Bmp;
                Bmp.SetSize(800, 1100);
                EXPECT_NO_THROW(H.Store()->DrawPage(0, Bmp.Canvas(), 1, 1, 0, 0));
            }
            EXPECT_EQ(H.Errors().join('|').toStdString(), (TooBig + '|' + Stopped).toStdString());
            // The read stopped near the limit (read whole, the page takes some
            // ten times as much).
            EXPECT_LT(qdzMemoryInUse() - Before, 3 * (8 << 20));
        }
        qdzFreePrinters();
    }
}
