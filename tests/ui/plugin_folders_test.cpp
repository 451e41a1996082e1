// The main window is built while Qt's plugin folders are withheld, so that
// its PNG pictures do not make Qt open every image-format plugin; the folders
// come back once the event loop has run, and pictures of every format read
// again from then on.
//
// Qt opens its image-format plugins once per process and keeps them, and
// earlier tests of this program read pictures: the check runs in a fresh
// process of this program, the only test it runs, as at the program's start.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QProcess>
#include <QTemporaryDir>

#include "ui/PluginFolders.h"

namespace {

bool mapped(const char* library)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(library);
}

QImage picture()
{
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    return image;
}

}  // namespace

const char kFreshProcess[] = "LORVANE_PLUGIN_FOLDERS_FRESH";

TEST(PluginFolders, PngPicturesReadWithoutPluginsAndEveryFormatAfterTheEventLoop)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kFreshProcess), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=PluginFoldersFresh.WithheldUntilTheEventLoop")});
    ASSERT_TRUE(child.waitForStarted(10000));
    const bool ended = child.waitForFinished(120000);
    if (!ended) {
        child.kill();
        child.waitForFinished(5000);
    }
    const QString output = QString::fromUtf8(child.readAll());
    ASSERT_TRUE(ended) << output.toStdString();
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QLatin1String("[  PASSED  ] 1 test"))) << output.toStdString();
}

TEST(PluginFoldersFresh, WithheldUntilTheEventLoop)
{
    if (!qEnvironmentVariableIsSet(kFreshProcess))
        GTEST_SKIP()
            << "run in a fresh process by PluginFolders.PngPicturesReadWithoutPluginsAndEveryFormatAfterTheEventLoop";
    ASSERT_FALSE(mapped("libqtiff")) << "an earlier step of this process opened the plugins";
    const QStringList folders = QCoreApplication::libraryPaths();
    QTemporaryDir dir;
    const QString jpeg = dir.filePath(QStringLiteral("photo.jpg"));
    const QString png = dir.filePath(QStringLiteral("page.png"));

    // Before any picture is read or written, as at the program's start.
    withholdPluginFoldersUntilShown();
    ASSERT_TRUE(picture().save(png, "PNG"));
    // Pictures and icons of the program's own kind.
    EXPECT_EQ(QPixmap(png).size(), QSize(40, 30));
    EXPECT_FALSE(QIcon(png).pixmap(QSize(40, 30)).isNull());
    EXPECT_FALSE(QIcon(QStringLiteral(":/Lorvane/Resources/logo/logo3.png")).pixmap(QSize(32, 32)).isNull());
    // A JPEG needs its plugin, which is not there yet.
    EXPECT_FALSE(picture().save(jpeg, "JPEG"));
    EXPECT_FALSE(mapped("libqtiff"));
    EXPECT_FALSE(mapped("libqjpeg"));

    QCoreApplication::processEvents();
    EXPECT_EQ(QCoreApplication::libraryPaths(), folders);
    ASSERT_TRUE(picture().save(jpeg, "JPEG"));
    EXPECT_EQ(QImage(jpeg).size(), QSize(40, 30));
    EXPECT_TRUE(QImageReader::supportedImageFormats().contains("jpeg"));
}
