// The editor's view and input: fitting, zooming, the mapping of widget points
// to picture pixels, panning, the tools and their cursors, the space bar.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QKeyEvent>
#include <QMenu>
#include <QWheelEvent>

#include "EditorHarness.h"
#include "capture/common/AdaptiveToolBar.h"
#include "capture/common/SpaceBarSwitch.h"
#include "support/SyntheticPictures.h"

using editortest::makeEditor;
using editortest::sendMouse;

namespace {

void wheel(ImageViewer& editor, int delta)
{
    const QPointF at(400, 200);
    QWheelEvent event(at, editor.mapToGlobal(at.toPoint()), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&editor, &event);
}

void key(ImageViewer& editor, QEvent::Type type, int k, bool autoRepeat = false)
{
    QKeyEvent event(type, k, Qt::NoModifier, QString(), autoRepeat);
    QApplication::sendEvent(&editor, &event);
}

}  // namespace

struct FitCase {
    QSize image;
    double scale;
    QPoint offset;
};

class Fit : public ::testing::TestWithParam<FitCase> {};

TEST_P(Fit, ShrinksToTheAreaAboveTheBarAndCentres)
{
    const FitCase c = GetParam();
    auto editor = makeEditor(pictures::flat(c.image.width(), c.image.height(), Qt::white));
    EXPECT_DOUBLE_EQ(editor->viewMatrix().m11(), c.scale);
    EXPECT_DOUBLE_EQ(editor->viewMatrix().m22(), c.scale);
    EXPECT_EQ(QPoint(int(editor->viewMatrix().dx()), int(editor->viewMatrix().dy())), c.offset);
}

INSTANTIATE_TEST_SUITE_P(Editor, Fit,
                         ::testing::Values(FitCase{{2000, 1000}, 0.4, {0, 0}},           // 800/2000 = 400/1000
                                           FitCase{{300, 200}, 1.0, {250, 100}},         // never enlarged
                                           FitCase{{1000, 4000}, 0.1, {350, 0}},         // the height decides
                                           FitCase{{801, 10}, 800.0 / 801, {0, 195}}));  // truncated width

struct ZoomCase {
    double startScale;
    bool zoomIn;
    double endScale;
};

class Zoom : public ::testing::TestWithParam<ZoomCase> {};

TEST_P(Zoom, StaysBetweenATenthAndThreeTimes)
{
    const ZoomCase c = GetParam();
    auto editor = makeEditor(pictures::flat(400, 300, Qt::white));
    editor->setViewMatrix(QTransform::fromScale(c.startScale, c.startScale));
    if (c.zoomIn)
        editor->zoomIn();
    else
        editor->zoomOut();
    EXPECT_DOUBLE_EQ(editor->viewMatrix().m11(), c.endScale);
}

INSTANTIATE_TEST_SUITE_P(Editor, Zoom,
                         ::testing::Values(ZoomCase{2.5, true, 2.5},  // 3.125 > 3: refused
                                           ZoomCase{2.4, true, 3.0},  // exactly 3: allowed
                                           ZoomCase{1.0, true, 1.25},
                                           ZoomCase{0.12, false, 0.12},  // 0.096 < 0.1: refused
                                           ZoomCase{0.125, false, 0.1}, ZoomCase{1.0, false, 0.8}));

TEST(EditorView, ZoomKeepsThePictureCentreAboveTheBarInPlace)
{
    auto editor = makeEditor(pictures::flat(400, 300, Qt::white));  // scale 1 at (200, 50)
    const QPoint centre(200, (300 - 69) / 2);
    const QPointF before = editor->viewMatrix().map(QPointF(centre));
    editor->zoomIn();
    EXPECT_EQ(editor->viewMatrix().map(QPointF(centre)), before);
    EXPECT_DOUBLE_EQ(editor->viewMatrix().m11(), 1.25);
}

TEST(EditorView, WidgetPointsMapToPixelsWithTruncatedShiftAndRoundedQuotient)
{
    auto editor = makeEditor(pictures::flat(2000, 1000, Qt::white));
    editor->setViewMatrix(QTransform(0.4, 0, 0, 0.4, 10.7, 20.2));
    EXPECT_EQ(editor->imagePoint(QPoint(51, 20)), QPoint(103, 0));  // 41 / 0.4 = 102.5 rounds up
    EXPECT_EQ(editor->imagePoint(QPoint(10, 21)), QPoint(0, 3));    // 1 / 0.4 = 2.5 rounds up
    EXPECT_EQ(editor->imagePoint(QPoint(5, 20)), QPoint(-12, 0));   // -5 / 0.4 = -12.5 rounds up too
}

