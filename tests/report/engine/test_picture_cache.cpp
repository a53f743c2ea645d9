// The picture cache: memory and file blocks, lengths from offsets, hexadecimal form, damaged input.
#include "report/engine/qdzPictureCache.h"
#include "report/model/qdzClassViews.h"
#include "report/model/qdzXML.h"

#include "platform/Graphics.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A picture holding a W x H bitmap filled with Color.
std::unique_ptr<TPicture> MakePicture(int W, int H, TColor Color)
{
    TBitmap bmp;
    bmp.SetSize(W, H);
    bmp.Canvas()->Brush()->SetColor(Color);
    bmp.Canvas()->FillRect(TRect(0, 0, W, H));
    auto pic = std::make_unique<TPicture>();
    pic->SetGraphic(&bmp);
    return pic;
}

QByteArray BytesOf(TPicture *P)
{
    return P->Graphic() ? P->Graphic()->SaveToBytes() : QByteArray();
}

} // namespace

TEST(PictureCache, AddNumbersPicturesAndKeepsTheirBytes)
{
    for (bool inFile : {false, true}) {
        SCOPED_TRACE(inFile ? "file blocks" : "memory blocks");
        QTemporaryDir dir;
        TqdzPictureCache cache;
        cache.SetTempDir(dir.path());
        cache.SetUseFileCache(inFile);
        TPicture empty;
        EXPECT_EQ(cache.AddPicture(&empty), 0);
        EXPECT_EQ(cache.Count(), 0);
        EXPECT_EQ(cache.BlockCount(), 0);

        auto red = MakePicture(3, 2, clRed), blue = MakePicture(5, 4, clBlue);
        EXPECT_EQ(cache.AddPicture(red.get()), 1);
        EXPECT_EQ(cache.AddPicture(blue.get()), 2);
        EXPECT_EQ(cache.BlockCount(), 1);
        // The first picture's length is the second one's offset minus its own.
        EXPECT_EQ(cache.PictureBytes(1), BytesOf(red.get()));
        EXPECT_EQ(cache.PictureBytes(2), BytesOf(blue.get()));

        TPicture out;
        ASSERT_TRUE(cache.GetPicture(2, &out));
        EXPECT_EQ(out.Width(), 5);
        EXPECT_EQ(out.Height(), 4);
        EXPECT_EQ(BytesOf(&out), BytesOf(blue.get()));
        for (int bad : {0, 3, -1}) {
            out.SetGraphic(blue->Graphic());
            EXPECT_FALSE(cache.GetPicture(bad, &out)) << bad;
            EXPECT_EQ(out.Graphic(), nullptr) << bad;
        }

        if (inFile) {
            ASSERT_EQ(cache.TempFiles().size(), 1);
            const QString name = cache.TempFiles().first();
            EXPECT_TRUE(QFileInfo(name).fileName().startsWith("qdPic")) << name.toStdString();
            EXPECT_EQ(QFileInfo(name).absolutePath(), QDir(dir.path()).absolutePath());
            EXPECT_TRUE(QFile::exists(name));
            cache.Clear();
            EXPECT_FALSE(QFile::exists(name));
            EXPECT_TRUE(cache.TempFiles().isEmpty());
        } else {
            EXPECT_TRUE(cache.TempFiles().isEmpty());
            cache.Clear();
        }
        EXPECT_EQ(cache.Count(), 0);
        EXPECT_EQ(cache.BlockCount(), 0);
    }
}

TEST(PictureCache, ModeAndFolderChangeOnlyWhileThereIsNoBlock)
{
    TqdzPictureCache cache;
    auto pic = MakePicture(1, 1, clWhite);
    cache.AddPicture(pic.get());
    cache.SetUseFileCache(true);
    cache.SetTempDir(QStringLiteral("/nowhere"));
    EXPECT_FALSE(cache.UseFileCache());
    EXPECT_TRUE(cache.TempDir().isEmpty());
    cache.AddPicture(pic.get());
    EXPECT_TRUE(cache.TempFiles().isEmpty());
}

TEST(PictureCache, LongTemporaryFolderPathIsUsedWhole)
{
    QTemporaryDir base;
    QString deep = base.path();
    while (deep.size() < 150)
        deep += QStringLiteral("/a_rather_long_folder_name");
    ASSERT_TRUE(QDir().mkpath(deep));
    TqdzPictureCache cache;
    cache.SetTempDir(deep);
    cache.SetUseFileCache(true);
    auto pic = MakePicture(2, 2, clGreen);
    ASSERT_EQ(cache.AddPicture(pic.get()), 1);
    ASSERT_EQ(cache.TempFiles().size(), 1);
    EXPECT_EQ(QFileInfo(cache.TempFiles().first()).absolutePath(), QDir(deep).absolutePath());
}

