// Download steps, refresh and upload against a real central database.
#include "test_sync_fixture.h"
#include "Forms.h"
#include "Sell_Add_Cp_Code.h"
#include "Sell_Add_Keh_Code.h"
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace {

struct Recorded : TSyncProgress {
    QList<int> Percents;
    QStringList Texts;
    void SetPercent(int P) override { Percents << P; }
    void SetText(const QString &T) override { Texts << T; }
};

TDateTime Day() { return EncodeDate(2024, 3, 9); }

} // namespace

void SyncBothTest::DownloadBothLines()
{
    WriteLines(QStringLiteral("tongbxlid.txt"), {QStringLiteral("1"), QStringLiteral("2")});
    ASSERT_TRUE(ConnectServer());
    qint16 counter = 0;
    DownloadOrders(Day(), counter, nullptr);
}

TEST(SyncFiles, ChosenLineIdsTakeOnlyNumbers)
{
    StationFolder station(false);
    const QString old = QDir::currentPath();
    // The file is found beside the database, not from the current directory.
    QTemporaryDir elsewhere;
    QDir::setCurrent(elsewhere.path());
    EXPECT_EQ(ChosenLineIds(), QStringLiteral("0")); // no file: no line chosen
    struct Case { QByteArray File; const char *Ids; };
    const Case cases[] = {
        {"3\r\n5\r\n", "0,3,5"},
        {"3\r\n\r\n 12 \r\n", "0,3,12"},
        {"1) or (1=1\r\n2\r\n", "0,2"},
        {"", "0"},
    };
    for (const Case &c : cases) {
        QFile f(station.Db() + QStringLiteral("tongbxlid.txt"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.File);
        f.close();
        EXPECT_EQ(ChosenLineIds(), QString::fromLatin1(c.Ids)) << c.File.constData();
    }
    QDir::setCurrent(old);
}

TEST(SyncServer, ConnectionStringForAnAddressOrAWholeString)
{
    EXPECT_EQ(ServerConnectionString(QStringLiteral("192.168.1.5")),
              QStringLiteral("Provider=SQLOLEDB.1;Password=vin_vin&582;Persist Security Info=True;User ID=qon;"
                             "Initial Catalog=kemvor;Data Source=192.168.1.5"));
    const QString pg = QStringLiteral("Provider=PostgreSQL;Data Source=db1;Port=5432;Initial Catalog=c;User ID=u;Password=p");
    EXPECT_EQ(ServerConnectionString(pg), pg);
    EXPECT_EQ(ServerConnectionString(QStringLiteral("  provider=SQLOLEDB.1;Data Source=x ")),
              QStringLiteral("provider=SQLOLEDB.1;Data Source=x"));
}

TEST(SyncServer, MissingAddressFileAndFailingConnectionAreReported)
{
    Application->Initialize();
    StationFolder station(false);
    TDataCenter dc(nullptr);
    {
        DialogRecorder dialogs;
        EXPECT_EQ(ReadServerAddress(), QString());
        ASSERT_EQ(dialogs.Dialogs.size(), 1u);
        EXPECT_EQ(dialogs.Dialogs[0].Text, QStringLiteral("ip.txt不存在或异常，请联系管理员!"));
        EXPECT_EQ(dialogs.Dialogs[0].Caption, QStringLiteral("提示!"));
    }
    {
        DialogRecorder dialogs;
        EXPECT_FALSE(ConnectServer());
        ASSERT_EQ(dialogs.Texts().size(), 2);
        EXPECT_EQ(dialogs.Texts()[0], QStringLiteral("ip.txt不存在或异常，请联系管理员!"));
        EXPECT_TRUE(dialogs.Texts()[1].startsWith(QStringLiteral("服务器连接失败,请检查电脑是否可以上网!\n")));
        EXPECT_FALSE(dc.S_ADOConnection1->Connected());
    }
    // The driver's own words follow the station's sentence; a key the station
    // would pass over is named, and nothing is connected.
    const QString ignored = QStringLiteral("ip.txt中的连接项 %1 本站不使用,请改用 Data Source、Port、Initial Catalog、User ID、Password、Driver!");
    // Text is the whole box, or its start when Driver (the driver's words after it) is given.
    const QString failed = QStringLiteral("服务器连接失败,请检查电脑是否可以上网!\n");
    struct Case { QString Line, Text, Driver; };
    const Case cases[] = {
        {QStringLiteral("Provider=PostgreSQL;Data Source=127.0.0.1;Port=1;Initial Catalog=x;User ID=u;Password="),
         failed, QStringLiteral("port 1 failed: Connection refused")},
        {QStringLiteral("Provider=MSDASQL;Driver={SQLite3};Initial Catalog=%1/no/such/dir/c.db").arg(station.Path()),
         failed, QStringLiteral("connect failed")},
        {QStringLiteral("Provider=MSDASQL;Driver={FreeTDS};Server=127.0.0.1;Uid=sa;Pwd=x;Persist Security Info=False"),
         ignored.arg(QStringLiteral("Server、Uid、Pwd")), {}},
        {QStringLiteral("Provider=PostgreSQL;Host=127.0.0.1;Data Source=127.0.0.1;Port=1"), ignored.arg(QStringLiteral("Host")), {}},
    };
    for (const Case &c : cases) {
        QFile f(station.Db() + QStringLiteral("ip.txt"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.Line.toUtf8() + "\r\nignored\r\n");
        f.close();
        DialogRecorder dialogs;
        EXPECT_EQ(ReadServerAddress(), c.Line);
        EXPECT_FALSE(ConnectServer());
        ASSERT_EQ(dialogs.Texts().size(), 1) << c.Line.toStdString();
        const QString text = dialogs.Texts()[0];
        if (c.Driver.isEmpty())
            EXPECT_EQ(text, c.Text);
        else
            EXPECT_TRUE(text.startsWith(c.Text) && text.indexOf(c.Driver) >= c.Text.size() && text.count(QLatin1Char('\n')) == 1)
                << text.toStdString();
        EXPECT_EQ(dialogs.Dialogs[0].Caption, QStringLiteral("提示!"));
        EXPECT_FALSE(dc.S_ADOConnection1->Connected());
    }
}

TEST_P(SyncBothTest, FullDownloadCopiesEveryStepWithItsFields)
{
    WriteLines(QStringLiteral("tongbxlid.txt"), {QStringLiteral("1")});
    DialogRecorder dialogs;
    ASSERT_TRUE(ConnectServer());
    Recorded progress;
    qint16 counter = 0;
    // The second run goes through ODBC, the way a SQL Server is reached.
    EXPECT_EQ(Data->S_ADOConnection1->DriverName(), GetParam() ? QStringLiteral("QODBC") : QStringLiteral("QPSQL"));
    DownloadOrders(Day(), counter, &progress);
    EXPECT_TRUE(dialogs.Dialogs.empty());
    EXPECT_EQ(progress.Percents, (QList<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 100}));
    ASSERT_EQ(progress.Texts.size(), 11);
    EXPECT_EQ(progress.Texts.front(), QStringLiteral("正在下载操作员 (第 1 步, 共 11 步)"));
    EXPECT_EQ(progress.Texts[6], QStringLiteral("正在下载客户 (第 7 步, 共 11 步)"));
    EXPECT_EQ(progress.Texts.back(), QStringLiteral("正在下载订单明细 (第 11 步, 共 11 步)"));
    EXPECT_EQ(counter, 100);

    // Only rows in use (yn=1; customers also mode=2) come down.
    EXPECT_EQ(Local(QStringLiteral("select group_concat(userid||'|'||passwd||'|'||name||'|'||empid) from sys_user")),
              QStringLiteral("u1|202cb962ac59075b964b07152d234b70|张三|1"));
    EXPECT_EQ(Local(QStringLiteral("select group_concat(id||bianh||fenlmc) from sys_cpfenl")), QStringLiteral("101蔬菜"));
    EXPECT_EQ(Local(QStringLiteral("select group_concat(id||'|'||bh||'|'||mc||'|'||dw||'|'||gg||'|'||typeb||'|'||piny||'|'||ifnull(dfl,'N'), ';') from (select * from sys_cp order by id)")),
              QStringLiteral("201|C1|大白菜|斤|散装|3|DBC|1;203|C3|猪肉|斤|后腿|0|ZR|N"));
    EXPECT_EQ(Local(QStringLiteral("select group_concat(fenlmc) from sys_dytait")), QStringLiteral("配送中心送货单"));
    EXPECT_EQ(Local(QStringLiteral("select group_concat(id||fenlmc) from (select * from sys_khline order by id)")), QStringLiteral("1东线,2西线"));
    EXPECT_EQ(Local(QStringLiteral("select group_concat(fenlmc) from sys_khfenl")), QStringLiteral("饭店"));
    EXPECT_EQ(Local(QStringLiteral("select group_concat(id||'|'||usercode||'|'||shortname||'|'||typea||typeb||typec||typed||'|'||dadj||dydw||mode, ';') from (select * from sys_unit order by id)")),
              QStringLiteral("101|K1|东饭店|1511|102;102|K2|西食堂|1021|012"));
    // Search and print columns too: pinyin, address, phone, contact.
    EXPECT_EQ(Local(QStringLiteral("select group_concat(ifnull(piny,'N')||'|'||ifnull(address,'N')||'|'||ifnull(phone,'N')||'|'||ifnull(linkman,'N')||'|'||yn, ';') from (select * from sys_unit order by id)")),
              QStringLiteral("DFD|东路1号|010-1|王|1;N|N|N|N|1"));
    EXPECT_EQ(Local(QStringLiteral("select group_concat(khid||cpid||bh||mc) from sys_khpm")), QStringLiteral("101201R-1白菜心"));
    // Prices valid on the day, of the kinds 31/33/35 only.
    EXPECT_EQ(Local(QStringLiteral("select group_concat(unitid||'|'||lx||'|'||cpid||'|'||sellprice, ';') from (select * from sys_selljg order by unitid)")),
              QStringLiteral("101|31|201|1.25;102|35|203|13.5"));

    // Orders of the chosen line, of the day and of kind 2.
    EXPECT_EQ(Local(QStringLiteral("select group_concat(id||'|'||dh||'|'||dhrq||'|'||unit||'|'||lx||'|'||lury) from sys_jhdh")),
              QStringLiteral("7|D-7|2024-03-09|101|2|录入员"));
    EXPECT_EQ(Local(QStringLiteral("select count(*) from sys_jhdh where local_dh is null and has_upload is null")), QStringLiteral("1"));
    // Lines with a product; dhsl -> sl, fudw -> sldw, bz1 -> bz; a null stays null.
    EXPECT_EQ(Local(QStringLiteral("select group_concat(id||'|'||dhid||'|'||mc||'|'||dinghl||'|'||dj||'|'||shisje||'|'||ifnull(sl,'N')||'|'||ifnull(sldw,'N')||'|'||ifnull(bz,'N'), ';') from (select * from sys_jhsj order by id)")),
              QStringLiteral("70|7|201|10.5|1.2|12.6|2.0|箱|少放;72|7|203|8.0|13.5|108.0|N|N|N"));
    EXPECT_EQ(Local(QStringLiteral("select count(*) from sys_jhsj where songhl is not null or local_jhsj is not null")), QStringLiteral("0"));
}

TEST_P(SyncBothTest, WithoutALineFileNoOrdersComeDown)
{
    DialogRecorder dialogs;
    ASSERT_TRUE(ConnectServer());
    qint16 counter = 0;
    DownloadOrders(Day(), counter, nullptr);
    EXPECT_EQ(LocalCount(QStringLiteral("select * from sys_jhdh")), 0);
    EXPECT_EQ(LocalCount(QStringLiteral("select * from sys_jhsj")), 0);
    EXPECT_EQ(LocalCount(QStringLiteral("select * from sys_unit")), 2);
}

TEST_P(SyncBothTest, AnOrderAlreadyHereIsNotDownloadedTwice)
{
    DialogRecorder dialogs;
    ASSERT_NO_FATAL_FAILURE(DownloadBothLines());
    EXPECT_EQ(LocalCount(QStringLiteral("select * from sys_jhdh")), 2);
    EXPECT_EQ(LocalCount(QStringLiteral("select * from sys_jhsj")), 3);
    // Weighing done at the station survives the next download.
    LocalSql(QStringLiteral("update sys_jhsj set songhl=11 where id=70; insert into sys_jhsj_mx(jhsj_id,zhongzl,qup) values (70,12,1)"));
    // A new line on the server joins an order that is already here.
    Central->Sql(QStringLiteral("insert into sys_jhsj (id,dhid,mc,dinghl,dj,shisje) values (73,7,203,2,13.5,27)"));
    qint16 counter = 0;
    DownloadOrders(Day(), counter, nullptr);
    EXPECT_EQ(Local(QStringLiteral("select group_concat(id) from (select id from sys_jhdh order by id)")), QStringLiteral("7,8"));
    EXPECT_EQ(Local(QStringLiteral("select group_concat(id) from (select id from sys_jhsj order by id)")), QStringLiteral("70,72,73,80"));
    EXPECT_EQ(Local(QStringLiteral("select songhl from sys_jhsj where id=70")), QStringLiteral("11"));
    EXPECT_EQ(LocalCount(QStringLiteral("select * from sys_jhsj_mx")), 1);
}

TEST_P(SyncBothTest, PurgeKeepsTheDayBeforeAndLaterAndRefreshDoesNotPurge)
{
    LocalSql(QStringLiteral(
        "insert into sys_jhdh (id,dh,dhrq,unit,lx) values (1,'old','2024-03-07',101,2),(2,'eve','2024-03-08',101,2),"
        "  (3,'next','2024-03-12',101,2);"
        "insert into sys_jhsj (id,dhid,mc,songhl) values (11,1,201,1),(21,2,201,2),(31,3,201,3);"
        "insert into sys_jhsj_mx (jhsj_id,zhongzl,qup) values (11,1,0),(21,2,0),(31,3,0)"));
    DialogRecorder dialogs;
    ASSERT_TRUE(ConnectServer());
    qint16 counter = 0;
    RefreshOrders(Day(), counter, nullptr);
    EXPECT_EQ(LocalCount(QStringLiteral("select * from sys_jhdh")), 3);
    EXPECT_EQ(counter, 20);
    DownloadOrders(Day(), counter, nullptr);
    EXPECT_EQ(Local(QStringLiteral("select group_concat(dh) from (select dh from sys_jhdh order by id)")), QStringLiteral("eve,next"));
    EXPECT_EQ(Local(QStringLiteral("select group_concat(id) from (select id from sys_jhsj order by id)")), QStringLiteral("21,31"));
    EXPECT_EQ(Local(QStringLiteral("select group_concat(jhsj_id) from (select jhsj_id from sys_jhsj_mx order by id)")), QStringLiteral("21,31"));
}

TEST_P(SyncBothTest, RefreshBringsCustomersAndNewOrdersOnly)
{
    WriteLines(QStringLiteral("tongbxlid.txt"), {QStringLiteral("2")});
    LocalSql(QStringLiteral("insert into sys_cp (id,mc) values (999,'本地品')"));
    DialogRecorder dialogs;
    ASSERT_TRUE(ConnectServer());
    Recorded progress;
    qint16 counter = 100; // kept from an earlier download
    RefreshOrders(Day(), counter, &progress);
    EXPECT_EQ(progress.Percents, (QList<int>{110, 120, 100}));
    EXPECT_EQ(progress.Texts, (QStringList{QStringLiteral("正在下载客户 (第 1 步, 共 3 步)"), QStringLiteral("正在下载订单 (第 2 步, 共 3 步)"),
                                           QStringLiteral("正在下载订单明细 (第 3 步, 共 3 步)")}));
    EXPECT_EQ(LocalCount(QStringLiteral("select * from sys_unit")), 2);
    EXPECT_EQ(Local(QStringLiteral("select group_concat(mc) from sys_cp")), QStringLiteral("本地品"));
    EXPECT_EQ(Local(QStringLiteral("select group_concat(id) from sys_jhdh")), QStringLiteral("8"));
    EXPECT_EQ(Local(QStringLiteral("select group_concat(id) from sys_jhsj")), QStringLiteral("80"));
}

TEST_P(SyncBothTest, AFailingStepLeavesItsTableAsItWas)
{
    LocalSql(QStringLiteral("insert into sys_cp (id,mc) values (1,'旧品'),(2,'旧品二')"));
    DialogRecorder dialogs;
    ASSERT_TRUE(ConnectServer());
    // The server side fails: nothing local is touched.
    Central->Sql(QStringLiteral("alter table sys_cp rename to sys_cp_gone"));
    EXPECT_THROW(DownloadTable(MasterDownloadSteps()[2], TestDay()), EDatabaseError);
    EXPECT_EQ(Local(QStringLiteral("select group_concat(mc) from (select mc from sys_cp order by id)")), QStringLiteral("旧品,旧品二"));
    qint16 counter = 0;
    Recorded progress;
    EXPECT_THROW(DownloadOrders(Day(), counter, &progress), EDatabaseError);
    EXPECT_EQ(progress.Percents, (QList<int>{10, 20})); // users and classes came down, then it stopped
    EXPECT_EQ(LocalCount(QStringLiteral("select * from sys_cp")), 2);
    // ... and went again with the rest: a download lands whole or not at all.
    EXPECT_EQ(LocalCount(QStringLiteral("select * from sys_user")), 0);
    EXPECT_FALSE(Data->L_ADOConnection1->InTransaction());

    // The local side fails half-way (an id taken by an order of another day):
    // the purge and the rows already appended are undone together.
    WriteLines(QStringLiteral("tongbxlid.txt"), {QStringLiteral("1"), QStringLiteral("2")});
    LocalSql(QStringLiteral("insert into sys_jhdh (id,dh,dhrq,lx) values (1,'old','2024-03-01',2),(8,'taken','2024-03-20',2);"
                            "insert into sys_jhsj (id,dhid,mc) values (11,1,201)"));
    EXPECT_THROW(DownloadOrdersStep(TestDay(), true), ELocalDatabaseError);
    EXPECT_EQ(Local(QStringLiteral("select group_concat(dh) from (select dh from sys_jhdh order by id)")), QStringLiteral("old,taken"));
    EXPECT_EQ(LocalCount(QStringLiteral("select * from sys_jhsj")), 1);
    EXPECT_FALSE(Data->L_ADOConnection1->InTransaction());
}

namespace {

// A downloaded order with a weighed line and a line added at the station,
// and a station order with one weighed and one open line.
void StationWork(SyncTest *, StationFolder &S)
{
    S.Sql(QStringLiteral(
        "insert into sys_jhdh (id,dh,dhrq,unit,lx,lury) values (7,'D-7','2024-03-09',101,2,'录入员');"
        "insert into sys_jhsj (id,dhid,mc,dinghl,songhl,dj,shisje) values (70,7,201,10.5,11,1.2,13.2),(72,7,203,8,null,13.5,null);"
        "insert into sys_jhsj (id,dhid,mc,dinghl,songhl,dj,shisje,local_jhsj) values (-3,7,203,4,4,1.5,6,1);"
        "insert into sys_jhdh (id,dh,dhrq,unit,lx,lury,local_dh) values (-1,'CS240309001','2024-03-09',102,2,'O''Neil',1);"
        "insert into sys_jhsj (id,dhid,mc,dinghl,songhl,dj,shisje,local_jhsj) values (-1,-1,201,3.5,3.5,2,7,1),(-2,-1,203,null,null,13.5,null,1);"
        "insert into sys_jhsj_mx (jhsj_id,zhongzl,qup) values (70,11.5,0.5),(-3,4,0),(-1,3.5,0)"));
}

} // namespace

TEST_P(SyncBothTest, UploadSendsEachRowOnceAndQuantitiesEveryTime)
{
    StationWork(this, *Station);
    DialogRecorder dialogs;
    ASSERT_TRUE(ConnectServer());
    Recorded progress;
    UploadDeliveries(&progress);
    EXPECT_TRUE(dialogs.Dialogs.empty());
    EXPECT_EQ(progress.Texts, (QStringList{QStringLiteral("正在上传第 1 单, 共 2 单 (单号 CS240309001)"),
                                           QStringLiteral("正在上传第 2 单, 共 2 单 (单号 D-7)")}));
    EXPECT_EQ(progress.Percents, (QList<int>{0, 50}));
    // The station order, with the kind and flags the server expects.
    EXPECT_EQ(Central->Value(QStringLiteral("select dh||'|'||dhrq||'|'||unit||'|'||lury||'|'||zf||'|'||lx||'|'||zt from sys_jhdh where id>=900000")),
              QStringLiteral("CS240309001|2024-03-09|102|O'Neil|-1|2|0"));
    const QString csLines = QStringLiteral(
        "select string_agg(mc||'|'||dinghl||'|'||songhl||'|'||dj||'|'||shisje, ';' order by mc) from sys_jhsj "
        "where dhid=(select id from sys_jhdh where dh='CS240309001')");
    EXPECT_EQ(Central->Value(csLines), QStringLiteral("201|3.500|3.500|2.00|7.00"));
    // The downloaded line carries its quantity; the added line joins the downloaded order.
    EXPECT_EQ(Central->Value(QStringLiteral("select songhl from sys_jhsj where id=70")), QStringLiteral("11"));
    EXPECT_EQ(Central->Value(QStringLiteral("select string_agg(mc||'|'||dinghl||'|'||songhl||'|'||dj||'|'||shisje, ';') from sys_jhsj where dhid=7 and id>=900000")),
              QStringLiteral("203|4.000|4.000|1.50|6.00"));
    EXPECT_EQ(Local(QStringLiteral("select group_concat(id||':'||ifnull(has_upload,'N')) from (select * from sys_jhsj order by id)")),
              QStringLiteral("-3:1,-2:N,-1:1,70:1,72:N"));
    EXPECT_EQ(Local(QStringLiteral("select group_concat(id||':'||ifnull(has_upload,'N')) from (select * from sys_jhdh order by id)")),
              QStringLiteral("-1:1,7:N"));

    // Again, after more weighing: no second copies, the new quantity arrives.
    LocalSql(QStringLiteral("update sys_jhsj set songhl=12.5 where id=70; insert into sys_jhsj_mx (jhsj_id,zhongzl,qup) values (70,1.5,0)"));
    UploadDeliveries();
    EXPECT_EQ(Central->Count(QStringLiteral("select * from sys_jhdh where dh='CS240309001'")), 1);
    EXPECT_EQ(Central->Count(QStringLiteral("select * from sys_jhsj where id>=900000")), 2);
    EXPECT_EQ(Central->Value(QStringLiteral("select songhl from sys_jhsj where id=70")), QStringLiteral("12.5"));

    // A price column holding text is a row to send, never SQL to run.
    LocalSql(QStringLiteral("insert into sys_jhsj (id,dhid,mc,dinghl,songhl,dj,local_jhsj) values "
                            "(-4,7,201,1,1,'0,0,0);drop table sys_jhdh;--',1); insert into sys_jhsj_mx (jhsj_id,zhongzl,qup) values (-4,1,0)"));
    try {
        UploadDeliveries();
        ADD_FAILURE() << "a price that is no number went up";
    } catch (const EUploadFailed &E) {
        EXPECT_EQ(E.Message(), QStringLiteral("单号 D-7: 数据不是有效的数字: '0,0,0);drop table sys_jhdh;--' 不是有效的数字"));
    }
    EXPECT_EQ(Central->Count(QStringLiteral("select * from sys_jhdh where id=7")), 1);
}

TEST_P(SyncBothTest, AFailedUploadMarksNothingItDidNotSend)
{
    StationWork(this, *Station);
    // The server refuses the station order's line: that order is not sent at all.
    Central->Sql(QStringLiteral("alter table sys_jhsj add constraint small check (songhl < 3)"));
    DialogRecorder dialogs;
    ASSERT_TRUE(ConnectServer());
    EXPECT_THROW(UploadDeliveries(), EDatabaseError);
    EXPECT_EQ(Central->Count(QStringLiteral("select * from sys_jhdh where dh='CS240309001'")), 0);
    EXPECT_EQ(Local(QStringLiteral("select group_concat(ifnull(has_upload,'N')) from (select * from sys_jhsj order by id)")),
              QStringLiteral("N,N,N,N,N"));
    EXPECT_EQ(Local(QStringLiteral("select ifnull(has_upload,'N') from sys_jhdh where id=-1")), QStringLiteral("N"));
    EXPECT_FALSE(Data->L_ADOConnection1->InTransaction());
    EXPECT_FALSE(Data->S_ADOConnection1->InTransaction());

    Central->Sql(QStringLiteral("alter table sys_jhsj drop constraint small"));
    UploadDeliveries();
    EXPECT_EQ(Central->Count(QStringLiteral("select * from sys_jhdh where dh='CS240309001'")), 1);
    EXPECT_EQ(Central->Count(QStringLiteral("select * from sys_jhsj where id>=900000")), 2);
    EXPECT_EQ(Central->Value(QStringLiteral("select songhl from sys_jhsj where id=70")), QStringLiteral("11"));
}

TEST_P(SyncBothTest, WhatThisStationUploadedNeverComesBack)
{
    DialogRecorder dialogs;
    ASSERT_NO_FATAL_FAILURE(DownloadBothLines());
    // A station order for a customer of line 2, and a line added to order 7.
    LocalSql(QStringLiteral(
        "update sys_jhsj set songhl=11 where id=70;"
        "insert into sys_jhsj (id,dhid,mc,dinghl,songhl,dj,shisje,local_jhsj) values (-3,7,203,4,4,1.5,6,1);"
        "insert into sys_jhdh (id,dh,dhrq,unit,lx,lury,local_dh) values (-1,'CS240309001','2024-03-09',102,2,'O''Neil',1);"
        "insert into sys_jhsj (id,dhid,mc,dinghl,songhl,dj,shisje,local_jhsj) values (-1,-1,201,3.5,3.5,2,7,1);"
        "insert into sys_jhsj_mx (jhsj_id,zhongzl,qup) values (70,11,0),(-3,4,0),(-1,3.5,0)"));
    UploadDeliveries();
    // The server's ids are kept.
    EXPECT_EQ(Local(QStringLiteral("select server_id from sys_jhdh where id=-1")),
              Central->Value(QStringLiteral("select id from sys_jhdh where dh='CS240309001'")));
    EXPECT_EQ(Local(QStringLiteral("select server_id from sys_jhsj where id=-3")),
              Central->Value(QStringLiteral("select id from sys_jhsj where dhid=7 and mc=203 and id>=900000")));

    const QString orders = QStringLiteral("select group_concat(id||':'||dh) from (select * from sys_jhdh order by id)");
    const QString lines = QStringLiteral("select group_concat(id||':'||dhid||':'||mc) from (select * from sys_jhsj order by id)");
    const QString beforeOrders = Local(orders), beforeLines = Local(lines);
    EXPECT_EQ(beforeOrders, QStringLiteral("-1:CS240309001,7:D-7,8:D-8"));
    qint16 counter = 0;
    RefreshOrders(Day(), counter, nullptr);
    EXPECT_EQ(Local(orders), beforeOrders);
    EXPECT_EQ(Local(lines), beforeLines);
    DownloadOrders(Day(), counter, nullptr);
    EXPECT_EQ(Local(orders), beforeOrders);
    EXPECT_EQ(Local(lines), beforeLines);
    // What others add on the server still comes down.
    Central->Sql(QStringLiteral("insert into sys_jhsj (id,dhid,mc,dinghl,dj,shisje) values (74,7,201,1,1,1)"));
    RefreshOrders(Day(), counter, nullptr);
    EXPECT_EQ(LocalCount(QStringLiteral("select * from sys_jhsj where id=74")), 1);
    EXPECT_TRUE(dialogs.Dialogs.empty());
}

TEST_P(SyncBothTest, AResendAfterALostLocalCommitSendsNothingTwice)
{
    LocalSql(QStringLiteral(
        "insert into sys_jhdh (id,dh,dhrq,unit,lx,lury,local_dh) values (-1,'CS240309001','2024-03-09',102,2,'op',1);"
        "insert into sys_jhsj (id,dhid,mc,dinghl,songhl,dj,shisje,local_jhsj) values (-1,-1,201,3.5,3.5,2,7,1);"
        "insert into sys_jhsj_mx (jhsj_id,zhongzl,qup) values (-1,3.5,0)"));
    // Another station's walk-in order, uploaded first: same number, day and
    // customer, the same line. It is never taken for this station's copy.
    Central->Sql(QStringLiteral("insert into sys_jhdh (id,dh,dhrq,unit,lx,lury) values (50,'CS240309001','2024-03-09',102,2,'op');"
                                "insert into sys_jhsj (id,dhid,mc,dinghl,songhl,dj,shisje,bz1) values (500,50,201,3.5,3.5,2,7,'CS#0123456789ab')"));
    DialogRecorder dialogs;
    ASSERT_TRUE(ConnectServer());
    {
        // Another reader holds dat.db: the local commit fails after the server's.
        const QString name = QStringLiteral("reader");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(Station->Db() + QStringLiteral("dat.db"));
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=100"));
            ASSERT_TRUE(db.open());
            QSqlQuery q(db);
            ASSERT_TRUE(q.exec(QStringLiteral("begin")));
            ASSERT_TRUE(q.exec(QStringLiteral("select count(*) from sys_jhdh")));
            ASSERT_TRUE(q.next());
            try {
                UploadDeliveries();
                ADD_FAILURE() << "the upload reported success";
            } catch (const EUploadFailed &e) {
                ASSERT_EQ(e.Failures().size(), 1);
                EXPECT_EQ(e.Failures()[0].Dh, QStringLiteral("CS240309001"));
                // The station's own database failed, not the server.
                EXPECT_TRUE(e.Message().startsWith(QStringLiteral("单号 CS240309001: 本机数据库出错: "))) << e.Message().toStdString();
            }
            q.finish();
            ASSERT_TRUE(q.exec(QStringLiteral("commit")));
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
    EXPECT_EQ(Local(QStringLiteral("select ifnull(has_upload,'N') from sys_jhdh where id=-1")), QStringLiteral("N"));
    // A server user rewrites every note before the retry: the line is not found by its text.
    Central->Sql(QStringLiteral("update sys_jhsj set bz1='改过'"));
    UploadDeliveries();
    UploadDeliveries();
    // The other station's order and this one's, each with its own line, once.
    EXPECT_EQ(Central->Value(QStringLiteral("select string_agg(dh.id||':'||sj.mc||'|'||sj.songhl, ';' order by dh.id) "
                                            "from sys_jhdh dh,sys_jhsj sj where sj.dhid=dh.id and dh.dh='CS240309001'")),
              QStringLiteral("50:201|3.500;900000:201|3.500"));
    // The server committed the first send; the resend found it by the central's record of it.
    EXPECT_EQ(Local(QStringLiteral("select has_upload||':'||server_id from sys_jhdh where id=-1")), QStringLiteral("1:900000"));
    EXPECT_EQ(Local(QStringLiteral("select has_upload||':'||server_id from sys_jhsj where id=-1")),
              QStringLiteral("1:") + Central->Value(QStringLiteral("select id from sys_jhsj where mc=201 and id>=900000")));
}

TEST_P(SyncBothTest, AnOrderTheServerRefusesHoldsBackNoOther)
{
    StationWork(this, *Station);
    Central->Sql(QStringLiteral("alter table sys_jhdh add constraint no_station check (dh not like 'CS%')"));
    DialogRecorder dialogs;
    ASSERT_TRUE(ConnectServer());
    try {
        UploadDeliveries();
        ADD_FAILURE() << "the upload reported success";
    } catch (const EUploadFailed &e) {
        ASSERT_EQ(e.Failures().size(), 1);
        EXPECT_EQ(e.Failures()[0].Dh, QStringLiteral("CS240309001"));
        EXPECT_TRUE(e.Message().contains(QStringLiteral("no_station"))) << e.Message().toStdString();
    }
    // The downloaded order, sorted after the station's, went up whole.
    EXPECT_EQ(Central->Value(QStringLiteral("select songhl from sys_jhsj where id=70")), QStringLiteral("11"));
    EXPECT_EQ(Central->Count(QStringLiteral("select * from sys_jhsj where dhid=7 and id>=900000")), 1);
    EXPECT_EQ(Local(QStringLiteral("select group_concat(id||':'||ifnull(has_upload,'N')) from (select * from sys_jhsj order by id)")),
              QStringLiteral("-3:1,-2:N,-1:N,70:1,72:N"));
    Central->Sql(QStringLiteral("alter table sys_jhdh drop constraint no_station"));
    // A stored value that is no number stops only its own order, before the server sees it.
    LocalSql(QStringLiteral("update sys_jhsj set dj='1,5' where id=70; insert into sys_jhsj_mx (jhsj_id,zhongzl,qup) values (70,1,0)"));
    try {
        UploadDeliveries();
        ADD_FAILURE() << "the upload reported success";
    } catch (const EUploadFailed &e) {
        ASSERT_EQ(e.Failures().size(), 1);
        EXPECT_EQ(e.Failures()[0].Dh, QStringLiteral("D-7"));
    }
    EXPECT_EQ(Central->Count(QStringLiteral("select * from sys_jhdh where dh='CS240309001'")), 1);
    LocalSql(QStringLiteral("update sys_jhsj set dj=1.2 where id=70"));
    UploadDeliveries();
    EXPECT_EQ(Central->Count(QStringLiteral("select * from sys_jhdh where dh='CS240309001'")), 1);
    EXPECT_EQ(Central->Count(QStringLiteral("select * from sys_jhsj where id>=900000")), 2);
}

namespace {

// A walk-in order for customer 102 with 20.5 of product 201, and 4 of
// product 203 added to the downloaded order 7, made with the station's own routines.
void WalkIn()
{
    QString dh;
    ASSERT_TRUE(CreateStationOrder(TestDay(), 102, QStringLiteral("op"), dh));
    EXPECT_EQ(dh, QStringLiteral("CS240309001"));
    const int order = DataCenter->LocalOpen(QStringLiteral("select id from sys_jhdh where dh=?"), {Variant(dh)})->Fields(0).AsInteger();
    EXPECT_LT(order, 0);
    EXPECT_LT(AddStationLine(order, 201, 21, 0.5, 20.5, 2, 41), 0);
    EXPECT_LT(AddStationLine(7, 203, 4, 0, 4, 13.5, 54), 0);
}

} // namespace

TEST_P(SyncBothTest, TwoStationsWalkInOrdersForOneCustomerBothArrive)
{
    DialogRecorder dialogs;
    std::unique_ptr<StationFolder> first;
    for (int station = 0; station < 2; ++station) {
        if (station == 1) {
            // The second station: a database of its own, the same server.
            Data.reset();
            first = std::move(Station);
            Station = std::make_unique<StationFolder>(false);
            WriteLines(QStringLiteral("ip.txt"), {ServerAddress()});
            Data = std::make_unique<TDataCenter>(nullptr);
        }
        ASSERT_NO_FATAL_FAILURE(DownloadBothLines());
        WalkIn();
        UploadDeliveries();
    }
    // Both deliveries are there, each under its own copy.
    EXPECT_EQ(Central->Value(QStringLiteral("select string_agg(sj.mc||'|'||sj.songhl, ';' order by dh.id) from sys_jhdh dh,sys_jhsj sj "
                                            "where sj.dhid=dh.id and dh.dh='CS240309001' and dh.unit=102")),
              QStringLiteral("201|20.500;201|20.500"));
    EXPECT_EQ(Central->Count(QStringLiteral("select * from sys_jhdh where dh='CS240309001'")), 2);
    EXPECT_EQ(Central->Value(QStringLiteral("select string_agg(songhl::text, ';') from sys_jhsj where dhid=7 and mc=203 and id>=900000")),
              QStringLiteral("4.000;4.000"));
    EXPECT_TRUE(dialogs.Dialogs.empty());
    Data.reset();
    Station.reset();
}

TEST_P(SyncBothTest, StationIdsNeverMeetTheServersOldOrNew)
{
    DialogRecorder dialogs;
    ASSERT_NO_FATAL_FAILURE(DownloadBothLines());
    // A database from before the upload keys: a station order and lines under
    // positive ids (one under the downloaded order 7), with records.
    LocalSql(QStringLiteral(
        "insert into sys_jhdh (id,dh,dhrq,unit,lx,lury,local_dh) values (6,'CS240309001','2024-03-09',102,2,'op',1);"
        "insert into sys_jhsj (id,dhid,mc,dinghl,songhl,dj,shisje,local_jhsj) values (69,6,201,3,3,2,6,1),(68,7,203,4,4,13.5,54,1);"
        "insert into sys_jhsj_mx (jhsj_id,zhongzl,qup) values (69,3,0),(68,4,0);"
        "alter table sys_jhsj drop column upload_key"));
    Data.reset();
    Data = std::make_unique<TDataCenter>(nullptr);
    // Opened, they are below zero with their records.
    EXPECT_EQ(Local(QStringLiteral("select group_concat(id||':'||dhid||':'||mc, ';') from (select * from sys_jhsj where local_jhsj=1 order by id)")),
              QStringLiteral("-2:7:203;-1:-1:201"));
    EXPECT_EQ(Local(QStringLiteral("select group_concat(jhsj_id) from (select jhsj_id from sys_jhsj_mx order by id)")), QStringLiteral("-1,-2"));
    // New work goes on below them, with the next number.
    QString dh;
    ASSERT_TRUE(CreateStationOrder(TestDay(), 101, QStringLiteral("op"), dh));
    EXPECT_EQ(dh, QStringLiteral("CS240309002"));
    EXPECT_EQ(Local(QStringLiteral("select id from sys_jhdh where dh='CS240309002'")), QStringLiteral("-2"));
    EXPECT_EQ(AddStationLine(-2, 201, 5, 0, 5, 1.2, 6), -3);
    // The server's own order 6 and line 69 come down beside them.
    Central->Sql(QStringLiteral("insert into sys_jhdh (id,dh,dhrq,unit,lx,lury) values (6,'D-6','2024-03-09',101,2,'x');"
                                "insert into sys_jhsj (id,dhid,mc,dinghl,dj,shisje) values (69,6,203,1,13.5,13.5)"));
    ASSERT_TRUE(ConnectServer());
    qint16 counter = 0;
    RefreshOrders(Day(), counter, nullptr);
    EXPECT_EQ(Local(QStringLiteral("select group_concat(id||':'||dh, ';') from (select * from sys_jhdh order by id)")),
              QStringLiteral("-2:CS240309002;-1:CS240309001;6:D-6;7:D-7;8:D-8"));
    EXPECT_EQ(Local(QStringLiteral("select dhid||':'||mc from sys_jhsj where id=69")), QStringLiteral("6:203"));
    // Old and new station work goes up.
    UploadDeliveries();
    EXPECT_EQ(Central->Value(QStringLiteral("select string_agg(dh.dh||':'||sj.mc||'|'||sj.songhl, ';' order by dh.dh) "
                                            "from sys_jhdh dh,sys_jhsj sj where sj.dhid=dh.id and dh.dh like 'CS%'")),
              QStringLiteral("CS240309001:201|3.000;CS240309002:201|5.000"));
    EXPECT_EQ(Central->Value(QStringLiteral("select string_agg(songhl::text, ';') from sys_jhsj where dhid=7 and id>=900000")),
              QStringLiteral("4.000"));
    EXPECT_TRUE(dialogs.Dialogs.empty());
}

TEST_P(SyncBothTest, AQuantityThatReachesNoServerRowIsNotMarkedAndGoesAgain)
{
    StationWork(this, *Station);
    LocalSql(QStringLiteral("insert into sys_cp (id,mc) values (201,'大白菜'),(203,'猪肉');"
                            "insert into sys_jhdh (id,dh,dhrq,unit,lx) values (8,'D-8','2024-03-09',102,2);"
                            "insert into sys_jhsj (id,dhid,mc,dinghl,songhl,dj,shisje) values (80,8,201,5,6,1.1,6.6);"
                            "insert into sys_jhsj (id,dhid,mc,dinghl,songhl,dj,shisje,local_jhsj) values (-4,8,203,2,2,13.5,27,1);"
                            "insert into sys_jhsj_mx (jhsj_id,zhongzl,qup) values (80,6,0),(-4,2,0)"));
    // On the server, D-7's weighed line and the whole of D-8 were deleted.
    Central->Sql(QStringLiteral("delete from sys_jhsj where id in (70,80); delete from sys_jhdh where id=8"));
    {
        DialogRecorder dialogs;
        UploadDeliveriesClick();
        EXPECT_EQ(dialogs.Texts(), (QStringList{QStringLiteral("您确认已发或完毕要上传本地数据至服务器吗?"),
                                                QStringLiteral("以下数据未能上传:服务器上已找不到它们所属的订单或明细(不是网络故障),请与管理员联系!\n"
                                                               "单号 D-7 品名 大白菜: 服务器上已没有这一订单明细,数量未上传\n"
                                                               "单号 D-8 品名 猪肉: 服务器上已没有这张订单,数量未上传\n"
                                                               "单号 D-8 品名 大白菜: 服务器上已没有这一订单明细,数量未上传")}));
    }
    // What reached nothing stays unmarked, and no line was left without its order; the rest went up.
    EXPECT_EQ(Local(QStringLiteral("select group_concat(id||':'||ifnull(has_upload,'N')) from (select * from sys_jhsj order by id)")),
              QStringLiteral("-4:N,-3:1,-2:N,-1:1,70:N,72:N,80:N"));
    EXPECT_EQ(Central->Count(QStringLiteral("select * from sys_jhsj where dhid=8")), 0);
    // The line back on the server, the next upload sends it.
    Central->Sql(QStringLiteral("insert into sys_jhsj (id,dhid,mc,dinghl,dj,shisje) values (70,7,201,10.5,1.2,12.6)"));
    try {
        UploadDeliveries();
        ADD_FAILURE() << "the upload reported success";
    } catch (const EUploadFailed &e) {
        EXPECT_EQ(e.Failures().size(), 2);
    }
    EXPECT_EQ(Central->Value(QStringLiteral("select songhl from sys_jhsj where id=70")), QStringLiteral("11"));
    EXPECT_EQ(Local(QStringLiteral("select has_upload from sys_jhsj where id=70")), QStringLiteral("1"));
    // Thousands of them: the box names the first 20 and counts the rest.
    QStringList rows;
    for (int i = 0; i < 22; ++i)
        rows << QStringLiteral("(%1,8,201,1,1,1,1)").arg(800 + i);
    LocalSql(QStringLiteral("insert into sys_jhsj (id,dhid,mc,dinghl,songhl,dj,shisje) values ") + rows.join(QLatin1Char(','))
             + QStringLiteral(";insert into sys_jhsj_mx (jhsj_id,zhongzl,qup) select id,1,0 from sys_jhsj where id>=800"));
    try {
        UploadDeliveries();
        ADD_FAILURE() << "the upload reported success";
    } catch (const EUploadFailed &e) {
        EXPECT_EQ(e.Failures().size(), 24);
        const QStringList lines = e.Message().split(QLatin1Char('\n'));
        ASSERT_EQ(lines.size(), 21);
        EXPECT_EQ(lines.back(), QStringLiteral("……另有 4 项未上传"));
    }
}

TEST_F(SyncTest, TheDemoDataNeverMeetsTheServersOrdersOrLines)
{
    QFile demo(QStringLiteral(STATION_SOURCE_DIR "/app/db/demo.sql"));
    ASSERT_TRUE(demo.open(QIODevice::ReadOnly));
    LocalSql(QString::fromUtf8(demo.readAll()) + QStringLiteral("\nupdate sys_jhsj set songhl=19 where paix=1 and "
                                                                  "dhid=(select id from sys_jhdh where dh='DEMO-0001');"
                                                                  "insert into sys_jhsj (id,dhid,mc,dinghl,songhl,dj,shisje,local_jhsj) "
                                                                  "values (-6000,-8999,202,2,2,1.5,3,1)"));
    // The server holds an order and a line of the same day under ids a demo row once had.
    const QString today = Local(QStringLiteral("select date('now','localtime')"));
    Central->Sql(QStringLiteral("insert into sys_jhdh (id,dh,dhrq,unit,lx,lury) values (1001,'D-1001','%1',101,2,'x');"
                                "insert into sys_jhsj (id,dhid,mc,dinghl,dj,shisje) values (5001,1001,203,2,13.5,27)")
                     .arg(today));
    const QString server = QStringLiteral("select string_agg(id||':'||coalesce(songhl::text,'N'), ';' order by id) from sys_jhsj");
    const QString before = Central->Value(server);
    WriteLines(QStringLiteral("tongbxlid.txt"), {QStringLiteral("1")});
    DialogRecorder dialogs;
    ASSERT_TRUE(ConnectServer());
    // Demo orders have nothing to send: the upload succeeds and writes nothing.
    UploadDeliveries();
    EXPECT_EQ(Central->Value(server), before);
    EXPECT_EQ(Central->Count(QStringLiteral("select * from sys_jhdh")), 5);
    EXPECT_EQ(Local(QStringLiteral("select count(*) from sys_jhsj where has_upload is not null")), QStringLiteral("0"));
    qint16 counter = 0;
    RefreshOrders(Date(), counter, nullptr);
    EXPECT_EQ(Local(QStringLiteral("select group_concat(sj.id||':'||dh.dh) from sys_jhsj sj,sys_jhdh dh where sj.dhid=dh.id and dh.id>0")),
              QStringLiteral("5001:D-1001"));
}

INSTANTIATE_TEST_SUITE_P(Central, SyncBothTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool> &I) { return I.param ? "Odbc" : "Postgres"; });
