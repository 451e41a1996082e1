#include "RegionPicker.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

RegionPicker::RegionPicker(const QImage& screen, QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), screen_(screen)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    setCursor(Qt::CrossCursor);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

QRect RegionPicker::dragRect() const
{
    // Corner to corner, the far corner excluded: a click is an empty rect.
    return QRect(QPoint(qMin(anchor_.x(), current_.x()), qMin(anchor_.y(), current_.y())),
                 QSize(qAbs(current_.x() - anchor_.x()), qAbs(current_.y() - anchor_.y())));
}

QRect RegionPicker::toImage(const QRect& widgetRect) const
{
    if (width() <= 0 || height() <= 0)
        return QRect();
    const double sx = double(screen_.width()) / width();
    const double sy = double(screen_.height()) / height();
    const QRect scaled(qRound(widgetRect.x() * sx), qRound(widgetRect.y() * sy), qRound(widgetRect.width() * sx),
                       qRound(widgetRect.height() * sy));
    return scaled & screen_.rect();
}

QRect RegionPicker::selection() const
{
    return dragging_ || done_ ? toImage(dragRect()) : QRect();
}

void RegionPicker::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.drawImage(rect(), screen_);
    painter.fillRect(rect(), QColor(0, 0, 0, 110));
    if (!dragging_)
        return;
    const QRect area = dragRect();
    painter.drawImage(area, screen_, toImage(area));
    painter.setPen(QPen(QColor(30, 144, 255), 1));
    painter.drawRect(area.adjusted(0, 0, -1, -1));
    painter.setPen(Qt::white);
    const QRect picked = toImage(area);
    painter.drawText(area.topLeft() + QPoint(4, -6),
                     QStringLiteral("%1 x %2").arg(picked.width()).arg(picked.height()));
}

void RegionPicker::mousePressEvent(QMouseEvent* event)
{
    if (done_)
        return;
    if (event->button() == Qt::RightButton) {
        done_ = true;
        emit cancelled();
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    dragging_ = true;
    anchor_ = current_ = event->pos();
    update();
}

void RegionPicker::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragging_ || done_)
        return;
    current_ = event->pos();
    update();
}

void RegionPicker::mouseReleaseEvent(QMouseEvent* event)
{
    if (!dragging_ || done_ || event->button() != Qt::LeftButton)
        return;
    current_ = event->pos();
    const QRect drag = dragRect();
    const QRect region = toImage(drag);
    if (drag.width() < 2 || drag.height() < 2 || region.isEmpty()) {
        dragging_ = false;  // a click, not a drag: start again
        update();
        return;
    }
    done_ = true;
    emit regionChosen(region);
}

void RegionPicker::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && !done_) {
        done_ = true;
        emit cancelled();
        return;
    }
    QWidget::keyPressEvent(event);
}
