#pragma once

#include <QTextEdit>

// The text area of the answer editor. The answer's HTML names its pictures
// by file (item/<user>/<question>/<number>.<suffix>); a document on its own
// would read and decode such a file whole, whatever size it declares. Here
// every picture file the document asks for is read through the program's
// size guard (platform/PictureFile.h): one that is refused or does not
// decode shows as a small grey square, never decoded by the document itself.
class AnswerTextArea : public QTextEdit {
    Q_OBJECT
public:
    explicit AnswerTextArea(QWidget* parent = nullptr);
    ~AnswerTextArea() override;

    // The stand-in of a picture that cannot be shown.
    static QImage placeholder();

protected:
    QVariant loadResource(int type, const QUrl& name) override;
};
