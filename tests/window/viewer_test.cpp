// The question viewer on three stored questions: paging, saving back, the
// caller's vector changing under it, and the folder shortcut.

#include <QApplication>
#include <QButtonGroup>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

#include <memory>

#include "CaptureFixture.h"
#include "capture/editor/ImageViewer.h"
#include "capture/question/QTopicInfo.h"
#include "capture/question/TextEdit.h"
#include "capture/viewer/QViewItem.h"
#include "core/Settings.h"

namespace {

class Viewer : public CaptureTest {
protected:
    void SetUp() override
    {
        CaptureTest::SetUp();
        for (int n = 1; n <= 3; ++n)
            details.push_back(storeQuestion(n));
    }

    QViewItem& open(int row)
    {
        viewer = std::make_unique<QViewItem>(details, row, nullptr);
        viewer->setDatabase(&database());
        viewer->show();
        QApplication::processEvents();
        rows = std::make_unique<QSignalSpy>(viewer.get(), &QViewItem::rowChanged);
        changed = std::make_unique<QSignalSpy>(viewer.get(), &QViewItem::detail_Changed);
        return *viewer;
    }

    void previous() { viewer->buttonClicked(0); }
    void next() { viewer->buttonClicked(1); }
    QString status() const { return viewer->statusLabel()->text(); }
    // The answer shown, as plain text.
    QString answer() const { return viewer->answerEditor()->textEdit()->toPlainText().trimmed(); }
    // The number drawn on the question picture shown: told apart by size here.
    QImage picture(int page) const
    {
        return (page == 0 ? viewer->questionEditor() : viewer->wrongAnswerEditor())->getImage();
    }
    // Edits the question picture (the editor's turn to the right).
    void turnQuestionPicture() { viewer->questionEditor()->image_process_rotate(); }

    int storedScore(int id) const
    {
        for (const _detail_t& d : storedQuestions())
            if (d.id == id)
                return d.score;
        return -1;
    }

    std::vector<_detail_t> details;
    std::unique_ptr<QViewItem> viewer;
    std::unique_ptr<QSignalSpy> rows;
    std::unique_ptr<QSignalSpy> changed;
};

}  // namespace

TEST_F(Viewer, PagesBetweenBothEnds)
{
    open(0);
    EXPECT_EQ(viewer->windowTitle(), QStringLiteral("题目-%1").arg(details[0].number));
    EXPECT_EQ(answer(), QStringLiteral("答案1"));
    EXPECT_TRUE(viewer->buttons() & 2);

    previous();
    EXPECT_EQ(viewer->index(), 0);
    EXPECT_EQ(status(), QStringLiteral("<font size=\"4\">已经是第一条</font>"));
    ASSERT_EQ(rows->count(), 1);
    EXPECT_EQ(rows->at(0).at(0).toInt(), 0);

    next();
    next();
    EXPECT_EQ(viewer->index(), 2);
    EXPECT_EQ(answer(), QStringLiteral("答案3"));
    EXPECT_EQ(viewer->form()->pointLine()->text(), QStringLiteral("考点3"));
    EXPECT_EQ(viewer->answerEditor()->path(), QString::fromStdString(details[2].detail_path));
    next();
    EXPECT_EQ(viewer->index(), 2);
    EXPECT_EQ(status(), QStringLiteral("<font size=\"4\">已经是最后一条</font>"));
    EXPECT_EQ(rows->count(), 4);
    EXPECT_EQ(rows->at(3).at(0).toInt(), 2);
    EXPECT_EQ(modals.count(), 0);

    // The message goes after two seconds.
    EXPECT_TRUE(QTest::qWaitFor([this] { return status().isEmpty(); }, 10000));
}

