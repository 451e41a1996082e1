#include "platform/PictureFile.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QUrl>

#include <algorithm>

#include "platform/DecodeBudget.h"
#include "platform/JpegCheck.h"
#include "platform/PictureContent.h"

namespace platform {

namespace {

// One picture's bytes, from a file or from memory, read from their start.
class Source {
public:
    // False when `path` is no regular file that can be opened.
    bool open(const QString& path)
    {
        if (!QFileInfo(path).isFile())
            return false;
        file_.setFileName(path);
        device_ = &file_;
        return file_.open(QIODevice::ReadOnly);
    }
    void open(const QByteArray& bytes)
    {
        buffer_.setData(bytes);
        buffer_.open(QIODevice::ReadOnly);
        device_ = &buffer_;
    }
    QIODevice* rewound()
    {
        device_->seek(0);
        return device_;
    }

private:
    QFile file_;
    QBuffer buffer_;
    QIODevice* device_ = nullptr;
};

// What a read asks of the picture beyond its check.
struct Wanted {
    bool pixels = false;  // the decoded picture
    bool autoTransform = false;
    QSize bound;  // valid: decoded to fit it (a thumbnail)
};

struct Examined {
    PictureHeader header;
    PictureVerdict verdict = PictureVerdict::NotPicture;
    QImage image;
};

// Reads the header of what `source` holds: its format by content only, the
// size the format's own header declares.
PictureHeader inspectSource(Source& source, jpeg::Header* jpegHeader)
{
    PictureHeader header;
    const QByteArray head = content::head(source.rewound());
    const QByteArray format = content::formatOf(head);
    if (format.isEmpty())
        return header;  // NotPicture, whatever the name says
    if (format == "jpeg") {
        const jpeg::Header found = jpeg::readHeader(source.rewound());
        if (!found.ok)
            return header;
        header.size = found.size;
        if (jpegHeader)
            *jpegHeader = found;
    } else if (format == "bmp") {
        // The decoder reports rows stored top-down as a negative height.
        header.size = content::bmpSize(head);
    } else {
        QImageReader reader(source.rewound(), format);
        reader.setAutoDetectImageFormat(false);
        header.size = reader.size();
    }
    header.format = format;
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

// The memory the decode of `wanted` takes, from the declared size.
qint64 decodeCost(Source& source, const PictureHeader& header, const jpeg::Header& jpegHeader, const Wanted& wanted)
{
    const qint64 pixels = static_cast<qint64>(header.size.width()) * header.size.height();
    if (header.format != "jpeg")
        return content::decodedBytes(header.format, content::head(source.rewound()), header.size);
    // The check decodes at an eighth of each side; a full read holds the
    // whole picture too.
    const qint64 output = wanted.pixels && !wanted.bound.isValid() ? pixels * 4 : pixels / 16;
    return output + jpeg::coefficientBytes(jpegHeader);
}

// The decoder's picture, its format fixed to the one found by content.
QImage decode(Source& source, const PictureHeader& header, const Wanted& wanted)
{
    QImageReader reader(source.rewound(), header.format);
    reader.setAutoDetectImageFormat(false);
    reader.setAutoTransform(wanted.autoTransform);
    if (wanted.bound.isValid())
        reader.setScaledSize(fittedSize(header.size, wanted.bound));
    return reader.read();
}

// Checks (and, as wanted, decodes) what `source` holds: only a PNG, JPEG or
// BMP picture within the size limits that is whole is decoded.
Examined examine(Source& source, const Wanted& wanted)
{
    Examined result;
    jpeg::Header jpegHeader;
    result.header = inspectSource(source, &jpegHeader);
    result.verdict = result.header.verdict;
    if (result.verdict != PictureVerdict::Ok)
        return result;
    const DecodeBudget::Hold hold(DecodeBudget::shared(), decodeCost(source, result.header, jpegHeader, wanted));
    // A JPEG or BMP decoder pads a picture cut short; its own structure
    // tells whether it is whole.
    const QByteArray& format = result.header.format;
    const bool whole = format == "jpeg"  ? jpeg::whole(source.rewound())
                       : format == "bmp" ? content::bmpComplete(source.rewound())
                                         : true;
    if (!whole) {
        result.verdict = PictureVerdict::Damaged;
        return result;
    }
    // A JPEG was decoded whole by its check; a PNG or BMP is checked by
    // decoding it.
    if (format != "jpeg" || wanted.pixels) {
        result.image = decode(source, result.header, wanted);
        if (result.image.isNull())
            result.verdict = PictureVerdict::Damaged;
    }
    return result;
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
    Source source;
    if (!source.open(path)) {
        PictureHeader header;
        header.verdict = PictureVerdict::NotFound;
        return header;
    }
    return inspectSource(source, nullptr);
}

PictureHeader inspectPictureData(const QByteArray& bytes)
{
    Source source;
    source.open(bytes);
    return inspectSource(source, nullptr);
}

QImage readPicture(const QString& path, QString* refusal, bool autoTransform)
{
    Source source;
    if (!source.open(path))
        return QImage();
    Wanted wanted;
    wanted.pixels = true;
    wanted.autoTransform = autoTransform;
    const Examined result = examine(source, wanted);
    if (result.verdict == PictureVerdict::TooLarge && refusal)
        *refusal = pictureTooLargeMessage(path, result.header.size);
    return result.verdict == PictureVerdict::Ok ? result.image : QImage();
}

QImage readPictureData(const QByteArray& bytes, const QString& name, QString* refusal)
{
    Source source;
    source.open(bytes);
    Wanted wanted;
    wanted.pixels = true;
    const Examined result = examine(source, wanted);
    if (result.verdict == PictureVerdict::TooLarge && refusal)
        *refusal = pictureTooLargeMessage(name, result.header.size);
    return result.verdict == PictureVerdict::Ok ? result.image : QImage();
}

QImage readPictureScaled(const QString& path, const QSize& bound)
{
    Source source;
    if (bound.isEmpty() || !source.open(path))
        return QImage();
    Wanted wanted;
    wanted.pixels = true;
    wanted.bound = bound;
    const Examined result = examine(source, wanted);
    if (result.verdict != PictureVerdict::Ok)
        return QImage();
    const QSize fitted = fittedSize(result.header.size, bound);
    if (result.image.size() != fitted)
        return result.image.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return result.image;
}

PictureVerdict verifyPicture(const QString& path, PictureHeader* header)
{
    Source source;
    Examined result;
    if (source.open(path)) {
        result = examine(source, Wanted());
    } else {
        result.verdict = PictureVerdict::NotFound;
        result.header.verdict = PictureVerdict::NotFound;
    }
    if (header)
        *header = result.header;
    return result.verdict;
}

PictureVerdict verifyPictureData(const QByteArray& bytes, PictureHeader* header, QImage* decoded)
{
    Source source;
    source.open(bytes);
    Wanted wanted;
    wanted.pixels = decoded != nullptr;
    const Examined result = examine(source, wanted);
    if (decoded)
        *decoded = result.verdict == PictureVerdict::Ok ? result.image : QImage();
    if (header)
        *header = result.header;
    return result.verdict;
}

}  // namespace platform
