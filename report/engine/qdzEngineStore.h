// What the engine asks of the concrete built-page store beyond the abstract
// store's operations.
#pragma once
class TqdzCustomPreviewPages;
class TqdzReportPage;

// 1: every AddPage appends a page; 0: AddPage moves onto pages that exist.
void qdzStoreSetAddPageAction(TqdzCustomPreviewPages *Store, int Value);
// Gives the built page of Page the size Width x Height (pixels).
void qdzStoreUpdatePageDimensions(TqdzCustomPreviewPages *Store, TqdzReportPage *Page, double Width, double Height);
// A kept block on a further horizontal page (see TqdzPreviewPages).
void qdzStoreHoldObjects(TqdzCustomPreviewPages *Store, int Page, int From, int Slot);
void qdzStorePlaceHeld(TqdzCustomPreviewPages *Store, int Slot, int Page, double DX, double DY);
bool qdzStoreObjectPlace(TqdzCustomPreviewPages *Store, int Page, int Index, double &Left, double &Top);
