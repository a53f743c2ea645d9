// A template's script cannot free, empty or delete what a running build
// works on: the report, its pages, bands and views, the lists of their
// children, the datasets it walks, the report's owner, or the application.
// Each attempt is refused with EInvalidOperation, the build fails with the
// message, the template comes back whole and builds again.
#include "platform/Forms.h"
#include "platform/TypInfo.h"
#include "report/engine/qdzBuild.h"
#include "report/model/qdzClass.h"
#include "report/model/qdzClassRTTI.h"
#include "report/model/qdzClassViews.h"
#include "report/model/qdzVariables.h"
#include "script/kw_iinterpreter.h"
#include "script/kw_irttiunits.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <memory>

namespace {

QStringList ListOf(TStrings *S)
{
    QStringList L;
    for (int i = 0; i < S->Count(); ++i)
        L << S->Strings(i);
    return L;
}

// The station's shape: a report owned by a window, a dataset of the window
// that the report names, one page with a master band holding a memo.
struct GuardedReport
{
    GuardedReport()
    {
        static const bool Units = [] {
            kwRegisterRTTIUnits();
            qdzRegisterClassRTTI();
            return true;
        }();
        (void)Units;
        qdzBuildStartup();
        Owner = std::make_unique<TComponent>(nullptr);
        Owner->SetName("Owner1");
        Lines = new TqdzUserDataSet(Owner.get());
        Lines->SetName("Lines");
        Lines->SetRangeEnd(reCount);
        Lines->SetRangeEndCount(3);
        R = new TqdzReport(Owner.get());
        R->SetName("qdzReport1");
        R->EngineOptions()->SetNewSilentMode(simSilent);
        R->DataSets()->Add()->SetDataSet(Lines);
        R->EnabledDataSets()->Add()->SetDataSet(Lines);
        auto *P = new TqdzReportPage(R);
        P->SetName("Page1");
        P->SetPaperSize(9);
        P->SetPaperWidth(210);
        P->SetPaperHeight(297);
        auto *MD = new TqdzMasterData(P);
        MD->SetName("MasterData1");
        MD->SetBounds(0, 0, 700, 20);
        MD->SetDataSet(Lines);
        auto *M = new TqdzMemoView(MD);
        M->SetName("Memo1");
        M->SetBounds(0, 0, 200, 18);
        M->SetText("[Line]");
    }

    void SetScript(const QString &Body)
    {
        TStringList S;
        S.SetText("var n: Integer;\r\n  o: TObject;\r\nprocedure P(Sender: TObject);\r\nbegin\r\n" + Body +
                  "\r\nend;\r\nbegin\r\nend.");
        R->SetScriptText(&S);
    }

    std::unique_ptr<TComponent> Owner;
    TqdzUserDataSet *Lines;
    TqdzReport *R;
};

struct FreeCase
{
    const char *Name;
    const char *Object; // whose event runs the procedure
    const char *Event;
    const char *Body;
    const char *Error;
};

const FreeCase FreeCases[] = {
    {"BandOnItsSecondRecord", "MasterData1", "OnBeforePrint", "n := n + 1; if n = 2 then MasterData1.Free;",
     "Cannot free MasterData1 while the report is being built"},
    {"PageFromABand", "MasterData1", "OnBeforePrint", "Page1.Free",
     "Cannot free Page1 while the report is being built"},
    {"ReportFromItsScript", "MasterData1", "OnBeforePrint", "Report.Free",
     "Cannot free qdzReport1 while the report is being built"},
    {"BandBeforePrint", "MasterData1", "OnBeforePrint", "Sender.Free",
     "Cannot free MasterData1 while the report is being built"},
    {"BandAfterPrint", "MasterData1", "OnAfterPrint", "Sender.Free",
     "Cannot free MasterData1 while the report is being built"},
    {"BandAfterCalcHeight", "MasterData1", "OnAfterCalcHeight", "Sender.Free",
     "Cannot free MasterData1 while the report is being built"},
    {"MemoFreesItsBand", "Memo1", "OnBeforePrint", "MasterData1.Free",
     "Cannot free MasterData1 while the report is being built"},
    {"MemoFreesItself", "Memo1", "OnBeforePrint", "Sender.Free", "Cannot free Memo1 while the report is being built"},
    {"PageFreesItself", "Page1", "OnBeforePrint", "Sender.Free", "Cannot free Page1 while the report is being built"},
    {"FoundByName", "MasterData1", "OnBeforePrint", "Report.FindObject('MasterData1').Free",
     "Cannot free MasterData1 while the report is being built"},
    {"BandObjectsCleared", "MasterData1", "OnBeforePrint", "MasterData1.Objects.Clear",
     "Cannot change the objects of MasterData1 from a script"},
    {"PageObjectDeleted", "MasterData1", "OnBeforePrint", "Page1.Objects.Delete(0)",
     "Cannot change the objects of Page1 from a script"},
    {"PageObjectRemoved", "Memo1", "OnBeforePrint", "Page1.Objects.Remove(MasterData1)",
     "Cannot change the objects of Page1 from a script"},
    {"ReportsOwner", "MasterData1", "OnBeforePrint", "Report.Owner.Free",
     "Cannot free Owner1 while the report is being built"},
    {"Application", "MasterData1", "OnBeforePrint", "Application.Free", "Cannot free the application from a script"},
    {"DatasetBeingWalked", "MasterData1", "OnBeforePrint", "Report.GetDataset('Lines').Free",
     "Cannot free Lines while the report is being built"},
};

void PrintTo(const FreeCase &C, std::ostream *Os)
{
    *Os << C.Name;
}

class BuildGuards : public ::testing::TestWithParam<FreeCase>
{
};

} // namespace

