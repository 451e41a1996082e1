#pragma once

#include "ui/QDialogBase.h"

class QLineEdit;

// "修改密码": changes the password of the current user's account at the web
// service; both passwords travel as their digests.
class ChangePassword : public QDialogBase {
    Q_OBJECT
public:
    explicit ChangePassword(QWidget* parent = nullptr);

public slots:
    void on_pushButton_change_password_clicked();

private:
    QLineEdit* oldPassword_;
    QLineEdit* newPassword_;
    QLineEdit* confirmation_;
};
