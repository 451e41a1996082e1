#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QWidget>

// The frameless full-screen window on which the user drags the region to
// capture over a still picture of the screen. Esc (or the right button)
// cancels; releasing the left button after a drag of at least 2 x 2 pixels
// chooses the region.
class RegionPicker : public QWidget {
    Q_OBJECT
public:
    // `screen`: the grabbed screen in device pixels, shown as the background.
    explicit RegionPicker(const QImage& screen, QWidget* parent = nullptr);

    // The dragged region in the picture's pixels (empty before a drag).
    QRect selection() const;

signals:
    // The user chose `region` (picture pixels, inside the picture).
    void regionChosen(const QRect& region);
    void cancelled();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Widget coordinates to picture pixels.
    QRect toImage(const QRect& widgetRect) const;
    QRect dragRect() const;

    QImage screen_;
    QPoint anchor_;
    QPoint current_;
    bool dragging_ = false;
    bool done_ = false;
};
