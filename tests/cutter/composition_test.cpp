#include <QPropertyAnimation>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "CutterFixture.h"
#include "capture/cutter/half_image.h"
#include "capture/cutter/imageCutBar.h"
#include "capture/cutter/showRectWidget.h"

namespace {

QRect corners(int x1, int y1, int x2, int y2)
{
    QRect r;
    r.setCoords(x1, y1, x2, y2);
    return r;
}

// An 800 x 600 coordinate page fills the 800 x 600 cutter at 1:1, so widget
// and page points are the same.
class Composition : public CutterTest {
protected:
    imageCut& showPage(int mode)
    {
        imageCut& cutter = makeCutter(mode);
        cutter.toolBar()->button(imageCutBar::kBackground)->click();
        EXPECT_TRUE(cutter.loadImage(writePage(testpages::coordinatePage(800, 600))));
        EXPECT_EQ(cutter.viewMatrix(), QTransform());
        return cutter;
    }

    // Draws `selection` and clicks the action bar's button `id`.
    void choose(const QRect& selection, int id)
    {
        drag(selection.topLeft(), selection.bottomRight());
        ASSERT_EQ(cutter_->selection(), selection);
        cutter_->actionBar()->button(id)->click();
    }
};

bool isWhite(const QImage& image, const QPoint& at)
{
    return image.pixelColor(at) == QColor(Qt::white);
}

}  // namespace

