#pragma once

#include <QString>

#include <vector>

#include "core/Records.h"
#include "ui/QDialogBase.h"

class IDatabase;
class ImageViewer;
class QButtonGroup;
class QLabel;
class QPushButton;
class QStackedWidget;
class QTimer;
class QToolButton;
class QTopicInfo;
class TextEdit;

// The window "题目" in which a stored question is looked at and edited: three
// tabs 原题 ("questions.jpg" in an image editor), 错解 ("answer_wrong.jpg")
// and 答案与解析 ("answer_right.html" in the answer editor), the question's
// attributes in the metadata form (mode 0), and two arrows floating over the
// sides (上一题 / 下一题) while the mouse is inside.
//
// It pages through a vector of records that belongs to the caller:
//
//     QViewItem viewer(details, row, nullptr);
//     connect(&viewer, &QViewItem::detail_Changed, this, [this] { reload(); });  // may refill `details`
//     modal::exec(viewer);
//
// Contracts:
//  - The caller keeps the vector alive while the window runs and may refill
//    or empty it in detail_Changed. The viewer checks its index against the
//    vector's current size before every read; navigation and maybeSave do
//    nothing while the index lies outside. After a save it finds its
//    question again by id (or shows the question now at its index, the last
//    one when the vector got shorter) and closes when the vector is empty.
//    When the save that 上一题 / 下一题 asked for took the question out of
//    the vector (a filtered list), 下一题 goes on to the question that
//    followed it and 上一题 to the one before it: none is skipped.
//  - Every question shown replaces all three pages: a page whose file is
//    missing is shown empty, never the previous question's. The answer
//    editor's folder is always the shown question's.
//  - Leaving a modified question (paging, closing, 保存修改) asks
//    "题目已修改，是否保存？". A save writes the answer when it was loaded (or
//    typed), each picture only when its editor was edited (a change of the
//    attributes alone leaves the JPEG files untouched), then the record
//    (IDatabase::updateDetail through awaitTask) and the phrases; it copies
//    the record into the vector and emits detail_Changed. A failed save is
//    reported under "提示" and keeps the question and its edits on screen.
//  - Ctrl+F1 shows the question's folder name, then opens the folder.
//  - Whether the window was maximized is kept in "viewWindow".
//
// GUI thread only.
class QViewItem : public QDialogBase {
    Q_OBJECT
public:
    QViewItem(std::vector<_detail_t>& list, int index, QWidget* parent = nullptr);
    QViewItem(std::vector<_detail_t>* list, int index, QWidget* parent = nullptr);
    ~QViewItem() override;

    // The position in the caller's vector of the question shown.
    int index() const { return index_; }

    // The database saves go to (null: the program's own).
    void setDatabase(IDatabase* database) { database_ = database; }

    void done(int result) override;

    // The parts, for tests and benchmarks.
    ImageViewer* questionEditor() const { return questionEditor_; }
    ImageViewer* wrongAnswerEditor() const { return wrongEditor_; }
    TextEdit* answerEditor() const { return textEdit_; }
    QTopicInfo* form() const { return form_; }
    QStackedWidget* pages() const { return stack_; }
    QButtonGroup* tabGroup() const { return tabGroup_; }
    QToolButton* previousButton() const { return btnLast_; }
    QToolButton* nextButton() const { return btnNext_; }
    QPushButton* saveButton() const { return btnSave_; }
    QLabel* statusLabel() const { return labelStatus_; }

signals:
    // A save succeeded; the saved record is already in the caller's vector.
    void detail_Changed();
    // The index after a press of 上一题 or 下一题.
    void rowChanged(int index);

public slots:
    void currentChanged(int index);
    // 0 上一题, 1 下一题, 2 保存修改.
    void buttonClicked(int id);
    void showDetailPath();

protected:
    void enterEvent(QEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Construction steps.
    void setupWindow();
    QLayout* createTabRow();
    void createPages();
    QLayout* createBottomRow();
    void createArrowButtons();
    void connectParts();

    bool inRange(int index) const;
    void showItem(int index);
    void navigate(int step);
    // True when the question may be left: unchanged, the save declined, or
    // saved. False after a failed save.
    bool maybeSave();
    bool isModified();
    // QViewItemSave.cpp.
    bool save();
    bool writeAnswer(const QString& path);
    bool writePicture(ImageViewer* editor, const QString& path);
    int updateRecord(const _detail_t& edited, std::string& err);
    void storePhrases(const _detail_t& edited);
    // Looks the saved question up by id; when it is gone, remembers its
    // position in gap_ and shows the question now there.
    void findAgain(int id);
    // The question 上一题 (step -1) or 下一题 (step 1) leads to from the
    // shown one, or from the gap a removing save left.
    int stepTarget(int step) const;

    void showMessage(QString text);
    void placeArrowButtons();
    void setArrowsVisible(bool visible);
    void tell(const QString& text);

    std::vector<_detail_t>* list_;
    int index_;
    // Where the question that the last save took out of the caller's vector
    // stood (-1: the saved question is still listed, or nothing was saved).
    int gap_ = -1;
    bool answerLoaded_ = false;
    bool leaving_ = false;
    IDatabase* database_ = nullptr;

    QButtonGroup* tabGroup_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    ImageViewer* questionEditor_ = nullptr;
    ImageViewer* wrongEditor_ = nullptr;
    TextEdit* textEdit_ = nullptr;
    QTopicInfo* form_ = nullptr;
    QToolButton* btnLast_ = nullptr;
    QToolButton* btnNext_ = nullptr;
    QLabel* labelStatus_ = nullptr;
    QPushButton* btnSave_ = nullptr;
    QButtonGroup* bottomGroup_ = nullptr;
    QTimer* messageTimer_ = nullptr;
};
