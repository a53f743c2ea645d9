// The built-in library: strings, mathematics and the other routines, and
// calls from the four languages.
#include "test_syslib_support.h"
#include "Dialogs.h"

TEST(SysLibStrings, LengthCopyPos)
{
    TSysLibHost h;
    EXPECT_EQ(h.Pas(QStringLiteral(
        "Log(Length('')); Log(Length('abc')); Log(Length(12345)); Log(Length(Null));\r\n"
        "Log(Length(VarArrayCreate([0, 4], varVariant))); Log(Length(VarArrayCreate([2, 4, 0, 9], varInteger)));\r\n"
        "Log(Length('称重站'));\r\n"
        "Log(Copy('abc', 0, 2)); Log('[' + Copy('abc', 5, 1) + ']'); Log(Copy('abcdef', 2, 3)); Log(Copy('abc', 2, 99));\r\n"
        "Log(Copy('abc', 1, 0) = ''); Log(Copy('abc', 2, -1) = '');\r\n"
        "Log(Pos('x', 'abc')); Log(Pos('c', 'abcabc')); Log(Pos('', 'abc')); Log(Pos('bc', 'abc'));")),
        QStringLiteral("0|3|5|0|5|3|3|ab|[]|bcd|bc|True|True|0|3|0|2"));
}

TEST(SysLibStrings, DeleteInsertWriteBack)
{
    TSysLibHost h;
    EXPECT_EQ(h.Run(QStringLiteral(
        "var s, t: String;\r\n"
        "begin\r\n"
        "  s := 'abcdef'; Delete(s, 2, 3); Log(s);\r\n"
        "  s := 'abcdef'; DeleteStr(s, 5, 99); Log(s);\r\n"
        "  s := 'abcdef'; Delete(s, 0, 2); Log(s);\r\n"
        "  s := 'abcdef'; Delete(s, 7, 1); Log(s);\r\n"
        "  t := 'held'; Insert('XY', t, 2); Log(t);\r\n"
        "  t := 'held'; Insert('!', t, 99); Log(t);\r\n"
        "  t := 'held'; Insert('>', t, 0); Log(t);\r\n"
        "end.")),
        QStringLiteral("aef|abcd|abcdef|abcdef|hXYeld|held!|>held"));
}

TEST(SysLibStrings, CaseTrimNameCaseCompare)
{
    TSysLibHost h;
    EXPECT_EQ(h.Pas(QStringLiteral(
        "Log(Uppercase('abc Äé1')); Log(Lowercase('ABC ÄÉ1'));\r\n"
        "Log('[' + Trim(#9' a b '#13#10) + ']'); Log('[' + Trim('   ') + ']');\r\n"
        "Log(NameCase('JOHN SMITH-JONES')); Log(NameCase('a b')); Log(NameCase(' x')); Log('[' + NameCase('ab ') + ']');\r\n"
        "Log(NameCase('o''neil  mc'#9'x'));\r\n"
        "Log(CompareText('abc', 'ABC')); Log(CompareText('a', 'b') < 0); Log(CompareText('b', 'A') > 0);")),
        QStringLiteral("ABC ÄÉ1|abc äé1|[a b]|[]|John Smith-jones|A B| x|[Ab ]|O'neil  Mc\tx|0|True|True"));
}

TEST(SysLibStrings, ChrOrdSetLength)
{
    TSysLibHost h;
    EXPECT_EQ(h.Run(QStringLiteral(
        "var s: String; v: Variant; a: array of Integer; b: array[0..2] of Integer; i: Integer;\r\n"
        "begin\r\n"
        "  Log(Chr(65)); Log(Chr(321)); Log(Ord('A')); Log(Ord('abc')); Log(Ord('')); Log(Ord(5));\r\n"
        "  Log(Ord(Chr(200)));\r\n"
        "  s := 'abcdef'; SetLength(s, 3); Log(s);\r\n"
        "  s := 'ab'; SetLength(s, 4); Log('[' + s + ']');\r\n"
        "  s := 'ab'; SetLength(s, -1); Log('[' + s + ']');\r\n"
        "  SetLength(a, 10); Log(Length(a)); a[9] := 7; a[0] := 1; Log(a[0] + a[9]);\r\n"
        "  b[1] := 5; SetLength(b, 5); Log(Length(b)); Log(b[1]); b[4] := 3; Log(b[4]);\r\n"
        "  SetLength(b, 1); Log(Length(b));\r\n"
        "  v := VarArrayCreate([0, 1], varVariant); SetLength(v, 0); Log(Length(v));\r\n"
        "  try a[10] := 1; except Log(ExceptionClassName); end;\r\n"
        "  i := 3; try SetLength(i, 2); except Log(ExceptionClassName); end;\r\n"
        "end.")),
        QStringLiteral("A|A|65|97|0|53|200|abc|[ab  ]|[]|10|8|5|5|3|1|0|EVariantError|EVariantError"));
}

