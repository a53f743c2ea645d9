// A pair of connected pseudo-terminals made by socat, for serial-port tests.
#include "PtyPair.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {
std::atomic<int> PairCounter{0};
}

TPtyPair::TPtyPair()
{
    if (!FDir.isValid()) {
        FError = QStringLiteral("no temporary folder");
        return;
    }
    // Serial ports lock by the device's base name: unique names keep pairs apart.
    const QString stem = QStringLiteral("%1/pty%2-%3").arg(FDir.path()).arg(QCoreApplication::applicationPid()).arg(++PairCounter);
    FNear = stem + QStringLiteral("-near");
    FFar = stem + QStringLiteral("-far");
    FSocat.setProcessChannelMode(QProcess::MergedChannels);
    FSocat.start(QStringLiteral("socat"), {QStringLiteral("-d"), QStringLiteral("-d"),
                                           QStringLiteral("pty,raw,echo=0,link=") + FNear,
                                           QStringLiteral("pty,raw,echo=0,link=") + FFar});
    if (!FSocat.waitForStarted(5000)) {
        FError = QStringLiteral("socat did not start: ") + FSocat.errorString();
        return;
    }
    QElapsedTimer t;
    t.start();
    while (!(QFileInfo::exists(FNear) && QFileInfo::exists(FFar)) && t.elapsed() < 30000) {
        if (FSocat.state() == QProcess::NotRunning)
            break;
        QThread::msleep(10);
    }
    if (!(QFileInfo::exists(FNear) && QFileInfo::exists(FFar))) {
        FError = QStringLiteral("socat made no links: ") + QString::fromLocal8Bit(FSocat.readAll());
        return;
    }
    FFarFd = ::open(FFar.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (FFarFd < 0) {
        FError = QStringLiteral("cannot open ") + FFar;
        return;
    }
    FReady = true;
}

TPtyPair::~TPtyPair()
{
    Stop();
}

void TPtyPair::Stop()
{
    if (FFarFd >= 0) {
        ::close(FFarFd);
        FFarFd = -1;
    }
    if (FSocat.state() != QProcess::NotRunning) {
        FSocat.terminate();
        if (!FSocat.waitForFinished(3000)) {
            FSocat.kill();
            FSocat.waitForFinished(3000);
        }
    }
}

bool TPtyPair::WriteFar(const QByteArray &Bytes)
{
    if (FFarFd < 0)
        return false;
    qsizetype done = 0;
    QElapsedTimer t;
    t.start();
    while (done < Bytes.size() && t.elapsed() < 30000) {
        const ssize_t n = ::write(FFarFd, Bytes.constData() + done, size_t(Bytes.size() - done));
        if (n > 0)
            done += n;
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        else
            QThread::msleep(1);
    }
    return done == Bytes.size();
}
