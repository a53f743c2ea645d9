// Implementation of the station's data module.
#include "datacenter_code.h"
#include "SysUtils.h"
#include "weighing_code.h"
#include <QCoreApplication>
#include <QRegularExpression>
#include <cmath>

TDataCenter *DataCenter = nullptr;

namespace {

std::unique_ptr<TADOQuery> MakeQuery(TADOConnection *Conn, const QString &Sql, const QList<Variant> &Params)
{
    auto q = std::make_unique<TADOQuery>(nullptr);
    q->SetConnection(Conn);
    q->SQL()->SetText(Sql);
    for (int i = 0; i < Params.size(); ++i)
        q->Parameters().AddParameter(QStringLiteral("p%1").arg(i + 1), Params[i]);
    return q;
}

bool Exec(TADOConnection *Conn, const QString &Sql, const QList<Variant> &Params)
{
    try {
        MakeQuery(Conn, Sql, Params)->ExecSQL();
        return true;
    } catch (const Exception &) {
        return false;
    }
}

std::unique_ptr<TADOQuery> Open(TADOConnection *Conn, const QString &Sql, const QList<Variant> &Params)
{
    auto q = MakeQuery(Conn, Sql, Params);
    q->Open();
    return q;
}

} // namespace

QString UniqueFormName(TComponent *Owner, const QString &Name)
{
    QString name = Name;
    for (int n = 1; Owner && Owner->FindComponent(name); ++n)
        name = QStringLiteral("%1_%2").arg(Name).arg(n);
    return name;
}

