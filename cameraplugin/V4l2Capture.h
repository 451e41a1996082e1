#pragma once

#include <memory>
#include <string>

#include "platform/camera/Camera.h"

namespace camera {

// Opens the V4L2 node `info.id` through OpenCV's video capture at
// `info.width` x `info.height` (MJPEG frames when `fourcc` is MJPEG); the
// device streams on a thread of its own. Null with `err` when it cannot.
std::unique_ptr<Device> openV4l2Capture(const DeviceInfo& info, unsigned fourcc, std::string& err);

}  // namespace camera
