#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "TransferTestUtil.h"
#include "core/Settings.h"
#include "support/TestEnv.h"
#include "transfer/QRcodeDialog.h"
#include "transfer/QThumbnail.h"
#include "transfer/UploadReceiver.h"
#include "transfer/httpUploadDialog.h"
#include "ui/ModalRecorder.h"

using namespace transfertest;

namespace {

std::string base64(const std::string& bytes)
{
    return QByteArray::fromStdString(bytes).toBase64().toStdString();
}

std::string fileBody(const std::string& name, const std::string& bytes, const std::string& prefix = "")
{
    return "{\"returnCode\":0,\"filename\":\"" + name + "\",\"img\":\"" + prefix + base64(bytes) + "\"}";
}

std::string pngBytes(int width, int height, QColor color)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

// Every file below `folder`, relative to it.
QStringList filesBelow(const QString& folder)
{
    QStringList out;
    QDir dir(folder);
    for (const QFileInfo& info : dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
        if (info.isDir()) {
            for (const QString& inner : filesBelow(info.filePath()))
                out << info.fileName() + QLatin1Char('/') + inner;
        } else {
            out << info.fileName();
        }
    }
    out.sort();
    return out;
}

struct BodyCase {
    const char* uri;
    std::string body;
    UploadReceiver::Kind kind;
    int count;            // Kind::Count
    const char* written;  // Kind::File: the name written inside the folder
};

}  // namespace

TEST(UploadReceiver, ReadsEveryBodyDefensivelyAndWritesOnlyInsideItsFolder)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/data/tmp");
    QDir().mkpath(folder);
    UploadReceiver receiver(folder);
    const std::string picture = std::string("\x89PNG\0\x01\x02", 7) + "rest";
    const BodyCase cases[] = {
        {"/uploadfile", "not json", UploadReceiver::Kind::Error, 0, nullptr},
        {"/uploadfile", "[]", UploadReceiver::Kind::Error, 0, nullptr},
        {"/uploadfile", "{\"filename\":3,\"img\":\"AAAA\"}", UploadReceiver::Kind::Error, 0, nullptr},
        {"/uploadfile", "{\"filename\":\"a.jpg\",\"img\":[1]}", UploadReceiver::Kind::Error, 0, nullptr},
        {"/uploadfile", "{\"returnCode\":\"0\",\"filename\":\"a.jpg\",\"img\":\"AAAA\"}", UploadReceiver::Kind::Error,
         0, nullptr},
        {"/uploadTotalCount", "not json", UploadReceiver::Kind::Error, 0, nullptr},
        {"/uploadTotalCount", "[]", UploadReceiver::Kind::Error, 0, nullptr},
        {"/uploadTotalCount", "{\"total_number\":\"3\"}", UploadReceiver::Kind::Error, 0, nullptr},
        {"/uploadTotalCount", "{\"total_number\":-1}", UploadReceiver::Kind::Error, 0, nullptr},
        {"/uploadTotalCount", "{\"total_number\":3}", UploadReceiver::Kind::Count, 3, nullptr},
        {"/uploadTotalCount", "{\"total_number\":0}", UploadReceiver::Kind::Count, 0, nullptr},
        {"/uploadTotalCount?x=1", "{\"total_number\":3}", UploadReceiver::Kind::None, 0, nullptr},
        {"/other", "{}", UploadReceiver::Kind::None, 0, nullptr},
        {"/uploadfile", fileBody("../x.jpg", picture), UploadReceiver::Kind::File, 0, "x.jpg"},
        {"/uploadfile", fileBody("a/b.jpg", picture), UploadReceiver::Kind::File, 0, "b.jpg"},
        {"/uploadfile", fileBody("..\\\\c.jpg", picture), UploadReceiver::Kind::File, 0, "c.jpg"},
        {"/uploadfile", fileBody("", picture), UploadReceiver::Kind::Error, 0, nullptr},
        {"/uploadfile", fileBody("..", picture), UploadReceiver::Kind::Error, 0, nullptr},
        {"/uploadfile", fileBody("sub/.", picture), UploadReceiver::Kind::Error, 0, nullptr},
        {"/uploadfile", fileBody("c:x.jpg", picture), UploadReceiver::Kind::Error, 0, nullptr},
        {"/uploadfile", fileBody("a\\u0000b.jpg", picture), UploadReceiver::Kind::Error, 0, nullptr},
        {"/uploadfile", fileBody(std::string(256, 'n'), picture), UploadReceiver::Kind::Error, 0, nullptr},
        {"/uploadfile", fileBody("url.png", picture, "data:image/png;base64,"), UploadReceiver::Kind::File, 0,
         "url.png"},
        {"/uploadfile", fileBody("中文.jpg", picture), UploadReceiver::Kind::File, 0, "中文.jpg"},
        // The same name again keeps the first picture.
        {"/uploadfile", fileBody("x.jpg", picture), UploadReceiver::Kind::File, 0, "x_2.jpg"},
        {"/uploadfile", fileBody("x.jpg", picture), UploadReceiver::Kind::File, 0, "x_3.jpg"},
    };
    for (const BodyCase& c : cases) {
        SCOPED_TRACE(c.body.substr(0, 60));
        const UploadReceiver::Result result = receiver.receive(c.uri, c.body.data(), c.body.size());
        EXPECT_EQ(static_cast<int>(result.kind), static_cast<int>(c.kind));
        if (c.kind == UploadReceiver::Kind::Count) {
            EXPECT_EQ(result.count, c.count);
        }
        if (c.written) {
            EXPECT_EQ(result.path, folder + QLatin1Char('/') + QString::fromUtf8(c.written));
            EXPECT_TRUE(readFile(result.path) == picture);
        }
    }
    EXPECT_EQ(filesBelow(dir.path()),
              (QStringList{"data/tmp/b.jpg", "data/tmp/c.jpg", "data/tmp/url.png", "data/tmp/x.jpg", "data/tmp/x_2.jpg",
                           "data/tmp/x_3.jpg", "data/tmp/中文.jpg"}));
}

