#include "capture/sources/PdfImport.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProgressDialog>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "capture/sources/FileProgress.h"
#include "platform/PictureFile.h"
#include "platform/Programs.h"
#include "ui/AwaitTask.h"

namespace pdfimport {

namespace {

QString& converterOverride()
{
    static QString path;
    return path;
}

// The system error code for a program that cannot be run.
int startErrorCode(const QString& program)
{
    const QFileInfo info(program);
    if (program.isEmpty() || !info.exists())
        return ENOENT;
    if (!info.isFile() || !info.isExecutable())
        return EACCES;
    return ENOEXEC;
}

// The page number of a file name: the integer after the first "_" of its base
// name; false when there is none.
bool pageKey(const QString& name, long long& number)
{
    const int dot = name.indexOf(QLatin1Char('.'));
    const QString base = dot < 0 ? name : name.left(dot);
    const int underscore = base.indexOf(QLatin1Char('_'));
    if (underscore < 0)
        return false;
    bool ok = false;
    number = base.mid(underscore + 1).toLongLong(&ok);
    return ok;
}

// A stamp under which no earlier conversion left pages in `folder`.
QString freshStamp(const QString& folder)
{
    const QDir dir(folder);
    qint64 stamp = QDateTime::currentSecsSinceEpoch();
    while (!dir.entryList({QStringLiteral("%1_*.png").arg(stamp)}, QDir::Files).isEmpty())
        ++stamp;
    return QString::number(stamp);
}

// The names of the pages of conversion `stamp` in `folder`.
QStringList pageNames(const QString& stamp, const QString& folder)
{
    const QRegularExpression pattern(QStringLiteral("^%1_\\d+\\.png$").arg(QRegularExpression::escape(stamp)));
    QStringList names;
    const QStringList candidates = QDir(folder).entryList({QStringLiteral("*.png")}, QDir::Files);
    for (const QString& name : candidates) {
        if (pattern.match(name).hasMatch())
            names.append(name);
    }
    return names;
}

bool isPageNumber(const QString& name, long long number)
{
    long long found = 0;
    return pageKey(name, found) && found == number;
}

}  // namespace

// The pages a converter that failed had written, in order, up to the first
// that is missing or is not a whole picture (the page it was writing when it
// failed may be cut short); the others are removed. The checks run on
// workers while the window paints; 取消 keeps the pages found whole before
// it.
QStringList pagesBeforeFailure(const QString& stamp, const QString& folder, const PictureChecks::Check& check)
{
    QStringList names = pageNames(stamp, folder);
    std::sort(names.begin(), names.end(), pageLess);
    // Pages 1, 2, ... up to the first gap.
    QStringList candidates;
    while (candidates.size() < names.size() && isPageNumber(names.at(candidates.size()), candidates.size() + 1))
        candidates.append(folder + QLatin1Char('/') + names.at(candidates.size()));

    const QString damaged = QStringLiteral("damaged");
    const PictureChecks::Check door = [damaged](const QString& page) {
        return platform::verifyPicture(page) == platform::PictureVerdict::Ok ? QString() : damaged;
    };
    PictureChecks checks(candidates, check ? check : door, damaged);
    QStringList pages;
    {
        auto progress = makeFileProgress(QStringLiteral("加载图片"), candidates.size(), FileCancel::Offered);
        for (int i = 0; i < candidates.size(); ++i) {
            if (!awaitUnlessCancelled(*progress,
                                      [&](std::chrono::milliseconds slice) { return checks.ready(i, slice); }) ||
                !checks.result(i).isEmpty())
                break;
            pages.append(candidates.at(i));
            progress->setValue(i + 1);
        }
    }
    checks.stop();

    QDir dir(folder);
    for (int i = pages.size(); i < names.size(); ++i)
        dir.remove(names.at(i));
    return pages;
}

QString converterName()
{
    return QStringLiteral("mutool");
}

QString converterPath()
{
    if (!converterOverride().isEmpty())
        return converterOverride();
    return platform::findProgram(converterName());
}

void setConverter(const QString& path)
{
    converterOverride() = path;
}

QString startFailedMessage(int code)
{
    const QString message = QStringLiteral("错误码：%1").arg(code);
    if (code != ENOENT)
        return message;
    // Not found: say what to install.
    return message + QStringLiteral("\n未找到 %1，请安装 mupdf-tools").arg(converterName());
}

QString timedOutMessage()
{
    return QStringLiteral("PDF转换超时，请稍后重试或换一个文件");
}

QString failedMessage(int exitCode)
{
    return QStringLiteral("PDF转换失败（mutool 退出码：%1），文件可能已损坏或加密").arg(exitCode);
}

QString partialMessage(int exitCode, int pages)
{
    return QStringLiteral("PDF转换失败（mutool 退出码：%1），已导入前 %2 页").arg(exitCode).arg(pages);
}

QString noPagesMessage()
{
    return QStringLiteral("未能从PDF文件中读出页面，文件可能已损坏或加密");
}

int runConverter(const QString& program, const QStringList& arguments, int timeoutMs, std::string& err, int& exitCode)
{
    exitCode = 0;
    const int notRunnable = startErrorCode(program);
    if (notRunnable == ENOENT || notRunnable == EACCES) {
        err = QStringLiteral("%1: %2").arg(program, QString::fromLocal8Bit(std::strerror(notRunnable))).toStdString();
        return notRunnable;
    }
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setWorkingDirectory(QDir::currentPath());
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted(30000)) {
        err = process.errorString().toStdString();
        process.kill();
        process.waitForFinished(5000);
        return startErrorCode(program);
    }
    if (!process.waitForFinished(timeoutMs)) {
        err = "the converter did not finish in time";
        process.kill();
        process.waitForFinished(5000);
        return kTimedOut;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        err = "the converter ended with an error";
        return kFailed;
    }
    return 0;
}

