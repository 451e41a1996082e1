#include "core/PhraseBook.h"

#include "core/Format.h"
#include "core/SqlStatement.h"

using sqldb::Sql;
using sqldb::Statement;

namespace {

// The scope of a phrase type: test points belong to the user, grade, term and
// subject, every other type to the user alone.
struct Scope {
    int user_id, grade, term, subject;
};

}  // namespace

PhraseBook_db::PhraseBook_db()
{
    open(kDefaultPath);
}

PhraseBook_db::PhraseBook_db(const std::string& path)
{
    open(path);
}

PhraseBook_db::~PhraseBook_db()
{
    if (db_)
        sqlite3_close(db_);
    db_ = nullptr;
}

void PhraseBook_db::open(const std::string& path)
{
    if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) {
        // No usable connection: every operation does nothing.
        sqlite3_close(db_);
        db_ = nullptr;
        return;
    }
    sqlite3_busy_timeout(db_, 3000);
    std::string err;
    createTable(err);
}

bool PhraseBook_db::createTable(std::string& err)
{
    if (db_)
        sqldb::exec(db_,
                    "CREATE TABLE IF NOT EXISTS phrase("
                    "id INTEGER PRIMARY KEY AUTOINCREMENT, "
                    "user_id INT NOT NULL, "
                    "grade INT NOT NULL, "
                    "term INT NOT NULL, "
                    "subject INT NOT NULL, "
                    "type INT NOT NULL, "
                    "name TEXT NOT NULL, "
                    "times INT NOT NULL DEFAULT 0, "
                    "create_date DATETIME)",
                    err);
    return true;
}

void PhraseBook_db::setContext(int user_id, int grade, int term, int subject)
{
    if (user_id != 0)
        user_id_ = user_id;
    if (grade != 0)
        grade_ = grade;
    if (term != 0)
        term_ = term;
    if (subject != 0)
        subject_ = subject;
}

void PhraseBook_db::add(int type, std::string name)
{
    if (!db_ || name.empty())
        return;
    const Scope s = type == Point ? Scope{user_id_, grade_, term_, subject_} : Scope{user_id_, 0, 0, 0};
    Sql insert;
    insert.add(format("INSERT INTO phrase (user_id ,grade, term, subject, type, name, create_date) "
                      "SELECT {0}, {1}, {2}, {3}, {4}, ?, DATE() WHERE NOT EXISTS (SELECT * FROM phrase "
                      "WHERE user_id = {0} AND grade = {1} AND term = {2} AND subject = {3} AND type = {4} "
                      "AND name = ? )",
                      s.user_id, s.grade, s.term, s.subject, type),
               {name, name});
    std::string err;
    if (sqldb::run(db_, insert, err) != 0)
        return;
    Sql counter;
    counter.add(format("UPDATE phrase SET times = times + 1 WHERE user_id = {0} AND grade = {1} AND term = {2} "
                       "AND subject = {3} AND type = {4} AND name = ? ",
                       s.user_id, s.grade, s.term, s.subject, type),
                {name});
    sqldb::run(db_, counter, err);
}

void PhraseBook_db::remove(int type, std::string name)
{
    if (!db_)
        return;
    Sql sql;
    if (type == Point)
        sql.add(format("DELETE FROM phrase WHERE user_id = {0} AND grade = {1} AND term = {2} AND subject = {3} "
                       "AND type = {4} AND name = ? ",
                       user_id_, grade_, term_, subject_, type),
                {name});
    else
        sql.add(format("DELETE FROM phrase WHERE user_id = {0} AND type = {1} AND name = ? ", user_id_, type), {name});
    std::string err;
    sqldb::run(db_, sql, err);
}

void PhraseBook_db::removeAll(int type)
{
    if (!db_)
        return;
    Sql sql;
    if (type == Point)
        sql += format("DELETE FROM phrase WHERE user_id = {0} AND grade = {1} AND term = {2} AND subject = {3} "
                      "AND type = {4} ",
                      user_id_, grade_, term_, subject_, type);
    else
        sql += format("DELETE FROM phrase WHERE user_id = {0} AND type = {1} ", user_id_, type);
    std::string err;
    sqldb::run(db_, sql, err);
}

void PhraseBook_db::getList(int type, std::vector<std::string>& out)
{
    list(type, nullptr, out);
}

void PhraseBook_db::search(int type, std::string text, std::vector<std::string>& out)
{
    list(type, &text, out);
}

void PhraseBook_db::list(int type, const std::string* text, std::vector<std::string>& out)
{
    if (!db_)
        return;
    Sql sql;
    if (type == Point)
        sql += format("SELECT * FROM phrase WHERE user_id = {0} AND grade = {1} AND term = {2} AND subject = {3} "
                      "AND type = {4}",
                      user_id_, grade_, term_, subject_, type);
    else
        sql += format("SELECT * FROM phrase WHERE user_id = {0} AND type = {1}", user_id_, type);
    if (text)
        sql.add(" AND name LIKE '%' || ? || '%'", {*text});
    sql += " ORDER BY times DESC";
    Statement stmt(db_, sql);
    if (!stmt.ok())
        return;
    while (stmt.step() == SQLITE_ROW)
        out.push_back(stmt.columnText(6));
}
