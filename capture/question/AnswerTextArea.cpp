#include "capture/question/AnswerTextArea.h"

#include <QImage>
#include <QTextDocument>
#include <QUrl>

#include "platform/PictureFile.h"

AnswerTextArea::AnswerTextArea(QWidget* parent) : QTextEdit(parent) {}

AnswerTextArea::~AnswerTextArea() = default;

QImage AnswerTextArea::placeholder()
{
    return platform::refusedPictureMark();
}

QVariant AnswerTextArea::loadResource(int type, const QUrl& name)
{
    if (type != QTextDocument::ImageResource)
        return QTextEdit::loadResource(type, name);
    // A name that is no file goes to the document (it shows its mark for a
    // missing picture); a file goes through the door.
    const QImage picture = platform::readDocumentPicture(name);
    return picture.isNull() ? QTextEdit::loadResource(type, name) : QVariant(picture);
}
