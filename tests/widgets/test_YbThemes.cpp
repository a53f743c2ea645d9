// The suite's themed look (the desktop's Qt style) against the classic one,
// right-to-left captions and glyphs, action links and scaled glyphs.
#include "TestFiles.h"
#include "YbButton.h"
#include "YbPrgres.h"
#include "YbRadChk.h"

#include "FormHarness.h"
#include "Forms.h"
#include "Themes.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEnterEvent>
#include <QPainter>
#include <QStyleFactory>
#include <gtest/gtest.h>

using namespace FormHarness;

namespace {

TColor At(const QImage &Img, int X, int Y)
{
    return QColorToColor(QColor::fromRgb(Img.pixel(X, Y)));
}

int Luma(TColor C)
{
    C = ColorToRGB(C);
    return (GetRValue(C) * 30 + GetGValue(C) * 59 + GetBValue(C) * 11) / 100;
}

void SaveLook(const QImage &Img, const char *File)
{
    Img.scaled(Img.width() * 4, Img.height() * 4).save(TestFile(QString::fromLatin1(File)));
}

void Enter(TControl *C)
{
    QEnterEvent e(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(C->Widget(), &e);
}

// Runs the test body under the given Qt style and puts the classic look back.
class TStyle
{
public:
    explicit TStyle(const char *Name) { QApplication::setStyle(QStyleFactory::create(QLatin1String(Name))); }
    ~TStyle() { QApplication::setStyle(QStyleFactory::create(QLatin1String(ClassicStyleName))); }
};

// Columns holding a pixel darker than Threshold, left to right.
std::vector<int> InkColumns(const QImage &Img, const TRect &R, int Threshold = 100)
{
    std::vector<int> cols;
    for (int x = R.Left; x < R.Right; ++x)
        for (int y = R.Top; y < R.Bottom; ++y)
            if (Luma(At(Img, x, y)) < Threshold) {
                cols.push_back(x);
                break;
            }
    return cols;
}

class TCounter : public TObject
{
public:
    int Clicks = 0;
    int Executes = 0;
    int Updates = 0;
    void Click(TObject *) { ++Clicks; }
    void Execute(TObject *) { ++Executes; }
    void Update(TObject *) { ++Updates; }
};

} // namespace

TEST(YbThemes, ThemesFollowTheApplicationsStyle)
{
    EXPECT_FALSE(ThemeServicesEnabled());
    TYbButton b(nullptr);
    EXPECT_FALSE(b.UsingThemes());
    {
        TStyle fusion("fusion");
        EXPECT_TRUE(ThemeServicesEnabled());
        EXPECT_TRUE(b.UsingThemes());
        b.SetThemeAware(false);
        EXPECT_FALSE(b.UsingThemes());
    }
    EXPECT_FALSE(ThemeServicesEnabled());
}

TEST(YbThemes, PushButtonDrawsTheStylesPartByState)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 400, 200);
    form.SetColor(clRed);
    auto add = [&](const char *Name, int L, int T) {
        auto *b = new TYbButton(&form);
        b->SetName(QString::fromLatin1(Name));
        b->SetCaption(QString::fromLatin1(Name));
        b->SetBounds(L, T, 75, 25);
        b->SetParent(&form);
        return b;
    };
    TYbButton *normal = add("Normal", 10, 10);
    TYbButton *hot = add("Hot", 100, 10);
    TYbButton *pressed = add("Pressed", 190, 10);
    TYbButton *disabled = add("Off", 280, 10);
    TYbButton *classic = add("Classic", 10, 60);
    TYbButton *focused = add("Focused", 100, 60);
    disabled->SetEnabled(false);
    classic->SetThemeAware(false);
    ASSERT_TRUE(ShowAndActivate(&form));
    const QImage classicBefore = Grab(classic);

    TStyle fusion("fusion");
    ASSERT_TRUE(Focus(focused));
    const QImage f = Grab(focused);
    Enter(hot);
    MouseDown(pressed, Point(10, 10));
    const QImage n = Grab(normal), h = Grab(hot), p = Grab(pressed), d = Grab(disabled), c = Grab(classic);
    MouseUp(pressed, Point(10, 10));
    QImage sheet(75 * 6, 25, QImage::Format_RGB32);
    {
        QPainter painter(&sheet);
        int x = 0;
        for (const QImage *i : {&n, &h, &p, &d, &f, &c}) {
            painter.drawImage(x, 0, *i);
            x += 75;
        }
    }
    SaveLook(sheet, "ybthemes_buttons.png");

    // ThemeAware off keeps the classic look, pixel for pixel.
    EXPECT_EQ(c, classicBefore);
    EXPECT_EQ(At(c, 0, 0), ColorToRGB(clBtnHighlight));
    // The style's rounded corner lets the parent show; its face is not the classic one.
    EXPECT_EQ(At(n, 0, 0), clRed);
    EXPECT_NE(At(n, 37, 3), ColorToRGB(clBtnFace));
    EXPECT_NE(At(n, 1, 1), ColorToRGB(clBtnHighlight));
    // Each state is its own part: pressed darker, disabled and hot and defaulted different.
    EXPECT_LT(Luma(At(p, 10, 3)), Luma(At(n, 10, 3)));
    EXPECT_NE(d.copy(0, 0, 75, 4), n.copy(0, 0, 75, 4));
    EXPECT_NE(h.copy(0, 0, 75, 4), n.copy(0, 0, 75, 4));
    EXPECT_NE(f.copy(0, 0, 4, 25), n.copy(0, 0, 4, 25));
    // The caption is still the suite's.
    EXPECT_FALSE(InkColumns(n, Rect(5, 5, 70, 20)).empty());
}

