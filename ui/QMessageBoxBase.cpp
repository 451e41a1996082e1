#include "ui/QMessageBoxBase.h"

#include "ui/Modal.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include <vector>

QMessageBoxBase::QMessageBoxBase(QWidget*, const QString& title, const QString& text, int kind) : QDialogBase(nullptr)
{
    setButtons(QTitleBar::kCloseBit);
    setWindowTitle(title);

    iconLabel_ = new QLabel(this);
    const QPixmap informationIcon(QStringLiteral(":/Lorvane/Resources/information.png"));
    const QPixmap questionIcon(QStringLiteral(":/Lorvane/Resources/question.png"));
    iconLabel_->setPixmap(kind != Information ? questionIcon : informationIcon);
    iconLabel_->setFixedSize(60, 60);

    textLabel_ = new QLabel(text, this);
    textLabel_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    textLabel_->setWordWrap(false);

    firstButton_ = new QPushButton(this);
    secondButton_ = new QPushButton(QStringLiteral("否"), this);
    if (kind == Information) {
        firstButton_->setText(QStringLiteral("确定"));
        secondButton_->hide();
    } else {
        firstButton_->setText(QStringLiteral("是"));
    }
    connect(firstButton_, &QPushButton::clicked, this, &QDialog::accept);
    connect(secondButton_, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout;
    auto* body = new QHBoxLayout;
    body->addWidget(iconLabel_);
    body->addWidget(textLabel_);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(firstButton_);
    row->addWidget(secondButton_);
    layout->addLayout(body);
    layout->addLayout(row);
    addLayout(layout);

    QApplication::beep();
}

QMessageBoxBase::~QMessageBoxBase() = default;

QSize QMessageBoxBase::sizeHint() const
{
    return QSize(100, 50);
}

int QMessageBoxBase::run(QWidget* parent, const QString& title, const QString& text, int kind)
{
    return modal::message(kind, title, text, [&] {
        QMessageBoxBase box(parent, title, text, kind);
        return box.exec();
    });
}

int QMessageBoxBase::information(QWidget* parent, const QString& title, const QString& text)
{
    return run(parent, title, text, Information);
}

int QMessageBoxBase::question(QWidget* parent, const QString& title, const QString& text)
{
    return run(parent, title, text, Question);
}
