// The fast paths against the OpenCV chains they replace, on ruled pages,
// text pages and noise, in odd sizes and padded rows.
#include "Pages.h"
#include "internal.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

using namespace vantrel;

namespace {

struct Sample {
    const char* name;
    cv::Mat img;
};

std::vector<Sample> samples()
{
    static cv::Mat big;  // keeps the padded sample's pixels alive
    cv::Mat padded = pages::text({641, 479}, 3);
    big = cv::Mat(padded.rows, padded.cols + 7, CV_8UC3, cv::Scalar(1, 2, 3));
    padded.copyTo(big(cv::Rect(0, 0, padded.cols, padded.rows)));
    // Rows with padding, wrapped as the library wraps the caller's pixels
    // (a header of its own, not a view into a larger matrix).
    cv::Mat roi(padded.rows, padded.cols, CV_8UC3, big.data, big.step);
    cv::Mat marks = pages::text({500, 400}, -2);
    cv::line(marks, {40, 60}, {300, 200}, cv::Scalar(220, 30, 30), 5);  // red in RGB
    cv::circle(marks, {350, 300}, 40, cv::Scalar(240, 120, 20), 3);     // orange
    return {
        {"ruled", pages::ruled({800, 600}, 2)},
        {"ruledSteep", pages::ruled({333, 500}, -20)},
        {"text", pages::text({1200, 900}, -3)},
        {"textPaddedRows", roi},
        {"marks", marks},
        {"noise", pages::noise({257, 193})},
        {"thin", pages::noise({1, 9})},
        {"row", pages::noise({37, 1})},
        {"flat", pages::flat({64, 48}, cv::Scalar(200, 200, 200))},
    };
}

}  // namespace

TEST(FastPath, EdgeMapIsOpenCVCannyByteForByte)
{
    for (const Sample& s : samples()) {
        cv::Mat expected, actual;
        ref::canny(s.img, expected);
        fast::canny(s.img, actual);
        EXPECT_TRUE(pages::same(expected, actual))
            << s.name << ": " << cv::countNonZero(expected) << " vs " << cv::countNonZero(actual) << " edge pixels";
    }
}

TEST(FastPath, HoughLinesMatchOpenCVInValueAndOrder)
{
    for (const Sample& s : samples()) {
        cv::Mat edges;
        ref::canny(s.img, edges);
        for (int threshold : {300, 200, 150, 60}) {
            const auto expected = ref::houghLines(edges, threshold);
            const auto actual = fast::houghLines(edges, threshold);
            ASSERT_EQ(expected.size(), actual.size()) << s.name << " threshold " << threshold;
            for (size_t i = 0; i < expected.size(); ++i) {
                EXPECT_EQ(expected[i][0], actual[i][0]) << s.name << " line " << i;
                EXPECT_EQ(expected[i][1], actual[i][1]) << s.name << " line " << i;
            }
        }
    }
}

TEST(FastPath, SkewIsTheReferenceSkew)
{
    for (const Sample& s : samples())
        EXPECT_EQ(ref::calcDegree(s.img), fast::calcDegree(s.img)) << s.name;
}

TEST(FastPath, ThresholdIsByteExact)
{
    for (const Sample& s : samples()) {
        cv::Mat expected = s.img.clone(), actual = s.img.clone();
        ref::threshold(expected);
        fast::threshold(actual);
        EXPECT_TRUE(pages::same(expected, actual)) << s.name;
    }
}

TEST(FastPath, ColorBalanceAndRedRemovalAreByteExact)
{
    for (const Sample& s : samples()) {
        cv::Mat expected = s.img.clone(), actual = s.img.clone();
        ref::colorBalance(expected);
        fast::colorBalance(actual);
        EXPECT_TRUE(pages::same(expected, actual)) << "colorBalance " << s.name;

        cv::Mat refMask, fastMask;
        ref::redMask(s.img, refMask);
        if (fast::redMask(s.img, fastMask))
            EXPECT_TRUE(pages::same(refMask, fastMask)) << "red mask " << s.name;
        else
            EXPECT_EQ(0, cv::countNonZero(refMask)) << "red mask " << s.name;

        // OpenCV's inpainting does not give repeatable results on images of
        // one or two rows or columns, so those only compare the mask.
        if (s.img.rows < 3 || s.img.cols < 3)
            continue;
        expected = s.img.clone();
        actual = s.img.clone();
        ref::deleteRed(expected);
        fast::deleteRed(actual);
        EXPECT_TRUE(pages::same(expected, actual)) << "deleteRed " << s.name;
    }
}

TEST(FastPath, HueOfEveryColourIsOpenCVs)
{
    // The red test reproduces OpenCV's 8-bit HSV; check it on all 2^24
    // colours at once through an image of a neutral balance (every colour
    // once, so the channel means are equal and the gains 1).
    cv::Mat all(4096, 4096, CV_8UC3);
    for (int y = 0; y < 4096; ++y) {
        cv::Vec3b* p = all.ptr<cv::Vec3b>(y);
        for (int x = 0; x < 4096; ++x) {
            const int c = y * 4096 + x;
            p[x] = cv::Vec3b(static_cast<uchar>(c >> 16), static_cast<uchar>(c >> 8), static_cast<uchar>(c));
        }
    }
    cv::Mat refMask, fastMask;
    ref::redMask(all, refMask);
    ASSERT_TRUE(fast::redMask(all, fastMask));
    EXPECT_EQ(0, cv::countNonZero(refMask != fastMask));
}

TEST(FastPath, QuarterAndHalfTurnsAreByteExact)
{
    for (const Sample& s : samples()) {
        for (int type : {1, 2, 3}) {
            const cv::Size size = type == 2 ? s.img.size() : cv::Size(s.img.rows, s.img.cols);
            cv::Mat expected(size, CV_8UC3, cv::Scalar::all(9));
            cv::Mat actual(size, CV_8UC3, cv::Scalar::all(9));
            ref::rotate(s.img, expected, type);
            fast::rotate(s.img, actual, type);
            EXPECT_TRUE(pages::same(expected, actual)) << s.name << " type " << type;
        }
    }
}

TEST(FastPath, FreeTurnMatchesThePaddedTurn)
{
    for (const Sample& s : samples()) {
        for (float angle : {0.f, 2.f, -3.5f, 20.f, 44.9f, -90.f, 133.f}) {
            const cv::Size size = turnedSize(s.img.cols, s.img.rows, angle);
            cv::Mat expected(size, CV_8UC3, cv::Scalar::all(9)), actual(size, CV_8UC3, cv::Scalar::all(9));
            ref::rotateAngle(s.img, expected, angle);
            fast::rotateAngle(s.img, actual, angle);
            EXPECT_LE(pages::maxDiff(expected, actual), 2) << s.name << " angle " << angle;
            EXPECT_TRUE(pages::same(expected, actual)) << s.name << " angle " << angle;
        }
    }
}
