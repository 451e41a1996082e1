#include "export/office/Profile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <memory>

#include "export/TempFolder.h"
#include "export/office/Soffice.h"

namespace office {
namespace {

constexpr int kVersionWaitMs = 30000;

void writeSettings(const QString& profile)
{
    const QString user = profile + QStringLiteral("/user");
    if (!QDir().mkpath(user))
        return;  // LibreOffice then makes a plain profile itself
    QFile file(user + QStringLiteral("/registrymodifications.xcu"));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(profileSettings(installedVersion(findSoffice())));
}

}  // namespace

QString installedVersion(const QString& soffice)
{
    if (soffice.isEmpty())
        return QString();
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(soffice, {QStringLiteral("--version")});
    if (!process.waitForFinished(kVersionWaitMs)) {
        process.kill();
        process.waitForFinished(5000);
        return QString();
    }
    // "LibreOffice 7.4.7.2 40(Build:2)"
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("\\b(\\d{1,3})\\.(\\d{1,3})\\.\\d"))
                                          .match(QString::fromLocal8Bit(process.readAll()));
    return m.hasMatch() ? m.captured(1) + QLatin1Char('.') + m.captured(2) : QString();
}

QByteArray profileSettings(const QString& version)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
                     "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
                     "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n";
    const auto item = [&xml](const char* path, const char* name, const QByteArray& value) {
        xml += QByteArray("<item oor:path=\"") + path + "\"><prop oor:name=\"" + name + "\" oor:op=\"fuse\"><value>" +
               value + "</value></prop></item>\n";
    };
    if (!version.isEmpty())
        item("/org.openoffice.Setup/Product", "ooSetupLastVersion", version.toLatin1());
    item("/org.openoffice.Office.Common/Cache/GraphicManager", "GraphicMemoryLimit", "50000000");
    item("/org.openoffice.Office.Common/Cache/GraphicManager", "GraphicAllowedIdleTime", "0");
    xml += "</oor:items>\n";
    return xml;
}

QString privateProfile()
{
    static std::unique_ptr<QTemporaryDir> dir;
    if (!dir || !dir->isValid()) {
        dir = std::make_unique<QTemporaryDir>(temporaryFolderPattern("lorvane-office"));
        if (dir->isValid())
            writeSettings(dir->path());
    }
    return dir->isValid() ? dir->path() : QString();
}

std::mutex& conversionMutex()
{
    static std::mutex m;
    return m;
}

bool converterAndProfile(QString& soffice, QString& profile, QString& err)
{
    soffice = findSoffice();
    if (soffice.isEmpty()) {
        err = QStringLiteral("找不到 LibreOffice（soffice）");
        return false;
    }
    profile = privateProfile();
    if (profile.isEmpty()) {
        err = QStringLiteral("无法创建 LibreOffice 的临时配置文件夹");
        return false;
    }
    return true;
}

}  // namespace office
