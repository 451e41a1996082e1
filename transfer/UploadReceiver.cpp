#include "transfer/UploadReceiver.h"

#include <QDir>
#include <QSaveFile>

#include <json/json.h>

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

UploadReceiver::Result failure(const std::string& why)
{
    std::printf("%s\n", why.c_str());
    std::fflush(stdout);
    UploadReceiver::Result result;
    result.kind = UploadReceiver::Kind::Error;
    result.error = why;
    return result;
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
        return failure(kParseError);
    const Json::Value& total = root["total_number"];
    if (!total.isInt() || total.asInt() < 0)
        return failure(kParseError);
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

QString UploadReceiver::freeName(const QString& name) const
{
    if (!received_.contains(name))
        return name;
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > 0 ? name.left(dot) : name;
    const QString suffix = dot > 0 ? name.mid(dot) : QString();
    for (int n = 2;; ++n) {
        const QString candidate = stem + QLatin1Char('_') + QString::number(n) + suffix;
        if (!received_.contains(candidate))
            return candidate;
    }
}

UploadReceiver::Result UploadReceiver::receiveFile(const char* body, size_t length)
{
    std::string name;
    std::string bytes;
    {
        Json::Value root;
        if (!parseObject(body, length, root))
            return failure(kParseError);
        const Json::Value& code = root["returnCode"];
        const Json::Value& filename = root["filename"];
        const Json::Value& img = root["img"];
        if (!(code.isNull() || code.isInt()) || !filename.isString() || !img.isString())
            return failure(kParseError);
        name = safeName(filename.asString());
        if (name.empty())
            return failure("bad file name");
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
    const QString fileName = freeName(QString::fromUtf8(name.data(), static_cast<int>(name.size())));
    if (fileName.toUtf8().size() > 255)
        return failure("bad file name");
    const QString path = QDir(folder_).filePath(fileName);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()) ||
        !file.commit())
        return failure("write failed");
    received_.insert(fileName);
    Result result;
    result.kind = Kind::File;
    result.path = path;
    return result;
}
