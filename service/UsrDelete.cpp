#include "service/UsrDelete.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "core/AppContext.h"
#include "core/Format.h"
#include "core/SettingsKeys.h"
#include "platform/RemoveTree.h"
#include "service/AccountFields.h"
#include "service/PasswordDigest.h"
#include "service/httpUtil.h"
#include "ui/AwaitTask.h"
#include "ui/QMessageBoxBase.h"

UsrDelete::UsrDelete(QWidget* parent) : QDialogBase(parent)
{
    setWindowTitle(QStringLiteral("注销帐户"));
    QVBoxLayout* layout = new QVBoxLayout();
    layout->setContentsMargins(0, 0, 0, 0);
    QFormLayout* form = new QFormLayout();
    form->setContentsMargins(10, 10, 10, 10);

    warning_ = new QLabel(this);
    warning_->setTextFormat(Qt::RichText);
    warning_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    warning_->setText(QStringLiteral("<ul><li><font color=\"red\">注销帐户将清空本地和云端所有数据</font></li></ul>"));
    confirm_ = new QCheckBox(QStringLiteral("我已知晓"), this);
    confirm_->setObjectName(QStringLiteral("checkBox_confirm"));
    password_ = makePasswordField(this, "lineEdit_password");
    form->addRow(QStringLiteral("提醒："), warning_);
    form->addRow(QString(), confirm_);
    form->addRow(QStringLiteral("密码："), password_);

    QDialogButtonBox* buttons = new QDialogButtonBox(this);
    buttons->setContentsMargins(10, 10, 10, 10);
    buttons->addButton(QStringLiteral("注销"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &UsrDelete::on_pushButton_usrDelete_clicked);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    layout->addLayout(form);
    layout->addWidget(buttons);
    addLayout(layout);
}

void UsrDelete::on_pushButton_usrDelete_clicked()
{
    if (!confirm_->isChecked()) {
        QMessageBoxBase::information(this, QStringLiteral("提示"), QStringLiteral("请勾选复选框"));
        return;
    }
    if (password_->text().isEmpty()) {
        QMessageBoxBase::information(this, QStringLiteral("提示"), QStringLiteral("密码不能为空"));
        return;
    }

    AppContext* context = AppContext::instance();
    const int id = context->user.id;
    const std::string digest = getMd5(password_->text()).toStdString();
    std::string msg;
    const int result = awaitTask([=, &msg] { return Singleton<httpUtil>::instance()->deleteUser(id, digest, msg); },
                                 msg);
    if (result != 0) {
        QMessageBoxBase::information(this, QStringLiteral("提示"), QString::fromUtf8(msg.c_str()));
        return;
    }

    // Only a real user folder name goes into the path, never an empty one
    // (which would name the whole question folder).
    if (!context->user_folder.empty())
        platform::removeTree(format("item/{0}", context->user_folder));
    setIniValue(ini::kUserId, QString());
    password_->clear();
    setIniValue(ini::kPassword, QVariant());
    QMessageBoxBase::information(this, QStringLiteral("提示"), QStringLiteral("已注销帐户"));
    accept();
}
