#include "ui/QDialogBase.h"

#include <QIcon>
#include <QPropertyAnimation>
#include <QShowEvent>
#include <QVBoxLayout>

#include "ui/QTitleBar.h"
#include "ui/ScreenFit.h"

QDialogBase::QDialogBase(QWidget* parent) : QDialog(parent)
{
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowMaximizeButtonHint);

    outerLayout_ = new QVBoxLayout;
    outerLayout_->setContentsMargins(1, 1, 1, 1);
    contentLayout_ = new QVBoxLayout;
    contentLayout_->setContentsMargins(5, 5, 5, 5);

    titleBar_ = new QTitleBar(this);
    installEventFilter(titleBar_);
    connect(titleBar_, &QTitleBar::button_clicked, this, &QDialogBase::buttonClicked);

    setWindowIcon(QIcon(QStringLiteral(":/Lorvane/Resources/logo/logo3.png")));

    outerLayout_->addWidget(titleBar_);
    outerLayout_->addLayout(contentLayout_);
    setLayout(outerLayout_);

    auto* fade = new QPropertyAnimation(this, "windowOpacity");
    fade->setKeyValueAt(0.0, 0.3);
    fade->setKeyValueAt(1.0, 1.0);
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

QDialogBase::~QDialogBase() = default;

void QDialogBase::addLayout(QLayout* layout)
{
    contentLayout_->addLayout(layout);
}

void QDialogBase::setButtons(int mask)
{
    titleBar_->setButtons(mask);
}

int QDialogBase::buttons() const
{
    return titleBar_->buttons();
}

void QDialogBase::setMaximized(bool on)
{
    titleBar_->setMaximized(on);
}

bool QDialogBase::isMaximized() const
{
    return titleBar_->isMaximized();
}

void QDialogBase::resize(int width, int height)
{
    QWidget::resize(width, height);
    titleBar_->setNormalSize(width, height);
}

void QDialogBase::resize(const QSize& size)
{
    resize(size.width(), size.height());
}

void QDialogBase::done(int result)
{
    QDialog::done(result);
    close();
}

// A window larger than the free area of its screen (a small laptop, a large
// scale factor) opens clamped to that area and placed inside it; the clamped
// size is also the size to restore to after maximizing.
void QDialogBase::showEvent(QShowEvent* event)
{
    if (!event->spontaneous() && isWindow() && screenfit::fitIntoScreen(this))
        titleBar_->setNormalSize(width(), height());
    QDialog::showEvent(event);
}

void QDialogBase::titleBar_buttonClicked(int) {}

void QDialogBase::buttonClicked(int id)
{
    titleBar_buttonClicked(id);
}
