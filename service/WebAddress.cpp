#include "service/WebAddress.h"

#include <QUrl>

#include "ui/Modal.h"

namespace {

QUrl webUrl(const QString& address)
{
    const QUrl url(address.trimmed(), QUrl::TolerantMode);
    if (!url.isValid() || url.host().isEmpty())
        return QUrl();
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return QUrl();
    return url;
}

}  // namespace

bool isWebAddress(const QString& address)
{
    return !webUrl(address).isEmpty();
}

bool openWebAddress(const QString& address)
{
    const QUrl url = webUrl(address);
    if (url.isEmpty())
        return false;
    return modal::openUrl(url);
}
