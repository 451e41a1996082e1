#include "capture/sources/imageWidget.h"

#include <QMouseEvent>
#include <QMutex>
#include <QMutexLocker>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>

imageWidget::imageWidget(QMutex* mutex, QWidget* parent) : QWidget(parent), mutex_(mutex) {}

void imageWidget::setImage(QImage* image)
{
    image_ = image;
    update();
}

void imageWidget::setPolygon(bool show, QVector<QPoint> points)
{
    const QPoint half(frameWidth_ / 2, frameHeight_ / 2);
    for (QPoint& p : points)
        p -= half;
    showPolygon_ = show;
    polygon_ = std::move(points);
}

void imageWidget::setFrameSize(int width, int height)
{
    frameWidth_ = width;
    frameHeight_ = height;
    centreX_ = this->width() / 2;
    centreY_ = this->height() / 2;
    const int longer = std::max(width, height);
    if (longer > 0)
        scale_ = std::min(double(this->height()) / longer, double(this->width()));
    update();
}

void imageWidget::rotateLeft()
{
    angle_ = (angle_ - 90) % 360;
    update();
}

void imageWidget::rotateRight()
{
    angle_ = (angle_ + 90) % 360;
    update();
}

void imageWidget::mousePressEvent(QMouseEvent* event)
{
    lastX_ = event->globalPos().x();
    lastY_ = event->globalPos().y();
    dragging_ = true;
}

void imageWidget::mouseReleaseEvent(QMouseEvent* /*event*/)
{
    dragging_ = false;
}

void imageWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragging_)
        return;
    const QPoint global = event->globalPos();
    centreX_ += global.x() - lastX_;
    centreY_ += global.y() - lastY_;
    lastX_ = global.x();
    lastY_ = global.y();
    update();
}

void imageWidget::wheelEvent(QWheelEvent* event)
{
    const int step = event->angleDelta().y();
    if (step > 0 && scale_ < 3.0) {
        scale_ += 0.2;
        update();
    } else if (step < 0 && scale_ > 0.4) {
        scale_ -= 0.2;
        update();
    }
}

void imageWidget::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    QMutexLocker lock(mutex_);
    if (!image_ || image_->isNull())
        return;
    transform_.reset();
    transform_.translate(centreX_, centreY_);
    transform_.scale(scale_, scale_);
    transform_.rotate(angle_);
    painter.setTransform(transform_);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QRect area = image_->rect();
    area.moveCenter(QPoint(0, 0));
    painter.drawImage(area, *image_);
    if (showPolygon_ && !polygon_.isEmpty()) {
        painter.setPen(QPen(Qt::red, 2.0 / std::max(scale_, 0.1)));
        painter.setBrush(Qt::NoBrush);
        painter.drawPolygon(polygon_);
    }
}
