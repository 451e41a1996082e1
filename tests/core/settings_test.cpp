#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QVariantMap>

#include "core/Settings.h"
#include "core/SettingsKeys.h"
#include "support/TestEnv.h"

namespace {

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        dataFolder = testenv::prepareDataFolder();
        QFile::remove(path());
    }
    void TearDown() override { QFile::remove(path()); }

    QString path() const { return dataFolder + QStringLiteral("/Lorvane.ini"); }

    void writeRaw(const QByteArray& text)
    {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }
    QByteArray readRaw()
    {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QString dataFolder;
};

TEST_F(SettingsFile, MissingFileGivesEveryDefaultAndFirstWriteCreatesIt)
{
    ASSERT_FALSE(QFile::exists(path()));
    EXPECT_EQ(getIniValue<int>("first_run", 7), 7);
    EXPECT_EQ(getIniValue<int>("image_auto_value", 16), 16);
    EXPECT_EQ(getIniValue<bool>("mainWindow", true), true);
    EXPECT_EQ(getIniValue<double>("TextEdit_textSize", 10.5), 10.5);
    EXPECT_EQ(getIniValue<QString>("TextEdit_textFamily", QStringLiteral("SimSun")), QStringLiteral("SimSun"));
    EXPECT_EQ(getIniValue("TextEdit_textFamily", "宋体"), QStringLiteral("宋体"));
    EXPECT_EQ(getIniValue<Qt::CheckState>("auto_update", Qt::Checked), Qt::Checked);
    const QVariantMap space{{QStringLiteral("选择题"), 3}};
    EXPECT_EQ(getIniValue<QVariantMap>("DetailSpace", space), space);
    EXPECT_FALSE(QFile::exists(path())) << "reading must not create the file";

    setIniValue("detail_order", 1);
    ASSERT_TRUE(QFile::exists(path()));
    EXPECT_TRUE(readRaw().startsWith("[General]")) << readRaw().constData();
    EXPECT_EQ(getIniValue<int>("detail_order", 0), 1);
}

TEST_F(SettingsFile, StoredTextThatDoesNotConvertGivesZeroNotDefault)
{
    writeRaw("[General]\n"
             "state_ico=true\n"
             "export_options=\n"
             "TextEdit_textSize=big\n"
             "DetailSpace=plain\n"
             "auto_update=checked\n"
             "mainWindow=true\n"
             "viewWindow=false\n"
             "import_index=12\n"
             "export_title=12\n");
    EXPECT_EQ(getIniValue<int>("state_ico", 3), 0);
    EXPECT_EQ(getIniValue<int>("export_options", 15), 0);
    EXPECT_EQ(getIniValue<double>("TextEdit_textSize", 10.5), 0.0);
    EXPECT_TRUE(getIniValue<QVariantMap>("DetailSpace", QVariantMap{{"a", 1}}).isEmpty());
    EXPECT_EQ(getIniValue<Qt::CheckState>("auto_update", Qt::Checked), Qt::Unchecked);
    EXPECT_TRUE(getIniValue<bool>("mainWindow", false));
    EXPECT_FALSE(getIniValue<bool>("viewWindow", true));
    EXPECT_EQ(getIniValue<int>("import_index", 1), 12);
    EXPECT_EQ(getIniValue<QString>("export_title", QString()), QStringLiteral("12"));
}

TEST_F(SettingsFile, ValuesOfEveryWrittenKindReadBack)
{
    setIniValue("mainWindow", true);
    setIniValue("TextEdit_textSize", 12.5f);
    setIniValue("zoom", 0.25);
    setIniValue("export_title", QStringLiteral("期中复习, 第一章"));
    setIniValue("mac", "00-1A-2B-3C-4D-5E");
    setIniValue("TextEdit_textFamily", std::string("宋体"));
    setIniValue("scan_boxDesk", Qt::Checked);
    setIniValue("blob", QByteArray("\x00\xff=", 3));
    const QVariantMap space{{QStringLiteral("选择题"), 3}, {QStringLiteral("解答题"), 10}};
    setIniValue("DetailSpace", space);
    setIniValue("import_times", QVariant(5));

    EXPECT_TRUE(getIniValue<bool>("mainWindow", false));
    EXPECT_EQ(getIniValue<double>("TextEdit_textSize", 0.0), 12.5);
    EXPECT_EQ(getIniValue<double>("zoom", 0.0), 0.25);
    EXPECT_EQ(getIniValue<QString>("export_title", QString()), QStringLiteral("期中复习, 第一章"));
    EXPECT_EQ(getIniValue<QString>("mac", QString()), QStringLiteral("00-1A-2B-3C-4D-5E"));
    EXPECT_EQ(getIniValue<QString>("TextEdit_textFamily", QString()), QStringLiteral("宋体"));
    EXPECT_EQ(getIniValue<Qt::CheckState>("scan_boxDesk", Qt::Unchecked), Qt::Checked);
    EXPECT_EQ(getIniValue<int>("scan_boxDesk", 0), 2);
    EXPECT_EQ(getIniValue<QByteArray>("blob", QByteArray()), QByteArray("\x00\xff=", 3));
    EXPECT_EQ(getIniValue<QVariantMap>("DetailSpace", QVariantMap()), space);
    EXPECT_EQ(getIniValue<int>("import_times", 0), 5);

    // Numbers and flags stay readable text in the file.
    const QByteArray raw = readRaw();
    EXPECT_TRUE(raw.contains("mainWindow=true\n")) << raw.constData();
    EXPECT_TRUE(raw.contains("TextEdit_textSize=12.5\n")) << raw.constData();
    EXPECT_TRUE(raw.contains("scan_boxDesk=2\n")) << raw.constData();

    // An empty QVariant leaves the key without a value: it reads as zero.
    setIniValue("import_times", QVariant());
    EXPECT_EQ(getIniValue<int>("import_times", 9), 0);
}

