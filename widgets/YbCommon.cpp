// Implementation of shared types of the owner-drawn control suite.
#include "YbCommon.h"

#include "Themes.h"

#include "Registry.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// Rounding to the nearest integer, halves to even.
int RoundEven(double V)
{
    return int(std::nearbyint(V));
}

} // namespace

// --- Colour arithmetic -------------------------------------------------------

void SplitColorHls(TColor Color, Byte &Hue, Byte &Saturation, Byte &Luminance)
{
    const TColor c = ColorToRGB(Color);
    const double r = GetRValue(c) / 255.0, g = GetGValue(c) / 255.0, b = GetBValue(c) / 255.0;
    const double mx = std::max({r, g, b}), mn = std::min({r, g, b});
    const double l = (mx + mn) / 2;
    double h = 0, s = 0;
    if (mx != mn) {
        const double d = mx - mn;
        s = l < 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
        if (r == mx)
            h = (g - b) / d;
        else if (g == mx)
            h = 2 + (b - r) / d;
        else
            h = 4 + (r - g) / d;
        h /= 6;
        if (h < 0)
            h += 1;
    }
    Hue = Byte(RoundEven(240 * h));
    Saturation = Byte(RoundEven(240 * s));
    Luminance = Byte(RoundEven(240 * l));
}

Byte HueOfColor(TColor Color)
{
    Byte h, s, l;
    SplitColorHls(Color, h, s, l);
    return h;
}

TColor ColorFromHls(Byte Hue, Byte Saturation, Byte Luminance)
{
    const double h = Hue / 239.0, s = Saturation / 240.0, l = Luminance / 240.0;
    const double m2 = l < 0.5 ? l * (1 + s) : l + s - l * s;
    if (m2 <= 0)
        return RGB(0, 0, 0);
    const double m1 = 2 * l - m2;
    const double sv = (m2 - m1) / m2;
    const double h6 = 6 * h;
    const int sextant = int(h6);
    const double f = h6 - sextant;
    const double v = m2 * sv * f;
    const double up = m1 + v, down = m2 - v;
    double r, g, b;
    switch (sextant) {
    case 1: r = down; g = m2; b = m1; break;
    case 2: r = m1; g = m2; b = up; break;
    case 3: r = m1; g = down; b = m2; break;
    case 4: r = up; g = m1; b = m2; break;
    case 5: r = m2; g = m1; b = down; break;
    default: r = m2; g = up; b = m1; break;
    }
    auto channel = [](double V) { return RoundEven(255 * std::clamp(V, 0.0, 1.0)); };
    return RGB(channel(r), channel(g), channel(b));
}

TColor ShadeDown(TColor Color, Byte Amount)
{
    Byte h, s, l;
    SplitColorHls(Color, h, s, l);
    return ColorFromHls(h, s, Byte(std::max(int(l) - int(Amount), 0)));
}

TColor ShadeUp(TColor Color, Byte Amount)
{
    Byte h, s, l;
    SplitColorHls(Color, h, s, l);
    return ColorFromHls(h, s, Byte(std::min(int(l) + int(Amount), 255)));
}

TColor ShadeBy(TColor Color, int Amount)
{
    if (Amount < 0)
        return ShadeDown(Color, Byte(-Amount & 0xFF));
    if (Amount == 0)
        return Color;
    return ShadeUp(Color, Byte(Amount & 0xFF));
}

TColor MixColors(TColor A, TColor B, Byte Weight)
{
    const TColor a = ColorToRGB(A), b = ColorToRGB(B);
    const double f = Weight / 255.0;
    auto mix = [f](int X, int Y) { return RoundEven(X * f + Y * (1 - f)); };
    return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)), mix(GetBValue(a), GetBValue(b)));
}

bool ColorsLookAlike(TColor A, TColor B)
{
    Byte h1, s1, l1, h2, s2, l2;
    SplitColorHls(A, h1, s1, l1);
    SplitColorHls(B, h2, s2, l2);
    return std::abs(int(h1) - int(h2)) < 20 && std::abs(int(l1) - int(l2)) < 60;
}

TColor OppositeHue(TColor Color, Byte Luminance)
{
    const int h = HueOfColor(Color);
    return ColorFromHls(Byte(h < 120 ? h + 120 : h - 120), 240, Luminance);
}

// --- Facts about the system --------------------------------------------------

