// What the picture door costs, in one run:
//
//  1. over a bare decode, on JPEG files (the door walks a JPEG's markers and
//     judges it in the same libjpeg pass that decodes it): a 4000 x 3000 page
//     and a 1024 x 1500 question picture, read whole (the editors, the
//     cutter) and as a 160-pixel thumbnail (the strips), each against
//     QImageReader on the same file, alternately. Prints the medians and the
//     ratios door / bare.
//  2. scan bombs at the largest allowed size (10000 x 10000): progressive
//     JPEGs of a flat picture with scans sent again, each time a header and
//     a few bytes. The verdict and its time for bombs the walk refuses (2000
//     scans, about half a megabyte; 20 scans of luma refinements) and, for
//     the costliest ones it lets through (scans sent again up to each bound
//     of the work, and up to all of them at once), the time to judge them,
//     against the whole decode of a photo of that size (bare and through the
//     door).
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "platform/JpegWalk.h"
#include "platform/PictureFile.h"
#include "support/JpegScans.h"

namespace {

// Soft gradients and noise, saved at quality 90: about a phone photo's
// coded size per pixel.
bool writePhotoLike(const QString& path, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient background(0, 0, width, height);
    background.setColorAt(0, QColor(236, 230, 214));
    background.setColorAt(1, QColor(150, 144, 130));
    painter.fillRect(image.rect(), background);
    painter.end();
    QRandomGenerator random(7);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int n = static_cast<int>(random.bounded(24)) - 12;
            const QRgb p = row[x];
            row[x] = qRgb(std::clamp(qRed(p) + n, 0, 255), std::clamp(qGreen(p) + n, 0, 255),
                          std::clamp(qBlue(p) + n, 0, 255));
        }
    }
    return image.save(path, "JPG", 90);
}

double medianMs(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Runs both alternately `rounds` times; the medians in ms.
std::pair<double, double> compare(const std::function<QImage()>& door, const std::function<QImage()>& bare, int rounds)
{
    std::vector<double> doorTimes, bareTimes;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (door().isNull())
            std::fprintf(stderr, "the door read nothing\n");
        doorTimes.push_back(timer.nsecsElapsed() / 1e6);
        timer.restart();
        if (bare().isNull())
            std::fprintf(stderr, "the bare read nothing\n");
        bareTimes.push_back(timer.nsecsElapsed() / 1e6);
    }
    return {medianMs(doorTimes), medianMs(bareTimes)};
}

QImage bareRead(const QString& path, const QSize& scaled = QSize())
{
    QImageReader reader(path);
    if (scaled.isValid()) {
        const QSize size = reader.size();
        reader.setScaledSize(size.scaled(scaled, Qt::KeepAspectRatio));
    }
    return reader.read();
}

// ---- 2. scan bombs ----------------------------------------------------------

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A flat picture saved progressive by Qt's writer (libjpeg's script of ten
// scans for colour): every AC band is all end-of-band runs.
QByteArray flatProgressive(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(200, 190, 170));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(true);
    writer.write(image);
    return bytes;
}

const char* verdictName(platform::PictureVerdict verdict)
{
    switch (verdict) {
    case platform::PictureVerdict::Ok: return "whole";
    case platform::PictureVerdict::NotFound: return "not found";
    case platform::PictureVerdict::NotPicture: return "not a picture";
    case platform::PictureVerdict::TooLarge: return "too large";
    case platform::PictureVerdict::Damaged: return "refused as damaged";
    }
    return "?";
}

// The median time of `rounds` runs of `work`, in ms.
double timed(const std::function<void()>& work, int rounds)
{
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    return medianMs(times);
}

