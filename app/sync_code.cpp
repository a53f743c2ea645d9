// Implementation of download and upload between the local database and the central server.
#include "sync_code.h"
#include "ComCtrls.h"
#include "Dialogs.h"
#include "Forms.h"
#include "datacenter_code.h"
#include "one_value_file.h"
#include "proce.h"
#include "tongbuxianl.h"
#include <QFile>
#include <QHash>
#include <QSet>
#include <QRandomGenerator>
#include <algorithm>

TSyncHost SyncHost;
std::function<void(TSyncPoint)> SyncFaultHook;
int ServerConnectTimeout = 10;
int ServerStatementTimeoutMs = 30000;

namespace {

void Fault(TSyncPoint Point)
{
    if (SyncFaultHook)
        SyncFaultHook(Point);
}

const QString Tip = QStringLiteral("提示!");
const QString DoneTip = QStringLiteral("  提示!");

void Warn(const QString &Text)
{
    Application->MessageBox(Text, Tip, MB_ICONWARNING);
}

std::unique_ptr<TADOQuery> MakeQuery(TADOConnection *Conn, const QString &Sql, const QList<Variant> &Params)
{
    auto q = std::make_unique<TADOQuery>(nullptr);
    q->SetConnection(Conn);
    q->SQL()->SetText(Sql);
    for (int i = 0; i < Params.size(); ++i)
        q->Parameters().AddParameter(QStringLiteral("p%1").arg(i + 1), Params[i]);
    return q;
}

// Work on the station's own database: what fails there is the station's
// fault, not the server's, and is reported so.
template <class F>
auto OnStation(F &&Work) -> decltype(Work())
{
    try {
        return Work();
    } catch (const ELocalDatabaseError &) {
        throw;
    } catch (const Exception &E) {
        throw ELocalDatabaseError(E.Message());
    }
}

// Statements here must not fail quietly: they raise, and the step rolls back.
// Both return the number of rows the statement reached.
int LocalRun(const QString &Sql, const QList<Variant> &Params = {})
{
    return OnStation([&] { return MakeQuery(DataCenter->L_ADOConnection1, Sql, Params)->ExecSQL(); });
}

int ServerRun(const QString &Sql, const QList<Variant> &Params = {})
{
    return MakeQuery(DataCenter->S_ADOConnection1, Sql, Params)->ExecSQL();
}

// A local mark that must reach exactly one row.
void LocalMark(const QString &Sql, const QList<Variant> &Params)
{
    if (LocalRun(Sql, Params) != 1)
        throw ELocalDatabaseError(QStringLiteral("本机数据中找不到要标记的记录"));
}

std::unique_ptr<TADOQuery> LocalRead(const QString &Sql, const QList<Variant> &Params = {})
{
    return OnStation([&] { return DataCenter->LocalOpen(Sql, Params); });
}

std::unique_ptr<TADOQuery> OpenForAppend(const QString &Sql)
{
    return OnStation([&] {
        auto q = MakeQuery(DataCenter->L_ADOConnection1, Sql, {});
        q->SetLockType(ltBatchOptimistic);
        q->Open();
        return q;
    });
}

// The work lands in the station's database whole or not at all; inside a
// transaction already open it becomes part of that one (a download is one).
void LocalAtomically(const std::function<void()> &Work)
{
    TADOConnection *local = DataCenter->L_ADOConnection1;
    if (local->InTransaction()) {
        Work();
        return;
    }
    OnStation([&] { local->BeginTrans(); });
    try {
        Work();
        OnStation([&] { local->CommitTrans(); });
    } catch (...) {
        if (local->InTransaction()) {
            try {
                local->RollbackTrans();
            } catch (const Exception &) {
                // The transaction is gone either way; the first error is the one to report.
            }
        }
        throw;
    }
}

// "0" then ",id" for each row: the ids are read as numbers, so the list can
// only hold digits and commas.
QString IdList(TADOQuery *Q, const QString &Field)
{
    QString s = QStringLiteral("0");
    for (Q->First(); !Q->Eof(); Q->Next())
        s += QLatin1Char(',') + QString::number(Q->FieldByName(Field).AsLargeInt());
    return s;
}

QString SqlDate(TDateTime Date)
{
    return FormatDateTime(QStringLiteral("yyyy-mm-dd"), Date);
}

// A null stays null (an empty text would not be a number); flags arrive as
// 0/1 whatever the server's Boolean type; everything else goes as text.
void CopyField(const TField &From, TField To)
{
    const QVariant v = From.AsQVariant();
    if (From.IsNull())
        To.Clear();
    else if (v.typeId() == QMetaType::Bool)
        To.SetAsInteger(v.toBool() ? 1 : 0);
    else
        To.SetAsString(From.AsString());
}

void Report(TSyncProgress *Progress, int Percent)
{
    if (Progress)
        Progress->SetPercent(Percent);
}

void Step(qint16 &Counter, TSyncProgress *Progress)
{
    Counter = qint16(Counter + 10);
    Report(Progress, Counter);
}

QList<TDownloadStep> BuildSteps()
{
    auto f = [](const char *Names) { return QString::fromLatin1(Names).split(QLatin1Char(',')); };
    return {
        {QStringLiteral("sys_user"), QStringLiteral("select empid,userid,passwd,name from sys_user where yn=1"),
         QStringLiteral("select empid,userid,passwd,name from sys_user"), f("empid,userid,passwd,name"), QStringLiteral("操作员")},
        {QStringLiteral("sys_cpfenl"), QStringLiteral("select id,bianh,fenlmc from sys_cpxfl where yn=1"),
         QStringLiteral("select * from sys_cpfenl"), f("id,bianh,fenlmc"), QStringLiteral("商品分类")},
        {QStringLiteral("sys_cp"), QStringLiteral("select id,bh,mc,dw,gg,typeb,piny,dfl from sys_cp where yn=1"),
         QStringLiteral("select * from sys_cp"), f("id,bh,mc,dw,gg,typeb,piny,dfl"), QStringLiteral("商品")},
        {QStringLiteral("sys_dytait"), QStringLiteral("select id,bianh,fenlmc from sys_dytait where yn=1"),
         QStringLiteral("select * from sys_dytait"), f("id,bianh,fenlmc"), QStringLiteral("打印抬头")},
        {QStringLiteral("sys_khline"), QStringLiteral("select id,bianh,fenlmc from sys_khxianl where yn=1"),
         QStringLiteral("select * from sys_khline"), f("id,bianh,fenlmc"), QStringLiteral("发货线路")},
        {QStringLiteral("sys_khfenl"), QStringLiteral("select id,bianh,fenlmc from sys_khleix where yn=1"),
         QStringLiteral("select * from  sys_khfenl"), f("id,bianh,fenlmc"), QStringLiteral("客户分类")},
        {QStringLiteral("sys_unit"),
         QStringLiteral("select id,usercode,shortname,typea,typeb,typec,typed,dadj,dydw,mode,yn,piny,address,phone,linkman "
                        "from sys_unit where mode=2 and yn=1"),
         QStringLiteral("select * from sys_unit"),
         f("id,usercode,shortname,typea,typeb,typec,typed,mode,dydw,dadj,yn,piny,address,phone,linkman"), QStringLiteral("客户")},
        {QStringLiteral("sys_khpm"), QStringLiteral("select khid,cpid,bh,mc from sys_khpm"),
         QStringLiteral("select * from sys_khpm"), f("khid,cpid,bh,mc"), QStringLiteral("客户商品编码")},
        // The date is compared with both ends of the validity period.
        {QStringLiteral("sys_selljg"),
         QStringLiteral("select unitid,lx,cpid,sellprice from sys_selljg dh,sys_selljgsj sj where dh.id=sj.dhid and "
                        "dh.brq<=? and dh.erq>=? and dh.lx in(31,33,35)"),
         QStringLiteral("select unitid,lx,cpid,sellprice from sys_selljg"), f("unitid,lx,cpid,sellprice"), QStringLiteral("商品价格")},
    };
}

} // namespace

