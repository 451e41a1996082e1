#include "core/Sqlite.h"

#include <algorithm>

#include "core/Format.h"
#include "core/SqlStatement.h"

using sqldb::Sql;
using sqldb::Statement;
using sqldb::Value;

namespace {

constexpr int kDefaultUser = 10000;
constexpr int kBusyTimeoutMs = 3000;

const char* const kNoConnection = "open database failed";
const char* const kNoItem = "no item find";
const char* const kNoUser = "用户不存在";

struct DefaultType {
    int group;
    const char* name;
    int order;
    int state;
};

// The base data of a new database: 高三 and 上学期 are current, every subject,
// classification, cause and question type is shown.
// clang-format off
const DefaultType kDefaultTypes[] = {
    {1, "一年级", 0, 0}, {1, "二年级", 1, 0}, {1, "三年级", 2, 0}, {1, "四年级", 3, 0},
    {1, "五年级", 4, 0}, {1, "六年级", 5, 0}, {1, "初一", 6, 0},   {1, "初二", 7, 0},
    {1, "初三", 8, 0},   {1, "高一", 9, 0},   {1, "高二", 10, 0},  {1, "高三", 11, 1},
    {2, "上学期", 0, 1}, {2, "下学期", 1, 0},
    {3, "数学", 0, 1},   {3, "物理", 1, 1},   {3, "化学", 2, 1},   {3, "语文", 3, 1},
    {3, "英语", 4, 1},   {3, "地理", 5, 1},   {3, "政治", 6, 1},   {3, "历史", 7, 1},
    {3, "生物", 8, 1},
    {4, "典型题", 0, 1}, {4, "易错题", 1, 1}, {4, "好题", 2, 1},   {4, "难题", 3, 1},
    {5, "切入点，思路错误", 0, 1}, {5, "看错题目", 1, 1}, {5, "计算错误", 2, 1}, {5, "根本不会做", 3, 1},
    {6, "选择题", 0, 1}, {6, "填空题", 1, 1}, {6, "判断题", 2, 1}, {6, "计算题", 3, 1}, {6, "解答题", 4, 1},
};
// clang-format on

const char* const kCreateStatements[] = {
    "PRAGMA user_version=4",
    "CREATE TABLE type ("
    "id INTEGER PRIMARY KEY AUTOINCREMENT, "
    "user_id INTEGER NOT NULL, "
    "[group] INTEGER NOT NULL, "
    "name TEXT NOT NULL, "
    "[order] INTEGER NOT NULL, "
    "state INTEGER NOT NULL DEFAULT 1)",
    "CREATE TABLE detail ("
    "id INTEGER PRIMARY KEY AUTOINCREMENT, "
    "user_id INT NOT NULL DEFAULT 10000, "
    "number INT NOT NULL, "
    "grade INT NOT NULL, "
    "term INT NOT NULL, "
    "subject INT NOT NULL, "
    "state INT NOT NULL, "
    "times INT NOT NULL DEFAULT 1, "
    "classification INT NOT NULL, "
    "cause INT NOT NULL, "
    "questiontype INT NOT NULL, "
    "point TEXT, "
    "detail_path TEXT, "
    "score INT, "
    "source TEXT, "
    "remark TEXT, "
    "create_date DATETIME, "
    "modify_date DATETIME NOT NULL, "
    "dt_reserved1 INT, "
    "dt_reserved2 INT, "
    "dt_reserved3 TEXT, "
    "dt_reserved4 TEXT)",
    "CREATE TABLE serial ("
    "id INTEGER PRIMARY KEY AUTOINCREMENT, "
    "user_id INT, "
    "grade INT NOT NULL, "
    "term INT NOT NULL, "
    "subject INT NOT NULL, "
    "number INT NOT NULL)",
    "CREATE TABLE user ("
    "id INTEGER PRIMARY KEY AUTOINCREMENT, "
    "userID TEXT, "
    "id_type INT NOT NULL DEFAULT 0, "
    "user_type INT NOT NULL DEFAULT 2, "
    "password TEXT, "
    "username INT, "
    "sex INT NOT NULL DEFAULT 0, "
    "school_id INT, "
    "contact TEXT, "
    "student_number TEXT, "
    "registration_time TEXT NOT NULL, "
    "login_time TEXT)",
};

// Indexes for the list and statistics queries of one grade, term and subject.
// They change neither the tables nor the schema version, so files stay
// readable either way; a file without table detail simply gets none.
const char* const kIndexStatements[] = {
    "CREATE INDEX IF NOT EXISTS detail_bucket ON detail (user_id, grade, term, subject, number)",
    "CREATE INDEX IF NOT EXISTS detail_bucket_state ON detail (user_id, grade, term, subject, state, times)",
    "CREATE INDEX IF NOT EXISTS serial_bucket ON serial (user_id, grade, term, subject)",
};

std::string idList(const std::vector<int>& ids)
{
    std::string list;
    for (size_t i = 0; i < ids.size(); ++i) {
        if (i)
            list += ",";
        list += format("{0}", ids[i]);
    }
    return list;
}

// Columns 0..17 of a "SELECT * FROM detail" row.
_detail_t readDetail(const Statement& stmt)
{
    _detail_t d;
    d.id = stmt.columnInt(0);
    d.user_id = stmt.columnInt(1);
    d.number = stmt.columnInt(2);
    d.grade = stmt.columnInt(3);
    d.term = stmt.columnInt(4);
    d.subject = stmt.columnInt(5);
    d.state = stmt.columnInt(6);
    d.times = stmt.columnInt(7);
    d.classification = stmt.columnInt(8);
    d.cause = stmt.columnInt(9);
    d.questiontype = stmt.columnInt(10);
    d.point = stmt.columnText(11);
    d.detail_path = stmt.columnText(12);
    d.score = stmt.columnInt(13);
    d.source = stmt.columnText(14);
    d.remark = stmt.columnText(15);
    d.create_date = stmt.columnText(16);
    d.modify_date = stmt.columnText(17);
    return d;
}

// "WHERE user_id = .. AND grade = .. AND term = .. AND subject = .." and the
// optional state and times filters.
Sql baseFilter(const query_data& q)
{
    Sql sql;
    sql += format("WHERE user_id = {0} AND grade = {1} AND term = {2} AND subject = {3}", q.user_id, q.grade, q.term,
                  q.subject);
    if (q.state != -1)
        sql += format(" AND state = {0}", q.state);
    if (q.times != -1)
        sql += format(" AND times = {0}", q.times);
    return sql;
}

// The conditions of the advanced search.
void appendAdvanced(Sql& sql, const query_data& q)
{
    if (q.number_from != 0 && q.number_to != 0 && q.number_from <= q.number_to)
        sql += format(" AND number BETWEEN  {0} AND {1}", q.number_from, q.number_to);
    if (q.classification != 0)
        sql += format(" AND classification = {0}", q.classification);
    if (!q.point.empty())
        sql.add(" AND point LIKE '%' || ? || '%'", {q.point});
    if (q.cause != 0)
        sql += format(" AND cause = {0}", q.cause);
    if (q.questiontype != 0)
        sql += format(" AND questiontype = {0}", q.questiontype);
    if (!q.source.empty())
        sql.add(" AND source LIKE '%' || ? || '%'", {q.source});
    if (!q.remark.empty())
        sql.add(" AND remark LIKE '%' || ? || '%'", {q.remark});
    if (!q.date_from.empty() && !q.date_to.empty() && q.date_to.compare(q.date_from) >= 0)
        sql.add(" AND modify_date BETWEEN  ? AND ?", {q.date_from, q.date_to});
}

// The plain search: the keyword equals the number, or is contained in the name
// of the classification, cause or question type, or in point, source or remark.
void appendKeyword(Sql& sql, const query_data& q)
{
    if (q.keyword.empty())
        return;
    const std::string& k = q.keyword;
    const std::string typeName = format("(SELECT id FROM type WHERE user_id = {0} AND name LIKE '%' || ? || '%')",
                                        q.user_id);
    sql.add(" AND ( number = ?", {k});
    sql.add(" OR classification IN " + typeName, {k});
    sql.add(" OR point LIKE '%' || ? || '%'", {k});
    sql.add(" OR cause IN " + typeName, {k});
    sql.add(" OR questiontype IN " + typeName, {k});
    sql.add(" OR source LIKE '%' || ? || '%'", {k});
    sql.add(" OR remark LIKE '%' || ? || '%'", {k});
    sql += ")";
}

void appendPoints(Sql& sql, const query_data& q)
{
    if (q.points.empty())
        return;
    sql += " AND ( ";
    for (size_t i = 0; i < q.points.size(); ++i) {
        if (i)
            sql += " OR ";
        sql.add("  point LIKE '%' || ? || '%' ", {q.points[i]});
    }
    sql += ")";
}

void appendOrder(Sql& sql, const query_data& q)
{
    if (q.order == 0)
        sql += " ORDER BY number ASC ";
    else if (q.order == 1)
        sql += " ORDER BY number DESC ";
}

void appendPage(Sql& sql, const query_data& q)
{
    sql += format(" LIMIT {0} OFFSET {1}", sqlite::kPageSize, q.offset);
}

// Adds the entries of read to out; a key already in out keeps its value.
template <typename Map>
void mergeInto(Map& out, const Map& read)
{
    out.insert(read.begin(), read.end());
}

Sql select(const char* head, const Sql& filter)
{
    Sql sql;
    sql.text = std::string(head) + filter.text;
    sql.values = filter.values;
    return sql;
}

// Where the parts of one grouped-count row stand.
struct KeyCount {  // key text -> count (rows of one key add up)
    int key;
    int count;
};
struct Triple {  // (a, b, count) in row order
    int a;
    int b;
    int count;
};

template <typename Count>
Count countAt(const Statement& s, int c);
template <>
int countAt<int>(const Statement& s, int c)
{
    return s.columnInt(c);
}
template <>
double countAt<double>(const Statement& s, int c)
{
    return s.columnDouble(c);
}

template <typename Count>
void addGroup(std::map<std::string, Count>& read, const Statement& s, const KeyCount& c)
{
    read[s.columnText(c.key)] += countAt<Count>(s, c.count);
}

void addGroup(std::vector<std::tuple<int, int, int>>& read, const Statement& s, const Triple& c)
{
    read.emplace_back(s.columnInt(c.a), s.columnInt(c.b), s.columnInt(c.count));
}

template <typename Count>
void mergeGroups(std::map<std::string, Count>& out, const std::map<std::string, Count>& read)
{
    mergeInto(out, read);
}

void mergeGroups(std::vector<std::tuple<int, int, int>>& out, const std::vector<std::tuple<int, int, int>>& read)
{
    out.insert(out.end(), read.begin(), read.end());
}

// Prepares a statement (a constant text or an Sql with its values), hands
// every row to onRow and checks that the steps ended at the last row. A
// failing prepare or step is -1 with SQLite's text. The caller holds the lock.
template <typename Text, typename OnRow>
int stepRows(sqlite3* db, const Text& sql, std::string& err, OnRow& onRow)
{
    Statement stmt(db, sql);
    if (!stmt.ok()) {
        err = sqldb::errorText(db);
        return -1;
    }
    int rc;
    while ((rc = stmt.step()) == SQLITE_ROW)
        onRow(stmt);
    if (rc != SQLITE_DONE) {
        err = sqldb::errorText(db);
        return -1;
    }
    return 0;
}

}  // namespace

