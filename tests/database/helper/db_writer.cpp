// Adds questions to a question database in a loop and prints the running count
// after each one that was committed; runs until it is killed.
//   lorvane_db_writer <database file> [max]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/Sqlite.h"

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    const long max = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 0;
    sqlite db(argv[1]);
    std::string err;
    for (long i = 1; max == 0 || i <= max; ++i) {
        _detail_t d;
        d.user_id = 10000;
        d.grade = 12;
        d.term = 13;
        d.subject = 15 + static_cast<int>(i % 3);
        d.classification = 24;
        d.cause = 28;
        d.questiontype = 32;
        d.point = "函数的单调性与最值 " + std::to_string(i);
        d.detail_path = "writer-" + std::to_string(i);
        d.source = "期中考试";
        d.remark = std::string(200, 'x');
        if (db.addDetail(d, err) != 0) {
            std::fprintf(stderr, "addDetail: %s\n", err.c_str());
            return 1;
        }
        std::printf("%ld\n", i);
        std::fflush(stdout);
    }
    return 0;
}
