#pragma once

#include <QImage>
#include <QPoint>

#include <array>

// Finding the page on a camera frame and straightening it.
namespace camera {

// The page's corners: top-left, top-right, bottom-right, bottom-left.
using Corners = std::array<QPoint, 4>;

// The outline of the page on `image`: the largest convex quadrilateral that
// stands out from the background and covers at least a tenth of the picture.
// False, `corners` untouched, when there is none. Any image format.
bool findPage(const QImage& image, Corners& corners);

// The quadrilateral `corners` of `image` warped into an upright rectangle as
// wide and as tall as its longer opposite edges (Format_RGB888). A null image
// when the corners enclose nothing.
QImage deskew(const QImage& image, const Corners& corners);

// `image` reduced by `factor` on both axes, averaging each block of pixels
// (Format_RGB888; at least 1 x 1). Fast enough for every preview frame.
QImage scaledDown(const QImage& image, int factor);

}  // namespace camera
