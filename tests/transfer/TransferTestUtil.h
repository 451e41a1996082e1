#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QString>
#include <QThread>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "transfer/QRcodeImage.h"
#include "transfer/TransferEndpoint.h"
#include "transfer/libevent.h"

namespace transfertest {

// A phone's upload of one picture, as the upload page posts it to /uploadfile:
// the name and the bytes in base64, after `prefix` (a data-URL head, say).
inline std::string fileBody(const std::string& name, const std::string& bytes, const std::string& prefix = "")
{
    return "{\"returnCode\":0,\"filename\":\"" + name + "\",\"img\":\"" + prefix +
           QByteArray::fromStdString(bytes).toBase64().toStdString() + "\"}";
}

// The bytes of a PNG of one colour.
inline std::string pngBytes(int width, int height, QColor color)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

// Processes events until pred() holds or ms pass; the final pred().
inline bool waitUntil(const std::function<bool()>& pred, int ms = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!pred()) {
        if (clock.elapsed() > ms)
            return pred();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

struct Reply {
    int status = 0;
    std::map<std::string, std::string> headers;  // names in lower case
    std::string body;
    std::string header(const std::string& name) const
    {
        auto it = headers.find(name);
        return it == headers.end() ? std::string() : it->second;
    }
};

// A socket connected to 127.0.0.1:port with 10 s time-outs; -1 on failure.
inline int connectLoopback(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    timeval limit{10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

inline bool sendAll(int fd, const std::string& data)
{
    size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

// Sends one raw request (it should ask for "Connection: close") and reads the
// reply until the server closes; status 0 when nothing came back.
inline Reply rawRequest(int port, const std::string& request)
{
    Reply reply;
    const int fd = connectLoopback(port);
    if (fd < 0)
        return reply;
    std::string data;
    if (sendAll(fd, request)) {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            data.append(buffer, static_cast<size_t>(n));
        }
    }
    ::close(fd);
    const size_t end = data.find("\r\n\r\n");
    if (data.compare(0, 5, "HTTP/") != 0 || end == std::string::npos)
        return reply;
    reply.status = std::atoi(data.c_str() + data.find(' ') + 1);
    size_t line = data.find("\r\n") + 2;
    while (line < end) {
        const size_t next = data.find("\r\n", line);
        const std::string header = data.substr(line, next - line);
        const size_t colon = header.find(':');
        if (colon != std::string::npos) {
            std::string name = header.substr(0, colon);
            for (char& c : name)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            size_t value = colon + 1;
            while (value < header.size() && header[value] == ' ')
                ++value;
            reply.headers[name] = header.substr(value);
        }
        line = next + 2;
    }
    reply.body = data.substr(end + 4);
    return reply;
}

inline Reply get(int port, const std::string& path, const std::string& method = "GET")
{
    return rawRequest(port, method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
}

inline Reply post(int port, const std::string& path, const std::string& body)
{
    return rawRequest(port, "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\nContent-Length: " +
                                std::to_string(body.size()) + "\r\n\r\n" + body);
}

inline std::string readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::string();
    return file.readAll().toStdString();
}

inline bool writeFile(const QString& path, const std::string& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
}

// While it lives the dialogs listen on 127.0.0.1 with a port chosen by the
// system and show "127.0.0.1" as their address.
class LoopbackTransfer {
public:
    explicit LoopbackTransfer(std::vector<std::string> addresses = {"127.0.0.1"}, int rc = 0)
    {
        previousEndpoint_ = transfer::setEndpoint({"127.0.0.1", 0});
        previousProvider_ = transfer::setAddressProvider([addresses, rc](std::vector<std::string>& list) {
            list.insert(list.end(), addresses.begin(), addresses.end());
            return rc;
        });
    }
    ~LoopbackTransfer()
    {
        transfer::setEndpoint(previousEndpoint_);
        transfer::setAddressProvider(previousProvider_);
    }

private:
    transfer::Endpoint previousEndpoint_;
    transfer::AddressProvider previousProvider_;
};

// A server that records its callbacks.
class ProbeServer : public libevent {
public:
    ~ProbeServer() override { stop(); }

    void on_document(const char* path) override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        documents_.emplace_back(path);
    }
    void on_request(const char* uri, const char* body, int length) override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.emplace_back(uri, std::string(body, static_cast<size_t>(length)));
    }
    void on_success() override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++successes_;
        changed_.notify_all();
    }
    void on_failed(std::string message) override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        failures_.push_back(message);
        changed_.notify_all();
    }

    // Starts on 127.0.0.1 and waits until it serves or failed; the port or 0.
    int startLoopback(const std::string& root, int port = 0)
    {
        setBindAddress("127.0.0.1");
        size_t before = 0;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            before = static_cast<size_t>(successes_) + failures_.size();
        }
        if (start(root.c_str(), port) != 0)
            return 0;
        std::unique_lock<std::mutex> lock(mutex_);
        const bool ended = changed_.wait_for(lock, std::chrono::seconds(10), [this, before] {
            return static_cast<size_t>(successes_) + failures_.size() > before;
        });
        return ended && failures_.size() == 0 ? this->port() : 0;
    }

    std::vector<std::string> documentsSeen()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return documents_;
    }
    std::vector<std::pair<std::string, std::string>> requestsSeen()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }
    std::vector<std::string> failuresSeen()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return failures_;
    }
    int successesSeen()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return successes_;
    }
    void clear()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        documents_.clear();
        requests_.clear();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> documents_;
    std::vector<std::pair<std::string, std::string>> requests_;
    std::vector<std::string> failures_;
    int successes_ = 0;
};

// A listening socket on 127.0.0.1 with a port chosen by the system.
class BusyPort {
public:
    BusyPort()
    {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && ::listen(fd_, 4) == 0 &&
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            port_ = ntohs(address.sin_port);
    }
    ~BusyPort() { ::close(fd_); }
    int port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

}  // namespace transfertest
