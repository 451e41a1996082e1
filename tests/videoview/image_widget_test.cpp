// The camera view: zoom bounds, quarter turns, the outline's reference point
// and dragging.

#include <QCoreApplication>
#include <QMouseEvent>
#include <QMutex>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include "capture/sources/imageWidget.h"

namespace {

void wheel(imageWidget& widget, int delta)
{
    QWheelEvent event(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&widget, &event);
}

void mouse(imageWidget& widget, QEvent::Type type, const QPoint& pos, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, pos, widget.mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
}

}  // namespace

TEST(ImageWidget, WheelZoomStaysWithinItsBounds)
{
    QMutex mutex;
    imageWidget widget(&mutex);
    for (int i = 0; i < 20; ++i)
        wheel(widget, 120);
    EXPECT_GE(widget.scale(), 3.0);
    EXPECT_LT(widget.scale(), 3.0 + 0.2 + 1e-9);
    const double top = widget.scale();
    wheel(widget, 120);
    EXPECT_EQ(widget.scale(), top);
    for (int i = 0; i < 30; ++i)
        wheel(widget, -120);
    EXPECT_LE(widget.scale(), 0.4 + 1e-9);
    EXPECT_GT(widget.scale(), 0.2 - 1e-9);
    const double bottom = widget.scale();
    wheel(widget, -120);
    EXPECT_EQ(widget.scale(), bottom);
}

TEST(ImageWidget, FourQuarterTurnsComeBack)
{
    QMutex mutex;
    imageWidget widget(&mutex);
    for (int i = 0; i < 4; ++i)
        widget.rotateRight();
    EXPECT_EQ(widget.angle(), 0);
    widget.rotateLeft();
    EXPECT_EQ(widget.angle(), -90);
    for (int i = 0; i < 4; ++i)
        widget.rotateLeft();
    EXPECT_EQ(widget.angle(), -90);
}

TEST(ImageWidget, FrameSizeFitsAndCentres)
{
    QMutex mutex;
    imageWidget widget(&mutex);
    widget.resize(800, 600);
    widget.setFrameSize(1000, 750);
    EXPECT_DOUBLE_EQ(widget.scale(), 0.6);
    EXPECT_EQ(widget.centre(), QPoint(400, 300));
    widget.setPolygon(true, {QPoint(0, 0), QPoint(1000, 750), QPoint(501, 376), QPoint(10, 700)});
    EXPECT_EQ(widget.polygon(),
              (QVector<QPoint>{QPoint(-500, -375), QPoint(500, 375), QPoint(1, 1), QPoint(-490, 325)}));
}

TEST(ImageWidget, DraggingMovesTheCentre)
{
    QMutex mutex;
    imageWidget widget(&mutex);
    widget.resize(400, 300);
    widget.setFrameSize(400, 300);
    widget.show();
    const QPoint start = widget.centre();
    mouse(widget, QEvent::MouseButtonPress, QPoint(100, 100), Qt::LeftButton);
    mouse(widget, QEvent::MouseMove, QPoint(130, 90), Qt::LeftButton);
    mouse(widget, QEvent::MouseButtonRelease, QPoint(130, 90), Qt::NoButton);
    EXPECT_EQ(widget.centre(), start + QPoint(30, -10));
    mouse(widget, QEvent::MouseMove, QPoint(200, 200), Qt::NoButton);  // released: no drag
    EXPECT_EQ(widget.centre(), start + QPoint(30, -10));
}
