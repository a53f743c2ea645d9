// Drawing classes of the class library over QPainter and QImage: pens,
// brushes, the canvas, graphics (bitmap, JPEG, PNG, icon) and the picture.
//
// Canvas geometry is the class library's: rectangles exclude their right and
// bottom edge, LineTo leaves out its last pixel, nothing is antialiased unless
// SetAntialiased(true) is asked for. Fonts take their pixel height from
// TFont::Height (96 pixels per inch), whatever the device says.
#pragma once
#include "Classes.h"
#include "Colors.h"
#include "Exceptions.h"
#include "Font.h"
#include "Object.h"
#include "Types.h"

#include <QByteArray>
#include <QFont>
#include <QImage>
#include <QPaintDevice>
#include <QRectF>
#include <QRegion>
#include <QString>
#include <memory>
#include <vector>

class QPainter;
class QPaintDevice;
class TCanvas;
class TBitmap;
class TGraphic;

STATION_EXCEPTION(EInvalidGraphic, Exception)
STATION_EXCEPTION(EInvalidGraphicOperation, Exception)

STATION_DECLARE_ENUM(TPenStyle, psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame)
STATION_DECLARE_ENUM(TPenMode, pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot,
                     pmMaskPenNot, pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask,
                     pmXor, pmNotXor)
STATION_DECLARE_ENUM(TBrushStyle, bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal,
                     bsCross, bsDiagCross)

// Raster operations of Draw/StretchDraw/CopyRect (TCanvas::CopyMode).
using TCopyMode = int;
constexpr TCopyMode cmBlackness = 0x00000042;
constexpr TCopyMode cmDstInvert = 0x00550009;
constexpr TCopyMode cmMergeCopy = 0x00C000CA;
constexpr TCopyMode cmMergePaint = 0x00BB0226;
constexpr TCopyMode cmNotSrcCopy = 0x00330008;
constexpr TCopyMode cmNotSrcErase = 0x001100A6;
constexpr TCopyMode cmPatCopy = 0x00F00021;
constexpr TCopyMode cmPatInvert = 0x005A0049;
constexpr TCopyMode cmPatPaint = 0x00FB0A09;
constexpr TCopyMode cmSrcAnd = 0x008800C6;
constexpr TCopyMode cmSrcCopy = 0x00CC0020;
constexpr TCopyMode cmSrcErase = 0x00440328;
constexpr TCopyMode cmSrcInvert = 0x00660046;
constexpr TCopyMode cmSrcPaint = 0x00EE0086;
constexpr TCopyMode cmWhiteness = 0x00FF0062;

// DrawText format flags.
enum : unsigned {
    DT_TOP = 0x0, DT_LEFT = 0x0, DT_CENTER = 0x1, DT_RIGHT = 0x2, DT_VCENTER = 0x4,
    DT_BOTTOM = 0x8, DT_WORDBREAK = 0x10, DT_SINGLELINE = 0x20, DT_EXPANDTABS = 0x40,
    DT_TABSTOP = 0x80, DT_NOCLIP = 0x100, DT_EXTERNALLEADING = 0x200, DT_CALCRECT = 0x400,
    DT_NOPREFIX = 0x800, DT_INTERNAL = 0x1000, DT_EDITCONTROL = 0x2000,
    DT_PATH_ELLIPSIS = 0x4000, DT_END_ELLIPSIS = 0x8000, DT_MODIFYSTRING = 0x10000,
    DT_RTLREADING = 0x20000, DT_WORD_ELLIPSIS = 0x40000, DT_NOFULLWIDTHCHARBREAK = 0x80000,
    DT_HIDEPREFIX = 0x100000, DT_PREFIXONLY = 0x200000
};
// ExtTextOut options.
enum : unsigned { ETO_OPAQUE = 0x2, ETO_CLIPPED = 0x4, ETO_RTLREADING = 0x80 };
// Stretch modes of StretchDraw / CopyRect.
enum : int { COLORONCOLOR = 3, HALFTONE = 4 };
// TCanvas::GetDeviceCaps indexes.
enum : int {
    HORZRES = 8, VERTRES = 10, BITSPIXEL = 12, PLANES = 14, NUMCOLORS = 24, LOGPIXELSX = 88,
    LOGPIXELSY = 90, PHYSICALWIDTH = 110, PHYSICALHEIGHT = 111, PHYSICALOFFSETX = 112, PHYSICALOFFSETY = 113
};
// The colour GetPixel reports outside the device.
constexpr TColor CLR_INVALID = TColor(0xFFFFFFFFu);

