// The base-data dialog against the real question database.

#include <QCheckBox>
#include <QInputDialog>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <memory>
#include <sqlite3.h>

#include "app/QDataBaseSet.h"
#include "core/Sqlite.h"
#include "settings/SettingsFixture.h"
#include "ui/ModalRecorder.h"
#include "ui/QMessageBoxBase.h"

namespace {

class BaseDataDialog : public DataFolderTest {
protected:
    void SetUp() override
    {
        DataFolderTest::SetUp();
        // The input dialog of 增加 and 修改: recorded, filled and answered.
        boxes.onDialog([this](QDialog& shown) {
            auto* input = qobject_cast<QInputDialog*>(&shown);
            if (!input)
                return 0;
            prompts.push_back({input->windowTitle(), input->labelText(), input->textValue()});
            input->setTextValue(answer);
            return accept ? int(QDialog::Accepted) : int(QDialog::Rejected);
        });
    }

    void open(int page) { dialog = std::make_unique<QDataBaseSet>(page, nullptr); }

    QListWidget* groups() { return dialog->findChild<QListWidget*>("list_group"); }
    QListWidget* entries() { return dialog->findChild<QListWidget*>("list_entry"); }
    QCheckBox* box(int row) { return qobject_cast<QCheckBox*>(entries()->itemWidget(entries()->item(row))); }
    void click(const char* button) { dialog->findChild<QPushButton*>(button)->click(); }

    void choosePage(int row)
    {
        groups()->setCurrentRow(row);
        emit groups()->itemClicked(groups()->item(row));
    }
    void chooseEntry(const std::string& name)
    {
        for (int row = 0; row < entries()->count(); ++row) {
            if (box(row)->text() == QString::fromStdString(name)) {
                emit entries()->itemClicked(entries()->item(row));
                return;
            }
        }
        ADD_FAILURE() << "no row " << name;
    }
    QStringList shown()
    {
        QStringList names;
        for (int row = 0; row < entries()->count(); ++row)
            names << box(row)->text();
        return names;
    }

    struct Prompt {
        QString title, label, initial;
    };
    std::vector<Prompt> prompts;
    ModalRecorder boxes;  // message boxes answer 1 (是 / 确定)
    QString answer;
    bool accept = true;
    std::unique_ptr<QDataBaseSet> dialog;
};

TEST_F(BaseDataDialog, OpensOnTheRequestedGroupWithItsEntriesInOrder)
{
    open(2);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("基础数据"));
    EXPECT_EQ(groups()->currentRow(), 2);
    QStringList names;
    for (const _type_t& t : group(3))
        names << QString::fromStdString(t.name);
    EXPECT_EQ(shown(), names);
    EXPECT_EQ(shown().first(), QStringLiteral("数学"));

    choosePage(0);
    int ticked = 0;
    for (int row = 0; row < entries()->count(); ++row)
        ticked += box(row)->isChecked() ? 1 : 0;
    EXPECT_EQ(ticked, 1);
    EXPECT_TRUE(box(entries()->count() - 1)->isChecked());  // 高三
}

TEST_F(BaseDataDialog, AddedNamesAreCutTo20CharactersAndListedLastUnticked)
{
    const struct {
        QString typed;
        QString stored;
    } cases[] = {
        {QStringLiteral("一二三四五六七八九十一二三四五六七八九十多出来五个"),
         QStringLiteral("一二三四五六七八九十一二三四五六七八九十")},
        {QString(), QString()},
        {QStringLiteral("abcdefghijklmnopqrs") + QString::fromUtf8("\xF0\x9F\x98\x80"),
         QStringLiteral("abcdefghijklmnopqrs")},
    };
    open(2);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        const std::vector<_type_t> before = group(3);
        answer = c.typed;
        click("btn_add");
        const std::vector<_type_t> after = group(3);
        ASSERT_EQ(after.size(), before.size() + 1);
        EXPECT_EQ(QString::fromStdString(after.back().name), c.stored);
        EXPECT_EQ(after.back().order, before.back().order + 1);
        EXPECT_EQ(after.back().state, 0);
        EXPECT_EQ(shown().last(), c.stored);
        EXPECT_FALSE(box(entries()->count() - 1)->isChecked());
        EXPECT_EQ(entries()->currentRow(), entries()->count() - 1);
    }
    EXPECT_EQ(prompts.back().title, QStringLiteral("增加"));
    EXPECT_EQ(prompts.back().label, QStringLiteral("请输入新科目"));

    // Cancelling the input adds nothing.
    accept = false;
    const size_t count = group(3).size();
    click("btn_add");
    EXPECT_EQ(group(3).size(), count);
}

