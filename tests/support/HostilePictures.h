#pragma once

#include <QByteArray>
#include <QString>

// Picture files that attack their reader, made small on disk:
//  - headers that declare far more pixels than the data holds (a decoder
//    that trusts them allocates width x height x 4 bytes before it finds
//    the data missing);
//  - whole small pictures to cut short or rename.
namespace hostile {

// A PNG of `width` x `height` (RGB, 8 bits) whose only IDAT holds one
// compressed empty row: a few dozen bytes.
QByteArray pngDeclaring(int width, int height);

// A small real JPEG whose frame header was rewritten to declare `width` x
// `height`; its coded data is that of the small picture.
QByteArray jpegDeclaring(int width, int height);

// Whole pictures of `width` x `height` with some detail, encoded as named.
QByteArray png(int width, int height);
QByteArray jpeg(int width, int height);

// The first `keep` bytes of `bytes` (a file cut short).
QByteArray cut(const QByteArray& bytes, int keep);

// Writes `bytes` to `path` (its folder made); false when it cannot.
bool write(const QString& path, const QByteArray& bytes);

}  // namespace hostile
