// Properties of older stored forms that the suite still reads, and the
// published properties as the form reader sets them.
#include "YbPrgres.h"
#include "YbRadChk.h"

#include "Filer.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

// Writes properties with Write, then reads them into Instance as a form would.
void ReadInto(TPersistent *Instance, const std::function<void(TWriter &)> &Write)
{
    TMemoryStream s;
    {
        TWriter w(&s);
        Write(w);
    }
    s.SetPosition(0);
    TReader r(&s);
    while (!r.EndOfStream())
        r.ReadProperty(Instance);
}

} // namespace

TEST(YbStored, ObsoleteFlatPropertiesSetHotTracking)
{
    TYbButton b(nullptr);
    ReadInto(&b, [](TWriter &w) {
        w.WriteStr(QStringLiteral("FrameFlat"));
        w.WriteBoolean(true);
    });
    EXPECT_TRUE(b.HotTrack());
    EXPECT_TRUE(b.Transparent());

    TYbRadioButton r(nullptr);
    ReadInto(&r, [](TWriter &w) {
        w.WriteStr(QStringLiteral("Flat"));
        w.WriteBoolean(true);
    });
    EXPECT_TRUE(r.HotTrack());

    TYbFrameController c(nullptr);
    ReadInto(&c, [](TWriter &w) {
        w.WriteStr(QStringLiteral("FrameFlat"));
        w.WriteBoolean(true);
        w.WriteStr(QStringLiteral("FrameFlatStyle"));
        w.WriteIdent(QStringLiteral("fsFlat"));
    });
    EXPECT_TRUE(c.FrameHotTrack());
    EXPECT_EQ(c.FrameStyle(), fsStatus);
    EXPECT_EQ(c.FrameHotStyle(), fsLowered);
    ReadInto(&c, [](TWriter &w) {
        w.WriteStr(QStringLiteral("FrameFocusStyle"));
        w.WriteIdent(QStringLiteral("fsGroove"));
    });
    EXPECT_EQ(c.FrameHotStyle(), fsGroove);
}

TEST(YbStored, PublishedPropertiesByName)
{
    TYbProgressBar p(nullptr);
    ReadInto(&p, [](TWriter &w) {
        w.WriteStr(QStringLiteral("BarColor"));
        w.WriteInteger(qint64(clNavy));
        w.WriteStr(QStringLiteral("BarStyle"));
        w.WriteIdent(QStringLiteral("bsLED"));
        w.WriteStr(QStringLiteral("Percent"));
        w.WriteInteger(qint64(35));
    });
    EXPECT_EQ(p.BarColor(), clNavy);
    EXPECT_EQ(p.BarStyle(), bsLED);
    EXPECT_EQ(p.InteriorOffset(), 1);
    EXPECT_EQ(p.Percent(), 35);

    TYbFrameController c(nullptr);
    ReadInto(&c, [](TWriter &w) {
        w.WriteStr(QStringLiteral("FrameSides"));
        w.WriteSet(TypeInfoOf<TSides>(), TSides{sdLeft, sdBottom}.ToInt());
        w.WriteStr(QStringLiteral("FrameHotStyle"));
        w.WriteIdent(QStringLiteral("fsPopup"));
    });
    EXPECT_EQ(c.FrameSides(), (TSides{sdLeft, sdBottom}));
    EXPECT_EQ(c.FrameHotStyle(), fsPopup);
}

TEST(YbStored, ProgressPartsReadBeforeTheirTotalKeepTheirValue)
{
    // The writer puts properties in name order: PartsComplete before TotalParts.
    struct Case {
        int Parts, Total;
        unsigned Expected;
    };
    for (const Case &c : {Case{4, 10, 4u}, Case{12, 10, 10u}, Case{0, 10, 0u}, Case{3, 0, 0u}}) {
        TYbProgressBar b(nullptr);
        b.SetLoading(true);
        ReadInto(&b, [&](TWriter &w) {
            w.WriteStr(QStringLiteral("PartsComplete"));
            w.WriteInteger(c.Parts);
            w.WriteStr(QStringLiteral("Percent"));
            w.WriteInteger(40);
            w.WriteStr(QStringLiteral("TotalParts"));
            w.WriteInteger(c.Total);
        });
        b.Loaded();
        EXPECT_EQ(b.TotalParts(), unsigned(c.Total));
        EXPECT_EQ(b.PartsComplete(), c.Expected) << c.Parts << "/" << c.Total;
        EXPECT_EQ(b.Percent(), 40);
    }
}
