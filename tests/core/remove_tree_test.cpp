// The one removal of the program never follows a link: a link goes as a link
// wherever it lies, and what it points to stays as it was.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "platform/RemoveTree.h"
#include "support/FolderHash.h"

namespace {

std::string local(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

TEST(RemoveTree, LinksGoAsLinksAndTheirTargetsStay)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString target = dir.filePath("target");
    writeFile(target + "/a.png", "a");
    writeFile(target + "/sub/b.png", "b");
    const testenv::FolderHashes before = testenv::folderHashes(target);

    // Each row: what removeTree or emptyFolder is given, and the link that
    // the call must remove without entering it.
    struct Case {
        const char* what;
        QString link;
        QString linkTarget;
        QString given;
        bool empty;  // emptyFolder instead of removeTree
        bool result;
    };
    const QString tree = dir.filePath("tree");
    const Case cases[] = {
        {"the tree itself a link", tree, target, tree, false, true},
        {"the tree a link, given with a trailing separator", tree, target, tree + "//", false, true},
        {"a link to a folder inside", tree + "/pages", target, tree, false, true},
        {"a link to a file deep inside", tree + "/a/b/c.png", target + "/a.png", tree, false, true},
        {"a dangling link inside", tree + "/gone", dir.filePath("missing"), tree, false, true},
        {"emptying a folder that holds a link", tree + "/pages", target, tree, true, true},
        {"emptying a link", tree, target, tree, true, false},
        {"emptying a link given with a trailing separator", tree, target, tree + "/", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(platform::removeTree(local(tree)));
        if (c.link != tree)
            writeFile(tree + "/own.txt", "own");
        ASSERT_TRUE(QDir().mkpath(QFileInfo(c.link).path()));
        ASSERT_TRUE(QFile::link(c.linkTarget, c.link));

        const bool result = c.empty ? platform::emptyFolder(local(c.given)) : platform::removeTree(local(c.given));
        EXPECT_EQ(result, c.result);
        // Removed as a link, or (a link given to emptyFolder) left alone.
        EXPECT_EQ(QFileInfo(c.link).isSymLink(), !c.result);
        EXPECT_EQ(testenv::folderHashes(target), before)
            << testenv::hashDifference(before, testenv::folderHashes(target)).toStdString();
        if (!c.empty) {
            EXPECT_FALSE(QFileInfo::exists(tree));
        } else if (c.result) {
            EXPECT_TRUE(QDir(tree).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
        }
    }
    EXPECT_TRUE(platform::removeTree(local(dir.filePath("never-there"))));
}

}  // namespace
