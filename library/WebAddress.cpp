#include "library/WebAddress.h"

#include <QDesktopServices>
#include <QUrl>

std::function<bool(const QUrl&)>& webAddressOpener()
{
    static std::function<bool(const QUrl&)> opener = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    return opener;
}

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

bool isWebAddress(const QString& address) { return !webUrl(address).isEmpty(); }

bool openWebAddress(const QString& address)
{
    const QUrl url = webUrl(address);
    if (url.isEmpty())
        return false;
    return webAddressOpener()(url);
}