TEST(SysLibMath, RoundingAndParts)
{
    TSysLibHost h;
    EXPECT_EQ(h.Pas(QStringLiteral(
        "Log(Round(2.5)); Log(Round(-2.5)); Log(Round(3.5)); Log(Round(-3.5)); Log(Round(2.4999)); Log(Round(-0.5));\r\n"
        "Log(Trunc(-1.7)); Log(Trunc(1.9)); Log(Trunc(5000000000.5));\r\n"
        "Log(Int(-1.7)); Log(VarType(Int(-1.7)) = varDouble); Log(Int(2.9));\r\n"
        "Log(Frac(-1.25)); Log(Frac(3.75)); Log(Frac(2));\r\n"
        "Log(Abs(-3)); Log(VarType(Abs(-3)) = varDouble); Log(Abs(2.5));\r\n"
        "Log(VarType(Round(2.5)) = varInteger);")),
        QStringLiteral("2|-2|4|-4|2|0|-1|1|5000000000|-1|True|2|-0.25|0.75|0|3|True|2.5|True"));
    // Round gives a 32-bit integer; beyond that range it raises.
    EXPECT_EQ(h.Pas(QStringLiteral("Log(Round(3000000000.0));")), QStringLiteral("ERangeError: Range check error"));
    EXPECT_EQ(h.Pas(QStringLiteral("Log(Round(2147483647.4));")), QStringLiteral("2147483647"));
}

TEST(SysLibMath, Functions)
{
    TSysLibHost h;
    EXPECT_EQ(h.Pas(QStringLiteral(
        "Log(Sqrt(16)); Log(Sqrt(2) * Sqrt(2) - 2 < 1E-12); Log(Sin(0)); Log(Cos(0));\r\n"
        "Log(Abs(Sin(Pi / 6) - 0.5) < 1E-12); Log(ArcTan(1) * 4 = Pi); Log(Abs(Tan(Pi / 4) - 1) < 1E-12);\r\n"
        "Log(Exp(0)); Log(Abs(Ln(Exp(2)) - 2) < 1E-12); Log(Ln(1));\r\n"
        "Log(FloatToStr(Pi)); Log(Pi = ArcTan(1) * 4);")),
        QStringLiteral("4|True|0|1|True|True|True|1|True|0|3.14159265358979|True"));
}

TEST(SysLibMath, FloatingPointFaults)
{
    TSysLibHost h;
    const struct
    {
        const char *Expr;
        const char *Expected;
    } cases[] = {
        {"Sqrt(-1)", "EInvalidOp: Invalid floating point operation"},
        {"Ln(-1)", "EInvalidOp: Invalid floating point operation"},
        {"Ln(0)", "EZeroDivide: Floating point division by zero"},
        {"Exp(1000)", "EOverflow: Floating point overflow"},
        {"Sqrt('x')", nullptr},
    };
    for (const auto &c : cases) {
        const QString r = h.Pas(QStringLiteral("Log(%1);").arg(QString::fromLatin1(c.Expr)));
        if (c.Expected)
            EXPECT_EQ(r, QString::fromLatin1(c.Expected)) << c.Expr;
        else
            EXPECT_TRUE(r.startsWith(QLatin1String("EVariantError")) || r.startsWith(QLatin1String("EConvertError")))
                << c.Expr << " " << r.toStdString();
    }
    // The script's try statement receives them.
    EXPECT_EQ(h.Pas(QStringLiteral("try Log(Sqrt(-4)); except Log(ExceptionClassName + ': ' + ExceptionMessage); end;")),
              QStringLiteral("EInvalidOp: Invalid floating point operation"));
}

