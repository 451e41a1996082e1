#include "capture/sources/QVideoView.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMutexLocker>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

#include "capture/common/ImageOps.h"
#include "capture/sources/imageWidget.h"
#include "core/Settings.h"
#include "transfer/QThumbnail.h"
#include "ui/QMessageBoxBase.h"
#include "ui/ScreenFit.h"

namespace {

constexpr int kPreviewFactor = 4;
constexpr int kEventArrived = 1;
constexpr int kEventRemoved = 2;

QString title(const char* text)
{
    return QString::fromUtf8(text);
}

// One of the tool bar's picture buttons (drawn by
// resources/art/make_camera_pictures.sh), 64 x 64 like the cutter's.
QToolButton* makeButton(QWidget* parent, const char* objectName, int picture, const char* tip)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setIcon(
        QIcon(QStringLiteral(":/Lorvane/Resources/camera/camera_%1.png").arg(picture, 2, 10, QLatin1Char('0'))));
    button->setIconSize(QSize(48, 48));
    button->setToolTip(QString::fromUtf8(tip));
    button->setFixedSize(64, 64);
    return button;
}

}  // namespace

QVideoView::QVideoView(QWidget* parent) : QDialog(parent)
{
    rotation_ = getIniValue<int>(QStringLiteral("video_rotate"), 0);
    setupWidgets();
    setupLayout();
    setupConnections();
    // Shown full screen; where no window manager honours that, it still
    // covers the free area of the screen.
    const QRect area = screenfit::availableArea(this);
    if (!area.isEmpty())
        setGeometry(area);
    QTimer::singleShot(0, this, &QVideoView::timer_initDevice);
}

QVideoView::~QVideoView()
{
    // No device event may reach this window once its destruction begins.
    if (backend_)
        backend_->setDeviceCallback(camera::DeviceCallback());
    closeDevice();
    backend_.reset();
    // Without a camera the turns stay as they were: nobody could see or
    // change them.
    if (deviceWasOpen_)
        setIniValue(QStringLiteral("video_rotate"), rotation_ % 4);
}

void QVideoView::setupWidgets()
{
    strip_ = new QThumbnail(this);
    strip_->setFixedWidth(180);
    view_ = new imageWidget(&previewMutex_, this);
    view_->setObjectName(QStringLiteral("video_show"));
    view_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

    toolBar_ = new QWidget(this);
    toolBar_->setObjectName(QStringLiteral("video_toolBar"));
    toolBar_->setContentsMargins(5, 5, 5, 5);
    toolBar_->setMinimumHeight(74);
    count_ = new QLabel(toolBar_);
    count_->setObjectName(QStringLiteral("video_thumb"));
    count_->setFixedSize(64, 64);
    count_->setAlignment(Qt::AlignCenter);
    left_ = makeButton(toolBar_, "toolLeft", 1, "左转");
    capture_ = makeButton(toolBar_, "toolScan", 2, "拍照");
    capture_->setEnabled(false);
    right_ = makeButton(toolBar_, "toolRight", 3, "右转");
    desk_ = new QCheckBox(QStringLiteral("纠偏"), toolBar_);
    desk_->setObjectName(QStringLiteral("scan_boxDesk"));
    const int deskState = getIniValue<int>(QStringLiteral("scan_boxDesk"), 2);
    desk_->setChecked(deskState != 0);
    deskew_ = deskState == 2;
    back_ = new QPushButton(QStringLiteral("返回"), toolBar_);
    back_->setFixedSize(64, 36);
}

void QVideoView::setupLayout()
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(1, 1, 1, 1);
    outer->setSpacing(0);
    auto* body = new QHBoxLayout;
    body->setContentsMargins(5, 5, 5, 5);
    body->setSpacing(5);
    body->addWidget(strip_);
    body->addWidget(view_);
    outer->addLayout(body);

    auto* tools = new QHBoxLayout(toolBar_);
    tools->setContentsMargins(5, 5, 5, 5);
    tools->setSpacing(5);
    tools->addWidget(count_);
    tools->addStretch();
    tools->addWidget(left_);
    tools->addWidget(capture_);
    tools->addWidget(right_);
    tools->addWidget(desk_);
    tools->addStretch();
    tools->addWidget(back_);
    outer->addWidget(toolBar_);
}

void QVideoView::setupConnections()
{
    connect(back_, &QPushButton::clicked, this, &QDialog::accept);
    connect(left_, &QToolButton::clicked, this, &QVideoView::RotateLeft_clicked);
    connect(right_, &QToolButton::clicked, this, &QVideoView::RotateRight_clicked);
    connect(capture_, &QToolButton::clicked, this, &QVideoView::capture_clicked);
    connect(desk_, &QCheckBox::stateChanged, this, &QVideoView::desk_stateChanged);
    connect(this, &QVideoView::sgn_frame, this, &QVideoView::view_frame);
    connect(this, &QVideoView::sgn_ready, this, &QVideoView::view_ready);
    // Queued even when a device event is reported from the GUI thread: the
    // handler opens and closes devices, which must not happen inside the
    // layer's own reporting.
    connect(this, &QVideoView::sgn_device, this, &QVideoView::device_event, Qt::QueuedConnection);
}

