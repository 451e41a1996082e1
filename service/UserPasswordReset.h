#pragma once

#include "service/SmsCode.h"
#include "ui/QDialogBase.h"

class QLabel;
class QLineEdit;
class QPushButton;

// "重置密码": has the service reset the password of the account whose phone
// number is proved by an SMS code.
class UserPasswordReset : public QDialogBase {
    Q_OBJECT
public:
    explicit UserPasswordReset(QWidget* parent = nullptr);

    void setUserID(QString text);

    const SmsCode& smsCode() const { return sms_; }

public slots:
    void on_pushButton_sendSMS_clicked();
    void on_pushButton_reset_clicked();
    void lineEdit_userID_textChanged(const QString& text);
    void lineEdit_SMS_textChanged(const QString& text);
    void time_slot();

private:
    QLineEdit* phone_;
    QLineEdit* sms_code_;
    QLabel* mark_;
    QPushButton* send_;
    QPushButton* reset_;
    SmsCode sms_;
};