TEST(UploadReceiver, UnwritableFolderIsAnErrorNotAFile)
{
    UploadReceiver receiver(QStringLiteral("/nonexistent/tmp"));
    const std::string body = fileBody("a.jpg", "bytes");
    const UploadReceiver::Result result = receiver.receive("/uploadfile", body.data(), body.size());
    EXPECT_EQ(result.kind, UploadReceiver::Kind::Error);
    EXPECT_TRUE(result.path.isEmpty());
}

// The upload dialog on 127.0.0.1 with a real phone protocol client.
class UploadDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testenv::prepareDataFolder();
        setIniValue(QStringLiteral("first_run"), 5);
        QDir(QStringLiteral("tmp")).removeRecursively();
        QDir().mkpath(QStringLiteral("tmp"));
        modals.onDialog([this](QDialog& d) {
            if (d.windowTitle() == QStringLiteral("扫码"))
                return qrAnswer;
            return 0;
        });
    }

    // Builds the dialog and waits until its server is up and the QR code ran.
    std::unique_ptr<httpUploadDialog> open()
    {
        auto dialog = std::make_unique<httpUploadDialog>(nullptr);
        waitUntil([&] { return dialog->port() != 0 && modals.count(modal::Kind::Dialog) > 0; });
        return dialog;
    }

    LoopbackTransfer loopback;
    ModalRecorder modals;
    int qrAnswer = 1;
};

TEST_F(UploadDialogTest, PhoneLoadsThePageAnnouncesAndSendsPictures)
{
    auto dialog = open();
    const int port = dialog->port();
    ASSERT_NE(port, 0);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("手机上传"));
    ASSERT_NE(dialog->qrDialog(), nullptr);
    EXPECT_EQ(dialog->qrDialog()->address(), "http://127.0.0.1:" + std::to_string(port));

    const Reply page = get(port, "/");
    EXPECT_EQ(page.status, 200);
    EXPECT_NE(page.body.find("upload.js"), std::string::npos);
    EXPECT_EQ(get(port, "/upload.js").status, 200);
    ASSERT_TRUE(waitUntil([&] { return !dialog->statusLabel()->text().isEmpty(); }));
    EXPECT_EQ(dialog->statusLabel()->text(), QStringLiteral("<font size=\"6\" color=\"green\">●</font>连接成功!"));

    EXPECT_EQ(post(port, "/uploadTotalCount", "{\"total_number\":2}").status, 200);
    const std::string red = pngBytes(400, 100, Qt::red);
    const std::string blue = pngBytes(100, 400, Qt::blue);
    EXPECT_EQ(post(port, "/uploadfile", fileBody("red.png", red)).status, 200);
    EXPECT_EQ(post(port, "/uploadfile", fileBody("blue.png", blue)).status, 200);
    ASSERT_TRUE(waitUntil([&] { return dialog->getFiles().size() == 2; }));
    EXPECT_EQ(dialog->progressBar()->maximum(), 2);
    EXPECT_EQ(dialog->progressBar()->value(), 2);
    const QStringList files = dialog->getFiles();
    EXPECT_EQ(files.at(0), QDir::current().absoluteFilePath(QStringLiteral("tmp/red.png")));
    EXPECT_TRUE(readFile(files.at(0)) == red);
    EXPECT_TRUE(readFile(files.at(1)) == blue);
    EXPECT_EQ(dialog->thumbnail()->count(), 2);

    // "导入图片" accepts now and stops the server.
    for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
        if (button->text() == QStringLiteral("导入图片"))
            button->click();
    }
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(get(port, "/").status, 0);
}

