// Inpainting with the results of OpenCV's cv::inpaint, byte for byte, for
// 8-bit three-channel images, faster: the mask's far-apart groups are filled
// in parallel, each by its own marching front (inpaint_groups.h,
// inpaint_march.h), and a reached pixel's colours are computed with OpenCV's
// floating-point operations in OpenCV's order, but with the weight of a
// neighbour worked out once for the three channels, the factors that depend
// on the offset alone taken from a table, and unknown neighbours passed over
// without work.
#include "inpaint_march.h"
#include "internal.h"

#include <opencv2/photo.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vantrel {
namespace inpainting {

namespace {

typedef int32_t Lanes __attribute__((vector_size(16)));

const Colour kZero = {0.f, 0.f, 0.f, 0.f};

Colour magnitude(Colour v)
{
    const Lanes noSign = {0x7fffffff, 0x7fffffff, 0x7fffffff, 0x7fffffff};
    return reinterpret_cast<Colour>(reinterpret_cast<Lanes>(v) & noSign);
}

Colour squareRoot(Colour v)
{
#if defined(__SSE2__)
    return reinterpret_cast<Colour>(_mm_sqrt_ps(reinterpret_cast<__m128>(v)));
#else
    return Colour{std::sqrt(v[0]), std::sqrt(v[1]), std::sqrt(v[2]), std::sqrt(v[3])};
#endif
}

// OpenCV's test `fabs(dir) <= 0.01` compares a float with the double 0.01;
// 0.01f lies just below it and the next float above it, so comparing floats
// with 0.01f gives the same answers.
constexpr float kFlat = 0.01f;
static_assert(static_cast<double>(kFlat) <= 0.01, "0.01f must not lie above 0.01");

// The disk of neighbours within the radius, and the factor of each offset
// that depends on the offset alone.
struct Disk {
    Disk(int radius, int method);
    int range;
    int side;                   // 2 * range + 1
    std::vector<int> half;      // per row offset dk + range: largest |dl| inside
    std::vector<float> factor;  // per (dk + range) * side + dl + range, and four spare
};

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

// Where a neighbour's colours are read. At the image's first and last row
// and column OpenCV reads one row or column further in; these are its picks.
struct Reads {
    int mid, left, right, leftIn;  // cells of (km, lm), (km, lm - 1), (km, lp + 1), (km, lp)
};

class Fill {
public:
    Fill(Marching& m, const Disk& d) : m_(m), disk_(d) {}

protected:
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

// Telea's method: a weighted mean of the known neighbours' colours, each
// moved along its colour gradient towards the pixel.
class TeleaFill : public Fill {
public:
    TeleaFill(Marching& m, const Disk& d);
    void operator()(int cell);

private:
    // A known neighbour: its cell, its weight and its offset (j - l, i - k).
    struct Near {
        int cell;
        float weight, rx, ry;
    };
    struct Sums {
        Colour ia, jx, jy;  // the weights' sum rides in ia's fourth channel
    };
    void frontDirection(int cell, float& gx, float& gy) const;
    int gatherNear(int cell, float gx, float gy);
    void sumNear(int count, Sums& sums) const;
    void sumNearEdge(int cell, float gx, float gy, Sums& sums) const;
    bool nearEdge(int i, int j) const;

