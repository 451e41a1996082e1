#include "core/DatabaseCheck.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "core/DbErrorText.h"
#include "core/Format.h"
#include "core/SqlStatement.h"
#include "core/Sqlite.h"

namespace dbcheck {

namespace {

const char* const kTables[] = {"type", "detail", "serial", "user"};

struct Column {
    std::string name;
    bool optional = false;  // nullable or with a default: an insert may leave it out
};
using Columns = std::vector<Column>;

// The columns of one table of an open database, in order; false when the
// table cannot be read.
bool readColumns(sqlite3* db, const std::string& table, Columns& columns)
{
    sqldb::Statement stmt(db, "PRAGMA table_info(\"" + table + "\")");
    if (!stmt.ok())
        return false;
    int rc;
    while ((rc = stmt.step()) == SQLITE_ROW) {
        Column column;
        column.name = stmt.columnText(1);
        const bool notNull = stmt.columnInt(3) != 0;
        const bool hasDefault = !stmt.columnText(4).empty();
        const bool primaryKey = stmt.columnInt(5) != 0;
        column.optional = !notNull || hasDefault || primaryKey;
        columns.push_back(column);
    }
    return rc == SQLITE_DONE;
}

// The program's own tables, read from a schema made by sqlite::createTables
// in memory: what the checks hold a file to is exactly what the program
// creates.
const std::vector<Columns>& expectedColumns()
{
    static const std::vector<Columns> expected = [] {
        std::vector<Columns> all;
        sqlite3* db = nullptr;
        std::string err;
        if (sqlite3_open(":memory:", &db) == SQLITE_OK && sqlite::createTables(db, err) == 0) {
            for (const char* table : kTables) {
                Columns columns;
                readColumns(db, table, columns);
                all.push_back(columns);
            }
        }
        sqlite3_close(db);
        return all;
    }();
    return expected;
}

std::string unusable(const std::string& path, const std::string& why)
{
    return format("无法使用数据库 {0}：{1}", path, why);
}

std::string failure(sqlite3* db, const std::string& path)
{
    return unusable(path, dberror::ofConnection(db));
}

// The names of the program's tables that the file holds. False (with err)
// when the schema cannot be read: the file is damaged or no database.
bool presentTables(sqlite3* db, const std::string& path, std::set<std::string>& present, std::string& err)
{
    sqldb::Statement stmt(db, "SELECT name FROM sqlite_master WHERE type = 'table'");
    int rc = stmt.ok() ? SQLITE_OK : stmt.code();
    if (stmt.ok()) {
        while ((rc = stmt.step()) == SQLITE_ROW)
            present.insert(stmt.columnText(0));
    }
    if (rc != SQLITE_DONE) {
        err = failure(db, path);
        return false;
    }
    for (auto it = present.begin(); it != present.end();) {
        bool ours = false;
        for (const char* table : kTables)
            ours = ours || *it == table;
        it = ours ? std::next(it) : present.erase(it);
    }
    return true;
}

bool readVersion(sqlite3* db, const std::string& path, int& version, std::string& err)
{
    sqldb::Statement stmt(db, "PRAGMA user_version");
    if (stmt.step() != SQLITE_ROW) {
        err = failure(db, path);
        return false;
    }
    version = stmt.columnInt(0);
    return true;
}

// Every table there, its leading columns those the program reads, in order.
bool tablesFit(sqlite3* db, const std::string& path, const std::set<std::string>& present, std::string& err)
{
    const std::vector<Columns>& expected = expectedColumns();
    for (size_t t = 0; t < expected.size(); ++t) {
        const std::string table = kTables[t];
        if (!present.count(table)) {
            err = unusable(path, format("缺少数据表 {0}", table));
            return false;
        }
        Columns columns;
        if (!readColumns(db, table, columns)) {
            err = failure(db, path);
            return false;
        }
        const Columns& want = expected[t];
        for (size_t i = 0; i < want.size(); ++i) {
            if (i >= columns.size()) {
                err = unusable(path, format("数据表 {0} 缺少列 {1}", table, want[i].name));
                return false;
            }
            if (columns[i].name != want[i].name) {
                err = unusable(path, format("数据表 {0} 的第 {1} 列应为 {2}，实为 {3}", table, i + 1, want[i].name,
                                            columns[i].name));
                return false;
            }
        }
        for (size_t i = want.size(); i < columns.size(); ++i) {
            if (!columns[i].optional) {
                err = unusable(path, format("数据表 {0} 多出必填的列 {1}", table, columns[i].name));
                return false;
            }
        }
    }
    return true;
}

// A write transaction that changes page 1 in memory and is rolled back: the
// journal is made and removed, the file itself is never written.
bool takesWrites(sqlite3* db, const std::string& path, int version, std::string& err)
{
    std::string ignored;
    if (sqldb::exec(db, "BEGIN IMMEDIATE", ignored) != 0) {
        err = failure(db, path);
        return false;
    }
    const std::string same = format("PRAGMA user_version = {0}", version);
    const bool ok = sqldb::exec(db, same.c_str(), ignored) == 0;
    if (!ok)
        err = failure(db, path);
    sqldb::exec(db, "ROLLBACK", ignored);
    return ok;
}

struct Connection {
    sqlite3* db = nullptr;
    ~Connection() { sqlite3_close(db); }
};

bool openExisting(const std::string& path, Connection& c, std::string& err)
{
    // Read-write without create: SQLite completes or undoes a transaction
    // that a crash left unfinished, as the program's own connection would.
    if (sqlite3_open_v2(path.c_str(), &c.db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        err = c.db ? failure(c.db, path) : unusable(path, dberror::cause(SQLITE_NOMEM));
        return false;
    }
    sqlite3_busy_timeout(c.db, 3000);
    return true;
}

bool isFile(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// True when something of that name exists; false when nothing does. Any
// other failure to look (a file where a folder should be, no access) is
// reported.
bool lookUp(const std::string& path, bool& found, std::string& err)
{
    struct stat st;
    found = ::lstat(path.c_str(), &st) == 0;
    if (found || errno == ENOENT)
        return true;
    err = unusable(path, std::strerror(errno));
    return false;
}

}  // namespace

int checkForStart(const std::string& path, std::string& err)
{
    bool found = false;
    if (!lookUp(path, found, err))
        return -1;
    if (!found)
        return 0;  // created with its schema when the program opens it
    Connection c;
    if (!openExisting(path, c, err))
        return -1;
    std::set<std::string> present;
    int version = 0;
    if (!presentTables(c.db, path, present, err) || !readVersion(c.db, path, version, err))
        return -1;
    if (!present.empty()) {
        if (version != sqlite::kSchemaVersion) {
            err = format("数据版本不匹配 version = {0}", version);
            return -1;
        }
        if (!tablesFit(c.db, path, present, err))
            return -1;
    }
    return takesWrites(c.db, path, version, err) ? 0 : -1;
}

int checkRestored(const std::string& path, std::string& err)
{
    if (!isFile(path)) {
        err = unusable(path, "文件不存在");
        return -1;
    }
    Connection c;
    if (!openExisting(path, c, err))
        return -1;
    {
        sqldb::Statement stmt(c.db, "PRAGMA integrity_check");
        const int rc = stmt.step();
        if (rc != SQLITE_ROW) {
            err = failure(c.db, path);
            return -1;
        }
        const std::string verdict = stmt.columnText(0);
        if (verdict != "ok") {
            err = unusable(path, dberror::describe(SQLITE_CORRUPT, verdict));
            return -1;
        }
    }
    std::set<std::string> present;
    int version = 0;
    if (!presentTables(c.db, path, present, err) || !readVersion(c.db, path, version, err))
        return -1;
    if (version != sqlite::kSchemaVersion) {
        err = format("数据版本不匹配 version = {0}", version);
        return -1;
    }
    return tablesFit(c.db, path, present, err) ? 0 : -1;
}

int checkFolderWritable(const std::string& folder, std::string& err)
{
    struct stat st;
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return 0;  // not a folder: whoever uses it reports that
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string probe = format("{0}/.write-check-{1}-{2}", folder, static_cast<int>(::getpid()), attempt);
        const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            ::unlink(probe.c_str());
            return 0;
        }
        if (errno != EEXIST) {
            err = format("数据文件夹 {0} 无法写入：{1}", folder, std::strerror(errno));
            return -1;
        }
    }
    err = format("数据文件夹 {0} 无法写入", folder);
    return -1;
}

int checkDataFolderWritable(const std::string& dataFolder, std::string& err)
{
    for (const char* sub : {"", "/database", "/documents", "/item", "/tmp"}) {
        if (checkFolderWritable(dataFolder + sub, err) != 0)
            return -1;
    }
    return 0;
}

}  // namespace dbcheck
