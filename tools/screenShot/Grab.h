#pragma once

#include <QImage>
#include <QRect>
#include <QString>

namespace shot {

// Whether this session can be grabbed at all: false (with the reason) when
// there is no X display to talk to, as in a Wayland session without X.
// Called before the application object exists.
bool canGrab(QString& reason);

// The whole primary screen in device pixels; a null image with the reason
// when the platform gives nothing.
QImage grabScreen(QString& reason);

// "x,y,w,h" in screen pixels; false for anything else or an empty size.
bool parseRegion(const QString& text, QRect& region);

// Saves `image` as tmp/<milliseconds since 1970>.png (the next free number
// when that name exists), creating tmp/ in the working directory. Returns
// the relative path, empty with the reason on failure.
QString saveShot(const QImage& image, QString& reason);

}  // namespace shot