TEST_F(Viewer, LeavingAnEditedQuestionAsksToSave)
{
    const QByteArray original = fileBytes(file(details[0], questionfolder::kQuestion));
    open(0);

    // No: the edit is dropped, the files stay.
    turnQuestionPicture();
    viewer->form()->scoreBox()->setValue(9);
    modals.setAnswer(0);
    next();
    ASSERT_EQ(modals.count(), 1);
    EXPECT_EQ(modals.last().title, QStringLiteral("提示"));
    EXPECT_EQ(modals.last().text, QStringLiteral("题目已修改，是否保存？"));
    EXPECT_EQ(viewer->index(), 1);
    EXPECT_EQ(changed->count(), 0);
    EXPECT_EQ(fileBytes(file(details[0], questionfolder::kQuestion)), original);
    EXPECT_EQ(storedScore(details[0].id), 0);

    // Yes: saved, then on to the next one.
    previous();
    ASSERT_EQ(viewer->index(), 0);
    EXPECT_FALSE(viewer->questionEditor()->canUndo()) << "the declined edit is gone";
    turnQuestionPicture();
    viewer->form()->scoreBox()->setValue(9);
    modals.setAnswer(1);
    next();
    EXPECT_EQ(changed->count(), 1);
    EXPECT_EQ(viewer->index(), 1);
    EXPECT_EQ(storedScore(details[0].id), 9);
    EXPECT_EQ(details[0].score, 9);
    EXPECT_EQ(QImage(file(details[0], questionfolder::kQuestion)).size(), QSize(200, 300)) << "turned";

    // Nothing changed: no question.
    modals.clear();
    next();
    EXPECT_EQ(modals.count(), 0);
}

TEST_F(Viewer, SaveOfTheAttributesAloneLeavesThePicturesAlone)
{
    const QByteArray question = fileBytes(file(details[1], questionfolder::kQuestion));
    const QByteArray wrong = fileBytes(file(details[1], questionfolder::kWrongAnswer));
    open(1);
    viewer->form()->remarkLine()->setText(QStringLiteral("再做一遍"));
    viewer->buttonClicked(2);  // 保存修改
    EXPECT_EQ(changed->count(), 1);
    EXPECT_EQ(status(), QStringLiteral("<font size=\"4\">保存成功</font>"));
    EXPECT_EQ(details[1].remark, "再做一遍");
    EXPECT_EQ(fileBytes(file(details[1], questionfolder::kQuestion)), question);
    EXPECT_EQ(fileBytes(file(details[1], questionfolder::kWrongAnswer)), wrong);
    EXPECT_EQ(database().updates, 1);

    // What is stored now counts as unchanged.
    modals.clear();
    viewer->close();
    EXPECT_EQ(modals.count(), 0);
}

TEST_F(Viewer, MissingPagesShowNothingOfThePreviousQuestion)
{
    QFile::remove(file(details[1], questionfolder::kWrongAnswer));
    QFile::remove(file(details[1], questionfolder::kAnswer));
    open(0);
    ASSERT_FALSE(picture(1).isNull());
    next();
    EXPECT_TRUE(picture(1).isNull());
    EXPECT_FALSE(picture(0).isNull());
    EXPECT_TRUE(answer().isEmpty());
    EXPECT_EQ(viewer->answerEditor()->path(), QString::fromStdString(details[1].detail_path));

    // A save writes no page that this question lacks.
    viewer->form()->scoreBox()->setValue(3);
    viewer->buttonClicked(2);
    EXPECT_EQ(changed->count(), 1);
    EXPECT_FALSE(QFileInfo::exists(file(details[1], questionfolder::kWrongAnswer)));
    EXPECT_FALSE(QFileInfo::exists(file(details[1], questionfolder::kAnswer)));

    // A typed answer is written, though.
    viewer->answerEditor()->textEdit()->textCursor().insertText(QStringLiteral("新答案"));
    viewer->buttonClicked(2);
    EXPECT_TRUE(QFileInfo(file(details[1], questionfolder::kAnswer)).isFile());
}

TEST_F(Viewer, CallerEmptyingItsVectorClosesTheWindow)
{
    open(1);
    QObject::connect(viewer.get(), &QViewItem::detail_Changed, [this] { details.clear(); });
    viewer->form()->scoreBox()->setValue(5);
    next();  // asks, saves; the vector is gone
    EXPECT_TRUE(details.empty());
    EXPECT_FALSE(viewer->isVisible());
    EXPECT_EQ(rows->count(), 0);

    // Nothing reads the empty vector any more.
    modals.clear();
    previous();
    viewer->buttonClicked(2);
    viewer->showDetailPath();
    EXPECT_EQ(modals.count(), 0);
}

