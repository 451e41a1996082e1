#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "DbTestUtil.h"

using namespace dbtest;

namespace {

// Fifty questions numbered 1..50 in one grade, term and subject, plus a few in
// neighbouring buckets that no query of the table may return. Question n:
//   state 1 when n is a multiple of 5, times 1 + n % 3,
//   classification 24 + n % 4, cause 28 + n % 4, question type 32 + n % 5,
//   point kPoints[n % 6], source 期中考试 for n <= 25 else 作业本,
//   remark empty except 7 "It's tricky", 30 "见第12页", 40 "复习 50%",
//   modify_date 2021-03-01 + (n - 1) days (n 32..50 fall in April).
const char* const kPoints[] = {"函数", "数列求和", "三角函数", "100%概率", "a_b", ""};

class QueryFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        path_ = new std::string(freshPath("query.db"));
        db_ = new sqlite(*path_);
        for (int n = 1; n <= 50; ++n) {
            NewQuestion q;
            q.classification = 24 + n % 4;
            q.cause = 28 + n % 4;
            q.questiontype = 32 + n % 5;
            q.point = kPoints[n % 6];
            q.source = n <= 25 ? "期中考试" : "作业本";
            q.remark = n == 7 ? "It's tricky" : n == 30 ? "见第12页" : n == 40 ? "复习 50%" : "";
            q.detail_path = "q" + std::to_string(n);
            const int id = addQuestion(*db_, q);
            std::string err;
            ASSERT_EQ(db_->updateDetail(id, n % 5 == 0 ? 1 : 0, 1 + n % 3, q.classification, q.cause, q.questiontype,
                                        q.point, q.score, q.source, q.remark, err),
                      0)
                << err;
        }
        // Neighbours: another subject, another term, another user.
        for (int subject : {kPhysics, kPhysics, kChemistry}) {
            NewQuestion q;
            q.subject = subject;
            q.point = "函数";
            q.remark = "见第12页";
            q.source = "作业本";
            addQuestion(*db_, q);
        }
        NewQuestion otherTerm;
        otherTerm.term = kTermSecond;
        otherTerm.point = "函数";
        addQuestion(*db_, otherTerm);
        NewQuestion otherUser;
        otherUser.user_id = 10001;
        otherUser.point = "函数";
        addQuestion(*db_, otherUser);

        RawDb raw(*path_);
        ASSERT_EQ(raw.exec("UPDATE detail SET modify_date = date('2021-03-01', '+' || (number - 1) || ' days') "
                           "WHERE subject = 15 AND term = 13 AND user_id = 10000"),
                  SQLITE_OK);
        ASSERT_EQ(raw.exec("UPDATE detail SET modify_date = '2021-04-01' WHERE NOT (subject = 15 AND term = 13 "
                           "AND user_id = 10000)"),
                  SQLITE_OK);
    }
    static void TearDownTestSuite()
    {
        delete db_;
        delete path_;
    }

    static query_data base()
    {
        query_data q;
        q.user_id = kUser;
        q.grade = kGrade12;
        q.term = kTermFirst;
        q.subject = kMath;
        return q;
    }

    static sqlite* db_;
    static std::string* path_;
};
sqlite* QueryFixture::db_ = nullptr;
std::string* QueryFixture::path_ = nullptr;

std::vector<int> seq(int from, int to, int step = 1)
{
    std::vector<int> v;
    if (step > 0)
        for (int i = from; i <= to; i += step)
            v.push_back(i);
    else
        for (int i = from; i >= to; i += step)
            v.push_back(i);
    return v;
}

enum class Op { Filtered, Search, Points };

struct Case {
    const char* name;
    Op op;
    std::function<void(query_data&)> set;
    int count;                 // -1: no count operation (test points)
    std::vector<int> numbers;  // the page (or the whole list for test points), in order
};

std::vector<int> numbersOf(const std::vector<_detail_t>& list)
{
    std::vector<int> v;
    for (const auto& d : list)
        v.push_back(d.number);
    return v;
}

}  // namespace

