#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include "platform/DocumentPicture.h"

class QUrl;

// The one door through which the program reads a picture from a file or from
// bytes. Only PNG, JPEG and BMP pictures are read, judged by their content
// (signature) whatever the file is called, and the decoder is fixed to the
// format found: an ICO, SVG, GIF, TIFF, WebP, ... is no picture here, even
// named ".png" (such containers declare one size and hold a picture of
// another). Every read first looks at the size the picture DECLARES in its
// header, and a picture that declares more than the limits below is refused
// without decoding a single row: a few hundred bytes of JPEG or PNG may
// declare 30000 x 30000 pixels, and decoding that takes gigabytes.
//
//     QString refusal;
//     const QImage page = platform::readPicture(path, &refusal);
//     if (!refusal.isEmpty())
//         QMessageBoxBase::information(this, "提示", refusal);   // names the file
//
// Only a whole picture is decoded: a JPEG whose own structure ends with its
// end-of-image marker after scans that decode without a warning of lost data,
// every component over its whole coefficient range (bytes after that marker,
// such as a phone's motion-photo video, are ignored), a BMP that holds the
// pixel data its header declares, a PNG that decodes. The work of a JPEG is
// bounded before it is decoded: its markers are walked and one of more scans,
// passes over its blocks or refinements than real encoders write (JpegWalk.h)
// is refused at once. A JPEG is then
// decoded in one libjpeg pass that judges it and makes the picture (the one
// Qt's reader gives). Decodes running at one time share a memory budget
// (DecodeBudget.h) by their declared sizes, so checks of many pictures side
// by side stay within it. Every function is safe on any thread (each call
// has its own reader).
namespace platform {

// A picture may declare at most this many pixels, and no side longer than
// kMaxPictureSide.
constexpr qint64 kMaxPicturePixels = 100LL * 1000 * 1000;
constexpr int kMaxPictureSide = 30000;

enum class PictureVerdict {
    Ok,
    NotFound,    // no such regular file (missing, a folder, ...)
    NotPicture,  // not a PNG, JPEG or BMP by content, its header cannot be read, or a JPEG
                 // coded in a way the door does not read (arithmetic, lossless, hierarchical)
    TooLarge,    // declares more than the limits: never decoded
    Damaged,     // the header is fine but the data does not decode whole, or a JPEG has more
                 // scans than the limit (never decoded)
};

struct PictureHeader {
    PictureVerdict verdict = PictureVerdict::NotPicture;
    QSize size;         // as declared; valid when the header was read
    QByteArray format;  // "png", "jpeg" or "bmp" by content; empty for no picture
};

// Whether a picture of `size` may be decoded.
bool pictureSizeAllowed(const QSize& size);

// Looks at the header only (never decodes). verdict is Ok, NotFound,
// NotPicture (a size the format does not declare counts as no picture: it
// could not be checked) or TooLarge.
PictureHeader inspectPicture(const QString& path);
PictureHeader inspectPictureData(const QByteArray& bytes);

// The whole picture, null when it is refused or is not whole. With
// `refusal` given, a picture refused for its declared size leaves there the
// message for the user (naming `path`); any other failure leaves it empty.
// `autoTransform` turns the picture upright by its EXIF orientation.
QImage readPicture(const QString& path, QString* refusal = nullptr, bool autoTransform = false);
QImage readPictureData(const QByteArray& bytes, const QString& name, QString* refusal = nullptr);

// The picture turned upright by its EXIF orientation (as readPicture with
// `autoTransform`) and scaled to fit `bound` (aspect kept, the longer side
// fills it), for thumbnails: null when it is refused or is not whole. A JPEG
// is decoded at libjpeg's own reduction (1/2, 1/4, 1/8) as far as it stays at
// least that size, then scaled smoothly; others are decoded whole (within
// the limits) and scaled.
QImage readPictureScaled(const QString& path, const QSize& bound);

// Checks that the picture is whole (see above) by decoding it: a JPEG at an
// eighth of its size (every coded byte is still read), others whole. Ok only
// when it is whole. `header` (optional) receives what the header declared;
// `decoded` (optional) the whole picture (as stored, not turned) when it is
// Ok.
PictureVerdict verifyPicture(const QString& path, PictureHeader* header = nullptr);
PictureVerdict verifyPictureData(const QByteArray& bytes, PictureHeader* header = nullptr, QImage* decoded = nullptr);

// The pictures a rich-text document names (readDocumentPicture,
// refusedPictureMark): DocumentPicture.h, included above.

// "图片尺寸过大（W×H），未打开：<name>" and the like, for a message box.
QString pictureTooLargeMessage(const QString& name, const QSize& size);

}  // namespace platform
