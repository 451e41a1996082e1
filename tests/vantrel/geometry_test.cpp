// Quarter turns, free turns and their size queries.
#include "Pages.h"
#include "internal.h"
#include "vantrel.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <cmath>

namespace {

cv::Mat sixColours()
{
    // A B C
    // D E F
    cv::Mat m(2, 3, CV_8UC3);
    const cv::Vec3b c[6] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}, {0, 255, 255}, {255, 0, 255}};
    for (int i = 0; i < 6; ++i)
        m.at<cv::Vec3b>(i / 3, i % 3) = c[i];
    return m;
}

cv::Mat turned(const cv::Mat& src, int type)
{
    pages::Buffer in(src, 0);
    myMat size{};
    GetRotateSize(in.mat(), &size, type);
    pages::Buffer out(size.width, size.height, size.width * 3 + 4);  // padded rows
    Rotate(in.mat(), out.mat(), type);
    EXPECT_TRUE(out.paddingIs(0x5A));
    return out.pixels();
}

}  // namespace

TEST(Geometry, SixColoursThroughTheThreeTurns)
{
    const cv::Mat src = sixColours();
    auto at = [&](int i) { return src.at<cv::Vec3b>(i / 3, i % 3); };
    enum { A, B, C, D, E, F };
    struct Case {
        int type;
        int rows, cols;
        std::vector<int> layout;  // row by row
    };
    const Case cases[] = {
        {1, 3, 2, {D, A, E, B, F, C}},  // clockwise
        {2, 2, 3, {F, E, D, C, B, A}},
        {3, 3, 2, {C, F, B, E, A, D}},  // counter-clockwise
    };
    for (const Case& c : cases) {
        const cv::Mat out = turned(src, c.type);
        ASSERT_EQ(cv::Size(c.cols, c.rows), out.size()) << c.type;
        for (int i = 0; i < c.rows * c.cols; ++i)
            EXPECT_EQ(at(c.layout[i]), out.at<cv::Vec3b>(i / c.cols, i % c.cols))
                << "type " << c.type << " pixel " << i;
    }
}

TEST(Geometry, TurnsUndoEachOther)
{
    const cv::Mat page = pages::noise({333, 201});
    EXPECT_TRUE(pages::same(page, turned(turned(page, 1), 3)));
    EXPECT_TRUE(pages::same(page, turned(turned(page, 2), 2)));
}

TEST(Geometry, RotateSizeTable)
{
    pages::Buffer img(1000, 700);
    struct Case {
        int type;
        int width, height, step;
    };
    const Case cases[] = {{1, 700, 1000, 2100}, {2, 1000, 700, 3000}, {3, 700, 1000, 2100}};
    for (const Case& c : cases) {
        myMat out{nullptr, -1, -1, -1};
        GetRotateSize(img.mat(), &out, c.type);
        EXPECT_EQ(c.width, out.width) << c.type;
        EXPECT_EQ(c.height, out.height) << c.type;
        EXPECT_EQ(c.step, out.step) << c.type;
        EXPECT_EQ(nullptr, out.data);
    }
    for (int type : {0, 4}) {
        unsigned char sentinel = 0;
        myMat out{&sentinel, 11, 12, 13};
        GetRotateSize(img.mat(), &out, type);
        EXPECT_EQ(&sentinel, out.data);
        EXPECT_EQ(11, out.width);
        EXPECT_EQ(12, out.height);
        EXPECT_EQ(13, out.step);
    }
}

TEST(Geometry, RotateAngleSizeTable)
{
    struct Case {
        int width, height;
        float angle;
        int outWidth, outHeight;
    };
    const Case cases[] = {
        {1000, 700, 0.f, 1000, 700},    {1000, 700, 90.f, 700, 1000},   {1000, 700, 30.f, 1216, 1106},
        {1000, 700, -30.f, 1216, 1106}, {1000, 1000, 45.f, 1414, 1414}, {5000, 5000, 45.f, 7071, 7071},
        {4000, 3000, 2.f, 4102, 3137},
    };
    for (const Case& c : cases) {
        pages::Buffer img(c.width, c.height);
        unsigned char sentinel = 0;
        myMat out{&sentinel, -1, -1, 77};
        GetRotateAngleSize(img.mat(), &out, c.angle);
        EXPECT_EQ(c.outWidth, out.width) << c.width << "x" << c.height << " at " << c.angle;
        EXPECT_EQ(c.outHeight, out.height) << c.width << "x" << c.height << " at " << c.angle;
        EXPECT_EQ(77, out.step);
        EXPECT_EQ(&sentinel, out.data);
    }
}

