#pragma once

#include <QString>

// What a backup or restore that was killed leaves behind, and its removal by
// the next run. Only names that this program made are ever removed:
//
// - a restore extracts into ".<data folder name>.restore-XXXXXX" beside the
//   data folder and, after the swap, leaves the former content there until
//   it is removed;
// - a backup writes its archive inside ".<archive name>.partial-XXXXXX"
//   beside the chosen file and moves it into place when complete. Since the
//   next backup may go elsewhere, each such folder is first noted in a
//   journal beside the data folder (".<data folder name>.backup-partial")
//   and struck off when the backup has ended.
namespace leftovers {

// Removes the restore folders beside dataFolder and the partial archive
// folders that the journal lists.
void removeAll(const QString& dataFolder);

// Notes (add) or strikes off (remove) a partial archive folder in the
// journal of dataFolder. add returns false when the journal cannot be written.
bool add(const QString& dataFolder, const QString& partialFolder);
void remove(const QString& dataFolder, const QString& partialFolder);

// The name patterns, for the folders' creation.
QString restoreFolderTemplate(const QString& dataFolder);
QString partialFolderTemplate(const QString& archivePath);

}  // namespace leftovers
