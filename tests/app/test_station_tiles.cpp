// The main window's tiles and grids after the data under them changed: a
// deleted added line, a reload with as many rows as before, small screens.
#include "TestFiles.h"
#include "FormHarness.h"
#include "Sell_Host.h"
#include "Sell_Mingx_Code.h"
#include "StationFixture.h"
#include "Unit1.h"
#include "datacenter_code.h"
#include "sell_dh_input_code.h"
#include "station_startup.h"
#include "weighing_code.h"
#include <gtest/gtest.h>
#include <QAbstractScrollArea>
#include <QScreen>
#include <QWindow>

using namespace FormHarness;

namespace {

const QChar CR = QLatin1Char('\r');

// 2030-05-06: order 9501 of 演示食堂 with a downloaded line (大白菜, weighed)
// and a line added at the station (土豆, weighed once); 2030-05-07: orders
// 9511 and 9512 of other customers, as many as 2030-05-06 has.
const char *DayRows = R"SQL(
INSERT INTO sys_jhdh (id, dh, dhrq, unit, lx) VALUES (9501, 'A-1', '2030-05-06', 102, 2), (9502, 'A-2', '2030-05-06', 101, 2),
  (9511, 'B-1', '2030-05-07', 101, 2), (9512, 'B-2', '2030-05-07', 101, 2);
INSERT INTO sys_jhsj (id, dhid, mc, dinghl, songhl, dj, shisje, paix, local_jhsj) VALUES
  (9601, 9501, 201, 5, 5, 1, 5, 1, NULL), (9602, 9501, 202, 3, 3, 1.5, 4.5, 2, 1), (9603, 9502, 203, 2, NULL, 1, NULL, 1, NULL),
  (9611, 9511, 203, 7, NULL, 1, NULL, 1, NULL), (9612, 9512, 203, 8, NULL, 1, NULL, 1, NULL);
INSERT INTO sys_jhsj_mx (jhsj_id, zhongzl, qup) VALUES (9602, 3, 0);
)SQL";

class StationTiles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Station.Sql(QString::fromUtf8(DayRows));
        Application->Initialize();
        ASSERT_TRUE(CreateStationForms());
        M = main_;
        M->SetTag(1);
        M->DateTimePicker1->SetDate(EncodeDate(2030, 5, 6));
        ASSERT_TRUE(ShowAndActivate(M));
    }
    void TearDown() override { DoneApplication(); }

    QString Local(const QString &Select)
    {
        auto q = DataCenter->LocalOpen(Select);
        return q->IsEmpty() ? QStringLiteral("<none>") : q->Fields(0).AsString();
    }

    void TouchCell(TStringGrid *Grid, int ACol, int ARow)
    {
        const TRect r = Grid->CellRect(ACol, ARow);
        ASSERT_FALSE(r.IsEmpty());
        Click(Grid, Point(r.Left + 10, r.Top + 10));
    }

    StationFolder Station;
    Tmain *M = nullptr;
};

} // namespace

TEST_F(StationTiles, ADeletedAddedLineCanNoLongerBeWeighed)
{
    M->PageControl1->SetActivePage(M->TabSheet2);
    M->PageControl1Change(M->PageControl1);
    ProcessEvents(10);
    Click(M->Sell_Cp_Dh_All);
    // Searching for 土豆 leaves it alone in the product list.
    M->Sell_Cp_Dh_Cxtj->SetText(QStringLiteral("TD"));
    TADOQuery *products = DataCenter->L_Sell_Cp_Dh_Query;
    ASSERT_EQ(products->RecordCount(), 1);
    M->LoadProductOrderLines();
    Click(M->Sell_Cp_Mx_All);
    ASSERT_EQ(M->CpTiles.Id(1, 1), 9602);
    EXPECT_EQ(M->Sell_Cp_StringGrid1->Cells(1, 1), QStringLiteral("演示食堂") + CR + "0" + CR);

    // The details window deletes the added line and reloads the lists.
    ASSERT_TRUE(DeleteAddedLine(9602));
    SellHost.DoReloadLists();
    EXPECT_EQ(M->CpTiles.Id(1, 1), 0);
    EXPECT_EQ(M->Sell_Cp_StringGrid1->Cells(1, 1), QString());

    // A tile drawn before the deletion is refused when touched...
    M->CpTiles.Set(1, 1, 1, 9602);
    {
        TModalAnswerer boxes;
        TouchCell(M->Sell_Cp_StringGrid1, 1, 1);
        EXPECT_EQ(boxes.Texts, QStringList{QStringLiteral("所选品种已删除或不存在,本次操作失败,请重新选择!")});
    }
    EXPECT_FALSE(sell_dh_input->Visible());
    EXPECT_TRUE(M->Enabled());
    // ...a keypad opened on it shows no other line's labels and saves nothing...
    sell_dh_input->Label1->SetCaption(QStringLiteral("previous"));
    M->Sell_StringGrid1->SetTag(9602);
    M->m_zhongzl->SetText(QStringLiteral("10"));
    M->SetEnabled(false);
    ASSERT_TRUE(ShowAndActivate(sell_dh_input));
    EXPECT_EQ(sell_dh_input->Label1->Caption(), QString());
    EXPECT_EQ(sell_dh_input->ProductName->Caption(), QString());
    {
        TModalAnswerer boxes;
        Click(sell_dh_input->Button13);
        EXPECT_EQ(boxes.Texts, QStringList{QStringLiteral("所选品种已删除或不存在,本次操作失败,请重新选择!")});
    }
    EXPECT_FALSE(sell_dh_input->Visible());
    // ...and the save itself checks the order is alive.
    TWeighing w;
    w.Net = w.Gross = 2;
    EXPECT_FALSE(SaveLineWeighing(9602, w, true));
    EXPECT_FALSE(SaveLineWeighing(9602, w, false));
    EXPECT_EQ(Local(QStringLiteral("select songhl from sys_jhsj where id=9602")), QStringLiteral("3"));
    EXPECT_EQ(Local(QStringLiteral("select count(*) from sys_jhsj_mx where jhsj_id=9602")), QStringLiteral("1"));
    EXPECT_TRUE(SaveLineWeighing(9601, w, false));
}

