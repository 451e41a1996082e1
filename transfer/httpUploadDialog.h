#pragma once

#include <QStringList>

#include <atomic>
#include <memory>
#include <string>

#include "transfer/UploadReceiver.h"
#include "transfer/libevent.h"
#include "ui/QDialogBase.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QRcodeDialog;
class QThumbnail;

// "手机上传": receives photos from a phone. The server serves the page in the
// folder "upload" beside the program; once it is up, the QR-code dialog shows
// this computer's address. The phone announces a count (/uploadTotalCount)
// and posts each picture (/uploadfile, JSON with Base64); every picture is
// written into the data folder's tmp, then shown in the strip with one step
// of progress. "导入图片" accepts the dialog once a picture has arrived.
//
// The capture window's phone button:
//
//     httpUploadDialog dialog(nullptr);
//     dialog.setMinimumSize(600, 400);
//     if (modal::exec(dialog) == QDialog::Accepted) {
//         const QStringList files = dialog.getFiles();   // in the strip's order
//         if (!files.isEmpty())
//             copyIntoLibrary(files);                    // like the camera's shots
//     }
//
// The bodies are read on the server thread; each picture is checked (by
// decoding it), written and made into its thumbnail on a worker thread of the
// server (several phones side by side, each waiting for its reply), so a
// large picture holds neither the server, which answers other phones
// meanwhile, nor the window, which only learns of finished files with their
// thumbnails. The server is stopped when the dialog ends (done, close) and in
// the destructor.
class httpUploadDialog : public QDialogBase, public libevent {
    Q_OBJECT
public:
    explicit httpUploadDialog(QWidget* parent = nullptr);
    ~httpUploadDialog() override;

    // The received files, in the strip's order (the user may reorder or
    // delete entries through its menu).
    QStringList getFiles() const;

    QThumbnail* thumbnail() const { return thumbnail_; }
    QProgressBar* progressBar() const { return progress_; }
    QLabel* statusLabel() const { return status_; }
    QRcodeDialog* qrDialog() const { return qrDialog_.get(); }

    void done(int result) override;

    void on_document(const char* path) override;
    void on_request(const char* uri, const char* body, int length) override;
    void on_success() override;
    void on_failed(std::string message) override;

signals:
    void sgn_document_request(QString name);
    void sgn_request(QString uri, UploadReceiver::Result result);
    void sgn_success();
    void sgn_failed(QString message);

public slots:
    void slot_document_request(QString name);
    void slot_request(QString uri, UploadReceiver::Result result);
    void slot_success();
    void slot_failed(QString message);
    void slot_ok_clicked();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void setupLayout();
    void setupConnections();
    void phoneConnected();
    void fileReceived(const QString& path, const QImage& thumbnail);

    std::unique_ptr<QRcodeDialog> qrDialog_;
    QThumbnail* thumbnail_ = nullptr;
    QLabel* status_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* ok_ = nullptr;
    bool connected_ = false;
    std::atomic<int> thumbnailSide_{0};  // the strip's, once it is shown
    UploadReceiver receiver_;            // used on the server's worker threads
};
