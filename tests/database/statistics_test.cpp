#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "DbTestUtil.h"

using namespace dbtest;

namespace {

using Tuples = std::vector<std::tuple<int, int, int>>;

class Statistics : public ::testing::Test {
protected:
    void SetUp() override
    {
        path_ = freshPath("stats.db");
        db_ = std::make_unique<sqlite>(path_);
        raw_ = std::make_unique<RawDb>(path_);
    }

    // Adds a question and sets its state and times directly.
    int add(NewQuestion q, int state, int times)
    {
        const int id = addQuestion(*db_, q);
        EXPECT_EQ(raw_->exec("UPDATE detail SET state = " + std::to_string(state) +
                             ", times = " + std::to_string(times) + " WHERE id = " + std::to_string(id)),
                  SQLITE_OK);
        return id;
    }
    static NewQuestion point(const std::string& p)
    {
        NewQuestion q;
        q.point = p;
        return q;
    }

    std::string path_;
    std::unique_ptr<sqlite> db_;
    std::unique_ptr<RawDb> raw_;
    std::string err_;
};

}  // namespace

TEST_F(Statistics, NoQuestionsAddNothing)
{
    std::map<std::string, double> hot;
    std::map<std::string, int> causes, added, mastered;
    Tuples states, gradeTerms, subjects;
    EXPECT_EQ(db_->getHotPoints(kUser, kGrade12, kTermFirst, kMath, hot, err_), 0);
    EXPECT_EQ(db_->getCauseCounts(kUser, kGrade12, kTermFirst, kMath, causes, err_), 0);
    EXPECT_EQ(db_->getStateCounts(kUser, kGrade12, kTermFirst, kMath, states, err_), 0);
    EXPECT_EQ(db_->getMonthlyAdded(kUser, kGrade12, kTermFirst, kMath, added, err_), 0);
    EXPECT_EQ(db_->getMonthlyMastered(kUser, kGrade12, kTermFirst, kMath, mastered, err_), 0);
    EXPECT_EQ(db_->getGradeTermCounts(kUser, gradeTerms, err_), 0);
    EXPECT_EQ(db_->getSubjectCounts(kUser, kGrade12, kTermFirst, false, subjects, err_), 0);
    EXPECT_TRUE(hot.empty() && causes.empty() && added.empty() && mastered.empty());
    EXPECT_TRUE(states.empty() && gradeTerms.empty() && subjects.empty());
}

TEST_F(Statistics, HotPointWeights)
{
    add(point("函数"), 0, 1);
    add(point("函数"), 0, 3);
    add(point("函数"), 1, 2);
    add(point("数列"), 1, 1);
    add(point("数列"), 1, 1);
    add(point(""), 0, 3);
    NewQuestion elsewhere = point("函数");
    elsewhere.subject = kPhysics;
    add(elsewhere, 0, 3);

    std::map<std::string, double> hot;
    ASSERT_EQ(db_->getHotPoints(kUser, kGrade12, kTermFirst, kMath, hot, err_), 0) << err_;
    ASSERT_EQ(hot.size(), 2u);
    EXPECT_NEAR(hot["函数"], 4.4, 1e-9);
    EXPECT_NEAR(hot["数列"], 0.4, 1e-9);
}

TEST_F(Statistics, HotPointsKeepTheTenHeaviest)
{
    // Point k (1..12) has k questions, not mastered, wrong once.
    for (int k = 1; k <= 12; ++k)
        for (int i = 0; i < k; ++i)
            add(point("p" + std::to_string(k)), 0, 1);
    std::map<std::string, double> hot;
    ASSERT_EQ(db_->getHotPoints(kUser, kGrade12, kTermFirst, kMath, hot, err_), 0) << err_;
    EXPECT_EQ(hot.size(), 10u);
    EXPECT_EQ(hot.count("p1"), 0u);
    EXPECT_EQ(hot.count("p2"), 0u);
    EXPECT_NEAR(hot["p12"], 12.0, 1e-9);
    EXPECT_NEAR(hot["p3"], 3.0, 1e-9);
}

TEST_F(Statistics, CausesWithEqualNamesAreSummed)
{
    // A second cause named like an existing one, and questions without a
    // known cause: every question must show in the chart.
    _type_t twin;
    twin.user_id = kUser;
    twin.group = 5;
    twin.name = "看错题目";
    twin.order = 4;
    twin.state = 1;
    ASSERT_EQ(db_->addType(twin, err_), 0) << err_;  // id 37
    NewQuestion q;
    for (auto [cause, n] : {std::pair<int, int>{kCauseMisread, 2}, std::pair{37, 3}, std::pair<int, int>{kCauseCalc, 1},
                            std::pair{0, 2}, std::pair{4711, 1}}) {
        q.cause = cause;
        for (int i = 0; i < n; ++i)
            add(q, 0, 1);
    }
    std::map<std::string, int> counts;
    ASSERT_EQ(db_->getCauseCounts(kUser, kGrade12, kTermFirst, kMath, counts, err_), 0) << err_;
    EXPECT_EQ(counts, (std::map<std::string, int>{{"看错题目", 5}, {"计算错误", 1}, {"", 3}}));

    // A key the caller already holds keeps its value.
    std::map<std::string, int> held = {{"计算错误", 100}};
    ASSERT_EQ(db_->getCauseCounts(kUser, kGrade12, kTermFirst, kMath, held, err_), 0) << err_;
    EXPECT_EQ(held["计算错误"], 100);
    EXPECT_EQ(held["看错题目"], 5);
}

