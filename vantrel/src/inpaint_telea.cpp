// Telea's method: a reached pixel becomes the weighted mean of its known
// neighbours' colours, each moved along its colour gradient towards the
// pixel. The weights depend only on the marching (which neighbours are known
// then, their times, the direction of the front), never on colours, so they
// are worked out as the front moves, four neighbours at a time, and the
// colour sums follow in the same order of pixels: in the same thread, or in
// a second one that trails the marching.
#include "inpaint_fill.h"

#include <opencv2/core.hpp>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

namespace vantrel {
namespace inpainting {

namespace {

// A known neighbour of a reached pixel, as the colour sums need it.
struct Near {
    int cell;              // where its colours are read (see find)
    float weight;          // OpenCV's w
    int8_t rx, ry;         // offset from it to the pixel, columns and rows
    uint8_t across, down;  // its colour gradient along the row and down the column (kSteps)
};

// A colour gradient: (colour at a - colour at b) * scale, a and b in steps
// from the cell, by which of the two cells beside it on the line are known
// (1: the one before, 2: the one after) and, + 4, at the image's first or
// last row or column, where OpenCV's reads are shifted.
struct Step {
    int a, b;
    float scale;
};
constexpr Step kSteps[8] = {{0, 0, 1.f}, {0, -1, 1.f},  {1, 0, 1.f}, {1, -1, 2.f},
                            {0, 0, 1.f}, {-1, -1, 1.f}, {0, 0, 1.f}, {0, -1, 2.f}};

class NearFinder {
public:
    NearFinder(const Marching& m, const Disk& d) : m_(m), disk_(d) {}
    // Writes the known neighbours of `cell` in raster order into `out` (room
    // for side * side + 4) and returns how many there are.
    int find(int cell, Near* out) const;
    int room() const { return disk_.side * disk_.side + 4; }

private:
    void frontDirection(int cell, float& gx, float& gy) const;

