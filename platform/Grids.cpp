// Implementation of grids with the class library's geometry.
#include "Grids.h"
#include "Forms.h"
#include <QAbstractScrollArea>
#include <QApplication>
#include <QPainter>
#include <QScrollBar>

namespace {

[[noreturn]] void GridError(const QString &Msg)
{
    throw EInvalidGridOperation(Msg);
}

} // namespace

// --- TCustomGrid -----------------------------------------------------------------

STATION_PUBLISHED(TCustomGrid)
{
    P.Republish("TabStop").Default(true);
    P.Prop("BorderStyle", &TCustomGrid::BorderStyle, &TCustomGrid::SetBorderStyle).Default(bsSingle);
    P.Prop("ColCount", &TCustomGrid::ColCount, &TCustomGrid::SetColCount).Default(5);
    P.Prop("DefaultColWidth", &TCustomGrid::DefaultColWidth, &TCustomGrid::SetDefaultColWidth).Default(64);
    P.Prop("DefaultDrawing", &TCustomGrid::DefaultDrawing, &TCustomGrid::SetDefaultDrawing).Default(true);
    P.Prop("DefaultRowHeight", &TCustomGrid::DefaultRowHeight, &TCustomGrid::SetDefaultRowHeight).Default(24);
    P.Prop("FixedColor", &TCustomGrid::FixedColor, &TCustomGrid::SetFixedColor)
        .Type(TypeInfoTColor())
        .Default(int(clBtnFace));
    P.Prop("FixedCols", &TCustomGrid::FixedCols, &TCustomGrid::SetFixedCols).Default(1);
    P.Prop("FixedRows", &TCustomGrid::FixedRows, &TCustomGrid::SetFixedRows).Default(1);
    P.Prop("GridLineWidth", &TCustomGrid::GridLineWidth, &TCustomGrid::SetGridLineWidth).Default(1);
    P.Prop("Options", &TCustomGrid::Options, &TCustomGrid::SetOptions)
        .Default(TGridOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect});
    P.Prop("RowCount", &TCustomGrid::RowCount, &TCustomGrid::SetRowCount).Default(5);
    P.Prop("ScrollBars", &TCustomGrid::ScrollBars, &TCustomGrid::SetScrollBars).Default(ssBoth);
    P.Prop("OnTopLeftChanged", &TCustomGrid::OnTopLeftChanged, &TCustomGrid::SetOnTopLeftChanged);
}

TCustomGrid::TCustomGrid(TComponent *AOwner) : TWinControl(AOwner)
{
    auto *w = new TScrollHost<QAbstractScrollArea>();
    FArea = w;
    FCanvas = new TControlCanvas;
    FCanvas->SetControl(this);
    InitWidget(w, w);
    w->viewport()->setAutoFillBackground(true);
    w->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    w->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    w->verticalScrollBar()->setSingleStep(1);
    w->horizontalScrollBar()->setSingleStep(1);
    FColWidths.assign(5, FDefaultColWidth);
    FRowHeights.assign(5, FDefaultRowHeight);
    SetClickEvents(false);
    SetPaintsItself(true);
    SetTabStop(true);
    FColor = clWindow;
    ApplyColor();
    SetBounds(0, 0, 320, 120);
    QObject::connect(w->verticalScrollBar(), &QScrollBar::valueChanged, w, [this](int V) {
        if (!FSettingScroll)
            Guard([this, V] { MoveTopLeft(FTopLeft.X, V); });
    });
    QObject::connect(w->horizontalScrollBar(), &QScrollBar::valueChanged, w, [this](int V) {
        if (!FSettingScroll)
            Guard([this, V] { MoveTopLeft(V, FTopLeft.Y); });
    });
    UpdateScrollBars();
}

TCustomGrid::~TCustomGrid()
{
    delete FCanvas;
}

int TCustomGrid::ClientW() const
{
    QWidget *v = FArea->viewport();
    return v->isVisible() ? v->width() : ClientWidth();
}

int TCustomGrid::ClientH() const
{
    QWidget *v = FArea->viewport();
    return v->isVisible() ? v->height() : ClientHeight();
}

int TCustomGrid::LineWidthCol(int ACol) const
{
    const bool lines = ACol < FFixedCols ? FOptions.Contains(goFixedVertLine) : FOptions.Contains(goVertLine);
    return lines ? FGridLineWidth : 0;
}

