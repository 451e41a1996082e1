#include "capture/question/WrapLayout.h"

#include <QWidget>

#include <algorithm>
#include <vector>

WrapLayout::WrapLayout(QWidget* parent) : QLayout(parent) {}

WrapLayout::~WrapLayout()
{
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

void WrapLayout::addItem(QLayoutItem* item)
{
    items_.append(item);
}

int WrapLayout::count() const
{
    return items_.size();
}

QLayoutItem* WrapLayout::itemAt(int index) const
{
    return items_.value(index);
}

QLayoutItem* WrapLayout::takeAt(int index)
{
    return index >= 0 && index < items_.size() ? items_.takeAt(index) : nullptr;
}

Qt::Orientations WrapLayout::expandingDirections() const
{
    return {};
}

bool WrapLayout::hasHeightForWidth() const
{
    return true;
}

int WrapLayout::heightForWidth(int width) const
{
    return arrange(QRect(0, 0, width, 0), false);
}

QSize WrapLayout::minimumSize() const
{
    QSize size;
    for (const QLayoutItem* item : items_)
        size = size.expandedTo(item->minimumSize());
    const QMargins m = contentsMargins();
    return size + QSize(m.left() + m.right(), m.top() + m.bottom());
}

// Everything on one line.
QSize WrapLayout::sizeHint() const
{
    int width = 0;
    int height = 0;
    int shown = 0;
    for (const QLayoutItem* item : items_) {
        if (item->isEmpty())
            continue;
        width += item->sizeHint().width();
        height = std::max(height, item->sizeHint().height());
        ++shown;
    }
    if (shown > 1)
        width += spacing() * (shown - 1);
    const QMargins m = contentsMargins();
    return QSize(width + m.left() + m.right(), height + m.top() + m.bottom());
}

void WrapLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

int WrapLayout::arrange(const QRect& rect, bool place) const
{
    const QMargins m = contentsMargins();
    const QRect area = rect.marginsRemoved(m);
    const int gap = std::max(0, spacing());

    // Break the items into lines, then place each line.
    std::vector<std::vector<QLayoutItem*>> lines(1);
    int x = 0;
    for (QLayoutItem* item : items_) {
        if (item->isEmpty())
            continue;
        const int w = std::min(item->sizeHint().width(), area.width());
        if (!lines.back().empty() && x + gap + w > area.width()) {
            lines.emplace_back();
            x = 0;
        }
        x += (lines.back().empty() ? 0 : gap) + w;
        lines.back().push_back(item);
    }

    int y = area.top();
    for (const auto& line : lines) {
        if (line.empty())
            continue;
        int lineHeight = 0;
        for (const QLayoutItem* item : line)
            lineHeight = std::max(lineHeight, item->sizeHint().height());
        int left = area.left();
        for (QLayoutItem* item : line) {
            const QSize hint = item->sizeHint();
            const int w = std::min(hint.width(), area.width());
            if (place)
                item->setGeometry(QRect(left, y + (lineHeight - hint.height()) / 2, w, hint.height()));
            left += w + gap;
        }
        y += lineHeight + gap;
    }
    const int used = y - area.top() - (y > area.top() ? gap : 0);
    return used + m.top() + m.bottom();
}
