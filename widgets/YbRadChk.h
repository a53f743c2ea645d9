// Check-style controls of the suite: a state glyph beside a caption, with
// custom glyphs from a bitmap strip or an image list, hot tracking, a
// read-only mode and a frame controller link. TYbRadioButton is the radio
// button of the station's main window: checking one unchecks the other radio
// buttons of the same parent.
#pragma once
#include "YbButton.h"

#include "ImgList.h"
#include "StdCtrls.h"

#include <memory>

class TYbCustomGlyphButton;

// Ties a glyph button's checked state to its action: the action's Checked
// reaches the button without a click while the two agree.
class TYbCheckedActionLink : public TControlActionLink
{
public:
    explicit TYbCheckedActionLink(TYbCustomGlyphButton *AClient);
    bool IsCheckedLinked() const override;
    void SetChecked(bool Value) override;
};

class TYbCustomGlyphButton : public TYbCustomButton, public IYbFrameControllerClient
{
    STATION_CLASS(TYbCustomGlyphButton, TYbCustomButton)
public:
    explicit TYbCustomGlyphButton(TComponent *AOwner);
    ~TYbCustomGlyphButton() override;

    TLeftRight Alignment() const { return FAlignment; }
    virtual void SetAlignment(TLeftRight Value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    virtual bool Checked() const { return false; }
    virtual void SetChecked(bool) {}
    TBitmap *CustomGlyphs() const { return FCustomGlyphs.get(); }
    virtual void SetCustomGlyphs(TBitmap *Value);
    TCustomImageList *CustomGlyphImages() const { return FCustomGlyphImages; }
    virtual void SetCustomGlyphImages(TCustomImageList *Value);
    TColor DisabledColor() const { return FDisabledColor; }
    virtual void SetDisabledColor(TColor Value);
    TColor FillColor() const { return FFillColor; }
    virtual void SetFillColor(TColor Value);
    TColor FocusColor() const { return FFocusColor; }
    virtual void SetFocusColor(TColor Value);
    TColor FrameColor() const { return FFrameColor; }
    virtual void SetFrameColor(TColor Value);
    TYbFrameController *FrameController() const { return FFrameController; }
    virtual void SetFrameController(TYbFrameController *Value);
    TYbFrameControllerNotifications FrameControllerNotifications() const { return FFrameControllerNotifications; }
    void SetFrameControllerNotifications(TYbFrameControllerNotifications Value);
    TYbButtonHotTrackStyle HotTrackStyle() const { return FHotTrackStyle; }
    void SetHotTrackStyle(TYbButtonHotTrackStyle Value);
    bool ReadOnly() const { return FReadOnly; }
    virtual void SetReadOnly(bool Value);
    TColor ReadOnlyColor() const { return FReadOnlyColor; }
    virtual void SetReadOnlyColor(TColor Value);
    TColor TransparentColor() const { return FTransparentColor; }
    virtual void SetTransparentColor(TColor Value);
    bool UseCustomGlyphs() const { return FUseCustomGlyphs; }
    virtual void SetUseCustomGlyphs(bool Value);
    TColor WinMaskColor() const { return FWinMaskColor; }
    virtual void SetWinMaskColor(TColor Value);
    bool WordWrap() const { return FWordWrap; }
    virtual void SetWordWrap(bool Value);
    void SetTransparent(bool Value) override;

    int GlyphWidth() const { return FGlyphWidth; }
    int GlyphHeight() const { return FGlyphHeight; }
    int NumGlyphs() const { return FNumGlyphs; }
    // Cell of the custom glyphs the current state shows.
    int CustomGlyphIndex() const;
    // Whether the controller's hot colour and frame hot tracking apply.
    bool FrameHotTrack() const { return FFrameHotTrack; }
    bool ReadOnlyColorOnFocus() const { return FReadOnlyColorOnFocus; }

    void ApplyFrameControllerSettings(TYbFrameController *Controller, TYbFrameControllerProperty Prop) override;
    void Loaded() override;
    // Custom glyphs grow and shrink with the form.
    void ChangeScale(int M, int D) override;
    // Checked is set by the action link (no click follows).
    bool CheckedFromLink() const { return FCheckedFromLink; }
    void SetCheckedFromLink(bool Value);
    // Checked is not stored while the action link governs it.
    bool IsCheckedStored() const;
    void DefineProperties(TFiler *Filer) override;
    // Measures the caption and sizes the control around it and the glyph.
    void AdjustBounds();

protected:
    // The glyph of the current state, glyph-sized.
    virtual void GetGlyph(TBitmap *Glyph);
    virtual void PaintGlyphPixels(TCanvas *ACanvas, const TRect &R);
    virtual void DrawGlyph(TCanvas *ACanvas, TBitmap *Glyph);
    // Cell Index of a strip of cells Width x Height into Dest at (0, 0).
    virtual void CopyCell(TCanvas *Dest, TBitmap *Strip, int Index, int Width, int Height);
    // Glyph on the left of the caption (Alignment mirrored for right-to-left).
    bool GlyphOnLeft() const { return (FAlignment == taRightJustify) != UseRightToLeftAlignment(); }
    void UpdateCustomGlyphs();
    void ApplyGlyphScale();
    // 0 normal, 1 pressed, 2 mouse over, 3 disabled.
    int GlyphState() const;
    void Paint() override;
    void RepaintButton() override;
    void TextChanged() override;
    void FontChanged() override;
    void BiDiModeChanged() override;
    std::unique_ptr<TControlActionLink> CreateActionLink() override;
    void ActionChange(TAction *Sender, bool CheckDefaults) override;
    void Notification(TComponent *AComponent, TOperation Operation) override;

    int FNumGlyphs = 6;

private:
    void CustomGlyphsChanged(TObject *Sender);

    TLeftRight FAlignment = taRightJustify;
    bool FAutoSize = true;
    std::unique_ptr<TBitmap> FCustomGlyphs;
    TCustomImageList *FCustomGlyphImages = nullptr;
    TColor FDisabledColor = clBtnFace;
    TColor FFillColor = clWindow;
    TColor FFocusColor = clWindow;
    TColor FFrameColor = clBtnShadow;
    TYbFrameController *FFrameController = nullptr;
    TYbFrameControllerNotifications FFrameControllerNotifications = AllFrameControllerNotifications;
    TYbButtonHotTrackStyle FHotTrackStyle = htsInterior;
    bool FReadOnly = false;
    TColor FReadOnlyColor = clInfoBk;
    TColor FTransparentColor = clOlive;
    bool FUseCustomGlyphs = false;
    TColor FWinMaskColor = clLime;
    bool FWordWrap = false;
    int FGlyphWidth = 13;
    int FGlyphHeight = 13;
    // The glyph size before scaling, and the scale taken since.
    int FBaseGlyphWidth = 13;
    int FBaseGlyphHeight = 13;
    long long FScaleM = 1;
    long long FScaleD = 1;
    bool FFrameHotTrack = false;
    bool FReadOnlyColorOnFocus = false;
    bool FCheckedFromLink = false;
};

class TYbRadioButton : public TYbCustomGlyphButton
{
    STATION_CLASS(TYbRadioButton, TYbCustomGlyphButton)
public:
    explicit TYbRadioButton(TComponent *AOwner);

    bool Checked() const override { return FChecked; }
    void SetChecked(bool Value) override;
    void SetReadOnly(bool Value) override;

protected:
    void GetGlyph(TBitmap *Glyph) override;
    void PaintGlyphPixels(TCanvas *ACanvas, const TRect &R) override;
    void ClickStep() override;

private:
    bool FChecked = false;
};
