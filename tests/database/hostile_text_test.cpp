#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "DbTestUtil.h"
#include "core/PhraseBook.h"

using namespace dbtest;

namespace {

// Texts that would break or rewrite a statement if they were spliced into it,
// or that a column's type could turn into something else.
const std::vector<std::string> kHostile = {
    "it's",
    "';",
    "x'); DELETE FROM detail; --",
    "' OR '1'='1",
    "\"double\" and `back` quotes",
    "100%_done",
    "back\\slash \\' \\\"",
    "line\nbreak\ttab",
    "中文，全角‘引号’'混合'",
    "😀 emoji",
    "007",
    "1e3",
    " padded ",
    std::string("nul\0inside", 10),
    std::string(5000, '\''),
};

class HostileText : public ::testing::TestWithParam<size_t> {
protected:
    void SetUp() override
    {
        text_ = kHostile[GetParam()];
        path_ = freshPath("hostile.db");
        db_ = std::make_unique<sqlite>(path_);
        raw_ = std::make_unique<RawDb>(path_);
        for (int i = 1; i <= 3; ++i) {
            NewQuestion q;
            q.point = "point " + std::to_string(i);
            q.source = "source " + std::to_string(i);
            q.remark = "remark " + std::to_string(i);
            q.detail_path = "folder-" + std::to_string(i);
            ids_.push_back(addQuestion(*db_, q));
        }
    }

    // Every table as it stands.
    struct Snapshot {
        std::map<long long, std::string> type, detail, serial, user;
    };
    Snapshot snapshot()
    {
        return {raw_->table("type"), raw_->table("detail"), raw_->table("serial"), raw_->table("user")};
    }

    // Rows of a before/after pair that differ, by id.
    static std::vector<long long> changed(const std::map<long long, std::string>& before,
                                          const std::map<long long, std::string>& after)
    {
        std::vector<long long> ids;
        for (const auto& [id, row] : after) {
            auto it = before.find(id);
            if (it == before.end() || it->second != row)
                ids.push_back(id);
        }
        for (const auto& [id, row] : before)
            if (!after.count(id))
                ids.push_back(id);
        return ids;
    }

    _detail_t read(int id)
    {
        query_data q;
        q.user_id = kUser;
        q.grade = kGrade12;
        q.term = kTermFirst;
        q.subject = kMath;
        q.points = {};
        std::vector<_detail_t> list;
        std::string err;
        EXPECT_EQ(db_->queryPointDetails(q, list, err), 0) << err;
        for (const auto& d : list)
            if (d.id == id)
                return d;
        ADD_FAILURE() << "question " << id << " is gone";
        return _detail_t();
    }

    std::string text_;
    std::string path_;
    std::unique_ptr<sqlite> db_;
    std::unique_ptr<RawDb> raw_;
    std::vector<int> ids_;
    std::string err_;
};

}  // namespace

TEST_P(HostileText, BaseDataAndUserRoundTrip)
{
    Snapshot before = snapshot();
    _type_t t;
    t.user_id = kUser;
    t.group = 4;
    t.name = text_;
    t.order = 4;
    t.state = 1;
    ASSERT_EQ(db_->addType(t, err_), 0) << err_;
    Snapshot after = snapshot();
    EXPECT_EQ(changed(before.type, after.type), (std::vector<long long>{37}));
    EXPECT_EQ(after.detail, before.detail);

    t = _type_t();
    t.id = kMath;
    t.name = text_;
    t.order = 0;
    t.state = 1;
    ASSERT_EQ(db_->updateType(t, err_), 0) << err_;
    std::map<int, _type_t> types;
    ASSERT_EQ(db_->getTypes(kUser, types, err_), 0) << err_;
    EXPECT_EQ(types[37].name, text_);
    EXPECT_EQ(types[kMath].name, text_);
    EXPECT_EQ(changed(after.type, raw_->table("type")), (std::vector<long long>{kMath}));

    before = snapshot();
    ASSERT_EQ(db_->updateUser(10000, text_, 1, text_, text_, err_), 0) << err_;
    _user_t user;
    ASSERT_EQ(db_->login("lorvane", "704182", user, err_), 0) << err_;
    EXPECT_EQ(user.username, text_);
    EXPECT_EQ(user.student_number, text_);
    EXPECT_EQ(user.contact, text_);
    after = snapshot();
    EXPECT_EQ(after.type, before.type);
    EXPECT_EQ(after.detail, before.detail);

    // As an account name or password it is simply not a known account.
    EXPECT_EQ(db_->login(text_, text_, user, err_), -1);
    EXPECT_EQ(db_->login("lorvane", text_, user, err_), -2);
    EXPECT_EQ(snapshot().user, after.user);
}

