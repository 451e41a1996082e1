// What the picture door costs over a bare decode, on JPEG files (the door
// checks a JPEG by walking all of its scans with libjpeg before the decode
// itself): a 4000 x 3000 page and a 1024 x 1500 question picture, read whole
// (the editors, the cutter) and as a 160-pixel thumbnail (the strips), each
// against QImageReader on the same file, alternately in one run. Prints the
// medians and the ratios door / bare.
#include <QBuffer>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "platform/PictureFile.h"

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
    return 0;
}
