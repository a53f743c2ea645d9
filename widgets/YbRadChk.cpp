// Implementation of check-style controls of the suite.
#include "YbRadChk.h"

#include "Themes.h"

#include "Filer.h"
#include "Forms.h"

#include <algorithm>
#include <numeric>
#include <cmath>

namespace {

// The desktop's plain radio button: a sunken ring, the window colour inside
// (button face when pushed or inactive) and a dot when checked.
void PaintClassicRadio(TCanvas *C, int W, int H, bool Checked, bool Pushed, bool Inactive)
{
    const double cx = (W - 1) / 2.0, cy = (H - 1) / 2.0;
    const double r = std::min(W, H) / 2.0;
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            const double dx = x - cx, dy = y - cy;
            const double d = std::hypot(dx, dy);
            if (d > r)
                continue;
            const bool upperLeft = dx + dy < 0;
            TColor c;
            if (d > r - 1)
                c = upperLeft ? clBtnShadow : clBtnHighlight;
            else if (d > r - 2)
                c = upperLeft ? cl3DDkShadow : cl3DLight;
            else
                c = Pushed || Inactive ? clBtnFace : clWindow;
            if (Checked && d <= r / 3 + 0.3)
                c = Inactive ? clGrayText : clWindowText;
            C->SetPixels(x, y, c);
        }
    }
}

} // namespace

// --- TYbCustomGlyphButton ----------------------------------------------------------

STATION_PUBLISHED(TYbCustomGlyphButton)
{
    P.Republish("AlignmentVertical").Default(avTop);
    P.Republish("Color").Default(int(clWindow));
    P.Republish("ParentColor").Default(true);
    P.Prop("About", &TYbCustomGlyphButton::About, &TYbCustomGlyphButton::SetAbout).Stored(false);
    P.Prop("Alignment", &TYbCustomGlyphButton::Alignment, &TYbCustomGlyphButton::SetAlignment)
        .Default(taRightJustify);
    P.Prop("AutoSize", &TYbCustomGlyphButton::AutoSize, &TYbCustomGlyphButton::SetAutoSize).Default(true);
    P.Prop("Caption", &TYbCustomGlyphButton::Caption, &TYbCustomGlyphButton::SetCaption);
    P.Prop("CustomGlyphs", &TYbCustomGlyphButton::CustomGlyphs, &TYbCustomGlyphButton::SetCustomGlyphs);
    P.Prop("CustomGlyphImages", &TYbCustomGlyphButton::CustomGlyphImages,
           &TYbCustomGlyphButton::SetCustomGlyphImages);
    P.Prop("DisabledColor", &TYbCustomGlyphButton::DisabledColor, &TYbCustomGlyphButton::SetDisabledColor)
        .Type(TypeInfoTColor())
        .Default(int(clBtnFace));
    P.Prop("FillColor", &TYbCustomGlyphButton::FillColor, &TYbCustomGlyphButton::SetFillColor)
        .Type(TypeInfoTColor())
        .Default(int(clWindow));
    P.Prop("FocusColor", &TYbCustomGlyphButton::FocusColor, &TYbCustomGlyphButton::SetFocusColor)
        .Type(TypeInfoTColor())
        .Default(int(clWindow));
    P.Prop("FrameColor", &TYbCustomGlyphButton::FrameColor, &TYbCustomGlyphButton::SetFrameColor)
        .Type(TypeInfoTColor())
        .Default(int(clBtnShadow));
    P.Prop("FrameController", &TYbCustomGlyphButton::FrameController, &TYbCustomGlyphButton::SetFrameController);
    P.Prop("FrameControllerNotifications", &TYbCustomGlyphButton::FrameControllerNotifications,
           &TYbCustomGlyphButton::SetFrameControllerNotifications)
        .Default(AllFrameControllerNotifications);
    P.Prop("HotTrackStyle", &TYbCustomGlyphButton::HotTrackStyle, &TYbCustomGlyphButton::SetHotTrackStyle)
        .Default(htsInterior);
    P.Prop("ReadOnly", &TYbCustomGlyphButton::ReadOnly, &TYbCustomGlyphButton::SetReadOnly).Default(false);
    P.Prop("ReadOnlyColor", &TYbCustomGlyphButton::ReadOnlyColor, &TYbCustomGlyphButton::SetReadOnlyColor)
        .Type(TypeInfoTColor())
        .Default(int(clInfoBk));
    P.Prop("Transparent", &TYbCustomGlyphButton::Transparent, &TYbCustomGlyphButton::SetTransparent)
        .Default(false);
    P.Prop("TransparentColor", &TYbCustomGlyphButton::TransparentColor,
           &TYbCustomGlyphButton::SetTransparentColor)
        .Type(TypeInfoTColor())
        .Default(int(clOlive));
    P.Prop("UseCustomGlyphs", &TYbCustomGlyphButton::UseCustomGlyphs, &TYbCustomGlyphButton::SetUseCustomGlyphs)
        .Default(false);
    P.Prop("WinMaskColor", &TYbCustomGlyphButton::WinMaskColor, &TYbCustomGlyphButton::SetWinMaskColor)
        .Type(TypeInfoTColor())
        .Default(int(clLime));
    P.Prop("WordWrap", &TYbCustomGlyphButton::WordWrap, &TYbCustomGlyphButton::SetWordWrap).Default(false);
}

