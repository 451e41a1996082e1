#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTextCodec>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "app/Startup.h"
#include "support/TestEnv.h"

namespace {
QString g_appData;
}  // namespace

namespace testenv {

QString appDataRoot()
{
    return g_appData;
}

QString prepareDataFolder()
{
    createDataFolders();
    return QDir::currentPath();
}

QString binDir()
{
    const char* dir = std::getenv("LORVANE_BIN_DIR");
    return dir ? QString::fromUtf8(dir) : QCoreApplication::applicationDirPath();
}

QString sourceDir()
{
    const char* dir = std::getenv("LORVANE_SOURCE_DIR");
    return dir ? QString::fromUtf8(dir) : QString();
}

}  // namespace testenv

int main(int argc, char** argv)
{
    // The environment every test runs in (children started by tests inherit
    // it); ctest's own settings win where it gives them.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("LC_ALL", "C.UTF-8", 0);
    setenv("LORVANE_BIN_DIR", LORVANE_TEST_BIN_DIR, 0);
    setenv("LORVANE_SOURCE_DIR", LORVANE_TEST_SOURCE_DIR, 0);
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));

    auto tmp = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/lorvane-test-XXXXXX"));
    g_appData = tmp->path();
    setenv("APPDATA", g_appData.toLocal8Bit().constData(), 1);

    int result = 0;
    {
        QApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    // Leave the temporary folder before it is removed.
    QDir::setCurrent(QDir::tempPath());
    tmp.reset();
    return result;
}
