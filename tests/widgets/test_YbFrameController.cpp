// The frame controller: connecting, pushing settings by name and through the
// suite's own operation, notifications, updates.
#include "YbRadChk.h"

#include "ExtCtrls.h"

#include <gtest/gtest.h>

namespace {

// Counts every time it takes the controller's settings.
class TCountingRadio : public TYbRadioButton
{
public:
    using TYbRadioButton::TYbRadioButton;
    int Applied = 0;
    QList<int> Props;
    void ApplyFrameControllerSettings(TYbFrameController *C, TYbFrameControllerProperty P) override
    {
        ++Applied;
        Props << int(P);
        TYbRadioButton::ApplyFrameControllerSettings(C, P);
    }
};

} // namespace

TEST(YbFrameController, DefaultsAndColourMovesFocusColour)
{
    TYbFrameController c(nullptr);
    EXPECT_EQ(c.Color(), clWindow);
    EXPECT_EQ(c.FrameHotStyle(), fsFlatBold);
    EXPECT_EQ(c.FrameStyle(), fsFlat);
    EXPECT_EQ(c.FrameSides(), AllSides);
    EXPECT_EQ(c.FramingPreference(), fpXPThemes);
    EXPECT_TRUE(c.FlatButtons());
    EXPECT_EQ(GetPropInfo(&c, QStringLiteral("FrameStyle"))->PropType()->Names.size(), 11);

    c.SetColor(clYellow);
    EXPECT_EQ(c.FocusColor(), clYellow);
    c.SetFocusColor(clAqua);
    c.SetColor(clRed);
    EXPECT_EQ(c.FocusColor(), clAqua);
    c.SetParentColor(true);
    c.SetColor(clBlue);
    EXPECT_FALSE(c.ParentColor());

    c.SetFrameSides(TSides{sdLeft});
    c.SetFrameHotTrack(true);
    EXPECT_TRUE(c.FrameVisible());
    EXPECT_EQ(c.FrameSides(), AllSides);
}

TEST(YbFrameController, PushesIntoConnectedControls)
{
    TYbFrameController c(nullptr);
    TCountingRadio r(nullptr);
    TCountingRadio keepsColour(nullptr);
    keepsColour.SetFillColor(clLime);
    keepsColour.SetFrameControllerNotifications(AllFrameControllerNotifications - TYbFrameControllerNotifications{fcpColor});
    r.SetFrameController(&c);
    keepsColour.SetFrameController(&c);
    EXPECT_EQ(c.ControlCount(), 2);
    EXPECT_EQ(r.Applied, 1);
    EXPECT_EQ(r.Props.last(), int(fcpAll));
    EXPECT_TRUE(r.HotTrack());
    c.Connect(&r);
    EXPECT_EQ(c.ControlCount(), 2);
    EXPECT_EQ(r.Applied, 1);

    c.SetColor(clYellow);
    EXPECT_EQ(r.FillColor(), clYellow);
    EXPECT_EQ(keepsColour.FillColor(), clLime);
    c.SetFrameColor(clRed);
    EXPECT_EQ(r.FrameColor(), clRed);
    // The hot colour only while frame hot tracking is on.
    c.SetFrameHotColor(clBlue);
    EXPECT_EQ(r.HotTrackColor(), RGB(240, 155, 20));
    c.SetFrameHotTrack(true);
    c.SetFrameHotColor(clNavy);
    EXPECT_EQ(r.HotTrackColor(), clNavy);

    // Ten changes inside an update reach each control once, as one full update.
    const int before = r.Applied;
    c.BeginUpdate();
    for (int i = 0; i < 10; ++i)
        c.SetDisabledColor(RGB(i, i, i));
    EXPECT_EQ(r.Applied, before);
    c.EndUpdate();
    EXPECT_EQ(r.Applied, before + 1);
    EXPECT_EQ(r.Props.last(), int(fcpAll));
    EXPECT_EQ(r.DisabledColor(), RGB(9, 9, 9));

    // Switching controllers leaves the old list.
    TYbFrameController other(nullptr);
    r.SetFrameController(&other);
    EXPECT_EQ(c.ControlCount(), 1);
    EXPECT_EQ(other.ControlCount(), 1);
}

TEST(YbFrameController, ByNameIntoOtherControlsAndFreeing)
{
    auto *c = new TYbFrameController(nullptr);
    TPanel panel(nullptr);
    c->Connect(&panel);
    EXPECT_EQ(panel.Color(), clWindow);
    c->SetColor(clYellow);
    EXPECT_EQ(panel.Color(), clYellow);
    c->SetFrameColor(clRed); // the panel has no such property
    {
        TYbRadioButton r(nullptr);
        r.SetFrameController(c);
        EXPECT_EQ(c->ControlCount(), 2);
    }
    EXPECT_EQ(c->ControlCount(), 1);
    {
        TPanel gone(nullptr);
        c->Connect(&gone);
        EXPECT_EQ(c->ControlCount(), 2);
    }
    EXPECT_EQ(c->ControlCount(), 1);
    c->SetColor(clBlue); // reaches only the panel still alive
    EXPECT_EQ(panel.Color(), clBlue);
    auto *ini = new TYbRegIniFile(nullptr);
    c->SetRegIniFile(ini);
    delete ini;
    EXPECT_EQ(c->RegIniFile(), nullptr);

    TYbRadioButton r2(nullptr);
    r2.SetFrameController(c);
    delete c;
    EXPECT_EQ(r2.FrameController(), nullptr);
}

TEST(YbFrameController, AssignCopiesEverySetting)
{
    TYbFrameController a(nullptr), b(nullptr);
    a.SetColor(clRed);
    a.SetFrameStyle(fsGroove);
    a.SetFrameSides(TSides{sdTop, sdBottom});
    a.SetFlatButtons(false);
    TCountingRadio r(nullptr);
    r.SetFrameController(&b);
    const int before = r.Applied;
    b.Assign(&a);
    EXPECT_EQ(b.Color(), clRed);
    EXPECT_EQ(b.FrameStyle(), fsGroove);
    EXPECT_EQ(b.FrameSides(), (TSides{sdTop, sdBottom}));
    EXPECT_FALSE(b.FlatButtons());
    EXPECT_EQ(r.Applied, before + 1);
    EXPECT_EQ(r.FillColor(), clRed);

    TYbRegIniFile ini(nullptr);
    EXPECT_FALSE(ini.Changed());
    ini.SetPath(QStringLiteral("x.ini"));
    EXPECT_TRUE(ini.Changed());
    EXPECT_EQ(ini.RegAccess(), 512);
}