Byte XpColorScheme = 0;
bool HighColorDisplay = true;

Byte QueryXpColorScheme()
{
    // Read-only: looking the value up must not create the key in the store.
    TRegistry reg;
    QString name;
    if (reg.OpenKeyReadOnly(QStringLiteral("\\Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager"))
        && (reg.GetDataType(QStringLiteral("ColorName")) == rdString
            || reg.GetDataType(QStringLiteral("ColorName")) == rdExpandString))
        name = reg.ReadString(QStringLiteral("ColorName")).toUpper();
    if (name == QLatin1String("HOMESTEAD"))
        return 1;
    if (name == QLatin1String("METALLIC"))
        return 2;
    return 0;
}

bool DisplayBeyond256Colors()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return !screen || screen->depth() > 8;
}

bool OsFeatureAvailable(int Feature, int Platform, int Major, int Minor)
{
    const bool any = Platform == 1 || Platform == 2;
    const bool nt = Platform == 2;
    switch (Feature) {
    case 0: return any && Major >= 4;
    case 1: return nt && Major >= 4;
    case 2: return any && Major >= 4 && Minor >= 10;
    case 3: return any && ((Major >= 4 && Minor >= 90) || Major >= 5);
    case 4: return nt && Major >= 5;
    case 5: return nt && ((Major == 5 && Minor >= 1) || Major >= 6);
    case 6: return nt && ((Major >= 5 && Minor >= 2) || Major >= 6);
    case 7: return nt && Major >= 6;
    case 8: return nt && Major >= 6 && Minor >= 1;
    default: return false;
    }
}

bool OsFeatureAvailable(int Feature)
{
    return OsFeatureAvailable(Feature, 2, 6, 1);
}

bool ThemeServicesEnabled()
{
    return ThemeServices()->ThemesEnabled();
}

void InitializeYbCommon()
{
    static int refCount = 0;
    if (refCount++ == 0) {
        HighColorDisplay = DisplayBeyond256Colors();
        XpColorScheme = QueryXpColorScheme();
    }
}

PTypeInfo TypeInfoFrameStyle()
{
    static const TTypeInfo FInfo = TTypeInfo::MakeEnum(
        QStringLiteral("TFrameStyle"),
        "fsNone, fsFlat, fsGroove, fsBump, fsLowered, fsButtonDown, fsRaised, fsButtonUp, fsStatus, fsPopup, "
        "fsFlatBold");
    return &FInfo;
}

// --- Borders -----------------------------------------------------------------

namespace {

void Line(TCanvas *Canvas, TColor Color, int X1, int Y1, int X2, int Y2)
{
    Canvas->Pen()->SetColor(Color);
    Canvas->MoveTo(X1, Y1);
    Canvas->LineTo(X2, Y2);
}

void PaintGrooveBump(TCanvas *Canvas, TRect &R, TColor C1, TColor C2, TSides S)
{
    const bool l = S.Contains(sdLeft), t = S.Contains(sdTop), r = S.Contains(sdRight), b = S.Contains(sdBottom);
    if (r)
        Canvas->SetPixels(R.Right - 1, R.Top, C2);
    else if (t)
        Canvas->SetPixels(R.Right - 1, R.Top, C1);
    if (b)
        Canvas->SetPixels(R.Left, R.Bottom - 1, C2);
    else if (l)
        Canvas->SetPixels(R.Left, R.Bottom - 1, C1);
    if (t && !l)
        Canvas->SetPixels(R.Left, R.Top + 1, C2);
    if (l && !t)
        Canvas->SetPixels(R.Left + 1, R.Top, C2);
    if (b && !r)
        Canvas->SetPixels(R.Right - 1, R.Bottom - 2, C1);
    if (r && !b)
        Canvas->SetPixels(R.Right - 2, R.Bottom - 1, C1);
    TRect inner = R;
    ++inner.Left;
    ++inner.Top;
    PaintEdges(Canvas, inner, C2, S, C2);
    OffsetRect(inner, -1, -1);
    PaintEdges(Canvas, inner, C1, S, C1);
    auto shrink = [&S](TRect &X, int N) {
        if (S.Contains(sdLeft)) X.Left += N;
        if (S.Contains(sdTop)) X.Top += N;
        if (S.Contains(sdRight)) X.Right -= N;
        if (S.Contains(sdBottom)) X.Bottom -= N;
    };
    shrink(R, 2);
}

} // namespace

