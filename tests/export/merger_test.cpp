// The template merger on a small template of its own: items, text, number,
// date, picture and HTML fields, escaping, and the failures.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <zip.h>

#include <set>

#include "DocxInspect.h"
#include "ExportFixture.h"
#include "export/WordProcessing.h"
#include "export/docx/Dfw.h"
#include "export/docx/Package.h"
#include "export/docx/TemplateMerger.h"
#include "support/HostilePictures.h"

namespace {

const char* const kDocument = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" xmlns:wp="http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing" xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" xmlns:pic="http://schemas.openxmlformats.org/drawingml/2006/picture"><w:body>
<w:p><w:bookmarkStart w:id="0" w:name="head"/><w:r><w:t xml:space="preserve">标题：</w:t></w:r><w:fldSimple w:instr=" MERGEFIELD title "><w:r><w:rPr><w:b/></w:rPr><w:t>«title»</w:t></w:r></w:fldSimple><w:bookmarkEnd w:id="0"/></w:p>
<w:p><w:r><w:t>outside every item</w:t></w:r></w:p>
<w:bookmarkStart w:id="1" w:name="row"/>
<w:p><w:fldSimple w:instr=" MERGEFIELD n \# &quot;0.00&quot; "><w:r><w:t>«n»</w:t></w:r></w:fldSimple><w:r><w:t xml:space="preserve"> | </w:t></w:r><w:fldSimple w:instr=" MERGEFIELD name "><w:r><w:t>«name»</w:t></w:r></w:fldSimple></w:p>
<w:p><w:fldSimple w:instr=" MERGEFIELD when \@ &quot;yyyy-MM-dd HH:mm&quot; "><w:r><w:t>«when»</w:t></w:r></w:fldSimple></w:p>
<w:bookmarkEnd w:id="1"/>
<w:p><w:bookmarkStart w:id="2" w:name="pic"/><w:r><w:drawing><wp:inline><wp:extent cx="1905000" cy="952500"/><wp:docPr id="1" name="photo" descr="MERGEFIELD photo"/><a:graphic><a:graphicData uri="http://schemas.openxmlformats.org/drawingml/2006/picture"><pic:pic><pic:nvPicPr><pic:cNvPr id="0" name="ph.png"/><pic:cNvPicPr/></pic:nvPicPr><pic:blipFill><a:blip r:embed="rId9"/><a:stretch><a:fillRect/></a:stretch></pic:blipFill><pic:spPr><a:xfrm><a:off x="0" y="0"/><a:ext cx="1905000" cy="952500"/></a:xfrm><a:prstGeom prst="rect"><a:avLst/></a:prstGeom></pic:spPr></pic:pic></a:graphicData></a:graphic></wp:inline></w:drawing></w:r><w:bookmarkEnd w:id="2"/></w:p>
<w:p><w:bookmarkStart w:id="3" w:name="rich"/><w:fldSimple w:instr=" MERGEFIELD body \* HTML "><w:r><w:t>«body»</w:t></w:r></w:fldSimple><w:bookmarkEnd w:id="3"/></w:p>
<w:sectPr><w:headerReference w:type="default" r:id="rId2"/><w:pgSz w:w="11906" w:h="16838"/><w:pgMar w:top="1440" w:right="1800" w:bottom="1440" w:left="1800"/></w:sectPr>
</w:body></w:document>)";

const char* const kHeader = R"(<?xml version="1.0" encoding="UTF-8"?>
<w:hdr xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"><w:p><w:fldSimple w:instr=" MERGEFIELD app "><w:r><w:t>«app»</w:t></w:r></w:fldSimple></w:p></w:hdr>)";

const char* const kRels = R"(<?xml version="1.0" encoding="UTF-8"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/header" Target="header1.xml"/><Relationship Id="rId9" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/image" Target="media/ph.png"/></Relationships>)";

const char* const kTypes = R"(<?xml version="1.0" encoding="UTF-8"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/><Default Extension="png" ContentType="image/png"/><Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/><Override PartName="/word/header1.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.header+xml"/></Types>)";

