// The camera window over the file-fed camera: no device, shots turned by the
// stored quarter turns, unique shot names, a stalled camera, a camera pulled
// out while in use, straightened shots, the thumbnail strip, and the stored settings.

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSet>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>

#include "capture/sources/QVideoView.h"
#include "capture/sources/imageWidget.h"
#include "core/Settings.h"
#include "platform/camera/FileFeed.h"
#include "support/TestEnv.h"
#include "support/WaitFor.h"
#include "transfer/QThumbnail.h"
#include "ui/ModalRecorder.h"

namespace {

// 400 x 300 frames, grey, with a red block in the top-left corner.
QImage markedFrame()
{
    QImage frame(400, 300, QImage::Format_RGB888);
    frame.fill(QColor(128, 128, 128));
    QPainter painter(&frame);
    painter.fillRect(0, 0, 100, 75, Qt::red);
    return frame;
}

bool isRed(const QImage& image, int x, int y)
{
    const QColor c = image.pixelColor(x, y);
    return c.red() > 180 && c.green() < 90 && c.blue() < 90;
}

class VideoView : public ::testing::Test {
protected:
    void SetUp() override
    {
        testenv::prepareDataFolder();
        QFile::remove(QStringLiteral("Lorvane.ini"));
        QDir(QStringLiteral("tmp")).removeRecursively();
        setIniValue(QStringLiteral("scan_boxDesk"), 0);
        camera::setBackendFactory([this] {
            auto backend = std::make_unique<camera::FileFeedBackend>();
            backend_ = backend.get();
            if (plugged_)
                backend_->plugIn("cam", std::vector<QImage>{frame_}, 30.0);
            return backend;
        });
    }
    void TearDown() override { camera::setBackendFactory({}); }

    // Shows the window and waits until it can take shots.
    void openReady(QVideoView& view)
    {
        view.show();
        ASSERT_TRUE(waitFor([&] { return captureButton(view)->isEnabled(); }));
    }

    static QToolButton* captureButton(QVideoView& view)
    {
        return view.findChild<QToolButton*>(QStringLiteral("toolScan"));
    }

    bool plugged_ = true;
    QImage frame_ = markedFrame();
    camera::FileFeedBackend* backend_ = nullptr;  // owned by the window
};

}  // namespace

TEST_F(VideoView, NoDeviceShowsTheMessageAndCloses)
{
    plugged_ = false;
    setIniValue(QStringLiteral("video_rotate"), 2);
    ModalRecorder modals;
    {
        QVideoView view;
        view.show();
        ASSERT_TRUE(waitFor([&] { return modals.count() == 1; }));
        EXPECT_EQ(modals.last().title, QStringLiteral("提示"));
        EXPECT_EQ(modals.last().text, QStringLiteral("未连接设备！"));
        EXPECT_FALSE(view.isVisible());
        EXPECT_TRUE(view.getFiles().isEmpty());
        EXPECT_EQ(view.effectiveRotation(), -1);
    }
    // No camera, no change to the stored turns.
    EXPECT_EQ(getIniValue<int>(QStringLiteral("video_rotate"), 0), 2);
}

TEST_F(VideoView, ShotsAreTurnedByTheStoredQuarterTurns)
{
    struct Case {
        int stored;
        QSize size;
        QPoint red;  // a point inside the red block after the turn
    };
    const Case cases[] = {
        {0, QSize(400, 300), QPoint(20, 20)},   {1, QSize(300, 400), QPoint(280, 20)},
        {2, QSize(400, 300), QPoint(380, 280)}, {3, QSize(300, 400), QPoint(20, 380)},
        {-1, QSize(300, 400), QPoint(20, 380)}, {5, QSize(300, 400), QPoint(280, 20)},
    };
    for (const Case& c : cases) {
        setIniValue(QStringLiteral("video_rotate"), c.stored);
        ModalRecorder modals;
        QVideoView view;
        openReady(view);
        view.capture_clicked();
        ASSERT_EQ(modals.count(), 0) << c.stored << " " << modals.last().text.toStdString();
        const QStringList files = view.getFiles();
        ASSERT_EQ(files.size(), 1);
        EXPECT_TRUE(files.at(0).startsWith(QStringLiteral("tmp/")) && files.at(0).endsWith(QStringLiteral(".jpg")));
        const QImage shot(files.at(0));
        EXPECT_EQ(shot.size(), c.size) << c.stored;
        EXPECT_TRUE(isRed(shot, c.red.x(), c.red.y())) << c.stored;
    }
}

