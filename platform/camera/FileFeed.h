#pragma once

#include <QImage>

#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/camera/Camera.h"

namespace camera {

// A camera without hardware: each of its devices plays a list of pictures,
// over and over, at a fixed frame rate on a thread of its own. Devices are
// plugged in, pulled out and made to stall (deliver nothing while staying
// present) by calls or by a script of timed steps, so that everything the
// window does with a real camera can be done on any machine.
class FileFeedBackend : public Backend {
public:
    // One step of a script, `atMs` after play() was called.
    struct Step {
        enum class Action { Arrive, Remove, Stall, Resume };
        int atMs = 0;
        Action action = Action::Arrive;
        std::string name;    // the device
        std::string folder;  // Arrive: the pictures to play
        double fps = 30.0;   // Arrive
    };

    // How a device has fared since it was plugged in.
    struct Stats {
        std::uint64_t delivered = 0;  // frames handed to the callback
        std::uint64_t skipped = 0;    // frames that fell due while the callback still ran
    };

    FileFeedBackend();
    ~FileFeedBackend() override;

    // Plugs in the device `name` playing the pictures of `folder` (every file
    // Qt reads, by name order) or `frames`; its id is "file:" + name. False
    // when there is no picture. The arrival is reported from the calling
    // thread.
    bool plugIn(const std::string& name, const std::string& folder, double fps = 30.0);
    bool plugIn(const std::string& name, std::vector<QImage> frames, double fps = 30.0);
    // Pulls the device out: a stream stops at once, and it is reported removed.
    void unplug(const std::string& name);
    // A stalled device stays present and streaming but delivers no frame.
    void setStalled(const std::string& name, bool stalled);
    Stats stats(const std::string& name) const;

    // Runs `steps` (sorted by time) on a thread of the backend; a later call
    // replaces a script still running.
    void play(std::vector<Step> steps);
    // Reads a script: one step a line, "<ms> arrive <name> <folder> [fps]",
    // "<ms> remove <name>", "<ms> stall <name>", "<ms> resume <name>"; blank
    // lines and lines starting with "#" are skipped. False at the first line
    // it cannot read.
    static bool parseScript(const std::string& text, std::vector<Step>& steps);

    std::vector<DeviceInfo> devices() override;
    void setDeviceCallback(DeviceCallback onEvent) override;
    std::unique_ptr<Device> open(const std::string& id, std::string& err) override;

    struct Feed;  // one device's pictures and state, shared with its opened handles

private:
    void report(DeviceEvent event, const DeviceInfo& info);
    std::shared_ptr<Feed> find(const std::string& name) const;
    void stopScript();

    mutable std::mutex mutex_;
    std::map<std::string, std::shared_ptr<Feed>> feeds_;  // by name, present ones only
    std::mutex callbackMutex_;
    DeviceCallback onEvent_;

    std::thread script_;
    std::mutex scriptMutex_;
    std::condition_variable scriptWake_;
    bool scriptStop_ = false;
};

}  // namespace camera
