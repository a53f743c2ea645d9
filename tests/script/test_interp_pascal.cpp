// PascalScript programs compiled and run.
#include "test_interp_support.h"
#include "kw_istatements.h"
#include <typeinfo>

TEST(InterpPascal, AssignmentsAndArithmetic)
{
    TInterpHost h;
    EXPECT_EQ(h.Run(QStringLiteral("PascalScript"), QStringLiteral(
        "var i: Integer; f: Extended; s: String;\r\n"
        "begin\r\n"
        "  i := 2 + 3 * 4; Log(i);\r\n"
        "  i := (2 + 3) * 4; Log(i);\r\n"
        "  i := 10 - 4 - 3; Log(i);\r\n"
        "  f := 7 / 2; Log(f);\r\n"
        "  i := 7 div 2; Log(i);\r\n"
        "  i := 7 mod 3; Log(i);\r\n"
        "  s := 'a' + 'b'; s := s + 'c'; Log(s);\r\n"
        "  i := -2 + 5; Log(i);\r\n"
        "  Log(1 shl 4);\r\n"
        "end.")), QStringLiteral("14|20|3|3.5|3|1|abc|3|16"));
}

TEST(InterpPascal, ControlFlow)
{
    TInterpHost h;
    EXPECT_EQ(h.Run(QStringLiteral("PascalScript"), QStringLiteral(
        "var i, j, s: Integer;\r\n"
        "begin\r\n"
        "  for i := 5 to 1 do s := 99;\r\n"
        "  Log(i); Log(s);\r\n"
        "  for i := 1 to 3 do s := s + i;\r\n"
        "  Log(i); Log(s);\r\n"
        "  s := 0; for i := 3 downto 1 do s := s * 10 + i; Log(s);\r\n"
        "  i := 0; repeat i := i + 1 until True; Log(i);\r\n"
        "  i := 0; while i < 10 do begin i := i + 1; if i = 4 then break end; Log(i);\r\n"
        "  s := 0; for i := 1 to 5 do begin if i mod 2 = 0 then continue; s := s + i end; Log(s);\r\n"
        "  s := 0; for i := 1 to 5 do case i of 1: s := s + 1; 3: break; else s := s + 10 end; Log(s);\r\n"
        "  s := 0; for i := 1 to 3 do for j := 1 to 3 do begin if j = 2 then break; s := s + 1 end; Log(s);\r\n"
        "  i := 0; while i < 5 do begin i := i + 1; if i < 3 then continue; s := s + 100 end; Log(s);\r\n"
        "  if (i = 5) and (s > 0) then Log('yes') else Log('no');\r\n"
        "  if not (i = 5) then Log('yes') else Log('no');\r\n"
        "end.")), QStringLiteral("0|0|3|6|321|1|4|9|11|3|303|yes|no"));
}

TEST(InterpPascal, CaseSetsAndIn)
{
    TInterpHost h;
    EXPECT_EQ(h.Run(QStringLiteral("PascalScript"), QStringLiteral(
        "var i: Integer; s: String;\r\n"
        "begin\r\n"
        "  for i := 0 to 6 do\r\n"
        "    case i of\r\n"
        "      1, 3..5: s := s + 'a';\r\n"
        "      2: s := s + 'b';\r\n"
        "    else\r\n"
        "      s := s + '-'\r\n"
        "    end;\r\n"
        "  Log(s);\r\n"
        "  s := '';\r\n"
        "  for i := 0 to 6 do if i in [1, 3..5] then s := s + 'x' else s := s + '.';\r\n"
        "  Log(s);\r\n"
        "  case 'b' of 'a': Log(1); 'b': Log(2) end;\r\n"
        "end.")), QStringLiteral("-abaaa-|.x.xxx.|2"));
}

