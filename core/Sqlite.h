#pragma once

#include <sqlite3.h>

#include <mutex>
#include <string>

#include "core/IDatabase.h"
#include "core/Singleton.h"
#include "core/SqlStatement.h"

// The question database "database/Lorvane.db" (schema version 4): base data,
// questions, question numbering and the local user, on one connection.
//
// The connection is shared by the GUI thread, the awaited worker tasks and the
// question list's background count: every operation holds the object's mutex
// for its whole run, so statements of two threads never interleave and the
// error text belongs to the caller's own statement. Every text value is bound
// as a statement parameter; statement texts are built from numbers and
// constant fragments only.
class sqlite : public IDatabase, public Singleton<sqlite> {
public:
    static constexpr const char* kDefaultPath = "database/Lorvane.db";
    static constexpr int kSchemaVersion = 4;
    static constexpr int kPageSize = 20;

    // Opens (or creates) kDefaultPath relative to the working directory.
    sqlite();
    // Opens (or creates) the given file.
    explicit sqlite(const std::string& path);
    ~sqlite() override;

    int getVersion(int& version, std::string& err) override;
    int getTypes(int user_id, std::map<int, _type_t>& types, std::string& err) override;
    int addType(_type_t type, std::string& err) override;
    int updateType(_type_t type, std::string& err) override;
    int deleteType(int id, std::string& err) override;
    int getTypeUsage(int id, int& count, std::string& err) override;
    int login(std::string userID, std::string password, _user_t& user, std::string& err) override;
    int updateUser(int id, std::string username, int sex, std::string student_number, std::string contact,
                   std::string& err) override;
    int moveDetail(int id, int user_id, int grade, int term, int subject, std::string& err) override;
    int updateDetail(int id, int state, int times, int classification, int cause, int questiontype, std::string point,
                     int score, std::string source, std::string remark, std::string& err) override;
    int setDetailsState(std::vector<int> ids, int state, std::string& err) override;
    int setDetailsRemark(std::vector<int> ids, std::string remark, std::string& err) override;
    int setDetailsSource(std::vector<int> ids, std::string source, std::string& err) override;
    int deleteDetails(std::vector<int> ids, std::string& err) override;
    int clearDetails(int user_id, int grade, int term, std::vector<std::string>& paths, std::string& err) override;
    int addDetail(_detail_t& detail, std::string& err) override;
    int getLastInsertId(int& id, std::string& err) override;
    int queryDetails(query_data query, std::vector<_detail_t>& list, std::string& err) override;
    int countDetails(query_data query, int& count, std::string& err) override;
    int searchDetails(query_data query, std::vector<_detail_t>& list, std::string& err) override;
    int countSearchDetails(query_data query, int& count, std::string& err) override;
    int queryPointDetails(query_data query, std::vector<_detail_t>& list, std::string& err) override;
    int getHotPoints(int user_id, int grade, int term, int subject, std::map<std::string, double>& points,
                     std::string& err) override;
    int getCauseCounts(int user_id, int grade, int term, int subject, std::map<std::string, int>& counts,
                       std::string& err) override;
    int getStateCounts(int user_id, int grade, int term, int subject, std::vector<std::tuple<int, int, int>>& counts,
                       std::string& err) override;
    int getMonthlyAdded(int user_id, int grade, int term, int subject, std::map<std::string, int>& counts,
                        std::string& err) override;
    int getMonthlyMastered(int user_id, int grade, int term, int subject, std::map<std::string, int>& counts,
                           std::string& err) override;
    int getGradeTermCounts(int user_id, std::vector<std::tuple<int, int, int>>& counts, std::string& err) override;
    int getSubjectCounts(int user_id, int grade, int term, bool notMasteredOnly,
                         std::vector<std::tuple<int, int, int>>& counts, std::string& err) override;

    // The four tables and the schema version; each CREATE runs only when the
    // previous one succeeded. Not a transaction of its own: the constructor
    // runs it together with insertDefaultData in one.
    static int createTables(sqlite3* db, std::string& err);
    // The 36 base-data rows and the built-in user, all or nothing.
    static int insertDefaultData(sqlite3* db, std::string& err);

    // How long a statement waits for another connection's lock (ms).
    void setBusyTimeout(int ms);

private:
    void open(const std::string& path);
    // Creates the bucket's serial row when missing and counts it up by one.
    // Runs inside the caller's transaction, under the caller's lock.
    int bumpSerial(int user_id, int grade, int term, int subject, std::string& err);
    bool connected(std::string& err) const;

    // The frame of every operation: body() runs under the lock on an open
    // connection; without one the result is -1 with kNoConnection's text.
    template <typename Body>
    int locked(std::string& err, Body body);
    // Under the lock: prepares the statement (a constant text or an Sql with
    // its values), hands every row to onRow and checks that the steps ended
    // at the last row. A failing prepare or step is -1 with SQLite's text.
    template <typename Text, typename OnRow>
    int eachRow(const Text& sql, std::string& err, OnRow onRow);
    // A grouped count: each row becomes one entry of a result read aside
    // (see the readers in Sqlite.cpp), which joins `out` only on success.
    template <typename Result, typename Columns>
    int groupedCount(const std::string& sql, const Columns& columns, Result& out, std::string& err);
    // The int in column 0 of a one-row statement.
    int readInt(const sqldb::Sql& sql, int& value, std::string& err);
    // "SELECT * FROM detail" rows into list (emptied first; left empty on a
    // failing statement).
    int readDetails(const sqldb::Sql& sql, std::vector<_detail_t>& list, std::string& err);
    // Under the lock: prepares, binds and runs a statement without rows.
    int write(const sqldb::Sql& sql, std::string& err);
    // In one transaction: counts the bucket's serial up and runs sql, which
    // reads the new number from table serial.
    int writeNumbered(int user_id, int grade, int term, int subject, const sqldb::Sql& sql, std::string& err);

    std::mutex mutex_;
    sqlite3* db_ = nullptr;
};
