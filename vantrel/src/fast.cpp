// Fused, multi-threaded versions of the cleaning and turning operations.
// Each gives exactly the result of its OpenCV chain in reference.cpp.
#include "internal.h"
#include "parallel.h"

#include <opencv2/imgproc.hpp>
#include <opencv2/photo.hpp>

#include <algorithm>
#include <atomic>
#include <cfloat>
#include <cstdint>
#include <cstring>
#include <mutex>

namespace vantrel {
namespace {

// ---- Otsu's level from a histogram, as OpenCV's threshold computes it ----
int otsuLevel(const int64_t hist[256], int64_t total)
{
    double mu = 0;
    const double scale = 1. / static_cast<double>(total);
    for (int i = 0; i < 256; ++i)
        mu += i * static_cast<double>(hist[i]);
    mu *= scale;
    double mu1 = 0, q1 = 0, maxSigma = 0;
    int level = 0;
    for (int i = 0; i < 256; ++i) {
        const double p = static_cast<double>(hist[i]) * scale;
        mu1 *= q1;
        q1 += p;
        const double q2 = 1. - q1;
        if (std::min(q1, q2) < FLT_EPSILON || std::max(q1, q2) > 1. - FLT_EPSILON)
            continue;
        mu1 = (mu1 + i * p) / q1;
        const double mu2 = (mu - q1 * mu1) / q2;
        const double sigma = q1 * q2 * (mu1 - mu2) * (mu1 - mu2);
        if (sigma > maxSigma) {
            maxSigma = sigma;
            level = i;
        }
    }
    return level;
}

inline int reflect101(int i, int n)
{
    if (n == 1)
        return 0;
    if (i < 0)
        return -i;
    if (i >= n)
        return 2 * n - 2 - i;
    return i;
}

// Grey value with the BGR weights applied to the bytes as they lie.
void greyRow(const uint8_t* p, int cols, uint16_t* out)
{
    for (int x = 0; x < cols; ++x)
        out[x] = static_cast<uint16_t>((p[3 * x] * 3735 + p[3 * x + 1] * 19235 + p[3 * x + 2] * 9798 + 16384) >> 15);
}

// ---- grey-world gains ----
constexpr int kSumPiece = 1 << 24;

struct Gains {
    double mean[3];
    uint8_t lut[3][256];
};

void channelGains(const cv::Mat& img, Gains& g)
{
    std::mutex lock;
    uint64_t sums[3] = {0, 0, 0};
    forStripes(img.rows, stripeCount(img.rows), [&](int y0, int y1, int) {
        uint64_t s[3] = {0, 0, 0};
        for (int y = y0; y < y1; ++y) {
            const uint8_t* p = img.ptr<uint8_t>(y);
            // 32-bit sums for speed, over pieces of a row short enough that
            // 255 per pixel cannot wrap them (2^24 * 255 < 2^32).
            for (int x0 = 0; x0 < img.cols; x0 += kSumPiece) {
                const int x1 = img.cols - x0 > kSumPiece ? x0 + kSumPiece : img.cols;
                uint32_t r[3] = {0, 0, 0};
                for (int x = x0; x < x1; ++x) {
                    r[0] += p[3 * x];
                    r[1] += p[3 * x + 1];
                    r[2] += p[3 * x + 2];
                }
                for (int c = 0; c < 3; ++c)
                    s[c] += r[c];
            }
        }
        std::lock_guard<std::mutex> guard(lock);
        for (int c = 0; c < 3; ++c)
            sums[c] += s[c];
    });
    const double total = static_cast<double>(img.total());
    for (int c = 0; c < 3; ++c)
        g.mean[c] = static_cast<double>(sums[c]) * (1. / total);  // as cv::mean scales its sum
    cv::Mat ramp(1, 256, CV_8U);
    for (int i = 0; i < 256; ++i)
        ramp.at<uint8_t>(i) = static_cast<uint8_t>(i);
    for (int c = 0; c < 3; ++c) {
        cv::Mat table = ramp.clone();
        if (g.mean[c] != 0) {
            const double gain = (g.mean[0] + g.mean[1] + g.mean[2]) / (3 * g.mean[c]);
            // The same conversion the channel would go through, applied to every byte value.
            ramp.convertTo(table, CV_8U, gain);
        }
        std::memcpy(g.lut[c], table.ptr(), 256);
    }
}

// ---- HSV test of the red marks, in OpenCV's 8-bit integer arithmetic ----
struct HsvTables {
    int sdiv[256];
    int hdiv[256];
    HsvTables()
    {
        sdiv[0] = hdiv[0] = 0;
        for (int i = 1; i < 256; ++i) {
            sdiv[i] = cv::saturate_cast<int>((255 << 12) / (1. * i));
            hdiv[i] = cv::saturate_cast<int>((180 << 12) / (6. * i));
        }
    }
};

// Hue 0..30 or 140..180, saturation >= 10, value >= 40; r, g, b already balanced.
inline bool isRed(int r, int g, int b, const HsvTables& t)
{
    const int v = std::max(std::max(r, g), b);
    if (v < 40)
        return false;
    const int vmin = std::min(std::min(r, g), b);
    const int diff = v - vmin;
    const int s = (diff * t.sdiv[v] + (1 << 11)) >> 12;
    if (s < 10)
        return false;
    const int vr = v == r ? -1 : 0;
    const int vg = v == g ? -1 : 0;
    int h = (vr & (g - b)) + (~vr & ((vg & (b - r + 2 * diff)) + ((~vg) & (r - g + 4 * diff))));
    h = (h * t.hdiv[diff] + (1 << 11)) >> 12;
    h += h < 0 ? 180 : 0;
    return h <= 30 || h >= 140;
}

// The half turn: every row of the result is a source row read backwards,
// written straight into dst. Rows are taken in pairs (y and its mirror row),
// so that the turn also works when src and dst are the same pixels.
void halfTurn(const cv::Mat& src, cv::Mat& dst)
{
    if (dst.size() != src.size())
        return;  // a destination of another size is never written
    const int rows = src.rows, cols = src.cols;
    const bool same = src.data == dst.data && src.step == dst.step;
    const int pairs = (rows + 1) / 2;
    forStripes(pairs, stripeCount(pairs, 8), [&](int y0, int y1, int) {
        std::vector<uint8_t> spare(same ? static_cast<size_t>(cols) * 3 : 0);
        // A row backwards. Between the ends a pixel moves as four bytes: the
        // fourth read is the next source pixel's first, the fourth written is
        // overwritten by the next pixel; the ends move three bytes so that
        // nothing past either row is touched.
        auto mirror = [cols](const uint8_t* s, uint8_t* d) {
            const uint8_t* q = s + static_cast<size_t>(cols - 1) * 3;
            std::memcpy(d, q, 3);
            for (int x = 1; x + 1 < cols; ++x) {
                uint32_t pixel;
                std::memcpy(&pixel, s + static_cast<size_t>(cols - 1 - x) * 3, 4);
                std::memcpy(d + static_cast<size_t>(x) * 3, &pixel, 4);
            }
            if (cols > 1)
                std::memcpy(d + static_cast<size_t>(cols - 1) * 3, s, 3);
        };
        for (int y = y0; y < y1; ++y) {
            const int z = rows - 1 - y;
            const uint8_t* top = src.ptr<uint8_t>(y);
            if (same) {
                std::memcpy(spare.data(), top, spare.size());
                top = spare.data();
            }
            if (z == y) {
                mirror(top, dst.ptr<uint8_t>(y));
            } else {
                mirror(src.ptr<uint8_t>(z), dst.ptr<uint8_t>(y));
                mirror(top, dst.ptr<uint8_t>(z));
            }
        }
    });
}

}  // namespace

namespace fast {

void threshold(cv::Mat& img)
{
    CV_Assert(!img.empty());
    const int rows = img.rows, cols = img.cols;
    cv::Mat blurred(rows, cols, CV_8U);
    const int stripes = stripeCount(rows);
    std::vector<int64_t> hists(static_cast<size_t>(stripes) * 256, 0);

    forStripes(rows, stripes, [&](int y0, int y1, int stripe) {
        int64_t* hist = &hists[static_cast<size_t>(stripe) * 256];
        std::vector<uint16_t> buf(static_cast<size_t>(cols) * 3);
        std::vector<uint16_t> vsum(static_cast<size_t>(cols) + 2);
        uint16_t* ring[3] = {&buf[0], &buf[cols], &buf[2 * static_cast<size_t>(cols)]};
        int ringRow[3] = {-1, -1, -1};
        auto greyOf = [&](int y) -> const uint16_t* {
            const int slot = y % 3;
            if (ringRow[slot] != y) {
                greyRow(img.ptr<uint8_t>(y), cols, ring[slot]);
                ringRow[slot] = y;
            }
            return ring[slot];
        };
        for (int y = y0; y < y1; ++y) {
            const uint16_t* a = greyOf(reflect101(y - 1, rows));
            const uint16_t* b = greyOf(y);
            const uint16_t* c = greyOf(reflect101(y + 1, rows));
            uint16_t* v = &vsum[1];
            for (int x = 0; x < cols; ++x)
                v[x] = static_cast<uint16_t>(a[x] + 2 * b[x] + c[x]);
            v[-1] = v[reflect101(-1, cols)];
            v[cols] = v[reflect101(cols, cols)];
            uint8_t* out = blurred.ptr<uint8_t>(y);
            for (int x = 0; x < cols; ++x) {
                const int g = (v[x - 1] + 2 * v[x] + v[x + 1] + 8) >> 4;
                out[x] = static_cast<uint8_t>(g);
                ++hist[g];
            }
        }
    });

    int64_t hist[256] = {};
    for (int s = 0; s < stripes; ++s)
        for (int i = 0; i < 256; ++i)
            hist[i] += hists[static_cast<size_t>(s) * 256 + i];
    const int level = otsuLevel(hist, static_cast<int64_t>(rows) * cols);

    forStripes(rows, stripeCount(rows), [&](int y0, int y1, int) {
        for (int y = y0; y < y1; ++y) {
            const uint8_t* g = blurred.ptr<uint8_t>(y);
            uint8_t* p = img.ptr<uint8_t>(y);
            for (int x = 0; x < cols; ++x) {
                if (g[x] > level) {
                    p[3 * x] = 255;
                    p[3 * x + 1] = 255;
                    p[3 * x + 2] = 255;
                }
            }
        }
    });
}

int colorBalance(cv::Mat& img)
{
    CV_Assert(!img.empty());
    Gains g;
    channelGains(img, g);
    forStripes(img.rows, stripeCount(img.rows), [&](int y0, int y1, int) {
        for (int y = y0; y < y1; ++y) {
            uint8_t* p = img.ptr<uint8_t>(y);
            for (int x = 0; x < img.cols; ++x) {
                p[3 * x] = g.lut[0][p[3 * x]];
                p[3 * x + 1] = g.lut[1][p[3 * x + 1]];
                p[3 * x + 2] = g.lut[2][p[3 * x + 2]];
            }
        }
    });
    return 0;
}

bool redMask(const cv::Mat& img, cv::Mat& mask)
{
    CV_Assert(!img.empty());
    Gains g;
    channelGains(img, g);
    const HsvTables t;
    // First only look whether there is any red at all: a page without red
    // marks needs no mask.
    std::atomic<bool> any(false);
    forStripes(img.rows, stripeCount(img.rows), [&](int y0, int y1, int) {
        for (int y = y0; y < y1 && !any.load(std::memory_order_relaxed); ++y) {
            const uint8_t* p = img.ptr<uint8_t>(y);
            for (int x = 0; x < img.cols; ++x) {
                if (isRed(g.lut[0][p[3 * x]], g.lut[1][p[3 * x + 1]], g.lut[2][p[3 * x + 2]], t)) {
                    any = true;
                    break;
                }
            }
        }
    });
    if (!any)
        return false;
    mask.create(img.size(), CV_8U);
    forStripes(img.rows, stripeCount(img.rows), [&](int y0, int y1, int) {
        for (int y = y0; y < y1; ++y) {
            const uint8_t* p = img.ptr<uint8_t>(y);
            uint8_t* m = mask.ptr<uint8_t>(y);
            for (int x = 0; x < img.cols; ++x)
                m[x] = isRed(g.lut[0][p[3 * x]], g.lut[1][p[3 * x + 1]], g.lut[2][p[3 * x + 2]], t) ? 255 : 0;
        }
    });
    return true;
}

int deleteRed(cv::Mat& img)
{
    cv::Mat mask;
    if (!redMask(img, mask))
        return 0;  // inpainting under an empty mask changes nothing
    cv::dilate(mask, mask, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(3, 3)), cv::Point(-1, -1), 1,
               cv::BORDER_CONSTANT, cv::morphologyDefaultBorderValue());
    inpaint(img, mask, 3, cv::INPAINT_NS);
    return 0;
}

void eraserRect(cv::Mat& img, _myRect rect)
{
    cv::Rect box;
    if (!eraseArea(img.size(), rect, box))
        return;
    cv::Mat area = img(box);
    cv::Mat mask;
    ref::inkMask(area, mask);
    inpaint(area, mask, 10, cv::INPAINT_TELEA);
    cv::medianBlur(area, area, 3);
}

void rotate(const cv::Mat& src, cv::Mat& dst, int type)
{
    if (type == 2) {
        halfTurn(src, dst);
        return;
    }
    if (type < 1 || type > 3)
        return;
    if (dst.cols != src.rows || dst.rows != src.cols)
        return;  // a destination of another size is never written
    const int rows = src.rows, cols = src.cols;
    constexpr int kTile = 64;
    // dst(r, c) = src(rows-1-c, r) for a clockwise turn, src(c, cols-1-r) counter-clockwise.
    forStripes((dst.rows + kTile - 1) / kTile, stripeCount(dst.rows / kTile, 1), [&](int b0, int b1, int) {
        for (int rb = b0 * kTile; rb < std::min(b1 * kTile, dst.rows); rb += kTile) {
            const int re = std::min(rb + kTile, dst.rows);
            for (int cb = 0; cb < dst.cols; cb += kTile) {
                const int ce = std::min(cb + kTile, dst.cols);
                for (int r = rb; r < re; ++r) {
                    uint8_t* d = dst.ptr<uint8_t>(r);
                    if (type == 1) {
                        const uint8_t* s = src.data + static_cast<size_t>(r) * 3;
                        for (int c = cb; c < ce; ++c) {
                            const uint8_t* q = s + static_cast<size_t>(rows - 1 - c) * src.step;
                            d[3 * c] = q[0];
                            d[3 * c + 1] = q[1];
                            d[3 * c + 2] = q[2];
                        }
                    } else {
                        const uint8_t* s = src.data + static_cast<size_t>(cols - 1 - r) * 3;
                        for (int c = cb; c < ce; ++c) {
                            const uint8_t* q = s + static_cast<size_t>(c) * src.step;
                            d[3 * c] = q[0];
                            d[3 * c + 1] = q[1];
                            d[3 * c + 2] = q[2];
                        }
                    }
                }
            }
        }
    });
}

void rotateAngle(const cv::Mat& src, cv::Mat& dst, float angle)
{
    const TurnLayout l = turnLayout(src.cols, src.rows, angle);
    // Coordinates are kept in 16 bits as OpenCV's warp keeps them; very
    // large work areas go the long way.
    if (src.empty() || l.areaW > 30000 || l.areaH > 30000) {
        ref::rotateAngle(src, dst, angle);
        return;
    }
    if (dst.cols != l.outW || dst.rows != l.outH)
        return;  // a destination of another size is never written

    // The turn about the work area's centre, inverted exactly as the warp
    // inverts it, and mapped in the same 1/1024 and 1/32 pixel fixed point,
    // so every result pixel samples the same spot with the same weights as
    // the turn of the padded work area would.
    const cv::Point2f centre(static_cast<float>(l.areaW / 2), static_cast<float>(l.areaH / 2));
    const cv::Mat rot = cv::getRotationMatrix2D(centre, angle, 1.0);
    double m[6];
    for (int i = 0; i < 6; ++i)
        m[i] = rot.at<double>(i / 3, i % 3);
    {
        double d = m[0] * m[4] - m[1] * m[3];
        d = d != 0 ? 1. / d : 0;
        const double a11 = m[4] * d, a22 = m[0] * d;
        m[0] = a11;
        m[1] *= -d;
        m[3] *= -d;
        m[4] = a22;
        const double b1 = -m[0] * m[2] - m[1] * m[5];
        const double b2 = -m[3] * m[2] - m[4] * m[5];
        m[2] = b1;
        m[5] = b2;
    }
    constexpr int kAbBits = 10, kAbScale = 1 << kAbBits, kInterBits = 5, kInterMask = (1 << kInterBits) - 1;
    constexpr int kRoundDelta = kAbScale / (1 << kInterBits) / 2;
    std::vector<int> adelta(static_cast<size_t>(l.outW)), bdelta(static_cast<size_t>(l.outW));
    for (int x = 0; x < l.outW; ++x) {
        const int u = x + l.cropX;
        adelta[x] = cv::saturate_cast<int>(m[0] * u * kAbScale);
        bdelta[x] = cv::saturate_cast<int>(m[3] * u * kAbScale);
    }

    const int cols = src.cols, rows = src.rows;
    const int padLeft = l.padLeft, padTop = l.padTop;
    forStripes(l.outH, stripeCount(l.outH, 8), [&](int y0, int y1, int) {
        static const uint8_t kBlack[3] = {0, 0, 0};
        for (int y = y0; y < y1; ++y) {
            const int v = y + l.cropY;
            const int x0 = cv::saturate_cast<int>((m[1] * v + m[2]) * kAbScale) + kRoundDelta;
            const int yy0 = cv::saturate_cast<int>((m[4] * v + m[5]) * kAbScale) + kRoundDelta;
            uint8_t* out = dst.ptr<uint8_t>(y);
            for (int x = 0; x < l.outW; ++x) {
                const int X = (x0 + adelta[x]) >> (kAbBits - kInterBits);
                const int Y = (yy0 + bdelta[x]) >> (kAbBits - kInterBits);
                const int sx = (X >> kInterBits) - padLeft;
                const int sy = (Y >> kInterBits) - padTop;
                const int fx = X & kInterMask, fy = Y & kInterMask;
                uint8_t* o = out + 3 * x;
                if (sx >= 0 && sy >= 0 && sx + 1 < cols && sy + 1 < rows) {
                    const uint8_t* p0 = src.ptr<uint8_t>(sy) + 3 * sx;
                    const uint8_t* p1 = p0 + src.step;
                    const int w00 = (32 - fy) * (32 - fx) * 32, w01 = (32 - fy) * fx * 32;
                    const int w10 = fy * (32 - fx) * 32, w11 = fy * fx * 32;
                    for (int k = 0; k < 3; ++k)
                        o[k] = static_cast<uint8_t>(
                            (p0[k] * w00 + p0[k + 3] * w01 + p1[k] * w10 + p1[k + 3] * w11 + (1 << 14)) >> 15);
                } else if (sx >= cols || sx + 1 < 0 || sy >= rows || sy + 1 < 0) {
                    o[0] = o[1] = o[2] = 0;
                } else {
                    const bool in0 = sy >= 0, in1 = sy + 1 < rows, inL = sx >= 0, inR = sx + 1 < cols;
                    const uint8_t* p00 = in0 && inL ? src.ptr<uint8_t>(sy) + 3 * sx : kBlack;
                    const uint8_t* p01 = in0 && inR ? src.ptr<uint8_t>(sy) + 3 * (sx + 1) : kBlack;
                    const uint8_t* p10 = in1 && inL ? src.ptr<uint8_t>(sy + 1) + 3 * sx : kBlack;
                    const uint8_t* p11 = in1 && inR ? src.ptr<uint8_t>(sy + 1) + 3 * (sx + 1) : kBlack;
                    const int w00 = (32 - fy) * (32 - fx) * 32, w01 = (32 - fy) * fx * 32;
                    const int w10 = fy * (32 - fx) * 32, w11 = fy * fx * 32;
                    for (int k = 0; k < 3; ++k)
                        o[k] = static_cast<uint8_t>(
                            (p00[k] * w00 + p01[k] * w01 + p10[k] * w10 + p11[k] * w11 + (1 << 14)) >> 15);
                }
            }
        }
    });
}

}  // namespace fast
}  // namespace vantrel
