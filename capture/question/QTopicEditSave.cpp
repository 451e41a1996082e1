// What the wizard writes: the question's pictures and answer in its folder,
// the typed phrases, and the record in the database.

#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>
#include <QTextCodec>

#include "capture/question/QTopicEdit.h"
#include "capture/question/TextEdit.h"
#include "core/AppContext.h"
#include "core/Format.h"
#include "core/PhraseBook.h"
#include "core/Sqlite.h"
#include "core/Utils.h"
#include "ui/AwaitTask.h"
#include "ui/QMessageBoxBase.h"

namespace {

// Writes through a temporary file that replaces `path` only when everything
// was written, so a failed write never leaves half a file. `write` returns
// false (with its own reason in error, or none) when it could not write.
template <typename Write>
bool writeWhole(const QString& path, Write write, QString& error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    if (!write(file, error)) {
        if (error.isEmpty())
            error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

}  // namespace

void QTopicEdit::setDatabase(IDatabase* database)
{
    database_ = database;
}

IDatabase* QTopicEdit::database() const
{
    return database_ ? database_ : Singleton<sqlite>::instance();
}

void QTopicEdit::tell(const QString& text)
{
    QMessageBoxBase::information(this, QStringLiteral("提示"), text);
}

QString QTopicEdit::questionFile(const char* name) const
{
    return QString::fromStdString(
        format("item/{0}/{1}/{2}", AppContext::instance()->user_folder, detail_.detail_path, name));
}

// The picture reduced to at most 1024 pixels wide and about 120 KB, saved
// as JPEG at the default quality. False (and told) for an editor without a
// picture or a file that cannot be written.
bool QTopicEdit::writePicture(const QImage& image, const char* name)
{
    const QString path = questionFile(name);
    if (image.isNull()) {
        tell(QStringLiteral("没有可保存的图片：%1").arg(QString::fromLatin1(name)));
        return false;
    }
    QImage out;
    compressImage(image, out, 1024, 120);
    QString error;
    const QByteArray suffix = QFileInfo(path).suffix().toLatin1();
    auto writeJpeg = [&](QSaveFile& file, QString& reason) {
        QImageWriter writer(&file, suffix);
        if (writer.write(out))
            return true;
        reason = writer.errorString();
        return false;
    };
    const bool written = !out.isNull() && writeWhole(path, writeJpeg, error);
    if (!written) {
        tell(QStringLiteral("保存文件失败：%1\n%2").arg(path, error));
        return false;
    }
    return true;
}

// "answer_right.html" in UTF-8. False (and told) when it cannot be written.
bool QTopicEdit::writeAnswer()
{
    const QString path = questionFile("answer_right.html");
    const QByteArray html = textEdit_->toHtml().toUtf8();
    QString error;
    auto writeHtml = [&](QSaveFile& file, QString&) { return file.write(html) == html.size(); };
    if (!writeWhole(path, writeHtml, error)) {
        tell(QStringLiteral("保存文件失败：%1\n%2").arg(path, error));
        return false;
    }
    return true;
}

void QTopicEdit::storePhrases()
{
    PhraseBook_db* phrases = PhraseBook_db::instance();
    if (!detail_.point.empty())
        phrases->add(0, detail_.point);
    if (!detail_.source.empty())
        phrases->add(1, detail_.source);
    if (!detail_.remark.empty())
        phrases->add(2, detail_.remark);
}

int QTopicEdit::save()
{
    IDatabase* db = database();
    std::string err;
    if (!rowStored_) {
        _detail_t& record = detail_;
        if (awaitTask([&] { return db->addDetail(record, err); }, err) != 0) {
            tell(QString::fromStdString(err));
            return -1;
        }
        rowStored_ = true;
        emit rowAdded(QString::fromStdString(detail_.detail_path));
    }
    // The row is stored; from here on only its id is missing, and a failed
    // look-up is retried by the next save without inserting again.
    int id = 0;
    if (awaitTask([&] { return db->getLastInsertId(id, err); }, err) != 0) {
        tell(QString::fromStdString(err));
        return -1;
    }
    detail_.id = id;
    rowStored_ = false;
    return 0;
}
