#include "capture/editor/OutsideInput.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

#include <utility>

namespace {

enum class Kind { Other, Press, Held };

Kind kindOf(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::TouchBegin:
    case QEvent::TabletPress: return Kind::Press;
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::ContextMenu:
    case QEvent::Close: return Kind::Held;
    default: return Kind::Other;
    }
}

// The widget a window of the program shows, or null for a window that shows
// no widget.
QWidget* widgetOf(QObject* target)
{
    if (auto* widget = qobject_cast<QWidget*>(target))
        return widget;
    auto* window = qobject_cast<QWindow*>(target);
    if (!window)
        return nullptr;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->windowHandle() == window)
            return top;
    }
    return nullptr;
}

}  // namespace

OutsideInput::OutsideInput(QWidget* owner, std::function<void()> onPress) : owner_(owner), onPress_(std::move(onPress))
{
}

OutsideInput::~OutsideInput()
{
    stop();
}

void OutsideInput::start()
{
    if (started_ || !qApp)
        return;
    qApp->installEventFilter(this);
    started_ = true;
}

void OutsideInput::stop()
{
    if (!started_)
        return;
    if (qApp)
        qApp->removeEventFilter(this);
    started_ = false;
}

bool OutsideInput::isOwners(QObject* target) const
{
    QWidget* widget = widgetOf(target);
    if (!widget)
        return true;  // no window of the program's widgets: not ours to hold
    if (widget->window()->windowType() == Qt::ToolTip)
        return true;
    for (QWidget* w = widget; w; w = w->parentWidget()) {
        if (w == owner_)
            return true;
    }
    return false;
}

bool OutsideInput::eventFilter(QObject* watched, QEvent* event)
{
    if (!event->spontaneous())
        return false;
    const Kind kind = kindOf(event->type());
    if (kind == Kind::Other || isOwners(watched))
        return false;
    if (event->type() == QEvent::Close)
        event->ignore();  // the window stays open
    if (kind == Kind::Press && onPress_)
        onPress_();
    return true;
}
