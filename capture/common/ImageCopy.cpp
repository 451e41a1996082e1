// The private copy of a picture that the in-place operations work on
// (declared in ImageOps.h).
#include "capture/common/ImageOps.h"

#include <sys/mman.h>

#include <QPixelFormat>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <limits>
#include <thread>
#include <vector>

namespace imageops {

namespace {

// From this size on a picture's pixels get memory of their own, aligned to
// and advised for huge pages.
constexpr qsizetype kLargeBytes = 8 * 1024 * 1024;
constexpr std::size_t kHugePage = 2 * 1024 * 1024;

void releasePixels(void* pixels)
{
    std::free(pixels);
}

}  // namespace

QImage newPixels(const QSize& size, QImage::Format format)
{
    if (size.isEmpty() || format == QImage::Format_Invalid)
        return QImage();
    const int bits = QImage::toPixelFormat(format).bitsPerPixel();
    // Rows as QImage lays them out: padded to 32 bits.
    const qint64 rowBytes = ((static_cast<qint64>(size.width()) * bits + 31) >> 5) << 2;
    const qint64 bytes = rowBytes * size.height();
    if (bits <= 8 || bytes < kLargeBytes || rowBytes > std::numeric_limits<int>::max())
        return QImage(size, format);  // small, or with a colour table: Qt's own memory
    void* pixels = nullptr;
    if (posix_memalign(&pixels, kHugePage, static_cast<std::size_t>(bytes)) != 0)
        return QImage();
    // Only advice: without huge pages the memory works as any other.
    madvise(pixels, static_cast<std::size_t>(bytes) & ~(kHugePage - 1), MADV_HUGEPAGE);
    QImage image(static_cast<uchar*>(pixels), size.width(), size.height(), static_cast<int>(rowBytes), format,
                 releasePixels, pixels);
    if (image.isNull())
        std::free(pixels);
    return image;
}

QImage copyPixels(const QImage& image)
{
    // Below this size one thread copies as fast as several.
    constexpr qsizetype kParallelBytes = 8 * 1024 * 1024;
    constexpr int kBands = 4;
    if (image.isNull() || image.sizeInBytes() < kParallelBytes)
        return image.copy();
    QImage out = newPixels(image.size(), image.format());
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
