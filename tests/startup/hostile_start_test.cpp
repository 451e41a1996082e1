// Start-up against hostile data folders: damaged or foreign database files,
// folders and files the program may not write, a lock file it cannot create,
// and settings files that Qt cannot load. Every refused start names what is
// wrong, ends with 0 and leaves the data folder exactly as it was (compared
// by hashes); a settings file that cannot be loaded is set aside and the
// program starts.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <functional>
#include <sqlite3.h>
#include <string>
#include <vector>

#include "StartupFixture.h"
#include "core/Sqlite.h"
#include "support/FolderHash.h"
#include "support/OtherUser.h"
#include "support/TestEnv.h"

namespace {

using startuptest::readText;
using startuptest::Startup;

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The program's own database (schema, base data, user), changed by `sql`.
void makeDatabase(const QString& path, const char* sql = "")
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    {
        sqlite created(path.toStdString());
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db) << " in " << sql;
    sqlite3_close(db);
}

// The detail table with one column of the program renamed (or one more that
// every insert would have to fill).
const char* const kRenamedColumn = "ALTER TABLE detail RENAME COLUMN remark TO note;";
const char* const kRequiredExtraColumn =
    "CREATE TABLE d2 AS SELECT * FROM detail; DROP TABLE detail;"
    "CREATE TABLE detail (id INTEGER PRIMARY KEY AUTOINCREMENT, user_id INT NOT NULL DEFAULT 10000,"
    " number INT NOT NULL, grade INT NOT NULL, term INT NOT NULL, subject INT NOT NULL, state INT NOT NULL,"
    " times INT NOT NULL DEFAULT 1, classification INT NOT NULL, cause INT NOT NULL, questiontype INT NOT NULL,"
    " point TEXT, detail_path TEXT, score INT, source TEXT, remark TEXT, create_date DATETIME,"
    " modify_date DATETIME NOT NULL, dt_reserved1 INT, dt_reserved2 INT, dt_reserved3 TEXT, dt_reserved4 TEXT,"
    " owner TEXT NOT NULL); DROP TABLE d2;";

class HostileStart : public Startup {
protected:
    // Folders made read-only for a case must be writable again for the
    // sandbox to be removed when the test does not run as root.
    void TearDown() override
    {
        Startup::TearDown();
        QDirIterator it(sandbox.path(), QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            QFile::setPermissions(it.next(), QFile::permissions(it.filePath()) | QFileDevice::WriteOwner);
    }

    struct Case {
        const char* name;
        std::function<void(const QString& appData, const QString& data)> prepare;
        std::vector<QString> message;  // parts of the one logged box; "%1" is the data folder
        // Runs after the data folder's hashes are taken, right before the
        // start (reading a file drops this process's POSIX locks on it).
        std::function<void(const QString& data)> beforeStart = nullptr;
    };

    // Starts the program once per case in a fresh APPDATA and expects a
    // refused start: one box holding every part, exit code 0, no event loop,
    // the data folder unchanged.
    void expectRefused(const std::vector<Case>& cases)
    {
        int n = 0;
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            const QString appData = sandbox.filePath(QStringLiteral("refused-%1").arg(n++));
            const QString data = appData + QStringLiteral("/Lorvane");
            for (const char* sub : {"/database", "/documents", "/item", "/tmp"})
                ASSERT_TRUE(QDir().mkpath(data + sub));
            c.prepare(appData, data);
            if (::testing::Test::HasFatalFailure())
                return;
            const testenv::FolderHashes before = testenv::folderHashes(data);
            if (c.beforeStart)
                c.beforeStart(data);

            Run& run = start(appData, sandbox.path());
            expectCleanExit(run);
            const QString log = readText(run.messageLog);
            EXPECT_EQ(log.count(QLatin1Char('\n')), 1) << log.toStdString();
            EXPECT_TRUE(log.startsWith(QStringLiteral("提示\t"))) << log.toStdString();
            for (const QString& part : c.message)
                EXPECT_TRUE(log.contains(QString(part).replace("%1", data)))
                    << log.toStdString() << " lacks " << part.toStdString();
            EXPECT_FALSE(QFile::exists(run.report)) << "a refused start must not reach the event loop";
            const QString changed = testenv::hashDifference(before, testenv::folderHashes(data));
            EXPECT_TRUE(changed.isEmpty()) << "the data folder changed:\n" << changed.toStdString();
        }
    }
};

