// The engine's calls into the concrete built-page store.
#include "report/engine/qdzEngineStore.h"

#include "report/engine/qdzPreviewPages.h"

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

void qdzStoreHoldObjects(TqdzCustomPreviewPages *Store, int Page, int From, int Slot)
{
    if (auto *P = dynamic_cast<TqdzPreviewPages *>(Store))
        P->HoldObjects(Page, From, Slot);
}

void qdzStorePlaceHeld(TqdzCustomPreviewPages *Store, int Slot, int Page, double DX, double DY)
{
    if (auto *P = dynamic_cast<TqdzPreviewPages *>(Store))
        P->PlaceHeld(Slot, Page, DX, DY);
}

bool qdzStoreObjectPlace(TqdzCustomPreviewPages *Store, int Page, int Index, double &Left, double &Top)
{
    auto *P = dynamic_cast<TqdzPreviewPages *>(Store);
    return P && P->ObjectPlace(Page, Index, Left, Top);
}
