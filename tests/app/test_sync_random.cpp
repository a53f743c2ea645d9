// Seeded random steps of two or three stations on one central, with failures between their commits, checked after every step.
//
// What holds after every step (quantities in thousandths):
// - the server's quantity of a line is the office's part plus, for every station, the share the central has
//   recorded for it; a station's share is the sum of the nets of its live weighing records of the line, and what
//   is recorded is its share at its last upload that reached the central (after one that failed, the old or the new);
// - a line and an order a station made sit on the server in that station's order, of its customer, and no two
//   stations' orders or lines share a server row; no station holds one server line twice or brings back a line it
//   deleted whole;
// - after a refresh a station shows, for every line, the server's quantity less its recorded share plus its current
//   share, and the amount that goes with it; the server's amount of a delivered line is its quantity times its price;
// - an upload with nothing failing succeeds; one that fails names what it left behind and blames the network only
//   when the central failed;
// - no note at any station or on the server carries a station's internal line key;
// - a download that fails changes no line at the station.
// The last steps of every run upload at every station with nothing failing, then refresh every station: every
// weighing any station holds then counts on the server exactly once, and every station shows it.
#include "test_sync_fixture.h"
#include "Sell_Add_Cp_Code.h"
#include "Sell_Add_Keh_Code.h"
#include "Sell_Mingx_Code.h"
#include "weighing_code.h"
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <tuple>

