#pragma once

#include <QString>

#include <memory>

#include "platform/camera/Plugin.h"

namespace camera {

// A sound through Qt Multimedia's sound effect: the file is loaded when the
// sound is made, so that playing it starts at once.
std::unique_ptr<Sound> createEffectSound(const QString& source);

}  // namespace camera
