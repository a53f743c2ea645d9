// Tests of osk (app).
#include "osk_toggle.h"
#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QDir>
#include <QProcess>
#include <QThread>
#include <csignal>
#include <functional>
#include <sys/stat.h>

namespace {

// A live process (an ended one waiting to be reaped has no executable link).
bool Runs(qint64 Pid)
{
    return Pid > 0 && !QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(Pid)).isEmpty();
}

bool WaitFor(const std::function<bool()> &Done)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 30000) {
        if (Done())
            return true;
        QThread::msleep(20);
    }
    return false;
}

// A harmless stand-in for the keyboard: a script that writes its process id
// into <Dir>/pid and waits.
QString WriteKeyboard(const QTemporaryDir &Dir, const QString &Name)
{
    const QString prog = Dir.filePath(Name);
    QFile f(prog);
    if (!f.open(QIODevice::WriteOnly))
        return QString();
    f.write("#!/bin/bash\necho $$ > '" + Dir.filePath(QStringLiteral("pid")).toLocal8Bit() + "'\nwhile :; do sleep 1; done\n");
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return prog;
}

qint64 WrittenPid(const QTemporaryDir &Dir)
{
    QFile f(Dir.filePath(QStringLiteral("pid")));
    return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed().toLongLong() : 0;
}

} // namespace

TEST(OnScreenKeyboard, TouchStartsItAndTouchAgainStopsIt)
{
    QTemporaryDir dir;
    const QString prog = WriteKeyboard(dir, QStringLiteral("Fake-Osk"));
    qputenv("STATION_OSK", prog.toUtf8());
    EXPECT_EQ(OnScreenKeyboardProgram(), prog);

    EXPECT_TRUE(ToggleOnScreenKeyboard());
    ASSERT_TRUE(WaitFor([&] { return Runs(WrittenPid(dir)); })) << "keyboard did not start";
    const qint64 pid = WrittenPid(dir);
    EXPECT_FALSE(ToggleOnScreenKeyboard());
    EXPECT_TRUE(WaitFor([&] { return !Runs(pid); })) << "keyboard still runs";
    // Closed by the operator meanwhile: the next touch starts it again.
    EXPECT_TRUE(ToggleOnScreenKeyboard());
    ASSERT_TRUE(WaitFor([&] { return WrittenPid(dir) != pid && Runs(WrittenPid(dir)); }));
    ::kill(pid_t(WrittenPid(dir)), SIGTERM);
    ASSERT_TRUE(WaitFor([&] { return !Runs(WrittenPid(dir)); }));
    EXPECT_TRUE(ToggleOnScreenKeyboard());
    ASSERT_TRUE(WaitFor([&] { return Runs(WrittenPid(dir)); }));
    EXPECT_FALSE(ToggleOnScreenKeyboard());
    qunsetenv("STATION_OSK");
    EXPECT_EQ(OnScreenKeyboardProgram(), QStringLiteral("onboard"));
}

TEST(OnScreenKeyboard, OnlyItsOwnKeyboardOrItsExecutableIsStopped)
{
    QTemporaryDir keyboardDir, decoyDir;
    const QString prog = WriteKeyboard(keyboardDir, QStringLiteral("onboard"));
    // Decoys: `cat onboard` (blocked on a pipe of that name), `cat <the
    // keyboard's path>` (blocked on stdin), another program called onboard,
    // and `sleep 600 | bash -s <the keyboard's path>` (an interpreter given
    // the script's path after an option, reading its commands from the pipe).
    ASSERT_EQ(mkfifo(decoyDir.filePath(QStringLiteral("onboard")).toLocal8Bit().constData(), 0600), 0);
    QProcess catName, catPath, namesake, bashS;
    catName.setWorkingDirectory(decoyDir.path());
    catName.start(QStringLiteral("cat"), {QStringLiteral("onboard")});
    catPath.start(QStringLiteral("cat"), {QStringLiteral("-"), prog});
    const QString sleeper = decoyDir.filePath(QStringLiteral("bin/onboard"));
    QDir(decoyDir.path()).mkpath(QStringLiteral("bin"));
    ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/sleep"), sleeper));
    namesake.start(sleeper, {QStringLiteral("60")});
    bashS.start(QStringLiteral("bash"), {QStringLiteral("-s"), prog});
    const QList<QProcess *> decoys = {&catName, &catPath, &namesake, &bashS};
    for (QProcess *p : decoys)
        ASSERT_TRUE(p->waitForStarted());
    QThread::msleep(200);
    QList<qint64> decoyPids;
    for (QProcess *p : decoys)
        decoyPids << p->processId();

    // By name, as the station looks for it by default, and by the keyboard's path.
    for (const QString &program : {QStringLiteral("onboard"), prog})
        for (qint64 pid : FindProcesses(program))
            EXPECT_FALSE(decoyPids.contains(pid)) << program.toStdString() << " matched " << pid;
    qputenv("STATION_OSK", prog.toUtf8());
    EXPECT_TRUE(ToggleOnScreenKeyboard()) << "a decoy was taken for the keyboard";
    ASSERT_TRUE(WaitFor([&] { return Runs(WrittenPid(keyboardDir)); })) << "keyboard did not start";
    const qint64 keyboard = WrittenPid(keyboardDir);
    EXPECT_FALSE(ToggleOnScreenKeyboard());
    EXPECT_TRUE(WaitFor([&] { return !Runs(keyboard); })) << "keyboard still runs";
    for (QProcess *p : decoys)
        EXPECT_EQ(p->state(), QProcess::Running) << p->program().toStdString() << " was stopped";

    // A keyboard started elsewhere is stopped when it runs the keyboard's executable.
    qputenv("STATION_OSK", sleeper.toUtf8());
    EXPECT_FALSE(ToggleOnScreenKeyboard());
    EXPECT_TRUE(namesake.waitForFinished(5000)) << "the keyboard's executable still runs";
    qunsetenv("STATION_OSK");
    for (QProcess *p : decoys) {
        p->kill();
        p->waitForFinished();
    }
}
