// Objects a report's scripts make and holders they leave behind, over three builds of one template through the
// real engine: every build starts from the same state, and no kept pointer reaches a freed object.
#include "EngineHarness.h"

#include "platform/Controls.h"
#include "platform/Forms.h"
#include "report/model/qdzClassRTTI.h"

#include <gtest/gtest.h>

namespace {

struct MadeCase
{
    const char *Name;
    // The report's event that runs the code, "Click" for a click on the built Memo1 after each build, or ""
    // for the main block.
    const char *Event;
    const char *Code;  // n is the build's number, from 1
    const char *Later; // the errors of the second and third build (the first has none)
    const char *Texts; // the built texts, when they are checked
};

const MadeCase MadeCases[] = {
    {"NamedOwnedByTheReport", "", "c := TComponent.Create(Report); c.Name := 'MadeByScript';", "", ""},
    {"NamedOwnedByABand", "", "c := TComponent.Create(MasterData1); c.Name := 'MadeByScript';", "", ""},
    {"FormOwnedByTheApplication", "", "c := TForm.Create(Application); c.Name := 'MadeByScript';", "", ""},
    {"TakesATemplateObjectsName", "", "Memo1.Name := 'Memo9'; c := TComponent.Create(Report); c.Name := 'Memo1';",
     "", ""},
    {"UnnamedOnesDoNotPileUp", "",
     "for i := 1 to 40 do begin TComponent.Create(Report); TComponent.Create(MasterData1);"
     " TStringList.Create; end;", "", ""},
    // Freed at the end: what a variable kept of it is no longer there.
    {"KeptInAVariableAcrossBuilds", "",
     "if n > 1 then begin c := qdzGlobalVariables['c']; c.Tag := 1; end;"
     " qdzGlobalVariables['c'] := TComponent.Create(Report);", "Invalid object reference", ""},
    {"DataSetOwnedByTheReportFromStartReport", "OnStartReport",
     "c := TqdzUserDataSet.Create(Report); c.Name := 'ScriptRows'; c.RangeEnd := reCount; c.RangeEndCount := 3;"
     " MasterData1.DataSet := c; MasterData1.RowCount := 0;", "", "1|2|3"},
    {"StylesOfAFreedReport", "Click",
     "r := TqdzReport.Create(nil); st := TqdzStyles.Create(r); st.Add.Name := 's1'; r.Free; st.Apply; st.Free;",
     "", ""},
};

class ScriptObjects : public ::testing::TestWithParam<MadeCase>
{
};

} // namespace

TEST_P(ScriptObjects, EveryBuildStartsFromTheSameState)
{
    const MadeCase &C = GetParam();
    EngineHarness H;
    TqdzReport *R = H.Report.get();
    R->SetName("qdzReport1");
    R->EngineOptions()->SetRestoreAfterRun(true);
    auto *MD = H.Band<TqdzMasterData>("MasterData1", 20, 20);
    MD->SetRowCount(1);
    H.Memo(MD, "Memo1", "[Line]");
    qdzRegisterClassRTTI();
    TStringList S;
    S.SetText(QStringLiteral("var n, i: Integer;\r\n  c, r, st: Variant;\r\n"
                             "procedure P(Sender: TqdzComponent);\r\nbegin\r\n%1\r\nend;\r\n"
                             "procedure PC(Sender: TObject; Button, Shift: Integer; var Modified: Boolean);\r\n"
                             "begin\r\n%1\r\nend;\r\n"
                             "begin\r\nn := qdzGlobalVariables['build'];\r\n%2\r\nend.")
                  .arg(QString::fromLatin1(C.Code), *C.Event ? QString() : QString::fromLatin1(C.Code)));
    R->SetScriptText(&S);
    const bool click = QLatin1String(C.Event) == QLatin1String("Click");
    if (click)
        SetStrProp(R->FindObject("Memo1"), QStringLiteral("OnPreviewClick"), QStringLiteral("PC"));
    else if (*C.Event)
        SetStrProp(R, QString::fromLatin1(C.Event), QStringLiteral("P"));
    const int reportOwns = R->ComponentCount(), bandOwns = MD->ComponentCount();
    const int applicationOwns = Application->ComponentCount();
    for (int build = 1; build <= 3; ++build) {
        qdzGlobalVariables()->SetVariables(QStringLiteral("build"), Variant(build));
        const char *errors = build == 1 ? "" : C.Later;
        EXPECT_EQ(H.Build(), !*errors) << "build " << build;
        EXPECT_EQ(H.Errors().join('|').toStdString(), errors) << "build " << build;
        if (*C.Texts) {
            EXPECT_EQ(H.AllTexts().join('|').toStdString(), C.Texts) << "build " << build;
        }
        if (click) {
            auto *Memo = dynamic_cast<TqdzView *>(R->PreviewPages()->GetPage(0)->FindObject("Memo1"));
            ASSERT_TRUE(Memo);
            bool Modified = false;
            R->DoPreviewClick(Memo, mbLeft, TShiftState(), Modified, false);
        }
        // Counted, not timed: nothing the scripts made is left with an owner.
        EXPECT_EQ(R->ComponentCount(), reportOwns) << "build " << build;
        EXPECT_EQ(MD->ComponentCount(), bandOwns) << "build " << build;
        EXPECT_EQ(Application->ComponentCount(), applicationOwns) << "build " << build;
        EXPECT_EQ(MD->DataSet(), nullptr) << "build " << build;
    }
    qdzGlobalVariables()->Clear();
    qdzUnregisterClassRTTI();
}

INSTANTIATE_TEST_SUITE_P(Engine, ScriptObjects, ::testing::ValuesIn(MadeCases),
                         [](const ::testing::TestParamInfo<MadeCase> &I) { return std::string(I.param.Name); });
