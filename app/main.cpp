#include <QApplication>

#include <csignal>

#include "app/Startup.h"

int main(int argc, char** argv)
{
    // A phone that drops a connection in the middle of a file must not end the program.
    std::signal(SIGPIPE, SIG_IGN);
    // The desktop's scale factor is followed as it is (150 % stays 1.5, not
    // rounded to 2), with sharp pictures where @2x versions exist. Must be
    // set before the application object is made.
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    return runLorvane(argc, argv);
}
