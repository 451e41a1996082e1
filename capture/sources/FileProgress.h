#pragma once

#include <QString>

#include <memory>

class QProgressDialog;

// The progress dialog of a loop over files that the user waits for: no
// parent, only the customize-window and close-button window flags,
// window-modal, range 0 to `count`, minimum duration 0, `title` as its title
// and text. The caller advances it by one per file; its cancel button is not
// looked at.
std::unique_ptr<QProgressDialog> makeFileProgress(const QString& title, int count);
