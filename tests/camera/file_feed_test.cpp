// The file-fed camera: devices coming and going, frames on the device's own
// thread, removal while streaming, a stalled device, a slow consumer. And the
// V4L2 backend's look at the video nodes.

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/camera/Camera.h"
#include "platform/camera/FileFeed.h"
#include "platform/camera/V4l2.h"

using namespace std::chrono_literals;

namespace {

std::vector<QImage> frames(const QSize& size, int count)
{
    std::vector<QImage> list;
    for (int i = 0; i < count; ++i) {
        QImage image(size, QImage::Format_RGB888);
        image.fill(QColor(10 * i, 20, 30));
        list.push_back(image);
    }
    return list;
}

// Records device events and frames, thread-safe.
struct Recorder {
    std::mutex mutex;
    std::vector<std::pair<camera::DeviceEvent, std::string>> events;
    std::vector<std::uint64_t> numbers;
    std::vector<std::thread::id> threads;
    std::atomic<int> count{0};

    camera::DeviceCallback deviceCallback()
    {
        return [this](camera::DeviceEvent e, const camera::DeviceInfo& d) {
            std::lock_guard<std::mutex> lock(mutex);
            events.emplace_back(e, d.id);
        };
    }
    camera::FrameCallback frameCallback(std::chrono::milliseconds work = 0ms)
    {
        return [this, work](const camera::Frame& f) {
            {
                std::lock_guard<std::mutex> lock(mutex);
                numbers.push_back(f.number);
                threads.push_back(std::this_thread::get_id());
            }
            ++count;
            if (work.count() > 0)
                std::this_thread::sleep_for(work);
        };
    }
};

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit = 5000ms)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (condition())
            return true;
        std::this_thread::sleep_for(5ms);
    }
    return condition();
}

}  // namespace

TEST(FileFeed, DevicesLargestFirstAndArrivalReported)
{
    camera::FileFeedBackend backend;
    Recorder rec;
    backend.setDeviceCallback(rec.deviceCallback());
    ASSERT_TRUE(backend.plugIn("small", frames(QSize(64, 48), 1)));
    ASSERT_TRUE(backend.plugIn("large", frames(QSize(400, 300), 1)));
    EXPECT_FALSE(backend.plugIn("none", std::vector<QImage>{}));

    const auto list = backend.devices();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].id, "file:large");
    EXPECT_EQ(list[0].width, 400);
    EXPECT_EQ(list[1].id, "file:small");
    ASSERT_EQ(rec.events.size(), 2u);
    EXPECT_EQ(rec.events[0], std::make_pair(camera::DeviceEvent::Arrived, std::string("file:small")));

    std::string err;
    EXPECT_EQ(backend.open("file:nothing", err), nullptr);
    EXPECT_FALSE(err.empty());
}

TEST(FileFeed, FramesOnTheDevicesOwnThreadInOrder)
{
    camera::FileFeedBackend backend;
    ASSERT_TRUE(backend.plugIn("cam", frames(QSize(80, 60), 3), 200.0));
    std::string err;
    auto device = backend.open("file:cam", err);
    ASSERT_TRUE(device) << err;
    EXPECT_EQ(device->frameSize(), QSize(80, 60));

    Recorder rec;
    ASSERT_TRUE(device->start(rec.frameCallback(), err)) << err;
    ASSERT_TRUE(waitUntil([&] { return rec.count >= 10; }));
    device->stop();
    const int stopped = rec.count;
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(rec.count, stopped);  // nothing after stop()

    std::lock_guard<std::mutex> lock(rec.mutex);
    for (size_t i = 0; i < rec.numbers.size(); ++i)
        EXPECT_EQ(rec.numbers[i], i + 1);
    for (const auto& id : rec.threads) {
        EXPECT_NE(id, std::this_thread::get_id());
        EXPECT_EQ(id, rec.threads.front());
    }

    // Starting again counts from 1 anew.
    Recorder again;
    ASSERT_TRUE(device->start(again.frameCallback(), err));
    ASSERT_TRUE(waitUntil([&] { return again.count >= 1; }));
    device->stop();
    EXPECT_EQ(again.numbers.front(), 1u);
}

TEST(FileFeed, RemovalDuringUseStopsTheStream)
{
    camera::FileFeedBackend backend;
    Recorder events;
    backend.setDeviceCallback(events.deviceCallback());
    ASSERT_TRUE(backend.plugIn("cam", frames(QSize(32, 32), 2), 100.0));
    std::string err;
    auto device = backend.open("file:cam", err);
    ASSERT_TRUE(device);
    Recorder rec;
    ASSERT_TRUE(device->start(rec.frameCallback(), err));
    ASSERT_TRUE(waitUntil([&] { return rec.count >= 3; }));

    backend.unplug("cam");
    std::this_thread::sleep_for(30ms);  // a frame under way may still end
    const int atRemoval = rec.count;
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(rec.count, atRemoval);
    EXPECT_TRUE(backend.devices().empty());
    ASSERT_EQ(events.events.back(), std::make_pair(camera::DeviceEvent::Removed, std::string("file:cam")));
    EXPECT_FALSE(device->start(rec.frameCallback(), err));
    device.reset();  // closing a removed device is fine

    // Plugged in again, it streams again.
    ASSERT_TRUE(backend.plugIn("cam", frames(QSize(32, 32), 1), 100.0));
    device = backend.open("file:cam", err);
    ASSERT_TRUE(device);
    Recorder back;
    ASSERT_TRUE(device->start(back.frameCallback(), err));
    EXPECT_TRUE(waitUntil([&] { return back.count >= 1; }));
}

