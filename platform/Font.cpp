#include "Font.h"
#include "SysUtils.h"

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
