#include <QLabel>

#include <unistd.h>

#include <atomic>
#include <thread>

#include "MainWindowFixture.h"
#include "service/WorkerClient.h"
#include "service/http.h"
#include "support/Loopback.h"

namespace {

std::string versionReply(const std::string& version, const std::string& url)
{
    return "{\"returnCode\":0,\"data\":{\"version\":\"" + version +
           "\",\"title\":\"新版本\",\"information\":[\"修正了一些问题\"],\"url\":\"" + url + "\"}}";
}

class WorkerOffer : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        setIniValue(QStringLiteral("first_run"), 6);
        server = std::make_unique<ScriptedServer>();
        pointServiceAt(server->port());
        server->setReply("/svc/getAdvertisement", 404, "");
    }
    std::unique_ptr<ScriptedServer> server;
};

TEST_F(WorkerOffer, NewerVersionsAreOffered)
{
    struct Case {
        const char* version;
        bool offered;
    };
    const Case cases[] = {{"2.1.0", true}, {"2.0.10", true}, {"10.0.0", true}, {"2.0.8", false}, {"", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        server->setReply("/svc/getVersion", 200, versionReply(c.version, "https://example.com/download"));
        shown.clear();
        opened.clear();
        QStringList labels;
        onDialog = [&](QDialog& dialog) {
            for (QLabel* l : dialog.findChildren<QLabel*>())
                labels << l->text();
            return 1;  // 官网下载
        };
        start();
        waitForWorker();
        if (c.offered) {
            ASSERT_EQ(shown, QStringList{QStringLiteral("Infomation")});
            EXPECT_TRUE(labels.join(QString()).contains(QStringLiteral("新版本")));
            EXPECT_TRUE(labels.contains(QStringLiteral("修正了一些问题")));
            EXPECT_EQ(opened, QStringList{QStringLiteral("https://example.com/download")});
        } else {
            EXPECT_TRUE(shown.isEmpty());
            EXPECT_TRUE(opened.isEmpty());
        }
        window->close();
        window.reset();
    }
    EXPECT_EQ(server->paths().back(), "/svc/getAdvertisement");
}

TEST_F(WorkerOffer, OfferButtonsAndAddresses)
{
    struct Case {
        const char* url;
        int answer;  // 1 官网下载, 0 下次再说 or closed
        bool opened;
    };
    const Case cases[] = {
        {"http://example.com/x", 1, true},
        {"http://example.com/x", 0, false},
        {"file:///etc/passwd", 1, false},
        {"javascript:alert(1)", 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        server->setReply("/svc/getVersion", 200, versionReply("2.1.0", c.url));
        opened.clear();
        QStringList buttons;
        onDialog = [&](QDialog& dialog) {
            for (QAbstractButton* b : dialog.findChildren<QAbstractButton*>())
                buttons << b->text();
            return c.answer;
        };
        start();
        waitForWorker();
        EXPECT_TRUE(buttons.contains(QStringLiteral("官网下载")));
        EXPECT_TRUE(buttons.contains(QStringLiteral("下次再说")));
        EXPECT_EQ(opened.size(), c.opened ? 1 : 0);
        window->close();
        window.reset();
    }
}

TEST_F(WorkerOffer, NoticeReachesTheListAsPlainText)
{
    server->setReply("/svc/getVersion", 200, versionReply("2.0.8", "http://example.com"));
    server->setReply(
        "/svc/getAdvertisement", 200,
        "{\"returnCode\":0,\"data\":{\"title\":\"<b>期末</b>复习\",\"information\":[\"第一行\",\"第二行\"],"
        "\"url\":\"https://example.com/notice\"}}");
    start();
    waitForWorker();
    DetailcListWidget* list = window->questionList();
    EXPECT_EQ(list->notice().title, "<b>期末</b>复习");
    EXPECT_FALSE(list->noticeIcon()->pixmap(Qt::ReturnByValue).isNull());
    EXPECT_EQ(list->noticeLink()->text(), QStringLiteral("<a href=\"url\">&lt;b&gt;期末&lt;/b&gt;复习</a>"));

    // The link opens the notice dialog; 详情 opens the address.
    QStringList labels;
    onDialog = [&](QDialog& dialog) {
        for (QLabel* l : dialog.findChildren<QLabel*>())
            labels << l->text();
        for (QAbstractButton* b : dialog.findChildren<QAbstractButton*>())
            labels << b->text();
        return 1;
    };
    QMetaObject::invokeMethod(list, "labelAdvertise_linkActivated", Q_ARG(QString, QStringLiteral("url")));
    EXPECT_EQ(shown.last(), QStringLiteral("Infomation"));
    EXPECT_TRUE(labels.contains(QStringLiteral("第一行")));
    EXPECT_TRUE(labels.contains(QStringLiteral("详情")));
    EXPECT_TRUE(labels.contains(QStringLiteral("关闭")));
    EXPECT_FALSE(labels.join(QString()).contains(QStringLiteral("<b>期末")));
    EXPECT_EQ(opened, QStringList{QStringLiteral("https://example.com/notice")});

    onDialog = [](QDialog&) { return 0; };  // 关闭
    opened.clear();
    QMetaObject::invokeMethod(list, "labelAdvertise_linkActivated", Q_ARG(QString, QStringLiteral("url")));
    EXPECT_TRUE(opened.isEmpty());
}

// Accepts one connection and never answers it; once it has, it stops
// listening, so any later request is refused at once.
class HangingServer {
public:
    HangingServer()
    {
        listener = listenOnLoopback(&port);
        acceptor = std::thread([this] {
            held = ::accept(listener, nullptr, nullptr);
            ::shutdown(listener, SHUT_RDWR);
            ::close(listener);
            accepted = true;
        });
    }
    ~HangingServer()
    {
        if (!accepted) {
            ::shutdown(listener, SHUT_RDWR);  // wakes the acceptor
        }
        acceptor.join();
        if (held >= 0)
            ::close(held);
    }

    int port = 0;
    std::atomic<bool> accepted{false};

private:
    int listener = -1;
    int held = -1;
    std::thread acceptor;
};

TEST_F(MainWindowTest, ClosingWhileTheWorkerWaitsCutsItsCallShort)
{
    setIniValue(QStringLiteral("first_run"), 6);
    HangingServer server;
    pointServiceAt(server.port);
    start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.accepted.load(); }, 30000));
    ASSERT_TRUE(window->workerThread()->isRunning());

    // close() returns once the worker's thread has ended: its unanswered call
    // was cut off (not timed out) and the calls after it were left out.
    window->close();
    EXPECT_TRUE(window->workerThread()->isFinished());
    EXPECT_FALSE(window->isVisible());
    ASSERT_NE(window->workerClient(), nullptr);
    EXPECT_EQ(window->workerClient()->failures, std::vector<std::string>{std::string(" ") + curlErrorText(42)});
}

}  // namespace
