// The editor's history: entries kept as changed tiles or whole pictures must
// give back exactly the pixels of every state.
#include <gtest/gtest.h>

#include <QPainter>

#include <algorithm>
#include <set>
#include <utility>

#include "EditorHarness.h"
#include "capture/editor/EditHistory.h"
#include "capture/editor/ImagePatch.h"
#include "support/SyntheticPictures.h"

using editortest::samePixels;

namespace {

// Swapped into `after`, the patch gives `before`; swapped in again, `after`.
void expectSwapsBetween(ImagePatch& patch, const QImage& before, const QImage& after)
{
    QImage image = after.copy();
    ASSERT_TRUE(patch.swapWith(image));
    EXPECT_TRUE(samePixels(image, before));
    ASSERT_TRUE(patch.swapWith(image));
    EXPECT_TRUE(samePixels(image, after));
}

QImage withDot(QImage image, const QPoint& at, QColor colour)
{
    image = image.copy();
    image.setPixelColor(at, colour);
    return image;
}

}  // namespace

TEST(ImagePatch, DifferenceHoldsOnlyTheChangedTilesAndSwapsBothWays)
{
    // 130 x 70: tiles of 64 with narrower ones at the right and bottom edges.
    const QImage before = pictures::gradient(130, 70);
    QImage after = before.copy();
    after.setPixelColor(129, 69, Qt::red);   // the bottom-right edge tile (2 x 6)
    after.setPixelColor(70, 10, Qt::green);  // a full tile

    ImagePatch patch = ImagePatch::difference(before, after);
    ASSERT_TRUE(patch.isValid());
    EXPECT_EQ(patch.tileCount(), 2);
    EXPECT_EQ(patch.bytes(), static_cast<size_t>(64 * 64 * 3 + 2 * 6 * 3));
    EXPECT_EQ(patch.bounds(), QRect(64, 0, 66, 70));

    expectSwapsBetween(patch, before, after);
}

TEST(ImagePatch, LargePicturesAreComparedInBandsWithTheSameTiles)
{
    // 2100 x 1500 (9.5 MB) is compared in four bands of six rows of tiles:
    // dots on both sides of every band border, in the narrow edge column and
    // in the short bottom row, and two in one tile.
    const QImage before = pictures::gradient(2100, 1500);
    const QPoint dots[] = {{0, 0},     {5, 383},     {700, 384},   {1300, 767},  {1301, 768},
                           {64, 1151}, {2099, 1152}, {2099, 1499}, {1000, 1480}, {1001, 1481}};
    QImage after = before.copy();
    std::set<std::pair<int, int>> tiles;
    size_t bytes = 0;
    for (const QPoint& p : dots) {
        const QColor c = after.pixelColor(p);
        after.setPixelColor(p, QColor(255 - c.red(), c.green(), c.blue()));
        if (tiles.insert({p.x() / 64, p.y() / 64}).second)
            bytes += static_cast<size_t>(std::min(64, 2100 - p.x() / 64 * 64)) * std::min(64, 1500 - p.y() / 64 * 64) *
                     3;
    }

    ImagePatch patch = ImagePatch::difference(before, after);
    ASSERT_TRUE(patch.isValid());
    EXPECT_EQ(patch.tileCount(), static_cast<int>(tiles.size()));
    EXPECT_EQ(patch.bytes(), bytes);
    EXPECT_EQ(patch.bounds(), QRect(0, 0, 2100, 1500));
    expectSwapsBetween(patch, before, after);

    EXPECT_EQ(ImagePatch::difference(before, before.copy()).tileCount(), 0);
}

TEST(ImagePatch, RefusesPicturesOfAnotherSizeOrFormat)
{
    const QImage a = pictures::gradient(40, 40);
    EXPECT_FALSE(ImagePatch::difference(a, pictures::gradient(41, 40)).isValid());
    EXPECT_FALSE(ImagePatch::difference(a, a.convertToFormat(QImage::Format_RGB32)).isValid());
    // Shared pixels: valid and empty without comparing anything.
    const QImage shared = a;
    const ImagePatch none = ImagePatch::difference(a, shared);
    EXPECT_TRUE(none.isValid());
    EXPECT_TRUE(none.isEmpty());

    ImagePatch patch = ImagePatch::difference(a, withDot(a, {1, 1}, Qt::red));
    QImage other = pictures::gradient(50, 40);
    const QImage untouched = other.copy();
    EXPECT_FALSE(patch.swapWith(other));
    EXPECT_TRUE(samePixels(other, untouched));
}

TEST(ImagePatch, SavingBeforePaintingKeepsEachTileOnce)
{
    QImage image = pictures::gradient(200, 100);
    const QImage original = image.copy();
    ImagePatch patch(image.size());
    // Two overlapping areas, one reaching past the picture's edge.
    ASSERT_TRUE(patch.save(image, QRect(10, 10, 60, 20)));
    ASSERT_TRUE(patch.save(image, QRect(50, 5, 200, 10)));
    EXPECT_EQ(patch.tileCount(), 4);  // tiles (0,0), (1,0), (2,0), (3,0)
    {
        QPainter painter(&image);
        painter.fillRect(QRect(10, 10, 60, 20), Qt::black);
        painter.fillRect(QRect(50, 5, 150, 10), Qt::black);
    }
    QImage back = image;
    ASSERT_TRUE(patch.swapWith(back));
    EXPECT_TRUE(samePixels(back, original));
    // The copy that shared the pixels kept them: swapping detaches.
    EXPECT_FALSE(samePixels(image, original));
}

