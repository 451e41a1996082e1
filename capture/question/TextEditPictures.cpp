// The answer editor's picture sources and the insertion of a stored picture.

#include <QDateTime>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTextCursor>
#include <QTextEdit>
#include <QTextImageFormat>

#include <algorithm>

#include "capture/editor/importImage.h"
#include "capture/question/AnswerPicture.h"
#include "capture/question/TextEdit.h"
#include "capture/sources/QVideoView.h"
#include "capture/sources/ScreenCapture.h"
#include "capture/sources/ScreenReportReceiver.h"
#include "core/AppContext.h"
#include "core/Settings.h"
#include "platform/PictureFile.h"
#include "platform/WindowSystem.h"
#include "ui/Modal.h"
#include "ui/QMessageBoxBase.h"

namespace {

constexpr int kMaxShownWidth = 650;

QString imageFolderKey()
{
    return QStringLiteral("import_topic_image");
}

QString userFolder()
{
    return QString::fromStdString(AppContext::instance()->user_folder);
}

}  // namespace

QString TextEdit::pageFileName() const
{
    return QStringLiteral("item/%1/%2/original.jpg").arg(userFolder(), path_);
}

QString TextEdit::newPictureName(const QString& suffix) const
{
    return answerpicture::freeName(userFolder(), path_, suffix, QDateTime::currentSecsSinceEpoch());
}

bool TextEdit::editPicture(importImage& dialog)
{
    const QRect area = platform::primaryAvailableGeometry();
    if (!area.isEmpty())
        dialog.resize((area.width() * 3) / 4, (area.height() * 3) / 4);
    return modal::exec(dialog) == QDialog::Accepted;
}

void TextEdit::storeAndInsert(const QImage& image, const QString& suffix)
{
    const QString name = newPictureName(suffix);
    insertStored(answerpicture::store(image, name), name);
}

void TextEdit::insertStored(bool stored, const QString& name)
{
    if (!stored) {
        QMessageBoxBase::information(this, QStringLiteral("错误提示"), QStringLiteral("图片保存失败!"));
        return;
    }
    insertImage(name);
}

// From the question's captured page.
void TextEdit::textImage1()
{
    importImage dialog(nullptr, pageFileName());
    if (!editPicture(dialog))
        return;
    storeAndInsert(dialog.getImage(), QStringLiteral("jpg"));
}

// From a picture file. The folder is remembered (shared with the capture
// window) only once the picture was taken.
void TextEdit::textImage2()
{
    const QString start = getIniValue(imageFolderKey(),
                                      QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    const QString file = modal::openFileName(this, QStringLiteral("选择图片"), start,
                                             QStringLiteral("Images(*.png *.jpg *.jpeg *.bmp)"));
    if (file.isEmpty())
        return;
    // A picture too large to decode opens no dialog.
    const platform::PictureHeader header = platform::inspectPicture(file);
    if (header.verdict == platform::PictureVerdict::TooLarge) {
        QMessageBoxBase::information(this, QStringLiteral("提示"), platform::pictureTooLargeMessage(file, header.size));
        return;
    }
    importImage dialog(nullptr, file);
    if (!editPicture(dialog))
        return;
    const QFileInfo info(file);
    setIniValue(imageFolderKey(), info.absolutePath());
    storeAndInsert(dialog.getImage(), info.suffix());
}

// From the document camera: the last photo taken while its window was open.
void TextEdit::textImage3()
{
    QStringList shots;
    {
        QVideoView camera(this);
        camera.showFullScreen();
        modal::exec(camera);
        shots = camera.getFiles();
    }
    if (shots.isEmpty())
        return;
    const QString photo = shots.last();
    importImage dialog(nullptr, QStringLiteral(""));
    dialog.loadImage(photo);
    if (!editPicture(dialog))
        return;
    storeAndInsert(dialog.getImage(), QFileInfo(photo).suffix());
}

// A screen capture: the helper reports the saved file (screenCaptured).
void TextEdit::textImage4()
{
    if (!capture_) {
        capture_ = new ScreenCapture(window(), this);
        connect(capture_, &ScreenCapture::finished, this, &TextEdit::screenCaptured);
    }
    QString error;
    switch (capture_->start(error)) {
    case ScreenCapture::Start::Started: break;
    case ScreenCapture::Start::PortTaken:
        QMessageBoxBase::information(this, QStringLiteral("提示"), ScreenReportReceiver::bindFailedMessage(error));
        break;
    case ScreenCapture::Start::ProgramFailed:
        QMessageBoxBase::information(this, QStringLiteral("提示"), ScreenCapture::startFailedMessage(error));
        break;
    }
}

// No picture dialog for a capture: the user chose the region already.
void TextEdit::screenCaptured(const ScreenReport& report)
{
    if (!report.hasImage())
        return;
    const ScreenShot shot = readScreenShot(report.path);
    if (!shot.accepted()) {
        QMessageBoxBase::information(this, QStringLiteral("提示"), shot.refusal);
        return;
    }
    const QString name = newPictureName(QFileInfo(report.path).suffix());
    insertStored(answerpicture::store(shot.image, name), name);
}

void TextEdit::insertImage(const QString& fileName)
{
    if (fileName.isEmpty())
        return;
    QTextImageFormat image;
    image.setName(fileName);
    // Only the width: the height follows from the picture's proportions.
    const QSize natural = QImageReader(fileName).size();
    if (natural.isValid())
        image.setWidth(std::min(natural.width(), kMaxShownWidth));

    // Only what the pupil selected gives way to the picture; with nothing
    // selected it goes in at the caret and every letter around it stays.
    QTextCursor cursor = textEdit_->textCursor();
    cursor.insertImage(image);
    // A paragraph break at the end of the picture's line: what followed the
    // caret on that line stays beside the picture, the rest of a longer
    // paragraph goes on after the break.
    cursor.movePosition(QTextCursor::EndOfLine);
    cursor.insertText(QStringLiteral("\r\n"));

    textEdit_->verticalScrollBar()->setValue(textEdit_->verticalScrollBar()->maximum());
    textEdit_->setFocus();
    selectedImages_ = {fileName};
}