template <typename Body>
int sqlite::locked(std::string& err, Body body)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!connected(err))
        return -1;
    return body();
}

template <typename Text, typename OnRow>
int sqlite::eachRow(const Text& sql, std::string& err, OnRow onRow)
{
    return locked(err, [&] { return stepRows(db_, sql, err, onRow); });
}

template <typename Result, typename Columns>
int sqlite::groupedCount(const std::string& sql, const Columns& columns, Result& out, std::string& err)
{
    Result read;
    if (eachRow(sql, err, [&](const Statement& s) { addGroup(read, s, columns); }) != 0)
        return -1;
    mergeGroups(out, read);
    return 0;
}

int sqlite::readInt(const Sql& sql, int& value, std::string& err)
{
    return eachRow(sql, err, [&](const Statement& s) { value = s.columnInt(0); });
}

int sqlite::readDetails(const Sql& sql, std::vector<_detail_t>& list, std::string& err)
{
    return locked(err, [&] {
        list.clear();
        auto add = [&](const Statement& s) { list.push_back(readDetail(s)); };
        if (stepRows(db_, sql, err, add) == 0)
            return 0;
        list.clear();
        return -1;
    });
}

int sqlite::write(const Sql& sql, std::string& err)
{
    return locked(err, [&] { return sqldb::run(db_, sql, err); });
}

