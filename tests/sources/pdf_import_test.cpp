// PDF pages through the real converter (mutool), the page order, and the
// converter's failures.

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "capture/sources/PdfImport.h"
#include "sources/HeldCheck.h"
#include "support/PdfFixture.h"
#include "support/TestEnv.h"

namespace {

class PdfImport : public ::testing::Test {
protected:
    void SetUp() override
    {
        testenv::prepareDataFolder();
        QDir(QStringLiteral("tmp")).removeRecursively();
        QDir().mkpath(QStringLiteral("tmp"));
    }
    void TearDown() override { pdfimport::setConverter(QString()); }

    static void touch(const QString& path)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    // A program file of ours at `name` in the test's folder with `text`.
    static QString script(const QString& name, const QByteArray& text)
    {
        const QString path = testenv::appDataRoot() + QLatin1Char('/') + name;
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }
};

}  // namespace

TEST_F(PdfImport, ThreePagesByTheRealConverter)
{
    if (pdfimport::converterPath().isEmpty())
        GTEST_SKIP() << "mutool (package mupdf-tools) is not installed";
    const QString pdf = testenv::appDataRoot() + QStringLiteral("/three pages.pdf");
    ASSERT_TRUE(testpdf::write(pdf, 3));

    const pdfimport::Conversion result = pdfimport::convert(pdf);
    ASSERT_EQ(result.code, 0) << result.message.toStdString();
    ASSERT_EQ(result.pages.size(), 3);
    for (int page = 1; page <= 3; ++page) {
        const QString path = result.pages.at(page - 1);
        EXPECT_EQ(path, QStringLiteral("tmp/%1_%2.png").arg(result.stamp).arg(page));
        const QImage image(path);
        ASSERT_FALSE(image.isNull()) << path.toStdString();
        EXPECT_EQ(image.width(), 1024);
        // The page's own colour away from its digits.
        const QColor corner = image.pixelColor(20, 20);
        const QColor expected = testpdf::pageColor(page);
        EXPECT_NEAR(corner.red(), expected.red(), 8) << page;
        EXPECT_NEAR(corner.green(), expected.green(), 8) << page;
        EXPECT_NEAR(corner.blue(), expected.blue(), 8) << page;
    }
    // The stamp is the start time.
    EXPECT_LE(std::abs(result.stamp.toLongLong() - QDateTime::currentSecsSinceEpoch()), 120);
}

TEST_F(PdfImport, SecondConversionInTheSameSecondKeepsItsOwnPages)
{
    if (pdfimport::converterPath().isEmpty())
        GTEST_SKIP() << "mutool (package mupdf-tools) is not installed";
    const QString two = testenv::appDataRoot() + QStringLiteral("/two.pdf");
    const QString one = testenv::appDataRoot() + QStringLiteral("/one.pdf");
    ASSERT_TRUE(testpdf::write(two, 2));
    ASSERT_TRUE(testpdf::write(one, 1));
    const auto first = pdfimport::convert(two);
    const auto second = pdfimport::convert(one);
    ASSERT_EQ(first.pages.size(), 2);
    ASSERT_EQ(second.pages.size(), 1);
    EXPECT_NE(first.stamp, second.stamp);
}

TEST_F(PdfImport, TwelvePagesSortNumerically)
{
    const QString stamp = QStringLiteral("1700000000");
    std::vector<int> order(12);
    for (int i = 0; i < 12; ++i)
        order[i] = i + 1;
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    for (int page : order)
        touch(QStringLiteral("tmp/%1_%2.png").arg(stamp).arg(page));
    // Files of another conversion, a screen capture and a camera shot that
    // share digits with the stamp are not pages of this conversion.
    touch(QStringLiteral("tmp/1700000001_1.png"));
    touch(QStringLiteral("tmp/17000000001_1.png"));
    touch(QStringLiteral("tmp/1700000000.png"));
    touch(QStringLiteral("tmp/1700000000123.png"));
    touch(QStringLiteral("tmp/1700000000_3.jpg"));

    const QStringList pages = pdfimport::collectPages(stamp);
    ASSERT_EQ(pages.size(), 12);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(pages.at(i), QStringLiteral("tmp/%1_%2.png").arg(stamp).arg(i + 1));
}

