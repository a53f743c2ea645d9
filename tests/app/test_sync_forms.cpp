// The line chooser, the busy window and the toolbar flows with their boxes.
#include "TestFiles.h"
#include "ComCtrls.h"
#include "CodePages.h"
#include "FormHarness.h"
#include "Forms.h"
#include "proce.h"
#include "test_sync_fixture.h"
#include "tongbuxianl.h"
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

using namespace FormHarness;

namespace {

QByteArray FileBytes(const QString &Path)
{
    QFile f(Path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// A stand-in main window with the work date, counting the list reloads.
struct MainStandIn {
    TForm Form{nullptr};
    TDateTimePicker *Picker;
    int OrderReloads = 0;
    int ProductReloads = 0;
    MainStandIn()
    {
        Picker = new TDateTimePicker(&Form);
        Picker->SetParent(&Form);
        Picker->SetDate(EncodeDate(2024, 3, 9));
        SyncHost.MainForm = &Form;
        SyncHost.WorkDatePicker = Picker;
        SyncHost.ReloadOrders = [this] { ++OrderReloads; };
        SyncHost.ReloadProducts = [this] { ++ProductReloads; };
        SyncHost.Counter = 0;
    }
    ~MainStandIn() { SyncHost = TSyncHost(); }
};

bool BusyGone()
{
    for (int i = 0; i < 100 && Form2 && Form2->Visible(); ++i)
        ProcessEvents(10);
    return !Form2 || !Form2->Visible();
}

} // namespace

TEST(SyncBusyWindow, ScrollsItsTextAndClosesAtOneHundred)
{
    Application->Initialize();
    TForm2 &busy = *BusyWindow();
    EXPECT_EQ(BusyWindow(), &busy);
    busy.SetPercent(0);
    EXPECT_EQ(busy.Label1->Caption(), QStringLiteral("程序进入数据同步阶段,请耐心等待......."));
    EXPECT_EQ(busy.Label1->Left(), 133);
    EXPECT_EQ(busy.YbProgressBar1->Parent(), busy.panelpro);
    EXPECT_EQ(busy.YbProgressBar1->BarColor(), clNavy);
    EXPECT_FALSE(busy.Timer1->Enabled());
    busy.Show();
    EXPECT_TRUE(busy.Timer1->Enabled());
    busy.Timer1->SetEnabled(false); // ticks by hand from here
    busy.Timer1Timer(nullptr);
    EXPECT_EQ(busy.Label1->Left(), 132);
    // The right edge reaching 0 puts the text back at the window's width.
    busy.Label1->SetLeft(1 - busy.Label1->Width());
    busy.Timer1Timer(nullptr);
    EXPECT_EQ(busy.Label1->Left(), busy.Width());
    busy.Timer1Timer(nullptr);
    EXPECT_EQ(busy.Label1->Left(), busy.Width() - 1);

    busy.SetPercent(150);
    EXPECT_EQ(busy.YbProgressBar1->Percent(), 100);
    busy.SetPercent(-5);
    EXPECT_EQ(busy.YbProgressBar1->Percent(), 0);
    busy.SetPercent(40);
    busy.Label1->SetLeft(133);
    GrabToFile(&busy, TestFile(QStringLiteral("station_busy.png")));
    busy.SetPercent(99);
    busy.Timer1->SetEnabled(true);
    busy.Timer1Timer(nullptr);
    EXPECT_TRUE(busy.Visible());
    busy.SetPercent(100);
    busy.Timer1Timer(nullptr);
    EXPECT_FALSE(busy.Timer1->Enabled());
    EXPECT_FALSE(busy.Visible());
    EXPECT_EQ(busy.Label1->Left(), 133);

    // The running timer does the same by itself.
    busy.SetPercent(100);
    busy.Show();
    EXPECT_TRUE(BusyGone());
}

TEST(SyncLineChooser, DoubleClickRulesAndTheSavedFiles)
{
    Application->Initialize();
    StationFolder station(false);
    station.Sql(QStringLiteral("insert into sys_khline (id,bianh,fenlmc) values (3,'B','西线'),(1,'A','东线'),(2,'C','南线')"));
    TDataCenter dc(nullptr);
    const QString old = QDir::currentPath();
    QTemporaryDir elsewhere;
    QDir::setCurrent(elsewhere.path());
    {
        QFile id(station.Db() + QStringLiteral("tongbxlid.txt")), mc(station.Db() + QStringLiteral("tongbxlmc.txt"));
        ASSERT_TRUE(id.open(QIODevice::WriteOnly) && mc.open(QIODevice::WriteOnly));
        id.write("3\r\n");
        mc.write(StringToCodePage(QStringLiteral("西线\r\n"), 936));
    }
    MainStandIn main;
    main.Form.SetEnabled(false);
    TTongbu_Xianl chooser(nullptr);
    EXPECT_EQ(chooser.Caption(), QStringLiteral("同步线路"));
    ASSERT_TRUE(ShowAndActivate(&chooser));
    EXPECT_EQ(chooser.all_khfl->Items()->Text(), QStringLiteral("东线\r\n西线\r\n南线\r\n"));
    EXPECT_EQ(chooser.all_khfl_id->Items()->Text(), QStringLiteral("1\r\n3\r\n2\r\n"));
    EXPECT_FALSE(chooser.all_khfl_id->Visible());
    EXPECT_FALSE(chooser.select_khfl_id->Visible());
    EXPECT_EQ(chooser.select_khfl->Items()->Text(), QStringLiteral("西线\r\n"));
    EXPECT_EQ(chooser.select_khfl_id->Items()->Text(), QStringLiteral("3\r\n"));

    // A line already chosen is not added twice.
    chooser.all_khfl->SetItemIndex(1);
    chooser.all_khflDblClick(chooser.all_khfl);
    EXPECT_EQ(chooser.select_khfl_id->Items()->Text(), QStringLiteral("3\r\n"));
    // A double click on another line adds it.
    const TRect r = chooser.all_khfl->ItemRect(0);
    DblClick(chooser.all_khfl, Point((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2));
    EXPECT_EQ(chooser.select_khfl->Items()->Text(), QStringLiteral("西线\r\n东线\r\n"));
    EXPECT_EQ(chooser.select_khfl_id->Items()->Text(), QStringLiteral("3\r\n1\r\n"));
    // A double click on a chosen line removes it from both lists.
    chooser.select_khfl->SetItemIndex(0);
    chooser.select_khflDblClick(chooser.select_khfl);
    EXPECT_EQ(chooser.select_khfl->Items()->Text(), QStringLiteral("东线\r\n"));
    EXPECT_EQ(chooser.select_khfl_id->Items()->Text(), QStringLiteral("1\r\n"));
    // Nothing selected: nothing happens.
    chooser.select_khfl->SetItemIndex(-1);
    chooser.select_khflDblClick(chooser.select_khfl);
    EXPECT_EQ(chooser.select_khfl->Items()->Count(), 1);

    EXPECT_EQ(chooser.Button1->Caption(), QStringLiteral("选中所有->>"));
    Click(chooser.Button1);
    EXPECT_EQ(chooser.select_khfl->Items()->Text(), QStringLiteral("东线\r\n西线\r\n南线\r\n"));
    EXPECT_EQ(chooser.select_khfl_id->Items()->Text(), QStringLiteral("1\r\n3\r\n2\r\n"));
    chooser.select_khfl->SetItemIndex(2);
    chooser.select_khflDblClick(chooser.select_khfl);
    GrabToFile(&chooser, TestFile(QStringLiteral("station_lines.png")));

    // "开始同步" saves the choice, gives the main window back and starts the download.
    DialogRecorder dialogs; // the date box is cancelled
    EXPECT_EQ(chooser.Button2->Caption(), QStringLiteral("开始同步"));
    Click(chooser.Button2);
    EXPECT_FALSE(chooser.Visible());
    EXPECT_TRUE(main.Form.Enabled());
    EXPECT_EQ(FileBytes(station.Db() + QStringLiteral("tongbxlid.txt")), QByteArray("1\r\n3\r\n"));
    EXPECT_EQ(FileBytes(station.Db() + QStringLiteral("tongbxlmc.txt")), StringToCodePage(QStringLiteral("东线\r\n西线\r\n"), 936));
    ASSERT_EQ(dialogs.Dialogs.size(), 2u) << dialogs.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(dialogs.Dialogs[0].Kind, TDialogKind::InputQuery);
    EXPECT_EQ(dialogs.Dialogs[0].Caption, QStringLiteral("订货日期录入"));
    EXPECT_EQ(dialogs.Dialogs[0].Text, QStringLiteral("本次同步日期为:"));
    EXPECT_EQ(dialogs.Dialogs[1].Text, QStringLiteral("用户中途取消,此次同步操作失败!"));
    EXPECT_EQ(dialogs.Dialogs[1].Caption, QStringLiteral("提示!"));
    EXPECT_TRUE(BusyGone());
    EXPECT_EQ(ChosenLineIds(), QStringLiteral("0,1,3"));
    QDir::setCurrent(old);
}

TEST_F(SyncTest, DownloadButtonAsksFirstAndEmptiesTheScratchRows)
{
    MainStandIn main;
    LocalSql(QStringLiteral("insert into sys_print (id) values (1)"));
    {
        DialogRecorder dialogs;
        dialogs.Answers = {IDCANCEL};
        DownloadOrdersClick();
        EXPECT_EQ(dialogs.Texts(), (QStringList{
            QStringLiteral("您确定要从网络版系统下载订单数据吗？此操作会删除掉之前的车间发货数据,请确定之前的车间发货数据已经全部上传至网络版系统后再执行此操作！"),
            QStringLiteral("用户中途取消,此次下载订单操作失败!")}));
        EXPECT_EQ(dialogs.Dialogs[0].Caption, QStringLiteral("提示!"));
        EXPECT_EQ(dialogs.Dialogs[1].Caption, QStringLiteral("提示!"));
        EXPECT_TRUE(main.Form.Enabled());
        EXPECT_EQ(LocalCount(QStringLiteral("select * from sys_print")), 0);
    }
    // Confirmed: the line chooser comes up over the disabled main window;
    // choosing lines and closing runs the whole download.
    WriteLines(QStringLiteral("tongbxlid.txt"), {QStringLiteral("2")});
    WriteLines(QStringLiteral("tongbxlmc.txt"), {QStringLiteral("西线")});
    // The chooser made at start-up is the one shown; a second one of the
    // same owner would get a name of its own.
    auto *atStartUp = new TTongbu_Xianl(Application);
    {
        TTongbu_Xianl second(Application);
        EXPECT_EQ(second.Name(), atStartUp->Name() + QStringLiteral("_1"));
    }
    Tongbu_Xianl = atStartUp;
    DialogRecorder dialogs;
    dialogs.Inputs = {QStringLiteral("2024-03-09")};
    DownloadOrdersClick();
    EXPECT_FALSE(main.Form.Enabled());
    ASSERT_EQ(Tongbu_Xianl, atStartUp);
    EXPECT_TRUE(Tongbu_Xianl->Visible());
    Tongbu_Xianl->Close();
    EXPECT_TRUE(main.Form.Enabled());
    ASSERT_EQ(dialogs.Dialogs.size(), 3u);
    EXPECT_EQ(dialogs.Dialogs[2].Text, QStringLiteral(" 网络订单同步成功!"));
    EXPECT_EQ(dialogs.Dialogs[2].Caption, QStringLiteral("  提示!"));
    EXPECT_EQ(main.OrderReloads, 1);
    EXPECT_EQ(main.ProductReloads, 1);
    EXPECT_EQ(SyncHost.Counter, 100);
    EXPECT_FALSE(Data->S_ADOConnection1->Connected());
    EXPECT_EQ(Local(QStringLiteral("select group_concat(id) from sys_jhdh")), QStringLiteral("8"));
    EXPECT_TRUE(BusyGone());
    // Nothing was written where the station was started from.
    EXPECT_FALSE(QDir(Elsewhere.path() + QStringLiteral("/db")).exists());
    delete Tongbu_Xianl;
}

TEST_F(SyncTest, FullDownloadFlowEndings)
{
    MainStandIn main;
    LocalSql(QStringLiteral("insert into sys_cp (id,mc) values (1,'旧品'); insert into sys_jhdh (id,dh,dhrq,lx) values (1,'old','2024-01-01',2)"));
    {
        // The date box cancelled: nothing changes.
        DialogRecorder dialogs;
        FullDownloadClick();
        EXPECT_EQ(dialogs.Texts(), (QStringList{QStringLiteral("本次同步日期为:"), QStringLiteral("用户中途取消,此次同步操作失败!")}));
        EXPECT_EQ(dialogs.Dialogs[0].Value, QStringLiteral("2024-03-09")); // the work date
        EXPECT_EQ(dialogs.Dialogs[1].Caption, QStringLiteral("提示!"));
        EXPECT_EQ(Local(QStringLiteral("select group_concat(mc) from sys_cp")), QStringLiteral("旧品"));
        EXPECT_EQ(LocalCount(QStringLiteral("select * from sys_jhdh")), 1);
        EXPECT_FALSE(Data->S_ADOConnection1->Connected());
        EXPECT_TRUE(BusyGone());
    }
    {
        // A typed date that is no date ends with the error box.
        DialogRecorder dialogs;
        dialogs.Inputs = {QStringLiteral("2024-13-45")};
        FullDownloadClick();
        ASSERT_EQ(dialogs.Dialogs.size(), 2u);
        EXPECT_EQ(dialogs.Dialogs[1].Text, QStringLiteral("'2024-13-45' 不是有效的日期!"));
        EXPECT_TRUE(BusyGone());
    }
    {
        // The station's own database fails in the orders step (an order of
        // another day holds the id of the server's order of this day): it is
        // said so, and nothing of the download stays, the master tables neither.
        WriteLines(QStringLiteral("tongbxlid.txt"), {QStringLiteral("1"), QStringLiteral("2")});
        LocalSql(QStringLiteral("insert into sys_jhdh (id,dh,dhrq,lx) values (8,'taken','2024-03-20',2)"));
        DialogRecorder dialogs;
        dialogs.Inputs = {QStringLiteral("2024-03-09")};
        FullDownloadClick();
        ASSERT_EQ(dialogs.Texts().size(), 2);
        EXPECT_TRUE(dialogs.Texts()[1].startsWith(QStringLiteral("同步过程出现异常，请与系统开发商联系!\n本机数据库出错: ")))
            << dialogs.Texts()[1].toStdString();
        EXPECT_TRUE(dialogs.Texts()[1].endsWith(QStringLiteral("UNIQUE constraint failed: sys_jhdh.id")));
        EXPECT_EQ(Local(QStringLiteral("select group_concat(mc) from sys_cp")), QStringLiteral("旧品"));
        EXPECT_EQ(LocalCount(QStringLiteral("select * from sys_jhdh")), 2);
        EXPECT_EQ(main.OrderReloads, 0);
        EXPECT_TRUE(BusyGone());
        LocalSql(QStringLiteral("delete from sys_jhdh where id=8"));
    }
    {
        // A failing step: the error message, no success, no reload, busy window gone.
        Central->Sql(QStringLiteral("alter table sys_khxianl rename to gone"));
        DialogRecorder dialogs;
        dialogs.Inputs = {QStringLiteral("2024-03-09")};
        FullDownloadClick();
        // The station's box, with why in one line: the driver's text after the station's words.
        ASSERT_EQ(dialogs.Texts().size(), 2);
        EXPECT_EQ(dialogs.Texts()[0], QStringLiteral("本次同步日期为:"));
        EXPECT_TRUE(dialogs.Texts()[1].startsWith(QStringLiteral("同步过程出现异常，请与系统开发商联系!\n服务器执行出错: ")))
            << dialogs.Texts()[1].toStdString();
        EXPECT_TRUE(dialogs.Texts()[1].contains(QStringLiteral("sys_khxianl")));
        EXPECT_EQ(dialogs.Texts()[1].count(QLatin1Char('\n')), 1);
        EXPECT_EQ(dialogs.Dialogs[1].Caption, QStringLiteral("提示!"));
        EXPECT_EQ(main.OrderReloads, 0);
        EXPECT_EQ(main.Picker->Date(), EncodeDate(2024, 3, 9));
        EXPECT_FALSE(Data->S_ADOConnection1->Connected());
        EXPECT_TRUE(BusyGone());
        // Nothing came down, not even the steps before it.
        EXPECT_EQ(Local(QStringLiteral("select group_concat(mc) from sys_cp")), QStringLiteral("旧品"));
        EXPECT_EQ(LocalCount(QStringLiteral("select * from sys_jhdh")), 1);
    }
    {
        // No server: the connection message and nothing else.
        WriteLines(QStringLiteral("ip.txt"), {QStringLiteral("Provider=PostgreSQL;Data Source=127.0.0.1;Port=1;Initial Catalog=x;User ID=u;Password=")});
        DialogRecorder dialogs;
        dialogs.Inputs = {QStringLiteral("2024-03-10")};
        FullDownloadClick();
        ASSERT_EQ(dialogs.Texts().size(), 2);
        EXPECT_EQ(dialogs.Texts()[0], QStringLiteral("本次同步日期为:"));
        EXPECT_TRUE(dialogs.Texts()[1].startsWith(QStringLiteral("服务器连接失败,请检查电脑是否可以上网!\n"))) << dialogs.Texts()[1].toStdString();
        EXPECT_EQ(main.Picker->Date(), EncodeDate(2024, 3, 10));
        EXPECT_TRUE(BusyGone());
    }
}

TEST_F(SyncTest, RefreshAndUploadButtons)
{
    MainStandIn main;
    {
        // No line chosen yet: nothing could come down, and the operator is told why.
        DialogRecorder dialogs;
        RefreshOrdersClick();
        EXPECT_EQ(dialogs.Texts(), QStringList{QStringLiteral("尚未选择发货线路,请先点击\"同步订单\"选择发货线路!")});
        EXPECT_EQ(dialogs.Dialogs[0].Caption, QStringLiteral("提示!"));
        EXPECT_EQ(main.OrderReloads, 0);
        EXPECT_FALSE(Data->S_ADOConnection1->Connected());
    }
    WriteLines(QStringLiteral("tongbxlid.txt"), {QStringLiteral("1")});
    {
        DialogRecorder dialogs;
        dialogs.Answers = {IDCANCEL};
        RefreshOrdersClick();
        EXPECT_EQ(dialogs.Texts(), (QStringList{QStringLiteral("您确认要更新服务器上新增订单数据吗?"), QStringLiteral("用户中途取消,此次更新操作失败!")}));
        EXPECT_EQ(dialogs.Dialogs[1].Caption, QStringLiteral("提示!"));
        EXPECT_FALSE(Form2 && Form2->Visible());
    }
    {
        DialogRecorder dialogs;
        dialogs.Inputs = {QStringLiteral("2024-03-09")};
        RefreshOrdersClick();
        EXPECT_EQ(dialogs.Texts(), (QStringList{QStringLiteral("您确认要更新服务器上新增订单数据吗?"), QStringLiteral("本次同步日期为:"),
                                                QStringLiteral("数据更新成功!")}));
        EXPECT_EQ(dialogs.Dialogs[2].Caption, QStringLiteral("  提示!"));
        EXPECT_EQ(main.OrderReloads, 1);
        EXPECT_EQ(main.ProductReloads, 0);
        EXPECT_EQ(LocalCount(QStringLiteral("select * from sys_jhsj")), 2);
        EXPECT_TRUE(BusyGone());
    }
    LocalSql(QStringLiteral("update sys_jhsj set songhl=9 where id=70; insert into sys_jhsj_mx (jhsj_id,zhongzl,qup) values (70,9,0)"));
    {
        DialogRecorder dialogs;
        dialogs.Answers = {IDCANCEL};
        UploadDeliveriesClick();
        EXPECT_EQ(dialogs.Texts(), (QStringList{QStringLiteral("您确认已发或完毕要上传本地数据至服务器吗?"), QStringLiteral("用户中途取消,此次操作失败!")}));
        EXPECT_EQ(Central->Value(QStringLiteral("select coalesce(songhl::text,'N') from sys_jhsj where id=70")), QStringLiteral("N"));
    }
    {
        Central->Sql(QStringLiteral("alter table sys_jhsj add constraint small check (songhl < 5)"));
        DialogRecorder dialogs;
        UploadDeliveriesClick();
        // The operator learns which order stayed behind.
        ASSERT_EQ(dialogs.Texts().size(), 2);
        EXPECT_EQ(dialogs.Texts()[0], QStringLiteral("您确认已发或完毕要上传本地数据至服务器吗?"));
        EXPECT_TRUE(dialogs.Texts()[1].startsWith(QStringLiteral("上传数据失败,请检查网络连接是否正常或与管理员联系!\n单号 D-7: 服务器拒绝了数据: ")))
            << dialogs.Texts()[1].toStdString();
        EXPECT_EQ(dialogs.Dialogs[1].Caption, QStringLiteral("提示!"));
        EXPECT_TRUE(BusyGone());
        EXPECT_TRUE(dialogs.Texts()[1].contains(QStringLiteral("small")));
        EXPECT_FALSE(Data->S_ADOConnection1->Connected());
        Central->Sql(QStringLiteral("alter table sys_jhsj drop constraint small"));
    }
    {
        DialogRecorder dialogs;
        UploadDeliveriesClick();
        EXPECT_EQ(dialogs.Texts(), (QStringList{QStringLiteral("您确认已发或完毕要上传本地数据至服务器吗?"), QStringLiteral("数据上传成功!")}));
        EXPECT_EQ(dialogs.Dialogs[1].Caption, QStringLiteral("  提示!"));
        EXPECT_EQ(Central->Value(QStringLiteral("select songhl from sys_jhsj where id=70")), QStringLiteral("9"));
        EXPECT_FALSE(Data->S_ADOConnection1->Connected());
    }
}

// Through ODBC as well: there the server is told the limit after connecting.
TEST_P(SyncBothTest, ARowLockedOnTheServerTimesOutOnlyItsOrderWhileTheProgressShows)
{
    MainStandIn main;
    struct Restore {
        int Old = ServerStatementTimeoutMs;
        ~Restore() { ServerStatementTimeoutMs = Old; }
    } restore;
    ServerStatementTimeoutMs = 1000;
    LocalSql(QStringLiteral("insert into sys_jhdh (id,dh,dhrq,unit,lx) values (7,'D-7','2024-03-09',101,2),(8,'D-8','2024-03-09',102,2);"
                            "insert into sys_jhsj (id,dhid,mc,dinghl,songhl,dj,shisje) values (70,7,201,10.5,11,1.2,13.2),(80,8,201,5,6,1.1,6.6);"
                            "insert into sys_jhsj_mx (jhsj_id,zhongzl,qup) values (70,11,0),(80,6,0)"));
    // Another session on the server holds D-7's line. The server ends that
    // session after 60 s, so a station that waited for the lock would finish
    // late (and fail here) rather than hang the run.
    TADOConnection locker;
    locker.SetConnectionString(Central->ConnectionString());
    {
        TADOQuery limit;
        limit.SetConnection(&locker);
        limit.SQL()->SetText(QStringLiteral("set idle_in_transaction_session_timeout = 60000"));
        limit.ExecSQL();
    }
    locker.BeginTrans();
    TADOQuery lock;
    lock.SetConnection(&locker);
    lock.SQL()->SetText(QStringLiteral("select id from sys_jhsj where id=70 for update"));
    lock.Open();
    // What the busy window shows whenever it lets events through.
    QStringList shown;
    QTimer watch;
    watch.setInterval(0);
    QObject::connect(&watch, &QTimer::timeout, [&shown] {
        if (Form2 && Form2->Visible() && (shown.isEmpty() || shown.back() != Form2->Label2->Caption()))
            shown << Form2->Label2->Caption();
    });
    watch.start();
    DialogRecorder dialogs;
    QElapsedTimer took;
    took.start();
    UploadDeliveriesClick();
    watch.stop();
    EXPECT_LT(took.elapsed(), 60000);
    try {
        locker.RollbackTrans();
    } catch (const Exception &) {
        // the server already ended the session
    }
    EXPECT_EQ(shown, (QStringList{QStringLiteral("正在连接服务器......"), QStringLiteral("正在上传第 1 单, 共 2 单 (单号 D-7)"),
                                  QStringLiteral("正在上传第 2 单, 共 2 单 (单号 D-8)")}));
    // One line per order that stayed behind: why, then the driver's words.
    ASSERT_EQ(dialogs.Texts().size(), 2);
    EXPECT_EQ(dialogs.Dialogs[1].Caption, QStringLiteral("提示!"));
    const QStringList lines = dialogs.Texts()[1].split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 2) << dialogs.Texts()[1].toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("上传数据失败,请检查网络连接是否正常或与管理员联系!"));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("单号 D-7: 等待服务器超时(数据可能正被他人修改): "))) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].contains(QStringLiteral("statement timeout"))) << lines[1].toStdString();
    // The other order went up; the locked one is left to send again.
    EXPECT_EQ(Central->Value(QStringLiteral("select songhl from sys_jhsj where id=80")), QStringLiteral("6"));
    EXPECT_EQ(Central->Value(QStringLiteral("select coalesce(songhl::text,'N') from sys_jhsj where id=70")), QStringLiteral("N"));
    EXPECT_EQ(Local(QStringLiteral("select group_concat(id||':'||ifnull(has_upload,'N')) from (select * from sys_jhsj order by id)")),
              QStringLiteral("70:N,80:1"));
    EXPECT_FALSE(Data->S_ADOConnection1->Connected());
    EXPECT_TRUE(BusyGone());
}

