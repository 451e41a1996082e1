#include "transfer/ConnectionGuard.h"

#include <event2/buffer.h>
#include <event2/bufferevent.h>
#include <event2/event.h>
#include <event2/http.h>
#include <event2/listener.h>

#include <sys/time.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <string>

namespace {

// The listener's error callback is handed the listener's own argument (the
// evhttp), so the guard of a listener is looked up here.
std::mutex& registryMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::map<evconnlistener*, ConnectionGuard*>& registry()
{
    static std::map<evconnlistener*, ConnectionGuard*> guards;
    return guards;
}

timeval toTimeval(std::chrono::milliseconds span)
{
    timeval tv;
    tv.tv_sec = static_cast<time_t>(span.count() / 1000);
    tv.tv_usec = static_cast<suseconds_t>(span.count() % 1000 * 1000);
    return tv;
}

}  // namespace

struct ConnectionGuard::Connection {
    enum class Phase {
        Header,  // reading a header block: the header deadline runs
        Body,    // the header block is complete: the request deadline runs
        Idle,    // the request arrived whole: its handling, its reply, then
                 // nothing of the next one yet
    };

    ConnectionGuard* guard = nullptr;
    bufferevent* stream = nullptr;
    evhttp_connection* http = nullptr;  // set once adopted
    event* adopt = nullptr;
    event* deadline = nullptr;
    evbuffer_cb_entry* watch = nullptr;
    bool holding = false;  // this guard holds a reference on stream
    bool refuse = false;   // over the limit: closed as soon as it is adopted
    Phase phase = Phase::Header;
    char last[2] = {0, 0};                          // the two bytes before the next one scanned
    std::chrono::steady_clock::time_point started;  // the header block's first byte
    std::string line;                               // the start of the header line being read
    std::uint64_t declared = 0;                     // the body's declared length

    // True when ch ends the header block (an empty line, CRLF or LF).
    bool feed(char ch, std::uint64_t largestBody)
    {
        const bool end = ch == '\n' && (last[1] == '\n' || (last[1] == '\r' && last[0] == '\n'));
        last[0] = last[1];
        last[1] = ch;
        if (ch == '\n') {
            readLine(largestBody);
            line.clear();
        } else if (line.size() < 64) {
            line += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        }
        return end;
    }

    // The body's length from a "Content-Length" line; a chunked body may be
    // as long as the largest allowed.
    void readLine(std::uint64_t largestBody)
    {
        static const std::string length = "content-length:";
        if (line.compare(0, length.size(), length) == 0) {
            std::uint64_t value = 0;
            for (size_t i = length.size(); i < line.size(); ++i) {
                if (std::isdigit(static_cast<unsigned char>(line[i])))
                    value = std::min<std::uint64_t>(value * 10 + static_cast<unsigned>(line[i] - '0'), largestBody);
            }
            declared = std::max(declared, value);
        } else if (line.compare(0, 18, "transfer-encoding:") == 0) {
            declared = largestBody;
        }
    }
};

std::chrono::milliseconds ConnectionGuard::requestDeadline(const Limits& limits, std::uint64_t length)
{
    constexpr std::uint64_t kQuarterMebibyte = 256u * 1024u;
    const std::uint64_t counted = std::min(length, limits.maxBody);
    const auto quarters = static_cast<long long>((counted + kQuarterMebibyte - 1) / kQuarterMebibyte);
    return limits.requestDeadline + limits.perQuarterMebibyte * quarters;
}

ConnectionGuard::ConnectionGuard(event_base* base, evhttp* http, evconnlistener* listener, Limits limits,
                                 std::atomic<int>& open)
    : base_(base), listener_(listener), limits_(limits), open_(open)
{
    open_ = 0;
    resume_ = evtimer_new(base_, &ConnectionGuard::resumeAccepting, this);
    evhttp_set_bevcb(http, &ConnectionGuard::newStream, this);
    if (listener_) {
        {
            std::lock_guard<std::mutex> lock(registryMutex());
            registry()[listener_] = this;
        }
        evconnlistener_set_error_cb(listener_, &ConnectionGuard::acceptFailed);
    }
}

ConnectionGuard::~ConnectionGuard()
{
    releaseListener();
    // evhttp_free has closed every adopted connection (and so forgotten it);
    // what is left was never adopted, and its stream is only held here.
    for (auto& entry : connections_)
        release(entry.first);
    connections_.clear();
    if (resume_)
        event_free(resume_);
    open_ = 0;
}

