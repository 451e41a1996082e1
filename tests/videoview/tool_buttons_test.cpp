// The camera window's three picture buttons: an icon of their own each, and
// a tool tip saying what they do.

#include <QIcon>
#include <QImage>
#include <QToolButton>

#include <gtest/gtest.h>

#include "capture/sources/QVideoView.h"
#include "ui/ModalRecorder.h"

namespace {

// Pixels that are not fully transparent.
int drawnPixels(const QImage& image)
{
    int drawn = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            drawn += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
    }
    return drawn;
}

}  // namespace

TEST(CameraToolButtons, IconsAndToolTips)
{
    ModalRecorder modals;  // no device: the window's message is answered
    QVideoView view;
    const struct {
        const char* name;
        const char* tip;
    } buttons[] = {{"toolLeft", "左转"}, {"toolScan", "拍照"}, {"toolRight", "右转"}};
    QList<QImage> pictures;
    for (const auto& b : buttons) {
        SCOPED_TRACE(b.name);
        auto* button = view.findChild<QToolButton*>(QString::fromLatin1(b.name));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->toolTip(), QString::fromUtf8(b.tip));
        ASSERT_FALSE(button->icon().isNull());
        const QImage picture = button->icon().pixmap(button->iconSize()).toImage();
        ASSERT_FALSE(picture.isNull());
        EXPECT_GT(drawnPixels(picture), picture.width() * picture.height() / 10);
        // Within the button, with room for its frame.
        EXPECT_LT(button->iconSize().width(), button->width());
        pictures.append(picture);
    }
    EXPECT_NE(pictures[0], pictures[1]);
    EXPECT_NE(pictures[0], pictures[2]);
    EXPECT_NE(pictures[1], pictures[2]);
}