TEST_F(VideoView, TwoShotsInOneSecondAreTwoFiles)
{
    ModalRecorder modals;
    QVideoView view;
    openReady(view);
    view.capture_clicked();
    view.capture_clicked();
    view.capture_clicked();
    ASSERT_EQ(modals.count(), 0);
    const QStringList files = view.getFiles();
    ASSERT_EQ(files.size(), 3);
    EXPECT_EQ(QSet<QString>(files.begin(), files.end()).size(), 3);
    for (const QString& file : files)
        EXPECT_FALSE(QImage(file).isNull()) << file.toStdString();
    EXPECT_EQ(view.findChild<QLabel*>(QStringLiteral("video_thumb"))->text(), QStringLiteral("×3"));
}

TEST_F(VideoView, TheStripDecidesTheOrderAndDeletesShots)
{
    ModalRecorder modals;  // the strip's questions are answered yes
    QVideoView view;
    openReady(view);
    for (int i = 0; i < 3; ++i)
        view.capture_clicked();
    const QStringList taken = view.getFiles();
    ASSERT_EQ(taken.size(), 3);
    auto* strip = view.findChild<QThumbnail*>();
    ASSERT_NE(strip, nullptr);
    EXPECT_EQ(strip->width(), 180);
    EXPECT_EQ(strip->itemWidth(), 140);
    EXPECT_EQ(strip->listWidget()->currentRow(), 2) << "the newest shot is current";

    // Moved up: the order handed over follows.
    strip->menu_moveup_triggered();
    EXPECT_EQ(view.getFiles(), (QStringList{taken[0], taken[2], taken[1]}));
    // Deleted: gone from the list and from the disk.
    strip->menu_delete_triggered();
    EXPECT_EQ(view.getFiles(), (QStringList{taken[0], taken[1]}));
    EXPECT_FALSE(QFile::exists(taken[2]));
}

TEST_F(VideoView, StalledCameraGivesUpWithinTheBound)
{
    ModalRecorder modals;
    QVideoView view;
    openReady(view);
    backend_->setStalled("cam", true);
    QElapsedTimer timer;
    timer.start();
    view.capture_clicked();
    const qint64 elapsed = timer.elapsed();
    EXPECT_GE(elapsed, 2900);
    EXPECT_LT(elapsed, 4500);
    ASSERT_EQ(modals.count(), 1);
    EXPECT_EQ(modals.last().title, QStringLiteral("错误提示"));
    EXPECT_EQ(modals.last().text, QStringLiteral("拍照失败!"));
    EXPECT_TRUE(view.getFiles().isEmpty());

    // Once the camera delivers again, the next shot works.
    backend_->setStalled("cam", false);
    view.capture_clicked();
    EXPECT_EQ(view.getFiles().size(), 1);
}

