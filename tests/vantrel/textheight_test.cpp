// Typical text height.
#include "Pages.h"
#include "vantrel.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

namespace {

// Dark boxes of the given heights (12 pixels wide) on white paper, plus any
// extra boxes, in the given ink colour.
int heightOf(const std::vector<int>& heights, const std::vector<cv::Rect>& extra = {},
             cv::Scalar ink = cv::Scalar::all(0))
{
    cv::Mat page(300, 400, CV_8UC3, cv::Scalar::all(255));
    int x = 20;
    for (int h : heights) {
        cv::rectangle(page, cv::Rect(x, 100, 12, h), ink, cv::FILLED);
        x += 30;
    }
    for (const cv::Rect& r : extra)
        cv::rectangle(page, r, ink, cv::FILLED);
    pages::Buffer b(page, 400 * 3 + 4);
    return getTextHeight(b.mat());
}

}  // namespace

TEST(TextHeight, Table)
{
    EXPECT_EQ(24, heightOf({20, 20, 24, 24, 31})) << "a tie goes to the larger height";
    EXPECT_EQ(17, heightOf({17}));
    EXPECT_EQ(0, heightOf({})) << "blank page";
    EXPECT_EQ(17, heightOf({17}, {{300, 20, 10, 10}, {330, 20, 10, 10}, {300, 250, 10, 10}}))
        << "10 x 10 specks (area 100) do not count";
    EXPECT_EQ(31, heightOf({31}, {{0, 150, 400, 150}})) << "a box of half the page does not count";
}

TEST(TextHeight, OnlyTheFirstByteDecides)
{
    // Red ink is bright in byte 0 and vanishes; blue ink is dark there.
    EXPECT_EQ(0, heightOf({20, 20, 24}, {}, cv::Scalar(255, 0, 0)));
    EXPECT_EQ(20, heightOf({20, 20, 24}, {}, cv::Scalar(0, 0, 255)));
}

TEST(TextHeight, PrintedTextHasAHeight)
{
    const cv::Mat page = pages::text({1400, 900}, 0);
    pages::Buffer b(page);
    const int h = getTextHeight(b.mat());
    EXPECT_GT(h, 10);
    EXPECT_LT(h, 60);
}
