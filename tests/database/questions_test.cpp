#include <gtest/gtest.h>

#include <algorithm>

#include "DbTestUtil.h"

using namespace dbtest;

namespace {

int numberOf(RawDb& raw, int id)
{
    return raw.scalarInt("SELECT number FROM detail WHERE id = " + std::to_string(id));
}

int serialOf(RawDb& raw, int grade, int term, int subject)
{
    return raw.scalarInt("SELECT number FROM serial WHERE user_id = 10000 AND grade = " + std::to_string(grade) +
                         " AND term = " + std::to_string(term) + " AND subject = " + std::to_string(subject));
}

}  // namespace

TEST(DatabaseQuestions, NumbersAreNeverReused)
{
    const std::string path = freshPath("numbers.db");
    sqlite db(path);
    RawDb raw(path);
    const int first = addQuestion(db, NewQuestion());
    const int second = addQuestion(db, NewQuestion());
    EXPECT_EQ(numberOf(raw, first), 1);
    EXPECT_EQ(numberOf(raw, second), 2);

    std::string err;
    ASSERT_EQ(db.deleteDetails({second}, err), 0) << err;
    const int third = addQuestion(db, NewQuestion());
    EXPECT_EQ(numberOf(raw, third), 3);

    // Another subject is a bucket of its own.
    NewQuestion physics;
    physics.subject = kPhysics;
    EXPECT_EQ(numberOf(raw, addQuestion(db, physics)), 1);
}

TEST(DatabaseQuestions, AddStartsNotMasteredFirstTimeWrong)
{
    const std::string path = freshPath("add.db");
    sqlite db(path);
    _detail_t d;
    d.user_id = kUser;
    d.grade = kGrade12;
    d.term = kTermFirst;
    d.subject = kMath;
    d.state = 1;
    d.times = 3;
    d.number = 99;
    d.classification = 25;
    d.cause = 29;
    d.questiontype = 33;
    d.point = "导数";
    d.detail_path = "{1b4e28ba-2fa1-11d2-883f-0016d3cca427}";
    d.score = 12;
    d.source = "月考";
    d.remark = "再做一遍";
    std::string err;
    ASSERT_EQ(db.addDetail(d, err), 0) << err;
    EXPECT_EQ(d.number, 99) << "the record is not written back";
    int id = 0;
    ASSERT_EQ(db.getLastInsertId(id, err), 0) << err;

    RawDb raw(path);
    const auto rows = raw.rows("SELECT id, user_id, number, grade, term, subject, state, times, classification, "
                               "cause, questiontype, point, detail_path, score, source, remark, "
                               "create_date = DATE(), modify_date = DATE() FROM detail");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{std::to_string(id), "10000", "1", "12", "13", "15", "0", "1", "25",
                                                 "29", "33", "导数", "{1b4e28ba-2fa1-11d2-883f-0016d3cca427}", "12",
                                                 "月考", "再做一遍", "1", "1"}));
}

TEST(DatabaseQuestions, MoveTakesTheNextNumberOfTheTarget)
{
    const std::string path = freshPath("move.db");
    sqlite db(path);
    RawDb raw(path);
    std::vector<int> math;
    for (int i = 0; i < 7; ++i)
        math.push_back(addQuestion(db, NewQuestion()));
    NewQuestion physics;
    physics.subject = kPhysics;
    addQuestion(db, physics);
    addQuestion(db, physics);

    std::string err;
    // Number 7 into a bucket whose last number is 2.
    ASSERT_EQ(db.moveDetail(math[6], kUser, kGrade12, kTermFirst, kPhysics, err), 0) << err;
    EXPECT_EQ(numberOf(raw, math[6]), 3);
    EXPECT_EQ(raw.scalarInt("SELECT subject FROM detail WHERE id = " + std::to_string(math[6])), kPhysics);
    EXPECT_EQ(serialOf(raw, kGrade12, kTermFirst, kMath), 7) << "the old bucket keeps its serial";

    // Into a bucket without a serial row yet.
    ASSERT_EQ(db.moveDetail(math[0], kUser, kGrade11, kTermSecond, kChemistry, err), 0) << err;
    EXPECT_EQ(numberOf(raw, math[0]), 1);
    EXPECT_EQ(raw.scalarText("SELECT grade || '/' || term || '/' || subject FROM detail WHERE id = " +
                             std::to_string(math[0])),
              "11/14/17");
    EXPECT_EQ(serialOf(raw, kGrade11, kTermSecond, kChemistry), 1);
    EXPECT_EQ(raw.scalarInt("SELECT COUNT(*) FROM detail"), 9);
}

