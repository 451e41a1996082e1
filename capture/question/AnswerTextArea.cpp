#include "capture/question/AnswerTextArea.h"

#include <QFileInfo>
#include <QImage>
#include <QTextDocument>
#include <QUrl>

#include "platform/PictureFile.h"

namespace {

constexpr int kPlaceholderSide = 16;

// The file a resource name stands for: a file URL, or a name without scheme
// (relative to the working directory, the data folder). Empty otherwise.
QString fileOf(const QUrl& name)
{
    if (name.isLocalFile())
        return name.toLocalFile();
    if (name.scheme().isEmpty())
        return name.path();
    return QString();
}

}  // namespace

AnswerTextArea::AnswerTextArea(QWidget* parent) : QTextEdit(parent) {}

AnswerTextArea::~AnswerTextArea() = default;

QImage AnswerTextArea::placeholder()
{
    QImage square(kPlaceholderSide, kPlaceholderSide, QImage::Format_RGB32);
    square.fill(QColor(220, 220, 220));
    return square;
}

QVariant AnswerTextArea::loadResource(int type, const QUrl& name)
{
    if (type != QTextDocument::ImageResource)
        return QTextEdit::loadResource(type, name);
    const QString file = fileOf(name);
    if (file.isEmpty() || !QFileInfo(file).isFile())
        return QTextEdit::loadResource(type, name);
    // A null answer would make the document load the file by name itself.
    const QImage picture = platform::readPicture(file);
    return picture.isNull() ? placeholder() : picture;
}