TEST_F(QueryFixture, FilterTable)
{
    const std::vector<int> notMasteredTimes1 = {3, 6, 9, 12, 18, 21, 24, 27, 33, 36, 39, 42, 48};
    const std::vector<int> pointFunction = {2, 6, 8, 12, 14, 18, 20, 24, 26, 30, 32, 36, 38, 42, 44, 48, 50};
    // clang-format off
    const std::vector<Case> cases = {
        {"base filter", Op::Filtered, [](query_data&) {}, 50, seq(1, 20)},
        {"second page", Op::Filtered, [](query_data& q) { q.offset = 20; }, 50, seq(21, 40)},
        {"last page", Op::Filtered, [](query_data& q) { q.offset = 40; }, 50, seq(41, 50)},
        {"paging past the end", Op::Filtered, [](query_data& q) { q.offset = 60; }, 50, {}},
        {"mastered", Op::Filtered, [](query_data& q) { q.state = 1; }, 10, seq(5, 50, 5)},
        {"mastered, descending", Op::Filtered, [](query_data& q) { q.state = 1; q.order = 1; }, 10, seq(50, 5, -5)},
        {"not mastered, first time wrong", Op::Filtered, [](query_data& q) { q.state = 0; q.times = 1; }, 13,
         notMasteredTimes1},
        {"descending page", Op::Filtered, [](query_data& q) { q.order = 1; }, 50, seq(50, 31, -1)},
        {"number range 3..3", Op::Filtered, [](query_data& q) { q.number_from = 3; q.number_to = 3; }, 1, {3}},
        {"number range 0..5 adds nothing", Op::Filtered, [](query_data& q) { q.number_from = 0; q.number_to = 5; },
         50, seq(1, 20)},
        {"number range 5..3 adds nothing", Op::Filtered, [](query_data& q) { q.number_from = 5; q.number_to = 3; },
         50, seq(1, 20)},
        {"number range 10..14 descending", Op::Filtered,
         [](query_data& q) { q.number_from = 10; q.number_to = 14; q.order = 1; }, 5, seq(14, 10, -1)},
        {"date range over the month end", Op::Filtered,
         [](query_data& q) { q.date_from = "2021-03-31"; q.date_to = "2021-04-02"; }, 3, {31, 32, 33}},
        {"date range of one day", Op::Filtered,
         [](query_data& q) { q.date_from = "2021-04-19"; q.date_to = "2021-04-19"; }, 1, {50}},
        {"reversed date range adds nothing", Op::Filtered,
         [](query_data& q) { q.date_from = "2021-04-02"; q.date_to = "2021-03-31"; }, 50, seq(1, 20)},
        {"half a date range adds nothing", Op::Filtered, [](query_data& q) { q.date_from = "2021-04-02"; }, 50,
         seq(1, 20)},
        {"classification", Op::Filtered, [](query_data& q) { q.classification = 24; }, 12, seq(4, 48, 4)},
        {"point contains", Op::Filtered, [](query_data& q) { q.point = "函数"; }, 17,
         std::vector<int>(pointFunction.begin(), pointFunction.begin() + 17)},
        {"point '%' is a wildcard", Op::Filtered, [](query_data& q) { q.point = "%"; }, 50, seq(1, 20)},
        {"point '_' needs one character", Op::Filtered, [](query_data& q) { q.point = "_"; }, 42,
         {1, 2, 3, 4, 6, 7, 8, 9, 10, 12, 13, 14, 15, 16, 18, 19, 20, 21, 22, 24}},
        {"cause and question type", Op::Filtered, [](query_data& q) { q.cause = 29; q.questiontype = 33; }, 3,
         {1, 21, 41}},
        {"source contains", Op::Filtered, [](query_data& q) { q.source = "期中"; }, 25, seq(1, 20)},
        {"remark contains", Op::Filtered, [](query_data& q) { q.remark = "12"; }, 1, {30}},
        {"remark ASCII case ignored", Op::Filtered, [](query_data& q) { q.remark = "IT'S"; }, 1, {7}},
        {"advanced conditions together", Op::Filtered,
         [](query_data& q) { q.state = 0; q.source = "作业"; q.number_from = 26; q.number_to = 35; }, 8,
         {26, 27, 28, 29, 31, 32, 33, 34}},
        {"filtered list ignores the keyword", Op::Filtered, [](query_data& q) { q.keyword = "zzz"; }, 50,
         seq(1, 20)},

        {"keyword number or text", Op::Search, [](query_data& q) { q.keyword = "12"; }, 2, {12, 30}},
        {"keyword in cause names", Op::Search, [](query_data& q) { q.keyword = "错误"; }, 25, seq(2, 40, 2)},
        {"keyword in cause names, mastered", Op::Search, [](query_data& q) { q.keyword = "错误"; q.state = 1; }, 5,
         seq(10, 50, 10)},
        {"keyword in question type names", Op::Search, [](query_data& q) { q.keyword = "选择"; }, 10, seq(5, 50, 5)},
        {"keyword in classification names", Op::Search, [](query_data& q) { q.keyword = "典型"; }, 12,
         seq(4, 48, 4)},
        {"keyword in points", Op::Search, [](query_data& q) { q.keyword = "函数"; }, 17,
         std::vector<int>(pointFunction.begin(), pointFunction.begin() + 17)},
        {"keyword in sources, descending", Op::Search, [](query_data& q) { q.keyword = "作业"; q.order = 1; }, 25,
         seq(50, 31, -1)},
        {"keyword with a quote", Op::Search, [](query_data& q) { q.keyword = "it's"; }, 1, {7}},
        {"keyword finds nothing", Op::Search, [](query_data& q) { q.keyword = "zzz"; }, 0, {}},
        {"search ignores advanced conditions", Op::Search,
         [](query_data& q) { q.number_from = 3; q.number_to = 3; }, 50, seq(1, 20)},
        {"keyword, second page", Op::Search, [](query_data& q) { q.keyword = "错误"; q.offset = 20; }, 25,
         seq(42, 50, 2)},

        {"test points, any of them", Op::Points, [](query_data& q) { q.points = {"数列", "概率"}; }, -1,
         {1, 3, 7, 9, 13, 15, 19, 21, 25, 27, 31, 33, 37, 39, 43, 45, 49}},
        {"test points with '_', descending", Op::Points,
         [](query_data& q) { q.points = {"a_b"}; q.order = 1; }, -1, {46, 40, 34, 28, 22, 16, 10, 4}},
        {"no test points: whole list, no page", Op::Points, [](query_data& q) { q.state = 0; }, -1,
         {1,  2,  3,  4,  6,  7,  8,  9,  11, 12, 13, 14, 16, 17, 18, 19, 21, 22, 23, 24,
          26, 27, 28, 29, 31, 32, 33, 34, 36, 37, 38, 39, 41, 42, 43, 44, 46, 47, 48, 49}},
    };
    // clang-format on

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        query_data q = base();
        c.set(q);
        std::vector<_detail_t> list(3);  // the list forms empty it first
        std::string err;
        int count = -7;
        switch (c.op) {
        case Op::Filtered:
            ASSERT_EQ(db_->queryDetails(q, list, err), 0) << err;
            ASSERT_EQ(db_->countDetails(q, count, err), 0) << err;
            break;
        case Op::Search:
            ASSERT_EQ(db_->searchDetails(q, list, err), 0) << err;
            ASSERT_EQ(db_->countSearchDetails(q, count, err), 0) << err;
            break;
        case Op::Points:
            ASSERT_EQ(db_->queryPointDetails(q, list, err), 0) << err;
            count = -1;
            break;
        }
        EXPECT_EQ(numbersOf(list), c.numbers);
        EXPECT_EQ(count, c.count);
        for (const auto& d : list) {
            EXPECT_EQ(d.user_id, kUser);
            EXPECT_EQ(d.grade, kGrade12);
            EXPECT_EQ(d.term, kTermFirst);
            EXPECT_EQ(d.subject, kMath);
        }
    }
}

