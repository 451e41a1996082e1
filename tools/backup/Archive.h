#pragma once

#include <QString>
#include <QtGlobal>

// The archive work of the backup program: one zip file holding the whole data
// folder, its check before a restore, the extraction and the folder swap.
// Every operation returns true on success, else false with a reason in error.
namespace archive {

// The database a restorable archive must hold.
inline const char* databaseEntry()
{
    return "database/Lorvane.db";
}

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
// target is written, and no entry is written beyond the size the archive
// gives for it. A file system that runs full is reported as such.
bool extractArchive(const QString& archivePath, const QString& target, QString& error);

// Extracts the archive's database entry (databaseEntry()) alone to path, a
// file that must not exist yet, with the checks of extractArchive for that
// entry. Fails for an archive without it.
bool extractDatabase(const QString& archivePath, const QString& path, QString& error);

// The space the archive's entries take once extracted: each file's size
// rounded up to whole 4 KiB blocks, and one block more for every entry.
// Fails for an archive that cannot be read or an entry without a size.
bool extractedSize(const QString& archivePath, quint64& bytes, QString& error);

// The bytes an ordinary user may still write on the file system that holds
// path. LORVANE_BACKUP_FREE_BYTES, when set, stands in for the file system's
// answer (tests).
quint64 freeBytes(const QString& path);

// "磁盘空间不足" with the folder and, when given, how much is needed and free.
QString diskFullText(const QString& folder, quint64 needed = 0, quint64 free = 0);

// Puts the folder fresh in the place of the folder current. Until the swap has
// succeeded the current folder stays where it is; afterwards its former
// content lies at oldFolder (empty when current did not exist), for the caller
// to remove.
bool swapFolders(const QString& fresh, const QString& current, QString& oldFolder, QString& error);

}  // namespace archive
