// The settings dialog against the real settings file in the data folder.

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QThread>
#include <QWheelEvent>

#include <cstdlib>
#include <memory>

#include "app/QSystemSet.h"
#include "app/Startup.h"
#include "core/Settings.h"
#include "platform/System.h"
#include "settings/SettingsFixture.h"
#include "support/ProgramFolder.h"
#include "support/ScrollCheck.h"
#include "ui/ModalRecorder.h"
#include "ui/QMessageBoxBase.h"

namespace {

class SettingsDialog : public ::testing::Test {
protected:
    void SetUp() override { data = testenv::prepareDataFolder(); }
    void TearDown() override { QSystemSet::setBackupProgram(QString()); }

    void open() { dialog = std::make_unique<QSystemSet>(nullptr); }

    QWidget* options() { return dialog->findChild<QScrollArea*>()->widget(); }
    QRadioButton* radio(const QString& text)
    {
        for (QRadioButton* button : options()->findChildren<QRadioButton*>())
            if (button->text() == text)
                return button;
        ADD_FAILURE() << "no button " << text.toStdString();
        return nullptr;
    }
    QCheckBox* updateBox() { return options()->findChild<QCheckBox*>("box_update"); }
    QSpinBox* sizeBox() { return options()->findChild<QSpinBox*>("box_image_value"); }
    QPushButton* button(const QString& text)
    {
        for (QPushButton* b : dialog->findChildren<QPushButton*>("btn_link"))
            if (b->text() == text)
                return b;
        return nullptr;
    }

    // The value stored in the file itself (not through a default).
    QVariant stored(const char* key)
    {
        QSettings file(data + "/Lorvane.ini", QSettings::IniFormat);
        return file.value(key);
    }

    QString data;
    std::unique_ptr<QSystemSet> dialog;
};

TEST_F(SettingsDialog, WithoutSettingsFileShowsAndWritesTheDefaults)
{
    ASSERT_FALSE(QFileInfo::exists(data + "/Lorvane.ini"));
    open();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("系统设置"));
    EXPECT_TRUE(updateBox()->isChecked());
    EXPECT_TRUE(radio(QStringLiteral("按编号升序"))->isChecked());
    EXPECT_TRUE(radio(QStringLiteral("红星"))->isChecked());
    EXPECT_TRUE(radio(QStringLiteral("新版"))->isChecked());
    EXPECT_TRUE(radio(QStringLiteral("前后拼接"))->isChecked());
    EXPECT_EQ(sizeBox()->value(), 16);
    EXPECT_EQ(sizeBox()->minimum(), 10);
    EXPECT_EQ(sizeBox()->maximum(), 72);
    const QPixmap preview = options()->findChild<QLabel*>("label_merge")->pixmap(Qt::ReturnByValue);
    ASSERT_FALSE(preview.isNull());
    EXPECT_EQ(preview.width(), 100);

    const std::pair<const char*, int> defaults[] = {{"auto_update", 2}, {"detail_order", 0}, {"state_ico", 3},
                                                    {"import_mode", 0}, {"export_style", 0}, {"image_auto_value", 16}};
    for (const auto& [key, value] : defaults)
        EXPECT_EQ(stored(key).toString(), QString::number(value)) << key;
}

TEST_F(SettingsDialog, OptionsScrollLikeAnyScrollArea)
{
    applyStyleAndTranslation();  // the program's look, its scroll bars with it
    open();
    dialog->resize(640, 300);  // half of a 1280 x 720 desktop at 150 %, less
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    scrollcheck::expectScrollsLikeAnyScrollArea(dialog->findChild<QScrollArea*>());
    qApp->setStyleSheet(QString());
}

