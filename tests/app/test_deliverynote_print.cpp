// F1 on the main window: the delivery note of the selected order loaded from
// db/p01.qd3, built and written to a PDF file on a machine without print
// queues; print_yes only after success; each customer's own codes.
#include "FormHarness.h"
#include "StationFixture.h"
#include "Unit1.h"
#include "datacenter_code.h"
#include "station_startup.h"
#include "report/preview/qdzPreviewSetup.h"
#include "report/engine/qdzPrinter.h"
#include "report/model/qdzClassRTTI.h"
#include "report/model/qdzDMPClass.h"
#include "kw_irttiunits.h"
#include "report/model/qdzClass.h"

#include "platform/Dialogs.h"
#include "platform/Printers.h"
#include "tests/report/engine/PrinterFakes.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace FormHarness;

namespace {

// The text of a PDF file, as pdftotext reads it.
QString PdfText(const QString &File)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), File, QStringLiteral("-")});
    if (!p.waitForFinished(30000))
        return QStringLiteral("<pdftotext failed>");
    return QString::fromUtf8(p.readAllStandardOutput());
}

class DeliveryNotePrint : public ::testing::Test
{
protected:
    void SetUp() override
    {
        FOldSpooler = SetSpooler(std::make_unique<TFakeSpooler>());
        ASSERT_TRUE(QFile::copy(QStringLiteral(STATION_SOURCE_DIR "/app/db/p01.qd3"),
                                Station.Db() + QStringLiteral("p01.qd3")));
        Application->Initialize();
        kwRegisterRTTIUnits();
        qdzRegisterClassRTTI();
        qdzInstallPaperHooks();
        qdzBuildStartup();
        qdzRegisterDMPObjects();
        ASSERT_TRUE(CreateStationForms());
        M = main_;
        M->SetTag(1);
        // The demo orders are today's.
        M->DateTimePicker1->SetDate(Date());
        ASSERT_TRUE(ShowAndActivate(M));
        M->LoadOrders(QString());
    }
    void TearDown() override
    {
        DoneApplication();
        SetSpooler(std::move(FOldSpooler));
    }

    bool Select(const QString &Dh)
    {
        return DataCenter->L_Sell_Dh_Query->Locate(QStringLiteral("dh"), Variant(Dh));
    }
    QString PrintYes(int Id)
    {
        auto q = DataCenter->LocalOpen(QStringLiteral("select print_yes from sys_jhdh where id=?"), {Variant(Id)});
        return q->FieldByName(QStringLiteral("print_yes")).AsString();
    }
    // Gives the station's template a main block (text as the template keeps it).
    void SetTemplateScript(const QByteArray &Script)
    {
        QFile file(Station.Db() + QStringLiteral("p01.qd3"));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        QByteArray text = file.readAll();
        file.close();
        text.replace("<TqdzReport>", "<TqdzReport ScriptText.Text=\"" + Script + "\">");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
        file.close();
    }
    // Presses F1, answering the boxes; the texts of the boxes shown.
    QStringList F1()
    {
        QStringList boxes;
        TScopedDialogHook answer([&boxes](TDialogRequest &R) {
            boxes << R.Caption + QLatin1Char('|') + R.Text;
            return IDOK;
        });
        M->Button1Click(M->Button1);
        return boxes;
    }

    StationFolder Station;
    Tmain *M = nullptr;
    std::unique_ptr<TPrinterSpooler> FOldSpooler;
};

} // namespace

TEST_F(DeliveryNotePrint, WritesThePdfBesideTheDatabaseTellsTheOperatorAndMarksTheOrder)
{
    ASSERT_TRUE(Select(QStringLiteral("DEMO-0001")));
    const QStringList boxes = F1();
    const QString file = M->LastNoteFile();
    ASSERT_FALSE(file.isEmpty()) << boxes.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(file.startsWith(Station.Db() + QStringLiteral("notes/")));
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0], QStringLiteral("提示!|没有可用的打印机, 送货单已保存为文件: ") + file);
    EXPECT_EQ(PrintYes(-8999), QStringLiteral("1"));
    const QString text = PdfText(file);
    for (const char *s : {"演示饭店", "DEMO-0001", "大白菜", "后腿肉", "R-01", "20斤", "10斤", "1.2", "13.8"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(s))) << s << "\n" << text.toStdString();
}