TEST(DatabaseQuestions, UpdatesAndBulkChanges)
{
    const std::string path = freshPath("update.db");
    sqlite db(path);
    RawDb raw(path);
    const int a = addQuestion(db, NewQuestion());
    const int b = addQuestion(db, NewQuestion());
    const int c = addQuestion(db, NewQuestion());
    ASSERT_EQ(raw.exec("UPDATE detail SET modify_date = '2020-01-01'"), SQLITE_OK);
    std::string err;

    ASSERT_EQ(db.updateDetail(a, 1, 3, 26, 31, 36, "极限", 8, "真题", "注意符号", err), 0) << err;
    EXPECT_EQ(raw.rows("SELECT state, times, classification, cause, questiontype, point, score, source, remark, "
                       "modify_date = DATE() FROM detail WHERE id = " +
                       std::to_string(a))[0],
              (std::vector<std::string>{"1", "3", "26", "31", "36", "极限", "8", "真题", "注意符号", "1"}));

    ASSERT_EQ(db.setDetailsState({b, c}, 1, err), 0) << err;
    ASSERT_EQ(db.setDetailsRemark({b, c}, "要点", err), 0) << err;
    ASSERT_EQ(db.setDetailsSource({c}, "课本", err), 0) << err;
    EXPECT_EQ(raw.rows("SELECT id, state, remark, source, modify_date = DATE() FROM detail ORDER BY id"),
              (std::vector<std::vector<std::string>>{
                  {std::to_string(a), "1", "注意符号", "真题", "1"},
                  {std::to_string(b), "1", "要点", "", "1"},
                  {std::to_string(c), "1", "要点", "课本", "1"},
              }));

    // An empty id list matches nothing.
    ASSERT_EQ(db.setDetailsState({}, 0, err), 0) << err;
    ASSERT_EQ(db.deleteDetails({}, err), 0) << err;
    EXPECT_EQ(raw.scalarInt("SELECT COUNT(*) FROM detail WHERE state = 1"), 3);

    ASSERT_EQ(db.deleteDetails({a, c}, err), 0) << err;
    EXPECT_EQ(raw.rows("SELECT id FROM detail"), (std::vector<std::vector<std::string>>{{std::to_string(b)}}));
}

TEST(DatabaseQuestions, ClearRemovesAGradeAndTermOfEverySubject)
{
    const std::string path = freshPath("clear.db");
    sqlite db(path);
    RawDb raw(path);
    for (int subject : {kMath, kPhysics, kChemistry}) {
        NewQuestion q;
        q.subject = subject;
        q.detail_path = "path-" + std::to_string(subject);
        addQuestion(db, q);
    }
    NewQuestion keep;
    keep.term = kTermSecond;
    keep.detail_path = "kept";
    addQuestion(db, keep);

    std::vector<std::string> paths = {"old"};
    std::string err;
    ASSERT_EQ(db.clearDetails(kUser, kGrade12, kTermFirst, paths, err), 0) << err;
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, (std::vector<std::string>{"path-15", "path-16", "path-17"}));
    EXPECT_EQ(raw.rows("SELECT detail_path FROM detail"), (std::vector<std::vector<std::string>>{{"kept"}}));

    // Nothing left to clear.
    paths = {"untouched"};
    EXPECT_EQ(db.clearDetails(kUser, kGrade12, kTermFirst, paths, err), -1);
    EXPECT_EQ(err, "no item find");
    EXPECT_EQ(paths, (std::vector<std::string>{"untouched"}));

    // Numbering goes on where it stopped.
    EXPECT_EQ(numberOf(raw, addQuestion(db, NewQuestion())), 2);
}

