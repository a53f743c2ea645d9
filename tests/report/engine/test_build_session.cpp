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
#include <algorithm>
#include <atomic>
#include <limits>
#include <thread>
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
                  "  t: TDateTime;\r\n  s: TMemoryStream;\r\n" +
                  More + "procedure P(Sender: TqdzComponent);\r\nbegin\r\n" + Body +
                  "\r\nend;\r\nfunction K(i: Integer): Integer;\r\nbegin\r\n  P(nil);\r\n  Result := i;\r\nend;\r\n"
                  "begin\r\n" + Main + "\r\nend.");
        Report->SetScriptText(&S);
    }
    void SetEvent(const char *Object, const char *Event, const QString &Proc = QStringLiteral("P"))
    {
        if (*Object)
            SetStrProp(Report->FindObject(QString::fromLatin1(Object)), QString::fromLatin1(Event), Proc);
    }
    // Body runs when the report prints (PR) and when Memo1 is clicked (PC).
    void SetPrintAndClick(const QString &Body, const QString &P = QString())
    {
        SetScript("", P,
                  "procedure PC(Sender: TObject; Button, Shift: Integer; var Modified: Boolean);\r\nbegin\r\n" + Body +
                      "\r\nend;\r\nprocedure PR(Sender: TObject);\r\nbegin\r\n" + Body + "\r\nend;\r\n");
        SetEvent("Memo1", "OnPreviewClick", "PC");
        Report->SetOnReportPrint("PR");
    }
    // Clicks Memo1 on the first built page; false when it is not there.
    bool ClickMemo1()
    {
        TqdzReportPage *Page = Report->PreviewPages()->GetPage(0);
        auto *Memo = Page ? dynamic_cast<TqdzView *>(Page->FindObject("Memo1")) : nullptr;
        if (!Memo)
            return false;
        bool Modified = false;
        Report->DoPreviewClick(Memo, mbLeft, TShiftState(), Modified, false);
        return true;
    }
    ~TSessionReport() { qdzUnregisterClassRTTI(); }
    int Objects() { return Report->AllObjects()->Count(); }
    QByteArray Saved()
    {
        TMemoryStream S;
        Report->SaveToStream(&S);
        return QByteArray(static_cast<const char *>(S.Memory()), int(S.Size()));
    }
};