namespace {

// One step, named as the acting station sees its data.
struct Step {
    int At = 0;       // the station
    char Do = 0;      // Y 同步订单, R 刷新订单, U 上传数据, N F2 walk-in order for customer Id, F F3 line of product Id
                      // in order Ref, W weigh line Ref, X F5-delete its newest record, Z delete added line Ref whole,
                      // O the office adds product Id (quantity Gross, 0: none) to Ref's server order, Q the office
                      // sets Ref's server line to Gross, T the station started again
    std::string Ref = {}; // "[*]dh[#n][/product[/n]]": '*' an order made here; #n, /n the nth of the same name
    int Id = 0;
    double Gross = 0, Tare = 0;
    char Fault = 0;   // C the central commit fails, B the central is busy, L the local save fails, K killed after the
                      // central commit (a download: before its local commit), D a download's local commit fails
    int Nth = 0;      // the fault hits the Nth order sent, from 0
};

struct Case {
    const char *Name;
    int Stations;
    std::vector<Step> Steps;
};

// Cases found by hand, each a short script; the random seeds that failed are kept below.
const Case Cases[] = {
    {"a failed local save after the central took the weighing", 2,
     {{0, 'Y'}, {0, 'W', "D-8/201", 0, 4.2}, {0, 'U'}, {0, 'W', "D-8/201", 0, 1}, {0, 'U', "", 0, 0, 0, 'L'}, {0, 'U'},
      {0, 'W', "D-8/201", 0, 1}, {0, 'U'}, {0, 'R'}}},
    {"ids of a failed central commit are not taken for another station's", 2,
     {{0, 'Y'}, {0, 'N', "", 102}, {0, 'F', "*CS240309001", 201, 4.4}, {0, 'U', "", 0, 0, 0, 'C'}, {1, 'Y'},
      {1, 'N', "", 102}, {1, 'F', "*CS240309001", 201, 5}, {1, 'U'}, {0, 'U'}}},
    {"a line deleted before the resend of a failed commit, another customer's line on its ids", 2,
     {{0, 'Y'}, {0, 'N', "", 102}, {0, 'F', "*CS240309001", 201, 4.4}, {0, 'U', "", 0, 0, 0, 'C'}, {0, 'T'}, {1, 'Y'},
      {1, 'N', "", 101}, {1, 'F', "*CS240309001", 201, 5}, {1, 'U'}, {0, 'Z', "*CS240309001/201"}, {0, 'U'}}},
    {"two stations weigh one line", 2,
     {{0, 'Y'}, {0, 'W', "D-8/201", 0, 20.5}, {0, 'U'}, {1, 'Y'}, {1, 'W', "D-8/201", 0, 5}, {1, 'U'},
      {0, 'W', "D-8/201", 0, 1.5}, {0, 'U'}, {0, 'R'}, {0, 'X', "D-8/201"}, {0, 'U'}}},
    {"a line open at the download, weighed elsewhere, its record F5-deleted here", 2,
     {{0, 'Y'}, {1, 'Y'}, {0, 'W', "D-7/201", 0, 10.5}, {0, 'U'}, {1, 'W', "D-7/201", 0, 3}, {1, 'X', "D-7/201"}, {1, 'U'}}},
    {"what another station delivered shows after a refresh and a download", 3,
     {{0, 'Y'}, {1, 'Y'}, {2, 'Y'}, {0, 'W', "D-7/201", 0, 10.5}, {0, 'U'}, {1, 'R'}, {2, 'Y'}}},
    {"a line deleted whole stays deleted", 2,
     {{0, 'Y'}, {0, 'N', "", 102}, {0, 'F', "*CS240309001", 201, 3}, {0, 'U'}, {0, 'Z', "*CS240309001/201"}, {0, 'U'},
      {0, 'Y'}, {0, 'U'}}},
    {"a deletion waiting for its upload outlives a download", 2,
     {{0, 'Y'}, {0, 'N', "", 102}, {0, 'F', "*CS240309001", 201, 3}, {0, 'U'}, {0, 'Z', "*CS240309001/201"}, {0, 'Y'},
      {0, 'U'}}},
    {"a line deleted whole after another station weighed it", 2,
     {{0, 'Y'}, {0, 'N', "", 102}, {0, 'F', "*CS240309001", 201, 3}, {0, 'U'}, {1, 'Y'}, {1, 'W', "CS240309001/201", 0, 22.5},
      {1, 'U'}, {0, 'Z', "*CS240309001/201"}, {0, 'U'}, {0, 'Y'}, {1, 'R'}}},
    {"amounts follow quantities another station changed", 3,
     {{0, 'Y'}, {0, 'N', "", 102}, {0, 'F', "*CS240309001", 201, 20.5}, {0, 'U'}, {1, 'Y'}, {1, 'W', "CS240309001/201", 0, 5},
      {1, 'U'}, {2, 'Y'}}},
};

// Random runs in CI (every seed that ever failed stays); STATION_SYNC_RANDOM_SEED and
// STATION_SYNC_RANDOM_STEPS run one longer by hand.
const unsigned Seeds[] = {1, 2, 3, 4, 5, 6, 7, 8, 110, 116, 119, 174, 9, 10, 11, 12, 15003};
const int Steps = 60;

using Milli = qint64;
Milli ToMilli(double V) { return std::llround(V * 1000); }
std::optional<double> Number(const TField &F) { return F.IsNull() ? std::nullopt : std::optional<double>(F.AsFloat()); }
Milli Q(const std::optional<double> &V) { return V ? ToMilli(*V) : 0; }
bool Near(const std::optional<double> &A, double B) { return A && std::fabs(*A - B) < 0.0051; }

QString Shown(const std::optional<double> &V) { return V ? QString::number(*V) : QStringLiteral("null"); }

std::string Text(const Step &S)
{
    std::string s = "{" + std::to_string(S.At) + ", '" + S.Do + "', \"" + S.Ref + "\"";
    if (S.Id || S.Gross || S.Tare || S.Fault)
        s += ", " + std::to_string(S.Id) + ", " + QString::number(S.Gross).toStdString() + ", " + QString::number(S.Tare).toStdString();
    if (S.Fault)
        s += std::string(", '") + S.Fault + "', " + std::to_string(S.Nth);
    return s + "},";
}

struct LocalOrder {
    qint64 Id = 0, ServerId = 0; // ServerId 0: not known here
    bool Own = false;
    int Unit = 0;
    QString Dh;
    std::string Ref;
};

struct LocalLine {
    qint64 Id = 0, ServerId = 0, ServerOrder = 0;
    bool Live = false, Added = false;
    const LocalOrder *Order = nullptr;
    int Mc = 0, Records = 0;
    Milli Share = 0;
    std::optional<double> Songhl, Shisje, Dj;
    QString Bz;
    std::string Ref;
};

struct Snapshot {
    std::vector<LocalOrder> Orders;
    std::vector<LocalLine> Lines;
    const LocalLine *Line(const std::string &Ref) const
    {
        for (const LocalLine &l : Lines)
            if (l.Live && l.Ref == Ref)
                return &l;
        return nullptr;
    }
    const LocalOrder *Order(const std::string &Ref) const
    {
        for (const LocalOrder &o : Orders)
            if (o.Ref == Ref)
                return &o;
        return nullptr;
    }
};

struct ServerLine {
    qint64 Order = 0;
    int Mc = 0, Unit = 0;
    QString Bz;
    std::optional<double> Songhl, Shisje, Dj;
};

std::unique_ptr<TADOQuery> Open(TADOConnection *C, const char *Sql)
{
    auto q = std::make_unique<TADOQuery>();
    q->SetConnection(C);
    q->SQL()->SetText(QString::fromUtf8(Sql));
    q->Open();
    return q;
}

// A station's orders and lines read straight from its file, each named as a step names it.
Snapshot ReadStation(const QString &File)
{
    TADOConnection c;
    c.SetConnectionString(QStringLiteral("Provider=SQLite;Data Source=") + File);
    c.Open();
    Snapshot s;
    std::map<qint64, std::pair<Milli, int>> shares;
    for (auto q = Open(&c, "select jhsj_id,zhongzl,qup from sys_jhsj_mx where delete_yes is null"); !q->Eof(); q->Next()) {
        auto &share = shares[q->Fields(0).AsLargeInt()];
        share.first += ToMilli(RoundedNet(q->Fields(1).AsFloat(), q->Fields(2).AsFloat()));
        ++share.second;
    }
    std::map<std::string, int> seen;
    for (auto q = Open(&c, "select id,local_dh,server_id,dh,unit from sys_jhdh order by local_dh is not null,abs(id)"); !q->Eof();
         q->Next()) {
        LocalOrder o;
        o.Id = q->Fields(0).AsLargeInt();
        o.Own = !q->Fields(1).IsNull();
        o.ServerId = o.Own ? q->Fields(2).AsLargeInt() : o.Id;
        o.Dh = q->Fields(3).AsString();
        o.Unit = q->Fields(4).AsInteger();
        o.Ref = (o.Own ? "*" : "") + o.Dh.toStdString();
        if (const int n = ++seen[o.Ref]; n > 1)
            o.Ref += "#" + std::to_string(n);
        s.Orders.push_back(o);
    }
    std::map<qint64, const LocalOrder *> orders;
    for (const LocalOrder &o : s.Orders)
        orders[o.Id] = &o;
    for (auto q = Open(&c, "select id,local_jhsj,server_id,mc,songhl,shisje,dj,bz,dhid from sys_jhsj "
                           "order by local_jhsj is not null,abs(id)");
         !q->Eof(); q->Next()) {
        LocalLine l;
        l.Id = q->Fields(0).AsLargeInt();
        l.Added = !q->Fields(1).IsNull();
        l.ServerId = l.Added ? q->Fields(2).AsLargeInt() : l.Id;
        l.Mc = q->Fields(3).AsInteger();
        l.Songhl = Number(q->Fields(4));
        l.Shisje = Number(q->Fields(5));
        l.Dj = Number(q->Fields(6));
        l.Bz = q->Fields(7).AsString();
        std::tie(l.Share, l.Records) = shares[l.Id];
        if (const auto o = orders.find(q->Fields(8).AsLargeInt()); o != orders.end())
            l.Order = o->second;
        l.Live = l.Order != nullptr;
        if (l.Live) {
            l.ServerOrder = l.Order->ServerId;
            l.Ref = l.Order->Ref + "/" + std::to_string(l.Mc);
            if (const int n = ++seen[l.Ref]; n > 1)
                l.Ref += "/" + std::to_string(n);
        }
        s.Lines.push_back(l);
    }
    return s;
}

// What a download may not change when it fails: every line's order, quantity and amount.
QString Fingerprint(const Snapshot &S)
{
    QString f;
    for (const LocalLine &l : S.Lines)
        f += QStringLiteral("%1:%2:%3:%4;").arg(l.Id).arg(l.Order ? l.Order->Id : 0).arg(Shown(l.Songhl), Shown(l.Shisje));
    return f;
}

// The SQLite central takes no statement limit, and its connection says so at every connect.
QtMessageHandler GPrevious = nullptr;
void Quiet(QtMsgType Type, const QMessageLogContext &Context, const QString &Text)
{
    if (GPrevious && !Text.contains(QStringLiteral("run without the")))
        GPrevious(Type, Context, Text);
}

// Raised by the fault hook: the station dies there.
struct Killed {};

struct Outcome {
    bool Done = true;          // a station function that reports success did
    bool Fired = false;        // the injected fault happened
    bool CentralFailed = false; // the central failed (its commit, or it was busy)
    bool Killed = false;
    QString Box;               // the last box shown
    QString Before;            // the station's lines before the step
};

// What the test knows that no database says.
struct StationModel {
    std::map<qint64, std::set<Milli>> Recorded; // line -> what the central may hold as this station's share
    std::map<qint64, qint64> ServerOf;          // line -> its server line, once seen
    std::map<qint64, std::pair<QString, int>> Seen; // line -> its order's number and its product, as last seen
    std::set<qint64> Deleted;                   // added lines deleted whole
    std::set<qint64> Uploaded;                  // lines there at the last upload that succeeded
    bool Sure = true;                           // no upload failed since the last that succeeded
};

} // namespace

