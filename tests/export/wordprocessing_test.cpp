// The template exporter with the program's three templates.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QTemporaryDir>

#include <ctime>

#include "DocxInspect.h"
#include "ExportFixture.h"
#include "export/WordProcessing.h"

namespace {

TEST(ChineseNumber, Headings)
{
    const std::pair<int, const char*> cases[] = {{0, ""},        {1, "一、"},      {9, "九、"},    {10, "十、"},
                                                 {11, "十一、"}, {19, "十九、"},   {20, "二十、"}, {21, "二十一、"},
                                                 {90, "九十、"}, {99, "九十九、"}, {100, ""},      {-3, ""}};
    for (const auto& [n, text] : cases)
        EXPECT_EQ(getChineseNumber(n), text) << n;
}

TEST(AttributeLine, OneFieldPerBitInBitOrderEachFollowedByABlank)
{
    _answer_t a;
    a.score = "5分";
    a.classification = "易错题";
    a.point = "勾股定理";
    a.cause = "计算错误";
    a.source = "期中";
    a.remark = "再做";
    const std::pair<int, const char*> cases[] = {
        {0, ""},
        {1, "5分 "},
        {2, "易错题 "},
        {4, "勾股定理 "},
        {8, "计算错误 "},
        {16, "期中 "},
        {32, "再做 "},
        {48, "期中 再做 "},
        {15, "5分 易错题 勾股定理 计算错误 "},
        {63, "5分 易错题 勾股定理 计算错误 期中 再做 "},
    };
    for (const auto& [options, line] : cases)
        EXPECT_EQ(attributeLine(options, a), line) << options;
}

TEST(BlankLines, KeptWithinOneToTwenty)
{
    const std::map<std::string, int> space{{"零", 0}, {"负", -4}, {"三", 3}, {"二十", 20}, {"廿五", 25}};
    const std::pair<const char*, int> cases[] = {{"零", 1},    {"负", 1},    {"三", 3},
                                                 {"二十", 20}, {"廿五", 20}, {"无", 1}};
    for (const auto& [type, lines] : cases)
        EXPECT_EQ(blankLines(space, type), lines) << type;
}

class Templates : public ::testing::Test {
protected:
    void SetUp() override
    {
        exportfixture::openDatabase();
        ASSERT_TRUE(out.isValid());
        const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/templates/");
        exporter.topicTemplate = (dir + "templates1.dfw").toStdString();
        exporter.answerTemplate = (dir + "templates2.dfw").toStdString();
        exporter.reappearTemplate = (dir + "templates3.dfw").toStdString();
        exporter.topicPath = out.filePath("题目.docx").toStdString();
        exporter.answerPath = out.filePath("答案与解析.docx").toStdString();
        exporter.reappearPath = out.filePath("错题再现.docx").toStdString();
        exporter.title = "期中复习";
        exporter.appName = "错题本2.0.8";
        exporter.grade = "初一";
        exporter.term = "上学期";
        exporter.subject = "数学";
        exporter.options = 1 | 8;
    }

    _answer_t answer(int number, const char* type, const std::string& content) const
    {
        _answer_t a;
        a.number = number;
        a.questiontype = type;
        a.score = "5分";
        a.cause = "计算错误";
        a.content = content;
        return a;
    }