struct TemplateCase
{
    const char *Name;
    const char *Object; // whose event runs P; none: the main block sets it up
    const char *Event;
    const char *Main;
    const char *Body;
    const char *Error; // "" for a build that succeeds
    const char *Text = "[Line]"; // Memo1's
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
    // What frees children is judged as freeing them.
    {"BandAssignedItselfWhileItsMemoPrints", "Memo1", "OnBeforePrint", "", "MasterData1.Assign(MasterData1)",
     "Cannot free Memo1 while the report is being built"},
    {"PageAssignedItselfFromABand", "MasterData1", "OnBeforePrint", "", "Page1.Assign(Page1)",
     "Cannot free MasterData1 while the report is being built"},
    {"BandAssignedAfterItsMemoPrinted", "Memo1", "OnAfterPrint", "", "MasterData1.Assign(Memo1)",
     "Cannot free Memo1 while the report is being built"},
    {"BandAssignedInsideAnExpression", "", "", "", "MasterData1.Assign(MasterData1)",
     "Memo1: Cannot free Memo1 while the report is being built", "[K(1)]"},
    {"BandCleared", "Memo1", "OnBeforePrint", "", "MasterData1.Clear",
     "Cannot free Memo1 while the report is being built"},
    {"BandReadFromAStream", "MasterData1", "OnBeforePrint", "",
     "s := TMemoryStream.Create; MasterData1.SaveToStream(s); s.Position := 0; MasterData1.LoadFromStream(s)",
     "Cannot free Memo1 while the report is being built"},
    {"ReportCleared", "Memo1", "OnAfterPrint", "", "Report.Clear", "Cannot free Page1 while the report is being built"},
    // Nothing of the template goes: allowed.
    {"MemoAssignedFromAnother", "Memo1", "OnBeforePrint", "", "Memo1.Assign(Memo2)", ""},
    {"MadeMemoClearedWithItsMadeChild", "Memo1", "OnBeforePrint",
     "m := TqdzMemoView.Create(MasterData1); m.Left := 300; x := TqdzMemoView.Create(m); x.Text := 'made';",
     "n := n + 1; if n = 2 then m.Clear;", ""},
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
    static_cast<TqdzMemoView *>(H.Report->FindObject("Memo1"))->SetText(QString::fromLatin1(C.Text));
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

namespace {

struct ChangeCase
{
    const char *Name;
    const char *Main;
};

void PrintTo(const ChangeCase &C, std::ostream *Os)
{
    *Os << C.Name;
}

const ChangeCase ChangeCases[] = {
    {"TextAndFont", "Memo1.Text := 'changed'; Memo1.Font.Size := 20; Memo1.Font.Color := clRed; "
                    "MasterData1.Font.Name := 'Courier New'"},
    {"FontGivenBackToTheParent", "Memo2.ParentFont := False; ReportTitle1.Font.Size := 30"},
    {"PaperSizeSetsTheWidth", "Page2.LeftMargin := 33; Page2.PaperSize := 256; Page2.PaperWidth := 100"},
    {"NamesSwapped", "Memo1.Name := 'Swap'; Memo2.Name := 'Memo1'; MasterData1.Name := 'Memo2'"},
    {"VariablesAndLists", "Set('A', 5); Report.ScriptText.Add('// more'); Memo1.Highlight.Condition := 'Value > 1'"},
    {"BandsAndObjectsAdded", "MasterData1.Height := 99; MasterData1.RowCount := 2; "
                             "m := TqdzMemoView.Create(MasterData1); m.Name := 'Made1'; "
                             "x := TqdzMemoView.Create(Page2); Memo1.Tag := 7"},
};

class TemplateChanges : public ::testing::TestWithParam<ChangeCase>
{
};

} // namespace

// What a build's script changes, the template's own objects take back: the
// same objects, the same template text, twice.
TEST_P(TemplateChanges, PutBackIntoTheSameObjects)
{
    TSessionReport H;
    H.SetScript(QString::fromLatin1(GetParam().Main), "");
    const QByteArray Template = H.Saved();
    const std::vector<TqdzComponent *> Before = {H.Report->FindObject("Memo1"), H.Report->FindObject("Memo2"),
                                                 H.Report->FindObject("MasterData1"), H.Report->FindObject("Page2")};
    for (int build = 0; build < 2; ++build) {
        SCOPED_TRACE(build);
        EXPECT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
        EXPECT_EQ(H.Saved(), Template);
        EXPECT_EQ((std::vector<TqdzComponent *>{H.Report->FindObject("Memo1"), H.Report->FindObject("Memo2"),
                                                H.Report->FindObject("MasterData1"), H.Report->FindObject("Page2")}),
                  Before);
    }
}

INSTANTIATE_TEST_SUITE_P(Session, TemplateChanges, ::testing::ValuesIn(ChangeCases),
                         [](const ::testing::TestParamInfo<ChangeCase> &I) { return std::string(I.param.Name); });

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

// The free guard looks at what a free takes along, not at the whole
// template: 10,000 frees cost about the same beside 40 times as many
// template objects (they cost 15 times as much when each free walked the
// template). Timed by the script itself, the best of two runs each.
TEST(BuildSession, AFreeCostsNoMoreBesideALargerTemplate)
{
    auto cost = [](int Objects) {
        TSessionReport H;
        H.Report->EngineOptions()->SetRestoreAfterRun(false);
        // Objects that no band prints, in bands of 50.
        auto *Page = static_cast<TqdzReportPage *>(H.Report->FindObject("Page2"));
        for (int b = 0; b * 50 < Objects; ++b) {
            auto *C = H.Band<TqdzChild>(QStringLiteral("Child%1").arg(b + 1), 0, 20, Page);
            for (int i = 0; i < 50; ++i)
                H.Memo(C, QStringLiteral("Memo%1_%2").arg(b + 1).arg(i + 1), "x");
        }
        H.SetScript("t := Now; for n := 1 to 10000 do begin o := TComponent.Create(nil); o.Free; end;\r\n"
                    "Report.Tag := Round((Now - t) * 86400000);",
                    "");
        int best = std::numeric_limits<int>::max();
        for (int run = 0; run < 2; ++run) {
            EXPECT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
            best = std::min(best, H.Report->Tag());
        }
        return std::max(best, 1);
    };
    const int small = cost(50);
    const int large = cost(2000);
    EXPECT_LT(large, 5 * small) << small << " ms beside 50 objects, " << large << " ms beside 2000";
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
    EXPECT_LT(T.elapsed(), 60000);
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
    H.SetPrintAndClick(Body);
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
        try {
            EXPECT_TRUE(H.ClickMemo1());
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

// One thread builds a report again and again while another runs a script
// that makes and frees components: each script is judged against the
// builds of its own thread, never against a tree the other thread changes
// or frees. Both sides run a bounded number of times, whatever the timing.
TEST(BuildSessionThreads, AScriptFreesWhileAnotherThreadBuilds)
{
    TSessionReport H;
    H.Report->EngineOptions()->SetThreadSafe(true);
    H.SetScript("", "m := TqdzMemoView.Create(MasterData1); m.Free;");
    H.SetEvent("Memo1", "OnBeforePrint");
    TqdzReport Other(nullptr);
    Other.ScriptText()->SetText("var o: TComponent; i: Integer;\r\n"
                                "begin for i := 1 to 50 do begin o := TComponent.Create(nil); o.Free; end; end.");
    // Compiled here, so that the threads only run what is compiled.
    ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
    ASSERT_TRUE(Other.SetupScript());
    const QStringList texts = H.AllTexts();

    std::atomic<bool> built{false};
    int builds = 0;
    QStringList failures;
    std::thread builder([&] {
        for (; builds < 20; ++builds)
            if (!H.Build() || H.AllTexts() != texts)
                failures << H.Errors().join('|');
        built = true;
    });
    int runs = 0;
    for (; runs < 5000 && (runs == 0 || !built); ++runs)
        Other.Script()->Execute();
    builder.join();
    EXPECT_EQ(builds, 20);
    EXPECT_GT(runs, 0);
    EXPECT_EQ(failures.join('\n'), QString());
}

namespace {

struct NamedCase
{
    const char *Name;
    const char *Where; // "print" or "click"
    const char *Body;
    const char *Memo1; // Memo1's text in the template afterwards
};

void PrintTo(const NamedCase &C, std::ostream *Os)
{
    *Os << C.Name;
}

const NamedCase NamedCases[] = {
    {"PrintSetsAMemo", "print", "Memo1.Text := 'printed'", "printed"},
    {"PrintNamesABandAndAPage", "print", "Memo1.Text := MasterData1.Name + ' ' + Page2.Name",
     "MasterData1 Page2"},
    {"ClickSetsAMemo", "click", "Memo1.Text := 'clicked'", "clicked"},
    {"ClickMovesAMemoOfTheTemplate", "click", "Memo2.Left := 123; Memo1.Text := FloatToStr(Memo2.Left)", "123"},
};

class NamesAfterBuilds : public ::testing::TestWithParam<NamedCase>
{
};

} // namespace

// After each of two builds, a script run by printing or by a click names
// the template's objects and changes them; the next build starts from the
// template as it then stands, and what its own script changes goes again.
TEST_P(NamesAfterBuilds, ScriptsSeeTheTemplate)
{
    const NamedCase &C = GetParam();
    TLaserPrinting Printing;
    TSessionReport H;
    TqdzReport *R = H.Report.get();
    const QString Body = QString::fromLatin1(C.Body);
    H.SetPrintAndClick(Body, "Memo2.Text := 'during the build'");
    H.SetEvent("ReportTitle1", "OnAfterPrint");
    R->PrintOptions()->SetShowDialog(false);
    R->PrintOptions()->SetOutputFileName(Printing.Dir.filePath("out.pdf"));
    auto *Memo1 = static_cast<TqdzMemoView *>(R->FindObject("Memo1"));
    auto *Memo2 = static_cast<TqdzMemoView *>(R->FindObject("Memo2"));
    for (int build = 0; build < 2; ++build) {
        SCOPED_TRACE(build);
        ASSERT_TRUE(R->BuildReport()) << H.Errors().join('|').toStdString();
        // The template's own objects, as they were.
        ASSERT_EQ(R->FindObject("Memo1"), Memo1);
        EXPECT_EQ(Memo2->Text(), "second\r\n");
        if (QString::fromLatin1(C.Where) == "print") {
            EXPECT_TRUE(R->PrintReport()) << H.Errors().join('|').toStdString();
        } else {
            ASSERT_TRUE(H.ClickMemo1());
        }
        EXPECT_EQ(H.Errors().join('|'), "");
        EXPECT_EQ(Memo1->Text().trimmed(), QString::fromLatin1(C.Memo1));
    }
}

INSTANTIATE_TEST_SUITE_P(Session, NamesAfterBuilds, ::testing::ValuesIn(NamedCases),
                         [](const ::testing::TestParamInfo<NamedCase> &I) { return std::string(I.param.Name); });

// A template of many objects is saved and put back in a small share of the
// build, and its saving heeds the time limit: the build takes not much
// longer than the same build that keeps no copy of its template. (Unnamed,
// the objects cost the script's set-up nothing.)
TEST(BuildSession, ALargeTemplateEndsNearTheTimeLimit)
{
    TSessionReport H;
    auto *Data = dynamic_cast<TqdzDataPage *>(H.Report->FindObject("Data"));
    ASSERT_TRUE(Data);
    for (int i = 0; i < 50000; ++i) {
        auto *M = new TqdzMemoView(Data);
        M->SetBounds(i % 10 * 70, i / 10 * 20, 65, 18);
        M->SetText(QStringLiteral("T%1").arg(i));
    }
    H.SetScript("while True do ;", "");
    H.Report->SetMaxBuildTime(100);
    const int Objects = H.Objects();
    qint64 Elapsed[2];
    for (bool Restore : {false, true}) {
        H.Report->EngineOptions()->SetRestoreAfterRun(Restore);
        QElapsedTimer T;
        T.start();
        EXPECT_FALSE(H.Build());
        Elapsed[Restore] = T.elapsed();
        EXPECT_EQ(H.Errors().join('|'), "The report ran longer than 100 ms and was stopped");
    }
    EXPECT_LT(Elapsed[1], 10 * Elapsed[0]);
    EXPECT_EQ(H.Objects(), Objects);
}

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
                "    for j := 1 to 20 do L.Add('" +
                    QString(200, QLatin1Char('x')) +
                    "' + IntToStr(j));\r\n  end;\r\n"
                    "  o := TComponent.Create(nil); x := TqdzMemoView.Create(o);\r\n"
                    "  m := TqdzMemoView.Create(nil); m.Parent := MasterData1; m.Left := 300;",
                "", "  j: Integer;\r\n");
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

// A file cache whose folder cannot be used never escapes as an exception:
// the template's copy is kept in memory, so the build goes on without it.
TEST(BuildSession, AFileCacheThatCannotBeWrittenFailsNoBuild)
{
    TSessionReport H;
    H.Report->EngineOptions()->SetUseFileCache(true);
    H.Report->EngineOptions()->SetTempDir("/proc/");
    for (int build = 0; build < 2; ++build) {
        EXPECT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
        EXPECT_EQ(H.AllTexts().join('|'), "1|2|3|second");
    }
}
