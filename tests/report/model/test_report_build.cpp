// Building, showing and printing a report against the stand-in build layer: dataset checks, the template
// restored after a run with the run's errors kept, failures inside the run, re-entry while building,
// progress, the preview window and the other services of the report.
#include "test_report_standin.h"

#include "platform/Exceptions.h"
#include "platform/Forms.h"
#include "platform/IniFiles.h"
#include "platform/Streams.h"
#include "report/model/qdzClassViews.h"
#include "report/model/qdzRes.h"
#include "report/model/qdzVariables.h"
#include "script/kw_iinterpreter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QStringList Lines(TStrings *S)
{
    QStringList r;
    for (int i = 0; i < S->Count(); ++i)
        r.append(S->Strings(i));
    return r;
}

// Script access to the stand-in memo: its published bounds, and Text.
class TStandInMemoRTTI : public TkwRTTIModule
{
public:
    explicit TStandInMemoRTTI(TkwScript *AScript) : TkwRTTIModule(AScript)
    {
        if (TkwClassVariable *c = AScript->AddClass(TqdzStandInMemo::StaticClass(), QStringLiteral("TPersistent")))
            c->AddProperty(QStringLiteral("Text"), QStringLiteral("String"),
                           TkwGetValueEvent(this, &TStandInMemoRTTI::GetProp),
                           TkwSetValueEvent(this, &TStandInMemoRTTI::SetProp));
    }

private:
    Variant GetProp(TObject *Instance, TClass, const QString &)
    {
        return Variant(static_cast<TqdzStandInMemo *>(Instance)->Text());
    }
    void SetProp(TObject *Instance, TClass, const QString &, const Variant &Value)
    {
        static_cast<TqdzStandInMemo *>(Instance)->SetText(VarToStr(Value));
    }
};

class ReportBuild : public ::testing::Test
{
protected:
    void SetUp() override
    {
        kwAddRTTIModule(&kwNewModule<TStandInMemoRTTI>);
        R = std::make_unique<TqdzReport>(nullptr);
        R->EngineOptions()->SetNewSilentMode(simSilent);
        auto *page = new TqdzReportPage(R.get());
        page->SetName(QStringLiteral("Page1"));
        auto *band = new TqdzMasterData(page);
        band->SetName(QStringLiteral("MasterData1"));
        Memo = new TqdzStandInMemo(band);
        Memo->SetName(QStringLiteral("Memo1"));
        Memo->SetText(QStringLiteral("template"));
        Memo->SetLeft(10);
    }
    void TearDown() override
    {
        R.reset();
        kwRemoveRTTIModule(&kwNewModule<TStandInMemoRTTI>);
    }
    TqdzStandInMemo *CurrentMemo() const { return dynamic_cast<TqdzStandInMemo *>(R->FindObject("Memo1")); }
    TStandInPages *Pages() const { return static_cast<TStandInPages *>(R->PreviewPages()); }

    TStandInBuild Build;
    std::unique_ptr<TqdzReport> R;
    TqdzStandInMemo *Memo = nullptr;
};

struct TCounter
{
    int Calls = 0;
    void Notify(TObject *) { ++Calls; }
};

TEST_F(ReportBuild, AMissingDataSetStopsTheBuildBeforeItBegins)
{
    R->DataSets()->Add()->SetDataSetName(QStringLiteral("NoSuchLines"));
    TCounter began;
    R->SetOnBeginDoc(TNotifyEvent(&began, &TCounter::Notify));
    EXPECT_FALSE(R->BuildReport());
    EXPECT_EQ(began.Calls, 0);
    EXPECT_EQ(Lines(R->Errors()), QStringList{Format(qdzResources()->ResourceText(QStringLiteral("clDSNotExist")),
                                                      {TVarRec(QStringLiteral("NoSuchLines"))})});
    EXPECT_TRUE(R->Errors()->Strings(0).contains(QStringLiteral("NoSuchLines")));
    EXPECT_EQ(Pages()->Pages, 0);
}