// Base of pens and brushes: a change notifies OnChange.
class TGraphicsObject : public TPersistent
{
    STATION_CLASS(TGraphicsObject, TPersistent)
public:
    TNotifyEvent OnChange() const { return FOnChange; }
    void SetOnChange(const TNotifyEvent &Value) { FOnChange = Value; }
    // Bumped on every change; a canvas compares it to know what to re-apply.
    unsigned Version() const { return FVersion; }

protected:
    void Changed();

private:
    TNotifyEvent FOnChange;
    unsigned FVersion = 0;
};

class TPen : public TGraphicsObject
{
    STATION_CLASS(TPen, TGraphicsObject)
public:
    TPen() = default;
    void Assign(TPersistent *Source) override;

    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    // 1 and less draw one pixel wide.
    int Width() const { return FWidth; }
    void SetWidth(int Value);
    TPenStyle Style() const { return FStyle; }
    void SetStyle(TPenStyle Value);
    TPenMode Mode() const { return FMode; }
    void SetMode(TPenMode Value);

private:
    TColor FColor = clBlack;
    int FWidth = 1;
    TPenStyle FStyle = psSolid;
    TPenMode FMode = pmCopy;
};

class TBrush : public TGraphicsObject
{
    STATION_CLASS(TBrush, TGraphicsObject)
public:
    TBrush() = default;
    void Assign(TPersistent *Source) override;

    TColor Color() const { return FColor; }
    // Setting a colour on a clear brush makes it solid, as the class library does.
    void SetColor(TColor Value);
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle Value);
    // A pattern bitmap (not owned); while set it replaces colour and style.
    TBitmap *Bitmap() const { return FBitmap; }
    void SetBitmap(TBitmap *Value);

private:
    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
    TBitmap *FBitmap = nullptr;
};

// A drawing surface. It draws on one of:
//  - a paint device given to SetDevice (a QImage, a QPrinter, a QPixmap...):
//    the canvas opens its own QPainter on first use and ends it in Release()
//    or when destroyed;
//  - a QPainter someone else opened, between BeginPaint and EndPaint (a
//    widget's paint event); the painter's state is saved and restored around.
// Clipping, brush origin, pen position and text rotation are canvas state and
// survive Release().
class TCanvas : public TPersistent
{
    STATION_CLASS(TCanvas, TPersistent)
public:
    TCanvas();
    explicit TCanvas(QPaintDevice *Device);
    ~TCanvas() override;

    // --- binding
    void SetDevice(QPaintDevice *Device);
    QPaintDevice *Device() const { return FDevice; }
    void BeginPaint(QPainter *Painter);
    void EndPaint();
    // The live painter (opened on demand); nullptr when there is no device.
    QPainter *Handle();
    bool HandleAllocated() const { return FPainter != nullptr; }
    // Ends the canvas's own painter (an adopted one stays with its owner).
    void Release();
    // Called before and after every drawing operation.
    TNotifyEvent OnChange() const { return FOnChange; }
    void SetOnChange(const TNotifyEvent &Value) { FOnChange = Value; }
    TNotifyEvent OnChanging() const { return FOnChanging; }
    void SetOnChanging(const TNotifyEvent &Value) { FOnChanging = Value; }

