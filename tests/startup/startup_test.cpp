// Runs the real program as a child process, each run with its own APPDATA.
// The program's test hooks (see app/Startup.h) tell when start-up is complete
// (LORVANE_STARTUP_REPORT: the working directory, written once the event loop
// runs) and stand in for message boxes (LORVANE_MESSAGE_LOG). The tests wait
// for that report, never for a particular window, so they hold whatever the
// start-up sequence builds before its event loop.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <functional>
#include <sqlite3.h>

#include "StartupFixture.h"
#include "support/TestEnv.h"

namespace {

using startuptest::canonical;
using startuptest::kStartTimeoutMs;
using startuptest::readText;
using startuptest::Startup;

TEST_F(Startup, FirstStartCreatesTheDataFolderWithItsFourFolders)
{
    // Neither the application-data folder nor its parent exists yet, and its
    // Chinese name must work under the plain C locale too.
    const QString appData = sandbox.filePath(QStringLiteral("家 用户/roaming"));
    const QString data = appData + QStringLiteral("/Lorvane");
    Run& run = start(appData, sandbox.path(), true, QStringLiteral("C"));
    const QString cwd = waitForReport(run);
    ASSERT_FALSE(cwd.isEmpty()) << "the program did not finish start-up";
    expectCleanExit(run);

    for (const char* folder : {"", "/database", "/documents", "/item", "/tmp"})
        EXPECT_TRUE(QFileInfo(data + QLatin1String(folder)).isDir()) << "missing: " << folder;
    EXPECT_EQ(canonical(cwd).toStdString(), canonical(data).toStdString());
    EXPECT_TRUE(readText(run.messageLog).isEmpty()) << readText(run.messageLog).toStdString();
}

TEST_F(Startup, WorkingDirectoryIsTheDataFolderWhereverTheProgramStarted)
{
    const QString appData = sandbox.filePath(QStringLiteral("appdata"));
    const QString data = appData + QStringLiteral("/Lorvane");
    const QString chinese = sandbox.filePath(QStringLiteral("桌面 文件夹"));
    ASSERT_TRUE(QDir().mkpath(chinese));
    const QString startFolders[] = {chinese, QStringLiteral("/"), testenv::binDir(), appData, data, data + "/item"};
    for (const QString& folder : startFolders) {
        SCOPED_TRACE(folder.toStdString());
        Run& run = start(appData, folder, true);
        const QString cwd = waitForReport(run);
        ASSERT_FALSE(cwd.isEmpty()) << "the program did not finish start-up";
        EXPECT_EQ(canonical(cwd).toStdString(), canonical(data).toStdString());
        expectCleanExit(run);
    }
}

TEST_F(Startup, SecondStartIsRefusedAndLeavesTheFirstRunning)
{
    const QString appData = sandbox.filePath(QStringLiteral("appdata"));
    Run& first = start(appData, sandbox.path());
    ASSERT_FALSE(waitForReport(first).isEmpty()) << "the first copy did not start";

    Run& second = start(appData, sandbox.path());
    expectCleanExit(second);
    EXPECT_EQ(readText(second.messageLog).toStdString(), "提示\t软件已启动，请勿重复开启\n");
    EXPECT_FALSE(QFile::exists(second.report)) << "the refused copy must not start up";

    EXPECT_EQ(first.process->state(), QProcess::Running);
    EXPECT_TRUE(readText(first.messageLog).isEmpty());

    // The lock belongs to one application-data folder: another one starts.
    Run& other = start(sandbox.filePath(QStringLiteral("other")), sandbox.path(), true);
    EXPECT_FALSE(waitForReport(other).isEmpty());
    expectCleanExit(other);
    EXPECT_TRUE(readText(other.messageLog).isEmpty());
}

TEST_F(Startup, NewStartWorksAfterTheFirstCopyWasKilled)
{
    const QString appData = sandbox.filePath(QStringLiteral("appdata"));
    Run& first = start(appData, sandbox.path());
    ASSERT_FALSE(waitForReport(first).isEmpty()) << "the first copy did not start";
    first.process->kill();  // SIGKILL: no clean-up of any kind
    first.process->waitForFinished(kStartTimeoutMs);
    ASSERT_EQ(first.process->state(), QProcess::NotRunning);
    EXPECT_EQ(first.process->exitStatus(), QProcess::CrashExit);

    Run& next = start(appData, sandbox.path(), true);
    EXPECT_FALSE(waitForReport(next).isEmpty()) << readText(next.messageLog).toStdString();
    expectCleanExit(next);
    EXPECT_TRUE(readText(next.messageLog).isEmpty()) << readText(next.messageLog).toStdString();
}

// A start that cannot open the database, finds another schema version or
// cannot log in tells why under "提示", leaves the files alone and ends with 0.
TEST_F(Startup, FailedStartsTellWhyAndEndWithZero)
{
    struct Case {
        const char* name;
        std::function<void(const QString& data)> prepare;
        QString message;
    };
    auto openDb = [](const QString& path, const char* sql) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        sqlite3_close(db);
    };
    const Case cases[] = {
        {"version 3",
         [&](const QString& data) {
             ASSERT_TRUE(QDir().mkpath(data + "/database"));
             openDb(data + "/database/Lorvane.db",
                    "PRAGMA user_version=3; CREATE TABLE type(id INTEGER PRIMARY KEY, user_id INT);"
                    "CREATE TABLE detail(id INTEGER PRIMARY KEY, user_id INT, number INT, grade INT, term INT,"
                    " subject INT, state INT, times INT);"
                    "CREATE TABLE serial(id INTEGER PRIMARY KEY, user_id INT, grade INT, term INT, subject INT,"
                    " number INT);");
         },
         QStringLiteral("提示\t数据版本不匹配 version = 3\n")},
        {"other password",
         [&](const QString& data) {
             // A complete database whose built-in account has another password.
             Run& first = start(QFileInfo(data).path(), sandbox.path(), true);
             ASSERT_FALSE(waitForReport(first).isEmpty());
             expectCleanExit(first);
             openDb(data + "/database/Lorvane.db", "UPDATE user SET password = 'other' WHERE id = 10000;");
         },
         QStringLiteral("提示\t用户不存在\n")},
        {"database folder is a file",
         [&](const QString& data) {
             QFile file(data + "/database");
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
         },
         QStringLiteral("提示\t无法使用数据库 %1/database/Lorvane.db：Not a directory\n")},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString appData = sandbox.filePath(QStringLiteral("appdata-%1").arg(n++));
        const QString data = appData + QStringLiteral("/Lorvane");
        ASSERT_TRUE(QDir().mkpath(data + "/item"));
        c.prepare(data);
        QByteArray before;
        {
            QFile db(data + "/database/Lorvane.db");
            if (db.open(QIODevice::ReadOnly))
                before = db.readAll();
        }
        Run& run = start(appData, sandbox.path());
        expectCleanExit(run);
        EXPECT_EQ(readText(run.messageLog).toStdString(), QString(c.message).replace("%1", data).toStdString());
        EXPECT_FALSE(QFile::exists(run.report)) << "a failed start must not reach the event loop";
        QFile db(data + "/database/Lorvane.db");
        if (db.open(QIODevice::ReadOnly)) {
            EXPECT_TRUE(db.readAll() == before) << "the database file was changed";
        }
    }
}

TEST(SingletonTeardown, WindowSingletonsAreReleasedBeforeTheApplicationTearsDownItsWidgets)
{
    QProcess probe;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    probe.setProcessEnvironment(env);
    probe.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    probe.start(testenv::binDir() + QStringLiteral("/singleton_probe"), QStringList());
    ASSERT_TRUE(probe.waitForFinished(kStartTimeoutMs));
    EXPECT_EQ(probe.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(probe.exitCode(), 0);
    // Window singletons die in reverse order of first use, inside the
    // application object's destructor while it and their children are still
    // whole; plain singletons die after main() returned.
    EXPECT_EQ(QString::fromUtf8(probe.readAllStandardOutput()).toStdString(), "loop ended\n"
                                                                              "busy app=1 registered=1 child=1\n"
                                                                              "window app=1 registered=1 child=1\n"
                                                                              "application gone\n"
                                                                              "service app=0\n");
}

}  // namespace
