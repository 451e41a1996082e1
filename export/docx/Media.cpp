#include "export/docx/Media.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>

#include <tinyxml2.h>

#include <cstring>

#include "export/docx/Package.h"

using tinyxml2::XMLElement;

namespace docx {

bool tooLarge(const QSize& pixels)
{
    if (!pixels.isValid())
        return false;  // not declared: told by decoding, which Qt bounds
    return pixels.width() > kMaxPictureSide || pixels.height() > kMaxPictureSide ||
           static_cast<qint64>(pixels.width()) * pixels.height() > kMaxPicturePixels;
}

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
    // Only regular files are read (a named pipe would block the reader);
    // a picture declaring more pixels than kMaxPicturePixels is not
    // decoded, here nor by the program that opens the document.
    if (!QFileInfo(path).isFile()) {
        unreadable_[key] = true;
        return false;
    }
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    const QByteArray format = reader.format().toLower();
    entry.pixels = reader.size();
    if (format.isEmpty() || tooLarge(entry.pixels)) {
        unreadable_[key] = true;
        return false;
    }
    if (format == "jpeg" || format == "jpg" || format == "png" || format == "gif" || format == "bmp") {
        if (!entry.pixels.isValid()) {
            const QImage image = reader.read();
            entry.pixels = image.size();
        }
        if (tooLarge(entry.pixels)) {
            unreadable_[key] = true;
            return false;
        }
        entry.ext = format == "jpg" ? "jpeg" : format.toStdString();
        entry.file = path;
    } else {
        // Word does not show this kind: stored as PNG.
        const QImage image = reader.read();
        if (image.isNull()) {
            unreadable_[key] = true;
            return false;
        }
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        entry.data = bytes.toStdString();
        entry.pixels = image.size();
        entry.ext = "png";
    }
    if (!entry.pixels.isValid() || entry.pixels.isEmpty()) {
        unreadable_[key] = true;
        return false;
    }
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