    // --- drawing tools
    TFont *Font() const { return FFont.get(); }
    void SetFont(TFont *Value);
    TPen *Pen() const { return FPen.get(); }
    void SetPen(TPen *Value);
    TBrush *Brush() const { return FBrush.get(); }
    void SetBrush(TBrush *Value);
    TPoint PenPos() const { return FPenPos; }
    void SetPenPos(const TPoint &Value) { FPenPos = Value; }
    TCopyMode CopyMode() const { return FCopyMode; }
    void SetCopyMode(TCopyMode Value) { FCopyMode = Value; }
    // COLORONCOLOR (nearest pixel, the default) or HALFTONE (smooth).
    int StretchBltMode() const { return FStretchMode; }
    void SetStretchBltMode(int Value) { FStretchMode = Value; }
    bool Antialiased() const { return FAntialiased; }
    void SetAntialiased(bool Value) { FAntialiased = Value; }
    // Text direction in tenths of a degree, counter-clockwise (a font's escapement).
    int TextEscapement() const { return FEscapement; }
    void SetTextEscapement(int Tenths) { FEscapement = Tenths; }

    // --- lines and shapes
    void MoveTo(int X, int Y);
    void LineTo(int X, int Y);
    void Rectangle(int X1, int Y1, int X2, int Y2);
    void Rectangle(const TRect &R) { Rectangle(R.Left, R.Top, R.Right, R.Bottom); }
    void Ellipse(int X1, int Y1, int X2, int Y2);
    void Ellipse(const TRect &R) { Ellipse(R.Left, R.Top, R.Right, R.Bottom); }
    // X3, Y3: width and height of the corner ellipse.
    void RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3);
    void Polygon(const std::vector<TPoint> &Points);
    void Polyline(const std::vector<TPoint> &Points);
    void FillRect(const TRect &R);
    // One-pixel frame in the brush colour.
    void FrameRect(const TRect &R);
    // Dotted frame drawn with exclusive or (drawing it twice removes it).
    void DrawFocusRect(const TRect &R);

    // --- pixels
    TColor Pixels(int X, int Y);
    void SetPixels(int X, int Y, TColor Value);

    // --- text (X, Y is the top-left corner of the text cell)
    void TextOut(int X, int Y, const QString &Text);
    int TextWidth(const QString &Text);
    int TextHeight(const QString &Text);
    TSize TextExtent(const QString &Text);
    // Text at X, Y clipped to R; R is filled with the brush unless it is clear.
    void TextRect(const TRect &R, int X, int Y, const QString &Text);
    // Text with ETO_* options; Dx (optional) gives the advance of each UTF-16
    // unit of Text; R (optional) is the clipping/opaque rectangle.
    void ExtTextOut(int X, int Y, unsigned Options, const TRect *R, const QString &Text,
                    const int *Dx = nullptr);
    // Extents[i] = width of the first i + 1 UTF-16 units of Text.
    void GetTextExtents(const QString &Text, std::vector<int> &Extents);
    // Ascent, descent and internal leading of the font in pixels.
    struct TTextMetric {
        int Height = 0, Ascent = 0, Descent = 0, InternalLeading = 0, ExternalLeading = 0,
            AveCharWidth = 0, MaxCharWidth = 0;
    };
    TTextMetric GetTextMetrics();
    // Formatted text with the DT_* flags ('&' marks an accelerator unless
    // DT_NOPREFIX); returns the text height. DT_CALCRECT only adjusts R.
    int DrawText(const QString &Text, TRect &R, unsigned Format);

    // --- pictures
    void Draw(int X, int Y, TGraphic *Graphic);
    void StretchDraw(const TRect &R, TGraphic *Graphic);
    // Copies Source of Canvas into Dest of this canvas (stretched), CopyMode applies.
    void CopyRect(const TRect &Dest, TCanvas *Canvas, const TRect &Source);
    // The whole image in Dest, CopyMode and StretchBltMode applied.
    void DrawImage(const TRect &Dest, const QImage &Image, const QRect &Source);
    // As DrawImage, pixels of TransparentColor left out.
    void DrawImageTransparent(const TRect &Dest, const QImage &Image, const QRect &Source,
                              TColor TransparentColor);
    // What the canvas shows in R (device coordinates); empty when the device
    // cannot be read back (a printer).
    QImage GrabImage(const TRect &R);

    // --- clipping and origin
    TRect ClipRect();
    void IntersectClipRect(const TRect &R);
    void ExcludeClipRect(const TRect &R);
    // Replace the clipping by R; nullptr removes it.
    void SelectClipRect(const TRect *R);
    void SelectClipRegion(const QRegion *Region);
    // Saves clipping and brush origin; RestoreDC(n) returns to save n
    // (a negative n counts back from the last save).
    int SaveDC();
    bool RestoreDC(int Saved);
    TPoint BrushOrigin() const { return FBrushOrigin; }
    void SetBrushOrigin(const TPoint &Value) { FBrushOrigin = Value; }

    // Facts about the device: LOGPIXELSX/Y are 96 on screens and images and
    // the printer's resolution on a printer; HORZRES/VERTRES the drawable
    // size; PHYSICAL* the paper and its unprintable margin on a printer (the
    // drawable size and 0 elsewhere); NUMCOLORS -1 (more than 256 colours).
    // 0 for other indexes or without a device.
    int GetDeviceCaps(int Index);

    // The QFont the canvas draws its font with.
    QFont CurrentQFont();

