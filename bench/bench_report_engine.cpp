// Building a list report (a data band of four text objects over a user
// dataset, page header and a footer "Page N of M" over two passes) at 1,000
// and 10,000 rows, to pages (also with a script event on every row) and to
// a PDF file. References measured in the same run: laying out the texts of
// one built page with the text layout alone (the counter time_per_page of
// the builds compares with it), and the same texts drawn straight into a
// PDF by QPainter (the floor of printing). Building a template of 1,000 and
// 10,000 objects, with copying its objects alone as reference. A list of a
// million rows, once, for the memory it holds.
#include "platform/Dialogs.h"
#include "platform/Printers.h"
#include "report/engine/qdzBuild.h"
#include "report/engine/qdzPrinter.h"
#include "report/model/qdzClass.h"
#include "report/model/qdzClassViews.h"
#include "report/model/qdzDrawText.h"
#include "report/model/qdzMemoryMeter.h"
#include "report/model/qdzVariables.h"
#include "report/model/qdzWideStrings.h"
#include "script/kw_irttiunits.h"

#include "BenchMemoTemplate.h"
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include "BenchQtMain.h"

namespace {

const char *const Products[] = {"Tomato 西红柿", "Cabbage 白菜", "Potato 土豆", "Cucumber 黄瓜", "Carrot 胡萝卜"};

// The station's way of feeding rows: the report asks for names, answered by
// the dataset's record number.
class ListSource : public TObject
{
public:
    TqdzUserDataSet *DS = nullptr;
    void GetValue(const QString &Name, Variant &Value)
    {
        const int R = DS->RecNo();
        if (Name == QLatin1String("No"))
            Value = Variant(R + 1);
        else if (Name == QLatin1String("Product"))
            Value = Variant(QString::fromUtf8(Products[R % 5]));
        else if (Name == QLatin1String("Weight"))
            Value = Variant(10.0 + (R % 97) * 0.25);
        else if (Name == QLatin1String("Amount"))
            Value = Variant(32.5 + (R % 89) * 1.5);
    }
};

struct ListReport
{
    ListSource Source;
    std::unique_ptr<TqdzReport> Report;

