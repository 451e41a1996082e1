// The two phone pages in a real browser: headless chromium, driven by
// playwright-core (browser/, installed with npm ci by tools/install-deps.sh),
// loads them from the dialogs' loopback server at a phone's size.
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QProgressBar>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "TransferTestUtil.h"
#include "core/Settings.h"
#include "support/TestEnv.h"
#include "transfer/httpDownLoadDialog.h"
#include "transfer/httpUploadDialog.h"
#include "ui/ModalRecorder.h"

using namespace transfertest;

namespace {

QString driverDir()
{
    return QStringLiteral(LORVANE_BROWSER_DRIVER_DIR);
}

// Why no browser can be had here, or empty when one can.
QString missingBrowser()
{
    if (QStandardPaths::findExecutable("node").isEmpty())
        return "node is not installed (tools/install-deps.sh installs nodejs)";
    if (!QFileInfo::exists(driverDir() + "/node_modules/playwright-core/package.json"))
        return "playwright-core is not installed (run npm ci in tests/transfer/browser)";
    const QString chromium = qEnvironmentVariable("LORVANE_CHROMIUM");
    if (!QFileInfo::exists("/usr/lib/chromium/chromium") && !QFileInfo::exists("/usr/bin/chromium") &&
        (chromium.isEmpty() || !QFileInfo::exists(chromium)))
        return "chromium is not installed (tools/install-deps.sh installs it)";
    return QString();
}

// Where the screenshots go: LORVANE_SCREENSHOT_DIR when set, else the
// test's own data folder.
QString screenshot(const QString& name)
{
    QString folder = qEnvironmentVariable("LORVANE_SCREENSHOT_DIR");
    if (folder.isEmpty())
        folder = testenv::appDataRoot();
    QDir().mkpath(folder);
    return folder + "/" + name;
}

// Runs the phone driver while the dialogs keep handling their events.
QString runPhone(const QStringList& arguments)
{
    QProcess node;
    node.setWorkingDirectory(driverDir());
    node.setProcessChannelMode(QProcess::MergedChannels);
    node.start(QStandardPaths::findExecutable("node"), QStringList{"phone.js"} + arguments);
    if (!node.waitForStarted(10000))
        return "node did not start";
    waitUntil([&] { return node.state() == QProcess::NotRunning; }, 90000);
    if (node.state() != QProcess::NotRunning) {
        node.kill();
        node.waitForFinished(5000);
        return "the browser did not finish: " + QString::fromUtf8(node.readAll());
    }
    return QString::fromUtf8(node.readAll()).trimmed();
}

std::string photo(const QString& path, int width, int height, QColor color)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    for (int y = 0; y < height; y += 7)
        for (int x = 0; x < width; x += 5)
            image.setPixel(x, y, qRgb(x % 256, y % 256, (x * y) % 256));
    image.save(path, "JPG", 92);
    return readFile(path);
}

class BrowserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString missing = missingBrowser();
        if (!missing.isEmpty())
            GTEST_SKIP() << "no browser for the phone pages: " << missing.toStdString();
        testenv::prepareDataFolder();
        setIniValue(QStringLiteral("first_run"), 5);
        modals.onDialog([](QDialog& d) { return d.windowTitle() == QStringLiteral("扫码") ? 1 : 0; });
    }

    QTemporaryDir dir;
    LoopbackTransfer loopback;
    ModalRecorder modals;
};

}  // namespace

TEST_F(BrowserTest, PhoneUploadsTwoPicturesThroughThePage)
{
    const std::string first = photo(dir.path() + "/第一题.jpg", 1200, 900, Qt::darkCyan);
    const std::string second = photo(dir.path() + "/photo 2.jpg", 600, 1000, Qt::darkYellow);
    httpUploadDialog dialog(nullptr);
    ASSERT_TRUE(waitUntil([&] { return dialog.port() != 0; }));
    const QString url = QStringLiteral("http://127.0.0.1:%1/").arg(dialog.port());

    const QString result = runPhone(
        {"upload", url, screenshot("phone-upload.png"), dir.path() + "/第一题.jpg", dir.path() + "/photo 2.jpg"});
    ASSERT_TRUE(result.startsWith("OK")) << result.toStdString();
    ASSERT_TRUE(waitUntil([&] { return dialog.getFiles().size() == 2; }));
    const QStringList files = dialog.getFiles();
    EXPECT_EQ(QFileInfo(files.at(0)).fileName(), QStringLiteral("第一题.jpg"));
    EXPECT_TRUE(readFile(files.at(0)) == first);
    EXPECT_TRUE(readFile(files.at(1)) == second);
    EXPECT_EQ(dialog.progressBar()->value(), 2);
    EXPECT_EQ(dialog.progressBar()->maximum(), 2);
    EXPECT_FALSE(dialog.statusLabel()->text().isEmpty());
}

// A file that is no picture is refused: the page marks it failed, says so in
// its status, and still sends the picture after it.
TEST_F(BrowserTest, PhonePageSaysWhichUploadFailed)
{
    writeFile(dir.path() + "/notes.jpg", "a text file that only looks like a picture by its name");
    const std::string good = photo(dir.path() + "/good.jpg", 300, 200, Qt::darkGreen);
    httpUploadDialog dialog(nullptr);
    ASSERT_TRUE(waitUntil([&] { return dialog.port() != 0; }));
    const QString url = QStringLiteral("http://127.0.0.1:%1/").arg(dialog.port());

    const QString result = runPhone(
        {"upload", url, screenshot("phone-upload-failed.png"), dir.path() + "/notes.jpg", dir.path() + "/good.jpg"});
    ASSERT_TRUE(result.startsWith("OK")) << result.toStdString();
    EXPECT_TRUE(result.contains(QStringLiteral("status error | 上传失败：1 张图片没有上传（不是图片）")))
        << result.toStdString();
    EXPECT_TRUE(result.endsWith(QStringLiteral("failed:✗ 失败：不是图片 , done:✓ 已上传"))) << result.toStdString();
    ASSERT_TRUE(waitUntil([&] { return dialog.getFiles().size() == 1; }));
    EXPECT_TRUE(readFile(dialog.getFiles().at(0)) == good);
    EXPECT_EQ(dialog.statusLabel()->text(), QStringLiteral("有一张图片未能接收，请重新发送"));
}

TEST_F(BrowserTest, PhoneFollowsALinkOfTheDownloadPage)
{
    setIniValue(QStringLiteral("export_topic_path"), dir.path());
    const QString folder = dir.path() + QStringLiteral("/岚溪错题本导出");
    QDir().mkpath(folder);
    std::string bytes(300000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7 % 256);
    writeFile(folder + "/数学 错题#1.docx", bytes);
    writeFile(folder + "/答案.pdf", "%PDF answers");
    httpDownLoadDialog dialog(nullptr);
    ASSERT_TRUE(waitUntil([&] { return dialog.port() != 0; }));
    const QString url = QStringLiteral("http://127.0.0.1:%1/").arg(dialog.port());

    const QString saved = dir.path() + "/saved.docx";
    const QString result = runPhone({"download", url, screenshot("phone-download.png"), saved});
    ASSERT_TRUE(result.startsWith("OK")) << result.toStdString();
    EXPECT_TRUE(result.endsWith(QStringLiteral("数学 错题#1.docx"))) << result.toStdString();
    EXPECT_TRUE(readFile(saved) == bytes);
    ASSERT_TRUE(waitUntil([&] { return !dialog.fileList()->item(0)->icon().isNull(); }));
    EXPECT_FALSE(dialog.statusLabel()->text().isEmpty());
}
