// The question cutter on a 4000 x 3000 phone photo of a page whose text is
// skewed by 2 degrees, each timing taken side by side with its yardstick in
// the same loop (rounds alternate, medians compared):
//  - loadImage with straightening and whitening on, until the display image
//    is ready, against decoding the same JPEG with QImageReader;
//  - the option clicks (whitening off, on, one quarter turn), which reuse
//    what the page as loaded gave, against a full run of the pipeline; their
//    results are checked to be identical;
//  - one mouse move while dragging a selection, with its repaint, against one
//    unscaled draw of the page.
// Prints the ratios at the end.
#include <QApplication>
#include <QFileInfo>
#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QToolButton>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "capture/common/ImageOps.h"
#include "capture/cutter/CutPipeline.h"
#include "capture/cutter/imageCut.h"
#include "capture/cutter/imageCutBar.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds(const std::function<void()>& f)
{
    const auto t0 = Clock::now();
    f();
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

// Paper under uneven light, soft shadows, lines of text turned by 2 degrees
// and sensor-like noise: about what a phone photo of a worksheet holds.
QImage makePhoto(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient light(0, 0, width, height);
    light.setColorAt(0, QColor(238, 233, 220));
    light.setColorAt(1, QColor(196, 190, 176));
    painter.fillRect(image.rect(), light);
    QRandomGenerator random(2024);
    for (int i = 0; i < 30; ++i) {
        const QPointF centre(random.bounded(width), random.bounded(height));
        const qreal radius = 100 + random.bounded(500);
        QRadialGradient shade(centre, radius);
        shade.setColorAt(0, QColor(120, 110, 100, 40));
        shade.setColorAt(1, QColor(0, 0, 0, 0));
        painter.setBrush(shade);
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(centre, radius, radius);
    }
    painter.translate(width / 2.0, height / 2.0);
    painter.rotate(2.0);
    painter.translate(-width / 2.0, -height / 2.0);
    painter.setPen(QColor(30, 30, 40));
    QFont font = painter.font();
    font.setPixelSize(52);
    painter.setFont(font);
    for (int y = 260; y < height - 200; y += 96)
        painter.drawText(260, y, QStringLiteral("%1. Solve 3x + 5 = 20 and check the answer; then x = ?").arg(y / 96));
    painter.end();
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int n = static_cast<int>(random.bounded(17)) - 8;
            const QRgb p = line[x];
            line[x] = qRgb(qBound(0, qRed(p) + n, 255), qBound(0, qGreen(p) + n, 255), qBound(0, qBlue(p) + n, 255));
        }
    }
    return image;
}

struct Setup {
    QTemporaryDir dir;
    QString path;
    std::unique_ptr<imageCut> cutter;
};

Setup& setup()
{
    static Setup s;
    if (s.path.isEmpty()) {
        s.path = s.dir.filePath(QStringLiteral("photo.jpg"));
        makePhoto(4000, 3000).save(s.path, "JPEG", 92);
    }
    return s;
}

imageCut& cutter()
{
    Setup& s = setup();
    if (!s.cutter) {
        s.cutter = std::make_unique<imageCut>();
        s.cutter->resize(1200, 800);
        s.cutter->show();
        QApplication::processEvents();
        // Straightening on; whitening is on from the start.
        s.cutter->toolBar()->button(imageCutBar::kStraighten)->click();
    }
    return *s.cutter;
}

void click(int button)
{
    cutter().toolBar()->button(button)->click();
}

QImage decodeOnly()
{
    QImageReader reader(setup().path);
    reader.setAutoTransform(true);
    return reader.read();
}

std::map<std::string, double> g_ratios;
bool g_identical = true;