TEST(Geometry, RotateAngleByZeroIsTheIdentity)
{
    const cv::Mat page = pages::text({333, 250}, 3);
    pages::Buffer src(page, 1000);
    pages::Buffer dst(333, 250, 1003);
    RotateAngle(src.mat(), dst.mat(), 0.f);
    EXPECT_TRUE(pages::same(page, dst.pixels()));
}

TEST(Geometry, CornerMarkerEndsWhereTheTurnSends)
{
    // A 10 x 10 red marker in the top-left corner of a white 300 x 200 page.
    cv::Mat page(200, 300, CV_8UC3, cv::Scalar::all(255));
    page(cv::Rect(0, 0, 10, 10)).setTo(cv::Scalar(255, 0, 0));
    for (float angle : {30.f, -30.f}) {
        pages::Buffer src(page);
        myMat size{};
        GetRotateAngleSize(src.mat(), &size, angle);
        pages::Buffer dst(size.width, size.height);
        RotateAngle(src.mat(), dst.mat(), angle);
        const cv::Mat out = dst.pixels();
        cv::Mat red;
        cv::inRange(out, cv::Scalar(200, 0, 0), cv::Scalar(255, 80, 80), red);
        const cv::Moments mo = cv::moments(red, true);
        ASSERT_GT(mo.m00, 50) << angle;
        const cv::Point2d found(mo.m10 / mo.m00, mo.m01 / mo.m00);
        // Positive angles turn counter-clockwise on screen: the top-left
        // corner goes to the left edge; negative ones send it to the top edge.
        const double a = angle * CV_PI / 180;
        const cv::Point2d p(5 - 150, 5 - 100);  // marker centre from the page centre
        const cv::Point2d expected(size.width / 2.0 + std::cos(a) * p.x + std::sin(a) * p.y,
                                   size.height / 2.0 - std::sin(a) * p.x + std::cos(a) * p.y);
        EXPECT_LT(cv::norm(found - expected), 3.0) << angle << ": " << found << " vs " << expected;
        if (angle > 0)
            EXPECT_LT(found.x, 12);
        else
            EXPECT_LT(found.y, 12);
    }
}

TEST(Geometry, NearlySquarePagesTurnNearFortyFiveDegrees)
{
    // The turn near 45 degrees can come out a pixel larger than the 1.414
    // square work area; it must still succeed and fill the whole result.
    struct Case {
        int side;
        float angle;
    };
    for (const Case c : {Case{1024, 43.f}, Case{1024, 45.f}, Case{1000, 45.f}, Case{5000, 45.f}}) {
        cv::Mat page(c.side, c.side, CV_8UC3, cv::Scalar(200, 150, 100));
        pages::Buffer src(page);
        myMat size{};
        GetRotateAngleSize(src.mat(), &size, c.angle);
        pages::Buffer dst(size.width, size.height, 0, 0x11);
        ASSERT_NO_THROW(RotateAngle(src.mat(), dst.mat(), c.angle)) << c.side << " at " << c.angle;
        const cv::Mat out = dst.pixels();
        EXPECT_EQ(cv::Vec3b(200, 150, 100), out.at<cv::Vec3b>(out.rows / 2, out.cols / 2)) << c.side;
        EXPECT_EQ(cv::Vec3b(0, 0, 0), out.at<cv::Vec3b>(0, 0)) << c.side;
        EXPECT_EQ(cv::Vec3b(0, 0, 0), out.at<cv::Vec3b>(out.rows - 1, out.cols - 1)) << c.side;
        if (c.side <= 1024) {
            // The widened work area of the OpenCV chain gives the same pixels.
            cv::Mat expected(out.size(), CV_8UC3);
            vantrel::ref::rotateAngle(page, expected, c.angle);
            EXPECT_TRUE(pages::same(expected, out)) << c.side << " at " << c.angle;
        }
    }
}
