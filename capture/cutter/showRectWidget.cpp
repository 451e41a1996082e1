#include "capture/cutter/showRectWidget.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPushButton>
#include <QShortcut>

namespace {

QPushButton* makeButton(QWidget* parent, const QString& text)
{
    auto* button = new QPushButton(text, parent);
    button->setFocusPolicy(Qt::NoFocus);
    button->setObjectName(QStringLiteral("showRectBtn"));
    button->setMinimumHeight(35);
    button->setMinimumWidth(100);
    return button;
}

}  // namespace

showRectWidget::showRectWidget(QWidget* parent) : QWidget(parent)
{
    setupButtons();
    setupLayout();
    setCursor(Qt::ArrowCursor);
    setupShortcuts();
    setMode(0);
}

showRectWidget::~showRectWidget() = default;

void showRectWidget::setupButtons()
{
    btnUpper_ = makeButton(this, QStringLiteral("抽取上半题"));
    btnLower_ = makeButton(this, QStringLiteral("抽取下半题"));
    btnAppend_ = makeButton(this, QStringLiteral("接上一题(F2)"));
    btnNew_ = makeButton(this, QStringLiteral("新建题目"));

    group_ = new QButtonGroup(this);
    group_->addButton(btnAppend_, 0);
    group_->addButton(btnUpper_, 1);
    group_->addButton(btnLower_, 2);
    group_->addButton(btnNew_, 3);
    // The cutter composes first; then the bar rearranges its buttons.
    connect(group_, &QButtonGroup::idClicked, this, &showRectWidget::btn_clicked);
    connect(group_, &QButtonGroup::idClicked, this, &showRectWidget::group_clicked);
}

void showRectWidget::setupLayout()
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addStretch();
    layout->addWidget(btnAppend_);
    layout->addWidget(btnUpper_);
    layout->addWidget(btnLower_);
    layout->addWidget(btnNew_);
}

void showRectWidget::setupShortcuts()
{
    const struct {
        int key;
        void (showRectWidget::*slot)();
    } keys[] = {
        {Qt::Key_F1, &showRectWidget::Shortcut1},
        {Qt::Key_F2, &showRectWidget::Shortcut2},
        {Qt::Key_Return, &showRectWidget::Shortcut4},
    };
    for (const auto& k : keys) {
        auto* shortcut = new QShortcut(QKeySequence(k.key), this);
        shortcut->setAutoRepeat(false);
        connect(shortcut, &QShortcut::activated, this, k.slot);
    }
}

QPushButton* showRectWidget::button(int id) const
{
    switch (id) {
    case 0: return btnAppend_;
    case 1: return btnUpper_;
    case 2: return btnLower_;
    case 3: return btnNew_;
    default: return nullptr;
    }
}

void showRectWidget::setMode(int mode)
{
    mode_ = mode;
    if (mode == 0) {
        btnUpper_->hide();
        btnLower_->hide();
        btnAppend_->show();
        btnNew_->show();
        btnNew_->setText(QStringLiteral("新建题目(F1)"));
    } else if (mode == 1) {
        btnUpper_->show();
        btnLower_->hide();
        btnAppend_->hide();
        btnNew_->show();
        btnNew_->setText(QStringLiteral("新建题目(Enter)"));
    }
}

void showRectWidget::group_clicked(int index)
{
    if (mode_ == 0)
        return;
    if (index == 1) {
        btnUpper_->hide();
        btnLower_->show();
        btnNew_->hide();
    } else if (index == 2) {
        btnUpper_->show();
        btnLower_->hide();
        btnNew_->show();
    }
}

void showRectWidget::reset()
{
    if (mode_ == 0)
        return;
    btnUpper_->show();
    btnLower_->hide();
    btnNew_->show();
}

// Each shortcut acts exactly as a click of its button, and only while the
// bar is visible.
void showRectWidget::Shortcut1()
{
    if (isVisible() && mode_ != 1)
        emit group_->idClicked(3);
}

void showRectWidget::Shortcut2()
{
    if (isVisible() && mode_ != 1)
        emit group_->idClicked(0);
}

void showRectWidget::Shortcut3()
{
    if (isVisible() && mode_ != 0)
        emit group_->idClicked(!btnUpper_->isHidden() ? 1 : 2);
}

void showRectWidget::Shortcut4()
{
    if (isVisible() && mode_ != 0)
        emit group_->idClicked(3);
}
