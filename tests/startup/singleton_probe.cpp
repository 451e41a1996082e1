// Runs an application object with two window singletons (a main window and a
// busy dialog stand-in) and a plain service singleton, then lets it end. Each
// destructor reports on stdout whether the application object and the
// widget's own bookkeeping were still alive; the start-up tests read this.
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QWidget>

#include <cstdio>

#include "core/Singleton.h"

namespace {

void report(const char* what, QWidget* widget, QWidget* child)
{
    std::printf("%s app=%d registered=%d child=%d\n", what, QCoreApplication::instance() != nullptr,
                QApplication::allWidgets().contains(widget), QApplication::allWidgets().contains(child));
    std::fflush(stdout);
}

class ProbeWindow : public QWidget, public Singleton<ProbeWindow> {
public:
    ~ProbeWindow() override { report("window", this, label_); }

private:
    friend class Singleton<ProbeWindow>;
    ProbeWindow() : label_(new QLabel(QStringLiteral("错题本"), this)) {}
    QLabel* label_;
};

class ProbeBusyDialog : public QWidget {
public:
    static ProbeBusyDialog* instance() { return appOwnedInstance<ProbeBusyDialog>(); }
    ~ProbeBusyDialog() override { report("busy", this, label_); }

private:
    friend ProbeBusyDialog* appOwnedInstance<ProbeBusyDialog>();
    ProbeBusyDialog() : label_(new QLabel(QStringLiteral("请稍后..."), this)) {}
    QLabel* label_;
};

class PlainService : public Singleton<PlainService> {
public:
    ~PlainService() override
    {
        std::printf("service app=%d\n", QCoreApplication::instance() != nullptr);
        std::fflush(stdout);
    }
};

}  // namespace

int main(int argc, char** argv)
{
    int result = 0;
    {
        QApplication app(argc, argv);
        PlainService::instance();
        ProbeWindow::instance()->show();
        ProbeBusyDialog::instance()->show();
        if (ProbeWindow::instance() != ProbeWindow::instance() ||
            ProbeBusyDialog::instance() != ProbeBusyDialog::instance())
            return 2;
        QTimer::singleShot(0, &app, [] { QCoreApplication::quit(); });
        result = app.exec();
        std::printf("loop ended\n");
        std::fflush(stdout);
    }
    std::printf("application gone\n");
    std::fflush(stdout);
    return result;
}
