#include "capture/cutter/ScaledPage.h"

#include <QPainter>
#include <QTransform>

#include <cmath>

namespace {

// The page at `scale`, as the painter's smooth transformation draws it.
QImage makeScaled(const QImage& page, double scale)
{
    const int width = std::max(1, static_cast<int>(std::ceil(page.width() * scale)));
    const int height = std::max(1, static_cast<int>(std::ceil(page.height() * scale)));
    QImage scaled(width, height, QImage::Format_RGB32);
    if (scaled.isNull())
        return scaled;
    scaled.fill(QColor(220, 220, 220));
    QPainter painter(&scaled);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setTransform(QTransform::fromScale(scale, scale));
    painter.drawImage(0, 0, page);
    return scaled;
}

}  // namespace

void ScaledPage::draw(QPainter& painter, const QImage& page, const QTransform& view)
{
    const double scale = view.m11();
    const bool plain = view.type() <= QTransform::TxScale && scale == view.m22();
    if (!plain || scale >= 1.0) {
        scaled_ = QImage();
        painter.save();
        painter.setTransform(view, true);
        painter.drawImage(0, 0, page);
        painter.restore();
        return;
    }
    if (scaled_.isNull() || pageKey_ != page.cacheKey() || scale_ != scale) {
        scaled_ = makeScaled(page, scale);
        pageKey_ = page.cacheKey();
        scale_ = scale;
    }
    if (scaled_.isNull())
        return;
    // Whole pixels: a copy, not a second interpolation.
    painter.save();
    painter.resetTransform();
    painter.drawImage(QPoint(qRound(view.dx()), qRound(view.dy())), scaled_);
    painter.restore();
}

void ScaledPage::clear()
{
    scaled_ = QImage();
    pageKey_ = 0;
    scale_ = 0.0;
}
