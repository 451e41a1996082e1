#pragma once

#include <QString>

#include <vector>

#include "export/docx/WordML.h"

class QTextBlock;
class QTextFrame;
class QTextTable;
class QTextTableCell;

namespace docx {

class MediaSet;

// Turns rich text (the HTML that QTextDocument::toHtml writes, or any HTML
// it reads) into WordprocessingML blocks: paragraphs with their alignment,
// indents and spacing, runs with font, size, bold, italic, underline,
// strike-out, colour, background and super/subscript, inline pictures and
// tables (with merged cells). Lists become paragraphs led by their marker.
//
// Relative picture names are looked up in pictureDir; a picture that cannot
// be read leaves no trace. Pictures wider than maxWidth (EMU) are shrunk.
//
// The HTML passes guardHtml first (HtmlGuard.h). Sizes, indents, spacing
// and borders are kept within what Word accepts, and tables nested more
// than kMaxFrameDepth deep are written as their paragraphs, so the
// document stays shallow enough for every reader.
class HtmlToWordML {
public:
    static constexpr int kMaxFrameDepth = 4;

    HtmlToWordML(tinyxml2::XMLDocument& doc, MediaSet& media, RunFormat base, long maxWidth, QString pictureDir);

    // The blocks (w:p, w:tbl) of html, new elements of the document not yet
    // inserted anywhere. Never empty: empty text gives one empty paragraph.
    std::vector<tinyxml2::XMLElement*> convert(const QString& html);

    // The picture path that a name in the HTML stands for.
    QString picturePath(const QString& name) const;

private:
    void frame(QTextFrame* frame, std::vector<tinyxml2::XMLElement*>& out, long width, int depth);
    void flatten(QTextFrame* frame, std::vector<tinyxml2::XMLElement*>& out, long width);
    tinyxml2::XMLElement* block(const QTextBlock& block, long width);
    tinyxml2::XMLElement* table(QTextTable* table, long width, int depth);
    void cell(tinyxml2::XMLElement* tc, const QTextTableCell& cell, long width, int depth);
    void picture(tinyxml2::XMLElement* p, const QString& name, double w, double h, const RunFormat& format, long width);

    tinyxml2::XMLDocument& doc_;
    MediaSet& media_;
    RunFormat base_;
    long maxWidth_;
    QString pictureDir_;
};

}  // namespace docx
