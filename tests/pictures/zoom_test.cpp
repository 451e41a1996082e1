// Picture sizes: the insertion width, the three zoom modes on the HTML the
// text edit writes, and the selection the zoom buttons act on.

#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolButton>

#include <gtest/gtest.h>

#include "capture/question/TextEdit.h"
#include "core/Settings.h"
#include "pictures/PictureFixture.h"

using picturetest::picturesOf;
using picturetest::Shown;

namespace {

class Zoom : public picturetest::Fixture {
protected:
    // HTML of a document made by QTextDocument::toHtml holding "a.png" with
    // the given attributes (0: absent) in one paragraph and "b.png" (width
    // 100, height 80) in the next.
    static QString htmlWith(int width, int height)
    {
        QTextDocument document;
        QTextCursor cursor(&document);
        cursor.insertText(QStringLiteral("see "));
        QTextImageFormat a;
        a.setName(QStringLiteral("a.png"));
        if (width)
            a.setWidth(width);
        if (height)
            a.setHeight(height);
        cursor.insertImage(a);
        cursor.insertBlock();
        QTextImageFormat b;
        b.setName(QStringLiteral("b.png"));
        b.setWidth(100);
        b.setHeight(80);
        cursor.insertImage(b);
        return document.toHtml();
    }

    // Writes a text page as a picture file named `name` in the question
    // folder; returns its relative name.
    static QString pageFile(const char* name, int width, int height, int boxHeight)
    {
        const QString path = folder() + QLatin1Char('/') + QLatin1String(name);
        EXPECT_TRUE(picturetest::textPage(width, height, boxHeight).save(path));
        return path;
    }
};

struct ZoomCase {
    const char* name;
    int mode;
    int width, height;        // before (0: absent)
    int newWidth, newHeight;  // after
};

}  // namespace

TEST_F(Zoom, LargerAndSmallerOnTheNamedPictureOnly)
{
    const ZoomCase cases[] = {
        {"in: 650 and no height", 0, 650, 0, 715, 0},
        {"in: 90", 0, 90, 60, 99, 66},
        {"out: 100", 1, 100, 50, 90, 45},
        {"out: a picture without sizes", 1, 0, 0, 0, 0},
        {"another mode changes nothing", 7, 100, 50, 100, 50},
    };
    TextEdit editor(nullptr);
    for (const ZoomCase& c : cases) {
        QString html = htmlWith(c.width, c.height);
        ASSERT_EQ(editor.zoomImage(html, {QStringLiteral("a.png")}, c.mode), 0) << c.name;
        const std::vector<Shown> shown = picturesOf(html);
        ASSERT_EQ(shown.size(), 2u) << c.name;
        EXPECT_EQ(shown[0].width, c.newWidth) << c.name;
        EXPECT_EQ(shown[0].height, c.newHeight) << c.name;
        EXPECT_EQ(shown[1].width, 100) << c.name << ": not named, not changed";
        EXPECT_EQ(shown[1].height, 80) << c.name;
    }
}

TEST_F(Zoom, AutomaticSizeMatchesTheTextHeight)
{
    struct AutoCase {
        const char* name;
        QString src;
        int value;                // "image_auto_value"; 0: not set
        int newWidth, newHeight;  // 0, 0: kept
    };
    const AutoCase cases[] = {
        {"text 32 high", pageFile("t32.png", 800, 600, 32), 0, 400, 300},
        {"text 200 high", pageFile("t200.png", 800, 600, 200), 16, 64, 48},
        {"9 x 17 is too small", pageFile("t1000.png", 600, 1100, 1000), 16, 0, 0},
        {"12 x 17 is written", pageFile("t1000w.png", 800, 1100, 1000), 16, 12, 17},
        {"the stored value", pageFile("t32v.png", 800, 600, 32), 24, 600, 450},
        {"no text", pageFile("blank.png", 800, 600, 0), 16, 0, 0},
        {"no file", folder() + QStringLiteral("/missing.png"), 16, 0, 0},
    };
    TextEdit editor(nullptr);
    for (const AutoCase& c : cases) {
        if (c.value)
            setIniValue(QStringLiteral("image_auto_value"), c.value);
        else
            QFile::remove(QStringLiteral("Lorvane.ini"));
        QTextDocument document;
        QTextCursor cursor(&document);
        QTextImageFormat image;
        image.setName(c.src);
        image.setWidth(300);
        cursor.insertImage(image);
        QString html = document.toHtml();
        ASSERT_EQ(editor.zoomImage(html, {c.src}, 2), 0) << c.name;
        const std::vector<Shown> shown = picturesOf(html);
        ASSERT_EQ(shown.size(), 1u) << c.name;
        EXPECT_EQ(shown[0].width, c.newWidth ? c.newWidth : 300) << c.name;
        EXPECT_EQ(shown[0].height, c.newHeight) << c.name;
    }
}

TEST_F(Zoom, TextAndItsSpacesSurviveAZoom)
{
    QTextDocument document;
    QTextCursor cursor(&document);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    QTextCharFormat italic;
    italic.setFontItalic(true);
    cursor.insertText(QStringLiteral("x"), bold);
    cursor.insertText(QStringLiteral(" "), QTextCharFormat());
    cursor.insertText(QStringLiteral("y <&> \"z\""), italic);
    cursor.insertBlock();
    QTextImageFormat a;
    a.setName(QStringLiteral("a.png"));
    a.setWidth(100);
    cursor.insertImage(a);
    QString html = document.toHtml();

    TextEdit editor(nullptr);
    ASSERT_EQ(editor.zoomImage(html, {QStringLiteral("a.png")}, 0), 0);
    QTextDocument back;
    back.setHtml(html);
    EXPECT_EQ(back.toPlainText().toStdString(),
              (QStringLiteral("x y <&> \"z\"\n") + QChar(QChar::ObjectReplacementCharacter)).toStdString());
    EXPECT_EQ(picturesOf(html).at(0).width, 110);
}

