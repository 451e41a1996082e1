#pragma once

#include <string>

namespace docx {

class Package;

// The parts of an empty A4 document (content types, relationships, styles
// with SimSun 10.5 pt as the default font, settings) without its main part,
// which the caller adds as "word/document.xml".
Package blankPackage();

// A main part with an empty body, to be parsed and filled: the body holds
// only its section properties (A4, margins 3.17 cm left and right, 2.54 cm
// top and bottom).
std::string blankDocumentXml();

// The text width of that page in EMU.
long blankTextWidth();

}  // namespace docx