TEST_F(ReportBuild, ASuccessfulBuildFiresItsEventsAndProducesPages)
{
    TCounter began, compiled, ended;
    R->SetOnBeginDoc(TNotifyEvent(&began, &TCounter::Notify));
    R->SetOnAfterScriptCompile(TNotifyEvent(&compiled, &TCounter::Notify));
    R->SetOnEndDoc(TNotifyEvent(&ended, &TCounter::Notify));
    R->PrintOptions()->SetPrinted(true);
    EXPECT_TRUE(R->BuildReport());
    EXPECT_EQ(began.Calls, 1);
    EXPECT_EQ(compiled.Calls, 1);
    EXPECT_EQ(ended.Calls, 1);
    EXPECT_FALSE(R->PrintOptions()->Printed());
    EXPECT_EQ(Pages()->Pages, 1);
    // Building again clears the last report unless asked not to.
    EXPECT_TRUE(R->BuildReport());
    EXPECT_EQ(Pages()->Pages, 1);
    EXPECT_TRUE(R->BuildReport(false));
    EXPECT_EQ(Pages()->Pages, 2);
    // A report without pages builds nothing: False, and no end event.
    R->FindObject("Page1")->Free();
    EXPECT_FALSE(R->BuildReport());
    EXPECT_EQ(ended.Calls, 3);
}

TEST_F(ReportBuild, TheTemplateComesBackAfterTheMainBlockAndTheEngineChangedIt)
{
    R->ScriptText()->SetText(QStringLiteral("begin\r\n  Memo1.Left := 50;\r\n  Memo1.Text := 'changed';\r\nend."));
    double leftInRun = 0;
    QString textInRun;
    StandInRunHook() = [&](TStandInEngine *E) {
        auto *m = dynamic_cast<TqdzStandInMemo *>(E->Report()->FindObject("Memo1"));
        leftInRun = m->Left();
        textInRun = m->Text();
        m->SetTop(99);
    };
    ASSERT_TRUE(R->BuildReport()) << Lines(R->Errors()).join('|').toStdString();
    EXPECT_DOUBLE_EQ(leftInRun, 50);
    EXPECT_EQ(textInRun, QStringLiteral("changed\r\n"));
    ASSERT_NE(CurrentMemo(), nullptr);
    EXPECT_DOUBLE_EQ(CurrentMemo()->Left(), 10);
    EXPECT_DOUBLE_EQ(CurrentMemo()->Top(), 0);
    EXPECT_EQ(CurrentMemo()->Text(), QStringLiteral("template\r\n"));
    // Without RestoreAfterRun the changes stay.
    R->EngineOptions()->SetRestoreAfterRun(false);
    ASSERT_TRUE(R->BuildReport());
    EXPECT_DOUBLE_EQ(CurrentMemo()->Left(), 50);
}

