// Inpainting with the results of OpenCV's cv::inpaint, byte for byte, for
// 8-bit three-channel images, faster: the mask's far-apart groups are filled
// in parallel, each by its own marching front (inpaint_groups.h,
// inpaint_march.h), and a reached pixel's colours are computed with OpenCV's
// floating-point operations in OpenCV's order, but with the weight of a
// neighbour worked out once for the three channels, the factors that depend
// on the offset alone taken from a table, and unknown neighbours passed over
// without work.
#include "inpaint_fill.h"
#include "internal.h"

#include <opencv2/photo.hpp>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <vector>

namespace vantrel {
namespace inpainting {

Disk::Disk(int radius, int method) : range(radius), side(2 * radius + 1)
{
    half.resize(static_cast<size_t>(side));
    factor.assign(static_cast<size_t>(side) * side + 4, 0.f);  // four more for reads of four
    for (int dk = -range; dk <= range; ++dk) {
        int h = 0;
        while ((h + 1) * (h + 1) + dk * dk <= range * range)
            ++h;
        half[static_cast<size_t>(dk + range)] = h;
        for (int dl = -h; dl <= h; ++dl) {
            if (dk == 0 && dl == 0)
                continue;  // the pixel itself is never a known neighbour
            const float rx = static_cast<float>(dl), ry = static_cast<float>(dk);
            const float length = rx * rx + ry * ry;
            float& f = factor[static_cast<size_t>((dk + range) * side + dl + range)];
            if (method == cv::INPAINT_TELEA)
                f = static_cast<float>(1. / (length * std::sqrt(static_cast<double>(length))));
            else
                f = 1 / (length * length + 1);
        }
    }
}

namespace {

// Where a neighbour's colours are read. At the image's first and last row
// and column OpenCV reads one row or column further in; these are its picks.
struct Reads {
    int mid, left, right, leftIn;  // cells of (km, lm), (km, lm - 1), (km, lp + 1), (km, lp)
};

// The Navier-Stokes method: a reached pixel becomes the weighted mean of its
// known neighbours' colours, each channel weighted by how well the offset
// lines up with that channel's colour steps across the neighbour.
class NavierStokesFill {
public:
    NavierStokesFill(Marching& m, const Disk& d) : m_(m), disk_(d) {}
    void operator()(int cell) const;

private:
    // Cell index bases of the rows read for neighbour row k: the row itself
    // (km), the rows above (km - 1) and below (kp + 1), and the row kp.
    struct Rows {
        int mid, above, below, midIn;
    };
    Rows rowsFor(int k) const
    {
        const int km = k - 1 + (k == 1), kp = k - 1 - (k == m_.gridRows() - 2);
        return Rows{base(km + 1), base(km), base(kp + 2), base(kp + 1)};
    }
    Reads readsFor(const Rows& r, int l) const
    {
        const int lm = l - 1 + (l == 1), lp = l - 1 - (l == m_.gridCols() - 2);
        return Reads{r.mid + lm + 1, r.mid + lm, r.mid + lp + 2, r.mid + lp + 1};
    }
    // Index of grid row y, column 0 (the window's own columns follow).
    int base(int y) const { return m_.cell(y, 0); }

