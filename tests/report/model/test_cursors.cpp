// The report engine's cursors: in the screen's table once a report object exists, and shown by controls.
#include "report/model/qdzClass.h"

#include "platform/ExtCtrls.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

// Opaque pixels of a cursor's pixmap.
int InkedPixels(const QCursor &C)
{
    const QImage img = C.pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += qAlpha(img.pixel(x, y)) > 0;
    return n;
}

} // namespace

TEST(ReportCursors, StartUpFillsTheScreensTableAndControlsShowThem)
{
    TqdzReport report(nullptr);
    EXPECT_EQ(crHand, 150);
    EXPECT_EQ(crZoom, 151);
    EXPECT_EQ(crFormat, 152);
    EXPECT_EQ(Screen->Cursors(crHand).shape(), Qt::PointingHandCursor);
    for (const TCursor id : {crZoom, crFormat}) {
        const QCursor c = Screen->Cursors(id);
        EXPECT_EQ(c.shape(), Qt::BitmapCursor) << id;
        ASSERT_FALSE(c.pixmap().isNull()) << id;
        EXPECT_EQ(c.pixmap().size(), QSize(32, 32)) << id;
        // Drawn, not blank, and not filling the whole square.
        const int inked = InkedPixels(c);
        EXPECT_GT(inked, 60) << id;
        EXPECT_LT(inked, 32 * 32 / 2) << id;
    }
    // The magnifier's hot spot is the lens centre, the brush's the arrow's tip.
    EXPECT_EQ(Screen->Cursors(crZoom).hotSpot(), QPoint(11, 11));
    EXPECT_EQ(Screen->Cursors(crFormat).hotSpot(), QPoint(1, 1));
    EXPECT_NE(Screen->Cursors(crZoom).pixmap().cacheKey(), Screen->Cursors(crFormat).pixmap().cacheKey());

    TPanel panel(nullptr);
    panel.SetCursor(crZoom);
    EXPECT_EQ(panel.Widget()->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(panel.Widget()->cursor().pixmap().cacheKey(), Screen->Cursors(crZoom).pixmap().cacheKey());
    panel.SetCursor(crHand);
    EXPECT_EQ(panel.Widget()->cursor().shape(), Qt::PointingHandCursor);
    panel.SetCursor(153);
    EXPECT_EQ(panel.Widget()->cursor().shape(), Qt::ArrowCursor);
}

TEST(ReportCursors, ResourceNamesGiveTheirCursorsAndOthersTheDefault)
{
    EXPECT_EQ(qdzCursorResource(QStringLiteral("qdzHAND")).shape(), Qt::PointingHandCursor);
    EXPECT_EQ(qdzCursorResource(QStringLiteral("qdzZOOM")).shape(), Qt::BitmapCursor);
    EXPECT_EQ(qdzCursorResource(QStringLiteral("qdzFORMAT")).shape(), Qt::BitmapCursor);
    EXPECT_EQ(qdzCursorResource(QStringLiteral("qdzzoom")).shape(), Qt::ArrowCursor);
    EXPECT_EQ(qdzCursorResource(QString()).shape(), Qt::ArrowCursor);
}