TEST_F(VideoView, CameraPulledOutWhileInUse)
{
    setIniValue(QStringLiteral("video_rotate"), 1);
    ModalRecorder modals;
    {
        QVideoView view;
        openReady(view);
        backend_->unplug("cam");
        ASSERT_TRUE(waitFor([&] { return !view.hasDevice(); }));
        EXPECT_FALSE(captureButton(view)->isEnabled());
        view.capture_clicked();
        ASSERT_EQ(modals.count(), 1);
        EXPECT_EQ(modals.last().text, QStringLiteral("没有视频设备!"));
        const int angle = view.findChild<imageWidget*>(QStringLiteral("video_show"))->angle();
        view.RotateRight_clicked();  // nothing without a camera
        EXPECT_EQ(view.findChild<imageWidget*>(QStringLiteral("video_show"))->angle(), angle);

        // Plugged in again, the window takes it up.
        backend_->plugIn("cam", std::vector<QImage>{frame_}, 30.0);
        ASSERT_TRUE(waitFor([&] { return captureButton(view)->isEnabled(); }));
        view.capture_clicked();
        EXPECT_EQ(view.getFiles().size(), 1);
        EXPECT_EQ(modals.count(), 1);
    }
    EXPECT_EQ(getIniValue<int>(QStringLiteral("video_rotate"), 0), 1);
}

TEST_F(VideoView, TurnsAreStoredModuloFour)
{
    setIniValue(QStringLiteral("video_rotate"), 0);
    {
        QVideoView view;
        openReady(view);
        auto* show = view.findChild<imageWidget*>(QStringLiteral("video_show"));
        for (int i = 0; i < 4; ++i)
            view.RotateRight_clicked();
        EXPECT_EQ(show->angle(), 0);
        view.RotateRight_clicked();
        EXPECT_EQ(show->angle(), 90);
        EXPECT_EQ(view.effectiveRotation(), 1);
    }
    EXPECT_EQ(getIniValue<int>(QStringLiteral("video_rotate"), 0), 1);
}

TEST_F(VideoView, StraightensThePageWhenAsked)
{
    // A white sheet tilted on a dark desk.
    QImage frame(1600, 1200, QImage::Format_RGB888);
    frame.fill(QColor(60, 50, 45));
    {
        QPainter painter(&frame);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(245, 245, 245));
        painter.drawPolygon(QPolygon({QPoint(300, 200), QPoint(1200, 120), QPoint(1280, 1050), QPoint(260, 1100)}));
    }
    frame_ = frame;
    setIniValue(QStringLiteral("scan_boxDesk"), 2);
    ModalRecorder modals;
    QVideoView view;
    openReady(view);
    auto* show = view.findChild<imageWidget*>(QStringLiteral("video_show"));
    ASSERT_TRUE(waitFor([&] { return show->polygon().size() == 4; }));
    view.capture_clicked();
    ASSERT_EQ(view.getFiles().size(), 1);
    const QImage shot(view.getFiles().at(0));
    EXPECT_NEAR(shot.width(), 1020, 30);
    EXPECT_NEAR(shot.height(), 930, 30);
    EXPECT_GT(qGray(shot.pixel(5, 5)), 200);
    EXPECT_GT(qGray(shot.pixel(shot.width() - 6, shot.height() - 6)), 200);

    // 纠偏 off: the outline goes and the next shot is the whole frame.
    view.findChild<QCheckBox*>(QStringLiteral("scan_boxDesk"))->setChecked(false);
    EXPECT_EQ(getIniValue<int>(QStringLiteral("scan_boxDesk"), -1), 0);
    view.capture_clicked();
    ASSERT_EQ(view.getFiles().size(), 2);
    EXPECT_EQ(QImage(view.getFiles().at(1)).size(), QSize(1600, 1200));
}

TEST_F(VideoView, UnwritableTmpGivesTheMessage)
{
    ModalRecorder modals;
    QVideoView view;
    openReady(view);
    QDir(QStringLiteral("tmp")).removeRecursively();
    QFile blocker(QStringLiteral("tmp"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    view.capture_clicked();
    QFile::remove(QStringLiteral("tmp"));
    ASSERT_EQ(modals.count(), 1);
    EXPECT_EQ(modals.last().text, QStringLiteral("图片保存失败!"));
    EXPECT_TRUE(view.getFiles().isEmpty());
}

TEST_F(VideoView, BackAcceptsTheWindow)
{
    QVideoView view;
    openReady(view);
    view.findChild<QPushButton*>()->click();
    EXPECT_EQ(view.result(), QDialog::Accepted);
}
