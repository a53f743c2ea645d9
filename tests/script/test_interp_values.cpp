// Values the interpreter changes in place (array elements, strings built
// piece by piece), its Integer arithmetic, and locals kept across recursion:
// the results must be those of plain value semantics.
#include "test_interp_support.h"

namespace {

using TCase = TScriptCase;

// IntToStr for the test programs.
class TIntToStr : public TObject
{
public:
    Variant Call(TObject *, TClass, const QString &, TkwMethodHelper *Caller)
    {
        return Variant(QString::number(Caller->GetParam(0).AsInt64()));
    }
};

// Kind(V): the value's type and text, "Int64 5".
class TKindOf : public TObject
{
public:
    Variant Call(TObject *, TClass, const QString &, TkwMethodHelper *Caller)
    {
        const Variant v = Caller->GetParam(0);
        return Variant(VarTypeAsText(VarType(v)) + QLatin1Char(' ') + VarToStr(v));
    }
};

void RunCases(const std::vector<TCase> &Cases)
{
    TIntToStr intToStr;
    TKindOf kindOf;
    for (const TCase &c : Cases) {
        TInterpHost h;
        h.S.AddMethod(QStringLiteral("function IntToStr(V: Variant): String"),
                      TkwCallMethodNewEvent(&intToStr, &TIntToStr::Call));
        h.S.AddMethod(QStringLiteral("function Kind(V: Variant): String"), TkwCallMethodNewEvent(&kindOf, &TKindOf::Call));
        // Indexing of Variant values, as the system library registers it.
        h.S.Add(QStringLiteral("__ArrayHelper"),
                new TkwArrayHelper(QStringLiteral("__ArrayHelper"), 3, fvtVariant, QStringLiteral("Variant"), 1));
        EXPECT_EQ(h.Run(QString::fromLatin1(c.Language), QString::fromLatin1(c.Text)), QString::fromLatin1(c.Expected))
            << c.Text;
    }
}

} // namespace

TEST(InterpValues, ArrayElementWritesKeepValueSemantics)
{
    RunCases({
        // An insertion sort moving elements inside one array.
        {"PascalScript",
         "var a: array[0..9] of Integer; i, j, x: Integer; s: String;\r\n"
         "begin\r\n"
         "  for i := 0 to 5 do a[i] := (i * 7) mod 6;\r\n"
         "  for i := 1 to 5 do begin\r\n"
         "    x := a[i]; j := i - 1;\r\n"
         "    while (j >= 0) and (a[j] > x) do begin a[j + 1] := a[j]; j := j - 1; end;\r\n"
         "    a[j + 1] := x;\r\n"
         "  end;\r\n"
         "  s := ''; for i := 0 to 5 do s := s + IntToStr(a[i]); Log(s);\r\n"
         "end.",
         "012345"},
        // A copy taken before a write keeps the old element.
        {"PascalScript",
         "var a: array[0..2] of Integer; b: Variant;\r\n"
         "begin\r\n"
         "  a[1] := 5; b := a; a[1] := 6; Log(b[1]); Log(a[1]);\r\n"
         "  b[1] := 7; Log(a[1]); Log(b[1]);\r\n"
         "end.",
         "5|6|6|7"},
        {"JScript",
         "var a[3], b;\r\n"
         "a[0] = 1; b = a; a[0] = 2; Log(b[0]); Log(a[0]);\r\n"
         "a[2] = a[0] + a[0]; Log(a[2]);\r\n",
         "1|2|4"},
        // Indexes that call routines, and ones that only read variables,
        // reach the same elements; a wrong index raises the same either way.
        {"PascalScript",
         "var a: array[0..4] of Integer; m: array[1..2, 1..3] of Integer; i, n: Integer;\r\n"
         "function Next: Integer; begin n := n + 1; Result := n; end;\r\n"
         "begin\r\n"
         "  n := 0; a[Next] := 10; a[Next] := a[n] + 5; Log(a[1]); Log(a[2]);\r\n"
         "  i := 2; m[i - 1, i + 1] := 7; m[Next - 2, 1] := m[1, 3] * 2; Log(m[1, 3]); Log(m[1, 1]);\r\n"
         "  try a[i + 3] := 1; except Log(ExceptionMessage); end;\r\n"
         "  try Log(a[Next + 5]); except Log(ExceptionMessage); end;\r\n"
         "end.",
         "10|15|7|14|Variant or safe array index out of bounds|Variant or safe array index out of bounds"},
        // A routine's array parameter is a copy.
        {"PascalScript",
         "var a: array[0..1] of Integer;\r\n"
         "procedure Change(v: Variant); begin v[0] := 9; Log(v[0]); end;\r\n"
         "begin a[0] := 1; Change(a); Log(a[0]); end.",
         "9|1"},
    });
}

