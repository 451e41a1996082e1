#include "platform/Programs.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

namespace platform {

QString findProgram(const QString& name)
{
    if (name.isEmpty())
        return QString();
    if (QCoreApplication::instance()) {
        const QFileInfo beside(QCoreApplication::applicationDirPath() + QLatin1Char('/') + name);
        if (beside.isFile() && beside.isExecutable())
            return beside.absoluteFilePath();
    }
    return QStandardPaths::findExecutable(name);
}

}  // namespace platform
