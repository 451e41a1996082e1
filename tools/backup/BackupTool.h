#pragma once

#include <QString>

// The backup program: backup 0|1 <data folder>. With "--check-settings
// <file>" instead it only lets Qt read that settings file (see
// core/SettingsFileCheck.h) and ends with the verdict as its exit code.
//
// It first takes the main program's single-instance lock (so it waits until
// the program has exited, and the program cannot start again while it works),
// then backs the data folder up into one zip file, or restores it from one,
// and finally starts the notebook again. Before a restore replaces anything
// it asks whether the chosen archive shall replace the current notebook,
// however the archive was chosen; 否 changes nothing.
//
// Environment, for automated runs:
//   LORVANE_BACKUP_ARCHIVE          the archive to write or read (no file dialog)
//   LORVANE_BACKUP_QUIET            set: no result window (the result is printed),
//                                   and the question before a restore is
//                                   printed to standard error and taken as 是
//   LORVANE_BACKUP_LOCK_TIMEOUT_MS  how long to wait for the lock (default 120 s)
//   LORVANE_BACKUP_STOP_BEFORE_SWAP set: a restore stops dead right before the
//                                   folders are swapped (as a crash would)
//   LORVANE_BACKUP_STOP_AFTER_SWAP  set: a restore stops dead right after the
//                                   swap, before the former content is removed
//   LORVANE_BACKUP_STOP_BEFORE_RENAME set: a backup stops dead when the
//                                   archive is written, before it is moved
//                                   into place
//   LORVANE_BACKUP_FREE_BYTES       the free space that the size check of a
//                                   restore assumes, in bytes
//
// A data folder given as a symbolic link is backed up and restored in the
// folder the link names; the link itself stays as it is.
namespace backuptool {

enum ExitCode { Success = 0, Failure = 1, Cancelled = 2 };

struct Result {
    ExitCode code = Failure;
    QString message;  // shown to the user; empty when cancelled
};

Result backup(const QString& dataFolder);
Result restore(const QString& dataFolder);

// Parses the command line, runs, reports, in Chinese (Qt's own texts too:
// the file dialog's 保存 and 取消, the box's 确定). The file dialog, the
// restore question (QMessageBoxBase::question) and the result box run
// through the modal seam (ui/Modal.h). When the run has taken
// the lock (the notebook had ended) and is over, done, cancelled or failed,
// the notebook ("Lorvane" in programFolder, this program's folder) is started
// again on the same data folder (see tools/backup/Notebook.h). Returns the
// process exit code.
int run(const QStringList& arguments, const QString& programFolder);

}  // namespace backuptool