class SyncRandomTest : public SyncStationsBase
{
protected:
    bool SqliteCentral() const override { return GetParam(); }
    void SetUp() override
    {
        SyncStationsBase::SetUp();
        GPrevious = qInstallMessageHandler(Quiet);
    }
    void TearDown() override
    {
        qInstallMessageHandler(GPrevious);
        SyncStationsBase::TearDown();
    }
    void Play(const std::string &Name, int Stations, const std::function<bool(Step &)> &Next);
    Snapshot Read(int Which) { return ReadStation(FStations[Which]->Db() + QStringLiteral("dat.db")); }
    std::map<qint64, ServerLine> ReadServer();
    Outcome Act(const Step &S);
    QStringList Check(const Step &S, const Outcome &O);
    Step Generate(std::mt19937 &Rng);
    const std::set<Milli> &Recorded(int At, qint64 Line)
    {
        static const std::set<Milli> none = {0};
        auto it = FModel[At].Recorded.find(Line);
        return it == FModel[At].Recorded.end() ? none : it->second;
    }

    std::vector<StationModel> FModel;
    std::map<qint64, Milli> FOffice; // server line -> the office's part
    qint64 FGhosts = 0;
};

std::map<qint64, ServerLine> SyncRandomTest::ReadServer()
{
    std::map<qint64, ServerLine> out;
    for (auto q = Central->Open(QStringLiteral("select sj.id,sj.dhid,sj.mc,sj.songhl,sj.shisje,sj.dj,sj.bz1,dh.unit "
                                               "from sys_jhsj sj left join sys_jhdh dh on dh.id=sj.dhid"));
         !q->Eof(); q->Next()) {
        ServerLine &l = out[q->Fields(0).AsLargeInt()];
        l.Order = q->Fields(1).AsLargeInt();
        l.Mc = q->Fields(2).AsInteger();
        l.Songhl = Number(q->Fields(3));
        l.Shisje = Number(q->Fields(4));
        l.Dj = Number(q->Fields(5));
        l.Bz = q->Fields(6).AsString();
        l.Unit = q->Fields(7).AsInteger();
    }
    return out;
}

