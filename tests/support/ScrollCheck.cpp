#include "support/ScrollCheck.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <vector>

namespace scrollcheck {

void wheel(QAbstractScrollArea* area, int notches)
{
    QWidget* viewport = area->viewport();
    const QPoint at(viewport->width() / 2, viewport->height() / 2);
    const int step = notches < 0 ? -1 : 1;
    for (int i = 0; i != notches; i += step) {
        QWheelEvent event(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, 120 * step), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &event);
    }
}

std::pair<int, int> handleRows(QScrollBar* bar)
{
    const QPixmap shot = bar->grab();
    const QImage image = shot.toImage().convertToFormat(QImage::Format_RGB32);
    const qreal ratio = shot.devicePixelRatio();
    const int x = image.width() / 2;
    std::vector<int> light(static_cast<size_t>(image.height()));
    for (int y = 0; y < image.height(); ++y)
        light[static_cast<size_t>(y)] = qGray(image.pixel(x, y));
    if (light.empty())
        return {-1, -1};
    const int groove = *std::max_element(light.begin(), light.end());
    int first = -1;
    int last = -1;
    for (int y = 0; y < image.height(); ++y) {
        if (light[static_cast<size_t>(y)] < groove - 30) {
            if (first < 0)
                first = y;
            last = y;
        }
    }
    if (first < 0)
        return {-1, -1};
    return {static_cast<int>(first / ratio), static_cast<int>(last / ratio)};
}

namespace {

::testing::AssertionResult describe(bool ok, QScrollBar* bar, const std::pair<int, int>& rows)
{
    if (ok)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "handle drawn over rows " << rows.first << ".." << rows.second
                                         << " of a bar " << bar->height() << " high, value " << bar->value() << " of "
                                         << bar->minimum() << ".." << bar->maximum();
}

}  // namespace

::testing::AssertionResult handleAtTop(QScrollBar* bar, int slack)
{
    const auto rows = handleRows(bar);
    return describe(rows.first >= 0 && rows.first <= slack && rows.second < bar->height() - slack, bar, rows);
}

::testing::AssertionResult handleAtBottom(QScrollBar* bar, int slack)
{
    const auto rows = handleRows(bar);
    return describe(rows.first > slack && rows.second >= bar->height() - 1 - slack, bar, rows);
}

void expectScrollsLikeAnyScrollArea(QScrollArea* area)
{
    QScrollBar* bar = area->verticalScrollBar();
    QWidget* content = area->widget();
    ASSERT_TRUE(bar->isVisible());
    ASSERT_GT(bar->maximum(), bar->minimum());
    EXPECT_EQ(bar->value(), bar->minimum());
    EXPECT_EQ(content->y(), 0);
    EXPECT_TRUE(handleAtTop(bar));

    int before = handleRows(bar).first;
    for (int notch = 0; notch < 200 && bar->value() < bar->maximum(); ++notch) {
        const int value = bar->value();
        wheel(area, -1);
        ASSERT_GT(bar->value(), value) << "the wheel moved nothing";
        EXPECT_EQ(content->y(), -bar->value());
        const int now = handleRows(bar).first;
        EXPECT_GE(now, before) << "the handle went up while the content went down";
        before = now;
    }
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_TRUE(handleAtBottom(bar));

    wheel(area, 200);
    EXPECT_EQ(bar->value(), bar->minimum());
    EXPECT_EQ(content->y(), 0);
    EXPECT_TRUE(handleAtTop(bar));
}

}  // namespace scrollcheck
