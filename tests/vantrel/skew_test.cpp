// Skew measurement on synthetic pages of known skew.
#include "Pages.h"
#include "internal.h"
#include "vantrel.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <cmath>

namespace {

double skewOf(const cv::Mat& img)
{
    pages::Buffer b(img, img.cols * 3 + 2);  // padded rows, as the program's images
    return CalcDegree(b.mat());
}

// A page with one dark line of `length` pixels falling 3 degrees to the right,
// and optionally a long vertical line.
cv::Mat lonelyLine(int length, bool vertical)
{
    cv::Mat level(600, 800, CV_8UC3, cv::Scalar::all(230));
    cv::line(level, {200, 300}, {200 + length, 300}, cv::Scalar::all(30), 3);
    cv::Mat page = pages::skewed(level, 3, cv::Scalar::all(230));
    if (vertical)
        cv::line(page, {700, 50}, {700, 550}, cv::Scalar::all(30), 3);
    return page;
}

}  // namespace

TEST(Skew, KnownSkewsOfRuledAndTextPages)
{
    for (double skew : {-10.0, -3.0, -2.0, 2.0, 3.0, 20.0}) {
        EXPECT_NEAR(skew, skewOf(pages::ruled({1200, 900}, skew)), 0.05) << "ruled " << skew;
        EXPECT_NEAR(skew, skewOf(pages::text({1200, 900}, skew)), 0.05) << "text " << skew;
    }
}

TEST(Skew, PagesWithoutUsableLinesGiveExactlyZero)
{
    EXPECT_EQ(0.0, skewOf(pages::flat({640, 480}, cv::Scalar(240, 240, 240))));
    cv::Mat columns(600, 800, CV_8UC3, cv::Scalar::all(235));
    for (int x = 50; x < 800; x += 60)
        cv::line(columns, {x, 20}, {x, 580}, cv::Scalar::all(20), 2);
    EXPECT_EQ(0.0, skewOf(columns));
}

TEST(Skew, LowerThresholdsOnlyWhenNothingWasFound)
{
    struct Case {
        const char* name;
        int length;
        bool vertical;
        int firstThresholdWithLines;
        double expected;
    };
    const Case cases[] = {
        {"found at 150", 200, false, 150, 3.0},
        {"found at 200", 280, false, 200, 3.0},
        // The vertical line is found at 300; that ends the retries although it
        // is then discarded, so the short tilted line never counts.
        {"vertical found at 300", 280, true, 300, 0.0},
    };
    for (const Case& c : cases) {
        const cv::Mat page = lonelyLine(c.length, c.vertical);
        cv::Mat edges;
        vantrel::ref::canny(page, edges);
        int first = 0;
        for (int threshold : {300, 200, 150}) {
            if (!vantrel::ref::houghLines(edges, threshold).empty()) {
                first = threshold;
                break;
            }
        }
        ASSERT_EQ(c.firstThresholdWithLines, first) << c.name;
        EXPECT_NEAR(c.expected, skewOf(page), 0.05) << c.name;
        EXPECT_EQ(vantrel::ref::calcDegree(page), skewOf(page)) << c.name;
    }
}

TEST(Skew, TurningByTheMeasuredSkewLevelsTheLines)
{
    const cv::Mat page = pages::ruled({1000, 800}, 2);
    pages::Buffer src(page);
    const double skew = CalcDegree(src.mat());
    ASSERT_NEAR(2.0, skew, 0.05);
    myMat size{};
    GetRotateAngleSize(src.mat(), &size, static_cast<float>(skew));
    pages::Buffer dst(size.width, size.height);
    RotateAngle(src.mat(), dst.mat(), static_cast<float>(skew));
    // Level within a fraction of the one-degree angle step of the measurement
    // (the black corners add short slanted borders).
    EXPECT_NEAR(0.0, CalcDegree(dst.mat()), 0.5);
}
