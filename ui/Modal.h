#pragma once

// The one door through which every modal run of the program passes: dialogs
// run with exec(), message boxes, file and folder choosers, the colour
// chooser, and handing an address or a folder to the desktop.
//
//     MyDialog dialog;
//     if (modal::exec(dialog) == QDialog::Accepted) ...
//     const QString path = modal::openFileName(this, "选择图片", dir, filter);
//     modal::openUrl(QUrl::fromLocalFile(folder));
//
// In normal runs each call does what Qt does (QDialog::exec, QFileDialog,
// QColorDialog, QDesktopServices::openUrl). While a handler is installed
// (tests, through ModalRecorder) every run is handed to it instead and nothing
// is shown or opened, so no test ever blocks.
//
// Message boxes have one more way out for child processes of tests (the real
// program started by a test): with LORVANE_MESSAGE_LOG=<file> in the
// environment every box appends "title\ttext\n" to that file and answers 0.

#include <QColor>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

class QDialog;
class QWidget;

namespace modal {

enum class Kind {
    Dialog,     // exec() of a dialog
    Message,    // the program's message box (messageKind 0 information, 1 question)
    OpenFile,   // one existing file
    OpenFiles,  // several existing files
    SaveFile,   // a file name to write
    Directory,  // an existing folder
    Color,      // a colour
    Url,        // an address or a folder handed to the desktop
};

// One modal run, as the handler sees it.
struct Request {
    Kind kind = Kind::Dialog;
    QDialog* dialog = nullptr;  // Kind::Dialog (and Kind::Message: null)
    int messageKind = 0;        // Kind::Message: 0 information, 1 question
    QString title;              // window title, box title or chooser caption
    QString text;               // box text; chooser start folder
    QString filter;             // chooser name filter
    QColor color;               // Kind::Color: the initial colour
    QUrl url;                   // Kind::Url
};

// What the handler answers. `result` is exec()'s result for a dialog, the
// box's answer for a message (1 yes / 确定), and for Kind::Url 1 when the
// address counts as opened. Choosers take `paths` (empty: cancelled) and
// `color` (invalid: cancelled).
struct Answer {
    int result = 0;
    QStringList paths;
    QColor color;
};

using Handler = std::function<Answer(const Request&)>;

// Installs `handler` for every later run (an empty function restores the real
// windows); returns the handler it replaces.
Handler setHandler(Handler handler);

// dialog.exec(), or the handler's result.
int exec(QDialog& dialog);

// Runs `show` (which builds, shows and runs the box and returns its answer)
// unless the handler or LORVANE_MESSAGE_LOG answers it. Used by
// QMessageBoxBase; other code calls QMessageBoxBase::information/question.
int message(int messageKind, const QString& title, const QString& text, const std::function<int()>& show);

QString openFileName(QWidget* parent, const QString& caption, const QString& dir = QString(),
                     const QString& filter = QString());
QStringList openFileNames(QWidget* parent, const QString& caption, const QString& dir = QString(),
                          const QString& filter = QString());
QString saveFileName(QWidget* parent, const QString& caption, const QString& dir = QString(),
                     const QString& filter = QString());
QString existingDirectory(QWidget* parent, const QString& caption, const QString& dir = QString());
// An invalid colour when cancelled.
QColor color(const QColor& initial, QWidget* parent, const QString& title = QString());
// Hands an address (or a folder as a file: URL) to the desktop; true when the
// desktop took it.
bool openUrl(const QUrl& url);

}  // namespace modal
