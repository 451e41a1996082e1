#include "capture/editor/ImagePatch.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kBytesPerPixel = 3;

// Rows of `a` and `b` that differ, as flags; both images have the same size
// and format.
std::vector<bool> differingRows(const QImage& a, const QImage& b)
{
    const int rowBytes = a.width() * kBytesPerPixel;
    std::vector<bool> rows(static_cast<std::size_t>(a.height()), false);
    for (int y = 0; y < a.height(); ++y)
        rows[static_cast<std::size_t>(y)] = std::memcmp(a.constScanLine(y), b.constScanLine(y), rowBytes) != 0;
    return rows;
}

bool tileDiffers(const QImage& a, const QImage& b, const QRect& r, const std::vector<bool>& rows)
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

    const std::vector<bool> rows = differingRows(before, after);
    const int across = patch.tilesAcross();
    const int down = (patch.size_.height() + kTile - 1) / kTile;
    std::vector<std::pair<int, int>> changed;
    for (int ty = 0; ty < down; ++ty) {
        const int y0 = ty * kTile;
        const int y1 = std::min(y0 + kTile, patch.size_.height());
        if (std::none_of(rows.begin() + y0, rows.begin() + y1, [](bool r) { return r; }))
            continue;
        for (int tx = 0; tx < across; ++tx) {
            if (tileDiffers(before, after, patch.tileRect(tx, ty), rows))
                changed.emplace_back(tx, ty);
        }
    }

    std::size_t total = 0;
    for (const auto& t : changed) {
        const QRect r = patch.tileRect(t.first, t.second);
        total += static_cast<std::size_t>(r.width()) * r.height() * kBytesPerPixel;
    }
    patch.pixels_.reserve(total);
    patch.tiles_.reserve(changed.size());
    for (const auto& t : changed)
        patch.addTile(before, t.first, t.second);
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
