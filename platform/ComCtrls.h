// The common controls: page controls with tab sheets, tool bars, status bars
// with panels, date pickers, tree views and up-down buttons.
#pragma once
#include "Collection.h"
#include "Controls.h"
#include "ImgList.h"
#include "Menus.h"
#include "SysUtils.h"
#include <map>
#include <memory>
#include <vector>

class QDateTimeEdit;
class QTabWidget;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class TPageControl;
class TToolBar;
class TTreeNode;
class TTreeNodes;
class TCustomTreeView;

// --- TPageControl / TTabSheet ----------------------------------------------------

class TTabSheet : public TWinControl
{
    STATION_CLASS(TTabSheet, TWinControl)
public:
    explicit TTabSheet(TComponent *AOwner);
    ~TTabSheet() override;

    TPageControl *PageControl() const { return FPageControl; }
    void SetPageControl(TPageControl *Value);
    bool TabVisible() const { return FTabVisible; }
    void SetTabVisible(bool Value);
    bool Highlighted() const { return FHighlighted; }
    void SetHighlighted(bool Value);
    int PageIndex() const;
    void SetPageIndex(int Value);
    // Index among the visible tabs; -1 when the tab is hidden.
    int TabIndex() const;
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value) { FImageIndex = Value; }
    void SetParent(TWinControl *AParent) override;

protected:
    QString GetText() const override { return FText; }
    void SetTextValue(const QString &Value) override;
    void UpdateWidgetVisibility() override;

private:
    friend class TPageControl;
    TPageControl *FPageControl = nullptr;
    bool FTabVisible = true;
    bool FHighlighted = false;
    int FImageIndex = -1;
};

class TPageControl : public TWinControl
{
    STATION_CLASS(TPageControl, TWinControl)
public:
    explicit TPageControl(TComponent *AOwner);
    ~TPageControl() override;

    int PageCount() const { return int(FPages.size()); }
    TTabSheet *Pages(int Index) const;
    TTabSheet *ActivePage() const;
    // Setting it from code does not run OnChange.
    void SetActivePage(TTabSheet *Value);
    int ActivePageIndex() const;
    void SetActivePageIndex(int Value);
    TTabSheet *FindNextPage(TTabSheet *CurPage, bool GoForward, bool CheckTabVisible) const;
    void SelectNextPage(bool GoForward, bool CheckTabVisible = true);
    TCustomImageList *Images() const { return FImages; }
    void SetImages(TCustomImageList *Value) { FImages = Value; }

    TNotifyEvent OnChange() const { return FOnChange; }
    void SetOnChange(TNotifyEvent Value) { FOnChange = Value; }
    QTabWidget *TabWidget() const { return FTabs; }

protected:
    virtual void Change();
    void InsertControl(TControl *AControl) override;
    void RemoveControl(TControl *AControl) override;

private:
    friend class TTabSheet;
    void UpdateTab(TTabSheet *Sheet);
    QTabWidget *FTabs;
    std::vector<TTabSheet *> FPages;
    TCustomImageList *FImages = nullptr;
    int FSettingPage = 0;
    TNotifyEvent FOnChange;
};

// --- TToolBar / TToolButton --------------------------------------------------------

STATION_DECLARE_ENUM(TToolButtonStyle, tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider)

class TToolButton : public TControl
{
    STATION_CLASS(TToolButton, TControl)
public:
    explicit TToolButton(TComponent *AOwner);

    TToolButtonStyle Style() const { return FStyle; }
    void SetStyle(TToolButtonStyle Value);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    bool Down() const { return FDown; }
    void SetDown(bool Value);
    bool Grouped() const { return FGrouped; }
    void SetGrouped(bool Value) { FGrouped = Value; }
    bool AllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool Value) { FAllowAllUp = Value; }
    TPopupMenu *DropdownMenu() const { return FDropdownMenu; }
    void SetDropdownMenu(TPopupMenu *Value) { FDropdownMenu = Value; }
    int Index() const;

    void Click() override;
    void SetParent(TWinControl *AParent) override;

protected:
    QString GetText() const override { return FText; }
    void SetTextValue(const QString &Value) override;
    void UpdateLook();

private:
    friend class TToolBar;
    TToolBar *ToolBar() const;
    QToolButton *FButton;
    TToolButtonStyle FStyle = tbsButton;
    int FImageIndex = -1;
    bool FDown = false;
    bool FGrouped = false;
    bool FAllowAllUp = false;
    TPopupMenu *FDropdownMenu = nullptr;
};

