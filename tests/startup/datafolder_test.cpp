#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdlib>
#include <string>

#include "app/Startup.h"
#include "core/AppContext.h"

namespace {

// Points APPDATA elsewhere for one test and puts it and the working directory
// back afterwards.
class OtherAppData {
public:
    explicit OtherAppData(const QString& root)
        : previous_(qgetenv("APPDATA")), previousCwd_(QDir::currentPath()),
          previousDataPath_(AppContext::instance()->data_path)
    {
        qputenv("APPDATA", root.toUtf8());
    }
    ~OtherAppData()
    {
        qputenv("APPDATA", previous_);
        QDir::setCurrent(previousCwd_);
        AppContext::instance()->data_path = previousDataPath_;
    }

private:
    QByteArray previous_;
    QString previousCwd_;
    std::string previousDataPath_;
};

void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

TEST(DataFolder, ExistingEntriesCountAsPresentAndMissingOnesAreMade)
{
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("用户/Lorvane"));
    ASSERT_TRUE(QDir().mkpath(data + "/tmp"));
    writeFile(data + "/database", "not a folder");  // a plain file of that name
    writeFile(data + "/tmp/page-1.png", "kept");
    writeFile(data + "/Lorvane.ini", "[General]\nhost=example\n");

    // A trailing separator in the variable does not double the separators.
    OtherAppData scope(dir.filePath(QStringLiteral("用户/")));
    createDataFolders();

    EXPECT_EQ(QFileInfo(QDir::currentPath()).canonicalFilePath(), QFileInfo(data).canonicalFilePath());
    EXPECT_EQ(AppContext::instance()->data_path, data.toStdString());
    EXPECT_TRUE(QFileInfo(data + "/database").isFile()) << "an existing file must be left alone";
    for (const char* folder : {"documents", "item", "tmp"})
        EXPECT_TRUE(QFileInfo(data + "/" + folder).isDir()) << folder;
    QFile kept(data + "/tmp/page-1.png");
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "kept");
    // Relative paths now resolve in the data folder.
    EXPECT_TRUE(QFile::exists(QStringLiteral("Lorvane.ini")));
}

// A relative folder in the variable still gives an absolute data folder: the
// working directory moves into it, and the backup program is handed the path.
TEST(DataFolder, RelativeApplicationDataFolderIsKeptAbsolute)
{
    QTemporaryDir dir;
    OtherAppData scope(QStringLiteral("relative/roaming"));
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    createDataFolders();

    const QString data = dir.filePath(QStringLiteral("relative/roaming/Lorvane"));
    const QString kept = QString::fromStdString(AppContext::instance()->data_path);
    EXPECT_TRUE(QDir::isAbsolutePath(kept)) << kept.toStdString();
    EXPECT_EQ(QFileInfo(kept).canonicalFilePath(), QFileInfo(data).canonicalFilePath());
    EXPECT_EQ(QFileInfo(QDir::currentPath()).canonicalFilePath(), QFileInfo(data).canonicalFilePath());
    for (const char* folder : {"database", "documents", "item", "tmp"})
        EXPECT_TRUE(QFileInfo(data + "/" + folder).isDir()) << folder;
}

// A tmp/ that is a link would send the cache and its clean-up into the folder
// it points to: start-up puts a real folder in its place and leaves the
// target as it was.
TEST(DataFolder, LinkedTmpIsReplacedByARealFolder)
{
    struct Case {
        const char* what;
        const char* target;  // relative to the temporary folder
    };
    const Case cases[] = {
        {"a link to a folder", "cache"},
        {"a link to a file", "cache/page-1.png"},
        {"a dangling link", "missing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const QString data = dir.filePath(QStringLiteral("Lorvane"));
        ASSERT_TRUE(QDir().mkpath(data));
        ASSERT_TRUE(QDir().mkpath(dir.filePath("cache/pages")));
        writeFile(dir.filePath("cache/page-1.png"), "kept");
        writeFile(dir.filePath("cache/pages/page-2.png"), "kept too");
        ASSERT_TRUE(QFile::link(dir.filePath(c.target), data + "/tmp"));

        OtherAppData scope(dir.path());
        createDataFolders();

        const QFileInfo tmp(data + "/tmp");
        EXPECT_FALSE(tmp.isSymLink());
        EXPECT_TRUE(tmp.isDir());
        EXPECT_TRUE(QDir(data + "/tmp").isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
        QFile first(dir.filePath("cache/page-1.png"));
        ASSERT_TRUE(first.open(QIODevice::ReadOnly));
        EXPECT_EQ(first.readAll(), "kept");
        QFile second(dir.filePath("cache/pages/page-2.png"));
        ASSERT_TRUE(second.open(QIODevice::ReadOnly));
        EXPECT_EQ(second.readAll(), "kept too");
    }
}

}  // namespace
