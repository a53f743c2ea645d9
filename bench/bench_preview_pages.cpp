// Benchmarks of the built-page store: page rebuild, built-report save and load, printing to PDF.
#include "report/engine/qdzPreviewPages.h"
#include "report/engine/qdzPrinter.h"
#include "report/model/qdzClass.h"
#include "report/model/qdzVariables.h"
#include "report/model/qdzXML.h"
#include "report/model/qdzXMLSerializer.h"
#include "tests/report/engine/PrinterFakes.h"

#include "platform/Forms.h"
#include "platform/Graphics.h"
#include "platform/Streams.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include "BenchQtMain.h"

// Each is measured beside a reference in the same run: the template reader
// reading the same page, the same bytes written and read raw or by the XML
// tree alone, and the same pages drawn onto images.
namespace {

class TBenchView : public TqdzView
{
    STATION_CLASS(TBenchView, TqdzView)
public:
    explicit TBenchView(TComponent *AOwner) : TqdzView(AOwner) { SetFlags(Flags() & ~qdzFlagWriteFull); }
    void Draw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override
    {
        const int l = Round(AbsLeft() * ScaleX + OffsetX), t = Round(AbsTop() * ScaleY + OffsetY);
        Canvas->Brush()->SetColor(0xE0E0E0);
        Canvas->FillRect(TRect(l, t, Round(l + Width() * ScaleX), Round(t + Height() * ScaleY)));
        Canvas->TextOut(l + 1, t + 1, QString::number(Tag()));
    }
};

STATION_PUBLISHED(TBenchView) {}

void Setup()
{
    static const bool Done = [] {
        RegisterClass(TBenchView::StaticClass());
        TqdzBuildFactories f = qdzBuildFactories();
        qdzAddPreviewPagesFactories(f);
        qdzInstallBuildFactories(f);
        return true;
    }();
    (void)Done;
}

// A report whose page holds Objects - 1 views on one band, built Pages times
// with every view moved and numbered.
struct TBuilt {
    TqdzReport Report{nullptr};
    TqdzReportPage *Page;
    TqdzMasterData *Band;
    std::unique_ptr<TqdzPreviewPages> Store;

    TBuilt(int Objects, int Pages)
    {
        Setup();
        Page = new TqdzReportPage(&Report);
        Page->SetName(QStringLiteral("Page1"));
        Page->SetPaperSize(9);
        Band = new TqdzMasterData(Page);
        Band->SetName(QStringLiteral("MasterData1"));
        Band->SetBounds(0, 0, 718, 1000);
        for (int i = 1; i < Objects; ++i) {
            auto *v = new TBenchView(Band);
            v->SetName(QStringLiteral("View%1").arg(i));
            v->SetBounds((i % 7) * 100, (i / 7) * 20, 90, 18);
        }
        Store = std::make_unique<TqdzPreviewPages>(&Report);
        Store->AddSourcePage(Page);
        Store->BeginPass();
        TList *all = Band->Objects();
        for (int p = 0; p < Pages; ++p) {
            Store->AddPage(Page);
            for (int i = 0; i < all->Count(); ++i) {
                auto *v = static_cast<TBenchView *>(all->Items(i));
                v->SetTag(p * 1000 + i);
                v->SetTop(v->Top() + 1);
            }
            Store->AddObject(Band);
        }
        Store->Finish();
    }
};

void BM_GetPage(benchmark::State &State)
{
    TBuilt b(int(State.range(0)), 1);
    for (auto _ : State) {
        b.Store->ClearPageCache();
        benchmark::DoNotOptimize(b.Store->GetPage(0));
    }
    State.counters["objects"] = double(State.range(0));
}
BENCHMARK(BM_GetPage)->Arg(50)->Arg(500)->Unit(benchmark::kMicrosecond);

// Reference: the same page, written whole, read back by the template reader.
void BM_GetPage_TemplateReader(benchmark::State &State)
{
    TBuilt b(int(State.range(0)), 1);
    TqdzXMLItem item;
    {
        TqdzXMLSerializer w(nullptr);
        w.WriteTemplateRoot(b.Store->GetPage(0), true, false, &item);
    }
    for (auto _ : State) {
        TqdzReportPage page(nullptr);
        TqdzXMLSerializer r(nullptr);
        r.ReadTemplateRoot(&page, &item);
        benchmark::DoNotOptimize(page.Objects()->Count());
    }
}
BENCHMARK(BM_GetPage_TemplateReader)->Arg(50)->Arg(500)->Unit(benchmark::kMicrosecond);

void BM_SaveLoad(benchmark::State &State)
{
    TBuilt b(20, int(State.range(0)));
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("b.qe3"));
    TqdzReport other(nullptr);
    TqdzPreviewPages loaded(&other);
    for (auto _ : State) {
        b.Store->SaveToFile(file);
        loaded.LoadFromFile(file);
        benchmark::DoNotOptimize(loaded.GetCount());
    }
}
BENCHMARK(BM_SaveLoad)->Arg(50)->Arg(500)->Unit(benchmark::kMillisecond);

