#include "platform/camera/V4l2.h"

#include "platform/camera/Plugin.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace camera {

namespace {

int xioctl(int fd, unsigned long request, void* arg)
{
    int rc;
    do {
        rc = ioctl(fd, request, arg);
    } while (rc == -1 && errno == EINTR);
    return rc;
}

struct BestSize {
    int width = 0;
    int height = 0;
    unsigned fourcc = 0;
};

// The largest frame size the node offers for single-plane capture.
BestSize largestSize(int fd)
{
    BestSize best;
    v4l2_fmtdesc format{};
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    for (format.index = 0; xioctl(fd, VIDIOC_ENUM_FMT, &format) == 0; ++format.index) {
        v4l2_frmsizeenum size{};
        size.pixel_format = format.pixelformat;
        for (size.index = 0; xioctl(fd, VIDIOC_ENUM_FRAMESIZES, &size) == 0; ++size.index) {
            int w = 0;
            int h = 0;
            if (size.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
                w = static_cast<int>(size.discrete.width);
                h = static_cast<int>(size.discrete.height);
            } else {
                w = static_cast<int>(size.stepwise.max_width);
                h = static_cast<int>(size.stepwise.max_height);
            }
            const long long area = static_cast<long long>(w) * h;
            const long long bestArea = static_cast<long long>(best.width) * best.height;
            // At equal size compressed frames win: they need less bandwidth.
            if (area > bestArea || (area == bestArea && format.pixelformat == V4L2_PIX_FMT_MJPEG)) {
                best.width = w;
                best.height = h;
                best.fourcc = format.pixelformat;
            }
            if (size.type != V4L2_FRMSIZE_TYPE_DISCRETE)
                break;
        }
    }
    if (best.width == 0) {
        // No size list: the current format.
        v4l2_format current{};
        current.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (xioctl(fd, VIDIOC_G_FMT, &current) == 0) {
            best.width = static_cast<int>(current.fmt.pix.width);
            best.height = static_cast<int>(current.fmt.pix.height);
            best.fourcc = current.fmt.pix.pixelformat;
        }
    }
    return best;
}

// The capture description of one node; false when it is no video capture
// device.
bool describe(const std::string& path, DeviceInfo& info, BestSize& size)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    v4l2_capability cap{};
    bool capture = false;
    if (xioctl(fd, VIDIOC_QUERYCAP, &cap) == 0) {
        const unsigned caps = (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
        capture = (caps & V4L2_CAP_VIDEO_CAPTURE) && (caps & (V4L2_CAP_STREAMING | V4L2_CAP_READWRITE));
    }
    if (capture) {
        size = largestSize(fd);
        info.id = path;
        info.name = std::string(reinterpret_cast<const char*>(cap.card),
                                strnlen(reinterpret_cast<const char*>(cap.card), sizeof(cap.card)));
        info.width = size.width;
        info.height = size.height;
    }
    ::close(fd);
    return capture && size.width > 0;
}

bool contains(const std::vector<DeviceInfo>& list, const std::string& id)
{
    return std::any_of(list.begin(), list.end(), [&](const DeviceInfo& d) { return d.id == id; });
}

}  // namespace

V4l2Backend::V4l2Backend(std::string deviceFolder) : folder_(std::move(deviceFolder))
{
    known_ = enumerate(folder_);
    watcher_ = std::thread([this] { watch(); });
}

V4l2Backend::~V4l2Backend()
{
    stopWatching();
}

std::vector<DeviceInfo> V4l2Backend::enumerate(const std::string& folder)
{
    std::vector<DeviceInfo> list;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return list;
    while (dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.compare(0, 5, "video") != 0)
            continue;
        DeviceInfo info;
        BestSize size;
        if (describe(folder + "/" + name, info, size))
            list.push_back(info);
    }
    ::closedir(dir);
    std::sort(list.begin(), list.end(), [](const DeviceInfo& a, const DeviceInfo& b) {
        const long long areaA = static_cast<long long>(a.width) * a.height;
        const long long areaB = static_cast<long long>(b.width) * b.height;
        return areaA != areaB ? areaA > areaB : a.id < b.id;
    });
    return list;
}

std::vector<DeviceInfo> V4l2Backend::devices()
{
    std::lock_guard<std::mutex> lock(mutex_);
    known_ = enumerate(folder_);
    return known_;
}

void V4l2Backend::setDeviceCallback(DeviceCallback onEvent)
{
    std::lock_guard<std::mutex> lock(callbackMutex_);
    onEvent_ = std::move(onEvent);
}

std::unique_ptr<Device> V4l2Backend::open(const std::string& id, std::string& err)
{
    DeviceInfo info;
    BestSize size;
    if (!describe(id, info, size)) {
        err = "no such camera: " + id;
        return nullptr;
    }
    // Reading frames needs OpenCV's video capture, which only the camera
    // plugin links.
    Plugin* capture = plugin(err);
    if (!capture)
        return nullptr;
    return capture->openV4l2(info, size.fourcc, err);
}

void V4l2Backend::watch()
{
    std::unique_lock<std::mutex> lock(mutex_);
    while (!wake_.wait_for(lock, std::chrono::seconds(1), [this] { return stop_; })) {
        const std::vector<DeviceInfo> before = known_;
        lock.unlock();
        const std::vector<DeviceInfo> now = enumerate(folder_);
        {
            // The callback runs without mutex_, so it may ask for devices().
            std::lock_guard<std::mutex> callbackLock(callbackMutex_);
            for (const DeviceInfo& d : before) {
                if (onEvent_ && !contains(now, d.id))
                    onEvent_(DeviceEvent::Removed, d);
            }
            for (const DeviceInfo& d : now) {
                if (onEvent_ && !contains(before, d.id))
                    onEvent_(DeviceEvent::Arrived, d);
            }
        }
        lock.lock();
        known_ = now;
    }
}

void V4l2Backend::stopWatching()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    if (watcher_.joinable())
        watcher_.join();
}

}  // namespace camera