    const Marching& m_;
    const Disk& disk_;
};

void NearFinder::frontDirection(int cell, float& gx, float& gy) const
{
    const int w = m_.stride();
    const uint8_t* f = m_.flags();
    const float* t = m_.times();
    const float tij = t[cell];
    gx = 0;
    gy = 0;
    if (f[cell + 1] != kInside)
        gx = f[cell - 1] != kInside ? (t[cell + 1] - t[cell - 1]) * 0.5f : t[cell + 1] - tij;
    else if (f[cell - 1] != kInside)
        gx = tij - t[cell - 1];
    if (f[cell + w] != kInside)
        gy = f[cell - w] != kInside ? (t[cell + w] - t[cell - w]) * 0.5f : t[cell + w] - tij;
    else if (f[cell - w] != kInside)
        gy = tij - t[cell - w];
}

int NearFinder::find(int cell, Near* out) const
{
    const uint8_t* f = m_.flags();
    const uint8_t* around = m_.around();
    const float* t = m_.times();
    const int w = m_.stride(), r = disk_.range;
    const int i = m_.gridRow(cell), j = m_.gridCol(cell);
    const int lastRow = m_.gridRows() - 2, lastCol = m_.gridCols() - 2;  // the image's last row and column
    float gx = 0, gy = 0;
    frontDirection(cell, gx, gy);
    const float tij = t[cell];
    const Colour one = {1.f, 1.f, 1.f, 1.f}, lane = {0.f, 1.f, 2.f, 3.f};
    const Colour vtij = {tij, tij, tij, tij}, vgx = {gx, gx, gx, gx};
    const Colour flat = {kFlat, kFlat, kFlat, kFlat}, tiny = {0.000001f, 0.000001f, 0.000001f, 0.000001f};
    int count = 0;
    for (int k = std::max(i - r, 1); k <= std::min(i + r, lastRow); ++k) {
        const int half = disk_.half[static_cast<size_t>(k - i + r)];
        const int l0 = std::max(j - half, 1), l1 = std::min(j + half, lastCol);
        const int row = m_.cell(k, 0);
        const float* factor = &disk_.factor[static_cast<size_t>((k - i + r) * disk_.side + r)];
        const float ry = static_cast<float>(i - k);
        const Colour ygy = {ry * gy, ry * gy, ry * gy, ry * gy};
        // OpenCV reads the image's first row's colours from its second row,
        // and its first column's from its second column.
        const int shift = k == 1 ? w : 0;
        const uint8_t rowEdge = k == 1 || k == lastRow ? 4 : 0;
        for (int l = l0; l <= l1; l += 4) {
            Colour tk, fk;
            std::memcpy(&tk, &t[row + l], sizeof tk);
            std::memcpy(&fk, &factor[l - j], sizeof fk);
            // 1 / x rounded to float directly equals 1. / x in double then
            // rounded to float: a double holds more than twice a float's digits.
            const Colour lev = one / (one + magnitude(tk - vtij));
            const Colour rx = static_cast<float>(j - l) - lane;
            const Colour dir = rx * vgx + ygy;
            const Colour weight = magnitude(fk * lev * choose(magnitude(dir) <= flat, tiny, dir));
            const int lanes = std::min(4, l1 - l + 1);
            if (shift == 0 && rowEdge == 0 && l > 1 && l + lanes - 1 < lastCol) {
                // Away from the image's edges: the neighbour's own cell.
                const int8_t dy = static_cast<int8_t>(i - k);
                for (int q = 0; q < lanes; ++q) {
                    const int n = row + l + q;
                    out[count] = Near{n,
                                      weight[q],
                                      static_cast<int8_t>(j - l - q),
                                      dy,
                                      static_cast<uint8_t>(around[n] & 3),
                                      static_cast<uint8_t>(around[n] >> 2)};
                    count += f[n] != kInside;
                }
                continue;
            }
            for (int q = 0; q < lanes; ++q) {
                const int n = row + l + q, col = l + q;
                const uint8_t colEdge = col == 1 || col == lastCol ? 4 : 0;
                out[count] = Near{n + shift + (col == 1),
                                  weight[q],
                                  static_cast<int8_t>(j - col),
                                  static_cast<int8_t>(i - k),
                                  static_cast<uint8_t>((around[n] & 3) | colEdge),
                                  static_cast<uint8_t>(((around[n] >> 2) & 3) | rowEdge)};
                count += f[n] != kInside;
            }
        }
    }
    return count;
}

// The pixel's colours from its known neighbours, as OpenCV sums them.
Colour teleaColour(const Near* near, int count, const Colour* px, int w)
{
    Colour ia = {0.f, 0.f, 0.f, 1.0e-20f}, jx = kZero, jy = kZero;  // the weights' sum rides in ia's fourth channel
    for (int e = 0; e < count; ++e) {
        const Near& q = near[e];
        const Step& sx = kSteps[q.across];
        const Step& sy = kSteps[q.down];
        const Colour mid = px[q.cell];
        const Colour ix = (px[q.cell + sx.a] - px[q.cell + sx.b]) * sx.scale;
        const Colour iy = (px[q.cell + sy.a * w] - px[q.cell + sy.b * w]) * sy.scale;
        const float rx = q.rx, ry = q.ry;
        ia += q.weight * mid;
        jx -= q.weight * (ix * rx);
        jy -= q.weight * (iy * ry);
    }
    const float s = ia[3];
    Colour out = {0.f, 0.f, 0.f, 1.f};
    for (int c = 0; c < 3; ++c) {
        const float x = jx[c], y = jy[c];
        const float sat = ia[c] / s + (x + y) / (std::sqrt(x * x + y * y) + 1.0e-20f) + 0.5f;
        out[c] = cv::saturate_cast<uint8_t>(sat);
    }
    return out;
}

void waitABit()
{
    for (int i = 0; i < 32; ++i) {
#if defined(__SSE2__)
        _mm_pause();
#endif
    }
    std::this_thread::yield();
}

// The colour sums in a second thread, trailing the marching: the marching
// hands over each reached pixel with its neighbours (a ring of entries and a
// ring of pixels); the colours are read and written by the second thread
// only, until the marching is over and the thread has caught up.
class TrailingSums {
public:
    TrailingSums(Marching& m, int room);
    ~TrailingSums();
    // Room for one pixel's neighbours, once the second thread has freed it.
    Near* reserve();
    void hand(int cell, int count);
    // Waits until every handed pixel has its colours.
    void finish();

private:
    struct Task {
        int cell;
        int count;
        long long first;  // position of its first neighbour; the ring holds it at first % capacity
    };
    void run();

