#include "platform/WindowSystem.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace platform {

QRect primaryAvailableGeometry()
{
    const auto screens = QGuiApplication::screens();
    if (screens.isEmpty())
        return QRect();
    QScreen* first = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen() : screens.first();
    return first->availableGeometry();
}

bool startSystemMove(QWidget* window)
{
    if (!window || !window->isWindow())
        return false;
    QWindow* handle = window->windowHandle();
    if (!handle)
        return false;
    return handle->startSystemMove();
}

bool WindowDragger::press(QWidget* window, const QPoint& globalPos)
{
    window_ = nullptr;
    if (!window)
        return false;
    if (startSystemMove(window))
        return true;
    window_ = window;
    offset_ = globalPos - window->frameGeometry().topLeft();
    return false;
}

void WindowDragger::move(const QPoint& globalPos)
{
    if (window_)
        window_->move(globalPos - offset_);
}

void WindowDragger::release()
{
    window_ = nullptr;
}

}  // namespace platform
