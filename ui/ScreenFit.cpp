#include "ui/ScreenFit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace screenfit {

QRect fitted(const QRect& window, const QSize& minimum, const QRect& area)
{
    if (area.isEmpty())
        return window;
    const int width = std::max(std::min(window.width(), area.width()), minimum.width());
    const int height = std::max(std::min(window.height(), area.height()), minimum.height());
    // Right and bottom edges first, so that a window still larger than the
    // area keeps its title bar and left edge on the screen.
    int x = std::min(window.x(), area.x() + area.width() - width);
    int y = std::min(window.y(), area.y() + area.height() - height);
    x = std::max(x, area.x());
    y = std::max(y, area.y());
    return QRect(x, y, width, height);
}

QRect availableArea(const QWidget* window)
{
    QScreen* screen = QGuiApplication::screenAt(window->frameGeometry().center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

bool fitIntoScreen(QWidget* window)
{
    if (!window || !window->isWindow() || (window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        return false;
    const QRect frame = window->frameGeometry();
    const QRect inner = window->geometry();
    // The window manager's frame around the client area (none for the
    // program's frameless windows).
    const QMargins border(inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
                          frame.bottom() - inner.bottom());
    const QSize extra(border.left() + border.right(), border.top() + border.bottom());
    const QRect target = fitted(frame, window->minimumSize() + extra, availableArea(window));
    if (target == frame)
        return false;
    window->setGeometry(target.marginsRemoved(border));
    return true;
}

}  // namespace screenfit
