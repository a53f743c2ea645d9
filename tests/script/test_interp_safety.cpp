// Hostile and unusual scripts in every syntax: objects freed under a script,
// flags of break/continue/exit/terminate across try-finally and routines,
// event handlers, operand order and the rarer statement forms.
#include "Graphics.h"
#include "StdCtrls.h"
#include "kw_iclassesrtti.h"
#include "kw_ievents.h"
#include "kw_igraphicsrtti.h"
#include "test_rtti_units_support.h"

namespace {

struct TSafetyHost : TRttiHost
{
    TSafetyHost()
    {
        AddModule<kw_iclassesrtti::TFunctions>();
        AddModule<kw_igraphicsrtti::TFunctions>();
        const TkwCallMethodNewEvent call(this, &TSafetyHost::Host);
        S.AddMethod(QStringLiteral("procedure Stop"), call);
        S.AddMethod(QStringLiteral("procedure Fire"), call);
        S.AddMethod(QStringLiteral("function Tick: Integer"), call);
        S.AddMethod(QStringLiteral("function Pair(A, B: Integer): Integer"), call);
        S.AddMethod(QStringLiteral("macrofunction Quote(X: Variant): String"), call);
        S.SetOnGetUnit(TkwGetUnitEvent(this, &TSafetyHost::GetUnit));
    }

    void GetUnit(TkwScript *, const QString &, QString &Text) { Text = UnitText; }

    Variant Host(TObject *, TClass, const QString &Name, TkwMethodHelper *Caller)
    {
        if (Name == QLatin1String("STOP"))
            S.Terminate();
        else if (Name == QLatin1String("FIRE") && Event)
            TNotifyEvent(Event->GetMethod())(&Sender);
        else if (Name == QLatin1String("TICK"))
            return Variant(++Counter);
        else if (Name == QLatin1String("PAIR"))
            return Variant(Caller->GetParam(0).AsInteger() * 10 + Caller->GetParam(1).AsInteger());
        else if (Name == QLatin1String("QUOTE"))
            return Caller->GetParam(0);
        return Variant();
    }

    // Compiles and runs Text, then installs its procedure Handler as the
    // click event of Sender and fires it once.
    QString Click(const QString &Language, const QString &Text)
    {
        QString r = Try(Language, Text);
        if (r.startsWith(QLatin1String("compile error")))
            return r;
        auto *proc = dynamic_cast<TkwProcVariable *>(S.Find(QStringLiteral("Handler")));
        if (!proc)
            return QStringLiteral("no handler");
        TkwNotifyEvent e(&Sender, proc);
        Event = &e;
        Out.clear();
        try {
            TNotifyEvent(e.GetMethod())(&Sender);
        } catch (const Exception &ex) {
            Out << QStringLiteral("!") + QString::fromLatin1(ex.ClassName()) + QStringLiteral(": ") + ex.Message();
        }
        Event = nullptr;
        return Out.join(QLatin1Char('|'));
    }

    TComponent Sender{nullptr};
    TkwCustomEvent *Event = nullptr;
    int Counter = 0;
    QString UnitText;

    // Runs Text; the lines logged, then "!" and the class and message of an
    // exception that left the script.
    QString Try(const QString &Language, const QString &Text)
    {
        Out.clear();
        if (!Compile(Language, Text))
            return QStringLiteral("compile error: ") + Error;
        try {
            S.Execute();
        } catch (const Exception &e) {
            Out << QStringLiteral("!") + QString::fromLatin1(e.ClassName()) + QStringLiteral(": ") + e.Message();
        }
        return Out.join(QLatin1Char('|'));
    }
};

const QString Pas = QStringLiteral("PascalScript");
const QString Cpp = QStringLiteral("C++Script");
const QString Js = QStringLiteral("JScript");
const QString Bas = QStringLiteral("BasicScript");

struct TCase
{
    const QString &Language;
    const char *Text;
    const char *Expected;
};

void RunCases(const std::vector<TCase> &Cases)
{
    for (const TCase &c : Cases) {
        TSafetyHost h;
        EXPECT_EQ(h.Try(c.Language, QString::fromUtf8(c.Text)), QString::fromUtf8(c.Expected))
            << c.Language.toStdString() << ": " << c.Text;
    }
}

} // namespace

