#include "capture/question/StateChangeWidget.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>

StateChangeWidget::StateChangeWidget(QWidget* parent) : QWidget(parent)
{
    lineState_ = new QLineEdit(this);
    lineState_->setReadOnly(true);
    lineState_->setFixedWidth(130);
    lineState_->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Minimum);

    btnMastered_ = makeButton("btn_mastered", QStringLiteral("已掌握"));
    btnMistakeAgain_ = makeButton("btn_mistakeAgain", QStringLiteral("又做错了"));
    connect(btnMastered_, &QToolButton::clicked, this, &StateChangeWidget::mastered_clicked);
    connect(btnMistakeAgain_, &QToolButton::clicked, this, &StateChangeWidget::mistakeAgain_clicked);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(lineState_);
    layout->addWidget(btnMastered_);
    layout->addWidget(btnMistakeAgain_);
    layout->addStretch();
}

StateChangeWidget::~StateChangeWidget() = default;

QToolButton* StateChangeWidget::makeButton(const char* objectName, const QString& toolTip)
{
    auto* button = new QToolButton(this);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setToolTip(toolTip);
    button->setContentsMargins(1, 1, 1, 1);
    button->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Minimum);
    return button;
}

void StateChangeWidget::setButtonVisible(int which, bool visible)
{
    (which == 0 ? btnMastered_ : btnMistakeAgain_)->setVisible(visible);
}

void StateChangeWidget::setText(QString text)
{
    lineState_->setText(text);
}

QString StateChangeWidget::text() const
{
    return lineState_->text();
}

bool StateChangeWidget::buttonShown(int which) const
{
    return !(which == 0 ? btnMastered_ : btnMistakeAgain_)->isHidden();
}
