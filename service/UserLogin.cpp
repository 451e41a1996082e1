#include "service/UserLogin.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstring>

#include "core/SettingsKeys.h"
#include "service/AccountFields.h"
#include "service/DesCipher.h"
#include "service/PasswordDigest.h"
#include "service/UserPasswordReset.h"
#include "service/UserRegister.h"
#include "service/httpUtil.h"
#include "ui/AwaitTask.h"
#include "ui/Modal.h"

namespace {
const unsigned char kCipherKey[] = "quillmore-xeb...";
const int kBlockSize = 32;
}  // namespace

bool encipherRememberedPassword(const QString& password, QByteArray& out)
{
    const QByteArray bytes = password.toUtf8();
    // The bytes and their terminating zero must fit the block.
    if (bytes.size() + 1 > kBlockSize)
        return false;
    unsigned char block[kBlockSize] = {};
    std::memcpy(block, bytes.constData(), static_cast<size_t>(bytes.size()));
    if (desEncrypt(block, kBlockSize, kCipherKey) != 0)
        return false;
    out = QByteArray(reinterpret_cast<const char*>(block), kBlockSize);
    return true;
}

UserLogin::UserLogin(QWidget* parent) : QDialogBase(parent)
{
    setWindowTitle(QStringLiteral("用户登录"));

    userID_ = makeDigitField(this, "lineEdit_userID", 11);
    userID_->setPlaceholderText(QStringLiteral("手机号"));
    password_ = makePasswordField(this, "lineEdit_password", QStringLiteral("[a-zA-Z0-9-_.]+$"));
    password_->setPlaceholderText(QStringLiteral("密码"));
    QCheckBox* remember = new QCheckBox(QStringLiteral("记住密码"), this);
    remember->setObjectName(QStringLiteral("checkBox_remember"));
    remember_ = remember;
    error_ = new QLabel(this);
    error_->setObjectName(QStringLiteral("label_error"));
    error_->hide();

    QPushButton* login = new QPushButton(QStringLiteral("登录"), this);
    login->setObjectName(QStringLiteral("btn_login"));
    login->setDefault(true);
    QPushButton* registerButton = new QPushButton(QStringLiteral("注册"), this);
    registerButton->setObjectName(QStringLiteral("btn_register"));
    QPushButton* forget = new QPushButton(QStringLiteral("忘记密码"), this);
    forget->setObjectName(QStringLiteral("btn_forget_password"));

    QVBoxLayout* layout = new QVBoxLayout();
    layout->setContentsMargins(0, 0, 0, 0);
    QFormLayout* form = new QFormLayout();
    form->setContentsMargins(10, 10, 10, 10);
    form->addRow(QStringLiteral("手机号："), userID_);
    form->addRow(QStringLiteral("密码："), password_);
    QHBoxLayout* options = new QHBoxLayout();
    options->addWidget(remember);
    options->addStretch();
    options->addWidget(forget);
    form->addRow(QString(), options);
    form->addRow(QString(), error_);
    layout->addLayout(form);
    QHBoxLayout* bottom = new QHBoxLayout();
    bottom->setContentsMargins(10, 10, 10, 10);
    bottom->addWidget(registerButton);
    bottom->addStretch();
    bottom->addWidget(login);
    layout->addLayout(bottom);
    addLayout(layout);

    connect(login, &QPushButton::clicked, this, &UserLogin::on_btn_login_clicked);
    connect(registerButton, &QPushButton::clicked, this, &UserLogin::on_btn_register_clicked);
    connect(forget, &QPushButton::clicked, this, &UserLogin::on_btn_forget_password_clicked);
    connect(remember, &QCheckBox::stateChanged, this, &UserLogin::stateChanged);
    connect(userID_, &QLineEdit::textChanged, this, &UserLogin::lineEdit_userID_textChanged);
    connect(password_, &QLineEdit::textChanged, this, &UserLogin::lineEdit_password_textChanged);
}

void UserLogin::showError(QString text)
{
    error_->setText(QStringLiteral("<font color=\"red\">") + text + QStringLiteral("</font>"));
    error_->show();
}

void UserLogin::on_btn_login_clicked()
{
    const QString userID = userID_->text();
    const QString password = password_->text();
    const QString digest = getMd5(password);
    const bool remember = remember_->isChecked();

    if (userID.isEmpty()) {
        showError(QStringLiteral("手机号不能为空"));
        return;
    }
    if (userID.length() != 11) {
        showError(QStringLiteral("手机号位数不对"));
        return;
    }
    if (password.isEmpty()) {
        showError(QStringLiteral("密码不能为空"));
        return;
    }
    if (password.length() < 6) {
        showError(QStringLiteral("密码太短"));
        return;
    }

    const std::string account = userID.toStdString();
    const std::string passwordDigest = digest.toStdString();
    _user_t received;
    std::string msg;
    httpUtil* client = Singleton<httpUtil>::instance();
    const int result = awaitTask([client, account, passwordDigest, &received,
                                  &msg] { return client->userLogin(account, passwordDigest, received, msg); },
                                 msg);
    if (result != 0) {
        showError(QString::fromUtf8(msg.c_str()));
        return;
    }
    user = received;
    if (user.user_type != 2) {
        // The service handed out a token with the refused login: drop it.
        client->setToken(std::string());
        showError(QStringLiteral("无权限!非法登录"));
        return;
    }

    setIniValue(ini::kUserId, userID);
    if (remember) {
        QByteArray stored;
        // A password too long for the stored block is simply not remembered.
        if (encipherRememberedPassword(password, stored))
            setIniValue(ini::kPassword, stored);
    }
    accept();
}

void UserLogin::on_btn_forget_password_clicked()
{
    UserPasswordReset dialog(nullptr);
    dialog.setUserID(userID_->text());
    if (modal::exec(dialog) == 1) {
        password_->clear();
        showError(QStringLiteral("重置密码成功，默认密码704182"));
    }
}

void UserLogin::on_btn_register_clicked()
{
    UserRegister dialog(nullptr);
    if (modal::exec(dialog) == 1) {
        userID_->setText(dialog.getUserID());
        password_->setFocus(Qt::OtherFocusReason);
        showError(QStringLiteral("注册成功，请登录"));
    }
}

void UserLogin::stateChanged(int state)
{
    setIniValue(ini::kRememberPassword, state);
}

void UserLogin::lineEdit_userID_textChanged(QString text)
{
    if (!text.isEmpty())
        return;
    setIniValue(ini::kUserId, QString());
    password_->clear();
    setIniValue(ini::kPassword, QVariant());
}

void UserLogin::lineEdit_password_textChanged(QString text)
{
    if (text.isEmpty())
        setIniValue(ini::kPassword, QVariant());
}
