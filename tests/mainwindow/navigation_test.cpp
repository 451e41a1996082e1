#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>
#include <QTest>

#include "app/Navigation.h"

namespace {

// Clicks an item of a shown tree the way the user does: on its row, which the
// item's label covers.
void clickItem(myTreeWidget& tree, int item)
{
    const QRect r = tree.visualItemRect(tree.treeItem(item));
    ASSERT_FALSE(r.isEmpty());
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
}

TEST(MasteryTree, ItemsAndTheirFilters)
{
    struct Row {
        int item;
        const char* text;
        int parent;
        int state;
        int times;
    };
    const Row rows[] = {
        {0, "未掌握", -1, 0, -1}, {1, "已掌握", -1, 1, -1}, {2, "全部", -1, -1, -1},
        {3, "初次出错", 0, 0, 1}, {4, "重复出错", 0, 0, 2}, {5, "多次出错", 0, 0, 3},
        {6, "初次出错", 1, 1, 1}, {7, "重复出错", 1, 1, 2}, {8, "多次出错", 1, 1, 3},
    };

    myTreeWidget tree;
    tree.resize(300, 400);
    tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    EXPECT_EQ(tree.currentItem(), tree.treeItem(0));

    QList<int> clicked;
    QObject::connect(&tree, &myTreeWidget::item_clicked, [&](int item) { clicked << item; });
    for (const Row& row : rows) {
        SCOPED_TRACE(row.item);
        ASSERT_NE(tree.label(row.item), nullptr);
        EXPECT_EQ(tree.label(row.item)->text(), QString::fromUtf8(row.text));
        QTreeWidgetItem* parent = tree.treeItem(row.item)->parent();
        EXPECT_EQ(parent, row.parent < 0 ? nullptr : tree.treeItem(row.parent));

        int state = 99, times = 99;
        ASSERT_TRUE(myTreeWidget::filterOf(row.item, state, times));
        EXPECT_EQ(state, row.state);
        EXPECT_EQ(times, row.times);

        clicked.clear();
        clickItem(tree, row.item);
        EXPECT_EQ(clicked, QList<int>{row.item});
    }
    int state = 7, times = 7;
    EXPECT_FALSE(myTreeWidget::filterOf(9, state, times));
    EXPECT_FALSE(myTreeWidget::filterOf(-1, state, times));
    EXPECT_EQ(state, 7);
    EXPECT_EQ(times, 7);
}

TEST(MasteryTree, BadgeWidthFollowsTheCount)
{
    treeLabel label(QStringLiteral("重复出错"));
    label.resize(120, 24);
    const QFontMetrics fm(label.font());

    label.setCount(2);
    EXPECT_EQ(label.badgeRect().width(), label.height());  // a narrow text gives a round badge
    EXPECT_EQ(label.badgeRect().height(), fm.height());

    label.setCount(12345);
    EXPECT_EQ(label.badgeRect().width(), fm.horizontalAdvance(QStringLiteral("12345")));
}

// Pixels of a rendered widget that are clearly red.
int redPixels(QWidget& w, const QRect& area)
{
    const QImage image = w.grab().toImage();
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            n += (c.red() > 200 && c.green() < 80 && c.blue() < 80) ? 1 : 0;
        }
    return n;
}

TEST(MasteryTree, BadgeIsDrawnOnlyForPositiveCounts)
{
    treeLabel label(QStringLiteral("初次出错"));
    label.resize(160, 24);
    const QFontMetrics fm(label.font());
    const QRect right(fm.horizontalAdvance(label.text()) + 4, 0, 160 - fm.horizontalAdvance(label.text()) - 4, 24);
    for (int count : {0, -3}) {
        label.setCount(count);
        EXPECT_EQ(redPixels(label, right), 0) << count;
    }
    label.setCount(7);
    EXPECT_GT(redPixels(label, right), 20);
}

TEST(TabDot, DrawnInTheTopRightCornerOfFlaggedTabsOnly)
{
    myTabBar bar;
    bar.addTab(QStringLiteral("科目"));
    bar.addTab(QStringLiteral("掌握情况"));
    bar.resize(bar.sizeHint());
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    auto corner = [&](int tab) {
        const QRect r = bar.tabRect(tab);
        return QRect(r.right() - 9, r.top(), 10, 10);
    };
    ASSERT_TRUE(bar.rect().contains(corner(1)));

    EXPECT_EQ(redPixels(bar, corner(1)), 0);
    bar.setDot(1, true);
    EXPECT_TRUE(bar.hasDot(1));
    EXPECT_GT(redPixels(bar, corner(1)), 20);
    EXPECT_EQ(redPixels(bar, corner(0)), 0);
    bar.setDot(1, false);
    EXPECT_EQ(redPixels(bar, corner(1)), 0);
}

}  // namespace