QStringList QVideoView::getFiles() const
{
    return strip_->paths();
}

void QVideoView::setColor(QColor color)
{
    color_ = color;
    count_->setStyleSheet(QStringLiteral("border-radius: 5px;background:rgb(%1,%2,%3);color:black; font-size: 16pt;")
                              .arg(color.red())
                              .arg(color.green())
                              .arg(color.blue()));
}

void QVideoView::setAlpha(int alpha)
{
    alpha_ = alpha;
    update();
}

int QVideoView::effectiveRotation() const
{
    return device_ ? rotation_ % 4 : -1;
}

void QVideoView::timer_initDevice()
{
    // Loaded now rather than at the first shot, which should not wait for
    // it. Without the plugin the file-fed camera still works.
    std::string pluginError;
    camera::plugin(pluginError);
    backend_ = camera::createBackend();
    if (backend_) {
        backend_->setDeviceCallback([this](camera::DeviceEvent event, const camera::DeviceInfo& info) {
            emit sgn_device(event == camera::DeviceEvent::Arrived ? kEventArrived : kEventRemoved,
                            QString::fromStdString(info.id));
        });
    }
    const auto devices = backend_ ? backend_->devices() : std::vector<camera::DeviceInfo>();
    if (devices.empty() || !openDevice(devices.front().id)) {
        QMessageBoxBase::information(this, title("提示"), title("未连接设备！"));
        close();
    }
}

bool QVideoView::openDevice(const std::string& id)
{
    closeDevice();
    std::string err;
    std::unique_ptr<camera::Device> device = backend_->open(id, err);
    if (!device)
        return false;
    const QSize size = device->frameSize();
    {
        QMutexLocker lock(&previewMutex_);
        frameWidth_ = size.width();
        frameHeight_ = size.height();
    }
    lastCornersValid_ = false;
    framePending_ = false;
    if (!device->start([this](const camera::Frame& frame) { onFrame(frame); }, err))
        return false;
    device_ = std::move(device);
    deviceId_ = id;
    deviceWasOpen_ = true;
    return true;
}

void QVideoView::closeDevice()
{
    if (!device_)
        return;
    device_->stop();  // no frame callback runs after this
    device_.reset();
    deviceId_.clear();
    capture_->setEnabled(false);
}

void QVideoView::device_event(int event, const QString& id)
{
    if (!backend_)
        return;
    if (event == kEventRemoved) {
        if (device_ && id.toStdString() == deviceId_)
            closeDevice();
        return;
    }
    if (!device_) {
        // A camera came: take the best one present.
        const auto devices = backend_->devices();
        if (!devices.empty())
            openDevice(devices.front().id);
    }
}

void QVideoView::onFrame(const camera::Frame& frame)
{
    if (frame.number == 1)
        emit sgn_ready();

    {
        QMutexLocker lock(&captureMutex_);
        if (captureRequested_) {
            QImage shot = frame.image;
            if (deskew_ && lastCornersValid_) {
                const QImage straight = camera::deskew(frame.image, lastCorners_);
                if (!straight.isNull())
                    shot = straight;
            }
            shot_ = shot;
            captureRequested_ = false;
            frameReady_.wakeAll();
        }
    }

    // The GUI thread has not shown the last preview yet: this frame is not
    // prepared at all, so nothing piles up.
    if (framePending_)
        return;
    const QImage preview = camera::scaledDown(frame.image, kPreviewFactor);
    camera::Corners corners{};
    const bool found = deskew_ && camera::findPage(preview, corners);
    lastCornersValid_ = found;
    if (found) {
        for (int i = 0; i < 4; ++i)
            lastCorners_[static_cast<size_t>(i)] = corners[static_cast<size_t>(i)] * kPreviewFactor;
    }
    {
        QMutexLocker lock(&previewMutex_);
        preview_ = preview;
        previewCorners_ = corners;
        hasCorners_ = found;
    }
    framePending_ = true;
    emit sgn_frame();
}

void QVideoView::view_ready()
{
    if (!device_)
        return;
    capture_->setEnabled(true);
    view_->setFrameSize(frameWidth_ / kPreviewFactor, frameHeight_ / kPreviewFactor);
    turnView(effectiveRotation());
}

void QVideoView::turnView(int r)
{
    switch (imageops::turnType(r)) {
    case 1: view_->rotateRight(); break;
    case 2:
        view_->rotateRight();
        view_->rotateRight();
        break;
    case 3: view_->rotateLeft(); break;
    default: break;
    }
}

