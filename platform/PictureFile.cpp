#include "platform/PictureFile.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageIOHandler>
#include <QImageReader>
#include <QTransform>
#include <QUrl>

#include "platform/DecodeBudget.h"
#include "platform/JpegCheck.h"
#include "platform/JpegWalk.h"
#include "platform/PictureContent.h"

namespace platform {

namespace {

// One picture's bytes, from a file or from memory. A JPEG's are streamed
// through a small window for each walk and for its decode; a PNG's or BMP's
// are read by their decoder.
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
    // The JPEG's bytes from their start, for one walk and the decode after it.
    jpeg::Input jpegInput()
    {
        if (device_ == &buffer_)
            return jpeg::Input(buffer_.data());
        return jpeg::Input(rewound());
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
    QSize bound;  // valid: decoded to fit it (a thumbnail), turned upright
};

struct Examined {
    PictureHeader header;
    PictureVerdict verdict = PictureVerdict::NotPicture;
    QImage image;
};

// Reads the header of what `source` holds: its format by content only, the
// size the format's own header declares. A JPEG's frame header is found by
// walking its markers; one of a coding the door does not read counts as no
// picture.
PictureHeader inspectSource(Source& source)
{
    PictureHeader header;
    const QByteArray head = content::head(source.rewound());
    const QByteArray format = content::formatOf(head);
    if (format.isEmpty())
        return header;  // NotPicture, whatever the name says
    if (format == "jpeg") {
        jpeg::Input input = source.jpegInput();
        const jpeg::Layout found = jpeg::walk(input, jpeg::Extent::Frame);
        if (found.structure != jpeg::Structure::Whole)
            return header;
        header.size = found.size;
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

// Whether an EXIF orientation turns the picture a quarter (its sides swap).
bool quarterTurn(int orientation)
{
    return orientation >= 5;
}

// The picture turned upright by its EXIF orientation, as Qt's reader does
// with autoTransform.
QImage turned(const QImage& image, int orientation)
{
    using T = QImageIOHandler::Transformation;
    static const T byOrientation[9] = {
        QImageIOHandler::TransformationNone,      QImageIOHandler::TransformationNone,
        QImageIOHandler::TransformationMirror,    QImageIOHandler::TransformationRotate180,
        QImageIOHandler::TransformationFlip,      QImageIOHandler::TransformationFlipAndRotate90,
        QImageIOHandler::TransformationRotate90,  QImageIOHandler::TransformationMirrorAndRotate90,
        QImageIOHandler::TransformationRotate270,
    };
    const T t = orientation >= 1 && orientation <= 8 ? byOrientation[orientation] : T::TransformationNone;
    if (t == QImageIOHandler::TransformationNone)
        return image;
    if (t == QImageIOHandler::TransformationRotate270)
        return image.transformed(QTransform().rotate(270));
    QImage out = image.mirrored(t & QImageIOHandler::TransformationMirror, t & QImageIOHandler::TransformationFlip);
    if (t & QImageIOHandler::TransformationRotate90)
        out = out.transformed(QTransform().rotate(90));
    return out;
}

// The size a thumbnail of a JPEG is scaled to before it is turned: the
// fitted size of the upright picture, in the orientation it is stored in.
QSize storedThumbnailSize(const jpeg::Layout& layout, const QSize& bound)
{
    const bool quarter = quarterTurn(layout.orientation);
    const QSize upright = quarter ? layout.size.transposed() : layout.size;
    const QSize fitted = fittedSize(upright, bound);
    return quarter ? fitted.transposed() : fitted;
}

// What libjpeg decodes: a thumbnail at the largest reduction (1/2, 1/4,
// 1/8) that keeps the picture at least its fitted size; smooth scaling does
// the rest.
jpeg::Decode jpegDecodeFor(const jpeg::Layout& layout, const Wanted& wanted)
{
    jpeg::Decode decode;
    decode.pixels = wanted.pixels;
    if (!wanted.pixels || !wanted.bound.isValid())
        return decode;
    const QSize target = storedThumbnailSize(layout, wanted.bound);
    for (int denom = 8; denom > 1; denom /= 2) {
        const QSize reduced = jpeg::scaledSize(layout.size, denom);
        if (reduced.width() >= target.width() && reduced.height() >= target.height()) {
            decode.scaleDenom = denom;
            break;
        }
    }
    return decode;
}

// A JPEG in one decoding pass: its markers walked (scans counted, structure
// checked) and then one libjpeg decode that judges its data and makes the
// picture.
void examineJpeg(Source& source, const Wanted& wanted, Examined& result)
{
    jpeg::Input input = source.jpegInput();
    const jpeg::Layout layout = jpeg::walk(input, jpeg::Extent::Whole);
    if (layout.structure != jpeg::Structure::Whole) {
        const bool unread = layout.structure == jpeg::Structure::Unsupported ||
                            layout.structure == jpeg::Structure::NoFrame;
        result.verdict = unread ? PictureVerdict::NotPicture : PictureVerdict::Damaged;
        return;
    }
    const jpeg::Decode decode = jpegDecodeFor(layout, wanted);
    QImage image;
    {
        const DecodeBudget::Hold hold(DecodeBudget::shared(), jpeg::decodeBytes(layout, decode));
        if (!jpeg::decode(input, layout, decode, &image)) {
            result.verdict = PictureVerdict::Damaged;
            return;
        }
    }
    if (!wanted.pixels)
        return;
    if (wanted.bound.isValid()) {
        const QSize target = storedThumbnailSize(layout, wanted.bound);
        if (image.size() != target)
            image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    if (wanted.autoTransform || wanted.bound.isValid())
        image = turned(image, layout.orientation);
    result.image = image;
}

// A PNG or BMP: a BMP decoder pads a picture cut short, so its own structure
// tells whether it is whole; a PNG is checked by decoding it.
void examineOther(Source& source, const Wanted& wanted, Examined& result)
{
    const QByteArray& format = result.header.format;
    const DecodeBudget::Hold hold(DecodeBudget::shared(),
                                  content::decodedBytes(format, content::head(source.rewound()), result.header.size));
    if (format == "bmp" && !content::bmpComplete(source.rewound())) {
        result.verdict = PictureVerdict::Damaged;
        return;
    }
    QImageReader reader(source.rewound(), format);
    reader.setAutoDetectImageFormat(false);
    reader.setAutoTransform(wanted.autoTransform || wanted.bound.isValid());
    QImage image = reader.read();
    if (image.isNull()) {
        result.verdict = PictureVerdict::Damaged;
        return;
    }
    if (!wanted.pixels)
        return;
    if (wanted.bound.isValid()) {
        const QSize fitted = fittedSize(image.size(), wanted.bound);
        if (image.size() != fitted)
            image = image.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    result.image = image;
}

// Checks (and, as wanted, decodes) what `source` holds: only a PNG, JPEG or
// BMP picture within the size limits that is whole is decoded.
Examined examine(Source& source, const Wanted& wanted)
{
    Examined result;
    result.header = inspectSource(source);
    result.verdict = result.header.verdict;
    if (result.verdict != PictureVerdict::Ok)
        return result;
    if (result.header.format == "jpeg")
        examineJpeg(source, wanted, result);
    else
        examineOther(source, wanted, result);
    if (result.verdict != PictureVerdict::Ok)
        result.image = QImage();
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
    return inspectSource(source);
}

PictureHeader inspectPictureData(const QByteArray& bytes)
{
    Source source;
    source.open(bytes);
    return inspectSource(source);
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
    return examine(source, wanted).image;
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
