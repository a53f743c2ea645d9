// Station orders and added lines, the details windows and their deletions,
// driven through the dialogs with a stand-in main window.
#include "Dialogs.h"
#include "FormHarness.h"
#include "Sell_Add_Cp_Code.h"
#include "Sell_Add_Keh_Code.h"
#include "Sell_CpMingx_Code.h"
#include "Sell_Host.h"
#include "Sell_Mingx_Code.h"
#include "StationFixture.h"
#include "datacenter_code.h"
#include <gtest/gtest.h>
#include <memory>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>

using namespace FormHarness;

namespace {

// 2024-05-01: order 7001 (customer 101) with a downloaded line 7101 weighed
// twice (10/1 and 15/1, a third record deleted), a downloaded line 7102 not
// weighed and a line 7099 added at the station (5/0.5); order 7002 (customer
// 102) with line 7201 of product 201 weighed once (8/0). The demo orders go:
// the ids made here then start at -1.
const char *DayRows = R"SQL(
DELETE FROM sys_jhsj; DELETE FROM sys_jhdh;
INSERT INTO sys_jhdh (id, dh, dhrq, unit, lx) VALUES (7001, 'T-1', '2024-05-01', 101, 2), (7002, 'T-2', '2024-05-01', 102, 2),
  (7003, 'T-3', '2024-05-01', 102, 2);
INSERT INTO sys_jhsj (id, dhid, mc, dinghl, songhl, dj, shisje, bz, paix, local_jhsj) VALUES
  (7101, 7001, 201, 20, 23, 1.2, 27.6, '少放', 1, NULL), (7102, 7001, 203, 10, NULL, 13.8, NULL, NULL, 2, NULL),
  (7099, 7001, 202, 4.5, 4.5, 1.5, 6.75, NULL, 3, 1), (7201, 7002, 201, 8, 8, 1.1, 8.8, NULL, 1, NULL);
INSERT INTO sys_jhsj_mx (id, jhsj_id, zhongzl, qup, delete_yes) VALUES
  (1, 7101, 10, 1, NULL), (2, 7101, 15, 1, NULL), (3, 7101, 40, 0, 1), (4, 7099, 5, 0.5, NULL), (5, 7201, 8, 0, NULL);
)SQL";

// Records the message boxes and answers them (OK unless told otherwise).
struct Boxes {
    QStringList Texts;
    QStringList Captions;
    QList<int> Answers;
    TScopedDialogHook Hook{[this](TDialogRequest &R) {
        Texts << R.Text;
        Captions << R.Caption;
        return Answers.isEmpty() ? int(IDOK) : Answers.takeFirst();
    }};
};

class ManualOrdersTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Application->Initialize();
        Station = std::make_unique<StationFolder>(WithDemo());
        if (WithDemo())
            Station->Sql(QString::fromUtf8(DayRows));
        Data = std::make_unique<TDataCenter>(nullptr);
        Main = std::make_unique<TForm>(nullptr);
        SellHost.MainForm = Main.get();
        SellHost.WorkDate = [] { return QStringLiteral("2024-05-01"); };
        SellHost.OperatorName = [] { return QStringLiteral("O'Neil 张"); };
        SellHost.CurrentOrderId = [this] { return OrderId; };
        SellHost.CurrentProductId = [this] { return ProductId; };
        SellHost.ScaleRead = [this] { return ScaleOn; };
        SellHost.ScaleWeight = [this] { return Weight; };
        SellHost.ShowNewOrder = [this](qint64 Id) { NewOrders << QString::number(Id); };
        SellHost.ShowAllocatedLines = [this] { ++AllocatedShown; };
        SellHost.ReloadTiles = [this] { ++TileReloads; };
        SellHost.ReloadLists = [this] { ++ListReloads; };
    }

    void TearDown() override
    {
        SellHost = TSellHost();
        Main.reset();
        Data.reset();
        Station.reset();
    }

    virtual bool WithDemo() const { return true; }

    QString Local(const QString &Select, const QList<Variant> &Params = {})
    {
        auto q = Data->LocalOpen(Select, Params);
        return q->IsEmpty() ? QStringLiteral("<none>") : q->Fields(0).AsString();
    }

    // The first row's fields as the station reads them, joined by '|'.
    QString Row(const QString &Select, const QList<Variant> &Params = {})
    {
        auto q = Data->LocalOpen(Select, Params);
        if (q->IsEmpty())
            return QStringLiteral("<none>");
        QStringList f;
        for (int i = 0; i < q->FieldCount(); ++i)
            f << q->Fields(i).AsString();
        return f.join(QLatin1Char('|'));
    }

    // Makes every insert into Table fail: the table becomes a view of itself.
    void BreakInserts(const QString &Table)
    {
        Station->Sql(QStringLiteral("alter table %1 rename to %1_old; create view %1 as select * from %1_old").arg(Table));
    }

    // Opens a dialog as the main window does: main disabled first.
    void Open(TForm *Dialog)
    {
        Main->SetEnabled(false);
        ASSERT_TRUE(ShowAndActivate(Dialog));
    }

    std::unique_ptr<StationFolder> Station;
    std::unique_ptr<TDataCenter> Data;
    std::unique_ptr<TForm> Main;
    int OrderId = 7001;
    int ProductId = 201;
    bool ScaleOn = true;
    QString Weight = QStringLiteral("12.5");
    QStringList NewOrders;
    int AllocatedShown = 0;
    int TileReloads = 0;
    int ListReloads = 0;
};

