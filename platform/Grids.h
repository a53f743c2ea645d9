// Grids with the class library's geometry: fixed rows and columns, column
// widths and row heights where 0 hides a column or row with its grid line,
// scrolling by whole cells, OnSelectCell on every touch of a cell (also the
// current one), OnDrawCell with the grid's canvas after the default drawing.
#pragma once
#include "Controls.h"
#include <memory>
#include <vector>

class QAbstractScrollArea;

STATION_EXCEPTION(EInvalidGridOperation, Exception)

STATION_DECLARE_ENUM(TGridOption, goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect,
                     goDrawFocusSelected, goRowSizing, goColSizing, goRowMoving, goColMoving, goEditing, goTabs,
                     goRowSelect, goAlwaysShowEditor, goThumbTracking)
STATION_DECLARE_SET(TGridOptions, TGridOption)
STATION_DECLARE_ENUM(TGridDrawStateItem, gdSelected, gdFocused, gdFixed)
STATION_DECLARE_SET(TGridDrawState, TGridDrawStateItem)

struct TGridCoord {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TGridCoord &, const TGridCoord &) = default;
};
struct TGridRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    friend bool operator==(const TGridRect &, const TGridRect &) = default;
};

STATION_EVENT(TDrawCellEvent, void(TObject *Sender, int ACol, int ARow, TRect Rect, TGridDrawState State))
STATION_EVENT(TSelectCellEvent, void(TObject *Sender, int ACol, int ARow, bool &CanSelect))

class TCustomGrid : public TWinControl
{
    STATION_CLASS(TCustomGrid, TWinControl)
public:
    explicit TCustomGrid(TComponent *AOwner);
    ~TCustomGrid() override;

    int ColCount() const { return int(FColWidths.size()); }
    void SetColCount(int Value);
    int RowCount() const { return int(FRowHeights.size()); }
    void SetRowCount(int Value);
    int FixedCols() const { return FFixedCols; }
    void SetFixedCols(int Value);
    int FixedRows() const { return FFixedRows; }
    void SetFixedRows(int Value);
    int DefaultColWidth() const { return FDefaultColWidth; }
    // Sets every column to the width.
    void SetDefaultColWidth(int Value);
    int DefaultRowHeight() const { return FDefaultRowHeight; }
    // Sets every row to the height.
    void SetDefaultRowHeight(int Value);
    // 0 hides the column (and its grid line).
    int ColWidths(int Index) const;
    void SetColWidths(int Index, int Value);
    int RowHeights(int Index) const;
    void SetRowHeights(int Index, int Value);
    int GridLineWidth() const { return FGridLineWidth; }
    void SetGridLineWidth(int Value);
    TGridOptions Options() const { return FOptions; }
    void SetOptions(TGridOptions Value);
    TColor FixedColor() const { return FFixedColor; }
    void SetFixedColor(TColor Value);
    bool DefaultDrawing() const { return FDefaultDrawing; }
    void SetDefaultDrawing(bool Value) { FDefaultDrawing = Value; }
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle Value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);

    // The current cell; setting it asks OnSelectCell like a touch does.
    int Col() const { return FCurrent.X; }
    void SetCol(int Value);
    int Row() const { return FCurrent.Y; }
    void SetRow(int Value);
    TGridRect Selection() const;
    void SetSelection(const TGridRect &Value);
    int TopRow() const { return FTopLeft.Y; }
    void SetTopRow(int Value);
    int LeftCol() const { return FTopLeft.X; }
    void SetLeftCol(int Value);
    int VisibleColCount() const;
    int VisibleRowCount() const;

    // Where the cell is drawn; empty when it is out of view or hidden.
    TRect CellRect(int ACol, int ARow) const;
    // The cell under a client point; -1, -1 for none.
    void MouseToCell(int X, int Y, int &ACol, int &ARow) const;
    TGridCoord MouseCoord(int X, int Y) const;
    TCanvas *Canvas() const { return FCanvas; }

    TNotifyEvent OnTopLeftChanged() const { return FOnTopLeftChanged; }
    void SetOnTopLeftChanged(TNotifyEvent Value) { FOnTopLeftChanged = Value; }

    int WantKeys() const override;
    bool HostEvent(QEvent *Event) override;
    bool HostPaint(QPaintEvent *Event) override;
    void Perform(unsigned Msg, int WParam, int LParam = 0) override;

protected:
    virtual bool SelectCell(int ACol, int ARow);
    virtual void DrawCell(int ACol, int ARow, const TRect &ARect, TGridDrawState AState);
    // False for a cell of a scrolled row that holds nothing: it is left blank,
    // never drawn selected.
    virtual bool CellHoldsData(int, int) const { return true; }
    virtual void SizeChanged(int OldColCount, int OldRowCount);
    virtual void TopLeftChanged();
    void KeyDown(Word &Key, TShiftState Shift) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Resize() override;
    void Paint() override;
    // Moves the current cell when OnSelectCell allows it, then clicks.
    void FocusCell(int ACol, int ARow, bool MoveAnchor);
    void MoveCurrent(int ACol, int ARow, bool MoveAnchor, bool Show);
    void InvalidateGrid();
    // Scrolls so that the cell is in view.
    void MoveTopLeft(int ALeft, int ATop);
    void ClampTopLeft();
    void UpdateScrollBars();
    void Scrolled();

