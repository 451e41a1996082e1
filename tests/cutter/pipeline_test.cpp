#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "CutterFixture.h"
#include "capture/cutter/CutPipeline.h"
#include "capture/cutter/imageCutBar.h"
#include "capture/cutter/showRectWidget.h"

namespace {

// The pipeline worked out step by step with the image-operation calls.
QImage straightenedBy(const QImage& page, double angle)
{
    QImage out;
    EXPECT_TRUE(imageops::rotateAngle(page, static_cast<float>(angle), out));
    return out;
}

QImage whitened(QImage image)
{
    EXPECT_TRUE(imageops::threshold(image));
    return image;
}

QImage turned(const QImage& image, int type)
{
    QImage out;
    EXPECT_TRUE(imageops::rotate(image, type, out));
    return out;
}

class Pipeline : public CutterTest {
protected:
    void SetUp() override
    {
        CutterTest::SetUp();
        page_ = testpages::ruledPage(QSize(900, 700), 3.0);
        path_ = writePage(page_);
    }

    void click(int button) { cutter_->toolBar()->button(button)->click(); }

    QImage page_;
    QString path_;
};

}  // namespace

TEST_F(Pipeline, StraightenThenWhitenThenTurn)
{
    imageCut& cutter = makeCutter();
    click(imageCutBar::kStraighten);
    ASSERT_TRUE(cutter.loadImage(path_));
    click(imageCutBar::kTurnRight);

    double angle = 0.0;
    ASSERT_TRUE(imageops::calcDegree(page_, angle));
    ASSERT_NEAR(std::abs(angle), 3.0, 0.6) << "the fixture page is skewed by 3 degrees";
    const QImage straight = straightenedBy(page_, angle);
    // The skew is measured on the page as loaded, before the turn: the
    // display is the straightened page turned, not the turned page
    // straightened.
    EXPECT_EQ(cutter.displayImage().size(), straight.size().transposed());
    EXPECT_EQ(cutter.displayImage(), turned(whitened(straight), 1));
    EXPECT_EQ(cutter.loadedImage(), page_) << "the page as loaded never changes";
}

TEST_F(Pipeline, WhiteningOffAndOnKeepsViewAndSelection)
{
    imageCut& cutter = makeCutter();
    ASSERT_TRUE(cutter.options().removeBackground) << "whitening starts switched on";
    ASSERT_TRUE(cutter.toolBar()->button(imageCutBar::kBackground)->isChecked());
    ASSERT_TRUE(cutter.loadImage(path_));
    const QImage white = whitened(page_);
    EXPECT_EQ(cutter.displayImage(), white);

    drag({100, 100}, {300, 250});
    const QRect selection = cutter.selection();
    ASSERT_FALSE(selection.isNull());
    const QTransform view = cutter.viewMatrix();

    click(imageCutBar::kBackground);
    EXPECT_EQ(cutter.displayImage(), page_);
    click(imageCutBar::kBackground);
    EXPECT_EQ(cutter.displayImage(), white);
    EXPECT_EQ(cutter.selection(), selection);
    EXPECT_EQ(cutter.viewMatrix(), view);
    EXPECT_TRUE(cutter.actionBar()->isVisible());
}

TEST_F(Pipeline, TurnsFitTheWidthAndDropTheSelection)
{
    imageCut& cutter = makeCutter();
    click(imageCutBar::kBackground);
    ASSERT_TRUE(cutter.loadImage(writePage(testpages::coordinatePage(1000, 700))));
    const QImage level = cutter.displayImage();

    struct Step {
        int button;
        int turns;
        QSize size;
    };
    const Step steps[] = {
        {imageCutBar::kTurnRight, 1, {700, 1000}}, {imageCutBar::kTurnLeft, 0, {1000, 700}},
        {imageCutBar::kTurnLeft, -1, {700, 1000}}, {imageCutBar::kTurnLeft, -2, {1000, 700}},
        {imageCutBar::kTurnLeft, -3, {700, 1000}}, {imageCutBar::kTurnLeft, 0, {1000, 700}},
    };
    for (const Step& s : steps) {
        drag({100, 100}, {300, 250});
        ASSERT_FALSE(cutter.selection().isNull());
        click(s.button);
        EXPECT_EQ(cutter.options().quarterTurns, s.turns);
        EXPECT_EQ(cutter.displayImage().size(), s.size);
        EXPECT_TRUE(cutter.selection().isNull());
        EXPECT_FALSE(cutter.actionBar()->isVisible());
        EXPECT_DOUBLE_EQ(cutter.viewMatrix().m11(), std::min(1.0, 800.0 / s.size.width()));
    }
    EXPECT_EQ(cutter.displayImage(), level) << "four left turns give the page back";
    // One left turn is a quarter counter-clockwise: the top-right corner
    // comes to the top left.
    click(imageCutBar::kTurnLeft);
    EXPECT_EQ(testpages::coordinateAt(cutter.displayImage(), {0, 0}), QPoint(999, 0));
}