TEST(InterpSafety, ObjectsReachedThroughAFreedObjectRaise)
{
    const char *invalid = "!EInvalidPointer: Invalid object reference";
    RunCases({
        {Pas, "var D, R: Variant; begin D := TkwXMLDocument.Create; R := D.Root; D.Free; R.Name := 'x'; end.",
         invalid},
        {Pas, "var X, C: Variant; begin X := TkwXMLItem.Create; C := X.Add; X.Free; C.Name := 'y'; end.", invalid},
        {Pas, "var B, C: Variant; begin B := TBitmap.Create; C := B.Canvas; B.Free; C.MoveTo(1, 1); end.", invalid},
        {Pas,
         "var L, S, o: Variant; begin L := TList.Create; S := TStringList.Create; L.Add(S); S.Free;"
         " o := L.Items(0); end.",
         invalid},
        {Pas,
         "var L, S, o: Variant; begin L := TStringList.Create; S := TStringList.Create; L.AddObject('a', S);"
         " S.Free; o := L.Objects(0); end.",
         invalid},
        // Children cleared or reloaded by their owner go with them.
        {Pas, "var X, C: Variant; begin X := TkwXMLItem.Create; C := X.Add; X.Clear; C.Name := 'y'; end.", invalid},
        // An owned object is not the script's to free; an item leaves its parent.
        {Pas, "var D, R: Variant; begin D := TkwXMLDocument.Create; R := D.Root; R.Free; end.",
         "!EInvalidOperation: Cannot free an object owned by another object"},
        {Pas, "var B: Variant; begin B := TBitmap.Create; B.Canvas.Free; end.",
         "!EInvalidOperation: Cannot free an object owned by another object"},
        {Pas, "var X, C: Variant; begin X := TkwXMLItem.Create; C := X.Add; C.Free; Log(X.Count); X.Free; end.",
         "0"},
        {Cpp, "Variant D, R; { D = TkwXMLDocument.Create; R = D.Root; D.Free; R.Name = \"x\"; }", invalid},
        {Js, "X = TkwXMLItem.Create; C = X.Add; X.Free; C.Name = \"y\";", invalid},
        {Bas, "B = TBitmap.Create\r\nC = B.Canvas\r\nB.Free\r\nC.MoveTo(1, 1)\r\n", invalid},
        {Bas, "L = TList.Create\r\nS = TStringList.Create\r\nL.Add(S)\r\nS.Free\r\no = L.Items(0)\r\n", invalid},
    });
}

// A reference kept past its object (in a variable, a list's Objects or
// Items, a list box's or combo box's Objects) never reaches the new object
// made at the same address; a copy of the list keeps nil in its place.
TEST(InterpSafety, KeptReferencesMissANewObjectAtTheSameAddress)
{
    const char *invalid = "!EInvalidPointer: Invalid object reference";
    const struct
    {
        // M: the reference kept; L, T, B, C: a string list, a list, a list box's and a combo box's items
        // holding it first; K: an empty string list; N: the new object
        const char *Script;
        const char *Expected;
    } cases[] = {
        {"begin M.Add('x'); end.", invalid},
        {"var o: Variant; begin o := L.Objects(0); o.Add('x'); end.", invalid},
        {"var o: Variant; begin o := L.Objects(0); end.", invalid},
        {"begin Log(M = N); Log(N = N); end.", "False|True"},
        {"var o: Variant; begin o := T.Items(0); end.", invalid},
        {"var o: Variant; begin o := B.Objects(0); end.", invalid},
        {"var o: Variant; begin o := C.Objects(0); end.", invalid},
        {"begin K.Assign(B); Log(K.Objects(0) = N); Log(K.Objects(1) = N); end.", "False|True"},
    };
    for (const auto &c : cases) {
        alignas(TStringList) unsigned char place[sizeof(TStringList)];
        auto *first = new (place) TStringList;
        TStringList list, copy;
        TList items;
        TListBox box(nullptr);
        TComboBox combo(nullptr);
        list.AddObject(QStringLiteral("a"), first);
        items.Add(first);
        box.Items()->AddObject(QStringLiteral("a"), first);
        combo.Items()->AddObject(QStringLiteral("a"), first);
        TSafetyHost h;
        h.S.AddVariable(QStringLiteral("M"), QStringLiteral("Variant"), kwObjectToVar(first));
        h.S.AddVariable(QStringLiteral("L"), QStringLiteral("Variant"), kwObjectToVar(&list));
        h.S.AddVariable(QStringLiteral("T"), QStringLiteral("Variant"), kwObjectToVar(&items));
        h.S.AddVariable(QStringLiteral("B"), QStringLiteral("Variant"), kwObjectToVar(box.Items()));
        h.S.AddVariable(QStringLiteral("C"), QStringLiteral("Variant"), kwObjectToVar(combo.Items()));
        h.S.AddVariable(QStringLiteral("K"), QStringLiteral("Variant"), kwObjectToVar(&copy));
        first->~TStringList();
        auto *second = new (place) TStringList;
        ASSERT_EQ(static_cast<void *>(second), static_cast<void *>(first));
        box.Items()->AddObject(QStringLiteral("b"), second);
        h.S.AddVariable(QStringLiteral("N"), QStringLiteral("Variant"), kwObjectToVar(second));
        EXPECT_EQ(h.Try(Pas, QString::fromUtf8(c.Script)), QString::fromUtf8(c.Expected)) << c.Script;
        EXPECT_EQ(second->Count(), 0) << c.Script;
        second->~TStringList();
    }
}

