#include "capture/sources/ScreenCapture.h"

#include <QApplication>
#include <QFileInfo>
#include <QProcess>
#include <QWidget>

#include "capture/sources/ScreenReportReceiver.h"
#include "platform/Programs.h"

namespace {

QString& programOverride()
{
    static QString path;
    return path;
}

}  // namespace

ScreenCapture::ScreenCapture(QWidget* owner, QObject* parent)
    : QObject(parent), owner_(owner), receiver_(new ScreenReportReceiver(this))
{
    connect(receiver_, &ScreenReportReceiver::reportReceived, this, &ScreenCapture::reportReceived);
}

ScreenCapture::~ScreenCapture()
{
    cancel();
}

QString ScreenCapture::programName()
{
    return QStringLiteral("screenShot");
}

QString ScreenCapture::programPath()
{
    if (!programOverride().isEmpty())
        return programOverride();
    return platform::findProgram(programName());
}

void ScreenCapture::setProgram(const QString& path)
{
    programOverride() = path;
}

QString ScreenCapture::startFailedMessage(const QString& errorText)
{
    return QStringLiteral("启动截屏失败 ") + errorText;
}

ScreenCapture::Start ScreenCapture::start(QString& errorText, const QStringList& arguments)
{
    cancel();
    if (!receiver_->listen(&errorText))
        return Start::PortTaken;

    minimizeWindows();
    const QString program = programPath();
    const QFileInfo info(program);
    if (program.isEmpty() || !info.isFile() || !info.isExecutable()) {
        // Checked before any process is made: a child that fails to run the
        // program would hold the report port until it has ended.
        errorText = QStringLiteral("%1: No such file or directory").arg(program.isEmpty() ? programName() : program);
        cancel();
        return Start::ProgramFailed;
    }
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setWorkingDirectory(QStringLiteral("./"));
    if (!process.startDetached()) {
        errorText = process.errorString();
        cancel();
        return Start::ProgramFailed;
    }
    return Start::Started;
}

bool ScreenCapture::isPending() const
{
    return receiver_->isListening();
}

void ScreenCapture::cancel()
{
    receiver_->close();
    restoreWindows();
}

void ScreenCapture::reportReceived(const ScreenReport& report)
{
    restoreWindows();
    if (owner_) {
        owner_->raise();
        owner_->activateWindow();
    }
    emit finished(report);
}

void ScreenCapture::minimizeWindows()
{
    minimized_.clear();
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (window->isVisible() && window->isWindow()) {
            minimized_.append(window);
            window->showMinimized();
        }
    }
}

void ScreenCapture::restoreWindows()
{
    const QList<QPointer<QWidget>> windows = minimized_;
    minimized_.clear();
    for (const QPointer<QWidget>& window : windows) {
        if (window)
            window->showNormal();
    }
}
