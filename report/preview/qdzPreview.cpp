// The preview control: page layout, painting, navigation, zoom, keys, wheel, find, save and open.
#include "report/preview/qdzPreview.h"

#include "platform/Dialogs.h"
#include "platform/Forms.h"
#include "platform/SysUtils.h"
#include "report/preview/qdzPreviewForm.h"
#include "report/model/qdzClass.h"
#include "report/model/qdzRes.h"

#include <QDateTime>
#include <QPainter>
#include <algorithm>
#include <cmath>

STATION_PUBLISHED(TqdzPreviewWorkspace) {}
STATION_PUBLISHED(TqdzPreview) {}

namespace {

QString Res(const char *Key)
{
    return qdzResources()->ResourceText(QString::fromLatin1(Key));
}

// Placeholder when there are no pages: an A4 sheet.
constexpr int A4Width = 794, A4Height = 1123;

} // namespace

// ---------------------------------------------------------------- TqdzPageList

void TqdzPageList::Clear()
{
    FItems.clear();
    FMaxWidth = 0;
}

void TqdzPageList::AddPage(int Width, int Height)
{
    TqdzPageItem i;
    i.Width = Width;
    i.Height = Height;
    FItems.push_back(i);
}

void TqdzPageList::CalcBounds(int ClientWidth)
{
    FMaxWidth = 0;
    int y = 10;
    size_t i = 0;
    while (i < FItems.size()) {
        // A row always takes at least one page.
        size_t first = i;
        int x = 0, tallest = 0;
        while (i < FItems.size() && (i == first || x + FItems[i].Width <= ClientWidth)) {
            FItems[i].Left = x;
            FItems[i].Top = y;
            x += FItems[i].Width + 10;
            tallest = std::max(tallest, FItems[i].Height);
            ++i;
        }
        const int shift = std::max(0, (ClientWidth - x + 10) / 2) + 10;
        for (size_t k = first; k < i; ++k)
            FItems[k].Left += shift;
        FMaxWidth = std::max(FMaxWidth, x - 10 + shift);
        y += tallest + 10;
    }
}

int TqdzPageList::MaxHeight() const
{
    if (FItems.empty())
        return 0;
    const TqdzPageItem &l = FItems.back();
    int bottom = 0;
    for (auto it = FItems.rbegin(); it != FItems.rend() && it->Top == l.Top; ++it)
        bottom = std::max(bottom, it->Top + it->Height);
    return bottom + 10;
}

int TqdzPageList::FindPage(int OffsetY, int OffsetX, bool WithPoint) const
{
    if (FItems.empty())
        return -1;
    // The last page whose top is reached (a fifth of it showing counts).
    int lo = 0, hi = int(FItems.size()) - 1, found = 0;
    while (lo <= hi) {
        const int mid = (lo + hi) / 2;
        const TqdzPageItem &p = FItems[size_t(mid)];
        if (p.Top <= OffsetY + p.Height / 5) {
            found = mid;
            lo = mid + 1;
        } else {
            hi = mid - 1;
        }
    }
    if (!WithPoint)
        return found;
    const int from = std::max(0, found - 20), to = std::min(int(FItems.size()) - 1, found + 20);
    for (int k = from; k <= to; ++k) {
        const TqdzPageItem &p = FItems[size_t(k)];
        if (OffsetX >= p.Left && OffsetX < p.Left + p.Width && OffsetY >= p.Top && OffsetY < p.Top + p.Height)
            return k;
    }
    return -1;
}

TRect TqdzPageList::GetPageBounds(int Index, int ClientWidth, bool RightToLeft) const
{
    const TqdzPageItem &p = FItems[size_t(Index)];
    const int left = RightToLeft ? ClientWidth - p.Width - p.Left : p.Left;
    return Rect(left, p.Top, left + p.Width, p.Top + p.Height);
}

// -------------------------------------------------------- TqdzPreviewWorkspace

TqdzPreviewWorkspace::TqdzPreviewWorkspace(TComponent *AOwner, TqdzPreview *APreview, bool AThumbMode)
    : TqdzScrollWin(AOwner), FPreview(APreview), FThumbMode(AThumbMode)
{
    SetSmallChange(8);
    SetLargeChange(300);
    SetColor(FBackColor);
    if (AThumbMode)
        FZoom = 0.1;
}

void TqdzPreviewWorkspace::SetActiveFrameColor(TColor Value)
{
    if (FActiveFrameColor != Value) {
        FActiveFrameColor = Value;
        Invalidate();
    }
}

void TqdzPreviewWorkspace::SetBackColor(TColor Value)
{
    if (FBackColor != Value) {
        FBackColor = Value;
        SetColor(Value);
        Invalidate();
    }
}

void TqdzPreviewWorkspace::SetFrameColor(TColor Value)
{
    if (FFrameColor != Value) {
        FFrameColor = Value;
        Invalidate();
    }
}