const QList<TDownloadStep> &MasterDownloadSteps()
{
    static const QList<TDownloadStep> steps = BuildSteps();
    return steps;
}

const TDownloadStep &CustomersDownloadStep()
{
    return MasterDownloadSteps()[6];
}

QString ChosenLineIds()
{
    QString ids = QStringLiteral("0");
    // A file that is no file to read chooses no line either.
    TStringList lines;
    if (ReadOneValueFile(TTongbu_Xianl::IdFile(), &lines) != ovOk)
        return ids;
    for (int i = 0; i < lines.Count(); ++i) {
        qint64 id;
        if (TryStrToInt64(Trim(lines.Strings(i)), id))
            ids += QLatin1Char(',') + QString::number(id);
    }
    return ids;
}

QString ReadServerAddress()
{
    const QString file = ProgramDir() + QStringLiteral("db/ip.txt");
    TStringList lines;
    QString why;
    const TOneValueFileState state = ReadOneValueFile(file, &lines, &why);
    if (state != ovOk)
        lines.Clear();
    if (lines.Count() == 0) {
        Warn(QStringLiteral("ip.txt不存在或异常，请联系管理员!") + (state == ovUnfit ? QLatin1Char('\n') + why : QString()));
        return QString();
    }
    return lines.Strings(0);
}

QString ServerConnectionString(const QString &Address)
{
    const QString a = Address.trimmed();
    if (a.startsWith(QLatin1String("Provider="), Qt::CaseInsensitive))
        return a;
    return QStringLiteral("Provider=SQLOLEDB.1;Password=vin_vin&582;Persist Security Info=True;User ID=qon;"
                          "Initial Catalog=kemvor;Data Source=")
        + Address;
}

QString FailureReason(const QString &DriverText)
{
    const QString text = DriverText.simplified();
    const QString t = text.toLower();
    QString reason;
    if (t.contains(QLatin1String("statement timeout")) || t.contains(QLatin1String("lock timeout"))
        || t.contains(QLatin1String("lock request time out")) || t.contains(QLatin1String("timeout expired"))
        || t.contains(QLatin1String("canceling statement")))
        reason = QStringLiteral("等待服务器超时(数据可能正被他人修改)");
    else if (t.contains(QLatin1String("connection")) || t.contains(QLatin1String("terminat"))
             || t.contains(QLatin1String("communication link")))
        reason = QStringLiteral("与服务器的连接中断");
    else if (t.contains(QLatin1String("not a valid")) || t.contains(QStringLiteral("不是有效的")))
        reason = QStringLiteral("数据不是有效的数字");
    else if (t.contains(QLatin1String("violat")) || t.contains(QLatin1String("constraint")) || t.contains(QLatin1String("conflict")))
        reason = QStringLiteral("服务器拒绝了数据");
    else
        reason = QStringLiteral("服务器执行出错");
    return reason + QStringLiteral(": ") + (text.isEmpty() ? QStringLiteral("(驱动程序未说明原因)") : text);
}

QString LocalFailureReason(const QString &DriverText)
{
    const QString text = DriverText.simplified();
    return QStringLiteral("本机数据库出错: ") + (text.isEmpty() ? QStringLiteral("(驱动程序未说明原因)") : text);
}

QString SyncFailureReason(const Exception &E)
{
    return dynamic_cast<const ELocalDatabaseError *>(&E) ? LocalFailureReason(E.Message()) : FailureReason(E.Message());
}