TEST(InterpSafety, BreakAndContinueInsideTryFinallyRunTheWholeFinallyPart)
{
    RunCases({
        {Pas,
         "var i: Integer; begin for i := 1 to 3 do try if i = 2 then continue; if i = 3 then break; Log(i);"
         " finally Log('f'); Log(i); Log('g'); end; Log('end'); end.",
         "1|f|1|g|f|2|g|f|3|g|end"},
        {Cpp,
         "int i; { for (i = 1; i <= 3; i++) try { if (i == 2) continue; if (i == 3) break; Log(i); }"
         " finally { Log(\"f\"); Log(i); Log(\"g\"); } Log(\"end\"); }",
         "1|f|1|g|f|2|g|f|3|g|end"},
        {Js,
         "for (i = 1; i <= 3; i++) try { if (i == 2) continue; if (i == 3) break; Log(i); }"
         " finally { Log(\"f\"); Log(i); Log(\"g\"); }\r\nLog(\"end\");",
         "1|f|1|g|f|2|g|f|3|g|end"},
        {Bas,
         "For i = 1 To 3\r\nTry\r\nIf i = 2 Then Continue\r\nIf i = 3 Then Break\r\nLog(i)\r\n"
         "Finally\r\nLog(\"f\")\r\nLog(i)\r\nLog(\"g\")\r\nEnd Try\r\nNext\r\nLog(\"end\")\r\n",
         "1|f|1|g|f|2|g|f|3|g|end"},
    });
}

TEST(InterpSafety, TerminateUnwindsThroughFinallyParts)
{
    RunCases({
        {Pas,
         "procedure P; begin try Stop; Log('never'); finally Log('p1'); Log('p2'); end; end;"
         " begin try P; Log('never'); finally Log('m1'); Log('m2'); end; Log('never'); end.",
         "p1|p2|m1|m2"},
        // A second Terminate inside a finally part stops that part too.
        {Pas, "begin try Stop; finally Log('f1'); Stop; Log('never'); end; Log('never'); end.", "f1"},
        {Cpp, "{ try { Stop; Log(\"never\"); } finally { Log(\"f1\"); Log(\"f2\"); } Log(\"never\"); }",
         "f1|f2"},
        {Js, "try { Stop; Log(\"never\"); } finally { Log(\"f1\"); Log(\"f2\"); }\r\nLog(\"never\");", "f1|f2"},
        {Bas, "Try\r\nStop\r\nLog(\"never\")\r\nFinally\r\nLog(\"f1\")\r\nLog(\"f2\")\r\nEnd Try\r\nLog(\"never\")\r\n",
         "f1|f2"},
    });
}

