#include "tools/backup/Archive.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <zip.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace archive {

namespace {

QString zipErrorText(zip_t* za)
{
    return QString::fromUtf8(zip_error_strerror(zip_get_error(za)));
}

QString openErrorText(int code)
{
    zip_error_t err;
    zip_error_init_with_code(&err, code);
    QString text = QString::fromUtf8(zip_error_strerror(&err));
    zip_error_fini(&err);
    return text;
}

QString systemErrorText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

QByteArray local(const QString& path)
{
    return QFile::encodeName(path);
}

constexpr quint64 kBlock = 4096;

quint64 roundUp(quint64 bytes)
{
    return (bytes + kBlock - 1) / kBlock * kBlock;
}

// The text of a failed write of `name` into `path`: a full file system is
// named as such (Qt's own text for it can be as vague as "Unknown error").
QString writeFailure(const QString& name, const QString& path, const QString& detail, quint64 stillToWrite)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (errno == ENOSPC || errno == EDQUOT || freeBytes(folder) < stillToWrite + kBlock)
        return diskFullText(folder);
    return QStringLiteral("无法写入 %1：%2").arg(name, detail);
}

// Writes the data of the open entry to path; checks the size and, through
// libzip, the CRC.
bool extractEntry(zip_t* za, zip_uint64_t index, const QString& name, const QString& path, QString& error)
{
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(za, index, 0, &st) != 0) {
        error = QStringLiteral("无法读取 %1：%2").arg(name, zipErrorText(za));
        return false;
    }
    zip_file_t* zf = zip_fopen_index(za, index, 0);
    if (!zf) {
        error = QStringLiteral("无法读取 %1：%2").arg(name, zipErrorText(za));
        return false;
    }
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        zip_fclose(zf);
        error = QStringLiteral("无法写入 %1：%2").arg(name, out.errorString());
        return false;
    }
    if (!(st.valid & ZIP_STAT_SIZE)) {
        zip_fclose(zf);
        error = QStringLiteral("备份文件已损坏：%1 没有记录大小").arg(name);
        return false;
    }
    char buffer[64 * 1024];
    zip_uint64_t total = 0;
    bool ok = true;
    for (;;) {
        zip_int64_t n = zip_fread(zf, buffer, sizeof buffer);
        if (n < 0) {
            error = QStringLiteral("无法读取 %1：%2")
                        .arg(name, QString::fromUtf8(zip_error_strerror(zip_file_get_error(zf))));
            ok = false;
            break;
        }
        if (n == 0)
            break;
        // The size check before extracting relies on the recorded sizes.
        if (total + static_cast<zip_uint64_t>(n) > st.size) {
            error = QStringLiteral("备份文件已损坏：%1 比记录的大小更长").arg(name);
            ok = false;
            break;
        }
        errno = 0;
        if (out.write(buffer, n) != n) {
            error = writeFailure(name, path, out.errorString(), st.size - total);
            ok = false;
            break;
        }
        total += static_cast<zip_uint64_t>(n);
    }
    if (zip_fclose(zf) != 0 && ok) {
        error = QStringLiteral("无法读取 %1").arg(name);
        ok = false;
    }
    if (ok && total != st.size) {
        error = QStringLiteral("%1 不完整").arg(name);
        ok = false;
    }
    errno = 0;
    if (ok && !out.flush()) {
        error = writeFailure(name, path, out.errorString(), 0);
        ok = false;
    }
    if (ok && ::fsync(out.handle()) != 0) {
        error = writeFailure(name, path, systemErrorText(), 0);
        ok = false;
    }
    out.close();
    if (ok && (st.valid & ZIP_STAT_MTIME))
        out.setFileTime(QDateTime::fromSecsSinceEpoch(st.mtime), QFileDevice::FileModificationTime);
    return ok;
}

}  // namespace

