// Two stations on one central server: work changed after its upload, lines the server adds, lines both fill.
#include "test_sync_fixture.h"
#include "Sell_Add_Cp_Code.h"
#include "Sell_Add_Keh_Code.h"
#include "Sell_Mingx_Code.h"
#include "weighing_code.h"

namespace {

// One step at station A (0) or B (1). Lines are picked by order number, customer and product.
struct Step {
    int Station;
    char Action; // W walk-in, G weigh again, F F5-delete the last record, D delete the added line,
                 // R 刷新订单, Y 同步订单, U 上传数据, S server SQL, Q station SQL, O restart
    int Unit = 0;
    int Product = 0;
    double Net = 0;
    const char *Text = ""; // order number (G/F/D), SQL (S/Q), or what the last box says (R/Y/U)
};

struct Scenario {
    const char *Name;
    std::vector<Step> Steps;
    const char *Server;      // delivered lines on the server: customer, order, product=quantity
    const char *LocalAtEnd;  // lines at the last step's station, '*' when not marked uploaded
    const char *Check = nullptr; // a select at the last step's station ...
    const char *CheckIs = "";    // ... and its first value
};

const char *const Done = "数据上传成功!";
const char *const Refreshed = "数据更新成功!";
const char *const LoseMark = "create trigger lose before update of has_upload on sys_jhsj when new.has_upload=1 "
                             "begin select raise(abort,'disk I/O error'); end";

const Scenario Scenarios[] = {
    {"re-weighed after its upload",
     {{0, 'W', 102, 201, 20.5}, {0, 'U', 0, 0, 0, Done}, {0, 'G', 102, 201, 1.5, "CS240309001"}, {0, 'U', 0, 0, 0, Done}},
     "西食堂 CS240309001 201=22.000", "CS240309001/102/201=22.0"},
    {"F5 delete after its upload",
     {{0, 'W', 102, 201, 20.5}, {0, 'G', 102, 201, 1.5, "CS240309001"}, {0, 'U', 0, 0, 0, Done},
      {0, 'F', 102, 201, 0, "CS240309001"}, {0, 'U', 0, 0, 0, Done}},
     "西食堂 CS240309001 201=20.500", "CS240309001/102/201=20.5"},
    {"added line deleted whole after its upload",
     {{0, 'W', 102, 201, 20.5}, {0, 'U', 0, 0, 0, Done}, {0, 'D', 102, 201, 0, "CS240309001"}, {0, 'U', 0, 0, 0, Done},
      {0, 'U', 0, 0, 0, Done}},
     "西食堂 CS240309001 201=0.000", ""},
    {"an added line deleted whole, then a full download before the upload",
     {{0, 'W', 102, 201, 20.5}, {0, 'U', 0, 0, 0, Done}, {0, 'D', 102, 201, 0, "CS240309001"},
      {0, 'Y', 0, 0, 0, " 网络订单同步成功!"}, {0, 'U', 0, 0, 0, Done}, {0, 'Y', 0, 0, 0, " 网络订单同步成功!"}},
     "西食堂 CS240309001 201=0.000", "D-8/102/201=N*"},
    {"the server adds a line to an uploaded walk-in",
     {{0, 'W', 102, 201, 20.5}, {0, 'U', 0, 0, 0, Done},
      {0, 'S', 0, 0, 0, "insert into sys_jhsj(dhid,mc,dinghl,dj,shisje,bz1) select id,203,2,13.5,27,'办公室加' from sys_jhdh "
                        "where dh='CS240309001'"},
      {0, 'R', 0, 0, 0, Refreshed}, {0, 'R', 0, 0, 0, Refreshed}, {0, 'Y', 0, 0, 0, " 网络订单同步成功!"},
      {0, 'R', 0, 0, 0, Refreshed}, {0, 'G', 102, 203, 2, "CS240309001"}, {0, 'U', 0, 0, 0, Done}},
     "西食堂 CS240309001 201=20.500;西食堂 CS240309001 203=2.000 办公室加",
     "CS240309001/102/201=20.5;CS240309001/102/203=2.0;D-8/102/201=N*"},
    {"a second station fills the same line",
     {{0, 'Y', 0, 0, 0, " 网络订单同步成功!"}, {1, 'Y', 0, 0, 0, " 网络订单同步成功!"}, {0, 'G', 102, 201, 5, "D-8"}, {0, 'U', 0, 0, 0, Done},
      {1, 'G', 102, 201, 3, "D-8"}, {1, 'U', 0, 0, 0, Done}, {1, 'U', 0, 0, 0, Done}, {0, 'R', 0, 0, 0, Refreshed}},
     "西食堂 D-8 201=8.000", "D-8/102/201=8.0",
     // The amount follows the quantity both stations delivered, at the server's price.
     "select songhl||'|'||shisje from sys_jhsj where id=80", "8.0|8.8"},
    {"another station's delivered walk-in comes down delivered",
     {{0, 'W', 102, 201, 20.5}, {0, 'U', 0, 0, 0, Done}, {1, 'R', 0, 0, 0, Refreshed}, {1, 'U', 0, 0, 0, Done},
      {0, 'G', 102, 201, 1.5, "CS240309001"}, {0, 'U', 0, 0, 0, Done}, {1, 'R', 0, 0, 0, Refreshed}},
     "西食堂 CS240309001 201=22.000", "CS240309001/102/201=22.0*;D-8/102/201=N*",
     // Another station's walk-in comes down without the key its upload used.
     "select ifnull(bz,'N')||'|'||shisje from sys_jhsj where mc=201 and dhid>=900000", "N|44.0"},
    {"two stations' walk-ins in any order",
     {{0, 'W', 102, 201, 20.5}, {1, 'W', 101, 203, 4}, {1, 'U', 0, 0, 0, Done}, {0, 'R', 0, 0, 0, Refreshed},
      {0, 'U', 0, 0, 0, Done}, {1, 'G', 101, 203, 1, "CS240309001"}, {0, 'G', 102, 201, 1.5, "CS240309001"},
      {1, 'R', 0, 0, 0, Refreshed}, {1, 'U', 0, 0, 0, Done}, {0, 'U', 0, 0, 0, Done}, {0, 'R', 0, 0, 0, Refreshed},
      {1, 'R', 0, 0, 0, Refreshed}, {1, 'R', 0, 0, 0, Refreshed}},
     "东饭店 CS240309001 203=5.000;西食堂 CS240309001 201=22.000",
     "CS240309001/101/203=5.0;CS240309001/102/201=22.0*;D-8/102/201=N*"},
    {"a lost local commit, then every note edited on the server",
     {{0, 'W', 102, 201, 20.5}, {0, 'Q', 0, 0, 0, LoseMark},
      {0, 'U', 0, 0, 0, "上传数据失败,本机数据库出错,请关闭其他使用本机数据库的程序后重新上传或与管理员联系!\n单号 CS240309001: 本机数据库出错: "},
      {0, 'S', 0, 0, 0, "update sys_jhsj set bz1='改过'"}, {0, 'Q', 0, 0, 0, "drop trigger lose"},
      {0, 'G', 102, 201, 1.5, "CS240309001"}, {0, 'U', 0, 0, 0, Done}, {0, 'U', 0, 0, 0, Done}},
     "西食堂 CS240309001 201=22.000 改过", "CS240309001/102/201=22.0"},
    {"a line that comes down again after its weighing records were purged",
     {{0, 'Y', 0, 0, 0, " 网络订单同步成功!"}, {0, 'G', 102, 201, 5, "D-8"}, {0, 'U', 0, 0, 0, Done},
      {0, 'Q', 0, 0, 0, "delete from sys_jhsj_mx"},
      {0, 'Q', 0, 0, 0, "delete from sys_jhsj where id=80"}, {0, 'Y', 0, 0, 0, " 网络订单同步成功!"},
      {0, 'U', 0, 0, 0, Done}},
     "西食堂 D-8 201=5.000", "D-8/102/201=5.0"},
    {"a server that keeps two decimals",
     {{0, 'S', 0, 0, 0, "alter table sys_jhsj alter column songhl type numeric(12,2)"}, {0, 'W', 102, 201, 20.125},
      {0, 'U', 0, 0, 0, Done}, {0, 'G', 102, 201, 1.5, "CS240309001"}, {0, 'U', 0, 0, 0, Done}},
     "西食堂 CS240309001 201=21.63", "CS240309001/102/201=21.63"},
    {"re-weighed after its upload by a build that kept no server quantity",
     {{0, 'W', 102, 201, 20.5}, {0, 'U', 0, 0, 0, Done}, {0, 'G', 102, 201, 1.5, "CS240309001"},
      {0, 'Q', 0, 0, 0, "alter table sys_jhsj drop column server_songhl"}, {0, 'O'}, {0, 'U', 0, 0, 0, Done}},
     "西食堂 CS240309001 201=22.000", "CS240309001/102/201=22.0"},
};

} // namespace

