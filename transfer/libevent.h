#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

class ConnectionGuard;
class RequestWorkers;
struct event_base;
struct evhttp;
struct evhttp_bound_socket;
struct evhttp_request;

// The phone-transfer HTTP server: serves the regular files and folders under
// one document root to GET requests and hands the body of every other request
// (and of any request to "/dump") to its owner. It runs a libevent loop on a
// thread of its own.
//
//     class MyDialog : public QDialogBase, public libevent {
//         void on_request(const char* uri, const char* body, int length) override; // emit a signal
//     };
//     start(root.toUtf8().constData(), 8080);   // in the constructor
//     stop();                                   // in closeEvent and in the destructor
//
// The four callbacks run on the server thread (on_request on worker threads
// when setRequestWorkers was given): an owner only emits queued signals from
// them. An owner stops the server in its own destructor (before
// its members go), so no callback reaches a half-destroyed object; the
// destructor here stops it once more for owners that did not.
//
// Limits: request bodies up to maxBodySize() (more gives 413), headers up to
// 32 KiB, connections idle for 30 s are closed. At most connectionLimit()
// connections are open at once (one beyond is closed at once); a request's
// header block must arrive within the header deadline (20 s) of its first
// byte, and the whole request within the request deadline of that byte (20 s
// plus 1 s per 256 KiB of its declared body); a failing accept() (no descriptor left) pauses new connections for a
// second instead of being retried at once (see ConnectionGuard). Paths
// containing ".." (raw or percent-encoded), paths that leave the root through
// a link, and anything that is neither a regular file nor a folder give 404;
// so does every name outside serveOnly()'s list once one is given.
class libevent {
public:
    libevent();
    virtual ~libevent();

    // A GET request was answered from the root; path is the decoded request
    // path (UTF-8) with its leading "/". The page of the root is reported as
    // "/index.html" whatever its file is called (see setIndexFile).
    virtual void on_document(const char* path);
    // A request other than GET (or any request to "/dump"): uri as received,
    // body the whole request body (NUL bytes kept, one NUL behind it), length
    // its size in bytes. It is answered 200 "OK" unless the override calls
    // setRequestStatus.
    virtual void on_request(const char* uri, const char* body, int length);
    // Bound and about to serve.
    virtual void on_success();
    // The server could not start; message says why ("couldn't bind to port : 8080").
    virtual void on_failed(std::string message);

    // Stores root (UTF-8, no trailing separator) and starts the server thread
    // on port (0: the system picks one, see port()). 0 when the thread was
    // started; -1 when an earlier thread was not yet stopped (call stop()
    // first, also after a failed start) or when no thread could start.
    int start(const char* root, int port);
    // Ends the loop and waits for the server thread. Returns at once when
    // nothing runs; safe right after start(), before the loop has begun.
    void stop();
    // The server body: builds the base, binds, reports, serves until stopped.
    // start() runs it on the server thread; it may also be run on the
    // caller's own thread, ended by requestStop() from another thread.
    void run(const char* root, int port);
    // Asks a running (or starting) loop to end without waiting for it.
    void requestStop();

    // Reads the bound socket's address into the listen URL; 0 on success.
    int listenAddress(evhttp_bound_socket* handle);
    // Appends the machine's IPv4 addresses that are up and not loopback,
    // private LAN ranges (192.168/16, 10/8, 172.16/12) first; 0 on success,
    // -1 when the interfaces cannot be read.
    static int getLocalIP(std::vector<std::string>& list);

