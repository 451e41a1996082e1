#include "ui/WheelPassThrough.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QEvent>
#include <QObject>
#include <QWheelEvent>
#include <QWidget>

namespace {

QAbstractScrollArea* scrollAreaAround(QWidget* field)
{
    for (QWidget* w = field->parentWidget(); w; w = w->parentWidget()) {
        if (auto* area = qobject_cast<QAbstractScrollArea*>(w))
            return area;
    }
    return nullptr;
}

class WheelPassThrough : public QObject {
public:
    explicit WheelPassThrough(QWidget* field) : QObject(field), field_(field) {}

protected:
    // The wheel is handed to the scroll area's viewport itself: Qt carries
    // only wheel events that come from the window system on to the parents,
    // and this way every wheel event reaches the page the same way.
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != field_ || event->type() != QEvent::Wheel || field_->hasFocus())
            return QObject::eventFilter(watched, event);
        auto* wheel = static_cast<QWheelEvent*>(event);
        QAbstractScrollArea* area = scrollAreaAround(field_);
        if (!area) {
            event->ignore();  // on to the parents, as one the field does not want
            return true;
        }
        QWidget* viewport = area->viewport();
        const QPointF at = viewport->mapFromGlobal(wheel->globalPosition().toPoint());
        QWheelEvent passed(at, wheel->globalPosition(), wheel->pixelDelta(), wheel->angleDelta(), wheel->buttons(),
                           wheel->modifiers(), wheel->phase(), wheel->inverted(), wheel->source());
        QApplication::sendEvent(viewport, &passed);
        return true;
    }

private:
    QWidget* field_;
};

}  // namespace

void passWheelUnlessFocused(QWidget* field)
{
    field->setFocusPolicy(Qt::StrongFocus);  // the wheel itself gives no focus
    field->installEventFilter(new WheelPassThrough(field));
}
