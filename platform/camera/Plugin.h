#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <string>

#include "platform/camera/Camera.h"

// The camera plugin (libLorvaneCamera.so) holds what needs the large
// libraries: reading real cameras through OpenCV's video capture, and the
// camera window's shutter sound through Qt Multimedia. Together they bring
// in some two hundred shared libraries (GStreamer, FFmpeg, PulseAudio, ...),
// so the program does not link them: the plugin is loaded when the camera
// window first opens and stays loaded for the life of the process. Without
// it (or without its libraries) real cameras cannot be opened and the shot
// is silent; the window says so with its own message.
namespace camera {

// Raised whenever the interface below changes, so that a plugin left over
// from another build is refused instead of called wrongly.
constexpr int kPluginInterface = 1;

// The name of the plugin's file.
QString pluginFileName();

// A sound made and played on the GUI thread.
class Sound {
public:
    virtual ~Sound() = default;
    // Plays it once from the start; silent where there is no audio output.
    virtual void play() = 0;
};

class Plugin {
public:
    virtual ~Plugin() = default;
    // Opens the V4L2 capture node `info.id` (described by the V4L2 backend)
    // at `info.width` x `info.height`, asking for MJPEG frames when `fourcc`
    // is MJPEG. Null with `err` when it cannot.
    virtual std::unique_ptr<Device> openV4l2(const DeviceInfo& info, unsigned fourcc, std::string& err) = 0;
    // The sound of `source` (a file, or a "qrc:" address of the program's
    // resources).
    virtual std::unique_ptr<Sound> createSound(const QString& source) = 0;
};

// The plugin, loaded on the first call from the first of pluginFolders()
// that holds it; later calls return the same one. Null with the reason in
// `err` when no folder holds a plugin that loads (a later call looks again).
// Thread-safe.
Plugin* plugin(std::string& err);

// Where the plugin is looked for, in this order: the program's own folder
// (a build, or a copy run in place), the lib folder of the prefix the
// program is installed under, found from the program's folder, and the lib
// folder of the prefix the program was built for.
QStringList pluginFolders();

// Loads the plugin from the first of `folders` holding one that loads and
// fits this program; null with the reasons in `err` otherwise. Each call
// loads anew (the library itself stays loaded).
Plugin* loadPlugin(const QStringList& folders, std::string& err);

// The plugin's only export, the C function "lorvane_camera_plugin": its
// single Plugin, or null when `interfaceVersion` (the program's
// kPluginInterface) is not the one it was built with.
using PluginEntry = Plugin* (*)(int interfaceVersion);

}  // namespace camera
