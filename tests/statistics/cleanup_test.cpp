#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>

#include <cstdio>
#include <iterator>
#include <memory>

#include "StatsFixture.h"
#include "library/ClearDetail.h"
#include "library/statisticsSummary.h"
#include "platform/RemoveTree.h"
#include "support/FolderHash.h"
#include "ui/ModalRecorder.h"
#include "ui/QMessageBoxBase.h"
#include "ui/WaiteDialog.h"

namespace {

// The row of the table showing grade and term names.
int rowOf(QTableWidget* table, const QString& grade, const QString& term)
{
    for (int row = 0; row < table->rowCount(); ++row)
        if (table->item(row, 0)->text() == grade && table->item(row, 1)->text() == term)
            return row;
    return -1;
}

// Counts the events of one type that reach an object.
class EventCounter : public QObject {
public:
    EventCounter(QObject* watched, QEvent::Type type, int& count) : watched_(watched), type_(type), count_(count)
    {
        watched_->installEventFilter(this);
    }
    ~EventCounter() override { watched_->removeEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == type_)
            ++count_;
        return false;
    }

private:
    QObject* watched_;
    QEvent::Type type_;
    int& count_;
};

}  // namespace

class CleanUp : public StatsDb {
protected:
    void SetUp() override
    {
        StatsDb::SetUp();
        if (HasFatalFailure())
            return;
        current = {context->grade.id, context->term.id};
        oldGrade = typeId(1, "初一");
        oldTerm = typeId(2, "下学期");
        otherTerm = typeId(2, "上学期") == context->term.id ? oldTerm : typeId(2, "上学期");
    }

    // A question with a folder holding one file.
    void question(int grade, int term, const std::string& path, int subject = 0)
    {
        insert(Row().grade(grade).term(term).subject(subject).path(path));
        if (statistics_plain(path))
            writeFile(userFolder + "/" + QString::fromStdString(path) + "/original.jpg", 100);
    }
    static bool statistics_plain(const std::string& path)
    {
        return !path.empty() && path != "." && path != ".." && path.find('/') == std::string::npos;
    }

    std::vector<std::tuple<int, int, int>> counts()
    {
        std::vector<std::tuple<int, int, int>> result;
        std::string err;
        EXPECT_EQ(db->getGradeTermCounts(user.id, result, err), 0) << err;
        return result;
    }

    std::pair<int, int> current;
    int oldGrade = 0;
    int oldTerm = 0;
    int otherTerm = 0;
};

TEST_F(CleanUp, CurrentGradeAndTermCannotBeTicked)
{
    question(current.first, current.second, "a");
    question(oldGrade, oldTerm, "b");
    ClearDetail dialog(counts());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("清理"));
    QTableWidget* table = dialog.table();
    ASSERT_EQ(table->rowCount(), 2);
    const int now = rowOf(table, QString::fromStdString(context->grade.name),
                          QString::fromStdString(context->term.name));
    const int old = rowOf(table, QStringLiteral("初一"), QStringLiteral("下学期"));
    ASSERT_GE(now, 0);
    ASSERT_GE(old, 0);
    EXPECT_FALSE(table->item(now, 0)->flags() & Qt::ItemIsEnabled);
    EXPECT_FALSE(table->item(now, 0)->flags() & Qt::ItemIsSelectable);
    EXPECT_TRUE(table->item(old, 0)->flags() & Qt::ItemIsUserCheckable);
    EXPECT_TRUE(table->item(old, 0)->flags() & Qt::ItemIsEnabled);
    EXPECT_EQ(table->item(old, 2)->text(), QStringLiteral("1"));

    // Even ticked by force, the current row is never cleared.
    table->item(now, 0)->setCheckState(Qt::Checked);
    dialog.on_clear_clicked();
    EXPECT_EQ(dialog.result(), 0);
    EXPECT_EQ(count("1"), 2);
}

TEST_F(CleanUp, NothingTickedDoesNothing)
{
    question(oldGrade, oldTerm, "b");
    ClearDetail dialog(counts());
    ModalRecorder boxes;
    dialog.on_clear_clicked();
    EXPECT_EQ(dialog.result(), 0);
    EXPECT_EQ(boxes.count(), 0);
    EXPECT_EQ(count("1"), 1);
    EXPECT_TRUE(QDir(userFolder + "/b").exists());
}