TEST(InterpSafety, BreakOutsideALoopDoesNotStopLaterCalls)
{
    RunCases({
        {Pas, "procedure P; begin Log('a'); Log('b'); break; end; procedure Q; begin continue; end;"
              " begin P; P; Q; P; end.", "a|b|a|b|a|b"},
        {Cpp, "void P() { Log(\"a\"); Log(\"b\"); break; } { P(); P(); }", "a|b|a|b"},
        {Js, "function P() { Log(\"a\"); Log(\"b\"); break; }\r\nP(); P();", "a|b|a|b"},
        {Bas, "Sub P\r\nLog(\"a\")\r\nLog(\"b\")\r\nBreak\r\nEnd Sub\r\nP\r\nP\r\n", "a|b|a|b"},
    });
}

TEST(InterpSafety, EventHandlersKeepTheirLocalsAndTheRecursionGuard)
{
    const char *kept = "3|2|1";
    const std::vector<TCase> reentered = {
        {Pas, "var depth: Integer; procedure Handler(Sender: Variant); var mine: Integer;"
              " begin depth := depth + 1; mine := depth; if depth < 3 then Fire; Log(mine); end; begin end.", kept},
        {Cpp, "int depth; void Handler(Variant Sender) { int mine; depth++; mine = depth; if (depth < 3) Fire; Log(mine); }"
              " { }", kept},
        {Js, "var depth = 0;\r\nfunction Handler(Sender) { var mine; depth++; mine = depth; if (depth < 3) Fire;"
             " Log(mine); }", kept},
        {Bas, "Dim depth\r\ndepth = 0\r\nSub Handler(Sender)\r\nDim mine\r\ndepth = depth + 1\r\nmine = depth\r\n"
              "If depth < 3 Then Fire\r\nLog(mine)\r\nEnd Sub\r\n", kept},
    };
    for (const TCase &c : reentered) {
        TSafetyHost h;
        EXPECT_EQ(h.Click(c.Language, QString::fromUtf8(c.Text)), QString::fromUtf8(c.Expected)) << c.Text;
    }
    TSafetyHost h;
    EXPECT_EQ(h.Click(Pas, QStringLiteral("procedure Handler(Sender: Variant); begin Fire; end; begin end.")),
              QStringLiteral("!EStackOverflow: Stack overflow"));
}

TEST(InterpSafety, BasicSetStatementAssigns)
{
    RunCases({
        {Bas, "Set L = TStringList.Create\r\nL.Add(\"a\")\r\nSet M = L\r\nLog(M.Count)\r\nSet n = 5\r\nLog(n)\r\nL.Free\r\n",
         "1|5"},
    });
}

TEST(InterpSafety, VarParametersOfMembersReachedThroughVariants)
{
    RunCases({
        {Pas,
         "var L: TStringList; v: Variant; idx: Integer; begin L := TStringList.Create; L.Sorted := True;"
         " L.Add('a'); L.Add('c'); v := L; idx := -1; if v.Find('c', idx) then Log(idx);"
         " v.Find('b', idx); Log(idx); L.Free; end.",
         "1|1"},
        {Cpp,
         "Variant v; int idx; { v = TStringList.Create; v.Sorted = true; v.Add(\"a\"); v.Add(\"c\");"
         " if (v.Find(\"c\", idx)) Log(idx); v.Free; }",
         "1"},
        {Js, "v = TStringList.Create; v.Sorted = true; v.Add(\"a\"); v.Add(\"c\"); idx = -1;"
             " if (v.Find(\"c\", idx)) Log(idx); v.Free;", "1"},
        {Bas, "v = TStringList.Create\r\nv.Sorted = True\r\nv.Add(\"a\")\r\nv.Add(\"c\")\r\nidx = -1\r\n"
              "If v.Find(\"c\", idx) Then Log(idx)\r\nv.Free\r\n", "1"},
    });
}

