// Implementation of the on-screen keyboard for the touch screen.
#include "osk_toggle.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <csignal>
#include <sys/types.h>
#include <unistd.h>

QString OnScreenKeyboardProgram()
{
    const QString p = qEnvironmentVariable("STATION_OSK");
    return p.isEmpty() ? QStringLiteral("onboard") : p;
}

namespace {

bool SameProgram(const QString &Entry, const QString &Program)
{
    if (Entry.isEmpty())
        return false;
    const QString bare = QFileInfo(Program).fileName();
    return Entry.compare(Program, Qt::CaseInsensitive) == 0
        || QFileInfo(Entry).fileName().compare(bare, Qt::CaseInsensitive) == 0;
}

} // namespace

QList<qint64> FindProcesses(const QString &Program)
{
    QList<qint64> found;
    const QString bare = QFileInfo(Program).fileName();
    const qint64 self = qint64(getpid());
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &e : entries) {
        bool ok = false;
        const qint64 pid = e.toLongLong(&ok);
        if (!ok || pid == self)
            continue;
        QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
        QString name;
        if (comm.open(QIODevice::ReadOnly))
            name = QString::fromLocal8Bit(comm.readAll()).trimmed();
        QStringList argv;
        QFile cmd(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (cmd.open(QIODevice::ReadOnly))
            for (const QByteArray &a : cmd.readAll().split('\0'))
                if (!a.isEmpty())
                    argv << QString::fromLocal8Bit(a);
        // The kernel keeps only 15 characters of a program's name.
        bool match = !name.isEmpty() && name.compare(bare.left(15), Qt::CaseInsensitive) == 0;
        // Scripts run under their interpreter: the program is then the second entry.
        for (int i = 0; i < qMin(2, int(argv.size())) && !match; ++i)
            match = SameProgram(argv[i], Program);
        if (match)
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
