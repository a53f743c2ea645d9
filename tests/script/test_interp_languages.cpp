// The same kinds of programs in C++Script, BasicScript and JScript.
#include "test_interp_support.h"
#include "kw_iilparser.h"
#include <thread>
#include <vector>

TEST(InterpCpp, Program)
{
    TInterpHost h;
    EXPECT_EQ(h.Run(QStringLiteral("C++Script"), QStringLiteral(
        "int n = 3, total;\r\n"
        "#define TEN 10\r\n"
        "int Square(int x) { return x * x; }\r\n"
        "void Bump(int &v, int by = 1) { v += by; }\r\n"
        "{\r\n"
        "  for (int i = 1; i <= n; i++) total += Square(i);\r\n"
        "  Log(total);\r\n"
        "  Bump(total); Log(total); Bump(total, TEN); Log(total);\r\n"
        "  int k = 0;\r\n"
        "  while (k < 10) { k++; if (k == 2) continue; if (k > 4) break; total -= 1; }\r\n"
        "  Log(k); Log(total);\r\n"
        "  do { k--; } while (k > 100);\r\n"
        "  Log(k);\r\n"
        "  switch (k) { case 1: Log(\"one\"); case 4: Log(\"four\"); default: Log(\"other\"); }\r\n"
        "  if ((k << 1) == 8) Log(\"shift\");\r\n"
        "  try { k = k div 0; } except { Log(ExceptionClassName); }\r\n"
        "  Log(7 % 3);\r\n"
        "}\r\n")), QStringLiteral("14|15|25|5|22|4|four|shift|EDivByZero|1"));
}

TEST(InterpBasic, Program)
{
    TInterpHost h;
    EXPECT_EQ(h.Run(QStringLiteral("BasicScript"), QStringLiteral(
        "Dim s As String, a[3]\r\n"
        "Function Fib(n)\r\n"
        "  If n < 2 Then\r\n"
        "    Return n\r\n"
        "  End If\r\n"
        "  Return Fib(n - 1) + Fib(n - 2)\r\n"
        "End Function\r\n"
        "Sub Twice2(ByRef x)\r\n"
        "  x = x * 2\r\n"
        "End Sub\r\n"
        "For i = 1 To 10 Step 3\r\n"
        "  s = s & i\r\n"
        "Next\r\n"
        "Log(s)\r\n"
        "For i = 3 To 1 Step -1\r\n"
        "  s = s & \"-\" & i\r\n"
        "Next\r\n"
        "Log(s)\r\n"
        "For i = 5 To 1\r\n"
        "  Log(\"never\")\r\n"
        "Next\r\n"
        "Log(Fib(10))\r\n"
        "v = 21: Twice2(v): Log(v)\r\n"
        "a[0] = 1: a[2] = 5: Log(a[0] + a[2])\r\n"
        "n = 0\r\n"
        "Do\r\n"
        "  n = n + 1\r\n"
        "Loop While False\r\n"
        "Log(n)\r\n"
        "Do\r\n"
        "  n = n + 1\r\n"
        "  If n = 5 Then Exit\r\n"
        "Loop Until n > 10\r\n"
        "Log(\"not reached\")\r\n")), QStringLiteral("14710|14710-3-2-1|55|42|6|1"));
    EXPECT_EQ(h.Value(QStringLiteral("n")).AsInteger(), 5);
}

TEST(InterpBasic, SelectCaseAndTry)
{
    TInterpHost h;
    EXPECT_EQ(h.Run(QStringLiteral("BasicScript"), QStringLiteral(
        "For i = 1 To 4\r\n"
        "  Select Case i\r\n"
        "  Case 1, 2: Log(\"low\")\r\n"
        "  Case 3: Log(\"three\")\r\n"
        "  Case Else: Log(\"else\")\r\n"
        "  End Select\r\n"
        "Next\r\n"
        "Try\r\n"
        "  Fail(\"oops\")\r\n"
        "Catch\r\n"
        "  Log(ExceptionMessage)\r\n"
        "End Try\r\n"
        "x = 7 \\ 2: Log(x)\r\n"
        "If x = 3 Then Log(\"single\")\r\n")),
        QStringLiteral("low|low|three|else|oops|3|single"));
}

