// Hostile picture files against the capture window's surfaces: the library
// import, the screen-capture report and every reader of a whole picture.
// Each table asserts the outcome, the message and that nothing outside the
// data folder changed.

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolButton>
#include <QUrl>

#include <sys/resource.h>

#include <functional>
#include <memory>

#include "CaptureFixture.h"
#include "capture/cutter/imageCut.h"
#include "capture/editor/ImageViewer.h"
#include "capture/question/AnswerPicture.h"
#include "capture/question/AnswerTextArea.h"
#include "capture/question/QTopicEdit.h"
#include "capture/question/TextEdit.h"
#include "capture/window/QImportTopic.h"
#include "core/Settings.h"
#include "core/Utils.h"
#include "support/FolderHash.h"
#include "support/HostilePictures.h"
#include "support/TestEnv.h"
#include "transfer/QThumbnail.h"

namespace {

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

class HostilePictures : public CaptureTest {
protected:
    void SetUp() override
    {
        CaptureTest::SetUp();
        outside = testenv::appDataRoot() + QStringLiteral("/outside");
        QDir(outside).removeRecursively();
        QDir(QStringLiteral("tmp")).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(QStringLiteral("tmp")));
        ASSERT_TRUE(hostile::write(outside + QStringLiteral("/secret.png"), hostile::png(120, 80)));
        ASSERT_TRUE(QDir().mkpath(outside + QStringLiteral("/folder")));
        ASSERT_TRUE(hostile::write(outside + QStringLiteral("/folder/page.png"), hostile::png(120, 80)));
    }

    QStringList questionFolders() const { return QDir(userFolder).entryList(QDir::Dirs | QDir::NoDotAndDotDot); }

    QString outside;  // a folder beside the data folder, holding real pictures
    std::unique_ptr<QImportTopic> window;
};

}  // namespace

