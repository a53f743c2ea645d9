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
    TInterpHost h;
    TLineWatch w;
    h.S.SetOnRunLine(TkwRunLineEvent(&w, &TLineWatch::RunLine));
    EXPECT_EQ(h.Run(QStringLiteral("PascalScript"), QStringLiteral(
        "var i: Integer;\r\n"
        "begin\r\n"
        "  i := 1;\r\n"
        "\r\n"
        "  if i = 1 then\r\n"
        "    Log(i);\r\n"
        "end.")), QStringLiteral("1"));
    EXPECT_EQ(w.Positions.join(QLatin1Char(' ')), QStringLiteral("3:3 5:3 6:5"));
    EXPECT_EQ(h.S.CodeLines(), (QList<int>{3, 5, 6}));
    h.S.Clear();
    EXPECT_TRUE(h.S.CodeLines().isEmpty());
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
