#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include "TransferTestUtil.h"
#include "transfer/ConnectionGuard.h"
#include "transfer/libevent.h"

using namespace transfertest;

namespace {

// A document root with the names the table below asks for, and a secret
// beside it that must never be reachable.
class ServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        root = dir.path() + QStringLiteral("/root");
        QDir().mkpath(root + QStringLiteral("/sub"));
        writeFile(root + QStringLiteral("/index.html"), "<html>page</html>");
        writeFile(root + QStringLiteral("/a..b.docx"), "word");
        writeFile(root + QStringLiteral("/中文 笔记.pdf"), "%PDF chinese");
        writeFile(root + QStringLiteral("/a#1.pdf"), "%PDF hash");
        writeFile(root + QStringLiteral("/x.tar.gz"), "gz");
        writeFile(root + QStringLiteral("/page.htm"), "htm");
        writeFile(root + QStringLiteral("/sub/inner.txt"), "inner");
        writeFile(root + QStringLiteral("/sub/<b>&.txt"), "escaped");
        writeFile(dir.path() + QStringLiteral("/secret.txt"), "secret");
        ::mkfifo((root + QStringLiteral("/pipe.jpg")).toUtf8().constData(), 0644);
        QFile::link(dir.path() + QStringLiteral("/secret.txt"), root + QStringLiteral("/link.txt"));
        port = server.startLoopback(root.toStdString());
        ASSERT_NE(port, 0);
    }

    QTemporaryDir dir;
    QString root;
    ProbeServer server;
    int port = 0;
};

struct DocumentCase {
    const char* request;  // request line target
    int status;
    const char* contentType;  // expected Content-Type, "" when not checked
    const char* body;         // expected body, nullptr when not checked
    const char* document;     // expected on_document path, "" for none
};

}  // namespace

TEST_F(ServerTest, AnswersEachPathWithItsStatusTypeAndCallback)
{
    const DocumentCase cases[] = {
        {"/", 200, "text/html", "<html>page</html>", "/index.html"},
        {"/index.html", 200, "text/html", "<html>page</html>", "/index.html"},
        {"/a..b.docx", 404, "", nullptr, ""},
        {"/%E4%B8%AD%E6%96%87%20%E7%AC%94%E8%AE%B0.pdf", 200, "application/pdf", "%PDF chinese", "/中文 笔记.pdf"},
        {"/a%231.pdf", 200, "application/pdf", "%PDF hash", "/a#1.pdf"},
        {"/x.tar.gz", 200, "application/misc", "gz", "/x.tar.gz"},
        {"/page.htm", 200, "text/htm", "htm", "/page.htm"},
        {"/%2e%2e/secret.txt", 404, "", nullptr, ""},
        {"/sub/%2E%2E/index.html", 404, "", nullptr, ""},
        {"/sub/../index.html", 404, "", nullptr, ""},
        {"/../secret.txt", 404, "", nullptr, ""},
        {"/link.txt", 404, "", nullptr, ""},
        {"/pipe.jpg", 404, "", nullptr, ""},
        {"/missing.pdf", 404, "", nullptr, ""},
        {"/index.html%00.pdf", 404, "", nullptr, ""},
    };
    for (const DocumentCase& c : cases) {
        SCOPED_TRACE(c.request);
        server.clear();
        const Reply reply = get(port, c.request);
        EXPECT_EQ(reply.status, c.status);
        if (*c.contentType) {
            EXPECT_EQ(reply.header("content-type"), c.contentType);
        }
        if (c.body) {
            EXPECT_EQ(reply.body, c.body);
        }
        const std::vector<std::string> seen = server.documentsSeen();
        if (*c.document) {
            EXPECT_EQ(seen, std::vector<std::string>{c.document});
        } else {
            EXPECT_TRUE(seen.empty());
        }
        EXPECT_TRUE(server.requestsSeen().empty());
    }
}

