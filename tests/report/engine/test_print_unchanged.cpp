// The list report printed to PDF stays as it printed before the print path
// was made faster: text of every page and the look of the first and last
// page against references in data/.
#include "EngineHarness.h"
#include "PdfGolden.h"
#include "PrinterFakes.h"
#include "platform/Dialogs.h"
#include "report/engine/qdzPrinter.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const char *const Products[] = {"Tomato 西红柿", "Cabbage 白菜", "Potato 土豆", "Cucumber 黄瓜", "Carrot 胡萝卜"};

} // namespace

// Header, four columns over a user dataset, "Page N of M" over two passes; a
// framed right-aligned column and a remark too long for its box (clipped).
TEST(PrintUnchanged, ListReportTextAndLook)
{
    if (!PdfGolden::ToolsPresent())
        GTEST_SKIP() << "poppler-utils missing (scripts/setup installs it)";
    TLaserPrinting Printing;
    QStringList &Messages = Printing.Messages;
    QTemporaryDir &Dir = Printing.Dir;
    const QString File = Dir.filePath(QStringLiteral("list.pdf"));
    {
        EngineHarness H;
        TqdzUserDataSet *Lines = H.DataSet("Lines", 120);
        H.Report->EngineOptions()->SetDoublePass(true);
        H.Handlers.Values = [Lines](const QString &N) -> Variant {
            const int R = Lines->RecNo();
            if (N == QLatin1String("No"))
                return Variant(R + 1);
            if (N == QLatin1String("Product"))
                return Variant(QString::fromUtf8(Products[R % 5]));
            if (N == QLatin1String("Weight"))
                return Variant(10.0 + (R % 97) * 0.25);
            if (N == QLatin1String("Amount"))
                return Variant(32.5 + (R % 89) * 1.5);
            return Variant();
        };
        auto *PH = H.Band<TqdzPageHeader>("PageHeader1", 0, 20);
        H.Memo(PH, "Title", "Delivered goods, page [Page#]", 0, 0, 400);
        auto *PF = H.Band<TqdzPageFooter>("PageFooter1", 1000, 20);
        H.Memo(PF, "PageNo", "Page [Page#] of [TotalPages#]", 500, 0, 200);
        auto *MD = H.Band<TqdzMasterData>("MasterData1", 100, 20);
        MD->SetDataSet(Lines);
        H.Memo(MD, "No", "[No]", 0, 0, 60);
        H.Memo(MD, "Product", "[Product]", 60, 0, 200);
        H.Memo(MD, "Weight", "[Weight]", 260, 0, 100);
        TqdzMemoView *Amount = H.Memo(MD, "Amount", "[Amount]", 360, 0, 120);
        Amount->SetHAlign(haRight);
        Amount->Frame()->SetTyp(TqdzFrameTypes::FromInt(15));
        H.Memo(MD, "Remark", "Keep cool, deliver before noon [No] 冷藏", 490, 0, 90);
        ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
        H.Report->PrintOptions()->SetShowDialog(false);
        H.Report->PrintOptions()->SetOutputFileName(File);
        ASSERT_TRUE(H.Report->PrintReport()) << Messages.join('|').toStdString();
    }
    const QStringList Diffs = PdfGolden::Compare(File, QStringLiteral(STATION_TEST_DATA), "listreport", {1, -1});
    EXPECT_TRUE(Diffs.isEmpty()) << Diffs.join('\n').toStdString();
    qdzFreePrinters();
}
