// Implementation of byte streams of the class library.
#include "Streams.h"
#include "CodePages.h"
#include "Exceptions.h"
#include "Language.h"
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Larger memory streams are refused rather than left to fail in the allocator.
constexpr qint64 MaxMemoryStreamSize = qint64(1) << 40;

QString SystemReason(int Error)
{
    if (ResourceChinese()) {
        // The reasons a station meets, as a Chinese desktop words them.
        switch (Error) {
        case ENOENT: return QStringLiteral("没有那个文件或目录");
        case EACCES:
        case EPERM: return QStringLiteral("权限不够");
        case EISDIR: return QStringLiteral("是一个目录");
        case ENOTDIR: return QStringLiteral("不是目录");
        case ENOSPC: return QStringLiteral("设备上没有空间");
        case EROFS: return QStringLiteral("只读文件系统");
        case EEXIST: return QStringLiteral("文件已存在");
        case EMFILE:
        case ENFILE: return QStringLiteral("打开的文件过多");
        case ENAMETOOLONG: return QStringLiteral("文件名过长");
        default: break;
        }
    }
    return QString::fromLocal8Bit(std::strerror(Error));
}

} // namespace

STATION_PUBLISHED(TStream) {}
STATION_PUBLISHED(TMemoryStream) {}
STATION_PUBLISHED(TStringStream) {}
STATION_PUBLISHED(TFileStream) {}

// --- TStream ---------------------------------------------------------------

qint64 TStream::Size()
{
    const qint64 Pos = Seek(0, soCurrent);
    const qint64 Result = Seek(0, soEnd);
    Seek(Pos, soBeginning);
    return Result;
}

void TStream::SetSize(qint64) {}

void TStream::ReadBuffer(void *Buffer, qint64 Count)
{
    if (Count != 0 && Read(Buffer, Count) != Count)
        throw EReadError(QStringLiteral("Stream read error"));
}

void TStream::WriteBuffer(const void *Buffer, qint64 Count)
{
    if (Count != 0 && Write(Buffer, Count) != Count)
        throw EWriteError(QStringLiteral("Stream write error"));
}

qint64 TStream::CopyFrom(TStream *Source, qint64 Count)
{
    if (Count == 0) {
        Source->SetPosition(0);
        Count = Source->Size();
    }
    if (Count < 0)
        throw EReadError(QStringLiteral("Stream read error"));
    constexpr qint64 MaxBufSize = 0xF000;
    QByteArray Buffer(int(std::min(Count, MaxBufSize)), Qt::Uninitialized);
    qint64 Left = Count;
    while (Left > 0) {
        const qint64 N = std::min(Left, MaxBufSize);
        Source->ReadBuffer(Buffer.data(), N);
        WriteBuffer(Buffer.constData(), N);
        Left -= N;
    }
    return Count;
}

// --- TMemoryStream -----------------------------------------------------------

qint64 TMemoryStream::Read(void *Buffer, qint64 Count)
{
    if (FPosition < 0 || Count <= 0)
        return 0;
    const qint64 N = std::min(Count, qint64(FData.size()) - FPosition);
    if (N <= 0)
        return 0;
    std::memcpy(Buffer, FData.constData() + FPosition, size_t(N));
    FPosition += N;
    return N;
}

qint64 TMemoryStream::Write(const void *Buffer, qint64 Count)
{
    if (FPosition < 0 || Count <= 0)
        return 0;
    const qint64 End = FPosition + Count;
    if (End > FData.size())
        SetSize(End);
    std::memcpy(FData.data() + FPosition, Buffer, size_t(Count));
    FPosition = End;
    return Count;
}

qint64 TMemoryStream::Seek(qint64 Offset, TSeekOrigin Origin)
{
    switch (Origin) {
    case soBeginning: FPosition = Offset; break;
    case soCurrent: FPosition += Offset; break;
    case soEnd: FPosition = FData.size() + Offset; break;
    }
    return FPosition;
}

void TMemoryStream::SetSize(qint64 NewSize)
{
    if (NewSize < 0 || NewSize > MaxMemoryStreamSize)
        throw EStreamError(QStringLiteral("Out of memory while expanding memory stream"));
    const qsizetype Old = FData.size();
    FData.resize(qsizetype(NewSize));
    if (NewSize > Old)
        std::memset(FData.data() + Old, 0, size_t(NewSize - Old));
    if (FPosition > NewSize)
        FPosition = NewSize;
}

void TMemoryStream::Clear()
{
    FData.clear();
    FData.squeeze();
    FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream *Stream)
{
    Stream->SetPosition(0);
    const qint64 Count = Stream->Size();
    SetSize(Count);
    if (Count != 0)
        Stream->ReadBuffer(FData.data(), Count);
}

void TMemoryStream::LoadFromFile(const QString &FileName)
{
    TFileStream Stream(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&Stream);
}

void TMemoryStream::SaveToStream(TStream *Stream)
{
    if (!FData.isEmpty())
        Stream->WriteBuffer(FData.constData(), FData.size());
}