// The library takes decodable pictures of the listed types only; the others
// are named together in one message.
TEST_F(HostilePictures, LibraryImportTakesOnlyPictures)
{
    const QString picked = outside + QStringLiteral("/picked/");
    const QByteArray png = hostile::png(200, 150);
    const QByteArray jpeg = hostile::jpeg(200, 150);
    struct Case {
        const char* name;
        QByteArray bytes;  // null: a folder
        bool taken;
    };
    const Case cases[] = {
        {"good.png", png, true},
        {"good.JPG", jpeg, true},
        {"png-named.jpg", png, true},  // the content decides how it is read
        {"bomb.png", hostile::pngDeclaring(12000, 12000), false},
        {"bomb.jpg", hostile::jpegDeclaring(12000, 12000), false},
        {"cut.png", hostile::cut(png, png.size() / 2), false},
        {"cut.jpg", hostile::cut(jpeg, jpeg.size() / 2), false},
        {"empty.png", QByteArray(""), false},
        {"notes.png", QByteArray("not a picture\n"), false},
        {"moving.gif", png, false},  // a type the library does not list
        {"nosuffix", png, false},
        {"folder.png", QByteArray(), false},
    };
    QStringList paths;
    for (const Case& c : cases) {
        const QString path = picked + QString::fromLatin1(c.name);
        if (c.bytes.isNull()) {
            ASSERT_TRUE(QDir().mkpath(path));
        } else {
            ASSERT_TRUE(hostile::write(path, c.bytes));
        }
        paths.append(path);
    }
    const testenv::FolderHashes before = testenv::folderHashes(outside);
    const long peak = peakKilobytes();

    window = std::make_unique<QImportTopic>();
    window->show();
    QApplication::processEvents();
    modals.clear();
    modals.setPaths(paths);
    window->sourceButton("tool_importImage")->click();

    EXPECT_LT(peakKilobytes() - peak, 200 * 1024);
    ASSERT_EQ(modals.count(), 1);
    EXPECT_EQ(modals.last().title, QStringLiteral("提示"));
    const QString message = modals.last().text;
    QStringList stored;
    for (int i = 0; i < static_cast<int>(std::size(cases)); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name);
        // Every file takes its running number, taken or not.
        const QString suffix = QFileInfo(QString::fromLatin1(c.name)).suffix();
        const QString target = QStringLiteral("documents/%1").arg(i + 1) +
                               (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
        EXPECT_EQ(QFileInfo::exists(target), c.taken);
        EXPECT_NE(message.contains(QString::fromLatin1(c.name)), c.taken) << message.toStdString();
        if (c.taken)
            stored.append(target);
    }
    EXPECT_EQ(QDir(QStringLiteral("documents")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(),
              stored.size());
    EXPECT_EQ(window->libraryStrip()->paths(), stored);
    EXPECT_EQ(getIniValue<int>(QStringLiteral("import_index"), 0), static_cast<int>(std::size(cases)) + 1);
    EXPECT_EQ(testenv::folderHashes(outside), before);
}

// A reported screen capture is taken only from the data folder's tmp/, as a
// regular file of bounded size that decodes as a picture.
TEST_F(HostilePictures, ScreenReportTakesOnlyPicturesInTmp)
{
    const QByteArray png = hostile::png(300, 200);
    ASSERT_TRUE(hostile::write(QStringLiteral("tmp/shot.png"), png));
    ASSERT_TRUE(hostile::write(QStringLiteral("tmp/bomb.png"), hostile::pngDeclaring(12000, 12000)));
    ASSERT_TRUE(hostile::write(QStringLiteral("tmp/bomb.jpg"), hostile::jpegDeclaring(12000, 12000)));
    ASSERT_TRUE(hostile::write(QStringLiteral("tmp/cut.png"), hostile::cut(png, png.size() / 2)));
    ASSERT_TRUE(hostile::write(QStringLiteral("tmp/icon.png"), hostile::icoHolding(hostile::plainPng(5000, 5000))));
    ASSERT_TRUE(hostile::write(QStringLiteral("tmp/notes.png"), "not a picture\n"));
    ASSERT_TRUE(hostile::write(QStringLiteral("tmp/empty.png"), ""));
    ASSERT_TRUE(hostile::write(QStringLiteral("documents/page.png"), png));  // data folder, outside tmp/
    ASSERT_TRUE(QDir().mkpath(QStringLiteral("tmp/folder.png")));
    ASSERT_TRUE(QFile::link(outside + QStringLiteral("/secret.png"), QStringLiteral("tmp/link.png")));
    ASSERT_TRUE(QFile::link(outside + QStringLiteral("/folder"), QStringLiteral("tmp/linked")));
    {
        // A picture's beginning, then 65 MB (sparse: no room taken on disk).
        QFile big(QStringLiteral("tmp/big.png"));
        ASSERT_TRUE(big.open(QIODevice::WriteOnly));
        big.write(png);
        ASSERT_TRUE(big.resize(65LL * 1024 * 1024));
    }
    const QString absoluteShot = QFileInfo(QStringLiteral("tmp/shot.png")).absoluteFilePath();

    struct Case {
        QString path;
        bool taken;
    };
    const Case cases[] = {
        {QStringLiteral("tmp/shot.png"), true},
        {absoluteShot, true},
        {QStringLiteral("/etc/passwd"), false},
        {outside + QStringLiteral("/secret.png"), false},
        {QStringLiteral("tmp/../documents/page.png"), false},
        {QStringLiteral("tmp/link.png"), false},
        {QStringLiteral("tmp/linked/page.png"), false},
        {QStringLiteral("tmp/folder.png"), false},
        {QStringLiteral("tmp/big.png"), false},
        {QStringLiteral("tmp/bomb.png"), false},
        {QStringLiteral("tmp/bomb.jpg"), false},
        {QStringLiteral("tmp/cut.png"), false},
        {QStringLiteral("tmp/icon.png"), false},
        {QStringLiteral("tmp/notes.png"), false},
        {QStringLiteral("tmp/empty.png"), false},
        {QStringLiteral("tmp/missing.png"), false},
    };
    const testenv::FolderHashes outsideBefore = testenv::folderHashes(outside);
    const testenv::FolderHashes tmpBefore = testenv::folderHashes(QStringLiteral("tmp"));
    const long peak = peakKilobytes();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        window = std::make_unique<QImportTopic>();
        modals.clear();
        const QStringList before = questionFolders();
        window->createItem(nullptr, c.path);
        QStringList added = questionFolders();
        for (const QString& f : before)
            added.removeAll(f);
        if (c.taken) {
            EXPECT_EQ(modals.count(), 0);
            ASSERT_EQ(added.size(), 1);
            EXPECT_EQ(fileBytes(userFolder + QLatin1Char('/') + added.first() + QStringLiteral("/original.jpg")), png);
            EXPECT_EQ(window->wizard()->step(), QTopicEdit::QuestionStep);
            continue;
        }
        EXPECT_TRUE(added.isEmpty());
        ASSERT_EQ(modals.count(), 1);
        EXPECT_EQ(modals.last().title, QStringLiteral("提示"));
        EXPECT_TRUE(modals.last().text.contains(c.path)) << modals.last().text.toStdString();
        EXPECT_EQ(window->wizard()->step(), QTopicEdit::NoQuestion);
    }
    EXPECT_LT(peakKilobytes() - peak, 200 * 1024);
    EXPECT_EQ(testenv::folderHashes(outside), outsideBefore);
    EXPECT_EQ(testenv::folderHashes(QStringLiteral("tmp")), tmpBefore);
}

