#pragma once

#include <QWidget>

class QButtonGroup;
class QPushButton;

// The action bar that shows under the cutter's selection: what to do with
// the selection. Its buttons, by group id:
//   0 "接上一题(F2)"  append the selection below the previous question
//   1 "抽取上半题"    keep the selection as the upper half of a question
//   2 "抽取下半题"    join the kept upper half with the selection below it
//   3 "新建题目"      make the selection a question
// Which of them show depends on the mode (the setting "import_mode"):
// mode 0 ("前后拼接") offers 0 and 3 ("新建题目(F1)"); mode 1 ("同屏拼接")
// offers 1, then 2 once an upper half is kept, and 3 ("新建题目(Enter)").
//
// A choice (a click, or a shortcut while the bar is visible) is announced by
// btn_clicked(id) first, for the cutter's composition, and then rearranges
// the bar (group_clicked). Shortcuts: F1 and F2 in mode 0, Return in mode 1.
class showRectWidget : public QWidget {
    Q_OBJECT
public:
    explicit showRectWidget(QWidget* parent = nullptr);
    ~showRectWidget() override;

    // Mode 1 only: shows the first-half choices again (upper half and new
    // question), after the pending upper half was dropped.
    void reset();

    int mode() const { return mode_; }
    // The button of group id `id` (0 to 3).
    QPushButton* button(int id) const;

signals:
    void btn_clicked(int index);

public slots:
    void group_clicked(int index);
    void Shortcut1();
    void Shortcut2();
    void Shortcut3();
    void Shortcut4();
    void setMode(int mode);

private:
    void setupButtons();
    void setupLayout();
    void setupShortcuts();

    QPushButton* btnAppend_ = nullptr;
    QPushButton* btnUpper_ = nullptr;
    QPushButton* btnLower_ = nullptr;
    QPushButton* btnNew_ = nullptr;
    QButtonGroup* group_ = nullptr;
    int mode_ = 0;
};
