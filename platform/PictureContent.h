#pragma once

#include <QByteArray>
#include <QSize>

class QIODevice;

// What the bytes of a picture file say about themselves, read without a
// decoder: the format by its signature, the memory a decode takes, and
// whether a BMP holds the pixel data its header declares.
namespace platform::content {

// "png" (89 50 4E 47 0D 0A 1A 0A), "jpeg" (FF D8 FF) or "bmp" ("BM") by the
// first bytes of `head`; empty for everything else (ICO, SVG, GIF, TIFF,
// WebP, ...), whatever the file is called.
QByteArray formatOf(const QByteArray& head);

// The first bytes of `device` from its current position (which stays).
QByteArray head(QIODevice* device, qint64 length = 64);

// The bytes of decoded pixels a whole decode of a `format` picture of `size`
// takes, from what `head` declares (a 16-bit PNG decodes to 8 bytes a pixel,
// others to 4).
qint64 decodedBytes(const QByteArray& format, const QByteArray& head, const QSize& size);

// The size a BMP header declares (rows stored top-down count as rows); an
// empty size when `head` holds no BMP header.
QSize bmpSize(const QByteArray& head);

// Whether the BMP in `device` (at its start) holds all of its pixel data:
// uncompressed rows (each padded to 4 bytes) times the height from the
// header's pixel-data offset, or a run-length stream that reaches its
// end-of-bitmap code. The device's position is left anywhere.
bool bmpComplete(QIODevice* device);

}  // namespace platform::content
