#pragma once

// Answer pages built to hurt the .docx export: spans of 100 000 columns,
// thousands of nested elements, sizes far beyond any page, pictures that
// cannot or must not be read, characters XML cannot hold. Each carries a
// word of its own that must reach the document.

#include <QString>

#include <vector>

namespace hostile {

struct Case {
    const char* name;
    QString html;
    QString word;      // must be in the document's text
    int pictures = 0;  // pictures the document shows
    // Whether the word can be read off the laid-out page (in a table of 300
    // columns each column is narrower than a character).
    bool legible = true;
};

// The cases; the pictures they name are written into dir (pic.png, a named
// pipe, a folder, a JPEG declaring 30000 x 30000 pixels).
std::vector<Case> cases(const QString& dir);

}  // namespace hostile
