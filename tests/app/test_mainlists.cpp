// The main window's order lists over a day of made-up orders: counts,
// filters, the tile texts and colours, same-load reset, wrapping, the
// warning of the function keys and the mouse wheel on the grids.
#include "TestFiles.h"
#include "Dialogs.h"
#include "FormHarness.h"
#include "Sell_Add_Cp_Code.h"
#include "Sell_Add_Keh_Code.h"
#include "Sell_Dh_Qup_Code.h"
#include "Sell_Host.h"
#include "Sell_Mingx_Code.h"
#include "sell_dh_input_code.h"
#include "weighing_code.h"
#include "StationFixture.h"
#include "Unit1.h"
#include "datacenter_code.h"
#include "station_startup.h"
#include "sync_code.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

using namespace FormHarness;

namespace {

const QChar CR = QLatin1Char('\r');

// 2030-05-06: 9001 nothing weighed (ten lines), 9002 partly, 9003 finished,
// 9005 without lines, 9004 of another kind. Customer 103's name has a quote.
const char *DayRows = R"SQL(
INSERT INTO sys_unit (id, usercode, shortname, typea, typeb, piny) VALUES (103, 'K003', '奥''布莱恩', 1, 0, 'ABLE');
INSERT INTO sys_cp (id, bh, mc, dw, piny, dfl) VALUES (204, 'C004', '黄瓜', '斤', 'HG', 1), (205, 'C005', '牛肉', '斤', 'NR', 2),
  (206, 'C006', '羊肉', '斤', 'YR', 2);
INSERT INTO sys_jhdh (id, dh, dhrq, unit, lx, bz) VALUES (9001, 'T-1', '2030-05-06', 101, 2, '早送'), (9002, 'T-2', '2030-05-06', 102, 2, 'B2'),
  (9003, 'T-3', '2030-05-06', 103, 2, NULL), (9004, 'T-4', '2030-05-06', 101, 1, NULL), (9005, 'T-5', '2030-05-06', 102, 2, 'B5');
INSERT INTO sys_jhsj (id, dhid, mc, dinghl, songhl, sl, sldw, bz, paix) VALUES
  (9101, 9001, 201, 1, NULL, NULL, NULL, 'n1', 1), (9102, 9001, 202, 2, NULL, NULL, NULL, 'n2', 2),
  (9103, 9001, 203, 3, NULL, NULL, NULL, 'n3', 3), (9104, 9001, 201, 4, NULL, NULL, NULL, 'n4', 4),
  (9105, 9001, 202, 5, NULL, NULL, NULL, 'n5', 5), (9106, 9001, 203, 6, NULL, NULL, NULL, 'n6', 6),
  (9107, 9001, 201, 7, NULL, NULL, NULL, 'n7', 7), (9108, 9001, 202, 8, NULL, NULL, NULL, 'n8', 8),
  (9109, 9001, 203, 9, NULL, NULL, NULL, 'n9', 9), (9110, 9001, 201, 10, NULL, NULL, NULL, 'n10', 10),
  (9201, 9002, 201, NULL, NULL, 3, '箱', 'a', 1), (9202, 9002, 202, 20, NULL, NULL, '袋', 'b', 2),
  (9203, 9002, 203, 20, NULL, NULL, NULL, 'c', 3), (9204, 9002, 204, 5, 5, NULL, NULL, 'd', 4),
  (9301, 9003, 201, 10, 10, NULL, NULL, 'e', 1), (9302, 9003, 202, 10, 8, NULL, NULL, 'f', 2),
  (9303, 9003, 203, 10, 9.6, NULL, NULL, 'g', 3), (9304, 9003, 205, 5, 4.5, NULL, '箱', 'h', 4),
  (9305, 9003, 205, 0, 12, 3, NULL, 'i', 5),
  (9401, 9004, 206, 1, NULL, NULL, NULL, NULL, 1);
)SQL";

class MainListsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Station.Sql(QString::fromUtf8(DayRows));
        Application->Initialize();
        ASSERT_TRUE(CreateStationForms());
        M = main_;
        M->SetTag(1); // logged in: no login window
        M->DateTimePicker1->SetDate(EncodeDate(2030, 5, 6));
        ASSERT_TRUE(ShowAndActivate(M));
    }

    void TearDown() override { DoneApplication(); }

    TADOQuery *Orders() { return DataCenter->L_Sell_Dh_Query; }
    TADOQuery *Products() { return DataCenter->L_Sell_Cp_Dh_Query; }

    QStringList OrderNumbers()
    {
        QStringList out;
        const int keep = Orders()->RecNo();
        for (Orders()->First(); !Orders()->Eof(); Orders()->Next())
            out << Orders()->FieldByName(QStringLiteral("dh")).AsString();
        Orders()->SetRecNo(keep);
        return out;
    }

    // Touches the row of the order in the by-customer grid.
    void TouchOrder(const QString &Dh)
    {
        ASSERT_TRUE(Orders()->Locate(QStringLiteral("dh"), Variant(Dh)));
        const int row = Orders()->RecNo();
        M->Sell_Dh->SyncWithDataSet();
        const TRect r = M->Sell_Dh->CellRect(2, row);
        ASSERT_FALSE(r.IsEmpty());
        Click(M->Sell_Dh, Point((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2));
        ASSERT_EQ(Orders()->FieldByName(QStringLiteral("dh")).AsString(), Dh);
    }

    void TouchProduct(const QString &Name)
    {
        ASSERT_TRUE(Products()->Locate(QStringLiteral("mc"), Variant(Name)));
        const int row = Products()->RecNo();
        M->Sell_Cp_Dh->SyncWithDataSet();
        const TRect r = M->Sell_Cp_Dh->CellRect(1, row);
        ASSERT_FALSE(r.IsEmpty());
        Click(M->Sell_Cp_Dh, Point((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2));
    }

    static QColor Rgb(TColor C)
    {
        const TColor c = ColorToRGB(C);
        return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
    }

    // Pixels of the colour inside the rectangle of an image.
    static int CountColour(const QImage &Img, const TRect &R, bool (*Match)(QColor))
    {
        int n = 0;
        for (int y = R.Top; y < R.Bottom; ++y)
            for (int x = R.Left; x < R.Right; ++x)
                n += Match(Img.pixelColor(x, y)) ? 1 : 0;
        return n;
    }

    StationFolder Station;
    Tmain *M = nullptr;
};

bool Reddish(QColor C) { return C.red() > 180 && C.green() < 90 && C.blue() < 90; }
bool Greenish(QColor C) { return C.green() > 90 && C.red() < 60 && C.blue() < 60; }
bool Darkish(QColor C) { return C.red() < 80 && C.green() < 80 && C.blue() < 80; }

} // namespace

