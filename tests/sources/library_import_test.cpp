// Copying chosen files into the library folder under the running number, and
// listing the library in page order.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <gtest/gtest.h>

#include "capture/sources/LibraryImport.h"
#include "core/Settings.h"
#include "support/TestEnv.h"

namespace {

class LibraryImport : public ::testing::Test {
protected:
    void SetUp() override
    {
        data_ = testenv::prepareDataFolder();
        QDir(QStringLiteral("documents")).removeRecursively();
        QDir().mkpath(QStringLiteral("documents"));
        QDir(QStringLiteral("sources")).removeRecursively();
        QDir().mkpath(QStringLiteral("sources"));
        QFile::remove(QStringLiteral("Lorvane.ini"));
    }

    // A small picture of colour `color` at sources/<name>.
    QString source(const QString& name, Qt::GlobalColor color)
    {
        QImage image(16, 12, QImage::Format_RGB888);
        image.fill(color);
        const QString path = data_ + QStringLiteral("/sources/") + name;
        const QByteArray format = QFileInfo(name).suffix().toUpper() == QLatin1String("PNG") ? "PNG" : "JPG";
        EXPECT_TRUE(image.save(path, format.constData()));
        return path;
    }

    static QByteArray bytesOf(const QString& path)
    {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }

    QString data_;
};

}  // namespace

TEST_F(LibraryImport, RunningNumberAndSuffixes)
{
    setIniValue(QStringLiteral("import_index"), 7);
    const QString photo = source(QStringLiteral("photo.JPG"), Qt::red);
    const QString scan = source(QStringLiteral("scan.png"), Qt::blue);

    const QStringList copied = libraryimport::copyIntoLibrary({photo, scan});
    EXPECT_EQ(copied, (QStringList{"documents/7.JPG", "documents/8.png"}));
    EXPECT_EQ(bytesOf(QStringLiteral("documents/7.JPG")), bytesOf(photo));
    EXPECT_EQ(bytesOf(QStringLiteral("documents/8.png")), bytesOf(scan));
    EXPECT_EQ(getIniValue<int>(QStringLiteral("import_index"), 0), 9);

    QStringList listed;
    ASSERT_TRUE(libraryimport::listImages(QStringLiteral("documents"), listed));
    EXPECT_EQ(listed, copied);
}

TEST_F(LibraryImport, FirstImportWithoutSetting)
{
    const QStringList copied = libraryimport::copyIntoLibrary({source(QStringLiteral("a.bmp"), Qt::green)});
    EXPECT_EQ(copied, QStringList{"documents/1.bmp"});
    EXPECT_EQ(getIniValue<int>(QStringLiteral("import_index"), 0), 2);
}

TEST_F(LibraryImport, TakenNumberMovesToTheNextFreeOne)
{
    // Pages 7 and 8 are there already (under other suffixes); the running
    // number was lost (settings file replaced).
    QFile::copy(source(QStringLiteral("old7.png"), Qt::black), QStringLiteral("documents/7.png"));
    QFile::copy(source(QStringLiteral("old8.jpg"), Qt::black), QStringLiteral("documents/8.jpg"));
    setIniValue(QStringLiteral("import_index"), 7);
    const QString fresh = source(QStringLiteral("fresh.jpg"), Qt::yellow);

    const QStringList copied = libraryimport::copyIntoLibrary({fresh});
    ASSERT_EQ(copied, QStringList{"documents/9.jpg"});
    EXPECT_EQ(bytesOf(QStringLiteral("documents/9.jpg")), bytesOf(fresh));
    EXPECT_NE(bytesOf(QStringLiteral("documents/8.jpg")), bytesOf(fresh));
    EXPECT_EQ(getIniValue<int>(QStringLiteral("import_index"), 0), 10);
}

TEST_F(LibraryImport, UnreadableFileConsumesItsNumber)
{
    setIniValue(QStringLiteral("import_index"), 3);
    const QStringList copied = libraryimport::copyIntoLibrary(
        {data_ + QStringLiteral("/sources/missing.png"), source(QStringLiteral("b.png"), Qt::cyan)});
    EXPECT_EQ(copied, QStringList{"documents/4.png"});
    EXPECT_FALSE(QFile::exists(QStringLiteral("documents/3.png")));
    EXPECT_EQ(getIniValue<int>(QStringLiteral("import_index"), 0), 5);
}

TEST_F(LibraryImport, NothingChosenLeavesTheSettingAlone)
{
    setIniValue(QStringLiteral("import_index"), 4);
    EXPECT_TRUE(libraryimport::copyIntoLibrary({}).isEmpty());
    EXPECT_EQ(getIniValue<int>(QStringLiteral("import_index"), 0), 4);
}

TEST_F(LibraryImport, ListInNumericOrderAnyCase)
{
    for (const char* name : {"10.jpg", "2.png", "1.bmp", "3.JPEG", "x.png", "11.PNG", "5.txt", "4.gif"}) {
        QFile file(QStringLiteral("documents/") + QString::fromLatin1(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QDir().mkpath(QStringLiteral("documents/12.png"));  // a folder is no page
    QStringList listed{"stale"};
    ASSERT_TRUE(libraryimport::listImages(QStringLiteral("documents"), listed));
    EXPECT_EQ(listed, (QStringList{"documents/x.png", "documents/1.bmp", "documents/2.png", "documents/3.JPEG",
                                   "documents/10.jpg", "documents/11.PNG"}));
}

TEST_F(LibraryImport, MissingFolderIsNotListed)
{
    QStringList listed{"kept"};
    EXPECT_FALSE(libraryimport::listImages(QStringLiteral("no-such-folder"), listed));
    EXPECT_EQ(listed, QStringList{"kept"});
}
