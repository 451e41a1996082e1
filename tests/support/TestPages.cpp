#include "support/TestPages.h"

#include <QBuffer>
#include <QColor>
#include <QFile>
#include <QPainter>

namespace testpages {

QImage coordinatePage(int width, int height)
{
    QImage page(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        uchar* line = page.scanLine(y);
        for (int x = 0; x < width; ++x) {
            line[3 * x] = static_cast<uchar>(x & 0xFF);
            line[3 * x + 1] = static_cast<uchar>(y & 0xFF);
            line[3 * x + 2] = static_cast<uchar>(((x >> 8) & 0x0F) | (((y >> 8) & 0x0F) << 4));
        }
    }
    return page;
}

QPoint coordinateAt(const QImage& image, const QPoint& at)
{
    const QImage rgb = image.format() == QImage::Format_RGB888 ? image : image.convertToFormat(QImage::Format_RGB888);
    const uchar* p = rgb.constScanLine(at.y()) + 3 * at.x();
    return QPoint(p[0] | ((p[2] & 0x0F) << 8), p[1] | ((p[2] >> 4) << 8));
}

QImage ruledPage(const QSize& size, double skewDegrees)
{
    const QColor paper(226, 222, 210);
    QImage page(size, QImage::Format_RGB32);
    page.fill(paper);
    QPainter painter(&page);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(size.width() / 2.0, size.height() / 2.0);
    painter.rotate(skewDegrees);
    painter.translate(-size.width() / 2.0, -size.height() / 2.0);
    painter.setPen(QPen(QColor(40, 40, 48), 3));
    for (int y = 40; y < size.height() - 20; y += 40)
        painter.drawLine(QPointF(size.width() * 0.08, y), QPointF(size.width() * 0.92, y));
    painter.end();
    return page.convertToFormat(QImage::Format_RGB888);
}

QByteArray jpegWithOrientation(const QImage& image, int orientation)
{
    QByteArray jpeg;
    {
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPG", 95);
    }
    // APP1 "Exif": a big-endian TIFF header and one IFD entry, Orientation
    // (0x0112), SHORT, count 1.
    const unsigned char tiff[] = {
        'M',  'M',  0x00, 0x2A, 0x00, 0x00, 0x00, 0x08, 0x00, 0x01,  // one entry
        0x01, 0x12, 0x00, 0x03, 0x00, 0x00, 0x00, 0x01, 0x00, static_cast<unsigned char>(orientation),
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00};  // no next IFD
    QByteArray body("Exif\0\0", 6);
    body.append(reinterpret_cast<const char*>(tiff), sizeof(tiff));
    QByteArray segment;
    segment.append(char(0xFF)).append(char(0xE1));
    const int length = body.size() + 2;
    segment.append(char((length >> 8) & 0xFF)).append(char(length & 0xFF));
    segment.append(body);
    // After the start marker and the JFIF segment, where a camera puts it.
    int at = 2;
    if (jpeg.size() > 6 && uchar(jpeg[2]) == 0xFF && uchar(jpeg[3]) == 0xE0)
        at = 4 + ((uchar(jpeg[4]) << 8) | uchar(jpeg[5]));
    jpeg.insert(at, segment);
    return jpeg;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace testpages
