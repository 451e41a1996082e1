// Speed of the capture window's library strip and of paging in the question
// viewer, each against the work it cannot avoid and against a bare decode
// (QImageReader, no picture door), measured side by side in one run:
//
//  1. strip: a library of 200 photographed pages of 4000 x 3000 pixels (JPEG)
//     shown in the capture window's strip (loadList: the progress dialog, 200
//     thumbnails read through the picture door), against decoding the same
//     200 files at full size, and against the same strip filled the same way
//     (the same window, progress dialog and worker threads) from bare scaled
//     decodes. While a strip fills, a 10 ms timer measures the longest time
//     the window went without processing events.
//  2. viewer: 下一题 from the click until the window has painted the next
//     question (two 1024 x 1400 pictures read through the door, its answer and
//     its attributes), against decoding the question's two JPEG files alone,
//     bare and through the door; 下一题 with bare decodes is 下一题 less the
//     door's reads plus the bare ones, press by press.
//
// Prints medians and ratios.
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QUuid>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "app/Startup.h"
#include "capture/common/WorkAhead.h"
#include "capture/sources/FileProgress.h"
#include "capture/viewer/QViewItem.h"
#include "capture/window/QImportTopic.h"
#include "capture/window/QuestionFolder.h"
#include "capture/window/ThumbnailCache.h"
#include "core/AppContext.h"
#include "core/Sqlite.h"
#include "platform/PictureFile.h"
#include "transfer/QThumbnail.h"
#include "ui/ModalRecorder.h"

namespace {

constexpr int kPages = 200;
constexpr int kStripRounds = 6;
constexpr int kQuestions = 24;
constexpr int kViewerRounds = 3;

// A photographed page: paper with a soft shade, lines of text, a figure and
// sensor-like noise (what makes JPEG work hard).
QImage pagePicture(int width, int height, int seed)
{
    QImage image(width, height, QImage::Format_RGB888);
    QPainter painter(&image);
    QLinearGradient paper(0, 0, width, height);
    paper.setColorAt(0, QColor(244, 240, 228));
    paper.setColorAt(1, QColor(214, 208, 196));
    painter.fillRect(image.rect(), paper);
    painter.setPen(QColor(30, 30, 40));
    QFont font = painter.font();
    font.setPixelSize(std::max(12, height / 45));
    painter.setFont(font);
    const int step = font.pixelSize() * 7 / 4;
    for (int y = step; y < height - step; y += step)
        painter.drawText(
            width / 25, y,
            QStringLiteral("%1. 已知 3x + %2 = 20，求 x 的值并检验。 Solve and check.").arg(y / step).arg(seed));
    painter.setPen(QPen(QColor(200, 30, 30), std::max(2, width / 300)));
    painter.drawEllipse(QPoint(width * 3 / 4, height / 3), width / 8, height / 10);
    painter.end();
    bench::addPaperNoise(image, 2024u + static_cast<quint32>(seed));
    return image;
}

QByteArray jpeg(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 90);
    return bytes;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
}

// ---- 1. the library strip ---------------------------------------------------

QStringList makeLibrary()
{
    // Four different pages, each stored 50 times: the decoder's work is the
    // same for every file.
    std::vector<QByteArray> pages;
    for (int i = 0; i < 4; ++i)
        pages.push_back(jpeg(pagePicture(4000, 3000, i)));
    QStringList files;
    for (int n = 1; n <= kPages; ++n) {
        const QString path = QStringLiteral("documents/%1.jpg").arg(n);
        writeFile(path, pages[static_cast<size_t>(n % 4)]);
        files << path;
    }
    std::printf("library: %d pages of 4000 x 3000, %lld KB each\n", kPages,
                static_cast<long long>(pages[0].size() / 1024));
    return files;
}

double decodeAll(const QStringList& files)
{
    QElapsedTimer timer;
    timer.start();
    for (const QString& path : files) {
        const QImage image(path);
        if (image.width() != 4000) {
            std::fprintf(stderr, "cannot decode %s\n", qPrintable(path));
            std::exit(1);
        }
    }
    return timer.nsecsElapsed() / 1e6;
}

// Runs `fill` with a 10 ms timer going: its time, and in `longestGap` the
// longest time between two passes of the event loop meanwhile.
double timeFill(const std::function<void()>& fill, double& longestGap)
{
    QElapsedTimer sinceTick;
    sinceTick.start();
    double gap = 0;
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        gap = std::max(gap, sinceTick.nsecsElapsed() / 1e6);
        sinceTick.restart();
    });
    tick.start();
    QElapsedTimer timer;
    timer.start();
    fill();
    const double ms = timer.nsecsElapsed() / 1e6;
    gap = std::max(gap, sinceTick.nsecsElapsed() / 1e6);
    longestGap = gap;
    return ms;
}

