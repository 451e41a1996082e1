// The private copy of a picture that the in-place operations work on
// (declared in ImageOps.h).
#include "capture/common/Bands.h"
#include "capture/common/ImageOps.h"
#include "capture/common/PixelPool.h"

#include <QPixelFormat>

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace imageops {

namespace {

// From this size on a picture's pixels come from the pool of page buffers.
constexpr qsizetype kLargeBytes = 8 * 1024 * 1024;

// What a pooled picture's clean-up needs to hand its buffer back.
struct PooledPixels {
    void* pixels = nullptr;
    std::size_t capacity = 0;
};

// Runs when the last copy of the picture goes away: only then may the
// buffer serve another picture.
void releasePixels(void* info)
{
    auto* pooled = static_cast<PooledPixels*>(info);
    pixelpool::give(pooled->pixels, pooled->capacity);
    delete pooled;
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
    auto* pooled = new (std::nothrow) PooledPixels;
    if (!pooled)
        return QImage();
    pooled->pixels = pixelpool::take(static_cast<std::size_t>(bytes), pooled->capacity);
    if (!pooled->pixels) {
        delete pooled;
        return QImage();
    }
    QImage image(static_cast<uchar*>(pooled->pixels), size.width(), size.height(), static_cast<int>(rowBytes), format,
                 releasePixels, pooled);
    if (image.isNull())
        releasePixels(pooled);
    return image;
}

void prepareSpareFor(const QImage& like)
{
    if (like.isNull() || like.sizeInBytes() < kLargeBytes)
        return;
    // A spare that fits is handed out here and given back unchanged when
    // `spare` goes; otherwise a fresh buffer is touched once per page and
    // stays as the spare.
    QImage spare = newPixels(like.size(), like.format());
    if (spare.isNull())
        return;
    constexpr qsizetype kPage = 4096;
    uchar* const pixels = spare.bits();
    for (qsizetype at = 0; at < spare.sizeInBytes(); at += kPage)
        pixels[at] = 0;
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
    const std::size_t targetStride = static_cast<std::size_t>(out.bytesPerLine());
    inBands(image.height(), kBands, [&image, target, targetStride, rowBytes](int, int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            std::memcpy(target + static_cast<std::size_t>(y) * targetStride, image.constScanLine(y), rowBytes);
    });
    return out;
}

}  // namespace imageops
