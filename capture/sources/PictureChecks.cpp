#include "capture/sources/PictureChecks.h"

#include <QThread>

PictureChecks::PictureChecks(const QStringList& files, Check check, QString failure)
    : work_(
          static_cast<std::size_t>(files.size()),
          [files, check = std::move(check)](std::size_t i) { return check(files.at(static_cast<int>(i))); },
          std::move(failure))
{
    work_.start(QThread::idealThreadCount());
}

QString PictureChecks::result(int i)
{
    return work_.take(static_cast<std::size_t>(i));
}
