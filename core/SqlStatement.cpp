#include "core/SqlStatement.h"

#include "core/DbErrorText.h"

namespace sqldb {

Statement::Statement(sqlite3* db, const std::string& sql) : db_(db)
{
    if (!db_) {
        code_ = SQLITE_MISUSE;
        return;
    }
    code_ = sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()) + 1, &stmt_, nullptr);
    if (code_ == SQLITE_OK && !stmt_)
        code_ = SQLITE_MISUSE;  // an empty statement
}

Statement::Statement(sqlite3* db, const Sql& sql) : Statement(db, sql.text)
{
    if (ok())
        bind(sql.values);
}

Statement::~Statement()
{
    if (stmt_)
        sqlite3_finalize(stmt_);
}

bool Statement::bind(const Values& values)
{
    if (!ok())
        return false;
    int index = 1;
    for (const Value& value : values) {
        int rc = SQLITE_OK;
        switch (value.kind) {
        case Value::Int: rc = sqlite3_bind_int(stmt_, index, value.number); break;
        case Value::Text:
            rc = sqlite3_bind_text(stmt_, index, value.text.data(), static_cast<int>(value.text.size()),
                                   SQLITE_TRANSIENT);
            break;
        case Value::Blob:
            rc = sqlite3_bind_blob(stmt_, index, value.text.data(), static_cast<int>(value.text.size()),
                                   SQLITE_TRANSIENT);
            break;
        }
        if (rc != SQLITE_OK) {
            code_ = rc;
            return false;
        }
        ++index;
    }
    return true;
}

int Statement::step()
{
    if (!ok())
        return code_;
    return sqlite3_step(stmt_);
}

int Statement::run()
{
    int rc = step();
    while (rc == SQLITE_ROW)
        rc = sqlite3_step(stmt_);
    return rc;
}

void Statement::reset()
{
    if (stmt_) {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }
}

int Statement::columnInt(int column) const
{
    return sqlite3_column_int(stmt_, column);
}

double Statement::columnDouble(int column) const
{
    return sqlite3_column_double(stmt_, column);
}

std::string Statement::columnText(int column) const
{
    const unsigned char* text = sqlite3_column_text(stmt_, column);
    if (!text)
        return std::string();
    return std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(sqlite3_column_bytes(stmt_, column)));
}

std::string errorText(sqlite3* db)
{
    return dberror::ofConnection(db);
}

int exec(sqlite3* db, const char* sql, std::string& err)
{
    char* msg = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &msg) != SQLITE_OK) {
        err = msg ? dberror::describe(sqlite3_extended_errcode(db), msg) : errorText(db);
        sqlite3_free(msg);
        return -1;
    }
    return 0;
}

int run(sqlite3* db, const Sql& sql, std::string& err)
{
    Statement stmt(db, sql);
    if (!stmt.ok() || stmt.run() != SQLITE_DONE) {
        err = errorText(db);
        return -1;
    }
    return 0;
}

Transaction::Transaction(sqlite3* db, std::string savepoint) : db_(db), savepoint_(std::move(savepoint)) {}

Transaction::~Transaction()
{
    rollback();
}

int Transaction::begin(std::string& err)
{
    const std::string sql = savepoint_.empty() ? std::string("BEGIN") : "SAVEPOINT " + savepoint_;
    if (exec(db_, sql.c_str(), err) != 0)
        return -1;
    open_ = true;
    return 0;
}

int Transaction::commit(std::string& err)
{
    if (!open_)
        return 0;
    const std::string sql = savepoint_.empty() ? std::string("COMMIT") : "RELEASE " + savepoint_;
    if (exec(db_, sql.c_str(), err) != 0) {
        rollback();
        return -1;
    }
    open_ = false;
    return 0;
}

void Transaction::rollback()
{
    if (!open_)
        return;
    open_ = false;
    std::string ignored;
    if (savepoint_.empty()) {
        // SQLite may already have rolled back on its own (some errors do).
        if (!sqlite3_get_autocommit(db_))
            exec(db_, "ROLLBACK", ignored);
        return;
    }
    if (sqlite3_get_autocommit(db_))
        return;  // the whole transaction is gone already
    const std::string back = "ROLLBACK TO " + savepoint_;
    const std::string release = "RELEASE " + savepoint_;
    const bool failed = exec(db_, back.c_str(), ignored) != 0;
    const bool kept = exec(db_, release.c_str(), ignored) != 0;
    // When the savepoint cannot be undone and dropped cleanly, nothing of it
    // may stay: the whole transaction goes (its owner's commit then fails).
    if ((failed || kept) && !sqlite3_get_autocommit(db_))
        exec(db_, "ROLLBACK", ignored);
}

}  // namespace sqldb