TEST_F(ServerTest, FolderWithoutSlashIsListedWithEscapedNamesAndEncodedLinks)
{
    const Reply reply = get(port, "/sub");
    ASSERT_EQ(reply.status, 200);
    EXPECT_EQ(reply.header("content-type"), "text/html;charset=utf8");
    EXPECT_NE(reply.body.find("<base href='/sub/'>"), std::string::npos) << reply.body;
    EXPECT_NE(reply.body.find("<a href=\".\">.</a>"), std::string::npos);
    EXPECT_NE(reply.body.find("<a href=\"..\">..</a>"), std::string::npos);
    EXPECT_NE(reply.body.find("<a href=\"inner.txt\">inner.txt</a>"), std::string::npos);
    EXPECT_NE(reply.body.find("<a href=\"%3Cb%3E%26.txt\">&lt;b&gt;&amp;.txt</a>"), std::string::npos) << reply.body;
    EXPECT_EQ(reply.body.find("<b>&"), std::string::npos);
    EXPECT_EQ(server.documentsSeen(), std::vector<std::string>{"/sub"});
    // The listed link leads to the file.
    EXPECT_EQ(get(port, "/sub/%3Cb%3E%26.txt").body, "escaped");
}

TEST_F(ServerTest, PostBodyReachesTheOwnerWholeWithItsNulBytes)
{
    std::string body(100000, 'x');
    body[0] = '\0';
    body[5000] = '\0';
    body.back() = '\0';
    const Reply reply = post(port, "/uploadfile", body);
    EXPECT_EQ(reply.status, 200);
    EXPECT_TRUE(reply.body.empty());
    const auto requests = server.requestsSeen();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].first, "/uploadfile");
    EXPECT_EQ(requests[0].second.size(), body.size());
    EXPECT_TRUE(requests[0].second == body);
    EXPECT_TRUE(server.documentsSeen().empty());
}

TEST_F(ServerTest, HeadAndDumpAreHandedOverAsRequests)
{
    Reply head = get(port, "/index.html", "HEAD");
    EXPECT_EQ(head.status, 200);
    EXPECT_TRUE(head.body.empty());
    EXPECT_EQ(get(port, "/dump?x=1").status, 200);
    const auto requests = server.requestsSeen();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], std::make_pair(std::string("/index.html"), std::string()));
    EXPECT_EQ(requests[1].first, "/dump?x=1");
    EXPECT_TRUE(server.documentsSeen().empty());
}

TEST_F(ServerTest, OversizedBodyIsRefusedWith413AndTheServerGoesOn)
{
    const size_t size = libevent::maxBodySize() + 1024;
    const Reply reply = rawRequest(port, "POST /uploadfile HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n"
                                         "Content-Length: " +
                                             std::to_string(size) + "\r\n\r\n" + std::string(size, 'a'));
    EXPECT_EQ(reply.status, 413);
    EXPECT_TRUE(server.requestsSeen().empty());
    EXPECT_EQ(get(port, "/").status, 200);
}

TEST_F(ServerTest, OversizedHeadersAreRefused)
{
    const Reply reply = rawRequest(port, "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Big: " + std::string(64 * 1024, 'h') +
                                             "\r\nConnection: close\r\n\r\n");
    EXPECT_NE(reply.status, 200);
    EXPECT_EQ(get(port, "/").status, 200);
}

TEST_F(ServerTest, ClientThatLeavesInTheMiddleOfAFileDoesNotEndTheServer)
{
    const std::string big(24 * 1024 * 1024, 'b');
    writeFile(root + QStringLiteral("/big.pdf"), big);
    for (int round = 0; round < 3; ++round) {
        const int fd = connectLoopback(port);
        ASSERT_GE(fd, 0);
        ASSERT_TRUE(sendAll(fd, "GET /big.pdf HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"));
        char buffer[1024];
        size_t got = 0;
        while (got < sizeof buffer) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer - got, 0);
            ASSERT_GT(n, 0);
            got += static_cast<size_t>(n);
        }
        ::close(fd);
    }
    const Reply reply = get(port, "/big.pdf");
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.body.size(), big.size());
    EXPECT_TRUE(reply.body == big);
}

