#include "platform/DecodeBudget.h"

#include <algorithm>

namespace platform {

DecodeBudget& DecodeBudget::shared()
{
    static DecodeBudget budget(kSharedCapacity);
    return budget;
}

qint64 DecodeBudget::inUse() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return inUse_;
}

int DecodeBudget::waiting() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return waiting_;
}

void DecodeBudget::take(qint64 bytes)
{
    std::unique_lock<std::mutex> lock(mutex_);
    // A share larger than the whole budget fits once nothing else is held.
    const auto fits = [this, bytes] { return inUse_ == 0 || inUse_ + bytes <= capacity_; };
    if (!fits()) {
        ++waiting_;
        freed_.wait(lock, fits);
        --waiting_;
    }
    inUse_ += bytes;
}

void DecodeBudget::give(qint64 bytes)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        inUse_ -= bytes;
    }
    freed_.notify_all();
}

DecodeBudget::Hold::Hold(DecodeBudget& budget, qint64 bytes) : budget_(budget), bytes_(std::max<qint64>(0, bytes))
{
    budget_.take(bytes_);
}

DecodeBudget::Hold::~Hold()
{
    budget_.give(bytes_);
}

}  // namespace platform
