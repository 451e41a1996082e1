// The straightforward OpenCV chains of every operation. They define the
// results; the fast paths are held to them by the tests.
#include "internal.h"

#include <opencv2/imgproc.hpp>
#include <opencv2/photo.hpp>

#include <algorithm>
#include <map>

namespace vantrel {
namespace ref {

void threshold(cv::Mat& img)
{
    cv::Mat grey;
    // The pixels are RGB, but the grey image weighs them as BGR.
    cv::cvtColor(img, grey, cv::COLOR_BGR2GRAY);
    cv::GaussianBlur(grey, grey, cv::Size(3, 3), 0, 0, cv::BORDER_DEFAULT);
    cv::Mat mask;
    cv::threshold(grey, mask, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU);
    img.setTo(cv::Scalar(255, 255, 255), mask);
}

void inkMask(const cv::Mat& area, cv::Mat& mask)
{
    cv::cvtColor(area, mask, cv::COLOR_RGB2GRAY);
    cv::erode(mask, mask, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(5, 5)), cv::Point(-1, -1), 1,
              cv::BORDER_CONSTANT, cv::morphologyDefaultBorderValue());
    cv::threshold(mask, mask, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU);
    cv::bitwise_not(mask, mask);
}

void eraserRect(cv::Mat& img, _myRect rect)
{
    cv::Rect box;
    if (!eraseArea(img.size(), rect, box))
        return;
    cv::Mat area = img(box);
    cv::Mat grey;
    inkMask(area, grey);
    cv::inpaint(area, grey, area, 10, cv::INPAINT_TELEA);
    cv::medianBlur(area, area, 3);
}

int colorBalance(cv::Mat& img)
{
    CV_Assert(!img.empty());
    std::vector<cv::Mat> channels;
    cv::split(img, channels);
    double m[3];
    for (int i = 0; i < 3; ++i)
        m[i] = cv::mean(channels[i])[0];
    for (int i = 0; i < 3; ++i) {
        if (m[i] == 0)
            continue;  // an all-zero channel stays zero
        const double gain = (m[0] + m[1] + m[2]) / (3 * m[i]);
        channels[i].convertTo(channels[i], CV_8U, gain);
    }
    cv::merge(channels, img);
    return 0;
}

void redMask(const cv::Mat& img, cv::Mat& mask)
{
    cv::Mat balanced = img.clone();
    colorBalance(balanced);
    cv::Mat hsv;
    cv::cvtColor(balanced, hsv, cv::COLOR_RGB2HSV);
    cv::Mat low, high;
    cv::inRange(hsv, cv::Scalar(0, 10, 40), cv::Scalar(30, 255, 255), low);
    cv::inRange(hsv, cv::Scalar(140, 10, 40), cv::Scalar(180, 255, 255), high);
    cv::bitwise_or(low, high, mask);
}

int deleteRed(cv::Mat& img)
{
    cv::Mat mask;
    redMask(img, mask);
    cv::dilate(mask, mask, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(3, 3)), cv::Point(-1, -1), 1,
               cv::BORDER_CONSTANT, cv::morphologyDefaultBorderValue());
    cv::inpaint(img, mask, img, 3, cv::INPAINT_NS);
    return 0;
}

void rotate(const cv::Mat& src, cv::Mat& dst, int type)
{
    switch (type) {
    case 1:
        cv::transpose(src, dst);
        cv::flip(dst, dst, 1);
        break;
    case 2: cv::flip(src, dst, -1); break;
    case 3:
        cv::transpose(src, dst);
        cv::flip(dst, dst, 0);
        break;
    default: break;
    }
}

void rotateAngle(const cv::Mat& src, cv::Mat& dst, float angle)
{
    const TurnLayout l = turnLayout(src.cols, src.rows, angle);
    cv::Mat area;
    cv::copyMakeBorder(src, area, l.padTop, l.padTop, l.padLeft, l.padLeft, cv::BORDER_CONSTANT, cv::Scalar::all(0));
    const cv::Point2f centre(static_cast<float>(area.cols / 2), static_cast<float>(area.rows / 2));
    const cv::Mat m = cv::getRotationMatrix2D(centre, angle, 1.0);
    cv::warpAffine(area, area, m, area.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT, cv::Scalar::all(0));
    area(cv::Rect(l.cropX, l.cropY, l.outW, l.outH)).copyTo(dst);
}

void canny(const cv::Mat& img, cv::Mat& edges)
{
    cv::Canny(img, edges, 50, 200, 3, false);
}

std::vector<cv::Vec2f> houghLines(const cv::Mat& edges, int threshold)
{
    std::vector<cv::Vec2f> lines;
    cv::HoughLines(edges, lines, 1, CV_PI / 180, threshold, 0, 0, 0, CV_PI);
    return lines;
}

double calcDegree(const cv::Mat& img)
{
    cv::Mat edges;
    canny(img, edges);
    std::vector<cv::Vec2f> lines;
    for (int threshold : kHoughThresholds) {
        lines = houghLines(edges, threshold);
        if (!lines.empty())
            break;
    }
    return skewFromLines(lines);
}

int textHeight(const cv::Mat& img)
{
    cv::Mat grey;
    cv::extractChannel(img, grey, 0);
    cv::GaussianBlur(grey, grey, cv::Size(7, 7), 0, 0, cv::BORDER_DEFAULT);
    cv::threshold(grey, grey, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU);
    cv::bitwise_not(grey, grey);
    std::vector<std::vector<cv::Point>> contours;
    cv::findContours(grey, contours, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_SIMPLE);

    const long long limit = static_cast<long long>(img.cols) * img.rows / 2;
    std::map<int, int> counts;
    for (const auto& contour : contours) {
        const cv::Rect box = cv::boundingRect(contour);
        const long long area = static_cast<long long>(box.width) * box.height;
        if (area > 100 && area < limit)
            ++counts[box.height];
    }
    int best = 0, bestCount = 0;
    for (const auto& [height, count] : counts) {  // ascending heights: ties go to the larger
        if (count >= bestCount) {
            best = height;
            bestCount = count;
        }
    }
    return best;
}

}  // namespace ref
}  // namespace vantrel
