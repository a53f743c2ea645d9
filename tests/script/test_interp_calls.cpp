// Calls repeated from one place (the second and later ones take the short
// way), stops inside calls and loops, and Integer statements: the results
// must not depend on which way a call or a statement took.
#include "test_interp_support.h"
#include <thread>

namespace {

using TCase = TScriptCase;

class TCallHost : public TInterpHost
{
public:
    TCallHost()
    {
        const auto add = [this](const char *Decl) {
            S.AddMethod(QString::fromLatin1(Decl), TkwCallMethodNewEvent(this, &TCallHost::Method));
        };
        add("function IntToStr(V: Variant): String");
        add("function Opt(A: Integer; B: Integer = 7): Integer");
        add("function Bracket(S: String): String");
        add("procedure Bump(var V: Variant; By: Integer = 1)");
        add("function StopNow(V: Variant): Variant");
        add("macrofunction Quote(X: Variant): String");
    }

    Variant Method(TObject *, TClass, const QString &Name, TkwMethodHelper *Caller)
    {
        if (Name == QLatin1String("INTTOSTR"))
            return Variant(QString::number(Caller->GetParam(0).AsInt64()));
        if (Name == QLatin1String("OPT"))
            return Variant(Caller->GetParam(0).AsInteger() * 100 + Caller->GetParam(1).AsInteger());
        if (Name == QLatin1String("BRACKET"))
            return Variant(QLatin1Char('<') + VarToStr(Caller->GetParam(0)) + QLatin1Char('>'));
        if (Name == QLatin1String("BUMP")) {
            Caller->SetParam(0, VarAdd(Caller->GetParam(0), Caller->GetParam(1)));
            return Variant();
        }
        if (Name == QLatin1String("STOPNOW")) {
            S.Terminate();
            return Caller->GetParam(0);
        }
        return Caller->GetParam(0); // QUOTE: the argument's source text
    }
};

void RunCases(const std::vector<TCase> &Cases)
{
    for (const TCase &c : Cases) {
        TCallHost h;
        QString out;
        try {
            out = h.Run(QString::fromLatin1(c.Language), QString::fromLatin1(c.Text));
        } catch (const Exception &e) {
            out = QStringLiteral("!") + e.Message();
        }
        EXPECT_EQ(out, QString::fromLatin1(c.Expected)) << c.Language << ": " << c.Text;
        EXPECT_FALSE(h.S.Terminated()) << c.Text;
    }
}

} // namespace

TEST(InterpCalls, RepeatedCallsKeepParametersDefaultsAndConversions)
{
    RunCases({
        // Script and host routines with defaults, called with and without.
        {"PascalScript",
         "function G(a: Integer; b: Integer = 5): Integer; begin Result := a * 10 + b; end;\r\n"
         "var i: Integer; s: String;\r\n"
         "begin for i := 1 to 3 do s := s + IntToStr(G(i)) + IntToStr(G(i, 1)) + IntToStr(Opt(i)) + IntToStr(Opt(i, 2)) + ' ';\r\n"
         "  Log(s); end.",
         "1511107102 2521207202 3531307302 "},
        // Integer arguments into String and Variant parameters: a script
        // routine's parameter keeps the Integer, a host one gets text.
        {"PascalScript",
         "function T(s: String; v: Variant): String; begin Result := s + s + IntToStr(v + 1); end;\r\n"
         "var i: Integer; begin for i := 8 to 9 do begin Log(T(i, i)); Log(Bracket(i * 2)); end; end.",
         "25|<16>|28|<18>"},
        // Arguments leaving 32 bits, and again within them.
        {"PascalScript",
         "function Inc1(v: Variant): Variant; begin Result := v + 1; end;\r\n"
         "var i, m: Integer; begin m := 2147483647; for i := 0 to 1 do Log(IntToStr(Inc1(m + i - 1)) + ' ' + IntToStr(Inc1(m * 2))); end.",
         "2147483647 4294967295|2147483648 4294967295"},
        // A host var parameter, with and without its default.
        {"PascalScript",
         "var v: Variant; i: Integer; begin v := 0; for i := 1 to 3 do begin Bump(v); Bump(v, i * 10); end; Log(v); end.",
         "63"},
        // Macro arguments stay source text on every call.
        {"PascalScript",
         "var i: Integer; begin for i := 1 to 2 do Log(Quote(i + 1)); end.",
         "i + 1|i + 1"},
        {"C++Script",
         "int G(int a, int b = 5) { return a * 10 + b; }\r\n"
         "{ for (int i = 1; i <= 2; i++) { Log(G(i)); Log(G(i, 1)); Log(Opt(i)); Log(Quote(i*2)); } }",
         "15|11|107|i*2|25|21|207|i*2"},
        {"JScript",
         "function G(a, b) { return a * 10 + b; }\r\n"
         "for (i = 1; i <= 2; i++) { Log(G(i, 3)); Log(Bracket(i)); }",
         "13|<1>|23|<2>"},
        {"BasicScript",
         "Function G(a, b = 5)\r\n  Return a * 10 + b\r\nEnd Function\r\n"
         "For i = 1 To 2\r\n  Log(G(i))\r\n  Log(G(i, 1))\r\n  Log(Opt(i, i))\r\nNext\r\n",
         "15|11|101|25|21|202"},
    });
}