TEST(FileFeed, StalledDeviceDeliversNothingUntilResumed)
{
    camera::FileFeedBackend backend;
    ASSERT_TRUE(backend.plugIn("cam", frames(QSize(32, 32), 1), 100.0));
    std::string err;
    auto device = backend.open("file:cam", err);
    Recorder rec;
    ASSERT_TRUE(device->start(rec.frameCallback(), err));
    ASSERT_TRUE(waitUntil([&] { return rec.count >= 2; }));
    backend.setStalled("cam", true);
    std::this_thread::sleep_for(30ms);
    const int atStall = rec.count;
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(rec.count, atStall);
    EXPECT_EQ(backend.devices().size(), 1u);  // still present
    backend.setStalled("cam", false);
    EXPECT_TRUE(waitUntil([&] { return rec.count > atStall; }));
}

TEST(FileFeed, SlowConsumerSkipsFramesInsteadOfQueueing)
{
    camera::FileFeedBackend backend;
    ASSERT_TRUE(backend.plugIn("cam", frames(QSize(32, 32), 1), 100.0));
    std::string err;
    auto device = backend.open("file:cam", err);
    Recorder rec;
    ASSERT_TRUE(device->start(rec.frameCallback(40ms), err));
    std::this_thread::sleep_for(400ms);
    device->stop();
    const auto stats = backend.stats("cam");
    // About one frame per 40 ms of work, the rest skipped; no backlog is
    // delivered after stop().
    EXPECT_LE(rec.count.load(), 12);
    EXPECT_GE(rec.count.load(), 3);
    EXPECT_GE(stats.skipped, 15u);
    EXPECT_EQ(stats.delivered, static_cast<std::uint64_t>(rec.count.load()));
}

TEST(FileFeed, ScriptedArrivalStallAndRemoval)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QImage picture(48, 36, QImage::Format_RGB888);
    picture.fill(Qt::white);
    ASSERT_TRUE(picture.save(folder.filePath(QStringLiteral("a.png"))));
    ASSERT_TRUE(picture.save(folder.filePath(QStringLiteral("b.jpg"))));

    std::vector<camera::FileFeedBackend::Step> steps;
    const std::string script = "# a camera that comes, stalls and goes\n"
                               "0 arrive cam " +
                               folder.path().toStdString() +
                               " 50\n"
                               "\n"
                               "100 stall cam\n"
                               "150 resume cam\n"
                               "200 remove cam\n";
    ASSERT_TRUE(camera::FileFeedBackend::parseScript(script, steps));
    ASSERT_EQ(steps.size(), 4u);
    EXPECT_EQ(steps[0].fps, 50.0);
    EXPECT_FALSE(camera::FileFeedBackend::parseScript("10 jump cam", steps));
    EXPECT_FALSE(camera::FileFeedBackend::parseScript("soon remove cam", steps));
    ASSERT_TRUE(camera::FileFeedBackend::parseScript(script, steps));

    camera::FileFeedBackend backend;
    Recorder rec;
    backend.setDeviceCallback(rec.deviceCallback());
    backend.play(steps);
    ASSERT_TRUE(waitUntil([&] {
        std::lock_guard<std::mutex> lock(rec.mutex);
        return rec.events.size() >= 2;
    }));
    std::lock_guard<std::mutex> lock(rec.mutex);
    EXPECT_EQ(rec.events[0].first, camera::DeviceEvent::Arrived);
    EXPECT_EQ(rec.events[1].first, camera::DeviceEvent::Removed);
    EXPECT_EQ(rec.events[1].second, "file:cam");
}

TEST(FileFeed, EnvironmentSelectsTheFileFedCamera)
{
    QTemporaryDir folder;
    QImage picture(40, 30, QImage::Format_RGB888);
    picture.fill(Qt::gray);
    ASSERT_TRUE(picture.save(folder.filePath(QStringLiteral("1.png"))));
    qputenv("LORVANE_CAMERA_FILES", folder.path().toLocal8Bit());
    auto backend = camera::createBackend();
    qunsetenv("LORVANE_CAMERA_FILES");
    const auto list = backend->devices();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].width, 40);
}

TEST(V4l2, OnlyCaptureNodesAreCameras)
{
    // Plain files named like video nodes are no cameras.
    QTemporaryDir folder;
    for (const char* name : {"video0", "video1", "media0"}) {
        QFile file(folder.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    EXPECT_TRUE(camera::V4l2Backend::enumerate(folder.path().toStdString()).empty());
    EXPECT_TRUE(camera::V4l2Backend::enumerate("/no/such/folder").empty());

    // The machine's own nodes: whatever is there is a capture device with a
    // size, the largest first.
    camera::V4l2Backend backend;
    const auto list = backend.devices();
    for (size_t i = 0; i < list.size(); ++i) {
        EXPECT_GT(list[i].width, 0);
        if (i > 0) {
            EXPECT_GE(list[i - 1].width * list[i - 1].height, list[i].width * list[i].height);
        }
    }
    std::string err;
    EXPECT_EQ(backend.open("/no/such/video9", err), nullptr);
    EXPECT_FALSE(err.empty());
}
