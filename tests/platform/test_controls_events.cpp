// Events of the base controls that the other control tests do not reach:
// the mouse entering and leaving, a combo box dropped down by the program,
// the tab order and a date picked from the drop-down calendar.
#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "FormHarness.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "SysUtils.h"
#include <gtest/gtest.h>
#include <QApplication>
#include <QCalendarWidget>
#include <QDateTimeEdit>
#include <QTest>

using namespace FormHarness;

namespace {

struct TEventLog : TObject
{
    QStringList Log;
    void Enter(TObject *Sender) { Log << "enter " + static_cast<TComponent *>(Sender)->Name(); }
    void Leave(TObject *Sender) { Log << "leave " + static_cast<TComponent *>(Sender)->Name(); }
    void DropDown(TObject *Sender) { Log << "dropdown " + static_cast<TComponent *>(Sender)->Name(); }
    void CloseUp(TObject *Sender) { Log << "closeup " + static_cast<TComponent *>(Sender)->Name(); }
};

template <class T>
T *NewControl(TWinControl *Parent, const QString &Name, int L, int T_, int W, int H)
{
    auto *c = new T(Parent);
    c->SetName(Name);
    c->SetBounds(L, T_, W, H);
    c->SetParent(Parent);
    return c;
}

} // namespace

TEST(ControlEvents, MouseEnterAndLeaveFollowThePointer)
{
    TEventLog log;
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    auto *a = NewControl<TPanel>(&form, "A", 10, 10, 100, 50);
    auto *b = NewControl<TPanel>(&form, "B", 150, 10, 100, 50);
    auto *label = NewControl<TLabel>(&form, "L", 10, 100, 100, 20);
    label->SetCaption(QStringLiteral("标签文字"));
    for (TControl *c : std::initializer_list<TControl *>{a, b, label}) {
        c->SetOnMouseEnter(TNotifyEvent(&log, &TEventLog::Enter));
        c->SetOnMouseLeave(TNotifyEvent(&log, &TEventLog::Leave));
    }
    ASSERT_TRUE(ShowAndActivate(&form));
    MouseMove(&form, Point(5, 150));
    ProcessEvents();
    log.Log.clear();
    MouseMove(a, Point(20, 20));
    ProcessEvents();
    MouseMove(a, Point(30, 20)); // moving inside is no new entry
    ProcessEvents();
    MouseMove(b, Point(20, 20));
    ProcessEvents();
    MouseMove(label, Point(3, 3));
    ProcessEvents();
    MouseMove(&form, Point(290, 190));
    ProcessEvents();
    EXPECT_EQ(log.Log, QStringList({"enter A", "leave A", "enter B", "leave B", "enter L", "leave L"}));
}

TEST(ControlEvents, ComboBoxDroppedDownByTheProgram)
{
    TEventLog log;
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    auto *combo = NewControl<TComboBox>(&form, "C", 10, 10, 150, 24);
    combo->Items()->Add(QStringLiteral("一"));
    combo->Items()->Add(QStringLiteral("二"));
    combo->SetOnDropDown(TNotifyEvent(&log, &TEventLog::DropDown));
    combo->SetOnCloseUp(TNotifyEvent(&log, &TEventLog::CloseUp));
    ASSERT_TRUE(ShowAndActivate(&form));
    EXPECT_FALSE(combo->DroppedDown());
    combo->SetDroppedDown(true);
    ProcessEvents();
    EXPECT_TRUE(combo->DroppedDown());
    combo->SetDroppedDown(true); // no second drop-down
    combo->SetDroppedDown(false);
    ProcessEvents();
    EXPECT_FALSE(combo->DroppedDown());
    EXPECT_EQ(log.Log, QStringList({"dropdown C", "closeup C"}));
}

TEST(ControlEvents, TabMovesTheFocusInTabOrderPastControlsWithoutTabStop)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    auto *e1 = NewControl<TEdit>(&form, "E1", 10, 10, 80, 24);
    auto *e2 = NewControl<TEdit>(&form, "E2", 10, 40, 80, 24);
    auto *e3 = NewControl<TEdit>(&form, "E3", 10, 70, 80, 24);
    auto *skip = NewControl<TEdit>(&form, "Skip", 10, 100, 80, 24);
    skip->SetTabStop(false);
    e3->SetTabOrder(0);
    EXPECT_EQ(e3->TabOrder(), 0);
    EXPECT_EQ(e1->TabOrder(), 1);
    EXPECT_EQ(e2->TabOrder(), 2);
    EXPECT_EQ(skip->TabOrder(), 3);
    // Out of range puts the control last.
    e1->SetTabOrder(99);
    EXPECT_EQ(e1->TabOrder(), 3);
    EXPECT_EQ(skip->TabOrder(), 2);
    ASSERT_TRUE(ShowAndActivate(&form));
    // The first control in tab order gets the focus when the form shows.
    EXPECT_TRUE(e3->Focused());
    Key(Qt::Key_Tab);
    ProcessEvents();
    EXPECT_TRUE(e2->Focused());
    Key(Qt::Key_Tab);
    ProcessEvents();
    EXPECT_TRUE(e1->Focused()); // Skip has no tab stop
    Key(Qt::Key_Tab);
    ProcessEvents();
    EXPECT_TRUE(e3->Focused()); // round again
    Key(Qt::Key_Backtab, Qt::ShiftModifier);
    ProcessEvents();
    EXPECT_TRUE(e1->Focused());
}

TEST(ControlEvents, DateTimePickerCalendarPickChangesTheDate)
{
    struct TChanges : TObject
    {
        int Count = 0;
        void Change(TObject *) { ++Count; }
    } changes;
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    auto *dtp = NewControl<TDateTimePicker>(&form, "D", 10, 10, 140, 24);
    dtp->SetDate(EncodeDate(2024, 5, 1));
    dtp->SetOnChange(TNotifyEvent(&changes, &TChanges::Change));
    ASSERT_TRUE(ShowAndActivate(&form));
    auto *edit = static_cast<QDateTimeEdit *>(dtp->Widget());
    // The arrow at the right drops the calendar down.
    QTest::mouseClick(edit, Qt::LeftButton, Qt::NoModifier, QPoint(edit->width() - 6, edit->height() / 2));
    ProcessEvents();
    QCalendarWidget *calendar = edit->calendarWidget();
    ASSERT_NE(calendar, nullptr);
    EXPECT_TRUE(calendar->isVisible());
    EXPECT_EQ(calendar->selectedDate(), QDate(2024, 5, 1));
    // Picking a day closes it and changes the date, as a user change.
    calendar->setSelectedDate(QDate(2024, 5, 20));
    Q_EMIT calendar->clicked(QDate(2024, 5, 20));
    ProcessEvents();
    EXPECT_FALSE(calendar->isVisible());
    EXPECT_DOUBLE_EQ(dtp->Date(), EncodeDate(2024, 5, 20));
    EXPECT_EQ(changes.Count, 1);
}
