#pragma once

// A slow picture check under the test's control, and the user who presses
// 取消 while it runs: the import must keep the window painting and its
// progress dialog answering while it waits for a check on a worker thread.

#include <QApplication>
#include <QPaintEvent>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace heldcheck {

// A check that records the files it is asked about, in order, and holds the
// file `held` until release() (at most 30 s: a check never released ends the
// test instead of hanging it). Other files get `pass` (empty: a picture).
class HeldCheck {
public:
    explicit HeldCheck(QString held) : held_(std::move(held)) {}

    std::function<QString(const QString&)> check()
    {
        return [this](const QString& file) {
            std::unique_lock<std::mutex> lock(mutex_);
            asked_.append(file);
            if (file != held_)
                return QString();
            changed_.notify_all();
            releasedInTime_ = changed_.wait_for(lock, std::chrono::seconds(30), [this] { return released_; });
            return QString();
        };
    }
    bool asked(const QString& file) const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return asked_.contains(file);
    }
    QStringList askedFiles() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return asked_;
    }
    void release()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }
    bool releasedInTime() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return releasedInTime_;
    }

private:
    const QString held_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    QStringList asked_;
    bool released_ = false;
    bool releasedInTime_ = false;
};

// A window that counts its paints.
class PaintCounter : public QWidget {
public:
    PaintCounter() { resize(120, 80); }
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

// The visible progress dialog titled `title`, or null.
inline QProgressDialog* progressDialog(const QString& title)
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QProgressDialog*>(w);
        if (dialog && dialog->isVisible() && dialog->windowTitle() == title)
            return dialog;
    }
    return nullptr;
}

// The user during a held check, driven by the event loop only (a timer on the
// GUI thread, so each step proves that the loop runs while the check is
// held): once the check holds its file, a window asks to be painted; once it
// has been and the progress dialog `title` shows the files before the held
// one done (`heldIndex`: the loop now waits for the held check), its button
// 取消 is pressed; on a later turn of the loop (after the loop has seen the
// press) the check is released.
class CancellingUser {
public:
    CancellingUser(HeldCheck& check, const QString& heldFile, const QString& title, int heldIndex)
    {
        window_.show();
        timer_.setInterval(0);
        QObject::connect(&timer_, &QTimer::timeout, [this, &check, heldFile, title, heldIndex] {
            switch (step_) {
            case Step::AwaitHold:
                if (check.asked(heldFile)) {
                    paintsBefore_ = window_.paints;
                    window_.update();
                    step_ = Step::AwaitPaint;
                }
                break;
            case Step::AwaitPaint:
                if (window_.paints > paintsBefore_) {
                    painted_ = true;
                    step_ = Step::Press;
                }
                break;
            case Step::Press:
                if (QProgressDialog* dialog = progressDialog(title); dialog && dialog->value() == heldIndex) {
                    for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
                        if (button->text() == QStringLiteral("取消") && button->isVisible() && button->isEnabled()) {
                            button->click();
                            pressed_ = true;
                            step_ = Step::Release;
                        }
                    }
                }
                break;
            case Step::Release:
                check.release();
                timer_.stop();
                step_ = Step::Done;
                break;
            case Step::Done: break;
            }
        });
        timer_.start();
    }
    // The window was painted while the check held its file.
    bool painted() const { return painted_; }
    // 取消 was pressed while the check held its file.
    bool pressed() const { return pressed_; }

private:
    enum class Step { AwaitHold, AwaitPaint, Press, Release, Done };
    PaintCounter window_;
    QTimer timer_;
    Step step_ = Step::AwaitHold;
    int paintsBefore_ = 0;
    bool painted_ = false;
    bool pressed_ = false;
};

}  // namespace heldcheck
