#pragma once

// A real question database in the test's temporary data folder, logged in,
// with the base data in AppContext, and helpers to fill the current bucket.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/AppContext.h"
#include "core/Sqlite.h"
#include "support/TestEnv.h"

namespace fixture {

inline IDatabase* db()
{
    return Singleton<sqlite>::instance();
}

// Data folder, database, login and base data; the selection is reset to the
// default grade and term, the first shown subject and "not mastered".
inline void openDatabase()
{
    testenv::prepareDataFolder();
    std::string err;
    _user_t user;
    ASSERT_EQ(db()->login("lorvane", "704182", user, err), 0) << err;
    AppContext* ctx = AppContext::instance();
    ctx->user = user;
    ctx->user_folder = std::to_string(user.id);
    std::map<int, _type_t> types;
    ASSERT_EQ(db()->getTypes(user.id, types, err), 0) << err;
    ctx->setBaseData(types);
    ASSERT_FALSE(ctx->subjects.empty());
    ctx->subject = ctx->subjects.front();
    ctx->state = 0;
    ctx->times = -1;
}

// Removes every question of the current grade and term.
inline void clearQuestions()
{
    const AppContext* ctx = AppContext::instance();
    std::vector<std::string> paths;
    std::string err;
    db()->clearDetails(ctx->user.id, ctx->grade.id, ctx->term.id, paths, err);  // fails when there is none
    int left = -1;
    query_data all;
    all.user_id = ctx->user.id;
    all.grade = ctx->grade.id;
    all.term = ctx->term.id;
    all.subject = ctx->subject.id;
    ASSERT_EQ(db()->countSearchDetails(all, left, err), 0) << err;
    ASSERT_EQ(left, 0);
}

struct Question {
    int state = 0;
    int times = 1;
    std::string point;
    std::string source;
    std::string remark;
    int classification = 0;
};

// Adds a question to the current bucket (or to another subject) and returns its id.
inline int addQuestion(const Question& q, int subject = 0)
{
    const AppContext* ctx = AppContext::instance();
    _detail_t d;
    d.user_id = ctx->user.id;
    d.grade = ctx->grade.id;
    d.term = ctx->term.id;
    d.subject = subject ? subject : ctx->subject.id;
    d.classification = q.classification;
    d.point = q.point;
    d.source = q.source;
    d.remark = q.remark;
    d.detail_path = "fixture";
    std::string err;
    EXPECT_EQ(db()->addDetail(d, err), 0) << err;
    int id = 0;
    EXPECT_EQ(db()->getLastInsertId(id, err), 0) << err;
    if (q.state != 0 || q.times != 1) {
        EXPECT_EQ(db()->updateDetail(id, q.state, q.times, q.classification, 0, 0, q.point, 0, q.source, q.remark, err),
                  0)
            << err;
    }
    return id;
}

inline void addQuestions(int n, const Question& q = Question())
{
    for (int i = 0; i < n; ++i)
        addQuestion(q);
}

}  // namespace fixture