bool writeArchive(const QString& folder, const QString& archivePath, QString& error)
{
    QDir root(folder);
    if (!root.exists()) {
        error = QStringLiteral("数据文件夹不存在：%1").arg(folder);
        return false;
    }

    // Folders and regular files, by name, so the archive is the same for the
    // same folder. Symbolic links are not followed and not stored.
    QStringList dirs;
    QStringList files;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        if (info.isSymLink())
            continue;
        const QString rel = root.relativeFilePath(info.filePath());
        if (info.isDir())
            dirs << rel;
        else if (info.isFile())
            files << rel;
    }
    dirs.sort();
    files.sort();

    int code = 0;
    zip_t* za = zip_open(local(archivePath).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!za) {
        error = QStringLiteral("无法创建备份文件 %1：%2").arg(archivePath, openErrorText(code));
        return false;
    }
    for (const QString& dir : dirs) {
        if (zip_dir_add(za, (dir + QLatin1Char('/')).toUtf8().constData(), ZIP_FL_ENC_UTF_8) < 0) {
            error = QStringLiteral("无法添加 %1：%2").arg(dir, zipErrorText(za));
            zip_discard(za);
            return false;
        }
    }
    for (const QString& file : files) {
        zip_source_t* source = zip_source_file(za, local(root.filePath(file)).constData(), 0, -1);
        if (!source) {
            error = QStringLiteral("无法读取 %1：%2").arg(file, zipErrorText(za));
            zip_discard(za);
            return false;
        }
        if (zip_file_add(za, file.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(source);
            error = QStringLiteral("无法添加 %1：%2").arg(file, zipErrorText(za));
            zip_discard(za);
            return false;
        }
    }
    // The files are read and the archive written here, into a temporary file
    // that replaces archivePath only when it is complete.
    if (zip_close(za) != 0) {
        const int system = zip_error_code_system(zip_get_error(za));
        if (system == ENOSPC || system == EDQUOT)
            error = diskFullText(QFileInfo(archivePath).absolutePath());
        else
            error = QStringLiteral("无法写入备份文件 %1：%2").arg(archivePath, zipErrorText(za));
        zip_discard(za);
        return false;
    }
    return true;
}

bool isSafeEntryName(const QString& name)
{
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return false;
    if (name.size() >= 2 && name.at(1) == QLatin1Char(':'))
        return false;  // a drive letter
    if (name.contains(QChar(0)))
        return false;
    const QStringList parts = name.split(QLatin1Char('/'));
    for (const QString& part : parts) {
        if (part == QLatin1String(".."))
            return false;
    }
    return true;
}

bool extractArchive(const QString& archivePath, const QString& target, QString& error)
{
    int code = 0;
    zip_t* za = zip_open(local(archivePath).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!za) {
        error = QStringLiteral("无法打开备份文件 %1：%2").arg(archivePath, openErrorText(code));
        return false;
    }
    const zip_int64_t count = zip_get_num_entries(za, 0);
    QStringList names;
    bool hasDatabase = false;
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* raw = zip_get_name(za, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS);
        if (!raw) {
            error = QStringLiteral("备份文件已损坏：%1").arg(zipErrorText(za));
            zip_discard(za);
            return false;
        }
        const QString name = QString::fromUtf8(raw);
        if (!isSafeEntryName(name)) {
            error = QStringLiteral("备份文件中有不安全的路径：%1").arg(name);
            zip_discard(za);
            return false;
        }
        if (name == QLatin1String(databaseEntry()))
            hasDatabase = true;
        names << name;
    }
    if (!hasDatabase) {
        error = QStringLiteral("备份文件中没有数据库 %1").arg(QLatin1String(databaseEntry()));
        zip_discard(za);
        return false;
    }

    QDir dest(target);
    for (zip_int64_t i = 0; i < count; ++i) {
        const QString& name = names.at(static_cast<int>(i));
        if (name.endsWith(QLatin1Char('/'))) {
            if (!dest.mkpath(name)) {
                error = QStringLiteral("无法创建文件夹 %1").arg(name);
                zip_discard(za);
                return false;
            }
            continue;
        }
        const QString path = dest.filePath(name);
        if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
            error = QStringLiteral("无法创建文件夹 %1").arg(QFileInfo(name).path());
            zip_discard(za);
            return false;
        }
        if (!extractEntry(za, static_cast<zip_uint64_t>(i), name, path, error)) {
            zip_discard(za);
            return false;
        }
    }
    zip_discard(za);
    return true;
}

