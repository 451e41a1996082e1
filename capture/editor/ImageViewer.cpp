#include "capture/editor/ImageViewer.h"

#include <QButtonGroup>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "capture/common/AdaptiveToolBar.h"
#include "capture/common/ImageOps.h"
#include "capture/common/PixelPool.h"
#include "capture/common/SpaceBarSwitch.h"
#include "platform/PictureFile.h"
#include "ui/QMessageBoxBase.h"

namespace {

constexpr double kZoomInStep = 1.25;
constexpr double kZoomOutStep = 0.8;
constexpr double kMaxScale = 3.0;
constexpr double kMinScale = 0.1;

// A cursor from a resource picture scaled to 24 pixels wide.
QCursor pictureCursor(const char* path, int hotX, int hotY)
{
    const QPixmap picture(QString::fromLatin1(path));
    if (picture.isNull())
        return QCursor(Qt::ArrowCursor);
    return QCursor(picture.scaledToWidth(24, Qt::SmoothTransformation), hotX, hotY);
}

QCursor toolCursor(int tool)
{
    switch (tool) {
    case ImageViewer::kMouse: return QCursor(Qt::OpenHandCursor);
    case ImageViewer::kCut: return pictureCursor(":/Lorvane/Resources/cursor.png", 0, 0);
    case ImageViewer::kErase: return QCursor(Qt::CrossCursor);
    case ImageViewer::kText: return QCursor(Qt::IBeamCursor);
    default: return pictureCursor(":/Lorvane/Resources/imageviewer/cursor_pen.png", 0, 24);
    }
}

}  // namespace

ImageViewer::ImageViewer(QWidget* parent, QString fileName, int tool) : QWidget(parent)
{
    setContextMenuPolicy(Qt::DefaultContextMenu);
    setupToolBar();
    setFocusPolicy(Qt::ClickFocus);
    setupShortcuts();
    if (!fileName.isNull()) {
        history_.reset(fileName.isEmpty() ? QImage() : imageops::toRgb888(readTold(fileName)));
        imageops::prepareSpareFor(history_.image());
    }
    setupToolMachine();
    tools_.set(tool);
}

ImageViewer::~ImageViewer()
{
    // The page buffers kept for the next operation go with the editor; its
    // own pictures first, so that they do not become spares again. Pictures
    // that owners took with getImage() still hold their pixels.
    history_.clear();
    pixelpool::releaseSpares();
}

void ImageViewer::setupShortcuts()
{
    auto add = [this](const QKeySequence& keys, Qt::ShortcutContext context, void (ImageViewer::*slot)()) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setAutoRepeat(false);
        shortcut->setContext(context);
        connect(shortcut, &QShortcut::activated, this, slot);
    };
    add(QKeySequence(Qt::CTRL | Qt::Key_Plus), Qt::WindowShortcut, &ImageViewer::zoomIn);
    add(QKeySequence(Qt::CTRL | Qt::Key_Minus), Qt::WindowShortcut, &ImageViewer::zoomOut);
    // Application-wide, yet Qt hands them only to an editor that is visible
    // and not blocked by a modal dialog.
    add(QKeySequence(Qt::CTRL | Qt::Key_Z), Qt::ApplicationShortcut, &ImageViewer::on_revoke_clicked);
    add(QKeySequence(Qt::CTRL | Qt::Key_Y), Qt::ApplicationShortcut, &ImageViewer::on_recovery_clicked);
}

void ImageViewer::setupToolMachine()
{
    for (int tool = kMouse; tool <= kPen; ++tool) {
        tools_.on(tool, state_names::kInit) = [this, tool](const std::vector<std::string>&) {
            if (QAbstractButton* button = toolGroup_->button(tool))
                button->setChecked(true);
            setCursor(toolCursor(tool));
        };
    }
}

QImage ImageViewer::readTold(const QString& path)
{
    QString refusal;
    const QImage picture = platform::readPicture(path, &refusal);
    if (!refusal.isEmpty())
        QMessageBoxBase::information(this, QStringLiteral("提示"), refusal);
    return picture;
}

// ------------------------------------------------------------ owners' calls

void ImageViewer::loadImage(QString path)
{
    setImage(readTold(path));
}

void ImageViewer::setImage(const QImage& image)
{
    stroking_ = false;
    history_.reset(imageops::toRgb888(image));
    imageops::prepareSpareFor(history_.image());
    update();
}

QImage ImageViewer::getImage() const
{
    return history_.image();  // null when the history is empty
}

bool ImageViewer::canUndo() const
{
    return history_.canUndo();
}

void ImageViewer::clearHistory()
{
    stroking_ = false;
    history_.clear();
    update();
}

void ImageViewer::setTool(int tool)
{
    tools_.set(tool);
}

int ImageViewer::currentTool() const
{
    return tools_.get_state(-1).name;
}

bool ImageViewer::hasPicture() const
{
    return !history_.isEmpty() && !history_.image().isNull();
}

// --------------------------------------------------------------------- view

QPoint ImageViewer::imagePoint(const QPoint& p) const
{
    const QPoint shift(static_cast<int>(view_.dx()), static_cast<int>(view_.dy()));
    if (view_.m11() <= 0)
        return p - shift;  // never set by the editor itself; no division by zero
    return (p - shift) / view_.m11();
}

