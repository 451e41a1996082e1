#include "platform/camera/Plugin.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

#include <mutex>

namespace camera {

namespace {

constexpr const char* kEntryName = "lorvane_camera_plugin";

// One folder's plugin; null with the reason appended to `err`.
Plugin* loadFrom(const QString& folder, std::string& err)
{
    const QString path = QDir(folder).filePath(pluginFileName());
    if (!QFileInfo::exists(path))
        return nullptr;
    // Never unloaded: the plugin's objects (sounds, devices and their
    // threads) may live until the process ends.
    QLibrary library(path);
    library.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    if (!library.load()) {
        err += library.errorString().toStdString() + "\n";
        return nullptr;
    }
    auto entry = reinterpret_cast<PluginEntry>(library.resolve(kEntryName));
    Plugin* found = entry ? entry(kPluginInterface) : nullptr;
    if (!found)
        err += path.toStdString() + ": not a camera plugin of this program version\n";
    return found;
}

}  // namespace

QString pluginFileName()
{
    return QStringLiteral("libLorvaneCamera.so");
}

QStringList pluginFolders()
{
    const QString own = QCoreApplication::applicationDirPath();
    QStringList folders{own};
    for (const QString& folder : {own + QStringLiteral("/../lib"), QStringLiteral(LORVANE_INSTALL_LIBDIR)}) {
        const QString clean = QDir::cleanPath(folder);
        if (!folders.contains(clean))
            folders.append(clean);
    }
    return folders;
}

Plugin* loadPlugin(const QStringList& folders, std::string& err)
{
    err.clear();
    for (const QString& folder : folders) {
        if (Plugin* found = loadFrom(folder, err))
            return found;
    }
    if (err.empty())
        err = pluginFileName().toStdString() + " is in none of: " + folders.join(QStringLiteral(", ")).toStdString();
    return nullptr;
}

Plugin* plugin(std::string& err)
{
    static std::mutex mutex;
    static Plugin* loaded = nullptr;
    std::lock_guard<std::mutex> lock(mutex);
    if (!loaded)
        loaded = loadPlugin(pluginFolders(), err);
    return loaded;
}

}  // namespace camera
