#include "transfer/libevent.h"

#include <event2/event.h>
#include <event2/http.h>
#include <event2/listener.h>
#include <event2/thread.h>
#include <event2/util.h>

#include <arpa/inet.h>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "transfer/ConnectionGuard.h"
#include "transfer/RequestWorkers.h"

void documentHandler(evhttp_request* req, void* arg);
void requestHandler(evhttp_request* req, void* arg);
void sendRequestStatus(evhttp_request* req, int status);

namespace {

// Locks for every base, and no SIGPIPE: a phone that drops a connection in
// the middle of a file must not end the program (the file goes out with
// sendfile, which cannot be told not to raise it).
void prepareProcessOnce()
{
    static std::once_flag once;
    std::call_once(once, [] {
        evthread_use_pthreads();
        std::signal(SIGPIPE, SIG_IGN);
    });
}

std::string resolvedPath(const std::string& path)
{
    char buffer[PATH_MAX];
    if (!::realpath(path.c_str(), buffer))
        return path;
    return buffer;
}

// 0 for 192.168/16, 1 for 10/8, 2 for 172.16/12, 3 for other addresses,
// 4 for link-local 169.254/16: the order in which a phone most likely
// reaches them.
int addressRank(uint32_t hostOrder)
{
    if ((hostOrder >> 16) == 0xC0A8)
        return 0;
    if ((hostOrder >> 24) == 10)
        return 1;
    if ((hostOrder >> 20) == 0xAC1)
        return 2;
    if ((hostOrder >> 16) == 0xA9FE)
        return 4;
    return 3;
}

}  // namespace

libevent::libevent() = default;

libevent::~libevent()
{
    stop();
}

void libevent::on_document(const char*) {}

void libevent::on_request(const char*, const char*, int) {}

void libevent::on_success() {}

void libevent::on_failed(std::string) {}

int libevent::start(const char* root, int port)
{
    if (thread_.joinable())
        return -1;
    {
        std::lock_guard<std::mutex> lock(baseMutex_);
        stopRequested_ = false;
    }
    root_ = root ? root : "";
    try {
        thread_ = std::thread([this, port] { run(nullptr, port); });
    } catch (const std::exception&) {
        return -1;
    }
    return 0;
}

void libevent::requestStop()
{
    std::lock_guard<std::mutex> lock(baseMutex_);
    stopRequested_ = true;
    // loopexit (not loopbreak) queues an event, so it also ends a loop that
    // has not begun to dispatch yet.
    if (base_)
        event_base_loopexit(base_, nullptr);
}

void libevent::stop()
{
    requestStop();
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}

bool libevent::setBase(event_base* base)
{
    std::lock_guard<std::mutex> lock(baseMutex_);
    if (stopRequested_)
        return false;
    base_ = base;
    return true;
}

void libevent::clearBase()
{
    std::lock_guard<std::mutex> lock(baseMutex_);
    base_ = nullptr;
}

std::string libevent::listenUrl() const
{
    std::lock_guard<std::mutex> lock(urlMutex_);
    return listenUrl_;
}

void libevent::run(const char* root, int port)
{
    if (root)
        root_ = root;
    boundPort_ = 0;
    {
        std::lock_guard<std::mutex> lock(urlMutex_);
        listenUrl_.clear();
    }
    char converted[PATH_MAX];
    canonicalRoot_ = utf8ToAnsi(root_.c_str(), converted, sizeof converted) ? resolvedPath(converted) : std::string();

    prepareProcessOnce();
    event_config* config = event_config_new();
    event_base* base = config ? event_base_new_with_config(config) : nullptr;
    if (config)
        event_config_free(config);
    if (!base) {
        std::fprintf(stderr, "Couldn't create an event_base: exiting\n");
        on_failed("Couldn't create an event_base");
        return;
    }
    // Three priorities: connections sending a file drop to the lowest, so a
    // page or a request is answered between the pieces of large files.
    event_base_priority_init(base, 3);
    if (setBase(base)) {
        serve(base, port);
        clearBase();
    }
    event_base_free(base);
}

void libevent::serve(event_base* base, int port)
{
    evhttp* http = evhttp_new(base);
    if (!http) {
        std::fprintf(stderr, "couldn't create evhttp. Exiting.\n");
        on_failed("couldn't create evhttp");
        return;
    }
    evhttp_set_max_body_size(http, static_cast<ev_ssize_t>(maxBodySize()));
    evhttp_set_max_headers_size(http, 32 * 1024);
    evhttp_set_timeout(http, 30);
    // Read (and drop) the rest of a refused body so the client sees the 413.
    evhttp_set_flags(http, EVHTTP_SERVER_LINGERING_CLOSE);
    evhttp_set_cb(http, "/dump", requestHandler, this);
    evhttp_set_gencb(http, documentHandler, this);

    evhttp_bound_socket* handle = evhttp_bind_socket_with_handle(http, bindAddress_.c_str(),
                                                                 static_cast<ev_uint16_t>(port));
    if (!handle) {
        on_failed("couldn't bind to port : " + std::to_string(port));
        std::fprintf(stderr, "couldn't bind to port %d. Exiting.\n", port);
    } else if (listenAddress(handle) != 0) {
        on_failed("display_listen_sock error");
    } else {
        dispatch(base, http, handle);
        return;
    }
    evhttp_free(http);
}

