#pragma once

#include <QImage>

class QPainter;
class QTransform;

// The cutter's page drawn at the view's scale, kept between repaints.
//
// Scaling a phone photo of twelve megapixels down smoothly costs about as
// much as drawing it whole; a drag repaints many times a second at one scale.
// The scaled picture is therefore made once per page and scale, and each
// repaint only copies it to its place. Scales above 1:1 draw the page
// directly: the painter then only touches the pixels that reach the widget.
class ScaledPage {
public:
    // Draws `page` through `view` (a scale and a translation), smoothly.
    void draw(QPainter& painter, const QImage& page, const QTransform& view);

    // Forgets the picture (a new page, or the page was cleared).
    void clear();

    // The picture in use after the last draw(); null when the page was drawn
    // directly. For tests.
    const QImage& picture() const { return scaled_; }

private:
    QImage scaled_;
    qint64 pageKey_ = 0;
    double scale_ = 0.0;
};
