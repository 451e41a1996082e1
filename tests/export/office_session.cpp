// One LibreOffice for the documents of a run, and hostile answer pages in a
// document that LibreOffice still opens.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>

#include "ExportFixture.h"
#include "HostileHtml.h"
#include "export/MSword.h"
#include "export/WordProcessing.h"
#include "export/office/Session.h"
#include "export/office/Soffice.h"

namespace {

bool running(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    return line.mid(line.lastIndexOf(')') + 2, 1) != "Z";
}

QString typed(const QString& dir, const QString& name, const QString& text)
{
    MSword word;
    word.open(false);
    word.typeText(text);
    const QString path = dir + QLatin1Char('/') + name + QStringLiteral(".docx");
    return word.saveDocx(path) ? path : QString();
}

QString textOf(const QString& doc, const QString& dir)
{
    const QString target = QStringLiteral("txt:Text (encoded):UTF8");
    QString why;
    if (!office::convert({doc}, target, dir, why))
        return why;
    QFile f(office::convertedPath(doc, target, dir));
    f.open(QIODevice::ReadOnly);
    return QString::fromUtf8(f.readAll());
}

class OfficeSession : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(office::findSoffice().isEmpty()) << "LibreOffice (soffice) is needed";
        ASSERT_TRUE(dir.isValid());
    }
    QTemporaryDir dir;
    QString err;
};

TEST_F(OfficeSession, OneLibreOfficeConvertsEveryDocumentAndEndsWithTheSession)
{
    const QString first = typed(dir.path(), QStringLiteral("first"), QStringLiteral("第一份文档"));
    const QString second = typed(dir.path(), QStringLiteral("second"), QStringLiteral("第二份文档"));
    ASSERT_FALSE(first.isEmpty());
    ASSERT_FALSE(second.isEmpty());
    const QString doc = QStringLiteral("doc");
    qint64 pid = 0;
    {
        office::Session session;
        EXPECT_EQ(session.processId(), 0);
        ASSERT_TRUE(session.convert({first}, doc, dir.path(), err)) << err.toStdString();
        pid = session.processId();
        ASSERT_GT(pid, 0);
        ASSERT_TRUE(session.convert({second}, doc, dir.path(), err)) << err.toStdString();
        EXPECT_EQ(session.processId(), pid) << "the second document started a LibreOffice of its own";

        // A document that cannot be converted fails alone; the next one is
        // converted again.
        EXPECT_FALSE(session.convert({dir.filePath(QStringLiteral("missing.docx"))}, doc, dir.path(), err));
        EXPECT_TRUE(err.contains(QStringLiteral("missing.doc"))) << err.toStdString();
        QFile::remove(office::convertedPath(first, doc, dir.path()));
        ASSERT_TRUE(session.convert({first}, doc, dir.path(), err)) << err.toStdString();
    }
    EXPECT_FALSE(running(pid)) << "LibreOffice outlived its session";
    EXPECT_TRUE(
        textOf(office::convertedPath(first, doc, dir.path()), dir.path()).contains(QStringLiteral("第一份文档")));
    EXPECT_TRUE(
        textOf(office::convertedPath(second, doc, dir.path()), dir.path()).contains(QStringLiteral("第二份文档")));
}

TEST_F(OfficeSession, AnOfficeThatWasKilledIsReplacedAtTheNextDocument)
{
    const QString first = typed(dir.path(), QStringLiteral("first"), QStringLiteral("甲"));
    const QString doc = QStringLiteral("doc");
    office::Session session;
    ASSERT_TRUE(session.convert({first}, doc, dir.path(), err)) << err.toStdString();
    const qint64 pid = session.processId();
    ASSERT_GT(pid, 0);
    ::kill(-static_cast<pid_t>(pid), SIGKILL);
    for (int i = 0; i < 200 && running(pid); ++i)
        QThread::msleep(20);
    ASSERT_TRUE(session.convert({first}, doc, dir.path(), err)) << err.toStdString();
    EXPECT_GT(QFileInfo(office::convertedPath(first, doc, dir.path())).size(), 0);
}

TEST_F(OfficeSession, HostileAnswerPagesGiveADocumentLibreOfficeOpens)
{
    exportfixture::openDatabase();
    WordProcessing exporter;
    const QString templates = QCoreApplication::applicationDirPath() + QStringLiteral("/templates/");
    exporter.answerTemplate = (templates + "templates2.dfw").toStdString();
    exporter.answerPath = dir.filePath(QStringLiteral("answers.docx")).toStdString();
    exporter.grade = "初一";
    exporter.term = "上学期";
    exporter.subject = "数学";
    // One document per page, all opened by one LibreOffice run.
    const std::vector<hostile::Case> cases = hostile::cases(dir.path());
    QStringList documents;
    for (size_t i = 0; i < cases.size(); ++i) {
        _answer_t a;
        a.number = static_cast<int>(i + 1);
        a.questiontype = "选择题";
        a.content = cases[i].html.toStdString();
        exporter.answers = {a};
        documents << dir.filePath(QStringLiteral("answers%1.docx").arg(i));
        exporter.answerPath = documents.back().toStdString();
        std::string why;
        ASSERT_EQ(exporter.exportAnswer(why), 0) << cases[i].name << why;
        ASSERT_LT(QFileInfo(documents.back()).size(), 4 << 20) << cases[i].name;
    }
    ASSERT_TRUE(office::convert(documents, QStringLiteral("pdf"), dir.path(), err)) << err.toStdString();
    for (size_t i = 0; i < cases.size(); ++i) {
        QProcess text;
        text.start(QStringLiteral("pdftotext"),
                   {office::convertedPath(documents[static_cast<int>(i)], QStringLiteral("pdf"), dir.path()),
                    QStringLiteral("-")});
        ASSERT_TRUE(text.waitForFinished(60000));
        const QString words =
            QString::fromUtf8(text.readAllStandardOutput()).remove(QRegularExpression(QStringLiteral("\\s")));
        EXPECT_TRUE(!cases[i].legible || words.contains(cases[i].word)) << cases[i].name;
    }
}

}  // namespace
