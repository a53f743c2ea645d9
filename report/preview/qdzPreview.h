// The preview control: the page workspace that lays out and paints built
// pages at a zoom, thumbnails, outline tree, navigation, find, save and open.
#pragma once
#include "platform/ComCtrls.h"
#include "platform/ExtCtrls.h"
#include "platform/Menus.h"
#include "platform/StdCtrls.h"
#include "report/preview/qdzCtrls.h"
#include "report/model/qdzClassEngine.h"
#include "report/model/qdzVariables.h"

#include <QRectF>
#include <memory>
#include <vector>

class TqdzPreview;
class TTextRecordDevice;

// One page of the workspace: size at the list's zoom and place.
struct TqdzPageItem {
    int Height = 0, Width = 0, Left = 0, Top = 0;
};

class TqdzPageList
{
public:
    void Clear();
    void AddPage(int Width, int Height);
    int Count() const { return int(FItems.size()); }
    const TqdzPageItem &Items(int Index) const { return FItems[size_t(Index)]; }
    // Lays the pages out in rows for a client width.
    void CalcBounds(int ClientWidth);
    // Index of the page shown at a vertical offset (-1 without pages); with
    // a point, the page holding it (-1 when none does).
    int FindPage(int OffsetY, int OffsetX = -1, bool WithPoint = false) const;
    TRect GetPageBounds(int Index, int ClientWidth, bool RightToLeft) const;
    int MaxWidth() const { return FMaxWidth; }
    // Bottom of the last page + 10.
    int MaxHeight() const;

private:
    std::vector<TqdzPageItem> FItems;
    int FMaxWidth = 0;
};

// The scrolling area where pages (or thumbnails) are painted.
class TqdzPreviewWorkspace : public TqdzScrollWin
{
    STATION_CLASS(TqdzPreviewWorkspace, TqdzScrollWin)
public:
    TqdzPreviewWorkspace(TComponent *AOwner, TqdzPreview *APreview, bool AThumbMode);

    TqdzPageList &PageList() { return FPageList; }
    double Zoom() const { return FZoom; }
    void SetZoom(double Value) { FZoom = Value; }
    int PageNo() const { return FPageNo; }
    void SetPageNo(int Value);
    bool Locked() const { return FLocked; }
    void SetLocked(bool Value) { FLocked = Value; }
    TColor ActiveFrameColor() const { return FActiveFrameColor; }
    void SetActiveFrameColor(TColor Value);
    TColor BackColor() const { return FBackColor; }
    void SetBackColor(TColor Value);
    TColor FrameColor() const { return FFrameColor; }
    void SetFrameColor(TColor Value);
    // Range and page of both bars from the page list.
    void UpdateScrollRanges();
    // Client width the pages are laid out for.
    int LayoutWidth() const;
    // The page rectangle in client coordinates.
    TRect PageRect(int Index) const;

    bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
    void KeyDown(Word &Key, TShiftState Shift) override;

protected:
    void Paint() override;
    void Resize() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void DblClick() override;
    void OnHScrollChange() override;
    void OnVScrollChange() override;

private:
    void DrawPage(int Index, const TRect &R);
    // Hands a point to the store's hit test; True when over a page.
    bool HitTest(int X, int Y, bool Click, bool Dbl, TMouseButton Button, TShiftState Shift);

    friend class TqdzPreview;
    TqdzPreview *FPreview;
    TqdzPageList FPageList;
    double FZoom = 1.0;
    int FPageNo = 1;
    TColor FActiveFrameColor = TColor(8405024);
    TColor FBackColor = TColor(8421504);
    TColor FFrameColor = clBlack;
    bool FThumbMode;
    bool FLocked = false;
    bool FDown = false;
    bool FDragged = false;
    TPoint FLastPoint{0, 0};
    TPoint FDownPoint{0, 0};
};

STATION_EVENT(TqdzPageChangedEvent, void(TObject *Sender, int PageNo))

class TqdzPreview : public TqdzCustomPreview
{
    STATION_CLASS(TqdzPreview, TqdzCustomPreview)
public:
    explicit TqdzPreview(TComponent *AOwner);
    ~TqdzPreview() override;

    void Init() override;
    void Lock() override;
    void Unlock() override;
    void RefreshReport() override;
    void ProgressStart(TqdzReport *Sender, TqdzProgressType ProgressType, int Progress) override;
    void ProgressStep(TqdzReport *Sender, TqdzProgressType ProgressType, int Progress) override;
    void ProgressStop(TqdzReport *Sender, TqdzProgressType ProgressType, int Progress) override;

    void First();
    void Prior();
    void Next();
    void Last();
    int PageNo() const { return FPageNo; }
    // Clamped to 1 .. page count; scrolls the page's top 10 pixels below
    // the window's top.
    void SetPageNo(int Value);
    int PageCount() const;
    double Zoom() const { return FZoom; }
    // Never below 0.25; switches ZoomMode back to zmDefault.
    void SetZoom(double Value);
    TqdzZoomMode ZoomMode() const { return FZoomMode; }
    void SetZoomMode(TqdzZoomMode Value);

