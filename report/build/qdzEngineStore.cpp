// The engine's calls into the concrete built-page store.
#include "report/build/qdzEngineStore.h"

#include "report/build/qdzPreviewPages.h"

void qdzStoreSetAddPageAction(TqdzCustomPreviewPages *Store, int Value)
{
    if (auto *P = dynamic_cast<TqdzPreviewPages *>(Store))
        P->SetAddPageAction(Value);
}

void qdzStoreUpdatePageDimensions(TqdzCustomPreviewPages *Store, TqdzReportPage *Page, double Width, double Height)
{
    if (auto *P = dynamic_cast<TqdzPreviewPages *>(Store))
        P->UpdatePageDimensions(Page, Width, Height);
}