const char* const kPackageRels = R"(<?xml version="1.0" encoding="UTF-8"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="word/document.xml"/></Relationships>)";

class Merger : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QFile ph(dir.filePath(QStringLiteral("ph.png")));
        exportfixture::writePicture(ph.fileName(), 4, 2, Qt::gray, QString(), "PNG");
        ph.open(QIODevice::ReadOnly);
        docx::Package p;
        p.setBytes("[Content_Types].xml", kTypes);
        p.setBytes("_rels/.rels", kPackageRels);
        p.setBytes("word/document.xml", kDocument);
        p.setBytes("word/_rels/document.xml.rels", kRels);
        p.setBytes("word/header1.xml", kHeader);
        p.setBytes("word/media/ph.png", ph.readAll().toStdString(), false);
        templatePath = dir.filePath(QStringLiteral("template.dfw"));
        ASSERT_TRUE(p.write(templatePath, err)) << err;
        ASSERT_TRUE(merger.load(templatePath, err)) << err;
    }

    void TearDown() override { QDir::setCurrent(QDir::tempPath()); }

    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    void ok(bool result) { ASSERT_TRUE(result) << err; }

    QTemporaryDir dir;
    QString templatePath;
    docx::TemplateMerger merger;
    std::string err;
};

TEST_F(Merger, FindsTheItemsAndTheirFields)
{
    EXPECT_EQ(merger.items(), (std::vector<std::string>{"_header", "head", "pic", "rich", "row"}));
    EXPECT_EQ(merger.fields("row"), (std::vector<std::string>{"n", "name", "when"}));
    EXPECT_EQ(merger.fields("pic"), (std::vector<std::string>{"photo"}));
    EXPECT_EQ(merger.fields("_header"), (std::vector<std::string>{"app"}));
}

TEST_F(Merger, PastedItemsComeInOrderWithTheirValues)
{
    ok(merger.setText("_header", "app", "错题本2.0.8", err));
    ok(merger.setText("head", "title", "期中复习", err));
    ok(merger.paste("head", err));
    for (int i = 1; i <= 3; ++i) {
        ok(merger.setNumber("row", "n", i, err));
        ok(merger.setText("row", "name", "第" + std::to_string(i) + "行", err));
        ok(merger.setNumber("row", "when", 28800.0 + 86400.0 * i, err));
        ok(merger.paste("row", err));
    }
    ok(merger.paste("row", err));  // values are used once: an empty row
    ok(merger.save(path("out.docx"), err));

    inspect::Docx doc;
    ASSERT_TRUE(doc.open(path("out.docx"))) << doc.error;
    EXPECT_EQ(doc.paragraphs(), (QStringList{"标题：期中复习", "1.00 | 第1行", "1970-01-02 08:00", "2.00 | 第2行",
                                             "1970-01-03 08:00", "3.00 | 第3行", "1970-01-04 08:00", " | ", ""}));
    EXPECT_EQ(doc.headerText(), QStringLiteral("错题本2.0.8"));
    EXPECT_TRUE(doc.malformedParts().empty());
    EXPECT_EQ(doc.count("w:bookmarkStart"), 0);
    EXPECT_EQ(doc.count("w:fldSimple"), 0);
    // The field's own run properties stay with its text.
    EXPECT_EQ(doc.count("w:b"), 1);
}

TEST_F(Merger, TextIsEscapedAndCharactersXmlForbidsAreDropped)
{
    ok(merger.setText("head", "title", "a<b & \"c\" 'd'\v\x01 e 😀", err));
    ok(merger.paste("head", err));
    ok(merger.save(path("escaped.docx"), err));
    inspect::Docx doc;
    ASSERT_TRUE(doc.open(path("escaped.docx")));
    EXPECT_TRUE(doc.malformedParts().empty());
    EXPECT_EQ(doc.paragraphs().value(0), QStringLiteral("标题：a<b & \"c\" 'd' e 😀"));
}

