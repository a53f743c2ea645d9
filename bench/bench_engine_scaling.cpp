// Engine work that grows with one template's size, each at 1x and 10x so a
// cost that grows faster than the size shows as a ratio: one band of N text
// objects (a grid and all at one place), one memo of N lines split across
// pages, a chain of N subreport pages loaded and freed, and built, a script's
// frees beside N template objects, and N objects the engine does not print
// (the copy of the template a build keeps). The references measured in the
// same run do the same amount of work in shapes known to be linear: N objects
// spread over bands of 100, N one-line rows, the same pages with their
// subreports unlinked, the script's loop without the frees, and the builds
// keeping no copy.
#include "platform/Streams.h"
#include "report/engine/qdzBuild.h"
#include "report/model/qdzClass.h"
#include "report/model/qdzClassViews.h"
#include "report/model/qdzVariables.h"
#include "script/kw_irttiunits.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QStringList>
#include <memory>
#include "BenchQtMain.h"

namespace {

std::unique_ptr<TqdzReport> NewReport()
{
    auto R = std::make_unique<TqdzReport>(nullptr);
    R->EngineOptions()->SetSilentMode(true);
    return R;
}

TqdzReportPage *NewPage(TqdzReport *R, int No)
{
    auto *P = new TqdzReportPage(R);
    P->SetName(QStringLiteral("Page%1").arg(No));
    P->SetPaperWidth(210);
    P->SetPaperHeight(297);
    return P;
}

template<class B> B *NewBand(TqdzReportPage *P, const QString &Name, double Top, double Height)
{
    auto *Band = new B(P);
    Band->SetName(Name);
    Band->SetBounds(0, Top, 700, Height);
    return Band;
}

TqdzMemoView *NewMemo(TqdzBand *On, int No, double Left, double Top, double Width, const QString &Text)
{
    auto *M = new TqdzMemoView(On);
    M->SetName(QStringLiteral("Memo%1").arg(No));
    M->SetBounds(Left, Top, Width, 18);
    M->SetText(Text);
    return M;
}

void Run(benchmark::State &State, TqdzReport *R, int Units)
{
    for (auto _ : State) {
        if (!R->BuildReport()) {
            State.SkipWithError("the report did not build");
            return;
        }
        benchmark::DoNotOptimize(R->PreviewPages()->GetCount());
    }
    State.counters["time_per_unit"] = benchmark::Counter(double(Units) * State.iterations(),
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// N objects on one title band: 10 to a row, or all at one place.
void Views(benchmark::State &State, bool OnePlace)
{
    const int N = int(State.range(0));
    auto R = NewReport();
    auto *Title = NewBand<TqdzReportTitle>(NewPage(R.get(), 1), "ReportTitle1", 0, 1000);
    for (int i = 0; i < N; ++i)
        NewMemo(Title, i + 1, OnePlace ? 0 : (i % 10) * 70, OnePlace ? 0 : (i / 10) * 1000.0 / (N / 10 + 1), 65,
                QStringLiteral("T%1").arg(i));
    Run(State, R.get(), N);
}

void BM_ViewsOnOneBandGrid(benchmark::State &State)
{
    Views(State, false);
}
BENCHMARK(BM_ViewsOnOneBandGrid)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

void BM_ViewsOnOneBandOnePlace(benchmark::State &State)
{
    Views(State, true);
}
BENCHMARK(BM_ViewsOnOneBandOnePlace)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

// Reference: the same objects, 100 to a title band on pages of their own.
void BM_ViewsOnBandsOf100(benchmark::State &State)
{
    const int N = int(State.range(0));
    auto R = NewReport();
    for (int p = 0; p * 100 < N; ++p) {
        auto *Title = NewBand<TqdzReportTitle>(NewPage(R.get(), p + 1), QStringLiteral("ReportTitle%1").arg(p + 1),
                                               0, 1000);
        for (int i = p * 100; i < std::min(N, (p + 1) * 100); ++i)
            NewMemo(Title, i + 1, (i % 10) * 70, (i % 100 / 10) * 20, 65, QStringLiteral("T%1").arg(i));
    }
    Run(State, R.get(), N);
}
BENCHMARK(BM_ViewsOnBandsOf100)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

// One memo of N lines on a band that splits across pages.
void BM_MemoOfLines(benchmark::State &State)
{
    const int N = int(State.range(0));
    auto R = NewReport();
    auto *MD = NewBand<TqdzMasterData>(NewPage(R.get(), 1), "MasterData1", 0, 20);
    MD->SetRowCount(1);
    MD->SetStretched(true);
    MD->SetAllowSplit(true);
    QStringList Lines;
    for (int i = 0; i < N; ++i)
        Lines << QStringLiteral("Line %1").arg(i);
    NewMemo(MD, 1, 0, 0, 300, Lines.join(QStringLiteral("\r\n")))->SetStretchMode(smActualHeight);
    Run(State, R.get(), N);
}
BENCHMARK(BM_MemoOfLines)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

// Reference: N rows of one line each.
void BM_RowsOfOneLine(benchmark::State &State)
{
    const int N = int(State.range(0));
    auto R = NewReport();
    auto *MD = NewBand<TqdzMasterData>(NewPage(R.get(), 1), "MasterData1", 0, 20);
    MD->SetRowCount(N);
    NewMemo(MD, 1, 0, 0, 300, QStringLiteral("Line [Line]"));
    Run(State, R.get(), N);
}
BENCHMARK(BM_RowsOfOneLine)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

// N pages, each with a title band holding a subreport; with Chain, the
// subreport of page i prints page i + 1. Saved once, then loaded and freed.
QByteArray PagesTemplate(int N, bool Chain)
{
    auto R = NewReport();
    std::vector<TqdzReportPage *> Pages;
    for (int i = 0; i < N; ++i)
        Pages.push_back(NewPage(R.get(), i + 1));
    for (int i = 0; i < N; ++i) {
        auto *Title = NewBand<TqdzReportTitle>(Pages[size_t(i)], QStringLiteral("ReportTitle%1").arg(i + 1), 0, 40);
        NewMemo(Title, i + 1, 0, 0, 200, QStringLiteral("Page %1").arg(i + 1));
        if (i + 1 < N) {
            auto *S = new TqdzSubreport(Title);
            S->SetName(QStringLiteral("Subreport%1").arg(i + 1));
            S->SetBounds(0, 20, 200, 18);
            if (Chain)
                S->SetPage(Pages[size_t(i) + 1]);
        }
    }
    TMemoryStream S;
    R->SaveToStream(&S);
    return QByteArray(static_cast<const char *>(S.Memory()), int(S.Size()));
}

void LoadFree(benchmark::State &State, bool Chain)
{
    const int N = int(State.range(0));
    const QByteArray Bytes = PagesTemplate(N, Chain);
    for (auto _ : State) {
        auto R = NewReport();
        TMemoryStream S;
        S.WriteBuffer(Bytes.constData(), Bytes.size());
        S.SetPosition(0);
        R->LoadFromStream(&S);
        benchmark::DoNotOptimize(R->Objects()->Count());
    }
    State.counters["time_per_page"] = benchmark::Counter(double(N) * State.iterations(),
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_SubreportChain(benchmark::State &State)
{
    LoadFree(State, true);
}
BENCHMARK(BM_SubreportChain)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// The chain loaded once and built (its template saved and read back).
void BM_SubreportChainBuild(benchmark::State &State)
{
    const int N = int(State.range(0));
    const QByteArray Bytes = PagesTemplate(N, true);
    auto R = NewReport();
    TMemoryStream S;
    S.WriteBuffer(Bytes.constData(), Bytes.size());
    S.SetPosition(0);
    R->LoadFromStream(&S);
    Run(State, R.get(), N);
}
BENCHMARK(BM_SubreportChainBuild)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// Reference: the same objects, the subreports without a page.
void BM_PagesWithoutSubreports(benchmark::State &State)
{
    LoadFree(State, false);
}
BENCHMARK(BM_PagesWithoutSubreports)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// A template of N views that no band prints, and a main block that makes
// and frees 2,000 objects while the report builds: a free's cost must not
// grow with the template. Frees: components of no owner, and views made on
// a band (report objects, told to the report's owned objects as they go).
// Reference: the same template and loop, making nothing.
void ScriptFrees(benchmark::State &State, const char *Loop)
{
    const int N = int(State.range(0));
    auto R = NewReport();
    auto *P = NewPage(R.get(), 1);
    auto *MD = NewBand<TqdzMasterData>(P, "MasterData1", 0, 20);
    MD->SetRowCount(1);
    for (int b = 0; b * 100 < N; ++b) {
        auto *C = NewBand<TqdzChild>(P, QStringLiteral("Child%1").arg(b + 1), 0, 20);
        for (int i = b * 100; i < std::min(N, (b + 1) * 100); ++i)
            NewMemo(C, i + 1, (i % 10) * 70, 0, 65, QStringLiteral("T%1").arg(i));
    }
    TStringList S;
    S.SetText(QStringLiteral("var o: TComponent; m: TqdzMemoView; i: Integer;\r\n"
                             "begin for i := 1 to 2000 do begin %1 end; end.")
                  .arg(QString::fromLatin1(Loop)));
    R->SetScriptText(&S);
    Run(State, R.get(), N);
}

void BM_ScriptFreesComponents(benchmark::State &State)
{
    ScriptFrees(State, "o := TComponent.Create(nil); o.Free;");
}
BENCHMARK(BM_ScriptFreesComponents)->Arg(400)->Arg(4000)->Unit(benchmark::kMillisecond);

void BM_ScriptFreesViews(benchmark::State &State)
{
    ScriptFrees(State, "m := TqdzMemoView.Create(MasterData1); m.Free;");
}
BENCHMARK(BM_ScriptFreesViews)->Arg(400)->Arg(4000)->Unit(benchmark::kMillisecond);

void BM_ScriptLoopsWithoutObjects(benchmark::State &State)
{
    ScriptFrees(State, "o := nil;");
}
BENCHMARK(BM_ScriptLoopsWithoutObjects)->Arg(400)->Arg(4000)->Unit(benchmark::kMillisecond);
// N text objects on the data page, where the engine does not print them:
// the build's cost that grows with them is the copy of the template it
// keeps and puts back.
void TemplateCopy(benchmark::State &State, bool Restore)
{
    const int N = int(State.range(0));
    auto R = NewReport();
    NewPage(R.get(), 1);
    auto *Data = new TqdzDataPage(R.get());
    Data->SetName(QStringLiteral("Data"));
    for (int i = 0; i < N; ++i) {
        auto *M = new TqdzMemoView(Data);
        M->SetName(QStringLiteral("Memo%1").arg(i + 1));
        M->SetBounds((i % 10) * 70, (i / 10) * 20, 65, 18);
        M->SetText(QStringLiteral("T%1").arg(i));
    }
    R->EngineOptions()->SetRestoreAfterRun(Restore);
    Run(State, R.get(), N);
}

void BM_TemplateSavedAndPutBack(benchmark::State &State)
{
    TemplateCopy(State, true);
}
BENCHMARK(BM_TemplateSavedAndPutBack)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

// Reference: the same builds keeping no copy (the script's set-up names
// every object, so they are linear in N too).
void BM_TemplateNotKept(benchmark::State &State)
{
    TemplateCopy(State, false);
}
BENCHMARK(BM_TemplateNotKept)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

} // namespace

static void SetUpEngine()
{
    kwRegisterRTTIUnits();
    qdzEngineStartup();
}

int main(int argc, char **argv)
{
    return benchRunWithQtApp<QGuiApplication>(argc, argv, SetUpEngine);
}
