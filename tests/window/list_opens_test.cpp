// The question list opens the capture window from "题目收录" and the viewer
// from a double click, on its own page, and reloads after both.

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QToolButton>

#include <memory>

#include "CaptureFixture.h"
#include "capture/question/QTopicInfo.h"
#include "capture/viewer/QViewItem.h"
#include "capture/window/QImportTopic.h"
#include "library/DetailcListWidget.h"

namespace {

class ListOpens : public CaptureTest {
protected:
    void SetUp() override
    {
        CaptureTest::SetUp();
        ctx()->state = 0;
        ctx()->times = -1;
        for (int n = 1; n <= 3; ++n)
            storeQuestion(n);
        list = std::make_unique<DetailcListWidget>();
        list->loadData();
        list->show_detail();
        ASSERT_EQ(list->details().size(), 3u);
    }

    QPushButton* importButton() const
    {
        for (QPushButton* b : list->findChildren<QPushButton*>())
            if (b->text() == QStringLiteral("题目收录"))
                return b;
        return nullptr;
    }

    std::unique_ptr<DetailcListWidget> list;
};

}  // namespace

TEST_F(ListOpens, ImportButtonOpensTheCaptureWindowAndReloads)
{
    QString title;
    modals.onDialog([&](QDialog& dialog) {
        if (auto* window = dynamic_cast<QImportTopic*>(&dialog)) {
            title = window->windowTitle();
            storeQuestion(4);  // as if captured meanwhile
        }
        return 0;
    });
    ASSERT_NE(importButton(), nullptr);
    importButton()->click();
    EXPECT_EQ(title, QStringLiteral("题目收录"));
    EXPECT_EQ(list->details().size(), 4u);
}

TEST_F(ListOpens, DoubleClickOpensTheViewerOnThePage)
{
    QSignalSpy rows(list.get(), &DetailcListWidget::rowChanged);
    int opened = -1;
    const int masteredId = list->details()[1].id;
    modals.onDialog([&](QDialog& dialog) {
        auto* viewer = dynamic_cast<QViewItem*>(&dialog);
        if (!viewer)
            return 0;
        opened = viewer->index();
        // Marked as mastered: the list, filtered on "not mastered", drops it
        // when it reloads, and the viewer goes on with what is there.
        viewer->form()->btn_mastered_clicked();
        viewer->buttonClicked(2);
        EXPECT_EQ(list->details().size(), 2u);
        viewer->nextButton()->click();
        return 0;
    });
    QTableWidget* table = list->table();
    table->setCurrentCell(1, 1);
    emit table->itemDoubleClicked(table->item(1, 1));

    EXPECT_EQ(opened, 1);
    for (const _detail_t& d : storedQuestions()) {
        if (d.id == masteredId) {
            EXPECT_EQ(d.state, 1);
        }
    }
    ASSERT_EQ(rows.count(), 1);
    EXPECT_EQ(rows.at(0).at(0).toInt(), 1) << "the last question of the refilled page";

    // An empty row opens nothing.
    opened = -1;
    table->setCurrentCell(5, 1);
    emit table->itemDoubleClicked(table->item(5, 1));
    EXPECT_EQ(opened, -1);
}
