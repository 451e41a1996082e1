#include <QButtonGroup>
#include <QPushButton>
#include <QToolButton>

#include <cmath>

#include "CutterFixture.h"
#include "capture/common/SpaceBarSwitch.h"
#include "capture/cutter/imageCutBar.h"
#include "capture/cutter/showRectWidget.h"

namespace {

class CutterView : public CutterTest {
protected:
    // A coordinate page shown without whitening (which would change the
    // pixels that tell where they are).
    imageCut& showCoordinatePage(int width, int height)
    {
        imageCut& cutter = makeCutter();
        cutter.toolBar()->button(imageCutBar::kBackground)->click();
        EXPECT_FALSE(cutter.options().removeBackground);
        EXPECT_TRUE(cutter.loadImage(writePage(testpages::coordinatePage(width, height))));
        return cutter;
    }

    QRect corners(int x1, int y1, int x2, int y2)
    {
        QRect r;
        r.setCoords(x1, y1, x2, y2);
        return r;
    }
};

}  // namespace

TEST_F(CutterView, FitsNarrowAndWidePages)
{
    struct Case {
        QSize page;
        int button;  // the fit button clicked after loading; -1 none
        double scale;
        double dx;
    };
    const Case cases[] = {
        {{500, 400}, -1, 1.0, 150.0},                          // narrower: 1:1, centred
        {{1600, 1200}, -1, 0.5, 0.0},                          // wider: to the width
        {{1000, 2400}, imageCutBar::kFitHeight, 0.25, 275.0},  // the whole height
        {{400, 300}, imageCutBar::kFitHeight, 1.0, 200.0},     // never above 1:1
        {{400, 300}, imageCutBar::kFitWidth, 1.0, 200.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.page.width() << "x" << c.page.height());
        imageCut& cutter = showCoordinatePage(c.page.width(), c.page.height());
        if (c.button >= 0)
            cutter.toolBar()->button(c.button)->click();
        const QTransform& m = cutter.viewMatrix();
        EXPECT_DOUBLE_EQ(m.m11(), c.scale);
        EXPECT_DOUBLE_EQ(m.m22(), c.scale);
        EXPECT_DOUBLE_EQ(m.dx(), c.dx);
        EXPECT_DOUBLE_EQ(m.dy(), 0.0);
    }
}

TEST_F(CutterView, DragMapsToTheExactCut)
{
    struct Case {
        QSize page;
        QPoint from, to;  // widget points
        QRect selection;  // inclusive corners on the page
    };
    const Case cases[] = {
        {{1600, 1200}, {100, 50}, {300, 200}, corners(200, 100, 600, 400)},  // scale 0.5
        {{500, 400}, {160, 20}, {401, 333}, corners(10, 20, 251, 333)},      // 1:1, 150 in
        {{1600, 1200}, {0, 0}, {100, 100}, corners(0, 0, 200, 200)},         // from the corner
        {{500, 400}, {300, 300}, {200, 100}, corners(50, 100, 150, 300)},    // up and left
        {{500, 400}, {600, 300}, {700, 500}, corners(450, 300, 499, 399)},   // past the page
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "from " << c.from.x() << "," << c.from.y());
        imageCut& cutter = showCoordinatePage(c.page.width(), c.page.height());
        drag(c.from, c.to);
        ASSERT_EQ(cutter.selection(), c.selection);
        EXPECT_TRUE(cutter.actionBar()->isVisible());
        cutter.RectBarClicked(3);
        const QImage& cut = *cutter.getImage();
        ASSERT_EQ(cut.size(), c.selection.size());
        EXPECT_EQ(testpages::coordinateAt(cut, {0, 0}), c.selection.topLeft());
        EXPECT_EQ(testpages::coordinateAt(cut, {cut.width() - 1, cut.height() - 1}), c.selection.bottomRight());
        EXPECT_EQ(signals_, std::vector<std::string>{"finished"});
        EXPECT_TRUE(cutter.selection().isNull());
        EXPECT_FALSE(cutter.actionBar()->isVisible());
    }
}

TEST_F(CutterView, DraggingUpOrLeftShowsNoRectangleUntilRelease)
{
    imageCut& cutter = showCoordinatePage(500, 400);
    hover({300, 300});
    mouse(QEvent::MouseButtonPress, {300, 300}, Qt::LeftButton);
    mouse(QEvent::MouseMove, {200, 100}, Qt::LeftButton);
    // While dragging the rectangle only grows right and down from the press.
    EXPECT_EQ(cutter.selection(), corners(150, 300, 150, 300));
    mouse(QEvent::MouseButtonRelease, {200, 100}, Qt::NoButton);
    EXPECT_EQ(cutter.selection(), corners(50, 100, 150, 300));
}