TEST(InterpJScript, Program)
{
    TInterpHost h;
    EXPECT_EQ(h.Run(QStringLiteral("JScript"), QStringLiteral(
        "var total = 0, names = \"\";\r\n"
        "function add(a, b) { return a + b; }\r\n"
        "function swap(&x, &y) { var t = x; x = y; y = t; }\r\n"
        "for (i = 0; i < 5; i++) { if (i == 1) continue; if (i == 4) break; total += add(i, 10); }\r\n"
        "Log(total);\r\n"
        "p = 1; q = 2; swap(p, q); Log(p); Log(q);\r\n"
        "do { names += \"x\"; } while (false);\r\n"
        "Log(names);\r\n"
        "j = 0; while (true) { j++; if (j >= 3) break; }\r\n"
        "Log(j);\r\n"
        "switch (j) { case 1: Log(\"one\"); case 3: Log(\"three\"); default: Log(\"d\"); }\r\n"
        "try { try { Fail(\"bad\"); } finally { Log(\"fin\"); } } except { Log(ExceptionMessage); }\r\n"
        "Log(\"a\" + \"b\");\r\n")),
        QStringLiteral("35|2|1|x|3|three|fin|bad|ab"));
}

TEST(InterpParameters, ConstDefaultsAndByRefAcrossLanguages)
{
    TInterpHost p;
    EXPECT_EQ(p.Run(QStringLiteral("PascalScript"), QStringLiteral(
        "function Greet(const Name: String; var Count: Integer; Mark: String = '!'): String;\r\n"
        "begin\r\n"
        "  Count := Count + 1; Result := 'hi ' + Name + Mark;\r\n"
        "end;\r\n"
        "var n: Integer;\r\n"
        "begin\r\n"
        "  Log(Greet('a', n)); Log(Greet('b', n, '?')); Log(n);\r\n"
        "end.")), QStringLiteral("hi a!|hi b?|2"));
    TInterpHost b;
    EXPECT_EQ(b.Run(QStringLiteral("BasicScript"), QStringLiteral(
        "Sub Add(ByRef Total, ByVal Amount, Extra = 100)\r\n"
        "  Total = Total + Amount + Extra\r\n"
        "  Amount = 0\r\n"
        "End Sub\r\n"
        "t = 1: a = 2\r\n"
        "Add(t, a)\r\n"
        "Log(t): Log(a)\r\n"
        "Add(t, a, 0)\r\n"
        "Log(t)\r\n")), QStringLiteral("103|2|105"));
}

TEST(InterpLanguage, DirectiveOnTheFirstLineSelectsTheLanguage)
{
    TInterpHost h;
    // BasicScript needs no declarations, PascalScript would reject x.
    EXPECT_EQ(h.Run(QStringLiteral("PascalScript"), QStringLiteral("#language BasicScript\r\nx = 3\r\nLog(x * 2)\r\n")),
              QStringLiteral("6"));
}

// Scripts in every language compiled and run on their own threads at once,
// each also under fresh copies of its language, so the threads fill the
// shared grammar cache together.
TEST(InterpLanguageThreads, EveryLanguageCompilesOnItsOwnThread)
{
    const struct
    {
        const char *Language;
        const char *Text;
    } cases[] = {
        {"PascalScript", "var i: Integer; begin for i := 1 to 3 do Log(i * 2); end."},
        {"C++Script", "{ for (int i = 1; i <= 3; i++) Log(i * 2); }"},
        {"BasicScript", "For i = 1 To 3\r\n  Log(i * 2)\r\nNext\r\n"},
        {"JScript", "for (i = 1; i <= 3; i++) Log(i * 2);"},
    };
    const int Rounds = 6;
    QString results[std::size(cases)][Rounds];
    std::vector<std::thread> threads;
    for (size_t t = 0; t < std::size(cases); ++t)
        threads.emplace_back([&, t] {
            const QString base = QString::fromLatin1(cases[t].Language);
            for (int r = 0; r < Rounds; ++r) {
                QString language = base;
                if (r > 0) {
                    language = base + QStringLiteral("_thread%1_%2").arg(t).arg(r);
                    RegisterLanguage(language, GetLanguage(base) + QString(r, QLatin1Char('\n')));
                }
                TInterpHost h;
                results[t][r] = h.Run(language, QString::fromLatin1(cases[t].Text));
            }
        });
    for (std::thread &t : threads)
        t.join();
    for (size_t t = 0; t < std::size(cases); ++t)
        for (int r = 0; r < Rounds; ++r)
            EXPECT_EQ(results[t][r], QStringLiteral("2|4|6")) << cases[t].Language << " round " << r;
}
