// The export dialog: its form, the kept choices, the help page, the target
// folder and the temporary copy of a data folder with a non-ASCII path.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QSettings>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "ExportFixture.h"
#include "app/Startup.h"
#include "core/AppContext.h"
#include "core/Settings.h"
#include "export/DetailSpaceWidget.h"
#include "export/QExportDialog.h"
#include "support/ScrollCheck.h"
#include "ui/ModalRecorder.h"

namespace {

class ExportDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        exportfixture::openDatabase();
        setIniValue(QStringLiteral("first_run"), 3);  // no help unless a test asks
        QSettings settings(QString::fromLatin1(settingsFileName()), QSettings::IniFormat);
        for (const char* key : {"export_type", "export_order", "export_options", "export_title", "export_topic_path"})
            settings.remove(QString::fromLatin1(key));
        const int choice = exportfixture::typeId("选择题");
        const int fill = exportfixture::typeId("填空题");
        list = {exportfixture::makeQuestion(1, fill, "d1"), exportfixture::makeQuestion(2, choice, "d2"),
                exportfixture::makeQuestion(3, fill, "d3")};
    }
    void TearDown() override { AppContext::instance()->data_path = dataPath; }

    std::unique_ptr<QExportDialog> open()
    {
        const AppContext* ctx = AppContext::instance();
        return std::make_unique<QExportDialog>(&list, ctx->grade, ctx->term, ctx->subject);
    }
    QStringList dialogTitles() const
    {
        QStringList titles;
        for (const modal::Request& r : modals.ofKind(modal::Kind::Dialog))
            titles << r.title;
        return titles;
    }

    std::string dataPath = AppContext::instance()->data_path;
    std::vector<_detail_t> list;
    ModalRecorder modals;
};

TEST_F(ExportDialog, StartsWithTheDefaultsAndTheFileNameOfTheList)
{
    auto dialog = open();
    EXPECT_TRUE(dialog->isReady());
    EXPECT_EQ(dialog->typeGroup()->checkedId(), 0);
    EXPECT_EQ(dialog->orderGroup()->checkedId(), 0);
    QStringList checked;
    for (QAbstractButton* b : dialog->optionGroup()->buttons()) {
        if (b->isChecked())
            checked << b->text();
    }
    EXPECT_EQ(checked, (QStringList{"分值", "类别", "考点", "错误原因"}));
    const AppContext* ctx = AppContext::instance();
    EXPECT_EQ(dialog->fileNameEdit()->text(),
              QString::fromStdString(ctx->grade.name + ctx->term.name + ctx->subject.name) +
                  QStringLiteral("XXXX(1-3)"));
    EXPECT_TRUE(dialog->fileNameEdit()->isReadOnly());
    EXPECT_TRUE(dialog->pathEdit()->isReadOnly());
    EXPECT_FALSE(dialog->pathEdit()->text().isEmpty());
    EXPECT_EQ(dialog->minimumWidth(), 600);
    EXPECT_EQ(dialog->buttons() & 16, 16);
    EXPECT_EQ(dialog->questionTypeNames(), (std::vector<std::string>{"填空题", "选择题"}));
    // An ASCII data folder is read where it is.
    EXPECT_FALSE(dialog->copied());
    EXPECT_EQ(dialog->root(), ctx->data_path);
}

TEST_F(ExportDialog, ChoicesAreKeptAndComeBack)
{
    setIniValue(QStringLiteral("export_options"), 0);
    {
        auto dialog = open();
        for (QAbstractButton* b : dialog->optionGroup()->buttons())
            EXPECT_FALSE(b->isChecked()) << b->text().toStdString();
        dialog->optionGroup()->button(5)->click();  // 备注 alone
        EXPECT_EQ(getIniValue<int>(QStringLiteral("export_options"), -1), 32);
        dialog->typeGroup()->button(1)->click();
        dialog->orderGroup()->button(1)->click();
        QTest::keyClicks(dialog->titleEdit(), QStringLiteral("ab"));
        EXPECT_EQ(getIniValue<QString>(QStringLiteral("export_title"), QString()), QStringLiteral("ab"));
        QTest::keyClicks(dialog->titleEdit(), QStringLiteral("c"));
        EXPECT_EQ(getIniValue<QString>(QStringLiteral("export_title"), QString()), QStringLiteral("abc"));
    }
    auto again = open();
    EXPECT_EQ(again->typeGroup()->checkedId(), 1);
    EXPECT_EQ(again->orderGroup()->checkedId(), 1);
    EXPECT_EQ(again->titleEdit()->text(), QStringLiteral("abc"));
    EXPECT_TRUE(again->optionGroup()->button(5)->isChecked());
    EXPECT_FALSE(again->optionGroup()->button(0)->isChecked());
}