int TCustomGrid::LineWidthRow(int ARow) const
{
    const bool lines = ARow < FFixedRows ? FOptions.Contains(goFixedHorzLine) : FOptions.Contains(goHorzLine);
    return lines ? FGridLineWidth : 0;
}

int TCustomGrid::ColStart(int ACol) const
{
    if (ACol < 0 || ACol >= ColCount())
        return -1;
    auto extent = [this](int i) { return FColWidths[size_t(i)] > 0 ? FColWidths[size_t(i)] + LineWidthCol(i) : 0; };
    int x = 0;
    if (ACol < FFixedCols) {
        for (int i = 0; i < ACol; ++i)
            x += extent(i);
    } else {
        if (ACol < FTopLeft.X)
            return -1;
        for (int i = 0; i < FFixedCols; ++i)
            x += extent(i);
        // Stops at the edge: a grid of many columns must not sum them all for every cell.
        const int edge = ClientW();
        for (int i = FTopLeft.X; i < ACol && x < edge; ++i)
            x += extent(i);
    }
    return x < ClientW() ? x : -1;
}

int TCustomGrid::RowStart(int ARow) const
{
    if (ARow < 0 || ARow >= RowCount())
        return -1;
    auto extent = [this](int i) { return FRowHeights[size_t(i)] > 0 ? FRowHeights[size_t(i)] + LineWidthRow(i) : 0; };
    int y = 0;
    if (ARow < FFixedRows) {
        for (int i = 0; i < ARow; ++i)
            y += extent(i);
    } else {
        if (ARow < FTopLeft.Y)
            return -1;
        for (int i = 0; i < FFixedRows; ++i)
            y += extent(i);
        // Stops at the edge: painting a list of many rows stays linear.
        const int edge = ClientH();
        for (int i = FTopLeft.Y; i < ARow && y < edge; ++i)
            y += extent(i);
    }
    return y < ClientH() ? y : -1;
}

TRect TCustomGrid::CellRect(int ACol, int ARow) const
{
    const int x = ColStart(ACol), y = RowStart(ARow);
    if (x < 0 || y < 0)
        return TRect{};
    const int w = FColWidths[size_t(ACol)], h = FRowHeights[size_t(ARow)];
    if (w <= 0 || h <= 0)
        return TRect{};
    return Rect(x, y, x + w, y + h);
}

void TCustomGrid::MouseToCell(int X, int Y, int &ACol, int &ARow) const
{
    const TGridCoord c = MouseCoord(X, Y);
    ACol = c.X;
    ARow = c.Y;
}

TGridCoord TCustomGrid::MouseCoord(int X, int Y) const
{
    TGridCoord result{-1, -1};
    for (int c = 0; c < ColCount(); ++c) {
        const int x = ColStart(c);
        const int w = FColWidths[size_t(c)];
        if (x >= 0 && w > 0 && X >= x && X < x + w + LineWidthCol(c)) {
            result.X = c;
            break;
        }
    }
    for (int r = 0; r < RowCount(); ++r) {
        const int y = RowStart(r);
        const int h = FRowHeights[size_t(r)];
        if (y >= 0 && h > 0 && Y >= y && Y < y + h + LineWidthRow(r)) {
            result.Y = r;
            break;
        }
    }
    if (result.X < 0 || result.Y < 0)
        return TGridCoord{-1, -1};
    return result;
}

int TCustomGrid::ColWidths(int Index) const
{
    if (Index < 0 || Index >= ColCount())
        GridError(QStringLiteral("Grid index out of range"));
    return FColWidths[size_t(Index)];
}

void TCustomGrid::SetColWidths(int Index, int Value)
{
    if (Index < 0 || Index >= ColCount())
        GridError(QStringLiteral("Grid index out of range"));
    FColWidths[size_t(Index)] = Value < 0 ? 0 : Value;
    UpdateScrollBars();
    InvalidateGrid();
}

int TCustomGrid::RowHeights(int Index) const
{
    if (Index < 0 || Index >= RowCount())
        GridError(QStringLiteral("Grid index out of range"));
    return FRowHeights[size_t(Index)];
}

void TCustomGrid::SetRowHeights(int Index, int Value)
{
    if (Index < 0 || Index >= RowCount())
        GridError(QStringLiteral("Grid index out of range"));
    FRowHeights[size_t(Index)] = Value < 0 ? 0 : Value;
    UpdateScrollBars();
    InvalidateGrid();
}