    std::vector<Near> near_;
};

// Where the colours that give a gradient across a neighbour are read, by
// which of its two neighbours on that line are known: (a - b) * scale.
struct Step {
    int a, b;  // offsets from the neighbour, in steps along the line
    float scale;
};
// Index: 1 if the one before (left, above) is known, + 2 if the one after is.
constexpr Step kSteps[4] = {{0, 0, 1.f}, {0, -1, 1.f}, {1, 0, 1.f}, {1, -1, 2.f}};

TeleaFill::TeleaFill(Marching& m, const Disk& d) : Fill(m, d)
{
    near_.resize(static_cast<size_t>(d.side) * d.side + 4);
}

void TeleaFill::frontDirection(int cell, float& gx, float& gy) const
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

bool TeleaFill::nearEdge(int i, int j) const
{
    // Within the radius of the image's first or last row or column, where
    // OpenCV's reads are shifted.
    const int r = disk_.range;
    return i - r < 2 || j - r < 2 || i + r > m_.gridRows() - 3 || j + r > m_.gridCols() - 3;
}

// The known neighbours in the disk, in raster order, with their weights: four
// neighbours at a time, the same float operations on each as OpenCV's.
int TeleaFill::gatherNear(int cell, float gx, float gy)
{
    const uint8_t* f = m_.flags();
    const float* t = m_.times();
    const int i = m_.gridRow(cell), j = m_.gridCol(cell), r = disk_.range;
    const float tij = t[cell];
    const Colour one = {1.f, 1.f, 1.f, 1.f}, lane = {0.f, 1.f, 2.f, 3.f};
    const Colour vtij = {tij, tij, tij, tij}, vgx = {gx, gx, gx, gx};
    const Colour flat = {kFlat, kFlat, kFlat, kFlat}, tiny = {0.000001f, 0.000001f, 0.000001f, 0.000001f};
    int count = 0;
    for (int k = i - r; k <= i + r; ++k) {
        const int half = disk_.half[static_cast<size_t>(k - i + r)];
        const int row = base(k);
        const float* factor = &disk_.factor[static_cast<size_t>((k - i + r) * disk_.side + r)];
        const float ry = static_cast<float>(i - k);
        const Colour ygy = {ry * gy, ry * gy, ry * gy, ry * gy};
        for (int l = j - half; l <= j + half; l += 4) {
            Colour tk, fk;
            std::memcpy(&tk, &t[row + l], sizeof tk);
            std::memcpy(&fk, &factor[l - j], sizeof fk);
            // 1 / x rounded to float directly equals 1. / x in double then
            // rounded to float: a double holds more than twice a float's digits.
            const Colour lev = one / (one + magnitude(tk - vtij));
            const Colour rx = static_cast<float>(j - l) - lane;
            Colour dir = rx * vgx + ygy;
            const Lanes isFlat = magnitude(dir) <= flat;
            dir = reinterpret_cast<Colour>((isFlat & reinterpret_cast<Lanes>(tiny)) |
                                           (~isFlat & reinterpret_cast<Lanes>(dir)));
            const Colour weight = magnitude(fk * lev * dir);
            const int lanes = std::min(4, j + half - l + 1);
            for (int q = 0; q < lanes; ++q) {
                const int n = row + l + q;
                near_[static_cast<size_t>(count)] = Near{n, weight[q], rx[q], ry};
                count += f[n] != kInside;
            }
        }
    }
    return count;
}

void TeleaFill::sumNear(int count, Sums& sums) const
{
    const int w = m_.stride();
    const uint8_t* around = m_.around();
    const Colour* px = m_.colours();
    for (int e = 0; e < count; ++e) {
        const Near& q = near_[static_cast<size_t>(e)];
        const uint8_t known = around[q.cell];
        const Step& sx = kSteps[known & 3];
        const Step& sy = kSteps[(known >> 2) & 3];
        const Colour mid = px[q.cell];
        const Colour ix = (px[q.cell + sx.a] - px[q.cell + sx.b]) * sx.scale;
        const Colour iy = (px[q.cell + sy.a * w] - px[q.cell + sy.b * w]) * sy.scale;
        sums.ia += q.weight * mid;
        sums.jx -= q.weight * (ix * q.rx);
        sums.jy -= q.weight * (iy * q.ry);
    }
}

// The same sums, one neighbour at a time, with OpenCV's shifted reads at the
// image's first and last rows and columns.
void TeleaFill::sumNearEdge(int cell, float gx, float gy, Sums& sums) const
{
    const int w = m_.stride();
    const uint8_t* f = m_.flags();
    const float* t = m_.times();
    const Colour* px = m_.colours();
    const int i = m_.gridRow(cell), j = m_.gridCol(cell), r = disk_.range;
    const float tij = t[cell];
    const int k0 = std::max(i - r, 1), k1 = std::min(i + r, m_.gridRows() - 2);
    for (int k = k0; k <= k1; ++k) {
        const int half = disk_.half[static_cast<size_t>(k - i + r)];
        const int l0 = std::max(j - half, 1), l1 = std::min(j + half, m_.gridCols() - 2);
        const Rows rows = rowsFor(k);
        const int row = base(k);
        const float* factor = &disk_.factor[static_cast<size_t>((k - i + r) * disk_.side + r)];
        const float ry = static_cast<float>(i - k);
        for (int l = l0; l <= l1; ++l) {
            const int n = row + l;
            if (f[n] == kInside)
                continue;
            const float rx = static_cast<float>(j - l);
            const float lev = static_cast<float>(1. / (1 + std::fabs(t[n] - tij)));
            float dir = rx * gx + ry * gy;
            if (std::fabs(dir) <= kFlat)
                dir = 0.000001f;
            const float weight = std::fabs(factor[l - j] * lev * dir);

            const Reads at = readsFor(rows, l);
            const Colour mid = px[at.mid];
            Colour ix = kZero, iy = kZero;
            if (f[n + 1] != kInside)
                ix = f[n - 1] != kInside ? (px[at.right] - px[at.left]) * 2.f : px[at.right] - mid;
            else if (f[n - 1] != kInside)
                ix = px[at.leftIn] - px[at.left];
            const int col = at.mid - rows.mid;
            if (f[n + w] != kInside)
                iy = f[n - w] != kInside ? (px[rows.below + col] - px[rows.above + col]) * 2.f
                                         : px[rows.below + col] - mid;
            else if (f[n - w] != kInside)
                iy = px[rows.midIn + col] - px[rows.above + col];
            sums.ia += weight * mid;
            sums.jx -= weight * (ix * rx);
            sums.jy -= weight * (iy * ry);
        }
    }
}

void TeleaFill::operator()(int cell)
{
    float gx = 0, gy = 0;
    frontDirection(cell, gx, gy);
    Sums sums{Colour{0.f, 0.f, 0.f, 1.0e-20f}, kZero, kZero};
    if (nearEdge(m_.gridRow(cell), m_.gridCol(cell)))
        sumNearEdge(cell, gx, gy, sums);
    else
        sumNear(gatherNear(cell, gx, gy), sums);
    const float s = sums.ia[3];
    Colour out = {0.f, 0.f, 0.f, 1.f};
    for (int c = 0; c < 3; ++c) {
        const float jx = sums.jx[c], jy = sums.jy[c];
        const float sat = sums.ia[c] / s + (jx + jy) / (std::sqrt(jx * jx + jy * jy) + 1.0e-20f) + 0.5f;
        out[c] = cv::saturate_cast<uint8_t>(sat);
    }
    m_.colours()[cell] = out;
}

class NavierStokesFill : public Fill {
public:
    using Fill::Fill;
    void operator()(int cell) const;
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
            const Lanes flat = magnitude(dot) <= flatLimit;
            const Colour dir = reinterpret_cast<Colour>((flat & reinterpret_cast<Lanes>(tiny)) |
                                                        (~flat & reinterpret_cast<Lanes>(slant)));
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
        m.march(TeleaFill(m, disk));
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
    // images, and whatever it refuses, are left to it.
    const bool own = img.type() == CV_8UC3 && mask.type() == CV_8UC1 && img.size() == mask.size() && img.rows >= 2 &&
                     img.cols >= 2 && (method == cv::INPAINT_TELEA || method == cv::INPAINT_NS);
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
