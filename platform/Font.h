// TFont: name, size, colour, style, charset and pitch of text, with change
// notification. Sizes are points at a fixed 96 pixels per inch; the font
// keeps its Height (negative: character height in pixels) and derives Size.
#pragma once
#include "Colors.h"
#include "Object.h"
#include <functional>

STATION_DECLARE_ENUM(TFontStyle, fsBold, fsItalic, fsUnderline, fsStrikeOut)
STATION_DECLARE_SET(TFontStyles, TFontStyle)
STATION_DECLARE_ENUM(TFontPitch, fpDefault, fpVariable, fpFixed)
using TFontCharset = quint8;

class TFont : public TPersistent
{
    STATION_CLASS(TFont, TPersistent)
public:
    TFont();
    void Assign(TPersistent *Source) override;

    TFontCharset Charset() const { return FCharset; }
    void SetCharset(TFontCharset Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    // Character heights beyond this many pixels either way are taken as
    // this many: no device draws them, and sizes derived from them overflow.
    static constexpr int MaxHeight = 10000;
    int Height() const { return FHeight; }
    void SetHeight(int Value);
    const QString &Name() const { return FName; }
    // An empty name is ignored.
    void SetName(const QString &Value);
    TFontPitch Pitch() const { return FPitch; }
    void SetPitch(TFontPitch Value);
    int Size() const;
    void SetSize(int Value);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles Value);
    int PixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int Value);

    TNotifyEvent OnChange() const { return FOnChange; }
    void SetOnChange(const TNotifyEvent &Value) { FOnChange = Value; }

protected:
    virtual void Changed();

private:
    TFontCharset FCharset = 1; // DEFAULT_CHARSET
    TColor FColor = clBlack;
    int FHeight = -13;         // 10 points
    QString FName;
    TFontPitch FPitch = fpDefault;
    TFontStyles FStyle;
    int FPixelsPerInch = 96;
    TNotifyEvent FOnChange;
};

// Charset names ("ANSI_CHARSET", "GB2312_CHARSET"...) of the font charsets.
bool CharsetToIdent(int Charset, QString &Ident);
bool IdentToCharset(const QString &Ident, int &Charset);
void GetCharsetValues(const std::function<void(const QString &)> &Proc);
