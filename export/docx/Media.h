#pragma once

#include <QSize>
#include <QString>

#include "platform/PictureFile.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace tinyxml2 {
class XMLDocument;
}  // namespace tinyxml2

namespace docx {

class Package;

// The pictures of one document being written: each picture file becomes a
// part word/media/<prefix><n>.<ext> with a relationship of its own. The same
// file used twice shares its part. Only what the program's picture door
// reads is a picture here: PNG, JPEG and BMP files, by their content, within
// the size limits; they go in as they are (stored, not compressed again).
// Anything else (a GIF, an ICO or SVG named .png, ...) is left out like an
// unreadable file, never decoded.
class MediaSet {
public:
    // takenIds: relationship ids the document part already uses.
    explicit MediaSet(std::set<std::string> takenIds = {}, std::string prefix = "lv_image");

    // Adds the picture at path; false when it cannot be read as a picture
    // (missing, empty, not a regular file, not a PNG, JPEG or BMP picture,
    // too large). rId
    // and pixels describe it.
    bool add(const QString& path, std::string& rId, QSize& pixels);

    // Adds the parts to the package, their relationships to the document
    // part's relationships (rels) and their file kinds to the content types.
    void writeInto(Package& package, tinyxml2::XMLDocument& rels, tinyxml2::XMLDocument& contentTypes) const;

    int count() const { return static_cast<int>(entries_.size()); }

private:
    struct Entry {
        std::string rId;
        std::string part;  // word/media/...
        std::string ext;
        QString file;      // source file, or
        std::string data;  // converted bytes
        QSize pixels;
    };
    std::string nextId();

    std::set<std::string> taken_;
    std::string prefix_;
    int counter_ = 0;
    std::vector<Entry> entries_;
    std::map<QString, size_t> byPath_;
    std::map<QString, bool> unreadable_;
};

// Content type of a picture extension ("png" -> "image/png").
std::string pictureContentType(const std::string& ext);

}  // namespace docx
