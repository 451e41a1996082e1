// Whitening, ink erasing, red-mark removal and colour balance.
#include "Pages.h"
#include "vantrel.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

namespace {

cv::Vec3b px(const cv::Mat& m, int x, int y)
{
    return m.at<cv::Vec3b>(y, x);
}

}  // namespace

TEST(Cleaning, ThresholdWeighsTheBytesAsBGR)
{
    // Grey paper, blue ink, and orange, azure and red patches (RGB bytes).
    // With the BGR weights orange is dark (111) and azure light (158); a
    // swapped channel order would keep azure and whiten orange.
    cv::Mat page(300, 400, CV_8UC3, cv::Scalar(200, 200, 200));
    for (int y = 30; y < 180; y += 25)
        cv::line(page, {20, y}, {380, y}, cv::Scalar(0, 0, 255), 3);
    cv::rectangle(page, {20, 200}, {120, 280}, cv::Scalar(255, 140, 0), cv::FILLED);
    cv::rectangle(page, {150, 200}, {250, 280}, cv::Scalar(0, 140, 255), cv::FILLED);
    cv::rectangle(page, {280, 200}, {380, 280}, cv::Scalar(255, 0, 0), cv::FILLED);
    pages::Buffer b(page, 400 * 3 + 4);
    Threshold(b.mat());
    const cv::Mat out = b.pixels();
    EXPECT_EQ(cv::Vec3b(255, 140, 0), px(out, 70, 240)) << "orange";
    EXPECT_EQ(cv::Vec3b(255, 255, 255), px(out, 200, 240)) << "azure";
    EXPECT_EQ(cv::Vec3b(255, 0, 0), px(out, 330, 240)) << "red";
    EXPECT_EQ(cv::Vec3b(0, 0, 255), px(out, 200, 30)) << "blue ink keeps its colour";
    EXPECT_EQ(cv::Vec3b(255, 255, 255), px(out, 10, 10)) << "paper";
    // Only white was written: every pixel is either unchanged or white.
    for (int y = 0; y < out.rows; ++y)
        for (int x = 0; x < out.cols; ++x) {
            if (px(out, x, y) != px(page, x, y)) {
                ASSERT_EQ(cv::Vec3b(255, 255, 255), px(out, x, y)) << x << "," << y;
            }
        }
}

TEST(Cleaning, DeleteRedRemovesTheTickAndKeepsTheRest)
{
    // Yellowish paper (its hue alone would count as red), dark text, a red tick.
    cv::Mat page = pages::text({500, 300}, 0);
    cv::Mat paper(page.size(), CV_8UC3, cv::Scalar(235, 225, 180));
    cv::Mat ink;
    cv::inRange(page, cv::Scalar::all(0), cv::Scalar::all(120), ink);
    paper.setTo(cv::Scalar(40, 40, 40), ink);
    const cv::Rect tickBox(300, 150, 80, 60);
    cv::line(paper, {305, 180}, {330, 205}, cv::Scalar(220, 30, 30), 4);
    cv::line(paper, {330, 205}, {375, 155}, cv::Scalar(220, 30, 30), 4);

    pages::Buffer b(paper, 500 * 3 + 4);
    EXPECT_EQ(0, deleteRed(b.mat()));
    const cv::Mat out = b.pixels();

    cv::Mat reddish;
    cv::inRange(out(tickBox), cv::Scalar(150, 0, 0), cv::Scalar(255, 110, 110), reddish);
    EXPECT_EQ(0, cv::countNonZero(reddish)) << "the tick is gone";
    cv::Mat changed;
    cv::absdiff(out, paper, changed);
    cv::cvtColor(changed, changed, cv::COLOR_RGB2GRAY);
    cv::Mat outside = changed.clone();
    outside(tickBox).setTo(0);
    EXPECT_EQ(0, cv::countNonZero(outside)) << "text and paper away from the tick are untouched";
    EXPECT_LT(cv::countNonZero(changed), tickBox.area() / 2) << "only the tick and its ring are filled";
}

