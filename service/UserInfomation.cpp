#include "service/UserInfomation.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/AppContext.h"
#include "core/Sqlite.h"
#include "service/AccountFields.h"
#include "service/ChangePassword.h"
#include "service/UsrDelete.h"
#include "ui/AwaitTask.h"
#include "ui/Modal.h"
#include "ui/QMessageBoxBase.h"

namespace {

QRadioButton* sexButton(QWidget* parent, const char* name, const QString& icon)
{
    QRadioButton* button = new QRadioButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(QIcon(icon));
    button->setIconSize(QSize(24, 24));
    return button;
}

}  // namespace

UserInfomation::UserInfomation(QWidget* parent) : QDialogBase(parent)
{
    setWindowTitle(QStringLiteral("个人帐户"));
    resize(400, 0);

    QVBoxLayout* layout = new QVBoxLayout();
    layout->setContentsMargins(0, 0, 0, 0);
    QFormLayout* form = new QFormLayout();
    form->setContentsMargins(10, 10, 10, 10);

    name_ = makeTextField(this, "lineEdit_name", 20);
    man_ = sexButton(this, "radioButton_man", QStringLiteral(":/Lorvane/Resources/man_student.png"));
    woman_ = sexButton(this, "radioButton_woman", QStringLiteral(":/Lorvane/Resources/woman_student.png"));
    number_ = makeTextField(this, "lineEdit_number", 20);
    number_->setAttribute(Qt::WA_InputMethodEnabled, true);
    contact_ = makeTextField(this, "lineEdit_contact", 20);

    QHBoxLayout* sexRow = new QHBoxLayout();
    sexRow->addWidget(man_);
    sexRow->addWidget(woman_);
    sexRow->addStretch();

    form->addRow(QStringLiteral("姓名："), name_);
    form->addRow(QStringLiteral("性别："), sexRow);
    form->addRow(QStringLiteral("学号："), number_);
    form->addRow(QStringLiteral("联系方式："), contact_);

    save_ = new QPushButton(QStringLiteral("保存"), this);
    save_->setObjectName(QStringLiteral("pushButton_save"));
    save_->hide();
    QHBoxLayout* bottom = new QHBoxLayout();
    bottom->setContentsMargins(10, 10, 10, 10);
    bottom->addStretch();
    bottom->addWidget(save_);

    layout->addLayout(form);
    layout->addLayout(bottom);

    sexGroup_ = new QButtonGroup(this);
    sexGroup_->addButton(man_, 0);
    sexGroup_->addButton(woman_, 1);
    connect(sexGroup_, &QButtonGroup::idClicked, this, &UserInfomation::buttonClicked);

    const _user_t user = AppContext::instance()->user;
    name_->setText(QString::fromUtf8(user.username.c_str()));
    number_->setText(QString::fromUtf8(user.student_number.c_str()));
    if (QAbstractButton* stored = sexGroup_->button(user.sex)) {
        stored->setChecked(true);
        emit sexGroup_->idClicked(user.sex);
    }
    contact_->setText(QString::fromUtf8(user.contact.c_str()));

    // Filling the fields above is not an edit.
    connect(name_, &QLineEdit::textChanged, this, &UserInfomation::lineEdit_textChanged);
    connect(number_, &QLineEdit::textChanged, this, &UserInfomation::lineEdit_textChanged);
    connect(contact_, &QLineEdit::textChanged, this, &UserInfomation::lineEdit_textChanged);
    connect(save_, &QPushButton::clicked, this, &UserInfomation::on_pushButton_save_clicked);
    addLayout(layout);
}

void UserInfomation::buttonClicked(int id)
{
    if (id != AppContext::instance()->user.sex)
        save_->show();
}

void UserInfomation::lineEdit_textChanged(const QString& text)
{
    if (!text.isEmpty())
        save_->show();
}

void UserInfomation::on_pushButton_save_clicked()
{
    AppContext* context = AppContext::instance();
    const std::string username = name_->text().simplified().toStdString();
    const std::string studentNumber = number_->text().simplified().toStdString();
    const std::string contact = contact_->text().simplified().toStdString();
    // A stored sex without a button leaves nothing checked: keep it as stored.
    const int sex = sexGroup_->checkedId() >= 0 ? sexGroup_->checkedId() : context->user.sex;
    const int id = context->user.id;

    std::string err;
    const int result = awaitTask(
        [=, &err] { return Singleton<sqlite>::instance()->updateUser(id, username, sex, studentNumber, contact, err); },
        err);
    if (result != 0) {
        QMessageBoxBase::information(this, QStringLiteral("提示"), QString::fromUtf8(err.c_str()));
        return;
    }
    context->user.username = username;
    context->user.sex = sex;
    context->user.student_number = studentNumber;
    context->user.contact = contact;
    save_->hide();
}

void UserInfomation::on_pushButton_change_password_clicked()
{
    ChangePassword dialog(nullptr);
    modal::exec(dialog);
}

void UserInfomation::on_pushButton_account_cancellation_clicked()
{
    UsrDelete dialog(nullptr);
    if (modal::exec(dialog) == QDialog::Accepted) {
        accept();
        QCoreApplication::exit(0);
    }
}