TEST(EditorView, TheMouseToolPansAndTheWheelZoomsOnlyWithIt)
{
    auto editor = makeEditor(pictures::flat(2000, 1000, Qt::white));  // scale 0.4 at (0, 0)
    sendMouse(editor.get(), QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton, Qt::LeftButton);
    sendMouse(editor.get(), QEvent::MouseMove, {131, 110}, Qt::NoButton, Qt::LeftButton);
    sendMouse(editor.get(), QEvent::MouseButtonRelease, {131, 110}, Qt::LeftButton, Qt::NoButton);
    // trunc(31 / 0.4) = 77 and trunc(10 / 0.4) = 25 picture pixels.
    EXPECT_DOUBLE_EQ(editor->viewMatrix().dx(), 77 * 0.4);
    EXPECT_DOUBLE_EQ(editor->viewMatrix().dy(), 25 * 0.4);
    EXPECT_EQ(editor->historySize(), 1);

    wheel(*editor, 120);
    EXPECT_DOUBLE_EQ(editor->viewMatrix().m11(), 0.5);
    wheel(*editor, -120);
    EXPECT_DOUBLE_EQ(editor->viewMatrix().m11(), 0.4);

    editor->setTool(ImageViewer::kCut);
    wheel(*editor, 120);
    EXPECT_DOUBLE_EQ(editor->viewMatrix().m11(), 0.4);
}

TEST(EditorView, ToolsCheckTheirButtonAndSetTheirCursor)
{
    auto editor = makeEditor(pictures::flat(100, 100, Qt::white), ImageViewer::kErase);
    auto* group = editor->findChild<QButtonGroup*>();
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->checkedId(), ImageViewer::kErase);
    EXPECT_EQ(editor->cursor().shape(), Qt::CrossCursor);

    const struct {
        int tool;
        Qt::CursorShape shape;
        QPoint hotSpot;
    } cases[] = {{ImageViewer::kMouse, Qt::OpenHandCursor, {}},
                 {ImageViewer::kCut, Qt::BitmapCursor, {0, 0}},
                 {ImageViewer::kText, Qt::IBeamCursor, {}},
                 {ImageViewer::kPen, Qt::BitmapCursor, {0, 24}},
                 {ImageViewer::kErase, Qt::CrossCursor, {}}};
    for (const auto& c : cases) {
        group->button(c.tool)->click();
        EXPECT_EQ(editor->currentTool(), c.tool);
        EXPECT_EQ(group->checkedId(), c.tool);
        EXPECT_EQ(editor->cursor().shape(), c.shape) << "tool " << c.tool;
        if (c.shape == Qt::BitmapCursor) {
            EXPECT_EQ(editor->cursor().pixmap().width(), 24) << "tool " << c.tool;
            EXPECT_EQ(editor->cursor().hotSpot(), c.hotSpot) << "tool " << c.tool;
        }
    }
}

TEST(EditorView, HoldingTheSpaceBarPansWithAnyToolAndReleasingReturnsToIt)
{
    SpaceBarSwitch::reset();
    auto editor = makeEditor(pictures::flat(2000, 1000, Qt::white), ImageViewer::kErase);
    key(*editor, QEvent::KeyPress, Qt::Key_Space);
    EXPECT_EQ(editor->currentTool(), ImageViewer::kMouse);
    EXPECT_EQ(editor->cursor().shape(), Qt::OpenHandCursor);
    key(*editor, QEvent::KeyPress, Qt::Key_Space, true);  // auto-repeat: ignored
    EXPECT_EQ(editor->currentTool(), ImageViewer::kMouse);

    // While held, a drag pans instead of erasing.
    sendMouse(editor.get(), QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton, Qt::LeftButton);
    sendMouse(editor.get(), QEvent::MouseMove, {140, 100}, Qt::NoButton, Qt::LeftButton);
    sendMouse(editor.get(), QEvent::MouseButtonRelease, {140, 100}, Qt::LeftButton, Qt::NoButton);
    EXPECT_DOUBLE_EQ(editor->viewMatrix().dx(), 40.0);
    EXPECT_EQ(editor->historySize(), 1);

    key(*editor, QEvent::KeyRelease, Qt::Key_Space);
    EXPECT_EQ(editor->currentTool(), ImageViewer::kErase);
    EXPECT_EQ(editor->cursor().shape(), Qt::CrossCursor);

    // With the mouse chosen by hand the space bar does nothing.
    editor->setTool(ImageViewer::kMouse);
    key(*editor, QEvent::KeyPress, Qt::Key_Space);
    key(*editor, QEvent::KeyRelease, Qt::Key_Space);
    EXPECT_EQ(editor->currentTool(), ImageViewer::kMouse);
}