TYbCustomGlyphButton::TYbCustomGlyphButton(TComponent *AOwner) : TYbCustomButton(AOwner)
{
    FCustomGlyphs = std::make_unique<TBitmap>();
    FCustomGlyphs->SetOnChange(TNotifyEvent(this, &TYbCustomGlyphButton::CustomGlyphsChanged));
    SetAlignmentVertical(avTop);
    SetColor(clWindow);
    SetParentColor(true);
    SetTabStop(false);
}

TYbCustomGlyphButton::~TYbCustomGlyphButton()
{
    if (FFrameController)
        FFrameController->Disconnect(this);
}

void TYbCustomGlyphButton::RepaintButton()
{
    Invalidate();
}

void TYbCustomGlyphButton::SetAlignment(TLeftRight Value)
{
    if (FAlignment == Value)
        return;
    FAlignment = Value;
    RepaintButton();
}

void TYbCustomGlyphButton::SetAutoSize(bool Value)
{
    if (FAutoSize == Value)
        return;
    FAutoSize = Value;
    AdjustBounds();
}

void TYbCustomGlyphButton::SetCustomGlyphs(TBitmap *Value)
{
    if (Value)
        FCustomGlyphs->Assign(Value);
    else
        FCustomGlyphs->SetSize(0, 0);
    UpdateCustomGlyphs();
}

void TYbCustomGlyphButton::CustomGlyphsChanged(TObject *)
{
    UpdateCustomGlyphs();
}

void TYbCustomGlyphButton::SetCustomGlyphImages(TCustomImageList *Value)
{
    if (FCustomGlyphImages == Value)
        return;
    if (FCustomGlyphImages)
        FCustomGlyphImages->RemoveFreeNotification(this);
    FCustomGlyphImages = Value;
    if (Value)
        Value->FreeNotification(this);
    UpdateCustomGlyphs();
}

void TYbCustomGlyphButton::UpdateCustomGlyphs()
{
    if (FCustomGlyphImages && FCustomGlyphImages->Width() >= 1 && FCustomGlyphImages->Height() >= 1
        && FCustomGlyphImages->Count() >= 1)
        FUseCustomGlyphs = true;
    else
        FUseCustomGlyphs = !FCustomGlyphs->Empty();
    if (FUseCustomGlyphs && FCustomGlyphImages && FCustomGlyphImages->Count() >= 1) {
        FBaseGlyphWidth = FCustomGlyphImages->Width();
        FBaseGlyphHeight = FCustomGlyphImages->Height();
    } else if (FUseCustomGlyphs) {
        FBaseGlyphWidth = FCustomGlyphs->Width() / std::max(FNumGlyphs, 1);
        FBaseGlyphHeight = FCustomGlyphs->Height();
    } else {
        FBaseGlyphWidth = 13;
        FBaseGlyphHeight = 13;
    }
    ApplyGlyphScale();
    AdjustBounds();
    RepaintButton();
}

