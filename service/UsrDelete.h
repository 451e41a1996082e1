#pragma once

#include "ui/QDialogBase.h"

class QCheckBox;
class QLabel;
class QLineEdit;

// "注销帐户": deletes the current user's account at the web service and,
// once the service has confirmed, the user's question folder and the
// remembered account.
class UsrDelete : public QDialogBase {
    Q_OBJECT
public:
    explicit UsrDelete(QWidget* parent = nullptr);

public slots:
    void on_pushButton_usrDelete_clicked();

private:
    QLabel* warning_;
    QCheckBox* confirm_;
    QLineEdit* password_;
};
