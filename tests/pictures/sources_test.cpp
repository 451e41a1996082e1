// Where answer pictures come from and where they go: the question page, a
// file, the camera and a screen capture; unique file names; a picture that
// cannot be stored.

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHostAddress>
#include <QSet>
#include <QStandardPaths>
#include <QTextEdit>
#include <QToolButton>
#include <QUdpSocket>

#include <gtest/gtest.h>

#include "capture/editor/importImage.h"
#include "capture/question/AnswerPicture.h"
#include "capture/question/TextEdit.h"
#include "capture/sources/QVideoView.h"
#include "capture/sources/ScreenCapture.h"
#include "core/Settings.h"
#include "pictures/PictureFixture.h"
#include "platform/WindowSystem.h"
#include "platform/camera/FileFeed.h"
#include "support/HostilePictures.h"
#include "support/SyntheticPictures.h"
#include "ui/ModalRecorder.h"

using picturetest::picturesOf;
using picturetest::Shown;

namespace {

class PictureSources : public picturetest::Fixture {
protected:
    void SetUp() override
    {
        picturetest::Fixture::SetUp();
        ASSERT_TRUE(QDir().mkpath(QStringLiteral("import")));
    }
    void TearDown() override
    {
        ScreenCapture::setProgram(QString());
        camera::setBackendFactory({});
    }

    // An editor of the question folder q1.
    static std::unique_ptr<TextEdit> editor()
    {
        auto edit = std::make_unique<TextEdit>(nullptr, QString(), QStringLiteral("q1"));
        return edit;
    }
    // Accepts the picture dialog and remembers the picture it held.
    void acceptPictureDialog(ModalRecorder& modals)
    {
        modals.onDialog([this](QDialog& dialog) {
            auto* picture = qobject_cast<importImage*>(&dialog);
            if (!picture)
                return int(QDialog::Rejected);
            edited_ = picture->getImage();
            dialogSize_ = picture->size();
            return int(QDialog::Accepted);
        });
    }
    // The one picture of the editor's document, which must be a file of the
    // question folder.
    static QString onlyPicture(TextEdit& edit)
    {
        const std::vector<Shown> shown = picturesOf(edit.textEdit()->toHtml());
        EXPECT_EQ(shown.size(), 1u);
        return shown.empty() ? QString() : shown[0].name;
    }

    QImage edited_;
    QSize dialogSize_;
};

bool samePixels(const QImage& a, const QImage& b)
{
    return a.convertToFormat(QImage::Format_RGB888) == b.convertToFormat(QImage::Format_RGB888);
}

}  // namespace