void TYbCustomGlyphButton::ApplyGlyphScale()
{
    if (FScaleM == FScaleD) {
        FGlyphWidth = FBaseGlyphWidth;
        FGlyphHeight = FBaseGlyphHeight;
        return;
    }
    auto scaled = [this](int V) {
        const long long r = (V * FScaleM * 2 + FScaleD) / (FScaleD * 2) - 1;
        return int(std::clamp<long long>(r, 1, 4096));
    };
    FGlyphWidth = scaled(FBaseGlyphWidth);
    FGlyphHeight = scaled(FBaseGlyphHeight);
}

void TYbCustomGlyphButton::ChangeScale(int M, int D)
{
    TYbCustomButton::ChangeScale(M, D);
    if (M == D || M <= 0 || D <= 0)
        return;
    FScaleM *= M;
    FScaleD *= D;
    const long long g = std::gcd(FScaleM, FScaleD);
    FScaleM /= g;
    FScaleD /= g;
    // Keep the factor small: a form scaled back and forth many times.
    while (FScaleM > (1LL << 20) || FScaleD > (1LL << 20)) {
        FScaleM = std::max(1LL, FScaleM / 2);
        FScaleD = std::max(1LL, FScaleD / 2);
    }
    ApplyGlyphScale();
    AdjustBounds();
    RepaintButton();
}

void TYbCustomGlyphButton::SetCheckedFromLink(bool Value)
{
    FCheckedFromLink = true;
    try {
        SetChecked(Value);
    } catch (...) {
        if (IsLiveControl(this))
            FCheckedFromLink = false;
        throw;
    }
    if (IsLiveControl(this))
        FCheckedFromLink = false;
}

bool TYbCustomGlyphButton::IsCheckedStored() const
{
    return !ActionLink() || !ActionLink()->IsCheckedLinked();
}

std::unique_ptr<TControlActionLink> TYbCustomGlyphButton::CreateActionLink()
{
    return std::make_unique<TYbCheckedActionLink>(this);
}

void TYbCustomGlyphButton::ActionChange(TAction *Sender, bool CheckDefaults)
{
    TYbCustomButton::ActionChange(Sender, CheckDefaults);
    if (!Sender || !IsLiveControl(this))
        return;
    if (!CheckDefaults || !Checked())
        SetCheckedFromLink(Sender->Checked());
}

// --- TYbCheckedActionLink ---------------------------------------------------------

TYbCheckedActionLink::TYbCheckedActionLink(TYbCustomGlyphButton *AClient) : TControlActionLink(AClient) {}

bool TYbCheckedActionLink::IsCheckedLinked() const
{
    return FAction && static_cast<TYbCustomGlyphButton *>(FControl)->Checked() == FAction->Checked();
}

void TYbCheckedActionLink::SetChecked(bool Value)
{
    if (IsCheckedLinked())
        static_cast<TYbCustomGlyphButton *>(FControl)->SetCheckedFromLink(Value);
}

void TYbCustomGlyphButton::SetDisabledColor(TColor Value)
{
    if (FDisabledColor == Value)
        return;
    FDisabledColor = Value;
    RepaintButton();
}

void TYbCustomGlyphButton::SetFillColor(TColor Value)
{
    if (FFillColor == Value)
        return;
    FFillColor = Value;
    RepaintButton();
}

void TYbCustomGlyphButton::SetFocusColor(TColor Value)
{
    if (FFocusColor == Value)
        return;
    FFocusColor = Value;
    RepaintButton();
}

void TYbCustomGlyphButton::SetFrameColor(TColor Value)
{
    if (FFrameColor == Value)
        return;
    FFrameColor = Value;
    RepaintButton();
}

void TYbCustomGlyphButton::SetFrameController(TYbFrameController *Value)
{
    if (FFrameController == Value)
        return;
    if (FFrameController) {
        FFrameController->Disconnect(this);
        FFrameController->RemoveFreeNotification(this);
    }
    FFrameController = Value;
    if (Value) {
        Value->FreeNotification(this);
        Value->Connect(this);
    }
}

void TYbCustomGlyphButton::SetFrameControllerNotifications(TYbFrameControllerNotifications Value)
{
    FFrameControllerNotifications = Value;
}