TEST_F(CutterView, ZoomStopsAtItsLimits)
{
    imageCut& cutter = showCoordinatePage(500, 400);
    cutter.toolBar()->button(imageCutBar::kMouse)->click();
    ASSERT_EQ(cutter.toolState(), 0);
    int notches = 0;
    for (int i = 0; i < 20; ++i) {
        const double before = cutter.viewMatrix().m11();
        wheel(120);
        notches += cutter.viewMatrix().m11() != before;
    }
    EXPECT_EQ(notches, 14);
    EXPECT_NEAR(cutter.viewMatrix().m11(), std::pow(1.1, 14), 1e-9);

    cutter.toolBar()->button(imageCutBar::kFitWidth)->click();
    ASSERT_DOUBLE_EQ(cutter.viewMatrix().m11(), 1.0);
    notches = 0;
    for (int i = 0; i < 30; ++i) {
        const double before = cutter.viewMatrix().m11();
        wheel(-120);
        notches += cutter.viewMatrix().m11() != before;
    }
    EXPECT_EQ(notches, 21);
    EXPECT_NEAR(cutter.viewMatrix().m11(), std::pow(0.9, 21), 1e-9);
}

TEST_F(CutterView, WheelScrollsInTheCutTool)
{
    imageCut& cutter = showCoordinatePage(1600, 1200);
    ASSERT_EQ(cutter.toolState(), 1);
    wheel(120);
    EXPECT_DOUBLE_EQ(cutter.viewMatrix().m11(), 0.5);
    EXPECT_DOUBLE_EQ(cutter.viewMatrix().dy(), 1200 / 20 * 0.5);
    wheel(-120);
    wheel(-120);
    EXPECT_DOUBLE_EQ(cutter.viewMatrix().dy(), -1200 / 20 * 0.5);
    // A gesture event without any turn moves nothing.
    wheel(0);
    EXPECT_DOUBLE_EQ(cutter.viewMatrix().dy(), -1200 / 20 * 0.5);
}

