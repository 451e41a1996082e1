#include "support/SyntheticPictures.h"

#include <QPainter>
#include <QPen>

namespace pictures {

QImage flat(int width, int height, QColor colour)
{
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(colour);
    return image;
}

QImage redTickOnWhite(int width, int height, QRect* tick)
{
    QImage image = flat(width, height, Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPoint a(width / 4, height / 2);
    const QPoint b(width / 4 + height / 8, height / 2 + height / 8);
    const QPoint c(width / 4 + height / 3, height / 2 - height / 4);
    painter.setPen(QPen(QColor(220, 30, 30), 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(QPolygon({a, b, c}));
    painter.setPen(QPen(Qt::black, 3));
    painter.drawLine(QPoint(width * 2 / 3, height / 2), QPoint(width * 2 / 3 + width / 5, height / 2));
    if (tick)
        *tick = QPolygon({a, b, c}).boundingRect().adjusted(-4, -4, 4, 4);
    return image;
}

QImage blueInkOnGrey(int width, int height, QRect* ink)
{
    QImage image = flat(width, height, QColor(200, 198, 190));
    QPainter painter(&image);
    painter.setPen(QPen(QColor(20, 30, 120), 3, Qt::SolidLine, Qt::RoundCap));
    QRect bounds;
    for (int row = 0; row < 3; ++row) {
        const int y = height / 4 + row * height / 5;
        for (int x = width / 8; x + 30 < width * 7 / 8; x += 40) {
            const QPolygon stroke({QPoint(x, y), QPoint(x + 10, y - 12), QPoint(x + 20, y + 6), QPoint(x + 30, y - 4)});
            painter.drawPolyline(stroke);
            bounds |= stroke.boundingRect();
        }
    }
    if (ink)
        *ink = bounds.adjusted(-3, -3, 3, 3);
    return image;
}

QImage gradient(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            row[3 * x] = static_cast<uchar>(x);
            row[3 * x + 1] = static_cast<uchar>(y);
            row[3 * x + 2] = static_cast<uchar>((x / 256) * 16 + (y / 256) + 64);
        }
    }
    return image;
}

}  // namespace pictures
