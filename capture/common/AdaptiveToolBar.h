#pragma once

#include <QSize>
#include <QVector>
#include <QWidget>

class QHBoxLayout;
class QIcon;
class QToolButton;

// A tool bar of one row of tool buttons, each with its text under its icon,
// centred between two stretches: the bars of the image editor and of the
// cutter.
//
// The buttons show 64-pixel icons, 10 pixels apart, while that row fits the
// bar's width, else 32-pixel icons 4 pixels apart, so that a bar in a narrow
// window (the capture window on a 1280 x 720 screen) keeps every button
// whole. The bar's minimum width is that of the small row; its height is
// that of the row at the icon size in use, never below its minimum height.
//
//     auto* bar = new AdaptiveToolBar(parent);
//     bar->addButton(icon, text);      // ...for each button, left to right
//     bar->finish();
//
// The bar adapts to its width on every resize; an owner that must know the
// bar's height before the layout has run asks heightFor() or calls adaptTo()
// with the width the bar will get. GUI thread only.
class AdaptiveToolBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kLargeIcon = 64;
    static constexpr int kSmallIcon = 32;

    explicit AdaptiveToolBar(QWidget* parent = nullptr);
    ~AdaptiveToolBar() override;

    // Appends a button (text under the icon) at the present icon size.
    QToolButton* addButton(const QIcon& icon, const QString& text);
    // Closes the row with its right-hand stretch; call after the last button.
    void finish();

    // The icon size that fits a bar `width` pixels wide.
    int iconSideFor(int width) const;
    // Uses that icon size; true when it changed.
    bool adaptTo(int width);
    int iconSide() const { return side_; }
    // The height the bar takes in a layout when it is `width` pixels wide.
    int heightFor(int width) const;

    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // The row's size with every button at icon size `side`.
    QSize rowSize(int side) const;

    QHBoxLayout* row_ = nullptr;
    QVector<QToolButton*> buttons_;
    int side_ = kLargeIcon;
};
