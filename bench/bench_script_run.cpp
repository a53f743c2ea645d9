// Speed of the script interpreter on loop-heavy programs: a PascalScript and
// a JScript program with nested loops, a routine call, a condition and
// integer arithmetic per round, compiled once and run per iteration. The
// references in the same run are the same loop in plain C++ on ints and the
// same loop in C++ on Variants (the value model every script value uses), so
// the numbers show what the tree walk itself costs.
#include "kw_iinterpreter.h"
#include <benchmark/benchmark.h>
#include <QCoreApplication>
#include "BenchQtMain.h"

namespace {

constexpr int Outer = 200;
constexpr int Inner = 50;

void AddTypes(TkwScript &S)
{
    S.AddType(QStringLiteral("Integer"), fvtInt);
    S.AddType(QStringLiteral("Boolean"), fvtBool);
    S.AddType(QStringLiteral("String"), fvtString);
    S.AddType(QStringLiteral("Variant"), fvtVariant);
    S.AddConst(QStringLiteral("True"), QStringLiteral("Boolean"), Variant(true));
    S.AddConst(QStringLiteral("False"), QStringLiteral("Boolean"), Variant(false));
}

const char *PascalText = "var i, j, s: Integer;\r\n"
                         "function Sq(x: Integer): Integer;\r\n"
                         "begin\r\n"
                         "  Result := x * x;\r\n"
                         "end;\r\n"
                         "begin\r\n"
                         "  s := 0;\r\n"
                         "  for i := 1 to 200 do\r\n"
                         "    for j := 1 to 50 do\r\n"
                         "      if (i + j) mod 3 = 0 then s := s + Sq(j) mod 7 else s := s - 1;\r\n"
                         "end.\r\n";

const char *JScriptText = "var s = 0;\r\n"
                          "function Sq(x) { return x * x; }\r\n"
                          "for (i = 1; i <= 200; i++)\r\n"
                          "  for (j = 1; j <= 50; j++)\r\n"
                          "    if ((i + j) % 3 == 0) s += Sq(j) % 7; else s -= 1;\r\n";

int Expected()
{
    int s = 0;
    for (int i = 1; i <= Outer; ++i)
        for (int j = 1; j <= Inner; ++j)
            s = (i + j) % 3 == 0 ? s + (j * j) % 7 : s - 1;
    return s;
}

void RunScript(benchmark::State &State, const char *Language, const char *Text)
{
    TkwScript s(nullptr);
    AddTypes(s);
    s.SetSyntaxType(QString::fromLatin1(Language));
    s.Lines()->SetText(QString::fromLatin1(Text));
    if (!s.Compile()) {
        State.SkipWithError((s.ErrorMessage() + QStringLiteral(" at ") + s.ErrorPosition()).toUtf8().constData());
        return;
    }
    for (auto _ : State)
        s.Execute();
    if (s.Find(QStringLiteral("s"))->GetValue().AsInteger() != Expected())
        State.SkipWithError("wrong result");
    State.SetItemsProcessed(State.iterations() * Outer * Inner);
}

void BM_PascalScriptLoop(benchmark::State &State)
{
    RunScript(State, "PascalScript", PascalText);
}
BENCHMARK(BM_PascalScriptLoop);

void BM_JScriptLoop(benchmark::State &State)
{
    RunScript(State, "JScript", JScriptText);
}
BENCHMARK(BM_JScriptLoop);

void BM_PascalScriptCompile(benchmark::State &State)
{
    for (auto _ : State) {
        TkwScript s(nullptr);
        AddTypes(s);
        s.Lines()->SetText(QString::fromLatin1(PascalText));
        benchmark::DoNotOptimize(s.Compile());
    }
}
BENCHMARK(BM_PascalScriptCompile);

// References: the same work without the interpreter.
void BM_ReferenceCppInt(benchmark::State &State)
{
    for (auto _ : State) {
        int s = 0;
        for (int i = 1; i <= Outer; ++i)
            for (int j = 1; j <= Inner; ++j) {
                benchmark::DoNotOptimize(j);
                s = (i + j) % 3 == 0 ? s + (j * j) % 7 : s - 1;
            }
        benchmark::DoNotOptimize(s);
    }
    State.SetItemsProcessed(State.iterations() * Outer * Inner);
}
BENCHMARK(BM_ReferenceCppInt);

void BM_ReferenceCppVariant(benchmark::State &State)
{
    for (auto _ : State) {
        Variant s(0);
        for (Variant i(1); VarCompare(i, Variant(Outer), opCmpLE); i = VarAdd(i, Variant(1)))
            for (Variant j(1); VarCompare(j, Variant(Inner), opCmpLE); j = VarAdd(j, Variant(1))) {
                if (VarCompare(VarMod(VarAdd(i, j), Variant(3)), Variant(0), opCmpEQ))
                    s = VarAdd(s, VarMod(VarMul(j, j), Variant(7)));
                else
                    s = VarSub(s, Variant(1));
            }
        benchmark::DoNotOptimize(s);
    }
    State.SetItemsProcessed(State.iterations() * Outer * Inner);
}
BENCHMARK(BM_ReferenceCppVariant);

} // namespace

int main(int argc, char **argv)
{
    return benchRunWithQtApp<QCoreApplication>(argc, argv);
}