int sqlite::writeNumbered(int user_id, int grade, int term, int subject, const Sql& sql, std::string& err)
{
    return locked(err, [&] {
        sqldb::Transaction tx(db_);
        if (tx.begin(err) != 0 || bumpSerial(user_id, grade, term, subject, err) != 0 || sqldb::run(db_, sql, err) != 0)
            return -1;
        return tx.commit(err);
    });
}

sqlite::sqlite()
{
    open(kDefaultPath);
}

sqlite::sqlite(const std::string& path)
{
    open(path);
}

sqlite::~sqlite()
{
    if (db_)
        sqlite3_close(db_);
    db_ = nullptr;
}

void sqlite::open(const std::string& path)
{
    // A connection that fails to open is kept: its operations then fail with
    // SQLite's own text, which start-up shows.
    if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK)
        return;
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);

    int tables = 0;
    {
        Statement stmt(db_, "select count(*)  from sqlite_master where type = 'table' and name = 'type'");
        if (stmt.step() == SQLITE_ROW)
            tables = stmt.columnInt(0);
    }
    if (tables == 0) {
        // A new file is set up in one go: a crash or a failure leaves it
        // without any table rather than with tables but without the user.
        std::string err;
        sqldb::Transaction tx(db_);
        if (tx.begin(err) == 0 && createTables(db_, err) == 0 && insertDefaultData(db_, err) == 0)
            tx.commit(err);
    }
    // Only a file of our own schema gets the indexes: a file of another
    // version is refused at start-up and must stay exactly as it was.
    int version = 0;
    {
        Statement stmt(db_, "PRAGMA user_version");
        if (stmt.step() == SQLITE_ROW)
            version = stmt.columnInt(0);
    }
    if (version != kSchemaVersion)
        return;
    std::string ignored;
    for (const char* sql : kIndexStatements)
        sqldb::exec(db_, sql, ignored);
}

