// The own inpainting against OpenCV's cv::inpaint, byte for byte: generated
// pictures and masks from many seeds (strokes, discs, masks along and across
// the border, single pixels, scattered dots near the distance that splits
// the mask into groups, full and empty masks), both methods at the radii the
// library uses and a few others; then EraserRect and the half turn against
// their OpenCV chains.
#include "Pages.h"
#include "internal.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>
#include <opencv2/photo.hpp>

#include <functional>
#include <string>

using namespace vantrel;

namespace {

struct Method {
    int flags;
    double radius;
};
const Method kTelea{cv::INPAINT_TELEA, 10};     // EraserRect's
const Method kNavierStokes{cv::INPAINT_NS, 3};  // deleteRed's

// Compares the own inpainting with OpenCV's on one picture and mask; the
// message names the case and how many bytes differ.
::testing::AssertionResult sameAsOpenCV(const cv::Mat& img, const cv::Mat& mask, Method method)
{
    cv::Mat expected = img.clone(), actual = img.clone();
    cv::inpaint(expected, mask, expected, method.radius, method.flags);
    fast::inpaint(actual, mask, method.radius, method.flags);
    cv::Mat diff;
    cv::absdiff(expected, actual, diff);
    const int bytes = cv::countNonZero(diff.reshape(1));
    if (bytes == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << bytes << " bytes differ (method " << method.flags << ", radius "
                                         << method.radius << ", " << img.cols << "x" << img.rows << ", "
                                         << cv::countNonZero(mask) << " mask pixels)";
}

cv::Mat picture(cv::Size size, cv::RNG& rng, int kind)
{
    switch (kind % 4) {
    case 0: {
        cv::Mat img = pages::noise(size, static_cast<unsigned>(rng.next()));
        cv::GaussianBlur(img, img, cv::Size(5, 5), 0);
        return img;
    }
    case 1: return pages::noise(size, static_cast<unsigned>(rng.next()));
    case 2: return pages::handwritten(size, static_cast<unsigned>(rng.next()));
    default: return pages::flat(size, cv::Scalar(200, 210, 220));
    }
}

cv::Point anywhere(cv::Size size, cv::RNG& rng)
{
    return {rng.uniform(0, size.width), rng.uniform(0, size.height)};
}

// Strokes and discs, some from one border to the opposite one.
cv::Mat strokes(cv::Size size, cv::RNG& rng)
{
    cv::Mat mask(size, CV_8U, cv::Scalar(0));
    const int n = rng.uniform(1, 7);
    for (int i = 0; i < n; ++i) {
        switch (rng.uniform(0, 3)) {
        case 0: cv::circle(mask, anywhere(size, rng), rng.uniform(1, 10), 255, -1); break;
        case 1: cv::line(mask, anywhere(size, rng), anywhere(size, rng), 255, rng.uniform(1, 6)); break;
        default:
            cv::line(mask, {rng.uniform(0, size.width), 0}, {rng.uniform(0, size.width), size.height - 1}, 255,
                     rng.uniform(1, 4));
        }
    }
    return mask;
}

// Small dots on a grid whose spacing lies around the distance at which the
// mask falls into separate groups (2 * radius + 2 and one tile).
cv::Mat dots(cv::Size size, cv::RNG& rng, int radius)
{
    cv::Mat mask(size, CV_8U, cv::Scalar(0));
    const int spacing = 2 * radius + rng.uniform(0, 6);
    for (int y = rng.uniform(0, 4); y < size.height; y += spacing)
        for (int x = rng.uniform(0, 4); x < size.width; x += spacing + rng.uniform(-1, 2))
            cv::rectangle(mask, cv::Rect(x, y, rng.uniform(1, 3), rng.uniform(1, 3)), 255, -1);
    return mask;
}

}  // namespace

TEST(Inpaint, GeneratedMasksGiveOpenCVsBytes)
{
    for (int seed = 1; seed <= 120; ++seed) {
        cv::RNG rng(static_cast<uint64>(seed));
        const cv::Size size(rng.uniform(2, 130), rng.uniform(2, 130));
        const cv::Mat img = picture(size, rng, seed);
        const cv::Mat mask = seed % 5 == 0 ? dots(size, rng, seed % 2 ? 10 : 3) : strokes(size, rng);
        EXPECT_TRUE(sameAsOpenCV(img, mask, kTelea)) << "seed " << seed;
        EXPECT_TRUE(sameAsOpenCV(img, mask, kNavierStokes)) << "seed " << seed;
        if (seed % 10 == 0) {
            EXPECT_TRUE(sameAsOpenCV(img, mask, {cv::INPAINT_TELEA, 4.4})) << "seed " << seed;
            EXPECT_TRUE(sameAsOpenCV(img, mask, {cv::INPAINT_NS, 1})) << "seed " << seed;
            EXPECT_TRUE(sameAsOpenCV(img, mask, {cv::INPAINT_NS, 7})) << "seed " << seed;
        }
    }
}

TEST(Inpaint, BordersSinglePixelsAndWholeMasksGiveOpenCVsBytes)
{
    const cv::Size size(47, 39);
    cv::RNG rng(5);
    const cv::Mat img = picture(size, rng, 0);
    std::vector<std::pair<std::string, cv::Mat>> masks;
    auto add = [&](const std::string& name, const std::function<void(cv::Mat&)>& draw) {
        cv::Mat m(size, CV_8U, cv::Scalar(0));
        draw(m);
        masks.emplace_back(name, m);
    };
    add("empty", [](cv::Mat&) {});
    add("full", [](cv::Mat& m) { m.setTo(255); });
    add("all but one pixel", [](cv::Mat& m) {
        m.setTo(255);
        m.at<uint8_t>(20, 20) = 0;
    });
    add("frame", [](cv::Mat& m) { cv::rectangle(m, cv::Rect(0, 0, m.cols, m.rows), 255, 2); });
    add("first row", [](cv::Mat& m) { m.row(0).setTo(255); });
    add("last column", [](cv::Mat& m) { m.col(m.cols - 1).setTo(255); });
    add("across", [](cv::Mat& m) { cv::line(m, {0, 10}, {m.cols - 1, 30}, 255, 3); });
    for (const cv::Point p : {cv::Point(0, 0), cv::Point(46, 0), cv::Point(0, 38), cv::Point(46, 38), cv::Point(1, 1),
                              cv::Point(23, 0), cv::Point(0, 19), cv::Point(23, 19), cv::Point(45, 37)})
        add("pixel " + std::to_string(p.x) + "," + std::to_string(p.y), [p](cv::Mat& m) { m.at<uint8_t>(p) = 255; });
    add("pixels apart", [](cv::Mat& m) {
        m.at<uint8_t>(5, 5) = 255;
        m.at<uint8_t>(5, 40) = 255;
        m.at<uint8_t>(30, 27) = 255;
    });
    for (const auto& [name, mask] : masks) {
        EXPECT_TRUE(sameAsOpenCV(img, mask, kTelea)) << name;
        EXPECT_TRUE(sameAsOpenCV(img, mask, kNavierStokes)) << name;
    }
    // Two rows or two columns: the least the own inpainting takes on.
    for (const cv::Size thin : {cv::Size(2, 30), cv::Size(30, 2), cv::Size(2, 2)}) {
        const cv::Mat small = img(cv::Rect(cv::Point(3, 3), thin)).clone();
        cv::Mat mask(thin, CV_8U, cv::Scalar(0));
        mask.at<uint8_t>(thin.height - 1, thin.width - 1) = 255;
        mask.at<uint8_t>(0, 0) = 255;
        EXPECT_TRUE(sameAsOpenCV(small, mask, kTelea)) << thin;
        EXPECT_TRUE(sameAsOpenCV(small, mask, kNavierStokes)) << thin;
    }
}

TEST(Inpaint, WritesOnlyTheMaskPixelsOfAViewIntoALargerImage)
{
    // As EraserRect calls it: the rectangle of a page, rows far apart.
    const cv::Mat page = pages::handwritten({300, 200});
    cv::Mat expected = page.clone(), actual = page.clone();
    const cv::Rect box(37, 21, 150, 120);
    cv::Mat mask;
    ref::inkMask(page(box), mask);
    cv::Mat a = expected(box), b = actual(box);
    cv::inpaint(a, mask, a, 10, cv::INPAINT_TELEA);
    fast::inpaint(b, mask, 10, cv::INPAINT_TELEA);
    EXPECT_TRUE(pages::same(expected, actual));
    cv::Mat outside = actual.clone();
    page(box).copyTo(outside(box));
    EXPECT_TRUE(pages::same(page, outside));
}

TEST(Inpaint, OneLargeGroupGivesTheSameBytesOnOneOrManyWorkers)
{
    // A whole page of grown strokes is one group: with several workers its
    // colour sums trail the marching in a second thread, with one they
    // follow in the same thread.
    const cv::Mat page = pages::handwritten({320, 240}, 7);
    cv::Mat mask;
    ref::inkMask(page, mask);
    cv::Mat expected = page.clone();
    cv::inpaint(expected, mask, expected, 10, cv::INPAINT_TELEA);
    const int workers = cv::getNumThreads();
    for (int n : {1, 4}) {
        cv::setNumThreads(n);
        cv::Mat actual = page.clone();
        fast::inpaint(actual, mask, 10, cv::INPAINT_TELEA);
        EXPECT_TRUE(pages::same(expected, actual)) << n << " workers";
    }
    cv::setNumThreads(workers);
}

TEST(FastPath, EraserRectIsByteExact)
{
    const cv::Mat page = pages::handwritten({360, 270}, 3);
    const std::vector<_myRect> rects = {
        {90, 67, 180, 135},                   // a quarter, in the middle
        {0, 0, 360, 270},                     // the whole page (cut to width - 1, height - 1)
        {-20, 30, 50, 40},                    // out over the left border
        {300, 200, 100, 100},                 // over the right and bottom borders
        {10, 10, 1, 80},                      // one column
        {10, 10, 80, 1},                      // one row
        {50, 60, 2, 2},       {0, 0, 0, 10},  // nothing
    };
    for (const _myRect& r : rects) {
        cv::Mat expected = page.clone(), actual = page.clone();
        ref::eraserRect(expected, r);
        fast::eraserRect(actual, r);
        EXPECT_TRUE(pages::same(expected, actual)) << r.x << "," << r.y << " " << r.width << "x" << r.height;
    }
}

TEST(FastPath, HalfTurnIsByteExact)
{
    for (const cv::Size size : {cv::Size(641, 479), cv::Size(1, 9), cv::Size(37, 1), cv::Size(6, 5)}) {
        const cv::Mat src = pages::noise(size, 9);
        cv::Mat expected(size, CV_8UC3, cv::Scalar::all(9)), actual(size, CV_8UC3, cv::Scalar::all(9));
        ref::rotate(src, expected, 2);
        fast::rotate(src, actual, 2);
        EXPECT_TRUE(pages::same(expected, actual)) << size;

        // Into the same pixels.
        cv::Mat inPlace = src.clone();
        fast::rotate(inPlace, inPlace, 2);
        EXPECT_TRUE(pages::same(expected, inPlace)) << size << " in place";

        // A destination of another size is left alone.
        cv::Mat other(size.height + 1, size.width, CV_8UC3, cv::Scalar::all(9));
        const cv::Mat before = other.clone();
        fast::rotate(src, other, 2);
        EXPECT_TRUE(pages::same(before, other)) << size;
    }
}
