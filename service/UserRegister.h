#pragma once

#include "service/SmsCode.h"
#include "ui/QDialogBase.h"

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class VerificationCodeLabel;

// "用户注册": creates an account of the web service for a phone number proved
// by an SMS code, behind a picture code.
class UserRegister : public QDialogBase {
    Q_OBJECT
public:
    explicit UserRegister(QWidget* parent = nullptr);

    // The phone number typed.
    QString getUserID() const;

    const SmsCode& smsCode() const { return sms_; }

public slots:
    void on_pushButton_sendSMS_clicked();
    void on_pushButton_Register_clicked();
    void buttonClicked(int id);
    void lineEdit_userID_textChanged(const QString& text);
    void lineEdit_SMS_textChanged(const QString& text);
    void lineEdit_verification_textChanged(const QString& text);
    void time_slot();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLineEdit* phone_;
    QLineEdit* sms_code_;
    QLabel* mark_;
    QPushButton* send_;
    QLineEdit* password_;
    QLineEdit* confirmation_;
    QLineEdit* name_;
    QRadioButton* man_;
    QRadioButton* woman_;
    QLineEdit* number_;
    QLineEdit* contact_;
    VerificationCodeLabel* picture_;
    QLineEdit* pictureCode_;
    QPushButton* register_;
    QButtonGroup* sexGroup_;
    SmsCode sms_;
};