TEST_F(SyncTest, UploadProgressBarFollowsItsLabel)
{
    MainStandIn main;
    LocalSql(QStringLiteral("insert into sys_jhdh (id,dh,dhrq,unit,lx) values (7,'D-7','2024-03-09',101,2),(8,'D-8','2024-03-09',102,2),"
                            "(9,'D-9','2024-03-10',101,2);"
                            "insert into sys_jhsj (id,dhid,mc,dinghl,songhl) values (70,7,201,10.5,11),(80,8,201,5,6),(90,9,201,3,3);"
                            "insert into sys_jhsj_mx (jhsj_id,zhongzl,qup) values (70,11,0),(80,6,0),(90,3,0)"));
    // The label and the bar whenever the busy window lets events through
    // (that is when it is painted).
    QStringList seen;
    QTimer watch;
    watch.setInterval(0);
    QObject::connect(&watch, &QTimer::timeout, [&seen] {
        if (!Form2 || !Form2->Label2->Caption().startsWith(QStringLiteral("正在上传")))
            return;
        const QString s = Form2->Label2->Caption().section(QLatin1Char(' '), 0, 5) + QStringLiteral(" %1%").arg(Form2->YbProgressBar1->Percent());
        if (seen.isEmpty() || seen.back() != s)
            seen << s;
    });
    watch.start();
    DialogRecorder dialogs;
    UploadDeliveriesClick();
    EXPECT_EQ(dialogs.Texts().value(1), QStringLiteral("数据上传成功!"));
    EXPECT_EQ(seen.join(QLatin1Char('|')).toStdString(), "正在上传第 1 单, 共 3 单 0%|正在上传第 2 单, 共 3 单 33%|正在上传第 3 单, 共 3 单 66%");
}

