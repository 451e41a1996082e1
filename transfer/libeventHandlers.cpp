// The request side of the phone-transfer server: files, folder listings and
// request bodies.
#include "transfer/libevent.h"

#include "transfer/RequestWorkers.h"

#include <event2/buffer.h>
#include <event2/bufferevent.h>
#include <event2/http.h>
#include <event2/keyvalq_struct.h>
#include <event2/util.h>

#include <QByteArray>
#include <QString>
#include <QTextCodec>

#include <dirent.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

const char* const kNotFound = "Document was not found";

// The status of the request whose on_request runs on this thread.
thread_local int* t_requestStatus = nullptr;

// Points t_requestStatus at one request's status while its on_request runs.
class StatusScope {
public:
    explicit StatusScope(int* status) { t_requestStatus = status; }
    ~StatusScope() { t_requestStatus = nullptr; }
    StatusScope(const StatusScope&) = delete;
    StatusScope& operator=(const StatusScope&) = delete;
};

struct ContentType {
    const char* suffix;
    const char* type;
};

const ContentType kContentTypes[] = {
    {"txt", "text/plain"},  {"c", "text/plain"},  {"h", "text/plain"},        {"html", "text/html"},
    {"htm", "text/htm"},    {"css", "text/css"},  {"gif", "image/gif"},       {"jpg", "image/jpeg"},
    {"jpeg", "image/jpeg"}, {"png", "image/png"}, {"pdf", "application/pdf"}, {"ps", "application/postscript"},
};

void notFound(evhttp_request* req)
{
    evhttp_send_error(req, HTTP_NOTFOUND, kNotFound);
}

// The reason phrase of the error statuses an owner may answer with.
const char* reasonOf(int status)
{
    switch (status) {
    case 400: return "Bad Request";
    case 413: return "Payload Too Large";
    case 415: return "Unsupported Media Type";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return nullptr;  // the library's own
    }
}

