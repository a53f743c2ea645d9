// The picture cache of built reports: block streams, temporary files, the hexadecimal file form.
#include "qdzPictureCache.h"

#include "platform/Graphics.h"
#include "report/model/qdzClassViews.h"
#include "report/model/qdzXML.h"

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <unistd.h>
#include <cstdlib>

STATION_PUBLISHED(TqdzMemoryStream) {}
STATION_PUBLISHED(TqdzFileStream) {}

// ------------------------------------------------------------ limited streams

qint64 TqdzMemoryStream::Seek(qint64 Offset, TSeekOrigin Origin)
{
    if (FLimit != 0 && Offset == 0 && Origin == soEnd)
        return FLimit;
    return TMemoryStream::Seek(Offset, Origin);
}

qint64 TqdzMemoryStream::Size()
{
    return FLimit != 0 ? FLimit : TMemoryStream::Size();
}

qint64 TqdzFileStream::Seek(qint64 Offset, TSeekOrigin Origin)
{
    if (FLimit != 0 && Offset == 0 && Origin == soEnd)
        return FLimit;
    return TFileStream::Seek(Offset, Origin);
}

qint64 TqdzFileStream::Size()
{
    return FLimit != 0 ? FLimit : TFileStream::Size();
}

// ------------------------------------------------------------ helpers

QString qdzPictureTempFile(const QString &Dir)
{
    // The whole folder path is used, however long.
    QString path = Dir;
    if (path.isEmpty() || !QFileInfo(path).isDir())
        path = QDir::tempPath();
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    QByteArray templ = QFile::encodeName(path + QStringLiteral("qdPicXXXXXX.tmp"));
    const int fd = mkstemps(templ.data(), 4);
    if (fd < 0)
        throw EFCreateError(QStringLiteral("Cannot create a temporary file in %1").arg(path));
    ::close(fd);
    return QFile::decodeName(templ);
}

namespace {

int HexDigit(char C)
{
    if (C >= '0' && C <= '9')
        return C - '0';
    if (C >= 'A' && C <= 'F')
        return C - 'A' + 10;
    if (C >= 'a' && C <= 'f')
        return C - 'a' + 10;
    return -1;
}

// Decodes pairs of hexadecimal digits up to the first pair that is not one;
// only what was decoded is returned.
QByteArray HexToBytes(const QByteArray &Text)
{
    QByteArray out;
    out.reserve(Text.size() / 2);
    for (qsizetype i = 0; i + 1 < Text.size(); i += 2) {
        const int hi = HexDigit(Text[i]), lo = HexDigit(Text[i + 1]);
        if (hi < 0 || lo < 0)
            break;
        out.append(char(hi * 16 + lo));
    }
    return out;
}

} // namespace

// ------------------------------------------------------------ cache

TqdzPictureCache::TqdzPictureCache() = default;

TqdzPictureCache::~TqdzPictureCache()
{
    Clear();
}

void TqdzPictureCache::SetTempDir(const QString &Value)
{
    if (FBlocks.empty())
        FTempDir = Value;
}

void TqdzPictureCache::SetUseFileCache(bool Value)
{
    if (FBlocks.empty())
        FUseFileCache = Value;
}

void TqdzPictureCache::SetLimit(TStream *Block, qint64 Limit)
{
    if (auto *m = dynamic_cast<TqdzMemoryStream *>(Block))
        m->SetLimit(Limit);
    else if (auto *f = dynamic_cast<TqdzFileStream *>(Block))
        f->SetLimit(Limit);
}

void TqdzPictureCache::NewBlock()
{
    if (FUseFileCache) {
        const QString name = qdzPictureTempFile(FTempDir);
        FTempFiles.append(name);
        FBlocks.push_back(std::make_unique<TqdzFileStream>(name, fmOpenReadWrite));
    } else {
        FBlocks.push_back(std::make_unique<TqdzMemoryStream>());
    }
}

void TqdzPictureCache::EnsureBlock()
{
    if (FBlocks.empty() || LastBlock()->Size() >= MaxBlockSize)
        NewBlock();
    TStream *block = LastBlock();
    FCacheList.push_back({int(FBlocks.size()) - 1, block->Size()});
    block->Seek(0, soEnd);
}

qint64 TqdzPictureCache::PictureLength(int Index)
{
    const TqdzCacheItem &item = FCacheList[size_t(Index)];
    if (Index + 1 < Count() && FCacheList[size_t(Index) + 1].Block == item.Block)
        return FCacheList[size_t(Index) + 1].Offset - item.Offset;
    return FBlocks[size_t(item.Block)]->Size() - item.Offset;
}

