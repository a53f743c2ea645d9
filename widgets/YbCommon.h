// Shared types of the owner-drawn control suite, the colour arithmetic every
// control derives its shades with (hue, saturation and luminance on a 0..240
// scale), two facts about the display read once at start, and the drawing
// primitives: edges, styled and shaded borders, focus dots, trimmed boxes and
// two-colour gradients. Every border routine paints inside the rectangle it
// is given and returns what remains inside the border.
#pragma once
#include "Colors.h"
#include "Component.h"
#include "Controls.h"
#include "Graphics.h"
#include "TypInfo.h"
#include "Types.h"

#include <QImage>
#include <QtGlobal>
#include <memory>
#include <vector>

using Byte = quint8;

STATION_DECLARE_ENUM(TAlignmentVertical, avTop, avCenter, avBottom)
STATION_DECLARE_ENUM(TTextStyle, tsNormal, tsRaised, tsRecessed, tsShadow)
STATION_DECLARE_ENUM(TOrientation, orHorizontal, orVertical)
STATION_DECLARE_ENUM(TBarStyle, bsTraditional, bsLED, bsGradient)
STATION_DECLARE_ENUM(TFrameStyleEx, fsNone, fsFlat, fsGroove, fsBump, fsLowered, fsButtonDown, fsRaised,
                     fsButtonUp, fsStatus, fsPopup, fsFlatBold, fsFlatRounded)
// The first eleven values of TFrameStyleEx (fsNone .. fsFlatBold); published
// properties of this type carry TypeInfoFrameStyle().
using TFrameStyle = TFrameStyleEx;
PTypeInfo TypeInfoFrameStyle();
STATION_DECLARE_ENUM(TFramingPreference, fpCustomFraming, fpXPThemes)
STATION_DECLARE_ENUM(TGradientDirection, gdDiagonalUp, gdDiagonalDown, gdHorizontalEnd, gdHorizontalCenter,
                     gdHorizontalBox, gdVerticalEnd, gdVerticalCenter, gdVerticalBox, gdSquareBox, gdBigSquareBox)
STATION_DECLARE_ENUM(TSide, sdLeft, sdTop, sdRight, sdBottom)
STATION_DECLARE_SET(TSides, TSide)
STATION_DECLARE_ENUM(TYbHotTrackColorType, htctComplement, htctActual)
STATION_DECLARE_ENUM(TYbAboutInfo, aiYbComponents)
STATION_DECLARE_ENUM(TYbButtonHotTrackStyle, htsInterior, htsFrame)

constexpr TSides AllSides = TSides{sdLeft, sdTop, sdRight, sdBottom};

// --- Colour arithmetic -------------------------------------------------------

// Hue, saturation and luminance of a colour (system colours resolved), 0..240.
void SplitColorHls(TColor Color, Byte &Hue, Byte &Saturation, Byte &Luminance);
Byte HueOfColor(TColor Color);
// RGB colour of a hue/saturation/luminance triple; luminance above 240 gives
// channels clipped at 255.
TColor ColorFromHls(Byte Hue, Byte Saturation, Byte Luminance);
TColor ShadeDown(TColor Color, Byte Amount);
TColor ShadeUp(TColor Color, Byte Amount);
// Negative: darker by the magnitude (taken as a byte); 0: Color unchanged; positive: lighter.
TColor ShadeBy(TColor Color, int Amount);
// Weight 255 gives A, 0 gives B.
TColor MixColors(TColor A, TColor B, Byte Weight);
// Hues less than 20 and luminances less than 60 apart.
bool ColorsLookAlike(TColor A, TColor B);
// The hue turned by 120 of 240 steps, full saturation, the given luminance.
TColor OppositeHue(TColor Color, Byte Luminance);

// --- Facts about the system --------------------------------------------------

