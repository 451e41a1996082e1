#pragma once

#include <QString>

// Rich text read from a file is checked before it is laid out: HTML that
// nests elements thousands deep or gives a table cell a span of 100 000
// columns costs the HTML reader minutes and gigabytes, and gives documents
// that Word processors refuse. guardHtml keeps every word and picture of
// such HTML and bounds its structure:
//
// - at most kMaxElementDepth elements are open at once; deeper start tags
//   are left out with their end tags (their text stays, a dropped block
//   becomes a line break, a dropped cell a blank);
// - a cell spans at least one column and one row, at most the rows left in
//   its table, and a table whose spans reach past as many columns as it has
//   cells keeps only the columns in which some cell starts (the spans are
//   counted over those); no span exceeds kMaxSpan (Word's column limit).
//
// Well-formed HTML within these bounds (all the editor writes) is returned
// unchanged.
namespace docx {

constexpr int kMaxElementDepth = 32;
constexpr int kMaxSpan = 63;

QString guardHtml(const QString& html);

}  // namespace docx
