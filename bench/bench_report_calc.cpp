// Report expressions: the first Calc of an expression (compiled into a function of the private script) against
// the 2nd to 10,000th Calc of the same text (a look-up in the cache and one call), for an expression of 10 and of
// 100 terms, and with 10 and 100 other cached expressions beside it. The reference, measured in the same run: the
// same expression texts in Lua 5.4, compiled into a function once per text and called through a cache of the
// compiled functions by text.
#include "platform/Dialogs.h"
#include "report/model/qdzClass.h"
#include "report/model/qdzExpressionCache.h"
#include "report/model/qdzVariables.h"
#include "script/kw_isysrtti.h"

#include <QApplication>
#include <QHash>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include "BenchQtMain.h"

extern "C" {
#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>
}

namespace {

// "x + 1 + x + 2 ..." with Terms terms.
QString Expression(int Terms)
{
    QString s = QStringLiteral("x");
    for (int i = 1; i < Terms; ++i)
        s += (i % 2 ? QStringLiteral(" + %1") : QStringLiteral(" + x * %1")).arg(i);
    return s;
}

// The value of Expression(Terms) with x = 3, to check both sides.
lua_Integer ExpectedValue(int Terms)
{
    lua_Integer v = 3;
    for (int i = 1; i < Terms; ++i)
        v += i % 2 ? i : 3 * i;
    return v;
}

std::unique_ptr<TqdzReport> NewReport()
{
    auto r = std::make_unique<TqdzReport>(nullptr);
    r->EngineOptions()->SetNewSilentMode(simSilent);
    r->ScriptText()->SetText(QStringLiteral("var x: Integer;\r\nbegin\r\n  x := 3;\r\nend."));
    return r;
}

// Sets the report's script up; x is 3 as the script's main block would leave it.
bool SetupReportScript(TqdzReport *R)
{
    if (!R->SetupScript())
        return false;
    TkwCustomVariable *x = R->Script()->Find(QStringLiteral("x"));
    if (!x)
        return false;
    x->SetValue(Variant(3));
    return true;
}

// The expression's first Calc: the cache starts empty each time (set-up not timed).
void BM_CalcFirstCompile(benchmark::State &State)
{
    const QString expr = Expression(int(State.range(0)));
    auto r = NewReport();
    for (auto _ : State) {
        State.PauseTiming();
        if (!SetupReportScript(r.get())) {
            State.SkipWithError("script set-up failed");
            return;
        }
        State.ResumeTiming();
        benchmark::DoNotOptimize(r->Calc(expr));
    }
    if (r->Calc(expr).AsInt64() != ExpectedValue(int(State.range(0))))
        State.SkipWithError("wrong result");
    State.SetItemsProcessed(State.iterations());
}
BENCHMARK(BM_CalcFirstCompile)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);

// The 2nd to 10,000th Calc of the same text, beside Others other cached expressions.
void BM_CalcCached(benchmark::State &State)
{
    const QString expr = Expression(int(State.range(0)));
    auto r = NewReport();
    if (!SetupReportScript(r.get())) {
        State.SkipWithError("script set-up failed");
        return;
    }
    for (int i = 0; i < State.range(1); ++i)
        r->Calc(QStringLiteral("x + %1").arg(i));
    r->Calc(expr);
    for (auto _ : State)
        for (int i = 2; i <= 10000; ++i)
            benchmark::DoNotOptimize(r->Calc(expr));
    if (r->Calc(expr).AsInt64() != ExpectedValue(int(State.range(0))))
        State.SkipWithError("wrong result");
    State.SetItemsProcessed(State.iterations() * 9999);
    State.counters["compiled"] = double(r->ExpressionCache()->Expressions()->Count());
}
BENCHMARK(BM_CalcCached)->Args({10, 10})->Args({100, 10})->Args({10, 100})->Unit(benchmark::kMillisecond);

// The reference: a Lua state whose global x is 3 (as the report's script sets it), and its compiled
// expressions by text.
class TLuaCalc
{
public:
    TLuaCalc()
    {
        luaL_openlibs(L);
        lua_pushinteger(L, 3);
        lua_setglobal(L, "x");
    }
    ~TLuaCalc() { lua_close(L); }
    TLuaCalc(const TLuaCalc &) = delete;
    TLuaCalc &operator=(const TLuaCalc &) = delete;

    // The expression's value; it is compiled on its first use. False (and Error) when Lua cannot run it.
    bool Calc(const QString &Expr, lua_Integer &Result)
    {
        auto it = FCompiled.constFind(Expr);
        if (it == FCompiled.constEnd()) {
            const QByteArray chunk = "return " + Expr.toLatin1();
            if (luaL_loadstring(L, chunk.constData()) != LUA_OK)
                return Failed();
            it = FCompiled.insert(Expr, luaL_ref(L, LUA_REGISTRYINDEX));
        }
        lua_rawgeti(L, LUA_REGISTRYINDEX, *it);
        if (lua_pcall(L, 0, 1, 0) != LUA_OK)
            return Failed();
        Result = lua_tointeger(L, -1);
        lua_pop(L, 1);
        return true;
    }
    // Forgets the compiled expressions.
    void Clear()
    {
        for (const int ref : std::as_const(FCompiled))
            luaL_unref(L, LUA_REGISTRYINDEX, ref);
        FCompiled.clear();
    }
    std::string Error;

private:
    bool Failed()
    {
        Error = lua_tostring(L, -1);
        lua_pop(L, 1);
        return false;
    }
    lua_State *L = luaL_newstate();
    QHash<QString, int> FCompiled;
};

void BM_LuaCalcFirstCompile(benchmark::State &State)
{
    const QString expr = Expression(int(State.range(0)));
    TLuaCalc lua;
    lua_Integer v = 0;
    for (auto _ : State) {
        lua.Clear();
        if (!lua.Calc(expr, v)) {
            State.SkipWithError(lua.Error.c_str());
            return;
        }
    }
    if (v != ExpectedValue(int(State.range(0))))
        State.SkipWithError("wrong result");
    State.SetItemsProcessed(State.iterations());
}
BENCHMARK(BM_LuaCalcFirstCompile)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);

void BM_LuaCalcCached(benchmark::State &State)
{
    const QString expr = Expression(int(State.range(0)));
    TLuaCalc lua;
    lua_Integer v = 0;
    for (int i = 0; i < State.range(1); ++i)
        lua.Calc(QStringLiteral("x + %1").arg(i), v);
    if (!lua.Calc(expr, v)) {
        State.SkipWithError(lua.Error.c_str());
        return;
    }
    for (auto _ : State)
        for (int i = 2; i <= 10000; ++i) {
            lua.Calc(expr, v);
            benchmark::DoNotOptimize(v);
        }
    if (v != ExpectedValue(int(State.range(0))))
        State.SkipWithError("wrong result");
    State.SetItemsProcessed(State.iterations() * 9999);
}
BENCHMARK(BM_LuaCalcCached)->Args({10, 10})->Args({100, 10})->Args({10, 100})->Unit(benchmark::kMillisecond);

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
