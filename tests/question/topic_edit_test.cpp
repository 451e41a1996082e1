// The three-step edit wizard on a question folder made by the test, against
// the real database and phrase store.

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedLayout>
#include <QTest>
#include <QTextCodec>
#include <QTextEdit>

#include <functional>
#include <memory>

#include "capture/editor/ImageViewer.h"
#include "capture/question/QFillInfo.h"
#include "capture/question/QStepBar.h"
#include "capture/question/QTopicEdit.h"
#include "capture/question/QTopicInfo.h"
#include "capture/question/TextEdit.h"
#include "question/Typing.h"
#include "question/WizardFixture.h"
#include "ui/ModalRecorder.h"

namespace {

std::vector<std::string> phrases(int type)
{
    std::vector<std::string> list;
    PhraseBook_db::instance()->getList(type, list);
    return list;
}

QString readUtf8(const QString& path, bool* valid)
{
    QFile file(path);
    if (!file.open(QFile::ReadOnly))
        return QString();
    const QByteArray bytes = file.readAll();
    QTextCodec::ConverterState state;
    const QString text = QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
    *valid = state.invalidChars == 0 && state.remainingChars == 0;
    return text;
}

class Wizard : public WizardTest {
protected:
    void SetUp() override
    {
        WizardTest::SetUp();
        edit = std::make_unique<QTopicEdit>(nullptr);
        edit->resize(900, 700);
        edit->show();
        completed = std::make_unique<QSignalSpy>(edit.get(), &QTopicEdit::complete);
    }
    void TearDown() override
    {
        completed.reset();
        edit.reset();
    }

    QTopicInfo* form() const { return edit->fillInfo()->form(); }
    void next() { edit->nextButton()->click(); }
    void complete() { edit->completeButton()->click(); }
    void typeAnswer(const QString& text) { typeText(edit->answerEditor()->textEdit(), text); }
    // Buttons and box as (题目信息, 上一步, 下一步, 完成).
    std::vector<bool> shown() const
    {
        return {edit->infoBox()->isVisible(), edit->lastButton()->isVisible(), edit->nextButton()->isVisible(),
                edit->completeButton()->isVisible()};
    }