// Reference: the same bytes written to the file and read back raw.
void BM_SaveLoad_RawBytes(benchmark::State &State)
{
    TBuilt b(20, int(State.range(0)));
    TMemoryStream bytes;
    b.Store->SaveToStream(&bytes);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("b.raw"));
    for (auto _ : State) {
        bytes.SaveToFile(file);
        TMemoryStream back;
        back.LoadFromFile(file);
        benchmark::DoNotOptimize(back.Size());
    }
}
BENCHMARK(BM_SaveLoad_RawBytes)->Arg(50)->Arg(500)->Unit(benchmark::kMillisecond);

// Reference: the same bytes written and read by the XML tree alone, which
// the built-report file is made of.
void BM_SaveLoad_XMLTree(benchmark::State &State)
{
    TBuilt b(20, int(State.range(0)));
    TMemoryStream bytes;
    b.Store->SaveToStream(&bytes);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("b.xml"));
    TqdzXMLDocument doc;
    bytes.SetPosition(0);
    doc.LoadFromStream(&bytes);
    for (auto _ : State) {
        {
            TFileStream out(file, fmCreate);
            doc.SaveToStream(&out);
        }
        TFileStream in(file, fmOpenRead);
        TqdzXMLDocument back;
        back.LoadFromStream(&in);
        benchmark::DoNotOptimize(back.Root()->Count());
    }
}
BENCHMARK(BM_SaveLoad_XMLTree)->Arg(50)->Arg(500)->Unit(benchmark::kMillisecond);

void BM_PrintToPdf(benchmark::State &State)
{
    TScopedSpooler spooler;
    spooler->Printers = {TFakeSpooler::Laser(QStringLiteral("Laser"))};
    spooler->Default = QStringLiteral("Laser");
    qdzFreePrinters();
    TBuilt b(20, int(State.range(0)));
    QTemporaryDir dir;
    b.Report.PrintOptions()->SetShowDialog(false);
    b.Report.PrintOptions()->SetOutputFileName(dir.filePath(QStringLiteral("out.pdf")));
    for (auto _ : State)
        if (!b.Store->Print())
            State.SkipWithError("printing failed");
    qdzFreePrinters();
}
BENCHMARK(BM_PrintToPdf)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

// Reference: the same pages drawn onto page-sized images, at screen
// resolution and at the fake printer's 300 dpi (the scale printing uses).
void DrawImages(benchmark::State &State, int Dpi)
{
    TBuilt b(20, int(State.range(0)));
    const double k = Dpi / 96.0;
    for (auto _ : State)
        for (int i = 0; i < b.Store->GetCount(); ++i) {
            const TPoint size = b.Store->GetPageSize(i);
            TBitmap bmp;
            bmp.SetSize(int(size.X * k), int(size.Y * k));
            b.Store->DrawPage(i, bmp.Canvas(), k, k, 0, 0);
            b.Store->ClearPageCache();
            benchmark::DoNotOptimize(bmp.Width());
        }
}
void BM_PrintToPdf_DrawImages96(benchmark::State &State)
{
    DrawImages(State, 96);
}
BENCHMARK(BM_PrintToPdf_DrawImages96)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);
void BM_PrintToPdf_DrawImages300(benchmark::State &State)
{
    DrawImages(State, 300);
}
BENCHMARK(BM_PrintToPdf_DrawImages300)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return benchRunWithQtApp<QApplication>(argc, argv);
}
