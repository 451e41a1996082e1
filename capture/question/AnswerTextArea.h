#pragma once

#include <QTextEdit>

// The text area of the answer editor. The answer's HTML names its pictures
// by file (item/<user>/<question>/<number>.<suffix>); a document on its own
// would open any name it is given and read and decode it whole (a FIFO
// nobody writes would hang the viewer for good). Here every resource the
// document asks for goes through platform::documentResource: a picture file
// is read through the program's picture door, one that is refused, does not
// decode or is no regular file (never opened) shows as a small grey square,
// a missing one as a small file icon; only the program's own resources (qrc)
// reach the document's own loader.
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
