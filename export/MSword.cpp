#include "export/MSword.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <tinyxml2.h>

#include <cmath>
#include <set>

#include "export/TempFolder.h"
#include "export/docx/BlankDocument.h"
#include "export/docx/Media.h"
#include "export/docx/Package.h"
#include "export/docx/TemplateFields.h"
#include "export/office/Session.h"
#include "export/office/Soffice.h"

MSword::MSword(office::Session* session) : session_(session) {}
MSword::~MSword() = default;

bool MSword::open(bool)
{
    if (office::findSoffice().isEmpty()) {
        lastError_ = QStringLiteral("找不到 LibreOffice（soffice）");
        return false;
    }
    paragraphs_.assign(1, Paragraph());
    selected_ = false;
    insertionHalfPoints_ = 0;
    open_ = true;
    return true;
}

void MSword::close()
{
    open_ = false;
    paragraphs_.clear();
    selected_ = false;
}

MSword::Paragraph& MSword::current()
{
    if (paragraphs_.empty())
        paragraphs_.emplace_back();
    return paragraphs_.back();
}

void MSword::typeText(const QString& text)
{
    selected_ = false;
    current().runs.push_back(Run{text, QString(), insertionHalfPoints_});
}

void MSword::typeParagraph()
{
    selected_ = false;
    Paragraph next;
    next.format = current().format;  // Enter carries the paragraph format over
    paragraphs_.push_back(std::move(next));
}

void MSword::moveToEnd()
{
    selected_ = false;
}

void MSword::selectLine()
{
    selected_ = true;
}

void MSword::setAlignment(int kind)
{
    static const char* const kinds[] = {"center", "both", "right", "left"};
    if (kind < 0 || kind > 3)
        return;
    current().format.alignment = QString::fromLatin1(kinds[kind]);
}

void MSword::setFontSize(int size)
{
    const int halfPoints = std::max(size, 1) * 2;
    if (selected_) {
        for (Run& run : current().runs) {
            if (run.picture.isEmpty())
                run.halfPoints = halfPoints;
        }
    }
    insertionHalfPoints_ = halfPoints;
}

void MSword::setLineSpacing(double points)
{
    current().format.lineAtLeast = static_cast<int>(std::lround(points * 20));
}

void MSword::setFirstLineIndent(double points)
{
    current().format.firstLine = static_cast<int>(std::lround(points * 20));
    current().format.hasFirstLine = true;
}

void MSword::insertPicture(QString path)
{
    selected_ = false;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    current().runs.push_back(Run{QString(), path, insertionHalfPoints_});
}

bool MSword::saveDocx(const QString& path)
{
    tinyxml2::XMLDocument doc;
    const std::string skeleton = docx::blankDocumentXml();
    doc.Parse(skeleton.data(), skeleton.size());
    tinyxml2::XMLElement* body = doc.RootElement()->FirstChildElement("w:body");
    tinyxml2::XMLElement* section = body->FirstChildElement("w:sectPr");

    docx::MediaSet media({"rId1", "rId2"});
    for (const Paragraph& para : paragraphs_) {
        tinyxml2::XMLElement* p = docx::newParagraph(doc, para.format);
        docx::insertBefore(section, p);
        for (const Run& run : para.runs) {
            docx::RunFormat format;
            format.halfPoints = run.halfPoints;
            if (run.picture.isEmpty()) {
                docx::addTextRuns(p, run.text, format);
                continue;
            }
            std::string rId;
            QSize pixels;
            if (!media.add(run.picture, rId, pixels))
                continue;
            long cx = 0;
            long cy = 0;
            docx::fitPicture(pixels.width(), pixels.height(), docx::blankTextWidth(), cx, cy);
            docx::addPictureRun(p, format, rId, cx, cy, QFileInfo(run.picture).fileName());
        }
    }
    docx::renumberDrawings(doc.RootElement());

    docx::Package package = docx::blankPackage();
    tinyxml2::XMLDocument rels;
    tinyxml2::XMLDocument types;
    const std::string relsText = package.bytes("word/_rels/document.xml.rels");
    const std::string typesText = package.bytes("[Content_Types].xml");
    rels.Parse(relsText.data(), relsText.size());
    types.Parse(typesText.data(), typesText.size());
    media.writeInto(package, rels, types);
    const auto print = [](const tinyxml2::XMLDocument& d) {
        tinyxml2::XMLPrinter printer(nullptr, true);
        d.Print(&printer);
        return std::string(printer.CStr(), static_cast<size_t>(printer.CStrSize() - 1));
    };
    package.setBytes("word/document.xml", print(doc));
    package.setBytes("word/_rels/document.xml.rels", print(rels));
    package.setBytes("[Content_Types].xml", print(types));
    std::string err;
    if (!package.write(path, err)) {
        lastError_ = QString::fromUtf8(err.c_str());
        return false;
    }
    return true;
}

bool MSword::saveAs(const QString& path)
{
    if (!open_) {
        lastError_ = QStringLiteral("文档没有打开");
        return false;
    }
    const QFileInfo target(path);
    const QFileInfo folder(target.absolutePath());
    if (!folder.isDir() || !folder.isWritable() || (target.exists() && !target.isWritable())) {
        lastError_ = QStringLiteral("无法写入文件 %1").arg(path);
        return false;
    }
    QTemporaryDir work(temporaryFolderPattern("lorvane-doc"));
    if (!work.isValid()) {
        lastError_ = QStringLiteral("无法创建临时文件夹");
        return false;
    }
    const QString docxPath = work.filePath(QStringLiteral("document.docx"));
    if (!saveDocx(docxPath))
        return false;
    QString err;
    const bool converted = session_ ? session_->convert({docxPath}, QStringLiteral("doc"), work.path(), err)
                                    : office::convert({docxPath}, QStringLiteral("doc"), work.path(), err);
    if (!converted) {
        lastError_ = err;
        return false;
    }
    const QString result = office::convertedPath(docxPath, QStringLiteral("doc"), work.path());
    QFile::remove(path);
    if (!QFile::copy(result, path) || !QFileInfo(path).isFile()) {
        lastError_ = QStringLiteral("无法写入文件 %1").arg(path);
        return false;
    }
    return true;
}