TEST(InterpPascal, ProceduresFunctionsAndParameters)
{
    TInterpHost h;
    EXPECT_EQ(h.Run(QStringLiteral("PascalScript"), QStringLiteral(
        "var a, b: Integer;\r\n"
        "function Fact(n: Integer): Integer;\r\n"
        "begin\r\n"
        "  if n <= 1 then Result := 1 else Result := n * Fact(n - 1);\r\n"
        "end;\r\n"
        "procedure Swap(var x, y: Integer);\r\n"
        "var t: Integer;\r\n"
        "begin\r\n"
        "  t := x; x := y; y := t;\r\n"
        "end;\r\n"
        "function Join(s: String; t: String = '!'): String;\r\n"
        "begin\r\n"
        "  Result := s + t;\r\n"
        "end;\r\n"
        "function Early(n: Integer): String;\r\n"
        "begin\r\n"
        "  Result := 'small';\r\n"
        "  if n < 10 then exit;\r\n"
        "  Result := 'big';\r\n"
        "end;\r\n"
        "function Nothing: Variant;\r\n"
        "begin\r\n"
        "end;\r\n"
        "function Earlier(n: Integer): Integer;\r\n"
        "begin\r\n"
        "  Result := Later(n) + 1;\r\n"
        "end;\r\n"
        "function Later(n: Integer): Integer;\r\n"
        "begin\r\n"
        "  Result := n * 100;\r\n"
        "end;\r\n"
        "begin\r\n"
        "  Log(Fact(6));\r\n"
        "  a := 1; b := 2; Swap(a, b); Log(a); Log(b);\r\n"
        "  Log(Join('x')); Log(Join('x', '?'));\r\n"
        "  Log(Early(3)); Log(Early(30));\r\n"
        "  Log(Earlier(2));\r\n"
        "  a := 0; SetTo(a, 7); Log(a);\r\n"
        "  Log(Twice(21));\r\n"
        "  b := 5; Log(Nothing); b := Nothing;\r\n"
        "end.\r\n")), QStringLiteral("720|2|1|x!|x?|small|big|201|7|42|"));
    // An unassigned result converts to 0 in an Integer variable.
    EXPECT_EQ(VarType(h.Value(QStringLiteral("b"))), varInteger);
    EXPECT_EQ(h.Value(QStringLiteral("b")).AsInteger(), 0);
}

TEST(InterpPascal, TryExceptFinally)
{
    TInterpHost h;
    EXPECT_EQ(h.Run(QStringLiteral("PascalScript"), QStringLiteral(
        "var i: Integer;\r\n"
        "procedure P;\r\n"
        "begin\r\n"
        "  try\r\n"
        "    Log('body'); exit; Log('not here');\r\n"
        "  finally\r\n"
        "    Log('finally')\r\n"
        "  end;\r\n"
        "  Log('after exit');\r\n"
        "end;\r\n"
        "begin\r\n"
        "  try\r\n"
        "    i := 1 div 0;\r\n"
        "    Log('not here');\r\n"
        "  except\r\n"
        "    Log(ExceptionClassName); Log(ExceptionMessage);\r\n"
        "  end;\r\n"
        "  try Fail('bad value') except Log(ExceptionMessage) end;\r\n"
        "  P;\r\n"
        "  try\r\n"
        "    try Fail('inner') finally Log('cleanup') end;\r\n"
        "  except\r\n"
        "    Log('caught ' + ExceptionMessage);\r\n"
        "  end;\r\n"
        "  Log('end');\r\n"
        "end.")), QStringLiteral("EDivByZero|Division by zero|bad value|body|finally|cleanup|caught inner|end"));
}

