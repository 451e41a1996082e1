#include <gtest/gtest.h>

#include <map>
#include <string>
#include <type_traits>
#include <vector>

#include "core/AppContext.h"
#include "core/IDatabase.h"
#include "core/IObserver.h"

namespace {

// Implementations are destroyed through their interfaces.
static_assert(std::has_virtual_destructor_v<IDatabase>);
static_assert(std::has_virtual_destructor_v<IObserver>);

_type_t entry(int id, int group, const char* name, int order, int state)
{
    _type_t t;
    t.id = id;
    t.user_id = 10000;
    t.group = group;
    t.name = name;
    t.order = order;
    t.state = state;
    return t;
}

std::map<int, _type_t> byId(const std::vector<_type_t>& entries)
{
    std::map<int, _type_t> all;
    for (const _type_t& t : entries)
        all[t.id] = t;
    return all;
}

std::vector<int> ids(const std::vector<_type_t>& list)
{
    std::vector<int> out;
    for (const _type_t& t : list)
        out.push_back(t.id);
    return out;
}

// Runs first in its process (ctest starts one process per test): nothing has
// loaded base data yet.
TEST(AppContext, StartsEmptyWithTheBuiltInUser)
{
    const AppContext* context = AppContext::instance();
    EXPECT_EQ(context, AppContext::instance());
    EXPECT_EQ(context->user.id, 10000);
    EXPECT_EQ(context->user.user_type, 2);
    EXPECT_EQ(context->subject.id, 0);
    EXPECT_TRUE(context->subject.name.empty());
    EXPECT_EQ(context->state, 0);
    EXPECT_EQ(context->times, -1);
    EXPECT_TRUE(context->subjects.empty());
    EXPECT_TRUE(context->types.empty());
}

TEST(AppContext, BaseDataLoadKeepsShownEntriesInOrderAndPicksCurrentGradeAndTerm)
{
    AppContext* context = AppContext::instance();
    context->subject = entry(31, 3, "语文", 1, 1);
    context->setBaseData(byId({
        entry(1, 1, "一年级", 1, 0),
        entry(2, 1, "二年级", 2, 1),
        entry(9, 1, "九年级", 9, 1),  // two current grades: the larger id wins
        entry(20, 2, "上学期", 1, 1),
        entry(21, 2, "下学期", 2, 0),
        entry(31, 3, "语文", 3, 1),
        entry(32, 3, "数学", 1, 1),
        entry(33, 3, "英语", 2, 0),  // hidden
        entry(34, 3, "物理", 2, 1),
        entry(35, 3, "化学", 2, 1),  // same order as 物理: kept by id
        entry(41, 4, "作业", 2, 1),
        entry(42, 4, "考试", 1, 1),
        entry(51, 5, "粗心", 1, 1),
        entry(52, 5, "概念不清", 2, 0),
        entry(61, 6, "选择题", 2, 1),
        entry(62, 6, "填空题", 1, 1),
        entry(70, 7, "unknown group", 1, 1),
    }));

    EXPECT_EQ(context->grade.id, 9);
    EXPECT_EQ(context->term.id, 20);
    EXPECT_EQ(ids(context->subjects), (std::vector<int>{32, 34, 35, 31}));
    EXPECT_EQ(ids(context->classifications), (std::vector<int>{42, 41}));
    EXPECT_EQ(ids(context->causes), (std::vector<int>{51}));
    EXPECT_EQ(ids(context->questiontypes), (std::vector<int>{62, 61}));
    EXPECT_EQ(context->types.size(), 17u) << "every entry, hidden ones included";
    EXPECT_EQ(context->typeName(33), "英语");
    EXPECT_EQ(context->typeName(52), "概念不清");
    EXPECT_EQ(context->typeName(999), "");
    EXPECT_EQ(context->subject.id, 31) << "the current subject is the caller's choice";

    // A reload replaces everything; with no current entry of a group the
    // previous grade and term stay.
    context->setBaseData(byId({
        entry(1, 1, "一年级", 1, 0),
        entry(21, 2, "下学期", 2, 0),
        entry(33, 3, "英语", 1, 1),
    }));
    EXPECT_EQ(context->grade.id, 9);
    EXPECT_EQ(context->grade.name, "九年级");
    EXPECT_EQ(context->term.id, 20);
    EXPECT_EQ(ids(context->subjects), (std::vector<int>{33}));
    EXPECT_TRUE(context->classifications.empty());
    EXPECT_TRUE(context->causes.empty());
    EXPECT_TRUE(context->questiontypes.empty());
    EXPECT_EQ(context->types.size(), 3u);

    context->setBaseData({});
    EXPECT_TRUE(context->subjects.empty());
    EXPECT_TRUE(context->types.empty());
    EXPECT_EQ(context->grade.id, 9);
}

TEST(Records, DefaultsAndIndependentCopies)
{
    const _detail_t fresh;
    for (const std::string* text : {&fresh.point, &fresh.detail_path, &fresh.source, &fresh.remark, &fresh.create_date,
                                    &fresh.modify_date, &fresh.dt_reserved3, &fresh.dt_reserved4})
        EXPECT_TRUE(text->empty());

    _detail_t original;
    original.remark = std::string(200, 'r');
    original.point = "一元二次方程的根与系数的关系，以及判别式的应用（长文本）";
    _detail_t copy = original;
    copy.remark[0] = 'X';
    copy.point += "!";
    EXPECT_EQ(original.remark, std::string(200, 'r'));
    EXPECT_EQ(original.point.back(), "）"[2]);

    const query_data any;
    EXPECT_EQ(any.state, -1);
    EXPECT_EQ(any.times, -1);
    EXPECT_TRUE(any.points.empty());
    EXPECT_TRUE(any.keyword.empty());
}

}  // namespace
