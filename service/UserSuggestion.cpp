#include "service/UserSuggestion.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

#include "core/Utils.h"
#include "service/VerificationCodeLabel.h"
#include "service/httpUtil.h"
#include "ui/AwaitTask.h"
#include "ui/QMessageBoxBase.h"

namespace {
const int kMaxLength = 200;
const int kMinLength = 10;
}  // namespace

UserSuggestion::UserSuggestion(QWidget* parent) : QDialogBase(parent)
{
    setWindowTitle(QStringLiteral("意见反馈"));
    QVBoxLayout* layout = new QVBoxLayout();
    layout->setContentsMargins(1, 1, 1, 1);

    counter_ = new QLabel(QStringLiteral("我要反馈：（200）"), this);
    counter_->setObjectName(QStringLiteral("label_counter"));
    counter_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    textEdit_ = new QTextEdit(this);
    textEdit_->setObjectName(QStringLiteral("textEdit_suggest"));
    textEdit_->setPlaceholderText(
        QStringLiteral("建议您填写电话和留言，将有助于我们尽快解决您提出的问题，并及时与您沟通。"));
    codeEdit_ = new QLineEdit(this);
    codeEdit_->setObjectName(QStringLiteral("lineEdit_code"));
    codeEdit_->setMaxLength(4);
    codeLabel_ = new VerificationCodeLabel(this);
    codeLabel_->setMinimumWidth(100);
    codeLabel_->setMinimumHeight(30);
    commit_ = new QPushButton(QStringLiteral("提交"), this);
    commit_->setObjectName(QStringLiteral("btnCommit"));

    QHBoxLayout* bottom = new QHBoxLayout();
    bottom->setContentsMargins(5, 5, 5, 5);
    bottom->addWidget(codeLabel_);
    bottom->addWidget(codeEdit_);
    bottom->addStretch();
    bottom->addWidget(commit_);

    layout->addWidget(counter_);
    layout->addWidget(textEdit_);
    layout->addLayout(bottom);
    addLayout(layout);

    connect(textEdit_, &QTextEdit::textChanged, this, &UserSuggestion::textChanged);
    connect(commit_, &QPushButton::clicked, this, &UserSuggestion::btnCommit_clicked);
}

void UserSuggestion::textChanged()
{
    const int remaining = kMaxLength - textEdit_->toPlainText().length();
    if (remaining < 0)
        counter_->setText(QStringLiteral("内容太长：（已超出%1)").arg(-remaining));
    else
        counter_->setText(QStringLiteral("我要反馈：（%1)").arg(remaining));
    commit_->setEnabled(remaining >= 0);
}

void UserSuggestion::btnCommit_clicked()
{
    const QString text = textEdit_->toPlainText();
    if (text.length() < kMinLength) {
        QMessageBoxBase::information(this, QStringLiteral("提示"), QStringLiteral("内容太短"));
        return;
    }
    if (text.length() > kMaxLength)
        return;
    if (codeEdit_->text() != codeLabel_->codeText()) {
        QMessageBoxBase::information(this, QStringLiteral("提示"), QStringLiteral("验证码不正确"));
        return;
    }
    std::string mac;
    if (getMacAddress(mac) != 0) {
        QMessageBoxBase::information(this, QStringLiteral("提示"), QStringLiteral("获取mac错误"));
        return;
    }

    const std::string suggest = text.toStdString();
    std::string msg;
    const int result = awaitTask(
        [mac, suggest, &msg] { return Singleton<httpUtil>::instance()->addSuggest(mac, suggest, msg); }, msg);
    if (result != 0) {
        QMessageBoxBase::information(this, QStringLiteral("提示"), QString::fromUtf8(msg.c_str()));
        return;
    }
    QMessageBoxBase::information(this, QStringLiteral("提示"), QStringLiteral("反馈成功"));
    accept();
}
