// The suite's progress bar: percentages and parts, frames, the three bar
// styles, text in inverse colours, frame controller settings.
#include "TestFiles.h"
#include "YbPrgres.h"

#include "FormHarness.h"
#include "Forms.h"

#include <gtest/gtest.h>

using namespace FormHarness;

namespace {

TColor At(const QImage &Img, int X, int Y)
{
    return QColorToColor(QColor::fromRgb(Img.pixel(X, Y)));
}

void SaveLook(const QImage &Img, const char *File)
{
    Img.scaled(Img.width() * 4, Img.height() * 4).save(TestFile(QString::fromLatin1(File)));
}

// Pixels within Tolerance of C on every channel (text edges are smoothed).
int Count(const QImage &Img, const TRect &R, TColor C, int Tolerance = 0)
{
    int n = 0;
    for (int y = R.Top; y < R.Bottom; ++y)
        for (int x = R.Left; x < R.Right; ++x) {
            const TColor p = At(Img, x, y);
            n += std::abs(GetRValue(p) - GetRValue(C)) <= Tolerance && std::abs(GetGValue(p) - GetGValue(C)) <= Tolerance
                 && std::abs(GetBValue(p) - GetBValue(C)) <= Tolerance;
        }
    return n;
}

class TChanges : public TObject
{
public:
    QList<int> Seen;
    void Change(TObject *, int Percent) { Seen << Percent; }
};

struct TBarForm {
    TForm Form{nullptr};
    TYbProgressBar *Bar;
    TBarForm()
    {
        Form.SetBounds(0, 0, 300, 120);
        Bar = new TYbProgressBar(&Form);
        Bar->SetBounds(10, 10, 200, 24);
        Bar->SetParent(&Form);
    }
};

const TColor kBar = RGB(10, 36, 106); // clHighlight

} // namespace

TEST(YbProgressBar, DefaultsAndPublishedProperties)
{
    TYbProgressBar b(nullptr);
    EXPECT_EQ(b.Width(), 200);
    EXPECT_EQ(b.Height(), 24);
    EXPECT_EQ(b.BackColor(), 16777215);
    EXPECT_EQ(b.BarColor(), clHighlight);
    EXPECT_EQ(b.BarColorStop(), clHotLight);
    EXPECT_EQ(b.BorderOuter(), fsLowered);
    EXPECT_EQ(b.BorderInner(), fsNone);
    EXPECT_EQ(b.FlatColorAdjustment(), 30);
    EXPECT_EQ(b.GradientDirection(), gdHorizontalCenter);
    EXPECT_EQ(b.NumSegments(), 20);
    EXPECT_TRUE(b.ShowPercent());
    EXPECT_EQ(GetPropInfo(&b, QStringLiteral("NumSegments"))->Default(), 20);
    EXPECT_EQ(GetPropInfo(&b, QStringLiteral("BorderOuter"))->Default(), fsLowered);
    EXPECT_NE(GetPropInfo(&b, QStringLiteral("OnChange")), nullptr);
}

TEST(YbProgressBar, PercentPartsAndTheChangeEvent)
{
    TYbProgressBar b(nullptr);
    TChanges changes;
    b.SetOnChange(TYbProgressChangeEvent(&changes, &TChanges::Change));
    b.SetPercent(40);
    b.SetPercent(40);
    EXPECT_EQ(changes.Seen, QList<int>{40});
    EXPECT_EQ(b.BarText(), "40%");
    b.SetPercent(250);
    EXPECT_EQ(b.Percent(), 100);

    b.SetTotalParts(3);
    EXPECT_EQ(b.Percent(), 0);
    b.SetPartsComplete(1);
    EXPECT_EQ(b.Percent(), 33);
    b.SetPartsComplete(2);
    EXPECT_EQ(b.Percent(), 67);
    b.SetPartsComplete(7);
    EXPECT_EQ(b.PartsComplete(), 3u);
    EXPECT_EQ(b.Percent(), 100);
    b.SetShowParts(true);
    EXPECT_EQ(b.BarText(), "3 / 3");
    // A new total starts the bar again.
    b.SetTotalParts(10);
    EXPECT_EQ(b.PartsComplete(), 0u);
    EXPECT_EQ(b.Percent(), 0);
    EXPECT_EQ(changes.Seen.last(), 0);
    // Without a total the parts stay at 0.
    TYbProgressBar z(nullptr);
    z.SetPartsComplete(5);
    EXPECT_EQ(z.PartsComplete(), 0u);
    EXPECT_EQ(z.Percent(), 0);
}

