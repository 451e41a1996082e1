#include <gtest/gtest.h>

#include <QEvent>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "ui/AwaitTask.h"
#include "ui/WaiteDialog.h"

namespace {

// Counts how often the busy dialog is shown and hidden.
class ShowHideCounter : public QObject {
public:
    ShowHideCounter() { WaiteDialog::instance()->installEventFilter(this); }
    ~ShowHideCounter() override { WaiteDialog::instance()->removeEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            ++shows;
        else if (event->type() == QEvent::Hide)
            ++hides;
        return false;
    }
    int shows = 0;
    int hides = 0;
};

// An operation in the program's style: int result, out-parameters, error text.
int lookUp(int key, std::vector<std::string>& names, std::string& err)
{
    if (key < 0) {
        err = "没有这个数据";
        return -1;
    }
    names = {"语文", "数学"};
    return 0;
}

void sleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// A task that lasts until `fired` reaches `count` (counted on the GUI thread
// while it waits), or ten seconds when nothing fires there; returns `result`.
// Tied to the count rather than to a time, so a slow machine cannot end the
// wait before the timers had their turn.
int waitForFires(const std::atomic<int>& fired, int count, int result)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (fired.load() < count && std::chrono::steady_clock::now() < deadline)
        sleepMs(5);
    return result;
}

}  // namespace

TEST(AwaitTask, QuickTaskStillShowsAndHidesTheBusyDialogOnce)
{
    ShowHideCounter counter;
    std::string err;
    const int rc = awaitTask([] { return 0; }, err);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(counter.shows, 1);
    EXPECT_EQ(counter.hides, 1);
    EXPECT_FALSE(WaiteDialog::instance()->isVisible());
}

TEST(AwaitTask, ResultOutParametersAndErrorTextArrive)
{
    struct Case {
        int key;
        int rc;
        size_t names;
        std::string err;
    };
    const Case cases[] = {
        {1, 0, 2, ""},
        {-1, -1, 0, "没有这个数据"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        std::vector<std::string> names;
        std::string err;
        EXPECT_EQ(awaitTask([&] { return lookUp(c.key, names, err); }, err), c.rc);
        EXPECT_EQ(names.size(), c.names);
        EXPECT_EQ(err, c.err);
    }
}

TEST(AwaitTask, TaskRunsOnAnotherThread)
{
    const auto gui = std::this_thread::get_id();
    std::thread::id worker;
    awaitTask([&] { worker = std::this_thread::get_id(); });
    EXPECT_NE(worker, gui);
}

TEST(AwaitTask, TimersFireDuringTheWaitAndTheDialogIsUp)
{
    std::atomic<int> fired{0};
    bool busyShown = false;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        ++fired;
        busyShown = busyShown || WaiteDialog::instance()->isVisible();
    });
    timer.start(10);
    std::string err;
    EXPECT_EQ(awaitTask([&fired] { return waitForFires(fired, 2, 7); }, err), 7);
    timer.stop();
    EXPECT_GE(fired.load(), 2);
    EXPECT_TRUE(busyShown);
}

TEST(AwaitTask, HiddenBusyDialogStaysHiddenWhileEventsRun)
{
    ShowHideCounter counter;
    std::atomic<int> fired{0};
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++fired; });
    timer.start(10);
    std::string err;
    EXPECT_EQ(awaitTask([&fired] { return waitForFires(fired, 2, 5); }, err, BusyDialog::Hidden), 5);
    EXPECT_EQ(awaitTask([&fired] { waitForFires(fired, 4, 0); }, BusyDialog::Hidden), 0);
    timer.stop();
    EXPECT_GE(fired.load(), 4);
    EXPECT_EQ(counter.shows, 0);
    EXPECT_EQ(counter.hides, 0);
}

TEST(AwaitTask, ThrowingTaskBecomesAFailureWithItsText)
{
    struct Case {
        std::function<int()> task;
        std::string err;
    };
    const Case cases[] = {
        {[]() -> int { throw std::runtime_error("磁盘已满"); }, "磁盘已满"},
        {[]() -> int { throw 42; }, "未知错误"},
        {[]() -> int { return std::vector<int>().at(3); }, ""},  // text from the library
    };
    for (const Case& c : cases) {
        std::string err = "stale";
        EXPECT_EQ(awaitTask(c.task, err), -1);
        if (!c.err.empty()) {
            EXPECT_EQ(err, c.err);
        } else {
            EXPECT_FALSE(err.empty() || err == "stale");
        }
    }
    EXPECT_FALSE(WaiteDialog::instance()->isVisible());
}

TEST(AwaitTask, TaskWithoutResultCountsAsSuccess)
{
    int done = 0;
    EXPECT_EQ(awaitTask([&] { done = 1; }), 0);
    EXPECT_EQ(done, 1);
}

TEST(AwaitTask, NestedCallKeepsTheDialogUpUntilTheOuterEnds)
{
    ShowHideCounter counter;
    bool innerRan = false;
    int innerRc = -5;
    bool visibleAfterInner = false;
    // A queued call handled inside the outer wait starts another awaited task.
    QTimer::singleShot(20, [&] {
        std::string err;
        innerRc = awaitTask(
            [&] {
                sleepMs(50);
                innerRan = true;
                return 3;
            },
            err);
        visibleAfterInner = WaiteDialog::instance()->isVisible();
    });
    std::string err;
    const int outer = awaitTask(
        [&] {
            // Wait (bounded) for the inner task so the nesting really happens.
            for (int i = 0; i < 1000 && !innerRan; ++i)
                sleepMs(5);
            sleepMs(50);
            return 0;
        },
        err);
    EXPECT_EQ(outer, 0);
    EXPECT_TRUE(innerRan);
    EXPECT_EQ(innerRc, 3);
    EXPECT_TRUE(visibleAfterInner);
    EXPECT_FALSE(WaiteDialog::instance()->isVisible());
    EXPECT_EQ(counter.shows, 1);
    EXPECT_EQ(counter.hides, 1);
}

TEST(AwaitTask, FromAWorkerThreadItJustWaits)
{
    int rc = -5;
    bool busyShown = true;
    std::thread worker([&] {
        rc = awaitTask([] { return 4; });
        busyShown = false;
    });
    worker.join();
    EXPECT_EQ(rc, 4);
    EXPECT_FALSE(busyShown);
}
