#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>
#include <set>
#include <string>

// Transport of the web-service client: one JSON body per HTTP POST, or one
// file per HTTP GET, through libcurl's easy interface. Every call blocks its
// thread until the transfer ends or the client is cancelled; a failure
// becomes a Chinese text (UTF-8).
//
// Requests go to "http://" + host + ":" + port + "/" + project + path; the
// path is used as given, without escaping.
//
// No answer is taken whole whatever its size: whoever answers for the
// service's address (the service, a captive portal, a stranger on the
// network) could otherwise send without end and take the machine's memory or
// disk. An answer longer than its call's bound, whether its length is
// declared or it simply goes on, fails the call with the text of a service
// that cannot be reached: for the pupil it is no answer of the service.
class http {
public:
    // The longest answer of a POST: the service answers with small JSON
    // envelopes (a few kilobytes with the notice's lines).
    static constexpr long long kMaxAnswerBytes = 1LL << 20;
    // The longest file a download takes: a question's files are its pictures
    // and its answer, a few megabytes at most (the largest file the program
    // takes in, a screen capture's, is bounded at 64 MiB as well).
    static constexpr long long kMaxDownloadBytes = 64LL << 20;

    http();
    ~http();

    // 0 when the service answered with status 200: response holds the reply
    // body. Otherwise -1 and msg holds the reason; response is untouched.
    // An answer longer than kMaxAnswerBytes fails as a service that cannot
    // be reached does (msg " " + curlErrorText(CURLE_COULDNT_CONNECT)).
    int post(std::string path, std::string body, std::string& response, std::string& msg);

    // 0 when the reply had status 200: dir + "/" + fileName holds the body.
    // Otherwise -1 and msg holds the reason. The body is received into a
    // temporary file beside the target, so a failed or partial transfer
    // leaves an existing file of that name as it was. A body longer than
    // kMaxDownloadBytes fails as a service that cannot be reached does (msg
    // curlErrorText(CURLE_COULDNT_CONNECT)) and leaves no file behind.
    int download(std::string path, std::string fileName, std::string dir, std::string& msg);

    // Ends this client's transfers in progress at once and makes every later
    // call fail before it connects, each with the text of
    // CURLE_ABORTED_BY_CALLBACK. For a client that ends with the work it
    // serves (the start-up worker); safe to call from any thread.
    void cancel();
    bool cancelled() const { return cancelled_; }

    // The value sent in the "Authorization:" header; empty until a login.
    std::string token() const;
    void setToken(const std::string& value);

    std::string host;
    int port = 0;
    std::string project;

    // "http://host:port/project" + path.
    std::string url(const std::string& path) const;

private:
    http(const http&) = delete;
    http& operator=(const http&) = delete;

    // Runs one transfer on a multi handle of its own, so that cancel() can
    // wake it from its wait; the transfer's own result code.
    int perform(void* easy);

    std::atomic<bool> cancelled_{false};
    std::mutex transfersMutex_;
    std::set<void*> transfers_;  // the multi handles of the transfers running

    mutable std::mutex tokenMutex_;
    std::string token_;
};

// The Chinese text (UTF-8) of a libcurl result code; codes without a text of
// their own give "未知的错误".
const char* curlErrorText(int code);

// libcurl's write callback of a POST: appends size * count bytes to the
// response block (kept zero-terminated) and returns that number, or 0 (which
// ends the transfer) when the block would grow beyond http::kMaxAnswerBytes
// or cannot grow.
size_t appendResponse(const void* data, size_t size, size_t count, void* block);
