// Tests of graphics picture (platform).
#include "Filer.h"
#include "Graphics.h"
#include "Streams.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

QImage Sample(int W, int H, bool Alpha = false)
{
    QImage img(W, H, Alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    img.fill(Alpha ? QColor(0, 0, 0, 0) : QColor(Qt::white));
    for (int x = 0; x < W; ++x)
        img.setPixel(x, H / 2, qRgb(255, 0, 0));
    img.setPixel(0, 0, qRgb(0, 0, 255));
    return img;
}

QByteArray Encode(const QImage &Img, const char *Format, int Quality = -1)
{
    QByteArray out;
    QBuffer buf(&out);
    buf.open(QIODevice::WriteOnly);
    QImageWriter w(&buf, Format);
    if (Quality >= 0)
        w.setQuality(Quality);
    EXPECT_TRUE(w.write(Img)) << Format;
    return out;
}

struct PictureTest : ::testing::Test {
    QTemporaryDir dir;
    QString Put(const QString &Name, const QByteArray &Bytes)
    {
        const QString path = dir.filePath(Name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(Bytes);
        return path;
    }
    QByteArray Get(const QString &Name)
    {
        QFile f(dir.filePath(Name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

TEST_F(PictureTest, FormatComesFromTheContentAndBytesSaveBackUnchanged)
{
    TBitmap seed;
    seed.SetImage(Sample(7, 5));
    struct Case {
        const char *name;
        QByteArray bytes;
        bool (*is)(TGraphic *);
    } cases[] = {
        {"bmp", seed.SaveToBytes(), [](TGraphic *g) { return dynamic_cast<TBitmap *>(g) != nullptr; }},
        {"png", Encode(Sample(7, 5, true), "PNG"), [](TGraphic *g) { return dynamic_cast<TPngImage *>(g) != nullptr; }},
        {"jpg", Encode(Sample(7, 5), "JPEG", 75), [](TGraphic *g) { return dynamic_cast<TJPEGImage *>(g) != nullptr; }},
        {"ico", Encode(Sample(16, 16, true), "ICO"), [](TGraphic *g) { return dynamic_cast<TIcon *>(g) != nullptr; }},
    };
    for (const Case &c : cases) {
        // The file name says nothing true about the content.
        const QString path = Put(QString("picture_%1.dat").arg(c.name), c.bytes);
        TPicture pic;
        pic.LoadFromFile(path);
        ASSERT_NE(pic.Graphic(), nullptr) << c.name;
        EXPECT_TRUE(c.is(pic.Graphic())) << c.name;
        EXPECT_EQ(pic.Width(), QString(c.name) == "ico" ? 16 : 7) << c.name;
        EXPECT_EQ(pic.Height(), QString(c.name) == "ico" ? 16 : 5) << c.name;
        pic.SaveToFile(dir.filePath(QString("out_%1.bin").arg(c.name)));
        EXPECT_EQ(Get(QString("out_%1.bin").arg(c.name)), c.bytes) << c.name;
        // Through a stream, from its position on.
        TMemoryStream ms;
        ms.WriteBuffer("xx", 2);
        ms.WriteBuffer(c.bytes.constData(), c.bytes.size());
        ms.SetPosition(2);
        TPicture again;
        again.LoadFromStream(&ms);
        EXPECT_TRUE(c.is(again.Graphic())) << c.name;
        TMemoryStream outStream;
        again.SaveToStream(&outStream);
        EXPECT_EQ(QByteArray(static_cast<const char *>(outStream.Memory()), int(outStream.Size())), c.bytes);
    }
}

TEST_F(PictureTest, UnknownOrMissingPicturesRaise)
{
    const QString junk = Put("junk.bmp", "GIF89a not a picture we read");
    TPicture pic;
    EXPECT_THROW(pic.LoadFromFile(junk), EInvalidGraphic);
    EXPECT_EQ(pic.Graphic(), nullptr);
    EXPECT_THROW(pic.LoadFromFile(dir.filePath("missing.png")), EFOpenError);
    TBitmap b;
    EXPECT_THROW(b.LoadFromBytes(Encode(Sample(2, 2), "PNG")), EInvalidGraphic);
    EXPECT_THROW(b.LoadFromBytes("BM too short"), EInvalidGraphic);
    TJPEGImage j;
    EXPECT_THROW(j.LoadFromBytes(Encode(Sample(2, 2), "PNG")), EInvalidGraphic);
    // A truncated JPEG keeps the graphic as it was.
    const QByteArray good = Encode(Sample(4, 3), "JPEG");
    j.LoadFromBytes(good);
    EXPECT_THROW(j.LoadFromBytes(good.left(3)), EInvalidGraphic);
    EXPECT_EQ(j.SaveToBytes(), good);
    EXPECT_THROW(j.SetWidth(10), EInvalidGraphicOperation);
    // Saving an empty picture writes nothing.
    TPicture empty;
    empty.SaveToFile(dir.filePath("nothing.bmp"));
    EXPECT_FALSE(QFile::exists(dir.filePath("nothing.bmp")));
}

TEST_F(PictureTest, BitmapKeepsItsFileUntilDrawnOn)
{
    // A palette BMP of more than 16 colours (8 bits a pixel): written back as it came.
    QImage pal = Sample(5, 3);
    for (int i = 0; i < 5; ++i) {
        pal.setPixel(i, 1, qRgb(10 * i, 20, 30));
        pal.setPixel(i, 2, qRgb(40, 10 * i + 1, 30));
    }
    for (int i = 1; i < 5; ++i)
        pal.setPixel(i, 0, qRgb(40, 33, 10 * i + 3));
    pal.setPixel(0, 0, qRgb(0, 0, 255));
    pal = pal.convertToFormat(QImage::Format_Indexed8);
    pal.setColorCount(256);
    const QByteArray bytes = Encode(pal, "BMP");
    TBitmap b;
    b.LoadFromBytes(bytes);
    EXPECT_EQ(b.PixelFormat(), pf8bit);
    EXPECT_EQ(b.Width(), 5);
    EXPECT_EQ(b.Canvas()->Pixels(0, 0), clBlue);
    EXPECT_EQ(b.Canvas()->Pixels(2, 1), RGB(20, 20, 30));
    EXPECT_EQ(b.SaveToBytes(), bytes);
    EXPECT_FALSE(b.Empty());
    b.Canvas()->SetPixels(4, 2, clLime);
    const QByteArray changed = b.SaveToBytes();
    EXPECT_NE(changed, bytes);
    TBitmap c;
    c.LoadFromBytes(changed);
    EXPECT_EQ(c.Canvas()->Pixels(0, 0), clBlue);
    EXPECT_EQ(c.PixelFormat(), pf8bit);
    // 24 bits by default.
    TBitmap d;
    d.SetSize(3, 2);
    const QByteArray d24 = d.SaveToBytes();
    ASSERT_GE(d24.size(), 30);
    EXPECT_EQ(quint8(d24[28]), 24);
    d.SetPixelFormat(pf1bit);
    EXPECT_TRUE(d.Monochrome());
    EXPECT_EQ(quint8(d.SaveToBytes()[28]), 1);
}

struct ChangeCounter : TObject {
    int Count = 0;
    void Changed(TObject *) { ++Count; }
};

TEST_F(PictureTest, BitmapOfAPictureAndChangeNotification)
{
    TPicture pic;
    ChangeCounter counter;
    pic.SetOnChange(TNotifyEvent(&counter, &ChangeCounter::Changed));
    TPngImage png;
    png.LoadFromBytes(Encode(Sample(3, 3, true), "PNG"));
    pic.SetGraphic(&png);
    EXPECT_EQ(counter.Count, 1);
    ASSERT_NE(pic.Graphic(), &png); // a copy
    EXPECT_EQ(pic.Graphic()->SaveToBytes(), png.SaveToBytes());
    // Asking for the bitmap of a PNG picture gives an empty bitmap in its place.
    TBitmap *b = pic.Bitmap();
    EXPECT_TRUE(b->Empty());
    EXPECT_EQ(pic.Graphic(), b);
    b->SetSize(4, 4);
    const int before = counter.Count;
    b->Canvas()->Rectangle(0, 0, 4, 4);
    EXPECT_GT(counter.Count, before);
    EXPECT_EQ(pic.Bitmap(), b);
    TPicture copy;
    copy.Assign(&pic);
    ASSERT_NE(dynamic_cast<TBitmap *>(copy.Graphic()), nullptr);
    EXPECT_EQ(copy.Bitmap()->Canvas()->Pixels(0, 0), clBlack);
    copy.SetGraphic(nullptr);
    EXPECT_EQ(copy.Width(), 0);
}

TEST_F(PictureTest, ConversionsBetweenFormats)
{
    // A PNG with transparent parts becomes a bitmap over white.
    TPngImage png;
    png.LoadFromBytes(Encode(Sample(4, 4, true), "PNG"));
    TBitmap b;
    b.Assign(&png);
    EXPECT_EQ(b.Canvas()->Pixels(1, 1), clWhite);
    EXPECT_EQ(b.Canvas()->Pixels(1, 2), clRed);
    EXPECT_EQ(b.Canvas()->Pixels(0, 0), clBlue);
    // And a bitmap encodes into the format it is assigned to.
    TPngImage back;
    back.Assign(&b);
    EXPECT_TRUE(back.SaveToBytes().startsWith("\x89PNG"));
    EXPECT_EQ(back.Width(), 4);
    TJPEGImage jpg;
    jpg.SetCompressionQuality(95);
    jpg.Assign(&b);
    const QByteArray jpegBytes = jpg.SaveToBytes();
    EXPECT_TRUE(jpegBytes.startsWith("\xFF\xD8\xFF"));
    EXPECT_EQ(jpg.Height(), 4);
    // Grey shows grey and leaves the stored bytes alone.
    const QRgb colour = jpg.ToImage().pixel(1, 2);
    EXPECT_GT(qRed(colour), qGreen(colour) + 40); // reddish, as far as JPEG keeps it
    jpg.SetGrayscale(true);
    const QRgb grey = jpg.ToImage().pixel(1, 2);
    EXPECT_EQ(qRed(grey), qGreen(grey));
    EXPECT_EQ(qGreen(grey), qBlue(grey));
    EXPECT_EQ(jpg.SaveToBytes(), jpegBytes);
    // Drawing a PNG blends its transparent parts with what is there.
    TBitmap canvasBmp;
    canvasBmp.SetSize(4, 4);
    canvasBmp.Canvas()->Brush()->SetColor(clLime);
    canvasBmp.Canvas()->FillRect(Rect(0, 0, 4, 4));
    canvasBmp.Canvas()->Draw(0, 0, &png);
    EXPECT_EQ(canvasBmp.Canvas()->Pixels(1, 1), clLime);
    EXPECT_EQ(canvasBmp.Canvas()->Pixels(1, 2), clRed);
}

TEST_F(PictureTest, GraphicClassesAreCreatedByName)
{
    for (TClass cls : {TBitmap::StaticClass(), TJPEGImage::StaticClass(), TPngImage::StaticClass(),
                       TIcon::StaticClass()}) {
        std::unique_ptr<TObject> obj(cls->Create());
        auto *g = dynamic_cast<TGraphic *>(obj.get());
        ASSERT_NE(g, nullptr);
        EXPECT_TRUE(g->Empty());
        EXPECT_EQ(g->ClassType(), cls);
    }
    EXPECT_TRUE(TPicture::StaticClass()->InheritsFrom(TPersistent::StaticClass()));
}

} // namespace

namespace {

TEST(Metafile, RecordedDrawingPlaysBackScaled)
{
    TMetafile mf;
    mf.SetWidth(10);
    mf.SetHeight(10);
    {
        TMetafileCanvas mc(&mf, 0);
        mc.Brush()->SetColor(clRed);
        mc.Pen()->SetStyle(psClear);
        mc.Rectangle(0, 0, 6, 6); // 5x5 without a pen
    }
    EXPECT_FALSE(mf.Empty());
    TBitmap b;
    b.SetSize(20, 20);
    b.Canvas()->StretchDraw(Rect(0, 0, 20, 20), &mf);
    EXPECT_EQ(b.Canvas()->Pixels(1, 1), clRed);
    EXPECT_EQ(b.Canvas()->Pixels(8, 8), clRed);
    EXPECT_EQ(b.Canvas()->Pixels(12, 12), clWhite);
    TMetafile copy;
    copy.Assign(&mf);
    EXPECT_EQ(copy.Width(), 10);
    EXPECT_EQ(copy.ToImage().pixel(2, 2), qRgb(255, 0, 0));
    EXPECT_THROW(mf.SaveToBytes(), EInvalidGraphicOperation);
}

TEST(Metafile, FilesKeepTheirBytesAndSize)
{
    // An enhanced metafile header: frame 0..2540 x 0..1270 hundredths of a mm.
    QByteArray emf(108, '\0');
    auto put32 = [&](int off, qint32 v) { qToLittleEndian(v, emf.data() + off); };
    put32(0, 1);
    put32(4, 108);
    put32(24, 0);
    put32(28, 0);
    put32(32, 2540);
    put32(36, 1270);
    put32(40, 0x464D4520);
    QTemporaryDir dir;
    const QString path = dir.filePath("logo.dat");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(emf);
    }
    TPicture pic;
    pic.LoadFromFile(path);
    auto *mf = dynamic_cast<TMetafile *>(pic.Graphic());
    ASSERT_NE(mf, nullptr);
    EXPECT_TRUE(mf->Enhanced());
    EXPECT_EQ(pic.Width(), 96);
    EXPECT_EQ(pic.Height(), 48);
    EXPECT_EQ(mf->SaveToBytes(), emf);
    // Placeable WMF: bounding box 0..1440 x 0..720 at 1440 units an inch.
    QByteArray wmf(40, '\0');
    qToLittleEndian(quint32(0x9AC6CDD7u), wmf.data());
    qToLittleEndian(qint16(1440), wmf.data() + 10);
    qToLittleEndian(qint16(720), wmf.data() + 12);
    qToLittleEndian(quint16(1440), wmf.data() + 14);
    TMetafile w;
    w.LoadFromBytes(wmf);
    EXPECT_FALSE(w.Enhanced());
    EXPECT_EQ(w.Width(), 96);
    EXPECT_EQ(w.Height(), 48);
    EXPECT_THROW(w.LoadFromBytes("not a metafile at all"), EInvalidGraphic);
}

} // namespace

TEST(PictureData, WrittenAsClassNameAndBytesAndReadBack)
{
    TBitmap bmp;
    bmp.SetImage(Sample(5, 4));
    const QByteArray bmpBytes = bmp.SaveToBytes();
    TPicture picture;
    picture.SetGraphic(&bmp);
    TMemoryStream s;
    {
        TWriter w(&s);
        w.WriteDefinedProperties(&picture);
    }
    const QByteArray data(static_cast<const char *>(s.Memory()), qsizetype(s.Size()));
    // "Data", the binary tag and count, the class name, the bitmap's length, its bytes.
    QByteArray expected("\x04" "Data" "\x0A", 6);
    const quint32 count = qToLittleEndian(quint32(1 + 7 + 4 + bmpBytes.size()));
    expected.append(reinterpret_cast<const char *>(&count), 4);
    expected.append("\x07" "TBitmap");
    const quint32 size = qToLittleEndian(quint32(bmpBytes.size()));
    expected.append(reinterpret_cast<const char *>(&size), 4);
    expected.append(bmpBytes);
    EXPECT_EQ(data, expected);

    TPicture back;
    s.SetPosition(0);
    TReader r(&s);
    r.ReadProperty(&back);
    ASSERT_NE(dynamic_cast<TBitmap *>(back.Graphic()), nullptr);
    EXPECT_EQ(back.Graphic()->SaveToBytes(), bmpBytes);

    // An empty picture writes nothing.
    TPicture empty;
    TMemoryStream none;
    TWriter w(&none);
    w.WriteDefinedProperties(&empty);
    EXPECT_EQ(none.Size(), 0);
}
