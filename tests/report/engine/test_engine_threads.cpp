// Reports with scripts built on several threads at once: each build sees its
// own rows and script results, and the shared state they reach is locked.
#include "EngineHarness.h"
#include "PrinterFakes.h"

#include "report/model/qdzClassRTTI.h"

#include <QFileInfo>
#include <gtest/gtest.h>
#include <thread>

TEST(EngineThreads, ReportsWithScriptsBuildOnFourThreadsAtOnce)
{
    kwRegisterRTTIUnits();
    qdzRegisterClassRTTI();
    const int Threads = 4, Rows = 40;
    // Made here: start-up fills the process-wide tables once, as a host does
    // before it hands reports to its threads.
    std::unique_ptr<EngineHarness> H[Threads];
    for (int t = 0; t < Threads; ++t) {
        H[t] = std::make_unique<EngineHarness>();
        H[t]->Report->EngineOptions()->SetThreadSafe(true);
        auto *MD = H[t]->Band<TqdzMasterData>("MasterData1", 0, 20);
        MD->SetRowCount(Rows);
        MD->SetOnBeforePrint(QStringLiteral("RowBefore"));
        H[t]->Memo(MD, "Row", "[Tag]");
        H[t]->Report->ScriptText()->SetText(QStringLiteral(
            "var Tag: String;\r\n"
            "procedure RowBefore(Sender: TObject);\r\n"
            "var i, n: Integer;\r\n"
            "begin\r\n"
            "  n := 0;\r\n"
            "  for i := 1 to 5 do if Random < 1 then n := n + 1;\r\n"
            "  Tag := IntToStr(Get('Line')) + ' ' + FormatFloat('0.00', Get('Line') / %1) + ' ' +\r\n"
            "         UpperCase(Copy('abcdef', 1, %1)) + IntToStr(n) +\r\n"
            "         FormatDateTime('yyyy', EncodeDate(2020 + %1, 1, 1));\r\n"
            "end;\r\n"
            "begin end.").arg(t + 1));
    }
    QStringList Results[Threads];
    std::vector<std::thread> Workers;
    for (int t = 0; t < Threads; ++t)
        Workers.emplace_back([&, t] {
            for (int Run = 0; Run < 2; ++Run) {
                H[t]->Build();
                Results[t] << H[t]->Errors().join(QLatin1Char('|')) + QLatin1Char(':') +
                                  H[t]->AllTexts().join(QLatin1Char(','));
            }
        });
    for (std::thread &W : Workers)
        W.join();
    for (int t = 0; t < Threads; ++t) {
        QStringList Expected;
        const QString Tag = QStringLiteral("ABCDEF").left(t + 1) + QStringLiteral("5%1").arg(2021 + t);
        for (int Line = 1; Line <= Rows; ++Line)
            Expected << QStringLiteral("%1 %2 %3").arg(Line).arg(FormatFloat("0.00", double(Line) / (t + 1))).arg(Tag);
        const QString Run = QLatin1Char(':') + Expected.join(QLatin1Char(','));
        EXPECT_EQ(Results[t].join(QLatin1Char('/')).toStdString(), (Run + QLatin1Char('/') + Run).toStdString());
    }
    H[0].reset();
    qdzUnregisterClassRTTI();
}

// Printing drives the one current printer, so threads are refused and told
// why; meanwhile their builds share the printer list, made once on demand.
TEST(EngineThreads, PrintingOffTheMainThreadIsRefusedWhileBuildsShareThePrinterList)
{
    TLaserPrinting Printing;
    const int Threads = 4;
    std::unique_ptr<EngineHarness> H[Threads];
    for (int t = 0; t < Threads; ++t) {
        H[t] = std::make_unique<EngineHarness>();
        H[t]->Report->EngineOptions()->SetThreadSafe(true);
        H[t]->Memo(H[t]->Band<TqdzMasterData>("MasterData1", 0, 20), "Row", "[Line]");
        H[t]->Report->PrintOptions()->SetShowDialog(false);
        H[t]->Report->PrintOptions()->SetOutputFileName(Printing.Dir.filePath(QStringLiteral("%1.pdf").arg(t)));
    }
    qdzFreePrinters();
    TqdzPrinters *Lists[Threads] = {};
    bool Printed[Threads] = {};
    std::vector<std::thread> Workers;
    for (int t = 0; t < Threads; ++t)
        Workers.emplace_back([&, t] {
            Lists[t] = qdzPrinters();
            H[t]->Build();
            Printed[t] = H[t]->Store()->Print();
        });
    for (std::thread &W : Workers)
        W.join();
    for (int t = 0; t < Threads; ++t) {
        EXPECT_EQ(Lists[t], qdzPrinters());
        EXPECT_FALSE(Printed[t]);
        EXPECT_EQ(H[t]->Errors().join('|').toStdString(), "Printing is possible on the program's main thread only");
    }
    EXPECT_EQ(Printing.Messages, QStringList());
    // The main thread prints the same report.
    EXPECT_TRUE(H[0]->Store()->Print());
    EXPECT_TRUE(QFileInfo(Printing.Dir.filePath(QStringLiteral("0.pdf"))).size() > 0);
    qdzFreePrinters();
}
