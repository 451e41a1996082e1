// Text formatting and the file interface of the answer editor.

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QFontComboBox>
#include <QFontInfo>
#include <QPixmap>
#include <QTextBlock>
#include <QTextCodec>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextList>
#include <QToolButton>

#include "capture/question/TextEdit.h"
#include "core/Settings.h"
#include "ui/Modal.h"

namespace {

QTextListFormat::Style listStyle(int index)
{
    switch (index) {
    case 2: return QTextListFormat::ListCircle;
    case 3: return QTextListFormat::ListSquare;
    case 4: return QTextListFormat::ListDecimal;
    case 5: return QTextListFormat::ListLowerAlpha;
    case 6: return QTextListFormat::ListUpperAlpha;
    case 7: return QTextListFormat::ListLowerRoman;
    case 8: return QTextListFormat::ListUpperRoman;
    default: return QTextListFormat::ListDisc;
    }
}

}  // namespace

QString TextEdit::toHtml() const
{
    return textEdit_->document()->toHtml(QByteArrayLiteral("utf-8"));
}

bool TextEdit::isModified() const
{
    return textEdit_->document()->isModified();
}

void TextEdit::clear()
{
    textEdit_->clear();
    selectedImages_.clear();
    textEdit_->document()->setModified(false);
    setWindowModified(false);
}

bool TextEdit::loadHtml(const QString& fileName)
{
    if (!QFile::exists(fileName))
        return false;
    QFile file(fileName);
    if (!file.open(QFile::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    QTextCodec* codec = Qt::codecForHtml(bytes);
    const QString text = codec->toUnicode(bytes);
    if (Qt::mightBeRichText(text))
        textEdit_->setHtml(text);
    else
        textEdit_->setPlainText(QString::fromLocal8Bit(bytes));
    fileName_ = fileName;
    textEdit_->document()->setModified(false);
    setWindowModified(false);
    return true;
}

// With no selection the word under the cursor takes the format; what is
// typed next takes it too.
void TextEdit::mergeCharFormat(const QTextCharFormat& format)
{
    QTextCursor cursor = textEdit_->textCursor();
    if (!cursor.hasSelection())
        cursor.select(QTextCursor::WordUnderCursor);
    cursor.mergeCharFormat(format);
    textEdit_->mergeCurrentCharFormat(format);
}

void TextEdit::textBold()
{
    QTextCharFormat format;
    format.setFontWeight(buttons_[Bold]->isChecked() ? 75 : 50);
    mergeCharFormat(format);
}

void TextEdit::textUnderline()
{
    QTextCharFormat format;
    format.setFontUnderline(buttons_[Underline]->isChecked());
    mergeCharFormat(format);
}

void TextEdit::textItalic()
{
    QTextCharFormat format;
    format.setFontItalic(buttons_[Italic]->isChecked());
    mergeCharFormat(format);
}

void TextEdit::textFamily(const QString& f)
{
    QTextCharFormat format;
    format.setFontFamily(f);
    mergeCharFormat(format);
    setIniValue(QStringLiteral("TextEdit_textFamily"), f);
}

// A size that does not read as a positive number changes no text; the value
// read (0 for an unreadable text) is remembered all the same.
void TextEdit::textSize(const QString& p)
{
    const float size = p.toFloat();
    if (size > 0) {
        QTextCharFormat format;
        format.setFontPointSize(size);
        mergeCharFormat(format);
    }
    setIniValue(QStringLiteral("TextEdit_textSize"), size);
}

void TextEdit::textStyle(int styleIndex)
{
    QTextCursor cursor = textEdit_->textCursor();
    if (styleIndex == 0) {
        // Object index 0 takes the paragraphs out of their list.
        QTextBlockFormat plain;
        plain.setObjectIndex(0);
        cursor.mergeBlockFormat(plain);
        return;
    }
    cursor.beginEditBlock();
    QTextBlockFormat block = cursor.blockFormat();
    QTextListFormat list;
    if (cursor.currentList()) {
        list = cursor.currentList()->format();
    } else {
        list.setIndent(block.indent() + 1);
        block.setIndent(0);
        cursor.setBlockFormat(block);
    }
    list.setStyle(listStyle(styleIndex));
    cursor.createList(list);
    cursor.endEditBlock();
}

void TextEdit::textColor()
{
    const QColor color = modal::color(textEdit_->textColor(), this);
    if (!color.isValid())
        return;
    QTextCharFormat format;
    format.setForeground(color);
    mergeCharFormat(format);
    showColor(color);
}

void TextEdit::textAlign(int id)
{
    switch (id) {
    case 0: textEdit_->setAlignment(Qt::AlignLeft | Qt::AlignAbsolute); break;
    case 1: textEdit_->setAlignment(Qt::AlignHCenter); break;
    case 2: textEdit_->setAlignment(Qt::AlignRight | Qt::AlignAbsolute); break;
    case 3: textEdit_->setAlignment(Qt::AlignJustify); break;
    default: break;
    }
}

void TextEdit::currentCharFormatChanged(const QTextCharFormat& format)
{
    showFont(format.font());
    showColor(format.foreground().color());
}

// The boxes select exact, case-sensitive matches only; no match leaves a box
// without a current entry.
void TextEdit::showFont(const QFont& f)
{
    const auto exact = Qt::MatchExactly | Qt::MatchCaseSensitive;
    comboFont_->setCurrentIndex(comboFont_->findText(QFontInfo(f).family(), exact));
    comboSize_->setCurrentIndex(comboSize_->findText(QString::number(f.pointSize()), exact));
    buttons_[Bold]->setChecked(f.bold());
    buttons_[Italic]->setChecked(f.italic());
    buttons_[Underline]->setChecked(f.underline());
}

void TextEdit::showColor(const QColor& c)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(c);
    buttons_[Color]->setIcon(pixmap);
}
