// A picture added to an answer goes in at the caret and replaces only what
// the pupil selected: in the wizard's 答案与解析 and in the viewer, on screen
// and in the stored answer_right.html.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

#include "capture/editor/importImage.h"
#include "capture/question/QTopicEdit.h"
#include "capture/question/TextEdit.h"
#include "capture/viewer/QViewItem.h"
#include "question/WizardFixture.h"
#include "window/CaptureFixture.h"

namespace {

// A text with the caret written as '|', or a selection as '[...]'.
struct Marked {
    QString text;
    int anchor = 0;
    int position = 0;
};

Marked parseMarked(const char* marked)
{
    Marked m;
    m.text = QString::fromUtf8(marked);
    const int open = m.text.indexOf(QLatin1Char('['));
    if (open >= 0) {
        m.text.remove(open, 1);
        const int close = m.text.indexOf(QLatin1Char(']'));
        m.text.remove(close, 1);
        m.anchor = open;
        m.position = close;
        return m;
    }
    m.anchor = m.position = m.text.indexOf(QLatin1Char('|'));
    m.text.remove(m.anchor, 1);
    return m;
}

// '@' stands for the picture, '\n' for a paragraph break.
QString withPicture(const char* expected)
{
    return QString::fromUtf8(expected).replace(QLatin1Char('@'), QChar::ObjectReplacementCharacter);
}

// The answer's text, replaced as a whole (a real edit: the document counts
// as modified), with the caret or selection placed as marked.
void placeText(TextEdit& editor, const Marked& m)
{
    QTextEdit* text = editor.textEdit();
    QTextCursor all(text->document());
    all.select(QTextCursor::Document);
    all.insertText(m.text);
    QTextCursor cursor(text->document());
    cursor.setPosition(m.anchor);
    cursor.setPosition(m.position, QTextCursor::KeepAnchor);
    text->setTextCursor(cursor);
}

// The text of a stored answer as a document reads it back (pictures as the
// object replacement character); null when the file cannot be read.
QString storedText(const QString& path, QString* html)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    *html = QString::fromUtf8(file.readAll());
    QTextDocument document;
    document.setHtml(*html);
    return document.toPlainText();
}

// A small picture in the question folder `folder` (relative to the data
// folder), so that no line of the answer wraps.
QString smallPicture(const QString& folder)
{
    const QString name = folder + QStringLiteral("/1700000000.png");
    EXPECT_TRUE(questionPicture(30, 20).save(name));
    return name;
}

struct InsertCase {
    const char* name;
    const char* marked;
    const char* expected;
};

void PrintTo(const InsertCase& c, std::ostream* os)
{
    *os << c.name;
}

const InsertCase kInsertCases[] = {
    {"caret at the end of a word", "abc def| 123", "abc def@ 123\n"},
    {"caret inside a word", "abc d|ef 123", "abc d@ef 123\n"},
    {"caret after a blank", "abc def |123", "abc def @123\n"},
    {"caret at the start", "|abc def 123", "@abc def 123\n"},
    {"caret at the end", "…原式 = -8 + 18 = 10。|", "…原式 = -8 + 18 = 10。@\n"},
    {"caret inside a number", "…原式 = -8 + 18 = 1|0。", "…原式 = -8 + 18 = 1@0。\n"},
    {"selected word", "abc [def] 123", "abc @ 123\n"},
    {"selection across words", "…原式 = -8 + [18 = 10]。", "…原式 = -8 + @。\n"},
    {"middle paragraph", "第一行\nabc def| 123\n第三行", "第一行\nabc def@ 123\n\n第三行"},
};

// ------------------------------------------------------------------ wizard

class WizardAnswer : public WizardTest {
protected:
    void SetUp() override
    {
        WizardTest::SetUp();
        edit = std::make_unique<QTopicEdit>(nullptr);
        edit->resize(900, 700);
        edit->show();
        edit->setData(newQuestion());
        edit->nextButton()->click();
        edit->nextButton()->click();
        ASSERT_EQ(edit->step(), QTopicEdit::AnswerStep);
    }
    void TearDown() override { edit.reset(); }

    TextEdit& answer() const { return *edit->answerEditor(); }
    // Completes the question; the stored answer's text.
    QString complete(QString* html)
    {
        edit->completeButton()->click();
        EXPECT_EQ(modals.count(), 0) << (modals.count() ? modals.last().text.toStdString() : "");
        EXPECT_EQ(edit->step(), QTopicEdit::NoQuestion);
        return storedText(folder + QStringLiteral("answer_right.html"), html);
    }

    ModalRecorder modals;
    std::unique_ptr<QTopicEdit> edit;
};

class WizardInsert : public WizardAnswer, public ::testing::WithParamInterface<InsertCase> {};

