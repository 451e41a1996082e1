#include "V4l2Capture.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

#include <atomic>
#include <chrono>
#include <linux/videodev2.h>
#include <sys/stat.h>
#include <thread>

namespace camera {

namespace {

// An opened V4L2 camera streaming on a thread of its own.
class V4l2Device : public Device {
public:
    V4l2Device(DeviceInfo info, cv::VideoCapture capture, QSize size)
        : info_(std::move(info)), capture_(std::move(capture)), size_(size)
    {
    }
    ~V4l2Device() override
    {
        stop();
        capture_.release();
    }

    DeviceInfo info() const override { return info_; }
    QSize frameSize() const override { return size_; }

    bool start(FrameCallback onFrame, std::string& err) override
    {
        stop();
        if (!capture_.isOpened()) {
            err = "the camera is not open";
            return false;
        }
        running_ = true;
        thread_ = std::thread([this, onFrame = std::move(onFrame)] { run(onFrame); });
        return true;
    }

    void stop() override
    {
        running_ = false;
        if (thread_.joinable())
            thread_.join();
    }

private:
    void run(const FrameCallback& onFrame)
    {
        std::uint64_t number = 0;
        int failures = 0;
        cv::Mat bgr;
        while (running_) {
            bool ok = false;
            try {
                ok = capture_.read(bgr) && !bgr.empty() && bgr.type() == CV_8UC3;
            } catch (const cv::Exception&) {
                ok = false;
            }
            if (!ok) {
                // A node that went away ends the stream; the backend reports
                // the removal.
                struct stat st {};
                if (::stat(info_.id.c_str(), &st) != 0 || ++failures > 100)
                    return;
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                continue;
            }
            failures = 0;
            QImage image(bgr.cols, bgr.rows, QImage::Format_RGB888);
            if (image.isNull())
                continue;
            cv::Mat rgb(bgr.rows, bgr.cols, CV_8UC3, image.bits(), static_cast<size_t>(image.bytesPerLine()));
            cv::cvtColor(bgr, rgb, cv::COLOR_BGR2RGB);
            Frame frame;
            frame.image = image;
            frame.number = ++number;
            onFrame(frame);
        }
    }

    DeviceInfo info_;
    cv::VideoCapture capture_;
    QSize size_;
    std::atomic<bool> running_{false};
    std::thread thread_;
};

}  // namespace

std::unique_ptr<Device> openV4l2Capture(const DeviceInfo& described, unsigned fourcc, std::string& err)
{
    DeviceInfo info = described;
    cv::VideoCapture capture;
    try {
        if (!capture.open(info.id, cv::CAP_V4L2)) {
            err = "the camera cannot be opened: " + info.id;
            return nullptr;
        }
        if (fourcc == V4L2_PIX_FMT_MJPEG)
            capture.set(cv::CAP_PROP_FOURCC, cv::VideoWriter::fourcc('M', 'J', 'P', 'G'));
        capture.set(cv::CAP_PROP_FRAME_WIDTH, info.width);
        capture.set(cv::CAP_PROP_FRAME_HEIGHT, info.height);
    } catch (const cv::Exception& e) {
        err = e.what();
        return nullptr;
    }
    const QSize actual(static_cast<int>(capture.get(cv::CAP_PROP_FRAME_WIDTH)),
                       static_cast<int>(capture.get(cv::CAP_PROP_FRAME_HEIGHT)));
    info.width = actual.width();
    info.height = actual.height();
    return std::make_unique<V4l2Device>(info, std::move(capture), actual);
}

}  // namespace camera