private:
    struct TAxis {
        int FixedCount;
        int First;  // first scrolled index in view
        int Extent; // pixels available
    };
    int LineWidthCol(int ACol) const;
    int LineWidthRow(int ARow) const;
    // Pixel start of a column/row in client coordinates; -1 when out of view.
    int ColStart(int ACol) const;
    int RowStart(int ARow) const;
    int MaxTopRow() const;
    int MaxLeftCol() const;
    int ClientW() const;
    int ClientH() const;

    QAbstractScrollArea *FArea;
    TControlCanvas *FCanvas;
    std::vector<int> FColWidths;
    std::vector<int> FRowHeights;
    int FFixedCols = 1;
    int FFixedRows = 1;
    int FDefaultColWidth = 64;
    int FDefaultRowHeight = 24;
    int FGridLineWidth = 1;
    TGridOptions FOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect};
    TColor FFixedColor = clBtnFace;
    bool FDefaultDrawing = true;
    TScrollStyle FScrollBars = ssBoth;
    TBorderStyle FBorderStyle = bsSingle;
    TGridCoord FCurrent{1, 1};
    TGridCoord FAnchor{1, 1};
    TGridCoord FTopLeft{1, 1};
    int FSettingScroll = 0;
    TNotifyEvent FOnTopLeftChanged;
};

class TDrawGrid : public TCustomGrid
{
    STATION_CLASS(TDrawGrid, TCustomGrid)
public:
    explicit TDrawGrid(TComponent *AOwner) : TCustomGrid(AOwner) {}

    TDrawCellEvent OnDrawCell() const { return FOnDrawCell; }
    void SetOnDrawCell(TDrawCellEvent Value) { FOnDrawCell = Value; }
    TSelectCellEvent OnSelectCell() const { return FOnSelectCell; }
    void SetOnSelectCell(TSelectCellEvent Value) { FOnSelectCell = Value; }

protected:
    bool SelectCell(int ACol, int ARow) override;
    void DrawCell(int ACol, int ARow, const TRect &ARect, TGridDrawState AState) override;

private:
    TDrawCellEvent FOnDrawCell;
    TSelectCellEvent FOnSelectCell;
};

class TStringGrid;

// One row or column of a string grid as a string list.
class TStringGridStrings : public TStrings
{
public:
    TStringGridStrings(TStringGrid *Grid, int Index, bool IsRow) : FGrid(Grid), FIndex(Index), FIsRow(IsRow) {}
    int Add(const QString &S) override;
    void Insert(int Index, const QString &S) override;
    void Delete(int Index) override;
    // Empties the cells of the row or column.
    void Clear() override;
    TObjectRef ObjectRef(int Index) const override;

protected:
    QString Get(int Index) const override;
    int GetCount() const override;
    TObject *GetObject(int Index) const override;
    void Put(int Index, const QString &S) override;
    void PutObject(int Index, TObject *AObject) override;

private:
    TStringGrid *FGrid;
    int FIndex;
    bool FIsRow;
};

class TStringGrid : public TDrawGrid
{
    STATION_CLASS(TStringGrid, TDrawGrid)
public:
    explicit TStringGrid(TComponent *AOwner);
    ~TStringGrid() override;

    QString Cells(int ACol, int ARow) const;
    void SetCells(int ACol, int ARow, const QString &Value);
    TObject *Objects(int ACol, int ARow) const;
    void SetObjects(int ACol, int ARow, TObject *Value);
    // The cell's object with the serial it was stored with.
    TObjectRef ObjectRef(int ACol, int ARow) const;
    TStrings *Rows(int Index);
    TStrings *Cols(int Index);

protected:
    void DrawCell(int ACol, int ARow, const TRect &ARect, TGridDrawState AState) override;
    void SizeChanged(int OldColCount, int OldRowCount) override;

private:
    struct TCell {
        QString Text;
        TObject *Object = nullptr;
        quint64 Serial = 0;
    };
    TCell *CellAt(int ACol, int ARow);
    const TCell *CellAt(int ACol, int ARow) const;
    void CheckCell(int ACol, int ARow) const;
    void InvalidateCell(int ACol, int ARow);
    std::vector<std::vector<TCell>> FCells; // [row][col]
    std::vector<std::unique_ptr<TStringGridStrings>> FRowStrings;
    std::vector<std::unique_ptr<TStringGridStrings>> FColStrings;
};
