// What the built-page store needs of particular views: pictures, page background, drawing state.
#include "qdzPreviewPages.h"

#include "qdzPictureCache.h"

#include "platform/TypInfo.h"
#include "report/model/qdzClass.h"

namespace {

PPropInfo Published(TqdzView *View, const char *Name)
{
    return View ? View->ClassType()->FindProp(QString::fromLatin1(Name)) : nullptr;
}

} // namespace

void TqdzPreviewPages::AssignSourceCopy(TqdzComponent *Copy, TqdzComponent *Source)
{
    Copy->Assign(Source);
}

void TqdzPreviewPages::AddPicture(TqdzPictureView *Picture)
{
    (void)Picture;
}

void TqdzPreviewPages::RestorePicture(TqdzComponent *Obj)
{
    (void)Obj;
}

void TqdzPreviewPages::PaintPageBackground(TqdzReportPage *, TCanvas *, double, double, double, double) {}

void TqdzPreviewPages::PrepareViewDraw(TqdzView *, bool) {}

void TqdzPreviewPages::FinishViewDraw(TqdzView *) {}

bool TqdzPreviewPages::ViewPrintable(TqdzView *View)
{
    PPropInfo p = Published(View, "Printable");
    return !p || GetOrdProp(View, p) != 0;
}

TCursor TqdzPreviewPages::ViewCursor(TqdzView *View)
{
    PPropInfo p = Published(View, "Cursor");
    return p ? TCursor(GetOrdProp(View, p)) : TCursor(0);
}

QString TqdzPreviewPages::ViewURL(TqdzView *View)
{
    PPropInfo p = Published(View, "URL");
    return p ? GetStrProp(View, p) : QString();
}
