// The export run: the 导出 button of the export dialog.

#include <QButtonGroup>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>

#include <memory>

#include "core/AppContext.h"
#include "core/Format.h"
#include "core/Program.h"
#include "core/Utils.h"
#include "export/DetailSpaceWidget.h"
#include "export/ExportPlan.h"
#include "export/QExportDialog.h"
#include "export/WordProcessing.h"
#include "export/WordProcessing2.h"
#include "export/docx/Package.h"
#include "platform/SharedFiles.h"
#include "ui/AwaitTask.h"
#include "ui/QMessageBoxBase.h"

namespace {

std::string local8(const QString& s)
{
    return s.toLocal8Bit().toStdString();
}
std::string utf8(const QString& s)
{
    return s.toUtf8().toStdString();
}

// The answer's HTML from its first "<html>" on (the bytes up to the first
// zero byte); false when the file cannot be read or holds no "<html>".
bool readAnswer(const std::string& path, std::string& content)
{
    QFile file(QString::fromUtf8(path.c_str()));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    QByteArray bytes = file.readAll();
    const int zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);
    const int start = bytes.indexOf("<html>");
    if (start < 0)
        return false;
    content = bytes.mid(start).toStdString();
    return true;
}

// A question's number and attributes as the answer and re-do documents show
// them; the content is the caller's.
_answer_t attributesOf(const _detail_t& q)
{
    const AppContext* ctx = AppContext::instance();
    _answer_t a;
    a.number = q.number;
    a.score = std::to_string(q.score) + "分";
    a.classification = ctx->typeName(q.classification);
    a.questiontype = ctx->typeName(q.questiontype);
    a.point = q.point;
    a.cause = ctx->typeName(q.cause);
    a.source = q.source;
    a.remark = q.remark;
    return a;
}

}  // namespace

std::string QExportDialog::rootFor(const _detail_t& question) const
{
    // A question whose copy failed is read where it lives.
    return copyFailed_.count(question.detail_path) ? AppContext::instance()->data_path : dataRoot;
}

std::string QExportDialog::questionFile(const _detail_t& question, const char* name) const
{
    std::string path = format("{0}\\item\\{1}\\{2}\\{3}", rootFor(question), AppContext::instance()->user_folder,
                              question.detail_path, name);
    return replaceAll(path, "\\", "/");
}

void QExportDialog::fillExporter(IWordExport& exporter, int options, const QString& folder,
                                 const QString& fileName) const
{
    const QString topicExtension = exportStyle == 0 ? QStringLiteral(".docx") : QStringLiteral(".doc");
    const QString answerExtension = exportStyle == 0 ? QStringLiteral(".docx") : QStringLiteral(".pdf");
    exporter.title = utf8(titleEdit_->text());
    exporter.appName = std::string(programName()) + programVersion();
    exporter.grade = grade.name;
    exporter.term = term.name;
    exporter.subject = subject.name;
    exporter.detailSpace = getDetailSpace(questionTypeNames());
    exporter.options = options;
    exporter.topicPath = local8(folder + exportplan::documentName(fileName, QStringLiteral("题目"), topicExtension));
    exporter.answerPath = local8(folder +
                                 exportplan::documentName(fileName, QStringLiteral("答案与解析"), answerExtension));
    exporter.reappearPath = local8(folder +
                                   exportplan::documentName(fileName, QStringLiteral("错题再现"), topicExtension));
    exporter.topics.clear();
    exporter.answers.clear();
    exporter.reappears.clear();
    if (auto* templates = dynamic_cast<WordProcessing*>(&exporter)) {
        const QString dir = platform::findShared(QStringLiteral("templates"));
        templates->topicTemplate = local8(dir + QStringLiteral("/templates1.dfw"));
        templates->answerTemplate = local8(dir + QStringLiteral("/templates2.dfw"));
        templates->reappearTemplate = local8(dir + QStringLiteral("/templates3.dfw"));
    }
}

