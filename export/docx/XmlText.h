#pragma once

#include <string>

namespace docx {

// The UTF-8 text with everything dropped that an XML 1.0 document cannot
// hold: control characters other than tab, line feed and carriage return,
// U+FFFE and U+FFFF, surrogate code points and malformed byte sequences.
// Escaping of < & > " is left to the XML writer.
std::string cleanXmlText(const std::string& utf8);

}  // namespace docx
