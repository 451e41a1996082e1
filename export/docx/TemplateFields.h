#pragma once

#include <QString>

#include <string>
#include <vector>

namespace tinyxml2 {
class XMLElement;
class XMLNode;
}  // namespace tinyxml2

// The fields of a template (see TemplateMerger.h for the markup).
namespace docx {

enum class FieldKind { Text, Number, Date, Html, Picture };

struct FieldSpec {
    std::string name;
    FieldKind kind = FieldKind::Text;
    QString picture;  // the number or date picture
};

// Reads a field instruction " MERGEFIELD name [switches] "; false when it is
// not a merge field.
bool parseMergeField(const std::string& instruction, FieldSpec& spec);

struct FieldValue {
    bool isNumber = false;
    std::string text;  // UTF-8
    double number = 0;
};

// What a text, number or date field shows for a value.
QString fieldText(const FieldSpec& spec, const FieldValue& value);
// A number after a Word numeric picture: the digits after the point give
// the decimals, a comma asks for thousands separators; without a picture an
// integral value has no decimals and others up to 15 significant digits.
QString formatNumber(double value, const QString& picture);

// One field in a piece of a document: a w:fldSimple, or for a picture field
// the w:drawing's wp:docPr.
struct FieldSite {
    tinyxml2::XMLElement* element = nullptr;
    FieldSpec spec;
};
// Every field below root (root included), in document order.
std::vector<FieldSite> findFields(tinyxml2::XMLElement* root);

// Replaces a w:fldSimple by runs showing text in the field's own run
// properties.
void fillTextField(tinyxml2::XMLElement* fldSimple, const QString& text);

// Removes every bookmark below root.
void removeBookmarks(tinyxml2::XMLElement* root);

// Inserts node just before ref (a child of ref's parent).
void insertBefore(tinyxml2::XMLNode* ref, tinyxml2::XMLNode* node);

// The nearest enclosing element of that name, or null.
tinyxml2::XMLElement* ancestor(tinyxml2::XMLElement* e, const char* name);

}  // namespace docx
