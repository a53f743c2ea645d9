// Implementation of the on-screen keyboard for the touch screen.
#include "osk_toggle.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <csignal>
#include <sys/types.h>
#include <unistd.h>

QString OnScreenKeyboardProgram()
{
    const QString p = qEnvironmentVariable("STATION_OSK");
    return p.isEmpty() ? QStringLiteral("onboard") : p;
}

namespace {

// The file a program name stands for: a path as it is, a bare name through
// PATH; resolved through links. '' when there is no such file.
QString ProgramFile(const QString &Program)
{
    const QString file = Program.contains(QLatin1Char('/')) ? Program : QStandardPaths::findExecutable(Program);
    return file.isEmpty() ? QString() : QFileInfo(file).canonicalFilePath();
}

// The interpreter named on a script's first line ("#!/bin/sh",
// "#!/usr/bin/env python3"), resolved; '' for a program that is no script.
QString ScriptInterpreter(const QString &Script)
{
    QFile f(Script);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray first = f.readLine(256);
    if (!first.startsWith("#!"))
        return QString();
    const QStringList words = QString::fromLocal8Bit(first.mid(2)).simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return QString();
    if (QFileInfo(words[0]).fileName() == QLatin1String("env")) {
        for (int i = 1; i < words.size(); ++i)
            if (!words[i].startsWith(QLatin1Char('-')) && !words[i].contains(QLatin1Char('=')))
                return ProgramFile(words[i]);
        return QString();
    }
    return ProgramFile(words[0]);
}

QString ProcessExecutable(qint64 Pid)
{
    // The kernel's own link to the running image: an argument cannot fake it.
    const QString exe = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(Pid));
    return exe.isEmpty() ? QString() : QFileInfo(exe).canonicalFilePath();
}

QStringList ProcessArguments(qint64 Pid)
{
    QStringList argv;
    QFile cmd(QStringLiteral("/proc/%1/cmdline").arg(Pid));
    if (cmd.open(QIODevice::ReadOnly))
        for (const QByteArray &a : cmd.readAll().split('\0'))
            if (!a.isEmpty())
                argv << QString::fromLocal8Bit(a);
    return argv;
}

// A script runs as its interpreter with the script's path among the first
// arguments (after at most one interpreter option); a relative path counts
// from the process's own current directory.
bool RunsScript(qint64 Pid, const QString &Script)
{
    const QStringList argv = ProcessArguments(Pid);
    const QString cwd = QFile::symLinkTarget(QStringLiteral("/proc/%1/cwd").arg(Pid));
    for (int i = 1; i < qMin(3, int(argv.size())); ++i) {
        if (argv[i].startsWith(QLatin1Char('-')))
            continue;
        const QString path = QDir::isAbsolutePath(argv[i]) || cwd.isEmpty() ? argv[i] : cwd + QLatin1Char('/') + argv[i];
        if (QFileInfo(path).canonicalFilePath() == Script)
            return true;
    }
    return false;
}

} // namespace

QList<qint64> FindProcesses(const QString &Program)
{
    QList<qint64> found;
    const QString file = ProgramFile(Program);
    if (file.isEmpty())
        return found;
    const QString interpreter = ScriptInterpreter(file);
    const qint64 self = qint64(getpid());
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &e : entries) {
        bool ok = false;
        const qint64 pid = e.toLongLong(&ok);
        if (!ok || pid == self)
            continue;
        const QString exe = ProcessExecutable(pid);
        if (exe.isEmpty())
            continue;
        if (exe == file || (!interpreter.isEmpty() && exe == interpreter && RunsScript(pid, file)))
            found << pid;
    }
    return found;
}

bool ToggleOnScreenKeyboard()
{
    const QString program = OnScreenKeyboardProgram();
    const QList<qint64> running = FindProcesses(program);
    if (!running.isEmpty()) {
        for (qint64 pid : running)
            ::kill(pid_t(pid), SIGTERM);
        return false;
    }
    return QProcess::startDetached(program, {});
}
