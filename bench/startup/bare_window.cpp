// The reference for the start-up benchmark: the least a Qt widgets program
// does before its main window is on the screen. Like the program under
// LORVANE_QUIT_AFTER_STARTUP it quits once the window is shown and the event
// loop has run, and like the program it then appends a line to the file
// named by LORVANE_STARTUP_REPORT, when that is set.
#include <QApplication>
#include <QFile>
#include <QMainWindow>
#include <QTimer>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(1024, 640);
    window.show();
    QTimer::singleShot(0, &app, [] {
        const QString report = qEnvironmentVariable("LORVANE_STARTUP_REPORT");
        if (!report.isEmpty()) {
            QFile file(report);
            if (file.open(QIODevice::WriteOnly | QIODevice::Append))
                file.write("shown\n");
        }
        QCoreApplication::quit();
    });
    return app.exec();
}