class TToolBar : public TWinControl
{
    STATION_CLASS(TToolBar, TWinControl)
public:
    explicit TToolBar(TComponent *AOwner);

    int ButtonCount() const;
    TToolButton *Buttons(int Index) const;
    int ButtonWidth() const { return FButtonWidth; }
    void SetButtonWidth(int Value);
    int ButtonHeight() const { return FButtonHeight; }
    void SetButtonHeight(int Value);
    bool ShowCaptions() const { return FShowCaptions; }
    void SetShowCaptions(bool Value);
    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    bool Wrapable() const { return FWrapable; }
    void SetWrapable(bool Value);
    TCustomImageList *Images() const { return FImages; }
    void SetImages(TCustomImageList *Value);
    // Places the buttons left to right (wrapping when allowed).
    void ArrangeButtons();

protected:
    void InsertControl(TControl *AControl) override;
    void RemoveControl(TControl *AControl) override;
    void Resize() override;
    void FontChanged() override;

private:
    friend class TToolButton;
    int FButtonWidth = 23;
    int FButtonHeight = 22;
    bool FShowCaptions = false;
    bool FFlat = false;
    bool FWrapable = true;
    bool FArranging = false;
    TCustomImageList *FImages = nullptr;
};

// --- TStatusBar ----------------------------------------------------------------

STATION_DECLARE_ENUM(TStatusPanelBevel, pbNone, pbLowered, pbRaised)
STATION_DECLARE_ENUM(TStatusPanelStyle, psText, psOwnerDraw)

class TStatusPanel : public TCollectionItem
{
    STATION_CLASS(TStatusPanel, TCollectionItem)
public:
    explicit TStatusPanel(TCollection *Collection);
    void Assign(TPersistent *Source) override;

    QString Text() const { return FText; }
    void SetText(const QString &Value);
    int Width() const { return FWidth; }
    void SetWidth(int Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    TStatusPanelBevel Bevel() const { return FBevel; }
    void SetBevel(TStatusPanelBevel Value);
    TStatusPanelStyle Style() const { return FStyle; }
    void SetStyle(TStatusPanelStyle Value);

private:
    QString FText;
    int FWidth = 50;
    TAlignment FAlignment = taLeftJustify;
    TStatusPanelBevel FBevel = pbLowered;
    TStatusPanelStyle FStyle = psText;
};

class TStatusBar;

class TStatusPanels : public TCollection
{
    STATION_CLASS(TStatusPanels, TCollection)
public:
    explicit TStatusPanels(TStatusBar *StatusBar = nullptr);
    TStatusPanel *Add() { return static_cast<TStatusPanel *>(TCollection::Add()); }
    TStatusPanel *Items(int Index) const { return static_cast<TStatusPanel *>(TCollection::Items(Index)); }

protected:
    void Update(TCollectionItem *Item) override;
    TPersistent *GetOwner() const override;

private:
    TStatusBar *FStatusBar;
};

class TStatusBar : public TCustomControl
{
    STATION_CLASS(TStatusBar, TCustomControl)
public:
    explicit TStatusBar(TComponent *AOwner);
    ~TStatusBar() override;

    TStatusPanels *Panels() const { return FPanels; }
    void SetPanels(TStatusPanels *Value);
    bool SimplePanel() const { return FSimplePanel; }
    void SetSimplePanel(bool Value);
    QString SimpleText() const { return FSimpleText; }
    void SetSimpleText(const QString &Value);
    // Where panel Index is drawn; the last panel reaches the right edge.
    TRect PanelRect(int Index) const;

protected:
    void Paint() override;

private:
    TStatusPanels *FPanels;
    bool FSimplePanel = false;
    QString FSimpleText;
};

// --- TDateTimePicker ---------------------------------------------------------------

STATION_DECLARE_ENUM(TDateTimeKind, dtkDate, dtkTime)
STATION_DECLARE_ENUM(TDTDateFormat, dfShort, dfLong)

class TDateTimePicker : public TWinControl
{
    STATION_CLASS(TDateTimePicker, TWinControl)
public:
    explicit TDateTimePicker(TComponent *AOwner);