TEST_F(MainListsTest, ShowSelectsAllOrdersAndOpenProductsWithTheirCounts)
{
    EXPECT_EQ(M->Sell_Dh_No->Caption(), QStringLiteral("未配完(3)"));
    EXPECT_EQ(M->Sell_Dh_Over->Caption(), QStringLiteral("已配完(1)"));
    EXPECT_EQ(M->Sell_Dh_All->Caption(), QStringLiteral("所有(4)"));
    EXPECT_EQ(M->Sell_Dh_All->Color(), clRed);
    EXPECT_EQ(M->Sell_Dh_No->Color(), clBtnFace);
    EXPECT_EQ(M->Sell_Mx_All->Color(), clRed);
    EXPECT_EQ(M->Sell_Mx_No->Caption(), QStringLiteral("未配(0)"));
    EXPECT_EQ(M->Sell_Mx_Over->Caption(), QStringLiteral("已配(0)"));
    EXPECT_EQ(M->Sell_Mx_All->Caption(), QStringLiteral("所有(0)"));
    // By customer class, then customer code; the other kind never shows.
    const QStringList dh = OrderNumbers();
    ASSERT_EQ(dh.size(), 4);
    EXPECT_EQ(dh.mid(0, 2), (QStringList{QStringLiteral("T-1"), QStringLiteral("T-3")}));
    EXPECT_FALSE(dh.contains(QStringLiteral("T-4")));
    EXPECT_EQ(M->FinishedOrders(), QStringLiteral("0,9003"));
    EXPECT_EQ(M->PartlyOrders(), QStringLiteral("0,9002"));

    EXPECT_EQ(M->Sell_Cp_Dh_No->Color(), clRed);
    EXPECT_EQ(M->Sell_Cp_Dh_No->Caption(), QStringLiteral("未配完(3)"));
    EXPECT_EQ(M->Sell_Cp_Dh_Over->Caption(), QStringLiteral("已配完(2)"));
    EXPECT_EQ(M->Sell_Cp_Dh_All->Caption(), QStringLiteral("所有(5)"));
    EXPECT_EQ(Products()->RecordCount(), 3);
    EXPECT_EQ(M->Sell_Cp_Mx_All->Caption(), QStringLiteral("所有(0)"));

    EXPECT_EQ(M->Sell_Dh_Fenl->Items()->Strings(0), QStringLiteral("-客户分类不限-"));
    EXPECT_EQ(M->Sell_Dh_Fenl->Items()->Strings(2), QStringLiteral("学校食堂"));
    EXPECT_EQ(M->Sell_Cp_Dh_Fenl->Items()->Strings(0), QStringLiteral("-产品分类不限-"));
    EXPECT_EQ(M->Sell_Cp_Dh_Fenl->ItemIndex(), 0);
    EXPECT_FALSE(M->TabSheet3->TabVisible());
    EXPECT_TRUE(M->DifferentBang->Checked());
    EXPECT_TRUE(M->TabSheet1->Highlighted());
    EXPECT_FALSE(M->TabSheet2->Highlighted());
}

TEST_F(MainListsTest, OrderFilterPanels)
{
    Click(M->Sell_Dh_No);
    EXPECT_EQ(M->Sell_Dh_No->Color(), clRed);
    EXPECT_EQ(M->Sell_Dh_All->Color(), clBtnFace);
    QStringList dh = OrderNumbers();
    dh.sort();
    EXPECT_EQ(dh, (QStringList{QStringLiteral("T-1"), QStringLiteral("T-2"), QStringLiteral("T-5")}));

    Click(M->Sell_Dh_Over);
    EXPECT_EQ(OrderNumbers(), QStringList{QStringLiteral("T-3")});
    EXPECT_EQ(M->Sell_Mx_Over->Color(), clRed);
    // With finished orders shown, touching an order shows its allocated lines.
    TouchOrder(QStringLiteral("T-3"));
    EXPECT_EQ(M->Sell_Mx_Over->Color(), clRed);
    EXPECT_EQ(M->SellTiles.Id(5, 1), 9305);
    // "Not allocated" cannot be chosen while finished orders are shown.
    Click(M->Sell_Mx_No);
    EXPECT_EQ(M->Sell_Mx_Over->Color(), clRed);
    EXPECT_EQ(M->Sell_Mx_No->Color(), clBtnFace);
    Click(M->Sell_Mx_All);
    EXPECT_EQ(M->Sell_Mx_Over->Color(), clRed);

    Click(M->Sell_Dh_All);
    EXPECT_EQ(OrderNumbers().size(), 4);
    // The counts do not depend on the filter.
    EXPECT_EQ(M->Sell_Dh_No->Caption(), QStringLiteral("未配完(3)"));
}

TEST_F(MainListsTest, ClassAndSearchFiltersAreBoundNotWrittenIntoTheStatement)
{
    M->Sell_Dh_Fenl->SetItemIndex(2); // 学校食堂
    M->Sell_Dh_FenlChange(M->Sell_Dh_Fenl);
    QStringList dh = OrderNumbers();
    dh.sort();
    EXPECT_EQ(dh, (QStringList{QStringLiteral("T-2"), QStringLiteral("T-5")}));
    M->Sell_Dh_Fenl->SetItemIndex(0);

    struct Case {
        QString Text;
        QStringList Expected;
    };
    const Case cases[] = {
        {QStringLiteral("奥'"), {QStringLiteral("T-3")}},      // a quote is just a character
        {QStringLiteral("ysst"), {QStringLiteral("T-2"), QStringLiteral("T-5")}}, // pinyin initials
        {QStringLiteral("K001"), {QStringLiteral("T-1")}},     // customer code
        {QStringLiteral("' or 1=1 --"), {}},
        {QStringLiteral("不存在"), {}},
    };
    for (const Case &c : cases) {
        M->Sell_Dh_Cxtj->SetText(c.Text); // its change reloads the list
        QStringList got = OrderNumbers();
        got.sort();
        EXPECT_EQ(got, c.Expected) << c.Text.toStdString();
        EXPECT_FALSE(Orders()->SQL()->Text().contains(c.Text)) << c.Text.toStdString();
    }
    M->Sell_Dh_Cxtj->SetText(QString());
    EXPECT_EQ(OrderNumbers().size(), 4);

    // Products: by class and by name, quotes included.
    M->Sell_Cp_Dh_AllClick(M->Sell_Cp_Dh_All);
    EXPECT_EQ(Products()->RecordCount(), 5);
    M->Sell_Cp_Dh_Fenl->SetItemIndex(2); // 肉类
    M->Sell_Cp_Dh_FenlChange(M->Sell_Cp_Dh_Fenl);
    EXPECT_EQ(Products()->RecordCount(), 2);
    M->Sell_Cp_Dh_Fenl->SetItemIndex(0);
    M->Sell_Cp_Dh_Cxtj->SetText(QStringLiteral("hg"));
    ASSERT_EQ(Products()->RecordCount(), 1);
    EXPECT_EQ(Products()->FieldByName(QStringLiteral("mc")).AsString(), QStringLiteral("黄瓜"));
    M->Sell_Cp_Dh_Cxtj->SetText(QStringLiteral("a'b"));
    EXPECT_EQ(Products()->RecordCount(), 0);
}

