// Graphics over QImage: TGraphic, TBitmap, the encoded formats and TPicture.
#include "Graphics.h"

#include "Filer.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QPicture>
#include <QtEndian>

#include <algorithm>
#include <cmath>

// ------------------------------------------------------------------ TGraphic

void TGraphic::SetTransparent(bool Value)
{
    if (FTransparent != Value) {
        FTransparent = Value;
        Changed();
    }
}

void TGraphic::SetModified(bool Value)
{
    if (Value)
        Changed();
    else
        FModified = false;
}

void TGraphic::Changed()
{
    FModified = true;
    if (FOnChange)
        FOnChange(this);
}

void TGraphic::LoadFromFile(const QString &FileName)
{
    TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&stream);
}

void TGraphic::SaveToFile(const QString &FileName)
{
    TFileStream stream(FileName, fmCreate);
    SaveToStream(&stream);
}

namespace {

QByteArray ReadRest(TStream *Stream)
{
    const qint64 n = Stream->Size() - Stream->Position();
    QByteArray bytes;
    if (n > 0) {
        bytes.resize(qsizetype(n));
        Stream->ReadBuffer(bytes.data(), n);
    }
    return bytes;
}

// Opaque pixels of any image, transparent parts over white.
QImage OpaqueImage(const QImage &Source)
{
    if (Source.isNull())
        return QImage();
    if (!Source.hasAlphaChannel())
        return Source.convertToFormat(QImage::Format_RGB32);
    QImage out(Source.size(), QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter p(&out);
    p.drawImage(0, 0, Source);
    return out;
}

} // namespace

void TGraphic::LoadFromStream(TStream *Stream)
{
    LoadFromBytes(ReadRest(Stream));
}

void TGraphic::SaveToStream(TStream *Stream)
{
    const QByteArray bytes = SaveToBytes();
    if (!bytes.isEmpty())
        Stream->WriteBuffer(bytes.constData(), bytes.size());
}

void TGraphic::Draw(TCanvas *ACanvas, const TRect &R)
{
    const QImage img = ToImage();
    if (!img.isNull())
        ACanvas->DrawImage(R, img, img.rect());
}

// ------------------------------------------------------------------ TBitmap

// The bitmap's own canvas: drawing on it drops the loaded bytes and marks the
// bitmap changed.
class TBitmapCanvas : public TCanvas
{
public:
    TBitmapCanvas(TBitmap *Owner, QImage *Image) : TCanvas(Image), FOwner(Owner) {}

protected:
    void Changing() override
    {
        FOwner->CanvasChanging();
        TCanvas::Changing();
    }
    void Changed() override
    {
        FOwner->Changed();
        TCanvas::Changed();
    }

private:
    TBitmap *FOwner;
};

TBitmap::TBitmap() = default;

TBitmap::~TBitmap()
{
    // The canvas's painter must end before the image goes.
    FCanvas.reset();
}

void TBitmap::CanvasChanging()
{
    FEncoded.clear();
}

void TBitmap::Changed()
{
    TGraphic::Changed();
}

TCanvas *TBitmap::Canvas()
{
    if (!FCanvas)
        FCanvas = std::make_unique<TBitmapCanvas>(this, &FImage);
    return FCanvas.get();
}

QImage &TBitmap::Image()
{
    if (FCanvas)
        FCanvas->Release();
    FEncoded.clear();
    return FImage;
}

void TBitmap::TakeImage(const QImage &Image)
{
    FImage = Image;
    FWidth = Image.isNull() ? 0 : Image.width();
    FHeight = Image.isNull() ? 0 : Image.height();
}

void TBitmap::SetSize(int AWidth, int AHeight)
{
    AWidth = std::max(0, AWidth);
    AHeight = std::max(0, AHeight);
    if (AWidth == FWidth && AHeight == FHeight)
        return;
    if (FCanvas)
        FCanvas->Release();
    QImage img;
    if (AWidth > 0 && AHeight > 0) {
        img = QImage(AWidth, AHeight, QImage::Format_RGB32);
        img.fill(Qt::white);
        if (!FImage.isNull()) {
            QPainter p(&img);
            p.setCompositionMode(QPainter::CompositionMode_Source);
            p.drawImage(0, 0, FImage);
        }
    }
    FImage = img;
    FWidth = AWidth;
    FHeight = AHeight;
    FEncoded.clear();
    Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat Value)
{
    if (FPixelFormat == Value)
        return;
    FPixelFormat = Value;
    if (FCanvas)
        FCanvas->Release();
    if (!FImage.isNull()) {
        // Fewer colours lose what they cannot hold.
        if (Value == pf1bit)
            FImage = FImage.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither)
                         .convertToFormat(QImage::Format_RGB32);
        else if (Value == pf4bit || Value == pf8bit)
            FImage = FImage.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither)
                         .convertToFormat(QImage::Format_RGB32);
        else if (Value == pf15bit)
            FImage = FImage.convertToFormat(QImage::Format_RGB555).convertToFormat(QImage::Format_RGB32);
        else if (Value == pf16bit)
            FImage = FImage.convertToFormat(QImage::Format_RGB16).convertToFormat(QImage::Format_RGB32);
    }
    FEncoded.clear();
    Changed();
}

