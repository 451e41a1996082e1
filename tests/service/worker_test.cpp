#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QThread>
#include <QUrl>

#include <json/json.h>

#include <mutex>

#include "ServiceFixture.h"
#include "core/AppContext.h"
#include "core/Settings.h"
#include "core/Utils.h"
#include "service/Infomation.h"
#include "service/WorkerClient.h"
#include "ui/ModalRecorder.h"

namespace {

// Runs doWork on a thread of its own, as the main window does, and returns
// the signals in the order they were emitted.
std::vector<std::string> runWorker(WorkerClient& worker)
{
    std::vector<std::string> signalsSeen;
    std::mutex mutex;
    auto note = [&](const std::string& name) {
        std::lock_guard<std::mutex> lock(mutex);
        signalsSeen.push_back(name);
    };
    QThread thread;
    worker.moveToThread(&thread);
    QObject::connect(&thread, &QThread::started, &worker, &WorkerClient::doWork);
    QObject::connect(
        &worker, &WorkerClient::sgn_update, &worker, [&] { note("update"); }, Qt::DirectConnection);
    QObject::connect(
        &worker, &WorkerClient::sgn_advertisement, &worker, [&] { note("advertisement"); }, Qt::DirectConnection);
    QObject::connect(
        &worker, &WorkerClient::sgn_exit, &worker, [&](int code) { note("exit " + std::to_string(code)); },
        Qt::DirectConnection);
    QObject::connect(&worker, &WorkerClient::sgn_exit, &thread, &QThread::exit, Qt::DirectConnection);
    thread.start();
    EXPECT_TRUE(thread.wait(30000));
    worker.moveToThread(QThread::currentThread());
    std::lock_guard<std::mutex> lock(mutex);
    return signalsSeen;
}

Json::Value parse(const std::string& body)
{
    Json::Value root;
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    reader->parse(body.data(), body.data() + body.size(), &root, nullptr);
    return root;
}

}  // namespace

class WorkerTest : public ServiceTest {
protected:
    void SetUp() override
    {
        ServiceTest::SetUp();
        AppContext* context = AppContext::instance();
        context->user.username = "小明";
        context->user.sex = 1;
        context->user.student_number = "2020-01";
        context->user.contact = "qq 123";
        context->grade.name = "七年级";
        context->term.name = "上学期";
        server->setReply("/svc/getVersion", 200,
                         "{\"returnCode\":0,\"data\":{\"version\":\"2.0.10\",\"title\":\"t\","
                         "\"information\":[\"l1\"],\"url\":\"http://u\"}}");
        server->setReply("/svc/getAdvertisement", 200,
                         "{\"returnCode\":0,\"data\":{\"title\":\"通知\",\"information\":[\"n1\",\"n2\"],"
                         "\"url\":\"http://n\"}}");
    }
};

TEST_F(WorkerTest, ReportsChecksTheVersionAndFetchesTheNotice)
{
    std::string adapter;
    const bool hasAdapter = getMacAddress(adapter) == 0 && !adapter.empty();
    setIniValue(QStringLiteral("import_times"), 17);

    WorkerClient worker;
    EXPECT_EQ(runWorker(worker), (std::vector<std::string>{"update", "advertisement", "exit 0"}));

    // The first start stores the adapter address.
    EXPECT_EQ(getIniValue<QString>(QStringLiteral("mac"), QStringLiteral("<none>")).toStdString(),
              hasAdapter ? adapter : std::string());
    const auto requests = server->requests();
    std::vector<std::string> expected;
    if (hasAdapter)
        expected.push_back("/svc/addUserInfo");
    expected.push_back("/svc/getVersion");
    expected.push_back("/svc/getAdvertisement");
    EXPECT_EQ(server->paths(), expected);
    if (hasAdapter) {
        const Json::Value report = parse(requests[0].body);
        EXPECT_EQ(report["mac"].asString(), adapter);
        EXPECT_EQ(report["app_type"], 2);
        EXPECT_EQ(report["app_version"].asString(), "2.0.8");
        EXPECT_EQ(report["machine_name"].asString(), getComputerName());
        EXPECT_EQ(report["username"].asString(), "小明");
        EXPECT_EQ(report["sex"], 1);
        EXPECT_EQ(report["grade"].asString(), "七年级");
        EXPECT_EQ(report["term"].asString(), "上学期");
        EXPECT_EQ(report["student_number"].asString(), "2020-01");
        EXPECT_EQ(report["contact"].asString(), "qq 123");
        EXPECT_EQ(report["import_times"], 17);
    }
    EXPECT_EQ(worker.version.version, "2.0.10");
    EXPECT_EQ(worker.version.information, std::vector<std::string>{"l1"});
    EXPECT_EQ(worker.advertisement.title, "通知");
    EXPECT_EQ(worker.advertisement.information, (std::vector<std::string>{"n1", "n2"}));
}

