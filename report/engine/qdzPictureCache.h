// The picture cache of built reports: each picture kept once in block streams in memory or temporary files.
#pragma once
#include "platform/Streams.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class TPicture;
class TGraphic;
class TqdzXMLItem;
class TqdzPictureView;

// A block stream with a reading limit: while the limit is set, a seek of 0
// from the end stays put and answers the limit, so that a reader asking for
// the size sees the end of one picture only.
class TqdzMemoryStream : public TMemoryStream
{
    STATION_CLASS(TqdzMemoryStream, TMemoryStream)
public:
    TqdzMemoryStream() = default;
    qint64 Seek(qint64 Offset, TSeekOrigin Origin) override;
    qint64 Size() override;
    qint64 Limit() const { return FLimit; }
    void SetLimit(qint64 Value) { FLimit = Value; }

private:
    qint64 FLimit = 0;
};

class TqdzFileStream : public TFileStream
{
    STATION_CLASS(TqdzFileStream, TFileStream)
public:
    TqdzFileStream(const QString &AFileName, quint16 Mode) : TFileStream(AFileName, Mode) {}
    qint64 Seek(qint64 Offset, TSeekOrigin Origin) override;
    qint64 Size() override;
    qint64 Limit() const { return FLimit; }
    void SetLimit(qint64 Value) { FLimit = Value; }

private:
    qint64 FLimit = 0;
};

class TqdzPictureCache
{
public:
    // Where one picture starts: its block and byte offset there.
    struct TqdzCacheItem {
        int Block;
        qint64 Offset;
    };
    // A block is closed once it holds this many bytes.
    static constexpr qint64 MaxBlockSize = 0x6AAAAAAA;

    TqdzPictureCache();
    ~TqdzPictureCache();
    TqdzPictureCache(const TqdzPictureCache &) = delete;
    TqdzPictureCache &operator=(const TqdzPictureCache &) = delete;

    // Stores the picture's graphic; returns its number (1-based), or 0 when
    // the picture holds no graphic and nothing was stored.
    int AddPicture(TPicture *Picture);
    // Loads picture number Index into Picture; an index out of range, or
    // bytes that are no picture, leave Picture empty (False).
    bool GetPicture(int Index, TPicture *Picture);
    // The picture of a view: its ImageIndex becomes the picture's number, 0
    // when the view holds no graphic (then nothing is stored).
    void AddPicture(TqdzPictureView *View);
    // Loads the view's picture number ImageIndex with the view's own
    // format-detecting loader; out of range or unreadable clears the picture.
    void GetPicture(TqdzPictureView *View);
    // The stored bytes of picture number Index (empty when out of range).
    QByteArray PictureBytes(int Index);
    void Clear();
    void SaveToXML(TqdzXMLItem *Node);
    void LoadFromXML(TqdzXMLItem *Node);

    int Count() const { return int(FCacheList.size()); }
    int BlockCount() const { return int(FBlocks.size()); }
    const QStringList &TempFiles() const { return FTempFiles; }
    const QString &TempDir() const { return FTempDir; }
    // Both are ignored once a block exists.
    void SetTempDir(const QString &Value);
    bool UseFileCache() const { return FUseFileCache; }
    void SetUseFileCache(bool Value);

private:
    TStream *LastBlock() const { return FBlocks.back().get(); }
    void EnsureBlock();
    void NewBlock();
    qint64 PictureLength(int Index);
    static void SetLimit(TStream *Block, qint64 Limit);

    // The graphic of picture Index decoded once and shared (its pixels are
    // implicitly shared) by every view that shows it; nullptr when unreadable.
    const TGraphic *Decoded(int Index, TqdzPictureView *View);

    std::vector<TqdzCacheItem> FCacheList;
    // Recently decoded pictures, the most recent first, a few at most.
    struct TDecoded {
        int Index;
        std::unique_ptr<TGraphic> Graphic;
    };
    std::vector<TDecoded> FDecoded;
    std::vector<std::unique_ptr<TStream>> FBlocks;
    QStringList FTempFiles;
    QString FTempDir;
    bool FUseFileCache = false;
};

// Creates an empty temporary file "qdPic....tmp" in Dir (the system's
// temporary folder when Dir is empty or missing) and returns its full path.
QString qdzPictureTempFile(const QString &Dir);
