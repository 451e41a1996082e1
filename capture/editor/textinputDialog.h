#pragma once

#include <QDialog>
#include <QString>

#include "capture/editor/OutsideInput.h"
#include "platform/WindowSystem.h"

class QLineEdit;

// The one-line text entry that the editor's text tool opens where the user
// clicked: a borderless window, always on top, holding an entry of at most
// 20 characters and, to its right, a move picture by which the mouse drags
// it.
//
// Keys in the entry: Enter accepts, Esc rejects, the arrow keys move the
// window by one pixel while the entry is empty (afterwards they move the
// text cursor), Tab switches the text between red and black.
//
// A press on any other window of the program ends the entry as Enter does
// (an entry holding nothing but blanks is rejected, so nothing is written),
// so that a pupil who clicks elsewhere (下一步, another tool) is never held by
// it; that press goes no further. While the entry is open the program's other
// windows take no input, as under any modal dialog. The window is no pop-up
// and grabs neither keyboard nor mouse: an input method's candidate window
// (another program) can be clicked while typing Chinese without ending the
// entry, and presses on other programs do not end it.
//
//     textinputDialog entry;
//     entry.move(globalPoint);
//     if (modal::exec(entry) == QDialog::Accepted)
//         write(entry.text(), entry.isRed() ? Qt::red : Qt::black, entry.pos());
class textinputDialog : public QDialog {
    Q_OBJECT
public:
    textinputDialog();
    ~textinputDialog() override;

    // What was typed, as typed.
    QString text() const;
    // The text is to be written in red (toggled by Tab).
    bool isRed() const { return red_; }
    QLineEdit* lineEdit() const { return lineEdit_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // A press beside the entry starts dragging the window.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // Handles a key of the entry; true when it is used up here.
    bool entryKey(int key);
    // A press elsewhere: Enter, or Esc for an entry of blanks.
    void endByPressOutside();

    bool red_ = false;
    QLineEdit* lineEdit_ = nullptr;
    platform::WindowDragger dragger_;
    OutsideInput outside_;
};
