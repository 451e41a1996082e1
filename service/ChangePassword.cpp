#include "service/ChangePassword.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/AppContext.h"
#include "service/AccountFields.h"
#include "service/PasswordDigest.h"
#include "service/httpUtil.h"
#include "ui/AwaitTask.h"
#include "ui/QMessageBoxBase.h"

ChangePassword::ChangePassword(QWidget* parent) : QDialogBase(parent)
{
    setWindowTitle(QStringLiteral("修改密码"));
    QVBoxLayout* layout = new QVBoxLayout();
    QFormLayout* form = new QFormLayout();
    form->setContentsMargins(10, 10, 10, 10);
    oldPassword_ = makePasswordField(this, "lineEdit_old");
    newPassword_ = makePasswordField(this, "lineEdit_new");
    confirmation_ = makePasswordField(this, "lineEdit_confirm");
    form->addRow(QStringLiteral("原密码："), oldPassword_);
    form->addRow(QStringLiteral("新密码："), newPassword_);
    form->addRow(QStringLiteral("新密码确认："), confirmation_);

    QDialogButtonBox* buttons = new QDialogButtonBox(this);
    buttons->setContentsMargins(10, 10, 10, 10);
    buttons->addButton(QStringLiteral("修改"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &ChangePassword::on_pushButton_change_password_clicked);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    layout->addLayout(form);
    layout->addWidget(buttons);
    addLayout(layout);
}

void ChangePassword::on_pushButton_change_password_clicked()
{
    const QString oldText = oldPassword_->text();
    const QString newText = newPassword_->text();
    const QString confirmText = confirmation_->text();
    QString refusal;
    if (oldText.isEmpty())
        refusal = QStringLiteral("原密码不能为空");
    else if (oldText.length() < 6)
        refusal = QStringLiteral("原密码不能短于6位");
    else if (newText.isEmpty())
        refusal = QStringLiteral("新密码不能为空");
    else if (newText.length() < 6)
        refusal = QStringLiteral("新密码不能短于6位");
    else if (confirmText != newText)
        refusal = QStringLiteral("两次密码输入不一致");
    if (!refusal.isEmpty()) {
        QMessageBoxBase::information(this, QStringLiteral("提示"), refusal);
        return;
    }

    const int id = AppContext::instance()->user.id;
    const std::string oldDigest = getMd5(oldText).toStdString();
    const std::string newDigest = getMd5(newText).toStdString();
    std::string msg;
    const int result = awaitTask(
        [=, &msg] { return Singleton<httpUtil>::instance()->changePassword(id, oldDigest, newDigest, msg); }, msg);
    if (result != 0) {
        QMessageBoxBase::information(this, QStringLiteral("提示"), QString::fromUtf8(msg.c_str()));
        return;
    }
    QMessageBoxBase::information(this, QStringLiteral("提示"), QStringLiteral("修改密码成功"));
    accept();
}
