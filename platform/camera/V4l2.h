#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/camera/Camera.h"

namespace camera {

// Real cameras through Video4Linux2: the nodes /dev/video* that can capture
// video, read through OpenCV's V4L2 capture (in the camera plugin) at the
// largest frame size each offers. Cameras plugged in or pulled out are noticed by looking at the
// nodes once a second on a thread of the backend.
class V4l2Backend : public Backend {
public:
    // `deviceFolder`: where the video nodes are (another folder in tests).
    explicit V4l2Backend(std::string deviceFolder = "/dev");
    ~V4l2Backend() override;

    std::vector<DeviceInfo> devices() override;
    void setDeviceCallback(DeviceCallback onEvent) override;
    // Loads the camera plugin when needed: without it no camera opens.
    std::unique_ptr<Device> open(const std::string& id, std::string& err) override;

    // The capture devices among the nodes video* of `folder`, the largest
    // frames first. Nodes that cannot be opened or only output (metadata,
    // encoders) are left out.
    static std::vector<DeviceInfo> enumerate(const std::string& folder);

private:
    void watch();
    void stopWatching();

    std::string folder_;
    std::mutex mutex_;  // known_, stop_
    std::vector<DeviceInfo> known_;
    std::mutex callbackMutex_;  // held while the callback runs
    DeviceCallback onEvent_;
    std::thread watcher_;
    std::condition_variable wake_;
    bool stop_ = false;
};

}  // namespace camera