void libevent::dispatch(event_base* base, evhttp* http, evhttp_bound_socket* handle)
{
    ConnectionGuard::Limits limits;
    limits.connections = connectionLimit_ > 0 ? connectionLimit_ : defaultConnectionLimit();
    limits.headerDeadline = headerDeadline_;
    limits.requestDeadline = requestDeadline_;
    limits.perQuarterMebibyte = perQuarterMebibyte_;
    limits.maxBody = maxBodySize();
    std::unique_ptr<ConnectionGuard> guard;
    try {
        guard = std::make_unique<ConnectionGuard>(base, http, evhttp_bound_socket_get_listener(handle), limits,
                                                  openConnections_);
    } catch (const std::exception&) {
        on_failed("not enough memory");
        evhttp_free(http);
        return;
    }
    std::unique_ptr<RequestWorkers> workers;
    if (requestWorkers_ > 0) {
        workers = std::make_unique<RequestWorkers>(
            base, requestWorkers_,
            [this](const std::string& uri, const std::string& body) { return runRequest(uri, body); },
            &sendRequestStatus);
        if (workers->ok())
            guard->setCloseListener([w = workers.get()](evhttp_connection* c) { w->connectionClosing(c); });
        else
            workers.reset();
    }
    guard_ = guard.get();
    workers_ = workers.get();
    on_success();
    event_base_dispatch(base);
    // The handlers still running finish first; no reply goes out after this.
    workers_ = nullptr;
    guard->setCloseListener(nullptr);
    workers.reset();
    guard_ = nullptr;
    // evhttp_free frees the listener, then closes every connection, which the
    // guard hears of: it goes after them and before the base.
    guard->releaseListener();
    evhttp_free(http);
    guard.reset();
}

int libevent::defaultConnectionLimit()
{
    constexpr int kMost = 64;
    rlimit limit;
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return kMost;
    const rlim_t quarter = limit.rlim_cur / 4;
    return static_cast<int>(std::max<rlim_t>(1, std::min<rlim_t>(kMost, quarter)));
}

void libevent::serveOnly(const std::vector<std::string>& names)
{
    servedOnly_ = true;
    servedNames_.clear();
    for (const std::string& name : names)
        servedNames_.insert("/" + name);
}

bool libevent::offered(const std::string& path) const
{
    return !servedOnly_ || servedNames_.count(path) > 0;
}

void libevent::requestArrived(evhttp_request* req)
{
    if (guard_)
        guard_->requestArrived(evhttp_request_get_connection(req));
}

int libevent::listenAddress(evhttp_bound_socket* handle)
{
    sockaddr_storage address;
    socklen_t length = sizeof address;
    std::memset(&address, 0, sizeof address);
    const evutil_socket_t fd = evhttp_bound_socket_get_fd(handle);
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::perror("getsockname() failed");
        return 1;
    }
    const void* inaddr = nullptr;
    int port = 0;
    if (address.ss_family == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(&address);
        port = ntohs(in->sin_port);
        inaddr = &in->sin_addr;
    } else if (address.ss_family == AF_INET6) {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&address);
        port = ntohs(in6->sin6_port);
        inaddr = &in6->sin6_addr;
    } else {
        std::fprintf(stderr, "Weird address family %d\n", address.ss_family);
        return 1;
    }
    char text[128];
    if (!evutil_inet_ntop(address.ss_family, inaddr, text, sizeof text)) {
        std::fprintf(stderr, "evutil_inet_ntop failed\n");
        return 1;
    }
    {
        std::lock_guard<std::mutex> lock(urlMutex_);
        listenUrl_ = std::string("http://") + text + ":" + std::to_string(port);
    }
    boundPort_ = port;
    return 0;
}

int libevent::getLocalIP(std::vector<std::string>& list)
{
    ifaddrs* interfaces = nullptr;
    if (::getifaddrs(&interfaces) != 0)
        return -1;
    std::vector<std::pair<int, std::string>> found;
    for (ifaddrs* i = interfaces; i; i = i->ifa_next) {
        if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET)
            continue;
        if (!(i->ifa_flags & IFF_UP) || (i->ifa_flags & IFF_LOOPBACK))
            continue;
        const in_addr address = reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr;
        const uint32_t host = ntohl(address.s_addr);
        if ((host >> 24) == 127 || host == 0)
            continue;
        char text[INET_ADDRSTRLEN];
        if (!::inet_ntop(AF_INET, &address, text, sizeof text))
            continue;
        const std::string dotted = text;
        const bool known = std::any_of(found.begin(), found.end(),
                                       [&dotted](const std::pair<int, std::string>& f) { return f.second == dotted; });
        if (!known)
            found.emplace_back(addressRank(host), dotted);
    }
    ::freeifaddrs(interfaces);
    std::stable_sort(
        found.begin(), found.end(),
        [](const std::pair<int, std::string>& a, const std::pair<int, std::string>& b) { return a.first < b.first; });
    for (const auto& f : found)
        list.push_back(f.second);
    return 0;
}
