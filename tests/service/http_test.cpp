#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>

#include "ServiceFixture.h"
#include "platform/Profile.h"
#include "support/Loopback.h"

namespace {

const std::string kOk = "{\"returnCode\":0,\"returnMsg\":\"ok\"}";

std::string readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll().toStdString();
}

void writeFile(const QString& path, const std::string& text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.data(), static_cast<qint64>(text.size()));
}

}  // namespace

using HttpTest = ServiceTest;

TEST_F(HttpTest, AddressIsReadWholeFromTheGeneralSection)
{
    struct Case {
        std::string ini;
        std::string host;
        int port;
        std::string project;
    };
    const Case cases[] = {
        {"[General]\nhost=127.0.0.1\nport=8080\nproject=svc\n", "127.0.0.1", 8080, "svc"},
        // Longer than the old fixed buffers: still taken whole.
        {"[General]\nhost=service.lorvane.example.test\nport=18080\nproject=lorvane-web-service-project\n",
         "service.lorvane.example.test", 18080, "lorvane-web-service-project"},
        {"[general]\r\nHOST = \"10.0.0.7\" \r\nPort=abc\r\n", "10.0.0.7", 0, ""},
        {"[Other]\nhost=a\nport=1\nproject=p\n[General]\nmac=00-11\n", "", 0, ""},
        {"", "", 0, ""},
    };
    for (const Case& c : cases) {
        writeFile(QStringLiteral("Lorvane.ini"), c.ini);
        httpUtil reader;
        EXPECT_EQ(reader.host, c.host) << c.ini;
        EXPECT_EQ(reader.port, c.port) << c.ini;
        EXPECT_EQ(reader.project, c.project) << c.ini;
    }
    QFile::remove(QStringLiteral("Lorvane.ini"));
    httpUtil missing;
    EXPECT_EQ(missing.host, "");
    EXPECT_EQ(missing.port, 0);
}

// Every JSON operation: the exact request and how the envelope comes back.
TEST_F(HttpTest, EachOperationSendsItsRequest)
{
    struct Case {
        std::string path;
        std::string body;
        std::function<int(httpUtil&, std::string&)> call;
    };
    const Case cases[] = {
        {"/addUserInfo",
         "{\"app_type\":2,\"app_version\":\"2.0.8\",\"contact\":\"c1\",\"grade\":\"g\",\"import_times\":7,"
         "\"mac\":\"00-11-22-33-44-55\",\"machine_name\":\"pc\",\"sex\":1,\"student_number\":\"s9\","
         "\"term\":\"t\",\"username\":\"u\"}\n",
         [](httpUtil& h, std::string& m) {
             return h.addUserInfo("00-11-22-33-44-55", 2, "2.0.8", "pc", "u", 1, "g", "t", "s9", "c1", 7, m);
         }},
        {"/getVersion", "{\"app_type\":2}\n",
         [](httpUtil& h, std::string& m) {
             _version_t v;
             return h.getVersion(2, v, m);
         }},
        {"/getAdvertisement", "{\"app_type\":5}\n",
         [](httpUtil& h, std::string& m) {
             _advertisement_t a;
             return h.getAdvertisement(5, a, m);
         }},
        {"/addSuggest", "{\"mac\":\"AA\",\"suggest\":\"abc\"}\n",
         [](httpUtil& h, std::string& m) { return h.addSuggest("AA", "abc", m); }},
        {"/userLogin", "{\"password\":\"d41d\",\"userID\":\"13800000000\"}\n",
         [](httpUtil& h, std::string& m) {
             _user_t u;
             return h.userLogin("13800000000", "d41d", u, m);
         }},
        {"/userRegister",
         "{\"contact\":\"ct\",\"id_type\":0,\"password\":\"pw\",\"sex\":1,\"student_number\":\"sn\","
         "\"userID\":\"13800000000\",\"user_type\":2,\"username\":\"nm\"}\n",
         [](httpUtil& h, std::string& m) { return h.userRegister("13800000000", 0, 2, "pw", "nm", 1, "sn", "ct", m); }},
        {"/resetPassword", "{\"userID\":\"13800000000\"}\n",
         [](httpUtil& h, std::string& m) { return h.resetPassword("13800000000", m); }},
        {"/sendSMS", "{\"PhoneNumbers\":\"13800000000\",\"code\":\"0427\"}\n",
         [](httpUtil& h, std::string& m) { return h.sendSMS("13800000000", "0427", m); }},
        {"/changePassword", "{\"id\":12,\"new_password\":\"n\",\"password\":\"o\"}\n",
         [](httpUtil& h, std::string& m) { return h.changePassword(12, "o", "n", m); }},
        {"/deleteUser", "{\"id\":12,\"password\":\"p\"}\n",
         [](httpUtil& h, std::string& m) { return h.deleteUser(12, "p", m); }},
    };
    for (const Case& c : cases) {
        server->clearRequests();
        server->setDefaultReply(200, "{\"returnCode\":0,\"returnMsg\":\"好的\"}");
        std::string msg;
        EXPECT_EQ(c.call(*client, msg), 0) << c.path;
        EXPECT_EQ(msg, "好的") << c.path;
        const auto requests = server->requests();
        ASSERT_EQ(requests.size(), 1u) << c.path;
        EXPECT_EQ(requests[0].method, "POST");
        EXPECT_EQ(requests[0].path, "/svc" + c.path);
        EXPECT_EQ(requests[0].body, c.body) << c.path;
        EXPECT_EQ(requests[0].header("content-type"), "application/json;charset=UTF-8");
        EXPECT_EQ(requests[0].header("user-agent"), "libcurl-agent/1.0");
        EXPECT_FALSE(requests[0].hasHeader("authorization")) << c.path;

        // Any other code is the operation's result, with the service's text.
        server->setDefaultReply(200, "{\"returnCode\":3,\"returnMsg\":\"服务繁忙\"}");
        EXPECT_EQ(c.call(*client, msg), 3) << c.path;
        EXPECT_EQ(msg, "服务繁忙");
    }
}

