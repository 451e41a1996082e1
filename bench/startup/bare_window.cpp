// The reference for the start-up benchmark: the least a Qt widgets program
// does before its main window is on the screen. Like the program under
// LORVANE_QUIT_AFTER_STARTUP it quits once the window is shown and the event
// loop has run, and like the program it then appends a line to the file
// named by LORVANE_STARTUP_REPORT, when that is set. Under
// LORVANE_CLOSE_AFTER_STARTUP=<ms> it instead closes its window <ms>
// milliseconds later, after appending "closing" to that file, as the
// program does.
#include <QApplication>
#include <QFile>
#include <QMainWindow>
#include <QTimer>

namespace {

void report(const QByteArray& line)
{
    const QString path = qEnvironmentVariable("LORVANE_STARTUP_REPORT");
    if (path.isEmpty())
        return;
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append))
        file.write(line + '\n');
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(1024, 640);
    window.show();
    bool close = false;
    const int closeAfter = qEnvironmentVariableIntValue("LORVANE_CLOSE_AFTER_STARTUP", &close);
    QTimer::singleShot(0, &app, [&window, close, closeAfter] {
        report("shown");
        if (!close) {
            QCoreApplication::quit();
            return;
        }
        QTimer::singleShot(closeAfter, &window, [&window] {
            report("closing");
            window.close();
        });
    });
    return app.exec();
}