    // The date part (a whole number of days).
    TDateTime Date() const;
    void SetDate(TDateTime Value);
    // The time part (a fraction of a day).
    TDateTime Time() const;
    void SetTime(TDateTime Value);
    TDateTime DateTime() const;
    void SetDateTime(TDateTime Value);
    TDateTimeKind Kind() const { return FKind; }
    void SetKind(TDateTimeKind Value);
    TDTDateFormat DateFormat() const { return FDateFormat; }
    void SetDateFormat(TDTDateFormat Value);
    // A format in the class library's letters (yyyy-mm-dd, hh:nn:ss); empty
    // takes the date or time format of FormatSettings.
    QString Format() const { return FFormat; }
    void SetFormat(const QString &Value);
    TDateTime MinDate() const { return FMinDate; }
    void SetMinDate(TDateTime Value);
    TDateTime MaxDate() const { return FMaxDate; }
    void SetMaxDate(TDateTime Value);

    // Only what the user changes runs OnChange.
    TNotifyEvent OnChange() const { return FOnChange; }
    void SetOnChange(TNotifyEvent Value) { FOnChange = Value; }
    int WantKeys() const override { return DLGC_WANTARROWS | DLGC_WANTCHARS; }
    QDateTimeEdit *Editor() const { return FEdit; }

protected:
    virtual void Change();

private:
    void UpdateFormat();
    QDateTimeEdit *FEdit;
    TDateTimeKind FKind = dtkDate;
    TDTDateFormat FDateFormat = dfShort;
    QString FFormat;
    TDateTime FMinDate = 0;
    TDateTime FMaxDate = 0;
    int FSetting = 0;
    TNotifyEvent FOnChange;
};

// The class library's date-time letters as Qt's (m -> M, n -> m).
QString DateTimeFormatToQt(const QString &Format);
// TDateTime <-> QDateTime (days from 1899-12-30, the fraction is the time).
QDateTime DateTimeToQDateTime(TDateTime Value);
TDateTime QDateTimeToDateTime(const QDateTime &Value);

// --- TTreeView -----------------------------------------------------------------

STATION_EVENT(TTVChangedEvent, void(TObject *Sender, TTreeNode *Node))
STATION_EVENT(TTVChangingEvent, void(TObject *Sender, TTreeNode *Node, bool &AllowChange))
STATION_EVENT(TTVExpandingEvent, void(TObject *Sender, TTreeNode *Node, bool &AllowExpansion))
STATION_EVENT(TTVCollapsingEvent, void(TObject *Sender, TTreeNode *Node, bool &AllowCollapse))
STATION_EVENT(TTVExpandedEvent, void(TObject *Sender, TTreeNode *Node))

class TTreeNode : public TPersistent
{
public:
    TTreeNode(TTreeNodes *Owner, QTreeWidgetItem *Item);

    QString Text() const;
    void SetText(const QString &Value);
    void *Data() const { return FData; }
    void SetData(void *Value) { FData = Value; }
    TTreeNode *Parent() const;
    int Count() const;
    TTreeNode *Item(int Index) const;
    bool HasChildren() const { return Count() > 0; }
    int Index() const;
    // Depth: 0 for a root node.
    int Level() const;
    int AbsoluteIndex() const;
    bool Expanded() const;
    void SetExpanded(bool Value);
    void Expand(bool Recurse);
    void Collapse(bool Recurse);
    bool Selected() const;
    void SetSelected(bool Value);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    int SelectedIndex() const { return FSelectedIndex; }
    void SetSelectedIndex(int Value) { FSelectedIndex = Value; }
    TTreeNode *GetFirstChild() const { return Count() ? Item(0) : nullptr; }
    TTreeNode *GetLastChild() const { return Count() ? Item(Count() - 1) : nullptr; }
    TTreeNode *GetNextSibling() const;
    TTreeNode *GetPrevSibling() const;
    // The next node in depth-first order.
    TTreeNode *GetNext() const;
    TTreeNodes *Owner() const { return FOwner; }
    void MakeVisible();
    // Frees the node and what lies below it.
    void Delete();
    void DeleteChildren();

    QTreeWidgetItem *ItemWidget() const { return FItem; }

private:
    TTreeNodes *FOwner;
    QTreeWidgetItem *FItem;
    void *FData = nullptr;
    int FImageIndex = -1;
    int FSelectedIndex = -1;
};

class TTreeNodes : public TPersistent
{
    STATION_CLASS(TTreeNodes, TPersistent)
public:
    explicit TTreeNodes(TCustomTreeView *Owner);
    ~TTreeNodes() override;

