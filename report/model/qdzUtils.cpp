#include "qdzUtils.h"

#include "platform/CodePages.h"
#include "platform/Exceptions.h"
#include "platform/Streams.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <vector>
#include <zlib.h>

// ---------------------------------------------------------------- files

QString GetTempFile(const QString &Dir)
{
    QString Path = Dir;
    if (Path.isEmpty() || !QFileInfo(Path).isDir())
        Path = QDir::tempPath();
    if (!Path.endsWith(QLatin1Char('/')))
        Path += QLatin1Char('/');
    QByteArray Templ = QFile::encodeName(Path + QStringLiteral("qdXXXXXX.tmp"));
    const int Fd = mkstemps(Templ.data(), 4);
    if (Fd < 0)
        throw EFCreateError(QStringLiteral("Cannot create a temporary file in %1").arg(Path));
    ::close(Fd);
    return QFile::decodeName(Templ);
}

QString GetModuleName()
{
    return QCoreApplication::applicationFilePath();
}

QString GetAppPath()
{
    QString Path = QFileInfo(GetModuleName()).absolutePath();
    if (!Path.endsWith(QLatin1Char('/')))
        Path += QLatin1Char('/');
    return Path;
}

// ---------------------------------------------------------------- streams

quint32 StreamCRC32(TStream *Stream)
{
    const qint64 Saved = Stream->Position();
    Stream->SetPosition(0);
    uLong Crc = crc32(0L, Z_NULL, 0);
    char Buffer[4096];
    qint64 Got;
    while ((Got = Stream->Read(Buffer, sizeof Buffer)) > 0)
        Crc = crc32(Crc, reinterpret_cast<const Bytef *>(Buffer), uInt(Got));
    Stream->SetPosition(Saved);
    return quint32(Crc);
}

// ---------------------------------------------------------------- expressions

void qdzGetBracketedExpression(const QString &Text, const QString &Open, const QString &Close,
                               QString &Expr, int &EndPos, int &StartPos)
{
    Expr.clear();
    EndPos = StartPos;
    const int Len = int(Text.size());
    if (Open.isEmpty() || Close.isEmpty() || StartPos < 1 || StartPos > Len
        || !QStringView(Text).mid(StartPos - 1).startsWith(Open))
        return;

    int Depth = 0;
    bool InDouble = false, InSingle = false;
    while (EndPos <= Len) {
        const QStringView At = QStringView(Text).mid(EndPos - 1);
        if (!InDouble && !InSingle) {
            if (At.startsWith(Close))
                --Depth;
            if (At.startsWith(Open)) {
                if (Depth == 0)
                    StartPos = EndPos;
                ++Depth;
            }
        }
        const QChar C = At.front();
        if (C == QLatin1Char('"') && !InSingle)
            InDouble = !InDouble;
        else if (C == QLatin1Char('\'') && !InDouble)
            InSingle = !InSingle;
        if (Depth == 0)
            break;
        ++EndPos;
    }
    if (Depth != 0) {
        // Never closed: the text holds no expression here and is kept as
        // it is.
        EndPos = StartPos;
        return;
    }
    Expr = Text.mid(StartPos - 1 + Open.size(), EndPos - StartPos - Open.size());
    if (StartPos != EndPos)
        EndPos += int(Close.size()) - 1;
}

