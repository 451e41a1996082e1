#include "Pages.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstring>

namespace pages {

cv::Mat skewed(const cv::Mat& level, double skew, cv::Scalar fill)
{
    const cv::Point2f centre(level.cols / 2.f, level.rows / 2.f);
    // Falling to the right is a clockwise turn on screen: a negative OpenCV angle.
    const cv::Mat m = cv::getRotationMatrix2D(centre, -skew, 1.0);
    cv::Mat out;
    cv::warpAffine(level, out, m, level.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT, fill);
    return out;
}

cv::Mat ruled(cv::Size size, double skew)
{
    const cv::Scalar paper(225, 228, 230);
    cv::Mat page(size, CV_8UC3, paper);
    for (int y = size.height / 8; y < size.height * 7 / 8; y += 40)
        cv::line(page, {size.width / 10, y}, {size.width * 9 / 10, y}, cv::Scalar(40, 40, 90), 2);
    return skew == 0 ? page : skewed(page, skew, paper);
}

cv::Mat text(cv::Size size, double skew)
{
    const cv::Scalar paper(235, 235, 235);
    cv::Mat page(size, CV_8UC3, paper);
    const char* words[] = {"The quick brown fox jumps over the lazy dog", "Solve 3x + 7 = 25 and check",
                           "Pack my box with five dozen liquor jugs", "Area = length x width = 48 cm2"};
    const double scale = size.width / 1400.0;
    const int lineStep = std::max(8, static_cast<int>(60 * scale));
    int i = 0;
    for (int y = size.height / 8; y < size.height * 7 / 8; y += lineStep, ++i) {
        cv::putText(page, words[i % 4], {size.width / 12, y}, cv::FONT_HERSHEY_SIMPLEX, 1.4 * scale,
                    cv::Scalar(20, 20, 20), std::max(1, static_cast<int>(2 * scale)), cv::LINE_AA);
    }
    return skew == 0 ? page : skewed(page, skew, paper);
}

cv::Mat handwritten(cv::Size size, unsigned seed)
{
    cv::Mat page = text(size, 0);
    cv::RNG rng(seed);
    const double scale = size.width / 1400.0;
    const int lineStep = std::max(8, static_cast<int>(60 * scale));
    // A line of handwriting halfway between two printed lines: words of a
    // few dozen pen moves each, the pen wandering up and down.
    for (int y = size.height / 8 + lineStep / 2; y < size.height * 7 / 8; y += 2 * lineStep) {
        for (int x = size.width / 12; x < size.width * 5 / 6;) {
            std::vector<cv::Point> pen;
            cv::Point p(x, y + rng.uniform(-3, 4));
            const int moves = rng.uniform(10, 30);
            for (int i = 0; i < moves; ++i) {
                pen.push_back(p);
                p += cv::Point(rng.uniform(1, 5), rng.uniform(-5, 6));
                p.y = std::min(std::max(p.y, y - lineStep / 3), y + lineStep / 3);
            }
            cv::polylines(page, pen, false, cv::Scalar(30, 45, 150), std::max(1, static_cast<int>(3 * scale)),
                          cv::LINE_AA);
            x = p.x + rng.uniform(8, 20);
        }
    }
    cv::Mat grain(size, CV_16SC3);
    rng.fill(grain, cv::RNG::UNIFORM, -8, 9);
    cv::Mat out;
    cv::add(page, grain, out, cv::noArray(), CV_8UC3);
    return out;
}

cv::Mat noise(cv::Size size, unsigned seed)
{
    cv::Mat img(size, CV_8UC3);
    cv::RNG rng(seed);
    rng.fill(img, cv::RNG::UNIFORM, 0, 256);
    return img;
}

cv::Mat flat(cv::Size size, cv::Scalar colour)
{
    return cv::Mat(size, CV_8UC3, colour);
}

Buffer::Buffer(const cv::Mat& img, int step_, unsigned char marker) : width(img.cols), height(img.rows), step(step_)
{
    const int rowBytes = img.cols * 3;
    const int stride = step ? step : rowBytes;
    bytes.assign(static_cast<size_t>(stride) * img.rows, marker);
    for (int y = 0; y < img.rows; ++y)
        std::memcpy(&bytes[static_cast<size_t>(y) * stride], img.ptr(y), rowBytes);
}

Buffer::Buffer(int w, int h, int step_, unsigned char fill) : width(w), height(h), step(step_)
{
    const int stride = step ? step : w * 3;
    bytes.assign(static_cast<size_t>(stride) * h, fill);
}

myMat Buffer::mat()
{
    myMat m;
    m.data = bytes.data();
    m.width = width;
    m.height = height;
    m.step = step;
    return m;
}

cv::Mat Buffer::pixels() const
{
    const int stride = step ? step : width * 3;
    cv::Mat view(height, width, CV_8UC3, const_cast<unsigned char*>(bytes.data()), static_cast<size_t>(stride));
    return view.clone();
}

bool Buffer::paddingIs(unsigned char marker) const
{
    if (!step)
        return true;
    for (int y = 0; y < height; ++y)
        for (int x = width * 3; x < step; ++x)
            if (bytes[static_cast<size_t>(y) * step + x] != marker)
                return false;
    return true;
}

double maxDiff(const cv::Mat& a, const cv::Mat& b)
{
    if (a.size() != b.size() || a.type() != b.type())
        return 1e9;
    if (a.empty())
        return 0;
    return cv::norm(a, b, cv::NORM_INF);
}

bool same(const cv::Mat& a, const cv::Mat& b)
{
    return maxDiff(a, b) == 0;
}

}  // namespace pages
