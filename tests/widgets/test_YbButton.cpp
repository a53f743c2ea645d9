// The suite's push button: looks, mouse and key clicks, groups, default and
// cancel keys, hot tracking.
#include "TestFiles.h"
#include "YbButton.h"

#include "FormHarness.h"
#include "Forms.h"
#include "StdCtrls.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTest>
#include <QEnterEvent>
#include <gtest/gtest.h>

using namespace FormHarness;

namespace {

class TClicks : public TObject
{
public:
    QStringList Log;
    void Click(TObject *Sender) { Log << static_cast<TComponent *>(Sender)->Name(); }
};

// Writes the look, six times enlarged, for a person to inspect.
void SaveLook(const QImage &Img, const char *File)
{
    Img.scaled(Img.width() * 6, Img.height() * 6).save(TestFile(QString::fromLatin1(File)));
}

TColor At(const QImage &Img, int X, int Y)
{
    return QColorToColor(QColor::fromRgb(Img.pixel(X, Y)));
}

// Pixels within Tolerance of C on every channel (text edges are smoothed).
int CountColour(const QImage &Img, const TRect &R, TColor C, int Tolerance = 0)
{
    int n = 0;
    for (int y = R.Top; y < R.Bottom; ++y)
        for (int x = R.Left; x < R.Right; ++x)
            n += std::abs(GetRValue(At(Img, x, y)) - GetRValue(C)) <= Tolerance
                 && std::abs(GetGValue(At(Img, x, y)) - GetGValue(C)) <= Tolerance
                 && std::abs(GetBValue(At(Img, x, y)) - GetBValue(C)) <= Tolerance;
    return n;
}

struct TButtonForm {
    TForm Form{nullptr};
    TClicks Clicks;
    TButtonForm() { Form.SetBounds(0, 0, 320, 200); }
    TYbButton *Add(const QString &Name, int L, int T, const QString &Caption = QString())
    {
        auto *b = new TYbButton(&Form);
        b->SetName(Name);
        b->SetCaption(Caption);
        b->SetBounds(L, T, 75, 25);
        b->SetParent(&Form);
        b->SetOnClick(TNotifyEvent(&Clicks, &TClicks::Click));
        return b;
    }
};

void Enter(TControl *C)
{
    QEnterEvent e(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(C->Widget(), &e);
}

void Leave(TControl *C)
{
    QEvent e(QEvent::Leave);
    QCoreApplication::sendEvent(C->Widget(), &e);
}

} // namespace

TEST(YbButton, DefaultsAndPublishedProperties)
{
    TYbButton b(nullptr);
    EXPECT_EQ(b.Width(), 75);
    EXPECT_EQ(b.Height(), 25);
    EXPECT_EQ(b.Color(), clBtnFace);
    EXPECT_TRUE(b.TabStop());
    EXPECT_EQ(b.HotTrackColor(), 1350640);
    EXPECT_EQ(b.FrameColor(), cl3DDkShadow);
    EXPECT_EQ(b.AlignmentVertical(), avCenter);
    EXPECT_FALSE(b.Transparent());
    EXPECT_FALSE(b.UsingThemes());
    TYbCustomButton base(nullptr);
    EXPECT_EQ(base.Width(), 115);
    EXPECT_EQ(base.Height(), 17);

    PPropInfo p = GetPropInfo(&b, QStringLiteral("HotTrackColor"));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->Default(), 1350640);
    for (const char *name : {"Alignment", "AllowAllUp", "Cancel", "Default", "DropDownOnEnter", "GroupIndex", "Down",
                             "FrameColor", "ModalResult", "ShowDownPattern", "ShowFocusRect", "HighlightColor",
                             "HotTrack", "HotTrackColorType", "LightTextStyle", "TextHighlightColor",
                             "TextShadowColor", "TextShadowDepth", "TextStyle", "ThemeAware", "AlignmentVertical"})
        EXPECT_NE(GetPropInfo(&b, QString::fromLatin1(name)), nullptr) << name;
    EXPECT_EQ(GetPropInfo(&b, QStringLiteral("Color"))->Default(), int(clBtnFace));
    SetEnumProp(&b, QStringLiteral("TextStyle"), QStringLiteral("tsShadow"));
    EXPECT_EQ(b.TextStyle(), tsShadow);
}