TEST_F(ServerTest, ParallelClientsAllGetTheWholeFile)
{
    std::string bytes(3 * 1024 * 1024, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 131 % 251);
    writeFile(root + QStringLiteral("/photo.jpg"), bytes);
    std::vector<std::future<Reply>> replies;
    for (int i = 0; i < 16; ++i)
        replies.push_back(std::async(std::launch::async, [this] { return get(port, "/photo.jpg"); }));
    for (auto& f : replies) {
        const Reply reply = f.get();
        EXPECT_EQ(reply.status, 200);
        EXPECT_EQ(reply.header("content-type"), "image/jpeg");
        EXPECT_TRUE(reply.body == bytes);
    }
    EXPECT_EQ(server.documentsSeen().size(), 16u);
}

TEST(ServerLifecycle, PortInUseIsReportedOnceAndNeverAsSuccess)
{
    BusyPort busy;
    ASSERT_NE(busy.port(), 0);
    ProbeServer server;
    EXPECT_EQ(server.startLoopback("/nonexistent", busy.port()), 0);
    EXPECT_EQ(server.failuresSeen(),
              std::vector<std::string>{"couldn't bind to port : " + std::to_string(busy.port())});
    EXPECT_EQ(server.successesSeen(), 0);
    // The thread has ended: stop returns at once.
    server.stop();
    server.stop();
}

TEST(ServerLifecycle, StartAndStopRepeatedNeverHang)
{
    auto done = std::async(std::launch::async, [] {
        for (int i = 0; i < 200; ++i) {
            ProbeServer server;
            server.setBindAddress("127.0.0.1");
            server.start("/nonexistent", 0);
            if (i % 3 == 1)
                std::this_thread::sleep_for(std::chrono::microseconds(i * 10));
            server.stop();
        }
        ProbeServer reused;
        for (int i = 0; i < 20; ++i) {
            if (reused.startLoopback("/nonexistent") == 0)
                return false;
            reused.stop();
        }
        return true;
    });
    ASSERT_EQ(done.wait_for(std::chrono::seconds(60)), std::future_status::ready) << "start/stop hung";
    EXPECT_TRUE(done.get());
}

TEST(ServerLifecycle, StopBeforeStartAndStartWhileRunning)
{
    ProbeServer server;
    server.stop();  // nothing runs
    ASSERT_NE(server.startLoopback("/nonexistent"), 0);
    EXPECT_EQ(server.start("/nonexistent", 0), -1);  // one thread at a time
    const std::string url = server.listenUrl();
    EXPECT_EQ(url, "http://127.0.0.1:" + std::to_string(server.port()));
    server.stop();
    EXPECT_EQ(get(std::stoi(url.substr(url.rfind(':') + 1)), "/").status, 0);
}

TEST(ServerHelpers, ContentTypeTable)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/a.txt", "text/plain"},        {"/a.C", "text/plain"},         {"/a.h", "text/plain"},
        {"/a.HTML", "text/html"},        {"/a.htm", "text/htm"},         {"/a.css", "text/css"},
        {"/a.gif", "image/gif"},         {"/a.JPG", "image/jpeg"},       {"/a.jpeg", "image/jpeg"},
        {"/a.png", "image/png"},         {"/a.pdf", "application/pdf"},  {"/a.ps", "application/postscript"},
        {"/a.docx", "application/misc"}, {"/a.doc", "application/misc"}, {"/x.tar.gz", "application/misc"},
        {"/a.b/c", "application/misc"},  {"/noext", "application/misc"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(contentTypeOf(c.first), c.second) << c.first;
}

TEST(ServerHelpers, LocalAddressesAreNeverLoopback)
{
    std::vector<std::string> list;
    ASSERT_EQ(libevent::getLocalIP(list), 0);
    for (const std::string& address : list) {
        EXPECT_NE(address.rfind("127.", 0), 0u) << address;
        EXPECT_EQ(std::count(address.begin(), address.end(), '.'), 3) << address;
    }
}

