// Scripts working with host objects, events, the run-line hook, Terminate
// and calls from the host.
#include "test_interp_support.h"

namespace {

// Registers TObject (with Free) and TScrHost with a constructor, a method and
// the OnClick event; objects made by scripts are counted.
class THostFixture : public TInterpHost
{
public:
    THostFixture() : Host(nullptr)
    {
        Host.SetName(QStringLiteral("Host1"));
        Host.SetTitle(QStringLiteral("first"));
        TkwClassVariable *obj = S.AddClass(TObject::StaticClass(), QString());
        obj->AddMethod(QStringLiteral("procedure Free"), TkwCallMethodNewEvent(this, &THostFixture::CallHost));
        TkwClassVariable *c = S.AddClass(TScrHost::StaticClass(), QStringLiteral("TObject"));
        c->AddConstructor(QStringLiteral("constructor Create(AOwner: Variant)"),
                          TkwCallMethodNewEvent(this, &THostFixture::CallHost));
        c->AddMethod(QStringLiteral("function Shout(S: String; N: Integer = 1): String"),
                     TkwCallMethodNewEvent(this, &THostFixture::CallHost));
        c->AddEvent(QStringLiteral("OnClick"), kwEventClassOf<TScrNotifyAdapter>());
        S.AddObject(QStringLiteral("Host1"), &Host);
    }

    Variant CallHost(TObject *Instance, TClass, const QString &Name, TkwMethodHelper *Caller)
    {
        if (Name == QLatin1String("CREATE")) {
            ++Created;
            return kwObjectToVar(new TScrHost(nullptr));
        }
        if (Name == QLatin1String("FREE")) {
            ++Freed;
            delete Instance;
            return Variant();
        }
        if (Name == QLatin1String("SHOUT")) {
            QString r;
            for (int i = 0; i < Caller->GetParam(1).AsInteger(); ++i)
                r += Caller->GetParam(0).AsString().toUpper();
            return Variant(r + static_cast<TScrHost *>(Instance)->Title());
        }
        return Variant();
    }

    TScrHost Host;
    int Created = 0;
    int Freed = 0;
};

} // namespace

TEST(InterpHost, PropertiesMethodsAndWith)
{
    THostFixture h;
    EXPECT_EQ(h.Run(QStringLiteral("PascalScript"), QStringLiteral(
        "var n: Integer;\r\n"
        "begin\r\n"
        "  Log(Host1.Title);\r\n"
        "  Host1.Size := 41; Host1.Size := Host1.Size + 1;\r\n"
        "  Log(Host1.Shout('a')); Log(Host1.Shout('b', 2));\r\n"
        "  with Host1 do\r\n"
        "  begin\r\n"
        "    Title := 'second'; n := Size;\r\n"
        "  end;\r\n"
        "  Log(n); Log(Host1.Visible); Host1.Visible := False;\r\n"
        "end.")), QStringLiteral("first|Afirst|BBfirst|42|True"));
    EXPECT_EQ(h.Host.Size(), 42);
    EXPECT_EQ(h.Host.Title(), QStringLiteral("second"));
    EXPECT_FALSE(h.Host.Visible());
}

TEST(InterpHost, ConstructorsAndFree)
{
    THostFixture h;
    EXPECT_EQ(h.Run(QStringLiteral("PascalScript"), QStringLiteral(
        "var o: TScrHost;\r\n"
        "begin\r\n"
        "  o := TScrHost.Create(nil);\r\n"
        "  o.Title := 'made'; Log(o.Title);\r\n"
        "  if o is TScrHost then Log('is');\r\n"
        "  o.Free;\r\n"
        "end.")), QStringLiteral("made|is"));
    EXPECT_EQ(h.Created, 1);
    EXPECT_EQ(h.Freed, 1);

    THostFixture j;
    EXPECT_EQ(j.Run(QStringLiteral("JScript"), QStringLiteral(
        "var o = new TScrHost(nil);\r\n"
        "o.Title = \"js\";\r\n"
        "Log(o.Title);\r\n"
        "Log(o.Shout(\"x\", 3));\r\n"
        "delete o;\r\n")), QStringLiteral("js|XXXjs"));
    EXPECT_EQ(j.Created, 1);
    EXPECT_EQ(j.Freed, 1);
}

TEST(InterpHost, LateBoundMemberOfANonObjectFailsAtRunTime)
{
    THostFixture h;
    ASSERT_TRUE(h.Compile(QStringLiteral("JScript"), QStringLiteral("var x = 1;\r\nx.Foo = 2;\r\n")));
    try {
        h.S.Execute();
        FAIL() << "no exception";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Undeclared identifier: 'Foo'"));
    }
}

