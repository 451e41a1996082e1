#include "platform/camera/FileFeed.h"

#include <QDir>

#include <algorithm>
#include <chrono>
#include <sstream>

#include "platform/PictureFile.h"

namespace camera {

struct FileFeedBackend::Feed {
    DeviceInfo info;
    std::vector<QImage> frames;  // Format_RGB888, never written after plugging in
    std::chrono::nanoseconds period{33333333};
    std::atomic<bool> present{true};
    std::atomic<bool> stalled{false};
    std::atomic<std::uint64_t> delivered{0};
    std::atomic<std::uint64_t> skipped{0};
    // Wakes a streaming thread at once when the device is pulled out.
    std::mutex wakeMutex;
    std::condition_variable wake;
};

namespace {

using Clock = std::chrono::steady_clock;

// An opened file-fed device: its stream runs on a thread of its own.
class FileFeedDevice : public Device {
public:
    explicit FileFeedDevice(std::shared_ptr<FileFeedBackend::Feed> feed) : feed_(std::move(feed)) {}
    ~FileFeedDevice() override { stop(); }

    DeviceInfo info() const override { return feed_->info; }
    QSize frameSize() const override { return QSize(feed_->info.width, feed_->info.height); }

    bool start(FrameCallback onFrame, std::string& err) override
    {
        stop();
        if (!feed_->present) {
            err = "the camera was removed";
            return false;
        }
        {
            std::lock_guard<std::mutex> lock(feed_->wakeMutex);
            running_ = true;
        }
        thread_ = std::thread([this, onFrame = std::move(onFrame)] { run(onFrame); });
        return true;
    }

    void stop() override
    {
        {
            std::lock_guard<std::mutex> lock(feed_->wakeMutex);
            running_ = false;
        }
        feed_->wake.notify_all();
        if (thread_.joinable())
            thread_.join();
    }

private:
    void run(const FrameCallback& onFrame)
    {
        std::uint64_t number = 0;
        size_t index = 0;
        auto due = Clock::now();
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(feed_->wakeMutex);
                feed_->wake.wait_until(lock, due, [this] { return !running_ || !feed_->present; });
                if (!running_ || !feed_->present)
                    return;
            }
            if (!feed_->stalled) {
                Frame frame;
                frame.image = feed_->frames[index];
                frame.number = ++number;
                index = (index + 1) % feed_->frames.size();
                onFrame(frame);
                ++feed_->delivered;
            }
            due += feed_->period;
            const auto now = Clock::now();
            if (now > due) {
                // The callback took longer than a frame: the frames that fell
                // due meanwhile are skipped, none is queued.
                const auto behind = (now - due) / feed_->period;
                feed_->skipped += static_cast<std::uint64_t>(behind);
                due += feed_->period * behind;
            }
        }
    }

    std::shared_ptr<FileFeedBackend::Feed> feed_;
    bool running_ = false;  // guarded by feed_->wakeMutex
    std::thread thread_;
};

// Marks a feed pulled out and wakes its streams.
void markGone(FileFeedBackend::Feed& feed)
{
    {
        std::lock_guard<std::mutex> lock(feed.wakeMutex);
        feed.present = false;
    }
    feed.wake.notify_all();
}

std::vector<QImage> loadFolder(const std::string& folder)
{
    std::vector<QImage> frames;
    const QDir dir(QString::fromStdString(folder));
    const QStringList names = dir.entryList(QDir::Files, QDir::Name);
    for (const QString& name : names) {
        const QImage image = platform::readPicture(dir.filePath(name));
        if (!image.isNull())
            frames.push_back(image.convertToFormat(QImage::Format_RGB888));
    }
    return frames;
}

}  // namespace

FileFeedBackend::FileFeedBackend() = default;

FileFeedBackend::~FileFeedBackend()
{
    stopScript();
    setDeviceCallback(DeviceCallback());
}

bool FileFeedBackend::plugIn(const std::string& name, const std::string& folder, double fps)
{
    return plugIn(name, loadFolder(folder), fps);
}

bool FileFeedBackend::plugIn(const std::string& name, std::vector<QImage> frames, double fps)
{
    frames.erase(std::remove_if(frames.begin(), frames.end(), [](const QImage& f) { return f.isNull(); }),
                 frames.end());
    if (frames.empty() || fps <= 0.0)
        return false;
    auto feed = std::make_shared<Feed>();
    for (QImage& frame : frames) {
        if (frame.format() != QImage::Format_RGB888)
            frame = frame.convertToFormat(QImage::Format_RGB888);
    }
    feed->info.id = "file:" + name;
    feed->info.name = name;
    feed->info.width = frames.front().width();
    feed->info.height = frames.front().height();
    feed->frames = std::move(frames);
    feed->period = std::chrono::nanoseconds(static_cast<long long>(1e9 / fps));
    std::shared_ptr<Feed> replaced;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto& slot = feeds_[name];
        replaced = slot;
        slot = feed;
    }
    if (replaced) {
        markGone(*replaced);
        report(DeviceEvent::Removed, replaced->info);
    }
    report(DeviceEvent::Arrived, feed->info);
    return true;
}

