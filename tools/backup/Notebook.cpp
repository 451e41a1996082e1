#include "tools/backup/Notebook.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

namespace notebook {

QString programPath(const QString& programFolder)
{
    return QDir(programFolder).filePath(QStringLiteral("Lorvane"));
}

bool opensFolder(const QString& dataFolder)
{
    return QFileInfo(dataFolder).fileName() == QLatin1String("Lorvane");
}

bool start(const QString& programFolder, const QString& dataFolder, QString& error)
{
    const QString program = programPath(programFolder);
    const QFileInfo info(program);
    if (!info.isFile() || !info.isExecutable()) {
        error = QStringLiteral("无法重新打开错题本：找不到程序 %1").arg(program);
        return false;
    }
    const QString root = QFileInfo(dataFolder).absolutePath();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("APPDATA"), root);
    QProcess process;
    process.setProgram(program);
    process.setArguments({});
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(root);
    if (!process.startDetached()) {
        error = QStringLiteral("无法重新打开错题本 %1：%2").arg(program, process.errorString());
        return false;
    }
    return true;
}

}  // namespace notebook
