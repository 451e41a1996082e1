#include "transfer/PhoneLink.h"

#include <string>
#include <vector>

#include "transfer/QRcodeDialog.h"
#include "transfer/TransferEndpoint.h"
#include "ui/Modal.h"
#include "ui/QMessageBoxBase.h"

namespace transfer {

QString connectedText()
{
    return QStringLiteral("<font size=\"6\" color=\"green\">●</font>连接成功!");
}

QrOutcome showQRcode(QWidget* owner, std::unique_ptr<QRcodeDialog>& dialog, int port, const bool& connected)
{
    std::vector<std::string> addresses;
    if (localAddresses(addresses) != 0 || addresses.empty()) {
        QMessageBoxBase::information(owner, QStringLiteral("提示"), QStringLiteral("获取本机IP地址失败!"));
        return QrOutcome::NoAddress;
    }
    dialog = std::make_unique<QRcodeDialog>(nullptr);
    dialog->setAddress(addresses.front().c_str(), port);
    if (connected)
        return QrOutcome::Connected;
    const int result = modal::exec(*dialog);
    return (result != 0 || connected) ? QrOutcome::Connected : QrOutcome::Closed;
}

}  // namespace transfer