class SyncStationsTest : public SyncStationsBase
{
protected:
    void Run(const Scenario &C);
    // The line a step names; 0 when there is none.
    int Line(const Step &S)
    {
        auto q = Data->LocalOpen(QStringLiteral("select sj.id from sys_jhsj sj,sys_jhdh dh where sj.dhid=dh.id and dh.dh=? "
                                              "and dh.unit=? and sj.mc=?"),
                                 {Variant(QString::fromUtf8(S.Text)), Variant(S.Unit), Variant(S.Product)});
        return q->IsEmpty() ? 0 : q->Fields(0).AsInteger();
    }
};

void SyncStationsTest::Run(const Scenario &C)
{
    const QString serverLines = QStringLiteral(
        "select coalesce(string_agg(u.shortname||' '||dh.dh||' '||sj.mc||'='||sj.songhl||coalesce(' '||sj.bz1,''), ';' "
        "order by u.shortname,dh.dh,sj.mc),'') "
        "from sys_jhdh dh,sys_jhsj sj,sys_unit u where sj.dhid=dh.id and u.id=dh.unit and sj.songhl is not null");
    const QString localLines = QStringLiteral(
        "select ifnull(group_concat(x,';'),'') from (select dh.dh||'/'||dh.unit||'/'||sj.mc||'='||ifnull(sj.songhl,'N')||"
        "case when sj.has_upload is null then '*' else '' end as x from sys_jhsj sj,sys_jhdh dh "
        "where sj.dhid=dh.id and dh.dh<>'D-7' order by dh.dh,dh.unit,sj.mc)");
    Fresh();
    int at = 0;
    for (const Step &s : C.Steps) {
        SCOPED_TRACE(::testing::Message() << "step " << ++at);
        Use(s.Station);
        DialogRecorder dialogs;
        TWeighing w;
        w.Net = w.Gross = s.Net;
        switch (s.Action) {
        case 'W': {
            QString dh;
            ASSERT_TRUE(CreateStationOrder(TestDay(), s.Unit, QStringLiteral("op"), dh));
            const int order = Data->LocalOpen(QStringLiteral("select min(id) from sys_jhdh"))->Fields(0).AsInteger();
            ASSERT_LT(AddStationLine(order, s.Product, s.Net, 0, s.Net, 2, s.Net * 2), 0);
            break;
        }
        case 'G':
            ASSERT_TRUE(SaveLineWeighing(Line(s), w, true));
            break;
        case 'F':
            ASSERT_TRUE(DeleteWeighingRecord(
                Data->LocalOpen(QStringLiteral("select max(id) from sys_jhsj_mx where jhsj_id=? and delete_yes is null"), {Variant(Line(s))})
                    ->Fields(0)
                    .AsInteger()));
            break;
        case 'D':
            ASSERT_TRUE(DeleteAddedLine(Line(s)));
            break;
        case 'S':
            Central->Sql(QString::fromUtf8(s.Text));
            break;
        case 'Q':
            ASSERT_TRUE(Data->LocalExec(QString::fromUtf8(s.Text)));
            break;
        case 'O': // the station started again
            Restart();
            break;
        default:
            dialogs.Inputs = {TestDay()};
            if (s.Action == 'R')
                RefreshOrdersClick();
            else if (s.Action == 'Y')
                FullDownloadClick();
            else
                UploadDeliveriesClick();
            ASSERT_FALSE(dialogs.Texts().isEmpty());
            EXPECT_TRUE(dialogs.Texts().back().contains(QString::fromUtf8(s.Text))) << dialogs.Texts().back().toStdString();
        }
    }
    EXPECT_EQ(Central->Value(serverLines).toStdString(), C.Server);
    EXPECT_EQ(Data->LocalOpen(localLines)->Fields(0).AsString().toStdString(), C.LocalAtEnd);
    if (C.Check) {
        EXPECT_EQ(Data->LocalOpen(QString::fromUtf8(C.Check))->Fields(0).AsString().toStdString(), C.CheckIs);
    }
}

TEST_P(SyncStationsTest, AfterTheUploadAndBetweenStations)
{
    for (const Scenario &c : Scenarios) {
        SCOPED_TRACE(c.Name);
        Run(c);
    }
}

INSTANTIATE_TEST_SUITE_P(Central, SyncStationsTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool> &I) { return I.param ? "Odbc" : "Postgres"; });