TEST(ServerHelpers, Utf8ToAnsiNeverWritesPastItsBuffer)
{
    char small[8];
    EXPECT_TRUE(utf8ToAnsi("abc", small, sizeof small));
    EXPECT_STREQ(small, "abc");
    EXPECT_FALSE(utf8ToAnsi("abcdefgh", small, sizeof small));
    EXPECT_STREQ(small, "");
    char name[64];
    EXPECT_TRUE(utf8ToAnsi("笔记.pdf", name, sizeof name));
    EXPECT_STREQ(name, "笔记.pdf");
}

namespace {

// A server with small limits: 4 connections, 600 ms for a header block.
class GuardedServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        writeFile(dir.path() + QStringLiteral("/index.html"), "<html>page</html>");
        server.setConnectionLimit(4);
        server.setHeaderDeadline(std::chrono::milliseconds(600));
        port = server.startLoopback(dir.path().toStdString());
        ASSERT_NE(port, 0);
    }
    void TearDown() override
    {
        for (int fd : idle)
            ::close(fd);
    }

    QTemporaryDir dir;
    ProbeServer server;
    int port = 0;
    std::vector<int> idle;
};

// One connection's bytes, each piece followed by a pause.
struct Piece {
    std::string bytes;
    int pauseMs;
};

struct ScriptCase {
    const char* what;
    std::vector<Piece> pieces;
    int replies;  // "HTTP/1.1 200" replies before the server closes
};

struct Outcome {
    int replies = 0;
    bool closed = false;  // by the server, within 3 s of the last piece
};

// Plays the pieces (stopping when the server has closed) and reads until the
// server closes or 3 s pass.
Outcome play(int port, const std::vector<Piece>& pieces)
{
    Outcome outcome;
    const int fd = connectLoopback(port);
    if (fd < 0)
        return outcome;
    for (const Piece& piece : pieces) {
        if (!sendAll(fd, piece.bytes))
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(piece.pauseMs));
    }
    timeval limit{3, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    std::string data;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            outcome.closed = n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
            break;
        }
        data.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    for (size_t at = data.find("HTTP/1.1 200"); at != std::string::npos; at = data.find("HTTP/1.1 200", at + 1))
        ++outcome.replies;
    return outcome;
}

std::vector<Piece> trickle(const std::string& bytes, int pauseMs)
{
    std::vector<Piece> pieces;
    for (char c : bytes)
        pieces.push_back({std::string(1, c), pauseMs});
    return pieces;
}

}  // namespace

TEST_F(GuardedServerTest, HeaderBlocksMustArriveInTimeBodiesAndIdleTimeAreNotCounted)
{
    const std::string get = "GET / HTTP/1.1\r\nHost: a\r\n\r\n";
    const std::string last = "GET / HTTP/1.1\r\nHost: a\r\nConnection: close\r\n\r\n";
    const std::string postHead = "POST /dump HTTP/1.1\r\nHost: a\r\nConnection: close\r\nContent-Length: 8\r\n\r\n";
    std::vector<Piece> slowBody{{postHead, 0}};
    for (const Piece& p : trickle("12345678", 120))
        slowBody.push_back(p);
    std::vector<Piece> slowSecond{{get, 100}};
    for (const Piece& p : trickle("GET / HTTP/1.1\r\nX-Slow: 123456789\r\n", 60))
        slowSecond.push_back(p);
    const ScriptCase cases[] = {
        {"whole request at once", {{last, 0}}, 1},
        {"header block in three pieces within the deadline",
         {{"GET / HT", 150}, {"TP/1.1\r\nHost: a\r\n", 150}, {"Connection: close\r\n\r\n", 0}},
         1},
        {"header bytes trickled past the deadline", trickle("GET / HTTP/1.1\r\nX-Slow: 123456789012345\r\n", 60), 0},
        {"nothing sent", {{"", 1200}}, 0},
        {"body trickled past the deadline", slowBody, 1},
        {"idle keep-alive pause longer than the deadline", {{get, 1200}, {last, 0}}, 2},
        {"second header block trickled past the deadline", slowSecond, 1},
        {"request line that is no HTTP", {{"HELLO\r\n\r\n", 0}}, 0},
        {"header block over 32 KiB", {{"GET / HTTP/1.1\r\nX: " + std::string(40000, 'h') + "\r\n\r\n", 0}}, 0},
    };
    for (const ScriptCase& c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome outcome = play(port, c.pieces);
        EXPECT_EQ(outcome.replies, c.replies);
        EXPECT_TRUE(outcome.closed);
    }
    // A client that leaves in the middle of a header block.
    const int fd = connectLoopback(port);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(sendAll(fd, "GET / HTTP/1.1\r\nHo"));
    ASSERT_TRUE(waitUntil([&] { return server.openConnections() == 1; }));
    ::close(fd);
    // Every connection was counted out again.
    EXPECT_TRUE(waitUntil([&] { return server.openConnections() == 0; })) << server.openConnections();
}