TEST_F(MainListsTest, AllocatedTilesAreYellowAtOrAboveTheOrderAndRedBelow)
{
    TouchOrder(QStringLiteral("T-3"));
    // Touching an order shows its lines not yet allocated: none here.
    EXPECT_EQ(M->Sell_Mx_No->Color(), clRed);
    EXPECT_EQ(M->SellTiles.Id(1, 1), 0);
    EXPECT_EQ(M->Sell_Mx_No->Caption(), QStringLiteral("未配(0)"));
    EXPECT_EQ(M->Sell_Mx_Over->Caption(), QStringLiteral("已配(5)"));
    EXPECT_EQ(M->Sell_Mx_All->Caption(), QStringLiteral("所有(5)"));
    Click(M->Sell_Mx_All);

    struct Tile {
        int Col;
        QString Text;
        int State;
        int Id;
    };
    const Tile tiles[] = {
        {1, QStringLiteral("大白菜") + CR + "0" + CR + "e", 1, 9301},  // equal: yellow
        {2, QStringLiteral("土豆") + CR + "-2" + CR + "f", 3, 9302},   // 2 below: red
        {3, QStringLiteral("猪肉") + CR + "-0.4" + CR + "g", 1, 9303}, // 0.4 below rounds to 0: yellow
        {4, QStringLiteral("牛肉") + CR + "4.5" + CR + "h", 1, 9304},  // count unit: the weight shown
        {5, QStringLiteral("牛肉") + CR + CR + "i", 1, 9305},          // counted line without quantity
    };
    for (const Tile &t : tiles) {
        EXPECT_EQ(M->Sell_StringGrid1->Cells(t.Col, 1), t.Text) << t.Col;
        EXPECT_EQ(M->SellTiles.State(t.Col, 1), t.State) << t.Col;
        EXPECT_EQ(M->SellTiles.Id(t.Col, 1), t.Id) << t.Col;
    }
    EXPECT_EQ(M->SellTiles.State(6, 1), 6);

    const QImage img = Grab(M->Sell_StringGrid1);
    img.save(TestFile(QStringLiteral("mainlists_tiles.png")));
    for (const Tile &t : tiles) {
        const TRect r = M->Sell_StringGrid1->CellRect(t.Col, 1);
        EXPECT_EQ(img.pixelColor(r.Left + 3, r.Top + 3), Rgb(TileColor(t.State))) << t.Col;
    }
    EXPECT_EQ(Rgb(TileColor(1)), QColor(255, 255, 0));
    EXPECT_EQ(Rgb(TileColor(3)), QColor(255, 0, 0));
    EXPECT_EQ(TileColor(2), clMenuHighlight);
    EXPECT_EQ(TileColor(6), clWindow);
}

TEST_F(MainListsTest, TextsOfLinesNotYetAllocated)
{
    TouchOrder(QStringLiteral("T-2"));
    EXPECT_EQ(M->Sell_Mx_No->Caption(), QStringLiteral("未配(3)"));
    EXPECT_EQ(M->Sell_Mx_Over->Caption(), QStringLiteral("已配(1)"));
    EXPECT_EQ(M->Sell_Mx_All->Caption(), QStringLiteral("所有(4)"));
    EXPECT_EQ(M->Sell_StringGrid1->Cells(1, 1), QStringLiteral("大白菜") + CR + "3箱" + CR + "a");
    EXPECT_EQ(M->Sell_StringGrid1->Cells(2, 1), QStringLiteral("土豆") + CR + "20袋" + CR + "b");
    EXPECT_EQ(M->Sell_StringGrid1->Cells(3, 1), QStringLiteral("猪肉") + CR + "20斤" + CR + "c");
    for (int c = 1; c <= 3; ++c)
        EXPECT_EQ(M->SellTiles.State(c, 1), 2);
    EXPECT_EQ(M->SellTiles.Id(4, 1), 0);
    // Line search by product name or pinyin, a quote included.
    Click(M->Sell_Mx_All);
    M->Sell_Mx_Cxtj->SetText(QStringLiteral("hg"));
    EXPECT_EQ(M->Sell_StringGrid1->Cells(1, 1), QStringLiteral("黄瓜") + CR + "0" + CR + "d");
    EXPECT_EQ(M->SellTiles.Id(2, 1), 0);
    M->Sell_Mx_Cxtj->SetText(QStringLiteral("'"));
    EXPECT_EQ(M->SellTiles.Id(1, 1), 0);
}

TEST_F(MainListsTest, MoreThanSevenLinesWrapToTheNextRow)
{
    TouchOrder(QStringLiteral("T-1"));
    for (int i = 0; i < 10; ++i) {
        const int col = i % 7 + 1, row = i / 7 + 1;
        EXPECT_EQ(M->SellTiles.Id(col, row), 9101 + i) << i;
        EXPECT_EQ(M->SellTiles.State(col, row), 2) << i;
    }
    EXPECT_EQ(M->Sell_StringGrid1->Cells(1, 2), QStringLiteral("土豆") + CR + "8斤" + CR + "n8");
    EXPECT_EQ(M->SellTiles.Id(4, 2), 0);
    EXPECT_EQ(M->Sell_StringGrid1->Cells(8 - 1, 1), QStringLiteral("大白菜") + CR + "7斤" + CR + "n7");
    EXPECT_EQ(M->Sell_StringGrid1->RowCount(), 7);
    // Reloading the orders empties the tiles.
    M->Sell_Dh_AllClick(M->Sell_Dh_All);
    EXPECT_EQ(M->SellTiles.Id(1, 1), 0);
    EXPECT_EQ(M->Sell_StringGrid1->Cells(1, 1), QString());
    EXPECT_EQ(M->Sell_Mx_All->Caption(), QStringLiteral("所有(0)"));
}

TEST_F(MainListsTest, ManyLinesGrowTheTileGrid)
{
    QString sql;
    for (int i = 0; i < 60; ++i)
        sql += QStringLiteral("INSERT INTO sys_jhsj (id, dhid, mc, dinghl, paix) VALUES (%1, 9005, 201, 1, %2);").arg(9500 + i).arg(i);
    Station.Sql(sql);
    TouchOrder(QStringLiteral("T-5"));
    EXPECT_EQ(M->Sell_StringGrid1->RowCount(), 10);
    EXPECT_EQ(M->SellTiles.Id(4, 9), 9559);
    EXPECT_EQ(M->Sell_Mx_No->Caption(), QStringLiteral("未配(60)"));
}

TEST_F(MainListsTest, SwitchingOrdersResetsSameLoadButReselectingDoesNot)
{
    TouchOrder(QStringLiteral("T-1"));
    M->SameBang->SetChecked(true);
    M->LastGross->SetText(QStringLiteral("12.5"));
    M->LastStep->SetText(QStringLiteral("3"));
    TouchOrder(QStringLiteral("T-1"));
    EXPECT_TRUE(M->SameBang->Checked());
    EXPECT_EQ(M->LastGross->Text(), QStringLiteral("12.5"));
    TouchOrder(QStringLiteral("T-2"));
    EXPECT_TRUE(M->DifferentBang->Checked());
    EXPECT_FALSE(M->SameBang->Checked());
    EXPECT_EQ(M->LastGross->Text(), QStringLiteral("0"));
    EXPECT_EQ(M->LastStep->Text(), QStringLiteral("0"));

    // By product the same, keyed on the product.
    M->PageControl1->SetActivePage(M->TabSheet2);
    ProcessEvents(10);
    TouchProduct(QStringLiteral("土豆"));
    M->SameBang->SetChecked(true);
    M->LastGross->SetText(QStringLiteral("7"));
    TouchProduct(QStringLiteral("土豆"));
    EXPECT_TRUE(M->SameBang->Checked());
    TouchProduct(QStringLiteral("猪肉"));
    EXPECT_TRUE(M->DifferentBang->Checked());
    EXPECT_EQ(M->LastGross->Text(), QStringLiteral("0"));
}

TEST_F(MainListsTest, KeyUpOnTheOrderGridLoadsLinesExceptForUpAndDown)
{
    ASSERT_TRUE(Focus(M->Sell_Dh));
    Orders()->First();
    M->Sell_Dh->SyncWithDataSet();
    Key(Qt::Key_Down); // moves to T-3, lines not loaded
    EXPECT_EQ(Orders()->FieldByName(QStringLiteral("dh")).AsString(), QStringLiteral("T-3"));
    EXPECT_EQ(M->Sell_Mx_All->Caption(), QStringLiteral("所有(0)"));
    Key(Qt::Key_Right);
    EXPECT_EQ(M->Sell_Mx_All->Caption(), QStringLiteral("所有(5)"));
    EXPECT_EQ(M->Sell_Mx_No->Color(), clRed);
}

