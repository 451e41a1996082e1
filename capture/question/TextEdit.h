#pragma once

#include <QString>
#include <QTextCharFormat>
#include <QVector>
#include <QWidget>

#include "capture/sources/ScreenReport.h"

class QButtonGroup;
class QColor;
class QComboBox;
class QFont;
class QFontComboBox;
class QImage;
class QTextEdit;
class QToolButton;
class QVBoxLayout;
class ScreenCapture;
class importImage;

// The rich-text editor of a question's answer and analysis (答案与解析): a
// tool bar of picture, zoom and text-format buttons above a QTextEdit.
//
// Owners:
//  - the wizard builds it with two empty strings, calls setPath(detail_path)
//    and clear() for every new question, and writes toHtml() to the
//    question's answer_right.html as UTF-8;
//  - the viewer builds it with the question's answer file and folder name,
//    and for every question it shows calls setPath and loadHtml, asking
//    isModified before it leaves one.
//
// Formatting: bold, underline and italic apply to the selection, or with
// none to the word under the cursor, and to what is typed next. Font family
// and size are remembered in "Lorvane.ini" ("TextEdit_textFamily", default
// "SimSun"; "TextEdit_textSize", default 12) and preset in the font and size
// boxes of the next editor; the document itself starts in the text edit's
// default font. The alignment buttons show the alignment found at
// construction only.
//
// Pictures: from the question's page, a file or the camera (each cut and
// cleaned in the picture dialog 图片编辑 first), or from a screen capture. Each
// is stored as a file of its own in the question's folder (see
// answerpicture::freeName: item/<user>/<folder>/<number>.<suffix>, a number
// no other picture of the folder has) and inserted under that relative name,
// at most 650 pixels wide. A picture that cannot be stored gives the message
// "图片保存失败!" and nothing is inserted. The zoom buttons resize the
// pictures of the last selection (or the one just inserted): x1.1, x0.9, or
// so that the text inside is "image_auto_value" pixels tall (default 16).
//
// GUI thread only.
class TextEdit : public QWidget {
    Q_OBJECT
public:
    // A non-null fileName is loaded with loadHtml; a non-null path becomes
    // the question folder name (see setPath).
    TextEdit(QWidget* parent, QString fileName = QString(), QString path = QString());
    ~TextEdit() override;

    // The whole document as HTML declaring the encoding "utf-8"; write it to
    // the file as UTF-8.
    QString toHtml() const;
    // Loads an HTML file (encoding from its meta tag; a file without markup
    // is shown as plain text in the local 8-bit encoding). False, and nothing
    // changed, when the file is missing or cannot be opened; otherwise the
    // file name is kept and the modified flags are cleared.
    bool loadHtml(const QString& fileName);
    // The document's modified flag (set by every edit, cleared by loadHtml
    // and clear()).
    bool isModified() const;
    // The folder name (detail_path) of the question whose answer this is;
    // pictures inserted into the answer are stored there. Leaves the text.
    void setPath(QString path);
    QString path() const { return path_; }
    QString fileName() const { return fileName_; }
    // Empties the document (text, lists, pictures) and clears the modified
    // flags and the picture selection: the editor is ready for a new answer.
    void clear();

    // For owners and tests.
    QTextEdit* textEdit() const { return textEdit_; }
    QComboBox* styleBox() const { return comboStyle_; }
    QFontComboBox* fontBox() const { return comboFont_; }
    QComboBox* sizeBox() const { return comboSize_; }
    // The tool buttons in tool-bar order, 0 to 14 (see createToolBar).
    QToolButton* toolButton(int index) const;
    const QVector<QString>& selectedImages() const { return selectedImages_; }

    // Inserts the stored picture `fileName` (relative to the data folder) at
    // the cursor: it replaces the selection, and with none goes in between
    // the characters at the caret, replacing nothing. It is shown at its
    // natural width up to 650 pixels; a paragraph break follows at the end of
    // the picture's line (the text after the caret stays, before the break).
    // The view scrolls to the bottom and the text takes the focus. It
    // becomes the picture the zoom buttons act on. An empty name does nothing.
    void insertImage(const QString& fileName);

    // Rewrites the sizes of the pictures named in `images` in `html` (as
    // QTextEdit::toHtml writes it, parsed as XML; only a picture that is a
    // child of a paragraph of the body counts):
    //  - mode 0: width and height x1.1, mode 1: x0.9, each cut to a whole
    //    number; a missing or zero attribute stays as it is;
    //  - mode 2: both set so that the picture's typical text height becomes
    //    "image_auto_value" pixels; a picture that cannot be read, shows no
    //    text, or would become narrower or lower than 10 pixels keeps its size;
    //  - other modes change no size.
    // Returns 0 with html rewritten (the text itself, white space included,
    // unchanged), or -1 with html untouched when it is not well-formed or has
    // no body.
    int zoomImage(QString& html, QVector<QString> images, int mode);

    // Tool-bar positions.
    enum Button {
        ImageFromPage = 0,
        ImageFromFile,
        ImageFromCamera,
        ImageFromScreen,
        ZoomIn,
        ZoomOut,
        ZoomAuto,
        Bold,
        Underline,
        Italic,
        AlignLeft,
        AlignCenter,
        AlignRight,
        AlignJustify,
        Color,
        ButtonCount
    };

public slots:
    void textBold();
    void textUnderline();
    void textItalic();
    void textFamily(const QString& f);
    void textSize(const QString& p);
    void textStyle(int styleIndex);
    void textColor();
    void textAlign(int id);
    void currentCharFormatChanged(const QTextCharFormat& format);
    void textImage1();
    void textImage2();
    void textImage3();
    void textImage4();
    void zoomInImage();
    void zoomOutImage();
    void zoomAutoImage();
    void selectionChanged();
    // The screen-capture helper reported: a saved capture that
    // readScreenShot accepts is stored and inserted (a refused one is named
    // in a message "提示"), any other report ends the capture without a
    // picture.
    void screenCaptured(const ScreenReport& report);

private:
    // Construction steps.
    void createToolBar();
    QToolButton* addButton(const char* icon, const QString& toolTip, bool checkable);
    void createFormatBoxes();
    void createTextArea();
    void presetFont();
    void checkAlignmentButton();

    void mergeCharFormat(const QTextCharFormat& format);
    void showFont(const QFont& f);
    void showColor(const QColor& c);

    // Pictures.
    QString pageFileName() const;
    QString newPictureName(const QString& suffix) const;
    // Runs the picture dialog at three quarters of the first screen; true
    // when the user took the picture.
    static bool editPicture(importImage& dialog);
    // Stores the picture under a new name with `suffix` and inserts it; on
    // failure the message, and nothing inserted.
    void storeAndInsert(const QImage& image, const QString& suffix);
    void insertStored(bool stored, const QString& name);
    void zoom(int mode);

    QTextEdit* textEdit_ = nullptr;
    QVector<QToolButton*> buttons_;
    QButtonGroup* alignGroup_ = nullptr;
    QComboBox* comboStyle_ = nullptr;
    QFontComboBox* comboFont_ = nullptr;
    QComboBox* comboSize_ = nullptr;
    QString fileName_;
    QString path_;
    QVBoxLayout* layout_ = nullptr;
    QWidget* toolBar_ = nullptr;
    QVector<QString> selectedImages_;
    ScreenCapture* capture_ = nullptr;
};
