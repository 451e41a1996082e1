#pragma once

#include <QSize>

class QIODevice;

// JPEG files read with libjpeg itself, which says what the decoder behind
// QImageReader keeps to itself: a scan cut short (the decoder pads it with
// grey and warns "premature end of data segment"), a file that ends before
// its end-of-image marker, corrupt coded data.
namespace platform::jpeg {

struct Header {
    bool ok = false;  // false: no JPEG header could be read
    QSize size;
    int components = 0;
    bool progressive = false;
};

// The frame header of the JPEG at the device's current position.
Header readHeader(QIODevice* device);

// The bytes a decode takes beyond its output: a progressive JPEG holds the
// coefficients of the whole picture (two bytes each) until its last scan.
qint64 coefficientBytes(const Header& header);

// Whether the JPEG at the device's current position is whole: every scan
// decodes without a warning of damage, a progressive picture received every
// bit of every coefficient, and the end-of-image marker is reached. Bytes
// after the end-of-image marker are not read. Decoded at an eighth of its
// size: every coded byte is still read. Call only for a size that is allowed.
bool whole(QIODevice* device);

}  // namespace platform::jpeg
