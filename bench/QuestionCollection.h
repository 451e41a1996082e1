#pragma once

// The benchmarks' large question collection: 100,000 questions of the
// built-in user over four grades, two terms and six subjects, with test
// points, sources, remarks and dates over three school years; the same
// collection (same seed and weights) as the database benchmark. The biggest
// bucket is 高三 / 上学期 / 数学, about 7,200 questions.

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <tuple>

#include "core/Sqlite.h"

namespace collection {

constexpr int kQuestions = 100000;
constexpr int kUser = 10000;
// Default base-data ids: grades 初一 7, 初二 8, 高二 11, 高三 12; terms 13, 14;
// subjects 数学 15, 物理 16, 化学 17, 语文 18, 英语 19, 生物 23.
inline const int kGrades[] = {12, 11, 8, 7};
inline const double kGradeWeights[] = {0.40, 0.30, 0.15, 0.15};
inline const int kTerms[] = {13, 14};
inline const double kTermWeights[] = {0.6, 0.4};
inline const int kSubjects[] = {15, 16, 17, 18, 19, 23};
inline const double kSubjectWeights[] = {0.30, 0.20, 0.15, 0.10, 0.15, 0.10};

inline const char* const kTopics[] = {"函数",     "数列",       "三角函数", "立体几何",     "解析几何", "概率",
                                      "统计",     "导数",       "不等式",   "向量",         "复数",     "集合",
                                      "排列组合", "二项式定理", "圆锥曲线", "牛顿运动定律", "电磁感应", "动量守恒",
                                      "机械能",   "电路",       "化学平衡", "氧化还原反应", "有机化学", "电化学",
                                      "离子反应", "文言文阅读", "古诗鉴赏", "现代文阅读",   "完形填空", "阅读理解",
                                      "语法填空", "细胞分裂",   "遗传规律"};
inline const char* const kAspects[] = {"的概念", "的性质", "的图像",   "的应用", "综合题",
                                       "易错点", "基础题", "最值问题", "与方程", "的计算"};
inline const char* const kSources[] = {"期中考试", "期末考试", "月考", "课后作业", "练习册",
                                       "模拟卷",   "高考真题", "周测", "课堂练习", "教辅资料"};
inline const char* const kRemarks[] = {"",         "",         "",         "",           "注意审题",   "计算要细心",
                                       "再做一遍", "老师讲过", "考前复习", "方法要记住", "第12页例题", "同类题型多练"};

inline int pick(std::mt19937& rng, const double* weights, int n)
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

inline void check(int rc, sqlite3* db, const char* what)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE) {
        std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(db));
        std::exit(1);
    }
}

// Fills a new file (schema and default data made by the program) with the
// questions and their serial rows, in one transaction.
inline void generate(const std::string& path)
{
    std::remove(path.c_str());
    {
        sqlite create(path);
    }
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
        const std::string point = percent(rng) < 5 ? std::string()
                                                   : std::string(kTopics[topic(rng)]) + kAspects[aspect(rng)];
        char folder[64];
        std::snprintf(folder, sizeof folder, "{%08x-%04x-4%03x-a%03x-%012x}", static_cast<unsigned>(rng()),
                      static_cast<unsigned>(rng() & 0xffff), static_cast<unsigned>(rng() & 0xfff),
                      static_cast<unsigned>(rng() & 0xfff), static_cast<unsigned>(rng()));
        const int values[] = {kUser,
                              number,
                              grade,
                              term,
                              subject,
                              percent(rng) < 30 ? 1 : 0,
                              1 + percent(rng) % 3,
                              24 + percent(rng) % 4,
                              28 + percent(rng) % 4,
                              32 + percent(rng) % 5};
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

}  // namespace collection