TEST_F(HostileStart, DamagedOrForeignDatabasesAreRefusedUntouched)
{
    const QString scratch = sandbox.filePath(QStringLiteral("scratch.db"));
    makeDatabase(scratch);
    const QByteArray whole = readBytes(scratch);
    ASSERT_GT(whole.size(), 4096);

    sqlite3* holder = nullptr;  // another program's write transaction
    const std::vector<Case> cases = {
        {"first 50 bytes of a database",
         [&](const QString&, const QString& data) { writeBytes(data + "/database/Lorvane.db", whole.left(50)); },
         {QStringLiteral("%1/database/Lorvane.db"), QStringLiteral("数据库文件已损坏")}},
        {"ten bytes of text",
         [&](const QString&, const QString& data) { writeBytes(data + "/database/Lorvane.db", "not sqlite"); },
         {QStringLiteral("数据库文件已损坏")}},
        {"first page only",
         [&](const QString&, const QString& data) { writeBytes(data + "/database/Lorvane.db", whole.left(4096)); },
         {QStringLiteral("数据库文件已损坏")}},
        {"version 4 without table detail",
         [&](const QString&, const QString& data) {
             makeDatabase(data + "/database/Lorvane.db", "DROP TABLE detail;");
         },
         {QStringLiteral("缺少数据表 detail")}},
        {"version 4 without table user",
         [&](const QString&, const QString& data) { makeDatabase(data + "/database/Lorvane.db", "DROP TABLE user;"); },
         {QStringLiteral("缺少数据表 user")}},
        {"a column of detail renamed",
         [&](const QString&, const QString& data) { makeDatabase(data + "/database/Lorvane.db", kRenamedColumn); },
         {QStringLiteral("数据表 detail 的第 16 列应为 remark，实为 note")}},
        {"one more column that inserts must fill",
         [&](const QString&, const QString& data) {
             makeDatabase(data + "/database/Lorvane.db", kRequiredExtraColumn);
         },
         {QStringLiteral("数据表 detail 多出必填的列 owner")}},
        {"held by another program's write",
         [&](const QString&, const QString& data) { makeDatabase(data + "/database/Lorvane.db"); },
         {QStringLiteral("数据库正被其他程序使用"), QStringLiteral("database is locked")},
         [&](const QString& data) {
             ASSERT_EQ(sqlite3_open(QFile::encodeName(data + "/database/Lorvane.db").constData(), &holder), SQLITE_OK);
             ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
         }},
        {"lock file name taken by a folder",
         [&](const QString& appData, const QString&) { ASSERT_TRUE(QDir().mkpath(appData + "/.Lorvane.lock")); },
         {QStringLiteral("建立运行锁"), QStringLiteral("/.Lorvane.lock"), QStringLiteral("Is a directory")}},
    };
    expectRefused(cases);
    if (holder) {
        sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(holder);
    }
}

TEST_F(HostileStart, ExtraOptionalColumnsAndAnEmptyFileStillStart)
{
    const std::vector<std::pair<const char*, std::function<void(const QString&)>>> cases = {
        {"an added column with a default",
         [](const QString& data) {
             makeDatabase(data + "/database/Lorvane.db", "ALTER TABLE detail ADD COLUMN tag TEXT DEFAULT 'x';");
         }},
        {"an empty file", [](const QString& data) { writeBytes(data + "/database/Lorvane.db", QByteArray()); }},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        const QString appData = sandbox.filePath(QStringLiteral("fine-%1").arg(n++));
        c.second(appData + QStringLiteral("/Lorvane"));
        Run& run = start(appData, sandbox.path(), true);
        EXPECT_FALSE(waitForReport(run).isEmpty()) << readText(run.messageLog).toStdString();
        expectCleanExit(run);
        EXPECT_TRUE(readText(run.messageLog).isEmpty()) << readText(run.messageLog).toStdString();
    }
}

