// Byte streams of the class library: TStream with 64-bit positions and the
// memory, file and string streams built on it.
#pragma once
#include "Object.h"
#include <QByteArray>
#include <QString>
#include <QtGlobal>

enum TSeekOrigin : int { soBeginning = 0, soCurrent = 1, soEnd = 2 };
// The older word-typed origin names; same values.
constexpr TSeekOrigin soFromBeginning = soBeginning;
constexpr TSeekOrigin soFromCurrent = soCurrent;
constexpr TSeekOrigin soFromEnd = soEnd;

// File stream modes: one access mode or'ed with one share mode, or fmCreate.
// Share modes are accepted and have no effect on this system.
constexpr quint16 fmCreate = 0xFFFF;
constexpr quint16 fmOpenRead = 0x0000;
constexpr quint16 fmOpenWrite = 0x0001;
constexpr quint16 fmOpenReadWrite = 0x0002;
constexpr quint16 fmShareCompat = 0x0000;
constexpr quint16 fmShareExclusive = 0x0010;
constexpr quint16 fmShareDenyWrite = 0x0020;
constexpr quint16 fmShareDenyRead = 0x0030;
constexpr quint16 fmShareDenyNone = 0x0040;

class TStream : public TObject
{
    STATION_CLASS(TStream, TObject)
public:
    // Read and Write move at most Count bytes and return how many moved;
    // reading stops at the end of the stream.
    virtual qint64 Read(void *Buffer, qint64 Count) = 0;
    virtual qint64 Write(const void *Buffer, qint64 Count) = 0;
    // Returns the new position. An origin outside the three leaves the
    // position where it was.
    virtual qint64 Seek(qint64 Offset, TSeekOrigin Origin) = 0;

    qint64 Position() { return Seek(0, soCurrent); }
    void SetPosition(qint64 Value) { Seek(Value, soBeginning); }
    virtual qint64 Size();
    virtual void SetSize(qint64 NewSize);

    // Exactly Count bytes or EReadError / EWriteError.
    void ReadBuffer(void *Buffer, qint64 Count);
    void WriteBuffer(const void *Buffer, qint64 Count);
    // Copies Count bytes from Source's position; Count 0 copies all of
    // Source from its start. Returns the bytes copied.
    qint64 CopyFrom(TStream *Source, qint64 Count);
};

class TMemoryStream : public TStream
{
    STATION_CLASS(TMemoryStream, TStream)
public:
    TMemoryStream() = default;

    qint64 Read(void *Buffer, qint64 Count) override;
    qint64 Write(const void *Buffer, qint64 Count) override;
    qint64 Seek(qint64 Offset, TSeekOrigin Origin) override;
    qint64 Size() override { return FData.size(); }
    // Growing fills with zero bytes; a position past the new end moves to it.
    void SetSize(qint64 NewSize) override;

    void *Memory() { return FData.data(); }
    const void *Memory() const { return FData.constData(); }
    void Clear();
    // Replace the whole content with all of Stream (read from its start).
    void LoadFromStream(TStream *Stream);
    void LoadFromFile(const QString &FileName);
    // Write the whole content, whatever the position.
    void SaveToStream(TStream *Stream);
    void SaveToFile(const QString &FileName);

protected:
    QByteArray FData;
    qint64 FPosition = 0;
};

// A memory stream over a byte string. Text goes in and out as bytes; callers
// that hold a QString name the code page it is encoded with.
class TStringStream : public TMemoryStream
{
    STATION_CLASS(TStringStream, TMemoryStream)
public:
    explicit TStringStream(const QByteArray &AString = QByteArray());
    TStringStream(const QString &AString, int CodePage);

    QByteArray DataString() const { return FData; }
    // Up to Count bytes from the position on.
    QByteArray ReadString(qint64 Count);
    void WriteString(const QByteArray &AString);
};

class TFileStream : public TStream
{
    STATION_CLASS(TFileStream, TStream)
public:
    // Raises EFCreateError / EFOpenError with the system's reason.
    TFileStream(const QString &AFileName, quint16 Mode);
    ~TFileStream() override;

    qint64 Read(void *Buffer, qint64 Count) override;
    qint64 Write(const void *Buffer, qint64 Count) override;
    qint64 Seek(qint64 Offset, TSeekOrigin Origin) override;
    qint64 Size() override;
    void SetSize(qint64 NewSize) override;

    QString FileName() const { return FFileName; }
    int Handle() const { return FHandle; }

private:
    QString FFileName;
    int FHandle = -1;
};
