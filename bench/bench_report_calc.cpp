// Report expressions: the first Calc of an expression (compiled into a function of the private script) against
// the 2nd to 10,000th Calc of the same text (a look-up in the cache and one call), for an expression of 10 and of
// 100 terms, and with 10 and 100 other cached expressions beside it.
#include "platform/Dialogs.h"
#include "report/model/qdzClass.h"
#include "report/model/qdzExpressionCache.h"
#include "report/model/qdzVariables.h"
#include "script/kw_isysrtti.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include "BenchQtMain.h"

namespace {

// "x + 1 + x + 2 ..." with Terms terms.
QString Expression(int Terms)
{
    QString s = QStringLiteral("x");
    for (int i = 1; i < Terms; ++i)
        s += (i % 2 ? QStringLiteral(" + %1") : QStringLiteral(" + x * %1")).arg(i);
    return s;
}

std::unique_ptr<TqdzReport> NewReport()
{
    auto r = std::make_unique<TqdzReport>(nullptr);
    r->EngineOptions()->SetNewSilentMode(simSilent);
    r->ScriptText()->SetText(QStringLiteral("var x: Integer;\r\nbegin\r\n  x := 3;\r\nend."));
    return r;
}

// The expression's first Calc: the cache starts empty each time (set-up not timed).
void BM_CalcFirstCompile(benchmark::State &State)
{
    const QString expr = Expression(int(State.range(0)));
    auto r = NewReport();
    for (auto _ : State) {
        State.PauseTiming();
        if (!r->SetupScript()) {
            State.SkipWithError("script set-up failed");
            return;
        }
        State.ResumeTiming();
        benchmark::DoNotOptimize(r->Calc(expr));
    }
    State.SetItemsProcessed(State.iterations());
}
BENCHMARK(BM_CalcFirstCompile)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);

// The 2nd to 10,000th Calc of the same text, beside Others other cached expressions.
void BM_CalcCached(benchmark::State &State)
{
    const QString expr = Expression(int(State.range(0)));
    auto r = NewReport();
    if (!r->SetupScript()) {
        State.SkipWithError("script set-up failed");
        return;
    }
    for (int i = 0; i < State.range(1); ++i)
        r->Calc(QStringLiteral("x + %1").arg(i));
    r->Calc(expr);
    for (auto _ : State)
        for (int i = 2; i <= 10000; ++i)
            benchmark::DoNotOptimize(r->Calc(expr));
    State.SetItemsProcessed(State.iterations() * 9999);
    State.counters["compiled"] = double(r->ExpressionCache()->Expressions()->Count());
}
BENCHMARK(BM_CalcCached)->Args({10, 10})->Args({100, 10})->Args({10, 100})->Unit(benchmark::kMillisecond);

} // namespace

// A report shows its errors in a box: nobody is there to close it.
static void SetUpCalc()
{
    kwInitSysFunctions();
    SetDialogHook([](TDialogRequest &) { return 1; });
}

int main(int argc, char **argv)
{
    return benchRunWithQtApp<QApplication>(argc, argv, SetUpCalc);
}