TEST_F(QueryFixture, RecordsAreReadWhole)
{
    query_data q = base();
    q.number_from = 40;
    q.number_to = 40;
    std::vector<_detail_t> list;
    std::string err;
    ASSERT_EQ(db_->queryDetails(q, list, err), 0) << err;
    ASSERT_EQ(list.size(), 1u);
    const _detail_t& d = list[0];
    EXPECT_EQ(d.number, 40);
    EXPECT_EQ(d.state, 1);
    EXPECT_EQ(d.times, 2);
    EXPECT_EQ(d.classification, 24);
    EXPECT_EQ(d.cause, 28);
    EXPECT_EQ(d.questiontype, 32);
    EXPECT_EQ(d.point, "a_b");
    EXPECT_EQ(d.detail_path, "q40");
    EXPECT_EQ(d.score, 5);
    EXPECT_EQ(d.source, "作业本");
    EXPECT_EQ(d.remark, "复习 50%");
    EXPECT_EQ(d.modify_date, "2021-04-09");
    EXPECT_EQ(d.create_date.size(), 10u);
}

// A read whose step fails is a failure with SQLite's text, never a success
// with whatever rows came before.
TEST(DatabaseQuery, FailingStepIsAFailure)
{
    const std::string path = freshPath("stepfail.db");
    sqlite db(path);
    for (int i = 0; i < 30; ++i)
        addQuestion(db, NewQuestion());
    {
        RawDb raw(path);
        // Another connection locks the file: stepping the reads fails.
        ASSERT_EQ(raw.exec("BEGIN EXCLUSIVE"), SQLITE_OK);
        db.setBusyTimeout(20);
        query_data q;
        q.user_id = kUser;
        q.grade = kGrade12;
        q.term = kTermFirst;
        q.subject = kMath;
        std::vector<_detail_t> list(2);
        std::string err;
        EXPECT_EQ(db.queryDetails(q, list, err), -1);
        EXPECT_TRUE(list.empty());
        EXPECT_EQ(err, "数据库正被其他程序使用，请稍后再试（database is locked）");
        int count = 12345;
        err.clear();
        EXPECT_EQ(db.countDetails(q, count, err), -1);
        EXPECT_EQ(count, 12345);
        std::vector<std::tuple<int, int, int>> states;
        err.clear();
        EXPECT_EQ(db.getStateCounts(kUser, kGrade12, kTermFirst, kMath, states, err), -1);
        EXPECT_TRUE(states.empty());
        std::map<int, _type_t> types;
        err.clear();
        EXPECT_EQ(db.getTypes(kUser, types, err), -1);
        EXPECT_TRUE(types.empty()) << "no partial base data";
        EXPECT_EQ(err, "数据库正被其他程序使用，请稍后再试（database is locked）");
        std::vector<std::string> paths{"kept"};
        err.clear();
        EXPECT_EQ(db.clearDetails(kUser, kGrade12, kTermFirst, paths, err), -1);
        EXPECT_EQ(paths, std::vector<std::string>{"kept"});
        EXPECT_EQ(err, "数据库正被其他程序使用，请稍后再试（database is locked）");
        EXPECT_EQ(raw.exec("ROLLBACK"), SQLITE_OK);
        EXPECT_EQ(raw.scalarInt("SELECT COUNT(*) FROM detail"), 30) << "nothing may be cleared";
    }
    std::vector<_detail_t> list;
    std::string err;
    query_data q;
    q.user_id = kUser;
    q.grade = kGrade12;
    q.term = kTermFirst;
    q.subject = kMath;
    EXPECT_EQ(db.queryDetails(q, list, err), 0) << err;
    EXPECT_EQ(list.size(), 20u);
}
