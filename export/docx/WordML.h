#pragma once

#include <QString>

#include <string>

namespace tinyxml2 {
class XMLDocument;
class XMLElement;
}  // namespace tinyxml2

// Small builders of WordprocessingML: paragraphs, runs and inline pictures,
// with their properties written in the order the schema demands (Word
// refuses a document whose property elements are out of order).
namespace docx {

// Units: 1 pt = 20 twips = 12700 EMU; a pixel counts 1/96 inch = 9525 EMU.
constexpr long kEmuPerPixel = 9525;
constexpr long kEmuPerTwip = 635;

// Character properties; an unset value leaves the style's.
struct RunFormat {
    QString font;        // family for Latin and East Asian text alike
    int halfPoints = 0;  // font size in half points; 0 unset
    int bold = -1;       // -1 unset, 0 off, 1 on
    int italic = -1;
    int underline = -1;
    int strike = -1;
    QString color;      // "RRGGBB"
    QString shading;    // background fill "RRGGBB"
    int vertAlign = 0;  // 0 baseline, 1 superscript, 2 subscript

    // `over` wins wherever it sets a value.
    RunFormat mergedWith(const RunFormat& over) const;
    // Reads the properties above from a w:rPr element (null gives none).
    static RunFormat fromXml(const tinyxml2::XMLElement* rPr);
};

// Paragraph properties; an unset value leaves the style's.
struct ParaFormat {
    QString style;         // w:pStyle
    QString alignment;     // "left", "center", "right", "both"
    int spaceBefore = -1;  // twips
    int spaceAfter = -1;
    int lineAtLeast = 0;  // minimum line height, twips; 0 unset
    int indentLeft = 0;   // twips
    int firstLine = 0;    // twips, negative for a hanging indent
    bool hasFirstLine = false;

    static ParaFormat fromXml(const tinyxml2::XMLElement* pPr);
};

// Appends a child element.
tinyxml2::XMLElement* addElement(tinyxml2::XMLElement* parent, const char* name);
// Sets w:val.
tinyxml2::XMLElement* addValue(tinyxml2::XMLElement* parent, const char* name, const QString& value);

// A new w:p with its properties (appended to parent when given).
tinyxml2::XMLElement* newParagraph(tinyxml2::XMLDocument& doc, const ParaFormat& format,
                                   tinyxml2::XMLElement* parent = nullptr);
// Writes format as the first child of p (a w:p), replacing any w:pPr.
void setParagraphFormat(tinyxml2::XMLElement* p, const ParaFormat& format);

// Appends runs holding text: line feeds, U+2028 and U+2029 become line
// breaks, tabs become tab characters, characters XML forbids are dropped.
void addTextRuns(tinyxml2::XMLElement* parent, const QString& text, const RunFormat& format);

// Appends a run holding an inline picture of cx x cy EMU showing the image
// of relationship rId. Its drawing id is given when the document is saved
// (renumberDrawings).
void addPictureRun(tinyxml2::XMLElement* parent, const RunFormat& format, const std::string& rId, long cx, long cy,
                   const QString& name);

// Writes the run properties as the first child of r (a w:r).
void writeRunFormat(tinyxml2::XMLElement* r, const RunFormat& format);

// Gives every drawing below root (wp:docPr) an id of its own, 1, 2, 3, ...
// in document order, starting after `first`; returns the last id given.
int renumberDrawings(tinyxml2::XMLElement* root, int first = 0);

// The size of a w pixels x h pixels picture laid out at most maxCx EMU wide
// (never enlarged), aspect kept.
void fitPicture(int w, int h, long maxCx, long& cx, long& cy);

// Namespaces of the main document part.
extern const char* const kNsW;
extern const char* const kNsR;
extern const char* const kNsWp;
extern const char* const kNsA;
extern const char* const kNsPic;
extern const char* const kRelImage;

}  // namespace docx
