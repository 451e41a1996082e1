#include <QDir>
#include <QDomDocument>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include "TransferTestUtil.h"
#include "core/Settings.h"
#include "support/TestEnv.h"
#include "transfer/httpDownLoadDialog.h"
#include "ui/ModalRecorder.h"

using namespace transfertest;

namespace {

// Every <a> of a page: href, download name and shown text.
struct Link {
    QString href, download, text;
};

std::vector<Link> linksOf(const QString& page, QString* countText)
{
    QDomDocument document;
    EXPECT_TRUE(document.setContent(page)) << page.toStdString();
    const QDomElement listDiv = document.documentElement().firstChildElement("body").firstChildElement("div");
    if (countText)
        *countText = listDiv.firstChildElement("p").text();
    std::vector<Link> links;
    const QDomNodeList anchors = document.elementsByTagName("a");
    for (int i = 0; i < anchors.size(); ++i) {
        const QDomElement a = anchors.at(i).toElement();
        links.push_back({a.attribute("href"), a.attribute("download"), a.text()});
    }
    return links;
}

class DownloadDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testenv::prepareDataFolder();
        setIniValue(QStringLiteral("first_run"), 5);
        setIniValue(QStringLiteral("export_topic_path"), dir.path());
        folder = dir.path() + QStringLiteral("/岚溪错题本导出");
        QDir().mkpath(folder);
        modals.onDialog([](QDialog& d) { return d.windowTitle() == QStringLiteral("扫码") ? 1 : 0; });
    }

    QTemporaryDir dir;
    QString folder;
    LoopbackTransfer loopback;
    ModalRecorder modals;
};

}  // namespace

TEST(DownloadPage, ListsEachFileWithAnEncodedLinkAndItsBaseName)
{
    QTemporaryDir dir;
    const QStringList names = {"a.docx", "notes.final.docx", "a#1 <b>&.pdf", "中文.doc"};
    QList<QFileInfo> files;
    for (const QString& name : names) {
        writeFile(dir.path() + "/" + name, "x");
        files << QFileInfo(dir.path() + "/" + name);
    }
    const QString page = httpDownLoadDialog::createIndexHtml(files);
    EXPECT_TRUE(page.startsWith("<!DOCTYPE html>")) << page.left(40).toStdString();
    EXPECT_NE(page.indexOf("<title>文件下载</title>"), -1);
    QString count;
    const std::vector<Link> links = linksOf(page, &count);
    EXPECT_EQ(count, QStringLiteral("共有4个文件"));
    ASSERT_EQ(links.size(), 4u);
    EXPECT_EQ(links[0].href, "a.docx");
    EXPECT_EQ(links[0].text, "a");
    EXPECT_EQ(links[1].href, "notes.final.docx");
    EXPECT_EQ(links[1].download, "notes.final.docx");
    EXPECT_EQ(links[1].text, "notes");
    EXPECT_EQ(links[2].href, "a%231%20%3Cb%3E%26.pdf");
    EXPECT_EQ(links[2].download, "a#1 <b>&.pdf");
    EXPECT_EQ(links[2].text, "a#1 <b>&");
    EXPECT_EQ(links[3].href, "%E4%B8%AD%E6%96%87.doc");
    EXPECT_EQ(page.count("<hr/>"), 4);
}

TEST_F(DownloadDialogTest, OffersOldestFirstServesThePageAndMarksFetchedFiles)
{
    writeFile(folder + "/b.pdf", "older pdf");
    QThread::msleep(20);
    writeFile(folder + "/a.docx", "newer word");
    writeFile(folder + "/notes.txt", "not offered");
    // File times tick coarsely: without a pause the two could share one and
    // fall back to the name order.
    QThread::msleep(20);
    writeFile(folder + "/a#1.pdf", "hash");
    httpDownLoadDialog dialog(nullptr);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("文件下载"));
    ASSERT_EQ(dialog.fileList()->count(), 3);
    EXPECT_EQ(dialog.fileList()->item(0)->text(), "b");
    EXPECT_EQ(dialog.fileList()->item(1)->text(), "a");
    const QString pagePath = folder + "/" + httpDownLoadDialog::pageFileName();
    ASSERT_TRUE(QFileInfo::exists(pagePath));
    EXPECT_TRUE(QFileInfo(pagePath).isHidden());

    ASSERT_TRUE(waitUntil([&] { return dialog.port() != 0 && modals.count(modal::Kind::Dialog) == 1; }));
    const int port = dialog.port();
    const Reply page = get(port, "/");
    ASSERT_EQ(page.status, 200);
    EXPECT_EQ(page.header("content-type"), "text/html");
    EXPECT_EQ(QString::fromStdString(page.body), QString::fromUtf8(readFile(pagePath).c_str()));
    ASSERT_TRUE(waitUntil([&] { return !dialog.statusLabel()->text().isEmpty(); }));
    EXPECT_EQ(dialog.statusLabel()->text(), QStringLiteral("<font size=\"6\" color=\"green\">●</font>连接成功!"));

    // Follow the page's own link to the file named with a "#".
    const std::vector<Link> links = linksOf(QString::fromStdString(page.body), nullptr);
    ASSERT_EQ(links.size(), 3u);
    const Reply hash = get(port, "/" + links[2].href.toStdString());
    EXPECT_EQ(hash.status, 200);
    EXPECT_EQ(hash.body, "hash");
    const Reply word = get(port, "/a.docx");
    EXPECT_EQ(word.header("content-type"), "application/misc");
    EXPECT_EQ(word.body, "newer word");
    EXPECT_EQ(get(port, "/a.docx").status, 200);
    ASSERT_TRUE(waitUntil(
        [&] { return !dialog.fileList()->item(1)->icon().isNull() && !dialog.fileList()->item(2)->icon().isNull(); }));
    EXPECT_TRUE(dialog.fileList()->item(0)->icon().isNull());
    // Requests other than GET are answered and ignored.
    EXPECT_EQ(post(port, "/uploadfile", "{}").status, 200);
}

