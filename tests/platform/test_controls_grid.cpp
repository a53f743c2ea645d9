// The string grid: geometry with hidden rows and columns, OnSelectCell on
// every touch, OnDrawCell painting with the canvas, sizes, scrolling.
#include "FormHarness.h"
#include "Forms.h"
#include "Grids.h"
#include "Menus.h"
#include <QApplication>
#include <gtest/gtest.h>

using namespace FormHarness;

namespace {

class TGridEvents : public TObject
{
public:
    QStringList Log;
    bool Allow = true;
    void SelectCell(TObject *, int ACol, int ARow, bool &CanSelect)
    {
        Log << QStringLiteral("Select %1,%2").arg(ACol).arg(ARow);
        CanSelect = Allow;
    }
    void Click(TObject *) { Log << "Click"; }
    // Paints the tile of cell (2,1) red, as the station's tiles are coloured.
    void DrawCell(TObject *Sender, int ACol, int ARow, TRect Rect, TGridDrawState State)
    {
        if (ACol == 2 && ARow == 1) {
            TCanvas *c = static_cast<TStringGrid *>(Sender)->Canvas();
            c->Brush()->SetColor(clRed);
            c->FillRect(Rect);
            Drawn = Rect;
            DrawnState = State;
        }
    }
    TRect Drawn;
    TGridDrawState DrawnState;
};

// The station's tile grid: 8 x 7, column 0 and row 0 hidden, tall rows.
TStringGrid *TileGrid(TForm &Form)
{
    auto *g = new TStringGrid(&Form);
    g->SetParent(&Form);
    g->SetBounds(0, 0, 600, 400);
    g->SetColCount(8);
    g->SetRowCount(7);
    g->SetDefaultRowHeight(120);
    g->SetColWidths(0, 0);
    g->SetRowHeights(0, 0);
    return g;
}

} // namespace

TEST(Grid, HiddenColumnAndRowTakeNoPlace)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 640, 480);
    TStringGrid *g = TileGrid(form);
    EXPECT_EQ(g->ColCount(), 8);
    EXPECT_EQ(g->RowCount(), 7);
    EXPECT_EQ(g->RowHeights(3), 120);
    EXPECT_EQ(g->ColWidths(3), 64);
    EXPECT_EQ(g->CellRect(0, 0), TRect{});
    EXPECT_EQ(g->CellRect(1, 1), Rect(0, 0, 64, 120));
    // One pixel of grid line between cells.
    EXPECT_EQ(g->CellRect(2, 1), Rect(65, 0, 129, 120));
    EXPECT_EQ(g->CellRect(1, 2), Rect(0, 121, 64, 241));
    int c = -1, r = -1;
    g->MouseToCell(70, 130, c, r);
    EXPECT_EQ(c, 2);
    EXPECT_EQ(r, 2);
    g->MouseToCell(5000, 5, c, r);
    EXPECT_EQ(c, -1);
    // The default height resets every row, hidden ones too.
    g->SetDefaultRowHeight(30);
    EXPECT_EQ(g->RowHeights(0), 30);
    EXPECT_THROW(g->SetFixedRows(7), EInvalidGridOperation);
    EXPECT_THROW(g->ColWidths(8), EInvalidGridOperation);
}

TEST(Grid, CellsKeepTheirTextWhenTheGridGrows)
{
    TForm form(nullptr);
    auto *g = new TStringGrid(&form);
    g->SetParent(&form);
    g->SetCells(1, 1, QStringLiteral("白菜\r5斤\r"));
    g->SetObjects(2, 2, reinterpret_cast<TObject *>(quintptr(7)));
    g->SetColCount(10);
    g->SetRowCount(31);
    EXPECT_EQ(g->Cells(1, 1), QStringLiteral("白菜\r5斤\r"));
    EXPECT_EQ(reinterpret_cast<quintptr>(g->Objects(2, 2)), 7u);
    EXPECT_EQ(g->Cells(9, 30), "");
    g->Rows(1)->Clear();
    EXPECT_EQ(g->Cells(1, 1), "");
    g->Cols(3)->SetStrings(4, QStringLiteral("x"));
    EXPECT_EQ(g->Cells(3, 4), "x");
    EXPECT_THROW(g->Rows(1)->Delete(0), EInvalidGridOperation);
    EXPECT_THROW(g->Cells(10, 0), EInvalidGridOperation);
    g->SetRowCount(2);
    EXPECT_EQ(g->Row(), 1);
}

