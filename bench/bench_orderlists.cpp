// The main window's order lists over a busy day (10,000 orders, 50,000 lines)
// and ten times that, against the plain query of the same rows in the same run.
#include "ADODB.h"
#include "Forms.h"
#include "Unit1.h"
#include "datacenter_code.h"
#include "station_startup.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>

namespace {

// Day 1 of May 2030 carries the 1x day, day 2 the 10x day.
QString DayOf(int Size) { return Size == 1 ? QStringLiteral("2030-05-01") : QStringLiteral("2030-05-02"); }

bool Exec(QSqlDatabase &Db, const QString &Sql)
{
    QSqlQuery q(Db);
    if (!q.exec(Sql)) {
        std::fprintf(stderr, "%s\n%s\n", qPrintable(q.lastError().text()), qPrintable(Sql));
        return false;
    }
    return true;
}

// The shipped schema, 1,000 customers, 500 products and the two days; a
// fifth of the orders finished, a fifth partly weighed.
bool MakeDatabase(const QString &File)
{
    QFile schema(QStringLiteral(STATION_BENCH_SOURCE_DIR "/app/db/schema.sql"));
    if (!schema.open(QIODevice::ReadOnly))
        return false;
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench-setup"));
        db.setDatabaseName(File);
        ok = db.open();
        // The schema's comments run to the line end and hold no quotes.
        QString text;
        for (const QString &line : QString::fromUtf8(schema.readAll()).split(QLatin1Char('\n')))
            text += line.left(line.indexOf(QLatin1String("--")) < 0 ? line.size() : line.indexOf(QLatin1String("--")))
                    + QLatin1Char('\n');
        for (const QString &s : text.split(QLatin1Char(';')))
            if (ok && !s.trimmed().isEmpty())
                ok = Exec(db, s);
        const char *fill[] = {
            "begin",
            "with recursive n(i) as (select 1 union all select i+1 from n where i<1000) "
            "insert into sys_unit (id,usercode,shortname,typea,mode,yn,piny) "
            "select i, printf('K%04d',i), '客户'||i, i%5, 2, 1, 'KH'||i from n",
            "with recursive n(i) as (select 1 union all select i+1 from n where i<500) "
            "insert into sys_cp (id,bh,mc,dw,dfl) select i, printf('C%03d',i), '产品'||i, '斤', i%7 from n",
            "with recursive n(i) as (select 1 union all select i+1 from n where i<110000) "
            "insert into sys_jhdh (id,dh,dhrq,unit,lx) select i, 'D'||i, case when i<=10000 then '2030-05-01' "
            "else '2030-05-02' end, 1+i%1000, 2 from n",
            "with recursive n(i) as (select 0 union all select i+1 from n where i<549999) "
            "insert into sys_jhsj (id,dhid,mc,dinghl,songhl,paix) select i+1, 1+i/5, 1+i%500, 10, "
            "case when (i/5)%5=0 then 10 when (i/5)%5=1 and i%5<2 then 9 else null end, i%5 from n",
            "commit",
        };
        for (const char *s : fill)
            if (ok)
                ok = Exec(db, QString::fromUtf8(s));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench-setup"));
    return ok;
}

void SetDay(int Size)
{
    main_->DateTimePicker1->SetDate(StrToDate(DayOf(Size)));
}

// Refreshing the order list: counts, the finished and partly lists, the list query.
void BM_LoadOrders(benchmark::State &State)
{
    const int size = int(State.range(0));
    SetDay(size);
    for (auto _ : State)
        main_->LoadOrders(QString());
    State.counters["orders"] = DataCenter->L_Sell_Dh_Query->RecordCount();
}

// The refresh and the grid painted once, as the first show does.
void BM_LoadOrdersAndPaint(benchmark::State &State)
{
    const int size = int(State.range(0));
    SetDay(size);
    for (auto _ : State) {
        main_->LoadOrders(QString());
        benchmark::DoNotOptimize(main_->Sell_Dh->Widget()->grab());
    }
}

// The product list of the by-product page.
void BM_LoadProducts(benchmark::State &State)
{
    SetDay(int(State.range(0)));
    for (auto _ : State)
        main_->LoadProducts(QString());
}

// Reference: the statements of the refresh read through Qt SQL alone.
void BM_PlainQueries(benchmark::State &State)
{
    const QString d = DayOf(int(State.range(0)));
    QSqlDatabase db = DataCenter->L_ADOConnection1->Database();
    auto readAll = [&](const QString &Sql) {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        q.prepare(Sql);
        q.addBindValue(d);
        q.exec();
        const int fields = q.record().count();
        while (q.next())
            for (int i = 0; i < fields; ++i)
                benchmark::DoNotOptimize(q.value(i));
    };
    for (auto _ : State) {
        readAll(QStringLiteral("select count(*) from sys_jhdh dh where dh.dhrq=? and dh.lx=2"));
        readAll(QStringLiteral("select dh.id,count(*) as lines,count(sj.songhl) as weighed from sys_jhdh dh,sys_jhsj sj "
                               "where dh.id=sj.dhid and dh.dhrq=? and dh.lx=2 group by dh.id order by dh.id"));
        readAll(QStringLiteral("select dh.id,unit.usercode,unit.shortname,dh.dh,case when dh.print_yes=1 then '√' else '' "
                               "end as dyzt from sys_jhdh dh,sys_unit unit where dh.unit=unit.id and dh.dhrq=? and "
                               "dh.lx=2 order by unit.typea,unit.usercode"));
    }
}

} // namespace

BENCHMARK(BM_PlainQueries)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadOrders)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadOrdersAndPaint)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadProducts)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid() || !QDir().mkpath(dir.path() + QStringLiteral("/db")))
        return 1;
    if (!MakeDatabase(dir.path() + QStringLiteral("/db/dat.db")))
        return 1;
    QFile type(dir.path() + QStringLiteral("/db/dianzc_type.txt"));
    if (!type.open(QIODevice::WriteOnly) || type.write("4\r\n") != 3)
        return 1;
    type.close();
    qputenv("STATION_DIR", dir.path().toUtf8());
    Application->Initialize();
    if (!CreateStationForms())
        return 1;
    main_->SetTag(1);
    main_->Show();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    DoneApplication();
    return 0;
}
