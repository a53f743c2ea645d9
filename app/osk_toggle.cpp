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

QString ProcessExecutable(qint64 Pid)
{
    // The kernel's own link to the running image: an argument cannot fake it.
    const QString exe = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(Pid));
    return exe.isEmpty() ? QString() : QFileInfo(exe).canonicalFilePath();
}

// When the process began (clock ticks since boot), '' for no live process: a
// process id alone may be given to another process once the first has ended.
QByteArray ProcessStart(qint64 Pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(Pid));
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    const QByteArray stat = f.readAll();
    // The command name in parentheses may hold spaces: the fields follow its last ')'.
    const int close = stat.lastIndexOf(')');
    const QList<QByteArray> fields = stat.mid(close + 1).simplified().split(' ');
    // fields[0] is the state (Z: ended, not yet reaped), fields[19] the start time.
    if (close < 0 || fields.size() < 20 || fields[0] == "Z")
        return QByteArray();
    return fields[19];
}

// The keyboard this station started: its process id and start.
struct StartedKeyboard {
    qint64 Pid = 0;
    QByteArray Start;
} Started;

} // namespace

QList<qint64> FindProcesses(const QString &Program)
{
    QList<qint64> found;
    const QString file = ProgramFile(Program);
    if (file.isEmpty())
        return found;
    const qint64 self = qint64(getpid());
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &e : entries) {
        bool ok = false;
        const qint64 pid = e.toLongLong(&ok);
        if (ok && pid != self && ProcessExecutable(pid) == file)
            found << pid;
    }
    return found;
}

bool ToggleOnScreenKeyboard()
{
    const QString program = OnScreenKeyboardProgram();
    QList<qint64> running = FindProcesses(program);
    if (!Started.Start.isEmpty() && !running.contains(Started.Pid) && ProcessStart(Started.Pid) == Started.Start)
        running << Started.Pid;
    Started = StartedKeyboard();
    if (!running.isEmpty()) {
        for (qint64 pid : running)
            ::kill(pid_t(pid), SIGTERM);
        return false;
    }
    qint64 pid = 0;
    if (!QProcess::startDetached(program, {}, QString(), &pid))
        return false;
    Started = {pid, ProcessStart(pid)};
    return true;
}
