// The backup program, run as a child process against the test's own data
// folder ($APPDATA/Lorvane) with the file dialogs and the result window
// replaced by environment variables.

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <zip.h>

#include <list>
#include <map>
#include <utility>
#include <vector>

#include "platform/System.h"
#include "support/TestEnv.h"

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray randomBytes(int size, quint32 seed)
{
    QRandomGenerator gen(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(gen.bounded(256));
    return bytes;
}

// A small question database of the given schema version.
void makeDatabase(const QString& path, int version, const char* marker)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile::remove(path);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    const std::string sql = "CREATE TABLE detail(id INTEGER PRIMARY KEY, point TEXT, body BLOB);"
                            "INSERT INTO detail(point, body) VALUES('" + std::string(marker) +
                            "', randomblob(5000));"
                            "PRAGMA user_version = " + std::to_string(version) + ";";
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

// Every folder and file under root: relative path -> content ("<dir>" for folders).
std::map<QString, QByteArray> snapshot(const QString& root)
{
    std::map<QString, QByteArray> result;
    QDir base(root);
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QString rel = base.relativeFilePath(it.filePath());
        if (it.fileInfo().isDir()) {
            result[rel] = "<dir>";
        } else {
            QFile file(it.filePath());
            file.open(QIODevice::ReadOnly);
            result[rel] = file.readAll();
        }
    }
    return result;
}

struct Outcome {
    int exitCode = -1;
    QProcess::ExitStatus status = QProcess::CrashExit;
    QString output;
};

class BackupProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        data = testenv::prepareDataFolder();
        root = testenv::appDataRoot();
        makeDatabase(data + "/database/Lorvane.db", 4, "first");
        writeFile(data + "/database/phrase.db", randomBytes(3000, 1));
        writeFile(data + "/item/10000/6f1c-aa/original.jpg", randomBytes(200000, 2));
        writeFile(data + "/item/10000/6f1c-aa/answer_right.html",
                  QStringLiteral("<html><body>解析：x = 2</body></html>").toUtf8());
        writeFile(data + "/item/10000/77d0-bb/questions.jpg", randomBytes(40000, 3));
        writeFile(data + QStringLiteral("/documents/第1张.png"), randomBytes(1000, 4));
        writeFile(data + "/Lorvane.ini", "[General]\ndetail_order=1\n");
        QDir().mkpath(data + "/item/10000/empty-question");
        backups = root + "/backups";
        QDir().mkpath(backups);
    }

    void setArchive(const QString& path) { archive = path; }

    Outcome runProgram(const QString& mode, const std::vector<std::pair<QString, QString>>& env = {},
                   int waitMs = 60000)
    {
        QProcess process;
        startProgram(process, mode, env);
        Outcome run;
        if (!process.waitForFinished(waitMs)) {
            process.kill();
            process.waitForFinished();
            ADD_FAILURE() << "backup did not finish";
            return run;
        }
        run.exitCode = process.exitCode();
        run.status = process.exitStatus();
        run.output = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
        return run;
    }

    void startProgram(QProcess& process, const QString& mode, const std::vector<std::pair<QString, QString>>& env)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("LORVANE_BACKUP_QUIET", "1");
        environment.insert("LORVANE_BACKUP_ARCHIVE", archive);
        for (const auto& entry : env)
            environment.insert(entry.first, entry.second);
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(data);
        process.start(testenv::binDir() + "/backup", {mode, data});
        ASSERT_TRUE(process.waitForStarted()) << process.errorString().toStdString();
    }

    // Restore folders left beside the data folder.
    QStringList leftovers() const
    {
        return QDir(root).entryList(QStringList{".Lorvane.*"}, QDir::Dirs | QDir::Hidden);
    }

    QString data;
    QString root;
    QString backups;
    QString archive;
};

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
// "/" is a folder).
void makeZip(const QString& path, const std::vector<std::pair<QByteArray, QByteArray>>& entries)
{
    int code = 0;
    zip_t* za = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    ASSERT_NE(za, nullptr);
    std::list<QByteArray> contents;  // libzip reads them when it closes
    for (const auto& entry : entries) {
        if (entry.first.endsWith('/')) {
            ASSERT_GE(zip_dir_add(za, entry.first.constData(), 0), 0);
            continue;
        }
        const QByteArray& copy = contents.emplace_back(entry.second);
        zip_source_t* src = zip_source_buffer(za, copy.constData(), static_cast<zip_uint64_t>(copy.size()), 0);
        ASSERT_NE(src, nullptr);
        ASSERT_GE(zip_file_add(za, entry.first.constData(), src, 0), 0) << zip_strerror(za);
    }
    ASSERT_EQ(zip_close(za), 0);
}

QByteArray databaseBytes(int version, const QString& scratch)
{
    makeDatabase(scratch, version, "archived");
    QFile file(scratch);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

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
