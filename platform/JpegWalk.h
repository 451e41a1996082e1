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

// The most scans (start-of-scan markers) a JPEG may have.
//
// Real encoders write few: a baseline JPEG has one, a sequential one sent
// component by component three or four, libjpeg's progressive scripts (cjpeg,
// jpegtran, Qt's writer, GIMP) 6 for grey, 10 for colour and 18 for CMYK,
// Photoshop's progressive JPEGs 3 to 5; libjpeg-turbo's own tools stop at
// 500. The bound is what a scan costs: a scan of a few bytes (end-of-band
// runs) still visits every block of its components, and refining all 63 AC
// bands of a component visits every coefficient of every block. Measured at
// the largest allowed size (10000 x 10000, bench_picture_read): judging a
// flat progressive picture's own ten scans takes 0.67 of the whole decode of
// a real photo of that size, and each refinement scan sent again adds about
// a fortieth of it (a DC scan a fiftieth, a first AC pass a hundred and
// fiftieth), so that a JPEG of 20 such scans takes about 0.9 of the photo's
// decode to judge, one of 24 already longer. Twenty keeps every encoder
// above and bounds every JPEG of an allowed size to less than the decode of
// a real photo of that size.
constexpr int kMaxScans = 20;

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
    TooManyScans,  // more than kMaxScans scans: refused at once
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
