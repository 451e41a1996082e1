// The exported documents opened by LibreOffice: the .docx files of the
// templates converted to PDF and read back with pdftotext and pdfimages,
// and the older style's .doc files written through LibreOffice and its
// answers PDF. Each test starts LibreOffice as few times as it can.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>

#include "ExportFixture.h"
#include "core/AppContext.h"
#include "core/Settings.h"
#include "export/QExportDialog.h"
#include "export/WordProcessing.h"
#include "export/office/Soffice.h"
#include "ui/ModalRecorder.h"

namespace {

QString runTool(const QString& program, const QStringList& arguments)
{
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(60000))
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The text in reading order of the page layout.
QString pdfText(const QString& pdf)
{
    return runTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
}

int pdfPictures(const QString& pdf)
{
    const QStringList lines = runTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf})
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return std::max(0, static_cast<int>(lines.size()) - 2);  // two header lines
}

// Text of a PDF without its blanks and line breaks (the layout breaks lines
// anywhere).
QString squeezed(const QString& text)
{
    QString s = text;
    s.remove(QRegularExpression(QStringLiteral("\\s")));
    return s;
}

class Office : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(office::findSoffice().isEmpty()) << "LibreOffice (soffice) is needed";
        exportfixture::openDatabase();
        ASSERT_TRUE(out.isValid());
        const int choice = exportfixture::typeId("选择题");
        const int fill = exportfixture::typeId("填空题");
        list = {exportfixture::makeQuestion(1, choice, "o1"), exportfixture::makeQuestion(2, choice, "o2"),
                exportfixture::makeQuestion(3, fill, "o3")};
    }

    QTemporaryDir out;
    std::vector<_detail_t> list;
};

TEST_F(Office, TemplateDocumentsOpenWithTheirHeadingsNumbersAndPictures)
{
    WordProcessing exporter;
    const QString templates = QCoreApplication::applicationDirPath() + QStringLiteral("/templates/");
    exporter.topicTemplate = (templates + "templates1.dfw").toStdString();
    exporter.answerTemplate = (templates + "templates2.dfw").toStdString();
    exporter.reappearTemplate = (templates + "templates3.dfw").toStdString();
    exporter.topicPath = out.filePath(QStringLiteral("topics.docx")).toStdString();
    exporter.answerPath = out.filePath(QStringLiteral("answers.docx")).toStdString();
    exporter.reappearPath = out.filePath(QStringLiteral("redo.docx")).toStdString();
    exporter.title = "期中复习";
    exporter.appName = "错题本2.0.8";
    exporter.grade = "初一";
    exporter.term = "上学期";
    exporter.subject = "数学";
    exporter.options = 1 | 8;
    exporter.detailSpace = {{"选择题", 2}};
    for (const _detail_t& q : list) {
        const std::string type = AppContext::instance()->typeName(q.questiontype);
        exporter.topics.push_back({q.number, type, exportfixture::questionFile(q, "questions.jpg").toStdString()});
        _answer_t a;
        a.number = q.number;
        a.questiontype = type;
        a.score = "5分";
        a.cause = "计算错误";
        QFile html(exportfixture::questionFile(q, "answer_right.html"));
        html.open(QIODevice::ReadOnly);
        const std::string text = html.readAll().toStdString();
        a.content = text.substr(text.find("<html>"));
        exporter.answers.push_back(a);
        a.content = exportfixture::questionFile(q, "answer_wrong.jpg").toStdString();
        exporter.reappears.push_back(a);
    }
    std::string err;
    ASSERT_EQ(exporter.exportTopic(err), 0) << err;
    ASSERT_EQ(exporter.exportAnswer(err), 0) << err;
    ASSERT_EQ(exporter.exportReappear(err), 0) << err;

    const QStringList docs{out.filePath(QStringLiteral("topics.docx")), out.filePath(QStringLiteral("answers.docx")),
                           out.filePath(QStringLiteral("redo.docx"))};
    QString why;
    ASSERT_TRUE(office::convert(docs, QStringLiteral("pdf"), out.path(), why)) << why.toStdString();

    const QString topics = squeezed(pdfText(out.filePath(QStringLiteral("topics.pdf"))));
    for (const char* text :
         {"期中复习", "初一上学期数学题目", "一、选择题", "编号：1", "编号：2", "二、填空题", "编号：3", "错题本2.0.8"})
        EXPECT_TRUE(topics.contains(QString::fromUtf8(text))) << text << "\n" << topics.toStdString();
    EXPECT_EQ(pdfPictures(out.filePath(QStringLiteral("topics.pdf"))), 3);

    const QString answers = squeezed(pdfText(out.filePath(QStringLiteral("answers.pdf"))));
    for (const char* text : {"答案与解析", "一、选择题", "编号：1", "5分计算错误", "第1题解析", "红色斜体下划线",
                             "表格甲", "表格丁", "第3题解析"})
        EXPECT_TRUE(answers.contains(QString::fromUtf8(text))) << text << "\n" << answers.toStdString();
    EXPECT_EQ(pdfPictures(out.filePath(QStringLiteral("answers.pdf"))), 3);

    const QString redo = squeezed(pdfText(out.filePath(QStringLiteral("redo.pdf"))));
    for (const char* text : {"错题再现", "导出时间：", "一、选择题", "编号：3"})
        EXPECT_TRUE(redo.contains(QString::fromUtf8(text))) << text << "\n" << redo.toStdString();
    EXPECT_EQ(pdfPictures(out.filePath(QStringLiteral("redo.pdf"))), 3);
}