bool ConnectServer()
{
    TADOConnection *s = DataCenter->S_ADOConnection1;
    try {
        s->SetConnected(false);
        s->SetConnectionString(ServerConnectionString(ReadServerAddress()));
        // A key the station would pass over (an ODBC "Server=" for "Data
        // Source=") would send it to another server, or to none.
        const QStringList unused = s->UnusedKeys();
        if (!unused.isEmpty()) {
            Warn(QStringLiteral("ip.txt中的连接项 %1 本站不使用,请改用 Data Source、Port、Initial Catalog、User ID、Password、Driver!")
                     .arg(unused.join(QStringLiteral("、"))));
            return false;
        }
        s->SetConnectionTimeout(ServerConnectTimeout);
        // No statement may wait longer than this for a lock or a busy server;
        // a server that cannot be told so is still used (the log says so).
        s->SetStatementTimeout(ServerStatementTimeoutMs);
        s->SetConnected(true);
        return true;
    } catch (const Exception &E) {
        const QString why = E.Message().simplified();
        Warn(QStringLiteral("服务器连接失败,请检查电脑是否可以上网!\n") + (why.isEmpty() ? QStringLiteral("(驱动程序未说明原因)") : why));
        return false;
    }
}

void CopyDataset(const QStringList &FieldNames, TADOQuery *Source, TADOQuery *Destination)
{
    QList<QPair<QString, QString>> pairs;
    for (const QString &n : FieldNames)
        pairs.append({n, n});
    CopyDataset(pairs, Source, Destination);
}

void CopyDataset(const QList<QPair<QString, QString>> &Fields, TADOQuery *Source, TADOQuery *Destination)
{
    for (Source->First(); !Source->Eof(); Source->Next()) {
        Destination->Append();
        for (const auto &f : Fields)
            CopyField(Source->FieldByName(f.second), Destination->FieldByName(f.first));
        Destination->Post();
    }
    Destination->UpdateBatch();
}

void DownloadTable(const TDownloadStep &Step, const QString &D)
{
    QList<Variant> params;
    for (QChar c : Step.ServerSelect)
        if (c == QLatin1Char('?'))
            params << Variant(D);
    // Read the server first: a failing select leaves the local table untouched.
    auto source = DataCenter->ServerOpen(Step.ServerSelect, params);
    LocalAtomically([&] {
        LocalRun(QStringLiteral("delete from ") + Step.Table);
        auto target = OpenForAppend(Step.LocalTarget);
        OnStation([&] { CopyDataset(Step.Fields, source.get(), target.get()); });
    });
}

void DownloadOrdersStep(const QString &D, bool Purge)
{
    const QString lines = ChosenLineIds();
    LocalAtomically([&] {
        if (Purge) {
            // Orders from the day before D on stay.
            LocalRun(QStringLiteral("delete from sys_jhdh where dhrq<date(?,'-1 day')"), {Variant(D)});
            LocalRun(QStringLiteral("delete from sys_jhsj where dhid not in (select id from sys_jhdh)"));
            LocalRun(QStringLiteral("delete from sys_jhsj_mx where jhsj_id not in (select id from sys_jhsj)"));
        }
        // Downloaded orders of the day, and the server's copies of the orders
        // this station uploaded: neither may come down again.
        auto local = LocalRead(
            QStringLiteral("select id from sys_jhdh where lx=2 and dhrq=? and local_dh is null "
                           "union select server_id from sys_jhdh where server_id is not null"),
            {Variant(D)});
        const QString have = IdList(local.get(), QStringLiteral("id"));
        auto source = DataCenter->ServerOpen(
            QStringLiteral("select dh.id,dh,dhrq,dh.unit,dh.lx,dh.lury from sys_jhdh dh,sys_unit unit where dh.unit=unit.id "
                           "and unit.typec in(%1) and dhrq=? and lx=2 and dh.id not in(%2)")
                .arg(lines, have),
            {Variant(D)});
        auto target = OpenForAppend(QStringLiteral("select id,dh,dhrq,unit,lx,lury from sys_jhdh"));
        OnStation([&] {
            for (source->First(); !source->Eof(); source->Next()) {
                target->Append();
                for (const char *f : {"id", "dh", "dhrq", "unit", "lury"})
                    CopyField(source->FieldByName(QString::fromLatin1(f)), target->FieldByName(QString::fromLatin1(f)));
                target->FieldByName(QStringLiteral("lx")).SetAsInteger(2);
                target->Post();
            }
            target->UpdateBatch();
        });
    });
}

void DownloadOrderLinesStep(const QString &D)
{
    const QString lines = ChosenLineIds();
    LocalAtomically([&] {
        // Lines stored under the server id of a station order (by an older
        // build) join that order.
        LocalRun(QStringLiteral("update sys_jhsj set dhid=(select min(dh.id) from sys_jhdh dh where dh.server_id=sys_jhsj.dhid) "
                                "where dhid>0 and dhid not in (select id from sys_jhdh) "
                                "and dhid in (select server_id from sys_jhdh where server_id is not null)"));
        auto local = LocalRead(
            QStringLiteral("select sj.id from sys_jhdh dh,sys_jhsj sj where dh.id=sj.dhid and dh.lx=2 and dh.dhrq=? "
                           "and sj.local_jhsj is null "
                           "union select server_id from sys_jhsj where server_id is not null order by 1"),
            {Variant(D)});
        const QString have = IdList(local.get(), QStringLiteral("id"));
        auto source = DataCenter->ServerOpen(
            QStringLiteral("select sj.id,sj.fudw,sj.shisje,sj.dhid,sj.mc,sj.dhsl,sj.dinghl,sj.dj,sj.bz1,sj.songhl "
                           "from sys_jhdh dh,sys_jhsj sj,sys_unit unit where dh.id=sj.dhid and dh.unit=unit.id "
                           "and sj.mc>0 and dh.dhrq=? and dh.lx=2 and unit.typec in(%1) and sj.id not in(%2)")
                .arg(lines, have),
            {Variant(D)});
        // A line of an order this station uploaded goes into the station's
        // own order; a line already here under any order, or as the server
        // copy of a line made here, is not brought again.
        QHash<qint64, qint64> ownOrders;
        QSet<qint64> here;
        auto known = LocalRead(QStringLiteral("select server_id,id from sys_jhdh where server_id is not null"));
        for (known->First(); !known->Eof(); known->Next())
            ownOrders.insert(known->Fields(0).AsLargeInt(), known->Fields(1).AsLargeInt());
        auto ids = LocalRead(QStringLiteral("select id from sys_jhsj where id>0 union select server_id from sys_jhsj "
                                            "where server_id is not null"));
        for (ids->First(); !ids->Eof(); ids->Next())
            here.insert(ids->Fields(0).AsLargeInt());
        auto target = OpenForAppend(
            QStringLiteral("select id,sldw,shisje,dhid,mc,sl,dinghl,dj,bz,songhl,server_songhl from sys_jhsj"));
        const QList<QPair<QString, QString>> map = {
            {QStringLiteral("id"), QStringLiteral("id")},         {QStringLiteral("mc"), QStringLiteral("mc")},
            {QStringLiteral("sldw"), QStringLiteral("fudw")},     {QStringLiteral("shisje"), QStringLiteral("shisje")},
            {QStringLiteral("sl"), QStringLiteral("dhsl")},       {QStringLiteral("dinghl"), QStringLiteral("dinghl")},
            {QStringLiteral("dj"), QStringLiteral("dj")},         {QStringLiteral("bz"), QStringLiteral("bz1")},
            // What another station already delivered comes down as delivered,
            // and is what this station's upload compares against.
            {QStringLiteral("songhl"), QStringLiteral("songhl")}, {QStringLiteral("server_songhl"), QStringLiteral("songhl")},
        };
        OnStation([&] {
            for (source->First(); !source->Eof(); source->Next()) {
                if (here.contains(source->FieldByName(QStringLiteral("id")).AsLargeInt()))
                    continue;
                target->Append();
                for (const auto &f : map)
                    CopyField(source->FieldByName(f.second), target->FieldByName(f.first));
                const qint64 order = source->FieldByName(QStringLiteral("dhid")).AsLargeInt();
                target->FieldByName(QStringLiteral("dhid")).SetAsString(QString::number(ownOrders.value(order, order)));
                target->Post();
            }
            target->UpdateBatch();
        });
    });
}

