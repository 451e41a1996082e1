#include "transfer/runHttpServer.h"

#include <mutex>
#include <string>

#include "transfer/TransferEndpoint.h"
#include "transfer/libevent.h"

namespace {

class CallbackServer : public libevent {
public:
    CallbackServer(HttpDocumentCallback onDocument, HttpRequestCallback onRequest, void* context)
        : onDocument_(onDocument), onRequest_(onRequest), context_(context)
    {
    }

    void on_document(const char* path) override
    {
        if (onDocument_)
            onDocument_(path, context_);
    }
    void on_request(const char* uri, const char* body, int length) override
    {
        if (onRequest_)
            onRequest_(uri, body, length, context_);
    }
    void on_failed(std::string) override { failed_ = true; }

    bool failed() const { return failed_; }

private:
    HttpDocumentCallback onDocument_;
    HttpRequestCallback onRequest_;
    void* context_;
    bool failed_ = false;
};

std::mutex g_mutex;
CallbackServer* g_running = nullptr;  // guarded by g_mutex
bool g_pendingStop = false;           // guarded by g_mutex

}  // namespace

int runHttpServer(const char* root, int /*port*/, HttpDocumentCallback onDocument, void* /*unused*/,
                  HttpRequestCallback onRequest, void* context)
{
    const transfer::Endpoint where = transfer::endpoint();
    CallbackServer server(onDocument, onRequest, context);
    server.setBindAddress(where.bindAddress);
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (g_pendingStop) {
            g_pendingStop = false;
            return 0;
        }
        g_running = &server;
    }
    server.run(root, where.port);
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_running = nullptr;
    }
    return server.failed() ? 1 : 0;
}

void stopHttpServer()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_running)
        g_running->requestStop();
    else
        g_pendingStop = true;
}

void discardHttpServerStop()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_pendingStop = false;
}

int httpServerPort()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_running ? g_running->port() : 0;
}