// 0: the default (blue) scheme or none, 1: "HOMESTEAD", 2: "METALLIC", read
// from the registry value ThemeManager\ColorName.
Byte QueryXpColorScheme();
// More than 256 colours on the screen.
bool DisplayBeyond256Colors();
// Whether a system of the given platform (1: the 95 family, 2: the NT
// family) and version offers the feature 0..8.
bool OsFeatureAvailable(int Feature, int Platform, int Major, int Minor);
// The same for the running system, which reports itself as the NT family 6.1.
bool OsFeatureAvailable(int Feature);
// Visual styles of the desktop: on while the application runs with a Qt
// style other than the classic "windows" one.
bool ThemeServicesEnabled();

// Filled by InitializeYbCommon the first time it runs; read by the painting
// code. A theme or display change after that is not seen.
extern Byte XpColorScheme;
extern bool HighColorDisplay;
// Counts its callers; only the first one reads the system.
void InitializeYbCommon();

// --- Borders -----------------------------------------------------------------

TRect PaintEdges(TCanvas *Canvas, const TRect &R, TColor LeftTop, TSides Sides, TColor RightBottom);
TRect PaintEdgesRepeated(TCanvas *Canvas, const TRect &R, TColor LeftTop, TSides Sides, int Count,
                         TColor RightBottom);
TRect PaintStyledEdges(TCanvas *Canvas, const TRect &R, TFrameStyle Style, TSides Sides = AllSides);
TRect PaintShadedEdges(TCanvas *Canvas, const TRect &R, TColor Base, TSides Sides = AllSides, bool Flat = false);
TRect PaintFrameByStyle(TCanvas *Canvas, const TRect &R, TFrameStyleEx Style, TSides Sides, TColor Base);
inline TRect PaintFrameByStyle(TCanvas *Canvas, const TRect &R, TFrameStyleEx Style, TColor Base)
{
    return PaintFrameByStyle(Canvas, R, Style, AllSides, Base);
}
TRect PaintDottedFocus(TCanvas *Canvas, const TRect &R);
TRect PaintTrimmedBox(TCanvas *Canvas, const TRect &R, TColor Color, TSides Sides = AllSides);

// --- Graphics ----------------------------------------------------------------

void PaintGradient(TCanvas *Canvas, const TRect &R, TGradientDirection Direction, Byte BandCoarseness,
                   TColor A, TColor B);
void PaintGradientFrame(TCanvas *Canvas, const TRect &R, TGradientDirection Direction, TColor A, TColor B);
void StretchDrawTransparent(TCanvas *Dest, TBitmap *Source, const TRect &DestRect, TColor TransparentColor,
                            const TRect &SourceRect);
void FlipBitmapVertical(TBitmap *Bitmap);
// The block of PaintedWidth x PaintedHeight at (X, Y) copied beside and below
// itself until it covers TotalWidth x TotalHeight; Rop is cmSrcCopy,
// cmSrcAnd, cmSrcPaint or cmSrcInvert.
void FillByDoubling(QImage &Image, int X, int Y, TCopyMode Rop, int PaintedHeight, int PaintedWidth,
                    int TotalHeight, int TotalWidth);
// The top-left quarter mirrored down, then the left half mirrored right.
void MirrorHalves(QImage &Image, int X, int Y, TCopyMode Rop, int Height, int Width);
// What the parent shows behind the control, drawn on Canvas at the control's
// client origin.
void PaintParentBackground(TControl *Control, TCanvas *Canvas, bool InvalidateParent);

// The round glyph of a hot-tracked radio button in a 13 x 13 cell at R.
// State: 0 normal, 1 pressed, 2 mouse over, 3 disabled. What lies outside
// the circle is painted in TransparentColor.
void PaintRadioGlyphPixels(TCanvas *Canvas, const TRect &R, bool Checked, int State, bool Focused,
                           TYbButtonHotTrackStyle HotTrackStyle, TColor FrameColor, TColor HighlightColor,
                           TColor FillColor, TColor FocusColor, TColor DisabledColor, TColor HotColorA,
                           TColor HotColorB, TColor Color, bool Transparent, TColor TransparentColor,
                           bool ReadOnly, bool ReadOnlyColorOnFocus, TColor ReadOnlyColor);