    ModalRecorder modals;
    std::unique_ptr<QTopicEdit> edit;
    std::unique_ptr<QSignalSpy> completed;
};

TEST_F(Wizard, StartsWithTheHintOnly)
{
    EXPECT_EQ(edit->step(), QTopicEdit::NoQuestion);
    EXPECT_EQ(edit->pages()->currentIndex(), 0);
    auto* hint = qobject_cast<QLabel*>(edit->pages()->currentWidget());
    ASSERT_NE(hint, nullptr);
    EXPECT_TRUE(hint->text().contains(QStringLiteral("请抽取题目")));
    EXPECT_EQ(shown(), (std::vector<bool>{false, false, false, false}));
    EXPECT_EQ(edit->stepBar()->value(), 0);
    EXPECT_EQ(edit->stepBar()->steps(),
              (QStringList{QStringLiteral("题干"), QStringLiteral("错解"), QStringLiteral("答案与解析")}));
    EXPECT_TRUE(edit->infoBox()->isChecked());
}

TEST_F(Wizard, StepsShowTheirPagesAndButtons)
{
    const struct {
        std::function<void()> act;
        int step;
        std::vector<bool> buttons;
    } walk[] = {
        {[this] { edit->setData(newQuestion()); }, 1, {true, false, true, false}},
        {[this] { next(); }, 2, {false, true, true, false}},
        {[this] { edit->lastButton()->click(); }, 1, {true, false, true, false}},
        {[this] { next(); }, 2, {false, true, true, false}},
        {[this] { next(); }, 3, {false, true, false, true}},
        {[this] { edit->lastButton()->click(); }, 2, {false, true, true, false}},
        {[this] { next(); }, 3, {false, true, false, true}},
        {[this] { edit->reset(); }, 0, {false, false, false, false}},
    };
    int i = 0;
    for (const auto& s : walk) {
        s.act();
        EXPECT_EQ(edit->step(), s.step) << "move " << i;
        EXPECT_EQ(edit->pages()->currentIndex(), s.step) << "move " << i;
        EXPECT_EQ(edit->stepBar()->value(), s.step) << "move " << i;
        EXPECT_EQ(shown(), s.buttons) << "move " << i;
        ++i;
    }
    EXPECT_EQ(modals.count(), 0);
}

TEST_F(Wizard, SavesAQuestionInThreeSteps)
{
    edit->setData(newQuestion());
    EXPECT_FALSE(edit->fillInfo()->getImage().isNull());
    EXPECT_FALSE(edit->wrongAnswerEditor()->getImage().isNull());
    EXPECT_EQ(edit->answerEditor()->path(), uuid);

    const std::string point = "it's \"勾股\" \\ 😀";
    const std::string source = "C:\\卷子\\'期末'";
    const std::string remark = "再看 😀";
    const int subjectBefore = ctx()->subject.id;
    form()->subjectBox()->setCurrentIndex(1);
    emit form()->subjectBox()->activated(1);
    form()->pointLine()->setText(QString::fromStdString(point));
    form()->sourceLine()->setText(QString::fromStdString(source));
    form()->remarkLine()->setText(QString::fromStdString(remark));

    next();
    ASSERT_EQ(edit->step(), QTopicEdit::WrongAnswerStep);
    const QImage question(folder + QStringLiteral("questions.jpg"));
    ASSERT_FALSE(question.isNull());
    EXPECT_LE(question.width(), 1024);
    EXPECT_GE(question.width(), 1023);  // scaled to the width, aspect ratio kept
    EXPECT_EQ(phrases(0), std::vector<std::string>{point});
    EXPECT_EQ(phrases(1), std::vector<std::string>{source});
    EXPECT_EQ(phrases(2), std::vector<std::string>{remark});
    EXPECT_EQ(PhraseBook_db::instance()->subject(), subjectBefore) << "test points stay under the earlier subject";

    next();
    ASSERT_EQ(edit->step(), QTopicEdit::AnswerStep);
    EXPECT_LE(QImage(folder + QStringLiteral("answer_wrong.jpg")).width(), 1024);
    EXPECT_FALSE(QImage(folder + QStringLiteral("answer_wrong.jpg")).isNull());

    typeAnswer(QStringLiteral("解：x = 4，因为 “4 + 3 = 7”。"));
    complete();
    EXPECT_EQ(modals.count(), 0) << (modals.count() ? modals.last().text.toStdString() : "");
    EXPECT_EQ(completed->count(), 1);
    EXPECT_EQ(edit->step(), QTopicEdit::NoQuestion);

    bool valid = false;
    const QString html = readUtf8(folder + QStringLiteral("answer_right.html"), &valid);
    EXPECT_TRUE(valid);
    EXPECT_TRUE(html.contains(QStringLiteral("解：x = 4，因为 “4 + 3 = 7”。")));
    EXPECT_TRUE(html.contains(QStringLiteral("<html>")));

    const std::vector<StoredRow> stored = rows();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].state, 0);
    EXPECT_EQ(stored[0].times, 1);
    EXPECT_GT(stored[0].number, 0);
    EXPECT_EQ(stored[0].subject, ctx()->subjects[1].id);
    EXPECT_EQ(stored[0].point, point);
    EXPECT_EQ(stored[0].source, source);
    EXPECT_EQ(stored[0].remark, remark);

    _detail_t saved;
    edit->getData(saved);
    EXPECT_EQ(saved.id, stored[0].id);
    EXPECT_EQ(saved.detail_path, uuid.toStdString());
    EXPECT_EQ(saved.point, point);
}

TEST_F(Wizard, GoingBackWritesNothingAndNextWritesAgain)
{
    edit->setData(newQuestion());
    form()->pointLine()->setText(QStringLiteral("一次函数"));
    next();
    ASSERT_TRUE(QFile::remove(folder + QStringLiteral("questions.jpg")));
    edit->lastButton()->click();
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("questions.jpg")));
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("answer_wrong.jpg")));

    PhraseBook_db::instance()->add(0, "二次函数");
    next();  // 一次函数 counted a second time: now before 二次函数
    EXPECT_TRUE(QFile::exists(folder + QStringLiteral("questions.jpg")));
    EXPECT_EQ(phrases(0), (std::vector<std::string>{"一次函数", "二次函数"}));
    PhraseBook_db::instance()->add(0, "二次函数");
    PhraseBook_db::instance()->add(0, "二次函数");
    next();
    next();  // no 下一步 on step 3
    EXPECT_EQ(edit->step(), QTopicEdit::AnswerStep);
    edit->lastButton()->click();
    form()->pointLine()->clear();
    edit->lastButton()->click();
    next();
    EXPECT_EQ(phrases(0), (std::vector<std::string>{"二次函数", "一次函数"})) << "the empty point is not stored";
}

