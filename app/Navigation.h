#pragma once

#include <QLabel>
#include <QMap>
#include <QTabBar>
#include <QTreeWidget>

// The small widgets of the main window's left panel.

// Tabs that can carry a red dot in their top-right corner.
class myTabBar : public QTabBar {
    Q_OBJECT
public:
    explicit myTabBar(QWidget* parent = nullptr);
    ~myTabBar() override;

    // Shows or hides the dot of one tab.
    void setDot(int index, bool on);
    bool hasDot(int index) const { return dots.value(index, false); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QMap<int, bool> dots;
};

// A tree row's text with a red count badge right of it (no badge at 0).
class treeLabel : public QLabel {
    Q_OBJECT
public:
    explicit treeLabel(const QString& text, QWidget* parent = nullptr);
    ~treeLabel() override;

    void setCount(int value);
    int getCount() const { return count; }

    // Where the badge goes for the current text, font and count: its size
    // follows the count's text, but it is never narrower than the label is high.
    QRect badgeRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int count = 0;
};

// The mastery tree: 未掌握 / 已掌握 / 全部, the first two split by how often
// a question was got wrong. Items are numbered 0 to 8 (top level 0, 1, 2;
// children of 0: 3, 4, 5; children of 1: 6, 7, 8).
class myTreeWidget : public QTreeWidget {
    Q_OBJECT
public:
    explicit myTreeWidget(QWidget* parent = nullptr);
    ~myTreeWidget() override;

    // Sets the badge of one item (the main window passes 3, 4 and 5).
    void setCount(int item, int count);

    treeLabel* label(int item) const { return labels.value(item, nullptr); }
    QTreeWidgetItem* treeItem(int item) const;

    // The (state, times) filter that an item stands for; false for a number
    // outside 0 to 8.
    static bool filterOf(int item, int& state, int& times);

signals:
    void item_clicked(int item);

private slots:
    void onItemClicked(QTreeWidgetItem* item, int column);

private:
    QMap<int, treeLabel*> labels;
    QMap<int, QTreeWidgetItem*> items;
};
