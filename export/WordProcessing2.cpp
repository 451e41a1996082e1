#include "export/WordProcessing2.h"

#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPrinter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>

#include <utility>
#include <vector>

#include "export/MSword.h"
#include "export/office/Session.h"
#include "platform/DocumentPicture.h"

namespace {

QString fromUtf8(const std::string& s)
{
    return QString::fromUtf8(s.c_str(), static_cast<int>(s.size()));
}

// The line recipe: formats the line just typed and starts the next one.
void finishLine(MSword& word, int alignment, int size)
{
    word.selectLine();
    word.setAlignment(alignment);
    word.setFontSize(size);
    word.setLineSpacing(20.0);
    word.moveToEnd();
    word.typeParagraph();
}

int saveAndClose(MSword& word, const std::string& path, std::string& err)
{
    const bool saved = word.saveAs(QString::fromLocal8Bit(path.c_str()));
    word.close();
    if (!saved) {
        err = word.lastError().toUtf8().toStdString();
        return -1;
    }
    return 0;
}

// The answers' document: what the answers name is read through the
// program's picture door (platform::documentResource), never by the document
// itself, so a file that is no whole PNG, JPEG or BMP within the size limits
// (an ICO named .png holding a picture of 20000 x 20000), or no regular file
// at all (a FIFO, never opened), shows as a small grey square.
class AnswerDocument : public QTextDocument {
protected:
    QVariant loadResource(int type, const QUrl& name) override
    {
        const QVariant answer = platform::documentResource(type, name);
        return answer.isValid() ? answer : QTextDocument::loadResource(type, name);
    }
};

// The size a picture of the document is laid out at, in the document's
// pixels: its width and height as given, the missing ones from the picture
// (aspect kept); empty when neither is given and the picture cannot be read.
// Read as QImage: this runs on a worker thread.
QSizeF shownSize(QTextDocument& document, const QTextImageFormat& format)
{
    const bool hasWidth = format.hasProperty(QTextFormat::ImageWidth);
    const bool hasHeight = format.hasProperty(QTextFormat::ImageHeight);
    if (hasWidth && hasHeight)
        return QSizeF(format.width(), format.height());
    const QImage picture = document.resource(QTextDocument::ImageResource, QUrl(format.name())).value<QImage>();
    if (picture.isNull() || picture.width() == 0 || picture.height() == 0)
        return QSizeF();
    const QSizeF natural = picture.size();
    if (hasWidth)
        return QSizeF(format.width(), format.width() * natural.height() / natural.width());
    if (hasHeight)
        return QSizeF(format.height() * natural.width() / natural.height(), format.height());
    return natural;
}

// Pictures laid out wider than `width` are made that wide, their height
// scaled with them.
void fitPictures(QTextDocument& document, qreal width)
{
    struct Change {
        int position;
        int length;
        QTextImageFormat format;
    };
    std::vector<Change> changes;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().isImageFormat())
                continue;
            QTextImageFormat format = fragment.charFormat().toImageFormat();
            const QSizeF size = shownSize(document, format);
            if (size.width() <= width)
                continue;
            format.setWidth(width);
            format.setHeight(size.height() * width / size.width());
            changes.push_back({fragment.position(), fragment.length(), format});
        }
    }
    for (const Change& change : changes) {
        QTextCursor cursor(&document);
        cursor.setPosition(change.position);
        cursor.setPosition(change.position + change.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(change.format);
    }
}

// The width the text of a printed page takes, in the document's pixels:
// the printer's paint area less the 2 cm margins that QTextDocument::print
// gives each side of a document that is not paginated. The printer works at
// the screen's resolution, which is the document's.
qreal printableWidth(QPrinter& printer)
{
    const int margin = static_cast<int>((2 / 2.54) * printer.resolution());
    return printer.width() - 2 * margin - 1;
}

}  // namespace

WordProcessing2::WordProcessing2() : office_(std::make_unique<office::Session>()) {}
WordProcessing2::~WordProcessing2() = default;

const char* WordProcessing2::noWordText()
{
    return "导出word失败，请确保已安装Microsoft Office Word软件";
}

QString WordProcessing2::heading(const char* word) const
{
    return QStringLiteral("%1%2%3%4").arg(fromUtf8(grade), fromUtf8(term), fromUtf8(subject), QString::fromUtf8(word));
}

