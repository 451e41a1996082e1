#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "DbTestUtil.h"

using namespace dbtest;

namespace {

using Columns = std::vector<std::vector<std::string>>;

// name, declared type, not null, default, primary key
Columns tableInfo(RawDb& raw, const std::string& table)
{
    Columns out;
    for (const auto& row : raw.rows("PRAGMA table_info(" + table + ")"))
        out.push_back({row[1], row[2], row[3], row[4], row[5]});
    return out;
}

const std::string N = "<null>";

}  // namespace

TEST(DatabaseSchema, NewFileHasTheFourTablesInColumnOrder)
{
    const std::string path = freshPath("schema.db");
    {
        sqlite db(path);
        int version = 0;
        std::string err;
        ASSERT_EQ(db.getVersion(version, err), 0) << err;
        EXPECT_EQ(version, 4);
    }
    RawDb raw(path);
    EXPECT_EQ(tableInfo(raw, "type"), (Columns{
                                          {"id", "INTEGER", "0", N, "1"},
                                          {"user_id", "INTEGER", "1", N, "0"},
                                          {"group", "INTEGER", "1", N, "0"},
                                          {"name", "TEXT", "1", N, "0"},
                                          {"order", "INTEGER", "1", N, "0"},
                                          {"state", "INTEGER", "1", "1", "0"},
                                      }));
    EXPECT_EQ(tableInfo(raw, "detail"), (Columns{
                                            {"id", "INTEGER", "0", N, "1"},
                                            {"user_id", "INT", "1", "10000", "0"},
                                            {"number", "INT", "1", N, "0"},
                                            {"grade", "INT", "1", N, "0"},
                                            {"term", "INT", "1", N, "0"},
                                            {"subject", "INT", "1", N, "0"},
                                            {"state", "INT", "1", N, "0"},
                                            {"times", "INT", "1", "1", "0"},
                                            {"classification", "INT", "1", N, "0"},
                                            {"cause", "INT", "1", N, "0"},
                                            {"questiontype", "INT", "1", N, "0"},
                                            {"point", "TEXT", "0", N, "0"},
                                            {"detail_path", "TEXT", "0", N, "0"},
                                            {"score", "INT", "0", N, "0"},
                                            {"source", "TEXT", "0", N, "0"},
                                            {"remark", "TEXT", "0", N, "0"},
                                            {"create_date", "DATETIME", "0", N, "0"},
                                            {"modify_date", "DATETIME", "1", N, "0"},
                                            {"dt_reserved1", "INT", "0", N, "0"},
                                            {"dt_reserved2", "INT", "0", N, "0"},
                                            {"dt_reserved3", "TEXT", "0", N, "0"},
                                            {"dt_reserved4", "TEXT", "0", N, "0"},
                                        }));
    EXPECT_EQ(tableInfo(raw, "serial"), (Columns{
                                            {"id", "INTEGER", "0", N, "1"},
                                            {"user_id", "INT", "0", N, "0"},
                                            {"grade", "INT", "1", N, "0"},
                                            {"term", "INT", "1", N, "0"},
                                            {"subject", "INT", "1", N, "0"},
                                            {"number", "INT", "1", N, "0"},
                                        }));
    EXPECT_EQ(tableInfo(raw, "user"), (Columns{
                                          {"id", "INTEGER", "0", N, "1"},
                                          {"userID", "TEXT", "0", N, "0"},
                                          {"id_type", "INT", "1", "0", "0"},
                                          {"user_type", "INT", "1", "2", "0"},
                                          {"password", "TEXT", "0", N, "0"},
                                          {"username", "INT", "0", N, "0"},
                                          {"sex", "INT", "1", "0", "0"},
                                          {"school_id", "INT", "0", N, "0"},
                                          {"contact", "TEXT", "0", N, "0"},
                                          {"student_number", "TEXT", "0", N, "0"},
                                          {"registration_time", "TEXT", "1", N, "0"},
                                          {"login_time", "TEXT", "0", N, "0"},
                                      }));
    EXPECT_EQ(raw.scalarInt("PRAGMA user_version"), 4);
}

