#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

class QPropertyAnimation;
class QToolButton;

// The pending upper half of a question, shown in a band above the cutter with
// the hint "请抽取下半题" in a colour that runs red, yellow, green, cyan, blue,
// magenta every two seconds. The capture window shows it (setImage) when the
// cutter keeps an upper half and hides it when the half is used; its close
// button drops the half (btn_hide, then the band closes).
class half_image : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QColor color READ color WRITE setColor)
public:
    explicit half_image(QWidget* parent = nullptr);
    ~half_image() override;

    QColor color() const { return color_; }
    void setColor(const QColor& color);

    const QImage& image() const { return image_; }
    QToolButton* closeButton() const { return btnClose_; }
    QPropertyAnimation* animation() const { return animation_; }

signals:
    void btn_hide();

public slots:
    // Shows a copy of *image (nothing for a null pointer).
    void setImage(QImage* image);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void setupCloseButton();
    void setupAnimation();

    QImage image_;
    QColor color_;
    QImage scaled_;  // image_ fitted into the band, kept between repaints
    QSize scaledFor_;
    QToolButton* btnClose_ = nullptr;
    QPropertyAnimation* animation_ = nullptr;
};