void TBitmap::SetMonochrome(bool Value)
{
    if (Value)
        SetPixelFormat(pf1bit);
    else if (FPixelFormat == pf1bit)
        SetPixelFormat(pfDevice);
}

TColor TBitmap::TransparentColor()
{
    if (FTransparentMode == tmFixed)
        return FTransparentColor;
    if (FImage.isNull())
        return clDefault;
    return QColorToColor(QColor::fromRgb(FImage.pixel(0, FImage.height() - 1)));
}

void TBitmap::SetTransparentColor(TColor Value)
{
    if (FTransparentColor != Value || FTransparentMode != tmFixed) {
        FTransparentColor = Value;
        FTransparentMode = Value == clDefault ? tmAuto : tmFixed;
        Changed();
    }
}

void TBitmap::SetTransparentMode(TTransparentMode Value)
{
    if (FTransparentMode != Value) {
        FTransparentMode = Value;
        if (Value == tmAuto)
            FTransparentColor = clDefault;
        Changed();
    }
}

void TBitmap::SetImage(const QImage &Image)
{
    if (FCanvas)
        FCanvas->Release();
    TakeImage(OpaqueImage(Image));
    FEncoded.clear();
    Changed();
}

void TBitmap::Assign(TPersistent *Source)
{
    if (!Source) {
        SetImage(QImage());
        return;
    }
    if (auto *b = dynamic_cast<TBitmap *>(Source)) {
        if (b == this)
            return;
        if (FCanvas)
            FCanvas->Release();
        if (b->FCanvas)
            b->FCanvas->Release();
        FImage = b->FImage;
        FWidth = b->FWidth;
        FHeight = b->FHeight;
        FEncoded = b->FEncoded;
        FPixelFormat = b->FPixelFormat;
        FTransparentMode = b->FTransparentMode;
        FTransparentColor = b->FTransparentColor;
        TGraphic::SetTransparent(b->Transparent());
        Changed();
        return;
    }
    if (auto *g = dynamic_cast<TGraphic *>(Source)) {
        SetImage(g->ToImage());
        return;
    }
    TGraphic::Assign(Source);
}

void TBitmap::LoadFromBytes(const QByteArray &Bytes)
{
    if (Bytes.size() < 30 || !Bytes.startsWith("BM"))
        throw EInvalidGraphic(QStringLiteral("Bitmap image is not valid"));
    QImage img;
    if (!img.loadFromData(Bytes, "BMP"))
        throw EInvalidGraphic(QStringLiteral("Bitmap image is not valid"));
    const int bits = quint8(Bytes[28]) | (quint8(Bytes[29]) << 8);
    TPixelFormat pf = pfCustom;
    switch (bits) {
    case 1: pf = pf1bit; break;
    case 4: pf = pf4bit; break;
    case 8: pf = pf8bit; break;
    case 16: pf = pf16bit; break;
    case 24: pf = pf24bit; break;
    case 32: pf = pf32bit; break;
    default: break;
    }
    if (FCanvas)
        FCanvas->Release();
    // The device keeps no alpha, as a screen bitmap has none.
    TakeImage(img.convertToFormat(QImage::Format_RGB32));
    FPixelFormat = pf;
    Changed();
    FEncoded = Bytes;
}