namespace {

// What the window's backing store holds for the control: the pixels last
// painted, not a fresh rendering.
QImage OnScreen(TControl *Control)
{
    QWidget *w = Control->Widget();
    QWidget *top = w->window();
    const QPoint at = w->mapTo(top, QPoint(0, 0));
    return top->windowHandle()->screen()->grabWindow(top->winId(), at.x(), at.y(), w->width(), w->height()).toImage();
}

} // namespace

TEST_F(StationTiles, AReloadWithAsManyRowsRepaintsTheGrid)
{
    ProcessEvents(50);
    EXPECT_EQ(DataCenter->L_Sell_Dh_Query->RecordCount(), 2);
    const QImage before = OnScreen(M->Sell_Dh);
    ASSERT_FALSE(before.isNull());
    // The next day has as many orders, of other customers.
    M->DateTimePicker1->SetDate(EncodeDate(2030, 5, 7));
    M->DateTimePicker1Change(M->DateTimePicker1);
    ProcessEvents(50);
    ASSERT_EQ(DataCenter->L_Sell_Dh_Query->RecordCount(), 2);
    const QImage after = OnScreen(M->Sell_Dh);
    const QImage fresh = Grab(M->Sell_Dh).convertToFormat(after.format());
    GrabToFile(M->Sell_Dh, TestFile(QStringLiteral("station_tiles_reloaded_grid.png")));
    after.save(TestFile(QStringLiteral("station_tiles_reloaded_screen.png")));
    EXPECT_NE(after, before);
    EXPECT_EQ(after, fresh);
}

namespace {

int ViewportWidth(TControl *Grid)
{
    return static_cast<QAbstractScrollArea *>(Grid->Widget())->viewport()->width();
}

} // namespace

TEST_F(StationTiles, EveryTileAndColumnStaysOnTheScaledScreen)
{
    // Whatever the screen, the seventh tile of a row and the last column of
    // the order grid lie inside their grids.
    ProcessEvents(20);
    const double y = M->YScale();
    for (TStringGrid *g : {M->Sell_StringGrid1, M->Sell_Cp_StringGrid1}) {
        const TRect r = g->CellRect(7, 1);
        ASSERT_FALSE(r.IsEmpty()) << g->Name().toStdString();
        EXPECT_LE(r.Right, ViewportWidth(g)) << g->Name().toStdString();
        EXPECT_EQ(g->RowHeights(1), Round(120 * y));
        EXPECT_EQ(g->ColWidths(0), 0);
    }
    TDBGrid *orders = M->Sell_Dh;
    const int last = orders->ColCount() - 1;
    EXPECT_LE(orders->CellRect(last, 0).Right, ViewportWidth(orders));
    GrabToFile(M, TestFile(QStringLiteral("station_tiles_scaled.png")));

    // The same rule at the sizes the station meets: 1280 x 1024 and 1024 x 768.
    for (const QSize screen : {QSize(1280, 1024), QSize(1024, 768), QSize(1680, 1050)}) {
        const double sx = screen.width() / 1680.0, sy = screen.height() / 1050.0;
        TStringGrid g(nullptr);
        g.SetColCount(8);
        g.SetRowCount(7);
        g.SetDefaultColWidth((1190 - 24) / 7);
        g.SetDefaultRowHeight(120);
        g.SetColWidths(0, 0);
        g.SetRowHeights(0, 0);
        g.SetBounds(0, 0, Round(1190 * sx), Round(740 * sy));
        ScaleGridCells(&g, sx, sy, 1190);
        int right = 0;
        for (int c = 0; c <= 7; ++c)
            right += g.ColWidths(c);
        // The scroll bar and borders keep their designed room.
        EXPECT_LE(right, Round(1190 * sx) - 28) << screen.width();
        if (screen.width() == 1680) {
            EXPECT_EQ(g.ColWidths(7), 166);
        }
        EXPECT_EQ(g.ColWidths(0), 0);
        EXPECT_EQ(g.RowHeights(3), Round(120 * sy));
        EXPECT_EQ(g.DefaultRowHeight(), Round(120 * sy));
    }
}