std::string htmlEscaped(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

// Every byte outside the unreserved set percent-encoded, so a name such as
// "a#1.pdf" or "a b?.doc" stays one path segment.
std::string percentEncoded(const std::string& name)
{
    std::unique_ptr<char, decltype(&std::free)> encoded(
        evhttp_uriencode(name.c_str(), static_cast<ev_ssize_t>(name.size()), 0), &std::free);
    return encoded ? std::string(encoded.get()) : std::string();
}

bool isUnder(const std::string& path, const std::string& root)
{
    if (root.empty())
        return false;
    if (path == root)
        return true;
    const std::string prefix = root == "/" ? root : root + "/";
    return path.compare(0, prefix.size(), prefix) == 0;
}

std::vector<std::string> folderEntries(const std::string& folder, bool& ok)
{
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    ok = dir != nullptr;
    if (!dir)
        return names;
    while (dirent* entry = ::readdir(dir))
        names.emplace_back(entry->d_name);
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

// Wraps a C callback body: no exception may unwind into the library.
template <typename F>
void guarded(evhttp_request* req, F&& body)
{
    try {
        body();
    } catch (...) {
        evhttp_send_error(req, HTTP_INTERNAL, nullptr);
    }
}

}  // namespace

// Answers a request body's request with `status` (200: "OK", others as an
// error page); libevent.cpp hands it to the request workers.
void sendRequestStatus(evhttp_request* req, int status);

void documentHandler(evhttp_request* req, void* arg)
{
    auto* server = static_cast<libevent*>(arg);
    server->requestArrived(req);
    guarded(req, [&] { server->handleDocument(req); });
}

void requestHandler(evhttp_request* req, void* arg)
{
    auto* server = static_cast<libevent*>(arg);
    server->requestArrived(req);
    guarded(req, [&] { server->handleRequest(req); });
}

const char* contentTypeOf(const char* path)
{
    const char* dot = std::strrchr(path, '.');
    if (!dot || std::strchr(dot, '/'))
        return "application/misc";
    const char* suffix = dot + 1;
    for (const ContentType& entry : kContentTypes) {
        if (evutil_ascii_strcasecmp(entry.suffix, suffix) == 0)
            return entry.type;
    }
    return "application/misc";
}

bool utf8ToAnsi(const char* utf8, char* out, size_t size)
{
    if (size == 0)
        return false;
    out[0] = '\0';
    QTextCodec* codec = QTextCodec::codecForLocale();
    const size_t length = std::strlen(utf8);
    QByteArray converted;
    if (codec && codec->mibEnum() != 106)  // 106: UTF-8, kept byte for byte
        converted = codec->fromUnicode(QString::fromUtf8(utf8, static_cast<int>(length)));
    else
        converted = QByteArray(utf8, static_cast<int>(length));
    if (static_cast<size_t>(converted.size()) >= size)
        return false;
    std::memcpy(out, converted.constData(), static_cast<size_t>(converted.size()) + 1);
    return true;
}

void libevent::handleRequest(evhttp_request* req)
{
    const char* uri = evhttp_request_get_uri(req);
    evbuffer* input = evhttp_request_get_input_buffer(req);
    std::string body;
    try {
        body.resize(evbuffer_get_length(input));
    } catch (const std::bad_alloc&) {
        std::printf("not enough memory (realloc returned NULL)\r\n");
        evhttp_send_error(req, HTTP_INTERNAL, nullptr);
        return;
    }
    // Moved over in slices, each drained as it goes, so the body is held
    // about once, not twice.
    size_t filled = 0;
    while (filled < body.size()) {
        const size_t slice = std::min<size_t>(body.size() - filled, 1u << 20);
        const int moved = evbuffer_remove(input, &body[filled], slice);
        if (moved <= 0)
            break;
        filled += static_cast<size_t>(moved);
    }
    body.resize(filled);
    // A phone sends picture after picture of several megabytes: the memory
    // that held a body in the library's small pieces, and later the body
    // itself, goes back to the system at once, so bodies do not pile up.
    const bool large = body.size() >= (1u << 20);
    if (large)
        ::malloc_trim(0);
    if (workers_) {
        // Answered from the loop once a worker has handled it.
        workers_->submit(req, uri ? uri : "", std::move(body));
        return;
    }
    const int status = runRequest(uri ? uri : "", body);
    std::string().swap(body);
    sendRequestStatus(req, status);
    if (large)
        ::malloc_trim(0);
}

int libevent::runRequest(const std::string& uri, const std::string& body)
{
    int status = HTTP_OK;
    const StatusScope scope(&status);
    on_request(uri.c_str(), body.c_str(), static_cast<int>(body.size()));
    return status;
}

void libevent::setRequestStatus(int status)
{
    if (t_requestStatus)
        *t_requestStatus = status;
}

void sendRequestStatus(evhttp_request* req, int status)
{
    if (status == HTTP_OK)
        evhttp_send_reply(req, HTTP_OK, "OK", nullptr);
    else
        evhttp_send_error(req, status, reasonOf(status));
}

void libevent::handleDocument(evhttp_request* req)
{
    if (evhttp_request_get_command(req) != EVHTTP_REQ_GET) {
        handleRequest(req);
        return;
    }
    const char* uri = evhttp_request_get_uri(req);
    std::unique_ptr<evhttp_uri, decltype(&evhttp_uri_free)> parsed(evhttp_uri_parse(uri), &evhttp_uri_free);
    if (!parsed) {
        evhttp_send_error(req, HTTP_BADREQUEST, nullptr);
        return;
    }
    const char* rawPath = evhttp_uri_get_path(parsed.get());
    const std::string requestPath = rawPath && *rawPath ? rawPath : "/";

    size_t decodedLength = 0;
    std::unique_ptr<char, decltype(&std::free)> decoded(evhttp_uridecode(requestPath.c_str(), 0, &decodedLength),
                                                        &std::free);
    if (!decoded)
        return notFound(req);
    const std::string path(decoded.get(), decodedLength);
    if (path.find('\0') != std::string::npos || path.find("..") != std::string::npos || path.empty() || path[0] != '/')
        return notFound(req);

    // The page of the root answers "/" and "/index.html".
    const bool isPage = path == "/" || path == "/index.html";
    if (!isPage && !offered(path))
        return notFound(req);
    const std::string reported = isPage ? "/index.html" : path;
    const std::string relative = isPage ? "/" + indexFile_ : path;

    char rootName[PATH_MAX];
    char relativeName[PATH_MAX];
    if (!utf8ToAnsi(root_.c_str(), rootName, sizeof rootName) ||
        !utf8ToAnsi(relative.c_str(), relativeName, sizeof relativeName))
        return notFound(req);
    const std::string name = std::string(rootName) + "/" + relativeName;

    // Links may point anywhere: only what lies under the root is served.
    char resolved[PATH_MAX];
    if (!::realpath(name.c_str(), resolved) || !isUnder(resolved, canonicalRoot_))
        return notFound(req);
    struct stat info;
    if (::stat(resolved, &info) != 0)
        return notFound(req);

    if (S_ISDIR(info.st_mode)) {
        bool ok = false;
        const std::vector<std::string> names = folderEntries(resolved, ok);
        if (!ok)
            return notFound(req);
        const char* slash = (!requestPath.empty() && requestPath.back() == '/') ? "" : "/";
        std::string page = "<!DOCTYPE html>\n<html>\n <head>\n  <meta charset='utf-8'>\n  <title>" + htmlEscaped(path) +
                           "</title>\n  <base href='" + htmlEscaped(requestPath + slash) +
                           "'>\n </head>\n <body>\n  <h1>" + htmlEscaped(path) + "</h1>\n  <ul>\n";
        for (const std::string& entry : names)
            page += "    <li><a href=\"" + htmlEscaped(percentEncoded(entry)) + "\">" + htmlEscaped(entry) + "</a>\n";
        page += "</ul></body></html>\n";
        std::unique_ptr<evbuffer, decltype(&evbuffer_free)> reply(evbuffer_new(), &evbuffer_free);
        if (!reply)
            return notFound(req);
        evbuffer_add(reply.get(), page.data(), page.size());
        evhttp_add_header(evhttp_request_get_output_headers(req), "Content-Type", "text/html;charset=utf8");
        evhttp_send_reply(req, HTTP_OK, "OK", reply.get());
        on_document(reported.c_str());
        return;
    }
    if (!S_ISREG(info.st_mode))
        return notFound(req);  // a FIFO or a device would block the server thread

    const int fd = ::open(resolved, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        std::perror("open");
        return notFound(req);
    }
    struct stat opened;
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        ::close(fd);
        return notFound(req);
    }
    evkeyvalq* headers = evhttp_request_get_output_headers(req);
    evhttp_add_header(headers, "Content-Type", contentTypeOf(relative.c_str()));
    evhttp_add_header(headers, "Content-Length", std::to_string(opened.st_size).c_str());
    // The file goes straight onto the connection's own buffer: only there
    // does the library send it with sendfile instead of mapping it.
    evhttp_send_reply_start(req, HTTP_OK, "OK");
    evhttp_connection* connection = evhttp_request_get_connection(req);
    bufferevent* stream = connection ? evhttp_connection_get_bufferevent(connection) : nullptr;
    if (stream && opened.st_size > 0) {
        bufferevent_priority_set(stream, 2);
        if (evbuffer_add_file(bufferevent_get_output(stream), fd, 0, opened.st_size) != 0)
            ::close(fd);  // the connection closes short of the announced length
    } else {
        ::close(fd);
    }
    evhttp_send_reply_end(req);
    on_document(reported.c_str());
}
