#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include <event2/util.h>

struct bufferevent;
struct event;
struct event_base;
struct evbuffer;
struct evbuffer_cb_info;
struct evconnlistener;
struct evhttp;
struct evhttp_connection;

// Keeps the phone-transfer server's connections in bounds. Everything runs
// on the server thread:
//
//  - at most `connections` are open at once; one accepted beyond them is
//    closed before a byte of it is read (and the listener waits for that
//    before it accepts the next), so the server never holds more than
//    connections + 1 sockets;
//  - every request's header block must be complete within `headerDeadline`
//    of its first byte (the first request's: of the accept), and the whole
//    request, its body included, within requestDeadline(declared length) of
//    that same byte: `requestDeadline` plus `perQuarterMebibyte` for every
//    256 KiB (begun) of its Content-Length (a chunked body counts as the
//    largest allowed, `maxBody`). A connection that is slower is closed,
//    however steadily it trickles. Replies and idle keep-alive time are not
//    counted (the server's idle time-out covers them);
//  - an accept() that fails (no descriptor left, ...) pauses the listener for
//    `acceptPause` instead of being retried at once, so the loop never spins
//    on a connection it cannot take.
//
// It hooks into evhttp through the library's own calls: the bufferevent
// callback (one call per accepted socket, before anything is read) and the
// connection's close callback. The connection behind a new bufferevent is the
// argument evhttp gives that bufferevent's callbacks; it is checked against
// the connection's own bufferevent before it is used.
//
// Build it once the socket is bound; destroy it after evhttp_free and before
// event_base_free.
class ConnectionGuard {
public:
    struct Limits {
        int connections = 64;
        std::chrono::milliseconds headerDeadline{20000};
        std::chrono::milliseconds requestDeadline{20000};
        std::chrono::milliseconds perQuarterMebibyte{1000};
        std::uint64_t maxBody = 32u * 1024u * 1024u;
        std::chrono::milliseconds acceptPause{1000};
    };

    // The time a request whose body declares `length` bytes may take from
    // its first byte to its last (`length` above maxBody counts as maxBody).
    static std::chrono::milliseconds requestDeadline(const Limits& limits, std::uint64_t length);

    // open: kept equal to the number of open connections, for readers on
    // other threads.
    ConnectionGuard(event_base* base, evhttp* http, evconnlistener* listener, Limits limits, std::atomic<int>& open);
    ~ConnectionGuard();

    // A whole request (header block and body) arrived on connection: the next
    // header block starts with its next byte.
    void requestArrived(evhttp_connection* connection);
    // Before evhttp_free, which frees the listener: it is not touched again.
    void releaseListener();
    // Told of every adopted connection as it is freed (before its requests
    // go), for whoever holds one of its requests.
    void setCloseListener(std::function<void(evhttp_connection*)> listener) { closeListener_ = std::move(listener); }

private:
    ConnectionGuard(const ConnectionGuard&) = delete;
    ConnectionGuard& operator=(const ConnectionGuard&) = delete;

    struct Connection;

    static bufferevent* newStream(event_base* base, void* arg);
    static void adoptLater(evutil_socket_t fd, short what, void* arg);
    static void closed(evhttp_connection* connection, void* arg);
    static void deadlinePassed(evutil_socket_t fd, short what, void* arg);
    static void inputChanged(evbuffer* buffer, const evbuffer_cb_info* info, void* arg);
    static void acceptFailed(evconnlistener* listener, void* arg);
    static void resumeAccepting(evutil_socket_t fd, short what, void* arg);

    void watch(bufferevent* stream);
    void adopt(Connection* connection);
    // Frees the connection's timers and drops this guard's hold on its stream.
    static void release(Connection* connection);
    void forget(Connection* connection);
    void beginHeader(Connection* connection);
    void beginBody(Connection* connection);
    void scan(Connection* connection, evbuffer* buffer, size_t from);
    void pauseAccepting(int error);
    void updateListener();

    event_base* base_;
    evconnlistener* listener_;
    Limits limits_;
    std::atomic<int>& open_;
    event* resume_ = nullptr;
    bool listening_ = true;
    bool paused_ = false;    // after a failed accept
    bool refusing_ = false;  // a connection over the limit waits to be closed
    std::map<Connection*, std::unique_ptr<Connection>> connections_;
    std::function<void(evhttp_connection*)> closeListener_;
};
