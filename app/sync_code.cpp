// Implementation of download and upload between the local database and the central server.
#include "sync_code.h"
#include "ComCtrls.h"
#include "Dialogs.h"
#include "Forms.h"
#include "datacenter_code.h"
#include "one_value_file.h"
#include "proce.h"
#include "tongbuxianl.h"
#include "weighing_code.h"
#include <QFile>
#include <QHash>
#include <QSet>
#include <QRandomGenerator>
#include <QRegularExpression>
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

namespace {

std::unique_ptr<TADOQuery> ServerQuery(const QString &Sql, const QList<Variant> &Params = {})
{
    auto q = MakeQuery(DataCenter->S_ADOConnection1, Sql, Params);
    q->Open();
    return q;
}

// The central's table of the stations' own: each station's share of a line as
// last recorded there (kind 2), and the server ids of the orders (kind 1) and
// lines it made (local_id below zero; a downloaded line is recorded under its
// own id). Its rows commit with the writes they describe, or not at all.
void EnsureStationRows()
{
    // Probed outside any transaction: on PostgreSQL a failed statement would
    // spoil the transaction it ran in.
    auto there = [] {
        try {
            ServerQuery(QStringLiteral("select station from station_rows where 1=0"));
            return true;
        } catch (const Exception &) {
            return false;
        }
    };
    if (there())
        return;
    try {
        ServerRun(QStringLiteral("create table station_rows (station varchar(40) not null, kind integer not null, "
                                 "local_id bigint not null, server_id bigint not null, share numeric(18,3), "
                                 "primary key (station, kind, local_id))"));
    } catch (const Exception &) {
        // Another station may have made it in the meantime.
        if (!there())
            throw;
    }
}

const int OrderKind = 1;
const int LineKind = 2;

struct TRecord {
    qint64 ServerId = 0;
    double Share = 0;
};

// Ids for an in(...) list: numbers only.
QString Numbers(const QList<qint64> &Ids)
{
    QStringList s;
    for (qint64 id : Ids)
        s << QString::number(id);
    return s.join(QLatin1Char(','));
}

// Lists of ids in pieces a statement can hold.
QList<QList<qint64>> Chunks(const QList<qint64> &Ids)
{
    QList<QList<qint64>> out;
    for (qsizetype i = 0; i < Ids.size(); i += 400)
        out << Ids.mid(i, 400);
    return out;
}

// This station's records of Kind for the local ids.
QHash<qint64, TRecord> Records(const QString &Station, int Kind, const QList<qint64> &LocalIds)
{
    QHash<qint64, TRecord> out;
    for (const QList<qint64> &chunk : Chunks(LocalIds)) {
        auto q = ServerQuery(QStringLiteral("select local_id,server_id,share from station_rows where station=? and kind=%1 "
                                            "and local_id in (%2)")
                                 .arg(Kind)
                                 .arg(Numbers(chunk)),
                             {Variant(Station)});
        for (q->First(); !q->Eof(); q->Next())
            out.insert(q->Fields(0).AsLargeInt(), {q->Fields(1).AsLargeInt(), q->Fields(2).IsNull() ? 0 : q->Fields(2).AsFloat()});
    }
    return out;
}

// A number as SQL text: our own formatting, never a locale's.
QString Decimal(double V, int Decimals)
{
    QString s = QString::number(V, 'f', Decimals);
    if (s.contains(QLatin1Char('.'))) {
        while (s.endsWith(QLatin1Char('0')))
            s.chop(1);
        if (s.endsWith(QLatin1Char('.')))
            s.chop(1);
    }
    return s == QLatin1String("-0") ? QStringLiteral("0") : s;
}

// Two weights as the station writes them (thousandths).
bool SameWeight(double A, double B)
{
    return qRound64(A * 1000) == qRound64(B * 1000);
}

// The key older builds left in the notes of the server copies of added lines.
QString WithoutMarker(const QString &Note)
{
    static const QRegularExpression marker(QStringLiteral("\\s*CS#[0-9A-Fa-f]+"));
    return QString(Note).remove(marker).trimmed();
}

void RecordRow(const QString &Station, int Kind, qint64 LocalId, qint64 ServerId, const QString &Share)
{
    const QList<Variant> key = {Variant(Station)};
    if (ServerRun(QStringLiteral("update station_rows set server_id=%1,share=%2 where station=? and kind=%3 and local_id=%4")
                      .arg(ServerId)
                      .arg(Share)
                      .arg(Kind)
                      .arg(LocalId),
                  key)
        == 1)
        return;
    if (ServerRun(QStringLiteral("insert into station_rows (station,kind,local_id,server_id,share) values (?,%1,%2,%3,%4)")
                      .arg(Kind)
                      .arg(LocalId)
                      .arg(ServerId)
                      .arg(Share),
                  key)
        != 1)
        throw EDatabaseError(QStringLiteral("服务器未记下本机上传的记录"));
}

// A line held here as the server holds it.
struct TServerLine {
    qint64 Id = 0;
    qint64 Order = 0;
    qint64 Mc = 0;
    bool SonghlNull = true;
    double Songhl = 0;
    QString Shisje; // '' for null
    QString Note;
};

QHash<qint64, TServerLine> ServerLines(const QList<qint64> &Ids)
{
    QHash<qint64, TServerLine> out;
    for (const QList<qint64> &chunk : Chunks(Ids)) {
        auto q = ServerQuery(QStringLiteral("select id,dhid,mc,songhl,shisje,bz1 from sys_jhsj where id in (%1)").arg(Numbers(chunk)));
        for (q->First(); !q->Eof(); q->Next()) {
            TServerLine l;
            l.Id = q->Fields(0).AsLargeInt();
            l.Order = q->Fields(1).AsLargeInt();
            l.Mc = q->Fields(2).AsLargeInt();
            l.SonghlNull = q->Fields(3).IsNull();
            l.Songhl = l.SonghlNull ? 0 : q->Fields(3).AsFloat();
            l.Shisje = q->Fields(4).IsNull() ? QString() : q->Fields(4).AsString();
            l.Note = q->Fields(5).AsString();
            out.insert(l.Id, l);
        }
    }
    return out;
}

// What the station shows of a line: the server's quantity less this
// station's recorded share plus its current share (null only when neither
// the server nor this station delivered any), with the server's amount when
// the share is recorded as it is, else the quantity times the price.
struct TShown {
    Variant Songhl;
    Variant Shisje;
};

TShown Shown(const TServerLine &S, double Recorded, bool Weighed, double Share, const TField &Dj)
{
    TShown out;
    if (S.SonghlNull && !Weighed) {
        out.Songhl = Null();
        out.Shisje = S.Shisje.isEmpty() ? Null() : Variant(S.Shisje);
        return out;
    }
    const double songhl = WrittenWeight(S.Songhl - Recorded + Share);
    out.Songhl = Variant(songhl);
    if (SameWeight(Share, Recorded))
        out.Shisje = S.Shisje.isEmpty() ? Null() : Variant(S.Shisje);
    else
        out.Shisje = Dj.IsNull() ? Null() : Variant(WrittenAmount(songhl * Dj.AsFloat()));
    return out;
}

// Every line held here that has a server row takes the server's current
// quantity (see Shown); what this station has not sent stays on top of it.
void RefreshHeldLines(const QString &Station)
{
    const QString held = QStringLiteral(
        "select id from sys_jhsj where dhid<>0 and dhid in (select id from sys_jhdh) and (id>0 or local_jhsj is not null)");
    const QHash<qint64, double> shares = LineShares(held);
    auto local = LocalRead(QStringLiteral("select id,server_id,has_upload,share_sent,mc,dj from sys_jhsj where id in (%1)").arg(held));
    QList<qint64> downloaded, added;
    for (local->First(); !local->Eof(); local->Next())
        (local->Fields(0).AsLargeInt() > 0 ? downloaded : added) << local->Fields(0).AsLargeInt();
    QHash<qint64, TRecord> records = Records(Station, LineKind, downloaded);
    records.insert(Records(Station, LineKind, added));
    // Where each line is on the server: a downloaded line under its own id, an
    // added line under its record's, or (uploaded by an older build) its copy.
    QHash<qint64, qint64> at;
    for (local->First(); !local->Eof(); local->Next()) {
        const qint64 id = local->Fields(0).AsLargeInt();
        if (id > 0)
            at.insert(id, id);
        else if (records.contains(id))
            at.insert(id, records.value(id).ServerId);
        else if (!local->Fields(1).IsNull() && !local->Fields(2).IsNull())
            at.insert(id, local->Fields(1).AsLargeInt());
    }
    const QHash<qint64, TServerLine> server = ServerLines(at.values());
    for (local->First(); !local->Eof(); local->Next()) {
        const qint64 id = local->Fields(0).AsLargeInt();
        if (!at.contains(id) || !server.contains(at.value(id)))
            continue;
        const TServerLine &s = server.value(at.value(id));
        if (id < 0 && s.Mc != local->Fields(4).AsLargeInt())
            continue;
        Variant sent = Null();
        double recorded = 0;
        if (records.contains(id)) {
            recorded = records.value(id).Share;
            sent = Variant(recorded);
        } else if (!local->Fields(3).IsNull()) {
            recorded = local->Fields(3).AsFloat();
            sent = Variant(recorded);
        } else if (id < 0) {
            // An added line an older build uploaded: the server holds its share.
            recorded = s.Songhl;
        }
        const TShown shown = Shown(s, recorded, shares.contains(id), shares.value(id), local->Fields(5));
        // An added line's server id is copied from the central's record (a lost local save did not keep it).
        LocalRun(QStringLiteral("update sys_jhsj set songhl=?,shisje=?,server_songhl=?,share_sent=?,"
                                "server_id=case when id<0 then ? else server_id end where id=?"),
                 {shown.Songhl, shown.Shisje, s.SonghlNull ? Null() : Variant(s.Songhl), sent, Variant(at.value(id)), Variant(id)});
    }
}

} // namespace

