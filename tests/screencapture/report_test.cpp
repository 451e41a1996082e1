// The report datagram: parsing, the exclusive receiver on 127.0.0.1:10001 and
// one capture run against the real helper program.

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QImage>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QUdpSocket>
#include <QWidget>

#include <gtest/gtest.h>

#include "capture/sources/ScreenCapture.h"
#include "capture/sources/ScreenReport.h"
#include "capture/sources/ScreenReportReceiver.h"
#include "support/TestEnv.h"

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

QByteArray saved(const QByteArray& path)
{
    return bytes({0x7E, 0x00, 0x01, path.size()}) + path;
}

struct ParseCase {
    const char* name;
    QByteArray buffer;
    ScreenReport::Kind kind;
    QString path;
};

void sendTo10001(const QByteArray& datagram)
{
    QUdpSocket sender;
    ASSERT_EQ(sender.writeDatagram(datagram, QHostAddress(QHostAddress::LocalHost), kScreenReportPort),
              datagram.size());
}

// Waits (bounded) until `spy` has recorded a signal.
bool waitFor(QSignalSpy& spy, int ms = 30000)
{
    QElapsedTimer timer;
    timer.start();
    while (spy.isEmpty() && timer.elapsed() < ms)
        spy.wait(50);
    return !spy.isEmpty();
}

}  // namespace

TEST(ScreenReportParse, Table)
{
    const QByteArray chinese = QStringLiteral("tmp/截图.png").toUtf8();
    const std::vector<ParseCase> cases = {
        {"empty", QByteArray(), ScreenReport::Kind::Empty, {}},
        {"a.b", saved("a.b"), ScreenReport::Kind::Saved, "a.b"},
        {"utf8 path", saved(chinese), ScreenReport::Kind::Saved, QStringLiteral("tmp/截图.png")},
        {"cancelled", bytes({0x7E, 0x00, 0x02, 0x00}), ScreenReport::Kind::NotSaved, {}},
        {"other status, no length byte", bytes({0x7E, 0x00, 0x05}), ScreenReport::Kind::NotSaved, {}},
        {"wrong byte 0", bytes({0x7F, 0x00, 0x01, 0x03}) + "a.b", ScreenReport::Kind::Malformed, {}},
        {"wrong byte 1", bytes({0x7E, 0x01, 0x01, 0x03}) + "a.b", ScreenReport::Kind::Malformed, {}},
        {"two bytes only", bytes({0x7E, 0x00}), ScreenReport::Kind::Malformed, {}},
        {"header without length", bytes({0x7E, 0x00, 0x01}), ScreenReport::Kind::Malformed, {}},
        {"N past the data", bytes({0x7E, 0x00, 0x01, 0x09}) + "a.b", ScreenReport::Kind::Malformed, {}},
        {"N of 255 past the data", bytes({0x7E, 0x00, 0x01, 0xFF}) + "a.b", ScreenReport::Kind::Malformed, {}},
        {"empty path", bytes({0x7E, 0x00, 0x01, 0x00}), ScreenReport::Kind::Malformed, {}},
        {"NUL inside", saved(QByteArray("a.png\0.jpg", 10)), ScreenReport::Kind::Malformed, {}},
        {"NUL terminator", saved(QByteArray("a.png\0", 6)), ScreenReport::Kind::Saved, "a.png"},
        {"only NUL", saved(QByteArray("\0", 1)), ScreenReport::Kind::Malformed, {}},
        {"invalid UTF-8", saved(QByteArray("a\xFF.png")), ScreenReport::Kind::Malformed, {}},
        {"bytes after the report", saved("a.b") + saved("c.d"), ScreenReport::Kind::Saved, "a.b"},
    };
    for (const ParseCase& c : cases) {
        const ScreenReport report = parseScreenReport(c.buffer);
        EXPECT_EQ(report.kind, c.kind) << c.name;
        EXPECT_EQ(report.path, c.path) << c.name;
        EXPECT_EQ(report.hasImage(), c.kind == ScreenReport::Kind::Saved) << c.name;
    }
}

