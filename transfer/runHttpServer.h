#pragma once

// The older entry to the phone-transfer server: plain callbacks instead of a
// derived class. One server per process; it runs on the calling thread.
//
//     std::thread thread([this] { runHttpServer(root, 8080, onDocument, this, onRequest, this); });
//     ...
//     stopHttpServer();        // from any thread
//     thread.join();
//     discardHttpServerStop(); // forget a stop that found no server
using HttpDocumentCallback = void (*)(const char* path, void* context);
using HttpRequestCallback = void (*)(const char* uri, const char* body, int length, void* context);

// Serves root until stopHttpServer(). Listens on the phone-transfer port
// (transfer::endpoint(), 8080 in the program) whatever `port` says; `unused`
// is ignored. onDocument gets each answered GET's decoded path, onRequest
// each other request (both on the calling thread, either may be null).
// 0 after a normal end, 1 when the server could not start.
int runHttpServer(const char* root, int port, HttpDocumentCallback onDocument, void* unused,
                  HttpRequestCallback onRequest, void* context);

// Ends the running server's loop; a stop that comes before the server has
// started is kept, and the next runHttpServer returns 0 at once.
void stopHttpServer();
// The running server's port once it is up, else 0.
int httpServerPort();
// Drops a kept stop (after the thread that would have consumed it ended).
void discardHttpServerStop();
