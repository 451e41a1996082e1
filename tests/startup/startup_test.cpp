// Runs the real program as a child process, each run with its own APPDATA.
// The program's test hooks (see app/Startup.h) tell when start-up is complete
// (LORVANE_STARTUP_REPORT: the working directory, written once the event loop
// runs) and stand in for message boxes (LORVANE_MESSAGE_LOG). The tests wait
// for that report, never for a particular window, so they hold whatever the
// start-up sequence builds before its event loop.
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>
#include <vector>

#include "support/TestEnv.h"

namespace {

constexpr int kStartTimeoutMs = 60000;

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString canonical(const QString& path) { return QFileInfo(path).canonicalFilePath(); }

class Startup : public ::testing::Test {
protected:
    struct Run {
        std::unique_ptr<QProcess> process;
        QString report;
        QString messageLog;
    };

    void SetUp() override { ASSERT_TRUE(sandbox.isValid()); }

    void TearDown() override
    {
        for (Run* run : runs) {
            if (run->process->state() != QProcess::NotRunning) {
                run->process->kill();
                run->process->waitForFinished(10000);
            }
        }
    }

    // Starts build/bin/Lorvane with APPDATA = appData, from workDir.
    Run& start(const QString& appData, const QString& workDir, bool quitAfterStartup = false,
               const QString& locale = QStringLiteral("C.UTF-8"))
    {
        auto run = std::make_unique<Run>();
        const QString tag = QString::number(owned.size());
        run->report = sandbox.filePath(QStringLiteral("report-") + tag);
        run->messageLog = sandbox.filePath(QStringLiteral("messages-") + tag);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("APPDATA"), appData);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("LC_ALL"), locale);
        env.insert(QStringLiteral("LANG"), locale);
        env.insert(QStringLiteral("LORVANE_STARTUP_REPORT"), run->report);
        env.insert(QStringLiteral("LORVANE_MESSAGE_LOG"), run->messageLog);
        if (quitAfterStartup)
            env.insert(QStringLiteral("LORVANE_QUIT_AFTER_STARTUP"), QStringLiteral("1"));
        else
            env.remove(QStringLiteral("LORVANE_QUIT_AFTER_STARTUP"));
        run->process = std::make_unique<QProcess>();
        run->process->setProcessEnvironment(env);
        run->process->setWorkingDirectory(workDir);
        run->process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        run->process->start(testenv::binDir() + QStringLiteral("/Lorvane"), QStringList());
        EXPECT_TRUE(run->process->waitForStarted(kStartTimeoutMs)) << run->process->errorString().toStdString();
        runs.push_back(run.get());
        owned.push_back(std::move(run));
        return *runs.back();
    }

    // The working directory the program reported once started; empty when it
    // ended (or hung) before.
    QString waitForReport(Run& run)
    {
        const QDeadlineTimer deadline(kStartTimeoutMs);
        while (!deadline.hasExpired()) {
            const QString text = readText(run.report);
            if (text.endsWith(QLatin1Char('\n')))
                return text.chopped(1);
            if (run.process->state() == QProcess::NotRunning)
                return readText(run.report).trimmed();
            run.process->waitForFinished(20);
        }
        return QString();
    }

    void expectCleanExit(Run& run)
    {
        // (waitForFinished is false for a process that already ended.)
        if (run.process->state() != QProcess::NotRunning) {
            ASSERT_TRUE(run.process->waitForFinished(kStartTimeoutMs)) << "the program did not end";
        }
        EXPECT_EQ(run.process->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(run.process->exitCode(), 0);
    }

    QTemporaryDir sandbox;
    std::vector<std::unique_ptr<Run>> owned;
    std::vector<Run*> runs;
};

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
    EXPECT_EQ(QString::fromUtf8(probe.readAllStandardOutput()).toStdString(),
              "loop ended\n"
              "busy app=1 registered=1 child=1\n"
              "window app=1 registered=1 child=1\n"
              "application gone\n"
              "service app=0\n");
}

}  // namespace
