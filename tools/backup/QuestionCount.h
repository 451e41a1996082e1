#pragma once

#include <QString>

// How many questions a notebook holds, for the question asked before a
// restore replaces it: the rows of table detail that belong to the built-in
// local account, the one the notebook logs into. Each count is -1 when it
// cannot be read (no file, no such account, a damaged or foreign database),
// so that the question leaves it out rather than guessing.
namespace questioncount {

// The database file at path, opened read-only: not a byte of it changes.
int inDatabase(const QString& path);

// The database inside the archive, copied alone into a temporary folder made
// from scratchTemplate (a QTemporaryDir template; the folder goes again) and
// counted there. Nothing is extracted anywhere else.
int inArchive(const QString& archivePath, const QString& scratchTemplate);

// "还原将用备份 <file>（N 道题）替换当前的全部错题（M 道题），是否继续？", each
// count left out when it is -1.
QString restoreQuestion(const QString& archiveFileName, int archived, int current);

}  // namespace questioncount
