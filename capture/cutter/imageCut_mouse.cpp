// The cutter's mouse: drawing, resizing and moving the selection in the cut
// tool, panning in the mouse tool.
#include <QMouseEvent>

#include "capture/cutter/CutGeometry.h"
#include "capture/cutter/imageCut.h"
#include "capture/cutter/showRectWidget.h"

QPoint imageCut::toImage(const QPoint& widgetPoint) const
{
    // Truncated toward zero, like every mapping of the cutter.
    const QPointF p = viewMatrix_.inverted().map(QPointF(widgetPoint));
    return QPoint(static_cast<int>(p.x()), static_cast<int>(p.y()));
}

int imageCut::hitTest(QPoint point, QRect selection) const
{
    return cutgeo::hitZone(point, selection, cutgeo::handleHalf(viewMatrix_.m11()));
}

void imageCut::setPointerZone(int zone)
{
    if (pointerState() != zone)
        pointerMachine_.set(zone);
}

void imageCut::mousePressEvent(QMouseEvent* event)
{
    if (displayImage_.isNull()) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint p = toImage(event->pos());
    pressPoint_ = p;
    pressed_ = true;
    if (toolState() == 0) {
        if (selection_.isValid()) {
            rectBar_->hide();
            selection_ = QRect(p, p);
        }
    } else if (toolState() == 1) {
        const int zone = hitTest(p, selection_);
        // The zone under the button decides what the drag does; a press that
        // came without a move before it (a touch) sets it here.
        setPointerZone(zone);
        rectBar_->hide();
        if (zone == cutgeo::kNowhere)
            selection_ = QRect(p, p);
    }
    update();
    QWidget::mousePressEvent(event);
}

void imageCut::mouseMoveEvent(QMouseEvent* event)
{
    if (displayImage_.isNull()) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    const QPoint m = toImage(event->pos());
    const QSize page = displayImage_.size();
    if (toolState() == 1 && !pressed_) {
        setPointerZone(hitTest(m, selection_));
    } else if (toolState() == 1) {
        const int zone = pointerState();
        if (zone == cutgeo::kInside) {
            selection_ = cutgeo::moved(selection_, m - pressPoint_, page);
            pressPoint_ = m;
        } else if (zone >= cutgeo::kNowhere && zone <= cutgeo::kBottomRight) {
            selection_ = cutgeo::dragged(zone, m, pressPoint_, selection_, page);
        }
    } else if (toolState() == 0 && pressed_) {
        // Panning: the grabbed point of the page follows the pointer.
        viewMatrix_.translate(m.x() - pressPoint_.x(), m.y() - pressPoint_.y());
    }
    update();
    QWidget::mouseMoveEvent(event);
}

void imageCut::mouseReleaseEvent(QMouseEvent* event)
{
    if (displayImage_.isNull()) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const QPoint m = toImage(event->pos());
    pressed_ = false;
    if (toolState() == 1) {
        const int zone = pointerState();
        if (zone == cutgeo::kNowhere) {
            selection_ = cutgeo::released(selection_, m, displayImage_.size());
            if (cutgeo::isShown(selection_))
                showActionBar();
            else
                dropSelection();
        } else if (zone >= cutgeo::kLeft && zone <= cutgeo::kInside && !selection_.isNull()) {
            if (selection_.width() > cutgeo::kMinEditedSide && selection_.height() > cutgeo::kMinEditedSide)
                showActionBar();
            else
                dropSelection();
        }
    }
    update();
    QWidget::mouseReleaseEvent(event);
}
