#pragma once

// Running blocking work from the user interface.
//
// Every database operation started from a window, every web-service call of a
// dialog, the slow image operations and the exports go through awaitTask():
//
//     std::string err;
//     std::vector<_type_t> types;
//     int rc = awaitTask([&] { return Singleton<sqlite>::instance()->getTypes(userId, types, err); }, err);
//     if (rc != 0) {
//         QMessageBoxBase::information(this, "提示", QString::fromUtf8(err.c_str()));
//         return;
//     }
//     // use types
//
// What it does, on the GUI thread:
//  1. starts the task at once on a thread of its own (std::launch::async);
//  2. shows the busy dialog WaiteDialog::instance();
//  3. waits for the task in 30 ms slices, and after every slice that ends
//     without the result processes the pending events except user input
//     (timers, paints, queued signals from other threads keep running; the
//     user cannot click or type meanwhile);
//  4. hides the busy dialog and returns the task's int result.
//
// The task:
//  - is any callable taking no arguments; it returns int (0 success, anything
//    else failure with `err` holding the reason, UTF-8) or nothing (counts as
//    0); other arithmetic results are converted to int;
//  - is moved (or copied) into the worker thread; a lambda capturing by
//    reference is the usual way to hand it the object, the arguments and the
//    out-parameters. Everything it touches by reference must stay alive and
//    untouched by the GUI thread until awaitTask() returns - the locals of
//    the calling function are, since awaitTask() does not return earlier;
//  - may throw: every exception is caught on the worker thread and becomes
//    the result -1 with err = the exception's what() (or "未知错误"); no
//    exception reaches the caller or the event loop.
//
// Out-parameters and err are read by the caller only after awaitTask()
// returns; the future's completion orders those accesses.
//
// Without the busy dialog: awaitTask(task, err, BusyDialog::Hidden) (or
// awaitTask(task, BusyDialog::Hidden)) waits the same way but leaves the busy
// dialog alone, for a caller that shows progress of its own.
//
// Nesting: a slot that runs during the wait (for instance a queued signal
// from a worker thread) may itself call awaitTask(). The busy dialog stays up
// until the outermost call ends; the inner call does not hide it.
//
// Called where there is no QApplication or from a thread other than the GUI
// thread, it simply waits for the task, without the dialog and without
// processing events.

#include <exception>
#include <future>
#include <string>
#include <type_traits>
#include <utility>

// Whether the wait shows the busy dialog WaiteDialog.
enum class BusyDialog { Shown, Hidden };

namespace await_detail {

// Waits for `future` while processing non-input events every 30 ms. With
// BusyDialog::Shown the busy dialog is up (unless an outer awaitTask already
// shows it) and goes when the outermost such wait ends.
void waitWithBusyDialog(std::future<int>& future, BusyDialog busy);

// Text for an exception without a message of its own.
const char* unknownErrorText();

}  // namespace await_detail

template <typename Task>
int awaitTask(Task&& task, std::string& err, BusyDialog busy = BusyDialog::Shown)
{
    using Callable = std::decay_t<Task>;
    using Result = std::invoke_result_t<Callable&>;
    static_assert(std::is_void_v<Result> || std::is_convertible_v<Result, int>,
                  "awaitTask: the task must return int (or nothing)");

    bool threw = false;
    std::string thrownText;
    auto body = [fn = Callable(std::forward<Task>(task)), &threw, &thrownText]() mutable -> int {
        try {
            if constexpr (std::is_void_v<Result>) {
                fn();
                return 0;
            } else {
                return static_cast<int>(fn());
            }
        } catch (const std::exception& e) {
            threw = true;
            thrownText = e.what();
        } catch (...) {
            threw = true;
        }
        if (thrownText.empty())
            thrownText = await_detail::unknownErrorText();
        return -1;
    };

    std::future<int> future;
    try {
        future = std::async(std::launch::async, std::move(body));
    } catch (const std::exception& e) {
        // No thread could be started: nothing ran.
        err = e.what();
        return -1;
    }
    await_detail::waitWithBusyDialog(future, busy);
    const int result = future.get();
    if (threw)
        err = thrownText;
    return result;
}

// The same for a task whose error text nobody reads.
template <typename Task>
int awaitTask(Task&& task, BusyDialog busy = BusyDialog::Shown)
{
    std::string ignored;
    return awaitTask(std::forward<Task>(task), ignored, busy);
}