Outcome SyncRandomTest::Act(const Step &S)
{
    Outcome o;
    const Snapshot here = Read(S.At);
    o.Before = Fingerprint(here);
    const LocalLine *line = here.Line(S.Ref);
    const LocalOrder *order = here.Order(S.Ref);
    if (S.Do != 'O' && S.Do != 'Q')
        Use(S.At);
    DialogRecorder dialogs;
    dialogs.Inputs = {TestDay()};
    int calls[3] = {0, 0, 0};
    const bool download = S.Do == 'Y' || S.Do == 'R';
    const bool hook = S.Fault == 'B' ? Central->IsSqlite() : S.Fault != 0;
    const TSyncPoint point = download ? TSyncPoint::DownloadSave
                             : S.Fault == 'C' || S.Fault == 'B' ? TSyncPoint::ServerCommit
                                                                : TSyncPoint::LocalSave;
    SyncFaultHook = [&](TSyncPoint P) {
        if (!hook || P != point || calls[int(P)]++ != S.Nth)
            return;
        o.Fired = true;
        if (S.Fault == 'K')
            throw Killed();
        if (P == TSyncPoint::ServerCommit) {
            o.CentralFailed = true;
            throw EDatabaseError(S.Fault == 'B' ? QStringLiteral("database is locked")
                                                : QStringLiteral("server closed the connection unexpectedly"));
        }
        throw ELocalDatabaseError(QStringLiteral("database is locked"));
    };
    const int timeout = ServerStatementTimeoutMs;
    struct Unhook {
        int Timeout;
        ~Unhook()
        {
            SyncFaultHook = nullptr;
            ServerStatementTimeoutMs = Timeout;
        }
    } unhook{timeout};
    // A busy central: another connection holds the line's server row.
    std::unique_ptr<TADOConnection> holder;
    if (S.Fault == 'B' && !Central->IsSqlite() && line && line->ServerId) {
        holder = std::make_unique<TADOConnection>();
        holder->SetConnectionString(Central->ConnectionString());
        holder->Open();
        holder->BeginTrans();
        TADOQuery q;
        q.SetConnection(holder.get());
        q.SQL()->SetText(QStringLiteral("update sys_jhsj set songhl=songhl where id=%1").arg(line->ServerId));
        q.ExecSQL();
        ServerStatementTimeoutMs = 300;
        o.CentralFailed = true;
    }
    const double net = RoundedNet(S.Gross, S.Tare);
    try {
        switch (S.Do) {
        case 'Y':
            FullDownloadClick();
            break;
        case 'R':
            RefreshOrdersClick();
            break;
        case 'U':
            UploadDeliveriesClick();
            break;
        case 'N': {
            QString dh;
            o.Done = CreateStationOrder(TestDay(), S.Id, QStringLiteral("op"), dh);
            break;
        }
        case 'F': {
            const double price = S.Id == 203 ? 13.5 : 1.25;
            o.Done = order && AddStationLine(int(order->Id), S.Id, S.Gross, S.Tare, net, price, net * price) != 0;
            break;
        }
        case 'W': {
            TWeighing w;
            w.Gross = S.Gross;
            w.Tare = S.Tare;
            w.Net = net;
            o.Done = line && SaveLineWeighing(int(line->Id), w, true);
            break;
        }
        case 'X':
            o.Done = line && DeleteWeighingRecord(Data->LocalOpen(QStringLiteral("select max(id) from sys_jhsj_mx where jhsj_id=? "
                                                                                 "and delete_yes is null"),
                                                                  {Variant(line->Id)})
                                                      ->Fields(0)
                                                      .AsInteger());
            break;
        case 'Z':
            o.Done = line && DeleteAddedLine(int(line->Id));
            if (o.Done)
                FModel[S.At].Deleted.insert(line->Id);
            break;
        case 'O': {
            o.Done = order && order->ServerId;
            if (!o.Done)
                break;
            const QString qty = S.Gross ? QString::number(S.Gross) : QStringLiteral("null");
            Central->Sql(QStringLiteral("insert into sys_jhsj(dhid,mc,dinghl,songhl,dj,shisje,bz1) values(%1,%2,3,%3,2,%4,'办公室加')")
                             .arg(order->ServerId)
                             .arg(S.Id)
                             .arg(qty, S.Gross ? QString::number(S.Gross * 2) : QStringLiteral("6")));
            FOffice[Central->Value(QStringLiteral("select max(id) from sys_jhsj")).toLongLong()] = ToMilli(S.Gross);
            break;
        }
        case 'Q': {
            o.Done = line && line->ServerId;
            if (!o.Done)
                break;
            // The office's part is what the stations' recorded shares leave of its quantity.
            Milli stations = 0;
            for (size_t i = 0; i < FModel.size(); ++i)
                for (const auto &[l, srv] : FModel[i].ServerOf)
                    if (srv == line->ServerId) {
                        o.Done = o.Done && Recorded(int(i), l).size() == 1;
                        stations += *Recorded(int(i), l).begin();
                    }
            FOffice[line->ServerId] = ToMilli(S.Gross) - stations;
            Central->Sql(QStringLiteral("update sys_jhsj set songhl=%1,shisje=%1*dj where id=%2").arg(S.Gross).arg(line->ServerId));
            break;
        }
        case 'T':
            Restart();
            break;
        }
    } catch (const Killed &) {
        o.Killed = true;
        Restart();
    }
    if (holder)
        holder->RollbackTrans();
    if (!dialogs.Dialogs.empty())
        o.Box = dialogs.Dialogs.back().Text;
    return o;
}