TEST_F(GuardedServerTest, ConnectionBeyondTheLimitIsClosedAtOnceAndTheServerGoesOn)
{
    for (int i = 0; i < 4; ++i) {
        const int fd = connectLoopback(port);
        ASSERT_GE(fd, 0);
        idle.push_back(fd);
    }
    ASSERT_TRUE(waitUntil([&] { return server.openConnections() == 4; }));
    const Reply refused = get(port, "/");
    EXPECT_EQ(refused.status, 0);
    EXPECT_TRUE(waitUntil([&] { return server.openConnections() == 4; }));

    ::close(idle.back());
    idle.pop_back();
    ASSERT_TRUE(waitUntil([&] { return server.openConnections() == 3; }));
    EXPECT_EQ(get(port, "/").status, 200);
    for (int fd : idle)
        ::close(fd);
    idle.clear();
    EXPECT_TRUE(waitUntil([&] { return server.openConnections() == 0; }));
}

TEST(ServerLimits, DefaultConnectionLimitLeavesMostDescriptorsToTheProgram)
{
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
    const int expected = limit.rlim_cur == RLIM_INFINITY ? 64
                                                         : static_cast<int>(std::min<rlim_t>(64, limit.rlim_cur / 4));
    EXPECT_EQ(libevent::defaultConnectionLimit(), expected);
}

TEST(ServerLimits, RequestDeadlineGrowsWithTheDeclaredBody)
{
    const ConnectionGuard::Limits limits;  // the server's defaults
    struct Case {
        std::uint64_t length;
        long long seconds;
    };
    const Case cases[] = {
        {0, 20},
        {1, 21},
        {256 * 1024, 21},
        {256 * 1024 + 1, 22},
        {32u * 1024 * 1024, 148},
        {std::uint64_t(1) << 40, 148},  // counted as the largest body allowed
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ConnectionGuard::requestDeadline(limits, c.length), std::chrono::seconds(c.seconds)) << c.length;
    }
}

namespace {

// Sends `head`, then one byte of the body every 100 ms until the server
// closes the connection (true) or 30 s pass (false).
bool trickledUntilClosed(int port, const std::string& head)
{
    const int fd = connectLoopback(port);
    if (fd < 0 || !sendAll(fd, head))
        return false;
    bool closed = false;
    for (int i = 0; i < 300 && !closed; ++i) {
        if (::send(fd, "x", 1, MSG_NOSIGNAL) != 1)
            closed = true;
        pollfd wait{fd, POLLIN, 0};
        char byte = 0;
        if (::poll(&wait, 1, 100) > 0 && ::recv(fd, &byte, 1, 0) <= 0)
            closed = true;
    }
    ::close(fd);
    return closed;
}

}  // namespace

