#include "tools/backup/BackupTool.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>

#include "platform/System.h"
#include "tools/backup/Archive.h"

namespace backuptool {

namespace {

QString envText(const char* name)
{
    const char* value = std::getenv(name);
    return value ? QString::fromLocal8Bit(value) : QString();
}

bool quiet()
{
    return !envText("LORVANE_BACKUP_QUIET").isEmpty();
}

// The data folder as an absolute path without a trailing separator.
QString normalFolder(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// True when path lies inside folder (or is folder).
bool isInside(const QString& path, const QString& folder)
{
    const QString dir = QFileInfo(QFileInfo(path).absolutePath()).canonicalFilePath();
    const QString root = QFileInfo(folder).canonicalFilePath();
    if (dir.isEmpty() || root.isEmpty())
        return false;
    return dir == root || dir.startsWith(root + QLatin1Char('/'));
}

// The single-instance lock of the main program lives in the parent of its data
// folder; the lock is held until this process ends.
std::unique_ptr<platform::InstanceLock> g_lock;

bool takeInstanceLock(const QString& dataFolder)
{
    const QString parent = QFileInfo(dataFolder).absolutePath();
    g_lock = std::make_unique<platform::InstanceLock>("Lorvane", QFile::encodeName(parent).toStdString());

    bool ok = false;
    int timeout = envText("LORVANE_BACKUP_LOCK_TIMEOUT_MS").toInt(&ok);
    if (!ok || timeout < 0)
        timeout = 120000;
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        if (g_lock->tryLock())
            return true;
        if (timer.elapsed() >= timeout)
            return false;
        QThread::msleep(100);
    }
}

QString chooseArchive(bool forSaving)
{
    const QString given = envText("LORVANE_BACKUP_ARCHIVE");
    if (!given.isEmpty())
        return given;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString filter = QStringLiteral("备份文件 (*.zip)");
    if (forSaving) {
        const QString name = QStringLiteral("错题本备份-%1.zip")
                                 .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss")));
        QString path = QFileDialog::getSaveFileName(nullptr, QStringLiteral("备份"), documents + QLatin1Char('/') + name,
                                                    filter);
        if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty())
            path += QStringLiteral(".zip");
        return path;
    }
    return QFileDialog::getOpenFileName(nullptr, QStringLiteral("还原"), documents,
                                        filter + QStringLiteral(";;所有文件 (*)"));
}

Result failure(const QString& text)
{
    return Result{Failure, text};
}

// Extraction folders of restores that never finished; they hold nothing the
// data folder does not.
void removeStaleRestoreFolders(const QString& dataFolder)
{
    const QFileInfo info(dataFolder);
    QDir parent(info.absolutePath());
    const QStringList stale = parent.entryList(
        QStringList{QStringLiteral(".%1.restore-*").arg(info.fileName())}, QDir::Dirs | QDir::Hidden);
    for (const QString& name : stale)
        QDir(parent.filePath(name)).removeRecursively();
}

}  // namespace

Result backup(const QString& dataFolder)
{
    if (!QFileInfo(dataFolder).isDir())
        return failure(QStringLiteral("备份失败：数据文件夹不存在 %1").arg(dataFolder));
    const QString path = chooseArchive(true);
    if (path.isEmpty())
        return Result{Cancelled, QString()};
    if (isInside(path, dataFolder))
        return failure(QStringLiteral("备份失败：备份文件不能保存在数据文件夹中"));
    QString error;
    if (!archive::writeArchive(dataFolder, path, error))
        return failure(QStringLiteral("备份失败：%1").arg(error));
    return Result{Success, QStringLiteral("备份成功")};
}

Result restore(const QString& dataFolder)
{
    const QString path = chooseArchive(false);
    if (path.isEmpty())
        return Result{Cancelled, QString()};
    if (!QFileInfo(path).isFile())
        return failure(QStringLiteral("还原失败：找不到备份文件 %1").arg(path));
    // The data folder is replaced as a whole, the archive with it.
    if (isInside(path, dataFolder))
        return failure(QStringLiteral("还原失败：备份文件不能位于数据文件夹中"));

    removeStaleRestoreFolders(dataFolder);
    const QFileInfo info(dataFolder);
    QTemporaryDir fresh(QStringLiteral("%1/.%2.restore-XXXXXX").arg(info.absolutePath(), info.fileName()));
    if (!fresh.isValid())
        return failure(QStringLiteral("还原失败：无法创建文件夹 %1").arg(fresh.errorString()));

    QString error;
    if (!archive::extractArchive(path, fresh.path(), error))
        return failure(QStringLiteral("还原失败：%1").arg(error));
    if (!archive::checkDatabase(QDir(fresh.path()).filePath(QLatin1String(archive::databaseEntry())), error))
        return failure(QStringLiteral("还原失败：%1").arg(error));

    if (!envText("LORVANE_BACKUP_STOP_BEFORE_SWAP").isEmpty()) {
        std::fflush(stdout);
        ::_exit(3);
    }

    // The restored folder gets the access rights of the one it replaces.
    if (QFileInfo(dataFolder).isDir())
        QFile::setPermissions(fresh.path(), QFileInfo(dataFolder).permissions());

    QString oldFolder;
    if (!archive::swapFolders(fresh.path(), dataFolder, oldFolder, error))
        return failure(QStringLiteral("还原失败：%1").arg(error));
    fresh.setAutoRemove(false);
    if (!oldFolder.isEmpty())
        QDir(oldFolder).removeRecursively();
    return Result{Success, QStringLiteral("还原成功")};
}

int run(const QStringList& arguments)
{
    Result result;
    if (arguments.size() < 3 || (arguments.at(1) != QLatin1String("0") && arguments.at(1) != QLatin1String("1"))) {
        result = failure(QStringLiteral("用法：backup 0|1 数据文件夹（0 备份，1 还原）"));
    } else {
        const bool restoring = arguments.at(1) == QLatin1String("1");
        const QString dataFolder = normalFolder(arguments.at(2));
        // Stay out of the data folder: a restore moves it away.
        QDir::setCurrent(QFileInfo(dataFolder).absolutePath());
        if (!takeInstanceLock(dataFolder)) {
            result = failure(QStringLiteral("%1：错题本仍在运行，请关闭后重试")
                                 .arg(restoring ? QStringLiteral("还原失败") : QStringLiteral("备份失败")));
        } else {
            result = restoring ? restore(dataFolder) : backup(dataFolder);
        }
    }

    if (!result.message.isEmpty()) {
        std::printf("%s\n", result.message.toUtf8().constData());
        std::fflush(stdout);
        if (!quiet())
            QMessageBox::information(nullptr, QStringLiteral("提示"), result.message);
    }
    if (g_lock)
        g_lock->unlock();
    return result.code;
}

}  // namespace backuptool
