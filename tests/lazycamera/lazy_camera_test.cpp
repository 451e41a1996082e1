// The camera's large libraries (OpenCV's video capture, Qt Multimedia and
// what they bring: GStreamer, FFmpeg, PulseAudio) are mapped only once the
// camera window opens, through the camera plugin: not by a started program,
// not by this test program before it opens the window. The window then works
// with the file-fed camera, and a plugin that is missing or broken is
// refused with a reason instead of taking the process down.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "capture/sources/QVideoView.h"
#include "core/Settings.h"
#include "platform/camera/FileFeed.h"
#include "platform/camera/Plugin.h"
#include "support/SyntheticPictures.h"
#include "support/TestEnv.h"
#include "support/WaitFor.h"
#include "ui/ModalRecorder.h"

namespace {

// The libraries among the files mapped by a process whose names start with
// one of `names`.
QStringList mappedLibraries(const QString& mapsFile, const QStringList& names)
{
    QFile maps(mapsFile);
    if (!maps.open(QIODevice::ReadOnly))
        return {QStringLiteral("<cannot read %1>").arg(mapsFile)};
    QStringList found;
    for (const QString& line : QString::fromUtf8(maps.readAll()).split(QLatin1Char('\n'))) {
        const QString file = QFileInfo(line.section(QLatin1Char(' '), -1)).fileName();
        for (const QString& name : names) {
            if (file.startsWith(name) && !found.contains(file))
                found.append(file);
        }
    }
    return found;
}

// The camera-only libraries mapped by a process.
QStringList cameraLibraries(const QString& mapsFile)
{
    return mappedLibraries(mapsFile, {camera::pluginFileName(), QStringLiteral("libQt5Multimedia"),
                                      QStringLiteral("libopencv_videoio"), QStringLiteral("libopencv_imgcodecs"),
                                      QStringLiteral("libgstreamer"), QStringLiteral("libavcodec"),
                                      QStringLiteral("libpulse"), QStringLiteral("libgdal")});
}

bool mapped(const QStringList& libraries, const QString& prefix)
{
    return std::any_of(libraries.begin(), libraries.end(), [&](const QString& l) { return l.startsWith(prefix); });
}

}  // namespace

TEST(LazyCamera, StartedProgramMapsNoCameraLibraryNorOneItOpensLater)
{
    QTemporaryDir appData;
    // The program copies its memory map when start-up is complete, before
    // the main window's delayed work starts (the worker opens libcurl then),
    // so the copy shows what a started program holds however slow the
    // machine is.
    const QString snapshot = appData.filePath(QStringLiteral("maps.txt"));
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("APPDATA"), appData.path());
    env.insert(QStringLiteral("LORVANE_STARTUP_MAPS"), snapshot);
    env.insert(QStringLiteral("LORVANE_MESSAGE_LOG"), appData.filePath(QStringLiteral("messages.log")));
    env.remove(QStringLiteral("LORVANE_QUIT_AFTER_STARTUP"));
    env.remove(QStringLiteral("LORVANE_CLOSE_AFTER_STARTUP"));
    program.setProcessEnvironment(env);
    program.start(testenv::binDir() + QStringLiteral("/Lorvane"), QStringList());
    ASSERT_TRUE(program.waitForStarted(10000));
    const bool started = waitFor([&] { return QFile(snapshot).size() > 0 || program.state() != QProcess::Running; },
                                 60000);
    const QStringList found = cameraLibraries(snapshot);
    // libcurl waits for the first web-service request, libzip (with
    // libcrypto) for the first Word document, and Qt's image-format plugins
    // for the first picture that is not PNG.
    const QStringList laterNames{QStringLiteral("libcurl"),  QStringLiteral("libzip"),   QStringLiteral("libcrypto"),
                                 QStringLiteral("libqjpeg"), QStringLiteral("libqtiff"), QStringLiteral("libqwebp"),
                                 QStringLiteral("libqgif")};
    const QStringList later = mappedLibraries(snapshot, laterNames);
    // The start-up worker, half a second on, does open libcurl: the copy was
    // made before it, not after a start that never reaches the network.
    const QString maps = QStringLiteral("/proc/%1/maps").arg(program.processId());
    const bool curlLater = started && waitFor(
                                          [&] {
                                              const QString curl = QStringLiteral("libcurl");
                                              return mapped(mappedLibraries(maps, {curl}), curl);
                                          },
                                          30000);
    program.kill();
    program.waitForFinished(10000);
    ASSERT_TRUE(started && QFile(snapshot).size() > 0) << "the program did not finish start-up";
    EXPECT_TRUE(found.isEmpty()) << found.join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(later.isEmpty()) << later.join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(curlLater) << "the start-up worker did not open libcurl";
}

