// A template shaped like the station's delivery note: a title, a page
// header, a master band over a user dataset answered by record number,
// "Page N of M" in the page footer over two passes, and a summary with the
// total; built for 1, 25 and 200 lines.
#include "EngineHarness.h"
#include "PrinterFakes.h"
#include "platform/Dialogs.h"
#include "report/engine/qdzPrinter.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString RunTool(const QString &Program, const QStringList &Args)
{
    QProcess p;
    p.start(Program, Args);
    if (!p.waitForFinished(30000))
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

struct DeliveryNote
{
    EngineHarness H;
    TqdzUserDataSet *Lines;

    explicit DeliveryNote(int Rows)
    {
        // The station owns its dataset; the report only names it.
        Lines = new TqdzUserDataSet(nullptr);
        Lines->SetName("qdzUserDataSet1");
        Lines->SetRangeEnd(reCount);
        Lines->SetRangeEndCount(Rows);
        H.Report->DataSets()->Add()->SetDataSet(Lines);
        H.Report->EngineOptions()->SetDoublePass(true);
        H.Handlers.Values = [this](const QString &N) -> Variant {
            const int R = Lines->RecNo();
            if (N.compare("row", Qt::CaseInsensitive) == 0)
                return Variant(R + 1);
            if (N.compare("mc", Qt::CaseInsensitive) == 0)
                return Variant(QStringLiteral("白菜 %1").arg(R + 1));
            if (N.compare("shisje", Qt::CaseInsensitive) == 0)
                return Variant(double(R + 1) * 1.5);
            return Variant();
        };
        auto *T = H.Band<TqdzReportTitle>("ReportTitle1", 0, 60);
        H.Memo(T, "Customer", "城东蔬菜批发市场");
        auto *PH = H.Band<TqdzPageHeader>("PageHeader1", 80, 40);
        H.Memo(PH, "Heads", "行 品名 金额");
        auto *MD = H.Band<TqdzMasterData>("MasterData1", 140, 20);
        MD->SetDataSet(Lines);
        H.Memo(MD, "Row", "[row]", 0, 0, 50);
        H.Memo(MD, "Name", "[mc]", 50, 0, 300);
        H.Memo(MD, "Amount", "[shisje]", 350, 0, 100);
        auto *S = H.Band<TqdzReportSummary>("ReportSummary1", 180, 40);
        H.Memo(S, "Total", "合计 [SUM(<shisje>)]");
        auto *PF = H.Band<TqdzPageFooter>("PageFooter1", 1000, 30);
        H.Memo(PF, "PageNo", "Page [Page#] of [TotalPages#]");
    }
    ~DeliveryNote()
    {
        H.Report.reset();
        delete Lines;
    }
};

} // namespace

TEST(EngineDeliveryNote, RowsPerPagePageNumbersAndTotal)
{
    for (int Rows : {1, 25, 200}) {
        DeliveryNote N(Rows);
        ASSERT_TRUE(N.H.Build()) << N.H.Errors().join('|').toStdString();
        // 1046.93 px a page: the footer takes 30, the page header 40, the
        // title 60 on the first page only.
        const int First = int((1046.93 - 30 - 40 - 60) / 20), Other = int((1046.93 - 30 - 40) / 20);
        int Left = Rows, Expected = 1;
        Left -= std::min(Left, First);
        while (Left > 0) {
            Left -= std::min(Left, Other);
            ++Expected;
        }
        ASSERT_EQ(N.H.PageCount(), Expected) << Rows;
        int Seen = 0;
        double Total = 0;
        for (int p = 0; p < N.H.PageCount(); ++p) {
            int OnPage = 0;
            QStringList Footer, Summary;
            for (const BuiltText &T : N.H.Texts(p)) {
                if (T.Band == "MasterData1" && T.Left < 1) {
                    ++Seen;
                    ++OnPage;
                    EXPECT_EQ(T.Text, QString::number(Seen));
                    Total += Seen * 1.5;
                }
                if (T.Band == "PageFooter1")
                    Footer << T.Text;
                if (T.Band == "ReportSummary1")
                    Summary << T.Text;
            }
            const int Want = p == 0 ? std::min(Rows, First) : std::min(Rows - First - (p - 1) * Other, Other);
            EXPECT_EQ(OnPage, Want) << Rows << " page " << p;
            EXPECT_EQ(Footer.join(",").toStdString(), QStringLiteral("Page %1 of %2").arg(p + 1).arg(Expected).toStdString());
            if (p + 1 == N.H.PageCount())
                EXPECT_EQ(Summary.join(",").toStdString(), (QStringLiteral("合计 ") + FloatToStr(Total)).toStdString());
            else
                EXPECT_TRUE(Summary.isEmpty());
        }
        EXPECT_EQ(Seen, Rows);
    }
}

TEST(EngineDeliveryNote, PrintsToPdf)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "poppler-utils missing (scripts/setup installs it)";
    TLaserPrinting Printing;
    QStringList &Messages = Printing.Messages;
    QTemporaryDir &Dir = Printing.Dir;
    const QString File = Dir.filePath(QStringLiteral("note.pdf"));
    {
        DeliveryNote N(200);
        ASSERT_TRUE(N.H.Build()) << N.H.Errors().join('|').toStdString();
        N.H.Report->PrintOptions()->SetShowDialog(false);
        N.H.Report->PrintOptions()->SetOutputFileName(File);
        ASSERT_TRUE(N.H.Report->PrintReport()) << Messages.join('|').toStdString();
    }
    const QString Info = RunTool(QStringLiteral("pdfinfo"), {File});
    const auto M = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(Info);
    ASSERT_TRUE(M.hasMatch()) << Info.toStdString();
    EXPECT_EQ(M.captured(1).toInt(), 5);
    const QString Last = RunTool(QStringLiteral("pdftotext"),
                                 {QStringLiteral("-f"), QStringLiteral("5"), QStringLiteral("-l"), QStringLiteral("5"),
                                  File, QStringLiteral("-")});
    EXPECT_TRUE(Last.contains(QStringLiteral("Page 5 of 5"))) << Last.toStdString();
    EXPECT_TRUE(Last.contains(QStringLiteral("合计 30150"))) << Last.toStdString();
    // The last line: row 200 and its amount.
    EXPECT_TRUE(Last.contains(QRegularExpression(QStringLiteral("^200$"), QRegularExpression::MultilineOption)));
    EXPECT_TRUE(Last.contains(QRegularExpression(QStringLiteral("^300$"), QRegularExpression::MultilineOption)));
    qdzFreePrinters();
}