namespace {

QStringList *GLogged = nullptr;

void KeepMessage(QtMsgType, const QMessageLogContext &, const QString &Text)
{
    GLogged->append(Text);
}

} // namespace

// Another ODBC driver as the central server: SQLite's, which takes no
// statement limit. The station connects (the log says the limit is missing),
// orders come down through the refresh and the quantity goes up.
TEST(SyncOtherOdbcDriver, ASqliteCentralDatabaseServesTheRefreshAndTheUpload)
{
    Application->Initialize();
    StationFolder station(false);
    TDataCenter dc(nullptr);
    QTemporaryDir central;
    const QString file = central.filePath(QStringLiteral("central.db"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    auto centralSql = [&file](const QString &Sql) {
        TADOConnection c;
        c.SetConnectionString(QStringLiteral("Provider=SQLite;Data Source=") + file);
        TADOQuery q;
        q.SetConnection(&c);
        q.SQL()->SetText(Sql);
        if (!Sql.startsWith(QLatin1String("select"))) {
            q.ExecSQL();
            return QString();
        }
        q.Open();
        return q.Fields(0).AsString();
    };
    for (const char *sql : {
             "create table sys_unit (id integer primary key, usercode text, shortname text, typea integer, typeb integer,"
             " typec integer, typed integer, dadj integer, dydw integer, mode integer, yn integer, piny text, address text,"
             " phone text, linkman text)",
             "create table sys_jhdh (id integer primary key, dh text, dhrq date, unit integer, lx integer, lury text, zf integer, zt integer)",
             "create table sys_jhsj (id integer primary key, dhid integer, mc integer, dinghl numeric, songhl numeric, dj numeric,"
             " shisje numeric, dhsl numeric, fudw text, bz1 text)",
             "insert into sys_unit (id,usercode,shortname,typec,dadj,dydw,mode,yn) values (101,'K1','东饭店',1,1,0,2,1)",
             "insert into sys_jhdh (id,dh,dhrq,unit,lx,lury) values (7,'D-7','2024-03-09',101,2,'录入员')",
             "insert into sys_jhsj (id,dhid,mc,dinghl,dj,shisje) values (70,7,201,10.5,1.2,12.6)"})
        centralSql(QString::fromUtf8(sql));
    for (const auto &[name, line] : {std::pair{"ip.txt", QStringLiteral("Provider=MSDASQL;Driver={SQLite3};Initial Catalog=") + file},
                                     std::pair{"tongbxlid.txt", QStringLiteral("1")}}) {
        QFile f(station.Db() + QString::fromLatin1(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(line.toUtf8() + "\r\n");
    }
    MainStandIn main;
    QStringList logged;
    GLogged = &logged;
    const QtMessageHandler old = qInstallMessageHandler(KeepMessage);
    DialogRecorder dialogs;
    dialogs.Inputs = {QStringLiteral("2024-03-09")};
    RefreshOrdersClick();
    dc.LocalExec(QStringLiteral("update sys_jhsj set songhl=9.5 where id=70"));
    dc.LocalExec(QStringLiteral("insert into sys_jhsj_mx (jhsj_id,zhongzl,qup) values (70,9.5,0)"));
    UploadDeliveriesClick();
    qInstallMessageHandler(old);
    EXPECT_EQ(dialogs.Texts(), (QStringList{QStringLiteral("您确认要更新服务器上新增订单数据吗?"), QStringLiteral("本次同步日期为:"),
                                            QStringLiteral("数据更新成功!"), QStringLiteral("您确认已发或完毕要上传本地数据至服务器吗?"),
                                            QStringLiteral("数据上传成功!")}));
    auto local = dc.LocalOpen(QStringLiteral("select dh||':'||shortname from sys_jhdh dh, sys_unit u where u.id=dh.unit"));
    EXPECT_EQ(local->Fields(0).AsString(), QStringLiteral("D-7:东饭店"));
    EXPECT_EQ(centralSql(QStringLiteral("select songhl from sys_jhsj where id=70")), QStringLiteral("9.5"));
    // The refresh's connection and the upload's each noted that statements run unbounded.
    EXPECT_EQ(logged.filter(QStringLiteral("S_ADOConnection1: statements on this server run without the 30000 ms limit")).size(), 2)
        << logged.join(QLatin1Char('\n')).toStdString();
}