TEST(InterpPascal, RunTimeErrorReachesTheCaller)
{
    TInterpHost h;
    ASSERT_TRUE(h.Compile(QStringLiteral("PascalScript"), QStringLiteral(
        "var s: String; i: Integer;\r\n"
        "begin\r\n"
        "  i := 1;\r\n"
        "  try i := 2 finally i := 3 end;\r\n"
        "  Fail('stop');\r\n"
        "  i := 4;\r\n"
        "end.")));
    try {
        h.S.Execute();
        FAIL() << "no exception";
    } catch (const EConvertError &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("stop"));
    }
    EXPECT_EQ(h.Value(QStringLiteral("i")).AsInteger(), 3);
    EXPECT_FALSE(h.S.IsRunning());
    EXPECT_FALSE(h.S.ExitCalled());
    // The flags are clean for the next run.
    h.S.Statement()->Clear();
    ASSERT_TRUE(h.Compile(QStringLiteral("PascalScript"), QStringLiteral("begin Log('again') end.")));
    h.Out.clear();
    h.S.Execute();
    EXPECT_EQ(h.Out.join(QLatin1Char('|')), QStringLiteral("again"));
}

TEST(InterpPascal, ConstantsStringsAndArrays)
{
    TInterpHost h;
    EXPECT_EQ(h.Run(QStringLiteral("PascalScript"), QStringLiteral(
        "const C = 2 * 3; Big = 3000000000; Name = 'ab';\r\n"
        "var x: Integer; s: String; a: array[0..2] of Integer; m: array[1..2, 1..2] of String; i: Integer;\r\n"
        "begin\r\n"
        "  x := C; Log(x); Log(Big); Log(Big + 1); Log(Name);\r\n"
        "  s := 'hello'; Log(s[2]); s[1] := 'J'; Log(s);\r\n"
        "  for i := 0 to 2 do a[i] := i * i;\r\n"
        "  Log(a[0] + a[1] + a[2]);\r\n"
        "  m[1, 2] := 'x'; m[2, 1] := 'y'; Log(m[1, 2] + m[2, 1]);\r\n"
        "  Log($FF);\r\n"
        "  Log(1.5 * 2);\r\n"
        "end.")), QStringLiteral("6|3000000000|3000000001|ab|e|Jello|5|xy|255|3"));
    EXPECT_EQ(VarType(h.Value(QStringLiteral("Big"))), varInt64);
    // Constants are read-only items.
    EXPECT_TRUE(h.S.Find(QStringLiteral("C"))->IsReadOnly());
}

TEST(InterpPascal, BooleanOperandsShortCircuit)
{
    TInterpHost h;
    EXPECT_EQ(h.Run(QStringLiteral("PascalScript"), QStringLiteral(
        "var n: Integer;\r\n"
        "function F: Boolean;\r\n"
        "begin\r\n"
        "  n := n + 1; Result := True;\r\n"
        "end;\r\n"
        "begin\r\n"
        "  if False and F then Log('x');\r\n"
        "  if True or F then Log('or');\r\n"
        "  Log(n);\r\n"
        "  if True and F then Log('and');\r\n"
        "  Log(n);\r\n"
        "  Log(6 and 3); Log(6 or 3); Log(6 xor 3);\r\n"
        "end.")), QStringLiteral("or|0|and|1|2|7|5"));
}

TEST(InterpPascal, CompoundAssignmentRewrite)
{
    TInterpHost h;
    ASSERT_TRUE(h.Compile(QStringLiteral("PascalScript"), QStringLiteral(
        "var s: String; i: Integer;\r\n"
        "begin\r\n"
        "  s := s + 'a';\r\n"
        "  i := 2 * i;\r\n"
        "  s := 'b' + s;\r\n"
        "  i := i - 1 - 2;\r\n"
        "end.")));
    TkwStatement *main = h.S.Statement();
    ASSERT_EQ(main->Count(), 4);
    EXPECT_NE(dynamic_cast<TkwAssignPlusStmt *>(main->Items(0)), nullptr);
    EXPECT_NE(dynamic_cast<TkwAssignMulStmt *>(main->Items(1)), nullptr);
    // Strings do not commute, and x - a - b is (x - a) - b.
    EXPECT_EQ(typeid(*main->Items(2)), typeid(TkwAssignmentStmt));
    EXPECT_EQ(typeid(*main->Items(3)), typeid(TkwAssignmentStmt));
    h.S.Execute();
    EXPECT_EQ(h.Value(QStringLiteral("s")).AsString(), QStringLiteral("ba"));
    EXPECT_EQ(h.Value(QStringLiteral("i")).AsInteger(), -3);
}

