#pragma once

#include <QObject>
#include <QString>

#include <vector>

#include "export/docx/WordML.h"

// A word processor driven like an automated Word: text is typed at the end
// of a new document, the line just typed can be selected and formatted,
// pictures are inserted inline, and the document is saved as a Word 97-2003
// file (.doc).
//
// The document is kept here and written as .docx, which LibreOffice
// (soffice, headless, found beside the program or on PATH) converts to .doc
// when it is saved. open() fails when there is no LibreOffice. Documents
// saved through one office::Session share its LibreOffice; without one each
// save starts LibreOffice of its own.
//
// Formatting follows Word's habits: a new paragraph (typeParagraph) takes
// the paragraph format of the one before; text typed after a formatted
// selection takes its font size. Line spacing is a minimum line height, so
// pictures are never cut.
namespace office {
class Session;
}  // namespace office

class MSword : public QObject {
    Q_OBJECT
public:
    // session: converts the saved documents; may be null; outlives this.
    explicit MSword(office::Session* session = nullptr);
    ~MSword() override;

    // Starts a new empty document; false when LibreOffice is not there.
    // visible is accepted for the callers' sake; nothing is ever shown.
    bool open(bool visible);
    // Writes the document to path as .doc; false with lastError() when it
    // could not be written (the target folder missing or read-only, the
    // conversion failing). An old file at path is replaced.
    bool saveAs(const QString& path);
    // Ends the document without saving.
    void close();

    void typeText(const QString& text);
    void typeParagraph();
    // Collapses the selection to the end of the document.
    void moveToEnd();
    // Selects the line just typed (the last paragraph's text).
    void selectLine();
    // 0 centre, 1 justify, 2 right, 3 left; other kinds change nothing.
    void setAlignment(int kind);
    void setFontSize(int size);
    void setLineSpacing(double points);
    void setFirstLineIndent(double points);
    // Inserts the picture at path ('\' read as '/'); a picture that cannot
    // be read is left out.
    void insertPicture(QString path);

    // Writes the document as .docx, the file that saveAs hands to the
    // converter; false with lastError().
    bool saveDocx(const QString& path);

    QString lastError() const { return lastError_; }
    bool isOpen() const { return open_; }

private:
    struct Run {
        QString text;
        QString picture;
        int halfPoints = 0;
    };
    struct Paragraph {
        docx::ParaFormat format;
        std::vector<Run> runs;
    };
    Paragraph& current();

    office::Session* session_ = nullptr;
    bool open_ = false;
    std::vector<Paragraph> paragraphs_;
    bool selected_ = false;
    int insertionHalfPoints_ = 0;
    QString lastError_;
};
