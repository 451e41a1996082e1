#include "capture/sources/PictureChecks.h"

#include <QThread>

#include "ui/AwaitTask.h"

PictureChecks::PictureChecks(const QStringList& files, Check check, QString failure, int workers)
    : work_(
          static_cast<std::size_t>(files.size()),
          [files, check = std::move(check)](std::size_t i) { return check(files.at(static_cast<int>(i))); },
          std::move(failure))
{
    work_.start(workers > 0 ? workers : QThread::idealThreadCount());
}

QString PictureChecks::result(int i)
{
    return work_.take(static_cast<std::size_t>(i));
}

bool PictureChecks::ready(int i, std::chrono::milliseconds slice)
{
    return work_.ready(static_cast<std::size_t>(i), slice);
}

void PictureChecks::stop()
{
    work_.cancel();
    awaitTask(
        [this] {
            while (!work_.idle(std::chrono::seconds(1))) {
            }
        },
        BusyDialog::Hidden);
}
