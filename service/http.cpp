#include "service/http.h"

#include <curl/curl.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char kUnknownError[] = "未知的错误";

// The reply of a POST while it arrives: a heap block kept zero-terminated,
// and whether the reply went beyond the bound of an answer.
struct ResponseBlock {
    char* data = nullptr;
    size_t size = 0;
    bool tooLong = false;
};

// The body of a download while it arrives, written straight into the file.
struct FileSink {
    FILE* file = nullptr;
    long long written = 0;
    bool tooLong = false;
};

// Releases the easy handle and the header list however a call ends.
struct EasyHandle {
    CURL* curl = nullptr;
    curl_slist* headers = nullptr;
    EasyHandle() : curl(curl_easy_init()) {}
    ~EasyHandle()
    {
        if (headers)
            curl_slist_free_all(headers);
        if (curl)
            curl_easy_cleanup(curl);
    }
    void freeHeaders()
    {
        if (headers)
            curl_slist_free_all(headers);
        headers = nullptr;
    }
};

// Returns fewer bytes than given (which ends the transfer) when the file
// would grow beyond the bound of a download.
size_t writeToFile(char* data, size_t size, size_t count, void* sink)
{
    FileSink* file = static_cast<FileSink*>(sink);
    const size_t bytes = size * count;
    if (bytes > static_cast<unsigned long long>(http::kMaxDownloadBytes - file->written)) {
        file->tooLong = true;
        return 0;
    }
    const size_t done = std::fwrite(data, 1, bytes, file->file);
    file->written += static_cast<long long>(done);
    return done;
}

// The result of a transfer whose answer went beyond its bound, declared
// (libcurl refuses a declared length over CURLOPT_MAXFILESIZE_LARGE) or
// found while it arrived (the write callback refused it): to the pupil it
// is no answer of the service, as when the service cannot be reached.
CURLcode boundedResult(CURLcode code, bool tooLong)
{
    if (code == CURLE_FILESIZE_EXCEEDED || (code == CURLE_WRITE_ERROR && tooLong))
        return CURLE_COULDNT_CONNECT;
    return code;
}

// libcurl counts its global initialisations. The first one, done once per
// process, is never undone, so building and dropping a client object never
// tears the library down under another thread's transfer.
void globalInit()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_ALL); });
}

curl_slist* buildHeaders(const std::string& token)
{
    curl_slist* headers = curl_slist_append(nullptr, "Content-Type:application/json;charset=UTF-8");
    if (!token.empty())
        headers = curl_slist_append(headers, ("Authorization:" + token).c_str());
    return headers;
}

}  // namespace

http::http()
{
    globalInit();
    curl_global_init(CURL_GLOBAL_ALL);
}

http::~http()
{
    curl_global_cleanup();
}

void http::cancel()
{
    cancelled_ = true;
    std::lock_guard<std::mutex> lock(transfersMutex_);
    for (void* multi : transfers_)
        curl_multi_wakeup(static_cast<CURLM*>(multi));
}

int http::perform(void* easy)
{
    CURL* curl = static_cast<CURL*>(easy);
    CURLM* multi = curl_multi_init();
    if (!multi)
        return CURLE_FAILED_INIT;
    if (curl_multi_add_handle(multi, curl) != CURLM_OK) {
        curl_multi_cleanup(multi);
        return CURLE_FAILED_INIT;
    }
    {
        std::lock_guard<std::mutex> lock(transfersMutex_);
        transfers_.insert(multi);
    }
    // Registered before the flag is read: a cancel() from now on either is
    // seen here or wakes the wait below.
    CURLcode result = CURLE_ABORTED_BY_CALLBACK;
    while (!cancelled_) {
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            result = CURLE_FAILED_INIT;
            break;
        }
        if (running == 0) {
            int left = 0;
            const CURLMsg* done = curl_multi_info_read(multi, &left);
            result = done && done->msg == CURLMSG_DONE ? done->data.result : CURLE_FAILED_INIT;
            break;
        }
        // The transfer's time-outs are libcurl's own; cancel() ends the wait.
        if (curl_multi_poll(multi, nullptr, 0, 1000, nullptr) != CURLM_OK) {
            result = CURLE_FAILED_INIT;
            break;
        }
    }
    {
        std::lock_guard<std::mutex> lock(transfersMutex_);
        transfers_.erase(multi);
    }
    curl_multi_remove_handle(multi, curl);
    curl_multi_cleanup(multi);
    return result;
}

std::string http::token() const
{
    std::lock_guard<std::mutex> lock(tokenMutex_);
    return token_;
}