TEST(YbButton, FramedLookUpAndPressed)
{
    TButtonForm f;
    TYbButton *b = f.Add("B1", 10, 10);
    TYbButton *other = f.Add("B2", 100, 10);
    ASSERT_TRUE(ShowAndActivate(&f.Form));
    ASSERT_TRUE(Focus(other));
    QImage img = Grab(b);
    ASSERT_EQ(img.size(), QSize(75, 25));
    SaveLook(img, "ybbutton_up.png");
    // Button-up edges: highlight and dark shadow outside, light and shadow inside.
    EXPECT_EQ(At(img, 0, 12), clWhite);
    EXPECT_EQ(At(img, 74, 12), RGB(64, 64, 64));
    EXPECT_EQ(At(img, 1, 12), RGB(212, 208, 200));
    EXPECT_EQ(At(img, 73, 12), RGB(128, 128, 128));
    EXPECT_EQ(At(img, 37, 12), RGB(212, 208, 200));

    // The focused button gets the window-frame line and the dotted focus.
    ASSERT_TRUE(Focus(b));
    img = Grab(b);
    SaveLook(img, "ybbutton_focused.png");
    EXPECT_EQ(At(img, 0, 12), clBlack);
    EXPECT_EQ(At(img, 1, 12), clWhite);
    EXPECT_EQ(At(img, 4, 5), clBlack);   // focus dots on x = 4 at odd offsets from the top
    EXPECT_EQ(At(img, 4, 6), RGB(212, 208, 200));

    MouseDown(b, Point(30, 12));
    EXPECT_TRUE(b->Pressed());
    img = Grab(b);
    SaveLook(img, "ybbutton_pressed.png");
    // Pressed: the button-down table, no window-frame line.
    EXPECT_EQ(At(img, 0, 12), clBlack);
    EXPECT_EQ(At(img, 1, 12), RGB(128, 128, 128));
    EXPECT_EQ(At(img, 74, 12), clBlack);
    EXPECT_EQ(At(img, 73, 12), RGB(128, 128, 128));
    MouseUp(b, Point(30, 12));
    EXPECT_FALSE(b->Pressed());
    EXPECT_EQ(f.Clicks.Log, QStringList{"B1"});
}

TEST(YbButton, PressLeavingTheButtonDoesNotClick)
{
    TButtonForm f;
    TYbButton *b = f.Add("B1", 10, 10);
    ASSERT_TRUE(ShowAndActivate(&f.Form));
    MouseDown(b, Point(10, 10));
    EXPECT_TRUE(b->Pressed());
    MouseMove(b, Point(200, 10));
    EXPECT_FALSE(b->Pressed());
    MouseMove(b, Point(20, 10));
    EXPECT_TRUE(b->Pressed());
    MouseMove(b, Point(-5, 10));
    MouseUp(b, Point(-5, 10));
    EXPECT_FALSE(b->Pressed());
    EXPECT_TRUE(f.Clicks.Log.isEmpty());
    Click(b);
    EXPECT_EQ(f.Clicks.Log, QStringList{"B1"});
    // A disabled button ignores the mouse.
    b->SetEnabled(false);
    Click(b);
    EXPECT_EQ(f.Clicks.Log.size(), 1);
}

TEST(YbButton, GroupsToggleAndAllowAllUp)
{
    TButtonForm f;
    TYbButton *a = f.Add("A", 10, 10);
    TYbButton *b = f.Add("B", 100, 10);
    TYbButton *lone = f.Add("Lone", 10, 50);
    lone->SetDown(true);
    EXPECT_FALSE(lone->Down());
    a->SetGroupIndex(1);
    b->SetGroupIndex(1);
    ASSERT_TRUE(ShowAndActivate(&f.Form));

    Click(a);
    EXPECT_TRUE(a->Down());
    EXPECT_EQ(a->State(), 3);
    Click(b);
    EXPECT_TRUE(b->Down());
    EXPECT_FALSE(a->Down());
    EXPECT_EQ(a->State(), 0);
    // Without AllowAllUp the down button stays down.
    Click(b);
    EXPECT_TRUE(b->Down());
    EXPECT_EQ(f.Clicks.Log, (QStringList{"A", "B", "B"}));
    // AllowAllUp spreads through the group.
    a->SetAllowAllUp(true);
    EXPECT_TRUE(b->AllowAllUp());
    Click(b);
    EXPECT_FALSE(b->Down());

    // The down pattern: silver on pixels of equal parity, the face elsewhere.
    b->SetDown(true);
    const QImage img = Grab(b);
    SaveLook(img, "ybbutton_down.png");
    EXPECT_EQ(At(img, 10, 10), clSilver);
    EXPECT_EQ(At(img, 11, 11), clSilver);
    EXPECT_EQ(At(img, 10, 11), RGB(212, 208, 200));
    // Lowered edges outside.
    EXPECT_EQ(At(img, 0, 12), RGB(128, 128, 128));
    EXPECT_EQ(At(img, 1, 12), RGB(64, 64, 64));
    b->SetShowDownPattern(false);
    EXPECT_EQ(At(Grab(b), 10, 10), RGB(212, 208, 200));
}

