#pragma once

#include <QByteArray>
#include <QString>

#include <string>
#include <thread>

#include "transfer/UploadReceiver.h"
#include "ui/QDialogBase.h"

class FileReceiveWidget;
class QRcodeWidget;
class QStackedLayout;

// The older phone-upload dialog: page 0 shows the QR code, page 1 the
// pictures being received. startServer() runs runHttpServer on a thread of
// its own; the upload requests are read by the same defensive code as the
// upload dialog's (UploadReceiver), here on the GUI thread. The server is
// stopped and its thread joined by stopServer(), when the dialog ends, and
// in the destructor.
class httpDialog : public QDialogBase {
    Q_OBJECT
public:
    // root: the folder served (UTF-8); empty: "upload" beside the program.
    explicit httpDialog(const QString& root = QString(), QWidget* parent = nullptr);
    ~httpDialog() override;

    void setMode(int mode) { mode_ = mode; }
    int currentIndex() const;
    QRcodeWidget* qrcodeWidget() const { return qrcode_; }
    FileReceiveWidget* receiveWidget() const { return receive_; }
    void stopServer();

    void done(int result) override;

signals:
    void sgn_get_document(QString path);
    void sgn_request(QString path, QByteArray ba);

public slots:
    int startServer();
    void setCurrentIndex();
    void slot_get_document(QString path);
    void slot_requestFun(QString path, QByteArray ba);

private:
    static void documentCallback(const char* path, void* context);
    static void requestCallback(const char* uri, const char* body, int length, void* context);

    int mode_ = 0;
    std::string root_;
    std::thread thread_;
    QStackedLayout* stack_ = nullptr;
    QRcodeWidget* qrcode_ = nullptr;
    FileReceiveWidget* receive_ = nullptr;
    UploadReceiver receiver_;
};
