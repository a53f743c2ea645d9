// The stand-in build layer of the report object's tests, and the test binary's answer to message boxes.
#include "test_report_standin.h"

#include "platform/Forms.h"
#include "script/kw_iclassesrtti.h"
#include "script/kw_isysrtti.h"

#include <gtest/gtest.h>

STATION_PUBLISHED(TqdzStandInMemo) {}

namespace {

// Reports show their errors in message boxes: in this test binary nobody is
// there to close them, so every box is answered and its text kept.
QStringList &ShownMessages()
{
    static QStringList List;
    return List;
}

class ReportModelEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        kwInitSysFunctions();
        kwRegisterClassesRTTI();
        RegisterClass(TqdzStandInMemo::StaticClass());
        SetDialogHook([](TDialogRequest &R) {
            ShownMessages().append(R.Text);
            return 1;
        });
    }
    void TearDown() override { SetDialogHook(nullptr); }
};

[[maybe_unused]] ::testing::Environment *const Environment =
    ::testing::AddGlobalTestEnvironment(new ReportModelEnvironment);

TqdzCustomEngine *NewEngine(TqdzReport *R)
{
    auto *e = new TStandInEngine(R);
    LastStandInEngine() = e;
    return e;
}

TqdzCustomPreviewPages *NewPages(TqdzReport *R)
{
    return new TStandInPages(R);
}

TqdzCustomOutline *NewOutline(TqdzCustomPreviewPages *P)
{
    return new TStandInOutline(P);
}

} // namespace

std::function<void(TStandInEngine *)> &StandInRunHook()
{
    static std::function<void(TStandInEngine *)> Hook;
    return Hook;
}

TStandInEngine *&LastStandInEngine()
{
    static TStandInEngine *Engine = nullptr;
    return Engine;
}

bool TStandInEngine::Run()
{
    struct Running
    {
        TStandInEngine *E;
        explicit Running(TStandInEngine *AEngine) : E(AEngine) { E->SetRunning(true); }
        ~Running() { E->SetRunning(false); }
    } running(this);
    Results.clear();
    SetStartDate(45000);
    SetStartTime(0.5);
    SetFinalPass(true);
    TqdzReport *r = Report();
    for (int p = 0; p < r->GetPagesCount(); ++p) {
        auto *page = dynamic_cast<TqdzReportPage *>(r->GetPages(p));
        if (!page)
            continue;
        PreviewPages()->AddPage(page);
        TList *all = page->AllObjects();
        std::vector<TqdzCustomMemoView *> memos;
        for (int i = 0; i < all->Count(); ++i)
            if (auto *m = dynamic_cast<TqdzCustomMemoView *>(static_cast<TObject *>(all->Items(i))))
                memos.push_back(m);
        for (TqdzCustomMemoView *m : memos) {
            const QString text = m->Text();
            int from = 0;
            while (true) {
                const int open = text.indexOf(QLatin1Char('['), from);
                const int close = text.indexOf(QLatin1Char(']'), open + 1);
                if (open < 0 || close < 0)
                    break;
                from = close + 1;
                r->SetCurObject(m->Name());
                try {
                    Results.append(m->Name() + QLatin1Char('=') + VarToStr(r->Calc(text.mid(open + 1, close - open - 1))));
                } catch (const Exception &) {
                    Results.append(m->Name() + QStringLiteral("=error"));
                }
            }
        }
    }
    if (StandInRunHook())
        StandInRunHook()(this);
    return PreviewPages()->GetCount() > 0;
}

TStandInBuild::TStandInBuild()
    : FHook([this](TDialogRequest &R) {
          Shown.append(R.Text);
          return 1;
      })
{
    TqdzBuildFactories f;
    f.CreateEngine = &NewEngine;
    f.CreatePreviewPages = &NewPages;
    f.CreateOutline = &NewOutline;
    // Error boxes as the windows layer shows them, answered by the hook.
    f.ShowErrorMessage = [](const QString &Text) { Application->MessageBox(Text, QString(), MB_OK); };
    qdzInstallBuildFactories(f);
}

TStandInBuild::~TStandInBuild()
{
    StandInRunHook() = nullptr;
    qdzInstallBuildFactories(TqdzBuildFactories());
}
