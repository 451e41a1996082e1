// Exporting 200 questions (1024 x 1400 question and wrong-answer pictures,
// answers with a picture each) as the three .docx documents of the template
// exporter, against writing the same picture bytes into one zip file (stored,
// as the documents store them), both measured in this run; then the older
// style (two .doc files through LibreOffice, LibreOffice's start included,
// and the answers PDF) as the exporter writes it, with one LibreOffice for
// the run, against the same documents each converted by a LibreOffice of its
// own, alternately in this run (rounds: the first argument, default 1).
//
// Prints the times, the ratio docx / zip (the target is within 2x) and the
// ratio of the two older-style times (the target is at most 0.6).

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "export/MSword.h"
#include "export/WordProcessing.h"
#include "export/WordProcessing2.h"
#include "export/office/Soffice.h"

namespace {

constexpr int kQuestions = 200;

// A photographed worksheet: paper tone, lines of text, a little noise.
QImage makePage(int width, int height, int seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(244, 241, 232));
    QPainter painter(&image);
    painter.setPen(QColor(35, 35, 45));
    QFont font = painter.font();
    font.setPixelSize(30);
    painter.setFont(font);
    for (int y = 80; y < height - 40; y += 56)
        painter.drawText(60, y, QStringLiteral("%1. 已知 3x + 5 = 20，求 x 的值并验算。 (%2)").arg(y / 56).arg(seed));
    painter.end();
    QRandomGenerator random(static_cast<quint32>(seed));
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int n = static_cast<int>(random.bounded(9)) - 4;
            const QRgb p = line[x];
            line[x] = qRgb(qBound(0, qRed(p) + n, 255), qBound(0, qGreen(p) + n, 255), qBound(0, qBlue(p) + n, 255));
        }
    }
    return image;
}

QString answerHtml(int n, const QString& picture)
{
    QTextDocument doc;
    QTextCursor c(&doc);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    c.insertText(QStringLiteral("第%1题解析").arg(n), bold);
    c.insertBlock();
    c.insertText(QStringLiteral("移项得 3x = 15，所以 x = 5。代入验算：3 × 5 + 5 = 20。"), QTextCharFormat());
    c.insertBlock();
    QTextImageFormat image;
    image.setName(picture);
    c.insertImage(image);
    return doc.toHtml("utf-8");
}

struct Data {
    std::vector<_topic_t> topics;
    std::vector<_answer_t> answers;
    std::vector<_answer_t> reappears;
    std::vector<QString> pictures;  // every picture file of the three documents
};

Data makeData(const QString& root)
{
    Data data;
    const QString page = root + QStringLiteral("/page.jpg");
    const QString wrong = root + QStringLiteral("/wrong.jpg");
    const QString answer = root + QStringLiteral("/answer.png");
    makePage(1024, 1400, 1).save(page, "JPG", 85);
    makePage(1024, 1400, 2).save(wrong, "JPG", 85);
    makePage(400, 240, 3).save(answer, "PNG");
    for (int i = 1; i <= kQuestions; ++i) {
        const QString folder = QStringLiteral("item/1/q%1").arg(i);
        QDir(root).mkpath(folder);
        const QString base = root + QLatin1Char('/') + folder;
        QFile::copy(page, base + QStringLiteral("/questions.jpg"));
        QFile::copy(wrong, base + QStringLiteral("/answer_wrong.jpg"));
        QFile::copy(answer, base + QStringLiteral("/answer.png"));
        const std::string type = i % 3 == 0 ? "填空题" : "选择题";
        data.topics.push_back({i, type, (base + QStringLiteral("/questions.jpg")).toStdString()});
        _answer_t a;
        a.number = i;
        a.questiontype = type;
        a.score = "5分";
        a.cause = "计算错误";
        const QString html = answerHtml(i, folder + QStringLiteral("/answer.png"));
        a.content = html.mid(html.indexOf(QStringLiteral("<html>"))).toStdString();
        data.answers.push_back(a);
        a.content = (base + QStringLiteral("/answer_wrong.jpg")).toStdString();
        data.reappears.push_back(a);
        for (const char* name : {"/questions.jpg", "/answer.png", "/answer_wrong.jpg"})
            data.pictures.push_back(base + QString::fromLatin1(name));
    }
    return data;
}

