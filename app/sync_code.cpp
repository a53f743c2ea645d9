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
#include <QRandomGenerator>
#include <algorithm>

TSyncHost SyncHost;
int ServerConnectTimeout = 10;
int ServerStatementTimeoutMs = 30000;

namespace {

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
        auto local = LocalRead(
            QStringLiteral("select sj.id from sys_jhdh dh,sys_jhsj sj where dh.id=sj.dhid and dh.lx=2 and dh.dhrq=? "
                           "and dh.local_dh is null and sj.local_jhsj is null "
                           "union select server_id from sys_jhsj where server_id is not null order by 1"),
            {Variant(D)});
        const QString have = IdList(local.get(), QStringLiteral("id"));
        auto source = DataCenter->ServerOpen(
            QStringLiteral("select sj.id,sj.fudw,sj.shisje,sj.dhid,sj.mc,sj.dhsl,sj.dinghl,sj.dj,sj.bz1 "
                           "from sys_jhdh dh,sys_jhsj sj,sys_unit unit where dh.id=sj.dhid and dh.unit=unit.id "
                           "and sj.mc>0 and dh.dhrq=? and dh.lx=2 and unit.typec in(%1) and sj.id not in(%2)")
                .arg(lines, have),
            {Variant(D)});
        auto target = OpenForAppend(QStringLiteral("select id,sldw,shisje,dhid,mc,sl,dinghl,dj,bz from sys_jhsj"));
        const QList<QPair<QString, QString>> map = {
            {QStringLiteral("id"), QStringLiteral("id")},         {QStringLiteral("dhid"), QStringLiteral("dhid")},
            {QStringLiteral("mc"), QStringLiteral("mc")},         {QStringLiteral("sldw"), QStringLiteral("fudw")},
            {QStringLiteral("shisje"), QStringLiteral("shisje")}, {QStringLiteral("sl"), QStringLiteral("dhsl")},
            {QStringLiteral("dinghl"), QStringLiteral("dinghl")}, {QStringLiteral("dj"), QStringLiteral("dj")},
            {QStringLiteral("bz"), QStringLiteral("bz1")},
        };
        OnStation([&] { CopyDataset(map, source.get(), target.get()); });
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
    });
    Report(Progress, 100);
}