TEST(PdfPageOrder, StrictTotalOrder)
{
    const QStringList names{"t_10.png", "t_9.png", "t_1.png", "nounderscore.png", "other.png",
                            "t_x.png",  "t_2.png", "u_2.png", "t_02.png"};
    for (const QString& a : names) {
        EXPECT_FALSE(pdfimport::pageLess(a, a)) << a.toStdString();
        for (const QString& b : names) {
            if (a != b) {
                EXPECT_NE(pdfimport::pageLess(a, b), pdfimport::pageLess(b, a)) << a.toStdString() << b.toStdString();
            }
            for (const QString& c : names) {
                if (pdfimport::pageLess(a, b) && pdfimport::pageLess(b, c)) {
                    EXPECT_TRUE(pdfimport::pageLess(a, c));
                }
            }
        }
    }
    EXPECT_TRUE(pdfimport::pageLess(QStringLiteral("t_9.png"), QStringLiteral("t_10.png")));
    EXPECT_TRUE(pdfimport::pageLess(QStringLiteral("t_10.png"), QStringLiteral("nounderscore.png")));
}

TEST_F(PdfImport, MissingConverterGivesErrorCode2)
{
    pdfimport::setConverter(testenv::appDataRoot() + QStringLiteral("/no-such-dir/mutool"));
    const QString pdf = testenv::appDataRoot() + QStringLiteral("/x.pdf");
    ASSERT_TRUE(testpdf::write(pdf, 1));
    const auto result = pdfimport::convert(pdf);
    EXPECT_EQ(result.code, 2);
    EXPECT_EQ(result.message, QStringLiteral("错误码：2\n未找到 mutool，请安装 mupdf-tools"));
    EXPECT_TRUE(result.pages.isEmpty());
}

TEST_F(PdfImport, ConverterOnPathWhenNotBesideTheProgram)
{
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QByteArray("/nonexistent-bin"));
    const QString found = pdfimport::converterPath();
    qputenv("PATH", path);
    EXPECT_TRUE(found.isEmpty());  // nothing beside the test program, nothing on that PATH
    const QString onPath = QStandardPaths::findExecutable(QStringLiteral("mutool"));
    EXPECT_EQ(pdfimport::converterPath(), onPath);
}

TEST_F(PdfImport, DamagedPdfGivesAMessage)
{
    if (pdfimport::converterPath().isEmpty())
        GTEST_SKIP() << "mutool (package mupdf-tools) is not installed";
    const QString pdf = testenv::appDataRoot() + QStringLiteral("/damaged.pdf");
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("%PDF-1.4\nthis is not a pdf at all\n");
    file.close();
    const auto result = pdfimport::convert(pdf);
    // mutool reports the damage by its exit status.
    EXPECT_EQ(result.code, pdfimport::kFailed);
    EXPECT_EQ(result.message, pdfimport::failedMessage(1));
    EXPECT_TRUE(result.pages.isEmpty());
}

TEST_F(PdfImport, ConverterThatHangsIsStopped)
{
    pdfimport::setConverter(script(QStringLiteral("hanging-converter"), "#!/bin/sh\nexec sleep 30\n"));
    const QString pdf = testenv::appDataRoot() + QStringLiteral("/y.pdf");
    ASSERT_TRUE(testpdf::write(pdf, 1));
    QElapsedTimer timer;
    timer.start();
    const auto result = pdfimport::convert(pdf, 500);
    EXPECT_LT(timer.elapsed(), 10000);
    EXPECT_EQ(result.code, pdfimport::kTimedOut);
    EXPECT_EQ(result.message, pdfimport::timedOutMessage());
}