    // Adds after the last sibling of Sibling (at the root when Sibling is null).
    TTreeNode *Add(TTreeNode *Sibling, const QString &S);
    TTreeNode *AddObject(TTreeNode *Sibling, const QString &S, void *Ptr);
    TTreeNode *AddFirst(TTreeNode *Sibling, const QString &S);
    TTreeNode *AddChild(TTreeNode *Parent, const QString &S);
    TTreeNode *AddChildObject(TTreeNode *Parent, const QString &S, void *Ptr);
    TTreeNode *AddChildFirst(TTreeNode *Parent, const QString &S);
    // Before Sibling.
    TTreeNode *Insert(TTreeNode *Sibling, const QString &S);
    void Delete(TTreeNode *Node);
    void Clear();
    // Every node, depth first.
    int Count() const { return int(FNodes.size()); }
    TTreeNode *Item(int Index) const;
    TTreeNode *GetFirstNode() const;
    void BeginUpdate();
    void EndUpdate();
    TCustomTreeView *Owner() const { return FOwner; }

    // The node of a Qt item.
    TTreeNode *NodeOf(QTreeWidgetItem *Item) const;

private:
    friend class TTreeNode;
    TTreeNode *InsertAt(QTreeWidgetItem *Parent, int Index, const QString &S, void *Ptr);
    void Forget(QTreeWidgetItem *Item);
    TCustomTreeView *FOwner;
    std::map<QTreeWidgetItem *, std::unique_ptr<TTreeNode>> FNodes;
};

class TCustomTreeView : public TWinControl
{
    STATION_CLASS(TCustomTreeView, TWinControl)
public:
    explicit TCustomTreeView(TComponent *AOwner);
    ~TCustomTreeView() override;

    TTreeNodes *Items() const { return FItems; }
    TTreeNode *Selected() const;
    void SetSelected(TTreeNode *Value);
    TTreeNode *TopItem() const;
    TTreeNode *GetNodeAt(int X, int Y) const;
    void FullExpand();
    void FullCollapse();
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    bool ShowRoot() const { return FShowRoot; }
    void SetShowRoot(bool Value);
    bool ShowLines() const { return FShowLines; }
    void SetShowLines(bool Value) { FShowLines = Value; }
    bool ShowButtons() const { return FShowButtons; }
    void SetShowButtons(bool Value);
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool Value) { FHideSelection = Value; }
    bool AutoExpand() const { return FAutoExpand; }
    void SetAutoExpand(bool Value);
    TCustomImageList *Images() const { return FImages; }
    void SetImages(TCustomImageList *Value);

    TTVChangedEvent OnChange() const { return FOnChange; }
    void SetOnChange(TTVChangedEvent Value) { FOnChange = Value; }
    TTVChangingEvent OnChanging() const { return FOnChanging; }
    void SetOnChanging(TTVChangingEvent Value) { FOnChanging = Value; }
    TTVExpandingEvent OnExpanding() const { return FOnExpanding; }
    void SetOnExpanding(TTVExpandingEvent Value) { FOnExpanding = Value; }
    TTVExpandedEvent OnExpanded() const { return FOnExpanded; }
    void SetOnExpanded(TTVExpandedEvent Value) { FOnExpanded = Value; }
    TTVCollapsingEvent OnCollapsing() const { return FOnCollapsing; }
    void SetOnCollapsing(TTVCollapsingEvent Value) { FOnCollapsing = Value; }
    TTVExpandedEvent OnCollapsed() const { return FOnCollapsed; }
    void SetOnCollapsed(TTVExpandedEvent Value) { FOnCollapsed = Value; }

    int WantKeys() const override { return DLGC_WANTARROWS | DLGC_WANTCHARS; }
    QTreeWidget *TreeWidget() const { return FTree; }

protected:
    virtual void Change(TTreeNode *Node);
    virtual bool CanExpand(TTreeNode *Node);
    virtual bool CanCollapse(TTreeNode *Node);
    virtual void Expand(TTreeNode *Node);
    virtual void Collapse(TTreeNode *Node);

private:
    friend class TTreeNode;
    friend class TTreeNodes;
    void ItemExpanded(QTreeWidgetItem *Item);
    void ItemCollapsed(QTreeWidgetItem *Item);
    QTreeWidget *FTree;
    TTreeNodes *FItems;
    bool FReadOnly = false;
    bool FShowRoot = true;
    bool FShowLines = true;
    bool FShowButtons = true;
    bool FHideSelection = true;
    bool FAutoExpand = false;
    TCustomImageList *FImages = nullptr;
    int FSetting = 0;
    QTreeWidgetItem *FPrevious = nullptr;
    TTVChangedEvent FOnChange;
    TTVChangingEvent FOnChanging;
    TTVExpandingEvent FOnExpanding;
    TTVExpandedEvent FOnExpanded;
    TTVCollapsingEvent FOnCollapsing;
    TTVExpandedEvent FOnCollapsed;
};