void TCustomGrid::SetDefaultColWidth(int Value)
{
    FDefaultColWidth = Value;
    std::fill(FColWidths.begin(), FColWidths.end(), Value);
    UpdateScrollBars();
    InvalidateGrid();
}

void TCustomGrid::SetDefaultRowHeight(int Value)
{
    FDefaultRowHeight = Value;
    std::fill(FRowHeights.begin(), FRowHeights.end(), Value);
    UpdateScrollBars();
    InvalidateGrid();
}

void TCustomGrid::SetColCount(int Value)
{
    if (Value < 1)
        Value = 1;
    if (Value == ColCount())
        return;
    const int oldCols = ColCount(), oldRows = RowCount();
    if (Value <= FFixedCols)
        FFixedCols = Value - 1;
    FColWidths.resize(size_t(Value), FDefaultColWidth);
    SizeChanged(oldCols, oldRows);
    FCurrent.X = std::clamp(FCurrent.X, FFixedCols, Value - 1);
    FAnchor.X = std::clamp(FAnchor.X, FFixedCols, Value - 1);
    ClampTopLeft();
    UpdateScrollBars();
    InvalidateGrid();
}

void TCustomGrid::SetRowCount(int Value)
{
    if (Value < 1)
        Value = 1;
    if (Value == RowCount())
        return;
    const int oldCols = ColCount(), oldRows = RowCount();
    if (Value <= FFixedRows)
        FFixedRows = Value - 1;
    FRowHeights.resize(size_t(Value), FDefaultRowHeight);
    SizeChanged(oldCols, oldRows);
    FCurrent.Y = std::clamp(FCurrent.Y, FFixedRows, Value - 1);
    FAnchor.Y = std::clamp(FAnchor.Y, FFixedRows, Value - 1);
    ClampTopLeft();
    UpdateScrollBars();
    InvalidateGrid();
}

void TCustomGrid::SetFixedCols(int Value)
{
    if (Value < 0)
        GridError(QStringLiteral("Grid index out of range"));
    if (Value >= ColCount())
        GridError(QStringLiteral("Fixed column count must be less than column count"));
    FFixedCols = Value;
    FCurrent.X = std::max(FCurrent.X, Value);
    FAnchor.X = std::max(FAnchor.X, Value);
    FTopLeft.X = std::max(FTopLeft.X, Value);
    ClampTopLeft();
    UpdateScrollBars();
    InvalidateGrid();
}

void TCustomGrid::SetFixedRows(int Value)
{
    if (Value < 0)
        GridError(QStringLiteral("Grid index out of range"));
    if (Value >= RowCount())
        GridError(QStringLiteral("Fixed row count must be less than row count"));
    FFixedRows = Value;
    FCurrent.Y = std::max(FCurrent.Y, Value);
    FAnchor.Y = std::max(FAnchor.Y, Value);
    FTopLeft.Y = std::max(FTopLeft.Y, Value);
    ClampTopLeft();
    UpdateScrollBars();
    InvalidateGrid();
}

void TCustomGrid::SetGridLineWidth(int Value)
{
    FGridLineWidth = Value < 0 ? 0 : Value;
    UpdateScrollBars();
    InvalidateGrid();
}

void TCustomGrid::SetOptions(TGridOptions Value)
{
    FOptions = Value;
    UpdateScrollBars();
    InvalidateGrid();
}

void TCustomGrid::SetFixedColor(TColor Value)
{
    FFixedColor = Value;
    InvalidateGrid();
}

