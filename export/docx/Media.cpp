#include "export/docx/Media.h"

#include <QFileInfo>

#include <tinyxml2.h>

#include <cstring>

#include "export/docx/Package.h"
#include "platform/PictureFile.h"

using tinyxml2::XMLElement;

namespace docx {

std::string pictureContentType(const std::string& ext)
{
    if (ext == "jpeg" || ext == "jpg")
        return "image/jpeg";
    if (ext == "png")
        return "image/png";
    if (ext == "gif")
        return "image/gif";
    if (ext == "bmp")
        return "image/bmp";
    return "application/octet-stream";
}

MediaSet::MediaSet(std::set<std::string> takenIds, std::string prefix)
    : taken_(std::move(takenIds)), prefix_(std::move(prefix))
{
}

std::string MediaSet::nextId()
{
    std::string id;
    do {
        id = "rIdLv" + std::to_string(++counter_);
    } while (taken_.count(id));
    taken_.insert(id);
    return id;
}

bool MediaSet::add(const QString& path, std::string& rId, QSize& pixels)
{
    const QString key = QFileInfo(path).absoluteFilePath();
    if (auto it = byPath_.find(key); it != byPath_.end()) {
        rId = entries_[it->second].rId;
        pixels = entries_[it->second].pixels;
        return true;
    }
    if (unreadable_.count(key))
        return false;

    Entry entry;
    // The header only; a picture that declares more pixels than the program
    // decodes is left out like an unreadable one (a reader of the document
    // would have to decode it), and so is every format the door does not
    // read, whatever the file is called.
    const platform::PictureHeader header = platform::inspectPicture(path);
    if (header.verdict != platform::PictureVerdict::Ok) {
        unreadable_[key] = true;
        return false;
    }
    entry.pixels = header.size;
    entry.ext = header.format.toStdString();  // "png", "jpeg" or "bmp": Word shows them all
    entry.file = path;
    entry.rId = nextId();
    entry.part = "word/media/" + prefix_ + std::to_string(entries_.size() + 1) + "." + entry.ext;
    rId = entry.rId;
    pixels = entry.pixels;
    byPath_[key] = entries_.size();
    entries_.push_back(std::move(entry));
    return true;
}

void MediaSet::writeInto(Package& package, tinyxml2::XMLDocument& rels, tinyxml2::XMLDocument& contentTypes) const
{
    XMLElement* relRoot = rels.RootElement();
    XMLElement* typeRoot = contentTypes.RootElement();
    std::set<std::string> known;
    for (XMLElement* d = typeRoot->FirstChildElement("Default"); d; d = d->NextSiblingElement("Default")) {
        if (const char* ext = d->Attribute("Extension"))
            known.insert(QString::fromUtf8(ext).toLower().toStdString());
    }
    for (const Entry& e : entries_) {
        if (!e.file.isEmpty())
            package.setFile(e.part, e.file, false);
        else
            package.setBytes(e.part, e.data, false);
        XMLElement* rel = rels.NewElement("Relationship");
        rel->SetAttribute("Id", e.rId.c_str());
        rel->SetAttribute("Type", "http://schemas.openxmlformats.org/officeDocument/2006/relationships/image");
        rel->SetAttribute("Target", e.part.substr(std::strlen("word/")).c_str());
        relRoot->InsertEndChild(rel);
        if (!known.count(e.ext)) {
            known.insert(e.ext);
            XMLElement* d = contentTypes.NewElement("Default");
            d->SetAttribute("Extension", e.ext.c_str());
            d->SetAttribute("ContentType", pictureContentType(e.ext).c_str());
            // Defaults come before Overrides.
            if (XMLElement* firstOverride = typeRoot->FirstChildElement("Override")) {
                if (tinyxml2::XMLNode* before = firstOverride->PreviousSibling())
                    typeRoot->InsertAfterChild(before, d);
                else
                    typeRoot->InsertFirstChild(d);
            } else {
                typeRoot->InsertEndChild(d);
            }
        }
    }
}

}  // namespace docx
