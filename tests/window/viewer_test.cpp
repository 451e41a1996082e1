// The question viewer on three stored questions: paging, saving back, the
// caller's vector changing under it, and the folder shortcut.

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QDir>
#include <QFile>
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

// The list shows only questions not yet mastered; marking the shown one
// 已掌握 and moving on saves it and takes it out of the list.
TEST_F(Viewer, ARemovingSaveSkipsNoQuestion)
{
    struct Case {
        int start;
        int step;
        int shownNumber;      // position in the original list of the question shown after
        const char* message;  // the status line afterwards
    };
    const Case cases[] = {
        {0, 1, 1, "保存成功"},  // 题目-1 gone: 下一题 shows 题目-2, not 题目-3
        {1, 1, 2, "保存成功"},       {1, -1, 0, "保存成功"},
        {2, 1, 1, "已经是最后一条"},  // nothing followed it: the one before it
        {0, -1, 1, "已经是第一条"},   // nothing before it: the one that followed
    };
    const std::vector<_detail_t> all = details;
    std::vector<int> ids;
    for (const _detail_t& d : all)
        ids.push_back(d.id);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "start " << c.start << " step " << c.step);
        std::string err;
        ASSERT_EQ(database().setDetailsState(ids, 0, err), 0) << err;
        details = storedQuestions();
        open(c.start);
        QObject::connect(viewer.get(), &QViewItem::detail_Changed, [this] {
            std::vector<_detail_t> listed;
            for (const _detail_t& d : storedQuestions())
                if (d.state == 0)
                    listed.push_back(d);
            details = listed;
        });
        viewer->statusLabel()->clear();
        viewer->form()->btn_mastered_clicked();
        modals.setAnswer(1);
        viewer->buttonClicked(c.step > 0 ? 1 : 0);
        ASSERT_EQ(details.size(), 2u);
        EXPECT_EQ(viewer->windowTitle(), QStringLiteral("题目-%1").arg(all[c.shownNumber].number));
        EXPECT_EQ(answer(), QStringLiteral("答案%1").arg(c.shownNumber + 1));
        EXPECT_EQ(details[viewer->index()].id, all[c.shownNumber].id);
        ASSERT_EQ(rows->count(), 1);
        EXPECT_EQ(rows->at(0).at(0).toInt(), viewer->index());
        EXPECT_EQ(status(), QStringLiteral("<font size=\"4\">%1</font>").arg(QString::fromUtf8(c.message)));
        viewer->close();
    }

    // After the removing save, paging goes on from the question shown.
    std::string err;
    ASSERT_EQ(database().setDetailsState(ids, 0, err), 0) << err;
    details = storedQuestions();
    open(0);
    QObject::connect(viewer.get(), &QViewItem::detail_Changed, [this] { details.erase(details.begin()); });
    viewer->form()->btn_mastered_clicked();
    modals.setAnswer(1);
    next();
    next();
    EXPECT_EQ(answer(), QStringLiteral("答案3"));
}

// A test point, source or remark stored longer than the form lets one type
// (an older file, a restore) is shown whole, counts as unchanged and
// survives a save of something else; an edit of it is saved as typed.
TEST_F(Viewer, LongStoredTextsAreKeptWhole)
{
    const std::string point(30 * 3, 'p');  // ASCII: 90 characters
    std::string source, remark;
    for (int i = 0; i < 130; ++i)
        source += "源";
    for (int i = 0; i < 150; ++i)
        remark += "备";
    std::string err;
    ASSERT_EQ(database().setDetailsSource({details[0].id}, source, err), 0) << err;
    ASSERT_EQ(database().setDetailsRemark({details[0].id}, remark, err), 0) << err;
    ASSERT_EQ(database().updateDetail(details[0].id, 0, 1, details[0].classification, details[0].cause,
                                      details[0].questiontype, point, 150, source, remark, err),
              0)
        << err;
    details = storedQuestions();
    ASSERT_EQ(details[0].remark, remark);

    open(0);
    QTopicInfo* form = viewer->form();
    EXPECT_EQ(form->pointLine()->text().size(), 90);
    EXPECT_EQ(form->sourceLine()->text().size(), 130);
    EXPECT_EQ(form->remarkLine()->text(), QString::fromStdString(remark));

    // Nothing changed: no question on leaving.
    next();
    previous();
    EXPECT_EQ(modals.count(), 0);
    EXPECT_EQ(form->remarkLine()->text().size(), 150);

    // Saving the test point keeps the long texts (and the score beyond the
    // box's range) as stored.
    form->pointLine()->setText(QString::fromStdString(point).left(89));
    viewer->buttonClicked(2);
    ASSERT_EQ(changed->count(), 1);
    for (const _detail_t& d : storedQuestions()) {
        if (d.id != details[0].id)
            continue;
        EXPECT_EQ(d.score, 150);
        EXPECT_EQ(d.point, point.substr(0, 89));
        EXPECT_EQ(d.source, source);
        EXPECT_EQ(d.remark, remark);
    }

    // Shortened by the pupil, it is saved as it now reads.
    form->remarkLine()->setText(QStringLiteral("短"));
    viewer->buttonClicked(2);
    EXPECT_EQ(details[0].remark, "短");
    // The next question has the usual limit again.
    next();
    EXPECT_EQ(form->remarkLine()->maxLength(), 100);
}

// The current tab is drawn checked: the checked button looks unlike the
// others, with the program's style sheet in force, and the look follows a
// click.
TEST_F(Viewer, TheCurrentTabIsShownChecked)
{
    QFile sheet(QStringLiteral(":/Lorvane/Resources/ui/lorvane.qss"));
    ASSERT_TRUE(sheet.open(QIODevice::ReadOnly));
    qApp->setStyleSheet(QString::fromUtf8(sheet.readAll()));
    open(0);
    const auto look = [this](int id) {
        QAbstractButton* tab = viewer->tabGroup()->button(id);
        return tab->grab().toImage().pixelColor(4, tab->height() / 2);
    };
    EXPECT_TRUE(viewer->tabGroup()->button(0)->isChecked());
    EXPECT_NE(look(0), look(1));
    EXPECT_EQ(look(1), look(2));

    viewer->tabGroup()->button(2)->click();
    EXPECT_FALSE(viewer->tabGroup()->button(0)->isChecked());
    EXPECT_TRUE(viewer->tabGroup()->button(2)->isChecked());
    EXPECT_NE(look(2), look(0));
    EXPECT_EQ(look(0), look(1));
    qApp->setStyleSheet(QString());
}
