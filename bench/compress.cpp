// compressImage on a 4000x3000 photo-like image, against one full decode and
// re-encode of the same image at JPEG quality 100, both measured in this run.
// Prints the ratio compressImage / (decode + encode at 100) at the end.
#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRadialGradient>
#include <QRandomGenerator>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

#include "core/Utils.h"

namespace {

// Gradients, soft shapes, a little text and sensor-like noise: about what a
// phone photo of a worksheet holds.
QImage makePhotoLike(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient background(0, 0, width, height);
    background.setColorAt(0, QColor(236, 230, 214));
    background.setColorAt(1, QColor(190, 184, 170));
    painter.fillRect(image.rect(), background);
    QRandomGenerator random(2024);
    for (int i = 0; i < 40; ++i) {
        const QPointF centre(random.bounded(width), random.bounded(height));
        const qreal radius = 80 + random.bounded(400);
        QRadialGradient blob(centre, radius);
        blob.setColorAt(0, QColor(random.bounded(256), random.bounded(256), random.bounded(256), 120));
        blob.setColorAt(1, QColor(0, 0, 0, 0));
        painter.setBrush(blob);
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(centre, radius, radius);
    }
    painter.setPen(QColor(30, 30, 40));
    QFont font = painter.font();
    font.setPixelSize(48);
    painter.setFont(font);
    for (int y = 200; y < height - 100; y += 90)
        painter.drawText(150, y, QStringLiteral("3x + 5 = 20, x = ?  Question %1: solve and check.").arg(y / 90));
    painter.end();
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int n = static_cast<int>(random.bounded(25)) - 12;
            const QRgb p = line[x];
            line[x] = qRgb(qBound(0, qRed(p) + n, 255), qBound(0, qGreen(p) + n, 255), qBound(0, qBlue(p) + n, 255));
        }
    }
    return image;
}

QByteArray encode(const QImage& image, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", quality);
    return bytes;
}

struct Photo {
    QByteArray file;  // the photo as it comes from the camera
    QImage decoded;
};

const Photo& photo()
{
    static const Photo p = [] {
        Photo result;
        result.file = encode(makePhotoLike(4000, 3000), 92);
        result.decoded = QImage::fromData(result.file, "JPEG");
        return result;
    }();
    return p;
}

void BM_DecodeEncodeQ100(benchmark::State& state)
{
    const Photo& p = photo();
    for (auto _ : state) {
        QImage image = QImage::fromData(p.file, "JPEG");
        QByteArray bytes = encode(image, 100);
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_DecodeEncodeQ100)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_CompressImage(benchmark::State& state)
{
    const Photo& p = photo();
    QImage out;
    for (auto _ : state) {
        compressImage(p.decoded, out, 1024, 120);
        benchmark::DoNotOptimize(out.constBits());
    }
    state.counters["out_w"] = out.width();
    state.counters["out_h"] = out.height();
}
BENCHMARK(BM_CompressImage)->Unit(benchmark::kMillisecond)->MinTime(2.0);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration) {
                realTime[run.run_name.function_name] = run.GetAdjustedRealTime();
                cpuTime[run.run_name.function_name] = run.GetAdjustedCPUTime();
            }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> realTime;
    std::map<std::string, double> cpuTime;
};

}  // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);  // fonts for the test picture
    benchmark::Initialize(&argc, argv);
    const Photo& p = photo();
    std::printf("photo: %dx%d, JPEG file %lld KB\n", p.decoded.width(), p.decoded.height(),
                static_cast<long long>(p.file.size() / 1024));
    {
        QImage out;
        const QImage scaled = p.decoded.scaled(1024, 768, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        std::printf("scaled to 1024 wide: JPEG q100 %lld KB, q90 %lld KB, q80 %lld KB (limit 120 KB)\n",
                    static_cast<long long>(encode(scaled, 100).size() / 1024),
                    static_cast<long long>(encode(scaled, 90).size() / 1024),
                    static_cast<long long>(encode(scaled, 80).size() / 1024));
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const auto* times : {&reporter.realTime, &reporter.cpuTime}) {
        const auto base = times->find("BM_DecodeEncodeQ100");
        const auto compress = times->find("BM_CompressImage");
        if (base != times->end() && compress != times->end() && base->second > 0)
            std::printf("ratio compressImage / (decode + encode q100 of the full photo), %s time = %.3f\n",
                        times == &reporter.realTime ? "real" : "cpu", compress->second / base->second);
    }
    benchmark::Shutdown();
    return 0;
}