TEST_F(HttpTest, TextsAreSentAsUtf8AndNonAsciiIsEscaped)
{
    std::string msg;
    ASSERT_EQ(client->addSuggest("AA", "错题 \"x\"", msg), 0);
    EXPECT_EQ(server->requests().at(0).body, "{\"mac\":\"AA\",\"suggest\":\"\\u9519\\u9898 \\\"x\\\"\"}\n");
}

TEST_F(HttpTest, VersionAndNoticeAreReadAndLinesAppended)
{
    server->setReply("/svc/getVersion", 200,
                     "{\"returnCode\":0,\"returnMsg\":\"\",\"data\":{\"version\":\"2.0.10\",\"title\":\"新版本\","
                     "\"url\":\"http://x/d\",\"information\":[\"a\",\"b\"]}}");
    server->setReply("/svc/getAdvertisement", 200,
                     "{\"returnCode\":0,\"data\":{\"title\":\"通知\",\"url\":\"http://x/n\","
                     "\"information\":[\"<a href='http://x'>x</a>\"]}}");
    _version_t version;
    version.information = {"old1", "old2"};
    std::string msg = "before";
    ASSERT_EQ(client->getVersion(2, version, msg), 0);
    EXPECT_EQ(msg, "");
    EXPECT_EQ(version.version, "2.0.10");
    EXPECT_EQ(version.title, "新版本");
    EXPECT_EQ(version.url, "http://x/d");
    EXPECT_EQ(version.information, (std::vector<std::string>{"old1", "old2", "a", "b"}));

    _advertisement_t notice;
    ASSERT_EQ(client->getAdvertisement(2, notice, msg), 0);
    EXPECT_EQ(notice.title, "通知");
    EXPECT_EQ(notice.url, "http://x/n");
    EXPECT_EQ(notice.information, (std::vector<std::string>{"<a href='http://x'>x</a>"}));

    // Missing members read as empty; a refused call leaves the record alone.
    server->setReply("/svc/getAdvertisement", 200, "{\"returnCode\":0,\"data\":{}}");
    ASSERT_EQ(client->getAdvertisement(2, notice, msg), 0);
    EXPECT_EQ(notice.title, "");
    EXPECT_EQ(notice.information.size(), 1u);
    server->setReply("/svc/getVersion", 200,
                     "{\"returnCode\":1,\"returnMsg\":\"no\",\"data\":{\"version\":\"9\",\"information\":[\"z\"]}}");
    EXPECT_EQ(client->getVersion(2, version, msg), 1);
    EXPECT_EQ(msg, "no");
    EXPECT_EQ(version.version, "2.0.10");
    EXPECT_EQ(version.information.size(), 4u);
}