TEST(DatabaseSchema, NewFileHasTheDefaultBaseDataAndUser)
{
    const std::string path = freshPath("defaults.db");
    {
        sqlite db(path);
    }
    RawDb raw(path);
    const std::string expected =
        "1 1 一年级 0 0|2 1 二年级 1 0|3 1 三年级 2 0|4 1 四年级 3 0|5 1 五年级 4 0|6 1 六年级 5 0|"
        "7 1 初一 6 0|8 1 初二 7 0|9 1 初三 8 0|10 1 高一 9 0|11 1 高二 10 0|12 1 高三 11 1|"
        "13 2 上学期 0 1|14 2 下学期 1 0|"
        "15 3 数学 0 1|16 3 物理 1 1|17 3 化学 2 1|18 3 语文 3 1|19 3 英语 4 1|20 3 地理 5 1|"
        "21 3 政治 6 1|22 3 历史 7 1|23 3 生物 8 1|"
        "24 4 典型题 0 1|25 4 易错题 1 1|26 4 好题 2 1|27 4 难题 3 1|"
        "28 5 切入点，思路错误 0 1|29 5 看错题目 1 1|30 5 计算错误 2 1|31 5 根本不会做 3 1|"
        "32 6 选择题 0 1|33 6 填空题 1 1|34 6 判断题 2 1|35 6 计算题 3 1|36 6 解答题 4 1|";
    std::string actual;
    for (const auto& r :
         raw.rows("SELECT id, [group], name, [order], state FROM type WHERE user_id = 10000 ORDER BY id"))
        actual += r[0] + " " + r[1] + " " + r[2] + " " + r[3] + " " + r[4] + "|";
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(raw.scalarInt("SELECT COUNT(*) FROM type"), 36);

    const auto users = raw.rows("SELECT id, userID, id_type, user_type, password, typeof(password), username, sex, "
                                "school_id, contact, student_number, login_time, "
                                "registration_time GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] "
                                "[0-9][0-9]:[0-9][0-9]:[0-9][0-9]' FROM user");
    ASSERT_EQ(users.size(), 1u);
    EXPECT_EQ(users[0],
              (std::vector<std::string>{"10000", "lorvane", "0", "2", "704182", "text", N, "0", N, N, N, N, "1"}));

    sqlite db(path);
    _user_t user;
    std::string err;
    ASSERT_EQ(db.login("lorvane", "704182", user, err), 0) << err;
    EXPECT_EQ(user.id, 10000);
    EXPECT_EQ(user.password, "704182");
    EXPECT_EQ(user.user_type, 2);
}

TEST(DatabaseSchema, ReopeningAFileChangesNothing)
{
    const std::string path = freshPath("reopen.db");
    {
        sqlite db(path);
    }
    RawDb raw(path);
    const auto types = raw.table("type");
    const auto users = raw.table("user");
    {
        sqlite again(path);
    }
    EXPECT_EQ(raw.table("type"), types);
    EXPECT_EQ(raw.table("user"), users);
}

TEST(DatabaseSchema, FileWithTableTypeIsLeftAlone)
{
    const std::string path = freshPath("partial.db");
    {
        RawDb raw(path);
        ASSERT_EQ(raw.exec("PRAGMA user_version=3; CREATE TABLE type (id INTEGER PRIMARY KEY, name TEXT)"), SQLITE_OK);
    }
    sqlite db(path);
    int version = 0;
    std::string err;
    ASSERT_EQ(db.getVersion(version, err), 0) << err;
    EXPECT_EQ(version, 3);

    RawDb raw(path);
    EXPECT_EQ(raw.rows("SELECT name FROM sqlite_master WHERE type = 'table'"),
              (std::vector<std::vector<std::string>>{{"type"}}));
    EXPECT_EQ(raw.scalarInt("SELECT COUNT(*) FROM type"), 0);
}