TEST_F(SettingsFile, FirstRunOwnersEachClearOnlyTheirBit)
{
    struct Step {
        int bit;
        bool shows;
        int after;
    };
    // Main window tip, export help, QR-code help, then nothing shows again.
    const Step steps[] = {{1, true, 6}, {1, false, 6}, {4, true, 2},  {4, false, 2},
                          {2, true, 0}, {1, false, 0}, {2, false, 0}, {4, false, 0}};
    EXPECT_EQ(getIniValue<int>("first_run", 7), 7);
    for (const Step& s : steps) {
        EXPECT_EQ(takeFirstRunBit(s.bit), s.shows) << "bit " << s.bit;
        EXPECT_EQ(getIniValue<int>("first_run", 7), s.after) << "bit " << s.bit;
    }

    // An owner never sets another owner's bit again.
    setIniValue("first_run", 4);
    EXPECT_TRUE(takeFirstRunBit(4));
    EXPECT_FALSE(takeFirstRunBit(1));
    EXPECT_EQ(getIniValue<int>("first_run", 7), 0);
}

TEST_F(SettingsFile, WritingOneKeyKeepsTheServiceAddressAndOtherKeys)
{
    writeRaw("[General]\n"
             "host=192.168.10.20\n"
             "port=8090\n"
             "project=lorvane-web\n"
             "detail_order=1\n"
             "first_run=6\n");
    setIniValue("export_type", 1);
    setIniValue("first_run", 2);

    const QByteArray raw = readRaw();
    EXPECT_EQ(raw.count("[General]"), 1) << raw.constData();
    for (const char* line : {"host=192.168.10.20\n", "port=8090\n", "project=lorvane-web\n", "detail_order=1\n",
                             "export_type=1\n", "first_run=2\n"})
        EXPECT_TRUE(raw.contains(line)) << line << " missing in:\n" << raw.constData();

    EXPECT_EQ(getIniValue<QString>("host", QString()).toStdString(), "192.168.10.20");
    EXPECT_EQ(getIniValue<int>("port", 0), 8090);
}

// The typed keys: a missing file gives each key the default its owner
// documents, the folder defaults follow the desktop, and a key writes what
// the plain functions write.
TEST_F(SettingsFile, KeysGiveTheirDefaultsAndReadBackWhatTheyWrite)
{
    struct IntCase {
        const SettingKey<int>& key;
        int expected;
    };
    const IntCase ints[] = {
        {ini::kFirstRun, 7},        {ini::kDetailOrder, 0},      {ini::kStateIcon, 3},   {ini::kImportMode, 0},
        {ini::kImageAutoValue, 16}, {ini::kImportIndex, 1},      {ini::kImportTimes, 0}, {ini::kVideoRotate, 0},
        {ini::kScanBoxDesk, 2},     {ini::kExportStyle, 0},      {ini::kExportType, 0},  {ini::kExportOrder, 0},
        {ini::kExportOptions, 15},  {ini::kRememberPassword, 0},
    };
    for (const IntCase& c : ints)
        EXPECT_EQ(getIniValue(c.key), c.expected) << c.key.name();
    EXPECT_FALSE(getIniValue(ini::kMainWindow));
    EXPECT_FALSE(getIniValue(ini::kImportWindow));
    EXPECT_FALSE(getIniValue(ini::kViewWindow));
    EXPECT_EQ(getIniValue(ini::kAutoUpdate), Qt::Checked);
    EXPECT_EQ(getIniValue(ini::kTextEditTextFamily), QStringLiteral("SimSun"));
    EXPECT_EQ(getIniValue(ini::kTextEditTextSize), 12.0);
    EXPECT_TRUE(getIniValue(ini::kExportTitle).isEmpty());
    EXPECT_TRUE(getIniValue(ini::kDetailSpace).isEmpty());
    EXPECT_TRUE(getIniValue(ini::kMac).isEmpty());
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    EXPECT_EQ(getIniValue(ini::kExportTopicPath), documents);
    EXPECT_EQ(getIniValue(ini::kImportTopicImage), documents);
    EXPECT_EQ(getIniValue(ini::kImportTopicPdf), documents);
    EXPECT_FALSE(QFile::exists(path())) << "reading must not create the file";

    // The answer editor's size goes in as a float and comes out as a double.
    setIniValue(ini::kTextEditTextSize, 10.5f);
    EXPECT_EQ(getIniValue(ini::kTextEditTextSize), 10.5);
    setIniValue(ini::kImportIndex, 9);
    EXPECT_EQ(getIniValue<int>(QStringLiteral("import_index"), 1), 9);
    setIniValue(ini::kAutoUpdate, 0);
    EXPECT_EQ(getIniValue(ini::kAutoUpdate), Qt::Unchecked);
    setIniValue(ini::kPassword, QByteArray(32, 'k'));
    EXPECT_EQ(getIniValue(ini::kPassword), QByteArray(32, 'k'));
    setIniValue(ini::kPassword, QVariant());  // forgotten: the key stays without a value
    EXPECT_TRUE(getIniValue(ini::kPassword).isEmpty());
}

}  // namespace
