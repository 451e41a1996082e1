#pragma once
// Row stripes spread over OpenCV's worker pool.

#include <opencv2/core.hpp>

#include <algorithm>

namespace vantrel {

// Calls f(firstRow, endRow, stripeIndex) for `stripes` consecutive stripes
// covering [0, rows), in parallel.
template <typename F>
void forStripes(int rows, int stripes, F&& f)
{
    if (rows <= 0)
        return;
    stripes = std::max(1, std::min(stripes, rows));
    if (stripes == 1) {
        f(0, rows, 0);
        return;
    }
    cv::parallel_for_(cv::Range(0, stripes), [&](const cv::Range& range) {
        for (int i = range.start; i < range.end; ++i)
            f(static_cast<int>(static_cast<long long>(rows) * i / stripes),
              static_cast<int>(static_cast<long long>(rows) * (i + 1) / stripes), i);
    });
}

// A stripe count that keeps every worker busy without making stripes tiny.
inline int stripeCount(int rows, int minRowsPerStripe = 16)
{
    const int workers = std::max(1, cv::getNumThreads());
    return std::max(1, std::min(workers * 4, rows / std::max(1, minRowsPerStripe)));
}

}  // namespace vantrel