TEST_F(CleanUp, TickedRowsLoseQuestionsOfEverySubjectAndOnlyTheirOwnFolders)
{
    const int otherSubject = context->subjects.at(1).id;
    question(current.first, current.second, "keep1");
    question(oldGrade, current.second, "keep2");  // same grade, other term: not ticked
    question(oldGrade, oldTerm, "gone1");
    question(oldGrade, oldTerm, "gone2", otherSubject);
    question(oldGrade, oldTerm, "");                                 // empty path: record only
    insert(Row().grade(oldGrade).term(oldTerm).path(std::nullopt));  // NULL path
    question(oldGrade, oldTerm, "..");                               // never the user folder's parent
    question(oldGrade, oldTerm, ".");                                // never the user folder itself
    question(oldGrade, oldTerm, "../outside");                       // never outside the user folder
    const int secondGrade = typeId(1, "初二");
    question(secondGrade, oldTerm, "gone3");
    writeFile(userFolder + "/loose.txt", 10);
    writeFile("item/outside/file.txt", 10);

    ClearDetail dialog(counts());
    QTableWidget* table = dialog.table();
    table->item(rowOf(table, QStringLiteral("初一"), QStringLiteral("下学期")), 0)->setCheckState(Qt::Checked);
    table->item(rowOf(table, QStringLiteral("初二"), QStringLiteral("下学期")), 0)->setCheckState(Qt::Checked);
    ModalRecorder boxes;
    dialog.on_clear_clicked();
    EXPECT_EQ(boxes.count(), 0);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    EXPECT_EQ(count("term = " + std::to_string(oldTerm) + " AND grade IN (" + std::to_string(oldGrade) + "," +
                    std::to_string(secondGrade) + ")"),
              0);
    EXPECT_EQ(count("1"), 2);
    EXPECT_FALSE(QDir(userFolder + "/gone1").exists());
    EXPECT_FALSE(QDir(userFolder + "/gone2").exists());
    EXPECT_FALSE(QDir(userFolder + "/gone3").exists());
    EXPECT_TRUE(QFile::exists(userFolder + "/keep1/original.jpg"));
    EXPECT_TRUE(QFile::exists(userFolder + "/keep2/original.jpg"));
    EXPECT_TRUE(QFile::exists(userFolder + "/loose.txt"));
    EXPECT_TRUE(QFile::exists("item/outside/file.txt"));
    EXPECT_TRUE(QDir(userFolder).exists());
    EXPECT_TRUE(QDir("item").exists());
}

// A question folder that is a link, or holds one, loses the link, never what
// it points to.
TEST_F(CleanUp, LinkedQuestionFolderLosesTheLinkNotItsTarget)
{
    struct Case {
        const char* folder;
        const char* link;  // inside the user's folder
        const char* target;
    };
    const Case cases[] = {
        {"linked", "linked", "elsewhere"},
        {"holds-folder-link", "holds-folder-link/pictures", "elsewhere"},
        {"holds-file-link", "holds-file-link/original.jpg", "elsewhere/keep.txt"},
        {"holds-deep-link", "holds-deep-link/a/b/pictures", "elsewhere"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        writeFile("elsewhere/keep.txt", 10);
        writeFile("elsewhere/sub/keep2.txt", 20);
        const QString link = userFolder + "/" + c.link;
        ASSERT_TRUE(QDir().mkpath(QFileInfo(link).path()));
        ASSERT_TRUE(QFile::link(QDir::current().absoluteFilePath(c.target), link));
        ClearDetail::removeQuestionFolder(std::to_string(user.id), c.folder);
        EXPECT_FALSE(QFileInfo(link).isSymLink());
        EXPECT_FALSE(QFileInfo::exists(userFolder + "/" + c.folder));
        EXPECT_TRUE(QFile::exists("elsewhere/keep.txt"));
        EXPECT_TRUE(QFile::exists("elsewhere/sub/keep2.txt"));
    }
}

TEST_F(CleanUp, RowWhoseQuestionsAreGoneStopsWithTheDatabaseText)
{
    question(oldGrade, oldTerm, "gone1");
    const int secondGrade = typeId(1, "初二");
    question(secondGrade, oldTerm, "stays");
    ClearDetail dialog(counts());
    exec(("DELETE FROM detail WHERE grade = " + std::to_string(oldGrade)).c_str());
    QTableWidget* table = dialog.table();
    table->item(rowOf(table, QStringLiteral("初一"), QStringLiteral("下学期")), 0)->setCheckState(Qt::Checked);
    table->item(rowOf(table, QStringLiteral("初二"), QStringLiteral("下学期")), 0)->setCheckState(Qt::Checked);
    ModalRecorder boxes;
    dialog.on_clear_clicked();
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().title, QStringLiteral("提示"));
    EXPECT_EQ(boxes.last().text, QStringLiteral("no item find"));
    EXPECT_EQ(dialog.result(), 0);
    // Rows after the failing one are left alone.
    EXPECT_EQ(count("grade = " + std::to_string(secondGrade)), 1);
    EXPECT_TRUE(QDir(userFolder + "/stays").exists());
}

