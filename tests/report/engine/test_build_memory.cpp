// What a long list holds: it builds within the default memory limit, and printing it with the file cache keeps its pages on disk.
#include "EngineHarness.h"
#include "PrinterFakes.h"

#include "report/engine/qdzPreviewPages.h"
#include "report/engine/qdzPrinter.h"
#include "report/model/qdzMemoryMeter.h"
#include "report/model/qdzXML.h"

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
