#pragma once

#include <QString>

// The archive work of the backup program: one zip file holding the whole data
// folder, its check before a restore, the extraction and the folder swap.
// Every operation returns true on success, else false with a reason in error.
namespace archive {

// The database a restorable archive must hold, and its schema version.
inline const char* databaseEntry() { return "database/Lorvane.db"; }
constexpr int kDatabaseVersion = 4;

// Writes every file and folder under folder into the zip file archivePath.
// The archive is written to a temporary file first and replaces archivePath
// only when complete, so an existing file is never left half written.
bool writeArchive(const QString& folder, const QString& archivePath, QString& error);

// An entry name is safe when it is relative and stays inside the folder it is
// extracted into: not empty, not absolute, no drive letter, no backslash and
// no ".." component.
bool isSafeEntryName(const QString& name);

// Checks every entry name and that the archive holds databaseEntry(), then
// extracts everything into target, an existing empty folder. Nothing outside
// target is written.
bool extractArchive(const QString& archivePath, const QString& target, QString& error);

// The database file opens and its user_version is kDatabaseVersion.
bool checkDatabase(const QString& dbPath, QString& error);

// Puts the folder fresh in the place of the folder current. Until the swap has
// succeeded the current folder stays where it is; afterwards its former
// content lies at oldFolder (empty when current did not exist), for the caller
// to remove.
bool swapFolders(const QString& fresh, const QString& current, QString& oldFolder, QString& error);

}  // namespace archive