QStringList SyncRandomTest::Check(const Step &S, const Outcome &O)
{
    QStringList bad;
    const auto server = ReadServer();
    std::vector<Snapshot> st;
    for (size_t i = 0; i < FStations.size(); ++i)
        st.push_back(Read(int(i)));
    if (!O.Done)
        bad << QStringLiteral("the station refused the step");
    // The model follows the databases: a line gone from a station keeps what was known of it under an id of its own.
    for (size_t i = 0; i < st.size(); ++i) {
        StationModel &m = FModel[i];
        std::set<qint64> present, known;
        for (const LocalLine &l : st[i].Lines) {
            present.insert(l.Id);
            if (l.ServerId)
                m.ServerOf[l.Id] = l.ServerId;
            if (l.Live)
                m.Seen[l.Id] = {l.Order->Dh, l.Added ? l.Mc : 0};
        }
        for (const auto &[l, v] : m.Recorded)
            known.insert(l);
        for (const auto &[l, v] : m.ServerOf)
            known.insert(l);
        for (const auto &[l, v] : m.Seen)
            known.insert(l);
        for (qint64 l : known)
            if (l > -(qint64(1) << 50) && !present.count(l)) {
                const qint64 ghost = -(qint64(1) << 50) - ++FGhosts;
                auto rename = [&](auto &Map) {
                    if (auto n = Map.extract(l)) {
                        n.key() = ghost;
                        Map.insert(std::move(n));
                    }
                };
                rename(m.Recorded);
                rename(m.ServerOf);
                rename(m.Seen);
                if (m.Deleted.erase(l))
                    m.Deleted.insert(ghost);
                m.Uploaded.erase(l);
            }
    }
    const bool upload = S.Do == 'U', download = S.Do == 'Y' || S.Do == 'R';
    if (upload) {
        const bool ok = O.Box == QStringLiteral("数据上传成功!");
        if (!ok && !O.Killed) {
            if (!O.Fired && !O.CentralFailed)
                bad << QStringLiteral("an upload with nothing failing did not succeed: ") + O.Box;
            if (O.Box.contains(QStringLiteral("检查网络连接")) && !O.CentralFailed)
                bad << QStringLiteral("the box blames the network, but the central did not fail: ") + O.Box;
            if (!O.Box.contains(QStringLiteral("单号")))
                bad << QStringLiteral("the box names nothing left behind: ") + O.Box;
        }
        if (ok && O.Fired && O.CentralFailed)
            bad << QStringLiteral("success reported though the central commit failed");
        StationModel &m = FModel[S.At];
        std::map<qint64, Milli> shares;
        for (const auto &[l, v] : m.Recorded)
            shares[l] = 0;
        for (const LocalLine &l : st[S.At].Lines)
            shares[l.Id] = l.Share;
        for (const auto &[l, share] : shares) {
            std::set<Milli> &r = m.Recorded[l];
            if (r.empty())
                r = {0};
            // Left behind (and so named) or not, the central holds the old share or the new one.
            const bool named = O.Killed || (!ok && m.Seen.count(l) && O.Box.contains(m.Seen[l].first));
            if (!named)
                r = {share};
            else
                r.insert(share);
        }
        m.Sure = ok;
        if (ok) {
            m.Uploaded.clear();
            for (const LocalLine &l : st[S.At].Lines)
                m.Uploaded.insert(l.Id);
        }
    }
    if (download && !O.Fired && !O.Killed
        && O.Box != (S.Do == 'R' ? QStringLiteral("数据更新成功!") : QStringLiteral(" 网络订单同步成功!")))
        bad << QStringLiteral("a download with nothing failing did not succeed: ") + O.Box;
    if (download && (O.Fired || O.Killed) && Fingerprint(st[S.At]) != O.Before)
        bad << QStringLiteral("a download that failed changed the station's lines");
    bool allSure = true;
    for (const StationModel &m : FModel)
        allSure = allSure && m.Sure;
    // Every server line: the office's part plus every station's recorded share.
    std::map<qint64, std::vector<const std::set<Milli> *>> parts;
    for (size_t i = 0; i < FModel.size(); ++i)
        for (const auto &[l, srv] : FModel[i].ServerOf)
            parts[srv].push_back(&Recorded(int(i), l));
    std::set<qint64> lines;
    for (const auto &[id, l] : server)
        lines.insert(id);
    for (const auto &[id, p] : parts)
        lines.insert(id);
    for (qint64 id : lines) {
        const auto sv = server.find(id);
        const Milli held = sv == server.end() ? 0 : Q(sv->second.Songhl);
        if (!FOffice.count(id) && !parts.count(id)) {
            // Unless an added line deleted whole before its station learnt its server row left it at 0.
            bool lost = false;
            for (const StationModel &m : FModel)
                for (qint64 l : m.Deleted)
                    lost = lost || (held == 0 && sv != server.end() && !m.ServerOf.count(l) && m.Seen.count(l)
                                    && m.Seen.at(l).second == sv->second.Mc);
            if (allSure && !lost)
                bad << QStringLiteral("server line %1 (%2) is no station's and not the office's").arg(id).arg(held);
            continue;
        }
        std::set<Milli> sums = {FOffice.count(id) ? FOffice[id] : 0};
        bool many = false; // too many ways to make it up: not checked
        auto add = [&sums, &many](const std::set<Milli> &P, bool Maybe) {
            many = many || sums.size() * (P.size() + 1) > 65536;
            if (many)
                return;
            std::set<Milli> next;
            for (Milli a : sums)
                for (Milli b : P)
                    next.insert(a + b);
            if (Maybe)
                next.insert(sums.begin(), sums.end());
            sums.swap(next);
        };
        for (const std::set<Milli> *p : parts[id])
            add(*p, false);
        // An added line whose server row its station could not save may be any server line of its product.
        for (size_t i = 0; sv != server.end() && i < FModel.size(); ++i)
            for (const auto &[l, seen] : FModel[i].Seen)
                if (!FModel[i].Sure && seen.second == sv->second.Mc && !FModel[i].ServerOf.count(l))
                    add(Recorded(int(i), l), true);
        if (!many && !sums.count(held)) {
            QStringList want;
            for (Milli v : sums)
                want << QString::number(v / 1000.0);
            bad << QStringLiteral("server line %1 holds %2, the office's part and the stations' shares make %3")
                       .arg(id)
                       .arg(held / 1000.0)
                       .arg(want.join(QLatin1Char('|')));
        }
        if (sv != server.end() && sv->second.Songhl && sv->second.Dj
            && !Near(sv->second.Shisje, *sv->second.Songhl * *sv->second.Dj))
            bad << QStringLiteral("server line %1: amount %2 for %3 x %4")
                       .arg(id)
                       .arg(Shown(sv->second.Shisje))
                       .arg(*sv->second.Songhl)
                       .arg(*sv->second.Dj);
        if (sv != server.end() && sv->second.Bz.contains(QStringLiteral("CS#")))
            bad << QStringLiteral("server line %1 carries a station key in its note: ").arg(id) + sv->second.Bz;
    }
    // Where each station's lines and orders sit on the server.
    std::map<qint64, int> ownOrders, addedLines;
    for (size_t i = 0; i < st.size(); ++i) {
        const StationModel &m = FModel[i];
        std::set<qint64> deleted, shown;
        for (qint64 l : m.Deleted)
            if (m.ServerOf.count(l))
                deleted.insert(m.ServerOf.at(l));
        for (const LocalLine &l : st[i].Lines) {
            const QString where = QStringLiteral("station %1 line %2 (%3)").arg(i).arg(l.Id).arg(QString::fromStdString(l.Ref));
            if (l.Bz.contains(QStringLiteral("CS#")))
                bad << where + QStringLiteral(" shows a station key in its note: ") + l.Bz;
            if (!l.Live)
                continue;
            if (deleted.count(l.ServerId))
                bad << where + QStringLiteral(" is server line %1, deleted whole here").arg(l.ServerId);
            if (!m.Sure || !m.Uploaded.count(l.Id))
                continue;
            if (l.ServerId && !shown.insert(l.ServerId).second)
                bad << where + QStringLiteral(": a second line here on server line %1").arg(l.ServerId);
            const auto sv = server.find(l.ServerId);
            if (sv == server.end())
                bad << where + QStringLiteral(" is not on the server after an upload that succeeded");
            else if (sv->second.Order != l.ServerOrder || sv->second.Unit != l.Order->Unit)
                bad << where + QStringLiteral(" is in server order %1 of customer %2, not %3 of %4")
                                   .arg(sv->second.Order)
                                   .arg(sv->second.Unit)
                                   .arg(l.ServerOrder)
                                   .arg(l.Order->Unit);
            if (l.Added && l.ServerId && addedLines.count(l.ServerId) && addedLines[l.ServerId] != int(i))
                bad << where + QStringLiteral(": server line %1 is station %2's too").arg(l.ServerId).arg(addedLines[l.ServerId]);
            if (l.Added)
                addedLines[l.ServerId] = int(i);
            if (l.Order->Own && l.ServerOrder) {
                if (ownOrders.count(l.ServerOrder) && ownOrders[l.ServerOrder] != int(i))
                    bad << where + QStringLiteral(": server order %1 is station %2's too").arg(l.ServerOrder).arg(ownOrders[l.ServerOrder]);
                ownOrders[l.ServerOrder] = int(i);
            }
        }
    }
    // After a refresh: the server's quantity for every line, less this station's recorded share plus its share now.
    if (download && O.Box.contains(QStringLiteral("成功"))) {
        const StationModel &m = FModel[S.At];
        std::set<qint64> orders, have;
        for (const LocalOrder &o : st[S.At].Orders)
            if (o.ServerId)
                orders.insert(o.ServerId);
        for (const LocalLine &l : st[S.At].Lines) {
            const auto sv = server.find(l.ServerId);
            if (!l.Live || sv == server.end())
                continue;
            have.insert(l.ServerId);
            const std::set<Milli> &r = Recorded(S.At, l.Id);
            if (r.size() != 1)
                continue;
            const Milli shown = Q(sv->second.Songhl) - *r.begin() + l.Share;
            const bool same = shown == Q(sv->second.Songhl);
            if (Q(l.Songhl) != shown || (same ? sv->second.Shisje && !Near(l.Shisje, *sv->second.Shisje)
                                              : l.Dj && !Near(l.Shisje, shown / 1000.0 * *l.Dj)))
                bad << QStringLiteral("after the refresh station %1 shows line %2 (%3) as %4, amount %5; the server holds %6, "
                                      "amount %7, this station's share is %8, recorded %9")
                           .arg(S.At)
                           .arg(l.Id)
                           .arg(QString::fromStdString(l.Ref))
                           .arg(Shown(l.Songhl))
                           .arg(Shown(l.Shisje))
                           .arg(Shown(sv->second.Songhl))
                           .arg(Shown(sv->second.Shisje))
                           .arg(l.Share / 1000.0)
                           .arg(*r.begin() / 1000.0);
        }
        // A line deleted whole before its station learnt its server row may be any of its product.
        std::set<qint64> deleted;
        std::set<int> unknown;
        for (qint64 l : m.Deleted)
            if (m.ServerOf.count(l))
                deleted.insert(m.ServerOf.at(l));
            else if (m.Seen.count(l))
                unknown.insert(m.Seen.at(l).second);
        for (const auto &[id, l] : server)
            if (m.Sure && l.Mc > 0 && orders.count(l.Order) && !have.count(id) && !deleted.count(id) && !unknown.count(l.Mc))
                bad << QStringLiteral("after the refresh station %1 does not show server line %2 of order %3").arg(S.At).arg(id).arg(l.Order);
    }
    return bad;
}

