// Implementation of the data-aware grid.
#include "DBGrids.h"

namespace {

constexpr int IndicatorWidth = 11;

} // namespace

// --- TColumn ---------------------------------------------------------------------

void TColumn::SetFieldName(const QString &Value)
{
    FFieldName = Value;
    FGrid->Invalidate();
}

void TColumn::SetWidth(int Value)
{
    FWidth = Value;
    FGrid->LayoutColumns();
}

int TColumn::Index() const
{
    for (int i = 0; i < FGrid->FColumns.Count(); ++i)
        if (FGrid->FColumns.Items(i) == this)
            return i;
    return -1;
}

TField *TColumn::Field() const
{
    return FGrid->DataSetActive() ? FGrid->DataSet()->FindField(FFieldName) : nullptr;
}

// --- TDBGridColumns --------------------------------------------------------------

TColumn *TDBGridColumns::Add()
{
    FItems.push_back(std::make_unique<TColumn>(FGrid));
    FGrid->LayoutColumns();
    return FItems.back().get();
}

TColumn *TDBGridColumns::Items(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    return FItems[size_t(Index)].get();
}

void TDBGridColumns::Clear()
{
    FItems.clear();
    FGrid->LayoutColumns();
}

// --- TDBGrid ---------------------------------------------------------------------

STATION_PUBLISHED(TDBGrid) {}

TDBGrid::TDBGrid(TComponent *AOwner) : TCustomGrid(AOwner), FColumns(this)
{
    ++FSyncing;
    SetColCount(2);
    SetRowCount(2);
    SetColWidths(0, IndicatorWidth);
    SetOptions(TGridOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRowSelect});
    --FSyncing;
}

TDBGrid::~TDBGrid()
{
    if (FDataSource)
        FDataSource->RemoveFreeNotification(this);
}

void TDBGrid::SetDataSource(TDataSource *Value)
{
    if (Value == FDataSource)
        return;
    if (FDataSource)
        FDataSource->RemoveFreeNotification(this);
    FDataSource = Value;
    if (FDataSource)
        FDataSource->FreeNotification(this);
    SyncWithDataSet();
    Invalidate();
}

void TDBGrid::Notification(TComponent *AComponent, TOperation Operation)
{
    TCustomGrid::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FDataSource)
        FDataSource = nullptr;
}

TADOQuery *TDBGrid::DataSet() const
{
    return FDataSource ? FDataSource->DataSet() : nullptr;
}

bool TDBGrid::DataSetActive() const
{
    TADOQuery *d = DataSet();
    return d && d->Active();
}

void TDBGrid::LayoutColumns()
{
    ++FSyncing;
    const int cols = std::max(1, FColumns.Count()) + 1;
    if (ColCount() != cols)
        SetColCount(cols);
    SetColWidths(0, IndicatorWidth);
    for (int i = 0; i < FColumns.Count(); ++i)
        SetColWidths(i + 1, FColumns.Items(i)->Width());
    --FSyncing;
    Invalidate();
}

void TDBGrid::SyncWithDataSet()
{
    if (FDrawRecNo)
        return;
    ++FSyncing;
    try {
        const int records = DataSetActive() ? DataSet()->RecordCount() : 0;
        // An empty or closed query still shows one blank row.
        const int rows = std::max(1, records) + 1;
        if (RowCount() != rows)
            SetRowCount(rows);
        const int current = records > 0 ? std::max(1, DataSet()->RecNo()) : 1;
        if (Row() != current || Col() < 1)
            MoveCurrent(std::max(1, Col()), current, true, true);
    } catch (...) {
        --FSyncing;
        throw;
    }
    --FSyncing;
}

bool TDBGrid::SelectCell(int, int ARow)
{
    // A touch on a row makes its record current; syncing only follows it.
    if (!FSyncing && DataSetActive() && ARow >= 1 && ARow <= DataSet()->RecordCount())
        DataSet()->SetRecNo(ARow);
    return true;
}