TEST(YbProgressBar, TraditionalBarFrameAndText)
{
    TBarForm f;
    TYbProgressBar *b = f.Bar;
    b->SetShowPercent(false);
    ASSERT_TRUE(ShowAndActivate(&f.Form));
    b->SetPercent(100);
    QImage img = Grab(b);
    // Lowered frame, then the bar over the whole interior.
    EXPECT_EQ(At(img, 0, 12), RGB(128, 128, 128));
    EXPECT_EQ(At(img, 1, 12), RGB(64, 64, 64));
    EXPECT_EQ(At(img, 199, 12), clWhite);
    EXPECT_EQ(At(img, 198, 12), RGB(212, 208, 200));
    EXPECT_EQ(Count(img, Rect(2, 2, 198, 22), kBar), 196 * 20);

    b->SetPercent(50);
    img = Grab(b);
    EXPECT_EQ(At(img, 2 + 97, 12), kBar);
    EXPECT_EQ(At(img, 2 + 98, 12), clWhite);

    b->SetShowPercent(true);
    b->SetPercent(0);
    img = Grab(b);
    SaveLook(img, "ybprogress_0.png");
    EXPECT_GT(Count(img, Rect(2, 2, 198, 22), kBar, 70), 10); // "0%" in the bar colour
    EXPECT_EQ(Count(img, Rect(2, 2, 80, 22), kBar), 0);

    b->SetPercent(50);
    img = Grab(b);
    SaveLook(img, "ybprogress_50.png");
    // The text: white on the bar, bar-coloured on white.
    EXPECT_GT(Count(img, Rect(80, 2, 100, 22), clWhite, 70), 5);
    EXPECT_GT(Count(img, Rect(100, 2, 120, 22), kBar, 70), 5);

    b->SetOrientation(orVertical);
    b->SetShowPercent(false);
    img = Grab(b);
    EXPECT_EQ(At(img, 50, 21), kBar);
    EXPECT_EQ(At(img, 50, 2), clWhite);
}

TEST(YbProgressBar, LedSegments)
{
    TBarForm f;
    TYbProgressBar *b = f.Bar;
    b->SetBarStyle(bsLED);
    EXPECT_FALSE(b->ShowPercent());
    EXPECT_EQ(b->InteriorOffset(), 1);
    // 80 pixels inside the lowered frame and the one-pixel offset.
    b->SetBounds(10, 10, 86, 20);
    b->SetPercent(50);
    ASSERT_TRUE(ShowAndActivate(&f.Form));
    QImage img = Grab(b);
    SaveLook(img, "ybprogress_led.png");
    // Ten segments of 8 pixels, five lit, each outlined in the back colour.
    for (int i = 0; i < 10; ++i) {
        const int x = 3 + 8 * i;
        EXPECT_EQ(At(img, x, 10), clWhite) << i;
        EXPECT_EQ(At(img, x + 4, 10), i < 5 ? kBar : clWhite) << i;
    }
    EXPECT_EQ(Count(img, Rect(3, 3, 83, 17), kBar), 5 * 6 * 12);
    b->SetShowPercent(true);
    b->SetPercent(0);
    img = Grab(b);
    EXPECT_GT(Count(img, Rect(3, 3, 83, 17), kBar, 70), 5);

    // 194 pixels: segments of 194 div 20 = 9, one more whole segment fits
    // in the 14 left, and the last 5 are split 2 before and 3 after.
    b->SetShowPercent(false);
    b->SetBounds(10, 10, 200, 20);
    b->SetPercent(100);
    img = Grab(b);
    SaveLook(img, "ybprogress_led_long.png");
    EXPECT_EQ(Count(img, Rect(3, 10, 197, 11), kBar), 21 * 7);
    EXPECT_EQ(At(img, 3 + 1, 10), clWhite);
    EXPECT_EQ(At(img, 3 + 2 + 4, 10), kBar);
    EXPECT_EQ(At(img, 3 + 2 + 189 - 4, 10), kBar);
    EXPECT_EQ(At(img, 3 + 2 + 189, 10), clWhite);
}

