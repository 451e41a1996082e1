// The sources of the capture window: image files, PDF pages, the document
// camera and the phone copy their pages into the library; a screen capture
// becomes a question at once.

#include <QFileInfo>
#include <QStandardPaths>

#include "capture/sources/PdfImport.h"
#include "capture/sources/QVideoView.h"
#include "capture/sources/ScreenCapture.h"
#include "capture/sources/ScreenReportReceiver.h"
#include "capture/window/QImportTopic.h"
#include "core/Settings.h"
#include "transfer/httpUploadDialog.h"
#include "ui/Modal.h"

namespace {

const char* const kImageFolderKey = "import_topic_image";
const char* const kPdfFolderKey = "import_topic_PDF";

// The folder a chooser starts in: the one remembered under `key`, else the
// user's documents folder.
QString rememberedFolder(const char* key)
{
    return getIniValue<QString>(QString::fromLatin1(key),
                                QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
}

void rememberFolder(const char* key, const QString& chosenFile)
{
    setIniValue(QString::fromLatin1(key), QFileInfo(chosenFile).absolutePath());
}

}  // namespace

void QImportTopic::importImage_clicked()
{
    const QStringList files = modal::openFileNames(this, QStringLiteral("选择图片"), rememberedFolder(kImageFolderKey),
                                                   QStringLiteral("Images(*.png *.jpg *.jpeg *.bmp)"));
    if (files.isEmpty())
        return;
    importFiles(files);
    rememberFolder(kImageFolderKey, files.first());
}

void QImportTopic::importPDF_clicked()
{
    const QStringList files = modal::openFileNames(this, QStringLiteral("选择PDF"), rememberedFolder(kPdfFolderKey),
                                                   QStringLiteral("PDF(*.pdf)"));
    if (files.isEmpty())
        return;
    // Only the first chosen file is converted.
    const pdfimport::Conversion conversion = pdfimport::convert(files.first());
    if (conversion.code != 0)
        tell(conversion.message);
    // A conversion that failed part way still gives the pages it wrote whole.
    if (conversion.pages.isEmpty())
        return;
    importFiles(conversion.pages);
    rememberFolder(kPdfFolderKey, files.first());
}

void QImportTopic::getResults(std::string time, QStringList& fileNames)
{
    fileNames.append(pdfimport::collectPages(QString::fromStdString(time)));
}

void QImportTopic::scan_clicked()
{
    QVideoView view(this);
    view.showFullScreen();
    if (modal::exec(view) != QDialog::Accepted)
        return;
    importFiles(view.getFiles());
}

void QImportTopic::uploadFile_clicked()
{
    httpUploadDialog dialog;
    dialog.setMinimumSize(600, 400);
    if (modal::exec(dialog) != QDialog::Accepted)
        return;
    importFiles(dialog.getFiles());
}

void QImportTopic::screen_clicked()
{
    if (!screenCapture_) {
        screenCapture_ = new ScreenCapture(this, this);
        connect(screenCapture_, &ScreenCapture::finished, this, &QImportTopic::screen_finished);
    }
    QString error;
    switch (screenCapture_->start(error)) {
    case ScreenCapture::Start::Started: break;
    case ScreenCapture::Start::PortTaken: tell(ScreenReportReceiver::bindFailedMessage(error)); break;
    case ScreenCapture::Start::ProgramFailed: tell(ScreenCapture::startFailedMessage(error)); break;
    }
}

void QImportTopic::screen_finished(const ScreenReport& report)
{
    if (report.hasImage())
        createItem(nullptr, report.path);
}
