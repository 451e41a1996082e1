#include "export/docx/Package.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <zip.h>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace docx {
namespace {

std::string zipErrorText(int code)
{
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

std::string utf8(const QString& text)
{
    return text.toUtf8().toStdString();
}

// The temporary document beside the target, as write() names it; libzip
// writes its own temporary file as that name plus ".XXXXXX".
const char* const kStagingTemplate = ".lorvane-XXXXXX.docx";

// What QTemporaryFile and libzip put for the X's: letters and digits.
bool isStagingName(const QString& name)
{
    static const QRegularExpression pattern(QStringLiteral("^\\.lorvane-[A-Za-z0-9]{6}\\.docx(\\.[A-Za-z0-9]{6})?$"));
    return pattern.match(name).hasMatch();
}

// Last written before `since`, by lstat(): a link is never looked through.
bool isOldRegularFile(const QString& path, qint64 sinceMs)
{
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    const qint64 written = static_cast<qint64>(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
    return written < sinceMs;
}

}  // namespace

Package::Part* Package::find(const std::string& name)
{
    for (Part& p : parts_) {
        if (p.name == name)
            return &p;
    }
    return nullptr;
}

const Package::Part* Package::find(const std::string& name) const
{
    return const_cast<Package*>(this)->find(name);
}

bool Package::read(const QString& path, std::string& err)
{
    parts_.clear();
    int code = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &code);
    if (!archive) {
        err = "无法打开文件 " + utf8(path) + "：" + zipErrorText(code);
        return false;
    }
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        if (zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &stat) != 0 || !stat.name) {
            err = "无法读取文件 " + utf8(path);
            zip_discard(archive);
            return false;
        }
        std::string name = stat.name;
        if (!name.empty() && name.back() == '/')
            continue;  // a folder entry
        zip_file_t* entry = zip_fopen_index(archive, static_cast<zip_uint64_t>(i), 0);
        if (!entry) {
            err = "无法读取 " + name + "：" + zip_strerror(archive);
            zip_discard(archive);
            return false;
        }
        std::string data(static_cast<size_t>(stat.size), '\0');
        const zip_int64_t got = stat.size ? zip_fread(entry, &data[0], stat.size) : 0;
        zip_fclose(entry);
        if (got < 0 || static_cast<zip_uint64_t>(got) != stat.size) {
            err = "无法读取 " + name;
            zip_discard(archive);
            return false;
        }
        const bool compressed = stat.comp_method != ZIP_CM_STORE;
        parts_.push_back(Part{name, std::move(data), QString(), compressed});
    }
    zip_discard(archive);
    return true;
}

bool Package::has(const std::string& name) const
{
    return find(name) != nullptr;
}

std::string Package::bytes(const std::string& name) const
{
    const Part* p = find(name);
    return p ? p->data : std::string();
}

void Package::setBytes(const std::string& name, std::string data, bool compress)
{
    Part part{name, std::move(data), QString(), compress};
    if (Part* p = find(name))
        *p = std::move(part);
    else
        parts_.push_back(std::move(part));
}

void Package::setFile(const std::string& name, const QString& path, bool compress)
{
    Part part{name, std::string(), path, compress};
    if (Part* p = find(name))
        *p = std::move(part);
    else
        parts_.push_back(std::move(part));
}

void Package::remove(const std::string& name)
{
    for (auto it = parts_.begin(); it != parts_.end(); ++it) {
        if (it->name == name) {
            parts_.erase(it);
            return;
        }
    }
}

std::vector<std::string> Package::names() const
{
    std::vector<std::string> list;
    for (const Part& p : parts_)
        list.push_back(p.name);
    return list;
}

bool Package::write(const QString& path, std::string& err) const
{
    const QFileInfo target(path);
    const QDir folder = target.absoluteDir();
    if (!folder.exists()) {
        err = "无法写入文件 " + utf8(path) + "：文件夹不存在";
        return false;
    }
    // A unique name beside the target; libzip writes its own temporary file
    // and renames it to this name when it closes.
    QString staging;
    {
        QTemporaryFile probe(folder.filePath(QLatin1String(kStagingTemplate)));
        if (!probe.open()) {
            err = "无法写入文件 " + utf8(path) + "：" + utf8(probe.errorString());
            return false;
        }
        staging = probe.fileName();
    }  // removed again: libzip creates it

    int code = 0;
    zip_t* archive = zip_open(QFile::encodeName(staging).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!archive) {
        err = "无法写入文件 " + utf8(path) + "：" + zipErrorText(code);
        return false;
    }
    for (const Part& p : parts_) {
        zip_source_t* source = nullptr;
        if (!p.file.isEmpty()) {
            source = zip_source_file(archive, QFile::encodeName(p.file).constData(), 0, -1);
        } else {
            source = zip_source_buffer(archive, p.data.data(), p.data.size(), 0);
        }
        const zip_int64_t index =
            source ? zip_file_add(archive, p.name.c_str(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) : -1;
        if (index < 0) {
            err = "无法写入 " + p.name + "：" + zip_strerror(archive);
            if (source)
                zip_source_free(source);
            zip_discard(archive);
            QFile::remove(staging);
            return false;
        }
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), p.compress ? ZIP_CM_DEFLATE : ZIP_CM_STORE,
                                 0);
    }
    if (zip_close(archive) != 0) {
        err = "无法写入文件 " + utf8(path) + "：" + zip_strerror(archive);
        zip_discard(archive);
        QFile::remove(staging);
        return false;
    }
    // rename() replaces the target in one step.
    if (std::rename(QFile::encodeName(staging).constData(), QFile::encodeName(path).constData()) != 0) {
        err = "无法写入文件 " + utf8(path);
        QFile::remove(staging);
        return false;
    }
    return true;
}

int Package::removeLeftovers(const QString& folder, const QDateTime& since)
{
    const qint64 sinceMs = since.toMSecsSinceEpoch();
    const QDir dir(folder);
    const QStringList names = dir.entryList(QStringList{QStringLiteral(".lorvane-*")},
                                            QDir::Files | QDir::Hidden | QDir::System);
    int removed = 0;
    for (const QString& name : names) {
        const QString path = dir.filePath(name);
        if (isStagingName(name) && isOldRegularFile(path, sinceMs) &&
            ::unlink(QFile::encodeName(path).constData()) == 0)
            ++removed;
    }
    return removed;
}

}  // namespace docx
