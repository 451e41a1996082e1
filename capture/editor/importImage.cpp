#include "capture/editor/importImage.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QResizeEvent>
#include <QVBoxLayout>

#include "capture/editor/ImageViewer.h"
#include "platform/WindowSystem.h"

importImage::importImage(QWidget* parent, QString fileName) : QDialogBase(parent)
{
    setWindowTitle(QStringLiteral("图片编辑"));

    auto* layout = new QVBoxLayout;
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(5);

    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(top);

    editor_ = new ImageViewer(this, fileName, ImageViewer::kCut);
    editor_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    layout->addWidget(editor_);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(5, 5, 5, 5);
    buttons->addStretch();
    importButton_ = new QPushButton(QStringLiteral("导入"), this);
    cancelButton_ = new QPushButton(QStringLiteral("取消"), this);
    buttons->addWidget(importButton_);
    buttons->addWidget(cancelButton_);
    layout->addLayout(buttons);

    addLayout(layout);

    connect(importButton_, &QPushButton::clicked, this, &importImage::on_OK_clicked);
    connect(cancelButton_, &QPushButton::clicked, this, &importImage::on_Cancel_clicked);
}

importImage::~importImage() = default;

void importImage::loadImage(const QString& path)
{
    editor_->setTool(ImageViewer::kCut);
    editor_->loadImage(path);
}

QImage importImage::getImage() const
{
    return editor_->getImage();
}

void importImage::on_OK_clicked()
{
    accept();  // done() closes the window as well
}

void importImage::on_Cancel_clicked()
{
    reject();  // emits rejected() and closes the window
}

void importImage::resizeEvent(QResizeEvent*)
{
    // Re-centred on the first screen; a panel inside another window stays
    // where its layout puts it.
    const QRect area = platform::primaryAvailableGeometry();
    if (!isWindow() || area.isEmpty())
        return;
    QRect frame(QPoint(0, 0), size());
    frame.moveCenter(area.center());
    setGeometry(frame);
}