void TDBGrid::KeyDown(Word &Key, TShiftState Shift)
{
    SyncWithDataSet();
    TCustomGrid::KeyDown(Key, Shift);
}

void TDBGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    SyncWithDataSet();
    const TGridCoord cell = MouseCoord(X, Y);
    FCellPressed = Button == mbLeft && cell.X >= 1 && cell.Y >= 1;
    TCustomGrid::MouseDown(Button, Shift, X, Y);
}

void TDBGrid::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    const bool pressed = FCellPressed;
    FCellPressed = false;
    TCustomGrid::MouseUp(Button, Shift, X, Y);
    if (!pressed || Button != mbLeft || !IsLiveControl(this))
        return;
    if (FOnCellClick) {
        const int c = Col() - 1;
        FOnCellClick(c >= 0 && c < FColumns.Count() ? FColumns.Items(c) : nullptr);
    }
}

void TDBGrid::Perform(unsigned Msg, int WParam, int LParam)
{
    // Scrolling a data grid by lines moves the current record.
    if (Msg == WM_VSCROLL && (WParam == SB_LINEUP || WParam == SB_LINEDOWN) && DataSetActive()) {
        TADOQuery *d = DataSet();
        if (WParam == SB_LINEDOWN)
            d->Next();
        else
            d->Prior();
        SyncWithDataSet();
        Invalidate();
        return;
    }
    TCustomGrid::Perform(Msg, WParam, LParam);
}

void TDBGrid::Paint()
{
    SyncWithDataSet();
    TADOQuery *d = DataSet();
    const bool active = DataSetActive();
    const int saved = active ? d->RecNo() : 0;
    const bool eof = active && d->Eof(), bof = active && d->Bof();
    try {
        TCustomGrid::Paint();
    } catch (...) {
        FDrawRecNo = 0;
        if (active && saved > 0)
            d->SetRecNo(saved);
        throw;
    }
    FDrawRecNo = 0;
    if (active && saved > 0) {
        d->SetRecNo(saved);
        // Put an end-of-data state back as it was.
        if (eof)
            d->Next();
        else if (bof && saved == 1)
            d->Prior();
    }
}

void TDBGrid::DrawCell(int ACol, int ARow, const TRect &ARect, TGridDrawState AState)
{
    TCanvas *c = Canvas();
    const int dataCol = ACol - 1;
    TColumn *column = dataCol >= 0 && dataCol < FColumns.Count() ? FColumns.Items(dataCol) : nullptr;
    if (ARow == 0) {
        if (column)
            c->TextRect(ARect, ARect.Left + 2, ARect.Top + 2, column->Title()->Caption());
        return;
    }
    TADOQuery *d = DataSet();
    const bool hasRecord = DataSetActive() && ARow <= d->RecordCount();
    if (ACol == 0) {
        // The indicator: a small arrow at the current record.
        if (hasRecord && ARow == Row()) {
            c->Brush()->SetColor(clBlack);
            c->Pen()->SetColor(clBlack);
            const int mx = ARect.Left + 3, my = (ARect.Top + ARect.Bottom) / 2;
            c->Polygon({Point(mx, my - 4), Point(mx + 4, my), Point(mx, my + 4)});
        }
        return;
    }
    if (!hasRecord || !column)
        return;
    FDrawRecNo = ARow;
    d->SetRecNo(ARow);
    if (DefaultDrawing())
        DefaultDrawColumnCell(ARect, dataCol, column, AState);
    if (FOnDrawColumnCell)
        FOnDrawColumnCell(this, ARect, dataCol, column, AState);
}

bool TDBGrid::CellHoldsData(int, int ARow) const
{
    return DataSetActive() && ARow >= 1 && ARow <= DataSet()->RecordCount();
}

void TDBGrid::DefaultDrawColumnCell(const TRect &Rect, int, TColumn *Column, TGridDrawState)
{
    TField *f = Column ? Column->Field() : nullptr;
    Canvas()->TextRect(Rect, Rect.Left + 2, Rect.Top + 2, f ? f->AsString() : QString());
}