void TCustomGrid::SetScrollBars(TScrollStyle Value)
{
    FScrollBars = Value;
    const bool v = Value == ssVertical || Value == ssBoth;
    const bool h = Value == ssHorizontal || Value == ssBoth;
    FArea->setVerticalScrollBarPolicy(v ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    FArea->setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    UpdateScrollBars();
}

void TCustomGrid::SetBorderStyle(TBorderStyle Value)
{
    FBorderStyle = Value;
    FArea->setFrameShape(Value == bsNone ? QFrame::NoFrame : QFrame::StyledPanel);
    UpdateScrollBars();
}

TGridRect TCustomGrid::Selection() const
{
    TGridRect r;
    r.Left = std::min(FAnchor.X, FCurrent.X);
    r.Right = std::max(FAnchor.X, FCurrent.X);
    r.Top = std::min(FAnchor.Y, FCurrent.Y);
    r.Bottom = std::max(FAnchor.Y, FCurrent.Y);
    if (FOptions.Contains(goRowSelect)) {
        r.Left = FFixedCols;
        r.Right = ColCount() - 1;
    }
    return r;
}

void TCustomGrid::SetSelection(const TGridRect &Value)
{
    FAnchor = TGridCoord{Value.Left, Value.Top};
    FCurrent = TGridCoord{Value.Right, Value.Bottom};
    InvalidateGrid();
}

void TCustomGrid::SetCol(int Value)
{
    if (Value != FCurrent.X)
        FocusCell(Value, FCurrent.Y, true);
}

void TCustomGrid::SetRow(int Value)
{
    if (Value != FCurrent.Y)
        FocusCell(FCurrent.X, Value, true);
}

void TCustomGrid::SetTopRow(int Value)
{
    MoveTopLeft(FTopLeft.X, Value);
}

void TCustomGrid::SetLeftCol(int Value)
{
    MoveTopLeft(Value, FTopLeft.Y);
}

int TCustomGrid::VisibleColCount() const
{
    int n = 0;
    int x = 0;
    for (int i = 0; i < FFixedCols; ++i)
        x += FColWidths[size_t(i)] > 0 ? FColWidths[size_t(i)] + LineWidthCol(i) : 0;
    for (int i = FTopLeft.X; i < ColCount(); ++i) {
        const int w = FColWidths[size_t(i)] > 0 ? FColWidths[size_t(i)] + LineWidthCol(i) : 0;
        if (x + FColWidths[size_t(i)] > ClientW())
            break;
        x += w;
        ++n;
    }
    return n;
}

int TCustomGrid::VisibleRowCount() const
{
    int n = 0;
    int y = 0;
    for (int i = 0; i < FFixedRows; ++i)
        y += FRowHeights[size_t(i)] > 0 ? FRowHeights[size_t(i)] + LineWidthRow(i) : 0;
    for (int i = FTopLeft.Y; i < RowCount(); ++i) {
        const int h = FRowHeights[size_t(i)] > 0 ? FRowHeights[size_t(i)] + LineWidthRow(i) : 0;
        if (y + FRowHeights[size_t(i)] > ClientH())
            break;
        y += h;
        ++n;
    }
    return n;
}

int TCustomGrid::MaxTopRow() const
{
    int fixed = 0;
    for (int i = 0; i < FFixedRows; ++i)
        fixed += FRowHeights[size_t(i)] > 0 ? FRowHeights[size_t(i)] + LineWidthRow(i) : 0;
    const int avail = ClientH() - fixed;
    int used = 0;
    int top = RowCount() - 1;
    for (int r = RowCount() - 1; r >= FFixedRows; --r) {
        const int h = FRowHeights[size_t(r)] > 0 ? FRowHeights[size_t(r)] + LineWidthRow(r) : 0;
        if (used + h > avail && r < RowCount() - 1)
            break;
        used += h;
        top = r;
    }
    return std::max(top, FFixedRows);
}

int TCustomGrid::MaxLeftCol() const
{
    int fixed = 0;
    for (int i = 0; i < FFixedCols; ++i)
        fixed += FColWidths[size_t(i)] > 0 ? FColWidths[size_t(i)] + LineWidthCol(i) : 0;
    const int avail = ClientW() - fixed;
    int used = 0;
    int left = ColCount() - 1;
    for (int c = ColCount() - 1; c >= FFixedCols; --c) {
        const int w = FColWidths[size_t(c)] > 0 ? FColWidths[size_t(c)] + LineWidthCol(c) : 0;
        if (used + w > avail && c < ColCount() - 1)
            break;
        used += w;
        left = c;
    }
    return std::max(left, FFixedCols);
}

void TCustomGrid::ClampTopLeft()
{
    FTopLeft.X = std::clamp(FTopLeft.X, FFixedCols, std::max(FFixedCols, MaxLeftCol()));
    FTopLeft.Y = std::clamp(FTopLeft.Y, FFixedRows, std::max(FFixedRows, MaxTopRow()));
}

void TCustomGrid::MoveTopLeft(int ALeft, int ATop)
{
    const TGridCoord old = FTopLeft;
    FTopLeft = TGridCoord{ALeft, ATop};
    ClampTopLeft();
    if (FTopLeft == old)
        return;
    UpdateScrollBars();
    InvalidateGrid();
    TopLeftChanged();
}

void TCustomGrid::TopLeftChanged()
{
    if (FOnTopLeftChanged)
        FOnTopLeftChanged(this);
}

void TCustomGrid::UpdateScrollBars()
{
    ++FSettingScroll;
    QScrollBar *v = FArea->verticalScrollBar();
    v->setRange(FFixedRows, std::max(FFixedRows, MaxTopRow()));
    v->setPageStep(std::max(1, VisibleRowCount()));
    v->setValue(FTopLeft.Y);
    QScrollBar *h = FArea->horizontalScrollBar();
    h->setRange(FFixedCols, std::max(FFixedCols, MaxLeftCol()));
    h->setPageStep(std::max(1, VisibleColCount()));
    h->setValue(FTopLeft.X);
    --FSettingScroll;
}

void TCustomGrid::InvalidateGrid()
{
    FArea->viewport()->update();
}

void TCustomGrid::Resize()
{
    ClampTopLeft();
    UpdateScrollBars();
    TWinControl::Resize();
}

bool TCustomGrid::SelectCell(int, int)
{
    return true;
}

void TCustomGrid::DrawCell(int, int, const TRect &, TGridDrawState) {}

void TCustomGrid::SizeChanged(int, int) {}

void TCustomGrid::MoveCurrent(int ACol, int ARow, bool MoveAnchor, bool Show)
{
    if (ACol < 0 || ARow < 0 || ACol >= ColCount() || ARow >= RowCount())
        GridError(QStringLiteral("Grid index out of range"));
    // Asked on every touch, also of the current cell.
    if (!SelectCell(ACol, ARow))
        return;
    FCurrent = TGridCoord{ACol, ARow};
    if (MoveAnchor || !FOptions.Contains(goRangeSelect))
        FAnchor = FCurrent;
    if (Show) {
        // Scroll the cell into view.
        int left = FTopLeft.X, top = FTopLeft.Y;
        if (ACol >= FFixedCols && ACol < left)
            left = ACol;
        if (ARow >= FFixedRows && ARow < top)
            top = ARow;
        while (ARow >= FFixedRows && top < ARow) {
            const TGridCoord save = FTopLeft;
            FTopLeft.Y = top;
            const bool visible = RowStart(ARow) >= 0 && RowStart(ARow) + FRowHeights[size_t(ARow)] <= ClientH();
            FTopLeft = save;
            if (visible)
                break;
            ++top;
        }
        while (ACol >= FFixedCols && left < ACol) {
            const TGridCoord save = FTopLeft;
            FTopLeft.X = left;
            const bool visible = ColStart(ACol) >= 0 && ColStart(ACol) + FColWidths[size_t(ACol)] <= ClientW();
            FTopLeft = save;
            if (visible)
                break;
            ++left;
        }
        MoveTopLeft(left, top);
    }
    InvalidateGrid();
}

void TCustomGrid::FocusCell(int ACol, int ARow, bool MoveAnchor)
{
    MoveCurrent(ACol, ARow, MoveAnchor, true);
    Click();
}

void TCustomGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft && !Shift.Contains(ssDouble)) {
        if (CanFocus() && !Focused())
            if (QWidget *w = Widget())
                w->setFocus(Qt::MouseFocusReason);
        const TGridCoord cell = MouseCoord(X, Y);
        if (cell.X >= FFixedCols && cell.Y >= FFixedRows)
            FocusCell(cell.X, cell.Y, !Shift.Contains(ssShift));
    } else if (Button == mbRight && PopupMenu()) {
        // The pop-up menu acts on the current cell: the one under the pointer
        // becomes current before the menu opens.
        if (CanFocus() && !Focused())
            if (QWidget *w = Widget())
                w->setFocus(Qt::MouseFocusReason);
        const TGridCoord cell = MouseCoord(X, Y);
        if (IsLiveControl(this) && cell.X >= FFixedCols && cell.Y >= FFixedRows)
            MoveCurrent(cell.X, cell.Y, true, true);
    }
    if (IsLiveControl(this))
        TWinControl::MouseDown(Button, Shift, X, Y);
}

