#include "tools/backup/Leftovers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringList>

#include "platform/RemoveTree.h"

namespace leftovers {

namespace {

QString journalPath(const QString& dataFolder)
{
    const QFileInfo info(dataFolder);
    return QStringLiteral("%1/.%2.backup-partial").arg(info.absolutePath(), info.fileName());
}

QStringList journal(const QString& dataFolder)
{
    QFile file(journalPath(dataFolder));
    if (!file.open(QIODevice::ReadOnly))
        return QStringList();
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool writeJournal(const QString& dataFolder, const QStringList& lines)
{
    if (lines.isEmpty())
        return QFile::remove(journalPath(dataFolder)) || !QFileInfo::exists(journalPath(dataFolder));
    QSaveFile file(journalPath(dataFolder));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(lines.join(QLatin1Char('\n')).toUtf8() + '\n');
    return file.commit();
}

// A folder (not a link) whose name is one of ours.
bool isOurs(const QString& path, const QRegularExpression& pattern)
{
    const QFileInfo info(path);
    return info.isDir() && !info.isSymLink() && pattern.match(info.fileName()).hasMatch();
}

}  // namespace

QString restoreFolderTemplate(const QString& dataFolder)
{
    const QFileInfo info(dataFolder);
    return QStringLiteral("%1/.%2.restore-XXXXXX").arg(info.absolutePath(), info.fileName());
}

QString partialFolderTemplate(const QString& archivePath)
{
    const QFileInfo info(archivePath);
    return QStringLiteral("%1/.%2.partial-XXXXXX").arg(info.absolutePath(), info.fileName());
}

void removeAll(const QString& dataFolder)
{
    const QFileInfo info(dataFolder);
    const QRegularExpression restore(
        QStringLiteral("^\\.%1\\.restore-[A-Za-z0-9]{6}$").arg(QRegularExpression::escape(info.fileName())));
    QDir parent(info.absolutePath());
    const QStringList stale = parent.entryList(QStringList{QStringLiteral(".*.restore-*")},
                                               QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString& name : stale) {
        if (isOurs(parent.filePath(name), restore))
            platform::removeTree(QFile::encodeName(parent.filePath(name)).toStdString());
    }

    const QRegularExpression partial(QStringLiteral("^\\..+\\.partial-[A-Za-z0-9]{6}$"));
    QStringList kept;
    for (const QString& path : journal(dataFolder)) {
        if (isOurs(path, partial) && !platform::removeTree(QFile::encodeName(path).toStdString()))
            kept << path;
    }
    writeJournal(dataFolder, kept);
}

bool add(const QString& dataFolder, const QString& partialFolder)
{
    QStringList lines = journal(dataFolder);
    lines << QFileInfo(partialFolder).absoluteFilePath();
    return writeJournal(dataFolder, lines);
}

void remove(const QString& dataFolder, const QString& partialFolder)
{
    QStringList lines = journal(dataFolder);
    lines.removeAll(QFileInfo(partialFolder).absoluteFilePath());
    writeJournal(dataFolder, lines);
}

}  // namespace leftovers
