// The image editor's one-click operations and its history memory, on a
// 1024 x 1500 question picture (the size question folders hold) in a plain
// editor and on a 4000 x 3000 page in the picture dialog "图片编辑".
//
// Timings: from the button click (or the release of the erase drag) to the
// repainted editor, history entry and busy dialog included; each given as a
// multiple of one memcpy of the same picture measured in this run, beside
// the bare library call on the same pixels and one repaint of the editor
// showing a freshly changed picture; the last column is the editor's time
// over (library call + repaint), which should stay at most 1.5. Memory: what 50 pen strokes and
// 10 small erases add to the process (resident set), against the about 60
// whole copies that a history of whole pictures would keep; then undo back
// to the first entry and redo to the last must give byte-identical pictures.
//
// Usage: bench_editor [rounds] [operation]   (default 7 rounds, the median
// round is reported; with an operation word such as "whiten" only the rows
// whose name contains it are timed, and the memory runs are skipped)
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPainter>
#include <QRandomGenerator>
#include <QToolButton>
#include <QWindow>

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "capture/common/ImageOps.h"
#include "capture/editor/ImageViewer.h"
#include "capture/editor/importImage.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point from)
{
    return std::chrono::duration<double>(Clock::now() - from).count();
}

// A scanned question: light grey paper, lines of dark text, a few red
// marks of the teacher.
QImage makePage(int width, int height)
{
    QImage page(width, height, QImage::Format_RGB888);
    page.fill(QColor(214, 211, 202));
    QPainter painter(&page);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font = painter.font();
    const int lineHeight = std::max(24, height / 40);
    font.setPixelSize(lineHeight * 2 / 3);
    painter.setFont(font);
    painter.setPen(QColor(35, 35, 45));
    for (int y = lineHeight * 2; y < height - lineHeight; y += lineHeight)
        painter.drawText(
            width / 20, y,
            QStringLiteral("(%1) 3x + 5 = 20, find x; then check the answer by substitution.").arg(y / lineHeight));
    painter.setPen(QPen(QColor(215, 40, 35), std::max(3, width / 400), Qt::SolidLine, Qt::RoundCap));
    QRandomGenerator random(7);
    for (int i = 0; i < 12; ++i) {
        const QPoint at(random.bounded(width * 3 / 4), random.bounded(height * 3 / 4));
        const int s = width / 25;
        painter.drawPolyline(QPolygon({at, at + QPoint(s / 3, s / 3), at + QPoint(s, -s / 2)}));
    }
    return page;
}

double memcpySeconds(const QImage& image)
{
    const std::size_t bytes = static_cast<std::size_t>(image.sizeInBytes());
    std::vector<unsigned char> target(bytes);
    std::memcpy(target.data(), image.constBits(), bytes);  // fault the pages in first
    std::vector<double> runs;
    for (int i = 0; i < 30; ++i) {
        const auto t0 = Clock::now();
        std::memcpy(target.data(), image.constBits(), bytes);
        runs.push_back(seconds(t0));
        if (target[bytes / 2] == 1)
            std::puts("");  // keeps the copy
    }
    return *std::min_element(runs.begin(), runs.end());
}

long residentKiB(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::size_t length = std::strlen(field);
    while (std::getline(status, line)) {
        if (line.compare(0, length, field) == 0)
            return std::strtol(line.c_str() + length + 1, nullptr, 10);
    }
    return 0;
}

long settledResidentKiB()
{
    malloc_trim(0);
    return residentKiB("VmRSS");
}