protected:
    virtual void Changing();
    virtual void Changed();

private:
    struct TSavedState {
        bool HasClip;
        QRegion Clip;
        TPoint BrushOrigin;
    };

    bool Ready(); // a painter exists
    void ApplyPenBrush(QPainter &P, bool ForPen, bool ForBrush);
    void SetRop(QPainter &P);
    void ResetPainterState();
    void ApplyClip();
    QRect DeviceRect() const;
    void FillArea(const QRect &R, const QBrush &B);
    void DrawTextRun(QPainter &P, int X, int Y, const QString &Text, const int *Dx, bool RightToLeft = false);
    // One-pixel lines through Points (each segment without its end point;
    // the last point is drawn only when Closed), dashes by the pen style.
    void StrokeThinPath(QPainter &P, const std::vector<TPoint> &Points, bool Closed);

    std::unique_ptr<TFont> FFont;
    std::unique_ptr<TPen> FPen;
    std::unique_ptr<TBrush> FBrush;
    QPaintDevice *FDevice = nullptr;
    QPainter *FPainter = nullptr;
    bool FOwnPainter = false;
    TPoint FPenPos;
    TCopyMode FCopyMode = cmSrcCopy;
    int FStretchMode = COLORONCOLOR;
    bool FAntialiased = false;
    int FEscapement = 0;
    bool FHasClip = false;
    QRegion FClip;
    bool FBaseHasClip = false; // the clipping an adopted painter came with
    QRegion FBaseClip;
    TPoint FBrushOrigin;
    std::vector<TSavedState> FSaved;
    TNotifyEvent FOnChange;
    TNotifyEvent FOnChanging;
    // Fonts drawn lately, each with what text drawing asks of it on every
    // call (metrics, the raw font of its glyph runs, character advances);
    // found by the TFont state they were made from.
    struct TFontState;
    TFontState *CurrentFont();
    std::vector<std::shared_ptr<TFontState>> FFonts;
};

// Qt font of a TFont at the fixed 96 pixels per inch: the family as named
// (fontconfig maps Windows names, platform/fonts/fonts.conf), the pixel height
// from Height (negative: character height; positive: the whole cell), no
// kerning, as text widths add up character extents.
QFont FontToQFont(TFont *Font);

// Base of every picture format.
class TGraphic : public TPersistent
{
    STATION_CLASS(TGraphic, TPersistent)
public:
    TGraphic() = default;

