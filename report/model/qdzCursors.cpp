// The report engine's cursors (hand, magnifier, format brush) and their loading into the screen's table.
#include "qdzClass.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QThread>
#include <atomic>

namespace {

constexpr int CursorSize = 32;

QPixmap BlankCursorPixmap()
{
    QPixmap pm(CursorSize, CursorSize);
    pm.fill(Qt::transparent);
    return pm;
}

// A lens with a handle to the lower right; the hot spot is the lens centre,
// the point a click zooms on.
QCursor ZoomCursor()
{
    QPixmap pm = BlankCursorPixmap();
    {
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::black, 5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(17, 17), QPointF(27, 27));
        p.setPen(QPen(Qt::black, 2));
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(11, 11), 8, 8);
        // A plus in the lens: zooming in.
        p.setPen(QPen(Qt::black, 1.5));
        p.drawLine(QPointF(7, 11), QPointF(15, 11));
        p.drawLine(QPointF(11, 7), QPointF(11, 15));
    }
    return QCursor(pm, 11, 11);
}

// An arrow with a flat brush beside it; the hot spot is the arrow's tip.
QCursor FormatCursor()
{
    QPixmap pm = BlankCursorPixmap();
    {
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(Qt::white);
        QPainterPath arrow;
        arrow.moveTo(1, 1);
        arrow.lineTo(1, 17);
        arrow.lineTo(5, 13);
        arrow.lineTo(8, 19);
        arrow.lineTo(10, 18);
        arrow.lineTo(7, 12);
        arrow.lineTo(12, 12);
        arrow.closeSubpath();
        p.drawPath(arrow);
        // Bristles, ferrule and handle of the brush, standing upright.
        p.setBrush(QColor(0xFF, 0xD8, 0x40));
        p.drawRect(QRectF(16.5, 3.5, 12, 7));
        p.setBrush(QColor(0xB0, 0xB0, 0xB0));
        p.drawRect(QRectF(18.5, 10.5, 8, 4));
        p.setBrush(QColor(0x80, 0x50, 0x20));
        p.drawRect(QRectF(20.5, 14.5, 4, 14));
    }
    return QCursor(pm, 1, 1);
}

} // namespace

QCursor qdzCursorResource(const QString &Name)
{
    if (Name == QLatin1String("qdzHAND"))
        return QCursor(Qt::PointingHandCursor);
    if (Name == QLatin1String("qdzZOOM"))
        return ZoomCursor();
    if (Name == QLatin1String("qdzFORMAT"))
        return FormatCursor();
    return QCursor(Qt::ArrowCursor);
}

void qdzLoadCursors()
{
    static std::atomic<bool> Loaded{false};
    if (Loaded.load(std::memory_order_acquire))
        return;
    // Pixmaps and the screen belong to the GUI thread; only it gets past here,
    // so the loading below does not race with itself.
    const auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (!app || QThread::currentThread() != app->thread())
        return;
    Screen->SetCursors(crHand, qdzCursorResource(QStringLiteral("qdzHAND")));
    Screen->SetCursors(crZoom, qdzCursorResource(QStringLiteral("qdzZOOM")));
    Screen->SetCursors(crFormat, qdzCursorResource(QStringLiteral("qdzFORMAT")));
    Loaded.store(true, std::memory_order_release);
}
