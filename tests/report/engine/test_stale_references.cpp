// Object references a report's script keeps past their objects' lives (in lists, the global variables, a
// click's Sender), through the real engine: reading one back is a script error, never a touch of freed memory.
#include "EngineHarness.h"

#include "platform/Controls.h"
#include "report/model/qdzClassRTTI.h"
#include "platform/Streams.h"

#include <gtest/gtest.h>

namespace {

struct StaleCase
{
    const char *Name;
    const char *Event; // MasterData1's event that runs P, or ""
    const char *First; // the main block of the first build
    const char *Second; // the main block of the second build
    const char *Body;  // P; PC (a click on the first page's Memo1 between the builds) runs it too
    bool Click;
    const char *Errors[2];
};

const char *const Invalid = "Invalid object reference";

const StaleCase StaleCases[] = {
    {"ListKeepsAMemoAcrossBuilds", "",
     "x := TqdzMemoView.Create(MasterData1); L := TWideStrings.Create; L.AddObject('m', x);"
     " qdzGlobalVariables['L'] := L;",
     "L := qdzGlobalVariables['L']; try x := L.Objects[0]; x.Text := 'again'; finally L.Free; end;", "", false,
     {"", Invalid}},
    {"ListKeepsAMemoTheBandDropped", "OnBeforePrint", "", "",
     "n := n + 1; if n = 1 then begin x := TqdzMemoView.Create(MasterData1); L := TWideStrings.Create;"
     " L.AddObject('m', x); end else try x := L.Objects[0]; x.Text := 'again'; finally L.Free; end;",
     false, {Invalid, Invalid}},
    {"VariableKeepsAMemoAcrossBuilds", "", "qdzGlobalVariables['m'] := TqdzMemoView.Create(MasterData1);",
     "x := qdzGlobalVariables['m']; x.Text := 'again';", "", false, {"", Invalid}},
    {"VariableKeepsAClickSender", "", "", "x := qdzGlobalVariables['m']; x.Text := 'again';",
     "qdzGlobalVariables['m'] := Sender;", true, {"", Invalid}},
};

void PrintTo(const StaleCase &C, std::ostream *Os)
{
    *Os << C.Name;
}

class StaleReferences : public ::testing::TestWithParam<StaleCase>
{
};

} // namespace

// Each template builds twice; the global variables are left empty for the
// next test.
TEST_P(StaleReferences, RaiseInsteadOfReachingFreedObjects)
{
    const StaleCase &C = GetParam();
    EngineHarness H;
    TqdzReport *R = H.Report.get();
    R->SetName("qdzReport1");
    R->EngineOptions()->SetRestoreAfterRun(true);
    auto *MD = H.Band<TqdzMasterData>("MasterData1", 20, 20);
    MD->SetRowCount(3);
    H.Memo(MD, "Memo1", "[Line]");
    qdzRegisterClassRTTI();
    TStringList S;
    S.SetText(QStringLiteral("var n: Integer;\r\n  L, x: Variant;\r\n"
                             "procedure P(Sender: TqdzComponent);\r\nbegin\r\n%1\r\nend;\r\n"
                             "procedure PC(Sender: TObject; Button, Shift: Integer; var Modified: Boolean);\r\n"
                             "begin\r\n%1\r\nend;\r\n"
                             "begin\r\nif qdzGlobalVariables['build'] = 0 then begin %2 end else begin %3 end;\r\nend.")
                  .arg(QString::fromLatin1(C.Body), QString::fromLatin1(C.First), QString::fromLatin1(C.Second)));
    R->SetScriptText(&S);
    if (*C.Event)
        SetStrProp(MD, QString::fromLatin1(C.Event), QStringLiteral("P"));
    SetStrProp(R->FindObject("Memo1"), QStringLiteral("OnPreviewClick"), QStringLiteral("PC"));
    {
        // Loaded, as the station's templates are.
        TMemoryStream T;
        R->SaveToStream(&T);
        T.SetPosition(0);
        R->LoadFromStream(&T);
    }
    for (int build = 0; build < 2; ++build) {
        qdzGlobalVariables()->SetVariables(QStringLiteral("build"), Variant(build));
        EXPECT_EQ(H.Build(), !*C.Errors[build]) << "build " << build;
        EXPECT_EQ(H.Errors().join('|'), QString::fromLatin1(C.Errors[build])) << "build " << build;
        if (build == 0 && C.Click) {
            TqdzReportPage *Page = R->PreviewPages()->GetPage(0);
            ASSERT_TRUE(Page);
            auto *Memo = dynamic_cast<TqdzView *>(Page->FindObject("Memo1"));
            ASSERT_TRUE(Memo);
            bool Modified = false;
            R->DoPreviewClick(Memo, mbLeft, TShiftState(), Modified, false);
        }
    }
    qdzGlobalVariables()->Clear();
    qdzUnregisterClassRTTI();
}

INSTANTIATE_TEST_SUITE_P(Engine, StaleReferences, ::testing::ValuesIn(StaleCases),
                         [](const ::testing::TestParamInfo<StaleCase> &I) { return std::string(I.param.Name); });
