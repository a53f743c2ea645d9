// Speed of the script front end: every report expression and every report
// script is compiled through the grammar-driven parser. The reference in the
// same run is the lexer alone reading the same text token by token, the
// least work any parser of that text has to do.
#include "kw_iilparser.h"
#include <benchmark/benchmark.h>
#include <cstdlib>

namespace {

class TBenchHost : public TkwParserHost
{
};

// About 5,000 lines of PascalScript: declarations, routines and statements
// of every common kind.
QString PascalProgram()
{
    QString s = QStringLiteral("program Bench;\r\nconst Limit = 100;\r\nvar i, j, Total: Integer;\r\n  Name: String = 'x';\r\n");
    int lines = 4;
    int n = 0;
    while (lines < 4980) {
        s += QStringLiteral("procedure P%1(var a: Integer; const b: String);\r\n"
                            "var k: Integer;\r\n"
                            "begin\r\n"
                            "  { compute }\r\n"
                            "  k := a * 2 + Length(b) - (a div 3) mod 7;\r\n"
                            "  if (k > Limit) and not (a = 0) then\r\n"
                            "    a := k shl 1\r\n"
                            "  else\r\n"
                            "    a := -k;\r\n"
                            "  for k := 1 to 10 do\r\n"
                            "    Total := Total + k * $FF;\r\n"
                            "  case a of\r\n"
                            "    1, 2..5: Name := 'it''s ' + IntToStr(a);\r\n"
                            "  else\r\n"
                            "    Name := Memo1.Lines[0] + #13#10;\r\n"
                            "  end;\r\n"
                            "  while a > 0 do a := a - 1; // count down\r\n"
                            "  try Total := Total div a; except Total := 0; end;\r\n"
                            "end;\r\n\r\n")
                 .arg(n++);
        lines += 20;
    }
    s += QStringLiteral("begin\r\n  P0(i, 'a');\r\nend.\r\n");
    return s;
}

QString JScriptProgram()
{
    QString s = QStringLiteral("var i = 0, j, Total = 0, Name = \"x\";\r\n");
    int lines = 1;
    int n = 0;
    while (lines < 4980) {
        s += QStringLiteral("function F%1(&a, b)\r\n"
                            "{\r\n"
                            "  /* compute */\r\n"
                            "  var k = a * 2 + Length(b) - (a div 3) % 7;\r\n"
                            "  if ((k > 100) && !(a == 0))\r\n"
                            "    a = k << 1;\r\n"
                            "  else\r\n"
                            "    a = -k;\r\n"
                            "  for (k = 1; k <= 10; k++)\r\n"
                            "    Total += k * 0xFF;\r\n"
                            "  switch (a)\r\n"
                            "  {\r\n"
                            "    case 1, 2..5: Name = \"it's \\\"\" + IntToStr(a);\r\n"
                            "    default: Name = Memo1.Lines[0] + \"\\r\\n\";\r\n"
                            "  }\r\n"
                            "  while (a > 0) a--; // count down\r\n"
                            "  try { Total = Total / a; } except { Total = 0; }\r\n"
                            "  return k;\r\n"
                            "}\r\n\r\n")
                 .arg(n++);
        lines += 20;
    }
    s += QStringLiteral("F0(i, \"a\");\r\n");
    return s;
}

void Parse(benchmark::State &State, const char *Language, const QString &Text)
{
    TBenchHost host;
    for (auto _ : State) {
        TkwILParser p(&host);
        p.SelectLanguage(Language);
        const bool ok = p.ParseSource(Text);
        if (!ok) {
            State.SkipWithError((host.ErrorMessage() + QStringLiteral(" at ") + host.ErrorPosition()).toUtf8().constData());
            break;
        }
        benchmark::DoNotOptimize(p.ProgramDocument()->Root()->Count());
    }
    State.counters["lines"] = double(Text.count(QLatin1Char('\n')));
}

// Every token of the text read once, in the language's lexer settings.
void Lex(benchmark::State &State, const char *Language, const QString &Text)
{
    TBenchHost host;
    TkwILParser p(&host);
    p.SelectLanguage(Language);
    TkwParser *L = p.Lexer();
    for (auto _ : State) {
        L->SetText(Text);
        int tokens = 0;
        while (L->Position() <= L->Size()) {
            const int before = L->Position();
            if (L->GetWord().isEmpty() && L->GetNumber().isEmpty() && L->GetString().isEmpty()) {
                L->SkipSpaces();
                if (L->GetChar().isEmpty() && L->Position() == before)
                    L->SetPosition(before + 1);
            }
            ++tokens;
        }
        benchmark::DoNotOptimize(tokens);
    }
}

void BM_ParsePascal5000(benchmark::State &State) { Parse(State, "PascalScript", PascalProgram()); }
void BM_LexPascal5000(benchmark::State &State) { Lex(State, "PascalScript", PascalProgram()); }
void BM_ParseJScript5000(benchmark::State &State) { Parse(State, "JScript", JScriptProgram()); }
void BM_LexJScript5000(benchmark::State &State) { Lex(State, "JScript", JScriptProgram()); }

// A report expression compiles as a small program of its own.
void BM_ParseExpression(benchmark::State &State)
{
    Parse(State, "PascalScript", QStringLiteral("begin Result := <Total> * 1.5 + IntToStr(Memo1.Tag) end."));
}

} // namespace

BENCHMARK(BM_ParsePascal5000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LexPascal5000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseJScript5000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LexJScript5000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseExpression)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
