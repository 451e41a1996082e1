#pragma once

#include <QImage>
#include <QString>

// The files of an answer's pictures. Each picture is a file of its own in the
// question's folder, item/<user id>/<question folder>/<number>.<suffix>,
// relative to the data folder (the working directory); the answer's HTML
// refers to it by exactly that relative name.
//
//     const QString name = answerpicture::freeName(user, folder, "png", QDateTime::currentSecsSinceEpoch());
//     if (!answerpicture::store(image, name))
//         ... tell the user; insert nothing
//
// GUI thread only (the check for a free name and the write are not atomic
// against other writers).
namespace answerpicture {

// The name for a new picture: the number is `seconds` (whole seconds since
// 1970, the time of insertion), or the next number after it whose file does
// not exist yet, so two pictures inserted within one second never share a
// file. An empty suffix gives "jpg" (the stored picture is a JPEG encoding).
// Empty when user or folder is empty: there is no question folder to store
// into.
QString freeName(const QString& user, const QString& folder, const QString& suffix, qint64 seconds);

// Stores `image` under `name`: at most 1024 pixels wide and encoded down to
// about 120 KB (compressImage), then written in the format that the name's
// suffix names. The question's folder is created when missing. False when
// the image is null or the file cannot be written; nothing is left behind
// then.
bool store(const QImage& image, const QString& name);

// The same from a picture file (a screen capture): false also when the file
// cannot be read or declares more pixels than the program decodes
// (platform::readPicture).
bool storeFile(const QString& sourcePath, const QString& name);

}  // namespace answerpicture
