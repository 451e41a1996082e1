#include "ui/Modal.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QDialog>
#include <QFile>
#include <QFileDialog>

#include <cstdlib>
#include <utility>

namespace modal {
namespace {

Handler& handler()
{
    static Handler current;
    return current;
}

// LORVANE_MESSAGE_LOG: append the box to the file instead of showing it.
bool logInsteadOfShowing(const QString& title, const QString& text)
{
    const char* path = std::getenv("LORVANE_MESSAGE_LOG");
    if (!path || !*path)
        return false;
    QFile log(QString::fromLocal8Bit(path));
    if (log.open(QIODevice::WriteOnly | QIODevice::Append)) {
        log.write((title + QLatin1Char('\t') + text + QLatin1Char('\n')).toUtf8());
        log.close();
    }
    return true;
}

Request chooser(Kind kind, const QString& caption, const QString& dir, const QString& filter)
{
    Request request;
    request.kind = kind;
    request.title = caption;
    request.text = dir;
    request.filter = filter;
    return request;
}

QString firstPath(const Answer& answer)
{
    return answer.paths.isEmpty() ? QString() : answer.paths.first();
}

}  // namespace

Handler setHandler(Handler next)
{
    return std::exchange(handler(), std::move(next));
}

int exec(QDialog& dialog)
{
    if (handler()) {
        Request request;
        request.kind = Kind::Dialog;
        request.dialog = &dialog;
        request.title = dialog.windowTitle();
        return handler()(request).result;
    }
    return dialog.exec();
}

int message(int messageKind, const QString& title, const QString& text, const std::function<int()>& show)
{
    if (handler()) {
        Request request;
        request.kind = Kind::Message;
        request.messageKind = messageKind;
        request.title = title;
        request.text = text;
        return handler()(request).result;
    }
    if (logInsteadOfShowing(title, text))
        return 0;
    return show();
}

QString openFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter)
{
    if (handler())
        return firstPath(handler()(chooser(Kind::OpenFile, caption, dir, filter)));
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QStringList openFileNames(QWidget* parent, const QString& caption, const QString& dir, const QString& filter)
{
    if (handler())
        return handler()(chooser(Kind::OpenFiles, caption, dir, filter)).paths;
    return QFileDialog::getOpenFileNames(parent, caption, dir, filter);
}

QString saveFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter)
{
    if (handler())
        return firstPath(handler()(chooser(Kind::SaveFile, caption, dir, filter)));
    return QFileDialog::getSaveFileName(parent, caption, dir, filter);
}

QString existingDirectory(QWidget* parent, const QString& caption, const QString& dir)
{
    if (handler())
        return firstPath(handler()(chooser(Kind::Directory, caption, dir, QString())));
    return QFileDialog::getExistingDirectory(parent, caption, dir);
}

QColor color(const QColor& initial, QWidget* parent, const QString& title)
{
    if (handler()) {
        Request request;
        request.kind = Kind::Color;
        request.title = title;
        request.color = initial;
        return handler()(request).color;
    }
    return QColorDialog::getColor(initial, parent, title);
}

bool openUrl(const QUrl& url)
{
    if (handler()) {
        Request request;
        request.kind = Kind::Url;
        request.url = url;
        return handler()(request).result != 0;
    }
    return QDesktopServices::openUrl(url);
}

}  // namespace modal