TEST_F(Merger, PicturesOfEveryKindAreEmbeddedOnceEachWithTheirOwnIds)
{
    const QString jpg = path("a.jpg");
    const QString png = path("b.png");
    const QString gif = path("c.gif");
    const QString bmp = path("d.bmp");
    const QString ppm = path("e.ppm");  // a picture the door does not read
    const QString ico = path("f.png");  // an ICO holding a larger PNG
    ASSERT_TRUE(exportfixture::writePicture(jpg, 400, 100, Qt::yellow, "jpg", "JPG"));
    ASSERT_TRUE(exportfixture::writePicture(png, 100, 100, Qt::cyan, "png", "PNG"));
    {
        // Qt reads GIF but does not write it: a 1 x 1 picture.
        QFile file(gif);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::fromBase64("R0lGODlhAQABAIAAAP///wAAACH5BAEAAAAALAAAAAABAAEAAAICRAEAOw=="));
    }
    ASSERT_TRUE(exportfixture::writePicture(bmp, 60, 60, Qt::red, "bmp", "BMP"));
    ASSERT_TRUE(exportfixture::writePicture(ppm, 30, 30, Qt::blue, "ppm", "PPM"));
    ASSERT_TRUE(hostile::write(ico, hostile::icoHolding(hostile::plainPng(4000, 4000))));
    for (const QString& p : {jpg, png, gif, bmp, ppm, ico, jpg, path("missing.jpg"), path("template.dfw")}) {
        ok(merger.setText("pic", "photo", p.toStdString(), err));
        ok(merger.paste("pic", err));
    }
    ok(merger.paste("pic", err));  // no value: an empty place
    ok(merger.save(path("pictures.docx"), err));

    inspect::Docx doc;
    ASSERT_TRUE(doc.open(path("pictures.docx")));
    EXPECT_TRUE(doc.malformedParts().empty());
    EXPECT_TRUE(doc.danglingEmbeds().empty());
    EXPECT_TRUE(doc.untypedMedia().empty());
    // Four pictures shown (jpg twice); the GIF, the PPM, the ICO, the missing
    // file, the non-picture and the empty value leave their paragraphs empty.
    const std::vector<int> ids = doc.drawingIds();
    EXPECT_EQ(ids.size(), 4u);
    EXPECT_EQ(std::set<int>(ids.begin(), ids.end()).size(), ids.size());
    EXPECT_EQ(doc.paragraphs().size(), 10);
    std::set<std::string> kinds;
    for (const std::string& m : doc.media())
        kinds.insert(m.substr(m.rfind('.') + 1));
    EXPECT_EQ(kinds, (std::set<std::string>{"bmp", "jpeg", "png"}));
    EXPECT_EQ(doc.media().size(), 4u);  // three new pictures and the template's own

    // Pictures are stored as they are, the XML is compressed.
    zip_t* archive = zip_open(QFile::encodeName(path("pictures.docx")).constData(), ZIP_RDONLY, nullptr);
    ASSERT_NE(archive, nullptr);
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &st);
        const std::string name = st.name;
        const bool picture = name.rfind("word/media/", 0) == 0;
        EXPECT_EQ(st.comp_method == ZIP_CM_STORE, picture) << name;
    }
    zip_discard(archive);
}

TEST_F(Merger, AWidePictureIsShrunkToThePlaceholderWidthKeepingItsAspect)
{
    const QString wide = path("wide.jpg");
    ASSERT_TRUE(exportfixture::writePicture(wide, 1000, 250, Qt::white, "wide"));
    ok(merger.setText("pic", "photo", wide.toStdString(), err));
    ok(merger.paste("pic", err));
    ok(merger.save(path("wide.docx"), err));
    inspect::Docx doc;
    ASSERT_TRUE(doc.open(path("wide.docx")));
    const std::string xml = doc.part("word/document.xml");
    EXPECT_NE(xml.find("<wp:extent cx=\"1905000\" cy=\"476250\"/>"), std::string::npos) << xml;
}

