#include "capture/question/AnswerPicture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/Format.h"
#include "core/Utils.h"
#include "platform/PictureFile.h"

namespace answerpicture {

namespace {

constexpr int kMaxWidth = 1024;
constexpr int kTargetKB = 120;

QString nameFor(const QString& user, const QString& folder, qint64 number, const QString& suffix)
{
    return QString::fromStdString(format("item/{0}/{1}/{2}.{3}", user.toStdString(), folder.toStdString(),
                                         static_cast<int64_t>(number), suffix.toStdString()));
}

}  // namespace

QString freeName(const QString& user, const QString& folder, const QString& suffix, qint64 seconds)
{
    if (user.isEmpty() || folder.isEmpty())
        return QString();
    const QString ext = suffix.isEmpty() ? QStringLiteral("jpg") : suffix;
    qint64 number = seconds;
    QString name = nameFor(user, folder, number, ext);
    while (QFileInfo::exists(name))
        name = nameFor(user, folder, ++number, ext);
    return name;
}

bool store(const QImage& image, const QString& name)
{
    if (image.isNull() || name.isEmpty())
        return false;
    QImage compressed;
    compressImage(image, compressed, kMaxWidth, kTargetKB);
    if (compressed.isNull())
        return false;
    if (!QDir().mkpath(QFileInfo(name).path()))
        return false;
    if (compressed.save(name))
        return true;
    QFile::remove(name);  // a half-written file would show as a broken picture
    return false;
}

bool storeFile(const QString& sourcePath, const QString& name)
{
    return store(platform::readPicture(sourcePath), name);
}

}  // namespace answerpicture
