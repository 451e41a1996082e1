// The editor's tool bar, its context menu and the slots of its buttons.
#include "capture/editor/ImageViewer.h"

#include "capture/common/AdaptiveToolBar.h"

#include <QButtonGroup>
#include <QContextMenuEvent>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QString iconPath(int number)
{
    return QStringLiteral(":/Lorvane/Resources/imageviewer/imageviewer_%1.png").arg(number, 2, 10, QLatin1Char('0'));
}

}  // namespace

QToolButton* ImageViewer::addToolButton(int number, const QString& text)
{
    return bar_->addButton(QIcon(iconPath(number)), text);
}

void ImageViewer::setupToolBar()
{
    mainLayout_ = new QVBoxLayout(this);
    mainLayout_->setContentsMargins(0, 0, 0, 0);
    mainLayout_->setSpacing(0);

    imageArea_ = new QLabel(this);
    imageArea_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    mainLayout_->addWidget(imageArea_);

    bar_ = new AdaptiveToolBar(this);
    bar_->setObjectName(QStringLiteral("ImageViewer_bar"));
    bar_->setCursor(Qt::ArrowCursor);
    bar_->setMinimumHeight(64);
    mouseButton_ = addToolButton(1, QStringLiteral("鼠  标"));
    cutButton_ = addToolButton(2, QStringLiteral("裁  剪"));
    eraseButton_ = addToolButton(3, QStringLiteral("擦  除"));
    whitenButton_ = addToolButton(4, QStringLiteral("去底色"));
    removeRedButton_ = addToolButton(5, QStringLiteral("去红批"));
    textButton_ = addToolButton(6, QStringLiteral("文  字"));
    penButton_ = addToolButton(7, QStringLiteral("画  笔"));
    rotateButton_ = addToolButton(8, QStringLiteral("右  转"));
    undoButton_ = addToolButton(9, QStringLiteral("撤  销"));
    redoButton_ = addToolButton(10, QStringLiteral("重  做"));
    bar_->finish();
    mainLayout_->addWidget(bar_);

    mouseButton_->setToolTip(QStringLiteral("长按空格进入鼠标模式"));
    undoButton_->setToolTip(QStringLiteral("Ctrl + Z"));
    redoButton_->setToolTip(QStringLiteral("Ctrl + Y"));

    toolGroup_ = new QButtonGroup(this);
    toolGroup_->setExclusive(true);
    const std::pair<QToolButton*, int> tools[] = {
        {mouseButton_, kMouse}, {cutButton_, kCut}, {eraseButton_, kErase}, {textButton_, kText}, {penButton_, kPen}};
    for (const auto& t : tools) {
        t.first->setCheckable(true);
        toolGroup_->addButton(t.first, t.second);
    }

    connect(mouseButton_, &QToolButton::clicked, this, &ImageViewer::on_mouse_clicked);
    connect(cutButton_, &QToolButton::clicked, this, &ImageViewer::on_cut_clicked);
    connect(eraseButton_, &QToolButton::clicked, this, &ImageViewer::on_erase_clicked);
    connect(whitenButton_, &QToolButton::clicked, this, &ImageViewer::on_remove_background_clicked);
    connect(removeRedButton_, &QToolButton::clicked, this, &ImageViewer::image_process_deleteRed);
    connect(textButton_, &QToolButton::clicked, this, &ImageViewer::on_text_clicked);
    connect(penButton_, &QToolButton::clicked, this, &ImageViewer::on_pen_clicked);
    connect(rotateButton_, &QToolButton::clicked, this, &ImageViewer::on_rotate_clicked);
    connect(undoButton_, &QToolButton::clicked, this, &ImageViewer::on_revoke_clicked);
    connect(redoButton_, &QToolButton::clicked, this, &ImageViewer::on_recovery_clicked);
}

QMenu* ImageViewer::createContextMenu()
{
    auto* menu = new QMenu;
    connect(menu->addAction(QStringLiteral("实际大小")), &QAction::triggered, this, &ImageViewer::normalSize);
    connect(menu->addAction(QStringLiteral("适应窗口")), &QAction::triggered, this, &ImageViewer::fitToWindow);
    menu->addSeparator();
    connect(menu->addAction(QStringLiteral("放大 ctrl +")), &QAction::triggered, this, &ImageViewer::zoomIn);
    connect(menu->addAction(QStringLiteral("缩小 ctrl -")), &QAction::triggered, this, &ImageViewer::zoomOut);
    return menu;
}

void ImageViewer::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createContextMenu();
    menu->exec(mapToGlobal(event->pos()));
    delete menu;
}

void ImageViewer::on_mouse_clicked()
{
    setTool(kMouse);
}
void ImageViewer::on_cut_clicked()
{
    setTool(kCut);
}
void ImageViewer::on_erase_clicked()
{
    setTool(kErase);
}
void ImageViewer::on_text_clicked()
{
    setTool(kText);
}
void ImageViewer::on_pen_clicked()
{
    setTool(kPen);
}
void ImageViewer::on_rotate_clicked()
{
    image_process_rotate();
}
void ImageViewer::on_remove_background_clicked()
{
    image_process_remove_background();
}
void ImageViewer::on_correct_clicked()
{
    image_process_deleteRed();
}
void ImageViewer::on_revoke_clicked()
{
    image_process_revoke();
}
void ImageViewer::on_recovery_clicked()
{
    image_process_recovery();
}
