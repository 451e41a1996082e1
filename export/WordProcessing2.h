#pragma once

#include <QString>

#include <string>

#include "export/IWordExport.h"

// The older exporter (旧版): the questions and re-do documents are typed
// into a word processor (MSword) and saved as .doc; the answers are laid out
// as an HTML page and printed to a PDF file. It prints no type headings and
// ignores the title, the program name and the spacing.
class WordProcessing2 : public IWordExport {
public:
    WordProcessing2();
    ~WordProcessing2() override;

    int exportTopic(std::string& err) override;
    int exportAnswer(std::string& err) override;
    int exportReappear(std::string& err) override;

    // The message when no word processor is there.
    static const char* noWordText();
    // The HTML page of the answers document: a heading, then per answer its
    // number and the paragraphs (<p>) directly in the answer's body; answers
    // that are not well-formed XML give only their number.
    QString answerPage() const;

private:
    // "<grade><term><subject><word>".
    QString heading(const char* word) const;
};
