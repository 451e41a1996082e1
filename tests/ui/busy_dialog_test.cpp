#include <gtest/gtest.h>

#include <cmath>

#include "ui/WaiteDialog.h"

namespace {

struct FakeClock {
    qint64 now = 100000;
};

void expectAllHome(const WaiteDialog& dialog)
{
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(dialog.dots()[i], WaiteDialog::home(i)) << "dot " << i;
}

}  // namespace

TEST(BusyDialog, DotHomesAndLook)
{
    WaiteDialog dialog;
    const double xs[] = {20, 35, 50, 65, 80};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(dialog.dots()[i], QPointF(xs[i], 15));
    EXPECT_EQ(dialog.size(), QSize(100, 50));
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(dialog.testAttribute(Qt::WA_TranslucentBackground));
}

TEST(BusyDialog, DotsFollowTheElapsedTime)
{
    // Per elapsed time: which pair turns (-1 none), its angle, and whether
    // every dot stands at home.
    struct Case {
        qint64 elapsed;
        int pair;  // dots pair-1 and pair move; -1 all home
        double angle;
    };
    const Case cases[] = {
        {750, 1, 250 * 0.00787898},  // dots 0 and 1 about x = 27.5
        {950, -1, 0},                // w = 450: home
        {1000, 2, 0},                // start of the second turn: dots 1, 2 at their ends
        {1600, 3, 100 * 0.00787898},
        {2400, 4, 400 * 0.00787898},  // last step of the last turn
        {2499, -1, 0},
        {3250, 1, 250 * 0.00787898},  // the next cycle
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.elapsed);
        WaiteDialog dialog;
        dialog.moveDots(c.elapsed);
        if (c.pair < 0) {
            expectAllHome(dialog);
            continue;
        }
        const double cx = (WaiteDialog::home(c.pair - 1).x() + WaiteDialog::home(c.pair).x()) / 2;
        const QPointF a = dialog.dots()[c.pair - 1];
        const QPointF b = dialog.dots()[c.pair];
        EXPECT_NEAR(a.x(), cx - 7 * std::cos(c.angle), 1e-9);
        EXPECT_NEAR(a.y(), 15 - 7 * std::sin(c.angle), 1e-9);
        EXPECT_NEAR(b.x(), cx + 7 * std::cos(c.angle), 1e-9);
        EXPECT_NEAR(b.y(), 15 + 7 * std::sin(c.angle), 1e-9);
        // The pair stays on a line through its midpoint.
        EXPECT_NEAR((a.x() + b.x()) / 2, cx, 1e-9);
        EXPECT_NEAR((a.y() + b.y()) / 2, 15, 1e-9);
        for (int i = 0; i < 5; ++i) {
            if (i != c.pair - 1 && i != c.pair) {
                EXPECT_EQ(dialog.dots()[i], WaiteDialog::home(i)) << "dot " << i;
            }
        }
    }
}

TEST(BusyDialog, At750MsTheFirstPairLiesAtAbout197Radians)
{
    WaiteDialog dialog;
    dialog.moveDots(750);
    const QPointF a = dialog.dots()[0];
    const QPointF b = dialog.dots()[1];
    EXPECT_NEAR(std::atan2(15 - a.y(), 27.5 - a.x()), 1.97, 0.01);
    EXPECT_NEAR(std::atan2(b.y() - 15, b.x() - 27.5), 1.97, 0.01);
}

TEST(BusyDialog, RestingPhaseLeavesTheDotsWhereTheyAre)
{
    WaiteDialog dialog;
    dialog.moveDots(750);
    const auto moved = dialog.dots();
    dialog.moveDots(2600);  // phase 0 of the next cycle
    EXPECT_EQ(dialog.dots(), moved);
}

TEST(BusyDialog, StartWhileRunningRestartsAndOneStopHides)
{
    FakeClock clock;
    WaiteDialog dialog;
    dialog.setClock([&clock] { return clock.now; });

    dialog.start();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.isModal());
    clock.now += 750;
    dialog.time_update();
    EXPECT_NE(dialog.dots()[0], WaiteDialog::home(0));

    dialog.start();  // restart: back home, clock from zero
    expectAllHome(dialog);
    clock.now += 300;
    dialog.time_update();
    expectAllHome(dialog);  // 300 ms after the restart: still resting
    clock.now += 450;
    dialog.time_update();
    EXPECT_NE(dialog.dots()[0], WaiteDialog::home(0));  // 750 ms after the restart

    dialog.stop();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(dialog.isRunning());
    // Stopped: the tick moves nothing.
    const auto still = dialog.dots();
    clock.now += 1000;
    dialog.time_update();
    EXPECT_EQ(dialog.dots(), still);
}

TEST(BusyDialog, InstanceIsOneParentlessDialog)
{
    WaiteDialog* one = WaiteDialog::instance();
    EXPECT_EQ(one, WaiteDialog::instance());
    EXPECT_EQ(one->parent(), nullptr);
    EXPECT_FALSE(one->isVisible());
}
