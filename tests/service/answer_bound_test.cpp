// No web call takes an answer whole whatever its size: an answer beyond its
// bound fails the call with the text of a service that cannot be reached,
// and the memory of the process stays near the bound however long the
// answer goes on.

#include <QDir>
#include <QString>

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>
#include <thread>

#include "ServiceFixture.h"
#include "support/ChildRun.h"
#include "support/Loopback.h"
#include "support/ScriptedServer.h"
#include "support/TestEnv.h"

namespace {

// A loopback service that answers every request with status 200 and a body
// without end, framed as the request's path asks: "chunked" (no length),
// "declared" (a declared length of a terabyte) or "unframed" (no length, the
// body ends when the connection does). Requests are served one after another
// on a thread of its own; an answer goes on until the client hangs up.
class EndlessService {
public:
    EndlessService()
    {
        fd_ = listenOnLoopback(&port_);
        thread_ = std::thread([this] { serve(); });
    }
    ~EndlessService()
    {
        stop_ = true;
        thread_.join();
        if (fd_ >= 0)
            ::close(fd_);
    }
    int port() const { return port_; }
    // The body bytes handed to the system so far, all answers together.
    long long sentBytes() const { return sent_; }

private:
    void serve()
    {
        while (!stop_ && fd_ >= 0) {
            pollfd ready{fd_, POLLIN, 0};
            if (::poll(&ready, 1, 100) != 1)
                continue;
            const int client = ::accept(fd_, nullptr, nullptr);
            if (client < 0)
                continue;
            // Short waits, so that a stop is seen while a client stalls.
            const timeval wait{0, 100000};
            ::setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
            ::setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
            answer(client);
            ::close(client);
        }
    }

    void answer(int client)
    {
        std::string request;
        char buffer[4096];
        while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536 && !stop_) {
            const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
            if (n > 0)
                request.append(buffer, static_cast<size_t>(n));
            else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
                return;
        }
        const std::string line = request.substr(0, request.find("\r\n"));
        const std::string piece(64 * 1024, ' ');
        std::string head = "HTTP/1.1 200 OK\r\nContent-Type: application/json;charset=UTF-8\r\n";
        std::string each = piece;
        if (line.find("declared") != std::string::npos) {
            head += "Content-Length: 1099511627776\r\n\r\n";
        } else if (line.find("unframed") != std::string::npos) {
            head = "HTTP/1.0 200 OK\r\nContent-Type: application/json;charset=UTF-8\r\nConnection: close\r\n\r\n";
        } else {
            head += "Transfer-Encoding: chunked\r\n\r\n";
            char size[32];
            std::snprintf(size, sizeof size, "%zx\r\n", piece.size());
            each = size + piece + "\r\n";
        }
        if (!sendAll(client, head))
            return;
        while (sendAll(client, each))
            sent_ += static_cast<long long>(piece.size());
    }

    // False once the client has hung up (or the service stops).
    bool sendAll(int client, const std::string& data)
    {
        size_t done = 0;
        while (done < data.size()) {
            if (stop_)
                return false;
            const ssize_t n = ::send(client, data.data() + done, data.size() - done, MSG_NOSIGNAL);
            if (n > 0)
                done += static_cast<size_t>(n);
            else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                return false;
        }
        return true;
    }

    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<long long> sent_{0};
    std::thread thread_;
};

}  // namespace

// The calls run in a child whose address space is bounded: a call that kept
// the endless answer would break the bound within a fraction of a second
// (and fail with another text), while one that stops at its bound stays far
// below it.
TEST(AnswerBound, EndlessAnswersFailAsAnUnreachableServiceAndTakeLittleMemory)
{
    if (childrun::sanitized())
        GTEST_SKIP() << "peak memory and address-space limits mean nothing under AddressSanitizer";
    if (childrun::inChild()) {
        const QString dir = testenv::appDataRoot() + QStringLiteral("/downloads");
        ASSERT_TRUE(QDir().mkpath(dir));
        httpUtil client;  // loads libcurl before the bound is set
        client.host = "127.0.0.1";
        client.project = "svc";
        // What a service that cannot be reached gives, for either call.
        client.port = closedLoopbackPort();
        std::string unreachable;
        std::string unreachableFile;
        std::string unused;
        ASSERT_EQ(client.post("/x", "{}", unused, unreachable), -1);
        ASSERT_EQ(client.download("/x", "f.jpg", dir.toStdString(), unreachableFile), -1);
        ASSERT_EQ(unreachable, std::string(" ") + curlErrorText(7));

        client.port = childrun::value(QStringLiteral("ENDLESS_PORT")).toInt();
        ASSERT_TRUE(childrun::limitAddressSpace(128LL << 20));
        const long long before = childrun::peakResidentBytes();
        for (const char* form : {"chunked", "declared", "unframed"}) {
            SCOPED_TRACE(form);
            std::string response = "unchanged";
            std::string msg;
            EXPECT_EQ(client.post(std::string("/") + form, "{}", response, msg), -1);
            EXPECT_EQ(msg, unreachable);
            EXPECT_EQ(response, "unchanged");
            EXPECT_EQ(client.download(std::string("/fileDownload/") + form, "f.jpg", dir.toStdString(), msg), -1);
            EXPECT_EQ(msg, unreachableFile);
            EXPECT_TRUE(QDir(dir).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
                << "a download beyond its bound left a file";
        }
        // An operation of the client fails the same way.
        _version_t version;
        std::string msg;
        EXPECT_EQ(client.getVersion(2, version, msg), -1);
        EXPECT_EQ(msg, unreachable);
        const long long grown = childrun::peakResidentBytes() - before;
        std::printf("peak resident memory grew by %lld KiB; an answer is bounded at %lld KiB\n", grown >> 10,
                    http::kMaxAnswerBytes >> 10);
        EXPECT_LT(grown, 16LL << 20);
        return;
    }
    EndlessService service;
    ASSERT_GT(service.port(), 0);
    childrun::setValue(QStringLiteral("ENDLESS_PORT"), QString::number(service.port()));
    QString output;
    EXPECT_EQ(childrun::runThisTest(&output), 0) << output.toStdString();
    for (const QString& line : output.split(QLatin1Char('\n'))) {
        if (line.startsWith(QStringLiteral("peak")))
            std::printf("%s; the service sent %lld MiB\n", line.toUtf8().constData(), service.sentBytes() >> 20);
    }
}

using AnswerBoundary = ServiceTest;

// An answer of exactly the bound is taken whole; one byte more is refused
// with the text of a service that cannot be reached.
TEST_F(AnswerBoundary, AnAnswerOfTheBoundIsTakenWholeAndOneByteMoreIsRefused)
{
    const std::string unreachable = std::string(" ") + curlErrorText(7);
    const size_t bound = static_cast<size_t>(http::kMaxAnswerBytes);
    server->setReply("/svc/whole", 200, std::string(bound, 'x'));
    server->setReply("/svc/over", 200, std::string(bound + 1, 'x'));
    std::string response;
    std::string msg;
    ASSERT_EQ(client->post("/whole", "{}", response, msg), 0) << msg;
    EXPECT_EQ(response.size(), bound);
    response = "unchanged";
    EXPECT_EQ(client->post("/over", "{}", response, msg), -1);
    EXPECT_EQ(msg, unreachable);
    EXPECT_EQ(response, "unchanged");
}