TEST_F(Wizard, InfoBoxHidesTheFormAndKeepsItsState)
{
    edit->setData(newQuestion());
    EXPECT_TRUE(form()->isVisible());
    edit->infoBox()->setChecked(false);
    EXPECT_FALSE(form()->isVisible());
    EXPECT_TRUE(edit->fillInfo()->editor()->isVisible());
    next();
    EXPECT_FALSE(edit->infoBox()->isVisible());
    next();
    EXPECT_FALSE(edit->infoBox()->isVisible());
    EXPECT_FALSE(edit->infoBox()->isChecked());
    edit->lastButton()->click();
    edit->lastButton()->click();
    EXPECT_TRUE(edit->infoBox()->isVisible());
    EXPECT_FALSE(edit->infoBox()->isChecked());
    edit->infoBox()->setChecked(true);
    EXPECT_TRUE(form()->isVisible());
}

TEST_F(Wizard, NewQuestionStartsWithAnEmptyAnswer)
{
    edit->setData(newQuestion());
    next();
    next();
    typeAnswer(QStringLiteral("上一题的答案"));
    _detail_t other = newQuestion();
    other.detail_path = "another-folder";
    edit->setData(other);
    EXPECT_EQ(edit->step(), QTopicEdit::QuestionStep);
    EXPECT_TRUE(edit->answerEditor()->textEdit()->toPlainText().isEmpty());
    EXPECT_EQ(edit->answerEditor()->path(), QStringLiteral("another-folder"));
}

TEST_F(Wizard, StepBarPaintsWhereTheUserStands)
{
    QStepBar* bar = edit->stepBar();
    auto colours = [bar] {
        const QImage image = bar->grab().toImage();
        const int w = image.width(), h = image.height();
        const int r = h / 4;
        std::vector<QColor> c;
        for (int k = 1; k <= 3; ++k)
            c.push_back(image.pixelColor(k * (w / 4) - r * 6 / 10, (3 * h) / 4));
        return c;
    };
    const QColor gray(Qt::gray), blue(Qt::blue), green(Qt::green);
    EXPECT_EQ(colours(), (std::vector<QColor>{gray, gray, gray}));
    edit->setData(newQuestion());
    next();
    EXPECT_EQ(colours(), (std::vector<QColor>{green, blue, gray}));
}

// ----------------------------------------------------------------- failures

TEST_F(Wizard, PictureThatCannotBeWrittenKeepsTheStep)
{
    edit->setData(newQuestion());
    form()->pointLine()->setText(QStringLiteral("不会存下"));
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("questions.jpg")));
    next();
    ASSERT_EQ(modals.count(), 1);
    EXPECT_EQ(modals.last().title, QStringLiteral("提示"));
    EXPECT_EQ(edit->step(), QTopicEdit::QuestionStep);
    EXPECT_TRUE(phrases(0).empty());

    ASSERT_TRUE(QDir().rmdir(folder + QStringLiteral("questions.jpg")));
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("answer_wrong.jpg")));
    next();
    EXPECT_EQ(edit->step(), QTopicEdit::WrongAnswerStep);
    next();
    EXPECT_EQ(modals.count(), 2);
    EXPECT_EQ(edit->step(), QTopicEdit::WrongAnswerStep);
}

TEST_F(Wizard, EditorWithoutPictureIsRefused)
{
    ASSERT_TRUE(QFile::remove(folder + QStringLiteral("original.jpg")));
    edit->setData(newQuestion());
    next();
    ASSERT_EQ(modals.count(), 1);
    EXPECT_EQ(modals.last().title, QStringLiteral("提示"));
    EXPECT_EQ(edit->step(), QTopicEdit::QuestionStep);
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("questions.jpg")));
}

TEST_F(Wizard, AnswerFileThatCannotBeWrittenStoresNothing)
{
    edit->setData(newQuestion());
    next();
    next();
    typeAnswer(QStringLiteral("答案"));
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("answer_right.html")));
    complete();
    ASSERT_EQ(modals.count(), 1);
    EXPECT_EQ(modals.last().title, QStringLiteral("提示"));
    EXPECT_EQ(edit->step(), QTopicEdit::AnswerStep);
    EXPECT_EQ(completed->count(), 0);
    EXPECT_TRUE(rows().empty());
    EXPECT_TRUE(QFileInfo(folder + QStringLiteral("answer_right.html")).isDir());
}

TEST_F(Wizard, FailedInsertIsShownAndCanBeRetried)
{
    FaultyDatabase faulty;
    faulty.failInserts = 1;
    edit->setDatabase(&faulty);
    edit->setData(newQuestion());
    next();
    next();
    complete();
    ASSERT_EQ(modals.count(), 1);
    EXPECT_EQ(modals.last().title, QStringLiteral("提示"));
    EXPECT_EQ(modals.last().text, QStringLiteral("数据库已锁定"));
    EXPECT_EQ(completed->count(), 0);
    EXPECT_EQ(edit->step(), QTopicEdit::AnswerStep);
    EXPECT_TRUE(rows().empty());

    complete();
    EXPECT_EQ(completed->count(), 1);
    ASSERT_EQ(rows().size(), 1u);
    _detail_t saved;
    edit->getData(saved);
    EXPECT_EQ(saved.id, rows()[0].id);
    edit->setDatabase(nullptr);
}