TEST_F(MainListsTest, ProductTiles)
{
    M->PageControl1->SetActivePage(M->TabSheet2);
    M->PageControl1Change(M->PageControl1);
    EXPECT_TRUE(M->TabSheet2->Highlighted());
    EXPECT_FALSE(M->TabSheet1->Highlighted());
    ProcessEvents(10);
    Click(M->Sell_Cp_Dh_All);
    EXPECT_EQ(Products()->RecordCount(), 5);
    TouchProduct(QStringLiteral("牛肉"));
    EXPECT_EQ(M->Sell_Cp_Mx_No->Color(), clRed);
    EXPECT_EQ(M->Sell_Cp_Mx_No->Caption(), QStringLiteral("未配(0)"));
    EXPECT_EQ(M->Sell_Cp_Mx_Over->Caption(), QStringLiteral("已配(2)"));
    EXPECT_EQ(M->Sell_Cp_Mx_All->Caption(), QStringLiteral("所有(2)"));
    Click(M->Sell_Cp_Mx_All);
    EXPECT_EQ(M->Sell_Cp_StringGrid1->Cells(1, 1), QStringLiteral("奥'布莱恩") + CR + "4.5" + CR + "h");
    EXPECT_EQ(M->CpTiles.State(1, 1), 1);
    // Ordered 0: never red, the difference shown.
    EXPECT_EQ(M->Sell_Cp_StringGrid1->Cells(2, 1), QStringLiteral("奥'布莱恩") + CR + "12" + CR + "i");
    EXPECT_EQ(M->CpTiles.State(2, 1), 1);
    EXPECT_EQ(M->CpTiles.Id(2, 1), 9305);

    TouchProduct(QStringLiteral("土豆"));
    // Not allocated: 9001's three lines (customer K001), then 9002's (K002).
    const QStringList k001{QStringLiteral("演示饭店") + CR + "2斤" + CR + "n2", QStringLiteral("演示饭店") + CR + "5斤" + CR + "n5",
                           QStringLiteral("演示饭店") + CR + "8斤" + CR + "n8"};
    for (int c = 1; c <= 3; ++c) {
        EXPECT_TRUE(k001.contains(M->Sell_Cp_StringGrid1->Cells(c, 1))) << c;
        EXPECT_EQ(M->CpTiles.State(c, 1), 2);
    }
    EXPECT_EQ(M->Sell_Cp_StringGrid1->Cells(4, 1), QStringLiteral("演示食堂") + CR + "20袋" + CR + "b");
    EXPECT_EQ(M->CpTiles.Id(4, 1), 9202);
    EXPECT_EQ(M->Sell_Cp_Mx_All->Caption(), QStringLiteral("所有(5)"));
    Click(M->Sell_Cp_Mx_Over);
    EXPECT_EQ(M->Sell_Cp_StringGrid1->Cells(1, 1), QStringLiteral("奥'布莱恩") + CR + "-2" + CR + "f");
    EXPECT_EQ(M->CpTiles.State(1, 1), 3);
    M->Sell_Cp_Mx_Cxtj->SetText(QStringLiteral("'"));
    EXPECT_EQ(M->CpTiles.Id(1, 1), 9302);
    M->Sell_Cp_Mx_Cxtj->SetText(QStringLiteral("ysfd"));
    EXPECT_EQ(M->CpTiles.Id(1, 1), 0);

    // Keeping a product selected on reload; an unknown one goes to the first row.
    M->LoadProducts(QStringLiteral("203"));
    EXPECT_EQ(Products()->FieldByName(QStringLiteral("id")).AsString(), QStringLiteral("203"));
    EXPECT_EQ(M->Sell_Cp_Dh_All->Caption(), QStringLiteral("所有(5)"));
    M->LoadProducts(QStringLiteral("999"));
    EXPECT_EQ(Products()->RecNo(), 1);
    GrabToFile(M, TestFile(QStringLiteral("mainlists_products.png")));
}

TEST_F(MainListsTest, TouchingATileGivesItsLineToTheWeighing)
{
    TouchOrder(QStringLiteral("T-2"));
    M->Sell_StringGrid1->SetTag(0);
    const TRect r = M->Sell_StringGrid1->CellRect(2, 1);
    ASSERT_FALSE(r.IsEmpty());
    Click(M->Sell_StringGrid1, Point(r.Left + 10, r.Top + 10));
    EXPECT_EQ(M->Sell_StringGrid1->Tag(), 9202);
    // An empty tile does nothing.
    const TRect e = M->Sell_StringGrid1->CellRect(1, 2);
    ASSERT_FALSE(e.IsEmpty());
    Click(M->Sell_StringGrid1, Point(e.Left + 10, e.Top + 10));
    EXPECT_EQ(M->Sell_StringGrid1->Tag(), 9202);
}

TEST_F(MainListsTest, OrderRowsAreRedWhenFinishedGreenWhenPartlyBlackOtherwise)
{
    // At the designed size: a screen smaller than the design shrinks the font.
    M->Sell_Dh->Font()->SetSize(12);
    ProcessEvents(10);
    const QImage img = Grab(M->Sell_Dh);
    img.save(TestFile(QStringLiteral("mainlists_orders.png")));
    const TRect bounds = Rect(0, 0, img.width(), img.height());
    auto visible = [&bounds](TRect R) {
        R.Left += 1; // beside the indicator column's dark edge
        R.Right = std::min(R.Right, bounds.Right);
        R.Bottom = std::min(R.Bottom, bounds.Bottom);
        return R;
    };
    QStringList dh = OrderNumbers();
    for (int row = 1; row <= dh.size(); ++row) {
        // The customer-code column, away from the current (lime) row.
        if (row == Orders()->RecNo())
            continue;
        const TRect r = visible(M->Sell_Dh->CellRect(1, row));
        ASSERT_GT(r.Width(), 10);
        const int red = CountColour(img, r, Reddish), green = CountColour(img, r, Greenish),
                  dark = CountColour(img, r, Darkish);
        const QString n = dh[row - 1];
        if (n == QLatin1String("T-3")) {
            EXPECT_GT(red, 10) << n.toStdString();
            EXPECT_EQ(dark, 0) << n.toStdString();
        } else if (n == QLatin1String("T-2")) {
            EXPECT_GT(green, 10) << n.toStdString();
            EXPECT_EQ(red, 0) << n.toStdString();
        } else {
            EXPECT_GT(dark, 10) << n.toStdString();
            EXPECT_EQ(red + green, 0) << n.toStdString();
        }
    }
    // The current row is lime.
    const TRect cur = visible(M->Sell_Dh->CellRect(1, Orders()->RecNo()));
    EXPECT_EQ(img.pixelColor(cur.Right - 2, cur.Bottom - 2), QColor(0, 255, 0));
    EXPECT_FALSE(M->IsFinishedOrder(QStringLiteral("9001")));
    EXPECT_FALSE(M->IsPartlyOrder(QStringLiteral("9001")));
    EXPECT_FALSE(M->IsFinishedOrder(QStringLiteral("900")));
}