bufferevent* ConnectionGuard::newStream(event_base* base, void* arg)
{
    // The same kind of stream evhttp makes for itself.
    bufferevent* stream = bufferevent_socket_new(base, -1, BEV_OPT_CLOSE_ON_FREE);
    if (!stream)
        return nullptr;
    try {
        static_cast<ConnectionGuard*>(arg)->watch(stream);
    } catch (const std::exception&) {
        // Unwatched: the connection is served without the guard's limits.
    }
    return stream;
}

// Counts the new connection at once (before the next accept) and looks at it
// again once evhttp has set it up: evhttp creates its connection for this
// stream only after this returns.
void ConnectionGuard::watch(bufferevent* stream)
{
    auto owned = std::make_unique<Connection>();
    Connection* c = owned.get();
    c->guard = this;
    c->stream = stream;
    c->adopt = event_new(base_, -1, 0, &ConnectionGuard::adoptLater, c);
    if (!c->adopt)
        return;
    connections_.emplace(c, std::move(owned));
    // Ahead of every read, so the connection is adopted before evhttp reads
    // a byte of it; the reference keeps the stream readable even when evhttp
    // gives the connection up first.
    event_priority_set(c->adopt, 0);
    bufferevent_incref(stream);
    c->holding = true;
    c->refuse = open_.load() >= limits_.connections;
    ++open_;
    if (c->refuse) {
        refusing_ = true;
        updateListener();
    }
    event_active(c->adopt, EV_TIMEOUT, 1);
}

void ConnectionGuard::adoptLater(evutil_socket_t, short, void* arg)
{
    auto* c = static_cast<Connection*>(arg);
    c->guard->adopt(c);
}

void ConnectionGuard::adopt(Connection* c)
{
    event_free(c->adopt);
    c->adopt = nullptr;
    bufferevent_data_cb reader = nullptr;
    bufferevent_data_cb writer = nullptr;
    bufferevent_event_cb onEvent = nullptr;
    void* owner = nullptr;
    bufferevent_getcb(c->stream, &reader, &writer, &onEvent, &owner);
    auto* http = static_cast<evhttp_connection*>(owner);
    // evhttp already gave the connection up (its stream has no callbacks
    // left), or the stream serves no connection of its own.
    if ((!reader && !onEvent) || !http || evhttp_connection_get_bufferevent(http) != c->stream) {
        if (c->refuse)
            refusing_ = false;
        forget(c);
        updateListener();
        return;
    }
    if (c->refuse) {
        refusing_ = false;
        evhttp_connection_free(http);
        forget(c);
        updateListener();
        return;
    }
    c->http = http;
    evhttp_connection_set_closecb(http, &ConnectionGuard::closed, c);
    c->deadline = evtimer_new(base_, &ConnectionGuard::deadlinePassed, c);
    evbuffer* input = bufferevent_get_input(c->stream);
    c->watch = evbuffer_add_cb(input, &ConnectionGuard::inputChanged, c);
    // evhttp's own reference keeps the stream from here on.
    bufferevent_decref(c->stream);
    c->holding = false;
    beginHeader(c);
    scan(c, input, 0);
}

void ConnectionGuard::release(Connection* c)
{
    if (c->adopt)
        event_free(c->adopt);
    if (c->deadline)
        event_free(c->deadline);
    if (c->holding)
        bufferevent_decref(c->stream);
}

void ConnectionGuard::forget(Connection* c)
{
    release(c);
    connections_.erase(c);
    --open_;
}

void ConnectionGuard::closed(evhttp_connection* connection, void* arg)
{
    auto* c = static_cast<Connection*>(arg);
    // Heard of once: the record goes now.
    evhttp_connection_set_closecb(connection, nullptr, nullptr);
    if (c->watch)
        evbuffer_remove_cb_entry(bufferevent_get_input(c->stream), c->watch);
    if (c->guard->closeListener_)
        c->guard->closeListener_(connection);
    c->guard->forget(c);
}

void ConnectionGuard::deadlinePassed(evutil_socket_t, short, void* arg)
{
    auto* c = static_cast<Connection*>(arg);
    // The close callback forgets the connection (and this timer with it).
    evhttp_connection_free(c->http);
}