TEST_P(WizardInsert, KeepsEveryCharacterThatWasNotSelected)
{
    const InsertCase& c = GetParam();
    const QString picture = smallPicture(folder.chopped(1));
    placeText(answer(), parseMarked(c.marked));
    answer().insertImage(picture);
    EXPECT_EQ(answer().textEdit()->toPlainText(), withPicture(c.expected));
    EXPECT_EQ(answer().selectedImages(), QVector<QString>{picture});

    QString html;
    EXPECT_EQ(complete(&html), withPicture(c.expected));
    EXPECT_TRUE(html.contains(picture)) << html.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Answer, WizardInsert, ::testing::ValuesIn(kInsertCases));

// ------------------------------------------------------------------ viewer

class ViewerAnswer : public CaptureTest {
protected:
    void SetUp() override
    {
        CaptureTest::SetUp();
        details.push_back(storeQuestion(1));
        viewer = std::make_unique<QViewItem>(details, 0, nullptr);
        viewer->setDatabase(&database());
        viewer->resize(1200, 800);
        viewer->show();
        QApplication::processEvents();
    }
    void TearDown() override { viewer.reset(); }

    TextEdit& answer() const { return *viewer->answerEditor(); }
    QString answerFile() const { return file(details[0], questionfolder::kAnswer); }
    QString questionFolder() const { return questionfolder::folder(ctx()->user_folder, details[0].detail_path); }
    // Saves the question (保存修改, answering 是); the stored answer's text.
    QString save(QString* html)
    {
        modals.setAnswer(1);
        viewer->saveButton()->click();
        EXPECT_EQ(modals.count(), 1);
        EXPECT_EQ(modals.last().text, QStringLiteral("题目已修改，是否保存？"));
        return storedText(answerFile(), html);
    }

    std::vector<_detail_t> details;
    std::unique_ptr<QViewItem> viewer;
};

class ViewerInsert : public ViewerAnswer, public ::testing::WithParamInterface<InsertCase> {};

TEST_P(ViewerInsert, KeepsEveryCharacterThatWasNotSelected)
{
    const InsertCase& c = GetParam();
    const QString picture = smallPicture(questionFolder());
    ASSERT_EQ(answer().path(), QString::fromStdString(details[0].detail_path));
    placeText(answer(), parseMarked(c.marked));
    answer().insertImage(picture);
    EXPECT_EQ(answer().textEdit()->toPlainText(), withPicture(c.expected));
    EXPECT_EQ(answer().selectedImages(), QVector<QString>{picture});

    QString html;
    EXPECT_EQ(save(&html), withPicture(c.expected));
    EXPECT_TRUE(html.contains(picture)) << html.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Answer, ViewerInsert, ::testing::ValuesIn(kInsertCases));

// ------------------------------------------- through the picture buttons

// The picture dialog taken as it opens; a file chooser answering `file`.
void takePictures(ModalRecorder& modals, const QString& file)
{
    modals.setPaths({file});
    modals.onDialog([](QDialog& dialog) {
        return qobject_cast<importImage*>(&dialog) ? int(QDialog::Accepted) : int(QDialog::Rejected);
    });
}

// Each picture button with the caret inside the text. A full-size picture
// may wrap the line, so only the characters are compared, breaks left out.
const TextEdit::Button kSourceButtons[] = {TextEdit::ImageFromPage, TextEdit::ImageFromFile};
const char kTyped[] = "…原式 = -8 + 18 = 1|0。 abc def 123";

QString withoutBreaks(QString text)
{
    return text.remove(QLatin1Char('\n'));
}

// Places the caret in kTyped and clicks each picture button, the chooser
// answering a picture saved as `file`; returns what the editor then shows,
// breaks left out. The caret stands after the picture just inserted: the
// next one goes in beside it.
QString clickEverySource(TextEdit& answer, ModalRecorder& modals, const QString& file)
{
    takePictures(modals, file);
    placeText(answer, parseMarked(kTyped));
    for (TextEdit::Button button : kSourceButtons) {
        answer.toolButton(button)->click();
        EXPECT_EQ(answer.selectedImages().size(), 1) << button;
    }
    return withoutBreaks(answer.textEdit()->toPlainText());
}

const QString kBothPictures = withPicture("…原式 = -8 + 18 = 1@@0。 abc def 123");

TEST_F(WizardAnswer, PictureButtonsKeepTheTextAroundTheCaret)
{
    const QString file = QDir::current().absoluteFilePath(QStringLiteral("page.png"));
    ASSERT_TRUE(questionPicture(400, 200).save(file));
    EXPECT_EQ(clickEverySource(answer(), modals, file), kBothPictures);
    QString html;
    EXPECT_EQ(withoutBreaks(complete(&html)), kBothPictures);
}

TEST_F(ViewerAnswer, PictureButtonsKeepTheTextAroundTheCaret)
{
    ASSERT_TRUE(questionPicture(600, 300).save(questionFolder() + QStringLiteral("/original.jpg")));
    const QString file = QDir::current().absoluteFilePath(QStringLiteral("page.png"));
    ASSERT_TRUE(questionPicture(400, 200).save(file));
    EXPECT_EQ(clickEverySource(answer(), modals, file), kBothPictures);
    QString html;
    EXPECT_EQ(withoutBreaks(save(&html)), kBothPictures);
}

}  // namespace
