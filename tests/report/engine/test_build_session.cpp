// A build's session through the real engine: what scripts free and move during builds and outside them, how a
// build stops and says why (builds started from a build with it), and a template that builds the same and holds
// the same memory after any number of builds.
#include "EngineHarness.h"
#include "PrinterFakes.h"

#include "platform/Dialogs.h"
#include "report/engine/qdzPrinter.h"
#include "report/model/qdzBuildSession.h"
#include "report/model/qdzClassRTTI.h"
#include "report/model/qdzMemoryMeter.h"
#include "platform/Streams.h"
#include "script/kw_iinterpreter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Page1: MasterData1 of three rows with Memo1; Page2: a title with Memo2.
struct TSessionReport : EngineHarness
{
    TSessionReport()
    {
        Report->SetName("qdzReport1");
        Report->EngineOptions()->SetRestoreAfterRun(true);
        auto *MD = Band<TqdzMasterData>("MasterData1", 20, 20);
        MD->SetRowCount(3);
        Memo(MD, "Memo1", "[Line]");
        Memo(Band<TqdzReportTitle>("ReportTitle1", 0, 20, NewPage("Page2")), "Memo2", "second");
        qdzRegisterClassRTTI();
        // Loaded, as the station's templates are.
        TMemoryStream S;
        Report->SaveToStream(&S);
        S.SetPosition(0);
        Report->LoadFromStream(&S);
    }
    // The main block Main, and the procedure P with Body.
    void SetScript(const QString &Main, const QString &Body, const QString &More = QString())
    {
        TStringList S;
        S.SetText("var n: Integer;\r\n  m, x: TqdzMemoView;\r\n  o: TComponent;\r\n  L: TStringList;\r\n"
                  "  t: TDateTime;\r\n" +
                  More + "procedure P(Sender: TqdzComponent);\r\nbegin\r\n" + Body + "\r\nend;\r\nbegin\r\n" + Main +
                  "\r\nend.");
        Report->SetScriptText(&S);
    }
    void SetEvent(const char *Object, const char *Event, const QString &Proc = QStringLiteral("P"))
    {
        if (*Object)
            SetStrProp(Report->FindObject(QString::fromLatin1(Object)), QString::fromLatin1(Event), Proc);
    }
    ~TSessionReport() { qdzUnregisterClassRTTI(); }
    int Objects() { return Report->AllObjects()->Count(); }
};

struct TemplateCase
{
    const char *Name;
    const char *Object; // whose event runs P; none: the main block sets it up
    const char *Event;
    const char *Main;
    const char *Body;
    const char *Error; // "" for a build that succeeds
};

void PrintTo(const TemplateCase &C, std::ostream *Os)
{
    *Os << C.Name;
}

const TemplateCase TemplateCases[] = {
    {"SenderMovedIntoAMemoThenFreed", "Memo1", "OnBeforePrint", "",
     "x := TqdzMemoView.Create(nil); Sender.Parent := x; x.Free;",
     "Cannot change the parent of Memo1 while the report is being built"},
    {"BandMovedIntoAMemoThenFreed", "MasterData1", "OnBeforePrint", "",
     "x := TqdzMemoView.Create(nil); MasterData1.Parent := x; x.Free;",
     "Cannot change the parent of MasterData1 while the report is being built"},
    {"MemoTakenOutOfItsBand", "Memo1", "OnBeforePrint", "", "Sender.Parent := nil",
     "Cannot change the parent of Memo1 while the report is being built"},
    {"PageTakenOutOfTheReport", "MasterData1", "OnBeforePrint", "", "Page2.Parent := nil",
     "Cannot change the parent of Page2 while the report is being built"},
    {"ForeignOwnerFreedWhileItsMemoPrints", "", "",
     "o := TComponent.Create(nil); m := TqdzMemoView.Create(o); m.Parent := MasterData1; m.OnBeforePrint := 'P';",
     "o.Free", "Cannot free TComponent while the report is being built"},
    {"MadeMemoFreesItselfWhileItPrints", "", "",
     "m := TqdzMemoView.Create(MasterData1); m.OnBeforePrint := 'P';", "Sender.Free",
     "Cannot free TqdzMemoView while the report is being built"},
    {"ForeignOwnerFreedAfterItsMemoPrinted", "Memo1", "OnAfterPrint",
     "o := TComponent.Create(nil); m := TqdzMemoView.Create(o); m.Parent := MasterData1; m.Text := 'made';",
     "n := n + 1; if n = 1 then o.Free;", ""},
    {"MadeAndFreedInOneBandEvent", "MasterData1", "OnBeforePrint", "",
     "m := TqdzMemoView.Create(MasterData1); m.Text := 'made'; m.Free;", ""},
    {"MadeAndFreedInOneViewEvent", "Memo1", "OnBeforePrint", "",
     "m := TqdzMemoView.Create(MasterData1); m.SetBounds(300, 0, 50, 18); m.Free;", ""},
    {"MadeInTheMainBlockFreedOnTheSecondRow", "Memo1", "OnBeforePrint",
     "m := TqdzMemoView.Create(MasterData1); m.Name := 'Made1'; m.Text := 'made'; m.Left := 300;",
     "n := n + 1; if n = 2 then m.Free;", ""},
    {"MadeMemoMovedIntoAFreedOne", "Memo1", "OnBeforePrint",
     "m := TqdzMemoView.Create(MasterData1); m.Text := 'made'; m.Left := 300;",
     "n := n + 1; if n = 1 then begin x := TqdzMemoView.Create(nil); m.Parent := x; x.Free; end;", ""},
    {"MadeMemoTakenOutOfTheTree", "MasterData1", "OnAfterPrint",
     "m := TqdzMemoView.Create(MasterData1); m.Name := 'Made1'; m.Text := 'made'; m.Left := 300;",
     "m.Parent := nil", ""},
};

