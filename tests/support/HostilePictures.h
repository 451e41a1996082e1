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

// A progressive JPEG (several scans) and a four-component CMYK JPEG (with
// libjpeg's progressive script: 18 scans).
QByteArray jpegProgressive(int width, int height);
QByteArray jpegCmyk(int width, int height, bool progressive = false);
// A JPEG cut inside its coded data at `keepPercent` of its length, with an
// end-of-image marker glued on: its structure looks whole.
QByteArray jpegCutWithEnd(const QByteArray& jpeg, int keepPercent);
// A JPEG cut after the coded data of its first scan, with an end-of-image
// marker glued on: every scan left decodes without a warning.
QByteArray jpegFirstScanOnly(const QByteArray& jpeg);

// Made with libjpeg:
//  - a greyscale JPEG (with libjpeg's progressive script: 6 scans);
//  - an arithmetic-coded JPEG (which browsers do not decode);
//  - a sequential JPEG sent in one scan per component;
//  - a progressive JPEG of exactly `scans` scans: its first AC scan, with
//    the Huffman table before it, sent again and again (each time a header
//    and a few bytes, and no libjpeg warning);
//  - a baseline JPEG whose start-of-scan header gives the spectral range 0
//    to 0 instead of 0 to 63 (libjpeg warns and decodes it exactly).
QByteArray jpegGrey(int width, int height, bool progressive = false);
QByteArray jpegArithmetic(int width, int height);
QByteArray jpegScanPerComponent(int width, int height);
QByteArray jpegScans(int width, int height, int scans);
QByteArray jpegZeroSpectral(int width, int height);
// `jpeg` with an APP1 Exif block that declares the EXIF `orientation` (6:
// stored turned a quarter to the left, shown turned to the right) inserted
// after its start marker.
QByteArray jpegWithOrientation(const QByteArray& jpeg, int orientation);
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
