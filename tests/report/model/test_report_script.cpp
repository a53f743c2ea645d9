// The report's script and expressions: set-up, the expression cache and its wrapper texts, Calc's errors,
// the value look-up, Get, Set and the macro functions, script events, and values that refer to themselves.
#include "test_report_standin.h"

#include "platform/Exceptions.h"
#include "report/model/qdzClassViews.h"
#include "report/model/qdzExpressionCache.h"
#include "report/model/qdzVariables.h"
#include "script/kw_iinterpreter.h"

#include <gtest/gtest.h>

namespace {

QStringList Lines(TStrings *S)
{
    QStringList r;
    for (int i = 0; i < S->Count(); ++i)
        r.append(S->Strings(i));
    return r;
}

bool HasErrorStartingWith(TqdzReport *R, const QString &Prefix)
{
    for (const QString &e : Lines(R->Errors()))
        if (e.startsWith(Prefix))
            return true;
    return false;
}

// Host event handlers that remember their calls.
struct TRecorder
{
    bool Began = false;
    int HostCalls = 0;
    bool Clicked = false;
    void BeginDoc(TObject *) { Began = true; }
    void BeforePrint(TqdzReportComponent *) { ++HostCalls; }
    void Click(TqdzView *, TMouseButton, TShiftState, bool &) { Clicked = true; }
    void NullField(const QString &, Variant &V) { V = Null(); }
    void HostValue(const QString &Name, Variant &V)
    {
        if (Name == QLatin1String("Host"))
            V = Variant(QStringLiteral("from host"));
    }
};

class ReportScript : public ::testing::Test
{
protected:
    // A report with one page and a band holding memos with the given texts.
    void Make(const QStringList &Texts, const QString &Script = QString())
    {
        R = std::make_unique<TqdzReport>(nullptr);
        R->EngineOptions()->SetNewSilentMode(simSilent);
        auto *page = new TqdzReportPage(R.get());
        page->SetName(QStringLiteral("Page1"));
        auto *band = new TqdzMasterData(page);
        band->SetName(QStringLiteral("MasterData1"));
        for (int i = 0; i < Texts.size(); ++i) {
            auto *m = new TqdzStandInMemo(band);
            m->SetName(QStringLiteral("Memo%1").arg(i + 1));
            m->SetText(Texts.at(i));
        }
        if (!Script.isEmpty())
            R->ScriptText()->SetText(Script);
    }
    TStandInEngine *Engine() const { return static_cast<TStandInEngine *>(R->Engine()); }
    QStringList Results() const { return Engine()->Results; }