using Summary = CleanUp;

TEST_F(Summary, TablesCountBySubjectAndByGradeAndTerm)
{
    for (int i = 0; i < 5; ++i)
        insert(Row().state(1));
    for (int i = 0; i < 3; ++i)
        insert(Row().state(0));
    const int second = context->subjects.at(1).id;
    insert(Row().subject(second).state(1));
    insert(Row().grade(oldGrade).term(oldTerm));

    statisticsSummary page;
    page.doWork();
    QTableWidget* subjects = page.subjectTable();
    ASSERT_EQ(subjects->rowCount(), 2);
    EXPECT_EQ(subjects->item(0, 0)->text(), QString::fromStdString(context->subjects.at(0).name));
    EXPECT_EQ(subjects->item(0, 1)->text(), QStringLiteral("8"));
    EXPECT_EQ(subjects->item(0, 2)->text(), QStringLiteral("37.50%"));
    EXPECT_EQ(subjects->item(1, 2)->text(), QStringLiteral("0.00%"));

    QTableWidget* gradeTerms = page.gradeTermTable();
    ASSERT_EQ(gradeTerms->rowCount(), 2);
    // Grades by their order: 初一 before the current 高三.
    EXPECT_EQ(gradeTerms->item(0, 0)->text(), QStringLiteral("初一"));
    EXPECT_EQ(gradeTerms->item(0, 1)->text(), QStringLiteral("下学期"));
    EXPECT_EQ(gradeTerms->item(0, 2)->text(), QStringLiteral("1"));
    EXPECT_EQ(gradeTerms->item(1, 2)->text(), QStringLiteral("9"));
}

TEST_F(Summary, FolderSizesAreSummedBesideTheGuiThread)
{
    writeFile(userFolder + "/q1/original.jpg", 1048576);
    writeFile(userFolder + "/q2/questions.jpg", 524288);
    writeFile("tmp/page-1.png", 2048);

    statisticsSummary page;
    // Until the reports arrive the labels say so and the buttons are hidden.
    if (page.sizing()) {
        EXPECT_TRUE(page.clearQuestionsButton()->isHidden());
        EXPECT_TRUE(page.clearCacheButton()->isHidden());
    }
    ASSERT_TRUE(waitFor([&] { return !page.sizing(); }));
    EXPECT_EQ(page.questionSizeLabel()->text(), QStringLiteral("题目：1.50M"));
    EXPECT_EQ(page.cacheSizeLabel()->text(), QStringLiteral("缓存：2.00K"));
    EXPECT_FALSE(page.clearQuestionsButton()->isHidden());
    EXPECT_FALSE(page.clearCacheButton()->isHidden());
}

TEST_F(Summary, OnlyTheLatestSizeRunReportsAndNoneReachesADestroyedPage)
{
    writeFile(userFolder + "/q1/original.jpg", 1000);
    {
        auto gone = std::make_unique<statisticsSummary>();
        gone.reset();
    }
    statisticsSummary page;
    QSignalSpy spy(&page, &statisticsSummary::getFileSizeFinished);
    page.startDirectorySize();
    page.startDirectorySize();
    ASSERT_TRUE(waitFor([&] { return !page.sizing(); }));
    // Let any late report of an older run arrive.
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(spy.count(), 2);
}

