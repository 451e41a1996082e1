#include "transfer/UploadReceiver.h"

#include "platform/PictureFile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>

#include <json/json.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/Utils.h"

namespace {

const char* const kParseError = "parse json error";

// Parses an object; false for bad JSON or any other root.
bool parseObject(const char* body, size_t length, Json::Value& root)
{
    Json::CharReaderBuilder builder;
    builder["collectComments"] = false;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    std::string errors;
    try {
        if (!reader->parse(body, body + length, &root, &errors))
            return false;
    } catch (const std::exception&) {
        return false;
    }
    return root.isObject();
}

const int kMostNumbers = 10000;

UploadReceiver::Result failure(int status, const std::string& why)
{
    std::printf("%s\n", why.c_str());
    std::fflush(stdout);
    UploadReceiver::Result result;
    result.kind = UploadReceiver::Kind::Error;
    result.error = why;
    result.status = status;
    return result;
}

struct Picture {
    int status = 200;
    std::string error;
    QByteArray format;  // "jpeg", "png" or "bmp"
};

// The picture formats the library takes, by their content, with the
// suffixes it lists them under (the first is the one added to a name).
QStringList suffixesOf(const QByteArray& format)
{
    if (format == "jpeg")
        return {QStringLiteral("jpg"), QStringLiteral("jpeg")};
    if (format == "png")
        return {QStringLiteral("png")};
    if (format == "bmp")
        return {QStringLiteral("bmp")};
    return {};
}

// Whether bytes hold a whole picture of a format the library takes, through
// the program's one picture door: by content, within the size limits (a
// picture too large is refused before it is decoded), whole.
Picture checkPicture(const std::string& bytes)
{
    Picture picture;
    const QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<int>(bytes.size()));
    platform::PictureHeader header;
    const platform::PictureVerdict verdict = platform::verifyPictureData(data, &header);
    if (verdict == platform::PictureVerdict::TooLarge) {
        picture.status = 413;
        picture.error = "picture too large";
    } else if (verdict != platform::PictureVerdict::Ok || suffixesOf(header.format).isEmpty()) {
        picture.status = 415;
        picture.error = "not a picture";
    } else {
        picture.format = header.format;
    }
    return picture;
}

const int kMostNameBytes = 255;

// `stem` shortened by whole characters until stem + tail fits the file-name
// limit in UTF-8.
QString fitted(QString stem, const QString& tail)
{
    const int room = kMostNameBytes - tail.toUtf8().size();
    while (!stem.isEmpty() && stem.toUtf8().size() > room)
        stem.chop(stem.size() >= 2 && QChar::isLowSurrogate(stem.at(stem.size() - 1).unicode()) ? 2 : 1);
    return stem + tail;
}

// name when its suffix fits format, else name with the format's suffix added
// (the name shortened when it would not fit then).
QString nameFor(const QString& name, const QByteArray& format)
{
    const QStringList suffixes = suffixesOf(format);
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot > 0 && suffixes.contains(name.mid(dot + 1), Qt::CaseInsensitive))
        return name;
    return fitted(name, QLatin1Char('.') + suffixes.first());
}

// The n-th name tried for name: itself, then "a_2.jpg", "a_3.jpg", ...; the
// stem shortened as far as the number needs to fit the file-name limit.
QString numbered(const QString& name, int n)
{
    if (n == 1)
        return name;
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > 0 ? name.left(dot) : name;
    const QString suffix = dot > 0 ? name.mid(dot) : QString();
    return fitted(stem, QLatin1Char('_') + QString::number(n) + suffix);
}

bool writeAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

UploadReceiver::UploadReceiver(QString folder) : folder_(std::move(folder)) {}

UploadReceiver::Result UploadReceiver::receive(const std::string& uri, const char* body, size_t length)
{
    if (uri == "/uploadfile")
        return receiveFile(body, length);
    if (uri == "/uploadTotalCount")
        return receiveCount(body, length);
    return Result();
}

UploadReceiver::Result UploadReceiver::receiveCount(const char* body, size_t length)
{
    Json::Value root;
    if (!parseObject(body, length, root))
        return failure(400, kParseError);
    const Json::Value& total = root["total_number"];
    if (!total.isInt() || total.asInt() < 0)
        return failure(400, kParseError);
    Result result;
    result.kind = Kind::Count;
    result.count = total.asInt();
    return result;
}

std::string UploadReceiver::safeName(const std::string& name)
{
    const size_t cut = name.find_last_of("/\\");
    const std::string last = cut == std::string::npos ? name : name.substr(cut + 1);
    if (last.empty() || last == "." || last == ".." || last.size() > 255)
        return std::string();
    if (last.find(':') != std::string::npos || last.find('\0') != std::string::npos)
        return std::string();
    return last;
}

UploadReceiver::Result UploadReceiver::receiveFile(const char* body, size_t length)
{
    std::string name;
    std::string bytes;
    {
        Json::Value root;
        if (!parseObject(body, length, root))
            return failure(400, kParseError);
        const Json::Value& code = root["returnCode"];
        const Json::Value& filename = root["filename"];
        const Json::Value& img = root["img"];
        if (!(code.isNull() || code.isInt()) || !filename.isString() || !img.isString())
            return failure(400, kParseError);
        name = safeName(filename.asString());
        if (name.empty())
            return failure(400, "bad file name");
        const char* begin = nullptr;
        const char* end = nullptr;
        img.getString(&begin, &end);
        // Decoded straight from the parsed text: a picture of several
        // megabytes is not copied once more.
        if (end - begin >= 5 && std::memcmp(begin, "data:", 5) == 0) {
            const char* comma = static_cast<const char*>(std::memchr(begin, ',', static_cast<size_t>(end - begin)));
            begin = comma ? comma + 1 : end;
        }
        bytes = base64Decode(begin, static_cast<size_t>(end - begin));
    }
    const Picture picture = checkPicture(bytes);
    if (picture.status != 200)
        return failure(picture.status, picture.error);
    return keep(nameFor(QString::fromUtf8(name.data(), static_cast<int>(name.size())), picture.format), bytes);
}

UploadReceiver::Result UploadReceiver::keep(const QString& name, const std::string& bytes)
{
    // Names are taken one at a time; checks run side by side before.
    const std::lock_guard<std::mutex> lock(namesMutex_);
    const QDir folder(folder_);
    for (int n = 1; n <= kMostNumbers; ++n) {
        const QString candidate = numbered(name, n);
        if (received_.contains(candidate))
            continue;
        if (candidate.toUtf8().size() > kMostNameBytes)
            return failure(400, "bad file name");
        const QString path = folder.filePath(candidate);
        const QByteArray local = QFile::encodeName(path);
        const int fd = ::open(local.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;  // someone's file, or a link: never replaced
            return failure(500, "write failed");
        }
        const bool written = writeAll(fd, bytes);
        if (::close(fd) != 0 || !written) {
            ::unlink(local.constData());
            return failure(500, "write failed");
        }
        received_.insert(candidate);
        Result result;
        result.kind = Kind::File;
        result.path = path;
        return result;
    }
    return failure(500, "no free file name");
}
