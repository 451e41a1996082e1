// The editing operations through the editor's input and tool bar, on real
// pictures and the real image library.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTest>

#include <cstring>
#include <functional>
#include <stdexcept>
#include <vector>

#include "EditorHarness.h"
#include "capture/common/ImageOps.h"
#include "capture/editor/textinputDialog.h"
#include "support/SyntheticPictures.h"
#include "ui/ModalRecorder.h"

using editortest::clickButton;
using editortest::clickPixel;
using editortest::dragPixels;
using editortest::makeEditor;

using editortest::samePixels;

namespace {

bool isDark(QColor c)
{
    return c.red() < 128 && c.green() < 128 && c.blue() < 128;
}

// A pixel of the result and where its expected colour comes from: the start
// picture at `from` (the same point when `from` is (-1, -1)), or a colour
// class.
struct PixelCheck {
    enum Kind { FromStart, White, Dark };
    QPoint at;
    Kind kind = FromStart;
    QPoint from{-1, -1};
};

struct OperationCase {
    const char* name;
    std::function<QImage()> start;
    int tool;
    std::function<void(ImageViewer&)> input;
    std::vector<int> codes;
    QSize size;
    std::vector<PixelCheck> pixels;
    int redo;
};

void PrintTo(const OperationCase& c, std::ostream* os)
{
    *os << c.name;
}

QImage grad300x200()
{
    return pictures::gradient(300, 200);
}
QImage white300x200()
{
    return pictures::flat(300, 200, Qt::white);
}

const OperationCase kOperations[] = {
    {"cut drag from (250,40) to (50,140)",
     grad300x200,
     ImageViewer::kCut,
     [](ImageViewer& e) {
         dragPixels(e, {250, 40}, {50, 140});
     },
     {0, 1},
     {201, 101},
     {{{0, 0}, PixelCheck::FromStart, {50, 40}}, {{200, 100}, PixelCheck::FromStart, {250, 140}}},
     0},
    {"cut drag of 4 x 50 pixels",
     grad300x200,
     ImageViewer::kCut,
     [](ImageViewer& e) {
         dragPixels(e, {100, 20}, {103, 69});
     },
     {0},
     {300, 200},
     {{{100, 20}}},
     0},
    {"cut wholly outside the picture",
     grad300x200,
     ImageViewer::kCut,
     [](ImageViewer& e) {
         dragPixels(e, {310, 10}, {340, 60});
     },
     {0},
     {300, 200},
     {},
     0},
    {"erase drag of 4 x 50 pixels",
     white300x200,
     ImageViewer::kErase,
     [](ImageViewer& e) {
         dragPixels(e, {100, 20}, {103, 69});
     },
     {0},
     {300, 200},
     {},
     0},
    {"erase past the right edge",
     [] {
         QImage img = pictures::flat(300, 200, Qt::white);
         for (int x = 250; x < 300; ++x)
             for (int y = 90; y < 94; ++y)
                 img.setPixelColor(x, y, Qt::black);
         return img;
     },
     ImageViewer::kErase,
     [](ImageViewer& e) {
         dragPixels(e, {200, 60}, {340, 130});
     },
     {0, 2},
     {300, 200},
     {{{260, 91}, PixelCheck::White}, {{297, 91}, PixelCheck::White}},
     0},
    {"去红批 twice, then undo",
     [] { return pictures::redTickOnWhite(300, 200); },
     ImageViewer::kMouse,
     [](ImageViewer& e) {
         clickButton(e, QStringLiteral("去红批"));
         clickButton(e, QStringLiteral("去红批"));
         clickButton(e, QStringLiteral("撤  销"));
     },
     {0},
     {300, 200},
     {},
     1},
    {"去红批 again after undo",
     [] { return pictures::redTickOnWhite(300, 200); },
     ImageViewer::kMouse,
     [](ImageViewer& e) {
         clickButton(e, QStringLiteral("去红批"));
         clickButton(e, QStringLiteral("撤  销"));
         clickButton(e, QStringLiteral("去红批"));
     },
     {0, 4},
     {300, 200},
     {},
     0},
    {"four turns give the first pixels back",
     grad300x200,
     ImageViewer::kMouse,
     [](ImageViewer& e) {
         for (int i = 0; i < 4; ++i)
             clickButton(e, QStringLiteral("右  转"));
     },
     {0, 2, 2, 2, 2},
     {300, 200},
     {{{0, 0}}, {{299, 0}}, {{123, 45}}, {{299, 199}}},
     0},
    {"one turn",
     grad300x200,
     ImageViewer::kMouse,
     [](ImageViewer& e) { clickButton(e, QStringLiteral("右  转")); },
     {0, 2},
     {200, 300},
     {{{199, 0}, PixelCheck::FromStart, {0, 0}},
      {{0, 0}, PixelCheck::FromStart, {0, 199}},
      {{0, 299}, PixelCheck::FromStart, {299, 199}}},
     0},
    {"a pen click adds nothing",
     white300x200,
     ImageViewer::kPen,
     [](ImageViewer& e) {
         clickPixel(e, {50, 50});
     },
     {0},
     {300, 200},
     {{{50, 50}, PixelCheck::White}},
     0},
    {"the 7-point pen rule",
     white300x200,
     ImageViewer::kPen,
     [](ImageViewer& e) {
         dragPixels(e, {20, 20}, {200, 140}, {{20, 20}, {60, 20}, {100, 20}, {100, 60}, {100, 100}, {100, 140}});
     },
     {0, 7},
     {300, 200},
     {{{60, 20}, PixelCheck::Dark},     // piece through points 1-3
      {{100, 40}, PixelCheck::Dark},    // the next piece joins at point 3
      {{100, 120}, PixelCheck::Dark},   // piece through points 3-6
      {{150, 140}, PixelCheck::White},  // point 7 is not drawn
      {{20, 60}, PixelCheck::White}},
     0},
    {"undo right after loading",
     grad300x200,
     ImageViewer::kMouse,
     [](ImageViewer& e) { clickButton(e, QStringLiteral("撤  销")); },
     {0},
     {300, 200},
     {{{10, 10}}},
     0},
    {"undo then redo",
     grad300x200,
     ImageViewer::kMouse,
     [](ImageViewer& e) {
         clickButton(e, QStringLiteral("右  转"));
         clickButton(e, QStringLiteral("撤  销"));
         clickButton(e, QStringLiteral("重  做"));
     },
     {0, 2},
     {200, 300},
     {{{199, 0}, PixelCheck::FromStart, {0, 0}}},
     0},
    {"a new operation empties the redo list",
     grad300x200,
     ImageViewer::kCut,
     [](ImageViewer& e) {
         clickButton(e, QStringLiteral("右  转"));
         clickButton(e, QStringLiteral("撤  销"));
         dragPixels(e, {10, 10}, {109, 59});
         clickButton(e, QStringLiteral("重  做"));
     },
     {0, 1},
     {100, 50},
     {{{0, 0}, PixelCheck::FromStart, {10, 10}}},
     0},
    {"a refused cut still empties the redo list",
     grad300x200,
     ImageViewer::kCut,
     [](ImageViewer& e) {
         clickButton(e, QStringLiteral("右  转"));
         clickButton(e, QStringLiteral("撤  销"));
         dragPixels(e, {10, 10}, {12, 12});
     },
     {0},
     {300, 200},
     {},
     0},
};

}  // namespace