int TqdzPictureCache::AddPicture(TPicture *Picture)
{
    if (!Picture || !Picture->Graphic() || Picture->Graphic()->Empty())
        return 0;
    const QByteArray bytes = Picture->Graphic()->SaveToBytes();
    EnsureBlock();
    LastBlock()->WriteBuffer(bytes.constData(), bytes.size());
    return Count();
}

QByteArray TqdzPictureCache::PictureBytes(int Index)
{
    if (Index < 1 || Index > Count() || FBlocks.empty())
        return QByteArray();
    const qint64 length = PictureLength(Index - 1);
    const TqdzCacheItem &item = FCacheList[size_t(Index) - 1];
    TStream *block = FBlocks[size_t(item.Block)].get();
    QByteArray bytes;
    block->Seek(item.Offset, soBeginning);
    SetLimit(block, item.Offset + length);
    try {
        bytes.resize(qsizetype(block->Seek(0, soEnd) - item.Offset));
        bytes.resize(qsizetype(block->Read(bytes.data(), bytes.size())));
    } catch (...) {
        SetLimit(block, 0);
        throw;
    }
    SetLimit(block, 0);
    return bytes;
}

const TGraphic *TqdzPictureCache::Decoded(int Index, TqdzPictureView *View)
{
    for (size_t i = 0; i < FDecoded.size(); ++i)
        if (FDecoded[i].Index == Index) {
            std::rotate(FDecoded.begin(), FDecoded.begin() + qsizetype(i), FDecoded.begin() + qsizetype(i) + 1);
            return FDecoded.front().Graphic.get();
        }
    std::unique_ptr<TGraphic> graphic;
    const QByteArray bytes = PictureBytes(Index);
    if (!bytes.isEmpty()) {
        try {
            TStringStream stream(bytes);
            // A view reads with its own format-detecting loader.
            TPicture plain;
            TPicture *into = View ? View->Picture() : &plain;
            if (View)
                View->LoadPictureFromStream(&stream, true);
            else
                plain.LoadFromStream(&stream);
            if (TGraphic *g = into->Graphic(); g && !g->Empty()) {
                graphic = g->NewOfSameClass();
                graphic->Assign(g);
            }
        } catch (const Exception &) {
            // Unreadable bytes leave the picture empty, not retried on every repaint.
        }
    }
    constexpr size_t MaxDecoded = 16;
    FDecoded.insert(FDecoded.begin(), TDecoded{Index, std::move(graphic)});
    if (FDecoded.size() > MaxDecoded)
        FDecoded.pop_back();
    return FDecoded.front().Graphic.get();
}

bool TqdzPictureCache::GetPicture(int Index, TPicture *Picture)
{
    if (!Picture)
        return false;
    const TGraphic *g = Index >= 1 && Index <= Count() ? Decoded(Index, nullptr) : nullptr;
    Picture->SetGraphic(const_cast<TGraphic *>(g));
    return g != nullptr;
}

void TqdzPictureCache::AddPicture(TqdzPictureView *View)
{
    if (View)
        View->SetImageIndex(AddPicture(View->Picture()));
}

void TqdzPictureCache::GetPicture(TqdzPictureView *View)
{
    if (!View)
        return;
    const int index = View->ImageIndex();
    const TGraphic *g = index >= 1 && index <= Count() ? Decoded(index, View) : nullptr;
    View->Picture()->SetGraphic(const_cast<TGraphic *>(g));
}

void TqdzPictureCache::Clear()
{
    for (size_t i = 0; i < FBlocks.size(); ++i) {
        const bool isFile = dynamic_cast<TFileStream *>(FBlocks[i].get()) != nullptr;
        FBlocks[i].reset();
        if (isFile && !FTempFiles.isEmpty())
            QFile::remove(FTempFiles.takeFirst());
    }
    FBlocks.clear();
    FCacheList.clear();
    FDecoded.clear();
}

void TqdzPictureCache::SaveToXML(TqdzXMLItem *Node)
{
    Node->Clear();
    for (int i = 1; i <= Count(); ++i) {
        TqdzXMLItem *item = Node->Add();
        item->SetName("item");
        item->SetText("stream=\"" + PictureBytes(i).toHex().toUpper() + '"');
    }
}

void TqdzPictureCache::LoadFromXML(TqdzXMLItem *Node)
{
    Clear();
    for (int i = 0; i < Node->Count(); ++i) {
        const QByteArray bytes = HexToBytes(Node->GetItems(i)->GetProp("stream"));
        EnsureBlock();
        if (!bytes.isEmpty())
            LastBlock()->WriteBuffer(bytes.constData(), bytes.size());
    }
}