TEST_F(Merger, AnHtmlFieldBecomesParagraphsRunsPicturesAndTables)
{
    QDir::setCurrent(dir.path());  // picture names are read from the working directory
    ASSERT_TRUE(exportfixture::writePicture(path("pic/answer.png"), 200, 100, Qt::white, "答", "PNG"));
    const QString html = exportfixture::answerHtml(QStringLiteral("解析"), QStringLiteral("pic/answer.png"));
    ok(merger.setText("rich", "body", html.toStdString(), err));
    ok(merger.paste("rich", err));
    ok(merger.save(path("rich.docx"), err));

    inspect::Docx doc;
    ASSERT_TRUE(doc.open(path("rich.docx")));
    EXPECT_TRUE(doc.malformedParts().empty());
    EXPECT_TRUE(doc.danglingEmbeds().empty());
    const QStringList p = doc.paragraphs();
    EXPECT_EQ(p.mid(0, 3), (QStringList{"解析", "红色斜体下划线", "图："}));
    for (const char* cell : {"表格甲", "表格乙", "表格丙", "表格丁"})
        EXPECT_TRUE(p.contains(QString::fromUtf8(cell))) << cell;
    EXPECT_EQ(doc.count("w:tbl"), 1);
    EXPECT_EQ(doc.count("w:tr"), 2);
    EXPECT_EQ(doc.count("w:tc"), 4);
    EXPECT_EQ(doc.pictureCount(), 1);
    EXPECT_EQ(doc.count("w:altChunk"), 0);
    const std::string xml = doc.part("word/document.xml");
    EXPECT_NE(xml.find("<w:jc w:val=\"center\"/>"), std::string::npos);
    EXPECT_NE(xml.find("<w:b/>"), std::string::npos);
    EXPECT_NE(xml.find("<w:i/>"), std::string::npos);
    EXPECT_NE(xml.find("<w:u w:val=\"single\"/>"), std::string::npos);
    EXPECT_NE(xml.find("<w:color w:val=\"FF0000\"/>"), std::string::npos);
    EXPECT_NE(xml.find("<w:sz w:val=\"28\"/>"), std::string::npos);  // 14 pt
    // The 120 px picture: 120 x 60 px.
    EXPECT_NE(xml.find("cx=\"1143000\" cy=\"571500\""), std::string::npos);
}

TEST_F(Merger, ListsKeepTheirMarkersAndMergedCellsTheirSpans)
{
    const std::string html = "<html><body><ol><li>甲</li><li>乙</li></ol><ul><li>丙</li></ul>"
                             "<table border=\"1\"><tr><td colspan=\"2\">合并</td></tr>"
                             "<tr><td rowspan=\"2\">竖</td><td>a</td></tr><tr><td>b</td></tr></table></body></html>";
    ok(merger.setText("rich", "body", html, err));
    ok(merger.paste("rich", err));
    ok(merger.save(path("lists.docx"), err));
    inspect::Docx doc;
    ASSERT_TRUE(doc.open(path("lists.docx")));
    EXPECT_TRUE(doc.malformedParts().empty());
    const QStringList p = doc.paragraphs();
    EXPECT_EQ(p.mid(0, 3), (QStringList{"1. 甲", "2. 乙", "• 丙"}));
    for (const char* cell : {"合并", "竖", "a", "b"})
        EXPECT_TRUE(p.contains(QString::fromUtf8(cell))) << cell;
    const std::string xml = doc.part("word/document.xml");
    EXPECT_NE(xml.find("<w:gridSpan w:val=\"2\"/>"), std::string::npos) << xml;
    EXPECT_NE(xml.find("<w:vMerge w:val=\"restart\"/>"), std::string::npos);
    EXPECT_NE(xml.find("<w:vMerge/>"), std::string::npos);
    EXPECT_EQ(doc.count("w:tc"), 5);  // 1 + 2 + 2, the covered cell continuing the merge
}