// The wheel over the size box, while the pupil scrolls the options, moves
// the page and leaves the stored size alone; once the box has the focus, the
// wheel is the box's.
TEST_F(SettingsDialog, TheWheelOverTheSizeBoxScrollsUntilTheBoxHasTheFocus)
{
    open();
    dialog->resize(640, 300);
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    auto* area = dialog->findChild<QScrollArea*>();
    ASSERT_NE(area, nullptr);
    ASSERT_GT(area->verticalScrollBar()->maximum(), 0) << "the options fit: nothing to scroll";
    QSpinBox* box = sizeBox();
    const int stored = box->value();
    auto turnOverBox = [box] {
        const QPoint at(box->width() / 2, box->height() / 2);
        QWheelEvent event(at, box->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(box, &event);
    };

    const int before = area->verticalScrollBar()->value();
    turnOverBox();
    EXPECT_GT(area->verticalScrollBar()->value(), before) << "the page did not move";
    EXPECT_EQ(box->value(), stored);
    EXPECT_EQ(getIniValue<int>(QStringLiteral("image_auto_value"), 0), stored);

    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    box->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([box] { return box->hasFocus(); }, 30000));
    const int page = area->verticalScrollBar()->value();
    turnOverBox();
    EXPECT_EQ(box->value(), stored - 1);
    EXPECT_EQ(area->verticalScrollBar()->value(), page);
}

TEST_F(SettingsDialog, EveryOptionIsWrittenAtOnce)
{
    open();
    const struct {
        const char* label;
        std::function<void()> change;
        const char* key;
        int value;
    } cases[] = {
        {"untick update", [&] { updateBox()->click(); }, "auto_update", 0},
        {"tick update", [&] { updateBox()->click(); }, "auto_update", 2},
        {"descending", [&] { radio(QStringLiteral("按编号降序"))->click(); }, "detail_order", 1},
        {"digits", [&] { radio(QStringLiteral("数字"))->click(); }, "state_ico", 2},
        {"text icons", [&] { radio(QStringLiteral("文字"))->click(); }, "state_ico", 0},
        {"old export", [&] { radio(QStringLiteral("旧版（依赖LibreOffice）"))->click(); }, "export_style", 1},
        {"same page", [&] { radio(QStringLiteral("同屏拼接"))->click(); }, "import_mode", 1},
        {"size 30", [&] { sizeBox()->setValue(30); }, "image_auto_value", 30},
        {"size below range", [&] { sizeBox()->setValue(5); }, "image_auto_value", 10},
        {"size above range", [&] { sizeBox()->setValue(100); }, "image_auto_value", 72},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        c.change();
        EXPECT_EQ(stored(c.key).toString(), QString::number(c.value));
    }
    EXPECT_EQ(getIniValue<Qt::CheckState>("auto_update", Qt::Unchecked), Qt::Checked);

    const QPixmap preview = options()->findChild<QLabel*>("label_merge")->pixmap(Qt::ReturnByValue);
    ASSERT_FALSE(preview.isNull());
    EXPECT_EQ(preview.toImage(),
              QPixmap(":/Lorvane/Resources/merge-2.png").scaledToWidth(100, Qt::FastTransformation).toImage());
}

TEST_F(SettingsDialog, OrderAndIconStyleReachAConnectedReceiver)
{
    open();
    QSignalSpy order(dialog.get(), &QSystemSet::detail_order_changed);
    QSignalSpy icons(dialog.get(), &QSystemSet::state_cion_changed);
    radio(QStringLiteral("按编号降序"))->click();
    radio(QStringLiteral("红叉"))->click();
    ASSERT_EQ(order.count(), 1);
    EXPECT_EQ(order.at(0).at(0).toInt(), 1);
    ASSERT_EQ(icons.count(), 1);
    EXPECT_EQ(icons.at(0).at(0).toInt(), 1);
    radio(QStringLiteral("新版"))->click();
    EXPECT_EQ(order.count(), 1);
    EXPECT_EQ(icons.count(), 1);
}

