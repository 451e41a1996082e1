// Speed of the question database on a large collection: 100,000 questions over
// four grades, two terms and six subjects, dates over three school years.
//
// Each list figure is one page as the question list asks for it (the page and
// its count); statistics and inserts are single calls. Every benchmark runs
// twice, on the file as the program opens it (with its indexes) and with the
// indexes dropped, so the two can be compared in one run. Figures are the
// medians over the repetitions.
#include <benchmark/benchmark.h>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <tuple>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/Sqlite.h"

namespace {

constexpr int kQuestions = 100000;
constexpr int kUser = 10000;
// Default base-data ids: grades 初一 7, 初二 8, 高二 11, 高三 12; terms 13, 14;
// subjects 数学 15, 物理 16, 化学 17, 语文 18, 英语 19, 生物 23.
const int kGrades[] = {12, 11, 8, 7};
const double kGradeWeights[] = {0.40, 0.30, 0.15, 0.15};
const int kTerms[] = {13, 14};
const double kTermWeights[] = {0.6, 0.4};
const int kSubjects[] = {15, 16, 17, 18, 19, 23};
const double kSubjectWeights[] = {0.30, 0.20, 0.15, 0.10, 0.15, 0.10};
// The bucket the list benchmarks read: 高三, 上学期, 数学 (about 7,200 questions).
constexpr int kGrade = 12, kTerm = 13, kSubject = 15;

const char* const kTopics[] = {"函数", "数列", "三角函数", "立体几何", "解析几何", "概率", "统计", "导数",
                               "不等式", "向量", "复数", "集合", "排列组合", "二项式定理", "圆锥曲线",
                               "牛顿运动定律", "电磁感应", "动量守恒", "机械能", "电路", "化学平衡",
                               "氧化还原反应", "有机化学", "电化学", "离子反应", "文言文阅读", "古诗鉴赏",
                               "现代文阅读", "完形填空", "阅读理解", "语法填空", "细胞分裂", "遗传规律"};
const char* const kAspects[] = {"的概念", "的性质", "的图像", "的应用", "综合题", "易错点", "基础题",
                                "最值问题", "与方程", "的计算"};
const char* const kSources[] = {"期中考试", "期末考试", "月考", "课后作业", "练习册", "模拟卷", "高考真题",
                                "周测", "课堂练习", "教辅资料"};
const char* const kRemarks[] = {"", "", "", "", "注意审题", "计算要细心", "再做一遍", "老师讲过",
                                "考前复习", "方法要记住", "第12页例题", "同类题型多练"};

std::string g_path;

int pick(std::mt19937& rng, const double* weights, int n)
{
    std::uniform_real_distribution<double> u(0.0, 1.0);
    double r = u(rng);
    for (int i = 0; i < n - 1; ++i) {
        if (r < weights[i])
            return i;
        r -= weights[i];
    }
    return n - 1;
}

void check(int rc, sqlite3* db, const char* what)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE) {
        std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(db));
        std::exit(1);
    }
}