TEST_F(ExportDialog, UnknownStoredKindAndOrderFallBackToTheFirst)
{
    setIniValue(QStringLiteral("export_type"), 7);
    setIniValue(QStringLiteral("export_order"), -2);
    auto dialog = open();
    EXPECT_EQ(dialog->typeGroup()->checkedId(), 0);
    EXPECT_EQ(dialog->orderGroup()->checkedId(), 0);
    EXPECT_EQ(getIniValue<int>(QStringLiteral("export_type"), -1), 0);
    EXPECT_EQ(getIniValue<int>(QStringLiteral("export_order"), -1), 0);
}

TEST_F(ExportDialog, HelpShowsByItselfOnlyTheFirstTime)
{
    setIniValue(QStringLiteral("first_run"), 7);
    open();
    EXPECT_EQ(dialogTitles(), QStringList{"使用帮助"});
    EXPECT_EQ(getIniValue<int>(QStringLiteral("first_run"), 0), 3);
    open();
    EXPECT_EQ(dialogTitles(), QStringList{"使用帮助"});

    // The title bar's help button shows it again, with its pictures.
    QString text;
    modals.onDialog([&](QDialog& d) {
        if (auto* label = d.findChild<QLabel*>(QStringLiteral("helpText")))
            text = label->text();
        return 0;
    });
    auto dialog = open();
    dialog->titleBar_buttonClicked(4);
    EXPECT_EQ(dialogTitles().size(), 2);
    EXPECT_TRUE(text.contains(QStringLiteral("如何使用导出功能")));
    for (const char* picture : {":/Lorvane/Resources/help/office.jpg", ":/Lorvane/Resources/help/wps.jpg",
                                ":/Lorvane/Resources/help/word_error.jpg"}) {
        EXPECT_TRUE(text.contains(QString::fromLatin1(picture))) << picture;
        EXPECT_FALSE(QImage(QString::fromLatin1(picture)).isNull()) << picture;
    }
}

TEST_F(ExportDialog, HelpScrollsLikeAnyScrollArea)
{
    setIniValue(QStringLiteral("first_run"), 3);  // no help of its own
    applyStyleAndTranslation();                   // the program's look, its scroll bars with it
    bool checked = false;
    modals.onDialog([&](QDialog& d) {
        auto* area = d.findChild<QScrollArea*>();
        if (!area)
            return 0;
        d.resize(560, 300);
        d.show();
        if (QTest::qWaitForWindowExposed(&d)) {
            scrollcheck::expectScrollsLikeAnyScrollArea(area);
            checked = true;
        }
        d.hide();
        return 0;
    });
    auto dialog = open();
    dialog->titleBar_buttonClicked(4);
    qApp->setStyleSheet(QString());
    EXPECT_TRUE(checked);
}

TEST_F(ExportDialog, TheTargetFolderChangesOnlyThroughTheChooser)
{
    auto dialog = open();
    const QString before = dialog->pathEdit()->text();
    dialog->clicked_path();  // cancelled
    EXPECT_EQ(dialog->pathEdit()->text(), before);
    ASSERT_EQ(modals.count(modal::Kind::Directory), 1);
    EXPECT_EQ(modals.ofKind(modal::Kind::Directory)[0].title, QStringLiteral("选择目录"));

    QTemporaryDir target;
    modals.setPaths({target.path()});
    dialog->clicked_path();
    EXPECT_EQ(dialog->pathEdit()->text(), target.path());
    EXPECT_EQ(getIniValue<QString>(QStringLiteral("export_topic_path"), QString()), target.path());

    dialog->clicked_view();
    const QString folder = target.path() + QStringLiteral("/岚溪错题本导出");
    EXPECT_TRUE(QFileInfo(folder).isDir());
    ASSERT_EQ(modals.count(modal::Kind::Url), 1);
    EXPECT_EQ(modals.ofKind(modal::Kind::Url)[0].url, QUrl::fromLocalFile(folder));
}

TEST_F(ExportDialog, SpacingDialogListsTheTypesOfTheList)
{
    QStringList rows;
    modals.onDialog([&](QDialog& d) {
        if (auto* table = d.findChild<QTableWidget*>(QStringLiteral("tableWidget"))) {
            for (int r = 0; r < table->rowCount(); ++r)
                rows << table->item(r, 0)->text();
        }
        return 0;
    });
    auto dialog = open();
    dialog->clicked_btn_space();
    EXPECT_EQ(dialogTitles(), QStringList{"题目间隔"});
    EXPECT_EQ(rows, (QStringList{"填空题", "选择题"}));
}

