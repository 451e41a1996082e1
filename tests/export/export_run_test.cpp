// The export run (导出) through the dialog, with the template exporter.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include "DocxInspect.h"
#include "ExportFixture.h"
#include "core/AppContext.h"
#include "core/Settings.h"
#include "export/QExportDialog.h"
#include "export/WordProcessing2.h"
#include "ui/ModalRecorder.h"

namespace {

class ExportRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        exportfixture::openDatabase();
        ASSERT_TRUE(out.isValid());
        exportfixture::resetExportSettings(out.path());
        setIniValue(QStringLiteral("export_title"), QStringLiteral("单元复习"));
        choice = exportfixture::typeId("选择题");
        fill = exportfixture::typeId("填空题");
        // Descending, types mixed, as a list sorted by number descending.
        list = {exportfixture::makeQuestion(5, fill, "r5"), exportfixture::makeQuestion(4, choice, "r4"),
                exportfixture::makeQuestion(3, fill, "r3"), exportfixture::makeQuestion(2, choice, "r2")};
        subject = AppContext::instance()->subject;
    }

    std::unique_ptr<QExportDialog> open()
    {
        const AppContext* ctx = AppContext::instance();
        auto dialog = std::make_unique<QExportDialog>(&list, ctx->grade, ctx->term, subject);
        EXPECT_TRUE(dialog->isReady());
        return dialog;
    }
    QString document(const char* part, const char* extension = ".docx") const
    {
        const AppContext* ctx = AppContext::instance();
        const QString name = QString::fromStdString(ctx->grade.name + ctx->term.name + subject.name) +
                             QString::fromUtf8(part) + QStringLiteral("(5-2)") + QString::fromLatin1(extension);
        return out.path() + QStringLiteral("/岚溪错题本导出/") + name;
    }
    QStringList boxTexts() const
    {
        QStringList texts;
        for (const modal::Request& r : modals.boxes())
            texts << r.text;
        return texts;
    }
    QStringList numberLines(const QString& path) const
    {
        inspect::Docx doc;
        EXPECT_TRUE(doc.open(path)) << doc.error;
        QStringList lines;
        for (const QString& p : doc.paragraphs()) {
            if (p.startsWith(QStringLiteral("编号：")) || p.endsWith(QStringLiteral("题")))
                lines << p;
        }
        return lines;
    }

    QTemporaryDir out;
    int choice = 0;
    int fill = 0;
    std::vector<_detail_t> list;
    _type_t subject;
    ModalRecorder modals;
};

TEST_F(ExportRun, WritesTheQuestionsAndAnswersDocumentsGroupedByTypeInNumberOrder)
{
    auto dialog = open();
    dialog->clicked_create();
    EXPECT_EQ(boxTexts(), QStringList{"导出完成"});
    // Types in ascending id (选择题 before 填空题), numbers ascending.
    ASSERT_LT(choice, fill);
    EXPECT_EQ(numberLines(document("题目")),
              (QStringList{"一、选择题", "编号：2", "编号：4", "二、填空题", "编号：3", "编号：5"}));
    EXPECT_EQ(numberLines(document("答案与解析")),
              (QStringList{"一、选择题", "编号：2", "编号：4", "二、填空题", "编号：3", "编号：5"}));
    inspect::Docx topics;
    ASSERT_TRUE(topics.open(document("题目")));
    EXPECT_EQ(topics.paragraphs().value(0), QStringLiteral("单元复习"));
    EXPECT_EQ(topics.pictureCount(), 4);
    EXPECT_EQ(topics.headerText(), QStringLiteral("错题本2.0.8"));
    inspect::Docx answers;
    ASSERT_TRUE(answers.open(document("答案与解析")));
    EXPECT_EQ(answers.pictureCount(), 4);
    EXPECT_TRUE(answers.paragraphs().contains(QStringLiteral("第5题解析")));
    EXPECT_FALSE(QFileInfo::exists(document("错题再现")));
}

TEST_F(ExportRun, RandomOrderNumbersTheDocumentsFromOneAndLeavesTheListAlone)
{
    auto dialog = open();
    dialog->orderGroup()->button(1)->click();
    dialog->clicked_create();
    EXPECT_EQ(boxTexts(), QStringList{"导出完成"});
    EXPECT_EQ(numberLines(document("题目")),
              (QStringList{"一、选择题", "编号：1", "编号：2", "二、填空题", "编号：3", "编号：4"}));
    EXPECT_EQ(list[0].number, 5);
}

TEST_F(ExportRun, AFileNameWithAForbiddenCharacterIsRefused)
{
    subject.name = "语文\\数学";
    auto dialog = open();
    dialog->clicked_create();
    EXPECT_EQ(boxTexts(), QStringList{"文件名称不能包含以下字符：\\ / : * ? \" < > |"});
    EXPECT_TRUE(QDir(out.path() + QStringLiteral("/岚溪错题本导出")).isEmpty());
}