namespace {

void Say(TSyncProgress *Progress, const QString &Title, int N, int M)
{
    if (Progress)
        Progress->SetText(QStringLiteral("正在下载%1 (第 %2 步, 共 %3 步)").arg(Title).arg(N).arg(M));
}

} // namespace

// Both run every step inside one local transaction: the station's data
// changes only when all of them succeeded.
void DownloadOrders(TDateTime Date, qint16 &Counter, TSyncProgress *Progress)
{
    const QString d = SqlDate(Date);
    const int m = int(MasterDownloadSteps().size()) + 2;
    int n = 0;
    LocalAtomically([&] {
        for (const TDownloadStep &s : MasterDownloadSteps()) {
            Say(Progress, s.Title, ++n, m);
            DownloadTable(s, d);
            Step(Counter, Progress);
        }
        Say(Progress, QStringLiteral("订单"), ++n, m);
        DownloadOrdersStep(d, true);
        Step(Counter, Progress);
        Say(Progress, QStringLiteral("订单明细"), ++n, m);
        DownloadOrderLinesStep(d);
        Fault(TSyncPoint::DownloadSave);
    });
    Report(Progress, 100);
}

void RefreshOrders(TDateTime Date, qint16 &Counter, TSyncProgress *Progress)
{
    const QString d = SqlDate(Date);
    LocalAtomically([&] {
        Say(Progress, CustomersDownloadStep().Title, 1, 3);
        DownloadTable(CustomersDownloadStep(), d);
        Step(Counter, Progress);
        Say(Progress, QStringLiteral("订单"), 2, 3);
        DownloadOrdersStep(d, false);
        Step(Counter, Progress);
        Say(Progress, QStringLiteral("订单明细"), 3, 3);
        DownloadOrderLinesStep(d);
        Fault(TSyncPoint::DownloadSave);
    });
    Report(Progress, 100);
}