TEST(YbThemes, RadioGlyphInItsEightStates)
{
    TStyle fusion("fusion");
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 100);
    auto *r = new TYbRadioButton(&form);
    r->SetCaption("Radio");
    r->SetParent(&form);
    ASSERT_TRUE(ShowAndActivate(&form));
    std::vector<QImage> glyphs;
    for (int checked = 0; checked < 2; ++checked) {
        r->SetChecked(checked != 0);
        r->SetEnabled(true);
        glyphs.push_back(Grab(r).copy(0, 1, 13, 13)); // normal
        Enter(r);
        glyphs.push_back(Grab(r).copy(0, 1, 13, 13)); // hot
        ASSERT_TRUE(Focus(r));
        MouseDown(r, Point(3, 3));
        glyphs.push_back(Grab(r).copy(0, 1, 13, 13)); // pressed
        MouseMove(r, Point(-50, -50));
        MouseUp(r, Point(-50, -50));
        r->SetEnabled(false);
        glyphs.push_back(Grab(r).copy(0, 1, 13, 13)); // disabled
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(r->Widget(), &leave);
    }
    QImage sheet(13 * 8, 13, QImage::Format_RGB32);
    {
        QPainter painter(&sheet);
        for (int i = 0; i < 8; ++i)
            painter.drawImage(13 * i, 0, glyphs[size_t(i)]);
    }
    SaveLook(sheet, "ybthemes_radio_states.png");
    // Checked glyphs carry a dot in the middle; unchecked ones do not.
    EXPECT_LT(Luma(At(glyphs[4], 6, 6)) + 40, Luma(At(glyphs[0], 6, 6)));
    // Pressed and disabled are parts of their own.
    EXPECT_NE(glyphs[2], glyphs[0]);
    EXPECT_NE(glyphs[3], glyphs[0]);
    EXPECT_NE(glyphs[7], glyphs[4]);
    // Not the classic glyph: its sunken ring is clBtnShadow at the top.
    EXPECT_NE(At(glyphs[0], 6, 0), ColorToRGB(clBtnShadow));
}