TEST_F(Composition, ChoicesMakeTheirImages)
{
    struct Step {
        QRect selection;
        int id;
    };
    struct Case {
        const char* name;
        int mode;
        std::vector<Step> steps;                      // the last one is checked
        std::vector<std::string> emitted;             // by the last step, in order
        QSize result;                                 // of the result image (null: none)
        QSize upper;                                  // of the pending upper half (null: none)
        std::vector<QPoint> white;                    // result pixels that are white
        std::vector<std::pair<QPoint, QPoint>> from;  // result pixel -> page point
    };
    const Case cases[] = {
        {"new question",
         0,
         {{corners(100, 50, 399, 249), 3}},
         {"finished"},
         {300, 200},
         {},
         {},
         {{{0, 0}, {100, 50}}, {{299, 199}, {399, 249}}}},
        {"append below the previous question",
         0,
         {{corners(0, 0, 399, 599), 3}, {corners(100, 50, 599, 149), 0}},
         {"first_half_hide", "finished"},
         {500, 700},
         {},
         {{450, 10}, {499, 599}, {400, 0}},
         {{{0, 0}, {0, 0}}, {{399, 599}, {399, 599}}, {{0, 600}, {100, 50}}, {{499, 699}, {599, 149}}}},
        {"append without a previous question", 0, {{corners(100, 50, 599, 149), 0}}, {}, {}, {}, {}, {}},
        {"keep the upper half",
         1,
         {{corners(0, 0, 799, 299), 1}},
         {"first_half_clicked", "next_page"},
         {},
         {800, 300},
         {},
         {}},
        {"join the halves",
         1,
         {{corners(0, 0, 799, 299), 1}, {corners(0, 300, 599, 499), 2}},
         {"first_half_hide", "finished"},
         {800, 500},
         {},
         {{600, 300}, {799, 499}, {700, 400}},
         {{{0, 0}, {0, 0}}, {{799, 299}, {799, 299}}, {{0, 300}, {0, 300}}, {{599, 499}, {599, 499}}}},
        {"lower half without an upper half", 1, {{corners(0, 300, 599, 499), 2}}, {}, {}, {}, {}, {}},
        {"a new question while an upper half is pending",
         1,
         {{corners(0, 0, 799, 299), 1}, {corners(10, 20, 109, 69), 3}},
         {"finished"},
         {100, 50},
         {800, 300},
         {},
         {{{0, 0}, {10, 20}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        imageCut& cutter = showPage(c.mode);
        for (std::size_t i = 0; i < c.steps.size(); ++i) {
            signals_.clear();
            choose(c.steps[i].selection, c.steps[i].id);
        }
        EXPECT_EQ(signals_, c.emitted);
        const QImage& result = *cutter.getImage();
        EXPECT_EQ(result.size(), c.result.isValid() ? c.result : QSize(0, 0));
        EXPECT_EQ(cutter.upperHalf().size(), c.upper.isValid() ? c.upper : QSize(0, 0));
        if (!result.isNull()) {
            EXPECT_EQ(result.format(), QImage::Format_RGB888);
        }
        for (const QPoint& p : c.white)
            EXPECT_TRUE(isWhite(result, p)) << p.x() << "," << p.y();
        for (const auto& [at, page] : c.from)
            EXPECT_EQ(testpages::coordinateAt(result, at), page) << at.x() << "," << at.y();
        // A choice that lacks its input does nothing but reset the cursor.
        const bool used = !c.emitted.empty();
        EXPECT_EQ(cutter.selection().isNull(), used);
        EXPECT_EQ(cutter.actionBar()->isVisible(), !used);
        EXPECT_EQ(cutter.pointerState(), 0);
    }
}

TEST_F(Composition, TheBarOffersTheChoicesOfItsMode)
{
    struct Case {
        int mode;
        std::vector<int> clicks;
        std::vector<int> shown;  // button ids shown afterwards
        QString newText;
    };
    const Case cases[] = {
        {0, {}, {0, 3}, QStringLiteral("新建题目(F1)")},
        {0, {1}, {0, 3}, QStringLiteral("新建题目(F1)")},
        {1, {}, {1, 3}, QStringLiteral("新建题目(Enter)")},
        {1, {1}, {2}, QStringLiteral("新建题目(Enter)")},
        {1, {1, 2}, {1, 3}, QStringLiteral("新建题目(Enter)")},
        {7, {}, {0, 3}, QStringLiteral("新建题目(F1)")},  // another value changes nothing
    };
    for (const Case& c : cases) {
        showRectWidget bar;
        bar.setMode(c.mode);
        for (int id : c.clicks)
            bar.group_clicked(id);
        std::vector<int> shown;
        for (int id = 0; id < 4; ++id) {
            if (!bar.button(id)->isHidden())
                shown.push_back(id);
        }
        EXPECT_EQ(shown, c.shown) << "mode " << c.mode << " after " << c.clicks.size() << " clicks";
        EXPECT_EQ(bar.button(3)->text(), c.newText);
        EXPECT_EQ(bar.button(0)->text(), QStringLiteral("接上一题(F2)"));
        EXPECT_EQ(bar.button(1)->text(), QStringLiteral("抽取上半题"));
        EXPECT_EQ(bar.button(2)->text(), QStringLiteral("抽取下半题"));
        EXPECT_EQ(bar.button(0)->objectName(), QStringLiteral("showRectBtn"));
        EXPECT_EQ(bar.button(0)->focusPolicy(), Qt::NoFocus);
    }
}

TEST_F(Composition, CutterReadsTheModeFromTheSettings)
{
    for (int mode : {0, 1}) {
        imageCut& cutter = makeCutter(mode);
        EXPECT_EQ(cutter.actionBar()->mode(), mode);
        EXPECT_FALSE(cutter.actionBar()->isVisible());
    }
}

TEST_F(Composition, ShortcutsActOnlyInTheirModeWhileTheBarShows)
{
    struct Case {
        int mode;
        bool barShown;
        int key;
        int id;  // emitted; -1 none
    };
    const Case cases[] = {
        {0, true, Qt::Key_F1, 3},   {0, true, Qt::Key_F2, 0},   {0, true, Qt::Key_Return, -1},
        {1, true, Qt::Key_F1, -1},  {1, true, Qt::Key_F2, -1},  {1, true, Qt::Key_Return, 3},
        {0, false, Qt::Key_F1, -1}, {0, false, Qt::Key_F2, -1}, {1, false, Qt::Key_Return, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << (c.barShown ? " shown " : " hidden ") << c.key);
        imageCut& cutter = showPage(c.mode);
        QApplication::setActiveWindow(&cutter);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&cutter));
        drag({100, 100}, {300, 200});
        if (!c.barShown)
            cutter.actionBar()->hide();
        QSignalSpy spy(cutter.actionBar(), &showRectWidget::btn_clicked);
        QTest::keyClick(&cutter, static_cast<Qt::Key>(c.key));
        if (c.id < 0) {
            EXPECT_EQ(spy.count(), 0);
        } else {
            ASSERT_EQ(spy.count(), 1);
            EXPECT_EQ(spy.at(0).at(0).toInt(), c.id);
        }
    }
}

TEST_F(Composition, ShortcutThreeTakesTheHalfOnOffer)
{
    showRectWidget bar;
    bar.setMode(1);
    bar.show();
    QSignalSpy spy(&bar, &showRectWidget::btn_clicked);
    bar.Shortcut3();
    bar.Shortcut3();
    bar.Shortcut3();
    ASSERT_EQ(spy.count(), 3);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 1);
    EXPECT_EQ(spy.at(1).at(0).toInt(), 2);
    EXPECT_EQ(spy.at(2).at(0).toInt(), 1);
    bar.setMode(0);
    bar.Shortcut3();
    EXPECT_EQ(spy.count(), 3);
}

