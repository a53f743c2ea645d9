// Compile errors of the builder: exact messages and positions.
#include "test_interp_support.h"

namespace {

struct TErrorCase
{
    const char *Language;
    const char *Text;
    const char *Message;
    const char *Position;
};

} // namespace

TEST(InterpErrors, MessagesAndPositions)
{
    const TErrorCase cases[] = {
        {"PascalScript", "var x: Integer;\r\nvar x: Integer;\r\nbegin end.", "Identifier redeclared: 'x'", "2:5"},
        {"PascalScript", "procedure P; begin end;\r\nvar P: Integer;\r\nbegin end.", "Identifier redeclared: 'P'", "2:5"},
        {"PascalScript", "begin\r\n  x := 5\r\nend.", "Undeclared identifier: 'x'", "2:3"},
        {"PascalScript", "var s: String;\r\nbegin\r\n  for s := 1 to 3 do ;\r\nend.",
         "For loop variable must be numeric variable", "3:3"},
        {"PascalScript", "var i: Integer;\r\nbegin\r\n  with i do i := 1;\r\nend.", "Class type required", "3:8"},
        {"PascalScript", "var a, b: Integer;\r\nbegin\r\n  if a = 1 and b = 2 then ;\r\nend.", "Incompatible types",
         "3:6"},
        {"PascalScript", "var i: Integer;\r\nbegin i := 'a' + 1 end.", "Incompatible types", "2:12"},
        {"PascalScript", "var s: String;\r\nbegin s := 'a' * 'b' end.", "Incompatible types", "2:12"},
        {"PascalScript", "var b: Boolean;\r\nbegin b := True + 1 end.", "Incompatible types", "2:12"},
        {"PascalScript", "var i: Integer;\r\nbegin i := 'a' end.", "Incompatible types: 'Integer', 'String'", "2:7"},
        {"PascalScript", "var i: Integer; f: Extended;\r\nbegin i := f end.",
         "Incompatible types: 'Integer', 'Extended'", "2:7"},
        {"PascalScript", "var i: Integer;\r\nbegin for i := 1.5 to 2 do ; end.",
         "Incompatible types: 'Integer', 'Extended'", "2:7"},
        {"PascalScript", "var x: TUnknown;\r\nbegin end.", "Unknown type: 'TUnknown'", "1:5"},
        {"PascalScript", "function F: TUnknown; begin end;\r\nbegin end.", "Unknown type: 'TUnknown'", "1:1"},
        {"PascalScript", "const C = 1;\r\nbegin C := 2 end.", "Left side cannot be assigned to", "2:7"},
        {"PascalScript", "var s: String;\r\nbegin s.Foo := 1 end.", "Strings doesn't have properties or methods",
         "2:7"},
        {"PascalScript", "var i: Integer;\r\nbegin i[1] := 1 end.", "Array type required", "2:7"},
        {"PascalScript", "var a: array[0..1] of Integer;\r\nbegin a.x := 1 end.", "Index required", "2:7"},
        {"PascalScript", "procedure P(a, b: Integer); begin end;\r\nbegin P(1) end.", "Not enough actual parameters",
         "2:7"},
        {"PascalScript", "procedure P(a: Integer; b: Integer = 2); begin end;\r\nbegin P(1, 2, 3) end.",
         "Too many actual parameters", "2:7"},
        {"PascalScript", "var i: Integer;\r\nbegin Host1[0] := 1 end.",
         "Class TScrHost does not have a default property", "2:7"},
        {"PascalScript", "begin\r\n  Host1.Nope := 1\r\nend.", "Undeclared identifier: 'Nope'", "2:3"},
        {"PascalScript", "var i: Integer;\r\nbegin Host1 := 1 end.", "Incompatible types: 'TScrHost', 'Integer'",
         "2:7"},
        {"PascalScript", "procedure P(a: Integer); begin end;\r\nvar v: Variant;\r\nbegin v := @P(1) end.",
         "Variable required", "3:12"},
        {"PascalScript", "begin\r\n  Twice(1)++\r\nend.", "';' expected", "2:11"},
        {"JScript", "Twice(1)++;", "Left side cannot be assigned to", "1:1"},
        {"JScript", "var x = 1;\r\nHost1.Nope = 2;", "Undeclared identifier: 'Nope'", "2:1"},
        {"BasicScript", "Dim x As TNoSuch\r\n", "Unknown type: 'TNoSuch'", "1:5"},
        {"C++Script", "{\r\n  int i;\r\n  i = \"a\";\r\n}", "Incompatible types: 'Integer', 'String'", "3:3"},
    };
    for (const TErrorCase &c : cases) {
        TInterpHost h;
        TScrHost host(nullptr);
        host.SetName(QStringLiteral("Host1"));
        h.S.AddClass(TScrHost::StaticClass(), QStringLiteral("TComponent"));
        h.S.AddObject(QStringLiteral("Host1"), &host);
        SCOPED_TRACE(c.Text);
        EXPECT_FALSE(h.Compile(QString::fromLatin1(c.Language), QString::fromLatin1(c.Text)));
        EXPECT_EQ(h.S.ErrorMessage(), QString::fromLatin1(c.Message));
        EXPECT_EQ(h.S.ErrorPosition(), QString::fromLatin1(c.Position));
        EXPECT_EQ(h.S.ErrorUnit(), QString());
    }
}

