// The answer editor's picture selection and the three zoom buttons.

#include <QDomDocument>
#include <QImage>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QTextEdit>

#include "capture/common/ImageOps.h"
#include "capture/question/TextEdit.h"
#include "core/Settings.h"

// QXmlSimpleReader is the one parser behind QDomDocument that can keep text
// nodes made only of white space; QTextEdit::toHtml writes the space between
// two differently formatted words as exactly such a node.
QT_WARNING_PUSH
QT_WARNING_DISABLE_DEPRECATED
#include <QXmlInputSource>
#include <QXmlSimpleReader>
QT_WARNING_POP

namespace {

constexpr int kZoomIn = 0;
constexpr int kZoomOut = 1;
constexpr int kZoomAuto = 2;
constexpr int kMinAutoSide = 10;

// Parses html as XML keeping every white-space text node, so that writing it
// back loses no character of the text. False when it is not well-formed.
bool parseKeepingSpace(const QString& html, QDomDocument& document)
{
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    QXmlInputSource source;
    source.setData(html);
    QXmlSimpleReader reader;
    reader.setFeature(QStringLiteral("http://trolltech.com/xml/features/report-whitespace-only-CharData"), true);
    return document.setContent(&source, &reader);
    QT_WARNING_POP
}

// The body of a document as the text edit writes it; null when there is none.
QDomElement bodyOf(const QDomDocument& document)
{
    const QDomElement root = document.documentElement();
    return root.isNull() ? QDomElement() : root.firstChildElement(QStringLiteral("body"));
}

// Every picture of the body's paragraphs, in document order.
template <typename F>
void forEachPicture(const QDomElement& body, F visit)
{
    for (QDomElement p = body.firstChildElement(QStringLiteral("p")); !p.isNull();
         p = p.nextSiblingElement(QStringLiteral("p"))) {
        for (QDomElement img = p.firstChildElement(QStringLiteral("img")); !img.isNull();
             img = img.nextSiblingElement(QStringLiteral("img")))
            visit(img);
    }
}

// Width and height x factor, each cut to a whole number; a missing or zero
// attribute is left alone.
void scaleAttributes(QDomElement& img, double factor)
{
    for (const QString& name : {QStringLiteral("width"), QStringLiteral("height")}) {
        const double value = img.attribute(name).toDouble();  // missing: 0
        if (value != 0.0)
            img.setAttribute(name, static_cast<int>(value * factor));
    }
}

// Sizes the picture so that its typical text is `target` pixels tall.
void fitTextHeight(QDomElement& img, int target)
{
    const QImage picture(img.attribute(QStringLiteral("src")));
    if (picture.isNull())
        return;
    const int textHeight = imageops::textHeight(picture);  // on an RGB888 copy, behind the busy dialog
    if (textHeight <= 0)
        return;
    const qint64 width = static_cast<qint64>(picture.width()) * target / textHeight;
    const qint64 height = static_cast<qint64>(picture.height()) * target / textHeight;
    if (width < kMinAutoSide || height < kMinAutoSide)
        return;
    img.setAttribute(QStringLiteral("width"), width);
    img.setAttribute(QStringLiteral("height"), height);
}

}  // namespace

// A selection names the first picture of each of its paragraphs; an empty
// selection keeps the names of the last one.
void TextEdit::selectionChanged()
{
    const QTextCursor cursor = textEdit_->textCursor();
    if (!cursor.hasSelection())
        return;
    selectedImages_.clear();
    QDomDocument fragment;
    if (!fragment.setContent(cursor.selection().toHtml()))
        return;
    const QDomElement body = bodyOf(fragment);
    for (QDomElement p = body.firstChildElement(QStringLiteral("p")); !p.isNull();
         p = p.nextSiblingElement(QStringLiteral("p"))) {
        const QDomElement img = p.firstChildElement(QStringLiteral("img"));
        if (!img.isNull())
            selectedImages_.append(img.attribute(QStringLiteral("src")));
    }
}

int TextEdit::zoomImage(QString& html, QVector<QString> images, int mode)
{
    QDomDocument document;
    if (!parseKeepingSpace(html, document))
        return -1;
    const QDomElement body = bodyOf(document);
    if (body.isNull())
        return -1;
    const int target = mode == kZoomAuto ? getIniValue<int>(QStringLiteral("image_auto_value"), 16) : 0;
    forEachPicture(body, [&](QDomElement img) {
        if (!images.contains(img.attribute(QStringLiteral("src"))))
            return;
        if (mode == kZoomIn)
            scaleAttributes(img, 1.1);
        else if (mode == kZoomOut)
            scaleAttributes(img, 0.9);
        else if (mode == kZoomAuto)
            fitTextHeight(img, target);
    });
    html = document.toString(-1);
    return 0;
}

// The whole content is replaced (which ends the selection, and so keeps the
// list of pictures for the next press) at the same scroll position.
void TextEdit::zoom(int mode)
{
    if (selectedImages_.isEmpty())
        return;
    QString html = textEdit_->toHtml();
    if (zoomImage(html, selectedImages_, mode) != 0)
        return;
    const int scroll = textEdit_->verticalScrollBar()->value();
    textEdit_->clear();
    textEdit_->setHtml(html);
    textEdit_->verticalScrollBar()->setValue(scroll);
    textEdit_->setFocus();
    textEdit_->document()->setModified(true);
}

void TextEdit::zoomInImage()
{
    zoom(kZoomIn);
}
void TextEdit::zoomOutImage()
{
    zoom(kZoomOut);
}
void TextEdit::zoomAutoImage()
{
    zoom(kZoomAuto);
}
