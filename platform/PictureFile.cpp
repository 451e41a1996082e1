#include "platform/PictureFile.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>

namespace platform {

namespace {

// Reads the header through `reader` (whose device stays open for the decode
// that may follow, so the picture checked is the picture decoded).
PictureHeader inspectReader(QImageReader& reader)
{
    PictureHeader header;
    reader.setDecideFormatFromContent(true);
    header.format = reader.format().toLower();
    if (header.format.isEmpty())
        return header;  // NotPicture
    header.size = reader.size();
    if (!header.size.isValid() || header.size.isEmpty())
        return header;  // no declared size: it cannot be checked, so it is not read
    header.verdict = pictureSizeAllowed(header.size) ? PictureVerdict::Ok : PictureVerdict::TooLarge;
    return header;
}

// The fitted size of `source` within `bound`: wider than high fits the width,
// otherwise the height; never below 1 x 1.
QSize fittedSize(const QSize& source, const QSize& bound)
{
    QSize fitted;
    if (source.width() > source.height())
        fitted = QSize(bound.width(),
                       static_cast<int>(static_cast<qint64>(source.height()) * bound.width() / source.width()));
    else
        fitted = QSize(static_cast<int>(static_cast<qint64>(source.width()) * bound.height() / source.height()),
                       bound.height());
    return fitted.expandedTo(QSize(1, 1));
}

// A JPEG decoder pads a file cut short with grey and calls it a success; the
// end-of-image marker after the last start of scan tells a whole file. The
// coded data cannot hold 0xFF 0xD9 (0xFF is stuffed there), so the marker
// found after the last scan is the real one.
bool jpegComplete(const char* data, qint64 size)
{
    qint64 lastScan = -1;
    for (qint64 i = size - 2; i >= 0; --i) {
        if (static_cast<unsigned char>(data[i]) == 0xFF && static_cast<unsigned char>(data[i + 1]) == 0xDA) {
            lastScan = i;
            break;
        }
    }
    if (lastScan < 0)
        return false;
    for (qint64 i = lastScan + 2; i + 1 < size; ++i) {
        if (static_cast<unsigned char>(data[i]) == 0xFF && static_cast<unsigned char>(data[i + 1]) == 0xD9)
            return true;
    }
    return false;
}

// Decodes what `reader` holds after its header was found Ok. JPEG pictures
// are decoded at an eighth of their size: the decoder still walks all of the
// coded data, in a fraction of the time.
PictureVerdict decodeWhole(QImageReader& reader, const PictureHeader& header, QImage* decoded)
{
    if (header.format == "jpeg" && !decoded)
        reader.setScaledSize(QSize(std::max(1, header.size.width() / 8), std::max(1, header.size.height() / 8)));
    const QImage image = reader.read();
    if (image.isNull())
        return PictureVerdict::Damaged;
    if (decoded)
        *decoded = image;
    return PictureVerdict::Ok;
}

}  // namespace

bool pictureSizeAllowed(const QSize& size)
{
    if (!size.isValid() || size.width() > kMaxPictureSide || size.height() > kMaxPictureSide)
        return false;
    return static_cast<qint64>(size.width()) * size.height() <= kMaxPicturePixels;
}

QString pictureTooLargeMessage(const QString& name, const QSize& size)
{
    return QStringLiteral("图片尺寸过大（%1×%2 像素，最多 %3 万像素、边长不超过 %4），未读取：%5")
        .arg(size.width())
        .arg(size.height())
        .arg(kMaxPicturePixels / 10000)
        .arg(kMaxPictureSide)
        .arg(name);
}

PictureHeader inspectPicture(const QString& path)
{
    if (!QFileInfo(path).isFile()) {
        PictureHeader header;
        header.verdict = PictureVerdict::NotFound;
        return header;
    }
    QImageReader reader(path);
    return inspectReader(reader);
}

PictureHeader inspectPictureData(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return inspectReader(reader);
}

QImage readPicture(const QString& path, QString* refusal, bool autoTransform)
{
    if (!QFileInfo(path).isFile())
        return QImage();
    QImageReader reader(path);
    const PictureHeader header = inspectReader(reader);
    if (header.verdict == PictureVerdict::TooLarge && refusal)
        *refusal = pictureTooLargeMessage(path, header.size);
    if (header.verdict != PictureVerdict::Ok)
        return QImage();
    reader.setAutoTransform(autoTransform);
    return reader.read();
}

QImage readPictureData(const QByteArray& bytes, const QString& name, QString* refusal)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const PictureHeader header = inspectReader(reader);
    if (header.verdict == PictureVerdict::TooLarge && refusal)
        *refusal = pictureTooLargeMessage(name, header.size);
    if (header.verdict != PictureVerdict::Ok)
        return QImage();
    return reader.read();
}

QImage readPictureScaled(const QString& path, const QSize& bound)
{
    if (!QFileInfo(path).isFile() || bound.isEmpty())
        return QImage();
    QImageReader reader(path);
    const PictureHeader header = inspectReader(reader);
    if (header.verdict != PictureVerdict::Ok)
        return QImage();
    const QSize fitted = fittedSize(header.size, bound);
    reader.setScaledSize(fitted);
    QImage picture = reader.read();
    if (!picture.isNull() && picture.size() != fitted)
        picture = picture.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return picture;
}

PictureVerdict verifyPicture(const QString& path, PictureHeader* header)
{
    PictureHeader found;
    PictureVerdict verdict = PictureVerdict::NotFound;
    QFile file(path);
    if (QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly)) {
        QImageReader reader(&file);
        found = inspectReader(reader);
        verdict = found.verdict;
        if (verdict == PictureVerdict::Ok)
            verdict = decodeWhole(reader, found, nullptr);
        if (verdict == PictureVerdict::Ok && found.format == "jpeg") {
            const uchar* data = file.map(0, file.size());
            if (!data || !jpegComplete(reinterpret_cast<const char*>(data), file.size()))
                verdict = PictureVerdict::Damaged;
        }
    } else {
        found.verdict = PictureVerdict::NotFound;
    }
    if (header)
        *header = found;
    return verdict;
}

PictureVerdict verifyPictureData(const QByteArray& bytes, PictureHeader* header, QImage* decoded)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const PictureHeader found = inspectReader(reader);
    PictureVerdict verdict = found.verdict;
    if (verdict == PictureVerdict::Ok)
        verdict = decodeWhole(reader, found, decoded);
    if (verdict == PictureVerdict::Ok && found.format == "jpeg" && !jpegComplete(bytes.constData(), bytes.size()))
        verdict = PictureVerdict::Damaged;
    if (verdict != PictureVerdict::Ok && decoded)
        *decoded = QImage();
    if (header)
        *header = found;
    return verdict;
}

}  // namespace platform