TEST_P(BuildGuards, RefusedAndTheTemplateBuildsAgain)
{
    const FreeCase &C = GetParam();
    GuardedReport G;
    G.SetScript(QString::fromLatin1(C.Body));
    TqdzComponent *Target = G.R->FindObject(QString::fromLatin1(C.Object));
    ASSERT_TRUE(Target);
    SetStrProp(Target, QString::fromLatin1(C.Event), "P");

    EXPECT_FALSE(G.R->BuildReport());
    const QStringList Errors = ListOf(G.R->Errors());
    ASSERT_EQ(Errors.size(), 1) << Errors.join('|').toStdString();
    EXPECT_TRUE(Errors[0].contains(QString::fromLatin1(C.Error))) << Errors[0].toStdString();

    // The template came back whole: every object in its place.
    TqdzComponent *Band = G.R->FindObject("MasterData1");
    TqdzComponent *Memo = G.R->FindObject("Memo1");
    ASSERT_TRUE(Band && Memo);
    EXPECT_EQ(Memo->Parent(), Band);
    EXPECT_EQ(Band->Parent(), G.R->FindObject("Page1"));
    EXPECT_EQ(G.R->Owner(), G.Owner.get());

    G.SetScript(QString());
    EXPECT_TRUE(G.R->BuildReport()) << ListOf(G.R->Errors()).join('|').toStdString();
    EXPECT_EQ(G.R->PreviewPages()->GetCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(Script, BuildGuards, ::testing::ValuesIn(FreeCases),
                         [](const ::testing::TestParamInfo<FreeCase> &I) { return std::string(I.param.Name); });

// Outside a build a script frees report objects as it likes, and what it
// made itself during one; a list of children is never its to change.
TEST(BuildGuardsScope, OnlyTheRunningBuildIsGuarded)
{
    GuardedReport G;
    G.SetScript("Memo1.Free;");
    ASSERT_TRUE(G.R->SetupScript());
    Variant None;
    G.R->CallScriptEvent("P", None, true);
    EXPECT_EQ(G.R->FindObject("Memo1"), nullptr);

    G.SetScript("Page1.Objects.Clear;");
    ASSERT_TRUE(G.R->SetupScript());
    try {
        G.R->CallScriptEvent("P", None, true);
        ADD_FAILURE() << "the list of children was changed";
    } catch (const EInvalidOperation &E) {
        EXPECT_TRUE(E.Message().contains("Cannot change the objects of Page1 from a script"))
            << E.Message().toStdString();
    }
    EXPECT_EQ(G.R->FindObject("Page1")->Objects()->Count(), 1);

    // A build may free what its script made.
    G.SetScript("o := TStringList.Create; o.Free; o := TComponent.Create(nil); o.Free;");
    SetStrProp(G.R->FindObject("MasterData1"), u"OnBeforePrint", "P");
    EXPECT_TRUE(G.R->BuildReport()) << ListOf(G.R->Errors()).join('|').toStdString();
}
