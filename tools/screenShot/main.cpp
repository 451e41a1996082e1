// screenShot: captures a region of the screen for Lorvane.
//
//   screenShot [""] [--region x,y,w,h] [--delay ms]
//
// Grabs the primary screen, lets the user drag a region on a frameless
// full-screen window (Esc cancels), saves it as tmp/<number>.png in the
// working directory (the data folder) and reports the file by one UDP
// datagram to 127.0.0.1:10001. With --region the given region is saved
// without asking. A cancel, or a screen that cannot be grabbed (a Wayland
// session without X), is reported as "no image" (7E 00 02 00).
//
// Exit code: 0 an image was saved and reported, 1 cancelled, 2 failure.

#include <QApplication>
#include <QCoreApplication>
#include <QScreen>
#include <QStringList>
#include <QThread>

#include <cstdio>

#include "Grab.h"
#include "RegionPicker.h"
#include "Report.h"

namespace {

struct Options {
    bool hasRegion = false;
    QRect region;
    int delayMs = 300;  // lets the caller's windows finish minimizing
    bool valid = true;
};

// Read before any application object exists, so that a wrong command line
// is reported without opening the display. Qt's own display options pass.
Options parseOptions(int argc, char** argv)
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    Options options;
    for (int i = 1; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg.isEmpty())
            continue;  // the caller's one empty argument
        if ((arg == QLatin1String("-platform") || arg == QLatin1String("-display")) && i + 1 < args.size()) {
            ++i;
            continue;
        }
        if (arg == QLatin1String("--region") && i + 1 < args.size()) {
            options.hasRegion = shot::parseRegion(args.at(++i), options.region);
            options.valid = options.valid && options.hasRegion;
            options.delayMs = 0;
        } else if (arg == QLatin1String("--delay") && i + 1 < args.size()) {
            bool ok = false;
            options.delayMs = args.at(++i).toInt(&ok);
            options.valid = options.valid && ok && options.delayMs >= 0 && options.delayMs <= 10000;
        } else {
            options.valid = false;
        }
    }
    return options;
}

void warn(const QString& text)
{
    std::fprintf(stderr, "screenShot: %s\n", text.toLocal8Bit().constData());
}

int reportFailure(const QString& reason)
{
    warn(reason);
    shot::sendReport(shot::notSavedReport());
    return 2;
}

// Saves `image` and reports it; the exit code.
int saveAndReport(const QImage& image)
{
    QString reason;
    const QString path = shot::saveShot(image, reason);
    if (path.isEmpty())
        return reportFailure(reason);
    const QByteArray report = shot::savedReport(path);
    if (report.isEmpty() || !shot::sendReport(report)) {
        warn(QStringLiteral("the report for %1 could not be sent").arg(path));
        return 2;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const Options options = parseOptions(argc, argv);
    QString reason;
    if (!options.valid || !shot::canGrab(reason)) {
        QCoreApplication core(argc, argv);
        return reportFailure(options.valid ? reason
                                           : QStringLiteral("usage: screenShot [--region x,y,w,h] [--delay ms]"));
    }

    QApplication app(argc, argv);

    if (options.delayMs > 0)
        QThread::msleep(static_cast<unsigned long>(options.delayMs));
    const QImage screen = shot::grabScreen(reason);
    if (screen.isNull())
        return reportFailure(reason);

    if (options.hasRegion) {
        const QRect region = options.region & screen.rect();
        if (region.isEmpty())
            return reportFailure(QStringLiteral("the region lies outside the screen"));
        return saveAndReport(screen.copy(region));
    }

    RegionPicker picker(screen);
    int exitCode = 1;
    QObject::connect(&picker, &RegionPicker::regionChosen, [&](const QRect& region) {
        picker.hide();
        exitCode = saveAndReport(screen.copy(region));
        QCoreApplication::exit(exitCode);
    });
    QObject::connect(&picker, &RegionPicker::cancelled, [&]() {
        picker.hide();
        shot::sendReport(shot::notSavedReport());
        exitCode = 1;
        QCoreApplication::exit(exitCode);
    });
    picker.setGeometry(QGuiApplication::primaryScreen()->geometry());
    picker.showFullScreen();
    picker.activateWindow();
    picker.raise();
    app.exec();
    return exitCode;
}
