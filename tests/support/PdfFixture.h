#pragma once

#include <QColor>
#include <QString>

// Test PDFs made with QPdfWriter: every page A4 portrait, filled with the
// colour pageColor(page) and showing its page number in large digits.
namespace testpdf {

// Page colours differ from page to page (pages counted from 1).
QColor pageColor(int page);

// Writes a PDF of `pages` pages to `path`; false when it cannot be written.
bool write(const QString& path, int pages);

}  // namespace testpdf