TEST(LazyCamera, MissingOrBrokenPluginIsRefusedWithAReason)
{
    QTemporaryDir empty;
    std::string err;
    EXPECT_EQ(camera::loadPlugin({empty.path()}, err), nullptr);
    EXPECT_NE(err.find(camera::pluginFileName().toStdString()), std::string::npos) << err;

    QTemporaryDir broken;
    QFile junk(broken.filePath(camera::pluginFileName()));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a library");
    junk.close();
    EXPECT_EQ(camera::loadPlugin({broken.path(), empty.path()}, err), nullptr);
    EXPECT_FALSE(err.empty());

    // Nothing of the camera was mapped by trying.
    EXPECT_FALSE(mapped(cameraLibraries(QStringLiteral("/proc/self/maps")), QStringLiteral("libopencv_videoio")));
}

TEST(LazyCamera, PluginIsLookedForBesideTheProgramThenUnderTheInstallPrefix)
{
    const QStringList folders = camera::pluginFolders();
    ASSERT_GE(folders.size(), 2);
    EXPECT_EQ(folders.first(), QCoreApplication::applicationDirPath());
    const QString prefix = QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/.."));
    EXPECT_TRUE(folders.contains(prefix + QStringLiteral("/lib"))) << folders.join(QLatin1Char(' ')).toStdString();
    // The build keeps the plugin beside its programs.
    EXPECT_TRUE(QFileInfo::exists(folders.first() + QLatin1Char('/') + camera::pluginFileName()));
}

TEST(LazyCamera, CameraWindowLoadsThePluginAndWorksWithTheFileFedCamera)
{
    testenv::prepareDataFolder();
    setIniValue(QStringLiteral("scan_boxDesk"), 0);
    EXPECT_TRUE(cameraLibraries(QStringLiteral("/proc/self/maps")).isEmpty())
        << cameraLibraries(QStringLiteral("/proc/self/maps")).join(QLatin1Char(' ')).toStdString();

    camera::setBackendFactory([] {
        auto backend = std::make_unique<camera::FileFeedBackend>();
        backend->plugIn("cam", std::vector<QImage>{pictures::gradient(320, 240)}, 30.0);
        return backend;
    });
    ModalRecorder modals;
    {
        QVideoView view;
        view.show();
        auto* shoot = view.findChild<QToolButton*>(QStringLiteral("toolScan"));
        ASSERT_TRUE(waitFor([&] { return shoot->isEnabled(); }));
        const QStringList opened = cameraLibraries(QStringLiteral("/proc/self/maps"));
        EXPECT_TRUE(mapped(opened, camera::pluginFileName())) << opened.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(mapped(opened, QStringLiteral("libopencv_videoio")));

        shoot->click();  // plays the shutter sound through the plugin
        ASSERT_EQ(view.getFiles().size(), 1);
        EXPECT_EQ(QImage(view.getFiles().first()).size(), QSize(320, 240));
        EXPECT_TRUE(mapped(cameraLibraries(QStringLiteral("/proc/self/maps")), QStringLiteral("libQt5Multimedia")));
    }
    camera::setBackendFactory({});
    EXPECT_EQ(modals.count(), 0);
}