TEST_F(DeliveryNotePrint, ThePdfTextIsTheCharactersDrawn)
{
    // A reader maps each glyph back to one character: with a font that draws
    // a radical and its ideograph alike, the radical would come back.
    Station.Sql(QStringLiteral("UPDATE sys_jhsj SET songhl=5, shisje=6 WHERE id=-4999;"
                               "UPDATE sys_jhsj SET songhl=1.25, shisje=17.25 WHERE id=-4998;"));
    M->LoadOrders(QString());
    ASSERT_TRUE(Select(QStringLiteral("DEMO-0001")));
    F1();
    const QString text = PdfText(M->LastNoteFile());
    for (const char *s : {"演示配送中心送货单", "演示饭店", "大白菜", "后腿肉", "20斤", "贰拾叁元贰角伍分", "23.25"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(s))) << s << "\n" << text.toStdString();
    EXPECT_FALSE(text.contains(QRegularExpression(QStringLiteral("[\\x{2E80}-\\x{2FDF}]")))) << text.toStdString();
}

TEST_F(DeliveryNotePrint, TheF1KeyWritesTheNoteOnceThoughItsBoxTookTheFocus)
{
    ASSERT_TRUE(Select(QStringLiteral("DEMO-0001")));
    M->Sell_Dh->SyncWithDataSet();
    ASSERT_TRUE(Focus(M->Sell_Dh));
    // Every note written tells the operator in a real box of its own.
    TModalAnswerer answers;
    Key(Qt::Key_F1);
    ProcessEvents(30);
    const QString file = M->LastNoteFile();
    ASSERT_FALSE(file.isEmpty());
    EXPECT_EQ(answers.Texts, QStringList{QStringLiteral("没有可用的打印机, 送货单已保存为文件: ") + file});
}

TEST_F(DeliveryNotePrint, EachCustomersOwnCodesOnConsecutiveNotes)
{
    ASSERT_TRUE(Select(QStringLiteral("DEMO-0001")));
    F1();
    const QString first = PdfText(M->LastNoteFile());
    ASSERT_TRUE(Select(QStringLiteral("DEMO-0002")));
    F1();
    const QString second = PdfText(M->LastNoteFile());
    EXPECT_TRUE(first.contains(QStringLiteral("R-01")));
    EXPECT_TRUE(first.contains(QStringLiteral("后腿肉")));
    EXPECT_FALSE(second.contains(QStringLiteral("R-01"))) << second.toStdString();
    EXPECT_TRUE(second.contains(QStringLiteral("C003")));
    EXPECT_TRUE(second.contains(QStringLiteral("猪肉")));
    EXPECT_TRUE(second.contains(QStringLiteral("DEMO-0002"))) << second.toStdString();
    EXPECT_TRUE(second.contains(QStringLiteral("演示食堂")));
}

