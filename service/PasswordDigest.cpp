#include "service/PasswordDigest.h"

#include <QCryptographicHash>

QString getMd5(QString password)
{
    const QByteArray digest = QCryptographicHash::hash(password.toUtf8(), QCryptographicHash::Md5);
    return QString::fromLatin1(digest.toHex());
}
