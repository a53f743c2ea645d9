// The data-aware grid: one row per record of the data source's query, a title
// row and an indicator column (both fixed), and the current row following the
// query's RecNo both ways. The query has no change notification, so the grid
// takes its row count and current record from it whenever it paints or is
// touched. While a cell is drawn the query stands on the drawn record, so an
// OnDrawColumnCell handler reads that record's fields; the cursor is put back
// afterwards.
#pragma once
#include "ADODB.h"
#include "Grids.h"
#include <memory>
#include <vector>

class TDBGrid;

class TColumnTitle
{
public:
    QString Caption() const { return FCaption; }
    void SetCaption(const QString &Value) { FCaption = Value; }

private:
    QString FCaption;
};

class TColumn
{
public:
    explicit TColumn(TDBGrid *Grid) : FGrid(Grid) {}
    QString FieldName() const { return FFieldName; }
    void SetFieldName(const QString &Value);
    TColumnTitle *Title() { return &FTitle; }
    int Width() const { return FWidth; }
    void SetWidth(int Value);
    int Index() const;
    // The column's field in the current record, or nullptr when the query
    // is closed or has no such field.
    TField *Field() const;

private:
    TDBGrid *FGrid;
    QString FFieldName;
    TColumnTitle FTitle;
    int FWidth = 64;
};

class TDBGridColumns
{
public:
    explicit TDBGridColumns(TDBGrid *Grid) : FGrid(Grid) {}
    TColumn *Add();
    int Count() const { return int(FItems.size()); }
    TColumn *Items(int Index) const;
    void Clear();

private:
    TDBGrid *FGrid;
    std::vector<std::unique_ptr<TColumn>> FItems;
};

STATION_EVENT(TDBGridClickEvent, void(TColumn *Column))
STATION_EVENT(TDrawColumnCellEvent,
              void(TObject *Sender, const TRect &Rect, int DataCol, TColumn *Column, TGridDrawState State))

class TDBGrid : public TCustomGrid
{
    STATION_CLASS(TDBGrid, TCustomGrid)
public:
    explicit TDBGrid(TComponent *AOwner);
    ~TDBGrid() override;

    TDataSource *DataSource() const { return FDataSource; }
    void SetDataSource(TDataSource *Value);
    TDBGridColumns *Columns() { return &FColumns; }

    // Draws the column's field text of the record being drawn with the
    // canvas's present brush and font: the cell filled, the text at 2,2.
    void DefaultDrawColumnCell(const TRect &Rect, int DataCol, TColumn *Column, TGridDrawState State);

    // Takes the row count and current record from the query now.
    void SyncWithDataSet();

    TDBGridClickEvent OnCellClick() const { return FOnCellClick; }
    void SetOnCellClick(TDBGridClickEvent Value) { FOnCellClick = Value; }
    TDrawColumnCellEvent OnDrawColumnCell() const { return FOnDrawColumnCell; }
    void SetOnDrawColumnCell(TDrawColumnCellEvent Value) { FOnDrawColumnCell = Value; }

    void Perform(unsigned Msg, int WParam, int LParam = 0) override;

protected:
    bool SelectCell(int ACol, int ARow) override;
    void DrawCell(int ACol, int ARow, const TRect &ARect, TGridDrawState AState) override;
    // The blank row an empty or closed data set shows is no record.
    bool CellHoldsData(int ACol, int ARow) const override;
    void KeyDown(Word &Key, TShiftState Shift) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Paint() override;
    void Notification(TComponent *AComponent, TOperation Operation) override;

private:
    friend class TColumn;
    friend class TDBGridColumns;
    TADOQuery *DataSet() const;
    bool DataSetActive() const;
    void LayoutColumns();

    TDataSource *FDataSource = nullptr;
    TDBGridColumns FColumns;
    int FSyncing = 0;
    int FDrawRecNo = 0;  // record being painted; 0 outside Paint
    bool FCellPressed = false;
    TDBGridClickEvent FOnCellClick;
    TDrawColumnCellEvent FOnDrawColumnCell;
};