void TqdzPreviewWorkspace::SetPageNo(int Value)
{
    if (FPageNo != Value) {
        FPageNo = Value;
        Invalidate();
    }
}

int TqdzPreviewWorkspace::LayoutWidth() const
{
    return std::max(0, Width() - ScrollBarSize() - 26);
}

void TqdzPreviewWorkspace::UpdateScrollRanges()
{
    SetHorzRange(FPageList.MaxWidth() + 10);
    SetVertRange(FPageList.MaxHeight());
    SetHorzPage(ClientWidth());
    SetVertPage(ClientHeight());
}

TRect TqdzPreviewWorkspace::PageRect(int Index) const
{
    const TRect r = FPageList.GetPageBounds(Index, LayoutWidth(), false);
    return Rect(r.Left - HorzPosition(), r.Top - VertPosition(), r.Right - HorzPosition(), r.Bottom - VertPosition());
}

void TqdzPreviewWorkspace::Resize()
{
    TqdzScrollWin::Resize();
    if (FPreview && !FThumbMode && !FLocked && (FPreview->ZoomMode() == zmWholePage || FPreview->ZoomMode() == zmPageWidth))
        FPreview->UpdatePageList();
    else if (FPreview) {
        FPageList.CalcBounds(LayoutWidth());
        UpdateScrollRanges();
    }
}

void TqdzPreviewWorkspace::Paint()
{
    TCanvas *c = Canvas();
    const TRect client = ClientRect();
    c->Brush()->SetStyle(bsSolid);
    // The square between the scroll bars, where a page reaching past the
    // client area must not show either.
    const auto corner = [&] {
        c->Brush()->SetColor(clBtnFace);
        c->FillRect(Rect(client.Right, client.Bottom, Width(), Height()));
        c->Brush()->SetColor(FBackColor);
    };
    corner();
    if (FLocked) {
        c->FillRect(client);
        return;
    }
    if (FPageList.Count() == 0) {
        // An empty sheet where the first page will come.
        const int w = int(A4Width * FZoom), h = int(A4Height * FZoom);
        const int x = w + 20 > client.Width() ? 10 : (client.Width() - w) / 2;
        const int y = int(10 * FZoom);
        c->FillRect(client);
        c->Brush()->SetColor(clWhite);
        c->Pen()->SetColor(FFrameColor);
        c->Rectangle(x, y, x + w, y + h);
        return;
    }
    const int first = std::max(0, FPageList.FindPage(VertPosition()) - 20);
    std::vector<int> visible;
    QRegion back(client.ToQRect());
    for (int i = first; i < FPageList.Count(); ++i) {
        const TRect r = PageRect(i);
        if (r.Top > client.Bottom)
            break;
        if (r.Bottom < 0 || r.Right < 0 || r.Left > client.Right)
            continue;
        visible.push_back(i);
        back -= QRegion(r.ToQRect());
    }
    if (QPainter *p = c->Handle())
        p->fillRect(client.ToQRect(), QColor(Qt::transparent));
    for (const QRect &r : back)
        c->FillRect(Rect(r.left(), r.top(), r.right() + 1, r.bottom() + 1));
    for (int i : visible)
        DrawPage(i, PageRect(i));
    corner();
}

void TqdzPreviewWorkspace::DrawPage(int Index, const TRect &R)
{
    TCanvas *c = Canvas();
    const bool active = FThumbMode && Index + 1 == FPageNo;
    c->Pen()->SetColor(active ? FActiveFrameColor : FFrameColor);
    c->Pen()->SetWidth(1);
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(clWhite);
    c->Rectangle(R.Left, R.Top, R.Right, R.Bottom);
    TqdzCustomPreviewPages *pages = FPreview ? FPreview->PreviewPages() : nullptr;
    if (pages && Index < pages->GetCount()) {
        c->Brush()->SetStyle(bsClear);
        pages->DrawPage(Index, c, FZoom, FZoom, R.Left, R.Top);
    }
    if (FThumbMode) {
        c->Font()->SetName("Arial");
        c->Font()->SetSize(8);
        c->Font()->SetColor(clWhite);
        c->Brush()->SetStyle(bsSolid);
        c->Brush()->SetColor(active ? FActiveFrameColor : clGray);
        c->TextOut(R.Left + 1, R.Top + 1, QStringLiteral(" %1 ").arg(Index + 1));
        return;
    }
    // The found text, inverted line by line, one pixel wider each side.
    if (FPreview && FPreview->FoundPage() == Index && !FPreview->FoundRect().isEmpty()) {
        const QRectF f = FPreview->FoundRect();
        const QRect inv(int(R.Left + f.left() * FZoom) - 1, int(R.Top + f.top() * FZoom),
                        int(f.width() * FZoom) + 2, int(f.height() * FZoom));
        if (QPainter *p = c->Handle()) {
            p->save();
            p->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            p->fillRect(inv, Qt::white);
            p->restore();
        }
    }
}