void benchScanBombs(const QTemporaryDir& dir)
{
    const int side = 10000;
    const QByteArray flat = flatProgressive(side, side);
    const int limit = platform::jpeg::kMaxScans;
    std::printf("\nscan bombs, %d x %d, at most %d scans, %d passes over the blocks, %d refinements (medians, ms)\n",
                side, side, limit, platform::jpeg::kMaxBlockPasses, platform::jpeg::kMaxRefinements);

    struct Bomb {
        const char* name;
        QByteArray bytes;
    };
    // Bombs the walk refuses: many scans, and few scans of too much work.
    const Bomb refused[] = {
        {"2000 scans (a chroma AC band)", jpegscans::repeated(flat, 2, 2000)},
        {"20 scans (luma refinements)", jpegscans::repeated(flat, 9, limit)},
    };
    const QString bomb = dir.filePath(QStringLiteral("bomb.jpg"));
    for (const auto& kind : refused) {
        writeFile(bomb, kind.bytes);
        platform::PictureVerdict verdict = platform::PictureVerdict::Ok;
        const double judged = timed([&] { verdict = platform::verifyPicture(bomb); }, 9);
        const double read = timed([&] { platform::readPicture(bomb); }, 9);
        std::printf("%s, %lld KB: %s in %.3f ms (check), %.3f ms (whole read)\n", kind.name,
                    static_cast<long long>(kind.bytes.size() / 1024), verdictName(verdict), judged, read);
    }

    const QString photo = dir.filePath(QStringLiteral("photo.jpg"));
    if (!writePhotoLike(photo, side, side)) {
        std::fprintf(stderr, "cannot write the photo\n");
        return;
    }
    std::printf("a photo of that size, %lld KB: its whole decode, bare and through the door, against\n"
                "the bombs the door lets through (a flat progressive picture, scans sent again up to the bounds):\n",
                static_cast<long long>(QFile(photo).size() / 1024));
    std::printf("%-40s %6s %7s %7s %7s %7s %11s %11s\n", "sent again", "KB", "check", "read", "bare", "door",
                "check/bare", "read/door");
    // libjpeg's script: 0 DC, 1 luma AC 1-5, 2 and 3 chroma AC, 4 luma AC 6-63,
    // 5 luma refinement, 6 DC refinement, 7 and 8 chroma refinement, 9 luma
    // refinement.
    const QByteArray refinements = jpegscans::repeated(flat, 9, 12);
    const Bomb kinds[] = {
        {"DC of all components: 3 passes", jpegscans::repeated(flat, 0, 11)},
        {"luma AC 6-63, first pass: 20 scans", jpegscans::repeated(flat, 4, limit)},
        {"luma AC 1-63 refinement: 3 refinements", refinements},
        {"all three: 20 scans", jpegscans::repeated(jpegscans::repeated(refinements, 4, limit - 1), 0, limit)},
    };
    const QString atLimit = dir.filePath(QStringLiteral("limit.jpg"));
    for (const auto& kind : kinds) {
        const QByteArray& bytes = kind.bytes;
        writeFile(atLimit, bytes);
        if (platform::verifyPicture(atLimit) != platform::PictureVerdict::Ok)
            std::fprintf(stderr, "a bomb at the limit was refused\n");
        // Alternately, so that the machine's load weighs on both alike.
        std::vector<double> check, whole, bare, door;
        for (int round = 0; round < 3; ++round) {
            check.push_back(timed([&] { platform::verifyPicture(atLimit); }, 1));
            bare.push_back(timed([&] { bareRead(photo); }, 1));
            whole.push_back(timed([&] { platform::readPicture(atLimit); }, 1));
            door.push_back(timed([&] { platform::readPicture(photo); }, 1));
        }
        const double c = medianMs(check), w = medianMs(whole), b = medianMs(bare), d = medianMs(door);
        std::printf("%-40s %6lld %7.0f %7.0f %7.0f %7.0f %11.2f %11.2f\n", kind.name,
                    static_cast<long long>(bytes.size() / 1024), c, w, b, d, c / b, w / d);
    }
    std::printf("(check, read: the bomb's verifyPicture and readPicture; bare, door: the photo's whole decode by\n"
                " QImageReader and by readPicture)\n");
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    const QString page = dir.filePath(QStringLiteral("page.jpg"));
    const QString question = dir.filePath(QStringLiteral("question.jpg"));
    if (!writePhotoLike(page, 4000, 3000) || !writePhotoLike(question, 1024, 1500)) {
        std::fprintf(stderr, "cannot write the pictures\n");
        return 1;
    }
    const QSize thumb(160, 160);
    struct Row {
        const char* name;
        QString path;
        bool thumbnail;
        int rounds;
    };
    const Row rows[] = {
        {"page 4000x3000, whole", page, false, 9},
        {"page 4000x3000, thumbnail", page, true, 15},
        {"question 1024x1500, whole", question, false, 31},
        {"question 1024x1500, thumbnail", question, true, 31},
    };
    std::printf("%-32s %10s %10s %7s\n", "read", "door ms", "bare ms", "ratio");
    for (const Row& row : rows) {
        const auto [door, bare] = row.thumbnail ? compare([&] { return platform::readPictureScaled(row.path, thumb); },
                                                          [&] { return bareRead(row.path, thumb); }, row.rounds)
                                                : compare([&] { return platform::readPicture(row.path); },
                                                          [&] { return bareRead(row.path); }, row.rounds);
        std::printf("%-32s %10.2f %10.2f %7.2f\n", row.name, door, bare, door / bare);
    }
    benchScanBombs(dir);
    return 0;
}
