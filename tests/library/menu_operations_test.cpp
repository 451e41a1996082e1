// The question list's operations on a real database: ticks and selection,
// the context menu, delete, mastered, source, remark, move, the exports and
// the two capture-layer windows behind their seam.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <sqlite3.h>

#include <memory>

#include "core/Settings.h"
#include "export/QExportDialog.h"
#include "library/DetailcListWidget.h"
#include "library/DetailcListWidget_statisticsPoint.h"
#include "library/MoveSubject.h"
#include "library/QuestionFixture.h"
#include "library/QuestionWindows.h"
#include "ui/ModalRecorder.h"

namespace {

fixture::Question onPoint(const char* point)
{
    fixture::Question q;
    q.point = point;
    return q;
}

// A question with a folder of its own (item/<user>/<path>/file.txt).
int addQuestionWithFolder(const std::string& path, int state = 0, const std::string& point = std::string())
{
    fixture::Question q;
    q.state = state;
    q.point = point;
    const int id = fixture::addQuestion(q);
    sqlite3* db = nullptr;
    sqlite3_open("database/Lorvane.db", &db);
    const std::string sql = "UPDATE detail SET detail_path = '" + path + "' WHERE id = " + std::to_string(id);
    sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
    const QString folder = QStringLiteral("item/%1/%2")
                               .arg(QString::fromStdString(AppContext::instance()->user_folder),
                                    QString::fromStdString(path));
    QDir().mkpath(folder);
    QFile file(folder + QStringLiteral("/file.txt"));
    file.open(QIODevice::WriteOnly);
    return id;
}

_detail_t stored(int id)
{
    query_data q;
    const AppContext* ctx = AppContext::instance();
    q.user_id = ctx->user.id;
    q.grade = ctx->grade.id;
    q.term = ctx->term.id;
    q.subject = ctx->subject.id;
    std::vector<_detail_t> all;
    std::string err;
    fixture::db()->searchDetails(q, all, err);
    for (const _detail_t& d : all) {
        if (d.id == id)
            return d;
    }
    return _detail_t();
}

class ListOperations : public ::testing::Test {
protected:
    void SetUp() override
    {
        fixture::openDatabase();
        fixture::clearQuestions();
        AppContext::instance()->state = -1;  // every question
        setIniValue(QStringLiteral("first_run"), 3);
        setIniValue(QStringLiteral("export_style"), 0);
        list = std::make_unique<DetailcListWidget>(nullptr, false);
    }
    void TearDown() override { QuestionWindows::instance() = QuestionWindows(); }

    void reload()
    {
        list->loadData();
        list->show_detail();
    }
    void tick(int row) { list->table()->item(row, 0)->setCheckState(Qt::Checked); }
    void select(int row) { list->table()->selectRow(row); }
    int count()
    {
        int n = 0;
        std::string err;
        list->queryCount(n, err);
        return n;
    }
    std::vector<int> pageIds() const
    {
        std::vector<int> ids;
        for (const _detail_t& d : list->details())
            ids.push_back(d.id);
        return ids;
    }
    // Records every dialog the list runs, answering with result.
    void recordDialogs(int result = 0)
    {
        modals.onDialog([this, result](QDialog& d) {
            titles << d.windowTitle();
            if (auto* exporter = dynamic_cast<QExportDialog*>(&d))
                exported.push_back(exporter->list());
            return result;
        });
    }