void TCustomGrid::KeyDown(Word &Key, TShiftState Shift)
{
    TWinControl::KeyDown(Key, Shift);
    if (!Key)
        return;
    TGridCoord next = FCurrent;
    const int page = std::max(1, VisibleRowCount());
    switch (Key) {
    case VK_UP:
        --next.Y;
        break;
    case VK_DOWN:
        ++next.Y;
        break;
    case VK_LEFT:
        --next.X;
        break;
    case VK_RIGHT:
        ++next.X;
        break;
    case VK_PRIOR:
        next.Y -= page;
        break;
    case VK_NEXT:
        next.Y += page;
        break;
    case VK_HOME:
        if (Shift.Contains(ssCtrl))
            next.Y = FFixedRows;
        next.X = FFixedCols;
        break;
    case VK_END:
        if (Shift.Contains(ssCtrl))
            next.Y = RowCount() - 1;
        next.X = ColCount() - 1;
        break;
    case VK_TAB:
        if (!FOptions.Contains(goTabs))
            return;
        next.X += Shift.Contains(ssShift) ? -1 : 1;
        break;
    default:
        return;
    }
    // Hidden rows and columns are stepped over.
    const int dx = next.X < FCurrent.X ? -1 : 1, dy = next.Y < FCurrent.Y ? -1 : 1;
    next.X = std::clamp(next.X, FFixedCols, ColCount() - 1);
    next.Y = std::clamp(next.Y, FFixedRows, RowCount() - 1);
    while (next.X > FFixedCols && next.X < ColCount() - 1 && FColWidths[size_t(next.X)] <= 0)
        next.X += dx;
    while (next.Y > FFixedRows && next.Y < RowCount() - 1 && FRowHeights[size_t(next.Y)] <= 0)
        next.Y += dy;
    if (next != FCurrent)
        FocusCell(next.X, next.Y, !Shift.Contains(ssShift));
    Key = 0;
}

