// Skew measurement without the long way round: one fused pass computes the
// three-channel Sobel gradients, keeps the strongest channel, suppresses the
// non-maxima and follows the hysteresis, stripe by stripe on all workers; the
// edge points then vote once, angle rows in parallel, and the accumulator is
// reused for every threshold. Every rule is OpenCV's (Canny with aperture 3
// and L1 norm, standard HoughLines), so the edge map, the lines and their
// order are the same.
#include "internal.h"
#include "parallel.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vantrel {
namespace {

constexpr int kLow = 50;  // Canny thresholds: weak above 50, strong above 200
constexpr int kHigh = 200;

enum : uint8_t { kNone = 0, kWeak = 1, kStrong = 2 };

// Gradient of one image row: for every pixel the L1 magnitude of the channel
// with the largest one (the first on ties) and the neighbour pair to compare
// it with, coded 0 left/right, 1 up/down, 2 up-left/down-right, 3 up-right/down-left.
struct GradientRow {
    std::vector<int16_t> vs, vd;     // vertical smoothing and difference, interleaved, 3 px border
    std::vector<int16_t> dx, dy, m;  // per channel, interleaved
    std::vector<int16_t> magBuf;     // magnitudes with one zero on each side
    std::vector<uint8_t> dir;

    explicit GradientRow(size_t cols)
        : vs(cols * 3 + 6), vd(cols * 3 + 6), dx(cols * 3), dy(cols * 3), m(cols * 3), magBuf(cols + 2, 0), dir(cols)
    {
    }
    int16_t* mag() { return &magBuf[1]; }
};

void computeGradientRow(const cv::Mat& img, int y, GradientRow& g)
{
    const int rows = img.rows, cols = img.cols, n = cols * 3;
    // Sobel with replicated borders, every channel at once on the
    // interleaved bytes (the horizontal neighbour is 3 bytes away).
    const uint8_t* __restrict a = img.ptr<uint8_t>(std::max(y - 1, 0));
    const uint8_t* __restrict b = img.ptr<uint8_t>(y);
    const uint8_t* __restrict c = img.ptr<uint8_t>(std::min(y + 1, rows - 1));
    int16_t* __restrict vs = &g.vs[3];
    int16_t* __restrict vd = &g.vd[3];
    for (int k = 0; k < n; ++k) {
        vs[k] = static_cast<int16_t>(a[k] + 2 * b[k] + c[k]);
        vd[k] = static_cast<int16_t>(c[k] - a[k]);
    }
    for (int k = 0; k < 3; ++k) {
        vs[k - 3] = vs[k];
        vd[k - 3] = vd[k];
        vs[n + k] = vs[n - 3 + k];
        vd[n + k] = vd[n - 3 + k];
    }
    int16_t* __restrict dx = g.dx.data();
    int16_t* __restrict dy = g.dy.data();
    int16_t* __restrict m = g.m.data();
    for (int k = 0; k < n; ++k) {
        const int16_t gx = static_cast<int16_t>(vs[k + 3] - vs[k - 3]);
        const int16_t gy = static_cast<int16_t>(vd[k - 3] + 2 * vd[k] + vd[k + 3]);
        dx[k] = gx;
        dy[k] = gy;
        m[k] = static_cast<int16_t>((gx < 0 ? -gx : gx) + (gy < 0 ? -gy : gy));
    }
    int16_t* mag = g.mag();
    uint8_t* dir = g.dir.data();
    for (int x = 0; x < cols; ++x) {
        const int k = 3 * x;
        // The channel with the largest magnitude, the first one on ties.
        int best = k;
        if (m[k + 1] > m[best])
            best = k + 1;
        if (m[k + 2] > m[best])
            best = k + 2;
        const int bestM = m[best];
        mag[x] = static_cast<int16_t>(bestM);
        if (bestM <= kLow) {
            dir[x] = 0;  // never compared
            continue;
        }
        const int gx = dx[best], gy = dy[best];
        // Direction sectors with OpenCV's integer tangent of 22.5 degrees.
        const int ax = std::abs(gx);
        const int ay = std::abs(gy) << 15;
        const int tg22x = ax * 13573;
        uint8_t d;
        if (ay < tg22x)
            d = 0;
        else if (ay > tg22x + (ax << 16))
            d = 1;
        else
            d = (gx ^ gy) < 0 ? 3 : 2;
        dir[x] = d;
    }
}

// Non-maximum suppression of row y given the magnitudes of rows y-1, y, y+1
// (zero outside the image).
void suppressRow(const int16_t* up, const int16_t* mid, const int16_t* down, const uint8_t* dir, int cols, uint8_t* out,
                 std::vector<uint8_t*>& strong)
{
    for (int x = 0; x < cols; ++x) {
        const int m = mid[x];
        uint8_t v = kNone;
        if (m > kLow) {
            bool keep;
            switch (dir[x]) {
            case 0: keep = m > mid[x - 1] && m >= mid[x + 1]; break;
            case 1: keep = m > up[x] && m >= down[x]; break;
            case 2: keep = m > up[x - 1] && m > down[x + 1]; break;
            default: keep = m > up[x + 1] && m > down[x - 1]; break;
            }
            if (keep) {
                v = m > kHigh ? kStrong : kWeak;
                if (v == kStrong)
                    strong.push_back(out + x);
            }
        }
        out[x] = v;
    }
}

// Marks every weak pixel 8-connected to a strong one. `map` has a one-pixel
// border of kNone; rows [y0, y1) of the image may be visited.
void follow(uint8_t* map, ptrdiff_t stride, int y0, int y1, std::vector<uint8_t*>& stack)
{
    uint8_t* lo = map + (y0 + 1) * stride;
    uint8_t* hi = map + (y1 + 1) * stride;
    const ptrdiff_t offs[8] = {-stride - 1, -stride, -stride + 1, -1, 1, stride - 1, stride, stride + 1};
    while (!stack.empty()) {
        uint8_t* p = stack.back();
        stack.pop_back();
        for (ptrdiff_t o : offs) {
            uint8_t* q = p + o;
            if (*q == kWeak && q >= lo && q < hi) {
                *q = kStrong;
                stack.push_back(q);
            }
        }
    }
}

// The whole edge map as kNone/kWeak/kStrong in a padded buffer.
struct EdgeMap {
    int rows = 0, cols = 0;
    ptrdiff_t stride = 0;
    std::vector<uint8_t> buf;
    uint8_t* row(int y) { return buf.data() + (y + 1) * stride + 1; }
};

void buildEdgeMap(const cv::Mat& img, EdgeMap& e)
{
    CV_Assert(img.type() == CV_8UC3);
    e.rows = img.rows;
    e.cols = img.cols;
    e.stride = img.cols + 2;
    e.buf.assign(static_cast<size_t>(e.stride) * (static_cast<size_t>(img.rows) + 2), kNone);
    if (img.empty())
        return;
    const int stripes = stripeCount(img.rows, 32);
    std::vector<int> bounds(static_cast<size_t>(stripes) + 1, img.rows);

    forStripes(img.rows, stripes, [&](int y0, int y1, int s) {
        bounds[s] = y0;
        const size_t cols = static_cast<unsigned>(img.cols);
        GradientRow g0(cols), g1(cols), g2(cols);
        GradientRow* up = &g0;
        GradientRow* mid = &g1;
        GradientRow* down = &g2;
        // The row above the stripe; above the image the magnitudes stay zero.
        if (y0 > 0)
            computeGradientRow(img, y0 - 1, *up);
        computeGradientRow(img, y0, *mid);
        std::vector<uint8_t*> stack;
        for (int y = y0; y < y1; ++y) {
            if (y + 1 < img.rows)
                computeGradientRow(img, y + 1, *down);
            else
                std::fill(down->magBuf.begin(), down->magBuf.end(), 0);
            suppressRow(up->mag(), mid->mag(), down->mag(), mid->dir.data(), img.cols, e.row(y), stack);
            GradientRow* t = up;
            up = mid;
            mid = down;
            down = t;
        }
        // Hysteresis inside the stripe, from every strong pixel found above.
        follow(e.buf.data(), e.stride, y0, y1, stack);
    });

    // Across the stripe borders, over the whole image.
    std::vector<uint8_t*> stack;
    for (int s = 1; s < stripes; ++s) {
        const int y = bounds[s];
        if (y <= 0 || y >= img.rows)
            continue;
        for (int side = 0; side < 2; ++side) {
            uint8_t* r = e.row(side == 0 ? y - 1 : y);
            const ptrdiff_t toOther = side == 0 ? e.stride : -e.stride;
            for (int x = 0; x < img.cols; ++x) {
                if (r[x] != kStrong)
                    continue;
                for (int dx = -1; dx <= 1; ++dx) {
                    uint8_t* q = r + x + toOther + dx;
                    if (*q == kWeak) {
                        *q = kStrong;
                        stack.push_back(q);
                        follow(e.buf.data(), e.stride, 0, img.rows, stack);
                    }
                }
            }
        }
    }
}

// The Hough accumulator is indexed with ints, as OpenCV's own is: an image
// whose accumulator would be larger (rows + cols beyond about 5.9 million) is
// refused before any work. Within the limit every count below fits an int.
void checkAccumulatorSize(int cols, int rows)
{
    constexpr int64_t kAngles = 180 + 2;
    const int64_t numRho = 2 * (static_cast<int64_t>(cols) + rows) + 1;
    if ((numRho + 3) * kAngles > INT_MAX)  // + 3: the border and float rounding
        CV_Error(cv::Error::StsOutOfRange, "image too large for the line search: its accumulator does not fit");
}

// Hough geometry exactly as OpenCV derives it for rho 1, theta pi/180, 0..pi.
void houghGeometry(int cols, int rows, fast::HoughVotes& v, std::vector<float>& tabSin, std::vector<float>& tabCos)
{
    const float rho = 1.f;
    const float theta = static_cast<float>(CV_PI / 180);
    const double minTheta = 0, maxTheta = CV_PI;
    int numAngle = cvFloor((maxTheta - minTheta) / theta) + 1;
    if (numAngle > 1 && std::fabs(CV_PI - (numAngle - 1) * static_cast<double>(theta)) < theta / 2.)
        --numAngle;
    checkAccumulatorSize(cols, rows);
    const int maxRho = cols + rows;
    v.numAngle = numAngle;
    v.numRho = cvRound(((maxRho + maxRho) + 1) / rho);
    v.theta = theta;
    const float irho = 1 / rho;
    tabSin.resize(static_cast<size_t>(numAngle));
    tabCos.resize(static_cast<size_t>(numAngle));
    float ang = static_cast<float>(minTheta);
    for (int n = 0; n < numAngle; ang += theta, ++n) {
        tabSin[n] = static_cast<float>(std::sin(static_cast<double>(ang)) * irho);
        tabCos[n] = static_cast<float>(std::cos(static_cast<double>(ang)) * irho);
    }
}

}  // namespace

