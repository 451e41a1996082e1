#include "service/UserRegister.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "service/AccountFields.h"
#include "service/PasswordDigest.h"
#include "service/VerificationCodeLabel.h"
#include "service/httpUtil.h"
#include "ui/AwaitTask.h"
#include "ui/QMessageBoxBase.h"
#include "ui/StyledPaint.h"

UserRegister::UserRegister(QWidget* parent)
    : QDialogBase(parent), phone_(makeDigitField(this, "lineEdit_userID", 11)),
      sms_code_(makeDigitField(this, "lineEdit_SMS", 4)), mark_(new QLabel(this)),
      send_(new QPushButton(QStringLiteral("获取验证码"), this)), sms_(this, phone_, send_, [this] { time_slot(); })
{
    setWindowTitle(QStringLiteral("用户注册"));
    mark_->setObjectName(QStringLiteral("label_smsMark"));
    mark_->setFixedSize(24, 24);
    send_->setObjectName(QStringLiteral("pushButton_sendSMS"));
    send_->setEnabled(false);

    const QString passwordPattern = QStringLiteral("[a-zA-Z0-9-_.]+$");
    password_ = makePasswordField(this, "lineEdit_password", passwordPattern);
    confirmation_ = makePasswordField(this, "lineEdit_confirm", passwordPattern);
    name_ = makeTextField(this, "lineEdit_name", 20);
    man_ = new QRadioButton(QStringLiteral("男"), this);
    woman_ = new QRadioButton(QStringLiteral("女"), this);
    man_->setChecked(true);
    number_ = makeTextField(this, "lineEdit_number", 20);
    number_->setAttribute(Qt::WA_InputMethodEnabled, true);
    contact_ = makeTextField(this, "lineEdit_contact", 20);
    picture_ = new VerificationCodeLabel(this);
    picture_->setMinimumSize(100, 30);
    pictureCode_ = new QLineEdit(this);
    pictureCode_->setObjectName(QStringLiteral("lineEdit_verification"));
    pictureCode_->setMaxLength(4);
    register_ = new QPushButton(QStringLiteral("注册"), this);
    register_->setObjectName(QStringLiteral("pushButton_Register"));
    register_->setEnabled(false);
    sexGroup_ = new QButtonGroup(this);
    sexGroup_->addButton(man_, 0);
    sexGroup_->addButton(woman_, 1);

    QVBoxLayout* layout = new QVBoxLayout();
    layout->setContentsMargins(0, 0, 0, 0);
    QLabel* hint = new QLabel(QStringLiteral("<font color=\"gray\">带*号的必填</font>"), this);
    hint->setContentsMargins(10, 10, 10, 10);
    layout->addWidget(hint);

    QFormLayout* form = new QFormLayout();
    form->setContentsMargins(10, 10, 10, 10);
    form->addRow(QStringLiteral("手机号*："), phone_);
    QHBoxLayout* smsRow = new QHBoxLayout();
    smsRow->addWidget(sms_code_);
    smsRow->addWidget(mark_);
    smsRow->addWidget(send_);
    form->addRow(QStringLiteral("验证码*："), smsRow);
    form->addRow(QStringLiteral("密码*："), password_);
    form->addRow(QStringLiteral("密码确认*："), confirmation_);
    form->addRow(QStringLiteral("姓名："), name_);
    QHBoxLayout* sexRow = new QHBoxLayout();
    sexRow->addWidget(man_);
    sexRow->addWidget(woman_);
    sexRow->addStretch();
    form->addRow(QStringLiteral("性别："), sexRow);
    form->addRow(QStringLiteral("学号："), number_);
    form->addRow(QStringLiteral("联系方式："), contact_);
    layout->addLayout(form);

    QHBoxLayout* bottom = new QHBoxLayout();
    bottom->setContentsMargins(10, 10, 10, 10);
    bottom->addWidget(picture_);
    bottom->addWidget(pictureCode_);
    bottom->addStretch();
    bottom->addWidget(register_);
    layout->addLayout(bottom);
    addLayout(layout);

    connect(phone_, &QLineEdit::textChanged, this, &UserRegister::lineEdit_userID_textChanged);
    connect(sms_code_, &QLineEdit::textChanged, this, &UserRegister::lineEdit_SMS_textChanged);
    connect(pictureCode_, &QLineEdit::textChanged, this, &UserRegister::lineEdit_verification_textChanged);
    connect(send_, &QPushButton::clicked, this, &UserRegister::on_pushButton_sendSMS_clicked);
    connect(register_, &QPushButton::clicked, this, &UserRegister::on_pushButton_Register_clicked);
    connect(sexGroup_, &QButtonGroup::idClicked, this, &UserRegister::buttonClicked);
}

QString UserRegister::getUserID() const
{
    return phone_->text();
}

void UserRegister::paintEvent(QPaintEvent* event)
{
    paintStyledBackground(this);
    QDialogBase::paintEvent(event);
}

void UserRegister::buttonClicked(int id)
{
    Q_UNUSED(id);
}

void UserRegister::lineEdit_userID_textChanged(const QString& text)
{
    sms_.phoneChanged(text);
}

void UserRegister::lineEdit_SMS_textChanged(const QString& text)
{
    sms_.showMark(mark_, text);
}

void UserRegister::lineEdit_verification_textChanged(const QString& text)
{
    register_->setEnabled(text.length() == 4 && text == picture_->codeText());
}

void UserRegister::on_pushButton_sendSMS_clicked()
{
    sms_.send();
}

void UserRegister::time_slot()
{
    sms_.tick();
}

void UserRegister::on_pushButton_Register_clicked()
{
    const QString phone = phone_->text();
    QString refusal = sms_.refusal(sms_code_->text());
    if (refusal.isEmpty()) {
        if (password_->text().isEmpty())
            refusal = QStringLiteral("密码不能为空");
        else if (password_->text().length() < 6)
            refusal = QStringLiteral("密码不能短于6位");
        else if (password_->text() != confirmation_->text())
            refusal = QStringLiteral("两次密码输入不一致");
    }
    if (!refusal.isEmpty()) {
        QMessageBoxBase::information(this, QStringLiteral("提示"), refusal);
        return;
    }

    const std::string userID = phone.toStdString();
    const std::string digest = getMd5(password_->text()).toStdString();
    const std::string username = name_->text().toStdString();
    const int sex = sexGroup_->checkedId();
    const std::string studentNumber = number_->text().toStdString();
    const std::string contact = contact_->text().toStdString();
    std::string msg;
    const int result = awaitTask(
        [=, &msg] {
            return Singleton<httpUtil>::instance()->userRegister(userID, 0, 2, digest, username, sex, studentNumber,
                                                                 contact, msg);
        },
        msg);
    if (result != 0) {
        QMessageBoxBase::information(this, QStringLiteral("提示"), QString::fromUtf8(msg.c_str()));
        return;
    }
    accept();
}