TEST_F(MainListsTest, FunctionKeysWarnWithoutAnOrder)
{
    {
        // With an order selected, F5 opens its details instead of warning.
        TModalAnswerer answers;
        Key(Qt::Key_F5);
        EXPECT_TRUE(answers.Texts.isEmpty());
        EXPECT_TRUE(Sell_Mingx->Visible());
        EXPECT_FALSE(M->Enabled());
        Sell_Mingx->Close();
        ProcessEvents(20);
        EXPECT_TRUE(M->Enabled());
        ASSERT_TRUE(ShowAndActivate(M));
    }
    M->DateTimePicker1->SetDate(EncodeDate(2031, 1, 1));
    M->DateTimePicker1Change(M->DateTimePicker1);
    EXPECT_EQ(M->Sell_Dh_All->Caption(), QStringLiteral("所有(0)"));
    EXPECT_EQ(M->Sell_Cp_Dh_All->Caption(), QStringLiteral("所有(0)"));
    // An empty list: the line routines show nothing.
    M->Sell_DhCellClick(nullptr);
    EXPECT_EQ(M->SellTiles.Id(1, 1), 0);
    TModalAnswerer answers;
    // Each box takes the window's focus; the next key goes to the window again.
    for (int key : {Qt::Key_F5, Qt::Key_F3, Qt::Key_F1}) {
        ASSERT_TRUE(ShowAndActivate(M));
        Key(key);
    }
    M->Button5Click(M->Button5);
    ASSERT_EQ(answers.Texts.size(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(answers.Texts[i], QStringLiteral("请选择本次操作的对应客户单号!"));
        EXPECT_EQ(answers.Captions[i], QStringLiteral("提示!"));
    }
}

TEST_F(MainListsTest, AnEmptyListShowsNoRow)
{
    // Pixels of a selected row: the grid's highlight or the station's lime.
    auto selectedPixels = [](const QImage &Img) {
        const QColor navy = Rgb(clHighlight), lime(0, 255, 0);
        int n = 0;
        for (int y = 0; y < Img.height(); ++y)
            for (int x = 0; x < Img.width(); ++x)
                n += Img.pixelColor(x, y) == navy || Img.pixelColor(x, y) == lime ? 1 : 0;
        return n;
    };
    for (TDBGrid *g : {M->Sell_Dh, M->Sell_Cp_Dh}) {
        M->DateTimePicker1->SetDate(EncodeDate(2030, 5, 6));
        M->DateTimePicker1Change(M->DateTimePicker1);
        M->PageControl1->SetActivePage(g == M->Sell_Dh ? M->TabSheet1 : M->TabSheet2);
        ProcessEvents(10);
        ASSERT_TRUE(Focus(g));
        EXPECT_GT(selectedPixels(Grab(g)), 100) << g->Name().toStdString();
        M->DateTimePicker1->SetDate(EncodeDate(2031, 1, 1));
        M->DateTimePicker1Change(M->DateTimePicker1);
        ProcessEvents(10);
        const QImage empty = Grab(g);
        GrabToFile(g, TestFile(QStringLiteral("mainlists_empty_%1.png").arg(g->Name())));
        EXPECT_EQ(selectedPixels(empty), 0) << g->Name().toStdString();
        // Below the titles only the grid's own colour: no blank row, no lines.
        const QColor back = Rgb(g->Color());
        int other = 0;
        for (int y = g->CellRect(1, 0).Bottom + 4; y < empty.height() - 4; ++y)
            for (int x = 4; x < empty.width() - 4; ++x)
                other += empty.pixelColor(x, y) != back ? 1 : 0;
        EXPECT_EQ(other, 0) << g->Name().toStdString();
    }
}

TEST_F(MainListsTest, MouseWheelScrollsTheFocusedGridOnly)
{
    ASSERT_TRUE(Focus(M->Sell_Dh));
    Orders()->First();
    TMsg msg;
    msg.message = WM_MOUSEWHEEL;
    msg.hwnd = M->Sell_Dh->Handle();
    msg.wParam = quintptr(quint16(qint16(-120))) << 16;
    bool handled = false;
    M->ApplicationMessage(msg, handled);
    EXPECT_TRUE(handled);
    EXPECT_EQ(Orders()->RecNo(), 2);
    msg.wParam = quintptr(quint16(qint16(120))) << 16;
    handled = false;
    M->ApplicationMessage(msg, handled);
    EXPECT_EQ(Orders()->RecNo(), 1);
    // Not the focused control, or not a grid: the message passes.
    msg.hwnd = M->Sell_Cp_Dh->Handle();
    handled = false;
    M->ApplicationMessage(msg, handled);
    EXPECT_FALSE(handled);
    ASSERT_TRUE(Focus(M->Sell_Dh_Cxtj));
    msg.hwnd = M->Sell_Dh_Cxtj->Handle();
    M->ApplicationMessage(msg, handled);
    EXPECT_FALSE(handled);
    msg.message = WM_LBUTTONDOWN;
    msg.hwnd = M->Sell_Dh->Handle();
    M->ApplicationMessage(msg, handled);
    EXPECT_FALSE(handled);
}

TEST_F(MainListsTest, WholeOrdersOfAGroup)
{
    Station.Sql(QStringLiteral("UPDATE sys_jhdh SET zzl=50.5 WHERE id=9005"));
    // The group list has no statement of its own in the station; give it one.
    TADOQuery *groups = DataCenter->L_Sell_Lx_Query;
    groups->SQL()->SetText(QStringLiteral("select 1 as id,'西线' as fenlmc"));
    groups->Open();
    M->Sell_Lx_GrideCellClick(nullptr);
    EXPECT_TRUE(M->Sell_Lx_No->Checked());
    EXPECT_EQ(M->Lx_StringGrid1->Cells(1, 1), QStringLiteral("T-2") + CR + QStringLiteral("演示食堂") + CR + "B2");
    EXPECT_EQ(M->LxTiles.State(1, 1), 2);
    EXPECT_EQ(M->LxTiles.Id(1, 1), 9002);
    EXPECT_EQ(M->LxTiles.Id(2, 1), 0);
    EXPECT_EQ(M->Sell_Lx_No->Caption(), QStringLiteral("未过磅(1)"));
    EXPECT_EQ(M->Sell_Lx_Over->Caption(), QStringLiteral("已过磅(1)"));
    EXPECT_EQ(M->Sell_Lx_All->Caption(), QStringLiteral("所有(2)"));
    M->Sell_Lx_Over->SetChecked(true);
    EXPECT_EQ(M->Lx_StringGrid1->Cells(1, 1), QStringLiteral("T-5") + CR + QStringLiteral("演示食堂") + CR + "50.5");
    EXPECT_EQ(M->LxTiles.State(1, 1), 1);
    M->Sell_Lx_All->SetChecked(true);
    M->Sell_Lx_Cxtj->SetText(QStringLiteral("T-'"));
    EXPECT_EQ(M->LxTiles.Id(1, 1), 0);
    M->Sell_Lx_Cxtj->SetText(QStringLiteral("T-"));
    EXPECT_EQ(M->LxTiles.Id(2, 1), 9005);
}

TEST_F(MainListsTest, DownloadReloadsTheListsThroughTheSyncHost)
{
    Station.Sql(QStringLiteral("INSERT INTO sys_jhdh (id, dh, dhrq, unit, lx) VALUES (9006, 'T-6', '2030-05-06', 101, 2)"));
    ASSERT_TRUE(bool(SyncHost.ReloadOrders));
    ASSERT_TRUE(bool(SyncHost.ReloadProducts));
    SyncHost.ReloadOrders();
    EXPECT_EQ(M->Sell_Dh_All->Caption(), QStringLiteral("所有(5)"));
    GrabToFile(M, TestFile(QStringLiteral("mainlists_main.png")));
}

TEST_F(MainListsTest, WindowRescaledOnceToTheScreen)
{
    const int w = Screen->Width(), h = Screen->Height();
    ASSERT_GT(w, 0);
    if (const char *asked = std::getenv("STATION_TEST_SCREEN")) {
        ASSERT_EQ(QStringLiteral("%1x%2").arg(w).arg(h), QString::fromLatin1(asked));
    }
    // Whatever the screen, no text of the window is below 9 points.
    for (int i = 0; i < M->ComponentCount(); ++i) {
        TComponent *c = M->Components(i);
        PPropInfo prop = GetPropInfo(c, u"Font");
        if (!prop || prop->Kind() != tkClass)
            continue;
        if (auto *font = dynamic_cast<TFont *>(GetObjectProp(c, prop))) {
            EXPECT_GE(font->Size(), 9) << c->Name().toStdString();
        }
    }
    if (w == 1680 && h == 1050) {
        EXPECT_EQ(M->XScale(), 1.0);
        EXPECT_EQ(M->YScale(), 1.0);
        EXPECT_TRUE(M->DesignBounds().empty());
        EXPECT_EQ(M->m_zhongzl->Font()->Size(), 18);
        return;
    }
    const double x = w / 1680.0, y = h / 1050.0, f = std::min(x, y);
    EXPECT_DOUBLE_EQ(M->XScale(), x);
    EXPECT_DOUBLE_EQ(M->YScale(), y);
    EXPECT_FALSE(M->Scaled());
    // One factor for every font, none below 9 points.
    EXPECT_EQ(M->m_zhongzl->Font()->Size(), std::max(9, Round(18 * f)));
    EXPECT_EQ(M->Sell_Dh->Font()->Size(), std::max(9, Round(12 * f)));
    EXPECT_EQ(M->Label_Blue->Font()->Size(), std::max(9, Round(11 * f)));
    EXPECT_EQ(M->ScaledFontSize(14), std::max(9, Round(14 * f)));
    // The client-aligned page control fills what is left of the window.
    EXPECT_EQ(M->PageControl1->Width(), M->ClientWidth());
    EXPECT_EQ(M->PageControl1->Top(), M->TopPanel->Height());
    ASSERT_FALSE(M->DesignBounds().empty());
    EXPECT_EQ(M->DesignBounds()[0].Right - M->DesignBounds()[0].Left, 1680);
    EXPECT_EQ(M->DesignBounds()[0].Bottom - M->DesignBounds()[0].Top, 1050);
    // An unaligned control: each edge by its own axis.
    EXPECT_EQ(M->Sell_StringGrid1->Left(), Round(474 * x));
    EXPECT_EQ(M->Sell_StringGrid1->Width(), Round((474 + 1190) * x) - Round(474 * x));
    EXPECT_EQ(M->Sell_StringGrid1->Top(), Round(52 * y));
    EXPECT_EQ(M->Sell_StringGrid1->Height(), Round((52 + 740) * y) - Round(52 * y));
    // An auto-sized label keeps the width its scaled text needs: nothing is cut.
    {
        QImage scratch(1, 1, QImage::Format_RGB32);
        TCanvas c(&scratch);
        c.Font()->Assign(M->Label_Blue->Font());
        EXPECT_GE(M->Label_Blue->Width(), c.TextWidth(M->Label_Blue->Caption()));
    }
    // The top row's texts are whole at their fonts, and its controls do not overlap.
    {
        QImage scratch(1, 1, QImage::Format_RGB32);
        TCanvas c(&scratch);
        auto text = [&c](TFont *Font, const QString &S) {
            c.Font()->Assign(Font);
            return c.TextWidth(S);
        };
        for (TToolButton *b : {M->ToolButton1, M->ToolButton2, M->ToolButton4, M->ToolButton6})
            EXPECT_GE(b->Width(), text(b->Font(), b->Caption())) << b->Name().toStdString();
        EXPECT_GE(M->ToolBar1->Width(), M->ToolButton6->Left() + M->ToolButton6->Width());
        EXPECT_GE(M->m_stopread->Width(), text(M->m_stopread->Font(), M->m_stopread->Caption()));
        EXPECT_GE(M->m_qup->Width(), text(M->m_qup->Font(), M->m_qup->Items()->Strings(0)) + 20);
        const std::vector<TControl *> row{M->Label_Date, M->DateTimePicker1, M->Label_Caozy, M->caozy};
        for (size_t i = 0; i + 1 < row.size(); ++i)
            EXPECT_LE(row[i]->Left() + row[i]->Width(), row[i + 1]->Left()) << row[i]->Name().toStdString() << i;
    }
    // Grid rows scale with the grid.
    EXPECT_EQ(M->Sell_StringGrid1->RowHeights(1), Round(120 * y));
    // A second call changes nothing.
    const int left = M->Sell_Dh->Left();
    M->AdaptToScreen(1280, 1024);
    EXPECT_EQ(M->Sell_Dh->Left(), left);
    EXPECT_DOUBLE_EQ(M->XScale(), x);
}

TEST_F(MainListsTest, TilesAreScaledLikeTheOtherTextsAndReadable)
{
    TouchOrder(QStringLiteral("T-1"));
    ASSERT_EQ(M->SellTiles.State(1, 1), 2);
    ProcessEvents(10);
    TStringGrid *g = M->Sell_StringGrid1;
    const QImage shot = Grab(g);
    GrabToFile(M, TestFile(QStringLiteral("mainlists_tiles_%1x%2.png").arg(Screen->Width()).arg(Screen->Height())));
    const TRect r = g->CellRect(1, 1);
    ASSERT_FALSE(r.IsEmpty());
    // Grab and cell coordinates differ by the grid's frame.
    const QPoint frame = static_cast<QAbstractScrollArea *>(g->Widget())->viewport()->mapTo(g->Widget(), QPoint());
    const QRect tile(r.Left + frame.x(), r.Top + frame.y(), r.Width(), r.Height());
    // An unweighed tile is light blue, its text black and legible on it.
    EXPECT_EQ(shot.pixelColor(tile.left() + 3, tile.top() + 3), QColor(51, 153, 255));
    auto luminance = [](QColor C) {
        auto lin = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * lin(C.redF()) + 0.7152 * lin(C.greenF()) + 0.0722 * lin(C.blueF());
    };
    double darkest = 1;
    int left = tile.right(), right = tile.left(), top = tile.bottom();
    for (int y = tile.top(); y < tile.bottom(); ++y)
        for (int x = tile.left(); x < tile.right(); ++x) {
            const QColor p = shot.pixelColor(x, y);
            darkest = std::min(darkest, luminance(p));
            if (Darkish(p) && y <= top + 30) {
                top = std::min(top, y);
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    EXPECT_GE((luminance(QColor(51, 153, 255)) + 0.05) / (darkest + 0.05), 7.0);
    // The first line (the product's name) is as wide as the scaled font inks it
    // on the tile's colour.
    QImage scratch(200, 60, QImage::Format_RGB32);
    scratch.fill(QColor(51, 153, 255));
    TCanvas c(&scratch);
    c.Font()->Assign(g->Font());
    c.Font()->SetSize(M->ScaledFontSize(14));
    c.Brush()->SetStyle(bsClear);
    c.TextOut(10, 10, QStringLiteral("大白菜"));
    int inkLeft = scratch.width(), inkRight = 0;
    for (int y = 0; y < scratch.height(); ++y)
        for (int x = 0; x < scratch.width(); ++x)
            if (Darkish(scratch.pixelColor(x, y))) {
                inkLeft = std::min(inkLeft, x);
                inkRight = std::max(inkRight, x);
            }
    const int want = inkRight - inkLeft + 1;
    EXPECT_NEAR(right - left + 1, want, 3) << "font " << M->ScaledFontSize(14);
}

TEST_F(MainListsTest, EveryListHeaderFitsItsColumn)
{
    // Two walk-in orders of one customer and the demo data's downloaded ones
    // among the day's orders: the operator tells them apart by number.
    QString dh;
    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(CreateStationOrder(QStringLiteral("2030-05-06"), 101, QStringLiteral("演示"), dh));
    ASSERT_EQ(dh, QStringLiteral("CS300506002"));
    LocalRun(QStringLiteral("update sys_jhdh set dhrq='2030-05-06' where dh like 'DEMO-%'"), {});
    M->LoadOrders(QString());
    ASSERT_TRUE(OrderNumbers().contains(QStringLiteral("DEMO-0001")));
    ProcessEvents(10);
    GrabToFile(M, TestFile(QStringLiteral("mainlists_orders_%1x%2.png").arg(Screen->Width()).arg(Screen->Height())));
    QImage scratch(1, 1, QImage::Format_RGB32);
    TCanvas c(&scratch);
    for (TDBGrid *g : {M->Sell_Dh, M->Sell_Cp_Dh, M->Sell_Lx_Gride}) {
        c.Font()->Assign(g->Font());
        int right = g->ColWidths(0);
        for (int i = 0; i < g->Columns()->Count(); ++i) {
            TColumn *col = g->Columns()->Items(i);
            // The title is drawn 2 pixels in and needs as much room on its right.
            EXPECT_LE(c.TextWidth(col->Title()->Caption()) + 4, col->Width()) << g->Name().toStdString() << ' ' << i;
            // So does every order number in its cell, on the station's screens.
            if (col->FieldName() == QStringLiteral("dh") && Screen->Width() >= 1024) {
                TADOQuery *q = g->DataSource()->DataSet();
                ASSERT_GE(q->RecordCount(), 7);
                for (q->First(); !q->Eof(); q->Next()) {
                    const QString text = q->FieldByName(QStringLiteral("dh")).AsString();
                    EXPECT_LE(c.TextWidth(text) + 4, col->Width()) << text.toStdString();
                }
            }
            right += col->Width();
        }
        // And the columns stay inside the grid.
        EXPECT_LE(right, g->ClientWidth()) << g->Name().toStdString();
    }
}

// The screen adaptation at the sizes the station meets, each in a process
// of its own on a virtual screen of that size.
TEST(ScreenAdaptation, AtTheStationsScreenSizes)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const QSize size : {QSize(1680, 1050), QSize(1280, 1024), QSize(1024, 768)}) {
        const QString name = QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
        QFile config(dir.filePath(name + QStringLiteral(".json")));
        ASSERT_TRUE(config.open(QIODevice::WriteOnly));
        config.write(QStringLiteral(R"({"screens":[{"name":"station","x":0,"y":0,"width":%1,"height":%2,)"
                                    R"("logicalDpi":96,"logicalBaseDpi":96,"dpr":1}]})")
                         .arg(size.width())
                         .arg(size.height())
                         .toUtf8());
        config.close();
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen:configfile=") + config.fileName());
        env.insert(QStringLiteral("STATION_TEST_SCREEN"), name);
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=MainListsTest.WindowRescaledOnceToTheScreen:"
                                    "MainListsTest.TilesAreScaledLikeTheOtherTextsAndReadable:"
                                    "MainListsTest.EveryListHeaderFitsItsColumn:"
                                    "StationTiles.EveryTileAndColumnStaysOnTheScaledScreen")});
        ASSERT_TRUE(child.waitForFinished(180000)) << name.toStdString();
        const QString out = QString::fromUtf8(child.readAll());
        EXPECT_EQ(child.exitCode(), 0) << name.toStdString() << "\n" << out.toStdString();
        EXPECT_TRUE(out.contains(QStringLiteral("[  PASSED  ] 4 tests."))) << name.toStdString();
    }
}

