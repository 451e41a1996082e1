// The older exporter without starting LibreOffice: the typed document, the
// answers page and PDF, and the failures it reports.

#include <gtest/gtest.h>

#include <QDomDocument>
#include <QFile>
#include <QProcess>
#include <QRectF>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>

#include <sys/stat.h>

#include "DocxInspect.h"
#include "ExportFixture.h"
#include "export/MSword.h"
#include "export/WordProcessing2.h"
#include "export/office/Soffice.h"
#include "support/ChildRun.h"
#include "support/HostilePictures.h"

namespace {

class OldStyle : public ::testing::Test {
protected:
    void SetUp() override
    {
        exportfixture::openDatabase();
        ASSERT_TRUE(out.isValid());
        exporter.grade = "初一";
        exporter.term = "上学期";
        exporter.subject = "数学";
    }
    // Points the answers' export at 答案.pdf in the output folder; its path.
    QString answersPdf()
    {
        const QString pdf = out.filePath(QStringLiteral("答案.pdf"));
        exporter.answerPath = pdf.toLocal8Bit().toStdString();
        return pdf;
    }

    QTemporaryDir out;
    WordProcessing2 exporter;
    std::string err;
};

TEST_F(OldStyle, TypedLinesTakeTheirFormatsAndNewParagraphsInheritThem)
{
    if (office::findSoffice().isEmpty())
        GTEST_SKIP() << "needs LibreOffice to open a document";
    const QString picture = out.filePath(QStringLiteral("p.png"));
    ASSERT_TRUE(exportfixture::writePicture(picture, 100, 40, Qt::white, QStringLiteral("图"), "PNG"));
    MSword word;
    ASSERT_TRUE(word.open(false));
    word.typeText(QStringLiteral("标题"));
    word.selectLine();
    word.setAlignment(0);
    word.setFontSize(16);
    word.setLineSpacing(20.0);
    word.moveToEnd();
    word.typeParagraph();
    word.typeText(QStringLiteral("编号：1"));
    word.selectLine();
    word.setAlignment(1);
    word.setFontSize(10);
    word.moveToEnd();
    word.typeParagraph();
    word.insertPicture(QString(picture).replace(QLatin1Char('/'), QLatin1Char('\\')));  // read as '/'

    word.typeParagraph();
    word.setAlignment(7);  // not a kind: nothing
    ASSERT_TRUE(word.saveDocx(out.filePath(QStringLiteral("typed.docx")))) << word.lastError().toStdString();

    inspect::Docx doc;
    ASSERT_TRUE(doc.open(out.filePath(QStringLiteral("typed.docx"))));
    EXPECT_TRUE(doc.malformedParts().empty());
    EXPECT_TRUE(doc.danglingEmbeds().empty());
    EXPECT_EQ(doc.paragraphs(), (QStringList{"标题", "编号：1", "", ""}));
    EXPECT_EQ(doc.pictureCount(), 1);
    const std::string xml = doc.part("word/document.xml");
    // Heading: centred, 16 pt, at least 20 pt a line; the number line
    // justified, 10 pt, with the spacing carried over.
    EXPECT_NE(xml.find("<w:spacing w:line=\"400\" w:lineRule=\"atLeast\"/><w:jc w:val=\"center\"/>"), std::string::npos)
        << xml;
    EXPECT_NE(xml.find("<w:sz w:val=\"32\"/>"), std::string::npos);
    EXPECT_NE(xml.find("<w:jc w:val=\"both\"/></w:pPr><w:r><w:rPr><w:sz w:val=\"20\"/>"), std::string::npos) << xml;
}

TEST_F(OldStyle, AnswersPageHoldsTheParagraphsOfEachAnswerOnly)
{
    _answer_t good;
    good.number = 4;
    good.content = "<html><head/><body><p>甲段</p><table><tr><td>表格文字</td></tr></table><p>乙段</p>"
                   "<ul><li>列表</li></ul></body></html>";
    _answer_t broken;
    broken.number = 5;
    broken.content = "<html><body><p>未闭合</body></html>";
    exporter.answers = {good, broken};
    const QString page = exporter.answerPage();
    EXPECT_TRUE(page.contains(QStringLiteral("<h2>初一上学期数学答案</h2>"))) << page.toStdString();
    EXPECT_TRUE(page.contains(QStringLiteral("<p>编号：4</p>")));
    EXPECT_TRUE(page.contains(QStringLiteral("<p>甲段</p>")));
    EXPECT_TRUE(page.contains(QStringLiteral("<p>乙段</p>")));
    EXPECT_TRUE(page.contains(QStringLiteral("<p>编号：5</p>")));
    for (const char* absent : {"表格文字", "列表", "未闭合"})
        EXPECT_FALSE(page.contains(QString::fromUtf8(absent))) << absent;
    EXPECT_TRUE(page.contains(QStringLiteral("font-family:'SimSun'; font-size:10pt")));

    const QString pdf = answersPdf();
    ASSERT_EQ(exporter.exportAnswer(err), 0) << err;
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    if (text.waitForFinished(60000) && text.exitCode() == 0) {
        const QString words = QString::fromUtf8(text.readAllStandardOutput());
        EXPECT_TRUE(words.contains(QStringLiteral("甲段")));
        EXPECT_FALSE(words.contains(QStringLiteral("表格文字")));
    }
}

// The picture boxes of a PDF as poppler's pdftohtml lays them out, and the
// page's size, in points.
struct PdfLayout {
    QSizeF page;
    QList<QRectF> pictures;
};

bool readLayout(const QString& pdf, PdfLayout& layout)
{
    QProcess tool;
    tool.start(QStringLiteral("pdftohtml"),
               {QStringLiteral("-xml"), QStringLiteral("-stdout"), QStringLiteral("-zoom"), QStringLiteral("1"), pdf});
    if (!tool.waitForFinished(60000) || tool.exitCode() != 0)
        return false;
    QDomDocument xml;
    if (!xml.setContent(tool.readAllStandardOutput()))
        return false;
    const QDomElement page = xml.documentElement().firstChildElement(QStringLiteral("page"));
    layout.page = QSizeF(page.attribute(QStringLiteral("width")).toDouble(),
                         page.attribute(QStringLiteral("height")).toDouble());
    for (QDomElement image = page.firstChildElement(QStringLiteral("image")); !image.isNull();
         image = image.nextSiblingElement(QStringLiteral("image")))
        layout.pictures << QRectF(
            image.attribute(QStringLiteral("left")).toDouble(), image.attribute(QStringLiteral("top")).toDouble(),
            image.attribute(QStringLiteral("width")).toDouble(), image.attribute(QStringLiteral("height")).toDouble());
    return true;
}

TEST_F(OldStyle, PicturesWiderThanThePageAreScaledIntoItWithTheirAspect)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftohtml")).isEmpty())
        GTEST_SKIP() << "needs pdftohtml (poppler-utils) to read the PDF's layout";
    const QString wide = out.filePath(QStringLiteral("wide.png"));
    const QString small = out.filePath(QStringLiteral("small.png"));
    ASSERT_TRUE(exportfixture::writePicture(wide, 2400, 300, Qt::white, QStringLiteral("宽"), "PNG"));
    ASSERT_TRUE(exportfixture::writePicture(small, 200, 100, Qt::white, QStringLiteral("小"), "PNG"));
    struct Case {
        const char* img;
        double aspect;  // width / height shown
        bool fullWidth;
    };
    const Case cases[] = {
        {"<img src=\"%1\"/>", 8.0, true},                                // natural size
        {"<img src=\"%1\" width=\"1800\" height=\"450\"/>", 4.0, true},  // given, stretched
        {"<img src=\"%1\" width=\"2000\"/>", 8.0, true},                 // width only
        {"<img src=\"%2\"/>", 2.0, false},                               // fits: as it is
    };
    for (const Case& c : cases) {
        _answer_t answer;
        answer.number = static_cast<int>(exporter.answers.size()) + 1;
        answer.content =
            ("<html><body><p>" +
             QString::fromLatin1(c.img).replace(QLatin1String("%1"), wide).replace(QLatin1String("%2"), small) +
             "</p></body></html>")
                .toUtf8()
                .toStdString();
        exporter.answers.push_back(answer);
    }
    const QString pdf = answersPdf();
    ASSERT_EQ(exporter.exportAnswer(err), 0) << err;

