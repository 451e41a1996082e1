#include "capture/sources/FileProgress.h"

#include <QProgressDialog>

std::unique_ptr<QProgressDialog> makeFileProgress(const QString& title, int count)
{
    auto progress = std::make_unique<QProgressDialog>(title, QString(), 0, count, nullptr,
                                                      Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint);
    progress->setWindowTitle(title);
    progress->setWindowModality(Qt::WindowModal);
    progress->setMinimumDuration(0);
    progress->setValue(0);
    return progress;
}
