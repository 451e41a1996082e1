#pragma once

#include <exception>
#include <thread>
#include <vector>

// Work over the rows of a large picture, a few bands side by side: one pass
// over a page is bound by the memory, and a few threads move more of it than
// one.
namespace imageops {

// Calls band(part, first, end) for `parts` consecutive ranges that cover
// [0, count) in order (part 0 holds the first rows), each on a thread of its
// own; the calling thread runs part 0 and every part whose thread could not
// be started. Returns when all parts have finished. `band` must not throw
// (it runs on other threads): anything that allocates is prepared before.
template <typename Band>
void inBands(int count, int parts, const Band& band)
{
    if (parts < 1)
        parts = 1;
    auto run = [&band, count, parts](int part) {
        band(part, static_cast<int>(static_cast<long long>(count) * part / parts),
             static_cast<int>(static_cast<long long>(count) * (part + 1) / parts));
    };
    std::vector<std::thread> helpers;
    int started = 1;  // part 0 is this thread's
    try {
        helpers.reserve(static_cast<std::size_t>(parts - 1));
        for (; started < parts; ++started)
            helpers.emplace_back(run, started);
    } catch (const std::exception&) {
        // No more threads: this thread runs the parts left over.
    }
    run(0);
    for (int part = started; part < parts; ++part)
        run(part);
    for (std::thread& t : helpers)
        t.join();
}

}  // namespace imageops
