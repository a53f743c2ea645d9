// Implementation of colours of the class library.
#include "Colors.h"
#include "Exceptions.h"

namespace {

// The classic desktop palette, indexed by COLOR_ index.
constexpr TColor SysPalette[COLOR_ENDCOLORS + 1] = {
    RGB(212, 208, 200), // scroll bar
    RGB(58, 110, 165),  // desktop background
    RGB(10, 36, 106),   // active caption
    RGB(128, 128, 128), // inactive caption
    RGB(212, 208, 200), // menu
    RGB(255, 255, 255), // window
    RGB(0, 0, 0),       // window frame
    RGB(0, 0, 0),       // menu text
    RGB(0, 0, 0),       // window text
    RGB(255, 255, 255), // caption text
    RGB(212, 208, 200), // active border
    RGB(212, 208, 200), // inactive border
    RGB(128, 128, 128), // application workspace
    RGB(10, 36, 106),   // highlight
    RGB(255, 255, 255), // highlight text
    RGB(212, 208, 200), // button face
    RGB(128, 128, 128), // button shadow
    RGB(128, 128, 128), // grey text
    RGB(0, 0, 0),       // button text
    RGB(212, 208, 200), // inactive caption text
    RGB(255, 255, 255), // button highlight
    RGB(64, 64, 64),    // 3D dark shadow
    RGB(212, 208, 200), // 3D light
    RGB(0, 0, 0),       // tooltip text
    RGB(255, 255, 225), // tooltip background
    RGB(181, 181, 181), // (alternate button face)
    RGB(0, 0, 128),     // hot-tracked item
    RGB(166, 202, 240), // gradient of the active caption
    RGB(192, 192, 192), // gradient of the inactive caption
    // The menu highlight of the desktops the station ran on: a light blue under
    // which black text stays legible (the classic navy would hide it).
    RGB(51, 153, 255),  // menu highlight
    RGB(212, 208, 200), // menu bar
};

struct ColorName {
    TColor Value;
    const char *Name;
};

// The class library's named colours, in its order.
constexpr ColorName ColorNames[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"},
    {clSkyBlue, "clSkyBlue"},
    {clCream, "clCream"},
    {clMedGray, "clMedGray"},
    {clActiveBorder, "clActiveBorder"},
    {clActiveCaption, "clActiveCaption"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clBackground, "clBackground"},
    {clBtnFace, "clBtnFace"},
    {clBtnHighlight, "clBtnHighlight"},
    {clBtnShadow, "clBtnShadow"},
    {clBtnText, "clBtnText"},
    {clCaptionText, "clCaptionText"},
    {clDefault, "clDefault"},
    {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"},
    {clGrayText, "clGrayText"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clHotLight, "clHotLight"},
    {clInactiveBorder, "clInactiveBorder"},
    {clInactiveCaption, "clInactiveCaption"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clInfoBk, "clInfoBk"},
    {clInfoText, "clInfoText"},
    {clMenu, "clMenu"},
    {clMenuBar, "clMenuBar"},
    {clMenuHighlight, "clMenuHighlight"},
    {clMenuText, "clMenuText"},
    {clNone, "clNone"},
    {clScrollBar, "clScrollBar"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clWindowText, "clWindowText"},
};

bool ParseInteger(const QString &Text, TColor &Value)
{
    const QString s = Text.trimmed();
    if (s.isEmpty())
        return false;
    int i = 0;
    bool neg = false;
    if (s[0] == QLatin1Char('-') || s[0] == QLatin1Char('+')) {
        neg = s[0] == QLatin1Char('-');
        ++i;
    }
    int base = 10;
    if (i < s.size() && s[i] == QLatin1Char('$')) {
        base = 16;
        ++i;
    } else if (i + 1 < s.size() && s[i] == QLatin1Char('0')
               && (s[i + 1] == QLatin1Char('x') || s[i + 1] == QLatin1Char('X'))) {
        base = 16;
        i += 2;
    }
    if (i >= s.size())
        return false;
    std::uint64_t acc = 0;
    for (; i < s.size(); ++i) {
        const char16_t ch = s[i].unicode();
        int d = -1;
        if (ch >= u'0' && ch <= u'9')
            d = ch - u'0';
        else if (ch >= u'a' && ch <= u'f')
            d = ch - u'a' + 10;
        else if (ch >= u'A' && ch <= u'F')
            d = ch - u'A' + 10;
        if (d < 0 || d >= base)
            return false;
        acc = acc * base + std::uint64_t(d);
        // Hexadecimal text may spell any 32-bit pattern; decimal must fit an Integer.
        if (base == 16 ? acc > 0xFFFFFFFFull : acc > (neg ? 0x80000000ull : 0x7FFFFFFFull))
            return false;
    }
    const std::uint32_t bits = std::uint32_t(acc);
    Value = neg ? TColor(0u - bits) : TColor(bits);
    return true;
}

} // namespace

TColor GetSysColor(int Index)
{
    if (Index < 0 || Index > COLOR_ENDCOLORS)
        return 0;
    return SysPalette[Index];
}

TColor ColorToRGB(TColor Color)
{
    if (Color < 0)
        return GetSysColor(Color & 0xFF);
    return Color;
}

QColor ColorToQColor(TColor Color)
{
    const TColor c = ColorToRGB(Color);
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

TColor QColorToColor(const QColor &Color)
{
    return RGB(Color.red(), Color.green(), Color.blue());
}

bool ColorToIdent(TColor Color, QString &Ident)
{
    for (const ColorName &n : ColorNames)
        if (n.Value == Color) {
            Ident = QString::fromLatin1(n.Name);
            return true;
        }
    return false;
}

bool IdentToColor(const QString &Ident, TColor &Color)
{
    for (const ColorName &n : ColorNames)
        if (Ident.compare(QLatin1String(n.Name), Qt::CaseInsensitive) == 0) {
            Color = n.Value;
            return true;
        }
    return false;
}

QString ColorToString(TColor Color)
{
    QString name;
    if (ColorToIdent(Color, name))
        return name;
    return QStringLiteral("$%1").arg(std::uint32_t(Color), 8, 16, QLatin1Char('0')).toUpper();
}

TColor StringToColor(const QString &S)
{
    TColor c = 0;
    if (IdentToColor(S, c) || ParseInteger(S, c))
        return c;
    throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(S));
}

void GetColorValues(const std::function<void(const QString &)> &Proc)
{
    for (const ColorName &n : ColorNames)
        Proc(QString::fromLatin1(n.Name));
}
