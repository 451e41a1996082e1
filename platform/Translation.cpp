#include "platform/Translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "platform/SharedFiles.h"

namespace platform {

bool installQtTranslation(const QString& programFolder)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return false;
    auto* translator = new QTranslator(app);
    const QString name = QStringLiteral("qt_zh_CN.qm");
    const QString own = findShared(QStringLiteral("translations"), programFolder);
    if (!translator->load(name, own) &&
        !translator->load(name, QLibraryInfo::location(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

}  // namespace platform