TEST(InterpCalls, RecursionKeepsLocalsAndVarParameters)
{
    RunCases({
        // A routine passing its own local as the var argument of the next level.
        {"PascalScript",
         "procedure P(n: Integer; var r: Integer); var loc: Integer;\r\n"
         "begin loc := n; if n > 0 then P(n - 1, loc); r := r + loc; end;\r\n"
         "var x, i: Integer; begin for i := 1 to 2 do begin x := 0; P(3, x); Log(x); end; end.",
         "6|6"},
        // String, array and Variant locals kept across levels.
        {"PascalScript",
         "function W(n: Integer): String; var s: String; a: array[0..1] of Integer; v: Variant;\r\n"
         "begin s := IntToStr(n); a[0] := n; v := 'v' + s;\r\n"
         "  if n > 0 then Result := W(n - 1) else Result := '';\r\n"
         "  Result := Result + s + IntToStr(a[0]) + v + ' '; end;\r\n"
         "begin Log(W(2)); Log(W(1)); end.",
         "00v0 11v1 22v2 |00v0 11v1 "},
        // An exception unwinding through levels puts each level's locals back.
        {"PascalScript",
         "function R(n: Integer): String; var s: String;\r\n"
         "begin s := IntToStr(n); if n = 0 then Fail('boom');\r\n"
         "  try Result := R(n - 1); except Result := ExceptionMessage; end; Result := Result + s; end;\r\n"
         "begin Log(R(3)); Log(R(3)); end.",
         "boom123|boom123"},
        {"C++Script",
         "String R(int n) { String s = IntToStr(n); if (n == 0) Fail(\"x\"); String res; try { res = R(n - 1); }"
         " except { res = ExceptionMessage; } return res + s; }\r\n{ Log(R(2)); Log(R(2)); }",
         "x12|x12"},
        {"JScript",
         "function Sum(n) { var k = n * 2; if (n == 0) return 0; return Sum(n - 1) + k; }\r\n"
         "Log(Sum(4)); Log(Sum(4));",
         "20|20"},
        {"BasicScript",
         "Function F(n)\r\n  Dim t\r\n  t = \"-\" & n\r\n  If n = 0 Then\r\n    Return t\r\n  End If\r\n"
         "  Return F(n - 1) & t\r\nEnd Function\r\nLog(F(2))\r\nLog(F(2))\r\n",
         "-0-1-2|-0-1-2"},
    });
}

TEST(InterpCalls, StopsInsideCallsLoopsAndFinallyParts)
{
    RunCases({
        // A Terminate from a host call inside an expression ends the run
        // after the statement that made it.
        {"PascalScript",
         "function F(n: Integer): Integer; begin Result := n + StopNow(1); Log('in'); end;\r\n"
         "begin Log('a'); Log(F(2)); Log('out'); end.",
         "a|3"},
        {"JScript", "function F(n) { return StopNow(n) + 1; }\r\nLog(F(1)); Log(\"after\");", "2"},
        {"C++Script", "{ int i; for (i = 0; i < 5; i++) { Log(i); if (i == 1) Log(StopNow(i) * 10); } Log(\"after\"); }",
         "0|1|10"},
        {"BasicScript", "For i = 1 To 3\r\n  x = i + StopNow(i)\r\n  Log(x)\r\nNext\r\nLog(\"after\")\r\n", ""},
        // Routines called after it in the same statement run nothing, and
        // the caller stops even when it is the same routine.
        {"PascalScript",
         "function F(n: Integer): Integer; begin Result := n; if n > 1 then begin Result := StopNow(n) + F(n - 1); Log('x'); end; end;\r\n"
         "begin Log(F(3)); Log('after'); end.",
         "3"},
        {"PascalScript",
         "function G: Integer; begin Log('g'); Result := 5; end;\r\n"
         "function F: Integer; begin Result := StopNow(1) + G; Log('f'); end;\r\n"
         "begin Log(F); Log('after'); end.",
         "1"},
        {"JScript", "function F(n) { if (n <= 1) return 1; return StopNow(n) + F(n - 1); }\r\nLog(F(3)); Log(\"after\");", "3"},
        // A finally part still runs whole, the routines it calls too.
        {"PascalScript",
         "procedure Clean(n: Integer); begin Log('clean'); if n > 0 then Clean(n - 1); end;\r\n"
         "procedure P; begin try StopNow(0); Log('never'); finally Clean(1); Log('p'); end; end;\r\n"
         "begin P; Log('never'); end.",
         "clean|clean|p"},
        // A return inside a finally-guarded loop body runs the finally part
        // once and leaves at once.
        {"JScript",
         "function F() { for (i = 0; i < 5; i++) { try { if (i == 2) return i * 10; } finally { Log(\"f\" + IntToStr(i)); } }"
         " return -1; }\r\nLog(F()); Log(F());",
         "f0|f1|f2|20|f0|f1|f2|20"},
        {"C++Script",
         "int F(int n) { int i, j; for (i = 0; i < n; i++) for (j = 0; j < n; j++) { if (j == 1) break; if (i == 2) return i * 100 + j; } return -1; }"
         "\r\n{ Log(F(3)); Log(F(2)); }",
         "200|-1"},
        // Exit, break and continue from a single-statement body.
        {"PascalScript",
         "function F(n: Integer): Integer; begin Result := 1; while True do if n > 0 then exit; Result := 2; end;\r\n"
         "var i, s: Integer; begin for i := 1 to 4 do if i = 3 then continue else s := s + i; Log(s);\r\n"
         "  for i := 1 to 4 do if i = 2 then break; Log(i); Log(F(1)); end.",
         "7|2|1"},
        {"BasicScript",
         "Function F(n)\r\n  For i = 1 To 5\r\n    Try\r\n      If i = n Then Return i * 2\r\n    Finally\r\n"
         "      Log(i)\r\n    End Try\r\n  Next\r\n  Return 0\r\nEnd Function\r\nLog(F(2))\r\nLog(F(9))\r\n",
         "1|2|4|1|2|3|4|5|0"},
    });
}

