// A cut or a screen capture becoming a new question folder with its first
// picture, and the wizard opening on it.

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QRegularExpression>
#include <QTabWidget>

#include <functional>
#include <memory>

#include "CaptureFixture.h"
#include "capture/question/QFillInfo.h"
#include "capture/question/QTopicEdit.h"
#include "capture/window/QImportTopic.h"

namespace {

class CreateItem : public CaptureTest {
protected:
    void SetUp() override
    {
        CaptureTest::SetUp();
        window = std::make_unique<QImportTopic>();
    }

    QStringList questionFolders() const { return QDir(userFolder).entryList(QDir::Dirs | QDir::NoDotAndDotDot); }

    std::unique_ptr<QImportTopic> window;
};

}  // namespace

TEST_F(CreateItem, EachSourceGivesAFolderWithItsFirstPicture)
{
    // A screen capture saves PNG; it is kept byte for byte under the JPEG name.
    const QString png = QStringLiteral("tmp/capture.png");
    ASSERT_TRUE(numberedPicture(300, 200, 7).save(png, "PNG"));

    struct Case {
        const char* name;
        std::function<void(QImportTopic&)> create;
        QSize stored;       // of original.jpg; null: no question made
        QByteArray bytes;   // original.jpg byte for byte (empty: not checked)
        QByteArray format;  // what the file holds
    };
    QImage wide = numberedPicture(3000, 1500, 1);
    QImage narrow = numberedPicture(800, 600, 2);
    const Case cases[] = {
        {"3000 pixels wide", [&](QImportTopic& w) { w.createItem(&wide); }, {1024, 512}, {}, "jpeg"},
        {"800 pixels wide", [&](QImportTopic& w) { w.createItem(&narrow); }, {800, 600}, {}, "jpeg"},
        {"reported PNG file", [&](QImportTopic& w) { w.createItem(nullptr, png); }, {300, 200}, fileBytes(png), "png"},
        {"nothing", [](QImportTopic& w) { w.createItem(nullptr); }, {}, {}, {}},
    };
    const QRegularExpression uuid(QStringLiteral("^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$"));

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window = std::make_unique<QImportTopic>();
        modals.clear();
        const QStringList before = questionFolders();
        // The record takes the selection current now, whatever the previous
        // question had.
        ctx()->subject = ctx()->subjects[before.size() % ctx()->subjects.size()];
        c.create(*window);

        QStringList added = questionFolders();
        for (const QString& f : before)
            added.removeAll(f);
        if (c.stored.isEmpty()) {
            EXPECT_TRUE(added.isEmpty());
            ASSERT_EQ(modals.count(), 1);
            EXPECT_EQ(modals.last().title, QStringLiteral("提示"));
            EXPECT_EQ(modals.last().text, QStringLiteral("参数错误"));
            EXPECT_EQ(window->tabs()->currentIndex(), 0);
            EXPECT_EQ(window->wizard()->step(), QTopicEdit::NoQuestion);
            continue;
        }
        EXPECT_EQ(modals.count(), 0);
        ASSERT_EQ(added.size(), 1);
        EXPECT_TRUE(uuid.match(added.first()).hasMatch()) << added.first().toStdString();

        const QString original = userFolder + QLatin1Char('/') + added.first() + QStringLiteral("/original.jpg");
        QImageReader reader(original);
        EXPECT_EQ(reader.format(), c.format);
        EXPECT_EQ(reader.size(), c.stored);
        if (!c.bytes.isEmpty()) {
            EXPECT_EQ(fileBytes(original), c.bytes);
        }

        const _detail_t& d = window->createdRecord();
        EXPECT_EQ(d.detail_path, added.first().toStdString());
        EXPECT_EQ(d.id, 0);
        EXPECT_EQ(d.number, 0);
        EXPECT_EQ(d.user_id, ctx()->user.id);
        EXPECT_EQ(d.grade, ctx()->grade.id);
        EXPECT_EQ(d.term, ctx()->term.id);
        EXPECT_EQ(d.subject, ctx()->subject.id);
        EXPECT_EQ(d.state, 0);
        EXPECT_EQ(d.times, 1);
        EXPECT_EQ(d.score, 0);
        EXPECT_EQ(d.classification + d.cause + d.questiontype, 0);
        EXPECT_TRUE(d.point.empty() && d.source.empty() && d.remark.empty());

        // The wizard opens on it, whatever the picture's real format.
        EXPECT_EQ(window->tabs()->currentIndex(), 1);
        EXPECT_EQ(window->wizard()->step(), QTopicEdit::QuestionStep);
        EXPECT_EQ(window->wizard()->fillInfo()->getImage().size(), c.stored);
    }
}

TEST_F(CreateItem, UserFolderThatIsAFileLeavesNothing)
{
    ASSERT_TRUE(QDir(userFolder).removeRecursively());
    QFile blocker(userFolder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    QImage cut = numberedPicture(600, 400, 3);
    window->createItem(&cut);
    ASSERT_EQ(modals.count(), 1);
    EXPECT_EQ(modals.last().title, QStringLiteral("提示"));
    EXPECT_EQ(modals.last().text, QStringLiteral("创建目录失败，请检查本计算机是否有管理员权限"));
    EXPECT_TRUE(QFileInfo(userFolder).isFile());
    EXPECT_EQ(window->tabs()->currentIndex(), 0);
    EXPECT_EQ(window->wizard()->step(), QTopicEdit::NoQuestion);
}

TEST_F(CreateItem, PictureThatCannotBeStoredLeavesNoFolder)
{
    // A reported file that is gone by the time it is copied.
    window->createItem(nullptr, QStringLiteral("tmp/vanished.png"));
    ASSERT_EQ(modals.count(), 1);
    EXPECT_EQ(modals.last().title, QStringLiteral("提示"));
    EXPECT_EQ(modals.last().text, QStringLiteral("找不到图片文件：tmp/vanished.png"));
    EXPECT_TRUE(questionFolders().isEmpty());
    EXPECT_EQ(window->wizard()->step(), QTopicEdit::NoQuestion);

    // An image that encodes to nothing.
    QImage empty;
    modals.clear();
    window->createItem(&empty, QString());
    EXPECT_EQ(modals.last().text, QStringLiteral("参数错误"));
    EXPECT_TRUE(questionFolders().isEmpty());
}
