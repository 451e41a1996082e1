#include "Grab.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QStringList>

#include <cstdlib>

namespace shot {

namespace {

QString environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? QString::fromLocal8Bit(value) : QString();
}

}  // namespace

bool canGrab(QString& reason)
{
    const QString platform = environment("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith(QLatin1String("xcb")))
        return true;  // a platform chosen on purpose (offscreen in tests) answers for itself
    if (!environment("DISPLAY").isEmpty())
        return true;
    reason = environment("WAYLAND_DISPLAY").isEmpty() ? QStringLiteral("no X display (DISPLAY is not set)")
                                                      : QStringLiteral("a Wayland session without X cannot be grabbed");
    return false;
}

QImage grabScreen(QString& reason)
{
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        reason = QStringLiteral("a Wayland session without X cannot be grabbed");
        return QImage();
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        reason = QStringLiteral("no screen");
        return QImage();
    }
    const QImage image = screen->grabWindow(0).toImage();
    if (image.isNull() || image.width() <= 0 || image.height() <= 0) {
        reason = QStringLiteral("the screen could not be grabbed");
        return QImage();
    }
    return image;
}

bool parseRegion(const QString& text, QRect& region)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return false;
    int values[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = parts.at(i).trimmed().toInt(&ok);
        if (!ok)
            return false;
    }
    if (values[2] <= 0 || values[3] <= 0)
        return false;
    region = QRect(values[0], values[1], values[2], values[3]);
    return true;
}

QString saveShot(const QImage& image, QString& reason)
{
    if (!QDir().mkpath(QStringLiteral("tmp"))) {
        reason = QStringLiteral("the folder tmp cannot be created");
        return QString();
    }
    qint64 number = QDateTime::currentMSecsSinceEpoch();
    QString path;
    for (;; ++number) {
        path = QStringLiteral("tmp/%1.png").arg(number);
        if (!QFile::exists(path))
            break;
    }
    if (!image.save(path, "PNG")) {
        reason = QStringLiteral("%1 cannot be written").arg(path);
        QFile::remove(path);
        return QString();
    }
    return path;
}

}  // namespace shot