TEST_F(WorkerTest, StoredAddressIsSentAndAutoUpdateOffSkipsTheVersion)
{
    setIniValue(QStringLiteral("mac"), QStringLiteral("0A-0B-0C-0D-0E-0F"));
    setIniValue(QStringLiteral("auto_update"), 0);
    WorkerClient worker;
    EXPECT_EQ(runWorker(worker), (std::vector<std::string>{"advertisement", "exit 0"}));
    EXPECT_EQ(server->paths(), (std::vector<std::string>{"/svc/addUserInfo", "/svc/getAdvertisement"}));
    EXPECT_EQ(parse(server->requests()[0].body)["mac"].asString(), "0A-0B-0C-0D-0E-0F");
    EXPECT_TRUE(worker.version.version.empty());
}

TEST_F(WorkerTest, FailedCallsOnlyOmitTheirSignals)
{
    setIniValue(QStringLiteral("mac"), QStringLiteral("0A-0B-0C-0D-0E-0F"));
    struct Case {
        int status;
        std::string version;
        std::string notice;
        std::vector<std::string> signalsSeen;
    };
    const Case cases[] = {
        {200, "{\"returnCode\":1,\"returnMsg\":\"none\"}", "{\"returnCode\":0}", {"advertisement", "exit 0"}},
        {200, "{\"returnCode\":0}", "[1]", {"update", "exit 0"}},
        {200, "{\"returnCode\":0,\"data\":[]}", "{\"returnCode\":0,\"data\":{\"information\":5}}", {"exit 0"}},
        {503, "{\"returnCode\":0}", "{\"returnCode\":0}", {"exit 0"}},
    };
    for (const Case& c : cases) {
        server->setDefaultReply(c.status, "{\"returnCode\":0}");
        server->setReply("/svc/addUserInfo", c.status, "{\"returnCode\":0}");
        server->setReply("/svc/getVersion", c.status, c.version);
        server->setReply("/svc/getAdvertisement", c.status, c.notice);
        WorkerClient worker;
        EXPECT_EQ(runWorker(worker), c.signalsSeen) << c.version << " " << c.notice;
    }

    // No service configured: every call fails at once and the worker ends.
    client->host.clear();
    client->port = 0;
    WorkerClient worker;
    EXPECT_EQ(runWorker(worker), std::vector<std::string>{"exit 0"});
}

