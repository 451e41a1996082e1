#include "core/Utils.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iconv.h>
#include <unistd.h>
#include <vector>

#include "platform/PictureFile.h"
#include "platform/System.h"

GbkToUtf8::GbkToUtf8(const char* text)
{
    if (text == nullptr || *text == '\0')
        return;
    const size_t len = std::strlen(text);
    bool ascii = true;
    for (size_t i = 0; i < len; ++i) {
        if (static_cast<unsigned char>(text[i]) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii) {
        text_ = text;
        return;
    }
    // A GBK character is at most two bytes and becomes at most three UTF-8
    // bytes, so 3 * len + 1 always suffices.
    const size_t capacity = 3 * len + 1;
    char* buffer = new char[capacity];
    std::memset(buffer, 0, capacity);
    owned_ = true;
    text_ = buffer;

    iconv_t cd = iconv_open("UTF-8", "GBK");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return;
    char* in = const_cast<char*>(text);
    size_t inLeft = len;
    char* out = buffer;
    size_t outLeft = capacity - 1;
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &out, &outLeft) != static_cast<size_t>(-1))
            break;
        if (errno == EILSEQ || errno == EINVAL) {
            // A byte that is not GBK: keep a replacement mark and go on.
            if (outLeft < 3)
                break;
            *out++ = '\xEF';
            *out++ = '\xBF';
            *out++ = '\xBD';
            outLeft -= 3;
            ++in;
            --inLeft;
        } else {
            break;
        }
    }
    *out = '\0';
    iconv_close(cd);
}

GbkToUtf8::~GbkToUtf8()
{
    if (owned_)
        delete[] text_;
}

int getMacAddress(std::string& mac)
{
    unsigned char bytes[6];
    const int rc = platform::firstAdapterAddress(bytes);
    if (rc != 0)
        return rc;
    char text[32];
    std::snprintf(text, sizeof text, "%02X-%02X-%02X-%02X-%02X-%02X", bytes[0], bytes[1], bytes[2], bytes[3], bytes[4],
                  bytes[5]);
    mac = text;
    return 0;
}

std::string getComputerName()
{
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return std::string();
    return std::string(name);
}

void compressImage(const QImage& in, QImage& out, int maxWidth, int maxKB)
{
    if (in.isNull()) {
        out = QImage();
        return;
    }
    QImage scaled = in;
    if (in.width() > maxWidth) {
        // A strip thinner than the ratio would give no rows at all; keep one.
        const int height = std::max(1, static_cast<int>(static_cast<long long>(in.height()) * maxWidth / in.width()));
        scaled = in.scaled(maxWidth, height, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    QByteArray bytes;
    for (int quality = 100; quality >= 80; quality -= 10) {
        bytes.clear();
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (!scaled.save(&buffer, "JPEG", quality)) {
            bytes.clear();
            break;
        }
        if (bytes.size() <= static_cast<long long>(maxKB) * 1024)
            break;
    }
    if (bytes.isEmpty()) {
        out = QImage();
        return;
    }
    out = QImage::fromData(bytes, "JPEG");
}

void compressImageFile(const QString& srcPath, const QString& dstPath, int maxWidth, int maxKB)
{
    const QImage in = platform::readPicture(srcPath);
    QImage out;
    compressImage(in, out, maxWidth, maxKB);
    if (!out.isNull())
        out.save(dstPath);
}

bool copyDirectory(const QString& srcDir, const QString& dstDir, bool overwrite)
{
    QDir source(srcDir);
    if (!source.exists())
        return false;
    QDir target(dstDir);
    if (!target.exists()) {
        if (!target.mkdir(target.absolutePath()))
            return false;
    }
    const QFileInfoList entries = source.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot,
                                                       QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& entry : entries) {
        const QString destination = target.filePath(entry.fileName());
        if (entry.isDir()) {
            if (!copyDirectory(entry.filePath(), destination, overwrite))
                return false;
        } else {
            if (overwrite && QFile::exists(destination))
                QFile::remove(destination);
            if (!QFile::copy(entry.filePath(), destination))
                return false;
        }
    }
    return true;
}

void getDirectorySize(const char* path, uint64_t* total)
{
    namespace fs = std::filesystem;
    if (path == nullptr || total == nullptr)
        return;
    // The folder named by the caller may itself be a link; links found inside
    // are neither followed nor counted, so a link loop ends the walk. Each
    // folder that cannot be listed adds nothing, the others still count.
    std::vector<fs::path> pending{fs::path(path)};
    std::error_code ec;
    if (!fs::is_directory(fs::status(pending.front(), ec)))
        return;
    while (!pending.empty()) {
        const fs::path folder = std::move(pending.back());
        pending.pop_back();
        fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
        if (ec)
            continue;
        for (const fs::directory_iterator end; it != end; it.increment(ec)) {
            if (ec)
                break;
            const fs::file_status status = it->symlink_status(ec);
            if (ec)
                continue;
            if (fs::is_directory(status)) {
                pending.push_back(it->path());
            } else if (fs::is_regular_file(status)) {
                const uintmax_t size = it->file_size(ec);
                if (!ec)
                    *total += static_cast<uint64_t>(size);
            }
        }
        ec.clear();
    }
}

std::string base64Decode(const std::string& encoded)
{
    return base64Decode(encoded.data(), encoded.size());
}

std::string base64Decode(const char* data, size_t size)
{
    auto value = [](char c) -> int {
        if (c >= 'A' && c <= 'Z')
            return c - 'A';
        if (c >= 'a' && c <= 'z')
            return c - 'a' + 26;
        if (c >= '0' && c <= '9')
            return c - '0' + 52;
        if (c == '+')
            return 62;
        if (c == '/')
            return 63;
        return -1;
    };
    std::string out;
    out.reserve(size / 4 * 3 + 3);
    unsigned int group = 0;
    int count = 0;
    for (const char* c = data; c != data + size; ++c) {
        const int v = value(*c);
        if (v < 0)
            break;
        group = (group << 6) | static_cast<unsigned int>(v);
        if (++count == 4) {
            out.push_back(static_cast<char>((group >> 16) & 0xFF));
            out.push_back(static_cast<char>((group >> 8) & 0xFF));
            out.push_back(static_cast<char>(group & 0xFF));
            group = 0;
            count = 0;
        }
    }
    if (count == 2) {
        out.push_back(static_cast<char>((group >> 4) & 0xFF));
    } else if (count == 3) {
        out.push_back(static_cast<char>((group >> 10) & 0xFF));
        out.push_back(static_cast<char>((group >> 2) & 0xFF));
    }
    return out;
}

std::string& replaceAll(std::string& text, const std::string& from, const std::string& to)
{
    if (from.empty())
        return text;
    size_t pos = 0;
    while ((pos = text.find(from, pos)) != std::string::npos) {
        text.replace(pos, from.size(), to);
        pos += to.size();
    }
    return text;
}
