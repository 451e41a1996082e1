#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "TransferTestUtil.h"
#include "support/TestEnv.h"
#include "transfer/FileReceiveWidget.h"
#include "transfer/QRcodeWidget.h"
#include "transfer/QThumbnail.h"
#include "transfer/httpDialog.h"
#include "transfer/runHttpServer.h"
#include "ui/ModalRecorder.h"

using namespace transfertest;

TEST(FileReceiveWidget, ShowsProgressAgainstTheTotalAndNeverDividesByZero)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/a.png";
    FileReceiveWidget widget;
    widget.request_uploadfile(path);
    EXPECT_EQ(widget.label()->text(), QStringLiteral("已接收：1张"));
    widget.request_uploadTotalCount(0);
    widget.request_uploadfile(path);
    EXPECT_EQ(widget.label()->text(), QStringLiteral("已接收：1张"));
    widget.request_uploadTotalCount(4);
    widget.request_uploadfile(path);
    EXPECT_EQ(widget.label()->text(), QStringLiteral("正在接收： 25%"));
    widget.request_uploadfile(dir.path() + "/b.png");
    widget.request_uploadfile(dir.path() + "/c.png");
    EXPECT_EQ(widget.label()->text(), QStringLiteral("正在接收： 75%"));
    widget.request_uploadfile(dir.path() + "/d.png");
    EXPECT_EQ(widget.label()->text(), QStringLiteral("接收完成"));
    EXPECT_EQ(widget.received(), 4);
    EXPECT_EQ(widget.thumbnail()->count(), 4);  // a.png once
}

TEST(QRcodeWidget, ReadsItsAddressesAnewAndReportsFailures)
{
    testenv::prepareDataFolder();
    ModalRecorder modals;
    {
        LoopbackTransfer loopback({"192.168.3.4", "10.1.1.1"});
        QRcodeWidget widget;
        widget.setPort(8080);
        widget.updateQRcode();
        widget.updateQRcode();
        EXPECT_EQ(widget.addresses(), (std::vector<std::string>{"192.168.3.4", "10.1.1.1"}));
        if (!qrcode::program().isEmpty()) {
            EXPECT_EQ(widget.textLabel()->text(), QStringLiteral("请使用手机扫码"));
            EXPECT_EQ(modals.count(), 0);
        }
        qrcode::setProgram("/nonexistent/zint");
        widget.updateQRcode();
        qrcode::setProgram(QString());
        EXPECT_EQ(modals.last().text, QStringLiteral("生成二维码失败"));
        widget.on_help_clicked();
        EXPECT_EQ(modals.requests().back().title, QStringLiteral("使用帮助"));
    }
    LoopbackTransfer none({}, 0);
    QRcodeWidget widget;
    widget.updateQRcode();
    EXPECT_EQ(modals.last().text, QStringLiteral("无法获取主机信息"));
}

TEST(RunHttpServer, ListensOnTheTransferPortWhateverItIsToldAndStops)
{
    testenv::prepareDataFolder();
    LoopbackTransfer loopback;
    QTemporaryDir dir;
    writeFile(dir.path() + "/index.html", "page");
    std::thread thread(
        [&] { runHttpServer(dir.path().toUtf8().constData(), 1234, nullptr, nullptr, nullptr, nullptr); });
    ASSERT_TRUE(waitUntil([] { return httpServerPort() != 0; }));
    const int port = httpServerPort();
    EXPECT_NE(port, 1234);
    EXPECT_EQ(get(port, "/").body, "page");
    stopHttpServer();
    thread.join();
    EXPECT_EQ(httpServerPort(), 0);

    // A stop that comes first is kept for the next server, which ends at once.
    stopHttpServer();
    auto ended = std::async(std::launch::async, [&] {
        return runHttpServer(dir.path().toUtf8().constData(), 0, nullptr, nullptr, nullptr, nullptr);
    });
    ASSERT_EQ(ended.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(ended.get(), 0);
    discardHttpServerStop();
}

TEST(HttpDialog, ShowsTheReceivingPageAndReadsUploadsDefensively)
{
    testenv::prepareDataFolder();
    QDir(QStringLiteral("tmp")).removeRecursively();
    QDir().mkpath(QStringLiteral("tmp"));
    LoopbackTransfer loopback;
    QTemporaryDir root;
    writeFile(root.path() + "/index.html", "upload page");
    {
        httpDialog dialog(root.path());
        EXPECT_EQ(dialog.currentIndex(), 0);
        ASSERT_EQ(dialog.startServer(), 0);
        EXPECT_EQ(dialog.startServer(), -1);
        ASSERT_TRUE(waitUntil([] { return httpServerPort() != 0; }));
        const int port = httpServerPort();
        EXPECT_EQ(get(port, "/").body, "upload page");
        ASSERT_TRUE(waitUntil([&] { return dialog.currentIndex() == 1; }));

        EXPECT_EQ(post(port, "/uploadTotalCount", "{\"total_number\":2}").status, 200);
        const std::string one = pngBytes(6, 4, Qt::red);
        const std::string two = pngBytes(6, 4, Qt::blue);
        EXPECT_EQ(post(port, "/uploadfile", fileBody("../p.png", one)).status, 200);
        EXPECT_EQ(post(port, "/uploadfile", fileBody("p.png", two)).status, 200);
        EXPECT_EQ(post(port, "/uploadfile", "{\"filename\":\"\",\"img\":\"AAAA\"}").status, 200);
        FileReceiveWidget* receive = dialog.receiveWidget();
        ASSERT_TRUE(waitUntil([&] { return receive->received() == 2; }));
        EXPECT_EQ(receive->label()->text(), QStringLiteral("接收完成"));
        EXPECT_EQ(readFile("tmp/p.png"), one);
        EXPECT_EQ(readFile("tmp/p_2.png"), two);
        EXPECT_FALSE(QFileInfo::exists("p.png"));
        EXPECT_EQ(receive->thumbnail()->count(), 2);
    }
    // The destructor stopped the server and joined its thread.
    EXPECT_EQ(httpServerPort(), 0);
    discardHttpServerStop();
}