TEST_F(Summary, CacheCleanUpEmptiesTmpAndKeepsIt)
{
    writeFile("tmp/a.png", 4096);
    writeFile("tmp/pdf/page-1.png", 4096);
    writeFile("tmp/.hidden", 10);
    statisticsSummary page;
    ASSERT_TRUE(waitFor([&] { return !page.sizing(); }));
    EXPECT_EQ(page.cacheSizeLabel()->text(), QStringLiteral("缓存：8.01K"));

    // The progress box is the only sign of the wait: the busy dialog stays away.
    int busyShown = 0;
    EventCounter busy(WaiteDialog::instance(), QEvent::Show, busyShown);
    page.on_btn_clear2_clicked();
    EXPECT_EQ(busyShown, 0);
    EXPECT_TRUE(QDir("tmp").exists());
    EXPECT_TRUE(QDir("tmp").entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).isEmpty());
    ASSERT_TRUE(waitFor([&] { return !page.sizing(); }));
    EXPECT_EQ(page.cacheSizeLabel()->text(), QStringLiteral("缓存：0.00K"));

    // Without a tmp folder nothing happens.
    ASSERT_TRUE(QDir("tmp").removeRecursively());
    page.on_btn_clear2_clicked();
    EXPECT_FALSE(page.sizing());
    EXPECT_FALSE(QDir("tmp").exists());
}

// What a save cut short leaves behind: question folders without a row.
// 清理缓存 removes those of the user, whatever grade, term or subject the
// rows belong to, and says how many; nothing else is touched.
TEST_F(Summary, CacheCleanUpRemovesTheUsersRowlessQuestionFolders)
{
    const QString kept[] = {QStringLiteral("0f1e2d3c-4b5a-6978-8a9b-acbdcedfe0f1"),
                            QStringLiteral("1f1e2d3c-4b5a-6978-8a9b-acbdcedfe0f1"),
                            QStringLiteral("2F1E2D3C-4B5A-6978-8A9B-ACBDCEDFE0F1")};
    const int otherSubject = context->subjects.at(1).id;
    question(current.first, current.second, kept[0].toStdString());
    question(oldGrade, oldTerm, kept[1].toStdString(), otherSubject);
    insert(Row().state(1).times(3).path(kept[2].toStdString()));
    writeFile(userFolder + "/" + kept[2] + "/original.jpg", 10);

    const QString gone[] = {QStringLiteral("3a3a3a3a-0000-4000-8000-000000000001"),
                            QStringLiteral("3a3a3a3a-0000-4000-8000-000000000002")};
    for (const QString& name : gone)
        writeFile(userFolder + "/" + name + "/original.jpg", 100);
    // Not question folders: another name, a file, a link to a folder
    // elsewhere, another user's folder.
    writeFile(userFolder + "/notes/a.txt", 10);
    writeFile(userFolder + "/4b4b4b4b-0000-4000-8000-000000000003", 10);
    writeFile("elsewhere/keep.txt", 10);
    ASSERT_TRUE(QFile::link(QDir::current().absoluteFilePath("elsewhere"),
                            userFolder + "/5c5c5c5c-0000-4000-8000-000000000004"));
    writeFile(QStringLiteral("item/%1/6d6d6d6d-0000-4000-8000-000000000005/original.jpg").arg(user.id + 1), 10);
    QDir("tmp").removeRecursively();  // without a cache the folders still go

    statisticsSummary page;
    ASSERT_TRUE(waitFor([&] { return !page.sizing(); }));
    ModalRecorder boxes;
    page.on_btn_clear2_clicked();
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().title, QStringLiteral("提示"));
    EXPECT_EQ(boxes.last().text, QStringLiteral("已删除2个没有记录的题目文件夹"));
    for (const QString& name : gone)
        EXPECT_FALSE(QFileInfo::exists(userFolder + "/" + name)) << name.toStdString();
    for (const QString& name : kept)
        EXPECT_TRUE(QFileInfo::exists(userFolder + "/" + name + "/original.jpg")) << name.toStdString();
    EXPECT_TRUE(QFileInfo::exists(userFolder + "/notes/a.txt"));
    EXPECT_TRUE(QFileInfo::exists(userFolder + "/4b4b4b4b-0000-4000-8000-000000000003"));
    EXPECT_TRUE(QFileInfo(userFolder + "/5c5c5c5c-0000-4000-8000-000000000004").isSymLink());
    EXPECT_TRUE(QFileInfo::exists("elsewhere/keep.txt"));
    EXPECT_TRUE(QFileInfo::exists(QStringLiteral("item/%1/6d6d6d6d-0000-4000-8000-000000000005").arg(user.id + 1)));
    EXPECT_EQ(count("1"), 3);
    ASSERT_TRUE(waitFor([&] { return !page.sizing(); }));

    // Nothing left to remove: nothing said.
    boxes.clear();
    page.on_btn_clear2_clicked();
    EXPECT_EQ(boxes.count(), 0);
}

