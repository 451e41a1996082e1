#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

#include <memory>

#include "library/DetailcListWidget.h"
#include "library/QuestionFixture.h"
#include "library/SearchWidget.h"
#include "ui/ModalRecorder.h"
#include "ui/QMessageBoxBase.h"

namespace {

class DetailList : public ::testing::Test {
protected:
    void SetUp() override
    {
        fixture::openDatabase();
        fixture::clearQuestions();
        list = std::make_unique<DetailcListWidget>(nullptr, false);
    }
    void reload()
    {
        list->loadData();
        list->show_detail();
    }
    QString page() const { return list->pageLabel()->text(); }
    QString cell(int row, int column) const
    {
        QTableWidgetItem* item = list->table()->item(row, column);
        return item ? item->text() : QString();
    }
    void click(const char* objectName)
    {
        auto* button = list->findChild<QToolButton*>(QString::fromLatin1(objectName));
        ASSERT_NE(button, nullptr) << objectName;
        button->click();
    }

    ModalRecorder boxes;
    std::unique_ptr<DetailcListWidget> list;
};

TEST(DetailListText, PageLabel)
{
    struct Case {
        int offset;
        int total;
        const char* text;
    };
    const Case cases[] = {
        {0, 0, "第1/1页(共0道题)"},   {0, 1, "第1/1页(共1道题)"},    {0, 20, "第1/1页(共20道题)"},
        {0, 21, "第1/2页(共21道题)"}, {20, 45, "第2/3页(共45道题)"}, {40, 45, "第3/3页(共45道题)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DetailcListWidget::pageText(c.offset, c.total), QString::fromUtf8(c.text))
            << c.offset << " " << c.total;
}

TEST(DetailListText, MasteryPictures)
{
    struct Case {
        int state;
        int times;
        int n;
    };
    // Mastered shows level 3 whatever its times; otherwise times - 1.
    const Case cases[] = {{0, 1, 0}, {0, 2, 1}, {0, 3, 2}, {1, 1, 3}, {1, 3, 3}, {0, 0, -1}};
    for (int style = 0; style < 4; ++style) {
        for (const Case& c : cases) {
            _detail_t d;
            d.state = c.state;
            d.times = c.times;
            const QString file = DetailcListWidget::statePicture(style, d);
            EXPECT_EQ(file, QStringLiteral(":/Lorvane/Resources/state/%1-%2.png").arg(style).arg(c.n));
            if (c.n >= 0)
                EXPECT_FALSE(QPixmap(file).isNull()) << file.toStdString();
            else
                EXPECT_FALSE(QFile::exists(file));
        }
    }
}

TEST_F(DetailList, PagesThroughFortyFiveQuestions)
{
    fixture::addQuestions(45);
    reload();
    EXPECT_EQ(page(), QStringLiteral("第1/3页(共45道题)"));
    EXPECT_EQ(list->details().size(), 20u);
    const int first = list->details().front().number;
    EXPECT_EQ(cell(19, 1), QString::number(first + 19));

    click("previous_page");  // nothing before the first page
    EXPECT_EQ(list->offset(), 0);

    struct Step {
        const char* button;
        int offset;
        const char* text;
        size_t rows;
    };
    const Step steps[] = {
        {"next_page", 20, "第2/3页(共45道题)", 20},    {"next_page", 40, "第3/3页(共45道题)", 5},
        {"next_page", 40, "第3/3页(共45道题)", 5},     {"previous_page", 20, "第2/3页(共45道题)", 20},
        {"previous_page", 0, "第1/3页(共45道题)", 20}, {"previous_page", 0, "第1/3页(共45道题)", 20},
    };
    for (const Step& s : steps) {
        click(s.button);
        EXPECT_EQ(list->offset(), s.offset) << s.button;
        EXPECT_EQ(page(), QString::fromUtf8(s.text)) << s.button;
        EXPECT_EQ(list->details().size(), s.rows);
    }

    // Page 3: five rows, the rest of the table empty.
    click("next_page");
    click("next_page");
    EXPECT_EQ(cell(4, 1), QString::number(first + 44));
    EXPECT_EQ(list->table()->item(5, 0), nullptr);
    EXPECT_EQ(list->table()->cellWidget(5, 2), nullptr);
    EXPECT_EQ(list->table()->rowCount(), 20);
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(DetailList, EmptyFilterShowsPageOneOfOne)
{
    reload();
    EXPECT_EQ(page(), QStringLiteral("第1/1页(共0道题)"));
    click("next_page");
    click("previous_page");
    EXPECT_EQ(list->offset(), 0);
    EXPECT_EQ(list->table()->item(0, 1), nullptr);
}

TEST_F(DetailList, OffsetFallsBackOnlyWhenTheTotalNoLongerReachesIt)
{
    fixture::addQuestions(45);
    reload();
    click("next_page");
    click("next_page");
    ASSERT_EQ(list->offset(), 40);

    // Deleting the five questions of page 3 brings the list back to page 1.
    std::vector<int> ids;
    for (const _detail_t& d : list->details())
        ids.push_back(d.id);
    std::string err;
    ASSERT_EQ(fixture::db()->deleteDetails(ids, err), 0) << err;
    reload();
    EXPECT_EQ(list->offset(), 0);
    EXPECT_EQ(page(), QStringLiteral("第1/2页(共40道题)"));
}

TEST_F(DetailList, SearchFromPageTwoKeepsTheOffsetWhileItReaches)
{
    fixture::addQuestions(30, {0, 1, "勾股定理", "", "", 0});
    fixture::addQuestions(10, {0, 1, "一元二次方程", "", "", 0});
    reload();
    click("next_page");
    ASSERT_EQ(list->offset(), 20);

    list->searchLine()->setText(QStringLiteral("勾股"));
    click("tool_search");
    EXPECT_EQ(list->offset(), 20);
    EXPECT_EQ(page(), QStringLiteral("第2/2页(共30道题)"));

    list->searchLine()->setText(QStringLiteral("方程"));
    click("tool_search");
    EXPECT_EQ(list->offset(), 0);
    EXPECT_EQ(page(), QStringLiteral("第1/1页(共10道题)"));
}

TEST_F(DetailList, KeywordSearchAndClearing)
{
    fixture::addQuestions(5, {0, 1, "勾股定理", "期中考试", "", 0});
    fixture::addQuestions(7, {0, 1, "一元二次方程", "", "再看一遍", 0});
    reload();
    ASSERT_EQ(list->total(), 12);

    struct Case {
        const char* keyword;
        int total;
    };
    const Case cases[] = {{"勾股", 5}, {"方程", 7}, {"再看", 7}, {"期中", 5}, {"没有这个", 0}};
    for (const Case& c : cases) {
        list->searchLine()->setText(QString::fromUtf8(c.keyword));
        click("tool_search");
        EXPECT_EQ(list->total(), c.total) << c.keyword;
        EXPECT_FALSE(list->isExactMode());
    }
    // Return in the line searches too.
    list->searchLine()->setText(QStringLiteral("勾股"));
    QTest::keyClick(list->searchLine(), Qt::Key_Return);
    EXPECT_EQ(list->total(), 5);

    list->searchLine()->clear();
    EXPECT_EQ(list->total(), 12);
    EXPECT_EQ(page(), QStringLiteral("第1/1页(共12道题)"));
}

TEST_F(DetailList, ExactModeStaysUntilTheLineIsCleared)
{
    fixture::addQuestions(12);
    reload();
    ASSERT_EQ(list->total(), 12);

    // Numbers run on across the tests of one process: take them from the list.
    const int first = list->details().front().number;
    boxes.onDialog([first](QDialog& shown) {
        auto& dialog = dynamic_cast<SearchWidget&>(shown);
        dialog.startNumberEdit()->setText(QString::number(first + 2));
        dialog.endNumberEdit()->setText(QString::number(first + 6));
        dialog.btn_OK_clicked();
        return dialog.result();
    });
    QMetaObject::invokeMethod(list.get(), "btnSearch_clicked_more");
    EXPECT_TRUE(list->isExactMode());
    EXPECT_EQ(list->searchLine()->text(), QStringLiteral("精确查询"));
    EXPECT_EQ(list->total(), 5);
    EXPECT_EQ(cell(0, 1), QString::number(first + 2));

    // Typing over the line keeps the advanced conditions; Enter repeats them.
    list->searchLine()->setText(QStringLiteral("精确查询1"));
    QTest::keyClick(list->searchLine(), Qt::Key_Return);
    EXPECT_TRUE(list->isExactMode());
    EXPECT_EQ(list->total(), 5);

    // A rejected dialog changes nothing.
    boxes.setDialogResult(0);
    QMetaObject::invokeMethod(list.get(), "btnSearch_clicked_more");
    EXPECT_TRUE(list->isExactMode());
    EXPECT_EQ(list->total(), 5);

    list->searchLine()->clear();
    EXPECT_FALSE(list->isExactMode());
    EXPECT_EQ(list->total(), 12);
}

TEST_F(DetailList, CountsIgnoreTheListsOwnFilters)
{
    const AppContext* ctx = AppContext::instance();
    fixture::addQuestions(2, {0, 1, "", "", "", 0});
    fixture::addQuestions(1, {0, 2, "", "", "", 0});
    fixture::addQuestions(4, {0, 3, "", "", "", 0});
    fixture::addQuestions(3, {1, 1, "", "", "", 0});
    // Another subject does not count.
    ASSERT_GE(ctx->subjects.size(), 2u);
    fixture::addQuestion({0, 1, "", "", "", 0}, ctx->subjects[1].id);

    AppContext::instance()->state = 1;  // the list shows the mastered ones
    list->searchLine()->setText(QStringLiteral("没有这个"));
    QSignalSpy spy(list.get(), &DetailcListWidget::detailNumberChanged);
    click("tool_search");
    EXPECT_EQ(list->total(), 0);
    ASSERT_TRUE(spy.wait(30000));
    const QList<QVariant> counts = spy.takeFirst();
    EXPECT_EQ(counts.at(0).toInt(), 2);
    EXPECT_EQ(counts.at(1).toInt(), 1);
    EXPECT_EQ(counts.at(2).toInt(), 4);
}

TEST_F(DetailList, OnlyTheLatestReloadReportsItsCount)
{
    fixture::addQuestions(3);
    QSignalSpy spy(list.get(), &DetailcListWidget::detailNumberChanged);
    list->loadData();
    list->loadData();
    list->loadData();
    ASSERT_TRUE(spy.wait(30000));
    QTest::qWait(200);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 3);
}

TEST_F(DetailList, CountOutlivingTheListIsDropped)
{
    fixture::addQuestions(3);
    int received = 0;
    QObject receiver;
    QObject::connect(
        list.get(), &DetailcListWidget::detailNumberChanged, &receiver, [&] { ++received; }, Qt::QueuedConnection);
    list->loadData();
    list.reset();
    QTest::qWait(300);
    EXPECT_EQ(received, 0);
}

TEST_F(DetailList, CellsOfARow)
{
    const AppContext* ctx = AppContext::instance();
    ASSERT_FALSE(ctx->classifications.empty());
    fixture::Question q{1, 2, "勾股定理", "期中考试", "再看一遍", ctx->classifications.front().id};
    fixture::addQuestion(q);
    q.classification = 99999;  // not in the base data
    q.state = 0;
    fixture::addQuestion(q);
    AppContext::instance()->state = -1;  // 全部
    reload();

    ASSERT_EQ(list->details().size(), 2u);
    const int first = list->details().front().number;
    EXPECT_EQ(list->table()->item(0, 0)->checkState(), Qt::Unchecked);
    EXPECT_EQ(cell(0, 1), QString::number(first));
    EXPECT_EQ(cell(0, 3), QString::fromUtf8(ctx->classifications.front().name.c_str()));
    EXPECT_EQ(cell(0, 4), QStringLiteral("勾股定理"));
    EXPECT_EQ(cell(0, 8), QStringLiteral("期中考试"));
    EXPECT_EQ(cell(0, 9), QStringLiteral("再看一遍"));
    EXPECT_EQ(cell(0, 10).size(), 10);  // YYYY-MM-DD
    EXPECT_EQ(cell(1, 3), QString());

    // Mastered: level 3 of the style; not mastered, twice wrong: level 1.
    auto picture = [&](int row) {
        auto* label = qobject_cast<QLabel*>(list->table()->cellWidget(row, 2));
        return label ? label->pixmap(Qt::ReturnByValue).toImage() : QImage();
    };
    const int style = list->iconStyle();
    EXPECT_EQ(picture(0), QPixmap(QStringLiteral(":/Lorvane/Resources/state/%1-3.png").arg(style)).toImage());
    EXPECT_EQ(picture(1), QPixmap(QStringLiteral(":/Lorvane/Resources/state/%1-1.png").arg(style)).toImage());

    // Another style from the settings dialog reloads with its pictures.
    list->state_cion_changed(0);
    EXPECT_EQ(picture(0), QPixmap(QStringLiteral(":/Lorvane/Resources/state/0-3.png")).toImage());

    // Descending order.
    list->detail_order_changed(1);
    EXPECT_EQ(cell(0, 1), QString::number(first + 1));
}

TEST_F(DetailList, CompactFormLeavesTheLastColumnsHiddenAndEmpty)
{
    fixture::addQuestion({0, 1, "勾股定理", "期中考试", "再看一遍", 0});
    DetailcListWidget compact(nullptr, true);
    compact.loadData();
    compact.show_detail();
    for (int c = 0; c < DetailcListWidget::kColumns; ++c)
        EXPECT_EQ(compact.table()->isColumnHidden(c), c >= 7) << c;
    EXPECT_EQ(compact.table()->item(0, 4)->text(), QStringLiteral("勾股定理"));
    for (int c = 7; c < DetailcListWidget::kColumns; ++c)
        EXPECT_EQ(compact.table()->item(0, c), nullptr) << c;
}

}  // namespace

// The scroll bars are hidden: a full page must be seen whole, pictures
// included, also in a window far smaller than the screen.
TEST_F(DetailList, AFullPageFitsASmallWindow)
{
    fixture::addQuestions(20, {0, 3, "", "", "", 0});
    list->resize(700, 520);
    list->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list.get()));
    reload();
    QTableWidget* table = list->table();
    const QRect viewport = table->viewport()->rect();
    const QRect lastRow = table->visualRect(table->model()->index(DetailcListWidget::kPageSize - 1, 1));
    EXPECT_TRUE(viewport.contains(lastRow)) << lastRow.bottom() << " > " << viewport.bottom();
    EXPECT_GE(table->columnWidth(2), DetailcListWidget::kStatePictureWidth);
}
