// Small controls of the report engine's windows: the flat combo box, the
// scroll window with its own positions, and the tool-bar panel.
#pragma once
#include "platform/Controls.h"
#include "platform/ExtCtrls.h"
#include "platform/StdCtrls.h"

class QScrollBar;

// Blend of two colours: weight P of A over B, in percent below 100, else in
// thousandths; each channel rounded half up.
TColor qdzBlendColor(TColor A, TColor B, int P);

// A drop-down combo box with a one-pixel frame and a flat drop-down button.
class TqdzCustomComboBox : public TCustomComboBox
{
    STATION_CLASS(TqdzCustomComboBox, TCustomComboBox)
public:
    explicit TqdzCustomComboBox(TComponent *AOwner);
    ~TqdzCustomComboBox() override;

    // 0: as wide as the control.
    int ListWidth() const { return FListWidth; }
    void SetListWidth(int Value) { FListWidth = Value; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    // Height of the dropped list: item height times min(DropDownCount,
    // items) + 2, or one item height + 2 when empty.
    int ListHeight() const;
    // Width of the dropped list.
    int ListRectWidth() const;
    // Set when the dropped list did not fit below the control.
    bool ListUpwards() const { return FListUpwards; }
    bool MouseInControl() const { return FMouseInControl; }

    static constexpr int ButtonWidth = 11;

    // Frame and button as the control is now (normal, hot, dropped).
    void PaintFlat(QPainter &P);

protected:
    void MouseEnter() override;
    void MouseLeave() override;
    void FontChanged() override;

private:
    void PlaceList();
    void PlaceListEvent(TObject *Sender);
    int FListWidth = 0;
    bool FReadOnly = false;
    bool FListUpwards = false;
    bool FMouseInControl = false;
    QObject *FPainter = nullptr;
};

class TqdzComboBox : public TqdzCustomComboBox
{
    STATION_CLASS(TqdzComboBox, TqdzCustomComboBox)
public:
    explicit TqdzComboBox(TComponent *AOwner) : TqdzCustomComboBox(AOwner) {}
};

// A control with flat scroll bars that keeps its own positions: the base of
// the preview's page workspace.
class TqdzScrollWin : public TCustomControl
{
    STATION_CLASS(TqdzScrollWin, TCustomControl)
public:
    explicit TqdzScrollWin(TComponent *AOwner);
    ~TqdzScrollWin() override;

    int HorzPosition() const { return FHorzPosition; }
    void SetHorzPosition(int Value);
    int HorzRange() const { return FHorzRange; }
    void SetHorzRange(int Value);
    int HorzPage() const { return FHorzPage; }
    void SetHorzPage(int Value);
    int VertPosition() const { return FVertPosition; }
    void SetVertPosition(int Value);
    int VertRange() const { return FVertRange; }
    void SetVertRange(int Value);
    int VertPage() const { return FVertPage; }
    void SetVertPage(int Value);
    int LargeChange() const { return FLargeChange; }
    void SetLargeChange(int Value) { FLargeChange = Value; }
    int SmallChange() const { return FSmallChange; }
    void SetSmallChange(int Value) { FSmallChange = Value; }
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);

    // Scroll requests (WM_VSCROLL / WM_HSCROLL with SB_*).
    void Perform(unsigned Msg, int WParam, int LParam = 0) override;
    int WantKeys() const override { return DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTALLKEYS; }
    TRect ClientRect() const override;
    // Width of the vertical bar (height of the horizontal one).
    int ScrollBarSize() const;
    QScrollBar *HorzBar() const { return FHorzBar; }
    QScrollBar *VertBar() const { return FVertBar; }

protected:
    void Paint() override;
    virtual void OnHScrollChange() {}
    virtual void OnVScrollChange() {}
    void Resize() override;

private:
    void UpdateBar(bool Horz);
    void PlaceBars();
    QScrollBar *FHorzBar;
    QScrollBar *FVertBar;
    int FHorzPosition = 0, FHorzRange = 0, FHorzPage = 0;
    int FVertPosition = 0, FVertRange = 0, FVertPage = 0;
    int FLargeChange = 10;
    int FSmallChange = 1;
    TBorderStyle FBorderStyle = bsNone;
    bool FUpdating = false;
};

// A borderless panel that holds a non-button control inside a tool bar.
class TqdzTBPanel : public TCustomPanel
{
    STATION_CLASS(TqdzTBPanel, TCustomPanel)
public:
    explicit TqdzTBPanel(TComponent *AOwner);
    // On a panel aligned left or right it aligns to the top, elsewhere to
    // the left.
    void SetParent(TWinControl *AParent) override;

protected:
    void Paint() override;
};
