// What the built-page store needs of particular views: pictures, page background, drawing state.
#include "qdzPreviewPages.h"

#include "qdzPictureCache.h"

#include "report/model/qdzClass.h"
#include "report/model/qdzClassViews.h"

namespace {

// A picture view files its changed picture in its report's store.
int AddPictureOfView(TqdzPictureView *View)
{
    TqdzReport *report = View ? View->GetReport() : nullptr;
    auto *store = report ? dynamic_cast<TqdzPreviewPages *>(report->PreviewPages()) : nullptr;
    if (!store)
        return View ? View->ImageIndex() : 0;
    store->AddPicture(View);
    return View->ImageIndex();
}

} // namespace

void qdzInstallPictureHook()
{
    TqdzPictureView::SetAddPictureHook(&AddPictureOfView);
}

void TqdzPreviewPages::AssignSourceCopy(TqdzComponent *Copy, TqdzComponent *Source)
{
    // A stored picture view carries no picture: built pages take theirs from
    // the picture cache.
    auto *picture = dynamic_cast<TqdzPictureView *>(Source);
    const bool stored = picture && picture->PictureStored();
    if (picture)
        picture->SetPictureStored(false);
    try {
        Copy->Assign(Source);
    } catch (...) {
        if (picture)
            picture->SetPictureStored(stored);
        throw;
    }
    if (picture)
        picture->SetPictureStored(stored);
}

void TqdzPreviewPages::AddPicture(TqdzPictureView *Picture)
{
    if (Picture)
        FPictureCache->AddPicture(Picture);
}

void TqdzPreviewPages::RestorePicture(TqdzComponent *Obj)
{
    auto *picture = dynamic_cast<TqdzPictureView *>(Obj);
    if (picture && (!picture->Picture()->Graphic() || picture->Picture()->Graphic()->Empty()))
        FPictureCache->GetPicture(picture);
}

void TqdzPreviewPages::PaintPageBackground(TqdzReportPage *Page, TCanvas *Canvas, double ScaleX, double ScaleY,
                                           double OffsetX, double OffsetY)
{
    Page->DrawBackground(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
}

void TqdzPreviewPages::PrepareViewDraw(TqdzView *View, bool Printing)
{
    if (auto *memo = dynamic_cast<TqdzCustomMemoView *>(View)) {
        memo->TotalPages = GetCount();
        memo->CopyNo = FCopyNo;
        memo->PrintScale = Printing ? FPrintScale : 1.0;
    }
}

void TqdzPreviewPages::FinishViewDraw(TqdzView *) {}

bool TqdzPreviewPages::ViewPrintable(TqdzView *View)
{
    return View->Printable();
}

TCursor TqdzPreviewPages::ViewCursor(TqdzView *View)
{
    return View->Cursor();
}

QString TqdzPreviewPages::ViewURL(TqdzView *View)
{
    return View->URL();
}
