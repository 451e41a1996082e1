#pragma once

#include <QImage>
#include <QSize>

#include "platform/JpegWalk.h"

// The one libjpeg pass over a JPEG whose structure the walk (JpegWalk.h)
// found whole: it judges the coded data and, as wanted, produces the picture
// in the same pass. libjpeg says what the decoder behind QImageReader keeps to
// itself: a scan cut short (padded with grey, "premature end of data
// segment"), corrupt coded data, a lost restart marker. The picture is the one
// Qt's JPEG reader gives (the same DCT method and upsampling, CMYK converted
// as it does), decoded straight into the QImage's rows.
namespace platform::jpeg {

struct Decode {
    // False: the data is only judged, decoded at an eighth of each side in
    // one channel (every coded byte is still read).
    bool pixels = false;
    // 1, 2, 4 or 8: libjpeg's own reduction of each side (pixels only).
    int scaleDenom = 1;
};

// The size libjpeg decodes a picture of `size` to at 1 / `denom`.
QSize scaledSize(const QSize& size, int denom);

// The memory the decode of `layout` takes: the output and, for a JPEG of
// several scans, the coefficients of the whole picture (two bytes each) held
// until its last scan.
qint64 decodeBytes(const Layout& layout, const Decode& decode);

// Decodes the JPEG that the walk of `input` found whole: its first
// layout.end bytes, read again from the input's device (from its start) or
// taken from its bytes in memory. True when the picture is whole: no warning
// of lost data (corrupt or premature end of data, bad Huffman code, lost
// restart), and every coefficient of every component of a progressive JPEG
// received its last bit. libjpeg stops at a scan beyond the walk's count or
// beyond the bounds of the work (ScanWork): a file changed since the walk is
// not decoded further than the walk would have allowed. With
// decode.pixels, `image` (given) gets the picture as stored (not turned):
// Format_RGB32 for colour and CMYK, Format_Grayscale8 for grey.
bool decode(const Input& input, const Layout& layout, const Decode& decode, QImage* image);

}  // namespace platform::jpeg
