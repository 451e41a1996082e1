// The camera window fed by the file-fed camera at 30 frames a second with
// 4000 x 3000 frames, for a few seconds:
//  - whether the preview keeps up: frames delivered and skipped by the camera
//    thread, previews prepared and shown, and the most previews ever waiting
//    for the GUI thread (the queue; 1 at most means nothing grows);
//  - how long a shot takes from the click to the saved file, with 纠偏 off
//    and on, unturned and turned a quarter (target: within 300 ms).
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "BenchSupport.h"
#include "app/Startup.h"
#include "capture/sources/QVideoView.h"
#include "core/Settings.h"
#include "platform/camera/FileFeed.h"
#include "ui/ModalRecorder.h"

namespace {

// A worksheet on a desk, tilted, with sensor-like noise.
QImage deskFrame(int seed)
{
    QImage frame(4000, 3000, QImage::Format_RGB888);
    frame.fill(QColor(70, 62, 55));
    QPainter painter(&frame);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(240, 238, 230));
    painter.drawPolygon(QPolygon({QPoint(700, 300), QPoint(3300, 180), QPoint(3450, 2750), QPoint(600, 2850)}));
    painter.setPen(QPen(QColor(40, 40, 50), 8));
    for (int y = 500; y < 2600; y += 110)
        painter.drawLine(900, y, 3000, y - 40);
    painter.end();
    QRandomGenerator random(static_cast<quint32>(seed));
    for (int y = 0; y < frame.height(); y += 2) {
        uchar* line = frame.scanLine(y);
        for (int x = 0; x < frame.width() * 3; x += 7)
            line[x] = static_cast<uchar>(qBound(0, line[x] + int(random.bounded(17)) - 8, 255));
    }
    return frame;
}

void runEvents(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

struct ShotTimes {
    double median = 0;
    double worst = 0;
};

ShotTimes timeShots(QVideoView& view, int count)
{
    std::vector<double> times;
    for (int i = 0; i < count; ++i) {
        QElapsedTimer timer;
        timer.start();
        view.capture_clicked();
        times.push_back(timer.nsecsElapsed() / 1e6);
        runEvents(100);
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.back()};
}

}  // namespace

int main(int argc, char** argv)
{
    QTemporaryDir appData;
    bench::useOffscreenAndPrivateData(appData);
    QApplication app(argc, argv);
    createDataFolders();
    ModalRecorder modals;

    const std::vector<QImage> frames{deskFrame(1), deskFrame(2)};
    camera::FileFeedBackend* feed = nullptr;
    camera::setBackendFactory([&] {
        auto backend = std::make_unique<camera::FileFeedBackend>();
        backend->plugIn("bench", frames, 30.0);
        feed = backend.get();
        return backend;
    });

    for (int deskew : {0, 2}) {
        setIniValue(QStringLiteral("scan_boxDesk"), deskew);
        setIniValue(QStringLiteral("video_rotate"), 0);
        QVideoView view;
        view.resize(1600, 1000);
        std::atomic<int> prepared{0};
        std::atomic<int> waitingMax{0};
        int shown = 0;
        QObject::connect(
            &view, &QVideoView::sgn_frame, &view,
            [&] {
                const int waiting = ++prepared - shown;
                int seen = waitingMax.load();
                while (waiting > seen && !waitingMax.compare_exchange_weak(seen, waiting)) {
                }
            },
            Qt::DirectConnection);
        QObject::connect(
            &view, &QVideoView::sgn_frame, &view, [&] { ++shown; }, Qt::QueuedConnection);
        view.show();
        runEvents(500);
        const auto before = feed->stats("bench");
        const int shownBefore = shown;
        const int seconds = 5;
        runEvents(seconds * 1000);
        const auto after = feed->stats("bench");

        std::printf("纠偏 %s: %d s at 30 fps of 4000 x 3000\n", deskew ? "on " : "off", seconds);
        std::printf(
            "  frames delivered %llu (%.1f/s), skipped %llu; previews shown %d (%.1f/s); most previews waiting %d\n",
            static_cast<unsigned long long>(after.delivered - before.delivered),
            (after.delivered - before.delivered) / double(seconds),
            static_cast<unsigned long long>(after.skipped - before.skipped), shown - shownBefore,
            (shown - shownBefore) / double(seconds), waitingMax.load());

        const ShotTimes straight = timeShots(view, 7);
        view.RotateRight_clicked();
        const ShotTimes turned = timeShots(view, 7);
        std::printf(
            "  shot to saved file: median %.0f ms, worst %.0f ms; turned a quarter: median %.0f ms, worst %.0f ms "
            "(target <= 300 ms)\n",
            straight.median, straight.worst, turned.median, turned.worst);
        if (modals.count() != 0)
            std::printf("  message: %s\n", modals.last().text.toUtf8().constData());
        modals.clear();
        view.RotateLeft_clicked();
    }
    camera::setBackendFactory({});
    return 0;
}