void ConnectionGuard::beginHeader(Connection* c)
{
    c->phase = Connection::Phase::Header;
    c->last[0] = c->last[1] = 0;
    c->started = std::chrono::steady_clock::now();
    c->line.clear();
    c->declared = 0;
    if (c->deadline) {
        const timeval tv = toTimeval(limits_.headerDeadline);
        evtimer_add(c->deadline, &tv);
    }
}

// Looks through the bytes of buffer from offset `from` for the end of the
// header block; found, the deadline stops.
void ConnectionGuard::scan(Connection* c, evbuffer* buffer, size_t from)
{
    if (c->phase != Connection::Phase::Header)
        return;
    evbuffer_ptr position;
    if (evbuffer_ptr_set(buffer, &position, from, EVBUFFER_PTR_SET) != 0)
        return;
    char chunk[4096];
    for (;;) {
        const ev_ssize_t n = evbuffer_copyout_from(buffer, &position, chunk, sizeof chunk);
        if (n <= 0)
            return;
        for (ev_ssize_t i = 0; i < n; ++i) {
            if (c->feed(chunk[i], limits_.maxBody)) {
                beginBody(c);
                return;
            }
        }
        if (evbuffer_ptr_set(buffer, &position, static_cast<size_t>(n), EVBUFFER_PTR_ADD) != 0)
            return;
    }
}

// The header block is complete: what is left of the whole request's time
// (from the header block's first byte) is the body's.
void ConnectionGuard::beginBody(Connection* c)
{
    c->phase = Connection::Phase::Body;
    if (!c->deadline)
        return;
    event_del(c->deadline);
    const auto end = c->started + requestDeadline(limits_, c->declared);
    const auto left = std::max(std::chrono::milliseconds(0), std::chrono::duration_cast<std::chrono::milliseconds>(
                                                                 end - std::chrono::steady_clock::now()));
    const timeval tv = toTimeval(left);
    evtimer_add(c->deadline, &tv);
}

void ConnectionGuard::inputChanged(evbuffer* buffer, const evbuffer_cb_info* info, void* arg)
{
    if (info->n_added == 0)
        return;
    auto* c = static_cast<Connection*>(arg);
    if (c->phase == Connection::Phase::Idle)
        c->guard->beginHeader(c);
    if (c->phase != Connection::Phase::Header)
        return;
    // What was added is at the end of the buffer.
    const size_t length = evbuffer_get_length(buffer);
    c->guard->scan(c, buffer, length > info->n_added ? length - info->n_added : 0);
}

void ConnectionGuard::releaseListener()
{
    if (!listener_)
        return;
    std::lock_guard<std::mutex> lock(registryMutex());
    registry().erase(listener_);
    listener_ = nullptr;
}

void ConnectionGuard::requestArrived(evhttp_connection* connection)
{
    for (auto& entry : connections_) {
        Connection* c = entry.first;
        if (c->http != connection)
            continue;
        c->phase = Connection::Phase::Idle;
        event_del(c->deadline);
        // A pipelined request already read starts its header block now.
        evbuffer* input = bufferevent_get_input(c->stream);
        if (evbuffer_get_length(input) > 0) {
            beginHeader(c);
            scan(c, input, 0);
        }
        return;
    }
}

void ConnectionGuard::acceptFailed(evconnlistener* listener, void*)
{
    const int error = EVUTIL_SOCKET_ERROR();
    ConnectionGuard* guard = nullptr;
    {
        std::lock_guard<std::mutex> lock(registryMutex());
        auto it = registry().find(listener);
        if (it != registry().end())
            guard = it->second;
    }
    if (guard)
        guard->pauseAccepting(error);
}

void ConnectionGuard::pauseAccepting(int error)
{
    if (!resume_)
        return;  // nothing could end a pause
    std::fprintf(stderr, "accept() failed: %s; no new connections for %lld ms\n", evutil_socket_error_to_string(error),
                 static_cast<long long>(limits_.acceptPause.count()));
    paused_ = true;
    updateListener();
    const timeval tv = toTimeval(limits_.acceptPause);
    evtimer_add(resume_, &tv);
}

void ConnectionGuard::resumeAccepting(evutil_socket_t, short, void* arg)
{
    auto* guard = static_cast<ConnectionGuard*>(arg);
    guard->paused_ = false;
    guard->updateListener();
}

void ConnectionGuard::updateListener()
{
    const bool wanted = !paused_ && !refusing_;
    if (!listener_ || wanted == listening_)
        return;
    if (wanted)
        evconnlistener_enable(listener_);
    else
        evconnlistener_disable(listener_);
    listening_ = wanted;
}
