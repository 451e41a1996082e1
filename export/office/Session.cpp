#include "export/office/Session.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <sys/types.h>

#include <csignal>

#include "export/TempFolder.h"
#include "export/office/Profile.h"
#include "export/office/Soffice.h"

namespace office {
namespace {

constexpr int kReadyWaitMs = 90000;
constexpr int kStopWaitMs = 10000;
const char* const kKeepName = "keep.txt";
// LibreOffice's lock file beside a document it has opened.
const char* const kKeepLock = ".~lock.keep.txt#";

// Whether the process runs (an ended one not yet reaped counts as ended).
bool alive(qint64 pid)
{
    if (pid <= 0 || ::kill(static_cast<pid_t>(pid), 0) != 0)
        return false;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    const int end = line.lastIndexOf(')');  // the name may hold anything
    return end < 0 || end + 2 >= line.size() || line[end + 2] != 'Z';
}

}  // namespace

Session::Session() = default;

Session::~Session()
{
    stop();
}

qint64 Session::processId() const
{
    return alive(pid_) ? pid_ : 0;
}

void Session::start(const QString& soffice, const QString& profile)
{
    // Without setsid the office could not be stopped as a whole; it then
    // runs per conversion.
    const QString setsid = QStandardPaths::findExecutable(QStringLiteral("setsid"));
    work_ = std::make_unique<QTemporaryDir>(temporaryFolderPattern("lorvane-office-run"));
    if (setsid.isEmpty() || !work_->isValid())
        return;
    QFile keep(work_->filePath(QString::fromLatin1(kKeepName)));
    if (!keep.open(QIODevice::WriteOnly))
        return;
    keep.close();
    // The open document keeps the office running after each conversion that
    // is handed to it (with no document left it would end).
    QStringList arguments = officeArguments(profile);
    arguments.prepend(soffice);
    arguments << keep.fileName();
    QProcess process;
    process.setProgram(setsid);
    process.setArguments(arguments);
    process.setWorkingDirectory(work_->path());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    qint64 pid = 0;
    if (!process.startDetached(&pid))
        return;
    pid_ = pid;
    if (!waitUntilReady())
        stop();
}

bool Session::waitUntilReady() const
{
    // The lock file appears once the office has opened the document, after
    // it listens for the conversions handed to it.
    const QString lock = work_->filePath(QString::fromLatin1(kKeepLock));
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < kReadyWaitMs) {
        if (QFileInfo::exists(lock))
            return true;
        if (!alive(pid_))
            return false;
        QThread::msleep(20);
    }
    return false;
}

void Session::stop()
{
    if (pid_ > 0) {
        const auto group = -static_cast<pid_t>(pid_);
        ::kill(group, SIGTERM);
        QElapsedTimer timer;
        timer.start();
        while (alive(pid_) && timer.elapsed() < kStopWaitMs)
            QThread::msleep(20);
        ::kill(group, SIGKILL);
        pid_ = 0;
    }
    work_.reset();
}

bool Session::convert(const QStringList& files, const QString& target, const QString& outDir, QString& err,
                      int timeoutMs)
{
    std::lock_guard<std::mutex> lock(conversionMutex());
    QString soffice;
    QString profile;
    if (!converterAndProfile(soffice, profile, err))
        return false;
    if (!alive(pid_)) {
        stop();
        start(soffice, profile);
    }
    const int limit = timeoutMs < 0 ? convertTimeoutMs(static_cast<int>(files.size())) : timeoutMs;
    const bool done = runConverter(soffice, profile, files, target, outDir, err, limit);
    if (!done && alive(pid_))
        stop();  // a hung or failing office is not used again
    return done;
}

}  // namespace office
