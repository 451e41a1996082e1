#pragma once

#include <QVector>

#include "ui/QDialogBase.h"

class IObserver;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

// "短语预设": the preset phrases of the phrase store (test points per subject,
// sources, remarks). Changing the subject here changes the program's current
// subject, which the registered observers are told.
class QPhraseBookSet : public QDialogBase {
    Q_OBJECT
public:
    explicit QPhraseBookSet(QWidget* parent);

    void addObserver(IObserver* observer);
    void notifyObservers(int index);
    // Shows the phrases of type (0 test point, 1 source, 2 remark).
    void loadPhrases(int type);

    // The phrases of a text file: UTF-8 (with or without a byte-order mark),
    // or GB18030 when the bytes are not valid UTF-8.
    static QStringList decodeLines(const QByteArray& bytes);

private slots:
    void Shortcut1();
    void lost_currentIndexChanged(int index);
    void left_itemClicked(QListWidgetItem* item);
    void on_btn_add_clicked();
    void on_btn_batchIncrease_clicked();
    void on_btn_delete_clicked();
    void on_btn_delete_all_clicked();

private:
    QListWidget* list_type_;
    QListWidget* list_phrase_;
    QLineEdit* edit_;
    QPushButton* btn_add_;
    QPushButton* btn_batchIncrease_;
    QPushButton* btn_delete_;
    QPushButton* btn_delete_all_;
    QLabel* label_subject_;
    QComboBox* box_subject_;
    QVector<IObserver*> observers_;
};