// A folder goes only when no row names it even leniently: letter case
// (either way), blanks and separators at the ends, one damaged character
// (changed, missing, extra, moved), and a row path that holds the name with
// more around it (a whole relative path, braces, a file after it) still name
// it. The rows lie in several grades, terms and subjects.
TEST_F(Summary, CacheCleanUpKeepsEveryFolderThatARowNamesLeniently)
{
    const int otherSubject = context->subjects.at(1).id;
    struct Case {
        const char* folder;
        const char* row;  // nullptr: no row
        int grade;        // 0: current
        bool kept;
    };
    const Case cases[] = {
        {"a0000000-0000-4000-8000-000000000001", "a0000000-0000-4000-8000-000000000001", 0, true},
        {"a0000000-0000-4000-8000-00000000000b", "A0000000-0000-4000-8000-00000000000B", 0, true},
        {"A0000000-0000-4000-8000-00000000000C", "a0000000-0000-4000-8000-00000000000c", oldGrade, true},
        {"a0000000-0000-4000-8000-000000000004", "a0000000-0000-4000-8000-000000000004/", 0, true},
        {"a0000000-0000-4000-8000-000000000005", " a0000000-0000-4000-8000-000000000005", oldGrade, true},
        {"a0000000-0000-4000-8000-000000000006", "\\a0000000-0000-4000-8000-000000000006 \t", 0, true},
        {"a0000000-0000-4000-8000-000000000007", "a0000000-0000-4000-8000-00000000000x", 0, true},   // changed
        {"a0000000-0000-4000-8000-000000000008", "a0000000-0000-4000-8000-00000000008", 0, true},    // missing
        {"a0000000-0000-4000-8000-000000000009", "a0000000-0000-4000-8000-0000000000099", 0, true},  // extra
        {"a0000000-0000-4000-8000-0000000000ab", "a0000000-0000-4000-8000-0000000000ba", 0, true},   // moved
        // The name inside a longer row path.
        {"a0000000-0000-4000-8000-000000000021", "item/10000/a0000000-0000-4000-8000-000000000021", 0, true},
        {"a0000000-0000-4000-8000-000000000022", "10000/a0000000-0000-4000-8000-000000000022", oldGrade, true},
        {"a0000000-0000-4000-8000-000000000023", "10000\\a0000000-0000-4000-8000-000000000023", 0, true},
        {"a0000000-0000-4000-8000-000000000024", "a0000000-0000-4000-8000-000000000024/original.jpg", 0, true},
        {"a0000000-0000-4000-8000-000000000025", "{a0000000-0000-4000-8000-000000000025}", oldGrade, true},
        {"a0000000-0000-4000-8000-00000000002f", "ITEM/10000/A0000000-0000-4000-8000-00000000002F/1.png", 0, true},
        {"A0000000-0000-4000-8000-00000000002E", "item\\10000\\a0000000-0000-4000-8000-00000000002e", 0, true},
        // Two names that overlap in one row: the second begins inside the
        // last group of the first.
        {"a0000000-0000-4000-8000-000000000026", "a0000000-0000-4000-8000-000000000026-0000-4000-8000-000000000027", 0,
         true},
        {"00000026-0000-4000-8000-000000000027", nullptr, 0, true},
        {"b0000000-0000-4000-8000-000000000011", nullptr, 0, false},
        // Two characters changed: another name, inside a longer path or not.
        {"c0000000-0000-4000-8000-000000000012", "c0000000-0000-4000-8000-0000000000xy", 0, false},
        {"c0000000-0000-4000-8000-000000000031", "item/10000/c0000000-0000-4000-8000-0000000000a2", 0, false},
        {"d0000000-0000-4000-8000-000000000013", "d0000000-0000-4000-8000-0000000013", oldGrade, false},
    };
    for (const Case& c : cases) {
        if (c.row)
            insert(Row().grade(c.grade).term(c.grade ? oldTerm : 0).subject(c.grade ? otherSubject : 0).path(c.row));
        writeFile(userFolder + "/" + c.folder + "/original.jpg", 10);
    }
    // A hostile row path of a megabyte made of 28000 names, one after the
    // other: the folder of the one in its middle stays, a folder two
    // characters away from one of them goes. The time of the clean-up is
    // printed, never asserted.
    const auto hostileName = [](int i) {
        return QStringLiteral("%1-0000-4000-8000-%2").arg(0xf0000000u + i, 8, 16).arg(i, 12, 16, QLatin1Char('0'));
    };
    std::string hostileRow;
    for (int i = 0; i < 28000; ++i)
        hostileRow += hostileName(i).toStdString() + "/";
    ASSERT_GT(hostileRow.size(), 1000000u);
    insert(Row().path(hostileRow));
    const QString insideLongRow = hostileName(14000);
    QString besideLongRow = insideLongRow;
    besideLongRow.replace(34, 2, QStringLiteral("ee"));
    writeFile(userFolder + "/" + insideLongRow + "/original.jpg", 10);
    writeFile(userFolder + "/" + besideLongRow + "/original.jpg", 10);
    QDir("tmp").removeRecursively();
    const int rows = count("1");

    statisticsSummary page;
    ASSERT_TRUE(waitFor([&] { return !page.sizing(); }));
    ModalRecorder boxes;
    QElapsedTimer timer;
    timer.start();
    page.on_btn_clear2_clicked();
    std::printf("clean-up of %zu folders against %d rows, one of %zu bytes: %lld ms\n", std::size(cases) + 2, rows,
                hostileRow.size(), static_cast<long long>(timer.elapsed()));
    int gone = 0;
    for (const Case& c : cases) {
        const QString folder = userFolder + "/" + c.folder;
        EXPECT_EQ(QFileInfo::exists(folder + "/original.jpg"), c.kept) << c.folder << " row " << (c.row ? c.row : "-");
        EXPECT_EQ(QFileInfo::exists(folder), c.kept) << c.folder;
        gone += c.kept ? 0 : 1;
    }
    EXPECT_TRUE(QFileInfo::exists(userFolder + "/" + insideLongRow + "/original.jpg"));
    EXPECT_FALSE(QFileInfo::exists(userFolder + "/" + besideLongRow));
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().text, QStringLiteral("已删除%1个没有记录的题目文件夹").arg(gone + 1));
    EXPECT_EQ(count("1"), rows);
    ASSERT_TRUE(waitFor([&] { return !page.sizing(); }));
}