namespace {

struct UploadRow {
    bool OrderUploaded = false; // dh.has_upload set
    bool LineUploaded = false;  // sj.has_upload set
    bool LocalLine = false;     // sj.local_jhsj set
    int LocalLineFlag = 0;      // its value
    bool Deleted = false;       // an added line deleted whole (it has no order any more)
    qint64 Id = 0;              // the order; 0 for a deleted line
    QString Dh;
    QString Dhrq;
    qint64 Unit = 0;
    int LocalDh = 0;
    QString Lury;
    qint64 OrderServerId = 0;   // dh.server_id, 0 when not known
    qint64 SjId = 0;
    qint64 LineServerId = 0;    // sj.server_id, 0 when not known
    QString ServerSonghl;       // sj.server_songhl, '' for null
    qint64 Mc = 0;
    QString Product;            // the product's name, for the operator
    QString Key;                // sj.upload_key
    QString Songhl, Dj, Shisje;
};

bool Filled(TADOQuery *Q, const char *Field)
{
    return !Q->FieldByName(QString::fromLatin1(Field)).AsString().isEmpty();
}

std::unique_ptr<TADOQuery> ServerQuery(const QString &Sql, const QList<Variant> &Params)
{
    auto q = MakeQuery(DataCenter->S_ADOConnection1, Sql, Params);
    q->Open();
    return q;
}

// What the server copy of an added line carries in its note: the line's key.
QString LineMarker(const QString &Key)
{
    return QStringLiteral("CS#") + Key;
}

// An added line that has no server row of its own yet.
bool ToSend(const UploadRow &R)
{
    return R.LocalLine && !R.Deleted && !R.LineUploaded && (R.LocalDh == 1 || R.LocalLineFlag == 1);
}

// Two quantities as the server keeps them (thousandths); '' and "null" are no quantity.
bool SameQuantity(const QString &A, const QString &B)
{
    auto value = [](const QString &T, double &V) {
        const QString t = T.trimmed();
        return !t.isEmpty() && t != QLatin1String("null") && TryStrToFloat(t, V);
    };
    double a = 0, b = 0;
    const bool hasA = value(A, a), hasB = value(B, b);
    return hasA == hasB && (!hasA || qRound64(a * 1000) == qRound64(b * 1000));
}

// The server line's quantity ('' for null) and order; false when the line is gone.
bool ServerLine(qint64 Id, QString &Songhl, qint64 &Order)
{
    auto q = ServerQuery(QStringLiteral("select songhl,dhid from sys_jhsj where id=?"), {Variant(Id)});
    if (q->IsEmpty())
        return false;
    Songhl = q->Fields(0).IsNull() ? QString() : q->Fields(0).AsString();
    Order = q->Fields(1).AsLargeInt();
    return true;
}

// An order uploaded by a station that did not yet keep server ids: the one
// server order of its number, date and customer; 0 when there is none.
qint64 FindEarlierServerOrder(const UploadRow &Head)
{
    auto q = ServerQuery(QStringLiteral("select id from sys_jhdh where dh=? and dhrq=? and unit=? and lx=2 order by id"),
                         {Variant(Head.Dh), Variant(Head.Dhrq), Variant(Head.Unit)});
    if (q->RecordCount() > 1)
        throw EDatabaseError(QStringLiteral("服务器上有 %1 张单号、日期、客户都相同的订单,无法确定哪一张是本机上传的").arg(q->RecordCount()));
    return q->IsEmpty() ? 0 : q->Fields(0).AsLargeInt();
}

bool ServerOrderExists(qint64 Id)
{
    return !ServerQuery(QStringLiteral("select id from sys_jhdh where id=?"), {Variant(Id)})->IsEmpty();
}

// Inserts the station order and returns its server id. It goes in under a
// number of its own first, so that the row found is this insert and never
// another station's order of the same number, and then takes its real one.
qint64 InsertServerOrder(const UploadRow &Head)
{
    // As long as the station's own numbers, so any column that holds those holds it.
    const QString provisional = QStringLiteral("#%1").arg(QRandomGenerator::system()->generate64() & 0xFFFFFFFFFFull, 10, 16,
                                                          QLatin1Char('0'));
    if (ServerRun(QStringLiteral("insert into sys_jhdh(dh,dhrq,unit,lury,zf,lx,zt) values(?,?,%1,?,-1,2,0)").arg(Head.Unit),
                  {Variant(provisional), Variant(Head.Dhrq), Variant(Head.Lury)})
        != 1)
        throw EDatabaseError(QStringLiteral("服务器未插入订单"));
    auto q = ServerQuery(QStringLiteral("select id from sys_jhdh where dh=?"), {Variant(provisional)});
    if (q->RecordCount() != 1)
        throw EDatabaseError(QStringLiteral("服务器上找不到刚插入的订单"));
    const qint64 id = q->Fields(0).AsLargeInt();
    if (ServerRun(QStringLiteral("update sys_jhdh set dh=? where id=?"), {Variant(Head.Dh), Variant(id)}) != 1)
        throw EDatabaseError(QStringLiteral("服务器未写入订单号"));
    return id;
}

// Inserts an added line under ServerOrder and returns its server id. Inside
// the open transaction nobody else sees the new row, so its random key finds it.
qint64 InsertServerLine(qint64 ServerOrder, const UploadRow &R)
{
    if (ServerRun(QStringLiteral("insert into sys_jhsj(dhid,mc,dinghl,songhl,dj,shisje,bz1) values(%1,%2,%3,%3,%4,%5,?)")
                      .arg(ServerOrder)
                      .arg(R.Mc)
                      .arg(R.Songhl, R.Dj, R.Shisje),
                  {Variant(LineMarker(R.Key))})
        != 1)
        throw EDatabaseError(QStringLiteral("服务器未插入订单明细"));
    auto q = ServerQuery(QStringLiteral("select id from sys_jhsj where dhid=? and bz1=? order by id desc"),
                         {Variant(ServerOrder), Variant(LineMarker(R.Key))});
    if (q->IsEmpty())
        throw EDatabaseError(QStringLiteral("服务器上找不到刚插入的订单明细"));
    return q->Fields(0).AsLargeInt();
}

// What a line's server row holds once the server commits.
struct LineMark {
    qint64 SjId;
    qint64 ServerId; // the added line's server row; 0 for a downloaded line (its own id)
    QString Songhl;  // the server's quantity, '' for null
    bool Inserted;
};

// One order's lines on the server, inside its open transaction.
class TOrderSender
{
public:
    QList<LineMark> Marks;
    QList<TUploadFailure> Missing;

