#pragma once

#include <QColor>
#include <QDialog>
#include <QImage>
#include <QMutex>
#include <QStringList>
#include <QWaitCondition>

#include <atomic>
#include <memory>
#include <string>

#include "platform/camera/Camera.h"
#include "platform/camera/PageOutline.h"
#include "platform/camera/Plugin.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QThumbnail;
class QToolButton;
class imageWidget;

// The full-screen window in which the user photographs pages with the
// document camera: the live picture (turnable, zoomable), the page outline
// when 纠偏 is on, and each shot turned by the stored quarter turns
// ("video_rotate"), straightened when 纠偏 is on, saved as tmp/<seconds>.jpg
// and listed in the strip on the left.
//
//     QVideoView view(this);
//     view.showFullScreen();
//     modal::exec(view);
//     const QStringList shots = view.getFiles();   // in the order taken
//
// The window loads the camera plugin (real cameras, the shutter sound) when
// it opens; without the plugin a real camera gives "未连接设备！" and shots
// are silent.
//
// The camera layer calls back on its own threads: frames are handed over
// under the preview mutex (at most one preview waits for the GUI thread, so
// nothing queues up), shots under the capture mutex, device arrival and
// removal as a queued signal. The device itself is opened, stopped and
// closed on the GUI thread only.
class QVideoView : public QDialog {
    Q_OBJECT
    Q_PROPERTY(QColor color READ color WRITE setColor)
    Q_PROPERTY(int alpha READ alpha WRITE setAlpha)
public:
    explicit QVideoView(QWidget* parent = nullptr);
    ~QVideoView() override;

    // The shot files in the strip's order; its menu may reorder them, or
    // delete them together with their files.
    QStringList getFiles() const;

    QColor color() const { return color_; }
    void setColor(QColor color);
    int alpha() const { return alpha_; }
    void setAlpha(int alpha);

    // The quarter turns applied to the view and the shots: -1 while no
    // device is open, else the stored turns modulo 4 (sign kept).
    int effectiveRotation() const;
    bool hasDevice() const { return device_ != nullptr; }
    // How long a shot may take before "拍照失败!" (default 3000 ms).
    void setShotTimeout(int ms) { shotTimeoutMs_ = ms; }

signals:
    void sgn_frame();
    void sgn_ready();
    // A device arrived (event 1) or was removed (event 2); emitted on the
    // camera layer's thread, delivered queued.
    void sgn_device(int event, const QString& id);

public slots:
    void timer_initDevice();
    void RotateLeft_clicked();
    void RotateRight_clicked();
    void capture_clicked();
    void view_frame();
    void view_ready();
    void desk_stateChanged(int state);

private slots:
    void device_event(int event, const QString& id);

private:
    void setupWidgets();
    void setupLayout();
    void setupConnections();

    bool openDevice(const std::string& id);
    void closeDevice();
    // Camera thread: one frame.
    void onFrame(const camera::Frame& frame);
    void turnView(int r);
    // The shot taken by the camera thread, waiting at most the shot timeout.
    QImage waitForShot();
    QString uniqueShotPath() const;
    void shotSaved(const QString& path);
    void playCaptureSound();
    void startShotAnimations();

    // Widgets, in layout order.
    QThumbnail* strip_;
    imageWidget* view_;
    QLabel* count_;
    QWidget* toolBar_;
    QToolButton* left_;
    QToolButton* capture_;
    QToolButton* right_;
    QCheckBox* desk_;
    QPushButton* back_;

    // Shot hand-over (captureMutex_): the GUI thread sets the request and
    // waits; the camera thread fills shot_, clears the request and wakes it.
    QMutex captureMutex_;
    QWaitCondition frameReady_;
    bool captureRequested_ = false;
    QImage shot_;
    int shotTimeoutMs_ = 3000;

    // Preview hand-over (previewMutex_, also taken by the view's paint).
    QMutex previewMutex_;
    QImage preview_;
    camera::Corners previewCorners_{};
    bool hasCorners_ = false;
    camera::Corners lastCorners_{};  // frame pixels; read by the camera thread only
    bool lastCornersValid_ = false;
    std::atomic<bool> framePending_{false};
    std::atomic<bool> deskew_{false};

    std::unique_ptr<camera::Backend> backend_;
    std::unique_ptr<camera::Device> device_;
    std::string deviceId_;
    bool deviceWasOpen_ = false;
    int frameWidth_ = 0;
    int frameHeight_ = 0;

    QColor color_;
    int alpha_ = 0;
    int rotation_ = 0;
    std::unique_ptr<camera::Sound> sound_;  // made at the first shot
};
