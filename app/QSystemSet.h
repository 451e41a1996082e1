#pragma once

#include <QVector>
#include <QWidget>

#include "ui/QDialogBase.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QSpinBox;

// The options of the settings dialog. Every change is written to its key of
// "Lorvane.ini" at once.
class QSystemSetChild : public QWidget {
    Q_OBJECT
public:
    explicit QSystemSetChild(QWidget* parent);

signals:
    void detail_order_changed(int index);
    void state_cion_changed(int index);

private slots:
    void group_order_clicked(int id);
    void group_state_clicked(int id);
    void group_merge_clicked(int id);
    void update_stateChanged(int state);
    void export_style_buttonClicked(int id);
    void image_auto_valueChanged(int value);

private:
    QCheckBox* box_update_;
    QRadioButton* btn_ascending_;
    QRadioButton* btn_descending_;
    QButtonGroup* group_order_;
    QVector<QRadioButton*> btn_states_;
    QButtonGroup* group_state_;
    QVector<QLabel*> label_states_;
    QRadioButton* btn_export_new_;
    QRadioButton* btn_export_old_;
    QButtonGroup* group_export_;
    QVector<QRadioButton*> btn_merges_;
    QLabel* label_merge_;
    QButtonGroup* group_merge_;
    QSpinBox* box_image_value_;
};

// "系统设置": the user settings, and the backup and restore of the data folder
// by the backup program beside this one (which needs the program closed).
class QSystemSet : public QDialogBase {
    Q_OBJECT
public:
    explicit QSystemSet(QWidget* parent);

    // The backup program started by 备份 and 还原; by default "backup" beside
    // this program.
    static QString backupProgram();
    static void setBackupProgram(const QString& path);

signals:
    void detail_order_changed(int index);
    void state_cion_changed(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private slots:
    void btn_export_clicked();
    void btn_import_clicked();

private:
    void startBackup(const QString& mode, const QString& failureText);

    QScrollArea* scrollArea_;
    QPushButton* btn_export_;
    QPushButton* btn_import_;
};
