#include "support/HostilePictures.h"
#include "support/JpegScans.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>
#include <QtEndian>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

// Fixtures beyond Qt's writers: libjpeg for CMYK, zlib for pictures written
// row by row.
#include <jpeglib.h>
#include <zlib.h>

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

namespace hostile {

namespace {

void appendLittle(QByteArray& out, quint32 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// Deflates `rows` rows of `row` (filter byte included) into one zlib stream.
QByteArray deflatedRows(const QByteArray& row, int rows)
{
    z_stream stream{};
    deflateInit(&stream, 1);
    QByteArray out;
    std::vector<unsigned char> chunk(1 << 16);
    for (int y = 0; y < rows; ++y) {
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(row.constData()));
        stream.avail_in = static_cast<uInt>(row.size());
        const int flush = y + 1 == rows ? Z_FINISH : Z_NO_FLUSH;
        do {
            stream.next_out = chunk.data();
            stream.avail_out = static_cast<uInt>(chunk.size());
            deflate(&stream, flush);
            out.append(reinterpret_cast<const char*>(chunk.data()), static_cast<int>(chunk.size() - stream.avail_out));
        } while (stream.avail_out == 0 || (flush == Z_FINISH && stream.avail_in > 0));
    }
    deflateEnd(&stream);
    return out;
}

}  // namespace

QByteArray jpegProgressive(int width, int height)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "JPEG");
    writer.setProgressiveScanWrite(true);
    writer.write(detailed(width, height));
    return bytes;
}

QByteArray jpegCutWithEnd(const QByteArray& jpeg, int keepPercent)
{
    return jpeg.left(jpeg.size() * keepPercent / 100) + QByteArray("\xFF\xD9", 2);
}