TEST_F(ExportDialog, ANonAsciiDataFolderIsCopiedForTheDialogAndRemovedAfterIt)
{
    AppContext::instance()->data_path = dataPath + "/数据";  // as if the path held Chinese
    QString root;
    {
        auto dialog = open();
        ASSERT_TRUE(dialog->isReady());
        EXPECT_TRUE(dialog->copied());
        root = QString::fromStdString(dialog->root());
        EXPECT_NE(root, QString::fromStdString(dataPath));
        const std::string user = AppContext::instance()->user_folder;
        for (const char* q : {"d1", "d2", "d3"}) {
            for (const char* file : {"questions.jpg", "answer_wrong.jpg", "answer_right.html", "answer.png"})
                EXPECT_TRUE(QFileInfo::exists(
                    root + QStringLiteral("/item/%1/%2/%3").arg(QString::fromStdString(user), q, file)))
                    << q << "/" << file;
        }
        EXPECT_EQ(modals.count(), 0);
    }
    EXPECT_FALSE(QFileInfo::exists(root));
}

TEST_F(ExportDialog, AFailedCopyIsReportedOnceWithTheNumbers)
{
    list.push_back(exportfixture::makeQuestion(8, 0, "gone"));
    list.push_back(exportfixture::makeQuestion(9, 0, "gone too"));
    QDir(exportfixture::questionFile(list[3], "")).removeRecursively();
    QDir(exportfixture::questionFile(list[4], "")).removeRecursively();
    AppContext::instance()->data_path = dataPath + "/数据";
    auto dialog = open();
    EXPECT_TRUE(dialog->isReady());
    ASSERT_EQ(modals.count(), 1);
    EXPECT_TRUE(modals.last().text.contains(QStringLiteral("编号 8、9"))) << modals.last().text.toStdString();
}

TEST_F(ExportDialog, ADialogWhoseCopyFolderCannotBeMadeIsNotReady)
{
    AppContext::instance()->data_path = dataPath + "/数据";
    const QByteArray tmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", "/nonexistent/lorvane");
    auto dialog = open();
    qputenv("TMPDIR", tmp);
    EXPECT_FALSE(dialog->isReady());
    ASSERT_EQ(modals.count(), 1);
    EXPECT_EQ(modals.last().text, QStringLiteral("创建目录失败 /nonexistent/lorvane/lorvane-export-XXXXXX"));
}

TEST(DetailSpace, ShowsStoredCountsAndStoresEveryRowOnEachChange)
{
    exportfixture::openDatabase();
    QVariantMap stored{{QStringLiteral("计算题"), 0}, {QStringLiteral("判断题"), 30}, {QStringLiteral("旧题型"), 4}};
    setIniValue(QStringLiteral("DetailSpace"), stored);
    DetailSpaceWidget dialog({"计算题", "判断题", "新题型"});
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("题目间隔"));
    EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);
    QTableWidget* table = dialog.table();
    ASSERT_EQ(table->rowCount(), 3);
    const auto spin = [&](int row) { return qobject_cast<QSpinBox*>(table->cellWidget(row, 1)); };
    EXPECT_EQ(spin(0)->value(), 1);   // 0 shows as 1
    EXPECT_EQ(spin(1)->value(), 20);  // 30 shows as 20
    EXPECT_EQ(spin(2)->value(), 1);   // no entry
    EXPECT_EQ(spin(0)->suffix(), QStringLiteral("行"));
    // Building stored nothing.
    EXPECT_EQ(getIniValue<QVariantMap>(QStringLiteral("DetailSpace"), QVariantMap()), stored);
    // The reader passes stored values as they are.
    EXPECT_EQ(getDetailSpace({"计算题", "判断题", "新题型"}),
              (std::map<std::string, int>{{"计算题", 0}, {"判断题", 30}, {"新题型", 1}}));

    spin(2)->setValue(3);
    const QVariantMap now = getIniValue<QVariantMap>(QStringLiteral("DetailSpace"), QVariantMap());
    EXPECT_EQ(now.value(QStringLiteral("计算题")).toInt(), 1);
    EXPECT_EQ(now.value(QStringLiteral("判断题")).toInt(), 20);
    EXPECT_EQ(now.value(QStringLiteral("新题型")).toInt(), 3);
    EXPECT_EQ(now.value(QStringLiteral("旧题型")).toInt(), 4);  // not shown, kept
}

TEST(DetailSpace, AnEmptyListGivesAnEmptyTableAndChangesNothing)
{
    exportfixture::openDatabase();
    setIniValue(QStringLiteral("DetailSpace"), QVariantMap{{QStringLiteral("x"), 2}});
    DetailSpaceWidget dialog({});
    EXPECT_EQ(dialog.table()->rowCount(), 0);
    EXPECT_EQ(getIniValue<QVariantMap>(QStringLiteral("DetailSpace"), QVariantMap()).size(), 1);
}

}  // namespace
