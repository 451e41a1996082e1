#include "platform/camera/Camera.h"

#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>

#include "platform/camera/FileFeed.h"
#include "platform/camera/V4l2.h"

namespace camera {

namespace {

std::mutex& factoryMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::function<std::unique_ptr<Backend>()>& factory()
{
    static std::function<std::unique_ptr<Backend>()> f;
    return f;
}

// The file-fed camera of LORVANE_CAMERA_FILES: one device "文件摄像头"
// playing the folder at 30 frames a second, then the steps of the folder's
// "camera.script" when there is one.
std::unique_ptr<Backend> fileFedFromEnvironment(const std::string& folder)
{
    auto backend = std::make_unique<FileFeedBackend>();
    std::ifstream scriptFile(folder + "/camera.script");
    std::vector<FileFeedBackend::Step> steps;
    if (scriptFile) {
        std::stringstream text;
        text << scriptFile.rdbuf();
        FileFeedBackend::parseScript(text.str(), steps);
    }
    if (steps.empty())
        backend->plugIn("文件摄像头", folder);
    else
        backend->play(std::move(steps));
    return backend;
}

}  // namespace

std::unique_ptr<Backend> createBackend()
{
    {
        std::lock_guard<std::mutex> lock(factoryMutex());
        if (factory())
            return factory()();
    }
    const char* files = std::getenv("LORVANE_CAMERA_FILES");
    if (files && *files)
        return fileFedFromEnvironment(files);
    return std::make_unique<V4l2Backend>();
}

void setBackendFactory(std::function<std::unique_ptr<Backend>()> f)
{
    std::lock_guard<std::mutex> lock(factoryMutex());
    factory() = std::move(f);
}

}  // namespace camera
