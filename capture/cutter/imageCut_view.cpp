// The cutter's view: fitting, zoom and scrolling, painting, and the keys.
#include <QButtonGroup>
#include <QKeyEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

#include "capture/cutter/CutGeometry.h"
#include "capture/cutter/imageCut.h"
#include "capture/cutter/imageCutBar.h"
#include "capture/cutter/showRectWidget.h"

namespace {

const double kZoomStep = 1.1;
const double kZoomOutStep = 0.9;
const double kMaxScale = 4.0;
const double kMinScale = 0.1;

}  // namespace

void imageCut::fitImage(bool byHeight)
{
    if (!isVisible() || displayImage_.isNull())
        return;
    double scale = byHeight ? static_cast<double>(height()) / displayImage_.height()
                            : static_cast<double>(width()) / displayImage_.width();
    scale = std::min(scale, 1.0);
    // Centred horizontally, the top edge at the top of the widget; never
    // larger than 1:1.
    viewMatrix_ = QTransform(scale, 0, 0, scale, width() / 2 - displayImage_.width() * scale * 0.5, 0);
    // The action bar follows a selection that outlives the fit (a resize).
    slot_matrix_changed();
    repaint();
}

void imageCut::zoomIn()
{
    zoomBy(kZoomStep);
}

void imageCut::zoomOut()
{
    zoomBy(kZoomOutStep);
}

void imageCut::zoomBy(double factor)
{
    if (displayImage_.isNull())
        return;
    const double scale = std::max(std::fabs(viewMatrix_.m11()), std::fabs(viewMatrix_.m21()));
    if (factor > 1.0 ? !(scale * factor < kMaxScale) : !(scale * factor > kMinScale))
        return;
    // The image point under the mouse cursor stays under it.
    const QPoint p = toImage(mapFromGlobal(QCursor::pos()));
    viewMatrix_.translate(p.x(), p.y());
    viewMatrix_.scale(factor, factor);
    viewMatrix_.translate(-p.x(), -p.y());
}

void imageCut::wheelEvent(QWheelEvent* event)
{
    if (displayImage_.isNull()) {
        QWidget::wheelEvent(event);
        return;
    }
    const QPoint angle = event->angleDelta();
    const int delta = angle.y() != 0 ? angle.y() : angle.x();
    // A touchpad also sends events without any turn (the start and end of a
    // gesture): they neither zoom nor scroll.
    if (delta != 0) {
        if (toolBar_->group()->checkedId() == 0) {
            if (delta >= 1)
                zoomIn();
            else
                zoomOut();
        } else {
            // One notch scrolls by a twentieth of the page height.
            const int step = displayImage_.height() / 20;
            viewMatrix_.translate(0, delta >= 1 ? step : -step);
        }
        repaint();
        emit matrix_changed();
    }
    QWidget::wheelEvent(event);
}

void imageCut::slot_matrix_changed()
{
    if (!selection_.isNull())
        placeActionBar();
}

void imageCut::placeActionBar()
{
    // Right-aligned under the selection, 5 pixels below it.
    const QRect r = viewMatrix_.mapRect(selection_);
    rectBar_->setGeometry(r.right() - 300, r.bottom() + 5, 300, 40);
}

void imageCut::showActionBar()
{
    placeActionBar();
    rectBar_->show();
    rectBar_->raise();
}

void imageCut::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(220, 220, 220));
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!displayImage_.isNull()) {
        scaledPage_.draw(painter, displayImage_, viewMatrix_);
        painter.setTransform(viewMatrix_);
        paintSelection(painter);
    }
    QWidget::paintEvent(event);
}

void imageCut::paintSelection(QPainter& painter)
{
    if (!cutgeo::isShown(selection_))
        return;
    const double scale = viewMatrix_.m11();
    const qreal width = scale > 0 ? 2.0 / scale : 2.0;  // about 2 screen pixels
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::gray, width, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    painter.drawRect(selection_);
    painter.setPen(QPen(Qt::blue, width, Qt::DashDotLine, Qt::SquareCap, Qt::BevelJoin));
    painter.drawRect(selection_);
    for (const QRect& square : cutgeo::handles(selection_, cutgeo::handleHalf(scale)))
        painter.fillRect(square, Qt::blue);
    painter.fillRect(selection_, QColor(0, 0, 0, 10));
}

void imageCut::resizeEvent(QResizeEvent* event)
{
    fitImage(false);
    QWidget::resizeEvent(event);
}

void imageCut::showEvent(QShowEvent* event)
{
    setFocus(Qt::OtherFocusReason);
    QWidget::showEvent(event);
}

void imageCut::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat())
        quick_change();
    QWidget::keyPressEvent(event);
}

void imageCut::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat())
        quick_change();
    QWidget::keyReleaseEvent(event);
}

void imageCut::moveSelectionBy(int dx, int dy)
{
    // Only a real selection moves; it may leave the page (the cut then takes
    // what still covers it).
    if (!selection_.isValid())
        return;
    selection_.translate(dx, dy);
    repaint();
    emit matrix_changed();
}

void imageCut::move_showRect(int type)
{
    switch (type) {
    case Qt::Key_Left: moveSelectionBy(-2, 0); break;
    case Qt::Key_Up: moveSelectionBy(0, -2); break;
    case Qt::Key_Right: moveSelectionBy(2, 0); break;
    case Qt::Key_Down: moveSelectionBy(0, 2); break;
    default: break;
    }
}

void imageCut::move_showRect_left()
{
    move_showRect(Qt::Key_Left);
}

void imageCut::move_showRect_right()
{
    move_showRect(Qt::Key_Right);
}

void imageCut::move_showRect_up()
{
    move_showRect(Qt::Key_Up);
}

void imageCut::move_showRect_down()
{
    move_showRect(Qt::Key_Down);
}
