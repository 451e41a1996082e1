#include "support/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include "support/TestEnv.h"

namespace testenv {

namespace {

const char* const kStarts = "notebook-starts";

// One short line appended per start: appends of a few bytes do not mix.
const char* const kStandIn = "#!/bin/sh\n"
                             "# Stand-in notebook of the tests: notes how it was started.\n"
                             "printf '%s\\t%s\\t%s\\n' \"$APPDATA\" \"$#\" \"$PWD\" >> \"${0%/*}/notebook-starts\"\n";

}  // namespace

ProgramFolder::ProgramFolder(const QString& program)
    : dir_(QDir::tempPath() + QStringLiteral("/lorvane-programs-XXXXXX"))
{
    if (!dir_.isValid())
        return;
    program_ = dir_.filePath(program);
    if (!QFile::copy(binDir() + QLatin1Char('/') + program, program_))
        return;
    QFile standIn(dir_.filePath(QStringLiteral("Lorvane")));
    if (!standIn.open(QIODevice::WriteOnly) || standIn.write(kStandIn) < 0)
        return;
    standIn.close();
    valid_ = standIn.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

QStringList ProgramFolder::notebookStarts() const
{
    QFile file(dir_.filePath(QLatin1String(kStarts)));
    if (!file.open(QIODevice::ReadOnly))
        return QStringList();
    QString text = QString::fromUtf8(file.readAll());
    // A line still being written is not counted.
    text.truncate(text.lastIndexOf(QLatin1Char('\n')) + 1);
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList ProgramFolder::waitForNotebookStarts(int count, int boundMs) const
{
    QElapsedTimer timer;
    timer.start();
    QStringList starts = notebookStarts();
    while (starts.size() < count && timer.elapsed() < boundMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(20);
        starts = notebookStarts();
    }
    return starts;
}

}  // namespace testenv