    PdfLayout layout;
    ASSERT_TRUE(readLayout(pdf, layout));
    ASSERT_EQ(layout.pictures.size(), 4);
    const QRectF page(QPointF(0, 0), layout.page);
    double widest = 0;
    for (int i = 0; i < 4; ++i) {
        const QRectF box = layout.pictures[i];
        SCOPED_TRACE(cases[i].img);
        EXPECT_TRUE(page.contains(box)) << box.x() << " " << box.y() << " " << box.width() << " x " << box.height()
                                        << " on a page of " << layout.page.width() << " x " << layout.page.height();
        EXPECT_NEAR(box.width() / box.height(), cases[i].aspect, 0.1);
        widest = std::max(widest, box.width());
    }
    // The wide ones take the text's width (the page less its margins), the
    // small one keeps its size.
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(layout.pictures[i].width(), widest, 1.0);
    EXPECT_GT(widest, layout.page.width() * 0.7);
    EXPECT_LT(layout.pictures[3].width(), widest / 2);
}

// A picture the door refuses (an ICO named .png holding a wide PNG) is
// never decoded by the answers' document: it shows as the small grey mark.
TEST_F(OldStyle, AnswerPicturesThatAreNoWholePngJpegOrBmpShowAsTheMark)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftohtml")).isEmpty())
        GTEST_SKIP() << "needs pdftohtml (poppler-utils) to read the PDF's layout";
    const QString icon = out.filePath(QStringLiteral("icon.png"));
    ASSERT_TRUE(hostile::write(icon, hostile::icoHolding(hostile::png(2400, 300))));
    _answer_t answer;
    answer.number = 1;
    answer.content = ("<html><body><p><img src=\"" + icon + "\"/></p></body></html>").toUtf8().toStdString();
    exporter.answers.push_back(answer);
    const QString pdf = answersPdf();
    ASSERT_EQ(exporter.exportAnswer(err), 0) << err;

    PdfLayout layout;
    ASSERT_TRUE(readLayout(pdf, layout));
    ASSERT_EQ(layout.pictures.size(), 1);
    EXPECT_LT(layout.pictures[0].width(), layout.page.width() / 10);
    EXPECT_NEAR(layout.pictures[0].width(), layout.pictures[0].height(), 1.0);
}