    virtual bool Empty() const = 0;
    virtual int Width() const = 0;
    virtual void SetWidth(int Value) = 0;
    virtual int Height() const = 0;
    virtual void SetHeight(int Value) = 0;
    bool Transparent() const { return FTransparent; }
    virtual void SetTransparent(bool Value);
    bool Modified() const { return FModified; }
    void SetModified(bool Value);

    virtual void LoadFromFile(const QString &FileName);
    virtual void SaveToFile(const QString &FileName);
    virtual void LoadFromStream(TStream *Stream);
    virtual void SaveToStream(TStream *Stream);
    // Whole content from/to bytes in the graphic's own format.
    virtual void LoadFromBytes(const QByteArray &Bytes) = 0;
    virtual QByteArray SaveToBytes() = 0;
    // The pixels as a Qt image (a null image when empty).
    virtual QImage ToImage() const = 0;
    // A new, empty graphic of the same class.
    virtual std::unique_ptr<TGraphic> NewOfSameClass() const = 0;
    // Draws the graphic stretched into R.
    virtual void Draw(TCanvas *ACanvas, const TRect &R);

    TNotifyEvent OnChange() const { return FOnChange; }
    void SetOnChange(const TNotifyEvent &Value) { FOnChange = Value; }

protected:
    virtual void Changed();

private:
    bool FTransparent = false;
    bool FModified = false;
    TNotifyEvent FOnChange;
};

STATION_DECLARE_ENUM(TPixelFormat, pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom)
STATION_DECLARE_ENUM(TTransparentMode, tmAuto, tmFixed)

// A bitmap over a QImage. New areas are white. A bitmap loaded from a file
// keeps the file's bytes and writes them back unchanged until it is drawn on.
class TBitmap : public TGraphic
{
    STATION_CLASS(TBitmap, TGraphic)
public:
    TBitmap();
    ~TBitmap() override;
    void Assign(TPersistent *Source) override;

    bool Empty() const override { return FWidth == 0 || FHeight == 0; }
    int Width() const override { return FWidth; }
    void SetWidth(int Value) override { SetSize(Value, FHeight); }
    int Height() const override { return FHeight; }
    void SetHeight(int Value) override { SetSize(FWidth, Value); }
    void SetSize(int AWidth, int AHeight);
    TPixelFormat PixelFormat() const { return FPixelFormat; }
    void SetPixelFormat(TPixelFormat Value);
    bool Monochrome() const { return FPixelFormat == pf1bit; }
    void SetMonochrome(bool Value);
    TCanvas *Canvas();
    // tmAuto: the bottom-left pixel; tmFixed: the colour set.
    TColor TransparentColor();
    void SetTransparentColor(TColor Value);
    TTransparentMode TransparentMode() const { return FTransparentMode; }
    void SetTransparentMode(TTransparentMode Value);

    void LoadFromBytes(const QByteArray &Bytes) override;
    QByteArray SaveToBytes() override;
    QImage ToImage() const override;
    std::unique_ptr<TGraphic> NewOfSameClass() const override { return std::make_unique<TBitmap>(); }
    void Draw(TCanvas *ACanvas, const TRect &R) override;
    // Takes the pixels of a Qt image.
    void SetImage(const QImage &Image);
    // Direct access to the pixels (the canvas's painter is ended first).
    QImage &Image();

protected:
    void Changed() override;

private:
    friend class TBitmapCanvas;
    void CanvasChanging();

    void TakeImage(const QImage &Image);

    // The size is kept apart from the image: a bitmap 3 wide and 0 high has
    // no pixels but remembers its width.
    int FWidth = 0;
    int FHeight = 0;
    QImage FImage;
    std::unique_ptr<TCanvas> FCanvas;
    TPixelFormat FPixelFormat = pfDevice;
    TTransparentMode FTransparentMode = tmAuto;
    TColor FTransparentColor = clDefault;
    QByteArray FEncoded; // bytes loaded, while the pixels are unchanged
};

