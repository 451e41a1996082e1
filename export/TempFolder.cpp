#include "export/TempFolder.h"

#include <QDir>

QString temporaryFolderPattern(const char* name)
{
    QString base = QDir::tempPath();
    if (base.isEmpty())
        base = qEnvironmentVariable("TMPDIR", QStringLiteral("/tmp"));
    return base + QLatin1Char('/') + QString::fromLatin1(name) + QStringLiteral("-XXXXXX");
}
