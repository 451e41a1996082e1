#pragma once

#include <QString>

#include <memory>

class QRcodeDialog;
class QWidget;

// What the upload and download dialogs share once their server is up.
namespace transfer {

// The status line once the phone has loaded the page.
QString connectedText();

enum class QrOutcome {
    NoAddress,  // no local IPv4 address: "获取本机IP地址失败!" was shown
    Closed,     // the user closed the QR-code dialog
    Connected,  // the phone connected (the dialog was accepted, or never needed)
};

// Creates the QR-code dialog (no parent) into `dialog` with the first local
// address and `port`, and runs it modally unless `connected` is already true
// (a phone that was quicker than the picture). `connected` is read again
// after the dialog ends, since the phone's page request arrives during it.
QrOutcome showQRcode(QWidget* owner, std::unique_ptr<QRcodeDialog>& dialog, int port, const bool& connected);

}  // namespace transfer
