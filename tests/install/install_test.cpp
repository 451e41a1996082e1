// `cmake --install` into a temporary prefix: the program, its helpers, the
// image library, the templates, the upload page, the menu entry and the icon
// land where a desktop expects them, and the installed program starts from
// there and finds its shared files under the prefix.

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "platform/SharedFiles.h"
#include "startup/StartupFixture.h"

namespace {

constexpr int kInstallTimeoutMs = 120000;

struct Output {
    int exitCode = -1;
    QString text;
};

Output runProgram(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    Output out;
    if (!process.waitForStarted(kInstallTimeoutMs) || !process.waitForFinished(kInstallTimeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        out.text = process.errorString();
        return out;
    }
    out.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    out.text = QString::fromUtf8(process.readAll());
    return out;
}

// The keys of the [Desktop Entry] group (no localized keys are used).
QMap<QString, QString> desktopEntry(const QString& path)
{
    QMap<QString, QString> keys;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return keys;
    bool inEntry = false;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const int eq = line.indexOf(QLatin1Char('='));
        if (inEntry && eq > 0)
            keys.insert(line.left(eq), line.mid(eq + 1));
    }
    return keys;
}

class Install : public startuptest::Startup {
protected:
    void SetUp() override
    {
        Startup::SetUp();
        ASSERT_TRUE(prefixDir.isValid());
        prefix = prefixDir.path();
        const Output out = runProgram(
            QStringLiteral(LORVANE_CMAKE_COMMAND),
            {QStringLiteral("--install"), QStringLiteral(LORVANE_BUILD_DIR), QStringLiteral("--prefix"), prefix});
        ASSERT_EQ(out.exitCode, 0) << out.text.toStdString();
    }

    QString at(const char* relative) const { return prefix + QLatin1Char('/') + QLatin1String(relative); }

    QTemporaryDir prefixDir;
    QString prefix;
};

}  // namespace

TEST_F(Install, PutsEveryPartUnderThePrefix)
{
    struct Part {
        const char* path;
        bool executable;
    };
    const Part parts[] = {
        {"bin/Lorvane", true},
        {"bin/backup", true},
        {"bin/screenShot", true},
        {"lib/libVantrel.so", false},
        {"share/lorvane/templates/templates1.dfw", false},
        {"share/lorvane/templates/templates2.dfw", false},
        {"share/lorvane/templates/templates3.dfw", false},
        {"share/lorvane/upload/index.html", false},
        {"share/applications/lorvane.desktop", false},
        {"share/icons/hicolor/scalable/apps/lorvane.svg", false},
        {"share/icons/hicolor/128x128/apps/lorvane.png", false},
    };
    for (const Part& part : parts) {
        SCOPED_TRACE(part.path);
        const QFileInfo info(at(part.path));
        EXPECT_TRUE(info.isFile());
        EXPECT_GT(info.size(), 0);
        if (part.executable) {
            EXPECT_TRUE(info.isExecutable());
        }
    }
    // The templates are the ones the build packed.
    EXPECT_EQ(QFileInfo(at("share/lorvane/templates/templates1.dfw")).size(),
              QFileInfo(testenv::binDir() + QStringLiteral("/templates/templates1.dfw")).size());
}

TEST_F(Install, MenuEntryStartsTheInstalledProgram)
{
    const QString path = at("share/applications/lorvane.desktop");
    const QMap<QString, QString> entry = desktopEntry(path);
    EXPECT_EQ(entry.value(QStringLiteral("Type")), QStringLiteral("Application"));
    EXPECT_EQ(entry.value(QStringLiteral("Name")), QStringLiteral("错题本"));
    EXPECT_EQ(entry.value(QStringLiteral("Exec")), at("bin/Lorvane"));
    EXPECT_EQ(entry.value(QStringLiteral("Icon")), QStringLiteral("lorvane"));
    EXPECT_TRUE(
        entry.value(QStringLiteral("Categories")).split(QLatin1Char(';')).contains(QStringLiteral("Education")));

    const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (!validator.isEmpty()) {
        const Output out = runProgram(validator, {path});
        EXPECT_EQ(out.exitCode, 0) << out.text.toStdString();
        EXPECT_TRUE(out.text.trimmed().isEmpty()) << out.text.toStdString();
    }
}

TEST_F(Install, InstalledProgramFindsItsFilesUnderThePrefix)
{
    // What the installed program resolves from its own folder.
    const QString bin = at("bin");
    EXPECT_EQ(platform::findShared(QStringLiteral("templates"), bin), at("share/lorvane/templates"));
    EXPECT_EQ(platform::findShared(QStringLiteral("upload"), bin), at("share/lorvane/upload"));
    EXPECT_TRUE(QFileInfo(platform::findShared(QStringLiteral("templates/templates2.dfw"), bin)).isFile());
    // Files beside the program win over the share folder.
    EXPECT_EQ(platform::findShared(QStringLiteral("templates"), testenv::binDir()),
              testenv::binDir() + QStringLiteral("/templates"));

    // Its image library is the installed one, not the build folder's.
    const Output ldd = runProgram(QStringLiteral("ldd"), {at("bin/Lorvane")});
    ASSERT_EQ(ldd.exitCode, 0) << ldd.text.toStdString();
    const QRegularExpression vantrel(QStringLiteral("libVantrel\\.so => (\\S+)"));
    const QRegularExpressionMatch found = vantrel.match(ldd.text);
    ASSERT_TRUE(found.hasMatch()) << ldd.text.toStdString();
    EXPECT_EQ(QFileInfo(found.captured(1)).canonicalFilePath(), QFileInfo(at("lib/libVantrel.so")).canonicalFilePath());

    // It starts from there (reaches its event loop) and ends cleanly.
    launcher = at("bin/Lorvane");
    QTemporaryDir appData;
    ASSERT_TRUE(appData.isValid());
    Run& run = start(appData.path(), appData.path(), true);
    EXPECT_FALSE(waitForReport(run).isEmpty()) << "the installed program did not start";
    expectCleanExit(run);
}