    explicit ListReport(int Rows, bool Scripted = false)
    {
        qdzEngineStartup();
        Report = std::make_unique<TqdzReport>(nullptr);
        Report->SetOnGetValue(TqdzGetValueEvent(&Source, &ListSource::GetValue));
        Report->EngineOptions()->SetDoublePass(true);
        auto *Page = new TqdzReportPage(Report.get());
        Page->SetName("Page1");
        // A4, whether or not a paper table is installed.
        Page->SetPaperWidth(210);
        Page->SetPaperHeight(297);
        Page->SetLeftMargin(10);
        Page->SetRightMargin(10);
        Page->SetTopMargin(10);
        Page->SetBottomMargin(10);
        auto *DS = new TqdzUserDataSet(Report.get());
        DS->SetName("Lines");
        DS->SetRangeEnd(reCount);
        DS->SetRangeEndCount(Rows);
        Report->DataSets()->Add()->SetDataSet(DS);
        Source.DS = DS;
        auto Band = [&](TqdzBand *B, const QString &Name, double Top) {
            B->SetName(Name);
            B->SetTop(Top);
            B->SetHeight(20);
            B->SetWidth(700);
            return B;
        };
        auto Memo = [&](TqdzBand *On, const QString &Name, const QString &Text, double Left, double Width) {
            auto *M = new TqdzMemoView(On);
            M->SetName(Name);
            M->SetBounds(Left, 0, Width, 18);
            M->SetText(Text);
        };
        TqdzBand *PH = Band(new TqdzPageHeader(Page), "PageHeader1", 0);
        Memo(PH, "Title", "Delivered goods, page [Page#]", 0, 400);
        TqdzBand *PF = Band(new TqdzPageFooter(Page), "PageFooter1", 1000);
        Memo(PF, "PageNo", "Page [Page#] of [TotalPages#]", 500, 200);
        auto *MD = static_cast<TqdzMasterData *>(Band(new TqdzMasterData(Page), "MasterData1", 100));
        MD->SetDataSet(DS);
        Memo(MD, "No", "[No]", 0, 60);
        Memo(MD, "Product", "[Product]", 60, 300);
        Memo(MD, "Weight", "[Weight]", 360, 150);
        Memo(MD, "Amount", "[Amount]", 510, 150);
        if (Scripted) {
            // A script event of a few dozen lines for every row.
            TStringList S;
            S.SetText("var t: Integer;\r\nprocedure Row(Sender: TObject);\r\nvar i: Integer;\r\nbegin\r\n"
                      "  for i := 1 to 20 do t := t + i;\r\nend;\r\nbegin\r\nend.");
            Report->SetScriptText(&S);
            MD->SetOnBeforePrint("Row");
        }
    }
};

// One A4 print queue, whatever this machine has: printing to a file needs
// a printer to take its page set-up from.
class TOneQueue : public TPrinterSpooler
{
public:
    QStringList PrinterNames() override { return {QStringLiteral("Office")}; }
    QString DefaultPrinterName() override { return QStringLiteral("Office"); }
    bool Describe(const QString &Name, TPrinterDescription &D) override
    {
        if (Name != QLatin1String("Office"))
            return false;
        D.Name = Name;
        D.Papers = {{9, QStringLiteral("A4"), 210, 297}};
        D.Bins = {{DMBIN_AUTO, QStringLiteral("Auto")}};
        D.DefPaper = 9;
        D.DPI = 600;
        D.Margins = QMarginsF(4, 4, 4, 4);
        return true;
    }
    bool CanPrint(const QString &) override { return false; }
    bool SubmitRaw(const QString &, const QString &, const QByteArray &) override { return false; }
};

// Prints the built pages to a PDF file without the print dialog.
bool PrintToPdf(TqdzReport *Report, const QString &File)
{
    Report->PrintOptions()->SetShowDialog(false);
    Report->PrintOptions()->SetOutputFileName(File);
    return Report->PrintReport();
}

void Build(benchmark::State &State, bool Pdf, bool Scripted = false)
{
    const int Rows = int(State.range(0));
    ListReport L(Rows, Scripted);
    QTemporaryDir Dir;
    // A message box would wait for a click: a failure ends the benchmark.
    QStringList Messages;
    TScopedDialogHook Answer([&](TDialogRequest &R) {
        Messages << R.Text;
        return int(IDOK);
    });
    int Pages = 0;
    for (auto _ : State) {
        if (!L.Report->BuildReport()) {
            State.SkipWithError("the report did not build");
            return;
        }
        Pages = L.Report->PreviewPages()->GetCount();
        if (Pdf && !PrintToPdf(L.Report.get(), Dir.filePath("list.pdf"))) {
            // Kept: the message is reported after this function returns.
            static std::string Why;
            Why = "the report did not print: " + Messages.join('|').toStdString();
            State.SkipWithError(Why.c_str());
            return;
        }
    }
    State.counters["pages"] = Pages;
    State.counters["time_per_page"] = benchmark::Counter(double(Pages) * State.iterations(),
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_ListReport(benchmark::State &State)
{
    Build(State, false);
}
BENCHMARK(BM_ListReport)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// The same with a script event on every row: what a script costs per line
// while a build watches it.
void BM_ListReportScripted(benchmark::State &State)
{
    Build(State, false, true);
}
BENCHMARK(BM_ListReportScripted)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_ListReportToPdf(benchmark::State &State)
{
    Build(State, true);
}
BENCHMARK(BM_ListReportToPdf)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// A million rows with the default options, built once: within the default
// memory limit. held_mb is what the process grew by over the build (the
// measure the limit takes), peak_mb the process's highest resident memory.
void BM_ListReportMillion(benchmark::State &State)
{
    int Pages = 0;
    qint64 Held = 0;
    for (auto _ : State) {
        ListReport L(int(State.range(0)));
        L.Report->EngineOptions()->SetDoublePass(false);
        TScopedDialogHook Answer([&](TDialogRequest &) { return int(IDOK); });
        const qint64 Before = qdzMemoryInUse();
        if (!L.Report->BuildReport()) {
            State.SkipWithError("the report did not build");
            return;
        }
        Held = qdzMemoryInUse() - Before;
        Pages = L.Report->PreviewPages()->GetCount();
    }
    QFile Status(QStringLiteral("/proc/self/status"));
    qint64 PeakKB = 0;
    if (Status.open(QIODevice::ReadOnly))
        for (const QByteArray &Line : Status.readAll().split('\n'))
            if (Line.startsWith("VmHWM:"))
                PeakKB = Line.mid(6).trimmed().split(' ').value(0).toLongLong();
    State.counters["pages"] = Pages;
    State.counters["held_mb"] = double(Held >> 20);
    State.counters["limit_mb"] = TqdzEngineOptions().MaxBuildMemSize();
    State.counters["peak_mb"] = double(PeakKB >> 10);
}
BENCHMARK(BM_ListReportMillion)->Arg(1000000)->Iterations(1)->Unit(benchmark::kSecond);

// Printing alone: the pages built once, printed to the PDF file each time.
void BM_ListReportPrintOnly(benchmark::State &State)
{
    ListReport L(int(State.range(0)));
    QTemporaryDir Dir;
    TScopedDialogHook Answer([&](TDialogRequest &) { return int(IDOK); });
    if (!L.Report->BuildReport()) {
        State.SkipWithError("the report did not build");
        return;
    }
    const int Pages = L.Report->PreviewPages()->GetCount();
    for (auto _ : State)
        if (!PrintToPdf(L.Report.get(), Dir.filePath("list.pdf"))) {
            State.SkipWithError("the report did not print");
            return;
        }
    State.counters["pages"] = Pages;
    State.counters["time_per_page"] = benchmark::Counter(double(Pages) * State.iterations(),
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ListReportPrintOnly)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// The floor of printing: the texts the list report prints (50 rows a page,
// header and footer) drawn by QPainter straight into a 600 dpi A4 PDF in the
// report's font, without the engine.
void BM_ListTextsQPainterPdf(benchmark::State &State)
{
    const int Rows = int(State.range(0)), PerPage = 50;
    const int Pages = (Rows + PerPage - 1) / PerPage;
    QTemporaryDir Dir;
    const QString File = Dir.filePath("floor.pdf");
    const double K = 600 / 96.0;
    for (auto _ : State) {
        QPdfWriter W(File);
        W.setResolution(600);
        W.setPageSize(QPageSize(QPageSize::A4));
        W.setPageMargins(QMarginsF(4, 4, 4, 4), QPageLayout::Millimeter);
        QPainter P(&W);
        QFont F(QStringLiteral("Arial"));
        F.setPixelSize(int(13 * K));
        P.setFont(F);
        auto Text = [&](double X, double Y, const QString &T) {
            P.drawText(QRectF(X * K, Y * K, 300 * K, 18 * K), Qt::AlignLeft | Qt::AlignVCenter, T);
        };
        for (int Pg = 0; Pg < Pages; ++Pg) {
            if (Pg > 0)
                W.newPage();
            Text(40, 40, QStringLiteral("Delivered goods, page %1").arg(Pg + 1));
            for (int I = 0; I < PerPage && Pg * PerPage + I < Rows; ++I) {
                const int R = Pg * PerPage + I;
                const double Y = 60 + I * 20;
                Text(40, Y, QString::number(R + 1));
                Text(100, Y, QString::fromUtf8(Products[R % 5]));
                Text(400, Y, QString::number(10.0 + (R % 97) * 0.25));
                Text(550, Y, QString::number(32.5 + (R % 89) * 1.5));
            }
            Text(540, 1060, QStringLiteral("Page %1 of %2").arg(Pg + 1).arg(Pages));
        }
    }
    State.counters["pages"] = Pages;
    State.counters["time_per_page"] = benchmark::Counter(double(Pages) * State.iterations(),
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ListTextsQPainterPdf)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// The texts of one page (header, 50 rows of four, footer) through the text
// layout alone: set up and measured as a memo does, without the engine.
void BM_PageTextsLayoutOnly(benchmark::State &State)
{
    TqdzDrawText D;
    TFont F;
    F.SetName("Arial");
    F.SetSize(10);
    QStringList Texts;
    Texts << "Delivered goods, page 7";
    for (int R = 0; R < 50; ++R)
        Texts << QString::number(R + 1) << QString::fromUtf8(Products[R % 5])
              << QString::number(10.0 + (R % 97) * 0.25) << QString::number(32.5 + (R % 89) * 1.5);
    Texts << "Page 7";
    TWideStrings Lines;
    for (auto _ : State) {
        double H = 0;
        for (const QString &T : Texts) {
            D.Lock();
            D.SetFont(&F);
            D.SetOptions(true, false, 0, true, true, false, false);
            D.SetGaps(2, 0, 0);
            const TRect Rc{2, 1, 150, 18};
            D.SetDimensions(1, 1, 1, Rc, Rc);
            Lines.SetText(T);
            D.SetText(&Lines);
            H += D.CalcHeight();
            D.Unlock();
        }
        benchmark::DoNotOptimize(H);
    }
    State.counters["time_per_page"] =
        benchmark::Counter(double(State.iterations()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_PageTextsLayoutOnly)->Unit(benchmark::kMicrosecond);

// A template of N text objects spread over pages of 100 (a title band each),
// built once: every object gets a short name in the built report's
// dictionary. Reference in the same run: the same objects copied alone, as
// the store copies each template object, without building.
struct ObjectsReport
{
    std::unique_ptr<TqdzReport> Report;

    explicit ObjectsReport(int Objects)
    {
        qdzEngineStartup();
        Report = std::make_unique<TqdzReport>(nullptr);
        Report->EngineOptions()->SetSilentMode(true);
        Report->EngineOptions()->SetRestoreAfterRun(false);
        AddMemoPages(Report.get(), Objects);
    }
};

void ObjectsCounter(benchmark::State &State, int Objects)
{
    State.counters["time_per_object"] = benchmark::Counter(double(Objects) * State.iterations(),
                                                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_TemplateObjectsBuild(benchmark::State &State)
{
    const int Objects = int(State.range(0));
    ObjectsReport R(Objects);
    for (auto _ : State) {
        if (!R.Report->BuildReport()) {
            State.SkipWithError("the report did not build");
            return;
        }
        benchmark::DoNotOptimize(R.Report->PreviewPages()->GetCount());
    }
    ObjectsCounter(State, Objects);
}
BENCHMARK(BM_TemplateObjectsBuild)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_TemplateObjectsCopyOnly(benchmark::State &State)
{
    const int Objects = int(State.range(0));
    ObjectsReport R(Objects);
    TList *All = R.Report->AllObjects();
    for (auto _ : State) {
        TqdzReportPage Copies(nullptr);
        for (int i = 0; i < All->Count(); ++i)
            if (auto *M = dynamic_cast<TqdzMemoView *>(static_cast<TObject *>(All->Items(i)))) {
                auto *C = new TqdzMemoView(&Copies);
                C->Assign(M);
            }
        benchmark::DoNotOptimize(Copies.Objects()->Count());
    }
    ObjectsCounter(State, Objects);
}
BENCHMARK(BM_TemplateObjectsCopyOnly)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

// PDF output goes through one A4 print queue.
static void SetUpEngine()
{
    kwRegisterRTTIUnits();
    SetSpooler(std::make_unique<TOneQueue>());
    qdzFreePrinters();
}

int main(int argc, char **argv)
{
    return benchRunWithQtApp<QApplication>(argc, argv, SetUpEngine);
}