TEST(DatabaseBaseData, TypesAndUsage)
{
    const std::string path = freshPath("types.db");
    sqlite db(path);
    std::string err;

    std::map<int, _type_t> types;
    _type_t kept;
    kept.id = 15;
    kept.name = "kept";
    types[15] = kept;
    ASSERT_EQ(db.getTypes(kUser, types, err), 0) << err;
    EXPECT_EQ(types.size(), 36u);
    EXPECT_EQ(types[15].name, "kept") << "an id already in the map keeps its entry";
    EXPECT_EQ(types[28].name, "切入点，思路错误");
    EXPECT_EQ(types[28].group, 5);
    EXPECT_EQ(types[12].state, 1);

    std::map<int, _type_t> none;
    ASSERT_EQ(db.getTypes(4242, none, err), 0) << err;
    EXPECT_TRUE(none.empty());

    _type_t added;
    added.id = 999;  // ignored
    added.user_id = kUser;
    added.group = 3;
    added.name = "信息技术";
    added.order = 9;
    added.state = 1;
    ASSERT_EQ(db.addType(added, err), 0) << err;
    std::map<int, _type_t> after;
    ASSERT_EQ(db.getTypes(kUser, after, err), 0) << err;
    ASSERT_EQ(after.count(37), 1u);
    EXPECT_EQ(after[37].name, "信息技术");
    EXPECT_EQ(after.count(999), 0u);

    _type_t renamed = after[37];
    renamed.name = "信息";
    renamed.order = 2;
    renamed.state = 0;
    renamed.group = 6;  // not written
    ASSERT_EQ(db.updateType(renamed, err), 0) << err;
    renamed.id = 5000;  // no such entry: still success
    ASSERT_EQ(db.updateType(renamed, err), 0) << err;
    std::map<int, _type_t> updated;
    ASSERT_EQ(db.getTypes(kUser, updated, err), 0) << err;
    EXPECT_EQ(updated[37].name, "信息");
    EXPECT_EQ(updated[37].order, 2);
    EXPECT_EQ(updated[37].state, 0);
    EXPECT_EQ(updated[37].group, 3);
    EXPECT_EQ(updated.size(), 37u);

    // Id 29 is the grade of one question and the cause of another; a question
    // using it twice counts once.
    NewQuestion q1;
    q1.grade = 29;
    addQuestion(db, q1);
    NewQuestion q2;
    q2.cause = 29;
    addQuestion(db, q2);
    NewQuestion q3;
    q3.cause = 29;
    q3.questiontype = 29;
    addQuestion(db, q3);
    int count = -1;
    ASSERT_EQ(db.getTypeUsage(29, count, err), 0) << err;
    EXPECT_EQ(count, 3);
    ASSERT_EQ(db.getTypeUsage(37, count, err), 0) << err;
    EXPECT_EQ(count, 0);

    ASSERT_EQ(db.deleteType(37, err), 0) << err;
    std::map<int, _type_t> last;
    ASSERT_EQ(db.getTypes(kUser, last, err), 0) << err;
    EXPECT_EQ(last.size(), 36u);
}

TEST(DatabaseBaseData, LoginComparesExactly)
{
    const std::string path = freshPath("login.db");
    sqlite db(path);
    struct Case {
        const char* userID;
        const char* password;
        int result;
        bool filled;
    };
    const Case cases[] = {
        {"lorvane", "704182", 0, true},
        {"lorvane", "704182 ", -2, true},
        {"lorvane", "70418", -2, true},
        {"lorvane", "", -2, true},
        {"Lorvane", "704182", -1, false},
        {"nobody", "704182", -1, false},
        {"", "", -1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.userID) + "/" + c.password);
        _user_t user;
        user.id = 0;
        std::string err = "before";
        EXPECT_EQ(db.login(c.userID, c.password, user, err), c.result);
        EXPECT_EQ(err, c.result == 0 ? "before" : "用户不存在");
        EXPECT_EQ(user.id, c.filled ? 10000 : 0);
    }

    std::string err;
    ASSERT_EQ(db.updateUser(10000, "小明", 1, "2021001", "13800000000", err), 0) << err;
    _user_t user;
    ASSERT_EQ(db.login("lorvane", "704182", user, err), 0) << err;
    EXPECT_EQ(user.username, "小明");
    EXPECT_EQ(user.sex, 1);
    EXPECT_EQ(user.student_number, "2021001");
    EXPECT_EQ(user.contact, "13800000000");
    EXPECT_EQ(user.registration_time.size(), 19u);
    EXPECT_EQ(user.login_time, "");
}