TEST_F(PdfImport, ArgumentsReachTheConverterUnchanged)
{
    // A stand-in converter that writes its arguments and working directory.
    const QString log = testenv::appDataRoot() + QStringLiteral("/args.txt");
    pdfimport::setConverter(script(QStringLiteral("echo-converter"), "#!/bin/sh\npwd > '" + log.toUtf8() +
                                                                         "'\nfor a in \"$@\"; do echo \"$a\" >> '" +
                                                                         log.toUtf8() + "'; done\n"));
    const QString pdf = testenv::appDataRoot() + QStringLiteral("/a file; $(rm -rf x) 'q'.pdf");
    ASSERT_TRUE(testpdf::write(pdf, 1));
    const auto result = pdfimport::convert(pdf);
    EXPECT_EQ(result.message, pdfimport::noPagesMessage());  // the stand-in writes no page
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 7);
    EXPECT_EQ(QDir(lines.at(0)).canonicalPath(), QDir::current().canonicalPath());
    EXPECT_EQ(lines.mid(1), (QStringList{"convert", "-o", QStringLiteral("tmp/%1_%d.png").arg(result.stamp), "-O",
                                         "width=1024", pdf}));
}

// A converter that fails is reported, and what it left is no page to import;
// a converter that succeeds with a broken page gets that page through here
// (the library import refuses it).
TEST_F(PdfImport, FailingConverterIsReported)
{
    // $3 is the output pattern tmp/<T>_%d.png: each stand-in writes page 1
    // as an empty file, then ends as given.
    struct Case {
        const char* name;
        const char* end;
        int code;
        QString message;
    };
    const Case cases[] = {
        {"exit 1", "exit 1", pdfimport::kFailed, pdfimport::failedMessage(1)},
        {"exit 3", "exit 3", pdfimport::kFailed, pdfimport::failedMessage(3)},
        {"crash", "kill -SEGV $$", pdfimport::kFailed, pdfimport::failedMessage(-1)},
        {"success", "exit 0", 0, QString()},
    };
    const QString pdf = testenv::appDataRoot() + QStringLiteral("/f.pdf");
    ASSERT_TRUE(testpdf::write(pdf, 1));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(QStringLiteral("tmp")).removeRecursively();
        QDir().mkpath(QStringLiteral("tmp"));
        pdfimport::setConverter(
            script(QStringLiteral("failing-converter"),
                   QByteArray("#!/bin/sh\n: > \"$(echo \"$3\" | sed 's/%d/1/')\"\n") + c.end + "\n"));
        const auto result = pdfimport::convert(pdf);
        EXPECT_EQ(result.code, c.code);
        EXPECT_EQ(result.message, c.message);
        if (c.code != 0) {
            EXPECT_TRUE(result.pages.isEmpty());
            EXPECT_TRUE(QDir(QStringLiteral("tmp")).entryList(QDir::Files).isEmpty());
        } else {
            EXPECT_EQ(result.pages, QStringList{QStringLiteral("tmp/%1_1.png").arg(result.stamp)});
        }
    }
}

namespace {

// A PDF of three pages whose third is a page-tree node that holds itself:
// mutool writes pages 1 and 2, then fails ("cycle in page tree").
QByteArray pdfBrokenAtPageThree()
{
    const char* const objects[] = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R] /Count 3 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 6 0 R >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 300] /Contents 6 0 R >>",
        "<< /Type /Pages /Kids [5 0 R] /Count 1 >>",
        "<< /Length 27 >>\nstream\n0 0 1 rg 10 10 100 100 re f\nendstream",
    };
    QByteArray out("%PDF-1.4\n");
    QList<int> offsets;
    int number = 0;
    for (const char* object : objects) {
        offsets.append(out.size());
        out += QByteArray::number(++number) + " 0 obj\n" + object + "\nendobj\n";
    }
    const int xref = out.size();
    out += "xref\n0 " + QByteArray::number(number + 1) + "\n0000000000 65535 f \n";
    for (const int offset : offsets)
        out += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    out += "trailer\n<< /Size " + QByteArray::number(number + 1) + " /Root 1 0 R >>\nstartxref\n" +
           QByteArray::number(xref) + "\n%%EOF\n";
    return out;
}

}  // namespace

