#include "capture/question/QFillInfo.h"

#include <QVBoxLayout>

#include "capture/editor/ImageViewer.h"
#include "capture/question/QTopicInfo.h"

QFillInfo::QFillInfo(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    editor_ = new ImageViewer(nullptr, QString(), 2);
    editor_->setMinimumSize(300, 200);
    editor_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    layout->addWidget(editor_);
    form_ = new QTopicInfo(this, QTopicInfo::WizardMode);
    layout->addWidget(form_);
}

QFillInfo::~QFillInfo() = default;

void QFillInfo::setData(_detail_t detail)
{
    form_->setData(detail);
}

void QFillInfo::getData(_detail_t& detail)
{
    form_->getData(detail);
}

// Implicitly shared: the pixels are copied only when either side changes them.
QImage QFillInfo::getImage()
{
    return editor_->getImage();
}

void QFillInfo::loadImage(std::string path)
{
    editor_->loadImage(QString::fromStdString(path));
}

void QFillInfo::setTool(int tool)
{
    editor_->setTool(tool);
}

void QFillInfo::setInfoVisible(bool visible)
{
    form_->setVisible(visible);
}

void QFillInfo::fitScreen() {}
