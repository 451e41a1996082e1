#pragma once

#include "ui/QDialogBase.h"

class QButtonGroup;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The profile dialog "个人帐户": name, sex, student number and contact of the
// current local user. The save button shows after an edit; saving writes the
// user row and then the user record of the application context.
class UserInfomation : public QDialogBase {
    Q_OBJECT
public:
    explicit UserInfomation(QWidget* parent = nullptr);

public slots:
    void on_pushButton_save_clicked();
    void buttonClicked(int id);
    void lineEdit_textChanged(const QString& text);
    void on_pushButton_change_password_clicked();
    void on_pushButton_account_cancellation_clicked();

private:
    QLineEdit* name_;
    QRadioButton* man_;
    QRadioButton* woman_;
    QLineEdit* number_;
    QLineEdit* contact_;
    QPushButton* save_;
    QButtonGroup* sexGroup_;
};