    QTemporaryDir out;
    WordProcessing exporter;
    std::string err;
};

TEST_F(Templates, QuestionsDocumentHasHeadingsNumbersPicturesAndBlankLines)
{
    const _detail_t q1 = exportfixture::makeQuestion(1, 0, "q1");
    const _detail_t q2 = exportfixture::makeQuestion(2, 0, "q2");
    const std::string pic1 = exportfixture::questionFile(q1, "questions.jpg").toStdString();
    const std::string pic2 = exportfixture::questionFile(q2, "questions.jpg").toStdString();
    exporter.detailSpace = {{"选择题", 2}, {"填空题", 0}};
    exporter.topics = {{1, "选择题", pic1}, {2, "选择题", pic2}, {3, "填空题", pic1}, {4, "", "/no/such.jpg"}};
    ASSERT_EQ(exporter.exportTopic(err), 0) << err;

    inspect::Docx doc;
    ASSERT_TRUE(doc.open(QString::fromStdString(exporter.topicPath))) << doc.error;
    EXPECT_TRUE(doc.malformedParts().empty());
    EXPECT_TRUE(doc.danglingEmbeds().empty());
    EXPECT_EQ(doc.headerText(), QStringLiteral("错题本2.0.8"));
    const QStringList p = doc.paragraphs();
    const QStringList expected{"期中复习",
                               "初一上学期数学　题目",
                               "错题本2.0.8",
                               "一、选择题",
                               "编号：1",
                               "",
                               "",
                               "",  // picture, two blank lines
                               "编号：2",
                               "",
                               "",
                               "",
                               "二、填空题",
                               "编号：3",
                               "",
                               "",  // 0 lines stored: one
                               "三、",
                               "编号：4",
                               "",
                               ""};  // a type without name
    EXPECT_EQ(p, expected);
    EXPECT_EQ(doc.pictureCount(), 3);   // the missing picture leaves an empty place
    EXPECT_EQ(doc.media().size(), 3u);  // two pictures and the template's placeholder
}

TEST_F(Templates, HeadingsFollowEveryChangeOfType)
{
    const std::string pic =
        exportfixture::questionFile(exportfixture::makeQuestion(1, 0, "h"), "questions.jpg").toStdString();
    exporter.topics = {{1, "A", pic}, {2, "A", pic}, {3, "B", pic}, {4, "A", pic}};
    ASSERT_EQ(exporter.exportTopic(err), 0) << err;
    inspect::Docx doc;
    ASSERT_TRUE(doc.open(QString::fromStdString(exporter.topicPath)));
    QStringList headings;
    for (const QString& line : doc.paragraphs()) {
        if (line.endsWith(QLatin1Char('A')) || line.endsWith(QLatin1Char('B')))
            headings << line;
    }
    EXPECT_EQ(headings, (QStringList{"一、A", "二、B", "三、A"}));
}

TEST_F(Templates, AnswersDocumentCarriesAttributesAndTheAnswerText)
{
    const _detail_t q = exportfixture::makeQuestion(7, 0, "a7");
    QFile file(exportfixture::questionFile(q, "answer_right.html"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const std::string html = file.readAll().toStdString();
    exporter.answers = {answer(7, "解答题", html.substr(html.find("<html>"))),
                        answer(8, "解答题", "<html><body>二</body></html>")};
    ASSERT_EQ(exporter.exportAnswer(err), 0) << err;

    inspect::Docx doc;
    ASSERT_TRUE(doc.open(QString::fromStdString(exporter.answerPath)));
    EXPECT_TRUE(doc.malformedParts().empty());
    EXPECT_TRUE(doc.danglingEmbeds().empty());
    const QStringList p = doc.paragraphs();
    EXPECT_EQ(p.mid(0, 9), (QStringList{"期中复习", "初一上学期数学　答案与解析", "错题本2.0.8", "一、解答题",
                                        "编号：7", "5分 计算错误 ", "第7题解析", "红色斜体下划线", "图："}));
    EXPECT_TRUE(p.contains(QStringLiteral("表格丁")));
    EXPECT_EQ(p.mid(p.size() - 4), (QStringList{"编号：8", "5分 计算错误 ", "二", ""}));
    EXPECT_EQ(doc.pictureCount(), 1);
}

TEST_F(Templates, RedoDocumentShowsTheExportTimeInChinaTime)
{
    const _detail_t q = exportfixture::makeQuestion(3, 0, "r3");
    exporter.options = 16 | 32;
    _answer_t a = answer(3, "选择题", exportfixture::questionFile(q, "answer_wrong.jpg").toStdString());
    a.source = "期中";
    a.remark = "再做";
    exporter.reappears = {a};
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    ASSERT_EQ(exporter.exportReappear(err), 0) << err;
    const qint64 after = QDateTime::currentSecsSinceEpoch();

    inspect::Docx doc;
    ASSERT_TRUE(doc.open(QString::fromStdString(exporter.reappearPath)));
    const QStringList p = doc.paragraphs();
    ASSERT_GE(p.size(), 8);
    const auto china = [](qint64 s) {
        return QDateTime::fromSecsSinceEpoch(s + 28800, Qt::UTC).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    };
    const QString info = p[2];
    EXPECT_TRUE(info == QStringLiteral("导出时间：%1　　错题本2.0.8").arg(china(before)) ||
                info == QStringLiteral("导出时间：%1　　错题本2.0.8").arg(china(after)))
        << info.toStdString();
    EXPECT_EQ(p.mid(3, 3), (QStringList{"一、选择题", "编号：3", "期中 再做 "}));
    EXPECT_EQ(doc.pictureCount(), 1);
}

TEST_F(Templates, MissingInputsAreRefusedWithoutTouchingAFile)
{
    EXPECT_EQ(exporter.exportTopic(err), -1);
    EXPECT_EQ(err, "没有数据");
    exporter.topics = {{1, "选择题", "x.jpg"}};
    exporter.topicPath.clear();
    EXPECT_EQ(exporter.exportTopic(err), -1);
    EXPECT_EQ(err, "保存路径为空");
    exporter.topicTemplate.clear();
    EXPECT_EQ(exporter.exportTopic(err), -1);
    EXPECT_EQ(err, "模板为空");
    EXPECT_TRUE(QDir(out.path()).isEmpty());
}

}  // namespace