void checkStrip(QImportTopic& window, const QStringList& files)
{
    if (window.libraryStrip()->count() != files.size()) {
        std::fprintf(stderr, "the strip holds %d entries\n", window.libraryStrip()->count());
        std::exit(1);
    }
}

// The strip filled from the library; `longestGap` the longest time between
// two passes of the event loop meanwhile.
double fillStrip(QImportTopic& window, const QStringList& files, double& longestGap)
{
    // No entry is selected afterwards: the time is the strip's alone, not the
    // cutter's load of the selected page.
    const double ms = timeFill([&] { window.loadList(files, files.size()); }, longestGap);
    checkStrip(window, files);
    return ms;
}

// A thumbnail as a bare decode makes it: QImageReader at the fitted size
// (libjpeg's own reduction, then smooth scaling), centred on white.
QImage bareThumbnail(const QString& path, int side)
{
    QImage canvas(side, side, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QImageReader reader(path);
    const QSize source = reader.size();
    if (!source.isValid() || source.isEmpty())
        return canvas;
    reader.setScaledSize(source.scaled(side, side, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    const QImage picture = reader.read();
    QPainter painter(&canvas);
    painter.drawImage((side - picture.width()) / 2, (side - picture.height()) / 2, picture);
    return canvas;
}

// The same strip filled as loadList fills it (its progress dialog, its
// worker threads ahead of the list), from bare decodes.
double fillStripBare(QImportTopic& window, const QStringList& files, double& longestGap)
{
    QThumbnail* strip = window.libraryStrip();
    const double ms = timeFill(
        [&] {
            auto progress = makeFileProgress(QStringLiteral("加载列表"), files.size());
            strip->clear();
            const int side = strip->thumbnailSide();
            WorkAhead<QImage> decoding(static_cast<size_t>(files.size()),
                                       [&](size_t i) { return bareThumbnail(files.at(static_cast<int>(i)), side); });
            decoding.start(ThumbnailCache::workerCount());
            for (int i = 0; i < files.size(); ++i) {
                strip->addItem(files.at(i), decoding.take(static_cast<size_t>(i)));
                progress->setValue(i + 1);
            }
        },
        longestGap);
    checkStrip(window, files);
    return ms;
}

// A capture window shown on an empty library, as an import finds it.
std::unique_ptr<QImportTopic> openOnEmptyLibrary()
{
    const QString hidden = QStringLiteral("documents-hidden");
    QDir().rename(QStringLiteral("documents"), hidden);
    QDir().mkpath(QStringLiteral("documents"));
    auto window = std::make_unique<QImportTopic>();
    window->resize(1400, 900);
    window->show();
    QApplication::processEvents();
    QDir(QStringLiteral("documents")).removeRecursively();
    QDir().rename(hidden, QStringLiteral("documents"));
    return window;
}

void benchStrip()
{
    const QStringList files = makeLibrary();
    std::vector<double> decode, strip, reload, gaps, bare, bareGaps;
    for (int round = 0; round < kStripRounds; ++round) {
        decode.push_back(decodeAll(files));
        // The door's strip and the bare one in turn first.
        for (int pass = 0; pass < 2; ++pass) {
            std::unique_ptr<QImportTopic> window = openOnEmptyLibrary();
            double gap = 0;
            if ((pass + round) % 2 == 0) {
                strip.push_back(fillStrip(*window, files, gap));
                gaps.push_back(gap);
                // The reload after an import: every page is known already.
                reload.push_back(fillStrip(*window, files, gap));
            } else {
                bare.push_back(fillStripBare(*window, files, gap));
                bareGaps.push_back(gap);
            }
        }
    }
    const double d = bench::median(decode), s = bench::median(strip), r = bench::median(reload);
    const double b = bench::median(bare);
    std::printf("\nstrip (%d rounds, medians, ms; %d cores)\n", kStripRounds, QThread::idealThreadCount());
    std::printf("decode the 200 pages at full size:          %9.1f\n", d);
    std::printf("fill the strip (200 thumbnails):            %9.1f   ratio %.3f (target <= 0.25)\n", s, s / d);
    std::printf("the same strip from bare decodes:           %9.1f   door / bare %.2f\n", b, s / b);
    std::printf("longest time without events while filling:  %9.1f   (largest of the rounds %.1f)\n",
                bench::median(gaps), *std::max_element(gaps.begin(), gaps.end()));
    std::printf("  the same from bare decodes:               %9.1f   (largest of the rounds %.1f)\n",
                bench::median(bareGaps), *std::max_element(bareGaps.begin(), bareGaps.end()));
    std::printf("reload of the same 200 pages:               %9.1f   ratio %.3f\n", r, r / d);
}

// ---- 2. paging in the viewer ------------------------------------------------

std::vector<_detail_t> storeQuestions()
{
    const AppContext* ctx = AppContext::instance();
    std::vector<QByteArray> pictures;
    for (int i = 0; i < 6; ++i)
        pictures.push_back(jpeg(pagePicture(1024, 1400, 10 + i)));
    std::vector<_detail_t> details;
    for (int n = 0; n < kQuestions; ++n) {
        _detail_t d;
        d.user_id = ctx->user.id;
        d.grade = ctx->grade.id;
        d.term = ctx->term.id;
        d.subject = ctx->subject.id;
        d.classification = ctx->classifications.front().id;
        d.cause = ctx->causes.front().id;
        d.questiontype = ctx->questiontypes.front().id;
        d.point = "一元一次方程";
        d.source = "期中考试";
        d.detail_path = QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString();
        QDir().mkpath(questionfolder::folder(ctx->user_folder, d.detail_path));
        writeFile(questionfolder::file(d.user_id, d.detail_path, questionfolder::kQuestion),
                  pictures[static_cast<size_t>(n % 6)]);
        writeFile(questionfolder::file(d.user_id, d.detail_path, questionfolder::kWrongAnswer),
                  pictures[static_cast<size_t>((n + 3) % 6)]);
        const QString html = QStringLiteral(
            "<html><head><meta charset=\"utf-8\"></head><body><p>解：移项得 3x = 15，所以 x = 5。</p>"
            "<p>分析：注意移项要变号。</p></body></html>");
        writeFile(questionfolder::file(d.user_id, d.detail_path, questionfolder::kAnswer), html.toUtf8());
        std::string err;
        Singleton<sqlite>::instance()->addDetail(d, err);
        Singleton<sqlite>::instance()->getLastInsertId(d.id, err);
        details.push_back(d);
    }
    std::printf("\nviewer: %d questions, pictures 1024 x 1400, %lld KB each\n", kQuestions,
                static_cast<long long>(pictures[0].size() / 1024));
    return details;
}

// The question's two pictures decoded by `read`, in ms.
double decodeQuestion(const _detail_t& d, const std::function<QImage(const QString&)>& read)
{
    QElapsedTimer timer;
    timer.start();
    const QImage a = read(questionfolder::file(d.user_id, d.detail_path, questionfolder::kQuestion));
    const QImage b = read(questionfolder::file(d.user_id, d.detail_path, questionfolder::kWrongAnswer));
    if (a.isNull() || b.isNull())
        std::exit(1);
    return timer.nsecsElapsed() / 1e6;
}

void benchViewer()
{
    std::vector<_detail_t> details = storeQuestions();
    QViewItem viewer(details, 0, nullptr);
    viewer.resize(1400, 1000);
    viewer.show();
    QApplication::processEvents();

    std::vector<double> next, decode, door, nextBare;
    const auto bare = [](const QString& path) { return QImage(path); };
    const auto throughDoor = [](const QString& path) { return platform::readPicture(path); };
    for (int round = 0; round < kViewerRounds; ++round) {
        // From the first question to the last, 下一题 after 下一题.
        viewer.buttonClicked(0);
        while (viewer.index() > 0)
            viewer.buttonClicked(0);
        QApplication::processEvents();
        for (int i = 1; i < kQuestions; ++i) {
            QElapsedTimer timer;
            timer.start();
            viewer.nextButton()->click();
            viewer.repaint();  // painted now, not at the next pass of the loop
            next.push_back(timer.nsecsElapsed() / 1e6);
            decode.push_back(decodeQuestion(details[static_cast<size_t>(i)], bare));
            door.push_back(decodeQuestion(details[static_cast<size_t>(i)], throughDoor));
            nextBare.push_back(next.back() - door.back() + decode.back());
            QApplication::processEvents();
        }
    }
    const double n = bench::median(next), d = bench::median(decode), o = bench::median(door);
    const double nb = bench::median(nextBare);
    std::printf("viewer (%zu presses, medians, ms)\n", next.size());
    std::printf("decode the question's two JPEGs alone:      %9.1f   through the door %.1f (door / bare %.2f)\n", d, o,
                o / d);
    std::printf(
        "下一题 until painted:                        %9.1f   ratio %.2f, 90th percentile %.1f (target <= 50)\n", n,
        n / d, bench::quantile(next, 0.9));
    std::printf("下一题 with bare decodes instead:            %9.1f   door / bare %.2f\n", nb, n / nb);
}

}  // namespace

int main(int argc, char** argv)
{
    QTemporaryDir appData(QDir::tempPath() + QStringLiteral("/lorvane-bench-XXXXXX"));
    bench::useOffscreenAndPrivateData(appData);
    QApplication app(argc, argv);
    createDataFolders();
    bench::loginBuiltInUser();
    ModalRecorder modals;  // nothing blocks; a box would show up as recorded

    benchStrip();
    benchViewer();
    if (modals.count() != 0) {
        std::fprintf(stderr, "unexpected message: %s\n", qPrintable(modals.last().text));
        return 1;
    }
    QDir::setCurrent(QDir::tempPath());
    return 0;
}
