#include "ui/AwaitTask.h"

#include <QApplication>
#include <QThread>

#include <chrono>
#include <optional>

#include "ui/WaiteDialog.h"

namespace await_detail {

namespace {

int g_depth = 0;  // awaitTask calls running on the GUI thread, nested

bool onGuiThread()
{
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    return app && QThread::currentThread() == app->thread();
}

class BusyScope {
public:
    BusyScope()
    {
        WaiteDialog* busy = WaiteDialog::instance();
        if (g_depth++ == 0 || !busy->isVisible())
            busy->start();
    }
    ~BusyScope()
    {
        if (--g_depth == 0)
            WaiteDialog::instance()->stop();
    }
};

}  // namespace

void waitWithBusyDialog(std::future<int>& future, BusyDialog busy)
{
    if (!onGuiThread()) {
        future.wait();
        return;
    }
    std::optional<BusyScope> scope;
    if (busy == BusyDialog::Shown)
        scope.emplace();
    while (future.wait_for(std::chrono::milliseconds(30)) == std::future_status::timeout)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

const char* unknownErrorText()
{
    return "未知错误";
}

}  // namespace await_detail
