#include "capture/editor/ImagePatch.h"

#include <algorithm>
#include <cstring>

#include "capture/common/Bands.h"

namespace {

constexpr int kBytesPerPixel = 3;
// From this size the two images are compared in a few bands side by side.
constexpr qsizetype kParallelBytes = 8 * 1024 * 1024;
constexpr int kBands = 4;

bool tileDiffers(const QImage& a, const QImage& b, const QRect& r, const std::vector<unsigned char>& rows)
{
    const std::size_t offset = static_cast<std::size_t>(r.x()) * kBytesPerPixel;
    const std::size_t length = static_cast<std::size_t>(r.width()) * kBytesPerPixel;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        if (rows[static_cast<std::size_t>(y)] &&
            std::memcmp(a.constScanLine(y) + offset, b.constScanLine(y) + offset, length) != 0)
            return true;
    }
    return false;
}

}  // namespace

ImagePatch::ImagePatch(const QSize& size) : size_(size) {}

ImagePatch ImagePatch::difference(const QImage& before, const QImage& after)
{
    ImagePatch patch;
    if (before.format() != QImage::Format_RGB888 || after.format() != QImage::Format_RGB888 ||
        before.size() != after.size() || before.isNull())
        return patch;
    patch.size_ = before.size();
    if (before.constBits() == after.constBits())
        return patch;  // the very same pixels: nothing changed

    const int across = patch.tilesAcross();
    const int down = (patch.size_.height() + kTile - 1) / kTile;
    const std::size_t rowBytes = static_cast<std::size_t>(patch.size_.width()) * kBytesPerPixel;
    // One flag per row (differs) and per tile (changed), taken before the
    // bands start: they must not allocate. Bytes, not bits, so that bands
    // never write into the same byte.
    std::vector<unsigned char> rows(static_cast<std::size_t>(patch.size_.height()), 0);
    std::vector<unsigned char> changed(static_cast<std::size_t>(across) * down, 0);
    // Each band takes whole rows of tiles: its rows are compared once, and
    // only those that differ are looked at again tile by tile.
    auto compare = [&](int, int ty0, int ty1) {
        for (int ty = ty0; ty < ty1; ++ty) {
            const int y0 = ty * kTile;
            const int y1 = std::min(y0 + kTile, patch.size_.height());
            bool any = false;
            for (int y = y0; y < y1; ++y) {
                const bool differs = std::memcmp(before.constScanLine(y), after.constScanLine(y), rowBytes) != 0;
                rows[static_cast<std::size_t>(y)] = differs;
                any = any || differs;
            }
            if (!any)
                continue;
            for (int tx = 0; tx < across; ++tx)
                changed[static_cast<std::size_t>(ty) * across + tx] = tileDiffers(before, after, patch.tileRect(tx, ty),
                                                                                  rows);
        }
    };
    imageops::inBands(down, before.sizeInBytes() >= kParallelBytes ? kBands : 1, compare);

    std::size_t total = 0;
    std::size_t count = 0;
    for (int ty = 0; ty < down; ++ty) {
        for (int tx = 0; tx < across; ++tx) {
            if (!changed[static_cast<std::size_t>(ty) * across + tx])
                continue;
            const QRect r = patch.tileRect(tx, ty);
            total += static_cast<std::size_t>(r.width()) * r.height() * kBytesPerPixel;
            ++count;
        }
    }
    patch.pixels_.reserve(total);
    patch.tiles_.reserve(count);
    for (int ty = 0; ty < down; ++ty) {
        for (int tx = 0; tx < across; ++tx) {
            if (changed[static_cast<std::size_t>(ty) * across + tx])
                patch.addTile(before, tx, ty);
        }
    }
    return patch;
}

bool ImagePatch::fits(const QImage& image) const
{
    return size_.isValid() && image.format() == QImage::Format_RGB888 && image.size() == size_;
}

