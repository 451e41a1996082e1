#include "capture/question/QFillInfo.h"

#include <QVBoxLayout>

#include "capture/editor/ImageViewer.h"
#include "capture/question/QTopicInfo.h"

namespace {

constexpr QSize kEditorMinimum(300, 140);

}  // namespace

QFillInfo::QFillInfo(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    editor_ = new ImageViewer(nullptr, QString(), 2);
    // Low enough for the capture window at three quarters of a 1280 x 720
    // screen; the editor takes every pixel the window has beyond that.
    editor_->setMinimumSize(kEditorMinimum);
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