// A random step the acting station can take now.
Step SyncRandomTest::Generate(std::mt19937 &Rng)
{
    auto pick = [&Rng](int N) { return int(Rng() % unsigned(N)); };
    Step s;
    s.At = pick(int(FStations.size()));
    const Snapshot here = Read(s.At);
    std::vector<const LocalLine *> lines, weighed, added, onServer;
    for (const LocalLine &l : here.Lines)
        if (l.Live) {
            lines.push_back(&l);
            if (l.Records)
                weighed.push_back(&l);
            if (l.Added)
                added.push_back(&l);
            if (l.ServerId)
                onServer.push_back(&l);
        }
    std::vector<const LocalOrder *> orders, served;
    for (const LocalOrder &o : here.Orders) {
        orders.push_back(&o);
        if (o.ServerId)
            served.push_back(&o);
    }
    bool allSure = true;
    for (const StationModel &m : FModel)
        allSure = allSure && m.Sure;
    s.Gross = (1 + pick(300)) / 10.0 + pick(2) * 0.05;
    s.Tare = std::min(s.Gross, std::vector<double>{0, 0, 0.3, 1.25}[pick(4)]);
    const int roll = pick(100);
    auto fault = [&](const char *Kinds, int Percent) {
        if (pick(100) < Percent) {
            s.Fault = Kinds[pick(int(strlen(Kinds)))];
            s.Nth = pick(2);
        }
    };
    auto line = [&](const std::vector<const LocalLine *> &From) {
        if (From.empty())
            return false;
        s.Ref = From[pick(int(From.size()))]->Ref;
        return true;
    };
    if (orders.empty()) {
        s.Do = 'Y';
    } else if (roll < 22) {
        s.Do = 'U';
        fault("CBLK", 40);
        if (s.Fault == 'B' && !line(onServer))
            s.Fault = 0;
    } else if (roll < 42 && line(lines)) {
        s.Do = 'W';
    } else if (roll < 50) {
        s.Do = 'F';
        s.Ref = orders[pick(int(orders.size()))]->Ref;
        s.Id = pick(2) ? 201 : 203;
    } else if (roll < 56) {
        s.Do = 'N';
        s.Id = pick(2) ? 101 : 102;
    } else if (roll < 63 && line(weighed)) {
        s.Do = 'X';
    } else if (roll < 67 && line(added)) {
        s.Do = 'Z';
    } else if (roll < 70) {
        s.Do = 'T';
    } else if (roll < 74 && !served.empty()) {
        s.Do = 'O';
        s.Ref = served[pick(int(served.size()))]->Ref;
        s.Id = pick(2) ? 201 : 203;
        s.Gross = pick(2) ? 0 : s.Gross;
    } else if (roll < 78 && allSure && line(onServer)) {
        s.Do = 'Q';
    } else {
        s.Do = roll % 4 ? 'R' : 'Y';
        fault("DK", 12);
        s.Nth = 0;
    }
    if (!strchr("WFOQ", s.Do))
        s.Gross = 0;
    if (!strchr("WF", s.Do))
        s.Tare = 0;
    return s;
}

