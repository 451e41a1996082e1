#pragma once

#include <QByteArray>
#include <QString>

// Picture files that attack their reader, made small on disk:
//  - headers that declare far more pixels than the data holds (a decoder
//    that trusts them allocates width x height x 4 bytes before it finds
//    the data missing);
//  - whole small pictures to cut short or rename.
namespace hostile {

// A PNG of `width` x `height` (RGB, 8 bits) whose only IDAT holds one
// compressed empty row: a few dozen bytes.
QByteArray pngDeclaring(int width, int height);

// A small real JPEG whose frame header was rewritten to declare `width` x
// `height`; its coded data is that of the small picture.
QByteArray jpegDeclaring(int width, int height);

// Whole pictures of `width` x `height` with some detail, encoded as named.
QByteArray png(int width, int height);
QByteArray jpeg(int width, int height);

// A progressive JPEG (several scans) and a four-component CMYK JPEG.
QByteArray jpegProgressive(int width, int height);
QByteArray jpegCmyk(int width, int height);
// A JPEG cut inside its coded data at `keepPercent` of its length, with an
// end-of-image marker glued on: its structure looks whole.
QByteArray jpegCutWithEnd(const QByteArray& jpeg, int keepPercent);
// `length` seeded random bytes in which 0xFF 0xDA (start of scan) and
// 0xFF 0xD9 (end of image) occur many times, like a video appended by a
// phone's motion photo.
QByteArray randomTrailer(int length);

// A PNG of 16 bits per channel (RGBA).
QByteArray png16(int width, int height);
// Uniform pictures of any size, written row by row (never held whole): a
// 100-megapixel PNG takes well under a megabyte.
QByteArray plainPng(int width, int height, bool sixteenBit = false);

// Uncompressed BMPs of 24 bits, bottom-up (as usual) or top-down (negative
// height), and an 8-bit run-length (RLE8) BMP.
QByteArray bmp(int width, int height);
QByteArray bmpTopDown(int width, int height);
QByteArray bmpRle8(int width, int height);

// Containers that declare one size and hold a PNG of another: an ICO entry
// of 256 x 256 and an SVG of 100 x 100 showing `inner`.
QByteArray icoHolding(const QByteArray& inner);
QByteArray svgShowing(const QByteArray& inner);
// Other formats: a small GIF, TIFF and WebP (empty when Qt cannot write it).
QByteArray gif();
QByteArray encoded(int width, int height, const char* format);

// The first `keep` bytes of `bytes` (a file cut short).
QByteArray cut(const QByteArray& bytes, int keep);

// Writes `bytes` to `path` (its folder made); false when it cannot.
bool write(const QString& path, const QByteArray& bytes);

}  // namespace hostile
