// Builds that would never end or never stop growing end: bands that add no
// height over endless data stop at the stored objects or bytes, a script
// looping without end stops at the caller's time limit, at Terminated set
// while it runs, or at the progress window's cancel, the stop event is no
// second endless run, and running out of memory is a failed build.
#include "platform/Forms.h"
#include "platform/Streams.h"
#include "platform/TypInfo.h"
#include "report/engine/qdzBuild.h"
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
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <new>

namespace {

QStringList ListOf(TStrings *S)
{
    QStringList L;
    for (int i = 0; i < S->Count(); ++i)
        L << S->Strings(i);
    return L;
}

template<class T>
struct TScopedValue
{
    T &Target;
    T Saved;
    TScopedValue(T &ATarget, T Value) : Target(ATarget), Saved(ATarget) { Target = Value; }
    ~TScopedValue() { Target = Saved; }
};

class BuildLimits : public ::testing::Test
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
    // A page with a master band of three rows holding a memo.
    void MakeReport()
    {
        R = std::make_unique<TqdzReport>(nullptr);
        R->EngineOptions()->SetNewSilentMode(simSilent);
        auto *P = new TqdzReportPage(R.get());
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

    void SetScript(const QString &Text)
    {
        TStringList S;
        S.SetText(Text);
        R->SetScriptText(&S);
    }
    QString Errors() const { return ListOf(R->Errors()).join('|'); }

    std::unique_ptr<TqdzReport> R;
    TqdzMasterData *MD;
};

const char *const EndlessProc = "procedure Endless(Sender: TObject);\r\nbegin\r\n  while True do ;\r\nend;\r\n";

} // namespace

TEST_F(BuildLimits, BandsWithoutHeightStopAtTheStoredObjectsOrBytes)
{
    TScopedValue<qint64> Objects(TqdzPreviewPages::MaxObjects, 3000);
    MD->SetHeight(0);
    MD->SetRowCount(0);
    // Endless data: a user dataset that never reaches its end.
    auto *Endless = new TqdzUserDataSet(R.get());
    Endless->SetName("Endless");
    R->DataSets()->Add()->SetDataSet(Endless);
    MD->SetDataSet(Endless);
    EXPECT_FALSE(R->BuildReport());
    EXPECT_EQ(Errors(), "The report reached 3000 objects and was stopped");
    EXPECT_EQ(R->PreviewPages()->GetCount(), 1);

    // The most rows a band may ask for.
    MakeReport();
    MD->SetHeight(0);
    MD->SetRowCount(std::numeric_limits<int>::max());
    EXPECT_FALSE(R->BuildReport());
    EXPECT_EQ(Errors(), "The report reached 3000 objects and was stopped");

    // A few large objects reach the bytes first.
    TScopedValue<qint64> Bytes(TqdzPreviewPages::MaxBytes, 200000);
    MakeReport();
    MD->SetRowCount(std::numeric_limits<int>::max());
    static_cast<TqdzMemoView *>(R->FindObject("Memo1"))->SetText(QString(5000, QLatin1Char('x')));
    EXPECT_FALSE(R->BuildReport());
    EXPECT_EQ(Errors(), "The report reached 200000 bytes and was stopped");
}

TEST_F(BuildLimits, AnEndlessMainBlockStopsAtTheCallersTimeLimit)
{
    SetScript("begin\r\n  while True do ;\r\nend.");
    R->SetMaxBuildTime(150);
    QElapsedTimer T;
    T.start();
    EXPECT_FALSE(R->BuildReport());
    EXPECT_LT(T.elapsed(), 5000);
    EXPECT_EQ(Errors(), "The report ran longer than 150 ms and was stopped");
    EXPECT_EQ(R->PreviewPages()->GetCount(), 0);
}

TEST_F(BuildLimits, AnEndlessMainBlockStopsWhenTerminatedWithoutAProgressWindow)
{
    // The station builds without a progress window: what the host does
    // meanwhile (here a timer) still runs and may stop the build.
    R->SetShowProgress(false);
    SetScript("var i: Integer;\r\nbegin\r\n  while True do i := i + 1;\r\nend.");
    QTimer::singleShot(100, [this] { R->SetTerminated(true); });
    QElapsedTimer T;
    T.start();
    EXPECT_FALSE(R->BuildReport());
    EXPECT_LT(T.elapsed(), 5000);
    EXPECT_EQ(Errors(), "");
}

TEST_F(BuildLimits, TheProgressWindowsCancelStopsAnEndlessEvent)
{
    R->SetOldStyleProgress(true);
    R->SetShowProgress(true);
    SetScript(QString::fromLatin1(EndlessProc) + "begin\r\nend.");
    MD->SetOnBeforePrint("Endless");
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
    EXPECT_LT(T.elapsed(), 5000);
    EXPECT_TRUE(Clicked);
    EXPECT_TRUE(R->Terminated());
}

TEST_F(BuildLimits, TheStopEventIsNoSecondEndlessRun)
{
    TScopedValue<int> Grace(TqdzReport::StopGraceTime, 50);
    SetScript(QString::fromLatin1(EndlessProc) +
              "procedure Stopped(Sender: TObject);\r\nbegin\r\n  Endless(Sender);\r\nend;\r\nbegin\r\nend.");
    MD->SetOnBeforePrint("Endless");
    R->SetOnStopReport("Stopped");
    R->SetMaxBuildTime(150);
    QElapsedTimer T;
    T.start();
    EXPECT_FALSE(R->BuildReport());
    EXPECT_LT(T.elapsed(), 5000);
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
    inline static bool Armed = false;
};

STATION_PUBLISHED(TStarvedMemo) {}

namespace {

// Arms the memo once the build has begun (after the template was saved).
struct TArmAtBegin : TObject
{
    void Arm(TObject *) { TStarvedMemo::Armed = true; }
};

} // namespace

TEST_F(BuildLimits, RunningOutOfMemoryIsAFailedBuild)
{
    RegisterClass(TStarvedMemo::StaticClass());
    auto *M = new TStarvedMemo(MD);
    M->SetName("Starved");
    M->SetBounds(200, 0, 100, 18);
    M->SetText("x");
    // Both the build (copying the template page) and the restore of the
    // template after it run out.
    TScopedValue<bool> Armed(TStarvedMemo::Armed, false);
    TMemoryStream Template;
    R->SaveToStream(&Template);
    TArmAtBegin Arm;
    R->SetOnBeginDoc(TNotifyEvent(&Arm, &TArmAtBegin::Arm));
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
}