void sendMouse(QWidget* w, QEvent::Type type, const QPoint& at, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent event(type, at, w->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

QToolButton* button(ImageViewer& editor, const char* text)
{
    for (QToolButton* b : editor.findChildren<QToolButton*>())
        if (b->text() == QString::fromUtf8(text))
            return b;
    std::fprintf(stderr, "no button %s\n", text);
    std::exit(1);
}

// Press at picture pixel `from`, move through `via`, release at `to`.
void drag(ImageViewer& editor, QPoint from, QPoint to, const std::vector<QPoint>& via = {})
{
    const QTransform& view = editor.viewMatrix();
    sendMouse(&editor, QEvent::MouseButtonPress, view.map(from), Qt::LeftButton, Qt::LeftButton);
    for (const QPoint& p : via)
        sendMouse(&editor, QEvent::MouseMove, view.map(p), Qt::NoButton, Qt::LeftButton);
    sendMouse(&editor, QEvent::MouseMove, view.map(to), Qt::NoButton, Qt::LeftButton);
    sendMouse(&editor, QEvent::MouseButtonRelease, view.map(to), Qt::LeftButton, Qt::NoButton);
}

// The editor shows pictures at scale 1 from its corner, so that picture
// pixels are widget pixels and every pen point lands where it is meant to.
void showWhole(ImageViewer& editor)
{
    editor.setViewMatrix(QTransform());
}

struct Timing {
    double editor = 0;   // click to repainted editor
    double library = 0;  // the bare library call
    double repaint = 0;  // one repaint of the editor after a new picture
};

// Times `op` (started on the editor showing `page` fitted, as its owners
// show it) over `rounds` rounds, and the bare library call `bare` on a copy
// of the page. The editor's first round only warms up.
Timing timeOperation(ImageViewer& editor, const QImage& page, int rounds, const std::function<void()>& op,
                     const std::function<void(QImage&)>& bare)
{
    std::vector<double> viaEditor, viaLibrary, repaints;
    for (int i = 0; i < rounds + 1; ++i) {
        editor.setImage(page.copy());  // the editor's own pixels, as after loading a file
        editor.fitToWindow();
        const auto tr = Clock::now();
        editor.repaint();
        const double r = seconds(tr);
        const auto t0 = Clock::now();
        op();
        editor.repaint();
        const double t = seconds(t0);
        QImage copy = page.copy();
        const auto t1 = Clock::now();
        bare(copy);
        const double b = seconds(t1);
        if (i > 0) {
            viaEditor.push_back(t);
            viaLibrary.push_back(b);
            repaints.push_back(r);
        }
    }
    return {bench::median(viaEditor), bench::median(viaLibrary), bench::median(repaints)};
}

void reportTimings(const char* title, ImageViewer& editor, const QImage& page, int rounds, const char* only)
{
    const double copy = memcpySeconds(page);
    std::printf("\n%s: %d x %d, %.1f MB; one memcpy %.2f ms\n", title, page.width(), page.height(),
                page.sizeInBytes() / 1048576.0, copy * 1000);
    std::printf("  %-28s %10s %9s %12s %9s %11s %14s\n", "operation", "editor ms", "memcpy x", "library ms", "memcpy x",
                "repaint ms", "/ (lib+paint)");

    const QRect quarter(page.width() / 4, page.height() / 4, page.width() / 2, page.height() / 2);
    auto myMatOf = [](QImage& image) { return imageops::toMyMat(image); };
    struct Row {
        const char* name;
        std::function<void()> op;
        std::function<void(QImage&)> bare;
    };
    const Row rows[] = {
        {"whiten background (去底色)", [&] { button(editor, "去底色")->click(); },
         [&](QImage& img) { fwd_Threshold(myMatOf(img)); }},
        {"remove red (去红批)", [&] { button(editor, "去红批")->click(); },
         [&](QImage& img) { fwd_deleteRed(myMatOf(img)); }},
        {"turn right (右转)", [&] { button(editor, "右  转")->click(); },
         [&](QImage& img) {
             QImage turned(img.height(), img.width(), QImage::Format_RGB888);
             fwd_Rotate(imageops::readOnlyMat(img), myMatOf(turned), 1);
         }},
        {"erase a quarter (擦除)",
         [&] {
             editor.setTool(ImageViewer::kErase);
             drag(editor, quarter.topLeft(), quarter.bottomRight());
         },
         [&](QImage& img) {
             fwd_EraserRect(myMatOf(img), _myRect{quarter.x(), quarter.y(), quarter.width(), quarter.height()});
         }},
    };
    for (const Row& row : rows) {
        if (only && !std::strstr(row.name, only))
            continue;
        // Erasing a quarter is an inpainting of seconds: fewer rounds.
        const bool slow = std::strstr(row.name, "erase") != nullptr;
        const Timing t = timeOperation(editor, page, slow ? std::min(rounds, 2) : rounds, row.op, row.bare);
        std::printf("  %-28s %10.1f %9.1f %12.1f %9.1f %11.1f %14.2f\n", row.name, t.editor * 1000, t.editor / copy,
                    t.library * 1000, t.library / copy, t.repaint * 1000, t.editor / (t.library + t.repaint));
    }
}

std::uint64_t fingerprint(const QImage& image)
{
    std::uint64_t h = 1469598103934665603ull ^ static_cast<std::uint64_t>(image.width() * 65536 + image.height());
    const std::size_t rowBytes = static_cast<std::size_t>(image.width()) * 3;
    for (int y = 0; y < image.height(); ++y) {
        const auto* p = reinterpret_cast<const unsigned char*>(image.constScanLine(y));
        for (std::size_t i = 0; i + 8 <= rowBytes; i += 8) {
            std::uint64_t word;
            std::memcpy(&word, p + i, 8);
            h = (h ^ word) * 1099511628211ull;
        }
        for (std::size_t i = rowBytes & ~std::size_t(7); i < rowBytes; ++i)
            h = (h ^ p[i]) * 1099511628211ull;
    }
    return h;
}

bool samePixels(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return false;
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), static_cast<std::size_t>(a.width()) * 3) != 0)
            return false;
    return true;
}

