#pragma once

#include <QString>

#include <chrono>
#include <functional>
#include <memory>

class QProgressDialog;

// Whether the user may end a loop over files early.
enum class FileCancel { NotOffered, Offered };

// The progress dialog of a loop over files that the user waits for: no
// parent, only the customize-window and close-button window flags, range 0
// to `count`, minimum duration 0, `title` as its title and text. The caller
// advances it by one per file.
//  - NotOffered: window-modal, no cancel button; the loop never looks at it.
//  - Offered: the button "取消" (also the close button and Esc), and
//    application-modal: the loop waits with awaitUnlessCancelled, which lets
//    user input through, and only this dialog may take it meanwhile.
std::unique_ptr<QProgressDialog> makeFileProgress(const QString& title, int count,
                                                  FileCancel cancel = FileCancel::NotOffered);

// Waits for work running on other threads while the window stays alive:
// until `done(slice)` (which may block for at most `slice`) says the work has
// finished, the pending events are processed after every slice of 30 ms
// without it, user input included, so the window paints and the dialog's
// 取消 can be pressed. False, without waiting further, once the dialog is
// cancelled (also when it was before the call). GUI thread; elsewhere it
// just waits.
bool awaitUnlessCancelled(QProgressDialog& progress, const std::function<bool(std::chrono::milliseconds)>& done);
