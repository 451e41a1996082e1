#pragma once

#include "ui/QDialogBase.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;
class VerificationCodeLabel;

// The feedback dialog "意见反馈": a text of 10 to 200 characters, sent with
// the machine's adapter address once the picture code has been typed.
class UserSuggestion : public QDialogBase {
    Q_OBJECT
public:
    explicit UserSuggestion(QWidget* parent = nullptr);

public slots:
    void textChanged();
    void btnCommit_clicked();

private:
    QTextEdit* textEdit_;
    QLabel* counter_;
    QLineEdit* codeEdit_;
    VerificationCodeLabel* codeLabel_;
    QPushButton* commit_;
};
