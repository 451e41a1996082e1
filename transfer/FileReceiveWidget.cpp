#include "transfer/FileReceiveWidget.h"

#include <QLabel>
#include <QVBoxLayout>

#include "transfer/QThumbnail.h"

FileReceiveWidget::FileReceiveWidget(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    thumbnail_ = new QThumbnail(this);
    layout->addWidget(thumbnail_, 1);
    label_ = new QLabel(this);
    label_->setAlignment(Qt::AlignCenter);
    layout->addWidget(label_);
}

FileReceiveWidget::~FileReceiveWidget() = default;

void FileReceiveWidget::request_uploadTotalCount(int total)
{
    received_ = 0;
    total_ = total;
}

void FileReceiveWidget::request_uploadfile(QString path)
{
    ++received_;
    if (!thumbnail_->paths().contains(path))
        thumbnail_->addItem(path);
    if (total_ <= 0 || received_ > total_)
        label_->setText(QStringLiteral("已接收：%1张").arg(received_));
    else if (received_ != total_)
        label_->setText(QStringLiteral("正在接收： %1%").arg(received_ * 100 / total_));
    else
        label_->setText(QStringLiteral("接收完成"));
}
