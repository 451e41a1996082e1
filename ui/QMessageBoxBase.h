#pragma once

#include <QString>

#include <functional>
#include <vector>

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
// Tests and scripted runs never see a box:
//  - setTestHook(f): while f is set, every box is answered by f(kind, title,
//    text) without being built or shown (see MessageBoxRecorder below);
//  - the environment variable LORVANE_MESSAGE_LOG=<file>: every box appends
//    "title\ttext\n" to that file and answers 0 without showing.
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

    using Hook = std::function<int(int kind, const QString& title, const QString& text)>;
    // Answers every box through `hook` (an empty function restores normal boxes).
    static void setTestHook(Hook hook);

private:
    static int run(QWidget* parent, const QString& title, const QString& text, int kind);

    QLabel* iconLabel_;
    QLabel* textLabel_;
    QPushButton* firstButton_;
    QPushButton* secondButton_;
};

// Answers and records every message box while it lives (installs the test
// hook; restores the previous one when destroyed).
//
//     MessageBoxRecorder boxes(1);         // answer "yes" to every question
//     widget.deleteSelected();
//     ASSERT_EQ(boxes.count(), 1);
//     EXPECT_EQ(boxes.last().title, "删除");
class MessageBoxRecorder {
public:
    struct Box {
        int kind;
        QString title;
        QString text;
    };

    explicit MessageBoxRecorder(int answer = 1);
    ~MessageBoxRecorder();

    void setAnswer(int answer) { answer_ = answer; }
    int count() const { return static_cast<int>(boxes_.size()); }
    const std::vector<Box>& boxes() const { return boxes_; }
    const Box& last() const { return boxes_.back(); }
    void clear() { boxes_.clear(); }

private:
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    int answer_;
    std::vector<Box> boxes_;
    QMessageBoxBase::Hook previous_;
};