QByteArray TBitmap::SaveToBytes()
{
    if (!FEncoded.isEmpty())
        return FEncoded;
    if (FImage.isNull())
        return QByteArray();
    if (FCanvas)
        FCanvas->Release();
    QImage img = FImage;
    switch (FPixelFormat) {
    case pf1bit: img = img.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither); break;
    case pf4bit: img = img.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither); break;
    case pf8bit:
        // A full palette keeps the file at 8 bits a pixel however few colours are used.
        img = img.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
        img.setColorCount(256);
        break;
    case pf32bit: img = img.convertToFormat(QImage::Format_ARGB32); break;
    default: break;
    }
    QByteArray out;
    QBuffer buf(&out);
    buf.open(QIODevice::WriteOnly);
    QImageWriter w(&buf, "BMP");
    if (!w.write(img))
        throw EInvalidGraphic(QStringLiteral("Bitmap image is not valid"));
    return out;
}

QImage TBitmap::ToImage() const
{
    return FImage;
}

void TBitmap::Draw(TCanvas *ACanvas, const TRect &R)
{
    if (FImage.isNull())
        return;
    if (FCanvas)
        FCanvas->Release();
    if (Transparent())
        ACanvas->DrawImageTransparent(R, FImage, FImage.rect(), TransparentColor());
    else
        ACanvas->DrawImage(R, FImage, FImage.rect());
}

// ------------------------------------------------------------------ encoded formats

void TEncodedGraphic::Assign(TPersistent *Source)
{
    if (!Source) {
        FData.clear();
        FCache = QImage();
        FDecoded = true;
        Changed();
        return;
    }
    if (auto *e = dynamic_cast<TEncodedGraphic *>(Source); e && typeid(*e) == typeid(*this)) {
        FData = e->FData;
        FCache = e->FCache;
        FDecoded = e->FDecoded;
        Changed();
        return;
    }
    if (auto *g = dynamic_cast<TGraphic *>(Source)) {
        SetImage(g->ToImage());
        return;
    }
    TGraphic::Assign(Source);
}

void TEncodedGraphic::Decode() const
{
    if (FDecoded)
        return;
    FDecoded = true;
    FCache = QImage();
    if (FData.isEmpty())
        return;
    QBuffer buf;
    buf.setData(FData);
    buf.open(QIODevice::ReadOnly);
    QImageReader r(&buf, FormatName());
    r.setAutoTransform(false);
    FCache = Decoded(r.read());
}

int TEncodedGraphic::Width() const
{
    Decode();
    return FCache.width();
}

int TEncodedGraphic::Height() const
{
    Decode();
    return FCache.height();
}

void TEncodedGraphic::SetWidth(int)
{
    throw EInvalidGraphicOperation(
        QStringLiteral("Cannot change the size of a %1 image").arg(QLatin1String(FormatName())));
}

void TEncodedGraphic::SetHeight(int)
{
    throw EInvalidGraphicOperation(
        QStringLiteral("Cannot change the size of a %1 image").arg(QLatin1String(FormatName())));
}

void TEncodedGraphic::LoadFromBytes(const QByteArray &Bytes)
{
    if (!IsOwnFormat(Bytes))
        throw EInvalidGraphic(QStringLiteral("%1 image is not valid").arg(QLatin1String(FormatName())));
    const QByteArray old = FData;
    FData = Bytes;
    FDecoded = false;
    Decode();
    if (FCache.isNull()) {
        FData = old;
        FDecoded = false;
        throw EInvalidGraphic(QStringLiteral("%1 image is not valid").arg(QLatin1String(FormatName())));
    }
    Changed();
}

