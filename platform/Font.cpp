// Implementation of TFont.
#include "Font.h"
#include "SysUtils.h"

#include <algorithm>

STATION_PUBLISHED(TFont)
{
    P.Prop("Charset", &TFont::Charset, &TFont::SetCharset);
    P.Prop("Color", &TFont::Color, &TFont::SetColor).Type(TypeInfoTColor());
    P.Prop("Height", &TFont::Height, &TFont::SetHeight);
    P.Prop("Name", &TFont::Name, &TFont::SetName);
    P.Prop("Pitch", &TFont::Pitch, &TFont::SetPitch).Default(fpDefault);
    P.Prop("Size", &TFont::Size, &TFont::SetSize).Stored(false);
    P.Prop("Style", &TFont::Style, &TFont::SetStyle);
}

TFont::TFont() : FName(QStringLiteral("Arial")) {}

void TFont::Assign(TPersistent *Source)
{
    if (auto *f = dynamic_cast<TFont *>(Source)) {
        if (f == this)
            return;
        FCharset = f->FCharset;
        FColor = f->FColor;
        // Keeps the point size when the two fonts differ in pixels per inch.
        FHeight = f->FPixelsPerInch == FPixelsPerInch ? f->FHeight : -MulDiv(f->Size(), FPixelsPerInch, 72);
        FName = f->FName;
        FPitch = f->FPitch;
        FStyle = f->FStyle;
        Changed();
        return;
    }
    TPersistent::Assign(Source);
}

void TFont::SetCharset(TFontCharset Value)
{
    if (FCharset == Value)
        return;
    FCharset = Value;
    Changed();
}

void TFont::SetColor(TColor Value)
{
    if (FColor == Value)
        return;
    FColor = Value;
    Changed();
}

void TFont::SetHeight(int Value)
{
    Value = std::clamp(Value, -MaxHeight, MaxHeight);
    if (FHeight == Value)
        return;
    FHeight = Value;
    Changed();
}

void TFont::SetName(const QString &Value)
{
    if (Value.isEmpty() || FName == Value)
        return;
    FName = Value;
    Changed();
}

void TFont::SetPitch(TFontPitch Value)
{
    if (FPitch == Value)
        return;
    FPitch = Value;
    Changed();
}

int TFont::Size() const
{
    return -MulDiv(FHeight, 72, FPixelsPerInch);
}

void TFont::SetSize(int Value)
{
    SetHeight(-MulDiv(Value, FPixelsPerInch, 72));
}

void TFont::SetStyle(TFontStyles Value)
{
    if (FStyle == Value)
        return;
    FStyle = Value;
    Changed();
}

void TFont::SetPixelsPerInch(int Value)
{
    if (Value > 0)
        FPixelsPerInch = Value;
}

void TFont::Changed()
{
    if (FOnChange)
        FOnChange(this);
}

namespace {

struct TCharsetName
{
    int Value;
    const char *Name;
};

const TCharsetName CharsetNames[] = {
    {0, "ANSI_CHARSET"},        {1, "DEFAULT_CHARSET"},      {2, "SYMBOL_CHARSET"},   {77, "MAC_CHARSET"},
    {128, "SHIFTJIS_CHARSET"},  {129, "HANGEUL_CHARSET"},    {130, "JOHAB_CHARSET"},  {134, "GB2312_CHARSET"},
    {136, "CHINESEBIG5_CHARSET"}, {161, "GREEK_CHARSET"},    {162, "TURKISH_CHARSET"}, {163, "VIETNAMESE_CHARSET"},
    {177, "HEBREW_CHARSET"},    {178, "ARABIC_CHARSET"},     {186, "BALTIC_CHARSET"}, {204, "RUSSIAN_CHARSET"},
    {222, "THAI_CHARSET"},      {238, "EASTEUROPE_CHARSET"}, {255, "OEM_CHARSET"}};

} // namespace

bool CharsetToIdent(int Charset, QString &Ident)
{
    for (const TCharsetName &c : CharsetNames)
        if (c.Value == Charset) {
            Ident = QString::fromLatin1(c.Name);
            return true;
        }
    return false;
}

bool IdentToCharset(const QString &Ident, int &Charset)
{
    for (const TCharsetName &c : CharsetNames)
        if (Ident.compare(QLatin1String(c.Name), Qt::CaseInsensitive) == 0) {
            Charset = c.Value;
            return true;
        }
    return false;
}

void GetCharsetValues(const std::function<void(const QString &)> &Proc)
{
    for (const TCharsetName &c : CharsetNames)
        Proc(QString::fromLatin1(c.Name));
}