void sqlite::setBusyTimeout(int ms)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (db_)
        sqlite3_busy_timeout(db_, ms);
}

bool sqlite::connected(std::string& err) const
{
    if (db_)
        return true;
    err = kNoConnection;
    return false;
}

int sqlite::createTables(sqlite3* db, std::string& err)
{
    if (!db) {
        err = kNoConnection;
        return -1;
    }
    for (const char* sql : kCreateStatements) {
        if (sqldb::exec(db, sql, err) != 0)
            return -1;
    }
    return 0;
}

int sqlite::insertDefaultData(sqlite3* db, std::string& err)
{
    if (!db) {
        err = kNoConnection;
        return -1;
    }
    sqldb::Transaction tx(db, "default_data");
    if (tx.begin(err) != 0)
        return -1;
    {
        Statement insert(db, "INSERT INTO type (user_id, [group], name, [order], state )values (?, ?, ?, ?, ? )");
        for (const DefaultType& row : kDefaultTypes) {
            insert.reset();
            if (!insert.bind({kDefaultUser, row.group, row.name, row.order, row.state}) ||
                insert.run() != SQLITE_DONE) {
                err = sqldb::errorText(db);
                return -1;
            }
        }
    }
    // The password is written as a bare number; the column keeps it as text.
    if (sqldb::exec(db,
                    "INSERT INTO user (id, userID, password, registration_time) "
                    "VALUES (10000, 'lorvane', 704182, DATETIME())",
                    err) != 0)
        return -1;
    return tx.commit(err);
}

int sqlite::bumpSerial(int user_id, int grade, int term, int subject, std::string& err)
{
    if (!connected(err))
        return -1;
    Sql insert;
    insert += format("INSERT INTO serial (user_id,grade,term,subject,number)SELECT {0},{1},{2},{3},0 WHERE NOT EXISTS "
                     "(SELECT * FROM serial WHERE user_id = {4} AND grade = {5} AND term = {6} AND subject = {7})",
                     user_id, grade, term, subject, user_id, grade, term, subject);
    if (sqldb::run(db_, insert, err) != 0)
        return -1;
    Sql update;
    update += format(
        "UPDATE serial SET\tnumber = number + 1 WHERE\tuser_id = {0} AND grade = {1} AND term = {2} AND subject = {3}",
        user_id, grade, term, subject);
    return sqldb::run(db_, update, err);
}

int sqlite::getVersion(int& version, std::string& err)
{
    return readInt(Sql{"PRAGMA user_version", {}}, version, err);
}

// ---------------------------------------------------------------------------
// Base data and the user