void BM_LoadImage(benchmark::State& state)
{
    imageCut& c = cutter();
    std::vector<double> load, decode, library;
    for (auto _ : state) {
        decode.push_back(seconds([] { benchmark::DoNotOptimize(decodeOnly().constBits()); }));
        const double t = seconds([&] { c.loadImage(setup().path); });
        load.push_back(t);
        state.SetIterationTime(t);
        // The library's own share: skew, free-angle turn and whitening of
        // this page, through the same calls, without the cutter around them.
        const QImage page = c.loadedImage();
        library.push_back(seconds([&] {
            QImage straight;
            imageops::rotateAngle(page, static_cast<float>(imageops::calcDegree(page)), straight);
            imageops::threshold(straight);
        }));
    }
    g_ratios["loadImage / QImageReader decode"] = bench::median(load) / bench::median(decode);
    g_ratios["(decode + library operations alone) / decode"] = (bench::median(decode) + bench::median(library)) / bench::median(decode);
    state.counters["decode_ms"] = bench::median(decode) * 1e3;
    state.counters["library_ms"] = bench::median(library) * 1e3;
    state.counters["x_decode"] = bench::median(load) / bench::median(decode);
}
BENCHMARK(BM_LoadImage)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(12);

// Each option click against the full pipeline run that gives the same
// picture; the click's result must be identical.
void BM_OptionClicks(benchmark::State& state)
{
    imageCut& c = cutter();
    c.loadImage(setup().path);
    std::vector<double> clicks, full;
    for (auto _ : state) {
        for (int button :
             {imageCutBar::kBackground, imageCutBar::kBackground, imageCutBar::kTurnRight, imageCutBar::kTurnLeft}) {
            const double t = seconds([&] { click(button); });
            clicks.push_back(t);
            CutPipeline fresh;
            QImage expected;
            full.push_back(seconds([&] {
                fresh.setPage(c.loadedImage());
                expected = fresh.run(c.options());
            }));
            g_identical = g_identical && expected == c.displayImage();
        }
        state.SetIterationTime(bench::median(clicks));
    }
    g_ratios["option click / full pipeline run"] = bench::median(clicks) / bench::median(full);
    state.counters["full_run_ms"] = bench::median(full) * 1e3;
}
BENCHMARK(BM_OptionClicks)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

void sendMouse(QWidget& w, QEvent::Type type, const QPoint& at, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(at), QPointF(w.mapToGlobal(at)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(&w, &event);
}

void BM_DragMove(benchmark::State& state)
{
    imageCut& c = cutter();
    c.loadImage(setup().path);
    QImage target(c.displayImage().size(), QImage::Format_RGB32);
    std::vector<double> moves, draws;
    sendMouse(c, QEvent::MouseMove, {100, 100}, Qt::NoButton);
    sendMouse(c, QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton);
    int step = 0;
    for (auto _ : state) {
        const QPoint to(300 + (step % 40) * 10, 200 + (step % 30) * 10);
        ++step;
        const double t = seconds([&] {
            sendMouse(c, QEvent::MouseMove, to, Qt::LeftButton);
            c.repaint();
        });
        moves.push_back(t);
        state.SetIterationTime(t);
        draws.push_back(seconds([&] {
            QPainter painter(&target);
            painter.drawImage(0, 0, c.displayImage());
        }));
    }
    sendMouse(c, QEvent::MouseButtonRelease, {700, 500}, Qt::NoButton);
    g_ratios["drag move with repaint / unscaled page draw"] = bench::median(moves) / bench::median(draws);
    state.counters["page_draw_ms"] = bench::median(draws) * 1e3;
}
BENCHMARK(BM_DragMove)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(60);

}  // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    {
        imageCut& c = cutter();
        c.loadImage(setup().path);
        std::printf("photo: %dx%d JPEG, %lld KB; measured skew %.3f degrees; display image %dx%d\n",
                    c.loadedImage().width(), c.loadedImage().height(),
                    static_cast<long long>(QFileInfo(setup().path).size() / 1024),
                    imageops::calcDegree(c.loadedImage()), c.displayImage().width(), c.displayImage().height());
    }
    benchmark::RunSpecifiedBenchmarks();
    for (const auto& [name, ratio] : g_ratios)
        std::printf("ratio %s = %.3f\n", name.c_str(), ratio);
    std::printf("option clicks identical to full runs: %s\n", g_identical ? "yes" : "NO");
    setup().cutter.reset();
    benchmark::Shutdown();
    return 0;
}
