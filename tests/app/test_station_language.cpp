// The station speaks Chinese whatever the desktop's locale: Qt's standard
// buttons, the date picker's calendar, the caption and buttons of its boxes.
#include "Dialogs.h"
#include "FormHarness.h"
#include "Language.h"
#include "StationFixture.h"
#include "AmountInWords.h"
#include "Unit1.h"
#include "datacenter_code.h"
#include "station_startup.h"
#include "sync_code.h"
#include "test_sync_fixture.h"
#include "weighing_code.h"
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QCalendarWidget>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

using namespace FormHarness;

namespace {

class StationLanguage : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // A desktop in English.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        Application->Initialize();
        InstallStationLanguage();
        ASSERT_TRUE(CreateStationForms());
        M = main_;
        M->SetTag(1);
        M->DateTimePicker1->SetDate(EncodeDate(2030, 5, 6));
        ASSERT_TRUE(ShowAndActivate(M));
    }
    void TearDown() override
    {
        DoneApplication();
        SetResourceLanguage(QLocale::c());
        InstallQtTranslations(QLocale::c());
        QLocale::setDefault(QLocale::c());
    }

    StationFolder Station;
    Tmain *M = nullptr;
};

} // namespace

TEST_F(StationLanguage, StandardTextsAndBoxesAreChinese)
{
    // Qt's own standard buttons.
    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Ok)->text(), QStringLiteral("确定"));
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));

    // The work date's calendar names its months and days in Chinese.
    auto *edit = qobject_cast<QDateTimeEdit *>(M->DateTimePicker1->Widget());
    ASSERT_NE(edit, nullptr);
    QCalendarWidget *calendar = edit->calendarWidget();
    ASSERT_NE(calendar, nullptr);
    calendar->setSelectedDate(QDate(2030, 5, 6));
    calendar->show();
    ProcessEvents(10);
    auto *month = calendar->findChild<QToolButton *>(QStringLiteral("qt_calendar_monthbutton"));
    ASSERT_NE(month, nullptr);
    EXPECT_EQ(month->text(), QStringLiteral("五月"));
    calendar->hide();

    // A box of the class library: the station's caption, Chinese buttons.
    QString title;
    QStringList texts;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            title = box->windowTitle();
            for (QAbstractButton *b : box->buttons())
                texts << b->text();
            box->buttons().first()->click();
        }
    });
    poll.start();
    ShowMessage(QStringLiteral("上传数据失败,请检查网络连接是否正常或与管理员联系!"));
    poll.stop();
    EXPECT_EQ(title, QStringLiteral("电子秤配货系统"));
    EXPECT_EQ(texts, QStringList{QStringLiteral("确定")});
}

// The boxes the station writes itself are Chinese; a driver's own text may follow.
TEST(StationMessages, BoxTextsAreChinese)
{
    SetResourceLanguage(QLocale(QLocale::Chinese, QLocale::China));
    auto message = [](const std::function<void()> &Raise) {
        try {
            Raise();
        } catch (const Exception &E) {
            return E.Message();
        }
        return QString();
    };
    // The box start-up shows over the station's folder as the case leaves it.
    auto startup = [](const std::function<void(const StationFolder &)> &Spoil) {
        StationFolder station(true, false);
        Spoil(station);
        DialogRecorder boxes;
        Application->Initialize();
        EXPECT_FALSE(CreateStationForms());
        DoneApplication();
        return boxes.Texts().join(QLatin1Char('|')).replace(station.Db(), QStringLiteral("<db>/"));
    };
    const struct {
        const char *Name;
        std::function<QString()> Box;
        QString Want; // a trailing '*' stands for the driver's text
    } cases[] = {
        {"missing database", [&] { return startup([](const StationFolder &) {}); },
         QStringLiteral("无法打开本地数据库: <db>/dat.db\n找不到文件 '<db>/dat.db'")},
        {"foreign database", [&] { return startup([](const StationFolder &S) { S.Sql(QStringLiteral("create table x (a)")); }); },
         QStringLiteral("无法打开本地数据库: <db>/dat.db\n'<db>/dat.db' 不是可用的配货站数据库(表 sys_jhdh 无法读取): *")},
        {"download date",
         [] {
             DialogRecorder boxes;
             boxes.Inputs = {QStringLiteral("2026-13-45")};
             FullDownloadClick();
             DoneApplication();
             return boxes.Texts().value(1); // after the date box
         },
         QStringLiteral("'2026-13-45' 不是有效的日期!")},
        {"typed weight", [&] { return message([] { TypedWeighing(wmManual, QString(), QStringLiteral("1.2.3"), QStringLiteral("0")); }); },
         QStringLiteral("'1.2.3' 不是有效的重量!")},
        {"gross below zero",
         [&] { return message([] { TypedWeighing(wmSeparateLoads, QStringLiteral("-3"), QStringLiteral("0"), QStringLiteral("0")); }); },
         QStringLiteral("'-3' 是负的毛重!")},
        {"crate tare", [&] { return message([] { CrateWeighing(false, QStringLiteral("10"), QStringLiteral("1"), QStringLiteral("-1"), QStringLiteral("0")); }); },
         QStringLiteral("'-1' 不是秤能称出的皮重!")},
        {"uploaded value", [&] { return message([] { SqlValueOrNull(QStringLiteral("1,5")); }); }, QStringLiteral("'1,5' 不是有效的数字")},
        {"amount", [&] { return message([] { AmountInWords(QStringLiteral("abc")); }); }, QStringLiteral("'abc' 不是有效的金额!")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Name);
        const QString got = c.Box();
        if (c.Want.endsWith(QLatin1Char('*'))) {
            EXPECT_TRUE(got.startsWith(c.Want.chopped(1))) << got.toStdString();
            EXPECT_GT(got.size(), c.Want.size()) << got.toStdString();
        } else {
            EXPECT_EQ(got.toStdString(), c.Want.toStdString());
        }
    }
    SetResourceLanguage(QLocale::c());
}