bool QExportDialog::confirmOverwrite(const QStringList& paths)
{
    // Each file is asked about once, however many documents would go there.
    QStringList distinct = paths;
    distinct.removeDuplicates();
    for (const QString& path : distinct) {
        if (!QFileInfo::exists(path))
            continue;
        const QString text = QStringLiteral("文件 <b>\"%1\"</b> 已存在，是否覆盖?").arg(QFileInfo(path).baseName());
        if (QMessageBoxBase::information(this, QStringLiteral("提示"), text) != 1)
            return false;
    }
    return true;
}

bool QExportDialog::runStep(IWordExport& exporter, int (IWordExport::*step)(std::string&), const QString& failure)
{
    std::string err;
    const int rc = awaitTask([&exporter, step, &err] { return (exporter.*step)(err); }, err);
    if (rc == 0)
        return true;
    QMessageBoxBase::information(this, QStringLiteral("提示"), failure + QString::fromUtf8(err.c_str()));
    return false;
}

bool QExportDialog::exportQuestionsAndAnswers(IWordExport& exporter, const std::vector<_detail_t>& list)
{
    const AppContext* ctx = AppContext::instance();
    for (const _detail_t& q : list)
        exporter.topics.push_back(_topic_t{q.number, ctx->typeName(q.questiontype), questionFile(q, "questions.jpg")});
    if (!runStep(exporter, &IWordExport::exportTopic, QStringLiteral("导出题目失败！")))
        return false;

    for (const _detail_t& q : list) {
        _answer_t a = attributesOf(q);
        if (!readAnswer(questionFile(q, "answer_right.html"), a.content)) {
            QMessageBoxBase::information(this, QStringLiteral("提示"),
                                         QStringLiteral("读取文件失败：编号%1").arg(q.number));
            continue;
        }
        exporter.answers.push_back(std::move(a));
    }
    return runStep(exporter, &IWordExport::exportAnswer, QStringLiteral("导出答案失败！"));
}

bool QExportDialog::exportReappearance(IWordExport& exporter, const std::vector<_detail_t>& list)
{
    for (const _detail_t& q : list) {
        _answer_t a = attributesOf(q);
        a.content = questionFile(q, "answer_wrong.jpg");
        exporter.reappears.push_back(std::move(a));
    }
    return runStep(exporter, &IWordExport::exportReappear, QStringLiteral("导出错题再现失败！"));
}

void QExportDialog::clicked_create()
{
    const QDateTime runStart = QDateTime::currentDateTimeUtc();
    const int type = typeGroup_->checkedId();
    const int order = orderGroup_->checkedId();
    const QString folder = pathEdit_->text() + QStringLiteral("/岚溪错题本导出");
    const QString fileName = fileNameEdit_->text();
    const int options = optionMask();

    if (!QDir().mkpath(folder)) {
        QMessageBoxBase::information(this, QStringLiteral("提示"), QStringLiteral("创建目录失败 %1").arg(folder));
        return;
    }
    if (exportplan::hasForbiddenCharacter(fileName)) {
        QMessageBoxBase::information(this, QStringLiteral("提示"), exportplan::forbiddenCharactersMessage());
        return;
    }
    // What an export cut short left in this folder (a hidden partial
    // document, possibly large) goes before the new documents are written.
    docx::Package::removeLeftovers(folder, runStart);

    std::unique_ptr<IWordExport> exporter;
    if (exportStyle == 0)
        exporter = std::make_unique<WordProcessing>();
    else
        exporter = std::make_unique<WordProcessing2>();
    fillExporter(*exporter, options, folder, fileName);
    const std::vector<_detail_t> list = exportplan::documentOrder(*questions, order, exportplan::randomEngine());

    const QString topicPath = QString::fromLocal8Bit(exporter->topicPath.c_str());
    const QString answerPath = QString::fromLocal8Bit(exporter->answerPath.c_str());
    const QString reappearPath = QString::fromLocal8Bit(exporter->reappearPath.c_str());
    if (!confirmOverwrite(type == 1 ? QStringList{reappearPath} : QStringList{topicPath, answerPath}))
        return;

    const bool done = type == 1 ? exportReappearance(*exporter, list) : exportQuestionsAndAnswers(*exporter, list);
    if (done)
        QMessageBoxBase::information(this, QStringLiteral("提示"), QStringLiteral("导出完成"));
}