TEST_F(Zoom, TextThatIsNotADocumentIsLeftAlone)
{
    TextEdit editor(nullptr);
    for (const QString& bad :
         {QStringLiteral("<p>a<br></p>"), QStringLiteral("<html><head/></html>"), QStringLiteral("")}) {
        QString html = bad;
        EXPECT_EQ(editor.zoomImage(html, {QStringLiteral("a.png")}, 0), -1) << bad.toStdString();
        EXPECT_EQ(html, bad);
    }
}

TEST_F(Zoom, InsertedPicturesAreAtMost650Wide)
{
    const QString wide = folder() + QStringLiteral("/wide.png");
    const QString narrow = folder() + QStringLiteral("/narrow.png");
    ASSERT_TRUE(QImage(2000, 100, QImage::Format_RGB888).save(wide));
    ASSERT_TRUE(QImage(400, 100, QImage::Format_RGB888).save(narrow));
    TextEdit editor(nullptr);
    editor.insertImage(wide);
    editor.insertImage(narrow);
    const std::vector<Shown> shown = picturesOf(editor.textEdit()->toHtml());
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].width, 650);
    EXPECT_EQ(shown[0].height, 0);
    EXPECT_EQ(shown[1].width, 400);
    EXPECT_EQ(shown[1].height, 0);
}

TEST_F(Zoom, AnInsertedPictureGoesInAtTheCaretOrReplacesTheSelection)
{
    const QString pic = folder() + QStringLiteral("/p.png");
    ASSERT_TRUE(QImage(50, 50, QImage::Format_RGB888).save(pic));
    const QString object(QChar::ObjectReplacementCharacter);
    TextEdit editor(nullptr);

    editor.textEdit()->setPlainText(QStringLiteral("hello world"));
    QTextCursor cursor = editor.textEdit()->textCursor();
    cursor.setPosition(2);
    editor.textEdit()->setTextCursor(cursor);
    editor.insertImage(pic);
    EXPECT_EQ(editor.textEdit()->toPlainText(), QStringLiteral("he") + object + QStringLiteral("llo world\n"));

    editor.textEdit()->setPlainText(QStringLiteral("hello world"));
    cursor = editor.textEdit()->textCursor();
    cursor.setPosition(1);
    cursor.setPosition(4, QTextCursor::KeepAnchor);
    editor.textEdit()->setTextCursor(cursor);
    editor.insertImage(pic);
    EXPECT_EQ(editor.textEdit()->toPlainText(), QStringLiteral("h") + object + QStringLiteral("o world\n"));

    const QString before = editor.textEdit()->toPlainText();
    editor.insertImage(QString());
    EXPECT_EQ(editor.textEdit()->toPlainText(), before);
}

TEST_F(Zoom, TheButtonsActOnTheNewPictureThenOnTheSelection)
{
    const QString first = folder() + QStringLiteral("/1.png");
    const QString second = folder() + QStringLiteral("/2.png");
    const QString third = folder() + QStringLiteral("/3.png");
    for (const QString& name : {first, second, third})
        ASSERT_TRUE(QImage(100, 100, QImage::Format_RGB888).save(name));
    TextEdit editor(nullptr);
    editor.insertImage(first);
    editor.insertImage(second);
    // The second shares its paragraph with the third: only a paragraph's
    // first picture belongs to a selection.
    QTextCursor end = editor.textEdit()->textCursor();
    end.movePosition(QTextCursor::End);
    end.movePosition(QTextCursor::PreviousBlock);
    end.movePosition(QTextCursor::EndOfBlock);
    QTextImageFormat image;
    image.setName(third);
    image.setWidth(100);
    end.insertImage(image);
    ASSERT_EQ(editor.selectedImages(), QVector<QString>{second});
    editor.textEdit()->document()->setModified(false);

    editor.toolButton(TextEdit::ZoomIn)->click();
    std::vector<Shown> shown = picturesOf(editor.textEdit()->toHtml());
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].width, 100);
    EXPECT_EQ(shown[1].width, 110) << "the picture just inserted";
    EXPECT_EQ(shown[2].width, 100);
    EXPECT_TRUE(editor.isModified());
    EXPECT_EQ(editor.selectedImages(), QVector<QString>{second}) << "a zoom keeps the list";

    editor.textEdit()->selectAll();
    EXPECT_EQ(editor.selectedImages(), (QVector<QString>{first, second}));
    editor.toolButton(TextEdit::ZoomOut)->click();
    shown = picturesOf(editor.textEdit()->toHtml());
    EXPECT_EQ(shown[0].width, 90);
    EXPECT_EQ(shown[1].width, 99);
    EXPECT_EQ(shown[2].width, 100);

    // A selection without pictures empties the list: the buttons then do
    // nothing.
    editor.textEdit()->setPlainText(QStringLiteral("only text"));
    editor.textEdit()->selectAll();
    EXPECT_TRUE(editor.selectedImages().isEmpty());
    const QString html = editor.textEdit()->toHtml();
    editor.toolButton(TextEdit::ZoomIn)->click();
    EXPECT_EQ(editor.textEdit()->toHtml(), html);
}
