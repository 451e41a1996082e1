#pragma once

// Reads a written .docx back for the tests: its parts, the text of its
// paragraphs, its pictures and the consistency of its relationships.

#include <QString>
#include <QStringList>

#include <map>
#include <string>
#include <vector>

#include "export/docx/Package.h"

namespace inspect {

struct Docx {
    docx::Package package;
    std::string error;

    bool open(const QString& path);
    std::string part(const std::string& name) const { return package.bytes(name); }

    // The text of every body paragraph (outside tables too), in order.
    QStringList paragraphs() const;
    // The text of the paragraphs in the page headers.
    QString headerText() const;
    // Names of the XML parts that do not parse.
    std::vector<std::string> malformedParts() const;
    // r:embed ids of the main part that have no relationship, or whose
    // relationship points at a missing part.
    std::vector<std::string> danglingEmbeds() const;
    // Media parts whose extension has no content type.
    std::vector<std::string> untypedMedia() const;
    // wp:docPr ids in document order.
    std::vector<int> drawingIds() const;
    int pictureCount() const { return static_cast<int>(drawingIds().size()); }
    // Number of elements of that name in the main part.
    int count(const char* element) const;
    // The parts under word/media/.
    std::vector<std::string> media() const;
};

}  // namespace inspect
