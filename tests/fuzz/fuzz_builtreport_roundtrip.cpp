// Fuzzing a built report's file the way the preview uses one: any file loads or is refused with an exception; what loads draws at the preview's and the printer's scale, saves, and what it saved loads again with the same pages and saves to the same bytes.
#include "Dialogs.h"
#include "Graphics.h"
#include "Streams.h"
#include "fuzz_support.h"
#include "report/engine/qdzBuild.h"
#include "report/engine/qdzPrinter.h"
#include "report/engine/qdzPreviewPages.h"
#include "report/model/qdzClass.h"
#include "report/model/qdzClassViews.h"

namespace {

// A few pages are enough: each is rebuilt, measured and drawn.
constexpr int MaxPages = 8;

QByteArray Save(TqdzPreviewPages &Store)
{
    TMemoryStream out;
    Store.SaveToStream(&out);
    return QByteArray(static_cast<const char *>(out.Memory()), qsizetype(out.Size()));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    FuzzQtApp();
    SetDialogHook([](TDialogRequest &) { return 1; });
    qdzInstallPaperHooks();
    qdzEngineStartup();
    for (TClass c : {TqdzReportPage::StaticClass(), TqdzDataBand::StaticClass(), TqdzMemoView::StaticClass(),
                     TqdzPictureView::StaticClass(), TqdzShapeView::StaticClass(), TqdzLineView::StaticClass(),
                     TqdzGroupHeader::StaticClass(), TqdzSubreport::StaticClass()})
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
    bmp.SetSize(160, 220);
    for (int i = 0; i < store.GetCount() && i < MaxPages; ++i) {
        store.GetPageSize(i);
        store.DrawPage(i, bmp.Canvas(), 0.25, 0.25, 0, 0);
        // The print path draws at the printer's resolution (300 dpi here).
        store.DrawPage(i, bmp.Canvas(), 300 / 96.0, 300 / 96.0, -50, -60);
    }
    const QByteArray first = Save(store);

    TqdzReport report2(nullptr);
    TqdzPreviewPages back(&report2);
    TStringStream in(first);
    try {
        back.LoadFromStream(&in);
    } catch (const Exception &e) {
        std::fprintf(stderr, "saved report does not load: %s\n", e.Message().toUtf8().constData());
        std::abort();
    }
    FUZZ_CHECK(back.GetCount() == store.GetCount());
    FUZZ_CHECK(Save(back) == first);
    return 0;
}
