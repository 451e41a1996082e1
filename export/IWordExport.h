#pragma once

#include <map>
#include <string>
#include <vector>

// One question of the questions document.
struct _topic_t {
    int number = 0;            // as printed
    std::string questiontype;  // name of the question type (UTF-8)
    std::string picture;       // path of "questions.jpg", '/' separated
};

// One question of the answers document or of the re-do document.
struct _answer_t {
    int number = 0;
    std::string score;           // "5分"
    std::string classification;  // category name
    std::string questiontype;
    std::string point;
    std::string cause;
    std::string source;
    std::string remark;
    // Answers document: the answer's HTML from its "<html>" on; re-do
    // document: the path of "answer_wrong.jpg".
    std::string content;
};

// The Word exporter driven by the export run. The run fills the fields and
// the records, then calls exportTopic and, when that succeeded,
// exportAnswer (原题重做), or exportReappear (错题再现), each on a worker
// task. Each returns 0 when its document was written, or -1 with err
// replaced by the reason (UTF-8); no exception leaves them. An exporter
// shows nothing itself.
//
// Texts are UTF-8; the three output paths are in the local 8-bit encoding.
// Records of one question type follow each other; a type heading is printed
// whenever the type changes from one record to the next.
class IWordExport {
public:
    virtual ~IWordExport() = default;

    virtual int exportTopic(std::string& err) = 0;
    virtual int exportAnswer(std::string& err) = 0;
    virtual int exportReappear(std::string& err) = 0;

    std::string title;
    std::string appName;  // program name and version, "错题本2.0.8"
    std::string grade;
    std::string term;
    std::string subject;
    // Blank lines after each question of the questions document, by
    // question-type name.
    std::map<std::string, int> detailSpace;
    // Attributes printed with each question of the answers and re-do
    // documents: 1 score, 2 category, 4 test point, 8 error cause, 16 source,
    // 32 remark.
    int options = 0;
    std::string topicPath;
    std::string answerPath;
    std::string reappearPath;
    std::vector<_topic_t> topics;
    std::vector<_answer_t> answers;
    std::vector<_answer_t> reappears;
};