int sqlite::getTypes(int user_id, std::map<int, _type_t>& types, std::string& err)
{
    std::map<int, _type_t> read;
    const std::string sql = format("SELECT * FROM type WHERE user_id = {0}", user_id);
    if (eachRow(sql, err, [&](const Statement& s) {
            _type_t t;
            t.id = s.columnInt(0);
            t.user_id = s.columnInt(1);
            t.group = s.columnInt(2);
            t.name = s.columnText(3);
            t.order = s.columnInt(4);
            t.state = s.columnInt(5);
            read.emplace(t.id, t);
        }) != 0)
        return -1;
    mergeInto(types, read);  // an id already there keeps its entry
    return 0;
}

int sqlite::addType(_type_t type, std::string& err)
{
    Sql sql;
    sql.add("INSERT INTO type (user_id, [group], name, [order], state) VALUES (?, ?, ?, ?, ?)",
            {type.user_id, type.group, type.name, type.order, type.state});
    return write(sql, err);
}

int sqlite::updateType(_type_t type, std::string& err)
{
    Sql sql;
    sql.add(
        format("UPDATE type SET name = ?,[order] = {0}, state = {1} WHERE id = {2}", type.order, type.state, type.id),
        {type.name});
    return write(sql, err);
}

int sqlite::deleteType(int id, std::string& err)
{
    Sql sql;
    sql += format("DELETE FROM type WHERE id = {0}", id);
    return write(sql, err);
}

int sqlite::getTypeUsage(int id, int& count, std::string& err)
{
    Sql sql;
    sql += format("SELECT COUNT( * ) FROM detail WHERE grade = {0}  OR term = {0}  OR subject = {0}  "
                  "OR classification = {0}  OR cause = {0}  OR questiontype = {0}",
                  id);
    return readInt(sql, count, err);
}

int sqlite::login(std::string userID, std::string password, _user_t& user, std::string& err)
{
    Sql sql;
    sql.add("SELECT * FROM user WHERE userID = ? ", {userID});
    bool found = false;
    if (eachRow(sql, err, [&](const Statement& s) {
            if (found)
                return;  // the first account of that name counts
            found = true;
            user.id = s.columnInt(0);
            user.userID = s.columnText(1);
            user.id_type = s.columnInt(2);
            user.user_type = s.columnInt(3);
            user.password = s.columnText(4);
            user.username = s.columnText(5);
            user.sex = s.columnInt(6);
            user.school_id = s.columnInt(7);
            user.contact = s.columnText(8);
            user.student_number = s.columnText(9);
            user.registration_time = s.columnText(10);
            user.login_time = s.columnText(11);
        }) != 0)
        return -1;
    if (!found) {
        err = kNoUser;
        return -1;
    }
    if (user.password != password) {
        err = kNoUser;
        return -2;
    }
    return 0;
}

int sqlite::updateUser(int id, std::string username, int sex, std::string student_number, std::string contact,
                       std::string& err)
{
    // The username column is declared INT: a name bound as text that looks like
    // a number ("007", "1e3") would be turned into one and come back changed, so
    // it goes in as the bytes it is.
    Sql sql;
    sql.add(format("UPDATE user SET\tusername = ?,sex = {0},student_number = ?,contact = ? WHERE id = {1}", sex, id),
            {Value::blob(username), student_number, contact});
    return write(sql, err);
}

// ---------------------------------------------------------------------------
// Questions

int sqlite::moveDetail(int id, int user_id, int grade, int term, int subject, std::string& err)
{
    Sql sql;
    sql += format("UPDATE detail SET grade = {0},term = {1},subject = {2},number = (SELECT number from serial "
                  "WHERE\t user_id = {3} AND grade = {4} AND term = {5} AND subject = {6} ),modify_date = DATE() "
                  "WHERE id = {7}",
                  grade, term, subject, user_id, grade, term, subject, id);
    return writeNumbered(user_id, grade, term, subject, sql, err);
}

int sqlite::updateDetail(int id, int state, int times, int classification, int cause, int questiontype,
                         std::string point, int score, std::string source, std::string remark, std::string& err)
{
    Sql sql;
    sql.add(format("UPDATE detail SET state = {0},times = {1},classification = {2},cause = {3},questiontype = {4},"
                   "point = ?,score = {5},source = ?,remark = ?,modify_date = DATE() WHERE id = {6}",
                   state, times, classification, cause, questiontype, score, id),
            {point, source, remark});
    return write(sql, err);
}