TEST(YbThemes, ProgressBarTrackAndChunk)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    auto *h = new TYbProgressBar(&form);
    h->SetBounds(10, 10, 200, 24);
    h->SetParent(&form);
    h->SetPercent(50);
    h->SetShowPercent(false);
    auto *v = new TYbProgressBar(&form);
    v->SetBounds(230, 10, 24, 100);
    v->SetParent(&form);
    v->SetOrientation(orVertical);
    v->SetPercent(30);
    v->SetShowPercent(false);
    auto *classic = new TYbProgressBar(&form);
    classic->SetBounds(10, 50, 200, 24);
    classic->SetParent(&form);
    classic->SetPercent(50);
    classic->SetThemeAware(false);
    ASSERT_TRUE(ShowAndActivate(&form));

    TStyle fusion("fusion");
    const QImage hi = Grab(h), vi = Grab(v), ci = Grab(classic);
    SaveLook(hi, "ybthemes_progress_h.png");
    SaveLook(vi, "ybthemes_progress_v.png");
    // The chunk covers the first half, the track the rest.
    const TColor chunk = At(hi, 50, 12), track = At(hi, 150, 12);
    EXPECT_NE(chunk, track);
    EXPECT_EQ(At(hi, 90, 12), chunk);
    EXPECT_EQ(At(hi, 110, 12), track);
    EXPECT_NE(chunk, ColorToRGB(clHighlight)); // the style's colour, not the suite's BarColor
    // Vertical: the chunk grows from the bottom over 30 of 100 pixels.
    EXPECT_NE(At(vi, 12, 90), At(vi, 12, 40));
    EXPECT_EQ(At(vi, 12, 40), At(vi, 12, 20));
    // ThemeAware off: the classic lowered frame and BarColor.
    EXPECT_EQ(At(ci, 0, 0), ColorToRGB(clBtnShadow));
    EXPECT_EQ(At(ci, 50, 12), ColorToRGB(clHighlight));
}

TEST(YbBiDi, CaptionAlignmentAndGlyphMirrored)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 400, 200);
    auto *b = new TYbButton(&form);
    b->SetBounds(10, 10, 120, 25);
    b->SetCaption("Left");
    b->SetAlignment(taLeftJustify);
    b->SetParent(&form);
    auto *r = new TYbRadioButton(&form);
    r->SetBounds(10, 60, 100, 17);
    r->SetParent(&form);
    r->SetCaption("Radio");
    r->SetAutoSize(false);
    r->SetBounds(10, 60, 100, 17);
    r->SetChecked(true);
    ASSERT_TRUE(ShowAndActivate(&form));
    const std::vector<int> ltrInk = InkColumns(Grab(b), Rect(5, 5, 115, 20));
    ASSERT_FALSE(ltrInk.empty());
    EXPECT_LT(ltrInk.back(), 60);

    form.SetBiDiMode(bdRightToLeft);
    EXPECT_EQ(b->BiDiMode(), bdRightToLeft);
    EXPECT_EQ(b->Widget()->layoutDirection(), Qt::RightToLeft);
    QImage bi = Grab(b), ri = Grab(r);
    SaveLook(bi, "ybbidi_button_rtl.png");
    SaveLook(ri, "ybbidi_radio_rtl.png");
    // Left-justified reads as right-justified: the caption ends at the text rectangle's right edge.
    const std::vector<int> rtlInk = InkColumns(bi, Rect(5, 5, 115, 20));
    ASSERT_FALSE(rtlInk.empty());
    EXPECT_GT(rtlInk.front(), 60);
    EXPECT_GE(rtlInk.back(), 110);
    // The glyph moves to the right edge: its dot at width - 7, the caption left of it.
    EXPECT_EQ(At(ri, 100 - 7, 1 + 6), clBlack);
    EXPECT_EQ(At(ri, 100 - 7, 1), RGB(128, 128, 128));
    EXPECT_NE(At(ri, 6, 1 + 6), clBlack);

    // Reading order only: the glyph stays on the left.
    r->SetBiDiMode(bdRightToLeftReadingOnly);
    EXPECT_FALSE(r->ParentBiDiMode());
    ri = Grab(r);
    EXPECT_EQ(At(ri, 6, 1 + 6), clBlack);
    EXPECT_EQ(r->DrawTextBiDiModeFlags(DT_LEFT), unsigned(DT_RTLREADING));
}

