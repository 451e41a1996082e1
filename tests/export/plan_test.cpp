// Names, checks and the order of the questions of an export.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdlib>
#include <set>

#include "export/ExportPlan.h"

namespace {

_detail_t question(int number, int type)
{
    _detail_t d;
    d.number = number;
    d.questiontype = type;
    d.id = number * 100 + type;
    return d;
}

std::vector<int> numbers(const std::vector<_detail_t>& list)
{
    std::vector<int> n;
    for (const _detail_t& d : list)
        n.push_back(d.number);
    return n;
}

TEST(ExportPlan, DefaultFileNameTakesTheFirstAndTheLastNumberAsGiven)
{
    std::vector<_detail_t> list;
    for (int n = 1; n <= 20; ++n)
        list.push_back(question(n, 1));
    EXPECT_EQ(exportplan::defaultFileName("初一", "上学期", "数学", list), QStringLiteral("初一上学期数学XXXX(1-20)"));
    EXPECT_EQ(exportplan::defaultFileName("初一", "上学期", "数学", {question(21, 1), question(3, 1)}),
              QStringLiteral("初一上学期数学XXXX(21-3)"));
}

TEST(ExportPlan, ForbiddenCharactersOfAFileName)
{
    EXPECT_EQ(exportplan::forbiddenCharactersMessage(),
              QStringLiteral("文件名称不能包含以下字符：\\ / : * ? \" < > |"));
    for (const char* name : {"a\\b", "a/b", "a:b", "a*b", "a?b", "a\"b", "a<b", "a>b", "a|b", "语文\\数学XXXX(1-2)"})
        EXPECT_TRUE(exportplan::hasForbiddenCharacter(QString::fromUtf8(name))) << name;
    for (const char* name : {"初一上学期数学XXXX(1-20)", "a b.c-d_e（f）"})
        EXPECT_FALSE(exportplan::hasForbiddenCharacter(QString::fromUtf8(name))) << name;
}

TEST(ExportPlan, DocumentNamesReplaceEveryXXXX)
{
    EXPECT_EQ(
        exportplan::documentName(QStringLiteral("初一XXXX(1-2)"), QStringLiteral("题目"), QStringLiteral(".docx")),
        QStringLiteral("/初一题目(1-2).docx"));
    // A base-data name holding XXXX is replaced as well; lower case is not.
    EXPECT_EQ(exportplan::documentName(QStringLiteral("XXXX班xxxxXXXX"), QStringLiteral("答案与解析"),
                                       QStringLiteral(".pdf")),
              QStringLiteral("/答案与解析班xxxx答案与解析.pdf"));
}

TEST(ExportPlan, ANameWithoutXXXXGetsTheDocumentsKindAppended)
{
    struct Case {
        const char* fileName;
        const char* part;
        const char* expected;
    };
    const Case cases[] = {
        {"期中复习", "题目", "/期中复习题目.docx"},
        {"期中复习", "答案与解析", "/期中复习答案与解析.docx"},
        {"期中复习xxxx", "错题再现", "/期中复习xxxx错题再现.docx"},  // lower case is no placeholder
        {"", "题目", "/题目.docx"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(
            exportplan::documentName(QString::fromUtf8(c.fileName), QString::fromUtf8(c.part), QStringLiteral(".docx")),
            QString::fromUtf8(c.expected))
            << c.fileName << " " << c.part;
    }
}

TEST(ExportPlan, DefaultOrderGroupsByTypeIdAndSortsEachGroupByNumber)
{
    const std::vector<_detail_t> list{question(9, 5), question(8, 2), question(7, 5), question(3, 2), question(1, 9)};
    std::mt19937 random(1);
    const std::vector<_detail_t> ordered = exportplan::documentOrder(list, 0, random);
    EXPECT_EQ(numbers(ordered), (std::vector<int>{3, 8, 7, 9, 1}));
    EXPECT_EQ(numbers(list), (std::vector<int>{9, 8, 7, 3, 1}));  // the list itself stays
    // Another order only groups.
    EXPECT_EQ(numbers(exportplan::documentOrder(list, 5, random)), (std::vector<int>{8, 3, 9, 7, 1}));
}

TEST(ExportPlan, RandomOrderShufflesWithinEachTypeAndNumbersFromOne)
{
    const std::vector<_detail_t> list{question(10, 2), question(11, 2), question(12, 2), question(20, 5),
                                      question(21, 5)};
    std::mt19937 random(7);
    const std::vector<_detail_t> ordered = exportplan::documentOrder(list, 1, random);
    ASSERT_EQ(ordered.size(), 5u);
    EXPECT_EQ(numbers(ordered), (std::vector<int>{1, 2, 3, 4, 5}));
    std::set<int> firstGroup;
    std::set<int> secondGroup;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ordered[static_cast<size_t>(i)].questiontype, 2);
        firstGroup.insert(ordered[static_cast<size_t>(i)].id);
    }
    for (int i = 3; i < 5; ++i) {
        EXPECT_EQ(ordered[static_cast<size_t>(i)].questiontype, 5);
        secondGroup.insert(ordered[static_cast<size_t>(i)].id);
    }
    EXPECT_EQ(firstGroup, (std::set<int>{1002, 1102, 1202}));
    EXPECT_EQ(secondGroup, (std::set<int>{2005, 2105}));
}

// Child side of the next test: prints the order of twelve questions that
// this process's random source gives.
TEST(ExportPlan, RandomOrderProbe)
{
    const char* out = std::getenv("LORVANE_ORDER_PROBE");
    if (!out)
        GTEST_SKIP() << "run by RandomOrderDiffersBetweenProgramStarts";
    std::vector<_detail_t> list;
    for (int n = 1; n <= 12; ++n)
        list.push_back(question(n, 1));
    QFile file(QString::fromLocal8Bit(out));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    for (const _detail_t& d : exportplan::documentOrder(list, 1, exportplan::randomEngine()))
        file.write(QByteArray::number(d.id) + ' ');
}

TEST(ExportPlan, RandomOrderDiffersBetweenProgramStarts)
{
    QTemporaryDir dir;
    QStringList orders;
    for (int run = 0; run < 2; ++run) {
        const QString file = dir.filePath(QStringLiteral("order%1").arg(run));
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LORVANE_ORDER_PROBE"), file);
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=ExportPlan.RandomOrderProbe")});
        ASSERT_TRUE(child.waitForFinished(60000));
        ASSERT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();
        QFile result(file);
        ASSERT_TRUE(result.open(QIODevice::ReadOnly));
        orders << QString::fromLatin1(result.readAll());
    }
    EXPECT_EQ(orders[0].split(QLatin1Char(' '), Qt::SkipEmptyParts).size(), 12);
    EXPECT_NE(orders[0], orders[1]);  // 12! orders: the same twice is practically impossible
}

}  // namespace
