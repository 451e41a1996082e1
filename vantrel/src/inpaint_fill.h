#pragma once
// What the two inpainting methods share: the disk of neighbours with the
// factors that depend on the offset alone, four-channel helpers, and the
// fill of one group by each method.

#include "inpaint_march.h"

#include <cmath>
#include <cstdint>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vantrel {
namespace inpainting {

typedef int32_t Lanes __attribute__((vector_size(16)));

const Colour kZero = {0.f, 0.f, 0.f, 0.f};

inline Colour magnitude(Colour v)
{
    const Lanes noSign = {0x7fffffff, 0x7fffffff, 0x7fffffff, 0x7fffffff};
    return reinterpret_cast<Colour>(reinterpret_cast<Lanes>(v) & noSign);
}

inline Colour squareRoot(Colour v)
{
#if defined(__SSE2__)
    return reinterpret_cast<Colour>(_mm_sqrt_ps(reinterpret_cast<__m128>(v)));
#else
    return Colour{std::sqrt(v[0]), std::sqrt(v[1]), std::sqrt(v[2]), std::sqrt(v[3])};
#endif
}

// Lanes of `flat` where it is set, of `other` elsewhere.
inline Colour choose(Lanes pick, Colour flat, Colour other)
{
    return reinterpret_cast<Colour>((pick & reinterpret_cast<Lanes>(flat)) | (~pick & reinterpret_cast<Lanes>(other)));
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

// Fills the group of `m` by Telea's method. `helped`: a second thread may
// compute the colours while this one marches.
void fillTelea(Marching& m, const Disk& disk, bool helped);

}  // namespace inpainting
}  // namespace vantrel
