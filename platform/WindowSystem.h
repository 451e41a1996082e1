#pragma once

#include <QPoint>
#include <QRect>

class QWidget;

// What the frameless windows need of the window system: the usable desktop
// area and dragging a window by its own title bar.
namespace platform {

// The available geometry (desktop without panels) of the first screen; an
// empty rectangle when there is no screen.
QRect primaryAvailableGeometry();

// Asks the window manager to move the top-level window `window` interactively
// while the mouse button stays pressed. False when the platform cannot do it
// (offscreen, some X11 window managers); the caller then moves the window
// itself, see WindowDragger.
bool startSystemMove(QWidget* window);

// Moving a window with the mouse by hand: press() remembers where the window
// was grabbed, move() follows the pointer while a press is active.
class WindowDragger {
public:
    // Starts a drag of `window`: the system's move when it offers one (returns
    // true, nothing more to do), else a manual drag (returns false; forward
    // the following mouse moves and the release).
    bool press(QWidget* window, const QPoint& globalPos);
    void move(const QPoint& globalPos);
    void release();
    bool isDragging() const { return window_ != nullptr; }

private:
    QWidget* window_ = nullptr;
    QPoint offset_;
};

}  // namespace platform
