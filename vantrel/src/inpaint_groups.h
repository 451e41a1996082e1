#pragma once
// The parts of an inpainting mask that can be filled independently.
//
// Inpainting a pixel reads the pixels within its radius + 1 and the
// distances the marching computes within the radius of the mask. Mask
// pixels farther apart than twice that reach never see each other's work, so
// the mask is cut into groups that lie farther apart than 2 * radius + 2 and
// each group is filled on its own, in its own window of the marching grid.
//
// The grouping is made on square tiles of 2 * radius + 2 pixels: tiles with
// mask pixels that touch (also corner to corner) belong to one group, so two
// groups are always separated by at least one whole empty tile.

#include <opencv2/core.hpp>

#include <cstdint>
#include <vector>

namespace vantrel {
namespace inpainting {

// A rectangle of the marching grid: the image with a one-pixel frame around
// it, so grid row y is image row y - 1 and grid column x image column x - 1.
struct Window {
    int y0 = 0, x0 = 0;      // first grid row and column
    int rows = 0, cols = 0;  // size
};

class MaskGroups {
public:
    // Groups of the non-zero pixels of `mask` (8-bit, one channel) for the
    // given inpainting radius.
    MaskGroups(const cv::Mat& mask, int range);

    int count() const { return static_cast<int>(windows_.size()); }
    // The grid window that holds group g's mask pixels and everything within
    // range + 2 of them, cut to the grid.
    const Window& window(int g) const { return windows_[static_cast<size_t>(g)]; }
    // The group that image pixel (y, x) belongs to if it is a mask pixel.
    int groupAt(int y, int x) const { return tileGroup_[static_cast<size_t>((y / tile_) * tilesX_ + x / tile_)]; }
    // The image column where the tile holding column x ends.
    int tileEnd(int x) const { return (x / tile_ + 1) * tile_; }
    // Groups by falling number of tiles: the order to start them in, so the
    // largest do not come last.
    std::vector<int> largestFirst() const;

private:
    void markTiles(const cv::Mat& mask);
    void joinTiles();
    void makeWindows(int rows, int cols, int margin);

    int tile_ = 1, tilesX_ = 0, tilesY_ = 0;
    std::vector<int> tileGroup_;  // -1 for a tile without mask pixels
    std::vector<Window> windows_;
    std::vector<int> tileCount_;
};

}  // namespace inpainting
}  // namespace vantrel
