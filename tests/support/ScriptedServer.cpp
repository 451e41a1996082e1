#include "support/ScriptedServer.h"

#include <event2/buffer.h>
#include <event2/event.h>
#include <event2/http.h>
#include <event2/keyvalq_struct.h>
#include <event2/thread.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <future>
#include <stdexcept>

namespace {

int boundPort(int fd)
{
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}

int loopbackSocket()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        throw std::runtime_error("socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        throw std::runtime_error("bind");
    }
    return fd;
}

}  // namespace

ScriptedServer::ScriptedServer()
{
    static const int threads = evthread_use_pthreads();
    (void)threads;
    base_ = event_base_new();
    http_ = evhttp_new(base_);
    evhttp_set_allowed_methods(http_, EVHTTP_REQ_GET | EVHTTP_REQ_POST);
    evhttp_set_gencb(http_, &ScriptedServer::handle, this);
    evhttp_bound_socket* socket = evhttp_bind_socket_with_handle(http_, "127.0.0.1", 0);
    if (!socket)
        throw std::runtime_error("evhttp bind");
    port_ = boundPort(evhttp_bound_socket_get_fd(socket));
    // The loop must be running before a break can reach it: wait for its
    // first callback.
    std::promise<void> running;
    std::future<void> started = running.get_future();
    event_base_once(
        base_, -1, EV_TIMEOUT,
        [](evutil_socket_t, short, void* p) { static_cast<std::promise<void>*>(p)->set_value(); }, &running, nullptr);
    thread_ = std::thread([this] { event_base_dispatch(base_); });
    started.wait();
}

ScriptedServer::~ScriptedServer()
{
    event_base_loopbreak(base_);
    if (thread_.joinable())
        thread_.join();
    evhttp_free(http_);
    event_base_free(base_);
}

void ScriptedServer::setReply(const std::string& path, int status, const std::string& body)
{
    std::lock_guard<std::mutex> lock(mutex_);
    replies_[path] = Reply{status, body};
}

void ScriptedServer::setDefaultReply(int status, const std::string& body)
{
    std::lock_guard<std::mutex> lock(mutex_);
    defaultReply_ = Reply{status, body};
}

std::vector<ScriptedServer::Request> ScriptedServer::requests() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

std::vector<std::string> ScriptedServer::paths() const
{
    std::vector<std::string> out;
    for (const Request& request : requests())
        out.push_back(request.path);
    return out;
}

void ScriptedServer::clearRequests()
{
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.clear();
}

void ScriptedServer::handle(evhttp_request* request, void* self)
{
    ScriptedServer* server = static_cast<ScriptedServer*>(self);
    Request recorded;
    recorded.method = evhttp_request_get_command(request) == EVHTTP_REQ_POST ? "POST" : "GET";
    recorded.path = evhttp_request_get_uri(request);
    evkeyvalq* headers = evhttp_request_get_input_headers(request);
    for (evkeyval* header = headers->tqh_first; header; header = header->next.tqe_next) {
        std::string name = header->key;
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        recorded.headers[name] = header->value;
    }
    evbuffer* input = evhttp_request_get_input_buffer(request);
    const size_t length = evbuffer_get_length(input);
    recorded.body.resize(length);
    if (length)
        evbuffer_copyout(input, recorded.body.data(), length);

    Reply reply;
    {
        std::lock_guard<std::mutex> lock(server->mutex_);
        auto it = server->replies_.find(recorded.path);
        reply = it == server->replies_.end() ? server->defaultReply_ : it->second;
        server->requests_.push_back(recorded);
    }
    evbuffer* output = evbuffer_new();
    evbuffer_add(output, reply.body.data(), reply.body.size());
    evhttp_send_reply(request, reply.status, reply.status == 200 ? "OK" : "Scripted", output);
    evbuffer_free(output);
}

SilentServer::SilentServer()
{
    fd_ = loopbackSocket();
    ::listen(fd_, 4);
    port_ = boundPort(fd_);
}

SilentServer::~SilentServer()
{
    if (fd_ >= 0)
        ::close(fd_);
}

int closedLoopbackPort()
{
    // The socket stays bound, without listening, until the process ends: a
    // connection to its port is refused, and no other server of a test
    // running in parallel can be handed that port meanwhile.
    const int fd = loopbackSocket();
    return boundPort(fd);
}
