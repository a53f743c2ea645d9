// A pair of connected pseudo-terminals made by socat, standing in for a serial
// cable: what is written to one end arrives at the other. Each pair gets its
// own folder and link names, so tests may run side by side.
#pragma once
#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class TPtyPair
{
public:
    TPtyPair();
    ~TPtyPair();
    TPtyPair(const TPtyPair &) = delete;
    TPtyPair &operator=(const TPtyPair &) = delete;

    // False when socat could not be started or its links did not appear.
    bool Ready() const { return FReady; }
    QString Error() const { return FError; }
    // The end the program under test opens, and the far end.
    QString Near() const { return FNear; }
    QString Far() const { return FFar; }
    // Writes bytes into the far end; false when they could not be written.
    bool WriteFar(const QByteArray &Bytes);
    // Ends socat; the near end then reports its peer gone.
    void Stop();

private:
    QTemporaryDir FDir;
    QProcess FSocat;
    QString FNear;
    QString FFar;
    int FFarFd = -1;
    bool FReady = false;
    QString FError;
};