TEST(InterpHost, EventsCallScriptProcedures)
{
    THostFixture h;
    EXPECT_EQ(h.Run(QStringLiteral("PascalScript"), QStringLiteral(
        "var Clicks: Integer;\r\n"
        "procedure Clicked(Sender: Variant);\r\n"
        "begin\r\n"
        "  Clicks := Clicks + 1;\r\n"
        "  if Sender is TScrHost then Log('click ' + Sender.Title);\r\n"
        "end;\r\n"
        "begin\r\n"
        "  Host1.OnClick := @Clicked;\r\n"
        "end.")), QString());
    h.Host.Click();
    h.Host.Click();
    EXPECT_EQ(h.Value(QStringLiteral("Clicks")).AsInteger(), 2);
    EXPECT_EQ(h.Out.join(QLatin1Char('|')), QStringLiteral("click first|click first"));

    THostFixture b;
    EXPECT_EQ(b.Run(QStringLiteral("BasicScript"), QStringLiteral(
        "Sub Clicked(Sender)\r\n"
        "  Log(\"basic \" & Sender.Title)\r\n"
        "End Sub\r\n"
        "Host1.OnClick = \"Clicked\"\r\n")), QString());
    b.Host.Click();
    EXPECT_EQ(b.Out.join(QLatin1Char('|')), QStringLiteral("basic first"));

    THostFixture bad;
    ASSERT_TRUE(bad.Compile(QStringLiteral("PascalScript"), QStringLiteral("begin Host1.OnClick := 'Nope' end.")));
    try {
        bad.S.Execute();
        FAIL() << "no exception";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Event handler must be a procedure"));
    }
}

namespace {

class TLineWatch : public TObject
{
public:
    void RunLine(TkwScript *Sender, const QString &UnitName, const QString &SourcePos)
    {
        Positions << UnitName + SourcePos;
        if (Script && Script->Find(QStringLiteral("i"))->GetValue().AsInteger() >= StopAt)
            Script->Terminate();
        (void)Sender;
    }
    QStringList Positions;
    TkwScript *Script = nullptr;
    int StopAt = 1 << 30;
};

} // namespace

TEST(InterpHost, RunLineAndCodeLines)
{
    // Each statement announces its line; a return twice (storing the value
    // and leaving).
    const struct
    {
        const char *Language, *Text, *Positions;
        QList<int> Lines;
    } cases[] = {
        {"PascalScript",
         "var i: Integer;\r\n"
         "begin\r\n"
         "  i := 1;\r\n"
         "\r\n"
         "  if i = 1 then\r\n"
         "    Log(i);\r\n"
         "end.",
         "3:3 5:3 6:5", {3, 5, 6}},
        {"JScript",
         "function F(n) {\r\n"
         "  if (n < 1)\r\n"
         "    return 0;\r\n"
         "  return n + F(n - 1);\r\n"
         "}\r\n"
         "Log(F(1));\r\n",
         "6:1 2:3 4:3 2:3 3:5 3:5 4:3", {2, 3, 4, 6}},
    };
    for (const auto &c : cases) {
        TInterpHost h;
        TLineWatch w;
        h.S.SetOnRunLine(TkwRunLineEvent(&w, &TLineWatch::RunLine));
        EXPECT_EQ(h.Run(QString::fromLatin1(c.Language), QString::fromLatin1(c.Text)), QStringLiteral("1"));
        EXPECT_EQ(w.Positions.join(QLatin1Char(' ')), QString::fromLatin1(c.Positions)) << c.Language;
        EXPECT_EQ(h.S.CodeLines(), c.Lines) << c.Language;
        h.S.Clear();
        EXPECT_TRUE(h.S.CodeLines().isEmpty());
    }
}

TEST(InterpHost, TerminateFromRunLineStopsLoopsAndRoutines)
{
    TInterpHost h;
    TLineWatch w;
    w.Script = &h.S;
    w.StopAt = 5;
    h.S.SetOnRunLine(TkwRunLineEvent(&w, &TLineWatch::RunLine));
    EXPECT_EQ(h.Run(QStringLiteral("PascalScript"), QStringLiteral(
        "var i: Integer;\r\n"
        "procedure Step;\r\n"
        "begin\r\n"
        "  i := i + 1;\r\n"
        "  Log(i);\r\n"
        "end;\r\n"
        "begin\r\n"
        "  while True do Step;\r\n"
        "  Log('not reached');\r\n"
        "end.")), QStringLiteral("1|2|3|4"));
    EXPECT_EQ(h.Value(QStringLiteral("i")).AsInteger(), 5);
    EXPECT_FALSE(h.S.Terminated());
    EXPECT_FALSE(h.S.IsRunning());
}

