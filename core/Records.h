#pragma once

#include <string>
#include <tuple>
#include <vector>

// Plain value records: the rows exchanged with the database layer (each
// mirrors one row of one table; fields carry the names of the columns) and, at
// the end, the web service's notice. Texts are UTF-8.

// One question, a row of table detail.
struct _detail_t {
    int id = 0;
    int user_id = 0;
    int number = 0;
    int grade = 0;
    int term = 0;
    int subject = 0;
    int state = 0;  // 0 not mastered, 1 mastered
    int times = 0;  // 1 first wrong, 2 wrong again, 3 wrong many times
    int classification = 0;
    int cause = 0;
    int questiontype = 0;
    std::string point;
    std::string detail_path;  // folder item/<user id>/<detail_path>
    int score = 0;
    std::string source;
    std::string remark;
    std::string create_date;  // YYYY-MM-DD
    std::string modify_date;  // YYYY-MM-DD
    int dt_reserved1 = 0;
    int dt_reserved2 = 0;
    std::string dt_reserved3;
    std::string dt_reserved4;
};
using detail_t = _detail_t;

// One base-data entry, a row of table type.
// group: 1 grade, 2 term, 3 subject, 4 classification, 5 cause, 6 question type.
// state: groups 1 and 2: 1 marks the current entry; groups 3 to 6: 1 shown.
struct _type_t {
    int id = 0;
    int user_id = 0;
    int group = 0;
    std::string name;
    int order = 0;
    int state = 0;
};
using type_t = _type_t;

// The user record, a row of table user.
struct _user_t {
    int id = 0;
    std::string userID;
    int id_type = 0;
    int user_type = 2;
    std::string password;
    std::string username;
    int sex = 0;
    int school_id = 0;
    std::string contact;
    std::string student_number;
    std::string registration_time;
    std::string login_time;
};
using user_t = _user_t;

// The filter of the question list.
class query_data {
public:
    int user_id = 0;
    int grade = 0;
    int term = 0;
    int subject = 0;
    int state = -1;  // -1 any
    int times = -1;  // -1 any
    int offset = 0;  // rows skipped before the page (pages hold 20 rows)
    std::string keyword;
    int order = 0;  // 0 ascending number, 1 descending, other: no ordering
    int number_from = 0;
    int number_to = 0;
    int classification = 0;
    std::string point;
    int cause = 0;
    int questiontype = 0;
    std::string source;
    std::string remark;
    std::string date_from;  // YYYY-MM-DD
    std::string date_to;    // YYYY-MM-DD
    std::vector<std::string> points;
};

// (state, times, count), (grade id, term id, count), (subject id, order, count)
using count_tuple = std::tuple<int, int, int>;

// The web service's notice (reply of "/getAdvertisement"); the question list
// shows its title as a link.
struct _advertisement_t {
    std::string title;
    std::vector<std::string> information;  // text lines
    std::string url;                       // the notice's link
};