QString ProgramDir()
{
    // STATION_DIR stands in for the executable's folder (tests run many stations side by side).
    QString dir = qEnvironmentVariable("STATION_DIR");
    if (dir.isEmpty())
        dir = QCoreApplication::applicationDirPath();
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

QString TDataCenter::LocalDatabasePath()
{
    return ProgramDir() + QStringLiteral("db/dat.db");
}

TDataCenter::TDataCenter(TComponent *AOwner) : TComponent(AOwner)
{
    SetName(QStringLiteral("DataCenter"));
    L_ADOConnection1 = new TADOConnection(this);
    L_ADOConnection1->SetName(QStringLiteral("L_ADOConnection1"));
    L_ADOConnection1->SetLoginPrompt(false);
    S_ADOConnection1 = new TADOConnection(this);
    S_ADOConnection1->SetName(QStringLiteral("S_ADOConnection1"));
    S_ADOConnection1->SetLoginPrompt(false);
    auto pair = [this](TADOQuery *&Q, TDataSource *&S, const char *QName, const char *SName) {
        Q = new TADOQuery(this);
        Q->SetName(QString::fromLatin1(QName));
        Q->SetConnection(L_ADOConnection1);
        S = new TDataSource(this);
        S->SetName(QString::fromLatin1(SName));
        S->SetDataSet(Q);
    };
    pair(L_Sell_Dh_Query, L_Sell_Dh_Source, "L_Sell_Dh_Query", "L_Sell_Dh_Source");
    pair(L_Sell_Cp_Dh_Query, L_Sell_Cp_Dh_Source, "L_Sell_Cp_Dh_Query", "L_Sell_Cp_Dh_Source");
    pair(L_Sell_Lx_Query, L_Sell_Lx_Source, "L_Sell_Lx_Query", "L_Sell_Lx_Source");
    pair(L_Sell_Tmp_Query, L_Sell_Tmp_Source, "L_Sell_Tmp_Query", "L_Sell_Tmp_Source");
    pair(L_Sell_CpTmp_Query, L_Sell_CpTmp_Source, "L_Sell_CpTmp_Query", "L_Sell_CpTmp_Source");
    DataCenter = this;
    DataModuleCreate();
}

TDataCenter::~TDataCenter()
{
    DataModuleDestroy();
    if (DataCenter == this)
        DataCenter = nullptr;
}

void TDataCenter::DataModuleCreate()
{
    // A missing database is not created here: the connection refuses it and
    // start-up reports the path.
    L_ADOConnection1->SetConnectionString(QStringLiteral("Provider=SQLite;Data Source=") + LocalDatabasePath());
    L_ADOConnection1->SetConnected(true);
    try {
        CheckLocalSchema();
    } catch (...) {
        L_ADOConnection1->SetConnected(false);
        throw;
    }
}

void TDataCenter::CheckLocalSchema()
{
    // Every table and column the station reads; an empty, corrupt or foreign
    // file fails here once, with its path, instead of on every statement.
    static const char *const Tables[][2] = {
        {"sys_jhdh", "id,dh,dhrq,unit,lx,lury,local_dh,has_upload,print_yes,zzl,zqp,xtlx,bz"},
        {"sys_jhsj", "id,dhid,mc,dinghl,songhl,dj,shisje,sl,sldw,bz,paix,local_jhsj,has_upload"},
        {"sys_jhsj_mx", "id,jhsj_id,zhongzl,qup,delete_yes"},
        {"sys_unit", "id,usercode,shortname,typea,typeb,typec,typed,dadj,dydw,mode,yn,piny,address,phone,linkman"},
        {"sys_cp", "id,bh,mc,dw,gg,typeb,piny,dfl"},
        {"sys_cpfenl", "id,bianh,fenlmc"},
        {"sys_khfenl", "id,bianh,fenlmc"},
        {"sys_khline", "id,bianh,fenlmc"},
        {"sys_dytait", "id,bianh,fenlmc"},
        {"sys_khpm", "khid,cpid,bh,mc"},
        {"sys_selljg", "unitid,lx,cpid,sellprice"},
        {"sys_user", "empid,userid,passwd,name"},
        {"sys_print", "id,local_jhsj,sys_jhsj_id,mc,dw,gg,dinghl,songhl,bz"},
    };
    const QString path = LocalDatabasePath();
    for (const auto &t : Tables) {
        try {
            LocalOpen(QStringLiteral("select %1 from %2 limit 0").arg(QString::fromLatin1(t[1]), QString::fromLatin1(t[0])));
        } catch (const Exception &E) {
            throw EDatabaseError(QStringLiteral("'%1' 不是可用的配货站数据库(表 %2 无法读取): %3")
                                     .arg(path, QString::fromLatin1(t[0]), E.Message()));
        }
    }
    // Databases made before the server ids were kept get the columns now.
    for (const char *table : {"sys_jhdh", "sys_jhsj"}) {
        const QString name = QString::fromLatin1(table);
        auto cols = LocalOpen(QStringLiteral("select name from pragma_table_info('%1') where name='server_id'").arg(name));
        if (cols->IsEmpty() && !LocalExec(QStringLiteral("alter table %1 add column server_id INTEGER").arg(name)))
            throw EDatabaseError(QStringLiteral("'%1' 无法升级: 表 %2 加不上 server_id 列").arg(path, name));
    }
    // Databases made before the server's quantity was kept: a downloaded line
    // is taken to hold on the server what the station last marked uploaded
    // (nothing when not yet sent); an added line's is read at its next upload.
    auto qty = LocalOpen(QStringLiteral("select name from pragma_table_info('sys_jhsj') where name='server_songhl'"));
    if (qty->IsEmpty() && !LocalTransaction([this] {
            MakeQuery(L_ADOConnection1, QStringLiteral("alter table sys_jhsj add column server_songhl REAL"), {})->ExecSQL();
            MakeQuery(L_ADOConnection1,
                      QStringLiteral("update sys_jhsj set server_songhl=songhl where has_upload is not null and local_jhsj is null"),
                      {})
                ->ExecSQL();
        }))
        throw EDatabaseError(QStringLiteral("'%1' 无法升级: 表 sys_jhsj 加不上 server_songhl 列").arg(path));
    // Databases made before the upload keys may hold station orders and lines
    // under positive ids: they get the column and lose those ids together.
    auto keys = LocalOpen(QStringLiteral("select name from pragma_table_info('sys_jhsj') where name='upload_key'"));
    if (keys->IsEmpty() && !LocalTransaction([this] {
            MakeQuery(L_ADOConnection1, QStringLiteral("alter table sys_jhsj add column upload_key TEXT"), {})->ExecSQL();
            MoveStationIdsBelowZero();
        }))
        throw EDatabaseError(QStringLiteral("'%1' 无法更新(本机新增的订单改为负编号),请关闭其他使用该文件的程序后重新启动").arg(path));
    // A share kept for records purged before their line came down again.
    auto base = LocalOpen(QStringLiteral("select name from pragma_table_info('sys_jhsj') where name='share_base'"));
    if (base->IsEmpty() && !LocalExec(QStringLiteral("alter table sys_jhsj add column share_base REAL")))
        throw EDatabaseError(QStringLiteral("'%1' 无法升级: 表 sys_jhsj 加不上 share_base 列").arg(path));
    // Databases made before the stations' shares were kept on the server.
    auto shares = LocalOpen(QStringLiteral("select name from pragma_table_info('sys_jhsj') where name='share_sent'"));
    if (shares->IsEmpty() && !LocalTransaction([this] { AddShareColumns(); }))
        throw EDatabaseError(QStringLiteral("'%1' 无法升级: 表 sys_jhsj 加不上 share_sent 列").arg(path));
    // The station's own id, made once, when a database first meets this build.
    if (!LocalTransaction([this] {
            MakeQuery(L_ADOConnection1,
                      QStringLiteral("create table if not exists sys_station (id TEXT NOT NULL, low_order INTEGER, low_line INTEGER)"),
                      {})
                ->ExecSQL();
            MakeQuery(L_ADOConnection1,
                      QStringLiteral("insert into sys_station(id,low_order,low_line) select lower(hex(randomblob(16))),"
                                     "(select min(coalesce(min(id),0),0) from sys_jhdh),(select min(coalesce(min(id),0),0) from sys_jhsj) "
                                     "where not exists (select 1 from sys_station)"),
                      {})
                ->ExecSQL();
        })
        || StationId().isEmpty())
        throw EDatabaseError(QStringLiteral("'%1' 无法升级: 本机编号无法建立").arg(path));
}

void TDataCenter::AddShareColumns()
{
    auto run = [this](const QString &Sql, const QList<Variant> &Params = {}) {
        MakeQuery(L_ADOConnection1, Sql, Params)->ExecSQL();
    };
    run(QStringLiteral("alter table sys_jhsj add column share_sent REAL"));
    run(QStringLiteral("alter table sys_jhsj add column deleted_dhid INTEGER"));
    // A line an older build uploaded: what it changed since its last upload is
    // unsent, the rest is its share as the server holds it.
    const QString uploaded = QStringLiteral("select id from sys_jhsj where has_upload is not null and server_songhl is not null and dhid<>0");
    const QHash<qint64, double> share = LineShares(uploaded);
    auto q = LocalOpen(QStringLiteral("select id,songhl,server_songhl from sys_jhsj where id in (%1)").arg(uploaded));
    for (q->First(); !q->Eof(); q->Next()) {
        const qint64 id = q->Fields(0).AsLargeInt();
        const double pending = q->Fields(1).IsNull() ? 0 : q->Fields(1).AsFloat() - q->Fields(2).AsFloat();
        run(QStringLiteral("update sys_jhsj set share_sent=? where id=?"),
            {Variant(WrittenWeight(share.value(id) - pending)), Variant(id)});
    }
    // An added line deleted whole whose server row still held a quantity
    // waits for its upload, which takes that quantity off.
    run(QStringLiteral("update sys_jhsj set share_sent=server_songhl,has_upload=null where dhid=0 and local_jhsj is not null "
                       "and has_upload is not null and server_id is not null and server_songhl is not null and server_songhl<>0"));
}

QString TDataCenter::StationId()
{
    auto q = LocalOpen(QStringLiteral("select id from sys_station"));
    return q->IsEmpty() ? QString() : q->Fields(0).AsString();
}

qint64 NextStationRowId(bool Order)
{
    const QString table = Order ? QStringLiteral("sys_jhdh") : QStringLiteral("sys_jhsj");
    const QString low = Order ? QStringLiteral("low_order") : QStringLiteral("low_line");
    auto q = DataCenter->LocalOpen(
        QStringLiteral("select min(coalesce((select min(id) from %1),0),coalesce((select min(%2) from sys_station),0),0)-1").arg(table, low));
    const qint64 id = q->Fields(0).AsLargeInt();
    MakeQuery(DataCenter->L_ADOConnection1, QStringLiteral("update sys_station set %1=?").arg(low), {Variant(id)})->ExecSQL();
    return id;
}

namespace {

void RunOrRaise(const QString &Sql, const QList<Variant> &Params = {})
{
    MakeQuery(DataCenter->L_ADOConnection1, Sql, Params)->ExecSQL();
}

// Gives every row of Table that the filter picks a new id below all others,
// largest id first (so the newest, which had the smallest id, keeps the
// smallest), and makes the references follow: {table, column} pairs.
void MoveBelowZero(const QString &Table, const QString &Filter, const QList<std::pair<QString, QString>> &References)
{
    auto rows = DataCenter->LocalOpen(QStringLiteral("select id from %1 where %2 order by id desc").arg(Table, Filter));
    for (rows->First(); !rows->Eof(); rows->Next()) {
        const qint64 old = rows->Fields(0).AsLargeInt();
        auto next = DataCenter->LocalOpen(QStringLiteral("select min(coalesce(min(id),0),0)-1 from %1").arg(Table));
        const qint64 id = next->Fields(0).AsLargeInt();
        RunOrRaise(QStringLiteral("update %1 set id=? where id=?").arg(Table), {Variant(id), Variant(old)});
        for (const auto &r : References)
            RunOrRaise(QStringLiteral("update %1 set %2=? where %2=?").arg(r.first, r.second), {Variant(id), Variant(old)});
    }
}

} // namespace

void TDataCenter::MoveStationIdsBelowZero()
{
    auto todo = LocalOpen(QStringLiteral(
        "select (select count(*) from sys_jhsj where local_jhsj is not null and dhid<>0 and dhid not in (select id from sys_jhdh)),"
        "(select count(*) from sys_jhdh where local_dh=1 and id>=0),"
        "(select count(*) from sys_jhsj where local_jhsj is not null and id>=0)"));
    // A deleted added line leaves every order: with ids of both signs in use,
    // a negated order id could name another order.
    if (todo->Fields(0).AsLargeInt() > 0)
        RunOrRaise(QStringLiteral("update sys_jhsj set dhid=0 where local_jhsj is not null and dhid<>0 "
                                  "and dhid not in (select id from sys_jhdh)"));
    // Station orders and lines of older databases may hold positive ids, which
    // a download can meet; all of them move below zero, in their order.
    if (todo->Fields(1).AsLargeInt() > 0)
        MoveBelowZero(QStringLiteral("sys_jhdh"), QStringLiteral("local_dh=1"), {{QStringLiteral("sys_jhsj"), QStringLiteral("dhid")}});
    if (todo->Fields(2).AsLargeInt() > 0)
        MoveBelowZero(QStringLiteral("sys_jhsj"), QStringLiteral("local_jhsj is not null"),
                      {{QStringLiteral("sys_jhsj_mx"), QStringLiteral("jhsj_id")}});
}

void TDataCenter::DataModuleDestroy()
{
    L_ADOConnection1->SetConnected(false);
}

bool TDataCenter::LocalExec(const QString &Sql, const QList<Variant> &Params)
{
    return Exec(L_ADOConnection1, Sql, Params);
}

bool TDataCenter::ServerExec(const QString &Sql, const QList<Variant> &Params)
{
    return Exec(S_ADOConnection1, Sql, Params);
}

std::unique_ptr<TADOQuery> TDataCenter::LocalOpen(const QString &Sql, const QList<Variant> &Params)
{
    return Open(L_ADOConnection1, Sql, Params);
}

std::unique_ptr<TADOQuery> TDataCenter::ServerOpen(const QString &Sql, const QList<Variant> &Params)
{
    return Open(S_ADOConnection1, Sql, Params);
}

bool LocalTransaction(const std::function<void()> &Body)
{
    try {
        DataCenter->L_ADOConnection1->RunInTransaction(Body);
        return true;
    } catch (const Exception &) {
        return false;
    }
}

QString SqlValueOrNull(const QString &Value)
{
    const QString t = Trim(Value);
    if (t.isEmpty())
        return QStringLiteral("null");
    // A plain decimal literal goes as it was typed or stored: rewriting it
    // through a double would cut long integers to 15 digits.
    static const QRegularExpression number(QStringLiteral("^[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)?$"));
    double d;
    if (!number.match(t).hasMatch() || !TryStrToFloat(t, d) || !std::isfinite(d))
        throw EConvertError(QStringLiteral("'%1' 不是有效的数字").arg(t));
    return t;
}

STATION_PUBLISHED(TDataCenter) {}
