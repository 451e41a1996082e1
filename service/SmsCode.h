#pragma once

#include <QString>

#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QWidget;

// The SMS-code row shared by the registration and password-reset dialogs:
// a four-digit code made here is sent to the phone through the web service;
// after a successful send the phone number is fixed and the send button
// counts down 60 seconds before it is offered again.
class SmsCode {
public:
    // timeSlot is the owner's slot that each second of the countdown reaches
    // (it calls tick()).
    SmsCode(QWidget* owner, QLineEdit* phone, QPushButton* send, std::function<void()> timeSlot);

    // The send button follows an 11-character phone number.
    void phoneChanged(const QString& text);
    // Makes a new code and sends it; reports failures under "提示".
    void send();
    // One second of the countdown.
    void tick();

    // The code of the last send attempt; empty before the first.
    const std::string& code() const { return code_; }
    int countdown() const { return countdown_; }
    QTimer* timer() const { return timer_; }

    // Why a submission with this phone number and typed code is refused, in
    // the order the dialogs check: empty or short number, no code sent yet,
    // a code that does not match. Empty when both are fine.
    QString refusal(const QString& typedCode) const;

    // Shows whether a complete typed code matches: the right or the wrong mark,
    // or nothing for any other length. True for a match.
    bool showMark(QLabel* mark, const QString& typed) const;

private:
    QWidget* owner_;
    QLineEdit* phone_;
    QPushButton* send_;
    std::function<void()> timeSlot_;
    QTimer* timer_ = nullptr;
    int countdown_ = 0;
    std::string code_;
};
