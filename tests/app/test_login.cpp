// Tests of login (app).
#include "FormHarness.h"
#include "Login_Code.h"
#include "StationFixture.h"
#include "Sell_Add_Keh_Code.h"
#include "Unit1.h"
#include "datacenter_code.h"
#include "sell_dh_input_code.h"
#include "station_startup.h"
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTest>

using namespace FormHarness;

TEST(WorkDate, TurnsOverAtTen)
{
    struct Case { int Y, M, D, H, N; int EY, EM, ED; };
    const Case cases[] = {
        {2024, 3, 9, 0, 0, 2024, 3, 9},   {2024, 3, 9, 9, 59, 2024, 3, 9},
        {2024, 3, 9, 10, 0, 2024, 3, 10}, {2024, 3, 9, 23, 59, 2024, 3, 10},
        {2024, 2, 28, 12, 0, 2024, 2, 29}, {2024, 12, 31, 10, 0, 2025, 1, 1},
    };
    for (const Case &c : cases) {
        const TDateTime moment = EncodeDate(c.Y, c.M, c.D) + EncodeTime(c.H, c.N, 30, 0);
        EXPECT_EQ(WorkDateFor(moment), EncodeDate(c.EY, c.EM, c.ED)) << c.Y << '-' << c.M << '-' << c.D << ' ' << c.H << ':' << c.N;
    }
}

TEST(Login, PasswordDigestIsMd5OfGbkBytes)
{
    EXPECT_EQ(PasswordDigest(QStringLiteral("密码")), QStringLiteral("d2293e30f0c964c5f6242486aa8a483c"));
    EXPECT_EQ(PasswordDigest(QStringLiteral("123")), QStringLiteral("202cb962ac59075b964b07152d234b70"));
    EXPECT_EQ(PasswordDigest(QString()), QStringLiteral("d41d8cd98f00b204e9800998ecf8427e"));
}

namespace {

// The main window's first activation disables it and brings up the login window.
bool ShowMainAndWaitForLogin()
{
    main_->Show();
    for (int i = 0; i < 200 && !(Login->Visible() && Login->Active()); ++i)
        ProcessEvents(10);
    return Login->Visible() && Login->Active();
}

// Starts the station's windows over a demo database, as the main block does,
// and lets the main window's first activation bring up the login window.
class LoginTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qputenv("STATION_OSK", "/bin/true");
        Application->Initialize();
        ASSERT_TRUE(CreateStationForms());
        ASSERT_TRUE(ShowMainAndWaitForLogin());
    }

    // The application keeps the forms it created; free them so tests can share a process.
    void TearDown() override { DoneApplication(); }

    void LogIn(const QString &User, const QString &Password)
    {
        ASSERT_TRUE(Focus(Login->UID));
        Login->UID->SelectAll();
        Type(User);
        Key(Qt::Key_Return);
        ASSERT_TRUE(Login->PWD->Focused());
        Type(Password);
        Key(Qt::Key_Return);
        ProcessEvents(20);
    }

    StationFolder Station;
};

} // namespace

TEST_F(LoginTest, MainWindowWaitsDisabledForTheLogin)
{
    EXPECT_FALSE(main_->Enabled());
    EXPECT_EQ(main_->Tag(), 1);
    EXPECT_EQ(main_->caozy->Caption(), QStringLiteral("管理员"));
    EXPECT_EQ(Login->UID->Text(), QStringLiteral("填写帐号"));
    EXPECT_EQ(Login->PWD->Text(), QStringLiteral("填写密码"));
    EXPECT_EQ(Login->PWD->PasswordChar(), QChar());
    EXPECT_EQ(main_->DateTimePicker1->Date(), WorkDateFor(Now()));
}