TEST_F(HttpTest, LoginFillsTheUserAndLaterRequestsCarryTheToken)
{
    server->setReply("/svc/userLogin", 200,
                     "{\"returnCode\":0,\"returnMsg\":\"登录成功\",\"data\":{\"id\":42,\"userID\":\"13800000000\","
                     "\"id_type\":1,\"user_type\":2,\"password\":\"tok-123\",\"username\":\"小明\",\"sex\":1,"
                     "\"school_id\":9,\"contact\":\"qq\",\"student_number\":\"s1\","
                     "\"registration_time\":\"2020-01-01\",\"login_time\":\"2020-02-02\"}}");
    _user_t user;
    std::string msg;
    ASSERT_EQ(client->userLogin("13800000000", "digest", user, msg), 0);
    EXPECT_EQ(msg, "登录成功");
    EXPECT_EQ(user.id, 42);
    EXPECT_EQ(user.userID, "13800000000");
    EXPECT_EQ(user.id_type, 1);
    EXPECT_EQ(user.user_type, 2);
    EXPECT_EQ(user.password, "tok-123");
    EXPECT_EQ(user.username, "小明");
    EXPECT_EQ(user.sex, 1);
    EXPECT_EQ(user.school_id, 9);
    EXPECT_EQ(user.contact, "qq");
    EXPECT_EQ(user.student_number, "s1");
    EXPECT_EQ(user.registration_time, "2020-01-01");
    EXPECT_EQ(user.login_time, "2020-02-02");
    EXPECT_EQ(client->token(), "tok-123");

    server->clearRequests();
    ASSERT_EQ(client->addSuggest("m", "text", msg), 0);
    ASSERT_EQ(client->fileDownload(1, "d", "f.txt", testenv::appDataRoot().toStdString(), msg), 0);
    const auto requests = server->requests();
    ASSERT_EQ(requests.size(), 2u);
    for (const auto& request : requests)
        EXPECT_EQ(request.header("authorization"), "tok-123");

    // A refused login keeps the user record and the token as they were.
    server->setReply("/svc/userLogin", 200, "{\"returnCode\":2,\"returnMsg\":\"密码错误\",\"data\":{\"id\":7}}");
    EXPECT_EQ(client->userLogin("13800000000", "bad", user, msg), 2);
    EXPECT_EQ(msg, "密码错误");
    EXPECT_EQ(user.id, 42);
    EXPECT_EQ(client->token(), "tok-123");
}

