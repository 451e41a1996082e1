#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

// The one door through which the program reads a picture from a file or from
// bytes. Every read first looks at the size the picture DECLARES in its
// header, and a picture that declares more than the limits below is refused
// without decoding a single row: a few hundred bytes of JPEG or PNG may
// declare 30000 x 30000 pixels, and decoding that takes gigabytes.
//
//     QString refusal;
//     const QImage page = platform::readPicture(path, &refusal);
//     if (!refusal.isEmpty())
//         QMessageBoxBase::information(this, "提示", refusal);   // names the file
//
// Formats are decided by content, never by the file name's suffix. Every
// function is safe on any thread (each call has its own reader).
namespace platform {

// A picture may declare at most this many pixels, and no side longer than
// kMaxPictureSide.
constexpr qint64 kMaxPicturePixels = 100LL * 1000 * 1000;
constexpr int kMaxPictureSide = 30000;

enum class PictureVerdict {
    Ok,
    NotFound,    // no such regular file (missing, a folder, ...)
    NotPicture,  // no known picture format, or its header cannot be read
    TooLarge,    // declares more than the limits: never decoded
    Damaged,     // the header is fine but the data does not decode whole
};

struct PictureHeader {
    PictureVerdict verdict = PictureVerdict::NotPicture;
    QSize size;         // as declared; valid when the header was read
    QByteArray format;  // lower case: "png", "jpeg", "bmp", ...
};

// Whether a picture of `size` may be decoded.
bool pictureSizeAllowed(const QSize& size);

// Looks at the header only (never decodes). verdict is Ok, NotFound,
// NotPicture (a size the format does not declare counts as no picture: it
// could not be checked) or TooLarge.
PictureHeader inspectPicture(const QString& path);
PictureHeader inspectPictureData(const QByteArray& bytes);

// The whole picture, null when it is refused or does not decode. With
// `refusal` given, a picture refused for its declared size leaves there the
// message for the user (naming `path`); any other failure leaves it empty.
// `autoTransform` turns the picture upright by its EXIF orientation.
QImage readPicture(const QString& path, QString* refusal = nullptr, bool autoTransform = false);
QImage readPictureData(const QByteArray& bytes, const QString& name, QString* refusal = nullptr);

// The picture decoded at no more than `bound` (aspect kept), for thumbnails:
// pictures over the limits are not decoded at all (null). JPEG pictures are
// decoded at reduced size directly; others are decoded whole (within the
// limits) and scaled.
QImage readPictureScaled(const QString& path, const QSize& bound);

// Decodes the whole picture to check that it is complete, as far as the
// decoder can tell, plus the end-of-image marker for JPEG, which the decoder
// forgives (it pads a cut-off file with grey). Ok only when it decodes.
// `header` (optional) receives what the header declared.
PictureVerdict verifyPicture(const QString& path, PictureHeader* header = nullptr);
PictureVerdict verifyPictureData(const QByteArray& bytes, PictureHeader* header = nullptr, QImage* decoded = nullptr);

// "图片尺寸过大（W×H），未打开：<name>" and the like, for a message box.
QString pictureTooLargeMessage(const QString& name, const QSize& size);

}  // namespace platform