TEST_F(Office, TheOldStyleWritesDocFilesAndAnAnswersPdf)
{
    QSettings settings(QString::fromLatin1(settingsFileName()), QSettings::IniFormat);
    settings.remove(QStringLiteral("export_type"));
    settings.remove(QStringLiteral("export_order"));
    setIniValue(QStringLiteral("first_run"), 3);
    setIniValue(QStringLiteral("export_style"), 1);
    setIniValue(QStringLiteral("export_options"), 1 | 16);
    setIniValue(QStringLiteral("export_topic_path"), out.path());
    // One answer that is not well-formed XML gives only its number.
    QFile broken(exportfixture::questionFile(list[2], "answer_right.html"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.write("<html><body><p>未闭合的段落</body></html>");
    broken.close();

    ModalRecorder modals;
    const AppContext* ctx = AppContext::instance();
    QExportDialog dialog(&list, ctx->grade, ctx->term, ctx->subject);
    dialog.clicked_create();
    dialog.typeGroup()->button(1)->click();
    dialog.clicked_create();
    QStringList boxes;
    for (const modal::Request& r : modals.boxes())
        boxes << r.text;
    EXPECT_EQ(boxes, (QStringList{"导出完成", "导出完成"}));

    const QString folder = out.path() + QStringLiteral("/岚溪错题本导出/");
    const QString name = QString::fromStdString(ctx->grade.name + ctx->term.name + ctx->subject.name);
    const QString topics = folder + name + QStringLiteral("题目(1-3).doc");
    const QString answers = folder + name + QStringLiteral("答案与解析(1-3).pdf");
    const QString redo = folder + name + QStringLiteral("错题再现(1-3).doc");
    for (const QString& f : {topics, answers, redo})
        EXPECT_TRUE(QFileInfo(f).isFile()) << f.toStdString();
    EXPECT_FALSE(QFileInfo::exists(folder + name + QStringLiteral("题目(1-3).docx")));

    const QString answerText = squeezed(pdfText(answers));
    for (const char* text : {"答案", "编号：1", "第1题解析", "红色斜体下划线", "编号：3"})
        EXPECT_TRUE(answerText.contains(QString::fromUtf8(text))) << text << "\n" << answerText.toStdString();
    EXPECT_FALSE(answerText.contains(QStringLiteral("表格甲")));  // tables are not carried over
    EXPECT_FALSE(answerText.contains(QStringLiteral("未闭合的段落")));

    // The .doc files read back as text.
    QString why;
    const QString target = QStringLiteral("txt:Text (encoded):UTF8");
    ASSERT_TRUE(office::convert({topics, redo}, target, out.path(), why)) << why.toStdString();
    const auto text = [&](const QString& doc) {
        QFile f(office::convertedPath(doc, target, out.path()));
        f.open(QIODevice::ReadOnly);
        return QString::fromUtf8(f.readAll());
    };
    const QString topicText = text(topics);
    EXPECT_TRUE(topicText.contains(name + QStringLiteral("题目"))) << topicText.toStdString();
    for (const char* line : {"编号：1", "编号：2", "编号：3"})
        EXPECT_TRUE(topicText.contains(QString::fromUtf8(line))) << line;
    const QString redoText = text(redo);
    EXPECT_TRUE(redoText.contains(name + QStringLiteral("错题再现")));
    EXPECT_TRUE(redoText.contains(QStringLiteral("编号：2    分值：5分    来源：来源2    "))) << redoText.toStdString();
}

}  // namespace