TEST_F(Statistics, StateCounts)
{
    add(NewQuestion(), 0, 1);
    add(NewQuestion(), 0, 1);
    add(NewQuestion(), 0, 3);
    add(NewQuestion(), 1, 2);
    Tuples states;
    ASSERT_EQ(db_->getStateCounts(kUser, kGrade12, kTermFirst, kMath, states, err_), 0) << err_;
    std::sort(states.begin(), states.end());
    EXPECT_EQ(states, (Tuples{{0, 1, 2}, {0, 3, 1}, {1, 2, 1}}));
}

TEST_F(Statistics, MonthlyAddedAndMastered)
{
    const int a = add(NewQuestion(), 1, 1);
    const int b = add(NewQuestion(), 0, 1);
    const int c = add(NewQuestion(), 1, 1);
    const int d = add(NewQuestion(), 1, 1);
    auto dates = [&](int id, const char* created, const char* modified) {
        ASSERT_EQ(raw_->exec(std::string("UPDATE detail SET create_date = '") + created + "', modify_date = '" +
                             modified + "' WHERE id = " + std::to_string(id)),
                  SQLITE_OK);
    };
    dates(a, "2021-03-02", "2021-04-10");
    dates(b, "2021-03-31", "2021-04-11");
    dates(c, "2021-12-01", "2022-01-05");
    dates(d, "2021-12-31", "2022-01-01");

    std::map<std::string, int> added, mastered;
    ASSERT_EQ(db_->getMonthlyAdded(kUser, kGrade12, kTermFirst, kMath, added, err_), 0) << err_;
    ASSERT_EQ(db_->getMonthlyMastered(kUser, kGrade12, kTermFirst, kMath, mastered, err_), 0) << err_;
    EXPECT_EQ(added, (std::map<std::string, int>{{"202103", 2}, {"202112", 2}}));
    EXPECT_EQ(mastered, (std::map<std::string, int>{{"202104", 1}, {"202201", 2}}));
}

TEST_F(Statistics, GradeTermAndSubjectCounts)
{
    // Grades and terms come back in the order of their base data, not of their ids.
    _type_t t;
    std::map<int, _type_t> types;
    ASSERT_EQ(db_->getTypes(kUser, types, err_), 0) << err_;
    t = types[kTermFirst];
    t.order = 5;  // 上学期 after 下学期
    ASSERT_EQ(db_->updateType(t, err_), 0) << err_;

    auto inBucket = [](int grade, int term, int subject) {
        NewQuestion q;
        q.grade = grade;
        q.term = term;
        q.subject = subject;
        return q;
    };
    add(inBucket(kGrade12, kTermFirst, kMath), 0, 1);
    add(inBucket(kGrade12, kTermFirst, kMath), 1, 1);
    add(inBucket(kGrade12, kTermFirst, kChemistry), 1, 1);
    add(inBucket(kGrade12, kTermFirst, kPhysics), 0, 2);
    add(inBucket(kGrade12, kTermSecond, kMath), 0, 1);
    add(inBucket(kGrade1, kTermFirst, kMath), 0, 1);
    add(inBucket(kGrade1, kTermSecond, kMath), 0, 1);
    add(inBucket(kGrade1, kTermSecond, kMath), 0, 1);

    Tuples gradeTerms;
    ASSERT_EQ(db_->getGradeTermCounts(kUser, gradeTerms, err_), 0) << err_;
    EXPECT_EQ(gradeTerms, (Tuples{{kGrade1, kTermSecond, 2},
                                  {kGrade1, kTermFirst, 1},
                                  {kGrade12, kTermSecond, 1},
                                  {kGrade12, kTermFirst, 4}}));

    Tuples all, notMastered;
    ASSERT_EQ(db_->getSubjectCounts(kUser, kGrade12, kTermFirst, false, all, err_), 0) << err_;
    ASSERT_EQ(db_->getSubjectCounts(kUser, kGrade12, kTermFirst, true, notMastered, err_), 0) << err_;
    EXPECT_EQ(all, (Tuples{{kMath, 0, 2}, {kPhysics, 1, 1}, {kChemistry, 2, 1}}));
    EXPECT_EQ(notMastered, (Tuples{{kMath, 0, 1}, {kPhysics, 1, 1}}));
}
