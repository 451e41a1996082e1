#pragma once

#include <functional>
#include <vector>

#include "ui/Modal.h"

// Test side of the modal seam: while a recorder lives, every modal run is
// recorded and answered by it, and nothing is shown, chosen or opened.
//
//     ModalRecorder modals;                       // boxes answered 1 (是 / 确定)
//     modals.onDialog([](QDialog& d) { ...; return QDialog::Accepted; });
//     modals.setPaths({"/tmp/a.png"});            // what a file chooser answers
//     widget.doSomething();
//     ASSERT_EQ(modals.count(modal::Kind::Message), 1);
//     EXPECT_EQ(modals.last().title, "提示");     // last message box
//
// Defaults: a dialog's exec() answers 0 (rejected), a box answers the
// constructor's value, a chooser answers nothing (cancelled), an address
// counts as opened. Recorders nest: the previous handler is back when a
// recorder is destroyed.
class ModalRecorder {
public:
    explicit ModalRecorder(int messageAnswer = 1);
    ~ModalRecorder();

    // Message boxes.
    void setAnswer(int answer) { messageAnswer_ = answer; }
    // Dialogs: `f` runs in place of exec() (it may fill the dialog's fields,
    // click its buttons) and gives exec()'s result.
    void onDialog(std::function<int(QDialog&)> f) { onDialog_ = std::move(f); }
    void setDialogResult(int result);
    // File and folder choosers.
    void setPaths(const QStringList& paths) { paths_ = paths; }
    // The colour chooser.
    void setColor(const QColor& color) { color_ = color; }
    // Whether a handed-over address counts as opened.
    void setUrlResult(bool opened) { urlResult_ = opened; }
    // Addresses: `f` sees each one and says whether it counts as opened.
    void onUrl(std::function<bool(const QUrl&)> f) { onUrl_ = std::move(f); }

    // Every run so far, in order.
    const std::vector<modal::Request>& requests() const { return requests_; }
    int count(modal::Kind kind) const;
    // Message boxes only, in order (the common case in tests).
    std::vector<modal::Request> boxes() const { return ofKind(modal::Kind::Message); }
    std::vector<modal::Request> ofKind(modal::Kind kind) const;
    // The last message box; undefined when there was none.
    const modal::Request& last() const;
    // The number of message boxes.
    int count() const { return count(modal::Kind::Message); }
    void clear() { requests_.clear(); }

private:
    ModalRecorder(const ModalRecorder&) = delete;
    ModalRecorder& operator=(const ModalRecorder&) = delete;

    modal::Answer answer(const modal::Request& request);

    int messageAnswer_;
    std::function<int(QDialog&)> onDialog_;
    QStringList paths_;
    QColor color_;
    bool urlResult_ = true;
    std::function<bool(const QUrl&)> onUrl_;
    std::vector<modal::Request> requests_;
    modal::Handler previous_;
};