class EmptyStationTest : public ManualOrdersTest
{
protected:
    bool WithDemo() const override { return false; }
};

} // namespace

// ---- order numbers and ids ----------------------------------------------------------

TEST(StationOrderNumber, DateAndSequence)
{
    struct Case {
        const char *Date, *Last, *Number;
    };
    const Case cases[] = {
        {"2024-05-01", "006", "CS240501007"}, {"2024-05-01", "007", "CS240501008"},
        {"2024-05-01", "", "CS240501001"},    {"2024-05-01", "999", "CS240501000"},
        {"2024-05-01", "099", "CS240501100"}, {"2031-12-09", "041", "CS311209042"},
        {"2024-05-01", "ab", "CS240501001"},  {"2000-01-31", "000", "CS000131001"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(StationOrderNumber(QString::fromLatin1(c.Date), QString::fromLatin1(c.Last)), QString::fromLatin1(c.Number))
            << c.Date << " " << c.Last;
}

TEST_F(EmptyStationTest, FirstOrderOnAnEmptyTableIsMinusOneThenCountsDown)
{
    QString dh;
    ASSERT_TRUE(CreateStationOrder(QStringLiteral("2024-05-01"), 101, QStringLiteral("O'Neil"), dh));
    EXPECT_EQ(dh, QStringLiteral("CS240501001"));
    EXPECT_EQ(Local(QStringLiteral("select id||'|'||dh||'|'||dhrq||'|'||unit||'|'||lx||'|'||lury||'|'||local_dh from sys_jhdh")),
              QStringLiteral("-1|CS240501001|2024-05-01|101|2|O'Neil|1"));
    // The sequence runs on from the newest station order, whatever its date.
    ASSERT_TRUE(CreateStationOrder(QStringLiteral("2024-05-02"), 102, QStringLiteral("x"), dh));
    EXPECT_EQ(dh, QStringLiteral("CS240502002"));
    EXPECT_EQ(Local(QStringLiteral("select id from sys_jhdh where dh=?"), {Variant(dh)}), QStringLiteral("-2"));
}

TEST_F(ManualOrdersTest, StationOrderIdsAndSequenceFollowTheTable)
{
    // Newest station order ends in 007 (smallest id); the next is 008, id one below.
    Station->Sql(QStringLiteral("insert into sys_jhdh (id,dh,dhrq,unit,lx,local_dh) values (-5,'CS240430007','2024-04-30',101,2,1)"));
    QString dh;
    ASSERT_TRUE(CreateStationOrder(QStringLiteral("2024-05-01"), 101, QStringLiteral("op"), dh));
    EXPECT_EQ(dh, QStringLiteral("CS240501008"));
    EXPECT_EQ(Local(QStringLiteral("select id from sys_jhdh where dh=?"), {Variant(dh)}), QStringLiteral("-6"));
    // An order of another kind holding the next id is not overwritten.
    Station->Sql(QStringLiteral("insert into sys_jhdh (id,dh,dhrq,unit,lx) values (-7,'K1','2024-05-01',101,1);"
                                "insert into sys_jhdh (id,dh,dhrq,unit,lx) values (-20,'K2','2024-05-01',101,1)"));
    ASSERT_TRUE(CreateStationOrder(QStringLiteral("2024-05-01"), 102, QStringLiteral("op"), dh));
    EXPECT_EQ(dh, QStringLiteral("CS240501009"));
    EXPECT_EQ(Local(QStringLiteral("select id from sys_jhdh where dh=?"), {Variant(dh)}), QStringLiteral("-21"));
    EXPECT_EQ(Local(QStringLiteral("select dh from sys_jhdh where id=-7")), QStringLiteral("K1"));
}

TEST_F(ManualOrdersTest, AFailedOrderInsertWritesNothingAndSaysSo)
{
    BreakInserts(QStringLiteral("sys_jhdh"));
    QString dh = QStringLiteral("unchanged");
    EXPECT_FALSE(CreateStationOrder(QStringLiteral("2024-05-01"), 101, QStringLiteral("op"), dh));
    EXPECT_EQ(dh, QStringLiteral("unchanged"));
    EXPECT_FALSE(Data->L_ADOConnection1->InTransaction());

    TSell_Add_Keh dialog(nullptr);
    Open(&dialog);
    Boxes boxes;
    dialog.Keh_mc->SetItemIndex(0);
    dialog.Keh_mcDblClick(dialog.Keh_mc);
    EXPECT_EQ(boxes.Texts, QStringList{QStringLiteral("新增单失败,请重新操作!")});
    EXPECT_EQ(boxes.Captions, QStringList{QStringLiteral("提示!")});
    EXPECT_TRUE(dialog.Visible());
    EXPECT_TRUE(NewOrders.isEmpty());
}

// ---- the new-order dialog -------------------------------------------------------------

TEST_F(ManualOrdersTest, NewOrderDialogListsSearchesAndCreates)
{
    TSell_Add_Keh dialog(nullptr);
    EXPECT_EQ(Sell_Add_Keh, &dialog);
    Open(&dialog);
    EXPECT_EQ(dialog.kehfenl_mc->Items()->Text().remove(QLatin1Char('\r')), QStringLiteral("饭店\n学校食堂\n"));
    EXPECT_EQ(dialog.Keh_mc->Items()->Text().remove(QLatin1Char('\r')), QStringLiteral("演示饭店\n演示食堂\n"));

    ASSERT_TRUE(Focus(dialog.edit1));
    Type(QStringLiteral("ysst"));
    EXPECT_EQ(dialog.Keh_mc->Items()->Text().remove(QLatin1Char('\r')), QStringLiteral("演示食堂\n"));
    // Search text is data, never SQL.
    dialog.edit1->SetText(QStringLiteral("' or 1=1 --"));
    EXPECT_EQ(dialog.Keh_mc->Items()->Count(), 0);
    dialog.edit1->SetText(QString());
    dialog.kehfenl_mc->SetItemIndex(0);
    dialog.kehfenl_mcChange(dialog.kehfenl_mc);
    ASSERT_EQ(dialog.Keh_mc->Items()->Text().remove(QLatin1Char('\r')), QStringLiteral("演示饭店\n"));
    EXPECT_EQ(dialog.CustomerIdAt(0), 101);

    dialog.Keh_mc->SetItemIndex(0);
    dialog.Keh_mcDblClick(dialog.Keh_mc);
    ASSERT_EQ(NewOrders, QStringList{QStringLiteral("-1")});
    // Below zero, though the downloaded orders' ids are all larger.
    EXPECT_EQ(Local(QStringLiteral("select id||'|'||unit||'|'||lury||'|'||local_dh||'|'||dhrq from sys_jhdh where dh='CS240501001'")),
              QStringLiteral("-1|101|O'Neil 张|1|2024-05-01"));
    EXPECT_FALSE(dialog.Visible());
    EXPECT_TRUE(Main->Enabled());
}

TEST_F(ManualOrdersTest, NewOrderDialogClosesWithoutWriting)
{
    TSell_Add_Keh dialog(nullptr);
    const QString before = Local(QStringLiteral("select count(*) from sys_jhdh"));
    Open(&dialog);
    EXPECT_EQ(dialog.Button1->Caption(), QStringLiteral("关闭(Esc)"));
    Click(dialog.Button1);
    EXPECT_FALSE(dialog.Visible());
    EXPECT_TRUE(Main->Enabled());
    Open(&dialog);
    Key(Qt::Key_Escape);
    ProcessEvents();
    EXPECT_FALSE(dialog.Visible());
    EXPECT_TRUE(Main->Enabled());
    // A double click beside the items makes nothing.
    dialog.Keh_mc->SetItemIndex(-1);
    dialog.Keh_mcDblClick(dialog.Keh_mc);
    EXPECT_EQ(Local(QStringLiteral("select count(*) from sys_jhdh")), before);
    EXPECT_TRUE(NewOrders.isEmpty());
}

// ---- the add-product dialog -----------------------------------------------------------

TEST_F(ManualOrdersTest, AddProductTakesTheScalePriceAndAddsLineAndRecord)
{
    TSell_Add_Cp dialog(nullptr);
    Open(&dialog);
    EXPECT_EQ(dialog.Caption(), QStringLiteral("产品选取"));
    EXPECT_TRUE(dialog.Timer1->Enabled());
    EXPECT_EQ(dialog.qp->Text(), QStringLiteral("0"));
    EXPECT_EQ(dialog.Cpfenl_mc->Items()->Text().remove(QLatin1Char('\r')), QStringLiteral("蔬菜\n肉类\n"));
    EXPECT_EQ(dialog.Cp_mc->Items()->Strings(0), QStringLiteral("C001大白菜____斤"));
    EXPECT_EQ(dialog.Cp_mc->Items()->Count(), 3);
    dialog.Timer1->SetEnabled(false); // ticks by hand
    dialog.Timer1Timer(dialog.Timer1);
    EXPECT_EQ(dialog.zzl->Text(), QStringLiteral("12.5"));
    EXPECT_EQ(dialog.jz->Text(), QStringLiteral("12.5"));
    EXPECT_EQ(dialog.je->Text(), QString());

    dialog.edit1->SetText(QStringLiteral("td"));
    ASSERT_EQ(dialog.Cp_mc->Items()->Text().remove(QLatin1Char('\r')), QStringLiteral("C002土豆____斤\n"));
    dialog.Cp_mc->SetItemIndex(0);
    dialog.Cp_mcClick(dialog.Cp_mc);
    EXPECT_EQ(dialog.dj->Text(), QStringLiteral("1.5"));
    EXPECT_EQ(dialog.je->Text(), QStringLiteral("18.75"));
    dialog.qp->SetText(QStringLiteral("0.5"));
    Weight = QStringLiteral("12.7"); // the scale moved; the commit takes what it shows now
    dialog.Button1Click(dialog.Button1);

    EXPECT_EQ(AllocatedShown, 1);
    EXPECT_FALSE(dialog.Visible());
    EXPECT_FALSE(dialog.Timer1->Enabled());
    EXPECT_TRUE(Main->Enabled());
    // Below zero, though the other line ids are all larger; with a key of its own.
    EXPECT_EQ(Row(QStringLiteral("select dhid,mc,dinghl,songhl,dj,local_jhsj,length(upload_key) from sys_jhsj where id=-1")),
              QStringLiteral("7001|202|12.2|12.2|1.5|1|12"));
    EXPECT_NEAR(Local(QStringLiteral("select shisje from sys_jhsj where id=-1")).toDouble(), 18.3, 1e-9);
    EXPECT_EQ(Row(QStringLiteral("select jhsj_id,zhongzl,qup,ifnull(delete_yes,'-') from sys_jhsj_mx "
                                 "where id=(select max(id) from sys_jhsj_mx)")),
              QStringLiteral("-1|12.7|0.5|-"));
}

TEST_F(ManualOrdersTest, AddProductWarningsAndTypedWeighing)
{
    ScaleOn = false;
    TSell_Add_Cp dialog(nullptr);
    Open(&dialog);
    dialog.Timer1->SetEnabled(false);
    const QString lines = Local(QStringLiteral("select count(*) from sys_jhsj"));
    Boxes boxes;
    dialog.Button1Click(dialog.Button1);
    dialog.Cp_mc->SetItemIndex(2); // pork: no price for customer 102
    OrderId = 7002;
    Station->Sql(QStringLiteral("delete from sys_selljg where unitid=102 and cpid=203"));
    dialog.Cp_mcClick(dialog.Cp_mc);
    EXPECT_EQ(dialog.dj->Text(), QStringLiteral("0"));
    dialog.dj->SetText(QString());
    dialog.Button1Click(dialog.Button1);
    EXPECT_EQ(dialog.dj->Text(), QStringLiteral("0"));
    dialog.qp->SetText(QString());
    dialog.Button1Click(dialog.Button1);
    EXPECT_EQ(dialog.qp->Text(), QStringLiteral("0"));
    // Scale not read and no gross typed: nothing to weigh.
    dialog.Button1Click(dialog.Button1);
    EXPECT_EQ(boxes.Texts, (QStringList{QStringLiteral("清选择本次发货产品!"), QStringLiteral("单价不能为空,请重新录入!"),
                                        QStringLiteral("去皮不能为空,请重新录入!"),
                                        QStringLiteral("总重量或去皮不对,本次操作失败,请重新操作!")}));
    for (const QString &c : boxes.Captions)
        EXPECT_EQ(c, QStringLiteral("提示!"));
    EXPECT_EQ(Local(QStringLiteral("select count(*) from sys_jhsj")), lines);
    EXPECT_TRUE(dialog.Visible());

    // Typed by hand: only digits, '.', backspace and Enter reach the fields;
    // Enter in the price commits.
    ASSERT_TRUE(Focus(dialog.zzl));
    Type(QStringLiteral("8a.5x"));
    EXPECT_EQ(dialog.zzl->Text(), QStringLiteral("8.5"));
    dialog.qp->SetText(QStringLiteral("0.5"));
    ASSERT_TRUE(Focus(dialog.dj));
    dialog.dj->SelectAll();
    Type(QStringLiteral("2"));
    Key(Qt::Key_Return);
    ProcessEvents();
    EXPECT_FALSE(dialog.Visible());
    EXPECT_EQ(Row(QStringLiteral("select dhid,mc,dinghl,songhl,dj,shisje from sys_jhsj where id=-1")),
              QStringLiteral("7002|203|8|8|2|16"));
    EXPECT_EQ(Row(QStringLiteral("select zhongzl,qup from sys_jhsj_mx where jhsj_id=-1")), QStringLiteral("8.5|0.5"));
}

TEST_F(ManualOrdersTest, AddProductFailureLeavesNoHalfWrittenLine)
{
    BreakInserts(QStringLiteral("sys_jhsj_mx"));
    TSell_Add_Cp dialog(nullptr);
    Open(&dialog);
    dialog.Timer1->SetEnabled(false);
    dialog.Cp_mc->SetItemIndex(0);
    dialog.Cp_mcClick(dialog.Cp_mc);
    Boxes boxes;
    dialog.Button1Click(dialog.Button1);
    EXPECT_EQ(boxes.Texts, QStringList{QStringLiteral("加品种失败,请重新操作!")});
    EXPECT_EQ(Local(QStringLiteral("select count(*) from sys_jhsj where id<0")), QStringLiteral("0"));
    EXPECT_TRUE(dialog.Visible());
    EXPECT_EQ(AllocatedShown, 0);
    // Closing gives the main window back.
    Click(dialog.Button2);
    EXPECT_TRUE(Main->Enabled());
}

// ---- the details windows --------------------------------------------------------------

namespace {

// One details row as "id|local|line|mc|dw|gg|dinghl|songhl".
QStringList DetailRows(TADOQuery *Q)
{
    QStringList out;
    const int keep = Q->RecNo();
    for (Q->First(); !Q->Eof(); Q->Next()) {
        QStringList f;
        for (const char *n : {"id", "local_jhsj", "sys_jhsj_id", "mc", "dw", "gg", "dinghl", "songhl"})
            f << Q->FieldByName(QString::fromLatin1(n)).AsString();
        out << f.join(QLatin1Char('|'));
    }
    Q->SetRecNo(keep);
    return out;
}

} // namespace

TEST_F(ManualOrdersTest, OrderDetailsShowLinesAndNumberedRecords)
{
    TSell_Mingx dialog(nullptr);
    Open(&dialog);
    EXPECT_EQ(dialog.Caption(), QStringLiteral("订单配货明细查询"));
    TADOQuery *q = Data->L_Sell_Tmp_Query;
    EXPECT_EQ(DetailRows(q), (QStringList{
                                 QStringLiteral("|1|7099|土豆|斤|散装|4.5|4.5"),
                                 QStringLiteral("4|1|7099||1|5|0.5|4.5"),
                                 QStringLiteral("||7101|大白菜|斤|散装|20|23"),
                                 QStringLiteral("1||7101||1|10|1|9"),
                                 QStringLiteral("2||7101||2|15|1|14"),
                                 QStringLiteral("||7102|猪肉|斤|后腿|10|"),
                             }));
    EXPECT_EQ(q->RecNo(), 6);
    // Shown only: the scratch table stays empty.
    EXPECT_EQ(Local(QStringLiteral("select count(*) from sys_print")), QStringLiteral("0"));
    TDBGrid *g = dialog.Sell_Mingx_DBGrid1;
    ASSERT_EQ(g->Columns()->Count(), 6);
    QStringList titles;
    for (int i = 0; i < 6; ++i)
        titles << g->Columns()->Items(i)->Title()->Caption();
    EXPECT_EQ(titles, (QStringList{QStringLiteral("品名"), QStringLiteral("单位/序"), QStringLiteral("规格/总重量"),
                                   QStringLiteral("订货量/去皮"), QStringLiteral("已送量/本次量"), QStringLiteral("备注")}));
    EXPECT_EQ(dialog.N1->Caption(), QStringLiteral("删除所选行配货数据"));
    EXPECT_EQ(dialog.N2->Caption(), QStringLiteral("删除所选新增品种"));

    // Line rows grey, the selected row lime, record rows in black.
    q->SetRecNo(2);
    g->SyncWithDataSet();
    ProcessEvents();
    const QImage shot = Grab(g);
    ASSERT_FALSE(shot.isNull());
    bool grey = false, lime = false;
    for (int y = 0; y < shot.height(); ++y) {
        const QRgb p = shot.pixel(shot.width() / 2, y);
        grey = grey || p == qRgb(128, 128, 128);
        lime = lime || p == qRgb(0, 255, 0);
    }
    EXPECT_TRUE(grey);
    EXPECT_TRUE(lime);

    // Search by product; nothing found says so.
    Boxes boxes;
    dialog.Edit1->SetText(QStringLiteral("DBC"));
    EXPECT_EQ(DetailRows(q).size(), 3);
    EXPECT_TRUE(boxes.Texts.isEmpty());
    dialog.Edit1->SetText(QStringLiteral("none"));
    EXPECT_TRUE(DetailRows(q).isEmpty());
    EXPECT_EQ(boxes.Texts, QStringList{QStringLiteral("没有配货信息!")});

    Key(Qt::Key_Escape);
    ProcessEvents();
    EXPECT_FALSE(dialog.Visible());
    EXPECT_TRUE(Main->Enabled());
}

TEST_F(ManualOrdersTest, DeletingARecordTakesItsNetOffTheLine)
{
    TSell_Mingx dialog(nullptr);
    Open(&dialog);
    TADOQuery *q = Data->L_Sell_Tmp_Query;
    Boxes boxes;
    // On a line row: refused.
    q->SetRecNo(3);
    dialog.N1Click(dialog.N1);
    // Cancelled: nothing changes.
    q->SetRecNo(5);
    boxes.Answers << IDCANCEL;
    dialog.N1Click(dialog.N1);
    EXPECT_EQ(boxes.Texts, (QStringList{QStringLiteral("请选择正确的配货明细所在行!"), QStringLiteral("您确认要删除所选行吗?")}));
    EXPECT_EQ(Local(QStringLiteral("select songhl from sys_jhsj where id=7101")), QStringLiteral("23"));
    EXPECT_EQ(TileReloads, 0);

    // OK on record 2 (15/1, net 14) of the downloaded line: dinghl stays.
    q->SetRecNo(5);
    dialog.N1Click(dialog.N1);
    EXPECT_EQ(Row(QStringLiteral("select dinghl,songhl from sys_jhsj where id=7101")), QStringLiteral("20|9"));
    EXPECT_NEAR(Local(QStringLiteral("select shisje from sys_jhsj where id=7101")).toDouble(), 10.8, 1e-9);
    EXPECT_EQ(Local(QStringLiteral("select delete_yes from sys_jhsj_mx where id=2")), QStringLiteral("1"));
    EXPECT_EQ(TileReloads, 1);
    EXPECT_EQ(DetailRows(q).size(), 5);

    // The only record of the added line: songhl 0 (still allocated), dinghl follows.
    q->SetRecNo(2);
    dialog.N1Click(dialog.N1);
    EXPECT_EQ(Row(QStringLiteral("select dinghl,songhl,shisje from sys_jhsj where id=7099")), QStringLiteral("0|0|0"));
    EXPECT_EQ(Local(QStringLiteral("select count(*) from sys_jhsj where id=7099 and songhl is not null")), QStringLiteral("1"));

    // A record already deleted (a stale row) changes nothing a second time.
    EXPECT_TRUE(DeleteWeighingRecord(2));
    EXPECT_EQ(Local(QStringLiteral("select songhl from sys_jhsj where id=7101")), QStringLiteral("9"));
    // The record deleted earlier (3, 40 kg) never shows and is never taken off.
    EXPECT_FALSE(DetailRows(q).join(QLatin1Char(';')).contains(QStringLiteral("|40|")));
}

TEST_F(ManualOrdersTest, DeletingTheOnlyRecordLeavesAnExactZero)
{
    // Gross less tare is binary noise away from the net the weighing stored.
    const struct { const char *Gross, *Tare, *Net; } cases[] = {
        {"0.3", "0.1", "0.2"}, {"12.3", "0.1", "12.2"}, {"1.1", "0.9", "0.2"}};
    for (const auto &c : cases)
        for (const int record : {4, 5}) { // the added line 7099, the downloaded line 7201
            Station->Sql(QStringLiteral("update sys_jhsj_mx set zhongzl=%1,qup=%2 where id=%3;"
                                        "update sys_jhsj set dinghl=%4,songhl=%4 "
                                        "where id=(select jhsj_id from sys_jhsj_mx where id=%3)")
                             .arg(QString::fromLatin1(c.Gross), QString::fromLatin1(c.Tare))
                             .arg(record)
                             .arg(QString::fromLatin1(c.Net)));
            ASSERT_TRUE(DeleteWeighingRecord(record));
            EXPECT_EQ(Row(QStringLiteral("select songhl=0,shisje=0,local_jhsj is null or dinghl=0 from sys_jhsj "
                                         "where id=(select jhsj_id from sys_jhsj_mx where id=?)"),
                          {Variant(record)}),
                      QStringLiteral("1|1|1"))
                << c.Gross << " - " << c.Tare << ", record " << record;
            Station->Sql(QStringLiteral("update sys_jhsj_mx set delete_yes=null where id=%1").arg(record));
        }
}

TEST_F(ManualOrdersTest, ARightClickChoosesTheRowItsMenuDeletes)
{
    TSell_Mingx dialog(nullptr);
    Open(&dialog);
    TADOQuery *q = Data->L_Sell_Tmp_Query;
    TDBGrid *g = dialog.Sell_Mingx_DBGrid1;
    ASSERT_EQ(q->RecNo(), 6);
    // Picks the menu entry as the operator would, once the menu is open.
    QStringList menus;
    auto choose = [&menus](const QString &Entry) {
        Later([&menus, Entry] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            if (!menu)
                return;
            QAction *pick = nullptr;
            for (QAction *a : menu->actions()) {
                menus << a->text();
                if (a->text() == Entry)
                    pick = a;
            }
            if (pick)
                QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(pick).center());
        });
    };
    Boxes boxes;
    // The record of 土豆 (row 2), with the cursor on 猪肉's line below.
    choose(QStringLiteral("删除所选行配货数据"));
    const TRect r = g->CellRect(1, 2);
    RightClick(g, Point(r.Left + 5, (r.Top + r.Bottom) / 2));
    ProcessEvents(20);
    EXPECT_EQ(menus, (QStringList{QStringLiteral("删除所选行配货数据"), QStringLiteral("删除所选新增品种")}));
    EXPECT_EQ(boxes.Texts, QStringList{QStringLiteral("您确认要删除所选行吗?")});
    EXPECT_EQ(Local(QStringLiteral("select delete_yes from sys_jhsj_mx where id=4")), QStringLiteral("1"));
    EXPECT_EQ(Row(QStringLiteral("select dinghl,songhl from sys_jhsj where id=7099")), QStringLiteral("0|0"));
    EXPECT_EQ(Row(QStringLiteral("select songhl from sys_jhsj where id=7101")), QStringLiteral("23"));
    EXPECT_EQ(Local(QStringLiteral("select count(*) from sys_jhsj_mx where delete_yes=1")), QStringLiteral("2"));
}

