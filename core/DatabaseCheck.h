#pragma once

#include <string>

// Checks of the question database file and the data folder, made before the
// program opens the file with the database object (start-up) and before a
// restored folder takes the place of the data folder (the backup program).
// A file that fails is refused as it is: the checks never change a byte of
// it (only SQLite's own completion of a transaction that a crash left
// unfinished may run, as at every open). Every function returns 0, or -1
// with a message for the pupil in err.
namespace dbcheck {

// Start-up, before `sqlite` opens the file at path:
// - no file, or a file without any of the four tables: the program creates
//   the schema, so the file only has to take writes;
// - a file SQLite cannot read (damaged, too short, not a database) is
//   reported as damaged;
// - user_version other than 4: "数据版本不匹配 version = N";
// - each of the tables type, detail, serial and user must be there with the
//   columns the program reads, in the order it reads them (further columns
//   after them are accepted when an insert can leave them out);
// - the file must take a write: a write transaction is begun, changed in
//   memory and rolled back (this creates and removes the rollback journal
//   beside it, as every real write does), so a read-only file, a folder that
//   refuses the journal or a file locked by another program is found here
//   and not at the first save.
int checkForStart(const std::string& path, std::string& err);

// Before a restored database replaces the current one: the file must exist,
// pass PRAGMA integrity_check, have user_version 4 and the four tables with
// their columns.
int checkRestored(const std::string& path, std::string& err);

// The folder, when it exists as a folder, accepts a new file (one is made
// and removed again). The message names the folder and the system's reason.
int checkFolderWritable(const std::string& folder, std::string& err);

// checkFolderWritable for the data folder and its folders database,
// documents, item and tmp.
int checkDataFolderWritable(const std::string& dataFolder, std::string& err);

}  // namespace dbcheck