TEST(InterpValues, HostCopyOfAnArrayIsNotChangedByElementWrites)
{
    TInterpHost h;
    ASSERT_TRUE(h.Compile(QStringLiteral("PascalScript"), QStringLiteral(
        "var a: array[0..2] of Integer;\r\n"
        "begin a[0] := a[0] + 1; end.")));
    h.S.Execute();
    const Variant before = h.Value(QStringLiteral("a"));
    h.S.Execute();
    EXPECT_EQ(VarArrayGet(before, {0}).AsInteger(), 1);
    EXPECT_EQ(VarArrayGet(h.Value(QStringLiteral("a")), {0}).AsInteger(), 2);
}

TEST(InterpValues, StringAppendsKeepValueSemantics)
{
    RunCases({
        {"PascalScript",
         "var s, t: String; i: Integer;\r\n"
         "begin\r\n"
         "  s := ''; for i := 1 to 5 do s := s + 'ab'; Log(s);\r\n"
         "  t := s; s := s + '!'; Log(t); Log(s);\r\n"
         "  s := s + s; Log(s);\r\n"
         "end.",
         "ababababab|ababababab|ababababab!|ababababab!ababababab!"},
        // The variable is read before the appended part is evaluated, even
        // when that part assigns the variable.
        {"PascalScript",
         "var s: String;\r\n"
         "function F: String; begin s := 'zzz'; Result := 'b'; end;\r\n"
         "begin s := 'a'; s := s + F; Log(s); end.",
         "ab"},
        // A string and a number still add as numbers; a number variable
        // still adds.
        {"PascalScript",
         "var v: Variant; i: Integer;\r\n"
         "begin v := '5'; v := v + 2; Log(v); i := 1; i := i + 2; Log(i); end.",
         "7|3"},
        {"JScript",
         "var s = \"\", t, i;\r\n"
         "for (i = 0; i < 3; i++) s = s + \"x\";\r\n"
         "t = s; s += \"y\"; Log(t); Log(s);\r\n",
         "xxx|xxxy"},
        // BasicScript's "&" joins whatever follows a string.
        {"BasicScript",
         "Dim s\r\n"
         "s = \"n\"\r\n"
         "s = s & 1\r\n"
         "s = s & \"2\"\r\n"
         "Log(s)\r\n",
         "n12"},
    });
}

TEST(InterpValues, IntegerArithmeticFollowsTheVariantRules)
{
    TInterpHost h;
    EXPECT_EQ(h.Run(QStringLiteral("PascalScript"), QStringLiteral(
        "var x, y, z, w, q, a, b: Variant; c: Boolean;\r\n"
        "begin\r\n"
        "  x := 2147483647; y := x + 1; z := x * x; w := -x - 1; q := w div (-1);\r\n"
        "  a := 5; b := '10'; c := a < b; Log(c); Log(7 mod (-3)); Log(-7 div 2); Log(1 + 2 * 3 - 4);\r\n"
        "end.")),
              QStringLiteral("True|1|-3|3"));
    EXPECT_EQ(VarType(h.Value(QStringLiteral("y"))), varInt64);
    EXPECT_EQ(h.Value(QStringLiteral("y")).AsInt64(), Q_INT64_C(2147483648));
    EXPECT_EQ(h.Value(QStringLiteral("z")).AsInt64(), Q_INT64_C(4611686014132420609));
    EXPECT_EQ(VarType(h.Value(QStringLiteral("w"))), varInteger);
    EXPECT_EQ(h.Value(QStringLiteral("q")).AsInt64(), Q_INT64_C(2147483648));

    for (const char *text : {"var a: Integer; begin a := 0; a := 5 mod a; end.",
                             "var a: Integer; begin a := 0; a := 5 div a; end."}) {
        TInterpHost e;
        ASSERT_TRUE(e.Compile(QStringLiteral("PascalScript"), QString::fromLatin1(text)));
        try {
            e.S.Execute();
            ADD_FAILURE() << text;
        } catch (const EDivByZero &err) {
            EXPECT_EQ(err.Message(), QStringLiteral("Division by zero"));
        }
    }
}

