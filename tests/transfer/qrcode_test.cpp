#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include "TransferTestUtil.h"
#include "core/Settings.h"
#include "support/TestEnv.h"
#include "transfer/QRcodeDialog.h"
#include "transfer/QRcodeImage.h"
#include "ui/ModalRecorder.h"

using namespace transfertest;

namespace {

class QRcodeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testenv::prepareDataFolder();
        setIniValue(QStringLiteral("first_run"), 5);
    }
    void TearDown() override { qrcode::setProgram(QString()); }

    ModalRecorder modals;
};

}  // namespace

TEST_F(QRcodeTest, CommandAsksZintForAQrCodeOfTheAddress)
{
    EXPECT_EQ(qrcode::arguments("http://192.168.1.5:8080"),
              (QStringList{"-o", "tmp/qrcode.png", "-b", "58", "--scale=3", "-d", "http://192.168.1.5:8080"}));
}

TEST_F(QRcodeTest, PictureDecodesToTheAddress)
{
    if (qrcode::program().isEmpty())
        GTEST_SKIP() << "zint is not installed";
    QRcodeDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("扫码"));
    dialog.setAddress("192.168.1.5", 8080);
    EXPECT_EQ(dialog.address(), "http://192.168.1.5:8080");
    ASSERT_TRUE(QFileInfo::exists("tmp/qrcode.png"));
    const QPixmap picture = dialog.pictureLabel()->pixmap(Qt::ReturnByValue);
    EXPECT_FALSE(picture.isNull());
    EXPECT_LE(picture.width(), 180);

    const QString zbar = QStandardPaths::findExecutable("zbarimg");
    if (zbar.isEmpty())
        GTEST_SKIP() << "zbarimg is not installed: the picture was drawn but not decoded";
    QProcess decode;
    decode.start(zbar, {"--raw", "-q", "tmp/qrcode.png"});
    ASSERT_TRUE(decode.waitForFinished(15000));
    EXPECT_EQ(QString::fromUtf8(decode.readAllStandardOutput()).trimmed(), "http://192.168.1.5:8080");
}

TEST_F(QRcodeTest, WithoutZintTheSquareStaysEmptyAndNoOldPictureRemains)
{
    ASSERT_TRUE(writeFile("tmp/qrcode.png", "an old picture"));
    qrcode::setProgram("/nonexistent/zint");
    QRcodeDialog dialog;
    dialog.setAddress("10.0.0.2", 8080);
    EXPECT_FALSE(QFileInfo::exists("tmp/qrcode.png"));
    EXPECT_TRUE(dialog.pictureLabel()->pixmap(Qt::ReturnByValue).isNull());
    std::string path;
    EXPECT_EQ(dialog.updateQRcode(path), 2);
    EXPECT_EQ(modals.count(), 0);
}

TEST_F(QRcodeTest, FailingZintCountsAsNoPicture)
{
    ASSERT_TRUE(writeFile("tmp/qrcode.png", "an old picture"));
    qrcode::setProgram("/bin/false");
    std::string path;
    EXPECT_EQ(qrcode::draw("http://10.0.0.2:8080", path), -1);
    EXPECT_FALSE(QFileInfo::exists("tmp/qrcode.png"));
    EXPECT_TRUE(path.empty());
    EXPECT_EQ(qrcode::draw("", path), -1);
}

TEST_F(QRcodeTest, HelpOpensOnFirstUseOnlyAndFromTheTitleBar)
{
    setIniValue(QStringLiteral("first_run"), 7);
    {
        QRcodeDialog first;
        ASSERT_EQ(modals.count(modal::Kind::Dialog), 1);
        EXPECT_EQ(modals.requests().back().title, QStringLiteral("使用帮助"));
    }
    EXPECT_EQ(getIniValue<int>(QStringLiteral("first_run"), 0), 5);
    QRcodeDialog second;
    EXPECT_EQ(modals.count(modal::Kind::Dialog), 1);
    EXPECT_EQ(second.buttons() & 16, 16);
    second.titleBar_buttonClicked(4);
    EXPECT_EQ(modals.count(modal::Kind::Dialog), 2);
}

TEST_F(QRcodeTest, HelpPageShowsItsThreePictures)
{
    const QString help = QRcodeDialog::helpText();
    EXPECT_NE(help.indexOf(QStringLiteral("如何使用手机上传(手机下载)功能")), -1);
    EXPECT_NE(help.indexOf(QStringLiteral("1.请确保手机和电脑在同一局域网内")), -1);
    for (const char* picture : {"help/network.jpg", "help/upload.jpg", "help/download.jpg"}) {
        const QString resource = QStringLiteral(":/Lorvane/Resources/") + picture;
        EXPECT_NE(help.indexOf(resource), -1) << picture;
        EXPECT_FALSE(QImage(resource).isNull()) << picture;
    }
    EXPECT_FALSE(QImage(":/Lorvane/Resources/eye.png").isNull());
}