TEST(SysLibOther, IncDecAndRaise)
{
    TSysLibHost h;
    EXPECT_EQ(h.Run(QStringLiteral(
        "var i: Integer; f: Extended;\r\n"
        "begin\r\n"
        "  i := 1; Inc(i); Log(i);\r\n"
        "  i := 1; Dec(i, 3); Log(i);\r\n"
        "  i := 10; Inc(i, -4); Log(i); Dec(i); Log(i);\r\n"
        "  f := 0.5; Inc(f, 2); Log(f);\r\n"
        "  try\r\n"
        "    RaiseException('boom');\r\n"
        "    Log('not here');\r\n"
        "  except\r\n"
        "    Log(ExceptionClassName); Log(ExceptionMessage);\r\n"
        "  end;\r\n"
        "  RaiseException('uncaught ' + IntToStr(i));\r\n"
        "  Log('not here');\r\n"
        "end.")),
        QStringLiteral("2|-2|6|5|2.5|Exception|boom|Exception: uncaught 5"));
}

TEST(SysLibOther, ShowMessageAsksTheDialog)
{
    TSysLibHost h;
    QStringList shown;
    TScopedDialogHook hook([&](TDialogRequest &R) {
        EXPECT_EQ(R.Kind, TDialogKind::ShowMessage);
        shown << R.Text;
        return int(mrOk);
    });
    EXPECT_EQ(h.Pas(QStringLiteral("ShowMessage('hello'); ShowMessage(42); ShowMessage(Null); Log('after');")),
              QStringLiteral("after"));
    EXPECT_EQ(shown, QStringList({QStringLiteral("hello"), QStringLiteral("42"), QString()}));
}

TEST(SysLibOther, RandomStaysInItsRange)
{
    TSysLibHost h;
    EXPECT_EQ(h.Run(QStringLiteral(
        "var i, low, high: Integer; r, sum: Extended;\r\n"
        "begin\r\n"
        "  Randomize;\r\n"
        "  for i := 1 to 2000 do begin\r\n"
        "    r := Random;\r\n"
        "    if (r < 0) or (r >= 1) then Log('out of range');\r\n"
        "    if r < 0.5 then low := low + 1 else high := high + 1;\r\n"
        "  end;\r\n"
        "  Log((low > 800) and (high > 800));\r\n"
        "end.")),
        QStringLiteral("True"));
}

TEST(SysLibOther, Validation)
{
    TSysLibHost h;
    EXPECT_EQ(h.Pas(QStringLiteral(
        "Log(ValidInt('12')); Log(ValidInt('12a')); Log(ValidInt('2147483647')); Log(ValidInt('2147483648'));\r\n"
        "Log(ValidInt('-2147483648')); Log(ValidInt('')); Log(ValidInt(' $FF'));\r\n"
        "Log(ValidFloat('1.5')); Log(ValidFloat('1E3')); Log(ValidFloat('1,5')); Log(ValidFloat(''));\r\n"
        "Log(ValidDate('2024-02-29')); Log(ValidDate('2023-02-29')); Log(ValidDate('')); Log(ValidDate('abc'));\r\n"
        "Log(ValidDate(EncodeDate(2024, 5, 6)));")),
        QStringLiteral("True|False|True|False|True|False|True|True|True|False|False|True|False|False|False|True"));
}

TEST(SysLibOther, FilesOleArraysAndTypes)
{
    TSysLibHost h;
    EXPECT_EQ(h.Run(QStringLiteral(
        "var a: Variant;\r\n"
        "begin\r\n"
        "  Log(ExtractFilePath('/data/db/p01.qd3')); Log('[' + ExtractFilePath('p01.qd3') + ']');\r\n"
        "  Log(ExtractFilePath('/top'));\r\n"
        "  a := VarArrayCreate([0, 4], varInteger); Log(Length(a)); Log(VarType(a) = varArray + varInteger);\r\n"
        "  a[4] := 9; Log(a[4]); Log(a[0]);\r\n"
        "  a := VarArrayCreate([1, 2, 0, 2], varVariant); a[2, 1] := 'x'; Log(a[2, 1]); Log(Length(a));\r\n"
        "  Log(VarType('x')); Log(VarType(1)); Log(VarType(1.5)); Log(VarType(True)); Log(VarType(Null));\r\n"
        "  Log(VarType(Now)); Log(VarType(a) and varTypeMask); Log(VarType(StrToInt64('1')));\r\n"
        "  try CreateOleObject('Excel.Application'); except Log(ExceptionClassName + ': ' + ExceptionMessage); end;\r\n"
        "end.")),
        QStringLiteral("/data/db/|[]|/|5|True|9|0|x|2|256|3|5|11|1|7|12|20|EOleSysError: Invalid class string"));
    EXPECT_EQ(h.Pas(QStringLiteral("Log(VarArrayCreate(5, varInteger));")),
              QStringLiteral("EVariantError: Variant is not an array"));
}

