#include "service/WorkerClient.h"

#include <QString>
#include <QThread>

#include "core/AppContext.h"
#include "core/SettingsKeys.h"
#include "core/Utils.h"

WorkerClient::WorkerClient(QObject* parent) : QObject(parent) {}

void WorkerClient::doWork()
{
    try {
        AppContext* context = AppContext::instance();
        httpUtil* client = Singleton<httpUtil>::instance();

        std::string mac = getIniValue(ini::kMac).toStdString();
        if (mac.empty()) {
            getMacAddress(mac);
            setIniValue(ini::kMac, QString::fromStdString(mac));
        }
        const std::string machineName = getComputerName();
        const int importTimes = getIniValue(ini::kImportTimes);

        // The main window asks the thread to stop when it closes; each call
        // left out spares the pupil one network timeout.
        auto stopping = [] { return QThread::currentThread()->isInterruptionRequested(); };

        std::string msg;
        if (!mac.empty() && !stopping()) {
            const _user_t user = context->user;
            client->addUserInfo(mac, 2, "2.0.8", machineName, user.username, user.sex, context->grade.name,
                                context->term.name, user.student_number, user.contact, importTimes, msg);
        }

        if (!stopping() && getIniValue(ini::kAutoUpdate) == Qt::Checked) {
            if (client->getVersion(2, version, msg) == 0)
                emit sgn_update();
        }
        if (!stopping() && client->getAdvertisement(2, advertisement, msg) == 0)
            emit sgn_advertisement();
    } catch (...) {
        // Nothing of the start-up work reaches the user, and nothing may
        // leave this slot: the thread must still get its exit below.
    }
    emit sgn_exit(0);
}