void DownloadOrdersStep(const QString &D, bool Purge)
{
    EnsureStationRows();
    const QString lines = ChosenLineIds();
    const QString station = DataCenter->StationId();
    LocalAtomically([&] {
        if (Purge) {
            // Orders from the day before D on stay; an added line deleted
            // whole stays until an upload took its share off the server.
            LocalRun(QStringLiteral("delete from sys_jhdh where dhrq<date(?,'-1 day')"), {Variant(D)});
            LocalRun(QStringLiteral("delete from sys_jhsj where dhid not in (select id from sys_jhdh) "
                                    "and not (dhid=0 and local_jhsj is not null and has_upload is null)"));
            LocalRun(QStringLiteral("delete from sys_jhsj_mx where jhsj_id not in (select id from sys_jhsj)"));
        }
        // Downloaded orders of the day, and the orders this station made
        // (the central's records of them, and the copies kept here): neither
        // may come down again.
        auto local = LocalRead(
            QStringLiteral("select id from sys_jhdh where lx=2 and dhrq=? and local_dh is null "
                           "union select server_id from sys_jhdh where server_id is not null"),
            {Variant(D)});
        const QString have = IdList(local.get(), QStringLiteral("id"));
        auto source = DataCenter->ServerOpen(
            QStringLiteral("select dh.id,dh,dhrq,dh.unit,dh.lx,dh.lury from sys_jhdh dh,sys_unit unit where dh.unit=unit.id "
                           "and unit.typec in(%1) and dhrq=? and lx=2 and dh.id not in(%2) "
                           "and dh.id not in (select server_id from station_rows where station=? and kind=%3)")
                .arg(lines, have)
                .arg(OrderKind),
            {Variant(D), Variant(station)});
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
    EnsureStationRows();
    const QString lines = ChosenLineIds();
    const QString station = DataCenter->StationId();
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
        // Never a line this station made: a deleted one stays deleted.
        auto source = DataCenter->ServerOpen(
            QStringLiteral("select sj.id,sj.fudw,sj.shisje,sj.dhid,sj.mc,sj.dhsl,sj.dinghl,sj.dj,sj.bz1,sj.songhl "
                           "from sys_jhdh dh,sys_jhsj sj,sys_unit unit where dh.id=sj.dhid and dh.unit=unit.id "
                           "and sj.mc>0 and dh.dhrq=? and dh.lx=2 and unit.typec in(%1) and sj.id not in(%2) "
                           "and sj.id not in (select server_id from station_rows where station=? and kind=%3 and local_id<0)")
                .arg(lines, have)
                .arg(LineKind),
            {Variant(D), Variant(station)});
        // A line of an order this station made goes into the station's own
        // order; a line already here under any order is not brought again.
        QHash<qint64, qint64> ownOrders;
        QSet<qint64> here, orders;
        auto known = LocalRead(QStringLiteral("select server_id,id from sys_jhdh where server_id is not null"));
        for (known->First(); !known->Eof(); known->Next())
            ownOrders.insert(known->Fields(0).AsLargeInt(), known->Fields(1).AsLargeInt());
        auto recorded = DataCenter->ServerOpen(
            QStringLiteral("select server_id,local_id from station_rows where station=? and kind=%1 "
                           "and server_id in (select id from sys_jhdh where dhrq=? and lx=2)")
                .arg(OrderKind),
            {Variant(station), Variant(D)});
        for (recorded->First(); !recorded->Eof(); recorded->Next())
            ownOrders.insert(recorded->Fields(0).AsLargeInt(), recorded->Fields(1).AsLargeInt());
        auto ids = LocalRead(QStringLiteral("select id from sys_jhsj where id>0 union select server_id from sys_jhsj "
                                            "where server_id is not null"));
        for (ids->First(); !ids->Eof(); ids->Next())
            here.insert(ids->Fields(0).AsLargeInt());
        auto orderIds = LocalRead(QStringLiteral("select id from sys_jhdh"));
        for (orderIds->First(); !orderIds->Eof(); orderIds->Next())
            orders.insert(orderIds->Fields(0).AsLargeInt());
        auto target = OpenForAppend(QStringLiteral("select id,sldw,shisje,dhid,mc,sl,dinghl,dj,bz,songhl,server_songhl from sys_jhsj"));
        const QList<QPair<QString, QString>> map = {
            {QStringLiteral("id"), QStringLiteral("id")},         {QStringLiteral("mc"), QStringLiteral("mc")},
            {QStringLiteral("sldw"), QStringLiteral("fudw")},     {QStringLiteral("shisje"), QStringLiteral("shisje")},
            {QStringLiteral("sl"), QStringLiteral("dhsl")},       {QStringLiteral("dinghl"), QStringLiteral("dinghl")},
            {QStringLiteral("dj"), QStringLiteral("dj")},         {QStringLiteral("songhl"), QStringLiteral("songhl")},
            {QStringLiteral("server_songhl"), QStringLiteral("songhl")},
        };
        QList<qint64> fresh;
        OnStation([&] {
            for (source->First(); !source->Eof(); source->Next()) {
                if (here.contains(source->FieldByName(QStringLiteral("id")).AsLargeInt()))
                    continue;
                const qint64 order = source->FieldByName(QStringLiteral("dhid")).AsLargeInt();
                const qint64 into = ownOrders.value(order, order);
                // An order of this station's that is no longer here takes no lines.
                if (!orders.contains(into))
                    continue;
                target->Append();
                for (const auto &f : map)
                    CopyField(source->FieldByName(f.second), target->FieldByName(f.first));
                const QString note = WithoutMarker(source->FieldByName(QStringLiteral("bz1")).AsString());
                if (note.isEmpty())
                    target->FieldByName(QStringLiteral("bz")).Clear();
                else
                    target->FieldByName(QStringLiteral("bz")).SetAsString(note);
                target->FieldByName(QStringLiteral("dhid")).SetAsString(QString::number(into));
                target->Post();
                fresh << source->FieldByName(QStringLiteral("id")).AsLargeInt();
            }
            target->UpdateBatch();
        });
        // A line that comes down again after the purge took this station's
        // records of it: what the central recorded of them stays its share,
        // so the next upload does not take those goods off the server.
        const QHash<qint64, TRecord> before = Records(station, LineKind, fresh);
        for (auto r = before.begin(); r != before.end(); ++r)
            if (r.value().Share != 0)
                LocalRun(QStringLiteral("update sys_jhsj set share_base=? where id=?"), {Variant(r.value().Share), Variant(r.key())});
        RefreshHeldLines(station);
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
    // The order (for an added line deleted whole: the order it was in).
    qint64 Id = 0;              // 0 when that order is no longer here
    QString Dh;
    QString Dhrq;
    qint64 Unit = 0;
    int LocalDh = 0;
    QString Lury;
    qint64 OrderServerId = 0;   // dh.server_id, 0 when not known
    bool OrderUploaded = false; // dh.has_upload set
    // The line.
    qint64 SjId = 0;
    bool LocalLine = false;     // made here (sj.local_jhsj set)
    bool Deleted = false;       // an added line deleted whole
    bool LineUploaded = false;  // sj.has_upload set
    qint64 LineServerId = 0;    // sj.server_id, 0 when not known
    QString ShareSent;          // sj.share_sent, '' for null
    qint64 Mc = 0;
    QString Product;            // the product's name, for the operator
    QString Key;                // sj.upload_key
    QString Songhl, Dj, Bz;
    double Share = 0;           // this station's share now
};

bool Filled(TADOQuery *Q, const char *Field)
{
    return !Q->FieldByName(QString::fromLatin1(Field)).AsString().isEmpty();
}

// What the server copy of an added line carries in its note while the upload
// that inserts it looks for it (older builds left it there).
QString LineMarker(const QString &Key)
{
    return QStringLiteral("CS#") + Key;
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

// The server order Id is this station order's: same customer and day.
bool OrderMatches(qint64 Id, const UploadRow &Head)
{
    return !ServerQuery(QStringLiteral("select id from sys_jhdh where id=? and unit=? and dhrq=?"),
                        {Variant(Id), Variant(Head.Unit), Variant(Head.Dhrq)})
                ->IsEmpty();
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

// Inserts an added line under ServerOrder with nothing delivered and returns
// its server id. Inside the open transaction nobody else sees the new row, so
// its random key in the note finds it; the note then takes its own text, so
// the key never reaches another station or a delivery note.
qint64 InsertServerLine(qint64 ServerOrder, const UploadRow &R)
{
    const QString dj = SqlValueOrNull(R.Dj);
    if (ServerRun(QStringLiteral("insert into sys_jhsj(dhid,mc,dinghl,songhl,dj,shisje,bz1) values(%1,%2,0,0,%3,%4,?)")
                      .arg(ServerOrder)
                      .arg(R.Mc)
                      .arg(dj, dj == QLatin1String("null") ? dj : QStringLiteral("0")),
                  {Variant(LineMarker(R.Key))})
        != 1)
        throw EDatabaseError(QStringLiteral("服务器未插入订单明细"));
    auto q = ServerQuery(QStringLiteral("select id from sys_jhsj where dhid=? and bz1=? order by id desc"),
                         {Variant(ServerOrder), Variant(LineMarker(R.Key))});
    if (q->IsEmpty())
        throw EDatabaseError(QStringLiteral("服务器上找不到刚插入的订单明细"));
    const qint64 id = q->Fields(0).AsLargeInt();
    // The key must not outlive this transaction: it would show at other stations.
    const QString note = R.Bz.trimmed();
    if ((note.isEmpty() ? ServerRun(QStringLiteral("update sys_jhsj set bz1=null where id=%1").arg(id))
                        : ServerRun(QStringLiteral("update sys_jhsj set bz1=? where id=%1").arg(id), {Variant(note)}))
        != 1)
        throw EDatabaseError(QStringLiteral("服务器未写入订单明细的备注"));
    return id;
}

// What the station saves of a line once the server committed.
struct LineMark {
    qint64 SjId = 0;
    qint64 ServerId = 0;   // an added line's server row; 0 for a downloaded line
    bool Settled = false;  // a deleted line whose share is off the server
    bool Recorded = false; // the server now records this station's share
    double Share = 0;      // ... as this
    TServerLine Server;    // the server row after the writes
};

// One order's lines on the server, inside its open transaction: each line's
// share, where it differs from the one recorded, is added to the server's
// quantity (never written over another station's), and recorded.
class TOrderSender
{
public:
    TOrderSender(const QString &Station, qint64 ServerOrder, bool OrderNew)
        : FStation(Station), FOrder(ServerOrder), FOrderNew(OrderNew)
    {
    }
    QList<LineMark> Marks;
    QList<TUploadFailure> Missing;

    void Send(const UploadRow &R, const QHash<qint64, TRecord> &Records)
    {
        const bool recorded = Records.contains(R.SjId);
        const TRecord rec = Records.value(R.SjId);
        qint64 line = 0;
        double sent = 0;
        bool fresh = false;
        TServerLine row;
        auto rowOf = [&](qint64 Id) {
            const QHash<qint64, TServerLine> found = ServerLines({Id});
            if (!found.contains(Id))
                return false;
            row = found.value(Id);
            // Where the order is known the row must be in it; and a line made
            // here is of its own product.
            return (FOrder == 0 || row.Order == FOrder) && (!R.LocalLine || row.Mc == R.Mc);
        };
        if (!R.LocalLine) {
            line = R.SjId;
            sent = recorded ? rec.Share : (R.ShareSent.isEmpty() ? 0 : StrToFloat(R.ShareSent));
            if (!rowOf(line)) {
                if (!SameWeight(R.Share, sent))
                    Missing.append({R.Dh, QStringLiteral("服务器上已没有这一订单明细,数量未上传"), R.Product, false});
                return;
            }
        } else if (recorded && !FOrderNew) {
            sent = rec.Share;
            if (!rowOf(rec.ServerId)) {
                Gone(R, sent);
                return;
            }
            line = rec.ServerId;
        } else if (!recorded && !FOrderNew && R.LineServerId != 0 && rowOf(R.LineServerId)
                   && (R.LineUploaded || !R.ShareSent.isEmpty() || row.Note == LineMarker(R.Key))) {
            // Uploaded by an older build, which kept no records: the server
            // holds its share, unless it said what it had sent.
            line = R.LineServerId;
            sent = R.ShareSent.isEmpty() ? row.Songhl : StrToFloat(R.ShareSent);
            fresh = true;
        } else if (R.Deleted) {
            // Never on the server: nothing to take off.
            Marks.append({R.SjId, 0, true, false, 0, {}});
            return;
        } else if (R.LineUploaded && !recorded && !FOrderNew) {
            // Uploaded by an older build that kept no server id: there is no
            // row to add to; only what changed since is missing.
            if (!SameWeight(R.Share, R.ShareSent.isEmpty() ? R.Share : StrToFloat(R.ShareSent)))
                Missing.append({R.Dh, QStringLiteral("服务器上找不到本机早先上传的这一明细,数量未上传"), R.Product, false});
            return;
        } else {
            if (FOrder == 0) {
                Missing.append({R.Dh, QStringLiteral("服务器上已没有这张订单,数量未上传"), R.Product, false});
                return;
            }
            line = InsertServerLine(FOrder, R);
            rowOf(line);
            fresh = true;
        }
        const double share = R.Deleted ? 0 : R.Share;
        if (!SameWeight(share, sent)) {
            const QString order = QString::number(FOrder != 0 ? FOrder : row.Order);
            if (ServerRun(QStringLiteral("update sys_jhsj set songhl=coalesce(songhl,0)+%1 where id=%2 and dhid=%3")
                              .arg(Decimal(WrittenWeight(share - sent), 3))
                              .arg(line)
                              .arg(order))
                    != 1
                || !rowOf(line)) {
                Missing.append({R.Dh, QStringLiteral("服务器上已没有这一订单明细,数量未上传"), R.Product, false});
                return;
            }
            // The amount follows the quantity, at the server's price.
            auto q = ServerQuery(QStringLiteral("select dj from sys_jhsj where id=%1").arg(line));
            const QString amount = row.SonghlNull || q->Fields(0).IsNull()
                                       ? QStringLiteral("null")
                                       : Decimal(WrittenAmount(row.Songhl * q->Fields(0).AsFloat()), 6);
            if (ServerRun(QStringLiteral("update sys_jhsj set shisje=%1%2 where id=%3")
                              .arg(amount, R.LocalLine ? QStringLiteral(",dinghl=songhl") : QString())
                              .arg(line))
                != 1)
                throw EDatabaseError(QStringLiteral("服务器未写入订单明细的金额"));
            rowOf(line);
            fresh = true;
        }
        if (fresh)
            RecordRow(FStation, LineKind, R.SjId, line, Decimal(share, 3));
        Marks.append({R.SjId, R.LocalLine ? line : 0, R.Deleted, recorded || fresh, share, row});
    }

private:
    // The row a record names is gone, or is no longer this line's.
    void Gone(const UploadRow &R, double Sent)
    {
        if (R.Deleted)
            Marks.append({R.SjId, 0, true, false, 0, {}}); // nothing left to take off
        else if (!SameWeight(R.Share, Sent))
            Missing.append({R.Dh, QStringLiteral("服务器上已没有这一订单明细,数量未上传"), R.Product, false});
    }

    QString FStation;
    qint64 FOrder;
    bool FOrderNew;
};

// One order's rows (or deleted lines whose order is gone): the server takes
// them in one transaction, with its records of what it took. Only after
// the server committed does the station save what it learnt. Lines that
// reached no server row are returned.
QList<TUploadFailure> UploadOrder(const std::vector<UploadRow> &Rows, const QString &Station)
{
    TADOConnection *server = DataCenter->S_ADOConnection1;
    const UploadRow &head = Rows.front();
    const bool station = head.Id != 0 && head.LocalDh == 1;
    const bool live = std::any_of(Rows.begin(), Rows.end(), [](const UploadRow &R) { return !R.Deleted; });
    qint64 serverOrder = 0;
    bool orderNew = false;
    QList<LineMark> marks;
    QList<TUploadFailure> missing;
    server->BeginTrans();
    try {
        if (station) {
            const QHash<qint64, TRecord> rec = Records(Station, OrderKind, {head.Id});
            if (rec.contains(head.Id))
                serverOrder = rec.value(head.Id).ServerId;
            else if (head.OrderUploaded)
                serverOrder = head.OrderServerId != 0 ? head.OrderServerId : FindEarlierServerOrder(head);
            if (serverOrder != 0 && !OrderMatches(serverOrder, head))
                serverOrder = 0;
            if (serverOrder == 0 && live) {
                serverOrder = InsertServerOrder(head);
                orderNew = true;
            }
            if (serverOrder != 0 && (orderNew || !rec.contains(head.Id)))
                RecordRow(Station, OrderKind, head.Id, serverOrder, QStringLiteral("null"));
        } else if (head.Id > 0) {
            serverOrder = ServerQuery(QStringLiteral("select id from sys_jhdh where id=?"), {Variant(head.Id)})->IsEmpty() ? 0 : head.Id;
        }
        QList<qint64> ids;
        for (const UploadRow &r : Rows)
            ids << r.SjId;
        const QHash<qint64, TRecord> records = Records(Station, LineKind, ids);
        TOrderSender sender(Station, serverOrder, orderNew);
        for (const UploadRow &r : Rows) {
            if (!r.LocalLine && serverOrder == 0) {
                if (!SameWeight(r.Share, records.contains(r.SjId) ? records.value(r.SjId).Share
                                                                  : (r.ShareSent.isEmpty() ? 0 : StrToFloat(r.ShareSent))))
                    sender.Missing.append({r.Dh, QStringLiteral("服务器上已没有这一订单明细,数量未上传"), r.Product, false});
                continue;
            }
            sender.Send(r, records);
        }
        marks = sender.Marks;
        missing = sender.Missing;
        Fault(TSyncPoint::ServerCommit);
        server->CommitTrans();
    } catch (...) {
        if (server->InTransaction())
            server->RollbackTrans();
        throw;
    }
    Fault(TSyncPoint::LocalSave);
    LocalAtomically([&] {
        if (station && serverOrder != 0)
            LocalMark(QStringLiteral("update sys_jhdh set has_upload=1,server_id=? where id=?"), {Variant(serverOrder), Variant(head.Id)});
        const QString ids = [&] {
            QList<qint64> l;
            for (const LineMark &m : marks)
                l << m.SjId;
            return Numbers(l);
        }();
        const QHash<qint64, double> shares = LineShares(ids.isEmpty() ? QStringLiteral("0") : ids);
        for (const LineMark &m : marks) {
            if (m.Settled) {
                LocalMark(QStringLiteral("update sys_jhsj set has_upload=1,share_sent=0 where id=?"), {Variant(m.SjId)});
                continue;
            }
            auto dj = LocalRead(QStringLiteral("select dj from sys_jhsj where id=?"), {Variant(m.SjId)});
            const TShown shown = Shown(m.Server, m.Share, shares.contains(m.SjId), m.Share, dj->Fields(0));
            const Variant server = m.Server.SonghlNull ? Null() : Variant(m.Server.Songhl);
            const QString set = m.Recorded ? QStringLiteral("has_upload=1,share_sent=%1,").arg(Decimal(m.Share, 3)) : QString();
            if (m.ServerId != 0)
                LocalMark(QStringLiteral("update sys_jhsj set %1server_id=?,songhl=?,shisje=?,server_songhl=?,"
                                         "dinghl=case when local_jhsj is null then dinghl else ? end where id=?")
                              .arg(set),
                          {Variant(m.ServerId), shown.Songhl, shown.Shisje, server, shown.Songhl, Variant(m.SjId)});
            else
                LocalMark(QStringLiteral("update sys_jhsj set %1songhl=?,shisje=?,server_songhl=? where id=?").arg(set),
                          {shown.Songhl, shown.Shisje, server, Variant(m.SjId)});
        }
    });
    return missing;
}

UploadRow ReadUploadRow(TADOQuery *Q, bool WithOrder)
{
    auto text = [Q](const char *F) { return Q->FieldByName(QString::fromLatin1(F)).AsString(); };
    auto number = [Q](const char *F) { return Q->FieldByName(QString::fromLatin1(F)).AsLargeInt(); };
    UploadRow r;
    if (WithOrder) {
        r.Id = number("id");
        r.Dh = text("dh");
        r.Dhrq = text("dhrq");
        r.Unit = number("unit");
        r.LocalDh = int(number("local_dh"));
        r.Lury = text("lury");
        r.OrderServerId = number("server_id");
        r.OrderUploaded = Filled(Q, "has_upload");
    } else {
        r.Dh = QStringLiteral("-");
    }
    r.LineUploaded = Filled(Q, "sjhas_upload");
    r.LocalLine = Filled(Q, "local_jhsj");
    r.Deleted = number("sjdhid") == 0;
    r.SjId = number("sjid");
    r.LineServerId = number("sj_server_id");
    r.ShareSent = text("share_sent");
    r.Mc = number("mc");
    r.Product = text("cpmc");
    if (r.Product.isEmpty())
        r.Product = QString::number(r.Mc);
    if (r.Deleted)
        r.Product += QStringLiteral("(已删除)");
    r.Key = text("upload_key");
    r.Songhl = text("songhl");
    r.Dj = text("dj");
    r.Bz = text("bz");
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

bool EUploadFailed::LinesOnly() const
{
    return std::all_of(FFailures.begin(), FFailures.end(), [](const TUploadFailure &f) { return !f.Product.isEmpty(); });
}

void UploadDeliveries(TSyncProgress *Progress)
{
    EnsureStationRows();
    const QString station = DataCenter->StationId();
    // Every line made here has its key before anything is sent.
    if (LocalRead(QStringLiteral("select count(*) from sys_jhsj where local_jhsj is not null and upload_key is null"))
            ->Fields(0)
            .AsLargeInt()
        > 0)
        LocalRun(QStringLiteral("update sys_jhsj set upload_key=lower(hex(randomblob(6))) "
                                "where local_jhsj is not null and upload_key is null"));
    const QString lineColumns = QStringLiteral(
        "sj.has_upload as sjhas_upload,sj.local_jhsj,sj.id as sjid,sj.dhid as sjdhid,sj.server_id as sj_server_id,sj.share_sent,"
        "sj.mc,sj.songhl,sj.dj,sj.bz,sj.upload_key,(select cp.mc from sys_cp cp where cp.id=sj.mc) as cpmc");
    // A deleted added line waits until its share is off the server.
    const QString waiting = QStringLiteral("sj.dhid=0 and sj.local_jhsj is not null and sj.has_upload is null");
    // Orders below zero that were not made here came from no server (the
    // demo data): they have nothing to send.
    auto q = LocalRead(QStringLiteral(
        "select dh.has_upload,dh.id,dh.dh,dh.dhrq,dh.unit,dh.local_dh,dh.lury,dh.server_id,%1"
        " from sys_jhdh dh,sys_jhsj sj where dh.lx=2 and dh.id=(case when sj.dhid=0 then sj.deleted_dhid else sj.dhid end)"
        " and ((sj.dhid<>0 and sj.songhl is not null) or (%2))"
        " and (dh.id>0 or dh.local_dh=1) order by dh.id,sj.id").arg(lineColumns, waiting));
    std::vector<std::vector<UploadRow>> orders;
    QList<TUploadFailure> failures;
    for (q->First(); !q->Eof(); q->Next()) {
        UploadRow r = ReadUploadRow(q.get(), true);
        if (orders.empty() || orders.back().front().Id != r.Id)
            orders.emplace_back();
        orders.back().push_back(std::move(r));
    }
    // Deleted added lines whose order is no longer here.
    auto gone = LocalRead(QStringLiteral("select %1 from sys_jhsj sj where %2 and (sj.deleted_dhid is null or "
                                         "sj.deleted_dhid not in (select id from sys_jhdh)) order by sj.id")
                              .arg(lineColumns, waiting));
    if (!gone->IsEmpty())
        orders.emplace_back();
    for (gone->First(); !gone->Eof(); gone->Next())
        orders.back().push_back(ReadUploadRow(gone.get(), false));
    QList<qint64> ids;
    for (const auto &order : orders)
        for (const UploadRow &r : order)
            ids << r.SjId;
    const QHash<qint64, double> shares = LineShares(ids.isEmpty() ? QStringLiteral("0") : Numbers(ids));
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
                r.Share = shares.value(r.SjId);
            }
            failures.append(UploadOrder(order, station));
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
    bool local = false, lines = false;
    try {
        UploadDeliveries(&progress);
    } catch (const EUploadFailed &E) {
        // The operator learns which orders stayed behind and why; the others went up.
        failed = E.Message();
        local = E.LocalOnly();
        lines = E.LinesOnly();
    } catch (const Exception &E) {
        failed = SyncFailureReason(E);
        local = dynamic_cast<const ELocalDatabaseError *>(&E) != nullptr;
    }
    DataCenter->S_ADOConnection1->SetConnected(false);
    busy->SetPercent(100);
    busy->Close();
    if (!failed.isEmpty()) {
        // The network is not what failed when only the station's own database did.
        // Nor when the server is reachable but lacks the rows some lines belong to.
        Warn((lines   ? QStringLiteral("以下数据未能上传:服务器上已找不到它们所属的订单或明细(不是网络故障),请与管理员联系!\n")
              : local ? QStringLiteral("上传数据失败,本机数据库出错,请关闭其他使用本机数据库的程序后重新上传或与管理员联系!\n")
                      : QStringLiteral("上传数据失败,请检查网络连接是否正常或与管理员联系!\n"))
             + failed);
        return;
    }
    Application->MessageBox(QStringLiteral("数据上传成功!"), DoneTip, MB_OK);
}
