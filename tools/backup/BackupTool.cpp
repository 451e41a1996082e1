#include "tools/backup/BackupTool.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unistd.h>

#include "core/DatabaseCheck.h"
#include "core/SettingsFileCheck.h"
#include "platform/RemoveTree.h"
#include "platform/System.h"
#include "platform/Translation.h"
#include "tools/backup/Archive.h"
#include "tools/backup/Leftovers.h"
#include "tools/backup/Notebook.h"
#include "tools/backup/QuestionCount.h"
#include "ui/Modal.h"
#include "ui/QMessageBoxBase.h"

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

// Ends the process at once when the environment asks for a stop at this
// point, leaving everything as a crash there would.
void stopIfAsked(const char* variable)
{
    if (envText(variable).isEmpty())
        return;
    std::fflush(stdout);
    ::_exit(3);
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

// False with reason empty when the program did not exit in time, or with
// the system's reason when the lock file cannot be opened at all.
bool takeInstanceLock(const QString& dataFolder, QString& reason)
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
        if (!g_lock->failure().empty()) {
            reason = QStringLiteral("无法建立运行锁 %1：%2")
                         .arg(QFile::decodeName(g_lock->path().c_str()),
                              QString::fromLocal8Bit(g_lock->failure().c_str()));
            return false;
        }
        if (timer.elapsed() >= timeout)
            return false;
        QThread::msleep(100);
    }
}

// A file dialog run through the modal seam; empty when cancelled.
QString runChooser(QFileDialog::AcceptMode mode, const QString& caption, const QString& start, const QString& filter)
{
    QFileDialog dialog(nullptr, caption, start, filter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (modal::exec(dialog) != QDialog::Accepted)
        return QString();
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
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
        QString path = runChooser(QFileDialog::AcceptSave, QStringLiteral("备份"), documents + QLatin1Char('/') + name,
                                  filter);
        if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty())
            path += QStringLiteral(".zip");
        return path;
    }
    return runChooser(QFileDialog::AcceptOpen, QStringLiteral("还原"), documents,
                      filter + QStringLiteral(";;所有文件 (*)"));
}

// Prints the text and, unless quiet, shows it in a box through the modal seam.
void tell(const QString& text)
{
    std::printf("%s\n", text.toUtf8().constData());
    std::fflush(stdout);
    if (quiet())
        return;
    QMessageBox box(QMessageBox::Information, QStringLiteral("提示"), text, QMessageBox::Ok);
    modal::exec(box);
}

// Asks before the data folder is replaced (是/否; Esc and the title bar's
// close button are 否), naming the archive and how many questions each side
// holds. A quiet run prints the question to standard error and takes 是: who
// set LORVANE_BACKUP_ARCHIVE and LORVANE_BACKUP_QUIET has chosen already.
bool confirmRestore(const QString& archivePath, const QString& dataFolder)
{
    const int archived = questioncount::inArchive(archivePath, leftovers::restoreFolderTemplate(dataFolder));
    const int current = questioncount::inDatabase(QDir(dataFolder).filePath(QLatin1String(archive::databaseEntry())));
    const QString text = questioncount::restoreQuestion(QFileInfo(archivePath).fileName(), archived, current);
    if (quiet()) {
        std::fprintf(stderr, "%s 是\n", text.toUtf8().constData());
        std::fflush(stderr);
        return true;
    }
    return QMessageBoxBase::question(nullptr, QStringLiteral("还原"), text) == 1;
}

Result failure(const QString& text)
{
    return Result{Failure, text};
}

// The folder a data folder given as a symbolic link names: backup and
// restore work on it, so a restore never replaces the link and never empties
// the folder it points to through it. Empty (with error) for a dangling link.
QString realFolder(const QString& dataFolder, QString& error)
{
    const QFileInfo info(dataFolder);
    if (!info.isSymLink())
        return dataFolder;
    const QString target = info.canonicalFilePath();
    if (target.isEmpty() || !QFileInfo(target).isDir()) {
        error = QStringLiteral("数据文件夹 %1 是一个指向不存在的文件夹的链接").arg(dataFolder);
        return QString();
    }
    return target;
}

// Writes the archive inside a folder of its own beside path (noted in the
// journal, so a killed run's remains go with the next run) and moves it into
// place when it is complete.
bool writeArchiveInPlace(const QString& dataFolder, const QString& path, QString& error)
{
    QTemporaryDir partial(leftovers::partialFolderTemplate(path));
    if (!partial.isValid()) {
        error = QStringLiteral("无法在 %1 中写入：%2").arg(QFileInfo(path).absolutePath(), partial.errorString());
        return false;
    }
    if (!leftovers::add(dataFolder, partial.path())) {
        error = QStringLiteral("无法记录临时文件夹 %1").arg(partial.path());
        return false;
    }
    const QString inside = QDir(partial.path()).filePath(QFileInfo(path).fileName());
    bool ok = archive::writeArchive(dataFolder, inside, error);
    if (ok)
        stopIfAsked("LORVANE_BACKUP_STOP_BEFORE_RENAME");
    if (ok && std::rename(QFile::encodeName(inside).constData(), QFile::encodeName(path).constData()) != 0) {
        error = QStringLiteral("无法写入备份文件 %1：%2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        ok = false;
    }
    partial.remove();
    leftovers::remove(dataFolder, partial.path());
    return ok;
}

// The restored folder's database and settings are what the program can use.
bool checkRestoredFolder(const QString& folder, QString& error)
{
    std::string err;
    const QString db = QDir(folder).filePath(QLatin1String(archive::databaseEntry()));
    if (dbcheck::checkRestored(QFile::encodeName(db).toStdString(), err) != 0) {
        error = QString::fromUtf8(err.c_str());
        return false;
    }
    const QString ini = QDir(folder).filePath(QStringLiteral("Lorvane.ini"));
    const settingsfile::Verdict verdict = settingsfile::checkWithProgram(QCoreApplication::applicationFilePath(), ini);
    // A check that could not run is no reason to refuse: start-up checks the
    // file again and sets it aside when it cannot be loaded.
    if (verdict.state == settingsfile::Verdict::Broken) {
        error = QStringLiteral("备份中的设置文件 Lorvane.ini 无法读取（%1）").arg(verdict.reason);
        return false;
    }
    return true;
}

}  // namespace