void http::setToken(const std::string& value)
{
    std::lock_guard<std::mutex> lock(tokenMutex_);
    token_ = value;
}

std::string http::url(const std::string& path) const
{
    return "http://" + host + ":" + std::to_string(port) + "/" + project + path;
}

int http::post(std::string path, std::string body, std::string& response, std::string& msg)
{
    const std::string address = url(path);
    EasyHandle handle;
    if (!handle.curl) {
        msg = "初始化lib curl失败";
        return -1;
    }
    handle.headers = buildHeaders(token());

    ResponseBlock block;
    block.data = static_cast<char*>(std::malloc(1));
    if (!block.data) {
        msg = std::string(" ") + curlErrorText(CURLE_OUT_OF_MEMORY);
        return -1;
    }
    block.data[0] = '\0';

    CURL* curl = handle.curl;
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, handle.headers);
    curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &appendResponse);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &block);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "libcurl-agent/1.0");
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 5L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 10L);
    // Calls run on worker threads: no signals for the time-outs.
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    // A declared length over the bound is refused before the body comes;
    // appendResponse bounds an answer without one.
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxAnswerBytes));

    const CURLcode performed = static_cast<CURLcode>(perform(curl));
    const CURLcode code = boundedResult(performed, block.tooLong);
    handle.freeHeaders();

    int result = -1;
    if (code != CURLE_OK) {
        msg = std::string(" ") + curlErrorText(code);
    } else {
        long status = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        if (status != 200) {
            char text[128];
            std::snprintf(text, sizeof text, "res_code:%d %s", static_cast<int>(status), kUnknownError);
            msg = text;
        } else {
            std::printf("%s %ld  %s\n", address.c_str(), status, block.data);
            std::fflush(stdout);
            response = std::string(block.data);
            result = 0;
        }
    }
    std::free(block.data);
    return result;
}

int http::download(std::string path, std::string fileName, std::string dir, std::string& msg)
{
    const std::string address = url(path);
    EasyHandle handle;
    if (!handle.curl) {
        msg = "初始化lib curl失败";
        return -1;
    }
    handle.headers = buildHeaders(token());

    CURL* curl = handle.curl;
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, handle.headers);
    curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 1L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &writeToFile);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);

    // The body goes into a hidden temporary file beside the target and
    // replaces the target only once the whole reply has arrived with 200.
    const std::string target = dir + "/" + fileName;
    std::string temp = dir + "/." + fileName + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    // mkstemp makes the file private to the owner; the downloaded file gets
    // the modes of any other file the program writes.
    if (fd >= 0)
        ::fchmod(fd, 0644);
    FILE* file = fd >= 0 ? fdopen(fd, "wb") : nullptr;
    if (!file) {
        if (fd >= 0) {
            ::close(fd);
            std::remove(temp.c_str());
        }
        msg = "创建文件失败";
        return -1;
    }

    FileSink sink;
    sink.file = file;
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 5L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 30L);
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxDownloadBytes));
    const CURLcode performed = static_cast<CURLcode>(perform(curl));
    const CURLcode code = boundedResult(performed, sink.tooLong);
    handle.freeHeaders();

    if (code != CURLE_OK) {
        msg = curlErrorText(code);
        std::fclose(file);
        std::remove(temp.c_str());
        return -1;
    }

    long status = 0;
    curl_off_t speed = 0;
    curl_off_t total = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_getinfo(curl, CURLINFO_SPEED_DOWNLOAD_T, &speed);
    curl_easy_getinfo(curl, CURLINFO_TOTAL_TIME_T, &total);
    std::fprintf(stderr, "Speed: %" PRId64 " bytes/sec during %" PRId64 ".%06ld seconds\n", static_cast<int64_t>(speed),
                 static_cast<int64_t>(total / 1000000), static_cast<long>(total % 1000000));

    const bool written = std::fclose(file) == 0;
    if (status != 200) {
        char text[128];
        std::snprintf(text, sizeof text, "res_code %d %s", static_cast<int>(status), kUnknownError);
        msg = text;
        std::remove(temp.c_str());
        return -1;
    }
    if (!written || std::rename(temp.c_str(), target.c_str()) != 0) {
        std::remove(temp.c_str());
        msg = "创建文件失败";
        return -1;
    }
    return 0;
}

size_t appendResponse(const void* data, size_t size, size_t count, void* block)
{
    ResponseBlock* response = static_cast<ResponseBlock*>(block);
    const size_t bytes = size * count;
    if (bytes > static_cast<size_t>(http::kMaxAnswerBytes) - response->size) {
        response->tooLong = true;
        return 0;
    }
    char* grown = static_cast<char*>(std::realloc(response->data, response->size + bytes + 1));
    if (!grown) {
        std::printf("not enough memory (realloc returned NULL)\n");
        return 0;
    }
    response->data = grown;
    std::memcpy(response->data + response->size, data, bytes);
    response->size += bytes;
    response->data[response->size] = '\0';
    return bytes;
}