TEST_F(BaseDataDialog, RenameKeepsIdOrderAndStateAndStartsEmpty)
{
    open(2);
    const _type_t physics = byName("物理");
    chooseEntry("物理");
    answer = QStringLiteral("物理（竞赛班）一二三四五六七八九十一二三四五六七");
    click("btn_modify");
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0].title, QStringLiteral("修改"));
    EXPECT_EQ(prompts[0].label, QStringLiteral("请编辑科目"));
    EXPECT_TRUE(prompts[0].initial.isEmpty());
    const _type_t renamed = types()[physics.id];
    EXPECT_EQ(QString::fromStdString(renamed.name), answer.left(20));
    EXPECT_EQ(renamed.order, physics.order);
    EXPECT_EQ(renamed.state, physics.state);
    EXPECT_EQ(entries()->currentRow(), 1);

    // Without a selected entry nothing is asked.
    entries()->setCurrentRow(-1);
    click("btn_modify");
    EXPECT_EQ(prompts.size(), 1u);
}

TEST_F(BaseDataDialog, UpAndDownSwapOrdersAndTheSelectionFollows)
{
    open(2);
    chooseEntry("物理");
    click("btn_up");
    EXPECT_EQ(shown().mid(0, 2), (QStringList{QStringLiteral("物理"), QStringLiteral("数学")}));
    EXPECT_EQ(entries()->currentRow(), 0);
    EXPECT_EQ(group(3)[0].name, "物理");

    click("btn_up");  // already first
    EXPECT_EQ(group(3)[0].name, "物理");
    EXPECT_EQ(entries()->currentRow(), 0);

    click("btn_down");
    click("btn_down");
    EXPECT_EQ(group(3)[2].name, "物理");
    EXPECT_EQ(entries()->currentRow(), 2);

    entries()->setCurrentRow(entries()->count() - 1);
    const auto before = group(3);
    click("btn_down");  // already last
    EXPECT_EQ(group(3).back().id, before.back().id);
}

TEST_F(BaseDataDialog, TicksShowHideAndMakeCurrent)
{
    open(2);
    chooseEntry("物理");
    box(1)->click();
    EXPECT_EQ(byName("物理").state, 0);
    box(1)->click();
    EXPECT_EQ(byName("物理").state, 1);

    choosePage(0);
    box(0)->click();  // 一年级 becomes the current grade
    EXPECT_EQ(byName("一年级").state, 1);
    EXPECT_EQ(byName("高三").state, 0);
    box(0)->click();  // the ticked box stays ticked
    EXPECT_TRUE(box(0)->isChecked());
    EXPECT_EQ(byName("一年级").state, 1);
}

TEST_F(BaseDataDialog, DeleteIsRefusedWhileInUseAndReportsQuestionsUsingIt)
{
    // Two questions in 生物.
    const _type_t biology = byName("生物");
    for (int i = 0; i < 2; ++i) {
        _detail_t d;
        d.user_id = AppContext::instance()->user.id;
        d.grade = byName("高三").id;
        d.term = byName("上学期").id;
        d.subject = biology.id;
        d.classification = byName("好题").id;
        d.cause = byName("看错题目").id;
        d.questiontype = byName("选择题").id;
        d.detail_path = "q" + std::to_string(i);
        std::string err;
        ASSERT_EQ(db->addDetail(d, err), 0) << err;
    }
    open(2);

    chooseEntry("数学");  // shown: in use
    click("btn_delete");
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().title, QStringLiteral("删除"));
    EXPECT_EQ(boxes.last().text, QStringLiteral("无法删除\"数学\"，正在使用中"));

    chooseEntry("生物");
    box(entries()->currentRow())->click();  // hide it
    boxes.clear();
    click("btn_delete");
    ASSERT_EQ(boxes.count(), 2);
    EXPECT_EQ(boxes.boxes()[0].title, QStringLiteral("删除"));
    EXPECT_EQ(boxes.boxes()[0].text, QStringLiteral("是否要删除，\"生物\"？"));
    EXPECT_EQ(boxes.boxes()[1].title, QStringLiteral("提示"));
    EXPECT_EQ(boxes.boxes()[1].text, QStringLiteral("无法删除，有2道题目使用了 \"生物\""));
    EXPECT_EQ(types().count(biology.id), 1u);

    // An unused, hidden entry: "no" keeps it, "yes" deletes it.
    chooseEntry("历史");
    box(entries()->currentRow())->click();
    const int history = byName("历史").id;
    boxes.setAnswer(0);
    click("btn_delete");
    EXPECT_EQ(types().count(history), 1u);
    boxes.setAnswer(1);
    click("btn_delete");
    EXPECT_EQ(types().count(history), 0u);
    EXPECT_FALSE(shown().contains(QStringLiteral("历史")));
    EXPECT_EQ(entries()->currentRow(), -1);
}