void SyncRandomTest::Play(const std::string &Name, int Stations, const std::function<bool(Step &)> &Next)
{
    Fresh(Stations);
    FModel.assign(size_t(Stations), StationModel());
    FOffice.clear();
    for (const auto &[id, l] : ReadServer())
        FOffice[id] = Q(l.Songhl);
    std::string trace;
    std::vector<Step> last;
    for (int i = 0; i < Stations; ++i)
        last.push_back({i, 'U'});
    for (int i = 0; i < Stations; ++i)
        last.push_back({i, 'R'});
    Step s;
    bool ending = false;
    for (size_t n = 0;; ++n) {
        ending = ending || !Next(s);
        if (ending && last.empty())
            break;
        if (ending) {
            s = last.front();
            last.erase(last.begin());
        }
        trace += "    " + Text(s) + "\n";
        const Outcome o = Act(s);
        const QStringList bad = Check(s, o);
        if (!bad.isEmpty()) {
            ADD_FAILURE() << Name << ", step " << n << (ending ? " (the closing uploads and refreshes)" : "") << ":\n  "
                          << bad.join(QStringLiteral("\n  ")).toStdString() << "\nthe steps:\n"
                          << trace;
            return;
        }
    }
}

TEST_P(SyncRandomTest, TheCasesFoundSoFar)
{
    for (const Case &c : Cases) {
        size_t n = 0;
        Play(c.Name, c.Stations, [&](Step &S) {
            if (n == c.Steps.size())
                return false;
            S = c.Steps[n++];
            return true;
        });
    }
}