void fill(IWordExport& e, const Data& data, const QString& out, const char* topic, const char* answer, const char* redo)
{
    e.title = "期中复习";
    e.appName = "错题本2.0.8";
    e.grade = "初一";
    e.term = "上学期";
    e.subject = "数学";
    e.options = 15;
    e.detailSpace = {{"选择题", 2}, {"填空题", 3}};
    e.topicPath = (out + QString::fromUtf8(topic)).toLocal8Bit().toStdString();
    e.answerPath = (out + QString::fromUtf8(answer)).toLocal8Bit().toStdString();
    e.reappearPath = (out + QString::fromUtf8(redo)).toLocal8Bit().toStdString();
    e.topics = data.topics;
    e.answers = data.answers;
    e.reappears = data.reappears;
}

double exportDocx(const Data& data, const QString& out)
{
    WordProcessing e;
    const QString templates = QCoreApplication::applicationDirPath() + QStringLiteral("/templates/");
    e.topicTemplate = (templates + QStringLiteral("templates1.dfw")).toStdString();
    e.answerTemplate = (templates + QStringLiteral("templates2.dfw")).toStdString();
    e.reappearTemplate = (templates + QStringLiteral("templates3.dfw")).toStdString();
    fill(e, data, out, "/题目.docx", "/答案与解析.docx", "/错题再现.docx");
    std::string err;
    QElapsedTimer timer;
    timer.start();
    if (e.exportTopic(err) != 0 || e.exportAnswer(err) != 0 || e.exportReappear(err) != 0) {
        std::fprintf(stderr, "export failed: %s\n", err.c_str());
        std::exit(1);
    }
    return timer.nsecsElapsed() / 1e6;
}

double zipPictures(const Data& data, const QString& out)
{
    QElapsedTimer timer;
    timer.start();
    const QByteArray path = QFile::encodeName(out + QStringLiteral("/pictures.zip"));
    zip_t* archive = zip_open(path.constData(), ZIP_CREATE | ZIP_TRUNCATE, nullptr);
    int n = 0;
    for (const QString& picture : data.pictures) {
        zip_source_t* source = zip_source_file(archive, QFile::encodeName(picture).constData(), 0, -1);
        const zip_int64_t index = zip_file_add(archive, ("media/" + std::to_string(++n)).c_str(), source, 0);
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
    }
    zip_close(archive);
    return timer.nsecsElapsed() / 1e6;
}

// The older style as the exporter writes it: two .doc files through one
// LibreOffice for the run, and the answers PDF.
double olderStyle(const Data& data, const QString& out)
{
    WordProcessing2 e;
    fill(e, data, out, "/题目.doc", "/答案与解析.pdf", "/错题再现.doc");
    std::string err;
    QElapsedTimer timer;
    timer.start();
    if (e.exportTopic(err) != 0 || e.exportAnswer(err) != 0 || e.exportReappear(err) != 0) {
        std::fprintf(stderr, "older style failed: %s\n", err.c_str());
        std::exit(1);
    }
    return timer.nsecsElapsed() / 1e6;
}

// The older style as it was written before one LibreOffice served the whole
// run: each .doc file a LibreOffice of its own, on a new private profile of
// the run left as LibreOffice makes it.
bool convertAlone(const QString& docx, const QString& profile, const QString& outDir)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("setsid"),
            {office::findSoffice(), QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profile).toString(),
             QStringLiteral("--headless"), QStringLiteral("--invisible"), QStringLiteral("--nologo"),
             QStringLiteral("--norestore"), QStringLiteral("--nolockcheck"), QStringLiteral("--convert-to"),
             QStringLiteral("doc"), QStringLiteral("--outdir"), outDir, docx});
    return p.waitForFinished(office::convertTimeoutMs(1)) && p.exitCode() == 0 &&
           QFileInfo(office::convertedPath(docx, QStringLiteral("doc"), outDir)).size() > 0;
}

void typeTopics(MSword& word, const Data& data)
{
    word.typeText(QStringLiteral("初一上学期数学题目"));
    word.typeParagraph();
    for (const _topic_t& t : data.topics) {
        word.typeText(QStringLiteral("编号：%1").arg(t.number));
        word.typeParagraph();
        word.insertPicture(QString::fromStdString(t.picture));
        word.typeParagraph();
    }
}

