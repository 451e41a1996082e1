#include "transfer/httpUploadDialog.h"

#include <QCloseEvent>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "platform/SharedFiles.h"
#include "transfer/PhoneLink.h"
#include "transfer/QRcodeDialog.h"
#include "transfer/QThumbnail.h"
#include "transfer/TransferEndpoint.h"
#include "ui/QMessageBoxBase.h"

httpUploadDialog::httpUploadDialog(QWidget* parent)
    : QDialogBase(parent), receiver_(QDir::current().absoluteFilePath(QStringLiteral("tmp")))
{
    qRegisterMetaType<UploadReceiver::Result>("UploadReceiver::Result");
    setWindowTitle(QStringLiteral("手机上传"));
    setupLayout();
    setupConnections();

    const transfer::Endpoint where = transfer::endpoint();
    setBindAddress(where.bindAddress);
    const QString root = platform::findShared(QStringLiteral("upload"));
    // Enough workers that another phone's picture finds one while large ones
    // wait for the decode budget (which bounds their memory, not the workers).
    setRequestWorkers(8);
    start(root.toUtf8().constData(), where.port);
}

httpUploadDialog::~httpUploadDialog()
{
    // Before the members go: no callback may reach a half-destroyed dialog.
    stop();
}

void httpUploadDialog::setupLayout()
{
    auto* layout = new QVBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    progress_ = new QProgressBar(this);
    layout->addWidget(progress_);
    thumbnail_ = new QThumbnail(this);
    layout->addWidget(thumbnail_, 1);
    status_ = new QLabel(this);
    status_->setAlignment(Qt::AlignCenter);
    layout->addWidget(status_);
    ok_ = new QPushButton(QStringLiteral("导入图片"), this);
    layout->addWidget(ok_, 0, Qt::AlignRight);
    addLayout(layout);
}

void httpUploadDialog::setupConnections()
{
    connect(ok_, &QPushButton::clicked, this, &httpUploadDialog::slot_ok_clicked);
    connect(this, &httpUploadDialog::sgn_document_request, this, &httpUploadDialog::slot_document_request);
    connect(this, &httpUploadDialog::sgn_request, this, &httpUploadDialog::slot_request);
    connect(this, &httpUploadDialog::sgn_success, this, &httpUploadDialog::slot_success);
    connect(this, &httpUploadDialog::sgn_failed, this, &httpUploadDialog::slot_failed);
}

QStringList httpUploadDialog::getFiles() const
{
    return thumbnail_->paths();
}

void httpUploadDialog::done(int result)
{
    stop();
    QDialogBase::done(result);
}

void httpUploadDialog::closeEvent(QCloseEvent* event)
{
    stop();
    QDialogBase::closeEvent(event);
}

void httpUploadDialog::showEvent(QShowEvent* event)
{
    QDialogBase::showEvent(event);
    // The strip fixed its side as it was shown (children first).
    thumbnailSide_ = thumbnail_->thumbnailSide();
}

void httpUploadDialog::on_document(const char* path)
{
    emit sgn_document_request(QString::fromUtf8(path + (*path ? 1 : 0)));
}

void httpUploadDialog::on_request(const char* uri, const char* body, int length)
{
    const std::string target = uri;
    UploadReceiver::Result result = receiver_.receive(target, body, static_cast<size_t>(std::max(length, 0)));
    const int side = thumbnailSide_.load();
    if (result.kind == UploadReceiver::Kind::File && side > 0)
        result.thumbnail = QThumbnail::makeThumbnail(result.path, side);
    // The phone learns of a refused or unsaved picture from the status.
    setRequestStatus(result.status);
    emit sgn_request(QString::fromUtf8(uri), result);
}

void httpUploadDialog::on_success()
{
    emit sgn_success();
}

void httpUploadDialog::on_failed(std::string message)
{
    emit sgn_failed(QString::fromUtf8(message.c_str()));
}

void httpUploadDialog::phoneConnected()
{
    connected_ = true;
    if (qrDialog_)
        qrDialog_->accept();
}

void httpUploadDialog::slot_document_request(QString name)
{
    if (name != QStringLiteral("index.html"))
        return;
    phoneConnected();
    status_->setText(transfer::connectedText());
}

void httpUploadDialog::slot_request(QString uri, UploadReceiver::Result result)
{
    // A phone that announces its pictures is connected, page load or not.
    if (uri == QStringLiteral("/uploadTotalCount"))
        phoneConnected();
    switch (result.kind) {
    case UploadReceiver::Kind::Count:
        progress_->setRange(0, result.count);
        progress_->setValue(0);
        break;
    case UploadReceiver::Kind::File: fileReceived(result.path, result.thumbnail); break;
    case UploadReceiver::Kind::Error: status_->setText(QStringLiteral("有一张图片未能接收，请重新发送")); break;
    case UploadReceiver::Kind::None: break;
    }
}

void httpUploadDialog::fileReceived(const QString& path, const QImage& thumbnail)
{
    // Made on the worker at the strip's side; without it (a file that came
    // before the strip was shown) it is made here.
    if (!thumbnail.isNull() && thumbnail.width() == thumbnail_->thumbnailSide())
        thumbnail_->addItem(path, thumbnail);
    else
        thumbnail_->addItem(path);
    // A bar that was never given a count starts at nothing; more pictures
    // than announced widen it instead of being dropped by setValue.
    const int next = std::max(progress_->value(), progress_->minimum()) + 1;
    if (next > progress_->maximum())
        progress_->setMaximum(next);
    progress_->setValue(next);
}

void httpUploadDialog::slot_success()
{
    switch (transfer::showQRcode(this, qrDialog_, port(), connected_)) {
    case transfer::QrOutcome::NoAddress:
    case transfer::QrOutcome::Closed: QTimer::singleShot(0, this, [this] { reject(); }); break;
    case transfer::QrOutcome::Connected: break;
    }
}

void httpUploadDialog::slot_failed(QString message)
{
    QMessageBoxBase::information(this, QStringLiteral("提示"), message);
    reject();
}

void httpUploadDialog::slot_ok_clicked()
{
    if (getFiles().isEmpty()) {
        QMessageBoxBase::information(this, QStringLiteral("提示"), QStringLiteral("请先使用手机上传图片!"));
        return;
    }
    accept();
}