TEST(EditorView, TheSpaceBarSwitchIsSharedByAllEditors)
{
    SpaceBarSwitch::reset();
    auto first = makeEditor(pictures::flat(100, 100, Qt::white), ImageViewer::kPen);
    auto second = makeEditor(pictures::flat(100, 100, Qt::white), ImageViewer::kMouse);
    key(*first, QEvent::KeyPress, Qt::Key_Space);
    EXPECT_TRUE(SpaceBarSwitch::isActive());
    // The release reaches the other editor: it takes the remembered tool.
    key(*second, QEvent::KeyRelease, Qt::Key_Space);
    EXPECT_EQ(second->currentTool(), ImageViewer::kPen);
    EXPECT_FALSE(SpaceBarSwitch::isActive());
}

TEST(EditorView, CanUndoMeansEditedAndSetImageKeepsTheView)
{
    auto editor = makeEditor(pictures::flat(300, 200, Qt::white));
    EXPECT_FALSE(editor->canUndo());
    editortest::clickButton(*editor, QStringLiteral("右  转"));
    EXPECT_TRUE(editor->canUndo());
    editortest::clickButton(*editor, QStringLiteral("撤  销"));
    EXPECT_FALSE(editor->canUndo());

    editor->zoomIn();
    const QTransform zoomed = editor->viewMatrix();
    editor->setImage(pictures::flat(2000, 1000, Qt::white));
    EXPECT_EQ(editor->viewMatrix(), zoomed);
    EXPECT_EQ(editor->historyCodes(), std::vector<int>{0});
    EXPECT_EQ(editor->redoSize(), 0);
    EXPECT_EQ(editor->getImage().format(), QImage::Format_RGB888);
    editor->fitToWindow();
    EXPECT_DOUBLE_EQ(editor->viewMatrix().m11(), 0.4);
}

TEST(EditorView, InputWithoutAPictureChangesNothing)
{
    for (int tool = ImageViewer::kMouse; tool <= ImageViewer::kPen; ++tool) {
        ImageViewer editor(nullptr, QString(), tool);
        editor.resize(800, 470);
        const QTransform view = editor.viewMatrix();
        sendMouse(&editor, QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton, Qt::LeftButton);
        sendMouse(&editor, QEvent::MouseMove, {300, 300}, Qt::NoButton, Qt::LeftButton);
        sendMouse(&editor, QEvent::MouseButtonRelease, {300, 300}, Qt::LeftButton, Qt::NoButton);
        wheel(editor, 120);
        editortest::clickButton(editor, QStringLiteral("右  转"));
        EXPECT_EQ(editor.historySize(), 0) << "tool " << tool;
        EXPECT_EQ(editor.viewMatrix(), view) << "tool " << tool;
        EXPECT_TRUE(editor.getImage().isNull());
    }
}

