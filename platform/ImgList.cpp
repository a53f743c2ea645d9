// Implementation of image lists.
#include "ImgList.h"

#include <QPainter>

TCustomImageList::TCustomImageList(TComponent *AOwner) : TComponent(AOwner) {}

TCustomImageList::TCustomImageList(int AWidth, int AHeight) : TComponent(nullptr)
{
    FWidth = std::max(1, AWidth);
    FHeight = std::max(1, AHeight);
}

void TCustomImageList::Changed()
{
    if (FOnChange)
        FOnChange(this);
}

void TCustomImageList::SetWidth(int Value)
{
    Value = std::max(1, Value);
    if (Value != FWidth) {
        FWidth = Value;
        Clear();
    }
}

void TCustomImageList::SetHeight(int Value)
{
    Value = std::max(1, Value);
    if (Value != FHeight) {
        FHeight = Value;
        Clear();
    }
}

void TCustomImageList::CheckIndex(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw EInvalidOperation(QStringLiteral("Invalid ImageList Index"));
}

// One Width x Height cell of Image (column Col), transparent where the mask
// says so. Parts outside the source stay transparent.
QImage TCustomImageList::Cell(const QImage &Image, const QImage &Mask, TColor MaskColor, bool UseColor,
                              int Col) const
{
    QImage cell(FWidth, FHeight, QImage::Format_ARGB32);
    cell.fill(Qt::transparent);
    const QRgb key = ColorToQColor(MaskColor).rgb() & 0xFFFFFF;
    const int x0 = Col * FWidth;
    for (int y = 0; y < FHeight && y < Image.height(); ++y) {
        for (int x = 0; x < FWidth && x0 + x < Image.width(); ++x) {
            const QRgb px = Image.pixel(x0 + x, y);
            bool clear = false;
            if (FMasked && UseColor)
                clear = (px & 0xFFFFFF) == key;
            else if (FMasked && !Mask.isNull() && x0 + x < Mask.width() && y < Mask.height())
                clear = qGray(Mask.pixel(x0 + x, y)) > 127;
            if (!clear)
                cell.setPixel(x, y, px | 0xFF000000);
        }
    }
    return cell;
}

int TCustomImageList::AddImages(const QImage &Image, const QImage &Mask, TColor MaskColor, bool UseColor)
{
    if (Image.isNull())
        return -1;
    const int n = std::max(1, Image.width() / FWidth);
    const int first = Count();
    for (int i = 0; i < n; ++i)
        FImages.push_back(Cell(Image, Mask, MaskColor, UseColor, i));
    Changed();
    return first;
}

int TCustomImageList::Add(TBitmap *Image, TBitmap *Mask)
{
    if (!Image || Image->Empty())
        return -1;
    return AddImages(Image->ToImage(), Mask ? Mask->ToImage() : QImage(), clNone, false);
}

int TCustomImageList::AddMasked(TBitmap *Image, TColor MaskColor)
{
    if (!Image || Image->Empty())
        return -1;
    if (MaskColor == clDefault)
        MaskColor = Image->TransparentColor();
    return AddImages(Image->ToImage(), QImage(), MaskColor, true);
}

int TCustomImageList::AddIcon(TIcon *Image)
{
    if (!Image || Image->Empty())
        return -1;
    const QImage src = Image->ToImage().scaled(FWidth, FHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                           .convertToFormat(QImage::Format_ARGB32);
    FImages.push_back(src);
    Changed();
    return Count() - 1;
}

void TCustomImageList::Replace(int Index, TBitmap *Image, TBitmap *Mask)
{
    CheckIndex(Index);
    if (!Image || Image->Empty())
        return;
    FImages[size_t(Index)] = Cell(Image->ToImage(), Mask ? Mask->ToImage() : QImage(), clNone, false, 0);
    Changed();
}

void TCustomImageList::ReplaceMasked(int Index, TBitmap *NewImage, TColor MaskColor)
{
    CheckIndex(Index);
    if (!NewImage || NewImage->Empty())
        return;
    if (MaskColor == clDefault)
        MaskColor = NewImage->TransparentColor();
    FImages[size_t(Index)] = Cell(NewImage->ToImage(), QImage(), MaskColor, true, 0);
    Changed();
}

void TCustomImageList::Delete(int Index)
{
    CheckIndex(Index);
    FImages.erase(FImages.begin() + Index);
    Changed();
}

void TCustomImageList::Clear()
{
    if (FImages.empty())
        return;
    FImages.clear();
    Changed();
}

void TCustomImageList::Move(int CurIndex, int NewIndex)
{
    CheckIndex(CurIndex);
    CheckIndex(NewIndex);
    QImage img = FImages[size_t(CurIndex)];
    FImages.erase(FImages.begin() + CurIndex);
    FImages.insert(FImages.begin() + NewIndex, img);
    Changed();
}

QImage TCustomImageList::GetImage(int Index) const
{
    CheckIndex(Index);
    return FImages[size_t(Index)];
}

void TCustomImageList::Draw(TCanvas *Canvas, int X, int Y, int Index, bool Enabled)
{
    if (!Canvas || Index < 0 || Index >= Count())
        return;
    QImage img = FImages[size_t(Index)];
    if (!Enabled) {
        // Greyed: the image's brightness, lightened, keeping its transparency.
        for (int y = 0; y < img.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x) {
                const int g = 128 + qGray(line[x]) / 2;
                line[x] = qRgba(g, g, g, qAlpha(line[x]));
            }
        }
    }
    const TRect dest = Bounds(X, Y, FWidth, FHeight);
    if (FBkColor != clNone) {
        QImage back(img.size(), QImage::Format_RGB32);
        back.fill(ColorToQColor(FBkColor));
        QPainter p(&back);
        p.drawImage(0, 0, img);
        p.end();
        img = back;
    }
    const TCopyMode saved = Canvas->CopyMode();
    Canvas->SetCopyMode(cmSrcCopy);
    Canvas->DrawImage(dest, img, img.rect());
    Canvas->SetCopyMode(saved);
}

void TCustomImageList::GetBitmap(int Index, TBitmap *Image)
{
    CheckIndex(Index);
    if (!Image)
        return;
    QImage back(FWidth, FHeight, QImage::Format_RGB32);
    back.fill(ColorToQColor(FBkColor == clNone ? clWhite : FBkColor));
    QPainter p(&back);
    p.drawImage(0, 0, FImages[size_t(Index)]);
    p.end();
    Image->SetImage(back);
}

STATION_PUBLISHED(TCustomImageList)
{
    P.Prop("AllocBy", &TCustomImageList::AllocBy, &TCustomImageList::SetAllocBy).Default(4);
    P.Prop("BkColor", &TCustomImageList::BkColor, &TCustomImageList::SetBkColor).Type(TypeInfoTColor()).Default(clNone);
    P.Prop("DrawingStyle", &TCustomImageList::DrawingStyle, &TCustomImageList::SetDrawingStyle).Default(dsNormal);
    P.Prop("Height", &TCustomImageList::Height, &TCustomImageList::SetHeight).Default(16);
    P.Prop("ImageType", &TCustomImageList::ImageType, &TCustomImageList::SetImageType).Default(itImage);
    P.Prop("Masked", &TCustomImageList::Masked, &TCustomImageList::SetMasked).Default(true);
    P.Prop("Width", &TCustomImageList::Width, &TCustomImageList::SetWidth).Default(16);
    P.Prop("OnChange", &TCustomImageList::OnChange, &TCustomImageList::SetOnChange);
}

STATION_PUBLISHED(TImageList)
{
}
