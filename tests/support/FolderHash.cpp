#include "support/FolderHash.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace testenv {

FolderHashes folderHashes(const QString& root)
{
    FolderHashes result;
    const QDir base(root);
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const QString rel = base.relativeFilePath(info.filePath());
        if (info.isSymLink()) {
            result[rel] = "<link>" + QFile::encodeName(info.symLinkTarget());
        } else if (info.isDir()) {
            result[rel] = "<dir>";
        } else {
            QFile file(info.filePath());
            QCryptographicHash hash(QCryptographicHash::Sha256);
            if (file.open(QIODevice::ReadOnly))
                hash.addData(&file);
            else
                hash.addData("<unreadable>");
            result[rel] = hash.result().toHex();
        }
    }
    return result;
}

QString hashDifference(const FolderHashes& before, const FolderHashes& after)
{
    QStringList lines;
    for (const auto& entry : before) {
        const auto other = after.find(entry.first);
        if (other == after.end())
            lines << QStringLiteral("gone: ") + entry.first;
        else if (other->second != entry.second)
            lines << QStringLiteral("changed: ") + entry.first;
    }
    for (const auto& entry : after) {
        if (!before.count(entry.first))
            lines << QStringLiteral("new: ") + entry.first;
    }
    return lines.join(QLatin1Char('\n'));
}

}  // namespace testenv