int TCustomGrid::WantKeys() const
{
    int keys = DLGC_WANTARROWS | DLGC_WANTCHARS;
    if (FOptions.Contains(goTabs))
        keys |= DLGC_WANTTAB;
    return keys;
}

bool TCustomGrid::HostEvent(QEvent *Event)
{
    return TWinControl::HostEvent(Event);
}

void TCustomGrid::Perform(unsigned Msg, int WParam, int LParam)
{
    if (Msg != WM_VSCROLL && Msg != WM_HSCROLL) {
        TWinControl::Perform(Msg, WParam, LParam);
        return;
    }
    const bool vertical = Msg == WM_VSCROLL;
    int pos = vertical ? FTopLeft.Y : FTopLeft.X;
    const int page = std::max(1, vertical ? VisibleRowCount() : VisibleColCount());
    switch (WParam) {
    case SB_LINEUP:
        --pos;
        break;
    case SB_LINEDOWN:
        ++pos;
        break;
    case SB_PAGEUP:
        pos -= page;
        break;
    case SB_PAGEDOWN:
        pos += page;
        break;
    case SB_TOP:
        pos = 0;
        break;
    case SB_BOTTOM:
        pos = vertical ? RowCount() : ColCount();
        break;
    default:
        return;
    }
    if (vertical)
        MoveTopLeft(FTopLeft.X, pos);
    else
        MoveTopLeft(pos, FTopLeft.Y);
}

bool TCustomGrid::HostPaint(QPaintEvent *)
{
    QPainter p(FArea->viewport());
    PaintWith(p, FCanvas);
    return true;
}

