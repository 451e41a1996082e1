#pragma once

#include <QByteArray>
#include <QString>

#include <map>

// What a folder holds, for "the data folder is unchanged" checks: every entry
// under root (hidden ones included, symbolic links not followed) by its path
// relative to root, mapped to the SHA-256 of a file's bytes, "<dir>" for a
// folder or "<link>" and the target for a symbolic link.
namespace testenv {

using FolderHashes = std::map<QString, QByteArray>;

FolderHashes folderHashes(const QString& root);

// The entries that differ between two listings, one per line, for messages.
QString hashDifference(const FolderHashes& before, const FolderHashes& after);

}  // namespace testenv
