#include "support/ChildRun.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <map>

namespace childrun {

namespace {

const char* const kChildMark = "LORVANE_CHILD_RUN";

std::map<QString, QString>& values()
{
    static std::map<QString, QString> pending;
    return pending;
}

long long mappedBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.isEmpty() ? -1 : fields.first().toLongLong() * ::sysconf(_SC_PAGESIZE);
}

}  // namespace

bool inChild()
{
    return qEnvironmentVariableIsSet(kChildMark);
}

void setValue(const QString& name, const QString& value)
{
    values()[name] = value;
}

QString value(const QString& name)
{
    return qEnvironmentVariable(name.toLocal8Bit().constData());
}

int runThisTest(QString* output, int timeoutMs)
{
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    return runTest(
        QStringLiteral("%1.%2").arg(QString::fromUtf8(test->test_suite_name()), QString::fromUtf8(test->name())),
        output, timeoutMs);
}

bool ranInChild(int timeoutMs)
{
    if (inChild())
        return false;
    QString output;
    EXPECT_EQ(runThisTest(&output, timeoutMs), 0) << output.toStdString();
    return true;
}

int runTest(const QString& suiteAndName, QString* output, int timeoutMs)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(kChildMark), QStringLiteral("1"));
    for (const auto& entry : values())
        environment.insert(entry.first, entry.second);
    values().clear();
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=") + suiteAndName});
    const bool ended = child.waitForStarted(30000) && child.waitForFinished(timeoutMs);
    if (!ended) {
        child.kill();
        child.waitForFinished(5000);
    }
    if (output)
        *output = QString::fromLocal8Bit(child.readAll());
    if (!ended || child.exitStatus() != QProcess::NormalExit)
        return -1;
    return child.exitCode();
}

bool sanitized()
{
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}

bool limitAddressSpace(long long moreBytes)
{
    if (sanitized())
        return false;
    const long long now = mappedBytes();
    if (now < 0)
        return false;
    const rlimit bound{static_cast<rlim_t>(now + moreBytes), static_cast<rlim_t>(now + moreBytes)};
    return ::setrlimit(RLIMIT_AS, &bound) == 0;
}

long long peakResidentBytes()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<long long>(usage.ru_maxrss) * 1024;
}

}  // namespace childrun
