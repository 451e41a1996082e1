#include "transfer/httpDialog.h"

#include <QDir>
#include <QStackedLayout>
#include <QVBoxLayout>

#include "platform/SharedFiles.h"
#include "transfer/FileReceiveWidget.h"
#include "transfer/QRcodeWidget.h"
#include "transfer/TransferEndpoint.h"
#include "transfer/runHttpServer.h"

httpDialog::httpDialog(const QString& root, QWidget* parent)
    : QDialogBase(parent),
      root_((root.isEmpty() ? platform::findShared(QStringLiteral("upload")) : root).toUtf8().toStdString()),
      receiver_(QDir::current().absoluteFilePath(QStringLiteral("tmp")))
{
    setWindowTitle(QStringLiteral("手机上传"));
    auto* layout = new QVBoxLayout;
    stack_ = new QStackedLayout;
    qrcode_ = new QRcodeWidget(this);
    receive_ = new FileReceiveWidget(this);
    stack_->addWidget(qrcode_);
    stack_->addWidget(receive_);
    layout->addLayout(stack_);
    addLayout(layout);
    connect(this, &httpDialog::sgn_get_document, this, &httpDialog::slot_get_document);
    connect(this, &httpDialog::sgn_request, this, &httpDialog::slot_requestFun);
}

httpDialog::~httpDialog()
{
    stopServer();
}

int httpDialog::currentIndex() const
{
    return stack_->currentIndex();
}

int httpDialog::startServer()
{
    if (thread_.joinable())
        return -1;  // one server per dialog
    const std::string root = root_;
    thread_ = std::thread([this, root] {
        runHttpServer(root.c_str(), transfer::endpoint().port, &httpDialog::documentCallback, this,
                      &httpDialog::requestCallback, this);
    });
    return 0;
}

void httpDialog::stopServer()
{
    if (!thread_.joinable())
        return;
    stopHttpServer();
    thread_.join();
    discardHttpServerStop();
}

void httpDialog::done(int result)
{
    stopServer();
    QDialogBase::done(result);
}

void httpDialog::documentCallback(const char* path, void* context)
{
    emit static_cast<httpDialog*>(context)->sgn_get_document(QString::fromUtf8(path));
}

void httpDialog::requestCallback(const char* uri, const char* body, int length, void* context)
{
    emit static_cast<httpDialog*>(context)->sgn_request(QString::fromUtf8(uri), QByteArray(body, length));
}

void httpDialog::setCurrentIndex()
{
    stack_->setCurrentIndex(1);
}

void httpDialog::slot_get_document(QString path)
{
    if (mode_ == 0 && path == QStringLiteral("/index.html"))
        stack_->setCurrentIndex(1);
}

void httpDialog::slot_requestFun(QString path, QByteArray ba)
{
    const UploadReceiver::Result result = receiver_.receive(path.toStdString(), ba.constData(),
                                                            static_cast<size_t>(ba.size()));
    if (result.kind == UploadReceiver::Kind::File)
        receive_->request_uploadfile(result.path);
    else if (result.kind == UploadReceiver::Kind::Count)
        receive_->request_uploadTotalCount(result.count);
}
