#include "service/UserPasswordReset.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "service/AccountFields.h"
#include "service/httpUtil.h"
#include "ui/AwaitTask.h"
#include "ui/QMessageBoxBase.h"

UserPasswordReset::UserPasswordReset(QWidget* parent)
    : QDialogBase(parent), phone_(makeDigitField(this, "lineEdit_userID", 11)),
      sms_code_(makeDigitField(this, "lineEdit_SMS", 4)), mark_(new QLabel(this)),
      send_(new QPushButton(QStringLiteral("获取验证码"), this)),
      reset_(new QPushButton(QStringLiteral("重置密码"), this)), sms_(this, phone_, send_, [this] { time_slot(); })
{
    setWindowTitle(QStringLiteral("重置密码"));
    sms_code_->setPlaceholderText(QString());
    mark_->setObjectName(QStringLiteral("label_smsMark"));
    mark_->setFixedSize(24, 24);
    send_->setObjectName(QStringLiteral("pushButton_sendSMS"));
    send_->setEnabled(false);
    reset_->setObjectName(QStringLiteral("pushButton_reset"));
    reset_->setEnabled(false);

    QVBoxLayout* layout = new QVBoxLayout();
    layout->setContentsMargins(0, 0, 0, 0);
    QFormLayout* form = new QFormLayout();
    form->setContentsMargins(10, 10, 10, 10);
    form->addRow(QStringLiteral("手机号："), phone_);
    QHBoxLayout* smsRow = new QHBoxLayout();
    smsRow->addWidget(sms_code_);
    smsRow->addWidget(mark_);
    smsRow->addWidget(send_);
    form->addRow(QStringLiteral("验证码："), smsRow);
    layout->addLayout(form);
    QHBoxLayout* bottom = new QHBoxLayout();
    bottom->setContentsMargins(10, 10, 10, 10);
    bottom->addStretch();
    bottom->addWidget(reset_);
    layout->addLayout(bottom);
    addLayout(layout);

    connect(phone_, &QLineEdit::textChanged, this, &UserPasswordReset::lineEdit_userID_textChanged);
    connect(sms_code_, &QLineEdit::textChanged, this, &UserPasswordReset::lineEdit_SMS_textChanged);
    connect(send_, &QPushButton::clicked, this, &UserPasswordReset::on_pushButton_sendSMS_clicked);
    connect(reset_, &QPushButton::clicked, this, &UserPasswordReset::on_pushButton_reset_clicked);
}

void UserPasswordReset::setUserID(QString text)
{
    phone_->setText(text);
}

void UserPasswordReset::lineEdit_userID_textChanged(const QString& text)
{
    sms_.phoneChanged(text);
}

void UserPasswordReset::lineEdit_SMS_textChanged(const QString& text)
{
    reset_->setEnabled(sms_.showMark(mark_, text));
}

void UserPasswordReset::on_pushButton_sendSMS_clicked()
{
    sms_.send();
}

void UserPasswordReset::time_slot()
{
    sms_.tick();
}

void UserPasswordReset::on_pushButton_reset_clicked()
{
    const QString phone = phone_->text();
    const QString refusal = sms_.refusal(sms_code_->text());
    if (!refusal.isEmpty()) {
        QMessageBoxBase::information(this, QStringLiteral("提示"), refusal);
        return;
    }

    const std::string userID = phone.toStdString();
    std::string msg;
    const int result = awaitTask([userID, &msg] { return Singleton<httpUtil>::instance()->resetPassword(userID, msg); },
                                 msg);
    if (result != 0) {
        QMessageBoxBase::information(this, QStringLiteral("提示"), QString::fromUtf8(msg.c_str()));
        return;
    }
    accept();
}
