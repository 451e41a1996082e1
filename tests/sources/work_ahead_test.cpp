// The worker helper behind the import's picture checks and the strip's
// thumbnails: results come in any order the caller asks, preset results are
// not made again, a throwing job gives the stand-in result, an early end
// stops the workers after their current job, and a caller that waits in
// slices can cancel what has not started.
#include <gtest/gtest.h>

#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "capture/common/WorkAhead.h"

TEST(WorkAhead, ResultsPresetsAndThrowingJobs)
{
    std::atomic<int> calls{0};
    WorkAhead<QString> work(
        50,
        [&](std::size_t i) {
            ++calls;
            if (i == 7)
                throw std::runtime_error("unreadable");
            return QString::number(i * i);
        },
        QStringLiteral("failed"));
    work.preset(3, QStringLiteral("cached"));
    work.start(4);

    EXPECT_EQ(work.take(49), QStringLiteral("2401"));  // out of order
    for (std::size_t i = 0; i < 50; ++i) {
        const QString expected = i == 3   ? QStringLiteral("cached")
                                 : i == 7 ? QStringLiteral("failed")
                                          : QString::number(i * i);
        EXPECT_EQ(work.take(i), expected) << i;
    }
    EXPECT_EQ(calls.load(), 49);  // every index but the preset one, once
}

TEST(WorkAhead, WithoutWorkersTheCallerRunsTheJob)
{
    WorkAhead<int> work(
        3, [](std::size_t i) { return static_cast<int>(i) + 10; }, -1);
    // Not started: no worker, so take() makes the result itself.
    EXPECT_EQ(work.take(2), 12);
    EXPECT_EQ(work.take(0), 10);
}

TEST(WorkAhead, AnEarlyEndStopsTheWorkersAfterTheirCurrentJob)
{
    std::atomic<int> calls{0};
    {
        WorkAhead<int> work(1000, [&](std::size_t i) {
            ++calls;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            return static_cast<int>(i);
        });
        work.start(2);
        EXPECT_EQ(work.take(0), 0);
    }
    EXPECT_LT(calls.load(), 1000);
}

TEST(WorkAhead, CancelledJobsNeverRunAndGiveTheStandIn)
{
    std::mutex mutex;
    std::condition_variable changed;
    bool open = false;
    std::atomic<int> calls{0};
    WorkAhead<int> work(
        5,
        [&](std::size_t i) {
            ++calls;
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait_for(lock, std::chrono::seconds(30), [&] { return open; });
            return static_cast<int>(i);
        },
        -1);
    work.start(1);
    const std::chrono::milliseconds slice(5);
    for (int i = 0; i < 3000 && calls.load() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(calls.load(), 1);  // job 0 runs, held at the gate
    EXPECT_FALSE(work.ready(0, slice));
    work.cancel();
    EXPECT_FALSE(work.idle(slice));  // the running job is not abandoned
    {
        std::lock_guard<std::mutex> lock(mutex);
        open = true;
    }
    changed.notify_all();
    bool idle = false;
    for (int i = 0; i < 30 && !idle; ++i)
        idle = work.idle(std::chrono::seconds(1));
    ASSERT_TRUE(idle);
    EXPECT_TRUE(work.ready(0, slice));
    EXPECT_EQ(work.take(0), 0);
    for (std::size_t i = 1; i < 5; ++i) {
        EXPECT_TRUE(work.ready(i, slice)) << i;
        EXPECT_EQ(work.take(i), -1) << i;
    }
    EXPECT_EQ(calls.load(), 1);
}