    void Send(const UploadRow &R, qint64 ServerOrder)
    {
        if (!R.LocalLine) {
            // A downloaded line goes when it changed since the server was last read or written.
            if (!SameQuantity(R.Songhl, R.ServerSonghl))
                Set(R, R.SjId, 0, R.ServerSonghl, QStringLiteral("songhl=%1").arg(R.Songhl));
            return;
        }
        if (!R.Deleted && R.LocalDh != 1 && R.LocalLineFlag != 1)
            return;
        qint64 line = R.LineServerId;
        QString expected = R.ServerSonghl;
        // An added line's server row always holds a quantity: none kept means it is not known here.
        if (line != 0 && (!R.LineUploaded || expected.isEmpty())) {
            // Given its id by a send whose local commit was lost (the row is
            // there only if that send reached the server's commit), or marked
            // uploaded by a build that kept no server quantity.
            qint64 order = 0;
            if (!ServerLine(line, expected, order) || (!R.Deleted && order != ServerOrder))
                line = 0;
        }
        if (line == 0) {
            // Uploaded by a build that kept no server ids, or deleted before it went: nothing to address.
            if (R.LineUploaded || R.Deleted)
                return;
            if (ServerOrder == 0) {
                Missing.append({R.Dh, QStringLiteral("服务器上已没有这张订单,数量未上传"), R.Product, false});
                return;
            }
            // What the server stored (its column may round), not what was sent.
            const qint64 made = InsertServerLine(ServerOrder, R);
            QString stored;
            qint64 order = 0;
            ServerLine(made, stored, order);
            Marks.append({R.SjId, made, stored, true});
            return;
        }
        // A line deleted whole leaves its server row with nothing delivered.
        const QString target = R.Deleted ? QStringLiteral("0") : R.Songhl;
        if (SameQuantity(target, expected)) {
            if (!R.LineUploaded)
                Marks.append({R.SjId, line, expected, false});
            return;
        }
        Set(R, line, line, expected,
            R.Deleted ? QStringLiteral("dinghl=0,songhl=0,shisje=0")
                      : QStringLiteral("dinghl=%1,songhl=%1,shisje=%2").arg(R.Songhl, R.Shisje));
    }

private:
    // Writes the line only while the server still holds what this station
    // last read or wrote there: another station's work is never replaced.
    void Set(const UploadRow &R, qint64 Id, qint64 ServerId, const QString &Expected, const QString &Values)
    {
        const QString held =
            Expected.isEmpty() ? QStringLiteral("songhl is null") : QStringLiteral("songhl=") + SqlValueOrNull(Expected);
        const int took = ServerRun(QStringLiteral("update sys_jhsj set %1 where id=%2 and %3").arg(Values).arg(Id).arg(held));
        QString now;
        qint64 order = 0;
        const bool there = ServerLine(Id, now, order);
        if (took == 1 && there) {
            Marks.append({R.SjId, ServerId, now, false});
        } else if (!there) {
            Missing.append({R.Dh, QStringLiteral("服务器上已没有这一订单明细,数量未上传"), R.Product, false});
        } else {
            Missing.append({R.Dh,
                            QStringLiteral("服务器上的数量已被他人改为 %1,本机的 %2 未上传(服务器上的数量保留)")
                                .arg(now.isEmpty() ? QStringLiteral("空") : now, R.Deleted ? QStringLiteral("0") : R.Songhl),
                            R.Product, false});
        }
    }
};

// One order's rows (or the deleted lines'): the server takes them in one
// transaction. Before it commits, the station keeps the ids of the rows the
// server made, so a resend after a lost local commit finds them by id;
// the marks follow the server's commit. Lines that reached no server row,
// or whose server quantity someone else changed, are returned unmarked.
QList<TUploadFailure> UploadOrder(const std::vector<UploadRow> &Rows)
{
    TADOConnection *server = DataCenter->S_ADOConnection1;
    const UploadRow &head = Rows.front();
    const bool station = !head.Deleted && head.LocalDh == 1;
    TOrderSender sender;
    qint64 serverOrder = 0;
    bool orderNew = false;
    server->BeginTrans();
    try {
        if (!head.Deleted) {
            // The server id the order's added lines go under; 0 when it has none.
            serverOrder = station ? head.OrderServerId : head.Id;
            if (station && !head.OrderUploaded) {
                if (serverOrder != 0
                    && ServerQuery(QStringLiteral("select id from sys_jhdh where id=? and unit=?"),
                                   {Variant(serverOrder), Variant(head.Unit)})
                           ->IsEmpty())
                    serverOrder = 0;
                if (serverOrder == 0) {
                    serverOrder = InsertServerOrder(head);
                    orderNew = true;
                }
            } else {
                if (station && serverOrder == 0)
                    serverOrder = FindEarlierServerOrder(head);
                if (serverOrder != 0 && std::any_of(Rows.begin(), Rows.end(), ToSend) && !ServerOrderExists(serverOrder))
                    serverOrder = 0;
            }
        }
        for (const UploadRow &r : Rows)
            sender.Send(r, serverOrder);
        const bool made = orderNew || std::any_of(sender.Marks.begin(), sender.Marks.end(),
                                                  [](const LineMark &m) { return m.Inserted; });
        if (made)
            LocalAtomically([&] {
                if (orderNew)
                    LocalMark(QStringLiteral("update sys_jhdh set server_id=? where id=?"), {Variant(serverOrder), Variant(head.Id)});
                for (const LineMark &m : sender.Marks)
                    if (m.Inserted)
                        LocalMark(QStringLiteral("update sys_jhsj set server_id=? where id=?"),
                                  {Variant(m.ServerId), Variant(m.SjId)});
            });
        Fault(TSyncPoint::ServerCommit);
        server->CommitTrans();
    } catch (...) {
        if (server->InTransaction())
            server->RollbackTrans();
        throw;
    }
    Fault(TSyncPoint::LocalSave);
    if ((station && !head.OrderUploaded) || !sender.Marks.isEmpty())
        LocalAtomically([&] {
            if (station && !head.OrderUploaded)
                LocalMark(QStringLiteral("update sys_jhdh set has_upload=1,server_id=? where id=?"),
                          {Variant(serverOrder), Variant(head.Id)});
            for (const LineMark &m : sender.Marks) {
                const Variant held = m.Songhl.isEmpty() ? Null() : Variant(m.Songhl);
                if (m.ServerId != 0)
                    LocalMark(QStringLiteral("update sys_jhsj set has_upload=1,server_id=?,server_songhl=? where id=?"),
                              {Variant(m.ServerId), held, Variant(m.SjId)});
                else
                    LocalMark(QStringLiteral("update sys_jhsj set has_upload=1,server_songhl=? where id=?"), {held, Variant(m.SjId)});
            }
        });
    return sender.Missing;
}

UploadRow ReadUploadRow(TADOQuery *Q)
{
    auto text = [Q](const char *F) { return Q->FieldByName(QString::fromLatin1(F)).AsString(); };
    auto number = [Q](const char *F) { return Q->FieldByName(QString::fromLatin1(F)).AsLargeInt(); };
    UploadRow r;
    r.LineUploaded = Filled(Q, "sjhas_upload");
    r.LocalLine = Filled(Q, "local_jhsj");
    r.LocalLineFlag = r.LocalLine ? int(number("local_jhsj")) : 0;
    r.SjId = number("sjid");
    r.LineServerId = number("sj_server_id");
    r.ServerSonghl = text("server_songhl");
    r.Mc = number("mc");
    r.Product = text("cpmc");
    if (r.Product.isEmpty())
        r.Product = QString::number(r.Mc);
    r.Key = text("upload_key");
    r.Songhl = text("songhl");
    r.Dj = text("dj");
    r.Shisje = text("shisje");
    return r;
}

} // namespace

