#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>

#include "capture/common/StateStack.h"
#include "core/Records.h"

class IDatabase;
class ImageViewer;
class QCheckBox;
class QFillInfo;
class QLabel;
class QPushButton;
class QStackedLayout;
class QStepBar;
class TextEdit;

// The three-step wizard that completes a freshly cut question:
//   1 题干       the question picture (editor) and the metadata form;
//                下一步 writes "questions.jpg" and stores the typed test
//                point, source and remark in the phrase store;
//   2 错解       the wrong answer, a second editor on the same capture;
//                下一步 writes "answer_wrong.jpg";
//   3 答案与解析  the rich-text answer; 完成 writes "answer_right.html"
//                (UTF-8) and inserts the record.
// Step 0 is "no question": only the hint "请抽取题目" shows.
//
// How the capture window drives it, for each question:
//     edit->setData(detail);     // its folder item/<user>/<detail_path>/
//                                // already holds "original.jpg"
//     connect(edit, &QTopicEdit::complete, [&] {
//         _detail_t saved;
//         edit->getData(saved);  // carries the new row's id
//         ...list it...
//         edit->reset();
//     });
// A new setData may start another question from any step; files already
// written for an abandoned one stay in its folder.
//
// Failures never lose the question and never move on: a picture that cannot
// be written (or an editor without a picture) and an answer file that cannot
// be written are reported under "提示" and the wizard stays on its step; a
// failed insert is reported and 完成 may be pressed again. Once the row is
// stored, a later 完成 only looks its id up again, so the question is never
// stored twice.
//
// Database work runs through awaitTask (busy dialog); the phrase store's
// context is the user, grade, term and subject current when the wizard is
// built. GUI thread only.
class QTopicEdit : public QWidget {
    Q_OBJECT
public:
    // Steps; a step's number is also the index of its page.
    enum Step { NoQuestion = 0, QuestionStep = 1, WrongAnswerStep = 2, AnswerStep = 3 };

    explicit QTopicEdit(QWidget* parent = nullptr);
    ~QTopicEdit() override;

    // Starts the wizard on a new question: the form shows it, both editors
    // load its "original.jpg" with the eraser, the answer editor is emptied
    // and set to its folder; step 1.
    void setData(_detail_t detail);
    // The record as the form now stands: subject, state, classification,
    // cause, questiontype, score, point, source and remark from the form,
    // everything else (the id from the last save among it) from the wizard.
    void getData(_detail_t& detail);
    // Empties the wrong-answer editor and the answer editor; step 0. The
    // step-1 page keeps its contents until the next setData.
    void reset();
    // Inserts the record and takes its id. 0 on success; -1 after the failure
    // was shown to the user.
    int save();

    // The database the wizard stores into (null: the program's own). For
    // tests that make it fail on purpose.
    void setDatabase(IDatabase* database);

    // The current step (0 to 3).
    int step() const;

    // The least room for the picture of step 1 and 2: a question three
    // times as wide as high shows there at least 200 pixels high.
    static constexpr QSize kQuestionRoom{600, 200};
    // Where step 1's editor would place the picture (its area above the tool
    // bar, in editor pixels) were the wizard `size` large: the wizard is laid
    // out as in step 1 without showing anything, then left as it was. For a
    // window that decides its size before the wizard has a question.
    QRect questionAreaAt(const QSize& size);
    // Whether that area holds kQuestionRoom.
    bool hasQuestionRoomAt(const QSize& size);

    // The parts, for the capture window and for tests.
    QStepBar* stepBar() const { return stepBar_; }
    QFillInfo* fillInfo() const { return fillInfo_; }
    ImageViewer* wrongAnswerEditor() const { return wrongEditor_; }
    TextEdit* answerEditor() const { return textEdit_; }
    QCheckBox* infoBox() const { return checkInfo_; }
    QPushButton* lastButton() const { return btnLast_; }
    QPushButton* nextButton() const { return btnNext_; }
    QPushButton* completeButton() const { return btnComplete_; }
    QStackedLayout* pages() const { return pages_; }

signals:
    // A question was saved (its row stored and its id taken).
    void complete();
    // The row of the question in `detailPath` was just inserted (its id may
    // still be unknown): its folder now belongs to the database.
    void rowAdded(const QString& detailPath);

public slots:
    void stateChanged(int state);
    void currentChanged(int index);
    void clicked_last_step();
    void clicked_next_step();
    void clicked_complete();

private:
    // Construction steps.
    void createStepBar();
    void createPages();
    void createButtons();
    void setupSteps();
    void showStep(int step);
    // The check box and the buttons of `step` shown, the others hidden.
    void showControls(int step);

    // Files of the question's folder (QTopicEditSave.cpp).
    QString questionFile(const char* name) const;
    bool writePicture(const QImage& image, const char* name);
    bool writeAnswer();
    void storePhrases();
    IDatabase* database() const;
    void tell(const QString& text);

    _detail_t detail_;
    QFillInfo* fillInfo_ = nullptr;
    ImageViewer* wrongEditor_ = nullptr;
    TextEdit* textEdit_ = nullptr;
    QStepBar* stepBar_ = nullptr;
    QCheckBox* checkInfo_ = nullptr;
    QPushButton* btnLast_ = nullptr;
    QPushButton* btnNext_ = nullptr;
    QPushButton* btnComplete_ = nullptr;
    QStackedLayout* pages_ = nullptr;
    QLabel* labelEmpty_ = nullptr;
    StateStack steps_;
    IDatabase* database_ = nullptr;
    // The record's row is stored but its id is not known yet: the next save
    // only looks the id up.
    bool rowStored_ = false;
};
