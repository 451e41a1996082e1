// The reference for the start-up benchmark: the least a Qt widgets program
// does before its main window is on the screen. Quits as the program does
// under LORVANE_QUIT_AFTER_STARTUP: once the window is shown and the event
// loop has run.
#include <QApplication>
#include <QMainWindow>
#include <QTimer>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(1024, 640);
    window.show();
    QTimer::singleShot(0, &app, &QCoreApplication::quit);
    return app.exec();
}