QImage TEncodedGraphic::ToImage() const
{
    Decode();
    return FCache;
}

void TEncodedGraphic::Draw(TCanvas *ACanvas, const TRect &R)
{
    const QImage img = ToImage();
    if (img.isNull())
        return;
    ACanvas->DrawImage(R, img, img.rect());
}

QByteArray TEncodedGraphic::Encode(const QImage &Image) const
{
    QByteArray out;
    QBuffer buf(&out);
    buf.open(QIODevice::WriteOnly);
    QImageWriter w(&buf, FormatName());
    if (!w.write(Image))
        throw EInvalidGraphic(QStringLiteral("%1 image is not valid").arg(QLatin1String(FormatName())));
    return out;
}

void TEncodedGraphic::SetImage(const QImage &Image)
{
    if (Image.isNull()) {
        FData.clear();
        FCache = QImage();
    } else {
        FData = Encode(Image);
        FCache = QImage();
        FDecoded = false;
        Decode();
    }
    FDecoded = true;
    Changed();
}

bool TJPEGImage::IsOwnFormat(const QByteArray &Bytes) const
{
    return Bytes.size() >= 3 && quint8(Bytes[0]) == 0xFF && quint8(Bytes[1]) == 0xD8 && quint8(Bytes[2]) == 0xFF;
}

QByteArray TJPEGImage::Encode(const QImage &Image) const
{
    QByteArray out;
    QBuffer buf(&out);
    buf.open(QIODevice::WriteOnly);
    QImageWriter w(&buf, "JPEG");
    w.setQuality(FCompressionQuality);
    const QImage src = FGrayscale ? Image.convertToFormat(QImage::Format_Grayscale8) : OpaqueImage(Image);
    if (!w.write(src))
        throw EInvalidGraphic(QStringLiteral("JPEG image is not valid"));
    return out;
}

QImage TJPEGImage::Decoded(const QImage &Image) const
{
    if (!FGrayscale || Image.isNull())
        return Image;
    return Image.convertToFormat(QImage::Format_Grayscale8).convertToFormat(QImage::Format_RGB32);
}

void TJPEGImage::SetGrayscale(bool Value)
{
    if (FGrayscale != Value) {
        FGrayscale = Value;
        // Drawing shows the grey version; the stored bytes stay as they are.
        FDecoded = false;
        Changed();
    }
}

bool TPngImage::IsOwnFormat(const QByteArray &Bytes) const
{
    return Bytes.startsWith(QByteArray("\x89PNG\r\n\x1a\n", 8));
}

bool TIcon::IsOwnFormat(const QByteArray &Bytes) const
{
    return Bytes.size() >= 6 && Bytes[0] == 0 && Bytes[1] == 0 && Bytes[2] == 1 && Bytes[3] == 0;
}

std::unique_ptr<TGraphic> GraphicForContent(const QByteArray &Bytes)
{
    if (Bytes.startsWith("BM"))
        return std::make_unique<TBitmap>();
    if (Bytes.startsWith(QByteArray("\x89PNG\r\n\x1a\n", 8)))
        return std::make_unique<TPngImage>();
    if (Bytes.size() >= 3 && quint8(Bytes[0]) == 0xFF && quint8(Bytes[1]) == 0xD8 && quint8(Bytes[2]) == 0xFF)
        return std::make_unique<TJPEGImage>();
    if (Bytes.size() >= 6 && Bytes[0] == 0 && Bytes[1] == 0 && Bytes[2] == 1 && Bytes[3] == 0)
        return std::make_unique<TIcon>();
    if (IsMetafileContent(Bytes))
        return std::make_unique<TMetafile>();
    return nullptr;
}

// ------------------------------------------------------------------ TMetafile

struct TMetafile::TRecording {
    QPicture Picture;
};