bool pageLess(const QString& a, const QString& b)
{
    long long pa = 0;
    long long pb = 0;
    const bool ka = pageKey(a, pa);
    const bool kb = pageKey(b, pb);
    if (ka != kb)
        return ka;
    if (ka && pa != pb)
        return pa < pb;
    return a < b;
}

QStringList collectPages(const QString& stamp, const QString& folder)
{
    QStringList names = pageNames(stamp, folder);
    std::sort(names.begin(), names.end(), pageLess);

    QStringList pages;
    auto progress = makeFileProgress(QStringLiteral("加载图片"), names.size());
    for (int i = 0; i < names.size(); ++i) {
        pages.append(folder + QLatin1Char('/') + names.at(i));
        progress->setValue(i + 1);
    }
    return pages;
}

Conversion convert(const QString& pdfPath, int timeoutMs)
{
    Conversion result;
    const QString program = converterPath();
    const QString folder = QStringLiteral("tmp");
    QDir().mkpath(folder);
    result.stamp = freshStamp(folder);
    // An absolute path never starts with "-", so it cannot pass as an option.
    const QStringList arguments{QStringLiteral("convert"),
                                QStringLiteral("-o"),
                                folder + QLatin1Char('/') + result.stamp + QStringLiteral("_%d.png"),
                                QStringLiteral("-O"),
                                QStringLiteral("width=1024"),
                                QFileInfo(pdfPath).absoluteFilePath()};

    std::string err;
    int exitCode = 0;
    const int rc = awaitTask([&] { return runConverter(program, arguments, timeoutMs, err, exitCode); }, err);
    if (rc == kFailed) {
        result.code = rc;
        result.pages = pagesBeforeFailure(result.stamp, folder);
        result.message = result.pages.isEmpty() ? failedMessage(exitCode)
                                                : partialMessage(exitCode, result.pages.size());
        return result;
    }
    if (rc == kTimedOut) {
        result.code = rc;
        result.message = timedOutMessage();
        return result;
    }
    if (rc != 0) {
        result.code = rc;
        result.message = startFailedMessage(rc);
        return result;
    }
    result.pages = collectPages(result.stamp, folder);
    if (result.pages.isEmpty()) {
        result.code = -1;
        result.message = noPagesMessage();
    }
    return result;
}

}  // namespace pdfimport