bool TqdzPreviewWorkspace::HitTest(int X, int Y, bool Click, bool Dbl, TMouseButton Button, TShiftState Shift)
{
    TqdzCustomPreviewPages *pages = FPreview ? FPreview->PreviewPages() : nullptr;
    if (!pages || FLocked)
        return false;
    const int i = FPageList.FindPage(Y + VertPosition(), X + HorzPosition(), true);
    if (i < 0)
        return false;
    if (FThumbMode) {
        if (Click)
            FPreview->SetPageNo(i + 1);
        return true;
    }
    const TRect r = PageRect(i);
    TCursor cursor = crDefault;
    pages->ObjectAtPoint(i, X, Y, Click, cursor, FZoom, r.Left, r.Top, Button, Shift, Dbl);
    if (IsLiveControl(this))
        SetCursor(cursor);
    return true;
}

void TqdzPreviewWorkspace::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TqdzScrollWin::MouseDown(Button, Shift, X, Y);
    if (CanFocus())
        SetFocus();
    if (Button == mbLeft && FPageList.Count() > 0 && !FLocked) {
        FDown = true;
        FDragged = false;
        FLastPoint = FDownPoint = Point(X, Y);
    }
}

void TqdzPreviewWorkspace::MouseMove(TShiftState Shift, int X, int Y)
{
    TqdzScrollWin::MouseMove(Shift, X, Y);
    if (FDown && !FThumbMode) {
        if (std::abs(X - FDownPoint.X) + std::abs(Y - FDownPoint.Y) > 2)
            FDragged = true;
        SetHorzPosition(HorzPosition() - (X - FLastPoint.X));
        SetVertPosition(VertPosition() - (Y - FLastPoint.Y));
        FLastPoint = Point(X, Y);
        return;
    }
    HitTest(X, Y, false, false, mbLeft, Shift);
}

void TqdzPreviewWorkspace::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TqdzScrollWin::MouseUp(Button, Shift, X, Y);
    const bool click = !FDragged;
    FDown = false;
    FDragged = false;
    if (click && !(Shift * TShiftState{ssDouble}).ToInt())
        HitTest(X, Y, true, false, Button, Shift);
}

void TqdzPreviewWorkspace::DblClick()
{
    TqdzScrollWin::DblClick();
    const TPoint p = ScreenToClient(Point(QCursor::pos().x(), QCursor::pos().y()));
    HitTest(FLastPoint.X, FLastPoint.Y, true, true, mbLeft, TShiftState{});
    (void)p;
}

void TqdzPreviewWorkspace::OnHScrollChange()
{
    Invalidate();
}

void TqdzPreviewWorkspace::OnVScrollChange()
{
    Invalidate();
    if (FPreview && !FThumbMode && !FLocked) {
        const int i = FPageList.FindPage(VertPosition());
        if (i >= 0)
            FPreview->PageFromScroll(i + 1);
    }
}

bool TqdzPreviewWorkspace::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos)
{
    if (TqdzScrollWin::DoMouseWheel(Shift, WheelDelta, MousePos))
        return true;
    if (FThumbMode) {
        SetVertPosition(VertPosition() - WheelDelta / 120 * 20);
        return true;
    }
    return FPreview && FPreview->DoMouseWheel(Shift, WheelDelta, MousePos);
}

void TqdzPreviewWorkspace::KeyDown(Word &Key, TShiftState Shift)
{
    TqdzScrollWin::KeyDown(Key, Shift);
    if (Key && FPreview && !FThumbMode)
        FPreview->KeyDown(Key, Shift);
}

// ----------------------------------------------------------------- TqdzPreview

TqdzPreview::TqdzPreview(TComponent *AOwner) : TqdzCustomPreview(AOwner)
{
    SetWidth(400);
    SetHeight(300);
    FOutlinePopup = new TPopupMenu(this);
    auto *collapse = new TMenuItem(FOutlinePopup);
    collapse->SetCaption(qdzGet(601));
    collapse->SetOnClick(TNotifyEvent(this, &TqdzPreview::CollapseAllClick));
    FOutlinePopup->Items()->Add(collapse);
    auto *expand = new TMenuItem(FOutlinePopup);
    expand->SetCaption(qdzGet(600));
    expand->SetOnClick(TNotifyEvent(this, &TqdzPreview::ExpandAllClick));
    FOutlinePopup->Items()->Add(expand);

    FOutline = new TTreeView(this);
    FOutline->SetParent(this);
    FOutline->SetAlign(alLeft);
    FOutline->SetWidth(FOutlineWidth);
    FOutline->SetVisible(false);
    FOutline->SetPopupMenu(FOutlinePopup);
    FOutline->SetOnChange(TTVChangedEvent(this, &TqdzPreview::OutlineChange));

    FThumbnail = new TqdzPreviewWorkspace(this, this, true);
    FThumbnail->SetParent(this);
    FThumbnail->SetAlign(alLeft);
    FThumbnail->SetWidth(FOutlineWidth);
    FThumbnail->SetVisible(false);

    FSplitter = new TSplitter(this);
    FSplitter->SetParent(this);
    FSplitter->SetAlign(alLeft);
    FSplitter->SetVisible(false);

    FWorkspace = new TqdzPreviewWorkspace(this, this, false);
    FWorkspace->SetParent(this);
    FWorkspace->SetAlign(alClient);

    FMessagePanel = new TPanel(this);
    FMessagePanel->SetParent(this);
    FMessagePanel->SetBounds(0, 0, 200, 60);
    FMessagePanel->SetVisible(false);
    FMessageLabel = new TLabel(this);
    FMessageLabel->SetParent(FMessagePanel);
    FMessageLabel->SetBounds(10, 20, 180, 20);
    FMessageLabel->SetAlignment(taCenter);
    FMessageLabel->SetAutoSize(false);
}

