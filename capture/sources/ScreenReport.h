#pragma once

#include <QByteArray>
#include <QImage>
#include <QMetaType>
#include <QString>

// The report of the screen-capture helper: one UDP datagram to 127.0.0.1,
// port 10001.
//
//   offset 0: 0x7E   offset 1: 0x00   offset 2: 0x01 an image was saved,
//                                               anything else: none was
//   offset 3: N, the length of the path in bytes (0 to 255)
//   offset 4: N bytes, the saved file's path in UTF-8, no terminator
//
// The receiver joins every datagram pending when it reads into one buffer and
// reads one report from its start; whatever follows it is ignored.
struct ScreenReport {
    enum class Kind {
        Empty,      // nothing received yet: the capture is still pending
        Saved,      // an image was saved under `path`
        NotSaved,   // a well-formed report that names no image (cancelled, failed)
        Malformed,  // anything else; names no image
    };

    Kind kind = Kind::Empty;
    QString path;  // Saved only: the path as reported (relative to the data folder as a rule)

    bool hasImage() const { return kind == Kind::Saved; }
};
Q_DECLARE_METATYPE(ScreenReport)

constexpr quint16 kScreenReportPort = 10001;

// Reads the report at the start of `buffer`, never past its end.
//  - an empty buffer is Empty;
//  - 7E 00 xx with xx other than 01 is NotSaved;
//  - 7E 00 01 N is Saved only when the N path bytes are all there, are valid
//    UTF-8 and name something: a report shorter than 4 + N bytes, an empty
//    path, or a zero byte followed by more path bytes is Malformed. Zero bytes
//    that only end the path (a C-style terminator, padding) are dropped;
//  - any other beginning is Malformed.
ScreenReport parseScreenReport(const QByteArray& buffer);

// The file a report names, as the program takes it. The report is only a
// datagram that anything on this machine could send, so the file is checked
// before it becomes a question or an answer picture:
//  - it is a regular file (no link, no folder, no device) whose real path
//    lies inside the data folder's tmp/ (where the capture helper saves),
//    relative paths counting from the working directory;
//  - it holds at most kMaxScreenShotBytes;
//  - its bytes, read once, decode whole as a picture no larger than the
//    program decodes (platform/PictureFile.h).
// Accepted: `bytes` are what was read (a question keeps them byte for byte)
// and `image` their decoding, `refusal` is empty. Refused: nothing is kept,
// and `refusal` is the message for the user, naming the file.
struct ScreenShot {
    QByteArray bytes;
    QImage image;
    QString refusal;

    bool accepted() const { return refusal.isEmpty(); }
};

constexpr qint64 kMaxScreenShotBytes = 64LL * 1024 * 1024;

// `tmpFolder` empty: the data folder's tmp/ (platform::dataFolder()).
ScreenShot readScreenShot(const QString& reportedPath, const QString& tmpFolder = QString());