TEST(InterpValues, RecursionKeepsEachCallsLocals)
{
    RunCases({
        {"PascalScript",
         "function Walk(n: Integer): String;\r\n"
         "var s: String; k: Integer;\r\n"
         "begin\r\n"
         "  s := IntToStr(n); k := n * 10;\r\n"
         "  if n > 0 then Result := Walk(n - 1) + s + ':' + IntToStr(k) + ' ' else Result := '';\r\n"
         "end;\r\n"
         "begin Log(Walk(3)); end.",
         "1:10 2:20 3:30 "},
        {"JScript",
         "function Fib(n) { if (n < 2) return n; return Fib(n - 1) + Fib(n - 2); }\r\n"
         "Log(Fib(15));\r\n",
         "610"},
    });
}

// Integer expressions, conditions and assignments take shortcuts while every
// value is an Integer; the results must be those of the Variant rules
// whenever a value is not, or a result leaves 32 bits.
TEST(InterpValues, IntegerShortcutsKeepTheVariantRules)
{
    RunCases({
        // Compound forms leaving 32 bits give Int64.
        {"PascalScript",
         "var x, y, z: Variant;\r\n"
         "begin x := 2147483647; x := x + 1; y := -2147483647; y := y - 2; z := 65536; z := z * 65536;\r\n"
         "  Log(IntToStr(x) + ' ' + IntToStr(y) + ' ' + IntToStr(z)); end.",
         "2147483648 -2147483649 4294967296"},
        // A negated smallest Integer, a quotient out of range.
        {"PascalScript",
         "var m, q: Variant; begin m := -2147483647 - 1; q := -m; Log(IntToStr(q)); q := m div (-1); Log(IntToStr(q));\r\n"
         "  q := m mod (-1); Log(q); q := m div 2; Log(q); q := -7; q := q mod 2; Log(q); end.",
         "2147483648|2147483648|0|-1073741824|-1"},
        // Integers into typed variables convert as the type says.
        {"PascalScript",
         "var f: Double; i: Integer;\r\n"
         "begin i := 3; f := i * 2; f := f + i; Log(f / 4); f := i; f := f * 2147483647; Log(f); end.",
         "2.25|6442450941"},
        // A variable that changes kind inside a loop.
        {"PascalScript",
         "var v: Variant; i: Integer;\r\n"
         "begin v := 0; for i := 1 to 4 do begin if i = 3 then v := 'a'; v := v + IntToStr(i); end; Log(v); end.",
         "a34"},
        // Comparisons of mixed kinds and of Booleans.
        {"PascalScript",
         "var a, b: Variant; c, d: Boolean;\r\n"
         "begin a := 5; b := '10'; c := True; d := False;\r\n"
         "  if a < b then Log('lt'); if (c and not d) or (a = 6) then Log('bool');\r\n"
         "  if c = d then Log('eq') else Log('ne'); a := 1.5; if a > 1 then Log('float'); end.",
         "lt|bool|ne|float"},
        // Short-circuit: the right side is not evaluated (it would raise).
        {"PascalScript",
         "var a: array[0..3] of Integer; i: Integer;\r\n"
         "begin i := -1; if (i >= 0) and (a[i] > 0) then Log('no') else Log('skip');\r\n"
         "  i := 4; while (i > 3) or (a[i] > 0) do i := i - 1; Log(i); end.",
         "skip|3"},
        // And/or over Integers are bitwise.
        {"PascalScript",
         "var x: Integer; begin x := 6; x := x and 3; Log(x); x := x or 8; Log(x); end.",
         "2|10"},
        // Array elements of other kinds.
        {"PascalScript",
         "var a: array[0..2] of Variant; i: Integer;\r\n"
         "begin a[0] := 'x'; a[1] := 2; a[2] := 2.5; i := 1; Log(a[i] + a[i + 1]); Log(a[0] + 'y'); end.",
         "4.5|xy"},
        // A lone left operand of + * = <> is read after the right side:
        // results and fallbacks as in the written order.
        {"PascalScript",
         "var x, y, z, v: Variant; begin x := 5; y := 2147483647; z := y + (x * 1); Log(IntToStr(z));\r\n"
         "  v := '3'; z := v + (x * 2); Log(z); if 1 = (x - 4) then Log('eq'); z := 3 * (x - 1); Log(z); end.",
         "2147483652|13|eq|12"},
        // Calls after the first take the short way: text arguments, string
        // locals kept across the recursion.
        {"PascalScript",
         "function Grow(s: String; n: Integer): String; var t: String;\r\n"
         "begin t := s; if n > 0 then Result := Grow(s + 'b', n - 1) + ' ' + t else Result := t; end;\r\n"
         "var i: Integer; r: String; begin for i := 1 to 2 do r := Grow('a', 2); Log(r); end.",
         "abb ab a"},
        // Var parameters are written back on every call from one place.
        {"PascalScript",
         "procedure Add2(var x: Integer; y: Integer); begin x := x + 2; y := 0; end;\r\n"
         "var v, w, i: Integer; begin v := 1; w := 5; for i := 1 to 3 do Add2(v, w); Log(v); Log(w); end.",
         "7|5"},
        {"JScript",
         "var s = \"a\", i, n = 0;\r\n"
         "for (i = 0; i < 3; i++) { n = n + i * 2; s = s + IntToStr(i); }\r\n"
         "i = 2147483647; i++; Log(s + \" \" + IntToStr(n) + \" \" + IntToStr(i));\r\n",
         "a012 6 2147483648"},
    });
    // Out of range and zero divisors raise as before.
    for (const char *text : {"var a: array[0..3] of Integer; i: Integer; begin i := 4; a[0] := a[i] + 1; end.",
                             "var a: array[0..3] of Integer; i, j: Integer; begin i := 4; j := 1; if a[i] > j then Log(1); end."}) {
        TInterpHost e;
        ASSERT_TRUE(e.Compile(QStringLiteral("PascalScript"), QString::fromLatin1(text)));
        try {
            e.S.Execute();
            ADD_FAILURE() << text;
        } catch (const EVariantError &err) {
            EXPECT_EQ(err.Message(), QStringLiteral("Variant or safe array index out of bounds")) << text;
        }
    }
    TInterpHost e;
    ASSERT_TRUE(e.Compile(QStringLiteral("PascalScript"),
                          QStringLiteral("var a, b: Integer; begin a := 7; b := 0; while a mod b > 0 do a := 0; end.")));
    EXPECT_THROW(e.S.Execute(), EDivByZero);
}