    ModalRecorder modals;
    std::unique_ptr<DetailcListWidget> list;
    QStringList titles;
    std::vector<std::vector<_detail_t>> exported;
};

TEST_F(ListOperations, TickedRowsWinOverTheSelectedRow)
{
    fixture::addQuestions(5);
    reload();
    EXPECT_TRUE(list->targetRows().empty());
    select(3);
    EXPECT_EQ(list->targetRows(), std::vector<int>{3});
    tick(4);
    tick(1);
    EXPECT_EQ(list->targetRows(), (std::vector<int>{1, 4}));
}

TEST_F(ListOperations, SelectAllTicksTheRowsThatShowAQuestion)
{
    fixture::addQuestions(3);
    reload();
    auto* box = list->findChild<QCheckBox*>(QStringLiteral("select_all"));
    box->setChecked(true);
    EXPECT_EQ(list->targetRows(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(list->table()->item(3, 0), nullptr);
    box->setChecked(false);
    EXPECT_TRUE(list->targetRows().empty());
    box->setChecked(true);
    list->show_detail();  // a refill starts unticked
    EXPECT_FALSE(box->isChecked());
    EXPECT_TRUE(list->targetRows().empty());
}

TEST_F(ListOperations, TheMenuHasEveryEntryOnlyWhenItsRowsHoldQuestions)
{
    reload();
    EXPECT_EQ(list->createContextMenu(), nullptr);  // an empty page
    fixture::addQuestions(3);
    reload();
    EXPECT_EQ(list->createContextMenu(), nullptr);  // nothing ticked or selected
    select(5);
    EXPECT_EQ(list->createContextMenu(), nullptr);  // an empty row
    select(2);
    std::unique_ptr<QMenu> menu(list->createContextMenu());
    ASSERT_NE(menu, nullptr);
    QStringList entries;
    for (QAction* a : menu->actions()) {
        entries << (a->isSeparator() ? QStringLiteral("-") : a->text());
        EXPECT_TRUE(a->isEnabled());
    }
    EXPECT_EQ(entries, (QStringList{"预览", "删除", "-", "设置为已掌握", "修改题目来源", "修改备注", "移动到...", "-",
                                    "导出选中项", "导出全部"}));
}

TEST_F(ListOperations, DeleteAsksWithTheCountsAndRemovesRowsAndPlainFolders)
{
    const int a = addQuestionWithFolder("qa");
    const int b = addQuestionWithFolder("qb", 1);
    const int c = addQuestionWithFolder("..");  // never a folder name
    const int keep = addQuestionWithFolder("qkeep");
    reload();
    tick(0);
    tick(1);
    tick(2);

    modals.setAnswer(0);
    list->menu_delete_triggered();
    ASSERT_EQ(modals.count(), 1);
    EXPECT_EQ(modals.last().title, QStringLiteral("题目删除"));
    EXPECT_EQ(modals.last().text, QStringLiteral("是否将这3道题目删除？其中2道题目为未掌握"));
    EXPECT_EQ(count(), 4);

    modals.setAnswer(1);
    list->menu_delete_triggered();
    EXPECT_EQ(count(), 1);
    EXPECT_EQ(pageIds(), std::vector<int>{keep});
    const QString user = QString::fromStdString(AppContext::instance()->user_folder);
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("item/%1/qa").arg(user)));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("item/%1/qb").arg(user)));
    EXPECT_TRUE(QFileInfo::exists(QStringLiteral("item/%1/qkeep/file.txt").arg(user)));
    EXPECT_TRUE(QFileInfo::exists(QStringLiteral("item/%1").arg(user)));  // ".." removed nothing
    (void)a;
    (void)b;
    (void)c;
}

TEST_F(ListOperations, MarkAsMasteredChangesTheStateOnly)
{
    fixture::Question twice;
    twice.times = 2;
    const int a = fixture::addQuestion(twice);
    const int b = fixture::addQuestion(twice);
    fixture::addQuestion(twice);
    reload();
    tick(0);
    tick(1);
    list->menu_mastered_triggered();
    EXPECT_EQ(modals.last().title, QStringLiteral("更改确认"));
    EXPECT_EQ(modals.last().text, QStringLiteral("是否将这2项更改为已掌握？"));
    for (const int id : {a, b}) {
        EXPECT_EQ(stored(id).state, 1);
        EXPECT_EQ(stored(id).times, 2);
    }
    EXPECT_EQ(list->details()[0].state, 1);  // reloaded
    EXPECT_EQ(list->details()[2].state, 0);
}

