#pragma once

#include <QByteArray>

#include <vector>

// Byte surgery on a JPEG's scans, for the fixtures of the picture door's
// tests and benchmarks: finding the scans and sending one again.
namespace jpegscans {

// The offsets of the start-of-scan markers (0xFF 0xDA never occurs inside
// coded data, where a 0xFF is followed by 0x00 or a restart marker).
inline std::vector<int> starts(const QByteArray& jpeg)
{
    std::vector<int> found;
    for (int at = jpeg.indexOf("\xFF\xDA"); at >= 0; at = jpeg.indexOf("\xFF\xDA", at + 2))
        found.push_back(at);
    return found;
}

// Where the coded data of the scan whose marker is at `sos` ends: the 0xFF
// of the next marker.
inline int endOf(const QByteArray& jpeg, int sos)
{
    const auto byte = [&](int at) { return static_cast<unsigned char>(jpeg.at(at)); };
    int at = sos + 2 + (byte(sos + 2) << 8 | byte(sos + 3));
    for (; at + 1 < jpeg.size(); ++at) {
        const unsigned char next = byte(at + 1);
        if (byte(at) == 0xFF && next != 0 && next != 0xFF && (next < 0xD0 || next > 0xD7))
            return at;
    }
    return static_cast<int>(jpeg.size());
}

// `jpeg` with its scan `index` (and the tables between it and the scan
// before) sent again until the file has `scans` scans; empty when it has no
// such scan.
inline QByteArray repeated(const QByteArray& jpeg, int index, int scans)
{
    const std::vector<int> found = starts(jpeg);
    if (index < 0 || static_cast<size_t>(index) >= found.size())
        return QByteArray();
    const int from = index == 0 ? found[0] : endOf(jpeg, found[static_cast<size_t>(index) - 1]);
    const int to = endOf(jpeg, found[static_cast<size_t>(index)]);
    QByteArray out = jpeg.left(to);
    for (int n = static_cast<int>(found.size()); n < scans; ++n)
        out += jpeg.mid(from, to - from);
    return out + jpeg.mid(to);
}

}  // namespace jpegscans
