// F1's delivery note PDF stays as it printed before the print path was made
// faster: an order of 45 lines on a fixed date (two pages), text of every
// page and the look of both pages against references in data/.
#include "FormHarness.h"
#include "PdfGolden.h"
#include "StationFixture.h"
#include "Unit1.h"
#include "datacenter_code.h"
#include "station_startup.h"
#include "report/preview/qdzPreviewSetup.h"
#include "report/engine/qdzPrinter.h"
#include "report/model/qdzClassRTTI.h"
#include "report/model/qdzDMPClass.h"
#include "kw_irttiunits.h"

#include "platform/Dialogs.h"
#include "platform/Printers.h"
#include "tests/report/engine/PrinterFakes.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace FormHarness;

TEST(DeliveryNoteUnchanged, FortyFiveLinesTextAndLook)
{
    if (!PdfGolden::ToolsPresent())
        GTEST_SKIP() << "poppler-utils missing (scripts/setup installs it)";
    StationFolder station;
    QString sql = QStringLiteral("INSERT INTO sys_jhdh (id, dh, dhrq, unit, lx, lury) VALUES "
                                 "(7045, 'GOLD-45', '2026-03-05', 101, 2, 'tester');");
    for (int i = 1; i <= 45; ++i)
        sql += QStringLiteral("INSERT INTO sys_cp (id, bh, mc, dw, gg) VALUES (%1, 'B%1', '商品%2', '斤', '散装');"
                              "INSERT INTO sys_jhsj (id, dhid, mc, dinghl, songhl, dj, shisje, paix) "
                              "VALUES (%3, 7045, %1, %2, %4, 1.25, %5, %2);")
                   .arg(20000 + i)
                   .arg(i)
                   .arg(90000 + i)
                   .arg(i - 0.5)
                   .arg((i - 0.5) * 1.25);
    station.Sql(sql);
    ASSERT_TRUE(QFile::copy(QStringLiteral(STATION_SOURCE_DIR "/app/db/p01.qd3"), station.Db() + "p01.qd3"));
    auto oldSpooler = SetSpooler(std::make_unique<TFakeSpooler>());
    Application->Initialize();
    kwRegisterRTTIUnits();
    qdzRegisterClassRTTI();
    qdzInstallPaperHooks();
    qdzBuildStartup();
    qdzRegisterDMPObjects();
    ASSERT_TRUE(CreateStationForms());
    Tmain *m = main_;
    m->SetTag(1);
    m->DateTimePicker1->SetDate(EncodeDate(2026, 3, 5));
    ASSERT_TRUE(ShowAndActivate(m));
    m->LoadOrders(QString());
    ASSERT_TRUE(DataCenter->L_Sell_Dh_Query->Locate(QStringLiteral("dh"), Variant(QStringLiteral("GOLD-45"))));
    QStringList boxes;
    {
        TScopedDialogHook answer([&boxes](TDialogRequest &R) {
            boxes << R.Text;
            return IDOK;
        });
        m->Button1Click(m->Button1);
    }
    const QString file = m->LastNoteFile();
    EXPECT_FALSE(file.isEmpty()) << boxes.join('\n').toStdString();
    if (!file.isEmpty()) {
        const QStringList diffs = PdfGolden::Compare(file, QStringLiteral(STATION_TEST_DATA), "deliverynote45", {1, 2});
        EXPECT_TRUE(diffs.isEmpty()) << diffs.join('\n').toStdString();
    }
    DoneApplication();
    SetSpooler(std::move(oldSpooler));
}