TEST_F(ListOperations, SourceAndRemarkAreAskedForThenWritten)
{
    fixture::Question q;
    q.source = "旧来源";
    q.remark = "旧备注";
    const int a = fixture::addQuestion(q);
    const int b = fixture::addQuestion(q);
    reload();
    tick(0);
    tick(1);

    QString text;
    QStringList dialogs;
    modals.onDialog([&](QDialog& d) {
        auto& input = dynamic_cast<QInputDialog&>(d);
        dialogs << input.windowTitle() + QLatin1Char('|') + input.labelText();
        EXPECT_TRUE(input.textValue().isEmpty());
        EXPECT_FALSE(input.windowFlags() & Qt::WindowContextHelpButtonHint);
        input.setTextValue(text);
        return QDialog::Accepted;
    });
    text = QStringLiteral("期末卷");
    list->menu_source_triggered();
    EXPECT_EQ(modals.last().text, QStringLiteral("是否将这2项更改为 期末卷？"));
    // The reload cleared the ticks. An empty remark clears the remark.
    EXPECT_TRUE(list->targetRows().empty());
    tick(0);
    tick(1);
    text.clear();
    list->menu_remark_triggered();
    EXPECT_EQ(modals.last().text, QStringLiteral("是否将这2项更改为 ？"));
    EXPECT_EQ(dialogs, (QStringList{"修改题目来源|请输入题目来源", "修改备注|请输入备注"}));
    for (const int id : {a, b}) {
        EXPECT_EQ(stored(id).source, "期末卷");
        EXPECT_EQ(stored(id).remark, "");
    }

    // A cancelled input or a refused confirmation changes nothing.
    modals.setDialogResult(QDialog::Rejected);
    list->menu_source_triggered();
    modals.onDialog([](QDialog& d) {
        dynamic_cast<QInputDialog&>(d).setTextValue(QStringLiteral("x"));
        return QDialog::Accepted;
    });
    modals.setAnswer(0);
    list->menu_remark_triggered();
    EXPECT_EQ(stored(a).source, "期末卷");
    EXPECT_EQ(stored(a).remark, "");
}

// The list's inputs take no more than the question's form does, so the form
// shows and keeps what was written here.
TEST_F(ListOperations, SourceAndRemarkInputsTakeAtMostWhatTheFormTakes)
{
    const int a = fixture::addQuestion({});
    reload();
    tick(0);
    struct Case {
        void (DetailcListWidget::*slot)();
        std::string _detail_t::*field;
    };
    const Case cases[] = {{&DetailcListWidget::menu_source_triggered, &_detail_t::source},
                          {&DetailcListWidget::menu_remark_triggered, &_detail_t::remark}};
    for (const Case& c : cases) {
        int maxLength = -1;
        modals.onDialog([&](QDialog& d) {
            auto* line = d.findChild<QLineEdit*>();
            EXPECT_NE(line, nullptr);
            if (!line)
                return QDialog::Rejected;
            maxLength = line->maxLength();
            line->setFocus();
            QTest::keyClicks(line, QString(120, QLatin1Char('x')));
            return QDialog::Accepted;
        });
        modals.setAnswer(1);
        (list.get()->*c.slot)();
        EXPECT_EQ(maxLength, 100);
        EXPECT_EQ(stored(a).*c.field, std::string(100, 'x'));
        tick(0);
    }
}