void TCustomGrid::Paint()
{
    TCanvas *c = FCanvas;
    const TGridRect sel = Selection();
    const bool focused = Focused();
    std::vector<int> cols, rows;
    for (int i = 0; i < ColCount(); ++i)
        if (ColStart(i) >= 0 && FColWidths[size_t(i)] > 0)
            cols.push_back(i);
    // Fixed rows, then the scrolled rows down to the first one below the edge.
    for (int i = 0; i < RowCount(); ++i) {
        if (i >= FFixedRows && i < FTopLeft.Y)
            i = FTopLeft.Y;
        if (i >= RowCount())
            break;
        if (RowStart(i) < 0) {
            if (i >= FTopLeft.Y)
                break;
            continue;
        }
        if (FRowHeights[size_t(i)] > 0)
            rows.push_back(i);
    }
    for (int r : rows) {
        for (int col : cols) {
            const TRect where = CellRect(col, r);
            if (r >= FFixedRows && !CellHoldsData(col, r)) {
                // Nothing there: no cell, no selection, no lines.
                c->Brush()->SetStyle(bsSolid);
                c->Brush()->SetColor(Color());
                c->FillRect(Rect(where.Left, where.Top, where.Right + LineWidthCol(col), where.Bottom + LineWidthRow(r)));
                continue;
            }
            TGridDrawState state;
            const bool fixed = col < FFixedCols || r < FFixedRows;
            if (fixed)
                state.Include(gdFixed);
            else {
                if (col >= sel.Left && col <= sel.Right && r >= sel.Top && r <= sel.Bottom)
                    state.Include(gdSelected);
                if (focused && col == FCurrent.X && r == FCurrent.Y)
                    state.Include(gdFocused);
            }
            if (FDefaultDrawing) {
                c->Font()->Assign(Font());
                c->Brush()->SetStyle(bsSolid);
                if (state.Contains(gdSelected)
                    && (!state.Contains(gdFocused) || FOptions.Contains(goDrawFocusSelected)
                        || FOptions.Contains(goRowSelect))) {
                    c->Brush()->SetColor(clHighlight);
                    c->Font()->SetColor(clHighlightText);
                } else {
                    c->Brush()->SetColor(fixed ? FFixedColor : Color());
                }
                c->FillRect(where);
            }
            DrawCell(col, r, where, state);
            if (FDefaultDrawing && fixed) {
                // The raised edge of a fixed cell.
                c->Pen()->SetWidth(1);
                c->Pen()->SetStyle(psSolid);
                c->Pen()->SetColor(clBtnHighlight);
                c->Polyline({Point(where.Left, where.Bottom - 1), Point(where.Left, where.Top),
                             Point(where.Right, where.Top)});
                c->Pen()->SetColor(clBtnShadow);
                c->Polyline({Point(where.Right - 1, where.Top), Point(where.Right - 1, where.Bottom - 1),
                             Point(where.Left - 1, where.Bottom - 1)});
            }
            if (FDefaultDrawing && state.Contains(gdFocused) && !FOptions.Contains(goRowSelect))
                c->DrawFocusRect(where);
            // Grid lines to the right of and below the cell.
            const int lw = LineWidthCol(col), lh = LineWidthRow(r);
            c->Brush()->SetStyle(bsSolid);
            c->Brush()->SetColor(fixed ? clBlack : clSilver);
            if (lw > 0)
                c->FillRect(Rect(where.Right, where.Top, where.Right + lw, where.Bottom + lh));
            if (lh > 0)
                c->FillRect(Rect(where.Left, where.Bottom, where.Right + lw, where.Bottom + lh));
        }
    }
}

// --- TDrawGrid -------------------------------------------------------------------

STATION_PUBLISHED(TDrawGrid)
{
    P.Prop("OnDrawCell", &TDrawGrid::OnDrawCell, &TDrawGrid::SetOnDrawCell);
    P.Prop("OnSelectCell", &TDrawGrid::OnSelectCell, &TDrawGrid::SetOnSelectCell);
}

bool TDrawGrid::SelectCell(int ACol, int ARow)
{
    bool can = true;
    if (FOnSelectCell)
        FOnSelectCell(this, ACol, ARow, can);
    return can;
}

void TDrawGrid::DrawCell(int ACol, int ARow, const TRect &ARect, TGridDrawState AState)
{
    if (FOnDrawCell)
        FOnDrawCell(this, ACol, ARow, ARect, AState);
}

// --- TStringGridStrings ------------------------------------------------------------

QString TStringGridStrings::Get(int Index) const
{
    return FIsRow ? FGrid->Cells(Index, FIndex) : FGrid->Cells(FIndex, Index);
}

int TStringGridStrings::GetCount() const
{
    return FIsRow ? FGrid->ColCount() : FGrid->RowCount();
}

TObject *TStringGridStrings::GetObject(int Index) const
{
    return FIsRow ? FGrid->Objects(Index, FIndex) : FGrid->Objects(FIndex, Index);
}

TObjectRef TStringGridStrings::ObjectRef(int Index) const
{
    return FIsRow ? FGrid->ObjectRef(Index, FIndex) : FGrid->ObjectRef(FIndex, Index);
}

void TStringGridStrings::Put(int Index, const QString &S)
{
    if (FIsRow)
        FGrid->SetCells(Index, FIndex, S);
    else
        FGrid->SetCells(FIndex, Index, S);
}

void TStringGridStrings::PutObject(int Index, TObject *AObject)
{
    if (FIsRow)
        FGrid->SetObjects(Index, FIndex, AObject);
    else
        FGrid->SetObjects(FIndex, Index, AObject);
}