    static constexpr long long kTasks = 8192;
    Colour* px_;
    int stride_, room_;
    long long capacity_;
    std::vector<Near> ring_;
    std::vector<Task> tasks_;
    long long head_ = 0, reserved_ = 0;  // the marching's own
    // Written by the marching, and by the second thread, on lines of their own.
    alignas(64) std::atomic<long long> handed_{0};
    std::atomic<bool> over_{false};
    alignas(64) std::atomic<long long> done_{0}, freed_{0};
    std::thread thread_;
};

TrailingSums::TrailingSums(Marching& m, int room)
    : px_(m.colours()), stride_(m.stride()), room_(room), capacity_(512LL * room),
      ring_(static_cast<size_t>(capacity_)), tasks_(static_cast<size_t>(kTasks))
{
    thread_ = std::thread(&TrailingSums::run, this);
}

TrailingSums::~TrailingSums()
{
    if (thread_.joinable())
        finish();
}

Near* TrailingSums::reserve()
{
    long long start = head_;
    if (start % capacity_ + room_ > capacity_)
        start += capacity_ - start % capacity_;  // a pixel's neighbours stay side by side
    while (start + room_ - freed_.load(std::memory_order_acquire) > capacity_ ||
           handed_.load(std::memory_order_relaxed) - done_.load(std::memory_order_acquire) >= kTasks)
        waitABit();
    reserved_ = start;
    return &ring_[static_cast<size_t>(start % capacity_)];
}

void TrailingSums::hand(int cell, int count)
{
    const long long n = handed_.load(std::memory_order_relaxed);
    tasks_[static_cast<size_t>(n % kTasks)] = Task{cell, count, reserved_};
    head_ = reserved_ + count;
    handed_.store(n + 1, std::memory_order_release);
}

void TrailingSums::finish()
{
    over_.store(true, std::memory_order_release);
    thread_.join();
}

void TrailingSums::run()
{
    long long done = 0;
    for (;;) {
        const long long handed = handed_.load(std::memory_order_acquire);
        if (done == handed) {
            if (over_.load(std::memory_order_acquire) && handed_.load(std::memory_order_acquire) == done)
                return;
            waitABit();
            continue;
        }
        // Room is given back sixteen pixels at a time, and whenever the
        // marching has been caught up with.
        for (; done < handed; ++done) {
            const Task& t = tasks_[static_cast<size_t>(done % kTasks)];
            px_[t.cell] = teleaColour(&ring_[static_cast<size_t>(t.first % capacity_)], t.count, px_, stride_);
            if ((done + 1) % 16 == 0 || done + 1 == handed) {
                freed_.store(t.first + t.count, std::memory_order_release);
                done_.store(done + 1, std::memory_order_release);
            }
        }
    }
}

}  // namespace

void fillTelea(Marching& m, const Disk& disk, bool helped)
{
    const NearFinder finder(m, disk);
    std::unique_ptr<TrailingSums> trailing;
    if (helped) {
        try {
            trailing.reset(new TrailingSums(m, finder.room()));
        } catch (const std::system_error&) {
            // no second thread to be had: the sums are done here
        }
    }
    if (trailing) {
        m.march([&](int cell) { trailing->hand(cell, finder.find(cell, trailing->reserve())); });
        trailing->finish();
        return;
    }
    std::vector<Near> near(static_cast<size_t>(finder.room()));
    m.march([&](int cell) {
        const int count = finder.find(cell, near.data());
        m.colours()[cell] = teleaColour(near.data(), count, m.colours(), m.stride());
    });
}

}  // namespace inpainting
}  // namespace vantrel