// Every reader of a whole picture refuses one that declares too many pixels
// before decoding it, and the readers the user waits on name the file.
TEST_F(HostilePictures, ReadersRefuseOversizedDeclarations)
{
    const QStringList bombs{QStringLiteral("documents/1.png"), QStringLiteral("documents/2.jpg")};
    ASSERT_TRUE(hostile::write(bombs.at(0), hostile::pngDeclaring(12000, 12000)));
    ASSERT_TRUE(hostile::write(bombs.at(1), hostile::jpegDeclaring(40000, 100)));
    ASSERT_TRUE(hostile::write(QStringLiteral("documents/3.png"), hostile::png(200, 100)));

    struct Reader {
        const char* name;
        std::function<bool(const QString&)> read;  // true: a picture came out
        bool tells;                                // names the file in a message box
    };
    const Reader readers[] = {
        {"cutter", [](const QString& p) { return imageCut().loadImage(p); }, true},
        {"editor", [](const QString& p) { return !ImageViewer(nullptr, p, ImageViewer::kMouse).getImage().isNull(); },
         true},
        {"editor load",
         [](const QString& p) {
             ImageViewer editor(nullptr, QString(), ImageViewer::kMouse);
             editor.loadImage(p);
             return !editor.getImage().isNull();
         },
         true},
        {"answer picture",
         [this](const QString& p) {
             return answerpicture::storeFile(p, userFolder + QStringLiteral("/q/") + QFileInfo(p).fileName());
         },
         false},
        {"answer text",
         [](const QString& p) {
             TextEdit edit(nullptr);
             edit.textEdit()->setHtml(QStringLiteral("<p>答案</p><img src=\"%1\">").arg(p));
             edit.resize(400, 300);
             edit.textEdit()->grab();  // lays out and paints the picture
             const QVariant shown = edit.textEdit()->document()->resource(QTextDocument::ImageResource, QUrl(p));
             return qvariant_cast<QImage>(shown).size() != AnswerTextArea::placeholder().size();
         },
         false},
        {"thumbnail",
         [](const QString& p) {
             const QImage thumbnail = QThumbnail::makeThumbnail(p, 32);
             for (int y = 0; y < thumbnail.height(); ++y)
                 for (int x = 0; x < thumbnail.width(); ++x)
                     if (thumbnail.pixelColor(x, y) != QColor(Qt::white))
                         return true;
             return false;
         },
         false},
        {"compressed copy",
         [](const QString& p) {
             compressImageFile(p, QStringLiteral("tmp/compressed.jpg"), 1024, 120);
             return QFile::remove(QStringLiteral("tmp/compressed.jpg"));
         },
         false},
    };
    const long peak = peakKilobytes();
    for (const Reader& r : readers) {
        SCOPED_TRACE(r.name);
        for (const QString& bomb : bombs) {
            SCOPED_TRACE(bomb.toStdString());
            modals.clear();
            EXPECT_FALSE(r.read(bomb));
            EXPECT_EQ(modals.count(), r.tells ? 1 : 0);
            if (r.tells && modals.count() == 1) {
                EXPECT_TRUE(modals.last().text.contains(bomb)) << modals.last().text.toStdString();
            }
        }
        modals.clear();
        EXPECT_TRUE(r.read(QStringLiteral("documents/3.png")));  // an honest picture still reads
        EXPECT_EQ(modals.count(), 0);
    }
    EXPECT_LT(peakKilobytes() - peak, 200 * 1024);

    // The window's strip: the bomb gets a white square, the cutter a message.
    modals.clear();
    window = std::make_unique<QImportTopic>();
    window->show();
    QApplication::processEvents();
    EXPECT_EQ(window->libraryStrip()->paths(), (QStringList{bombs.at(0), bombs.at(1), "documents/3.png"}));
    ASSERT_EQ(modals.count(), 1);
    EXPECT_TRUE(modals.last().text.contains(bombs.at(0)));
    EXPECT_LT(peakKilobytes() - peak, 200 * 1024);
}