TRect PaintEdges(TCanvas *Canvas, const TRect &R, TColor LeftTop, TSides Sides, TColor RightBottom)
{
    TPen *pen = Canvas->Pen();
    pen->SetWidth(1);
    pen->SetStyle(psSolid);
    pen->SetMode(pmCopy);
    if (LeftTop != clNone) {
        if (Sides.Contains(sdLeft))
            Line(Canvas, LeftTop, R.Left, R.Top, R.Left, R.Bottom);
        if (Sides.Contains(sdTop))
            Line(Canvas, LeftTop, R.Left, R.Top, R.Right, R.Top);
    }
    if (RightBottom != clNone) {
        if (Sides.Contains(sdRight))
            Line(Canvas, RightBottom, R.Right - 1, R.Top, R.Right - 1, R.Bottom);
        if (Sides.Contains(sdBottom))
            Line(Canvas, RightBottom, R.Left, R.Bottom - 1, R.Right, R.Bottom - 1);
    }
    TRect result = R;
    if (Sides.Contains(sdLeft)) ++result.Left;
    if (Sides.Contains(sdTop)) ++result.Top;
    if (Sides.Contains(sdRight)) --result.Right;
    if (Sides.Contains(sdBottom)) --result.Bottom;
    return result;
}

TRect PaintEdgesRepeated(TCanvas *Canvas, const TRect &R, TColor LeftTop, TSides Sides, int Count,
                         TColor RightBottom)
{
    Canvas->Pen()->SetWidth(1);
    TRect r = R;
    for (int i = 0; i < Count; ++i)
        r = PaintEdges(Canvas, r, LeftTop, Sides, RightBottom);
    return r;
}

TRect PaintStyledEdges(TCanvas *Canvas, const TRect &R, TFrameStyle Style, TSides Sides)
{
    static const TColor kFirst[] = {clWindow, cl3DDkShadow, clBtnShadow, clBtnHighlight, clBtnShadow, clNone,
                                    cl3DDkShadow, clNone, clBtnShadow, clBtnHighlight, clBtnShadow};
    static const TColor kSecond[] = {clWindow, cl3DDkShadow, clBtnHighlight, clBtnShadow, clBtnHighlight, clNone,
                                     clBtnFace, clNone, clBtnHighlight, clBtnShadow, clBtnShadow};
    TRect r = R;
    switch (Style) {
    case fsNone:
        return r;
    case fsFlat:
    case fsStatus:
    case fsPopup:
        return PaintEdges(Canvas, r, kFirst[Style], Sides, kSecond[Style]);
    case fsFlatBold:
        return PaintEdgesRepeated(Canvas, r, kFirst[Style], Sides, 2, kSecond[Style]);
    case fsRaised:
        r = PaintEdgesRepeated(Canvas, r, cl3DLight, Sides, 1, cl3DDkShadow);
        return PaintEdgesRepeated(Canvas, r, clBtnHighlight, Sides, 1, clBtnShadow);
    case fsLowered:
        r = PaintEdgesRepeated(Canvas, r, clBtnShadow, Sides, 1, clBtnHighlight);
        return PaintEdgesRepeated(Canvas, r, cl3DDkShadow, Sides, 1, cl3DLight);
    case fsButtonUp:
        r = PaintEdgesRepeated(Canvas, r, clBtnHighlight, Sides, 1, cl3DDkShadow);
        return PaintEdgesRepeated(Canvas, r, cl3DLight, Sides, 1, clBtnShadow);
    case fsButtonDown:
        r = PaintEdgesRepeated(Canvas, r, clBtnText, Sides, 1, clBtnText);
        return PaintEdgesRepeated(Canvas, r, clBtnShadow, Sides, 1, clBtnShadow);
    case fsGroove:
    case fsBump:
        PaintGrooveBump(Canvas, r, kFirst[Style], kSecond[Style], Sides);
        return r;
    default:
        return r;
    }
}

TRect PaintShadedEdges(TCanvas *Canvas, const TRect &R, TColor Base, TSides Sides, bool Flat)
{
    const TColor down100 = ShadeDown(Base, 100), down50 = ShadeDown(Base, 50);
    TRect r = PaintEdgesRepeated(Canvas, R, Flat ? down100 : ShadeUp(Base, 100), Sides, 1, down100);
    return PaintEdgesRepeated(Canvas, r, Flat ? down50 : ShadeUp(Base, 40), Sides, 1, down50);
}

