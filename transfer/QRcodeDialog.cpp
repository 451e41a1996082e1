#include "transfer/QRcodeDialog.h"

#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QScrollArea>
#include <QVBoxLayout>

#include "core/Settings.h"
#include "platform/PictureFile.h"
#include "transfer/QRcodeImage.h"
#include "ui/Modal.h"

QRcodeDialog::QRcodeDialog(QWidget* parent) : QDialogBase(parent)
{
    setButtons(buttons() | QTitleBar::kHelpBit);
    setWindowTitle(QStringLiteral("扫码"));
    setupLayout();
    if (takeFirstRunBit(2))
        showHelp();
}

QRcodeDialog::~QRcodeDialog() = default;

void QRcodeDialog::setupLayout()
{
    auto* layout = new QVBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);

    frame_ = new QGroupBox(this);
    frame_->setFixedSize(200, 200);
    frame_->setStyleSheet(QStringLiteral("background-color: white;"));
    auto* frameLayout = new QHBoxLayout(frame_);
    picture_ = new QLabel(frame_);
    picture_->setAlignment(Qt::AlignCenter);
    picture_->setContentsMargins(10, 10, 10, 10);
    frameLayout->addWidget(picture_);
    layout->addWidget(frame_);

    text_ = new QLabel(QStringLiteral("请使用手机进行扫码"), this);
    text_->setAlignment(Qt::AlignCenter);
    text_->setContentsMargins(5, 5, 5, 5);
    layout->addWidget(text_);
    addLayout(layout);
}

void QRcodeDialog::setAddress(const char* host, int port)
{
    address_ = std::string("http://") + (host ? host : "") + ":" + std::to_string(port);
    std::string path;
    if (updateQRcode(path) == 0)
        picture_->setPixmap(QPixmap::fromImage(platform::readPicture(QString::fromStdString(path))));
    else
        picture_->clear();
}

int QRcodeDialog::updateQRcode(std::string& path)
{
    return qrcode::draw(address_, path);
}

QString QRcodeDialog::helpText()
{
    QFile file(QStringLiteral(":/Lorvane/Resources/html/http.html"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    return QString::fromUtf8(file.readAll());
}

QScrollArea* QRcodeDialog::helpArea(QWidget* parent)
{
    auto* scroll = new QScrollArea(parent);
    auto* label = new QLabel;
    label->setWordWrap(true);
    label->setOpenExternalLinks(true);
    label->setContentsMargins(10, 10, 10, 10);
    label->setTextFormat(Qt::RichText);
    label->setText(helpText());
    scroll->setWidget(label);
    scroll->setWidgetResizable(true);
    return scroll;
}

void QRcodeDialog::showHelp()
{
    QDialogBase dialog(nullptr);
    dialog.setWindowTitle(QStringLiteral("使用帮助"));
    auto* layout = new QHBoxLayout;
    auto* scroll = helpArea(&dialog);
    layout->addWidget(scroll);
    dialog.addLayout(layout);
    dialog.resize(520, 600);
    modal::exec(dialog);
}

void QRcodeDialog::titleBar_buttonClicked(int id)
{
    if (id == QTitleBar::Help)
        showHelp();
}
