#pragma once

#include <sqlite3.h>

#include <string>

// Error texts of the database layer for the pupil: the common causes of a
// failing SQLite call (the file busy or locked by another program, read-only,
// damaged, a full disk, a file that cannot be opened or read) are said in
// Chinese, followed by SQLite's own text in brackets for the details. Any
// other failure (a constraint, a statement that does not fit the schema)
// keeps SQLite's text as it is.
namespace dberror {

// The text for a failure with the (primary or extended) result code `code`
// and SQLite's message `sqliteText`. A text that already carries the Chinese
// cause is returned unchanged, so mapping twice does no harm.
std::string describe(int code, const std::string& sqliteText);

// describe() for the last failure of a connection (its extended result code
// and sqlite3_errmsg). A null connection gives "open database failed".
std::string ofConnection(sqlite3* db);

// The Chinese cause alone for a result code, or an empty text when the code
// is not one of the common causes above.
std::string cause(int code);

}  // namespace dberror