TEST_F(CutterView, SmallSelectionsAreDropped)
{
    // Page 500 x 400 at 1:1, 150 pixels in from the widget's left edge.
    struct Case {
        const char* name;
        QPoint from, to;          // the new selection
        QPoint editFrom, editTo;  // then a handle or move drag (from == to: a click)
        bool keptAfterNew;
        bool keptAfterEdit;
    };
    const Case cases[] = {
        {"5 x 5 is dropped", {250, 100}, {254, 104}, {}, {}, false, false},
        {"6 x 6 stays, a click on it drops it", {250, 100}, {255, 105}, {252, 102}, {252, 102}, true, false},
        {"40 x 6 stays, resizing keeps it 6 high: dropped",
         {250, 100},
         {289, 105},
         {289, 102},
         {320, 102},
         true,
         false},
        {"40 x 40 stays and moves", {250, 100}, {289, 139}, {270, 120}, {300, 150}, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        imageCut& cutter = showCoordinatePage(500, 400);
        drag(c.from, c.to);
        EXPECT_EQ(!cutter.selection().isNull(), c.keptAfterNew);
        EXPECT_EQ(cutter.actionBar()->isVisible(), c.keptAfterNew);
        if (!c.keptAfterNew)
            continue;
        drag(c.editFrom, c.editTo);
        EXPECT_EQ(!cutter.selection().isNull(), c.keptAfterEdit);
        EXPECT_EQ(cutter.actionBar()->isVisible(), c.keptAfterEdit);
    }
}

TEST_F(CutterView, MovingKeepsTheSizeAndStaysOnThePage)
{
    imageCut& cutter = showCoordinatePage(500, 400);
    drag({250, 100}, {349, 199});  // (100, 100)-(199, 199)
    ASSERT_EQ(cutter.selection(), corners(100, 100, 199, 199));
    drag({300, 150}, {1000, -500});  // inside: a move, far up and right
    EXPECT_EQ(cutter.selection(), corners(400, 0, 499, 99));
    EXPECT_TRUE(cutter.actionBar()->isVisible());
}

TEST_F(CutterView, HandlesStopAtThePageAndAtThirtyPixels)
{
    struct Case {
        const char* name;
        QPoint grab, to;
        QRect expected;
    };
    // The selection (100, 100)-(200, 200); widget x = page x + 150.
    const Case cases[] = {
        {"right edge far right", {350, 150}, {790, 150}, corners(100, 100, 499, 200)},
        {"right edge far left", {350, 150}, {160, 150}, corners(100, 100, 130, 200)},
        {"left edge far left", {250, 150}, {0, 150}, corners(0, 100, 200, 200)},
        {"bottom edge far down", {300, 200}, {300, 590}, corners(100, 100, 200, 399)},
        {"top-left corner past the bottom right", {250, 100}, {700, 500}, corners(170, 170, 200, 200)},
        {"bottom-right corner past the page", {350, 200}, {780, 580}, corners(100, 100, 499, 399)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        imageCut& cutter = showCoordinatePage(500, 400);
        drag({250, 100}, {350, 200});
        ASSERT_EQ(cutter.selection(), corners(100, 100, 200, 200));
        hover(c.grab);
        EXPECT_NE(cutter.pointerState(), 0);
        drag(c.grab, c.to);
        EXPECT_EQ(cutter.selection(), c.expected);
    }
}

TEST_F(CutterView, ZonesSetTheirCursors)
{
    imageCut& cutter = showCoordinatePage(500, 400);
    drag({250, 100}, {350, 200});
    const struct {
        QPoint at;
        int zone;
        Qt::CursorShape cursor;
    } zones[] = {
        {{250, 150}, 1, Qt::SizeHorCursor},   {{350, 150}, 2, Qt::SizeHorCursor},
        {{300, 100}, 3, Qt::SizeVerCursor},   {{300, 200}, 4, Qt::SizeVerCursor},
        {{250, 100}, 5, Qt::SizeFDiagCursor}, {{350, 100}, 6, Qt::SizeBDiagCursor},
        {{250, 200}, 7, Qt::SizeBDiagCursor}, {{350, 200}, 8, Qt::SizeFDiagCursor},
        {{280, 130}, 9, Qt::SizeAllCursor},   {{600, 300}, 0, Qt::BitmapCursor},
    };
    for (const auto& z : zones) {
        hover(z.at);
        EXPECT_EQ(cutter.pointerState(), z.zone) << z.at.x() << "," << z.at.y();
        EXPECT_EQ(cutter.cursor().shape(), z.cursor) << z.at.x() << "," << z.at.y();
    }
}

TEST_F(CutterView, SpaceSwitchesToTheMouseToolWhileHeld)
{
    SpaceBarSwitch::reset();
    imageCut& cutter = showCoordinatePage(500, 400);
    drag({250, 100}, {350, 200});
    ASSERT_TRUE(cutter.actionBar()->isVisible());

    key(QEvent::KeyPress, Qt::Key_Space);
    EXPECT_EQ(cutter.toolState(), 0);
    EXPECT_EQ(cutter.cursor().shape(), Qt::OpenHandCursor);
    EXPECT_TRUE(cutter.toolBar()->button(imageCutBar::kMouse)->isChecked());
    EXPECT_FALSE(cutter.actionBar()->isVisible());
    key(QEvent::KeyPress, Qt::Key_Space, true);  // held: auto-repeat changes nothing
    EXPECT_EQ(cutter.toolState(), 0);

    // Panning while held.
    mouse(QEvent::MouseButtonPress, {300, 300}, Qt::LeftButton);
    mouse(QEvent::MouseMove, {320, 290}, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, {320, 290}, Qt::NoButton);
    EXPECT_DOUBLE_EQ(cutter.viewMatrix().dx(), 170.0);
    EXPECT_DOUBLE_EQ(cutter.viewMatrix().dy(), -10.0);

    key(QEvent::KeyRelease, Qt::Key_Space);
    EXPECT_EQ(cutter.toolState(), 1);
    EXPECT_TRUE(cutter.toolBar()->button(imageCutBar::kCut)->isChecked());
    EXPECT_EQ(cutter.cursor().shape(), Qt::BitmapCursor);  // the cut cursor
    EXPECT_FALSE(cutter.selection().width() > 5 && cutter.selection().height() > 5) << "the selection is gone";

    // Chosen by its button, the mouse tool stays when Space is pressed.
    cutter.toolBar()->button(imageCutBar::kMouse)->click();
    key(QEvent::KeyPress, Qt::Key_Space);
    key(QEvent::KeyRelease, Qt::Key_Space);
    EXPECT_EQ(cutter.toolState(), 0);
}

TEST_F(CutterView, ArrowKeysMoveFreelyAndTheCutStaysOnThePage)
{
    imageCut& cutter = showCoordinatePage(500, 400);
    drag({550, 300}, {649, 349});  // (400, 300)-(499, 349)
    ASSERT_EQ(cutter.selection(), corners(400, 300, 499, 349));
    const QRect barBefore = cutter.actionBar()->geometry();
    for (int i = 0; i < 10; ++i)
        cutter.move_showRect_right();
    cutter.move_showRect_up();
    EXPECT_EQ(cutter.selection(), corners(420, 298, 519, 347));
    EXPECT_EQ(cutter.actionBar()->geometry(), barBefore.translated(20, -2)) << "the action bar follows";
    cutter.RectBarClicked(3);
    const QImage& cut = *cutter.getImage();
    ASSERT_EQ(cut.size(), QSize(80, 50)) << "only the part on the page is cut";
    EXPECT_EQ(testpages::coordinateAt(cut, {79, 49}), QPoint(499, 347));

    // Off the page entirely: nothing to cut.
    drag({550, 300}, {649, 349});
    for (int i = 0; i < 60; ++i)
        cutter.move_showRect_right();
    signals_.clear();
    cutter.RectBarClicked(3);
    EXPECT_TRUE(signals_.empty());
}

TEST_F(CutterView, ClearEmptiesEverything)
{
    imageCut& cutter = makeCutter(1);
    ASSERT_TRUE(cutter.loadImage(writePage(testpages::coordinatePage(500, 400))));
    drag({250, 100}, {350, 200});
    cutter.actionBar()->button(1)->click();  // an upper half is pending
    ASSERT_FALSE(cutter.upperHalf().isNull());
    ASSERT_TRUE(cutter.actionBar()->button(1)->isHidden());
    drag({250, 100}, {350, 200});
    ASSERT_TRUE(cutter.actionBar()->isVisible());
    signals_.clear();

    cutter.clear();
    EXPECT_TRUE(cutter.displayImage().isNull());
    EXPECT_TRUE(cutter.loadedImage().isNull());
    EXPECT_TRUE(cutter.upperHalf().isNull());
    EXPECT_TRUE(cutter.getImage()->isNull());
    EXPECT_TRUE(cutter.selection().isNull());
    EXPECT_FALSE(cutter.actionBar()->isVisible());
    EXPECT_EQ(signals_, std::vector<std::string>{"first_half_hide"});
    EXPECT_FALSE(cutter.actionBar()->button(1)->isHidden()) << "the bar offers the upper half again";

    // F1 or Return after the last page is gone makes no empty question.
    signals_.clear();
    for (int id = 0; id < 4; ++id)
        cutter.RectBarClicked(id);
    EXPECT_TRUE(signals_.empty());
    drag({250, 100}, {350, 200});
    EXPECT_TRUE(cutter.selection().isNull()) << "no page, no selection";
}

TEST_F(CutterView, UnreadableFileLeavesTheCutterEmpty)
{
    imageCut& cutter = makeCutter();
    const QString path = dir_.filePath(QStringLiteral("broken.jpg"));
    ASSERT_TRUE(testpages::writeFile(path, QByteArray("not a picture")));
    EXPECT_FALSE(cutter.loadImage(path));
    EXPECT_TRUE(cutter.displayImage().isNull());
    EXPECT_EQ(cutter.filePath(), path);
    drag({250, 100}, {350, 200});
    EXPECT_TRUE(cutter.selection().isNull());
    cutter.repaint();  // grey only, no crash
}

TEST_F(CutterView, PortraitPhoneShotLoadsUpright)
{
    // Stored 80 wide and 40 high, red on the left and blue on the right, with
    // orientation 6: shown turned a quarter clockwise, red on top.
    QImage stored(80, 40, QImage::Format_RGB888);
    stored.fill(Qt::blue);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            stored.setPixelColor(x, y, Qt::red);
    const QString path = dir_.filePath(QStringLiteral("phone.jpg"));
    ASSERT_TRUE(testpages::writeFile(path, testpages::jpegWithOrientation(stored, 6)));

    imageCut& cutter = makeCutter();
    cutter.toolBar()->button(imageCutBar::kBackground)->click();
    ASSERT_TRUE(cutter.loadImage(path));
    const QImage& page = cutter.loadedImage();
    ASSERT_EQ(page.size(), QSize(40, 80));
    EXPECT_EQ(page.format(), QImage::Format_RGB888);
    const QColor top = page.pixelColor(20, 15);
    const QColor bottom = page.pixelColor(20, 65);
    EXPECT_GT(top.red(), 200);
    EXPECT_LT(top.blue(), 60);
    EXPECT_GT(bottom.blue(), 200);
    EXPECT_LT(bottom.red(), 60);
}

TEST_F(CutterView, TransparentPartsLieOnWhite)
{
    QImage shot(60, 40, QImage::Format_ARGB32);
    shot.fill(Qt::transparent);
    for (int x = 10; x < 50; ++x)
        shot.setPixelColor(x, 20, Qt::black);
    imageCut& cutter = makeCutter();
    cutter.toolBar()->button(imageCutBar::kBackground)->click();
    ASSERT_TRUE(cutter.loadImage(writePage(shot)));
    EXPECT_EQ(cutter.displayImage().pixelColor(5, 5), QColor(Qt::white));
    EXPECT_EQ(cutter.displayImage().pixelColor(30, 20), QColor(Qt::black));
}
