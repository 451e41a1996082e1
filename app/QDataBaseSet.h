#pragma once

#include <QStringList>
#include <QVector>

#include <map>
#include <vector>

#include "core/Records.h"
#include "ui/QDialogBase.h"

class QButtonGroup;
class QCheckBox;
class QListWidget;
class QListWidgetItem;
class QPushButton;

// "基础数据": edits the six groups of base data (grade, term, subject,
// category, cause, question type) of the current user. Every change is written
// to the database at once.
class QDataBaseSet : public QDialogBase {
    Q_OBJECT
public:
    // page: the group shown first (0 grade ... 5 question type).
    QDataBaseSet(int page, QWidget* parent);

    // Reloads the dialog's copy of the user's entries. 0 on success, else -1.
    int loadTypes();
    // Rebuilds the entry list for group page + 1; pages outside 0..5 do nothing.
    void showPage(int page);

    // The entries of a group in their shown order (ascending order, then id).
    std::vector<_type_t> pageList(int group) const;

private slots:
    void right_itemClicked(QListWidgetItem*);
    void left_itemClicked(QListWidgetItem* item);
    void on_btn_add_clicked();
    void on_btn_modify_clicked();
    void on_btn_delete_clicked();
    void on_btn_up_clicked();
    void on_btn_down_clicked();

private:
    void checkBox_stateChanged(int state);
    void move(int step);
    // After a failed write: shows `message` (when not empty), then the page
    // as the database holds it. Both run once the signal that wrote is done,
    // since the page's check boxes are rebuilt.
    void showStoredState(int page, const QString& message);
    // Asks for a text in an input dialog (run through the modal seam);
    // false when cancelled.
    bool prompt(const QString& title, const QString& label, QString& text);

    QListWidget* list_group_;
    QListWidget* list_entry_;
    QPushButton* btn_add_;
    QPushButton* btn_modify_;
    QPushButton* btn_delete_;
    QPushButton* btn_up_;
    QPushButton* btn_down_;
    QButtonGroup* group_;
    QVector<QCheckBox*> checkBoxes_;
    QStringList captions_;
    std::map<int, _type_t> types_;
    bool reloadPending_ = false;  // a failed write's reload is queued
};
