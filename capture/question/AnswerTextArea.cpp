#include "capture/question/AnswerTextArea.h"

#include <QImage>
#include <QUrl>

#include "platform/DocumentPicture.h"

AnswerTextArea::AnswerTextArea(QWidget* parent) : QTextEdit(parent) {}

AnswerTextArea::~AnswerTextArea() = default;

QImage AnswerTextArea::placeholder()
{
    return platform::refusedPictureMark();
}

QVariant AnswerTextArea::loadResource(int type, const QUrl& name)
{
    // Every local name goes through the picture door; only the program's own
    // resources reach the document's loader.
    const QVariant answer = platform::documentResource(type, name);
    return answer.isValid() ? answer : QTextEdit::loadResource(type, name);
}
