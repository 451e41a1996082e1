#pragma once

#include <QObject>

#include <functional>

class QWidget;

// Holds the program's other windows still for a small window that must not
// grab the keyboard or the mouse (so that an input method's candidate window,
// another program, can still be clicked), and reports a press on them.
//
// While started, every input the window system sends to a window of the
// program that is not `owner`, one of its child windows (its menus) or a
// tooltip is kept away, as an application-modal window keeps it away: mouse,
// wheel, keys, touch, tablet and close requests. A mouse, touch or tablet
// press among them calls `onPress` as well. Input the program sends itself
// passes. Presses on other programs' windows are not seen at all.
//
// The owner is expected to be exec'd without blocking the other windows
// (see textinputDialog), so that their presses reach the program. GUI
// thread only.
class OutsideInput : public QObject {
public:
    OutsideInput(QWidget* owner, std::function<void()> onPress);
    ~OutsideInput() override;

    // Starts or stops watching the application's events; both may repeat.
    void start();
    void stop();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The event goes to the owner, a window of its own or a tooltip.
    bool isOwners(QObject* target) const;

    QWidget* owner_;
    std::function<void()> onPress_;
    bool started_ = false;
};
