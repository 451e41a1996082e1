#pragma once

#include <QString>

#include <string>

// The folder of one question, relative to the working directory (the data
// folder):
//
//     item/<user>/<detail_path>/original.jpg       the question as captured
//                              /questions.jpg      the question stem
//                              /answer_wrong.jpg   the wrong answer
//                              /answer_right.html  answer and analysis (UTF-8)
//                              /<seconds>.<suffix> pictures of the answer
//
// <user> is the owner's id in decimal (AppContext::user_folder for the
// current user); <detail_path> is a random UUID without braces, kept in the
// record's detail_path. "original.jpg" may hold a PNG (a screen capture is
// copied byte for byte): readers decide the format from the content.
namespace questionfolder {

inline constexpr const char* kOriginal = "original.jpg";
inline constexpr const char* kQuestion = "questions.jpg";
inline constexpr const char* kWrongAnswer = "answer_wrong.jpg";
inline constexpr const char* kAnswer = "answer_right.html";

// "item/<user>/<detail_path>"
QString folder(const std::string& user, const std::string& detailPath);
// "item/<user>/<detail_path>/<name>"
QString file(const std::string& user, const std::string& detailPath, const char* name);
// The same for a record's owner given as its id.
QString file(int userId, const std::string& detailPath, const char* name);

// A new folder name: a random UUID in text form without braces (36
// characters, lower-case hexadecimal in groups of 8-4-4-4-12).
QString newName();

}  // namespace questionfolder