void TYbCustomGlyphButton::SetHotTrackStyle(TYbButtonHotTrackStyle Value)
{
    if (FHotTrackStyle == Value)
        return;
    FHotTrackStyle = Value;
    RepaintButton();
}

void TYbCustomGlyphButton::SetReadOnly(bool Value)
{
    if (FReadOnly == Value)
        return;
    FReadOnly = Value;
    RepaintButton();
}

void TYbCustomGlyphButton::SetReadOnlyColor(TColor Value)
{
    if (FReadOnlyColor == Value)
        return;
    FReadOnlyColor = Value;
    RepaintButton();
}

void TYbCustomGlyphButton::SetTransparentColor(TColor Value)
{
    if (FTransparentColor == Value)
        return;
    FTransparentColor = Value;
    RepaintButton();
}

void TYbCustomGlyphButton::SetUseCustomGlyphs(bool Value)
{
    if (FUseCustomGlyphs == Value)
        return;
    FUseCustomGlyphs = Value;
    RepaintButton();
}

void TYbCustomGlyphButton::SetWinMaskColor(TColor Value)
{
    if (FWinMaskColor == Value)
        return;
    FWinMaskColor = Value;
    RepaintButton();
}

void TYbCustomGlyphButton::SetWordWrap(bool Value)
{
    if (FWordWrap == Value)
        return;
    FWordWrap = Value;
    AdjustBounds();
    RepaintButton();
}

void TYbCustomGlyphButton::SetTransparent(bool Value)
{
    TYbCustomButton::SetTransparent(Value);
    RepaintButton();
}

void TYbCustomGlyphButton::TextChanged()
{
    TYbCustomButton::TextChanged();
    AdjustBounds();
}

void TYbCustomGlyphButton::FontChanged()
{
    TYbCustomButton::FontChanged();
    AdjustBounds();
}

void TYbCustomGlyphButton::BiDiModeChanged()
{
    TYbCustomButton::BiDiModeChanged();
    RepaintButton();
}

void TYbCustomGlyphButton::Notification(TComponent *AComponent, TOperation Operation)
{
    TYbCustomButton::Notification(AComponent, Operation);
    if (Operation != opRemove)
        return;
    if (AComponent == FFrameController)
        FFrameController = nullptr;
    if (AComponent == FCustomGlyphImages) {
        FCustomGlyphImages = nullptr;
        UpdateCustomGlyphs();
    }
}

void TYbCustomGlyphButton::ApplyFrameControllerSettings(TYbFrameController *Controller,
                                                        TYbFrameControllerProperty Prop)
{
    if (!Controller || Controller != FFrameController)
        return;
    SetHotTrack(true);
    auto wanted = [&](TYbFrameControllerProperty P) {
        return (Prop == fcpAll || Prop == P) && FFrameControllerNotifications.Contains(P);
    };
    if (wanted(fcpColor))
        FFillColor = Controller->Color();
    if (wanted(fcpFocusColor))
        FFocusColor = Controller->FocusColor();
    if (wanted(fcpDisabledColor))
        FDisabledColor = Controller->DisabledColor();
    if (wanted(fcpReadOnlyColor))
        FReadOnlyColor = Controller->ReadOnlyColor();
    if (wanted(fcpReadOnlyColorOnFocus))
        FReadOnlyColorOnFocus = Controller->ReadOnlyColorOnFocus();
    if (wanted(fcpFrameColor))
        FFrameColor = Controller->FrameColor();
    if (wanted(fcpFrameHotTrack))
        FFrameHotTrack = Controller->FrameHotTrack();
    if (wanted(fcpFrameHotColor) && FFrameHotTrack)
        SetHotTrackColor(Controller->FrameHotColor());
    RepaintButton();
}

void TYbCustomGlyphButton::Loaded()
{
    TYbCustomButton::Loaded();
    TBitmap probe;
    probe.SetSize(1, 1);
    probe.Canvas()->Font()->Assign(Font());
    const int line = probe.Canvas()->GetTextMetrics().Height + 2;
    if (Height() > line)
        SetWordWrap(true);
    AdjustBounds();
}

void TYbCustomGlyphButton::DefineProperties(TFiler *Filer)
{
    TYbCustomButton::DefineProperties(Filer);
    // Older stored forms call the hot-tracked look "Flat".
    Filer->DefineProperty(
        QStringLiteral("Flat"), [this](TReader *Reader) { SetHotTrack(Reader->ReadBoolean()); }, nullptr, false);
}

