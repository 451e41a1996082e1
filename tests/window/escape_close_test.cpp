// The capture window against Escape and closing: Escape keeps the window and
// the question in the wizard; every way of closing asks before a question
// that is not stored is dropped (否 keeps window and question as they are);
// closing removes the folders of the questions it made whose row was never
// stored, and nothing else.

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>

#include <functional>
#include <memory>
#include <string>

#include "CaptureFixture.h"
#include "capture/question/QFillInfo.h"
#include "capture/question/QTopicEdit.h"
#include "capture/question/QTopicInfo.h"
#include "capture/question/TextEdit.h"
#include "capture/window/QImportTopic.h"

namespace {

class EscapeClose : public CaptureTest {
protected:
    void SetUp() override
    {
        CaptureTest::SetUp();
        window = std::make_unique<QImportTopic>();
        window->show();
        QApplication::processEvents();
    }

    // A new question in the wizard, as a cut makes it; its folder.
    QString cut(int number)
    {
        QImage picture = numberedPicture(400, 300, number);
        window->createItem(&picture);
        EXPECT_EQ(window->wizard()->step(), QTopicEdit::QuestionStep);
        return questionfolder::folder(ctx()->user_folder, window->createdRecord().detail_path);
    }

    void completeWizard()
    {
        QTopicEdit* wizard = window->wizard();
        wizard->nextButton()->click();
        wizard->nextButton()->click();
        wizard->answerEditor()->textEdit()->setPlainText(QStringLiteral("x = 4"));
        wizard->completeButton()->click();
        ASSERT_EQ(modals.count(), 0) << (modals.count() ? modals.last().text.toStdString() : "");
        ASSERT_EQ(wizard->step(), QTopicEdit::NoQuestion);
    }

    static bool exists(const QString& folder) { return QFileInfo(folder).isDir(); }

    std::unique_ptr<QImportTopic> window;
};

}  // namespace

TEST_F(EscapeClose, EscapeKeepsTheWindowAndThePendingQuestion)
{
    const QString folder = cut(1);
    ASSERT_TRUE(window->wizard()->nextButton()->isVisible());
    window->wizard()->nextButton()->click();
    ASSERT_EQ(window->wizard()->step(), QTopicEdit::WrongAnswerStep);

    // On the window itself and from a field of the wizard's form, which
    // leaves Escape to its parents.
    QTest::keyClick(window.get(), Qt::Key_Escape);
    QLineEdit* field = window->wizard()->findChild<QLineEdit*>();
    ASSERT_NE(field, nullptr);
    QTest::keyClick(field, Qt::Key_Escape);
    QApplication::processEvents();

    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->result(), 0);
    EXPECT_EQ(window->tabs()->currentIndex(), 1);
    EXPECT_EQ(window->wizard()->step(), QTopicEdit::WrongAnswerStep);
    EXPECT_TRUE(QFileInfo(folder + QStringLiteral("/original.jpg")).isFile());
    EXPECT_EQ(window->unstoredFolders(), QStringList{folder});
    EXPECT_EQ(modals.count(), 0);
}

namespace {

// The ways the window is closed: its title bar's close button, reject() (as
// a dialog's own close does), and the application closing every window
// (the desktop's close and quitting come through close()).
struct CloseWay {
    const char* name;
    std::function<void(QImportTopic&)> close;
};

const CloseWay kCloseWays[] = {
    {"close button",
     [](QImportTopic& w) { w.titleBar()->findChild<QPushButton*>(QStringLiteral("closeButton"))->click(); }},
    {"reject", [](QImportTopic& w) { w.reject(); }},
    {"all windows closed", [](QImportTopic&) { QApplication::closeAllWindows(); }},
};

const QString kDropQuestion = QStringLiteral("当前题目尚未保存，关闭后将丢失，是否关闭？");

}  // namespace

