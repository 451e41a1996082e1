#pragma once

#include <QString>

#include <memory>
#include <string>
#include <vector>

namespace docx {

// Builds a .docx document from a template: a .docx file whose body is cut
// into named items. The caller fills an item's fields and pastes it; each
// paste appends one filled copy of the item to the document, and save writes
// the document.
//
// Template markup (what a template author writes in Word terms):
//  - An item is a run of paragraphs and tables of the body enclosed by a
//    bookmark of the item's name; content outside every item is not copied.
//    The section properties at the end of the body (page size, margins,
//    header references) stay.
//  - A text field is a simple field ` MERGEFIELD <name> `. The switch
//    `\# "<picture>"` makes it a number field ("0", "0.00", "#,##0"), the
//    switch `\@ "<picture>"` a date field (yyyy MM dd HH mm ss, as in Word;
//    a number set to it is seconds since 1970-01-01 shown as UTC clock
//    time), and `\* HTML` an HTML field, whose whole paragraph is replaced
//    by the converted rich text.
//  - A picture field is a picture whose description (alt text) reads
//    `MERGEFIELD <name>`; the value is the path of a picture file, shown at
//    most as wide as the placeholder picture, aspect kept. A missing or
//    unreadable picture leaves an empty place.
//  - Fields in the page headers belong to the item "_header", those in the
//    footers to "_footer"; these two are never pasted, their values are
//    used when the document is saved.
//
// Values are UTF-8. A pasted item takes the values set for it since its last
// paste; fields without a value come out empty. Relative picture paths in
// HTML are looked up from the working directory.
class TemplateMerger {
public:
    TemplateMerger();
    ~TemplateMerger();

    // Only UTF-8 is known.
    bool setCodePage(const std::string& name, std::string& err);
    // Starts a new document from the template at path.
    bool load(const QString& path, std::string& err);
    bool setText(const std::string& item, const std::string& field, const std::string& value, std::string& err);
    bool setNumber(const std::string& item, const std::string& field, double value, std::string& err);
    bool paste(const std::string& item, std::string& err);
    // Writes the document built so far; a failure leaves no file.
    bool save(const QString& path, std::string& err);

    // The template's item names and an item's field names (tests, tools).
    std::vector<std::string> items() const;
    std::vector<std::string> fields(const std::string& item) const;

private:
    TemplateMerger(const TemplateMerger&) = delete;
    TemplateMerger& operator=(const TemplateMerger&) = delete;

    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace docx