void TYbCustomGlyphButton::AdjustBounds()
{
    if (!Widget() || ComponentState().Contains(csLoading) || !FAutoSize)
        return;
    TBitmap probe;
    probe.SetSize(1, 1);
    TCanvas *c = probe.Canvas();
    c->Font()->Assign(Font());
    TRect r = ClientRect();
    InflateRect(r, -1, -1);
    r.Right -= FGlyphWidth + 4;
    if (r.Right - r.Left < 2)
        r.Right = r.Left + 2;
    c->DrawText(Caption(), r, DT_CALCRECT | DT_EXPANDTABS | (FWordWrap ? unsigned(DT_WORDBREAK) : 0u));
    const int w = r.Width() + 2, h = r.Height() + 2;
    const int newWidth = w + FGlyphWidth + 4;
    const int newHeight = std::max(FGlyphHeight + 2, h);
    const int newLeft = GlyphOnLeft() ? Left() : Left() + Width() - newWidth;
    SetBounds(newLeft, Top(), newWidth, newHeight);
}

int TYbCustomGlyphButton::GlyphState() const
{
    if (!Enabled())
        return 3;
    if (FPressed)
        return 1;
    if (FMouseOver)
        return 2;
    return 0;
}

int TYbCustomGlyphButton::CustomGlyphIndex() const
{
    const int checked = Checked() ? 1 : 0;
    const int state = GlyphState();
    if (state == 3)
        return 4 + checked;
    if (state == 1)
        return 2 + checked;
    if (state == 2 && HotTrack() && FCustomGlyphImages && FCustomGlyphImages->Count() > 6)
        return 6 + checked;
    return checked;
}

void TYbCustomGlyphButton::CopyCell(TCanvas *Dest, TBitmap *Strip, int Index, int Width, int Height)
{
    const QImage strip = Strip->ToImage();
    const QRect cell(Index * Width, 0, Width, Height);
    Dest->DrawImage(Rect(0, 0, Width, Height), strip, cell);
}

void TYbCustomGlyphButton::GetGlyph(TBitmap *Glyph)
{
    Glyph->SetSize(FGlyphWidth, FGlyphHeight);
    TCanvas *c = Glyph->Canvas();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(FTransparentColor);
    c->FillRect(Rect(0, 0, FGlyphWidth, FGlyphHeight));
    const int index = CustomGlyphIndex();
    // The cell at its own size, stretched when the form was scaled.
    TBitmap cell;
    const bool scaled = FBaseGlyphWidth != FGlyphWidth || FBaseGlyphHeight != FGlyphHeight;
    TCanvas *target = c;
    if (scaled) {
        cell.SetSize(std::max(FBaseGlyphWidth, 1), std::max(FBaseGlyphHeight, 1));
        target = cell.Canvas();
        target->Brush()->SetStyle(bsSolid);
        target->Brush()->SetColor(FTransparentColor);
        target->FillRect(Rect(0, 0, cell.Width(), cell.Height()));
    }
    if (FCustomGlyphImages && FCustomGlyphImages->Count() > 0) {
        if (index < FCustomGlyphImages->Count())
            FCustomGlyphImages->Draw(target, 0, 0, index, true);
    } else if (!FCustomGlyphs->Empty()) {
        CopyCell(target, FCustomGlyphs.get(), index, FBaseGlyphWidth, FBaseGlyphHeight);
    }
    if (scaled) {
        const QImage img = cell.ToImage();
        c->DrawImage(Rect(0, 0, FGlyphWidth, FGlyphHeight), img, img.rect());
    }
}

void TYbCustomGlyphButton::PaintGlyphPixels(TCanvas *, const TRect &) {}