TEST_F(Viewer, CallerRefillingItsVectorIsFollowedById)
{
    open(0);
    // The caller reloads a page on which the saved question moved to the end.
    QObject::connect(viewer.get(), &QViewItem::detail_Changed, [this] {
        std::vector<_detail_t> page = storedQuestions();
        std::rotate(page.begin(), page.begin() + 1, page.end());
        details = page;
    });
    viewer->form()->pointLine()->setText(QStringLiteral("函数"));
    viewer->buttonClicked(2);
    EXPECT_EQ(viewer->index(), 2);
    EXPECT_EQ(details[2].point, "函数");
    modals.clear();
    previous();  // from the saved question, unchanged now
    EXPECT_EQ(modals.count(), 0);
    EXPECT_EQ(viewer->index(), 1);

    // The caller drops the question: the one now at the index is shown.
    QObject::disconnect(viewer.get(), &QViewItem::detail_Changed, nullptr, nullptr);
    QObject::connect(viewer.get(), &QViewItem::detail_Changed, [this] { details.erase(details.begin() + 1); });
    viewer->form()->pointLine()->setText(QStringLiteral("数列"));
    viewer->buttonClicked(2);
    EXPECT_EQ(viewer->index(), 1);
    EXPECT_EQ(viewer->form()->pointLine()->text(), QString::fromStdString(details[1].point));
    EXPECT_EQ(answer(), QStringLiteral("答案1"));
}

TEST_F(Viewer, FailedSaveKeepsTheQuestionAndItsEdits)
{
    open(0);
    database().failUpdates = true;
    viewer->form()->scoreBox()->setValue(7);
    next();
    EXPECT_EQ(modals.last().text, QStringLiteral("磁盘已满"));
    EXPECT_EQ(viewer->index(), 0);
    EXPECT_EQ(viewer->form()->scoreBox()->value(), 7);
    EXPECT_EQ(changed->count(), 0);

    // Closing asks again; still failing, the window stays.
    viewer->reject();
    EXPECT_TRUE(viewer->isVisible());
    database().failUpdates = false;
    viewer->reject();
    EXPECT_FALSE(viewer->isVisible());
    EXPECT_EQ(storedScore(details[0].id), 7);
}

TEST_F(Viewer, ShortcutShowsAndOpensTheFolder)
{
    open(2);
    QApplication::setActiveWindow(viewer.get());
    QTest::keyClick(viewer.get(), Qt::Key_F1, Qt::ControlModifier);
    ASSERT_EQ(modals.count(), 1);
    EXPECT_TRUE(modals.last().title.isEmpty());
    EXPECT_EQ(modals.last().text, QString::fromStdString(details[2].detail_path));
    ASSERT_EQ(modals.count(modal::Kind::Url), 1);
    const QUrl opened = modals.ofKind(modal::Kind::Url).front().url;
    EXPECT_EQ(opened.toLocalFile(),
              QDir(questionfolder::folder(ctx()->user_folder, details[2].detail_path)).absolutePath());
}

TEST_F(Viewer, TitleTabsArrowsAndMaximizedState)
{
    details[0].number = 0;
    open(0);
    EXPECT_EQ(viewer->windowTitle(), QStringLiteral("题目"));
    EXPECT_TRUE(viewer->saveButton()->isHidden());
    viewer->tabGroup()->button(2)->click();
    EXPECT_EQ(viewer->pages()->currentIndex(), 2);

    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(viewer.get(), &enter);
    EXPECT_TRUE(viewer->nextButton()->isVisible());
    const int y = viewer->height() / 2 - 30;
    EXPECT_EQ(viewer->previousButton()->pos(), QPoint(0, y));
    EXPECT_EQ(viewer->nextButton()->pos(), QPoint(viewer->width() - 1 - 60, y));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(viewer.get(), &leave);
    EXPECT_FALSE(viewer->nextButton()->isVisible());

    viewer->setMaximized(true);
    viewer->close();
    EXPECT_TRUE(getIniValue<bool>(QStringLiteral("viewWindow"), false));
    open(0);
    EXPECT_TRUE(viewer->isMaximized());
}