// Nothing 清理缓存 deletes is reached through a link: each link goes as a
// link, whatever it points to stays as it was, and the cache folder is a real
// folder afterwards.
TEST_F(Summary, CacheCleanUpRemovesLinksAsLinksAndLeavesTheirTargets)
{
    const QString outside = testenv::appDataRoot() + "/outside";
    const QString rowless = userFolder + "/e0000000-0000-4000-8000-000000000001";
    struct Case {
        const char* what;
        QString link;
        bool toFile;
    };
    const Case cases[] = {
        {"tmp itself a link", QStringLiteral("tmp"), false},
        {"a link to a folder inside tmp", QStringLiteral("tmp/pages"), false},
        {"a link to a file inside tmp", QStringLiteral("tmp/page-1.png"), true},
        {"a link deep inside tmp", QStringLiteral("tmp/pdf/run/pages"), false},
        {"a link inside a rowless question folder", rowless + "/pictures", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(platform::removeTree("tmp"));
        ASSERT_TRUE(QDir().mkpath("tmp"));
        writeFile("tmp/stale.png", 10);
        writeFile(rowless + "/original.jpg", 10);
        QDir(outside).removeRecursively();
        writeFile(outside + "/target/a.png", 100);
        writeFile(outside + "/target/sub/b.png", 200);
        const QString target = outside + (c.toFile ? "/target/a.png" : "/target");
        if (c.link == "tmp") {
            ASSERT_TRUE(platform::removeTree("tmp"));
        }
        ASSERT_TRUE(QDir().mkpath(QFileInfo(c.link).path()));
        ASSERT_TRUE(QFile::link(target, c.link));
        const testenv::FolderHashes before = testenv::folderHashes(outside);

        statisticsSummary page;
        ASSERT_TRUE(waitFor([&] { return !page.sizing(); }));
        ModalRecorder boxes;
        page.on_btn_clear2_clicked();
        ASSERT_TRUE(waitFor([&] { return !page.sizing(); }));

        EXPECT_FALSE(QFileInfo(c.link).isSymLink());
        EXPECT_EQ(testenv::folderHashes(outside), before)
            << testenv::hashDifference(before, testenv::folderHashes(outside)).toStdString();
        EXPECT_TRUE(QFileInfo("tmp").isDir());
        EXPECT_FALSE(QFileInfo("tmp").isSymLink());
        EXPECT_TRUE(QDir("tmp").isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
        EXPECT_FALSE(QFileInfo::exists(rowless));
    }
}

// A row that the per-bucket reads cannot reach means the rows were not all
// seen: then no folder is removed and the pupil is told.
TEST_F(Summary, CacheCleanUpRemovesNoFolderWhenTheRowsCannotAllBeRead)
{
    const QString unreached = QStringLiteral("7e7e7e7e-0000-4000-8000-000000000006");
    insert(Row().path(unreached.toStdString()));
    exec("UPDATE detail SET grade = 'x'");  // no grade the reads can name
    writeFile(userFolder + "/" + unreached + "/original.jpg", 10);
    writeFile(userFolder + "/8f8f8f8f-0000-4000-8000-000000000007/original.jpg", 10);

    statisticsSummary page;
    ModalRecorder boxes;
    page.on_btn_clear2_clicked();
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().text, QStringLiteral("题目记录读取不完整，未清理题目文件夹"));
    EXPECT_TRUE(QFileInfo::exists(userFolder + "/" + unreached));
    EXPECT_TRUE(QFileInfo::exists(userFolder + "/8f8f8f8f-0000-4000-8000-000000000007"));
}

TEST_F(Summary, ClearQuestionsRunsTheDialogAndRecountsOnlyWhenAccepted)
{
    int runs = 0;
    ModalRecorder modals;
    modals.onDialog([&](QDialog&) {
        ++runs;
        return 0;
    });
    statisticsSummary page;
    page.doWork();
    page.on_btn_clear1_clicked();  // no questions at all
    EXPECT_EQ(runs, 0);

    question(current.first, current.second, "keep");
    question(oldGrade, oldTerm, "gone");
    page.doWork();
    ASSERT_TRUE(waitFor([&] { return !page.sizing(); }));
    page.on_btn_clear1_clicked();  // cancelled: no recount, no new size run
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(page.sizing());
    EXPECT_EQ(page.gradeTermTable()->rowCount(), 2);

    modals.onDialog([&](QDialog& shown) {
        ++runs;
        auto& dialog = dynamic_cast<ClearDetail&>(shown);
        QTableWidget* table = dialog.table();
        table->item(rowOf(table, QStringLiteral("初一"), QStringLiteral("下学期")), 0)->setCheckState(Qt::Checked);
        dialog.on_clear_clicked();
        return dialog.result();
    });
    page.on_btn_clear1_clicked();
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(page.gradeTermTable()->rowCount(), 1);
    EXPECT_TRUE(page.sizing());
    EXPECT_FALSE(QDir(userFolder + "/gone").exists());
    EXPECT_TRUE(QDir(userFolder + "/keep").exists());
    ASSERT_TRUE(waitFor([&] { return !page.sizing(); }));
}