void FileFeedBackend::unplug(const std::string& name)
{
    std::shared_ptr<Feed> feed;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = feeds_.find(name);
        if (it == feeds_.end())
            return;
        feed = it->second;
        feeds_.erase(it);
    }
    markGone(*feed);
    report(DeviceEvent::Removed, feed->info);
}

void FileFeedBackend::setStalled(const std::string& name, bool stalled)
{
    if (auto feed = find(name))
        feed->stalled = stalled;
}

FileFeedBackend::Stats FileFeedBackend::stats(const std::string& name) const
{
    Stats stats;
    if (auto feed = find(name)) {
        stats.delivered = feed->delivered;
        stats.skipped = feed->skipped;
    }
    return stats;
}

std::shared_ptr<FileFeedBackend::Feed> FileFeedBackend::find(const std::string& name) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = feeds_.find(name);
    return it == feeds_.end() ? nullptr : it->second;
}

std::vector<DeviceInfo> FileFeedBackend::devices()
{
    std::vector<DeviceInfo> list;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& entry : feeds_)
            list.push_back(entry.second->info);
    }
    std::stable_sort(list.begin(), list.end(), [](const DeviceInfo& a, const DeviceInfo& b) {
        return static_cast<long long>(a.width) * a.height > static_cast<long long>(b.width) * b.height;
    });
    return list;
}

void FileFeedBackend::setDeviceCallback(DeviceCallback onEvent)
{
    std::lock_guard<std::mutex> lock(callbackMutex_);
    onEvent_ = std::move(onEvent);
}

void FileFeedBackend::report(DeviceEvent event, const DeviceInfo& info)
{
    std::lock_guard<std::mutex> lock(callbackMutex_);
    if (onEvent_)
        onEvent_(event, info);
}

std::unique_ptr<Device> FileFeedBackend::open(const std::string& id, std::string& err)
{
    const std::string prefix = "file:";
    if (id.compare(0, prefix.size(), prefix) != 0) {
        err = "no such camera: " + id;
        return nullptr;
    }
    auto feed = find(id.substr(prefix.size()));
    if (!feed) {
        err = "no such camera: " + id;
        return nullptr;
    }
    return std::make_unique<FileFeedDevice>(feed);
}

void FileFeedBackend::stopScript()
{
    {
        std::lock_guard<std::mutex> lock(scriptMutex_);
        scriptStop_ = true;
    }
    scriptWake_.notify_all();
    if (script_.joinable())
        script_.join();
    std::lock_guard<std::mutex> lock(scriptMutex_);
    scriptStop_ = false;
}

void FileFeedBackend::play(std::vector<Step> steps)
{
    stopScript();
    std::stable_sort(steps.begin(), steps.end(), [](const Step& a, const Step& b) { return a.atMs < b.atMs; });
    script_ = std::thread([this, steps = std::move(steps)] {
        const auto start = Clock::now();
        for (const Step& step : steps) {
            {
                std::unique_lock<std::mutex> lock(scriptMutex_);
                if (scriptWake_.wait_until(lock, start + std::chrono::milliseconds(step.atMs),
                                           [this] { return scriptStop_; }))
                    return;
            }
            switch (step.action) {
            case Step::Action::Arrive: plugIn(step.name, step.folder, step.fps); break;
            case Step::Action::Remove: unplug(step.name); break;
            case Step::Action::Stall: setStalled(step.name, true); break;
            case Step::Action::Resume: setStalled(step.name, false); break;
            }
        }
    });
}

bool FileFeedBackend::parseScript(const std::string& text, std::vector<Step>& steps)
{
    std::istringstream lines(text);
    std::string line;
    std::vector<Step> parsed;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string first;
        if (!(words >> first) || first[0] == '#')
            continue;
        Step step;
        std::string action;
        try {
            step.atMs = std::stoi(first);
        } catch (const std::exception&) {
            return false;
        }
        if (step.atMs < 0 || !(words >> action >> step.name))
            return false;
        if (action == "arrive") {
            if (!(words >> step.folder))
                return false;
            double fps = 0.0;
            if (words >> fps)
                step.fps = fps;
            step.action = Step::Action::Arrive;
        } else if (action == "remove") {
            step.action = Step::Action::Remove;
        } else if (action == "stall") {
            step.action = Step::Action::Stall;
        } else if (action == "resume") {
            step.action = Step::Action::Resume;
        } else {
            return false;
        }
        parsed.push_back(step);
    }
    steps = std::move(parsed);
    return true;
}

}  // namespace camera
