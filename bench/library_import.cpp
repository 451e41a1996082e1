// Library import, side by side in one run: the copy of chosen files into
// documents/ with every file checked (copyIntoLibrary: each one decoded on
// worker threads ahead of the copy loop) against the bare byte copy of the
// same files. Two sets: 20 PDF pages (1024 x 1448 PNG) and 20 phone photos
// (4000 x 3000 JPEG). Prints the medians and the ratio checked / bare copy.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "BenchSupport.h"
#include "app/Startup.h"
#include "capture/sources/LibraryImport.h"

namespace {

constexpr int kFiles = 20;
constexpr int kRounds = 5;

// A page with text-like strokes, so that it compresses like a scan.
QImage page(int width, int height, int number)
{
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(QColor(250, 248, 240));
    QPainter painter(&image);
    painter.setPen(QColor(30, 30, 60));
    for (int y = 60; y < height - 40; y += 36)
        for (int x = 40; x < width - 60; x += 23 + (x * number + y) % 17)
            painter.drawLine(x, y, x + 12, y - 10 - (x + y) % 9);
    painter.end();
    return image;
}

QStringList writeSet(const QString& folder, int width, int height, const char* format, const char* suffix)
{
    QDir().mkpath(folder);
    QStringList files;
    for (int i = 1; i <= kFiles; ++i) {
        const QString path = QStringLiteral("%1/%2.%3").arg(folder).arg(i).arg(QString::fromLatin1(suffix));
        page(width, height, i).save(path, format, 90);
        files.append(path);
    }
    return files;
}

void clearLibrary()
{
    QDir(QStringLiteral("documents")).removeRecursively();
    QDir().mkpath(QStringLiteral("documents"));
}

double bareCopy(const QStringList& files)
{
    clearLibrary();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < files.size(); ++i)
        QFile::copy(files.at(i), QStringLiteral("documents/%1.%2").arg(i + 1).arg(QFileInfo(files.at(i)).suffix()));
    return timer.nsecsElapsed() / 1e6;
}

double checkedCopy(const QStringList& files)
{
    clearLibrary();
    QElapsedTimer timer;
    timer.start();
    const QStringList copied = libraryimport::copyIntoLibrary(files);
    const double ms = timer.nsecsElapsed() / 1e6;
    if (copied.size() != files.size()) {
        std::printf("import refused %d files\n", int(files.size() - copied.size()));
        std::exit(1);
    }
    return ms;
}

void measure(const char* name, const QStringList& files)
{
    std::vector<double> bare, checked;
    for (int round = 0; round < kRounds; ++round) {
        bare.push_back(bareCopy(files));
        checked.push_back(checkedCopy(files));
    }
    const double b = bench::median(bare);
    const double c = bench::median(checked);
    std::printf("%s, %d files, median of %d rounds\n", name, kFiles, kRounds);
    std::printf("  bare byte copy:                  %8.1f ms\n", b);
    std::printf("  checked copy (copyIntoLibrary):  %8.1f ms (%.1f ms a file)\n", c, c / kFiles);
    std::printf("  ratio checked / bare:            %8.2f\n", c / b);
}

}  // namespace

int main(int argc, char** argv)
{
    QTemporaryDir appData;
    bench::useOffscreenAndPrivateData(appData);
    QApplication app(argc, argv);
    createDataFolders();

    measure("PDF pages 1024 x 1448 PNG", writeSet(QStringLiteral("pages"), 1024, 1448, "PNG", "png"));
    measure("photos 4000 x 3000 JPEG", writeSet(QStringLiteral("photos"), 4000, 3000, "JPEG", "jpg"));
    return 0;
}