// --- Frame controller and settings component ---------------------------------

STATION_DECLARE_ENUM(TYbFrameControllerProperty, fcpColor, fcpFocusColor, fcpDisabledColor, fcpReadOnlyColor,
                     fcpReadOnlyColorOnFocus, fcpParentColor, fcpFlatButtonColor, fcpFlatButtons, fcpFrameColor,
                     fcpFrameHotColor, fcpFrameHotTrack, fcpFrameHotStyle, fcpFrameSides, fcpFrameStyle,
                     fcpFrameVisible, fcpFramingPreference, fcpAll)
STATION_DECLARE_SET(TYbFrameControllerNotifications, TYbFrameControllerProperty)
// Every setting (fcpColor .. fcpFramingPreference).
constexpr TYbFrameControllerNotifications AllFrameControllerNotifications =
    TYbFrameControllerNotifications::FromInt(0xFFFF);

STATION_DECLARE_ENUM(TYbIniFileEncoding, feDefault, feAnsi, feUnicode, feUTF8)
STATION_DECLARE_ENUM(TYbPathType, ptIniFile, ptRegistry)
STATION_DECLARE_ENUM(TYbRegKey, hkeyClassesRoot, hkeyCurrentUser, hkeyLocalMachine, hkeyUsers, hkeyCurrentConfig)
STATION_DECLARE_ENUM(TYbSpecialFolder, sfNone, sfAppData, sfLocalAppData, sfCommonAppData, sfPersonal)
using TYbRegAccess = int;

class TYbFrameController;

// A control of the suite that takes a controller's settings through its own
// operation (reading its own FrameControllerNotifications) rather than
// through published properties of the same names.
class IYbFrameControllerClient
{
public:
    virtual ~IYbFrameControllerClient() = default;
    // Prop: one setting, or fcpAll.
    virtual void ApplyFrameControllerSettings(TYbFrameController *Controller, TYbFrameControllerProperty Prop) = 0;
};

// Where settings are kept: an INI file or a registry key.
class TYbRegIniFile : public TComponent
{
    STATION_CLASS(TYbRegIniFile, TComponent)
public:
    explicit TYbRegIniFile(TComponent *AOwner);

    TYbAboutInfo About() const { return aiYbComponents; }
    void SetAbout(TYbAboutInfo) {}
    TYbIniFileEncoding FileEncoding() const { return FFileEncoding; }
    void SetFileEncoding(TYbIniFileEncoding Value);
    QString Path() const { return FPath; }
    void SetPath(const QString &Value);
    TYbPathType PathType() const { return FPathType; }
    void SetPathType(TYbPathType Value);
    TYbRegKey RegKey() const { return FRegKey; }
    void SetRegKey(TYbRegKey Value);
    TYbRegAccess RegAccess() const { return FRegAccess; }
    void SetRegAccess(TYbRegAccess Value);
    TYbSpecialFolder SpecialFolder() const { return FSpecialFolder; }
    void SetSpecialFolder(TYbSpecialFolder Value);
    // A setting changed since the storage was last opened.
    bool Changed() const { return FChanged; }

private:
    void MarkChanged() { FChanged = true; }
    TYbIniFileEncoding FFileEncoding = feDefault;
    QString FPath;
    TYbPathType FPathType = ptIniFile;
    TYbRegKey FRegKey = hkeyCurrentUser;
    TYbRegAccess FRegAccess = 512;
    TYbSpecialFolder FSpecialFolder = sfNone;
    bool FChanged = false;
};

// One set of frame and colour settings pushed into every connected control,
// by published property name.
class TYbFrameController : public TComponent
{
    STATION_CLASS(TYbFrameController, TComponent)
public:
    explicit TYbFrameController(TComponent *AOwner);
    ~TYbFrameController() override;
    void Assign(TPersistent *Source) override;

