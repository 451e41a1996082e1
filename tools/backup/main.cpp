#include <QApplication>
#include <QTextCodec>

#include "tools/backup/BackupTool.h"

int main(int argc, char** argv)
{
    // Paths and texts are UTF-8 whatever the locale says.
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("backup"));
    return backuptool::run(app.arguments());
}