TEST_F(ManualOrdersTest, DeletingAnAddedLineHidesItFromItsOrder)
{
    // A station order whose id is the negated id of the line's order.
    Station->Sql(QStringLiteral("insert into sys_jhdh (id,dh,dhrq,unit,lx,local_dh) values (-7001,'CS240501001','2024-05-01',101,2,1)"));
    TSell_Mingx dialog(nullptr);
    Open(&dialog);
    TADOQuery *q = Data->L_Sell_Tmp_Query;
    Boxes boxes;
    q->SetRecNo(2); // a record row
    dialog.N2Click(dialog.N2);
    q->SetRecNo(3); // a downloaded line
    dialog.N2Click(dialog.N2);
    q->SetRecNo(1); // the added line, cancelled
    boxes.Answers << IDCANCEL;
    dialog.N2Click(dialog.N2);
    EXPECT_EQ(boxes.Texts, (QStringList{QStringLiteral("请选择正确的新增品种所在行!"),
                                        QStringLiteral("只能删除车间新增单，网络订单不可删除!"),
                                        QStringLiteral("您确认要删除所选新增品种吗?")}));
    EXPECT_EQ(Local(QStringLiteral("select dhid from sys_jhsj where id=7099")), QStringLiteral("7001"));
    EXPECT_EQ(ListReloads, 0);

    q->SetRecNo(1);
    dialog.N2Click(dialog.N2);
    // Hidden from every order, that one too.
    EXPECT_EQ(Local(QStringLiteral("select count(*) from sys_jhsj sj,sys_jhdh dh where sj.dhid=dh.id and sj.id=7099")),
              QStringLiteral("0"));
    EXPECT_EQ(Local(QStringLiteral("select delete_yes from sys_jhsj_mx where id=4")), QStringLiteral("1"));
    EXPECT_EQ(ListReloads, 1);
    EXPECT_EQ(DetailRows(q).size(), 4);
    EXPECT_FALSE(DetailRows(q).join(QLatin1Char(';')).contains(QStringLiteral("7099")));
    // A downloaded line is never hidden, even when asked directly.
    EXPECT_FALSE(DeleteAddedLine(7101));
    EXPECT_EQ(Local(QStringLiteral("select dhid from sys_jhsj where id=7101")), QStringLiteral("7001"));
}

