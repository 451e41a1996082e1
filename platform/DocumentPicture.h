#pragma once

#include <QImage>
#include <QVariant>

class QUrl;

// The resources a rich-text document names (its pictures, a style sheet),
// for the loadResource of the answer editor and of the older-style answers
// PDF. Left to itself a document opens any local name it is given, reads it
// whole and decodes any format: a FIFO that nobody writes hangs it for good,
// /dev/zero never ends, an ICO named .png is decoded at whatever size it
// holds. Here a local name is read only through the picture door
// (PictureFile.h), and only the program's own resources (":/...", qrc:) go
// to the document's own loader.
namespace platform {

// What loadResource answers for a resource of QTextDocument type `type`
// named `name`: for a picture readDocumentPicture; for any other resource an
// empty text (nothing is read). Invalid (QVariant()) only for the program's
// own resources: the caller hands those to the document's own loader.
//
//     QVariant loadResource(int type, const QUrl& name) override {
//         const QVariant answer = platform::documentResource(type, name);
//         return answer.isValid() ? answer : QTextEdit::loadResource(type, name);
//     }
QVariant documentResource(int type, const QUrl& name);

// Whether `name` is one of the program's own resources (":/..." or qrc:).
bool isProgramResource(const QUrl& name);

// The picture a document names, never null unless isProgramResource(name):
//  - a local file (a file URL, an absolute path, or a path relative to the
//    working directory such as an answer's "item/<user>/<folder>/<n>.jpg"):
//    a regular file is read through the door (readPicture), and a picture
//    the door refuses gives refusedPictureMark(); a name that exists but is
//    no regular file (a FIFO, a device, a folder) gives refusedPictureMark()
//    without being opened for reading (the file is looked at first, then
//    opened without blocking and looked at again, so a name swapped meanwhile
//    is not read either); a missing file gives missingPictureMark();
//  - a data: URL: its bytes through the door, or refusedPictureMark();
//  - any other scheme (http:, ...): nothing is fetched, refusedPictureMark().
// Safe on any thread.
QImage readDocumentPicture(const QUrl& name);

// What a document shows for a picture the door refused: a small grey square.
QImage refusedPictureMark();

// What a document shows for a picture whose file is missing: the small file
// icon a document shows for a name it cannot load (the grey square where the
// icon is not to be had).
QImage missingPictureMark();

}  // namespace platform
