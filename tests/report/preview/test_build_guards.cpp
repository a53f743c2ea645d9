// A running build is guarded and bounded. Its script cannot free, empty or
// delete what the build works on (the report, its pages, bands and views,
// their lists of children, the datasets it walks, the report's owner, the
// application): each attempt is refused, the build fails with the message,
// and the template comes back whole. Builds that would never end stop: at
// the caller's memory limit, at the caller's time limit, at Terminated or
// the progress window's cancel, the stop event included; running out of
// memory is a failed build.
#include "platform/Forms.h"
#include "platform/Graphics.h"
#include "platform/Streams.h"
#include "platform/TypInfo.h"
#include "report/preview/qdzPreviewSetup.h"
#include "report/engine/qdzPreviewPages.h"
#include "report/model/qdzClass.h"
#include "report/model/qdzClassRTTI.h"
#include "report/model/qdzClassViews.h"
#include "report/model/qdzVariables.h"
#include "report/preview/qdzProgress.h"
#include "script/kw_irttiunits.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <utility>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <new>

namespace {

template<class T>
struct TScopedValue
{
    T &Target;
    T Saved;
    TScopedValue(T &ATarget, T Value) : Target(ATarget), Saved(ATarget) { Target = Value; }
    ~TScopedValue() { Target = Saved; }
};

// The station's shape: a report owned by a window, one A4 page with a
// master band of three rows holding a memo.
class BuildGuard : public ::testing::Test
{
protected:
    void SetUp() override
    {
        static const bool Units = [] {
            kwRegisterRTTIUnits();
            qdzRegisterClassRTTI();
            return true;
        }();
        (void)Units;
        qdzBuildStartup();
        MakeReport();
    }
    void MakeReport()
    {
        Owner = std::make_unique<TComponent>(nullptr);
        Owner->SetName("Owner1");
        R = new TqdzReport(Owner.get());
        R->SetName("qdzReport1");
        R->EngineOptions()->SetNewSilentMode(simSilent);
        auto *P = new TqdzReportPage(R);
        P->SetName("Page1");
        P->SetPaperSize(9);
        P->SetPaperWidth(210);
        P->SetPaperHeight(297);
        MD = new TqdzMasterData(P);
        MD->SetName("MasterData1");
        MD->SetBounds(0, 0, 700, 20);
        MD->SetRowCount(3);
        auto *M = new TqdzMemoView(MD);
        M->SetName("Memo1");
        M->SetBounds(0, 0, 200, 18);
        M->SetText("[Line]");
    }
    // Three rows from a dataset of the window that the report names.
    void UseWindowDataSet()
    {
        auto *Lines = new TqdzUserDataSet(Owner.get());
        Lines->SetName("Lines");
        Lines->SetRangeEnd(reCount);
        Lines->SetRangeEndCount(3);
        R->DataSets()->Add()->SetDataSet(Lines);
        R->EnabledDataSets()->Add()->SetDataSet(Lines);
        MD->SetRowCount(0);
        MD->SetDataSet(Lines);
    }
    void SetScript(const QString &Text)
    {
        TStringList S;
        S.SetText(Text);
        R->SetScriptText(&S);
    }
    // The procedure P with Body, and two variables for it.
    void SetProc(const QString &Body)
    {
        SetScript("var n: Integer;\r\n  o: TObject;\r\nprocedure P(Sender: TObject);\r\nbegin\r\n" + Body +
                  "\r\nend;\r\nbegin\r\nend.");
    }
    QString Errors() const
    {
        QStringList L;
        for (int i = 0; i < R->Errors()->Count(); ++i)
            L << R->Errors()->Strings(i);
        return L.join('|');
    }

    std::unique_ptr<TComponent> Owner;
    TqdzReport *R = nullptr;
    TqdzMasterData *MD = nullptr;
};

struct FreeCase
{
    const char *Name;
    const char *Object; // whose event runs P
    const char *Event;
    const char *Body;
    const char *Error;
};

void PrintTo(const FreeCase &C, std::ostream *Os)
{
    *Os << C.Name;
}

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
    {"Engine", "MasterData1", "OnBeforePrint", "Engine.Free",
     "Cannot free TqdzEngine while the report is being built"},
    {"Outline", "MasterData1", "OnBeforePrint", "Outline.Free",
     "Cannot free TqdzOutline while the report is being built"},
    {"DatasetBeingWalked", "MasterData1", "OnBeforePrint", "Report.GetDataset('Lines').Free",
     "Cannot free Lines while the report is being built"},
};

class BuildGuards : public BuildGuard, public ::testing::WithParamInterface<FreeCase>
{
};

const char *const EndlessProc = "procedure Endless(Sender: TObject);\r\nbegin\r\n  while True do ;\r\nend;\r\n";

} // namespace