Result backup(const QString& givenFolder)
{
    QString error;
    const QString dataFolder = realFolder(givenFolder, error);
    if (dataFolder.isEmpty())
        return failure(QStringLiteral("备份失败：%1").arg(error));
    if (!QFileInfo(dataFolder).isDir())
        return failure(QStringLiteral("备份失败：数据文件夹不存在 %1").arg(dataFolder));
    leftovers::removeAll(dataFolder);
    const QString path = chooseArchive(true);
    if (path.isEmpty())
        return Result{Cancelled, QString()};
    if (isInside(path, dataFolder))
        return failure(QStringLiteral("备份失败：备份文件不能保存在数据文件夹中"));
    if (!writeArchiveInPlace(dataFolder, path, error))
        return failure(QStringLiteral("备份失败：%1").arg(error));
    return Result{Success, QStringLiteral("备份成功")};
}

Result restore(const QString& givenFolder)
{
    QString error;
    const QString dataFolder = realFolder(givenFolder, error);
    if (dataFolder.isEmpty())
        return failure(QStringLiteral("还原失败：%1").arg(error));
    leftovers::removeAll(dataFolder);
    const QString path = chooseArchive(false);
    if (path.isEmpty())
        return Result{Cancelled, QString()};
    if (!QFileInfo(path).isFile())
        return failure(QStringLiteral("还原失败：找不到备份文件 %1").arg(path));
    // The data folder is replaced as a whole, the archive with it.
    if (isInside(path, dataFolder))
        return failure(QStringLiteral("还原失败：备份文件不能位于数据文件夹中"));

    // The extracted copy lies beside the data folder until the swap.
    quint64 needed = 0;
    if (!archive::extractedSize(path, needed, error))
        return failure(QStringLiteral("还原失败：%1").arg(error));
    const QString parent = QFileInfo(dataFolder).absolutePath();
    const quint64 free = archive::freeBytes(parent);
    if (needed > free)
        return failure(QStringLiteral("还原失败：%1").arg(archive::diskFullText(parent, needed, free)));

    // 否 ends the run as a cancelled file dialog does.
    if (!confirmRestore(path, dataFolder))
        return Result{Cancelled, QString()};

    QTemporaryDir fresh(leftovers::restoreFolderTemplate(dataFolder));
    if (!fresh.isValid())
        return failure(QStringLiteral("还原失败：无法创建文件夹 %1").arg(fresh.errorString()));

    if (!archive::extractArchive(path, fresh.path(), error) || !checkRestoredFolder(fresh.path(), error))
        return failure(QStringLiteral("还原失败：%1").arg(error));

    stopIfAsked("LORVANE_BACKUP_STOP_BEFORE_SWAP");

    // The restored folder gets the access rights of the one it replaces.
    if (QFileInfo(dataFolder).isDir())
        QFile::setPermissions(fresh.path(), QFileInfo(dataFolder).permissions());

    QString oldFolder;
    if (!archive::swapFolders(fresh.path(), dataFolder, oldFolder, error))
        return failure(QStringLiteral("还原失败：%1").arg(error));
    fresh.setAutoRemove(false);
    stopIfAsked("LORVANE_BACKUP_STOP_AFTER_SWAP");
    if (!oldFolder.isEmpty())
        platform::removeTree(QFile::encodeName(oldFolder).toStdString());
    return Result{Success, QStringLiteral("还原成功")};
}

int run(const QStringList& arguments, const QString& programFolder)
{
    platform::installQtTranslation(programFolder);
    Result result;
    QString dataFolder;
    bool ran = false;
    if (arguments.size() < 3 || (arguments.at(1) != QLatin1String("0") && arguments.at(1) != QLatin1String("1"))) {
        result = failure(QStringLiteral("用法：backup 0|1 数据文件夹（0 备份，1 还原）"));
    } else {
        const bool restoring = arguments.at(1) == QLatin1String("1");
        dataFolder = normalFolder(arguments.at(2));
        // Stay out of the data folder: a restore moves it away.
        QDir::setCurrent(QFileInfo(dataFolder).absolutePath());
        QString reason;
        if (!takeInstanceLock(dataFolder, reason)) {
            const QString what = restoring ? QStringLiteral("还原失败") : QStringLiteral("备份失败");
            result = failure(reason.isEmpty() ? QStringLiteral("%1：错题本仍在运行，请关闭后重试").arg(what)
                                              : QStringLiteral("%1：%2").arg(what, reason));
        } else {
            ran = true;
            result = restoring ? restore(dataFolder) : backup(dataFolder);
        }
    }

    if (!result.message.isEmpty())
        tell(result.message);
    if (g_lock)
        g_lock->unlock();
    // Back to the notebook, which closed itself for this run, once the lock
    // is free for it. Not when the lock was never taken: the notebook is then
    // still running, or could not take its lock either.
    if (ran && notebook::opensFolder(dataFolder)) {
        QString error;
        if (!notebook::start(programFolder, dataFolder, error))
            tell(error);
    }
    return result.code;
}

}  // namespace backuptool
