#pragma once

#include "core/Records.h"
#include "ui/QDialogBase.h"

class QAbstractButton;
class QLabel;
class QLineEdit;
class QPushButton;

// "用户登录": logs into an account of the web service with a phone number
// and a password, and can remember the account and the (enciphered)
// password in the settings file.
class UserLogin : public QDialogBase {
    Q_OBJECT
public:
    explicit UserLogin(QWidget* parent = nullptr);

    // The record the last successful login filled.
    const _user_t& loggedInUser() const { return user; }

    // Sets the red message line and shows it.
    void showError(QString text);

public slots:
    void on_btn_login_clicked();
    void on_btn_register_clicked();
    void on_btn_forget_password_clicked();
    void stateChanged(int state);
    void lineEdit_userID_textChanged(QString text);
    void lineEdit_password_textChanged(QString text);

private:
    QLineEdit* userID_;
    QLineEdit* password_;
    QAbstractButton* remember_;
    QLabel* error_;
    _user_t user;
};

// The 32 bytes stored for a remembered password: its UTF-8 bytes with their
// terminating zero at the start of a zeroed 32-byte block, enciphered with
// the fixed key. False (out untouched) when the password does not fit.
bool encipherRememberedPassword(const QString& password, QByteArray& out);
