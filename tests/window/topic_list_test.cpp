// The captured-question list: its entries, the viewer it opens, and the
// deletions of database rows.

#include <QDialog>
#include <QFileInfo>
#include <QListWidget>
#include <QSignalSpy>
#include <QToolButton>

#include <memory>

#include "CaptureFixture.h"
#include "capture/viewer/QViewItem.h"
#include "capture/window/QTopicList.h"

namespace {

class TopicList : public CaptureTest {
protected:
    void SetUp() override
    {
        CaptureTest::SetUp();
        for (int n = 1; n <= 3; ++n)
            saved.push_back(storeQuestion(n));
        list = std::make_unique<QTopicList>();
        list->resize(180, 600);
        list->setMovable(false);
        list->setDatabase(&database());
        list->show();
        for (const _detail_t& d : saved)
            list->append(d);
    }

    std::vector<int> listedIds() const
    {
        std::vector<int> ids;
        for (const _detail_t& d : list->records())
            ids.push_back(d.id);
        return ids;
    }
    std::vector<int> storedIds() const
    {
        std::vector<int> ids;
        for (const _detail_t& d : storedQuestions())
            ids.push_back(d.id);
        return ids;
    }
    // Entry i shows record i.
    void expectEntriesFollowRecords() const
    {
        ASSERT_EQ(list->count(), static_cast<int>(list->records().size()));
        ASSERT_EQ(list->listWidget()->count(), list->count());
        for (int i = 0; i < list->count(); ++i)
            EXPECT_EQ(list->getPath(i), file(list->records()[static_cast<size_t>(i)], questionfolder::kQuestion));
    }

    std::vector<_detail_t> saved;
    std::unique_ptr<QTopicList> list;
};

}  // namespace

TEST_F(TopicList, DeletingOneKeepsItsFolderAndTheOrder)
{
    QSignalSpy fresh(list.get(), &QTopicList::fresh);
    list->setCurrentItem(1);
    list->menu_delete_triggered();
    ASSERT_EQ(modals.count(), 1) << modals.last().text.toStdString();
    EXPECT_EQ(modals.last().title, QStringLiteral("删除"));
    EXPECT_EQ(modals.last().text, QStringLiteral("是否要从列表中删除?"));

    EXPECT_EQ(storedIds(), (std::vector<int>{saved[0].id, saved[2].id}));
    EXPECT_TRUE(QFileInfo(file(saved[1], questionfolder::kQuestion)).isFile());
    EXPECT_EQ(listedIds(), (std::vector<int>{saved[0].id, saved[2].id}));
    expectEntriesFollowRecords();
    EXPECT_EQ(list->listWidget()->currentRow(), 1) << "the follower takes the place";
    EXPECT_EQ(fresh.count(), 1);

    list->setCurrentItem(1);
    list->menu_delete_triggered();
    EXPECT_EQ(listedIds(), std::vector<int>{saved[0].id});
    EXPECT_EQ(list->listWidget()->currentRow(), -1) << "deleting the last leaves none current";

    modals.setAnswer(0);
    list->setCurrentItem(0);
    list->menu_delete_triggered();
    EXPECT_EQ(listedIds(), std::vector<int>{saved[0].id});
    EXPECT_EQ(database().deleteCalls.size(), 2u);
}

TEST_F(TopicList, ClearingDeletesOneRowPerCall)
{
    list->menu_clear_triggered();
    EXPECT_EQ(modals.last().title, QStringLiteral("删除"));
    EXPECT_EQ(modals.last().text, QStringLiteral("是否要全部删除?"));
    EXPECT_EQ(database().deleteCalls, (std::vector<std::vector<int>>{{saved[0].id}, {saved[1].id}, {saved[2].id}}));
    EXPECT_TRUE(storedIds().empty());
    EXPECT_TRUE(list->records().empty());
    EXPECT_EQ(list->listWidget()->count(), 0);
}

TEST_F(TopicList, FailureKeepsExactlyTheRowsThatWereNotDeleted)
{
    // 清空: the second call fails.
    database().failDeleteAt = 2;
    QSignalSpy fresh(list.get(), &QTopicList::fresh);
    list->menu_clear_triggered();
    ASSERT_EQ(modals.count(), 2);
    EXPECT_EQ(modals.last().title, QStringLiteral("提示"));
    EXPECT_EQ(modals.last().text, QStringLiteral("数据库已锁定"));
    EXPECT_EQ(storedIds(), (std::vector<int>{saved[1].id, saved[2].id}));
    EXPECT_EQ(listedIds(), storedIds());
    expectEntriesFollowRecords();
    EXPECT_EQ(fresh.count(), 1);

    // 删除 one after another: the second deletion fails.
    database().deleteCalls.clear();
    list->setCurrentItem(0);
    list->menu_delete_triggered();
    EXPECT_EQ(listedIds(), std::vector<int>{saved[2].id});
    list->setCurrentItem(0);
    list->menu_delete_triggered();
    EXPECT_EQ(modals.last().text, QStringLiteral("数据库已锁定"));
    EXPECT_EQ(listedIds(), std::vector<int>{saved[2].id});
    EXPECT_EQ(storedIds(), std::vector<int>{saved[2].id});
    expectEntriesFollowRecords();
}

TEST_F(TopicList, DoubleClickOpensTheViewerAndPagingMovesAlong)
{
    list->itemDoubleClicked(nullptr);  // nothing current
    EXPECT_EQ(modals.count(modal::Kind::Dialog), 0);

    list->setCurrentItem(1);
    int shownIndex = -1;
    modals.onDialog([&](QDialog& dialog) {
        auto* viewer = dynamic_cast<QViewItem*>(&dialog);
        if (!viewer)
            return 0;
        shownIndex = viewer->index();
        viewer->nextButton()->click();
        return 0;
    });
    list->itemDoubleClicked(list->listWidget()->currentItem());
    EXPECT_EQ(shownIndex, 1);
    EXPECT_EQ(list->listWidget()->currentRow(), 2);
}