TEST(ScreenReportParse, NeverReadsPastTheBuffer)
{
    // A view that ends right after the length byte of a longer allocation:
    // the bytes after it must not be taken as the path.
    const QByteArray whole = saved("abc");
    const QByteArray view = QByteArray::fromRawData(whole.constData(), 5);
    EXPECT_EQ(parseScreenReport(view).kind, ScreenReport::Kind::Malformed);
}

TEST(ScreenReportReceiver, ReceivesTheFirstReportAndCloses)
{
    ScreenReportReceiver receiver;
    QString err;
    ASSERT_TRUE(receiver.listen(&err)) << err.toStdString();
    QSignalSpy spy(&receiver, &ScreenReportReceiver::reportReceived);

    sendTo10001(saved("tmp/1.png"));
    sendTo10001(saved("tmp/2.png"));
    ASSERT_TRUE(waitFor(spy));
    const auto report = spy.at(0).at(0).value<ScreenReport>();
    EXPECT_EQ(report.kind, ScreenReport::Kind::Saved);
    EXPECT_EQ(report.path, QStringLiteral("tmp/1.png"));
    EXPECT_FALSE(receiver.isListening());

    // The port is free again for the next capture.
    QUdpSocket other;
    EXPECT_TRUE(other.bind(QHostAddress(QHostAddress::LocalHost), kScreenReportPort));
}

TEST(ScreenReportReceiver, EmptyDatagramEndsTheWaitWithoutImage)
{
    ScreenReportReceiver receiver;
    ASSERT_TRUE(receiver.listen());
    QSignalSpy spy(&receiver, &ScreenReportReceiver::reportReceived);
    sendTo10001(QByteArray());
    ASSERT_TRUE(waitFor(spy));
    EXPECT_FALSE(spy.at(0).at(0).value<ScreenReport>().hasImage());
    EXPECT_FALSE(receiver.isListening());
}

TEST(ScreenReportReceiver, PortTakenGivesTheMessage)
{
    // Another program holding the port in the platform's default mode.
    QUdpSocket holder;
    ASSERT_TRUE(holder.bind(QHostAddress(QHostAddress::LocalHost), kScreenReportPort));
    ScreenReportReceiver receiver;
    QString err;
    EXPECT_FALSE(receiver.listen(&err));
    EXPECT_FALSE(receiver.isListening());
    EXPECT_FALSE(err.isEmpty());
    EXPECT_EQ(ScreenReportReceiver::bindFailedMessage(err), QStringLiteral("UDP blind failed ") + err);
}

TEST(ScreenReportReceiver, HoldsThePortAlone)
{
    ScreenReportReceiver first;
    ASSERT_TRUE(first.listen());
    ScreenReportReceiver second;
    EXPECT_FALSE(second.listen());
    for (auto mode :
         {QAbstractSocket::DefaultForPlatform, QAbstractSocket::ShareAddress, QAbstractSocket::ReuseAddressHint}) {
        QUdpSocket other;
        EXPECT_FALSE(other.bind(QHostAddress(QHostAddress::LocalHost), kScreenReportPort, mode)) << int(mode);
    }
    // Listening again on the same receiver replaces its socket.
    EXPECT_TRUE(first.listen());
}

class ScreenCaptureTest : public ::testing::Test {
protected:
    void SetUp() override { testenv::prepareDataFolder(); }
    void TearDown() override { ScreenCapture::setProgram(QString()); }
};

TEST_F(ScreenCaptureTest, HelperIsFoundBesideTheProgram)
{
    const QString path = ScreenCapture::programPath();
    ASSERT_FALSE(path.isEmpty());
    EXPECT_EQ(QFileInfo(path).absolutePath(), QFileInfo(QCoreApplication::applicationDirPath()).absoluteFilePath());
}

