#pragma once

#include <QString>

#include <memory>
#include <string>

#include "export/IWordExport.h"

namespace office {
class Session;
}  // namespace office

// The older exporter (旧版): the questions and re-do documents are typed
// into a word processor (MSword) and saved as .doc; the answers are laid out
// as an HTML page and printed to a PDF file. It prints no type headings and
// ignores the title, the program name and the spacing. The .doc files of
// one exporter (one export run) are converted by one LibreOffice, started
// at the first and stopped with the exporter.
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

    std::unique_ptr<office::Session> office_;
};
