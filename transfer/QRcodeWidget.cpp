#include "transfer/QRcodeWidget.h"

#include <QByteArray>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "platform/PictureFile.h"
#include "transfer/QRcodeDialog.h"
#include "transfer/QRcodeImage.h"
#include "transfer/TransferEndpoint.h"
#include "ui/Modal.h"
#include "ui/QMessageBoxBase.h"

QRcodeWidget::QRcodeWidget(QWidget* parent) : QWidget(parent), port_(transfer::endpoint().port)
{
    auto* layout = new QVBoxLayout(this);
    picture_ = new QLabel(this);
    picture_->setAlignment(Qt::AlignCenter);
    picture_->setMinimumSize(200, 200);
    picture_->setStyleSheet(QStringLiteral("background-color: white;"));
    layout->addWidget(picture_, 1);
    text_ = new QLabel(this);
    text_->setAlignment(Qt::AlignCenter);
    layout->addWidget(text_);
    help_ = new QPushButton(QStringLiteral("使用帮助"), this);
    layout->addWidget(help_, 0, Qt::AlignRight);
    connect(help_, &QPushButton::clicked, this, &QRcodeWidget::on_help_clicked);
}

QRcodeWidget::~QRcodeWidget() = default;

void QRcodeWidget::on_help_clicked()
{
    QDialog dialog(nullptr, Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint);
    dialog.setWindowTitle(QStringLiteral("使用帮助"));
    auto* layout = new QHBoxLayout(&dialog);
    auto* scroll = QRcodeDialog::helpArea(&dialog);
    layout->addWidget(scroll);
    dialog.resize(520, 600);
    modal::exec(dialog);
}

int QRcodeWidget::getLocalIP(std::vector<std::string>& list)
{
    return transfer::localAddresses(list);
}

int QRcodeWidget::generateQRcode(char* ip, int port, char filepath[255])
{
    const std::string address = std::string("http://") + (ip ? ip : "") + ":" + std::to_string(port);
    std::string path;
    const int rc = qrcode::draw(address, path);
    if (rc != 0)
        return rc;
    qstrncpy(filepath, path.c_str(), 255);
    return 0;
}

void QRcodeWidget::updateQRcode()
{
    addresses_.clear();
    if (getLocalIP(addresses_) != 0 || addresses_.empty()) {
        QMessageBoxBase::information(this, QStringLiteral("提示"), QStringLiteral("无法获取主机信息"));
        return;
    }
    QByteArray ip = QByteArray::fromStdString(addresses_.front());
    char path[255] = {0};
    if (generateQRcode(ip.data(), port_, path) != 0) {
        QMessageBoxBase::information(this, QStringLiteral("提示"), QStringLiteral("生成二维码失败"));
        return;
    }
    picture_->setPixmap(QPixmap::fromImage(platform::readPicture(QString::fromUtf8(path))));
    text_->setText(QStringLiteral("请使用手机扫码"));
}
