#include "support/HostilePictures.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QtEndian>

#include <algorithm>

namespace hostile {

namespace {

void appendBigEndian(QByteArray& out, quint32 value)
{
    char bytes[4];
    qToBigEndian(value, bytes);
    out.append(bytes, 4);
}

// The CRC-32 of PNG chunks (ISO 3309, as zlib's crc32).
quint32 crc32Of(const QByteArray& bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc ^= static_cast<unsigned char>(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xFFFFFFFFu;
}

void appendChunk(QByteArray& out, const char* type, const QByteArray& data)
{
    appendBigEndian(out, static_cast<quint32>(data.size()));
    QByteArray body(type, 4);
    body.append(data);
    out.append(body);
    appendBigEndian(out, crc32Of(body));
}

QImage detailed(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (int i = 0; i < width; i += 7)
        painter.fillRect(i, (i * 13) % std::max(1, height), 3, height / 3 + 1, QColor((i * 37) % 256, 80, 160));
    painter.end();
    return image;
}

QByteArray encode(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

}  // namespace

QByteArray pngDeclaring(int width, int height)
{
    QByteArray out("\x89PNG\r\n\x1a\n", 8);
    QByteArray header;
    appendBigEndian(header, static_cast<quint32>(width));
    appendBigEndian(header, static_cast<quint32>(height));
    header.append(char(8));  // bit depth
    header.append(char(2));  // RGB
    header.append(char(0));
    header.append(char(0));
    header.append(char(0));
    appendChunk(out, "IHDR", header);
    // One row of filter byte 0 and zeros would take width * 3 + 1 bytes; a
    // short run of zeros is enough to start the decoder.
    const QByteArray row(64, '\0');
    appendChunk(out, "IDAT", qCompress(row).mid(4));  // qCompress prefixes the length
    appendChunk(out, "IEND", QByteArray());
    return out;
}

QByteArray jpegDeclaring(int width, int height)
{
    QByteArray bytes = jpeg(16, 16);
    // Frame headers SOF0..SOF2: FF C0..C2, length (2), precision (1), height
    // (2), width (2).
    for (int i = 0; i + 8 < bytes.size(); ++i) {
        const auto marker = static_cast<unsigned char>(bytes.at(i + 1));
        if (static_cast<unsigned char>(bytes.at(i)) == 0xFF && marker >= 0xC0 && marker <= 0xC2) {
            qToBigEndian(static_cast<quint16>(height), bytes.data() + i + 5);
            qToBigEndian(static_cast<quint16>(width), bytes.data() + i + 7);
            break;
        }
    }
    return bytes;
}

QByteArray png(int width, int height)
{
    return encode(detailed(width, height), "PNG");
}

QByteArray jpeg(int width, int height)
{
    return encode(detailed(width, height), "JPEG");
}

QByteArray cut(const QByteArray& bytes, int keep)
{
    return bytes.left(keep);
}

bool write(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace hostile