TEST(SysLibLanguages, CppScript)
{
    TSysLibHost h;
    EXPECT_EQ(h.Run(QStringLiteral(
        "string s = \"abcdef\";\r\n"
        "int i = 1;\r\n"
        "{\r\n"
        "  Delete(s, 2, 3); Log(s);\r\n"
        "  Inc(i, 4); Log(i);\r\n"
        "  Log(Format(\"%d:%s\", [i, s]));\r\n"
        "  Log(Round(2.5) + Trunc(-1.7));\r\n"
        "  try { RaiseException(\"bad\"); } except { Log(ExceptionMessage); }\r\n"
        "  if (True) Log(NameCase(\"x y\"));\r\n"
        "}\r\n"), QStringLiteral("C++Script")),
        QStringLiteral("aef|5|5:aef|1|bad|X Y"));
}

TEST(SysLibLanguages, BasicScript)
{
    TSysLibHost h;
    EXPECT_EQ(h.Run(QStringLiteral(
        "Dim s As String, y, m, d\r\n"
        "s = \"held\"\r\n"
        "Insert(\"XY\", s, 2)\r\n"
        "Log(s)\r\n"
        "DecodeDate(EncodeDate(2024, 2, 29), y, m, d)\r\n"
        "Log(y): Log(m): Log(d)\r\n"
        "Log(DaysInMonth(2000, 2))\r\n"
        "Log(Uppercase(Copy(\"abcdef\", 2, 2)))\r\n"
        "Log(BoolToStr(True))\r\n"), QStringLiteral("BasicScript")),
        QStringLiteral("hXYeld|2024|2|29|29|BC|-1"));
}

TEST(SysLibLanguages, JScript)
{
    TSysLibHost h;
    EXPECT_EQ(h.Run(QStringLiteral(
        "var i = 1, s = \"a b\";\r\n"
        "Dec(i, 3);\r\n"
        "Log(i);\r\n"
        "Log(IntToStr(Length(s)) + \"/\" + IntToStr(Pos(\"b\", s)));\r\n"
        "Log(FormatFloat(\"0.00\", Sqrt(2)));\r\n"
        "Log(Chr(Ord(\"a\") + 1));\r\n"
        "Log(VarType(Null) == varNull);\r\n"), QStringLiteral("JScript")),
        QStringLiteral("-2|3/3|1.41|b|True"));
}

// Booleans are ordinals: False is 0 and True is 1 in every syntax, written,
// held in a variable or made by a comparison.
TEST(SysLibStrings, OrdinalsOfBooleans)
{
    const char *Cases[][3] = {
        {"PascalScript", "var b: Boolean; begin b := True; Log(Ord(True)); Log(Ord(False)); Log(Ord(b)); "
                         "Log(Ord(1 > 2)); Log(Ord(Chr(True))); Log(Ord(Chr(Ord(True) + 64))); Log(Ord('T')); end.",
         "1|0|1|0|1|65|84"},
        {"C++Script",
         "bool b = true; { Log(Ord(true)); Log(Ord(false)); Log(Ord(b)); Log(Ord(1 == 2)); Log(Ord(Chr(!b))); }",
         "1|0|1|0|0"},
        {"JScript", "var b = true; Log(Ord(true)); Log(Ord(false)); Log(Ord(b)); Log(Ord(1 != 2)); Log(Ord(Chr(b)));",
         "1|0|1|1|1"},
        {"BasicScript",
         "Dim b\r\nb = False\r\nLog(Ord(True)): Log(Ord(False)): Log(Ord(b)): Log(Ord(1 < 2)): Log(Ord(Chr(True)))",
         "1|0|0|1|1"},
    };
    TSysLibHost h;
    for (const auto &c : Cases)
        EXPECT_EQ(h.Run(QString::fromLatin1(c[1]), QString::fromLatin1(c[0])).toStdString(), c[2]) << c[0];
}
