// PDF import of a 20-page worksheet PDF, side by side in one run:
//  - the converter alone: mutool convert -o tmp/<T>_%d.png -O width=1024, run
//    straight from this program and awaited;
//  - our whole import: the same conversion through pdfimport::convert (worker
//    task, busy-dialog wait, page collection), the copy of the pages into the
//    library, the library listing, and the first page decoded as the cutter
//    shows it.
// Our part of the work is the difference. Prints the medians and the ratio
// (our part / converter alone); the target is at most 0.25.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFont>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "BenchSupport.h"
#include "app/Startup.h"
#include "capture/sources/LibraryImport.h"
#include "capture/sources/PdfImport.h"

namespace {

constexpr int kPages = 20;
constexpr int kRounds = 5;

// An A4 worksheet: a title, numbered questions of text, a few boxes.
bool writeWorksheet(const QString& path)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(150);
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    for (int page = 1; page <= kPages; ++page) {
        if (page > 1)
            writer.newPage();
        const QRect area = painter.viewport();
        QFont font = painter.font();
        font.setPixelSize(40);
        painter.setFont(font);
        painter.drawText(QRect(0, 40, area.width(), 60), Qt::AlignHCenter, QStringLiteral("第%1页 练习").arg(page));
        font.setPixelSize(24);
        painter.setFont(font);
        for (int q = 0; q < 24; ++q) {
            const int y = 140 + q * 48;
            painter.drawText(80, y,
                             QStringLiteral("%1. 已知 3x + %2 = %3，求 x 的值，并检验。 Solve and check.")
                                 .arg(q + 1)
                                 .arg(q + 2)
                                 .arg(3 * q + 20));
            if (q % 6 == 5)
                painter.drawRect(80, y + 8, area.width() - 160, 30);
        }
    }
    return painter.end();
}

void clearFolders()
{
    QDir(QStringLiteral("tmp")).removeRecursively();
    QDir(QStringLiteral("documents")).removeRecursively();
    QDir().mkpath(QStringLiteral("tmp"));
    QDir().mkpath(QStringLiteral("documents"));
}

}  // namespace

int main(int argc, char** argv)
{
    QTemporaryDir appData;
    bench::useOffscreenAndPrivateData(appData);
    QApplication app(argc, argv);
    createDataFolders();

    const QString mutool = pdfimport::converterPath();
    if (mutool.isEmpty()) {
        std::printf("mutool (package mupdf-tools) is not installed\n");
        return 1;
    }
    const QString pdf = appData.path() + QStringLiteral("/worksheet.pdf");
    if (!writeWorksheet(pdf)) {
        std::printf("cannot write the test PDF\n");
        return 1;
    }

    std::vector<double> converter, whole;
    for (int round = 0; round < kRounds; ++round) {
        clearFolders();
        QElapsedTimer timer;
        timer.start();
        QProcess::execute(mutool, {QStringLiteral("convert"), QStringLiteral("-o"), QStringLiteral("tmp/bench_%d.png"),
                                   QStringLiteral("-O"), QStringLiteral("width=1024"), pdf});
        converter.push_back(timer.nsecsElapsed() / 1e6);

        clearFolders();
        timer.restart();
        const pdfimport::Conversion result = pdfimport::convert(pdf);
        const QStringList copied = libraryimport::copyIntoLibrary(result.pages);
        QStringList listed;
        libraryimport::listImages(libraryimport::libraryFolder(), listed);
        const QImage first = QImage(copied.value(0)).convertToFormat(QImage::Format_RGB888);
        if (result.pages.size() != kPages || copied.size() != kPages || first.width() != 1024) {
            std::printf("import failed: %d pages, %d copied\n", int(result.pages.size()), int(copied.size()));
            return 1;
        }
        whole.push_back(timer.nsecsElapsed() / 1e6);
    }
    const double conv = bench::median(converter);
    const double ours = bench::median(whole);
    std::printf("PDF import, %d pages, median of %d rounds\n", kPages, kRounds);
    std::printf("  converter alone:                 %8.1f ms\n", conv);
    std::printf("  choice to first page shown:      %8.1f ms (the whole import)\n", ours);
    std::printf("  our part (whole - converter):    %8.1f ms\n", ours - conv);
    std::printf("  ratio our part / converter:      %8.3f (target <= 0.25)\n", (ours - conv) / conv);
    return 0;
}