int WordProcessing2::exportTopic(std::string& err)
{
    MSword word(office_.get());
    if (!word.open(false)) {
        err = noWordText();
        return -1;
    }
    word.typeText(heading("题目"));
    finishLine(word, 0, 16);
    for (const _topic_t& t : topics) {
        word.typeText(QStringLiteral("编号：%1").arg(t.number));
        finishLine(word, 1, 10);
        word.insertPicture(fromUtf8(t.picture));
        word.typeParagraph();
    }
    return saveAndClose(word, topicPath, err);
}

int WordProcessing2::exportReappear(std::string& err)
{
    MSword word(office_.get());
    if (!word.open(false)) {
        err = noWordText();
        return -1;
    }
    word.typeText(heading("错题再现"));
    finishLine(word, 0, 16);
    static const char* const patterns[] = {"分值：%1    ",     "类别：%1    ", "考点：%1    ",
                                           "错误原因：%1    ", "来源：%1    ", "备注：%1    "};
    for (const _answer_t& a : reappears) {
        word.typeText(QStringLiteral("编号：%1    ").arg(a.number));
        const std::string* fields[] = {&a.score, &a.classification, &a.point, &a.cause, &a.source, &a.remark};
        for (int bit = 0; bit < 6; ++bit) {
            if (options & (1 << bit))
                word.typeText(QString::fromUtf8(patterns[bit]).arg(fromUtf8(*fields[bit])));
        }
        finishLine(word, 1, 10);
        word.setFirstLineIndent(0.0);
        word.insertPicture(fromUtf8(a.content));
        word.typeParagraph();
        word.typeParagraph();
    }
    return saveAndClose(word, reappearPath, err);
}

QString WordProcessing2::answerPage() const
{
    QDomDocument page;
    page.appendChild(
        page.createProcessingInstruction(QStringLiteral("xml"), QStringLiteral("version=\"1.0\" encoding=\"UTF-8\"")));
    QDomElement html = page.createElement(QStringLiteral("html"));
    page.appendChild(html);
    html.appendChild(page.createElement(QStringLiteral("head")));
    QDomElement body = page.createElement(QStringLiteral("body"));
    body.setAttribute(QStringLiteral("style"),
                      QStringLiteral("font-family:'SimSun'; font-size:10pt; font-weight:400; font-style:normal"));
    html.appendChild(body);
    QDomElement h2 = page.createElement(QStringLiteral("h2"));
    h2.appendChild(page.createTextNode(heading("答案")));
    body.appendChild(h2);

    for (const _answer_t& a : answers) {
        QDomElement number = page.createElement(QStringLiteral("p"));
        number.appendChild(page.createTextNode(QStringLiteral("编号：%1").arg(a.number)));
        body.appendChild(number);

        QDomDocument answer;
        if (!answer.setContent(fromUtf8(a.content)))
            continue;  // not well-formed: only its number
        const QDomElement answerBody = answer.documentElement().firstChildElement(QStringLiteral("body"));
        for (QDomElement p = answerBody.firstChildElement(QStringLiteral("p")); !p.isNull();
             p = p.nextSiblingElement(QStringLiteral("p")))
            body.appendChild(page.importNode(p, true));
    }
    return page.toString(1);
}

int WordProcessing2::exportAnswer(std::string& err)
{
    const QString path = QString::fromLocal8Bit(answerPath.c_str());
    const QFileInfo target(path);
    // An old file would hide a print that wrote nothing.
    if (target.exists() && !QFile::remove(path)) {
        err = QStringLiteral("无法写入文件 %1").arg(path).toUtf8().toStdString();
        return -1;
    }
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    // The 2 mm that QTextDocument::print would set on a printer without
    // margins, set here so that the text width is known before it prints.
    printer.setPageMargins(QMarginsF(2, 2, 2, 2), QPageLayout::Millimeter);
    AnswerDocument document;
    document.setHtml(answerPage());
    // A picture wider than the page would run off its edge.
    fitPictures(document, printableWidth(printer));
    document.print(&printer);
    if (!QFileInfo(path).isFile() || QFileInfo(path).size() == 0) {
        err = QStringLiteral("无法写入文件 %1").arg(path).toUtf8().toStdString();
        return -1;
    }
    return 0;
}