int TStringGridStrings::Add(const QString &S)
{
    // The first empty cell takes the text.
    for (int i = 0; i < GetCount(); ++i)
        if (Get(i).isEmpty()) {
            Put(i, S);
            return i;
        }
    return -1;
}

void TStringGridStrings::Insert(int, const QString &)
{
    throw EInvalidGridOperation(QStringLiteral("Cannot insert or delete rows from grid"));
}

void TStringGridStrings::Delete(int)
{
    throw EInvalidGridOperation(QStringLiteral("Cannot insert or delete rows from grid"));
}

void TStringGridStrings::Clear()
{
    for (int i = 0; i < GetCount(); ++i) {
        Put(i, QString());
        PutObject(i, nullptr);
    }
}

// --- TStringGrid -----------------------------------------------------------------

STATION_PUBLISHED(TStringGrid) {}

TStringGrid::TStringGrid(TComponent *AOwner) : TDrawGrid(AOwner)
{
    SizeChanged(0, 0);
}

TStringGrid::~TStringGrid() = default;

void TStringGrid::SizeChanged(int, int)
{
    FCells.resize(size_t(RowCount()));
    for (auto &row : FCells)
        row.resize(size_t(ColCount()));
    FRowStrings.clear();
    FColStrings.clear();
}

void TStringGrid::CheckCell(int ACol, int ARow) const
{
    if (ACol < 0 || ARow < 0 || ACol >= ColCount() || ARow >= RowCount())
        throw EInvalidGridOperation(QStringLiteral("Grid index out of range"));
}

TStringGrid::TCell *TStringGrid::CellAt(int ACol, int ARow)
{
    CheckCell(ACol, ARow);
    return &FCells[size_t(ARow)][size_t(ACol)];
}

const TStringGrid::TCell *TStringGrid::CellAt(int ACol, int ARow) const
{
    CheckCell(ACol, ARow);
    return &FCells[size_t(ARow)][size_t(ACol)];
}

void TStringGrid::InvalidateCell(int ACol, int ARow)
{
    const TRect r = CellRect(ACol, ARow);
    if (!r.IsEmpty())
        if (QWidget *w = Widget())
            static_cast<QAbstractScrollArea *>(w)->viewport()->update(r.ToQRect());
}

QString TStringGrid::Cells(int ACol, int ARow) const
{
    return CellAt(ACol, ARow)->Text;
}

void TStringGrid::SetCells(int ACol, int ARow, const QString &Value)
{
    CellAt(ACol, ARow)->Text = Value;
    InvalidateCell(ACol, ARow);
}

TObject *TStringGrid::Objects(int ACol, int ARow) const
{
    return CellAt(ACol, ARow)->Object;
}

void TStringGrid::SetObjects(int ACol, int ARow, TObject *Value)
{
    TCell *cell = CellAt(ACol, ARow);
    cell->Object = Value;
    cell->Serial = LiveSerial(Value);
}

TObjectRef TStringGrid::ObjectRef(int ACol, int ARow) const
{
    const TCell *cell = CellAt(ACol, ARow);
    return {cell->Object, cell->Serial};
}

TStrings *TStringGrid::Rows(int Index)
{
    if (Index < 0 || Index >= RowCount())
        throw EInvalidGridOperation(QStringLiteral("Grid index out of range"));
    FRowStrings.resize(size_t(RowCount()));
    auto &p = FRowStrings[size_t(Index)];
    if (!p)
        p = std::make_unique<TStringGridStrings>(this, Index, true);
    return p.get();
}

TStrings *TStringGrid::Cols(int Index)
{
    if (Index < 0 || Index >= ColCount())
        throw EInvalidGridOperation(QStringLiteral("Grid index out of range"));
    FColStrings.resize(size_t(ColCount()));
    auto &p = FColStrings[size_t(Index)];
    if (!p)
        p = std::make_unique<TStringGridStrings>(this, Index, false);
    return p.get();
}

void TStringGrid::DrawCell(int ACol, int ARow, const TRect &ARect, TGridDrawState AState)
{
    if (DefaultDrawing())
        Canvas()->TextRect(ARect, ARect.Left + 2, ARect.Top + 2, Cells(ACol, ARow));
    TDrawGrid::DrawCell(ACol, ARow, ARect, AState);
}
