#include "app/Startup.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QTextCodec>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "app/Lorvane.h"
#include "core/AppContext.h"
#include "core/DatabaseCheck.h"
#include "core/Settings.h"
#include "core/SettingsFileCheck.h"
#include "core/Sqlite.h"
#include "platform/RemoveTree.h"
#include "platform/System.h"
#include "platform/Translation.h"
#include "ui/PluginFolders.h"
#include "ui/ProgramStyle.h"
#include "ui/QMessageBoxBase.h"

void ensureFolder(const std::string& path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0)
        return;  // anything of that name counts as present
    ::mkdir(path.c_str(), 0755);
}

void createDataFolders()
{
    // The root itself may be missing on a fresh account (~/.local/share).
    QDir().mkpath(QString::fromLocal8Bit(platform::appDataRoot().c_str()));
    // Kept absolute: the working directory changes below, and the backup
    // program is handed this path.
    std::error_code ec;
    std::string data = std::filesystem::absolute(platform::dataFolder(), ec).lexically_normal().string();
    if (ec || data.empty())
        data = platform::dataFolder();
    const char* subfolders[] = {"", "/database", "/documents", "/item"};
    for (const char* sub : subfolders)
        ensureFolder(data + sub);
    // The cache folder is emptied by 清理缓存 and written by many parts: as a
    // link it would send both into the folder it points to. The link goes
    // (only the link) and a real folder takes its place.
    const std::string cache = data + "/tmp";
    if (platform::isLink(cache))
        ::unlink(cache.c_str());
    ensureFolder(cache);
    if (::chdir(data.c_str()) != 0) {
        // The database open that follows reports the failure.
    }
    AppContext::instance()->data_path = data;
}

void applyStyleAndTranslation()
{
    applyProgramStyle();
    platform::installQtTranslation();
}

namespace {

void appendLine(const QString& path, const QByteArray& line)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append))
        file.write(line + '\n');
}

// Whole or not at all: a reader that sees the file sees all of it.
void copyMemoryMap(const QString& path)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    QSaveFile copy(path);
    if (maps.open(QIODevice::ReadOnly) && copy.open(QIODevice::WriteOnly)) {
        copy.write(maps.readAll());
        copy.commit();
    }
}

void closeMainWindow(const QString& report)
{
    if (!report.isEmpty())
        appendLine(report, "closing");
    if (auto* close = Singleton<Lorvane>::instance()->titleBar()->findChild<QPushButton*>(
            QStringLiteral("closeButton")))
        close->click();
}

}  // namespace

void scheduleStartupReport()
{
    const QString report = qEnvironmentVariable("LORVANE_STARTUP_REPORT");
    const QString maps = qEnvironmentVariable("LORVANE_STARTUP_MAPS");
    const bool quit = qEnvironmentVariableIsSet("LORVANE_QUIT_AFTER_STARTUP");
    bool closeGiven = false;
    const int closeAfter = qEnvironmentVariableIntValue("LORVANE_CLOSE_AFTER_STARTUP", &closeGiven);
    if (report.isEmpty() && maps.isEmpty() && !quit && !closeGiven)
        return;
    QTimer::singleShot(0, qApp, [report, maps, quit, closeGiven, closeAfter] {
        if (!maps.isEmpty())
            copyMemoryMap(maps);
        if (!report.isEmpty())
            appendLine(report, QDir::currentPath().toUtf8());
        if (quit)
            QCoreApplication::quit();
        else if (closeGiven)
            QTimer::singleShot(std::max(0, closeAfter), qApp, [report] { closeMainWindow(report); });
    });
}

namespace {

// With LORVANE_MESSAGE_LOG=<file> set (tests), the box is not shown: its
// title and text are appended to that file as "title\ttext\n" (done by
// QMessageBoxBase for every box of the program).
void showStartupMessage(const QString& text)
{
    QMessageBoxBase::information(nullptr, QStringLiteral("提示"), text);
}

}  // namespace

int runLorvane(int argc, char** argv)
{
    // File names and 8-bit texts are UTF-8 whatever the locale says.
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
    // Before anything reads the settings file, and while the process still
    // has a single thread (the check forks).
    const QString settingsPath = QFileInfo(QFile::decodeName(platform::dataFolder().c_str()) + QLatin1Char('/') +
                                           QLatin1String(settingsFileName()))
                                     .absoluteFilePath();
    const settingsfile::Verdict settingsVerdict = settingsfile::checkInChild(settingsPath);
    QApplication app(argc, argv);

    // Held for the life of the process; the system releases it however the
    // process ends.
    static platform::InstanceLock instanceLock("Lorvane");
    if (!instanceLock.tryLock()) {
        if (instanceLock.failure().empty())
            showStartupMessage(QStringLiteral("软件已启动，请勿重复开启"));
        else
            showStartupMessage(QStringLiteral("无法在文件夹 %1 中建立运行锁 %2：%3")
                                   .arg(QFile::decodeName(platform::appDataRoot().c_str()),
                                        QFile::decodeName(instanceLock.path().c_str()),
                                        QString::fromLocal8Bit(instanceLock.failure().c_str())));
        return 0;
    }

    applyStyleAndTranslation();
    createDataFolders();

    // The data folder takes writes, an unreadable settings file is set aside,
    // and the database file fits before the database object opens it.
    {
        const std::string data = AppContext::instance()->data_path;
        std::string err;
        if (dbcheck::checkDataFolderWritable(data, err) != 0) {
            showStartupMessage(QString::fromUtf8(err.c_str()));
            return 0;
        }
        QString notice;
        const bool usable = settingsfile::handleVerdict(settingsPath, settingsVerdict, notice);
        if (!notice.isEmpty())
            showStartupMessage(notice);
        if (!usable)
            return 0;
        if (dbcheck::checkForStart(data + "/" + sqlite::kDefaultPath, err) != 0) {
            showStartupMessage(QString::fromUtf8(err.c_str()));
            return 0;
        }
    }

    // The question database (created with its default data on first start)
    // and the built-in local account.
    {
        IDatabase* db = Singleton<sqlite>::instance();
        std::string err;
        int version = 0;
        if (db->getVersion(version, err) != 0) {
            showStartupMessage(QString::fromUtf8(err.c_str()));
            return 0;
        }
        if (version != sqlite::kSchemaVersion) {
            showStartupMessage(QStringLiteral("数据版本不匹配 version = %1").arg(version));
            return 0;
        }
        _user_t user;
        if (db->login("lorvane", "704182", user, err) != 0) {
            showStartupMessage(QString::fromUtf8(err.c_str()));
            return 0;
        }
        AppContext* context = AppContext::instance();
        context->user = user;
        context->user_folder = std::to_string(user.id);
        ensureFolder("item/" + context->user_folder);
    }

    // The window's pictures are PNG; the image-format plugins wait until a
    // picture of another format is read.
    withholdPluginFoldersUntilShown();
    Singleton<Lorvane>::instance()->show();
    scheduleStartupReport();
    return app.exec();
}