TEST_F(MainListsTest, TilesAndButtonsOpenTheirDialogsWithTheWindowDisabled)
{
    Application->CreateForm(sell_dh_input);
    Application->CreateForm(Sell_Dh_Qup);
    Application->CreateForm(Sell_Mingx);
    TouchOrder(QStringLiteral("T-2"));
    const TRect r = M->Sell_StringGrid1->CellRect(1, 1);
    Click(M->Sell_StringGrid1, Point(r.Left + 10, r.Top + 10));
    EXPECT_EQ(M->Sell_StringGrid1->Tag(), 9201);
    EXPECT_FALSE(M->Enabled());
    EXPECT_TRUE(sell_dh_input->Visible());
    EXPECT_FALSE(Sell_Dh_Qup->Visible());
    sell_dh_input->Close();
    ProcessEvents(10);
    EXPECT_TRUE(M->Enabled());

    // Any preset but the first weighs by crates.
    M->m_qup->SetItemIndex(1);
    ASSERT_TRUE(ShowAndActivate(M));
    const TRect r2 = M->Sell_StringGrid1->CellRect(2, 1);
    Click(M->Sell_StringGrid1, Point(r2.Left + 10, r2.Top + 10));
    EXPECT_EQ(M->Sell_StringGrid1->Tag(), 9202);
    EXPECT_FALSE(M->Enabled());
    EXPECT_TRUE(Sell_Dh_Qup->Visible());
    Sell_Dh_Qup->Close();
    ProcessEvents(10);
    EXPECT_TRUE(M->Enabled());

    M->Button4Click(M->Button4);
    EXPECT_FALSE(M->Enabled());
    EXPECT_TRUE(Sell_Mingx->Visible());
}

