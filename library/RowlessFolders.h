#pragma once

#include <QString>

#include <cstddef>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

class IDatabase;

// Question folders without a question row. A question's folder is written
// before its row, so a save cut short (the program killed, the power gone)
// leaves a folder that no list shows and no clean-up finds. The summary
// page's 清理缓存 removes them.
//
// Both functions block on the database and the disk: run them as an awaited
// task.
namespace rowless {

// The detail_path of every question row of the user, whatever its grade,
// term, subject or state. The rows are read grade, term and subject at a
// time and checked against the grouped counts; when they do not add up (a
// row the filters cannot reach) the result is -1 with err set, so that a
// partial read never passes for the whole.
int storedPaths(IDatabase& db, int userId, std::set<std::string>& paths, std::string& err);

// Removes every question folder directly inside item/<userId>/ (relative to
// the working directory, the data folder) that no row of the user names,
// with everything in it, and counts in `removed` the folders that are gone.
// A row names a folder when their lenient forms (see RowNames) are equal or
// almost equal, or when the row path holds the folder's name anywhere in it,
// so that a question whose row path was slightly damaged, carries more
// around the name (item/10000/<uuid>, <uuid>/original.jpg, {<uuid>}), or
// differs in letter case (a notebook on a file system that ignores case),
// keeps its folder. Only folders named as a save names them (a UUID without
// braces) are taken; files, links and other folders there are left alone.
// When the rows cannot be read completely, nothing is removed and the result
// is -1 with err set.
int removeRowlessFolders(IDatabase& db, int userId, int& removed, std::string& err);

// The row paths, compared leniently with folder names. The lenient form of a
// name drops blanks and separators ('/', '\\') at both ends and ignores
// letter case. A folder is named by a row when the two lenient forms are
// equal, or become equal when at most one character is taken out of each:
// one character changed, added, removed or moved elsewhere. A folder named
// as a save names it (a UUID) is also named by every row path that holds
// that UUID, letter case ignored, with anything before or after it.
class RowNames {
public:
    explicit RowNames(const std::set<std::string>& paths);
    bool names(const QString& folder) const;

private:
    // Hashes of every row's lenient form and of each form with one character
    // taken out, sorted. A hash collision can only keep a folder.
    std::vector<std::size_t> keys_;
    // Every UUID-shaped run of 36 characters inside any row path, in lower
    // case: found in one pass over each path, so a row of megabytes costs
    // its length once, whatever the number of folders.
    std::unordered_set<std::string> uuids_;
};

}  // namespace rowless