TEST(YbProgressBar, GradientAndFlatFrames)
{
    TBarForm f;
    TYbProgressBar *b = f.Bar;
    b->SetBarStyle(bsGradient);
    b->SetGradientDirection(gdVerticalEnd);
    b->SetBarColor(clBlack);
    b->SetBarColorStop(clRed);
    b->SetShowPercent(false);
    b->SetBorderOuter(fsFlat);
    b->SetPercent(50);
    ASSERT_TRUE(ShowAndActivate(&f.Form));
    QImage img = Grab(b);
    SaveLook(img, "ybprogress_gradient.png");
    EXPECT_EQ(At(img, 0, 0), ShadeBy(clBtnShadow, 30));
    // Filled part from red at the left to black at its right end.
    EXPECT_GT(GetRValue(At(img, 1, 12)), 240);
    EXPECT_EQ(At(img, 99, 12), clBlack);
    // Unfilled part from white to button face.
    EXPECT_EQ(At(img, 198, 12), clWhite);
    EXPECT_LT(GetRValue(At(img, 101, 12)), 220);

    b->SetBorderOuter(fsFlatRounded);
    b->SetFlatColorAdjustment(0);
    img = Grab(b);
    EXPECT_EQ(At(img, 0, 0), RGB(212, 208, 200));
    EXPECT_EQ(At(img, 1, 1), RGB(128, 128, 128));
    b->SetBorderOuter(fsStatus);
    b->SetBevelWidth(2);
    img = Grab(b);
    EXPECT_EQ(At(img, 1, 12), RGB(128, 128, 128));
    EXPECT_EQ(At(img, 198, 12), clWhite);
    EXPECT_GT(GetRValue(At(img, 2, 12)), 240);
}

TEST(YbProgressBar, FrameControllerSettings)
{
    TYbFrameController c(nullptr);
    c.SetFrameStyle(fsFlatBold);
    c.SetFrameColor(clRed);
    c.SetColor(clYellow);
    TYbProgressBar b(nullptr);
    b.SetFrameController(&c);
    EXPECT_EQ(b.BorderOuter(), fsFlatBold);
    EXPECT_EQ(b.FlatColor(), clRed);
    EXPECT_EQ(b.FlatColorAdjustment(), 0);
    EXPECT_EQ(b.BackColor(), clYellow);
    b.SetFrameControllerNotifications(AllFrameControllerNotifications - TYbFrameControllerNotifications{fcpColor});
    c.SetColor(clAqua);
    EXPECT_EQ(b.BackColor(), clYellow);
    c.SetFrameStyle(fsGroove);
    EXPECT_EQ(b.BorderOuter(), fsGroove);
}

TEST(YbProgressBar, VerticalLedFromTheBottom)
{
    TBarForm f;
    TYbProgressBar *b = f.Bar;
    b->SetBarStyle(bsLED);
    b->SetOrientation(orVertical);
    b->SetNumSegments(5);
    // 50 pixels inside the frame and offset: five segments of 10.
    b->SetBounds(10, 10, 20, 56);
    b->SetPercent(40);
    ASSERT_TRUE(ShowAndActivate(&f.Form));
    const QImage img = Grab(b);
    SaveLook(img, "ybprogress_led_vertical.png");
    EXPECT_EQ(At(img, 10, 3 + 50 - 5), kBar);
    EXPECT_EQ(At(img, 10, 3 + 50 - 15), kBar);
    EXPECT_EQ(At(img, 10, 3 + 50 - 25), clWhite);
    EXPECT_EQ(At(img, 10, 3 + 50 - 10), clWhite); // outline between segments
}