TEST_F(BaseDataDialog, LaterEditsKeepTheStateJustTicked)
{
    open(2);
    chooseEntry("物理");
    box(1)->click();  // hidden
    box(1)->click();  // shown again
    answer = QStringLiteral("物理学");
    click("btn_modify");
    EXPECT_EQ(byName("物理学").state, 1);
    click("btn_down");
    EXPECT_EQ(byName("物理学").state, 1);

    // Unticked, it can be deleted at once (no stale "in use").
    chooseEntry("化学");
    box(entries()->currentRow())->click();
    click("btn_delete");
    EXPECT_EQ(boxes.last().text, QStringLiteral("是否要删除，\"化学\"？"));

    // A new current grade survives a later move of the old one.
    choosePage(0);
    box(0)->click();
    chooseEntry("高三");
    click("btn_up");
    EXPECT_EQ(byName("高三").state, 0);
    EXPECT_EQ(byName("一年级").state, 1);
}

TEST_F(BaseDataDialog, AddingToAnEmptiedGroupStartsAtOrderZero)
{
    std::string err;
    for (const _type_t& t : group(4))
        ASSERT_EQ(db->deleteType(t.id, err), 0) << err;
    open(3);
    EXPECT_EQ(entries()->count(), 0);
    answer = QStringLiteral("压轴题");
    click("btn_add");
    const auto list = group(4);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].name, "压轴题");
    EXPECT_EQ(list[0].order, 0);
    EXPECT_EQ(shown(), QStringList{QStringLiteral("压轴题")});
}

// Another program holds the database's write lock: a tick or a move that
// cannot be stored is reported once, and the page shows the stored state
// again instead of a tick that was never written.
TEST_F(BaseDataDialog, AWriteThatFailsShowsTheStoredStateAgain)
{
    open(2);
    sqlite* connection = Singleton<sqlite>::instance();
    connection->setBusyTimeout(20);
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(sqlite::kDefaultPath, &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    boxes.setAnswer(1);
    boxes.clear();
    auto settle = [] { QTest::qWait(20); };

    box(1)->click();  // hide 物理
    settle();
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_TRUE(boxes.last().text.startsWith(QStringLiteral("数据库正被其他程序使用")))
        << boxes.last().text.toStdString();
    EXPECT_TRUE(box(1)->isChecked());
    EXPECT_EQ(byName("物理").state, 1);

    choosePage(0);
    box(0)->click();  // make 一年级 current: two boxes change, one report
    settle();
    EXPECT_EQ(boxes.count(), 2);
    EXPECT_FALSE(box(0)->isChecked());
    EXPECT_TRUE(box(11)->isChecked()) << "高三 is still the stored current grade";

    choosePage(2);
    const QStringList order = shown();
    chooseEntry("物理");
    click("btn_down");
    settle();
    EXPECT_EQ(boxes.count(), 3);
    EXPECT_EQ(shown(), order);

    sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(holder);
    connection->setBusyTimeout(3000);
    box(1)->click();
    EXPECT_EQ(byName("物理").state, 0);
    EXPECT_EQ(boxes.count(), 3);
}

}  // namespace
