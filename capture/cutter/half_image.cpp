#include "capture/cutter/half_image.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QPainter>
#include <QPropertyAnimation>
#include <QStyle>
#include <QStyleOption>
#include <QToolButton>

namespace {

const char* const kHint = "请抽取下半题";

}  // namespace

half_image::half_image(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents, false);
    setupCloseButton();
    setCursor(Qt::ArrowCursor);
    setupAnimation();
}

half_image::~half_image() = default;

void half_image::setupCloseButton()
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);
    layout->addStretch();
    layout->addStretch();

    btnClose_ = new QToolButton(this);
    btnClose_->setToolTip(QStringLiteral("关闭"));
    btnClose_->setMinimumSize(16, 16);
    btnClose_->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    layout->addWidget(btnClose_, 0, Qt::AlignTop);
    connect(btnClose_, &QToolButton::clicked, this, &half_image::btn_hide);
    connect(btnClose_, &QToolButton::clicked, this, &half_image::close);
}

void half_image::setupAnimation()
{
    animation_ = new QPropertyAnimation(this, "color", this);
    animation_->setDuration(2000);
    animation_->setLoopCount(-1);
    animation_->setKeyValueAt(0.0, QColor(255, 0, 0));
    animation_->setKeyValueAt(0.2, QColor(255, 255, 0));
    animation_->setKeyValueAt(0.4, QColor(0, 255, 0));
    animation_->setKeyValueAt(0.6, QColor(0, 255, 255));
    animation_->setKeyValueAt(0.8, QColor(0, 0, 255));
    animation_->setKeyValueAt(1.0, QColor(255, 0, 255));
    animation_->start();
}

void half_image::setColor(const QColor& color)
{
    color_ = color;
    update();
}

void half_image::setImage(QImage* image)
{
    if (!image)
        return;
    image_ = image->copy();
    scaled_ = QImage();
    update();
    show();
}

void half_image::showEvent(QShowEvent* event)
{
    move(0, 0);
    btnClose_->move(width() - 23, 3);
    QWidget::showEvent(event);
}

void half_image::resizeEvent(QResizeEvent* event)
{
    btnClose_->move(width() - 23, 3);
    QWidget::resizeEvent(event);
}

void half_image::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);

    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!image_.isNull()) {
        // The colour repaints many times a second: scale once per size.
        const QSize room(width() - 4, height() - 4);
        if (scaled_.isNull() || scaledFor_ != room)
            scaled_ = image_.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        scaledFor_ = room;
        const QImage& scaled = scaled_;
        painter.drawImage(width() / 2 - scaled.width() / 2, height() / 2 - scaled.height() / 2, scaled);

        QFont font(QStringLiteral("Microsoft YaHei"));
        font.setPointSize(16);
        font.setLetterSpacing(QFont::AbsoluteSpacing, 0);
        painter.setFont(font);
        const QString hint = QString::fromUtf8(kHint);
        QRect band = QFontMetrics(font).boundingRect(hint);
        band.moveCenter(rect().center());
        painter.fillRect(band, QColor(0, 0, 0, 100));
        painter.setPen(color_);
        painter.drawText(band, Qt::AlignCenter, hint);
    }
    QWidget::paintEvent(event);
}