namespace {

struct UploadRow {
    bool OrderUploaded;   // dh.has_upload set
    bool LineUploaded;    // sj.has_upload set
    bool LocalLine;       // sj.local_jhsj set
    int LocalLineFlag;    // its value
    qint64 Id;
    QString Dh;
    QString Dhrq;
    qint64 Unit;
    int LocalDh;
    QString Lury;
    qint64 OrderServerId; // dh.server_id, 0 when not known
    qint64 SjId;
    qint64 Mc;
    QString Product;      // the product's name, for the operator
    QString Key;          // sj.upload_key
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

// A line this station sends that is not yet marked uploaded.
bool ToSend(const UploadRow &R)
{
    return R.LocalLine && !R.LineUploaded && (R.LocalDh == 1 || R.LocalLineFlag == 1);
}

// The server's copy of a station order that a resend after a lost local
// commit finds: same number, date and customer, and holding a line that
// carries the key of one of the order's own lines. 0 when there is none.
qint64 FindOwnServerOrder(const std::vector<UploadRow> &Rows)
{
    const UploadRow &head = Rows.front();
    QList<Variant> params{Variant(head.Dh), Variant(head.Dhrq), Variant(head.Unit)};
    QStringList marks;
    for (const UploadRow &r : Rows)
        if (r.LocalLine && !r.Key.isEmpty()) {
            marks << QStringLiteral("?");
            params << Variant(LineMarker(r.Key));
        }
    if (marks.isEmpty())
        return 0;
    auto q = ServerQuery(QStringLiteral("select dh.id from sys_jhdh dh where dh.dh=? and dh.dhrq=? and dh.unit=? and dh.lx=2 "
                                        "and exists (select 1 from sys_jhsj sj where sj.dhid=dh.id and sj.bz1 in (%1)) "
                                        "order by dh.id")
                             .arg(marks.join(QLatin1Char(','))),
                         params);
    return q->IsEmpty() ? 0 : q->Fields(0).AsLargeInt();
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

// The server copy of an added line under ServerOrder, found by its key; 0 when there is none.
qint64 FindServerLine(qint64 ServerOrder, const UploadRow &R)
{
    if (R.Key.isEmpty())
        return 0;
    auto q = ServerQuery(QStringLiteral("select id from sys_jhsj where dhid=? and bz1=? order by id"),
                         {Variant(ServerOrder), Variant(LineMarker(R.Key))});
    return q->IsEmpty() ? 0 : q->Fields(0).AsLargeInt();
}

qint64 InsertServerLine(qint64 ServerOrder, const UploadRow &R)
{
    if (ServerRun(QStringLiteral("insert into sys_jhsj(dhid,mc,dinghl,songhl,dj,shisje,bz1) values(%1,%2,%3,%3,%4,%5,?)")
                      .arg(ServerOrder)
                      .arg(R.Mc)
                      .arg(R.Songhl, R.Dj, R.Shisje),
                  {Variant(LineMarker(R.Key))})
        != 1)
        throw EDatabaseError(QStringLiteral("服务器未插入订单明细"));
    const qint64 id = FindServerLine(ServerOrder, R);
    if (id == 0)
        throw EDatabaseError(QStringLiteral("服务器上找不到刚插入的订单明细"));
    return id;
}

// One order's rows: the server and the local marks change together or not
// at all. Lines that reached no server row are returned, left unmarked.
QList<TUploadFailure> UploadOrder(const std::vector<UploadRow> &Rows)
{
    static const QString LineGone = QStringLiteral("服务器上已没有这一订单明细,数量未上传");
    static const QString OrderGone = QStringLiteral("服务器上已没有这张订单,数量未上传");
    TADOConnection *server = DataCenter->S_ADOConnection1;
    TADOConnection *local = DataCenter->L_ADOConnection1;
    const UploadRow &head = Rows.front();
    const bool sending = std::any_of(Rows.begin(), Rows.end(), ToSend);
    QList<TUploadFailure> missing;
    server->BeginTrans();
    try {
        OnStation([&] { local->BeginTrans(); });
        try {
            // The server id the order's added lines go under; 0 when it has none.
            qint64 serverOrder = head.LocalDh == 1 ? head.OrderServerId : head.Id;
            if (head.LocalDh == 1 && serverOrder == 0)
                serverOrder = FindOwnServerOrder(Rows);
            if (head.LocalDh == 1 && serverOrder == 0 && head.OrderUploaded)
                serverOrder = FindEarlierServerOrder(head);
            if (head.LocalDh == 1 && !head.OrderUploaded) {
                if (serverOrder == 0)
                    serverOrder = InsertServerOrder(head);
                LocalMark(QStringLiteral("update sys_jhdh set has_upload=1,server_id=? where id=?"),
                          {Variant(serverOrder), Variant(head.Id)});
            } else if (sending && serverOrder != 0 && !ServerOrderExists(serverOrder)) {
                serverOrder = 0;
            }
            for (const UploadRow &r : Rows) {
                if (!r.LocalLine) {
                    // Downloaded lines carry their quantity on every upload.
                    if (ServerRun(QStringLiteral("update sys_jhsj set songhl=%1 where id=%2").arg(r.Songhl).arg(r.SjId)) == 0) {
                        missing.append({r.Dh, LineGone, r.Product, false});
                        continue;
                    }
                    LocalMark(QStringLiteral("update sys_jhsj set has_upload=1 where id=?"), {Variant(r.SjId)});
                    continue;
                }
                if (!ToSend(r))
                    continue;
                if (serverOrder == 0) {
                    missing.append({r.Dh, OrderGone, r.Product, false});
                    continue;
                }
                qint64 line = FindServerLine(serverOrder, r);
                if (line == 0)
                    line = InsertServerLine(serverOrder, r);
                LocalMark(QStringLiteral("update sys_jhsj set has_upload=1,server_id=? where id=?"),
                          {Variant(line), Variant(r.SjId)});
            }
        } catch (...) {
            local->RollbackTrans();
            throw;
        }
        // The server first: should the local commit fail, the resend finds
        // what the server already has, so nothing is lost and nothing doubled.
        server->CommitTrans();
        OnStation([&] { local->CommitTrans(); });
    } catch (...) {
        if (server->InTransaction())
            server->RollbackTrans();
        if (local->InTransaction())
            local->RollbackTrans();
        throw;
    }
    return missing;
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

void UploadDeliveries(TSyncProgress *Progress)
{
    // Every line made here has its key before anything is sent: a key made
    // in a transaction that is then lost could not find the copy it sent.
    if (LocalRead(QStringLiteral("select count(*) from sys_jhsj where local_jhsj is not null and upload_key is null"))
            ->Fields(0)
            .AsLargeInt()
        > 0)
        LocalRun(QStringLiteral("update sys_jhsj set upload_key=lower(hex(randomblob(6))) "
                                "where local_jhsj is not null and upload_key is null"));
    auto q = LocalRead(QStringLiteral(
        "select dh.has_upload,sj.has_upload as sjhas_upload,sj.local_jhsj,dh.id,dh.dh,dh.dhrq,dh.zzl,dh.xtlx,"
        "dh.unit,dh.local_dh,dh.lury,dh.server_id,sj.id as sjid,sj.mc,sj.songhl,sj.dj,sj.bz,sj.shisje,sj.upload_key,"
        "(select cp.mc from sys_cp cp where cp.id=sj.mc) as cpmc"
        " from sys_jhdh dh,sys_jhsj sj where dh.lx=2 and dh.id=sj.dhid and sj.songhl is not null order by dh.id,sj.id"));
    std::vector<std::vector<UploadRow>> orders;
    QList<TUploadFailure> failures;
    for (q->First(); !q->Eof(); q->Next()) {
        UploadRow r;
        r.OrderUploaded = Filled(q.get(), "has_upload");
        r.LineUploaded = Filled(q.get(), "sjhas_upload");
        r.LocalLine = Filled(q.get(), "local_jhsj");
        r.LocalLineFlag = r.LocalLine ? q->FieldByName(QStringLiteral("local_jhsj")).AsInteger() : 0;
        r.Id = q->FieldByName(QStringLiteral("id")).AsLargeInt();
        r.Dh = q->FieldByName(QStringLiteral("dh")).AsString();
        r.Dhrq = q->FieldByName(QStringLiteral("dhrq")).AsString();
        r.Unit = q->FieldByName(QStringLiteral("unit")).AsLargeInt();
        r.LocalDh = q->FieldByName(QStringLiteral("local_dh")).AsInteger();
        r.Lury = q->FieldByName(QStringLiteral("lury")).AsString();
        r.OrderServerId = q->FieldByName(QStringLiteral("server_id")).AsLargeInt();
        r.SjId = q->FieldByName(QStringLiteral("sjid")).AsLargeInt();
        r.Mc = q->FieldByName(QStringLiteral("mc")).AsLargeInt();
        r.Product = q->FieldByName(QStringLiteral("cpmc")).AsString();
        if (r.Product.isEmpty())
            r.Product = QString::number(r.Mc);
        r.Key = q->FieldByName(QStringLiteral("upload_key")).AsString();
        r.Songhl = q->FieldByName(QStringLiteral("songhl")).AsString();
        r.Dj = q->FieldByName(QStringLiteral("dj")).AsString();
        r.Shisje = q->FieldByName(QStringLiteral("shisje")).AsString();
        if (orders.empty() || orders.back().front().Id != r.Id)
            orders.emplace_back();
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
    try {
        UploadDeliveries(&progress);
    } catch (const EUploadFailed &E) {
        // The operator learns which orders stayed behind and why; the others went up.
        failed = E.Message();
    } catch (const Exception &E) {
        failed = SyncFailureReason(E);
    }
    DataCenter->S_ADOConnection1->SetConnected(false);
    busy->SetPercent(100);
    busy->Close();
    if (!failed.isEmpty()) {
        Warn(QStringLiteral("上传数据失败,请检查网络连接是否正常或与管理员联系!\n") + failed);
        return;
    }
    Application->MessageBox(QStringLiteral("数据上传成功!"), DoneTip, MB_OK);
}