    TYbAboutInfo About() const { return aiYbComponents; }
    void SetAbout(TYbAboutInfo) {}
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TColor DisabledColor() const { return FDisabledColor; }
    void SetDisabledColor(TColor Value);
    TColor ReadOnlyColor() const { return FReadOnlyColor; }
    void SetReadOnlyColor(TColor Value);
    bool ReadOnlyColorOnFocus() const { return FReadOnlyColorOnFocus; }
    void SetReadOnlyColorOnFocus(bool Value);
    TColor FlatButtonColor() const { return FFlatButtonColor; }
    void SetFlatButtonColor(TColor Value);
    bool FlatButtons() const { return FFlatButtons; }
    void SetFlatButtons(bool Value);
    TColor FocusColor() const { return FFocusColor; }
    void SetFocusColor(TColor Value);
    TColor FrameColor() const { return FFrameColor; }
    void SetFrameColor(TColor Value);
    TColor FrameHotColor() const { return FFrameHotColor; }
    void SetFrameHotColor(TColor Value);
    TFrameStyle FrameHotStyle() const { return FFrameHotStyle; }
    void SetFrameHotStyle(TFrameStyle Value);
    bool FrameHotTrack() const { return FFrameHotTrack; }
    void SetFrameHotTrack(bool Value);
    TSides FrameSides() const { return FFrameSides; }
    void SetFrameSides(TSides Value);
    TFrameStyle FrameStyle() const { return FFrameStyle; }
    void SetFrameStyle(TFrameStyle Value);
    bool FrameVisible() const { return FFrameVisible; }
    void SetFrameVisible(bool Value);
    TFramingPreference FramingPreference() const { return FFramingPreference; }
    void SetFramingPreference(TFramingPreference Value);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool Value);
    TYbRegIniFile *RegIniFile() const { return FRegIniFile; }
    void SetRegIniFile(TYbRegIniFile *Value);
    bool IsColorStored() const { return !FParentColor; }

    // Joining twice is ignored; a new control receives every setting at once.
    void Connect(TControl *Control);
    void Disconnect(TControl *Control);
    int ControlCount() const { return FControls ? int(FControls->size()) : 0; }
    bool Connected(TControl *Control) const;
    void BeginUpdate() { ++FUpdateCount; }
    // Falling back below 1 pushes every setting into every control.
    void EndUpdate();
    bool Updating() const { return FUpdateCount > 0; }
    // Pushes one setting (or fcpAll) into every connected control.
    virtual void UpdateControls(TYbFrameControllerProperty Prop);
    // Pushes one setting (or fcpAll) into one control.
    void UpdateControl(TControl *Control, TYbFrameControllerProperty Prop);

    void Loaded() override;
    void DefineProperties(TFiler *Filer) override;

protected:
    void Notification(TComponent *AComponent, TOperation Operation) override;

private:
    std::unique_ptr<std::vector<TControl *>> FControls;
    int FUpdateCount = 0;
    TColor FColor = clWindow;
    TColor FDisabledColor = clBtnFace;
    TColor FReadOnlyColor = clInfoBk;
    bool FReadOnlyColorOnFocus = false;
    TColor FFlatButtonColor = clBtnFace;
    bool FFlatButtons = true;
    TColor FFocusColor = clWindow;
    TColor FFrameColor = clBtnShadow;
    TColor FFrameHotColor = clBtnShadow;
    TFrameStyle FFrameHotStyle = fsFlatBold;
    bool FFrameHotTrack = false;
    TSides FFrameSides = AllSides;
    TFrameStyle FFrameStyle = fsFlat;
    bool FFrameVisible = false;
    TFramingPreference FFramingPreference = fpXPThemes;
    bool FParentColor = false;
    TYbRegIniFile *FRegIniFile = nullptr;
};
