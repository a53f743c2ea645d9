// F1 on an order to a finished delivery-note PDF (template load, the note's
// lists, build, every page drawn into the file) for orders of 30 and 300
// lines, against the same table written to PDF by Qt's own text document.
#include "Unit1.h"
#include "datacenter_code.h"
#include "station_startup.h"
#include "report/preview/qdzPreviewSetup.h"
#include "report/engine/qdzPrinter.h"
#include "report/model/qdzClassRTTI.h"
#include "report/model/qdzDMPClass.h"
#include "kw_irttiunits.h"

#include "platform/Dialogs.h"
#include "platform/Forms.h"
#include "platform/Printers.h"
#include "tests/report/engine/PrinterFakes.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPdfWriter>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextDocument>

#include "BenchQtMain.h"

#include <benchmark/benchmark.h>
#include <cstdlib>

namespace {

QString SourceRoot()
{
    return QStringLiteral(STATION_BENCH_SOURCE_DIR);
}

void RunSqlFile(QSqlDatabase &Db, const QString &File)
{
    QFile f(File);
    if (!f.open(QIODevice::ReadOnly))
        std::abort();
    QString stmt;
    for (const QString &line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
        if (line.trimmed().startsWith(QLatin1String("--")))
            continue;
        stmt += line + QLatin1Char('\n');
        if (line.trimmed().endsWith(QLatin1Char(';'))) {
            QSqlQuery(Db).exec(stmt);
            stmt.clear();
        }
    }
}

// Row i of a bench order, as the note and the reference table show it.
QString Product(int I) { return QStringLiteral("商品%1").arg(I); }

// A station folder with orders BENCH-30 and BENCH-300 of today.
struct TBenchStation
{
    TBenchStation()
    {
        QDir().mkpath(Dir.path() + QStringLiteral("/db"));
        const QString db = Dir.path() + QStringLiteral("/db/dat.db");
        {
            QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench"));
            d.setDatabaseName(db);
            d.open();
            RunSqlFile(d, SourceRoot() + QStringLiteral("/app/db/schema.sql"));
            RunSqlFile(d, SourceRoot() + QStringLiteral("/app/db/demo.sql"));
            QSqlQuery q(d);
            d.transaction();
            for (int i = 1; i <= 300; ++i)
                q.exec(QStringLiteral("INSERT INTO sys_cp (id, bh, mc, dw, gg) VALUES (%1, 'B%1', '%2', '斤', '散装')")
                           .arg(10000 + i)
                           .arg(Product(i)));
            int line = 80000;
            for (int lines : {30, 300}) {
                const int order = 70000 + lines;
                q.exec(QStringLiteral("INSERT INTO sys_jhdh (id, dh, dhrq, unit, lx, lury) VALUES "
                                      "(%1, 'BENCH-%2', date('now', 'localtime'), 101, 2, 'bench')")
                           .arg(order)
                           .arg(lines));
                for (int i = 1; i <= lines; ++i)
                    q.exec(QStringLiteral("INSERT INTO sys_jhsj (id, dhid, mc, dinghl, songhl, dj, shisje, paix) "
                                          "VALUES (%1, %2, %3, %4, %5, 1.25, %6, %4)")
                               .arg(++line)
                               .arg(order)
                               .arg(10000 + i)
                               .arg(i)
                               .arg(i - 0.5)
                               .arg((i - 0.5) * 1.25));
            }
            d.commit();
            d.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("bench"));
        QFile::copy(SourceRoot() + QStringLiteral("/app/db/p01.qd3"), Dir.path() + QStringLiteral("/db/p01.qd3"));
        QFile type(Dir.path() + QStringLiteral("/db/dianzc_type.txt"));
        type.open(QIODevice::WriteOnly);
        type.write("4\r\n");
        type.close();
        qputenv("STATION_DIR", (Dir.path() + QLatin1Char('/')).toUtf8());
    }
    QTemporaryDir Dir;
};

Tmain *Station()
{
    static TBenchStation folder;
    static Tmain *main = [] {
        // A machine without print queues: notes go to PDF files.
        SetSpooler(std::make_unique<TFakeSpooler>());
        Application->Initialize();
        kwRegisterRTTIUnits();
        qdzRegisterClassRTTI();
        qdzInstallPaperHooks();
        qdzBuildStartup();
        qdzRegisterDMPObjects();
        if (!CreateStationForms())
            std::abort();
        main_->SetTag(1);
        main_->DateTimePicker1->SetDate(Date());
        main_->Show();
        return main_;
    }();
    return main;
}

void BM_DeliveryNoteF1ToPdf(benchmark::State &State)
{
    Tmain *m = Station();
    const QString dh = QStringLiteral("BENCH-%1").arg(State.range(0));
    m->LoadOrders(QString());
    if (!DataCenter->L_Sell_Dh_Query->Locate(QStringLiteral("dh"), Variant(dh))) {
        State.SkipWithError("bench order not listed");
        return;
    }
    TScopedDialogHook answer([](TDialogRequest &) { return IDOK; });
    for (auto _ : State) {
        m->Button1Click(nullptr);
        if (m->LastNoteFile().isEmpty()) {
            State.SkipWithError("no PDF written");
            return;
        }
    }
    State.counters["bytes"] = double(QFileInfo(m->LastNoteFile()).size());
}
BENCHMARK(BM_DeliveryNoteF1ToPdf)->Arg(30)->Arg(300)->Unit(benchmark::kMillisecond);

// The same table by Qt's text document: one HTML table printed to PDF.
void BM_QtTextDocumentTableToPdf(benchmark::State &State)
{
    const int lines = int(State.range(0));
    QString html = QStringLiteral("<h2 align=center>演示配送中心送货单</h2><p>客户: 演示饭店 日期: 2026-12-07 单号: BENCH</p>"
                                  "<table border=1 cellspacing=0 width=100%><tr><th>序号</th><th>编码</th><th>品名</th>"
                                  "<th>规格</th><th>单位</th><th>订货量</th><th>送货量</th><th>单价</th><th>金额</th>"
                                  "<th>备注</th></tr>");
    for (int i = 1; i <= lines; ++i)
        html += QStringLiteral("<tr><td>%1</td><td>B%2</td><td>%3</td><td>散装</td><td>斤</td><td>%1斤</td>"
                               "<td>%4</td><td>1.25</td><td>%5</td><td></td></tr>")
                    .arg(i)
                    .arg(10000 + i)
                    .arg(Product(i))
                    .arg(i - 0.5)
                    .arg((i - 0.5) * 1.25);
    html += QStringLiteral("</table><p>合计(大写): 壹佰元整</p>");
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("table.pdf"));
    for (auto _ : State) {
        QTextDocument doc;
        doc.setDefaultFont(QFont(QStringLiteral("SimSun"), 10));
        doc.setHtml(html);
        QPdfWriter writer(file);
        writer.setResolution(288);
        writer.setPageSize(QPageSize(QPageSize::A4));
        doc.print(&writer);
    }
    State.counters["bytes"] = double(QFileInfo(file).size());
}
BENCHMARK(BM_QtTextDocumentTableToPdf)->Arg(30)->Arg(300)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return benchRunWithQtApp<QApplication>(argc, argv);
}