TEST_F(ListOperations, MoveTakesTheChosenBucketAndAFailureKeepsEarlierMoves)
{
    const int a = fixture::addQuestion({});
    const int b = fixture::addQuestion({});
    const int c = fixture::addQuestion({});
    reload();
    const int target = AppContext::instance()->subjects.at(1).id;
    modals.onDialog([&](QDialog& d) {
        auto& move = dynamic_cast<MoveSubject&>(d);
        move.subjectBox()->setCurrentIndex(1);
        return 1;
    });

    // The second move fails inside the database.
    sqlite3* db = nullptr;
    sqlite3_open("database/Lorvane.db", &db);
    const std::string trigger = "CREATE TRIGGER refuse BEFORE UPDATE OF subject ON detail WHEN OLD.id = " +
                                std::to_string(b) + " BEGIN SELECT RAISE(ABORT, 'refused'); END";
    ASSERT_EQ(sqlite3_exec(db, trigger.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    tick(0);
    tick(1);
    tick(2);
    list->menu_move_triggered();
    ASSERT_EQ(modals.count(), 1);
    EXPECT_TRUE(modals.last().text.contains(QStringLiteral("refused"))) << modals.last().text.toStdString();
    EXPECT_EQ(pageIds(), (std::vector<int>{a, b, c}));  // not reloaded
    EXPECT_EQ(count(), 2);                              // a has gone to the other subject

    sqlite3_exec(db, "DROP TRIGGER refuse", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    reload();
    tick(0);
    tick(1);
    list->menu_move_triggered();
    EXPECT_EQ(count(), 0);
    AppContext::instance()->subject = AppContext::instance()->subjects.at(1);
    EXPECT_EQ(count(), 3);
    EXPECT_EQ(target, AppContext::instance()->subject.id);

    // A cancelled move dialog changes nothing.
    reload();
    select(0);
    modals.setDialogResult(0);
    list->menu_move_triggered();
    EXPECT_EQ(count(), 3);
}

TEST_F(ListOperations, ExportAllReadsEveryPageOfTheFilter)
{
    recordDialogs();
    list->menu_exportAll_triggered();
    EXPECT_TRUE(titles.isEmpty());  // nothing to export

    fixture::addQuestions(45);
    reload();
    list->findChild<QToolButton*>(QStringLiteral("next_page"))->click();
    list->btnExport_clicked();
    ASSERT_EQ(exported.size(), 1u);
    EXPECT_EQ(titles, QStringList{"导出全部"});
    ASSERT_EQ(exported[0].size(), 45u);
    for (size_t i = 1; i < 45; ++i)
        EXPECT_LT(exported[0][i - 1].number, exported[0][i].number);
    EXPECT_EQ(list->offset(), 20);  // the list's own page stays
}

TEST_F(ListOperations, ExportSelectedTakesTheTargetRowsInRowOrder)
{
    fixture::addQuestions(4);
    reload();
    recordDialogs();
    tick(3);
    tick(1);
    list->menu_export_triggered();
    ASSERT_EQ(exported.size(), 1u);
    EXPECT_EQ(titles, QStringList{"导出选中项"});
    ASSERT_EQ(exported[0].size(), 2u);
    EXPECT_EQ(exported[0][0].id, list->details()[1].id);
    EXPECT_EQ(exported[0][1].id, list->details()[3].id);
}

TEST_F(ListOperations, TheOldStyleIsNamedInEveryExportTitle)
{
    setIniValue(QStringLiteral("export_style"), 1);
    fixture::addQuestion(onPoint("勾股定理"));
    reload();
    recordDialogs();
    select(0);
    list->menu_export_triggered();
    list->menu_exportAll_triggered();
    DetailcListWidget_statisticsPoint points;
    points.hotPoints = {"勾股定理"};
    points.btnexport_hotPoints_clicked();
    EXPECT_EQ(titles, (QStringList{"导出选中项(旧版)", "导出全部(旧版)", "导出全部考点(旧版)"}));
}

TEST_F(ListOperations, AnExportDialogThatCouldNotPrepareIsNeverShown)
{
    fixture::addQuestions(2);
    reload();
    recordDialogs();
    const std::string dataPath = AppContext::instance()->data_path;
    AppContext::instance()->data_path = dataPath + "/数据";
    const QByteArray tmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", "/nonexistent/lorvane");
    list->menu_exportAll_triggered();
    qputenv("TMPDIR", tmp);
    AppContext::instance()->data_path = dataPath;
    EXPECT_TRUE(titles.isEmpty());
    ASSERT_EQ(modals.count(), 1);
    EXPECT_TRUE(modals.last().text.startsWith(QStringLiteral("创建目录失败")));
}

TEST_F(ListOperations, ARightClickRunsTheMenu)
{
    fixture::addQuestions(2);
    reload();
    select(1);
    QStringList shown;
    QTimer::singleShot(0, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* a : menu->actions())
                shown << a->text();
            menu->close();
        }
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(5, 5));
    QApplication::sendEvent(list.get(), &event);
    EXPECT_EQ(shown.size(), 10);
    EXPECT_TRUE(event.isAccepted());
}

TEST_F(ListOperations, ExamPointExportTakesEveryQuestionOfTheListedPointsByNumber)
{
    recordDialogs();
    DetailcListWidget_statisticsPoint points;
    points.btnexport_hotPoints_clicked();  // no points listed
    EXPECT_TRUE(titles.isEmpty());

    fixture::addQuestion(onPoint("函数"));
    fixture::addQuestion(onPoint("勾股定理"));
    fixture::addQuestion(onPoint("其他"));
    fixture::addQuestion(onPoint("函数"));
    setIniValue(QStringLiteral("detail_order"), 1);
    DetailcListWidget_statisticsPoint descending;
    descending.hotPoints = {"函数", "勾股定理"};
    descending.btnexport_hotPoints_clicked();
    ASSERT_EQ(exported.size(), 1u);
    EXPECT_EQ(titles, QStringList{"导出全部考点"});
    ASSERT_EQ(exported[0].size(), 3u);
    EXPECT_LT(exported[0][0].number, exported[0][1].number);
    EXPECT_LT(exported[0][1].number, exported[0][2].number);

    // Points whose questions are all gone: nothing.
    descending.hotPoints = {"没有了"};
    descending.btnexport_hotPoints_clicked();
    EXPECT_EQ(exported.size(), 1u);
    EXPECT_EQ(modals.count(), 0);
    setIniValue(QStringLiteral("detail_order"), 0);
}

TEST_F(ListOperations, PreviewOpensTheCurrentRowAndEverySaveReloads)
{
    const int a = fixture::addQuestion({});
    fixture::addQuestion({});
    fixture::addQuestion({});
    reload();
    list->menu_open_triggered();  // nothing current, nothing opened; no viewer either

    std::vector<_detail_t>* seenPage = nullptr;
    int seenRow = -1;
    std::vector<std::string> remarksSeen;
    QuestionWindows::instance().runViewer = [&](std::vector<_detail_t>* page, int row, std::function<void()> saved,
                                                std::function<void(int)> moved) {
        seenPage = page;
        seenRow = row;
        for (const char* remark : {"第一次", "第二次"}) {
            std::string err;
            fixture::db()->setDetailsRemark({a}, remark, err);
            saved();  // the list refills the page the viewer reads
            remarksSeen.push_back((*page)[0].remark);
        }
        moved(row + 1);
    };
    QSignalSpy relayed(list.get(), &DetailcListWidget::rowChanged);
    tick(0);
    select(2);  // ticks do not matter: the current row opens
    list->menu_open_triggered();
    EXPECT_EQ(seenPage, &list->details());
    EXPECT_EQ(seenRow, 2);
    EXPECT_EQ(remarksSeen, (std::vector<std::string>{"第一次", "第二次"}));
    ASSERT_EQ(relayed.count(), 1);
    EXPECT_EQ(relayed.at(0).at(0).toInt(), 3);
}

TEST_F(ListOperations, TheCaptureWindowIsFollowedByAReload)
{
    reload();
    QuestionWindows::instance().runCapture = nullptr;
    list->btnImport_clicked();  // no capture window: only the reload
    EXPECT_TRUE(list->details().empty());
    int runs = 0;
    QuestionWindows::instance().runCapture = [&] {
        ++runs;
        fixture::addQuestion({});
    };
    list->findChild<QPushButton*>()->click();  // 题目收录 is the first button
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(list->details().size(), 1u);
}

}  // namespace
