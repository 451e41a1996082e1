#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

// Small helpers over the SQLite C interface shared by the question database
// and the phrase store: one value to bind, a prepared statement that is
// finalized when it goes out of scope, and a transaction that is rolled back
// unless it was committed.
namespace sqldb {

// One value bound to a "?" of a statement. Texts are always bound, never
// spliced into the statement text.
struct Value {
    enum Kind { Int, Text, Blob };
    Kind kind = Int;
    int number = 0;
    std::string text;

    Value(int v) : kind(Int), number(v) {}
    Value(std::string v) : kind(Text), text(std::move(v)) {}
    Value(const char* v) : kind(Text), text(v ? v : "") {}
    static Value blob(std::string v)
    {
        Value value(std::move(v));
        value.kind = Blob;
        return value;
    }
};
using Values = std::vector<Value>;

// A statement text with the values of its "?" in order.
struct Sql {
    std::string text;
    Values values;

    Sql& operator+=(const std::string& fragment)
    {
        text += fragment;
        return *this;
    }
    // Appends a fragment holding one "?" per value given.
    Sql& add(const std::string& fragment, std::initializer_list<Value> bound)
    {
        text += fragment;
        values.insert(values.end(), bound.begin(), bound.end());
        return *this;
    }
};

class Statement {
public:
    Statement(sqlite3* db, const std::string& sql);
    Statement(sqlite3* db, const Sql& sql);
    ~Statement();

    // True when the statement was prepared and every value was bound.
    bool ok() const { return stmt_ != nullptr && code_ == SQLITE_OK; }
    int code() const { return code_; }

    // Binds values to the parameters 1, 2, ... in order.
    bool bind(const Values& values);

    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step();
    // Steps to the end; SQLITE_DONE on success.
    int run();
    void reset();

    int columnInt(int column) const;
    double columnDouble(int column) const;
    // The bytes of a column; NULL gives an empty text.
    std::string columnText(int column) const;

private:
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
    int code_ = SQLITE_OK;
};

// The connection's last error text for the pupil (see core/DbErrorText.h), or
// a fallback when there is none.
std::string errorText(sqlite3* db);

// Runs a constant statement (no values) through sqlite3_exec.
// 0 on success; otherwise -1 with SQLite's message in err.
int exec(sqlite3* db, const char* sql, std::string& err);

// Prepares, binds and runs a statement that returns no rows.
// 0 on success; otherwise -1 with SQLite's message in err.
int run(sqlite3* db, const Sql& sql, std::string& err);

// A transaction (or savepoint) on one connection. begin() and commit() report
// SQLite's text on failure; whatever is still open when the object goes out of
// scope without a commit is rolled back.
class Transaction {
public:
    // With a savepoint name the transaction nests inside an outer one (and
    // acts like BEGIN when there is none).
    explicit Transaction(sqlite3* db, std::string savepoint = std::string());
    ~Transaction();

    int begin(std::string& err);
    int commit(std::string& err);
    void rollback();

private:
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    sqlite3* db_;
    std::string savepoint_;
    bool open_ = false;
};

}  // namespace sqldb