const char* curlErrorText(int code)
{
    switch (code) {
    case 1: return "您传送的网址使用了不支持的协议。 ";
    case 2: return "初始化失败。 可能是内部错误或问题。";
    case 3: return "网址格式不正确。";
    case 5: return "无法解析代理服务器。 指定的代理服务器主机无法解析。";
    case 6: return "无法解析主机。 指定的远程主机无法解析。";
    case 7: return "无法通过连接至主机或代理服务器。";
    case 8: return "服务器返回了无法解析的数据。";
    case 9: return "服务器拒绝访问所请求的资源。";
    case 11: return "服务器对密码请求返回了异常的应答。";
    case 13: return "服务器对被动模式请求返回了异常的应答。";
    case 14: return "服务器返回的被动模式地址格式不正确。";
    case 15: return "无法找到被动模式连接所需的主机。";
    case 17: return "无法把传输模式设为二进制。";
    case 18: return "文件传输尚未完成，收到的数据比预期的少。";
    case 19: return "无法取回指定的文件。";
    case 21: return "自定义命令在服务器上执行失败。";
    case 22: return "服务器返回了表示错误的状态码。";
    case 23: return "在向本地文件写入所收到的数据时发生错误，或由写入回调 (write callback) 向 libcurl 返回了一个错误。";
    case 25: return "上传失败。 服务器拒绝接收或无法存储上传的数据。";
    case 26: return "读取本地文件时出错，或由读取回调 (read callback) 返回了一个错误。";
    case 27: return "内存分配请求失败。 此错误比较严重，若发生此错误，则表明出现了非常严重的问题。";
    case 28: return "操作超时。";
    case 30: return "主动模式端口命令失败。";
    case 31: return "无法从指定的偏移位置继续传送。";
    case 33: return "服务器不支持或不接受范围请求。";
    case 34: return "发送 POST 请求时出错。";
    case 35: return "同时使用 SSL/TLS 时可能会发生此错误。 ";
    case 36: return "无法断点续传。 指定的偏移超出了文件的范围。";
    case 37: return "无法打开文件。 文件不存在或没有读取权限。";
    case 38: return "LDAP 无法绑定。";
    case 39: return "LDAP 搜索失败。";
    case 41: return "找不到所需的函数。 所需的库可能没有正确安装。";
    case 42: return "操作被回调函数中止。";
    case 43: return "函数调用时传入了错误的参数。";
    case 45: return "无法使用指定的网络接口。";
    case 47: return "重定向过多。";
    case 48: return "传入了无法识别的选项。";
    case 49: return "Telnet 选项的格式不正确。";
    case 52: return "服务器未返回任何数据，在相应情况下，未返回任何数据就属于出现错误。";
    case 53: return "找不到指定的加密引擎。";
    case 54: return "无法把指定的加密引擎设为默认引擎。";
    case 55: return "无法发送网络数据。";
    case 56: return "接收网络数据失败。";
    case 58: return "本地客户端证书有问题。";
    case 59: return "无法使用指定的加密算法。";
    case 60: return "无法用已知的根证书验证服务器的证书。";
    case 61: return "无法识别传输所用的内容编码。";
    case 62: return "LDAP 网址无效。";
    case 63: return "文件大小超出了允许的上限。";
    case 64: return "所要求的 SSL 级别无法满足。";
    case 65: return "重发数据时无法回到数据的开头。";
    case 66: return "加密引擎初始化失败。";
    case 67: return "服务器拒绝登录，用户名或密码不正确。";
    case 68: return "在 TFTP 服务器上找不到文件。";
    case 69: return "TFTP 服务器上的权限不足。";
    case 70: return "服务器的磁盘空间已满。";
    case 71: return "非法的 TFTP 操作。";
    case 72: return "未知的 TFTP 传输编号。";
    case 73: return "文件已存在，不会被覆盖。";
    case 74: return "TFTP 服务器上没有这个用户。";
    case 75: return "字符转换失败。";
    case 76: return "调用程序必须注册字符转换回调函数。";
    case 77: return "读取 SSL 根证书时出错。";
    case 78: return "网址所指的资源不存在。";
    case 79: return "SSH 会话中发生了无法识别的错误。";
    case 80: return "无法关闭 SSL 连接。";
    default: return kUnknownError;
    }
}
