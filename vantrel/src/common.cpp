#include "internal.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

namespace vantrel {

namespace {

// A turned image of w x h pixels that the caller can describe: its rows
// within kMaxRowBytes.
void checkTurnedSize(int64_t w, int64_t h)
{
    if (w > kMaxRowBytes / 3 || h > INT_MAX)
        CV_Error(cv::Error::StsOutOfRange, "turned image whose size in bytes does not fit");
}

void checkAngle(float angle)
{
    if (!std::isfinite(angle))
        CV_Error(cv::Error::StsBadArg, "rotation angle that is not a finite number");
}

}  // namespace

cv::Mat view(const myMat& m)
{
    if (m.width < 0 || m.height < 0 || m.step < 0)
        CV_Error(cv::Error::StsBadSize, "image with a negative width, height or row stride");
    const int64_t rowBytes = static_cast<int64_t>(m.width) * 3;
    if (rowBytes > kMaxRowBytes)
        CV_Error(cv::Error::StsOutOfRange, "image whose row size in bytes does not fit");
    const size_t step = m.step ? static_cast<size_t>(m.step) : static_cast<size_t>(rowBytes);
    return cv::Mat(m.height, m.width, CV_8UC3, m.data, step);
}

cv::Size turnedSize(int cols, int rows, float angle)
{
    checkAngle(angle);
    const float theta = static_cast<float>(angle / 180.0 * 3.141592653589793);
    const float s = static_cast<float>(std::fabs(std::sin(static_cast<double>(theta))));
    const float c = static_cast<float>(std::fabs(std::cos(static_cast<double>(theta))));
    const float r = static_cast<float>(rows);
    const float k = static_cast<float>(cols);
    // Each product is rounded to single precision before the sum.
    const volatile float rs = r * s, kc = k * c, rc = r * c, ks = k * s;
    const float w = rs + kc, h = rc + ks;
    // Compared before the conversion, which is undefined beyond int.
    if (!(w < 2147483648.f) || !(h < 2147483648.f))
        CV_Error(cv::Error::StsOutOfRange, "turned image whose size does not fit");
    checkTurnedSize(static_cast<int64_t>(w), static_cast<int64_t>(h));
    return cv::Size(static_cast<int>(w), static_cast<int>(h));
}

cv::Size quarterTurnedSize(int cols, int rows, int type)
{
    const cv::Size size = type == 2 ? cv::Size(cols, rows) : cv::Size(rows, cols);
    checkTurnedSize(size.width, size.height);
    return size;
}

TurnLayout turnLayout(int cols, int rows, float angle)
{
    TurnLayout l;
    const cv::Size out = turnedSize(cols, rows, angle);
    l.outW = out.width;
    l.outH = out.height;
    // In 64 bits: 1.414 times a side near INT_MAX does not fit an int.
    int64_t side = static_cast<int64_t>(std::max(rows, cols) * 1.414);
    int64_t areaW = 0, areaH = 0;
    for (;;) {
        areaW = cols + 2 * ((side - cols) / 2);
        areaH = rows + 2 * ((side - rows) / 2);
        if (l.outW <= areaW && l.outH <= areaH)
            break;
        // Near 45 degrees on a nearly square image the result can be a pixel
        // larger than the 1.414 square; widen the work area so it fits.
        side = std::max(l.outW, l.outH) + int64_t(1);
    }
    // The work area is an image of its own.
    if (areaW > kMaxRowBytes / 3 || areaH > INT_MAX)
        CV_Error(cv::Error::StsOutOfRange, "work area of the turn whose size in bytes does not fit");
    l.padTop = static_cast<int>((side - rows) / 2);
    l.padLeft = static_cast<int>((side - cols) / 2);
    l.areaW = static_cast<int>(areaW);
    l.areaH = static_cast<int>(areaH);
    l.cropX = (l.areaW - l.outW) / 2;
    l.cropY = (l.areaH - l.outH) / 2;
    return l;
}

bool eraseArea(cv::Size image, _myRect rect, cv::Rect& area)
{
    if (rect.width < 1 || rect.height < 1)
        return false;
    const int x = std::max(rect.x, 0);
    const int y = std::max(rect.y, 0);
    int w = std::min(rect.width, image.width - 1);
    int h = std::min(rect.height, image.height - 1);
    w = std::min(w, image.width - x);
    h = std::min(h, image.height - y);
    if (w < 1 || h < 1)
        return false;
    area = cv::Rect(x, y, w, h);
    return true;
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