void typeReappears(MSword& word, const Data& data)
{
    word.typeText(QStringLiteral("初一上学期数学错题再现"));
    word.typeParagraph();
    for (const _answer_t& a : data.reappears) {
        word.typeText(QStringLiteral("编号：%1    分值：5分    错误原因：计算错误    ").arg(a.number));
        word.typeParagraph();
        word.insertPicture(QString::fromStdString(a.content));
        word.typeParagraph();
        word.typeParagraph();
    }
}

double olderStyleOnePerDocument(const Data& data, const QString& out)
{
    QTemporaryDir work;
    QTemporaryDir profile;
    WordProcessing2 answers;
    fill(answers, data, out, "/题目.doc", "/答案与解析.pdf", "/错题再现.doc");
    std::string err;
    QElapsedTimer timer;
    timer.start();
    bool ok = true;
    const auto document = [&](void (*type)(MSword&, const Data&), const QString& name) {
        MSword word;
        word.open(false);
        type(word, data);
        const QString docx = work.filePath(name + QStringLiteral(".docx"));
        ok = ok && word.saveDocx(docx) && convertAlone(docx, profile.path(), work.path()) &&
             QFile::copy(office::convertedPath(docx, QStringLiteral("doc"), work.path()),
                         out + QLatin1Char('/') + name + QStringLiteral("-alone.doc"));
    };
    document(typeTopics, QStringLiteral("topics"));
    ok = ok && answers.exportAnswer(err) == 0;
    document(typeReappears, QStringLiteral("redo"));
    const double ms = timer.nsecsElapsed() / 1e6;
    if (!ok) {
        std::fprintf(stderr, "older style, one LibreOffice per document, failed %s\n", err.c_str());
        std::exit(1);
    }
    return ms;
}

qint64 folderBytes(const QString& folder, const QStringList& names)
{
    qint64 total = 0;
    for (const QString& name : names)
        total += QFileInfo(folder + QLatin1Char('/') + name).size();
    return total;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir root;
    QDir::setCurrent(root.path());  // answer pictures are named from the data folder
    std::printf("preparing %d questions...\n", kQuestions);
    const Data data = makeData(root.path());
    qint64 pictureBytes = 0;
    for (const QString& p : data.pictures)
        pictureBytes += QFileInfo(p).size();

    std::vector<double> docx;
    std::vector<double> zip;
    std::fflush(stdout);
    for (int round = 0; round < 5; ++round) {
        docx.push_back(exportDocx(data, root.path()));
        zip.push_back(zipPictures(data, root.path()));
    }
    std::sort(docx.begin(), docx.end());
    std::sort(zip.begin(), zip.end());
    const double d = docx[docx.size() / 2];
    const double z = zip[zip.size() / 2];
    std::printf("pictures: %d files, %.1f MB\n", static_cast<int>(data.pictures.size()), pictureBytes / 1048576.0);
    std::printf("three .docx documents: %.1f MB\n",
                folderBytes(root.path(), {"题目.docx", "答案与解析.docx", "错题再现.docx"}) / 1048576.0);
    std::printf("docx export (median of 5): %8.1f ms\n", d);
    std::printf("zip of the pictures (median of 5): %8.1f ms\n", z);
    std::printf("ratio docx / zip: %.2f\n", d / z);

    if (office::findSoffice().isEmpty()) {
        std::printf("older style: no LibreOffice, not measured\n");
        return 0;
    }
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
    std::vector<double> before;
    std::vector<double> now;
    for (int round = 0; round < rounds; ++round) {
        before.push_back(olderStyleOnePerDocument(data, root.path()));
        now.push_back(olderStyle(data, root.path()));
    }
    std::sort(before.begin(), before.end());
    std::sort(now.begin(), now.end());
    const double b = before[before.size() / 2];
    const double n = now[now.size() / 2];
    std::printf("older style, LibreOffice started per document (median of %d): %8.0f ms\n", rounds, b);
    std::printf("older style, one LibreOffice for the run (median of %d):      %8.0f ms\n", rounds, n);
    std::printf("ratio one office / per document: %.2f (target at most 0.6); %.1fx the docx export\n", n / b, n / d);
    return 0;
}
