// The private copy of a picture that the in-place operations work on
// (declared in ImageOps.h).
#include "capture/common/ImageOps.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <thread>
#include <vector>

namespace imageops {

QImage copyPixels(const QImage& image)
{
    // Below this size one thread copies as fast as several.
    constexpr qsizetype kParallelBytes = 8 * 1024 * 1024;
    constexpr int kBands = 4;
    if (image.isNull() || image.sizeInBytes() < kParallelBytes)
        return image.copy();
    QImage out(image.size(), image.format());
    if (out.isNull())
        return out;
    const std::size_t rowBytes = std::min(static_cast<std::size_t>(image.bytesPerLine()),
                                          static_cast<std::size_t>(out.bytesPerLine()));
    uchar* const target = out.bits();
    auto copyBand = [&image, &out, target, rowBytes](int band) {
        const int y0 = image.height() * band / kBands;
        const int y1 = image.height() * (band + 1) / kBands;
        for (int y = y0; y < y1; ++y)
            std::memcpy(target + static_cast<std::size_t>(y) * out.bytesPerLine(), image.constScanLine(y), rowBytes);
    };
    std::vector<std::thread> helpers;
    int started = 1;  // band 0 is this thread's
    try {
        helpers.reserve(kBands - 1);
        for (; started < kBands; ++started)
            helpers.emplace_back(copyBand, started);
    } catch (const std::exception&) {
        // No more threads: this thread copies the bands left over.
    }
    copyBand(0);
    for (int band = started; band < kBands; ++band)
        copyBand(band);
    for (std::thread& t : helpers)
        t.join();
    return out;
}

}  // namespace imageops