TEST(PictureCache, SaveToXMLAndLoadBack)
{
    TqdzPictureCache cache;
    auto a = MakePicture(2, 3, clRed), b = MakePicture(4, 1, clLime);
    cache.AddPicture(a.get());
    cache.AddPicture(b.get());
    TqdzXMLItem node;
    node.Add()->SetName("stale");
    cache.SaveToXML(&node);
    ASSERT_EQ(node.Count(), 2);
    EXPECT_EQ(node[0]->Name(), "item");
    EXPECT_EQ(node[0]->Text(), "stream=\"" + BytesOf(a.get()).toHex().toUpper() + '"');

    TqdzPictureCache loaded;
    loaded.AddPicture(b.get()); // replaced by the load
    loaded.LoadFromXML(&node);
    ASSERT_EQ(loaded.Count(), 2);
    EXPECT_EQ(loaded.PictureBytes(1), BytesOf(a.get()));
    EXPECT_EQ(loaded.PictureBytes(2), BytesOf(b.get()));
}

TEST(PictureCache, DamagedInputStoresOnlyWhatDecodes)
{
    TqdzXMLItem node;
    const char *streams[] = {"414243", "4142ZZ43", "41424", "", "zz"};
    for (const char *s : streams) {
        TqdzXMLItem *item = node.Add();
        item->SetName("item");
        item->SetText(QByteArray("stream=\"") + s + '"');
    }
    TqdzPictureCache cache;
    cache.LoadFromXML(&node);
    ASSERT_EQ(cache.Count(), 5);
    EXPECT_EQ(cache.PictureBytes(1), "ABC");
    EXPECT_EQ(cache.PictureBytes(2), "AB");
    EXPECT_EQ(cache.PictureBytes(3), "AB");
    EXPECT_EQ(cache.PictureBytes(4), "");
    EXPECT_EQ(cache.PictureBytes(5), "");

    // Bytes that are no picture leave the picture empty instead of raising.
    TPicture out;
    auto red = MakePicture(1, 1, clRed);
    out.SetGraphic(red->Graphic());
    EXPECT_FALSE(cache.GetPicture(1, &out));
    EXPECT_EQ(out.Graphic(), nullptr);
    EXPECT_FALSE(cache.GetPicture(4, &out));
}

TEST(PictureCache, LimitedStreamsAnswerTheLimitAsTheirEnd)
{
    TqdzMemoryStream m;
    m.WriteBuffer("0123456789", 10);
    m.SetPosition(2);
    m.SetLimit(6);
    EXPECT_EQ(m.Seek(0, soEnd), 6);
    EXPECT_EQ(m.Position(), 2);
    EXPECT_EQ(m.Size(), 6);
    m.SetLimit(0);
    EXPECT_EQ(m.Seek(0, soEnd), 10);
}

TEST(PictureCache, PictureViewsCarryTheirNumber)
{
    TqdzPictureCache cache;
    TqdzPictureView empty(nullptr), red(nullptr), out(nullptr);
    empty.SetImageIndex(7);
    cache.AddPicture(&empty);
    EXPECT_EQ(empty.ImageIndex(), 0);
    EXPECT_EQ(cache.Count(), 0);
    red.SetPicture(MakePicture(3, 2, clRed).get());
    cache.AddPicture(&red);
    EXPECT_EQ(red.ImageIndex(), 1);

    // A picture saved with a database blob header is found by the view's loader.
    const QByteArray bmp = BytesOf(red.Picture());
    QByteArray blob("\x01\x00\x00\x01", 4);
    const quint32 n = quint32(bmp.size());
    blob.append(char(n & 0xFF)).append(char((n >> 8) & 0xFF)).append(char((n >> 16) & 0xFF)).append(char(n >> 24));
    blob += bmp;
    TqdzXMLItem node;
    node.Add()->SetText("stream=\"" + blob.toHex().toUpper() + '"');
    node.Add()->SetText("stream=\"00FF00\"");
    cache.LoadFromXML(&node);
    struct Case {
        int Index;
        bool Loaded;
    } cases[] = {{1, true}, {2, false}, {0, false}, {3, false}, {-1, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Index);
        out.SetPicture(MakePicture(1, 1, clBlue).get());
        out.SetImageIndex(c.Index);
        cache.GetPicture(&out);
        ASSERT_EQ(out.Picture()->Graphic() != nullptr, c.Loaded);
        if (c.Loaded) {
            EXPECT_EQ(BytesOf(out.Picture()), bmp);
        }
    }
}