class TTreeView : public TCustomTreeView
{
    STATION_CLASS(TTreeView, TCustomTreeView)
public:
    explicit TTreeView(TComponent *AOwner) : TCustomTreeView(AOwner) {}
};

// --- TUpDown -------------------------------------------------------------------

STATION_DECLARE_ENUM(TUDBtnType, btNext, btPrev)
STATION_DECLARE_ENUM(TUDAlignButton, udLeft, udRight)
STATION_DECLARE_ENUM(TUDOrientation, udHorizontal, udVertical)
STATION_EVENT(TUDClickEvent, void(TObject *Sender, TUDBtnType Button))
STATION_EVENT(TUDChangingEvent, void(TObject *Sender, bool &AllowChange))

class TUpDown : public TWinControl
{
    STATION_CLASS(TUpDown, TWinControl)
public:
    explicit TUpDown(TComponent *AOwner);

    int Min() const { return FMin; }
    void SetMin(int Value);
    int Max() const { return FMax; }
    void SetMax(int Value);
    // Read from the associated control's text when it holds a number.
    int Position() const;
    void SetPosition(int Value);
    int Increment() const { return FIncrement; }
    void SetIncrement(int Value) { FIncrement = Value; }
    bool Wrap() const { return FWrap; }
    void SetWrap(bool Value) { FWrap = Value; }
    bool Thousands() const { return FThousands; }
    void SetThousands(bool Value);
    bool ArrowKeys() const { return FArrowKeys; }
    void SetArrowKeys(bool Value) { FArrowKeys = Value; }
    TUDAlignButton AlignButton() const { return FAlignButton; }
    void SetAlignButton(TUDAlignButton Value);
    TUDOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TUDOrientation Value);
    // The control showing the position; the up-down sits on its edge.
    TWinControl *Associate() const { return FAssociate; }
    void SetAssociate(TWinControl *Value);

    // What a press of one arrow does.
    void Step(TUDBtnType Button);

    TUDClickEvent OnClick() const { return FOnClick; }
    void SetOnClick(TUDClickEvent Value) { FOnClick = Value; }
    TUDChangingEvent OnChanging() const { return FOnChanging; }
    void SetOnChanging(TUDChangingEvent Value) { FOnChanging = Value; }

protected:
    void Notification(TComponent *AComponent, TOperation Operation) override;
    void Resize() override;

private:
    void UpdateAssociate();
    void PlaceButtons();
    QToolButton *FUp;
    QToolButton *FDown;
    int FMin = 0;
    int FMax = 100;
    int FPosition = 0;
    int FIncrement = 1;
    bool FWrap = false;
    bool FThousands = true;
    bool FArrowKeys = true;
    TUDAlignButton FAlignButton = udRight;
    TUDOrientation FOrientation = udVertical;
    TWinControl *FAssociate = nullptr;
    TUDClickEvent FOnClick;
    TUDChangingEvent FOnChanging;
};

// --- TProgressBar ----------------------------------------------------------------

class QProgressBar;

class TProgressBar : public TWinControl
{
    STATION_CLASS(TProgressBar, TWinControl)
public:
    explicit TProgressBar(TComponent *AOwner);

    int Min() const { return FMin; }
    void SetMin(int Value);
    int Max() const { return FMax; }
    void SetMax(int Value);
    // Kept within Min..Max.
    int Position() const { return FPosition; }
    void SetPosition(int Value);
    int Step() const { return FStep; }
    void SetStep(int Value) { FStep = Value; }
    // Advances Position by Step.
    void StepIt() { SetPosition(FPosition + FStep); }

private:
    void Apply();

    QProgressBar *FBar;
    int FMin = 0;
    int FMax = 100;
    int FPosition = 0;
    int FStep = 10;
};