TEST(InterpHost, RecursionKeepsLocalsAndHostCalls)
{
    TInterpHost h;
    ASSERT_TRUE(h.Compile(QStringLiteral("PascalScript"), QStringLiteral(
        "function Sum(n: Integer): Integer;\r\n"
        "var local: Integer;\r\n"
        "begin\r\n"
        "  local := n;\r\n"
        "  if n > 0 then Result := Sum(n - 1) + local else Result := 0;\r\n"
        "end;\r\n"
        "procedure AddTo(var x: Integer; y: Integer);\r\n"
        "begin\r\n"
        "  x := x + y;\r\n"
        "end;\r\n"
        "begin\r\n"
        "end.")));
    h.S.Execute();
    EXPECT_EQ(h.S.CallFunction(QStringLiteral("Sum"), VarArrayOf({Variant(4)})).AsInteger(), 10);
    Variant args = VarArrayOf({Variant(5), Variant(3)});
    h.S.CallFunctionByRef(QStringLiteral("AddTo"), args);
    EXPECT_EQ(VarArrayGet(args, {0}).AsInteger(), 8);
    EXPECT_TRUE(VarIsNull(h.S.CallFunction(QStringLiteral("NoSuch"), Variant())));
}

namespace {

class TMacroHost : public TObject
{
public:
    Variant Call(TObject *, TClass, const QString &, TkwMethodHelper *Caller) { return Caller->GetParam(0); }
    void GetUnit(TkwScript *, const QString &, QString &UnitText) { UnitText = Text; }
    void GetILUnit(TkwScript *, const QString &, QString &UnitText) { UnitText = Tree; }
    QString Text;
    QString Tree;
};

} // namespace

TEST(InterpHost, MacroRoutinesReceiveTheSourceText)
{
    TInterpHost h;
    TMacroHost m;
    h.S.AddMethod(QStringLiteral("macrofunction Quote(X: Variant): String"), TkwCallMethodNewEvent(&m, &TMacroHost::Call));
    EXPECT_EQ(h.Run(QStringLiteral("PascalScript"), QStringLiteral(
        "var a: Integer;\r\n"
        "begin\r\n"
        "  Log(Quote(a + 1));\r\n"
        "  Log(Quote( 'x' ));\r\n"
        "end.")), QStringLiteral("a + 1|'x'"));
}

TEST(InterpHost, SetsHeldInVariables)
{
    TInterpHost h;
    EXPECT_EQ(h.Run(QStringLiteral("PascalScript"), QStringLiteral(
        "var st: Variant; i: Integer; s: String;\r\n"
        "begin\r\n"
        "  st := [1, 3..5, 9];\r\n"
        "  for i := 0 to 10 do if i in st then s := s + 'x' else s := s + '.';\r\n"
        "  Log(s);\r\n"
        "end.")), QStringLiteral(".x.xxx...x."));
}

TEST(InterpHost, UnitTreeFromTheHostReplacesTheUnit)
{
    TInterpHost h;
    TMacroHost m;
    m.Text = QStringLiteral("procedure Hello;\r\nbegin\r\n  Log('text');\r\nend;\r\nbegin end.");
    {
        TInterpHost unitHost;
        TkwILParser p(&unitHost.S);
        p.SelectLanguage(QStringLiteral("PascalScript"));
        ASSERT_TRUE(p.ParseSource(QStringLiteral("procedure Hello;\r\nbegin\r\n  Log('tree');\r\nend;\r\nbegin end.")));
        m.Tree = p.ProgramDocument()->SaveToString();
    }
    h.S.SetOnGetUnit(TkwGetUnitEvent(&m, &TMacroHost::GetUnit));
    EXPECT_EQ(h.Run(QStringLiteral("PascalScript"), QStringLiteral("uses 'u.pas';\r\nbegin Hello end.")),
              QStringLiteral("text"));
    TInterpHost t;
    t.S.SetOnGetUnit(TkwGetUnitEvent(&m, &TMacroHost::GetUnit));
    t.S.SetOnGetILUnit(TkwGetUnitEvent(&m, &TMacroHost::GetILUnit));
    EXPECT_EQ(t.Run(QStringLiteral("PascalScript"), QStringLiteral("uses 'u.pas';\r\nbegin Hello end.")),
              QStringLiteral("tree"));
}