TqdzPreview::~TqdzPreview()
{
    // The workspaces outlive this part of the preview while it goes.
    FWorkspace->FPreview = nullptr;
    FThumbnail->FPreview = nullptr;
}

bool TqdzPreview::HasButton(TqdzPreviewButton Button) const
{
    return Report() && Report()->PreviewOptions()->Buttons().Contains(Button);
}

int TqdzPreview::PageCount() const
{
    return PreviewPages() ? PreviewPages()->GetCount() : 0;
}

void TqdzPreview::Init()
{
    if (!Report())
        return;
    SetPreviewPages(Report()->PreviewPages());
    FFindActive = false;
    FFoundPage = -1;
    FRecords.reset();
    FRecordsPage = -1;
    TqdzPreviewOptions *o = Report()->PreviewOptions();
    SetOutlineWidth(o->OutlineWidth());
    SetOutlineVisible(o->OutlineVisible());
    SetThumbnailVisible(o->ThumbnailVisible());
    FZoom = std::max(0.25, o->Zoom());
    FZoomMode = o->ZoomMode();
    UpdatePageList();
    UpdateOutline();
    FPageNo = 0;
    SetPageNo(1);
}

void TqdzPreview::Lock()
{
    FLocked = true;
    FWorkspace->SetLocked(true);
    FThumbnail->SetLocked(true);
}

void TqdzPreview::Unlock()
{
    HideMessagePanel();
    FLocked = false;
    FWorkspace->SetLocked(false);
    FThumbnail->SetLocked(false);
    UpdatePageList();
    FWorkspace->Repaint();
    FThumbnail->Repaint();
}

void TqdzPreview::RefreshReport()
{
    if (!Report())
        return;
    const int hpos = FWorkspace->HorzPosition(), vpos = FWorkspace->VertPosition();
    const int page = FPageNo;
    Lock();
    FRefreshing = true;
    try {
        Report()->BuildReport(true);
    } catch (...) {
        FRefreshing = false;
        Unlock();
        throw;
    }
    FRefreshing = false;
    FLocked = false;
    FWorkspace->SetLocked(false);
    FThumbnail->SetLocked(false);
    FFoundPage = -1;
    FRecords.reset();
    FPageNo = page <= PageCount() ? page : 1;
    UpdatePageList();
    UpdateOutline();
    FWorkspace->SetHorzPosition(hpos);
    FWorkspace->SetVertPosition(vpos);
    FWorkspace->SetPageNo(FPageNo);
    FThumbnail->SetPageNo(FPageNo);
    FWorkspace->Repaint();
    FThumbnail->Repaint();
    // The page count may have changed with the new build.
    UpdateFormStatus();
}

void TqdzPreview::ProgressStart(TqdzReport *, TqdzProgressType, int)
{
    if (FRefreshing)
        return;
    if (PreviewPages())
        PreviewPages()->Clear();
    FWorkspace->PageList().Clear();
    FThumbnail->PageList().Clear();
    FOutline->Items()->Clear();
    FFoundPage = -1;
    FRecords.reset();
    FPageNo = 1;
    FWorkspace->SetPageNo(1);
    FThumbnail->SetPageNo(1);
    FWorkspace->UpdateScrollRanges();
    FWorkspace->SetHorzPosition(0);
    FWorkspace->SetVertPosition(0);
    FBuilding = true;
    if (auto *f = dynamic_cast<TqdzPreviewForm *>(GetParentForm(this)))
        f->UpdateControls();
}

