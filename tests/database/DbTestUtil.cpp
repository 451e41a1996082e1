#include "DbTestUtil.h"

#include <QDir>
#include <QFile>

namespace dbtest {

std::string freshPath(const std::string& name)
{
    const QString path = testenv::appDataRoot() + QStringLiteral("/") + QString::fromStdString(name);
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        QFile::remove(path + QString::fromLatin1(suffix));
    return path.toStdString();
}

RawDb::RawDb(const std::string& path, int busyMs)
{
    EXPECT_EQ(sqlite3_open(path.c_str(), &db_), SQLITE_OK);
    sqlite3_busy_timeout(db_, busyMs);
}

RawDb::~RawDb()
{
    sqlite3_close_v2(db_);
}

int RawDb::exec(const std::string& sql, std::string* err)
{
    char* msg = nullptr;
    const int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &msg);
    if (err)
        *err = msg ? msg : "";
    sqlite3_free(msg);
    return rc;
}

std::vector<std::vector<std::string>> RawDb::rows(const std::string& sql)
{
    std::vector<std::vector<std::string>> out;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << "prepare failed: " << sqlite3_errmsg(db_) << " in " << sql;
        return out;
    }
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        std::vector<std::string> row;
        for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
            const unsigned char* text = sqlite3_column_text(stmt, c);
            row.push_back(text ? std::string(reinterpret_cast<const char*>(text),
                                             static_cast<size_t>(sqlite3_column_bytes(stmt, c)))
                               : std::string("<null>"));
        }
        out.push_back(row);
    }
    sqlite3_finalize(stmt);
    return out;
}

int RawDb::scalarInt(const std::string& sql)
{
    const auto r = rows(sql);
    return r.empty() || r[0].empty() ? -999 : std::stoi(r[0][0]);
}

std::string RawDb::scalarText(const std::string& sql)
{
    const auto r = rows(sql);
    return r.empty() || r[0].empty() ? std::string("<none>") : r[0][0];
}

std::map<long long, std::string> RawDb::table(const std::string& name)
{
    std::map<long long, std::string> out;
    for (const auto& row : rows("SELECT * FROM " + name)) {
        std::string joined;
        for (const auto& column : row)
            joined += column + '\x1f';
        out[std::stoll(row[0])] = joined;
    }
    return out;
}

int addQuestion(sqlite& db, const NewQuestion& q)
{
    _detail_t d;
    d.user_id = q.user_id;
    d.grade = q.grade;
    d.term = q.term;
    d.subject = q.subject;
    d.classification = q.classification;
    d.cause = q.cause;
    d.questiontype = q.questiontype;
    d.point = q.point;
    d.detail_path = q.detail_path;
    d.score = q.score;
    d.source = q.source;
    d.remark = q.remark;
    std::string err;
    if (db.addDetail(d, err) != 0) {
        ADD_FAILURE() << "addDetail: " << err;
        return 0;
    }
    int id = 0;
    if (db.getLastInsertId(id, err) != 0) {
        ADD_FAILURE() << "getLastInsertId: " << err;
        return 0;
    }
    return id;
}

}  // namespace dbtest
