#include "platform/camera/PageOutline.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <vector>

namespace camera {

namespace {

// The outline search runs on a copy at most this many pixels on its longer
// side: the page is large, and the search then costs the same for every
// camera.
constexpr int kSearchSide = 640;

// A read-only matrix over the pixels of an RGB888 image.
cv::Mat wrapRgb(const QImage& rgb)
{
    return cv::Mat(rgb.height(), rgb.width(), CV_8UC3, const_cast<uchar*>(rgb.constBits()),
                   static_cast<size_t>(rgb.bytesPerLine()));
}

QImage asRgb888(const QImage& image)
{
    return image.format() == QImage::Format_RGB888 ? image : image.convertToFormat(QImage::Format_RGB888);
}

double distance(const cv::Point2f& a, const cv::Point2f& b)
{
    return std::hypot(double(a.x - b.x), double(a.y - b.y));
}

// The four points of `contour` simplified, when it simplifies to a convex
// quadrilateral.
bool quadrilateral(const std::vector<cv::Point>& contour, std::vector<cv::Point>& quad)
{
    std::vector<cv::Point> hull;
    cv::convexHull(contour, hull);
    const double perimeter = cv::arcLength(hull, true);
    for (double share = 0.02; share <= 0.1; share += 0.01) {
        cv::approxPolyDP(hull, quad, share * perimeter, true);
        if (quad.size() == 4)
            return cv::isContourConvex(quad);
        if (quad.size() < 4)
            return false;
    }
    return false;
}

// Orders four points as top-left, top-right, bottom-right, bottom-left.
Corners ordered(const std::vector<cv::Point2f>& points)
{
    auto sum = [](const cv::Point2f& p) { return p.x + p.y; };
    auto diff = [](const cv::Point2f& p) { return p.y - p.x; };
    const auto bySum = std::minmax_element(points.begin(), points.end(),
                                           [&](const auto& a, const auto& b) { return sum(a) < sum(b); });
    const auto byDiff = std::minmax_element(points.begin(), points.end(),
                                            [&](const auto& a, const auto& b) { return diff(a) < diff(b); });
    auto toPoint = [](const cv::Point2f& p) { return QPoint(qRound(p.x), qRound(p.y)); };
    return {toPoint(*bySum.first), toPoint(*byDiff.first), toPoint(*bySum.second), toPoint(*byDiff.second)};
}

// The largest convex quadrilateral among the outer contours of `binary`.
bool largestQuad(const cv::Mat& binary, double minArea, double maxArea, std::vector<cv::Point>& best)
{
    std::vector<std::vector<cv::Point>> contours;
    cv::findContours(binary, contours, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_SIMPLE);
    double bestArea = minArea;
    bool found = false;
    for (const auto& contour : contours) {
        if (cv::contourArea(contour) < minArea)
            continue;
        std::vector<cv::Point> quad;
        if (!quadrilateral(contour, quad))
            continue;
        const double area = cv::contourArea(quad);
        if (area > bestArea && area <= maxArea) {
            bestArea = area;
            best = quad;
            found = true;
        }
    }
    return found;
}

}  // namespace

bool findPage(const QImage& image, Corners& corners)
{
    if (image.isNull() || image.width() < 8 || image.height() < 8)
        return false;
    try {
        const QImage rgb = asRgb888(image);
        cv::Mat gray;
        cv::cvtColor(wrapRgb(rgb), gray, cv::COLOR_RGB2GRAY);
        const double scale = std::min(1.0, double(kSearchSide) / std::max(gray.cols, gray.rows));
        cv::Mat small;
        if (scale < 1.0)
            cv::resize(gray, small, cv::Size(), scale, scale, cv::INTER_AREA);
        else
            small = gray;
        cv::GaussianBlur(small, small, cv::Size(5, 5), 0);
        cv::Scalar mean;
        cv::Scalar deviation;
        cv::meanStdDev(small, mean, deviation);
        if (deviation[0] < 4.0)
            return false;  // no contrast: nothing stands out
        const double frameArea = double(small.cols) * small.rows;
        const double minArea = 0.1 * frameArea;
        const double maxArea = 0.98 * frameArea;  // the whole frame is the desk, not a page

        // A light page on a darker desk: Otsu's threshold, holes of the text
        // closed. Failing that, the page's edges.
        cv::Mat binary;
        cv::threshold(small, binary, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU);
        cv::morphologyEx(binary, binary, cv::MORPH_CLOSE, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(7, 7)));
        std::vector<cv::Point> quad;
        if (!largestQuad(binary, minArea, maxArea, quad)) {
            cv::Mat edges;
            cv::Canny(small, edges, 50, 150);
            cv::dilate(edges, edges, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(3, 3)));
            if (!largestQuad(edges, minArea, maxArea, quad))
                return false;
        }
        std::vector<cv::Point2f> points;
        for (const cv::Point& p : quad)
            points.emplace_back(float(p.x / scale), float(p.y / scale));
        corners = ordered(points);
        return true;
    } catch (const cv::Exception&) {
        return false;
    }
}

QImage deskew(const QImage& image, const Corners& corners)
{
    if (image.isNull())
        return QImage();
    std::vector<cv::Point2f> src;
    for (const QPoint& p : corners)
        src.emplace_back(float(p.x()), float(p.y()));
    const int width = int(std::lround(std::max(distance(src[0], src[1]), distance(src[3], src[2]))));
    const int height = int(std::lround(std::max(distance(src[0], src[3]), distance(src[1], src[2]))));
    if (width < 2 || height < 2 || std::abs(cv::contourArea(src)) < 4.0)
        return QImage();
    try {
        const QImage rgb = asRgb888(image);
        const std::vector<cv::Point2f> dst{
            {0.f, 0.f}, {float(width - 1), 0.f}, {float(width - 1), float(height - 1)}, {0.f, float(height - 1)}};
        const cv::Mat transform = cv::getPerspectiveTransform(src, dst);
        QImage out(width, height, QImage::Format_RGB888);
        if (out.isNull())
            return QImage();
        cv::Mat target(height, width, CV_8UC3, out.bits(), static_cast<size_t>(out.bytesPerLine()));
        cv::warpPerspective(wrapRgb(rgb), target, transform, target.size(), cv::INTER_LINEAR, cv::BORDER_REPLICATE);
        return out;
    } catch (const cv::Exception&) {
        return QImage();
    }
}

QImage scaledDown(const QImage& image, int factor)
{
    if (image.isNull() || factor <= 1)
        return asRgb888(image);
    const QImage rgb = asRgb888(image);
    const int width = std::max(1, (rgb.width() + factor / 2) / factor);
    const int height = std::max(1, (rgb.height() + factor / 2) / factor);
    QImage out(width, height, QImage::Format_RGB888);
    if (out.isNull())
        return QImage();
    try {
        cv::Mat target(height, width, CV_8UC3, out.bits(), static_cast<size_t>(out.bytesPerLine()));
        cv::resize(wrapRgb(rgb), target, target.size(), 0, 0, cv::INTER_AREA);
    } catch (const cv::Exception&) {
        return rgb.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    return out;
}

}  // namespace camera
