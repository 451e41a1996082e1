#include "core/SettingsFileCheck.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStringList>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <new>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

// Sanitizer runtimes reserve terabytes of address space, so the child's
// address-space bound is left out under them.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define LORVANE_SANITIZED_BUILD 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define LORVANE_SANITIZED_BUILD 1
#endif
#endif

namespace settingsfile {

namespace {

// Exit codes of the checking child.
constexpr int kExitLoads = 0;
constexpr int kExitNoMemory = 70;
constexpr int kExitException = 71;
constexpr int kExitUnknown = 72;

// What the child may take beyond what it already has mapped.
constexpr rlim_t kChildHeadroomBytes = rlim_t(1) << 30;

const char* const kCheckOption = "--check-settings";

// Bounds the checking process: it is killed by SIGALRM after timeoutMs, and
// allocations beyond its present size plus the headroom fail.
void boundThisProcess(int timeoutMs)
{
    alarm(static_cast<unsigned>(timeoutMs / 1000 + 1));
#ifdef LORVANE_SANITIZED_BUILD
    // A bad file makes the sanitizer report the huge allocation and end the
    // child: that end is the check's answer, not a finding about the program,
    // so the report goes nowhere.
    const int quiet = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (quiet >= 0) {
        dup2(quiet, STDERR_FILENO);
        close(quiet);
    }
#else
    long pages = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld", &pages) != 1)
            pages = 0;
        std::fclose(statm);
    }
    if (pages > 0) {
        const rlim_t size = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE));
        const rlimit limit{size + kChildHeadroomBytes, size + kChildHeadroomBytes};
        setrlimit(RLIMIT_AS, &limit);
    }
#endif
}

// The body of the checking process; returns its exit code.
int checkHere(const QString& path)
{
    try {
        loadEveryValue(path);
        return kExitLoads;
    } catch (const std::bad_alloc&) {
        return kExitNoMemory;
    } catch (const std::exception&) {
        return kExitException;
    } catch (...) {
        return kExitUnknown;
    }
}

Verdict fromExitCode(int code)
{
    Verdict v;
    switch (code) {
    case kExitLoads: return v;
    case kExitNoMemory: v.reason = QStringLiteral("读取其中的值需要的内存超出限制"); break;
    default: v.reason = QStringLiteral("读取其中的值时出错（代码 %1）").arg(code); break;
    }
    v.state = Verdict::Broken;
    return v;
}

Verdict fromSignal(int signal)
{
    Verdict v;
    v.state = Verdict::Broken;
    if (signal == SIGALRM || signal == SIGKILL)
        v.reason = QStringLiteral("读取没有在限定时间内结束");
    else if (signal == 0)
        v.reason = QStringLiteral("读取其中的值时程序异常终止");
    else
        v.reason = QStringLiteral("读取其中的值时程序异常终止（信号 %1）").arg(signal);
    return v;
}

Verdict unchecked(const QString& why)
{
    Verdict v;
    v.state = Verdict::Unchecked;
    v.reason = why;
    return v;
}

void sleepMs(int ms)
{
    const timespec pause{0, static_cast<long>(ms) * 1000000L};
    nanosleep(&pause, nullptr);
}

}  // namespace

int loadEveryValue(const QString& path)
{
    QSettings settings(path, QSettings::IniFormat);
    const QStringList keys = settings.allKeys();
    for (const QString& key : keys)
        settings.value(key);
    return keys.size();
}

Verdict checkInChild(const QString& path, int timeoutMs)
{
    if (!QFileInfo::exists(path))
        return Verdict();
    const pid_t child = fork();
    if (child < 0)
        return unchecked(QStringLiteral("无法启动检查（%1）").arg(QString::fromLocal8Bit(std::strerror(errno))));
    if (child == 0) {
        boundThisProcess(timeoutMs);
        _exit(checkHere(path));
    }

    QElapsedTimer timer;
    timer.start();
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child)
            break;
        if (done < 0 && errno != EINTR)
            return unchecked(QStringLiteral("检查进程丢失"));
        if (timer.elapsed() > timeoutMs + 2000) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return fromSignal(SIGKILL);
        }
        sleepMs(2);
    }
    if (WIFSIGNALED(status))
        return fromSignal(WTERMSIG(status));
    return fromExitCode(WIFEXITED(status) ? WEXITSTATUS(status) : kExitUnknown);
}

Verdict checkWithProgram(const QString& program, const QString& path, int timeoutMs)
{
    if (!QFileInfo::exists(path))
        return Verdict();
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, {QString::fromLatin1(kCheckOption), path});
    if (!process.waitForStarted(timeoutMs))
        return unchecked(QStringLiteral("无法启动检查（%1）").arg(process.errorString()));
    if (!process.waitForFinished(timeoutMs + 2000)) {
        process.kill();
        process.waitForFinished(5000);
        return fromSignal(SIGKILL);
    }
    if (process.exitStatus() == QProcess::CrashExit)
        return fromSignal(0);  // QProcess does not tell which signal
    return fromExitCode(process.exitCode());
}

bool runCheckMode(int argc, char** argv, int& exitCode)
{
    if (argc != 3 || std::strcmp(argv[1], kCheckOption) != 0)
        return false;
    boundThisProcess(10000);
    exitCode = checkHere(QFile::decodeName(argv[2]));
    return true;
}

QString setAside(const QString& path, QString& error)
{
    const QString base = path + QStringLiteral(".bad");
    for (int n = 0; n < 1000; ++n) {
        const QString target = n == 0 ? base : base + QStringLiteral(".%1").arg(n);
        if (QFileInfo::exists(target) || QFileInfo(target).isSymLink())
            continue;
        // link() + unlink() never replaces an existing name, unlike rename().
        const QByteArray from = QFile::encodeName(path);
        const QByteArray to = QFile::encodeName(target);
        if (::link(from.constData(), to.constData()) == 0) {
            ::unlink(from.constData());
            return target;
        }
        if (errno == EEXIST)
            continue;
        // File systems without hard links: a rename onto a name just seen free.
        if (std::rename(from.constData(), to.constData()) == 0)
            return target;
        error = QString::fromLocal8Bit(std::strerror(errno));
        return QString();
    }
    error = QStringLiteral("已有太多同名的备用文件");
    return QString();
}

bool handleVerdict(const QString& path, const Verdict& verdict, QString& notice)
{
    notice.clear();
    if (verdict.state != Verdict::Broken)
        return true;
    const QString name = QFileInfo(path).fileName();
    QString error;
    const QString aside = setAside(path, error);
    if (aside.isEmpty()) {
        notice = QStringLiteral("设置文件 %1 无法读取（%2），也无法改名（%3）。请移走这个文件后再启动软件。")
                     .arg(path, verdict.reason, error);
        return false;
    }
    notice = QStringLiteral("设置文件 %1 无法读取（%2），已改名为 %3 保存，软件将使用默认设置。")
                 .arg(name, verdict.reason, QFileInfo(aside).fileName());
    return true;
}

}  // namespace settingsfile