TEST_F(SettingsDialog, StoredValuesOutOfRangeShowAndKeepTheDefault)
{
    setIniValue("detail_order", 7);
    setIniValue("state_ico", -1);
    setIniValue("image_auto_value", 500);
    setIniValue("import_mode", 9);
    setIniValue("export_style", 3);
    setIniValue("auto_update", 0);
    open();
    EXPECT_TRUE(radio(QStringLiteral("按编号升序"))->isChecked());
    EXPECT_TRUE(radio(QStringLiteral("红星"))->isChecked());
    EXPECT_TRUE(radio(QStringLiteral("前后拼接"))->isChecked());
    EXPECT_TRUE(radio(QStringLiteral("新版"))->isChecked());
    EXPECT_EQ(sizeBox()->value(), 16);
    EXPECT_FALSE(updateBox()->isChecked());
    EXPECT_EQ(stored("detail_order").toInt(), 0);
    EXPECT_EQ(stored("state_ico").toInt(), 3);
    EXPECT_EQ(stored("image_auto_value").toInt(), 16);
    EXPECT_EQ(stored("import_mode").toInt(), 0);
    EXPECT_EQ(stored("export_style").toInt(), 0);
    EXPECT_EQ(stored("auto_update").toInt(), 0);
}

TEST_F(SettingsDialog, MissingBackupProgramIsReportedAndTheDialogStays)
{
    QSystemSet::setBackupProgram(testenv::appDataRoot() + "/no-such-backup");
    ModalRecorder boxes(1);
    open();
    dialog->show();
    const struct {
        QString button;
        QString text;
    } cases[] = {{QStringLiteral("备份"), QStringLiteral("启动备份失败 ")},
                 {QStringLiteral("还原"), QStringLiteral("启动还原失败 ")}};
    for (const auto& c : cases) {
        boxes.clear();
        button(c.button)->click();
        QCoreApplication::processEvents();
        ASSERT_EQ(boxes.count(), 1);
        EXPECT_EQ(boxes.last().title, QStringLiteral("提示"));
        EXPECT_TRUE(boxes.last().text.startsWith(c.text)) << boxes.last().text.toStdString();
        EXPECT_GT(boxes.last().text.size(), c.text.size());
        EXPECT_TRUE(dialog->isVisible());
    }
}

TEST_F(SettingsDialog, EnterNeverStartsABackup)
{
    QSystemSet::setBackupProgram(testenv::appDataRoot() + "/no-such-backup");
    ModalRecorder boxes(1);
    open();
    dialog->show();
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    button(QStringLiteral("备份"))->setFocus();
    QTest::keyClick(dialog.get(), Qt::Key_Return);
    QTest::keyClick(dialog.get(), Qt::Key_Enter);
    QCoreApplication::processEvents();
    EXPECT_EQ(boxes.count(), 0);
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(SettingsDialog, BackupStartsTheBackupProgramAndClosesTheProgram)
{
    // The real backup program, told where to write so that it shows nothing,
    // beside a stand-in for the notebook it starts again when it ends.
    const QString archive = testenv::appDataRoot() + "/saved.zip";
    qputenv("LORVANE_BACKUP_QUIET", "1");
    qputenv("LORVANE_BACKUP_ARCHIVE", archive.toUtf8());
    const testenv::ProgramFolder programs;
    ASSERT_TRUE(programs.isValid());
    QSystemSet::setBackupProgram(programs.program());
    // The program's own data, as the database creates it.
    Singleton<sqlite>::instance();
    setIniValue("detail_order", 1);

    ModalRecorder boxes(1);
    open();
    dialog->show();
    button(QStringLiteral("备份"))->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(boxes.count(), 0);
    EXPECT_FALSE(dialog->isVisible());  // every window closes

    // The backup program ends by releasing the program's lock.
    platform::InstanceLock lock("Lorvane");
    QElapsedTimer timer;
    timer.start();
    while (!(QFileInfo::exists(archive) && lock.tryLock()) && timer.elapsed() < 60000)
        QThread::msleep(50);
    EXPECT_TRUE(QFileInfo::exists(archive));
    EXPECT_GT(QFileInfo(archive).size(), 0);
    EXPECT_EQ(programs.waitForNotebookStarts(1).size(), 1);
}

}  // namespace
