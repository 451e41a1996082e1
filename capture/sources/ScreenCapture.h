#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include "capture/sources/ScreenReport.h"

class QWidget;
class ScreenReportReceiver;

// One screen capture as the capture window and the answer editor run it:
// bind the report port, hide the program's windows, start the helper program
// "screenShot" and wait for its report.
//
//     capture_ = new ScreenCapture(this);
//     connect(capture_, &ScreenCapture::finished, this, &X::screenReport);
//     QString err;
//     switch (capture_->start(err)) {
//     case ScreenCapture::Start::PortTaken:
//         QMessageBoxBase::information(this, "提示", ScreenReportReceiver::bindFailedMessage(err)); break;
//     case ScreenCapture::Start::ProgramFailed:
//         QMessageBoxBase::information(this, "提示", ScreenCapture::startFailedMessage(err)); break;
//     ...
//
// GUI thread only.
class ScreenCapture : public QObject {
    Q_OBJECT
public:
    enum class Start { Started, PortTaken, ProgramFailed };

    // `owner` is raised when a capture ends; it may be null.
    explicit ScreenCapture(QWidget* owner, QObject* parent = nullptr);
    ~ScreenCapture() override;

    // Ends a capture still pending (socket closed, windows shown again), then:
    //  1. binds the report port; taken: PortTaken, nothing else happens;
    //  2. minimizes every visible top-level window of the program;
    //  3. starts the helper detached, in the working directory (the data
    //     folder), with `arguments`; when it cannot start: ProgramFailed, the
    //     socket is closed and the windows are shown again.
    // `errorText` holds the socket's or the start's error text on failure.
    Start start(QString& errorText, const QStringList& arguments = QStringList{QString()});

    bool isPending() const;
    // Stops waiting: socket closed, windows shown again; finished() is not
    // emitted.
    void cancel();

    // The helper's file name, and where it is found: beside the program, else
    // on PATH (empty when nowhere).
    static QString programName();
    static QString programPath();
    // Tests: start this program instead (empty: the normal search).
    static void setProgram(const QString& path);

    // The message shown when the helper cannot start.
    static QString startFailedMessage(const QString& errorText);

signals:
    // The helper reported (any report that ends the wait). The windows are
    // already shown again and the owner raised; report.hasImage() tells
    // whether a file was saved.
    void finished(const ScreenReport& report);

private slots:
    void reportReceived(const ScreenReport& report);

private:
    void minimizeWindows();
    void restoreWindows();

    QPointer<QWidget> owner_;
    ScreenReportReceiver* receiver_;
    QList<QPointer<QWidget>> minimized_;
};
