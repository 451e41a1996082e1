// The backup program speaks Chinese in Qt's own texts too, and gives the
// pupil the notebook back when it ends.

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include "BackupFixture.h"
#include "tools/backup/BackupTool.h"
#include "ui/ModalRecorder.h"

namespace {

using namespace backuptest;

// A button's text without its shortcut mark ("保存(&S)" -> "保存").
QString plain(const QAbstractButton* button)
{
    if (!button)
        return QStringLiteral("<none>");
    QString text = button->text();
    text.remove(QRegularExpression(QStringLiteral("\\(&.\\)")));
    text.remove(QLatin1Char('&'));
    return text;
}

// "APPDATA<TAB>argument count<TAB>working directory" of the notebook's start:
// the data folder's parent, no arguments.
void expectStartedOnTheDataFolder(const QString& start, const QString& root)
{
    const QStringList fields = start.split(QLatin1Char('\t'));
    ASSERT_EQ(fields.size(), 3) << start.toStdString();
    EXPECT_EQ(QFileInfo(fields[0]).canonicalFilePath(), QFileInfo(root).canonicalFilePath()) << start.toStdString();
    EXPECT_EQ(fields[1], QStringLiteral("0"));
    EXPECT_EQ(QFileInfo(fields[2]).canonicalFilePath(), QFileInfo(root).canonicalFilePath()) << start.toStdString();
}

// In this process, through the modal seam: the file dialog and the result box
// carry Qt's Chinese button texts, and every ending starts the notebook.
TEST_F(BackupProgram, DialogsSpeakChineseAndEveryEndingStartsTheNotebook)
{
    writeFile(data + "/inside.zip", "an archive where none may be");
    struct Case {
        const char* mode;
        QString chosen;  // empty: the dialog is cancelled
        const char* accept;
        QString box;  // empty: no box
        int exitCode;
    };
    const Case cases[] = {
        {"0", data + "/inside.zip", "保存", QStringLiteral("备份失败：备份文件不能保存在数据文件夹中"),
         backuptool::Failure},
        {"1", data + "/inside.zip", "打开", QStringLiteral("还原失败：备份文件不能位于数据文件夹中"),
         backuptool::Failure},
        {"1", QString(), "打开", QString(), backuptool::Cancelled},
        {"0", backups + "/saved.zip", "保存", QStringLiteral("备份成功"), backuptool::Success},
    };
    int starts = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.mode) + " " + c.chosen.toStdString());
        QStringList dialogButtons;
        QStringList boxes;
        ModalRecorder modals;
        modals.onDialog([&](QDialog& shown) {
            if (auto* chooser = qobject_cast<QFileDialog*>(&shown)) {
                // Qt's own dialog, as where the desktop offers none.
                chooser->setOption(QFileDialog::DontUseNativeDialog);
                const auto* buttons = chooser->findChild<QDialogButtonBox*>();
                EXPECT_NE(buttons, nullptr);
                if (buttons) {
                    for (QAbstractButton* button : buttons->buttons())
                        dialogButtons << plain(button);
                }
                if (c.chosen.isEmpty())
                    return int(QDialog::Rejected);
                chooser->selectFile(c.chosen);
                return int(QDialog::Accepted);
            }
            if (auto* box = qobject_cast<QMessageBox*>(&shown)) {
                boxes << box->text();
                EXPECT_EQ(box->buttons().size(), 1);
                EXPECT_EQ(plain(box->button(QMessageBox::Ok)).toStdString(), "确定");
            }
            return int(QDialog::Accepted);
        });

        const int code = backuptool::run({QStringLiteral("backup"), QString::fromLatin1(c.mode), data},
                                         programs.path());
        EXPECT_EQ(code, c.exitCode);
        EXPECT_TRUE(dialogButtons.contains(QString::fromUtf8(c.accept))) << dialogButtons.join(' ').toStdString();
        EXPECT_TRUE(dialogButtons.contains(QStringLiteral("取消"))) << dialogButtons.join(' ').toStdString();
        EXPECT_EQ(boxes.join('|').toStdString(), c.box.toStdString());

        const QStringList started = programs.waitForNotebookStarts(++starts);
        ASSERT_EQ(started.size(), starts);
        expectStartedOnTheDataFolder(started.last(), root);
    }
    EXPECT_GT(QFileInfo(backups + "/saved.zip").size(), 0);
}

// The real program, run from beside the stand-in notebook: done or failed,
// the notebook starts again on the same data folder, whatever form APPDATA
// has in the helper's environment.
TEST_F(BackupProgram, TheNotebookStartsAgainOnTheSameDataFolder)
{
    struct Case {
        const char* what;
        const char* mode;
        QString archive;
        std::vector<std::pair<QString, QString>> env;
        int exitCode;
    };
    const Case cases[] = {
        {"backup done", "0", backups + "/a.zip", {}, 0},
        {"restore failed", "1", backups + "/missing.zip", {}, 1},
        {"restore done", "1", backups + "/a.zip", {}, 0},
        {"relative APPDATA", "0", backups + "/b.zip", {{"APPDATA", "relative/elsewhere"}}, 0},
        {"no APPDATA", "0", backups + "/c.zip", {{"APPDATA", ""}}, 0},
    };
    int starts = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setArchive(c.archive);
        const Outcome run = runProgram(c.mode, c.env);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.output.toStdString();
        const QStringList started = programs.waitForNotebookStarts(++starts);
        ASSERT_EQ(started.size(), starts);
        expectStartedOnTheDataFolder(started.last(), root);
    }
}

}  // namespace