TEST(YbActions, CheckedActionLinkBothWays)
{
    TCounter counter;
    TAction first(nullptr), second(nullptr);
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 100);
    first.SetCaption("First");
    first.SetOnExecute(TNotifyEvent(&counter, &TCounter::Execute));
    auto *a = new TYbRadioButton(&form);
    a->SetParent(&form);
    auto *b = new TYbRadioButton(&form);
    b->SetParent(&form);
    b->SetTop(30);
    a->SetAction(&first);
    b->SetAction(&second);
    b->SetOnClick(TNotifyEvent(&counter, &TCounter::Click));
    EXPECT_EQ(a->Caption(), "First");
    EXPECT_FALSE(a->IsCheckedStored());

    // The action checks the button without a click.
    second.SetChecked(true);
    EXPECT_TRUE(b->Checked());
    EXPECT_EQ(counter.Clicks, 0);
    // The button checks its action: clicking the other unchecks this one and its action.
    ASSERT_TRUE(ShowAndActivate(&form));
    Click(a);
    EXPECT_TRUE(a->Checked());
    EXPECT_TRUE(first.Checked());
    EXPECT_FALSE(b->Checked());
    EXPECT_FALSE(second.Checked());
    EXPECT_EQ(counter.Executes, 1); // the click ran the action
    EXPECT_FALSE(a->IsCheckedStored());

    // The action's enabled state and caption follow; a caption of the button's own stops that.
    first.SetEnabled(false);
    EXPECT_FALSE(a->Enabled());
    a->SetCaption("Own");
    first.SetCaption("Changed");
    EXPECT_EQ(a->Caption(), "Own");

    // Loading: an action does not uncheck a button that is already checked.
    TAction unchecked(nullptr);
    TYbRadioButton loaded(nullptr);
    loaded.SetChecked(true);
    loaded.SetLoading(true);
    loaded.SetAction(&unchecked);
    EXPECT_TRUE(loaded.Checked());
    EXPECT_TRUE(loaded.IsCheckedStored());
    loaded.SetLoading(false);
}

TEST(YbScale, GlyphsScaleWithTheForm)
{
    TYbRadioButton plain(nullptr);
    plain.ChangeScale(3, 2);
    EXPECT_EQ(plain.GlyphWidth(), 19); // 13 * 3 / 2 rounded, less one
    EXPECT_EQ(plain.GlyphHeight(), 19);
    plain.ChangeScale(2, 3);
    EXPECT_EQ(plain.GlyphWidth(), 13);

    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    auto *r = new TYbRadioButton(&form);
    r->SetParent(&form);
    r->SetCaption("Scaled");
    TBitmap strip;
    strip.SetSize(78, 13);
    for (int i = 0; i < 6; ++i) {
        strip.Canvas()->Brush()->SetColor(i == 0 ? clBlue : clYellow);
        strip.Canvas()->FillRect(Rect(i * 13, 0, i * 13 + 13, 13));
    }
    r->SetCustomGlyphs(&strip);
    EXPECT_EQ(r->GlyphWidth(), 13);
    form.ScaleBy(2, 1);
    EXPECT_EQ(r->GlyphWidth(), 25);
    EXPECT_EQ(r->GlyphHeight(), 25);
    EXPECT_GE(r->Height(), 27);
    ASSERT_TRUE(ShowAndActivate(&form));
    const QImage img = Grab(r);
    SaveLook(img, "ybscale_custom_glyph.png");
    // The unchecked cell, stretched over the whole scaled glyph.
    const int top = (r->Height() - 25) / 2;
    EXPECT_EQ(At(img, 1, top + 1), clBlue);
    EXPECT_EQ(At(img, 23, top + 23), clBlue);
}