TEST_F(HttpTest, MalformedRepliesAreFailuresAndTouchNothing)
{
    struct Case {
        int status;
        std::string body;
        std::string msg;
    };
    const std::string parse = "parse json error";
    const Case cases[] = {
        {200, "[]", parse},
        {200, "\"x\"", parse},
        {200, "x", parse},
        {200, "{}", parse},
        {200, "", parse},
        {200, "{\"returnCode\":\"a\"}", parse},
        {200, "{\"returnCode\":\"0\",\"returnMsg\":\"m\"}", parse},
        {200, "{\"returnCode\":1.5}", parse},
        {200, "{\"returnCode\":0,\"returnMsg\":{}}", parse},
        {200, "{\"returnCode\":0,\"data\":[]}", parse},
        {200, "{\"returnCode\":0,\"data\":\"v\"}", parse},
        {200, "{\"returnCode\":0,\"data\":{\"information\":{}}}", parse},
        {200, "{\"returnCode\":0,\"data\":{\"information\":[\"ok\",3]}}", parse},
        {200, "{\"returnCode\":0,\"data\":{\"title\":5,\"information\":[\"ok\"]}}", parse},
        {200, "{\"returnCode\":0,\"data\":{\"version\":[\"2\"]}}", parse},
        {200, "{\"returnCode\":0,\"data\":{\"information\":\"x\"}}", parse},
        {200, "{\"returnCode\":0,\"data\":{\"info", parse},
        {404, kOk, "res_code:404 未知的错误"},
        {500, "", "res_code:500 未知的错误"},
    };
    for (const Case& c : cases) {
        server->setReply("/svc/getVersion", c.status, c.body);
        _version_t version;
        version.title = "kept";
        version.information = {"one"};
        std::string msg;
        EXPECT_EQ(client->getVersion(2, version, msg), -1) << c.body;
        EXPECT_EQ(msg, c.msg) << c.body;
        EXPECT_EQ(version.title, "kept") << c.body;
        EXPECT_EQ(version.information, std::vector<std::string>{"one"}) << c.body;
    }

    server->setReply("/svc/userLogin", 200,
                     "{\"returnCode\":0,\"data\":{\"id\":\"7\",\"user_type\":2,\"password\":\"tok\"}}");
    _user_t user;
    user.id = 5;
    std::string msg;
    EXPECT_EQ(client->userLogin("1", "2", user, msg), -1);
    EXPECT_EQ(msg, parse);
    EXPECT_EQ(user.id, 5);
    EXPECT_EQ(client->token(), "");
}

TEST_F(HttpTest, TransportFailuresGiveTheirTexts)
{
    // Nothing listens: refused at once.
    client->port = closedLoopbackPort();
    std::string response = "unchanged";
    std::string msg;
    EXPECT_EQ(client->post("/x", "{}", response, msg), -1);
    EXPECT_EQ(msg, " 无法通过连接至主机或代理服务器。");
    EXPECT_EQ(response, "unchanged");

    // No address configured (the default settings): libcurl refuses the URL.
    client->host.clear();
    client->port = 0;
    client->project.clear();
    msg.clear();
    std::string unused;
    EXPECT_EQ(client->addSuggest("m", "s", msg), -1);
    EXPECT_FALSE(msg.empty());
    EXPECT_EQ(msg[0], ' ');
}

TEST_F(HttpTest, UnansweredPostTimesOut)
{
    SilentServer silent;
    client->port = silent.port();
    std::string response;
    std::string msg;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(client->post("/x", "{}", response, msg), -1);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(msg, " 操作超时。");
    EXPECT_LT(elapsed, std::chrono::seconds(20));
}

namespace {

// A loopback listener whose connections are taken and never answered.
class Listener {
public:
    Listener() { fd_ = listenOnLoopback(&port_); }
    ~Listener()
    {
        for (int fd : taken_)
            ::close(fd);
        ::close(fd_);
    }
    int port() const { return port_; }
    // Takes the next connection; false when none came within `ms`.
    bool take(int ms)
    {
        pollfd ready{fd_, POLLIN, 0};
        if (::poll(&ready, 1, ms) != 1)
            return false;
        const int fd = ::accept(fd_, nullptr, nullptr);
        if (fd >= 0)
            taken_.push_back(fd);
        return fd >= 0;
    }

private:
    int fd_ = -1;
    int port_ = 0;
    std::vector<int> taken_;
};

}  // namespace

TEST_F(HttpTest, CancelEndsThePostInProgressAndEveryLaterCall)
{
    Listener listener;
    ASSERT_GT(listener.port(), 0);
    httpUtil own;  // the shared client is never cancelled
    own.host = "127.0.0.1";
    own.port = listener.port();
    own.project = "svc";
    std::string msg;
    auto posted = std::async(std::launch::async, [&] {
        std::string response;
        return own.post("/x", "{}", response, msg);
    });
    // The request is on its way and unanswered: cancel it from here.
    ASSERT_TRUE(listener.take(30000));
    own.cancel();
    ASSERT_EQ(posted.wait_for(std::chrono::seconds(30)), std::future_status::ready) << "the post was not cut off";
    EXPECT_EQ(posted.get(), -1);
    EXPECT_EQ(msg, std::string(" ") + curlErrorText(42));

    // Later calls fail at once, without connecting.
    std::string response;
    EXPECT_EQ(own.post("/y", "{}", response, msg), -1);
    EXPECT_EQ(msg, std::string(" ") + curlErrorText(42));
    EXPECT_FALSE(listener.take(0));

    // The shared client still works.
    EXPECT_EQ(client->post("/z", "{}", response, msg), 0) << msg;
}

