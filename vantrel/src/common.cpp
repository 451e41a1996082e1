#include "internal.h"

#include <algorithm>
#include <cmath>

namespace vantrel {

cv::Mat view(const myMat& m)
{
    if (m.width < 0 || m.height < 0 || m.step < 0)
        CV_Error(cv::Error::StsBadSize, "image with a negative width, height or row stride");
    const size_t step = m.step ? static_cast<size_t>(m.step) : static_cast<size_t>(m.width) * 3;
    return cv::Mat(m.height, m.width, CV_8UC3, m.data, step);
}

cv::Size turnedSize(int cols, int rows, float angle)
{
    const float theta = static_cast<float>(angle / 180.0 * 3.141592653589793);
    const float s = static_cast<float>(std::fabs(std::sin(static_cast<double>(theta))));
    const float c = static_cast<float>(std::fabs(std::cos(static_cast<double>(theta))));
    const float r = static_cast<float>(rows);
    const float k = static_cast<float>(cols);
    // Each product is rounded to single precision before the sum.
    const volatile float rs = r * s, kc = k * c, rc = r * c, ks = k * s;
    return cv::Size(static_cast<int>(rs + kc), static_cast<int>(rc + ks));
}

TurnLayout turnLayout(int cols, int rows, float angle)
{
    TurnLayout l;
    const cv::Size out = turnedSize(cols, rows, angle);
    l.outW = out.width;
    l.outH = out.height;
    int side = static_cast<int>(std::max(rows, cols) * 1.414);
    for (;;) {
        l.padTop = (side - rows) / 2;
        l.padLeft = (side - cols) / 2;
        l.areaW = cols + 2 * l.padLeft;
        l.areaH = rows + 2 * l.padTop;
        if (l.outW <= l.areaW && l.outH <= l.areaH)
            break;
        // Near 45 degrees on a nearly square image the result can be a pixel
        // larger than the 1.414 square; widen the work area so it fits.
        side = std::max(l.outW, l.outH) + 1;
    }
    l.cropX = (l.areaW - l.outW) / 2;
    l.cropY = (l.areaH - l.outH) / 2;
    return l;
}

double skewFromLines(const std::vector<cv::Vec2f>& lines)
{
    float sum = 0.f;
    int count = 0;
    for (const cv::Vec2f& line : lines) {
        const double theta = line[1];
        if (theta < 0.7853981633974483 || theta > 2.356194490192345)
            continue;
        sum += line[1];
        ++count;
    }
    if (count == 0)
        return 0.0;
    const float mean = sum / static_cast<float>(count);
    return static_cast<double>(mean) / 3.141592653589793 * 180 - 90;
}

}  // namespace vantrel