TEST(InterpHost, WithInBasicAndJScript)
{
    THostFixture b;
    EXPECT_EQ(b.Run(QStringLiteral("BasicScript"), QStringLiteral(
        "With Host1\r\n"
        "  Title = \"b\"\r\n"
        "  Size = 3\r\n"
        "End With\r\n"
        "t = Host1.Title\r\n"
        "Log(t & Host1.Size)\r\n")), QStringLiteral("b3"));
    // "&" follows the rules of "+": a typed String does not take an Integer.
    THostFixture e;
    EXPECT_FALSE(e.Compile(QStringLiteral("BasicScript"), QStringLiteral("Log(Host1.Title & Host1.Size)\r\n")));
    EXPECT_EQ(e.S.ErrorMessage(), QStringLiteral("Incompatible types"));
    THostFixture j;
    EXPECT_EQ(j.Run(QStringLiteral("JScript"), QStringLiteral(
        "with (Host1) { Title = \"j\"; Size = 4; }\r\n"
        "Log(Host1.Size);\r\n")), QStringLiteral("4"));
    EXPECT_EQ(j.Host.Title(), QStringLiteral("j"));
}

TEST(InterpHost, NumericLoopVariables)
{
    TInterpHost h;
    EXPECT_EQ(h.Run(QStringLiteral("BasicScript"), QStringLiteral(
        "Dim f As Double\r\n"
        "For f = 0 To 1 Step 0.25\r\n"
        "  Log(f)\r\n"
        "Next\r\n")), QStringLiteral("0|0.25|0.5|0.75|1"));
    TInterpHost p;
    EXPECT_EQ(p.Run(QStringLiteral("PascalScript"), QStringLiteral(
        "var f: Extended; v: Variant;\r\n"
        "begin\r\n"
        "  for f := 1 to 2 do Log(f);\r\n"
        "  for v := 3 downto 2 do Log(v);\r\n"
        "end.")), QStringLiteral("1|2|3|2"));
}

namespace {

class TProvider : public TObject
{
public:
    Variant Get(const QString &VarName, TkwVarType, const Variant &)
    {
        return VarName.compare(QLatin1String("Provided"), Qt::CaseInsensitive) == 0 ? Variant(100) : Null();
    }
};

} // namespace

TEST(InterpHost, DeclaredVariablesAskTheValueProvider)
{
    TInterpHost h;
    TProvider p;
    h.S.SetOnGetVarValue(TkwGetVariableValueEvent(&p, &TProvider::Get));
    EXPECT_EQ(h.Run(QStringLiteral("PascalScript"), QStringLiteral(
        "var Provided, Other: Integer; Text: String;\r\n"
        "begin\r\n"
        "  Other := 5; Provided := 7; Text := 'abc';\r\n"
        "  Log(Provided); Log(Other); Log(Text);\r\n"
        "end.")), QStringLiteral("100|5|abc"));
}

TEST(InterpHost, UnresolvedMembersWaitForTheRunWhenAllowed)
{
    const QString text = QStringLiteral(
        "procedure P;\r\n"
        "begin\r\n"
        "  Host1.Later := 5;\r\n"
        "end;\r\n"
        "begin\r\n"
        "  P; Log(Host1.Later);\r\n"
        "end.");
    THostFixture strict;
    EXPECT_FALSE(strict.Compile(QStringLiteral("PascalScript"), text));
    EXPECT_EQ(strict.S.ErrorMessage(), QStringLiteral("Undeclared identifier: 'Later'"));

    THostFixture h;
    h.S.SetKeepUnresolved(true);
    ASSERT_TRUE(h.Compile(QStringLiteral("PascalScript"), text)) << h.Error.toStdString();
    // The member appears after compiling, before the run.
    TScrHandler handler;
    handler.Result = Variant(42);
    h.S.FindClass(QStringLiteral("TScrHost"))
        ->AddProperty(QStringLiteral("Later"), QStringLiteral("Integer"), handler.GetEvent(), handler.SetEvent());
    h.Out.clear();
    h.S.Execute();
    EXPECT_EQ(h.Out.join(QLatin1Char('|')), QStringLiteral("42"));
    EXPECT_EQ(handler.Stored.AsInteger(), 5);
    EXPECT_EQ(handler.LastInstance, &h.Host);

    THostFixture never;
    never.S.SetKeepUnresolved(true);
    ASSERT_TRUE(never.Compile(QStringLiteral("PascalScript"), text));
    try {
        never.S.Execute();
        FAIL() << "no exception";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Undeclared identifier: 'Later'"));
    }
}