void TqdzPreview::ProgressStep(TqdzReport *, TqdzProgressType, int Progress)
{
    if (FRefreshing)
        return;
    const bool finalPass = Report() && Report()->Engine() && Report()->Engine()->FinalPass();
    TqdzCustomPreviewPages *pages = PreviewPages();
    // The first pages appear one by one; the rest when building ends.
    if (finalPass && pages && Progress > 0 && Progress < 50) {
        const TPoint s = pages->GetPageSize(Progress - 1);
        TqdzPageList &list = FWorkspace->PageList();
        list.AddPage(int(s.X * FZoom), int(s.Y * FZoom));
        list.CalcBounds(FWorkspace->LayoutWidth());
        // Only the new page's row moved. While the engine runs every paint
        // rebuilds the pages it shows, so the workspace repaints only when
        // that row is in view; the scroll range follows at the interval.
        const int top = list.Items(list.Count() - 1).Top;
        int bottom = top;
        for (int i = list.Count() - 1; i >= 0 && list.Items(i).Top == top; --i)
            bottom = std::max(bottom, top + list.Items(i).Height);
        const int from = FWorkspace->VertPosition();
        if (top < from + FWorkspace->ClientHeight() && bottom > from)
            FWorkspace->Invalidate();
    }
    auto *form = dynamic_cast<TqdzPreviewForm *>(GetParentForm(this));
    if (Progress == 0) {
        FPageNo = 0;
        SetPageNo(1);
        if (form)
            form->CancelB->SetCaption(Res("clCancel"));
        FStartTick = QDateTime::currentMSecsSinceEpoch();
    } else if (Progress == 1) {
        const qint64 ms = QDateTime::currentMSecsSinceEpoch() - FStartTick;
        FRefreshInterval = ms < 5 ? 50 : ms >= 10 ? 5 : 20;
        // The list first, so that showing page 1 paints the pages once.
        if (finalPass)
            UpdatePageList();
        FPageNo = 0;
        SetPageNo(1);
    } else if (FRefreshInterval > 0 && Progress % FRefreshInterval == 0) {
        UpdateFormStatus();
        FWorkspace->UpdateScrollRanges();
    }
    // The messages of each step are processed by the report as soon as this
    // returns; a second round here would only poll the system once more.
}

void TqdzPreview::ProgressStop(TqdzReport *, TqdzProgressType, int)
{
    if (FRefreshing)
        return;
    FBuilding = false;
    UpdateFormStatus();
    UpdatePageList();
    UpdateOutline();
    if (auto *f = dynamic_cast<TqdzPreviewForm *>(GetParentForm(this))) {
        f->CancelB->SetCaption(Res("clClose"));
        f->SetStatusText(QString(), false);
        f->UpdateControls();
    }
}

void TqdzPreview::UpdateFormStatus()
{
    if (auto *f = dynamic_cast<TqdzPreviewForm *>(GetParentForm(this)))
        f->UpdatePageStatus();
}

void TqdzPreview::UpdatePageList()
{
    TqdzCustomPreviewPages *pages = PreviewPages();
    const int count = pages ? pages->GetCount() : 0;
    // Zoom to the page: nothing to measure without pages or room.
    if ((FZoomMode == zmWholePage || FZoomMode == zmPageWidth) && count > 0) {
        const TPoint s = pages->GetPageSize(std::clamp(FPageNo - 1, 0, count - 1));
        const int wsW = FWorkspace->Width() - FWorkspace->ScrollBarSize() - 26;
        const int wsH = FWorkspace->Height() - 26;
        if (s.X > 0 && s.Y > 0 && wsW > 0 && wsH > 0) {
            double z;
            if (FZoomMode == zmWholePage && double(s.Y) / s.X > double(FWorkspace->Height()) / std::max(1, FWorkspace->Width()))
                z = double(wsH) / s.Y;
            else
                z = double(wsW) / s.X;
            FZoom = std::max(0.25, z);
        }
    }
    TqdzPageList &list = FWorkspace->PageList();
    TqdzPageList &thumbs = FThumbnail->PageList();
    list.Clear();
    thumbs.Clear();
    FWorkspace->SetZoom(FZoom);
    for (int i = 0; i < count; ++i) {
        const TPoint s = pages->GetPageSize(i);
        list.AddPage(int(std::lround(s.X * FZoom)), int(std::lround(s.Y * FZoom)));
        thumbs.AddPage(int(std::lround(s.X * 0.1)), int(std::lround(s.Y * 0.1)));
    }
    list.CalcBounds(FWorkspace->LayoutWidth());
    thumbs.CalcBounds(FThumbnail->LayoutWidth());
    FWorkspace->UpdateScrollRanges();
    FThumbnail->UpdateScrollRanges();
    FWorkspace->Invalidate();
    FThumbnail->Invalidate();
    if (auto *f = dynamic_cast<TqdzPreviewForm *>(GetParentForm(this)))
        f->UpdateZoomBox();
}

void TqdzPreview::SetZoom(double Value)
{
    FZoom = std::max(0.25, Value);
    FZoomMode = zmDefault;
    UpdatePageList();
    ScrollToPage(FPageNo);
}

void TqdzPreview::SetZoomMode(TqdzZoomMode Value)
{
    FZoomMode = Value;
    UpdatePageList();
    ScrollToPage(FPageNo);
}

