// The camera plugin's one export (see platform/camera/Plugin.h).
#include "ShutterSound.h"
#include "V4l2Capture.h"
#include "platform/camera/Plugin.h"

namespace camera {

namespace {

class CameraPlugin : public Plugin {
public:
    std::unique_ptr<Device> openV4l2(const DeviceInfo& info, unsigned fourcc, std::string& err) override
    {
        return openV4l2Capture(info, fourcc, err);
    }
    std::unique_ptr<Sound> createSound(const QString& source) override { return createEffectSound(source); }
};

}  // namespace

}  // namespace camera

extern "C" __attribute__((visibility("default"))) camera::Plugin* lorvane_camera_plugin(int interfaceVersion)
{
    if (interfaceVersion != camera::kPluginInterface)
        return nullptr;
    static camera::CameraPlugin plugin;
    return &plugin;
}