EUploadFailed::EUploadFailed(const QList<TUploadFailure> &Failures)
    : EDatabaseError(FailureText(Failures)), FFailures(Failures)
{
}

QString EUploadFailed::FailureText(const QList<TUploadFailure> &Failures)
{
    // A box with thousands of lines would not fit any screen.
    const int shown = 20;
    QStringList lines;
    for (const TUploadFailure &f : Failures.mid(0, shown)) {
        if (!f.Product.isEmpty())
            lines << QStringLiteral("单号 %1 品名 %2: %3").arg(f.Dh, f.Product, f.Message);
        else
            lines << QStringLiteral("单号 %1: %2").arg(f.Dh, f.Local ? LocalFailureReason(f.Message) : FailureReason(f.Message));
    }
    if (Failures.size() > shown)
        lines << QStringLiteral("……另有 %1 项未上传").arg(Failures.size() - shown);
    return lines.join(QLatin1Char('\n'));
}

bool EUploadFailed::LocalOnly() const
{
    bool local = false;
    for (const TUploadFailure &f : FFailures) {
        if (f.Product.isEmpty() && !f.Local)
            return false;
        local = local || f.Local;
    }
    return local;
}

void UploadDeliveries(TSyncProgress *Progress)
{
    // Every line made here has its key before anything is sent.
    if (LocalRead(QStringLiteral("select count(*) from sys_jhsj where local_jhsj is not null and upload_key is null"))
            ->Fields(0)
            .AsLargeInt()
        > 0)
        LocalRun(QStringLiteral("update sys_jhsj set upload_key=lower(hex(randomblob(6))) "
                                "where local_jhsj is not null and upload_key is null"));
    const QString lineColumns = QStringLiteral(
        "sj.has_upload as sjhas_upload,sj.local_jhsj,sj.id as sjid,sj.server_id as sj_server_id,sj.server_songhl,sj.mc,"
        "sj.songhl,sj.dj,sj.bz,sj.shisje,sj.upload_key,(select cp.mc from sys_cp cp where cp.id=sj.mc) as cpmc");
    // Orders below zero that were not made here came from no server (the
    // demo data): they have nothing to send.
    auto q = LocalRead(QStringLiteral(
        "select dh.has_upload,dh.id,dh.dh,dh.dhrq,dh.zzl,dh.xtlx,dh.unit,dh.local_dh,dh.lury,dh.server_id,%1"
        " from sys_jhdh dh,sys_jhsj sj where dh.lx=2 and dh.id=sj.dhid and sj.songhl is not null"
        " and (dh.id>0 or dh.local_dh=1) order by dh.id,sj.id").arg(lineColumns));
    std::vector<std::vector<UploadRow>> orders;
    QList<TUploadFailure> failures;
    for (q->First(); !q->Eof(); q->Next()) {
        UploadRow r = ReadUploadRow(q.get());
        r.OrderUploaded = Filled(q.get(), "has_upload");
        r.Id = q->FieldByName(QStringLiteral("id")).AsLargeInt();
        r.Dh = q->FieldByName(QStringLiteral("dh")).AsString();
        r.Dhrq = q->FieldByName(QStringLiteral("dhrq")).AsString();
        r.Unit = q->FieldByName(QStringLiteral("unit")).AsLargeInt();
        r.LocalDh = q->FieldByName(QStringLiteral("local_dh")).AsInteger();
        r.Lury = q->FieldByName(QStringLiteral("lury")).AsString();
        r.OrderServerId = q->FieldByName(QStringLiteral("server_id")).AsLargeInt();
        if (orders.empty() || orders.back().front().Id != r.Id)
            orders.emplace_back();
        orders.back().push_back(std::move(r));
    }
    // Added lines deleted whole after the server had them: their server rows
    // are set to nothing delivered.
    auto gone = LocalRead(QStringLiteral("select %1 from sys_jhsj sj where sj.dhid=0 and sj.local_jhsj is not null "
                                         "and sj.server_id is not null and (sj.has_upload is null or sj.server_songhl is null "
                                         "or sj.server_songhl<>0) order by sj.id")
                              .arg(lineColumns));
    if (!gone->IsEmpty())
        orders.emplace_back();
    for (gone->First(); !gone->Eof(); gone->Next()) {
        UploadRow r = ReadUploadRow(gone.get());
        r.Deleted = true;
        r.Dh = QStringLiteral("-");
        r.Product += QStringLiteral("(已删除)");
        orders.back().push_back(std::move(r));
    }
    // Each order on its own: one the server refuses (or whose row holds a
    // value that is no number) does not hold back the others.
    const int m = int(orders.size());
    int n = 0;
    for (std::vector<UploadRow> &order : orders) {
        // The bar first: setting the text paints the window at once.
        if (Progress) {
            Progress->SetPercent(n * 100 / m);
            Progress->SetText(QStringLiteral("正在上传第 %1 单, 共 %2 单 (单号 %3)").arg(n + 1).arg(m).arg(order.front().Dh));
        }
        ++n;
        try {
            for (UploadRow &r : order) {
                r.Songhl = SqlValueOrNull(r.Songhl);
                r.Dj = SqlValueOrNull(r.Dj);
                r.Shisje = SqlValueOrNull(r.Shisje);
            }
            failures.append(UploadOrder(order));
        } catch (const Exception &E) {
            failures.append({order.front().Dh, E.Message(), QString(), dynamic_cast<const ELocalDatabaseError *>(&E) != nullptr});
        }
    }
    if (!failures.isEmpty())
        throw EUploadFailed(failures);
}

// ---------------------------------------------------------------- the flows

