#pragma once

#include <QDateTime>
#include <QString>

#include <string>
#include <vector>

namespace docx {

// The parts of an Office Open XML package (a .docx file): named entries of a
// zip file. A part holds its bytes, or the path of a file whose bytes are
// taken when the package is written (pictures, which are large and already
// compressed, are never copied into memory).
class Package {
public:
    // Reads every entry of the zip file at path, replacing what the package
    // held. False with err (UTF-8) when the file cannot be read as a zip.
    bool read(const QString& path, std::string& err);

    bool has(const std::string& name) const;
    // The bytes of a part held in memory; empty when there is no such part.
    std::string bytes(const std::string& name) const;
    // Adds or replaces a part; compressed parts are deflated, the others
    // stored as they are.
    void setBytes(const std::string& name, std::string data, bool compress = true);
    void setFile(const std::string& name, const QString& path, bool compress = false);
    void remove(const std::string& name);
    std::vector<std::string> names() const;

    // Writes every part into a new zip file at path. The file is written
    // beside the target under a temporary name and then renamed over it, so a
    // failure leaves neither a partial file nor a changed old one. False with
    // err (UTF-8) on failure.
    bool write(const QString& path, std::string& err) const;

    // Removes from folder what a write cut short there left behind (the
    // program killed, the power gone): the files named like its temporary
    // documents, ".lorvane-XXXXXX.docx" and ".lorvane-XXXXXX.docx.XXXXXX",
    // last written before `since`. Only regular files of exactly those names
    // go; a link, a folder or a file of any other name stays, and so does one
    // written since (another write may be going on). Returns how many went.
    static int removeLeftovers(const QString& folder, const QDateTime& since);

private:
    struct Part {
        std::string name;
        std::string data;
        QString file;  // when not empty, the bytes come from this file
        bool compress = true;
    };
    Part* find(const std::string& name);
    const Part* find(const std::string& name) const;

    std::vector<Part> parts_;
};

}  // namespace docx