// A compressed picture that keeps its encoded bytes: it saves them back
// unchanged and decodes them only to draw or measure.
class TEncodedGraphic : public TGraphic
{
    STATION_CLASS(TEncodedGraphic, TGraphic)
public:
    void Assign(TPersistent *Source) override;
    bool Empty() const override { return FData.isEmpty(); }
    int Width() const override;
    void SetWidth(int Value) override;
    int Height() const override;
    void SetHeight(int Value) override;
    void LoadFromBytes(const QByteArray &Bytes) override;
    QByteArray SaveToBytes() override { return FData; }
    QImage ToImage() const override;
    void Draw(TCanvas *ACanvas, const TRect &R) override;
    // Encodes Image in this format (used when a bitmap is assigned).
    void SetImage(const QImage &Image);

protected:
    // Qt's name of the format ("JPEG", "PNG", "ICO") and whether Bytes are one.
    virtual const char *FormatName() const = 0;
    virtual bool IsOwnFormat(const QByteArray &Bytes) const = 0;
    virtual QByteArray Encode(const QImage &Image) const;
    // The decoded pixels as they are to be shown.
    virtual QImage Decoded(const QImage &Image) const { return Image; }
    void Decode() const;

    QByteArray FData;
    mutable QImage FCache;
    mutable bool FDecoded = false;
};

class TJPEGImage : public TEncodedGraphic
{
    STATION_CLASS(TJPEGImage, TEncodedGraphic)
public:
    std::unique_ptr<TGraphic> NewOfSameClass() const override { return std::make_unique<TJPEGImage>(); }
    // 1..100, used when pixels are encoded here.
    int CompressionQuality() const { return FCompressionQuality; }
    void SetCompressionQuality(int Value) { FCompressionQuality = Value; }
    bool Grayscale() const { return FGrayscale; }
    void SetGrayscale(bool Value);

protected:
    const char *FormatName() const override { return "JPEG"; }
    bool IsOwnFormat(const QByteArray &Bytes) const override;
    QByteArray Encode(const QImage &Image) const override;
    QImage Decoded(const QImage &Image) const override;

private:
    int FCompressionQuality = 90;
    bool FGrayscale = false;
};

class TPngImage : public TEncodedGraphic
{
    STATION_CLASS(TPngImage, TEncodedGraphic)
public:
    std::unique_ptr<TGraphic> NewOfSameClass() const override { return std::make_unique<TPngImage>(); }

protected:
    const char *FormatName() const override { return "PNG"; }
    bool IsOwnFormat(const QByteArray &Bytes) const override;
};

class TIcon : public TEncodedGraphic
{
    STATION_CLASS(TIcon, TEncodedGraphic)
public:
    std::unique_ptr<TGraphic> NewOfSameClass() const override { return std::make_unique<TIcon>(); }

protected:
    const char *FormatName() const override { return "ICO"; }
    bool IsOwnFormat(const QByteArray &Bytes) const override;
};

// A vector picture. Drawing on a TMetafileCanvas records into it, and Draw
// plays the recording back scaled into the rectangle. Metafile files (EMF,
// WMF) load and save back byte for byte and report their size, but their
// records cannot be played on this system: drawing one paints nothing.
class TMetafile : public TGraphic
{
    STATION_CLASS(TMetafile, TGraphic)
public:
    TMetafile();
    ~TMetafile() override;
    void Assign(TPersistent *Source) override;

    bool Empty() const override;
    int Width() const override { return FWidth; }
    void SetWidth(int Value) override;
    int Height() const override { return FHeight; }
    void SetHeight(int Value) override;
    // True for a picture read from an EMF file (WMF otherwise).
    bool Enhanced() const { return FEnhanced; }

