// The server's connection limits where they matter: in a process whose
// descriptor limit is low (the probe, tests/transfer/probe, lowers its own).
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <vector>

#include "TransferTestUtil.h"

using namespace transfertest;

namespace {

// The probe process: started with its arguments, asked one line at a time.
class Probe {
public:
    ~Probe()
    {
        process_.closeWriteChannel();
        if (!process_.waitForFinished(10000)) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }

    // The port it serves on, or 0.
    int start(const QStringList& arguments)
    {
        process_.start(QStringLiteral(LORVANE_TRANSFER_PROBE), arguments);
        if (!process_.waitForStarted(10000))
            return 0;
        const QString first = readLine();
        return first.startsWith("port ") ? first.mid(5).toInt() : 0;
    }

    QString ask(const QString& command)
    {
        process_.write((command + "\n").toUtf8());
        return readLine();
    }

    int askNumber(const QString& command) { return ask(command).toInt(); }

    // Every line it wrote to standard error so far.
    QStringList errorLines()
    {
        errors_ += QString::fromUtf8(process_.readAllStandardError());
        return errors_.split('\n', Qt::SkipEmptyParts);
    }

private:
    QString readLine()
    {
        QElapsedTimer clock;
        clock.start();
        while (!process_.canReadLine() && clock.elapsed() < 10000)
            process_.waitForReadyRead(100);
        return QString::fromUtf8(process_.readLine()).trimmed();
    }

    QProcess process_;
    QString errors_;
};

// Whether the server closed fd (a read says end of file or a reset) within ms.
bool closedWithin(int fd, int ms)
{
    QElapsedTimer clock;
    clock.start();
    do {
        char byte;
        const ssize_t n = ::recv(fd, &byte, 1, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK))
            return true;
        QThread::msleep(5);
    } while (clock.elapsed() < ms);
    return false;
}

class ProbeLimits : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        writeFile(dir.path() + "/index.html", "<html>probe</html>");
    }
    void TearDown() override
    {
        for (int fd : clients)
            ::close(fd);
    }

    QTemporaryDir dir;
    std::vector<int> clients;
};

}  // namespace

// 150 idle connections against a process limited to 64 descriptors: the
// server keeps a quarter of them (16) and closes the rest at once, never runs
// out of descriptors for its own files, and serves once they are gone.
TEST_F(ProbeLimits, CapUnderALowDescriptorLimitKeepsFilesOpenAndServesAfterwards)
{
    Probe probe;
    const int port = probe.start({dir.path(), "64"});
    ASSERT_NE(port, 0);
    for (int i = 0; i < 150; ++i) {
        const int fd = connectLoopback(port);
        ASSERT_GE(fd, 0) << "connection " << i;
        clients.push_back(fd);
    }
    ASSERT_TRUE(waitUntil([&] { return probe.askNumber("count") == 16; })) << probe.ask("count").toStdString();
    int closed = 0;
    for (int fd : clients)
        closed += closedWithin(fd, 50) ? 1 : 0;
    EXPECT_EQ(closed, 150 - 16);
    EXPECT_EQ(probe.ask("open"), "open ok");
    EXPECT_TRUE(probe.errorLines().filter("accept").isEmpty()) << probe.errorLines().join('\n').toStdString();

    for (int fd : clients)
        ::close(fd);
    clients.clear();
    ASSERT_TRUE(waitUntil([&] { return probe.askNumber("count") == 0; }));
    const Reply reply = get(port, "/");
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.body, "<html>probe</html>");
}

// With no descriptor left, accept() fails: the server pauses its listener
// instead of retrying at once (which spins a core and floods standard error),
// and takes connections again once descriptors are free.
TEST_F(ProbeLimits, FailingAcceptPausesTheListenerInsteadOfSpinning)
{
    Probe probe;
    const int port = probe.start({dir.path(), "64", "hog"});
    ASSERT_NE(port, 0);
    EXPECT_EQ(probe.ask("open"), "open failed");
    const int cpuBefore = probe.askNumber("cpu");
    for (int i = 0; i < 8; ++i) {
        const int fd = connectLoopback(port);
        ASSERT_GE(fd, 0);
        clients.push_back(fd);
    }
    QThread::msleep(2000);
    const int cpuUsed = probe.askNumber("cpu") - cpuBefore;
    EXPECT_LT(cpuUsed, 500) << "the server spun on accept()";
    const QStringList errors = probe.errorLines();
    EXPECT_GE(errors.filter("accept() failed").size(), 1);
    EXPECT_LE(errors.size(), 4) << errors.mid(0, 5).join('\n').toStdString();

    EXPECT_EQ(probe.ask("release"), "released");
    EXPECT_EQ(probe.ask("open"), "open ok");
    const Reply reply = get(port, "/");
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.body, "<html>probe</html>");
}
