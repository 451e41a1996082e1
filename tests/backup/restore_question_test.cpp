// Before a restore replaces the notebook, the helper asks, naming the archive
// and how many questions each side holds. Run in this process, so that the
// question reaches the modal seam and the test answers it.

#include <QFileDialog>
#include <QMessageBox>
#include <QScopeGuard>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "BackupFixture.h"
#include "tools/backup/BackupTool.h"
#include "ui/ModalRecorder.h"

namespace {

using namespace backuptest;

// A database of the program holding `count` questions of the local account
// and two of another account, which the question does not count. With
// `withAccount` false, the local account's row is gone.
void writeDatabase(const QString& path, int count, bool withAccount = true)
{
    makeDatabase(path, 4, "q1");  // one question of the local account
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    std::string sql = "INSERT INTO detail(user_id, number, grade, term, subject, state, classification, cause,"
                      " questiontype, modify_date) VALUES(20000, 1, 12, 13, 15, 0, 24, 28, 32, DATETIME()),"
                      " (20000, 2, 12, 13, 15, 0, 24, 28, 32, DATETIME());";
    for (int i = 1; i < count; ++i)
        sql += "INSERT INTO detail(number, grade, term, subject, state, classification, cause, questiontype,"
               " modify_date) VALUES(" +
               std::to_string(i + 1) + ", 12, 13, 15, 0, 24, 28, 32, DATETIME());";
    if (!withAccount)
        sql += "DELETE FROM user;";
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

QByteArray questionsDatabase(int count, const QString& scratch, bool withAccount = true)
{
    writeDatabase(scratch, count, withAccount);
    QFile file(scratch);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

class RestoreQuestion : public BackupProgram {
protected:
    struct Run {
        int exitCode = -1;
        std::vector<modal::Request> questions;  // the boxes with 是 and 否
        QStringList results;                    // the result boxes' texts
    };

    // Runs a restore of `archivePath` in this process, the archive chosen in
    // the file dialog or given by LORVANE_BACKUP_ARCHIVE, and answers the
    // question with `answer` (1 是, 0 否).
    Run restore(const QString& archivePath, bool byDialog, int answer)
    {
        if (!byDialog)
            qputenv("LORVANE_BACKUP_ARCHIVE", QFile::encodeName(archivePath));
        const auto unset = qScopeGuard([] { qunsetenv("LORVANE_BACKUP_ARCHIVE"); });
        ModalRecorder modals(answer);
        Run run;
        modals.onDialog([&](QDialog& shown) {
            if (auto* chooser = qobject_cast<QFileDialog*>(&shown)) {
                EXPECT_TRUE(byDialog) << "a file dialog although the archive was given";
                chooser->setOption(QFileDialog::DontUseNativeDialog);
                chooser->selectFile(archivePath);
                return int(QDialog::Accepted);
            }
            if (auto* box = qobject_cast<QMessageBox*>(&shown))
                run.results << box->text();
            return int(QDialog::Accepted);
        });
        run.exitCode = backuptool::run({QStringLiteral("backup"), QStringLiteral("1"), data}, programs.path());
        run.questions = modals.boxes();
        return run;
    }

    // The notebook has been started `starts` times in all.
    void expectNotebookStarted(int starts) { EXPECT_EQ(programs.waitForNotebookStarts(starts).size(), starts); }
};

// 否 leaves the data folder byte for byte, ends as a cancel does and gives
// the pupil the notebook back, however the archive was chosen.
TEST_F(RestoreQuestion, NoChangesNothingAndStartsTheNotebookAgain)
{
    writeDatabase(data + "/database/Lorvane.db", 40);
    const QString archivePath = backups + QStringLiteral("/错题本备份-20261211.zip");
    makeZip(archivePath, {{"database/Lorvane.db", questionsDatabase(12, root + "/archived.db")},
                          {"Lorvane.ini", "[General]\ndetail_order=0\n"},
                          {"item/10000/0f1e2d3c-4b5a-6978-8a9b-acbdcedfe0f1/original.jpg", randomBytes(5000, 8)}});
    const auto before = snapshot(data);
    int starts = 0;
    for (const bool byDialog : {false, true}) {
        SCOPED_TRACE(byDialog ? "chosen in the file dialog" : "given by LORVANE_BACKUP_ARCHIVE");
        const Run run = restore(archivePath, byDialog, 0);
        EXPECT_EQ(run.exitCode, backuptool::Cancelled);
        ASSERT_EQ(run.questions.size(), 1u);
        EXPECT_EQ(run.questions[0].messageKind, 1);
        EXPECT_EQ(run.questions[0].title, QStringLiteral("还原"));
        EXPECT_EQ(
            run.questions[0].text,
            QStringLiteral("还原将用备份 错题本备份-20261211.zip（12 道题）替换当前的全部错题（40 道题），是否继续？"));
        EXPECT_TRUE(run.results.isEmpty()) << run.results.join('|').toStdString();
        EXPECT_TRUE(snapshot(data) == before) << "the data folder changed";
        EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(' ').toStdString();
        expectNotebookStarted(++starts);
    }
}

// 是 restores as before: the archive's content replaces the data folder.
TEST_F(RestoreQuestion, YesRestoresTheArchive)
{
    writeDatabase(data + "/database/Lorvane.db", 2);
    const QByteArray archived = questionsDatabase(3, root + "/archived.db");
    const QByteArray picture = randomBytes(5000, 8);
    const QString archivePath = backups + "/older.zip";
    // No settings file in it: its check would start this test program.
    makeZip(archivePath, {{"database/Lorvane.db", archived},
                          {"item/10000/0f1e2d3c-4b5a-6978-8a9b-acbdcedfe0f1/original.jpg", picture}});

    const Run run = restore(archivePath, true, 1);
    EXPECT_EQ(run.exitCode, backuptool::Success);
    ASSERT_EQ(run.questions.size(), 1u);
    EXPECT_EQ(run.questions[0].text,
              QStringLiteral("还原将用备份 older.zip（3 道题）替换当前的全部错题（2 道题），是否继续？"));
    EXPECT_EQ(run.results, QStringList{QStringLiteral("还原成功")});
    const auto after = snapshot(data);
    EXPECT_EQ(after.at("database/Lorvane.db"), archived);
    EXPECT_EQ(after.at("item/10000/0f1e2d3c-4b5a-6978-8a9b-acbdcedfe0f1/original.jpg"), picture);
    EXPECT_EQ(after.count("Lorvane.ini"), 0u);
    EXPECT_EQ(after.count("item/10000/6f1c-aa"), 0u);
    EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(' ').toStdString();
    expectNotebookStarted(1);
}

// A count that cannot be read is left out of the question, never guessed.
TEST_F(RestoreQuestion, CountsThatCannotBeReadAreLeftOut)
{
    struct Case {
        const char* name;
        QByteArray archived;  // the archive's database (empty: none)
        bool liveDatabase;
        QString text;
    };
    const Case cases[] = {
        {"the archive's database is damaged", "PK but no database", true,
         QStringLiteral("还原将用备份 case0.zip 替换当前的全部错题（5 道题），是否继续？")},
        {"the archive has no database", QByteArray(), true,
         QStringLiteral("还原将用备份 case1.zip 替换当前的全部错题（5 道题），是否继续？")},
        {"the archive's database has no local account", questionsDatabase(7, root + "/nouser.db", false), true,
         QStringLiteral("还原将用备份 case2.zip 替换当前的全部错题（5 道题），是否继续？")},
        {"the data folder has no database", questionsDatabase(7, root + "/seven.db"), false,
         QStringLiteral("还原将用备份 case3.zip（7 道题）替换当前的全部错题，是否继续？")},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeDatabase(data + "/database/Lorvane.db", 5);
        if (!c.liveDatabase) {
            ASSERT_TRUE(QFile::remove(data + "/database/Lorvane.db"));
        }
        const QString archivePath = backups + QStringLiteral("/case%1.zip").arg(n++);
        std::vector<std::pair<QByteArray, QByteArray>> entries = {{"item/10000/x/original.jpg", "picture"}};
        if (!c.archived.isEmpty())
            entries.emplace_back("database/Lorvane.db", c.archived);
        makeZip(archivePath, entries);
        const auto before = snapshot(data);

        const Run run = restore(archivePath, false, 0);
        EXPECT_EQ(run.exitCode, backuptool::Cancelled);
        ASSERT_EQ(run.questions.size(), 1u);
        EXPECT_EQ(run.questions[0].text, c.text);
        EXPECT_TRUE(snapshot(data) == before) << "the data folder changed";
        EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(' ').toStdString();
        expectNotebookStarted(n);
    }
}

}  // namespace