TEST_F(DownloadDialogTest, FolderWithoutOfferedFilesShowsAMessageAndStartsNoServer)
{
    writeFile(folder + "/notes.txt", "x");
    httpDownLoadDialog dialog(nullptr);
    ASSERT_EQ(modals.count(), 1);
    EXPECT_EQ(modals.last().title, QStringLiteral("提示"));
    EXPECT_EQ(modals.last().text, QStringLiteral("没有文件，请先导出!"));
    dialog.setResult(-1);
    ASSERT_TRUE(waitUntil([&] { return dialog.result() == QDialog::Rejected; }));
    EXPECT_EQ(dialog.port(), 0);
    EXPECT_FALSE(QFileInfo::exists(folder + "/" + httpDownLoadDialog::pageFileName()));
    EXPECT_EQ(modals.count(modal::Kind::Dialog), 0);
}

TEST_F(DownloadDialogTest, EachOpeningRewritesThePage)
{
    writeFile(folder + "/a.pdf", "x");
    const QString pagePath = folder + "/" + httpDownLoadDialog::pageFileName();
    {
        httpDownLoadDialog first(nullptr);
    }
    const std::string written = readFile(pagePath);
    writeFile(pagePath, "stale");
    writeFile(folder + "/b.pdf", "y");
    {
        httpDownLoadDialog second(nullptr);
    }
    const std::string rewritten = readFile(pagePath);
    EXPECT_NE(rewritten, "stale");
    EXPECT_NE(rewritten, written);
    EXPECT_NE(rewritten.find("共有2个文件"), std::string::npos);
}

// The phone reaches the page and the offered documents, nothing else of the
// export folder: other files, sub-folders and their files, the page by its
// own name, and whatever lies beside the folder.
TEST_F(DownloadDialogTest, ServesOnlyTheOfferedDocumentsAndThePage)
{
    writeFile(folder + "/a.pdf", "offered pdf");
    writeFile(folder + "/b.docx", "offered word");
    writeFile(folder + "/notes.txt", "private notes");
    writeFile(folder + "/a.pdf.bak", "backup");
    QDir().mkpath(folder + "/sub");
    writeFile(folder + "/sub/inner.pdf", "inner");
    writeFile(dir.path() + "/secret.pdf", "secret");
    httpDownLoadDialog dialog(nullptr);
    ASSERT_TRUE(waitUntil([&] { return dialog.port() != 0 && modals.count(modal::Kind::Dialog) == 1; }));
    const int port = dialog.port();
    const std::pair<const char*, const char*> cases[] = {
        {"/", nullptr},
        {"/index.html", nullptr},
        {"/a.pdf", "offered pdf"},
        {"/b.docx", "offered word"},
        {"/notes.txt", ""},
        {"/a.pdf.bak", ""},
        {"/A.PDF", ""},
        {"/sub", ""},
        {"/sub/", ""},
        {"/sub/inner.pdf", ""},
        {"/.index.html", ""},
        {"/%2E%2E/secret.pdf", ""},
        {"/../secret.pdf", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        const Reply reply = get(port, c.first);
        if (!c.second) {
            EXPECT_EQ(reply.status, 200);
            EXPECT_NE(reply.body.find("共有2个文件"), std::string::npos);
        } else if (*c.second) {
            EXPECT_EQ(reply.status, 200);
            EXPECT_EQ(reply.body, c.second);
        } else {
            EXPECT_EQ(reply.status, 404);
            EXPECT_EQ(reply.body.find("private"), std::string::npos);
        }
    }
}
