// The image editor's text box grabs no input (an input method's candidate
// window must stay clickable) and still holds the program's other windows as
// a modal dialog does: a press on one of them ends the box and goes no
// further.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include "capture/editor/textinputDialog.h"
#include "support/WaitFor.h"

namespace {

// Another window of the program: a button and an entry.
class OtherWindow : public QWidget {
public:
    OtherWindow()
    {
        auto* layout = new QVBoxLayout(this);
        button = new QPushButton(QStringLiteral("下一步"), this);
        line = new QLineEdit(this);
        layout->addWidget(button);
        layout->addWidget(line);
        setGeometry(400, 300, 300, 200);
        show();
        line->setFocus();
    }
    QPoint buttonCentre() const { return button->geometry().center(); }
    // A click through the window system, as a real one comes.
    void clickButton() { QTest::mouseClick(windowHandle(), Qt::LeftButton, Qt::NoModifier, buttonCentre()); }

    QPushButton* button = nullptr;
    QLineEdit* line = nullptr;
};

TEST(TextBox, RunAsADialogItEndsOnAPressOnAnotherWindowThatGoesNoFurther)
{
    const struct {
        const char* typed;
        int result;
    } cases[] = {{"x = 4", QDialog::Accepted}, {"  ", QDialog::Rejected}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        OtherWindow other;
        QSignalSpy clicked(other.button, &QPushButton::clicked);
        textinputDialog entry;
        entry.move(100, 100);
        QTimer::singleShot(0, &entry, [&] {
            QTest::keyClicks(entry.lineEdit(), QString::fromLatin1(c.typed));
            other.clickButton();
        });
        // Ends a run whose press never reached the program.
        bool stuck = false;
        QTimer::singleShot(30000, &entry, [&] {
            stuck = true;
            entry.done(-1);
        });
        const int result = entry.exec();
        ASSERT_FALSE(stuck) << "the exec'd box held the other window's press";
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(entry.text(), QString::fromLatin1(c.typed));
        EXPECT_EQ(clicked.count(), 0) << "the press that ended the box went on";

        other.clickButton();
        EXPECT_EQ(clicked.count(), 1) << "once the box is gone, the window takes presses again";
    }
}

// The picture dialog (图片编辑) runs its editor, and so the box, from inside a
// modal dialog: the box still takes keys and a press on the dialog ends it.
TEST(TextBox, InsideAModalDialogItTakesKeysAndEndsOnAPressOnTheDialog)
{
    QDialog host;
    host.setGeometry(400, 300, 300, 200);
    auto* button = new QPushButton(QStringLiteral("导入"), &host);
    button->setGeometry(10, 10, 100, 30);
    QSignalSpy clicked(button, &QPushButton::clicked);
    int result = -2;
    QString text;
    bool stuck = false;
    QTimer::singleShot(0, &host, [&] {
        textinputDialog entry;
        entry.move(100, 100);
        QTimer::singleShot(0, &entry, [&] {
            QWindow* box = entry.windowHandle();
            for (Qt::Key key : {Qt::Key_X, Qt::Key_Space, Qt::Key_4})
                QTest::keyClick(box, key);
            QTest::mouseClick(host.windowHandle(), Qt::LeftButton, Qt::NoModifier, QPoint(60, 25));
        });
        QTimer::singleShot(30000, &entry, [&] {
            stuck = true;
            entry.done(-1);
        });
        result = entry.exec();
        text = entry.text();
        host.done(0);
    });
    QTimer::singleShot(60000, &host, [&] { host.done(0); });
    host.exec();
    ASSERT_FALSE(stuck) << "the box held the dialog's press";
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(text, QStringLiteral("x 4"));
    EXPECT_EQ(clicked.count(), 0);
}

TEST(TextBox, WhileOpenTheOtherWindowsTakeNoKeys)
{
    OtherWindow other;
    textinputDialog entry;
    entry.move(100, 100);
    entry.show();
    QTest::keyClick(other.windowHandle(), Qt::Key_A);
    QTest::keyClick(other.windowHandle(), Qt::Key_B);
    EXPECT_TRUE(other.line->text().isEmpty());
    EXPECT_TRUE(entry.isVisible());

    QTest::keyClick(entry.lineEdit(), Qt::Key_Escape);
    ASSERT_FALSE(entry.isVisible());
    QTest::keyClick(other.windowHandle(), Qt::Key_A);
    EXPECT_EQ(other.line->text(), QStringLiteral("a"));
}

TEST(TextBox, PressesOnTheBoxAndItsMenuKeepItOpen)
{
    OtherWindow other;
    textinputDialog entry;
    entry.move(100, 100);
    entry.show();
    QTest::keyClicks(entry.lineEdit(), QStringLiteral("abc"));
    entry.setResult(-1);
    QWindow* box = entry.windowHandle();
    const QPoint inEntry = entry.lineEdit()->geometry().center();
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, inEntry);
    const QPoint onMovePicture(entry.lineEdit()->geometry().right() + 10, inEntry.y());
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, onMovePicture);
    EXPECT_TRUE(entry.isVisible());

    // The entry's own menu (a window of its own): 全选 there.
    QTest::mouseClick(box, Qt::RightButton, Qt::NoModifier, inEntry);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    ASSERT_FALSE(menu->actions().isEmpty());
    QAction* selectAll = menu->actions().last();  // the standard menu ends with Select All
    ASSERT_TRUE(selectAll->isEnabled()) << selectAll->text().toStdString();
    QTest::mouseClick(menu->windowHandle(), Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(selectAll).center());
    EXPECT_TRUE(waitFor([] { return QApplication::activePopupWidget() == nullptr; }));
    EXPECT_EQ(entry.lineEdit()->selectedText(), QStringLiteral("abc"));
    EXPECT_TRUE(entry.isVisible());
    EXPECT_EQ(entry.result(), -1);
}

// An input method hands its text to the application's focus object: the
// box's entry as soon as the box shows.
TEST(TextBox, InputMethodTextReachesTheEntry)
{
    OtherWindow other;
    textinputDialog entry;
    entry.move(100, 100);
    entry.show();
    ASSERT_TRUE(waitFor([&] { return QGuiApplication::focusObject() == entry.lineEdit(); }));
    QInputMethodEvent preedit(QStringLiteral("ni hao"), {});
    QCoreApplication::sendEvent(QGuiApplication::focusObject(), &preedit);
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("你好"));
    QCoreApplication::sendEvent(QGuiApplication::focusObject(), &commit);
    EXPECT_EQ(entry.text(), QStringLiteral("你好"));
    EXPECT_TRUE(other.line->text().isEmpty());
}

}  // namespace
