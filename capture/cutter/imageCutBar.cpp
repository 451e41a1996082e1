#include "capture/cutter/imageCutBar.h"

#include <QButtonGroup>
#include <QIcon>
#include <QToolButton>

imageCutBar::imageCutBar(QWidget* parent) : AdaptiveToolBar(parent)
{
    setupButtons();
    finish();
    setCursor(Qt::ArrowCursor);
}

imageCutBar::~imageCutBar() = default;

QToolButton* imageCutBar::makeButton(const QString& text, int picture, bool checkable)
{
    QToolButton* button = addButton(
        QIcon(QStringLiteral(":/Lorvane/Resources/imagecut/imagecut_%1.png").arg(picture, 2, 10, QLatin1Char('0'))),
        text);
    button->setCheckable(checkable);
    return button;
}

// Left to right in the bar's row.
void imageCutBar::setupButtons()
{
    btnMouse_ = makeButton(QStringLiteral("鼠  标"), 1, true);
    btnMouse_->setToolTip(QStringLiteral("长按空格进入鼠标模式"));
    btnCut_ = makeButton(QStringLiteral("裁  剪"), 2, true);
    btnStraighten_ = makeButton(QStringLiteral("扶  正"), 3, true);
    btnBackground_ = makeButton(QStringLiteral("去底色"), 4, true);
    btnLeft_ = makeButton(QStringLiteral("左  转"), 5, false);
    btnRight_ = makeButton(QStringLiteral("右  转"), 6, false);
    btnHorizontal_ = makeButton(QStringLiteral("水平扩展"), 7, false);
    btnVertical_ = makeButton(QStringLiteral("垂直扩展"), 8, false);

    group_ = new QButtonGroup(this);
    group_->setExclusive(true);
    group_->addButton(btnMouse_, 0);
    group_->addButton(btnCut_, 1);
}

QToolButton* imageCutBar::button(int index) const
{
    QToolButton* const buttons[kButtonCount] = {btnMouse_, btnCut_,   btnStraighten_, btnBackground_,
                                                btnLeft_,  btnRight_, btnHorizontal_, btnVertical_};
    return index >= 0 && index < kButtonCount ? buttons[index] : nullptr;
}

void imageCutBar::showEvent(QShowEvent* event)
{
    if (QWidget* parent = parentWidget())
        move(parent->width() / 2 - width() / 2, parent->height() - height());
    QWidget::showEvent(event);
}
