#pragma once

#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>

// Pictures for the image tests, made in the test itself.
namespace testpages {

// A page of Format_RGB888 whose every pixel tells where it is: red holds the
// low byte of x, green the low byte of y, blue the high bits of both (x in
// its low nibble, y in its high nibble); sizes up to 4096 x 4096.
QImage coordinatePage(int width, int height);
// Where the pixel `at` of a coordinate page came from: (x, y) of the page.
QPoint coordinateAt(const QImage& image, const QPoint& at);

// Greyish paper with dark horizontal rules every 40 pixels, turned by
// `skewDegrees` about its centre (positive: clockwise on screen), the
// uncovered corners paper-coloured; Format_RGB888.
QImage ruledPage(const QSize& size, double skewDegrees);

// `image` as a JPEG file carrying an EXIF orientation tag (1 to 8), as a phone
// writes a photo taken upright with the sensor lying sideways.
QByteArray jpegWithOrientation(const QImage& image, int orientation);

// Writes bytes to a file; false on failure.
bool writeFile(const QString& path, const QByteArray& bytes);

}  // namespace testpages
