#pragma once

// The question forms against the real question database and phrase store in
// the test's private data folder: logged into the built-in account, base data
// in AppContext, the phrase store's context set, no stored phrases and no
// questions of the current grade and term.

#include <QString>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/AppContext.h"
#include "core/PhraseBook.h"
#include "core/Sqlite.h"
#include "support/TestEnv.h"

class FormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        data = testenv::prepareDataFolder();
        db = Singleton<sqlite>::instance();
        std::string err;
        _user_t user;
        ASSERT_EQ(db->login("lorvane", "704182", user, err), 0) << err;
        AppContext* ctx = AppContext::instance();
        ctx->user = user;
        ctx->user_folder = std::to_string(user.id);
        std::map<int, _type_t> types;
        ASSERT_EQ(db->getTypes(user.id, types, err), 0) << err;
        ctx->setBaseData(types);
        ASSERT_GE(ctx->subjects.size(), 2u);
        ASSERT_GE(ctx->classifications.size(), 2u);
        ASSERT_GE(ctx->causes.size(), 2u);
        ASSERT_GE(ctx->questiontypes.size(), 2u);
        ctx->subject = ctx->subjects.front();

        PhraseBook_db* phrases = PhraseBook_db::instance();
        phrases->setContext(user.id, ctx->grade.id, ctx->term.id, ctx->subject.id);
        for (int type = 0; type < 3; ++type)
            phrases->removeAll(type);
        std::vector<std::string> paths;
        db->clearDetails(user.id, ctx->grade.id, ctx->term.id, paths, err);  // fails when there is none
    }

    static AppContext* ctx() { return AppContext::instance(); }

    // A record of the current user, grade, term and first subject whose
    // base-data fields name the second entry of each list.
    static _detail_t record()
    {
        const AppContext* c = ctx();
        _detail_t d;
        d.id = 7;
        d.user_id = c->user.id;
        d.number = 3;
        d.grade = c->grade.id;
        d.term = c->term.id;
        d.subject = c->subjects[1].id;
        d.state = 0;
        d.times = 1;
        d.classification = c->classifications[1].id;
        d.cause = c->causes[1].id;
        d.questiontype = c->questiontypes[1].id;
        d.point = "勾股定理";
        d.detail_path = "f1e2d3";
        d.score = 12;
        d.source = "期中考试";
        d.remark = "看错符号";
        d.create_date = "2024-03-01";
        d.modify_date = "2024-03-02";
        return d;
    }

    QString data;
    IDatabase* db = nullptr;
};