namespace {

// Reads through the array's own pointer only: an empty array's shared one-byte
// placeholder is never read past, which the optimiser otherwise cannot rule out.
qint32 Le32(const QByteArray &B, int Offset)
{
    const char *P = const_cast<QByteArray &>(B).data_ptr().data();
    if (!P || Offset < 0 || Offset > B.size() - 4)
        return 0;
    return qFromLittleEndian<qint32>(P + Offset);
}

qint16 Le16(const QByteArray &B, int Offset)
{
    const char *P = const_cast<QByteArray &>(B).data_ptr().data();
    if (!P || Offset < 0 || Offset > B.size() - 2)
        return 0;
    return qFromLittleEndian<qint16>(P + Offset);
}

bool IsEmf(const QByteArray &B)
{
    return B.size() >= 88 && Le32(B, 0) == 1 && Le32(B, 40) == 0x464D4520;
}

bool IsPlaceableWmf(const QByteArray &B)
{
    return B.size() >= 22 && quint32(Le32(B, 0)) == 0x9AC6CDD7u;
}

bool IsPlainWmf(const QByteArray &B)
{
    return B.size() >= 18 && (Le16(B, 0) == 1 || Le16(B, 0) == 2) && Le16(B, 2) == 9;
}

} // namespace

bool IsMetafileContent(const QByteArray &Bytes)
{
    return IsEmf(Bytes) || IsPlaceableWmf(Bytes) || IsPlainWmf(Bytes);
}

TMetafile::TMetafile() = default;
TMetafile::~TMetafile() = default;

bool TMetafile::Empty() const
{
    return !FRecording && FFileBytes.isEmpty();
}

void TMetafile::SetWidth(int Value)
{
    if (FWidth != Value) {
        FWidth = std::max(0, Value);
        Changed();
    }
}

void TMetafile::SetHeight(int Value)
{
    if (FHeight != Value) {
        FHeight = std::max(0, Value);
        Changed();
    }
}

void TMetafile::Assign(TPersistent *Source)
{
    if (!Source) {
        FRecording.reset();
        FFileBytes.clear();
        FWidth = FHeight = 0;
        Changed();
        return;
    }
    if (auto *m = dynamic_cast<TMetafile *>(Source)) {
        if (m == this)
            return;
        FRecording = m->FRecording ? std::make_unique<TRecording>(*m->FRecording) : nullptr;
        FFileBytes = m->FFileBytes;
        FWidth = m->FWidth;
        FHeight = m->FHeight;
        FEnhanced = m->FEnhanced;
        Changed();
        return;
    }
    TGraphic::Assign(Source);
}

namespace {

// A side of the header's frame in pixels: the frame's corners are any
// 32-bit numbers, the picture's size stays one a canvas can take.
int MetafileSide(qint64 From, qint64 To, double PixelsPerUnit)
{
    constexpr double Most = 32767;
    return int(std::lround(std::min(std::abs(double(To - From)) * PixelsPerUnit, Most)));
}

} // namespace

void TMetafile::LoadFromBytes(const QByteArray &Bytes)
{
    int w = 0, h = 0;
    bool enhanced = true;
    if (IsEmf(Bytes)) {
        // The frame, in hundredths of a millimetre, at 96 pixels per inch.
        w = MetafileSide(Le32(Bytes, 24), Le32(Bytes, 32), 96.0 / 2540.0);
        h = MetafileSide(Le32(Bytes, 28), Le32(Bytes, 36), 96.0 / 2540.0);
    } else if (IsPlaceableWmf(Bytes)) {
        const int inch = quint16(Le16(Bytes, 14));
        if (inch > 0) {
            w = MetafileSide(Le16(Bytes, 6), Le16(Bytes, 10), 96.0 / inch);
            h = MetafileSide(Le16(Bytes, 8), Le16(Bytes, 12), 96.0 / inch);
        }
        enhanced = false;
    } else if (IsPlainWmf(Bytes)) {
        enhanced = false;
    } else {
        throw EInvalidGraphic(QStringLiteral("Metafile is not valid"));
    }
    FRecording.reset();
    FFileBytes = Bytes;
    FWidth = w;
    FHeight = h;
    FEnhanced = enhanced;
    Changed();
}