QRect ImageViewer::pictureArea() const
{
    return QRect(0, 0, width(), height() - bar_->heightFor(width()));
}

// The picture goes into the area above the bar as the layout sizes the bar
// for the present width (the bar's icons shrink in a narrow editor), so the
// bar never covers the fitted picture.
void ImageViewer::fitToWindow()
{
    bar_->adaptTo(width());
    // A bar that changed its icons (here or on its own resize) takes its new
    // height now, not at a later layout pass, so that it never stands over
    // the picture fitted here. Both calls do nothing when nothing changed.
    bar_->layout()->activate();
    mainLayout_->activate();
    if (!hasPicture())
        return;
    const QImage& image = history_.image();
    const QRect area = pictureArea();
    const int w = area.width();
    const int h = area.height();
    if (w <= 0 || h <= 0)
        return;  // no room above the bar yet: keep the view
    double s = std::min(static_cast<double>(w) / image.width(), static_cast<double>(h) / image.height());
    s = std::min(s, 1.0);
    const int shownW = static_cast<int>(image.width() * s);
    const int shownH = static_cast<int>(image.height() * s);
    view_ = QTransform(s, 0, 0, s, (w - shownW) / 2, (h - shownH) / 2);
    update();
}

void ImageViewer::zoomBy(double factor)
{
    const QImage& image = history_.image();
    const int cx = image.width() / 2;
    const int cy = (image.height() - 69) / 2;
    view_.translate(cx, cy);
    view_.scale(factor, factor);
    view_.translate(-cx, -cy);
    update();
}

void ImageViewer::zoomIn()
{
    if (hasPicture() && view_.m11() * kZoomInStep <= kMaxScale)
        zoomBy(kZoomInStep);
}

void ImageViewer::zoomOut()
{
    if (hasPicture() && view_.m11() * kZoomOutStep >= kMinScale)
        zoomBy(kZoomOutStep);
}

void ImageViewer::normalSize() {}

void ImageViewer::pan()
{
    const double scale = view_.m11();
    view_ = pressView_;
    view_.translate(static_cast<int>((currentPoint_.x() - pressPoint_.x()) / scale),
                    static_cast<int>((currentPoint_.y() - pressPoint_.y()) / scale));
    update();
}

void ImageViewer::quick_change()
{
    const int next = SpaceBarSwitch::quickChange(currentTool());
    if (next >= 0)
        tools_.set(next);
}

// -------------------------------------------------------------------- input

void ImageViewer::mousePressEvent(QMouseEvent* event)
{
    if (history_.isEmpty()) {
        QWidget::mousePressEvent(event);
        return;
    }
    pressPoint_ = event->pos();
    currentPoint_ = event->pos();
    pressed_ = true;
    pressView_ = view_;
    if (currentTool() == kPen)
        startStroke();
    update();
}

void ImageViewer::mouseMoveEvent(QMouseEvent* event)
{
    if (!pressed_ || history_.isEmpty()) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    currentPoint_ = event->pos();
    switch (currentTool()) {
    case kMouse: pan(); break;
    case kCut:
    case kErase: update(); break;
    case kPen: extendStroke(); break;
    default: break;
    }
}

void ImageViewer::mouseReleaseEvent(QMouseEvent* event)
{
    if (history_.isEmpty() || !pressed_) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    pressed_ = false;
    switch (currentTool()) {
    case kCut: image_process_cut(); break;
    case kErase: image_process_erase(); break;
    case kText: image_process_text(); break;
    default: break;
    }
    // A stroke ends with the button, whatever tool the space bar left.
    endStroke();
    update();
}

void ImageViewer::wheelEvent(QWheelEvent* event)
{
    if (currentTool() == kMouse && !history_.isEmpty()) {
        if (event->angleDelta().y() > 0)
            zoomIn();
        else
            zoomOut();
    }
    QWidget::wheelEvent(event);
}

void ImageViewer::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat())
        quick_change();
    QWidget::keyPressEvent(event);
}

void ImageViewer::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat())
        quick_change();
    QWidget::keyReleaseEvent(event);
}

// ----------------------------------------------------------------- painting

void ImageViewer::paintEvent(QPaintEvent* event)
{
    if (history_.isEmpty()) {
        QWidget::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.fillRect(rect(), QColor(220, 220, 220));
    const QImage& image = history_.image();
    if (!image.isNull()) {
        painter.setTransform(view_);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QPoint(0, 0), image);
        painter.resetTransform();
    }
    if (!pressed_)
        return;
    const QRect selected = QRect(pressPoint_, currentPoint_).normalized();
    if (currentTool() == kCut) {
        painter.setPen(QPen(QBrush(Qt::blue), 2, Qt::DashDotLine, Qt::SquareCap, Qt::BevelJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(selected);
    } else if (currentTool() == kErase) {
        painter.fillRect(selected, QColor(0, 255, 0, 100));
    }
}

void ImageViewer::showEvent(QShowEvent* event)
{
    setFocus(Qt::OtherFocusReason);
    fitToWindow();
    QWidget::showEvent(event);
}

void ImageViewer::resizeEvent(QResizeEvent* event)
{
    fitToWindow();
    QWidget::resizeEvent(event);
}
