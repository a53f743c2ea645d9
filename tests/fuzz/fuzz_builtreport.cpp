// Fuzzing the built-report reader: any file loads or is refused with an exception, and every page it holds rebuilds, measures and draws.
#include "Dialogs.h"
#include "Graphics.h"
#include "Streams.h"
#include "fuzz_support.h"
#include "report/engine/qdzPreviewPages.h"
#include "report/engine/qdzPrinter.h"
#include "report/model/qdzClass.h"
#include "report/model/qdzClassViews.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    FuzzQtApp();
    SetDialogHook([](TDialogRequest &) { return 1; });
    qdzInstallPaperHooks();
    TqdzBuildFactories f = qdzBuildFactories();
    qdzAddPreviewPagesFactories(f);
    qdzInstallBuildFactories(f);
    for (TClass c : {TqdzReportPage::StaticClass(), TqdzDataBand::StaticClass(), TqdzMemoView::StaticClass(),
                     TqdzPictureView::StaticClass(), TqdzShapeView::StaticClass(), TqdzLineView::StaticClass()})
        (void)c;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
    TqdzReport report(nullptr);
    TqdzPreviewPages store(&report);
    try {
        TStringStream in(QByteArray(reinterpret_cast<const char *>(Data), qsizetype(Size)));
        store.LoadFromStream(&in);
    } catch (const Exception &) {
        FUZZ_CHECK(store.GetCount() == 0);
        return 0;
    }
    TBitmap bmp;
    bmp.SetSize(200, 280);
    // A few pages are enough: each is rebuilt, measured and drawn.
    for (int i = 0; i < store.GetCount() && i < 8; ++i) {
        store.GetPageSize(i);
        store.DrawPage(i, bmp.Canvas(), 0.25, 0.25, 0, 0);
    }
    TMemoryStream out;
    store.SaveToStream(&out);
    return 0;
}
