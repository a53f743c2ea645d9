// The screen's cursor table: standard ids, own cursors by id, and controls showing them.
#include "ExtCtrls.h"
#include "Forms.h"
#include <gtest/gtest.h>
#include <QCursor>
#include <QGuiApplication>
#include <QPixmap>

namespace {

// Ids of this test's own; the table is process-wide.
constexpr TCursor crTestOwn = 200, crTestUnknown = 201;

QCursor OwnCursor()
{
    QPixmap pm(32, 32);
    pm.fill(Qt::red);
    return QCursor(pm, 5, 7);
}

} // namespace

TEST(Cursors, StandardAndUnknownIdsKeepTheirQtShapes)
{
    const struct {
        TCursor Id;
        Qt::CursorShape Shape;
    } cases[] = {{crDefault, Qt::ArrowCursor},     {crArrow, Qt::ArrowCursor},
                 {crNone, Qt::BlankCursor},        {crIBeam, Qt::IBeamCursor},
                 {crHourGlass, Qt::WaitCursor},    {crHandPoint, Qt::PointingHandCursor},
                 {crSizeWE, Qt::SizeHorCursor},    {crTestUnknown, Qt::ArrowCursor},
                 {-9999, Qt::ArrowCursor}};
    for (const auto &c : cases)
        EXPECT_EQ(Screen->Cursors(c.Id).shape(), c.Shape) << c.Id;
}

TEST(Cursors, OwnCursorsAreKeptByIdAndShownByControlsAndTheScreen)
{
    const QCursor own = OwnCursor();
    Screen->SetCursors(crTestOwn, own);
    const QCursor got = Screen->Cursors(crTestOwn);
    EXPECT_EQ(got.shape(), Qt::BitmapCursor);
    EXPECT_EQ(got.pixmap().cacheKey(), own.pixmap().cacheKey());
    EXPECT_EQ(got.hotSpot(), QPoint(5, 7));

    TPanel panel(nullptr);
    QWidget *w = panel.Widget();
    ASSERT_NE(w, nullptr);
    panel.SetCursor(crTestOwn);
    EXPECT_EQ(panel.Cursor(), crTestOwn);
    EXPECT_EQ(w->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(w->cursor().pixmap().cacheKey(), own.pixmap().cacheKey());
    EXPECT_EQ(w->cursor().hotSpot(), QPoint(5, 7));

    // An id without a cursor of its own is the default arrow; a standard one its shape.
    panel.SetCursor(crTestUnknown);
    EXPECT_EQ(w->cursor().shape(), Qt::ArrowCursor);
    panel.SetCursor(crIBeam);
    EXPECT_EQ(w->cursor().shape(), Qt::IBeamCursor);
    panel.SetCursor(crDefault);
    EXPECT_EQ(w->cursor().shape(), Qt::ArrowCursor);

    Screen->SetCursor(crTestOwn);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->pixmap().cacheKey(), own.pixmap().cacheKey());
    Screen->SetCursor(crDefault);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}
