#pragma once

#include <QImage>

#include <cstdint>

// The page options of the cutter.
struct CutOptions {
    bool straighten = false;        // turn the page so its text lines are level
    bool removeBackground = false;  // whiten the paper behind the writing
    int quarterTurns = 0;           // -3..3, positive clockwise
};

// The cutter's processing pipeline: from the page as loaded to the picture
// shown and cut from, always by the same fixed sequence:
//   1. straighten: the skew is measured on the page as loaded and, when it is
//      not exactly 0.0, the page is turned by it;
//   2. remove background: the (straightened) page is whitened;
//   3. quarter turns: the result is turned by 90, 180 or 270 degrees.
//
// What the page as loaded gives (its skew, the straightened page, the
// whitened pages) is kept until the next page, so an option click redoes only
// the steps it changes; the result is the same, pixel for pixel, as a run
// from scratch. A step that fails keeps the picture it was given (a failed
// turn leaves the page unturned, a failed whitening leaves it unwhitened) and
// is tried again by the next run; nothing failed is kept.
//
// The slow steps run through the image-operation calls (a worker task behind
// the busy dialog, events other than user input processed meanwhile). A page
// replaced or cleared during such a wait does not receive anything computed
// for the old page: run() then returns at once, and generation() tells the
// caller to run again.
class CutPipeline {
public:
    // Takes the page (converted to Format_RGB888) and forgets everything
    // computed for the previous one.
    void setPage(const QImage& page);
    void clear();

    const QImage& page() const { return page_; }

    // The picture for `options`; null when there is no page.
    QImage run(const CutOptions& options);

    // Changes on every setPage() and clear().
    std::uint64_t generation() const { return generation_; }

    // The skew measured on the current page, when it has been measured.
    bool skewKnown() const { return skewKnown_; }
    double skew() const { return skew_; }

private:
    QImage straightened(bool& turned);
    QImage whitened(const QImage& work, bool turned);

    QImage page_;
    std::uint64_t generation_ = 0;
    bool skewKnown_ = false;
    double skew_ = 0.0;
    QImage straightened_;  // null until made (or when the page is level)
    QImage whitened_[2];   // [0] of the page, [1] of the straightened page
};