TEST_P(HostileText, QuestionsRoundTrip)
{
    // Insert.
    Snapshot before = snapshot();
    NewQuestion q;
    q.point = text_;
    q.detail_path = text_;
    q.source = text_;
    q.remark = text_;
    const int added = addQuestion(*db_, q);
    ASSERT_NE(added, 0);
    _detail_t d = read(added);
    EXPECT_EQ(d.point, text_);
    EXPECT_EQ(d.detail_path, text_);
    EXPECT_EQ(d.source, text_);
    EXPECT_EQ(d.remark, text_);
    EXPECT_EQ(d.number, 4);
    Snapshot after = snapshot();
    EXPECT_EQ(changed(before.detail, after.detail), (std::vector<long long>{added}));
    EXPECT_EQ(after.type, before.type);

    // Update of one question.
    ASSERT_EQ(db_->updateDetail(ids_[0], 1, 2, 25, 29, 33, text_, 7, text_, text_, err_), 0) << err_;
    d = read(ids_[0]);
    EXPECT_EQ(d.point, text_);
    EXPECT_EQ(d.source, text_);
    EXPECT_EQ(d.remark, text_);
    EXPECT_EQ(changed(after.detail, raw_->table("detail")), (std::vector<long long>{ids_[0]}));

    // Bulk remark and source.
    before = snapshot();
    ASSERT_EQ(db_->setDetailsRemark({ids_[1]}, text_, err_), 0) << err_;
    ASSERT_EQ(db_->setDetailsSource({ids_[1]}, text_, err_), 0) << err_;
    d = read(ids_[1]);
    EXPECT_EQ(d.remark, text_);
    EXPECT_EQ(d.source, text_);
    EXPECT_EQ(d.point, "point 2");
    after = snapshot();
    EXPECT_EQ(changed(before.detail, after.detail), (std::vector<long long>{ids_[1]}));

    // Reading with it as keyword, advanced condition and test point finds the
    // questions that hold it and changes nothing.
    query_data query;
    query.user_id = kUser;
    query.grade = kGrade12;
    query.term = kTermFirst;
    query.subject = kMath;
    query.keyword = text_;
    query.remark = text_;
    query.points = {text_};
    std::vector<_detail_t> list;
    int count = 0;
    ASSERT_EQ(db_->searchDetails(query, list, err_), 0) << err_;
    ASSERT_EQ(db_->countSearchDetails(query, count, err_), 0) << err_;
    EXPECT_GE(count, 3);
    ASSERT_EQ(db_->countDetails(query, count, err_), 0) << err_;
    EXPECT_GE(count, 3);
    ASSERT_EQ(db_->queryPointDetails(query, list, err_), 0) << err_;
    EXPECT_GE(list.size(), 2u);
    EXPECT_EQ(snapshot().detail, after.detail);

    // Handing the folder names out when clearing.
    std::vector<std::string> paths;
    ASSERT_EQ(db_->clearDetails(kUser, kGrade12, kTermFirst, paths, err_), 0) << err_;
    EXPECT_EQ(std::count(paths.begin(), paths.end(), text_), 1);
    EXPECT_EQ(paths.size(), 4u);
}

TEST_P(HostileText, PhrasesRoundTrip)
{
    const std::string path = freshPath("hostile-phrase.db");
    PhraseBook_db book(path);
    book.setContext(kUser, kGrade12, kTermFirst, kMath);
    book.add(PhraseBook_db::Point, "other point");
    book.add(PhraseBook_db::Remark, "other remark");
    RawDb raw(path);
    const auto before = raw.table("phrase");

    for (int type : {PhraseBook_db::Point, PhraseBook_db::Remark}) {
        SCOPED_TRACE(type);
        book.add(type, text_);
        book.add(type, text_);
        std::vector<std::string> list;
        book.getList(type, list);
        ASSERT_EQ(list.size(), 2u);
        EXPECT_EQ(list[0], text_) << "added twice, so first";
        EXPECT_EQ(raw.scalarInt("SELECT MAX(times) FROM phrase WHERE type = " + std::to_string(type)), 2);

        std::vector<std::string> found;
        book.search(type, text_, found);
        EXPECT_EQ(std::count(found.begin(), found.end(), text_), 1);

        book.remove(type, text_);
        list.clear();
        book.getList(type, list);
        EXPECT_EQ(list.size(), 1u);
    }
    EXPECT_EQ(raw.table("phrase"), before);
}

INSTANTIATE_TEST_SUITE_P(Texts, HostileText, ::testing::Range<size_t>(0, kHostile.size()));
