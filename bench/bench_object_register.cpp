// Benchmarks of the register of live objects at 1x and 10x the objects alive, with memo template builds.
// Making and freeing objects is measured against a plain class with a serial's room and no register;
// builds of 5,000 and 50,000 memos report the time and the memory held per memo.
#include "report/engine/qdzBuild.h"
#include "report/model/qdzClass.h"
#include "report/model/qdzClassViews.h"
#include "report/model/qdzVariables.h"

#include "BenchMemoTemplate.h"
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

// The reference: a class with a virtual destructor and a serial's room, and no register.
struct TPlain
{
    virtual ~TPlain() = default;
    quint64 Field = 0;
};

// N objects alive; each iteration frees them in the order they were made and
// makes N again, so the register holds about N objects throughout.
template<class T> void MakeFree(benchmark::State &State)
{
    const auto N = size_t(State.range(0));
    std::vector<T *> Live(N);
    for (auto &O : Live)
        O = new T;
    for (auto _ : State) {
        for (auto &O : Live) {
            delete O;
            O = new T;
        }
        benchmark::DoNotOptimize(Live.data());
    }
    for (auto *O : Live)
        delete O;
    State.counters["time_per_object"] = benchmark::Counter(double(N) * double(State.iterations()),
                                                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_MakeFreeObjects(benchmark::State &State)
{
    MakeFree<TObject>(State);
}
BENCHMARK(BM_MakeFreeObjects)->Arg(200000)->Arg(2000000)->Unit(benchmark::kMillisecond);

void BM_MakeFreePlain(benchmark::State &State)
{
    MakeFree<TPlain>(State);
}
BENCHMARK(BM_MakeFreePlain)->Arg(200000)->Arg(2000000)->Unit(benchmark::kMillisecond);

qint64 BytesAllocated()
{
    const struct mallinfo2 m = mallinfo2();
    return qint64(m.uordblks + m.hblkhd);
}

// N memos, 100 to a band, one band to a page; built with the template not
// restored, so what one build holds is its pages and the template.
void TemplateBuild(benchmark::State &State)
{
    const int N = int(State.range(0));
    const qint64 Before = BytesAllocated();
    auto R = std::make_unique<TqdzReport>(nullptr);
    R->EngineOptions()->SetSilentMode(true);
    R->EngineOptions()->SetRestoreAfterRun(false);
    AddMemoPages(R.get(), N);
    qint64 Held = 0;
    for (auto _ : State) {
        if (!R->BuildReport()) {
            State.SkipWithError("the report did not build");
            return;
        }
        benchmark::DoNotOptimize(R->PreviewPages()->GetCount());
        Held = BytesAllocated() - Before;
    }
    State.counters["time_per_memo"] = benchmark::Counter(double(N) * double(State.iterations()),
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    State.counters["bytes_per_memo"] = double(Held) / N;
}

void BM_MemoTemplateBuild(benchmark::State &State)
{
    TemplateBuild(State);
}
BENCHMARK(BM_MemoTemplateBuild)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

// Prints, after the usual table, each 10x run's processor time against its 1x in the same run.
class TRatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &Runs) override
    {
        ConsoleReporter::ReportRuns(Runs);
        for (const Run &R : Runs)
            if (R.run_type == Run::RT_Iteration && !R.error_occurred)
                FTimes[R.benchmark_name()] = R.GetAdjustedCPUTime();
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        for (const auto &[Name, Time] : FTimes) {
            const auto Slash = Name.rfind('/');
            if (Slash == std::string::npos)
                continue;
            const std::string Base = Name.substr(0, Slash);
            const long Size = std::stol(Name.substr(Slash + 1));
            const auto One = FTimes.find(Base + "/" + std::to_string(Size / 10));
            if (Size % 10 == 0 && One != FTimes.end())
                std::printf("%-40s %6.2fx its 1x\n", Name.c_str(), Time / One->second);
        }
    }

private:
    std::map<std::string, double> FTimes;
};

} // namespace

int main(int argc, char **argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication App(argc, argv);
    qdzEngineStartup();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    TRatioReporter Reporter;
    benchmark::RunSpecifiedBenchmarks(&Reporter);
    benchmark::Shutdown();
    return 0;
}
