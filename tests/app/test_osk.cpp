// Tests of osk (app).
#include "osk_toggle.h"
#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QDir>
#include <QProcess>
#include <QThread>
#include <sys/stat.h>

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

TEST(OnScreenKeyboard, ProcessesThatOnlyNameTheKeyboardAreLeftAlone)
{
    QTemporaryDir keyboardDir, decoyDir;
    // The keyboard: a script named onboard.
    const QString prog = keyboardDir.filePath(QStringLiteral("onboard"));
    QFile f(prog);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\nwhile :; do sleep 1; done\n");
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // Decoys: `cat onboard` (blocked on a pipe of that name), `cat <the
    // keyboard's path>` (blocked on stdin), and another program called onboard.
    ASSERT_EQ(mkfifo(decoyDir.filePath(QStringLiteral("onboard")).toLocal8Bit().constData(), 0600), 0);
    QProcess catName, catPath, namesake;
    catName.setWorkingDirectory(decoyDir.path());
    catName.start(QStringLiteral("cat"), {QStringLiteral("onboard")});
    catPath.start(QStringLiteral("cat"), {QStringLiteral("-"), prog});
    const QString sleeper = decoyDir.filePath(QStringLiteral("bin/onboard"));
    QDir(decoyDir.path()).mkpath(QStringLiteral("bin"));
    ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/sleep"), sleeper));
    namesake.start(sleeper, {QStringLiteral("60")});
    for (QProcess *p : {&catName, &catPath, &namesake})
        ASSERT_TRUE(p->waitForStarted());
    QThread::msleep(200);
    const QList<qint64> decoys = {catName.processId(), catPath.processId(), namesake.processId()};

    // By name, as the station looks for it by default, and by the keyboard's path.
    for (const QString &program : {QStringLiteral("onboard"), prog})
        for (qint64 pid : FindProcesses(program))
            EXPECT_FALSE(decoys.contains(pid)) << program.toStdString() << " matched " << pid;
    qputenv("STATION_OSK", prog.toUtf8());
    EXPECT_TRUE(ToggleOnScreenKeyboard());
    ASSERT_TRUE(WaitFor(prog, true)) << "keyboard did not start";
    EXPECT_EQ(FindProcesses(prog).size(), 1);
    EXPECT_FALSE(ToggleOnScreenKeyboard());
    EXPECT_TRUE(WaitFor(prog, false)) << "keyboard still runs";
    qunsetenv("STATION_OSK");
    for (QProcess *p : {&catName, &catPath, &namesake})
        EXPECT_EQ(p->state(), QProcess::Running) << p->program().toStdString() << " was stopped";
    for (QProcess *p : {&catName, &catPath, &namesake}) {
        p->kill();
        p->waitForFinished();
    }
}
