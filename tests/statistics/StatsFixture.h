#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/AppContext.h"
#include "core/Sqlite.h"
#include "platform/RemoveTree.h"
#include "support/TestEnv.h"

// A data folder with the real question database, logged in, base data in
// AppContext, and rows written straight into table detail.
class StatsDb : public ::testing::Test {
protected:
    // One question row; unset ids mean the current grade, term and subject.
    struct Row {
        int grade_ = 0;
        int term_ = 0;
        int subject_ = 0;
        int state_ = 0;
        int times_ = 1;
        int cause_ = 0;
        std::string point_;
        std::optional<std::string> path_ = std::string("q");
        std::string created_;   // YYYY-MM-DD, default today
        std::string modified_;  // YYYY-MM-DD, default today

        Row& grade(int v)
        {
            grade_ = v;
            return *this;
        }
        Row& term(int v)
        {
            term_ = v;
            return *this;
        }
        Row& subject(int v)
        {
            subject_ = v;
            return *this;
        }
        Row& state(int v)
        {
            state_ = v;
            return *this;
        }
        Row& times(int v)
        {
            times_ = v;
            return *this;
        }
        Row& cause(int v)
        {
            cause_ = v;
            return *this;
        }
        Row& point(const std::string& v)
        {
            point_ = v;
            return *this;
        }
        Row& path(std::optional<std::string> v)
        {
            path_ = std::move(v);
            return *this;
        }
        Row& created(const std::string& v)
        {
            created_ = v;
            return *this;
        }
        Row& modified(const std::string& v)
        {
            modified_ = v;
            return *this;
        }
    };

    void SetUp() override
    {
        dataFolder = testenv::prepareDataFolder();
        db = Singleton<sqlite>::instance();
        freshData();
        if (HasFatalFailure())
            return;
        dataFolder = testenv::prepareDataFolder();
        std::string err;
        ASSERT_EQ(db->login("lorvane", "704182", user, err), 0) << err;
        context = AppContext::instance();
        context->user = user;
        context->user_folder = std::to_string(user.id);
        std::map<int, _type_t> types;
        ASSERT_EQ(db->getTypes(user.id, types, err), 0) << err;
        context->setBaseData(types);
        ASSERT_FALSE(context->subjects.empty());
        context->subject = context->subjects.front();
        userFolder = QStringLiteral("item/%1").arg(user.id);
        ASSERT_TRUE(QDir().mkpath(userFolder));
    }

