#pragma once
// The fast marching of OpenCV's inpainting, for one group of the mask in its
// own window of the grid (see inpaint_groups.h).
//
// Its rules are OpenCV's, so that the same pixels are reached in the same
// order with the same arrival times: the narrow band around the mask starts
// at time 0 in raster order; a cell's time is computed once, when a
// neighbour is taken from the front; the front hands out the smallest time
// first and, among equal times, the cell that entered first. The fill rule
// that computes a reached pixel's colours is given by the caller.

#include "inpaint_groups.h"

#include <opencv2/core.hpp>

#include <cstdint>
#include <memory>
#include <vector>

namespace vantrel {
namespace inpainting {

// States of a grid cell, as OpenCV's inpainting numbers them.
enum : uint8_t { kKnown = 0, kBand = 1, kInside = 2, kChange = 3 };

// Four channels of a pixel as floats: the three colours, and 1 in the
// fourth, so that a weighted sum of colours also sums the weights.
typedef float Colour __attribute__((vector_size(16)));

// Bits of a cell's neighbours that are known (not inside the mask).
enum : uint8_t { kLeftKnown = 1, kRightKnown = 2, kUpKnown = 4, kDownKnown = 8 };

// The marching front: smallest time first, equal times first in first out.
class FrontQueue {
public:
    void push(float time, int cell);
    bool pop(int& cell);

private:
    struct Entry {
        uint64_t key;  // the time's order above, the order of entry below
        int cell;
    };
    std::vector<Entry> heap_;
    uint32_t pushed_ = 0;
};

class Marching {
public:
    // Loads group `group` of `mask` with the pixels of `img` (8-bit, three
    // channels, the size of the mask) around it.
    Marching(const cv::Mat& img, const cv::Mat& mask, const MaskGroups& groups, int group);

    // Times outside the mask within `range` of it, as Telea's method uses them:
    // marched outwards from the band, then negated.
    void outsideTimes(int range);

    // Marches into the mask, calling fill(cell) for every cell it reaches, with
    // the cell's time set and the cell itself still unknown.
    template <typename Fill>
    void march(Fill&& fill);

    // Writes the colours of the reached pixels into `img`.
    void store(cv::Mat& img) const;

    // The window's cells, row by row, `stride()` cells a row.
    int stride() const { return window_.cols; }
    int gridRow(int cell) const { return window_.y0 + cell / window_.cols; }
    int gridCol(int cell) const { return window_.x0 + cell % window_.cols; }
    // The cell of grid row y, column x (inside the window).
    int cell(int y, int x) const { return (y - window_.y0) * window_.cols + (x - window_.x0); }
    int gridRows() const { return gridRows_; }
    // Mask pixels of the group.
    int unknownCount() const { return unknown_; }
    int gridCols() const { return gridCols_; }

    const uint8_t* flags() const { return flags_.data(); }
    const float* times() const { return times_.data(); }
    // Which of a cell's four neighbours are known (k...Known bits); kept for
    // the cells that are not on the window's edge.
    const uint8_t* around() const { return around_.data(); }
    Colour* colours() { return colours_.get(); }

    // Cells readable past the last one (for reads of four cells at a time).
    static constexpr int kSpare = 4;

private:
    void load(const cv::Mat& img, const cv::Mat& mask, const MaskGroups& groups, int group);
    void findBand();
    void findAround();
    void becomeKnown(int cell);
    bool onFrame(int cell) const;
    float arrival(int cell, const uint8_t* flags) const;
    float solve(int a, int b, const uint8_t* flags) const;

    Window window_;
    int gridRows_ = 0, gridCols_ = 0;
    int unknown_ = 0;
    std::vector<uint8_t> flags_;
    std::vector<float> times_;
    std::vector<uint8_t> around_;
    std::unique_ptr<Colour[]> colours_;
    std::vector<int> band_;     // in raster order
    std::vector<int> reached_;  // mask cells, in the order they were filled
};

template <typename Fill>
void Marching::march(Fill&& fill)
{
    FrontQueue front;
    for (int c : band_)
        front.push(0.f, c);
    const int w = stride();
    uint8_t* f = flags_.data();
    int c = 0;
    while (front.pop(c)) {
        f[c] = kKnown;
        // Up, left, down, right: the order in which OpenCV visits them. Unknown
        // cells are image pixels of this group, never on the window's edge.
        const int next[4] = {c - w, c - 1, c + w, c + 1};
        for (int n : next) {
            if (f[n] != kInside)
                continue;
            const float time = arrival(n, f);
            times_[static_cast<size_t>(n)] = time;
            fill(n);
            becomeKnown(n);
            front.push(time, n);
            reached_.push_back(n);
        }
    }
}

}  // namespace inpainting
}  // namespace vantrel