TEST(InterpSafety, MacroArgumentsInUsedUnitsCarryTheirText)
{
    const struct
    {
        const QString &Language;
        const char *Unit;
        const char *Main;
    } cases[] = {
        {Pas, "procedure U;\r\nvar a: Integer;\r\nbegin\r\n  Log(Quote(a + 1));\r\nend;\r\nbegin end.",
         "uses 'u.pas';\r\nbegin U; Log(Quote(2 * 3)); end."},
        {Cpp, "void U() { int a; Log(Quote(a + 1)); }\r\n{ }", "#include \"u.cpp\"\r\n{ U(); Log(Quote(2 * 3)); }"},
        {Js, "function U() { var a; Log(Quote(a + 1)); }", "import \"u.js\"\r\nU(); Log(Quote(2 * 3));"},
        {Bas, "Sub U\r\nDim a\r\nLog(Quote(a + 1))\r\nEnd Sub\r\n", "Imports \"u.vb\"\r\nU\r\nLog(Quote(2 * 3))\r\n"},
    };
    for (const auto &c : cases) {
        TSafetyHost h;
        h.UnitText = QString::fromUtf8(c.Unit);
        EXPECT_EQ(h.Try(c.Language, QString::fromUtf8(c.Main)), QStringLiteral("a + 1|2 * 3")) << c.Main;
    }
}

TEST(InterpSafety, ArraysOfMoreThanThreeDimensionsAreRefusedClearly)
{
    const char *refused = "compile error: Arrays may have at most 3 dimensions at 1:5";
    RunCases({
        {Pas, "var a: array[0..1, 0..1, 0..1] of Integer; begin a[1, 1, 1] := 5; Log(a[1, 1, 1]); end.", "5"},
        {Pas, "var a: array[0..1, 0..1, 0..1, 0..1] of Integer; begin end.", refused},
        {Cpp, "int a[2][2][2][2]; { }", "compile error: Arrays may have at most 3 dimensions at 1:1"},
        {Js, "var a[2, 2, 2, 2];", refused},
        {Bas, "Dim a[2, 2, 2, 2]\r\n", refused},
    });
}

TEST(InterpSafety, BracketsAfterIndexedPropertiesAreTheirIndex)
{
    RunCases({
        {Pas,
         "var SL: TStringList; begin SL := TStringList.Create; SL.Add('a=1'); SL.Values['a'] := 'x';"
         " Log(SL.Values['a']); Log(SL.Strings[0]); SL.Strings[0] := 'b=2'; Log(SL.Values('b'));"
         " Log(SL.Strings[0][1]); Log(SL[0]); SL.Free; end.",
         "x|a=x|2|b|b=2"},
        {Cpp,
         "TStringList SL; { SL = TStringList.Create; SL.Add(\"a=1\"); SL.Values[\"a\"] = \"x\";"
         " Log(SL.Values[\"a\"]); Log(SL.Strings[0]); SL.Free; }",
         "x|a=x"},
        {Js,
         "SL = TStringList.Create; SL.Add(\"a=1\"); SL.Values[\"a\"] = \"x\"; Log(SL.Values[\"a\"]);"
         " Log(SL.Strings[0]); Log(SL.Text[1]); SL.Free;",
         "x|a=x|a"},
        {Bas,
         "SL = TStringList.Create\r\nSL.Add(\"a=1\")\r\nSL.Values[\"a\"] = \"x\"\r\nLog(SL.Values[\"a\"])\r\n"
         "Log(SL.Strings[0])\r\nSL.Free\r\n",
         "x|a=x"},
    });
}

TEST(InterpSafety, OperandsAndArgumentsAreEvaluatedLeftToRight)
{
    RunCases({
        {Pas, "begin Log(Tick * 10 + Tick); Log(Tick - Tick); Log(Pair(Tick, Tick)); Log(Tick < Tick); end.",
         "12|-1|56|True"},
        {Cpp, "{ Log(Tick * 10 + Tick); Log(Pair(Tick, Tick)); }", "12|34"},
        {Js, "Log(Tick * 10 + Tick); Log(Pair(Tick, Tick));", "12|34"},
        {Bas, "Log(Tick * 10 + Tick)\r\nLog(Pair(Tick, Tick))\r\n", "12|34"},
    });
}

TEST(InterpSafety, ScriptsCreatePlainObjects)
{
    RunCases({
        {Pas, "var o: TObject; begin o := TObject.Create; Log(o.ClassName); o.Free; end.", "TObject"},
        {Cpp, "TObject o; { o = TObject.Create; Log(o.ClassName); delete o; }", "TObject"},
        {Js, "o = new TObject; Log(o.ClassName); o.Free;", "TObject"},
        {Bas, "o = TObject.Create\r\nLog(o.ClassName)\r\no.Free\r\n", "TObject"},
    });
}
