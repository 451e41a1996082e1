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
#include <QTemporaryDir>

#include "support/ChildRun.h"
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

TEST(PluginFolders, PngPicturesReadWithoutPluginsAndEveryFormatAfterTheEventLoop)
{
    QString output;
    EXPECT_EQ(childrun::runTest(QStringLiteral("PluginFoldersFresh.WithheldUntilTheEventLoop"), &output, 120000), 0)
        << output.toStdString();
    EXPECT_TRUE(output.contains(QLatin1String("[  PASSED  ] 1 test"))) << output.toStdString();
}

TEST(PluginFoldersFresh, WithheldUntilTheEventLoop)
{
    if (!childrun::inChild())
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