TEST_F(ManualOrdersTest, ProductDetailsCoverTheDaysOrders)
{
    TSell_CpMingx dialog(nullptr);
    EXPECT_EQ(Sell_CpMingx, &dialog);
    Open(&dialog);
    TADOQuery *q = Data->L_Sell_CpTmp_Query;
    EXPECT_EQ(DetailRows(q), (QStringList{
                                 QStringLiteral("||7101|大白菜|斤|散装|20|23"),
                                 QStringLiteral("1||7101||1|10|1|9"),
                                 QStringLiteral("2||7101||2|15|1|14"),
                                 QStringLiteral("||7201|大白菜|斤|散装|8|8"),
                                 QStringLiteral("5||7201||1|8|0|8"),
                             }));
    EXPECT_EQ(q->RecNo(), 5);
    EXPECT_FALSE(Data->L_Sell_Tmp_Query->Active());
    // Deleting there reloads this window's rows.
    Boxes boxes;
    dialog.N1Click(dialog.N1);
    EXPECT_EQ(boxes.Texts, QStringList{QStringLiteral("您确认要删除所选行吗?")});
    EXPECT_EQ(Local(QStringLiteral("select songhl from sys_jhsj where id=7201")), QStringLiteral("0"));
    EXPECT_EQ(DetailRows(q).size(), 4);

    // Another day has nothing.
    boxes.Texts.clear();
    SellHost.WorkDate = [] { return QStringLiteral("2024-05-02"); };
    dialog.LoadDetails();
    EXPECT_TRUE(DetailRows(q).isEmpty());
    EXPECT_EQ(boxes.Texts, QStringList{QStringLiteral("没有配货信息!")});
    Click(dialog.Button1);
    EXPECT_FALSE(dialog.Visible());
    EXPECT_TRUE(Main->Enabled());
}