QByteArray TMetafile::SaveToBytes()
{
    if (!FFileBytes.isEmpty())
        return FFileBytes;
    if (FRecording)
        throw EInvalidGraphicOperation(QStringLiteral("Cannot save a recorded metafile in a metafile format"));
    return QByteArray();
}

QImage TMetafile::ToImage() const
{
    if (!FRecording || FWidth <= 0 || FHeight <= 0)
        return QImage();
    QImage img(FWidth, FHeight, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    FRecording->Picture.play(&p);
    return img;
}

void TMetafile::Draw(TCanvas *ACanvas, const TRect &R)
{
    if (!FRecording || !ACanvas)
        return;
    QPainter *p = ACanvas->Handle();
    if (!p)
        return;
    const QRect bounds = FRecording->Picture.boundingRect();
    const int w = FWidth > 0 ? FWidth : bounds.right() + 1;
    const int h = FHeight > 0 ? FHeight : bounds.bottom() + 1;
    if (w <= 0 || h <= 0)
        return;
    p->save();
    p->setClipRect(R.ToQRect(), Qt::IntersectClip);
    p->translate(R.Left, R.Top);
    p->scale(double(R.Width()) / w, double(R.Height()) / h);
    FRecording->Picture.play(p);
    p->restore();
}

TMetafileCanvas::TMetafileCanvas(TMetafile *AMetafile, int)
    : FMetafile(AMetafile), FRecording(std::make_unique<TMetafile::TRecording>())
{
    SetDevice(&FRecording->Picture);
}

TMetafileCanvas::~TMetafileCanvas()
{
    // The recording is complete once the painter ends.
    EndPaint();
    if (!FMetafile)
        return;
    const QRect bounds = FRecording->Picture.boundingRect();
    if (FMetafile->FWidth <= 0)
        FMetafile->FWidth = std::max(0, bounds.right() + 1);
    if (FMetafile->FHeight <= 0)
        FMetafile->FHeight = std::max(0, bounds.bottom() + 1);
    FMetafile->FFileBytes.clear();
    FMetafile->FRecording = std::move(FRecording);
    FMetafile->Changed();
}

// ------------------------------------------------------------------ TPicture

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Changed()
{
    if (FOnChange)
        FOnChange(this);
}

void TPicture::GraphicChanged(TObject *)
{
    Changed();
}

void TPicture::Take(std::unique_ptr<TGraphic> G)
{
    FGraphic = std::move(G);
    // Drawing on the graphic (a bitmap's canvas) changes the picture too.
    if (FGraphic)
        FGraphic->SetOnChange(TNotifyEvent(this, &TPicture::GraphicChanged));
    Changed();
}

void TPicture::SetGraphic(TGraphic *Value)
{
    if (!Value) {
        Take(nullptr);
        return;
    }
    if (Value == FGraphic.get())
        return;
    std::unique_ptr<TGraphic> copy = Value->NewOfSameClass();
    copy->Assign(Value);
    Take(std::move(copy));
}

TBitmap *TPicture::Bitmap()
{
    if (auto *b = dynamic_cast<TBitmap *>(FGraphic.get()))
        return b;
    Take(std::make_unique<TBitmap>());
    return static_cast<TBitmap *>(FGraphic.get());
}

void TPicture::Assign(TPersistent *Source)
{
    if (!Source) {
        SetGraphic(nullptr);
        return;
    }
    if (auto *p = dynamic_cast<TPicture *>(Source)) {
        SetGraphic(p->Graphic());
        return;
    }
    if (auto *g = dynamic_cast<TGraphic *>(Source)) {
        SetGraphic(g);
        return;
    }
    TPersistent::Assign(Source);
}

void TPicture::LoadFromStream(TStream *Stream)
{
    const QByteArray bytes = ReadRest(Stream);
    std::unique_ptr<TGraphic> g = GraphicForContent(bytes);
    if (!g)
        throw EInvalidGraphic(QStringLiteral("Unknown picture format"));
    g->LoadFromBytes(bytes);
    Take(std::move(g));
}

void TPicture::LoadFromFile(const QString &FileName)
{
    TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
    const QByteArray bytes = ReadRest(&stream);
    std::unique_ptr<TGraphic> g = GraphicForContent(bytes);
    if (!g)
        throw EInvalidGraphic(QStringLiteral("Unknown picture format in %1").arg(FileName));
    g->LoadFromBytes(bytes);
    Take(std::move(g));
}

void TPicture::SaveToFile(const QString &FileName)
{
    if (FGraphic)
        FGraphic->SaveToFile(FileName);
}

void TPicture::SaveToStream(TStream *Stream)
{
    if (FGraphic)
        FGraphic->SaveToStream(Stream);
}

void TPicture::DefineProperties(TFiler *Filer)
{
    Filer->DefineBinaryProperty(
        QStringLiteral("Data"), [this](TStream *Stream) { ReadData(Stream); },
        [this](TStream *Stream) { WriteData(Stream); }, FGraphic && !FGraphic->Empty());
}

namespace {

bool HasLengthPrefix(const QByteArray &ClassName)
{
    return ClassName.compare("TBitmap", Qt::CaseInsensitive) == 0
           || ClassName.compare("TJPEGImage", Qt::CaseInsensitive) == 0;
}

} // namespace

void TPicture::WriteData(TStream *Stream)
{
    const QByteArray name = FGraphic ? FGraphic->ClassName().toLatin1().left(255) : QByteArray();
    const quint8 length = quint8(name.size());
    Stream->WriteBuffer(&length, 1);
    Stream->WriteBuffer(name.constData(), name.size());
    if (!FGraphic)
        return;
    const QByteArray bytes = FGraphic->SaveToBytes();
    if (HasLengthPrefix(name)) {
        const quint32 size = qToLittleEndian(quint32(bytes.size()));
        Stream->WriteBuffer(&size, 4);
    }
    if (!bytes.isEmpty())
        Stream->WriteBuffer(bytes.constData(), bytes.size());
}

void TPicture::ReadData(TStream *Stream)
{
    quint8 length = 0;
    Stream->ReadBuffer(&length, 1);
    QByteArray name(length, '\0');
    if (length)
        Stream->ReadBuffer(name.data(), length);
    if (name.isEmpty()) {
        SetGraphic(nullptr);
        return;
    }
    QByteArray bytes = ReadRest(Stream);
    // The length before the bytes of some classes is taken only when it fits.
    if (bytes.size() >= 4 && qFromLittleEndian<quint32>(bytes.constData()) == quint32(bytes.size() - 4)
        && (HasLengthPrefix(name) || !GraphicForContent(bytes)))
        bytes.remove(0, 4);
    // The bytes say what they are; the class name of another system's
    // graphic (a PNG class by another name) needs no registry here.
    std::unique_ptr<TGraphic> g = GraphicForContent(bytes);
    if (!g)
        throw EInvalidGraphic(QStringLiteral("Unknown picture format of %1").arg(QString::fromLatin1(name)));
    g->LoadFromBytes(bytes);
    Take(std::move(g));
}

// ------------------------------------------------------------------ published

STATION_PUBLISHED(TGraphic)
{
}

STATION_PUBLISHED(TBitmap)
{
}

STATION_PUBLISHED(TEncodedGraphic)
{
}

STATION_PUBLISHED(TJPEGImage)
{
}

STATION_PUBLISHED(TPngImage)
{
}

STATION_PUBLISHED(TIcon)
{
}

STATION_PUBLISHED(TPicture)
{
}

STATION_PUBLISHED(TMetafile)
{
}

STATION_PUBLISHED(TMetafileCanvas)
{
}
