#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

#include "core/Singleton.h"

// The phrase store "database/phrase.db": the test points, sources and remarks
// a user typed before, offered again most used first.
//
// Phrase types: 0 test point (kept per user, grade, term and subject),
// 1 source and 2 remark (kept per user). Failures are silent: a phrase that
// cannot be stored is simply missing from later lists. Used from the GUI
// thread only.
class PhraseBook_db : public Singleton<PhraseBook_db> {
public:
    static constexpr const char* kDefaultPath = "database/phrase.db";

    enum Type { Point = 0, Source = 1, Remark = 2 };

    // Opens (or creates) kDefaultPath relative to the working directory.
    PhraseBook_db();
    // Opens (or creates) the given file.
    explicit PhraseBook_db(const std::string& path);
    ~PhraseBook_db() override;

    // Each argument that is not 0 replaces the stored value.
    void setContext(int user_id, int grade, int term, int subject);

    // Stores the phrase (times 1) or counts it up by one; an empty name is ignored.
    void add(int type, std::string name);
    void remove(int type, std::string name);
    void removeAll(int type);
    // Appends the type's phrases of the current scope, most added first.
    void getList(int type, std::vector<std::string>& out);
    // As getList, only names containing text (LIKE: ASCII case ignored, '%'
    // and '_' act as wildcards).
    void search(int type, std::string text, std::vector<std::string>& out);

    // Creates table phrase when missing. Always true.
    bool createTable(std::string& err);

    int userId() const { return user_id_; }
    int grade() const { return grade_; }
    int term() const { return term_; }
    int subject() const { return subject_; }

private:
    void open(const std::string& path);
    void list(int type, const std::string* text, std::vector<std::string>& out);

    sqlite3* db_ = nullptr;
    int user_id_ = 0;
    int grade_ = 0;
    int term_ = 0;
    int subject_ = 0;
};
