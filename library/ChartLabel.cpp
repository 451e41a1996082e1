#include "library/ChartLabel.h"

#include <QPainter>
#include <QPixmap>

namespace {

// Small enough for any page layout, large enough to tell a chart is there.
constexpr int kMinimumWidth = 160;
constexpr int kMinimumHeight = 80;

}  // namespace

ChartLabel::ChartLabel(QWidget* parent) : QLabel(parent) {}

ChartLabel::~ChartLabel() = default;

QSize ChartLabel::minimumSizeHint() const
{
    return QSize(kMinimumWidth, kMinimumHeight);
}

QSize ChartLabel::sizeHint() const
{
    return minimumSizeHint();
}

QRect ChartLabel::chartRect() const
{
    const QPixmap chart = pixmap(Qt::ReturnByValue);
    if (chart.isNull())
        return QRect();
    const QRect room = contentsRect();
    QSize size = chart.size();
    if (size.width() > room.width() || size.height() > room.height())
        size.scale(room.size(), Qt::KeepAspectRatio);
    return QRect(room.topLeft(), size);
}

void ChartLabel::paintEvent(QPaintEvent* event)
{
    const QPixmap chart = pixmap(Qt::ReturnByValue);
    if (chart.isNull()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(chartRect(), chart);
}
