// The backup program, run as a child process against the test's own data
// folder ($APPDATA/Lorvane) with the file dialogs and the result window
// replaced by environment variables.

#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include "BackupFixture.h"
#include "platform/System.h"
#include "support/TestEnv.h"

namespace {

using namespace backuptest;

TEST_F(BackupProgram, RestoreGivesBackTheBackedUpFolderByteForByte)
{
    const auto before = snapshot(data);
    setArchive(backups + "/all.zip");
    Outcome saved = runProgram("0");
    ASSERT_EQ(saved.exitCode, 0) << saved.output.toStdString();
    EXPECT_EQ(saved.output, QStringLiteral("备份成功"));

    // Work goes on after the backup: the database changes, a question is
    // removed, another added, settings change.
    makeDatabase(data + "/database/Lorvane.db", 4, "second");
    QDir(data + "/item/10000/6f1c-aa").removeRecursively();
    writeFile(data + "/item/10000/new-one/original.jpg", randomBytes(5000, 9));
    writeFile(data + "/Lorvane.ini", "[General]\ndetail_order=0\nstate_ico=2\n");
    ASSERT_NE(snapshot(data), before);

    Outcome restored = runProgram("1");
    ASSERT_EQ(restored.exitCode, 0) << restored.output.toStdString();
    EXPECT_EQ(restored.output, QStringLiteral("还原成功"));
    EXPECT_EQ(snapshot(data), before);
    EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(' ').toStdString();
}

// Builds an archive of the given entries (name -> content; a name ending in

TEST_F(BackupProgram, UnsafeOrUnfitArchivesAreRefusedAndTheFolderIsUntouched)
{
    const QByteArray good = databaseBytes(4, root + "/scratch4.db");
    const QByteArray old = databaseBytes(3, root + "/scratch3.db");
    struct Case {
        const char* label;
        std::vector<std::pair<QByteArray, QByteArray>> entries;
        QString reason;  // part of the reported text
    };
    const std::vector<Case> cases = {
        {"parent folder", {{"database/Lorvane.db", good}, {"../x", "escaped"}}, "../x"},
        {"nested parent", {{"database/Lorvane.db", good}, {"item/../../y", "escaped"}}, "item/../../y"},
        {"absolute", {{"database/Lorvane.db", good}, {"/tmp/lorvane-abs", "escaped"}}, "/tmp/lorvane-abs"},
        {"backslash", {{"database/Lorvane.db", good}, {"..\\z", "escaped"}}, "..\\z"},
        {"no database", {{"Lorvane.ini", "[General]\n"}, {"item/", ""}}, "database/Lorvane.db"},
        {"version 3", {{"database/Lorvane.db", old}}, "version = 3"},
        {"not a database", {{"database/Lorvane.db", QByteArray(4096, 'x')}}, "数据库"},
    };
    const auto before = snapshot(data);
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const QString path = backups + QString("/bad%1.zip").arg(n++);
        makeZip(path, c.entries);
        setArchive(path);
        Outcome run = runProgram("1");
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.output.startsWith(QStringLiteral("还原失败："))) << run.output.toStdString();
        EXPECT_TRUE(run.output.contains(c.reason)) << run.output.toStdString();
        EXPECT_EQ(snapshot(data), before);
        EXPECT_TRUE(leftovers().isEmpty());
        EXPECT_FALSE(QFileInfo::exists(root + "/x"));
        EXPECT_FALSE(QFileInfo::exists("/tmp/lorvane-abs"));
    }

    // A file that is no zip archive at all.
    writeFile(backups + "/garbage.zip", randomBytes(2000, 5));
    setArchive(backups + "/garbage.zip");
    Outcome run = runProgram("1");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(snapshot(data), before);
}

TEST_F(BackupProgram, RestoreStoppedBeforeTheSwapLeavesTheOldFolder)
{
    setArchive(backups + "/all.zip");
    ASSERT_EQ(runProgram("0").exitCode, 0);
    makeDatabase(data + "/database/Lorvane.db", 4, "newer work");
    const auto current = snapshot(data);

    Outcome stopped = runProgram("1", {{"LORVANE_BACKUP_STOP_BEFORE_SWAP", "1"}});
    EXPECT_EQ(stopped.exitCode, 3);
    EXPECT_EQ(snapshot(data), current);

    // The next restore clears what the stopped one left behind.
    Outcome restored = runProgram("1");
    EXPECT_EQ(restored.exitCode, 0) << restored.output.toStdString();
    EXPECT_NE(snapshot(data), current);
    EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(' ').toStdString();
}

TEST_F(BackupProgram, WaitsWhileTheProgramHoldsItsInstanceLock)
{
    platform::InstanceLock lock("Lorvane");
    ASSERT_TRUE(lock.tryLock());
    setArchive(backups + "/waited.zip");

    QProcess process;
    startProgram(process, "0", {});
    EXPECT_FALSE(process.waitForFinished(700));
    EXPECT_FALSE(QFileInfo::exists(archive));

    lock.unlock();
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_TRUE(QFileInfo::exists(archive));
    // While it works the program cannot start again; once it has ended, it can.
    EXPECT_TRUE(lock.tryLock());
}

TEST_F(BackupProgram, GivesUpWhenTheProgramDoesNotExitAndChangesNothing)
{
    platform::InstanceLock lock("Lorvane");
    ASSERT_TRUE(lock.tryLock());
    const auto before = snapshot(data);

    setArchive(backups + "/never.zip");
    Outcome run = runProgram("0", {{"LORVANE_BACKUP_LOCK_TIMEOUT_MS", "200"}});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.output.contains(QStringLiteral("仍在运行"))) << run.output.toStdString();
    EXPECT_FALSE(QFileInfo::exists(archive));

    makeZip(backups + "/valid.zip", {{"database/Lorvane.db", databaseBytes(4, root + "/scratch.db")}});
    setArchive(backups + "/valid.zip");
    run = runProgram("1", {{"LORVANE_BACKUP_LOCK_TIMEOUT_MS", "200"}});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(snapshot(data), before);
}

TEST_F(BackupProgram, ArchiveInsideTheDataFolderIsRefused)
{
    setArchive(data + "/tmp/self.zip");
    Outcome run = runProgram("0");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_FALSE(QFileInfo::exists(archive));
}

}  // namespace
