// Tests of osk (app).
#include "osk_toggle.h"
#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

namespace {

bool WaitFor(const QString &Program, bool Running)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 5000) {
        if (FindProcesses(Program).isEmpty() != Running)
            return true;
        QThread::msleep(20);
    }
    return false;
}

} // namespace

TEST(OnScreenKeyboard, TouchStartsItAndTouchAgainStopsIt)
{
    QTemporaryDir dir;
    // A harmless stand-in for the keyboard: it just waits.
    const QString prog = dir.filePath(QStringLiteral("Fake-Osk"));
    QFile f(prog);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\nwhile :; do sleep 1; done\n");
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("STATION_OSK", prog.toUtf8());
    EXPECT_EQ(OnScreenKeyboardProgram(), prog);

    EXPECT_TRUE(FindProcesses(prog).isEmpty());
    EXPECT_TRUE(ToggleOnScreenKeyboard());
    ASSERT_TRUE(WaitFor(prog, true)) << "keyboard did not start";
    EXPECT_FALSE(ToggleOnScreenKeyboard());
    EXPECT_TRUE(WaitFor(prog, false)) << "keyboard still runs";
    qunsetenv("STATION_OSK");
    EXPECT_EQ(OnScreenKeyboardProgram(), QStringLiteral("onboard"));
}
