// Writing the shown question back: its files, its record, its phrases.

#include <QFile>
#include <QImageWriter>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextStream>

#include <algorithm>
#include <string>

#include "capture/editor/ImageViewer.h"
#include "capture/question/QTopicInfo.h"
#include "capture/question/TextEdit.h"
#include "capture/viewer/QViewItem.h"
#include "capture/window/QuestionFolder.h"
#include "core/PhraseBook.h"
#include "core/Sqlite.h"
#include "ui/AwaitTask.h"

bool QViewItem::writeAnswer(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        tell(QStringLiteral("保存答案失败") + path);
        return false;
    }
    QTextStream out(&file);
    out.setCodec("UTF-8");
    out << textEdit_->toHtml();
    out.flush();
    file.close();
    if (out.status() != QTextStream::Ok || file.error() != QFileDevice::NoError) {
        tell(QStringLiteral("保存答案失败") + path);
        return false;
    }
    return true;
}

// The editor's picture as it stands (no reduction), the format from the
// suffix at the writer's default quality.
bool QViewItem::writePicture(ImageViewer* editor, const QString& path)
{
    QImageWriter writer(path);
    if (editor->getImage().isNull() || !writer.write(editor->getImage())) {
        tell(QStringLiteral("保存图片失败：") + path);
        return false;
    }
    return true;
}

int QViewItem::updateRecord(const _detail_t& edited, std::string& err)
{
    IDatabase* db = database_ ? database_ : Singleton<sqlite>::instance();
    return awaitTask(
        [db, &edited, &err] {
            return db->updateDetail(edited.id, edited.state, edited.times, edited.classification, edited.cause,
                                    edited.questiontype, edited.point, edited.score, edited.source, edited.remark, err);
        },
        err);
}

void QViewItem::storePhrases(const _detail_t& edited)
{
    PhraseBook_db* phrases = PhraseBook_db::instance();
    phrases->add(PhraseBook_db::Point, edited.point);
    phrases->add(PhraseBook_db::Source, edited.source);
    phrases->add(PhraseBook_db::Remark, edited.remark);
}

bool QViewItem::save()
{
    if (!inRange(index_))
        return false;
    _detail_t edited;
    form_->getData(edited);
    const auto path = [&edited](const char* name) {
        return questionfolder::file(edited.user_id, edited.detail_path, name);
    };

    // Only what belongs to this question is written: the answer when it was
    // loaded from its file or typed here, a picture when it was edited.
    const bool answerEdited = textEdit_->isModified();
    if ((answerLoaded_ || answerEdited) && !writeAnswer(path(questionfolder::kAnswer)))
        return false;
    const bool questionEdited = questionEditor_->canUndo();
    if (questionEdited && !writePicture(questionEditor_, path(questionfolder::kQuestion)))
        return false;
    const bool wrongEdited = wrongEditor_->canUndo();
    if (wrongEdited && !writePicture(wrongEditor_, path(questionfolder::kWrongAnswer)))
        return false;

    std::string err;
    if (updateRecord(edited, err) != 0) {
        tell(QString::fromUtf8(err.c_str()));
        return false;
    }
    storePhrases(edited);

    // The pages now hold what is stored: nothing is left to save.
    if (answerLoaded_ || answerEdited) {
        answerLoaded_ = true;
        textEdit_->textEdit()->document()->setModified(false);
    }
    if (questionEdited)
        questionEditor_->setImage(QImage(questionEditor_->getImage()));
    if (wrongEdited)
        wrongEditor_->setImage(QImage(wrongEditor_->getImage()));

    (*list_)[static_cast<size_t>(index_)] = edited;
    emit detail_Changed();
    if (list_->empty()) {
        close();
        return true;
    }
    findAgain(edited.id);
    showMessage(QStringLiteral("保存成功"));
    return true;
}

// After detail_Changed the caller may have refilled its vector: the saved
// question is looked up by id; when it is gone, the question now at the
// index (the last one when the vector got shorter) is shown, so that every
// later compare and save concerns what is on screen.
void QViewItem::findAgain(int id)
{
    for (size_t i = 0; i < list_->size(); ++i) {
        if ((*list_)[i].id == id) {
            index_ = static_cast<int>(i);
            gap_ = -1;
            return;
        }
    }
    gap_ = index_;
    showItem(std::min(index_, static_cast<int>(list_->size()) - 1));
}
