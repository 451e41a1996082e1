#pragma once

#include <QImage>
#include <QRect>

#include <cstddef>
#include <deque>
#include <vector>

#include "capture/editor/ImagePatch.h"

// The undo history of the image editor: the current image, the list of the
// states that led to it and the list of states taken back by undo.
//
// Every entry carries the operation code that produced its state (0 loading,
// 1 cut, 2 erase and turn right, 4 remove red, 5 whiten, 6 text, 7 pen; 3 is
// never used). The first entry is the loaded image and is never undone; the
// editor holds an image exactly when the history is not empty (the image may
// still be null when its file could not be read).
//
// The states are not kept as whole copies. An entry keeps what undo needs to
// go back from its state to the one before: for an edit that changes the
// size or nearly every pixel (cut, turn, whiten) the whole previous image,
// for the others only the tiles that changed (ImagePatch). Undo exchanges
// those pixels with the current image and moves the entry to the redo list,
// where the same pixels then serve redo. Undo and redo give back exactly the
// pixels of each state.
//
// GUI thread only.
class EditHistory {
public:
    enum Code {
        kLoaded = 0,
        kCut = 1,
        kEraseOrTurn = 2,
        kRemoveRed = 4,
        kWhiten = 5,
        kText = 6,
        kPen = 7,
    };

    // Empties both lists; `image` becomes the only entry (code 0).
    void reset(const QImage& image);
    // Empties both lists: no image at all.
    void clear();

    bool isEmpty() const { return entries_.empty(); }
    // The current image; a null image when the history is empty.
    const QImage& image() const { return current_; }

    int size() const { return static_cast<int>(entries_.size()); }
    int redoSize() const { return static_cast<int>(redo_.size()); }
    // The codes of the entries, oldest first, and of the redo list, the
    // entry that redo brings back next at the end.
    std::vector<int> codes() const;
    std::vector<int> redoCodes() const;
    bool contains(int code) const;
    bool canUndo() const { return entries_.size() >= 2; }

    void clearRedo();

    // A new state `next` whose undo keeps the whole previous image (for
    // edits that change the size or most pixels).
    void pushWhole(int code, const QImage& next);
    // A new state `next` whose undo keeps only the tiles that changed. An
    // image of another size or format is kept like pushWhole. The current
    // image then has `next`'s pixels: when nothing else shares it, the
    // changed tiles are written into it instead of taking `next` over; a
    // copy of it taken before (getImage) never changes.
    void pushChanges(int code, const QImage& next);

    // Painting straight into the current image (the pen): beginInPlace()
    // pushes an unchanged entry; before painting an area call touch(area),
    // and paint only into that area of paintTarget() and only while touch()
    // answers true. Any other change of the history ends the painting.
    void beginInPlace(int code);
    bool touch(const QRect& area);
    QImage& paintTarget() { return current_; }
    // Ends the painting; the entry keeps what was painted.
    void endInPlace();
    bool isPaintingInPlace() const { return inPlace_; }
    // Takes the last entry off again, its pixels restored (a pen click that
    // drew nothing). Never the first entry.
    void dropLast();

    // Moves the last entry to the redo list (never the first entry).
    bool undo();
    // Moves the last entry of the redo list back.
    bool redo();

    // Pixel bytes kept by both lists for undo and redo (the current image
    // not counted).
    std::size_t keptBytes() const;

private:
    struct Entry {
        int code = kLoaded;
        bool whole = false;  // `image` holds the other whole image
        QImage image;
        ImagePatch patch;
    };

    void push(Entry entry);
    // Makes the current image byte-identical to `next` by writing the tiles
    // of `patch` (the difference of the two) into it, when nothing else
    // shares the current image and the tiles are less than half of it; false
    // when `next` should be taken over instead. Keeping the current image
    // spares releasing a page on the spot, and `next` (an operation's private
    // copy) goes back to the pool of page buffers for the next operation.
    bool takeChangedTiles(const ImagePatch& patch, const QImage& next);
    // Exchanges the entry's pixels with the current image.
    void exchange(Entry& entry);

    QImage current_;
    std::deque<Entry> entries_;
    std::deque<Entry> redo_;
    bool inPlace_ = false;
};