// Fills a new file (schema and default data made by the program) with the
// questions and their serial rows, in one transaction.
void generate(const std::string& path)
{
    std::remove(path.c_str());
    { sqlite create(path); }
    sqlite3* db = nullptr;
    check(sqlite3_open(path.c_str(), &db), db, "open");
    check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db, "begin");
    sqlite3_stmt* insert = nullptr;
    check(sqlite3_prepare_v2(db,
                             "INSERT INTO detail (user_id,number,grade,term,subject,state,times,classification,"
                             "cause,questiontype,point,detail_path,score,source,remark,create_date,modify_date) "
                             "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,date('2021-09-01', '+' || ? || ' days'),"
                             "date('2021-09-01', '+' || ? || ' days'))",
                             -1, &insert, nullptr),
          db, "prepare");
    std::mt19937 rng(20240501);
    std::map<std::tuple<int, int, int>, int> serial;
    std::uniform_int_distribution<int> day(0, 3 * 365 - 1), later(0, 120), percent(0, 99);
    std::uniform_int_distribution<int> topic(0, sizeof(kTopics) / sizeof(*kTopics) - 1);
    std::uniform_int_distribution<int> aspect(0, sizeof(kAspects) / sizeof(*kAspects) - 1);
    std::uniform_int_distribution<int> source(0, sizeof(kSources) / sizeof(*kSources) - 1);
    std::uniform_int_distribution<int> remark(0, sizeof(kRemarks) / sizeof(*kRemarks) - 1);
    for (int i = 0; i < kQuestions; ++i) {
        const int grade = kGrades[pick(rng, kGradeWeights, 4)];
        const int term = kTerms[pick(rng, kTermWeights, 2)];
        const int subject = kSubjects[pick(rng, kSubjectWeights, 6)];
        const int number = ++serial[{grade, term, subject}];
        const int created = day(rng);
        const int modified = std::min(created + later(rng), 3 * 365 - 1);
        const std::string point =
            percent(rng) < 5 ? std::string() : std::string(kTopics[topic(rng)]) + kAspects[aspect(rng)];
        char folder[64];
        std::snprintf(folder, sizeof folder, "{%08x-%04x-4%03x-a%03x-%012x}", static_cast<unsigned>(rng()),
                      static_cast<unsigned>(rng() & 0xffff), static_cast<unsigned>(rng() & 0xfff),
                      static_cast<unsigned>(rng() & 0xfff), static_cast<unsigned>(rng()));
        const int values[] = {kUser, number, grade, term, subject, percent(rng) < 30 ? 1 : 0, 1 + percent(rng) % 3,
                              24 + percent(rng) % 4, 28 + percent(rng) % 4, 32 + percent(rng) % 5};
        for (int c = 0; c < 10; ++c)
            sqlite3_bind_int(insert, c + 1, values[c]);
        sqlite3_bind_text(insert, 11, point.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 12, folder, -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(insert, 13, 2 + percent(rng) % 12);
        sqlite3_bind_text(insert, 14, kSources[source(rng)], -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 15, kRemarks[remark(rng)], -1, SQLITE_STATIC);
        sqlite3_bind_int(insert, 16, created);
        sqlite3_bind_int(insert, 17, modified);
        check(sqlite3_step(insert), db, "insert");
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_stmt* serialInsert = nullptr;
    check(sqlite3_prepare_v2(db, "INSERT INTO serial (user_id, grade, term, subject, number) VALUES (?,?,?,?,?)", -1,
                             &serialInsert, nullptr),
          db, "prepare serial");
    for (const auto& [bucket, number] : serial) {
        sqlite3_bind_int(serialInsert, 1, kUser);
        sqlite3_bind_int(serialInsert, 2, std::get<0>(bucket));
        sqlite3_bind_int(serialInsert, 3, std::get<1>(bucket));
        sqlite3_bind_int(serialInsert, 4, std::get<2>(bucket));
        sqlite3_bind_int(serialInsert, 5, number);
        check(sqlite3_step(serialInsert), db, "serial");
        sqlite3_reset(serialInsert);
    }
    sqlite3_finalize(serialInsert);
    check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
    sqlite3_close(db);
}

// The program's connection on the generated file; with indexed false the
// indexes it made at open are dropped again through a second connection.
struct Setup {
    std::unique_ptr<sqlite> db;
    explicit Setup(bool indexed)
    {
        db = std::make_unique<sqlite>(g_path);
        if (!indexed) {
            sqlite3* raw = nullptr;
            sqlite3_open(g_path.c_str(), &raw);
            sqlite3_exec(raw, "DROP INDEX IF EXISTS detail_bucket; DROP INDEX IF EXISTS detail_bucket_state; DROP INDEX IF EXISTS serial_bucket", nullptr,
                         nullptr, nullptr);
            sqlite3_close(raw);
        }
    }
};

query_data listQuery()
{
    query_data q;
    q.user_id = kUser;
    q.grade = kGrade;
    q.term = kTerm;
    q.subject = kSubject;
    q.state = 0;  // the list opens on the questions not mastered
    q.times = -1;
    q.order = 1;
    q.offset = 0;
    return q;
}

void fail(benchmark::State& state, const std::string& err)
{
    state.SkipWithError(err.c_str());
}

void PagePlain(benchmark::State& state)
{
    Setup s(state.range(0));
    query_data q = listQuery();
    std::vector<_detail_t> list;
    std::string err;
    int count = 0;
    for (auto _ : state) {
        if (s.db->queryDetails(q, list, err) != 0 || s.db->countDetails(q, count, err) != 0)
            return fail(state, err);
        q.offset = (q.offset + 20) % 2000;  // walk through the first hundred pages
    }
    state.counters["rows"] = count;
}

void PageKeyword(benchmark::State& state)
{
    Setup s(state.range(0));
    query_data q = listQuery();
    q.keyword = "函数";
    std::vector<_detail_t> list;
    std::string err;
    int count = 0;
    for (auto _ : state) {
        if (s.db->searchDetails(q, list, err) != 0 || s.db->countSearchDetails(q, count, err) != 0)
            return fail(state, err);
    }
    state.counters["rows"] = count;
}

void PageAdvanced(benchmark::State& state)
{
    Setup s(state.range(0));
    query_data q = listQuery();
    q.state = -1;
    q.number_from = 100;
    q.number_to = 6000;
    q.classification = 25;
    q.point = "几何";
    q.source = "考试";
    q.date_from = "2022-01-01";
    q.date_to = "2023-12-31";
    std::vector<_detail_t> list;
    std::string err;
    int count = 0;
    for (auto _ : state) {
        if (s.db->queryDetails(q, list, err) != 0 || s.db->countDetails(q, count, err) != 0)
            return fail(state, err);
    }
    state.counters["rows"] = count;
}

void TestPoints(benchmark::State& state)
{
    Setup s(state.range(0));
    query_data q = listQuery();
    q.state = -1;
    q.points = {"函数的图像", "导数的应用", "数列综合题"};
    std::vector<_detail_t> list;
    std::string err;
    for (auto _ : state) {
        if (s.db->queryPointDetails(q, list, err) != 0)
            return fail(state, err);
    }
    state.counters["rows"] = static_cast<double>(list.size());
}

void StateCounts(benchmark::State& state)
{
    Setup s(state.range(0));
    std::string err;
    for (auto _ : state) {
        std::vector<std::tuple<int, int, int>> counts;
        if (s.db->getStateCounts(kUser, kGrade, kTerm, kSubject, counts, err) != 0)
            return fail(state, err);
    }
}

void HotPoints(benchmark::State& state)
{
    Setup s(state.range(0));
    std::string err;
    for (auto _ : state) {
        std::map<std::string, double> points;
        if (s.db->getHotPoints(kUser, kGrade, kTerm, kSubject, points, err) != 0)
            return fail(state, err);
    }
}

void CauseCounts(benchmark::State& state)
{
    Setup s(state.range(0));
    std::string err;
    for (auto _ : state) {
        std::map<std::string, int> counts;
        if (s.db->getCauseCounts(kUser, kGrade, kTerm, kSubject, counts, err) != 0)
            return fail(state, err);
    }
}

void MonthlyAdded(benchmark::State& state)
{
    Setup s(state.range(0));
    std::string err;
    for (auto _ : state) {
        std::map<std::string, int> counts;
        if (s.db->getMonthlyAdded(kUser, kGrade, kTerm, kSubject, counts, err) != 0)
            return fail(state, err);
    }
}

void GradeTermCounts(benchmark::State& state)
{
    Setup s(state.range(0));
    std::string err;
    for (auto _ : state) {
        std::vector<std::tuple<int, int, int>> counts;
        if (s.db->getGradeTermCounts(kUser, counts, err) != 0)
            return fail(state, err);
    }
}

void SubjectCounts(benchmark::State& state)
{
    Setup s(state.range(0));
    std::string err;
    for (auto _ : state) {
        std::vector<std::tuple<int, int, int>> counts;
        if (s.db->getSubjectCounts(kUser, kGrade, kTerm, true, counts, err) != 0)
            return fail(state, err);
    }
}

void AddDetail(benchmark::State& state)
{
    Setup s(state.range(0));
    std::string err;
    _detail_t d;
    d.user_id = kUser;
    d.grade = kGrade;
    d.term = kTerm;
    d.subject = kSubject;
    d.classification = 24;
    d.cause = 29;
    d.questiontype = 33;
    d.point = "函数的单调性";
    d.detail_path = "{6f1c2a7e-1d2b-4c3d-9e8f-0a1b2c3d4e5f}";
    d.score = 5;
    d.source = "期中考试";
    d.remark = "注意审题";
    for (auto _ : state) {
        if (s.db->addDetail(d, err) != 0)
            return fail(state, err);
        int id = 0;
        s.db->getLastInsertId(id, err);
    }
}

void configure(benchmark::internal::Benchmark* b)
{
    b->ArgName("indexed")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
}

BENCHMARK(PagePlain)->Apply(configure);
BENCHMARK(PageKeyword)->Apply(configure);
BENCHMARK(PageAdvanced)->Apply(configure);
BENCHMARK(TestPoints)->Apply(configure);
BENCHMARK(StateCounts)->Apply(configure);
BENCHMARK(HotPoints)->Apply(configure);
BENCHMARK(CauseCounts)->Apply(configure);
BENCHMARK(MonthlyAdded)->Apply(configure);
BENCHMARK(GradeTermCounts)->Apply(configure);
BENCHMARK(SubjectCounts)->Apply(configure);
BENCHMARK(AddDetail)->Apply(configure);

}  // namespace

int main(int argc, char** argv)
{
    // The file lives in the temporary folder unless a path is given with
    // LORVANE_BENCH_DB (for a run on another disk).
    const char* dir = std::getenv("TMPDIR");
    const char* given = std::getenv("LORVANE_BENCH_DB");
    g_path = given ? given : std::string(dir ? dir : "/tmp") + "/lorvane-bench-" + std::to_string(getpid()) + ".db";
    std::fprintf(stderr, "generating %d questions in %s\n", kQuestions, g_path.c_str());
    generate(g_path);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::remove(g_path.c_str());
    return 0;
}
