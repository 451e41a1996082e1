#pragma once

#include <QWidget>

#include "platform/WindowSystem.h"

class QLabel;
class QPushButton;
class QButtonGroup;

// The title bar of the program's frameless windows: the window's icon and
// title on the left, up to five buttons on the right, chosen by a bit mask.
// The title bar belongs to its dialog (its parent widget) and acts on it.
//
// The buttons carry neither text nor icon: the application style sheet sizes
// them and gives them their pictures by object name (closeButton,
// maximizeButton, minimizeButton, setButton, helpButton); the labels are
// IconLabel and titleLabel.
class QTitleBar : public QWidget {
    Q_OBJECT
public:
    // Button ids (the ids of the signal); the mask bit of id n is 1 << n.
    enum Button {
        Close = 0,     // mask 1: rejects the dialog
        Maximize = 1,  // mask 2: toggles the maximized state
        Minimize = 2,  // mask 4: minimizes the dialog
        Settings = 3,  // mask 8: only reported
        Help = 4,      // mask 16: only reported
    };
    // The mask bits of the buttons, for setButtons and buttons().
    static constexpr int kCloseBit = 1 << Close;
    static constexpr int kMaximizeBit = 1 << Maximize;
    static constexpr int kMinimizeBit = 1 << Minimize;
    static constexpr int kSettingsBit = 1 << Settings;
    static constexpr int kHelpBit = 1 << Help;
    // A new title bar's buttons: close and minimize (5).
    static constexpr int kDefaultButtons = kCloseBit | kMinimizeBit;

    explicit QTitleBar(QWidget* parent);
    ~QTitleBar() override;

    // Shows the buttons whose bit is set and hides the others. A new title
    // bar shows kDefaultButtons.
    void setButtons(int mask);
    int buttons() const { return mask_; }

    // The title bar's own maximized state: maximizing fills the available
    // area of the first screen; restoring returns to the normal size, centred
    // in that area as counted from (0, 0).
    void setMaximized(bool on);
    bool isMaximized() const { return maximized_; }
    // The size to return to when leaving the maximized state.
    void setNormalSize(int width, int height);

    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // After the button's own action, for every click on a button of a title
    // bar whose dialog is a top-level window.
    void button_clicked(int id);

public slots:
    void buttonClicked(int id);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* dialog() const { return parentWidget(); }

    QLabel* iconLabel_;
    QLabel* titleLabel_;
    QPushButton* helpButton_;
    QPushButton* setButton_;
    QPushButton* minimizeButton_;
    QPushButton* maximizeButton_;
    QPushButton* closeButton_;
    QButtonGroup* group_;
    int mask_ = kDefaultButtons;
    bool maximized_ = false;
    int normalWidth_ = -1;
    int normalHeight_ = -1;
    platform::WindowDragger dragger_;
};
