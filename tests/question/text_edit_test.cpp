// The answer editor: formatting as the document records it, the remembered
// font choices, and the HTML file round trip.

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFontComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QTest>
#include <QTextBlock>
#include <QTextCodec>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextList>
#include <QTextStream>
#include <QToolButton>
#include <QVector>

#include <gtest/gtest.h>

#include <functional>

#include "capture/question/TextEdit.h"
#include "core/Settings.h"
#include "question/Typing.h"
#include "support/TestEnv.h"
#include "ui/ModalRecorder.h"

namespace {

class AnswerEditor : public ::testing::Test {
protected:
    void SetUp() override
    {
        data = testenv::prepareDataFolder();
        QFile::remove(QStringLiteral("Lorvane.ini"));
    }

    // "hello world" with the cursor inside "hello", nothing selected.
    static void cursorInFirstWord(TextEdit& editor)
    {
        editor.textEdit()->setPlainText(QStringLiteral("hello world"));
        QTextCursor cursor = editor.textEdit()->textCursor();
        cursor.setPosition(2);
        editor.textEdit()->setTextCursor(cursor);
    }
    static QTextCharFormat formatAt(TextEdit& editor, int position)
    {
        QTextCursor cursor(editor.textEdit()->document());
        cursor.setPosition(position + 1);  // the character before the position
        return cursor.charFormat();
    }
    static void chooseSize(TextEdit& editor, const QString& text)
    {
        editor.sizeBox()->setEditText(text);
        emit editor.sizeBox()->textActivated(text);
    }