    void LoadFromBytes(const QByteArray &Bytes) override;
    QByteArray SaveToBytes() override;
    QImage ToImage() const override;
    std::unique_ptr<TGraphic> NewOfSameClass() const override { return std::make_unique<TMetafile>(); }
    void Draw(TCanvas *ACanvas, const TRect &R) override;

private:
    friend class TMetafileCanvas;
    struct TRecording;
    std::unique_ptr<TRecording> FRecording; // what a metafile canvas drew
    QByteArray FFileBytes;                  // a metafile file as loaded
    int FWidth = 0;
    int FHeight = 0;
    bool FEnhanced = true;
};

// A canvas recording into a metafile; the metafile holds the drawing once
// the canvas is destroyed. The reference device is accepted and not used.
class TMetafileCanvas : public TCanvas
{
    STATION_CLASS(TMetafileCanvas, TCanvas)
public:
    TMetafileCanvas(TMetafile *AMetafile, int ReferenceDevice);
    ~TMetafileCanvas() override;

private:
    TMetafile *FMetafile;
    std::unique_ptr<TMetafile::TRecording> FRecording;
};

// True when Bytes are an enhanced (EMF) or Windows (WMF) metafile.
bool IsMetafileContent(const QByteArray &Bytes);

// The format of picture bytes by their first bytes: a new empty graphic of
// that class, or nullptr when the bytes are none of BMP, PNG, JPEG, ICO, EMF, WMF.
std::unique_ptr<TGraphic> GraphicForContent(const QByteArray &Bytes);

// Holds one graphic of any format.
class TPicture : public TPersistent
{
    STATION_CLASS(TPicture, TPersistent)
public:
    TPicture();
    ~TPicture() override;
    void Assign(TPersistent *Source) override;

    TGraphic *Graphic() const { return FGraphic.get(); }
    // Stores a copy of Value (nullptr empties the picture).
    void SetGraphic(TGraphic *Value);
    // The graphic as a bitmap; a picture holding another format (or nothing)
    // is replaced by an empty bitmap, as the class library does.
    TBitmap *Bitmap();
    void SetBitmap(TBitmap *Value) { SetGraphic(Value); }
    int Width() const { return FGraphic ? FGraphic->Width() : 0; }
    int Height() const { return FGraphic ? FGraphic->Height() : 0; }

    // The format is taken from the content, whatever the file name says.
    void LoadFromFile(const QString &FileName);
    void SaveToFile(const QString &FileName);
    void LoadFromStream(TStream *Stream);
    void SaveToStream(TStream *Stream);

    TNotifyEvent OnChange() const { return FOnChange; }
    void SetOnChange(const TNotifyEvent &Value) { FOnChange = Value; }

protected:
    // "Data": the graphic's class name as a short string, then its bytes
    // (bitmaps and JPEG images with a 32-bit length first).
    void DefineProperties(TFiler *Filer) override;

private:
    void ReadData(TStream *Stream);
    void WriteData(TStream *Stream);
    void Take(std::unique_ptr<TGraphic> G);
    void Changed();
    void GraphicChanged(TObject *Sender);

    std::unique_ptr<TGraphic> FGraphic;
    TNotifyEvent FOnChange;
};

// --- TTextRecordDevice -----------------------------------------------------------

// A paint device that draws nothing but keeps every text run a canvas draws
// on it, in order, with the run's rectangle in device coordinates, so that
// drawn text can be searched.
class TTextRecordDevice : public QPaintDevice
{
public:
    struct TRecord {
        QString Text;
        QRectF Rect;
    };
    // Width and Height in pixels at 96 per inch.
    TTextRecordDevice(int Width, int Height);
    ~TTextRecordDevice() override;
    TTextRecordDevice(const TTextRecordDevice &) = delete;
    TTextRecordDevice &operator=(const TTextRecordDevice &) = delete;

    int devType() const override { return DeviceType; }
    QPaintEngine *paintEngine() const override;
    std::vector<TRecord> Records;
    static constexpr int DeviceType = 0x7A51;

protected:
    int metric(PaintDeviceMetric Metric) const override;

private:
    int FWidth, FHeight;
    std::unique_ptr<QPaintEngine> FEngine;
};