TEST_F(ScreenCaptureTest, MissingHelperRestoresTheWindowsAndFreesThePort)
{
    QWidget window;
    window.show();
    ScreenCapture::setProgram(testenv::appDataRoot() + QStringLiteral("/no-such-helper"));
    ScreenCapture capture(&window);
    QString err;
    EXPECT_EQ(capture.start(err), ScreenCapture::Start::ProgramFailed);
    EXPECT_FALSE(err.isEmpty());
    EXPECT_EQ(ScreenCapture::startFailedMessage(err), QStringLiteral("启动截屏失败 ") + err);
    EXPECT_FALSE(capture.isPending());
    EXPECT_FALSE(window.isMinimized());
    QUdpSocket other;
    EXPECT_TRUE(other.bind(QHostAddress(QHostAddress::LocalHost), kScreenReportPort));
}

TEST_F(ScreenCaptureTest, PortTakenMinimizesNothing)
{
    QUdpSocket holder;
    ASSERT_TRUE(holder.bind(QHostAddress(QHostAddress::LocalHost), kScreenReportPort));
    QWidget window;
    window.show();
    ScreenCapture capture(&window);
    QString err;
    EXPECT_EQ(capture.start(err), ScreenCapture::Start::PortTaken);
    EXPECT_FALSE(window.isMinimized());
    EXPECT_FALSE(capture.isPending());
}

TEST_F(ScreenCaptureTest, ReportEndsTheCaptureAndRestoresTheWindows)
{
    QWidget window;
    window.show();
    // A helper that never reports by itself: the test sends the report.
    ScreenCapture::setProgram(QStringLiteral("/bin/true"));
    ScreenCapture capture(&window);
    QSignalSpy spy(&capture, &ScreenCapture::finished);
    QString err;
    ASSERT_EQ(capture.start(err), ScreenCapture::Start::Started) << err.toStdString();
    EXPECT_TRUE(capture.isPending());
    EXPECT_TRUE(window.isMinimized());

    // A second start while pending closes the old socket and binds anew.
    ASSERT_EQ(capture.start(err), ScreenCapture::Start::Started) << err.toStdString();
    sendTo10001(bytes({0x7E, 0x00, 0x02, 0x00}));
    ASSERT_TRUE(waitFor(spy));
    EXPECT_EQ(spy.count(), 1);
    EXPECT_FALSE(spy.at(0).at(0).value<ScreenReport>().hasImage());
    EXPECT_FALSE(capture.isPending());
    EXPECT_FALSE(window.isMinimized());
}

TEST_F(ScreenCaptureTest, RealHelperReportsTheSavedRegion)
{
    // The helper runs on a private X server with a fixed region, so no one
    // has to drag.
    const QString xvfbRun = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
    if (xvfbRun.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty())
        GTEST_SKIP() << "Xvfb (package xvfb) is not installed: the helper cannot be run under X here";
    ScreenCapture::setProgram(xvfbRun);
    ScreenCapture capture(nullptr);
    QSignalSpy spy(&capture, &ScreenCapture::finished);
    QString err;
    ASSERT_EQ(capture.start(err, {QStringLiteral("-a"), QStringLiteral("-s"), QStringLiteral("-screen 0 640x480x24"),
                                  testenv::binDir() + QStringLiteral("/screenShot"), QStringLiteral("-platform"),
                                  QStringLiteral("xcb"), QStringLiteral("--region"), QStringLiteral("5,6,50,40")}),
              ScreenCapture::Start::Started)
        << err.toStdString();
    ASSERT_TRUE(waitFor(spy, 60000));
    const auto report = spy.at(0).at(0).value<ScreenReport>();
    ASSERT_TRUE(report.hasImage());
    EXPECT_TRUE(report.path.startsWith(QStringLiteral("tmp/")));
    const QImage image(report.path);
    EXPECT_EQ(image.size(), QSize(50, 40));
}
