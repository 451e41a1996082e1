#include "app/Navigation.h"

#include <QImage>
#include <QPainter>

#include <algorithm>

// ---------------------------------------------------------------- myTabBar

myTabBar::myTabBar(QWidget* parent) : QTabBar(parent) {}

myTabBar::~myTabBar() = default;

void myTabBar::setDot(int index, bool on)
{
    dots[index] = on;
    update();
}

void myTabBar::paintEvent(QPaintEvent* event)
{
    QTabBar::paintEvent(event);

    QImage dot(10, 10, QImage::Format_ARGB32);
    dot.fill(Qt::transparent);
    {
        QPainter p(&dot);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QBrush(Qt::red, Qt::SolidPattern));
        p.drawEllipse(dot.rect());
    }

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < count(); ++i) {
        const QRect r = tabRect(i);
        if (r.isNull() || !dots.value(i, false))
            continue;
        const QRect target(r.right() - 10 + 1, r.top(), 10, 10);
        painter.drawImage(target, dot);
    }
}

// ---------------------------------------------------------------- treeLabel

namespace {

// The badge's digits stay inside its ellipse: a count whose text fills the
// badge's width is written a little smaller.
QFont badgeFont(const QFont& font, int textWidth, int badgeWidth)
{
    QFont small = font;
    const double room = 0.8 * badgeWidth;
    if (textWidth > 0 && textWidth > room) {
        const double scale = room / textWidth;
        if (font.pixelSize() > 0)
            small.setPixelSize(std::max(6, static_cast<int>(font.pixelSize() * scale)));
        else
            small.setPointSizeF(std::max(5.0, font.pointSizeF() * scale));
    }
    return small;
}

}  // namespace

treeLabel::treeLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {}

treeLabel::~treeLabel() = default;

void treeLabel::setCount(int value)
{
    count = value;
    update();
}

QRect treeLabel::badgeRect() const
{
    const QFontMetrics fm(font());
    const QString badge = QString::number(count);
    QRect r(0, 0, fm.horizontalAdvance(badge), fm.height());
    if (r.width() < r.height())
        r.setWidth(height());
    return r;
}

void treeLabel::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    if (rect().isNull() || count <= 0)
        return;

    const QFontMetrics fm(font());
    const int w = fm.horizontalAdvance(text());
    const QRect badge = badgeRect();
    if (badge.isEmpty())
        return;

    QImage image(badge.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.setPen(QPen(Qt::red));
        p.setBrush(QBrush(Qt::red));
        p.drawEllipse(badge.adjusted(0, 0, -1, -1));
        p.setPen(QPen(Qt::white));
        p.setFont(badgeFont(font(), fm.horizontalAdvance(QString::number(count)), badge.width()));
        p.drawText(badge, Qt::AlignCenter, QString::number(count));
    }
    QPainter painter(this);
    painter.drawImage(QPoint(w + 4, 0), image);
}

// ---------------------------------------------------------------- myTreeWidget

namespace {

struct TreeRow {
    const char* text;
    int parent;  // -1 top level
    int state;
    int times;
};

const TreeRow kTreeRows[9] = {
    {"未掌握", -1, 0, -1}, {"已掌握", -1, 1, -1}, {"全部", -1, -1, -1},  {"初次出错", 0, 0, 1}, {"重复出错", 0, 0, 2},
    {"多次出错", 0, 0, 3}, {"初次出错", 1, 1, 1}, {"重复出错", 1, 1, 2}, {"多次出错", 1, 1, 3},
};

}  // namespace

myTreeWidget::myTreeWidget(QWidget* parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setFocusPolicy(Qt::NoFocus);

    for (int i = 0; i < 9; ++i) {
        const TreeRow& row = kTreeRows[i];
        auto* label = new treeLabel(QString::fromUtf8(row.text));
        labels.insert(i, label);
        QTreeWidgetItem* item = row.parent < 0 ? new QTreeWidgetItem(this, 0)
                                               : new QTreeWidgetItem(items.value(row.parent), 0);
        items.insert(i, item);
        setItemWidget(item, 0, label);
    }
    expandAll();
    connect(this, &QTreeWidget::itemClicked, this, &myTreeWidget::onItemClicked);
    setCurrentItem(items.value(0));
}

myTreeWidget::~myTreeWidget() = default;

QTreeWidgetItem* myTreeWidget::treeItem(int item) const
{
    return items.value(item, nullptr);
}

void myTreeWidget::setCount(int item, int count)
{
    treeLabel* label = labels.value(item, nullptr);
    if (!label)
        return;
    label->setCount(count);
}

bool myTreeWidget::filterOf(int item, int& state, int& times)
{
    if (item < 0 || item > 8)
        return false;
    state = kTreeRows[item].state;
    times = kTreeRows[item].times;
    return true;
}

void myTreeWidget::onItemClicked(QTreeWidgetItem* item, int column)
{
    QWidget* widget = itemWidget(item, column);
    if (!widget)
        return;
    for (auto it = labels.constBegin(); it != labels.constEnd(); ++it) {
        if (it.value() == widget) {
            emit item_clicked(it.key());
            return;
        }
    }
}