void TqdzPreview::ScrollToPage(int PageN)
{
    for (TqdzPreviewWorkspace *w : {FWorkspace, FThumbnail}) {
        if (PageN >= 1 && PageN <= w->PageList().Count()) {
            const TqdzPageItem &p = w->PageList().Items(PageN - 1);
            const bool was = w->Locked();
            w->SetLocked(true);  // no page change back from the scroll
            w->SetVertPosition(p.Top - 10);
            w->SetLocked(was);
            w->Invalidate();
        }
    }
}

void TqdzPreview::SetPageNo(int Value)
{
    const int count = PageCount();
    Value = std::max(1, std::min(Value, std::max(1, count)));
    const bool changed = Value != FPageNo;
    FPageNo = Value;
    FWorkspace->SetPageNo(Value);
    FThumbnail->SetPageNo(Value);
    if (PreviewPages() && count > 0)
        PreviewPages()->SetCurPage(Value - 1);
    ScrollToPage(Value);
    if (changed && !FDeferPaint) {
        FWorkspace->Repaint();
        FThumbnail->Repaint();
    }
    UpdateFormStatus();
    if (FOnPageChanged)
        FOnPageChanged(this, Value);
}

void TqdzPreview::PageFromScroll(int PageN)
{
    if (PageN == FPageNo)
        return;
    FPageNo = PageN;
    FWorkspace->SetPageNo(PageN);
    FThumbnail->SetPageNo(PageN);
    UpdateFormStatus();
    if (FOnPageChanged)
        FOnPageChanged(this, PageN);
}

void TqdzPreview::First()
{
    SetPageNo(1);
}

void TqdzPreview::Prior()
{
    SetPageNo(FPageNo - 1);
}

void TqdzPreview::Next()
{
    SetPageNo(FPageNo + 1);
}

void TqdzPreview::Last()
{
    SetPageNo(PageCount());
}

void TqdzPreview::SetPosition(int PageN, int Top)
{
    SetPageNo(PageN);
    if (PageN >= 1 && PageN <= FWorkspace->PageList().Count())
        FWorkspace->SetVertPosition(FWorkspace->PageList().Items(PageN - 1).Top + int(Top * FZoom) - 10);
}

void TqdzPreview::Print()
{
    if (FBuilding || !PreviewPages() || PageCount() == 0)
        return;
    PreviewPages()->SetCurPage(FPageNo - 1);
    PreviewPages()->Print();
    Unlock();
}

void TqdzPreview::ShowMessagePanel(const QString &Text)
{
    FMessageLabel->SetCaption(Text);
    FMessagePanel->SetBounds((Width() - 200) / 2, (Height() - 60) / 2, 200, 60);
    FMessagePanel->Show();
    FMessagePanel->BringToFront();
    FMessagePanel->Repaint();
}

void TqdzPreview::HideMessagePanel()
{
    FMessagePanel->Hide();
}

void TqdzPreview::SaveToFile(const QString &FileName)
{
    if (FBuilding || !PreviewPages())
        return;
    QString name = FileName;
    if (name.isEmpty()) {
        TSaveDialog dlg(nullptr);
        dlg.SetFilter(Res("clQE3files") + QStringLiteral(" (*.qe3)|*.qe3"));
        if (!dlg.Execute())
            return;
        name = dlg.FileName();
    }
    name = ChangeFileExt(name, QStringLiteral(".qe3"));
    Lock();
    ShowMessagePanel(Res("clSaving"));
    try {
        PreviewPages()->SaveToFile(name);
    } catch (...) {
        Unlock();
        throw;
    }
    Unlock();
}

void TqdzPreview::LoadFromFile(const QString &FileName)
{
    if (FBuilding || !PreviewPages())
        return;
    QString name = FileName;
    if (name.isEmpty()) {
        TOpenDialog dlg(nullptr);
        dlg.SetFilter(Res("clQE3files") + QStringLiteral(" (*.qe3)|*.qe3"));
        if (!dlg.Execute())
            return;
        name = dlg.FileName();
    }
    Lock();
    ShowMessagePanel(Res("clLoading"));
    try {
        PreviewPages()->LoadFromFile(name);
    } catch (...) {
        Unlock();
        throw;
    }
    FFoundPage = -1;
    FRecords.reset();
    FRecordsPage = -1;
    Unlock();
    UpdateOutline();
    FPageNo = 0;
    SetPageNo(1);
}

void TqdzPreview::Export(TqdzCustomExportFilter *Filter)
{
    if (FBuilding || !PreviewPages() || !Filter)
        return;
    PreviewPages()->SetCurPage(FPageNo - 1);
    PreviewPages()->Export(Filter);
}

void TqdzPreview::AddPage()
{
    if (FBuilding || !PreviewPages())
        return;
    Lock();
    PreviewPages()->AddEmptyPage(FPageNo - 1);
    FRecords.reset();
    Unlock();
    SetPageNo(FPageNo);
}