namespace {

const QByteArray kEndOfImage("\xFF\xD9", 2);

using Configure = std::function<void(jpeg_compress_struct&)>;
using FillRow = std::function<void(int y, JSAMPLE* row)>;

// libjpeg's encoder over `width` x `height` pixels of `components` in
// `space`, each row filled by `fill`, its parameters set by `configure`
// after the defaults.
QByteArray libjpegEncodeRows(int width, int height, int components, J_COLOR_SPACE space, const Configure& configure,
                             const FillRow& fill)
{
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = components;
    info.in_color_space = space;
    jpeg_set_defaults(&info);
    configure(info);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(static_cast<size_t>(width) * static_cast<size_t>(components));
    while (info.next_scanline < info.image_height) {
        fill(static_cast<int>(info.next_scanline), row.data());
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    const QByteArray bytes(reinterpret_cast<const char*>(out), static_cast<int>(size));
    std::free(out);
    return bytes;
}

// libjpeg's encoder over `image` (Format_RGB888 or Format_Grayscale8).
QByteArray libjpegEncode(const QImage& image, const Configure& configure)
{
    const bool grey = image.format() == QImage::Format_Grayscale8;
    const int components = grey ? 1 : 3;
    const size_t rowBytes = static_cast<size_t>(image.width()) * static_cast<size_t>(components);
    return libjpegEncodeRows(image.width(), image.height(), components, grey ? JCS_GRAYSCALE : JCS_RGB, configure,
                             [&](int y, JSAMPLE* row) { std::memcpy(row, image.constScanLine(y), rowBytes); });
}

jpeg_scan_info scanOf(int component, int ss, int se)
{
    jpeg_scan_info scan{};
    scan.comps_in_scan = component < 0 ? 3 : 1;
    for (int c = 0; c < scan.comps_in_scan; ++c)
        scan.component_index[c] = component < 0 ? c : component;
    scan.Ss = ss;
    scan.Se = se;
    return scan;
}

}  // namespace

QByteArray jpegCmyk(int width, int height, bool progressive)
{
    return libjpegEncodeRows(
        width, height, 4, JCS_CMYK,
        [progressive](jpeg_compress_struct& info) {
            if (progressive)
                jpeg_simple_progression(&info);
        },
        [width](int y, JSAMPLE* row) {
            for (int x = 0; x < width; ++x) {
                row[static_cast<size_t>(x) * 4] = static_cast<JSAMPLE>((x * 7) % 256);
                row[static_cast<size_t>(x) * 4 + 1] = static_cast<JSAMPLE>(y % 256);
                row[static_cast<size_t>(x) * 4 + 2] = 40;
                row[static_cast<size_t>(x) * 4 + 3] = 10;
            }
        });
}

QByteArray jpegFirstScanOnly(const QByteArray& jpeg)
{
    const std::vector<int> starts = jpegscans::starts(jpeg);
    return starts.empty() ? jpeg : jpeg.left(jpegscans::endOf(jpeg, starts.front())) + kEndOfImage;
}

QByteArray jpegGrey(int width, int height, bool progressive)
{
    return libjpegEncode(detailed(width, height).convertToFormat(QImage::Format_Grayscale8),
                         [progressive](jpeg_compress_struct& info) {
                             if (progressive)
                                 jpeg_simple_progression(&info);
                         });
}

QByteArray jpegArithmetic(int width, int height)
{
    return libjpegEncode(detailed(width, height), [](jpeg_compress_struct& info) { info.arith_code = TRUE; });
}

QByteArray jpegScanPerComponent(int width, int height)
{
    static const jpeg_scan_info scans[3] = {scanOf(0, 0, 63), scanOf(1, 0, 63), scanOf(2, 0, 63)};
    return libjpegEncode(detailed(width, height), [](jpeg_compress_struct& info) {
        info.scan_info = scans;
        info.num_scans = 3;
    });
}

QByteArray jpegScans(int width, int height, int scans)
{
    // The DC of all components, then every AC band of each component in
    // full (its last bit at once): a band sent again meets the precision it
    // already has, which libjpeg does not warn of.
    static const jpeg_scan_info script[4] = {scanOf(-1, 0, 0), scanOf(0, 1, 63), scanOf(1, 1, 63), scanOf(2, 1, 63)};
    const QByteArray base = libjpegEncode(detailed(width, height), [](jpeg_compress_struct& info) {
        info.scan_info = script;
        info.num_scans = 4;
    });
    // The first AC scan, with the Huffman table before it, sent again.
    if (jpegscans::starts(base).size() != 4 || scans < 4)
        return QByteArray();
    return jpegscans::repeated(base, 1, scans);
}

QByteArray jpegZeroSpectral(int width, int height)
{
    QByteArray bytes = libjpegEncode(detailed(width, height), [](jpeg_compress_struct&) {});
    const std::vector<int> starts = jpegscans::starts(bytes);
    if (starts.size() != 1)
        return QByteArray();
    // Marker, length (2), count (1), two bytes a component, Ss, Se, Ah/Al.
    const int sos = starts.front();
    const int count = static_cast<unsigned char>(bytes.at(sos + 4));
    bytes[sos + 5 + 2 * count + 1] = '\0';  // Se: 63 becomes 0
    return bytes;
}

QByteArray jpegWithOrientation(const QByteArray& jpeg, int orientation)
{
    // "Exif\0\0", a big-endian TIFF header, one directory of one entry: the
    // orientation tag (0x0112), a SHORT (3), one value; no next directory.
    QByteArray exif("Exif\0\0MM\0\x2A\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01", 24);
    exif.append(static_cast<char>(0));
    exif.append(static_cast<char>(orientation));
    exif.append(QByteArray(6, '\0'));  // the value's padding, then no next directory
    QByteArray segment("\xFF\xE1", 2);
    segment.append(static_cast<char>((exif.size() + 2) >> 8));
    segment.append(static_cast<char>((exif.size() + 2) & 0xFF));
    return jpeg.left(2) + segment + exif + jpeg.mid(2);
}

QByteArray randomTrailer(int length)
{
    QRandomGenerator random(29);
    QByteArray bytes(length, '\0');
    for (int i = 0; i < length; ++i)
        bytes[i] = static_cast<char>(random.bounded(256));
    for (int i = 0; i + 4 < length; i += 4093) {
        bytes[i] = '\xFF';
        bytes[i + 1] = (i / 4093) % 2 == 0 ? '\xDA' : '\xD9';
    }
    return bytes;
}

QByteArray png16(int width, int height)
{
    return encode(detailed(width, height).convertToFormat(QImage::Format_RGBA64), "PNG");
}

QByteArray plainPng(int width, int height, bool sixteenBit)
{
    QByteArray out("\x89PNG\r\n\x1a\n", 8);
    QByteArray header;
    appendBigEndian(header, static_cast<quint32>(width));
    appendBigEndian(header, static_cast<quint32>(height));
    header.append(char(sixteenBit ? 16 : 8));
    header.append(char(2));  // RGB
    header.append(QByteArray(3, '\0'));
    appendChunk(out, "IHDR", header);
    // Filter byte 0, then a light grey row.
    QByteArray row(1 + width * 3 * (sixteenBit ? 2 : 1), '\xC0');
    row[0] = '\0';
    appendChunk(out, "IDAT", deflatedRows(row, height));
    appendChunk(out, "IEND", QByteArray());
    return out;
}

QByteArray bmp(int width, int height)
{
    return encode(detailed(width, height), "BMP");
}

QByteArray bmpTopDown(int width, int height)
{
    QByteArray bytes = bmp(width, height);
    // Rows stored top-down: the same rows, the height negative.
    const auto negative = static_cast<quint32>(-height);
    for (int i = 0; i < 4; ++i)
        bytes[22 + i] = static_cast<char>((negative >> (8 * i)) & 0xFF);
    return bytes;
}

QByteArray bmpRle8(int width, int height)
{
    QByteArray pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; x += 50) {
            const int run = std::min(50, width - x);
            pixels.append(static_cast<char>(run));
            pixels.append(static_cast<char>((x / 50 + y) % 4));
        }
        pixels.append(QByteArray("\0\0", 2));  // end of line
    }
    pixels.append(QByteArray("\0\1", 2));  // end of bitmap
    const quint32 offset = 14 + 40 + 4 * 4;
    QByteArray out("BM");
    appendLittle(out, offset + static_cast<quint32>(pixels.size()), 4);
    appendLittle(out, 0, 4);
    appendLittle(out, offset, 4);
    appendLittle(out, 40, 4);
    appendLittle(out, static_cast<quint32>(width), 4);
    appendLittle(out, static_cast<quint32>(height), 4);
    appendLittle(out, 1, 2);  // planes
    appendLittle(out, 8, 2);  // bits per pixel
    appendLittle(out, 1, 4);  // RLE8
    appendLittle(out, static_cast<quint32>(pixels.size()), 4);
    appendLittle(out, 2835, 4);
    appendLittle(out, 2835, 4);
    appendLittle(out, 4, 4);  // colours used
    appendLittle(out, 0, 4);
    const quint32 palette[4] = {0x00FFFFFF, 0x00000000, 0x00FF0000, 0x000000FF};
    for (const quint32 colour : palette)
        appendLittle(out, colour, 4);
    return out + pixels;
}