    // Every test starts from data of its own, whatever an earlier test of the
    // same process left: the database holds what a first start creates (the
    // connection of the database object stays open, so its tables are made
    // again rather than its file), and nothing else is left in or beside the
    // data folder.
    void freshData()
    {
        const QString root = testenv::appDataRoot();
        for (const QString& name :
             QDir(root).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
            if (name != QLatin1String("Lorvane")) {
                ASSERT_TRUE(platform::removeTree(QFile::encodeName(root + "/" + name).toStdString()));
            }
        }
        for (const QString& name :
             QDir(dataFolder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
            if (name != QLatin1String("database")) {
                ASSERT_TRUE(platform::removeTree(QFile::encodeName(dataFolder + "/" + name).toStdString()));
            }
        }
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open("database/Lorvane.db", &raw), SQLITE_OK);
        sqlite3_busy_timeout(raw, 2000);
        std::vector<std::string> tables;
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(raw, "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%'", -1,
                           &stmt, nullptr);
        while (stmt && sqlite3_step(stmt) == SQLITE_ROW)
            tables.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
        sqlite3_finalize(stmt);
        std::string sql = "BEGIN;";
        for (const std::string& table : tables)
            sql += "DROP TABLE \"" + table + "\";";
        std::string err;
        const bool dropped = sqlite3_exec(raw, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
        // The tables' numbering starts again too, as in a new file.
        const bool made = dropped && sqlite::createTables(raw, err) == 0 &&
                          sqlite3_exec(raw, "DELETE FROM sqlite_sequence", nullptr, nullptr, nullptr) == SQLITE_OK &&
                          sqlite::insertDefaultData(raw, err) == 0;
        const bool committed = made && sqlite3_exec(raw, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
        const std::string error = sqlite3_errmsg(raw);
        if (!committed)
            sqlite3_exec(raw, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(raw);
        ASSERT_TRUE(committed) << err << " " << error;
    }

    int typeId(int group, const char* name) const
    {
        for (const auto& [id, type] : context->types)
            if (type.group == group && type.name == name)
                return id;
        ADD_FAILURE() << "no type " << name;
        return 0;
    }

    static std::string today() { return QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")).toStdString(); }

    void insert(const Row& r)
    {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open("database/Lorvane.db", &raw), SQLITE_OK);
        sqlite3_busy_timeout(raw, 2000);
        sqlite3_stmt* stmt = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(raw,
                                     "INSERT INTO detail (user_id, number, grade, term, subject, state, times, "
                                     "classification, cause, questiontype, point, detail_path, score, source, "
                                     "remark, create_date, modify_date) VALUES (?,?,?,?,?,?,?,0,?,0,?,?,0,'','',?,?)",
                                     -1, &stmt, nullptr),
                  SQLITE_OK)
            << sqlite3_errmsg(raw);
        int i = 1;
        sqlite3_bind_int(stmt, i++, user.id);
        sqlite3_bind_int(stmt, i++, ++number);
        sqlite3_bind_int(stmt, i++, r.grade_ ? r.grade_ : context->grade.id);
        sqlite3_bind_int(stmt, i++, r.term_ ? r.term_ : context->term.id);
        sqlite3_bind_int(stmt, i++, r.subject_ ? r.subject_ : context->subject.id);
        sqlite3_bind_int(stmt, i++, r.state_);
        sqlite3_bind_int(stmt, i++, r.times_);
        sqlite3_bind_int(stmt, i++, r.cause_);
        sqlite3_bind_text(stmt, i++, r.point_.c_str(), -1, SQLITE_TRANSIENT);
        if (r.path_)
            sqlite3_bind_text(stmt, i++, r.path_->c_str(), -1, SQLITE_TRANSIENT);
        else
            sqlite3_bind_null(stmt, i++);
        const std::string created = r.created_.empty() ? today() : r.created_;
        const std::string modified = r.modified_.empty() ? today() : r.modified_;
        sqlite3_bind_text(stmt, i++, created.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(stmt, i++, modified.c_str(), -1, SQLITE_TRANSIENT);
        EXPECT_EQ(sqlite3_step(stmt), SQLITE_DONE) << sqlite3_errmsg(raw);
        sqlite3_finalize(stmt);
        sqlite3_close(raw);
    }

    void exec(const char* sql)
    {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open("database/Lorvane.db", &raw), SQLITE_OK);
        sqlite3_busy_timeout(raw, 2000);
        EXPECT_EQ(sqlite3_exec(raw, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(raw);
        sqlite3_close(raw);
    }

    int count(const std::string& where)
    {
        sqlite3* raw = nullptr;
        sqlite3_open("database/Lorvane.db", &raw);
        sqlite3_stmt* stmt = nullptr;
        const std::string sql = "SELECT COUNT(*) FROM detail WHERE " + where;
        int n = -1;
        if (sqlite3_prepare_v2(raw, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW)
            n = sqlite3_column_int(stmt, 0);
        sqlite3_finalize(stmt);
        sqlite3_close(raw);
        return n;
    }

    // A file of `bytes` bytes, its folders made.
    static void writeFile(const QString& path, qint64 bytes)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
        ASSERT_TRUE(file.resize(bytes));
    }

    // Handles events until done() holds or thirty seconds pass (a bound for a
    // loaded machine; a passing test never waits it out).
    static bool waitFor(const std::function<bool()>& done)
    {
        QElapsedTimer timer;
        timer.start();
        while (!done()) {
            if (timer.elapsed() > 30000)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        return true;
    }

    QString dataFolder;
    QString userFolder;
    IDatabase* db = nullptr;
    AppContext* context = nullptr;
    _user_t user;
    int number = 0;
};