void TYbCustomGlyphButton::DrawGlyph(TCanvas *ACanvas, TBitmap *Glyph)
{
    const int w = Glyph->Width(), h = Glyph->Height();
    const TRect client = ClientRect();
    const int x = GlyphOnLeft() ? 0 : client.Right - w;
    int y = 1;
    switch (AlignmentVertical()) {
    case avTop: y = 1; break;
    case avCenter: y = (client.Height() - h) / 2; break;
    case avBottom: y = client.Bottom - h - 1; break;
    }
    const TRect dest = Rect(x, y, x + w, y + h);
    QImage img = Glyph->ToImage().convertToFormat(QImage::Format_ARGB32);
    // Both the transparent colour and, for custom glyphs, the mask colour
    // let the face show.
    const QRgb key = ColorToQColor(FTransparentColor).rgb() & 0xFFFFFF;
    const QRgb mask = ColorToQColor(FWinMaskColor).rgb() & 0xFFFFFF;
    for (int yy = 0; yy < img.height(); ++yy) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(yy));
        for (int xx = 0; xx < img.width(); ++xx) {
            const QRgb v = line[xx] & 0xFFFFFF;
            if (v == key || (FUseCustomGlyphs && v == mask))
                line[xx] = 0;
        }
    }
    const TCopyMode saved = ACanvas->CopyMode();
    ACanvas->SetCopyMode(cmSrcCopy);
    ACanvas->DrawImage(dest, img, img.rect());
    ACanvas->SetCopyMode(saved);
}

void TYbCustomGlyphButton::Paint()
{
    const TRect client = ClientRect();
    if (client.IsEmpty())
        return;
    TBitmap bmp;
    bmp.SetSize(client.Width(), client.Height());
    TCanvas *c = bmp.Canvas();
    c->Font()->Assign(Font());
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    if (Transparent())
        PaintParentBackground(this, c, false);
    else
        c->FillRect(client);

    TBitmap glyph;
    GetGlyph(&glyph);
    DrawGlyph(c, &glyph);

    TRect text = client;
    InflateRect(text, -1, -1);
    if (GlyphOnLeft())
        text.Left += FGlyphWidth + 4;
    else
        text.Right -= FGlyphWidth;
    const unsigned flags = DT_EXPANDTABS | (FWordWrap ? unsigned(DT_WORDBREAK) : 0u)
                           | (UseRightToLeftAlignment() ? unsigned(DT_RIGHT) : 0u);
    c->Font()->Assign(Font());
    DrawCaption(c, Caption(), text, flags);
    if (ShowFocusRects() && Focused() && !Caption().isEmpty()) {
        TRect calc = text;
        c->DrawText(Caption(), calc, DT_CALCRECT | flags);
        const int left = (flags & DT_RIGHT) ? std::max(text.Right - calc.Width(), text.Left) : text.Left;
        TRect focus = Rect(left - 1, text.Top, std::min(left + calc.Width() + 1, client.Right),
                           std::min(text.Top + calc.Height() + 1, client.Bottom));
        PaintDottedFocus(c, focus);
    }
    Canvas()->Draw(0, 0, &bmp);
}

// --- TYbRadioButton ------------------------------------------------------------------

STATION_PUBLISHED(TYbRadioButton)
{
    P.Prop("Checked", &TYbRadioButton::Checked, &TYbRadioButton::SetChecked)
        .Default(false)
        .Stored(&TYbRadioButton::IsCheckedStored);
}

TYbRadioButton::TYbRadioButton(TComponent *AOwner) : TYbCustomGlyphButton(AOwner)
{
    FNumGlyphs = 6;
    SetBounds(Left(), Top(), 113, 17);
}

void TYbRadioButton::SetChecked(bool Value)
{
    if (FChecked == Value)
        return;
    FChecked = Value;
    SetTabStop(Value);
    RepaintButton();
    // The action follows the button it governs.
    if (!CheckedFromLink())
        if (TAction *a = Action(); a && a->Checked() != Value) {
            a->SetChecked(Value);
            if (!IsLiveControl(this))
                return;
        }
    if (!Value)
        return;
    if (TWinControl *parent = Parent())
        for (int i = 0; i < parent->ControlCount(); ++i)
            if (auto *r = dynamic_cast<TYbRadioButton *>(parent->Controls(i)); r && r != this)
                r->SetChecked(false);
    if (!CheckedFromLink())
        Click();
}

