// Restores of hostile archives and into hostile places. Every refused restore
// says why and leaves the data folder exactly as it was (compared by hashes);
// a data folder that is a symbolic link is restored in the folder it names;
// what a killed run leaves behind goes with the next run, and nothing else.
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include "BackupFixture.h"
#include "support/FolderHash.h"
#include "support/TestEnv.h"

namespace {

using namespace backuptest;

// A question database whose page 2 (the first table's data) is overwritten:
// the header and the schema on page 1 still read.
QByteArray damagedDatabase(const QString& scratch)
{
    QByteArray bytes = databaseBytes(4, scratch);
    for (int i = 4096; i < 4096 + 300 && i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(0xA5);
    return bytes;
}

// A version-4 database of some other program: the four table names, other columns.
QByteArray foreignDatabase(const QString& scratch)
{
    QFile::remove(scratch);
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(scratch).constData(), &db);
    sqlite3_exec(db,
                 "CREATE TABLE type(id INTEGER PRIMARY KEY, label TEXT);"
                 "CREATE TABLE detail(id INTEGER PRIMARY KEY, point TEXT, body BLOB);"
                 "CREATE TABLE serial(id INTEGER PRIMARY KEY, n INT);"
                 "CREATE TABLE user(id INTEGER PRIMARY KEY, name TEXT);"
                 "PRAGMA user_version = 4;",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
    QFile file(scratch);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

QByteArray tablelessDatabase(const QString& scratch)
{
    QFile::remove(scratch);
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(scratch).constData(), &db);
    sqlite3_exec(db, "PRAGMA user_version = 4;", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    QFile file(scratch);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

const QByteArray kSettingsBomb = "[General]\nkey=\"@Variant(\\0\\0\\0\\t\\x7f\\xff\\xff\\xff)\"\n";
const QByteArray kHiddenBomb = "[General]\ndetail_order=1\n[x]\nk=a, \\x40Variant(\\0\\0\\0\\t\\x7f\\xff\\xff\\xff)\n";

class HostileRestore : public BackupProgram {
protected:
    struct Case {
        const char* name;
        std::vector<std::pair<QByteArray, QByteArray>> entries;
        QStringList message;  // parts of the reported text
        std::vector<std::pair<QString, QString>> env = {};
    };

    // Each archive is refused with its message; the data folder and the
    // folder around it stay as they were.
    void expectRefused(const std::vector<Case>& cases)
    {
        const testenv::FolderHashes before = testenv::folderHashes(data);
        int n = 0;
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            const QString path = backups + QStringLiteral("/hostile%1.zip").arg(n++);
            makeZip(path, c.entries);
            setArchive(path);
            const Outcome run = runProgram("1", c.env);
            EXPECT_EQ(run.exitCode, 1);
            EXPECT_TRUE(run.output.startsWith(QStringLiteral("还原失败："))) << run.output.toStdString();
            for (const QString& part : c.message)
                EXPECT_TRUE(run.output.contains(part)) << run.output.toStdString() << " lacks " << part.toStdString();
            const QString changed = testenv::hashDifference(before, testenv::folderHashes(data));
            EXPECT_TRUE(changed.isEmpty()) << "the data folder changed:\n" << changed.toStdString();
            EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(' ').toStdString();
        }
    }
};

TEST_F(HostileRestore, ArchivesTheProgramCouldNotUseAreRefusedBeforeAnythingIsSwapped)
{
    const QByteArray good = databaseBytes(4, root + "/good.db");
    const std::vector<Case> cases = {
        {"damaged database of version 4",
         {{"database/Lorvane.db", damagedDatabase(root + "/damaged.db")}},
         {QStringLiteral("数据库文件已损坏")}},
        {"another program's tables",
         {{"database/Lorvane.db", foreignDatabase(root + "/foreign.db")}},
         {QStringLiteral("数据表 type 的第 2 列应为 user_id，实为 label")}},
        {"no tables at all",
         {{"database/Lorvane.db", tablelessDatabase(root + "/empty.db")}},
         {QStringLiteral("缺少数据表 type")}},
        {"text instead of a database",
         {{"database/Lorvane.db", "PK but no database"}},
         {QStringLiteral("数据库文件已损坏")}},
        {"settings that abort Qt",
         {{"database/Lorvane.db", good}, {"Lorvane.ini", kSettingsBomb}},
         {QStringLiteral("备份中的设置文件 Lorvane.ini 无法读取")}},
        {"settings that abort Qt, behind an escape",
         {{"database/Lorvane.db", good}, {"Lorvane.ini", kHiddenBomb}},
         {QStringLiteral("备份中的设置文件 Lorvane.ini 无法读取")}},
        {"larger than the free space",
         {{"database/Lorvane.db", good}, {"item/10000/big/original.jpg", QByteArray(3 << 20, '\0')}},
         {QStringLiteral("磁盘空间不足"), QStringLiteral("只剩 1 MB")},
         {{"LORVANE_BACKUP_FREE_BYTES", QString::number(1 << 20)}}},
    };
    expectRefused(cases);
}

// A real small file system where the machine lets this test mount one (in a
// mount namespace of its own, so nothing outside the test process sees it).
TEST_F(HostileRestore, AFullFileSystemIsReportedAsSuch)
{
    if (unshare(CLONE_NEWNS) != 0 || mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        GTEST_SKIP() << "no mount namespace here (" << std::strerror(errno) << "); the free-space check is "
                     << "covered through LORVANE_BACKUP_FREE_BYTES";
    const QString prepared = data;
    QDir::setCurrent(QDir::tempPath());
    ASSERT_EQ(mount("tmpfs", QFile::encodeName(root).constData(), "tmpfs", 0, "size=2m"), 0) << std::strerror(errno);
    populate();

    const QByteArray good = databaseBytes(4, backups + "/good.db");
    const QByteArray big(3 << 20, '\0');  // 3 MB that the archive holds in a few kB
    const std::vector<Case> cases = {
        {"the size check",
         {{"database/Lorvane.db", good}, {"item/10000/big/original.jpg", big}},
         {QStringLiteral("磁盘空间不足")}},
        // The check told there was room: the writes find out.
        {"the writes",
         {{"database/Lorvane.db", good}, {"item/10000/big/original.jpg", big}},
         {QStringLiteral("磁盘空间不足")},
         {{"LORVANE_BACKUP_FREE_BYTES", QString::number(1ull << 40)}}},
    };
    expectRefused(cases);

    // A backup onto the same full file system.
    writeFile(data + "/item/10000/photo/original.jpg", randomBytes(1400 * 1024, 11));
    const testenv::FolderHashes before = testenv::folderHashes(data);
    setArchive(backups + "/full.zip");
    const Outcome saved = runProgram("0");
    EXPECT_EQ(saved.exitCode, 1);
    EXPECT_TRUE(saved.output.startsWith(QStringLiteral("备份失败：磁盘空间不足"))) << saved.output.toStdString();
    EXPECT_FALSE(QFileInfo::exists(archive));
    EXPECT_TRUE(QDir(backups).entryList(QStringList{".full.zip.partial-*"}, QDir::Dirs | QDir::Hidden).isEmpty());
    EXPECT_TRUE(testenv::hashDifference(before, testenv::folderHashes(data)).isEmpty());

    QDir::setCurrent(QDir::tempPath());
    EXPECT_EQ(umount2(QFile::encodeName(root).constData(), MNT_DETACH), 0);
    QDir::setCurrent(prepared);
}

TEST_F(HostileRestore, ADataFolderThatIsALinkIsRestoredInTheFolderItNames)
{
    // $APPDATA/Lorvane -> $APPDATA/elsewhere/real
    const QString real = root + "/elsewhere/real";
    ASSERT_TRUE(QDir().mkpath(root + "/elsewhere"));
    ASSERT_TRUE(QDir().rename(data, real));
    ASSERT_TRUE(QFile::link(real, data));
    const testenv::FolderHashes backedUp = testenv::folderHashes(real);

    setArchive(backups + "/linked.zip");
    Outcome saved = runProgram("0");
    ASSERT_EQ(saved.exitCode, 0) << saved.output.toStdString();
    makeDatabase(real + "/database/Lorvane.db", 4, "later work");
    writeFile(real + "/item/10000/new/original.jpg", randomBytes(3000, 7));

    Outcome restored = runProgram("1");
    ASSERT_EQ(restored.exitCode, 0) << restored.output.toStdString();
    EXPECT_EQ(restored.output, QStringLiteral("还原成功"));
    const QFileInfo link(data);
    EXPECT_TRUE(link.isSymLink()) << "the link itself must stay";
    EXPECT_EQ(link.symLinkTarget(), real);
    const QString changed = testenv::hashDifference(backedUp, testenv::folderHashes(real));
    EXPECT_TRUE(changed.isEmpty()) << "the linked folder is not the backed-up one:\n" << changed.toStdString();
    EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(' ').toStdString();
    EXPECT_TRUE(QDir(root + "/elsewhere").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot) ==
                QStringList{QStringLiteral("real")});

    // The next test of this process finds a plain data folder again.
    QFile::remove(data);
    QDir().rename(real, data);
}

TEST_F(HostileRestore, WhatAKilledRunLeavesGoesWithTheNextRunAndNothingElse)
{
    // Names like ours that this program did not make.
    const QString other = root + "/other";
    ASSERT_TRUE(QDir().mkpath(other + "/.keep.zip.partial-abcdef"));
    ASSERT_TRUE(QDir().mkpath(root + "/.Lorvane.restore-notes"));
    writeFile(other + "/keep.zip.Ab12Cd", "a file of the user's");

    // A backup that dies before its archive is moved into place.
    setArchive(other + "/keep.zip");
    Outcome stopped = runProgram("0", {{"LORVANE_BACKUP_STOP_BEFORE_RENAME", "1"}});
    ASSERT_EQ(stopped.exitCode, 3);
    EXPECT_FALSE(QFileInfo::exists(archive));
    const QStringList partial = QDir(other).entryList(QStringList{".keep.zip.partial-*"}, QDir::Dirs | QDir::Hidden);
    ASSERT_EQ(partial.size(), 2) << partial.join(' ').toStdString();

    // A restore that dies after the swap, before the former content is gone.
    setArchive(backups + "/all.zip");
    ASSERT_EQ(runProgram("0").exitCode, 0);
    ASSERT_EQ(runProgram("1", {{"LORVANE_BACKUP_STOP_AFTER_SWAP", "1"}}).exitCode, 3);
    const QStringList restoreFolders = QDir(root).entryList(QStringList{".Lorvane.restore-*"},
                                                            QDir::Dirs | QDir::Hidden);
    ASSERT_EQ(restoreFolders.size(), 2) << restoreFolders.join(' ').toStdString();

    // The next backup, into yet another folder, clears both.
    setArchive(backups + "/next.zip");
    Outcome next = runProgram("0");
    ASSERT_EQ(next.exitCode, 0) << next.output.toStdString();
    EXPECT_EQ(QDir(other).entryList(QStringList{".keep.zip.partial-*"}, QDir::Dirs | QDir::Hidden),
              QStringList{QStringLiteral(".keep.zip.partial-abcdef")});
    EXPECT_EQ(QDir(root).entryList(QStringList{".Lorvane.restore-*"}, QDir::Dirs | QDir::Hidden),
              QStringList{QStringLiteral(".Lorvane.restore-notes")});
    EXPECT_TRUE(QFileInfo::exists(other + "/keep.zip.Ab12Cd"));
    EXPECT_FALSE(QFileInfo::exists(root + "/.Lorvane.backup-partial")) << "the journal must be cleared";
}

}  // namespace
