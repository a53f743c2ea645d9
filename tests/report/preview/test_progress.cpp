// The progress window: the message's place with and without the bar, the
// cancel button, and the form it disables while it is up.
#include "report/preview/qdzProgress.h"

#include <QApplication>
#include <QWidget>
#include <gtest/gtest.h>

TEST(Progress, BarMovesTheMessage)
{
    TqdzProgress p(nullptr);
    EXPECT_EQ(p.ClientWidth(), 271);
    EXPECT_EQ(p.ClientHeight(), 101);
    EXPECT_EQ(p.CancelB->Caption(), "Cancel");
    p.Execute(10, "Preparing page 1", false, true);
    EXPECT_TRUE(p.Visible());
    EXPECT_EQ(p.LMessage->Top(), 35);
    EXPECT_FALSE(p.Bar->Visible());
    EXPECT_EQ(p.LMessage->Caption(), "Preparing page 1");
    p.SetShowProgressBar(true);
    EXPECT_EQ(p.LMessage->Top(), 15);
    EXPECT_TRUE(p.Bar->Visible());
    p.SetPosition(7);
    EXPECT_EQ(p.Bar->Position(), 7);
    EXPECT_EQ(p.Bar->Max(), 10);
    p.SetPosition(70); // the bar stays within its range
    EXPECT_EQ(p.Bar->Position(), 10);
    EXPECT_EQ(p.Position(), 70);
}

TEST(Progress, CancelTerminatesAndCloses)
{
    TqdzProgress p(nullptr);
    p.Execute(100, "x", true, true);
    EXPECT_FALSE(p.Terminated());
    p.CancelB->Click();
    EXPECT_TRUE(p.Terminated());
    EXPECT_FALSE(p.Visible());
    // Without the cancel button the window cannot be cancelled by Escape.
    p.Execute(100, "x", true, false);
    EXPECT_FALSE(p.Terminated());
    EXPECT_FALSE(p.CancelB->Visible());
    EXPECT_FALSE(p.CancelB->Cancel());
}

TEST(Progress, DisablesTheActiveFormWhileUp)
{
    auto *owner = new TForm(nullptr);
    owner->Show();
    owner->Widget()->activateWindow();
    QApplication::processEvents();
    if (Screen->ActiveForm() != owner)
        GTEST_SKIP() << "the platform gives no active window here";
    {
        TqdzProgress p(nullptr);
        EXPECT_EQ(p.ParentForm(), owner);
        EXPECT_FALSE(owner->Enabled());
        p.Execute(1, "x", true, true);
        p.Hide();
        EXPECT_TRUE(owner->Enabled());
    }
    EXPECT_TRUE(owner->Enabled());
    owner->Widget()->activateWindow();
    QApplication::processEvents();
    ASSERT_EQ(Screen->ActiveForm(), owner);
    {
        // The form goes first: the window forgets it instead of touching it.
        TqdzProgress p(nullptr);
        EXPECT_FALSE(owner->Enabled());
        delete owner;
        EXPECT_EQ(p.ParentForm(), nullptr);
    }
}