QByteArray icoHolding(const QByteArray& inner)
{
    QByteArray out;
    appendLittle(out, 0, 2);
    appendLittle(out, 1, 2);                // icon
    appendLittle(out, 1, 2);                // one entry
    out.append(QByteArray("\0\0\0\0", 4));  // 256 x 256 (0 means 256), no palette
    appendLittle(out, 1, 2);                // planes
    appendLittle(out, 32, 2);               // bits per pixel
    appendLittle(out, static_cast<quint32>(inner.size()), 4);
    appendLittle(out, 22, 4);  // offset of the picture
    return out + inner;
}

QByteArray svgShowing(const QByteArray& inner)
{
    return QByteArray("<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink' "
                      "width='100' height='100'><image width='100' height='100' xlink:href='data:image/png;base64,") +
           inner.toBase64() + QByteArray("'/></svg>\n");
}

QByteArray gif()
{
    // A 1 x 1 GIF89a of one black pixel.
    static const unsigned char bytes[] = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x80, 0x00,
                                          0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x2C, 0x00, 0x00, 0x00, 0x00,
                                          0x01, 0x00, 0x01, 0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3B};
    return QByteArray(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

QByteArray encoded(int width, int height, const char* format)
{
    return encode(detailed(width, height), format);
}

}  // namespace hostile