TRect PaintFrameByStyle(TCanvas *Canvas, const TRect &R, TFrameStyleEx Style, TSides Sides, TColor Base)
{
    TRect r = R;
    switch (Style) {
    case fsNone:
        return r;
    case fsFlat:
        return PaintEdges(Canvas, r, ShadeDown(Base, 50), Sides, ShadeDown(Base, 50));
    case fsStatus:
        return PaintEdges(Canvas, r, ShadeDown(Base, 50), Sides, ShadeUp(Base, 100));
    case fsPopup:
        return PaintEdges(Canvas, r, ShadeUp(Base, 100), Sides, ShadeDown(Base, 50));
    case fsFlatBold:
        return PaintEdgesRepeated(Canvas, r, ShadeDown(Base, 50), Sides, 2, ShadeDown(Base, 50));
    case fsLowered:
        r = PaintEdges(Canvas, r, ShadeDown(Base, 50), Sides, ShadeUp(Base, 100));
        return PaintEdges(Canvas, r, ShadeDown(Base, 100), Sides, ShadeUp(Base, 50));
    case fsRaised:
        r = PaintEdges(Canvas, r, ShadeUp(Base, 50), Sides, ShadeDown(Base, 100));
        return PaintEdges(Canvas, r, ShadeUp(Base, 100), Sides, ShadeDown(Base, 50));
    case fsButtonDown:
        return PaintShadedEdges(Canvas, r, Base, Sides, true);
    case fsButtonUp:
        return PaintShadedEdges(Canvas, r, Base, Sides, false);
    case fsGroove:
        PaintGrooveBump(Canvas, r, ShadeDown(Base, 50), ShadeUp(Base, 100), Sides);
        return r;
    default:
        PaintGrooveBump(Canvas, r, ShadeUp(Base, 100), ShadeDown(Base, 50), Sides);
        return r;
    }
}

TRect PaintDottedFocus(TCanvas *Canvas, const TRect &R)
{
    for (int y = R.Top + 1; y < R.Bottom; y += 2) {
        Canvas->SetPixels(R.Left, y, clBlack);
        Canvas->SetPixels(R.Right - 1, y, clBlack);
    }
    for (int x = R.Left + 1; x < R.Right; x += 2) {
        Canvas->SetPixels(x, R.Top, clBlack);
        Canvas->SetPixels(x, R.Bottom - 1, clBlack);
    }
    TRect r = R;
    InflateRect(r, -1, -1);
    return r;
}

TRect PaintTrimmedBox(TCanvas *Canvas, const TRect &R, TColor Color, TSides Sides)
{
    const bool l = Sides.Contains(sdLeft), t = Sides.Contains(sdTop), r = Sides.Contains(sdRight),
               b = Sides.Contains(sdBottom);
    TPen *pen = Canvas->Pen();
    pen->SetWidth(1);
    pen->SetStyle(psSolid);
    pen->SetMode(pmCopy);
    const int y1 = R.Top + (t ? 2 : 0), y2 = R.Bottom - (b ? 2 : 0);
    const int x1 = R.Left + (l ? 2 : 0), x2 = R.Right - (r ? 2 : 0);
    if (l)
        Line(Canvas, Color, R.Left, y1, R.Left, y2);
    if (t)
        Line(Canvas, Color, x1, R.Top, x2, R.Top);
    if (r)
        Line(Canvas, Color, R.Right - 1, y1, R.Right - 1, y2);
    if (b)
        Line(Canvas, Color, x1, R.Bottom - 1, x2, R.Bottom - 1);
    if (l && t)
        Canvas->SetPixels(R.Left + 1, R.Top + 1, Color);
    if (r && t)
        Canvas->SetPixels(R.Right - 2, R.Top + 1, Color);
    if (r && b)
        Canvas->SetPixels(R.Right - 2, R.Bottom - 2, Color);
    if (l && b)
        Canvas->SetPixels(R.Left + 1, R.Bottom - 2, Color);
    TRect result = R;
    if (l) result.Left += 2;
    if (t) result.Top += 2;
    if (r) result.Right -= 2;
    if (b) result.Bottom -= 2;
    return result;
}
