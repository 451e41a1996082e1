#pragma once

#include <event2/util.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct event;
struct event_base;
struct evhttp_connection;
struct evhttp_request;

// Runs the server's request handling on threads of its own, so a request
// that takes long (a phone's picture of 100 megapixels, checked by decoding
// it) never holds the event loop: pages, files and other phones are served
// meanwhile. The server thread submits a request with its body and later
// sends the reply, once the handler is done, from the loop:
//
//     RequestWorkers workers(base, 4, [](const std::string& uri, const std::string& body) {
//         return handle(uri, body);                  // a worker thread: the HTTP status
//     }, sendReply);                                 // the server thread
//     workers.submit(req, uri, std::move(body));     // the server thread
//
// A request whose connection failed meanwhile (the phone left) is still
// answered: the library has let go of it and frees it when it is answered.
// A request whose connection is freed with it (connectionClosing, from the
// connection's close callback) is not answered. The destructor (on the
// server thread, before evhttp_free) waits for the handlers that run and
// answers nothing more: the requests still queued are freed with their
// connections.
class RequestWorkers {
public:
    using Handler = std::function<int(const std::string& uri, const std::string& body)>;
    using Reply = std::function<void(evhttp_request* req, int status)>;

    // False from ok() when no thread or event could be had: the caller then
    // handles requests itself.
    RequestWorkers(event_base* base, int threads, Handler handler, Reply reply);
    ~RequestWorkers();
    RequestWorkers(const RequestWorkers&) = delete;
    RequestWorkers& operator=(const RequestWorkers&) = delete;

    bool ok() const { return delivered_ != nullptr && !threads_.empty(); }
    void submit(evhttp_request* req, std::string uri, std::string body);
    // The server thread: `connection` is being freed; the requests it still
    // holds go with it and are not answered.
    void connectionClosing(evhttp_connection* connection);

private:
    struct Job {
        evhttp_request* req = nullptr;  // null: not to be answered
        evhttp_connection* connection = nullptr;
        std::string uri;
        std::string body;
        int status = 200;
    };
    using JobPtr = std::shared_ptr<Job>;

    void work();
    static void deliver(evutil_socket_t fd, short what, void* arg);

    Handler handler_;
    Reply reply_;
    event* delivered_ = nullptr;  // made active by a worker when a job is done
    std::mutex mutex_;
    std::condition_variable queued_;
    std::deque<JobPtr> waiting_;  // guarded by mutex_
    std::deque<JobPtr> done_;     // guarded by mutex_
    std::list<JobPtr> live_;      // every job not yet answered; guarded by mutex_
    bool stopping_ = false;       // guarded by mutex_
    std::vector<std::thread> threads_;
};