TEST_F(ExportRun, AnExistingDocumentIsOverwrittenOnlyWithConsent)
{
    QDir().mkpath(out.path() + QStringLiteral("/岚溪错题本导出"));
    QFile old(document("题目"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();

    auto dialog = open();
    modals.setAnswer(0);  // the box closed
    dialog->clicked_create();
    const AppContext* ctx = AppContext::instance();
    const QString base = QString::fromStdString(ctx->grade.name + ctx->term.name + subject.name) +
                         QStringLiteral("题目(5-2)");
    EXPECT_EQ(boxTexts(), QStringList{QStringLiteral("文件 <b>\"%1\"</b> 已存在，是否覆盖?").arg(base)});
    EXPECT_EQ(QFileInfo(document("题目")).size(), 3);
    EXPECT_FALSE(QFileInfo::exists(document("答案与解析")));

    modals.clear();
    modals.setAnswer(1);
    dialog->clicked_create();
    EXPECT_EQ(boxTexts().size(), 2);
    EXPECT_EQ(boxTexts().last(), QStringLiteral("导出完成"));
    EXPECT_GT(QFileInfo(document("题目")).size(), 3);
}

TEST_F(ExportRun, ANameWithoutXXXXStillGivesEachDocumentItsOwnFile)
{
    const QString folder = out.path() + QStringLiteral("/岚溪错题本导出/");
    QDir().mkpath(folder);
    for (const char* name : {"期中复习题目.docx", "期中复习答案与解析.docx"}) {
        QFile f(folder + QString::fromUtf8(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    auto dialog = open();
    dialog->fileNameEdit()->setText(QStringLiteral("期中复习"));
    modals.setAnswer(1);
    dialog->clicked_create();
    // Each existing file asked about once, then both documents written.
    EXPECT_EQ(boxTexts(), (QStringList{"文件 <b>\"期中复习题目\"</b> 已存在，是否覆盖?",
                                       "文件 <b>\"期中复习答案与解析\"</b> 已存在，是否覆盖?", "导出完成"}));
    EXPECT_EQ(numberLines(folder + QStringLiteral("期中复习题目.docx")).size(), 6);
    EXPECT_EQ(numberLines(folder + QStringLiteral("期中复习答案与解析.docx")).size(), 6);
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("期中复习.docx")));
}

TEST_F(ExportRun, TheRedoDocumentAsksOnlyAboutItself)
{
    QDir().mkpath(out.path() + QStringLiteral("/岚溪错题本导出"));
    for (const char* part : {"题目", "答案与解析"}) {
        QFile f(document(part));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    setIniValue(QStringLiteral("export_options"), 8);
    auto dialog = open();
    dialog->typeGroup()->button(1)->click();
    dialog->clicked_create();
    EXPECT_EQ(boxTexts(), QStringList{"导出完成"});
    EXPECT_EQ(QFileInfo(document("题目")).size(), 3);
    EXPECT_EQ(QFileInfo(document("答案与解析")).size(), 3);
    inspect::Docx redo;
    ASSERT_TRUE(redo.open(document("错题再现")));
    EXPECT_EQ(redo.pictureCount(), 4);
    EXPECT_TRUE(redo.paragraphs().contains(QStringLiteral("计算错误 ")));
}

TEST_F(ExportRun, UnreadableAnswersAreNamedAndLeftOut)
{
    QFile::remove(exportfixture::questionFile(list[0], "answer_right.html"));  // 5
    QFile::remove(exportfixture::questionFile(list[3], "answer_right.html"));  // 2
    QFile noHtml(exportfixture::questionFile(list[1], "answer_right.html"));   // 4
    ASSERT_TRUE(noHtml.open(QIODevice::WriteOnly | QIODevice::Truncate));
    noHtml.write("just text");
    noHtml.close();

    auto dialog = open();
    dialog->clicked_create();
    EXPECT_EQ(boxTexts(),
              (QStringList{"读取文件失败：编号2", "读取文件失败：编号4", "读取文件失败：编号5", "导出完成"}));
    EXPECT_EQ(numberLines(document("答案与解析")), (QStringList{"一、填空题", "编号：3"}));
    EXPECT_EQ(numberLines(document("题目")).size(), 6);
}

TEST_F(ExportRun, AnOutputFolderThatCannotBeMadeIsReported)
{
    QFile blocker(out.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    auto dialog = open();
    dialog->pathEdit()->setText(blocker.fileName());
    dialog->clicked_create();
    ASSERT_EQ(modals.count(), 1);
    EXPECT_TRUE(modals.last().text.startsWith(QStringLiteral("创建目录失败 "))) << modals.last().text.toStdString();
}

TEST_F(ExportRun, TheOldStyleWithoutAWordProcessorSaysSoAndWritesNothing)
{
    setIniValue(QStringLiteral("export_style"), 1);
    const QByteArray path = qgetenv("PATH");
    QTemporaryDir empty;
    qputenv("PATH", empty.path().toLocal8Bit());
    auto dialog = open();
    EXPECT_EQ(dialog->style(), 1);
    dialog->clicked_create();
    qputenv("PATH", path);
    EXPECT_EQ(boxTexts(),
              QStringList{QStringLiteral("导出题目失败！") + QString::fromUtf8(WordProcessing2::noWordText())});
    EXPECT_TRUE(QDir(out.path() + QStringLiteral("/岚溪错题本导出")).isEmpty());

    dialog->typeGroup()->button(1)->click();
    modals.clear();
    qputenv("PATH", empty.path().toLocal8Bit());
    dialog->clicked_create();
    qputenv("PATH", path);
    EXPECT_EQ(boxTexts(),
              QStringList{QStringLiteral("导出错题再现失败！") + QString::fromUtf8(WordProcessing2::noWordText())});
}

}  // namespace