// Rights only bind a user who is not root: these starts run as "nobody".
TEST_F(HostileStart, FoldersAndFilesThatCannotBeWrittenAreNamedWithTheReason)
{
    const testenv::Unprivileged as = testenv::unprivileged(testenv::binDir() + QStringLiteral("/Lorvane"));
    if (as.program.isEmpty())
        GTEST_SKIP() << "no unprivileged run possible: " << as.whyNot.toStdString();
    launcher = as.program;
    launcherArguments = as.arguments;
    // The unprivileged program writes its report and message log here.
    ASSERT_TRUE(QFile::setPermissions(sandbox.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                          QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                          QFileDevice::WriteOther | QFileDevice::ExeOther));

    // Everything the unprivileged program may write: APPDATA and the data
    // folder with its folders and database; each case takes one right away.
    auto ownedTree = [](const QString& appData, const QString& data) {
        makeDatabase(data + "/database/Lorvane.db");
        for (const char* sub : {"/documents", "/item", "/tmp"})
            ASSERT_TRUE(QDir().mkpath(data + sub));
        for (const QString& path : {appData, data, data + "/database", data + "/database/Lorvane.db",
                                    data + "/documents", data + "/item", data + "/tmp"})
            ASSERT_TRUE(testenv::giveToUnprivileged(path)) << path.toStdString();
    };
    const QFileDevice::Permissions readOnly = QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                              QFileDevice::ExeOther;
    std::vector<Case> cases = {
        {"data folder not writable",
         [&](const QString& appData, const QString& data) {
             ownedTree(appData, data);
             ASSERT_TRUE(QFile::setPermissions(data, readOnly));
         },
         {QStringLiteral("数据文件夹 %1 无法写入"), QStringLiteral("Permission denied")}},
        {"database folder not writable",
         [&](const QString& appData, const QString& data) {
             ownedTree(appData, data);
             ASSERT_TRUE(QFile::setPermissions(data + "/database", readOnly));
         },
         {QStringLiteral("数据文件夹 %1/database 无法写入"), QStringLiteral("Permission denied")}},
        {"read-only database file",
         [&](const QString& appData, const QString& data) {
             ownedTree(appData, data);
             ASSERT_TRUE(
                 QFile::setPermissions(data + "/database/Lorvane.db", QFileDevice::ReadOwner | QFileDevice::ReadOther));
         },
         {QStringLiteral("%1/database/Lorvane.db"), QStringLiteral("数据库是只读的"),
          QStringLiteral("readonly database")}},
        {"application-data folder not writable (no lock file)",
         [&](const QString& appData, const QString& data) {
             ownedTree(appData, data);
             ASSERT_TRUE(QFile::setPermissions(appData, readOnly));
         },
         {QStringLiteral("建立运行锁"), QStringLiteral("Permission denied")}},
    };
    // Only root can leave a lock file that belongs to another user.
    if (as.asRoot) {
        cases.push_back({"lock file left by another user",
                         [&](const QString& appData, const QString& data) {
                             ownedTree(appData, data);
                             writeBytes(appData + "/.Lorvane.lock", QByteArray());  // root's, mode 0600
                             ASSERT_TRUE(QFile::setPermissions(appData + "/.Lorvane.lock",
                                                               QFileDevice::ReadOwner | QFileDevice::WriteOwner));
                         },
                         {QStringLiteral("建立运行锁"), QStringLiteral("Permission denied")}});
    }
    expectRefused(cases);
}

// One line of [General] that makes Qt's reader throw std::bad_alloc: a list
// claiming 2^31 - 1 elements.
const QByteArray kSettingsBomb = "[General]\nkey=\"@Variant(\\0\\0\\0\\t\\x7f\\xff\\xff\\xff)\"\n";

TEST_F(HostileStart, SettingsThatQtCannotLoadAreSetAsideAndTheProgramStarts)
{
    struct SettingsCase {
        const char* name;
        QByteArray content;
        QStringList alreadyAside;  // names of earlier set-aside files
        QString asideAs;           // expected new name; empty: the file stays
    };
    const std::vector<SettingsCase> cases = {
        {"the bomb in [General]", kSettingsBomb, {}, QStringLiteral("Lorvane.ini.bad")},
        {"hidden behind an escape, in another section",
         "[General]\ndetail_order=1\n[other]\nkey=a, \\x40Variant(\\0\\0\\0\\t\\x7f\\xff\\xff\\xff)\n",
         {},
         QStringLiteral("Lorvane.ini.bad")},
        {"earlier bad files are kept",
         kSettingsBomb,
         {"Lorvane.ini.bad", "Lorvane.ini.bad.1"},
         QStringLiteral("Lorvane.ini.bad.2")},
        {"lines Qt skips are no reason", "[General]\nno equals sign\n[open section\ndetail_order=1\n", {}, QString()},
    };
    int n = 0;
    for (const SettingsCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QString appData = sandbox.filePath(QStringLiteral("settings-%1").arg(n++));
        const QString data = appData + QStringLiteral("/Lorvane");
        writeBytes(data + "/Lorvane.ini", c.content);
        for (const QString& name : c.alreadyAside)
            writeBytes(data + "/" + name, name.toUtf8());

        Run& run = start(appData, sandbox.path(), true);
        EXPECT_FALSE(waitForReport(run).isEmpty()) << "the program did not start";
        expectCleanExit(run);
        const QString log = readText(run.messageLog);
        if (c.asideAs.isEmpty()) {
            EXPECT_TRUE(log.isEmpty()) << log.toStdString();
            EXPECT_EQ(readBytes(data + "/Lorvane.ini"), c.content);
            continue;
        }
        EXPECT_EQ(log.count(QLatin1Char('\n')), 1) << log.toStdString();
        EXPECT_TRUE(log.startsWith(QStringLiteral("提示\t设置文件 Lorvane.ini 无法读取"))) << log.toStdString();
        EXPECT_TRUE(log.contains(QStringLiteral("已改名为 ") + c.asideAs)) << log.toStdString();
        EXPECT_EQ(readBytes(data + "/" + c.asideAs), c.content) << "the file must be kept as it was";
        for (const QString& name : c.alreadyAside)
            EXPECT_EQ(readBytes(data + "/" + name), name.toUtf8()) << "an earlier file was replaced";

        // The next start finds no bad file and says nothing.
        Run& again = start(appData, sandbox.path(), true);
        EXPECT_FALSE(waitForReport(again).isEmpty());
        expectCleanExit(again);
        EXPECT_TRUE(readText(again.messageLog).isEmpty()) << readText(again.messageLog).toStdString();
    }
}

}  // namespace
