// The text entry and the picture dialog around the editor, and the editor's
// undo and redo keys.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QVBoxLayout>

#include "EditorHarness.h"
#include "capture/editor/importImage.h"
#include "capture/editor/textinputDialog.h"
#include "platform/WindowSystem.h"
#include "support/SyntheticPictures.h"
#include "support/TestEnv.h"

namespace {

QString savePicture(const QImage& image, const QString& name)
{
    const QString path = testenv::appDataRoot() + QLatin1Char('/') + name;
    EXPECT_TRUE(image.save(path));
    return path;
}

QPushButton* pushButton(QWidget& window, const char* text)
{
    for (QPushButton* b : window.findChildren<QPushButton*>()) {
        if (b->text() == QString::fromUtf8(text))
            return b;
    }
    return nullptr;
}

}  // namespace

// ------------------------------------------------------------- text entry

TEST(TextEntry, IsABorderlessEntryOfTwentyCharacters)
{
    textinputDialog entry;
    EXPECT_TRUE(entry.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(entry.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(entry.parentWidget(), nullptr);
    EXPECT_EQ(entry.lineEdit()->toolTip(), QStringLiteral("Enter:完成\r\nEsc:取消\r\n箭头:移动\r\nTab:红色"));
    EXPECT_EQ(entry.lineEdit()->styleSheet(), QStringLiteral("border:1px solid green;"));
    EXPECT_EQ(entry.styleSheet(), QStringLiteral("border:1px solid gray;"));
    EXPECT_FALSE(entry.isRed());

    QTest::keyClicks(entry.lineEdit(), QString(21, QLatin1Char('x')));
    EXPECT_EQ(entry.text(), QString(20, QLatin1Char('x')));  // the 21st is refused
}

struct ArrowCase {
    Qt::Key key;
    QPoint shift;
};

class TextEntryArrows : public ::testing::TestWithParam<ArrowCase> {};

TEST_P(TextEntryArrows, MoveTheEntryOnlyWhileItIsEmpty)
{
    const ArrowCase c = GetParam();
    textinputDialog entry;
    entry.move(200, 150);
    entry.show();
    QTest::keyClick(entry.lineEdit(), c.key);
    EXPECT_EQ(entry.pos(), QPoint(200, 150) + c.shift);

    QTest::keyClicks(entry.lineEdit(), QStringLiteral("ab"));
    const QPoint stood = entry.pos();
    const int cursor = entry.lineEdit()->cursorPosition();
    QTest::keyClick(entry.lineEdit(), c.key);
    EXPECT_EQ(entry.pos(), stood);
    if (c.key == Qt::Key_Left) {
        EXPECT_EQ(entry.lineEdit()->cursorPosition(), cursor - 1);
    }
    EXPECT_EQ(entry.result(), 0);
    EXPECT_TRUE(entry.isVisible());
}

INSTANTIATE_TEST_SUITE_P(Editor, TextEntryArrows,
                         ::testing::Values(ArrowCase{Qt::Key_Left, {-1, 0}}, ArrowCase{Qt::Key_Up, {0, -1}},
                                           ArrowCase{Qt::Key_Right, {1, 0}}, ArrowCase{Qt::Key_Down, {0, 1}}));

TEST(TextEntry, TabSwitchesRedAndTheGreenBorderDoesNotComeBack)
{
    textinputDialog entry;
    entry.show();
    QTest::keyClick(entry.lineEdit(), Qt::Key_Tab);
    EXPECT_TRUE(entry.isRed());
    EXPECT_EQ(entry.lineEdit()->styleSheet(), QStringLiteral("color:red"));
    QTest::keyClick(entry.lineEdit(), Qt::Key_Tab);
    EXPECT_FALSE(entry.isRed());
    EXPECT_EQ(entry.lineEdit()->styleSheet(), QStringLiteral("color:black"));
    EXPECT_TRUE(entry.lineEdit()->hasFocus() || !entry.isActiveWindow());
}

TEST(TextEntry, EnterAcceptsAndEscapeRejects)
{
    const struct {
        Qt::Key key;
        int result;
    } cases[] = {
        {Qt::Key_Return, QDialog::Accepted}, {Qt::Key_Enter, QDialog::Accepted}, {Qt::Key_Escape, QDialog::Rejected}};
    for (const auto& c : cases) {
        textinputDialog entry;
        entry.show();
        QTest::keyClicks(entry.lineEdit(), QStringLiteral("abc"));
        entry.setResult(-1);
        QTest::keyClick(entry.lineEdit(), c.key);
        EXPECT_EQ(entry.result(), c.result) << c.key;
        EXPECT_FALSE(entry.isVisible());
        EXPECT_EQ(entry.text(), QStringLiteral("abc"));
    }
}

// A press on another window of the program ends the entry, as Enter does
// when something was typed, as Esc does when nothing (or only blanks) was.
TEST(TextEntry, APressOutsideEndsIt)
{
    const struct {
        const char* typed;
        int result;
    } cases[] = {{"abc", QDialog::Accepted}, {"   ", QDialog::Rejected}, {"", QDialog::Rejected}};
    QWidget elsewhere;  // another window of the program (the wizard, its 下一步)
    elsewhere.setGeometry(400, 300, 300, 200);
    elsewhere.show();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        textinputDialog entry;
        entry.move(100, 100);
        entry.show();
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "no pop-up: it grabs no input";
        QTest::keyClicks(entry.lineEdit(), QString::fromLatin1(c.typed));
        entry.setResult(-1);
        // Through the window system, as a real click comes.
        QTest::mouseClick(elsewhere.windowHandle(), Qt::LeftButton, Qt::NoModifier, QPoint(150, 100));
        EXPECT_EQ(entry.result(), c.result);
        EXPECT_FALSE(entry.isVisible());
        EXPECT_EQ(entry.text(), QString::fromLatin1(c.typed));
    }
}

TEST(TextEntry, DraggingBesideTheEntryMovesIt)
{
    textinputDialog entry;
    entry.move(100, 100);
    entry.show();
    const QRect edit = entry.lineEdit()->geometry();
    const QPoint grab(edit.right() + 10, edit.center().y());  // on the move picture
    ASSERT_TRUE(entry.rect().contains(grab));
    ASSERT_FALSE(edit.contains(grab));
    auto send = [&entry](QEvent::Type type, QPoint local, QPoint global, Qt::MouseButton button,
                         Qt::MouseButtons held) {
        QMouseEvent event(type, local, local, global, button, held, Qt::NoModifier);
        QApplication::sendEvent(&entry, &event);
    };
    const QPoint global = entry.mapToGlobal(grab);
    send(QEvent::MouseButtonPress, grab, global, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, grab + QPoint(40, -15), global + QPoint(40, -15), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(entry.pos(), QPoint(140, 85));
    send(QEvent::MouseButtonRelease, grab, global + QPoint(40, -15), Qt::LeftButton, Qt::NoButton);
    send(QEvent::MouseMove, grab, global + QPoint(90, 90), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(entry.pos(), QPoint(140, 85));
}

TEST(TextEntry, PaintsTheMovePictureBesideTheEntry)
{
    textinputDialog entry;
    entry.resize(200, 24);
    entry.show();
    const QImage shot = entry.grab().toImage();
    const QRect edit = entry.lineEdit()->geometry();
    // The picture's arrows are grey (0x55): some such pixel right of the entry.
    int grey = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = edit.right() + 1; x < shot.width(); ++x)
            grey += qGray(shot.pixel(x, y)) < 140;
    EXPECT_GT(grey, 10);
}

// ------------------------------------------------------------ picture dialog

TEST(PictureDialog, HoldsAnEditorWithTheCutToolAndTwoButtons)
{
    const QString path = savePicture(pictures::gradient(300, 200), QStringLiteral("page.png"));
    importImage dialog(nullptr, path);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("图片编辑"));
    ASSERT_NE(dialog.editor(), nullptr);
    EXPECT_EQ(dialog.editor()->currentTool(), ImageViewer::kCut);
    EXPECT_EQ(dialog.editor()->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
    EXPECT_EQ(dialog.getImage().size(), QSize(300, 200));
    EXPECT_NE(pushButton(dialog, "导入"), nullptr);
    EXPECT_NE(pushButton(dialog, "取消"), nullptr);
}

TEST(PictureDialog, CancelRejectsAndImportAcceptsWithTheEditedPicture)
{
    const QImage page = pictures::gradient(300, 200);
    const QString path = savePicture(page, QStringLiteral("page.png"));
    {
        importImage dialog(nullptr, path);
        dialog.show();
        int rejected = 0;
        QObject::connect(&dialog, &QDialog::rejected, [&rejected] { ++rejected; });
        pushButton(dialog, "取消")->click();
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_GE(rejected, 1);
        EXPECT_FALSE(dialog.isVisible());
    }
    {
        importImage dialog(nullptr, path);
        dialog.resize(900, 640);
        dialog.show();
        ImageViewer& editor = *dialog.editor();
        editor.setViewMatrix(QTransform());  // one picture pixel per widget pixel at the corner
        editortest::dragPixels(editor, {20, 30}, {119, 79});
        pushButton(dialog, "导入")->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_FALSE(dialog.isVisible());
        const QImage got = dialog.getImage();
        ASSERT_EQ(got.size(), QSize(100, 50));
        EXPECT_EQ(got, page.convertToFormat(QImage::Format_RGB888).copy(20, 30, 100, 50));
    }
}

TEST(PictureDialog, AnEmptyNameShowsNothingUntilAPictureIsLoaded)
{
    importImage dialog(nullptr, QStringLiteral(""));
    EXPECT_EQ(dialog.editor()->historySize(), 1);
    EXPECT_TRUE(dialog.getImage().isNull());
    dialog.editor()->setTool(ImageViewer::kPen);
    dialog.loadImage(savePicture(pictures::flat(64, 48, Qt::white), QStringLiteral("shot.png")));
    EXPECT_EQ(dialog.editor()->currentTool(), ImageViewer::kCut);
    EXPECT_EQ(dialog.getImage().size(), QSize(64, 48));

    importImage none(nullptr, QString());  // a null name: no entry at all
    EXPECT_EQ(none.editor()->historySize(), 0);
}

TEST(PictureDialog, StaysCentredOnTheFirstScreen)
{
    const QRect area = platform::primaryAvailableGeometry();
    ASSERT_FALSE(area.isEmpty());
    importImage dialog(nullptr, QString());
    dialog.show();
    for (const QSize size : {QSize(1000, 700), QSize(1001, 633)}) {
        dialog.resize(size);
        EXPECT_EQ(dialog.size(), size);
        EXPECT_EQ(dialog.geometry().center(), area.center()) << size.width();
    }
}

// ------------------------------------------------------------- undo keys

TEST(EditorKeys, CtrlZAndCtrlYReachOnlyTheVisibleEditorOfAnUnblockedWindow)
{
    QWidget window;
    auto* pages = new QStackedWidget(&window);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(pages);
    auto* shown = new ImageViewer(nullptr, QString(), ImageViewer::kMouse);
    auto* hidden = new ImageViewer(nullptr, QString(), ImageViewer::kMouse);
    pages->addWidget(shown);
    pages->addWidget(hidden);
    for (ImageViewer* e : {shown, hidden}) {
        e->setImage(pictures::gradient(120, 80));
        editortest::clickButton(*e, QStringLiteral("右  转"));
        ASSERT_EQ(e->historySize(), 2);
    }
    window.resize(900, 600);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(shown->historySize(), 1);
    EXPECT_EQ(hidden->historySize(), 2);
    QTest::keyClick(&window, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(shown->historySize(), 2);
    EXPECT_EQ(hidden->redoSize(), 0);

    // A modal dialog over the window blocks the keys.
    QDialog blocker;
    blocker.setModal(true);
    blocker.show();
    QApplication::setActiveWindow(&blocker);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&blocker));
    QTest::keyClick(&blocker, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(shown->historySize(), 2);
}