QRect ImagePatch::tileRect(int tx, int ty) const
{
    const int x = tx * kTile;
    const int y = ty * kTile;
    return QRect(x, y, std::min(kTile, size_.width() - x), std::min(kTile, size_.height() - y));
}

void ImagePatch::addTile(const QImage& image, int tx, int ty)
{
    const QRect r = tileRect(tx, ty);
    Tile tile;
    tile.rect = r;
    tile.offset = pixels_.size();
    const std::size_t rowBytes = static_cast<std::size_t>(r.width()) * kBytesPerPixel;
    // Both allocations first, so that a failing one leaves the patch as it
    // was.
    tiles_.reserve(tiles_.size() + 1);
    pixels_.resize(pixels_.size() + rowBytes * static_cast<std::size_t>(r.height()));
    unsigned char* out = pixels_.data() + tile.offset;
    for (int y = r.top(); y <= r.bottom(); ++y, out += rowBytes)
        std::memcpy(out, image.constScanLine(y) + static_cast<std::size_t>(r.x()) * kBytesPerPixel, rowBytes);
    tiles_.push_back(tile);
}

bool ImagePatch::save(const QImage& image, const QRect& area)
{
    if (!fits(image))
        return false;
    const QRect clipped = area.intersected(QRect(QPoint(0, 0), size_));
    if (clipped.isEmpty())
        return true;
    const int across = tilesAcross();
    const int down = (size_.height() + kTile - 1) / kTile;
    if (held_.empty())
        held_.assign(static_cast<std::size_t>(across) * down, false);
    for (int ty = clipped.top() / kTile; ty <= clipped.bottom() / kTile; ++ty) {
        for (int tx = clipped.left() / kTile; tx <= clipped.right() / kTile; ++tx) {
            const std::size_t index = static_cast<std::size_t>(ty) * across + tx;
            if (held_[index])
                continue;
            addTile(image, tx, ty);
            held_[index] = true;
        }
    }
    return true;
}

bool ImagePatch::swapWith(QImage& image)
{
    if (!fits(image))
        return false;
    if (tiles_.empty())
        return true;
    uchar* bits = image.bits();  // detaches from every shared copy
    if (!bits)
        return false;
    const std::size_t stride = static_cast<std::size_t>(image.bytesPerLine());
    for (const Tile& tile : tiles_) {
        const QRect& r = tile.rect;
        const std::size_t rowBytes = static_cast<std::size_t>(r.width()) * kBytesPerPixel;
        unsigned char* held = pixels_.data() + tile.offset;
        unsigned char* row = bits + static_cast<std::size_t>(r.y()) * stride +
                             static_cast<std::size_t>(r.x()) * kBytesPerPixel;
        for (int y = 0; y < r.height(); ++y, held += rowBytes, row += stride)
            std::swap_ranges(held, held + rowBytes, row);
    }
    return true;
}

bool ImagePatch::copyTiles(const QImage& source, QImage& target) const
{
    if (!fits(source) || !fits(target))
        return false;
    if (tiles_.empty())
        return true;
    uchar* bits = target.bits();  // detaches from every shared copy
    if (!bits)
        return false;
    const std::size_t stride = static_cast<std::size_t>(target.bytesPerLine());
    for (const Tile& tile : tiles_) {
        const QRect& r = tile.rect;
        const std::size_t offset = static_cast<std::size_t>(r.x()) * kBytesPerPixel;
        const std::size_t rowBytes = static_cast<std::size_t>(r.width()) * kBytesPerPixel;
        for (int y = r.top(); y <= r.bottom(); ++y)
            std::memcpy(bits + static_cast<std::size_t>(y) * stride + offset, source.constScanLine(y) + offset,
                        rowBytes);
    }
    return true;
}

QRect ImagePatch::bounds() const
{
    QRect all;
    for (const Tile& tile : tiles_)
        all |= tile.rect;
    return all;
}

void ImagePatch::squeeze()
{
    pixels_.shrink_to_fit();
    tiles_.shrink_to_fit();
}