class Operation : public ::testing::TestWithParam<OperationCase> {};

TEST_P(Operation, GivesItsHistoryAndPixels)
{
    const OperationCase& c = GetParam();
    const QImage start = c.start();
    auto editor = makeEditor(start, c.tool);
    ASSERT_DOUBLE_EQ(editor->viewMatrix().m11(), 1.0);
    c.input(*editor);

    EXPECT_EQ(editor->historyCodes(), c.codes);
    EXPECT_EQ(editor->redoSize(), c.redo);
    const QImage result = editor->getImage();
    ASSERT_EQ(result.size(), c.size);
    EXPECT_EQ(result.format(), QImage::Format_RGB888);
    for (const PixelCheck& p : c.pixels) {
        const QColor got = result.pixelColor(p.at);
        switch (p.kind) {
        case PixelCheck::FromStart:
            EXPECT_EQ(got, start.pixelColor(p.from.x() < 0 ? p.at : p.from)) << "at " << p.at.x() << "," << p.at.y();
            break;
        case PixelCheck::White: EXPECT_GT(got.lightness(), 230) << "at " << p.at.x() << "," << p.at.y(); break;
        case PixelCheck::Dark: EXPECT_TRUE(isDark(got)) << "at " << p.at.x() << "," << p.at.y(); break;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Editor, Operation, ::testing::ValuesIn(kOperations));

TEST(EditorOperations, ACutStaysWhereItWasOnScreen)
{
    // At scale 1 the shown pixels must not move; at 0.4 the corner may move
    // by the rounding of one picture pixel.
    for (const QSize size : {QSize(300, 200), QSize(2000, 1000)}) {
        auto editor = makeEditor(pictures::gradient(size.width(), size.height()), ImageViewer::kCut);
        const QPoint a(size.width() * 5 / 6, size.height() / 5);
        const QPoint b(size.width() / 6, size.height() * 7 / 10);
        // Shown, so that grabbing sends no resize (which would fit again).
        editor->show();
        const QImage before = editor->grab(QRect(0, 0, 800, 400)).toImage();
        const QPointF corner = editor->viewMatrix().map(QPointF(b.x(), a.y()));
        dragPixels(*editor, a, b);
        ASSERT_EQ(editor->historyCodes(), (std::vector<int>{0, 1}));

        const QPointF moved = editor->viewMatrix().map(QPointF(0, 0));
        EXPECT_NEAR(moved.x(), corner.x(), editor->viewMatrix().m11());
        EXPECT_NEAR(moved.y(), corner.y(), editor->viewMatrix().m11());
        if (size == QSize(300, 200)) {
            const QImage after = editor->grab(QRect(0, 0, 800, 400)).toImage();
            const QRect shown(corner.toPoint(), QSize(201, 101));
            EXPECT_EQ(after.copy(shown), before.copy(shown));
        }
    }
}

TEST(EditorOperations, RemovingRedKeepsTheBlackInk)
{
    QRect tick;
    const QImage start = pictures::redTickOnWhite(400, 300, &tick);
    auto editor = makeEditor(start);
    clickButton(*editor, QStringLiteral("去红批"));
    ASSERT_EQ(editor->historyCodes(), (std::vector<int>{0, 4}));
    const QImage result = editor->getImage();
    int red = 0;
    for (int y = tick.top(); y <= tick.bottom(); ++y)
        for (int x = tick.left(); x <= tick.right(); ++x) {
            const QColor c = result.pixelColor(x, y);
            red += c.red() > 150 && c.green() < 120;
        }
    EXPECT_EQ(red, 0);
    const QPoint ink(400 * 2 / 3 + 20, 150);
    EXPECT_TRUE(isDark(result.pixelColor(ink)));
}

TEST(EditorOperations, WhiteningMakesTheGreyPaperWhiteOnce)
{
    QRect ink;
    const QImage start = pictures::blueInkOnGrey(400, 300, &ink);
    auto editor = makeEditor(start);
    clickButton(*editor, QStringLiteral("去底色"));
    clickButton(*editor, QStringLiteral("去底色"));  // at most once
    ASSERT_EQ(editor->historyCodes(), (std::vector<int>{0, 5}));
    const QImage result = editor->getImage();
    EXPECT_EQ(result.pixelColor(10, 10), QColor(Qt::white));
    EXPECT_EQ(result.pixelColor(390, 290), QColor(Qt::white));
    int blue = 0;
    for (int y = ink.top(); y <= ink.bottom(); ++y)
        for (int x = ink.left(); x <= ink.right(); ++x)
            blue += result.pixelColor(x, y).blue() > 90 && result.pixelColor(x, y).red() < 60;
    EXPECT_GT(blue, 100);
    clickButton(*editor, QStringLiteral("撤  销"));
    EXPECT_TRUE(samePixels(editor->getImage(), start));
}

TEST(EditorOperations, UndoToTheFirstAndRedoToTheLastAreByteIdentical)
{
    const QImage start = pictures::blueInkOnGrey(500, 400);
    auto editor = makeEditor(start, ImageViewer::kPen);
    std::vector<QImage> states{start.copy()};
    auto keep = [&] { states.push_back(editor->getImage().copy()); };
    dragPixels(*editor, {10, 10}, {200, 300}, {{30, 40}, {60, 80}, {90, 30}, {120, 200}, {150, 150}});
    keep();
    editor->setTool(ImageViewer::kErase);
    dragPixels(*editor, {40, 90}, {300, 160});
    keep();
    clickButton(*editor, QStringLiteral("去红批"));
    keep();
    clickButton(*editor, QStringLiteral("去底色"));
    keep();
    clickButton(*editor, QStringLiteral("右  转"));
    keep();
    editor->setTool(ImageViewer::kPen);
    dragPixels(*editor, {5, 5}, {100, 100}, {{20, 30}, {50, 5}, {80, 60}});
    keep();
    ASSERT_EQ(editor->historyCodes(), (std::vector<int>{0, 7, 2, 4, 5, 2, 7}));

    for (int i = static_cast<int>(states.size()) - 2; i >= 0; --i) {
        clickButton(*editor, QStringLiteral("撤  销"));
        EXPECT_TRUE(samePixels(editor->getImage(), states[i])) << "undo to " << i;
    }
    for (size_t i = 1; i < states.size(); ++i) {
        clickButton(*editor, QStringLiteral("重  做"));
        EXPECT_TRUE(samePixels(editor->getImage(), states[i])) << "redo to " << i;
    }
}

TEST(EditorOperations, AFailedTurnPushesNothingAndFailedCleaningsPushTheOldPicture)
{
    const QImage start = pictures::redTickOnWhite(300, 200);
    auto editor = makeEditor(start, ImageViewer::kErase);
    imageops::testing::setBeforeCall([](const char* op) {
        if (std::strcmp(op, "Rotate") == 0 || std::strcmp(op, "EraserRect") == 0 || std::strcmp(op, "deleteRed") == 0 ||
            std::strcmp(op, "Threshold") == 0)
            throw std::runtime_error("injected");
    });
    clickButton(*editor, QStringLiteral("右  转"));
    EXPECT_EQ(editor->historyCodes(), std::vector<int>{0});
    dragPixels(*editor, {20, 20}, {200, 150});
    clickButton(*editor, QStringLiteral("去红批"));
    clickButton(*editor, QStringLiteral("去底色"));
    imageops::testing::setBeforeCall(nullptr);
    EXPECT_EQ(editor->historyCodes(), (std::vector<int>{0, 2, 4, 5}));
    EXPECT_TRUE(samePixels(editor->getImage(), start));
    EXPECT_EQ(editor->history().keptBytes(), static_cast<size_t>(start.sizeInBytes()));  // only whiten's own copy
}

// ------------------------------------------------------------------- text

TEST(EditorText, WritesBoldTextOfThirtyPixelsWhereTheEntryStands)
{
    for (const int tabs : {0, 1}) {
        ModalRecorder modals;
        int runs = 0;
        QPoint shownAt;
        modals.onDialog([&](QDialog& d) {
            auto& entry = dynamic_cast<textinputDialog&>(d);
            ++runs;
            shownAt = entry.pos();
            QTest::keyClicks(entry.lineEdit(), QStringLiteral("  ABC   DEF "));
            for (int i = 0; i < tabs; ++i)
                QTest::keyClick(entry.lineEdit(), Qt::Key_Tab);
            entry.move(entry.pos() + QPoint(20, 10));  // the user moved the entry
            return int(QDialog::Accepted);
        });
        const QImage start = pictures::flat(400, 300, Qt::white);  // no text to measure: 30 px
        auto editor = makeEditor(start, ImageViewer::kText);
        clickPixel(*editor, {100, 50});
        ASSERT_EQ(runs, 1);
        EXPECT_EQ(shownAt, editor->mapToGlobal(editortest::onScreen(*editor, {100, 50})));
        ASSERT_EQ(editor->historyCodes(), (std::vector<int>{0, 6}));

        // The band of the text: from the entry's corner (120, 60) down 30 px.
        const QImage result = editor->getImage();
        QRect inked;
        int coloured = 0;
        for (int y = 0; y < result.height(); ++y)
            for (int x = 0; x < result.width(); ++x) {
                const QColor c = result.pixelColor(x, y);
                if (c == QColor(Qt::white))
                    continue;
                inked |= QRect(x, y, 1, 1);
                coloured += tabs ? (c.red() > 200 && c.green() < 80 && c.blue() < 80) : isDark(c);
            }
        EXPECT_GE(inked.left(), 120) << "tabs " << tabs;
        EXPECT_LE(inked.left(), 126);
        EXPECT_GE(inked.top(), 60);
        EXPECT_LE(inked.bottom(), 60 + 30 + 8);  // no descenders in ABC DEF
        EXPECT_GE(inked.height(), 15);
        EXPECT_GT(inked.width(), 60);
        EXPECT_GT(coloured, 150) << "tabs " << tabs;
    }
}

TEST(EditorText, NothingHappensOutsideThePictureOrWithoutText)
{
    ModalRecorder modals;
    QString typed;
    int result = QDialog::Accepted;
    modals.onDialog([&](QDialog& d) {
        auto& entry = dynamic_cast<textinputDialog&>(d);
        QTest::keyClicks(entry.lineEdit(), typed);
        return result;
    });
    const QImage start = pictures::flat(300, 200, Qt::white);
    auto editor = makeEditor(start, ImageViewer::kText);

    clickPixel(*editor, {-20, 50});  // left of the shown picture
    EXPECT_EQ(modals.count(modal::Kind::Dialog), 0);

    typed = QStringLiteral("   ");  // only spaces
    clickPixel(*editor, {100, 50});
    typed = QStringLiteral("ABC");  // cancelled
    result = QDialog::Rejected;
    clickPixel(*editor, {100, 50});
    EXPECT_EQ(modals.count(modal::Kind::Dialog), 2);
    EXPECT_EQ(editor->historyCodes(), std::vector<int>{0});
    EXPECT_TRUE(samePixels(editor->getImage(), start));
}

// A pupil who clicks elsewhere (下一步, another tool) instead of pressing
// Enter: the typed text is placed; an empty entry is dropped; Esc cancels.
TEST(EditorText, AClickOutsideTheEntryEndsItAsEnterDoes)
{
    const struct {
        const char* typed;
        bool escape;
        std::vector<int> codes;
    } cases[] = {
        {"ABC", false, {0, 6}},
        {"", false, {0}},
        {"ABC", true, {0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.typed << (c.escape ? "\" then Esc" : "\" then a click outside"));
        const QImage start = pictures::flat(400, 300, Qt::white);
        auto editor = makeEditor(start, ImageViewer::kText);
        QPushButton elsewhere(QStringLiteral("下一步"));
        elsewhere.setGeometry(600, 500, 120, 40);
        elsewhere.show();
        ModalRecorder modals;
        modals.onDialog([&](QDialog& d) {
            auto& entry = dynamic_cast<textinputDialog&>(d);
            entry.show();  // as exec() shows it
            QTest::keyClicks(entry.lineEdit(), QString::fromLatin1(c.typed));
            if (c.escape)
                QTest::keyClick(entry.lineEdit(), Qt::Key_Escape);
            else
                QTest::mouseClick(elsewhere.windowHandle(), Qt::LeftButton, Qt::NoModifier, QPoint(60, 20));
            EXPECT_FALSE(entry.isVisible());
            return entry.result();
        });
        clickPixel(*editor, {100, 50});
        EXPECT_EQ(modals.count(modal::Kind::Dialog), 1);
        EXPECT_EQ(editor->historyCodes(), c.codes);
        EXPECT_EQ(samePixels(editor->getImage(), start), c.codes.size() == 1);
    }
}

TEST(EditorText, AFailingTextHeightCountsAsNone)
{
    ModalRecorder modals;
    modals.onDialog([](QDialog& d) {
        QTest::keyClicks(dynamic_cast<textinputDialog&>(d).lineEdit(), QStringLiteral("H"));
        return int(QDialog::Accepted);
    });
    imageops::testing::setBeforeCall([](const char* op) {
        if (std::strcmp(op, "getTextHeight") == 0)
            throw std::runtime_error("injected");
    });
    auto editor = makeEditor(pictures::flat(300, 200, Qt::white), ImageViewer::kText);
    clickPixel(*editor, {50, 50});
    imageops::testing::setBeforeCall(nullptr);
    ASSERT_EQ(editor->historyCodes(), (std::vector<int>{0, 6}));
    int bottom = -1;
    const QImage result = editor->getImage();
    for (int y = 0; y < result.height(); ++y)
        for (int x = 0; x < result.width(); ++x)
            if (result.pixelColor(x, y) != QColor(Qt::white))
                bottom = std::max(bottom, y);
    EXPECT_GE(bottom, 50 + 30 - 4);  // an H of 30 px stands on the baseline at 80
    EXPECT_LE(bottom, 50 + 30 + 1);
}

TEST(EditorText, TextIsPaintedWholeAndTakenBackExactlyWithoutAWholeCopy)
{
    for (const bool red : {false, true}) {
        ModalRecorder modals;
        QPoint entryAt;
        modals.onDialog([&](QDialog& d) {
            auto& entry = dynamic_cast<textinputDialog&>(d);
            entry.lineEdit()->setText(QStringLiteral("Wjg 错题 Q"));
            if (red)
                QTest::keyClick(entry.lineEdit(), Qt::Key_Tab);
            entryAt = entry.pos();
            return int(QDialog::Accepted);
        });
        const QImage start = pictures::flat(1600, 1200, Qt::white);  // no text to measure: 30 px
        auto editor = makeEditor(start, ImageViewer::kText);
        clickPixel(*editor, {400, 300});
        ASSERT_EQ(editor->historyCodes(), (std::vector<int>{0, 6}));

        // The same text painted on a whole copy, without any clipping.
        const QPoint at = editor->imagePoint(editor->mapFromGlobal(entryAt));
        QImage expected = start.copy();
        {
            QPainter painter(&expected);
            QFont font;
            font.setPixelSize(30);
            font.setWeight(QFont::Bold);
            painter.setFont(font);
            if (red)
                painter.setPen(Qt::red);
            painter.drawText(QPoint(at.x(), at.y() + 30), QStringLiteral("Wjg 错题 Q"));
        }
        const QImage written = editor->getImage().copy();
        EXPECT_FALSE(samePixels(written, start));
        EXPECT_TRUE(samePixels(written, expected)) << "red " << red;
        EXPECT_LT(editor->history().keptBytes(), static_cast<std::size_t>(start.sizeInBytes() / 20));

        clickButton(*editor, QStringLiteral("撤  销"));
        EXPECT_TRUE(samePixels(editor->getImage(), start));
        clickButton(*editor, QStringLiteral("重  做"));
        EXPECT_TRUE(samePixels(editor->getImage(), written));
    }
}
