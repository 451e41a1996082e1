#pragma once

#include <QImage>
#include <QPoint>
#include <QTransform>
#include <QVector>
#include <QWidget>

class QMutex;

// The camera's live picture in the camera window: drawn turned by quarter
// turns, zoomed with the wheel and moved by dragging, with the page outline
// over it. The picture belongs to the window, which rewrites it from the
// camera's thread under `mutex`; the widget takes the mutex while painting.
class imageWidget : public QWidget {
    Q_OBJECT
public:
    imageWidget(QMutex* mutex, QWidget* parent = nullptr);

    // Keeps the pointer (not owned; guarded by the mutex) and repaints.
    void setImage(QImage* image);
    // Keeps both; the points are in picture pixels and are kept relative to
    // the picture's centre (minus half the frame size, integer halves).
    void setPolygon(bool show, QVector<QPoint> points);
    // The size of the pictures to come: centres them in the widget and fits
    // their longer side to the widget's height.
    void setFrameSize(int width, int height);
    // A quarter turn to the left or right (angles stay within -359..359).
    void rotateLeft();
    void rotateRight();

    double scale() const { return scale_; }
    int angle() const { return angle_; }
    QPoint centre() const { return QPoint(centreX_, centreY_); }
    QVector<QPoint> polygon() const { return polygon_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QImage* image_ = nullptr;
    bool showPolygon_ = false;
    QVector<QPoint> polygon_;
    QTransform transform_;
    bool dragging_ = false;
    int lastX_ = 0;
    int lastY_ = 0;
    int centreX_ = 0;
    int centreY_ = 0;
    double scale_ = 1.0;
    int angle_ = 0;
    QMutex* mutex_;
    int frameWidth_ = 0;
    int frameHeight_ = 0;
};