TEST(Cleaning, DeleteRedLeavesAPageWithoutRedAlone)
{
    const cv::Mat page = pages::text({400, 300}, 2);
    pages::Buffer b(page);
    EXPECT_EQ(0, deleteRed(b.mat()));
    EXPECT_TRUE(pages::same(page, b.pixels()));
}

TEST(Cleaning, EraserRectClampTable)
{
    // Dark vertical strokes every 8 columns on white, the last column and the
    // last row dark too.
    const int W = 120, H = 80;
    cv::Mat page(H, W, CV_8UC3, cv::Scalar::all(255));
    for (int x = 3; x < W; x += 8)
        page.col(x).setTo(cv::Scalar::all(10));
    page.col(W - 1).setTo(cv::Scalar::all(10));
    page.row(H - 1).setTo(cv::Scalar::all(10));

    struct Case {
        const char* name;
        _myRect rect;
        cv::Rect worked;  // the area that may change; empty: nothing changes
    };
    const Case cases[] = {
        {"whole image", {0, 0, W, H}, {0, 0, W - 1, H - 1}},
        {"left of the image", {-20, 0, 50, H}, {0, 0, 50, H - 1}},
        {"to the right edge", {10, 10, W, 50}, {10, 10, W - 10, 50}},
        {"zero width", {10, 10, 0, 50}, {}},
        {"zero height", {10, 10, 50, 0}, {}},
        {"right of the image", {W, 0, 10, 10}, {}},
    };
    for (const Case& c : cases) {
        pages::Buffer b(page, W * 3 + 4);
        EraserRect(b.mat(), c.rect);
        const cv::Mat out = b.pixels();
        cv::Mat diff;
        cv::absdiff(out, page, diff);
        cv::cvtColor(diff, diff, cv::COLOR_RGB2GRAY);
        cv::Mat outside = diff.clone();
        if (!c.worked.empty())
            outside(c.worked).setTo(0);
        EXPECT_EQ(0, cv::countNonZero(outside)) << c.name;
        if (!c.worked.empty()) {
            EXPECT_GT(cv::countNonZero(diff(c.worked)), 0) << c.name << ": nothing erased";
        }
        EXPECT_TRUE(b.paddingIs(0xA5)) << c.name;
    }
}

TEST(Cleaning, ColorBalanceTable)
{
    struct Case {
        const char* name;
        cv::Vec3b left, right;  // the image is half one colour, half the other
        cv::Vec3b leftOut, rightOut;
    };
    const Case cases[] = {
        {"neutral grey", {128, 128, 128}, {90, 90, 90}, {128, 128, 128}, {90, 90, 90}},
        // means (150, 100, 150): gains 8/9, 4/3, 8/9
        {"cast", {200, 100, 100}, {100, 100, 200}, {178, 133, 89}, {89, 133, 178}},
        {"no blue", {200, 100, 0}, {100, 50, 0}, {100, 100, 0}, {50, 50, 0}},
        {"black", {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        cv::Mat img(10, 20, CV_8UC3, cv::Scalar(c.left[0], c.left[1], c.left[2]));
        img.colRange(10, 20).setTo(cv::Scalar(c.right[0], c.right[1], c.right[2]));
        pages::Buffer b(img, 20 * 3 + 4);
        EXPECT_EQ(0, colorBalance(b.mat())) << c.name;
        const cv::Mat out = b.pixels();
        EXPECT_EQ(c.leftOut, px(out, 0, 0)) << c.name;
        EXPECT_EQ(c.rightOut, px(out, 19, 9)) << c.name;
    }
}

TEST(Cleaning, EraserDotChangesNothing)
{
    const cv::Mat page = pages::noise({50, 40});
    pages::Buffer b(page, 50 * 3 + 4);
    const auto before = b.bytes;
    EraserDot(b.mat(), {0, 0, 50, 40});
    EraserDot(b.mat(), {-5, -5, 0, 0});
    EXPECT_EQ(before, b.bytes);
}
