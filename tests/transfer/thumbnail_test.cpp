#include <QAction>
#include <QFileInfo>
#include <QImage>
#include <QListWidget>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

#include "transfer/QThumbnail.h"
#include "ui/ModalRecorder.h"

namespace {

QStringList actionTexts(QMenu* menu)
{
    QStringList texts;
    for (QAction* action : menu->actions())
        texts << action->text();
    return texts;
}

void trigger(QMenu* menu, const QString& text)
{
    for (QAction* action : menu->actions())
        if (action->text() == text)
            action->trigger();
}

class ThumbnailTest : public ::testing::Test {
protected:
    QString picture(const QString& name, int width, int height, QColor color = Qt::red)
    {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(color);
        const QString path = dir.path() + "/" + name;
        image.save(path);
        return path;
    }
    // A strip 180 wide (side 140) holding n pictures.
    std::unique_ptr<QThumbnail> strip(int n)
    {
        auto list = std::make_unique<QThumbnail>();
        list->resize(180, 400);
        list->show();
        for (int i = 0; i < n; ++i)
            list->addItem(picture(QString("%1.png").arg(i), 20, 20));
        return list;
    }

    QTemporaryDir dir;
    ModalRecorder modals;
};

}  // namespace

TEST_F(ThumbnailTest, PicturesAreLetterboxedOnAWhiteSquare)
{
    const QImage wide = QThumbnail::makeThumbnail(picture("wide.png", 400, 100), 140);
    EXPECT_EQ(wide.size(), QSize(140, 140));
    EXPECT_EQ(wide.format(), QImage::Format_RGB32);
    EXPECT_EQ(wide.pixel(70, 51), qRgb(255, 255, 255));
    EXPECT_EQ(wide.pixel(70, 52), qRgb(255, 0, 0));
    EXPECT_EQ(wide.pixel(70, 86), qRgb(255, 0, 0));
    EXPECT_EQ(wide.pixel(70, 87), qRgb(255, 255, 255));
    const QImage tall = QThumbnail::makeThumbnail(picture("tall.png", 100, 400, Qt::blue), 140);
    EXPECT_EQ(tall.pixel(51, 70), qRgb(255, 255, 255));
    EXPECT_EQ(tall.pixel(52, 70), qRgb(0, 0, 255));
    EXPECT_EQ(tall.pixel(86, 70), qRgb(0, 0, 255));
    EXPECT_EQ(tall.pixel(87, 70), qRgb(255, 255, 255));
    const QImage missing = QThumbnail::makeThumbnail(dir.path() + "/none.jpg", 140);
    EXPECT_EQ(missing.size(), QSize(140, 140));
    EXPECT_EQ(missing.pixel(70, 70), qRgb(255, 255, 255));
}

TEST_F(ThumbnailTest, SideIsFixedAtTheFirstShowAndPathsFollowTheEntries)
{
    auto list = strip(3);
    EXPECT_EQ(list->itemWidth(), 140);
    EXPECT_EQ(list->itemHeight(), 140);
    list->resize(100, 400);
    list->hide();
    list->show();
    EXPECT_EQ(list->itemWidth(), 140);
    EXPECT_EQ(list->listWidget()->count(), 3);
    EXPECT_EQ(list->getPath(0), dir.path() + "/0.png");
    EXPECT_TRUE(list->getPath(-1).isEmpty());
    EXPECT_TRUE(list->getPath(3).isEmpty());
    list->addItem(dir.path() + "/unreadable.jpg");
    EXPECT_EQ(list->count(), 4);
}

TEST_F(ThumbnailTest, CurrentEntryIsReportedAndNextStopsAtTheEnd)
{
    auto list = strip(2);
    QSignalSpy rows(list.get(), &QThumbnail::rowChanged);
    list->setNextItem();  // no current entry
    EXPECT_EQ(rows.count(), 0);
    list->setCurrentItem(5);
    EXPECT_EQ(rows.count(), 0);
    list->setCurrentItem(0);
    list->setNextItem();
    list->setNextItem();  // already the last
    ASSERT_EQ(rows.count(), 2);
    EXPECT_EQ(rows.at(0).at(0).toInt(), 0);
    EXPECT_EQ(rows.at(1).at(0).toInt(), 1);
    list->clear();
    EXPECT_EQ(rows.count(), 2);
    EXPECT_EQ(list->count(), 0);
    EXPECT_TRUE(QFileInfo::exists(dir.path() + "/0.png"));
}