    // Address to bind, "0.0.0.0" (every IPv4 interface) unless set before start().
    void setBindAddress(const std::string& address) { bindAddress_ = address; }
    // File answered for "/" and "/index.html" (default "index.html").
    void setIndexFile(const std::string& name) { indexFile_ = name; }
    // Before start(): only these names (UTF-8, plain file names in the root)
    // and the page are served; every other path, folders included, gives 404.
    void serveOnly(const std::vector<std::string>& names);
    // Called from on_request: the status its request is answered with (a
    // status other than 200 goes out as an error reply).
    void setRequestStatus(int status);
    // Before start(): on_request runs on up to `threads` threads of its own
    // (0, the default: on the server thread), so a request that takes long
    // holds no other; its reply goes out once on_request returns. An owner
    // that sets this takes calls of on_request on several threads at once.
    void setRequestWorkers(int threads) { requestWorkers_ = threads; }

    // Before start(): the most connections open at once (0: the default,
    // defaultConnectionLimit()) and the time a request's header block may take.
    void setConnectionLimit(int limit) { connectionLimit_ = limit; }
    void setHeaderDeadline(std::chrono::milliseconds deadline) { headerDeadline_ = deadline; }
    // Before start(): the time a whole request may take, `base` plus
    // `perQuarterMebibyte` for every 256 KiB of its declared body.
    void setRequestDeadline(std::chrono::milliseconds base, std::chrono::milliseconds perQuarterMebibyte)
    {
        requestDeadline_ = base;
        perQuarterMebibyte_ = perQuarterMebibyte;
    }
    // 64, or a quarter of the process's descriptor limit when that is less:
    // the program's own files always keep the larger share.
    static int defaultConnectionLimit();
    // The connections open now (any thread).
    int openConnections() const { return openConnections_.load(); }
    // The bound port once the server is up, else 0.
    int port() const { return boundPort_.load(); }
    // "http://<address>:<port>" of the bound socket, once the server is up.
    std::string listenUrl() const;

    static constexpr size_t maxBodySize() { return 32u * 1024u * 1024u; }

    // The server's side of one request; public for the library's C callbacks.
    void requestArrived(evhttp_request* req);
    void handleDocument(evhttp_request* req);
    void handleRequest(evhttp_request* req);
    // Runs on_request for one request body; its status.
    int runRequest(const std::string& uri, const std::string& body);

private:
    libevent(const libevent&) = delete;
    libevent& operator=(const libevent&) = delete;

    bool setBase(event_base* base);
    void clearBase();
    void serve(event_base* base, int port);
    void dispatch(event_base* base, evhttp* http, evhttp_bound_socket* handle);
    bool offered(const std::string& path) const;

    std::mutex baseMutex_;
    event_base* base_ = nullptr;  // guarded by baseMutex_
    bool stopRequested_ = false;  // guarded by baseMutex_
    std::thread thread_;
    mutable std::mutex urlMutex_;
    std::string listenUrl_;  // guarded by urlMutex_
    std::atomic<int> boundPort_{0};
    std::string root_;           // the document root as given
    std::string canonicalRoot_;  // the root with its links resolved
    std::string bindAddress_ = "0.0.0.0";
    std::string indexFile_ = "index.html";
    bool servedOnly_ = false;
    std::set<std::string> servedNames_;  // "/" + name, when servedOnly_
    int requestWorkers_ = 0;
    RequestWorkers* workers_ = nullptr;  // server thread only, while it serves
    int connectionLimit_ = 0;
    std::chrono::milliseconds headerDeadline_{20000};
    std::chrono::milliseconds requestDeadline_{20000};
    std::chrono::milliseconds perQuarterMebibyte_{1000};
    std::atomic<int> openConnections_{0};
    ConnectionGuard* guard_ = nullptr;  // server thread only, while it serves
};

// The Content-Type for a file name: by the text after its last dot ("jpg" ->
// "image/jpeg", ".htm" -> "text/htm"), "application/misc" when unknown or
// when a "/" follows the last dot.
const char* contentTypeOf(const char* path);

// The file-system form of a UTF-8 name (the local 8-bit encoding; UTF-8 on
// this system). Writes at most size - 1 bytes and the terminator into out;
// false (and an empty out) when the name does not fit.
bool utf8ToAnsi(const char* utf8, char* out, size_t size);