TEST_P(BuildGuards, RefusedAndTheTemplateBuildsAgain)
{
    const FreeCase &C = GetParam();
    UseWindowDataSet();
    SetProc(QString::fromLatin1(C.Body));
    TqdzComponent *Target = R->FindObject(QString::fromLatin1(C.Object));
    ASSERT_TRUE(Target);
    SetStrProp(Target, QString::fromLatin1(C.Event), "P");

    EXPECT_FALSE(R->BuildReport());
    EXPECT_TRUE(Errors().contains(QString::fromLatin1(C.Error))) << Errors().toStdString();
    EXPECT_EQ(R->Errors()->Count(), 1);

    // The template came back whole: every object in its place.
    TqdzComponent *Band = R->FindObject("MasterData1");
    TqdzComponent *Memo = R->FindObject("Memo1");
    ASSERT_TRUE(Band && Memo);
    EXPECT_EQ(Memo->Parent(), Band);
    EXPECT_EQ(Band->Parent(), R->FindObject("Page1"));
    EXPECT_EQ(R->Owner(), Owner.get());

    SetProc(QString());
    EXPECT_TRUE(R->BuildReport()) << Errors().toStdString();
    EXPECT_EQ(R->PreviewPages()->GetCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(Script, BuildGuards, ::testing::ValuesIn(FreeCases),
                         [](const ::testing::TestParamInfo<FreeCase> &I) { return std::string(I.param.Name); });

// Outside a build a script frees report objects as it likes, and during one
// what it made itself; a list of children is never its to change.
TEST_F(BuildGuard, OnlyTheRunningBuildIsGuarded)
{
    SetProc("Memo1.Free;");
    ASSERT_TRUE(R->SetupScript());
    Variant None;
    R->CallScriptEvent("P", None, true);
    EXPECT_EQ(R->FindObject("Memo1"), nullptr);

    SetProc("Page1.Objects.Clear;");
    ASSERT_TRUE(R->SetupScript());
    try {
        R->CallScriptEvent("P", None, true);
        ADD_FAILURE() << "the list of children was changed";
    } catch (const EInvalidOperation &E) {
        EXPECT_TRUE(E.Message().contains("Cannot change the objects of Page1 from a script"))
            << E.Message().toStdString();
    }
    EXPECT_EQ(R->FindObject("Page1")->Objects()->Count(), 1);

    SetProc("o := TStringList.Create; o.Free; o := TComponent.Create(nil); o.Free;");
    MD->SetOnBeforePrint("P");
    EXPECT_TRUE(R->BuildReport()) << Errors().toStdString();
}

// Bands that never fill a page and scripts that never stop taking memory
// end at the caller's memory limit, quickly and with the reason.
TEST_F(BuildGuard, BuildsStopAtTheirMemoryLimit)
{
    const char *const Runaway = "  L := TStringList.Create;\r\n  while True do L.Add('one more line that is never freed');\r\n";
    const std::pair<const char *, std::function<void()>> Cases[] = {
        {"EndlessDataWithoutHeight",
         [this] {
             MD->SetHeight(0);
             MD->SetRowCount(0);
             auto *Endless = new TqdzUserDataSet(R);
             Endless->SetName("Endless");
             R->DataSets()->Add()->SetDataSet(Endless);
             MD->SetDataSet(Endless);
         }},
        {"MostRowsWithoutHeight",
         [this] {
             MD->SetHeight(0);
             MD->SetRowCount(std::numeric_limits<int>::max());
         }},
        {"MainBlock", [&] { SetScript(QStringLiteral("var L: TStringList;\r\nbegin\r\n%1end.").arg(Runaway)); }},
        {"BandEvent",
         [&] {
             SetScript(QStringLiteral("var L: TStringList;\r\nprocedure P(Sender: TObject);\r\nbegin\r\n%1end;\r\n"
                                      "begin\r\nend.")
                           .arg(Runaway));
             MD->SetOnBeforePrint("P");
         }},
    };
    for (const auto &[Name, Make] : Cases) {
        SCOPED_TRACE(Name);
        MakeReport();
        R->EngineOptions()->SetMaxBuildMemSize(8);
        Make();
        QElapsedTimer T;
        T.start();
        EXPECT_FALSE(R->BuildReport());
        EXPECT_LT(T.elapsed(), 120000);
        EXPECT_EQ(Errors(), "The report used more than 8 MB of memory and was stopped");
    }
}

TEST_F(BuildGuard, AnEndlessMainBlockStops)
{
    // At the caller's time limit.
    SetScript("begin\r\n  while True do ;\r\nend.");
    R->SetMaxBuildTime(150);
    QElapsedTimer T;
    T.start();
    EXPECT_FALSE(R->BuildReport());
    EXPECT_LT(T.elapsed(), 60000);
    EXPECT_EQ(Errors(), "The report ran longer than 150 ms and was stopped");
    EXPECT_EQ(R->PreviewPages()->GetCount(), 0);

    // At Terminated, set by what the host does meanwhile (here a timer),
    // without a progress window, as the station builds.
    R->SetMaxBuildTime(0);
    R->SetShowProgress(false);
    SetScript("var i: Integer;\r\nbegin\r\n  while True do i := i + 1;\r\nend.");
    QTimer::singleShot(100, [this] { R->SetTerminated(true); });
    T.restart();
    EXPECT_FALSE(R->BuildReport());
    EXPECT_LT(T.elapsed(), 60000);
    EXPECT_EQ(Errors(), "The report was cancelled");
}

TEST_F(BuildGuard, TheProgressWindowsCancelStopsAnEndlessEventAndTheStopEvent)
{
    R->BuildLimits().StopGraceTime = 50;
    R->SetOldStyleProgress(true);
    R->SetShowProgress(true);
    SetScript(QString::fromLatin1(EndlessProc) + "begin\r\nend.");
    MD->SetOnBeforePrint("Endless");
    R->SetOnStopReport("Endless");
    bool Clicked = false;
    QTimer Cancel;
    Cancel.setInterval(50);
    QObject::connect(&Cancel, &QTimer::timeout, [&Clicked] {
        for (int i = 0; i < Screen->FormCount(); ++i)
            if (auto *P = dynamic_cast<TqdzProgress *>(Screen->Forms(i))) {
                P->CancelB->Click();
                Clicked = true;
            }
    });
    Cancel.start();
    QElapsedTimer T;
    T.start();
    R->BuildReport();
    EXPECT_LT(T.elapsed(), 60000);
    EXPECT_TRUE(Clicked);
    EXPECT_TRUE(R->Terminated());
}

TEST_F(BuildGuard, AfterTheTimeLimitTheStopEventIsNoSecondEndlessRun)
{
    R->BuildLimits().StopGraceTime = 50;
    SetScript(QString::fromLatin1(EndlessProc) +
              "procedure Stopped(Sender: TObject);\r\nbegin\r\n  Endless(Sender);\r\nend;\r\nbegin\r\nend.");
    MD->SetOnBeforePrint("Endless");
    R->SetOnStopReport("Stopped");
    R->SetMaxBuildTime(150);
    QElapsedTimer T;
    T.start();
    EXPECT_FALSE(R->BuildReport());
    EXPECT_LT(T.elapsed(), 60000);
    EXPECT_EQ(Errors(), "The report ran longer than 150 ms and was stopped");
}

// A memo whose making fails for want of memory once armed, as any object
// the build or the restore of the template makes may.
class TStarvedMemo : public TqdzMemoView
{
    STATION_CLASS(TStarvedMemo, TqdzMemoView)
public:
    explicit TStarvedMemo(TComponent *AOwner) : TqdzMemoView(AOwner)
    {
        if (Armed)
            throw std::bad_alloc();
    }
    void Arm(TObject *) { Armed = true; }
    inline static bool Armed = false;
};

STATION_PUBLISHED(TStarvedMemo) {}

TEST_F(BuildGuard, RunningOutOfMemoryIsAFailedBuild)
{
    RegisterClass(TStarvedMemo::StaticClass());
    auto *M = new TStarvedMemo(MD);
    M->SetName("Starved");
    M->SetBounds(200, 0, 100, 18);
    TScopedValue<bool> Armed(TStarvedMemo::Armed, false);
    TMemoryStream Template;
    R->SaveToStream(&Template);
    // Armed once the build has begun: copying the template page runs out,
    // and so does the restore of the template after it.
    R->SetOnBeginDoc(TNotifyEvent(M, &TStarvedMemo::Arm));
    bool Result = true;
    EXPECT_NO_THROW(Result = R->BuildReport());
    EXPECT_FALSE(Result);
    EXPECT_EQ(Errors(), "Out of memory");
    EXPECT_EQ(R->PreviewPages()->GetCount(), 0);

    // The report is still of use: the template reads and builds again.
    TStarvedMemo::Armed = false;
    R->SetOnBeginDoc(TNotifyEvent());
    Template.SetPosition(0);
    R->LoadFromStream(&Template);
    EXPECT_TRUE(R->BuildReport()) << Errors().toStdString();
    EXPECT_EQ(R->PreviewPages()->GetCount(), 1);

    // Read back for drawing, the page runs out too: an error, not the end.
    TStarvedMemo::Armed = true;
    auto *Pages = static_cast<TqdzPreviewPages *>(R->PreviewPages());
    Pages->ClearPageCache();
    TBitmap Bmp;
    Bmp.SetSize(100, 100);
    EXPECT_NO_THROW(Pages->DrawPage(0, Bmp.Canvas(), 1, 1, 0, 0));
    EXPECT_EQ(Errors(), "Out of memory reading page 1 back");
}
