#pragma once

#include <QString>

#include "ui/QDialogBase.h"

class QLabel;
class QPushButton;

// The program's message box, on the dialog frame: an icon, the text and one
// ("确定") or two ("是" / "否") buttons; the title bar has only its close
// button. The box is always a top-level window of its own, whatever parent
// is given.
//
//     QMessageBoxBase::information(this, "提示", QString::fromUtf8(err.c_str()));
//     if (QMessageBoxBase::question(this, "删除", "是否要从列表中删除?") == 1) ...
//
// Every box runs through the modal seam (ui/Modal.h), so tests answer it
// with a ModalRecorder and child processes of tests log it instead.
class QMessageBoxBase : public QDialogBase {
    Q_OBJECT
public:
    enum Kind { Information = 0, Question = 1 };

    // kind 0: information ("确定"), kind 1: question ("是", "否").
    QMessageBoxBase(QWidget* parent, const QString& title, const QString& text, int kind);
    ~QMessageBoxBase() override;

    // 1 for "确定", 0 when closed by the title bar.
    static int information(QWidget* parent, const QString& title, const QString& text);
    // 1 for "是", 0 for "否" or the title bar's close button.
    static int question(QWidget* parent, const QString& title, const QString& text);

    QSize sizeHint() const override;

private:
    static int run(QWidget* parent, const QString& title, const QString& text, int kind);

    QLabel* iconLabel_;
    QLabel* textLabel_;
    QPushButton* firstButton_;
    QPushButton* secondButton_;
};
