#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct event_base;
struct evhttp;
struct evhttp_request;

// A small HTTP server on 127.0.0.1 (port chosen by the system) for the web
// service's tests. It runs its event loop on a thread of its own, records
// every request and answers from a script: a reply per path, else the
// default reply.
class ScriptedServer {
public:
    struct Request {
        std::string method;
        std::string path;
        std::map<std::string, std::string> headers;  // names in lower case
        std::string body;
        bool hasHeader(const std::string& name) const { return headers.count(name) != 0; }
        std::string header(const std::string& name) const
        {
            auto it = headers.find(name);
            return it == headers.end() ? std::string() : it->second;
        }
    };
    struct Reply {
        int status = 200;
        std::string body;
    };

    ScriptedServer();
    ~ScriptedServer();

    int port() const { return port_; }

    void setReply(const std::string& path, int status, const std::string& body);
    void setDefaultReply(int status, const std::string& body);

    std::vector<Request> requests() const;
    std::vector<std::string> paths() const;
    void clearRequests();

private:
    static void handle(evhttp_request* request, void* self);

    event_base* base_ = nullptr;
    evhttp* http_ = nullptr;
    int port_ = 0;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::map<std::string, Reply> replies_;
    Reply defaultReply_{200, "{\"returnCode\":0,\"returnMsg\":\"ok\"}"};
    std::vector<Request> requests_;
};

// A socket that listens on 127.0.0.1 but never accepts nor answers: the
// system completes the connection, the client's request goes unanswered.
class SilentServer {
public:
    SilentServer();
    ~SilentServer();
    int port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

// A loopback port on which nothing listens: connections to it are refused.
// The port stays reserved for the rest of the test process.
int closedLoopbackPort();
