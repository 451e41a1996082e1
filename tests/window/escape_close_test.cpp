// The capture window against Escape and closing: Escape keeps the window and
// the question in the wizard; closing removes the folders of the questions it
// made whose row was never stored, and nothing else.

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>

#include <memory>

#include "CaptureFixture.h"
#include "capture/question/QTopicEdit.h"
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