TEST_F(LoginTest, RightPasswordLogsIn)
{
    LogIn(QStringLiteral("demo"), QStringLiteral("123"));
    EXPECT_EQ(main_->caozy->Caption(), QStringLiteral("演示操作员"));
    EXPECT_TRUE(main_->Enabled());
    EXPECT_EQ(main_->Tag(), 1);
    EXPECT_FALSE(Login->Visible());
    QFile f(Station.Db() + QStringLiteral("usertmp.txt"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("demo\r\n"));
}

TEST_F(LoginTest, WrongPasswordIsRefused)
{
    TModalAnswerer answers;
    LogIn(QStringLiteral("demo"), QStringLiteral("999"));
    ASSERT_EQ(answers.Texts.size(), 1);
    EXPECT_EQ(answers.Texts[0], QStringLiteral("用户名或密码输入错误,为安全起见请重新输入!"));
    EXPECT_EQ(answers.Captions[0], QStringLiteral("提示!"));
    EXPECT_FALSE(main_->Enabled());
    EXPECT_TRUE(Login->Visible());
    EXPECT_EQ(Login->PWD->SelText(), QStringLiteral("999"));
    // The password field is the login window's focused control again.
    EXPECT_EQ(Login->ActiveControl(), Login->PWD);
    EXPECT_FALSE(QFile::exists(Station.Db() + QStringLiteral("usertmp.txt")));
}

TEST_F(LoginTest, QuotesInTheUserIdCannotChangeTheStatement)
{
    TModalAnswerer answers;
    LogIn(QStringLiteral("x' or 1=1 or '1'='"), QStringLiteral("anything"));
    EXPECT_EQ(answers.Texts.size(), 1);
    EXPECT_FALSE(main_->Enabled());
    EXPECT_EQ(main_->caozy->Caption(), QStringLiteral("管理员"));
}

namespace {

// What an operator does on the main window: touch the first order, touch
// its first tile, F1 in the keypad if one opened (the scale shows 10), then
// F2 on the main window. Returns the weighing records and what opened; the
// login window, if still shown, is active again afterwards.
struct TMainActs {
    int Records = 0;
    bool Keypad = false, NewOrder = false, Lines = false;
    QStringList Boxes;
};

TMainActs ActOnMain()
{
    TMainActs out;
    TModalAnswerer answers;
    Tmain *m = main_;
    m->m_zhongzl->SetText(QStringLiteral("10"));
    m->LoadOrders(QString()); // no tiles yet
    m->Sell_Dh->SyncWithDataSet();
    const TRect row = m->Sell_Dh->CellRect(2, 1);
    Click(m->Sell_Dh, Point((row.Left + row.Right) / 2, (row.Top + row.Bottom) / 2));
    out.Lines = m->SellTiles.Id(1, 1) != 0;
    // The tiles are filled either way, so the touch below meets a real tile.
    m->LoadOrderLines();
    const TRect tile = m->Sell_StringGrid1->CellRect(1, 1);
    Click(m->Sell_StringGrid1, Point(tile.Left + 10, tile.Top + 10));
    ProcessEvents(20);
    out.Keypad = sell_dh_input->Visible();
    if (out.Keypad) {
        EXPECT_TRUE(QTest::qWaitForWindowActive(sell_dh_input->Widget(), 20000));
        Key(Qt::Key_F1);
        ProcessEvents(20);
    }
    // F2 straight at the window and at its tile grid, wherever the focus is.
    QTest::keyClick(m->Widget(), Qt::Key_F2);
    QTest::keyClick(m->Sell_StringGrid1->Widget(), Qt::Key_F2);
    ProcessEvents(20);
    out.NewOrder = Sell_Add_Keh->Visible();
    // Closing a dialog gives the main window back, but never before a login.
    Sell_Add_Keh->Close();
    if (Login->Visible()) {
        EXPECT_TRUE(ShowAndActivate(Login));
    }
    out.Records = DataCenter->LocalOpen(QStringLiteral("select count(*) as n from sys_jhsj_mx"))->FieldByName(QStringLiteral("n")).AsInteger();
    out.Boxes = answers.Texts;
    return out;
}

} // namespace

TEST_F(LoginTest, NothingInTheMainWindowActsBeforeALogin)
{
    for (const char *password : {"", "999"}) {
        SCOPED_TRACE(password);
        if (*password) {
            TModalAnswerer answers;
            LogIn(QStringLiteral("demo"), QString::fromLatin1(password));
            ASSERT_EQ(answers.Texts.size(), 1);
        }
        const TMainActs acts = ActOnMain();
        EXPECT_EQ(acts.Records, 0);
        EXPECT_FALSE(acts.Lines);
        EXPECT_FALSE(acts.Keypad);
        EXPECT_FALSE(acts.NewOrder);
        EXPECT_TRUE(acts.Boxes.isEmpty()) << acts.Boxes.join('|').toStdString();
    }
    LogIn(QStringLiteral("demo"), QStringLiteral("123"));
    ASSERT_TRUE(main_->Enabled());
    ASSERT_TRUE(ShowAndActivate(main_));
    const TMainActs acts = ActOnMain();
    EXPECT_TRUE(acts.Lines);
    EXPECT_TRUE(acts.Keypad);
    EXPECT_EQ(acts.Records, 1);
    EXPECT_TRUE(acts.NewOrder);
}

TEST(LoginLastUser, RemembersTheLastUserInGbk)
{
    StationFolder station;
    QFile f(station.Db() + QStringLiteral("usertmp.txt"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\xD5\xC5\xC8\xFD\r\n"); // 张三 in GBK
    f.close();
    Application->Initialize();
    ASSERT_TRUE(CreateStationForms());
    ASSERT_TRUE(ShowMainAndWaitForLogin());
    EXPECT_EQ(Login->UID->Text(), QStringLiteral("张三"));
    EXPECT_TRUE(Login->PWD->Focused());
    DoneApplication();
}

TEST(LoginLastUser, AFileThatIsNoFileIsReportedNotWaitedFor)
{
    // A directory of that name and a huge file (the scale tests take the pipe).
    for (bool huge : {false, true}) {
        SCOPED_TRACE(huge);
        StationFolder station;
        const QString file = station.Db() + QStringLiteral("usertmp.txt");
        if (huge) {
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(100000, 'a'));
        } else {
            ASSERT_TRUE(QDir().mkdir(file));
        }
        Application->Initialize();
        TModalAnswerer answers;
        ASSERT_TRUE(CreateStationForms());
        ASSERT_TRUE(ShowMainAndWaitForLogin());
        EXPECT_EQ(answers.Texts, QStringList{huge ? QStringLiteral("usertmp.txt过大(100000字节,最多65536字节),上次登录的帐号未读取!")
                                                   : QStringLiteral("usertmp.txt不是普通文件,上次登录的帐号未读取!")});
        EXPECT_EQ(Login->UID->Text(), QStringLiteral("填写帐号"));
        EXPECT_TRUE(Login->UID->Focused());
        DoneApplication();
    }
}

TEST(StationStartup, MissingDatabaseStopsWithItsPath)
{
    StationFolder station(false, false);
    Application->Initialize();
    TModalAnswerer answers;
    EXPECT_FALSE(CreateStationForms());
    DoneApplication();
    ASSERT_EQ(answers.Texts.size(), 1);
    EXPECT_TRUE(answers.Texts[0].contains(station.Db() + QStringLiteral("dat.db"))) << answers.Texts[0].toStdString();
    EXPECT_FALSE(QFile::exists(station.Db() + QStringLiteral("dat.db")));
}

TEST_F(LoginTest, DatabaseErrorShowsTheExceptionBoxAndTheStationGoesOn)
{
    Station.Sql(QStringLiteral("drop table sys_user"));
    TModalAnswerer answers;
    LogIn(QStringLiteral("demo"), QStringLiteral("123"));
    ASSERT_EQ(answers.Texts.size(), 1);
    EXPECT_TRUE(answers.Texts[0].contains(QStringLiteral("sys_user"))) << answers.Texts[0].toStdString();
    EXPECT_FALSE(main_->Enabled());
    EXPECT_TRUE(Login->Visible());
}

TEST_F(LoginTest, ToolbarStartsTheDownloadFlow)
{
    LogIn(QStringLiteral("demo"), QStringLiteral("123"));
    ASSERT_TRUE(main_->Enabled());
    EXPECT_EQ(main_->ToolButton1->Caption(), QStringLiteral(" 同步订单 "));
    EXPECT_EQ(main_->ToolButton2->Caption(), QStringLiteral(" 刷新订单 "));
    EXPECT_EQ(main_->ToolButton4->Caption(), QStringLiteral(" 上传数据 "));
    EXPECT_FALSE(main_->Button6->Visible());
    TModalAnswerer answers({QStringLiteral("取消")});
    Click(main_->ToolButton1);
    ProcessEvents(20);
    ASSERT_EQ(answers.Texts.size(), 2);
    EXPECT_TRUE(answers.Texts[0].startsWith(QStringLiteral("您确定要从网络版系统下载订单数据吗？"))) << answers.Texts[0].toStdString();
    EXPECT_EQ(answers.Texts[1], QStringLiteral("用户中途取消,此次下载订单操作失败!"));
    EXPECT_TRUE(main_->Enabled());
}

TEST(StationStartup, WindowsAreCreatedInTheStationsOrder)
{
    StationFolder station;
    Application->Initialize();
    ASSERT_TRUE(CreateStationForms());
    QStringList classes;
    for (int i = 0; i < Application->ComponentCount(); ++i)
        classes << Application->Components(i)->ClassName();
    DoneApplication();
    EXPECT_EQ(classes, QStringList({"Tmain", "TDataCenter", "Tsell_dh_input", "TSell_Mingx", "TSell_Add_Keh",
                                    "TSell_Add_Cp", "TLogin", "TSell_Dh_Qup", "Tsell_lx_input", "TSell_Lx_Qup",
                                    "TSell_CpMingx", "TTongbu_Xianl", "TForm2"}));
}