TEST_F(Wizard, FailedIdLookUpNeverStoresTheQuestionTwice)
{
    FaultyDatabase faulty;
    faulty.failLookUps = 1;
    edit->setDatabase(&faulty);
    edit->setData(newQuestion());
    next();
    next();
    complete();
    ASSERT_EQ(modals.count(), 1);
    EXPECT_EQ(modals.last().text, QStringLiteral("无法读取编号"));
    EXPECT_EQ(completed->count(), 0);
    EXPECT_EQ(edit->step(), QTopicEdit::AnswerStep);
    EXPECT_EQ(rows().size(), 1u);

    complete();
    EXPECT_EQ(modals.count(), 1);
    EXPECT_EQ(completed->count(), 1);
    EXPECT_EQ(faulty.inserts, 1);
    EXPECT_EQ(faulty.lookUps, 2);
    const std::vector<StoredRow> stored = rows();
    ASSERT_EQ(stored.size(), 1u);
    _detail_t saved;
    edit->getData(saved);
    EXPECT_EQ(saved.id, stored[0].id);

    // The next question is inserted again as usual.
    _detail_t other = newQuestion();
    edit->setData(other);
    next();
    next();
    complete();
    EXPECT_EQ(faulty.inserts, 2);
    EXPECT_EQ(completed->count(), 2);
    edit->setDatabase(nullptr);
}

}  // namespace

// The capture window decides its opening size before the wizard has a
// question: the room measured on the hidden wizard is the room that step 1
// then gives, and measuring leaves the wizard as it was.
TEST_F(WizardTest, QuestionRoomIsMeasuredAsStepOneLaysItOut)
{
    const struct {
        QSize wizard;
        bool room;
    } cases[] = {
        {{1300, 800}, true},   // a maximized capture window on 1280 x 720 and more
        {{560, 800}, false},   // squeezed in a narrow window: too narrow
        {{1300, 420}, false},  // the form and the tool bar leave too little height
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.wizard.width() << "x" << c.wizard.height());
        // Children, as in the capture window: sized below their minimum there.
        QWidget hiddenHolder;
        auto* hidden = new QTopicEdit(&hiddenHolder);
        const QSize before = hidden->size();
        const QRect measured = hidden->questionAreaAt(c.wizard);
        EXPECT_EQ(hidden->hasQuestionRoomAt(c.wizard), c.room) << measured.width() << "x" << measured.height();
        EXPECT_EQ(hidden->step(), QTopicEdit::NoQuestion);
        EXPECT_TRUE(hidden->nextButton()->isHidden());
        EXPECT_TRUE(hidden->infoBox()->isHidden());
        EXPECT_EQ(hidden->size(), before);

        QWidget holder;
        holder.resize(c.wizard);
        auto* shown = new QTopicEdit(&holder);
        shown->setGeometry(QRect(QPoint(0, 0), c.wizard));
        holder.show();
        shown->setData(newQuestion());
        ImageViewer* editor = shown->fillInfo()->editor();
        // Laid out once the page shows (posted layout requests).
        (void)QTest::qWaitFor([&] { return editor->pictureArea() == measured; }, 10000);
        EXPECT_EQ(editor->pictureArea(), measured)
            << editor->pictureArea().width() << "x" << editor->pictureArea().height() << " against " << measured.width()
            << "x" << measured.height();
    }
}

// A visible editor keeps its view on loading; the wizard fits each new
// question, so one never shows at the last one's scale.
TEST_F(Wizard, EachQuestionIsFittedWhole)
{
    edit->setData(newQuestion());
    ImageViewer* editor = edit->fillInfo()->editor();
    for (int i = 0; i < 4; ++i)
        editor->zoomIn();
    ASSERT_FALSE(QRectF(editor->pictureArea())
                     .contains(editor->viewMatrix().mapRect(QRectF(QPointF(0, 0), QSizeF(editor->getImage().size())))));

    ASSERT_TRUE(questionPicture(600, 1200).save(folder + QStringLiteral("original.jpg")));  // tall this time
    edit->setData(newQuestion());
    const QRectF shown = editor->viewMatrix().mapRect(QRectF(QPointF(0, 0), QSizeF(editor->getImage().size())));
    EXPECT_TRUE(QRectF(editor->pictureArea()).adjusted(-0.5, -0.5, 0.5, 0.5).contains(shown))
        << shown.x() << "," << shown.y() << " " << shown.width() << "x" << shown.height();
}
