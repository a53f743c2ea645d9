// Image lists: equally sized images kept with their transparency, drawn by
// index on any canvas. Toolbars, tree views and the report engine's button
// glyphs take their pictures from here.
#pragma once
#include "Component.h"
#include "Graphics.h"

#include <QImage>
#include <vector>

STATION_DECLARE_ENUM(TDrawingStyle, dsFocus, dsSelected, dsNormal, dsTransparent)
STATION_DECLARE_ENUM(TImageType, itImage, itMask)

class TCustomImageList : public TComponent
{
    STATION_CLASS(TCustomImageList, TComponent)
public:
    explicit TCustomImageList(TComponent *AOwner);
    // An empty list of the given image size.
    TCustomImageList(int AWidth, int AHeight);

    int Width() const { return FWidth; }
    // A new size empties the list.
    void SetWidth(int Value);
    int Height() const { return FHeight; }
    void SetHeight(int Value);
    int Count() const { return int(FImages.size()); }
    bool Masked() const { return FMasked; }
    void SetMasked(bool Value) { FMasked = Value; }
    // clNone draws transparently; another colour fills behind each image.
    TColor BkColor() const { return FBkColor; }
    void SetBkColor(TColor Value) { FBkColor = Value; }
    int AllocBy() const { return FAllocBy; }
    void SetAllocBy(int Value) { FAllocBy = Value; }
    TDrawingStyle DrawingStyle() const { return FDrawingStyle; }
    void SetDrawingStyle(TDrawingStyle Value) { FDrawingStyle = Value; }
    TImageType ImageType() const { return FImageType; }
    void SetImageType(TImageType Value) { FImageType = Value; }
    TNotifyEvent OnChange() const { return FOnChange; }
    void SetOnChange(TNotifyEvent Value) { FOnChange = Value; }

    // Adds the image (a wider bitmap gives one image per Width pixels); Mask
    // (optional) is white where the image is transparent. Returns the index
    // of the first image added, -1 for none.
    int Add(TBitmap *Image, TBitmap *Mask);
    // Pixels of MaskColor are transparent; clDefault takes the bitmap's
    // transparent colour.
    int AddMasked(TBitmap *Image, TColor MaskColor);
    int AddIcon(TIcon *Image);
    void Replace(int Index, TBitmap *Image, TBitmap *Mask);
    void ReplaceMasked(int Index, TBitmap *NewImage, TColor MaskColor);
    void Delete(int Index);
    void Clear();
    void Move(int CurIndex, int NewIndex);

    // Enabled false draws the image greyed.
    void Draw(TCanvas *Canvas, int X, int Y, int Index, bool Enabled = true);
    // The image over the background colour (white when BkColor is clNone).
    void GetBitmap(int Index, TBitmap *Image);
    // The image with its transparency, as Qt keeps it.
    QImage GetImage(int Index) const;

protected:
    void Changed();

private:
    int AddImages(const QImage &Image, const QImage &Mask, TColor MaskColor, bool UseColor);
    QImage Cell(const QImage &Image, const QImage &Mask, TColor MaskColor, bool UseColor, int Col) const;
    void CheckIndex(int Index) const;

    int FWidth = 16;
    int FHeight = 16;
    bool FMasked = true;
    TColor FBkColor = clNone;
    int FAllocBy = 4;
    TDrawingStyle FDrawingStyle = dsNormal;
    TImageType FImageType = itImage;
    TNotifyEvent FOnChange;
    std::vector<QImage> FImages; // ARGB, transparent where masked
};

class TImageList : public TCustomImageList
{
    STATION_CLASS(TImageList, TCustomImageList)
public:
    explicit TImageList(TComponent *AOwner) : TCustomImageList(AOwner) {}
};