namespace {

class TBusyProgress : public TSyncProgress
{
public:
    explicit TBusyProgress(TForm2 *Busy) : FBusy(Busy) {}
    void SetPercent(int Percent) override { FBusy->SetPercent(Percent); }
    void SetText(const QString &Text) override { FBusy->SetStatus(Text); }

private:
    TForm2 *FBusy;
};

TDateTime HostWorkDate()
{
    return SyncHost.WorkDatePicker ? SyncHost.WorkDatePicker->Date() : Date();
}

// Steps 1-3 shared by the full download and the refresh: the busy window,
// the date box, the connection. False when the operation ends there.
bool StartDownload(TForm2 *Busy, TDateTime &Day)
{
    Busy->SetPercent(0);
    Busy->Show();
    QString typed = DateToStr(HostWorkDate());
    if (!InputQuery(QStringLiteral("订货日期录入"), QStringLiteral("本次同步日期为:"), typed)) {
        Warn(QStringLiteral("用户中途取消,此次同步操作失败!"));
        Busy->Close();
        return false;
    }
    if (!TryStrToDate(Trim(typed), Day)) {
        Busy->Close();
        EConvertError e(QStringLiteral("'%1' 不是有效的日期!").arg(typed));
        Application->ShowException(&e);
        return false;
    }
    if (SyncHost.WorkDatePicker)
        SyncHost.WorkDatePicker->SetDate(Day);
    Busy->SetStatus(QStringLiteral("正在连接服务器......"));
    if (!ConnectServer()) {
        Busy->Close();
        return false;
    }
    return true;
}

void Reload(const std::function<void()> &F)
{
    if (F)
        F();
}

} // namespace

void DownloadOrdersClick()
{
    DataCenter->LocalExec(QStringLiteral("delete from sys_print"));
    if (Application->MessageBox(
            QStringLiteral("您确定要从网络版系统下载订单数据吗？此操作会删除掉之前的车间发货数据,请确定之前的车间发货数据已经全部上传至网络版系统后再执行此操作！"),
            Tip, MB_OKCANCEL | MB_ICONQUESTION)
        != IDOK) {
        Warn(QStringLiteral("用户中途取消,此次下载订单操作失败!"));
        return;
    }
    if (SyncHost.MainForm)
        SyncHost.MainForm->SetEnabled(false);
    // The chooser reloads everything when shown, so the one made at start-up serves.
    TTongbu_Xianl *chooser = Tongbu_Xianl ? Tongbu_Xianl : new TTongbu_Xianl(Application);
    chooser->Show();
}

void FullDownloadClick()
{
    TForm2 *busy = BusyWindow();
    SyncHost.Counter = 0;
    TDateTime day;
    if (!StartDownload(busy, day))
        return;
    TBusyProgress progress(busy);
    try {
        DownloadOrders(day, SyncHost.Counter, &progress);
    } catch (const Exception &E) {
        DataCenter->S_ADOConnection1->SetConnected(false);
        busy->Close();
        Warn(QStringLiteral("同步过程出现异常，请与系统开发商联系!\n") + SyncFailureReason(E));
        return;
    }
    DataCenter->S_ADOConnection1->SetConnected(false);
    Reload(SyncHost.ReloadOrders);
    Reload(SyncHost.ReloadProducts);
    Application->MessageBox(QStringLiteral(" 网络订单同步成功!"), DoneTip, MB_OK);
}

void RefreshOrdersClick()
{
    // Without chosen lines the refresh could bring no order at all.
    if (ChosenLineIds() == QLatin1String("0")) {
        Warn(QStringLiteral("尚未选择发货线路,请先点击\"同步订单\"选择发货线路!"));
        return;
    }
    if (Application->MessageBox(QStringLiteral("您确认要更新服务器上新增订单数据吗?"), Tip, MB_OKCANCEL | MB_ICONQUESTION) != IDOK) {
        Warn(QStringLiteral("用户中途取消,此次更新操作失败!"));
        return;
    }
    TForm2 *busy = BusyWindow();
    TDateTime day;
    if (!StartDownload(busy, day))
        return;
    TBusyProgress progress(busy);
    try {
        RefreshOrders(day, SyncHost.Counter, &progress);
    } catch (const Exception &E) {
        DataCenter->S_ADOConnection1->SetConnected(false);
        busy->Close();
        Warn(QStringLiteral("同步过程出现异常，请与系统开发商联系!\n") + SyncFailureReason(E));
        return;
    }
    DataCenter->S_ADOConnection1->SetConnected(false);
    Reload(SyncHost.ReloadOrders);
    Application->MessageBox(QStringLiteral("数据更新成功!"), DoneTip, MB_OK);
}

void UploadDeliveriesClick()
{
    if (Application->MessageBox(QStringLiteral("您确认已发或完毕要上传本地数据至服务器吗?"), Tip, MB_OKCANCEL | MB_ICONQUESTION)
        != IDOK) {
        Warn(QStringLiteral("用户中途取消,此次操作失败!"));
        return;
    }
    TForm2 *busy = BusyWindow();
    busy->SetPercent(0);
    busy->Show();
    busy->SetStatus(QStringLiteral("正在连接服务器......"));
    if (!ConnectServer()) {
        busy->Close();
        return;
    }
    TBusyProgress progress(busy);
    QString failed;
    bool local = false;
    try {
        UploadDeliveries(&progress);
    } catch (const EUploadFailed &E) {
        // The operator learns which orders stayed behind and why; the others went up.
        failed = E.Message();
        local = E.LocalOnly();
    } catch (const Exception &E) {
        failed = SyncFailureReason(E);
        local = dynamic_cast<const ELocalDatabaseError *>(&E) != nullptr;
    }
    DataCenter->S_ADOConnection1->SetConnected(false);
    busy->SetPercent(100);
    busy->Close();
    if (!failed.isEmpty()) {
        // The network is not what failed when only the station's own database did.
        Warn((local ? QStringLiteral("上传数据失败,本机数据库出错,请关闭其他使用本机数据库的程序后重新上传或与管理员联系!\n")
                    : QStringLiteral("上传数据失败,请检查网络连接是否正常或与管理员联系!\n"))
             + failed);
        return;
    }
    Application->MessageBox(QStringLiteral("数据上传成功!"), DoneTip, MB_OK);
}
