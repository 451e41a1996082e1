#include "capture/sources/FileProgress.h"

#include <QApplication>
#include <QProgressDialog>
#include <QThread>

std::unique_ptr<QProgressDialog> makeFileProgress(const QString& title, int count, FileCancel cancel)
{
    const QString cancelText = cancel == FileCancel::Offered ? QStringLiteral("取消") : QString();
    auto progress = std::make_unique<QProgressDialog>(title, cancelText, 0, count, nullptr,
                                                      Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint);
    progress->setWindowTitle(title);
    // A parentless window-modal dialog blocks no other window; a loop that
    // lets user input through must block them all.
    progress->setWindowModality(cancel == FileCancel::Offered ? Qt::ApplicationModal : Qt::WindowModal);
    progress->setMinimumDuration(0);
    progress->setValue(0);
    return progress;
}

bool awaitUnlessCancelled(QProgressDialog& progress, const std::function<bool(std::chrono::milliseconds)>& done)
{
    const bool guiThread = qApp && QThread::currentThread() == qApp->thread();
    const std::chrono::milliseconds slice(guiThread ? 30 : 1000);
    while (!progress.wasCanceled()) {
        if (done(slice))
            return true;
        if (guiThread)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return false;
}