bool extractDatabase(const QString& archivePath, const QString& path, QString& error)
{
    int code = 0;
    zip_t* za = zip_open(local(archivePath).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!za) {
        error = QStringLiteral("无法打开备份文件 %1：%2").arg(archivePath, openErrorText(code));
        return false;
    }
    const zip_int64_t index = zip_name_locate(za, databaseEntry(), 0);
    if (index < 0) {
        error = QStringLiteral("备份文件中没有数据库 %1").arg(QLatin1String(databaseEntry()));
        zip_discard(za);
        return false;
    }
    const bool ok = extractEntry(za, static_cast<zip_uint64_t>(index), QString::fromLatin1(databaseEntry()), path,
                                 error);
    zip_discard(za);
    return ok;
}

bool extractedSize(const QString& archivePath, quint64& bytes, QString& error)
{
    int code = 0;
    zip_t* za = zip_open(local(archivePath).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!za) {
        error = QStringLiteral("无法打开备份文件 %1：%2").arg(archivePath, openErrorText(code));
        return false;
    }
    bytes = 0;
    const zip_int64_t count = zip_get_num_entries(za, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(za, static_cast<zip_uint64_t>(i), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE)) {
            error = QStringLiteral("备份文件已损坏：%1").arg(zipErrorText(za));
            zip_discard(za);
            return false;
        }
        // Sizes near 2^64 must not wrap the sum around.
        const quint64 entry = st.size > (quint64(1) << 62) ? (quint64(1) << 62) : roundUp(st.size) + kBlock;
        bytes = bytes > (quint64(1) << 62) - entry ? (quint64(1) << 62) : bytes + entry;
    }
    zip_discard(za);
    return true;
}

quint64 freeBytes(const QString& path)
{
    bool given = false;
    const quint64 stated = qEnvironmentVariable("LORVANE_BACKUP_FREE_BYTES").toULongLong(&given);
    if (given)
        return stated;
    struct statvfs fs;
    if (::statvfs(local(path).constData(), &fs) != 0)
        return ~quint64(0);  // unknown: the writes themselves will tell
    return static_cast<quint64>(fs.f_bavail) * static_cast<quint64>(fs.f_frsize);
}

QString diskFullText(const QString& folder, quint64 needed, quint64 free)
{
    if (needed == 0)
        return QStringLiteral("磁盘空间不足（%1）").arg(folder);
    const auto mb = [](quint64 bytes) { return QString::number((bytes + (1 << 20) - 1) >> 20); };
    return QStringLiteral("磁盘空间不足：需要 %1 MB，%2 只剩 %3 MB").arg(mb(needed), folder, mb(free));
}

bool swapFolders(const QString& fresh, const QString& current, QString& oldFolder, QString& error)
{
    oldFolder.clear();
    const QByteArray freshPath = local(fresh);
    const QByteArray currentPath = local(current);

    // What was written must be on disk before the old folder is given up.
    int dirFd = ::open(local(QFileInfo(current).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::syncfs(dirFd);
        ::close(dirFd);
    }

    if (!QFileInfo::exists(current)) {
        if (std::rename(freshPath.constData(), currentPath.constData()) != 0) {
            error = QStringLiteral("无法替换数据文件夹：%1").arg(systemErrorText());
            return false;
        }
        return true;
    }

    // One atomic exchange where the file system offers it: at every moment
    // the data folder is either the old one or the new one.
    if (::renameat2(AT_FDCWD, freshPath.constData(), AT_FDCWD, currentPath.constData(), RENAME_EXCHANGE) == 0) {
        oldFolder = fresh;
        return true;
    }

    // Else two renames; the old folder goes back if the second one fails.
    const QFileInfo info(current);
    const QString aside = QStringLiteral("%1/.%2.previous-%3")
                              .arg(info.absolutePath(), info.fileName())
                              .arg(QDateTime::currentMSecsSinceEpoch());
    if (std::rename(currentPath.constData(), local(aside).constData()) != 0) {
        error = QStringLiteral("无法替换数据文件夹：%1").arg(systemErrorText());
        return false;
    }
    if (std::rename(freshPath.constData(), currentPath.constData()) != 0) {
        error = QStringLiteral("无法替换数据文件夹：%1").arg(systemErrorText());
        // Should even the way back fail, the user must learn where the data is.
        if (std::rename(local(aside).constData(), currentPath.constData()) != 0)
            error += QStringLiteral("；原数据位于 %1").arg(aside);
        return false;
    }
    oldFolder = aside;
    return true;
}

}  // namespace archive