TEST(EditHistory, UndoAndRedoGiveBackEveryStateExactly)
{
    const QImage loaded = pictures::gradient(300, 200);
    EditHistory history;
    history.reset(loaded);
    std::vector<QImage> states{loaded.copy()};

    // A change kept as tiles, a cut kept whole, a change of the cut.
    history.pushChanges(EditHistory::kEraseOrTurn, withDot(history.image(), {150, 100}, Qt::black));
    states.push_back(history.image().copy());
    history.pushWhole(EditHistory::kCut, history.image().copy(20, 30, 100, 50));
    states.push_back(history.image().copy());
    history.pushChanges(EditHistory::kText, withDot(history.image(), {5, 5}, Qt::red));
    states.push_back(history.image().copy());

    EXPECT_EQ(history.codes(), (std::vector<int>{0, 2, 1, 6}));
    for (int i = 3; i > 0; --i) {
        ASSERT_TRUE(history.undo());
        EXPECT_TRUE(samePixels(history.image(), states[i - 1])) << "undo to state " << i - 1;
    }
    EXPECT_FALSE(history.undo());  // the first entry stays
    EXPECT_FALSE(history.canUndo());
    EXPECT_EQ(history.redoCodes(), (std::vector<int>{6, 1, 2}));
    for (int i = 1; i <= 3; ++i) {
        ASSERT_TRUE(history.redo());
        EXPECT_TRUE(samePixels(history.image(), states[i])) << "redo to state " << i;
    }
    EXPECT_FALSE(history.redo());
    EXPECT_EQ(history.codes(), (std::vector<int>{0, 2, 1, 6}));
}

TEST(EditHistory, ChangesAreWrittenIntoAnUnsharedPictureButNeverIntoACopyTakenBefore)
{
    EditHistory history;
    history.reset(pictures::gradient(300, 200));  // only the history holds it
    const QImage loaded = history.image().copy();
    const uchar* pixels = history.image().constBits();

    const QImage dotted = withDot(history.image(), {150, 100}, Qt::black);
    history.pushChanges(EditHistory::kEraseOrTurn, dotted);
    EXPECT_EQ(history.image().constBits(), pixels);  // the tile was written in
    EXPECT_TRUE(samePixels(history.image(), dotted));

    QImage taken = history.image();  // shared from now on
    history.pushChanges(EditHistory::kText, withDot(history.image(), {5, 5}, Qt::red));
    EXPECT_EQ(taken.constBits(), pixels);
    EXPECT_TRUE(samePixels(taken, dotted));
    EXPECT_EQ(history.image().pixelColor(5, 5), QColor(Qt::red));
    taken = QImage();

    // Most of the picture changed: taken over whole, not written tile by tile.
    const QImage other = pictures::flat(300, 200, QColor(9, 9, 9));
    history.pushChanges(EditHistory::kRemoveRed, other);
    EXPECT_EQ(history.image().constBits(), other.constBits());

    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(history.undo());
    EXPECT_TRUE(samePixels(history.image(), loaded));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(history.redo());
    EXPECT_TRUE(samePixels(history.image(), other));
}

TEST(EditHistory, PaintingInPlaceIsUndoneExactlyAndAClickIsDropped)
{
    const QImage loaded = pictures::gradient(256, 256);
    EditHistory history;
    history.reset(loaded);
    const QImage ownersCopy = history.image();  // an owner holding getImage()

    history.beginInPlace(EditHistory::kPen);
    ASSERT_TRUE(history.touch(QRect(100, 100, 20, 20)));
    {
        QPainter painter(&history.paintTarget());
        painter.fillRect(QRect(100, 100, 20, 20), Qt::black);
    }
    history.endInPlace();
    EXPECT_FALSE(history.touch(QRect(0, 0, 5, 5)));  // painting has ended
    EXPECT_TRUE(samePixels(ownersCopy, loaded));     // the owner's copy is untouched
    EXPECT_LE(history.keptBytes(), static_cast<size_t>(4 * 64 * 64 * 3));

    ASSERT_TRUE(history.undo());
    EXPECT_TRUE(samePixels(history.image(), loaded));

    // A press that painted nothing is taken off again.
    history.clearRedo();
    history.beginInPlace(EditHistory::kPen);
    EXPECT_EQ(history.size(), 2);
    history.dropLast();
    EXPECT_EQ(history.size(), 1);
    EXPECT_TRUE(samePixels(history.image(), loaded));
}

TEST(EditHistory, AnUndoEndsPaintingInPlace)
{
    EditHistory history;
    history.reset(pictures::gradient(64, 64));
    history.pushChanges(EditHistory::kText, withDot(history.image(), {3, 3}, Qt::black));
    history.beginInPlace(EditHistory::kPen);
    ASSERT_TRUE(history.undo());
    // The stroke's entry went to the redo list: nothing may be painted for it.
    EXPECT_FALSE(history.isPaintingInPlace());
    EXPECT_FALSE(history.touch(QRect(0, 0, 10, 10)));
}

TEST(EditHistory, ANullPictureIsAnEntryButNothingToPaint)
{
    EditHistory history;
    EXPECT_TRUE(history.isEmpty());
    history.reset(QImage());
    EXPECT_FALSE(history.isEmpty());
    EXPECT_TRUE(history.image().isNull());
    history.beginInPlace(EditHistory::kPen);
    EXPECT_FALSE(history.touch(QRect(0, 0, 5, 5)));
    history.clear();
    EXPECT_TRUE(history.isEmpty());
    EXPECT_EQ(history.size(), 0);
}
