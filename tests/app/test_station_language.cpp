// The station speaks Chinese whatever the desktop's locale: Qt's standard
// buttons, the date picker's calendar, the caption and buttons of its boxes.
#include "Dialogs.h"
#include "FormHarness.h"
#include "Language.h"
#include "StationFixture.h"
#include "Unit1.h"
#include "station_startup.h"
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
    calendar->grab().save(QStringLiteral("/tmp/station_language_calendar.png"));
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