TEST_F(Merger, UnknownItemsAndFieldsAreRefused)
{
    EXPECT_FALSE(merger.setText("nope", "title", "x", err));
    EXPECT_NE(err.find("nope"), std::string::npos);
    EXPECT_FALSE(merger.setText("head", "nope", "x", err));
    EXPECT_NE(err.find("nope"), std::string::npos);
    EXPECT_FALSE(merger.paste("nope", err));
    EXPECT_FALSE(merger.paste("_header", err));
}

TEST_F(Merger, SavingIntoAMissingFolderFailsAndLeavesNoFile)
{
    ok(merger.paste("head", err));
    const QString target = path("no/such/folder/out.docx");
    EXPECT_FALSE(merger.save(target, err));
    EXPECT_FALSE(err.empty());
    EXPECT_FALSE(QFileInfo::exists(target));
}

TEST_F(Merger, AFailedSaveLeavesAnOldFileAndNoStrayFiles)
{
    ok(merger.paste("head", err));
    QDir().mkpath(path("target.docx"));  // a folder where the file should go
    EXPECT_FALSE(merger.save(path("target.docx"), err));
    EXPECT_TRUE(QFileInfo(path("target.docx")).isDir());
    EXPECT_EQ(QDir(dir.path()).entryList(QStringList{".lorvane-*"}, QDir::Files | QDir::Hidden).size(), 0);
}

TEST_F(Merger, LoadingStartsANewDocument)
{
    ok(merger.setText("head", "title", "first", err));
    ok(merger.paste("head", err));
    ok(merger.load(templatePath, err));
    ok(merger.setText("head", "title", "second", err));
    ok(merger.paste("head", err));
    ok(merger.save(path("again.docx"), err));
    inspect::Docx doc;
    ASSERT_TRUE(doc.open(path("again.docx")));
    EXPECT_EQ(doc.paragraphs(), QStringList{"标题：second"});
}

TEST_F(Merger, ABadTemplateIsReported)
{
    EXPECT_FALSE(merger.load(path("missing.dfw"), err));
    EXPECT_FALSE(err.empty());
    QFile junk(path("junk.dfw"));
    junk.open(QIODevice::WriteOnly);
    junk.write("not a zip");
    junk.close();
    EXPECT_FALSE(merger.load(junk.fileName(), err));
    EXPECT_FALSE(merger.paste("head", err));  // nothing loaded
}

TEST_F(Merger, TheFlatInterfaceReportsThroughItsErrorFlag)
{
    dfw_setCodePage("UTF-8");
    EXPECT_FALSE(dfw_getErrorFlag());
    dfw_setCodePage("GBK");
    EXPECT_TRUE(dfw_getErrorFlag());
    dfw_load(templatePath.toLocal8Bit().constData());
    EXPECT_FALSE(dfw_getErrorFlag());
    dfw_setClipboardValueByStr("head", "nope", "x");
    EXPECT_TRUE(dfw_getErrorFlag());
    EXPECT_NE(std::string(dfw_getErrorWhat()).find("nope"), std::string::npos);
    dfw_paste("head");
    EXPECT_FALSE(dfw_getErrorFlag());
    dfw_save(path("flat.docx").toLocal8Bit().constData());
    EXPECT_FALSE(dfw_getErrorFlag());
    EXPECT_TRUE(QFileInfo::exists(path("flat.docx")));
}

TEST_F(Merger, AnExporterOnATemplateWithoutItsItemsFailsAndWritesNothing)
{
    WordProcessing exporter;
    exporter.topicTemplate = templatePath.toLocal8Bit().toStdString();
    exporter.topicPath = path("topics.docx").toLocal8Bit().toStdString();
    exporter.topics.push_back(_topic_t{1, "选择题", path("none.jpg").toStdString()});
    EXPECT_EQ(exporter.exportTopic(err), -1);
    EXPECT_NE(err.find("模板"), std::string::npos) << err;
    EXPECT_FALSE(QFileInfo::exists(path("topics.docx")));
}

}  // namespace