int sqlite::setDetailsState(std::vector<int> ids, int state, std::string& err)
{
    Sql sql;
    sql += format("UPDATE detail SET state = {0},modify_date = DATE() WHERE id IN ({1})", state, idList(ids));
    return write(sql, err);
}

int sqlite::setDetailsRemark(std::vector<int> ids, std::string remark, std::string& err)
{
    Sql sql;
    sql.add(format("UPDATE detail SET remark = ?,modify_date = DATE() WHERE id IN ({0})", idList(ids)), {remark});
    return write(sql, err);
}

int sqlite::setDetailsSource(std::vector<int> ids, std::string source, std::string& err)
{
    Sql sql;
    sql.add(format("UPDATE detail SET source = ?,modify_date = DATE() WHERE id IN ({0})", idList(ids)), {source});
    return write(sql, err);
}

int sqlite::deleteDetails(std::vector<int> ids, std::string& err)
{
    Sql sql;
    sql += format("DELETE FROM detail WHERE id IN ({0}) ", idList(ids));
    return write(sql, err);
}

int sqlite::clearDetails(int user_id, int grade, int term, std::vector<std::string>& paths, std::string& err)
{
    return locked(err, [&] {
        std::vector<std::string> found;
        const std::string paths_sql = format("SELECT detail_path FROM  detail WHERE\t user_id = {0} AND grade = {1} "
                                             "AND term = {2} ",
                                             user_id, grade, term);
        auto add = [&](const Statement& s) { found.push_back(s.columnText(0)); };
        if (stepRows(db_, paths_sql, err, add) != 0)
            return -1;
        if (found.empty()) {
            err = kNoItem;
            return -1;
        }
        paths = std::move(found);
        Sql sql;
        sql += format("DELETE FROM detail WHERE user_id = {0} AND grade = {1} AND term = {2} ", user_id, grade, term);
        return sqldb::run(db_, sql, err);
    });
}

int sqlite::addDetail(_detail_t& detail, std::string& err)
{
    const _detail_t& d = detail;
    Sql sql;
    sql.add(format("INSERT INTO detail (user_id,number,grade,term,subject,state,times,classification,cause,"
                   "questiontype,point,detail_path,score,source,remark,create_date,modify_date)"
                   "SELECT {0},number,{1},{2},{3},0,1,{4},{5},{6},?,?,{7},?,?,DATE(),DATE() FROM serial "
                   "WHERE user_id = {8} AND grade = {9} AND term = {10} AND subject = {11}",
                   d.user_id, d.grade, d.term, d.subject, d.classification, d.cause, d.questiontype, d.score, d.user_id,
                   d.grade, d.term, d.subject),
            {d.point, d.detail_path, d.source, d.remark});
    return writeNumbered(d.user_id, d.grade, d.term, d.subject, sql, err);
}

int sqlite::getLastInsertId(int& id, std::string& err)
{
    return readInt(Sql{"SELECT last_insert_rowid()", {}}, id, err);
}

int sqlite::queryDetails(query_data query, std::vector<_detail_t>& list, std::string& err)
{
    Sql sql = select("SELECT * FROM detail ", baseFilter(query));
    appendAdvanced(sql, query);
    appendOrder(sql, query);
    appendPage(sql, query);
    return readDetails(sql, list, err);
}

int sqlite::countDetails(query_data query, int& count, std::string& err)
{
    Sql sql = select("SELECT COUNT(*) FROM detail ", baseFilter(query));
    appendAdvanced(sql, query);
    return readInt(sql, count, err);
}

int sqlite::searchDetails(query_data query, std::vector<_detail_t>& list, std::string& err)
{
    Sql sql = select("SELECT * FROM detail ", baseFilter(query));
    appendKeyword(sql, query);
    appendOrder(sql, query);
    appendPage(sql, query);
    return readDetails(sql, list, err);
}

int sqlite::countSearchDetails(query_data query, int& count, std::string& err)
{
    Sql sql = select("SELECT COUNT(*) FROM detail ", baseFilter(query));
    appendKeyword(sql, query);
    return readInt(sql, count, err);
}

int sqlite::queryPointDetails(query_data query, std::vector<_detail_t>& list, std::string& err)
{
    Sql sql = select("SELECT * FROM detail ", baseFilter(query));
    appendPoints(sql, query);
    appendOrder(sql, query);
    return readDetails(sql, list, err);
}

