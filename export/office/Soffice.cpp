#include "export/office/Soffice.h"

#include "platform/Programs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <csignal>

#include "export/office/Profile.h"

namespace office {

int convertTimeoutMs(int files)
{
    return 180000 + 120000 * std::max(files - 1, 0);
}

QString findSoffice()
{
    for (const QString& name : {QStringLiteral("soffice"), QStringLiteral("libreoffice")}) {
        const QString found = platform::findProgram(name);
        if (!found.isEmpty())
            return found;
    }
    return QString();
}

QString convertedPath(const QString& file, const QString& target, const QString& outDir)
{
    const QString extension = target.section(QLatin1Char(':'), 0, 0);
    return QDir(outDir).filePath(QFileInfo(file).completeBaseName() + QLatin1Char('.') + extension);
}

QStringList officeArguments(const QString& profile)
{
    return {QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profile).toString(),
            QStringLiteral("--headless"),
            QStringLiteral("--invisible"),
            QStringLiteral("--nologo"),
            QStringLiteral("--norestore"),
            QStringLiteral("--nolockcheck")};
}

bool runConverter(const QString& soffice, const QString& profile, const QStringList& files, const QString& target,
                  const QString& outDir, QString& err, int timeoutMs)
{
    for (const QString& file : files)
        QFile::remove(convertedPath(file, target, outDir));
    QStringList arguments = officeArguments(profile);
    arguments << QStringLiteral("--convert-to") << target << QStringLiteral("--outdir") << outDir;
    arguments += files;

    // soffice hands the work to a child of its own; started in a session of
    // its own, the whole group can be stopped when it hangs.
    const QString setsid = QStandardPaths::findExecutable(QStringLiteral("setsid"));
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (!setsid.isEmpty()) {
        arguments.prepend(soffice);
        process.start(setsid, arguments);
    } else {
        process.start(soffice, arguments);
    }
    if (!process.waitForStarted(30000)) {
        err = QStringLiteral("无法启动 LibreOffice：") + process.errorString();
        return false;
    }
    if (!process.waitForFinished(timeoutMs)) {
        if (!setsid.isEmpty() && process.processId() > 0)
            ::kill(-static_cast<pid_t>(process.processId()), SIGKILL);
        process.kill();
        process.waitForFinished(5000);
        err = QStringLiteral("LibreOffice 转换超时");
        return false;
    }
    const QString output = QString::fromLocal8Bit(process.readAll()).trimmed();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        err = QStringLiteral("LibreOffice 转换失败（退出码 %1）%2").arg(process.exitCode()).arg(output);
        return false;
    }
    for (const QString& file : files) {
        const QFileInfo result(convertedPath(file, target, outDir));
        if (!result.exists() || result.size() == 0) {
            err = QStringLiteral("LibreOffice 没有写出 %1 %2").arg(result.fileName(), output);
            return false;
        }
    }
    return true;
}

bool convert(const QStringList& files, const QString& target, const QString& outDir, QString& err, int timeoutMs)
{
    std::lock_guard<std::mutex> lock(conversionMutex());
    QString soffice;
    QString profile;
    if (!converterAndProfile(soffice, profile, err))
        return false;
    return runConverter(soffice, profile, files, target, outDir, err,
                        timeoutMs < 0 ? convertTimeoutMs(static_cast<int>(files.size())) : timeoutMs);
}

}  // namespace office