// 50 pen strokes (handwriting-sized squiggles of 30 points) and 10 erases of
// 120 x 80 pixels, spread over the picture; then the whole history undone
// and redone.
void reportMemory(const char* title, ImageViewer& editor, const QImage& page)
{
    editor.setImage(page.copy());  // the editor's own pixels, as after loading a file
    showWhole(editor);
    editor.repaint();
    const QImage first = editor.getImage().copy();
    std::vector<std::uint64_t> states{fingerprint(first)};
    const long before = settledResidentKiB();
    QRandomGenerator random(11);
    const auto t0 = Clock::now();
    for (int i = 0; i < 60; ++i) {
        const QPoint at(40 + random.bounded(page.width() - 300), 40 + random.bounded(page.height() - 200));
        if (i % 6 == 5) {
            editor.setTool(ImageViewer::kErase);
            drag(editor, at, at + QPoint(119, 79));
        } else {
            editor.setTool(ImageViewer::kPen);
            std::vector<QPoint> via;
            for (int k = 0; k < 29; ++k)
                via.push_back(at + QPoint(k * 6, static_cast<int>(25 * std::sin(k * 0.7)) + 30));
            drag(editor, at, via.back() + QPoint(4, 2), via);
        }
        states.push_back(fingerprint(editor.getImage()));
    }
    const double editSeconds = seconds(t0);
    const long after = settledResidentKiB();
    const QImage last = editor.getImage().copy();
    const double wholeCopies = 60.0 * page.sizeInBytes() / 1048576.0;

    bool same = editor.historySize() == 61;
    for (int i = 59; i >= 0; --i) {
        button(editor, "撤  销")->click();
        same = same && fingerprint(editor.getImage()) == states[static_cast<std::size_t>(i)];
    }
    same = same && samePixels(editor.getImage(), first);
    for (int i = 1; i <= 60; ++i) {
        button(editor, "重  做")->click();
        same = same && fingerprint(editor.getImage()) == states[static_cast<std::size_t>(i)];
    }
    same = same && samePixels(editor.getImage(), last);

    std::printf("\n%s: 50 pen strokes + 10 erases of 120 x 80 in %.0f ms\n", title, editSeconds * 1000);
    std::printf("  history keeps %.1f MB; the process grew by %.1f MB (whole copies: %.0f MB)\n",
                editor.history().keptBytes() / 1048576.0, (after - before) / 1024.0, wholeCopies);
    std::printf("  undo to the first entry and redo to the last: %s\n", same ? "byte-identical" : "DIFFERENT (fault)");
    if (!same)
        std::exit(2);
}

// Shows `window` and waits (at most two seconds) until the platform has
// exposed it: before that a repaint draws nothing and would time nothing.
void showExposed(QWidget& window)
{
    window.show();
    QElapsedTimer waited;
    waited.start();
    while (!(window.windowHandle() && window.windowHandle()->isExposed()) && waited.elapsed() < 2000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    QApplication::processEvents();
}

}  // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const char* only = argc > 2 ? argv[2] : nullptr;

    {
        ImageViewer editor(nullptr, QString(), ImageViewer::kMouse);
        editor.resize(1000, 800);
        showExposed(editor);
        const QImage question = makePage(1024, 1500);
        reportTimings("Question picture in the editor", editor, question, rounds, only);
        if (!only)
            reportMemory("Question picture", editor, question);
    }
    {
        importImage dialog(nullptr, QString());
        dialog.resize(1200, 900);
        showExposed(dialog);
        const QImage page = makePage(4000, 3000);
        reportTimings("Page in the picture dialog", *dialog.editor(), page, rounds, only);
        if (!only)
            reportMemory("Page", *dialog.editor(), page);
    }
    std::printf("\nPeak resident set: %.0f MB\n", residentKiB("VmHWM") / 1024.0);
    return 0;
}