// A body that trickles is closed once the whole request is overdue, however
// steadily it comes; a large body that keeps coming gets the time its
// declared length earns. The deadlines are small here: the server's own are
// 20 s plus 1 s per 256 KiB.
TEST_F(GuardedServerTest, WholeRequestMustArriveWithinADeadlineThatGrowsWithItsBody)
{
    // 0.8 s whatever the length: trickled bodies, declared or chunked.
    server.stop();
    server.setRequestDeadline(std::chrono::milliseconds(800), std::chrono::milliseconds(0));
    port = server.startLoopback(dir.path().toStdString());
    ASSERT_NE(port, 0);
    EXPECT_TRUE(trickledUntilClosed(port, "POST /dump HTTP/1.1\r\nHost: a\r\nContent-Length: 100000\r\n\r\n"));
    EXPECT_TRUE(trickledUntilClosed(port, "POST /dump HTTP/1.1\r\nHost: a\r\nTransfer-Encoding: chunked\r\n\r\n"));
    EXPECT_TRUE(waitUntil([&] { return server.openConnections() == 0; }, 30000)) << server.openConnections();

    // 512 KiB declared earns two more minutes: half of it, a pause longer
    // than the base deadline, the other half.
    server.stop();
    server.setRequestDeadline(std::chrono::milliseconds(800), std::chrono::seconds(60));
    port = server.startLoopback(dir.path().toStdString());
    ASSERT_NE(port, 0);
    const std::string body(512 * 1024, 'b');
    const std::string head = "POST /dump HTTP/1.1\r\nHost: a\r\nConnection: close\r\nContent-Length: " +
                             std::to_string(body.size()) + "\r\n\r\n";
    const Outcome outcome = play(port,
                                 {{head + body.substr(0, body.size() / 2), 1500}, {body.substr(body.size() / 2), 0}});
    EXPECT_EQ(outcome.replies, 1);
    EXPECT_TRUE(outcome.closed);
}

namespace {

// A server whose handling of "/slow" waits until the test lets it go, on
// three request workers.
class HeldServer : public ProbeServer {
public:
    HeldServer() { setRequestWorkers(3); }
    ~HeldServer() override
    {
        release();
        stop();
    }
    void on_request(const char* uri, const char* body, int length) override
    {
        if (std::string(uri) == "/slow") {
            std::unique_lock<std::mutex> lock(mutex_);
            ++held_;
            changed_.notify_all();
            changed_.wait(lock, [this] { return released_; });
            setRequestStatus(415);
            return;
        }
        ProbeServer::on_request(uri, body, length);
    }
    bool waitHeld(int count)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(30), [&] { return held_ >= count; });
    }
    void release()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int held_ = 0;
    bool released_ = false;
};

}  // namespace

// While two requests are being handled (pictures decoded), the server
// answers pages on its loop and another request on the third worker; each
// held request gets its own status once done, and one whose client left
// meanwhile is dropped without harm.
TEST(ServerWorkers, LongRequestsHoldNoOtherAndKeepTheirStatus)
{
    QTemporaryDir dir;
    writeFile(dir.path() + QStringLiteral("/index.html"), "<html>page</html>");
    HeldServer server;
    const int port = server.startLoopback(dir.path().toStdString());
    ASSERT_NE(port, 0);

    auto slow = std::async(std::launch::async, [port] { return post(port, "/slow", "picture").status; });
    const int leaving = connectLoopback(port);
    ASSERT_GE(leaving, 0);
    ASSERT_TRUE(sendAll(leaving, "POST /slow HTTP/1.1\r\nHost: a\r\nContent-Length: 1\r\n\r\nx"));
    ASSERT_TRUE(server.waitHeld(2));
    ::close(leaving);

    EXPECT_EQ(get(port, "/").status, 200);
    EXPECT_EQ(post(port, "/fast", "quick").status, 200);
    ASSERT_EQ(server.requestsSeen().size(), 1u);
    EXPECT_EQ(server.requestsSeen().front().first, "/fast");

    server.release();
    EXPECT_EQ(slow.get(), 415);
    EXPECT_EQ(get(port, "/").status, 200);
    EXPECT_TRUE(waitUntil([&] { return server.openConnections() == 0; }, 30000)) << server.openConnections();
}
