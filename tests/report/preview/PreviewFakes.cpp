// The stand-in store, outline and engine of the preview tests.
#include "PreviewFakes.h"

bool TFakeEngine::Run()
{
    TqdzReport *r = Report();
    SetRunning(true);
    SetFinalPass(true);
    r->DoProgressStart(ptRunning);
    auto *pages = static_cast<TFakePages *>(PreviewPages());
    for (int i = 0; i < PagesToBuild && !r->Terminated(); ++i) {
        pages->AddPage(nullptr);
        if (OnPage)
            OnPage(i + 1);
        r->DoProgress(ptRunning, i + 1);
    }
    r->DoProgressStop(ptRunning);
    SetRunning(false);
    return pages->GetCount() > 0;
}

TFakeBuild::TFakeBuild() : FSaved(qdzBuildFactories())
{
    TqdzBuildFactories f = FSaved;
    f.CreateEngine = [](TqdzReport *R) -> TqdzCustomEngine * { return new TFakeEngine(R); };
    f.CreatePreviewPages = [](TqdzReport *R) -> TqdzCustomPreviewPages * { return new TFakePages(R); };
    f.CreateOutline = [](TqdzCustomPreviewPages *P) -> TqdzCustomOutline * { return new TFakeOutline(P); };
    qdzInstallBuildFactories(f);
}

TFakeBuild::~TFakeBuild()
{
    qdzInstallBuildFactories(FSaved);
}
