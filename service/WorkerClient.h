#pragma once

#include <QObject>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "service/httpUtil.h"

// The web-service work of a program start, run once on a thread of its own:
// reports the use of the program, asks for the newest version when the user
// allows it (auto_update 2) and fetches the service's notice. Results reach
// the main window only through the queued signals; the records are written
// before their signal and not touched again.
//
// The worker has a web-service client of its own, with the address of the
// program's client, made on the worker's thread when the work starts (a
// client loads libcurl), so that cancel() cuts its calls short without
// touching the client the dialogs use.
class WorkerClient : public QObject {
    Q_OBJECT
public:
    explicit WorkerClient(QObject* parent = nullptr);

    // Ends the call in progress at once and skips the rest; doWork then
    // returns and its thread's loop ends. Safe from any thread (the main
    // window calls it when it closes).
    void cancel();

    _version_t version;
    _advertisement_t advertisement;
    // The reasons of the calls that failed, in order; read once the thread
    // has finished.
    std::vector<std::string> failures;

public slots:
    void doWork();

signals:
    void sgn_update();
    void sgn_advertisement();
    void sgn_exit(int code);

private:
    std::atomic<bool> cancelled_{false};
    std::mutex clientMutex_;
    std::unique_ptr<httpUtil> client_;
};