TEST_F(HttpTest, DownloadReplacesTheFileOnlyAfterACompleteReply)
{
    const QString dir = testenv::appDataRoot() + QStringLiteral("/dl");
    ASSERT_TRUE(QDir().mkpath(dir));
    const QString target = dir + QStringLiteral("/original.jpg");

    server->setReply("/svc/fileDownload/3/d/original.jpg", 200, std::string("JPEG\0data", 9));
    std::string msg;
    ASSERT_EQ(client->fileDownload(3, "d", "original.jpg", dir.toStdString(), msg), 0);
    EXPECT_EQ(readFile(target), std::string("JPEG\0data", 9));
    EXPECT_TRUE(QFileInfo(target).permissions() & QFileDevice::ReadOther);
    auto requests = server->requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].path, "/svc/fileDownload/3/d/original.jpg");
    EXPECT_EQ(requests[0].header("content-type"), "application/json;charset=UTF-8");

    // A refused reply keeps the old file.
    server->setReply("/svc/fileDownload/3/d/original.jpg", 404, "not here");
    EXPECT_EQ(client->fileDownload(3, "d", "original.jpg", dir.toStdString(), msg), -1);
    EXPECT_EQ(msg, "res_code 404 未知的错误");
    EXPECT_EQ(readFile(target), std::string("JPEG\0data", 9));

    // A broken connection keeps it too.
    client->port = closedLoopbackPort();
    EXPECT_EQ(client->fileDownload(3, "d", "original.jpg", dir.toStdString(), msg), -1);
    EXPECT_EQ(msg, "无法通过连接至主机或代理服务器。");
    EXPECT_EQ(readFile(target), std::string("JPEG\0data", 9));
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("original.jpg")});

    // A folder that does not exist fails before anything is sent.
    client->port = server->port();
    server->clearRequests();
    EXPECT_EQ(client->fileDownload(3, "d", "x.jpg", (dir + QStringLiteral("/none")).toStdString(), msg), -1);
    EXPECT_EQ(msg, "创建文件失败");
    EXPECT_TRUE(server->requests().empty());
}

TEST(CurlErrorText, CodesAndTheirTexts)
{
    const std::pair<int, std::string> cases[] = {
        {1, "您传送的网址使用了不支持的协议。 "},
        {3, "网址格式不正确。"},
        {6, "无法解析主机。 指定的远程主机无法解析。"},
        {7, "无法通过连接至主机或代理服务器。"},
        {28, "操作超时。"},
        {35, "同时使用 SSL/TLS 时可能会发生此错误。 "},
        {47, "重定向过多。"},
        {52, "服务器未返回任何数据，在相应情况下，未返回任何数据就属于出现错误。"},
        {55, "无法发送网络数据。"},
        {56, "接收网络数据失败。"},
        {0, "未知的错误"},
        {4, "未知的错误"},
        {51, "未知的错误"},
        {81, "未知的错误"},
        {-1, "未知的错误"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(curlErrorText(c.first), c.second) << c.first;

    const int without[] = {4, 10, 12, 16, 20, 24, 29, 32, 40, 44, 46, 50, 51, 57};
    int own = 0;
    for (int code = 1; code <= 80; ++code) {
        const bool none = std::find(std::begin(without), std::end(without), code) != std::end(without);
        EXPECT_EQ(std::string(curlErrorText(code)) == "未知的错误", none) << code;
        own += none ? 0 : 1;
    }
    EXPECT_EQ(own, 66);
}
