#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

#include <cstddef>
#include <vector>

// Some square tiles of an image's pixels: what an edit changed, kept so that
// the edit can be taken back and done again without a copy of the whole
// image.
//
// A patch is built either by comparing the image before and after an edit
// (difference), or while painting in place: save() is called with every area
// before it is painted over. Either way the patch holds the "other" pixels of
// its tiles; swapWith() exchanges them with the image's, so applying it once
// gives back the image as it was when the pixels were taken, and applying it
// again gives the edited image back, byte for byte.
//
// Only images of Format_RGB888 of the size the patch was made for are
// accepted; the tiles are 64 x 64 pixels (smaller at the right and bottom
// edges), aligned to the image's top-left corner.
//
// difference() and save() allocate and may throw std::bad_alloc; a failing
// save() keeps every tile taken before the one that failed, and that one is
// taken again by the next save() of its area.
class ImagePatch {
public:
    static constexpr int kTile = 64;

    ImagePatch() = default;

    // The tiles in which `before` and `after` differ, holding `before`'s
    // pixels. Both must be Format_RGB888 of the same size; otherwise the
    // patch stays empty and invalid (isValid() false). Images that share
    // their pixels give an empty, valid patch at no cost.
    static ImagePatch difference(const QImage& before, const QImage& after);

    // Starts an empty patch for in-place painting of an image of `size`.
    explicit ImagePatch(const QSize& size);

    // Takes the pixels of every tile of `image` that overlaps `area` and is
    // not held yet; call it before painting into `area`. False when the image
    // is not the patch's size or format.
    bool save(const QImage& image, const QRect& area);

    // Exchanges the held pixels with the image's (the image is detached from
    // any shared copy first). False, nothing changed, when the image is not
    // the patch's size or format.
    bool swapWith(QImage& image);

    // Copies the pixels of the held tiles from `source` into `target` (which
    // is detached from any shared copy first). After difference(before,
    // after) this makes `before` byte-identical to `after` by writing only
    // the tiles that differ. False, nothing written, when either image is not
    // the patch's size or format.
    bool copyTiles(const QImage& source, QImage& target) const;

    bool isValid() const { return size_.isValid(); }
    bool isEmpty() const { return tiles_.empty(); }
    int tileCount() const { return static_cast<int>(tiles_.size()); }
    // Pixel bytes held.
    std::size_t bytes() const { return pixels_.size(); }
    // The bounding rectangle of the held tiles (empty for an empty patch).
    QRect bounds() const;

    // Gives back unused capacity once no more tiles will be added.
    void squeeze();

private:
    struct Tile {
        QRect rect;
        std::size_t offset = 0;  // into pixels_, rows packed at rect.width() * 3 bytes
    };

    bool fits(const QImage& image) const;
    int tilesAcross() const { return (size_.width() + kTile - 1) / kTile; }
    QRect tileRect(int tx, int ty) const;
    void addTile(const QImage& image, int tx, int ty);

    QSize size_;
    std::vector<Tile> tiles_;
    std::vector<unsigned char> pixels_;
    std::vector<bool> held_;  // by tile index ty * tilesAcross() + tx
};