    TStandInBuild Build;
    std::unique_ptr<TqdzReport> R;
};

TEST(ExpressionWrappers, EachLanguageHasItsExactText)
{
    EXPECT_EQ(TqdzExpressionCache::WrapperText("PascalScript", "qd3f0", "1+2"),
              QStringLiteral("function qd3f0: Variant; begin Result := 1+2 end; begin end."));
    EXPECT_EQ(TqdzExpressionCache::WrapperText("C++Script", "qd3f1", "a"),
              QStringLiteral("Variant qd3f1() { return a; } {}"));
    EXPECT_EQ(TqdzExpressionCache::WrapperText("BasicScript", "qd3f2", "a"),
              QStringLiteral("function qd3f2\r\nreturn a\r\nend function"));
    EXPECT_EQ(TqdzExpressionCache::WrapperText("JScript", "qd3f3", "a"),
              QStringLiteral("function qd3f3() { return a; }"));
}

TEST_F(ReportScript, ExpressionsEvaluateInEveryLanguage)
{
    const struct
    {
        const char *Lang;
        const char *Concat;
    } cases[] = {{"PascalScript", "['a' + 'b']"},
                 {"C++Script", "[\"a\" + \"b\"]"},
                 {"BasicScript", "[\"a\" & \"b\"]"},
                 {"JScript", "[\"a\" + \"b\"]"}};
    for (const auto &c : cases) {
        const char *lang = c.Lang;
        Make({"[1 + 2]", QString::fromLatin1(c.Concat)});
        R->SetScriptLanguage(QString::fromLatin1(lang));
        // An empty main text in each syntax.
        R->ScriptText()->Clear();
        if (QLatin1String(lang) == QLatin1String("PascalScript"))
            R->ScriptText()->SetText(QStringLiteral("begin end."));
        else if (QLatin1String(lang) == QLatin1String("C++Script"))
            R->ScriptText()->SetText(QStringLiteral("{}"));
        EXPECT_TRUE(R->BuildReport()) << lang << " " << Lines(R->Errors()).join('|').toStdString();
        EXPECT_EQ(Results(), (QStringList{"Memo1=3", "Memo2=ab"})) << lang << " " << Results().join('|').toStdString();
    }
}

TEST_F(ReportScript, TheSameExpressionIsCompiledOnceAndFunctionsAreNamedInFirstUseOrder)
{
    QStringList texts;
    for (int i = 0; i < 50; ++i)
        texts.append(QStringLiteral("[x+1]"));
    texts.append(QStringLiteral("[x*10]"));
    Make(texts, QStringLiteral("var x: Integer;\r\nbegin\r\n  x := 4;\r\nend."));
    ASSERT_TRUE(R->BuildReport()) << Lines(R->Errors()).join('|').toStdString();
    ASSERT_EQ(Results().size(), 51);
    EXPECT_EQ(Results().at(0), QStringLiteral("Memo1=5"));
    EXPECT_EQ(Results().at(49), QStringLiteral("Memo50=5"));
    EXPECT_EQ(Results().at(50), QStringLiteral("Memo51=40"));
    TqdzExpressionCache *cache = R->ExpressionCache();
    ASSERT_EQ(cache->Expressions()->Count(), 2);
    TkwScript *s = cache->Script();
    EXPECT_EQ(cache->Expressions()->Objects(cache->Expressions()->IndexOf("x+1")), s->FindLocal("qd3f0"));
    EXPECT_EQ(cache->Expressions()->Objects(cache->Expressions()->IndexOf("x*10")), s->FindLocal("qd3f1"));
    EXPECT_EQ(s->FindLocal("qd3f2"), nullptr);
}

TEST_F(ReportScript, TheCacheTellsUpperAndLowerCaseApart)
{
    Make({"['abc']", "['ABC']", "[UpperCase('abc')]"});
    ASSERT_TRUE(R->BuildReport());
    EXPECT_EQ(Results(), (QStringList{"Memo1=abc", "Memo2=ABC", "Memo3=ABC"}));
    EXPECT_EQ(R->ExpressionCache()->Expressions()->Count(), 3);
}

TEST_F(ReportScript, ExpressionErrorsNameTheObjectAndTheBuildFails)
{
    Make({"[1+]", "[2+2]"});
    EXPECT_FALSE(R->BuildReport());
    EXPECT_TRUE(HasErrorStartingWith(R.get(), QStringLiteral("Memo1: Error in expression '1+': ")))
        << Lines(R->Errors()).join('|').toStdString();
    // The failed function is gone and the next takes its name.
    EXPECT_EQ(Results(), (QStringList{"Memo1=error", "Memo2=4"}));
    EXPECT_NE(R->ExpressionCache()->Script()->FindLocal("qd3f0"), nullptr);
    EXPECT_EQ(R->ExpressionCache()->Expressions()->Count(), 1);
    // Without a current object the message stands alone.
    R->SetCurObject(QString());
    R->Errors()->Clear();
    EXPECT_THROW(R->Calc(QStringLiteral("3+")), Exception);
    EXPECT_TRUE(HasErrorStartingWith(R.get(), QStringLiteral("Error in expression '3+': ")));
    // From a script's Calc the message says so and is not collected.
    R->Errors()->Clear();
    try {
        R->Calc(QStringLiteral("4+"), nullptr, true);
        ADD_FAILURE();
    } catch (const Exception &E) {
        EXPECT_TRUE(E.Message().startsWith(QStringLiteral("Error in Calc expression: Error in expression '4+': ")));
    }
    EXPECT_EQ(R->Errors()->Count(), 0);
}

TEST_F(ReportScript, DivisionByZeroIsSilentOnlyWhenIgnored)
{
    Make({"[1/0]", "[1 div 0]", "[7]"});
    R->EngineOptions()->SetIgnoreDevByZero(true);
    EXPECT_TRUE(R->BuildReport()) << Lines(R->Errors()).join('|').toStdString();
    EXPECT_EQ(R->Errors()->Count(), 0);
    EXPECT_EQ(Results(), (QStringList{"Memo1=", "Memo2=", "Memo3=7"}));
    R->EngineOptions()->SetIgnoreDevByZero(false);
    EXPECT_FALSE(R->BuildReport());
    EXPECT_TRUE(HasErrorStartingWith(R.get(), QStringLiteral("Memo1: "))) << Lines(R->Errors()).join('|').toStdString();
    EXPECT_TRUE(HasErrorStartingWith(R.get(), QStringLiteral("Memo2: Division by zero")));
}

TEST_F(ReportScript, UnknownNamesAreReportedAndEvaluationGoesOn)
{
    Make({"[<Foo>]", "[2*3]"});
    EXPECT_FALSE(R->BuildReport());
    EXPECT_EQ(Lines(R->Errors()), QStringList{"Unknown variable or datafield: Foo"});
    EXPECT_EQ(Results(), (QStringList{"Memo1=", "Memo2=6"}));
}

TEST_F(ReportScript, AScriptThatDoesNotCompileFailsTheBuildBeforeTheEngine)
{
    Make({"[1]"}, QStringLiteral("begin x := ; end."));
    TRecorder rec;
    R->SetOnBeginDoc(TNotifyEvent(&rec, &TRecorder::BeginDoc));
    EXPECT_FALSE(R->BuildReport());
    EXPECT_TRUE(rec.Began);
    ASSERT_EQ(R->Errors()->Count(), 1);
    const QString e = R->Errors()->Strings(0);
    EXPECT_TRUE(e.startsWith(QStringLiteral("Script error at 1:"))) << e.toStdString();
    EXPECT_GT(e.indexOf(QStringLiteral(": "), 16), 16) << e.toStdString();
    EXPECT_TRUE(Results().isEmpty());
    // An unknown language is a script error too.
    R->ScriptText()->SetText(QStringLiteral("begin end."));
    R->SetScriptLanguage(QStringLiteral("Cobol"));
    EXPECT_FALSE(R->BuildReport());
    EXPECT_TRUE(HasErrorStartingWith(R.get(), QStringLiteral("Script error at : Language 'Cobol' not found")))
        << Lines(R->Errors()).join('|').toStdString();
}

TEST_F(ReportScript, SetupRegistersObjectsFunctionsAndVariables)
{
    Make({"[Report.Name]"});
    R->SetName(QStringLiteral("Rep"));
    ASSERT_TRUE(R->SetupScript());
    TkwScript *s = R->Script();
    for (const char *name : {"Page1", "MasterData1", "Memo1", "Report", "Engine", "Outline", "Value", "Self",
                             "Get", "Set", "IIF", "SUM", "AVG", "MIN", "MAX", "COUNT"})
        EXPECT_NE(s->FindLocal(QString::fromLatin1(name)), nullptr) << name;
    EXPECT_TRUE(s->FindLocal("IIF")->IsMacro());
    EXPECT_FALSE(s->FindLocal("Get")->IsMacro());
    EXPECT_EQ(kwVarToObject(s->FindLocal("Memo1")->GetValue()), R->FindObject("Memo1"));
    EXPECT_EQ(R->LocalValue(), s->FindLocal("Value"));
    R->SetLocalValue(Variant(12));
    EXPECT_EQ(R->LocalValue()->GetValue().AsInteger(), 12);
    // A second set-up starts again: nothing twice.
    ASSERT_TRUE(R->SetupScript());
    int gets = 0;
    for (int i = 0; i < s->Count(); ++i)
        if (auto *v = dynamic_cast<TkwCustomVariable *>(s->Items(i)); v && v->Name() == QLatin1String("Get"))
            ++gets;
    EXPECT_EQ(gets, 1);
}

TEST_F(ReportScript, GetSetAndIIF)
{
    Make({"[IIF(1 > 2, 'yes', 'no')]", "[IIF(<A> = 5, 'five', 'other')]", "[Get('A') + 1]"},
         QStringLiteral("begin\r\n  Set('A', 5);\r\nend."));
    ASSERT_TRUE(R->BuildReport()) << Lines(R->Errors()).join('|').toStdString();
    EXPECT_EQ(Results(), (QStringList{"Memo1=no", "Memo2=five", "Memo3=6"}));
    // Set made the variable; the restore after the build dropped it.
    EXPECT_EQ(R->Variables()->IndexOf("A"), -1);
}

TEST_F(ReportScript, AggregatesGoToTheEngineWithTheirTexts)
{
    Make({"[SUM(<Qty> * 2)]", "[COUNT(MasterData1, 1)]", "[MAX(Value, 0, 3)]"});
    ASSERT_TRUE(R->BuildReport()) << Lines(R->Errors()).join('|').toStdString();
    EXPECT_EQ(Results(), (QStringList{"Memo1=42", "Memo2=42", "Memo3=42"}));
    EXPECT_EQ(Engine()->Aggregates, (QStringList{"SUM|<Qty> * 2|0", "COUNT||1", "MAX|Value|3"}));
    // Get hands an aggregate call it does not know as a name to Calc.
    Engine()->Aggregates.clear();
    R->SetupScript();
    EXPECT_EQ(R->Get(QStringLiteral(" avg (1)")).AsInteger(), 42);
    EXPECT_EQ(Engine()->Aggregates, QStringList{"AVG|1|0"});
}

TEST_F(ReportScript, ValueLookUpOrder)
{
    Make({"[Lines.\"Qty\"]", "[Other.\"Qty\"]", "[Total]", "[Note]", "[Page#]", "[<Host>]", "[<G1>]"});
    auto *data = new TqdzDataPage(R.get());
    data->SetName(QStringLiteral("Data"));
    auto *ds = new TqdzUserDataSet(data);
    ds->SetName(QStringLiteral("Lines"));
    ds->Fields()->SetText(QStringLiteral("Qty"));
    TRecorder rec;
    ds->SetOnGetValue(TqdzUserDSGetValueEvent(&rec, &TRecorder::NullField));
    auto *other = new TqdzUserDataSet(data);
    other->SetName(QStringLiteral("Other"));
    R->DataSets()->Add()->SetDataSet(ds);
    R->Variables()->SetVariables(QStringLiteral("Total"), Variant(QStringLiteral("2+3")));
    R->Variables()->SetVariables(QStringLiteral("Note"), Variant(QStringLiteral("a\r\nb")));
    R->SetOnGetValue(TqdzGetValueEvent(&rec, &TRecorder::HostValue));
    qdzGlobalVariables()->SetVariables(QStringLiteral("G1"), Variant(7));
    EXPECT_FALSE(R->BuildReport());
    qdzGlobalVariables()->Clear();
    // A null numeric field converts to 0; a dataset outside DataSets is no
    // field: its text goes to the compiler.
    ASSERT_EQ(Results().size(), 7);
    EXPECT_EQ(Results().at(0), QStringLiteral("Memo1=0"));
    EXPECT_EQ(Results().at(1), QStringLiteral("Memo2=error"));
    EXPECT_EQ(Results().at(2), QStringLiteral("Memo3=5"));
    EXPECT_EQ(Results().at(3), QStringLiteral("Memo4=a\r\nb"));
    EXPECT_EQ(Results().at(4), QStringLiteral("Memo5=1"));
    EXPECT_EQ(Results().at(5), QStringLiteral("Memo6=from host"));
    EXPECT_EQ(Results().at(6), QStringLiteral("Memo7=7"));

    // Without ConvertNulls the field stays null; system variables answer from
    // the engine.
    R->EngineOptions()->SetConvertNulls(false);
    Variant v;
    ASSERT_TRUE(R->DoGetValue(QStringLiteral("Lines.\"Qty\""), v));
    EXPECT_TRUE(VarIsNull(v));
    R->Engine()->SetCurLine(3);
    R->Engine()->SetCurLineThrough(9);
    R->Engine()->SetTotalPages(12);
    ASSERT_TRUE(R->DoGetValue(QStringLiteral("Line"), v));
    EXPECT_EQ(v.AsInteger(), 3);
    ASSERT_TRUE(R->DoGetValue(QStringLiteral("line#"), v));
    EXPECT_EQ(v.AsInteger(), 9);
    ASSERT_TRUE(R->DoGetValue(QStringLiteral("TotalPages#"), v));
    EXPECT_EQ(v.AsInteger(), 12);
    ASSERT_TRUE(R->DoGetValue(QStringLiteral("Date"), v));
    EXPECT_EQ(VarType(v), varDate);
    EXPECT_FALSE(R->DoGetValue(QStringLiteral("Nothing"), v));
}

TEST_F(ReportScript, AValueReferringToItselfStopsWithAnError)
{
    Make({"[A]", "[<C>]", "[5]"});
    R->Variables()->SetVariables(QStringLiteral("A"), Variant(QStringLiteral("A")));
    R->Variables()->SetVariables(QStringLiteral("B"), Variant(QStringLiteral("<C> + 1")));
    R->Variables()->SetVariables(QStringLiteral("C"), Variant(QStringLiteral("<B>")));
    EXPECT_FALSE(R->BuildReport());
    EXPECT_TRUE(HasErrorStartingWith(R.get(), QStringLiteral("Unknown variable or datafield: A")));
    EXPECT_TRUE(HasErrorStartingWith(R.get(), QStringLiteral("Unknown variable or datafield: C")))
        << Lines(R->Errors()).join('|').toStdString();
    ASSERT_EQ(Results().size(), 3);
    EXPECT_EQ(Results().at(0), QStringLiteral("Memo1="));
    EXPECT_EQ(Results().at(2), QStringLiteral("Memo3=5"));
}

TEST_F(ReportScript, ALongChainOfVariablesStopsBeforeTheStackEnds)
{
    Make({"[<V0>]"});
    for (int i = 0; i < 500; ++i)
        R->Variables()->SetVariables(QStringLiteral("V%1").arg(i), Variant(QStringLiteral("<V%1> + 1").arg(i + 1)));
    R->Variables()->SetVariables(QStringLiteral("V500"), Variant(1));
    EXPECT_FALSE(R->BuildReport());
    EXPECT_TRUE(HasErrorStartingWith(R.get(), QStringLiteral("Unknown variable or datafield: V64")))
        << Lines(R->Errors()).join('|').toStdString();
    // A short chain is fine.
    Make({"[<V0>]"});
    for (int i = 0; i < 10; ++i)
        R->Variables()->SetVariables(QStringLiteral("V%1").arg(i), Variant(QStringLiteral("<V%1> + 1").arg(i + 1)));
    R->Variables()->SetVariables(QStringLiteral("V10"), Variant(1));
    EXPECT_TRUE(R->BuildReport()) << Lines(R->Errors()).join('|').toStdString();
    EXPECT_EQ(Results(), QStringList{"Memo1=11"});
}

TEST_F(ReportScript, ScriptEventsRunOnlyWhileTheEngineRunsUnlessForced)
{
    Make({"x"}, QStringLiteral("var Calls: Integer;\r\nprocedure Before(Sender: TObject);\r\nbegin\r\n"
                               "  Calls := Calls + 1;\r\nend;\r\n"
                               "procedure Click(Sender: TObject; Button, Shift: Integer; var Modified: Boolean);\r\n"
                               "begin\r\n  Modified := Button = 1;\r\nend;\r\nbegin\r\nend."));
    auto *memo = static_cast<TqdzStandInMemo *>(R->FindObject("Memo1"));
    memo->SetOnBeforePrint(QStringLiteral("Before"));
    memo->SetOnPreviewClick(QStringLiteral("Click"));
    ASSERT_TRUE(R->SetupScript()) << Lines(R->Errors()).join('|').toStdString();
    TRecorder rec;
    R->SetOnBeforePrint(TqdzBeforePrintEvent(&rec, &TRecorder::BeforePrint));
    R->DoBeforePrint(memo);
    EXPECT_EQ(rec.HostCalls, 1);
    EXPECT_EQ(R->Script()->FindLocal("Calls")->GetValue().AsInteger(), 0);
    R->Engine()->SetRunning(true);
    R->DoBeforePrint(memo);
    R->Engine()->SetRunning(false);
    EXPECT_EQ(R->Script()->FindLocal("Calls")->GetValue().AsInteger(), 1);
    R->DoNotifyEvent(memo, QStringLiteral(" Before "), true);
    EXPECT_EQ(R->Script()->FindLocal("Calls")->GetValue().AsInteger(), 2);

    R->SetOnClickObject(TqdzPreviewClickEvent(&rec, &TRecorder::Click));
    bool modified = false;
    R->DoPreviewClick(memo, mbRight, TShiftState(), modified, false);
    EXPECT_TRUE(modified);
    EXPECT_TRUE(rec.Clicked);
    R->DoPreviewClick(memo, mbLeft, TShiftState(), modified, false);
    EXPECT_FALSE(modified);
}

} // namespace