TEST(YbButton, EnterEscapeSpaceAndAccelerators)
{
    TButtonForm f;
    TYbButton *def = f.Add("Def", 10, 10, "&OK");
    TYbButton *other = f.Add("Other", 100, 10, "Other");
    TYbButton *cancel = f.Add("Cancel", 190, 10, "Cancel");
    auto *edit = new TEdit(&f.Form);
    edit->SetBounds(10, 60, 100, 24);
    edit->SetParent(&f.Form);
    def->SetDefault(true);
    def->SetModalResult(mrOk);
    cancel->SetCancel(true);
    ASSERT_TRUE(ShowAndActivate(&f.Form));

    ASSERT_TRUE(Focus(edit));
    EXPECT_TRUE(def->Active());
    Key(Qt::Key_Return);
    EXPECT_EQ(f.Clicks.Log, QStringList{"Def"});
    EXPECT_EQ(f.Form.ModalResult(), mrOk);
    f.Form.SetModalResult(mrNone);

    // Another button focused: Enter clicks it, not the default one.
    ASSERT_TRUE(Focus(other));
    EXPECT_FALSE(def->Active());
    EXPECT_TRUE(other->Active());
    Key(Qt::Key_Return);
    EXPECT_EQ(f.Clicks.Log.last(), "Other");

    Key(Qt::Key_Escape);
    EXPECT_EQ(f.Clicks.Log.last(), "Cancel");

    // Space: pressed while down, the click on release.
    f.Clicks.Log.clear();
    QTest::keyPress(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_TRUE(other->Pressed());
    EXPECT_TRUE(f.Clicks.Log.isEmpty());
    QTest::keyRelease(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_FALSE(other->Pressed());
    EXPECT_EQ(f.Clicks.Log, QStringList{"Other"});

    // Alt and the accelerator letter.
    Key(Qt::Key_O, Qt::AltModifier);
    EXPECT_EQ(f.Clicks.Log.last(), "Def");

    // DropDownOnEnter off: the click knows it came from Enter.
    bool sawEnter = false;
    struct TProbe : TObject {
        bool *Saw;
        void Click(TObject *Sender) { *Saw = static_cast<TYbButton *>(Sender)->EnterClick(); }
    } probe;
    probe.Saw = &sawEnter;
    other->SetDropDownOnEnter(false);
    other->SetOnClick(TNotifyEvent(&probe, &TProbe::Click));
    Key(Qt::Key_Return);
    EXPECT_TRUE(sawEnter);
    EXPECT_FALSE(other->EnterClick());
}

TEST(YbButton, HotTrackIsTransparentAndTracksTheMouse)
{
    TButtonForm f;
    f.Form.SetColor(clRed);
    TYbButton *b = f.Add("B", 10, 10, "");
    TYbButton *focus = f.Add("F", 100, 10, "");
    b->SetHotTrack(true);
    EXPECT_TRUE(b->Transparent());
    ASSERT_TRUE(ShowAndActivate(&f.Form));
    ASSERT_TRUE(Focus(focus));
    InitializeYbCommon();
    HighColorDisplay = true;

    const QImage normal = Grab(b);
    QImage img = normal;
    SaveLook(img, "ybbutton_hot_normal.png");
    // Corners outside the rounded outline show the parent.
    EXPECT_EQ(At(img, 0, 0), clRed);
    EXPECT_EQ(At(img, 74, 24), clRed);
    EXPECT_EQ(At(img, 0, 12), ShadeDown(clRed, 20));
    EXPECT_EQ(At(img, 74, 12), ShadeUp(clRed, 20));
    EXPECT_EQ(At(img, 1, 1), ShadeDown(clRed, 20));
    EXPECT_EQ(At(img, 1, 12), RGB(64, 64, 64));
    // The face: bottom lines, light top.
    EXPECT_EQ(At(img, 30, 22), ShadeDown(clBtnFace, 30));
    EXPECT_EQ(At(img, 30, 21), ShadeDown(clBtnFace, 20));
    const TColor faceTop = At(img, 30, 2);

    Enter(b);
    EXPECT_TRUE(b->MouseOver());
    img = Grab(b);
    SaveLook(img, "ybbutton_hot_over.png");
    // Two pixels of the hot gradient inside the frame; the face inside them.
    EXPECT_EQ(At(img, 10, 22), MixColors(clWhite, RGB(240, 155, 20), 190));
    EXPECT_EQ(At(img, 3, 12), At(img, 2, 12));
    EXPECT_NE(At(img, 4, 12), At(img, 3, 12));
    EXPECT_EQ(At(img, 30, 4), At(normal, 30, 4));
    EXPECT_NE(At(img, 30, 2), faceTop);
    Leave(b);
    EXPECT_FALSE(b->MouseOver());
    EXPECT_EQ(At(Grab(b), 30, 2), faceTop);

    b->SetHotTrack(false);
    EXPECT_FALSE(b->Transparent());
    EXPECT_EQ(At(Grab(b), 0, 0), clWhite);
}

TEST(YbButton, DisabledCaptionColour)
{
    TButtonForm f;
    TYbButton *grey = f.Add("Grey", 10, 10, "WWWWW");
    TYbButton *face = f.Add("Face", 100, 10, "WWWWW");
    grey->SetColor(clGray);
    grey->SetEnabled(false);
    face->SetEnabled(false);
    ASSERT_TRUE(ShowAndActivate(&f.Form));
    const QImage g = Grab(grey), n = Grab(face);
    SaveLook(g, "ybbutton_disabled_grey.png");
    SaveLook(n, "ybbutton_disabled_face.png");
    const TRect text = Rect(15, 6, 60, 19);
    EXPECT_GT(CountColour(g, text, RGB(64, 64, 64), 12), 10);
    EXPECT_GT(CountColour(n, text, RGB(128, 128, 128), 12), 10);
    EXPECT_EQ(CountColour(n, text, RGB(64, 64, 64), 12), 0);
}

TEST(YbButton, TextStylesDrawOffsetCopies)
{
    TButtonForm f;
    TYbButton *b = f.Add("B", 10, 10, "III");
    b->SetBounds(10, 10, 120, 40);
    b->Font()->SetSize(16);
    ASSERT_TRUE(ShowAndActivate(&f.Form));
    const TRect area = Rect(6, 6, 114, 34);
    b->SetTextHighlightColor(clYellow);
    b->SetTextShadowColor(clBlue);
    b->SetTextStyle(tsRaised);
    QImage img = Grab(b);
    SaveLook(img, "ybbutton_raised.png");
    EXPECT_GT(CountColour(img, area, clYellow, 40), 3);
    EXPECT_GT(CountColour(img, area, clBlue, 40), 3);
    b->SetLightTextStyle(true);
    img = Grab(b);
    EXPECT_GT(CountColour(img, area, clYellow, 40), 3);
    EXPECT_EQ(CountColour(img, area, clBlue, 40), 0);
    b->SetTextStyle(tsShadow);
    img = Grab(b);
    EXPECT_EQ(CountColour(img, area, clYellow, 40), 0);
    EXPECT_GT(CountColour(img, area, clBlue, 40), 3);
}

TEST(YbButton, HotTrackedDefaultComplementAndDisabledLooks)
{
    TButtonForm f;
    TYbButton *def = f.Add("Def", 10, 10, "");
    TYbButton *comp = f.Add("Comp", 100, 10, "");
    TYbButton *off = f.Add("Off", 190, 10, "");
    auto *edit = new TEdit(&f.Form);
    edit->SetBounds(10, 60, 100, 24);
    edit->SetParent(&f.Form);
    for (TYbButton *b : {def, comp, off})
        b->SetHotTrack(true);
    def->SetDefault(true);
    comp->SetHotTrackColorType(htctComplement);
    off->SetEnabled(false);
    ASSERT_TRUE(ShowAndActivate(&f.Form));
    ASSERT_TRUE(Focus(edit));
    InitializeYbCommon();
    HighColorDisplay = true;

    // The default button: a gradient border from the highlight colour.
    QImage img = Grab(def);
    SaveLook(img, "ybbutton_hot_default.png");
    const TColor l = ShadeUp(clBtnFace, 30);
    EXPECT_EQ(At(img, 10, 22), MixColors(clHighlight, l, 60));

    Enter(comp);
    img = Grab(comp);
    SaveLook(img, "ybbutton_hot_complement.png");
    EXPECT_EQ(At(img, 10, 22), OppositeHue(RGB(240, 155, 20), 180));

    img = Grab(off);
    SaveLook(img, "ybbutton_hot_disabled.png");
    EXPECT_EQ(At(img, 0, 12), RGB(212, 208, 200));
    EXPECT_EQ(At(img, 1, 12), ShadeUp(clBtnShadow, 30));
    EXPECT_EQ(At(img, 2, 12), RGB(212, 208, 200));
}

TEST(YbButton, DisablingTheFocusedButtonLetsTheFocusGo)
{
    TButtonForm f;
    TYbButton *a = f.Add("A", 10, 10, "A");
    TYbButton *b = f.Add("B", 100, 10, "B");
    ASSERT_TRUE(ShowAndActivate(&f.Form));
    ASSERT_TRUE(Focus(a));
    MouseDown(a, Point(5, 5));
    EXPECT_TRUE(a->Pressed());
    a->SetEnabled(false);
    ProcessEvents();
    EXPECT_FALSE(a->Pressed());
    EXPECT_FALSE(a->Focused());
    MouseUp(a, Point(5, 5));
    EXPECT_TRUE(f.Clicks.Log.isEmpty());
    (void)b;
}

TEST(YbButton, CaptionPlacementAndPressedShift)
{
    TButtonForm f;
    TYbButton *b = f.Add("B", 10, 10, "WWW");
    b->SetBounds(10, 10, 120, 60);
    TYbButton *focus = f.Add("F", 10, 100, "");
    ASSERT_TRUE(ShowAndActivate(&f.Form));
    ASSERT_TRUE(Focus(focus));
    auto dark = [](const QImage &Img, int Y1, int Y2) { return CountColour(Img, Rect(6, Y1, 114, Y2), clBlack, 60); };
    b->SetAlignmentVertical(avTop);
    QImage img = Grab(b);
    EXPECT_GT(dark(img, 5, 22), 10);
    EXPECT_EQ(dark(img, 35, 55), 0);
    b->SetAlignmentVertical(avBottom);
    img = Grab(b);
    EXPECT_EQ(dark(img, 5, 25), 0);
    EXPECT_GT(dark(img, 35, 55), 10);
    b->SetAlignment(taLeftJustify);
    img = Grab(b);
    EXPECT_GT(CountColour(img, Rect(5, 35, 30, 55), clBlack, 60), 5);
    EXPECT_EQ(CountColour(img, Rect(80, 35, 114, 55), clBlack, 60), 0);

    // Pressed: the caption moves one pixel right and down.
    b->SetAlignmentVertical(avCenter);
    b->SetAlignment(taCenter);
    const QImage up = Grab(b);
    MouseDown(b, Point(60, 30));
    const QImage down = Grab(b);
    MouseUp(b, Point(60, 30));
    int same = 0, moved = 0;
    for (int y = 15; y < 45; ++y)
        for (int x = 20; x < 100; ++x) {
            same += At(up, x, y) == At(down, x, y);
            moved += At(up, x, y) == At(down, x + 1, y + 1);
        }
    EXPECT_GT(moved, same);

    // The hot-tracked look fills a pressed face darker and does not move the caption.
    b->SetHotTrack(true);
    MouseDown(b, Point(60, 30));
    EXPECT_EQ(At(Grab(b), 10, 5), ShadeDown(clBtnFace, 10));
    MouseUp(b, Point(60, 30));
}
