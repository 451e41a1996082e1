#include "capture/sources/PictureChecks.h"

#include <QThread>

#include <algorithm>

PictureChecks::PictureChecks(const QStringList& files, Check check, QString failure)
    : files_(files), check_(std::move(check)), failure_(std::move(failure))
{
    results_.resize(static_cast<size_t>(files_.size()));
    ready_.assign(static_cast<size_t>(files_.size()), 0);
    const int wanted = std::min(static_cast<int>(files_.size()), std::max(1, QThread::idealThreadCount()));
    for (int w = 0; w < wanted; ++w) {
        try {
            workers_.emplace_back([this] { work(); });
        } catch (...) {
            break;  // no thread to be had: result() checks what is left itself
        }
    }
}

PictureChecks::~PictureChecks()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    for (std::thread& worker : workers_)
        worker.join();
}

QString PictureChecks::run(int i) const
{
    try {
        return check_(files_.at(i));
    } catch (...) {
        return failure_;
    }
}

void PictureChecks::work()
{
    for (;;) {
        int i = 0;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (stop_ || next_ >= files_.size())
                return;
            i = next_++;
        }
        QString outcome = run(i);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            results_[static_cast<size_t>(i)] = std::move(outcome);
            ready_[static_cast<size_t>(i)] = 1;
        }
        done_.notify_all();
    }
}

QString PictureChecks::result(int i)
{
    std::unique_lock<std::mutex> lock(mutex_);
    if (workers_.empty()) {
        lock.unlock();
        return run(i);
    }
    done_.wait(lock, [this, i] { return ready_[static_cast<size_t>(i)] != 0; });
    return results_[static_cast<size_t>(i)];
}
