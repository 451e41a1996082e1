// Finding a tilted page on a camera frame and straightening it.

#include <QImage>
#include <QPainter>
#include <QPolygon>

#include <gtest/gtest.h>

#include <cmath>

#include "platform/camera/PageOutline.h"

namespace {

// A dark desk of `size` with a white sheet whose corners are `corners`
// (top-left, top-right, bottom-right, bottom-left), carrying a few lines of
// dark "text".
QImage deskWithSheet(const QSize& size, const camera::Corners& corners)
{
    QImage frame(size, QImage::Format_RGB888);
    frame.fill(QColor(70, 60, 55));
    QPainter painter(&frame);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(245, 245, 240));
    painter.drawPolygon(QPolygon({corners[0], corners[1], corners[2], corners[3]}));
    // Text lines inside the sheet, between its left and right edges.
    painter.setPen(QPen(QColor(30, 30, 30), 6));
    for (int i = 1; i < 8; ++i) {
        const double t = i / 9.0;
        const QPointF left = corners[0] + (corners[3] - corners[0]) * t;
        const QPointF right = corners[1] + (corners[2] - corners[1]) * t;
        painter.drawLine(left + (right - left) * 0.1, left + (right - left) * 0.8);
    }
    return frame;
}

double length(const QPoint& a, const QPoint& b)
{
    return std::hypot(double(a.x() - b.x()), double(a.y() - b.y()));
}

}  // namespace

TEST(PageOutline, FindsTheCornersOfATiltedSheet)
{
    const camera::Corners sheet{QPoint(420, 260), QPoint(1450, 150), QPoint(1560, 1330), QPoint(380, 1420)};
    const QImage frame = deskWithSheet(QSize(2000, 1600), sheet);
    camera::Corners found{};
    ASSERT_TRUE(camera::findPage(frame, found));
    for (int i = 0; i < 4; ++i) {
        EXPECT_LE(length(found[i], sheet[i]), 8.0) << "corner " << i << " at " << found[i].x() << "," << found[i].y();
    }
}

TEST(PageOutline, SameOnTheQuarterPreview)
{
    const camera::Corners sheet{QPoint(420, 260), QPoint(1450, 150), QPoint(1560, 1330), QPoint(380, 1420)};
    const QImage preview = camera::scaledDown(deskWithSheet(QSize(2000, 1600), sheet), 4);
    ASSERT_EQ(preview.size(), QSize(500, 400));
    camera::Corners found{};
    ASSERT_TRUE(camera::findPage(preview, found));
    for (int i = 0; i < 4; ++i)
        EXPECT_LE(length(found[i] * 4, sheet[i]), 12.0) << "corner " << i;
}

TEST(PageOutline, NoPageOnAnEmptyDesk)
{
    QImage desk(800, 600, QImage::Format_RGB888);
    desk.fill(QColor(90, 90, 90));
    camera::Corners found{};
    EXPECT_FALSE(camera::findPage(desk, found));
    // A small card is no page either.
    const QImage card = deskWithSheet(QSize(800, 600),
                                      {QPoint(10, 10), QPoint(100, 12), QPoint(98, 80), QPoint(12, 78)});
    EXPECT_FALSE(camera::findPage(card, found));
    EXPECT_FALSE(camera::findPage(QImage(), found));
}

TEST(PageOutline, DeskewGivesTheUprightSheet)
{
    const camera::Corners sheet{QPoint(420, 260), QPoint(1450, 150), QPoint(1560, 1330), QPoint(380, 1420)};
    const QImage frame = deskWithSheet(QSize(2000, 1600), sheet);
    const QImage page = camera::deskew(frame, sheet);
    ASSERT_FALSE(page.isNull());
    EXPECT_EQ(page.format(), QImage::Format_RGB888);
    EXPECT_NEAR(page.width(), std::max(length(sheet[0], sheet[1]), length(sheet[3], sheet[2])), 1.0);
    EXPECT_NEAR(page.height(), std::max(length(sheet[0], sheet[3]), length(sheet[1], sheet[2])), 1.0);
    // The desk is gone: the borders are the sheet's white.
    for (const QPoint& p : {QPoint(3, 3), QPoint(page.width() - 4, 3), QPoint(3, page.height() - 4),
                            QPoint(page.width() - 4, page.height() - 4)}) {
        EXPECT_GT(qGray(page.pixel(p)), 200) << p.x() << "," << p.y();
    }
    // The text lines are level now: the first dark row met going down at the
    // left of the lines is dark at their right too.
    const int left = page.width() * 2 / 10;
    const int right = page.width() * 7 / 10;
    int line = -1;
    for (int y = 10; y < page.height() / 2 && line < 0; ++y) {
        if (qGray(page.pixel(left, y)) < 100)
            line = y;
    }
    ASSERT_GT(line, 0);
    int darkAtRight = 0;
    for (int dy = -3; dy <= 6; ++dy)
        darkAtRight += qGray(page.pixel(right, line + dy)) < 100 ? 1 : 0;
    EXPECT_GT(darkAtRight, 0);
}

TEST(PageOutline, DeskewRefusesDegenerateCorners)
{
    QImage frame(100, 100, QImage::Format_RGB888);
    frame.fill(Qt::white);
    EXPECT_TRUE(camera::deskew(frame, {QPoint(1, 1), QPoint(1, 1), QPoint(1, 1), QPoint(1, 1)}).isNull());
    EXPECT_TRUE(camera::deskew(frame, {QPoint(0, 0), QPoint(50, 50), QPoint(99, 99), QPoint(20, 20)}).isNull());
}

TEST(PageOutline, ScaledDownAveragesBlocks)
{
    QImage image(8, 4, QImage::Format_RGB888);
    image.fill(Qt::black);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x)
            image.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    }
    const QImage small = camera::scaledDown(image, 4);
    ASSERT_EQ(small.size(), QSize(2, 1));
    EXPECT_NEAR(qRed(small.pixel(0, 0)), 128, 2);
    EXPECT_EQ(qRed(small.pixel(1, 0)), 0);
}