TEST_F(Pipeline, FailedTurnsKeepThePage)
{
    imageCut& cutter = makeCutter();
    ASSERT_TRUE(cutter.loadImage(path_));
    const QImage before = cutter.displayImage();
    {
        imageops::testing::setBeforeCall([](const char* operation) {
            if (std::string(operation) == "Rotate")
                throw std::runtime_error("injected failure");
        });
        click(imageCutBar::kTurnRight);
        EXPECT_EQ(cutter.displayImage(), before);
    }
    {
        imageops::testing::setBeforeCall([](const char* operation) {
            if (std::string(operation) == "RotateAngle")
                throw std::runtime_error("injected failure");
        });
        click(imageCutBar::kTurnLeft);  // back to no turn
        click(imageCutBar::kStraighten);
        EXPECT_EQ(cutter.displayImage(), before) << "a failed straightening leaves the page level as it was";
    }
    // Nothing failed is kept: the next run straightens.
    imageops::testing::setBeforeCall(nullptr);
    click(imageCutBar::kStraighten);
    click(imageCutBar::kStraighten);
    EXPECT_EQ(cutter.displayImage(), whitened(straightenedBy(page_, imageops::calcDegree(page_))));
}

TEST_F(Pipeline, LevelPageIsNotTurned)
{
    QImage paper(600, 400, QImage::Format_RGB888);
    paper.fill(QColor(230, 226, 214));
    std::vector<std::string> calls;
    std::mutex mutex;
    imageops::testing::setBeforeCall([&](const char* operation) {
        std::lock_guard<std::mutex> lock(mutex);
        calls.push_back(operation);
    });
    imageCut& cutter = makeCutter();
    click(imageCutBar::kStraighten);
    click(imageCutBar::kBackground);
    ASSERT_TRUE(cutter.loadImage(writePage(paper)));
    EXPECT_EQ(calls, std::vector<std::string>{"CalcDegree"});
    EXPECT_EQ(cutter.displayImage(), paper);
}

TEST_F(Pipeline, OptionClicksGiveWhatAFullRunGives)
{
    imageCut& cutter = makeCutter();
    ASSERT_TRUE(cutter.loadImage(path_));
    const int clicks[] = {imageCutBar::kStraighten, imageCutBar::kBackground, imageCutBar::kBackground,
                          imageCutBar::kTurnRight,  imageCutBar::kStraighten, imageCutBar::kBackground,
                          imageCutBar::kTurnLeft,   imageCutBar::kTurnLeft,   imageCutBar::kStraighten,
                          imageCutBar::kBackground};
    for (int button : clicks) {
        click(button);
        CutPipeline fresh;
        fresh.setPage(page_);
        const CutOptions o = cutter.options();
        SCOPED_TRACE(testing::Message() << "straighten " << o.straighten << " whiten " << o.removeBackground
                                        << " turns " << o.quarterTurns);
        EXPECT_EQ(cutter.displayImage(), fresh.run(o));
    }
}

TEST_F(Pipeline, OptionClicksReuseWhatThePageGave)
{
    std::vector<std::string> calls;
    std::mutex mutex;
    imageCut& cutter = makeCutter();
    click(imageCutBar::kStraighten);
    ASSERT_TRUE(cutter.loadImage(path_));
    imageops::testing::setBeforeCall([&](const char* operation) {
        std::lock_guard<std::mutex> lock(mutex);
        calls.push_back(operation);
    });
    click(imageCutBar::kBackground);  // off
    click(imageCutBar::kBackground);  // on
    EXPECT_TRUE(calls.empty()) << calls.size() << " operations ran again";
    click(imageCutBar::kTurnRight);
    EXPECT_EQ(calls, (std::vector<std::string>{"GetRotateSize", "Rotate"}));
}

TEST_F(Pipeline, PageLoadedDuringAWaitIsTakenUpAfterIt)
{
    imageCut& cutter = makeCutter();
    const QImage second = testpages::ruledPage(QSize(500, 800), -2.0);
    const QString secondPath = writePage(second, QStringLiteral("second.png"));

    std::atomic<int> running{0};
    std::atomic<int> most{0};
    imageops::testing::setBeforeCall([&](const char* operation) {
        if (std::string(operation) != "Threshold")
            return;
        const int now = ++running;
        most = std::max(most.load(), now);
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        --running;
    });
    // A queued request arrives while the first page is being whitened.
    QTimer::singleShot(20, &cutter, [&] { cutter.loadImage(secondPath); });
    ASSERT_TRUE(cutter.loadImage(path_));
    EXPECT_EQ(most.load(), 1) << "a second pass ran inside the first one's wait";
    EXPECT_EQ(cutter.loadedImage(), second);
    EXPECT_EQ(cutter.displayImage(), whitened(second));
    EXPECT_DOUBLE_EQ(cutter.viewMatrix().m11(), 1.0);
    EXPECT_DOUBLE_EQ(cutter.viewMatrix().dx(), 150.0);
}