TEST_F(DeliveryNotePrint, NoOrderSelectedMissingTemplateOrFailedOutputLeaveTheOrderUnprinted)
{
    // Nothing listed: the warning, nothing printed, nothing updated.
    Station.Sql(QStringLiteral("delete from sys_jhsj; delete from sys_jhdh"));
    M->LoadOrders(QString());
    EXPECT_EQ(F1(), QStringList{QStringLiteral("提示!|请选择本次操作的对应客户单号!")});
    EXPECT_TRUE(M->LastNoteFile().isEmpty());

    Station.Sql(QStringLiteral("INSERT INTO sys_jhdh (id, dh, dhrq, unit, lx) VALUES (1101, 'X-1', date('now', 'localtime'), 101, 2);"
                               "INSERT INTO sys_jhsj (id, dhid, mc, dinghl, dj) VALUES (1111, 1101, 201, 3, 1.2)"));
    M->LoadOrders(QString());
    ASSERT_TRUE(Select(QStringLiteral("X-1")));
    // No template: the operator is told, the order stays unprinted.
    QFile::rename(Station.Db() + QStringLiteral("p01.qd3"), Station.Db() + QStringLiteral("p01.bak"));
    QStringList boxes = F1();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].contains(QStringLiteral("p01.qd3"))) << boxes[0].toStdString();
    EXPECT_EQ(PrintYes(1101), QString());
    // The notes folder cannot be made: nothing written, still unprinted.
    QFile::rename(Station.Db() + QStringLiteral("p01.bak"), Station.Db() + QStringLiteral("p01.qd3"));
    QFile blocker(Station.Db() + QStringLiteral("notes"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    boxes = F1();
    EXPECT_EQ(boxes, QStringList{QStringLiteral("提示!|送货单没有打印成功, 本单仍为未打印!")});
    EXPECT_EQ(PrintYes(1101), QString());
    EXPECT_TRUE(M->LastNoteFile().isEmpty());
    // A template that is not a template: the same.
    QFile::remove(Station.Db() + QStringLiteral("notes"));
    QFile bad(Station.Db() + QStringLiteral("p01.qd3"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly | QIODevice::Truncate));
    bad.write("<TqdzReport><TqdzReportPage Name=\"P\"><TqdzNoSuchBand Name=\"B\"/>");
    bad.close();
    boxes = F1();
    EXPECT_EQ(PrintYes(1101), QString());
}

TEST_F(DeliveryNotePrint, HeaderTextsPrintAsTheyAreInTheTemplateAndWhenFilled)
{
    // The shipped template, and one whose filled memos still allow expressions.
    QFile shipped(Station.Db() + QStringLiteral("p01.qd3"));
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    const QByteArray shippedText = shipped.readAll();
    shipped.close();
    QByteArray evaluating = shippedText;
    evaluating.replace("AllowExpressions=\"False\"", "AllowExpressions=\"True\"");
    ASSERT_NE(evaluating, shippedText);
    const struct {
        const char *Customer, *Operator, *Dh;
    } cases[] = {{"王记[2+3]店", "[录入员]", "DEMO-0001"}, {"老王[东门]店", "张[1]", "D[1+1]"}};
    for (const QByteArray &templ : {shippedText, evaluating}) {
        QFile f(Station.Db() + QStringLiteral("p01.qd3"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(templ);
        f.close();
        for (const auto &c : cases) {
            SCOPED_TRACE(c.Customer);
            Station.Sql(QStringLiteral("update sys_unit set shortname='%1' where id=101; "
                                       "update sys_jhdh set lury='%2', dh='%3' where id=-8999")
                            .arg(QString::fromUtf8(c.Customer), QString::fromUtf8(c.Operator), QString::fromUtf8(c.Dh)));
            M->LoadOrders(QString());
            ASSERT_TRUE(Select(QString::fromUtf8(c.Dh)));
            const QStringList boxes = F1();
            ASSERT_FALSE(M->LastNoteFile().isEmpty()) << boxes.join(QLatin1Char('\n')).toStdString();
            const QString text = PdfText(M->LastNoteFile());
            for (const char *s : {c.Customer, c.Operator, c.Dh, "演示配送中心送货单"})
                EXPECT_TRUE(text.contains(QString::fromUtf8(s))) << s << "\n" << text.toStdString();
            EXPECT_EQ(PrintYes(-8999), QStringLiteral("1"));
            Station.Sql(QStringLiteral("update sys_jhdh set print_yes=null where id=-8999"));
        }
    }
}

TEST_F(DeliveryNotePrint, EveryPageHasTheHeadingAndItsNumber)
{
    // 100 lines: three pages of about forty.
    QStringList rows;
    for (int i = 0; i < 100; ++i)
        rows << QStringLiteral("(%1, -8999, %2, %3, %3, 1.5, %4)").arg(7000 + i).arg(i % 2 ? 201 : 202).arg(i + 1).arg((i + 1) * 1.5);
    Station.Sql(QStringLiteral("INSERT INTO sys_jhsj (id, dhid, mc, dinghl, songhl, dj, shisje) VALUES ") + rows.join(QLatin1Char(',')));
    M->LoadOrders(QString());
    ASSERT_TRUE(Select(QStringLiteral("DEMO-0001")));
    F1();
    ASSERT_FALSE(M->LastNoteFile().isEmpty());
    QStringList pages = PdfText(M->LastNoteFile()).split(QLatin1Char('\f'));
    while (!pages.isEmpty() && pages.back().trimmed().isEmpty())
        pages.removeLast();
    ASSERT_GE(pages.size(), 3);
    const int total = int(pages.size());
    for (int p = 0; p < total; ++p) {
        SCOPED_TRACE(p + 1);
        const QString &page = pages[p];
        for (const char *s : {"演示配送中心送货单", "演示饭店", "DEMO-0001", "序号", "品名", "订货量", "送货量", "备注"})
            EXPECT_TRUE(page.contains(QString::fromUtf8(s))) << s << "\n" << page.toStdString();
        // (pdftotext drops the narrow blanks of the foot.)
        const QString compact = QString(page).remove(QLatin1Char(' '));
        EXPECT_TRUE(compact.contains(QStringLiteral("第%1页共%2页").arg(p + 1).arg(total))) << page.toStdString();
        // The foot comes after every line of the page.
        const int foot = int(compact.indexOf(QStringLiteral("第%1页").arg(p + 1)));
        EXPECT_GT(foot, int(compact.lastIndexOf(QStringLiteral("1.5"))));
    }
    // The total and its words only once, on the last page.
    EXPECT_TRUE(pages.back().contains(QStringLiteral("合计(大写)")));
    EXPECT_FALSE(pages.front().contains(QStringLiteral("合计(大写)")));
}

TEST_F(DeliveryNotePrint, ATemplateThatNeverEndsGivesUpAndLeavesTheOrderUnprinted)
{
    // The template's main block loops for ever; the station builds without
    // a progress window, so only its time limit ends the build.
    SetTemplateScript("begin&#13;&#10;while True do ;&#13;&#10;end.");
    M->qdzReport1->SetMaxBuildTime(200);
    ASSERT_TRUE(Select(QStringLiteral("DEMO-0001")));
    QElapsedTimer clock;
    clock.start();
    const QStringList boxes = F1();
    EXPECT_LT(clock.elapsed(), 60000);
    const QString shown = boxes.join(QLatin1Char('\n'));
    EXPECT_TRUE(shown.contains(QStringLiteral("The report ran longer than 200 ms and was stopped")))
        << shown.toStdString();
    ASSERT_FALSE(boxes.isEmpty());
    EXPECT_EQ(boxes.last(), QStringLiteral("提示!|送货单没有打印成功, 本单仍为未打印!"));
    EXPECT_NE(PrintYes(-8999), QStringLiteral("1"));
    EXPECT_TRUE(M->LastNoteFile().isEmpty());
}

TEST_F(DeliveryNotePrint, NotesPrintOneAfterAnotherThoughTheTemplatesScriptNamesAComponentItMakes)
{
    SetTemplateScript("var c: Variant;&#13;&#10;begin&#13;&#10;c := TComponent.Create(Report);"
                      " c.Name := 'MadeByScript';&#13;&#10;end.");
    for (const char *dh : {"DEMO-0001", "DEMO-0002", "DEMO-0001"}) {
        ASSERT_TRUE(Select(QString::fromLatin1(dh)));
        const QStringList boxes = F1();
        ASSERT_FALSE(boxes.isEmpty()) << dh;
        EXPECT_EQ(boxes.last().toStdString(),
                  (QStringLiteral("提示!|没有可用的打印机, 送货单已保存为文件: ") + M->LastNoteFile()).toStdString())
            << dh;
    }
}
