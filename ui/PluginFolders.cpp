#include "ui/PluginFolders.h"

#include <QApplication>
#include <QStringList>
#include <QTimer>

void withholdPluginFoldersUntilShown()
{
    QApplication::style();
    const QStringList folders = QCoreApplication::libraryPaths();
    QCoreApplication::setLibraryPaths(QStringList());
    QTimer::singleShot(0, qApp, [folders] { QCoreApplication::setLibraryPaths(folders); });
}
