#pragma once

#include <string>

#include "export/IWordExport.h"

// The heading numeral of question-type heading n: "一、" to "九十九、"
// (UTF-8); empty below 1 and above 99.
std::string getChineseNumber(int n);

// The attribute line of a record: for each bit of options in the order 1,
// 2, 4, 8, 16, 32 that is set, the field (score, category, test point,
// cause, source, remark) and one blank.
std::string attributeLine(int options, const _answer_t& answer);

// Blank lines after a question of that type: the stored count kept within 1
// to 20; a type without entry gets 1.
int blankLines(const std::map<std::string, int>& detailSpace, const std::string& type);

// The template exporter: fills the three document templates (questions,
// answers, re-do) item by item through the template merger and saves each
// as a .docx file.
//
// Items and fields the templates offer: _header.appName; main.title,
// main.appName, main.grade, main.term, main.subject (and main.time in the
// re-do template); questiontype_item.questiontype; number_item.number;
// pic_item.CustomerPic (questions and re-do); attribute_item.attribute and
// content_item.h1 (answers); attribute_item (re-do); linebreak_item.
class WordProcessing : public IWordExport {
public:
    WordProcessing();
    ~WordProcessing() override;

    int exportTopic(std::string& err) override;
    int exportAnswer(std::string& err) override;
    int exportReappear(std::string& err) override;

    // Template paths (local 8-bit encoding).
    std::string topicTemplate;
    std::string answerTemplate;
    std::string reappearTemplate;

private:
    enum class Kind { Topic, Answer, Reappear };
    int run(Kind kind, std::string& err);
    void writeDocument(Kind kind);
};
