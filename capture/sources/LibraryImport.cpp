#include "capture/sources/LibraryImport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>
#include <QSet>

#include <algorithm>
#include <chrono>

#include "capture/sources/FileProgress.h"
#include "capture/sources/PictureChecks.h"
#include "core/Settings.h"
#include "platform/PictureFile.h"
#include "ui/AwaitTask.h"

namespace libraryimport {

namespace {

const char* const kIndexKey = "import_index";

// Base name up to the first dot, as a number; `ok` false when it is none.
int numberOf(const QString& fileName, bool* ok)
{
    const int dot = fileName.indexOf(QLatin1Char('.'));
    const QString base = dot < 0 ? fileName : fileName.left(dot);
    bool converted = false;
    const int value = base.toInt(&converted);
    if (ok)
        *ok = converted;
    return converted ? value : 0;
}

// The numbers already used by pages of `folder`.
QSet<int> takenNumbers(const QDir& folder)
{
    QSet<int> taken;
    const QStringList names = folder.entryList(QDir::Files | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        bool ok = false;
        const int n = numberOf(name, &ok);
        if (ok)
            taken.insert(n);
    }
    return taken;
}

QString targetName(int number, const QString& source)
{
    const QString suffix = QFileInfo(source).suffix();
    return suffix.isEmpty() ? QString::number(number) : QStringLiteral("%1.%2").arg(number).arg(suffix);
}

// The suffixes the library lists, lower case.
bool listedSuffix(const QString& file)
{
    static const QSet<QString> listed{QStringLiteral("bmp"), QStringLiteral("png"), QStringLiteral("jpeg"),
                                      QStringLiteral("jpg")};
    return listed.contains(QFileInfo(file).suffix().toLower());
}

bool listedFormat(const QByteArray& format)
{
    return format == "png" || format == "jpeg" || format == "bmp";
}

}  // namespace

QString refusalReason(const QString& file)
{
    if (!QFileInfo(file).isFile())
        return QStringLiteral("不是文件");
    if (!listedSuffix(file))
        return QStringLiteral("不是支持的图片类型");
    platform::PictureHeader header;
    const platform::PictureVerdict verdict = platform::verifyPicture(file, &header);
    if (verdict == platform::PictureVerdict::TooLarge)
        return QStringLiteral("图片尺寸过大（%1×%2 像素）").arg(header.size.width()).arg(header.size.height());
    if (verdict != platform::PictureVerdict::Ok || !listedFormat(header.format))
        return QStringLiteral("不是图片或已损坏");
    return QString();
}

QString refusedMessage(const QStringList& refused)
{
    if (refused.isEmpty())
        return QString();
    return QStringLiteral("以下文件不是可导入的图片，未导入：\n") + refused.join(QLatin1Char('\n'));
}

QString libraryFolder()
{
    return QStringLiteral("documents");
}

int pageNumberOf(const QString& fileName)
{
    return numberOf(fileName, nullptr);
}

namespace {

// Copies `source` to `target` (never over an existing file) on a worker task;
// the window paints meanwhile. QFile::copy writes a temporary file and
// renames it, so a target is there whole or not at all.
bool copyAwaited(const QString& source, const QString& target)
{
    bool copied = false;
    awaitTask([&] { copied = QFile::copy(source, target); }, BusyDialog::Hidden);
    return copied;
}

}  // namespace

QStringList copyIntoLibrary(const QStringList& files, const QString& folder, QStringList* refused,
                            const ImportChecks& plan)
{
    QStringList copied;
    if (files.isEmpty())
        return copied;
    QDir().mkpath(folder);
    const QDir dir(folder);
    QSet<int> taken = takenNumbers(dir);

    int number = std::max(1, getIniValue<int>(QString::fromLatin1(kIndexKey), 1));
    // Each file is decoded to check it; the checks run ahead on the cores.
    PictureChecks checks(files, plan.check ? plan.check : refusalReason, QStringLiteral("不是图片或已损坏"),
                         plan.workers);
    auto progress = makeFileProgress(QStringLiteral("导入图片"), files.size(), FileCancel::Offered);
    for (int i = 0; i < files.size(); ++i) {
        if (!awaitUnlessCancelled(*progress, [&](std::chrono::milliseconds slice) { return checks.ready(i, slice); }))
            break;  // 取消: this file and the rest are left where they are
        while (taken.contains(number))
            ++number;
        const QString target = folder + QLatin1Char('/') + targetName(number, files.at(i));
        taken.insert(number);
        ++number;
        const QString reason = checks.result(i);
        if (!reason.isEmpty()) {
            if (refused)
                refused->append(QStringLiteral("%1（%2）").arg(QFileInfo(files.at(i)).fileName(), reason));
        } else if (copyAwaited(files.at(i), target)) {
            copied.append(target);
        }
        if (!progress->wasCanceled())  // pressed during the copy: the next file stops
            progress->setValue(i + 1);
    }
    // After 取消 the checks still running end (each is bounded) while the
    // window paints; the others never start.
    checks.stop();
    setIniValue(QString::fromLatin1(kIndexKey), number);
    return copied;
}

bool listImages(const QString& folder, QStringList& out)
{
    const QDir dir(folder);
    if (!dir.exists())
        return false;
    // Name filters are matched without regard to case unless QDir::CaseSensitive
    // is asked for, so photo.JPG is listed like photo.jpg.
    const QStringList names = dir.entryList(
        {QStringLiteral("*.bmp"), QStringLiteral("*.png"), QStringLiteral("*.jpeg"), QStringLiteral("*.jpg")},
        QDir::Files | QDir::NoDotAndDotDot);
    std::vector<std::pair<int, QString>> keyed;
    keyed.reserve(static_cast<size_t>(names.size()));
    for (const QString& name : names)
        keyed.emplace_back(pageNumberOf(name), name);
    std::sort(keyed.begin(), keyed.end());
    out.clear();
    for (const auto& entry : keyed)
        out.append(folder + QLatin1Char('/') + entry.second);
    return true;
}

}  // namespace libraryimport