void TqdzPreview::DeletePage()
{
    if (FBuilding || !PreviewPages() || PageCount() == 0)
        return;
    Lock();
    PreviewPages()->DeletePage(FPageNo - 1);
    FRecords.reset();
    FFoundPage = -1;
    Unlock();
    SetPageNo(std::min(FPageNo, std::max(1, PageCount())));
}

bool TqdzPreview::Edit()
{
    // No report designer is linked into the program, so there is nothing to
    // hand the page to, whatever the state; the built pages stay as they are.
    return false;
}

void TqdzPreview::Clear()
{
    if (FBuilding || !PreviewPages())
        return;
    Lock();
    PreviewPages()->Clear();
    FRecords.reset();
    FFoundPage = -1;
    Unlock();
    UpdateOutline();
    SetPageNo(1);
}

// ------------------------------------------------------------------------ find

TTextRecordDevice *TqdzPreview::SearchRecords(int PageIndex)
{
    if (FRecords && FRecordsPage == PageIndex)
        return FRecords.get();
    const TPoint s = PreviewPages()->GetPageSize(PageIndex);
    FRecords = std::make_unique<TTextRecordDevice>(std::max(1, s.X), std::max(1, s.Y));
    FRecordsPage = PageIndex;
    TCanvas canvas(FRecords.get());
    PreviewPages()->DrawPage(PageIndex, &canvas, 1, 1, 0, 0);
    return FRecords.get();
}

void TqdzPreview::Find()
{
    if (FBuilding)
        return;
    TqdzSearchDialog dlg(nullptr);
    if (dlg.ShowModal() != mrOk)
        return;
    FindText(dlg.TextE->Text(), dlg.CaseCB->Checked(), dlg.TopCB->Checked());
}

void TqdzPreview::FindText(const QString &Text, bool CaseSensitive, bool FromBeginning)
{
    FFindText = Text;
    FCaseSensitive = CaseSensitive;
    FFindActive = !Text.isEmpty();
    // A new search starts on its page before the first record.
    FSearchPage = FromBeginning ? 0 : FPageNo - 1;
    FLastRecord = -1;
    FFoundPage = -1;
    FindNext();
}

void TqdzPreview::FindNext()
{
    if (!FFindActive || FBuilding || !PreviewPages())
        return;
    const QString needle = FCaseSensitive ? FFindText : FFindText.toUpper();
    const int count = PageCount();
    while (FSearchPage >= 0 && FSearchPage < count) {
        TTextRecordDevice *rec = SearchRecords(FSearchPage);
        for (int i = FLastRecord + 1; i < int(rec->Records.size()); ++i) {
            const QString &t = rec->Records[size_t(i)].Text;
            if (!(FCaseSensitive ? t : t.toUpper()).contains(needle))
                continue;
            FLastRecord = i;
            FFoundPage = FSearchPage;
            FFoundRect = rec->Records[size_t(i)].Rect;
            // Bring the match into view with 20 pixels to spare, painting
            // once where the view ends up rather than at the page's top first.
            if (FPageNo != FSearchPage + 1) {
                FDeferPaint = true;
                try {
                    SetPageNo(FSearchPage + 1);
                } catch (...) {
                    FDeferPaint = false;
                    throw;
                }
                FDeferPaint = false;
            }
            const TqdzPageItem &p = FWorkspace->PageList().Items(FSearchPage);
            const int top = p.Top + int(FFoundRect.top() * FZoom), bottom = p.Top + int(FFoundRect.bottom() * FZoom);
            const int left = p.Left + int(FFoundRect.left() * FZoom), right = p.Left + int(FFoundRect.right() * FZoom);
            if (top - 20 < FWorkspace->VertPosition() || bottom + 20 > FWorkspace->VertPosition() + FWorkspace->ClientHeight())
                FWorkspace->SetVertPosition(top - 20);
            if (left - 20 < FWorkspace->HorzPosition() || right + 20 > FWorkspace->HorzPosition() + FWorkspace->ClientWidth())
                FWorkspace->SetHorzPosition(left - 20);
            FWorkspace->Repaint();
            return;
        }
        // On to the next page, from its first record.
        ++FSearchPage;
        FLastRecord = -1;
    }
    FFoundPage = -1;
    FSearchPage = 0;
    FLastRecord = -1;
    FWorkspace->Repaint();
    ShowMessage(Res("clStrNotFound"));
}

// ---------------------------------------------------------------- keys, wheel

