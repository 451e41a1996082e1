#include "transfer/QRcodeImage.h"

#include "platform/Programs.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include "ui/AwaitTask.h"

namespace qrcode {
namespace {

QString& programOverride()
{
    static QString path;
    return path;
}

// zint draws a small code in a few milliseconds; a program that hangs must
// not hold the dialog.
constexpr int kWaitMs = 15000;

}  // namespace

QString pictureFile()
{
    return QStringLiteral("tmp/qrcode.png");
}

QStringList arguments(const QString& data)
{
    return {
        QStringLiteral("-o"), pictureFile(), QStringLiteral("-b"), QStringLiteral("58"), QStringLiteral("--scale=3"),
        QStringLiteral("-d"), data};
}

QString program()
{
    if (!programOverride().isEmpty())
        return QFileInfo(programOverride()).isExecutable() ? programOverride() : QString();
    return platform::findProgram(QStringLiteral("zint"));
}

QString setProgram(const QString& path)
{
    QString previous = programOverride();
    programOverride() = path;
    return previous;
}

int draw(const std::string& data, std::string& path)
{
    if (data.empty())
        return -1;
    QFile::remove(pictureFile());
    const QString zint = program();
    if (zint.isEmpty())
        return 2;
    const QStringList args = arguments(QString::fromStdString(data));
    std::string err;
    const int rc = awaitTask(
        [zint, args]() -> int {
            QProcess process;
            process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            process.start(zint, args);
            if (!process.waitForStarted(kWaitMs))
                return 2;
            if (!process.waitForFinished(kWaitMs)) {
                process.kill();
                process.waitForFinished(1000);
                return -1;
            }
            if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
                return -1;
            return 0;
        },
        err);
    if (rc != 0)
        return rc;
    if (!QFileInfo::exists(pictureFile()))
        return -1;
    path = pictureFile().toStdString();
    return 0;
}

}  // namespace qrcode
