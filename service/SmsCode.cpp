#include "service/SmsCode.h"

#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <utility>

#include "service/httpUtil.h"
#include "ui/AwaitTask.h"
#include "ui/QMessageBoxBase.h"

namespace {
const char kSendText[] = "获取验证码";
}  // namespace

SmsCode::SmsCode(QWidget* owner, QLineEdit* phone, QPushButton* send, std::function<void()> timeSlot)
    : owner_(owner), phone_(phone), send_(send), timeSlot_(std::move(timeSlot))
{
}

void SmsCode::phoneChanged(const QString& text)
{
    send_->setEnabled(text.length() == 11);
}

void SmsCode::send()
{
    const QString phone = phone_->text();
    if (phone.length() != 11) {
        QMessageBoxBase::information(owner_, QStringLiteral("提示"), QStringLiteral("手机号太短"));
        return;
    }
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    char digits[16];
    std::snprintf(digits, sizeof digits, "%d%d%d%d", std::rand() % 10, std::rand() % 10, std::rand() % 10,
                  std::rand() % 10);
    code_ = digits;

    const std::string number = phone.toStdString();
    const std::string code = code_;
    std::string msg;
    const int result = awaitTask(
        [number, code, &msg] { return Singleton<httpUtil>::instance()->sendSMS(number, code, msg); }, msg);
    if (result != 0) {
        QMessageBoxBase::information(owner_, QStringLiteral("提示"), QString::fromUtf8(msg.c_str()));
        return;
    }
    phone_->setReadOnly(true);
    send_->setEnabled(false);
    countdown_ = 60;
    if (!timer_) {
        timer_ = new QTimer(owner_);
        QObject::connect(timer_, &QTimer::timeout, owner_, timeSlot_);
    }
    timer_->start(1000);
}

void SmsCode::tick()
{
    if (countdown_ > 0) {
        send_->setText(QString::number(countdown_));
        --countdown_;
        return;
    }
    send_->setText(QString::fromUtf8(kSendText));
    send_->setEnabled(true);
    if (timer_)
        timer_->stop();
}

bool SmsCode::showMark(QLabel* mark, const QString& typed) const
{
    if (typed.length() != 4) {
        mark->clear();
        return false;
    }
    const bool match = !code_.empty() && typed == QString::fromStdString(code_);
    const QPixmap picture(match ? QStringLiteral(":/Lorvane/Resources/state_0.png")
                                : QStringLiteral(":/Lorvane/Resources/state_1.png"));
    mark->setPixmap(picture.scaledToWidth(24, Qt::SmoothTransformation));
    return match;
}

QString SmsCode::refusal(const QString& typedCode) const
{
    const QString phone = phone_->text();
    if (phone.isEmpty())
        return QStringLiteral("手机号不能为空");
    if (phone.length() != 11)
        return QStringLiteral("手机号太短");
    if (code_.empty())
        return QStringLiteral("验证码不能为空");
    if (typedCode != QString::fromStdString(code_))
        return QStringLiteral("验证码不正确");
    return QString();
}
