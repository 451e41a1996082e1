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
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <unistd.h>
#include <vector>

#include "QuestionCollection.h"
#include "core/Sqlite.h"

namespace {

using collection::generate;
using collection::kQuestions;
using collection::kUser;
// The bucket the list benchmarks read: 高三, 上学期, 数学 (about 7,200 questions).
constexpr int kGrade = 12, kTerm = 13, kSubject = 15;

std::string g_path;

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
            sqlite3_exec(raw,
                         "DROP INDEX IF EXISTS detail_bucket; DROP INDEX IF EXISTS detail_bucket_state; DROP INDEX IF "
                         "EXISTS serial_bucket",
                         nullptr, nullptr, nullptr);
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

// One page as the question list asks for it: the rows and their count, from
// the filtered list or (search) the keyword search. walk steps through the
// first hundred pages.
void page(benchmark::State& state, query_data q, bool search, bool walk)
{
    Setup s(state.range(0));
    std::vector<_detail_t> list;
    std::string err;
    int count = 0;
    for (auto _ : state) {
        list.clear();  // readers append
        const int rc = search ? s.db->searchDetails(q, list, err) || s.db->countSearchDetails(q, count, err)
                              : s.db->queryDetails(q, list, err) || s.db->countDetails(q, count, err);
        if (rc != 0)
            return fail(state, err);
        if (walk)
            q.offset = (q.offset + 20) % 2000;
    }
    state.counters["rows"] = count;
}

void PagePlain(benchmark::State& state)
{
    page(state, listQuery(), false, true);
}

void PageKeyword(benchmark::State& state)
{
    query_data q = listQuery();
    q.keyword = "函数";
    page(state, q, true, false);
}

void PageAdvanced(benchmark::State& state)
{
    query_data q = listQuery();
    q.state = -1;
    q.number_from = 100;
    q.number_to = 6000;
    q.classification = 25;
    q.point = "几何";
    q.source = "考试";
    q.date_from = "2022-01-01";
    q.date_to = "2023-12-31";
    page(state, q, false, false);
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
        list.clear();
        if (s.db->queryPointDetails(q, list, err) != 0)
            return fail(state, err);
    }
    state.counters["rows"] = static_cast<double>(list.size());
}

// One statistics query, called with a fresh result container each time.
template <typename Result, typename Query>
void statistics(benchmark::State& state, Query query)
{
    Setup s(state.range(0));
    std::string err;
    for (auto _ : state) {
        Result result;
        if (query(*s.db, result, err) != 0)
            return fail(state, err);
    }
}

using Tuples = std::vector<std::tuple<int, int, int>>;
using Counts = std::map<std::string, int>;

void StateCounts(benchmark::State& state)
{
    statistics<Tuples>(state, [](sqlite& db, Tuples& r, std::string& err) {
        return db.getStateCounts(kUser, kGrade, kTerm, kSubject, r, err);
    });
}

void HotPoints(benchmark::State& state)
{
    using Points = std::map<std::string, double>;
    statistics<Points>(state, [](sqlite& db, Points& r, std::string& err) {
        return db.getHotPoints(kUser, kGrade, kTerm, kSubject, r, err);
    });
}

void CauseCounts(benchmark::State& state)
{
    statistics<Counts>(state, [](sqlite& db, Counts& r, std::string& err) {
        return db.getCauseCounts(kUser, kGrade, kTerm, kSubject, r, err);
    });
}

void MonthlyAdded(benchmark::State& state)
{
    statistics<Counts>(state, [](sqlite& db, Counts& r, std::string& err) {
        return db.getMonthlyAdded(kUser, kGrade, kTerm, kSubject, r, err);
    });
}

void GradeTermCounts(benchmark::State& state)
{
    statistics<Tuples>(state,
                       [](sqlite& db, Tuples& r, std::string& err) { return db.getGradeTermCounts(kUser, r, err); });
}

void SubjectCounts(benchmark::State& state)
{
    statistics<Tuples>(state, [](sqlite& db, Tuples& r, std::string& err) {
        return db.getSubjectCounts(kUser, kGrade, kTerm, true, r, err);
    });
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
