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
#include "support/HostilePictures.h"
#include "support/TestEnv.h"
#include "transfer/QRcodeDialog.h"
#include "transfer/QThumbnail.h"
#include "transfer/UploadReceiver.h"
#include "transfer/httpUploadDialog.h"
#include "ui/ModalRecorder.h"

using namespace transfertest;

namespace {

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

std::string encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes.toStdString();
}

QImage sample(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    image.setPixel(1, 1, qRgb(200, 10, 10));
    return image;
}

// A real JPEG whose frame header declares width x height instead.
std::string jpegDeclaring(int width, int height)
{
    std::string bytes = encoded(sample(16, 16), "JPG");
    const size_t frame = bytes.find("\xFF\xC0");
    if (frame == std::string::npos)
        return std::string();
    bytes[frame + 5] = static_cast<char>(height >> 8);
    bytes[frame + 6] = static_cast<char>(height & 0xFF);
    bytes[frame + 7] = static_cast<char>(width >> 8);
    bytes[frame + 8] = static_cast<char>(width & 0xFF);
    return bytes;
}

// A 1 x 1 GIF: a picture, but of no type the library takes.
const char kGifBytes[] = "GIF89a\x01\x00\x01\x00\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;";
const std::string kGif(kGifBytes, sizeof kGifBytes - 1);

struct BodyCase {
    const char* uri;
    std::string body;
    UploadReceiver::Kind kind;
    int status;
    int count;            // Kind::Count
    const char* written;  // Kind::File: the name written inside the folder
};

}  // namespace

