#pragma once

#include <QStringList>
#include <QVector>
#include <QWidget>

#include <functional>

#include "capture/common/StateStack.h"
#include "core/Records.h"

class IObserver;
class QAction;
class QComboBox;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QSpinBox;
class StateChangeWidget;

// The metadata form of one question record: subject (or, in the viewer, the
// mastery state), question type, score, cause, category, test point, source
// and remark.
//
// Two layouts, fixed at construction:
//  - mode 0 (viewer): the mastery row replaces the subject; setData shows
//    every field of the record and sets the mastery machine from its state
//    and times; the buttons 已掌握 / 又做错了 change state and times of the
//    form's record.
//  - mode 1 (wizard): the subject box is shown and the mastery row is not;
//    setData resets only category, cause (first entries) and the test point,
//    so subject, question type, score, source and remark carry over from one
//    question to the next.
//
// The base-data boxes list the names of AppContext::subjects,
// classifications, causes and questiontypes (filled once, at construction);
// a box index is an index into its list, and getData turns it back into the
// entry's id. A record id missing from its list shows as an empty box
// (mode 0) and getData then leaves that field alone.
//
// The three text lines offer the phrase store's phrases of type 0 (test
// point), 1 (source) and 2 (remark): a book icon opens a menu of at most 20,
// most used first, and typing offers every stored phrase containing the text.
// Typing is held to 20 / 100 / 100 characters (TextLimits.h); a stored text
// that is longer is shown whole, and while a line still shows its stored
// text getData keeps that text byte for byte, so neither a save nor
// isModified ever sees a cut copy. A stored score outside 0 to 100 is kept
// the same way while the score box shows it clamped.
//
// Choosing a subject in the box (the user's choice only, not setData) calls
// IObserver::notify(index) on every observer, in registration order; the
// constructor registers mainObserver() when one is installed.
//
// GUI thread only.
class QTopicInfo : public QWidget {
    Q_OBJECT
public:
    enum Mode { ViewerMode = 0, WizardMode = 1 };
    // Phrase types of the three lines, as the phrase store counts them.
    enum PhraseType { PointPhrase = 0, SourcePhrase = 1, RemarkPhrase = 2 };
    // The longest phrase menu.
    static constexpr int kMenuLimit = 20;

    // Builds the form; with a record, setData(*detail) ends the construction.
    QTopicInfo(QWidget* parent, int mode, const _detail_t* detail = nullptr);
    ~QTopicInfo() override;

    // Shows a record (see the modes above); the form's record becomes a copy.
    void setData(const _detail_t& detail);
    // Writes the form's values (and the mastery machine's state and times)
    // into the form's record and copies it into detail; every field the form
    // does not show stays as setData received it.
    void getData(_detail_t& detail);
    // Whether subject, state, times, classification, cause, questiontype,
    // point, score, source or remark differ from stored (texts byte for
    // byte). Also refreshes the form's record, as getData does.
    bool isModified(const _detail_t& stored);

    // IObserver::notify(index) on every observer, in registration order.
    void notifyObservers(int index);
    // Appends an observer (kept until the form dies; never owned).
    void addObserver(IObserver* observer);

    int mode() const { return mode_; }

    // The observer every new form registers first: the main window, which
    // installs itself when it is built (and removes itself when it dies).
    // Null: new forms start without one.
    static void setMainObserver(IObserver* observer);
    static IObserver* mainObserver();

    // Runs a phrase menu and returns the chosen action (null: none). The
    // default pops the menu up at the mouse cursor; tests install their own
    // so that nothing blocks. An empty function restores the default.
    using MenuRunner = std::function<QAction*(QMenu&)>;
    static void setMenuRunner(MenuRunner runner);

    // The first `limit` phrases of a type in the phrase store's current
    // context, most used first.
    static QStringList phraseList(int type, int limit);

    // The controls, for the windows that hold the form and for tests.
    QComboBox* subjectBox() const { return boxSubject_; }
    QComboBox* classificationBox() const { return boxClassification_; }
    QComboBox* causeBox() const { return boxCause_; }
    QComboBox* questiontypeBox() const { return boxQuestiontype_; }
    QSpinBox* scoreBox() const { return spinScore_; }
    QLineEdit* pointLine() const { return linePoint_; }
    QLineEdit* sourceLine() const { return lineSource_; }
    QLineEdit* remarkLine() const { return lineRemark_; }
    QAction* pointAction() const { return actionPoint_; }
    QAction* sourceAction() const { return actionSource_; }
    QAction* remarkAction() const { return actionRemark_; }
    StateChangeWidget* stateWidget() const { return stateWidget_; }
    // The mastery machine's current state: 1 to 4, or state_names::kNull
    // before the first record with a known state.
    int masteryState() const;

public slots:
    void btn_mastered_clicked();
    void btn_mistakeAgain_clicked();
    void boxSubject_currentIndexChanged(int index);
    void boxclassification_currentIndexChanged(int index);
    void boxCause_currentIndexChanged(int index);
    void boxQuestiontype_currentIndexChanged(int index);
    void spinScore_valueChanged(const QString& text);
    void lineEditPoint_textChanged(const QString& text);
    void lineEditSource_textChanged(const QString& text);
    void lineEditRemark_textChanged(const QString& text);
    void actionPoint_triggered();
    void actionSource_triggered();
    void actionRemark_triggered();

private:
    // Construction steps.
    void createControls();
    QLineEdit* createPhraseLine(int maxLength, QAction*& action);
    void layoutRows();
    QHBoxLayout* row(QLabel* label, QWidget* control, bool stretch);
    void connectSignals();
    // Fills the four boxes from AppContext.
    void loadBaseData();

    // The mastery machine (QTopicInfoMastery.cpp).
    void setupMastery();
    void showMastery(int state);
    void enterMastery(const _detail_t& detail);

    // Phrases (QTopicInfoPhrases.cpp).
    void runPhraseMenu(int type, QLineEdit* line);
    void offerCompletion(int type, QLineEdit* line, const QString& text);

    _detail_t detail_;
    int mode_;
    StateStack mastery_;
    QVector<IObserver*> observers_;

    QLabel* labelSubject_ = nullptr;
    QLabel* labelState_ = nullptr;
    QLabel* labelClassification_ = nullptr;
    QLabel* labelCause_ = nullptr;
    QLabel* labelQuestiontype_ = nullptr;
    QLabel* labelScore_ = nullptr;
    QLabel* labelPoint_ = nullptr;
    QLabel* labelSource_ = nullptr;
    QLabel* labelRemark_ = nullptr;
    QComboBox* boxSubject_ = nullptr;
    StateChangeWidget* stateWidget_ = nullptr;
    QComboBox* boxClassification_ = nullptr;
    QComboBox* boxCause_ = nullptr;
    QComboBox* boxQuestiontype_ = nullptr;
    QSpinBox* spinScore_ = nullptr;
    QLineEdit* linePoint_ = nullptr;
    QAction* actionPoint_ = nullptr;
    QLineEdit* lineSource_ = nullptr;
    QAction* actionSource_ = nullptr;
    QLineEdit* lineRemark_ = nullptr;
    QAction* actionRemark_ = nullptr;
};