// A FIFO that nobody writes, named in an answer (as an archive restored from
// elsewhere may hold under a picture's name), is never opened: the answers
// PDF is written with the mark in its place. Run in a child that must end on
// its own.
TEST_F(OldStyle, AFifoNamedInAnAnswerShowsTheMarkAndThePdfIsWritten)
{
    if (childrun::ranInChild(60000))
        return;
    const QString fifo = out.filePath(QStringLiteral("2.jpg"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    _answer_t answer;
    answer.number = 1;
    answer.content = ("<html><body><p>甲段<img src=\"" + fifo + "\"/></p></body></html>").toUtf8().toStdString();
    exporter.answers.push_back(answer);
    const QString pdf = answersPdf();
    ASSERT_EQ(exporter.exportAnswer(err), 0) << err;
    EXPECT_GT(QFileInfo(pdf).size(), 0);

    PdfLayout layout;
    if (!readLayout(pdf, layout))
        return;  // without pdftohtml (poppler-utils) the layout is not read
    ASSERT_EQ(layout.pictures.size(), 1);
    EXPECT_LT(layout.pictures[0].width(), layout.page.width() / 10);
    EXPECT_NEAR(layout.pictures[0].width(), layout.pictures[0].height(), 1.0);
}

TEST_F(OldStyle, AnAnswersPdfThatCannotBeWrittenIsReported)
{
    exporter.answerPath = out.filePath(QStringLiteral("no/such/folder/答案.pdf")).toLocal8Bit().toStdString();
    EXPECT_EQ(exporter.exportAnswer(err), -1);
    EXPECT_NE(err.find("无法写入文件"), std::string::npos) << err;
}

TEST_F(OldStyle, AnUnwritableTargetIsReportedWithoutAFile)
{
    if (office::findSoffice().isEmpty())
        GTEST_SKIP() << "needs LibreOffice to open a document";
    QFile blocker(out.filePath(QStringLiteral("plain file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    exporter.topics = {{1, "选择题", "/no/picture.jpg"}};
    exporter.topicPath = (blocker.fileName() + QStringLiteral("/题目.doc")).toLocal8Bit().toStdString();
    EXPECT_EQ(exporter.exportTopic(err), -1);
    EXPECT_NE(err.find("无法写入文件"), std::string::npos) << err;
    EXPECT_FALSE(QFileInfo::exists(QString::fromLocal8Bit(exporter.topicPath.c_str())));
}

TEST_F(OldStyle, WithoutLibreOfficeTheWordMessageAndNoFile)
{
    const QByteArray path = qgetenv("PATH");
    QTemporaryDir empty;
    qputenv("PATH", empty.path().toLocal8Bit());
    exporter.topics = {{1, "选择题", "/no/picture.jpg"}};
    exporter.reappears = {_answer_t()};
    exporter.topicPath = out.filePath(QStringLiteral("题目.doc")).toLocal8Bit().toStdString();
    exporter.reappearPath = out.filePath(QStringLiteral("错题再现.doc")).toLocal8Bit().toStdString();
    const int topic = exporter.exportTopic(err);
    const std::string topicErr = err;
    const int redo = exporter.exportReappear(err);
    qputenv("PATH", path);
    EXPECT_EQ(topic, -1);
    EXPECT_EQ(topicErr, "导出word失败，请确保已安装Microsoft Office Word软件");
    EXPECT_EQ(redo, -1);
    EXPECT_EQ(err, "导出word失败，请确保已安装Microsoft Office Word软件");
    EXPECT_TRUE(QDir(out.path()).isEmpty());
}

}  // namespace