    QString data;
};

struct ToggleCase {
    const char* name;
    int button;
    std::function<bool(const QTextCharFormat&)> has;
};

void PrintTo(const ToggleCase& c, std::ostream* os)
{
    *os << c.name;
}

class Toggle : public AnswerEditor, public ::testing::WithParamInterface<ToggleCase> {};

TEST_P(Toggle, AppliesToTheWordUnderTheCursorAndToWhatIsTypedNext)
{
    const ToggleCase& c = GetParam();
    TextEdit editor(nullptr);
    cursorInFirstWord(editor);
    editor.toolButton(c.button)->click();
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(c.has(formatAt(editor, i))) << "hello[" << i << "]";
    EXPECT_FALSE(c.has(formatAt(editor, 7))) << "world";
    typeText(editor.textEdit(), QStringLiteral("X"));
    EXPECT_TRUE(c.has(formatAt(editor, 2))) << "typed";
    EXPECT_EQ(editor.textEdit()->toPlainText(), QStringLiteral("heXllo world"));

    editor.toolButton(c.button)->click();  // off again, for the same word
    EXPECT_FALSE(c.has(formatAt(editor, 0)));
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, Toggle,
    ::testing::Values(ToggleCase{"bold", TextEdit::Bold, [](const QTextCharFormat& f) { return f.fontWeight() == 75; }},
                      ToggleCase{"underline", TextEdit::Underline,
                                 [](const QTextCharFormat& f) { return f.fontUnderline(); }},
                      ToggleCase{"italic", TextEdit::Italic, [](const QTextCharFormat& f) { return f.fontItalic(); }}));

TEST_F(AnswerEditor, AlignmentButtonsAlignTheParagraph)
{
    TextEdit editor(nullptr);
    editor.textEdit()->setPlainText(QStringLiteral("第一段\n第二段"));
    const struct {
        int button;
        Qt::Alignment alignment;
    } cases[] = {{TextEdit::AlignCenter, Qt::AlignHCenter},
                 {TextEdit::AlignRight, Qt::AlignRight | Qt::AlignAbsolute},
                 {TextEdit::AlignJustify, Qt::AlignJustify},
                 {TextEdit::AlignLeft, Qt::AlignLeft | Qt::AlignAbsolute}};
    for (const auto& c : cases) {
        editor.toolButton(c.button)->click();
        EXPECT_TRUE(editor.toolButton(c.button)->isChecked());
        EXPECT_EQ(editor.textEdit()->document()->firstBlock().blockFormat().alignment(), c.alignment);
        EXPECT_EQ(editor.textEdit()->document()->lastBlock().blockFormat().alignment(), Qt::AlignLeft)
            << "only the cursor's paragraph";
    }
}

TEST_F(AnswerEditor, AlignmentButtonsFollowOnlyTheConstruction)
{
    TextEdit editor(nullptr);
    EXPECT_TRUE(editor.toolButton(TextEdit::AlignLeft)->isChecked());
    editor.textEdit()->setHtml(QStringLiteral("<p>left</p><p align=\"center\">centre</p>"));
    QTextCursor cursor = editor.textEdit()->textCursor();
    cursor.movePosition(QTextCursor::End);
    editor.textEdit()->setTextCursor(cursor);
    EXPECT_TRUE(editor.toolButton(TextEdit::AlignLeft)->isChecked());
    EXPECT_FALSE(editor.toolButton(TextEdit::AlignCenter)->isChecked());
}

TEST_F(AnswerEditor, ColourFromTheChooserOrNothingWhenCancelled)
{
    TextEdit editor(nullptr);
    cursorInFirstWord(editor);
    const QImage before = editor.toolButton(TextEdit::Color)->icon().pixmap(16, 16).toImage();
    ModalRecorder modals;
    editor.toolButton(TextEdit::Color)->click();  // cancelled
    ASSERT_EQ(modals.count(modal::Kind::Color), 1);
    EXPECT_EQ(modals.requests().back().color, editor.textEdit()->textColor());
    EXPECT_FALSE(formatAt(editor, 0).hasProperty(QTextFormat::ForegroundBrush));
    EXPECT_EQ(editor.toolButton(TextEdit::Color)->icon().pixmap(16, 16).toImage(), before);

    modals.setColor(QColor(200, 10, 20));
    editor.toolButton(TextEdit::Color)->click();
    EXPECT_EQ(formatAt(editor, 4).foreground().color(), QColor(200, 10, 20));
    EXPECT_FALSE(formatAt(editor, 7).hasProperty(QTextFormat::ForegroundBrush));
    EXPECT_EQ(editor.toolButton(TextEdit::Color)->icon().pixmap(16, 16).toImage().pixelColor(8, 8),
              QColor(200, 10, 20));
}

TEST_F(AnswerEditor, ListStyles)
{
    const QTextListFormat::Style styles[] = {QTextListFormat::ListDisc,       QTextListFormat::ListCircle,
                                             QTextListFormat::ListSquare,     QTextListFormat::ListDecimal,
                                             QTextListFormat::ListLowerAlpha, QTextListFormat::ListUpperAlpha,
                                             QTextListFormat::ListLowerRoman, QTextListFormat::ListUpperRoman};
    TextEdit editor(nullptr);
    ASSERT_EQ(editor.styleBox()->count(), 9);
    EXPECT_EQ(editor.styleBox()->itemText(5), QStringLiteral("a b c "));
    for (int index = 1; index <= 8; ++index) {
        editor.textEdit()->setPlainText(QStringLiteral("一行"));
        editor.textStyle(index);
        QTextList* list = editor.textEdit()->textCursor().currentList();
        ASSERT_NE(list, nullptr) << index;
        EXPECT_EQ(list->format().style(), styles[index - 1]) << index;
    }
}

TEST_F(AnswerEditor, DecimalListTakesTheIndentAndStandardLeavesTheList)
{
    TextEdit editor(nullptr);
    editor.textEdit()->setPlainText(QStringLiteral("缩进的段落"));
    QTextCursor cursor = editor.textEdit()->textCursor();
    QTextBlockFormat indented;
    indented.setIndent(2);
    cursor.mergeBlockFormat(indented);
    editor.textStyle(4);
    cursor = editor.textEdit()->textCursor();
    ASSERT_NE(cursor.currentList(), nullptr);
    EXPECT_EQ(cursor.currentList()->format().style(), QTextListFormat::ListDecimal);
    EXPECT_EQ(cursor.currentList()->format().indent(), 3);
    EXPECT_EQ(cursor.blockFormat().indent(), 0);

    editor.textStyle(0);
    EXPECT_EQ(editor.textEdit()->textCursor().currentList(), nullptr);
    EXPECT_EQ(editor.textEdit()->toPlainText(), QStringLiteral("缩进的段落"));
}

TEST_F(AnswerEditor, SizeBoxAppliesPositiveSizesAndRemembersWhatItRead)
{
    const struct {
        const char* typed;
        double applied;  // 0: text unchanged
        double stored;
    } cases[] = {{"0", 0, 0}, {"abc", 0, 0}, {"-3", 0, -3}, {"10.5", 10.5, 10.5}};
    for (const auto& c : cases) {
        TextEdit editor(nullptr);
        cursorInFirstWord(editor);
        const qreal before = formatAt(editor, 0).fontPointSize();
        chooseSize(editor, QString::fromLatin1(c.typed));
        if (c.applied > 0)
            EXPECT_DOUBLE_EQ(formatAt(editor, 0).fontPointSize(), c.applied) << c.typed;
        else
            EXPECT_DOUBLE_EQ(formatAt(editor, 0).fontPointSize(), before) << c.typed;
        EXPECT_DOUBLE_EQ(getIniValue<double>(QStringLiteral("TextEdit_textSize"), 99.0), c.stored) << c.typed;
    }
    // The next editor presets the whole points.
    TextEdit next(nullptr);
    EXPECT_EQ(next.sizeBox()->currentText(), QStringLiteral("10"));
}

TEST_F(AnswerEditor, ChosenFamilyIsRememberedButTheDocumentStartsInTheDefaultFont)
{
    TextEdit first(nullptr);
    EXPECT_EQ(first.sizeBox()->currentText(), QStringLiteral("12"));
    QString family;
    for (const QString& f : QFontDatabase().families()) {
        if (first.fontBox()->findText(f, Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0 &&
            QFontInfo(QFont(f)).family() == f && f != QFontInfo(first.textEdit()->font()).family()) {
            family = f;
            break;
        }
    }
    ASSERT_FALSE(family.isEmpty());
    cursorInFirstWord(first);
    emit first.fontBox()->textActivated(family);
    EXPECT_EQ(formatAt(first, 0).fontFamily(), family);
    EXPECT_EQ(getIniValue(QStringLiteral("TextEdit_textFamily"), ""), family);

    TextEdit next(nullptr);
    EXPECT_EQ(next.fontBox()->currentText(), family);
    typeText(next.textEdit(), QStringLiteral("abc"));
    EXPECT_NE(formatAt(next, 0).font().family(), family);
}

TEST_F(AnswerEditor, HtmlRoundTripKeepsChineseTextExactly)
{
    TextEdit editor(nullptr, QString(), QStringLiteral("folder-1"));
    EXPECT_EQ(editor.path(), QStringLiteral("folder-1"));
    EXPECT_FALSE(editor.isModified());
    typeText(editor.textEdit(), QStringLiteral("解：设 x = 3，则 “答案” 为 9。"));
    editor.toolButton(TextEdit::Bold)->click();
    EXPECT_TRUE(editor.isModified());
    EXPECT_TRUE(editor.isWindowModified());

    const QString html = editor.toHtml();
    EXPECT_TRUE(html.contains(QStringLiteral("charset=utf-8")));
    QFile out(QStringLiteral("answer_right.html"));
    ASSERT_TRUE(out.open(QFile::WriteOnly | QFile::Truncate));
    QTextStream stream(&out);
    stream.setCodec("UTF-8");
    stream << html;
    stream.flush();
    out.close();

    QFile in(QStringLiteral("answer_right.html"));
    ASSERT_TRUE(in.open(QFile::ReadOnly));
    const QByteArray bytes = in.readAll();
    QTextCodec::ConverterState state;
    const QString decoded = QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
    EXPECT_EQ(state.invalidChars, 0);
    EXPECT_TRUE(decoded.contains(QStringLiteral("“答案”")));

    TextEdit viewer(nullptr, QStringLiteral("answer_right.html"), QStringLiteral("folder-1"));
    EXPECT_EQ(viewer.toHtml(), html);
    EXPECT_EQ(viewer.textEdit()->toPlainText(), editor.textEdit()->toPlainText());
    EXPECT_EQ(viewer.fileName(), QStringLiteral("answer_right.html"));
    EXPECT_FALSE(viewer.isModified());
    EXPECT_FALSE(viewer.isWindowModified());
}

TEST_F(AnswerEditor, LoadingAMissingFileChangesNothing)
{
    TextEdit editor(nullptr);
    typeText(editor.textEdit(), QStringLiteral("保留"));
    EXPECT_FALSE(editor.loadHtml(QStringLiteral("nowhere.html")));
    EXPECT_EQ(editor.textEdit()->toPlainText(), QStringLiteral("保留"));
    EXPECT_TRUE(editor.fileName().isEmpty());
    EXPECT_TRUE(editor.isModified());

    QDir().mkpath(QStringLiteral("a-folder.html"));
    EXPECT_FALSE(editor.loadHtml(QStringLiteral("a-folder.html")));
    EXPECT_EQ(editor.textEdit()->toPlainText(), QStringLiteral("保留"));
}

TEST_F(AnswerEditor, FileWithoutMarkupIsPlainText)
{
    QFile file(QStringLiteral("plain.html"));
    ASSERT_TRUE(file.open(QFile::WriteOnly));
    file.write(QStringLiteral("a 比 b 小，3 < 5\n第二行").toLocal8Bit());
    file.close();
    TextEdit editor(nullptr);
    ASSERT_TRUE(editor.loadHtml(QStringLiteral("plain.html")));
    EXPECT_EQ(editor.textEdit()->toPlainText(), QStringLiteral("a 比 b 小，3 < 5\n第二行"));
}

TEST_F(AnswerEditor, ClearStartsAFreshAnswer)
{
    TextEdit editor(nullptr);
    typeText(editor.textEdit(), QStringLiteral("上一题的答案"));
    editor.setPath(QStringLiteral("next"));
    EXPECT_EQ(editor.textEdit()->toPlainText(), QStringLiteral("上一题的答案"));
    editor.clear();
    EXPECT_TRUE(editor.textEdit()->toPlainText().isEmpty());
    EXPECT_FALSE(editor.isModified());
    EXPECT_EQ(editor.path(), QStringLiteral("next"));
}

TEST_F(AnswerEditor, ToolBarHasItsFifteenButtonsWithPictures)
{
    TextEdit editor(nullptr);
    const char* tips[] = {"从试卷中截取", "添加图片", "扫描", "屏幕截图", "放大图片", "缩小图片", "自动调整图片大小",
                          "粗体",         "下划线",   "斜体", "左对齐",   "居中对齐", "右对齐",   "两端对齐"};
    for (int i = 0; i < 14; ++i) {
        QToolButton* b = editor.toolButton(i);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->toolTip(), QString::fromUtf8(tips[i]));
        EXPECT_FALSE(b->icon().isNull()) << tips[i];
        EXPECT_EQ(b->iconSize(), QSize(28, 28));
        EXPECT_EQ(b->isCheckable(), i >= TextEdit::Bold);
    }
    EXPECT_NE(editor.toolButton(TextEdit::Color), nullptr);
    EXPECT_EQ(editor.toolButton(TextEdit::ButtonCount), nullptr);
    EXPECT_EQ(editor.sizeBox()->objectName(), QStringLiteral("comboSize"));
    EXPECT_TRUE(editor.sizeBox()->isEditable());
}

// Every control of the tool row, in the editor's coordinates.
QVector<QRect> toolRowControls(TextEdit& editor)
{
    QVector<QRect> out;
    auto add = [&](QWidget* w) { out.append(QRect(w->mapTo(&editor, QPoint(0, 0)), w->size())); };
    for (int i = 0; i < TextEdit::ButtonCount; ++i)
        add(editor.toolButton(i));
    add(editor.styleBox());
    add(editor.fontBox());
    add(editor.sizeBox());
    return out;
}

TEST_F(AnswerEditor, ToolRowWrapsInANarrowEditorAndKeepsEveryControlWhole)
{
    TextEdit editor(nullptr);
    editor.show();
    // Wide: one line; as narrow as the capture window's wizard on a 1280 x
    // 720 screen, and narrower: two lines or more, every control whole.
    for (int width : {1400, 556, 330}) {
        editor.resize(width, 300);
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
        const QVector<QRect> controls = toolRowControls(editor);
        int lines = 0;
        int lastTop = -1;
        for (int i = 0; i < controls.size(); ++i) {
            EXPECT_TRUE(editor.rect().contains(controls[i])) << width << ": control " << i;
            for (int j = i + 1; j < controls.size(); ++j)
                EXPECT_FALSE(controls[i].intersects(controls[j])) << width << ": controls " << i << " and " << j;
            // The text starts below the whole row.
            EXPECT_LT(controls[i].bottom(), editor.textEdit()->y()) << width << ": control " << i;
            if (controls[i].center().y() > lastTop + 5) {
                ++lines;
                lastTop = controls[i].center().y();
            }
        }
        if (width == 1400)
            EXPECT_EQ(lines, 1);
        else
            EXPECT_GE(lines, 2) << width;
        EXPECT_GT(editor.textEdit()->height(), 100) << width;
    }
}

TEST(Fonts, ChineseTextHasAnInstalledFont)
{
    // The editor's default family is "SimSun"; Debian has no such font, so
    // the text must fall back to an installed Chinese one.
    EXPECT_FALSE(QFontDatabase().families(QFontDatabase::SimplifiedChinese).isEmpty());
    QFontMetrics metrics(QFont(QStringLiteral("SimSun")));
    EXPECT_GT(metrics.horizontalAdvance(QStringLiteral("题")), 0);
}

}  // namespace
