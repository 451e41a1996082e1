#include "capture/common/AdaptiveToolBar.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QToolButton>

#include <algorithm>

namespace {

int spacingFor(int side)
{
    return side >= AdaptiveToolBar::kLargeIcon ? 10 : 4;
}

// The part of a text-under-icon button's width that depends on its icon: the
// wider of the icon and the text, which the button pads with a blank on each
// side. The style adds the same frame at every icon size.
int contentWidth(const QToolButton* button, int side)
{
    const QFontMetrics fm = button->fontMetrics();
    const int text = fm.size(Qt::TextShowMnemonic, button->text()).width() + 2 * fm.horizontalAdvance(QLatin1Char(' '));
    return std::max(side, text);
}

}  // namespace

AdaptiveToolBar::AdaptiveToolBar(QWidget* parent) : QWidget(parent)
{
    row_ = new QHBoxLayout(this);
    row_->setSpacing(spacingFor(side_));
    row_->setContentsMargins(0, 0, 0, 0);
    row_->addStretch();
}

AdaptiveToolBar::~AdaptiveToolBar() = default;

QToolButton* AdaptiveToolBar::addButton(const QIcon& icon, const QString& text)
{
    auto* button = new QToolButton(this);
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setIconSize(QSize(side_, side_));
    button->setIcon(icon);
    button->setText(text);
    row_->addWidget(button);
    buttons_.append(button);
    return button;
}

void AdaptiveToolBar::finish()
{
    row_->addStretch();
}

QSize AdaptiveToolBar::rowSize(int side) const
{
    int width = 0;
    int height = 0;
    for (const QToolButton* b : buttons_) {
        // The button's own size hint at its present icon, moved to `side`.
        const QSize now = b->sizeHint();
        const int present = b->iconSize().width();
        width += now.width() - contentWidth(b, present) + contentWidth(b, side);
        height = std::max(height, now.height() - present + side);
    }
    if (buttons_.size() > 1)
        width += spacingFor(side) * (buttons_.size() - 1);
    const QMargins m = contentsMargins();
    return QSize(width + m.left() + m.right(), height + m.top() + m.bottom());
}

int AdaptiveToolBar::iconSideFor(int width) const
{
    return rowSize(kLargeIcon).width() <= width ? kLargeIcon : kSmallIcon;
}

bool AdaptiveToolBar::adaptTo(int width)
{
    const int side = iconSideFor(width);
    if (side == side_)
        return false;
    side_ = side;
    row_->setSpacing(spacingFor(side));
    for (QToolButton* b : buttons_)
        b->setIconSize(QSize(side, side));
    return true;
}

int AdaptiveToolBar::heightFor(int width) const
{
    return std::max(minimumHeight(), rowSize(iconSideFor(width)).height());
}

QSize AdaptiveToolBar::minimumSizeHint() const
{
    return QSize(rowSize(kSmallIcon).width(), std::max(minimumHeight(), rowSize(side_).height()));
}

void AdaptiveToolBar::resizeEvent(QResizeEvent* event)
{
    adaptTo(width());
    QWidget::resizeEvent(event);
}
