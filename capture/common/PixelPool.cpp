#include "capture/common/PixelPool.h"

#include <sys/mman.h>

#include <cstdlib>
#include <mutex>
#include <vector>

namespace pixelpool {

namespace {

constexpr std::size_t kHugePage = 2 * 1024 * 1024;

struct Spare {
    void* pixels = nullptr;
    std::size_t capacity = 0;
};

// Both never destroyed: pictures may still go away while static objects are
// torn down at exit.
std::mutex& lock()
{
    static auto* m = new std::mutex;
    return *m;
}

std::vector<Spare>& spares()
{
    static auto* list = new std::vector<Spare>;
    return *list;
}

std::size_t sparesBytesLocked()
{
    std::size_t total = 0;
    for (const Spare& s : spares())
        total += s.capacity;
    return total;
}

// A spare may be up to a quarter larger than asked for; a much larger one
// stays for a picture of its own size.
bool fits(std::size_t capacity, std::size_t bytes)
{
    return capacity >= bytes && capacity - bytes <= bytes / 4;
}

}  // namespace

void* take(std::size_t bytes, std::size_t& capacity)
{
    {
        std::lock_guard<std::mutex> guard(lock());
        std::vector<Spare>& list = spares();
        auto best = list.end();
        for (auto it = list.begin(); it != list.end(); ++it) {
            if (fits(it->capacity, bytes) && (best == list.end() || it->capacity < best->capacity))
                best = it;
        }
        if (best != list.end()) {
            const Spare found = *best;
            list.erase(best);
            capacity = found.capacity;
            return found.pixels;
        }
    }
    // Whole huge pages, so that the advice covers the entire buffer.
    const std::size_t rounded = (bytes + kHugePage - 1) & ~(kHugePage - 1);
    void* pixels = nullptr;
    if (rounded < bytes || posix_memalign(&pixels, kHugePage, rounded) != 0)
        return nullptr;
    // Only advice: without huge pages the memory works as any other.
    madvise(pixels, rounded, MADV_HUGEPAGE);
    capacity = rounded;
    return pixels;
}

void give(void* pixels, std::size_t capacity)
{
    if (!pixels)
        return;
    {
        std::lock_guard<std::mutex> guard(lock());
        std::vector<Spare>& list = spares();
        if (list.size() < kMaxSpares && capacity <= kMaxSpareBytes - sparesBytesLocked()) {
            try {
                list.push_back(Spare{pixels, capacity});
                return;
            } catch (...) {
                // No room for the record: the buffer is freed below.
            }
        }
    }
    std::free(pixels);
}

void releaseSpares()
{
    std::vector<Spare> freed;
    {
        std::lock_guard<std::mutex> guard(lock());
        freed.swap(spares());
    }
    for (const Spare& s : freed)
        std::free(s.pixels);
}

std::size_t spareCount()
{
    std::lock_guard<std::mutex> guard(lock());
    return spares().size();
}

std::size_t spareBytes()
{
    std::lock_guard<std::mutex> guard(lock());
    return sparesBytesLocked();
}

}  // namespace pixelpool