TEST(Grid, OnSelectCellFiresOnEveryTouchAndCanRefuse)
{
    TGridEvents ev;
    TForm form(nullptr);
    form.SetBounds(0, 0, 640, 480);
    TStringGrid *g = TileGrid(form);
    g->SetOnSelectCell(TSelectCellEvent(&ev, &TGridEvents::SelectCell));
    g->SetOnClick(TNotifyEvent(&ev, &TGridEvents::Click));
    ASSERT_TRUE(ShowAndActivate(&form));

    Click(g, Point(70, 10));
    EXPECT_EQ(g->Col(), 2);
    EXPECT_EQ(g->Row(), 1);
    // The same tile again: asked again.
    Click(g, Point(70, 10));
    EXPECT_EQ(ev.Log, QStringList({"Select 2,1", "Click", "Select 2,1", "Click"}));
    ev.Log.clear();
    ev.Allow = false;
    Click(g, Point(10, 130));
    EXPECT_EQ(ev.Log, QStringList({"Select 1,2", "Click"}));
    EXPECT_EQ(g->Row(), 1);
    ev.Allow = true;
    ev.Log.clear();
    // Keys move the current cell through the same question.
    Key(Qt::Key_Down);
    EXPECT_EQ(ev.Log, QStringList({"Select 2,2", "Click"}));
    EXPECT_EQ(g->Row(), 2);
    ev.Log.clear();
    g->SetRow(3);
    EXPECT_EQ(ev.Log, QStringList({"Select 2,3", "Click"}));
}

TEST(Grid, ARightClickMakesTheCellCurrentBeforeThePopupMenuOpens)
{
    TGridEvents ev;
    TForm form(nullptr);
    form.SetBounds(0, 0, 640, 480);
    TStringGrid *g = TileGrid(form);
    g->SetOnSelectCell(TSelectCellEvent(&ev, &TGridEvents::SelectCell));
    g->SetOnClick(TNotifyEvent(&ev, &TGridEvents::Click));
    ASSERT_TRUE(ShowAndActivate(&form));
    // Without a menu a right click leaves the current cell alone.
    RightClick(g, Point(10, 250));
    EXPECT_EQ(g->Row(), 1);
    EXPECT_TRUE(ev.Log.isEmpty());
    // With one, the menu sees the cell under the pointer; no click is made.
    auto *menu = new TPopupMenu(&form);
    auto *item = new TMenuItem(&form);
    item->SetCaption(QStringLiteral("x"));
    menu->Items()->Add(item);
    g->SetPopupMenu(menu);
    QString seen;
    menu->SetOnPopup(TNotifyEvent(&ev, &TGridEvents::Click));
    Later([&] {
        seen = QStringLiteral("%1,%2").arg(g->Col()).arg(g->Row());
        if (QWidget *open = QApplication::activePopupWidget())
            open->close();
    });
    RightClick(g, Point(160, 250));
    EXPECT_EQ(seen, QStringLiteral("3,3"));
    EXPECT_EQ(ev.Log, QStringList({"Select 3,3", "Click"}));
}

TEST(Grid, OnDrawCellPaintsOverTheDefaultDrawing)
{
    TGridEvents ev;
    TForm form(nullptr);
    form.SetBounds(0, 0, 640, 480);
    TStringGrid *g = TileGrid(form);
    g->SetCells(1, 1, QStringLiteral("苹果"));
    g->SetOnDrawCell(TDrawCellEvent(&ev, &TGridEvents::DrawCell));
    ASSERT_TRUE(ShowAndActivate(&form));
    const QImage img = Grab(g).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(ev.Drawn, Rect(65, 0, 129, 120));
    EXPECT_FALSE(ev.DrawnState.Contains(gdFixed));
    // The grid's border is outside the client area.
    const int f = static_cast<QAbstractScrollArea *>(g->Widget())->frameWidth();
    EXPECT_EQ(QColor(img.pixel(f + 80, f + 60)), QColor(Qt::red));
    // The grid line between the cells in silver, the default cell white with text.
    EXPECT_EQ(QColor(img.pixel(f + 64, f + 60)), QColor(192, 192, 192));
    EXPECT_EQ(QColor(img.pixel(f + 63, f + 110)), QColor(Qt::white));
}

TEST(Grid, ScrollsByWholeRows)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 640, 480);
    TStringGrid *g = TileGrid(form);
    g->SetRowCount(31);
    ASSERT_TRUE(ShowAndActivate(&form));
    EXPECT_EQ(g->TopRow(), 1);
    g->Perform(WM_VSCROLL, SB_LINEDOWN);
    EXPECT_EQ(g->TopRow(), 2);
    EXPECT_EQ(g->CellRect(1, 1), TRect{});
    EXPECT_EQ(g->CellRect(1, 2).Top, 0);
    g->Perform(WM_VSCROLL, SB_LINEUP);
    EXPECT_EQ(g->TopRow(), 1);
    // Moving the current cell out of view scrolls it in.
    g->SetRow(20);
    const TRect r = g->CellRect(1, 20);
    EXPECT_FALSE(r.IsEmpty());
    EXPECT_LE(r.Bottom, g->ClientHeight());
}