TEST_F(Composition, UpperHalfBandFollowsTheCutter)
{
    imageCut& cutter = showPage(1);
    half_image band;
    band.resize(600, 100);
    QObject::connect(&cutter, &imageCut::first_half_clicked, &band, &half_image::setImage);
    QObject::connect(&cutter, &imageCut::first_half_hide, &band, &QWidget::hide);
    QObject::connect(&band, &half_image::btn_hide, &cutter, &imageCut::half_image_close);

    choose(corners(0, 0, 799, 299), 1);
    ASSERT_TRUE(band.isVisible());
    EXPECT_EQ(band.image(), cutter.upperHalf());
    EXPECT_NE(band.image().constBits(), cutter.upperHalf().constBits()) << "the band keeps its own copy";

    // Its close button drops the pending half and offers the upper half again.
    QSignalSpy hidden(&band, &half_image::btn_hide);
    band.closeButton()->click();
    EXPECT_EQ(hidden.count(), 1);
    EXPECT_FALSE(band.isVisible());
    EXPECT_TRUE(cutter.upperHalf().isNull());
    EXPECT_FALSE(cutter.actionBar()->button(1)->isHidden());
    EXPECT_TRUE(cutter.actionBar()->button(2)->isHidden());

    // Joined: the band hides.
    choose(corners(0, 0, 799, 299), 1);
    ASSERT_TRUE(band.isVisible());
    choose(corners(0, 300, 599, 499), 2);
    EXPECT_FALSE(band.isVisible());
}

TEST_F(Composition, BandDrawsTheHintOnlyWithAnImage)
{
    half_image band;
    band.resize(400, 100);
    EXPECT_EQ(band.animation()->duration(), 2000);
    EXPECT_EQ(band.animation()->loopCount(), -1);
    EXPECT_EQ(band.animation()->keyValueAt(0.4).value<QColor>(), QColor(0, 255, 0));
    EXPECT_EQ(band.closeButton()->toolTip(), QStringLiteral("关闭"));

    // Dark pixels along the middle row: the hint band over a white picture.
    auto darkInMiddle = [&band] {
        const QImage shot = band.grab().toImage();
        int dark = 0;
        for (int x = 0; x < shot.width(); ++x)
            dark += qGray(shot.pixel(x, shot.height() / 2)) < 180;
        return dark;
    };
    band.show();
    EXPECT_EQ(darkInMiddle(), 0);
    QImage white(400, 100, QImage::Format_RGB888);
    white.fill(Qt::white);
    band.setImage(&white);
    EXPECT_GT(darkInMiddle(), 20);

    // The colour runs on by itself.
    const QColor first = band.color();
    QTest::qWait(300);
    EXPECT_NE(band.color(), first);
}