void TYbRadioButton::SetReadOnly(bool Value)
{
    if (ReadOnly() == Value)
        return;
    TYbCustomGlyphButton::SetReadOnly(Value);
    if (TWinControl *parent = Parent())
        for (int i = 0; i < parent->ControlCount(); ++i)
            if (auto *r = dynamic_cast<TYbRadioButton *>(parent->Controls(i)); r && r != this)
                r->SetReadOnly(Value);
}

void TYbRadioButton::ClickStep()
{
    if (!FChecked && !ReadOnly())
        SetChecked(true);
}

void TYbRadioButton::PaintGlyphPixels(TCanvas *ACanvas, const TRect &R)
{
    TColor a, b;
    if (HotTrackColorType() == htctComplement) {
        a = OppositeHue(HotTrackColor(), 180);
        b = ShadeDown(a, 30);
    } else {
        a = MixColors(clWhite, HotTrackColor(), 190);
        b = HotTrackColor();
    }
    PaintRadioGlyphPixels(ACanvas, R, FChecked, GlyphState(), Focused(), HotTrackStyle(), FrameColor(),
                          HighlightColor(), FillColor(), FocusColor(), DisabledColor(), a, b, Color(), Transparent(),
                          clOlive, ReadOnly(), ReadOnlyColorOnFocus(), ReadOnlyColor());
}

void TYbRadioButton::GetGlyph(TBitmap *Glyph)
{
    if (UseCustomGlyphs()) {
        TYbCustomGlyphButton::GetGlyph(Glyph);
        return;
    }
    Glyph->SetSize(GlyphWidth(), GlyphHeight());
    TCanvas *c = Glyph->Canvas();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(TransparentColor());
    c->FillRect(Rect(0, 0, GlyphWidth(), GlyphHeight()));
    if (UsingThemes()) {
        if (!Transparent()) {
            c->Brush()->SetColor(Color());
            c->FillRect(Rect(0, 0, GlyphWidth(), GlyphHeight()));
        }
        const int state = GlyphState();
        static const int order[4] = {0, 2, 1, 3}; // normal, pressed, hot, disabled -> part order
        const int part = int(FChecked ? tbRadioButtonCheckedNormal : tbRadioButtonUncheckedNormal) + order[state];
        ThemeServices()->DrawElement(c, TThemedButton(part), Rect(0, 0, GlyphWidth(), GlyphHeight()));
    } else if (HotTrack()) {
        PaintGlyphPixels(c, Rect(0, 0, GlyphWidth(), GlyphHeight()));
        // The glyph painter leaves the outside in olive; the draw step knows
        // TransparentColor.
        if (TransparentColor() != clOlive) {
            QImage &img = Glyph->Image();
            const QRgb olive = ColorToQColor(clOlive).rgb(), key = ColorToQColor(TransparentColor()).rgb();
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x)
                    if (img.pixel(x, y) == olive)
                        img.setPixel(x, y, key);
        }
    } else {
        const int state = GlyphState();
        PaintClassicRadio(c, GlyphWidth(), GlyphHeight(), FChecked, state == 1, state == 3);
    }
    if (Transparent() && !UsingThemes() && GlyphWidth() >= 13 && GlyphHeight() >= 13) {
        // Soften the rim towards the frame colour, as nothing behind it blends.
        static const int heavy[][2] = {{4, 0}, {8, 0}, {2, 1}, {10, 1}, {1, 2}, {11, 2}, {0, 4}, {12, 4},
                                       {0, 8}, {12, 8}, {1, 10}, {11, 10}, {2, 11}, {10, 11}, {4, 12}, {8, 12}};
        static const int light[][2] = {{3, 0}, {9, 0}, {0, 3}, {12, 3}, {0, 9}, {12, 9}, {3, 12}, {9, 12}};
        QImage &img = Glyph->Image();
        const TColor key = ColorToRGB(TransparentColor());
        auto blend = [&](int X, int Y, Byte W) {
            const TColor px = QColorToColor(QColor::fromRgb(img.pixel(X, Y)));
            // What lies outside the circle stays see-through.
            if (px == key)
                return;
            img.setPixel(X, Y, ColorToQColor(MixColors(FrameColor(), px, W)).rgb());
        };
        for (const auto &p : heavy)
            blend(p[0], p[1], 128);
        for (const auto &p : light)
            blend(p[0], p[1], 40);
    }
}
