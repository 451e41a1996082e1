#include "capture/cutter/imageCutBar.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QIcon>
#include <QToolButton>

namespace {

QToolButton* makeButton(QWidget* parent, const QString& text, int picture, bool checkable)
{
    auto* button = new QToolButton(parent);
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setText(text);
    button->setIcon(
        QIcon(QStringLiteral(":/Lorvane/Resources/imagecut/imagecut_%1.png").arg(picture, 2, 10, QLatin1Char('0'))));
    button->setIconSize(QSize(64, 64));
    button->setCheckable(checkable);
    return button;
}

}  // namespace

imageCutBar::imageCutBar(QWidget* parent) : QWidget(parent)
{
    setupButtons();
    setupLayout();
    setCursor(Qt::ArrowCursor);
}

imageCutBar::~imageCutBar() = default;

void imageCutBar::setupButtons()
{
    btnMouse_ = makeButton(this, QStringLiteral("鼠  标"), 1, true);
    btnMouse_->setToolTip(QStringLiteral("长按空格进入鼠标模式"));
    btnCut_ = makeButton(this, QStringLiteral("裁  剪"), 2, true);
    btnStraighten_ = makeButton(this, QStringLiteral("扶  正"), 3, true);
    btnBackground_ = makeButton(this, QStringLiteral("去底色"), 4, true);
    btnLeft_ = makeButton(this, QStringLiteral("左  转"), 5, false);
    btnRight_ = makeButton(this, QStringLiteral("右  转"), 6, false);
    btnHorizontal_ = makeButton(this, QStringLiteral("水平扩展"), 7, false);
    btnVertical_ = makeButton(this, QStringLiteral("垂直扩展"), 8, false);

    group_ = new QButtonGroup(this);
    group_->setExclusive(true);
    group_->addButton(btnMouse_, 0);
    group_->addButton(btnCut_, 1);
}

void imageCutBar::setupLayout()
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    layout->addStretch();
    for (int i = 0; i < kButtonCount; ++i)
        layout->addWidget(button(i));
    layout->addStretch();
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
