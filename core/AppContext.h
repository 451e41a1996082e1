#pragma once

#include <map>
#include <string>
#include <vector>

#include "core/Records.h"

// The program-wide context: data folder, current user, the current grade, term
// and subject, the question list's filters and the user's base data.
// Written on the GUI thread only.
class AppContext {
public:
    static AppContext* instance();

    std::string data_path;  // the data folder, no trailing separator
    _user_t user;
    _type_t grade;
    _type_t term;
    _type_t subject;
    int state = 0;            // 0 not mastered, 1 mastered, -1 all
    int times = -1;           // -1 any, 1, 2, 3
    std::string user_folder;  // the user's id in decimal
    std::map<int, _type_t> types;
    std::vector<_type_t> subjects;
    std::vector<_type_t> classifications;
    std::vector<_type_t> causes;
    std::vector<_type_t> questiontypes;

    // Fills types and the four shown lists from all entries of the user and
    // takes the current grade and term (the entry of group 1 or 2 whose state
    // is 1; with two such entries the one with the larger id wins; with none
    // the previous value stays).
    void setBaseData(const std::map<int, _type_t>& all);

    // Name of the entry with that id, empty when unknown.
    std::string typeName(int id) const;

private:
    AppContext();
    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;
};