TEST_F(UploadDialogTest, CountWithoutPageConnectsAndFilesWithoutCountStillAdvance)
{
    auto dialog = open();
    const int port = dialog->port();
    EXPECT_EQ(post(port, "/uploadfile", fileBody("one.png", pngBytes(10, 10, Qt::green))).status, 200);
    EXPECT_EQ(post(port, "/uploadfile", fileBody("one.png", pngBytes(10, 10, Qt::black))).status, 200);
    ASSERT_TRUE(waitUntil([&] { return dialog->getFiles().size() == 2; }));
    EXPECT_EQ(dialog->progressBar()->value(), 2);
    EXPECT_NE(dialog->getFiles().at(0), dialog->getFiles().at(1));

    EXPECT_EQ(post(port, "/uploadTotalCount", "{\"total_number\":0}").status, 200);
    ASSERT_TRUE(waitUntil([&] { return dialog->progressBar()->maximum() == 0; }));
    EXPECT_EQ(dialog->progressBar()->minimum(), 0);
    EXPECT_EQ(post(port, "/uploadTotalCount", "[]").status, 200);
    EXPECT_EQ(post(port, "/uploadfile", "{\"filename\":\"../../evil.jpg\",\"img\":7}").status, 200);
    ASSERT_TRUE(waitUntil([&] { return !dialog->statusLabel()->text().isEmpty(); }));
    EXPECT_EQ(dialog->getFiles().size(), 2);
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("../evil.jpg")));
}

TEST_F(UploadDialogTest, ImportWithoutPicturesKeepsTheDialogWithAHint)
{
    auto dialog = open();
    dialog->slot_ok_clicked();
    ASSERT_EQ(modals.count(), 1);
    EXPECT_EQ(modals.last().title, QStringLiteral("提示"));
    EXPECT_EQ(modals.last().text, QStringLiteral("请先使用手机上传图片!"));
    EXPECT_NE(dialog->result(), QDialog::Accepted);
    EXPECT_NE(dialog->port(), 0);
}

TEST_F(UploadDialogTest, ClosingTheQrCodeClosesTheDialog)
{
    qrAnswer = 0;
    auto dialog = std::make_unique<httpUploadDialog>(nullptr);
    dialog->setResult(-1);
    ASSERT_TRUE(waitUntil([&] { return dialog->result() == QDialog::Rejected; }));
    const int port = dialog->port();
    EXPECT_EQ(modals.count(modal::Kind::Dialog), 1);
    EXPECT_EQ(get(port, "/").status, 0);
    EXPECT_TRUE(dialog->getFiles().isEmpty());
}

TEST_F(UploadDialogTest, PageRequestBeforeTheQrCodeNeverTouchesAMissingDialog)
{
    httpUploadDialog dialog(nullptr);
    dialog.slot_document_request(QStringLiteral("index.html"));
    EXPECT_EQ(dialog.statusLabel()->text(), QStringLiteral("<font size=\"6\" color=\"green\">●</font>连接成功!"));
    dialog.slot_request(QStringLiteral("/uploadTotalCount"), UploadReceiver::Result());
}

TEST(UploadDialogFailures, NoLocalAddressRejectsWithAMessage)
{
    testenv::prepareDataFolder();
    LoopbackTransfer loopback({}, 0);
    ModalRecorder modals;
    httpUploadDialog dialog(nullptr);
    dialog.setResult(-1);
    ASSERT_TRUE(waitUntil([&] { return dialog.result() == QDialog::Rejected; }));
    ASSERT_EQ(modals.count(), 1);
    EXPECT_EQ(modals.last().text, QStringLiteral("获取本机IP地址失败!"));
    EXPECT_EQ(modals.count(modal::Kind::Dialog), 0);
}

TEST(UploadDialogFailures, PortInUseShowsTheServersMessageAndRejects)
{
    testenv::prepareDataFolder();
    BusyPort busy;
    LoopbackTransfer loopback;
    transfer::setEndpoint({"127.0.0.1", busy.port()});
    ModalRecorder modals;
    httpUploadDialog dialog(nullptr);
    dialog.setResult(-1);
    ASSERT_TRUE(waitUntil([&] { return dialog.result() == QDialog::Rejected; }));
    ASSERT_EQ(modals.count(), 1);
    EXPECT_EQ(modals.last().title, QStringLiteral("提示"));
    EXPECT_EQ(modals.last().text, QStringLiteral("couldn't bind to port : %1").arg(busy.port()));
}