TEST_P(SyncRandomTest, RandomStepsOfSeveralStations)
{
    std::vector<unsigned> seeds(std::begin(Seeds), std::end(Seeds));
    int steps = Steps;
    if (!qEnvironmentVariable("STATION_SYNC_RANDOM_SEED").isEmpty())
        seeds = {qEnvironmentVariable("STATION_SYNC_RANDOM_SEED").toUInt()};
    if (!qEnvironmentVariable("STATION_SYNC_RANDOM_STEPS").isEmpty()) {
        // A long run is played as days of at most 500 steps from successive
        // seeds: every check reads every station whole, so one endless day
        // would slow each step down as its data grows.
        const int total = qEnvironmentVariableIntValue("STATION_SYNC_RANDOM_STEPS");
        steps = std::min(total, 500);
        const unsigned first = seeds.front();
        seeds.clear();
        for (int done = 0; done < total; done += steps)
            seeds.push_back(first + unsigned(seeds.size()));
    }
    for (unsigned seed : seeds) {
        std::mt19937 rng(seed);
        int n = 0;
        Play("seed " + std::to_string(seed), 2 + int(seed % 2), [&](Step &S) {
            if (n++ == steps)
                return false;
            S = Generate(rng);
            return true;
        });
    }
}

INSTANTIATE_TEST_SUITE_P(Central, SyncRandomTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool> &I) { return I.param ? "SqliteOdbc" : "Postgres"; });
