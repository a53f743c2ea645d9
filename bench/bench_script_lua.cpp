// Six script programs (recursive calls, an integer loop, one whose products
// pass 32 bits, host calls, a string built piece by piece, an insertion sort
// in a large array), each in
// PascalScript and JScript and, as the reference in the same process, in Lua
// 5.4 through its C API; every program at 1x and 10x size, so a cost that
// grows faster than the work shows as a ratio above 10. Compiling is measured
// on its own.
#include "kw_iinterpreter.h"
#include <benchmark/benchmark.h>
#include <QCoreApplication>
#include "BenchQtMain.h"

extern "C" {
#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>
}

namespace {

// The size of each program at 1x; Arg(10) multiplies it (for fib, the 10x
// size is the argument whose call count is about ten times as large).
struct TProgram
{
    const char *Name;
    const char *Pascal;
    const char *JScript;
    const char *LuaSetup; // run once before timing (the scripts' declarations)
    const char *Lua;
    // The %N in the texts at each scale.
    qint64 Size1;
    qint64 Size10;
    // The result variable "r" after a run.
    qint64 (*Expected)(qint64 N);
    // Work units per run (calls, rounds, pieces, element moves).
    qint64 (*Work)(qint64 N);
};

qint64 FibOf(qint64 N)
{
    return N < 2 ? N : FibOf(N - 1) + FibOf(N - 2);
}

qint64 FibCalls(qint64 N)
{
    return N < 2 ? 1 : 1 + FibCalls(N - 1) + FibCalls(N - 2);
}

qint64 LoopResult(qint64 N)
{
    qint64 s = 0;
    for (qint64 i = 1; i <= N; ++i)
        s = (s + i * 7) % 1000003;
    return s;
}

qint64 WideLoopResult(qint64 N)
{
    qint64 s = 0;
    for (qint64 i = 1; i <= N; ++i)
        s += (i * i) % 7;
    return s;
}

constexpr int SortCount = 2000;

// Smallest element after the sort plus the largest: a check that the whole
// range got sorted.
qint64 SortResult(qint64)
{
    std::vector<int> a(SortCount);
    int seed = 12345;
    for (int i = 0; i < SortCount; ++i) {
        seed = (seed * 1103 + 12345) % 65536;
        a[size_t(i)] = seed;
    }
    std::sort(a.begin(), a.end());
    return qint64(a.front()) * 100000 + a.back();
}

const TProgram Programs[] = {
    {"Fib",
     "var r: Integer;\r\n"
     "function Fib(n: Integer): Integer;\r\n"
     "begin\r\n"
     "  if n < 2 then Result := n else Result := Fib(n - 1) + Fib(n - 2);\r\n"
     "end;\r\n"
     "begin\r\n"
     "  r := Fib(%N);\r\n"
     "end.\r\n",
     "var r;\r\n"
     "function Fib(n) { if (n < 2) return n; return Fib(n - 1) + Fib(n - 2); }\r\n"
     "r = Fib(%N);\r\n",
     "",
     "local function fib(n) if n < 2 then return n end return fib(n - 1) + fib(n - 2) end\r\n"
     "r = fib(%N)\r\n",
     25, 30, FibOf, FibCalls},
    {"IntLoop",
     "var r, i: Integer;\r\n"
     "begin\r\n"
     "  r := 0;\r\n"
     "  for i := 1 to %N do r := (r + i * 7) mod 1000003;\r\n"
     "end.\r\n",
     "var r = 0, i;\r\n"
     "r = 0;\r\n"
     "for (i = 1; i <= %N; i++) r = (r + i * 7) % 1000003;\r\n",
     "",
     "local s = 0\r\n"
     "for i = 1, %N do s = (s + i * 7) % 1000003 end\r\n"
     "r = s\r\n",
     1000000, 10000000, LoopResult, [](qint64 N) { return N; }},
    // From i = 46,341 on, i * i is an Int64.
    {"WideIntLoop",
     "var r, i: Integer;\r\n"
     "begin\r\n"
     "  r := 0;\r\n"
     "  for i := 1 to %N do r := r + (i * i) mod 7;\r\n"
     "end.\r\n",
     "var r = 0, i;\r\n"
     "r = 0;\r\n"
     "for (i = 1; i <= %N; i++) r = r + (i * i) % 7;\r\n",
     "",
     "local s = 0\r\n"
     "for i = 1, %N do s = s + (i * i) % 7 end\r\n"
     "r = s\r\n",
     1000000, 10000000, WideLoopResult, [](qint64 N) { return N; }},
    {"HostCall",
     "var r, i: Integer;\r\n"
     "begin\r\n"
     "  r := 0;\r\n"
     "  for i := 1 to %N do r := Bump(r);\r\n"
     "end.\r\n",
     "var r = 0, i;\r\n"
     "r = 0;\r\n"
     "for (i = 1; i <= %N; i++) r = Bump(r);\r\n",
     "",
     "local s = 0\r\n"
     "for i = 1, %N do s = Bump(s) end\r\n"
     "r = s\r\n",
     100000, 1000000, [](qint64 N) { return N; }, [](qint64 N) { return N; }},
    {"StringBuild",
     "var i: Integer; s: String; r: Integer;\r\n"
     "begin\r\n"
     "  s := '';\r\n"
     "  for i := 1 to %N do s := s + 'x';\r\n"
     "  r := Length(s);\r\n"
     "end.\r\n",
     "var s = \"\", i, r;\r\n"
     "s = \"\";\r\n"
     "for (i = 1; i <= %N; i++) s = s + \"x\";\r\n"
     "r = Length(s);\r\n",
     "",
     // Lua strings are immutable: its linear way is a table of pieces.
     "local t = {}\r\n"
     "for i = 1, %N do t[i] = \"x\" end\r\n"
     "r = #table.concat(t)\r\n",
     100000, 1000000, [](qint64 N) { return N; }, [](qint64 N) { return N; }},
    {"InsertionSort",
     "var a: array[0..%N] of Integer;\r\n"
     "    i, j, x, seed, r: Integer;\r\n"
     "begin\r\n"
     "  seed := 12345;\r\n"
     "  for i := 0 to 1999 do\r\n"
     "  begin\r\n"
     "    seed := (seed * 1103 + 12345) mod 65536;\r\n"
     "    a[i] := seed;\r\n"
     "  end;\r\n"
     "  for i := 1 to 1999 do\r\n"
     "  begin\r\n"
     "    x := a[i];\r\n"
     "    j := i - 1;\r\n"
     "    while (j >= 0) and (a[j] > x) do\r\n"
     "    begin\r\n"
     "      a[j + 1] := a[j];\r\n"
     "      j := j - 1;\r\n"
     "    end;\r\n"
     "    a[j + 1] := x;\r\n"
     "  end;\r\n"
     "  r := a[0] * 100000 + a[1999];\r\n"
     "end.\r\n",
     "var a[%N], i, j, x, seed, r;\r\n"
     "seed = 12345;\r\n"
     "for (i = 0; i <= 1999; i++) { seed = (seed * 1103 + 12345) % 65536; a[i] = seed; }\r\n"
     "for (i = 1; i <= 1999; i++) {\r\n"
     "  x = a[i];\r\n"
     "  j = i - 1;\r\n"
     "  while ((j >= 0) && (a[j] > x)) { a[j + 1] = a[j]; j = j - 1; }\r\n"
     "  a[j + 1] = x;\r\n"
     "}\r\n"
     "r = a[0] * 100000 + a[1999];\r\n",
     "A = {} for i = 0, %N - 1 do A[i] = 0 end\r\n",
     "local a = A\r\n"
     "local seed = 12345\r\n"
     "for i = 0, 1999 do seed = (seed * 1103 + 12345) % 65536 a[i] = seed end\r\n"
     "for i = 1, 1999 do\r\n"
     "  local x = a[i]\r\n"
     "  local j = i - 1\r\n"
     "  while j >= 0 and a[j] > x do a[j + 1] = a[j] j = j - 1 end\r\n"
     "  a[j + 1] = x\r\n"
     "end\r\n"
     "r = a[0] * 100000 + a[1999]\r\n",
     // The sorted part stays 2,000 numbers; only the array grows.
     100000, 1000000, SortResult, [](qint64) { return qint64(SortCount) * SortCount / 4; }},
};

QString Text(const char *Source, qint64 N)
{
    return QString::fromLatin1(Source).replace(QLatin1String("%N"), QString::number(N));
}

qint64 SizeOf(const TProgram &P, qint64 Scale)
{
    return Scale == 10 ? P.Size10 : P.Size1;
}

class TBenchHost : public TObject
{
public:
    Variant Call(TObject *, TClass, const QString &Name, TkwMethodHelper *Caller)
    {
        if (Name == QLatin1String("BUMP"))
            return Variant(Caller->GetParam(0).AsInteger() + 1);
        if (Name == QLatin1String("LENGTH"))
            return Variant(int(VarToStr(Caller->GetParam(0)).size()));
        return Variant();
    }
};

void Register(TkwScript &S, TBenchHost &Host)
{
    S.AddType(QStringLiteral("Integer"), fvtInt);
    S.AddType(QStringLiteral("Boolean"), fvtBool);
    S.AddType(QStringLiteral("String"), fvtString);
    S.AddType(QStringLiteral("Variant"), fvtVariant);
    S.AddConst(QStringLiteral("True"), QStringLiteral("Boolean"), Variant(true));
    S.AddConst(QStringLiteral("False"), QStringLiteral("Boolean"), Variant(false));
    S.AddMethod(QStringLiteral("function Bump(X: Integer): Integer"),
                TkwCallMethodNewEvent(&Host, &TBenchHost::Call));
    S.AddMethod(QStringLiteral("function Length(S: String): Integer"),
                TkwCallMethodNewEvent(&Host, &TBenchHost::Call));
}

void RunScript(benchmark::State &State, const TProgram &P, const char *Language, const char *Source)
{
    const qint64 n = SizeOf(P, State.range(0));
    TBenchHost host;
    TkwScript s(nullptr);
    Register(s, host);
    s.SetSyntaxType(QString::fromLatin1(Language));
    s.Lines()->SetText(Text(Source, n));
    if (!s.Compile()) {
        State.SkipWithError((s.ErrorMessage() + QStringLiteral(" at ") + s.ErrorPosition()).toUtf8().constData());
        return;
    }
    for (auto _ : State)
        s.Execute();
    if (s.Find(QStringLiteral("r"))->GetValue().AsInt64() != P.Expected(n))
        State.SkipWithError("wrong result");
    State.SetItemsProcessed(State.iterations() * P.Work(n));
}

void RunCompile(benchmark::State &State, const TProgram &P, const char *Language, const char *Source)
{
    const QString text = Text(Source, P.Size1);
    TBenchHost host;
    for (auto _ : State) {
        TkwScript s(nullptr);
        Register(s, host);
        s.SetSyntaxType(QString::fromLatin1(Language));
        s.Lines()->SetText(text);
        if (!s.Compile()) {
            State.SkipWithError(s.ErrorMessage().toUtf8().constData());
            return;
        }
    }
}

int LuaBump(lua_State *L)
{
    lua_pushinteger(L, luaL_checkinteger(L, 1) + 1);
    return 1;
}

void RunLua(benchmark::State &State, const TProgram &P)
{
    const qint64 n = SizeOf(P, State.range(0));
    lua_State *L = luaL_newstate();
    luaL_openlibs(L);
    lua_pushcfunction(L, LuaBump);
    lua_setglobal(L, "Bump");
    const QByteArray setup = Text(P.LuaSetup, n).toLatin1();
    const QByteArray text = Text(P.Lua, n).toLatin1();
    if (luaL_dostring(L, setup.constData()) != LUA_OK || luaL_loadstring(L, text.constData()) != LUA_OK) {
        State.SkipWithError(lua_tostring(L, -1));
        lua_close(L);
        return;
    }
    for (auto _ : State) {
        lua_pushvalue(L, -1);
        if (lua_pcall(L, 0, 0, 0) != LUA_OK) {
            State.SkipWithError(lua_tostring(L, -1));
            break;
        }
    }
    lua_getglobal(L, "r");
    if (lua_tointeger(L, -1) != P.Expected(n))
        State.SkipWithError("wrong result");
    lua_close(L);
    State.SetItemsProcessed(State.iterations() * P.Work(n));
}

void RegisterAll()
{
    for (const TProgram &p : Programs) {
        const std::string name = p.Name;
        benchmark::RegisterBenchmark(("BM_Lua_" + name).c_str(), [&p](benchmark::State &s) { RunLua(s, p); })
            ->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_PascalScript_" + name).c_str(),
                                     [&p](benchmark::State &s) { RunScript(s, p, "PascalScript", p.Pascal); })
            ->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_JScript_" + name).c_str(),
                                     [&p](benchmark::State &s) { RunScript(s, p, "JScript", p.JScript); })
            ->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
    }
    for (const TProgram &p : Programs) {
        const std::string name = p.Name;
        benchmark::RegisterBenchmark(("BM_CompilePascalScript_" + name).c_str(),
                                     [&p](benchmark::State &s) { RunCompile(s, p, "PascalScript", p.Pascal); })
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("BM_CompileJScript_" + name).c_str(),
                                     [&p](benchmark::State &s) { RunCompile(s, p, "JScript", p.JScript); })
            ->Unit(benchmark::kMicrosecond);
    }
}

} // namespace

int main(int argc, char **argv)
{
    return benchRunWithQtApp<QCoreApplication>(argc, argv, RegisterAll);
}