// A file of another schema version is refused at start-up; opening it must
// not touch it (no index, nothing) whatever tables it has.
TEST(DatabaseSchema, FileOfAnotherVersionStaysByteForByte)
{
    const std::string path = freshPath("version3.db");
    {
        RawDb raw(path);
        ASSERT_EQ(raw.exec("PRAGMA user_version=3; "
                           "CREATE TABLE type (id INTEGER PRIMARY KEY, name TEXT); "
                           "CREATE TABLE detail (id INTEGER PRIMARY KEY, user_id INT, number INT, grade INT, "
                           "term INT, subject INT, state INT, times INT); "
                           "CREATE TABLE serial (id INTEGER PRIMARY KEY, user_id INT, grade INT, term INT, "
                           "subject INT, number INT)"),
                  SQLITE_OK);
    }
    auto bytes = [&] {
        QFile file(QString::fromStdString(path));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray before = bytes();
    ASSERT_FALSE(before.isEmpty());
    {
        sqlite db(path);
        int version = 0;
        std::string err;
        ASSERT_EQ(db.getVersion(version, err), 0) << err;
        EXPECT_EQ(version, 3);
    }
    EXPECT_TRUE(bytes() == before) << "opening a version-3 file changed it";
    RawDb raw(path);
    EXPECT_EQ(raw.scalarInt("SELECT COUNT(*) FROM sqlite_master WHERE type = 'index'"), 0);
}

// A file of our version gets its indexes (and nothing else changes).
TEST(DatabaseSchema, FileOfOurVersionGetsTheListIndexes)
{
    const std::string path = freshPath("indexed.db");
    {
        sqlite db(path);
    }
    RawDb raw(path);
    EXPECT_EQ(raw.scalarInt("SELECT COUNT(*) FROM sqlite_master WHERE type = 'index' AND name IN "
                            "('detail_bucket', 'detail_bucket_state', 'serial_bucket')"),
              3);
}

// The user table of this file refuses every insert. Setting the file up must
// then leave no half database behind: no base data without its user.
TEST(DatabaseSchema, FailedSetupKeepsNoneOfTheDefaultRows)
{
    const char* refuseUsers =
        "CREATE TRIGGER refuse_users BEFORE INSERT ON user BEGIN SELECT RAISE(ABORT, 'users refused'); END";

    // Through the constructor: the existing user table stops the setup.
    {
        const std::string path = freshPath("refused.db");
        {
            RawDb raw(path);
            ASSERT_EQ(raw.exec("CREATE TABLE user (id INTEGER PRIMARY KEY, userID TEXT)"), SQLITE_OK);
            ASSERT_EQ(raw.exec(refuseUsers), SQLITE_OK);
        }
        sqlite db(path);
        int version = -1;
        std::string err;
        ASSERT_EQ(db.getVersion(version, err), 0) << err;
        EXPECT_EQ(version, 0);
        RawDb raw(path);
        EXPECT_EQ(raw.scalarInt("SELECT COUNT(*) FROM sqlite_master WHERE name IN ('type', 'detail', 'serial')"), 0);
        EXPECT_EQ(raw.scalarInt("SELECT COUNT(*) FROM user"), 0);
        _user_t user;
        EXPECT_NE(db.login("lorvane", "704182", user, err), 0);
    }

    // The default data alone: the refused user takes the 36 rows with it.
    {
        const std::string path = freshPath("refused2.db");
        RawDb raw(path);
        std::string err;
        ASSERT_EQ(sqlite::createTables(raw.handle(), err), 0) << err;
        ASSERT_EQ(raw.exec(refuseUsers), SQLITE_OK);
        EXPECT_EQ(sqlite::insertDefaultData(raw.handle(), err), -1);
        EXPECT_EQ(err, "users refused");
        EXPECT_EQ(raw.scalarInt("SELECT COUNT(*) FROM type"), 0);
        EXPECT_EQ(raw.scalarInt("SELECT COUNT(*) FROM user"), 0);
        EXPECT_TRUE(sqlite3_get_autocommit(raw.handle())) << "a transaction was left open";
    }
}

TEST(DatabaseSchema, NoConnectionGivesTheErrorText)
{
    std::string err;
    EXPECT_EQ(sqlite::createTables(nullptr, err), -1);
    EXPECT_EQ(err, "open database failed");
    err.clear();
    EXPECT_EQ(sqlite::insertDefaultData(nullptr, err), -1);
    EXPECT_EQ(err, "open database failed");
}

TEST(DatabaseSchema, UnopenableFileFailsWithSqliteText)
{
    // The folder "database" is a plain file here.
    const std::string folder = freshPath("plainfile");
    {
        QFile f(QString::fromStdString(folder));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    sqlite db(folder + "/Lorvane.db");
    int version = 0;
    std::string err;
    EXPECT_EQ(db.getVersion(version, err), -1);
    EXPECT_EQ(err, "无法打开数据库文件（unable to open database file）");
    std::map<int, _type_t> types;
    err.clear();
    EXPECT_EQ(db.getTypes(10000, types, err), -1);
    EXPECT_FALSE(err.empty());
}

TEST(DatabaseSchema, SingletonUsesTheDatabaseFolder)
{
    const QString dataFolder = testenv::prepareDataFolder();
    IDatabase* db = Singleton<sqlite>::instance();
    int version = 0;
    std::string err;
    ASSERT_EQ(db->getVersion(version, err), 0) << err;
    EXPECT_EQ(version, 4);
    EXPECT_TRUE(QFileInfo(dataFolder + QStringLiteral("/database/Lorvane.db")).isFile());
}