    void Print();
    // Without a name the save / open dialog asks for one.
    void SaveToFile(const QString &FileName = QString());
    void LoadFromFile(const QString &FileName = QString());
    void Export(TqdzCustomExportFilter *Filter);
    // Asks for the text (search dialog) and finds its first match.
    void Find();
    // Starts a search without asking.
    void FindText(const QString &Text, bool CaseSensitive, bool FromBeginning);
    // The next match; "Text not found" after the last page.
    void FindNext();
    void AddPage();
    void DeletePage();
    void Clear();
    // Hands the current page to the report designer for editing; False when
    // nothing was done (while building, without pages, or, as always in this
    // program, without a designer).
    bool Edit();
    void SetPosition(int PageN, int Top);

    // Whole rebuild of both page lists at the current zoom or zoom mode.
    void UpdatePageList();
    void UpdateOutline();

    bool OutlineVisible() const;
    void SetOutlineVisible(bool Value);
    int OutlineWidth() const { return FOutlineWidth; }
    void SetOutlineWidth(int Value);
    bool ThumbnailVisible() const;
    void SetThumbnailVisible(bool Value);
    TColor ActiveFrameColor() const { return FWorkspace->ActiveFrameColor(); }
    void SetActiveFrameColor(TColor Value) { FWorkspace->SetActiveFrameColor(Value); }
    TColor BackColor() const { return FWorkspace->BackColor(); }
    void SetBackColor(TColor Value) { FWorkspace->SetBackColor(Value); }
    TColor FrameColor() const { return FWorkspace->FrameColor(); }
    void SetFrameColor(TColor Value) { FWorkspace->SetFrameColor(Value); }
    bool UseReportHints() const { return FUseReportHints; }
    void SetUseReportHints(bool Value) { FUseReportHints = Value; }

    TqdzPageChangedEvent OnPageChanged() const { return FOnPageChanged; }
    void SetOnPageChanged(TqdzPageChangedEvent Value) { FOnPageChanged = Value; }

    bool Building() const { return FBuilding; }
    bool Locked() const { return FLocked; }
    TqdzPreviewWorkspace *Workspace() const { return FWorkspace; }
    TqdzPreviewWorkspace *Thumbnails() const { return FThumbnail; }
    TTreeView *OutlineTree() const { return FOutline; }
    TPanel *MessagePanel() const { return FMessagePanel; }
    TLabel *MessageLabel() const { return FMessageLabel; }
    // The outline tree's menu: collapse all, expand all.
    TPopupMenu *OutlinePopup() const { return FOutlinePopup; }

    // The last match: page index (-1 none) and rectangle in page units.
    int FoundPage() const { return FFoundPage; }
    QRectF FoundRect() const { return FFoundRect; }

    // Keys of the preview (also from its workspace).
    void KeyDown(Word &Key, TShiftState Shift) override;
    // Wheel: Ctrl zooms by 0.1 a notch, Shift scrolls sideways.
    bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;

private:
    friend class TqdzPreviewWorkspace;
    void ShowMessagePanel(const QString &Text);
    void HideMessagePanel();
    void OutlineChange(TObject *Sender, TTreeNode *Node);
    void CollapseAllClick(TObject *Sender);
    void ExpandAllClick(TObject *Sender);
    void AddOutlineItems(TTreeNode *Parent);
    void UpdateFormStatus();
    // Scrolls both workspaces so the page's top is 10 pixels below the top.
    void ScrollToPage(int PageN);
    // The page number the vertical scroll has reached (from the workspace).
    void PageFromScroll(int PageN);
    bool HasButton(TqdzPreviewButton Button) const;
    TTextRecordDevice *SearchRecords(int PageIndex);

    TPopupMenu *FOutlinePopup;
    TTreeView *FOutline;
    TqdzPreviewWorkspace *FThumbnail;
    TSplitter *FSplitter;
    TqdzPreviewWorkspace *FWorkspace;
    TPanel *FMessagePanel;
    TLabel *FMessageLabel;
    int FPageNo = 1;
    double FZoom = 1.0;
    TqdzZoomMode FZoomMode = zmDefault;
    int FOutlineWidth = 120;
    bool FUseReportHints = true;
    bool FLocked = false;
    bool FRefreshing = false;
    bool FBuilding = false;
    bool FFillingOutline = false;
    // A page change whose caller paints once it has scrolled.
    bool FDeferPaint = false;
    int FRefreshInterval = 20;
    qint64 FStartTick = 0;
    TqdzPageChangedEvent FOnPageChanged;

    // Search: text, case, where the last match was.
    QString FFindText;
    bool FCaseSensitive = false;
    bool FFindActive = false;
    int FSearchPage = -1;
    int FLastRecord = -1;
    int FFoundPage = -1;
    QRectF FFoundRect;
    std::unique_ptr<TTextRecordDevice> FRecords;
    int FRecordsPage = -1;
};