TEST_F(EscapeClose, ClosingWithAnUnsavedQuestionAsksFirst)
{
    for (const CloseWay& way : kCloseWays) {
        for (const int answer : {0, 1}) {
            SCOPED_TRACE(std::string(way.name) + (answer ? ", 是" : ", 否"));
            window = std::make_unique<QImportTopic>();
            window->show();
            const QString folder = cut(1);
            QLineEdit* point = window->wizard()->fillInfo()->form()->pointLine();
            point->setText(QStringLiteral("一元一次方程"));
            modals.clear();
            modals.setAnswer(answer);

            way.close(*window);
            QApplication::processEvents();
            ASSERT_EQ(modals.count(), 1);
            EXPECT_EQ(modals.last().messageKind, 1);  // 是 / 否
            EXPECT_EQ(modals.last().text, kDropQuestion);
            EXPECT_EQ(window->isVisible(), answer == 0);
            EXPECT_EQ(exists(folder), answer == 0);
            if (answer == 0) {
                EXPECT_EQ(window->tabs()->currentIndex(), 1);
                EXPECT_EQ(window->wizard()->step(), QTopicEdit::QuestionStep);
                EXPECT_EQ(point->text(), QStringLiteral("一元一次方程"));
                EXPECT_FALSE(window->wizard()->fillInfo()->getImage().isNull());
            }
            EXPECT_TRUE(storedQuestions().empty());
        }
    }
}

TEST_F(EscapeClose, ClosingWithNothingPendingAsksNothing)
{
    for (const CloseWay& way : kCloseWays) {
        for (const bool saved : {false, true}) {
            SCOPED_TRACE(std::string(way.name) + (saved ? ", after a save" : ", no question"));
            window = std::make_unique<QImportTopic>();
            window->show();
            if (saved) {
                cut(2);
                completeWizard();
            }
            modals.clear();
            way.close(*window);
            QApplication::processEvents();
            EXPECT_EQ(modals.count(), 0);
            EXPECT_FALSE(window->isVisible());
        }
    }
}

TEST_F(EscapeClose, ClosingRemovesOnlyRowlessFoldersItMade)
{
    // Not made by this window: a stored question and a folder without row.
    const _detail_t before = storeQuestion(1);
    const QString storedBefore = questionfolder::folder(ctx()->user_folder, before.detail_path);
    const QString foreign = userFolder + QStringLiteral("/not-made-here");
    ASSERT_TRUE(QDir().mkpath(foreign));

    const QString stored = cut(2);
    completeWizard();
    const QString abandoned = cut(3);  // replaced in the wizard by the next cut
    window->wizard()->nextButton()->click();
    const QString pending = cut(4);
    EXPECT_EQ(window->unstoredFolders().size(), 2);
    for (const QString& f : {storedBefore, foreign, stored, abandoned, pending})
        ASSERT_TRUE(exists(f)) << f.toStdString();

    // The title bar's close button closes the window.
    auto* close = window->titleBar()->findChild<QPushButton*>(QStringLiteral("closeButton"));
    ASSERT_NE(close, nullptr);
    close->click();
    QApplication::processEvents();
    EXPECT_FALSE(window->isVisible());

    EXPECT_TRUE(exists(storedBefore));
    EXPECT_TRUE(exists(foreign));
    EXPECT_TRUE(exists(stored));
    EXPECT_TRUE(QFileInfo(stored + QStringLiteral("/questions.jpg")).isFile());
    EXPECT_FALSE(exists(abandoned));
    EXPECT_FALSE(exists(pending));
    EXPECT_EQ(storedQuestions().size(), 2u);
    EXPECT_TRUE(window->unstoredFolders().isEmpty());
}

namespace {

// The program's database whose look-up of a new row's id fails: the row is
// stored, but the wizard cannot learn its id.
class IdLookupFails : public sqlite {
public:
    IdLookupFails() : sqlite(sqlite::kDefaultPath) {}
    int getLastInsertId(int&, std::string& err) override
    {
        err = "数据库已锁定";
        return -1;
    }
};

}  // namespace

TEST_F(EscapeClose, AStoredRowKeepsItsFolderEvenWhenItsIdWasNeverLearnt)
{
    IdLookupFails lookupFails;
    window->setDatabase(&lookupFails);
    const QString folder = cut(5);
    QTopicEdit* wizard = window->wizard();
    wizard->nextButton()->click();
    wizard->nextButton()->click();
    wizard->completeButton()->click();
    ASSERT_EQ(modals.count(), 1);
    EXPECT_EQ(modals.last().text, QStringLiteral("数据库已锁定"));
    EXPECT_EQ(wizard->step(), QTopicEdit::AnswerStep);
    ASSERT_EQ(storedQuestions().size(), 1u);
    EXPECT_TRUE(window->unstoredFolders().isEmpty());

    window->close();
    EXPECT_TRUE(exists(folder));
    window->setDatabase(nullptr);
}