namespace {

TEST_F(MainListsTest, TileQuantitiesAndDifferencesWithoutFloatNoise)
{
    // Sums computed by the database, as repeated weighings leave them.
    Station.Sql(QStringLiteral(
        "INSERT INTO sys_jhdh (id, dh, dhrq, unit, lx, zzl) VALUES (9006, 'T-6', '2030-05-06', 102, 2, 50.1+0.2);"
        "INSERT INTO sys_jhsj (id, dhid, mc, dinghl, songhl, sldw, bz, paix) VALUES "
        "(9601, 9006, 203, 8, 8.2, NULL, 'p1', 1), (9602, 9006, 202, 1, 1.255, NULL, 'p2', 2),"
        "(9603, 9006, 201, 0.1, 0.1+0.2, NULL, 'p3', 3), (9604, 9006, 204, 2.5, 5.25+0.1-0.1, '箱', 'p4', 4),"
        "(9605, 9006, 205, 3.10, NULL, NULL, 'p5', 5), (9606, 9006, 206, 8.2, 8, NULL, 'p6', 6)"));
    M->LoadOrders(QString());
    TouchOrder(QStringLiteral("T-6"));
    Click(M->Sell_Mx_All);
    const QString expected[] = {
        QStringLiteral("猪肉") + CR + "0.2" + CR + "p1",     // 8.2 - 8
        QStringLiteral("土豆") + CR + "0.255" + CR + "p2",   // typed with three decimals
        QStringLiteral("大白菜") + CR + "0.2" + CR + "p3",   // (0.1 + 0.2) - 0.1
        QStringLiteral("黄瓜") + CR + "5.25" + CR + "p4",    // count unit: the weight
        QStringLiteral("牛肉") + CR + "3.1斤" + CR + "p5",   // not weighed: the order
        QStringLiteral("羊肉") + CR + "-0.2" + CR + "p6",    // 8 - 8.2
    };
    for (int c = 1; c <= 6; ++c)
        EXPECT_EQ(M->Sell_StringGrid1->Cells(c, 1), expected[c - 1]) << c;
    // The same on the product page.
    M->PageControl1->SetActivePage(M->TabSheet2);
    M->PageControl1Change(M->PageControl1);
    Click(M->Sell_Cp_Dh_All);
    TouchProduct(QStringLiteral("猪肉"));
    Click(M->Sell_Cp_Mx_Over);
    EXPECT_EQ(M->Sell_Cp_StringGrid1->Cells(1, 1), QStringLiteral("演示食堂") + CR + "0.2" + CR + "p1");
    // And the weighed whole order.
    TADOQuery *groups = DataCenter->L_Sell_Lx_Query;
    groups->SQL()->SetText(QStringLiteral("select 1 as id,'西线' as fenlmc"));
    groups->Open();
    M->Sell_Lx_GrideCellClick(nullptr);
    M->Sell_Lx_Over->SetChecked(true);
    M->Sell_Lx_Cxtj->SetText(QStringLiteral("T-6"));
    EXPECT_EQ(M->Lx_StringGrid1->Cells(1, 1), QStringLiteral("T-6") + CR + QStringLiteral("演示食堂") + CR + "50.3");
}

} // namespace

