#include "inpaint_groups.h"

#include "parallel.h"

#include <algorithm>
#include <numeric>

namespace vantrel {
namespace inpainting {

namespace {

int findRoot(std::vector<int>& parent, int i)
{
    while (parent[static_cast<size_t>(i)] != i) {
        int& up = parent[static_cast<size_t>(i)];
        up = parent[static_cast<size_t>(up)];
        i = up;
    }
    return i;
}

void join(std::vector<int>& parent, int a, int b)
{
    a = findRoot(parent, a);
    b = findRoot(parent, b);
    if (a != b)
        parent[static_cast<size_t>(std::max(a, b))] = std::min(a, b);
}

}  // namespace

MaskGroups::MaskGroups(const cv::Mat& mask, int range)
{
    CV_Assert(mask.type() == CV_8UC1);
    tile_ = 2 * range + 2;
    tilesX_ = (mask.cols + tile_ - 1) / tile_;
    tilesY_ = (mask.rows + tile_ - 1) / tile_;
    markTiles(mask);
    joinTiles();
    makeWindows(mask.rows, mask.cols, range + 2);
}

void MaskGroups::markTiles(const cv::Mat& mask)
{
    tileGroup_.assign(static_cast<size_t>(tilesX_) * tilesY_, -1);
    forStripes(tilesY_, stripeCount(tilesY_, 1), [&](int t0, int t1, int) {
        for (int ty = t0; ty < t1; ++ty) {
            int* marks = &tileGroup_[static_cast<size_t>(ty) * tilesX_];
            const int yEnd = std::min(mask.rows, (ty + 1) * tile_);
            for (int y = ty * tile_; y < yEnd; ++y) {
                const uint8_t* m = mask.ptr<uint8_t>(y);
                for (int tx = 0; tx < tilesX_; ++tx) {
                    if (marks[tx] >= 0)
                        continue;
                    const int xEnd = std::min(mask.cols, (tx + 1) * tile_);
                    uint8_t any = 0;
                    for (int x = tx * tile_; x < xEnd; ++x)
                        any |= m[x];
                    if (any)
                        marks[tx] = 0;
                }
            }
        }
    });
}

void MaskGroups::joinTiles()
{
    std::vector<int> parent(tileGroup_.size());
    std::iota(parent.begin(), parent.end(), 0);
    auto marked = [&](int ty, int tx) {
        return ty >= 0 && ty < tilesY_ && tx >= 0 && tx < tilesX_ &&
               tileGroup_[static_cast<size_t>(ty * tilesX_ + tx)] >= 0;
    };
    for (int ty = 0; ty < tilesY_; ++ty)
        for (int tx = 0; tx < tilesX_; ++tx) {
            if (!marked(ty, tx))
                continue;
            const int self = ty * tilesX_ + tx;
            const int next[4][2] = {{0, 1}, {1, -1}, {1, 0}, {1, 1}};
            for (const auto& d : next)
                if (marked(ty + d[0], tx + d[1]))
                    join(parent, self, (ty + d[0]) * tilesX_ + tx + d[1]);
        }
    // Number the groups in the order of their first tile.
    std::vector<int> number(tileGroup_.size(), -1);
    int groups = 0;
    for (size_t i = 0; i < tileGroup_.size(); ++i) {
        if (tileGroup_[i] < 0)
            continue;
        const size_t root = static_cast<size_t>(findRoot(parent, static_cast<int>(i)));
        if (number[root] < 0)
            number[root] = groups++;
        tileGroup_[i] = number[root];
    }
    tileCount_.assign(static_cast<size_t>(groups), 0);
}

void MaskGroups::makeWindows(int rows, int cols, int margin)
{
    const int groups = static_cast<int>(tileCount_.size());
    std::vector<int> ty0(groups, tilesY_), ty1(groups, -1), tx0(groups, tilesX_), tx1(groups, -1);
    for (int ty = 0; ty < tilesY_; ++ty)
        for (int tx = 0; tx < tilesX_; ++tx) {
            const int g = tileGroup_[static_cast<size_t>(ty * tilesX_ + tx)];
            if (g < 0)
                continue;
            ty0[g] = std::min(ty0[g], ty);
            ty1[g] = std::max(ty1[g], ty);
            tx0[g] = std::min(tx0[g], tx);
            tx1[g] = std::max(tx1[g], tx);
            ++tileCount_[static_cast<size_t>(g)];
        }
    windows_.resize(static_cast<size_t>(groups));
    for (int g = 0; g < groups; ++g) {
        // Image rows [ty0 * tile, min((ty1 + 1) * tile, rows)) are grid rows
        // one further down; the frame rows 0 and rows + 1 end the grid.
        const int gy0 = std::max(0, ty0[g] * tile_ + 1 - margin);
        const int gy1 = std::min(rows + 2, std::min((ty1[g] + 1) * tile_, rows) + 1 + margin);
        const int gx0 = std::max(0, tx0[g] * tile_ + 1 - margin);
        const int gx1 = std::min(cols + 2, std::min((tx1[g] + 1) * tile_, cols) + 1 + margin);
        windows_[static_cast<size_t>(g)] = Window{gy0, gx0, gy1 - gy0, gx1 - gx0};
    }
}

std::vector<int> MaskGroups::largestFirst() const
{
    std::vector<int> order(tileCount_.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return tileCount_[static_cast<size_t>(a)] > tileCount_[static_cast<size_t>(b)];
    });
    return order;
}

}  // namespace inpainting
}  // namespace vantrel
