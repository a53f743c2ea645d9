// What the engine asks of the concrete built-page store beyond the abstract
// store's operations.
#pragma once
class TqdzCustomPreviewPages;
class TqdzReportPage;

// 1: every AddPage appends a page; 0: AddPage moves onto pages that exist.
void qdzStoreSetAddPageAction(TqdzCustomPreviewPages *Store, int Value);
// Gives the built page of Page the size Width x Height (pixels).
void qdzStoreUpdatePageDimensions(TqdzCustomPreviewPages *Store, TqdzReportPage *Page, double Width, double Height);