void TqdzPreview::KeyDown(Word &Key, TShiftState Shift)
{
    TqdzCustomPreview::KeyDown(Key, Shift);
    const bool ctrl = Shift.Contains(ssCtrl);
    switch (Key) {
    case VK_UP:
        FWorkspace->SetVertPosition(FWorkspace->VertPosition() - 8);
        break;
    case VK_DOWN:
        FWorkspace->SetVertPosition(FWorkspace->VertPosition() + 8);
        break;
    case VK_LEFT:
        FWorkspace->SetHorzPosition(FWorkspace->HorzPosition() - 8);
        break;
    case VK_RIGHT:
        FWorkspace->SetHorzPosition(FWorkspace->HorzPosition() + 8);
        break;
    case VK_PRIOR:
        if (ctrl)
            Prior();
        else
            FWorkspace->SetVertPosition(FWorkspace->VertPosition() - 300);
        break;
    case VK_NEXT:
        if (ctrl)
            Next();
        else
            FWorkspace->SetVertPosition(FWorkspace->VertPosition() + 300);
        break;
    case VK_HOME:
        First();
        break;
    case VK_END:
        Last();
        break;
    case VK_F3:
        if (HasButton(pbFind))
            FindNext();
        break;
    default:
        if (!ctrl)
            return;
        if (Key == 'P' && HasButton(pbPrint))
            Print();
        else if (Key == 'S' && HasButton(pbSave))
            SaveToFile();
        else if (Key == 'F' && HasButton(pbFind))
            Find();
        else if (Key == 'O' && HasButton(pbLoad))
            LoadFromFile();
        else
            return;
    }
    Key = 0;
}

bool TqdzPreview::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos)
{
    if (TqdzCustomPreview::DoMouseWheel(Shift, WheelDelta, MousePos))
        return true;
    const int notches = WheelDelta / 120;
    if (notches == 0)
        return true;
    if (Shift.Contains(ssCtrl)) {
        SetZoom(std::max(0.3, FZoom + 0.1 * notches));
    } else if (Shift.Contains(ssShift)) {
        FWorkspace->SetHorzPosition(FWorkspace->HorzPosition() - notches * 20);
    } else {
        FWorkspace->SetVertPosition(FWorkspace->VertPosition() - notches * 20);
    }
    return true;
}

// --------------------------------------------------------------------- outline

bool TqdzPreview::OutlineVisible() const
{
    return FOutline->Visible();
}

void TqdzPreview::SetOutlineVisible(bool Value)
{
    if (Value)
        FThumbnail->SetVisible(false);
    FOutline->SetVisible(Value);
    FSplitter->SetVisible(Value || FThumbnail->Visible());
}

bool TqdzPreview::ThumbnailVisible() const
{
    return FThumbnail->Visible();
}

void TqdzPreview::SetThumbnailVisible(bool Value)
{
    if (Value)
        FOutline->SetVisible(false);
    FThumbnail->SetVisible(Value);
    FSplitter->SetVisible(Value || FOutline->Visible());
    if (Value) {
        FThumbnail->PageList().CalcBounds(FThumbnail->LayoutWidth());
        FThumbnail->UpdateScrollRanges();
    }
}

void TqdzPreview::SetOutlineWidth(int Value)
{
    FOutlineWidth = Value;
    FOutline->SetWidth(Value);
    FThumbnail->SetWidth(Value);
}

void TqdzPreview::AddOutlineItems(TTreeNode *Parent)
{
    TqdzCustomOutline *o = PreviewPages() ? PreviewPages()->Outline() : nullptr;
    if (!o)
        return;
    const int n = o->GetCount();
    for (int i = 0; i < n; ++i) {
        QString text;
        int page = 0, top = 0;
        o->GetItem(i, text, page, top);
        TTreeNode *node = FOutline->Items()->AddChild(Parent, text);
        // Page and top packed into the node's data.
        node->SetData(reinterpret_cast<void *>(quintptr(quint32(page)) << 32 | quint32(top)));
        o->LevelDown(i);
        AddOutlineItems(node);
        o->LevelUp();
    }
}

void TqdzPreview::UpdateOutline()
{
    FFillingOutline = true;
    FOutline->Items()->BeginUpdate();
    FOutline->Items()->Clear();
    if (TqdzCustomOutline *o = PreviewPages() ? PreviewPages()->Outline() : nullptr) {
        o->LevelRoot();
        AddOutlineItems(nullptr);
    }
    if (Report() && Report()->PreviewOptions()->OutlineExpand())
        FOutline->FullExpand();
    if (FOutline->Items()->Count() > 0)
        FOutline->SetSelected(FOutline->Items()->Item(0));
    FOutline->Items()->EndUpdate();
    FFillingOutline = false;
}

void TqdzPreview::OutlineChange(TObject *, TTreeNode *Node)
{
    if (FFillingOutline || !Node)
        return;
    const quintptr d = reinterpret_cast<quintptr>(Node->Data());
    const int page = int(quint32(d >> 32)), top = int(quint32(d & 0xFFFFFFFF));
    SetPosition(page + 1, top);
}

void TqdzPreview::CollapseAllClick(TObject *)
{
    FOutline->FullCollapse();
}

void TqdzPreview::ExpandAllClick(TObject *)
{
    FOutline->FullExpand();
}
