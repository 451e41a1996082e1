// Turning a cut (or a screen capture's file) into a new question folder.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTabWidget>

#include "capture/question/QTopicEdit.h"
#include "capture/sources/ScreenReport.h"
#include "capture/window/QImportTopic.h"
#include "capture/window/QuestionFolder.h"
#include "core/AppContext.h"
#include "core/Utils.h"
#include "platform/RemoveTree.h"

namespace {

// The limits of the first picture: at most this wide, about this many KB.
constexpr int kMaxWidth = 1024;
constexpr int kMaxKB = 120;
constexpr int kWizardTab = 1;

// Writes the folder's "original.jpg" from the image (reduced, JPEG) or, with
// no image, as a byte copy of the checked screen capture `shot`. An empty
// text on success, else the message for the user.
QString writeOriginal(const QImage* image, const ScreenShot& shot, const QString& target)
{
    if (image) {
        QImage reduced;
        compressImage(*image, reduced, kMaxWidth, kMaxKB);
        if (reduced.isNull() || !reduced.save(target))
            return QStringLiteral("保存图片失败：") + target;
        return QString();
    }
    QFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(shot.bytes) != shot.bytes.size())
        return QStringLiteral("保存图片失败：") + target;
    return QString();
}

}  // namespace

QStringList QImportTopic::unstoredFolders() const
{
    QStringList out;
    for (auto it = createdFolders_.constBegin(); it != createdFolders_.constEnd(); ++it)
        if (!storedPaths_.contains(it.key()))
            out.append(it.value());
    return out;
}

void QImportTopic::folderStored(const QString& detailPath)
{
    storedPaths_.insert(detailPath);
}

void QImportTopic::removeUnstoredFolders()
{
    for (const QString& folder : unstoredFolders())
        platform::removeTree(QFile::encodeName(folder).toStdString());
    createdFolders_.clear();
    storedPaths_.clear();
}

void QImportTopic::createItem(QImage* image, QString filePath)
{
    // Exactly one source: a picture, else a file.
    const QImage* picture = (image && !image->isNull()) ? image : nullptr;
    if (!picture && filePath.isEmpty()) {
        tell(QStringLiteral("参数错误"));
        return;
    }

    // A reported file is checked (place, size, picture) and read before
    // anything is made: a refused one leaves no trace.
    ScreenShot shot;
    if (!picture) {
        shot = readScreenShot(filePath);
        if (!shot.accepted()) {
            tell(shot.refusal);
            return;
        }
    }

    const AppContext* ctx = AppContext::instance();
    const QString name = questionfolder::newName();
    const QString folder = questionfolder::folder(ctx->user_folder, name.toStdString());
    if (!QDir().mkdir(folder)) {
        tell(QStringLiteral("创建目录失败，请检查本计算机是否有管理员权限"));
        return;
    }
    const QString target = questionfolder::file(ctx->user_folder, name.toStdString(), questionfolder::kOriginal);
    const QString failure = writeOriginal(picture, shot, target);
    if (!failure.isEmpty()) {
        // A question without its picture cannot be completed: leave nothing.
        platform::removeTree(QFile::encodeName(folder).toStdString());
        tell(failure);
        return;
    }

    _detail_t detail;
    detail.user_id = ctx->user.id;
    detail.grade = ctx->grade.id;
    detail.term = ctx->term.id;
    detail.subject = ctx->subject.id;
    detail.state = 0;
    detail.times = 1;
    detail.detail_path = name.toStdString();
    created_ = detail;
    createdFolders_.insert(name, folder);
    topicEdit_->setData(detail);
    tabWidget_->setCurrentIndex(kWizardTab);
}