    Marching& m_;
    const Disk& disk_;
};

void NavierStokesFill::operator()(int cell) const
{
    const int w = m_.stride();
    const uint8_t* f = m_.flags();
    Colour* px = m_.colours();
    const int i = m_.gridRow(cell), j = m_.gridCol(cell), r = disk_.range;
    const Colour tiny = {0.000001f, 0.000001f, 0.000001f, 0.000001f};
    const Colour flatLimit = {kFlat, kFlat, kFlat, kFlat};

    Colour ia = kZero, s = {1.0e-20f, 1.0e-20f, 1.0e-20f, 1.0e-20f};
    const int k0 = std::max(i - r, 1), k1 = std::min(i + r, m_.gridRows() - 2);
    for (int k = k0; k <= k1; ++k) {
        const int half = disk_.half[static_cast<size_t>(k - i + r)];
        const int l0 = std::max(j - half, 1), l1 = std::min(j + half, m_.gridCols() - 2);
        const Rows rows = rowsFor(k);
        const int row = base(k);
        const float* factor = &disk_.factor[static_cast<size_t>((k - i + r) * disk_.side + r)];
        const float ry = static_cast<float>(k - i);
        for (int l = l0; l <= l1; ++l) {
            const int n = row + l;
            if (f[n] == kInside)
                continue;
            const float rx = static_cast<float>(l - j);
            const float length = rx * rx + ry * ry;
            const Reads at = readsFor(rows, l);
            const int col = at.mid - rows.mid;
            const Colour mid = px[at.mid];

            // Sizes of the colour steps across the neighbour, down and along.
            Colour down = kZero, along = kZero;
            const Colour below = px[rows.below + col], on = px[rows.midIn + col], above = px[rows.above + col];
            if (f[n + w] != kInside)
                down = f[n - w] != kInside ? magnitude(below - on) + magnitude(on - above)
                                           : magnitude(below - on) * 2.f;
            else if (f[n - w] != kInside)
                down = magnitude(on - above) * 2.f;
            if (f[n + 1] != kInside)
                along = f[n - 1] != kInside ? magnitude(px[at.right] - mid) + magnitude(mid - px[at.left])
                                            : magnitude(px[at.right] - mid) * 2.f;
            else if (f[n - 1] != kInside)
                along = magnitude(mid - px[at.left]) * 2.f;
            down = -down;

            const Colour dot = rx * down + ry * along;
            const Colour slant = magnitude(dot / squareRoot(length * (down * down + along * along)));
            const Colour dir = choose(magnitude(dot) <= flatLimit, tiny, slant);
            const Colour weight = factor[l - j] * dir;
            ia += weight * mid;
            s += weight;
        }
    }
    Colour out = {0.f, 0.f, 0.f, 1.f};
    for (int c = 0; c < 3; ++c)
        out[c] = cv::saturate_cast<uint8_t>(static_cast<double>(ia[c]) / s[c]);
    px[cell] = out;
}

void fillGroup(cv::Mat& img, const cv::Mat& mask, const MaskGroups& groups, int group, const Disk& disk, int method)
{
    Marching m(img, mask, groups, group);
    if (method == cv::INPAINT_TELEA) {
        m.outsideTimes(disk.range);
        // A second thread only where the groups alone do not keep the
        // workers busy, and for enough pixels to pay for it.
        fillTelea(m, disk, groups.count() < cv::getNumThreads() && m.unknownCount() >= 2000);
    } else {
        m.march(NavierStokesFill(m, disk));
    }
    m.store(img);
}

}  // namespace
}  // namespace inpainting

namespace fast {

void inpaint(cv::Mat& img, const cv::Mat& mask, double radius, int method)
{
    // OpenCV reads one pixel past an image of a single row or column; such
    // images, whatever it refuses, and grids too large for the int cell
    // numbers of the marching are left to it.
    const bool own = img.type() == CV_8UC3 && mask.type() == CV_8UC1 && img.size() == mask.size() && img.rows >= 2 &&
                     img.cols >= 2 && (method == cv::INPAINT_TELEA || method == cv::INPAINT_NS) &&
                     (static_cast<int64_t>(img.rows) + 2) * (img.cols + 2) < INT_MAX / 2;
    if (!own) {
        cv::inpaint(img, mask, img, radius, method);
        return;
    }
    const int range = std::min(std::max(cvRound(radius), 1), 100);
    const inpainting::MaskGroups groups(mask, range);
    const std::vector<int> order = groups.largestFirst();
    const inpainting::Disk disk(range, method);
    cv::parallel_for_(
        cv::Range(0, groups.count()),
        [&](const cv::Range& part) {
            for (int g = part.start; g < part.end; ++g)
                inpainting::fillGroup(img, mask, groups, order[static_cast<size_t>(g)], disk, method);
        },
        groups.count());
}

}  // namespace fast
}  // namespace vantrel