// Integer arithmetic whose values leave 32 bits stays off the Variant
// arithmetic; its results, their kinds and its errors must still be the
// Variant rules' at the edges of 32 and 64 bits, in every syntax.
TEST(InterpValues, WideIntegerArithmeticKeepsTheVariantRules)
{
    RunCases({
        // Products passing 2^31 inside a loop, summed into a typed Integer
        // and into a Variant.
        {"PascalScript",
         "var i, r: Integer; v: Variant;\r\n"
         "begin r := 0; v := 0;\r\n"
         "  for i := 46339 to 46342 do begin r := r + (i * i) mod 7; v := v + (i * i) mod 7; end;\r\n"
         "  Log(Kind(r)); Log(Kind(v)); end.",
         "Integer 6|Int64 6"},
        // The edges of 32 bits; an Int64 operand makes an Int64 even when
        // the value fits.
        {"PascalScript",
         "var i, j: Integer; v, w: Variant;\r\n"
         "begin i := 2147483647; j := -2147483647 - 1;\r\n"
         "  v := i + 1; Log(Kind(v)); v := i + 0; Log(Kind(v)); v := j - 1; Log(Kind(v)); v := -j; Log(Kind(v));\r\n"
         "  v := j div (-1); Log(Kind(v)); v := j mod (-1); Log(Kind(v)); v := j div 2; Log(Kind(v));\r\n"
         "  v := i * i; Log(Kind(v)); w := v div v; Log(Kind(w)); w := v - v; Log(Kind(w));\r\n"
         "  w := v - v + 5 > 4; Log(Kind(w)); if v > i then Log('gt'); end.",
         "Int64 2147483648|Integer 2147483647|Int64 -2147483649|Int64 2147483648|Int64 2147483648|Integer 0|"
         "Integer -1073741824|Int64 4611686014132420609|Int64 1|Int64 0|Boolean True|gt"},
        // The edges of 64 bits: overflow gives a Double, as do the lowest
        // Int64 negated and divided by -1.
        {"PascalScript",
         "var i: Integer; v, m, n, w: Variant;\r\n"
         "begin i := 2147483647; v := i * i; m := v * 2 + i * 4 + 1; Log(Kind(m)); n := -m - 1; Log(Kind(n));\r\n"
         "  w := m + 1; Log(Kind(w)); w := m * 2; Log(Kind(w)); w := n - 1; Log(Kind(w)); w := -n; Log(Kind(w));\r\n"
         "  w := n div (-1); Log(Kind(w)); w := n mod (-1); Log(Kind(w)); w := n div 2; Log(Kind(w));\r\n"
         "  w := m; w := w + 1; Log(Kind(w)); w := n; w := w - i; Log(Kind(w)); end.",
         "Int64 9223372036854775807|Int64 -9223372036854775808|Double 9.22337203685478E18|"
         "Double 1.84467440737096E19|Double -9.22337203685478E18|Double 9.22337203685478E18|"
         "Double 9.22337203685478E18|Int64 0|Int64 -4611686018427387904|Double 9.22337203685478E18|"
         "Double -9.22337203900226E18"},
        // Errors, and Int64s mixed with Doubles, strings and array elements.
        {"PascalScript",
         "var i, k: Integer; v, w, f, s: Variant; a: array[0..2] of Variant;\r\n"
         "begin i := 65536; v := i * i;\r\n"
         "  try w := v div (i - i); except Log(ExceptionMessage); end;\r\n"
         "  try w := v mod 0; except Log(ExceptionMessage); end;\r\n"
         "  try k := v - 1; except Log(ExceptionMessage); end;\r\n"
         "  k := 1; try k := k + v; except Log(ExceptionMessage); end; Log(Kind(k));\r\n"
         "  k := v div i; Log(Kind(k)); f := 0.5; w := v + f; Log(Kind(w)); s := '3'; w := v + s; Log(Kind(w));\r\n"
         "  a[0] := v; a[1] := 1; w := a[0] + a[1]; Log(Kind(w)); w := a[v div v]; Log(Kind(w)); end.",
         "Division by zero|Division by zero|Overflow while converting variant of type (Int64) into type (Integer)|"
         "Overflow while converting variant of type (Int64) into type (Integer)|Integer 1|Integer 65536|"
         "Double 4294967296.5|Double 4294967299|Int64 4294967297|Integer 1"},
        {"C++Script",
         "int i, r; Variant v, m, w;\r\n"
         "{ r = 0; v = 0; for (i = 46339; i <= 46342; i++) { r = r + (i * i) % 7; v += (i * i) % 7; }\r\n"
         "  Log(Kind(r)); Log(Kind(v)); i = 2147483647; v = i + 1; Log(Kind(v)); v = i * i;\r\n"
         "  m = v * 2 + i * 4 + 1; Log(Kind(m)); w = m + 1; Log(Kind(w)); w = -(-m - 1); Log(Kind(w));\r\n"
         "  try { w = v div (i - i); } except { Log(ExceptionMessage); } }\r\n",
         "Integer 6|Int64 6|Int64 2147483648|Int64 9223372036854775807|Double 9.22337203685478E18|"
         "Double 9.22337203685478E18|Division by zero"},
        {"BasicScript",
         "Dim i, r, v, m, w\r\n"
         "r = 0\r\n"
         "For i = 46339 To 46342\r\n"
         "  r = r + (i * i) Mod 7\r\n"
         "Next\r\n"
         "Log(Kind(r))\r\n"
         "i = 2147483647: v = i + 1: Log(Kind(v))\r\n"
         "v = i * i: m = v * 2 + i * 4 + 1: Log(Kind(m))\r\n"
         "w = m + 1: Log(Kind(w))\r\n"
         "w = (-m - 1) \\ (-1): Log(Kind(w))\r\n"
         "Try\r\n"
         "  w = v Mod (i - i)\r\n"
         "Catch\r\n"
         "  Log(ExceptionMessage)\r\n"
         "End Try\r\n",
         "Int64 6|Int64 2147483648|Int64 9223372036854775807|Double 9.22337203685478E18|"
         "Double 9.22337203685478E18|Division by zero"},
        {"JScript",
         "var i, r = 0, v, m, w;\r\n"
         "for (i = 46339; i <= 46342; i++) r = r + (i * i) % 7;\r\n"
         "Log(Kind(r)); i = 2147483647; v = i + 1; Log(Kind(v)); v = i * i; m = v * 2 + i * 4 + 1; Log(Kind(m));\r\n"
         "w = m + 1; Log(Kind(w)); w = -m - 1; Log(Kind(w)); w = w - 1; Log(Kind(w));\r\n"
         "try { w = v % (i - i); } except { Log(ExceptionMessage); }\r\n",
         "Int64 6|Int64 2147483648|Int64 9223372036854775807|Double 9.22337203685478E18|"
         "Int64 -9223372036854775808|Double -9.22337203685478E18|Division by zero"},
    });
}
