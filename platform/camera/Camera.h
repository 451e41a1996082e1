#pragma once

#include <QImage>
#include <QSize>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Our layer over document cameras: which cameras there are (and when one is
// plugged in or pulled out), opening one, its frame size, a stream of frames
// delivered on the layer's own thread, stopping and closing. Two backends:
// V4L2 for real cameras (/dev/video*), and a file-fed camera that plays
// pictures from a folder (machines without a camera, tests, benchmarks).
namespace camera {

struct DeviceInfo {
    std::string id;    // "/dev/video0", "file:<name>"
    std::string name;  // for people
    int width = 0;     // the largest frame the device offers
    int height = 0;
};

enum class DeviceEvent { Arrived, Removed };

// Called on a thread of the layer, never on the caller's: hand the event on
// (a queued signal) and return.
using DeviceCallback = std::function<void(DeviceEvent event, const DeviceInfo& device)>;

struct Frame {
    // Format_RGB888. Shared with the layer: read it or copy it, never write
    // into its pixels.
    QImage image;
    std::uint64_t number = 0;  // 1 for the first frame after start()
};

// Called on the device's own thread for each frame, one call at a time. While
// it runs no frame waits: frames that fall due meanwhile are skipped, so a
// slow consumer lowers the frame rate and never builds a queue.
using FrameCallback = std::function<void(const Frame& frame)>;

class Device {
public:
    virtual ~Device() = default;  // stops the stream first

    virtual DeviceInfo info() const = 0;
    // The size of the frames start() delivers.
    virtual QSize frameSize() const = 0;
    // Starts the stream (a running one is stopped first). False with `err`
    // when the device is gone or cannot stream.
    virtual bool start(FrameCallback onFrame, std::string& err) = 0;
    // Ends the stream: when it returns, no frame callback runs any more. Never
    // call it from the frame callback.
    virtual void stop() = 0;
};

class Backend {
public:
    virtual ~Backend() = default;  // close its devices before

    // The cameras present now, the one with the largest frames first.
    virtual std::vector<DeviceInfo> devices() = 0;
    // Arrival and removal events from now on (an empty function: none). A
    // removed device that is streaming stops delivering frames by itself.
    virtual void setDeviceCallback(DeviceCallback onEvent) = 0;
    // Opens the device `id`; null with `err` when it cannot.
    virtual std::unique_ptr<Device> open(const std::string& id, std::string& err) = 0;
};

// The backend for this machine: the file-fed camera playing the folder named
// by LORVANE_CAMERA_FILES when that is set, else V4L2. Tests and benchmarks
// may replace it with setBackendFactory (an empty function restores it).
std::unique_ptr<Backend> createBackend();
void setBackendFactory(std::function<std::unique_ptr<Backend>()> factory);

}  // namespace camera