class TemplateScripts : public ::testing::TestWithParam<TemplateCase>
{
};

} // namespace

// Each template builds twice: the same result, errors and pages both times,
// and the template as it was (its objects, the report's owned components).
TEST_P(TemplateScripts, BuildTwiceTheSame)
{
    const TemplateCase &C = GetParam();
    TSessionReport H;
    H.SetScript(QString::fromLatin1(C.Main), QString::fromLatin1(C.Body));
    H.SetEvent(C.Object, C.Event);
    const int objects = H.Objects();
    const int owned = H.Report->ComponentCount();
    const bool ok = !*C.Error;
    QStringList first;
    for (int build = 0; build < 2; ++build) {
        EXPECT_EQ(H.Build(), ok) << "build " << build;
        EXPECT_EQ(H.Errors().join('|'), QString::fromLatin1(C.Error)) << "build " << build;
        EXPECT_EQ(H.Objects(), objects) << "build " << build;
        EXPECT_EQ(H.Report->ComponentCount(), owned) << "build " << build;
        ASSERT_TRUE(H.Report->FindObject("Page2") && H.Report->FindObject("Memo1"));
        EXPECT_EQ(H.Report->FindObject("Memo1")->Parent(), H.Report->FindObject("MasterData1"));
        EXPECT_EQ(H.Report->FindObject("Made1"), nullptr);
        const QStringList texts = H.AllTexts();
        if (build == 0)
            first = texts;
        else
            EXPECT_EQ(texts.join('|'), first.join('|'));
    }
    if (ok) {
        EXPECT_TRUE(first.contains("second") && first.contains("3")) << first.join('|').toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Session, TemplateScripts, ::testing::ValuesIn(TemplateCases),
                         [](const ::testing::TestParamInfo<TemplateCase> &I) { return std::string(I.param.Name); });

// What a freed made object takes along leaves the pages at once.
TEST(BuildSession, FreedMadeObjectsLeaveThePages)
{
    TSessionReport H;
    H.SetScript("m := TqdzMemoView.Create(MasterData1); m.Text := 'made'; m.Left := 300;",
                "n := n + 1; if n = 2 then m.Free;");
    H.SetEvent("Memo1", "OnBeforePrint");
    ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
    EXPECT_EQ(H.AllTexts().join('|'), "1|made|2|3|second");
}

namespace {

struct StopCase
{
    const char *Name;
    const char *Band;   // MasterData1's OnBeforePrint
    const char *Stopped; // OnStopReport, before it writes its file
    int CancelAfter;     // ms; 0: no cancel
    int MaxBuildTime;
    const char *Error;
    bool Written;
};

void PrintTo(const StopCase &C, std::ostream *Os)
{
    *Os << C.Name;
}

const char *const Busy = "t := Now; while Now < t + 0.3 / 86400 do ;";

const StopCase StopCases[] = {
    {"EngineStopReportIsANormalEnd", "Engine.StopReport", Busy, 0, 0, "", true},
    {"TerminatedByTheReportsScript", "Report.Terminated := True", Busy, 0, 20000, "", true},
    {"CancelDuringTheStopEvent", "Engine.StopReport", "while True do ;", 150, 0, "The report was cancelled", false},
    {"TimeLimitDuringTheStopEvent", "Engine.StopReport", "while True do ;", 0, 300,
     "The report ran longer than 300 ms and was stopped", false},
    {"CancelCutsTheStopEventAfterItsGrace", "while True do ;", Busy, 150, 0, "The report was cancelled", false},
    {"TimeLimitCutsTheStopEventAfterItsGrace", "while True do ;", Busy, 0, 300,
     "The report ran longer than 300 ms and was stopped", false},
};

class BuildStops : public ::testing::TestWithParam<StopCase>
{
};

} // namespace

// A stop the report asks for lets its stop event run to its end; a cancel
// or the time limit fails the build with the reason, and cuts the stop event
// after its grace time.
TEST_P(BuildStops, ResultAndReason)
{
    const StopCase &C = GetParam();
    QTemporaryDir Dir;
    const QString File = Dir.filePath("stopped.txt");
    TSessionReport H;
    H.Report->BuildLimits().StopGraceTime = 50;
    H.SetScript("", QString::fromLatin1(C.Band),
                "procedure Stopped(Sender: TObject);\r\nbegin\r\n" + QString::fromLatin1(C.Stopped) +
                    "\r\n  L := TStringList.Create; L.Add('done'); L.SaveToFile('" + File +
                    "'); L.Free;\r\nend;\r\n");
    H.SetEvent("MasterData1", "OnBeforePrint");
    H.Report->SetOnStopReport("Stopped");
    H.Report->SetMaxBuildTime(C.MaxBuildTime);
    // Gone with the test, whenever the build ends.
    QTimer Cancel;
    Cancel.setSingleShot(true);
    QObject::connect(&Cancel, &QTimer::timeout, [&H] { H.Report->SetTerminated(true); });
    if (C.CancelAfter)
        Cancel.start(C.CancelAfter);
    QElapsedTimer T;
    T.start();
    EXPECT_EQ(H.Build(), !*C.Error);
    EXPECT_LT(T.elapsed(), 5000);
    EXPECT_EQ(H.Errors().join('|'), QString::fromLatin1(C.Error));
    EXPECT_EQ(QFile::exists(File), C.Written);
}

INSTANTIATE_TEST_SUITE_P(Session, BuildStops, ::testing::ValuesIn(StopCases),
                         [](const ::testing::TestParamInfo<StopCase> &I) { return std::string(I.param.Name); });

namespace {

struct OutsideCase
{
    const char *Name;
    const char *Where; // "print", "click" or "run"
    const char *Body;
    const char *Error;
};

void PrintTo(const OutsideCase &C, std::ostream *Os)
{
    *Os << C.Name;
}

const OutsideCase OutsideCases[] = {
    {"PrintFreesTheReport", "print", "Report.Free", "Cannot free qdzReport1 while the report's script is running"},
    {"PrintFreesTheEngine", "print", "Engine.Free", "Cannot free TqdzEngine while the report's script is running"},
    {"PrintFreesTheHostsDataset", "print", "Report.GetDataset('qdzUserDataSet1').Free",
     "Cannot free qdzUserDataSet1 while the report's script is running"},
    {"PrintFreesTheOutline", "print", "Outline.Free", "Cannot free TqdzOutline while the report's script is running"},
    {"ClickFreesTheReport", "click", "Report.Free", "Cannot free qdzReport1 while the report's script is running"},
    {"ClickFreesWhatItWasClickedOn", "click", "Sender.Free",
     "Cannot free Memo1 while the report's script is running"},
    {"RunFreesTheReport", "run", "Report.Free", "Cannot free qdzReport1 while the report's script is running"},
    {"RunFreesTheReportsOwner", "run", "Report.Owner.Free", "Cannot free Host while the report's script is running"},
    // A new build would clear the script that runs it and the pages being printed.
    {"PrintBuildsAgain", "print", "Report.ShowReport", "Cannot show the report while the report's script is running"},
    {"ClickBuildsAgain", "click", "Report.ShowReport", "Cannot show the report while the report's script is running"},
    {"RunBuildsAgain", "run", "Report.ShowReport", "Cannot show the report while the report's script is running"},
};

class ScriptsOutsideBuilds : public ::testing::TestWithParam<OutsideCase>
{
};

} // namespace

// Printing, a click on a built page and a run of the script by the caller:
// the script frees nothing that runs it or that the host owns; the report,
// its store and the host's dataset stay of use.
TEST_P(ScriptsOutsideBuilds, FreeRefused)
{
    const OutsideCase &C = GetParam();
    TLaserPrinting Printing;
    QTemporaryDir &Dir = Printing.Dir;
    // The report sits on the host's window, as the station's does, and uses
    // a dataset of the host's.
    TComponent Host(nullptr);
    Host.SetName("Host");
    TqdzUserDataSet DataSet(nullptr);
    DataSet.SetName("qdzUserDataSet1");
    TSessionReport H;
    TqdzReport *R = H.Report.get();
    Host.InsertComponent(R);
    R->DataSets()->Add()->SetDataSet(&DataSet);
    const QString Body = QString::fromLatin1(C.Body);
    H.SetScript("", "", "procedure PC(Sender: TObject; Button, Shift: Integer; var Modified: Boolean);\r\nbegin\r\n" +
                            Body + "\r\nend;\r\nprocedure PR(Sender: TObject);\r\nbegin\r\n" + Body + "\r\nend;\r\n");
    H.SetEvent("Memo1", "OnPreviewClick", "PC");
    R->SetOnReportPrint("PR");
    ASSERT_TRUE(R->BuildReport()) << H.Errors().join('|').toStdString();
    ASSERT_EQ(R->PreviewPages()->GetCount(), 2);

    const QString Where = QString::fromLatin1(C.Where);
    QString Error;
    TStringList Saved;
    if (Where == "print") {
        R->PrintOptions()->SetShowDialog(false);
        R->PrintOptions()->SetOutputFileName(Dir.filePath("out.pdf"));
        EXPECT_FALSE(R->PrintReport());
        Error = H.Errors().join('|');
    } else if (Where == "click") {
        TqdzReportPage *Page = R->PreviewPages()->GetPage(0);
        ASSERT_TRUE(Page);
        auto *Memo = dynamic_cast<TqdzView *>(Page->FindObject("Memo1"));
        ASSERT_TRUE(Memo);
        bool Modified = false;
        try {
            R->DoPreviewClick(Memo, mbLeft, TShiftState(), Modified, false);
        } catch (const Exception &E) {
            Error = E.Message();
        }
    } else {
        Saved.Assign(R->ScriptText());
        TStringList S;
        S.SetText("begin\r\n" + Body + "\r\nend.");
        R->SetScriptText(&S);
        ASSERT_TRUE(R->SetupScript());
        try {
            R->Script()->Execute();
        } catch (const Exception &E) {
            Error = E.Message();
        }
    }
    EXPECT_EQ(Error, QString::fromLatin1(C.Error));
    // Everything is still there and of use.
    EXPECT_EQ(R->Owner(), &Host);
    EXPECT_EQ(R->GetDataset("qdzUserDataSet1"), &DataSet);
    EXPECT_EQ(R->PreviewPages()->GetCount(), 2);
    EXPECT_TRUE(R->PreviewPages()->GetPage(0));
    if (Saved.Count() > 0)
        R->SetScriptText(&Saved);
    EXPECT_TRUE(R->BuildReport()) << H.Errors().join('|').toStdString();
    qdzFreePrinters();
}

INSTANTIATE_TEST_SUITE_P(Session, ScriptsOutsideBuilds, ::testing::ValuesIn(OutsideCases),
                         [](const ::testing::TestParamInfo<OutsideCase> &I) { return std::string(I.param.Name); });

// A report the script builds from its own, whose script never ends, stops
// with the caller's build: by its time limit or its cancel. The script waits
// long enough for the second report's build to start.
TEST(BuildSession, ABuildStartedFromABuildStopsWithIt)
{
    const struct
    {
        int MaxBuildTime;
        int CancelAfter; // ms; 0: no cancel
        const char *Error;
    } Cases[] = {{1000, 0, "The report ran longer than 1000 ms and was stopped"},
                 {0, 300, "The report was cancelled"}};
    for (const auto &C : Cases) {
        SCOPED_TRACE(C.Error);
        QTemporaryDir Dir;
        const QString Started = Dir.filePath("started.txt"), Child = Dir.filePath("child.qdz");
        {
            TqdzReport R(nullptr);
            (new TqdzReportPage(&R))->SetName("Page1");
            TStringList S;
            S.SetText("var L: TStringList;\r\nbegin\r\n  L := TStringList.Create; L.SaveToFile('" + Started +
                      "');\r\n  while True do ;\r\nend.");
            R.SetScriptText(&S);
            R.SaveToFile(Child);
        }
        TSessionReport H;
        H.SetScript("R := TqdzReport.Create(nil); R.LoadFromFile('" + Child +
                        "'); R.ShowReport;\r\n  t := Now; while Now < t + 60 / 86400 do ;",
                    "", "  R: TqdzReport;\r\n");
        H.Report->SetMaxBuildTime(C.MaxBuildTime);
        for (int build = 0; build < 2; ++build) {
            QFile::remove(Started);
            QTimer Cancel;
            Cancel.setSingleShot(true);
            QObject::connect(&Cancel, &QTimer::timeout, [&H] { H.Report->SetTerminated(true); });
            if (C.CancelAfter)
                Cancel.start(C.CancelAfter);
            QElapsedTimer T;
            T.start();
            EXPECT_FALSE(H.Build());
            EXPECT_LT(T.elapsed(), 30000);
            EXPECT_EQ(H.Errors().join('|'), QString::fromLatin1(C.Error));
            EXPECT_TRUE(QFile::exists(Started)) << "build " << build;
            EXPECT_TRUE(H.Report->Terminated());
        }
    }
}

// A build started inside another keeps within what is left of its time and
// within its memory, whatever its own caller allowed.
TEST(BuildSession, AnInnerBuildTakesTheOuterLimits)
{
    TqdzReport Outer(nullptr), Inner(nullptr);
    TqdzBuildLimits OuterLimits, InnerLimits;
    OuterLimits.MaxBuildTime = 60000;
    OuterLimits.MaxMemory = 20 << 20;
    InnerLimits.MaxMemory = qint64(1) << 30;
    TqdzBuildSession O(&Outer, OuterLimits);
    {
        TqdzBuildSession I(&Inner, InnerLimits);
        EXPECT_GT(I.Limits().MaxBuildTime, 0);
        EXPECT_LE(I.Limits().MaxBuildTime, 60000);
        EXPECT_EQ(I.Limits().MaxMemory, 20 << 20);
    }
    TqdzBuildSession Next(&Inner, InnerLimits);
    EXPECT_EQ(Next.Limits().MaxMemory, 20 << 20);
}

// What a build's scripts made and left to no one is freed when it ends: a
// template built over and over holds steady. What they handed to an owner or
// a parent goes with that, once.
TEST(BuildSession, WhatScriptsLeftIsFreedWithTheirBuild)
{
    TSessionReport H;
    H.SetScript("for n := 1 to 300 do begin\r\n    L := TStringList.Create;\r\n"
                "    for k := 1 to 20 do L.Add('" +
                    QString(200, QLatin1Char('x')) +
                    "' + IntToStr(k));\r\n  end;\r\n"
                    "  o := TComponent.Create(nil); x := TqdzMemoView.Create(o);\r\n"
                    "  m := TqdzMemoView.Create(nil); m.Parent := MasterData1; m.Left := 300;",
                "", "  k: Integer;\r\n");
    const int Objects = H.Objects();
    qint64 After5 = 0;
    for (int build = 1; build <= 20; ++build) {
        ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
        EXPECT_EQ(H.Objects(), Objects);
        if (build == 5)
            After5 = qdzMemoryInUse();
    }
    // Kept, fifteen builds would hold some 40 MB more.
    EXPECT_LT(qdzMemoryInUse() - After5, 10 << 20);
}

// A file cache whose folder cannot be used fails the build with the reason.
TEST(BuildSession, AFileCacheThatCannotBeWrittenFailsTheBuild)
{
    TSessionReport H;
    H.Report->EngineOptions()->SetUseFileCache(true);
    H.Report->EngineOptions()->SetTempDir("/proc/");
    for (int build = 0; build < 2; ++build) {
        EXPECT_FALSE(H.Build());
        EXPECT_EQ(H.Errors().join('|'), "Cannot create a temporary file in /proc/");
    }
}