TEST(InterpErrors, UndeclaredNamesAreVariablesWithoutDeclarations)
{
    TInterpHost h;
    EXPECT_EQ(h.Run(QStringLiteral("BasicScript"), QStringLiteral("x = 5\r\nLog(x + 1)\r\n")), QStringLiteral("6"));
    TkwCustomVariable *x = h.S.FindLocal(QStringLiteral("x"));
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x->Typ(), fvtVariant);
    TInterpHost p;
    EXPECT_FALSE(p.Compile(QStringLiteral("PascalScript"), QStringLiteral("begin x := 5 end.")));
    EXPECT_EQ(p.S.ErrorMessage(), QStringLiteral("Undeclared identifier: 'x'"));
}

namespace {

class TUnitHost : public TObject
{
public:
    void GetUnit(TkwScript *, const QString &UnitName, QString &UnitText) { UnitText = Units.value(UnitName); }
    QMap<QString, QString> Units;
};

} // namespace

TEST(InterpErrors, ErrorInAUsedUnitNamesTheUnit)
{
    TInterpHost h;
    TUnitHost units;
    units.Units[QStringLiteral("good.pas")] =
        QStringLiteral("var Shared: Integer;\r\nprocedure Bump;\r\nbegin\r\n  Shared := Shared + 2;\r\nend;\r\nbegin end.");
    units.Units[QStringLiteral("bad.pas")] = QStringLiteral("begin\r\n  Missing := 1;\r\nend.");
    h.S.SetOnGetUnit(TkwGetUnitEvent(&units, &TUnitHost::GetUnit));
    EXPECT_EQ(h.Run(QStringLiteral("PascalScript"),
                    QStringLiteral("uses 'good.pas';\r\nbegin\r\n  Bump; Bump; Log(Shared);\r\nend.")),
              QStringLiteral("4"));

    TInterpHost b;
    b.S.SetOnGetUnit(TkwGetUnitEvent(&units, &TUnitHost::GetUnit));
    EXPECT_FALSE(b.Compile(QStringLiteral("PascalScript"), QStringLiteral("uses 'bad.pas';\r\nbegin\r\nend.")));
    EXPECT_EQ(b.S.ErrorMessage(), QStringLiteral("Undeclared identifier: 'Missing'"));
    EXPECT_EQ(b.S.ErrorPosition(), QStringLiteral("2:3"));
    EXPECT_EQ(b.S.ErrorUnit(), QStringLiteral("bad.pas"));
}

TEST(InterpErrors, UnknownLanguageRaises)
{
    TInterpHost h;
    h.S.SetSyntaxType(QStringLiteral("NoSuchScript"));
    h.S.Lines()->SetText(QStringLiteral("begin end."));
    try {
        h.S.Compile();
        FAIL() << "no exception";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Language 'NoSuchScript' not found"));
    }
}

TEST(InterpErrors, SuccessfulCompileClearsTheError)
{
    TInterpHost h;
    EXPECT_FALSE(h.Compile(QStringLiteral("PascalScript"), QStringLiteral("begin x := 1 end.")));
    h.S.Clear();
    AddBaseTypes(h.S);
    EXPECT_TRUE(h.Compile(QStringLiteral("PascalScript"), QStringLiteral("var x: Integer;\r\nbegin x := 1 end.")));
    EXPECT_EQ(h.S.ErrorMessage(), QString());
    EXPECT_EQ(h.S.ErrorPosition(), QString());
}

TEST(InterpErrors, CompileKeepsEarlierDeclarationsAndRunsRepeat)
{
    TInterpHost h;
    const QString text = QStringLiteral("var n: Integer;\r\nbegin\r\n  n := n + 1;\r\nend.");
    ASSERT_TRUE(h.Compile(QStringLiteral("PascalScript"), text));
    h.S.Execute();
    h.S.Execute();
    // Variables keep their values between runs.
    EXPECT_EQ(h.Value(QStringLiteral("n")).AsInteger(), 2);
    // The host clears before compiling again; without that the names clash.
    EXPECT_FALSE(h.Compile(QStringLiteral("PascalScript"), text));
    EXPECT_EQ(h.S.ErrorMessage(), QStringLiteral("Identifier redeclared: 'n'"));
    EXPECT_EQ(h.S.ErrorPosition(), QStringLiteral("1:5"));
}