TEST_F(ThumbnailTest, MenuOffersWhatTheStateAllows)
{
    auto list = std::make_unique<QThumbnail>();
    std::unique_ptr<QMenu> empty(list->createContextMenu());
    EXPECT_EQ(actionTexts(empty.get()), QStringList{"增加"});
    trigger(empty.get(), "增加");
    EXPECT_EQ(list->count(), 0);

    list = strip(2);
    std::unique_ptr<QMenu> none(list->createContextMenu());
    EXPECT_EQ(actionTexts(none.get()), (QStringList{"上移", "下移", "清空"}));
    list->setCurrentItem(1);
    std::unique_ptr<QMenu> selected(list->createContextMenu());
    EXPECT_EQ(actionTexts(selected.get()), (QStringList{"上移", "下移", "删除", "清空"}));
    list->setMovable(false);
    std::unique_ptr<QMenu> fixed(list->createContextMenu());
    EXPECT_EQ(actionTexts(fixed.get()), (QStringList{"删除", "清空"}));
}

TEST_F(ThumbnailTest, MovingSwapsPathsAndEntriesButNotFiles)
{
    auto list = strip(3);
    list->setCurrentItem(0);
    list->menu_moveup_triggered();  // already first
    list->menu_movedown_triggered();
    EXPECT_EQ(list->paths(), (QStringList{dir.path() + "/1.png", dir.path() + "/0.png", dir.path() + "/2.png"}));
    EXPECT_EQ(list->listWidget()->currentRow(), 1);
    list->setCurrentItem(2);
    list->menu_movedown_triggered();  // already last
    list->menu_moveup_triggered();
    EXPECT_EQ(list->paths(), (QStringList{dir.path() + "/1.png", dir.path() + "/2.png", dir.path() + "/0.png"}));
}

TEST_F(ThumbnailTest, DeleteRemovesTheEntryAndItsFileAfterAYes)
{
    auto list = strip(3);
    QSignalSpy rows(list.get(), &QThumbnail::rowChanged);
    list->setCurrentItem(0);
    rows.clear();
    modals.setAnswer(0);
    list->menu_delete_triggered();
    EXPECT_EQ(list->count(), 3);
    ASSERT_EQ(modals.count(), 1);
    EXPECT_EQ(modals.last().title, QStringLiteral("删除"));
    EXPECT_EQ(modals.last().text, QStringLiteral("是否要从列表中删除?"));

    modals.setAnswer(1);
    list->menu_delete_triggered();
    EXPECT_FALSE(QFileInfo::exists(dir.path() + "/0.png"));
    EXPECT_EQ(list->paths(), (QStringList{dir.path() + "/1.png", dir.path() + "/2.png"}));
    EXPECT_EQ(list->listWidget()->count(), 2);
    ASSERT_EQ(rows.count(), 1);
    EXPECT_EQ(rows.at(0).at(0).toInt(), 0);
    EXPECT_EQ(list->listWidget()->currentRow(), 0);

    list->menu_delete_triggered();
    list->setCurrentItem(0);
    rows.clear();
    list->menu_delete_triggered();
    ASSERT_EQ(rows.count(), 1);
    EXPECT_EQ(rows.at(0).at(0).toInt(), -1);
    EXPECT_EQ(list->count(), 0);
}

TEST_F(ThumbnailTest, ClearDeletesEveryFileAndReportsOnce)
{
    auto list = strip(2);
    QSignalSpy rows(list.get(), &QThumbnail::rowChanged);
    list->menu_clear_triggered();
    EXPECT_EQ(modals.last().title, QStringLiteral("清空"));
    EXPECT_EQ(modals.last().text, QStringLiteral("是否要清空列表?"));
    EXPECT_EQ(list->count(), 0);
    EXPECT_EQ(list->listWidget()->count(), 0);
    EXPECT_FALSE(QFileInfo::exists(dir.path() + "/0.png"));
    EXPECT_FALSE(QFileInfo::exists(dir.path() + "/1.png"));
    ASSERT_EQ(rows.count(), 1);
    EXPECT_EQ(rows.at(0).at(0).toInt(), -1);
}

namespace {

// A list that keeps its files: the menu reaches its own operations.
class KeepingList : public QThumbnail {
public:
    int deletes = 0;
    int clears = 0;
    void menu_delete_triggered() override { ++deletes; }
    void menu_clear_triggered() override { ++clears; }
};

}  // namespace

TEST_F(ThumbnailTest, MenuCallsTheDerivedListsOperations)
{
    KeepingList list;
    list.addItem(picture("keep.png", 10, 10));
    list.setCurrentItem(0);
    std::unique_ptr<QMenu> menu(list.createContextMenu());
    trigger(menu.get(), "删除");
    trigger(menu.get(), "清空");
    EXPECT_EQ(list.deletes, 1);
    EXPECT_EQ(list.clears, 1);
    EXPECT_TRUE(QFileInfo::exists(dir.path() + "/keep.png"));
    EXPECT_EQ(modals.count(), 0);
}
