#pragma once

#include <QThread>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

// Runs one job per index on worker threads that work ahead of the caller, who
// takes the results in any order, each waiting for its own index only:
//
//     WorkAhead<QImage> work(files.size(), [&](size_t i) { return decode(files[i]); }, QImage());
//     work.preset(3, cached);                    // before start(): not run
//     work.start(QThread::idealThreadCount());
//     for (size_t i = 0; i < files.size(); ++i)
//         use(work.take(i));
//
// The job must be safe on any thread; a job that throws gives `onThrow`. When
// no thread can be had, take() runs the job on the caller's thread. The
// workers have ended when the object is destroyed, however early: those still
// running finish their current job and take no other.
//
// A caller that must not block (the GUI thread) waits in slices instead:
//
//     while (!work.ready(i, std::chrono::milliseconds(30)))
//         keepTheWindowAlive();
//     use(work.take(i));                          // there: returns at once
//
// and one that gives up early calls cancel(), then waits for idle(): the
// jobs not yet started never run.
template <typename Result>
class WorkAhead {
public:
    using Job = std::function<Result(std::size_t index)>;

    WorkAhead(std::size_t count, Job job, Result onThrow = Result())
        : job_(std::move(job)), onThrow_(std::move(onThrow)), results_(count), ready_(count, 0), started_(count, 0)
    {
    }
    WorkAhead(const WorkAhead&) = delete;
    WorkAhead& operator=(const WorkAhead&) = delete;

    ~WorkAhead()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        for (std::thread& worker : workers_)
            worker.join();
    }

    // A result known already; call before start().
    void preset(std::size_t index, Result result)
    {
        results_[index] = std::move(result);
        ready_[index] = 1;
    }

    // Starts up to `threads` workers (at least one) on every index not preset.
    void start(int threads)
    {
        for (std::size_t i = 0; i < ready_.size(); ++i) {
            if (!ready_[i])
                jobs_.push_back(i);
        }
        const std::size_t wanted = std::min(jobs_.size(), static_cast<std::size_t>(std::max(1, threads)));
        for (std::size_t w = 0; w < wanted; ++w) {
            try {
                workers_.emplace_back([this] { work(); });
            } catch (...) {
                break;  // no thread to be had: take() runs what is left
            }
        }
    }

    // The result for `index`, once it is there; `onThrow` for an index that
    // cancel() kept from running.
    Result take(std::size_t index)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (workers_.empty() && !ready_[index] && !stop_) {
            lock.unlock();
            return run(index);
        }
        done_.wait(lock, [this, index] { return settled(index); });
        return ready_[index] ? results_[index] : onThrow_;
    }

    // Waits at most `slice` for the result of `index`; true when take(index)
    // returns at once (the result is there, cancel() kept the job from
    // running, or there is no worker and take() runs the job itself).
    bool ready(std::size_t index, std::chrono::milliseconds slice)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (workers_.empty())
            return true;
        return done_.wait_for(lock, slice, [this, index] { return settled(index); });
    }

    // The workers take no other job; those running finish theirs.
    void cancel()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        done_.notify_all();
    }

    // Waits at most `slice` for the jobs running to end; true when none runs
    // and, after cancel(), none will.
    bool idle(std::chrono::milliseconds slice)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        return done_.wait_for(lock, slice, [this] { return running_ == 0 && (stop_ || next_ >= jobs_.size()); });
    }

private:
    Result run(std::size_t index) const
    {
        try {
            return job_(index);
        } catch (...) {
            return onThrow_;
        }
    }

    // Under the lock: the result is there, or it never will be.
    bool settled(std::size_t index) const { return ready_[index] != 0 || (stop_ && !started_[index]); }

    void work()
    {
        for (;;) {
            std::size_t index = 0;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (stop_ || next_ >= jobs_.size())
                    return;
                index = jobs_[next_++];
                started_[index] = 1;
                ++running_;
            }
            Result result = run(index);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                results_[index] = std::move(result);
                ready_[index] = 1;
                --running_;
            }
            done_.notify_all();
        }
    }

    const Job job_;
    const Result onThrow_;
    std::vector<Result> results_;
    std::vector<char> ready_;
    std::vector<char> started_;  // taken by a worker
    std::vector<std::size_t> jobs_;
    std::size_t next_ = 0;
    std::size_t running_ = 0;  // jobs the workers are running
    bool stop_ = false;
    std::mutex mutex_;
    std::condition_variable done_;
    std::vector<std::thread> workers_;
};