namespace fast {

void canny(const cv::Mat& img, cv::Mat& edges)
{
    EdgeMap e;
    buildEdgeMap(img, e);
    edges.create(img.size(), CV_8U);
    forStripes(img.rows, stripeCount(img.rows), [&](int y0, int y1, int) {
        for (int y = y0; y < y1; ++y) {
            const uint8_t* r = e.row(y);
            uint8_t* o = edges.ptr<uint8_t>(y);
            for (int x = 0; x < img.cols; ++x)
                o[x] = r[x] == kStrong ? 255 : 0;
        }
    });
}

void cannyPoints(const cv::Mat& img, EdgePoints& pts)
{
    EdgeMap e;
    buildEdgeMap(img, e);
    pts.cols = img.cols;
    pts.rows = img.rows;
    pts.x.clear();
    pts.y.clear();
    const int stripes = stripeCount(img.rows, 32);
    std::vector<std::vector<float>> xs(static_cast<size_t>(stripes)), ys(static_cast<size_t>(stripes));
    forStripes(img.rows, stripes, [&](int y0, int y1, int s) {
        for (int y = y0; y < y1; ++y) {
            const uint8_t* r = e.row(y);
            int x = 0;
            // Skip eight pixels at a time while none of them is an edge
            // (only kStrong has bit 1 set).
            for (; x + 8 <= img.cols; x += 8) {
                uint64_t word;
                std::memcpy(&word, r + x, 8);
                if (!(word & 0x0202020202020202ull))
                    continue;
                for (int k = x; k < x + 8; ++k) {
                    if (r[k] == kStrong) {
                        xs[s].push_back(static_cast<float>(k));
                        ys[s].push_back(static_cast<float>(y));
                    }
                }
            }
            for (; x < img.cols; ++x) {
                if (r[x] == kStrong) {
                    xs[s].push_back(static_cast<float>(x));
                    ys[s].push_back(static_cast<float>(y));
                }
            }
        }
    });
    size_t total = 0;
    for (const auto& v : xs)
        total += v.size();
    pts.x.reserve(total);
    pts.y.reserve(total);
    for (int s = 0; s < stripes; ++s) {
        pts.x.insert(pts.x.end(), xs[s].begin(), xs[s].end());
        pts.y.insert(pts.y.end(), ys[s].begin(), ys[s].end());
    }
}

void vote(const EdgePoints& pts, HoughVotes& v, int lowest)
{
    std::vector<float> tabSin, tabCos;
    houghGeometry(pts.cols, pts.rows, v, tabSin, tabCos);
    const int numAngle = v.numAngle, numRho = v.numRho;
    const size_t rowLen = static_cast<size_t>(numRho) + 2;
    v.accum.assign(rowLen * (numAngle + 2), 0);
    const int offset = (numRho - 1) / 2 + 1;  // rho index 0 sits one past the border
    const ptrdiff_t count = static_cast<ptrdiff_t>(pts.x.size());
    const float* px = pts.x.data();
    const float* py = pts.y.data();

    cv::parallel_for_(cv::Range(0, numAngle), [&](const cv::Range& range) {
        for (int n = range.start; n < range.end; ++n) {
            int* acc = v.accum.data() + rowLen * (n + 1) + offset;
            const float c = tabCos[n], s = tabSin[n];
            ptrdiff_t i = 0;
#if defined(__SSE2__)
            const __m128 vc = _mm_set1_ps(c), vs = _mm_set1_ps(s);
            alignas(16) int r[4];
            for (; i + 4 <= count; i += 4) {
                // x*cos + y*sin rounded half to even, each product rounded first.
                const __m128 t = _mm_add_ps(_mm_mul_ps(_mm_loadu_ps(px + i), vc), _mm_mul_ps(_mm_loadu_ps(py + i), vs));
                _mm_store_si128(reinterpret_cast<__m128i*>(r), _mm_cvtps_epi32(t));
                ++acc[r[0]];
                ++acc[r[1]];
                ++acc[r[2]];
                ++acc[r[3]];
            }
#endif
            for (; i < count; ++i) {
                const float t = px[i] * c + py[i] * s;
                ++acc[cvRound(t)];
            }
        }
    });

    // Local maxima above the lowest threshold, in OpenCV's order: by votes,
    // then by accumulator index.
    const int* accum = v.accum.data();
    const int stride = numRho + 2;
    std::vector<std::vector<int>> found(static_cast<size_t>(numAngle));
    cv::parallel_for_(cv::Range(0, numAngle), [&](const cv::Range& range) {
        for (int n = range.start; n < range.end; ++n) {
            for (int r = 0; r < numRho; ++r) {
                const int base = (n + 1) * stride + r + 1;
                const int a = accum[base];
                if (a > lowest && a > accum[base - 1] && a >= accum[base + 1] && a > accum[base - stride] &&
                    a >= accum[base + stride])
                    found[n].push_back(base);
            }
        }
    });
    v.peaks.clear();
    for (const auto& f : found)
        v.peaks.insert(v.peaks.end(), f.begin(), f.end());
    std::sort(v.peaks.begin(), v.peaks.end(),
              [accum](int l1, int l2) { return accum[l1] > accum[l2] || (accum[l1] == accum[l2] && l1 < l2); });
}

std::vector<cv::Vec2f> linesAbove(const HoughVotes& v, int threshold)
{
    std::vector<cv::Vec2f> lines;
    const double scale = 1. / (v.numRho + 2);
    for (int idx : v.peaks) {
        if (v.accum[static_cast<size_t>(idx)] <= threshold)
            continue;
        const int n = cvFloor(idx * scale) - 1;
        const int r = idx - (n + 1) * (v.numRho + 2) - 1;
        const float rho = (r - (v.numRho - 1) * 0.5f) * 1.f;
        const float angle = 0.f + n * v.theta;
        lines.emplace_back(rho, angle);
    }
    return lines;
}

std::vector<cv::Vec2f> houghLines(const cv::Mat& edges, int threshold)
{
    CV_Assert(edges.type() == CV_8UC1);
    EdgePoints pts;
    pts.cols = edges.cols;
    pts.rows = edges.rows;
    for (int y = 0; y < edges.rows; ++y) {
        const uint8_t* r = edges.ptr<uint8_t>(y);
        for (int x = 0; x < edges.cols; ++x) {
            if (r[x]) {
                pts.x.push_back(static_cast<float>(x));
                pts.y.push_back(static_cast<float>(y));
            }
        }
    }
    HoughVotes v;
    vote(pts, v, threshold);
    return linesAbove(v, threshold);
}

double calcDegree(const cv::Mat& img)
{
    CV_Assert(!img.empty());
    checkAccumulatorSize(img.cols, img.rows);
    EdgePoints pts;
    cannyPoints(img, pts);
    HoughVotes v;
    vote(pts, v, *std::min_element(std::begin(kHoughThresholds), std::end(kHoughThresholds)));
    std::vector<cv::Vec2f> lines;
    for (int threshold : kHoughThresholds) {
        lines = linesAbove(v, threshold);
        if (!lines.empty())
            break;
    }
    return skewFromLines(lines);
}

}  // namespace fast
}  // namespace vantrel