// ---------------------------------------------------------------------------
// Statistics: one grouped count each. Map results are keyed by text; rows
// with equal keys add up, so causes that share a name (and unknown causes,
// which all have no name) show every question in the chart.

int sqlite::getHotPoints(int user_id, int grade, int term, int subject, std::map<std::string, double>& points,
                         std::string& err)
{
    const std::string sql = format(
        "SELECT point, SUM(A) AS number FROM (SELECT point,(0.2 + (1-state)*0.8)*times AS A FROM detail "
        "WHERE user_id = {0} AND grade = {1} AND term = {2} AND subject = {3} AND point <> '')"
        "GROUP BY point ORDER BY number DESC LIMIT 10",
        user_id, grade, term, subject);
    return groupedCount(sql, KeyCount{0, 1}, points, err);
}

int sqlite::getCauseCounts(int user_id, int grade, int term, int subject, std::map<std::string, int>& counts,
                           std::string& err)
{
    const std::string sql = format(
        "SELECT type.name, detail.cause,  COUNT(*)  AS number FROM detail LEFT JOIN type ON detail.cause = type.id "
        "WHERE detail.user_id = {0} AND detail.grade = {1} AND detail.term = {2} AND detail.subject = {3} "
        "GROUP BY detail.cause ",
        user_id, grade, term, subject);
    return groupedCount(sql, KeyCount{0, 2}, counts, err);
}

int sqlite::getStateCounts(int user_id, int grade, int term, int subject,
                           std::vector<std::tuple<int, int, int>>& counts, std::string& err)
{
    const std::string sql = format(
        "SELECT state, times, COUNT(*) AS number FROM detail WHERE detail.user_id = {0} AND detail.grade = {1} "
        "AND detail.term = {2} AND detail.subject = {3} GROUP BY state, times",
        user_id, grade, term, subject);
    return groupedCount(sql, Triple{0, 1, 2}, counts, err);
}

int sqlite::getMonthlyAdded(int user_id, int grade, int term, int subject, std::map<std::string, int>& counts,
                            std::string& err)
{
    const std::string sql = format(
        "SELECT date,COUNT(*) AS number FROM  (SELECT strftime('%Y%m', create_date) AS date  FROM detail "
        "WHERE user_id = {0} AND grade = {1} AND term = {2} AND subject = {3} ) GROUP BY date ",
        user_id, grade, term, subject);
    return groupedCount(sql, KeyCount{0, 1}, counts, err);
}

int sqlite::getMonthlyMastered(int user_id, int grade, int term, int subject, std::map<std::string, int>& counts,
                               std::string& err)
{
    const std::string sql = format(
        "SELECT date,COUNT(*) AS number FROM  (SELECT strftime('%Y%m', modify_date) AS date FROM detail "
        "WHERE user_id = {0} AND grade = {1} AND term = {2} AND subject = {3} AND state = 1 )GROUP BY date ",
        user_id, grade, term, subject);
    return groupedCount(sql, KeyCount{0, 1}, counts, err);
}

int sqlite::getGradeTermCounts(int user_id, std::vector<std::tuple<int, int, int>>& counts, std::string& err)
{
    const std::string sql = format(
        "SELECT detail.grade, detail.term, table_A.`order` AS order_A, table_B.`order` AS order_B, "
        "COUNT(*) AS number FROM  detail LEFT JOIN type AS table_A ON detail.grade = table_A.id "
        "LEFT JOIN type AS table_B ON detail.term = table_B.id WHERE detail.user_id = {0} "
        "GROUP BY detail.grade,  detail.term ORDER BY order_A, order_B",
        user_id);
    return groupedCount(sql, Triple{0, 1, 4}, counts, err);
}

int sqlite::getSubjectCounts(int user_id, int grade, int term, bool notMasteredOnly,
                             std::vector<std::tuple<int, int, int>>& counts, std::string& err)
{
    const std::string sql = format(
        "SELECT detail.subject,type.name,type.[order],COUNT(*) AS number FROM  detail LEFT JOIN type "
        "ON detail.subject = type.id WHERE detail.user_id = {0} AND detail.grade = {1} AND detail.term = {2} "
        "{3}GROUP BY detail.subject ORDER BY type.[order]",
        user_id, grade, term, notMasteredOnly ? "AND detail.state = 0 " : "");
    return groupedCount(sql, Triple{0, 2, 3}, counts, err);
}
