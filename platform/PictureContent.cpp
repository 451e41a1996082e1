#include "platform/PictureContent.h"

#include <QIODevice>
#include <QtEndian>

#include <climits>
#include <cstdlib>

namespace platform::content {

namespace {

quint32 le32(const QByteArray& bytes, int at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

quint16 le16(const QByteArray& bytes, int at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

struct BmpLayout {
    qint64 offset = 0;  // of the pixel data
    qint64 width = 0;
    qint64 height = 0;  // rows, whatever their order
    int bitsPerPixel = 0;
    quint32 compression = 0;
};

bool readLayout(const QByteArray& head, BmpLayout& layout)
{
    if (head.size() < 26)
        return false;
    layout.offset = le32(head, 10);
    const quint32 headerSize = le32(head, 14);
    if (headerSize == 12) {  // OS/2 core header
        layout.width = le16(head, 18);
        layout.height = le16(head, 20);
        layout.bitsPerPixel = le16(head, 24);
        return layout.width > 0 && layout.height > 0;
    }
    if (headerSize < 40 || head.size() < 34)
        return false;
    layout.width = static_cast<qint32>(le32(head, 18));
    // A negative height stores the rows top-down.
    layout.height = std::llabs(static_cast<qint64>(static_cast<qint32>(le32(head, 22))));
    layout.bitsPerPixel = le16(head, 28);
    layout.compression = le32(head, 30);
    return layout.width > 0 && layout.height > 0 && layout.bitsPerPixel > 0;
}

// Walks a run-length stream (RLE8 when `eightBit`, else RLE4) up to its
// end-of-bitmap code.
bool runLengthComplete(QIODevice* device, bool eightBit)
{
    char pair[2];
    for (;;) {
        if (device->read(pair, 2) != 2)
            return false;
        if (pair[0] != 0)
            continue;  // a run of pair[0] pixels
        const auto code = static_cast<unsigned char>(pair[1]);
        if (code == 1)
            return true;  // end of bitmap
        if (code == 0)
            continue;     // end of line
        qint64 skip = 2;  // code 2, a move: dx, dy
        if (code > 2) {
            // Literal pixels, padded to a 16-bit word.
            skip = eightBit ? code : (code + 1) / 2;
            skip += skip % 2;
        }
        if (device->skip(skip) != skip)
            return false;
    }
}

}  // namespace

QByteArray formatOf(const QByteArray& head)
{
    if (head.startsWith(QByteArray("\x89PNG\r\n\x1a\n", 8)))
        return QByteArrayLiteral("png");
    if (head.startsWith(QByteArray("\xFF\xD8\xFF", 3)))
        return QByteArrayLiteral("jpeg");
    if (head.startsWith("BM"))
        return QByteArrayLiteral("bmp");
    return QByteArray();
}

QByteArray head(QIODevice* device, qint64 length)
{
    return device ? device->peek(length) : QByteArray();
}

qint64 decodedBytes(const QByteArray& format, const QByteArray& head, const QSize& size)
{
    const qint64 pixels = static_cast<qint64>(size.width()) * size.height();
    // IHDR: signature (8), length (4), "IHDR" (4), width, height, bit depth.
    if (format == "png" && head.size() > 24 && static_cast<unsigned char>(head.at(24)) == 16)
        return pixels * 8;
    return pixels * 4;
}

QSize bmpSize(const QByteArray& head)
{
    BmpLayout layout;
    if (!readLayout(head, layout) || layout.width > INT_MAX || layout.height > INT_MAX)
        return QSize();
    return QSize(static_cast<int>(layout.width), static_cast<int>(layout.height));
}

bool bmpComplete(QIODevice* device)
{
    if (!device || !device->seek(0))
        return false;
    BmpLayout layout;
    if (!readLayout(device->peek(64), layout))
        return false;
    switch (layout.compression) {
    case 0:    // RGB
    case 3:    // bit fields
    case 6: {  // alpha bit fields
        const qint64 stride = (layout.width * layout.bitsPerPixel + 31) / 32 * 4;
        return layout.offset + stride * layout.height <= device->size();
    }
    case 1:  // RLE8
    case 2:  // RLE4
        return device->seek(layout.offset) && runLengthComplete(device, layout.compression == 1);
    default: return false;  // not a compression the decoder reads
    }
}

}  // namespace platform::content