void TMemoryStream::SaveToFile(const QString &FileName)
{
    TFileStream Stream(FileName, fmCreate);
    SaveToStream(&Stream);
}

// --- TStringStream -----------------------------------------------------------

TStringStream::TStringStream(const QByteArray &AString)
{
    FData = AString;
}

TStringStream::TStringStream(const QString &AString, int CodePage)
{
    FData = StringToCodePage(AString, CodePage);
}

QByteArray TStringStream::ReadString(qint64 Count)
{
    if (FPosition < 0 || Count <= 0)
        return QByteArray();
    const qint64 N = std::min(Count, qint64(FData.size()) - FPosition);
    if (N <= 0)
        return QByteArray();
    QByteArray Result = FData.mid(qsizetype(FPosition), qsizetype(N));
    FPosition += N;
    return Result;
}

void TStringStream::WriteString(const QByteArray &AString)
{
    Write(AString.constData(), AString.size());
}

// --- TFileStream -------------------------------------------------------------

TFileStream::TFileStream(const QString &AFileName, quint16 Mode) : FFileName(AFileName)
{
    const QByteArray Path = QFile::encodeName(AFileName);
    const bool Create = (Mode & 0xFF00) == 0xFF00;
    int Flags = O_CLOEXEC;
    if (Create)
        Flags |= O_RDWR | O_CREAT | O_TRUNC;
    else
        switch (Mode & 3) {
        case fmOpenRead: Flags |= O_RDONLY; break;
        case fmOpenWrite: Flags |= O_WRONLY; break;
        case fmOpenReadWrite: Flags |= O_RDWR; break;
        default: Flags = -1; break;
        }
    int Error = EINVAL;
    if (Flags != -1 && !Path.isEmpty()) {
        do
            FHandle = ::open(Path.constData(), Flags, 0666);
        while (FHandle < 0 && errno == EINTR);
        Error = errno;
        // Opening a directory succeeds here but not where files are meant.
        struct stat Info;
        if (FHandle >= 0 && ::fstat(FHandle, &Info) == 0 && S_ISDIR(Info.st_mode)) {
            ::close(FHandle);
            FHandle = -1;
            Error = EISDIR;
        }
    } else if (Path.isEmpty()) {
        Error = ENOENT;
    }
    if (FHandle < 0) {
        const QString Shown = AFileName.isEmpty() ? AFileName : QFileInfo(AFileName).absoluteFilePath();
        if (Create)
            throw EFCreateError(ResourceText(QStringLiteral("Cannot create file \"%1\". %2"),
                                             QStringLiteral("无法创建文件 \"%1\"。%2"))
                                    .arg(Shown, SystemReason(Error)));
        throw EFOpenError(ResourceText(QStringLiteral("Cannot open file \"%1\". %2"),
                                       QStringLiteral("无法打开文件 \"%1\"。%2"))
                              .arg(Shown, SystemReason(Error)));
    }
}

TFileStream::~TFileStream()
{
    if (FHandle >= 0)
        ::close(FHandle);
}

// Repeats a partial read or write until Count bytes moved, the end is
// reached or the system reports an error; returns the bytes moved.
template<class Io>
static qint64 Transfer(qint64 Count, Io Step)
{
    qint64 Done = 0;
    while (Done < Count) {
        const ssize_t N = Step(Done);
        if (N < 0 && errno == EINTR)
            continue;
        if (N <= 0)
            break;
        Done += N;
    }
    return Done;
}

qint64 TFileStream::Read(void *Buffer, qint64 Count)
{
    return Transfer(Count, [&](qint64 Done) {
        return ::read(FHandle, static_cast<char *>(Buffer) + Done, size_t(Count - Done));
    });
}

qint64 TFileStream::Write(const void *Buffer, qint64 Count)
{
    return Transfer(Count, [&](qint64 Done) {
        return ::write(FHandle, static_cast<const char *>(Buffer) + Done, size_t(Count - Done));
    });
}

qint64 TFileStream::Seek(qint64 Offset, TSeekOrigin Origin)
{
    int Whence;
    switch (Origin) {
    case soBeginning: Whence = SEEK_SET; break;
    case soCurrent: Whence = SEEK_CUR; break;
    case soEnd: Whence = SEEK_END; break;
    default: Whence = SEEK_CUR; Offset = 0; break;
    }
    return qint64(::lseek(FHandle, off_t(Offset), Whence));
}

qint64 TFileStream::Size()
{
    struct stat Info;
    if (::fstat(FHandle, &Info) != 0)
        return TStream::Size();
    return qint64(Info.st_size);
}

void TFileStream::SetSize(qint64 NewSize)
{
    if (NewSize < 0 || ::ftruncate(FHandle, off_t(NewSize)) != 0)
        throw EWriteError(QStringLiteral("Stream write error"));
    if (Position() > NewSize)
        Seek(0, soEnd);
}
