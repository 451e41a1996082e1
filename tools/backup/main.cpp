#include <QApplication>
#include <QTextCodec>

#include "core/SettingsFileCheck.h"
#include "tools/backup/BackupTool.h"
#include "ui/ProgramStyle.h"

int main(int argc, char** argv)
{
    // Paths and texts are UTF-8 whatever the locale says.
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
    // "--check-settings <file>": a restore's child that lets Qt read a
    // restored settings file, so that a file which aborts Qt ends only it.
    int checkResult = 0;
    if (settingsfile::runCheckMode(argc, argv, checkResult))
        return checkResult;
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("backup"));
    // Its question and file boxes look as the notebook's do.
    applyProgramStyle();
    return backuptool::run(app.arguments(), QCoreApplication::applicationDirPath());
}