// Every body a phone (or anything else on the network) may send: only
// pictures of the library's types are written, always under a new name,
// never outside the folder and never over a file that was there; everything
// else is answered with its error status.
TEST(UploadReceiver, KeepsOnlyPicturesUnderNewNamesAndAnswersEveryRefusal)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/data/tmp");
    const QString outside = dir.path() + QStringLiteral("/outside");
    QDir().mkpath(folder);
    QDir().mkpath(outside);
    // What tmp/ already holds: the QR code, a PDF page, a link to a file
    // outside and one to nothing (outside).
    writeFile(folder + "/qrcode.png", "qr");
    writeFile(folder + "/1_1.png", "page");
    writeFile(outside + "/keep.jpg", "keep");
    QFile::link(outside + "/keep.jpg", folder + "/ln.jpg");
    QFile::link(outside + "/evil.png", folder + "/link.png");

    UploadReceiver receiver(folder);
    const std::string png = encoded(sample(40, 30), "PNG");
    const std::string jpeg = encoded(sample(30, 40), "JPG");
    const std::string bmp = encoded(sample(8, 8), "BMP");
    // The picture door's files (see the door's own table).
    const auto bytes = [](const QByteArray& b) { return b.toStdString(); };
    const QByteArray photo = hostile::jpeg(300, 200);
    const std::string motion = bytes(photo + hostile::randomTrailer(3 << 20));
    const QByteArray wholeBmp = hostile::bmp(90, 60);
    const QByteArray inner = hostile::png(600, 400);
    // Names at the file-name limit (255 bytes): a number or an added suffix
    // shortens the stem by whole characters and keeps the suffix.
    QString han;
    for (int i = 0; i < 83; ++i)
        han += QChar(0x4E2D);
    const std::string longest = (han + QStringLiteral("a.jpg")).toStdString();  // 254 bytes
    const std::string longestSecond = (han + QStringLiteral("_2.jpg")).toStdString();
    const std::string noSuffix = (QStringLiteral("a") + han + QChar(0x4E2D)).toStdString();  // 253 bytes
    const std::string noSuffixWritten = (QStringLiteral("a") + han + QStringLiteral(".png")).toStdString();
    const std::string limit = std::string(251, 'n') + ".png";
    const std::string limitSecond = std::string(249, 'n') + "_2.png";
    using K = UploadReceiver::Kind;
    const BodyCase cases[] = {
        {"/uploadfile", "not json", K::Error, 400, 0, nullptr},
        {"/uploadfile", "[]", K::Error, 400, 0, nullptr},
        {"/uploadfile", "{\"filename\":3,\"img\":\"AAAA\"}", K::Error, 400, 0, nullptr},
        {"/uploadfile", "{\"filename\":\"a.jpg\",\"img\":[1]}", K::Error, 400, 0, nullptr},
        {"/uploadfile", "{\"returnCode\":\"0\",\"filename\":\"a.jpg\",\"img\":\"AAAA\"}", K::Error, 400, 0, nullptr},
        {"/uploadTotalCount", "not json", K::Error, 400, 0, nullptr},
        {"/uploadTotalCount", "[]", K::Error, 400, 0, nullptr},
        {"/uploadTotalCount", "{\"total_number\":\"3\"}", K::Error, 400, 0, nullptr},
        {"/uploadTotalCount", "{\"total_number\":-1}", K::Error, 400, 0, nullptr},
        {"/uploadTotalCount", "{\"total_number\":3}", K::Count, 200, 3, nullptr},
        {"/uploadTotalCount", "{\"total_number\":0}", K::Count, 200, 0, nullptr},
        {"/uploadTotalCount?x=1", "{\"total_number\":3}", K::None, 200, 0, nullptr},
        {"/other", "{}", K::None, 200, 0, nullptr},
        // Names: the last component only, hostile ones refused.
        {"/uploadfile", fileBody("../x.png", png), K::File, 200, 0, "x.png"},
        {"/uploadfile", fileBody("a/b.png", png), K::File, 200, 0, "b.png"},
        {"/uploadfile", fileBody("..\\\\c.png", png), K::File, 200, 0, "c.png"},
        {"/uploadfile", fileBody("", png), K::Error, 400, 0, nullptr},
        {"/uploadfile", fileBody("..", png), K::Error, 400, 0, nullptr},
        {"/uploadfile", fileBody("sub/.", png), K::Error, 400, 0, nullptr},
        {"/uploadfile", fileBody("c:x.png", png), K::Error, 400, 0, nullptr},
        {"/uploadfile", fileBody("a\\u0000b.png", png), K::Error, 400, 0, nullptr},
        {"/uploadfile", fileBody(std::string(256, 'n'), png), K::Error, 400, 0, nullptr},
        {"/uploadfile", fileBody("url.png", png, "data:image/png;base64,"), K::File, 200, 0, "url.png"},
        {"/uploadfile", fileBody("中文.jpg", jpeg), K::File, 200, 0, "中文.jpg"},
        {"/uploadfile", fileBody("b.BMP", bmp), K::File, 200, 0, "b.BMP"},
        // Contents: pictures of the library's types only.
        {"/uploadfile", fileBody("empty.jpg", ""), K::Error, 415, 0, nullptr},
        {"/uploadfile", fileBody("text.jpg", "just some text, not a picture"), K::Error, 415, 0, nullptr},
        {"/uploadfile", fileBody("cut.png", png.substr(0, 60)), K::Error, 415, 0, nullptr},
        {"/uploadfile", fileBody("anim.gif", kGif), K::Error, 415, 0, nullptr},
        {"/uploadfile", fileBody("bomb.jpg", jpegDeclaring(30000, 30000)), K::Error, 413, 0, nullptr},
        {"/uploadfile", fileBody("wide.jpg", jpegDeclaring(30001, 8)), K::Error, 413, 0, nullptr},
        {"/uploadfile", fileBody("photo.heic", jpeg), K::File, 200, 0, "photo.heic.jpg"},
        {"/uploadfile", fileBody("noext", png), K::File, 200, 0, "noext.png"},
        {"/uploadfile", fileBody("motion.jpg", motion), K::File, 200, 0, "motion.jpg"},
        {"/uploadfile", fileBody("meta.jpg", bytes(photo + "\xFF\xDA meta")), K::File, 200, 0, "meta.jpg"},
        {"/uploadfile", fileBody("prog.jpg", bytes(hostile::jpegProgressive(90, 60))), K::File, 200, 0, "prog.jpg"},
        {"/uploadfile", fileBody("cmyk.jpg", bytes(hostile::jpegCmyk(90, 60))), K::File, 200, 0, "cmyk.jpg"},
        {"/uploadfile", fileBody("deep.png", bytes(hostile::png16(90, 60))), K::File, 200, 0, "deep.png"},
        {"/uploadfile", fileBody("whole.bmp", bytes(wholeBmp)), K::File, 200, 0, "whole.bmp"},
        {"/uploadfile", fileBody("cut.jpg", bytes(hostile::jpegCutWithEnd(photo, 60))), K::Error, 415, 0, nullptr},
        {"/uploadfile", fileBody("cut.bmp", bytes(hostile::cut(wholeBmp, wholeBmp.size() / 3))), K::Error, 415, 0,
         nullptr},
        {"/uploadfile", fileBody("icon.png", bytes(hostile::icoHolding(inner))), K::Error, 415, 0, nullptr},
        {"/uploadfile", fileBody("drawing.png", bytes(hostile::svgShowing(inner))), K::Error, 415, 0, nullptr},
        {"/uploadfile", fileBody("scan.png", bytes(hostile::encoded(90, 60, "TIFF"))), K::Error, 415, 0, nullptr},
        {"/uploadfile", fileBody("web.jpg", bytes(hostile::encoded(90, 60, "WEBP"))), K::Error, 415, 0, nullptr},
        {"/uploadfile", fileBody(limit, png), K::File, 200, 0, limit.c_str()},
        {"/uploadfile", fileBody(limit, png), K::File, 200, 0, limitSecond.c_str()},
        {"/uploadfile", fileBody(longest, jpeg), K::File, 200, 0, longest.c_str()},
        {"/uploadfile", fileBody(longest, jpeg), K::File, 200, 0, longestSecond.c_str()},
        {"/uploadfile", fileBody(noSuffix, png), K::File, 200, 0, noSuffixWritten.c_str()},
        // Taken names: this receiver's own pictures and everything else alike.
        {"/uploadfile", fileBody("x.png", png), K::File, 200, 0, "x_2.png"},
        {"/uploadfile", fileBody("x.png", png), K::File, 200, 0, "x_3.png"},
        {"/uploadfile", fileBody("qrcode.png", png), K::File, 200, 0, "qrcode_2.png"},
        {"/uploadfile", fileBody("1_1.png", png), K::File, 200, 0, "1_1_2.png"},
        {"/uploadfile", fileBody("ln.jpg", jpeg), K::File, 200, 0, "ln_2.jpg"},
        {"/uploadfile", fileBody("link.png", png), K::File, 200, 0, "link_2.png"},
    };
    for (const BodyCase& c : cases) {
        SCOPED_TRACE(c.body.substr(0, 60));
        const UploadReceiver::Result result = receiver.receive(c.uri, c.body.data(), c.body.size());
        EXPECT_EQ(static_cast<int>(result.kind), static_cast<int>(c.kind));
        EXPECT_EQ(result.status, c.status);
        if (c.kind == K::Count) {
            EXPECT_EQ(result.count, c.count);
        }
        if (c.written) {
            EXPECT_EQ(result.path, folder + QLatin1Char('/') + QString::fromUtf8(c.written));
            EXPECT_FALSE(QFileInfo(result.path).isSymLink());
            EXPECT_FALSE(readFile(result.path).empty());
        }
    }
    EXPECT_EQ(readFile(folder + "/qrcode.png"), "qr");
    EXPECT_EQ(readFile(folder + "/1_1.png"), "page");
    EXPECT_EQ(readFile(folder + "/x.png"), png);
    EXPECT_EQ(filesBelow(outside), QStringList{"keep.jpg"});
    EXPECT_EQ(readFile(outside + "/keep.jpg"), "keep");
    // A phone's photo is kept byte for byte, what follows its end included.
    EXPECT_EQ(readFile(folder + "/motion.jpg"), motion);
    QStringList expected{"1_1.png",   "1_1_2.png",      "b.BMP",    "b.png",      "c.png",        "cmyk.jpg",
                         "deep.png",  "link_2.png",     "ln.jpg",   "ln_2.jpg",   "meta.jpg",     "motion.jpg",
                         "noext.png", "photo.heic.jpg", "prog.jpg", "qrcode.png", "qrcode_2.png", "url.png",
                         "whole.bmp", "x.png",          "x_2.png",  "x_3.png",    "中文.jpg"};
    for (const std::string& name : {limit, limitSecond, longest, longestSecond, noSuffixWritten})
        expected.append(QString::fromStdString(name));
    expected.sort();
    EXPECT_EQ(filesBelow(folder), expected);
}

TEST(UploadReceiver, UnwritableFolderIsAnErrorNotAFile)
{
    UploadReceiver receiver(QStringLiteral("/nonexistent/tmp"));
    const std::string body = fileBody("a.png", encoded(sample(4, 4), "PNG"));
    const UploadReceiver::Result result = receiver.receive("/uploadfile", body.data(), body.size());
    EXPECT_EQ(result.kind, UploadReceiver::Kind::Error);
    EXPECT_EQ(result.status, 500);
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
    EXPECT_EQ(post(port, "/uploadTotalCount", "[]").status, 400);
    EXPECT_EQ(post(port, "/uploadfile", "{\"filename\":\"../../evil.jpg\",\"img\":7}").status, 400);
    ASSERT_TRUE(waitUntil([&] { return !dialog->statusLabel()->text().isEmpty(); }));
    // A body that is no picture is refused, not listed.
    EXPECT_EQ(post(port, "/uploadfile", fileBody("notes.jpg", "plain text")).status, 415);
    EXPECT_EQ(dialog->getFiles().size(), 2);
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("../evil.jpg")));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("tmp/notes.jpg")));
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