TEST_F(ReportBuild, TheRunsErrorsSurviveTheRestoreAndFailTheBuild)
{
    Memo->SetText(QStringLiteral("[1+]"));
    for (bool restore : {true, false}) {
        R->EngineOptions()->SetRestoreAfterRun(restore);
        EXPECT_FALSE(R->BuildReport()) << restore;
        ASSERT_EQ(R->Errors()->Count(), 1) << restore;
        EXPECT_TRUE(R->Errors()->Strings(0).startsWith(QStringLiteral("Memo1: Error in expression '1+': ")));
    }
    // Also with a file cache for the saved template; the file is removed.
    R->EngineOptions()->SetRestoreAfterRun(true);
    R->EngineOptions()->SetUseFileCache(true);
    QTemporaryDir dir;
    R->EngineOptions()->SetTempDir(dir.path());
    EXPECT_FALSE(R->BuildReport());
    EXPECT_EQ(R->Errors()->Count(), 1);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(ReportBuild, AnExceptionInTheRunStillRestoresAndClearsRunning)
{
    StandInRunHook() = [](TStandInEngine *E) {
        E->Report()->FindObject("Memo1")->SetLeft(77);
        throw Exception(QStringLiteral("engine broke"));
    };
    EXPECT_FALSE(R->BuildReport());
    EXPECT_EQ(Lines(R->Errors()), QStringList{"engine broke"});
    EXPECT_FALSE(R->Engine()->Running());
    EXPECT_FALSE(R->Building());
    EXPECT_DOUBLE_EQ(CurrentMemo()->Left(), 10);
    // A failing main block is recorded the same way.
    StandInRunHook() = nullptr;
    R->ScriptText()->SetText(QStringLiteral("var a: Integer;\r\nbegin\r\n  Memo1.Left := 5;\r\n  a := 1 div 0;\r\nend."));
    EXPECT_FALSE(R->BuildReport());
    EXPECT_EQ(Lines(R->Errors()), QStringList{"Division by zero"});
    EXPECT_DOUBLE_EQ(CurrentMemo()->Left(), 10);
    EXPECT_EQ(Pages()->Pages, 0);
    // And the report builds again afterwards.
    R->ScriptText()->SetText(QStringLiteral("begin end."));
    EXPECT_TRUE(R->BuildReport());
}

TEST_F(ReportBuild, WhileBuildingTheTreeCannotBeFreedOrReloaded)
{
    QStringList refused;
    StandInRunHook() = [&refused](TStandInEngine *E) {
        TqdzReport *r = E->Report();
        const std::function<void()> attempts[] = {
            [r] { r->LoadFromFile(QStringLiteral("/nonexistent.qd3")); },
            [r] {
                TStringStream s(QByteArray("<TqdzReport/>"));
                r->LoadFromStream(&s);
            },
            [r] { r->Clear(); },
            [r] { r->BuildReport(); },
            [r] { r->ShowReport(); },
        };
        for (const auto &attempt : attempts) {
            try {
                attempt();
            } catch (const EInvalidOperation &X) {
                refused.append(X.Message());
            }
        }
        // Everything is still there.
        r->FindObject("Memo1")->SetTop(1);
    };
    EXPECT_TRUE(R->BuildReport()) << Lines(R->Errors()).join('|').toStdString();
    EXPECT_EQ(refused, (QStringList{"Cannot load a template while the report is being built",
                                    "Cannot load a template while the report is being built",
                                    "Cannot clear the report while the report is being built",
                                    "Cannot build the report while the report is being built",
                                    "Cannot show the report while the report is being built"}));
    EXPECT_NE(CurrentMemo(), nullptr);
    // After the build they work again.
    R->Clear();
    EXPECT_EQ(R->GetPagesCount(), 0);
}

TEST_F(ReportBuild, ThePasswordIsNotAskedAgainWhenTheTemplateComesBack)
{
    static int Prompts = 0;
    TqdzBuildFactories f = qdzBuildFactories();
    f.PasswordPrompt = [](QString &P) {
        ++Prompts;
        P = QStringLiteral("pw");
        return true;
    };
    qdzInstallBuildFactories(f);
    R->ReportOptions()->SetPassword(QStringLiteral("pw"));
    TMemoryStream s;
    R->SaveToStream(&s);
    s.SetPosition(0);
    Prompts = 0;
    R->LoadFromStream(&s);
    EXPECT_EQ(Prompts, 1);
    EXPECT_TRUE(R->BuildReport());
    EXPECT_EQ(Prompts, 1);
    EXPECT_NE(R->FindObject("Memo1"), nullptr);
}

// ------------------------------------------------------------------ progress

class TStandInProgress : public TqdzCustomProgress
{
public:
    using TqdzCustomProgress::TqdzCustomProgress;
    ~TStandInProgress() override { ++Freed; }
    void Execute(int, const QString &, bool, bool ShowCancel) override
    {
        ++Shown;
        Cancel = ShowCancel;
    }
    void SetMessage(const QString &Value) override
    {
        Messages.append(Value);
        if (Value == CancelAt)
            FTerminated = true;
    }
    bool Terminated() const override { return FTerminated; }

    static inline int Shown = 0;
    static inline int Freed = 0;
    static inline bool Cancel = false;
    static inline QStringList Messages;
    static inline QString CancelAt;

private:
    bool FTerminated = false;
};

TqdzCustomProgress *NewProgress(TComponent *AOwner)
{
    return new TStandInProgress(AOwner);
}

struct TProgressLog
{
    QStringList Calls;
    void Start(TqdzReport *, TqdzProgressType T, int P) { Calls.append(QStringLiteral("start %1 %2").arg(T).arg(P)); }
    void Step(TqdzReport *, TqdzProgressType T, int P) { Calls.append(QStringLiteral("step %1 %2").arg(T).arg(P)); }
    void Stop(TqdzReport *, TqdzProgressType T, int P) { Calls.append(QStringLiteral("stop %1 %2").arg(T).arg(P)); }
};

TEST_F(ReportBuild, ProgressWindowsFollowTheKindAndTheOptions)
{
    TqdzBuildFactories f = qdzBuildFactories();
    f.CreateProgress = &NewProgress;
    qdzInstallBuildFactories(f);
    TStandInProgress::Shown = TStandInProgress::Freed = 0;
    TStandInProgress::Messages.clear();
    TStandInProgress::CancelAt.clear();
    TProgressLog log;
    R->SetOnProgressStart(TqdzProgressEvent(&log, &TProgressLog::Start));
    R->SetOnProgress(TqdzProgressEvent(&log, &TProgressLog::Step));
    R->SetOnProgressStop(TqdzProgressEvent(&log, &TProgressLog::Stop));

    // Building shows no window unless the old style is asked for.
    R->DoProgressStart(ptRunning);
    R->DoProgress(ptRunning, 1);
    R->DoProgressStop(ptRunning);
    EXPECT_EQ(TStandInProgress::Shown, 0);
    EXPECT_EQ(log.Calls, (QStringList{"start 0 0", "step 0 1", "stop 0 0"}));

    R->SetOldStyleProgress(true);
    R->Engine()->SetFinalPass(false);
    R->DoProgressStart(ptRunning);
    R->DoProgress(ptRunning, 1);
    R->Engine()->SetFinalPass(true);
    R->DoProgress(ptRunning, 2);
    R->DoProgressStop(ptRunning);
    R->DoProgressStart(ptPrinting);
    R->DoProgress(ptPrinting, 3);
    R->DoProgressStop(ptPrinting);
    R->DoProgressStart(ptExporting);
    R->DoProgress(ptExporting, 4);
    R->DoProgressStop(ptExporting);
    EXPECT_EQ(TStandInProgress::Shown, 3);
    EXPECT_EQ(TStandInProgress::Freed, 3);
    EXPECT_TRUE(TStandInProgress::Cancel);
    EXPECT_EQ(TStandInProgress::Messages, (QStringList{"First pass: page 1", "Preparing page 2", "Printing page 3",
                                                       "Exporting page 4"}));

    // Cancel in the window stops the report.
    TStandInProgress::CancelAt = QStringLiteral("Printing page 2");
    R->DoProgressStart(ptPrinting);
    R->DoProgress(ptPrinting, 1);
    EXPECT_FALSE(R->Terminated());
    R->DoProgress(ptPrinting, 2);
    EXPECT_TRUE(R->Terminated());
    R->DoProgressStop(ptPrinting);

    // Without ShowProgress no window; thread-safe reports report nothing.
    R->SetShowProgress(false);
    R->DoProgressStart(ptPrinting);
    R->DoProgressStop(ptPrinting);
    EXPECT_EQ(TStandInProgress::Shown, 4);
    log.Calls.clear();
    R->EngineOptions()->SetThreadSafe(true);
    R->DoProgressStart(ptPrinting);
    R->DoProgress(ptPrinting, 1);
    R->DoProgressStop(ptPrinting);
    EXPECT_TRUE(log.Calls.isEmpty());
}

// ------------------------------------------------------------ preview window

class TStandInPreview : public TqdzCustomPreview
{
public:
    using TqdzCustomPreview::TqdzCustomPreview;
    void Init() override { ++Inits; }
    void Lock() override {}
    void Unlock() override {}
    void RefreshReport() override {}
    void ProgressStart(TqdzReport *, TqdzProgressType, int) override { Log.append(QStringLiteral("start")); }
    void ProgressStep(TqdzReport *, TqdzProgressType, int P) override { Log.append(QStringLiteral("step %1").arg(P)); }
    void ProgressStop(TqdzReport *, TqdzProgressType, int) override { Log.append(QStringLiteral("stop")); }
    int Inits = 0;
    QStringList Log;
};

class TStandInPreviewForm : public TqdzCustomPreviewForm
{
public:
    explicit TStandInPreviewForm(TComponent *AOwner) : TqdzCustomPreviewForm(AOwner)
    {
        FPreview = new TStandInPreview(this);
        Created = this;
    }
    ~TStandInPreviewForm() override
    {
        if (Created == this)
            Created = nullptr;
    }
    TqdzCustomPreview *GetPreview() override { return FPreview; }
    void Init() override { ++Inits; }
    void SetStatusText(const QString &Text, bool IsHint) override
    {
        Status.append((IsHint ? QStringLiteral("hint:") : QString()) + Text);
    }
    // Modal: the window waits while the report builds behind it.
    int ShowModal() override
    {
        TqdzReport *r = FPreview->Report();
        PagesWhenShown = r->PreviewPages()->GetCount();
        QElapsedTimer t;
        t.start();
        while (r->PreviewPages()->GetCount() == 0 && t.elapsed() < 5000)
            Application->ProcessMessages();
        return 1;
    }
    void Show() override { ++Shows; }

    static inline TStandInPreviewForm *Created = nullptr;
    static inline int PagesWhenShown = -1;
    int Inits = 0;
    int Shows = 0;
    QStringList Status;

private:
    TStandInPreview *FPreview;
};

TqdzCustomPreviewForm *NewPreviewForm(TComponent *AOwner)
{
    return new TStandInPreviewForm(AOwner);
}

TEST_F(ReportBuild, ShowReportShowsThePreviewBeforeTheFirstPageIsBuilt)
{
    TqdzBuildFactories f = qdzBuildFactories();
    f.CreatePreviewForm = &NewPreviewForm;
    qdzInstallBuildFactories(f);
    TCounter previewed;
    R->SetOnPreview(TNotifyEvent(&previewed, &TCounter::Notify));
    TStandInPreviewForm::PagesWhenShown = -1;
    R->ShowReport();
    EXPECT_EQ(TStandInPreviewForm::PagesWhenShown, 0);
    EXPECT_EQ(Pages()->Pages, 1);
    EXPECT_EQ(previewed.Calls, 1);
    // The modal window is gone with its control.
    EXPECT_EQ(TStandInPreviewForm::Created, nullptr);
    EXPECT_EQ(R->Preview(), nullptr);
    EXPECT_EQ(R->PreviewForm(), nullptr);

    // The old style builds first and shows only a built report.
    R->SetOldStyleProgress(true);
    TStandInPreviewForm::PagesWhenShown = -1;
    R->ShowReport();
    EXPECT_EQ(TStandInPreviewForm::PagesWhenShown, 1);
    // The build restored the template: its objects are new ones.
    while (TqdzComponent *page = R->FindObject("Page1"))
        page->Free();
    TStandInPreviewForm::PagesWhenShown = -1;
    R->ShowReport();
    EXPECT_EQ(TStandInPreviewForm::PagesWhenShown, -1);
}

TEST_F(ReportBuild, AModelessPreviewStaysUntilItIsFreed)
{
    TqdzBuildFactories f = qdzBuildFactories();
    f.CreatePreviewForm = &NewPreviewForm;
    qdzInstallBuildFactories(f);
    R->PreviewOptions()->SetModal(false);
    R->SetOldStyleProgress(true);
    R->ShowReport();
    TStandInPreviewForm *form = TStandInPreviewForm::Created;
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(R->PreviewForm(), form);
    EXPECT_EQ(form->Shows, 1);
    EXPECT_EQ(form->Inits, 1);
    ASSERT_NE(R->Preview(), nullptr);
    EXPECT_EQ(R->Preview()->Report(), R.get());
    EXPECT_EQ(R->Preview()->PreviewPages(), R->PreviewPages());
    R->SetProgressMessage(QStringLiteral("http://x"), true);
    EXPECT_EQ(form->Status, QStringList{"hint:http://x"});
    // Building with a preview control drives its progress.
    auto *preview = static_cast<TStandInPreview *>(R->Preview());
    R->DoProgressStart(ptRunning);
    R->DoProgress(ptRunning, 1);
    R->DoProgressStop(ptRunning);
    EXPECT_EQ(preview->Log, (QStringList{"start", "step 0", "stop"}));
    form->Free();
    EXPECT_EQ(R->PreviewForm(), nullptr);
    EXPECT_EQ(R->Preview(), nullptr);
}

TEST_F(ReportBuild, AReportTakesItsOpenPreviewWindowAlongAndLeavesAForeignControl)
{
    TqdzBuildFactories f = qdzBuildFactories();
    f.CreatePreviewForm = &NewPreviewForm;
    qdzInstallBuildFactories(f);
    R->PreviewOptions()->SetModal(false);
    R->SetOldStyleProgress(true);
    R->ShowReport();
    ASSERT_NE(TStandInPreviewForm::Created, nullptr);
    R.reset();
    EXPECT_EQ(TStandInPreviewForm::Created, nullptr);

    auto *preview = new TStandInPreview(nullptr);
    {
        TqdzReport r(nullptr);
        r.SetPreview(preview);
        r.ShowBuiltReport();
        EXPECT_EQ(preview->Report(), &r);
    }
    EXPECT_EQ(preview->Report(), nullptr);
    EXPECT_EQ(preview->PreviewPages(), nullptr);
    preview->Free();
}

// ------------------------------------------------------------------ services

TEST_F(ReportBuild, PrintingSelectingAPrinterAndTerminating)
{
    EXPECT_FALSE(R->PrintReport());
    EXPECT_EQ(Pages()->Prints, 1);
    ASSERT_TRUE(R->BuildReport());
    EXPECT_TRUE(R->PrintReport());

    static QString Selected;
    TqdzBuildFactories f = qdzBuildFactories();
    f.SelectPrinter = [](const QString &Name) { Selected = Name; };
    qdzInstallBuildFactories(f);
    R->PrintOptions()->SetPrinter(QStringLiteral("Office"));
    R->SelectPrinter();
    EXPECT_EQ(Selected, QStringLiteral("Office"));

    R->SetTerminated(true);
    EXPECT_TRUE(R->Terminated());
    EXPECT_TRUE(R->Script()->Terminated());
    // A build starts afresh.
    EXPECT_TRUE(R->BuildReport());
    EXPECT_FALSE(R->Terminated());
}

TEST_F(ReportBuild, SettingsObjectAndFolders)
{
    std::unique_ptr<TCustomIniFile> ini = R->GetIniFile();
    ASSERT_NE(ini, nullptr);
    EXPECT_EQ(dynamic_cast<TIniFile *>(ini.get()), nullptr);
    EXPECT_EQ(ini->FileName(), QStringLiteral("\\Software\\Tarvo Reports"));
    R->SetIniFile(QStringLiteral("/tmp/report.ini"));
    ini = R->GetIniFile();
    ASSERT_NE(dynamic_cast<TIniFile *>(ini.get()), nullptr);
    EXPECT_EQ(ini->FileName(), QStringLiteral("/tmp/report.ini"));
    EXPECT_TRUE(R->GetApplicationFolder().endsWith(QLatin1Char('/')));
}

TEST_F(ReportBuild, FreedDataSetsAndPreviewsAreForgotten)
{
    auto *data = new TqdzDataPage(R.get());
    data->SetName(QStringLiteral("Data"));
    auto *ds = new TqdzUserDataSet(data);
    ds->SetName(QStringLiteral("Lines"));
    R->SetDataSetName(QStringLiteral("Lines"));
    EXPECT_EQ(R->DataSet(), ds);
    EXPECT_EQ(R->GetDataset(QStringLiteral("lines")), ds);
    ds->Free();
    EXPECT_EQ(R->DataSet(), nullptr);

    auto *preview = new TStandInPreview(nullptr);
    R->SetPreview(preview);
    R->ShowBuiltReport();
    EXPECT_EQ(preview->Inits, 1);
    EXPECT_EQ(preview->Report(), R.get());
    preview->Free();
    EXPECT_EQ(R->Preview(), nullptr);
}

} // namespace