void QVideoView::view_frame()
{
    framePending_ = false;
    QVector<QPoint> polygon;
    {
        QMutexLocker lock(&previewMutex_);
        if (deskew_ && hasCorners_)
            polygon = QVector<QPoint>(previewCorners_.begin(), previewCorners_.end());
    }
    view_->setImage(&preview_);
    view_->setPolygon(deskew_, polygon);
}

void QVideoView::RotateLeft_clicked()
{
    if (!device_)
        return;
    --rotation_;
    view_->rotateLeft();
}

void QVideoView::RotateRight_clicked()
{
    if (!device_)
        return;
    ++rotation_;
    view_->rotateRight();
}

void QVideoView::desk_stateChanged(int state)
{
    deskew_ = state == Qt::Checked;
    setIniValue(QStringLiteral("scan_boxDesk"), state);
}

QImage QVideoView::waitForShot()
{
    QMutexLocker lock(&captureMutex_);
    shot_ = QImage();
    captureRequested_ = true;
    QDeadlineTimer deadline(shotTimeoutMs_);
    while (captureRequested_) {
        if (!frameReady_.wait(&captureMutex_, deadline))
            break;
    }
    captureRequested_ = false;  // a camera that never answered leaves no request behind
    QImage shot = shot_;
    shot_ = QImage();
    return shot;
}

void QVideoView::capture_clicked()
{
    if (!device_) {
        QMessageBoxBase::information(this, title("错误提示"), title("没有视频设备!"));
        return;
    }
    QImage shot = waitForShot();
    if (shot.isNull()) {
        QMessageBoxBase::information(this, title("错误提示"), title("拍照失败!"));
        return;
    }
    const int type = imageops::turnType(effectiveRotation());
    if (type != 0) {
        QImage turned;
        // A turn that fails keeps the shot as taken: the page can still be
        // turned in the cutter.
        if (imageops::rotateDirect(shot, type, turned))
            shot = turned;  // a fresh image of its own
    }
    const QString path = uniqueShotPath();
    if (path.isEmpty() || !shot.save(path)) {
        QMessageBoxBase::information(this, title("错误提示"), title("图片保存失败!"));
        return;
    }
    shotSaved(path);
}

QString QVideoView::uniqueShotPath() const
{
    if (!QDir().mkpath(QStringLiteral("tmp")))
        return QString();
    const qint64 seconds = QDateTime::currentSecsSinceEpoch();
    QString path = QStringLiteral("tmp/%1.jpg").arg(seconds);
    for (int n = 1; QFile::exists(path); ++n)
        path = QStringLiteral("tmp/%1-%2.jpg").arg(seconds).arg(n);
    return path;
}

void QVideoView::shotSaved(const QString& path)
{
    playCaptureSound();
    count_->setText(QStringLiteral("×%1").arg(strip_->count() + 1));
    startShotAnimations();
    // The strip reads the saved file back at thumbnail size (a JPEG decodes
    // scaled down), so the full-size shot is never scaled here.
    strip_->addItem(path);
    strip_->setCurrentItem(strip_->count() - 1);
}

void QVideoView::playCaptureSound()
{
    // Silent where there is no audio output (the effect then simply does
    // not play) or no camera plugin.
    if (!sound_) {
        std::string err;
        if (camera::Plugin* plugin = camera::plugin(err))
            sound_ = plugin->createSound(QStringLiteral("qrc:/Lorvane/Resources/capture.wav"));
    }
    if (sound_)
        sound_->play();
}

void QVideoView::startShotAnimations()
{
    auto* group = new QParallelAnimationGroup(this);
    auto* flash = new QPropertyAnimation(this, "color", group);
    flash->setDuration(600);
    flash->setKeyValueAt(0.0, QColor(255, 0, 0));
    flash->setKeyValueAt(0.2, QColor(Qt::white));
    flash->setKeyValueAt(0.4, QColor(0, 255, 0));
    flash->setKeyValueAt(0.6, QColor(Qt::white));
    flash->setKeyValueAt(0.8, QColor(0, 0, 255));
    flash->setKeyValueAt(1.0, QColor(Qt::white));
    auto* shake = new QPropertyAnimation(this, "pos", group);
    shake->setDuration(600);
    const QPointF origin = pos();
    shake->setKeyValueAt(0.0, origin.toPoint());
    const double angles[] = {1.256, 2.512, 3.768, 5.024};
    for (int i = 0; i < 4; ++i) {
        const double offset = 5.0 * std::sin(angles[i]);
        shake->setKeyValueAt(0.2 * (i + 1), (origin + QPointF(offset, offset)).toPoint());
    }
    shake->setKeyValueAt(1.0, origin.toPoint());
    group->start(QAbstractAnimation::DeleteWhenStopped);
}