TEST_F(PictureSources, FromAFile)
{
    const QString file = QDir::current().absoluteFilePath(QStringLiteral("import/ink.png"));
    ASSERT_TRUE(pictures::blueInkOnGrey(300, 200).save(file));
    ModalRecorder modals;
    modals.setPaths({file});
    acceptPictureDialog(modals);
    auto edit = editor();
    edit->toolButton(TextEdit::ImageFromFile)->click();

    const auto choosers = modals.ofKind(modal::Kind::OpenFile);
    ASSERT_EQ(choosers.size(), 1u);
    EXPECT_EQ(choosers[0].title, QStringLiteral("选择图片"));
    EXPECT_EQ(choosers[0].filter, QStringLiteral("Images(*.png *.jpg *.jpeg *.bmp)"));
    EXPECT_EQ(choosers[0].text, QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    ASSERT_EQ(modals.count(), 0) << modals.last().text.toStdString();
    const QString name = onlyPicture(*edit);
    EXPECT_TRUE(name.startsWith(folder() + QLatin1Char('/')) && name.endsWith(QStringLiteral(".png")))
        << name.toStdString();
    const QImage stored(name);
    ASSERT_FALSE(stored.isNull());
    EXPECT_EQ(stored.size(), QSize(300, 200));
    EXPECT_EQ(picturesOf(edit->textEdit()->toHtml())[0].width, 300);
    EXPECT_EQ(edit->selectedImages(), QVector<QString>{name});
    EXPECT_EQ(getIniValue(QStringLiteral("import_topic_image"), ""), QFileInfo(file).absolutePath());
    const QRect area = platform::primaryAvailableGeometry();
    EXPECT_EQ(dialogSize_, QSize((area.width() * 3) / 4, (area.height() * 3) / 4));

    // The next choice starts in the folder of this one.
    edit->toolButton(TextEdit::ImageFromFile)->click();
    EXPECT_EQ(modals.ofKind(modal::Kind::OpenFile).back().text, QFileInfo(file).absolutePath());
}

TEST_F(PictureSources, CancelledOrUnreadableFilesInsertNothing)
{
    const QString file = QDir::current().absoluteFilePath(QStringLiteral("import/ink.png"));
    ASSERT_TRUE(pictures::blueInkOnGrey(300, 200).save(file));
    auto edit = editor();
    {
        ModalRecorder modals;  // no file chosen
        edit->toolButton(TextEdit::ImageFromFile)->click();
        EXPECT_EQ(modals.count(modal::Kind::Dialog), 0);
    }
    {
        ModalRecorder modals;  // the picture dialog cancelled
        modals.setPaths({file});
        edit->toolButton(TextEdit::ImageFromFile)->click();
        EXPECT_EQ(modals.count(modal::Kind::Dialog), 1);
        EXPECT_EQ(modals.count(), 0);
    }
    EXPECT_EQ(getIniValue(QStringLiteral("import_topic_image"), "unset"), QStringLiteral("unset"));
    {
        // A file that is no picture: nothing to store.
        const QString broken = QDir::current().absoluteFilePath(QStringLiteral("import/broken.png"));
        QFile out(broken);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("not a picture");
        out.close();
        ModalRecorder modals;
        modals.setPaths({broken});
        acceptPictureDialog(modals);
        edit->toolButton(TextEdit::ImageFromFile)->click();
        ASSERT_EQ(modals.count(), 1);
        EXPECT_EQ(modals.last().title, QStringLiteral("错误提示"));
        EXPECT_EQ(modals.last().text, QStringLiteral("图片保存失败!"));
    }
    {
        // A picture that declares 12000 x 12000 pixels in a few bytes: named,
        // and no dialog opens on it.
        const QString bomb = QDir::current().absoluteFilePath(QStringLiteral("import/bomb.png"));
        ASSERT_TRUE(hostile::write(bomb, hostile::pngDeclaring(12000, 12000)));
        ModalRecorder modals;
        modals.setPaths({bomb});
        acceptPictureDialog(modals);
        edit->toolButton(TextEdit::ImageFromFile)->click();
        EXPECT_EQ(modals.count(modal::Kind::Dialog), 0);
        ASSERT_EQ(modals.count(), 1);
        EXPECT_EQ(modals.last().title, QStringLiteral("提示"));
        EXPECT_TRUE(modals.last().text.contains(bomb)) << modals.last().text.toStdString();
    }
    EXPECT_TRUE(picturesOf(edit->textEdit()->toHtml()).empty());
    EXPECT_TRUE(pictureFiles().isEmpty());
}

TEST_F(PictureSources, TwoPicturesInOneSecondAreTwoFiles)
{
    // Every name of the next seconds is taken already: the pictures must not
    // overwrite them, nor each other.
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    QSet<QString> squatters;
    for (qint64 s = now; s < now + 30; ++s) {
        const QString name = QStringLiteral("%1/%2.png").arg(folder()).arg(s);
        ASSERT_TRUE(pictures::flat(10, 10, Qt::red).save(name));
        squatters.insert(name);
    }
    const QString file = QDir::current().absoluteFilePath(QStringLiteral("import/ink.png"));
    ASSERT_TRUE(pictures::blueInkOnGrey(300, 200).save(file));
    ModalRecorder modals;
    modals.setPaths({file});
    acceptPictureDialog(modals);
    auto edit = editor();
    edit->toolButton(TextEdit::ImageFromFile)->click();
    edit->toolButton(TextEdit::ImageFromFile)->click();
    ASSERT_EQ(modals.count(), 0);

    const std::vector<Shown> shown = picturesOf(edit->textEdit()->toHtml());
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_NE(shown[0].name, shown[1].name);
    for (const Shown& picture : shown) {
        EXPECT_FALSE(squatters.contains(picture.name)) << picture.name.toStdString();
        EXPECT_EQ(QImage(picture.name).size(), QSize(300, 200)) << picture.name.toStdString();
    }
    for (const QString& name : squatters)
        EXPECT_EQ(QImage(name).size(), QSize(10, 10)) << name.toStdString();
}

TEST_F(PictureSources, NamesTakeTheNextFreeNumber)
{
    EXPECT_EQ(answerpicture::freeName("7", "q1", "png", 1000), QStringLiteral("item/7/q1/1000.png"));
    ASSERT_TRUE(pictures::flat(4, 4, Qt::red).save(QStringLiteral("item/7/q1/1000.png")));
    ASSERT_TRUE(pictures::flat(4, 4, Qt::red).save(QStringLiteral("item/7/q1/1001.png")));
    EXPECT_EQ(answerpicture::freeName("7", "q1", "png", 1000), QStringLiteral("item/7/q1/1002.png"));
    EXPECT_EQ(answerpicture::freeName("7", "q1", "jpg", 1000), QStringLiteral("item/7/q1/1000.jpg"));
    EXPECT_EQ(answerpicture::freeName("7", "q1", "", 5), QStringLiteral("item/7/q1/5.jpg"));
    EXPECT_TRUE(answerpicture::freeName("7", "", "png", 5).isEmpty()) << "no question folder";
}

TEST_F(PictureSources, WideSourcesAreStoredAtMost1024Wide)
{
    const QString name = answerpicture::freeName("7", "q1", "png", 42);
    ASSERT_TRUE(answerpicture::store(pictures::gradient(2048, 512), name));
    EXPECT_EQ(QImage(name).size(), QSize(1024, 256));
    EXPECT_FALSE(answerpicture::store(QImage(), answerpicture::freeName("7", "q1", "png", 43)));
    EXPECT_FALSE(QFile::exists(QStringLiteral("item/7/q1/43.png")));
}

TEST_F(PictureSources, FromTheQuestionPage)
{
    const QImage page = pictures::redTickOnWhite(500, 400);
    ASSERT_TRUE(page.save(folder() + QStringLiteral("/original.jpg")));
    ModalRecorder modals;
    acceptPictureDialog(modals);
    auto edit = editor();
    edit->toolButton(TextEdit::ImageFromPage)->click();
    ASSERT_EQ(modals.count(), 0);
    EXPECT_EQ(edited_.size(), QSize(500, 400));
    const QString name = onlyPicture(*edit);
    EXPECT_TRUE(name.endsWith(QStringLiteral(".jpg"))) << name.toStdString();
    EXPECT_EQ(QImage(name).size(), QSize(500, 400));

    // A question without its page: nothing to store, and the user is told.
    QFile::remove(folder() + QStringLiteral("/original.jpg"));
    edit->toolButton(TextEdit::ImageFromPage)->click();
    ASSERT_EQ(modals.count(), 1);
    EXPECT_EQ(modals.last().text, QStringLiteral("图片保存失败!"));
    EXPECT_EQ(picturesOf(edit->textEdit()->toHtml()).size(), 1u);
}

TEST_F(PictureSources, FromTheCameraTheLastShot)
{
    setIniValue(QStringLiteral("scan_boxDesk"), 0);
    camera::setBackendFactory([] {
        auto backend = std::make_unique<camera::FileFeedBackend>();
        backend->plugIn("cam", std::vector<QImage>{pictures::gradient(320, 240)}, 30.0);
        return backend;
    });
    ModalRecorder modals;
    QStringList shots;
    modals.onDialog([&](QDialog& dialog) {
        if (auto* camera = qobject_cast<QVideoView*>(&dialog)) {
            auto* shoot = camera->findChild<QToolButton*>(QStringLiteral("toolScan"));
            if (!waitFor([&] { return shoot->isEnabled(); }))
                return 0;
            shoot->click();
            shoot->click();
            shots = camera->getFiles();
            return 1;
        }
        auto* picture = qobject_cast<importImage*>(&dialog);
        if (!picture)
            return 0;
        edited_ = picture->getImage();
        return int(QDialog::Accepted);
    });
    auto edit = editor();
    edit->toolButton(TextEdit::ImageFromCamera)->click();
    ASSERT_EQ(modals.count(), 0) << modals.last().text.toStdString();
    ASSERT_EQ(shots.size(), 2);
    EXPECT_TRUE(samePixels(edited_, QImage(shots.last())));
    const QString name = onlyPicture(*edit);
    EXPECT_TRUE(name.startsWith(folder() + QLatin1Char('/')) && name.endsWith(QStringLiteral(".jpg")))
        << name.toStdString();
    EXPECT_EQ(QImage(name).size(), QSize(320, 240));
}

TEST_F(PictureSources, CameraWithoutShotsInsertsNothing)
{
    camera::setBackendFactory([] { return std::make_unique<camera::FileFeedBackend>(); });
    ModalRecorder modals;
    int dialogs = 0;
    modals.onDialog([&](QDialog&) {
        ++dialogs;
        return 1;
    });
    auto edit = editor();
    edit->toolButton(TextEdit::ImageFromCamera)->click();
    EXPECT_EQ(dialogs, 1) << "the camera window only";
    EXPECT_TRUE(picturesOf(edit->textEdit()->toHtml()).empty());
}

namespace {

class ScreenSource : public PictureSources {
protected:
    static void send(const QByteArray& datagram)
    {
        QUdpSocket sender;
        ASSERT_EQ(sender.writeDatagram(datagram, QHostAddress(QHostAddress::LocalHost), kScreenReportPort),
                  datagram.size());
    }
    static QByteArray report(const QByteArray& path)
    {
        return QByteArray("\x7E\x00\x01", 3) + static_cast<char>(path.size()) + path;
    }
    static bool portFree()
    {
        QUdpSocket probe;
        return probe.bind(QHostAddress(QHostAddress::LocalHost), kScreenReportPort);
    }
};

}  // namespace

TEST_F(ScreenSource, TheReportedCaptureIsStoredAndInserted)
{
    ASSERT_TRUE(QDir().mkpath(QStringLiteral("tmp")));
    const QImage captured = pictures::gradient(200, 120);
    ASSERT_TRUE(captured.save(QStringLiteral("tmp/77.png")));
    ScreenCapture::setProgram(QStringLiteral("/bin/true"));
    ModalRecorder modals;
    auto edit = editor();
    edit->toolButton(TextEdit::ImageFromScreen)->click();
    ASSERT_EQ(modals.count(), 0) << modals.last().text.toStdString();
    send(report("tmp/77.png"));
    ASSERT_TRUE(waitFor([&] { return !edit->selectedImages().isEmpty(); }));
    EXPECT_EQ(modals.count(modal::Kind::Dialog), 0) << "no picture dialog for a capture";
    const QString name = onlyPicture(*edit);
    EXPECT_TRUE(name.startsWith(folder() + QLatin1Char('/')) && name.endsWith(QStringLiteral(".png")))
        << name.toStdString();
    EXPECT_EQ(QImage(name).size(), QSize(200, 120));
    EXPECT_TRUE(portFree()) << "the capture ended";
}

TEST_F(ScreenSource, ACaptureWithoutPictureInsertsNothing)
{
    ScreenCapture::setProgram(QStringLiteral("/bin/true"));
    ModalRecorder modals;
    auto edit = editor();
    // Cancelled by the user; then reports naming a file that is not there
    // and files that are no capture of the helper (outside tmp/, no picture).
    ASSERT_TRUE(QDir().mkpath(QStringLiteral("tmp")));
    QFile notes(QStringLiteral("tmp/notes.png"));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("not a picture\n");
    notes.close();
    const QStringList refused{"tmp/none.png", "/etc/passwd", "tmp/notes.png"};
    QList<QByteArray> datagrams{QByteArray("\x7E\x00\x02\x00", 4)};
    for (const QString& path : refused)
        datagrams.append(report(path.toUtf8()));
    for (const QByteArray& datagram : datagrams) {
        edit->toolButton(TextEdit::ImageFromScreen)->click();
        ASSERT_FALSE(portFree());
        send(datagram);
        ASSERT_TRUE(waitFor([&] { return portFree(); }));
    }
    ASSERT_EQ(modals.count(), refused.size());
    for (int i = 0; i < refused.size(); ++i) {
        EXPECT_EQ(modals.boxes().at(static_cast<size_t>(i)).title, QStringLiteral("提示"));
        EXPECT_TRUE(modals.boxes().at(static_cast<size_t>(i)).text.contains(refused.at(i)));
    }
    EXPECT_TRUE(picturesOf(edit->textEdit()->toHtml()).empty());
    EXPECT_TRUE(pictureFiles().isEmpty());
}

TEST_F(ScreenSource, AStartThatFailsIsReported)
{
    auto edit = editor();
    {
        QUdpSocket holder;
        ASSERT_TRUE(holder.bind(QHostAddress(QHostAddress::LocalHost), kScreenReportPort));
        ModalRecorder modals;
        edit->toolButton(TextEdit::ImageFromScreen)->click();
        ASSERT_EQ(modals.count(), 1);
        EXPECT_EQ(modals.last().title, QStringLiteral("提示"));
        EXPECT_TRUE(modals.last().text.startsWith(QStringLiteral("UDP blind failed ")))
            << modals.last().text.toStdString();
    }
    {
        ScreenCapture::setProgram(testenv::appDataRoot() + QStringLiteral("/no-such-helper"));
        ModalRecorder modals;
        edit->toolButton(TextEdit::ImageFromScreen)->click();
        ASSERT_EQ(modals.count(), 1);
        EXPECT_EQ(modals.last().title, QStringLiteral("提示"));
        EXPECT_TRUE(modals.last().text.startsWith(QStringLiteral("启动截屏失败 "))) << modals.last().text.toStdString();
        EXPECT_TRUE(portFree());
    }
}
