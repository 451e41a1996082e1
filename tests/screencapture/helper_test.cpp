// The screenShot helper program: under a real X server (Xvfb) with a fixed
// region, without any display, and its region picker window.

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHostAddress>
#include <QImage>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QUdpSocket>

#include <gtest/gtest.h>

#include "RegionPicker.h"
#include "capture/sources/ScreenReport.h"
#include "support/TestEnv.h"

namespace {

QString helper()
{
    return testenv::binDir() + QStringLiteral("/screenShot");
}

struct HelperRun {
    int exitCode = -1;
    QByteArray report;  // the datagram received on port 10001 (empty: none)
};

// Runs `program` with `args` in the data folder and `env`, listening on the
// report port meanwhile. Bounded by `ms`.
HelperRun runHelper(const QString& program, const QStringList& args, const QProcessEnvironment& env, int ms = 60000)
{
    HelperRun run;
    QUdpSocket socket;
    if (!socket.bind(QHostAddress(QHostAddress::LocalHost), kScreenReportPort, QAbstractSocket::DontShareAddress)) {
        ADD_FAILURE() << "port 10001 is taken";
        return run;
    }
    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(QDir::currentPath());
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(program, args);
    if (!process.waitForStarted(10000)) {
        ADD_FAILURE() << "cannot start " << program.toStdString();
        return run;
    }
    if (!process.waitForFinished(ms)) {
        process.kill();
        process.waitForFinished(5000);
        ADD_FAILURE() << "helper did not end in time";
        return run;
    }
    run.exitCode = process.exitCode();
    socket.waitForReadyRead(1000);
    while (socket.hasPendingDatagrams()) {
        QByteArray datagram(static_cast<int>(socket.pendingDatagramSize()), Qt::Uninitialized);
        socket.readDatagram(datagram.data(), datagram.size());
        run.report.append(datagram);
    }
    return run;
}

const char* const kNoXvfb = "Xvfb (package xvfb) is not installed: the helper cannot be run under X here";

QString xvfbRun()
{
    return QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
}

bool xvfbAvailable()
{
    return !xvfbRun().isEmpty() && !QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty();
}

// xvfb-run's arguments for the helper with `args` on a private 800 x 600 X server.
QStringList underXvfb(const QStringList& args)
{
    return QStringList{QStringLiteral("-a"), QStringLiteral("-s"), QStringLiteral("-screen 0 800x600x24"), helper()} +
           args;
}

// xvfb-run hands on the program's exit code, except that it ends with 5 when
// removing its own temporary folder fails (a race with the X server's exit
// on a busy machine); the report still tells what the helper did.
constexpr int kXvfbCleanupFailed = 5;

bool exitedUnderXvfbWith(const HelperRun& run, int code)
{
    return run.exitCode == code || run.exitCode == kXvfbCleanupFailed;
}

QProcessEnvironment xcbEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    return env;
}

class ScreenShotHelper : public ::testing::Test {
protected:
    void SetUp() override { testenv::prepareDataFolder(); }
};

}  // namespace

TEST_F(ScreenShotHelper, RegionUnderXvfb)
{
    if (!xvfbAvailable())
        GTEST_SKIP() << kNoXvfb;
    const HelperRun run = runHelper(xvfbRun(), underXvfb({QStringLiteral("--region"), QStringLiteral("10,20,200,100")}),
                                    xcbEnvironment());
    EXPECT_TRUE(exitedUnderXvfbWith(run, 0)) << run.exitCode;
    const ScreenReport report = parseScreenReport(run.report);
    ASSERT_TRUE(report.hasImage()) << run.report.toHex().toStdString();
    EXPECT_TRUE(QFileInfo(report.path).isRelative());
    const QImage image(report.path);
    EXPECT_EQ(image.size(), QSize(200, 100));
}

TEST_F(ScreenShotHelper, RegionIsClippedToTheScreen)
{
    if (!xvfbAvailable())
        GTEST_SKIP() << kNoXvfb;
    const HelperRun inside = runHelper(
        xvfbRun(), underXvfb({QString(), QStringLiteral("--region"), QStringLiteral("700,0,30000,20")}),
        xcbEnvironment());
    const ScreenReport report = parseScreenReport(inside.report);
    ASSERT_TRUE(report.hasImage());
    EXPECT_EQ(QImage(report.path).size(), QSize(100, 20));

    const HelperRun outside = runHelper(
        xvfbRun(), underXvfb({QStringLiteral("--region"), QStringLiteral("-500,-500,10,10")}), xcbEnvironment());
    EXPECT_TRUE(exitedUnderXvfbWith(outside, 2)) << outside.exitCode;
    EXPECT_EQ(outside.report, QByteArray("\x7E\x00\x02\x00", 4));
}

TEST_F(ScreenShotHelper, NoDisplayReportsFailure)
{
    // A Wayland session without X: nothing can be grabbed.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("DISPLAY"));
    env.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("wayland-0"));
    const HelperRun run = runHelper(helper(), {QString()}, env);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.report, QByteArray("\x7E\x00\x02\x00", 4));
    EXPECT_FALSE(parseScreenReport(run.report).hasImage());
}

TEST_F(ScreenShotHelper, BadArgumentsReportFailure)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const HelperRun run = runHelper(helper(), {QStringLiteral("--region"), QStringLiteral("1,2,0,5")}, env);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.report, QByteArray("\x7E\x00\x02\x00", 4));
}

TEST(RegionPicker, DragChoosesTheRegionInPicturePixels)
{
    // A picture twice the window's size, as on a screen with device pixel
    // ratio 2.
    QImage screen(400, 300, QImage::Format_RGB32);
    screen.fill(Qt::darkCyan);
    RegionPicker picker(screen);
    picker.resize(200, 150);
    picker.show();
    QSignalSpy chosen(&picker, &RegionPicker::regionChosen);
    QSignalSpy cancelled(&picker, &RegionPicker::cancelled);

    // A click without a drag chooses nothing.
    QTest::mouseClick(&picker, Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
    EXPECT_TRUE(chosen.isEmpty());

    QTest::mousePress(&picker, Qt::LeftButton, Qt::NoModifier, QPoint(60, 40));
    QTest::mouseMove(&picker, QPoint(20, 10));
    QTest::mouseRelease(&picker, Qt::LeftButton, Qt::NoModifier, QPoint(20, 10));
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen.at(0).at(0).toRect(), QRect(40, 20, 80, 60));
    EXPECT_TRUE(cancelled.isEmpty());

    // Once chosen, Esc changes nothing.
    QTest::keyClick(&picker, Qt::Key_Escape);
    EXPECT_TRUE(cancelled.isEmpty());
}

TEST(RegionPicker, EscapeCancels)
{
    QImage screen(200, 100, QImage::Format_RGB32);
    screen.fill(Qt::white);
    RegionPicker picker(screen);
    picker.resize(200, 100);
    picker.show();
    QSignalSpy chosen(&picker, &RegionPicker::regionChosen);
    QSignalSpy cancelled(&picker, &RegionPicker::cancelled);
    QTest::mousePress(&picker, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    QTest::mouseMove(&picker, QPoint(80, 60));
    QTest::keyClick(&picker, Qt::Key_Escape);
    EXPECT_EQ(cancelled.count(), 1);
    QTest::mouseRelease(&picker, Qt::LeftButton, Qt::NoModifier, QPoint(80, 60));
    EXPECT_TRUE(chosen.isEmpty());
}