// The pages a failing conversion wrote whole are kept, in order, and the
// message says after how many it failed; a page it left cut short, and any
// after it, are not.
TEST_F(PdfImport, ConversionFailingAfterTwoPagesKeepsThem)
{
    if (pdfimport::converterPath().isEmpty())
        GTEST_SKIP() << "mutool (package mupdf-tools) is not installed";
    const QString pdf = testenv::appDataRoot() + QStringLiteral("/broken-third.pdf");
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(pdfBrokenAtPageThree());
    file.close();

    const auto result = pdfimport::convert(pdf);
    EXPECT_EQ(result.code, pdfimport::kFailed);
    EXPECT_EQ(result.message, pdfimport::partialMessage(1, 2));
    EXPECT_EQ(result.message, QStringLiteral("PDF转换失败（mutool 退出码：1），已导入前 2 页"));
    ASSERT_EQ(result.pages, (QStringList{QStringLiteral("tmp/%1_1.png").arg(result.stamp),
                                         QStringLiteral("tmp/%1_2.png").arg(result.stamp)}));
    // Page 2 is the taller one: the order is the PDF's.
    EXPECT_EQ(QImage(result.pages.at(0)).size(), QSize(1024, 1024));
    EXPECT_EQ(QImage(result.pages.at(1)).size(), QSize(1024, 1536));
}

TEST_F(PdfImport, PagesBeforeFailureStopAtTheFirstThatIsNotWhole)
{
    const QString stamp = QStringLiteral("77");
    QImage page(40, 30, QImage::Format_RGB32);
    page.fill(Qt::white);
    ASSERT_TRUE(page.save(QStringLiteral("tmp/77_1.png")));
    ASSERT_TRUE(page.save(QStringLiteral("tmp/77_2.png")));
    QFile cut(QStringLiteral("tmp/77_3.png"));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(QByteArray("\x89PNG\r\n\x1a\n", 8));  // the page being written
    cut.close();
    ASSERT_TRUE(page.save(QStringLiteral("tmp/77_5.png")));  // after a gap

    EXPECT_EQ(pdfimport::pagesBeforeFailure(stamp),
              (QStringList{QStringLiteral("tmp/77_1.png"), QStringLiteral("tmp/77_2.png")}));
    EXPECT_EQ(QDir(QStringLiteral("tmp")).entryList(QDir::Files),
              (QStringList{QStringLiteral("77_1.png"), QStringLiteral("77_2.png")}));
}

// The pages of a failed conversion are checked on workers while the window
// paints; 取消 keeps the pages found whole before the one whose check it
// waited for and removes that one and the rest.
TEST_F(PdfImport, PageChecksLetTheWindowRunAndCancelKeepsThePagesBefore)
{
    QImage page(40, 30, QImage::Format_RGB32);
    page.fill(Qt::white);
    for (int n = 1; n <= 4; ++n)
        ASSERT_TRUE(page.save(QStringLiteral("tmp/88_%1.png").arg(n)));
    const QString second = QStringLiteral("tmp/88_2.png");
    heldcheck::HeldCheck held(second);
    heldcheck::CancellingUser user(held, second, QStringLiteral("加载图片"), 1);

    EXPECT_EQ(pdfimport::pagesBeforeFailure(QStringLiteral("88"), QStringLiteral("tmp"), held.check()),
              QStringList{"tmp/88_1.png"});
    EXPECT_TRUE(held.releasedInTime());
    EXPECT_TRUE(user.painted());
    EXPECT_TRUE(user.pressed());
    EXPECT_EQ(QDir(QStringLiteral("tmp")).entryList({QStringLiteral("88_*")}, QDir::Files), QStringList{"88_1.png"});
}