TEST(InterpPascal, ExitInsideAFinallyPartIsKept)
{
    TInterpHost h;
    EXPECT_EQ(h.Run(QStringLiteral("PascalScript"), QStringLiteral(
        "procedure P;\r\n"
        "begin\r\n"
        "  try\r\n"
        "    Log('body');\r\n"
        "  finally\r\n"
        "    exit;\r\n"
        "  end;\r\n"
        "  Log('after');\r\n"
        "end;\r\n"
        "begin\r\n"
        "  P; Log('done');\r\n"
        "end.")), QStringLiteral("body|done"));
}

TEST(InterpPascal, BreakOutsideALoopDoesNotStopTheNextRun)
{
    TInterpHost h;
    EXPECT_EQ(h.Run(QStringLiteral("PascalScript"), QStringLiteral("begin Log(1); break; Log(2) end.")),
              QStringLiteral("1"));
    h.Out.clear();
    h.S.Execute();
    EXPECT_EQ(h.Out.join(QLatin1Char('|')), QStringLiteral("1"));
    EXPECT_FALSE(h.S.BreakCalled());
}

TEST(InterpPascal, ConstantsAreEvaluatedOnceAndNotBindsTightest)
{
    TInterpHost h;
    h.S.AddVariable(QStringLiteral("Base"), QStringLiteral("Integer"), Variant(1));
    EXPECT_EQ(h.Run(QStringLiteral("PascalScript"), QStringLiteral(
        "const C = Base * 2;\r\n"
        "var a, b: Boolean;\r\n"
        "begin\r\n"
        "  Base := 10; Log(C);\r\n"
        "  a := False; b := False;\r\n"
        "  Log(not a and b);\r\n"
        "  Log(not (a and b));\r\n"
        "end.")), QStringLiteral("2|False|True"));
}

TEST(InterpPascal, EndlessRecursionRaisesInsteadOfCrashing)
{
    TInterpHost h;
    EXPECT_EQ(h.Run(QStringLiteral("PascalScript"), QStringLiteral(
        "function Depth(n: Integer): Integer;\r\n"
        "begin\r\n"
        "  if n = 0 then Result := 0 else Result := Depth(n - 1) + 1;\r\n"
        "end;\r\n"
        "function Endless(n: Integer): Integer;\r\n"
        "begin\r\n"
        "  Result := Endless(n + 1);\r\n"
        "end;\r\n"
        "begin\r\n"
        "  Log(Depth(900));\r\n"
        "  try\r\n"
        "    Endless(0);\r\n"
        "  except\r\n"
        "    Log(ExceptionClassName + ': ' + ExceptionMessage);\r\n"
        "  end;\r\n"
        "  Log(Depth(5));\r\n"
        "end.")), QStringLiteral("900|EStackOverflow: Stack overflow|5"));
}

TEST(InterpPascal, NestedRoutinesSeeTheirEnclosingLocals)
{
    TInterpHost h;
    EXPECT_EQ(h.Run(QStringLiteral("PascalScript"), QStringLiteral(
        "function Outer(n: Integer): Integer;\r\n"
        "var acc: Integer;\r\n"
        "  procedure Inner(k: Integer);\r\n"
        "  begin\r\n"
        "    acc := acc + k * n;\r\n"
        "  end;\r\n"
        "begin\r\n"
        "  acc := 0; Inner(1); Inner(2);\r\n"
        "  Result := acc;\r\n"
        "end;\r\n"
        "begin\r\n"
        "  Log(Outer(10));\r\n"
        "end.")), QStringLiteral("30"));
    // Inner belongs to Outer's program, not to the script.
    EXPECT_EQ(h.S.FindLocal(QStringLiteral("Inner")), nullptr);
}
