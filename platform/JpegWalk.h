#pragma once

#include <QByteArray>
#include <QSize>

#include <algorithm>

class QIODevice;

// A JPEG's structure read without decoding a single coefficient: its markers
// are walked one by one, and the coded data of each scan is skipped by
// looking for the next marker (0xFF followed by a byte that is neither 0x00,
// a restart marker nor another 0xFF). What this finds bounds the work of the
// decode that follows: every scan costs time in proportion to the picture's
// blocks however few bytes it has, so the number of scans is counted before
// any decoding, and a picture with more than any real encoder writes is never
// handed to the decoder.
namespace platform::jpeg {

// The work a JPEG may ask of the decoder, bounded by what real encoders
// write. A scan costs time in proportion to the blocks it covers however few
// bytes it has: a scan of a few bytes (runs of empty blocks) still visits
// every block of its components, and a refinement of AC bands visits every
// coefficient of those bands in every block. So three things are bounded:
//
// - Scans. A baseline JPEG has one, a sequential one sent component by
//   component three or four; libjpeg's progressive scripts (cjpeg, jpegtran,
//   Qt's writer, GIMP) 6 for grey, 10 for colour and 18 for CMYK; mozjpeg
//   picks fewer than 20 from its candidates, Photoshop writes 3 to 5;
//   libjpeg-turbo's own tools stop at 500.
constexpr int kMaxScans = 20;
// - Passes over the blocks: a sequential scan or a progressive DC scan, in
//   shares of the whole picture (a scan of the luma of a 4:2:0 picture is
//   two thirds of a pass). Encoders write one (sequential, mozjpeg) or two
//   (libjpeg's progressive DC, first pass and refinement).
constexpr int kMaxBlockPasses = 3;
// - Refinements of the AC coefficients: every AC coefficient of the picture
//   refined once counts one. libjpeg refines the luma twice and the chroma
//   once (5/3 for a 4:2:0 picture, 2 for grey and CMYK), mozjpeg at most
//   three times the luma and twice the chroma (3 for grey).
constexpr int kMaxRefinements = 3;
// Measured at the largest allowed size (10000 x 10000, bench_picture_read):
// the costliest JPEG within all three bounds (libjpeg's ten scans of a flat
// picture, a DC pass and two luma refinements sent again, and first AC
// passes up to 20 scans) takes 0.8 of the whole decode of a real photo of
// that size to judge, each bound reached alone 0.6 to 0.75; a JPEG of 20
// scans of luma refinements, which a scan count alone would let through,
// took up to 1.1.

// The work of a JPEG's scans so far, against kMaxBlockPasses and
// kMaxRefinements. The walk adds each scan it finds; the decode that follows
// adds each scan libjpeg starts, so that a file changed since its walk is
// bounded all the same.
class ScanWork {
public:
    // A frame whose components' sampling factors (horizontal times
    // vertical) add up to `allBlocks`.
    void start(bool progressive, int allBlocks);
    // Adds a scan over components whose sampling factors add up to
    // `blocks`, with the spectral selection `first`..`last` and the high bit
    // `ah` of its successive approximation: false when the work goes beyond
    // a bound. A sequential scan and a progressive DC scan decode every block
    // they cover; a progressive AC refinement scan visits every coefficient
    // of its band in every block it covers, even where its data is a run of
    // empty blocks. A first AC pass over a run of empty blocks costs little
    // and is bounded by the scan count alone.
    bool add(int blocks, int first, int last, int ah);

private:
    bool progressive_ = false;
    qint64 allBlocks_ = 0;
    qint64 blockPasses_ = 0;          // in shares of allBlocks_
    qint64 refinedCoefficients_ = 0;  // in shares of allBlocks_
};

// The most bytes walked before the end-of-image marker: no JPEG of the
// largest allowed size that a camera or encoder writes comes near it.
constexpr qint64 kMaxBytes = 1LL << 30;

// The bytes of one JPEG for a walk: in memory, or streamed from a device
// through a window of a few dozen kilobytes that moves on as the walk
// releases what it has passed (a segment is at most 64 KiB). A file is read
// with read(), never mapped (a file cut short or a stick pulled out while it
// is read gives an error, not a signal that ends the program), and never
// held whole: the bytes after the end-of-image marker, such as a phone's
// motion-photo video, are mostly not read at all.
class Input {
public:
    // The bytes of a picture in memory (shared, not copied).
    explicit Input(const QByteArray& bytes);
    // A device opened for reading; offset 0 is its current position.
    explicit Input(QIODevice* device);

    // Makes the bytes [released, end) available: false when the input ends
    // before `end`, a read fails, or `end` is beyond kMaxBytes.
    bool reach(qint64 end);
    // The end of the bytes available (an offset), and the byte at `offset`
    // (available, not released), valid until the next reach().
    qint64 available() const { return base_ + window_.size(); }
    const uchar* at(qint64 offset) const
    {
        return reinterpret_cast<const uchar*>(window_.constData()) + (offset - base_);
    }
    // The bytes before `offset` are no longer needed.
    void release(qint64 offset) { released_ = std::max(released_, offset); }

    // Where the bytes come from, for the decode that follows the walk: the
    // device (and the position of offset 0 on it), or null and the bytes.
    QIODevice* device() const { return device_; }
    qint64 start() const { return start_; }
    const QByteArray& bytes() const { return window_; }

private:
    QIODevice* device_ = nullptr;
    qint64 start_ = 0;
    QByteArray window_;  // memory: all the bytes; a device: [base_, available())
    qint64 base_ = 0;
    qint64 released_ = 0;
};

enum class Structure {
    Whole,         // frame header, scans and end-of-image marker in order (as far as walked)
    NoFrame,       // no frame header with a size could be read
    Unsupported,   // arithmetic-coded, lossless, hierarchical, not 8-bit, or not 1, 3 or 4 components
    TooManyScans,  // more scans or scan work than real encoders write: refused at once
    Damaged,       // broken off or out of order: no end-of-image marker, a segment past the
                   // end of the bytes, a sequential JPEG with a component in no scan, ...
};

struct Layout {
    Structure structure = Structure::NoFrame;
    QSize size;  // as the frame header declares
    int components = 0;
    bool progressive = false;
    int scans = 0;
    // The bytes up to and including the end-of-image marker (a whole walk).
    qint64 end = 0;
    // The EXIF orientation (1 to 8) of the first APP1 Exif block before the
    // first scan; 1 when there is none or it cannot be read.
    int orientation = 1;
    // The ICC profile of the APP2 blocks before the first scan, joined.
    QByteArray iccProfile;
};

// How far a walk goes.
enum class Extent {
    Frame,  // up to the frame header: the size and coding (a header check)
    Whole,  // up to the end-of-image marker
};

// Walks the JPEG of a fresh `input` from its first byte. With Extent::Frame
// the structure is Whole when a frame header of a coding the decoder reads
// was found, and the walk stops there.
Layout walk(Input& input, Extent extent);

// The EXIF orientation in an APP1 block's bytes after "Exif\0\0" (a TIFF
// header and its directories): 1 to 8, or 0 when there is none or it cannot
// be read. As Qt's JPEG reader reads it: the first orientation tag of the
// first directories, a SHORT with one value.
int exifOrientation(const uchar* tiff, qint64 length);

}  // namespace platform::jpeg
