// The decode budget on its own: shares that fit are taken at once, a share
// that does not fit waits until enough is released, and a share larger than
// the whole budget waits for every other and then runs alone. Each hold is
// taken on a thread of its own; a hold is seen waiting by the budget's count
// of waiting holds, never by a pause.

#include <QScopeGuard>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <numeric>
#include <thread>
#include <vector>

#include "platform/DecodeBudget.h"

namespace {

using platform::DecodeBudget;

// Waits (yielding) until `done` holds or thirty seconds pass; whether it
// holds. The bound only ends a wait for a state that never comes.
template <typename Done>
bool waitUntil(Done done)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// A hold of `bytes` taken on a thread of its own and kept until release().
class HoldOnThread {
public:
    HoldOnThread(DecodeBudget& budget, qint64 bytes)
        : thread_([this, &budget, bytes] {
              const DecodeBudget::Hold hold(budget, bytes);
              taken_ = true;
              std::unique_lock<std::mutex> lock(mutex_);
              released_.wait(lock, [this] { return release_; });
          })
    {
    }
    ~HoldOnThread() { release(); }

    bool taken() const { return taken_; }
    bool waitTaken() const
    {
        return waitUntil([this] { return taken_.load(); });
    }
    // Gives the hold back and returns once it is given (the thread has
    // ended). Only for a hold that was taken.
    void release()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            release_ = true;
        }
        released_.notify_all();
        if (thread_.joinable())
            thread_.join();
    }

private:
    std::atomic<bool> taken_{false};
    std::mutex mutex_;
    std::condition_variable released_;
    bool release_ = false;
    std::thread thread_;  // last: starts once the members above exist
};

TEST(DecodeBudget, SharesFitWaitOrRunAlone)
{
    struct Case {
        const char* name;
        qint64 capacity;
        std::vector<qint64> held;  // taken first, in order; each fits
        qint64 asked;
        size_t releasesBefore;  // holds released, in order, before `asked` is taken
        qint64 then;            // asked once `asked` is held (0: nothing)
        bool thenWaits;         // ... and waits until `asked` is released
    };
    const Case cases[] = {
        {"fits beside others", 100, {40, 30}, 30, 0, 0, false},
        {"fills an empty budget exactly", 100, {}, 100, 0, 1, true},
        {"nothing, or less than nothing, always fits", 100, {100}, -5, 0, 0, false},
        {"waits until one is released", 100, {40, 30}, 31, 1, 0, false},
        {"waits through releases that do not make room", 100, {20, 20, 50}, 50, 2, 0, false},
        {"a later share fits beside it", 100, {20}, 30, 0, 50, false},
        {"larger than the whole budget, nothing held: runs at once", 100, {}, 250, 0, 1, true},
        {"larger than the whole budget waits for every other, then runs alone", 100, {10, 1, 60}, 250, 3, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DecodeBudget budget(c.capacity);
        std::vector<std::unique_ptr<HoldOnThread>> held;
        for (qint64 bytes : c.held) {
            held.push_back(std::make_unique<HoldOnThread>(budget, bytes));
            ASSERT_TRUE(held.back()->waitTaken()) << "a share that fits waited";
        }
        const auto heldBytes = [&](size_t from) {
            return std::accumulate(c.held.begin() + static_cast<std::ptrdiff_t>(from), c.held.end(), qint64(0));
        };
        EXPECT_EQ(budget.inUse(), heldBytes(0));
        EXPECT_EQ(budget.waiting(), 0);

        HoldOnThread asked(budget, c.asked);
        // Should a check fail while `asked` waits, the others go first so
        // that its thread can end.
        const auto releaseHeldFirst = qScopeGuard([&] { held.clear(); });
        for (size_t released = 0; released < c.releasesBefore; ++released) {
            ASSERT_TRUE(waitUntil([&] { return budget.waiting() == 1; })) << "the share did not wait";
            EXPECT_FALSE(asked.taken());
            EXPECT_EQ(budget.inUse(), heldBytes(released));
            held[released]->release();
        }
        ASSERT_TRUE(asked.waitTaken());
        EXPECT_EQ(budget.waiting(), 0);
        const qint64 askedBytes = c.asked > 0 ? c.asked : 0;
        EXPECT_EQ(budget.inUse(), heldBytes(c.releasesBefore) + askedBytes);

        if (c.then > 0) {
            HoldOnThread then(budget, c.then);
            const auto releaseAskedFirst = qScopeGuard([&] { asked.release(); });
            if (c.thenWaits) {
                ASSERT_TRUE(waitUntil([&] { return budget.waiting() == 1; })) << "a share ran beside a lone one";
                EXPECT_FALSE(then.taken());
                asked.release();
            }
            ASSERT_TRUE(then.waitTaken());
            then.release();
        }
        asked.release();
        held.clear();
        EXPECT_EQ(budget.inUse(), 0);
        EXPECT_EQ(budget.waiting(), 0);
    }
}

}  // namespace