TEST(InfomationDialog, ButtonsFollowTheTextsGiven)
{
    struct Case {
        QString accept;
        QString reject;
        QStringList captions;
    };
    const Case cases[] = {
        {QStringLiteral("官网下载"),
         QStringLiteral("下次再说"),
         {QStringLiteral("官网下载"), QStringLiteral("下次再说")}},
        {QStringLiteral("详情"), QString(), {QStringLiteral("详情")}},
        {QString(), QString(), {}},
    };
    for (const Case& c : cases) {
        Infomation dialog(QStringLiteral("新版本"),
                          {QStringLiteral("第一行"), QStringLiteral("<a href='http://127.0.0.1/'>链接</a>")}, c.accept,
                          c.reject, nullptr);
        EXPECT_EQ(dialog.windowFlags() & Qt::FramelessWindowHint, Qt::FramelessWindowHint);
        const auto labels = dialog.findChildren<QLabel*>();
        ASSERT_EQ(labels.size(), 3);
        EXPECT_EQ(labels[0]->text(), QStringLiteral("<h3>新版本</h3>"));
        EXPECT_FALSE(labels[2]->openExternalLinks());  // the dialog opens its links itself
        EXPECT_TRUE(labels[2]->wordWrap());
        QStringList captions;
        for (QAbstractButton* button : dialog.findChild<QDialogButtonBox*>()->buttons())
            captions << button->text();
        EXPECT_EQ(captions, c.captions);
    }

    // exec() gives 1 for the accept button, 0 for the other.
    ModalRecorder modals;
    for (int which : {0, 1}) {
        Infomation dialog(QStringLiteral("t"), {}, QStringLiteral("详情"), QStringLiteral("关闭"), nullptr);
        modals.onDialog([which](QDialog& shown) {
            for (QAbstractButton* button : shown.findChild<QDialogButtonBox*>()->buttons())
                if (button->text() == (which == 1 ? QStringLiteral("详情") : QStringLiteral("关闭")))
                    button->click();
            return shown.result();
        });
        EXPECT_EQ(modal::exec(dialog), which);
    }
}

// A link inside the lines opens like the notice's own link: http and https
// addresses go to the browser, anything else is refused.
TEST(InfomationDialog, LinksInTheLinesOpenOnlyWebAddresses)
{
    struct Case {
        const char* href;
        bool opened;
    };
    const Case cases[] = {
        {"http://127.0.0.1/notice", true}, {"https://example.com/a?b=1", true}, {"file:///etc/passwd", false},
        {"javascript:alert(1)", false},    {"/usr/bin/xterm", false},           {"mailto:a@example.com", false},
    };
    ModalRecorder modals;
    for (const Case& c : cases) {
        const QString href = QString::fromUtf8(c.href);
        Infomation dialog(QStringLiteral("通知"), {QStringLiteral("<a href='%1'>链接</a>").arg(href)},
                          QStringLiteral("详情"), QString(), nullptr);
        const auto labels = dialog.findChildren<QLabel*>();
        ASSERT_EQ(labels.size(), 2);
        modals.clear();
        emit labels[1]->linkActivated(href);
        const auto opened = modals.ofKind(modal::Kind::Url);
        ASSERT_EQ(opened.size(), c.opened ? 1u : 0u) << c.href;
        if (c.opened) {
            EXPECT_EQ(opened[0].url, QUrl(href)) << c.href;
        }
    }
}

// A thread asked to stop before the worker runs sends nothing and still ends.
TEST_F(WorkerTest, StopRequestSkipsTheRemainingCalls)
{
    setIniValue(QStringLiteral("mac"), QStringLiteral("0A-0B-0C-0D-0E-0F"));
    WorkerClient worker;
    QThread thread;
    worker.moveToThread(&thread);
    // (start() clears an earlier request, so ask as soon as the thread runs.)
    QObject::connect(
        &thread, &QThread::started, &thread, [&] { thread.requestInterruption(); }, Qt::DirectConnection);
    QObject::connect(&thread, &QThread::started, &worker, &WorkerClient::doWork);
    int exits = 0;
    QObject::connect(
        &worker, &WorkerClient::sgn_exit, &worker, [&](int) { ++exits; }, Qt::DirectConnection);
    QObject::connect(&worker, &WorkerClient::sgn_exit, &thread, &QThread::exit, Qt::DirectConnection);
    thread.start();
    ASSERT_TRUE(thread.wait(30000));
    EXPECT_EQ(exits, 1);
    EXPECT_TRUE(server->paths().empty());
}
