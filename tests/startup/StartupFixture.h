#pragma once
// The real program run as a child process, each run with its own APPDATA.
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
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <vector>

#include "support/TestEnv.h"

namespace startuptest {

constexpr int kStartTimeoutMs = 60000;

inline QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

inline QString canonical(const QString& path)
{
    return QFileInfo(path).canonicalFilePath();
}

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

    // Starts build/bin/Lorvane with APPDATA = appData, from workDir; through
    // `launcher` (a program and the arguments before the program's path) when
    // one is set.
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
        if (launcher.isEmpty())
            run->process->start(testenv::binDir() + QStringLiteral("/Lorvane"), QStringList());
        else
            run->process->start(launcher, launcherArguments);
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
    QString launcher;
    QStringList launcherArguments;
    std::vector<std::unique_ptr<Run>> owned;
    std::vector<Run*> runs;
};

}  // namespace startuptest
