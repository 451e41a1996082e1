#include "inpaint_march.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vantrel {
namespace inpainting {

namespace {

// A time as an unsigned number in the same order (-0 and 0 alike).
uint64_t ordered(float time)
{
    time += 0.f;
    uint32_t bits = 0;
    std::memcpy(&bits, &time, sizeof bits);
    return (bits & 0x80000000u) ? ~bits : (bits | 0x80000000u);
}

// Marks the cells within `range` rows and columns of a cell for which
// `seed` holds, one line of `count` cells `step` apart at a time.
template <typename Seed>
void spread(int count, int step, int range, Seed&& seed, uint8_t* out)
{
    int last = -range - 1;  // the latest seed so far
    for (int i = 0; i < count; ++i) {
        if (seed(i))
            last = i;
        out[static_cast<size_t>(i) * step] = i - last <= range;
    }
    last = count + range;
    for (int i = count - 1; i >= 0; --i) {
        if (seed(i))
            last = i;
        if (last - i <= range)
            out[static_cast<size_t>(i) * step] = 1;
    }
}

}  // namespace

void FrontQueue::push(float time, int cell)
{
    // A binary heap ordered by time, then by order of entry: the same
    // sequence of cells as OpenCV's sorted list, which puts a new cell behind
    // every cell whose time is not larger.
    const Entry e{ordered(time) << 32 | pushed_++, cell};
    heap_.push_back(e);
    size_t i = heap_.size() - 1;
    while (i > 0) {
        const size_t up = (i - 1) / 2;
        if (heap_[up].key < e.key)
            break;
        heap_[i] = heap_[up];
        i = up;
    }
    heap_[i] = e;
}

bool FrontQueue::pop(int& cell)
{
    if (heap_.empty())
        return false;
    cell = heap_.front().cell;
    const Entry e = heap_.back();
    heap_.pop_back();
    const size_t n = heap_.size();
    if (n == 0)
        return true;
    size_t i = 0;
    for (;;) {
        size_t child = 2 * i + 1;
        if (child >= n)
            break;
        if (child + 1 < n && heap_[child + 1].key < heap_[child].key)
            ++child;
        if (e.key < heap_[child].key)
            break;
        heap_[i] = heap_[child];
        i = child;
    }
    heap_[i] = e;
    return true;
}

Marching::Marching(const cv::Mat& img, const cv::Mat& mask, const MaskGroups& groups, int group)
    : window_(groups.window(group)), gridRows_(img.rows + 2), gridCols_(img.cols + 2)
{
    load(img, mask, groups, group);
    findBand();
    findAround();
}

void Marching::load(const cv::Mat& img, const cv::Mat& mask, const MaskGroups& groups, int group)
{
    const size_t cells = static_cast<size_t>(window_.rows) * window_.cols;
    flags_.assign(cells + kSpare, kKnown);
    times_.assign(cells + kSpare, 1.0e6f);
    // Every cell is written once below: no clearing first.
    colours_.reset(new Colour[cells + kSpare]);
    const Colour none = {0.f, 0.f, 0.f, 1.f};
    for (size_t c = cells; c < cells + kSpare; ++c)
        colours_[c] = none;
    for (int y = window_.y0; y < window_.y0 + window_.rows; ++y) {
        const size_t first = static_cast<size_t>(cell(y, window_.x0));
        uint8_t* f = &flags_[first];
        Colour* c = &colours_[first];
        if (y == 0 || y == gridRows_ - 1) {
            std::fill(c, c + window_.cols, none);
            continue;
        }
        std::fill(c, c + window_.cols, none);
        const uint8_t* m = mask.ptr<uint8_t>(y - 1);
        const uint8_t* p = img.ptr<uint8_t>(y - 1);
        // Image columns of the window, a tile at a time.
        const int end = std::min(window_.x0 + window_.cols, gridCols_ - 1) - 1;
        for (int x = std::max(window_.x0, 1) - 1; x < end;) {
            const int stop = std::min(end, groups.tileEnd(x));
            // Pixels of other groups are never read here, and may be being
            // written by their own group: they are left alone.
            const int owner = groups.groupAt(y - 1, x);
            if (owner == group || owner < 0) {
                for (; x < stop; ++x) {
                    const int i = x + 1 - window_.x0;
                    f[i] = m[x] ? kInside : kKnown;
                    unknown_ += m[x] != 0;
                    const uint8_t* q = p + 3 * x;
                    c[i] = Colour{static_cast<float>(q[0]), static_cast<float>(q[1]), static_cast<float>(q[2]), 1.f};
                }
            }
            x = stop;
        }
    }
}

void Marching::findAround()
{
    const int w = window_.cols;
    around_.assign(flags_.size(), 0);
    for (int y = 1; y + 1 < window_.rows; ++y)
        for (int x = 1; x + 1 < w; ++x) {
            const size_t c = static_cast<size_t>(y) * w + x;
            around_[c] = static_cast<uint8_t>(
                (flags_[c - 1] != kInside ? kLeftKnown : 0) | (flags_[c + 1] != kInside ? kRightKnown : 0) |
                (flags_[c - w] != kInside ? kUpKnown : 0) | (flags_[c + w] != kInside ? kDownKnown : 0));
        }
}

void Marching::becomeKnown(int c)
{
    const size_t n = static_cast<size_t>(c), w = static_cast<size_t>(window_.cols);
    flags_[n] = kBand;
    around_[n + 1] |= kLeftKnown;
    around_[n - 1] |= kRightKnown;
    around_[n + w] |= kUpKnown;
    around_[n - w] |= kDownKnown;
}

bool Marching::onFrame(int c) const
{
    const int y = gridRow(c), x = gridCol(c);
    return y == 0 || x == 0 || y == gridRows_ - 1 || x == gridCols_ - 1;
}

void Marching::findBand()
{
    // Known cells next to an unknown one (up, down, left or right), not on
    // the grid's frame. The window's own edge is either the frame or far
    // enough from the mask to hold no band.
    const int w = window_.cols;
    for (int y = 1; y + 1 < window_.rows; ++y)
        for (int x = 1; x + 1 < w; ++x) {
            const int c = y * w + x;
            const uint8_t* f = &flags_[static_cast<size_t>(c)];
            if (f[0] == kKnown && (f[-w] == kInside || f[-1] == kInside || f[1] == kInside || f[w] == kInside) &&
                !onFrame(c)) {
                band_.push_back(c);
                times_[static_cast<size_t>(c)] = 0.f;
            }
        }
}

float Marching::solve(int a, int b, const uint8_t* f) const
{
    const double ta = times_[static_cast<size_t>(a)], tb = times_[static_cast<size_t>(b)];
    const double least = ta > tb ? tb : ta;
    double sol;
    if (f[a] != kInside) {
        if (f[b] != kInside) {
            if (std::fabs(ta - tb) >= 1.0)
                sol = 1 + least;
            else
                sol = (ta + tb + std::sqrt(2 - (ta - tb) * (ta - tb))) * 0.5;
        } else {
            sol = 1 + ta;
        }
    } else if (f[b] != kInside) {
        sol = 1 + tb;
    } else {
        sol = 1 + least;
    }
    return static_cast<float>(sol);
}

float Marching::arrival(int c, const uint8_t* f) const
{
    const int w = window_.cols;
    float a = solve(c - w, c - 1, f), b = solve(c + w, c - 1, f);
    float d = solve(c - w, c + 1, f), e = solve(c + w, c + 1, f);
    a = a > b ? b : a;
    d = d > e ? e : d;
    return a > d ? d : a;
}

void Marching::outsideTimes(int range)
{
    // Outside cells within `range` rows and columns of the mask, neither in
    // the band nor on the frame, are to be reached.
    const int w = window_.cols, h = window_.rows;
    std::vector<uint8_t> across(flags_.size()), near(flags_.size());
    const size_t cells = static_cast<size_t>(w) * h;
    for (int y = 0; y < h; ++y) {
        const uint8_t* f = &flags_[static_cast<size_t>(y) * w];
        spread(
            w, 1, range, [&](int x) { return f[x] == kInside; }, &across[static_cast<size_t>(y) * w]);
    }
    for (int x = 0; x < w; ++x)
        spread(
            h, w, range, [&](int y) { return across[static_cast<size_t>(y) * w + x] != 0; }, &near[x]);
    std::vector<uint8_t> out(flags_.size(), kKnown);
    for (size_t c = 0; c < cells; ++c)
        if (near[c] && flags_[c] != kInside && !onFrame(static_cast<int>(c)))
            out[c] = kInside;
    for (int c : band_)
        out[static_cast<size_t>(c)] = kKnown;

    FrontQueue front;
    for (int c : band_)
        front.push(0.f, c);
    std::vector<int> taken;
    int c = 0;
    while (front.pop(c)) {
        out[static_cast<size_t>(c)] = kChange;
        taken.push_back(c);
        const int next[4] = {c - w, c - 1, c + w, c + 1};
        for (int n : next) {
            if (out[static_cast<size_t>(n)] != kInside)
                continue;
            const float time = arrival(n, out.data());
            times_[static_cast<size_t>(n)] = time;
            out[static_cast<size_t>(n)] = kBand;
            front.push(time, n);
        }
    }
    for (int t : taken)
        times_[static_cast<size_t>(t)] = -times_[static_cast<size_t>(t)];
}

void Marching::store(cv::Mat& img) const
{
    for (int c : reached_) {
        uint8_t* p = img.ptr<uint8_t>(gridRow(c) - 1) + 3 * (gridCol(c) - 1);
        const Colour& v = colours_[static_cast<size_t>(c)];
        p[0] = static_cast<uint8_t>(v[0]);
        p[1] = static_cast<uint8_t>(v[1]);
        p[2] = static_cast<uint8_t>(v[2]);
    }
}

}  // namespace inpainting
}  // namespace vantrel
