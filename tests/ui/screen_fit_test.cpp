// A window placed inside the free area of its screen: clamped to the area
// but never below its minimum size, moved by the least amount, its title bar
// kept on the screen when it cannot fit.

#include <gtest/gtest.h>

#include "ui/ScreenFit.h"

namespace {

struct FitCase {
    const char* what;
    QRect window;
    QSize minimum;
    QRect expected;
};

}  // namespace

TEST(ScreenFit, WindowsAreClampedAndMovedIntoTheArea)
{
    // 1280 x 720 with a panel of 27 pixels on top.
    const QRect area(0, 27, 1280, 693);
    const FitCase cases[] = {
        {"inside: untouched", {100, 100, 960, 540}, {300, 200}, {100, 100, 960, 540}},
        {"off the right edge: moved left", {500, 100, 960, 540}, {300, 200}, {320, 100, 960, 540}},
        {"under the panel: moved down", {100, 0, 960, 540}, {300, 200}, {100, 27, 960, 540}},
        {"too large: clamped to the area", {0, 0, 1360, 800}, {300, 200}, {0, 27, 1280, 693}},
        {"too tall only", {200, 50, 600, 900}, {300, 200}, {200, 27, 600, 693}},
        {"minimum wider than the area: left edge and title bar kept on the screen",
         {-40, -10, 1400, 600},
         {1360, 590},
         {0, 27, 1360, 600}},
    };
    for (const FitCase& c : cases)
        EXPECT_EQ(screenfit::fitted(c.window, c.minimum, area), c.expected) << c.what;
    // Without a screen nothing is known: the window stays as it is.
    EXPECT_EQ(screenfit::fitted(QRect(5, 5, 3000, 3000), QSize(), QRect()), QRect(5, 5, 3000, 3000));
}
