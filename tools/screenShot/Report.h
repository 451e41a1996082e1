#pragma once

#include <QByteArray>
#include <QString>

// The report datagram this helper sends to 127.0.0.1, port 10001:
// 7E 00 01 N <N bytes of the path, UTF-8> when an image was saved,
// 7E 00 02 00 when none was (cancelled, or the screen could not be grabbed).
namespace shot {

constexpr quint16 kReportPort = 10001;

// The saved-image report for `path`; empty when the path does not fit in
// 255 bytes of UTF-8 (or is empty), which the caller reports as no image.
QByteArray savedReport(const QString& path);
QByteArray notSavedReport();

// Sends one datagram to 127.0.0.1:10001; false when it could not be sent.
bool sendReport(const QByteArray& datagram);

}  // namespace shot