TEST(EditorView, AnUnreadableFileIsANullPictureThatNothingEdits)
{
    ImageViewer editor(nullptr, QStringLiteral(""), ImageViewer::kCut);
    editor.resize(800, 470);
    EXPECT_EQ(editor.historySize(), 1);
    EXPECT_TRUE(editor.getImage().isNull());
    const QTransform view = editor.viewMatrix();
    editor.fitToWindow();
    editor.zoomIn();
    EXPECT_EQ(editor.viewMatrix(), view);
    for (const char* button : {"去底色", "去红批", "右  转"})
        editortest::clickButton(editor, QString::fromUtf8(button));
    sendMouse(&editor, QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton, Qt::LeftButton);
    sendMouse(&editor, QEvent::MouseMove, {300, 300}, Qt::NoButton, Qt::LeftButton);
    sendMouse(&editor, QEvent::MouseButtonRelease, {300, 300}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(editor.historySize(), 1);
    EXPECT_FALSE(editor.canUndo());
    // It paints only the grey background.
    const QImage shot = editor.grab(QRect(0, 0, 800, 400)).toImage();
    EXPECT_EQ(shot.pixelColor(400, 200), QColor(220, 220, 220));
}

TEST(EditorView, ToolBarAndContextMenu)
{
    auto editor = makeEditor(pictures::flat(100, 100, Qt::white));
    const char* texts[] = {"鼠  标", "裁  剪", "擦  除", "去底色", "去红批",
                           "文  字", "画  笔", "右  转", "撤  销", "重  做"};
    for (const char* text : texts) {
        QToolButton* b = editortest::toolButton(*editor, QString::fromUtf8(text));
        ASSERT_NE(b, nullptr) << text;
        EXPECT_FALSE(b->icon().isNull()) << text;
        // 64 pixels where the row of them fits the editor's width, else 32.
        const int side = editor->toolBar()->iconSide();
        EXPECT_EQ(b->iconSize(), QSize(side, side));
        EXPECT_EQ(b->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        EXPECT_EQ(b->parentWidget()->objectName(), QStringLiteral("ImageViewer_bar"));
    }
    EXPECT_EQ(editortest::toolButton(*editor, QStringLiteral("鼠  标"))->toolTip(),
              QStringLiteral("长按空格进入鼠标模式"));
    EXPECT_EQ(editortest::toolButton(*editor, QStringLiteral("撤  销"))->toolTip(), QStringLiteral("Ctrl + Z"));
    EXPECT_EQ(editortest::toolButton(*editor, QStringLiteral("重  做"))->toolTip(), QStringLiteral("Ctrl + Y"));
    EXPECT_FALSE(editortest::toolButton(*editor, QStringLiteral("去底色"))->isCheckable());

    std::unique_ptr<QMenu> menu(editor->createContextMenu());
    QStringList entries;
    for (QAction* a : menu->actions())
        entries << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(entries, (QStringList{"实际大小", "适应窗口", "-", "放大 ctrl +", "缩小 ctrl -"}));
    editor->setViewMatrix(QTransform());
    menu->actions()[1]->trigger();  // 适应窗口
    EXPECT_EQ(editor->viewMatrix(), QTransform(1, 0, 0, 1, 350, 150));
    menu->actions()[3]->trigger();  // 放大
    EXPECT_DOUBLE_EQ(editor->viewMatrix().m11(), 1.25);
}

TEST(EditorView, TheSelectionFollowsThePointerWhilePressed)
{
    for (const int tool : {ImageViewer::kCut, ImageViewer::kErase}) {
        auto editor = makeEditor(pictures::flat(300, 200, Qt::white), tool);  // at (250, 100)
        editor->show();
        sendMouse(editor.get(), QEvent::MouseButtonPress, {300, 150}, Qt::LeftButton, Qt::LeftButton);
        sendMouse(editor.get(), QEvent::MouseMove, {400, 250}, Qt::NoButton, Qt::LeftButton);
        const QImage shot = editor->grab(QRect(0, 0, 800, 400)).toImage();
        const QColor inside = shot.pixelColor(350, 200);
        const QColor edge = shot.pixelColor(300, 200);
        if (tool == ImageViewer::kErase) {
            // White under green of alpha 100.
            EXPECT_GT(inside.green(), 240);
            EXPECT_LT(inside.red(), 200);
        } else {
            EXPECT_EQ(inside, QColor(Qt::white));  // no fill
            EXPECT_GT(edge.blue(), 200);
            EXPECT_LT(edge.red(), 100);
        }
        sendMouse(editor.get(), QEvent::MouseButtonRelease, {300, 150}, Qt::LeftButton, Qt::NoButton);
        EXPECT_EQ(editor->grab(QRect(0, 0, 800, 400)).toImage().pixelColor(350, 200), QColor(Qt::white));
    }
}
