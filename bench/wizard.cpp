// Speed of saving a question in the edit wizard, on a question whose
// original.jpg is 1024 x 1400 pixels, against the JPEG work it cannot avoid.
//
// Measured side by side in one run, round after round:
//  - encode: the two pictures alone, as the wizard makes them (compressImage
//    to 1024 wide / 120 KB, then the JPEG file written), no widgets;
//  - flow: 下一步, 下一步 and 完成 from the first click until `complete`
//    (questions.jpg, answer_wrong.jpg and answer_right.html written, the
//    three phrases stored, the row inserted and its id taken);
//  - complete: 完成 alone, from the click until `complete`.
// Prints the medians and the ratios flow / encode and complete / encode.
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QUuid>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "app/Startup.h"
#include "capture/editor/ImageViewer.h"
#include "capture/question/QFillInfo.h"
#include "capture/question/QTopicEdit.h"
#include "capture/question/QTopicInfo.h"
#include "capture/question/TextEdit.h"
#include "core/AppContext.h"
#include "core/PhraseBook.h"
#include "core/Sqlite.h"
#include "core/Utils.h"
#include "ui/ModalRecorder.h"

namespace {

constexpr int kRounds = 25;

// A photographed page: paper with a soft shade, lines of text, a figure and
// sensor-like noise (what makes JPEG work hard).
QImage pagePicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB888);
    QPainter painter(&image);
    QLinearGradient paper(0, 0, width, height);
    paper.setColorAt(0, QColor(244, 240, 228));
    paper.setColorAt(1, QColor(214, 208, 196));
    painter.fillRect(image.rect(), paper);
    painter.setPen(QColor(30, 30, 40));
    QFont font = painter.font();
    font.setPixelSize(30);
    painter.setFont(font);
    for (int y = 60; y < height - 40; y += 52)
        painter.drawText(40, y,
                         QStringLiteral("%1. 已知 3x + %2 = 20，求 x 的值并检验。 Solve and check.").arg(y / 52));
    painter.setPen(QPen(QColor(200, 30, 30), 4));
    painter.drawEllipse(QPoint(width * 3 / 4, height / 3), 120, 90);
    painter.end();
    bench::addPaperNoise(image, 2024);
    return image;
}

// A question folder with its original.jpg, as the capture window makes it.
_detail_t newQuestion(const QByteArray& original)
{
    const AppContext* ctx = AppContext::instance();
    _detail_t d;
    d.user_id = ctx->user.id;
    d.grade = ctx->grade.id;
    d.term = ctx->term.id;
    d.subject = ctx->subject.id;
    d.detail_path = QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString();
    const QString folder = QStringLiteral("item/%1/%2/")
                               .arg(QString::fromStdString(ctx->user_folder), QString::fromStdString(d.detail_path));
    QDir().mkpath(folder);
    QFile file(folder + QStringLiteral("original.jpg"));
    file.open(QFile::WriteOnly);
    file.write(original);
    return d;
}

// The two pictures of one question, as the wizard writes them.
double encodeTwo(const QImage& question, const QImage& wrong, const QString& folder)
{
    QElapsedTimer timer;
    timer.start();
    const std::pair<const QImage*, const char*> files[] = {{&question, "questions.jpg"}, {&wrong, "answer_wrong.jpg"}};
    for (const auto& f : files) {
        QImage out;
        compressImage(*f.first, out, 1024, 120);
        QImageWriter writer(folder + QString::fromLatin1(f.second));
        writer.write(out);
    }
    return timer.nsecsElapsed() / 1e6;
}

}  // namespace

int main(int argc, char** argv)
{
    QTemporaryDir appData(QDir::tempPath() + QStringLiteral("/lorvane-bench-XXXXXX"));
    bench::useOffscreenAndPrivateData(appData);
    QApplication app(argc, argv);
    createDataFolders();
    bench::loginBuiltInUser();
    ModalRecorder modals;  // a failure shows up as a recorded box, never blocks

    QByteArray original;
    {
        QBuffer buffer(&original);
        buffer.open(QIODevice::WriteOnly);
        pagePicture(1024, 1400).save(&buffer, "JPEG");
    }
    std::printf("original.jpg: 1024 x 1400, %lld KB\n", static_cast<long long>(original.size() / 1024));

    QTopicEdit edit(nullptr);
    edit.resize(1000, 800);
    edit.show();
    bool completed = false;
    QObject::connect(&edit, &QTopicEdit::complete, [&] { completed = true; });
    QDir().mkpath(QStringLiteral("tmp/encode"));

    std::vector<double> encode, flow, complete;
    for (int round = 0; round < kRounds + 2; ++round) {
        // The wizard's full road.
        edit.setData(newQuestion(original));
        QTopicInfo* form = edit.fillInfo()->form();
        form->pointLine()->setText(QStringLiteral("一元一次方程 %1").arg(round % 5));
        form->sourceLine()->setText(QStringLiteral("期中考试"));
        form->remarkLine()->setText(QStringLiteral("移项要变号"));
        edit.answerEditor()->textEdit()->setPlainText(QStringLiteral("解：3x = 15，所以 x = 5。"));
        const QImage question = edit.fillInfo()->getImage();
        const QImage wrong = edit.wrongAnswerEditor()->getImage();
        completed = false;
        QElapsedTimer timer;
        timer.start();
        edit.nextButton()->click();
        edit.nextButton()->click();
        const qint64 beforeComplete = timer.nsecsElapsed();
        edit.completeButton()->click();
        const double flowMs = timer.nsecsElapsed() / 1e6;
        const double completeMs = (timer.nsecsElapsed() - beforeComplete) / 1e6;
        if (!completed || modals.count() != 0) {
            std::fprintf(stderr, "the wizard did not save: %s\n",
                         modals.count() ? modals.last().text.toStdString().c_str() : "no signal");
            return 1;
        }
        edit.reset();

        // The same two pictures, encoded alone.
        const double encodeMs = encodeTwo(question, wrong, QStringLiteral("tmp/encode/"));
        if (round >= 2) {  // two rounds to warm up
            flow.push_back(flowMs);
            complete.push_back(completeMs);
            encode.push_back(encodeMs);
        }
    }

    const double e = bench::median(encode), f = bench::median(flow), c = bench::median(complete);
    std::printf("rounds: %d (medians, ms)\n", kRounds);
    std::printf("encode the two JPEGs alone:                 %8.2f\n", e);
    std::printf("下一步, 下一步, 完成 until complete:          %8.2f   ratio %.2f\n", f, f / e);
    std::printf("完成 alone until complete:                  %8.2f   ratio %.2f\n", c, c / e);
    QDir::setCurrent(QDir::tempPath());
    return 0;
}
