#pragma once

#include <QObject>

#include "service/httpUtil.h"

// The web-service work of a program start, run once on a thread of its own:
// reports the use of the program, asks for the newest version when the user
// allows it (auto_update 2) and fetches the service's notice. Results reach
// the main window only through the queued signals; the records are written
// before their signal and not touched again.
class WorkerClient : public QObject {
    Q_OBJECT
public:
    explicit WorkerClient(QObject* parent = nullptr);

    _version_t version;
    _advertisement_t advertisement;

public slots:
    void doWork();

signals:
    void sgn_update();
    void sgn_advertisement();
    void sgn_exit(int code);
};
