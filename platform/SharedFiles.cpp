#include "platform/SharedFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace platform {

QString findShared(const QString& name, const QString& programFolder)
{
    const QString own = programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : programFolder;
    const QString beside = own + QLatin1Char('/') + name;
    if (QFileInfo::exists(beside))
        return beside;
    const QString shared = QDir::cleanPath(own + QLatin1Char('/') + QLatin1String(kShareFolder) + QLatin1Char('/') +
                                           name);
    if (QFileInfo::exists(shared))
        return shared;
    return beside;
}

}  // namespace platform