TEST(InterpCalls, IntegerStatementsKeepTheVariantRules)
{
    RunCases({
        // Compound assignments leaving 32 bits, and on non-Integer values.
        {"JScript",
         "x = 65536; x *= 65536; y = -2147483647; y -= 2; z = 2147483647; z += 1; s = \"5\"; s += 1; f = 1.5; f *= 2;\r\n"
         "Log(IntToStr(x) + \" \" + IntToStr(y) + \" \" + IntToStr(z)); Log(s); Log(f);",
         "4294967296 -2147483649 2147483648|6|3"},
        {"C++Script",
         "int i; double d; { i = 7; i -= 10; i *= -3; d = 1; d += i; Log(i); Log(d / 2); d -= 3; d *= i; Log(d); }",
         "9|5|63"},
        // Integers into typed variables and array elements of other types.
        {"PascalScript",
         "var d: Double; b: Boolean; a: array[0..1] of String; f: array[0..1] of Double;\r\n"
         "begin d := 7; Log(d / 2); a[0] := '5'; Log(a[0] + 'y'); f[1] := 3; Log(f[1] / 2);\r\n"
         "  b := 1 = 1; Log(b); end.",
         "3.5|5y|1.5|True"},
        // An Integer written over text in a shared array leaves the copy alone.
        {"PascalScript",
         "var a: array[0..1] of Variant; b: Variant; begin a[0] := 'x'; b := a; a[0] := 3; Log(b[0]); Log(a[0] + 1);\r\n"
         "  b[1] := 4; Log(a[1]); Log(b[1]); end.",
         "x|4||4"},
    });
}

TEST(InterpCalls, EndlessRecursionRaisesAndLaterCallsStillRun)
{
    const std::vector<TCase> cases = {
        {"PascalScript",
         "function Down(n: Integer): Integer; begin if n = 0 then Result := 0 else Result := Down(n - 1) + 1; end;\r\n"
         "function Up(n: Integer): Integer; begin Result := Up(n + 1); end;\r\n"
         "var i: Integer; begin for i := 1 to 2 do try Up(0); except Log(ExceptionMessage); end; Log(Down(500)); end.",
         "Stack overflow|Stack overflow|500"},
        {"JScript",
         "function Up(n) { return Up(n + 1); }\r\nfunction Down(n) { if (n == 0) return 0; return Down(n - 1) + 1; }\r\n"
         "try { Up(0); } except { Log(ExceptionMessage); } Log(Down(500));",
         "Stack overflow|500"},
    };
    RunCases(cases);
}

// Separate scripts on separate threads keep their own call depths and saved
// locals.
TEST(InterpCallThreads, ScriptsOnTwoThreadsKeepTheirOwnRecursion)
{
    const QString text = QStringLiteral(
        "function W(n: Integer): String; var s: String;\r\n"
        "begin s := IntToStr(n); if n > 0 then Result := W(n - 1) + s else Result := ''; end;\r\n"
        "var i: Integer; r: String; begin for i := 1 to 200 do r := W(30); Log(r); end.");
    QString results[2];
    std::thread threads[2];
    for (int t = 0; t < 2; ++t)
        threads[t] = std::thread([&results, &text, t] {
            TCallHost h;
            results[t] = h.Run(QStringLiteral("PascalScript"), text);
        });
    for (std::thread &t : threads)
        t.join();
    QString expected;
    for (int i = 1; i <= 30; ++i)
        expected += QString::number(i);
    EXPECT_EQ(results[0], expected);
    EXPECT_EQ(results[1], expected);
}
