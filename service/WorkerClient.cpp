#include "service/WorkerClient.h"

#include <QString>
#include <QThread>

#include "core/AppContext.h"
#include "core/SettingsKeys.h"
#include "core/Utils.h"

WorkerClient::WorkerClient(QObject* parent) : QObject(parent) {}

void WorkerClient::cancel()
{
    cancelled_ = true;
    std::lock_guard<std::mutex> lock(clientMutex_);
    if (client_)
        client_->cancel();
}

void WorkerClient::doWork()
{
    try {
        AppContext* context = AppContext::instance();
        httpUtil* client = nullptr;
        {
            std::lock_guard<std::mutex> lock(clientMutex_);
            client_ = std::make_unique<httpUtil>();
            client = client_.get();
            const httpUtil* shared = Singleton<httpUtil>::instance();
            client->host = shared->host;
            client->port = shared->port;
            client->project = shared->project;
        }
        if (cancelled_)
            client->cancel();

        std::string mac = getIniValue(ini::kMac).toStdString();
        if (mac.empty()) {
            getMacAddress(mac);
            setIniValue(ini::kMac, QString::fromStdString(mac));
        }
        const std::string machineName = getComputerName();
        const int importTimes = getIniValue(ini::kImportTimes);

        // The main window cancels the client and asks the thread to stop when
        // it closes: the call in progress ends at once, the rest are left out.
        auto stopping = [this] { return cancelled_ || QThread::currentThread()->isInterruptionRequested(); };
        std::string msg;
        auto failed = [this, &msg](int rc) {
            if (rc != 0)
                failures.push_back(msg);
            return rc != 0;
        };

        if (!mac.empty() && !stopping()) {
            const _user_t user = context->user;
            failed(client->addUserInfo(mac, 2, "2.0.8", machineName, user.username, user.sex, context->grade.name,
                                       context->term.name, user.student_number, user.contact, importTimes, msg));
        }

        if (!stopping() && getIniValue(ini::kAutoUpdate) == Qt::Checked) {
            if (!failed(client->getVersion(2, version, msg)))
                emit sgn_update();
        }
        if (!stopping() && !failed(client->getAdvertisement(2, advertisement, msg)))
            emit sgn_advertisement();
    } catch (...) {
        // Nothing of the start-up work reaches the user, and nothing may
        // leave this slot: the thread must still get its exit below.
    }
    emit sgn_exit(0);
}