TEST_F(MainListsTest, OneFunctionKeyPressRunsItsActionOnceAfterAModalBoxTookTheFocus)
{
    M->DateTimePicker1->SetDate(EncodeDate(2031, 1, 1));
    M->DateTimePicker1Change(M->DateTimePicker1);
    // The grid sits several widgets deep: a key it ignores travels up to each
    // of its parents, while the real box has the focus.
    for (TWinControl *at : {static_cast<TWinControl *>(M->Sell_Dh), static_cast<TWinControl *>(M->Sell_Dh_Cxtj)}) {
        ASSERT_TRUE(Focus(at));
        TModalAnswerer answers;
        Key(Qt::Key_F5);
        ProcessEvents(30);
        EXPECT_EQ(answers.Texts.join(QLatin1Char('|')), QStringLiteral("请选择本次操作的对应客户单号!")) << at->Name().toStdString();
        ASSERT_TRUE(ShowAndActivate(M));
    }
    // Through the dialog hook too, and a second press is a press of its own.
    QStringList boxes;
    TScopedDialogHook hook([&boxes](TDialogRequest &R) {
        boxes << R.Text;
        return IDOK;
    });
    ASSERT_TRUE(Focus(M->Sell_Dh));
    Key(Qt::Key_F3);
    Key(Qt::Key_F3);
    EXPECT_EQ(boxes.size(), 2);
}

TEST_F(MainListsTest, AWalkInOrderIsSelectedByItsIdThoughADownloadedOrderHasItsNumber)
{
    // Another station's walk-in came down with the number this station gives
    // its own next: F2 then F3 must book to the new order, not to that one.
    Station.Sql(QStringLiteral("INSERT INTO sys_jhdh (id, dh, dhrq, unit, lx) VALUES (9007, 'CS300506001', '2030-05-06', 101, 2);"
                               "INSERT INTO sys_jhsj (id, dhid, mc, dinghl, paix) VALUES (9701, 9007, 201, 1, 1)"));
    M->Button2Click(M->Button2);
    ASSERT_TRUE(Sell_Add_Keh->Visible());
    int customer = 0;
    while (Sell_Add_Keh->CustomerIdAt(customer) != 102)
        ASSERT_LT(++customer, Sell_Add_Keh->Keh_mc->Items()->Count());
    Sell_Add_Keh->Keh_mc->SetItemIndex(customer);
    Sell_Add_Keh->Keh_mcDblClick(Sell_Add_Keh->Keh_mc);
    const QString mine = DataCenter->LocalOpen(QStringLiteral("select id from sys_jhdh where unit=102 and local_dh=1"))
                             ->Fields(0).AsString();
    const Variant mineId(mine.toLongLong());
    ASSERT_EQ(DataCenter->LocalOpen(QStringLiteral("select dh from sys_jhdh where id=?"), {mineId})->Fields(0).AsString(),
              QStringLiteral("CS300506001"));
    EXPECT_EQ(Orders()->FieldByName(QStringLiteral("id")).AsString(), mine);

    ASSERT_TRUE(ShowAndActivate(M));
    M->Button3Click(M->Button3);
    ASSERT_TRUE(Sell_Add_Cp->Visible());
    Sell_Add_Cp->Cp_mc->SetItemIndex(1);
    Sell_Add_Cp->Cp_mcClick(Sell_Add_Cp->Cp_mc);
    Sell_Add_Cp->zzl->SetText(QStringLiteral("1.5"));
    Sell_Add_Cp->Button1Click(Sell_Add_Cp->Button1);
    EXPECT_EQ(DataCenter->LocalOpen(QStringLiteral("select group_concat(dhid||':'||mc||':'||ifnull(songhl,'-'),' ') from "
                                                   "(select * from sys_jhsj where dhid in (9007,?) order by id)"),
                                    {mineId})
                  ->Fields(0).AsString(),
              mine + QStringLiteral(":202:1.5 9007:201:-"));
}

TEST_F(MainListsTest, TheByProductPageShowsWhatTheDatabaseHoldsWhenSwitchedTo)
{
    M->PageControl1->SetActivePage(M->TabSheet2);
    M->PageControl1Change(M->PageControl1);
    TouchProduct(QStringLiteral("土豆"));
    EXPECT_EQ(M->Sell_Cp_Mx_No->Caption(), QStringLiteral("未配(4)"));
    EXPECT_EQ(Products()->FieldByName(QStringLiteral("songhl")).AsString(), QStringLiteral("8"));
    // Back to the customers' page (as Ctrl+Tab does), where a line of 土豆 is weighed.
    M->PageControl1->SelectNextPage(false);
    ASSERT_EQ(M->PageControl1->ActivePage(), M->TabSheet1);
    TouchOrder(QStringLiteral("T-2"));
    M->m_zhongzl->SetText(QStringLiteral("2.5"));
    M->Sell_StringGrid1->SetTag(9202);
    OpenLineWeighing();
    ASSERT_TRUE(sell_dh_input->Visible());
    Click(sell_dh_input->Button13);
    M->PageControl1->SelectNextPage(true);
    ASSERT_EQ(M->PageControl1->ActivePage(), M->TabSheet2);
    EXPECT_EQ(Products()->FieldByName(QStringLiteral("mc")).AsString(), QStringLiteral("土豆"));
    EXPECT_EQ(Products()->FieldByName(QStringLiteral("songhl")).AsString(), QStringLiteral("10.5"));
    EXPECT_EQ(M->Sell_Cp_Mx_No->Caption(), QStringLiteral("未配(3)"));
}
