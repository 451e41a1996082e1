#pragma once

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/Sqlite.h"
#include "support/TestEnv.h"

// Helpers of the database tests: fresh files in the test's private folder and
// a second, plain connection to look at (or lock) a file from outside.
namespace dbtest {

// Ids of the default base data of a new file.
enum DefaultIds {
    kGrade12 = 12,        // 高三 (current)
    kGrade11 = 11,        // 高二
    kGrade1 = 1,          // 一年级
    kTermFirst = 13,      // 上学期 (current)
    kTermSecond = 14,     // 下学期
    kMath = 15,           // 数学
    kPhysics = 16,        // 物理
    kChemistry = 17,      // 化学
    kClassTypical = 24,   // 典型题
    kCauseApproach = 28,  // 切入点，思路错误
    kCauseMisread = 29,   // 看错题目
    kCauseCalc = 30,      // 计算错误
    kTypeChoice = 32,     // 选择题
};
constexpr int kUser = 10000;

// A path in this test process's private folder; any old file of that name is removed.
std::string freshPath(const std::string& name);

class RawDb {
public:
    explicit RawDb(const std::string& path, int busyMs = 0);
    ~RawDb();
    sqlite3* handle() const { return db_; }

    // Runs constant SQL; returns SQLite's result code.
    int exec(const std::string& sql, std::string* err = nullptr);
    int scalarInt(const std::string& sql);
    std::string scalarText(const std::string& sql);
    // Every row, each column as text ("<null>" for NULL).
    std::vector<std::vector<std::string>> rows(const std::string& sql);
    // Every row of a table by id, the columns joined.
    std::map<long long, std::string> table(const std::string& name);

private:
    RawDb(const RawDb&) = delete;
    RawDb& operator=(const RawDb&) = delete;
    sqlite3* db_ = nullptr;
};

// A question of the given bucket with some attributes; returns its id (0 on failure).
struct NewQuestion {
    int user_id = kUser;
    int grade = kGrade12;
    int term = kTermFirst;
    int subject = kMath;
    int classification = kClassTypical;
    int cause = kCauseApproach;
    int questiontype = kTypeChoice;
    std::string point;
    std::string detail_path;
    int score = 5;
    std::string source;
    std::string remark;
};
int addQuestion(sqlite& db, const NewQuestion& q);

}  // namespace dbtest
